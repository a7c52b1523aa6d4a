// Field names of a result are the labels the database gives, as its own
// shell shows them (sqlite3 -header, psql), and the columns behind them are
// the ones an edit writes to, aliases included.
#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "OdbcTestUtil.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "SysUtils.h"

namespace {

using dbtest::Db;

// A header as the shells print it ("a|b|c") with the names the layer gives
// duplicates: a label equal to no earlier one (ignoring case) stays; a later
// one takes the first LABEL_n that no label and no earlier name uses.
std::string Deduplicated(const std::string& header) {
    std::vector<std::string> labels;
    for (size_t start = 0;;) {
        size_t bar = header.find('|', start);
        labels.push_back(header.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    auto taken = [](const std::vector<std::string>& names, const std::string& n) {
        for (const std::string& x : names)
            if (sys::SameText(x, n)) return true;
        return false;
    };
    std::vector<std::string> given;
    std::string out;
    for (size_t i = 0; i < labels.size(); ++i) {
        std::string name = labels[i];
        if (taken(std::vector<std::string>(labels.begin(), labels.begin() + static_cast<long>(i)), name)) {
            for (int k = 1;; ++k) {
                name = labels[i] + "_" + std::to_string(k);
                if (!taken(labels, name) && !taken(given, name)) break;
            }
        }
        given.push_back(name);
        out += (out.empty() ? "" : "|") + name;
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
    // "番号:名前:単価" lines of 商品, by number
    std::string Products() {
        auto q = Query(With("select 商品番号, 商品名, 単価 from $G order by 1"));
        std::string out;
        for (; !q->Eof(); q->Next())
            out += q->Fields(0).AsString() + ":" + q->Fields(1).AsString() + ":" + q->Fields(2).AsString() + "\n";
        return out;
    }
    std::string With(std::string sql) {
        for (size_t at; (at = sql.find("$G")) != std::string::npos;) sql.replace(at, 2, "商品_" + Table);
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

// Equal labels are told apart as fields are looked up, ignoring case, and a
// label of the user's own that no other label equals keeps its text.
TEST_P(OdbcLabelTest, DuplicateLabelsAreToldApartWithoutRenamingAUsersOwnLabel) {
    const struct {
        const char* Sql;
        const char* Names;
    } cases[] = {
        {"SELECT 1 AS a, 2 AS \"A\", 3 AS a, 4 AS \"a_1\"", "a|A_2|a_3|a_1"},
        {"SELECT 1 AS 名前, 2 AS 名前, 3 AS 名前_1, 4 AS 名前", "名前|名前_2|名前_1|名前_3"},
        {"select id, id, name as id, price as \"ID_1\" from $T", "id|id_2|id_3|ID_1"},
    };
    for (const auto& c : cases) {
        const std::string sql = With(c.Sql);
        EXPECT_EQ(Header(sql), c.Names) << sql;
    }
    auto q = Query("SELECT 1 AS a, 2 AS \"A\", 3 AS a, 4 AS \"a_1\"");
    EXPECT_EQ(q->FieldByName("a_1").AsInteger(), 4);
    EXPECT_EQ(q->FieldByName("A_2").AsInteger(), 2);
    EXPECT_EQ(q->FieldByName("A").AsInteger(), 1);
}

// On the program's own connection (on SQLite with the LongNames key the layer
// adds): a result read from one table, Japanese names and "*" included, is
// edited in the column each field stands for. Where the column or the row
// behind a field cannot be told for certain nothing is written and the
// refusal says why: a view or a subquery on SQLite, and on both databases a
// result that reads its table more than once (PostgreSQL names the table and
// column of each field, but not which of the table's rows it came from).
TEST_P(OdbcLabelTest, EachFieldIsWrittenToTheColumnItStandsForOrRefused) {
    Exec(With("create table $G (商品番号 integer primary key, 商品名 varchar(40) not null, 単価 integer not null)"));
    Exec("create view " + Table + "_v as select name as id, id as n from " + Table);
    const bool sqlite = GetParam() == Db::SQLite;
    enum TRefused { Never, OnSqlite, Always };
    const struct {
        const char* Sql;       // $S: the schema the tables are in
        const char* Field;     // the field set to the new value
        const char* Written;   // the column of the first record that must then hold it
        TRefused Refused;
    } cases[] = {
        {"SELECT * FROM $G ORDER BY 1", "商品名", "商品名", Never},
        {"SELECT * FROM $G AS s ORDER BY 1", "単価", "単価", Never},
        {"select s.* from $G s order by 1", "商品名", "商品名", Never},
        {"SELECT 商品番号, 商品名 AS 名前 FROM $G WHERE 単価 > 0 ORDER BY 1", "名前", "商品名", Never},
        {"select 単価 as 商品名, 商品名 as 単価, 商品番号 from $G order by 3", "商品名", "単価", Never},
        {"SELECT \"商品名\", 商品番号 FROM $S.\"$G\" 商 WHERE 商品番号 IN (SELECT 商品番号 FROM $G WHERE 単価 < 1000) "
         "ORDER BY 商品番号 LIMIT 5",
         "商品名", "商品名", Never},
        {"select * from $T order by id", "name", "name", Never},
        {"select id as name, name as id from $T order by 1", "id", "name", Never},
        {"select t.id, t.name from $S.$T t where exists (select 1 from $T u where u.id = t.id + 1) order by 1",
         "name", "name", Never},
        {"select id, (select name from $T u where u.id = t.id + 1) as next, name from $T t order by id", "name", "name",
         Never},
        // a subquery of another table in the select list, "*" beside other items
        {"select id, name, (select 単価 from $G where 商品番号 = t.id + 100) as w from $T t order by id", "name", "name",
         Never},
        {"select price, * from $T order by id", "name", "name", Never},
        {"select t.name as n, t.* from $T t order by id", "n", "name", Never},
        // the view's "id" is the table's name, the subquery's too
        {"select id, n from $T_v order by n", "id", "name", OnSqlite},
        {"select * from (select name as id, id as k from $T) x order by k", "id", "name", Always},
        // the table read twice: "other" holds the name of the next record, not of this one
        {"select a.id, a.name, b.name as other from $T a join $T b on b.id = a.id + 1 order by 1", "other", "name",
         Always},
        {"select t.id, u.name from $T t, $S.$T u where u.id = t.id + 1 order by 1", "name", "name", Always},
        {"select a.id, b.name from $T a left join $T b on b.id = a.id + 1 order by 1", "name", "name", Always},
        {"select * from (select a.id, b.name from $T a join $T b on b.id = a.id + 1) x order by 1", "name", "name",
         Always},
        {"SELECT 甲.商品番号, 乙.単価 FROM $G 甲 CROSS JOIN $G 乙 WHERE 乙.商品番号 = 甲.商品番号 + 1 ORDER BY 1", "単価",
         "単価", Always},
    };
    for (const auto& c : cases) {
        std::string sql = With(c.Sql);
        for (size_t at; (at = sql.find("$S")) != std::string::npos;) sql.replace(at, 2, sqlite ? "main" : "public");
        SCOPED_TRACE(sql);
        Exec(With("delete from $G"));
        Exec(With("insert into $G values (101, '緑茶', 150)"));
        Exec(With("insert into $G values (102, 'おにぎり', 180)"));
        Exec("delete from " + Table);
        Exec("insert into " + Table + " values (1, 100, 'いち')");
        Exec("insert into " + Table + " values (2, 200, 'に')");
        const bool refused = c.Refused == Always || (sqlite && c.Refused == OnSqlite);
        auto q = Query(sql);
        EXPECT_EQ(q->CanModify(), !refused);
        const bool japanese = std::string(c.Written).find("単価") != std::string::npos ||
                              std::string(c.Written).find("商品") != std::string::npos;
        const std::string value = std::string(c.Written) == "単価" || std::string(c.Written) == "price" ? "999" : "新しい値";
        const std::string before = japanese ? Products() : Rows();
        const std::string why = "読み取り専用のデータセットは変更できません\r\n"
                                "結果の列が表のどの列にあたるかを確かめられません（ビュー、副問い合わせ、結合などを通した結果です）。";
        try {
            q->Edit();
            q->FieldByName(c.Field).SetAsString(value);
            q->Post();
            EXPECT_FALSE(refused) << "written";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(refused) << e.Message;
            EXPECT_EQ(e.Message, why);
        }
        if (refused) {
            EXPECT_EQ(q->ReadOnlyMessage(), why);
            EXPECT_THROW(q->Delete(), EDatabaseError);
            EXPECT_THROW(q->Append(), EDatabaseError);
        }
        const std::string after = japanese ? Products() : Rows();
        if (refused) {
            EXPECT_EQ(after, before);
        } else {
            // the first record's column, and nothing else
            std::string expected = before;
            const std::string old = japanese ? (std::string(c.Written) == "単価" ? "150" : "緑茶")
                                             : (std::string(c.Written) == "name" ? "いち" : "100");
            expected.replace(expected.find(old), old.size(), value);
            EXPECT_EQ(after, expected);
        }
    }
    Exec("drop view " + Table + "_v");
    Exec(With("drop table $G"));
}

// Beside the table's own columns a subquery's column (of another table)
// stays read-only and the others can be changed; on SQLite the same holds for
// "rowid" beside "*" (the table's key is among the columns "*" stands for).
TEST_P(OdbcLabelTest, AComputedColumnBesideTheTablesOwnIsReadOnly) {
    Exec(With("create table $G (商品番号 integer primary key, 商品名 varchar(40) not null, 単価 integer not null)"));
    Exec(With("insert into $G values (101, '緑茶', 150)"));
    struct TCase {
        std::string Sql;
        std::string Computed;  // the field that cannot be changed
    };
    std::vector<TCase> cases = {
        {"SELECT id, name, (SELECT 単価 FROM $G WHERE $G.商品番号 = $T.id + 100) AS w FROM $T ORDER BY id", "w"},
    };
    if (GetParam() == Db::SQLite) cases.push_back({"SELECT rowid, * FROM $T ORDER BY id", ""});
    for (const TCase& c : cases) {
        const std::string sql = With(c.Sql);
        SCOPED_TRACE(sql);
        Exec("update " + Table + " set name = 'いち' where id = 1");
        auto q = Query(sql);
        ASSERT_TRUE(q->CanModify()) << q->ReadOnlyMessage();
        // SQLite names the rowid column after the key it stands for: the first field
        const std::string computed = c.Computed.empty() ? q->Fields(0).FieldName() : c.Computed;
        q->Edit();
        try {
            q->FieldByName(computed).SetAsString("7");
            FAIL() << "the computed field was changed";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, "フィールド '" + computed + "' は表の列ではないため変更できません");
        }
        q->FieldByName("name").SetAsString("いちの新値");
        q->Post();
        EXPECT_EQ(Rows(), "1:100:いちの新値\n2:200:に\n");
        EXPECT_EQ(q->FieldByName("name").AsString(), "いちの新値");
    }
    Exec(With("drop table $G"));
}

TEST(SingleTable, TellsTheOneTableAQueryReadsItself) {
    const struct {
        const char* Sql;
        const char* Name;
        const char* Schema;
        bool StarOnly;
    } cases[] = {
        {"select * from t", "t", "", true},
        {"SELECT DISTINCT x.* FROM 商品 AS x WHERE a = 1 ORDER BY 2", "商品", "", true},
        {"select a, b from \"表 一\" t group by a, b having count(*) > 1 limit 3;", "表 一", "", false},
        {"select a from main.t", "t", "main", false},
        {"select a from aux.t", "t", "aux", false},
        {"SELECT \"名前\" FROM \"販売\".\"商品 表\" \"商\" ORDER BY 1, 2 LIMIT 5 OFFSET 1", "商品 表", "販売", false},
        {"select * from t order by a offset 2 rows fetch first 3 rows only for update", "t", "", true},
        {"select *, a from t", "t", "", false},
        {"select a, (select b from u) from t where c in (select d from v union select e from w)", "t", "", false},
        {"select a, (select b from t u where u.id = t.id + 1) b from t where exists (select 1 from t v join w using (a))",
         "t", "", false},
        {"with w as (select a from u) select a from t", "t", "", false},
        {"WITH RECURSIVE w (n) AS NOT MATERIALIZED (select 1), v AS (select a from u) SELECT a FROM t", "t", "", false},
        {"select a from t window w as (order by a) order by a, b", "t", "", false},
        // not one table read directly
        {"select a from c.s.t", "", "", false},
        {"select a from t, u", "", "", false},
        {"select a from t, t", "", "", false},
        {"select a from t x, t y where x.id = y.id", "", "", false},
        {"select a from t join u on 1", "", "", false},
        {"select a.x, b.x from t a join t b on b.id = a.id + 1", "", "", false},
        {"select a from t natural join u", "", "", false},
        {"select a from t left join u using (a)", "", "", false},
        {"select a from t cross join lateral (select 1) x", "", "", false},
        // a word that ends the FROM clause elsewhere, here an alias
        {"select a from t window, t u", "", "", false},
        {"select a from t window join t u on 1", "", "", false},
        {"select a from t offset, u", "", "", false},
        {"select a from t for natural join t", "", "", false},
        {"select a from (select a from t)", "", "", false},
        {"select a from (select a from t) x", "", "", false},
        {"select a from t indexed by i", "", "", false},
        {"select a from only t", "", "", false},
        {"select value from json_each('[1]')", "", "", false},
        {"with t as (select a from u) select a from t", "", "", false},
        {"with w as (select a from u) insert into t select a from w", "", "", false},
        {"insert into t select * from u", "", "", false},
        {"(select a from t)", "", "", false},
        {"select a from t union select a from t", "", "", false},
        {"select a from t except select a from u order by 1", "", "", false},
        {"select 1", "", "", false},
        {"update t set a = 1", "", "", false},
        {"update t set a = 1 where b in (select b from u) returning *", "", "", false},
    };
    for (const auto& c : cases) {
        const odbc::TSingleTable t = odbc::SingleTable(c.Sql);
        EXPECT_EQ(t.Name, c.Name) << c.Sql;
        if (*c.Name) {
            EXPECT_EQ(t.Schema, c.Schema) << c.Sql;
            EXPECT_EQ(t.StarOnly, c.StarOnly) << c.Sql;
        }
    }
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
    // with the columns "*" stands for
    const V star{"x", "y"};
    EXPECT_EQ(odbc::SelectListColumns("select rowid, * from t", star), (V{"rowid", "x", "y"}));
    EXPECT_EQ(odbc::SelectListColumns("select a AS b, t.*, (select 1 from u) from t t", star), (V{"a", "x", "y", ""}));
    EXPECT_EQ(odbc::SelectListColumns("select count(*), a * b from t", star), (V{"", ""}));
    EXPECT_EQ(odbc::SelectListColumns("select t.* + 1 from t", star), V{});
    EXPECT_EQ(odbc::SelectListColumns("select * from t union select * from u", star), V{});
}

}  // namespace
