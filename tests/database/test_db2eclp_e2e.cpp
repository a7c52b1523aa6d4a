// The DB2e CLP driver end to end: our stand-in DB2eCLP.exe in the current
// folder, a real database behind it (an SQLite file "<db>.db" beside it, or
// PostgreSQL through DB2ECLP_ODBC_<DB>), the exchange files read back by the
// dataset.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "DB2eCLPTestUtil.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "StringList.h"
#include "U_ConsoleUtil.h"
#include "U_DB2eCLPDriver.h"
#include "U_DB2eCLP_SDF_ReadableDataSet.h"

#ifndef ZINTAVOR_DB2ECLP
#error "ZINTAVOR_DB2ECLP names the stand-in processor"
#endif

namespace {

using dbtest::Db;
using Rows = std::vector<std::vector<std::string>>;

class DB2eCLPEndToEnd : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        ASSERT_EQ(symlink(ZINTAVOR_DB2ECLP, fs932::ToNative(Folder.Dir + "DB2eCLP.exe").c_str()), 0);
        std::string conn;
        if (GetParam() == Db::SQLite) {
            conn = "DRIVER=SQLite3;Database=" + Folder.Dir + "e2e.db";
            unsetenv("DB2ECLP_ODBC_E2E");
        } else {
            conn = dbtest::PgConn();
            setenv("DB2ECLP_ODBC_E2E", conn.c_str(), 1);
        }
        Table = dbtest::UniqueName("clp");
        Conn.SetConnectionString(conn);
        Conn.Open();
        Exec("create table " + Table + " (id integer, name varchar(40), note varchar(40))");
        Exec("insert into " + Table + " values (1, 'plain', null)");
        Exec("insert into " + Table + " values (2, 'quote \" and, comma', '表示 ソ')");
        Exec("insert into " + Table + " values (3, 'two\r\nlines', '')");
    }
    void TearDown() override {
        if (Conn.Connected()) Exec("drop table " + Table);
        unsetenv("DB2ECLP_ODBC_E2E");
    }
    void Exec(const std::string& sql) {
        TOdbcQuery q(&Conn);
        q.SetParamCheck(false);
        q.SetSQL(sql);
        q.ExecSQL();
    }
    // Export through the driver, then the dataset's field names and rows.
    Rows ExportRows(const std::string& connectTo, const std::string& sql, std::vector<std::string>& names) {
        TDB2eCLPDriver::Export(connectTo, sql, Msg);
        TDB2eCLP_SDF_ReadableDataSet ds("ZINTAVOR_EXPORTFIELDS.csv", "ZINTAVOR_EXPORTCSV.csv");
        ds.Open();
        names.clear();
        for (int i = 0; i < ds.FieldCount(); ++i) names.push_back(ds.Fields(i).FieldName());
        Rows rows;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            rows.emplace_back();
            for (int i = 0; i < ds.FieldCount(); ++i) rows.back().push_back(ds.Fields(i).AsString());
        }
        return rows;
    }

    clptest::CurrentFolder Folder{"clp-e2e"};
    TOdbcConnection Conn;
    std::string Table;
    std::string Msg;
};

TEST_P(DB2eCLPEndToEnd, ExportsTheRowsOfAQuery) {
    std::vector<std::string> names;
    const Rows rows = ExportRows(" e2e ", "select id, name, note from " + Table + "\r\n order by id", names);
    EXPECT_EQ(names, (std::vector<std::string>{" id (INTEGER)0", " name (VARCHAR)1", " note (VARCHAR)2"}));
    EXPECT_EQ(rows, (Rows{{"1", "plain", ""}, {"2", "quote \" and, comma", "表示 ソ"}, {"3", "two\r\nlines", ""}}));
    EXPECT_NE(Msg.find("Number of rows exported: 3\r\n"), std::string::npos) << Msg;
    EXPECT_EQ(Msg.find("SQL0901N"), std::string::npos) << Msg;
}

TEST_P(DB2eCLPEndToEnd, QueryWithoutRows) {
    std::vector<std::string> names;
    const Rows rows = ExportRows("e2e", "select name as \"表 名\" from " + Table + " where id < 0", names);
    EXPECT_EQ(names, (std::vector<std::string>{" 表 名 (VARCHAR)0"}));
    EXPECT_TRUE(rows.empty());
    EXPECT_NE(Msg.find("Number of rows exported: 0\r\n"), std::string::npos) << Msg;
}

TEST_P(DB2eCLPEndToEnd, ErrorsReachTheMessage) {
    const struct {
        const char* ConnectTo;
        std::string SQL;
        const char* Text;
    } cases[] = {
        {"e2e", "select * from no_such_table_here", "SQL0901N  The SQL statement failed."},
        {"", "select * from " + Table, "SQL1024N  A database connection does not exist.  SQLSTATE=08003"},
        {"e2e", "delete from " + Table, "SQL0104N  Only a SELECT, WITH or VALUES statement can be described or exported."},
    };
    for (const auto& c : cases) {
        Msg.clear();
        std::vector<std::string> names;
        EXPECT_THROW(ExportRows(c.ConnectTo, c.SQL, names), EFOpenError) << c.SQL;
        EXPECT_NE(Msg.find(c.Text), std::string::npos) << Msg;
        EXPECT_EQ(clptest::Read("ZINTAVOR_EXPORTFIELDS.csv"), "");
    }
    // nothing was deleted
    TOdbcQuery q(&Conn);
    q.SetSQL("select count(*) from " + Table);
    q.Open();
    EXPECT_EQ(q.Fields(0).AsString(), "3");
}

// The stand-in's own commands, talked to directly: plain SQL, DESCRIBE TABLE,
// CONNECT RESET, and the exit code after an error.
TEST(DB2eCLPStandIn, ScriptOfCommands) {
    clptest::CurrentFolder folder("clp-standin");
    ASSERT_EQ(symlink(ZINTAVOR_DB2ECLP, fs932::ToNative(folder.Dir + "DB2eCLP.exe").c_str()), 0);
    unsetenv("DB2ECLP_ODBC_MINE");
    std::istringstream in(
        "connect to mine;\r\n"
        "create table t (id integer, label varchar(8));\r\n"
        "insert into t values (1, 'a;b');\r\n"
        "describe table t;\r\n"
        "export to other.csv of del select label, id from t;\r\n"
        "export to other.csv of ixf select id from t;\r\n"
        "connect reset;\r\n"
        "select * from t;\r\n"
        "quit;\r\n"
        "connect to mine;\r\n");
    std::ostringstream out, err;
    const int code = RunConsoleProcess("\"" + folder.Dir + "DB2eCLP.exe\"", in, out, err);
    EXPECT_EQ(code, 4);
    TStringList fields;
    TDB2eCLPDriver::ParseDescribeOutput(out.str(), fields);
    EXPECT_EQ(fields.Items, (std::vector<std::string>{" id (INTEGER)", " label (VARCHAR)"}));
    EXPECT_EQ(clptest::Read("other.csv"), "\"a;b\",1\r\n");
    EXPECT_TRUE(fs932::FileExists("mine.db"));
    const std::string text = out.str();
    for (const char* line : {" Local database alias   = MINE\r\n", "Number of rows exported: 1\r\n",
                             "SQL3009N  The parameter specifying the filetype is not valid.\r\n",
                             "SQL1024N  A database connection does not exist.  SQLSTATE=08003\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    // nothing after quit ran: one connection only
    EXPECT_EQ(text.find("Local database alias", text.find("Local database alias") + 1), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Backends, DB2eCLPEndToEnd, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

}  // namespace
