#include "KZNEditorToolPanel.h"

#include <QVBoxLayout>

TKZNEditorToolPanel::TKZNEditorToolPanel(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 1);
    layout->setSpacing(0);
    Search = new TFrame_KZNEditorSearch(this);
    LineBundle = new TFrame_KZNEditorLineBundle(this);
    EscapeReplace = new TFrame_KZNEditorEscapeReplace(this);
    for (QWidget* bar : {static_cast<QWidget*>(Search), static_cast<QWidget*>(LineBundle),
                         static_cast<QWidget*>(EscapeReplace)}) {
        layout->addWidget(bar);
        bar->hide();
    }
}

void TKZNEditorToolPanel::SetEditor(TKZNEditor* Editor) {
    Search->SetEditor(Editor);
    LineBundle->SetEditor(Editor);
    EscapeReplace->SetEditor(Editor);
}

bool TKZNEditorToolPanel::Toggle(QWidget* Bar, QAction* Action, QWidget* Focus) {
    const bool show = Bar->isHidden();
    Bar->setVisible(show);
    if (Action) Action->setChecked(show);
    if (show && Focus) Focus->setFocus();
    updateGeometry();
    return show;
}
