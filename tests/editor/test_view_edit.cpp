// Edit operations: columns and byte offsets, inserting and replacing text,
// indenting the selected rows, the token under a point, row marks and the
// chunked search.
#include "ViewTestUtil.h"

using namespace viewtest;

class EditOps : public ViewFixture {};

TEST_F(EditOps, ColumnsBytesAndOffsets) {
    E->Caret().SetTabSpaceCount(4);
    SetText("\tx\r\n\x82\xa0z\r\nab");
    EXPECT_EQ(E->ColumnCodes("\tx"), "23331");
    EXPECT_EQ(E->ColToIndex(0, 2), 0);
    EXPECT_EQ(E->ColToIndex(0, 4), 1);
    EXPECT_EQ(E->RowEndCol(0), 5);
    EXPECT_EQ(E->RowEndCol(7), 0);
    const std::string codes = E->ColumnCodes("\x82\xa0");
    EXPECT_EQ(codes, "45");
    EXPECT_EQ(TEditor::BoxStartIndex(codes, 2), 3);  // after the character it cuts
    EXPECT_EQ(TEditor::BoxEndIndex(codes, 1), 2);    // the character taken whole
    EXPECT_EQ(E->OffsetFromRow(0, 2, 1), 4 + 5 + 1);
    EXPECT_EQ(E->GetTextLength(), 4 + 5 + 2);
    EXPECT_EQ(E->ExpandTabs("a\tb"), "a   b");
    EXPECT_EQ(E->IndentColumn("  \x81\x40x"), 4);
    EXPECT_EQ(E->IndentColumn(""), -1);
    EXPECT_EQ(E->LeadingBlankWidth("\t x"), 0);
    // an offset just after a line break: column 0 of the next row; inside it: the row's end
    E->SetCaretByOffset(0, 4);
    EXPECT_EQ(E->Row(), 1);
    EXPECT_EQ(E->Col(), 0);
    E->SetCaretByOffset(0, 3);
    EXPECT_EQ(E->Row(), 0);
    EXPECT_EQ(E->Col(), 5);
}

TEST_F(EditOps, InsertingAndReplacing) {
    ShowFocused();
    SetText("12345");
    E->SetRowCol(0, 10);
    E->InsertText("x");
    EXPECT_EQ(Text(), "12345     x");
    EXPECT_EQ(E->Col(), 11);
    // a text with line breaks splits the row; the caret ends after it
    E->SetRowCol(0, 2);
    E->SetSelTextBuf("a\r\nbc\r\nd");
    EXPECT_EQ(Text(), "12a\r\nbc\r\nd345     x");
    EXPECT_EQ(E->Row(), 2);
    EXPECT_EQ(E->Col(), 1);
    // an empty text deletes the selection
    E->EmSetSel(0, 5);
    E->SetSelTextBuf("");
    EXPECT_EQ(Text(), "bc\r\nd345     x");
    // typing into an empty text, undo and redo
    SetText("");
    E->InsertText("q");
    E->Undo();
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(E->Row(), 0);
    EXPECT_EQ(E->Col(), 0);
    E->Redo();
    EXPECT_EQ(Text(), "q");
    EXPECT_EQ(E->Col(), 1);
}

TEST_F(EditOps, DeletingASelectionOverThreeRows) {
    ShowFocused();
    SetText("abcd\r\nefgh\r\nijkl\r\n");
    E->EmSetSel(2, 14);
    EXPECT_EQ(E->GetSelText(), "cd\r\nefgh\r\nij");
    E->DeleteSelection();
    EXPECT_EQ(Text(), "abkl\r\n");
    EXPECT_EQ(E->Row(), 0);
    EXPECT_EQ(E->Col(), 2);
}

TEST_F(EditOps, IndentAndUnindentSelectedRows) {
    ShowFocused();
    SetText("r0\r\nr1\r\nr2\r\nr3\r\nr4\r\nr5\r\nr6\r\n");
    E->Caret().SoftTab = true;
    // rows 3 to 5, the selection ending at column 0 of row 6
    E->SetRowCol(3, 0);
    E->StartSelection();
    E->SetRowCol(6, 0);
    E->ExtendSelection();
    E->SelIndent();
    EXPECT_EQ(Text(), "r0\r\nr1\r\nr2\r\n\tr3\r\n\tr4\r\n\tr5\r\nr6\r\n");
    EXPECT_TRUE(E->GetSelected());
    // the selection stays on the same text
    EXPECT_EQ(E->GetSelText(), "r3\r\n\tr4\r\n\tr5\r\n");
    E->SelUnIndent();
    EXPECT_EQ(Text(), "r0\r\nr1\r\nr2\r\nr3\r\nr4\r\nr5\r\nr6\r\n");
    // leading blanks are not taken
    SetText("  a\r\n\tb\r\n");
    E->SetRowCol(0, 0);
    E->StartSelection();
    E->SetRowCol(1, 9);
    E->ExtendSelection();
    E->SelUnIndent();
    EXPECT_EQ(Text(), "  a\r\nb\r\n");
}

TEST_F(EditOps, IndentLeavesWrappedRowsAlone) {
    ShowFocused();
    E->WrapOption().SetWrapByte(20);
    E->SetWordWrap(true);
    SetText("short\r\n" + std::string(30, 'w') + "\r\nend\r\n");
    E->EmSetSel(0, E->GetTextLength());
    E->SelIndent();
    EXPECT_EQ(Text(), "\tshort\r\n" + std::string(30, 'w') + "\r\n\tend\r\n");
}

TEST_F(EditOps, TokenUnderAPoint) {
    ShowFocused();
    SetText("select col1 from t");
    std::string token;
    int kind = -1;
    E->GetTokenFromPos({Cell(E.get(), 0, 8).x(), Cell(E.get(), 0, 8).y()}, true, token, false, kind);
    EXPECT_EQ(token, "col1");
    EXPECT_EQ(kind, 11);
    E->GetTokenFromPos({Cell(E.get(), 0, 30).x(), Cell(E.get(), 0, 30).y()}, true, token, false, kind);
    EXPECT_EQ(token, "");
    EXPECT_EQ(kind, 0);
    E->GetTokenFromPos({Cell(E.get(), 0, 2).x(), Cell(E.get(), 0, 2).y()}, false, token, false, kind);
    EXPECT_EQ(token, "select");
    E->SelectTokenFromPos({Cell(E.get(), 0, 13).x(), Cell(E.get(), 0, 13).y()});
    EXPECT_EQ(E->GetSelText(), "from");
}

TEST_F(EditOps, NumberedRowMarksLiveOnOneRow) {
    ShowFocused(300, 120);
    std::string t;
    for (int i = 0; i < 60; ++i) t += "line\r\n";
    SetText(t);
    E->PutRowMark(2, 3);
    E->PutRowMark(7, 3);
    EXPECT_EQ(E->GetRowMarks(2), 0u);
    EXPECT_EQ(E->GetRowMarks(7), 1u << 3);
    E->PutRowMark(40, 3);
    E->PutRowMark(41, 12);
    E->PutRowMark(42, 12);  // marks 10 to 15 are not moved
    EXPECT_EQ(E->GetRowMarks(41), 1u << 12);
    E->SetRowCol(0, 0);
    E->GotoRowMark(3);
    EXPECT_EQ(E->Row(), 40);
    EXPECT_EQ(E->TopRow(), 40 - E->VisibleRows() / 2);
    E->DelRowMark(40, 3);
    EXPECT_EQ(E->GetRowMarks(40), 0u);
    E->SetRowCol(0, 0);
    E->GotoRowMark(3);
    EXPECT_EQ(E->Row(), 0);
    EXPECT_EQ(E->GetRowMarks(999), 0u);
}

namespace {
struct SearchHook {
    TSearchTextProc Old = EditorSearchTextProc;
    SearchHook() { EditorSearchTextProc = &viewtest::PlainSearch; }
    ~SearchHook() { EditorSearchTextProc = Old; }
};
}  // namespace

TEST_F(EditOps, SearchGoesOverChunks) {
    ShowFocused();
    SearchHook hook;
    // rows of 88 bytes: the first chunk ends with row 91, where the match begins
    std::string t;
    for (int i = 0; i < 120; ++i) {
        std::string row(88, static_cast<char>('a' + i % 20));
        if (i == 91) row.replace(86, 2, "XY");
        if (i == 92) row[0] = 'Z';
        t += row + "\r\n";
    }
    SetText(t);
    E->SetRowCol(0, 0);
    EXPECT_TRUE(E->Search("XY\r\nZ", soForward));
    EXPECT_EQ(E->GetSelText(), "XY\r\nZ");
    EXPECT_EQ(E->SelStr().StartRow, 91);
    EXPECT_EQ(E->SelStr().StartIndex, 86);
    // the next search starts after the match and finds nothing
    EXPECT_FALSE(E->Search("XY\r\nZ", soForward));
    EXPECT_EQ(E->SelStr().StartRow, 91);
    // backward from the position after the final line break
    E->CleanSelection();
    E->SetRowCol(120, 0);
    EXPECT_TRUE(E->Search(std::string(2, static_cast<char>('a' + 119 % 20)) + "\r\n", 0));
    EXPECT_EQ(E->SelStr().StartRow, 119);
    EXPECT_EQ(E->SelStr().StartIndex, 86);
    EXPECT_TRUE(E->Search("XY", 0));
    EXPECT_EQ(E->SelStr().StartRow, 91);
    EXPECT_FALSE(E->Search("nothing", soForward));
    // a hit drawn in the hit colours is not a selection until confirmed
    E->CleanSelection();
    E->SetRowCol(0, 0);
    E->SetHitStyle(hsDraw);
    EXPECT_TRUE(E->Search("XY", soForward));
    EXPECT_EQ(E->SelState(), 3);
    EXPECT_FALSE(E->GetSelected());
    E->ConfirmSelection();
    EXPECT_TRUE(E->GetSelected());
    EXPECT_EQ(E->GetSelText(), "XY");
}
