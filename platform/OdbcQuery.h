// A statement of the ODBC layer as a dataset. Open runs a query and holds its
// whole result (block fetches into compact columnar storage, so it is
// bidirectional and knows its record count); ExecSQL runs a statement and
// reports the rows it affected. With ParamCheck on, ":name" outside literals
// and comments is a named parameter.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataSet.h"
#include "OdbcColumnStore.h"

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
// A statement text with its named parameters replaced by '?': the names in
// the order of their places (a name used twice is listed twice). ":name" ends
// at a blank, a control byte, ',', ';' or ')'; ':"name"' may hold any of
// them; "::" (a cast) is no parameter.
struct TParsedSQL {
    std::string Text;
    std::vector<std::string> Names;
};
TParsedSQL ParseParamSQL(std::string_view sql);
}  // namespace odbc

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
    int CommandTimeout = -1;   // seconds; -1 takes the connection's

    // Called every 256 records while a result is fetched (to process pending
    // events); it may raise to stop the fetch.
    std::function<void()> OnFetchProgress;

    // Runs the statement without keeping a result.
    void ExecSQL();
    // Rows affected by the last ExecSQL (or by an opened statement without a result); -1 when unknown.
    int64_t RowsAffected() const { return FRowsAffected; }
    // True when some text of the result needed the substitute character.
    bool LossyText() const { return FLossy; }

    bool CanModify() const override { return false; }
    bool GetFieldText(const TField& field, std::string& text) override;
    bool IsFieldNull(const TField& field) override;

    // Called by the connection when it disconnects (detach: it is going away).
    void ConnectionClosing(bool detach);

protected:
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = static_cast<int64_t>(FRowCount); }
    TGetResult GetRecord(TGetMode mode) override;
    int GetRecordCount() override { return static_cast<int>(FRowCount); }
    int GetRecNo() override { return FCur <= 0 ? 1 : static_cast<int>(FCur + 1); }
    void InternalSetRecNo(int value) override;
    void GetBookmarkData(std::string& bookmark) override;
    void InternalGotoBookmark(const std::string& bookmark) override;
    bool GetFieldValue(const TField& field, TVariant& value) override;

private:
    struct TRun;
    void* Execute(TRun& run);        // returns the executed statement handle
    void Fetch(void* stmt);
    void CheckConnected() const;

    TOdbcConnection* FConnection = nullptr;
    std::string FSQL;
    bool FParamCheck = true;
    TOdbcParameters FParameters;
    int64_t FRowsAffected = -1;
    bool FLossy = false;
    bool FCursorOpen = false;
    int64_t FCur = -1;
    size_t FRowCount = 0;
    std::vector<TColumnStore> FColumns;
};
