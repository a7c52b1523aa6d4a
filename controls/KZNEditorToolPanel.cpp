#include "KZNEditorToolPanel.h"

#include <QVBoxLayout>

TKZNEditorToolPanel::TKZNEditorToolPanel(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 1);
    layout->setSpacing(0);
}

void TKZNEditorToolPanel::Place(QWidget* Bar, int Slot) {
    Bar->hide();
    // the stack's order is search, line bundle, escape whatever order they are built in
    int at = 0;
    const QWidget* before[] = {FSearch, FLineBundle, FEscapeReplace};
    for (int i = 0; i < Slot; ++i)
        if (before[i]) ++at;
    static_cast<QVBoxLayout*>(layout())->insertWidget(at, Bar);
}

template <class TBar>
TBar* TKZNEditorToolPanel::BuildOnce(TBar*& Field, int Slot, const std::function<void(TBar&)>& OnBuilt) {
    if (!Field) {
        auto* bar = new TBar(this);
        Place(bar, Slot);
        bar->SetEditor(FEditor);
        Field = bar;
        if (OnBuilt) OnBuilt(*bar);
    }
    return Field;
}

TFrame_KZNEditorSearch* TKZNEditorToolPanel::Search() { return BuildOnce(FSearch, 0); }
TFrame_KZNEditorLineBundle* TKZNEditorToolPanel::LineBundle() { return BuildOnce(FLineBundle, 1, OnLineBundleBuilt); }
TFrame_KZNEditorEscapeReplace* TKZNEditorToolPanel::EscapeReplace() {
    return BuildOnce(FEscapeReplace, 2, OnEscapeReplaceBuilt);
}

void TKZNEditorToolPanel::SetEditor(TKZNEditor* Editor) {
    FEditor = Editor;
    if (FSearch) FSearch->SetEditor(Editor);
    if (FLineBundle) FLineBundle->SetEditor(Editor);
    if (FEscapeReplace) FEscapeReplace->SetEditor(Editor);
}

bool TKZNEditorToolPanel::Toggle(QWidget* Bar, QAction* Action, QWidget* Focus) {
    const bool show = Bar->isHidden();
    Bar->setVisible(show);
    if (Action) Action->setChecked(show);
    if (show && Focus) Focus->setFocus();
    updateGeometry();
    return show;
}
