// The search and replace bar of an editor: a search box with its history,
// direction and case toggles, search down and up, and a replace panel with
// its own history box, replace, replace and search again, and replace all
// (through the progress window of KZNEditorSearch_Progress). Where the bar's
// width does not hold both at their full widths, the boxes narrow and the
// ignore-case caption is cut short; where even that does not do, the replace
// panel goes below the search.
#pragma once
#include <string>

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QToolButton>

#include "KZNEditor.h"
#include "KZNHistoryCombobox.h"

class TFrame_KZNEditorSearch : public QFrame {
public:
    explicit TFrame_KZNEditorSearch(QWidget* Parent = nullptr);
    ~TFrame_KZNEditorSearch() override;

    // Binds the bar to an editor (not owned).
    void SetEditor(TKZNEditor* Editor);
    TKZNEditor* Editor() const { return FEditor; }

    void SetIgnoreCase(bool Value);
    bool IgnoreCase() const { return Action_IgnoreCaseToggle->isChecked(); }
    // True while the direction is upward.
    bool Upward() const { return Action_AllowToggle->isChecked(); }
    void SetReplaceCount(int N);
    // The editor's selection is the search text (folded like the search when
    // case is ignored).
    bool IsSelectionMatched() const;
    void UpdateActionStates();

    // The actions' work, as their triggers run it.
    void Execute();
    void AllowToggle();
    void Down();
    void Up();
    void ReplaceShow();
    void Replace();
    void ReplaceAndSearch();
    void ReplaceAll();

    // The search part and the replace panel: side by side where the bar's
    // width holds both at their least widths, the replace panel below the
    // search otherwise.
    QFrame* Panel_Search;
    TKZNHistoryComboBox* ComboBox_Search;
    QToolButton* BitBtn1;  // search
    QToolButton* BitBtn6;  // direction
    QToolButton* BitBtn2;  // down
    QToolButton* BitBtn3;  // up
    QCheckBox* CheckBox_IgnoreCase;
    QToolButton* BitBtn7;  // replace panel
    QFrame* Panel_Replace;
    TKZNHistoryComboBox* KZNHistoryComboBox_Replace;
    QLabel* Label_Ni;
    QToolButton* BitBtn4;  // replace
    QToolButton* BitBtn8;  // replace and search
    QToolButton* BitBtn5;  // replace all
    QLabel* Label_ReplaceCount;

    QAction* Action_Execute;
    QAction* Action_AllowToggle;
    QAction* Action_Down;
    QAction* Action_Up;
    QAction* Action_IgnoreCaseToggle;
    QAction* Action_ReplaceShow;
    QAction* Action_Replace;
    QAction* Action_ReplaceAndSearch;
    QAction* Action_ReplaceAll;

    // The marker drawn at the caret when a search leaves the editor without
    // the focus (its window is not active); null until first needed.
    QWidget* FocusMark() const { return FFocusMark; }

protected:
    bool eventFilter(QObject* Watched, QEvent* E) override;

private:
    void ExecuteTurned();
    void ShowFocusMark();
    void DirectionImage();
    QPointer<TKZNEditor> FEditor;
    QPointer<QObject> FWatched;  // the editor, as an object
    QPointer<QWidget> FFocusMark;
};
