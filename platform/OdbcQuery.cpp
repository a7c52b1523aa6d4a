#include "OdbcQuery.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "CP932.h"
#include "FileSystem.h"
#include "OdbcConnection.h"
#include "OdbcText.h"
#include "SysUtils.h"

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

namespace odbc {

TParsedSQL ParseParamSQL(std::string_view s) {
    TParsedSQL out;
    out.Text.reserve(s.size());
    const size_t n = s.size();
    auto delimiter = [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == ',' || c == ';' || c == ')';
    };
    size_t i = 0;
    while (i < n) {
        char c = s[i];
        if (cp932::IsLeadByte(c) && i + 1 < n) {
            out.Text.append(s.substr(i, 2));
            i += 2;
        } else if (c == '\'' || c == '"') {
            size_t j = i + 1;
            for (; j < n; ++j) {
                if (cp932::IsLeadByte(s[j]) && j + 1 < n) { ++j; continue; }
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) { ++j; continue; }
                    break;
                }
            }
            j = std::min(j + 1, n);
            out.Text.append(s.substr(i, j - i));
            i = j;
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            size_t j = s.find('\n', i);
            j = j == std::string_view::npos ? n : j;
            out.Text.append(s.substr(i, j - i));
            i = j;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t j = s.find("*/", i + 2);
            j = j == std::string_view::npos ? n : j + 2;
            out.Text.append(s.substr(i, j - i));
            i = j;
        } else if (c == ':' && i + 1 < n && s[i + 1] == ':') {
            out.Text.append("::");
            i += 2;
        } else if (c == ':' && i + 1 < n && s[i + 1] == '"') {
            size_t j = s.find('"', i + 2);
            if (j == std::string_view::npos) {
                out.Text.append(s.substr(i));
                break;
            }
            out.Names.emplace_back(s.substr(i + 2, j - i - 2));
            out.Text.push_back('?');
            i = j + 1;
        } else if (c == ':' && i + 1 < n && !delimiter(s[i + 1])) {
            size_t j = i + 1;
            while (j < n && !delimiter(s[j])) j += cp932::IsLeadByte(s[j]) && j + 1 < n ? 2 : 1;
            out.Names.emplace_back(s.substr(i + 1, j - i - 1));
            out.Text.push_back('?');
            i = j;
        } else {
            out.Text.push_back(c);
            ++i;
        }
    }
    return out;
}

}  // namespace odbc

// ---------------------------------------------------------------------------
// Running a statement

namespace {

const char* const kNoResultSet = "CommandText は結果セットを返しません。";

struct TStmt {
    SQLHSTMT H = SQL_NULL_HSTMT;
    ~TStmt() {
        if (H) SQLFreeHandle(SQL_HANDLE_STMT, H);
    }
};

// How a result column is fetched and kept.
struct TColPlan {
    SQLSMALLINT SqlType = 0;
    SQLULEN ColSize = 0;
    SQLSMALLINT Digits = 0;
    TFieldType Type = ftUnknown;
    TColumnStore::TStorage Storage = TColumnStore::csText;
    SQLSMALLINT CType = SQL_C_WCHAR;
    SQLLEN Width = 0;   // bytes of one bound value
    std::vector<char> Buf;
    std::vector<SQLLEN> Ind;
};

void PlanColumn(TColPlan& p, bool unsignedType, bool enableBCD, bool utf8) {
    auto text = [&](TFieldType t, SQLULEN chars) {
        p.Type = t;
        p.Storage = TColumnStore::csText;
        p.CType = odbc::TextCType(utf8);
        // UTF-8 takes up to three bytes for a character of the basic plane
        p.Width = static_cast<SQLLEN>(utf8 ? chars * 3 + 1 : (chars + 1) * 2);
    };
    auto bytes = [&](TFieldType t) {
        p.Type = t;
        p.Storage = TColumnStore::csBytes;
        p.CType = SQL_C_BINARY;
        p.Width = p.ColSize > 0 && p.ColSize <= 8192 ? static_cast<SQLLEN>(p.ColSize) : 1024;
    };
    SQLULEN shortText = p.ColSize > 0 && p.ColSize <= 1024 ? p.ColSize : 256;
    switch (p.SqlType) {
    case SQL_CHAR: case SQL_VARCHAR: text(ftString, shortText); break;
    case SQL_WCHAR: case SQL_WVARCHAR: text(ftWideString, shortText); break;
    case SQL_LONGVARCHAR: text(ftMemo, 256); break;
    case SQL_WLONGVARCHAR: text(ftWideMemo, 256); break;
    case SQL_GUID: text(ftGuid, 36); break;
    case SQL_DECIMAL: case SQL_NUMERIC:
        text(enableBCD ? (p.ColSize > 18 ? ftFMTBcd : ftBCD) : ftFloat, std::max<SQLULEN>(p.ColSize, 38) + 3);
        break;
    case SQL_BINARY: bytes(ftBytes); break;
    case SQL_VARBINARY: bytes(ftVarBytes); break;
    case SQL_LONGVARBINARY: bytes(ftBlob); break;
    case SQL_BIT: case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT:
        p.Type = p.SqlType == SQL_BIT ? ftBoolean
                 : p.SqlType == SQL_BIGINT ? ftLargeint
                 : p.SqlType == SQL_INTEGER ? (unsignedType ? ftLargeint : ftInteger)
                 : (unsignedType ? ftWord : ftSmallint);
        p.Storage = TColumnStore::csInteger;
        p.CType = SQL_C_SBIGINT;
        p.Width = sizeof(int64_t);
        break;
    case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE:
        p.Type = ftFloat;
        p.Storage = TColumnStore::csFloat;
        p.CType = SQL_C_DOUBLE;
        p.Width = sizeof(double);
        break;
    case SQL_TYPE_DATE: case SQL_DATE: case SQL_TYPE_TIME: case SQL_TIME: case SQL_TYPE_TIMESTAMP: case SQL_TIMESTAMP:
        p.Type = p.SqlType == SQL_TYPE_DATE || p.SqlType == SQL_DATE   ? ftDate
                 : p.SqlType == SQL_TYPE_TIME || p.SqlType == SQL_TIME ? ftTime
                                                                         : ftDateTime;
        p.Storage = TColumnStore::csTimeStamp;
        p.CType = SQL_C_TYPE_TIMESTAMP;
        p.Width = sizeof(SQL_TIMESTAMP_STRUCT);
        break;
    default:
        text(ftString, shortText);
        break;
    }
}

int FieldSize(const TColPlan& p) {
    switch (p.Type) {
    case ftString: case ftWideString: case ftBytes: case ftVarBytes:
        return static_cast<int>(std::min<SQLULEN>(p.ColSize, 0x7FFFFFFF));
    case ftGuid: return 38;
    default: return 0;
    }
}

static_assert(sizeof(SQL_TIMESTAMP_STRUCT) == sizeof(TSQLTimeStamp), "timestamp layouts differ");

TSQLTimeStamp Stamp(const SQL_TIMESTAMP_STRUCT& t) {
    TSQLTimeStamp s;
    s.Year = t.year;
    s.Month = t.month;
    s.Day = t.day;
    s.Hour = t.hour;
    s.Minute = t.minute;
    s.Second = t.second;
    s.Fraction = t.fraction;
    return s;
}

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
    try {
        Close();
    } catch (...) {
    }
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
    try {
        Close();
    } catch (...) {
    }
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
    SQLHDBC dbc = FConnection->Handle();
    const bool utf8 = FConnection->Utf8Api();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &run.Stmt.H)))
        FConnection->RaiseError(SQL_HANDLE_DBC, dbc, "SQL の準備");
    SQLHSTMT st = run.Stmt.H;
    int timeout = CommandTimeout >= 0 ? CommandTimeout : FConnection->CommandTimeout;
    SQLSetStmtAttrW(st, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(timeout, 0))), 0);

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
    FLossy = false;
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
    FCursorOpen = true;
    FCur = -1;
}

void TOdbcQuery::Fetch(void* stmtHandle) {
    SQLHSTMT st = stmtHandle;
    const bool utf8 = FConnection->Utf8Api();
    SQLSMALLINT cols = 0;
    SQLNumResultCols(st, &cols);
    std::vector<TColPlan> plans(static_cast<size_t>(cols));
    FieldDefs().Clear();
    FColumns.clear();
    FRowCount = 0;
    for (SQLSMALLINT c = 0; c < cols; ++c) {
        TColPlan& p = plans[static_cast<size_t>(c)];
        std::string name(1024, '\0');
        SQLSMALLINT nameLen = 0, nullable = 0;
        const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(c + 1);
        SQLRETURN dr = utf8 ? SQLDescribeCol(st, col, reinterpret_cast<SQLCHAR*>(&name[0]), static_cast<SQLSMALLINT>(name.size() - 1),
                                             &nameLen, &p.SqlType, &p.ColSize, &p.Digits, &nullable)
                            : SQLDescribeColW(st, col, reinterpret_cast<SQLWCHAR*>(&name[0]), static_cast<SQLSMALLINT>(name.size() / 2 - 1),
                                              &nameLen, &p.SqlType, &p.ColSize, &p.Digits, &nullable);
        if (!SQL_SUCCEEDED(dr)) FConnection->RaiseError(SQL_HANDLE_STMT, st, "列の情報の取得");
        name.resize(std::min(static_cast<size_t>(std::max<SQLSMALLINT>(nameLen, 0)) * static_cast<size_t>(odbc::UnitSize(utf8)),
                             name.size()));
        SQLLEN uns = SQL_FALSE;
        SQLColAttribute(st, col, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &uns);
        PlanColumn(p, uns == SQL_TRUE, EnableBCD, utf8);
        std::string fieldName = odbc::FromApiText(name, utf8);
        if (fieldName.empty()) fieldName = "COLUMN" + std::to_string(c + 1);
        // the toolkit's names for duplicates: NAME, NAME_1, NAME_2, ...
        std::string unique = fieldName;
        for (int k = 1; FieldDefs().IndexOf(unique) >= 0; ++k) unique = fieldName + "_" + std::to_string(k);
        TFieldDef& d = FieldDefs().Add(unique, p.Type, FieldSize(p), nullable == SQL_NO_NULLS);
        d.Precision = static_cast<int>(std::min<SQLULEN>(p.ColSize, 0x7FFFFFFF));
        d.Scale = p.Digits;
        FColumns.emplace_back(p.Storage);
    }

    const bool block = FConnection->BlockFetchWithPositioning();
    const bool bound = block || FConnection->GetDataOnBound();
    size_t rowset = 1;
    if (block) {
        size_t stride = 0;
        for (const auto& p : plans) stride += static_cast<size_t>(p.Width) + sizeof(SQLLEN);
        rowset = std::clamp<size_t>((size_t(4) << 20) / std::max<size_t>(stride, 1) / 256 * 256, 256, 4096);
    }
    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> status(rowset, SQL_ROW_SUCCESS);
    if (bound) {
        for (size_t c = 0; c < plans.size(); ++c) {
            TColPlan& p = plans[c];
            p.Buf.assign(rowset * static_cast<size_t>(p.Width), 0);
            p.Ind.assign(rowset, 0);
            if (!SQL_SUCCEEDED(SQLBindCol(st, static_cast<SQLUSMALLINT>(c + 1), p.CType, p.Buf.data(), p.Width, p.Ind.data())))
                FConnection->RaiseError(SQL_HANDLE_STMT, st, "列の結合");
        }
    }
    if (block) {
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
        if (!SQL_SUCCEEDED(SQLSetStmtAttrW(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset), 0)))
            FConnection->RaiseError(SQL_HANDLE_STMT, st, "行配列の設定");
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_STATUS_PTR, status.data(), 0);
        SQLSetStmtAttrW(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    }

    // Reads a whole value with SQLGetData (from the start); false for null.
    std::string piece(65536, '\0');
    auto getLong = [&](SQLUSMALLINT col, SQLSMALLINT ctype, std::string& out) -> bool {
        out.clear();
        const SQLLEN room = static_cast<SQLLEN>(piece.size()) - (ctype == odbc::TextCType(utf8) ? odbc::UnitSize(utf8) : 0);
        for (;;) {
            SQLLEN ind = 0;
            SQLRETURN r = SQLGetData(st, col, ctype, &piece[0], static_cast<SQLLEN>(piece.size()), &ind);
            if (r == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(r)) FConnection->RaiseError(SQL_HANDLE_STMT, st, "データの取得");
            if (ind == SQL_NULL_DATA) return false;
            if (ind != SQL_NO_TOTAL && ind <= room) {
                out.append(piece.data(), static_cast<size_t>(ind));
                break;
            }
            out.append(piece.data(), static_cast<size_t>(room));
        }
        return true;
    };
    auto storeLong = [&](TColumnStore& store, const TColPlan& p, bool present, const std::string& data) {
        if (!present) store.AppendNull();
        else if (p.Storage == TColumnStore::csText)
            FLossy |= store.AppendApiText(data, utf8);
        else store.AppendBytes(data);
    };

    std::string longValue;
    size_t total = 0;
    for (;;) {
        SQLRETURN r = SQLFetch(st);
        if (r == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(r)) FConnection->RaiseError(SQL_HANDLE_STMT, st, "データの取得");
        const size_t rows = block ? static_cast<size_t>(fetched) : 1;
        for (size_t base = 0; base < rows; base += 256) {
            const size_t end = std::min(rows, base + 256);
            for (size_t c = 0; c < plans.size(); ++c) {
                TColPlan& p = plans[c];
                TColumnStore& store = FColumns[c];
                const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(c + 1);
                for (size_t row = base; row < end; ++row) {
                    if (block && status[row] == SQL_ROW_ERROR) FConnection->RaiseError(SQL_HANDLE_STMT, st, "データの取得");
                    if (!bound) {
                        // no binding: every value through SQLGetData, in column order
                        if (p.Storage == TColumnStore::csText || p.Storage == TColumnStore::csBytes) {
                            bool present = getLong(col, p.CType, longValue);
                            storeLong(store, p, present, longValue);
                        } else {
                            SQLLEN ind = 0;
                            char buf[sizeof(SQL_TIMESTAMP_STRUCT) + 8];
                            SQLRETURN g = SQLGetData(st, col, p.CType, buf, sizeof buf, &ind);
                            if (!SQL_SUCCEEDED(g)) FConnection->RaiseError(SQL_HANDLE_STMT, st, "データの取得");
                            if (ind == SQL_NULL_DATA) store.AppendNull();
                            else if (p.Storage == TColumnStore::csInteger) store.AppendInteger(*reinterpret_cast<int64_t*>(buf));
                            else if (p.Storage == TColumnStore::csFloat) store.AppendFloat(*reinterpret_cast<double*>(buf));
                            else store.AppendTimeStamp(Stamp(*reinterpret_cast<SQL_TIMESTAMP_STRUCT*>(buf)));
                        }
                        continue;
                    }
                    const SQLLEN ind = p.Ind[row];
                    const char* cell = p.Buf.data() + row * static_cast<size_t>(p.Width);
                    if (ind == SQL_NULL_DATA) {
                        store.AppendNull();
                        continue;
                    }
                    switch (p.Storage) {
                    case TColumnStore::csInteger: {
                        int64_t v;
                        std::memcpy(&v, cell, sizeof v);
                        store.AppendInteger(v);
                        break;
                    }
                    case TColumnStore::csFloat: {
                        double v;
                        std::memcpy(&v, cell, sizeof v);
                        store.AppendFloat(v);
                        break;
                    }
                    case TColumnStore::csTimeStamp: {
                        SQL_TIMESTAMP_STRUCT v;
                        std::memcpy(&v, cell, sizeof v);
                        store.AppendTimeStamp(Stamp(v));
                        break;
                    }
                    default: {
                        const SQLLEN room = p.Width - (p.Storage == TColumnStore::csText ? odbc::UnitSize(utf8) : 0);
                        if (ind == SQL_NO_TOTAL || ind > room) {
                            // longer than the bound buffer: read the whole value
                            if (block && !SQL_SUCCEEDED(SQLSetPos(st, static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE)))
                                FConnection->RaiseError(SQL_HANDLE_STMT, st, "データの取得");
                            bool present = getLong(col, p.CType, longValue);
                            storeLong(store, p, present, longValue);
                        } else if (p.Storage == TColumnStore::csText) {
                            FLossy |= store.AppendApiText(std::string_view(cell, static_cast<size_t>(ind)), utf8);
                        } else {
                            store.AppendBytes(std::string_view(cell, static_cast<size_t>(ind)));
                        }
                        break;
                    }
                    }
                }
            }
            const size_t before = total;
            total += end - base;
            FRowCount = total;
            if (OnFetchProgress && total / 256 != before / 256) OnFetchProgress();
        }
    }
    FRowCount = total;
}

void TOdbcQuery::InternalClose() {
    FCursorOpen = false;
    FColumns.clear();
    FColumns.shrink_to_fit();
    FRowCount = 0;
    FCur = -1;
}

TGetResult TOdbcQuery::GetRecord(TGetMode mode) { return MoveRowCursor(FCur, static_cast<int64_t>(FRowCount), mode); }

void TOdbcQuery::InternalSetRecNo(int value) {
    if (value >= 1 && static_cast<size_t>(value) <= FRowCount) FCur = value - 1;
}

void TOdbcQuery::GetBookmarkData(std::string& bookmark) { bookmark = RowBookmark(FCur); }

void TOdbcQuery::InternalGotoBookmark(const std::string& bookmark) {
    FCur = CheckedBookmarkRow(bookmark, static_cast<int64_t>(FRowCount));
}

bool TOdbcQuery::GetFieldValue(const TField& field, TVariant& value) {
    if (FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return false;
    const TColumnStore& store = FColumns.at(static_cast<size_t>(field.Index()));
    const size_t row = static_cast<size_t>(FCur);
    if (store.IsNull(row)) return false;
    if (field.DataType() == ftBoolean) value = TVariant(store.Integer(row) != 0);
    else value = store.Value(row);
    return true;
}

bool TOdbcQuery::GetFieldText(const TField& field, std::string& text) {
    text.clear();
    if (!Active()) CheckActive();
    if (State() != dsBrowse || FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return false;
    const TColumnStore& store = FColumns.at(static_cast<size_t>(field.Index()));
    const size_t row = static_cast<size_t>(FCur);
    if (store.IsNull(row)) return false;
    switch (store.Storage()) {
    case TColumnStore::csInteger: {
        int64_t v = store.Integer(row);
        if (field.DataType() == ftBoolean) {
            text = v ? "True" : "False";
        } else {
            char buf[24];
            auto res = std::to_chars(buf, buf + sizeof buf, v);
            text.assign(buf, res.ptr);
        }
        break;
    }
    case TColumnStore::csFloat: text = dbtext::FloatToStr(store.Float(row)); break;
    case TColumnStore::csTimeStamp: text = dbtext::DateTimeToStr(store.TimeStamp(row), field.DataType()); break;
    default: {
        std::string_view b = store.Bytes(row);
        text.assign(b.data(), b.size());
        break;
    }
    }
    return true;
}

bool TOdbcQuery::IsFieldNull(const TField& field) {
    CheckActive();
    if (FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return true;
    return FColumns.at(static_cast<size_t>(field.Index())).IsNull(static_cast<size_t>(FCur));
}
