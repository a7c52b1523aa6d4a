#include "OdbcQuery.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "AppException.h"
#include "CP932.h"
#include "FileSystem.h"
#include "OdbcConnection.h"
#include "OdbcText.h"
#include "OdbcValueText.h"
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

namespace {

// A token of a statement: a word (keywords and plain names), a quoted name
// (unquoted), a literal, or one punctuation byte.
struct TSqlToken {
    enum TKind { Word, Quoted, Literal, Punct } Kind;
    std::string Text;
};

bool WordByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || std::isalnum(u) || c == '_' || c == '$';
}

std::vector<TSqlToken> SqlTokens(std::string_view s) {
    std::vector<TSqlToken> out;
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        const char c = s[i];
        if (static_cast<unsigned char>(c) <= 0x20) {
            ++i;
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            size_t j = s.find('\n', i);
            i = j == std::string_view::npos ? n : j;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t j = s.find("*/", i + 2);
            i = j == std::string_view::npos ? n : j + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            std::string text;
            size_t j = i + 1;
            for (; j < n; ++j) {
                if (cp932::IsLeadByte(s[j]) && j + 1 < n) {
                    text.append(s.substr(j, 2));
                    ++j;
                    continue;
                }
                if (s[j] == close) {
                    if (close != ']' && j + 1 < n && s[j + 1] == close) {
                        text.push_back(close);
                        ++j;
                        continue;
                    }
                    break;
                }
                text.push_back(s[j]);
            }
            out.push_back({c == '\'' ? TSqlToken::Literal : TSqlToken::Quoted, std::move(text)});
            i = std::min(j + 1, n);
        } else if (WordByte(c)) {
            size_t j = i;
            while (j < n && WordByte(s[j])) j += cp932::IsLeadByte(s[j]) && j + 1 < n ? 2 : 1;
            out.push_back({TSqlToken::Word, std::string(s.substr(i, j - i))});
            i = j;
        } else {
            out.push_back({TSqlToken::Punct, std::string(1, c)});
            ++i;
        }
    }
    return out;
}

bool IsWord(const TSqlToken& t, const char* word) { return t.Kind == TSqlToken::Word && sys::SameText(t.Text, word); }
bool IsPunct(const TSqlToken& t, char c) { return t.Kind == TSqlToken::Punct && t.Text.size() == 1 && t.Text[0] == c; }
bool IsName(const TSqlToken& t) { return t.Kind == TSqlToken::Word || t.Kind == TSqlToken::Quoted; }

// The column an item names ("a.b.c [AS] x" names c); empty for any other item.
std::string ItemColumn(const std::vector<TSqlToken>& item) {
    size_t k = 0;
    if (item.empty() || !IsName(item[0])) return std::string();
    // literals written as words are no columns
    static const char* const kValues[] = {"NULL", "TRUE", "FALSE", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP"};
    for (const char* v : kValues)
        if (IsWord(item[0], v)) return std::string();
    if (item[0].Kind == TSqlToken::Word && std::isdigit(static_cast<unsigned char>(item[0].Text[0]))) return std::string();
    std::string column = item[k++].Text;
    while (k + 1 < item.size() && IsPunct(item[k], '.') && IsName(item[k + 1])) {
        column = item[k + 1].Text;
        k += 2;
    }
    if (k < item.size() && IsWord(item[k], "AS")) ++k;
    if (k < item.size() && IsName(item[k])) ++k;
    return k == item.size() ? column : std::string();
}

}  // namespace

namespace {

// The select list's columns; each "*" or "x.*" stands for Star, or, without
// Star, makes the list unknown (nothing at all).
std::vector<std::string> ListColumns(std::string_view sql, const std::vector<std::string>* Star) {
    const std::vector<TSqlToken> tokens = SqlTokens(sql);
    size_t i = 0;
    int depth = 0;
    for (; i < tokens.size(); ++i) {
        if (IsPunct(tokens[i], '(')) ++depth;
        else if (IsPunct(tokens[i], ')')) --depth;
        else if (depth == 0 && IsWord(tokens[i], "SELECT")) break;
    }
    if (i == tokens.size()) return {};
    ++i;
    if (i < tokens.size() && (IsWord(tokens[i], "DISTINCT") || IsWord(tokens[i], "ALL"))) ++i;
    std::vector<std::vector<TSqlToken>> items(1);
    std::vector<bool> stars(1, false);
    for (; i < tokens.size(); ++i) {
        const TSqlToken& t = tokens[i];
        if (IsPunct(t, '(')) ++depth;
        else if (IsPunct(t, ')')) --depth;
        if (depth == 0 && (IsWord(t, "FROM") || IsPunct(t, ';') || IsWord(t, "UNION") || IsWord(t, "INTERSECT") ||
                           IsWord(t, "EXCEPT")))
            break;
        if (depth == 0 && IsPunct(t, ',')) {
            items.emplace_back();
            stars.push_back(false);
            continue;
        }
        // "*" alone or "t.*": the columns it stands for are not known here
        if (depth == 0 && IsPunct(t, '*') && (items.back().empty() || IsPunct(items.back().back(), '.'))) {
            if (!Star) return {};
            stars.back() = true;
        }
        items.back().push_back(t);
    }
    for (; i < tokens.size() && !IsPunct(tokens[i], ';'); ++i) {
        const TSqlToken& t = tokens[i];
        if (IsPunct(t, '(')) ++depth;
        else if (IsPunct(t, ')')) --depth;
        else if (depth == 0 && (IsWord(t, "UNION") || IsWord(t, "INTERSECT") || IsWord(t, "EXCEPT"))) return {};
    }
    std::vector<std::string> out;
    out.reserve(items.size());
    for (size_t k = 0; k < items.size(); ++k) {
        const auto& item = items[k];
        if (!stars[k]) {
            out.push_back(ItemColumn(item));
            continue;
        }
        // only "*" or "name.*" stand for the columns; "x.* + 1" is no list
        const bool plain = item.size() == 1 || (item.size() == 3 && IsName(item[0]) && IsPunct(item[1], '.'));
        if (!plain) return {};
        out.insert(out.end(), Star->begin(), Star->end());
    }
    return out;
}

}  // namespace

std::vector<std::string> SelectListColumns(std::string_view sql) { return ListColumns(sql, nullptr); }

std::vector<std::string> SelectListColumns(std::string_view sql, const std::vector<std::string>& Star) {
    return ListColumns(sql, &Star);
}

TSingleTable SingleTable(std::string_view sql) {
    const std::vector<TSqlToken> tokens = SqlTokens(sql);
    const size_t n = tokens.size();
    auto word = [&](size_t i, const char* w) { return i < n && IsWord(tokens[i], w); };
    auto punct = [&](size_t i, char c) { return i < n && IsPunct(tokens[i], c); };
    // past the bracketed group that opens at i (n when it never closes)
    auto group = [&](size_t i) {
        for (int depth = 0; i < n; ++i) {
            if (IsPunct(tokens[i], '(')) ++depth;
            else if (IsPunct(tokens[i], ')') && --depth == 0) return i + 1;
        }
        return n;
    };
    // the tables a WITH clause makes:
    // WITH [RECURSIVE] name [(columns)] AS [NOT] [MATERIALIZED] (query), ...
    std::vector<std::string> before;
    size_t i = 0;
    if (word(0, "WITH")) {
        i = word(1, "RECURSIVE") ? 2 : 1;
        for (;;) {
            if (i >= n || !IsName(tokens[i])) return {};
            before.push_back(tokens[i++].Text);
            if (punct(i, '(')) i = group(i);
            if (!word(i, "AS")) return {};
            if (word(++i, "NOT")) ++i;
            if (word(i, "MATERIALIZED")) ++i;
            if (!punct(i, '(')) return {};
            i = group(i);
            if (!punct(i, ',')) break;
            ++i;
        }
    }
    if (!word(i, "SELECT")) return {};
    ++i;
    if (word(i, "DISTINCT") || word(i, "ALL")) ++i;
    const size_t listStart = i;
    int depth = 0;
    for (; i < n; ++i) {
        if (IsPunct(tokens[i], '(')) ++depth;
        else if (IsPunct(tokens[i], ')')) --depth;
        else if (depth == 0 && (IsWord(tokens[i], "FROM") || IsPunct(tokens[i], ';'))) break;
    }
    if (!word(i, "FROM")) return {};
    const size_t listEnd = i++;
    TSingleTable out;
    out.StarOnly = (listEnd == listStart + 1 && punct(listStart, '*')) ||
                   (listEnd == listStart + 3 && IsName(tokens[listStart]) && punct(listStart + 1, '.') &&
                    punct(listStart + 2, '*'));
    if (i >= n || !IsName(tokens[i])) return {};
    if (word(i, "ONLY") && i + 1 < n && IsName(tokens[i + 1])) return {};   // "ONLY t" or the table "only"
    std::string name = tokens[i++].Text;
    if (punct(i, '.') && i + 1 < n && IsName(tokens[i + 1])) {
        out.Schema = std::move(name);
        name = tokens[i + 1].Text;
        i += 2;
    }
    auto ends = [&](size_t k) {
        static const char* const kNext[] = {"WHERE", "GROUP", "HAVING", "WINDOW", "ORDER",
                                            "LIMIT", "OFFSET", "FETCH", "FOR"};
        if (k >= n || IsPunct(tokens[k], ';')) return true;
        for (const char* w : kNext)
            if (IsWord(tokens[k], w)) return true;
        return false;
    };
    if (!ends(i)) {
        // an alias, then the end of the FROM clause
        if (word(i, "AS")) ++i;
        if (i >= n || !IsName(tokens[i])) return {};
        ++i;
        if (!ends(i)) return {};
    }
    // Nothing after it may read another table beside it or join another
    // select to this one. A word taken for the end of the FROM clause may be
    // an alias ("FROM t window, u"), so a join is looked for up to the end: a
    // JOIN, or a comma before the clauses that list items (GROUP BY, ORDER
    // BY, LIMIT, words no alias can be).
    bool lists = false;
    for (depth = 0; i < n && !IsPunct(tokens[i], ';'); ++i) {
        const TSqlToken& t = tokens[i];
        if (IsPunct(t, '(')) ++depth;
        else if (IsPunct(t, ')')) --depth;
        else if (depth != 0) continue;
        else if (IsWord(t, "UNION") || IsWord(t, "INTERSECT") || IsWord(t, "EXCEPT") || IsWord(t, "JOIN")) return {};
        else if (IsWord(t, "GROUP") || IsWord(t, "ORDER") || IsWord(t, "LIMIT")) lists = true;
        else if (IsPunct(t, ',') && !lists) return {};
    }
    for (const std::string& b : before)
        if (sys::SameText(b, name)) return {};
    out.Name = std::move(name);
    return out;
}

std::vector<std::string> UniqueFieldNames(const std::vector<std::string>& labels) {
    std::unordered_set<std::string> used;   // upper case: every label, then every name given
    used.reserve(labels.size() * 2);
    for (const std::string& l : labels) used.insert(sys::UpperCase(l));
    // per label (upper case): met already, and the next n to try
    std::unordered_map<std::string, int> next;
    next.reserve(labels.size());
    std::vector<std::string> out;
    out.reserve(labels.size());
    for (const std::string& label : labels) {
        auto met = next.try_emplace(sys::UpperCase(label), 1);
        if (met.second) {
            out.push_back(label);
            continue;
        }
        for (int& k = met.first->second;; ++k) {
            std::string name = label + "_" + std::to_string(k);
            if (used.insert(sys::UpperCase(name)).second) {
                out.push_back(std::move(name));
                ++k;
                break;
            }
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

// A text attribute of a result column.
std::string ColumnText(SQLHSTMT st, SQLUSMALLINT col, SQLUSMALLINT attr, bool utf8) {
    std::string buf(1024, '\0');
    SQLSMALLINT len = 0;
    SQLRETURN r = utf8 ? SQLColAttribute(st, col, attr, &buf[0], static_cast<SQLSMALLINT>(buf.size() - 2), &len, nullptr)
                       : SQLColAttributeW(st, col, attr, &buf[0], static_cast<SQLSMALLINT>(buf.size() - 2), &len, nullptr);
    if (!SQL_SUCCEEDED(r) || len <= 0) return std::string();
    buf.resize(std::min(static_cast<size_t>(len), buf.size() - 2));
    return odbc::FromApiText(buf, utf8);
}

// How the values of a result column are read back from their stored text.
enum TValueKind : uint8_t {
    vkText,       // text as it is
    vkBytes,      // bytes
    vkNumeric,    // a decimal's exact digits, kept as text
    vkInteger,    // an integer's text (plain decimal when it is one)
    vkFloat,      // a real's text (the layer's form when it is a number)
    vkBoolean,    // a Boolean's text ("True"/"False" when it is one)
    vkStamp,      // a date, a time or both (the layer's form when it is one)
};

// How a result column is fetched and kept. Every column is bound as text
// (or bytes) in the form the driver writes: the layer makes the values.
struct TColPlan {
    SQLSMALLINT SqlType = 0;
    SQLULEN ColSize = 0;
    SQLSMALLINT Digits = 0;
    TFieldType Type = ftUnknown;
    TValueKind Kind = vkText;
    TColumnStore::TStorage Storage = TColumnStore::csText;
    SQLSMALLINT CType = SQL_C_WCHAR;
    bool Narrow = false;   // the text is UTF-8 (SQL_C_CHAR), not UTF-16
    SQLLEN Width = 0;      // bytes of one bound value, its terminator included
    char* Buf = nullptr;   // the rowset's values, Width bytes apart
    SQLLEN* Ind = nullptr;
    // bytes of the terminator a text value ends with
    SQLLEN Terminator() const { return Storage == TColumnStore::csBytes ? 0 : (Narrow ? 1 : 2); }
};

// Text is read narrow (UTF-8) from a driver without the wide API, and from
// the PostgreSQL driver, whose narrow text is the server's own UTF-8 (its
// wide text costs it a conversion and a second copy of a long value).
void PlanColumn(TColPlan& p, bool unsignedType, bool enableBCD, bool utf8, bool postgres, bool money) {
    const bool narrow = utf8 || postgres;
    auto text = [&](TFieldType t, TValueKind kind, SQLULEN chars) {
        p.Type = t;
        p.Kind = kind;
        p.Storage = TColumnStore::csText;
        p.Narrow = narrow;
        p.CType = narrow ? SQL_C_CHAR : SQL_C_WCHAR;
        // UTF-8 takes up to three bytes for a character of the basic plane
        p.Width = static_cast<SQLLEN>(narrow ? chars * 3 + 1 : (chars + 1) * 2);
    };
    auto bytes = [&](TFieldType t) {
        p.Type = t;
        p.Kind = vkBytes;
        p.Storage = TColumnStore::csBytes;
        p.CType = SQL_C_BINARY;
        p.Width = p.ColSize > 0 && p.ColSize <= 8192 ? static_cast<SQLLEN>(p.ColSize) : 1024;
    };
    // the text of a number or a date is short; a longer one is read whole
    SQLULEN shortText = p.ColSize > 0 && p.ColSize <= 1024 ? p.ColSize : 256;
    switch (p.SqlType) {
    case SQL_CHAR: case SQL_VARCHAR: text(ftString, vkText, shortText); break;
    case SQL_WCHAR: case SQL_WVARCHAR: text(ftWideString, vkText, shortText); break;
    case SQL_LONGVARCHAR: text(ftMemo, vkText, 256); break;
    case SQL_WLONGVARCHAR: text(ftWideMemo, vkText, 256); break;
    case SQL_GUID: text(ftGuid, vkText, 36); break;
    case SQL_DECIMAL: case SQL_NUMERIC:
        text(enableBCD ? (p.ColSize > 18 ? ftFMTBcd : ftBCD) : ftFloat, vkNumeric, std::max<SQLULEN>(p.ColSize, 38) + 3);
        break;
    case SQL_BINARY: bytes(ftBytes); break;
    case SQL_VARBINARY: bytes(ftVarBytes); break;
    case SQL_LONGVARBINARY: bytes(ftBlob); break;
    case SQL_BIT:
        text(ftBoolean, vkBoolean, 7);
        break;
    case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT:
        text(p.SqlType == SQL_BIGINT ? ftLargeint
             : p.SqlType == SQL_INTEGER ? (unsignedType ? ftLargeint : ftInteger)
                                        : (unsignedType ? ftWord : ftSmallint),
             vkInteger, 23);
        break;
    case SQL_REAL: case SQL_FLOAT: case SQL_DOUBLE:
        // money: its text keeps the currency sign the server writes
        if (money) text(ftCurrency, vkText, 31);
        else text(ftFloat, vkFloat, 31);
        break;
    case SQL_TYPE_DATE: case SQL_DATE: case SQL_TYPE_TIME: case SQL_TIME: case SQL_TYPE_TIMESTAMP: case SQL_TIMESTAMP:
        text(p.SqlType == SQL_TYPE_DATE || p.SqlType == SQL_DATE   ? ftDate
             : p.SqlType == SQL_TYPE_TIME || p.SqlType == SQL_TIME ? ftTime
                                                                     : ftDateTime,
             vkStamp, 40);
        break;
    default:
        text(ftString, vkText, shortText);
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

// True when every byte is ASCII (text the same in UTF-8 and CP932).
bool Ascii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
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
    FStoreRows = FRowCount;
    FCursorOpen = true;
    FCur = -1;
}

// One result read into the column stores: the plans of its columns, the
// rowset the driver fills, and the steps from the driver's rows to values.
struct TOdbcQuery::TFetch {
    TFetch(TOdbcQuery& q, SQLHSTMT st);
    ~TFetch();
    TFetch(const TFetch&) = delete;
    TFetch& operator=(const TFetch&) = delete;
    // The field definitions, stores and plans of the result's columns.
    void DescribeColumns();
    // Every row of the result into the stores.
    void ReadRows();

private:
    // The most rows one rowset of these columns may hold (about 4 MB).
    size_t MaxRowset() const;
    // Binds every column to room for a rowset of Rows rows.
    void BindRowset(size_t Rows);
    // Rows [First, End) of the fetched rowset into the stores.
    void StoreRows(size_t First, size_t End);
    void StoreBound(size_t C, size_t Row);
    // Positions the statement on Row of the rowset, for SQLGetData.
    void PositionOn(size_t Row);
    // The whole value of column C through SQLGetData from its start; false for null.
    bool ReadWhole(size_t C, std::string& Out);
    // Column C's value of Row (of the rowset), given as the driver's bytes.
    void StoreValue(size_t C, std::string_view Bytes, size_t Row);
    void StoreStamp(size_t C, std::string_view Text, size_t Row);
    // The number the driver makes of column C's value in Row; false when it makes none.
    bool NumberOf(size_t C, size_t Row, double& Value);
    [[noreturn]] void Fail(const char* Context) { Q.FConnection->RaiseError(SQL_HANDLE_STMT, St, Context); }

    TOdbcQuery& Q;
    SQLHSTMT St;
    bool Utf8, Block, Bound, Postgres;
    std::vector<TColPlan> Plans;
    TFetchScratch Own;         // when the connection's memory is held by a fetch further out
    TFetchScratch* Scratch;
    SQLULEN Fetched = 0;
    SQLUSMALLINT* Status = nullptr;
    std::string Whole, Text, Shown;   // one value: its bytes read whole, its CP932 text, its shown text
};

TOdbcQuery::TFetch::TFetch(TOdbcQuery& q, SQLHSTMT st)
    : Q(q), St(st), Utf8(q.FConnection->Utf8Api()), Block(q.FConnection->BlockFetchWithPositioning()),
      Bound(Block || q.FConnection->GetDataOnBound()), Postgres(q.FConnection->PostgreSql()) {
    TFetchScratch& shared = q.FConnection->FetchScratch();
    Scratch = shared.InUse ? &Own : &shared;
    Scratch->InUse = true;
    Q.FFetchStmt = st;
}

TOdbcQuery::TFetch::~TFetch() {
    // the statement lets go of the memory before another fetch takes it
    if (Bound) SQLFreeStmt(St, SQL_UNBIND);
    Scratch->InUse = false;
    Q.FFetchStmt = nullptr;
}

void TOdbcQuery::TFetch::DescribeColumns() {
    SQLSMALLINT cols = 0;
    SQLNumResultCols(St, &cols);
    Plans.assign(static_cast<size_t>(cols), TColPlan());
    std::vector<std::string> labels(Plans.size());
    std::vector<bool> required(Plans.size());
    Q.FieldDefs().Clear();
    Q.FColumns.clear();
    Q.FValueKinds.clear();
    Q.FUnreadable.clear();
    Q.FLossyCells.clear();
    Q.FRowCount = 0;
    const bool utf8 = Utf8;
    SQLHSTMT st = St;
    for (SQLSMALLINT c = 0; c < cols; ++c) {
        TColPlan& p = Plans[static_cast<size_t>(c)];
        std::string name(1024, '\0');
        SQLSMALLINT nameLen = 0, nullable = 0;
        const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(c + 1);
        SQLRETURN dr = utf8 ? SQLDescribeCol(st, col, reinterpret_cast<SQLCHAR*>(&name[0]), static_cast<SQLSMALLINT>(name.size() - 1),
                                             &nameLen, &p.SqlType, &p.ColSize, &p.Digits, &nullable)
                            : SQLDescribeColW(st, col, reinterpret_cast<SQLWCHAR*>(&name[0]), static_cast<SQLSMALLINT>(name.size() / 2 - 1),
                                              &nameLen, &p.SqlType, &p.ColSize, &p.Digits, &nullable);
        if (!SQL_SUCCEEDED(dr)) Fail("列の情報の取得");
        name.resize(std::min(static_cast<size_t>(std::max<SQLSMALLINT>(nameLen, 0)) * static_cast<size_t>(odbc::UnitSize(utf8)),
                             name.size()));
        SQLLEN uns = SQL_FALSE;
        SQLColAttribute(st, col, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &uns);
        const bool real = p.SqlType == SQL_REAL || p.SqlType == SQL_FLOAT || p.SqlType == SQL_DOUBLE;
        const bool money = Postgres && real && ColumnText(st, col, SQL_DESC_TYPE_NAME, utf8) == "money";
        PlanColumn(p, uns == SQL_TRUE, Q.EnableBCD, utf8, Postgres, money);
        // the label is the name as the database gives it: an expression's whole
        // text, an alias as written (SQLDescribeCol may give a shortened name)
        std::string& fieldName = labels[static_cast<size_t>(c)];
        fieldName = ColumnText(st, col, SQL_DESC_LABEL, utf8);
        if (fieldName.empty()) fieldName = odbc::FromApiText(name, utf8);
        if (fieldName.empty()) fieldName = "COLUMN" + std::to_string(c + 1);
        required[static_cast<size_t>(c)] = nullable == SQL_NO_NULLS;
    }
    // duplicates are told apart as fields are looked up, ignoring case
    const std::vector<std::string> names = odbc::UniqueFieldNames(labels);
    for (size_t c = 0; c < Plans.size(); ++c) {
        const TColPlan& p = Plans[c];
        TFieldDef& d = Q.FieldDefs().Add(names[c], p.Type, FieldSize(p), required[c]);
        d.Precision = static_cast<int>(std::min<SQLULEN>(p.ColSize, 0x7FFFFFFF));
        d.Scale = p.Digits;
        Q.FColumns.emplace_back(p.Storage);
        Q.FValueKinds.push_back(p.Kind);
    }
}

size_t TOdbcQuery::TFetch::MaxRowset() const {
    size_t stride = sizeof(SQLUSMALLINT);
    for (const auto& p : Plans) stride += static_cast<size_t>(p.Width) + sizeof(SQLLEN);
    return std::clamp<size_t>((size_t(4) << 20) / stride / 256 * 256, 256, 4096);
}

void TOdbcQuery::TFetch::BindRowset(size_t Rows) {
    auto align = [](size_t n) { return (n + 15) & ~size_t(15); };
    std::vector<size_t> at(Plans.size());
    size_t total = 0;
    for (size_t c = 0; c < Plans.size(); ++c) {
        at[c] = total;
        total = align(total + Rows * static_cast<size_t>(Plans[c].Width));
        total = align(total + Rows * sizeof(SQLLEN));
    }
    const size_t statusAt = total;
    total += Rows * sizeof(SQLUSMALLINT);
    char* base = Scratch->Reserve(total);
    for (size_t c = 0; c < Plans.size(); ++c) {
        TColPlan& p = Plans[c];
        p.Buf = base + at[c];
        p.Ind = reinterpret_cast<SQLLEN*>(base + align(at[c] + Rows * static_cast<size_t>(p.Width)));
        if (!SQL_SUCCEEDED(SQLBindCol(St, static_cast<SQLUSMALLINT>(c + 1), p.CType, p.Buf, p.Width, p.Ind)))
            Fail("列の結合");
    }
    if (!Block) return;
    Status = reinterpret_cast<SQLUSMALLINT*>(base + statusAt);
    SQLSetStmtAttrW(St, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
    if (!SQL_SUCCEEDED(SQLSetStmtAttrW(St, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(Rows), 0)))
        Fail("行配列の設定");
    SQLSetStmtAttrW(St, SQL_ATTR_ROW_STATUS_PTR, Status, 0);
    SQLSetStmtAttrW(St, SQL_ATTR_ROWS_FETCHED_PTR, &Fetched, 0);
}

void TOdbcQuery::TFetch::ReadRows() {
    // A result starts with a small rowset, so that one of a few rows binds
    // and touches little memory; while rowsets come back full it grows.
    const size_t limit = MaxRowset();
    size_t rowset = Block ? std::min<size_t>(32, limit) : 1;
    if (Bound) BindRowset(rowset);
    size_t total = 0;
    for (;;) {
        SQLRETURN r = SQLFetch(St);
        if (r == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(r)) Fail("データの取得");
        const size_t rows = Block ? static_cast<size_t>(Fetched) : 1;
        for (size_t base = 0; base < rows; base += 256) {
            const size_t end = std::min(rows, base + 256);
            StoreRows(base, end);
            const size_t before = total;
            total += end - base;
            Q.FRowCount = total;
            if (Q.OnFetchProgress && total / 256 != before / 256) Q.OnFetchProgress();
        }
        if (Block && rows == rowset && rowset < limit) {
            rowset = std::min(limit, rowset * 8);
            BindRowset(rowset);
        }
    }
    Q.FRowCount = total;
    std::sort(Q.FUnreadable.begin(), Q.FUnreadable.end());
    std::sort(Q.FLossyCells.begin(), Q.FLossyCells.end());
}

void TOdbcQuery::TFetch::StoreRows(size_t First, size_t End) {
    if (Block)
        for (size_t row = First; row < End; ++row)
            if (Status[row] == SQL_ROW_ERROR) Fail("データの取得");
    for (size_t c = 0; c < Plans.size(); ++c) {
        for (size_t row = First; row < End; ++row) {
            if (Bound) {
                StoreBound(c, row);
            } else if (ReadWhole(c, Whole)) {
                // no binding: every value through SQLGetData, in column order
                StoreValue(c, Whole, row);
            } else {
                Q.FColumns[c].AppendNull();
            }
        }
    }
}

void TOdbcQuery::TFetch::StoreBound(size_t C, size_t Row) {
    const TColPlan& p = Plans[C];
    const SQLLEN ind = p.Ind[Row];
    if (ind == SQL_NULL_DATA) {
        Q.FColumns[C].AppendNull();
        return;
    }
    if (ind == SQL_NO_TOTAL || ind > p.Width - p.Terminator()) {
        // longer than its bound place: read the whole value
        PositionOn(Row);
        if (ReadWhole(C, Whole)) StoreValue(C, Whole, Row);
        else Q.FColumns[C].AppendNull();
        return;
    }
    StoreValue(C, std::string_view(p.Buf + Row * static_cast<size_t>(p.Width), static_cast<size_t>(ind)), Row);
}

void TOdbcQuery::TFetch::PositionOn(size_t Row) {
    if (Block && !SQL_SUCCEEDED(SQLSetPos(St, static_cast<SQLSETPOSIROW>(Row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE)))
        Fail("データの取得");
}

bool TOdbcQuery::TFetch::ReadWhole(size_t C, std::string& Out) {
    const TColPlan& p = Plans[C];
    const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(C + 1);
    const SQLLEN terminator = p.Terminator();
    Out.clear();
    // Its length first, with no room for any of it, then all of it into room
    // made for it here: the driver copies the value once (the PostgreSQL
    // driver would otherwise make a whole copy of its own first, and does not
    // check that it got the memory for it).
    char none[8];
    SQLLEN ind = 0;
    SQLRETURN r = SQLGetData(St, col, p.CType, none, 0, &ind);
    if (r == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(r)) Fail("データの取得");
    if (ind == SQL_NULL_DATA) return false;
    if (ind == 0) return true;
    if (ind > 0) {
        Out.resize(static_cast<size_t>(ind + terminator));
        SQLLEN got = 0;
        r = SQLGetData(St, col, p.CType, &Out[0], ind + terminator, &got);
        if (!SQL_SUCCEEDED(r)) Fail("データの取得");
        if (got >= 0 && got <= ind) {
            Out.resize(static_cast<size_t>(got));
            return true;
        }
        // the driver had more than it said: the rest in pieces
        Out.resize(static_cast<size_t>(ind));
    }
    std::string& piece = Scratch->Piece();
    const SQLLEN room = static_cast<SQLLEN>(piece.size()) - terminator;
    for (;;) {
        r = SQLGetData(St, col, p.CType, &piece[0], static_cast<SQLLEN>(piece.size()), &ind);
        if (r == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(r)) Fail("データの取得");
        if (ind == SQL_NULL_DATA) return false;
        if (ind != SQL_NO_TOTAL && ind <= room) {
            Out.append(piece.data(), static_cast<size_t>(ind));
            break;
        }
        Out.append(piece.data(), static_cast<size_t>(room));
    }
    return true;
}

void TOdbcQuery::TFetch::StoreValue(size_t C, std::string_view Bytes, size_t Row) {
    const TColPlan& p = Plans[C];
    TColumnStore& store = Q.FColumns[C];
    switch (p.Kind) {
    case vkBytes: store.AppendBytes(Bytes); return;
    case vkText: case vkNumeric:
        if (store.AppendApiText(Bytes, p.Narrow)) Q.NoteLossy(store.Count() - 1, C);
        return;
    default: break;
    }
    // the CP932 text of a number or a date: the bytes themselves when they are ASCII
    std::string_view text = Bytes;
    if (!p.Narrow || !Ascii(Bytes)) {
        Text.clear();
        if (odbc::AppendApiText(Bytes, p.Narrow, Text)) Q.NoteLossy(store.Count(), C);
        text = Text;
    }
    bool shown = false;
    switch (p.Kind) {
    case vkInteger:
        // plain decimal is kept as it is; any other text is shown as it is too
        break;
    case vkFloat: shown = odbc::FloatText(text, Shown); break;
    case vkBoolean: shown = odbc::BooleanText(text, Shown); break;
    case vkStamp: StoreStamp(C, text, Row); return;
    default: break;
    }
    store.AppendBytes(shown ? std::string_view(Shown) : text);
}

void TOdbcQuery::TFetch::StoreStamp(size_t C, std::string_view Text, size_t Row) {
    const TColPlan& p = Plans[C];
    TColumnStore& store = Q.FColumns[C];
    const bool parsed = odbc::StampText(Text, p.Type, Shown);
    // The PostgreSQL driver writes a date or time stamp it cannot express
    // as a date of its own making: month 00 for infinity and for a year past
    // 9999, 9999-12-31 23:59:59 for an infinite time stamp, 9999-01-01 ...
    // BC for minus infinity. The number it makes of the server's text tells
    // infinity apart; the server's text of a time stamp before the era is
    // the driver's; a year past 9999 it keeps no month or day of.
    if (!Postgres || p.Type == ftTime || (parsed && Text != "9999-12-31 23:59:59")) {
        store.AppendBytes(parsed ? std::string_view(Shown) : Text);
        return;
    }
    double number = 0;
    if (NumberOf(C, Row, number) && std::isinf(number)) {
        store.AppendBytes(number > 0 ? "infinity" : "-infinity");
        return;
    }
    const std::string_view era = " BC";
    const bool beforeEra = Text.size() > era.size() && Text.substr(Text.size() - era.size()) == era &&
                           odbc::StampText(Text.substr(0, Text.size() - era.size()), p.Type, Shown);
    if (parsed) {
        store.AppendBytes(Shown);
    } else if (beforeEra) {
        store.AppendBytes(Text);
    } else {
        Q.FUnreadable.emplace_back(store.Count(), static_cast<int>(C));
        store.AppendBytes(std::string_view());
    }
}

bool TOdbcQuery::TFetch::NumberOf(size_t C, size_t Row, double& Value) {
    if (!Bound || (Block && !SQL_SUCCEEDED(SQLSetPos(St, static_cast<SQLSETPOSIROW>(Row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE))))
        return false;
    SQLLEN ind = 0;
    SQLRETURN r = SQLGetData(St, static_cast<SQLUSMALLINT>(C + 1), SQL_C_DOUBLE, &Value, sizeof Value, &ind);
    return SQL_SUCCEEDED(r) && ind != SQL_NULL_DATA;
}

void TOdbcQuery::Fetch(void* stmtHandle) {
    {
        TFetch fetch(*this, stmtHandle);
        fetch.DescribeColumns();
        fetch.ReadRows();
    }
    // once every row is read (tracing may run other statements on the connection)
    TraceUpdateTable(stmtHandle);
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
    if (!Active()) CheckActive();
    if (State() != dsBrowse || FEdited) return TDataSet::GetFieldText(field, text);
    if (FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return false;
    const TColumnStore& store = FColumns.at(static_cast<size_t>(field.Index()));
    const size_t row = static_cast<size_t>(FCur);
    if (store.IsNull(row)) return false;
    if (!FUnreadable.empty() && Unreadable(row, field.Index())) RaiseUnreadable();
    // every value is kept as the text it is shown as (bytes as they are)
    const std::string_view b = store.Bytes(row);
    text.assign(b.data(), b.size());
    return true;
}

bool TOdbcQuery::IsFieldNull(const TField& field) {
    CheckActive();
    if (State() != dsBrowse || FEdited) return TDataSet::IsFieldNull(field);
    if (FCur < 0 || static_cast<size_t>(FCur) >= FRowCount) return true;
    return FColumns.at(static_cast<size_t>(field.Index())).IsNull(static_cast<size_t>(FCur));
}

// ---------------------------------------------------------------------------
// Editing: changes are written to the result's table at once

namespace {

// Types whose values compare reliably with what was read (no rounding, no
// text form of a date).
bool ComparableType(TFieldType t) {
    switch (t) {
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc:
    case ftString: case ftWideString: case ftFixedChar: case ftFixedWideChar: case ftMemo: case ftWideMemo:
        return true;
    default:
        return false;
    }
}

// The text a statement runs as: its named parameters as '?'.
std::string RunText(const std::string& Sql, bool ParamCheck) { return ParamCheck ? odbc::ParseParamSQL(Sql).Text : Sql; }

// Whether the one table a statement reads itself is Table, in Schema when
// the statement names a schema.
bool ReadsItself(const odbc::TSingleTable& From, const std::string& Schema, const std::string& Table) {
    return !From.Name.empty() && sys::SameText(From.Name, Table) &&
           (From.Schema.empty() || sys::SameText(From.Schema, Schema));
}

}  // namespace

void TOdbcQuery::TraceUpdateTable(void* stmt) {
    SQLHSTMT st = stmt;
    const bool utf8 = FConnection->Utf8Api();
    FUpdateTable.clear();
    FReadOnlyReason.clear();
    FTableCatalog.clear();
    FTableSchema.clear();
    FTableName.clear();
    const size_t count = static_cast<size_t>(FieldDefs().Count());
    FBaseColumns.assign(count, std::string());
    std::vector<std::string> tables(count), columns(count);
    bool any = false;
    for (size_t c = 0; c < count; ++c) {
        const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(c + 1);
        tables[c] = ColumnText(st, col, SQL_DESC_BASE_TABLE_NAME, utf8);
        columns[c] = ColumnText(st, col, SQL_DESC_BASE_COLUMN_NAME, utf8);
        any = any || !tables[c].empty();
    }
    if (!any) {
        FReadOnlyReason = "結果の列はどれも表の列ではありません（式や定数の列です）。";
        return;
    }
    if (FConnection->Sqlite()) {
        // the SQLite driver gives the label as the base column name, an alias included
        std::vector<std::string> labels(count);
        for (size_t c = 0; c < count; ++c) labels[c] = ColumnText(st, static_cast<SQLUSMALLINT>(c + 1), SQL_DESC_LABEL, utf8);
        columns = SqliteBaseColumns(labels, tables);
    }
    bool one = true;
    for (int c = 0; c < FieldDefs().Count() && one; ++c) {
        const std::string& table = tables[static_cast<size_t>(c)];
        const std::string& column = columns[static_cast<size_t>(c)];
        if (table.empty()) continue;   // a computed column
        const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(c + 1);
        std::string schema = ColumnText(st, col, SQL_DESC_SCHEMA_NAME, utf8);
        std::string catalog = ColumnText(st, col, SQL_DESC_CATALOG_NAME, utf8);
        if (FTableName.empty()) {
            FTableName = table;
            FTableSchema = schema;
            FTableCatalog = catalog;
        } else if (table != FTableName || schema != FTableSchema || catalog != FTableCatalog) {
            one = false;   // a join: which table a change belongs to is not known
        }
        if (column.empty()) continue;   // a column of the table whose name is not known for certain
        // the same column twice can be written only once
        if (std::find(FBaseColumns.begin(), FBaseColumns.end(), column) == FBaseColumns.end())
            FBaseColumns[static_cast<size_t>(c)] = column;
    }
    // The driver names each column's table and column but not which of the
    // table's rows the value came from: where the statement reads the table
    // more than once (a self-join, a subquery in FROM) a change would reach
    // another row than the one shown. So the columns count only where the
    // statement reads the one table itself (on SQLite they are told only then).
    if (one && !FTableName.empty() && !FConnection->Sqlite() &&
        !ReadsItself(odbc::SingleTable(RunText(FSQL, FParamCheck)), FTableSchema, FTableName))
        FBaseColumns.assign(FBaseColumns.size(), std::string());
    const bool named = std::any_of(FBaseColumns.begin(), FBaseColumns.end(), [](const std::string& b) { return !b.empty(); });
    if (!one || FTableName.empty() || !named) {
        FReadOnlyReason = !one ? "結果に複数の表の列があります（結合した結果です）。"
                               : "結果の列が表のどの列にあたるかを確かめられません（ビュー、副問い合わせ、結合などを通した結果です）。";
        FTableName.clear();
        FBaseColumns.assign(FBaseColumns.size(), std::string());
        return;
    }
    char quote[8] = {0};
    SQLSMALLINT qlen = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(FConnection->Handle(), SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &qlen)) &&
        quote[0] != ' ')
        FQuote = quote;
    else FQuote.clear();
    FUpdateTable = (FTableSchema.empty() ? std::string() : Quoted(FTableSchema) + ".") + Quoted(FTableName);
}

std::vector<std::string> TOdbcQuery::SqlitePreparedLabels(const std::string& Sql) {
    std::vector<std::string> labels;
    TStmt st;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, FConnection->Handle(), &st.H))) return labels;
    // through the API the statements of the connection use: the narrow one
    // (UTF-8) for a driver without the wide one, which the driver manager
    // would hand Latin-1
    const bool utf8 = FConnection->Utf8Api();
    std::string text = odbc::ApiText(Sql, utf8);
    const SQLINTEGER units = static_cast<SQLINTEGER>(text.size() / static_cast<size_t>(odbc::UnitSize(utf8)));
    text.append(2, '\0');
    const SQLRETURN r = utf8 ? SQLPrepare(st.H, reinterpret_cast<SQLCHAR*>(&text[0]), units)
                             : SQLPrepareW(st.H, reinterpret_cast<SQLWCHAR*>(&text[0]), units);
    if (!SQL_SUCCEEDED(r)) return labels;
    SQLSMALLINT n = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(st.H, &n))) return labels;
    for (SQLSMALLINT c = 1; c <= n; ++c) labels.push_back(ColumnText(st.H, static_cast<SQLUSMALLINT>(c), SQL_DESC_LABEL, utf8));
    return labels;
}

std::vector<std::string> TOdbcQuery::SqliteBaseColumns(const std::vector<std::string>& Labels,
                                                       std::vector<std::string>& Tables) {
    const size_t count = Labels.size();
    std::vector<std::string> bases(count);
    const std::string sql = RunText(FSQL, FParamCheck);
    // The driver names a column's table (through views and subqueries, the
    // table the value comes from) but not the column: its "base column" is
    // the label. The columns are told only where the statement reads the one
    // table itself, so that every name in its select list is a column of it;
    // the driver names no schema, so a table of an attached database is not.
    const odbc::TSingleTable from = odbc::SingleTable(sql);
    if (from.Name.empty() || (!from.Schema.empty() && !sys::SameText(from.Schema, "main"))) return bases;
    // A value of another table than the one read comes out of a subquery of
    // the select list: it is computed, not a column of the result's table.
    // (A view read gives none of its own name: nothing stays.)
    const std::string* table = nullptr;
    for (std::string& t : Tables) {
        if (t.empty()) continue;
        if (!sys::SameText(t, from.Name)) t.clear();
        else if (table && t != *table) return bases;
        else table = &t;
    }
    if (!table) return bases;
    std::string quoted = "\"";
    for (char ch : *table) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    const std::vector<std::string> own = SqlitePreparedLabels("SELECT * FROM " + quoted + "\"");
    if (own.empty()) return bases;
    // SQLite compares names without regard to case; the table's own spelling is used
    auto ownName = [&](const std::string& name) {
        for (const std::string& o : own)
            if (sys::SameText(o, name)) return o;
        return std::string();
    };
    // "*" (alone or among other items): the table's columns in their order
    const std::vector<std::string> items = odbc::SelectListColumns(sql, own);
    if (items.size() != count) return bases;
    for (size_t c = 0; c < count; ++c)
        if (!Tables[c].empty() && !items[c].empty()) bases[c] = ownName(items[c]);
    return bases;
}

std::string TOdbcQuery::Quoted(const std::string& Name) const {
    if (FQuote.empty()) return Name;
    std::string out = FQuote;
    for (size_t i = 0; i < Name.size(); ++i) {
        if (Name.compare(i, FQuote.size(), FQuote) == 0) {
            out += FQuote + FQuote;
            i += FQuote.size() - 1;
        } else {
            out.push_back(Name[i]);
        }
    }
    return out + FQuote;
}

bool TOdbcQuery::CanModify() const {
    return Active() && !FUpdateTable.empty() && FConnection && FConnection->Connected();
}

std::string TOdbcQuery::ReadOnlyReason() const {
    if (!Active()) return "データセットが閉じています。";
    if (!FConnection || !FConnection->Connected()) return "データベースに接続していません。";
    return FReadOnlyReason;
}

std::string TOdbcQuery::FieldReadOnlyMessage(const TField& Field) const {
    std::string refused = TDataSet::FieldReadOnlyMessage(Field);
    const size_t i = static_cast<size_t>(Field.Index());
    if (refused.empty() && i < FBaseColumns.size() && FBaseColumns[i].empty())
        refused = "フィールド '" + Field.FieldName() + "' は表の列ではないため変更できません";
    return refused;
}

void TOdbcQuery::LoadKeyColumns() {
    if (FKeysLoaded) return;
    CheckConnected();
    const bool utf8 = FConnection->Utf8Api();
    FKeyColumns.assign(static_cast<size_t>(FieldDefs().Count()), false);
    std::vector<std::string> keys;
    TStmt st;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, FConnection->Handle(), &st.H))) {
        std::string cat = odbc::ApiText(FTableCatalog, utf8), sch = odbc::ApiText(FTableSchema, utf8),
                    tab = odbc::ApiText(FTableName, utf8);
        const SQLSMALLINT unit = static_cast<SQLSMALLINT>(odbc::UnitSize(utf8));
        auto len = [&](const std::string& s) { return static_cast<SQLSMALLINT>(s.size() / static_cast<size_t>(unit)); };
        cat.append(4, '\0');
        sch.append(4, '\0');
        tab.append(4, '\0');
        SQLRETURN r =
            utf8 ? SQLPrimaryKeys(st.H, FTableCatalog.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(&cat[0]),
                                  FTableCatalog.empty() ? 0 : static_cast<SQLSMALLINT>(cat.size() - 4),
                                  FTableSchema.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(&sch[0]),
                                  FTableSchema.empty() ? 0 : static_cast<SQLSMALLINT>(sch.size() - 4),
                                  reinterpret_cast<SQLCHAR*>(&tab[0]), static_cast<SQLSMALLINT>(tab.size() - 4))
                 : SQLPrimaryKeysW(st.H, FTableCatalog.empty() ? nullptr : reinterpret_cast<SQLWCHAR*>(&cat[0]),
                                   FTableCatalog.empty() ? 0 : static_cast<SQLSMALLINT>(len(cat) - 2),
                                   FTableSchema.empty() ? nullptr : reinterpret_cast<SQLWCHAR*>(&sch[0]),
                                   FTableSchema.empty() ? 0 : static_cast<SQLSMALLINT>(len(sch) - 2),
                                   reinterpret_cast<SQLWCHAR*>(&tab[0]), static_cast<SQLSMALLINT>(len(tab) - 2));
        if (SQL_SUCCEEDED(r)) {
            std::string name(1024, '\0');
            while (SQL_SUCCEEDED(SQLFetch(st.H))) {
                SQLLEN ind = 0;
                if (!SQL_SUCCEEDED(SQLGetData(st.H, 4, odbc::TextCType(utf8), &name[0], static_cast<SQLLEN>(name.size() - 2), &ind)) ||
                    ind <= 0)
                    continue;
                keys.push_back(odbc::FromApiText(std::string_view(name.data(), std::min<size_t>(static_cast<size_t>(ind), name.size() - 2)), utf8));
            }
        }
    }
    // a key counts only when every one of its columns is in the result
    bool whole = !keys.empty();
    for (const std::string& k : keys) {
        auto it = std::find(FBaseColumns.begin(), FBaseColumns.end(), k);
        if (it == FBaseColumns.end()) { whole = false; break; }
        FKeyColumns[static_cast<size_t>(it - FBaseColumns.begin())] = true;
    }
    if (!whole) FKeyColumns.assign(FKeyColumns.size(), false);
    FKeysLoaded = true;
}

bool TOdbcQuery::LossyCell(size_t storeRow, int col) const {
    return std::binary_search(FLossyCells.begin(), FLossyCells.end(), std::make_pair(storeRow, col));
}

std::string TOdbcQuery::WhereOf(size_t Row, const std::vector<TVariant>& Old, const std::vector<bool>& Changed,
                                std::vector<TVariant>& Values, const char* Action) const {
    const bool keyed = std::find(FKeyColumns.begin(), FKeyColumns.end(), true) != FKeyColumns.end();
    std::string where;
    for (int c = 0; c < FieldDefs().Count(); ++c) {
        const size_t i = static_cast<size_t>(c);
        if (FBaseColumns[i].empty()) continue;
        bool use = keyed ? FKeyColumns[i] || (Changed[i] && ComparableType(FieldDefs()[c].DataType))
                         : ComparableType(FieldDefs()[c].DataType);
        if (!use) continue;
        // A value read with the substitute character in it is not what the
        // table holds, so it cannot find the row. The key finds it without
        // the old value of a changed column; a key's own value or, without
        // a key, any value cannot be done without.
        if (!FLossyCells.empty() && !Old[i].IsNull() && LossyCell(Row, c)) {
            if (keyed && !FKeyColumns[i]) continue;
            throw EDatabaseError(std::string(Action) + "する行を特定できません。列 '" + FieldDefs()[c].Name +
                                 "' の値に、このプログラムが扱えない文字（「?」で表示した文字）があるため、" +
                                 (keyed ? "キーの値で行を探せません。"
                                        : "読み込んだ値で行を探せません（主キーのない表です）。") +
                                 "何も書き込んでいません。");
        }
        where += where.empty() ? " WHERE " : " AND ";
        where += Quoted(FBaseColumns[i]);
        if (Old[i].IsNull()) {
            where += " IS NULL";
        } else {
            Values.push_back(Old[i]);
            where += " = :p" + std::to_string(Values.size());
        }
    }
    return where;
}

int64_t TOdbcQuery::RunChange(const std::string& Sql, const std::vector<TVariant>& Values, bool Query,
                              const char* Failure) {
    try {
        return RunChangeStatement(Sql, Values, Query);
    } catch (const EOdbcError& e) {
        // the database's own words follow a line that says what failed
        throw EOdbcError(std::string(Failure) + "\r\n" + e.Message, e.SQLState, e.NativeError);
    }
}

int64_t TOdbcQuery::RunChangeStatement(const std::string& Sql, const std::vector<TVariant>& Values, bool Query) {
    TOdbcQuery q(FConnection);
    q.SetParamCheck(true);
    q.SetSQL(Sql);
    for (size_t k = 0; k < Values.size(); ++k) {
        TOdbcParameter& prm = q.Parameters().ParamByName("p" + std::to_string(k + 1));
        prm.Value = Values[k];
        prm.DataType = Values[k].IsBytes() ? ftBlob : ftUnknown;
    }
    if (!Query) {
        q.ExecSQL();
        return q.RowsAffected();
    }
    q.Open();
    return q.FieldCount() > 0 ? q.Fields(0).AsInteger() : 0;
}

void TOdbcQuery::CheckOneRecord(const std::string& Where, const std::vector<TVariant>& Values, const char* Action) {
    const int64_t n = RunChange("SELECT COUNT(*) FROM " + FUpdateTable + Where, Values, true,
                                (std::string(Action) + "する行を確認できませんでした。").c_str());
    if (n == 0)
        throw EDatabaseError(std::string(Action) + "する行が見つかりません。読み込んだ後に変更または削除された可能性があります。");
    if (n > 1)
        throw EDatabaseError(std::string(Action) + "する行を一つに特定できません（該当 " + std::to_string(n) +
                             " 行）。同じ値の行が複数あります。");
}

void TOdbcQuery::MaterialiseRowMap() {
    if (!FRowMap.empty() || FRowCount == 0) return;
    FRowMap.resize(FRowCount);
    for (size_t i = 0; i < FRowCount; ++i) FRowMap[i] = i;
}

void TOdbcQuery::SetFieldValue(TField& field, const TVariant& value) {
    const std::string refused = FieldReadOnlyMessage(field);
    if (!refused.empty()) throw EDatabaseError(refused);
    FEdit.at(static_cast<size_t>(field.Index())) = value;
}

void TOdbcQuery::InternalEdit() {
    FEdit.assign(static_cast<size_t>(FieldDefs().Count()), TVariant());
    const size_t row = StoreRow(FCur);
    for (int c = 0; c < FieldDefs().Count(); ++c) CellValue(row, c, FEdit[static_cast<size_t>(c)]);
}

void TOdbcQuery::InternalInsert(bool append) {
    FEdit.assign(static_cast<size_t>(FieldDefs().Count()), TVariant());
    FInsertAt = append || FCur < 0 || static_cast<size_t>(FCur) >= FRowCount ? static_cast<int64_t>(FRowCount) : FCur;
}

void TOdbcQuery::InternalPost() {
    CheckConnected();
    const int n = FieldDefs().Count();
    std::vector<TVariant> values;
    if (State() == dsEdit) {
        const size_t row = StoreRow(FCur);
        std::vector<TVariant> old(static_cast<size_t>(n));
        std::vector<bool> changed(static_cast<size_t>(n), false);
        std::string set;
        for (int c = 0; c < n; ++c) {
            const size_t i = static_cast<size_t>(c);
            CellValue(row, c, old[i]);
            if (FBaseColumns[i].empty() || FEdit[i] == old[i]) continue;
            changed[i] = true;
            set += set.empty() ? " SET " : ", ";
            set += Quoted(FBaseColumns[i]) + " = ";
            if (FEdit[i].IsNull()) {
                set += "NULL";
            } else {
                values.push_back(FEdit[i]);
                set += ":p" + std::to_string(values.size());
            }
        }
        if (set.empty()) {
            FEdit.clear();
            return;
        }
        LoadKeyColumns();
        std::vector<TVariant> whereValues;
        CheckOneRecord(WhereOf(row, old, changed, whereValues, "更新"), whereValues, "更新");
        // the WHERE's parameters are numbered on from the SET's
        const std::string where = WhereOf(row, old, changed, values, "更新");
        const int64_t done = RunChange("UPDATE " + FUpdateTable + set + where, values, false, "行を更新できませんでした。");
        if (done == 0) throw EDatabaseError("更新する行が見つかりません。読み込んだ後に変更または削除された可能性があります。");
        // a value written replaces the one read with substitutes
        for (int c = 0; c < n && !FLossyCells.empty(); ++c) {
            if (!changed[static_cast<size_t>(c)]) continue;
            auto it = std::lower_bound(FLossyCells.begin(), FLossyCells.end(), std::make_pair(row, c));
            if (it != FLossyCells.end() && *it == std::make_pair(row, c)) FLossyCells.erase(it);
        }
        FChanged[row] = std::move(FEdit);
        FEdited = true;
    } else {
        std::string cols, vals;
        for (int c = 0; c < n; ++c) {
            const size_t i = static_cast<size_t>(c);
            if (FBaseColumns[i].empty() || FEdit[i].IsNull()) continue;
            cols += (cols.empty() ? "" : ", ") + Quoted(FBaseColumns[i]);
            values.push_back(FEdit[i]);
            vals += (vals.empty() ? ":p" : ", :p") + std::to_string(values.size());
        }
        RunChange(cols.empty() ? "INSERT INTO " + FUpdateTable + " DEFAULT VALUES"
                               : "INSERT INTO " + FUpdateTable + " (" + cols + ") VALUES (" + vals + ")",
                  values, false, "行を追加できませんでした。");
        const size_t storeRow = FStoreRows + FAdded.size();
        FAdded.push_back(std::move(FEdit));
        if (FRowMap.empty() && static_cast<size_t>(FInsertAt) == FRowCount && storeRow == FRowCount) {
            // still every row at its own number
        } else {
            MaterialiseRowMap();
            FRowMap.insert(FRowMap.begin() + FInsertAt, storeRow);
        }
        ++FRowCount;
        FCur = FInsertAt;
        FEdited = true;
    }
    FEdit.clear();
}

void TOdbcQuery::InternalDelete() {
    CheckConnected();
    LoadKeyColumns();
    const int n = FieldDefs().Count();
    const size_t row = StoreRow(FCur);
    std::vector<TVariant> old(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) CellValue(row, c, old[static_cast<size_t>(c)]);
    std::vector<TVariant> values;
    const std::string where = WhereOf(row, old, std::vector<bool>(static_cast<size_t>(n), false), values, "削除");
    CheckOneRecord(where, values, "削除");
    if (RunChange("DELETE FROM " + FUpdateTable + where, values, false, "行を削除できませんでした。") == 0)
        throw EDatabaseError("削除する行が見つかりません。読み込んだ後に変更または削除された可能性があります。");
    MaterialiseRowMap();
    FRowMap.erase(FRowMap.begin() + FCur);
    --FRowCount;
    FChanged.erase(row);
    FEdited = true;
    if (FCur >= static_cast<int64_t>(FRowCount)) FCur = static_cast<int64_t>(FRowCount) - 1;
}

