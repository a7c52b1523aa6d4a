#include "T_IndexStartEnd.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "ListIndex.h"

int TIndexStartEndList::Add(std::unique_ptr<TIndexStartEnd> range) {
    FItems.push_back(std::move(range));
    FNormalized = false;
    return Count() - 1;
}

void TIndexStartEndList::AddList(const TIndexStartEndList& other) {
    if (&other == this) {
        const int n = Count();
        for (int i = 0; i < n; ++i) FItems.push_back(std::make_unique<TIndexStartEnd>(*FItems[static_cast<size_t>(i)]));
    } else {
        FItems.reserve(FItems.size() + other.FItems.size());
        for (const auto& r : other.FItems) FItems.push_back(std::make_unique<TIndexStartEnd>(*r));
    }
    if (!other.FItems.empty()) FNormalized = false;
}

void TIndexStartEndList::Clear() {
    // Last to first, as the ranges were added.
    while (!FItems.empty()) FItems.pop_back();
    FNormalized = true;
}

void TIndexStartEndList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
}

void TIndexStartEndList::Delete(int index) {
    CheckIndex(index);
    FItems.erase(FItems.begin() + index);
}

TIndexStartEnd* TIndexStartEndList::Items(int index) {
    CheckIndex(index);
    FNormalized = false;
    return FItems[static_cast<size_t>(index)].get();
}

const TIndexStartEnd* TIndexStartEndList::Items(int index) const {
    CheckIndex(index);
    return FItems[static_cast<size_t>(index)].get();
}

namespace {
bool ByStart(const std::unique_ptr<TIndexStartEnd>& a, const std::unique_ptr<TIndexStartEnd>& b) {
    return a->StartIndex < b->StartIndex;
}
}  // namespace

void TIndexStartEndList::Sort() {
    // The scanners hand over lists that are already in order: test first.
    if (!std::is_sorted(FItems.begin(), FItems.end(), ByStart)) std::stable_sort(FItems.begin(), FItems.end(), ByStart);
    FNormalized = false;
}

void TIndexStartEndList::Normalize() {
    Sort();
    // One sweep: after sorting, a range shares a position with an earlier one
    // exactly when it begins inside the last range kept so far (every kept
    // range begins after the ends of all ranges kept before it).
    size_t kept = 0;
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (kept > 0) {
            TIndexStartEnd& last = *FItems[kept - 1];
            const TIndexStartEnd& r = *FItems[i];
            if (last.StartIndex <= r.StartIndex && r.StartIndex <= last.EndIndex) {
                if (r.EndIndex > last.EndIndex) last.EndIndex = r.EndIndex;
                FItems[i].reset();
                continue;
            }
        }
        if (kept != i) FItems[kept] = std::move(FItems[i]);
        ++kept;
    }
    FItems.resize(kept);
    FNormalized = true;
}

int TIndexStartEndList::IndexOfPosition(int32_t position) const {
    if (FNormalized) {
        // Sorted, and every range begins after the ends of all earlier ones:
        // only the last range that begins at or before the position can hold it.
        auto it = std::upper_bound(FItems.begin(), FItems.end(), position,
                                   [](int32_t p, const std::unique_ptr<TIndexStartEnd>& r) { return p < r->StartIndex; });
        if (it == FItems.begin()) return -1;
        --it;
        return (*it)->Contains(position) ? static_cast<int>(it - FItems.begin()) : -1;
    }
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Contains(position)) return static_cast<int>(i);
    return -1;
}

void TIndexStartEndList::GetComplement(TIndexStartEndList& dest, int32_t length) const {
    dest.Clear();
    if (length <= 0) return;
    // The covered runs inside 1..length, in order.
    std::vector<std::pair<int32_t, int32_t>> covered;
    covered.reserve(FItems.size());
    for (const auto& r : FItems) {
        const int32_t s = std::max<int32_t>(r->StartIndex, 1);
        const int32_t e = std::min<int32_t>(r->EndIndex, length);
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
