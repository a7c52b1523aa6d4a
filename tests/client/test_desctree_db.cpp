// The object tree against real databases (SQLite, and PostgreSQL through
// ZINTAVOR_PG_CONN): nodes expanded from catalogue-like tables, item folders,
// expansion errors, and the property pages of a node.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QMenu>
#include <QTabWidget>

#include "CP932Qt.h"
#include "DbTestUtil.h"
#include "DescTreeTestUtil.h"
#include "U_ADODriver.h"
#include "U_Form_DesctreeProperty.h"
#include "SysUtils.h"

using namespace desctree_test;

namespace {

class DescTreeDb : public ::testing::TestWithParam<dbtest::Db>, public DescTreeFixture {
protected:
    DescTreeDb() : DescTreeFixture("desctree-db") {}
    void SetUp() override {
        std::string conn;
        if (GetParam() == dbtest::Db::PostgreSQL) {
            DBTEST_REQUIRE_PG();
            conn = dbtest::PgConn();
        } else {
            conn = dbtest::SqliteConn("desctree");
        }
        ASSERT_TRUE(Driver.ConnectByConnectionString(conn, "test"));
        Frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                     std::string& msg) { Driver.Execute(sender, sql, kind, ds, msg); };
        Tables = dbtest::UniqueName("zt_tables");
        Cols = dbtest::UniqueName("zt_cols");
        Run("create table " + Tables + " (tabname varchar(30), schem varchar(10), seq integer)");
        Run("create table " + Cols + " (tabname varchar(30), colname varchar(30), coltype varchar(10))");
        Created = true;
        for (const char* v : {"'EMP', 'S1', 2", "'DEPT', 'S1', 1", "'OTHER', 'S2', 3"})
            Run("insert into " + Tables + " values (" + v + ")");
        for (const char* v : {"'EMP', 'ID', 'int'", "'EMP', 'NAME', 'text'", "'DEPT', 'ID', 'int'"})
            Run("insert into " + Cols + " values (" + v + ")");
        Connected = true;
        Load({{"ObjectTree/Cat/Params.txt", "SCHEMA=S1\r\n"},
              {"ObjectTree/Cat/Tables/DeployItem.SQL",
               "SELECT tabname, seq FROM " + Tables + " WHERE schem = '{%SCHEMA%}' ORDER BY seq"},
              {"ObjectTree/Cat/Tables/_Columns/DeployItem.SQL",
               "SELECT colname FROM " + Cols + " WHERE tabname = '{{%TABNAME%}}' ORDER BY colname"},
              {"ObjectTree/Cat/Tables/_Columns.PropertySQL",
               "SELECT colname AS name, coltype AS type FROM " + Cols + " WHERE tabname = '{{%TABNAME%}}' ORDER BY colname"},
              {"ObjectTree/Cat/Tables/_Memo.Property", "  Table {{%TABNAME%}}\r\n"},
              {"ObjectTree/Cat/Tables/Count.PropertySQL", "SELECT count(*) AS n FROM " + Tables},
              {"ObjectTree/Cat/Tables/Info.Property", "schema {%SCHEMA%}"},
              {"ObjectTree/Cat/Broken/DeployItem.SQL", "SELECT x FROM no_such_table_here"}},
             {"Cat"});
        Select("ObjectTree/Cat");
    }
    void TearDown() override {
        if (!Created) return;
        for (const std::string& t : {Tables, Cols}) {
            try {
                Run("drop table " + t);
            } catch (...) {
            }
        }
    }
    void Run(const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
    }
    Lines Tabs() {
        Lines out;
        for (int i = 0; i < Frame->PageControl_DescTreeProperty->count(); ++i)
            out.push_back(cp932::FromQString(Frame->PageControl_DescTreeProperty->tabText(i)));
        return out;
    }
    TForm_DesctreeProperty* Page() {
        return static_cast<TForm_DesctreeProperty*>(Frame->PageControl_DescTreeProperty->currentWidget());
    }
    Lines PageLines() { return TStringList(Page()->Editor_DescTreeParams->Lines().GetText()).Items; }
    void ShowTab(const std::string& caption) {
        for (int i = 0; i < Frame->PageControl_DescTreeProperty->count(); ++i)
            if (cp932::FromQString(Frame->PageControl_DescTreeProperty->tabText(i)) == caption)
                Frame->PageControl_DescTreeProperty->setCurrentIndex(i);
    }

    TADODriver Driver;
    std::string Tables, Cols;
    bool Created = false;
};

TEST_P(DescTreeDb, ItemsInRowOrderAndTheirItemFolders) {
    Select("ObjectTree/Cat/Tables");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Cat", "    Broken", "    Tables", "      DEPT", "      EMP"}));
    TTreeNodeEx* emp = Find("ObjectTree/Cat/Tables/EMP");
    ASSERT_TRUE(emp);
    EXPECT_EQ(Params(emp), (Lines{"tabname=EMP", "seq=2"}));
    Select("ObjectTree/Cat/Tables/EMP");
    Select("ObjectTree/Cat/Tables/EMP/Columns");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Cat", "    Broken", "    Tables", "      DEPT", "      EMP", "        Columns",
                             "          ID", "          NAME"}));
}

TEST_P(DescTreeDb, ExpansionErrorGoesToTheResultPage) {
    Frame->Console.Lines.Clear();
    Select("ObjectTree/Cat/Broken");
    const Lines lines = Frame->Console.Lines.Items;
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "■展開エラー Broken");
    EXPECT_EQ(lines[2], "SELECT x FROM no_such_table_here");
    EXPECT_NE(lines[3], "");
    EXPECT_TRUE(TDescTreeManager::IsDone(Find("ObjectTree/Cat/Broken")));
    EXPECT_EQ(Find("ObjectTree/Cat/Broken")->Count(), 0);
}

TEST_P(DescTreeDb, PropertyPagesOfAFolderAndOfItems) {
    Select("ObjectTree/Cat/Tables");
    EXPECT_EQ(Tabs(), (Lines{"Count", "Info", "Params"}));
    EXPECT_EQ(Frame->PageControl_DescTreeProperty->currentIndex(), 0);
    EXPECT_EQ(PageLines(), (Lines{"n : 3"}));  // one row: one line per field
    ShowTab("Info");
    EXPECT_EQ(PageLines(), (Lines{"schema S1"}));
    ShowTab("Params");
    EXPECT_EQ(PageLines(), (Lines{"SCHEMA=S1"}));

    // Items of depth 1: the files beginning with one "_", captioned without it.
    Select("ObjectTree/Cat/Tables/EMP");
    EXPECT_EQ(Tabs(), (Lines{"Columns", "Memo", "Params"}));
    EXPECT_EQ(Frame->PageControl_DescTreeProperty->currentIndex(), 0);
    const Lines two = PageLines();
    ASSERT_EQ(two.size(), 4u);  // header, rule and two rows
    EXPECT_EQ(two[0].substr(0, 4), "name");
    EXPECT_EQ(two[1].substr(0, 4), "----");
    EXPECT_EQ(two[2].substr(0, 2), "ID");
    EXPECT_NE(two[2].find("int"), std::string::npos);
    EXPECT_EQ(two[3].substr(0, 4), "NAME");
    ShowTab("Memo");
    EXPECT_EQ(PageLines(), (Lines{"Table EMP"}));

    // The same files: the tabs and the active tab stay.
    TForm_DesctreeProperty* memo = Page();
    Select("ObjectTree/Cat/Tables/DEPT");
    EXPECT_EQ(Page(), memo);
    EXPECT_EQ(PageLines(), (Lines{"Table DEPT"}));
    ShowTab("Columns");
    EXPECT_EQ(PageLines(), (Lines{"name : ID", "type : int"}));
    ShowTab("Params");
    EXPECT_EQ(PageLines(), (Lines{"tabname=DEPT", "seq=1", "SCHEMA=S1"}));

    // Other files: new tabs, the first one active.
    Select("ObjectTree/Cat/Tables");
    EXPECT_EQ(Tabs(), (Lines{"Count", "Info", "Params"}));
    EXPECT_EQ(Frame->PageControl_DescTreeProperty->currentIndex(), 0);
}

TEST_P(DescTreeDb, PropertySQLWithoutAConnectionShowsItsText) {
    Select("ObjectTree/Cat/Tables");
    Select("ObjectTree/Cat/Tables/EMP");
    Connected = false;
    Select("ObjectTree/Cat/Tables/DEPT");
    ShowTab("Columns");
    EXPECT_EQ(PageLines(), (Lines{"SELECT colname AS name, coltype AS type FROM " + Cols +
                                  " WHERE tabname = 'DEPT' ORDER BY colname"}));
}

TEST_P(DescTreeDb, FailingPropertyQueryShowsTheErrorAndTheQuery) {
    WriteFiles(Program, {{"ObjectTree/Cat/Tables/Bad.PropertySQL", "SELECT nothing FROM no_such_table_here"}});
    Select("ObjectTree/Cat/Tables");
    EXPECT_EQ(Tabs(), (Lines{"Bad", "Count", "Info", "Params"}));
    const Lines lines = PageLines();
    ASSERT_GE(lines.size(), 2u);  // the message may take several lines
    EXPECT_EQ(lines[0].substr(0, 2), "■");
    EXPECT_GT(lines[0].size(), 2u);
    EXPECT_EQ(lines.back(), "SELECT nothing FROM no_such_table_here");
}

TEST_P(DescTreeDb, ConnectionChangesRefreshTheTrees) {
    Select("ObjectTree/Cat/Tables");
    ASSERT_TRUE(Find("ObjectTree/Cat/Tables/EMP"));
    Connected = false;
    Frame->RefreshConnectState();
    EXPECT_FALSE(TDescTreeManager::IsDone(Find("ObjectTree/Cat/Tables")));
    EXPECT_EQ(Find("ObjectTree/Cat/Tables")->Count(), 0);
    Connected = true;
    Frame->RefreshConnectState();
    Select("ObjectTree/Cat/Tables");
    EXPECT_TRUE(Find("ObjectTree/Cat/Tables/EMP"));
}

INSTANTIATE_TEST_SUITE_P(Backends, DescTreeDb, ::testing::Values(dbtest::Db::SQLite, dbtest::Db::PostgreSQL),
                         dbtest::DbName);

}  // namespace

namespace {

// The sample definition of the demo (demo/ObjectTree), against a SQLite database.
struct SampleTree : ::testing::Test, DescTreeFixture {
    SampleTree() : DescTreeFixture("desctree-sample") {}
    TADODriver Driver;
};

TEST_F(SampleTree, SQLiteTreeListsTablesColumnsAndViews) {
    ASSERT_TRUE(Driver.ConnectByConnectionString(dbtest::SqliteConn("sample"), "test"));
    Frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                 std::string& msg) { Driver.Execute(sender, sql, kind, ds, msg); };
    for (const char* sql : {"create table emp (id integer primary key, name varchar(20))", "create table dept (no integer)",
                            "create view v_emp as select name from emp"}) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
    }
    Connected = true;
    // The demo lives in the source folder, wherever the build folder is.
    Manager().SetProgramFolder(std::string(ZINTAVOR_SOURCE_DIR) + "/demo/");
    ASSERT_TRUE(Manager().AddObjectTree("SQLite"));
    Manager().LoadObjectTrees();
    Select("ObjectTree/SQLite");
    Select("ObjectTree/SQLite/Tables");
    Select("ObjectTree/SQLite/Views");
    Select("ObjectTree/SQLite/Tables/emp");
    Select("ObjectTree/SQLite/Tables/emp/Columns");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  SQLite", "    Tables", "      dept", "      emp", "        Columns", "          id",
                             "          name", "    Views", "      v_emp"}));
    TStringList names;
    Manager().GetScriptNames(Find("ObjectTree/SQLite/Tables/emp"), names);
    EXPECT_EQ(names.Items, (Lines{"_Count.Script", "_Select.Script"}));
    EXPECT_EQ(Manager().GetScriptText(Find("ObjectTree/SQLite/Tables/emp"), "_Select.Script"), "SELECT * FROM \"emp\";\r\n");
    Select("ObjectTree/SQLite/Tables/dept");
    Lines tabs;
    for (int i = 0; i < Frame->PageControl_DescTreeProperty->count(); ++i)
        tabs.push_back(cp932::FromQString(Frame->PageControl_DescTreeProperty->tabText(i)));
    EXPECT_EQ(tabs, (Lines{"Columns", "DDL", "Params"}));
    const auto* page = static_cast<TForm_DesctreeProperty*>(Frame->PageControl_DescTreeProperty->currentWidget());
    EXPECT_EQ(TStringList(page->Editor_DescTreeParams->Lines().GetText()).Items,
              (Lines{"cid : 0", "name : no", "type : INTEGER", "notnull : 0", "pk : 0"}));
}

}  // namespace

namespace {

// The shipped definitions (demo/ObjectTree) on both databases, with tables
// whose names hold Japanese, quotes, blanks, and SQL that must never run.
class ShippedTreeNames : public ::testing::TestWithParam<dbtest::Db>, public DescTreeFixture {
protected:
    ShippedTreeNames() : DescTreeFixture("desctree-names") {}
    void SetUp() override {
        Pg = GetParam() == dbtest::Db::PostgreSQL;
        if (Pg) DBTEST_REQUIRE_PG();
        ASSERT_TRUE(Driver.ConnectByConnectionString(dbtest::ConnFor(GetParam(), "names"), "test"));
        Frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                     std::string& msg) {
            SQLs.push_back(sql);
            Driver.Execute(sender, sql, kind, ds, msg);
        };
        Connected = true;
    }
    void TearDown() override {
        for (const std::string& t : Made) Run("drop table " + Quoted(t));
    }
    static std::string Quoted(const std::string& name) {
        std::string q = "\"";
        for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q + "\"";
    }
    // Runs SQL; false when it fails.
    bool Run(const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        try {
            Driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    void Make(const std::string& name) {
        ASSERT_TRUE(Run("create table " + Quoted(name) + " (col1 integer, \"列 二\" varchar(10))")) << name;
        Made.push_back(name);
    }
    bool TableExists(const std::string& name) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        const std::string sql = Pg ? "SELECT count(*) FROM information_schema.tables WHERE table_name = '" + name + "'"
                                   : "SELECT count(*) FROM sqlite_master WHERE name = '" + name + "'";
        Driver.Execute(nullptr, sql, TSQLKind::Query, ds, msg);
        ds->First();
        return ds->Fields(0).AsString() != "0";
    }
    TForm_DesctreeProperty* Page() {
        return static_cast<TForm_DesctreeProperty*>(Frame->PageControl_DescTreeProperty->currentWidget());
    }
    // Shows the shipped tree of the database and opens its Tables; returns the path of Tables.
    std::string OpenTables() {
        const std::string tree = Pg ? "PostgreSQL" : "SQLite";
        Manager().SetProgramFolder(std::string(ZINTAVOR_SOURCE_DIR) + "/demo/");
        EXPECT_TRUE(Manager().AddObjectTree(tree));
        Manager().LoadObjectTrees();
        // The PostgreSQL tree takes its caption from its title query and
        // shows the tables of each schema below it.
        const std::string caption = Tree().Root(0)->Item(0)->Text();
        EXPECT_EQ(caption.substr(0, tree.size()), tree);
        std::string schema = "ObjectTree/" + caption;
        Select(schema);
        if (Pg) {
            schema += "/public";
            EXPECT_TRUE(Select(schema));
        }
        const std::string tables = schema + "/Tables";
        EXPECT_TRUE(Select(tables));
        return tables;
    }

    bool Pg = false;
    TADODriver Driver;
    std::vector<std::string> Made;
};

TEST_P(ShippedTreeNames, NamesAreDataInQueriesPagesAndScripts) {
    const std::string pwned = dbtest::UniqueName("pwned");
    const std::string plain = dbtest::UniqueName("emp");
    const std::string names[] = {
        plain,
        "社員 一覧" + dbtest::UniqueName(""),
        "it's \"q\"" + dbtest::UniqueName(""),
        "x'; create table " + pwned + " (a int); --",
        "y\"; create table " + pwned + "b (a int); --",
    };
    for (const std::string& n : names) Make(n);
    const std::string tables = OpenTables();
    for (const std::string& n : names) {
        const std::string item = tables + "/" + n;
        ASSERT_TRUE(Select(item)) << n;
        // The first property page lists the table's columns.
        const std::string page = Page()->Editor_DescTreeParams->Lines().GetText();
        EXPECT_NE(page.find("col1"), std::string::npos) << n << "\n" << page;
        EXPECT_NE(page.find("列 二"), std::string::npos) << n << "\n" << page;
        // Its item folder Columns lists them as nodes.
        EXPECT_TRUE(Select(item + "/Columns")) << n;
        EXPECT_TRUE(Find(item + "/Columns/col1")) << n;
        EXPECT_TRUE(Find(item + "/Columns/列 二")) << n;
        // Its scripts, dropped on the result page, read the table.
        TTreeNodeEx* node = Find(item);
        ASSERT_TRUE(node);
        QMenu menu;
        Manager().FillScriptMenu(node, &menu);
        ASSERT_EQ(menu.actions().size(), 2) << n;
        for (QAction* a : menu.actions()) {
            SQLs.clear();
            a->trigger();
            EXPECT_EQ(SQLs.size(), 1u) << n;
            for (const std::string& sql : SQLs) {
                std::unique_ptr<TDataSet> ds;
                std::string msg;
                EXPECT_NO_THROW(Driver.Execute(nullptr, sql, TSQLKind::Query, ds, msg)) << sql;
            }
        }
    }
    EXPECT_FALSE(TableExists(pwned));
    EXPECT_FALSE(TableExists(pwned + "b"));
}

// A name that no quoting can carry (a backslash before the closing quote is
// read one way by the database and another by the statement splitter): the
// queries that need it are refused, named in the result page, and the rest works.
TEST_P(ShippedTreeNames, ANameThatCannotGoInIsRefused) {
    const std::string pwned = dbtest::UniqueName("pwned");
    const std::string name = "z\\'; create table " + pwned + " (a int); --";
    Make(name);
    const std::string item = OpenTables() + "/" + name;
    Frame->Console.Lines.Clear();
    SQLs.clear();
    ASSERT_TRUE(Select(item));
    const std::string message = "■データベースから読んだ値を埋め込めないため実行しません（値が引用符やコメントの区切りを変えます）：{%TABNAME%} [" +
                                TDescTreeManager::GetFolder(Find(item)) + "]";
    EXPECT_EQ(Page()->Editor_DescTreeParams->Lines().GetText(), message + "\r\n");
    Select(item + "/Columns");
    EXPECT_EQ(Find(item + "/Columns")->Count(), 0);
    const Lines console = Frame->Console.Lines.Items;
    EXPECT_NE(std::find(console.begin(), console.end(), message), console.end());
    for (const std::string& sql : SQLs) EXPECT_EQ(sql.find(pwned), std::string::npos) << sql;
    EXPECT_FALSE(TableExists(pwned));
}

INSTANTIATE_TEST_SUITE_P(Backends, ShippedTreeNames, ::testing::Values(dbtest::Db::SQLite, dbtest::Db::PostgreSQL),
                         dbtest::DbName);

}  // namespace

namespace {

// The shipped PostgreSQL definition (demo/ObjectTree/PostgreSQL) against the
// server: every schema the user can see, each with its tables, views,
// indexes, functions and triggers, and their property pages.
class ShippedPgTree : public ::testing::Test, public DescTreeFixture {
protected:
    ShippedPgTree() : DescTreeFixture("desctree-pg") {}
    void SetUp() override {
        DBTEST_REQUIRE_PG();
        ASSERT_TRUE(Driver.ConnectByConnectionString(dbtest::PgConn(), "test"));
        Frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                     std::string& msg) { Driver.Execute(sender, sql, kind, ds, msg); };
        Schema = dbtest::UniqueName("zt_s");
        Run("create schema " + Schema);
        Made = true;
        for (const char* sql : {
                 "create table $S.orders (id integer primary key, 品名 varchar(20) not null default '未定')",
                 "create index orders_name ON $S.orders (品名)",
                 "create view $S.v_orders as select id from $S.orders",
                 "create function $S.next_no(a integer) returns integer language sql as 'select a + 1'",
                 "create function $S.stamp() returns trigger language plpgsql as 'begin return new; end'",
                 "create trigger orders_trg before insert on $S.orders for each row execute function $S.stamp()",
             })
            Run(sys::StringReplaceAll(sql, "$S", Schema));
        Connected = true;
        Manager().SetProgramFolder(std::string(ZINTAVOR_SOURCE_DIR) + "/demo/");
        ASSERT_TRUE(Manager().AddObjectTree("PostgreSQL"));
        Manager().LoadObjectTrees();
        Top = "ObjectTree/" + Tree().Root(0)->Item(0)->Text();
        Select(Top);
    }
    void TearDown() override {
        if (Made) Run("drop schema " + Schema + " cascade");
    }
    void Run(const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
    }
    Lines Children(const std::string& path) {
        Lines out;
        TTreeNodeEx* n = Find(path);
        for (int i = 0; n && i < n->Count(); ++i) out.push_back(n->Item(i)->Text());
        return out;
    }
    // The text of the node's property page captioned Tab.
    std::string PageText(const std::string& node, const std::string& tab) {
        if (!Select(node)) return "(no node " + node + ")";
        QTabWidget* pages = Frame->PageControl_DescTreeProperty;
        for (int i = 0; i < pages->count(); ++i)
            if (cp932::FromQString(pages->tabText(i)) == tab) pages->setCurrentIndex(i);
        if (cp932::FromQString(pages->tabText(pages->currentIndex())) != tab) return "(no page " + tab + ")";
        return static_cast<TForm_DesctreeProperty*>(pages->currentWidget())->Editor_DescTreeParams->Lines().GetText();
    }
    Lines Tabs() {
        Lines out;
        for (int i = 0; i < Frame->PageControl_DescTreeProperty->count(); ++i)
            out.push_back(cp932::FromQString(Frame->PageControl_DescTreeProperty->tabText(i)));
        return out;
    }

    TADODriver Driver;
    std::string Schema, Top;
    bool Made = false;
};

TEST_F(ShippedPgTree, EverySchemaShowsItsObjectsAndTheirPages) {
    const Lines schemas = Children(Top);
    for (const std::string& s : {std::string("public"), Schema, std::string("pg_catalog"), std::string("information_schema")})
        EXPECT_NE(std::find(schemas.begin(), schemas.end(), s), schemas.end()) << s;
    const std::string s = Top + "/" + Schema;
    ASSERT_TRUE(Select(s));
    Lines kinds = Children(s);
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, (Lines{"Functions", "Indexes", "Tables", "Triggers", "Views"}));
    for (const char* k : {"Tables", "Views", "Indexes", "Functions", "Triggers"}) Select(s + "/" + k);
    // only the schema's own objects
    EXPECT_EQ(Children(s + "/Tables"), (Lines{"orders"}));
    EXPECT_EQ(Children(s + "/Views"), (Lines{"v_orders"}));
    EXPECT_EQ(Children(s + "/Indexes"), (Lines{"orders_name", "orders_pkey"}));
    EXPECT_EQ(Children(s + "/Functions"), (Lines{"next_no(a integer)", "stamp()"}));
    EXPECT_EQ(Children(s + "/Triggers"), (Lines{"orders_trg"}));

    const std::string table = s + "/Tables/orders";
    ASSERT_TRUE(Select(table));
    EXPECT_EQ(Tabs(), (Lines{"Columns", "DDL", "Params"}));
    const std::string columns = PageText(table, "Columns");
    for (const char* word : {"id", "integer", "品名", "character varying(20)", "'未定'"})
        EXPECT_NE(columns.find(word), std::string::npos) << word << "\n" << columns;
    Select(table + "/Columns");
    EXPECT_EQ(Children(table + "/Columns"), (Lines{"id", "品名"}));
    struct {
        std::string Node, Tab;
        std::vector<std::string> Holds;
    } pages[] = {
        {table, "DDL",
         {"CREATE TABLE " + Schema + ".orders (", "id integer NOT NULL", "PRIMARY KEY (id)",
          "CREATE INDEX orders_name ON " + Schema + ".orders", "CREATE TRIGGER orders_trg BEFORE INSERT ON " + Schema + ".orders"}},
        {s + "/Views/v_orders", "DDL", {"CREATE OR REPLACE VIEW " + Schema + ".v_orders AS", "FROM " + Schema + ".orders"}},
        {s + "/Views/v_orders", "Columns", {"id", "integer"}},
        {s + "/Indexes/orders_name", "DDL", {"CREATE INDEX orders_name ON " + Schema + ".orders USING btree (\"品名\");"}},
        {s + "/Indexes/orders_name", "Columns", {"品名"}},
        {s + "/Functions/next_no(a integer)", "DDL", {"CREATE OR REPLACE FUNCTION " + Schema + ".next_no(a integer)", "select a + 1"}},
        {s + "/Functions/next_no(a integer)", "Signature", {"a integer", "sql"}},
        {s + "/Triggers/orders_trg", "DDL", {"EXECUTE FUNCTION " + Schema + ".stamp()"}},
    };
    for (const auto& p : pages) {
        const std::string text = PageText(p.Node, p.Tab);
        for (const std::string& h : p.Holds) EXPECT_NE(text.find(h), std::string::npos) << p.Node << " " << p.Tab << ": " << h << "\n" << text;
    }
    // the table's scripts read it in its schema
    EXPECT_EQ(Manager().GetScriptText(Find(table), "_Select.Script"), "SELECT * FROM \"" + Schema + "\".\"orders\";\r\n");
}

}  // namespace
