#include "T_IndexStartEnd.h"

#include <algorithm>
#include <climits>
#include <utility>


uint32_t TIndexStartEndList::TagNumber(std::string_view tag) {
    // Lists hold one to three different tags: a short walk, latest first.
    for (size_t i = FTags.size(); i-- > 0;)
        if (FTags[i] == tag) return static_cast<uint32_t>(i);
    FTags.emplace_back(tag);
    return static_cast<uint32_t>(FTags.size() - 1);
}

void TIndexStartEndList::MakeObjects() const {
    if (FObjects) return;
    FItems.reserve(FSlots.size());
    for (const Slot& s : FSlots) FItems.push_back(std::make_unique<TIndexStartEnd>(FTags[s.Tag], s.Start, s.End));
    decltype(FSlots)().swap(FSlots);
    std::vector<std::string>().swap(FTags);
    FObjects = true;
}

int TIndexStartEndList::Add(std::unique_ptr<TIndexStartEnd> range) {
    MakeObjects();
    FItems.push_back(std::move(range));
    FNormalized = false;
    return Count() - 1;
}

int TIndexStartEndList::AddOther(std::string_view tag, int32_t startIndex, int32_t endIndex) {
    if (FObjects) {
        FItems.push_back(std::make_unique<TIndexStartEnd>(std::string(tag), startIndex, endIndex));
    } else {
        FSlots.push_back({startIndex, endIndex, TagNumber(tag)});
    }
    FNormalized = false;
    return Count() - 1;
}

void TIndexStartEndList::AddList(const TIndexStartEndList& other) {
    const int n = other.Count();
    if (n == 0) return;
    Reserve(Count() + n);
    for (int i = 0; i < n; ++i) Add(other.TagAt(i), other.StartIndexAt(i), other.EndIndexAt(i));
}

void TIndexStartEndList::Clear() {
    // Last to first, as the ranges were added.
    while (!FItems.empty()) FItems.pop_back();
    FSlots.clear();
    FTags.clear();
    FObjects = false;
    FNormalized = true;
}

void TIndexStartEndList::Reserve(int n) {
    if (n <= 0) return;
    if (FObjects) FItems.reserve(static_cast<size_t>(n));
    else FSlots.reserve(static_cast<size_t>(n));
}

void TIndexStartEndList::Delete(int index) {
    CheckIndex(index);
    if (FObjects) FItems.erase(FItems.begin() + index);
    else FSlots.erase(FSlots.begin() + index);
}

void TIndexStartEndList::OffsetRanges(int first, int count, int32_t delta) {
    if (count <= 0) return;
    CheckIndex(first);
    CheckIndex(first + count - 1);
    if (FObjects) {
        for (int i = first; i < first + count; ++i) {
            FItems[static_cast<size_t>(i)]->StartIndex += delta;
            FItems[static_cast<size_t>(i)]->EndIndex += delta;
        }
    } else {
        for (int i = first; i < first + count; ++i) {
            FSlots[static_cast<size_t>(i)].Start += delta;
            FSlots[static_cast<size_t>(i)].End += delta;
        }
    }
    // The same shift for a run of ranges keeps a normalised list so only if
    // the run is all of it.
    if (first != 0 || count != Count()) FNormalized = false;
}

TIndexStartEnd* TIndexStartEndList::Items(int index) {
    CheckIndex(index);
    MakeObjects();
    FNormalized = false;
    return FItems[static_cast<size_t>(index)].get();
}

const TIndexStartEnd* TIndexStartEndList::Items(int index) const {
    CheckIndex(index);
    MakeObjects();
    return FItems[static_cast<size_t>(index)].get();
}

const std::string& TIndexStartEndList::TagAt(int index) const {
    CheckIndex(index);
    return FObjects ? FItems[static_cast<size_t>(index)]->Tag : FTags[FSlots[static_cast<size_t>(index)].Tag];
}

namespace {

int32_t StartOf(const std::unique_ptr<TIndexStartEnd>& r) { return r->StartIndex; }
int32_t EndOf(const std::unique_ptr<TIndexStartEnd>& r) { return r->EndIndex; }
void SetEnd(std::unique_ptr<TIndexStartEnd>& r, int32_t e) { r->EndIndex = e; }
template <class Slot>
int32_t StartOf(const Slot& s) { return s.Start; }
template <class Slot>
int32_t EndOf(const Slot& s) { return s.End; }
template <class Slot>
void SetEnd(Slot& s, int32_t e) { s.End = e; }

template <class V>
void SortByStart(V& v) {
    auto less = [](const auto& a, const auto& b) { return StartOf(a) < StartOf(b); };
    // The scanners hand over lists that are already in order: test first.
    if (!std::is_sorted(v.begin(), v.end(), less)) std::stable_sort(v.begin(), v.end(), less);
}

// One sweep over a sorted list: a range shares a position with an earlier
// one exactly when it begins inside the last range kept so far (every kept
// range begins after the ends of all ranges kept before it).
template <class V>
void MergeSorted(V& v) {
    size_t kept = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        if (kept > 0) {
            auto& last = v[kept - 1];
            if (StartOf(last) <= StartOf(v[i]) && StartOf(v[i]) <= EndOf(last)) {
                if (EndOf(v[i]) > EndOf(last)) SetEnd(last, EndOf(v[i]));
                continue;
            }
        }
        if (kept != i) v[kept] = std::move(v[i]);
        ++kept;
    }
    v.resize(kept);
}

// Index of the range that holds the position in a normalised list, or -1:
// only the last range that begins at or before the position can hold it.
template <class V>
int FindSorted(const V& v, int32_t position) {
    auto it = std::upper_bound(v.begin(), v.end(), position, [](int32_t p, const auto& r) { return p < StartOf(r); });
    if (it == v.begin()) return -1;
    --it;
    return StartOf(*it) <= position && position <= EndOf(*it) ? static_cast<int>(it - v.begin()) : -1;
}

template <class V>
int FindFirst(const V& v, int32_t position) {
    for (size_t i = 0; i < v.size(); ++i)
        if (StartOf(v[i]) <= position && position <= EndOf(v[i])) return static_cast<int>(i);
    return -1;
}

}  // namespace

void TIndexStartEndList::Sort() {
    if (FObjects) SortByStart(FItems);
    else SortByStart(FSlots);
    FNormalized = false;
}

void TIndexStartEndList::Normalize() {
    Sort();
    if (FObjects) MergeSorted(FItems);
    else MergeSorted(FSlots);
    FNormalized = true;
}

int TIndexStartEndList::IndexOfPosition(int32_t position) const {
    if (FNormalized) return FObjects ? FindSorted(FItems, position) : FindSorted(FSlots, position);
    return FObjects ? FindFirst(FItems, position) : FindFirst(FSlots, position);
}

void TIndexStartEndList::GetComplement(TIndexStartEndList& dest, int32_t length) const {
    dest.Clear();
    if (length <= 0) return;
    // The covered runs inside 1..length, in order.
    std::vector<std::pair<int32_t, int32_t>> covered;
    const int n = Count();
    covered.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int32_t s = std::max<int32_t>(StartIndexAt(i), 1);
        const int32_t e = std::min<int32_t>(EndIndexAt(i), length);
        if (s <= e) covered.emplace_back(s, e);
    }
    if (!FNormalized) std::sort(covered.begin(), covered.end());
    int64_t next = 1;  // first position not yet known to be covered
    for (const auto& [s, e] : covered) {
        if (s > next) dest.Add("さっきまでIN", static_cast<int32_t>(next), s - 1);
        if (e >= next) next = int64_t{e} + 1;
        if (next > length) break;
    }
    if (next <= length) dest.Add("さっきまでIN", static_cast<int32_t>(next), length);
}
