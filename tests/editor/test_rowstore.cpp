#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "EditorParser.h"
#include "Exception.h"
#include "FakeView.h"
#include "FileSystem.h"
#include "StringList.h"
#include "TestUtil.h"

using Rows = std::vector<std::string>;

namespace {

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    static std::string dir = testutil::TempFolder("rowstore");
    std::string path = dir + name;
    EXPECT_TRUE(fs932::WriteFileAtomic(path, bytes));
    return path;
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return std::string(e.ClassName()) + ":" + e.Message;
    }
    return "(none)";
}

}  // namespace

TEST(RowStore, TextSetterMakesRowsWithTheirEndings) {
    struct Case {
        std::string text;
        Rows rows;
    } cases[] = {
        {"", {}},
        {"ab\r\ncd", {"ab|0", "cd|2"}},
        {"ab\r\n", {"ab|0"}},
        {"a\rb\nc\r\n\r\nd", {"a|0", "b|0", "c|0", "|0", "d|2"}},
        {"a\r", {"a|0"}},
        {std::string("a\0b\r\nc", 6), {std::string("a\0b|0", 5), "c|2"}},  // NUL is data
    };
    for (const auto& c : cases) {
        TFakeView v;
        v.Lines->SetText(c.text);
        EXPECT_EQ(v.Rows(), c.rows) << testutil::Hex(c.text);
        EXPECT_FALSE(v.Store->UndoObj().CanUndo());
    }
    TFakeView v;
    v.Lines->SetText("ab\r\n");
    v.SetRow(5);
    v.Store->ClampViewRows();
    EXPECT_EQ(v.Row(), 1);  // the empty position after a final line break
    v.Lines->SetText("ab\r\ncd");
    v.SetRow(5);
    v.Store->ClampViewRows();
    EXPECT_EQ(v.Row(), 1);  // never below a last row without a line break
}

TEST(RowStore, LinesAddInsertPutDelete) {
    TFakeView v;
    v.Lines->SetText("ab\r\ncd");
    EXPECT_EQ(v.Lines->Add("x"), 2);
    EXPECT_EQ(v.Text(), "ab\r\ncd\r\nx");
    EXPECT_EQ(v.Rows().back(), "x|2");
    EXPECT_EQ(v.Row(), 2);
    EXPECT_EQ(v.Col(), 1);
    v.Lines->SetText("ab\r\n");
    v.Lines->Add("y");
    EXPECT_EQ(v.Text(), "ab\r\ny\r\n");
    EXPECT_EQ(v.Row(), 2);
    v.Lines->Insert(1, "new");
    EXPECT_EQ(v.Text(), "ab\r\nnew\r\ny\r\n");
    v.Lines->Put(0, "AB");
    EXPECT_EQ(v.Text(), "AB\r\nnew\r\ny\r\n");
    EXPECT_EQ(v.Row(), 0);
    EXPECT_EQ(v.Col(), 2);
    v.Lines->Delete(2);
    EXPECT_EQ(v.Text(), "AB\r\nnew\r\n");
    v.Lines->Insert(2, "end");  // Insert at the count adds
    EXPECT_EQ(v.Text(), "AB\r\nnew\r\nend\r\n");
    EXPECT_EQ(v.Lines->Count(), 3);
    EXPECT_EQ(v.Lines->Get(1), "new");
    EXPECT_EQ(ErrorOf([&] { v.Lines->Get(3); }), "EListError:リストのインデックスが範囲を超えています");
    EXPECT_EQ(ErrorOf([&] { v.Lines->Insert(5, "z"); }), "EListError:リストのインデックスが範囲を超えています");
    EXPECT_EQ(ErrorOf([&] { v.Lines->Delete(-1); }), "EListError:リストのインデックスが範囲を超えています");
    EXPECT_EQ(v.CaretDepth, 0);
    EXPECT_GE(v.MaxCaretDepth, 1);
}

TEST(RowStore, ReplaceRowsIgnoresRangesOutsideTheRows) {
    TFakeView v;
    v.Lines->SetText("ab\r\ncd");
    int changes = v.Changes;
    v.Store->ReplaceRows(-1, 1, "x");
    v.Store->ReplaceRows(1, 2, "x");
    v.Store->ReplaceRows(3, 0, "x");
    v.Store->ReplaceRows(1, 0, "");
    EXPECT_EQ(v.Text(), "ab\r\ncd");
    EXPECT_EQ(v.Changes, changes);
    EXPECT_FALSE(v.Store->UndoObj().CanUndo());
}

TEST(RowStore, EveryReplacementTellsTheViewsOnceWithTheChangedRows) {
    TFakeView v, second(nullptr);
    TFakeView other(v.Store);
    v.Lines->SetText("aa\r\nbb\r\ncc\r\ndd");
    v.Records.clear();
    other.Records.clear();
    v.Store->ReplaceRows(1, 1, "BB\r\n");
    ASSERT_EQ(v.Records.size(), 1u);
    EXPECT_EQ(v.Records[0].First, 1);
    EXPECT_EQ(v.Records[0].Old, 1);
    EXPECT_EQ(v.Records[0].New, 1);
    ASSERT_EQ(other.Records.size(), 1u);  // the second view of the same text is told too
    v.Records.clear();
    v.Store->ReplaceRows(1, 2, "x\r\ny\r\nz\r\n");
    ASSERT_EQ(v.Records.size(), 1u);
    EXPECT_EQ(v.Records[0].First, 1);
    EXPECT_EQ(v.Records[0].Old, 2);
    EXPECT_EQ(v.Records[0].New, 3);
    EXPECT_EQ(v.Text(), "aa\r\nx\r\ny\r\nz\r\ndd");
    EXPECT_FALSE(v.Store->IsChanged());  // the record lives only inside the update
    EXPECT_EQ(second.Changes, 0);
}

TEST(RowStore, ReplacingTextWithoutALineBreakJoinsTheNextLine) {
    TFakeView v;
    v.Lines->SetText("ab\r\ncd\r\nef");
    v.Store->ReplaceRows(0, 1, "X");
    EXPECT_EQ(v.Rows(), (Rows{"Xcd|0", "ef|2"}));
    v.Store->ReplaceRows(1, 1, "tail\r\n");  // the last row gets a line break
    EXPECT_EQ(v.Rows(), (Rows{"Xcd|0", "tail|0"}));
    v.Store->ReplaceRows(1, 1, "t");  // and loses it again
    EXPECT_EQ(v.Rows(), (Rows{"Xcd|0", "t|2"}));
    v.Store->ReplaceRows(2, 0, "more");  // text put after a last row without a line break continues it
    EXPECT_EQ(v.Rows(), (Rows{"Xcd|0", "tmore|2"}));
    v.Store->ReplaceRows(0, 1, "q\r");  // a final lone CR is a line break too
    EXPECT_EQ(v.Rows(), (Rows{"q|0", "tmore|2"}));
}

TEST(RowStore, MarksTravelWithTheirRows) {
    struct Case {
        const char* name;
        std::string text;
        int markRow;
        std::function<void(TFakeView&)> edit;
        Rows rows;
        int markedRow;  // -1: the mark is gone
    } cases[] = {
        {"deleting a marked line moves the mark to the next line", "a\r\nb\r\nc\r\n", 1,
         [](TFakeView& v) { v.Store->ReplaceRows(1, 1, ""); }, {"a|0", "c|0"}, 1},
        {"deleting the marked last line moves the mark to the new last row", "a\r\nb\r\nc", 2,
         [](TFakeView& v) { v.Store->ReplaceRows(2, 1, ""); }, {"a|0", "b|0"}, 1},
        {"deleting everything drops the mark", "a\r\nb\r\n", 0,
         [](TFakeView& v) { v.Store->ReplaceRows(0, 2, ""); }, {}, -1},
        {"a line break at column 0 moves the mark down with the text", "a\r\nbc\r\nd\r\n", 1,
         [](TFakeView& v) {
             v.SetCol(0);
             v.Store->ReplaceRows(1, 1, "\r\nbc\r\n");
         },
         {"a|0", "|0", "bc|0", "d|0"}, 2},
        {"a line break in the middle leaves the mark on the upper row", "a\r\nbc\r\nd\r\n", 1,
         [](TFakeView& v) {
             v.SetCol(1);
             v.Store->ReplaceRows(1, 1, "b\r\nc\r\n");
         },
         {"a|0", "b|0", "c|0", "d|0"}, 1},
        {"joining two lines keeps the upper row's mark", "a\r\nb\r\nc\r\n", 0,
         [](TFakeView& v) { v.Store->ReplaceRows(0, 2, "ab\r\n"); }, {"ab|0", "c|0"}, 0},
        {"joining moves the lower row's mark up", "a\r\nb\r\nc\r\n", 1,
         [](TFakeView& v) { v.Store->ReplaceRows(0, 2, "ab\r\n"); }, {"ab|0", "c|0"}, 0},
    };
    for (const auto& c : cases) {
        TFakeView v;
        v.Lines->SetText(c.text);
        v.Store->SetRowMarks(c.markRow, 1 << 3);
        c.edit(v);
        EXPECT_EQ(v.Rows(), c.rows) << c.name;
        int found = -1;
        for (int r = 0; r < v.Store->GetCount(); ++r)
            if (v.Store->RowMarks(r) & (1 << 3)) found = r;
        EXPECT_EQ(found, c.markedRow) << c.name;
        EXPECT_EQ(v.Store->GetMarksInUse(), c.markedRow >= 0 ? (1 << 3) : 0) << c.name;
    }
}

TEST(RowStore, MarksInUseFollowTheRowsExactly) {
    TFakeView v;
    v.Lines->SetText("a\r\nb\r\nc\r\n");
    v.Store->SetRowMarks(0, 1 << 12);
    v.Store->SetRowMarks(2, 1 << 12);
    v.Store->SetRowMarks(0, 0);  // mark 12 is still on row 2
    EXPECT_EQ(v.Store->GetMarksInUse(), 1 << 12);
    v.Store->SetRowMarks(2, 0);
    EXPECT_EQ(v.Store->GetMarksInUse(), 0);
}

TEST(RowStore, LinesCountAndLineToRowWithWrap) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->SetWordWrap(true);
    std::string l45(45, 'a'), l5(5, 'b');
    v.Lines->SetText(l45 + "\r\n" + l5 + "\r\n" + l45);
    EXPECT_EQ(v.Store->GetCount(), 7);
    EXPECT_EQ(v.Lines->Count(), 3);
    EXPECT_EQ(v.Lines->LineToRow(0), 0);
    EXPECT_EQ(v.Lines->LineToRow(1), 3);
    EXPECT_EQ(v.Lines->LineToRow(2), 4);
    EXPECT_EQ(v.Lines->LineToRow(3), 7);
    EXPECT_EQ(ErrorOf([&] { v.Lines->LineToRow(4); }), "EListError:リストのインデックスが範囲を超えています");
    EXPECT_EQ(v.Lines->Get(0), l45);
    EXPECT_EQ(v.Lines->Get(2), l45);
    EXPECT_EQ(v.Store->RowToLine(5), 2);
    EXPECT_EQ(v.Store->LineStart(5), 4);
    EXPECT_EQ(v.Store->LineEnd(4), 6);
    v.Lines->Put(1, l45);
    EXPECT_EQ(v.Store->GetCount(), 9);
    EXPECT_EQ(v.Lines->Get(1), l45);
    EXPECT_EQ(v.Text(), l45 + "\r\n" + l45 + "\r\n" + l45);
    // Appending to a text whose last line is wrapped and has no line break.
    v.Lines->Add("z");
    EXPECT_EQ(v.Lines->Count(), 4);
    EXPECT_EQ(v.Text(), l45 + "\r\n" + l45 + "\r\n" + l45 + "\r\nz");
    EXPECT_EQ(v.Row(), v.Store->GetCount() - 1);
    EXPECT_EQ(v.Col(), 1);
}

TEST(RowStore, LinesSetterWrapsAndClearsUndo) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->SetWordWrap(true);
    v.Lines->Add("x");
    ASSERT_TRUE(v.Store->UndoObj().CanUndo());
    TStringList src;
    src.Add(std::string(30, 'a'));
    src.Add("b");
    v.Store->AssignStrings(src);
    EXPECT_EQ(v.Rows(), (Rows{std::string(20, 'a') + "|1", std::string(10, 'a') + "|0", "b|0"}));
    EXPECT_FALSE(v.Store->UndoObj().CanUndo());
    EXPECT_GE(v.Refreshes, 1);
}

TEST(RowStore, SwitchingWrapKeepsMarksWhereTheirTextStarts) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    std::string l(50, 'a');
    v.Lines->SetText("x\r\n" + l + "\r\ny");
    v.Store->SetRowMarks(1, 1 << 4);
    v.Store->SetRowMarks(2, 1 << 5);
    v.SetCol(1);  // not at the start of the row: the mark stays with "y"
    v.Lines->Add("z");
    v.Store->SetWordWrap(true);
    EXPECT_FALSE(v.Store->UndoObj().CanUndo());
    EXPECT_EQ(v.Rows(), (Rows{"x|0", std::string(20, 'a') + "|1", std::string(20, 'a') + "|1",
                              std::string(10, 'a') + "|0", "y|0", "z|2"}));
    EXPECT_EQ(v.Store->RowMarks(1), 1 << 4);
    EXPECT_EQ(v.Store->RowMarks(4), 1 << 5);
    // Marks on rows that merge go to the line's row.
    v.Store->SetRowMarks(3, 1 << 6);
    v.Store->SetWordWrap(false);
    EXPECT_EQ(v.Rows(), (Rows{"x|0", l + "|0", "y|0", "z|2"}));
    EXPECT_EQ(v.Store->RowMarks(1), (1 << 4) | (1 << 6));
    // Cutting again: a line with fewer new rows than old gives the surplus marks to its last row.
    v.Store->SetWordWrap(true);
    EXPECT_EQ(v.Store->RowMarks(1), (1 << 4) | (1 << 6));
    EXPECT_EQ(v.Store->GetMarksInUse(), (1 << 4) | (1 << 5) | (1 << 6));
}

TEST(RowStore, WrapOptionChangeRewrapsAndClearsUndo) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->SetWordWrap(true);
    v.Lines->SetText(std::string(45, 'a'));
    v.Lines->Add("b");
    v.SetCol(5);
    v.Store->WrapOption().SetWrapByte(30);
    EXPECT_EQ(v.Rows(), (Rows{std::string(30, 'a') + "|1", std::string(15, 'a') + "|0", "b|2"}));
    EXPECT_FALSE(v.Store->UndoObj().CanUndo());
    EXPECT_EQ(v.Col(), 0);
    v.Store->WrapOption().SetFollowRetMark(true);
    v.Lines->SetText(std::string(30, 'a'));
    EXPECT_EQ(v.Rows(), (Rows{std::string(30, 'a') + "|2"}));
}

TEST(RowStore, WrappedLineIsCutAgainFromTheRowAbove) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->WrapOption().SetWordBreak(true);
    v.Store->SetWordWrap(true);
    v.Lines->SetText("aaaa bbbb cccc dddd eeee ffff\r\nnext");
    ASSERT_EQ(v.Rows(), (Rows{"aaaa bbbb cccc dddd |1", "eeee ffff|0", "next|2"}));
    // Deleting "eeee " lets nothing move up; typing at the start of row 1 re-cuts row 0.
    v.Store->ReplaceRows(1, 1, "ffff\r\n");
    EXPECT_EQ(v.Rows(), (Rows{"aaaa bbbb cccc dddd |1", "ffff|0", "next|2"}));
    v.Store->ReplaceRows(1, 1, "X\r\n");
    EXPECT_EQ(v.Rows(), (Rows{"aaaa bbbb cccc dddd |1", "X|0", "next|2"}));
    v.Store->ReplaceRows(1, 1, "XY\r\n");
    // Removing the blank at the end of row 0 joins "dddd" with the next word.
    v.Store->ReplaceRows(0, 1, "aaaa bbbb cccc dddd");
    EXPECT_EQ(v.Rows(), (Rows{"aaaa bbbb cccc |1", "ddddXY|0", "next|2"}));
    // A line exactly as wide as a row gets an empty row after it.
    v.Store->ReplaceRows(1, 1, "ddddX\r\n");
    EXPECT_EQ(v.Rows(), (Rows{"aaaa bbbb cccc ddddX|1", "|0", "next|2"}));
}

TEST(RowStore, AnEditInARowCutsTheRowAboveAgain) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->WrapOption().SetFollowPunctuation(true);
    v.Store->SetWordWrap(true);
    v.Lines->SetText(std::string(20, 'a') + "bcd");
    ASSERT_EQ(v.Rows(), (Rows{std::string(20, 'a') + "|1", "bcd|2"}));
    v.Store->ReplaceRows(1, 1, "。bcd");  // the full stop hangs on the row above
    EXPECT_EQ(v.Rows(), (Rows{std::string(20, 'a') + "。|1", "bcd|2"}));
    v.Store->ReplaceRows(1, 1, "X");
    EXPECT_EQ(v.Rows(), (Rows{std::string(20, 'a') + "。|1", "X|2"}));
    v.Store->ReplaceRows(1, 1, "");  // the line fills its row: an empty row ends it
    EXPECT_EQ(v.Rows(), (Rows{std::string(20, 'a') + "。|1", "|2"}));
    v.Store->ReplaceRows(0, 1, std::string(20, 'a'));  // without the full stop
    EXPECT_EQ(v.Rows(), (Rows{std::string(20, 'a') + "|1", "|2"}));
}

TEST(RowStore, LoadFromFileReadsBlocksAndLineBreaks) {
    std::string big(8191, 'x');
    struct Case {
        const char* name;
        std::string bytes;
        Rows rows;
    } cases[] = {
        {"CR, CR LF and a last line without a break", "a\rb\r\nc", {"a|0", "b|0", "c|2"}},
        {"LF at the end gives no end-of-text row", "a\nb\n", {"a|0", "b|0"}},
        {"LF CR is two breaks", "a\n\rb", {"a|0", "|0", "b|2"}},
        {"Ctrl+Z is data", "a\r\nb\x1A" "c\r\nd", {"a|0", "b\x1A" "c|0", "d|2"}},
        {"Ctrl+Z right after a break and at the end", "a\r\n\x1A" "b\x1A", {"a|0", "\x1A" "b\x1A|2"}},
        {"empty file", "", {}},
        {"CR LF split over the block boundary", big + "\r\nz", {big + "|0", "z|2"}},
        {"CR at the boundary followed by a plain byte", big + "\rz", {big + "|0", "z|2"}},
        {"NUL is data", std::string("a\0b\r\nc\0", 7), {std::string("a\0b|0", 5), std::string("c\0|2", 4)}},
        {"NUL keeps the rest of its block", std::string("x\0", 2) + std::string(9000, 'y') + "\r\n",
         {std::string("x\0", 2) + std::string(9000, 'y') + "|0"}},
        {"a row ending in a lone lead byte", "ab\x81\r\n\x81", {"ab\x81|0", "\x81|2"}},
    };
    for (const auto& c : cases) {
        TFakeView v;
        v.Lines->SetText("old");
        v.Lines->Add("step");
        std::string path = WriteTemp("load.txt", c.bytes);
        v.Store->LoadFromFile(path);
        EXPECT_EQ(v.Rows(), c.rows) << c.name;
        EXPECT_FALSE(v.Store->UndoObj().CanUndo()) << c.name;
        // what was read is what a save writes back (line breaks made CR LF)
        std::string crlf;
        for (size_t i = 0; i < c.bytes.size(); ++i) {
            if (c.bytes[i] == '\r' || c.bytes[i] == '\n') {
                if (c.bytes[i] == '\r' && i + 1 < c.bytes.size() && c.bytes[i + 1] == '\n') ++i;
                crlf += "\r\n";
            } else {
                crlf += c.bytes[i];
            }
        }
        EXPECT_EQ(testutil::Hex(v.Lines->GetText()), testutil::Hex(crlf)) << c.name;
    }
}

TEST(RowStore, LoadFromFileWrapsWhenWrapIsOnAndReportsAMissingFile) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->SetWordWrap(true);
    std::string path = WriteTemp("wrap.txt", std::string(45, 'a') + "\r\nb");
    v.Store->LoadFromFile(path);
    EXPECT_EQ(v.Rows(), (Rows{std::string(20, 'a') + "|1", std::string(20, 'a') + "|1", "aaaaa|0", "b|2"}));
    std::string missing = testutil::TempFolder("rowstore-missing") + "nothing.txt";
    EXPECT_EQ(ErrorOf([&] { v.Store->LoadFromFile(missing); }), "EFOpenError:ファイル " + missing + " を開けません");
    EXPECT_EQ(v.Store->GetCount(), 0);
}

TEST(RowStore, WrapTextAndCountWrappedRows) {
    TFakeView v;
    TEditorStringList l;
    v.Store->WrapText("", l);
    ASSERT_EQ(l.Count(), 1);
    EXPECT_EQ(l.Str(0), "");
    v.Store->WrapText("ab\rcd\r\n", l);
    ASSERT_EQ(l.Count(), 2);
    EXPECT_EQ(l.Str(1), "cd");
    EXPECT_EQ(v.Store->CountWrappedRows(std::string(100, 'a')), 1);
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->SetWordWrap(true);
    v.Store->WrapText(std::string(45, 'a') + "\nz", l);
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l.RowAttribute(0), raWrapped);
    EXPECT_EQ(l.RowAttribute(2), raLineBreak);
    EXPECT_EQ(v.Store->CountWrappedRows(std::string(45, 'a')), 3);
    EXPECT_EQ(v.Store->CountWrappedRows(std::string(19, 'a')), 1);
}

// Row states: typing recomputes rows below only until a stored state equals
// the new one; a bracket opened is carried at most two screens down at once.
TEST(RowStore, RowStatesAreRecomputedIncrementally) {
    auto f = MakeObject<TEditorFountain>();
    auto* b = f->Brackets().Add();
    b->SetLeftBracket("/*");
    b->SetRightBracket("*/");
    TFakeView v;
    v.Fountain = f.get();
    v.Height = 10;
    v.Screen = 50;  // five rows a screen: ten rows are recomputed at once
    std::string text;
    for (int i = 0; i < 40; ++i) text += "row\r\n";
    v.Lines->SetText(text);
    for (int r = 0; r < 40; ++r) ASSERT_EQ(v.Store->BracketIndex(r), r <= 10 ? -1 : -2) << r;
    v.Records.clear();
    v.Store->ReplaceRows(3, 1, "rowx\r\n");
    ASSERT_EQ(v.Records.size(), 1u);
    EXPECT_EQ(v.Records[0].States, 1);  // row 4 still starts with the same state
    v.Records.clear();
    v.Invalidated.clear();
    v.Store->ReplaceRows(3, 1, "/* open\r\n");
    ASSERT_EQ(v.Records.size(), 1u);
    EXPECT_EQ(v.Records[0].States, 11);  // rows 3 .. 13
    EXPECT_EQ(v.Invalidated.size(), 11u);
    EXPECT_EQ(v.Store->BracketIndex(4), 0);
    EXPECT_EQ(v.Store->BracketIndex(13), 0);
    EXPECT_EQ(v.Store->BracketIndex(14), -2);  // left for the painter
    EXPECT_EQ(v.Store->BracketIndex(39), -2);
    // A painter asking for row 20 computes down to it from the last computed row.
    v.Store->UpdateRowStates(20, false);
    EXPECT_EQ(v.Store->BracketIndex(20), 0);
    v.Store->ReplaceRows(5, 1, "*/\r\n");
    EXPECT_EQ(v.Store->BracketIndex(6), -1);
    v.BracketsFull = true;
    v.Store->InitRowStates();
    EXPECT_EQ(v.Store->BracketIndex(39), -1);
}

// Row states far down start from the nearest saved checkpoint: whatever was
// edited, and wherever the walk starts, they equal the states of the same
// text computed from the top.
TEST(RowStore, StatesFromCheckpointsEqualStatesFromTheTop) {
    auto f = MakeObject<TEditorFountain>();
    auto* b = f->Brackets().Add();
    b->SetLeftBracket("/*");
    b->SetRightBracket("*/");
    f->Quotation = "'";
    const std::vector<std::string> pieces = {"select 1", "/* open", "close */", "'str", "end'", "x /* a */ y",
                                             std::string(30, 'w') + "/*" + std::string(30, 'z'), ""};
    auto stateOf = [](const TEditorScreenStrings& s, int r) {
        TRowAttributeData d;
        s.GetRowAttributeData(r, d);
        return std::to_string(d.BracketIndex) + "/" + std::to_string(d.PrevToken) + "/" + std::to_string(d.WrappedByte) +
               "/" + std::to_string(d.UserIndex) + "/" + std::to_string(d.PrevRowAttribute) + "/" + d.DataStr;
    };
    for (bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrapped" : "not wrapped");
        std::mt19937 rng(7);
        TFakeView v;
        v.Fountain = f.get();
        v.Height = 10;
        v.Screen = 50;
        if (wrap) {
            v.Store->WrapOption().SetWrapByte(20);
            v.Store->SetWordWrap(true);
        }
        std::string text;
        for (int i = 0; i < 2000; ++i) text += pieces[rng() % pieces.size()] + "\r\n";
        v.Lines->SetText(text);
        for (int round = 0; round < 24; ++round) {
            const int lines = v.Lines->Count();
            const int at = static_cast<int>(rng() % static_cast<unsigned>(lines));
            const std::string piece = pieces[rng() % pieces.size()];
            switch (round % 3) {
                case 0: v.Lines->Put(at, piece); break;
                case 1: v.Lines->Insert(at, piece); break;
                default: v.Lines->Delete(at); break;
            }
            if (round % 4 == 0)
                while (v.Store->FillStateCheckpoints(300)) {
                }
            TFakeView ref;
            ref.Fountain = f.get();
            ref.BracketsFull = true;
            if (wrap) {
                ref.Store->WrapOption().SetWrapByte(20);
                ref.Store->SetWordWrap(true);
            }
            ref.Lines->SetText(v.Lines->GetText());
            ASSERT_EQ(ref.Store->GetCount(), v.Store->GetCount());
            const int n = v.Store->GetCount();
            for (int k = 0; k < 6; ++k) {
                const int r = static_cast<int>(rng() % static_cast<unsigned>(n));
                v.Store->UpdateRowStates(r, false);
                ASSERT_EQ(stateOf(*v.Store, r), stateOf(*ref.Store, r)) << "round " << round << " row " << r;
            }
        }
    }
    // an edit keeps the checkpoints above it and drops those after it
    TFakeView v;
    v.Fountain = f.get();
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "row\r\n";
    v.Lines->SetText(text);
    while (v.Store->FillStateCheckpoints(100)) {
    }
    EXPECT_EQ(v.Store->StateCheckpointCount(), 4);  // rows 0, 256, 512, 768
    v.Lines->Put(600, "/* open");
    EXPECT_EQ(v.Store->StateCheckpointCount(), 3);
    v.Store->UpdateRowStates(900, false);
    EXPECT_EQ(v.Store->BracketIndex(900), 0);
    EXPECT_EQ(v.Store->StateCheckpointCount(), 4);
    f->Brackets().Clear();
    v.Store->InitRowStates();
    EXPECT_EQ(v.Store->StateCheckpointCount(), 1);
}

TEST(RowStore, LinesStoredFormIsOneStringPerLogicalLine) {
    TFakeView v;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->SetWordWrap(true);
    v.Lines->SetText(std::string(30, 'a') + "\r\nb");
    TStringList out;
    EXPECT_TRUE(v.Lines->ShouldWriteStrings(nullptr));
    v.Lines->WriteStrings(out);
    EXPECT_EQ(out.Items, (std::vector<std::string>{std::string(30, 'a'), "b"}));
    TFakeView same;
    same.Lines->SetText(std::string(30, 'a') + "\r\nb");
    EXPECT_FALSE(v.Lines->ShouldWriteStrings(same.Lines.get()));
    TFakeView empty;
    EXPECT_FALSE(empty.Lines->ShouldWriteStrings(nullptr));
    // Reading puts each string in as one row ending in a line break; the view's Loaded wraps.
    TFakeView loading;
    loading.IsLoading = true;
    loading.Store->SetWordWrap(true);
    loading.Lines->ReadStrings(out);
    EXPECT_EQ(loading.Rows(), (Rows{std::string(30, 'a') + "|0", "b|0"}));
}

TEST(RowStore, LinesUpdatesHoldTheCaretAndTheWindowsRedraw) {
    struct Recorder : TFakeView {
        std::vector<std::string> Calls;
        void SetRedraw(bool v) override { Calls.push_back(v ? "redraw on" : "redraw off"); }
        void Refresh() override { Calls.push_back("refresh"); }
        void UpdateCaret() override { Calls.push_back("update caret"); }
    } v;
    v.IsVisible = true;
    v.Lines->BeginUpdate();
    v.Lines->BeginUpdate();
    v.Lines->Add("a");
    v.Lines->EndUpdate();
    EXPECT_EQ(v.Calls, (std::vector<std::string>{"redraw off"}));
    EXPECT_GT(v.CaretDepth, 0);
    v.Lines->EndUpdate();
    EXPECT_EQ(v.Calls, (std::vector<std::string>{"redraw off", "update caret", "redraw on", "refresh"}));
    EXPECT_EQ(v.CaretDepth, 0);
    EXPECT_EQ(v.Text(), "a\r\n");
}

TEST(RowStore, ANewTabWidthCutsTheRowsAgain) {
    TFakeView v;
    v.Tab = 8;
    v.Store->WrapOption().SetWrapByte(20);
    v.Store->SetWordWrap(true);
    v.Lines->SetText("\t\tabcdef\r\nx");  // 16 + 6 columns with tabs of 8
    ASSERT_EQ(v.Rows(), (Rows{"\t\tabcd|1", "ef|0", "x|2"}));
    v.Lines->Add("y");
    v.Tab = 4;
    v.Store->ViewMetricsChanged();
    EXPECT_EQ(v.Rows(), (Rows{"\t\tabcdef|0", "x|0", "y|2"}));
    EXPECT_FALSE(v.Store->UndoObj().CanUndo());
}

// A NUL byte in inserted text is data: nothing after it is lost.
TEST(RowStore, InsertedTextHoldingANulKeepsTheRestOfTheRow) {
    for (bool wrap : {false, true}) {
        TFakeView v;
        v.Store->SetWordWrap(wrap);
        v.Lines->SetText("abcdef\r\nnext");
        v.Store->ReplaceRows(0, 1, 3, 0, std::string("X\0Y", 3));
        EXPECT_EQ(v.Text(), std::string("abcX\0Ydef\r\nnext", 15)) << wrap;
        v.Store->ReplaceRows(0, 1, std::string("1\0" "2\r\n3\0", 7) + "\r\n");
        EXPECT_EQ(v.Rows(), (Rows{std::string("1\0" "2|0", 5), std::string("3\0|0", 4), "next|2"})) << wrap;
        v.Store->Undo();
        v.Store->Undo();
        EXPECT_EQ(v.Text(), "abcdef\r\nnext") << wrap;
    }
}

// Rows replaced by the rows of a list: text, attribute, Value and DataStr come
// from the list, no carried state is taken (the rows read as not computed),
// and the marks move with the text as many old rows as there are new ones, the
// surplus old rows' marks going to the first new row, or (more new rows) the
// first old row's marks to the row its text moved down to when the caret
// stood at column 0.
TEST(RowStore, ReplaceRowsFromListTakesTheListsRowsAndMovesTheMarks) {
    struct Case {
        const char* name;
        int index, count;
        std::vector<std::string> list;
        int col;
        std::vector<std::string> rows;
        std::vector<uint16_t> marks;  // of every row after the replacement
    };
    // rows a .. e carry marks 1 .. 5 (row i has mark i + 1)
    const Case cases[] = {
        {"fewer rows", 1, 3, {"X"}, 0, {"a|0", "X|1", "e|0"}, {1 << 1, (1 << 2) | (1 << 3) | (1 << 4), 1 << 5}},
        {"as many", 1, 2, {"X", "Y"}, 0, {"a|0", "X|1", "Y|1", "d|0", "e|0"},
         {1 << 1, 1 << 2, 1 << 3, 1 << 4, 1 << 5}},
        {"more rows, caret inside", 1, 2, {"X", "Y", "Z"}, 3, {"a|0", "X|1", "Y|1", "Z|1", "d|0", "e|0"},
         {1 << 1, 1 << 2, 0, 1 << 3, 1 << 4, 1 << 5}},
        {"more rows, caret at column 0", 1, 2, {"X", "Y", "Z"}, 0, {"a|0", "X|1", "Y|1", "Z|1", "d|0", "e|0"},
         {1 << 1, 0, 1 << 2, 1 << 3, 1 << 4, 1 << 5}},
        {"none", 1, 3, {}, 0, {"a|0", "e|0"}, {1 << 1, 1 << 5}},
        {"outside the rows", 4, 2, {"X"}, 0, {"a|0", "b|0", "c|0", "d|0", "e|0"},
         {1 << 1, 1 << 2, 1 << 3, 1 << 4, 1 << 5}},
    };
    auto f = MakeObject<TEditorFountain>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeView v;
        v.Fountain = f.get();
        v.BracketsFull = true;
        v.Lines->SetText("a\r\nb\r\nc\r\nd\r\ne\r\n");
        for (int r = 0; r < 5; ++r) v.Store->SetRowMarks(r, static_cast<uint16_t>(1u << (r + 1)));
        ASSERT_EQ(v.Store->BracketIndex(2), -1);  // computed
        TEditorStringList list;
        for (size_t k = 0; k < c.list.size(); ++k) {
            int i = list.Add(c.list[k]);
            list.SetRowAttribute(i, raWrapped);
            list.SetValue(i, 10 + static_cast<int>(k));
            list.SetDataStr(i, "s" + std::to_string(k));
            list.SetBracketIndex(i, 3);  // a state of the list's own: not taken
            list.SetRowMarks(i, 1u << 15);  // marks of the list: not taken
        }
        v.FCol = c.col;
        v.Store->ReplaceRowsFromList(c.index, c.count, list);
        EXPECT_EQ(v.Rows(), c.rows);
        ASSERT_EQ(v.Store->GetCount(), static_cast<int>(c.marks.size()));
        for (int r = 0; r < v.Store->GetCount(); ++r) EXPECT_EQ(v.Store->RowMarks(r), c.marks[static_cast<size_t>(r)]) << r;
        if (std::string(c.name) == "outside the rows") continue;
        for (size_t k = 0; k < c.list.size(); ++k) {
            const int r = c.index + static_cast<int>(k);
            EXPECT_EQ(v.Store->Value(r), 10 + static_cast<int>(k));
            EXPECT_EQ(v.Store->DataStr(r), "s" + std::to_string(k));
            EXPECT_EQ(v.Store->BracketIndex(r), -2);  // not computed
        }
        EXPECT_EQ(v.Store->GetMarksInUse() & (1u << 15), 0u);
    }
}

// Text added after the last line break (as a result page adds its output)
// makes the rows the whole text would have, in one change the views are told
// of, as one undo step, the marks and carried states as they would be.
TEST(RowStore, TextAddedAtTheEndMakesTheRowsOfTheWholeText) {
    struct Case {
        const char* name;
        std::string start, added;
    };
    const Case cases[] = {
        {"into an empty text", "", "a\r\nbb\r\n"},
        {"after a line break", "x\r\n", "a\r\nbb\r\n"},
        {"last line without a break", "x\r\n", "a\r\nbb"},
        {"CR, LF and empty lines", "x\r\n", "a\rb\nc\r\n\r\n\r\nd\r"},
        {"a NUL is data", "x\r\n", std::string("a\0b\r\n\0\r\n", 8)},
        {"brackets open over the lines", "(\r\n", "a ( b\r\n) c\r\n)\r\n"},
    };
    auto f = MakeObject<TEditorFountain>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeView whole;
        whole.Fountain = f.get();
        whole.BracketsFull = true;
        whole.Lines->SetText(c.start + c.added);
        TFakeView v;
        v.Fountain = f.get();
        v.BracketsFull = true;
        v.Lines->SetText(c.start);
        const int n = v.Store->GetCount();
        if (n > 0) v.Store->SetRowMarks(n - 1, 1 << 4);
        v.Records.clear();
        v.Store->ReplaceRows(n, 0, c.added);
        EXPECT_EQ(v.Rows(), whole.Rows());
        ASSERT_EQ(v.Records.size(), 1u);
        EXPECT_EQ(v.Records[0].First, n);
        EXPECT_EQ(v.Records[0].Old, 0);
        EXPECT_EQ(v.Records[0].New, whole.Store->GetCount() - n);
        for (int r = 0; r < v.Store->GetCount(); ++r) {
            EXPECT_EQ(v.Store->BracketIndex(r), whole.Store->BracketIndex(r)) << r;
            EXPECT_EQ(v.Store->RowMarks(r), r == n - 1 ? 1 << 4 : 0) << r;
        }
        v.Store->Undo();
        EXPECT_EQ(v.Text(), c.start);
        if (n > 0) {
            EXPECT_EQ(v.Store->RowMarks(n - 1), 1 << 4);
        }
        v.Store->Redo();
        EXPECT_EQ(v.Text(), whole.Text());  // line breaks as the rows keep them: CR LF
        EXPECT_EQ(v.Rows(), whole.Rows());
    }
}
