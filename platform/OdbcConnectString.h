// Connection strings of the ODBC layer. The system keeps connection strings
// in the form of ADO ("Provider=MSDASQL.1;Data Source=x;User ID=u;Password=p"):
// the provider MSDASQL (or none) means ODBC, and the rest goes to the ODBC
// driver manager with the ADO names Data Source, User ID and Password mapped
// onto DSN, UID and PWD.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace odbc {

using TKeyValues = std::vector<std::pair<std::string, std::string>>;

// Splits "k=v;k=v" at ';' outside quotes; values in double or single quotes
// are unquoted (a doubled quote stands for one), ODBC values in braces are
// unbraced ("}}" stands for "}"). Keys and unquoted values are trimmed.
TKeyValues SplitConnectString(std::string_view s);

// The parts of an ADO connection string that concern the layer.
struct TOdbcConnectParams {
    std::string OdbcString;        // for SQLDriverConnect
    std::string Provider;          // as written; empty when absent
    bool PersistSecurityInfo = false;
    int ConnectTimeout = -1;       // "Connect Timeout" in seconds; -1 when absent
    std::string UserName, Password;  // the UID and PWD values
};
// Raises EDatabaseError for a provider other than MSDASQL.
TOdbcConnectParams ParseAdoConnectString(std::string_view ado);
// Builds the ODBC string of key/value pairs (values braced where needed).
std::string JoinOdbcString(const TKeyValues& kv);
// Replaces or adds a key (case-insensitive) in an ODBC string.
std::string SetOdbcKey(std::string_view odbcString, std::string_view key, std::string_view value);

// The completed connection string in the system's form: the provider first
// (when one was given), then the driver's completed pairs, values holding ';'
// or '"' in double quotes; the password is left out unless the security
// information is to be kept.
std::string CompletedAdoString(std::string_view odbcOut, const TOdbcConnectParams& p);

}  // namespace odbc
