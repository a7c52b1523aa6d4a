// Selections, the clipboard (normal and box, with the box marker format) and
// dragging a selection to move or copy it.
#include "ViewTestUtil.h"

using namespace viewtest;

class Clipboard : public ViewFixture {
protected:
    void Select(int r1, int c1, int r2, int c2) {
        E->CleanSelection();
        E->SetRowCol(r1, c1);
        E->StartSelection();
        E->SetRowCol(r2, c2);
        E->ExtendSelection();
    }
};

TEST_F(Clipboard, NormalCopyAndPaste) {
    ShowFocused();
    SetText("abc\r\ndef\r\nghi");
    Select(0, 1, 1, 2);
    E->CopyToClipboard();
    EXPECT_EQ(ClipText(), "bc\r\nde");
    EXPECT_FALSE(ClipIsBox());
    E->CleanSelection();
    E->SetRowCol(2, 3);
    E->PasteFromClipboard();
    EXPECT_EQ(Text(), "abc\r\ndef\r\nghibc\r\nde");
    EXPECT_EQ(E->Row(), 3);
    EXPECT_EQ(E->Col(), 2);
    // cut takes the text out; the caret stays at the selection's start
    Select(0, 1, 1, 2);
    E->CutToClipboard();
    EXPECT_EQ(Text(), "af\r\nghibc\r\nde");
    EXPECT_EQ(E->Row(), 0);
    EXPECT_EQ(E->Col(), 1);
}

TEST_F(Clipboard, TextFromOtherProgramsGetsCrLf) {
    ShowFocused();
    SetText("xy");
    E->SetRowCol(0, 1);
    SetClip(QString::fromUtf8(u8"一\n二\n"));
    E->PasteFromClipboard();
    EXPECT_EQ(Text(), "x一\r\n二\r\ny");
    EXPECT_EQ(E->Row(), 2);
    EXPECT_EQ(E->Col(), 0);
}

TEST_F(Clipboard, BoxCopyCarriesTheMarkerAndPastesAsABox) {
    ShowFocused();
    SetText("12345\r\nabcde\r\nvwxyz");
    E->SetSelectionMode(true);
    Select(0, 1, 2, 3);
    EXPECT_EQ(E->GetSelText(), "23\r\nbc\r\nwx\r\n");
    EXPECT_EQ(E->GetSelLength(), 12);
    E->CopyToClipboard();
    EXPECT_EQ(ClipText(), "23\r\nbc\r\nwx\r\n");
    EXPECT_TRUE(ClipIsBox());
    E->CleanSelection();
    E->SetSelectionMode(false);
    E->SetRowCol(1, 5);
    E->PasteFromClipboard();
    EXPECT_EQ(Text(), "12345\r\nabcde23\r\nvwxyzbc\r\n     wx\r\n");
    // the same text from another program pastes as ordinary text
    SetClip(QStringLiteral("23\r\nbc\r\n"));
    SetText("12");
    E->SetRowCol(0, 1);
    E->PasteFromClipboard();
    EXPECT_EQ(Text(), "123\r\nbc\r\n2");
}

TEST_F(Clipboard, BoxEdgesOnDoubleByteCharacters) {
    ShowFocused();
    // a box from the second half of "あ" leaves it out; one ending on its first half takes it
    SetText("a\x82\xa0" "bc\r\n" "xyz\x82\xa2");
    E->SetSelectionMode(true);
    Select(1, 2, 0, 4);
    EXPECT_EQ(E->GetSelText(), "b\r\nz\x82\xa2\r\n");
    // deleting the box leaves the characters reaching in from the left
    E->DeleteSelection();
    EXPECT_EQ(Text(), "a\x82\xa0" "c\r\n" "xy");
}

TEST_F(Clipboard, BoxPasteAtColumnTwo) {
    ShowFocused();
    SetText("12345\r\n1");
    E->SetRowCol(0, 2);
    E->PasteBox("ab\r\ncd\r\n");
    EXPECT_EQ(Text(), "12ab345\r\n1 cd\r\n");
    // more lines than rows below: new rows indented to the box column
    SetText("xx");
    E->SetRowCol(0, 1);
    E->PasteBox("1\r\n2\r\n3");
    EXPECT_EQ(Text(), "x1x\r\n 2\r\n 3\r\n");
    EXPECT_EQ(E->Row(), 2);
    EXPECT_EQ(E->Col(), 2);
}

TEST_F(Clipboard, CopyWithoutSelectionLeavesTheClipboardButTheMessageEmptiesIt) {
    ShowFocused();
    SetText("abc");
    SetClip(QStringLiteral("keep"));
    E->CopyToClipboard();
    EXPECT_EQ(ClipText(), "keep");
    E->WmCopy();
    EXPECT_EQ(ClipText(), "");
    SetClip(QStringLiteral("keep"));
    E->SetReadOnly(true);
    Select(0, 0, 0, 2);
    E->WmCut();
    EXPECT_EQ(ClipText(), "");
    EXPECT_EQ(Text(), "abc");
}

TEST_F(Clipboard, PasteAndClearMessagesRespectReadOnly) {
    ShowFocused();
    struct Case {
        const char* Name;
        bool ReadOnly;
        void (TEditor::*Message)();
        std::string Expect;
    } cases[] = {
        {"paste replaces the selection", false, &TEditor::WmPaste, "axyd"},
        {"clear deletes it", false, &TEditor::WmClear, "ad"},
        {"read-only: paste does nothing", true, &TEditor::WmPaste, "abcd"},
        {"read-only: clear does nothing", true, &TEditor::WmClear, "abcd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        E->SetReadOnly(false);
        SetText("abcd");
        SetClip(QStringLiteral("xy"));
        Select(0, 1, 0, 3);
        E->SetReadOnly(c.ReadOnly);
        (E.get()->*c.Message)();
        EXPECT_EQ(Text(), c.Expect);
    }
}

TEST_F(Clipboard, SelectionEndingBeyondTheRowIsDrawnToTheRowEnd) {
    ShowFocused();
    SetText("ab\r\nabcdef");
    Select(0, 0, 0, 5);
    EXPECT_EQ(E->SelDraw().EndCol, 2);
    EXPECT_EQ(E->GetSelText(), "ab");
    E->SetSelectionMode(true);
    EXPECT_EQ(E->SelDraw().EndCol, 5);
}

TEST_F(Clipboard, MouseSelectsOnlyPastHalfAColumn) {
    ShowFocused();
    SetText("abcdef\r\nghijkl");
    QPoint p = Cell(E.get(), 0, 1, -E->ColWidth() / 2 + 1);
    Mouse(E.get(), QEvent::MouseButtonPress, p);
    Mouse(E.get(), QEvent::MouseMove, p + QPoint(1, 0), Qt::LeftButton);
    EXPECT_FALSE(E->GetSelected());
    Mouse(E.get(), QEvent::MouseMove, Cell(E.get(), 1, 3, -E->ColWidth() / 2 + 1), Qt::LeftButton);
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 1, 3, -E->ColWidth() / 2 + 1));
    EXPECT_EQ(E->GetSelText(), "bcdef\r\nghi");
    // a click on the right half of a character puts the caret after it
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 1, 4, E->ColWidth() / 2 - 1), Qt::LeftButton);
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 1, 4, E->ColWidth() / 2 - 1));
    EXPECT_FALSE(E->GetSelected());
    EXPECT_EQ(E->Col(), 5);
}

TEST_F(Clipboard, RowSelectionInTheLeftMargin) {
    ShowFocused();
    SetText("abc\r\ndef\r\nghi");
    QPoint margin(2, Cell(E.get(), 1, 0).y());
    Mouse(E.get(), QEvent::MouseButtonPress, margin);
    EXPECT_EQ(E->GetSelText(), "def\r\n");
    Mouse(E.get(), QEvent::MouseMove, QPoint(2, Cell(E.get(), 0, 0).y()), Qt::LeftButton);
    EXPECT_EQ(E->GetSelText(), "abc\r\ndef\r\n");
    Mouse(E.get(), QEvent::MouseMove, QPoint(2, Cell(E.get(), 2, 0).y()), Qt::LeftButton);
    Mouse(E.get(), QEvent::MouseButtonRelease, QPoint(2, Cell(E.get(), 2, 0).y()));
    EXPECT_EQ(E->GetSelText(), "def\r\nghi");
}

// ---- dragging the selection --------------------------------------------------------------------

class SelDrag : public Clipboard {
protected:
    // Drags the selection from a cell inside it to (row, col); Ctrl copies.
    void Drag(int fromRow, int fromCol, int row, int col, bool ctrl) {
        Qt::KeyboardModifiers m = ctrl ? Qt::ControlModifier : Qt::NoModifier;
        QPoint from = Cell(E.get(), fromRow, fromCol, -E->ColWidth() / 2 + 1);
        QPoint to = Cell(E.get(), row, col, -E->ColWidth() / 2 + 1);
        Mouse(E.get(), QEvent::MouseButtonPress, from);
        ASSERT_EQ(E->DragState(), 1);
        Mouse(E.get(), QEvent::MouseMove, to, Qt::LeftButton, m);
        ASSERT_EQ(E->DragState(), 2);
        Mouse(E.get(), QEvent::MouseButtonRelease, to, Qt::LeftButton, m);
    }
};

TEST_F(SelDrag, MoveResults) {
    struct Case {
        const char* Name;
        int Row, Col;
        std::string Expect;
        int ERow, ECol;
    } cases[] = {
        {"first row, left of the selection", 1, 0, "abc\r\nefgh\r\nijdop\r\nklmn", 2, 2},
        {"below the selection", 3, 2, "abc\r\ndop\r\nklefgh\r\nijmn", 3, 2},
        {"last row, right of the selection", 2, 3, "abc\r\ndoefgh\r\nijp\r\nklmn", 2, 2},
        {"above the selection", 0, 1, "aefgh\r\nijbc\r\ndop\r\nklmn", 1, 2},
    };
    const std::string text = "abc\r\ndefgh\r\nijop\r\nklmn";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowFocused();
        SetText(text);
        Select(1, 1, 2, 2);
        Drag(1, 2, c.Row, c.Col, false);
        EXPECT_EQ(Text(), c.Expect);
        EXPECT_EQ(E->Row(), c.ERow);
        EXPECT_EQ(E->Col(), c.ECol);
        EXPECT_FALSE(E->GetSelected());
        // one undo step restores the text before the move, one redo the move
        E->Undo();
        EXPECT_EQ(Text(), text);
        E->Redo();
        EXPECT_EQ(Text(), c.Expect);
    }
}

TEST_F(SelDrag, CtrlDropCopiesAndEscapeOrDropOnTheSelectionCancels) {
    ShowFocused();
    SetText("abc def");
    Select(0, 0, 0, 3);
    Drag(0, 1, 0, 6, true);
    EXPECT_EQ(Text(), "abc deabcf");
    EXPECT_EQ(E->Col(), 9);
    E->Undo();
    EXPECT_EQ(Text(), "abc def");
    // dropped on the selection itself: nothing changes, the selection goes
    Select(0, 0, 0, 3);
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 0, 1));
    Mouse(E.get(), QEvent::MouseMove, Cell(E.get(), 0, 2), Qt::LeftButton);
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 0, 2));
    EXPECT_EQ(Text(), "abc def");
    EXPECT_FALSE(E->GetSelected());
    // Esc during the drag
    Select(0, 0, 0, 3);
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 0, 1));
    Mouse(E.get(), QEvent::MouseMove, Cell(E.get(), 0, 6), Qt::LeftButton);
    Key(E.get(), Qt::Key_Escape);
    EXPECT_EQ(E->DragState(), 0);
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 0, 6));
    EXPECT_EQ(Text(), "abc def");
    EXPECT_FALSE(E->GetSelected());
    // a click inside the selection without moving removes it, the caret at the click
    Select(0, 0, 0, 3);
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 0, 1, -E->ColWidth() / 2 + 1));
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 0, 1, -E->ColWidth() / 2 + 1));
    EXPECT_FALSE(E->GetSelected());
    EXPECT_EQ(E->Col(), 1);
    // with manual drag mode the selection stays
    E->Caret().SelDragMode = dmManual;
    Select(0, 0, 0, 3);
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 0, 1, -E->ColWidth() / 2 + 1));
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 0, 1, -E->ColWidth() / 2 + 1));
    EXPECT_TRUE(E->GetSelected());
}
