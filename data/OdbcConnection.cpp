#include "OdbcConnection.h"

#include <dlfcn.h>

#include <algorithm>

#include "AppException.h"
#include "OdbcConnectString.h"
#include "OdbcQuery.h"
#include "OdbcText.h"
#include "SysUtils.h"

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the layer expects 16-bit SQLWCHAR");

namespace odbc {

void* Environment() {
    static SQLHENV env = [] {
        SQLHENV h = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
            throw EDatabaseError("ODBC の環境を初期化できません");
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return h;
    }();
    return env;
}

namespace {
const char* const kLost = "データベースとの接続が切断されました。再接続してください。\r\n";

// One diagnostic record as CP932; false when there is none.
bool DiagRecord(short type, void* handle, SQLSMALLINT i, bool utf8, std::string& state, SQLINTEGER& native,
                std::string& text) {
    SQLSMALLINT len = 0;
    std::string buf(1024, '\0');
    SQLRETURN r;
    for (int pass = 0; pass < 2; ++pass) {
        if (utf8) {
            SQLCHAR st[6] = {};
            r = SQLGetDiagRec(type, handle, i, st, &native, reinterpret_cast<SQLCHAR*>(&buf[0]),
                              static_cast<SQLSMALLINT>(buf.size()), &len);
            state.assign(reinterpret_cast<const char*>(st), 5);
        } else {
            SQLWCHAR st[6] = {};
            r = SQLGetDiagRecW(type, handle, i, st, &native, reinterpret_cast<SQLWCHAR*>(&buf[0]),
                               static_cast<SQLSMALLINT>(buf.size() / 2), &len);
            state = cp932::FromUtf16(std::u16string(reinterpret_cast<const char16_t*>(st), 5));
        }
        if (!SQL_SUCCEEDED(r)) return false;
        size_t need = static_cast<size_t>(std::max<SQLSMALLINT>(len, 0)) * static_cast<size_t>(UnitSize(utf8));
        if (need < buf.size()) {
            buf.resize(need);
            break;
        }
        buf.assign(need + 4, '\0');
    }
    text = FromApiText(buf, utf8);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) text.pop_back();
    return true;
}
}  // namespace

EOdbcError DiagError(short handleType, void* handle, const char* context, bool utf8, bool* lost) {
    std::string text, firstState;
    int firstNative = 0;
    bool gone = false;
    for (SQLSMALLINT i = 1; i < 64; ++i) {
        std::string state, msg;
        SQLINTEGER native = 0;
        if (!DiagRecord(handleType, handle, i, utf8, state, native, msg)) break;
        if (state.compare(0, 2, "08") == 0) gone = true;
        if (firstState.empty()) {
            firstState = state;
            firstNative = static_cast<int>(native);
        }
        if (!text.empty()) text += "\r\n";
        text += msg;
    }
    if (text.empty()) text = std::string(context) + " に失敗しました";
    if (!lost) return EOdbcError(text, firstState, firstNative);
    *lost = gone;
    if (gone) text = kLost + text;
    return EOdbcError(text, firstState, firstNative);
}

namespace {
// dlopen of a driver library as the driver manager finds it. The library
// stays loaded for the rest of the process, whoever closes it: a driver and
// the libraries it brings (libpq, Kerberos, GnuTLS, with their thread-local
// data) are not made to be unloaded and loaded again at every connect, and
// the leak checker of the sanitizer build reads the stale thread-local
// ranges an unloaded library leaves behind.
constexpr int kDriverOpenFlags = RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE;
void* OpenDriverLibrary(const std::string& lib) {
    void* h = dlopen(lib.c_str(), kDriverOpenFlags);
    if (!h && lib.find('/') == std::string::npos) {
        // a bare name lies in the driver folder beside the driver manager's library
        Dl_info info{};
        void* dm = dlsym(RTLD_DEFAULT, "SQLAllocHandle");
        if (dm && dladdr(dm, &info) && info.dli_fname) {
            std::string dir(info.dli_fname);
            dir.erase(dir.rfind('/') + 1);
            h = dlopen((dir + "odbc/" + lib).c_str(), kDriverOpenFlags);
        }
    }
    return h;
}
}  // namespace

std::string DriverLibrary(const std::string& odbcString) {
    // the installer library of the driver manager reads odbc.ini and odbcinst.ini
    using Profile = int (*)(const char*, const char*, const char*, char*, int, const char*);
    static Profile profile = [] {
        void* lib = dlopen("libodbcinst.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (!lib) lib = dlopen("libodbcinst.so", RTLD_LAZY | RTLD_LOCAL);
        return lib ? reinterpret_cast<Profile>(dlsym(lib, "SQLGetPrivateProfileString")) : nullptr;
    }();
    if (!profile) return std::string();
    std::string driver, dsn;
    for (const auto& [k, v] : SplitConnectString(odbcString)) {
        if (sys::SameText(k, "DRIVER")) driver = v;
        else if (sys::SameText(k, "DSN")) dsn = v;
    }
    char buf[1024];
    if (driver.empty() && !dsn.empty()) {
        buf[0] = '\0';
        profile(cp932::ToUtf8(dsn).c_str(), "Driver", "", buf, sizeof buf, "odbc.ini");
        driver = cp932::FromUtf8(buf);
    }
    if (driver.empty()) return std::string();
    if (driver.find('/') != std::string::npos) return cp932::ToUtf8(driver);
    buf[0] = '\0';
    profile(cp932::ToUtf8(driver).c_str(), "Driver", "", buf, sizeof buf, "odbcinst.ini");
    return buf;
}

bool DriverIsAnsiOnly(const std::string& library) {
    if (library.empty()) return false;
    void* h = OpenDriverLibrary(library);
    if (!h) return false;
    bool wide = dlsym(h, "SQLDriverConnectW") || dlsym(h, "SQLConnectW") || dlsym(h, "SQLExecDirectW");
    bool narrow = dlsym(h, "SQLExecDirect") != nullptr;
    dlclose(h);
    return narrow && !wide;
}

}  // namespace odbc

char* TFetchScratch::Reserve(size_t Bytes) {
    if (Bytes > FCapacity) {
        const size_t units = (Bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
        FData.reset();   // the old block goes first: its contents are not kept
        FData.reset(new std::max_align_t[units]);
        FCapacity = units * sizeof(std::max_align_t);
    }
    return reinterpret_cast<char*>(FData.get());
}

TOdbcConnection::TOdbcConnection() = default;

TOdbcConnection::~TOdbcConnection() {
    app::Guard([this] { Close(); });
    for (TOdbcQuery* q : std::vector<TOdbcQuery*>(FDataSets)) q->ConnectionClosing(true);
    FDataSets.clear();
}

void TOdbcConnection::SetConnectionString(const std::string& s) {
    if (Connected()) Close();
    FConnectionString = s;
}

void TOdbcConnection::RaiseError(short handleType, void* handle, const char* context) {
    bool lost = false;
    EOdbcError e = odbc::DiagError(handleType, handle, context, FUtf8, &lost);
    if (!lost && FDbc) {
        SQLUINTEGER dead = SQL_CD_FALSE;
        if (SQL_SUCCEEDED(SQLGetConnectAttr(FDbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) && dead == SQL_CD_TRUE) {
            lost = true;
            e.Message = odbc::kLost + e.Message;
        }
    }
    if (lost) FLost = true;
    throw e;
}

void TOdbcConnection::Open() {
    if (Connected()) return;
    odbc::TOdbcConnectParams p = odbc::ParseAdoConnectString(FConnectionString);
    std::string odbcString = p.OdbcString;
    if (LoginPrompt && OnLogin) {
        std::string user = p.UserName, password = p.Password;
        if (!OnLogin(user, password)) throw ELoginCancelled("ログインがキャンセルされました。");
        odbcString = odbc::SetOdbcKey(odbcString, "UID", user);
        odbcString = odbc::SetOdbcKey(odbcString, "PWD", password);
    }
    const std::string library = odbc::DriverLibrary(odbcString);
    const bool utf8 = odbc::DriverIsAnsiOnly(library);
    if (library.find("psqlodbc") != std::string::npos) {
        bool given = false;
        for (const auto& kv : odbc::SplitConnectString(odbcString)) given = given || sys::SameText(kv.first, "UseDeclareFetch");
        if (!given) odbcString = odbc::SetOdbcKey(odbc::SetOdbcKey(odbcString, "UseDeclareFetch", "1"), "Fetch", "10000");
    }
    bool sqliteNames = false;
    if (library.find("sqlite3odbc") != std::string::npos) {
        bool given = false;
        for (const auto& kv : odbc::SplitConnectString(odbcString)) given = given || sys::SameText(kv.first, "LongNames");
        if (!given) {
            odbcString = odbc::SetOdbcKey(odbcString, "LongNames", "1");
            sqliteNames = true;
        }
    }
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, odbc::Environment(), &dbc)))
        throw odbc::DiagError(SQL_HANDLE_ENV, odbc::Environment(), "接続の準備", false);
    int timeout = p.ConnectTimeout >= 0 ? p.ConnectTimeout : ConnectionTimeout;
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(timeout, 0))), 0);
    std::string in = odbc::ApiText(odbcString, utf8);
    std::string out(16384, '\0');
    SQLSMALLINT outLen = 0;
    SQLRETURN r;
    if (utf8)
        r = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(&in[0]), static_cast<SQLSMALLINT>(in.size()),
                             reinterpret_cast<SQLCHAR*>(&out[0]), static_cast<SQLSMALLINT>(out.size() - 1), &outLen,
                             SQL_DRIVER_NOPROMPT);
    else
        r = SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(&in[0]), static_cast<SQLSMALLINT>(in.size() / 2),
                              reinterpret_cast<SQLWCHAR*>(&out[0]), static_cast<SQLSMALLINT>(out.size() / 2 - 1), &outLen,
                              SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        EOdbcError e = odbc::DiagError(SQL_HANDLE_DBC, dbc, "接続", utf8);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        throw e;
    }
    out.resize(std::min(static_cast<size_t>(std::max<SQLSMALLINT>(outLen, 0)) * static_cast<size_t>(odbc::UnitSize(utf8)),
                        out.size()));
    FDbc = dbc;
    FUtf8 = utf8;
    FLost = false;
    FTransactionLevel = 0;
    std::string completed = odbc::FromApiText(out, utf8);
    if (sqliteNames) {
        // the key the layer added is no choice of the user's: kept out of the completed string
        odbc::TKeyValues kv = odbc::SplitConnectString(completed);
        kv.erase(std::remove_if(kv.begin(), kv.end(), [](const auto& e) { return sys::SameText(e.first, "LongNames"); }), kv.end());
        completed = odbc::JoinOdbcString(kv);
    }
    FCompleted = odbc::CompletedAdoString(completed, p);

    SQLUINTEGER gd = 0, pos = 0;
    SQLGetInfo(dbc, SQL_GETDATA_EXTENSIONS, &gd, sizeof gd, nullptr);
    SQLGetInfo(dbc, SQL_POS_OPERATIONS, &pos, sizeof pos, nullptr);
    FGetDataBound = (gd & SQL_GD_BOUND) != 0;
    FBlockFetch = FGetDataBound && (gd & SQL_GD_BLOCK) && (pos & SQL_POS_POSITION);

    FPostgreSql = library.find("psqlodbc") != std::string::npos;
    FSqlite = library.find("sqlite3odbc") != std::string::npos;
    FSqliteNames = false;
    if (sqliteNames) {
        // LongNames=1 turned SQLite's full names on ("table.column"); back to the short ones
        SQLHSTMT st = SQL_NULL_HSTMT;
        bool done = SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st));
        for (const char* pragma : {"PRAGMA full_column_names = 0", "PRAGMA short_column_names = 1"}) {
            done = done && SQL_SUCCEEDED(SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(pragma)), SQL_NTS));
            if (done) SQLFreeStmt(st, SQL_CLOSE);
        }
        if (st) SQLFreeHandle(SQL_HANDLE_STMT, st);
        FSqliteNames = done;
    }
}

void TOdbcConnection::Close() {
    if (!Connected()) return;
    for (TOdbcQuery* q : std::vector<TOdbcQuery*>(FDataSets)) q->ConnectionClosing(false);
    SQLHDBC dbc = FDbc;
    if (FTransactionLevel > 0) {
        // an open transaction is rolled back before the connection goes
        SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
        SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    }
    FTransactionLevel = 0;
    FDbc = nullptr;
    FCompleted.clear();
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
}

void TOdbcConnection::SetAutoCommit(bool on) {
    SQLRETURN r = SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT,
                                    reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(r)) RaiseError(SQL_HANDLE_DBC, FDbc, "トランザクションの設定");
}

void TOdbcConnection::BeginTrans() {
    if (!Connected()) throw EDatabaseError("データベースに接続していません。");
    if (FTransactionLevel > 0) throw EDatabaseError("トランザクションは既に開始されています。");
    SetAutoCommit(false);
    FTransactionLevel = 1;
}

void TOdbcConnection::CommitTrans() {
    if (!Connected()) throw EDatabaseError("データベースに接続していません。");
    if (FTransactionLevel == 0) throw EDatabaseError("トランザクションが開始されていません。");
    SQLRETURN r = SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_COMMIT);
    if (!SQL_SUCCEEDED(r)) RaiseError(SQL_HANDLE_DBC, FDbc, "コミット");
    FTransactionLevel = 0;
    SetAutoCommit(true);
}

void TOdbcConnection::RollbackTrans() {
    if (!Connected()) throw EDatabaseError("データベースに接続していません。");
    if (FTransactionLevel == 0) throw EDatabaseError("トランザクションが開始されていません。");
    SQLRETURN r = SQLEndTran(SQL_HANDLE_DBC, FDbc, SQL_ROLLBACK);
    FTransactionLevel = 0;
    if (!SQL_SUCCEEDED(r)) {
        SQLSetConnectAttr(FDbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        RaiseError(SQL_HANDLE_DBC, FDbc, "ロールバック");
    }
    SetAutoCommit(true);
}

void TOdbcConnection::RegisterDataSet(TOdbcQuery* q) {
    if (std::find(FDataSets.begin(), FDataSets.end(), q) == FDataSets.end()) FDataSets.push_back(q);
}

void TOdbcConnection::UnregisterDataSet(TOdbcQuery* q) {
    FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), q), FDataSets.end());
}
