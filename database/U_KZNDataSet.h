// A dataset over rows addressed by number (0 = the first row): a descendant
// supplies the field definitions, the row count and one value of one row;
// the base makes a full dataset of it. Editing calls row operations that
// refuse by default.
#pragma once
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"

// The error class of the row-number datasets (a database error).
Z_DECLARE_EXCEPTION(EWrappedDataSetException, EDatabaseError);

// One buffered record.
struct TKZNRecordBuffer {
    int Row = INT_MIN;    // INT_MIN: initialised, empty
    TBookmarkFlag BookmarkFlag = bfCurrent;
    std::vector<TVariant> Values;   // one per field, null after initialisation
};

class TKZNDataSet : public TDataSet {
public:
    TKZNDataSet();
    ~TKZNDataSet() override;

    bool Locate(const std::string& keyFields, const TVariant& keyValue) override;
    TVariant Lookup(const std::string& keyFields, const TVariant& keyValue, const std::string& resultFields) override;
    bool CanReadRows() const override { return true; }
    bool ReadRowValue(int Row, const TField& Field, TVariant& Value) override;
    // Memo fields are read through this stream only; writing is refused.
    std::unique_ptr<TDataBlobStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;

    int CurrentRow = -1;   // -1 before the first row, the row count after the last
    int EditRow = -1;      // the row being edited or inserted; -1 when none
    std::vector<TVariant> EditValues;
    bool IsOpen = false;

    // The text of the memo field read last (one buffer for the process), NUL-terminated.
    static std::string& MemoBuffer();

protected:
    // Introduced here, in this order.
    virtual void FillRecordBuffer(TKZNRecordBuffer& Buffer);
    virtual int GetRowCount() = 0;
    virtual void BeforeInternalOpen() {}
    virtual void AfterInternalOpen() {}
    virtual void BeforeInternalClose() {}
    virtual void AfterInternalClose() {}
    virtual void GetRowValue(int Row, const TFieldDef& FieldDef, TVariant& Value) = 0;
    virtual void SetRowValue(int Row, const TFieldDef& FieldDef, const TVariant& Value);
    virtual void AppendRow(const std::vector<TVariant>& Values, int Count);
    virtual void InsertRow(int Row, const std::vector<TVariant>& Values, int Count);
    virtual void DeleteRow(int Row);
    // Builds FieldDefs when the dataset opens.
    virtual void InternalInitFieldDefs() = 0;

    // The dataset abstraction.
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return IsOpen; }
    void InternalHandleException() override {}
    void InternalFirst() override { CurrentRow = -1; }
    void InternalLast() override { CurrentRow = GetRowCount(); }
    TGetResult GetRecord(TGetMode mode) override;
    int GetRecordCount() override;
    int GetRecNo() override { return CurrentRow <= 0 ? 1 : CurrentRow + 1; }
    void InternalSetRecNo(int value) override;
    void GetBookmarkData(std::string& bookmark) override;
    void InternalGotoBookmark(const std::string& bookmark) override;
    void InternalRefresh() override;
    bool GetFieldValue(const TField& field, TVariant& value) override;
    void SetFieldValue(TField& field, const TVariant& value) override;
    void InternalEdit() override;
    void InternalInsert(bool append) override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalAddRecord(const std::vector<TVariant>& values, bool append) override;

    TKZNRecordBuffer ActiveBuffer;

private:
    void InitRecord(TKZNRecordBuffer& Buffer);
    void ClearEditValues();
    // The field's value from a row's raw value, in the field's type; false for null.
    bool FieldValueOf(const TField& field, const TVariant& v, TVariant& value, bool memoBuffer);
};
