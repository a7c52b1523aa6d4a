// What the query's own files share: a statement handle freed with its scope,
// a result column's text attributes, and how a stored value reads back.
#pragma once
#include <cstdint>
#include <string>

#include <sql.h>
#include <sqlext.h>

struct TTextLoss;

namespace odbc {

struct TStmt {
    SQLHSTMT H = SQL_NULL_HSTMT;
    ~TStmt() {
        if (H) SQLFreeHandle(SQL_HANDLE_STMT, H);
    }
};

// A text attribute of a result column; what CP932 cannot hold of it is added to Loss (when given).
std::string ColumnText(SQLHSTMT st, SQLUSMALLINT col, SQLUSMALLINT attr, bool utf8, TTextLoss* loss = nullptr);

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

}  // namespace odbc
