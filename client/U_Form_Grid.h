// A grid page of a result page: one dataset in a grid, read-only until the
// user switches to update mode; then records are edited, appended, deleted,
// posted and cancelled through the dataset's own operations (a query result
// of one table writes them to the database). Errors of posting, deleting and
// re-reading go into a small error editor under the grid, which flashes red
// and shows the newest message whole; an edit the dataset cannot take (a
// result that cannot be written, a column that is no table's) is refused
// there in words when it is tried. The editor is emptied once an edit has
// been written. A value still being typed into a cell belongs to the record:
// Post and the actions that move off the record take it first, or are
// refused when the record refuses it. The window owns its dataset.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include <QAction>
#include <QPointer>
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

    // The connection's transaction ended. Committed: the edits posted so far
    // stay. Rolled back: a grid that posted edits reads its rows again
    // (keeping its mode and, where it can, its record); one whose record is
    // still being edited keeps it and says instead, in the error editor, that
    // its rows may not be what the database holds.
    void TransactionEnded(bool Committed);
    // The rows may differ from the database (a rollback undid posted edits
    // that could not be read again).
    bool RowsStale() const { return FRowsStale; }

    // Before the window goes: the text being typed into a cell and the
    // record's changes are written. False when they cannot be (the reason is
    // in the error editor); the record then stays in editing.
    bool WriteEdits();

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
    // The text typed into the open cell editor goes into the record and the
    // editor closes. False when the record refused it (said already): the
    // editor stays open with the text, and the caller does nothing more.
    bool TakeCellEditor();
    // The open cell editor closes and its text is dropped.
    void DropCellEditor();
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
    QPointer<QWidget> FCellEditor;   // the open cell editor
    bool FEditRefused = false;       // the open cell editor's text was refused just now
    bool FPostedEdits = false;       // edits posted or records deleted since the rows were read
    bool FRowsStale = false;         // a rollback undid posted edits the grid still shows
    int FErrorBoxHeight = 31;      // the error editor's own height
    std::string FLastRefusal;      // the refusal shown last, while the editor holds it
    TColor FGridColor = clWindow;
    TColor FGridFontColor = clWindowText;
};
