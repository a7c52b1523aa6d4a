// The grid window as a person uses it, on the program's own connection (a
// UDL file, as the demo connects; on SQLite the layer adds its LongNames key):
// keys and clicks into the grid and its cell editor on a table with Japanese
// names, on SQLite and PostgreSQL, with the table read back afterwards; the
// refusal of an edit over a result that cannot be written; and the error
// editor under the grid.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>

#include "CP932.h"
#include "CP932Qt.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "QtTestApp.h"
#include "StringList.h"
#include "U_ADODriver.h"
#include "U_Form_Grid.h"
#include "U_ResultGridPages.h"
#include "U_Frame_SQLClient.h"
#include "U_Form_Result.h"
#include "U_ResultSeetManager.h"
#include "ScopeExit.h"
#include "WindowMessage.h"
#include "AppException.h"
#include "KZNPopupMenu.h"
#include "TestUtil.h"
#include <QMenu>
#include <QTabBar>

namespace {

using dbtest::Db;
using Lines = std::vector<std::string>;

QString Q(const char* cp932) { return cp932::ToQString(cp932); }
std::string MessageOf(const std::exception& e) {
    auto* x = dynamic_cast<const Exception*>(&e);
    return x ? x->Message : e.what();
}

struct GridKeysTest : ::testing::TestWithParam<Db>, testutil::WithApp {
    TADODriver Driver;
    std::string Goods;   // a table like the demo's 商品
    int Flashes = 0;

    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        // a UDL file naming the database, as the demo's sample.udl does
        const std::string folder = testutil::TempFolder("gridkeys");
        const std::string udl = folder + "test.udl";
        const std::u16string text = cp932::ToUtf16("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" +
                                                   dbtest::ConnFor(GetParam(), "gridkeys") + "\r\n");
        std::string bytes = "\xFF\xFE";
        bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        ASSERT_TRUE(fs932::WriteFileAtomic(udl, bytes));
        Driver.Connect("UDL:" + udl);
        Goods = "商品_" + dbtest::UniqueName("g");
        Run("CREATE TABLE " + Goods +
            " (商品番号 INTEGER PRIMARY KEY, 商品名 VARCHAR(40) NOT NULL, 単価 INTEGER NOT NULL, 備考 VARCHAR(40))");
        Run("INSERT INTO " + Goods + " VALUES (101, '緑茶', 150, NULL)");
        Run("INSERT INTO " + Goods + " VALUES (102, 'おにぎり 鮭', 180, '期間限定')");
        Run("INSERT INTO " + Goods + " VALUES (103, 'ノート Ａ４', 240, '罫線 7mm')");
        Run("INSERT INTO " + Goods + " VALUES (104, '表計算ソフト解説書', 2980, '第3版')");
    }
    void TearDown() override {
        try {
            if (Driver.IsConnected()) Run("DROP TABLE " + Goods);
        } catch (...) {
        }
    }
    void Run(const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
    }
    std::unique_ptr<TDataSet> Query(const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        Driver.Execute(nullptr, sql, TSQLKind::Query, ds, msg);
        return ds;
    }
    // "番号:名前:単価:備考" lines of the table, by number
    std::string Table(const std::string& name = std::string()) {
        auto q = Query("SELECT 商品番号, 商品名, 単価, 備考 FROM " + (name.empty() ? Goods : name) + " ORDER BY 1");
        std::string out;
        for (q->First(); !q->Eof(); q->Next())
            out += q->Fields(0).AsString() + ":" + q->Fields(1).AsString() + ":" + q->Fields(2).AsString() + ":" +
                   (q->Fields(3).IsNull() ? "-" : q->Fields(3).AsString()) + "\n";
        return out;
    }
    std::unique_ptr<TForm_Grid> Open(const std::string& sql) {
        auto g = std::make_unique<TForm_Grid>(nullptr, Query(sql));
        g->FlashSleep = [this](int) { ++Flashes; };
        g->resize(800, 400);
        g->show();
        QApplication::setActiveWindow(g.get());
        g->DBGrid1->setFocus();
        Settle();
        return g;
    }
    // What the keys and clicks left to do once handled (a committed editor, a refusal said).
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QApplication::processEvents();
        }
    }
    static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    static void UpdateMode(TForm_Grid& g) { Click(g.ToolBar1->widgetForAction(g.Action_UpdateTggle)); }
    static QPoint At(TForm_Grid& g, int row, int col) { return g.DBGrid1->visualRect(g.Model()->index(row, col)).center(); }
    static void ClickCell(TForm_Grid& g, int row, int col) {
        QTest::mouseClick(g.DBGrid1->viewport(), Qt::LeftButton, Qt::NoModifier, At(g, row, col));
        Settle();
    }
    // A double click as the mouse makes it: press, release, the second press (a double click), release.
    static void DoubleClickCell(TForm_Grid& g, int row, int col) {
        QWidget* v = g.DBGrid1->viewport();
        const QPoint at = At(g, row, col);
        QTest::mousePress(v, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(v, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(v, Qt::LeftButton, Qt::NoModifier, at);
        Settle();
    }
    static void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(w, static_cast<Qt::Key>(key), mods);
        Settle();
    }
    // The open cell editor; null when none is open.
    static QLineEdit* CellEditor(TForm_Grid& g) {
        auto* e = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return e && g.DBGrid1->isAncestorOf(e) ? e : nullptr;
    }
    // Types characters into a widget, one key each (Japanese ones too, as an input method hands them over).
    static void Type(QWidget* w, const QString& text) {
        for (const QChar ch : text) {
            QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
    }
    // Types into the grid: into the open cell editor (Tab opens the next one);
    // else the first character opens it and the rest go into it.
    static void TypeIntoGrid(TForm_Grid& g, const char* cp932) {
        const QString text = Q(cp932);
        if (QLineEdit* e = CellEditor(g)) {
            Type(e, text);
            return;
        }
        Type(g.DBGrid1, text.left(1));
        Settle();
        if (QLineEdit* e = CellEditor(g)) Type(e, text.mid(1));
    }
    // Clicks the first cell of the record in row and types its cells one by
    // one, Tab between them and Return after the last.
    static void TypeRecord(TForm_Grid& g, int row, const std::vector<const char*>& cells) {
        ClickCell(g, row, 0);
        for (size_t i = 0; i < cells.size(); ++i) {
            TypeIntoGrid(g, cells[i]);
            Key(CellEditor(g), i + 1 < cells.size() ? Qt::Key_Tab : Qt::Key_Return);
        }
    }
    static std::string Cell(TForm_Grid& g, int row, int col) {
        QVariant v = g.Model()->data(g.Model()->index(row, col));
        return v.isValid() ? cp932::FromQString(v.toString()) : std::string("<NULL>");
    }
    static Lines ErrorLines(TForm_Grid& g) { return TStringList(g.KZNEditor1->Lines().GetText()).Items; }
};

INSTANTIATE_TEST_SUITE_P(Both, GridKeysTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

TEST_P(GridKeysTest, EditsInsertsAndDeletesTypedIntoTheGridAreWritten) {
    auto g = Open("SELECT * FROM " + Goods + " ORDER BY 1");
    TForm_Grid& grid = *g;
    // the headers are the database's labels
    Lines headers;
    for (int c = 0; c < grid.Model()->columnCount(); ++c)
        headers.push_back(cp932::FromQString(grid.Model()->headerData(c, Qt::Horizontal).toString()));
    EXPECT_EQ(headers, (Lines{"商品番号", "商品名", "単価", "備考"}));
    const std::string before = Table();
    UpdateMode(grid);
    ASSERT_FALSE(grid.GridReadOnly());

    // F2, a new name, Return: the record is changed, not yet written
    ClickCell(grid, 0, 1);
    Key(grid.DBGrid1, Qt::Key_F2);
    QLineEdit* editor = CellEditor(grid);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    Type(editor, Q("抹茶"));
    Key(editor, Qt::Key_Return);
    EXPECT_EQ(Cell(grid, 0, 1), "抹茶");
    EXPECT_EQ(grid.DataSet()->State(), dsEdit);
    EXPECT_TRUE(grid.Action_Post->isEnabled());
    EXPECT_EQ(grid.GridColor(), TForm_Grid::clMoneyGreen);
    EXPECT_EQ(Table(), before);
    // Down moves to the next record: the changed one is written
    Key(grid.DBGrid1, Qt::Key_Down);
    EXPECT_EQ(grid.DataSet()->State(), dsBrowse);
    EXPECT_EQ(Table(), "101:抹茶:150:-\n102:おにぎり 鮭:180:期間限定\n103:ノート Ａ４:240:罫線 7mm\n104:表計算ソフト解説書:2980:第3版\n");

    // a double click, a price, Tab to the next cell; a click on another record writes it
    DoubleClickCell(grid, 1, 2);
    editor = CellEditor(grid);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    Type(editor, QStringLiteral("200"));
    Key(editor, Qt::Key_Tab);
    EXPECT_EQ(grid.DBGrid1->currentIndex(), grid.Model()->index(1, 3));
    EXPECT_EQ(grid.DataSet()->State(), dsEdit);
    ClickCell(grid, 3, 0);
    EXPECT_EQ(Table(), "101:抹茶:150:-\n102:おにぎり 鮭:200:期間限定\n103:ノート Ａ４:240:罫線 7mm\n104:表計算ソフト解説書:2980:第3版\n");

    // typing straight into a cell, then Down from its editor
    ClickCell(grid, 2, 3);
    TypeIntoGrid(grid, "A4 方眼");
    ASSERT_NE(CellEditor(grid), nullptr);
    Key(CellEditor(grid), Qt::Key_Down);
    EXPECT_EQ(grid.DBGrid1->currentIndex().row(), 3);
    EXPECT_EQ(Table(), "101:抹茶:150:-\n102:おにぎり 鮭:200:期間限定\n103:ノート Ａ４:240:A4 方眼\n104:表計算ソフト解説書:2980:第3版\n");

    // Down on the last record: a new one, typed cell by cell, written when the grid moves off it
    Key(grid.DBGrid1, Qt::Key_Down);
    ASSERT_EQ(grid.Model()->rowCount(), 5);
    EXPECT_EQ(grid.DataSet()->State(), dsInsert);
    TypeRecord(grid, 4, {"105", "新商品", "500"});   // a click on the new record's cell, current already
    EXPECT_EQ(grid.DataSet()->State(), dsInsert);
    Key(grid.DBGrid1, Qt::Key_Up);
    EXPECT_EQ(grid.DataSet()->State(), dsBrowse);
    EXPECT_EQ(Table(), "101:抹茶:150:-\n102:おにぎり 鮭:200:期間限定\n103:ノート Ａ４:240:A4 方眼\n104:表計算ソフト解説書:2980:第3版\n"
                       "105:新商品:500:-\n");

    // Insert appends a record, Escape drops it untouched
    Key(grid.DBGrid1, Qt::Key_Insert);
    EXPECT_EQ(grid.Model()->rowCount(), 6);
    Key(grid.DBGrid1, Qt::Key_Escape);
    EXPECT_EQ(grid.Model()->rowCount(), 5);

    // Ctrl+Delete deletes the current record
    ClickCell(grid, 1, 1);
    Key(grid.DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table(), "101:抹茶:150:-\n103:ノート Ａ４:240:A4 方眼\n104:表計算ソフト解説書:2980:第3版\n105:新商品:500:-\n");
    EXPECT_EQ(grid.Model()->rowCount(), 4);
    EXPECT_EQ(Cell(grid, 1, 1), "ノート Ａ４");
    EXPECT_TRUE(ErrorLines(grid).empty());
    EXPECT_EQ(Flashes, 0);
}

// In update mode over a result that cannot be written, the first edit the
// user tries says why in the error editor, and nothing is written; a
// read-only grid does nothing and says nothing.
TEST_P(GridKeysTest, AnEditOfAResultThatCannotBeWrittenSaysWhy) {
    const std::string departments = "部署_" + dbtest::UniqueName("d");
    Run("CREATE TABLE " + departments + " (部署番号 INTEGER PRIMARY KEY, 部署名 VARCHAR(20))");
    Run("INSERT INTO " + departments + " VALUES (10, '営業部')");
    const char* const kReadOnly = "読み取り専用のデータセットは変更できません";
    struct TResult {
        std::string Sql;
        Lines Why;
        bool WholeResult;   // refused for every record (else only its last column, where the attempts are made)
    };
    const TResult results[] = {
        {"SELECT g.商品名, d.部署名 FROM " + Goods + " g, " + departments + " d ORDER BY 1",
         {kReadOnly, "結果に複数の表の列があります（結合した結果です）。"}, true},
        // the table read twice: 次の商品 is the name of another record than the one in the row
        {"SELECT 甲.商品番号, 甲.商品名, 乙.商品名 AS 次の商品 FROM " + Goods + " 甲 JOIN " + Goods +
             " 乙 ON 乙.商品番号 = 甲.商品番号 + 1 ORDER BY 1",
         {kReadOnly, "結果の列が表のどの列にあたるかを確かめられません（ビュー、副問い合わせ、結合などを通した結果です）。"}, true},
        {"SELECT count(*) AS 件数, max(単価) AS 最高 FROM " + Goods,
         {kReadOnly, "結果の列はどれも表の列ではありません（式や定数の列です）。"}, true},
        {"SELECT 商品番号, 単価 * 2 AS 二倍 FROM " + Goods + " ORDER BY 1",
         {"フィールド '二倍' は表の列ではないため変更できません"}, false},
    };
    struct TAttempt {
        const char* Name;
        bool OfRecords;   // an attempt on the record (Insert, Ctrl+Delete, Down on the last row)
        std::function<void(TForm_Grid&)> Try;
    };
    const TAttempt attempts[] = {
        {"F2", false, [](TForm_Grid& g) { Key(g.DBGrid1, Qt::Key_F2); }},
        {"typing", false, [](TForm_Grid& g) { TypeIntoGrid(g, "7"); }},
        {"double click", false, [](TForm_Grid& g) { DoubleClickCell(g, g.DBGrid1->currentIndex().row(), g.DBGrid1->currentIndex().column()); }},
        {"Insert", true, [](TForm_Grid& g) { Key(g.DBGrid1, Qt::Key_Insert); }},
        {"Ctrl+Delete", true, [](TForm_Grid& g) { Key(g.DBGrid1, Qt::Key_Delete, Qt::ControlModifier); }},
        {"Down on the last row", true, [](TForm_Grid& g) { Key(g.DBGrid1, Qt::Key_Down); }},
    };
    const std::string before = Table();
    for (const TResult& r : results) {
        for (const TAttempt& a : attempts) {
            if (a.OfRecords && !r.WholeResult) continue;
            for (bool update : {true, false}) {
                SCOPED_TRACE(r.Sql + " / " + a.Name + (update ? " / update mode" : " / read-only"));
                auto g = Open(r.Sql);
                const int rows = g->Model()->rowCount();
                if (update) UpdateMode(*g);
                ClickCell(*g, rows - 1, g->Model()->columnCount() - 1);
                Flashes = 0;
                a.Try(*g);
                EXPECT_EQ(CellEditor(*g), nullptr) << "no cell editor opens";
                EXPECT_EQ(g->DataSet()->State(), dsBrowse);
                EXPECT_EQ(g->Model()->rowCount(), rows);
                if (update) {
                    EXPECT_EQ(ErrorLines(*g), r.Why);
                    EXPECT_EQ(Flashes, 5);
                    // the same refusal again only flashes
                    a.Try(*g);
                    EXPECT_EQ(ErrorLines(*g), r.Why);
                    EXPECT_EQ(Flashes, 10);
                } else {
                    EXPECT_TRUE(ErrorLines(*g).empty());
                    EXPECT_EQ(Flashes, 0);
                }
            }
        }
    }
    EXPECT_EQ(Table(), before);
    Run("DROP TABLE " + departments);
}

// The error editor shows the whole of the newest message, its first line at
// the top; it is emptied (and small again) once an edit is written.
TEST_P(GridKeysTest, TheErrorEditorShowsTheWholeMessageFirstLineFirstUntilAnEditIsWritten) {
    auto g = Open("SELECT * FROM " + Goods + " ORDER BY 1");
    TForm_Grid& grid = *g;
    TKZNEditor& box = *grid.KZNEditor1;
    const int small = box.height();
    auto wholeFrom = [&](int first) {
        EXPECT_EQ(box.TopRow(), first);
        EXPECT_GE(box.TopRow() + box.VisibleRows(), box.Lines().Count()) << "the last line is in view";
    };
    UpdateMode(grid);
    // a record with a key that is taken: the database's message over several lines
    Key(grid.DBGrid1, Qt::Key_Insert);
    TypeRecord(grid, 4, {"101", "重複", "1"});
    Key(grid.DBGrid1, Qt::Key_Up);
    const Lines first = ErrorLines(grid);
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first[0], "行を追加できませんでした。");
    EXPECT_EQ(Flashes, 5);
    EXPECT_EQ(grid.DataSet()->State(), dsInsert);
    // the grid stays on the record, and shows it selected
    EXPECT_EQ(grid.DBGrid1->currentIndex().row(), 4);
    const QModelIndexList selected = grid.DBGrid1->selectionModel()->selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 4);
    wholeFrom(0);
    if (first.size() > 2) {
        EXPECT_GT(box.height(), small) << "grown to the message";
    }

    // a second message: its own first line goes to the top
    Key(grid.DBGrid1, Qt::Key_Escape);
    ClickCell(grid, 0, 0);
    Key(grid.DBGrid1, Qt::Key_F2);
    ASSERT_NE(CellEditor(grid), nullptr);
    CellEditor(grid)->selectAll();
    Type(CellEditor(grid), QStringLiteral("102"));   // a number that is taken
    Key(CellEditor(grid), Qt::Key_Return);
    Key(grid.DBGrid1, Qt::Key_Down);
    const Lines both = ErrorLines(grid);
    ASSERT_GT(both.size(), first.size());
    EXPECT_EQ(both[first.size()], "行を更新できませんでした。");
    EXPECT_EQ(grid.DBGrid1->currentIndex().row(), 0);
    wholeFrom(static_cast<int>(first.size()));

    // corrected, it is written: the messages are gone
    Key(grid.DBGrid1, Qt::Key_F2);
    ASSERT_NE(CellEditor(grid), nullptr);
    CellEditor(grid)->selectAll();
    Type(CellEditor(grid), QStringLiteral("106"));
    Key(CellEditor(grid), Qt::Key_Return);
    Key(grid.DBGrid1, Qt::Key_Down);
    EXPECT_EQ(grid.DataSet()->State(), dsBrowse);
    EXPECT_TRUE(ErrorLines(grid).empty());
    EXPECT_EQ(box.height(), small);
    EXPECT_EQ(Table(), "102:おにぎり 鮭:180:期間限定\n103:ノート Ａ４:240:罫線 7mm\n104:表計算ソフト解説書:2980:第3版\n"
                       "106:緑茶:150:-\n");

    // a table without a key holding two equal records: the change cannot find one
    const std::string loose = "商品_" + dbtest::UniqueName("n");
    Run("CREATE TABLE " + loose + " (商品番号 INTEGER, 商品名 VARCHAR(40), 単価 INTEGER, 備考 VARCHAR(40))");
    Run("INSERT INTO " + loose + " VALUES (1, '同じ', 10, NULL)");
    Run("INSERT INTO " + loose + " VALUES (1, '同じ', 10, NULL)");
    auto l = Open("SELECT * FROM " + loose);
    UpdateMode(*l);
    ClickCell(*l, 0, 2);
    TypeIntoGrid(*l, "20");
    Key(CellEditor(*l), Qt::Key_Return);
    Key(l->DBGrid1, Qt::Key_Down);
    EXPECT_EQ(ErrorLines(*l), Lines{"更新する行を一つに特定できません（該当 2 行）。同じ値の行が複数あります。"});
    EXPECT_EQ(l->KZNEditor1->TopRow(), 0);
    EXPECT_EQ(Table(loose), "1:同じ:10:-\n1:同じ:10:-\n");
    l.reset();
    Run("DROP TABLE " + loose);
}

// A value still being typed into a cell (its editor open, no Return) is taken
// by Post and by every action that ends the edit of the record: moving to
// another record (a click, the first and last buttons), adding a record, and
// deleting the grid's page. Post is enabled from the first key typed.
TEST_P(GridKeysTest, TheValueBeingTypedIsTakenByPostAndByEveryActionThatEndsTheEdit) {
    using TEnd = std::function<void(TForm_Grid&)>;
    const struct {
        const char* Name;
        TEnd End;
    } ends[] = {
        {"Post", [](TForm_Grid& g) { Click(g.ToolBar1->widgetForAction(g.Action_Post)); }},
        {"a click on another record", [](TForm_Grid& g) { ClickCell(g, 3, 0); }},
        {"先頭へ移動", [](TForm_Grid& g) { Click(g.ToolBar1->widgetForAction(g.Action_First)); }},
        {"最後へ移動", [](TForm_Grid& g) { Click(g.ToolBar1->widgetForAction(g.Action_Last)); }},
        {"レコード追加", [](TForm_Grid& g) { Click(g.ToolBar1->widgetForAction(g.Action_Add)); }},
    };
    for (const auto& end : ends) {
        SCOPED_TRACE(end.Name);
        Run("UPDATE " + Goods + " SET 商品名 = '緑茶', 単価 = 150 WHERE 商品番号 = 101");
        auto g = Open("SELECT * FROM " + Goods + " ORDER BY 1");
        UpdateMode(*g);
        ClickCell(*g, 0, 1);
        EXPECT_FALSE(g->Action_Post->isEnabled());
        TypeIntoGrid(*g, "抹茶");
        ASSERT_NE(CellEditor(*g), nullptr);
        EXPECT_TRUE(g->Action_Post->isEnabled()) << "the record is being edited";
        EXPECT_TRUE(g->Action_Cancel->isEnabled());
        Key(CellEditor(*g), Qt::Key_Tab);
        ASSERT_NE(CellEditor(*g), nullptr);
        CellEditor(*g)->selectAll();
        Type(CellEditor(*g), QStringLiteral("165"));
        end.End(*g);
        Settle();
        EXPECT_EQ(CellEditor(*g), nullptr);
        EXPECT_EQ(Table(), "101:抹茶:165:-\n102:おにぎり 鮭:180:期間限定\n103:ノート Ａ４:240:罫線 7mm\n"
                           "104:表計算ソフト解説書:2980:第3版\n");
        EXPECT_EQ(Cell(*g, 0, 2), "165");
        EXPECT_TRUE(ErrorLines(*g).empty());
    }

    // a new record typed cell by cell, the last one still in its editor, posted
    auto g = Open("SELECT * FROM " + Goods + " ORDER BY 1");
    UpdateMode(*g);
    ClickCell(*g, 3, 0);
    Key(g->DBGrid1, Qt::Key_Insert);
    ASSERT_EQ(g->DataSet()->State(), dsInsert);
    for (const char* typed : {"105", "新商品"}) {
        TypeIntoGrid(*g, typed);
        Key(CellEditor(*g), Qt::Key_Tab);
    }
    TypeIntoGrid(*g, "500");
    Click(g->ToolBar1->widgetForAction(g->Action_Post));
    Settle();
    EXPECT_EQ(g->DataSet()->State(), dsBrowse);
    EXPECT_EQ(Table(), "101:抹茶:165:-\n102:おにぎり 鮭:180:期間限定\n103:ノート Ａ４:240:罫線 7mm\n"
                       "104:表計算ソフト解説書:2980:第3版\n105:新商品:500:-\n");

    // a value the column cannot take: Post is refused with the reason, the
    // editor keeps the text to be mended, and nothing is written
    std::vector<std::string> told;
    testutil::THookScope hooks;
    hooks.Set(app::SetExceptionHandler, [&](const std::exception& e) { told.push_back(MessageOf(e)); });
    const std::string before = Table();
    ClickCell(*g, 1, 1);
    TypeIntoGrid(*g, "鮭むすび");
    Key(CellEditor(*g), Qt::Key_Tab);
    CellEditor(*g)->selectAll();
    Type(CellEditor(*g), QStringLiteral("高い"));
    for (QAction* refused : {g->Action_Post, g->Action_Last}) {
        told.clear();
        Click(g->ToolBar1->widgetForAction(refused));
        Settle();
        ASSERT_EQ(told.size(), 1u) << cp932::FromQString(refused->text());
        EXPECT_NE(told[0].find("高い"), std::string::npos) << told[0];
        ASSERT_NE(CellEditor(*g), nullptr) << cp932::FromQString(refused->text());
        EXPECT_EQ(CellEditor(*g)->text(), Q("高い"));
        EXPECT_EQ(g->DBGrid1->currentIndex(), g->Model()->index(1, 2));
        EXPECT_EQ(Table(), before);
    }
    // mended, it is written
    CellEditor(*g)->selectAll();
    Type(CellEditor(*g), QStringLiteral("190"));
    Click(g->ToolBar1->widgetForAction(g->Action_Post));
    Settle();
    EXPECT_EQ(CellEditor(*g), nullptr);
    EXPECT_EQ(Table(), "101:抹茶:165:-\n102:鮭むすび:190:期間限定\n103:ノート Ａ４:240:罫線 7mm\n"
                       "104:表計算ソフト解説書:2980:第3版\n105:新商品:500:-\n");
}

// Deleting a grid's page through its tab's menu writes the value being typed
// first; when the record cannot be written the page stays, saying why.
TEST_P(GridKeysTest, DeletingAGridPageWritesTheValueBeingTypedOrStays) {
    TResultGridPages pages;
    pages.resize(800, 400);
    pages.show();
    QApplication::setActiveWindow(&pages);
    TForm_Grid* g = pages.AddGrid(Query("SELECT * FROM " + Goods + " ORDER BY 1"), "G#1");
    g->FlashSleep = [this](int) { ++Flashes; };
    Settle();
    int menus = 0;
    testutil::THookScope hooks;
    hooks.Set(popupmenu::SetPresenter, [&](QMenu& menu, const QPoint&) -> QAction* {
        ++menus;
        EXPECT_EQ(&menu, pages.PopupMenu_PageControl);
        return pages.N1;   // "このグリッドを削除"
    });
    auto deleteByMenu = [&] {
        QTabBar* bar = pages.PageControl1->tabBar();
        const QPoint at = bar->mapTo(&pages, bar->tabRect(0).center());
        QTest::mouseMove(pages.windowHandle(), at);
        QTest::mousePress(pages.windowHandle(), Qt::RightButton, Qt::NoModifier, at);
        QTest::mouseRelease(pages.windowHandle(), Qt::RightButton, Qt::NoModifier, at);
        Settle();
    };
    UpdateMode(*g);
    // a key that is taken: the post fails, the page stays with the reason
    ClickCell(*g, 3, 0);
    TypeIntoGrid(*g, "101");
    Key(CellEditor(*g), Qt::Key_Tab);
    TypeIntoGrid(*g, "重複");
    deleteByMenu();
    EXPECT_EQ(menus, 1);
    ASSERT_EQ(pages.Count(), 1);
    EXPECT_EQ(g->DataSet()->State(), dsEdit);
    ASSERT_FALSE(ErrorLines(*g).empty());
    EXPECT_EQ(ErrorLines(*g)[0], "行を更新できませんでした。");
    // mended: the page goes and the record is written with the value being typed
    ClickCell(*g, 3, 0);
    TypeIntoGrid(*g, "104");
    Key(CellEditor(*g), Qt::Key_Tab);
    TypeIntoGrid(*g, "解説書");
    deleteByMenu();
    EXPECT_EQ(menus, 2);
    EXPECT_EQ(pages.Count(), 0);
    EXPECT_EQ(Table(), "101:緑茶:150:-\n102:おにぎり 鮭:180:期間限定\n103:ノート Ａ４:240:罫線 7mm\n"
                       "104:解説書:2980:第3版\n");
}

// In explicit-commit mode, a rollback (the 明示ロールバック button, or a
// #RollBack line) makes the grids that posted edits show the database's values
// again, in the mode they were in. A grid whose record is being edited keeps
// it and says plainly that its rows may not be what the database holds.
TEST_P(GridKeysTest, ARollbackShowsTheDatabasesValuesAgainInGridsThatPostedEdits) {
    winmsg::TMessageWindow centre;
    auto frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle());
    auto freeFrame = ScopeExit([&] {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    frame->SQLDelimiter = ';';
    frame->CommandPrefix = '#';
    frame->OnIsConnected = [this](void*, bool& c) { c = Driver.IsConnected(); };
    frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                 std::string& msg) { Driver.Execute(sender, sql, kind, ds, msg); };
    frame->OnUserCommand = [this](void* sender, TCommandInterface& c, bool& handled) {
        Driver.HandleCommand(sender, c, handled);
    };
    frame->resize(1000, 800);
    frame->show();
    QApplication::setActiveWindow(frame.get());
    Click(frame->ToolBar1->widgetForAction(frame->Action_AutoCommitToggle));   // explicit commits
    ASSERT_FALSE(frame->IsAutoCommit);
    const std::string before = Table();
    struct Case {
        const char* Name;
        std::function<void()> RollBack;
    } cases[] = {
        {"明示ロールバック", [&] { Click(frame->ToolBar1->widgetForAction(frame->Action_RollBack)); }},
        {"#RollBack", [&] { frame->ExecuteScriptText("#RollBack;\r\n#Begin;"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        frame->ExecuteScriptText("#Grid;select * from " + Goods + " order by 1;select * from " + Goods + " order by 1;");
        TResultGridPages& pages = *frame->ActiveResultPage()->Panel_PageBase;
        ASSERT_EQ(pages.Count(), 2);
        TForm_Grid& edited = *pages.Grid(0);
        TForm_Grid& other = *pages.Grid(1);
        pages.PageControl1->setCurrentIndex(0);
        Settle();
        // a name typed into a cell, posted with the button
        UpdateMode(edited);
        ClickCell(edited, 1, 1);
        TypeIntoGrid(edited, "鮭むすび");
        Click(edited.ToolBar1->widgetForAction(edited.Action_Post));
        Settle();
        ASSERT_EQ(Cell(edited, 1, 1), "鮭むすび");
        ASSERT_NE(Table(), before) << "posted in the transaction";
        const TDataSet* otherRows = other.DataSet();
        const int otherRowsRead = other.Model()->rowCount();

        c.RollBack();
        Settle();
        EXPECT_EQ(Table(), before);
        EXPECT_EQ(Cell(edited, 1, 1), "おにぎり 鮭");
        EXPECT_FALSE(edited.GridReadOnly()) << "still in update mode";
        EXPECT_EQ(edited.DBGrid1->currentIndex().row(), 1);
        EXPECT_FALSE(edited.RowsStale());
        EXPECT_TRUE(ErrorLines(edited).empty());
        EXPECT_EQ(other.DataSet(), otherRows);
        EXPECT_EQ(other.Model()->rowCount(), otherRowsRead);

        // posted again, then a record being edited when the rollback comes: it is
        // kept, and the grid says its rows may differ, until they are read again
        ClickCell(edited, 0, 3);
        TypeIntoGrid(edited, "新茶");
        Click(edited.ToolBar1->widgetForAction(edited.Action_Post));
        ClickCell(edited, 2, 1);
        TypeIntoGrid(edited, "ノート");
        c.RollBack();
        Settle();
        EXPECT_EQ(Table(), before);
        EXPECT_TRUE(edited.RowsStale());
        EXPECT_EQ(ErrorLines(edited), Lines{"ロールバックされました。このグリッドの行はデータベースの値と異なる可能性があります"
                                            "（再読み込みで読み直せます）。"});
        ASSERT_NE(CellEditor(edited), nullptr);
        EXPECT_EQ(CellEditor(edited)->text(), Q("ノート"));
        Click(edited.ToolBar1->widgetForAction(edited.Action_Refresh));
        Settle();
        EXPECT_FALSE(edited.RowsStale());
        EXPECT_EQ(Cell(edited, 0, 3), "<NULL>");
        EXPECT_EQ(Cell(edited, 2, 1), "ノート Ａ４");
        frame->ResultSeetManager->ClearActiveSheet();
    }
}

}  // namespace
