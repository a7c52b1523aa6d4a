// The grid pages of a result page: a tab per grid window, with the menu
// that deletes them (this one, all others, all, those whose dataset is
// closed, those before this one). A grid deleted writes what was typed into
// it first, and stays when it cannot. Deleted windows are freed once no run
// is on the stack. Most result pages never show a grid: the tabs and their menu
// are built with the first grid (PageControl1 and the menu are null until then).
#pragma once
#include <functional>
#include <memory>
#include <string>

#include <QAction>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include "DataSet.h"

class TForm_Grid;

class TResultGridPages : public QWidget {
public:
    explicit TResultGridPages(QWidget* Parent = nullptr);

    // Opens a grid window over DataSet as a new tab, which becomes the
    // active one. Raises what the window's creation raises (the dataset is freed then).
    TForm_Grid* AddGrid(std::unique_ptr<TDataSet> DataSet, const std::string& Caption);
    int Count() const { return PageControl1 ? PageControl1->count() : 0; }
    TForm_Grid* Grid(int Index) const;
    std::string Caption(int Index) const;

    void DeleteActive();    // "このグリッドを削除"
    void DeleteOthers();    // "このグリッド 以外 全て削除"
    void DeleteAll();       // "全て削除"
    void DeleteInvalid();   // "無効グリッドをすべて削除": those whose dataset is no longer open
    void DeleteBefore();    // "このグリッドより前を削除"

    // Called whenever grid pages were added or deleted.
    std::function<void()> OnArrange;

    // Folded, the grid pages show only a strip of their tabs, so the console
    // above them keeps its room on a short page; a click on a tab of the
    // strip makes it the current grid and asks OnUnfold to open them again
    // (without a handler they unfold at once).
    void SetFolded(bool Value);
    bool Folded() const { return FFolded; }
    // The least height of the grid pages open, and of their strip folded.
    int OpenHeight() const { return PageControl1 ? PageControl1->minimumSizeHint().height() : 0; }
    int FoldedHeight();
    std::function<void(int Index)> OnUnfold;

    QTabWidget* PageControl1 = nullptr;
    QMenu* PopupMenu_PageControl = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;

private:
    void Build();
    // False when the grid could not write what was typed into it and stays.
    bool DeleteTab(int Index);
    void Arrange();
    // The strip's tabs as the grid pages' tabs are.
    void SyncFoldBar();
    QTabBar* FoldBar();
    bool FFolded = false;
    QTabBar* FFoldBar = nullptr;  // made on the first fold
};
