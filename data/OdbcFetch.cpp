#include "OdbcQuery.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "CP932.h"
#include "OdbcConnection.h"
#include "OdbcQueryParts.h"
#include "OdbcText.h"
#include "OdbcValueText.h"
#include "SysUtils.h"

using odbc::ColumnText;
using odbc::TValueKind;
using odbc::vkText;
using odbc::vkBytes;
using odbc::vkNumeric;
using odbc::vkInteger;
using odbc::vkFloat;
using odbc::vkBoolean;
using odbc::vkStamp;

// ---------------------------------------------------------------------------
// Fetching a result into the column stores

namespace odbc {

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

std::string ColumnText(SQLHSTMT st, SQLUSMALLINT col, SQLUSMALLINT attr, bool utf8, TTextLoss* loss) {
    std::string buf(1024, '\0');
    SQLSMALLINT len = 0;
    SQLRETURN r = utf8 ? SQLColAttribute(st, col, attr, &buf[0], static_cast<SQLSMALLINT>(buf.size() - 2), &len, nullptr)
                       : SQLColAttributeW(st, col, attr, &buf[0], static_cast<SQLSMALLINT>(buf.size() - 2), &len, nullptr);
    if (!SQL_SUCCEEDED(r) || len <= 0) return std::string();
    buf.resize(std::min(static_cast<size_t>(len), buf.size() - 2));
    std::string text;
    if (odbc::AppendApiText(buf, utf8, text) && loss) loss->Note(buf, utf8);
    return text;
}

}  // namespace odbc

namespace {

// The code point of the well-formed UTF-8 sequence at s[i] and its length;
// length 0 for a byte that begins none.
uint32_t Utf8CodePoint(std::string_view s, size_t i, size_t& len) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    len = 0;
    size_t n;
    uint32_t cp, least;
    if (b < 0x80) { len = 1; return b; }
    if (b >= 0xC2 && b <= 0xDF) n = 2, cp = b & 0x1Fu, least = 0x80;
    else if (b >= 0xE0 && b <= 0xEF) n = 3, cp = b & 0x0Fu, least = 0x800;
    else if (b >= 0xF0 && b <= 0xF4) n = 4, cp = b & 0x07u, least = 0x10000;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    len = n;
    return cp;
}

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

void TTextLoss::Note(std::string_view Bytes, bool Utf8) {
    // only text that needed the substitute comes here: each character is tried alone
    auto lost = [this](uint32_t cp) {
        ++Count;
        if (std::find(First.begin(), First.end(), cp) != First.end()) return;
        if (First.size() < kNamed) First.push_back(cp);
        else More = true;
    };
    bool lossy = false;
    if (Utf8) {
        for (size_t i = 0; i < Bytes.size();) {
            size_t len = 0;
            const uint32_t cp = Utf8CodePoint(Bytes, i, len);
            if (len == 0) {
                lost(kNotUtf8 | static_cast<unsigned char>(Bytes[i]));
                ++i;
                continue;
            }
            if (cp >= 0x80) {
                lossy = false;
                cp932::FromUtf8(Bytes.substr(i, len), &lossy);
                if (lossy) lost(cp);
            }
            i += len;
        }
        return;
    }
    const std::u16string_view w(reinterpret_cast<const char16_t*>(Bytes.data()), Bytes.size() / 2);
    for (size_t i = 0; i < w.size();) {
        const char16_t u = w[i];
        size_t len = 1;
        uint32_t cp = u;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((static_cast<uint32_t>(u) - 0xD800) << 10) + (static_cast<uint32_t>(w[i + 1]) - 0xDC00);
            len = 2;
        }
        if (cp >= 0x80) {
            lossy = false;
            cp932::FromUtf16(w.substr(i, len), &lossy);
            if (lossy) lost(cp);
        }
        i += len;
    }
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
        fieldName = ColumnText(st, col, SQL_DESC_LABEL, utf8, &Q.FLoss);
        if (fieldName.empty() && odbc::AppendApiText(name, utf8, fieldName)) Q.FLoss.Note(name, utf8);
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
        if (store.AppendApiText(Bytes, p.Narrow)) Q.NoteLossy(store.Count() - 1, C, Bytes, p.Narrow);
        return;
    default: break;
    }
    // the CP932 text of a number or a date: the bytes themselves when they are ASCII
    std::string_view text = Bytes;
    if (!p.Narrow || !Ascii(Bytes)) {
        Text.clear();
        if (odbc::AppendApiText(Bytes, p.Narrow, Text)) Q.NoteLossy(store.Count(), C, Bytes, p.Narrow);
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
