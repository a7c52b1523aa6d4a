// A table model over a dataset, for the grid window: one row per record,
// one column per field. Cells are read by record number without moving the
// dataset's cursor, so only the rows a view paints are ever read; the
// record being edited or inserted shows its edit values. Setting a cell
// edits the dataset's current record (moving to the cell's record first).
#pragma once
#include <functional>
#include <string>

#include <QAbstractTableModel>

#include "DataSet.h"

class TDataSetGridModel : public QAbstractTableModel {
public:
    explicit TDataSetGridModel(TDataSet* DataSet, QObject* Parent = nullptr);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    // Display and edit text (an invalid QVariant for NULL), alignment.
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    // Field names; the row of the current record is marked ("▶" browsing,
    // "I" editing, "*" inserting).
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    // Off ReadOnly every cell is editable: whether it can be written is
    // asked of EditRefusal when an edit starts, so that a refusal is said.
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    // Why the cells of column Col cannot be changed, in words (the dataset's
    // or the field's refusal); empty when they can.
    std::string EditRefusal(int Col) const;
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role = Qt::EditRole) override;

    // The rows and columns again, after records were added, deleted or re-read.
    void Reload();
    // The current record's row changed its values or its state.
    void CurrentRowChanged();
    // The view's row of the dataset's current record; -1 when there is none.
    int CurrentRow() const;
    // The row being inserted; -1 when none.
    int InsertRow() const;
    // The text of a cell (CP932); false for NULL.
    bool CellText(int Row, int Col, std::string& Text) const;

    // Cells can be edited only when this is off.
    bool ReadOnly = true;
    // An edit of a cell failed (a conversion, a refused change, ...). The
    // dataset's own post-error event has shown errors of posting already.
    std::function<void(const std::exception&)> OnEditError;
    // A cell was set: the current record is modified.
    std::function<void()> OnEdited;

private:
    TDataSet* FDataSet;
    int FRows = 0, FCols = 0;
    int FRecNoRow = -1;
};
