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
// unbraced ("}}" stands for "}"). Keys and unquoted values are trimmed; pairs
// without a key are left out. Double-byte characters are read whole (a lead
// byte with a trail byte after it), so the second byte 0x7D of a character
// never closes a brace; a lone lead byte is a byte of its own.
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
// Builds the ODBC string of key/value pairs, each followed by ';': a value
// that would not read back as it is (blanks or control bytes at an end, a
// leading quote, a ';', '{' or '}') is braced, and so is the driver's name.
// SplitConnectString gives the pairs back as they were, for every key it
// could have given (trimmed, without '=' or ';'). Raises EDatabaseError for a
// value to be braced that ends with a lone lead byte: no closing brace could
// follow it.
std::string JoinOdbcString(const TKeyValues& kv);
// Replaces or adds a key (case-insensitive) in an ODBC string.
std::string SetOdbcKey(std::string_view odbcString, std::string_view key, std::string_view value);

// The connection string (or a name that may be one) as a message shows it:
// the value of every password key (PWD, Password, in any case, in quotes or
// braces, and inside a quoted connection string such as Extended Properties)
// is "****"; everything else stays byte for byte.
std::string MaskPasswords(std::string_view s);
// A line that may hold connection strings among other words (the echo of a
// command line such as #Connect "PWD=x;DSN=d" or #Set C = Password=x): every
// PWD or Password key, in any case and with blanks before its '=', that
// begins a word or follows ';', a quote, '{', ',' or '(', has its value shown
// as "****". A quoted or braced value is masked with its quotes; an unquoted
// one ends at ';' or at the closing quote (or brace) of the quoted word it
// stands in, which stays. Everything else stays byte for byte.
std::string MaskPasswordsInLine(std::string_view s);

// The completed connection string in the system's form: the provider first
// (when one was given), then the driver's completed pairs, values that would
// not read back bare in double quotes; the password is left out unless the security
// information is to be kept.
std::string CompletedAdoString(std::string_view odbcOut, const TOdbcConnectParams& p);

}  // namespace odbc
