// Statements run straight through the ODBC layer, for tests that set up and
// read back tables without the driver above it.
#pragma once
#include <memory>
#include <string>

#include "OdbcConnection.h"
#include "OdbcQuery.h"

namespace odbctest {

// Runs a statement that returns no rows; parameter markers are not looked for.
inline void Exec(TOdbcConnection& Conn, const std::string& SQL) {
    TOdbcQuery q(&Conn);
    q.SetParamCheck(false);
    q.SetSQL(SQL);
    q.ExecSQL();
}

// Opens a query; parameter markers are not looked for.
inline std::unique_ptr<TOdbcQuery> Query(TOdbcConnection& Conn, const std::string& SQL) {
    auto q = std::make_unique<TOdbcQuery>(&Conn);
    q->SetParamCheck(false);
    q->SetSQL(SQL);
    q->Open();
    return q;
}

}  // namespace odbctest
