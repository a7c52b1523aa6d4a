// Runs and the life of their pages, as the user meets them: a run waiting in
// a pause whose script page, result page or window goes meanwhile ends
// before its next statement, and never waits on where nobody can see or
// answer it; and a long run still shows its output while it goes on.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "DbTestUtil.h"
#include "QtTestApp.h"
#include "TabDragUtil.h"
#include "U_ADODriver.h"
#include "U_ClientMessages.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"
#include "U_SQL99.h"
#include "U_ScriptSheetManager.h"

namespace {

using dbtest::Db;

// The item of Menu captioned Caption.
QAction* MenuItem(QMenu* Menu, const char16_t* Caption) {
    for (QAction* a : Menu->actions())
        if (a->text() == QString::fromUtf16(Caption)) return a;
    ADD_FAILURE() << "no menu item " << QString::fromUtf16(Caption).toStdString();
    return nullptr;
}

// A client window with the usual prefixes and delimiter, shown.
std::unique_ptr<TFrameSQLClient> ShownFrame(winmsg::HWND Centre) {
    auto frame = std::make_unique<TFrameSQLClient>(nullptr, Centre);
    frame->SQLDelimiter = ';';
    frame->CommandPrefix = '#';
    frame->ImportScriptFileNamePrefix = '@';
    frame->resize(900, 700);
    frame->move(0, 0);
    frame->show();
    QApplication::processEvents();
    return frame;
}

// The client window over a real database, shown; the shell lets the window
// go when asked to close it (as it does while another client window stays open).
struct RunEndTest : ::testing::TestWithParam<Db>, testutil::WithApp {
    winmsg::TMessageWindow centre;
    std::unique_ptr<TFrameSQLClient> frame;
    TADODriver driver;
    std::string table = dbtest::UniqueName("記録");

    RunEndTest() {
        centre.WndProc = [this](winmsg::TMessage& m) {
            if (m.Msg == mc::WM_MC_CLOSECLIENT && frame) frame->hide();
        };
        frame = ShownFrame(centre.Handle());
        frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind,
                                     std::unique_ptr<TDataSet>& ds, std::string& msg) {
            driver.Execute(sender, sql, kind, ds, msg);
        };
    }
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        ASSERT_TRUE(driver.ConnectByConnectionString(dbtest::ConnFor(GetParam(), "runend"), "test"));
        Sql("create table " + table + " (番号 integer)");
    }
    void TearDown() override {
        if (driver.IsConnected()) Sql("drop table " + table);
    }
    ~RunEndTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void Sql(const std::string& S) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        driver.Execute(nullptr, S, TSQL99Parser::GetSQLKind(S), ds, msg);
    }
    int Rows() {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        driver.Execute(nullptr, "select count(*) from " + table, TSQLKind::Query, ds, msg);
        return ds ? std::stoi(ds->Fields(0).AsString()) : -1;
    }
    std::string Insert(int N) { return "insert into " + table + " values (" + std::to_string(N) + ");"; }
    TForm_Script* NewScriptPage() { return frame->ScriptSheetManager->NewSheet(*frame->EnvData); }
    // A left click on tab Index of Tabs, as the user switches pages.
    static void ClickTab(QTabWidget* Tabs, int Index) {
        QTest::mouseClick(Tabs->tabBar(), Qt::LeftButton, {}, Tabs->tabBar()->tabRect(Index).center());
        QApplication::processEvents();
    }
};

// What the user does while the run waits, and how the run waits.
struct TPauseCase {
    const char* name;
    enum { Every, Error, Step } pause;
    std::function<void(RunEndTest&, TForm_Script& Running)> act;
};

void DeleteThisScriptSheet(RunEndTest& t, TForm_Script&) {
    MenuItem(t.frame->PopupMenu_ScriptSheet, u"このスクリプトシートの削除")->trigger();
}

void DeleteTheOthersFromAnotherPage(RunEndTest& t, TForm_Script&) {
    RunEndTest::ClickTab(t.frame->Page_Script, 1);
    MenuItem(t.frame->PopupMenu_ScriptSheet, u"このスクリプトシート以外全て削除")->trigger();
}

void DeleteTheResultSheet(RunEndTest& t, TForm_Script&) {
    MenuItem(t.frame->PopupMenu1, u"このシートの削除")->trigger();
}

void FloatTheResultSheetAndCloseItsWindow(RunEndTest& t, TForm_Script&) {
    QTabBar* bar = t.frame->Page_Result->tabBar();
    clienttest::DragTab(bar, bar->currentIndex(), bar->mapToGlobal(QPoint(40, 300)));
    TForm_Result* page = t.frame->ActiveResultPage();
    ASSERT_TRUE(page && t.frame->ResultSeetManager->IsFloating(page));
    page->window()->close();
}

void CloseTheWindow(RunEndTest& t, TForm_Script&) { t.frame->close(); }

// The run ends before its next statement whatever goes during its pause,
// also when it goes at once, while the pause panel still blinks; and no
// run is left waiting for an answer nobody can give.
TEST_P(RunEndTest, WhatGoesDuringAPauseEndsTheRun) {
    const TPauseCase cases[] = {
        {"このスクリプトシートの削除 on the running page", TPauseCase::Every, DeleteThisScriptSheet},
        {"the same after an error", TPauseCase::Error, DeleteThisScriptSheet},
        {"the same in the pause of a long result", TPauseCase::Step, DeleteThisScriptSheet},
        {"このスクリプトシート以外全て削除 from another page", TPauseCase::Every, DeleteTheOthersFromAnotherPage},
        {"the result sheet deleted", TPauseCase::Every, DeleteTheResultSheet},
        {"the result sheet of a long result deleted", TPauseCase::Step, DeleteTheResultSheet},
        {"the result sheet floated and its window closed", TPauseCase::Every, FloatTheResultSheetAndCloseItsWindow},
        {"the client window closed", TPauseCase::Every, CloseTheWindow},
        {"the client window closed after an error", TPauseCase::Error, CloseTheWindow},
    };
    for (const TPauseCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (frame->isHidden()) frame->show();
        frame->StepDisplayCount = c.pause == TPauseCase::Step ? 1 : 0;
        Sql("delete from " + table);
        for (int i = 1; i <= 2; ++i) Sql("insert into " + table + " values (" + std::to_string(i) + ")");
        frame->ScriptSheetManager->PageManager().Reset("");
        TForm_Script* other = NewScriptPage();
        TForm_Script* running = frame->ScriptSheetManager->PageManager().GetForm(0) == other
                                    ? nullptr
                                    : static_cast<TForm_Script*>(frame->ScriptSheetManager->PageManager().GetForm(0));
        ASSERT_TRUE(running && other);
        ClickTab(frame->Page_Script, 0);
        ASSERT_EQ(frame->ActiveScriptPage(), running);
        running->SetEveryTimeStop(c.pause == TPauseCase::Every);
        running->SetErrorTimeStop(c.pause == TPauseCase::Error);

        std::string script;
        if (c.pause == TPauseCase::Error) script = "insert into 無い表 values (1);";
        if (c.pause == TPauseCase::Step) script = "select 番号 from " + table + ";";
        else script += Insert(3);
        script += Insert(4) + Insert(5);
        const int expected = c.pause == TPauseCase::Every ? 3 : 2;

        QPointer<TForm_Script> watch = running;
        QPointer<TForm_Script> bystander = other;
        bool acted = false, orphaned = false, stillWaiting = false, strayPause = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!watch) return;
            // a page that runs nothing never pauses
            if (bystander && bystander->Pausing()) {
                strayPause = true;
                bystander->Button_DisContinue->click();
                return;
            }
            // the user acts as soon as the panel shows, while it still blinks
            if (!acted && watch->Panel_Pause->isVisible()) {
                acted = true;
                c.act(*this, *watch);
                return;
            }
            if (!acted || !watch->Pausing()) return;
            if (watch->IsClosing() || !frame->isVisible()) {
                // a run waiting where its panel can never be seen again: only a stop frees it
                orphaned = true;
                watch->Button_DisContinue->click();
            } else {
                // still waiting where it was: going on shows what it would have run
                stillWaiting = true;
                watch->Button_Continue->click();
            }
        });
        timer.start(0);
        frame->ExecuteScriptText(script);
        timer.stop();
        EXPECT_TRUE(acted);
        EXPECT_FALSE(orphaned) << "the run waited in a pause nobody could see";
        EXPECT_FALSE(stillWaiting) << "the run still waited after that";
        EXPECT_FALSE(strayPause) << "another page paused for the run";
        EXPECT_EQ(Rows(), expected) << "no statement runs after the pause";
        if (watch) {
            EXPECT_FALSE(watch->Executing());
        }
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

INSTANTIATE_TEST_SUITE_P(Both, RunEndTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

// ---- painting during a run

// Paint events of a result page's console, with the number of lines it held then.
struct TPaintLog : QObject {
    TKZNEditor* Editor = nullptr;
    std::function<bool()> During = [] { return true; };
    std::vector<int> Lines;  // at each paint (while During)
    bool eventFilter(QObject*, QEvent* E) override {
        if (E->type() == QEvent::Paint && During()) Lines.push_back(Editor->Lines().Count());
        return false;
    }
};

struct RunPaintTest : ::testing::Test, testutil::WithApp {
    winmsg::TMessageWindow centre;
    std::unique_ptr<TFrameSQLClient> frame;
    RunPaintTest() : frame(ShownFrame(centre.Handle())) {}
    ~RunPaintTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(RunPaintTest, ALongRunRepaintsItsOutputWhileItGoesOn) {
    TForm_Script* page = frame->ActiveScriptPage();
    TForm_Result* result = frame->ActiveResultPage();
    TPaintLog log;
    log.Editor = result->Editor;
    log.During = [page] { return page->Executing(); };
    result->Editor->viewport()->installEventFilter(&log);
    // statements until a painting of new output has been seen, then the stop action
    std::string script;
    for (int i = 0; i < 20000; ++i) script += "#Print 行" + std::to_string(i) + ";\r\n";
    const int before = result->Editor->Lines().Count();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (int n : log.Lines)
            if (n > before + 1 && page->Executing()) page->Action_ScriptStop->trigger();
    });
    timer.start(0);
    frame->ExecuteScriptText(script);
    timer.stop();
    result->Editor->viewport()->removeEventFilter(&log);
    ASSERT_FALSE(log.Lines.empty()) << "the console was never painted during the run";
    EXPECT_GT(log.Lines.back(), before + 1);
    EXPECT_LT(result->Editor->Lines().Count(), before + 20000) << "the stop came after a painting";
}

TEST_F(RunPaintTest, TheLastOutputOfARunIsPainted) {
    TForm_Result* result = frame->ActiveResultPage();
    TPaintLog log;
    log.Editor = result->Editor;
    result->Editor->viewport()->installEventFilter(&log);
    std::string script;
    for (int i = 0; i < 300; ++i) script += "#Print 行" + std::to_string(i) + ";\r\n";
    frame->ExecuteScriptText(script);
    const int last = result->Editor->Lines().Count();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !log.Lines.empty() && log.Lines.back() == last; }, 10000))
        << "the console does not show the run's last line";
    EXPECT_EQ(result->Editor->Lines().Get(last - 1), "行299");
    result->Editor->viewport()->removeEventFilter(&log);
}

}  // namespace
