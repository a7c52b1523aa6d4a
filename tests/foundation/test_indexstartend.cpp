#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "Exception.h"
#include "T_IndexStartEnd.h"

namespace {

using Range = std::tuple<std::string, int32_t, int32_t>;  // tag, start, end
using Ranges = std::vector<Range>;

TIndexStartEndList Make(const Ranges& rs) {
    TIndexStartEndList l;
    for (const auto& [t, s, e] : rs) l.Add(t, s, e);
    return l;
}

Ranges Of(const TIndexStartEndList& l) {
    Ranges out;
    for (int i = 0; i < l.Count(); ++i) out.emplace_back(l.Items(i)->Tag, l.Items(i)->StartIndex, l.Items(i)->EndIndex);
    return out;
}

// Merging as the toolkit's original did it, pass after pass, for comparison.
Ranges NormalizeByPasses(Ranges r) {
    std::stable_sort(r.begin(), r.end(), [](const Range& a, const Range& b) { return std::get<1>(a) < std::get<1>(b); });
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i + 1 < r.size(); ++i)
            for (size_t j = i + 1; j < r.size(); ++j)
                if (std::get<1>(r[i]) <= std::get<1>(r[j]) && std::get<1>(r[j]) <= std::get<2>(r[i])) {
                    std::get<2>(r[i]) = std::max(std::get<2>(r[i]), std::get<2>(r[j]));
                    r.erase(r.begin() + static_cast<long>(j));
                    merged = true;
                    break;
                }
    }
    return r;
}

}  // namespace

TEST(IndexStartEnd, CreateAndLength) {
    auto r = TIndexStartEnd::Create("リテラル", 3, 7);
    EXPECT_EQ(r->Tag, "リテラル");
    EXPECT_EQ(r->GetLength(), 5);
    auto open = TIndexStartEnd::CreateRange(4, -1);
    EXPECT_EQ(open->Tag, "");
    EXPECT_EQ(open->GetLength(), -4);  // no test for an open range
}

TEST(IndexStartEndList, AddDeleteClearAndIndexErrors) {
    TIndexStartEndList l;
    EXPECT_EQ(l.Add("a", 1, 2), 0);
    EXPECT_EQ(l.Add(TIndexStartEnd::CreateRange(5, 6)), 1);
    EXPECT_EQ(l.Add("c", 9, 9), 2);
    l.Delete(1);
    EXPECT_EQ(Of(l), (Ranges{{"a", 1, 2}, {"c", 9, 9}}));
    EXPECT_THROW(l.Items(2), EListError);
    EXPECT_THROW(l.Delete(-1), EListError);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
}

TEST(IndexStartEndList, AddListCopiesRanges) {
    TIndexStartEndList dest = Make({{"x", 1, 1}});
    {
        TIndexStartEndList src = Make({{"a", 4, 5}, {"b", 2, 3}});
        dest.AddList(src);
        EXPECT_EQ(src.Count(), 2);
        src.Items(0)->EndIndex = 99;  // the copies are separate objects
    }
    EXPECT_EQ(Of(dest), (Ranges{{"x", 1, 1}, {"a", 4, 5}, {"b", 2, 3}}));
    dest.AddList(dest);
    EXPECT_EQ(dest.Count(), 6);
}

TEST(IndexStartEndList, SortOrdersByStart) {
    TIndexStartEndList l = Make({{"c", 9, 9}, {"a", 1, 5}, {"b", 4, 4}});
    l.Sort();
    EXPECT_EQ(Of(l), (Ranges{{"a", 1, 5}, {"b", 4, 4}, {"c", 9, 9}}));
}

TEST(IndexStartEndList, Normalize) {
    struct Case {
        Ranges in, out;
    } cases[] = {
        {{{"a", 1, 5}, {"b", 5, 9}}, {{"a", 1, 9}}},                      // one shared position merges
        {{{"a", 1, 5}, {"b", 6, 9}}, {{"a", 1, 5}, {"b", 6, 9}}},         // touching ranges stay apart
        {{{"a", 1, 10}, {"b", 3, 4}}, {{"a", 1, 10}}},                    // the end is never lowered
        {{{"a", 8, 9}, {"b", 1, 3}, {"c", 2, 8}}, {{"b", 1, 9}}},         // chains merge; first-sorted tag
        {{}, {}},
        {{{"a", 4, 2}}, {{"a", 4, 2}}},
        {{{"S", 1, 17}, {"S", 6, 12}, {"リテラル", 20, 22}}, {{"S", 1, 17}, {"リテラル", 20, 22}}},
        {{{"a", 1, 10}, {"b", 3, -1}, {"c", 12, 14}}, {{"a", 1, 10}, {"c", 12, 14}}},
    };
    for (const auto& c : cases) {
        TIndexStartEndList l = Make(c.in);
        l.Normalize();
        EXPECT_EQ(Of(l), c.out);
    }
}

TEST(IndexStartEndList, NormalizeAgreesWithMergingPassByPass) {
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        Ranges in;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            const int32_t s = static_cast<int32_t>(rng() % 40) + 1;
            const int32_t kind = static_cast<int32_t>(rng() % 6);
            const int32_t e = kind == 0 ? -1 : kind == 1 ? s - 2 : s + static_cast<int32_t>(rng() % 8);
            in.emplace_back(std::to_string(i), s, e);
        }
        TIndexStartEndList l = Make(in);
        l.Normalize();
        EXPECT_EQ(Of(l), NormalizeByPasses(in)) << "round " << round;
        // The fast search of a normalised list finds what a walk finds.
        for (int32_t p = -1; p <= 50; ++p) {
            int first = -1;
            for (int i = 0; i < l.Count() && first < 0; ++i)
                if (l.Items(i)->StartIndex <= p && p <= l.Items(i)->EndIndex) first = i;
            l.Normalize();  // Items() above ended the normalised state
            EXPECT_EQ(l.IndexOfPosition(p), first) << "round " << round << " position " << p;
        }
    }
}

TEST(IndexStartEndList, IndexOfPositionFirstMatchInListOrder) {
    TIndexStartEndList l = Make({{"a", 5, 9}, {"b", 1, 6}, {"c", 3, -1}, {"d", 5, 5}});
    struct Case {
        int32_t p;
        int index;
    } cases[] = {{1, 1}, {3, 1}, {5, 0}, {6, 0}, {7, 0}, {10, -1}, {0, -1}};
    for (const auto& c : cases) EXPECT_EQ(l.IndexOfPosition(c.p), c.index) << c.p;

    // A changed range is seen at once, even after a Normalize.
    TIndexStartEndList m = Make({{"a", 1, 2}, {"b", 5, 6}});
    m.Normalize();
    EXPECT_EQ(m.IndexOfPosition(3), -1);
    m.Items(1)->StartIndex = 3;
    m.Items(0)->StartIndex = 7;
    m.Items(0)->EndIndex = 8;
    EXPECT_EQ(m.IndexOfPosition(3), 1);
    EXPECT_EQ(m.IndexOfPosition(8), 0);
}

TEST(IndexStartEndList, GetComplement) {
    struct Case {
        Ranges ranges;
        int32_t length;
        Ranges out;
    } cases[] = {
        {{{"", 2, 3}}, 0, {}},
        {{}, -3, {}},
        {{}, 4, {{"さっきまでIN", 1, 4}}},
        {{{"", 1, 4}}, 4, {}},
        {{{"", 1, 2}, {"", 3, 5}}, 5, {}},
        {{{"", 6, 6}, {"", 2, 3}}, 8, {{"さっきまでIN", 1, 1}, {"さっきまでIN", 4, 5}, {"さっきまでIN", 7, 8}}},
        {{{"", 3, 20}}, 5, {{"さっきまでIN", 1, 2}}},     // ranges beyond the length play no part
        {{{"", 2, -1}, {"", 9, 12}}, 4, {{"さっきまでIN", 1, 4}}},
        {{{"", 2, 6}, {"", 3, 4}}, 7, {{"さっきまでIN", 1, 1}, {"さっきまでIN", 7, 7}}},
    };
    for (const auto& c : cases) {
        TIndexStartEndList l = Make(c.ranges);
        TIndexStartEndList dest = Make({{"old", 1, 1}});
        l.GetComplement(dest, c.length);
        EXPECT_EQ(Of(dest), c.out) << "length " << c.length;
    }
}

TEST(IndexStartEndList, PackedRangesBecomeObjectsUnchanged) {
    TIndexStartEndList l;
    l.Add("リテラル", 5, 7);
    l.Add("S", 1, 3);
    l.Add("リテラル", 9, 9);
    l.Delete(2);
    l.Add(std::string("x"), 12, 14);
    EXPECT_EQ(l.TagAt(0), "リテラル");
    EXPECT_EQ(l.StartIndexAt(1), 1);
    EXPECT_EQ(l.EndIndexAt(2), 14);
    EXPECT_THROW(l.StartIndexAt(3), EListError);
    l.Sort();
    const Ranges sorted{{"S", 1, 3}, {"リテラル", 5, 7}, {"x", 12, 14}};
    EXPECT_EQ(Of(l), sorted);  // Of takes the ranges as objects from here on
    TIndexStartEnd* first = l.Items(0);
    for (int i = 0; i < 1000; ++i) l.Add("y", 100 + i, 100 + i);
    EXPECT_EQ(l.Items(0), first);  // a range object stays where it is
    first->EndIndex = 4;
    EXPECT_EQ(l.EndIndexAt(0), 4);
    EXPECT_EQ(l.TagAt(1000), "y");
}

TEST(IndexStartEndList, OffsetRanges) {
    for (bool objects : {false, true}) {
        TIndexStartEndList l = Make({{"a", 1, 2}, {"b", 4, 6}, {"c", 9, 9}});
        if (objects) l.Items(0);
        l.OffsetRanges(1, 2, -2);
        EXPECT_EQ(Of(l), (Ranges{{"a", 1, 2}, {"b", 2, 4}, {"c", 7, 7}}));
        l.OffsetRanges(0, 0, 5);
        EXPECT_THROW(l.OffsetRanges(2, 2, 1), EListError);
        l.Normalize();
        EXPECT_EQ(Of(l), (Ranges{{"a", 1, 4}, {"c", 7, 7}}));
    }
    // A shifted part of a normalised list is searched as it now lies.
    TIndexStartEndList m = Make({{"a", 1, 2}, {"b", 5, 6}});
    m.Normalize();
    m.OffsetRanges(0, 1, 10);
    EXPECT_EQ(m.IndexOfPosition(11), 0);
    EXPECT_EQ(m.IndexOfPosition(5), 1);
}
