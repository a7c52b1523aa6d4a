// Tagged, inclusive ranges of positions in a text (1-based byte indexes) or
// of line numbers, and an owning list of them. The SQL scanners report what
// they find in this form; the result editor remembers the lines of each run
// with it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "LargeBlock.h"
#include "ListIndex.h"

class TIndexStartEnd {
public:
    TIndexStartEnd() = default;
    TIndexStartEnd(std::string tag, int32_t startIndex, int32_t endIndex)
        : Tag(std::move(tag)), StartIndex(startIndex), EndIndex(endIndex) {}

    static std::unique_ptr<TIndexStartEnd> Create(std::string tag, int32_t startIndex, int32_t endIndex) {
        return std::make_unique<TIndexStartEnd>(std::move(tag), startIndex, endIndex);
    }
    static std::unique_ptr<TIndexStartEnd> CreateRange(int32_t startIndex, int32_t endIndex) {
        return std::make_unique<TIndexStartEnd>(std::string(), startIndex, endIndex);
    }

    // EndIndex - StartIndex + 1; an open range (EndIndex -1) is not treated specially.
    int32_t GetLength() const { return EndIndex - StartIndex + 1; }
    // True when the range holds the position; an open range holds none.
    bool Contains(int32_t position) const { return StartIndex <= position && position <= EndIndex; }

    std::string Tag;         // what the range is ("リテラル", "コメント,", "S", ...), or empty
    int32_t StartIndex = 0;  // first position, 1-based
    int32_t EndIndex = -1;   // last position, inclusive; -1 while the end is not known yet
};

// An ordered list that owns its ranges. A script of a million statements
// gives millions of ranges, so the list keeps them packed (start, end and a
// tag number) until a caller asks for a range object through Items or hands
// one over through Add; from then on every range is a TIndexStartEnd object
// that the list owns. The ...At readers never make objects.
class TIndexStartEndList {
public:
    TIndexStartEndList() = default;
    TIndexStartEndList(const TIndexStartEndList&) = delete;
    TIndexStartEndList& operator=(const TIndexStartEndList&) = delete;
    TIndexStartEndList(TIndexStartEndList&&) = default;
    TIndexStartEndList& operator=(TIndexStartEndList&&) = default;

    // Appends the range and takes it over; returns its 0-based index.
    int Add(std::unique_ptr<TIndexStartEnd> range);
    int Add(std::string_view tag, int32_t startIndex, int32_t endIndex) {
        // The common case, a run of ranges with one tag, stays inline.
        if (!FObjects && !FSlots.empty() && FTags[FSlots.back().Tag] == tag) {
            FSlots.push_back({startIndex, endIndex, FSlots.back().Tag});
            FNormalized = false;
            return static_cast<int>(FSlots.size()) - 1;
        }
        return AddOther(tag, startIndex, endIndex);
    }
    // Appends a copy of every range of other, in its order; other is unchanged.
    void AddList(const TIndexStartEndList& other);
    void Clear();
    void Delete(int index);  // raises EListError out of range
    // Adds delta to StartIndex and EndIndex of count ranges from index first
    // on (a part of the text or of the lines moved); raises EListError when
    // they are not all in the list.
    void OffsetRanges(int first, int count, int32_t delta);
    // Room for n ranges without reallocating the list.
    void Reserve(int n);

    // The range at a 0-based index; raises EListError out of range. Taking a
    // changeable range ends the list's normalised state until the next
    // Normalize; a pointer kept from before a Normalize must not be used to
    // change a range afterwards.
    TIndexStartEnd* Items(int index);
    const TIndexStartEnd* Items(int index) const;
    int Count() const { return static_cast<int>(FObjects ? FItems.size() : FSlots.size()); }
    // The fields of the range at a 0-based index, read without making range
    // objects; raise EListError out of range.
    int32_t StartIndexAt(int index) const {
        CheckIndex(index);
        return FObjects ? FItems[static_cast<size_t>(index)]->StartIndex : FSlots[static_cast<size_t>(index)].Start;
    }
    int32_t EndIndexAt(int index) const {
        CheckIndex(index);
        return FObjects ? FItems[static_cast<size_t>(index)]->EndIndex : FSlots[static_cast<size_t>(index)].End;
    }
    const std::string& TagAt(int index) const;

    // Orders by StartIndex, ascending (ranges with equal StartIndex keep their order).
    void Sort();
    // Sorts, then merges ranges that share a position: the result is sorted
    // and no two ranges share a position; ranges that only touch stay apart;
    // a merged range keeps the tag of the range that sorted first.
    void Normalize();
    // 0-based index of the first range, in list order, that holds the position; -1 if none.
    int IndexOfPosition(int32_t position) const;
    // Dest := the maximal runs of positions 1..length that lie in no range of
    // this list, ascending, each tagged "さっきまでIN".
    void GetComplement(TIndexStartEndList& dest, int32_t length) const;

private:
    struct Slot {
        int32_t Start;
        int32_t End;
        uint32_t Tag;  // index into FTags
    };
    int AddOther(std::string_view tag, int32_t startIndex, int32_t endIndex);
    void CheckIndex(int index) const {
        if (index < 0 || index >= Count()) RaiseListIndexError(index);
    }
    uint32_t TagNumber(std::string_view tag);
    void MakeObjects() const;

    // Packed ranges, while FObjects is false.
    mutable std::vector<Slot, largeblock::Allocator<Slot>> FSlots;
    mutable std::vector<std::string> FTags;
    // Range objects, once FObjects is true.
    mutable std::vector<std::unique_ptr<TIndexStartEnd>> FItems;
    mutable bool FObjects = false;
    // True while the list is as Normalize left it (sorted, no shared
    // position): IndexOfPosition may then search by halving.
    bool FNormalized = true;
};
