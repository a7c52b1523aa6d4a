#include "OdbcQuery.h"

#include <algorithm>

#include "AppException.h"
#include "CP932.h"
#include "FileSystem.h"
#include "OdbcConnection.h"
#include "OdbcQueryParts.h"
#include "OdbcText.h"
#include "OdbcValueText.h"
#include "SysUtils.h"

using odbc::TStmt;
using odbc::vkBytes;
using odbc::vkInteger;
using odbc::vkFloat;
using odbc::vkBoolean;
using odbc::vkStamp;

// ---------------------------------------------------------------------------
// Parameters

void TOdbcParameter::LoadFromFile(const std::string& fileName, TFieldType dataType) {
    std::string bytes;
    if (!fs932::FileExists(fileName) || !fs932::ReadFile(fileName, bytes))
        throw EFOpenError("ファイル " + fileName + " を開けません");
    DataType = dataType;
    if (TField::IsStringType(dataType)) Value = TVariant(std::move(bytes));
    else Value = TVariant(TBytes{std::move(bytes)});
}

TOdbcParameter* TOdbcParameters::FindParam(std::string_view name) {
    for (auto& p : Items)
        if (sys::SameText(p.Name, name)) return &p;
    return nullptr;
}

TOdbcParameter& TOdbcParameters::ParamByName(std::string_view name) {
    TOdbcParameter* p = FindParam(name);
    if (!p) throw EDatabaseError("パラメータ '" + std::string(name) + "' が見つかりません");
    return *p;
}

// ---------------------------------------------------------------------------
// Running a statement

namespace {

const char* const kNoResultSet = "CommandText は結果セットを返しません。";
const char* const kClientCopy =
    "COPY ... FROM STDIN / TO STDOUT のように、データを接続を通して直接やり取りする文は"
    "この接続では実行できません。文は実行していません。";
}  // namespace

// The bound parameter values of one run; they live until the statement has run.
struct TOdbcQuery::TRun {
    TStmt Stmt;
    std::vector<std::string> Texts;
    std::vector<std::string> Bytes;
    std::vector<int64_t> Ints;
    std::vector<double> Floats;
    std::vector<SQL_TIMESTAMP_STRUCT> Stamps;
    std::vector<SQLLEN> Ind;
};

TOdbcQuery::TOdbcQuery(TOdbcConnection* connection) { SetConnection(connection); }

TOdbcQuery::~TOdbcQuery() {
    app::Guard([this] { Close(); });
    if (FConnection) FConnection->UnregisterDataSet(this);
}

void TOdbcQuery::SetConnection(TOdbcConnection* connection) {
    if (connection == FConnection) return;
    Close();
    if (FConnection) FConnection->UnregisterDataSet(this);
    FConnection = connection;
    if (FConnection) FConnection->RegisterDataSet(this);
}

void TOdbcQuery::ConnectionClosing(bool detach) {
    // the connection closes whatever a query's close handlers do
    app::Guard([this] { Close(); });
    if (detach) FConnection = nullptr;
}

void TOdbcQuery::SetSQL(const std::string& sql) {
    Close();
    FSQL = sql;
    if (!FParamCheck) return;
    TOdbcParameters fresh;
    for (const std::string& name : odbc::ParseParamSQL(sql).Names) {
        if (fresh.FindParam(name)) continue;
        TOdbcParameter* old = FParameters.FindParam(name);
        fresh.Items.push_back(old ? *old : TOdbcParameter{name, ftUnknown, TVariant()});
        fresh.Items.back().Name = name;
    }
    FParameters = std::move(fresh);
}

void TOdbcQuery::SetParamCheck(bool v) {
    FParamCheck = v;
    if (!v) FParameters.Items.clear();
    else SetSQL(FSQL);
}

void TOdbcQuery::CheckConnected() const {
    if (!FConnection || !FConnection->Connected()) throw EDatabaseError("データベースに接続していません。");
}

void* TOdbcQuery::Execute(TRun& run) {
    CheckConnected();
    // the driver would wait for ever for the copy data of such a statement
    if (FConnection->PostgreSql() && odbc::PgClientCopy(FParamCheck ? odbc::ParseParamSQL(FSQL).Text : FSQL))
        throw EDatabaseError(kClientCopy);
    SQLHDBC dbc = FConnection->Handle();
    const bool utf8 = FConnection->Utf8Api();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &run.Stmt.H)))
        FConnection->RaiseError(SQL_HANDLE_DBC, dbc, "SQL の準備");
    SQLHSTMT st = run.Stmt.H;

    std::string text;
    if (FParamCheck) {
        odbc::TParsedSQL parsed = odbc::ParseParamSQL(FSQL);
        text = odbc::ApiText(parsed.Text, utf8);
        const size_t n = parsed.Names.size();
        // reserve so that the addresses handed to the driver stay put
        run.Texts.reserve(n);
        run.Bytes.reserve(n);
        run.Ints.reserve(n);
        run.Floats.reserve(n);
        run.Stamps.reserve(n);
        run.Ind.reserve(n);
        for (size_t k = 0; k < n; ++k) {
            const TOdbcParameter& prm = FParameters.ParamByName(parsed.Names[k]);
            const TVariant& v = prm.Value;
            SQLUSMALLINT no = static_cast<SQLUSMALLINT>(k + 1);
            SQLRETURN r;
            if (v.IsNull()) {
                run.Ind.push_back(SQL_NULL_DATA);
                bool binary = prm.DataType == ftBytes || prm.DataType == ftVarBytes || prm.DataType == ftBlob;
                r = SQLBindParameter(st, no, SQL_PARAM_INPUT, binary ? SQL_C_BINARY : odbc::TextCType(utf8),
                                     binary ? SQL_LONGVARBINARY : (utf8 ? SQL_VARCHAR : SQL_WVARCHAR), 1, 0, nullptr, 0,
                                     &run.Ind.back());
            } else if (v.IsBytes()) {
                run.Bytes.push_back(std::get<TBytes>(v.V).Data);
                std::string& b = run.Bytes.back();
                run.Ind.push_back(static_cast<SQLLEN>(b.size()));
                r = SQLBindParameter(st, no, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                     std::max<SQLULEN>(b.size(), 1), 0, b.empty() ? nullptr : &b[0],
                                     static_cast<SQLLEN>(b.size()), &run.Ind.back());
            } else if (v.IsInteger() || v.IsBoolean()) {
                run.Ints.push_back(v.AsInteger());
                run.Ind.push_back(0);
                r = SQLBindParameter(st, no, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 19, 0,
                                     &run.Ints.back(), 0, &run.Ind.back());
            } else if (v.IsFloat()) {
                run.Floats.push_back(v.AsFloat());
                run.Ind.push_back(0);
                r = SQLBindParameter(st, no, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0,
                                     &run.Floats.back(), 0, &run.Ind.back());
            } else if (v.IsDateTime()) {
                const TSQLTimeStamp& t = v.AsDateTime();
                SQL_TIMESTAMP_STRUCT ts{t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Fraction};
                run.Stamps.push_back(ts);
                run.Ind.push_back(0);
                r = SQLBindParameter(st, no, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 29, 6,
                                     &run.Stamps.back(), 0, &run.Ind.back());
            } else {
                run.Texts.push_back(odbc::ApiText(v.AsString(), utf8));
                std::string& w = run.Texts.back();
                const SQLULEN chars = std::max<SQLULEN>(w.size() / static_cast<size_t>(odbc::UnitSize(utf8)), 1);
                SQLSMALLINT sqlType = utf8 ? (chars > 4000 ? SQL_LONGVARCHAR : SQL_VARCHAR)
                                           : (chars > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR);
                run.Ind.push_back(static_cast<SQLLEN>(w.size()));
                r = SQLBindParameter(st, no, SQL_PARAM_INPUT, odbc::TextCType(utf8), sqlType, chars, 0,
                                     w.empty() ? nullptr : &w[0], static_cast<SQLLEN>(w.size()), &run.Ind.back());
            }
            if (!SQL_SUCCEEDED(r)) FConnection->RaiseError(SQL_HANDLE_STMT, st, "パラメータの設定");
        }
    } else {
        text = odbc::ApiText(FSQL, utf8);
    }
    text.push_back('\0');
    text.push_back('\0');
    SQLRETURN r = utf8 ? SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(&text[0]), static_cast<SQLINTEGER>(text.size() - 2))
                       : SQLExecDirectW(st, reinterpret_cast<SQLWCHAR*>(&text[0]), static_cast<SQLINTEGER>(text.size() / 2 - 1));
    if (!SQL_SUCCEEDED(r) && r != SQL_NO_DATA) FConnection->RaiseError(SQL_HANDLE_STMT, st, "SQL の実行");
    return st;
}

void TOdbcQuery::ExecSQL() {
    Close();
    FRowsAffected = -1;
    TRun run;
    SQLHSTMT st = Execute(run);
    SQLLEN rows = -1;
    if (SQL_SUCCEEDED(SQLRowCount(st, &rows))) FRowsAffected = rows;
}

void TOdbcQuery::InternalOpen() {
    FRowsAffected = -1;
    FLoss = TTextLoss();
    TRun run;
    SQLHSTMT st = Execute(run);
    SQLSMALLINT cols = 0;
    for (;;) {
        if (!SQL_SUCCEEDED(SQLNumResultCols(st, &cols))) FConnection->RaiseError(SQL_HANDLE_STMT, st, "結果の取得");
        if (cols > 0) break;
        SQLLEN rows = -1;
        if (SQL_SUCCEEDED(SQLRowCount(st, &rows))) FRowsAffected = rows;
        SQLRETURN r = SQLMoreResults(st);
        if (r == SQL_NO_DATA) throw EDatabaseError(kNoResultSet);
        if (!SQL_SUCCEEDED(r)) FConnection->RaiseError(SQL_HANDLE_STMT, st, "結果の取得");
    }
    Fetch(st);
    FStoreRows = FRowCount;
    FCursorOpen = true;
    FCur = -1;
}

bool TOdbcQuery::Unreadable(size_t storeRow, int col) const {
    return std::binary_search(FUnreadable.begin(), FUnreadable.end(), std::make_pair(storeRow, col));
}

void TOdbcQuery::RaiseUnreadable() const {
    throw EConvertError("データベースの値をドライバが表せないため、表示できません");
}

void TOdbcQuery::InternalClose() {
    FCursorOpen = false;
    FColumns.clear();
    FColumns.shrink_to_fit();
    FRowCount = 0;
    FStoreRows = 0;
    FCur = -1;
    FEdited = false;
    FRowMap.clear();
    FRowMap.shrink_to_fit();
    FChanged.clear();
    FAdded.clear();
    FEdit.clear();
    FKeysLoaded = false;
    FKeyColumns.clear();
    FUnreadable.clear();
    FLossyCells.clear();
}

TGetResult TOdbcQuery::GetRecord(TGetMode mode) { return MoveRowCursor(FCur, static_cast<int64_t>(FRowCount), mode); }

void TOdbcQuery::InternalSetRecNo(int value) {
    if (value >= 1 && static_cast<size_t>(value) <= FRowCount) FCur = value - 1;
}

void TOdbcQuery::GetBookmarkData(std::string& bookmark) { bookmark = RowBookmark(FCur); }

void TOdbcQuery::InternalGotoBookmark(const std::string& bookmark) {
    FCur = CheckedBookmarkRow(bookmark, static_cast<int64_t>(FRowCount));
}

bool TOdbcQuery::CellValue(size_t storeRow, int col, TVariant& value) const {
    if (storeRow >= FStoreRows) {
        value = FAdded.at(storeRow - FStoreRows).at(static_cast<size_t>(col));
        return !value.IsNull();
    }
    if (!FChanged.empty()) {
        auto it = FChanged.find(storeRow);
        if (it != FChanged.end()) {
            value = it->second.at(static_cast<size_t>(col));
            return !value.IsNull();
        }
    }
    const TColumnStore& store = FColumns.at(static_cast<size_t>(col));
    if (store.IsNull(storeRow)) return false;
    if (!FUnreadable.empty() && Unreadable(storeRow, col)) RaiseUnreadable();
    // the value the stored text stands for; a text of another form is the value itself
    const std::string_view t = store.Bytes(storeRow);
    switch (FValueKinds[static_cast<size_t>(col)]) {
    case vkBytes: value = TVariant(TBytes{std::string(t)}); return true;
    case vkInteger: {
        int64_t v = 0;
        if (odbc::IntegerOfText(t, v)) value = TVariant(v);
        else break;
        return true;
    }
    case vkFloat: {
        double v = 0;
        if (odbc::FloatOfText(t, v)) value = TVariant(v);
        else break;
        return true;
    }
    case vkBoolean:
        if (t == "True" || t == "False") value = TVariant(t == "True");
        else break;
        return true;
    case vkStamp: {
        TSQLTimeStamp v;
        if (odbc::StampOfText(t, v)) value = TVariant(v);
        else break;
        return true;
    }
    default: break;
    }
    value = TVariant(std::string(t));
    return true;
}

bool TOdbcQuery::GetFieldValue(const TField& field, TVariant& value) {
    if (State() == dsEdit || State() == dsInsert) {
        const size_t i = static_cast<size_t>(field.Index());
        value = i < FEdit.size() ? FEdit[i] : TVariant();
        return !value.IsNull();
    }
    if (FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return false;
    return CellValue(StoreRow(FCur), field.Index(), value);
}

bool TOdbcQuery::ReadRowValue(int Row, const TField& Field, TVariant& Value) {
    CheckActive();
    Value = TVariant();
    if (Row < 0 || static_cast<size_t>(Row) >= FRowCount) return false;
    return CellValue(StoreRow(Row), Field.Index(), Value);
}

bool TOdbcQuery::GetFieldText(const TField& field, std::string& text) {
    text.clear();
    std::string_view view;
    const bool has = GetFieldTextView(field, view, text);
    if (view.data() != text.data()) text.assign(view.begin(), view.end());
    return has;
}

bool TOdbcQuery::GetFieldTextView(const TField& field, std::string_view& text, std::string& scratch) {
    text = std::string_view();
    if (!Active()) CheckActive();
    if (State() != dsBrowse || FEdited) {
        // the base class's text, not TDataSet::GetFieldTextView: that one calls
        // our GetFieldText, which comes back here
        const bool has = TDataSet::GetFieldText(field, scratch);
        text = scratch;
        return has;
    }
    if (FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return false;
    const TColumnStore& store = FColumns.at(static_cast<size_t>(field.Index()));
    const size_t row = static_cast<size_t>(FCur);
    if (store.IsNull(row)) return false;
    if (!FUnreadable.empty() && Unreadable(row, field.Index())) RaiseUnreadable();
    text = store.Bytes(row);  // where the store keeps it
    return true;
}

bool TOdbcQuery::IsFieldNull(const TField& field) {
    CheckActive();
    if (State() != dsBrowse || FEdited) return TDataSet::IsFieldNull(field);
    if (FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return true;
    return FColumns.at(static_cast<size_t>(field.Index())).IsNull(static_cast<size_t>(FCur));
}
