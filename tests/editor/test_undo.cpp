#include <gtest/gtest.h>

#include <string>

#include "FakeView.h"
#include "FileSystem.h"
#include "StringList.h"
#include "TestUtil.h"

using Rows = std::vector<std::string>;

namespace {

// Types text at the caret of view v the way the editor does: the caret row is
// replaced by its text with the insertion, then the caret is put after it.
void Type(TFakeView& v, const std::string& s) {
    auto& st = *v.Store;
    v.CaretBeginUpdate();
    if (v.Row() >= st.GetCount()) {
        int at = st.GetCount();
        st.ReplaceRows(at, 0, s);
        v.SetCaretByOffset(at, static_cast<int>(s.size()));
    } else {
        std::string t(st.Str(v.Row()));
        int b = std::min<int>(v.Col(), static_cast<int>(t.size()));
        std::string brk = st.RowAttribute(v.Row()) == raLineBreak ? "\r\n" : "";
        int a = std::max(st.LineStart(v.Row()), v.Row() - 1);
        int target = 0;
        for (int r = a; r < v.Row(); ++r) target += static_cast<int>(st.Str(r).size());
        target += b + static_cast<int>(s.size());
        st.ReplaceRows(v.Row(), 1, t.substr(0, static_cast<size_t>(b)) + s + t.substr(static_cast<size_t>(b)) + brk);
        v.SetCaretByOffset(a, target);
    }
    v.CaretEndUpdate();
}

}  // namespace

TEST(Undo, TypingInAnEmptyTextUndoesAndRedoes) {
    TFakeView v;
    Type(v, "a");
    EXPECT_EQ(v.Text(), "a");
    EXPECT_EQ(v.Col(), 1);
    v.Store->Undo();
    EXPECT_EQ(v.Text(), "");
    EXPECT_EQ(v.Store->GetCount(), 0);
    EXPECT_EQ(v.Row(), 0);
    EXPECT_EQ(v.Col(), 0);
    EXPECT_TRUE(v.Store->UndoObj().CanRedo());
    v.Store->Redo();
    EXPECT_EQ(v.Text(), "a");
    EXPECT_EQ(v.Row(), 0);
    EXPECT_EQ(v.Col(), 1);
    EXPECT_FALSE(v.Store->UndoObj().CanRedo());
    EXPECT_TRUE(v.Store->UndoObj().CanUndo());
}

TEST(Undo, UndoListMaxKeepsTheNewestSteps) {
    TFakeView v;
    auto& u = v.Store->UndoObj();
    u.SetUndoListMax(10);
    EXPECT_EQ(u.UndoListMax(), 64);
    u.SetUndoListMax(100);
    EXPECT_EQ(u.UndoListMax(), 100);
    u.SetUndoListMax(64);
    v.Lines->SetText("x");
    v.SetCol(1);
    for (int i = 0; i < 65; ++i) Type(v, "a");
    EXPECT_EQ(u.UndoList.Count(), 64);
    int undone = 0;
    while (u.CanUndo()) {
        v.Store->Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 64);
    EXPECT_EQ(v.Text(), "xa");  // the first edit can no longer be undone
    EXPECT_EQ(u.RedoList.Count(), 64);
}

TEST(Undo, AnEditEmptiesRedoAndARedoDoesNot) {
    TFakeView v;
    v.Lines->SetText("abc");
    v.SetCol(3);
    Type(v, "1");
    Type(v, "2");
    v.Store->Undo();
    v.Store->Undo();
    EXPECT_EQ(v.Store->UndoObj().RedoList.Count(), 2);
    v.Store->Redo();
    EXPECT_EQ(v.Store->UndoObj().RedoList.Count(), 1);
    EXPECT_EQ(v.Text(), "abc1");
    Type(v, "x");
    EXPECT_FALSE(v.Store->UndoObj().CanRedo());
    EXPECT_EQ(v.Text(), "abc1x");
}

TEST(Undo, ADeletedMarkedLineComesBackWithoutItsMark) {
    TFakeView v;
    v.Lines->SetText("a\r\nb\r\nc\r\n");
    v.Store->SetRowMarks(1, 1 << 2);
    v.Lines->Delete(1);
    EXPECT_EQ(v.Store->RowMarks(1), 1 << 2);  // "c" received it
    v.Store->Undo();
    EXPECT_EQ(v.Text(), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(v.Store->RowMarks(1), 0);
    EXPECT_EQ(v.Store->RowMarks(2), 1 << 2);  // still on "c"
    v.Store->Redo();
    EXPECT_EQ(v.Text(), "a\r\nc\r\n");
    EXPECT_EQ(v.Store->RowMarks(1), 1 << 2);
}

TEST(Undo, IsSharedByTheViewsOfOneText) {
    TFakeView first;
    TFakeView second(first.Store);
    first.Lines->SetText("abc\r\ndef\r\n");
    first.IsFocused = true;
    first.SetRow(1);
    first.SetCol(2);
    Type(first, "X");
    EXPECT_EQ(first.Text(), "abc\r\ndeXf\r\n");
    first.IsFocused = false;
    second.IsFocused = true;
    second.SetRow(0);
    second.SetCol(0);
    EXPECT_TRUE(second.Store->UndoObj().CanUndo());
    second.Store->Undo();
    EXPECT_EQ(second.Text(), "abc\r\ndef\r\n");
    EXPECT_EQ(second.Row(), 1);  // the focused view's caret goes to the recorded place
    EXPECT_EQ(second.Col(), 2);
    EXPECT_EQ(first.Row(), 1);
    EXPECT_EQ(first.Col(), 3);  // the other view's caret stays
}

TEST(Undo, WholeTextChangesClearTheLists) {
    struct Case {
        const char* name;
        std::function<void(TFakeView&)> change;
    } cases[] = {
        {"Lines.Text", [](TFakeView& v) { v.Lines->SetText("new"); }},
        {"Lines.Clear", [](TFakeView& v) { v.Lines->Clear(); }},
        {"Lines setter", [](TFakeView& v) { v.Store->AssignStrings(TStringList("q")); }},
        {"WordWrap", [](TFakeView& v) { v.Store->SetWordWrap(true); }},
        {"wrap option with wrap on", [](TFakeView& v) { v.Store->WrapOption().SetWrapByte(40); }},
        {"load", [](TFakeView& v) {
             std::string path = testutil::TempFolder("undo") + "f.txt";
             fs932::WriteFileAtomic(path, "x");
             v.Store->LoadFromFile(path);
         }},
    };
    for (const auto& c : cases) {
        TFakeView v;
        if (std::string(c.name) == "wrap option with wrap on") v.Store->SetWordWrap(true);
        v.Lines->SetText("abc");
        v.SetCol(3);
        Type(v, "1");
        Type(v, "2");
        v.Store->Undo();
        ASSERT_TRUE(v.Store->UndoObj().CanUndo());
        ASSERT_TRUE(v.Store->UndoObj().CanRedo());
        c.change(v);
        EXPECT_FALSE(v.Store->UndoObj().CanUndo()) << c.name;
        EXPECT_FALSE(v.Store->UndoObj().CanRedo()) << c.name;
    }
}

TEST(Undo, WrapOptionChangeWithoutWrapKeepsTheLists) {
    TFakeView v;
    v.Lines->SetText("abc");
    v.SetCol(3);
    Type(v, "1");
    v.Store->WrapOption().SetWrapByte(40);
    EXPECT_TRUE(v.Store->UndoObj().CanUndo());
}

// A change of a few bytes in a long row keeps only those bytes in the step.
TEST(Undo, TypingIntoALongRowRecordsOnlyTheBytesTyped) {
    for (bool wrap : {false, true}) {
        TFakeView v;
        v.Store->WrapOption().SetWrapByte(20);
        v.Store->SetWordWrap(wrap);
        std::string line;
        for (int i = 0; i < 2000; ++i) line += "漢a ";
        v.Lines->SetText(line + "\r\nnext");
        std::string before = v.Text();
        int row = v.Store->GetCount() / 2;
        v.SetRow(row);
        v.SetCol(2);
        Type(v, "X");
        auto& rec = v.Store->UndoObj().UndoList.Last();
        EXPECT_LE(rec.Text.size(), 2u) << wrap;
        std::string after = v.Text();
        EXPECT_EQ(after.size(), before.size() + 1);
        v.Store->Undo();
        EXPECT_EQ(v.Text(), before) << wrap;
        v.Store->Redo();
        EXPECT_EQ(v.Text(), after) << wrap;
    }
}
