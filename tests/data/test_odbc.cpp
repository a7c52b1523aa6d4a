// The ODBC layer against real databases: SQLite through the SQLite3 ODBC
// driver and PostgreSQL through the PostgreSQL Unicode driver.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <sql.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "DbTestUtil.h"
#include "OdbcText.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "SysUtils.h"

namespace {

using dbtest::Db;

class OdbcTest : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        ConnStr = dbtest::ConnFor(GetParam(), "odbc");
        Conn.SetConnectionString(ConnStr);
        Conn.Open();
        Table = dbtest::UniqueName("t");
    }
    void TearDown() override {
        if (!Conn.Connected()) return;
        try {
            Exec("drop table " + Table);
        } catch (...) {
        }
    }
    bool Pg() const { return GetParam() == Db::PostgreSQL; }
    int64_t Exec(const std::string& sql, TOdbcConnection* c = nullptr) {
        TOdbcQuery q(c ? c : &Conn);
        q.SetParamCheck(false);
        q.SetSQL(sql);
        q.ExecSQL();
        return q.RowsAffected();
    }
    std::unique_ptr<TOdbcQuery> Query(const std::string& sql, TOdbcConnection* c = nullptr) {
        auto q = std::make_unique<TOdbcQuery>(c ? c : &Conn);
        q->SetParamCheck(false);
        q->SetSQL(sql);
        q->Open();
        return q;
    }
    int Count(TOdbcConnection* c = nullptr) {
        auto q = Query("select count(*) from " + Table, c);
        return static_cast<int>(q->Fields(0).AsInteger());
    }
    std::string ConnStr, Table;
    TOdbcConnection Conn;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Both, OdbcTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

TEST_P(OdbcTest, ConnectsAndReportsTheCompletedString) {
    EXPECT_TRUE(Conn.Connected());
    const std::string& s = Conn.CompletedConnectionString();
    EXPECT_NE(s.find(Pg() ? "DRIVER=PostgreSQL Unicode;" : "Database="), std::string::npos) << s;
    EXPECT_EQ(s.find("PWD=zintavor"), std::string::npos) << s;   // the password is not shown
    Conn.Close();
    EXPECT_FALSE(Conn.Connected());
}

TEST_P(OdbcTest, DdlDmlAndAResultWithTypesAndNulls) {
    Exec("create table " + Table + " (id integer, name varchar(20), amount double precision, born date, memo " +
         (Pg() ? "text" : "text") + ")");
    EXPECT_EQ(Exec("insert into " + Table + " values (1, 'abc', 1.5, '2024-01-15', 'm1')"), 1);
    EXPECT_EQ(Exec("insert into " + Table + " values (2, null, null, null, null)"), 1);
    EXPECT_EQ(Exec("update " + Table + " set amount = amount * 2"), 2);
    auto q = Query("select id, name, amount, born from " + Table + " order by id");
    ASSERT_EQ(q->FieldCount(), 4);
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_EQ(q->Fields(0).FieldName(), "id");
    EXPECT_EQ(q->Fields(0).DataType(), ftInteger);
    EXPECT_EQ(q->Fields(0).Alignment(), taRightJustify);
    EXPECT_EQ(q->Fields(1).Alignment(), taLeftJustify);
    EXPECT_EQ(q->Fields(2).DataType(), ftFloat);
    EXPECT_EQ(q->Fields(2).Alignment(), taRightJustify);
    if (Pg()) {
        EXPECT_EQ(q->Fields(3).DataType(), ftDate);
    }
    EXPECT_EQ(q->Fields(0).AsString(), "1");
    EXPECT_EQ(q->Fields(1).AsString(), "abc");
    EXPECT_EQ(q->Fields(2).AsString(), "3");
    if (Pg()) {
        EXPECT_EQ(q->Fields(3).AsString(), "2024/01/15");
    }
    q->Next();
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(q->Fields(i).IsNull());
        EXPECT_EQ(q->Fields(i).AsString(), "");
    }
    q->Next();
    EXPECT_TRUE(q->Eof());
    q->Prior();
    q->Prior();
    EXPECT_EQ(q->Fields(0).AsString(), "1");
    EXPECT_EQ(Exec("delete from " + Table + " where id = 99"), 0);
}

TEST_P(OdbcTest, OpeningAStatementWithoutResultRunsItOnceAndSaysSo) {
    Exec("create table " + Table + " (id integer)");
    TOdbcQuery q(&Conn);
    q.SetSQL("insert into " + Table + " values (7)");
    try {
        q.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "CommandText は結果セットを返しません。");
        EXPECT_STREQ(e.ClassName(), "EDatabaseError");
    }
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(q.RowsAffected(), 1);
    EXPECT_EQ(Count(), 1);
}

TEST_P(OdbcTest, JapaneseTextBothWaysAndTheSubstitute) {
    Exec("create table " + Table + " (id integer, s varchar(100))");
    Exec("insert into " + Table + " values (1, '表示テスト～①')");
    TOdbcQuery ins(&Conn);
    ins.SetSQL("insert into " + Table + " values (2, :s)");
    ins.Parameters().ParamByName("s").Value = TVariant(std::string("能力ソ"));
    ins.ExecSQL();
    // U+00E9 has no CP932 form: the server gets it by code point
    Exec("insert into " + Table + " values (3, " + (Pg() ? "chr(233)" : "char(233)") + " || 'x')");
    auto q = Query("select s from " + Table + " where id < 3 order by id");
    EXPECT_EQ(q->Fields(0).AsString(), "表示テスト～①");
    q->Next();
    EXPECT_EQ(q->Fields(0).AsString(), "能力ソ");
    EXPECT_FALSE(q->LossyText());
    auto where = Query("select id from " + Table + " where s = '能力ソ'");
    EXPECT_EQ(where->Fields(0).AsString(), "2");
    auto lossy = Query("select s from " + Table + " where id = 3");
    EXPECT_EQ(lossy->Fields(0).AsString(), "?x");
    EXPECT_TRUE(lossy->LossyText());
}

TEST_P(OdbcTest, BinaryParametersAndLongValuesComeBackWhole) {
    Exec("create table " + Table + " (id integer, b " + std::string(Pg() ? "bytea" : "blob") + ", t text)");
    std::string bin;
    for (int i = 0; i < 70000; ++i) bin.push_back(static_cast<char>(i * 7));
    std::string text;
    for (int i = 0; i < 30000; ++i) text += i % 3 ? "表" : "a";
    TOdbcQuery ins(&Conn);
    ins.SetSQL("insert into " + Table + " values (:id, :b, :t)");
    ins.Parameters().ParamByName("id").Value = TVariant(1);
    ins.Parameters().ParamByName("b").Value = TVariant(TBytes{bin});
    ins.Parameters().ParamByName("t").Value = TVariant(text);
    ins.ExecSQL();
    ins.Parameters().ParamByName("id").Value = TVariant(2);
    ins.Parameters().ParamByName("b").Value = TVariant(TBytes{std::string("\x00\xFF", 2)});
    ins.Parameters().ParamByName("t").Value = TVariant(std::string("短い"));
    ins.ExecSQL();
    auto q = Query("select b, t from " + Table + " order by id");
    EXPECT_TRUE(q->Fields(0).IsBlob() || q->Fields(0).IsBinary());
    EXPECT_TRUE(q->Fields(1).IsBlob() || q->Fields(1).DataType() == ftString || q->Fields(1).DataType() == ftWideString);
    EXPECT_EQ(q->Fields(0).AsString().size(), bin.size());
    EXPECT_TRUE(q->Fields(0).AsString() == bin);
    EXPECT_TRUE(q->Fields(1).AsString() == text);
    q->Next();
    EXPECT_EQ(testutil::Hex(q->Fields(0).AsString()), "00 FF");
    EXPECT_EQ(q->Fields(1).AsString(), "短い");
}

TEST_P(OdbcTest, ManyRowsAreFetchedInBlocksWithProgressEvery256) {
    const int n = 70000;
    std::string gen = Pg() ? "select g, 'r' || g, case when g % 3 = 0 then null else g * 0.5 end from generate_series(1, " +
                                 std::to_string(n) + ") g"
                           : "with recursive c(g) as (select 1 union all select g + 1 from c where g < " + std::to_string(n) +
                                 ") select g, 'r' || g, case when g % 3 = 0 then null else g * 0.5 end from c";
    TOdbcQuery q(&Conn);
    q.SetSQL(gen);
    int progress = 0;
    q.OnFetchProgress = [&] { ++progress; };
    q.Open();
    EXPECT_EQ(q.RecordCount(), n);
    EXPECT_EQ(progress, n / 256);
    int rows = 0;
    int64_t sum = 0;
    int nulls = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        ++rows;
        sum += q.Fields(0).AsInteger();
        if (q.Fields(2).IsNull()) ++nulls;
    }
    EXPECT_EQ(rows, n);
    EXPECT_EQ(sum, int64_t(n) * (n + 1) / 2);
    EXPECT_EQ(nulls, n / 3);
    q.SetRecNo(65537);
    EXPECT_EQ(q.Fields(1).AsString(), "r65537");
    q.Last();
    EXPECT_EQ(q.Fields(0).AsString(), std::to_string(n));
}

TEST_P(OdbcTest, TransactionsCommitRollBackAndAreRolledBackAtDisconnect) {
    Exec("create table " + Table + " (id integer)");
    TOdbcConnection other;
    other.SetConnectionString(ConnStr);
    other.Open();

    Conn.BeginTrans();
    EXPECT_TRUE(Conn.InTransaction());
    Exec("insert into " + Table + " values (1)");
    Conn.RollbackTrans();
    EXPECT_FALSE(Conn.InTransaction());
    EXPECT_EQ(Count(), 0);

    Conn.BeginTrans();
    try {
        Conn.BeginTrans();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "トランザクションは既に開始されています。");
    }
    Exec("insert into " + Table + " values (2)");
    Conn.CommitTrans();
    EXPECT_EQ(Count(&other), 1);

    for (auto op : {&TOdbcConnection::CommitTrans, &TOdbcConnection::RollbackTrans}) {
        try {
            (Conn.*op)();
            FAIL();
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, "トランザクションが開始されていません。");
        }
    }

    other.Close();   // SQLite allows one writer: let the other go before the open transaction
    Conn.BeginTrans();
    Exec("insert into " + Table + " values (3)");
    Conn.Close();
    EXPECT_FALSE(Conn.InTransaction());
    other.Open();
    EXPECT_EQ(Count(&other), 1);
    Conn.Open();
}

TEST_P(OdbcTest, ServerErrorsArriveWithTheirTexts) {
    TOdbcQuery q(&Conn);
    q.SetSQL("select * from no_such_table_x");
    try {
        q.Open();
        FAIL();
    } catch (const EOdbcError& e) {
        EXPECT_STREQ(e.ClassName(), "EOdbcError");
        if (Pg()) {
            EXPECT_NE(e.Message.find("relation \"no_such_table_x\" does not exist"), std::string::npos) << e.Message;
            EXPECT_EQ(e.SQLState, "42P01");
        } else {
            EXPECT_NE(e.Message.find("no such table: no_such_table_x"), std::string::npos) << e.Message;
        }
    }
    EXPECT_FALSE(q.Active());
    EXPECT_FALSE(Conn.ConnectionLost());
}

TEST_P(OdbcTest, DisconnectClosesEveryDatasetAndADeadConnectionLetsGo) {
    auto q = Query("select 1 as a");
    ASSERT_TRUE(q->Active());
    Conn.Close();
    EXPECT_FALSE(q->Active());
    try {
        q->Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "データベースに接続していません。");
    }
    {
        auto c = std::make_unique<TOdbcConnection>();
        c->SetConnectionString(ConnStr);
        c->Open();
        q->SetConnection(c.get());
        q->Open();
        EXPECT_TRUE(q->Active());
    }   // the connection goes: the dataset is closed and let go
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->Connection(), nullptr);
    EXPECT_THROW(q->Open(), EDatabaseError);
}

TEST_P(OdbcTest, NamedParametersOfEveryKind) {
    Exec("create table " + Table + " (i integer, f double precision, s varchar(10), d " +
         std::string(Pg() ? "timestamp" : "varchar(30)") + ")");
    TOdbcQuery ins(&Conn);
    ins.SetSQL("insert into " + Table + " values (:i, :f, :s, :d) -- :ignored");
    ASSERT_EQ(ins.Parameters().Count(), 4);
    ins.Parameters().ParamByName("i").Value = TVariant(int64_t(-5));
    ins.Parameters().ParamByName("f").Value = TVariant(2.25);
    ins.Parameters().ParamByName("s").Value = TVariant();
    TSQLTimeStamp t{2023, 12, 31, 23, 59, 1, 0};
    ins.Parameters().ParamByName("d").Value = TVariant(t);
    ins.ExecSQL();
    EXPECT_EQ(ins.RowsAffected(), 1);
    TOdbcQuery sel(&Conn);
    sel.SetSQL("select i, f, s, d, ':i' from " + Table + " where i = :i and i = :I");
    sel.Parameters().ParamByName("i").Value = TVariant(-5);
    sel.Open();
    ASSERT_EQ(sel.RecordCount(), 1);
    EXPECT_EQ(sel.Fields(0).AsString(), "-5");
    EXPECT_EQ(sel.Fields(1).AsString(), "2.25");
    EXPECT_TRUE(sel.Fields(2).IsNull());
    EXPECT_EQ(sel.Fields(3).AsString().substr(0, 10), Pg() ? "2023/12/31" : "2023-12-31");
    EXPECT_EQ(sel.Fields(4).AsString(), ":i");
}

TEST_P(OdbcTest, WrongSettingsGiveClearErrors) {
    TOdbcConnection c;
    c.SetConnectionString("Provider=MSDASQL.1;Data Source=no_such_dsn_zintavor");
    try {
        c.Open();
        FAIL();
    } catch (const EOdbcError& e) {
        EXPECT_NE(e.Message.find("Data source name not found"), std::string::npos) << e.Message;
        EXPECT_EQ(e.SQLState, "IM002");
    }
    EXPECT_FALSE(c.Connected());
    c.SetConnectionString(ConnStr);
    c.LoginPrompt = true;
    std::string seenUser;
    c.OnLogin = [&](std::string& user, std::string&) { seenUser = user; return false; };
    try {
        c.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "ログインがキャンセルされました。");
    }
    EXPECT_EQ(seenUser, Pg() ? "zintavor" : "");
    c.OnLogin = [](std::string&, std::string&) { return true; };
    c.Open();
    EXPECT_TRUE(c.Connected());
}

// No time limit is put on a statement: the statement handle carries none
// while its result is fetched, and PostgreSQL's own statement_timeout stays
// what the server says (0) before, during and after it.
TEST_P(OdbcTest, NoStatementTimeLimitIsSet) {
    auto setting = [&] {
        return Pg() ? Query("show statement_timeout")->Fields(0).AsString() : std::string("0");
    };
    EXPECT_EQ(setting(), "0");
    TOdbcQuery q(&Conn);
    q.SetParamCheck(false);
    q.SetSQL(Pg() ? "select current_setting('statement_timeout'), g from generate_series(1, 600) g"
                  : "with recursive n(g) as (select 1 union all select g + 1 from n where g < 600) select '0', g from n");
    int calls = 0;
    q.OnFetchProgress = [&] {
        ++calls;
        ASSERT_NE(q.StatementHandle(), nullptr);
        SQLULEN timeout = 99;
        ASSERT_TRUE(SQL_SUCCEEDED(SQLGetStmtAttr(q.StatementHandle(), SQL_ATTR_QUERY_TIMEOUT, &timeout, 0, nullptr)));
        EXPECT_EQ(timeout, 0u);
        EXPECT_EQ(setting(), "0");
    };
    q.Open();
    EXPECT_GE(calls, 2);
    EXPECT_EQ(q.StatementHandle(), nullptr);
    EXPECT_EQ(q.Fields(0).AsString(), "0");
    EXPECT_EQ(setting(), "0");
}

// PostgreSQL only: time-outs and a server connection that goes away.

TEST(OdbcPg, LoginTimeoutEndsAConnectThatHangs) {
    DBTEST_REQUIRE_PG();
    // a listening socket that never answers
    int port = 0;
    const int s = dbtest::LoopbackSocket(port);
    ASSERT_GE(s, 0);
    ASSERT_EQ(listen(s, 4), 0);
    TOdbcConnection c;
    c.SetConnectionString("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" + std::to_string(port) +
                          ";DATABASE=x;UID=x;PWD=x;Connect Timeout=2");
    EXPECT_THROW(c.Open(), EOdbcError);
    EXPECT_FALSE(c.Connected());
    close(s);
}

TEST(OdbcPg, DroppedServerConnectionGivesAClearErrorAndReconnects) {
    DBTEST_REQUIRE_PG();
    TOdbcConnection victim, killer;
    victim.SetConnectionString(dbtest::PgConn());
    killer.SetConnectionString(dbtest::PgConn());
    victim.Open();
    killer.Open();
    victim.BeginTrans();
    std::string pid;
    {
        TOdbcQuery q(&victim);
        q.SetSQL("select pg_backend_pid()");
        q.Open();
        pid = q.Fields(0).AsString();
    }
    {
        TOdbcQuery k(&killer);
        k.SetSQL("select pg_terminate_backend(" + pid + ")");
        k.Open();
        EXPECT_EQ(k.Fields(0).AsString(), "1");
    }
    TOdbcQuery q(&victim);
    q.SetSQL("select 1");
    try {
        q.Open();
        FAIL();
    } catch (const EOdbcError& e) {
        EXPECT_EQ(e.Message.rfind("データベースとの接続が切断されました。再接続してください。\r\n", 0), 0u) << e.Message;
    }
    EXPECT_TRUE(victim.ConnectionLost());
    victim.Close();   // the rollback of the lost transaction fails quietly
    victim.Open();
    EXPECT_FALSE(victim.ConnectionLost());
    q.Open();
    EXPECT_EQ(q.Fields(0).AsString(), "1");
}

// A driver's library, once the layer has loaded it (to see which API it
// offers), stays for the rest of the process: unloading a driver takes the
// libraries with thread-local data it brings (libpq, Kerberos, GnuTLS) with
// it, which are not made to be unloaded and loaded again. The ANSI driver is
// one no other test connects with, so only this look loads it.
TEST(OdbcDriverLibrary, StaysLoadedOnceLookedAt) {
    std::string library = odbc::DriverLibrary("DRIVER=PostgreSQL ANSI;");
    ASSERT_FALSE(library.empty()) << "the PostgreSQL ANSI driver is installed with odbc-postgresql";
    if (library.find('/') == std::string::npos) {
        // a bare name lies in the driver folder beside the driver manager's library
        Dl_info info{};
        ASSERT_NE(dladdr(reinterpret_cast<void*>(&SQLAllocHandle), &info), 0);
        const std::string dm(info.dli_fname);
        library = dm.substr(0, dm.rfind('/') + 1) + "odbc/" + library;
    }
    EXPECT_TRUE(odbc::DriverIsAnsiOnly(library));
    void* held = dlopen(library.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    EXPECT_NE(held, nullptr) << library << " was unloaded";
    if (held) dlclose(held);
}
