// A statement of the ODBC layer as a dataset. Open runs a query and holds its
// whole result (block fetches into compact columnar storage, so it is
// bidirectional and knows its record count); ExecSQL runs a statement and
// reports the rows it affected. With ParamCheck on, ":name" outside literals
// and comments is a named parameter.
//
// Every value is read as the driver's text (or bytes) and shown as
// OdbcValueText.h says: in the layer's form where it has the form of its
// column's type, otherwise as the database holds it. Only SQL NULL is null.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "DataSet.h"
#include "OdbcColumnStore.h"
#include "OdbcSqlText.h"

class TOdbcConnection;

class TOdbcParameter {
public:
    std::string Name;
    TFieldType DataType = ftUnknown;
    TVariant Value;
    // The file's bytes become the value (ftBytes and the blob kinds bind as binary).
    // Raises EFOpenError when the file cannot be read.
    void LoadFromFile(const std::string& fileName, TFieldType dataType);
};

class TOdbcParameters {
public:
    int Count() const { return static_cast<int>(Items.size()); }
    TOdbcParameter& operator[](int i) { return Items.at(static_cast<size_t>(i)); }
    TOdbcParameter* FindParam(std::string_view name);    // case-insensitive; null when absent
    TOdbcParameter& ParamByName(std::string_view name);  // raises EDatabaseError when absent
    std::vector<TOdbcParameter> Items;
};

namespace odbc {
// The field names of a result from its labels: a label that no other label
// equals (compared ignoring case, as fields are looked up) keeps its text, as
// does the first of a group of equal labels; each later one takes the first
// LABEL_n (n = 1, 2, ...) that no label of the result and no name given
// before uses.
std::vector<std::string> UniqueFieldNames(const std::vector<std::string>& labels);
}  // namespace odbc

// The characters of a result's text (its labels and values) that CP932
// cannot hold: each of them became the substitute "?".
struct TTextLoss {
    static constexpr size_t kNamed = 5;   // how many of them are kept by name
    int64_t Count = 0;                    // characters replaced
    // The first of them (each once), as Unicode code points; a byte that is no
    // UTF-8 at all is kept as kNotUtf8 plus the byte.
    std::vector<uint32_t> First;
    bool More = false;                    // others besides those of First
    static constexpr uint32_t kNotUtf8 = 0x80000000u;
    // Adds the characters of Bytes (text as the API gives it: UTF-8 or UTF-16)
    // that CP932 cannot hold.
    void Note(std::string_view Bytes, bool Utf8);
};

class TOdbcQuery : public TDataSet {
public:
    explicit TOdbcQuery(TOdbcConnection* connection = nullptr);
    ~TOdbcQuery() override;

    TOdbcConnection* Connection() const { return FConnection; }
    void SetConnection(TOdbcConnection* connection);

    const std::string& SQL() const { return FSQL; }
    // Closes the dataset; with ParamCheck the parameters are rebuilt (values kept by name).
    void SetSQL(const std::string& sql);
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool v);
    TOdbcParameters& Parameters() { return FParameters; }

    // Off: numeric and decimal columns are floating-point fields (ftFloat);
    // on: BCD fields. Their values keep the exact digits the server sent.
    bool EnableBCD = true;

    // Called every 256 records while a result is fetched (to process pending
    // events); it may raise to stop the fetch.
    std::function<void()> OnFetchProgress;
    // The ODBC handle of the statement whose result is being fetched (for
    // OnFetchProgress to look at); null at any other time.
    void* StatementHandle() const { return FFetchStmt; }

    // Runs the statement without keeping a result.
    void ExecSQL();
    // Rows affected by the last ExecSQL (or by an opened statement without a result); -1 when unknown.
    int64_t RowsAffected() const { return FRowsAffected; }
    // True when some text of the result needed the substitute character.
    bool LossyText() const { return FLoss.Count > 0; }
    // Which characters of the result needed it.
    const TTextLoss& TextLoss() const { return FLoss; }

    // A result of one table, whose columns the driver traces back to it, can be
    // edited: each post, insert and delete is written to that table at once,
    // through the statement's connection (inside its open transaction, if
    // any). A changed or deleted record is found again by the table's primary
    // key and the original values of the changed columns, or, for a table
    // without one, by the original values of all its columns; a change that
    // would reach no record or more than one is refused and nothing is written.
    // A value read with the substitute character (characters CP932 lacks)
    // cannot find its record: without a key, or in a key column, the change
    // is refused saying so; the key finds it whatever the other columns hold.
    bool CanModify() const override;
    // A column that is not one of the table's (an expression) cannot be written.
    std::string FieldReadOnlyMessage(const TField& Field) const override;
    // The table edits are written to ("schema"."table", quoted); empty when
    // the result cannot be edited.
    const std::string& UpdateTable() const { return FUpdateTable; }
    bool CanReadRows() const override { return true; }
    bool ReadRowValue(int Row, const TField& Field, TVariant& Value) override;
    bool GetFieldText(const TField& field, std::string& text) override;
    bool GetFieldTextView(const TField& field, std::string_view& text, std::string& scratch) override;
    bool IsFieldNull(const TField& field) override;

    // Called by the connection when it disconnects (detach: it is going away).
    void ConnectionClosing(bool detach);

protected:
    std::string ReadOnlyReason() const override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = static_cast<int64_t>(FRowCount); }
    TGetResult GetRecord(TGetMode mode) override;
    int GetRecordCount() override { return static_cast<int>(FRowCount); }
    int GetRecNo() override {
        if (State() == dsInsert) return static_cast<int>(FInsertAt + 1);
        return FCur <= 0 ? 1 : static_cast<int>(FCur + 1);
    }
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
    struct TRun;
    struct TFetch;
    void* Execute(TRun& run);        // returns the executed statement handle
    void Fetch(void* stmt);
    // A value the driver gave in a made-up form that could not be read back
    // (see TFetch): its text raises EConvertError.
    bool Unreadable(size_t storeRow, int col) const;
    [[noreturn]] void RaiseUnreadable() const;
    // Bytes (the API's text of the value at storeRow, col) needed the substitute.
    void NoteLossy(size_t storeRow, size_t col, std::string_view Bytes, bool Utf8) {
        FLoss.Note(Bytes, Utf8);
        FLossyCells.emplace_back(storeRow, static_cast<int>(col));
    }
    // The value as read holds the substitute character in place of characters CP932 lacks.
    bool LossyCell(size_t storeRow, int col) const;
    void CheckConnected() const;
    // Editing: where the rows of the result stand once records were changed,
    // added or deleted (none of this exists for a result that was only read).
    size_t StoreRow(int64_t row) const { return FRowMap.empty() ? static_cast<size_t>(row) : FRowMap[static_cast<size_t>(row)]; }
    bool CellValue(size_t storeRow, int col, TVariant& value) const;
    void TraceUpdateTable(void* stmt);
    // SQLite: the base column of each field (empty where none can be told
    // with certainty); Labels are the driver's labels, Tables the base tables.
    // Where the statement reads one table, a field of another table can only
    // be an expression's (a subquery's): its table is cleared.
    std::vector<std::string> SqliteBaseColumns(const std::vector<std::string>& Labels,
                                               std::vector<std::string>& Tables);
    // SQLite: the labels of a statement prepared (not run) on the connection.
    std::vector<std::string> SqlitePreparedLabels(const std::string& Sql);
    void LoadKeyColumns();
    // " WHERE ..." finding the record of the original values Old; the
    // parameters' values are appended to Values (numbered on from those in it).
    // A value of store row Row read with substitutes that the WHERE would
    // need raises EDatabaseError (Action: what the change does, "更新").
    std::string WhereOf(size_t Row, const std::vector<TVariant>& Old, const std::vector<bool>& Changed,
                        std::vector<TVariant>& Values, const char* Action) const;
    // Raises unless Where finds exactly one record; Action names the change.
    void CheckOneRecord(const std::string& Where, const std::vector<TVariant>& Values, const char* Action);
    // Runs a statement of an edit (a count when Query); a database error is
    // raised with Failure as its first line.
    int64_t RunChange(const std::string& Sql, const std::vector<TVariant>& Values, bool Query, const char* Failure);
    int64_t RunChangeStatement(const std::string& Sql, const std::vector<TVariant>& Values, bool Query);
    std::string Quoted(const std::string& Name) const;
    void MaterialiseRowMap();

    TOdbcConnection* FConnection = nullptr;
    std::string FSQL;
    bool FParamCheck = true;
    TOdbcParameters FParameters;
    int64_t FRowsAffected = -1;
    TTextLoss FLoss;
    bool FCursorOpen = false;
    int64_t FCur = -1;
    size_t FRowCount = 0;
    std::vector<TColumnStore> FColumns;
    std::vector<uint8_t> FValueKinds;      // per field: how its stored text reads back as a value
    std::vector<std::pair<size_t, int>> FUnreadable;   // (store row, field), sorted
    // (store row, field) of each value read with the substitute character, sorted
    std::vector<std::pair<size_t, int>> FLossyCells;
    void* FFetchStmt = nullptr;

    size_t FStoreRows = 0;                 // rows held in FColumns
    bool FEdited = false;                  // a record was changed, added or deleted
    std::vector<size_t> FRowMap;           // row -> store row; empty: the same number
    std::unordered_map<size_t, std::vector<TVariant>> FChanged;   // store row -> its values after a post
    std::vector<std::vector<TVariant>> FAdded;                    // store rows FStoreRows, FStoreRows + 1, ...
    std::vector<TVariant> FEdit;           // the record being edited or inserted
    int64_t FInsertAt = 0;
    std::string FUpdateTable;              // quoted; empty: not editable
    std::string FReadOnlyReason;           // why not, in words
    std::string FTableCatalog, FTableSchema, FTableName;
    std::vector<std::string> FBaseColumns; // per field; empty: not a column of the table
    std::string FQuote;                    // the driver's identifier quote
    bool FKeysLoaded = false;
    std::vector<bool> FKeyColumns;         // per field: part of the primary key
};
