// A grid page of a result page: one dataset in a grid, read-only until the
// user switches to update mode; then records are edited, appended, deleted,
// posted and cancelled through the dataset's own operations (a query result
// of one table writes them to the database). Errors of posting, deleting and
// re-reading go into a small error editor under the grid, which flashes red
// and shows the newest message whole; an edit the dataset cannot take (a
// result that cannot be written, a column that is no table's) is refused
// there in words when it is tried. The editor is emptied once an edit has
// been written. The window owns its dataset.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include <QAction>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QWidget>

#include "DataSet.h"
#include "Exception.h"
#include "GraphicsTypes.h"
#include "KZNEditor.h"
#include "U_DataSetGridModel.h"

Z_DECLARE_EXCEPTION(EFormGrid, Exception);

class TForm_Grid : public QWidget {
public:
    // Takes DataSet over. A dataset that is not open raises EFormGrid and is freed.
    TForm_Grid(QWidget* Owner, std::unique_ptr<TDataSet> DataSet);
    ~TForm_Grid() override;

    TDataSet* DataSet() const { return FDataSet.get(); }
    TDataSetGridModel* Model() const { return FModel; }

    // Update mode is the grid not being read-only.
    void SetGridReadOnly(bool ReadOnly);
    bool GridReadOnly() const { return FGridReadOnly; }
    // The grid's background from the dataset's modified flag, then UpdateActions.
    void UpdateColor();
    void UpdateActions();
    // Adds Text (one or more lines) at the end of the error editor and shows
    // it whole, first line first: the editor grows to its lines (up to half
    // the window) and scrolls to its first line.
    void ShowError(const std::string& Text);
    void FlashError();
    // An edit refused before it began: why, in the error editor, which flashes
    // (the same refusal again only flashes).
    void ShowRefusal(const std::string& Text);
    // Empties the error editor and gives it its own height again; done when an
    // edit has been written.
    void ClearErrors();
    // The dataset's post-error event: the error is shown and the post abandoned.
    void DataSetPostError(TDataSet& DataSet, EDatabaseError& E, TDataAction& Action);

    void Action_FirstExecute();
    void Action_LastExecute();
    void Action_AddExecute();
    void Action_DeleteExecute();
    void Action_PostExecute();
    void Action_CancelExecute();
    void Action_UpdateTggleExecute();
    void Action_RefreshExecute();

    // The colours now set (the toolkit's values).
    TColor GridColor() const { return FGridColor; }
    TColor GridFontColor() const { return FGridFontColor; }

    bool Busy = true;
    bool Flashing = false;
    // The pause between the steps of a flash (replaceable, for tests).
    std::function<void(int Ms)> FlashSleep;

    QWidget* Panel2;
    QToolBar* ToolBar1;
    QTableView* DBGrid1;
    QSplitter* Splitter1;
    QWidget* Panel1;
    TKZNEditor* KZNEditor1;
    QAction* Action_UpdateTggle;
    QAction* Action_Refresh;
    QAction* Action_First;
    QAction* Action_Post;
    QAction* Action_Delete;
    QAction* Action_Cancel;
    QAction* Action_Last;
    QAction* Action_Add;

    static constexpr TColor clMoneyGreen = 0xC0DCC0;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool GridKey(class QKeyEvent* Key);
    void CommitCellEditor();
    void ApplyGridColors();
    void SizeColumns();
    // Whether the cell may be edited; a refusal is said once the key or click that asked has been handled.
    bool MayEditCell(const QModelIndex& Index);
    // The view follows the dataset: rows again (Reload) or the current row's cells, and the current row.
    void SyncView(bool Reload);
    // The user moved to another row of the view: the dataset follows (posting or cancelling first).
    void ViewRowChanged(int Row);
    // A dataset closed under the grid (its connection was closed or made
    // anew) leaves nothing to show: the rows, captions and current cell go.
    void DropClosedRows();
    bool DataSetOpen() const { return FDataSet && FDataSet->Active(); }
    bool DataSetEmpty() const { return FDataSet->Bof() && FDataSet->Eof(); }

    std::unique_ptr<TDataSet> FDataSet;
    TDataSetGridModel* FModel = nullptr;
    bool FGridReadOnly = true;
    bool FSyncing = false;
    int FErrorBoxHeight = 31;      // the error editor's own height
    std::string FLastRefusal;      // the refusal shown last, while the editor holds it
    TColor FGridColor = clWindow;
    TColor FGridFontColor = clWindowText;
};
