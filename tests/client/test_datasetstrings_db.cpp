// The result-to-text formats over real results of SQLite and PostgreSQL,
// read through the ADO driver as the result page receives them.
#include <gtest/gtest.h>

#include "DataSetStringsTest.h"
#include "DbTestUtil.h"
#include "U_ADODriver.h"

using namespace dsstrings_test;

namespace {

enum class Db { SQLite, PostgreSQL };

class DataSetStringsDb : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override {
        std::string conn;
        if (Pg()) {
            DBTEST_REQUIRE_PG();
            conn = dbtest::PgConn();
        } else {
            conn = dbtest::SqliteConn("formats");
        }
        Driver.ConnectByConnectionString(conn, "test");
        Table = dbtest::UniqueName("f");
    }
    void TearDown() override {
        if (!Driver.IsConnected() || !Created) return;
        try {
            Run("drop table " + Table);
        } catch (...) {
        }
    }
    bool Pg() const { return GetParam() == Db::PostgreSQL; }

    std::unique_ptr<TDataSet> Run(const std::string& sql, TSQLKind kind = TSQLKind::Other) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, kind, ds, msg);
        return ds;
    }
    void Create(const std::string& columns, const std::vector<std::string>& rows) {
        Run("create table " + Table + " (" + columns + ")");
        Created = true;
        for (const auto& r : rows) Run("insert into " + Table + " values (" + r + ")", TSQLKind::Insert);
    }
    std::unique_ptr<TDataSet> Select(const std::string& sql) {
        auto ds = Run(sql, TSQLKind::Query);
        EXPECT_TRUE(ds && ds->Active()) << sql;
        return ds;
    }
    // A text of bytes as an SQL expression of the backend.
    std::string Chr(int code) const { return (Pg() ? "chr(" : "char(") + std::to_string(code) + ")"; }

    TADODriver Driver;
    std::string Table;
    bool Created = false;
};

std::string Name(const ::testing::TestParamInfo<Db>& i) { return i.param == Db::SQLite ? "SQLite" : "PostgreSQL"; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Both, DataSetStringsDb, ::testing::Values(Db::SQLite, Db::PostgreSQL), Name);

TEST_P(DataSetStringsDb, WorkedExampleInEveryLayout) {
    Create("id integer, name varchar(20)", {"1, 'abc'", "20, NULL"});
    auto ds = Select("select id as \"ID\", name as \"NAME\" from " + Table + " order by id");
    ASSERT_TRUE(ds);
    for (const auto& c : WorkedExampleLines()) {
        TWritableEnvData env;
        EXPECT_EQ(Joined(Render(c.kind, *ds, env)), Joined(c.lines)) << LayoutName(c.kind);
    }
}

TEST_P(DataSetStringsDb, EmptyMultiLineAndTabValues) {
    // The same values in a short and in a long text column.
    for (const std::string type : {"varchar(40)", "text"}) {
        SCOPED_TRACE(type);
        Run("create table " + Table + " (id integer, v " + type + ")");
        Created = true;
        Run("insert into " + Table + " values (1, '')", TSQLKind::Insert);
        Run("insert into " + Table + " values (2, 'a' || " + Chr(13) + " || " + Chr(10) + " || 'bb')", TSQLKind::Insert);
        Run("insert into " + Table + " values (3, 'x' || " + Chr(9) + " || 'y')", TSQLKind::Insert);
        Run("insert into " + Table + " values (4, '表示')", TSQLKind::Insert);
        auto ds = Select("select id as \"ID\", v as \"V\" from " + Table + " order by id");
        ASSERT_TRUE(ds);
        struct Case {
            Layout kind;
            bool replace;
            std::vector<std::string> lines;
        };
        const std::vector<Case> cases = {
            {Layout::Text, false, {"ID V    ", "-- ---- ", " 1      ", " 2 a    ", "   bb   ", " 3 x・y ", " 4 表示 "}},
            {Layout::CSV, false, {"ID,V", "1,", "2,a", "bb", "", "3,x・y", "4,表示"}},
            {Layout::TAB, false, {"ID\tV", "1\t", "2\ta", "bb", "3\tx・y", "4\t表示"}},
            {Layout::Sheet, false, {"ID : 1", "V  : ", "ID : 2", "V  : a", "bb", "ID : 3", "V  : x・y", "ID : 4", "V  : 表示"}},
            {Layout::Text, true, {"ID V       ", "-- ------- ", " 1         ", " 2 a・・bb ", " 3 x・y    ", " 4 表示    "}},
            {Layout::CSV, true, {"ID,V", "1,", "2,a・・bb", "3,x・y", "4,表示"}},
            {Layout::TAB, true, {"ID\tV", "1\t", "2\ta・・bb", "3\tx・y", "4\t表示"}},
        };
        for (const auto& c : cases) {
            TWritableEnvData env;
            env.CRLFReplace = c.replace;
            EXPECT_EQ(Joined(Render(c.kind, *ds, env)), Joined(c.lines))
                << LayoutName(c.kind) << (c.replace ? " replaced" : "");
        }
        ds.reset();
        Run("drop table " + Table);
    }
    Created = false;
}

TEST_P(DataSetStringsDb, CSVQuotingOfRealValues) {
    Create("a varchar(20), b varchar(20), c varchar(20), d varchar(20), e varchar(20), f varchar(20), g varchar(20)",
           {"'a,b', 'a b', 'say \"hi\"', 'x' || " + Chr(1) + ", '表示', '表 示', ''"});
    auto ds = Select("select * from " + Table);
    ASSERT_TRUE(ds);
    const auto lines = Render(Layout::CSV, *ds, TWritableEnvData());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "a,b,c,d,e,f,g");
    EXPECT_EQ(testutil::Hex(lines[1]),
              testutil::Hex("\"a,b\",\"a b\",\"say \"\"hi\"\"\",\"x\x01\",表示,\"表 示\","));
    TStringList back;
    back.SetCommaText(lines[1]);
    EXPECT_EQ(back.Items, (std::vector<std::string>{"a,b", "a b", "say \"hi\"", "x\x01", "表示", "表 示", ""}));

    // A result of one column whose value is empty is two quotes.
    auto one = Select("select g as \"S\" from " + Table);
    ASSERT_TRUE(one);
    EXPECT_EQ(Render(Layout::CSV, *one, TWritableEnvData()), (std::vector<std::string>{"S", "\"\""}));
}

TEST_P(DataSetStringsDb, BinaryValuesAreHexDumps) {
    Create(std::string("id integer, b ") + (Pg() ? "bytea" : "blob"),
           {Pg() ? "1, '\\x00ff'::bytea" : "1, X'00FF'", Pg() ? "2, '\\x610d0a62'::bytea" : "2, X'610D0A62'",
            "3, NULL"});
    auto ds = Select("select id as \"ID\", b as \"B\" from " + Table + " order by id");
    ASSERT_TRUE(ds);
    EXPECT_EQ(Joined(Render(Layout::Text, *ds, TWritableEnvData())),
              Joined({"ID B        ", "-- -------- ", " 1 00FF     ", " 2 610D0A62 ", " 3 (NULL)   "}));
    EXPECT_EQ(Joined(Render(Layout::TAB, *ds, TWritableEnvData())),
              Joined({"ID\tB", "1\t00FF", "2\t610D0A62", "3\t(NULL)"}));
}

TEST_P(DataSetStringsDb, ZeroRecordsGiveTheHeadLinesOnly) {
    Create("id integer, longname varchar(20)", {"1, 'x'"});
    auto ds = Select("select id as \"ID\", longname as \"LONGNAME\" from " + Table + " where id < 0");
    ASSERT_TRUE(ds);
    EXPECT_EQ(Render(Layout::Text, *ds, TWritableEnvData()), (std::vector<std::string>{"ID LONGNAME ", "-- -------- "}));
    EXPECT_EQ(Render(Layout::CSV, *ds, TWritableEnvData()), (std::vector<std::string>{"ID,LONGNAME"}));
    EXPECT_EQ(Render(Layout::TAB, *ds, TWritableEnvData()), (std::vector<std::string>{"ID\tLONGNAME"}));
    EXPECT_TRUE(Render(Layout::Sheet, *ds, TWritableEnvData()).empty());
}

TEST_P(DataSetStringsDb, WideJapaneseColumnsAlignInBytes) {
    Create("name varchar(20), n integer", {"'山田太郎', 1", "'abc', 12345"});
    auto ds = Select("select name as \"名前\", n as \"数\" from " + Table + " order by n");
    ASSERT_TRUE(ds);
    EXPECT_EQ(Joined(Render(Layout::TextGrid, *ds, TWritableEnvData())),
              Joined({"名前    |数   |", "--------|-----|", "山田太郎|    1|", "abc     |12345|"}));
}
