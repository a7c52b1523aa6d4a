// The editor's standard context menu: row marks, undo and redo, the clipboard,
// select all and box mode. Its items' shortcuts work while it is the editor's
// menu; the item states are set before a shortcut runs, as when it pops up.
// The items' keys are kept beside them (EditorMenuKeys.h).
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QMimeData>
#include <QPointer>

#include "AppException.h"
#include "Editor.h"
#include "EditorMenuKeys.h"
#include "EditorUndo.h"

TEditorPopupMenu::TEditorPopupMenu(TEditor* AEditor) : QMenu(AEditor), Editor(AEditor) {}

namespace {

const char* const kShortCutProperty = "EditorMenuShortCut";

}  // namespace

QKeySequence EditorMenuShortCut(const QAction* Item) {
    return Item ? Item->property(kShortCutProperty).value<QKeySequence>() : QKeySequence();
}

namespace {

// The items of the menu and its submenus with a key of their own show it (or not).
void ShowShortCuts(QMenu* Menu, bool Show) {
    for (QAction* a : Menu->findChildren<QAction*>()) {
        const QKeySequence keys = Show ? EditorMenuShortCut(a) : QKeySequence();
        if (a->shortcut() != keys) a->setShortcut(keys);
    }
}

}  // namespace

void TEditorPopupMenu::AfterConstruction() {
    TObject::AfterConstruction();
    CreateMenuItem();
    QObject::connect(this, &QMenu::aboutToShow, [this] {
        ShowShortCuts(this, true);
        app::Guard([this] { SetMenu(); });
    });
    QObject::connect(this, &QMenu::aboutToHide, [this] { ShowShortCuts(this, false); });
}

int TEditorPopupMenu::Tag(const QAction* Item) { return Item ? Item->data().toInt() : 0; }

QAction* TEditorPopupMenu::AddItem(QMenu* Menu, const QString& Caption, const char* ShortCut,
                                   void (TEditorPopupMenu::*Click)(QAction*), bool Enabled, int ATag) {
    QAction* a = Menu->addAction(Caption);
    if (ShortCut) {
        a->setProperty(kShortCutProperty, QKeySequence(QString::fromLatin1(ShortCut)));
        a->setShortcutContext(Qt::WidgetShortcut);
    }
    a->setData(ATag);
    a->setEnabled(Enabled);
    if (Click)
        QObject::connect(a, &QAction::triggered, [this, a, Click] { app::Guard([&] { (this->*Click)(a); }); });
    return a;
}

void TEditorPopupMenu::CreateMenuItem() {
    MarkSetMenu = addMenu(QString::fromUtf16(u"マーク設定"));
    MarkJumpMenu = addMenu(QString::fromUtf16(u"マークジャンプ"));
    for (int d = 0; d < 10; ++d) {
        std::string setKey = "Shift+Ctrl+" + std::to_string(d);
        std::string jumpKey = "Ctrl+" + std::to_string(d);
        MarkSetItems[d] = AddItem(MarkSetMenu, QString::number(d), setKey.c_str(), &TEditorPopupMenu::MarkSetClick, true, d);
        MarkSetItems[d]->setCheckable(true);
        MarkJumpItems[d] =
            AddItem(MarkJumpMenu, QString::number(d), jumpKey.c_str(), &TEditorPopupMenu::MarkJumpClick, true, d);
        MarkJumpItems[d]->setCheckable(true);
    }
    addSeparator();
    UndoItem = AddItem(this, QString::fromUtf16(u"元に戻す(&U)"), "Ctrl+Z", &TEditorPopupMenu::UndoClick, false);
    RedoItem = AddItem(this, QString::fromUtf16(u"やり直し(&R)"), nullptr, &TEditorPopupMenu::RedoClick, false);
    addSeparator();
    CutItem = AddItem(this, QString::fromUtf16(u"切り取り(&T)"), "Ctrl+X", &TEditorPopupMenu::CutClick, false);
    CopyItem = AddItem(this, QString::fromUtf16(u"コピー(&C)"), "Ctrl+C", &TEditorPopupMenu::CopyClick, false);
    PasteItem = AddItem(this, QString::fromUtf16(u"貼り付け(&P)"), "Ctrl+V", &TEditorPopupMenu::PasteClick, false);
    BoxPasteItem = AddItem(this, QString::fromUtf16(u"Box貼り付け(&B)"), "Ctrl+B", &TEditorPopupMenu::BoxPasteClick, false);
    DeleteItem = AddItem(this, QString::fromUtf16(u"削除(&D)"), nullptr, &TEditorPopupMenu::DeleteClick, false);
    addSeparator();
    SelectAllItem = AddItem(this, QString::fromUtf16(u"すべて選択(&A)"), nullptr, &TEditorPopupMenu::SelectAllClick, false);
    addSeparator();
    BoxModeItem = AddItem(this, QString::fromUtf16(u"Box選択モード(&K)"), "Ctrl+K", &TEditorPopupMenu::BoxModeClick, true);
    BoxModeItem->setCheckable(true);
}

void TEditorPopupMenu::SetMenu() {
    if (!Editor) return;
    const bool s = Editor->GetSelLength() > 0;
    const bool w = !Editor->ReadOnly();
    const QMimeData* m = QApplication::clipboard()->mimeData();
    const bool c = m && m->hasText();
    UndoItem->setEnabled(Editor->CanUndo() && w);
    RedoItem->setEnabled(Editor->CanRedo() && w);
    CutItem->setEnabled(s && w);
    CopyItem->setEnabled(s);
    PasteItem->setEnabled(c && w);
    BoxPasteItem->setEnabled(c && w);
    DeleteItem->setEnabled(s && w);
    SelectAllItem->setEnabled(Editor->RowCount() > 0);
    BoxModeItem->setChecked(Editor->SelectionMode());
    const uint16_t inUse = Editor->Store().GetMarksInUse();
    for (int d = 0; d < 10; ++d) {
        MarkSetItems[d]->setChecked((inUse >> d) & 1u);
        MarkJumpItems[d]->setChecked((inUse >> d) & 1u);
    }
}

void TEditorPopupMenu::MarkSetClick(QAction* Item) {
    if (!Editor) return;
    const int tag = Tag(Item);
    if (Editor->GetRowMarks(Editor->Row()) & (1u << tag))
        Editor->DelRowMark(Editor->Row(), tag);
    else
        Editor->PutRowMark(Editor->Row(), tag);
}

void TEditorPopupMenu::MarkJumpClick(QAction* Item) {
    if (Editor) Editor->GotoRowMark(Tag(Item));
}
void TEditorPopupMenu::UndoClick(QAction*) {
    if (Editor) Editor->Undo();
}
void TEditorPopupMenu::RedoClick(QAction*) {
    if (Editor) Editor->Redo();
}
void TEditorPopupMenu::CutClick(QAction*) {
    if (Editor) Editor->CutToClipboard();
}
void TEditorPopupMenu::CopyClick(QAction*) {
    if (Editor) Editor->CopyToClipboard();
}
void TEditorPopupMenu::PasteClick(QAction*) {
    if (Editor) Editor->PasteFromClipboard();
}
void TEditorPopupMenu::BoxPasteClick(QAction*) {
    if (!Editor) return;
    std::string text;
    TTextSubstitution lost;
    if (Editor->ReadOnly() || !TEditor::ClipboardText(text, nullptr, &lost)) return;
    QPointer<TEditor> editor(Editor);
    Editor->PasteBox(text);
    if (editor) editor->ReportSubstitution(u"貼り付けた", lost);
}
void TEditorPopupMenu::DeleteClick(QAction*) {
    if (Editor) Editor->DeleteSelection();
}
void TEditorPopupMenu::SelectAllClick(QAction*) {
    if (Editor) Editor->SelectAll();
}
void TEditorPopupMenu::BoxModeClick(QAction* Item) {
    if (!Editor) return;
    Editor->SetSelectionMode(Item->isChecked());
}

QAction* TEditorPopupMenu::ShortCutItem(int Key, Qt::KeyboardModifiers Modifiers) const {
    Modifiers &= (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if ((Modifiers & Qt::ControlModifier) && (Modifiers & Qt::ShiftModifier)) Key = ShiftedDigitKey(Key);
    QKeySequence pressed(QKeyCombination(Modifiers, static_cast<Qt::Key>(Key)));
    auto match = [&](QAction* a) {
        if (!a) return false;
        const QKeySequence keys = EditorMenuShortCut(a);
        return !keys.isEmpty() && keys == pressed;
    };
    for (int d = 0; d < 10; ++d) {
        if (match(MarkSetItems[d])) return MarkSetItems[d];
        if (match(MarkJumpItems[d])) return MarkJumpItems[d];
    }
    for (QAction* a : {UndoItem, RedoItem, CutItem, CopyItem, PasteItem, BoxPasteItem, DeleteItem, SelectAllItem, BoxModeItem})
        if (match(a)) return a;
    // Items a descendant added.
    for (QAction* a : actions())
        if (!a->menu() && match(a)) return a;
    return nullptr;
}

bool TEditorPopupMenu::IsShortCut(int Key, Qt::KeyboardModifiers Modifiers) {
    QAction* a = ShortCutItem(Key, Modifiers);
    if (!a) return false;
    SetMenu();
    if (a->isEnabled()) a->trigger();  // a checkable item flips its check mark
    return true;
}
