#include "OdbcInstalled.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>

#include "CP932.h"

namespace odbc {

namespace {

// The driver manager hands out the bytes of its ini files, which are UTF-8
// (its wide functions only widen those bytes one by one).
std::string FromManager(const SQLCHAR* s, SQLSMALLINT len) {
    std::string u(reinterpret_cast<const char*>(s), static_cast<size_t>(len));
    while (!u.empty() && u.back() == 0) u.pop_back();
    return cp932::FromUtf8(u);
}

// Walks SQLDrivers or SQLDataSources over a fresh environment.
template <class Fetch>
std::vector<TInstalledItem> List(Fetch fetch) {
    std::vector<TInstalledItem> items;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return items;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[512];
    SQLCHAR desc[4096];
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLen = 0, descLen = 0;
        SQLRETURN rc = fetch(env, direction, name, SQLSMALLINT(512), &nameLen, desc, SQLSMALLINT(4096), &descLen);
        if (!SQL_SUCCEEDED(rc)) break;
        items.push_back({FromManager(name, std::min<SQLSMALLINT>(nameLen, 511)),
                         FromManager(desc, std::min<SQLSMALLINT>(descLen, 4095))});
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return items;
}

}  // namespace

std::vector<TInstalledItem> InstalledDrivers() {
    std::vector<TInstalledItem> items = List(SQLDrivers);
    // the attributes come as "key=value\0key=value": shown joined by ";"
    for (auto& item : items)
        for (char& c : item.Description)
            if (c == '\0') c = ';';
    return items;
}

std::vector<TInstalledItem> InstalledDataSources() { return List(SQLDataSources); }

}  // namespace odbc
