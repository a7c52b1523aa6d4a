// The grid window: cells of a dataset, its actions and colours, errors of
// posting shown under the grid, edits written to SQLite and PostgreSQL, and
// grid output of the result pages.
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

#include "AppException.h"
#include "CP932Qt.h"
#include "ClientTestUtil.h"
#include "DbTestUtil.h"
#include "OdbcTestUtil.h"
#include "MemDataSet.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "QtTestApp.h"
#include "TestUtil.h"
#include "U_ADODriver.h"
#include "U_Form_Grid.h"
#include "U_Form_Result.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"

namespace {

using Lines = std::vector<std::string>;

// A dataset in memory whose posts and deletes can be made to fail, and which tells when it is freed.
class TTestDataSet : public TMemDataSet {
public:
    ~TTestDataSet() override {
        if (Freed) *Freed = true;
    }
    bool* Freed = nullptr;
    std::string PostError;
    int HelpContext = 0;
    bool UniDirectional = false;
    bool IsUniDirectional() const override { return UniDirectional; }

protected:
    void InternalPost() override {
        if (!PostError.empty()) throw EDatabaseError(PostError, HelpContext);
        TMemDataSet::InternalPost();
    }
    void InternalDelete() override {
        if (!PostError.empty()) throw EDatabaseError(PostError, HelpContext);
        TMemDataSet::InternalDelete();
    }
};

std::unique_ptr<TTestDataSet> People(bool open = true) {
    auto d = std::make_unique<TTestDataSet>();
    d->FieldDefs().Add("番号", ftInteger);
    d->FieldDefs().Add("名前", ftString, 20);
    d->FieldDefs().Add("備考", ftString, 20);
    d->AddRow({TVariant(1), TVariant("山田"), TVariant("")});
    d->AddRow({TVariant(2), TVariant("ｶﾀｶﾅ"), TVariant()});
    d->AddRow({TVariant(3), TVariant("表示"), TVariant("x")});
    if (open) d->Open();
    return d;
}

std::string Cell(TForm_Grid& g, int row, int col) {
    QVariant v = g.Model()->data(g.Model()->index(row, col));
    return v.isValid() ? cp932::FromQString(v.toString()) : std::string("<NULL>");
}

bool SetCell(TForm_Grid& g, int row, int col, const std::string& text) {
    g.DBGrid1->setCurrentIndex(g.Model()->index(row, col));
    return g.Model()->setData(g.Model()->index(row, col), cp932::ToQString(text));
}

Lines ErrorLines(TForm_Grid& g) { return TStringList(g.KZNEditor1->Lines().GetText()).Items; }

struct GridTest : ::testing::Test, testutil::WithApp {
    std::unique_ptr<TForm_Grid> Make(std::unique_ptr<TDataSet> d) {
        auto g = std::make_unique<TForm_Grid>(nullptr, std::move(d));
        g->FlashSleep = [this, gp = g.get()](int ms) {
            Flashes.push_back(gp->KZNEditor1->Color());
            EXPECT_EQ(ms, 50);
        };
        g->resize(600, 400);
        return g;
    }
    std::vector<TColor> Flashes;
};

TEST_F(GridTest, CellsShowTheRecordsWithNullApartFromEmptyText) {
    auto g = Make(People());
    TDataSetGridModel& m = *g->Model();
    ASSERT_EQ(m.rowCount(), 3);
    ASSERT_EQ(m.columnCount(), 3);
    EXPECT_EQ(cp932::FromQString(m.headerData(1, Qt::Horizontal).toString()), "名前");
    EXPECT_EQ(Cell(*g, 0, 0), "1");
    EXPECT_EQ(Cell(*g, 0, 1), "山田");
    EXPECT_EQ(Cell(*g, 0, 2), "");
    EXPECT_EQ(Cell(*g, 1, 1), "ｶﾀｶﾅ");
    EXPECT_EQ(Cell(*g, 1, 2), "<NULL>");
    EXPECT_EQ(Cell(*g, 2, 1), "表示");
    EXPECT_EQ(m.data(m.index(0, 0), Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    // reading cells does not move the dataset
    EXPECT_EQ(g->DataSet()->RecNo(), 1);
    const QString arrow = QString::fromUtf16(u"▶");
    EXPECT_EQ(m.headerData(0, Qt::Vertical).toString(), arrow);
    EXPECT_EQ(m.headerData(1, Qt::Vertical).toString(), QString());
}

TEST_F(GridTest, ANewWindowIsReadOnly) {
    auto g = Make(People());
    EXPECT_TRUE(g->GridReadOnly());
    EXPECT_FALSE(g->Action_UpdateTggle->isChecked());
    EXPECT_FALSE(g->Action_Add->isEnabled());
    EXPECT_FALSE(g->Action_Delete->isEnabled());
    EXPECT_FALSE(g->Action_Post->isEnabled());
    EXPECT_FALSE(g->Action_Cancel->isEnabled());
    EXPECT_TRUE(g->Action_First->isEnabled());
    EXPECT_TRUE(g->Action_Last->isEnabled());
    EXPECT_EQ(g->GridFontColor(), clWindowText);
    EXPECT_EQ(g->GridColor(), clWindow);
    EXPECT_FALSE(g->Model()->flags(g->Model()->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(SetCell(*g, 0, 1, "changed"));
    EXPECT_EQ(Cell(*g, 0, 1), "山田");
    EXPECT_TRUE(ErrorLines(*g).empty());
    const Lines captions = {"更新モード変更", "再読み込み", "先頭へ移動", "Post", "レコード削除", "変更キャンセル", "最後へ移動", "レコード追加"};
    const QAction* actions[] = {g->Action_UpdateTggle, g->Action_Refresh, g->Action_First, g->Action_Post,
                                g->Action_Delete, g->Action_Cancel, g->Action_Last, g->Action_Add};
    for (size_t i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(cp932::FromQString(actions[i]->text()), captions[i]);
        EXPECT_EQ(actions[i]->toolTip(), actions[i]->text());
    }
}

TEST_F(GridTest, AnEmptyDataSetMovesNowhereAndAddsOnlyInUpdateMode) {
    auto d = std::make_unique<TTestDataSet>();
    d->FieldDefs().Add("n", ftInteger);
    d->Open();
    auto g = Make(std::move(d));
    g->Action_FirstExecute();
    g->Action_LastExecute();
    g->Action_DeleteExecute();
    EXPECT_EQ(g->DataSet()->State(), dsBrowse);
    EXPECT_FALSE(g->Action_Delete->isEnabled());
    EXPECT_FALSE(g->Action_Add->isEnabled());
    g->Action_UpdateTggleExecute();
    EXPECT_TRUE(g->Action_Add->isEnabled());
    EXPECT_FALSE(g->Action_Delete->isEnabled());
    g->Action_AddExecute();
    EXPECT_EQ(g->Model()->rowCount(), 1);
    EXPECT_EQ(cp932::FromQString(g->Model()->headerData(0, Qt::Vertical).toString()), "*");
    ASSERT_TRUE(SetCell(*g, 0, 0, "7"));
    g->Action_PostExecute();
    EXPECT_EQ(g->DataSet()->State(), dsBrowse);
    EXPECT_EQ(static_cast<TMemDataSet*>(g->DataSet())->RowCount(), 1);
    EXPECT_EQ(Cell(*g, 0, 0), "7");
}

TEST_F(GridTest, UpdateModeEditsPostsAndCancelsWithItsColours) {
    auto g = Make(People());
    g->Action_UpdateTggle->trigger();
    EXPECT_FALSE(g->GridReadOnly());
    EXPECT_TRUE(g->Action_UpdateTggle->isChecked());
    EXPECT_EQ(g->GridFontColor(), clRed);
    EXPECT_EQ(g->DBGrid1->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(g->DBGrid1->horizontalHeader()->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_TRUE(g->Action_Add->isEnabled());
    EXPECT_TRUE(g->Action_Delete->isEnabled());
    EXPECT_FALSE(g->Action_Post->isEnabled());

    ASSERT_TRUE(SetCell(*g, 1, 2, "備考あり"));
    EXPECT_EQ(g->DataSet()->State(), dsEdit);
    EXPECT_EQ(g->GridColor(), TForm_Grid::clMoneyGreen);
    EXPECT_EQ(g->DBGrid1->palette().color(QPalette::Base), QColor(0xC0, 0xDC, 0xC0));
    EXPECT_TRUE(g->Action_Post->isEnabled());
    EXPECT_TRUE(g->Action_Cancel->isEnabled());
    EXPECT_EQ(cp932::FromQString(g->Model()->headerData(1, Qt::Vertical).toString()), "I");
    g->Action_Post->trigger();
    EXPECT_EQ(g->DataSet()->State(), dsBrowse);
    EXPECT_EQ(g->GridColor(), clWindow);
    EXPECT_EQ(static_cast<TMemDataSet*>(g->DataSet())->Row(1)[2].AsString(), "備考あり");

    ASSERT_TRUE(SetCell(*g, 2, 1, "取消"));
    g->Action_Cancel->trigger();
    EXPECT_EQ(Cell(*g, 2, 1), "表示");
    EXPECT_EQ(g->GridColor(), clWindow);

    // switching back drops the pending change
    ASSERT_TRUE(SetCell(*g, 0, 1, "捨てる"));
    g->Action_UpdateTggle->trigger();
    EXPECT_TRUE(g->GridReadOnly());
    EXPECT_EQ(g->GridFontColor(), clWindowText);
    EXPECT_EQ(g->DataSet()->State(), dsBrowse);
    EXPECT_EQ(Cell(*g, 0, 1), "山田");
    EXPECT_EQ(g->GridColor(), clWindow);
}

TEST_F(GridTest, MovingToAnotherRowPostsTheEditedRecord) {
    auto g = Make(People());
    g->Action_UpdateTggleExecute();
    ASSERT_TRUE(SetCell(*g, 0, 1, "移動前"));
    g->DBGrid1->setCurrentIndex(g->Model()->index(2, 1));
    EXPECT_EQ(g->DataSet()->State(), dsBrowse);
    EXPECT_EQ(g->DataSet()->RecNo(), 3);
    EXPECT_EQ(static_cast<TMemDataSet*>(g->DataSet())->Row(0)[1].AsString(), "移動前");
    // a value the field cannot take is refused, the record left as it was
    std::vector<std::string> errors;
    {
        testutil::THookScope hooks;
        hooks.Set(app::SetExceptionHandler,
                  [&](const std::exception& e) { errors.push_back(static_cast<const Exception&>(e).Message); });
        EXPECT_FALSE(SetCell(*g, 2, 0, "abc"));
    }
    EXPECT_EQ(errors, Lines{"'abc' は有効な整数値ではありません"});
    EXPECT_EQ(Cell(*g, 2, 0), "3");
}

TEST_F(GridTest, APostErrorIsShownTheRecordStaysInEditingAndTheEditorFlashes) {
    auto d = People();
    TTestDataSet* ds = d.get();
    auto g = Make(std::move(d));
    g->Action_UpdateTggleExecute();
    const TColor former = g->KZNEditor1->Color();
    ds->PostError = "一意制約に違反しました";
    ASSERT_TRUE(SetCell(*g, 0, 1, "重複"));
    g->Action_PostExecute();
    EXPECT_EQ(ErrorLines(*g), Lines{"一意制約に違反しました"});
    EXPECT_EQ(Flashes, (std::vector<TColor>{clRed, former, clRed, former, clRed}));
    EXPECT_EQ(g->KZNEditor1->Color(), former);
    EXPECT_FALSE(g->Flashing);
    EXPECT_EQ(ds->State(), dsEdit);
    EXPECT_EQ(Cell(*g, 0, 1), "重複");
    EXPECT_TRUE(g->Action_Post->isEnabled());
    EXPECT_TRUE(g->Action_Cancel->isEnabled());
    EXPECT_EQ(g->GridColor(), TForm_Grid::clMoneyGreen);

    // moving off the record posts it: the error again, and the grid stays on the record
    ds->HelpContext = 5;
    g->DBGrid1->setCurrentIndex(g->Model()->index(2, 1));
    EXPECT_EQ(ErrorLines(*g), (Lines{"一意制約に違反しました", "一意制約に違反しました(HelpConText: 5)"}));
    EXPECT_EQ(g->DBGrid1->currentIndex().row(), 0);
    EXPECT_EQ(ds->State(), dsEdit);
    EXPECT_EQ(Cell(*g, 0, 1), "重複");

    // a failed delete is shown the same way
    g->Action_CancelExecute();
    g->Action_DeleteExecute();
    EXPECT_EQ(ErrorLines(*g).back(), "一意制約に違反しました(HelpConText: 5)");
    EXPECT_EQ(ErrorLines(*g).size(), 3u);
    EXPECT_EQ(ds->RowCount(), 3);
}

TEST_F(GridTest, RefreshOfAClosedDataSetSaysSoAndTheWindowStays) {
    auto g = Make(People());
    g->DataSet()->Close();
    g->Action_RefreshExecute();
    EXPECT_EQ(ErrorLines(*g), Lines{"EFormGrid:切断されたグリッドは更新できません。"});
    EXPECT_EQ(Flashes.size(), 5u);
    EXPECT_FALSE(g->Busy);
    EXPECT_FALSE(g->Action_First->isEnabled());
    EXPECT_TRUE(g->Action_Refresh->isEnabled());
    g->Action_FirstExecute();
    g->Action_AddExecute();
    EXPECT_FALSE(g->DataSet()->Active());
}

TEST_F(GridTest, ADataSetThatIsNotOpenIsRefusedAndFreed) {
    bool freed = false;
    auto d = People(false);
    d->Freed = &freed;
    try {
        TForm_Grid g(nullptr, std::move(d));
        FAIL() << "created";
    } catch (const EFormGrid& e) {
        EXPECT_EQ(e.Message, "内部エラー：オープンしていないデータセットをグリッド表示しようとしました");
    }
    EXPECT_TRUE(freed);
    // and the window frees its dataset
    freed = false;
    auto d2 = People();
    d2->Freed = &freed;
    Make(std::move(d2)).reset();
    EXPECT_TRUE(freed);
}

TEST_F(GridTest, TheWheelScrollsOneLineMoreOnlyWhileTheGridHasTheFocus) {
    auto d = std::make_unique<TTestDataSet>();
    d->FieldDefs().Add("n", ftInteger);
    for (int i = 0; i < 500; ++i) d->AddRow({TVariant(i)});
    d->Open();
    auto g = Make(std::move(d));
    g->show();
    g->activateWindow();
    QApplication::setActiveWindow(g.get());
    QScrollBar* bar = g->DBGrid1->verticalScrollBar();
    auto turn = [&](int dy) {
        bar->setValue(100);
        QPoint at(10, 10);
        QWheelEvent e(at, g->DBGrid1->viewport()->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(g->DBGrid1->viewport(), &e);
        return bar->value() - 100;
    };
    g->KZNEditor1->setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(g->DBGrid1->hasFocus());
    const int ownUp = turn(120), ownDown = turn(-120);
    g->DBGrid1->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(g->DBGrid1->hasFocus());
    EXPECT_EQ(turn(120), ownUp - 1);
    EXPECT_EQ(turn(-120), ownDown + 1);
}

// ---------------------------------------------------------------------------
// Edits written to the database

using dbtest::Db;

struct GridDbTest : ::testing::TestWithParam<Db>, testutil::WithApp {
    TOdbcConnection Conn;
    std::string Table;
    std::vector<TColor> Flashes;
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        Conn.SetConnectionString(dbtest::ConnFor(GetParam(), "griddb"));
        Conn.Open();
        Table = dbtest::UniqueName("g");
        Exec("create table " + Table + " (id integer primary key, name varchar(20) not null, memo varchar(20))");
        Exec("insert into " + Table + " values (1, '一', NULL)");
        Exec("insert into " + Table + " values (2, '二', 'メモ')");
    }
    void TearDown() override {
        try {
            if (Conn.Connected()) Exec("drop table " + Table);
        } catch (...) {
        }
    }
    void Exec(const std::string& sql) { odbctest::Exec(Conn, sql); }
    std::unique_ptr<TForm_Grid> Open() {
        auto q = std::make_unique<TOdbcQuery>(&Conn);
        q->SetParamCheck(false);
        q->SetSQL("select id, name, memo from " + Table + " order by id");
        q->Open();
        auto g = std::make_unique<TForm_Grid>(nullptr, std::move(q));
        g->FlashSleep = [this, gp = g.get()](int) { Flashes.push_back(gp->KZNEditor1->Color()); };
        return g;
    }
    std::string Rows() {
        TOdbcQuery q(&Conn);
        q.SetParamCheck(false);
        q.SetSQL("select id, name, memo from " + Table + " order by id");
        q.Open();
        std::string out;
        for (; !q.Eof(); q.Next())
            out += q.Fields(0).AsString() + ":" + q.Fields(1).AsString() + ":" +
                   (q.Fields(2).IsNull() ? "-" : q.Fields(2).AsString()) + "\n";
        return out;
    }
};

INSTANTIATE_TEST_SUITE_P(Both, GridDbTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

TEST_P(GridDbTest, EditsInTheGridAreWrittenToTheTable) {
    auto g = Open();
    EXPECT_EQ(Cell(*g, 0, 2), "<NULL>");
    EXPECT_EQ(Cell(*g, 1, 2), "メモ");
    g->Action_UpdateTggleExecute();
    ASSERT_TRUE(SetCell(*g, 0, 2, "日本語のメモ"));
    g->Action_PostExecute();
    EXPECT_EQ(Rows(), "1:一:日本語のメモ\n2:二:メモ\n");
    EXPECT_EQ(Cell(*g, 0, 2), "日本語のメモ");

    g->Action_AddExecute();
    ASSERT_EQ(g->Model()->rowCount(), 3);
    ASSERT_TRUE(SetCell(*g, 2, 0, "3"));
    ASSERT_TRUE(SetCell(*g, 2, 1, "三"));
    g->Action_PostExecute();
    EXPECT_EQ(Rows(), "1:一:日本語のメモ\n2:二:メモ\n3:三:-\n");

    g->DBGrid1->setCurrentIndex(g->Model()->index(1, 0));
    g->Action_DeleteExecute();
    EXPECT_EQ(Rows(), "1:一:日本語のメモ\n3:三:-\n");
    EXPECT_EQ(g->Model()->rowCount(), 2);
    EXPECT_EQ(Cell(*g, 1, 1), "三");
    EXPECT_TRUE(ErrorLines(*g).empty());
}

// Text CP932 cannot hold is "?" in the cells, and the message area says which characters.
TEST_P(GridDbTest, CharactersCP932CannotHoldAreSaidUnderTheGrid) {
    const bool pg = GetParam() == Db::PostgreSQL;
    const std::string sql = pg ? "select chr(134071) || '野家' as a, chr(54620) || chr(44397) as b, 'ok' as c"
                               : "select char(134071) || '野家' as a, char(54620, 44397) as b, 'ok' as c";
    auto q = std::make_unique<TOdbcQuery>(&Conn);
    q->SetParamCheck(false);
    q->SetSQL(sql);
    q->Open();
    auto g = std::make_unique<TForm_Grid>(nullptr, std::move(q));
    EXPECT_EQ(Cell(*g, 0, 0), "?野家");
    EXPECT_EQ(Cell(*g, 0, 1), "??");
    EXPECT_EQ(ErrorLines(*g),
              Lines{"結果の文字のうち、シフトJISで表せない 3 文字を \"?\" に置き換えました：U+20BB7、U+D55C、U+AD6D"});
    // a result that lost nothing says nothing
    auto clean = std::make_unique<TOdbcQuery>(&Conn);
    clean->SetParamCheck(false);
    clean->SetSQL("select '野家' as a");
    clean->Open();
    TForm_Grid quiet(nullptr, std::move(clean));
    EXPECT_TRUE(ErrorLines(quiet).empty());
}

TEST_P(GridDbTest, ADatabaseErrorOnPostIsShownAndTheTypedValuesStay) {
    auto g = Open();
    g->Action_UpdateTggleExecute();
    g->Action_AddExecute();
    ASSERT_TRUE(SetCell(*g, 2, 0, "1"));   // the key of an existing record, and no name
    g->Action_PostExecute();
    const Lines shown = ErrorLines(*g);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], "行を追加できませんでした。");   // then the database's own words
    EXPECT_EQ(Flashes.size(), 5u);
    EXPECT_EQ(g->DataSet()->State(), dsInsert);
    EXPECT_EQ(Cell(*g, 2, 0), "1");
    EXPECT_EQ(Rows(), "1:一:-\n2:二:メモ\n");
    // corrected, it goes in, and the error is over
    ASSERT_TRUE(SetCell(*g, 2, 0, "9"));
    ASSERT_TRUE(SetCell(*g, 2, 1, "九"));
    g->Action_PostExecute();
    EXPECT_EQ(g->DataSet()->State(), dsBrowse);
    EXPECT_EQ(Rows(), "1:一:-\n2:二:メモ\n9:九:-\n");
    EXPECT_TRUE(ErrorLines(*g).empty());
    // a refresh re-reads the table, read-only again
    Exec("update " + Table + " set name = '外から' where id = 2");
    g->Action_UpdateTggleExecute();
    g->Action_UpdateTggleExecute();
    g->Action_RefreshExecute();
    EXPECT_TRUE(g->GridReadOnly());
    EXPECT_EQ(Cell(*g, 1, 1), "外から");
    EXPECT_TRUE(ErrorLines(*g).empty());
}

// The grid's own keys: a key sent to the grid as the user's keyboard would.
void PressKey(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(target, &release);
}

TEST_P(GridDbTest, InsertCtrlDeleteAndDownOnTheLastRowWriteToTheTable) {
    auto g = Open();
    g->resize(600, 400);
    g->show();
    QApplication::setActiveWindow(g.get());   // the cell editor takes the focus on a real display too
    g->Action_UpdateTggleExecute();
    g->DBGrid1->setFocus();
    g->DBGrid1->setCurrentIndex(g->Model()->index(0, 1));
    PressKey(g->DBGrid1, Qt::Key_Down);   // not the last row: an ordinary move
    EXPECT_EQ(g->DBGrid1->currentIndex().row(), 1);
    EXPECT_EQ(g->Model()->rowCount(), 2);

    PressKey(g->DBGrid1, Qt::Key_Down);   // the last row: a new record
    ASSERT_EQ(g->Model()->rowCount(), 3);
    EXPECT_EQ(g->DataSet()->State(), dsInsert);
    PressKey(g->DBGrid1, Qt::Key_Down);   // an untouched new record gets no second one
    EXPECT_EQ(g->Model()->rowCount(), 3);

    // typed into the cell editor, then Down: the record goes in and another follows
    ASSERT_TRUE(SetCell(*g, 2, 1, "三"));
    g->DBGrid1->setCurrentIndex(g->Model()->index(2, 0));
    g->DBGrid1->edit(g->Model()->index(2, 0));
    QApplication::processEvents();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("3"));
    PressKey(editor, Qt::Key_Down);
    EXPECT_EQ(Rows(), "1:一:-\n2:二:メモ\n3:三:-\n");
    EXPECT_EQ(g->Model()->rowCount(), 4);
    EXPECT_EQ(g->DataSet()->State(), dsInsert);
    PressKey(g->DBGrid1, Qt::Key_Escape);
    EXPECT_EQ(g->Model()->rowCount(), 3);

    PressKey(g->DBGrid1, Qt::Key_Insert);
    ASSERT_EQ(g->Model()->rowCount(), 4);
    ASSERT_TRUE(SetCell(*g, 3, 0, "4"));
    ASSERT_TRUE(SetCell(*g, 3, 1, "四"));
    PressKey(g->DBGrid1, Qt::Key_Insert);   // posts the one typed in, appends the next
    EXPECT_EQ(Rows(), "1:一:-\n2:二:メモ\n3:三:-\n4:四:-\n");
    PressKey(g->DBGrid1, Qt::Key_Escape);

    g->DBGrid1->setCurrentIndex(g->Model()->index(0, 0));
    PressKey(g->DBGrid1, Qt::Key_Delete);   // without Ctrl: not a record deletion
    EXPECT_EQ(Rows(), "1:一:-\n2:二:メモ\n3:三:-\n4:四:-\n");
    PressKey(g->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Rows(), "2:二:メモ\n3:三:-\n4:四:-\n");
    EXPECT_EQ(g->Model()->rowCount(), 3);
    EXPECT_EQ(Cell(*g, 0, 1), "二");
    EXPECT_TRUE(ErrorLines(*g).empty());
}

TEST_P(GridDbTest, DownOnANewRecordThatFailsToPostShowsTheErrorAndAddsNoOther) {
    auto g = Open();
    g->Action_UpdateTggleExecute();
    PressKey(g->DBGrid1, Qt::Key_Insert);
    ASSERT_EQ(g->Model()->rowCount(), 3);
    ASSERT_TRUE(SetCell(*g, 2, 0, "1"));   // the key of an existing record, and no name
    PressKey(g->DBGrid1, Qt::Key_Down);
    const Lines shown = ErrorLines(*g);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], "行を追加できませんでした。");
    EXPECT_EQ(Flashes.size(), 5u);
    EXPECT_EQ(g->DataSet()->State(), dsInsert);
    EXPECT_EQ(g->Model()->rowCount(), 3);
    EXPECT_EQ(Cell(*g, 2, 0), "1");
    EXPECT_EQ(Rows(), "1:一:-\n2:二:メモ\n");
}

// The keys are refused where their menu actions are: in a read-only grid
// nothing happens; on a result of two tables the key fails as the menu
// action fails, with the same words in the same place: the error editor.
TEST_P(GridDbTest, GridKeysAreRefusedAsTheirMenuActionsAre) {
    std::vector<std::string> handled;
    testutil::THookScope hooks;
    hooks.Set(app::SetExceptionHandler, [&](const std::exception& e) {
        auto* x = dynamic_cast<const Exception*>(&e);
        handled.push_back(x ? x->Message : e.what());
    });
    struct Case {
        const char* what;
        bool join;
        bool update;
        int key;
        Qt::KeyboardModifiers mods;
        QAction* TForm_Grid::*action;
    };
    const Case cases[] = {
        {"read-only Insert", false, false, Qt::Key_Insert, Qt::NoModifier, &TForm_Grid::Action_Add},
        {"read-only Ctrl+Delete", false, false, Qt::Key_Delete, Qt::ControlModifier, &TForm_Grid::Action_Delete},
        {"read-only Down", false, false, Qt::Key_Down, Qt::NoModifier, &TForm_Grid::Action_Add},
        {"two tables Insert", true, true, Qt::Key_Insert, Qt::NoModifier, &TForm_Grid::Action_Add},
        {"two tables Ctrl+Delete", true, true, Qt::Key_Delete, Qt::ControlModifier, &TForm_Grid::Action_Delete},
        {"two tables Down", true, true, Qt::Key_Down, Qt::NoModifier, &TForm_Grid::Action_Add},
    };
    Exec("create table " + Table + "_j (id integer, note varchar(10))");
    Exec("insert into " + Table + "_j values (1, 'x')");
    Exec("insert into " + Table + "_j values (2, 'y')");
    const std::string before = Rows();
    for (const Case& c : cases) {
        auto open = [&] {
            std::unique_ptr<TForm_Grid> g;
            if (c.join) {
                auto q = std::make_unique<TOdbcQuery>(&Conn);
                q->SetParamCheck(false);
                q->SetSQL("select a.id, a.name, b.note from " + Table + " a join " + Table + "_j b on a.id = b.id order by a.id");
                q->Open();
                g = std::make_unique<TForm_Grid>(nullptr, std::move(q));
                g->FlashSleep = [](int) {};
            } else {
                g = Open();
            }
            if (c.update) g->Action_UpdateTggleExecute();
            g->DBGrid1->setCurrentIndex(g->Model()->index(1, 0));
            return g;
        };
        // the menu action
        handled.clear();
        auto viaMenu = open();
        ((*viaMenu).*c.action)->trigger();
        const std::vector<std::string> menuHandled = handled;
        const Lines menuShown = ErrorLines(*viaMenu);
        // the key
        handled.clear();
        auto viaKey = open();
        PressKey(viaKey->DBGrid1, c.key, c.mods);
        EXPECT_EQ(handled, menuHandled) << c.what;
        EXPECT_EQ(ErrorLines(*viaKey), menuShown) << c.what;
        EXPECT_EQ(viaKey->Model()->rowCount(), 2) << c.what;
        EXPECT_EQ(viaKey->DataSet()->State(), dsBrowse) << c.what;
        if (c.join) {
            // refused with the dataset's own words: that it cannot be changed, and why
            EXPECT_TRUE(handled.empty()) << c.what;
            EXPECT_EQ(menuShown, (Lines{"読み取り専用のデータセットは変更できません",
                                        "結果に複数の表の列があります（結合した結果です）。"}))
                << c.what;
        } else {
            EXPECT_TRUE(handled.empty()) << c.what;
            EXPECT_TRUE(menuShown.empty()) << c.what;
        }
    }
    hooks.Restore();
    EXPECT_EQ(Rows(), before);
    Exec("drop table " + Table + "_j");
}

// Columns shown under aliases stay editable and are written to the columns
// they stand for; an expression stays read-only.
TEST_P(GridDbTest, AnAliasedColumnIsEditedThroughTheGrid) {
    auto q = std::make_unique<TOdbcQuery>(&Conn);
    q->SetParamCheck(false);
    q->SetSQL("select id as \"番.号\", name as \"名.前\", memo || '!' as memo from " + Table + " order by id");
    q->Open();
    TForm_Grid g(nullptr, std::move(q));
    g.FlashSleep = [](int) {};
    EXPECT_EQ(cp932::FromQString(g.Model()->headerData(1, Qt::Horizontal).toString()), "名.前");
    g.Action_UpdateTggleExecute();
    ASSERT_TRUE(SetCell(g, 1, 1, "にに"));
    g.Action_PostExecute();
    EXPECT_TRUE(ErrorLines(g).empty());
    EXPECT_EQ(Rows(), "1:一:-\n2:にに:メモ\n");
    g.DBGrid1->setCurrentIndex(g.Model()->index(0, 2));
    EXPECT_FALSE(SetCell(g, 0, 2, "x"));
    g.Action_PostExecute();
    EXPECT_EQ(Rows(), "1:一:-\n2:にに:メモ\n");
}

// ---------------------------------------------------------------------------
// Grid output of a result page

struct TTestFrame : TFrameSQLClient {
    using TFrameSQLClient::TFrameSQLClient;
    TResultConsole* ActiveResultConsole() override { return &Console; }
    clienttest::TLinesConsole Console;
};

struct GridModeTest : ::testing::Test, testutil::WithApp {
    winmsg::TMessageWindow centre;
    std::unique_ptr<TTestFrame> frame;
    TADODriver driver;
    GridModeTest() {
        frame = std::make_unique<TTestFrame>(nullptr, centre.Handle());
        frame->SQLDelimiter = ';';
        frame->CommandPrefix = '#';
        frame->ImportScriptFileNamePrefix = '@';
        frame->ActiveResultPage()->SetConsole(&frame->Console);
        driver.ConnectByConnectionString(dbtest::SqliteConn("gridmode"), "test");
        frame->OnIsConnected = [this](void*, bool& c) { c = driver.IsConnected(); };
        frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                     std::string& msg) {
            driver.Execute(sender, sql, kind, ds, msg);
            msg = msg.substr(0, msg.find("件") + 2);
        };
        frame->ExecuteScriptText("create table t (n integer, s varchar(10));");
        frame->ExecuteScriptText("insert into t values (1, 'あ');");
        frame->ExecuteScriptText("insert into t values (2, NULL);");
        frame->Console.Lines.Clear();
    }
    ~GridModeTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TResultGridPages& Pages() { return *frame->ActiveResultPage()->Panel_PageBase; }
};

TEST_F(GridModeTest, TheGridCommandSendsResultsToGridPages) {
    frame->ExecuteScriptText("#Grid;select n, s from t;select s from t where n = 2;");
    TForm_Result* page = frame->ActiveResultPage();
    EXPECT_EQ(page->OutputMode(), rom_Grid);
    EXPECT_TRUE(page->Action_Mode_Grid->isChecked());
    EXPECT_EQ(frame->Console.Lines.Items,
              (Lines{"", "■GRID OUT■ G#1", "", "結果:2件", "", "■GRID OUT■ G#2", "", "結果:1件"}));
    EXPECT_EQ(page->StartLines, (std::vector<int>{2, 6}));
    ASSERT_EQ(Pages().Count(), 2);
    EXPECT_EQ(Pages().Caption(0), "G#1");
    EXPECT_EQ(Pages().Caption(1), "G#2");
    EXPECT_EQ(Pages().PageControl1->currentIndex(), 1);
    EXPECT_FALSE(Pages().isHidden());
    TForm_Grid* g1 = Pages().Grid(0);
    EXPECT_EQ(g1->Model()->rowCount(), 2);
    EXPECT_EQ(Cell(*g1, 0, 1), "あ");
    EXPECT_EQ(Cell(*g1, 1, 1), "<NULL>");
    EXPECT_EQ(Cell(*Pages().Grid(1), 0, 0), "<NULL>");
    EXPECT_EQ(page->GridCounter, 2);

    // the menu: grids whose dataset is closed, the others, all
    frame->ExecuteScriptText("select n from t;");
    ASSERT_EQ(Pages().Count(), 3);
    Pages().Grid(0)->DataSet()->Close();
    Pages().PageControl1->setCurrentIndex(1);
    Pages().N5->trigger();
    ASSERT_EQ(Pages().Count(), 2);
    EXPECT_EQ(Pages().Caption(Pages().PageControl1->currentIndex()), "G#2");
    Pages().N6->trigger();
    ASSERT_EQ(Pages().Count(), 2);   // nothing before the first
    Pages().PageControl1->setCurrentIndex(1);
    Pages().N6->trigger();
    ASSERT_EQ(Pages().Count(), 1);
    EXPECT_EQ(Pages().Caption(0), "G#3");
    frame->ResultSeetManager->ClearActiveSheet();
    EXPECT_EQ(Pages().Count(), 0);
    EXPECT_TRUE(Pages().isHidden());
    EXPECT_TRUE(frame->Console.Lines.Items.empty());
}

TEST_F(GridModeTest, AUniDirectionalDataSetIsRefused) {
    TForm_Result* page = frame->ActiveResultPage();
    page->SetOutputMode(rom_Grid);
    bool freed = false;
    auto d = People();
    d->UniDirectional = true;
    d->Freed = &freed;
    page->ShowDataSet(std::move(d), false);
    EXPECT_EQ(frame->Console.Lines.Items, Lines{"■単方向データセットはグリッド出力できません。"});
    EXPECT_EQ(Pages().Count(), 0);
    EXPECT_TRUE(freed);
    EXPECT_EQ(page->GridCounter, 0);
    // a prefix of the settings names the tabs
    frame->GridCaptionPrefix = "表";
    page->ShowDataSet(People(), false);
    EXPECT_EQ(frame->Console.Lines.Items.back(), "■GRID OUT■ 表1");
    EXPECT_EQ(Pages().Caption(0), "表1");
    Pages().N1->trigger();
    EXPECT_EQ(Pages().Count(), 0);
}

}  // namespace

namespace {

TEST_F(GridTest, ADataSetClosedUnderTheGridLeavesNothingShown) {
    struct Case {
        const char* name;
        std::function<void(TForm_Grid&)> after;  // what the grid sees after the close
    } cases[] = {
        {"its tab shown again", [](TForm_Grid& g) { g.hide(); g.show(); }},
        {"painted where it is", [](TForm_Grid& g) { g.DBGrid1->viewport()->repaint(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto g = Make(People());
        g->resize(400, 300);
        g->show();
        g->DBGrid1->setCurrentIndex(g->Model()->index(1, 1));
        QApplication::processEvents();
        g->DataSet()->Close();  // the connection was made anew
        c.after(*g);
        QApplication::processEvents();
        EXPECT_EQ(g->Model()->rowCount(), 0);
        EXPECT_EQ(g->Model()->columnCount(), 0);
        EXPECT_FALSE(g->DBGrid1->currentIndex().isValid());
        EXPECT_FALSE(g->DBGrid1->selectionModel()->hasSelection());
    }
}

TEST_F(GridTest, ColumnsAreAsWideAsTheirTitlesAndTheRowsInView) {
    const std::string company = "株式会社サンプル商事 第一営業所";
    auto d = std::make_unique<TTestDataSet>();
    d->FieldDefs().Add("n", ftInteger);
    d->FieldDefs().Add("会社名", ftString, 10);    // declared narrower than what it holds
    d->FieldDefs().Add("empty", ftString, 4000);  // declared wide, holding nothing
    d->FieldDefs().Add("long", ftString, 4000);
    d->FieldDefs().Add("far", ftString, 4000);   // its one long text lies far below the rows in view
    for (int i = 0; i < 500; ++i)
        d->AddRow({TVariant(i), TVariant(company), TVariant(""), TVariant(std::string(300, 'W')),
                   TVariant(i == 499 ? std::string(300, 'W') : std::string("x"))});
    d->Open();
    auto g = Make(std::move(d));
    QTableView& grid = *g->DBGrid1;
    const QFontMetrics fm(grid.font());
    auto fits = [&](int col, const std::string& text) {
        return grid.columnWidth(col) >= fm.horizontalAdvance(cp932::ToQString(text)) + 6;
    };
    EXPECT_TRUE(fits(1, company)) << grid.columnWidth(1);
    EXPECT_TRUE(fits(1, "会社名"));
    EXPECT_LT(grid.columnWidth(2), 80) << "an empty column is as wide as its title";
    EXPECT_EQ(grid.columnWidth(3), 400) << "capped";
    EXPECT_LT(grid.columnWidth(4), 80) << "rows out of view are not measured";
    EXPECT_GE(grid.columnWidth(0), 40);
}

}  // namespace

namespace {

// A grid tab deleted while its window is busy flashing is freed once the flash is over.
TEST_F(GridTest, AGridDeletedDuringItsFlashIsFreedAfterIt) {
    TResultGridPages pages;
    TForm_Grid* g = pages.AddGrid(People(), "G#1");
    QPointer<TForm_Grid> watch = g;
    int steps = 0;
    g->FlashSleep = [&](int) {
        if (++steps == 1) pages.DeleteActive();
        EXPECT_FALSE(watch.isNull());
    };
    g->DataSet()->Close();
    g->Action_RefreshExecute();
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(pages.Count(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

}  // namespace
