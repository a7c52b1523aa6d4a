// The command Desc: the column list of a table, from a query that returns no
// rows, against the fake host and against SQLite and PostgreSQL through the
// ADO driver.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DbTestUtil.h"
#include "CommandRunner.h"
#include "MemDataSet.h"
#include "U_ADODriver.h"
#include "U_CommandManager.h"
#include "U_Desc.h"

namespace {

using Lines = std::vector<std::string>;

class DescTest : public ::testing::Test, public TCommandRunner {
protected:
    DescTest() {
        Host.OnExecuteSQL = [this](void* Sender, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet,
                                   std::string& Msg) {
            EXPECT_EQ(Sender, &Host);
            EXPECT_EQ(Kind, TSQLKind::Query);
            Host.SQLs.push_back(SQL);
            if (!Error.empty()) throw EDatabaseError(Error);
            auto ds = std::make_unique<TMemDataSet>();
            for (const std::string& f : Fields) ds->FieldDefs().Add(f, ftString, 10);
            ds->Open();
            DataSet = std::move(ds);
            Msg = "結果: 0 件";
        };
    }
    std::vector<std::string> Fields{"ID", "名前", "MEMO"};
    std::string Error;
};

TEST_F(DescTest, ListsTheColumnsOfTheTable) {
    EXPECT_EQ(RunLine("#Desc T1"), (Lines{"[T1]", "ID", "名前", "MEMO", "\r\n", "3Field(s)", "\r\n"}));
    EXPECT_EQ(Host.SQLs, Lines{"SELECT * FROM T1 WHERE 1 = 2"});
    // As the result page shows the items.
    TStringList shown;
    shown.Items = RunLine("#desc T1");
    EXPECT_EQ(TStringList(shown.Text()).Items, (Lines{"[T1]", "ID", "名前", "MEMO", "", "", "3Field(s)", "", ""}));
}

TEST_F(DescTest, SchemaAndTableNames) {
    struct Case {
        std::string param, shown;
    };
    const std::vector<Case> cases = {
        {"S1.T1", "S1.T1"},
        {".T1", ".T1"},              // empty schema part: the whole name
        {"S1.T1.X", "S1.T1.X"},      // the second dot stays in the table part
        {"\"My Table\"", "My Table"},
        {"表.ソ", "表.ソ"},
    };
    for (const Case& c : cases) {
        Host.SQLs.clear();
        EXPECT_EQ(RunLine("#Desc " + c.param)[0], "[" + c.shown + "]") << c.param;
        EXPECT_EQ(Host.SQLs, Lines{"SELECT * FROM " + c.shown + " WHERE 1 = 2"}) << c.param;
    }
    EXPECT_EQ(TDesc::GetSchemaName("S1.T1.X"), "S1");
    EXPECT_EQ(TDesc::GetTableName("S1.T1.X"), "T1.X");
    EXPECT_EQ(TDesc::GetSchemaName("T1"), "");
    EXPECT_EQ(TDesc::GetTableName(".T1"), ".T1");
}

TEST_F(DescTest, WithoutParameterShowsTitleAndHelp) {
    EXPECT_EQ(RunLine("#Desc"), Lines{"テーブル項目情報の取得\r\nテーブル項目情報を取得して表示します\r\n  使用方法\r\n"
                                  "    Param  : \"Schema名\".\"Table名\"  (Schema名は省略可）\r\n"});
    EXPECT_TRUE(Host.SQLs.empty());
}

TEST_F(DescTest, WithoutHandlerTheListIsEmpty) {
    Host.OnExecuteSQL = nullptr;
    EXPECT_EQ(RunLine("#Desc T1"), (Lines{"[T1]", "\r\n", "0Field(s)", "\r\n"}));
}

TEST_F(DescTest, QueryErrorsPassThrough) {
    Error = "no such table: T9";
    TStringList out;
    out.Add("before");
    try {
        Manager.ExecuteLine(TStringList("#Desc T9"), out);
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "no such table: T9");
    }
    EXPECT_EQ(out.Items, Lines{"before"});
}

// Against real databases through the ADO driver, as the window wires it.
enum class Db { SQLite, PostgreSQL };

class DescDb : public ::testing::TestWithParam<Db>, public TCommandRunner {
protected:
    void SetUp() override {
        std::string conn;
        if (GetParam() == Db::PostgreSQL) {
            DBTEST_REQUIRE_PG();
            conn = dbtest::PgConn();
        } else {
            conn = dbtest::SqliteConn("desc");
        }
        ASSERT_TRUE(Driver.ConnectByConnectionString(conn, "test"));
        Host.OnExecuteSQL = [this](void* Sender, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet,
                                   std::string& Msg) { Driver.Execute(Sender, SQL, Kind, DataSet, Msg); };
        Table = dbtest::UniqueName("desc");
    }
    void TearDown() override {
        for (const std::string& drop : Drops) {
            try {
                Sql(drop);
            } catch (...) {
            }
        }
    }
    void Sql(const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
    }
    TADODriver Driver;
    std::string Table;
    std::vector<std::string> Drops;
};

TEST_P(DescDb, ListsTheColumnsOfARealTable) {
    Sql("create table " + Table + " (id integer, \"名前\" varchar(20), memo varchar(100))");
    Drops.push_back("drop table " + Table);
    Sql("insert into " + Table + " values (1, 'a', 'b')");
    EXPECT_EQ(RunLine("#Desc " + Table), (Lines{"[" + Table + "]", "id", "名前", "memo", "\r\n", "3Field(s)", "\r\n"}));
}

TEST_P(DescDb, SchemaQualifiedName) {
    if (GetParam() == Db::SQLite) {
        Sql("create table " + Table + " (a integer)");
        Drops.push_back("drop table " + Table);
        EXPECT_EQ(RunLine("#Desc main." + Table), (Lines{"[main." + Table + "]", "a", "\r\n", "1Field(s)", "\r\n"}));
        return;
    }
    const std::string schema = dbtest::UniqueName("s");
    Sql("create schema " + schema);
    Drops.push_back("drop schema " + schema + " cascade");
    Sql("create table " + schema + "." + Table + " (a integer, b text)");
    EXPECT_EQ(RunLine("#Desc " + schema + "." + Table),
              (Lines{"[" + schema + "." + Table + "]", "a", "b", "\r\n", "2Field(s)", "\r\n"}));
}

TEST_P(DescDb, AMissingTableIsTheDatabasesError) {
    TStringList out;
    EXPECT_THROW(Manager.ExecuteLine(TStringList("#Desc " + Table), out), Exception);
    EXPECT_TRUE(out.Empty());
    // The connection is still usable afterwards.
    Sql("create table " + Table + " (x integer)");
    Drops.push_back("drop table " + Table);
    EXPECT_EQ(RunLine("#Desc " + Table).size(), 5u);
}

std::string Name(const ::testing::TestParamInfo<Db>& i) { return i.param == Db::SQLite ? "SQLite" : "PostgreSQL"; }

INSTANTIATE_TEST_SUITE_P(Both, DescDb, ::testing::Values(Db::SQLite, Db::PostgreSQL), Name);

}  // namespace
