// The grid pages of a result page: a tab per grid window, with the menu
// that deletes them (this one, all others, all, those whose dataset is
// closed, those before this one). Deleted windows are freed once no run is
// on the stack.
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
    int Count() const { return PageControl1->count(); }
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
    int OpenHeight() const { return PageControl1->minimumSizeHint().height(); }
    int FoldedHeight();
    std::function<void(int Index)> OnUnfold;

    QTabWidget* PageControl1;
    QMenu* PopupMenu_PageControl;
    QAction* N1;
    QAction* N2;
    QAction* N3;
    QAction* N5;
    QAction* N6;

private:
    void DeleteTab(int Index);
    void Arrange();
    // The strip's tabs as the grid pages' tabs are.
    void SyncFoldBar();
    QTabBar* FoldBar();
    bool FFolded = false;
    QTabBar* FFoldBar = nullptr;  // made on the first fold
};
