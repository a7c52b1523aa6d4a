// The editor control as a whole: construction defaults, properties that clamp,
// positions as character offsets, two views of one text, the edit-control
// operations and the popup menu.
#include <QAction>
#include <QMenu>

#include "EditorMenuKeys.h"
#include "EditorUndo.h"
#include "Fountain.h"
#include "ViewTestUtil.h"

using namespace viewtest;

class EditorView : public ViewFixture {};

TEST_F(EditorView, NewControlHasItsDefaults) {
    EXPECT_EQ(E->width(), 185);
    EXPECT_EQ(E->height(), 89);
    EXPECT_EQ(E->Color(), clWhite);
    EXPECT_EQ(E->FontColor(), clBlack);
    EXPECT_EQ(E->BorderStyle(), bsSingle);
    EXPECT_EQ(E->ScrollBars(), ssNone);
    EXPECT_EQ(E->UndoListMax(), 64);
    EXPECT_FALSE(E->WordWrap());
    EXPECT_EQ(E->HitStyle(), hsSelect);
    EXPECT_EQ(E->RowCount(), 0);
    EXPECT_EQ(E->Lines().GetText(), "");
    EXPECT_FALSE(E->Modified());
    EXPECT_TRUE(E->WantTabs);
    EXPECT_TRUE(E->WantReturns);
    ASSERT_TRUE(testutil::FontInstalled("IPAGothic"));
    EXPECT_EQ(E->font().family(), QStringLiteral("IPAGothic"));
    ASSERT_NE(E->PopupMenu(), nullptr);
}

TEST_F(EditorView, UndoListMaxIsSharedAndNeverBelow64) {
    auto* second = MakeEditor<TEditor>();
    second->ShareScreenStrings(E.get());
    E->SetUndoListMax(10);
    EXPECT_EQ(E->UndoListMax(), 64);
    EXPECT_EQ(second->UndoListMax(), 64);
    E->SetUndoListMax(100);
    EXPECT_EQ(second->UndoListMax(), 100);
    delete second;
}

TEST_F(EditorView, SelStartAndSelLengthCountLineBreaksAsTwo) {
    SetText("ab\r\ncd");
    E->SetRowCol(1, 1);
    EXPECT_EQ(E->GetSelStart(), 5);
    E->SetRowCol(0, 1);
    E->StartSelection();
    E->SetRowCol(1, 1);
    E->ExtendSelection();
    EXPECT_EQ(E->GetSelLength(), 4);
    EXPECT_EQ(E->GetSelText(), "b\r\nc");
    // and back: SelStart and SelLength make the same selection
    E->CleanSelection();
    E->SetSelStart(1);
    E->SetSelLength(4);
    EXPECT_EQ(E->GetSelText(), "b\r\nc");
    auto sel = E->EmGetSel();
    EXPECT_EQ(sel.Start, 1);
    EXPECT_EQ(sel.End, 5);
}

TEST_F(EditorView, RowAndColClamp) {
    SetText("ab\r\ncd");
    E->SetRow(10);
    EXPECT_EQ(E->Row(), 1);
    SetText("ab\r\ncd\r\n");
    E->SetRow(10);
    EXPECT_EQ(E->Row(), 2);
    SetText("ab");
    E->SetRow(0);
    E->SetCol(10000);
    EXPECT_EQ(E->Col(), 8192);
    // column 8191 the first byte of a double-byte character: 8193 stays
    SetText(std::string(8191, 'a') + "\x82\xa0");
    E->SetRow(0);
    E->SetCol(10000);
    EXPECT_EQ(E->Col(), 8193);
}

TEST_F(EditorView, CaretOptionChangesEmptyUndoButPlainOptionsDoNot) {
    SetText("ab");
    E->SetRowCol(0, 2);
    E->InsertText("c");
    ASSERT_TRUE(E->CanUndo());
    E->Caret().SoftTab = true;
    EXPECT_TRUE(E->CanUndo());
    E->Caret().SetStyle(csBrief);
    EXPECT_FALSE(E->CanUndo());
    E->InsertText("d");
    E->Caret().SetTabSpaceCount(4);
    EXPECT_FALSE(E->CanUndo());
    E->InsertText("e");
    TEditorCaret other;
    E->SetCaret(other);
    EXPECT_FALSE(E->CanUndo());
}

TEST_F(EditorView, ModifiedAndOnChangeFollowEdits) {
    int changes = 0;
    E->OnChange = [&](TObject*) { ++changes; };
    SetText("ab");
    E->Loaded();
    EXPECT_FALSE(E->Modified());
    E->SetRowCol(0, 1);
    E->InsertText("x");
    EXPECT_TRUE(E->Modified());
    EXPECT_GE(changes, 1);
    E->EmSetModify(false);
    EXPECT_FALSE(E->EmGetModify());
}

// The property setters that other windows' settings code and descendants use.
TEST_F(EditorView, PropertySettersTakeTheirValues) {
    ShowFocused(300, 200);
    // Lines: each string a row ending in a line break; Clear empties the text
    TStringList lines;
    lines.Add("ab");
    lines.Add("cd");
    E->SetLines(lines);
    EXPECT_EQ(E->Lines().GetText(), "ab\r\ncd\r\n");
    EXPECT_EQ(E->RowCount(), 2);
    EXPECT_EQ(E->ReadRowText(1), "cd");
    EXPECT_EQ(E->ReadRowText(2), "");
    EXPECT_EQ(E->ReadRowText(-1), "");
    E->Clear();
    EXPECT_EQ(E->RowCount(), 0);
    EXPECT_EQ(E->Lines().GetText(), "");

    // BorderStyle: no frame gives the text area the whole control
    const int framed = E->viewport()->width();
    E->SetBorderStyle(bsNone);
    EXPECT_EQ(E->BorderStyle(), bsNone);
    EXPECT_EQ(E->frameWidth(), 0);
    EXPECT_GT(E->viewport()->width(), framed);
    E->SetBorderStyle(bsSingle);
    EXPECT_EQ(E->viewport()->width(), framed);

    // ImageDigits and ImageMarks: a list freed elsewhere is let go
    for (bool digits : {true, false}) {
        auto* list = new TImageList;
        (E.get()->*(digits ? &TEditor::SetImageDigits : &TEditor::SetImageMarks))(list);
        EXPECT_EQ(digits ? E->ImageDigits() : E->ImageMarks(), list);
        delete list;
        EXPECT_EQ(E->ImageDigits(), nullptr);
        EXPECT_EQ(E->ImageMarks(), nullptr);
    }

    // ReserveWordList goes to the view's own fountain
    TSortedStringList words;
    words.Add("SELECT");
    E->SetReserveWordList(words);
    EXPECT_TRUE(E->ReserveWordList().Contains("select"));
    EXPECT_TRUE(E->View().Fountain().ReserveWordList().Contains("SELECT"));

    // View and WrapOption are assigned into the editor's own objects
    auto view = MakeObject<TEditorViewInfo>();
    view->SetCommenter("--");
    E->SetView(*view);
    EXPECT_EQ(E->View().Commenter(), "--");
    EXPECT_NE(&E->View(), view.get());
    SetText(std::string(25, 'a'));
    E->SetWordWrap(true);
    TEditorWrapOption wrap;
    wrap.SetWrapByte(20);
    E->SetWrapOption(wrap);
    EXPECT_EQ(E->WrapOption().WrapByte(), 20);
    EXPECT_EQ(Rows(E.get()), std::string(20, 'a') + "~|aaaaa$");
}

// The wrap sets of the text's wrap option: a change wraps the text again.
TEST_F(EditorView, WrapSetsChangeTheRowsAtOnce) {
    ShowFocused(300, 200);
    E->WrapOption().SetWrapByte(20);
    E->WrapOption().SetLeading(true);
    E->WrapOption().SetFollowPunctuation(true);
    E->SetWordWrap(true);
    const std::string a19(19, 'a');
    SetText(a19 + "(bbb");
    EXPECT_EQ(Rows(E.get()), a19 + "~|(bbb$");  // "(" may not end a row
    E->WrapOption().SetLeadStr("[");
    EXPECT_EQ(Rows(E.get()), a19 + "(~|bbb$");
    SetText(a19 + "a,b");
    EXPECT_EQ(Rows(E.get()), a19 + "a,~|b$");  // "," hangs past the edge
    E->WrapOption().SetPunctuationStr(".");
    EXPECT_EQ(Rows(E.get()), a19 + "~|a,b$");  // "," no longer hangs, and may not begin a row
}

TEST_F(EditorView, TwoViewsShareOneText) {
    ShowFocused();
    auto* second = MakeEditor<TEditor>();
    second->ShareScreenStrings(E.get());
    second->resize(300, 200);
    second->show();
    SetText("abc\r\ndef");
    E->SetRowCol(1, 3);
    Key(E.get(), Qt::Key_X, Qt::NoModifier, "x");
    EXPECT_EQ(second->Lines().GetText(), "abc\r\ndefx");
    // the other view repaints: its grab shows the new text's row painted
    EXPECT_EQ(second->RowCount(), 2);
    // an undo in the second view undoes the first view's edit
    second->Undo();
    EXPECT_EQ(E->Lines().GetText(), "abc\r\ndef");
    // each view keeps its own caret and selection
    second->SetRowCol(0, 1);
    EXPECT_EQ(E->Row(), 1);
    second->SelectAll();
    EXPECT_TRUE(second->GetSelected());
    EXPECT_FALSE(E->GetSelected());
    // freeing the first view leaves the text to the second
    std::weak_ptr<TEditorScreenStrings> store = second->StorePtr();
    E.reset();
    EXPECT_EQ(second->Lines().GetText(), "abc\r\ndef");
    delete second;
    EXPECT_TRUE(store.expired());
}

TEST_F(EditorView, EditControlOperations) {
    SetText("ab\r\ncd\r\n");
    // EM_SETSEL(0, -1) selects all, (-1, 0) removes, (7, 3) as (3, 7)
    E->EmSetSel(0, -1);
    EXPECT_EQ(E->GetSelText(), "ab\r\ncd\r\n");
    E->EmSetSel(-1, 0);
    EXPECT_FALSE(E->GetSelected());
    E->EmSetSel(5, 1);
    std::string a = E->GetSelText();
    E->EmSetSel(1, 5);
    EXPECT_EQ(E->GetSelText(), a);
    EXPECT_EQ(a, "b\r\nc");
    E->CleanSelection();
    EXPECT_EQ(E->EmGetLineCount(), 2);
    EXPECT_EQ(E->EmLineIndex(1), 4);
    EXPECT_EQ(E->EmLineIndex(2), -1);
    EXPECT_EQ(E->EmGetLine(1, 10), "cd");
    EXPECT_EQ(E->EmGetLine(2, 10), "");
    EXPECT_EQ(E->EmGetLine(0, 1), "a");
    EXPECT_EQ(E->EmLineFromChar(5), 1);
    EXPECT_EQ(E->EmLineFromChar(E->WmGetTextLength()), 2);
    EXPECT_EQ(E->EmLineLength(4), 2);
    EXPECT_EQ(E->WmGetTextLength(), 8);
    EXPECT_EQ(E->WmGetText(4), "ab\r");
    E->WmSetText("xyz");
    EXPECT_EQ(E->Lines().GetText(), "xyz");
    E->EmSetReadOnly(true);
    E->WmSetText("no");
    E->EmReplaceSel("no");
    EXPECT_EQ(E->Lines().GetText(), "xyz");
    EXPECT_FALSE(E->EmUndo());
    E->EmSetReadOnly(false);
    E->SetRowCol(0, 3);
    E->EmReplaceSel("!");
    EXPECT_EQ(E->Lines().GetText(), "xyz!");
    EXPECT_TRUE(E->EmCanUndo());
    EXPECT_TRUE(E->EmUndo());
    EXPECT_EQ(E->Lines().GetText(), "xyz");
    E->EmEmptyUndoBuffer();
    EXPECT_FALSE(E->CanRedo());
}

TEST_F(EditorView, CharFromPosAndPosFromChar) {
    ShowFocused();
    SetText("ab\r\n\x82\xa0x");
    TPoint p = E->EmPosFromChar(6);  // after the double-byte character
    EXPECT_EQ(p.X, E->GetTextLeft() + 2 * E->ColWidth());
    EXPECT_EQ(p.Y, E->GetTextTop() + E->RowHeight());
    int row = -1;
    EXPECT_EQ(E->EmCharFromPos(p.X + 1, p.Y + 1, &row), 6);
    EXPECT_EQ(row, 1);
    // a point on the second half of the character gives its start
    EXPECT_EQ(E->EmCharFromPos(E->GetTextLeft() + E->ColWidth() + 1, p.Y + 1), 4);
    EXPECT_EQ(E->EmCharFromPos(-5, 3), -1);
}

TEST_F(EditorView, PopupMenuCaptionsShortcutsAndStates) {
    TEditorPopupMenu* m = E->PopupMenu();
    EXPECT_EQ(m->UndoItem->text(), QString::fromUtf8(u8"元に戻す(&U)"));
    EXPECT_EQ(m->RedoItem->text(), QString::fromUtf8(u8"やり直し(&R)"));
    EXPECT_EQ(m->CutItem->text(), QString::fromUtf8(u8"切り取り(&T)"));
    EXPECT_EQ(m->CopyItem->text(), QString::fromUtf8(u8"コピー(&C)"));
    EXPECT_EQ(m->PasteItem->text(), QString::fromUtf8(u8"貼り付け(&P)"));
    EXPECT_EQ(m->BoxPasteItem->text(), QString::fromUtf8(u8"Box貼り付け(&B)"));
    EXPECT_EQ(m->DeleteItem->text(), QString::fromUtf8(u8"削除(&D)"));
    EXPECT_EQ(m->SelectAllItem->text(), QString::fromUtf8(u8"すべて選択(&A)"));
    EXPECT_EQ(m->BoxModeItem->text(), QString::fromUtf8(u8"Box選択モード(&K)"));
    EXPECT_EQ(m->MarkSetMenu->title(), QString::fromUtf8(u8"マーク設定"));
    EXPECT_EQ(m->MarkJumpMenu->title(), QString::fromUtf8(u8"マークジャンプ"));
    EXPECT_EQ(EditorMenuShortCut(m->UndoItem), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_TRUE(EditorMenuShortCut(m->RedoItem).isEmpty());
    EXPECT_EQ(EditorMenuShortCut(m->BoxPasteItem), QKeySequence(QStringLiteral("Ctrl+B")));
    EXPECT_EQ(EditorMenuShortCut(m->BoxModeItem), QKeySequence(QStringLiteral("Ctrl+K")));
    EXPECT_EQ(EditorMenuShortCut(m->MarkSetItems[3]), QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_3));
    EXPECT_EQ(EditorMenuShortCut(m->MarkJumpItems[7]), QKeySequence(Qt::CTRL | Qt::Key_7));
    // the keys are shown while the menu is open, and given to the toolkit only then
    EXPECT_TRUE(m->UndoItem->shortcut().isEmpty());
    emit m->aboutToShow();
    EXPECT_EQ(m->UndoItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(m->MarkJumpItems[7]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_7));
    EXPECT_TRUE(m->RedoItem->shortcut().isEmpty());
    emit m->aboutToHide();
    EXPECT_TRUE(m->UndoItem->shortcut().isEmpty());
    EXPECT_TRUE(m->MarkJumpItems[7]->shortcut().isEmpty());
    EXPECT_EQ(TEditorPopupMenu::Tag(m->MarkJumpItems[7]), 7);
    // fresh: the edit items start disabled, box mode enabled
    EXPECT_FALSE(m->UndoItem->isEnabled());
    EXPECT_FALSE(m->CopyItem->isEnabled());
    EXPECT_TRUE(m->BoxModeItem->isEnabled());

    SetClip(QStringLiteral("clip"));
    SetText("abc");
    E->SetRowCol(0, 3);
    E->InsertText("d");
    E->EmSetSel(0, 2);
    m->SetMenu();
    EXPECT_TRUE(m->UndoItem->isEnabled());
    EXPECT_FALSE(m->RedoItem->isEnabled());
    EXPECT_TRUE(m->CutItem->isEnabled());
    EXPECT_TRUE(m->CopyItem->isEnabled());
    EXPECT_TRUE(m->PasteItem->isEnabled());
    EXPECT_TRUE(m->BoxPasteItem->isEnabled());
    EXPECT_TRUE(m->DeleteItem->isEnabled());
    EXPECT_TRUE(m->SelectAllItem->isEnabled());
    // read-only: only copy and select all stay
    E->SetReadOnly(true);
    m->SetMenu();
    EXPECT_FALSE(m->UndoItem->isEnabled());
    EXPECT_FALSE(m->CutItem->isEnabled());
    EXPECT_TRUE(m->CopyItem->isEnabled());
    EXPECT_FALSE(m->PasteItem->isEnabled());
    EXPECT_FALSE(m->BoxPasteItem->isEnabled());
    EXPECT_FALSE(m->DeleteItem->isEnabled());
    EXPECT_TRUE(m->SelectAllItem->isEnabled());
    // nothing selected: no copy
    E->CleanSelection();
    m->SetMenu();
    EXPECT_FALSE(m->CopyItem->isEnabled());
    // marks in use are checked
    E->PutRowMark(0, 4);
    m->SetMenu();
    EXPECT_TRUE(m->MarkSetItems[4]->isChecked());
    EXPECT_FALSE(m->MarkSetItems[5]->isChecked());
}

// The context menu is built on first use, once; an editor told to have
// none never builds one, not even for a key.
TEST_F(EditorView, PopupMenuIsBuiltOnFirstUseOnly) {
    EXPECT_TRUE(E->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).isEmpty());
    TEditorPopupMenu* menu = E->PopupMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(E->PopupMenu(), menu);
    EXPECT_EQ(E->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 1);

    std::unique_ptr<TEditor> bare(MakeEditor<TEditor>());
    bare->SetPopupMenu(nullptr);
    bare->resize(200, 100);
    bare->show();
    bare->setFocus();
    QApplication::processEvents();
    Key(bare.get(), Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(bare->PopupMenu(), nullptr);
    EXPECT_TRUE(bare->findChildren<QMenu*>(Qt::FindDirectChildrenOnly).isEmpty());
}

TEST_F(EditorView, PopupShortcutsWorkFromTheKeyboard) {
    ShowFocused();
    SetText("abc\r\ndef\r\nghi");
    E->SetRowCol(2, 1);
    Key(E.get(), Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(E->GetRowMarks(2), 1u << 5);
    E->SetRowCol(0, 0);
    Key(E.get(), Qt::Key_5, Qt::ControlModifier);
    EXPECT_EQ(E->Row(), 2);
    // again on the same row takes the mark off
    Key(E.get(), Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(E->GetRowMarks(2), 0u);
    Key(E.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(E->SelectionMode());
    Key(E.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(E->SelectionMode());
    E->SetRowCol(0, 3);
    Key(E.get(), Qt::Key_X, Qt::NoModifier, "x");
    Key(E.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(E->Lines().GetText(), "abc\r\ndef\r\nghi");
}
