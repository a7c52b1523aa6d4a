// Editing a query result: posts, appends and deletes written to the table of
// the result, against SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "OdbcTestUtil.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"

namespace {

using dbtest::Db;

class OdbcEditTest : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        Conn.SetConnectionString(dbtest::ConnFor(GetParam(), "odbcedit"));
        Conn.Open();
        Table = dbtest::UniqueName("ed");
    }
    void TearDown() override {
        if (!Conn.Connected()) return;
        for (const std::string& t : {Table, Table + "_k", Table + "_j"}) {
            try {
                Exec("drop table " + t);
            } catch (...) {
            }
        }
    }
    void Exec(const std::string& sql) { odbctest::Exec(Conn, sql); }
    std::unique_ptr<TOdbcQuery> Query(const std::string& sql) { return odbctest::Query(Conn, sql); }
    // The table's rows as "id:name:n" lines, ordered by id (null as "-").
    std::string Rows(const std::string& table) {
        auto q = Query("select id, name, n from " + table + " order by id");
        std::string out;
        for (; !q->Eof(); q->Next()) {
            for (int c = 0; c < 3; ++c) {
                out += q->Fields(c).IsNull() ? "-" : q->Fields(c).AsString();
                out += c < 2 ? ":" : "\n";
            }
        }
        return out;
    }
    void MakeKeyed() {
        Exec("create table " + Table + " (id integer primary key, name varchar(40), n integer)");
        Exec("insert into " + Table + " values (1, 'いち', 10)");
        Exec("insert into " + Table + " values (2, 'に', NULL)");
        Exec("insert into " + Table + " values (3, 'さん', 30)");
    }
    TOdbcConnection Conn;
    std::string Table;
};

INSTANTIATE_TEST_SUITE_P(Both, OdbcEditTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

TEST_P(OdbcEditTest, PostWritesTheChangedColumnsOfTheRecord) {
    MakeKeyed();
    auto q = Query("select id, name, n from " + Table + " order by id");
    ASSERT_TRUE(q->CanModify()) << "no table traced";
    q->SetRecNo(2);
    q->Edit();
    q->Fields(1).SetAsString("にに（更新）");
    q->Fields(2).SetAsString("22");
    q->Post();
    EXPECT_EQ(Rows(Table), "1:いち:10\n2:にに（更新）:22\n3:さん:30\n");
    // the result shows the posted values, read through the cursor and by number
    EXPECT_EQ(q->Fields(1).AsString(), "にに（更新）");
    TVariant v;
    EXPECT_TRUE(q->ReadRowValue(1, q->Fields(2), v));
    EXPECT_EQ(v.AsInteger(), 22);
    q->First();
    EXPECT_EQ(q->Fields(1).AsString(), "いち");
    // a value cleared becomes NULL in the table
    q->Edit();
    q->Fields(2).Clear();
    q->Post();
    EXPECT_EQ(Rows(Table), "1:いち:-\n2:にに（更新）:22\n3:さん:30\n");
}

TEST_P(OdbcEditTest, AppendAndDeleteReachTheTable) {
    MakeKeyed();
    auto q = Query("select id, name, n from " + Table + " order by id");
    q->Append();
    q->Fields(0).SetAsString("4");
    q->Fields(1).SetAsString("よん");
    q->Post();
    EXPECT_EQ(q->RecordCount(), 4);
    EXPECT_EQ(q->RecNo(), 4);
    EXPECT_EQ(Rows(Table), "1:いち:10\n2:に:-\n3:さん:30\n4:よん:-\n");

    q->SetRecNo(2);
    q->Delete();
    EXPECT_EQ(q->RecordCount(), 3);
    EXPECT_EQ(q->Fields(1).AsString(), "さん");
    TVariant v;
    ASSERT_TRUE(q->ReadRowValue(2, q->Fields(1), v));
    EXPECT_EQ(v.AsString(), "よん");
    EXPECT_EQ(Rows(Table), "1:いち:10\n3:さん:30\n4:よん:-\n");
    // a record inserted before the current one
    q->SetRecNo(2);
    q->Insert();
    q->Fields(0).SetAsInteger(2);
    q->Fields(1).SetAsString("にふたたび");
    q->Post();
    ASSERT_TRUE(q->ReadRowValue(1, q->Fields(1), v));
    EXPECT_EQ(v.AsString(), "にふたたび");
    ASSERT_TRUE(q->ReadRowValue(2, q->Fields(1), v));
    EXPECT_EQ(v.AsString(), "さん");
    EXPECT_EQ(Rows(Table), "1:いち:10\n2:にふたたび:-\n3:さん:30\n4:よん:-\n");
}

// A change is refused, and nothing is written, when its record cannot be
// told apart or is no longer there; the record stays in editing.
TEST_P(OdbcEditTest, AChangeThatWouldReachNoRecordOrSeveralIsRefused) {
    Exec("create table " + Table + " (id integer, name varchar(40), n integer)");
    Exec("insert into " + Table + " values (1, 'a', 1)");
    Exec("insert into " + Table + " values (1, 'a', 1)");
    Exec("insert into " + Table + " values (2, 'b', 2)");
    auto q = Query("select id, name, n from " + Table + " order by id");
    ASSERT_TRUE(q->CanModify());
    q->Edit();
    q->Fields(1).SetAsString("z");
    try {
        q->Post();
        FAIL() << "posted";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "更新する行を一つに特定できません（該当 2 行）。同じ値の行が複数あります。");
    }
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_EQ(q->Fields(1).AsString(), "z");
    EXPECT_EQ(Rows(Table), "1:a:1\n1:a:1\n2:b:2\n");
    q->Cancel();
    EXPECT_THROW(q->Delete(), EDatabaseError);
    EXPECT_EQ(Rows(Table), "1:a:1\n1:a:1\n2:b:2\n");

    // someone else changed the record after it was read
    q->Last();
    Exec("update " + Table + " set name = 'changed' where id = 2");
    q->Edit();
    q->Fields(2).SetAsString("5");
    try {
        q->Post();
        FAIL() << "posted";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "更新する行が見つかりません。読み込んだ後に変更または削除された可能性があります。");
    }
    EXPECT_EQ(Rows(Table), "1:a:1\n1:a:1\n2:changed:2\n");
}

TEST_P(OdbcEditTest, AKeyFindsTheRecordWhateverTheOtherColumnsHold) {
    MakeKeyed();
    auto q = Query("select id, name, n from " + Table + " order by id");
    Exec("update " + Table + " set n = 99 where id = 1");
    q->Edit();
    q->Fields(1).SetAsString("one");
    q->Post();
    EXPECT_EQ(Rows(Table), "1:one:99\n2:に:-\n3:さん:30\n");
}

// A text read with the substitute character ("Étude" shows as "?tude") is
// not what the table holds: the key finds its record whatever the text; a
// record that only such a text (or a key holding one) could find is refused
// with that reason, before anything is written.
TEST_P(OdbcEditTest, AValueCP932CannotHoldIsNeverUsedToFindTheRecord) {
    const bool pg = GetParam() == Db::PostgreSQL;
    // "Étude", written without a character CP932 lacks in this source
    const std::string etude = pg ? "chr(201) || 'tude'" : "char(201) || 'tude'";
    auto count = [&](const std::string& table, const std::string& where) {
        auto q = Query("select count(*) from " + table + " where " + where);
        return q->Fields(0).AsString();
    };
    MakeKeyed();
    Exec("update " + Table + " set name = " + etude + " where id = 1");
    auto q = Query("select id, name, n from " + Table + " order by id");
    ASSERT_TRUE(q->LossyText());
    EXPECT_EQ(q->Fields(1).AsString(), "?tude");
    // another column of the record, then the text itself: the key finds it
    q->Edit();
    q->Fields(2).SetAsInteger(11);
    q->Post();
    EXPECT_EQ(count(Table, "id = 1 and n = 11 and name = " + etude), "1");
    q->Edit();
    q->Fields(1).SetAsString("エチュード");
    q->Post();
    EXPECT_EQ(Rows(Table), "1:エチュード:11\n2:に:-\n3:さん:30\n");
    // what was written is a text like any other now: a change made meanwhile is noticed
    Exec("update " + Table + " set name = '他人' where id = 1");
    q->Edit();
    q->Fields(1).SetAsString("練習曲");
    EXPECT_THROW(q->Post(), EDatabaseError);
    q->Cancel();
    EXPECT_EQ(Rows(Table), "1:他人:11\n2:に:-\n3:さん:30\n");

    // without a key every column finds the record, and a key's own value must
    Exec("create table " + Table + "_k (code varchar(20) primary key, n integer)");
    Exec("insert into " + Table + "_k values (" + etude + ", 1)");
    Exec("create table " + Table + "_j (name varchar(20), n integer)");
    Exec("insert into " + Table + "_j values (" + etude + ", 1)");
    const struct {
        std::string Sql;
        const char* Said;
    } cases[] = {
        {"select code, n from " + Table + "_k",
         "更新する行を特定できません。列 'code' の値に、このプログラムが扱えない文字（「?」で表示した文字）があるため、"
         "キーの値で行を探せません。何も書き込んでいません。"},
        {"select name, n from " + Table + "_j",
         "更新する行を特定できません。列 'name' の値に、このプログラムが扱えない文字（「?」で表示した文字）があるため、"
         "読み込んだ値で行を探せません（主キーのない表です）。何も書き込んでいません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Sql);
        auto r = Query(c.Sql);
        ASSERT_TRUE(r->CanModify());
        r->Edit();
        r->Fields(1).SetAsInteger(2);
        try {
            r->Post();
            FAIL() << "posted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, c.Said);
        }
        EXPECT_EQ(r->State(), dsEdit);
        r->Cancel();
        try {
            r->Delete();
            FAIL() << "deleted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message.rfind("削除する行を特定できません。", 0), 0u) << e.Message;
        }
    }
    EXPECT_EQ(count(Table + "_k", "n = 1 and code = " + etude), "1");
    EXPECT_EQ(count(Table + "_j", "n = 1 and name = " + etude), "1");
}

TEST_P(OdbcEditTest, ResultsThatAreNotOneTablesColumnsCannotBeChanged) {
    MakeKeyed();
    Exec("create table " + Table + "_j (id integer, note varchar(10))");
    Exec("insert into " + Table + "_j values (1, 'x')");
    // refused with the reason in words
    const struct {
        std::string Sql;
        const char* Why;
    } cases[] = {
        {"select a.id, b.note from " + Table + " a join " + Table + "_j b on a.id = b.id",
         "結果に複数の表の列があります（結合した結果です）。"},
        {"select count(*) from " + Table, "結果の列はどれも表の列ではありません（式や定数の列です）。"},
    };
    for (const auto& c : cases) {
        auto q = Query(c.Sql);
        EXPECT_FALSE(q->CanModify()) << c.Sql;
        const std::string expected = std::string("読み取り専用のデータセットは変更できません\r\n") + c.Why;
        EXPECT_EQ(q->ReadOnlyMessage(), expected);
        try {
            q->Edit();
            FAIL() << c.Sql;
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, expected);
        }
    }
    // a computed column beside the table's own: the table's columns can be changed, it cannot
    auto q = Query("select id, name, n * 2 as twice from " + Table + " order by id");
    ASSERT_TRUE(q->CanModify());
    q->Edit();
    EXPECT_THROW(q->Fields(2).SetAsString("1"), EDatabaseError);
    q->Fields(1).SetAsString("x");
    q->Post();
    EXPECT_EQ(Rows(Table), "1:x:10\n2:に:-\n3:さん:30\n");
}

}  // namespace
