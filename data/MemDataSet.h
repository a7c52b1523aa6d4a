// A materialised dataset filled by code: define FieldDefs, add rows, open.
// It can be edited, appended to and deleted from like any dataset; the rows
// live in memory and survive closing and opening again.
// Test support: the tests and the benchmarks fill results with it; the
// program itself never makes one.
#pragma once
#include <vector>

#include "DataSet.h"

class TMemDataSet : public TDataSet {
public:
    // Adds a row of values in field-definition order (open or closed);
    // missing values are null. The cursor does not move.
    void AddRow(std::vector<TVariant> values);
    int RowCount() const { return static_cast<int>(FRows.size()); }
    const std::vector<TVariant>& Row(int i) const { return FRows.at(static_cast<size_t>(i)); }

    // False makes the dataset refuse every change.
    bool Modifiable = true;
    bool CanModify() const override { return Modifiable; }
    bool CanReadRows() const override { return true; }
    bool ReadRowValue(int Row, const TField& Field, TVariant& Value) override;

protected:
    void InternalOpen() override;
    void InternalClose() override { FCursorOpen = false; }
    bool IsCursorOpen() const override { return FCursorOpen; }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = RowCount(); }
    TGetResult GetRecord(TGetMode mode) override;
    int GetRecordCount() override { return RowCount(); }
    int GetRecNo() override;
    void InternalSetRecNo(int value) override;
    void GetBookmarkData(std::string& bookmark) override;
    void InternalGotoBookmark(const std::string& bookmark) override;
    bool GetFieldValue(const TField& field, TVariant& value) override;
    void SetFieldValue(TField& field, const TVariant& value) override;
    void InternalEdit() override;
    void InternalInsert(bool append) override;
    void InternalPost() override;
    void InternalCancel() override { FEdit.clear(); }
    void InternalDelete() override;

private:
    std::vector<std::vector<TVariant>> FRows;
    std::vector<TVariant> FEdit;
    int64_t FCur = -1;
    int FInsertAt = 0;
    bool FCursorOpen = false;
};
