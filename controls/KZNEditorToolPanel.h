// The tool area above a page's editor: the search bar, the line-bundle bar
// and the escape bar stacked in one panel, each hidden at first. The panel is
// one pixel high plus the heights of the bars that are shown.
#pragma once
#include <QAction>
#include <QWidget>

#include "KZNEditorEscapeReplace.h"
#include "KZNEditorLineBundle.h"
#include "KZNEditorSearch.h"

class TKZNEditorToolPanel : public QWidget {
public:
    explicit TKZNEditorToolPanel(QWidget* Parent = nullptr);
    TFrame_KZNEditorSearch* Search;
    TFrame_KZNEditorLineBundle* LineBundle;
    TFrame_KZNEditorEscapeReplace* EscapeReplace;
    // Binds the three bars to the editor.
    void SetEditor(TKZNEditor* Editor);
    // A shown bar is hidden and Action unchecked; a hidden one is shown,
    // Action checked and Focus focused. True when the bar is now shown.
    bool Toggle(QWidget* Bar, QAction* Action, QWidget* Focus);
};
