// The tool area above a page's editor: the search bar, the line-bundle bar
// and the escape bar stacked in one panel, each hidden at first. The panel is
// one pixel high plus the heights of the bars that are shown. A bar is built
// (bound to the editor, hidden, in its place in the stack) the first time it
// is asked for, so a page whose bars are never used holds none of them.
#pragma once
#include <functional>

#include <QAction>
#include <QWidget>

#include "KZNEditorEscapeReplace.h"
#include "KZNEditorLineBundle.h"
#include "KZNEditorSearch.h"

class TKZNEditorToolPanel : public QWidget {
public:
    explicit TKZNEditorToolPanel(QWidget* Parent = nullptr);
    // The bars, built on first use.
    TFrame_KZNEditorSearch* Search();
    TFrame_KZNEditorLineBundle* LineBundle();
    TFrame_KZNEditorEscapeReplace* EscapeReplace();
    // The bars as they are: null while not yet built.
    TFrame_KZNEditorSearch* BuiltSearch() const { return FSearch; }
    TFrame_KZNEditorLineBundle* BuiltLineBundle() const { return FLineBundle; }
    TFrame_KZNEditorEscapeReplace* BuiltEscapeReplace() const { return FEscapeReplace; }
    // Called once for each bar just built, before it is handed out.
    std::function<void(TFrame_KZNEditorLineBundle&)> OnLineBundleBuilt;
    std::function<void(TFrame_KZNEditorEscapeReplace&)> OnEscapeReplaceBuilt;
    // Binds the bars to the editor, those built now and those built later.
    void SetEditor(TKZNEditor* Editor);
    TKZNEditor* Editor() const { return FEditor; }
    // A shown bar is hidden and Action unchecked; a hidden one is shown,
    // Action checked and Focus focused. True when the bar is now shown.
    bool Toggle(QWidget* Bar, QAction* Action, QWidget* Focus);

private:
    // Puts a new bar into the stack at its place (Slot: 0 search, 1 line bundle, 2 escape), hidden.
    void Place(QWidget* Bar, int Slot);
    // Field's bar, built into its Slot on first use and told to OnBuilt.
    template <class TBar>
    TBar* BuildOnce(TBar*& Field, int Slot, const std::function<void(TBar&)>& OnBuilt = nullptr);
    TKZNEditor* FEditor = nullptr;
    TFrame_KZNEditorSearch* FSearch = nullptr;
    TFrame_KZNEditorLineBundle* FLineBundle = nullptr;
    TFrame_KZNEditorEscapeReplace* FEscapeReplace = nullptr;
};
