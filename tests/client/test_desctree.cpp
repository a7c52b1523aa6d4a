// The object tree read from its definition folder: structure, order, override
// folders, hide marks, placeholders, scripts, damaged definitions, and the
// drag object. Queries here come from a small fake; the database cases are in
// test_desctree_db.cpp.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include <QApplication>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>

#include "CP932Qt.h"
#include "DescTreeTestUtil.h"
#include "KZNPopupMenu.h"
#include "KZNTabFloat.h"
#include "TabDragUtil.h"
#include "U_Form_DesctreeProperty.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "MemDataSet.h"
#include "ScreenMetrics.h"
#include "SysUtils.h"
#include "TestUtil.h"

using namespace desctree_test;

namespace {

// A fake database: every query gives the rows of the table registered for a
// word it contains, or raises when it contains "BROKEN".
struct FakeDb {
    std::vector<std::pair<std::string, std::vector<std::vector<std::string>>>> Tables;  // word, header + rows
    std::vector<std::string> SQLs;
    std::function<void()> During;  // runs inside every query (as events let through by a long fetch would)
    void Attach(TFrameSQLClient& frame) {
        frame.OnExecuteSQL = [this](void*, const std::string& sql, TSQLKind, std::unique_ptr<TDataSet>& ds, std::string&) {
            SQLs.push_back(sql);
            if (During) std::exchange(During, nullptr)();
            if (sql.find("BROKEN") != std::string::npos) throw Exception("no such table: BROKEN");
            for (const auto& [word, rows] : Tables) {
                if (sql.find(word) == std::string::npos) continue;
                auto m = std::make_unique<TMemDataSet>();
                for (const std::string& f : rows[0]) m->FieldDefs().Add(f, ftString, 40);
                for (size_t r = 1; r < rows.size(); ++r) {
                    std::vector<TVariant> values;
                    for (const std::string& v : rows[r]) values.emplace_back(v);
                    m->AddRow(values);
                }
                m->Open();
                ds = std::move(m);
                return;
            }
        };
    }
};

// Drags Data over the widget and drops it there, as the mouse does; true when the widget took it.
bool DropOn(QWidget* Widget, QMimeData* Data) {
    const QPoint at = Widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Widget, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Widget, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, Data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Widget, &drop);
    return drop.isAccepted();
}

const Files kSales = {
    {"ObjectTree/Sales/Params.txt", "SCHEMA=S1\r\n"},
    {"ObjectTree/Sales/Tables/DeployItem.SQL", "SELECT TABNAME FROM SYSCAT.TABLES WHERE TABSCHEMA = '{%SCHEMA%}'"},
    {"ObjectTree/Sales/Tables/_Columns/DeployItem.SQL", "SELECT COLNAME FROM COLS WHERE TABNAME = '{%TABNAME%}'"},
    {"ObjectTree/Other/", ""},
};

struct DescTreeTest : ::testing::Test, DescTreeFixture {
    DescTreeTest() : DescTreeFixture("desctree") { Db.Attach(*Frame); }
    FakeDb Db;
};

TEST_F(DescTreeTest, TheShownTreesOnlyAndNodeKinds) {
    Load(kSales, {"Sales"});
    EXPECT_TRUE(Frame->Panel_DelcTreeBase->isVisibleTo(Frame.get()));
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Sales"}));
    TTreeNodeEx* sales = Find("ObjectTree/Sales");
    ASSERT_TRUE(sales);
    // A node is expanded when it is selected.
    Select("ObjectTree/Sales");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Sales", "    Tables"}));
    EXPECT_EQ(TDescTreeManager::GetKind(Find("ObjectTree")), dnkTop);
    EXPECT_EQ(TDescTreeManager::GetKind(sales), dnkFolder);
    EXPECT_EQ(TDescTreeManager::GetFolder(sales), Program + "ObjectTree/Sales");
    EXPECT_EQ(Params(sales), (Lines{"SCHEMA=S1"}));
    EXPECT_TRUE(TDescTreeManager::IsDone(sales));
    EXPECT_EQ(cp932::FromQString(Frame->Label_DescTreeAddress->text()), "ObjectTree");
}

TEST_F(DescTreeTest, ItemsFromTheDeployQueryWithTheirParameters) {
    Db.Tables = {{"SYSCAT.TABLES", {{"TABNAME", "NOTE"}, {"EMP ", "x"}, {"DEPT", ""}}},
                 {"COLS", {{"COLNAME"}, {"ID"}, {"NAME"}}}};
    Load(kSales, {"Sales"});
    Select("ObjectTree/Sales");
    // Without a connection the deploy node stays unexpanded.
    Select("ObjectTree/Sales/Tables");
    EXPECT_EQ(Find("ObjectTree/Sales/Tables")->Count(), 0);
    EXPECT_FALSE(TDescTreeManager::IsDone(Find("ObjectTree/Sales/Tables")));
    EXPECT_TRUE(Db.SQLs.empty());

    Connected = true;
    Manager().RefreshNode(Find("ObjectTree/Sales"));
    Select("ObjectTree/Sales/Tables");
    ASSERT_EQ(Db.SQLs.size(), 1u);
    EXPECT_EQ(Db.SQLs[0], "SELECT TABNAME FROM SYSCAT.TABLES WHERE TABSCHEMA = 'S1'");
    TTreeNodeEx* emp = Find("ObjectTree/Sales/Tables/EMP");
    ASSERT_TRUE(emp);
    EXPECT_EQ(TDescTreeManager::GetKind(emp), dnkItem);
    EXPECT_EQ(TDescTreeManager::GetDepth(emp), 1);
    EXPECT_EQ(Params(emp), (Lines{"TABNAME=EMP", "NOTE=x"}));
    EXPECT_EQ(Params(Find("ObjectTree/Sales/Tables/DEPT")), (Lines{"TABNAME=DEPT"}));
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Sales", "    Tables", "      EMP", "      DEPT"}));

    // Each item shows the item folder Columns, whose query sees the item's parameters.
    Select("ObjectTree/Sales/Tables/EMP");
    TTreeNodeEx* columns = Find("ObjectTree/Sales/Tables/EMP/Columns");
    ASSERT_TRUE(columns);
    EXPECT_EQ(TDescTreeManager::GetKind(columns), dnkItemFolder);
    EXPECT_EQ(TDescTreeManager::GetFolder(columns), Program + "ObjectTree/Sales/Tables/_Columns");
    Select("ObjectTree/Sales/Tables/EMP/Columns");
    EXPECT_EQ(Db.SQLs.back(), "SELECT COLNAME FROM COLS WHERE TABNAME = 'EMP'");
    EXPECT_TRUE(Find("ObjectTree/Sales/Tables/EMP/Columns/NAME"));
    EXPECT_EQ(cp932::FromQString(Frame->Label_DescTreeAddress->text()), "EMP < Tables < Sales < ObjectTree");
}

TEST_F(DescTreeTest, ItemsShareTheirFolderAndKeepTheirOwnValues) {
    // Values with line breaks, control bytes and a longer text stay one parameter each.
    const std::string longValue(36, 'v');
    Db.Tables = {{"FROM T", {{"N", "NOTE"}, {"A", "one\r\ntwo"}, {"B", "x\x05\x01y"}, {"C", longValue}}},
                 {"FROM U", {{"M"}, {"m1"}}}};
    Load({{"ObjectTree/T/Tables/OverRide.txt", ".\\..\\..\\..\\Common\r\n"},
          {"ObjectTree/T/Tables/DeployItem.SQL", "SELECT N FROM T"},
          {"ObjectTree/T/Tables/Empty.Hide", ""},
          {"Common/_DeployItem.SQL", "SELECT M\r\nFROM U\r\nWHERE N = '{%N%}'\r\n"}},
         {"T"});
    Connected = true;
    Select("ObjectTree/T");
    Select("ObjectTree/T/Tables");
    TTreeNodeEx* tables = Find("ObjectTree/T/Tables");
    ASSERT_TRUE(tables);
    ASSERT_EQ(tables->Count(), 3);
    struct Case {
        const char* Caption;
        Lines Params;
    };
    for (const Case& c : {Case{"A", {"N=A", "NOTE=one\r\ntwo"}}, Case{"B", {"N=B", "NOTE=x\x05\x01y"}},
                          Case{"C", {"N=C", "NOTE=" + longValue}}}) {
        TTreeNodeEx* item = Find(std::string("ObjectTree/T/Tables/") + c.Caption);
        ASSERT_TRUE(item) << c.Caption;
        EXPECT_EQ(Params(item), c.Params) << c.Caption;
        EXPECT_EQ(TDescTreeManager::GetFolder(item), TDescTreeManager::GetFolder(tables));
        EXPECT_EQ(TDescTreeManager::GetOverrideFolder(item), Program + "Common");
        EXPECT_TRUE(item->GetHasChildren());
        // an item's data needs none of the node's string lists
        EXPECT_FALSE(item->HasData());
    }
    // The items' deploy query (lines joined, the last line break gone) with each item's own values.
    Select("ObjectTree/T/Tables/B");
    EXPECT_EQ(Db.SQLs.back(), "SELECT M\nFROM U\nWHERE N = 'B'");
    EXPECT_TRUE(Find("ObjectTree/T/Tables/B/m1"));
    // Refreshing the folder rebuilds the items with the same data.
    Manager().RefreshNode(tables);
    tables = Find("ObjectTree/T/Tables");
    ASSERT_TRUE(tables);
    EXPECT_EQ(Params(Find("ObjectTree/T/Tables/A")), (Lines{"N=A", "NOTE=one\r\ntwo"}));
    EXPECT_EQ(TDescTreeManager::GetOverrideFolder(Find("ObjectTree/T/Tables/A")), Program + "Common");
}

TEST_F(DescTreeTest, RebuildAskedForDuringAnExpansionWaitsForItsEnd) {
    Db.Tables = {{"SYSCAT.TABLES", {{"TABNAME"}, {"EMP"}}}};
    Load(kSales, {"Sales"});
    Connected = true;
    Select("ObjectTree/Sales");
    Db.During = [this] {
        Manager().RefreshNode(Find("ObjectTree/Sales"));
        Manager().LoadObjectTrees();
    };
    Select("ObjectTree/Sales/Tables");
    EXPECT_EQ(Db.SQLs.size(), 1u);
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Sales"}));
}

TEST_F(DescTreeTest, PlaceholdersOfTheNodeAndItsAncestors) {
    Load({{"ObjectTree/Sales/Params.txt", "SCHEMA=S1\r\nA=a{%B%}\r\nB=b\r\n"},
          {"ObjectTree/Sales/Sub/Params.txt", "schema=S2\r\nB=own\r\n"},
          {"ObjectTree/Sales/Self/Params.txt", "LOOP=x{%LOOP%}\r\n"}},
         {"Sales"});
    Select("ObjectTree/Sales");
    TTreeNodeEx* sales = Find("ObjectTree/Sales");
    TTreeNodeEx* sub = Find("ObjectTree/Sales/Sub");
    ASSERT_TRUE(sub);
    struct Case {
        TTreeNodeEx* Node;
        const char* Text;
        const char* Expected;
    } cases[] = {
        {sales, "{{%UNKNOWN%}}x", "x"},
        {sales, "{%UNKNOWN%}", "{%UNKNOWN%}"},
        {sales, "{{%schema%}}/{%schema%}/{%SCHEMA%}", "S1/{%schema%}/S1"},
        {sales, "{%A%}", "ab"},                             // values hold placeholders too
        // The nearest definition wins, whatever case the names are in.
        {sub, "{%schema%}.{%SCHEMA%}.{{%SCHEMA%}}", "S2.{%SCHEMA%}.S2"},
        {sub, "{%A%}", "aown"},
        {sales, "{{%SCHEMA", "{{%SCHEMA"},
        {Find("ObjectTree"), "{%SCHEMA%}", "{%SCHEMA%}"},  // the top node has none
    };
    for (const Case& c : cases) EXPECT_EQ(Manager().ExpandPlaceholders(c.Node, c.Text), c.Expected) << c.Text;
    TStringList params;
    Manager().CollectParams(sub, params);
    EXPECT_EQ(params.Items, (Lines{"schema=S2", "B=own", "A=a{%B%}"}));
    // A value that holds its own placeholder ends.
    Select("ObjectTree/Sales/Self");
    const std::string loop = Manager().ExpandPlaceholders(Find("ObjectTree/Sales/Self"), "{%LOOP%}");
    EXPECT_EQ(loop.substr(0, 3), "xxx");
}

// Values that nest, each holding a hundred placeholders of the next, would
// grow a title query to gigabytes in one pass: the growth stops at the limit,
// the result page names the parameter and its folder once, and nothing built
// from it runs.
TEST_F(DescTreeTest, NestedValuesStopAtTheSizeLimitWithAMessage) {
    std::string params;
    const std::string names = "ABCDE";
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        params += names.substr(i, 1) + "=";
        for (int k = 0; k < 100; ++k) params += "{%" + names.substr(i + 1, 1) + "%}";
        params += "\r\n";
    }
    params += "E=abcdefghij\r\n";
    Load({{"ObjectTree/T/Bomb/Params.txt", params},
          {"ObjectTree/T/Bomb/Title.SQL", "select length('{%A%}')"},
          {"ObjectTree/T/Bomb/Default.Script", "SELECT '{%A%}';"},
          {"ObjectTree/T/Bomb/Big.Script", "SELECT '{{%a%}}{%A%}';"},
          {"ObjectTree/T/Bomb/Small.Script", "SELECT '{%E%}';"},
          {"ObjectTree/T/Bomb/Page.Property", "{%A%}"}},
         {"T"});
    Connected = true;
    Select("ObjectTree/T");
    TTreeNodeEx* bomb = Find("ObjectTree/T/Bomb←（タイトル設定失敗！！）");
    ASSERT_TRUE(bomb);
    const std::string message =
        "■パラメータの展開結果が上限（1MB）を超えました：{%C%} [" + TDescTreeManager::GetFolder(bomb) + "]";
    EXPECT_EQ(Frame->Console.Lines.Items, (Lines{message}));
    for (const std::string& sql : Db.SQLs) EXPECT_LT(sql.size(), 1000u);

    // Selected: the default script does not run; the property page shows the message.
    Db.SQLs.clear();
    Frame->Console.Lines.Clear();
    Select("ObjectTree/T/Bomb←（タイトル設定失敗！！）");
    EXPECT_TRUE(Db.SQLs.empty());
    EXPECT_EQ(Frame->Console.Lines.Items, (Lines{message}));
    auto* page = dynamic_cast<TForm_DesctreeProperty*>(Frame->PageControl_DescTreeProperty->currentWidget());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Caption, "Page");
    EXPECT_EQ(page->Editor_DescTreeParams->Lines().GetText(), message + "\r\n");

    // The script menu leaves out the scripts that cannot be put together.
    QMenu menu;
    Manager().FillScriptMenu(bomb, &menu);
    ASSERT_EQ(menu.actions().size(), 1);
    EXPECT_EQ(cp932::FromQString(menu.actions()[0]->text()), "Small.Script");
    try {
        Manager().ExpandPlaceholders(bomb, "{{%a%}}");
        ADD_FAILURE() << "the expansion stops";
    } catch (const EDescTreeManager& e) {
        EXPECT_EQ(e.Message, message.substr(std::string("■").size()));
    }
    // Double braces are measured too: a text of many copies of a long value.
    std::string copies;
    for (int i = 0; i < 3000; ++i) copies += "{{%D%}}";
    try {
        Manager().ExpandPlaceholders(bomb, copies);
        ADD_FAILURE() << "the expansion stops";
    } catch (const EDescTreeManager& e) {
        EXPECT_NE(e.Message.find("{%D%}"), std::string::npos) << e.Message;
    }
    // Below the limit the same nesting is put together in full.
    EXPECT_EQ(Manager().ExpandPlaceholders(bomb, "{%D%}").size(), 1000u);
}

// Values read from the database are data: inside '...' and "..." their quotes
// are doubled, elsewhere only a plain name or a number goes in; what the user
// wrote (Params.txt) goes in as written; a value that would change where a
// literal or comment ends is refused with a message naming its placeholder.
TEST_F(DescTreeTest, DatabaseValuesGoInAsData) {
    const std::string hostile = "x'; create table pwned (a int); --";
    Db.Tables = {{"FROM NAMES", {{"N"}, {"emp"}, {"社員 表"}, {"it's"}, {"a\"b"}, {hostile}, {"12.5"}, {"-1"},
                                  {"z\\"}, {"z\\w"}, {"一覧表"}, {"a\xFA\x5C"}, {"{%WHO%}"}, {"{!V}"}, {"ｶﾅ$1"}}}};
    Load({{"ObjectTree/T/Params.txt", "WHO=o'k\r\nFULL=\"{%N%}\"\r\n"},
          {"ObjectTree/T/List/DeployItem.SQL", "SELECT N FROM NAMES"}},
         {"T"});
    Connected = true;
    Select("ObjectTree/T");
    Select("ObjectTree/T/List");
    const std::string notPlain = "データベースから読んだ値を埋め込めないため実行しません（引用符の外には名前か数値だけを埋め込めます）：{%N%}";
    const std::string changes = "データベースから読んだ値を埋め込めないため実行しません（値が引用符やコメントの区切りを変えます）：{%N%}";
    const std::string userVar = "データベースから読んだ値を埋め込めないため実行しません（値がユーザー変数の参照 {! を含みます）：{%N%}";
    struct Case {
        std::string Item, Text, Expected;  // Expected: the text, or the message (without its folder)
        bool Refused;
    } cases[] = {
        {"emp", "SELECT * FROM t WHERE n = '{%N%}' AND m = {%N%}", "SELECT * FROM t WHERE n = 'emp' AND m = emp", false},
        {"社員 表", "'{%N%}' \"{{%n%}}\"", "'社員 表' \"社員 表\"", false},
        {"社員 表", "SELECT {%N%}", notPlain, true},
        {"it's", "'{%N%}' \"{%N%}\"", "'it''s' \"it's\"", false},
        {"a\"b", "'{%N%}' \"{%N%}\"", "'a\"b' \"a\"\"b\"", false},
        {hostile, "SELECT * FROM c WHERE t = '{%N%}'", "SELECT * FROM c WHERE t = 'x''; create table pwned (a int); --'", false},
        {hostile, "SELECT * FROM {%N%}", notPlain, true},
        // a comment hides quotes from the database: there the value is outside them
        {hostile, "SELECT 1 -- '{%N%}'\r\n", notPlain, true},
        {hostile, "SELECT 1 /* '{%N%}' */", notPlain, true},
        {hostile, "SELECT $$ '{%N%}' $$", notPlain, true},
        {"12.5", "SELECT {%N%} + 1", "SELECT 12.5 + 1", false},
        {"-1", "SELECT 1 + {%N%}", "SELECT 1 + -1", false},
        {"-1", "SELECT 1-{%N%}\r\nFROM t WHERE a = '{%N%}'", changes, true},  // "--" would begin a comment
        // a backslash before the closing quote ends no literal for the database, but does for the splitter
        {"z\\", "SELECT '{%N%}'", changes, true},
        {"z\\", "SELECT \"{%N%}\" || 'a'", changes, true},  // some databases take a backslash escape there too
        {"z\\w", "SELECT '{%N%}', \"{%N%}\"", "SELECT 'z\\w', \"z\\w\"", false},
        // a double-byte character whose second byte is 0x5C: the splitter knows 表, not every one
        {"一覧表", "SELECT '{%N%}', \"{%N%}\"", "SELECT '一覧表', \"一覧表\"", false},
        {"a\xFA\x5C", "SELECT '{%N%}'", changes, true},
        // a value from the database is never read for placeholders; one the user wrote is
        {"{%WHO%}", "'{%N%}'", "'{%WHO%}'", false},
        {"emp", "SELECT {%WHO%}, {%FULL%}", "SELECT o'k, \"emp\"", false},
        {"it's", "SELECT {%FULL%}", "SELECT \"it's\"", false},
        {"{!V}", "SELECT '{%N%}'", userVar, true},
        {"ｶﾅ$1", "SELECT {%N%}", "SELECT ｶﾅ$1", false},
    };
    for (const Case& c : cases) {
        TTreeNodeEx* item = Find("ObjectTree/T/List/" + c.Item);
        ASSERT_TRUE(item) << c.Item;
        Frame->Console.Lines.Clear();
        try {
            const std::string text = Manager().ExpandPlaceholders(item, c.Text);
            EXPECT_FALSE(c.Refused) << c.Text << " -> " << text;
            EXPECT_EQ(text, c.Expected) << c.Text;
        } catch (const EDescTreeManager& e) {
            EXPECT_TRUE(c.Refused) << c.Text << ": " << e.Message;
            const std::string folder = " [" + TDescTreeManager::GetFolder(item) + "]";
            EXPECT_EQ(e.Message, c.Expected + folder) << c.Text;
            EXPECT_EQ(Frame->Console.Lines.Items, (Lines{"■" + c.Expected + folder})) << c.Text;
        }
    }
    // A page that is only shown takes the values as they are.
    EXPECT_EQ(Manager().ExpandPlaceholderText(Find("ObjectTree/T/List/" + hostile), "name: {%N%}"), "name: " + hostile);
}

// An item whose value cannot go in safely: its queries, pages and scripts do
// not run; the result page says why once; the other items work.
TEST_F(DescTreeTest, RefusedValueRunsNothing) {
    const std::string hostile = "x'; DROP TABLE keep; --";
    Db.Tables = {{"FROM NAMES", {{"N"}, {hostile}, {"emp"}}}, {"FROM COLS", {{"C"}, {"c1"}}}};
    Load({{"ObjectTree/T/List/DeployItem.SQL", "SELECT N FROM NAMES"},
          {"ObjectTree/T/List/_Cols/DeployItem.SQL", "SELECT C FROM COLS WHERE T = {%N%}"},
          {"ObjectTree/T/List/_Count.PropertySQL", "SELECT count(*) FROM {%N%}"},
          {"ObjectTree/T/List/_Drop.Script", "DROP TABLE {%N%};"},
          {"ObjectTree/T/List/_Cols/Default.Script", "SELECT * FROM {%N%};"}},
         {"T"});
    Connected = true;
    Select("ObjectTree/T");
    Select("ObjectTree/T/List");
    Db.SQLs.clear();
    Frame->Console.Lines.Clear();
    Select("ObjectTree/T/List/" + hostile);
    Select("ObjectTree/T/List/" + hostile + "/Cols");
    TTreeNodeEx* item = Find("ObjectTree/T/List/" + hostile);
    ASSERT_TRUE(item);
    QMenu menu;
    Manager().FillScriptMenu(item, &menu);
    EXPECT_TRUE(menu.actions().isEmpty());
    for (const std::string& sql : Db.SQLs) EXPECT_EQ(sql.find("DROP"), std::string::npos) << sql;
    EXPECT_EQ(Find("ObjectTree/T/List/" + hostile + "/Cols")->Count(), 0);
    const std::string message = "■データベースから読んだ値を埋め込めないため実行しません（引用符の外には名前か数値だけを埋め込めます）：{%N%} [" +
                                TDescTreeManager::GetFolder(item) + "]";
    const Lines console = Frame->Console.Lines.Items;
    EXPECT_GE(std::count(console.begin(), console.end(), message), 1);
    for (const std::string& line : console) EXPECT_EQ(line.find("DROP"), std::string::npos) << line;
    // the plain name works
    Select("ObjectTree/T/List/emp");
    Select("ObjectTree/T/List/emp/Cols");
    EXPECT_TRUE(Find("ObjectTree/T/List/emp/Cols/c1"));
    EXPECT_NE(std::find(Db.SQLs.begin(), Db.SQLs.end(), "SELECT C FROM COLS WHERE T = emp"), Db.SQLs.end());
}

TEST_F(DescTreeTest, OrderFilesSortTheFolders) {
    Load({{"ObjectTree/T/B/", ""},
          {"ObjectTree/T/A/x.Order", ""},
          {"ObjectTree/T/C/10.Order", ""},
          {"ObjectTree/T/D/-5.order", ""},
          {"ObjectTree/T/E/3000.Order", ""}},
         {"T"});
    Select("ObjectTree/T");
    // Equal orders keep the folders' listing order.
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  T", "    D", "    C", "    A", "    B", "    E"}));
    const Lines console = Frame->Console.Lines.Items;
    EXPECT_NE(std::find(console.begin(), console.end(), "x.Orderは整数の範囲外ですので、最後尾に回しました"), console.end());
    EXPECT_EQ(TDescTreeManager::GetOrderValue(Find("ObjectTree/T/A")), 2000);
}

TEST_F(DescTreeTest, OverrideFolderStandsInForMissingFiles) {
    Db.Tables = {{"FROM T", {{"N"}, {"r1"}}}};
    Load({{"ObjectTree/Sales/Tables/OverRide.txt", ".\\..\\..\\..\\Common\r\n"},
          {"ObjectTree/Sales/Tables/Params.txt", "P=own\r\n"},
          {"ObjectTree/Sales/Tables/Mine/", ""},
          {"Common/Params.txt", "P=common\r\nQ=common\r\n"},
          {"Common/DeployItem.SQL", "SELECT N FROM T"},
          {"Common/Extra/", ""},
          {"Common/mine/", ""},
          {"ObjectTree/Sales/Lost/OverRide.txt", "./NoSuchFolder\r\n"}},
         {"Sales"});
    Connected = true;
    Select("ObjectTree/Sales");
    Select("ObjectTree/Sales/Tables");
    TTreeNodeEx* tables = Find("ObjectTree/Sales/Tables");
    ASSERT_TRUE(tables);
    EXPECT_EQ(Params(tables), (Lines{"P=own", "Q=common"}));
    // Folders (2000) before items (5000 on); the override folder's own come after the node's.
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Sales", "    Lost", "    Tables", "      Mine", "      Extra", "      r1"}));
    EXPECT_EQ(TDescTreeManager::GetFolder(Find("ObjectTree/Sales/Tables/Extra")), Program + "Common/Extra");
    const Lines console = Frame->Console.Lines.Items;
    const std::string lost =
        "■オーバライドフォルダが見つかりません：" + Program + "ObjectTree/Sales/Lost/./NoSuchFolder";
    // Once when the tree was loaded, once when Sales was expanded.
    EXPECT_EQ(std::count(console.begin(), console.end(), lost), 2);
}

TEST_F(DescTreeTest, HiddenWhenEmptyAndRefusedQueries) {
    Db.Tables = {{"NONE", {{"N"}}}};
    Load({{"ObjectTree/T/Empty/Empty.Hide", ""},
          {"ObjectTree/T/Empty/DeployItem.SQL", "SELECT N FROM NONE"},
          {"ObjectTree/T/EmptyNoQuery/empty.hide", ""},
          {"ObjectTree/T/Full/Empty.Hide", ""},
          {"ObjectTree/T/Full/Sub/", ""},
          {"ObjectTree/T/Update/DeployItem.SQL", "UPDATE X SET A = 1"},
          {"ObjectTree/T/Broken/DeployItem.SQL", "SELECT * FROM BROKEN"}},
         {"T"});
    Connected = true;
    Select("ObjectTree/T");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  T", "    Broken", "    Full", "      Sub",
                             "    Update■展開SQLにSELECT系以外のSQLを検出しました。"}));
    Frame->Console.Lines.Clear();
    Select("ObjectTree/T/Broken");
    EXPECT_EQ(Frame->Console.Lines.Items,
              (Lines{"", "■展開エラー Broken", "SELECT * FROM BROKEN", "no such table: BROKEN"}));
    for (const std::string& sql : Db.SQLs) EXPECT_EQ(sql.find("UPDATE"), std::string::npos);
}

TEST_F(DescTreeTest, TitleQueryNamesTheNode) {
    Db.Tables = {{"CURRENT", {{"NAME"}, {"Production DB"}}}};
    Load({{"ObjectTree/T/Db/Title.SQL", "SELECT NAME FROM CURRENT"}, {"ObjectTree/T/Bad/title.sql", "SELECT BROKEN"}},
         {"T"});
    Connected = true;
    Select("ObjectTree/T");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  T", "    Bad←（タイトル設定失敗！！）", "    Production DB"}));
}

TEST_F(DescTreeTest, DefaultScriptRunsOrIsShown) {
    Load({{"ObjectTree/T/Params.txt", "WHO=me\r\n"}, {"ObjectTree/T/Default.Script", "#Print {%WHO%};\r\n"}}, {"T"});
    Select("ObjectTree/T");
    EXPECT_EQ(Frame->Console.Lines.Items, (Lines{"#Print me;"}));
    Frame->Console.Lines.Clear();
    Manager().NodeSelected(Find("ObjectTree/T"));  // the same node is handled once
    EXPECT_TRUE(Frame->Console.Lines.Items.empty());
}

TEST_F(DescTreeTest, DamagedDefinitionsNeverStopTheLoad) {
    Files files = {{"ObjectTree/T/D/DeployItem.SQL", std::string("\x01\x02\xff\0SELECT", 9)},
                   {"ObjectTree/T/Bad.Order", ""},
                   {"ObjectTree/T/OverRide.txt", "\r\n"},
                   {"ObjectTree/T/Params.txt", "no equals sign\r\n=\r\n"},
                   {"ObjectTree/T/Icon.Ico", "not an icon"},
                   {"ObjectTree/T/X/", ""}};
    Connected = true;
    EXPECT_NO_THROW(Load(files, {"T"}));
    EXPECT_NO_THROW(Select("ObjectTree/T"));
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  T", "    D■展開SQLにSELECT系以外のSQLを検出しました。", "    X"}));
    const Lines console = Frame->Console.Lines.Items;
    EXPECT_NE(std::find(console.begin(), console.end(), "Bad.Orderは整数の範囲外ですので、最後尾に回しました"), console.end());
    EXPECT_NE(std::find(console.begin(), console.end(), "■オーバライドフォルダが見つかりません："), console.end());
}

TEST_F(DescTreeTest, PaneHiddenWithoutShownTrees) {
    Load(kSales, {});
    EXPECT_FALSE(Frame->Panel_DelcTreeBase->isVisibleTo(Frame.get()));
    EXPECT_EQ(Tree().RootCount(), 0);
    EXPECT_FALSE(Manager().AddObjectTree("Nope"));
    EXPECT_TRUE(Manager().AddObjectTree("sales"));  // folder names in any case
    EXPECT_TRUE(Manager().IsObjectTreeShown("sales"));
    EXPECT_FALSE(Manager().IsObjectTreeShown("Sales"));
    Manager().LoadObjectTrees();
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Sales"}));
    Manager().ClearObjectTrees();
    EXPECT_EQ(Tree().RootCount(), 0);
    EXPECT_FALSE(Frame->Panel_DelcTreeBase->isVisibleTo(Frame.get()));
}

TEST_F(DescTreeTest, CommandsThroughTheWindow) {
    WriteFiles(Program, kSales);
    Manager().SetProgramFolder(Program);
    EXPECT_EQ(Frame->GetObjectTreeFolder(), Program + "ObjectTree");
    Frame->ExecuteScriptText("#AddObjectTree Sales;#AddObjectTreeM Other;");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Sales"}));
    Frame->ExecuteScriptText("#RefreshObjectTree;");
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  Other", "  Sales"}));
    Frame->ExecuteScriptText("#ClearObjectTree;");
    EXPECT_EQ(Tree().RootCount(), 0);
}

TEST_F(DescTreeTest, ScriptsOfTheMenuAndTheDragObject) {
    Load({{"ObjectTree/T/Params.txt", "WHO=me\r\n"},
          {"ObjectTree/T/b_select_.Script", "SELECT '{%WHO%}';"},
          {"ObjectTree/T/A.script", "#Print A;"},
          {"ObjectTree/T/_ItemOnly.Script", "x"},
          {"ObjectTree/T/List/DeployItem.SQL", "SELECT N FROM ITEMS"},
          {"ObjectTree/T/List/_Drop.Script", "DROP TABLE {%N%};"},
          {"ObjectTree/T/List/_Count.Script", "SELECT count(*) FROM {%N%};"},
          {"ObjectTree/T/List/Plain.Script", "y"}},
         {"T"});
    Db.Tables = {{"ITEMS", {{"N"}, {"t1"}}}};
    Connected = true;
    Select("ObjectTree/T");
    TStringList names;
    Manager().GetScriptNames(Find("ObjectTree/T"), names);
    EXPECT_EQ(names.Items, (Lines{"A.script", "b_select_.Script"}));
    Select("ObjectTree/T/List");
    TTreeNodeEx* item = Find("ObjectTree/T/List/t1");
    ASSERT_TRUE(item);
    Manager().GetScriptNames(item, names);
    EXPECT_EQ(names.Items, (Lines{"_Count.Script", "_Drop.Script"}));

    Manager().FillPopupMenu(Find("ObjectTree/T"));
    Lines captions;
    QMenu* scripts = nullptr;
    for (QAction* a : Frame->KZNTreeView_Desc_PopupMenu->actions()) {
        captions.push_back(a->isSeparator() ? "-" : cp932::FromQString(a->text()));
        if (a->menu()) scripts = a->menu();
    }
    EXPECT_EQ(captions, (Lines{"最新の状態に更新", "-", "編集", "-", "スクリプト実行"}));
    ASSERT_TRUE(scripts);
    ASSERT_EQ(scripts->actions().size(), 2);
    auto* b = dynamic_cast<TScriptExecuteMenuItem*>(scripts->actions()[1]);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->ScriptName, "b_select_.Script");
    EXPECT_EQ(b->Lines.Items, (Lines{"SELECT 'me';"}));
    auto* a = dynamic_cast<TScriptExecuteMenuItem*>(scripts->actions()[0]);
    Frame->Console.Lines.Clear();
    a->trigger();  // runs in the window
    const Lines ran = Frame->Console.Lines.Items;
    EXPECT_NE(std::find(ran.begin(), ran.end(), "A"), ran.end());

    // An item's scripts, captioned without the leading and trailing "_".
    QMenu menu;
    Manager().FillScriptMenu(item, &menu);
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(cp932::FromQString(menu.actions()[1]->text()), "Drop.Script");

    TDescDragObj drag(item);
    TStringList dragged;
    drag.GetScriptNames(dragged);
    EXPECT_EQ(dragged.Items, (Lines{"_Count.Script", "_Drop.Script"}));
    EXPECT_EQ(Manager().GetScriptText(item, "_Drop.Script"), "DROP TABLE t1;");
    EXPECT_EQ(TDescDragObj::From(&drag), &drag);
    Tree().SetSelected(item);
    std::unique_ptr<QMimeData> started(Tree().OnStartDrag(&Tree(), item));
    ASSERT_TRUE(TDescDragObj::From(started.get()));
    EXPECT_EQ(TDescDragObj::From(started.get())->Node(), item);
    EXPECT_EQ(TDescDragObj::From(started.get())->Manager(), &Manager());

    // A script editor takes the node (the caret follows the mouse) and leaves its text as it is.
    TForm_Script* script = Frame->ActiveScriptPage();
    ASSERT_TRUE(script);
    script->ScriptEditor->Lines().SetText("abc\r\n");
    bool accept = false;
    script->ScriptEditor->OnObjectDragOver(nullptr, &drag, QPoint(1, 1), accept);
    EXPECT_TRUE(accept);
    script->ScriptEditor->OnObjectDrop(nullptr, &drag, QPoint(1, 1));
    EXPECT_EQ(script->ScriptEditor->Lines().GetText(), "abc\r\n");

    // Dropped on either editor of a result page, as the mouse does it: the
    // node's scripts in the page's menu; the one chosen runs.
    TForm_Result* page = Frame->ActiveResultPage();
    ASSERT_TRUE(page);
    QMenu* shown = nullptr;
    Lines offered;
    std::string choose;  // the caption to choose; none when empty
    testutil::THookScope hooks;
    hooks.Set(popupmenu::SetPresenter, [&](QMenu& m, const QPoint&) -> QAction* {
        shown = &m;
        QAction* chosen = nullptr;
        for (QAction* a : m.actions()) {
            offered.push_back(cp932::FromQString(a->text()));
            if (offered.back() == choose) chosen = a;
        }
        return chosen;
    });
    for (TKZNEditor* editor : {page->Editor, static_cast<TKZNEditor*>(page->EDITOR_Title)}) {
        for (const char* script : {"Drop.Script", "Count.Script"}) {
            shown = nullptr;
            offered.clear();
            choose = script;
            Db.SQLs.clear();
            EXPECT_TRUE(DropOn(editor->viewport(), &drag));
            EXPECT_EQ(shown, page->PopupMenu_ScriptDrop);
            EXPECT_EQ(offered, (Lines{"Count.Script", "Drop.Script"}));
            EXPECT_EQ(Db.SQLs, (Lines{choose == "Drop.Script" ? "DROP TABLE t1\r\n" : "SELECT count(*) FROM t1\r\n"}));
        }
    }
    // Nothing chosen, nothing runs.
    choose.clear();
    offered.clear();
    Db.SQLs.clear();
    EXPECT_TRUE(DropOn(page->Editor->viewport(), &drag));
    EXPECT_EQ(offered.size(), 2u);
    EXPECT_TRUE(Db.SQLs.empty());
    // Other data is not taken.
    QMimeData foreign;
    foreign.setText("plain");
    offered.clear();
    EXPECT_FALSE(DropOn(page->Editor->viewport(), &foreign));
    EXPECT_TRUE(offered.empty());
    try {
        page->ObjectTreeNodeDropped(&foreign, QPoint());
        ADD_FAILURE() << "a foreign drop is refused";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.ClassName()) + ":" + e.Message, "EForm_Result:内部エラー：未対応のオブジェクトをドロップしようとしました");
    }
    // A node that went during the drag offers nothing, even when the refresh
    // built its successor where it was.
    TDescDragObj stale(item);
    Manager().RefreshNode(Find("ObjectTree/T/List"));
    TTreeNodeEx* successor = Find("ObjectTree/T/List/t1");
    ASSERT_TRUE(successor);
    EXPECT_EQ(stale.Node(), nullptr);
    EXPECT_EQ(stale.Manager(), nullptr);
    stale.GetScriptNames(dragged);
    EXPECT_TRUE(dragged.Items.empty());
    shown = nullptr;
    offered.clear();
    choose = "Drop.Script";
    Db.SQLs.clear();
    DropOn(page->Editor->viewport(), &stale);
    EXPECT_EQ(shown, nullptr);
    EXPECT_TRUE(Db.SQLs.empty());
    // The successor's own drag still offers its scripts.
    TDescDragObj fresh(successor);
    EXPECT_TRUE(DropOn(page->Editor->viewport(), &fresh));
    hooks.Restore();
    EXPECT_EQ(offered, (Lines{"Count.Script", "Drop.Script"}));
    EXPECT_EQ(Db.SQLs, (Lines{"DROP TABLE t1\r\n"}));
}

}  // namespace

namespace {

// The pane as the user works it: the delayed selection change, the caption
// panel, Enter, siblings-only selection, the popup menu and its two actions.
TEST_F(DescTreeTest, PaneGesturesAndActions) {
    Load({{"ObjectTree/T/A/Sub/", ""}, {"ObjectTree/T/B/", ""}, {"ObjectTree/T/Go.Script", "#Print go;"}}, {"T"});
    Select("ObjectTree/T");
    Select("ObjectTree/T/A");
    TTreeNodeEx* a = Find("ObjectTree/T/A");
    TTreeNodeEx* b = Find("ObjectTree/T/B");
    TTreeNodeEx* sub = Find("ObjectTree/T/A/Sub");
    ASSERT_TRUE(a && b && sub);

    // A selection change shows the caption at once and is handled after the delay.
    Tree().SetSelected(b);
    EXPECT_EQ(cp932::FromQString(Frame->Panel_DescTreeCurrentNode->text()), "B");
    EXPECT_EQ(cp932::FromQString(Frame->Label_DescTreeAddress->text()), "T < ObjectTree");
    EXPECT_FALSE(TDescTreeManager::IsDone(b));
    QCoreApplication::processEvents();
    EXPECT_TRUE(TDescTreeManager::IsDone(b));

    // Enter opens and closes the selected node.
    Tree().SetSelected(a);
    QCoreApplication::processEvents();
    const bool open = a->GetExpanded();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&Tree(), &enter);
    EXPECT_NE(a->GetExpanded(), open);

    // Several nodes may be selected, among one node's children only.
    Tree().SetSelected(a);
    b->setSelected(true);
    sub->setSelected(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(a->isSelected());
    EXPECT_TRUE(b->isSelected());
    EXPECT_FALSE(sub->isSelected());

    // A right click handles the node, then offers its menu.
    Tree().clearSelection();
    Tree().OnNodeClickRight(&Tree(), Qt::NoModifier, Find("ObjectTree/T"));
    QMenu* menu = Frame->KZNTreeView_Desc_PopupMenu;
    menu->hide();
    ASSERT_EQ(menu->actions().size(), 5);
    EXPECT_EQ(cp932::FromQString(menu->actions()[4]->text()), "スクリプト実行");

    // "編集" opens the node's folder; "最新の状態に更新" rebuilds it.
    std::vector<std::string> opened;
    Manager().OnOpenFolder = [&](const std::string& f) { opened.push_back(f); };
    Tree().SetSelected(a);
    menu->actions()[2]->trigger();
    EXPECT_EQ(opened, (Lines{Program + "ObjectTree/T/A"}));
    Frame->Action_DesctreeEdit->trigger();
    EXPECT_EQ(opened.size(), 2u);
    Manager().OnOpenFolder = nullptr;
    WriteFiles(Program, {{"ObjectTree/T/A/New/", ""}});
    menu->actions()[0]->trigger();
    EXPECT_TRUE(Find("ObjectTree/T/A/New"));
    EXPECT_EQ(Tree().GetSelected(), Find("ObjectTree/T/A"));
}

}  // namespace

// A property tab dragged out of the pages floats in a window of its own and
// shows the selected node's page as the tabs do; dragged onto the tabs or
// closed, it comes back in its sorted place; a node with other pages frees it.
TEST_F(DescTreeTest, PropertyTabsFloatAndComeBack) {
    Load({{"ObjectTree/Sales/Params.txt", "SCHEMA=S1\r\n"},
          {"ObjectTree/Sales/One/A.Property", "one of {%SCHEMA%}"},
          {"ObjectTree/Sales/One/B.Property", "b one"},
          {"ObjectTree/Sales/Two/A.Property", "two of {%SCHEMA%}"},
          {"ObjectTree/Sales/Two/B.Property", "b two"},
          {"ObjectTree/Sales/Three/C.Property", "c"}},
         {"Sales"});
    Frame->resize(clienttest::DefaultClientSize());
    Frame->show();
    QApplication::processEvents();
    QTabWidget* tabs = Frame->PageControl_DescTreeProperty;
    auto captions = [&] {
        Lines out;
        for (int i = 0; i < tabs->count(); ++i) out.push_back(cp932::FromQString(tabs->tabText(i)));
        return out;
    };
    auto text = [](QWidget* page) {
        return static_cast<TForm_DesctreeProperty*>(page)->Editor_DescTreeParams->Lines().GetText();
    };
    TKZNTabFloater* floater = Manager().PropertyFloater();
    const QPoint away = tabs->tabBar()->mapToGlobal(QPoint(30, 250));
    Select("ObjectTree/Sales");
    Select("ObjectTree/Sales/One");
    ASSERT_EQ(captions(), (Lines{"A", "B", "Params"}));

    clienttest::DragTab(tabs->tabBar(), 0, away);
    ASSERT_EQ(floater->FloatingPages().size(), 1u);
    QPointer<QWidget> a = floater->FloatingPages().front();
    EXPECT_EQ(captions(), (Lines{"B", "Params"}));
    EXPECT_EQ(cp932::FromQString(a->window()->windowTitle()), "A");
    EXPECT_TRUE(a->window()->isVisible());
    EXPECT_EQ(text(a), "one of S1" "\r\n");
    EXPECT_EQ(text(tabs->currentWidget()), "b one" "\r\n");
    clienttest::SaveScreen(*Frame, "floating-property-tab");
    // another node with the same pages: the floating page follows the selection
    Select("ObjectTree/Sales/Two");
    EXPECT_EQ(captions(), (Lines{"B", "Params"}));
    ASSERT_TRUE(a);
    EXPECT_EQ(text(a), "two of S1" "\r\n");
    EXPECT_EQ(text(tabs->currentWidget()), "b two" "\r\n");

    // dragged onto the tabs, it docks in its sorted place
    auto* window = dynamic_cast<TKZNFloatingTabWindow*>(a->window());
    ASSERT_NE(window, nullptr);
    clienttest::DragTab(window->Tabs()->tabBar(), 0, tabs->tabBar()->mapToGlobal(tabs->tabBar()->tabRect(1).center()));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(floater->FloatingPages().empty());
    EXPECT_EQ(captions(), (Lines{"A", "B", "Params"}));
    EXPECT_EQ(tabs->currentWidget(), a.data());
    EXPECT_EQ(a->window(), Frame.get());

    // closed, it comes back too
    clienttest::DragTab(tabs->tabBar(), 1, away);
    ASSERT_EQ(floater->FloatingPages().size(), 1u);
    QPointer<QWidget> b = floater->FloatingPages().front();
    EXPECT_EQ(captions(), (Lines{"A", "Params"}));
    b->window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(b);
    EXPECT_EQ(captions(), (Lines{"A", "B", "Params"}));
    EXPECT_EQ(text(b), "b two" "\r\n");

    // a node with other pages: the floating one goes with its window
    clienttest::DragTab(tabs->tabBar(), 0, away);
    ASSERT_EQ(floater->FloatingPages().size(), 1u);
    QPointer<QWidget> gone = floater->FloatingPages().front();
    QPointer<QWidget> goneWindow = gone->window();
    Select("ObjectTree/Sales/Three");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    EXPECT_FALSE(goneWindow);
    EXPECT_TRUE(floater->FloatingPages().empty());
    EXPECT_EQ(captions(), (Lines{"C", "Params"}));
    // the "Params" page floats too, and stays through node changes
    clienttest::DragTab(tabs->tabBar(), 1, away);
    ASSERT_EQ(floater->FloatingPages().size(), 1u);
    EXPECT_EQ(floater->FloatingPages().front(), Manager().ParamsPage());
    Select("ObjectTree/Sales/One");
    EXPECT_EQ(captions(), (Lines{"A", "B"}));
    EXPECT_NE(text(Manager().ParamsPage()).find("SCHEMA=S1"), std::string::npos);
}

// A property tab let go near the corner of a laptop's screen opens wholly on it.
TEST_F(DescTreeTest, AFloatingPropertyTabOpensWhollyOnTheScreen) {
    testutil::THookScope hooks;
    hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1366, 768}; });
    Load({{"ObjectTree/Sales/One/A.Property", "one"}, {"ObjectTree/Sales/One/B.Property", "b one"}}, {"Sales"});
    Frame->resize(1229, 691);
    Frame->move(0, 0);
    Frame->show();
    QApplication::processEvents();
    Select("ObjectTree/Sales");
    Select("ObjectTree/Sales/One");
    QTabWidget* tabs = Frame->PageControl_DescTreeProperty;
    const QSize docked = tabs->size();
    const QPoint drop(1350, 760);
    clienttest::DragTab(tabs->tabBar(), 0, drop);
    TKZNTabFloater* floater = Manager().PropertyFloater();
    ASSERT_EQ(floater->FloatingPages().size(), 1u);
    QWidget* window = floater->FloatingPages().front()->window();
    const QRect at = window->frameGeometry();
    EXPECT_TRUE(QRect(0, 0, 1366, 768).contains(at)) << at.x() << "," << at.y() << " " << at.width() << "x" << at.height();
    EXPECT_TRUE(at.contains(drop));
    EXPECT_GE(window->width(), docked.width() - 1);
}

// The tree takes the window colour while connected and the 3D light colour while not.
TEST_F(DescTreeTest, TheTreeShowsTheConnectionState) {
    Load(kSales, {"Sales"});
    Frame->resize(900, 700);
    Frame->show();
    QApplication::processEvents();
    const QPalette app = QApplication::palette();
    ASSERT_NE(app.color(QPalette::Base), app.color(QPalette::Midlight));
    // the colour drawn below the last node, within the rounding of the drawing
    auto paints = [&](const QColor& expected) {
        const QImage image = Tree().viewport()->grab().toImage();
        const QColor c(image.pixel(image.width() - 3, image.height() - 3));
        return std::abs(c.red() - expected.red()) <= 2 && std::abs(c.green() - expected.green()) <= 2 &&
               std::abs(c.blue() - expected.blue()) <= 2;
    };
    Connected = false;
    Frame->RefreshConnectState();
    EXPECT_TRUE(paints(app.color(QPalette::Midlight)));
    EXPECT_FALSE(paints(app.color(QPalette::Base)));
    Connected = true;
    Frame->RefreshConnectState();
    EXPECT_TRUE(paints(app.color(QPalette::Base)));
}

// #ClearObjectTree (and every rebuild of the tree) takes the shown node's
// pages away, docked and floating, and empties "Params", the address and the
// node caption: nothing of the last node stays on the screen.
TEST_F(DescTreeTest, ClearingTheTreesClearsThePropertyPages) {
    Load({{"ObjectTree/Sales/Params.txt", "SCHEMA=S1\r\n"},
          {"ObjectTree/Sales/One/A.Property", "one of {%SCHEMA%}"},
          {"ObjectTree/Sales/One/B.Property", "b one"}},
         {"Sales"});
    Frame->resize(900, 700);
    Frame->show();
    QApplication::processEvents();
    QTabWidget* tabs = Frame->PageControl_DescTreeProperty;
    TKZNTabFloater* floater = Manager().PropertyFloater();
    const QPoint away = tabs->tabBar()->mapToGlobal(QPoint(30, 250));
    auto text = [](QWidget* page) {
        return static_cast<TForm_DesctreeProperty*>(page)->Editor_DescTreeParams->Lines().GetText();
    };
    auto captions = [&] {
        Lines out;
        for (int i = 0; i < tabs->count(); ++i) out.push_back(cp932::FromQString(tabs->tabText(i)));
        return out;
    };
    for (bool floating : {false, true}) {
        Frame->ExecuteScriptText("#AddObjectTree Sales;");
        Select("ObjectTree/Sales");
        Select("ObjectTree/Sales/One");
        ASSERT_EQ(captions(), (Lines{"A", "B", "Params"}));
        QPointer<QWidget> a = tabs->widget(0), b = tabs->widget(1);
        QPointer<QWidget> aWindow;
        if (floating) {  // A and "Params" in windows of their own
            clienttest::DragTab(tabs->tabBar(), 2, away);
            clienttest::DragTab(tabs->tabBar(), 0, away + QPoint(300, 0));
            ASSERT_EQ(floater->FloatingPages().size(), 2u);
            aWindow = a->window();
        }
        tabs->setCurrentWidget(b);
        EXPECT_EQ(text(b), "b one" "\r\n");
        EXPECT_NE(text(Manager().ParamsPage()), "");
        EXPECT_NE(cp932::FromQString(Frame->Label_DescTreeAddress->text()), "");
        EXPECT_EQ(cp932::FromQString(Frame->Panel_DescTreeCurrentNode->text()), "One");

        Frame->ExecuteScriptText("#ClearObjectTree;");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(Tree().RootCount(), 0);
        EXPECT_FALSE(a) << floating;
        EXPECT_FALSE(b) << floating;
        EXPECT_FALSE(aWindow) << floating;
        EXPECT_EQ(text(Manager().ParamsPage()), "") << floating;
        EXPECT_EQ(floater->IsFloating(Manager().ParamsPage()), floating);
        EXPECT_EQ(captions(), floating ? Lines{} : Lines{"Params"});
        EXPECT_EQ(cp932::FromQString(Frame->Label_DescTreeAddress->text()), "");
        EXPECT_EQ(cp932::FromQString(Frame->Panel_DescTreeCurrentNode->text()), "");
    }
}

// Each node shows the image of its icon file ("Icon.Ico" in its folder, with
// "_" per item depth in front for items), or its parent's when it has none.
TEST_F(DescTreeTest, NodesShowTheirIconsOrTheirParents) {
    // Real pictures: a file that holds no picture gives no icon to draw.
    auto picture = [](Qt::GlobalColor colour) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes.toStdString();
    };
    Db.Tables = {{"FROM T", {{"N"}, {"r1"}, {"r2"}}}};
    Load({{"ObjectTree/Icon.Ico", picture(Qt::red)},
          {"ObjectTree/T/Tables/Icon.Ico", picture(Qt::green)},
          {"ObjectTree/T/Tables/_Icon.Ico", picture(Qt::blue)},
          {"ObjectTree/T/Tables/DeployItem.SQL", "SELECT N FROM T"},
          {"ObjectTree/T/Tables/_Cols/", ""},
          {"ObjectTree/T/Tables/Sub/", ""},
          {"ObjectTree/T/Tables/Late/9000.Order", ""},
          {"ObjectTree/T/Views/", ""}},
         {"T"});
    Connected = true;
    Select("ObjectTree/T");
    Select("ObjectTree/T/Tables");
    Select("ObjectTree/T/Tables/r2");
    auto image = [&](const std::string& file) {
        auto it = Manager().IconMap().find(Program + "ObjectTree/" + file);
        return it == Manager().IconMap().end() ? -100 : it->second;
    };
    const int root = image("Icon.Ico"), tables = image("T/Tables/Icon.Ico"), items = image("T/Tables/_Icon.Ico");
    EXPECT_EQ(root, 0);
    EXPECT_NE(tables, items);
    struct Case {
        const char* Node;
        int Image;
    } cases[] = {{"ObjectTree", root},
                 {"ObjectTree/T", root},
                 {"ObjectTree/T/Views", root},
                 {"ObjectTree/T/Tables", tables},
                 {"ObjectTree/T/Tables/Sub", tables},
                 {"ObjectTree/T/Tables/r1", items},
                 {"ObjectTree/T/Tables/r2", items},
                 {"ObjectTree/T/Tables/r2/Cols", items}};
    for (const Case& c : cases) {
        TTreeNodeEx* node = Find(c.Node);
        ASSERT_TRUE(node) << c.Node;
        EXPECT_EQ(node->GetImageIndex(), c.Image) << c.Node;
        EXPECT_FALSE(node->icon(0).isNull()) << c.Node;
    }
    // Items (5000 on, in row order) among the folders by order.
    EXPECT_EQ(Dump(), (Lines{"ObjectTree", "  T", "    Tables", "      Sub", "      r1", "      r2", "        Cols", "      Late",
                             "    Views"}));
}
