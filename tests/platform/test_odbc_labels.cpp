// Field names of a result are the labels the database gives, as its own
// shell shows them (sqlite3 -header, psql), and the columns behind them are
// the ones an edit writes to, aliases included.
#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "OdbcTestUtil.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"

namespace {

using dbtest::Db;

// A header as the shells print it ("a|b|c") with the toolkit's names for
// duplicates: NAME, NAME_1, NAME_2, ...
std::string Deduplicated(const std::string& header) {
    std::vector<std::string> names;
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t bar = header.find('|', start);
        std::string name = header.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        std::string unique = name;
        for (int k = 1; std::find(names.begin(), names.end(), unique) != names.end(); ++k) unique = name + "_" + std::to_string(k);
        names.push_back(unique);
        out += (out.empty() ? "" : "|") + unique;
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return out;
}

class OdbcLabelTest : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        Conn.SetConnectionString(dbtest::ConnFor(GetParam(), "odbclabel"));
        Conn.Open();
        Table = dbtest::UniqueName("hdr");
        Exec("create table " + Table + " (id integer primary key, price integer, name varchar(20))");
        Exec("insert into " + Table + " values (1, 100, 'いち')");
        Exec("insert into " + Table + " values (2, 200, 'に')");
    }
    void TearDown() override {
        try {
            if (Conn.Connected()) Exec("drop table " + Table);
        } catch (...) {
        }
    }
    void Exec(const std::string& sql) { odbctest::Exec(Conn, sql); }
    std::unique_ptr<TOdbcQuery> Query(const std::string& sql) { return odbctest::Query(Conn, sql); }
    std::string Header(const std::string& sql) {
        auto q = Query(sql);
        std::string out;
        for (int c = 0; c < q->FieldCount(); ++c) out += (c ? "|" : "") + q->Fields(c).FieldName();
        return out;
    }
    // "id:name" lines of the table, by id
    std::string Rows() {
        auto q = Query("select id, price, name from " + Table + " order by id");
        std::string out;
        for (; !q->Eof(); q->Next())
            out += q->Fields(0).AsString() + ":" + q->Fields(1).AsString() + ":" + q->Fields(2).AsString() + "\n";
        return out;
    }
    std::string With(std::string sql) {
        for (size_t at; (at = sql.find("$T")) != std::string::npos;) sql.replace(at, 2, Table);
        return sql;
    }
    TOdbcConnection Conn;
    std::string Table;
};

INSTANTIATE_TEST_SUITE_P(Both, OdbcLabelTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

// The headers the shells print for each query: `sqlite3 -header` and
// `psql -A` on the same table, as observed.
struct THeaderCase {
    const char* Sql;
    const char* Sqlite3;
    const char* Psql;
};
const THeaderCase kHeaders[] = {
    {"SELECT 1/3.0, 1.0, 0.0, 2.5", "1/3.0|1.0|0.0|2.5", "?column?|?column?|?column?|?column?"},
    {"select round(sum(t.price),2) from $T t", "round(sum(t.price),2)", "round"},
    {"select count(*) from $T", "count(*)", "count"},
    {"select price as \"税.込\" from $T", "税.込", "税.込"},
    {"select t.price, t.name from $T t", "price|name", "price|name"},
    {"select price as \"a.b\", name as \"x.y.z\" from $T", "a.b|x.y.z", "a.b|x.y.z"},
    {"select id, id, name as id from $T", "id|id|id", "id|id|id"},
    {"select upper(t.name), name from $T t", "upper(t.name)|name", "upper|name"},
    {"select name as 名前, price * 2 as \"二倍.値\" from $T", "名前|二倍.値", "名前|二倍.値"},
    {"select t.id as \"t.id\", price + 1 from $T t", "t.id|price + 1", "t.id|?column?"},
};

TEST_P(OdbcLabelTest, FieldNamesAreTheHeadersTheDatabasesShellShows) {
    for (const THeaderCase& c : kHeaders) {
        const std::string sql = With(c.Sql);
        EXPECT_EQ(Header(sql), Deduplicated(GetParam() == Db::SQLite ? c.Sqlite3 : c.Psql)) << sql;
    }
}

// An aliased column is written to the column it stands for; an expression,
// even one named like a column, cannot be changed.
TEST_P(OdbcLabelTest, AnAliasedColumnIsWrittenToItsOwnColumn) {
    auto q = Query(With("select id as \"番.号\", name as price, price as name, price * 2 as id from $T order by 1"));
    ASSERT_TRUE(q->CanModify());
    q->Edit();
    q->Fields(1).SetAsString("いちいち");   // "price" holds the name
    q->Fields(2).SetAsString("111");        // "name" holds the price
    EXPECT_THROW(q->Fields(3).SetAsString("5"), EDatabaseError);
    q->Post();
    EXPECT_EQ(Rows(), "1:111:いちいち\n2:200:に\n");
    // the record is found by its key through the alias
    q->Next();
    q->Delete();
    EXPECT_EQ(Rows(), "1:111:いちいち\n");
    q->Append();
    q->Fields(0).SetAsInteger(3);
    q->Fields(1).SetAsString("さん");
    q->Post();
    EXPECT_EQ(Rows(), "1:111:いちいち\n3::さん\n");
}

TEST(SelectListColumns, NamesTheColumnEachItemStandsFor) {
    using V = std::vector<std::string>;
    const struct {
        const char* Sql;
        V Columns;
    } cases[] = {
        {"select a, t.b, s.t.c from t", {"a", "b", "c"}},
        {"SELECT DISTINCT a AS x, b y, \"q.r\" AS \"s.t\", [w] FROM t", {"a", "b", "q.r", "w"}},
        {"select 名前 as 氏名, t.\"表\" from t", {"名前", "表"}},
        {"select a + 1 as a, f(b) b, 'lit' x, 1 n, null z, (select c from u) d, count(*) from t", {"", "", "", "", "", "", ""}},
        {"with w as (select x from y) select a, /* , */ b -- , c\n from w", {"a", "b"}},
        {"select a, b from t where c in (select d from u union select e from v)", {"a", "b"}},
        // the items cannot be matched to the columns
        {"select * from t", {}},
        {"select a, t.* from t", {}},
        {"select a from t union select b from u", {}},
        {"select a from t except select b from u", {}},
        {"update t set a = 1", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(odbc::SelectListColumns(c.Sql), c.Columns) << c.Sql;
    // a multiplication is no star
    EXPECT_EQ(odbc::SelectListColumns("select a * b, c from t"), (V{"", "c"}));
}

}  // namespace
