#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "EditorStrings.h"
#include "Exception.h"

namespace {

std::string ListError(const std::function<void()>& f) {
    try {
        f();
    } catch (const EListError& e) {
        return e.Message;
    }
    return "(none)";
}

}  // namespace

TEST(RecordStringList, IndexErrorsRaiseTheListError) {
    TEditorStringList l;
    l.Add("a");
    const std::string msg = "リストのインデックスが範囲を超えています";
    EXPECT_EQ(ListError([&] { l.Get(1); }), msg);
    EXPECT_EQ(ListError([&] { l.Get(-1); }), msg);
    EXPECT_EQ(ListError([&] { l.Put(1, "x"); }), msg);
    EXPECT_EQ(ListError([&] { l.Delete(1); }), msg);
    EXPECT_EQ(ListError([&] { l.Exchange(0, 1); }), msg);
    EXPECT_EQ(ListError([&] { l.Insert(2, "x"); }), msg);
    EXPECT_EQ(ListError([&] { l.RowAttribute(1); }), msg);
    EXPECT_EQ(ListError([&] { l.SetRowMarks(-1, 1); }), msg);
    EXPECT_EQ(ListError([&] { l.Insert(1, "b"); }), "(none)");  // Count itself is a valid insertion point
    EXPECT_EQ(l.Count(), 2);
}

TEST(RecordStringList, InsertMakesAZeroedRowAndAddAnswersTheIndex) {
    TEditorStringList l;
    EXPECT_EQ(l.Add("a"), 0);
    EXPECT_EQ(l.Add("b"), 1);
    l.SetRowAttribute(0, raEndOfText);
    l.SetRowMarks(0, 0x8001);
    l.Insert(0, "new");
    EXPECT_EQ(l.Get(0), "new");
    EXPECT_EQ(l.RowAttribute(0), 0);
    EXPECT_EQ(l.RowMarks(0), 0);
    EXPECT_EQ(l.BracketIndex(0), -2);  // a fresh row is not computed
    EXPECT_EQ(l.Value(0), 0);
    EXPECT_EQ(l.Get(1), "a");
    EXPECT_EQ(l.RowAttribute(1), raEndOfText);
    EXPECT_EQ(l.RowMarks(1), 0x8001);
}

TEST(RecordStringList, ExchangeSwapsWholeRows) {
    TEditorStringList l;
    l.Add("a");
    l.Add("b");
    l.SetRowAttribute(1, raWrapped);
    l.SetRowMarks(1, 4);
    l.SetValue(1, 7);
    l.Exchange(0, 1);
    EXPECT_EQ(l.Get(0), "b");
    EXPECT_EQ(l.RowAttribute(0), raWrapped);
    EXPECT_EQ(l.RowMarks(0), 4);
    EXPECT_EQ(l.Value(0), 7);
    EXPECT_EQ(l.Get(1), "a");
    EXPECT_EQ(l.LineEndCount(), 1);
}

TEST(RecordStringList, UpdateBracketsReportOneChange) {
    TEditorStringList l;
    int changes = 0, changing = 0;
    l.OnChange = [&](TObject*) { ++changes; };
    l.OnChanging = [&](TObject*) { ++changing; };
    l.Add("a");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changing, 1);
    changes = changing = 0;
    l.BeginUpdate();
    l.BeginUpdate();
    l.Add("b");
    l.Put(0, "c");
    l.Delete(1);
    l.EndUpdate();
    EXPECT_EQ(changes, 0);
    l.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changing, 1);
    changes = 0;
    TEditorStringList empty;
    empty.OnChange = [&](TObject*) { ++changes; };
    empty.Clear();  // nothing to clear: no notification
    EXPECT_EQ(changes, 0);
}

TEST(RowAttributeStringList, PackedFieldsKeepTheirRanges) {
    TEditorStringList l;
    l.Add("x");
    struct Case {
        int bracket, userIndex, wrapped, userCount, prevToken, userToken;
    } cases[] = {
        {-2, 0, 0, 0, 0, 0},
        {-1, 255, 255, 255, 255, 255},
        {13, 1, 2, 3, 28, 9},
    };
    for (const auto& c : cases) {
        l.SetRowAttribute(0, raWrapped);
        l.SetPrevRowAttribute(0, raEndOfText);
        l.SetRowMarks(0, 0xA5A5);
        l.SetBracketIndex(0, c.bracket);
        l.SetUserIndex(0, c.userIndex);
        l.SetWrappedByte(0, c.wrapped);
        l.SetUserCount(0, c.userCount);
        l.SetPrevToken(0, c.prevToken);
        l.SetUserToken(0, c.userToken);
        EXPECT_EQ(l.BracketIndex(0), c.bracket);
        EXPECT_EQ(l.UserIndex(0), c.userIndex);
        EXPECT_EQ(l.WrappedByte(0), c.wrapped);
        EXPECT_EQ(l.UserCount(0), c.userCount);
        EXPECT_EQ(l.PrevToken(0), c.prevToken);
        EXPECT_EQ(l.UserToken(0), c.userToken);
        EXPECT_EQ(l.RowAttribute(0), raWrapped);
        EXPECT_EQ(l.PrevRowAttribute(0), raEndOfText);
        EXPECT_EQ(l.RowMarks(0), 0xA5A5);
    }
    TRowAttributeData d;
    d.BracketIndex = 3;
    d.PrevToken = 7;
    d.DataStr = "s";
    d.RowAttribute = raLineBreak;  // not stored: the row keeps its own attribute
    l.SetRowStateData(0, d);
    TRowAttributeData back;
    l.GetRowAttributeData(0, back);
    EXPECT_EQ(back.RowAttribute, raWrapped);
    EXPECT_EQ(back.BracketIndex, 3);
    EXPECT_EQ(back.PrevToken, 7);
    EXPECT_EQ(back.DataStr, "s");
    EXPECT_EQ(l.RowMarks(0), 0xA5A5);
}

// The block storage against a plain vector: random inserts, deletes and
// attribute changes, then every lookup compared with a direct count.
TEST(RowBlocks, LookupsMatchAPlainModelUnderRandomEdits) {
    struct Row {
        std::string s;
        int attr;
        uint16_t marks;
    };
    std::vector<Row> model;
    TEditorStringList l;
    std::mt19937 rng(12345);
    auto check = [&] {
        ASSERT_EQ(l.Count(), static_cast<int>(model.size()));
        int ends = 0;
        uint16_t marks = 0;
        std::vector<int> endRows;
        for (size_t i = 0; i < model.size(); ++i) {
            int r = static_cast<int>(i);
            ASSERT_EQ(l.Str(r), model[i].s);
            ASSERT_EQ(l.RowAttribute(r), model[i].attr);
            ASSERT_EQ(l.LineEndsBefore(r), ends);
            if (model[i].attr != raWrapped) {
                ++ends;
                endRows.push_back(r);
            }
            marks = static_cast<uint16_t>(marks | model[i].marks);
        }
        ASSERT_EQ(l.LineEndCount(), ends);
        ASSERT_EQ(l.RowMarksUnion(), marks);
        for (int k = 0; k < ends; ++k) ASSERT_EQ(l.RowOfLineEnd(k), endRows[static_cast<size_t>(k)]);
        ASSERT_EQ(l.RowOfLineEnd(ends), -1);
        for (int r = 0; r <= l.Count(); r += 1 + r / 7) {
            int prev = -1, next = -1;
            for (int k = r - 1; k >= 0; --k)
                if (model[static_cast<size_t>(k)].attr != raWrapped) { prev = k; break; }
            for (int k = r; k < l.Count(); ++k)
                if (model[static_cast<size_t>(k)].attr != raWrapped) { next = k; break; }
            ASSERT_EQ(l.PrevLineEnd(r), prev) << r;
            ASSERT_EQ(l.NextLineEnd(r), next) << r;
        }
    };
    for (int step = 0; step < 400; ++step) {
        int op = static_cast<int>(rng() % 10);
        int n = static_cast<int>(model.size());
        if (op < 4 || n == 0) {
            // insert a run of rows (sometimes a big one, which builds new blocks)
            int count = (rng() % 8 == 0) ? 1500 + static_cast<int>(rng() % 900) : 1 + static_cast<int>(rng() % 40);
            int at = n == 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(n + 1));
            std::vector<TRecordStringItem> items;
            std::vector<Row> rows;
            for (int k = 0; k < count; ++k) {
                TRecordStringItem it;
                it.Str = std::to_string(step) + ":" + std::to_string(k);
                int attr = static_cast<int>(rng() % 3);
                uint16_t marks = (rng() % 50 == 0) ? static_cast<uint16_t>(1u << (rng() % 16)) : 0;
                it.AttrA = static_cast<uint32_t>(attr);
                it.AttrB = static_cast<uint32_t>(marks) << 16;
                items.push_back(it);
                rows.push_back({it.Str, attr, marks});
            }
            l.InsertItems(at, std::move(items));
            model.insert(model.begin() + at, rows.begin(), rows.end());
        } else if (op < 7) {
            int at = static_cast<int>(rng() % static_cast<unsigned>(n));
            int count = 1 + static_cast<int>(rng() % static_cast<unsigned>(std::min(n - at, 1200)));
            for (int k = 0; k < count; ++k) l.Delete(at);
            model.erase(model.begin() + at, model.begin() + at + count);
        } else if (op < 9) {
            for (int k = 0; k < 20; ++k) {
                int at = static_cast<int>(rng() % static_cast<unsigned>(n));
                int attr = static_cast<int>(rng() % 3);
                l.SetRowAttribute(at, attr);
                model[static_cast<size_t>(at)].attr = attr;
                uint16_t marks = static_cast<uint16_t>(rng() % 4 == 0 ? rng() & 0xFFFF : 0);
                l.SetRowMarks(at, marks);
                model[static_cast<size_t>(at)].marks = marks;
            }
        } else {
            int a = static_cast<int>(rng() % static_cast<unsigned>(n));
            int b = static_cast<int>(rng() % static_cast<unsigned>(n));
            l.Exchange(a, b);
            std::swap(model[static_cast<size_t>(a)], model[static_cast<size_t>(b)]);
        }
        if (step % 25 == 0 || step == 399) check();
    }
}

TEST(RowBlocks, ResetStatesFromLeavesEarlierRowsAndKeepsAttributesAndMarks) {
    TEditorStringList l;
    std::vector<TRecordStringItem> items(3000);
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].Str = std::to_string(i);
        items[i].AttrA = raWrapped | (5u << 4);  // bracket 3
        items[i].AttrB = 0x00020007u;           // mark 1, prev token 7
        items[i].DataStr = "d";
    }
    l.AssignItems(std::move(items));
    l.SetBracketIndex(0, 3);
    l.MarkStatesNotComputed(10);
    EXPECT_EQ(l.BracketIndex(9), 3);
    EXPECT_EQ(l.PrevToken(9), 7);
    for (int r : {10, 11, 600, 2999}) {
        EXPECT_EQ(l.BracketIndex(r), -2) << r;
        EXPECT_EQ(l.PrevToken(r), 0) << r;
        EXPECT_EQ(l.DataStr(r), "") << r;
        EXPECT_EQ(l.RowAttribute(r), raWrapped) << r;
        EXPECT_EQ(l.RowMarks(r), 2) << r;
    }
    EXPECT_EQ(l.RowMarksUnion(), 2);
}

// The storage itself against a plain vector of rows: texts edited in place,
// rows long enough to get blocks of their own, packed data beyond the low byte
// (carried tokens, marks), Value and DataStr, states reset, rows replaced,
// exchanged, appended and taken out block by block. Every row is compared
// after each round.
TEST(RowBlocks, TextsAndRowDataMatchAPlainModelUnderEdits) {
    std::vector<TRecordStringItem> model;
    TRowBlocks b;
    std::mt19937 rng(2024);
    auto rnd = [&](unsigned n) { return n == 0 ? 0u : static_cast<unsigned>(rng() % n); };
    auto makeRow = [&](int step, int k) {
        TRecordStringItem r;
        const unsigned kind = rnd(40);
        if (kind == 0)
            r.Str.assign(70000 + rnd(5000), static_cast<char>('a' + step % 26));  // a block of its own
        else
            r.Str = std::to_string(step) + ":" + std::to_string(k) + std::string(rnd(90), 'x');
        r.AttrA = rnd(3) | (rnd(6) == 0 ? (rnd(15) + 1) << 4 : 0u) | (rnd(10) == 0 ? rnd(255) << 16 : 0u);
        r.AttrB = rnd(12) == 0 ? (rnd(200) | (1u << (16 + rnd(16)))) : 0u;
        if (rnd(30) == 0) r.Value = static_cast<int32_t>(rnd(1000)) - 500;
        if (rnd(50) == 0) r.DataStr = "data" + std::to_string(k);
        return r;
    };
    auto check = [&](int step) {
        ASSERT_EQ(b.Count(), static_cast<int>(model.size())) << step;
        int ends = 0;
        uint16_t marks = 0;
        for (size_t i = 0; i < model.size(); ++i) {
            const int r = static_cast<int>(i);
            const TRowRef got = b.Get(r);
            const auto& want = model[i];
            ASSERT_EQ(got.Str, want.Str) << "step " << step << " row " << r;
            ASSERT_EQ(b.Text(r), want.Str) << "step " << step << " row " << r;
            ASSERT_EQ(got.AttrA, want.AttrA) << "step " << step << " row " << r;
            ASSERT_EQ(got.AttrB, want.AttrB) << "step " << step << " row " << r;
            ASSERT_EQ(got.Value, want.Value) << "step " << step << " row " << r;
            ASSERT_EQ(got.DataStr, want.DataStr) << "step " << step << " row " << r;
            if ((want.AttrA & 3u) != raWrapped) ++ends;
            marks = static_cast<uint16_t>(marks | (want.AttrB >> 16));
        }
        ASSERT_EQ(b.LineEndCount(), ends) << step;
        ASSERT_EQ(b.MarksUnion(), marks) << step;
    };
    for (int step = 0; step < 300; ++step) {
        const int n = static_cast<int>(model.size());
        const unsigned op = rnd(12);
        if (op < 3 || n == 0) {
            // rows inserted, sometimes more than a block takes at once
            const int count = rnd(10) == 0 ? 1100 + static_cast<int>(rnd(600)) : 1 + static_cast<int>(rnd(30));
            const int at = static_cast<int>(rnd(static_cast<unsigned>(n + 1)));
            std::vector<TRecordStringItem> rows;
            for (int k = 0; k < count; ++k) rows.push_back(makeRow(step, k));
            model.insert(model.begin() + at, rows.begin(), rows.end());
            b.InsertRows(at, std::move(rows));
        } else if (op < 5) {
            const int at = static_cast<int>(rnd(static_cast<unsigned>(n)));
            const int count = 1 + static_cast<int>(rnd(static_cast<unsigned>(std::min(n - at, 700))));
            b.EraseRows(at, count);
            model.erase(model.begin() + at, model.begin() + at + count);
        } else if (op < 7) {
            // bytes of rows changed in place, the whole text set, or a row grown long
            for (int k = 0; k < 10; ++k) {
                const int at = static_cast<int>(rnd(static_cast<unsigned>(n)));
                std::string& s = model[static_cast<size_t>(at)].Str;
                if (rnd(3) == 0) {
                    s = rnd(20) == 0 ? std::string(80000, 'L') : "set" + std::to_string(step);
                    b.SetStr(at, s);
                } else {
                    const size_t pos = rnd(static_cast<unsigned>(s.size() + 1));
                    const size_t len = rnd(static_cast<unsigned>(s.size() - pos + 1));
                    const std::string mid(rnd(12), static_cast<char>('A' + k));
                    s.replace(pos, len, mid);
                    b.EditStr(at, pos, len, mid);
                }
            }
        } else if (op < 8) {
            for (int k = 0; k < 15; ++k) {
                const int at = static_cast<int>(rnd(static_cast<unsigned>(n)));
                auto& m = model[static_cast<size_t>(at)];
                switch (rnd(4)) {
                    case 0: m.AttrA = rnd(3) | (rnd(2) ? rnd(0xFFFFFF) << 8 : 0u); b.SetAttrA(at, m.AttrA); break;
                    case 1: m.AttrB = rnd(2) ? rnd(0xFFFFFFFFu) : 0u; b.SetAttrB(at, m.AttrB); break;
                    case 2: m.Value = static_cast<int32_t>(rnd(3)) - 1; b.SetValue(at, m.Value); break;
                    default: m.DataStr = rnd(2) ? "d" + std::to_string(k) : std::string(); b.SetDataStr(at, m.DataStr); break;
                }
            }
        } else if (op < 9) {
            // rows replaced by others, more, fewer or as many
            const int at = static_cast<int>(rnd(static_cast<unsigned>(n)));
            const int count = static_cast<int>(rnd(static_cast<unsigned>(std::min(n - at, 40) + 1)));
            std::vector<TRecordStringItem> rows;
            for (int k = 0, m = static_cast<int>(rnd(40)); k < m; ++k) rows.push_back(makeRow(step, k));
            model.erase(model.begin() + at, model.begin() + at + count);
            model.insert(model.begin() + at, rows.begin(), rows.end());
            b.ReplaceRange(at, count, std::move(rows));
        } else if (op < 10) {
            // every carried state from a row on reads as not computed
            const int from = static_cast<int>(rnd(static_cast<unsigned>(n)));
            b.ResetStatesFrom(from);
            for (size_t i = static_cast<size_t>(from); i < model.size(); ++i) {
                model[i].AttrA &= 3u;
                model[i].AttrB &= 0xFFFF0000u;
                model[i].DataStr.clear();
            }
        } else if (op < 11) {
            const int i = static_cast<int>(rnd(static_cast<unsigned>(n)));
            const int j = static_cast<int>(rnd(static_cast<unsigned>(n)));
            b.Exchange(i, j);
            std::swap(model[static_cast<size_t>(i)], model[static_cast<size_t>(j)]);
        } else {
            // appended row by row, or taken out from the front block by block
            if (rnd(2)) {
                for (int k = 0; k < 600; ++k) {
                    TRecordStringItem r = makeRow(step, k);
                    model.push_back(r);
                    b.PushBack(r);
                }
            } else {
                std::vector<TRecordStringItem> front;
                ASSERT_TRUE(b.PopFrontBlock(front));
                ASSERT_LE(front.size(), model.size());
                for (size_t k = 0; k < front.size(); ++k) {
                    ASSERT_EQ(front[k].Str, model[k].Str);
                    ASSERT_EQ(front[k].AttrA, model[k].AttrA);
                    ASSERT_EQ(front[k].AttrB, model[k].AttrB);
                    ASSERT_EQ(front[k].Value, model[k].Value);
                    ASSERT_EQ(front[k].DataStr, model[k].DataStr);
                }
                model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(front.size()));
            }
        }
        if (step % 10 == 0 || step == 299) check(step);
    }
}

// A plain row costs its text and a few bytes: a million-row result must not
// cost a heap string and a record a row.
TEST(RowBlocks, PlainRowsCostTheirTextAndFiveBytes) {
    const std::string row(64, 'r');
    TRowBlocks appended, inserted;
    std::vector<TRecordStringItem> items;
    const int n = 100000;
    for (int i = 0; i < n; ++i) {
        appended.PushBack(row, raLineBreak);
        TRecordStringItem it;
        it.Str = row;
        items.push_back(std::move(it));
    }
    inserted.InsertRows(0, std::move(items));
    for (const TRowBlocks* b : {&appended, &inserted}) {
        const double perRow = static_cast<double>(b->BytesHeld()) / n;
        EXPECT_GE(perRow, 64.0);
        EXPECT_LT(perRow, 64.0 + 8.0);
    }
    // rows with marks keep them, in the blocks that have them
    appended.SetAttrB(n / 2, 1u << 20);
    EXPECT_EQ(appended.Get(n / 2).AttrB, 1u << 20);
    EXPECT_EQ(appended.MarksUnion(), 1u << 4);
    EXPECT_LT(static_cast<double>(appended.BytesHeld()) / n, 64.0 + 8.0);
}
