// Databases for the tests: a fresh SQLite file through the SQLite3 ODBC
// driver, and the PostgreSQL server that scripts/pg.sh started
// (ZINTAVOR_PG_CONN). Without a server the PostgreSQL cases are skipped,
// unless ZINTAVOR_REQUIRE_DB=1 makes that a failure.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "TestUtil.h"

namespace dbtest {

inline std::string PgConn() {
    const char* c = std::getenv("ZINTAVOR_PG_CONN");
    return c ? c : "";
}

inline bool RequireDb() {
    const char* r = std::getenv("ZINTAVOR_REQUIRE_DB");
    return r && std::string(r) == "1";
}

// A name no other test (or test process) uses: prefix, process id, counter.
inline std::string UniqueName(const std::string& prefix) {
    static std::atomic<int> n{0};
    return prefix + "_" + std::to_string(getpid()) + "_" + std::to_string(++n);
}

// The connection string of a new, empty SQLite database file.
inline std::string SqliteConn(const std::string& tag) {
    std::string dir = testutil::TempFolder(tag);
    return "DRIVER=SQLite3;Database=" + dir + UniqueName("db") + ".sqlite";
}

enum class Db { SQLite, PostgreSQL };

inline std::string DbName(const ::testing::TestParamInfo<Db>& i) {
    return i.param == Db::SQLite ? "SQLite" : "PostgreSQL";
}

// A TCP socket bound to a free port of 127.0.0.1, whose number goes to Port;
// -1 when none could be made. The caller closes it.
inline int LoopbackSocket(int& Port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (s >= 0) close(s);
        return -1;
    }
    Port = ntohs(a.sin_port);
    return s;
}

// The connection string of a test on the backend: a new SQLite file, or the PostgreSQL server.
inline std::string ConnFor(Db db, const std::string& tag) { return db == Db::SQLite ? SqliteConn(tag) : PgConn(); }

}  // namespace dbtest

// In a test body: skip (or fail under ZINTAVOR_REQUIRE_DB=1) without PostgreSQL.
#define DBTEST_REQUIRE_PG()                                                              \
    do {                                                                                 \
        if (dbtest::PgConn().empty()) {                                                  \
            if (dbtest::RequireDb()) FAIL() << "ZINTAVOR_PG_CONN is not set";            \
            GTEST_SKIP() << "ZINTAVOR_PG_CONN is not set";                               \
        }                                                                                \
    } while (0)
