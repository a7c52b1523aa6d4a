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

TFrame_KZNEditorSearch* TKZNEditorToolPanel::Search() {
    if (!FSearch) {
        auto* bar = new TFrame_KZNEditorSearch(this);
        Place(bar, 0);
        bar->SetEditor(FEditor);
        FSearch = bar;
    }
    return FSearch;
}

TFrame_KZNEditorLineBundle* TKZNEditorToolPanel::LineBundle() {
    if (!FLineBundle) {
        auto* bar = new TFrame_KZNEditorLineBundle(this);
        Place(bar, 1);
        bar->SetEditor(FEditor);
        FLineBundle = bar;
        if (OnLineBundleBuilt) OnLineBundleBuilt(*bar);
    }
    return FLineBundle;
}

TFrame_KZNEditorEscapeReplace* TKZNEditorToolPanel::EscapeReplace() {
    if (!FEscapeReplace) {
        auto* bar = new TFrame_KZNEditorEscapeReplace(this);
        Place(bar, 2);
        bar->SetEditor(FEditor);
        FEscapeReplace = bar;
        if (OnEscapeReplaceBuilt) OnEscapeReplaceBuilt(*bar);
    }
    return FEscapeReplace;
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
