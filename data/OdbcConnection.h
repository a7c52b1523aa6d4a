// A connection of the ODBC layer: opened from a connection string of the
// system's form (see OdbcConnectString.h) through unixODBC's wide-character
// API, with a login time-out, one level of transaction, and the datasets
// that run on it (closed when it disconnects). A statement runs until it
// ends or fails: the layer sets no time limit on it (the server's own
// settings, such as PostgreSQL's statement_timeout, still apply).
//
// The layer keeps whole results itself; so that the PostgreSQL driver does
// not keep a second copy of each, the layer asks it to fetch through a
// cursor in blocks (UseDeclareFetch=1;Fetch=10000) unless the connection
// string sets UseDeclareFetch.
//
// The SQLite driver cuts a column's name at its last '.' (an expression such
// as round(t.x, 2), an alias "a.b") and, when every column comes from one
// table, its label too. Unless the connection string sets LongNames, the
// layer connects with LongNames=1 (the driver then keeps the names SQLite
// gives) and sets SQLite back to its usual short names, so that the names
// are those the sqlite3 shell shows.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"

// An error reported by the driver manager, the driver or the server: the
// texts of the diagnostic records (CP932, one per line), the first SQLSTATE
// and native error.
class EOdbcError : public EDatabaseError {
public:
    EOdbcError(std::string msg, std::string sqlState, int nativeError)
        : EDatabaseError(std::move(msg)), SQLState(std::move(sqlState)), NativeError(nativeError) {}
    const char* ClassName() const noexcept override { return "EOdbcError"; }
    std::string SQLState;
    int NativeError = 0;
};

// The login prompt was cancelled: nothing was tried with the driver.
class ELoginCancelled : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

class TOdbcQuery;

// Memory a fetch binds its rowset to, kept from one result to the next so
// that a small result costs no large allocation and nothing is cleared: the
// driver writes every value it reports, and only those are read. One fetch
// holds it at a time (InUse); a fetch that starts while another one runs,
// from events processed in between, makes memory of its own.
class TFetchScratch {
public:
    // At least Bytes bytes, aligned for any value; what they held is not kept.
    char* Reserve(size_t Bytes);
    // Room for the pieces of a value too long for its bound place.
    std::string& Piece() {
        if (FPiece.empty()) FPiece.assign(65536, '\0');
        return FPiece;
    }
    bool InUse = false;

private:
    std::unique_ptr<std::max_align_t[]> FData;
    size_t FCapacity = 0;
    std::string FPiece;
};

class TOdbcConnection {
public:
    TOdbcConnection();
    ~TOdbcConnection();   // disconnects; its datasets are closed and let go
    TOdbcConnection(const TOdbcConnection&) = delete;
    TOdbcConnection& operator=(const TOdbcConnection&) = delete;

    // The connection string as set; setting it while connected disconnects.
    const std::string& ConnectionString() const { return FConnectionString; }
    void SetConnectionString(const std::string& s);
    // While connected: the completed form the driver reports, with the keys
    // of the given string it left out; the password is left out unless
    // "Persist Security Info=True". Empty when not connected.
    const std::string& CompletedConnectionString() const { return FCompleted; }

    // Ask for user name and password before connecting (through OnLogin).
    bool LoginPrompt = false;
    // The login prompt: given the user name and password of the connection
    // string, changes them; false cancels the connect.
    std::function<bool(std::string& UserName, std::string& Password)> OnLogin;

    int ConnectionTimeout = 15;   // seconds to log in ("Connect Timeout" in the string wins)

    bool Connected() const { return FDbc != nullptr; }
    void SetConnected(bool v) { if (v) Open(); else Close(); }
    // Raises EOdbcError or EDatabaseError (ELoginCancelled when the login
    // prompt was cancelled); stays disconnected then.
    void Open();
    // Closes every dataset, rolls back an open transaction and disconnects.
    // Errors of a connection that is already lost are ignored.
    void Close();

    // One level of transaction.
    bool InTransaction() const { return FTransactionLevel > 0; }
    int TransactionLevel() const { return FTransactionLevel; }
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    // True once an error showed that the server connection is gone.
    bool ConnectionLost() const { return FLost; }

    // For the layer's datasets.
    void* Handle() const { return FDbc; }
    bool BlockFetchWithPositioning() const { return FBlockFetch; }
    bool GetDataOnBound() const { return FGetDataBound; }
    // True on the SQLite driver with the whole names described above.
    bool SqliteWholeNames() const { return FSqliteNames; }
    // True on the SQLite driver (whose base column names are the labels).
    bool Sqlite() const { return FSqlite; }
    // True for a driver without the wide-character API: the layer talks
    // UTF-8 to it through the narrow API (the driver manager would hand it
    // Latin-1 otherwise).
    bool Utf8Api() const { return FUtf8; }
    // True on the PostgreSQL driver: a date it cannot express comes as a
    // made-up text (checked through its number), and money keeps its
    // currency sign only as text.
    bool PostgreSql() const { return FPostgreSql; }
    // The rowset memory of this connection's fetches.
    TFetchScratch& FetchScratch() { return FScratch; }
    void RegisterDataSet(TOdbcQuery* q);
    void UnregisterDataSet(TOdbcQuery* q);
    // Raises the error of a handle's diagnostic records (handleType as in ODBC).
    [[noreturn]] void RaiseError(short handleType, void* handle, const char* context);

private:
    void SetAutoCommit(bool on);

    void* FDbc = nullptr;
    std::string FConnectionString;
    std::string FCompleted;
    bool FUtf8 = false;
    int FTransactionLevel = 0;
    bool FLost = false;
    bool FBlockFetch = false;
    bool FGetDataBound = false;
    bool FSqliteNames = false;
    bool FSqlite = false;
    bool FPostgreSql = false;
    TFetchScratch FScratch;
    std::vector<TOdbcQuery*> FDataSets;
};

namespace odbc {
// The shared environment handle of the process (ODBC 3).
void* Environment();
// The diagnostic records of a handle as one error. Given lost (an error of a
// connection that was made), a record of SQLSTATE class 08 means the server
// connection has gone: lost is set and the message says so first. Without
// it (a connect that has not succeeded) the driver's words stand alone.
EOdbcError DiagError(short handleType, void* handle, const char* context, bool utf8, bool* lost = nullptr);
// The library of the driver an ODBC connection string names (by DRIVER= or
// through the DSN), as odbcinst.ini gives it; empty when unknown.
std::string DriverLibrary(const std::string& odbcString);
// True when the driver library lacks the wide-character API.
bool DriverIsAnsiOnly(const std::string& library);
}  // namespace odbc
