// The ADO driver against SQLite and PostgreSQL: messages, commands,
// transactions, file parameters, UDL files and the plugged-in store.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

#include "DataSet.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "OdbcConnectString.h"
#include "OdbcQuery.h"
#include "CP932.h"
#include "SysUtils.h"
#include "U_ADODriver.h"
#include "U_ADOSQLParamParser.h"

namespace {

using dbtest::Db;

// A user-implemented command as the engine hands it over.
class FakeCommand : public TCommandInterface {
public:
    FakeCommand(std::string name, std::string param = "") : Name(std::move(name)) { Params[0] = std::move(param); }
    std::string GetCommandName() const override { return Name; }
    void GetParams(TParamsArr& p) const override { p = Params; }
    int GetMaxParamCount() const override { return 256; }
    TStringList& GetOutput() override { return Output; }
    void GetTitle(std::string& S) const override { S.clear(); }
    void SetTitle(const std::string&) override {}
    TStringList& GetHelp() override { return Help; }
    bool GetSucceeded() const override { return Succeeded; }
    void SetSucceeded(bool v) override { Succeeded = v; }
    void Execute() override {}
    std::string Name;
    TParamsArr Params;
    TStringList Output, Help;
    bool Succeeded = true;
};

class ClientFolder : public TDriverInterfaceProp {
public:
    void GetCurrentFolder(std::string& f) override { f = Folder; }
    std::string Folder;
};

// A saved-connections store over a map, shared by the stores the driver opens.
struct StoreData {
    std::vector<std::pair<std::string, std::string>> Nodes;   // name, connection string
    std::string Selected;
    std::string Trees;
    int Saves = 0;
};
class FakeStore : public IConnectionStore {
public:
    explicit FakeStore(StoreData& d) : D(d) {}
    int GetCount() override { return static_cast<int>(D.Nodes.size()); }
    void GetSelectedName(std::string& n) override { n = D.Selected; }
    void GetConnectString(const std::string& name, std::string& s) override {
        s.clear();
        for (auto& [n, c] : D.Nodes)
            if (sys::SameText(sys::Trim(n), sys::Trim(name))) s = c;
    }
    void GetObjectTreeNames(const std::string& name, std::string& s) override { s = "\"" + name + "\"," + D.Trees; }
    void SelectNode(const std::string& name) override {
        for (auto& [n, c] : D.Nodes)
            if (sys::SameText(sys::Trim(n), sys::Trim(name))) D.Selected = n;
    }
    void SaveToFile() override { ++D.Saves; }
    StoreData& D;
};

std::string UdlBytes(const std::string& connectCp932) {
    std::u16string text = u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" +
                          cp932::ToUtf16(connectCp932) + u"\r\n";
    std::string bytes("\xFF\xFE", 2);
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

// "text (12ms)" -> "text"; fails when the suffix is missing.
std::string WithoutTime(const std::string& msg) {
    size_t open = msg.rfind(" (");
    bool ok = open != std::string::npos && msg.size() > open + 5 && msg.compare(msg.size() - 3, 3, "ms)") == 0;
    for (size_t i = open + 2; ok && i < msg.size() - 3; ++i) ok = msg[i] >= '0' && msg[i] <= '9';
    if (!ok) return "(no time in: " + msg + ")";
    return msg.substr(0, open);
}

class ADODriverTest : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        ConnStr = dbtest::ConnFor(GetParam(), "driver");
        Folder.Folder = testutil::TempFolder("driver-files");
        Driver.SetClientProp(Folder);
        Driver.ConnectByConnectionString(ConnStr, "test");
        Table = dbtest::UniqueName("d");
    }
    void TearDown() override {
        if (!Driver.IsConnected()) return;
        try {
            Run("drop table " + Table, TSQLKind::Other);
        } catch (...) {
        }
    }
    bool Pg() const { return GetParam() == Db::PostgreSQL; }
    std::string Run(const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>* out = nullptr) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, kind, ds, msg);
        if (out) *out = std::move(ds);
        return WithoutTime(msg);
    }
    std::vector<std::string> Command(const std::string& name, const std::string& param = "", bool* ok = nullptr) {
        FakeCommand c(name, param);
        bool handled = false;
        Driver.HandleCommand(nullptr, c, handled);
        EXPECT_TRUE(handled);
        if (ok) *ok = c.Succeeded;
        return c.Output.Items;
    }
    std::string CommandError(const std::string& name, const std::string& param = "", bool* ok = nullptr) {
        FakeCommand c(name, param);
        bool handled = false;
        try {
            Driver.HandleCommand(nullptr, c, handled);
        } catch (const Exception& e) {
            if (ok) *ok = c.Succeeded;
            EXPECT_TRUE(handled);
            return e.Message;
        }
        return "(no error)";
    }
    std::string ConnStr, Table;
    ClientFolder Folder;
    TADODriver Driver;
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Both, ADODriverTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

TEST_P(ADODriverTest, EveryKindGivesItsMessage) {
    EXPECT_EQ(Run("create table " + Table + " (id integer, name varchar(20))", TSQLKind::Other), "実行しました。");
    EXPECT_EQ(Run("insert into " + Table + " values (1, 'a')", TSQLKind::Insert), "結果: 1 件更新");
    EXPECT_EQ(Run("insert into " + Table + " select id + 1, name from " + Table, TSQLKind::Insert), "結果: 1 件更新");
    EXPECT_EQ(Run("update " + Table + " set name = 'b'", TSQLKind::Update), "結果: 2 件更新");
    std::unique_ptr<TDataSet> ds;
    EXPECT_EQ(Run("select * from " + Table + " order by id", TSQLKind::Query, &ds), "結果:2件");
    ASSERT_TRUE(ds && ds->Active());
    EXPECT_EQ(ds->Fields(1).AsString(), "b");
    EXPECT_EQ(Run("delete from " + Table + " where id = 2", TSQLKind::Delete), "結果: 1 件更新");
    EXPECT_EQ(Run("delete from " + Table + " where id = 99", TSQLKind::Delete), "結果: 0 件更新");
    // a statement without a result set, given as a query: run once, not open
    EXPECT_EQ(Run("insert into " + Table + " values (5, 'q')", TSQLKind::Query, &ds), "SELECT を実行しました。");
    ASSERT_TRUE(ds);
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(Run("select count(*) from " + Table + " where id = 5", TSQLKind::Query, &ds), "結果:1件");
    EXPECT_EQ(ds->Fields(0).AsString(), "1");
    // numeric columns come back as floating-point fields
    EXPECT_EQ(Run("select cast(2.5 as numeric(10,2)) as n", TSQLKind::Other, &ds), "結果:1件");
    EXPECT_EQ(ds->Fields(0).DataType(), ftFloat);
    EXPECT_EQ(Run("select 1", static_cast<TSQLKind>(9), &ds), "");   // an unknown kind runs nothing
}

TEST_P(ADODriverTest, ErrorsReachTheCallerAndNoDatasetIsLeft) {
    std::unique_ptr<TDataSet> ds;
    std::string msg = "old";
    try {
        Driver.Execute(nullptr, "select * from zintavor_missing_table", TSQLKind::Query, ds, msg);
        FAIL();
    } catch (const EOdbcError& e) {
        EXPECT_NE(e.Message.find("zintavor_missing_table"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(ds, nullptr);
    EXPECT_EQ(WithoutTime(msg), "");   // the time is there, and true
    Driver.Disconnect();
    try {
        Driver.Execute(nullptr, "select 1", TSQLKind::Query, ds, msg);
        FAIL();
    } catch (const EADOError& e) {
        EXPECT_EQ(e.Message, "接続が確立していません。");
    }
}

TEST_P(ADODriverTest, FileMarkersBecomeBinaryParameters) {
    Run("create table " + Table + " (id integer, b " + std::string(Pg() ? "bytea" : "blob") + ")", TSQLKind::Other);
    std::string data("\x00\x01\xFF\x0D\x0A\x5C", 6);
    ASSERT_TRUE(fs932::WriteFileAtomic(Folder.Folder + "a.bin", data));
    ASSERT_TRUE(fs932::WriteFileAtomic(Folder.Folder + "with blank.bin", "xy"));
    EXPECT_EQ(Run("insert into " + Table + " values (1, <?FILE:" + Folder.Folder + "a.bin?>)", TSQLKind::Insert), "結果: 1 件更新");
    EXPECT_EQ(Run("insert into " + Table + " values (2, <?file:" + Folder.Folder + "with blank.bin?>)", TSQLKind::Insert), "結果: 1 件更新");
    std::unique_ptr<TDataSet> ds;
    Run("select b from " + Table + " order by id", TSQLKind::Query, &ds);
    EXPECT_EQ(testutil::Hex(ds->Fields(0).AsString()), "00 01 FF 0D 0A 5C");
    ds->Next();
    EXPECT_EQ(ds->Fields(0).AsString(), "xy");
    // the marker inside a literal stays text; "::" and ":" in the statement are left alone
    EXPECT_EQ(Run("select '<?FILE:/nowhere?>' as t", TSQLKind::Query, &ds), "結果:1件");
    EXPECT_EQ(ds->Fields(0).AsString(), "<?FILE:/nowhere?>");

    const std::string missing = Folder.Folder + "missing.bin";
    const std::string sql = "insert into " + Table + " values (3, <?FILE:" + missing + "?>)";
    try {
        Run(sql, TSQLKind::Insert);
        FAIL();
    } catch (const EADOSQLParamParser& e) {
        std::string sent = "insert into " + Table + " values (3, :" + missing + ")";
        EXPECT_EQ(e.Message, "ファイル " + missing + " を開けません");
        EXPECT_EQ(e.SQL, sent);
        EXPECT_EQ(e.ErrorPosition, static_cast<int32_t>(sent.find(missing)) + 1);
    }
    try {
        Run("insert into " + Table + " values (4, <?FILE:?>)", TSQLKind::Insert);
        FAIL();
    } catch (const EADOSQLParamParser& e) {
        EXPECT_EQ(e.Message, "パラメータが不正です。");
    }
}

TEST_P(ADODriverTest, JapaneseTextBothWays) {
    Run("create table " + Table + " (s varchar(40))", TSQLKind::Other);
    Run("insert into " + Table + " values ('日本語のテキスト～')", TSQLKind::Insert);
    std::unique_ptr<TDataSet> ds;
    EXPECT_EQ(Run("select s as 列名 from " + Table + " where s like '日本%'", TSQLKind::Query, &ds), "結果:1件");
    EXPECT_EQ(ds->Fields(0).FieldName(), "列名");
    EXPECT_EQ(ds->Fields(0).AsString(), "日本語のテキスト～");
}

TEST_P(ADODriverTest, TransactionCommands) {
    Run("create table " + Table + " (id integer)", TSQLKind::Other);
    EXPECT_EQ(Command("Commit"), (std::vector<std::string>{"現在コミットは無効です。"}));
    EXPECT_EQ(Command("RollBack"), (std::vector<std::string>{"現在ロールバックは無効です。"}));
    EXPECT_EQ(Command("Begin"), (std::vector<std::string>{"トランザクションをスタートしました。"}));
    Run("insert into " + Table + " values (1)", TSQLKind::Insert);
    EXPECT_EQ(Command("BEGIN"), (std::vector<std::string>{"ロールバックしました。", "トランザクションをスタートしました。"}));
    std::unique_ptr<TDataSet> ds;
    Run("select count(*) from " + Table, TSQLKind::Query, &ds);
    EXPECT_EQ(ds->Fields(0).AsString(), "0");
    Run("insert into " + Table + " values (2)", TSQLKind::Insert);
    bool ok = false;
    EXPECT_EQ(Command("commit", "", &ok), (std::vector<std::string>{"コミットしました。"}));
    EXPECT_TRUE(ok);
    Command("Begin");
    Run("insert into " + Table + " values (3)", TSQLKind::Insert);
    EXPECT_EQ(Command("RollBack"), (std::vector<std::string>{"ロールバックしました。"}));
    Command("Begin");
    Run("insert into " + Table + " values (4)", TSQLKind::Insert);
    // disconnecting with an open transaction rolls it back
    std::vector<std::string> out = Command("DisConnect");
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "から切断しました");
    EXPECT_FALSE(Driver.IsConnected());
    for (const char* word : {"Begin", "Commit", "RollBack"}) {
        SCOPED_TRACE(word);
        ok = true;
        EXPECT_EQ(CommandError(word, "", &ok), "\r\n接続していません。");
        EXPECT_FALSE(ok);
    }
    EXPECT_EQ(Command("DisConnect", "", &ok), (std::vector<std::string>{"接続していません"}));
    EXPECT_FALSE(ok);
    FakeCommand other("Grid");
    bool handled = false;
    Driver.HandleCommand(nullptr, other, handled);
    EXPECT_FALSE(handled);
    Driver.Reconnect();
    Run("select id from " + Table, TSQLKind::Query, &ds);
    EXPECT_EQ(ds->RecordCount(), 1);
    EXPECT_EQ(ds->Fields(0).AsString(), "2");
}

TEST_P(ADODriverTest, DatasetsOfADroppedConnectionAreClosed) {
    std::unique_ptr<TDataSet> ds;
    Run("select 1 as a", TSQLKind::Query, &ds);
    ASSERT_TRUE(ds->Active());
    Driver.Disconnect();
    EXPECT_FALSE(ds->Active());
    ds.reset();   // outliving its connection object is safe
}

TEST_P(ADODriverTest, ConnectByUdlFile) {
    ASSERT_TRUE(fs932::WriteFileAtomic(Folder.Folder + "db.udl", UdlBytes(ConnStr)));
    bool ok = false;
    std::vector<std::string> out = Command("Connect", "UDL:db.udl", &ok);
    EXPECT_TRUE(ok);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.back(), "へ接続しました");
    EXPECT_EQ(out.front().rfind("DRIVER=", 0), 0u) << out.front();
    std::string s;
    Driver.GetDescription(s);
    EXPECT_EQ(s, " [ UDL:db.udl ] ");
    Driver.GetObjectTreeNames(s);
    EXPECT_EQ(s, "");
    // blanks around the name are trimmed before the prefix is cut
    EXPECT_TRUE(TADODriver::IsUDLName(" UDL:x"));
    EXPECT_EQ(TADODriver::GetUDLPath(" UDL:x "), "x");
    EXPECT_FALSE(TADODriver::IsUDLName("udl:x"));
    EXPECT_EQ(TADODriver::GetUDLPath("udl:x"), "");
    EXPECT_TRUE(Driver.Connect(" UDL:" + Folder.Folder + "db.udl"));
    EXPECT_TRUE(Driver.IsConnected());
    Driver.GetDescription(s);
    EXPECT_EQ(s, " [ UDL:" + Folder.Folder + "db.udl ] ");

    EXPECT_EQ(CommandError("Connect", "UDL:nothing.udl", &ok),
              "接続に失敗しました。\r\nUDLファイルが存在しません [" + Folder.Folder + "nothing.udl]");
    EXPECT_FALSE(ok);
    EXPECT_FALSE(Driver.IsConnected());
    // in lower case the prefix is a saved connection's name; without a store there is none
    EXPECT_EQ(CommandError("Connect", "udl:db.udl"), "接続に失敗しました。\r\n接続情報が登録されていません。[ udl:db.udl ]");
    EXPECT_EQ(CommandError("Connect", ""), "接続に失敗しました。\r\n接続ダイアログが組み込まれていません。接続名か UDL: とファイル名を指定してください。");
}

TEST_P(ADODriverTest, SavedConnectionsThroughThePluggedStore) {
    StoreData data;
    data.Nodes = {{"Main", ConnStr}, {"Broken", "Provider=MSDASQL.1;Data Source=zintavor_no_dsn"}, {"Other", ConnStr}};
    data.Selected = "Other";
    data.Trees = "\"Tables\"";
    Driver.ConnectionStoreFactory = [&](TDriverInterfaceProp&) { return std::make_unique<FakeStore>(data); };
    std::string dialogName = "main";
    bool dialogOk = true;
    Driver.ConnectDialog = [&](TDriverInterfaceProp&, std::string& name) {
        name = dialogName;
        return dialogOk;
    };
    bool ok = false;
    std::vector<std::string> out = Command("Connect", " MAIN ", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.back(), "へ接続しました");
    EXPECT_EQ(data.Selected, "Main");
    EXPECT_EQ(data.Saves, 1);
    std::string s;
    Driver.GetDescription(s);
    EXPECT_EQ(s, " [ MAIN ] ");
    Driver.GetObjectTreeNames(s);
    EXPECT_EQ(s, "\"MAIN\",\"Tables\"");

    dialogOk = false;
    EXPECT_EQ(Command("Connect", "", &ok), (std::vector<std::string>{"キャンセルしました"}));
    EXPECT_FALSE(ok);
    dialogOk = true;
    EXPECT_EQ(Command("Connect", "", &ok).back(), "へ接続しました");

    // after a UDL connection the caption, trees and reconnect follow the UDL file, not the selected node
    ASSERT_TRUE(fs932::WriteFileAtomic(Folder.Folder + "u.udl", UdlBytes(ConnStr)));
    Driver.Connect("UDL:u.udl");
    Driver.GetDescription(s);
    EXPECT_EQ(s, " [ UDL:u.udl ] ");
    Driver.GetObjectTreeNames(s);
    EXPECT_EQ(s, "");
    data.Nodes[0].second = "Provider=MSDASQL.1;Data Source=zintavor_no_dsn";   // the selected node would now fail
    out = Command("ReConnect", "", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(out.back(), "へ再接続しました");
    Driver.GetDescription(s);
    EXPECT_EQ(s, " [ UDL:u.udl ] ");

    std::string err = CommandError("Connect", "Broken", &ok);
    EXPECT_EQ(err.rfind("接続に失敗しました。\r\n", 0), 0u);
    EXPECT_NE(err.find("Data source name not found"), std::string::npos) << err;
    err = CommandError("ReConnect", "", &ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(err.find("Data Source=zintavor_no_dsn\r\n\r\nへの接続に失敗しました。\r\n"), std::string::npos) << err;
    EXPECT_EQ(CommandError("Connect", "nobody"), "接続に失敗しました。\r\n接続情報が登録されていません。[ nobody ]");
}

// No message, caption or output line shows a password: a connection string
// given where a name is expected, a saved name that is one, the lines of a
// failed reconnect and of a connection that keeps its security information.
TEST_P(ADODriverTest, PasswordsNeverReachMessagesOrLines) {
    const bool hasPassword = !odbc::ParseAdoConnectString(ConnStr).Password.empty();  // the test server's
    StoreData data;
    data.Nodes = {{"UID=a;PWD=n4me", ConnStr},
                  {"Kept", ConnStr + ";Persist Security Info=True"},
                  {"Broken", "Provider=MSDASQL.1;Data Source=zintavor_no_dsn;User ID=zt;Password=S3cret"}};
    Driver.ConnectionStoreFactory = [&](TDriverInterfaceProp&) { return std::make_unique<FakeStore>(data); };
    // every password line shows "****"
    auto passwordLines = [](const std::vector<std::string>& lines) {
        std::vector<std::string> found;
        for (const std::string& line : lines)
            if (sys::StartsText("PWD=", line) || sys::StartsText("Password=", line)) found.push_back(line);
        return found;
    };

    EXPECT_EQ(CommandError("Connect", "DRIVER={PostgreSQL Unicode};UID=zt;PWD=S3cret"),
              "接続に失敗しました。\r\n接続情報が登録されていません。[ DRIVER={PostgreSQL Unicode};UID=zt;PWD=**** ]");

    bool ok = false;
    std::vector<std::string> out = Command("Connect", "UID=a;PWD=n4me", &ok);
    ASSERT_TRUE(ok);
    std::string caption;
    Driver.GetDescription(caption);
    EXPECT_EQ(caption, " [ UID=a;PWD=**** ] ");

    out = Command("Connect", "Kept", &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(passwordLines(out), hasPassword ? std::vector<std::string>{"PWD=****"} : std::vector<std::string>{});

    // a failed reconnect lists the lines it tried
    const std::string err = CommandError("Connect", "Broken");
    EXPECT_EQ(err.find("S3cret"), std::string::npos) << err;
    data.Selected = "Broken";
    FakeCommand reconnect("ReConnect");
    bool handled = false;
    try {
        Driver.HandleCommand(nullptr, reconnect, handled);
        ADD_FAILURE() << "the reconnect did not fail";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message.find("User ID=zt\r\nPassword=****\r\n\r\nへの接続に失敗しました。"), std::string::npos) << e.Message;
        EXPECT_EQ(e.Message.find("S3cret"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(reconnect.Output.Items,
              (std::vector<std::string>{"Provider=MSDASQL.1", "Data Source=zintavor_no_dsn", "User ID=zt", "Password=****"}));
}

TEST(ADODriver, ReconnectWithoutAnyConnectionInformation) {
    TADODriver driver;
    try {
        driver.Reconnect();
        FAIL();
    } catch (const EADOError& e) {
        EXPECT_EQ(e.Message, "再接続するための接続情報がありません");
    }
    StoreData data;
    driver.ConnectionStoreFactory = [&](TDriverInterfaceProp&) { return std::make_unique<FakeStore>(data); };
    EXPECT_THROW(driver.Reconnect(), EADOError);
    std::string s = "x";
    driver.GetDescription(s);
    EXPECT_EQ(s, "");
}

TEST(ADODriverPg, DroppedServerConnectionAndReconnect) {
    DBTEST_REQUIRE_PG();
    TADODriver driver;
    driver.ConnectByConnectionString(dbtest::PgConn(), "pg");
    std::unique_ptr<TDataSet> ds;
    std::string msg;
    driver.Execute(nullptr, "select pg_backend_pid()", TSQLKind::Query, ds, msg);
    std::string pid = ds->Fields(0).AsString();
    {
        TOdbcConnection killer;
        killer.SetConnectionString(dbtest::PgConn());
        killer.Open();
        TOdbcQuery k(&killer);
        k.SetSQL("select pg_terminate_backend(" + pid + ")");
        k.Open();
    }
    try {
        driver.Execute(nullptr, "select 1", TSQLKind::Query, ds, msg);
        FAIL();
    } catch (const EOdbcError& e) {
        EXPECT_EQ(e.Message.rfind("データベースとの接続が切断されました。再接続してください。", 0), 0u) << e.Message;
    }
    FakeCommand c("ReConnect");
    bool handled = false;
    driver.HandleCommand(nullptr, c, handled);
    EXPECT_TRUE(c.Succeeded);
    driver.Execute(nullptr, "select 7", TSQLKind::Query, ds, msg);
    EXPECT_EQ(ds->Fields(0).AsString(), "7");
}

// A statement runs until it ends: PostgreSQL's statement_timeout reads 0
// before, during (asked while the result is fetched) and after it.
TEST(ADODriverPg, NoTimeLimitBeforeDuringOrAfterAStatement) {
    DBTEST_REQUIRE_PG();
    TADODriver driver;
    driver.ConnectByConnectionString(dbtest::PgConn(), "pg");
    auto setting = [&] {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        driver.Execute(nullptr, "show statement_timeout", TSQLKind::Other, ds, msg);
        return ds->Fields(0).AsString();
    };
    EXPECT_EQ(setting(), "0");
    std::vector<std::string> during;
    driver.OnFetchProgress = [&] { during.push_back(setting()); };
    std::unique_ptr<TDataSet> ds;
    std::string msg;
    driver.Execute(nullptr, "select current_setting('statement_timeout'), g from generate_series(1, 600) g",
                   TSQLKind::Query, ds, msg);
    driver.OnFetchProgress = nullptr;
    EXPECT_EQ(ds->Fields(0).AsString(), "0");
    EXPECT_EQ(during, (std::vector<std::string>{"0", "0"}));
    EXPECT_EQ(setting(), "0");
}

// A connect that never succeeded is reported as failed, not as a lost connection.
TEST(ADODriverPg, AConnectThatNeverSucceededIsNotCalledCut) {
    DBTEST_REQUIRE_PG();
    // a port nobody listens on
    int port = 0;
    const int s = dbtest::LoopbackSocket(port);
    ASSERT_GE(s, 0);
    close(s);
    const std::string folder = testutil::TempFolder("driver-refused");
    const std::string conn = "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=" + std::to_string(port) +
                             ";DATABASE=zintavor;UID=zintavor;PWD=zintavor";
    ASSERT_TRUE(fs932::WriteFileAtomic(folder + "refused.udl", UdlBytes(conn)));
    TADODriver driver;
    ClientFolder prop;
    prop.Folder = folder;
    driver.SetClientProp(prop);
    FakeCommand c("Connect", "UDL:refused.udl");
    bool handled = false;
    std::string error;
    try {
        driver.HandleCommand(nullptr, c, handled);
    } catch (const Exception& e) {
        error = e.Message;
    }
    EXPECT_FALSE(c.Succeeded);
    EXPECT_EQ(error.rfind("接続に失敗しました。\r\nconnection to server at \"127.0.0.1\"", 0), 0u) << error;
    EXPECT_EQ(error.find("切断"), std::string::npos) << error;
}
