// The client window with its script and result pages: actions and their
// shortcuts, menus, the transaction mode, window messages, the script area
// height, result sheets, the pause panel and pages closed during a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDialog>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

#include "CP932Qt.h"
#include "DbTestUtil.h"
#include "editor/ViewTestUtil.h"
#include "U_ADODriver.h"
#include "ClientTestUtil.h"
#include "QtTestApp.h"
#include "Reentrancy.h"
#include "ShortCutText.h"
#include "TestUtil.h"
#include "U_ClientMessages.h"
#include "U_Command.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"
#include "U_GrobalCommandRegister.h"
#include "U_ResultSeetManager.h"
#include "U_ScriptSheetManager.h"

namespace {

using Lines = std::vector<std::string>;
using clienttest::TLinesConsole;

// The window with a console for its result area.
class TTestFrame : public TFrameSQLClient {
public:
    using TFrameSQLClient::TFrameSQLClient;
    TResultConsole* ActiveResultConsole() override { return &Console; }
    TLinesConsole Console;
};


struct FrameTest : ::testing::Test, testutil::WithApp {
    static void SetUpTestSuite() { GrobalCommandRegister().Register(&TzSay_Class); }
    static void TearDownTestSuite() { GrobalCommandRegister().Unregister(&TzSay_Class); }

    winmsg::TMessageWindow centre;
    std::vector<std::pair<uint32_t, winmsg::WPARAM>> messages;
    std::unique_ptr<TTestFrame> frame;
    bool connected = false;
    std::vector<std::string> commands;  // the user-implemented commands carried out

    FrameTest() {
        centre.WndProc = [this](winmsg::TMessage& m) { messages.emplace_back(m.Msg, m.WParam); };
        frame = std::make_unique<TTestFrame>(nullptr, centre.Handle());
        frame->SQLDelimiter = ';';
        frame->CommandPrefix = '#';
        frame->ImportScriptFileNamePrefix = '@';
        frame->OnIsConnected = [this](void*, bool& c) { c = connected; };
        frame->OnUserCommand = [this](void*, TCommandInterface& cmd, bool& handled) {
            commands.push_back(cmd.GetCommandName());
            cmd.GetOutput().Add(cmd.GetCommandName() + " done");
            handled = true;
        };
    }
    ~FrameTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    winmsg::WPARAM Me() const { return reinterpret_cast<winmsg::WPARAM>(frame.get()); }
    static std::string Text(const QString& s) { return s.toStdString(); }
    static std::string Keys(QAction* a) { return shortcut::ShortCutToText(shortcut::FromKeySequence(a->shortcut())); }
    std::vector<std::string> Tabs(QTabWidget* t) const {
        std::vector<std::string> out;
        for (int i = 0; i < t->count(); ++i) out.push_back(Text(t->tabText(i)));
        return out;
    }
};

TEST_F(FrameTest, ActionsTakeTheirShortcutsFromTheSettings) {
    struct Case {
        QAction* action;
        const char* caption;
        const char* keys;
    } cases[] = {
        {frame->Action_Connect, "接続", "Ctrl+F2"},
        {frame->Action_ReConnect, "再接続", "Ctrl+F3"},
        {frame->Action_DisConnect, "切断", "Ctrl+F4"},
        {frame->Action_AutoCommitToggle, "オートコミット", "Ctrl+F5"},
        {frame->Action_Commit, "明示コミット", "Ctrl+F6"},
        {frame->Action_RollBack, "明示ロールバック", "Ctrl+F7"},
        {frame->Action_NewScriptEditor, "新しいスクリプトエディタ", "Ctrl+F10"},
        {frame->Action_CloneScriptEditor, "スクリプトエディタをクローンコピー", "Shift+Ctrl+F10"},
        {frame->Action_DelActiveScriptSheet, "このシートの削除", "Ctrl+F11"},
        {frame->Action_DelInActiveScriptSheet, "このシート以外全て削除", ""},
        {frame->Action_AddResultSeet, "新しいシートの作成", "Shift+Ctrl+N"},
        {frame->Action_DelActiveResultSeet, "このシートの削除", "Shift+Ctrl+D"},
        {frame->Action_DelInActiveResultSeet, "このシート以外全て削除", "Shift+Ctrl+T"},
        {frame->Action_ClearActiveResultSheet, "このシートをクリア", ""},
        {frame->Action_Exit, "終了", ""},
        {frame->Action_ObjectTreeViewConfig, "オブジェクトツリー表示設定", ""},
        {frame->Action_EnvEdit, "環境設定", "Ctrl+E"},
        {frame->Action_About, "バージョン情報", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp932::FromQString(c.action->text()), c.caption) << c.keys;
        EXPECT_EQ(Keys(c.action), c.keys) << c.caption;
    }
    TWritableEnvData env;
    env.ShortcutKeys[sk_Connect] = "SHIFT+F2";
    env.ShortcutKeys[sk_EnvEdit] = "";
    frame->ApplyShortCuts(env);
    EXPECT_EQ(Keys(frame->Action_Connect), "Shift+F2");
    EXPECT_EQ(Keys(frame->Action_EnvEdit), "");
}

TEST_F(FrameTest, MenusToolBarAndPopups) {
    auto texts = [](const QList<QAction*>& actions) {
        std::vector<std::string> out;
        for (QAction* a : actions) out.push_back(a->isSeparator() ? "-" : cp932::FromQString(a->text()));
        return out;
    };
    std::vector<std::string> menus;
    for (QAction* m : frame->menuBar()->actions()) menus.push_back(cp932::FromQString(m->text()));
    EXPECT_EQ(menus, (Lines{"ファイル", "データベース", "トランザクション", "ツール", "ヘルプ"}));
    EXPECT_EQ(texts(frame->Menu_Database->actions()), (Lines{"接続", "再接続", "切断"}));
    EXPECT_EQ(texts(frame->Menu_Transaction->actions()), (Lines{"オートコミット", "明示コミット", "明示ロールバック"}));
    EXPECT_EQ(texts(frame->Menu_Tool->actions()), (Lines{"オブジェクトツリー表示設定", "環境設定"}));
    EXPECT_EQ(texts(frame->ToolBar1->actions()),
              (Lines{"接続", "再接続", "-", "切断", "-", "新しいスクリプトエディタ", "スクリプトエディタをクローンコピー", "-",
                     "オートコミット", "明示コミット", "明示ロールバック", "-", "環境設定"}));
    EXPECT_EQ(texts(frame->PopupMenu1->actions()),
              (Lines{"このシートをクリア", "-", "このシートの削除", "-", "このシート以外全て削除", "-", "新しいシートの作成"}));
    EXPECT_EQ(texts(frame->PopupMenu_ScriptSheet->actions()),
              (Lines{"このシートのクリア", "このスクリプトシートの削除", "このスクリプトシート以外全て削除", "新しいスクリプトエディタ",
                     "スクリプトエディタをクローンコピー"}));
}

TEST_F(FrameTest, TransactionModeTexts) {
    struct Case {
        const char* name;
        bool connected;
        bool autoCommit;                  // the mode before the action
        void (TFrameSQLClient::*action)();
        Lines commands;                   // carried out by the driver
        Lines console;                    // after the line "before"
        bool autoAfter;
    } cases[] = {
        {"to manual, connected", true, true, &TFrameSQLClient::AutoCommitToggle, {"Begin"},
         {"Begin done", "手動コミットモードに変更しました"}, false},
        {"to manual, not connected", false, true, &TFrameSQLClient::AutoCommitToggle, {},
         {"手動コミットモードに変更しました"}, false},
        {"to auto, connected", true, false, &TFrameSQLClient::AutoCommitToggle, {"RollBack"},
         {"RollBack done", "自動コミットモードに変更しました"}, true},
        {"to auto, not connected", false, false, &TFrameSQLClient::AutoCommitToggle, {}, {"自動コミットモードに変更しました"}, true},
        // The commit's own line goes.
        {"commit, manual", true, false, &TFrameSQLClient::Commit, {"Commit", "Begin"}, {"Begin done"}, false},
        {"commit, auto", true, true, &TFrameSQLClient::Commit, {}, {"自動コミットモードでは明示「コミット」は無効です"}, true},
        {"commit, not connected", false, false, &TFrameSQLClient::Commit, {}, {"接続していません"}, false},
        {"rollback, manual", true, false, &TFrameSQLClient::RollBack, {"RollBack", "Begin"}, {"Begin done"}, false},
        {"rollback, auto", true, true, &TFrameSQLClient::RollBack, {}, {"自動コミットモードでは明示「ロールバック」は無効です"}, true},
        {"rollback, not connected", false, true, &TFrameSQLClient::RollBack, {}, {"接続していません"}, true},
    };
    for (const auto& c : cases) {
        connected = c.connected;
        commands.clear();
        frame->SetIsAutoCommit(c.autoCommit);
        frame->Console.Lines.Clear();
        frame->Console.AddLine("before");
        (frame.get()->*c.action)();
        EXPECT_EQ(commands, c.commands) << c.name;
        Lines expected = c.console;
        expected.insert(expected.begin(), "before");
        EXPECT_EQ(frame->Console.Lines.Items, expected) << c.name;
        EXPECT_EQ(frame->IsAutoCommit, c.autoAfter) << c.name;
        EXPECT_EQ(frame->Action_AutoCommitToggle->isChecked(), c.autoAfter) << c.name;
        EXPECT_EQ(frame->Action_Commit->isEnabled(), !c.autoAfter) << c.name;
        EXPECT_EQ(frame->Action_RollBack->isEnabled(), !c.autoAfter) << c.name;
    }
}

TEST_F(FrameTest, WithoutAConnectionEventNothingIsConnected) {
    frame->OnIsConnected = nullptr;
    EXPECT_FALSE(frame->IsConnected());
    frame->SetIsAutoCommit(false);
    frame->Commit();
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(frame->Console.Lines.Items, Lines{"接続していません"});
}

TEST_F(FrameTest, InitializeFailureComesBackAsTheWindowsError) {
    int finalized = 0;
    frame->OnInitialize = [](void*) { throw Exception("setup failed"); };
    frame->OnFinalize = [&](void*) { ++finalized; };
    try {
        frame->Initialize();
        ADD_FAILURE();
    } catch (const EFrameSQLClient& e) {
        EXPECT_EQ(e.Message, "setup failed");
    }
    EXPECT_EQ(finalized, 1);
    frame->OnFinalize = nullptr;
}

TEST_F(FrameTest, WindowMessages) {
    messages.clear();
    frame->UpdateCaption();
    frame->LoadConnectionObjectTrees();
    frame->SetEscapeReplaceOptions({true, false, true, false, true});
    frame->Action_About->trigger();
    frame->Action_EnvEdit->trigger();  // posted: not there yet
    using M = std::pair<uint32_t, winmsg::WPARAM>;
    EXPECT_EQ(messages, (std::vector<M>{{mc::WM_MC_UPDATECAPTION, Me()},
                                        {mc::WM_MC_LOADOBJECTTREE, Me()},
                                        {mc::WM_MC_ESCAPEREPLACECHANGE, Me()},
                                        {mc::WM_MC_ABOUT, Me()}}));
    EXPECT_TRUE(frame->EscapeSQ && !frame->EscapeDQ && frame->EscapeY && !frame->Escape5C && frame->EscapeEscapeDouble);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(messages.back(), (M{mc::WM_MC_ENVEDIT, Me()}));

    // Closing asks the shell, which decides; the window stays.
    messages.clear();
    frame->show();
    frame->close();
    EXPECT_TRUE(frame->isVisible());
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(std::find(messages.begin(), messages.end(), M{mc::WM_MC_CLOSECLIENT, Me()}), messages.end());
}

TEST_F(FrameTest, ScriptAreaHeightAfterADoubleClick) {
    struct Case {
        bool scriptTabs;
        int H, S, gap;
        int expected;
    } cases[] = {
        {true, 1000, 880, 0, 500},   // already about 90 %: half
        {true, 1000, 500, 0, 907},   // grows by a tenth of the result area: 550, 595, 635, ... 897, 907
        {true, 2000, 1200, 0, 1816},
        {true, 2000, 1796, 0, 1000},
        {true, 1000, 996, 0, 996},   // already above 90 % and not near it: stays
        {true, 1000, 500, 497, 500}, // a result area of 3 pixels gives no step: the loop ends
        {false, 1000, 150, 0, 500},  // already about 10 %: half
        {false, 1000, 500, 0, 93},   // shrinks by tenths: 450, 405, 365, ... 103, 93
        {false, 1000, 103, 0, 500},
        {false, 40, 3, 0, 20},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFrameSQLClient::ScriptHeightAfterTabDoubleClick(c.scriptTabs, c.H, c.S, c.gap), c.expected)
            << c.scriptTabs << " " << c.H << " " << c.S;
}

TEST_F(FrameTest, ResultSheets) {
    EXPECT_EQ(Tabs(frame->Page_Result), Lines{"#0"});
    frame->NewResultSheet();
    frame->NewResultSheet();
    frame->AddResultSheet("ABC");
    frame->AddResultSheet("abc");
    EXPECT_EQ(Tabs(frame->Page_Result), (Lines{"#0", "#1", "#2", "abc"}));
    EXPECT_EQ(frame->ActiveResultPage()->Caption(), "abc");
    frame->DeleteResultSheet("#1");
    frame->DeleteActiveResultSheet();
    EXPECT_EQ(Tabs(frame->Page_Result), (Lines{"#0", "#2"}));
    EXPECT_EQ(frame->ActiveResultPage()->Caption(), "#2");
    frame->DeleteInActiveResultSheets();
    frame->DeleteActiveResultSheet();
    EXPECT_EQ(Tabs(frame->Page_Result), Lines{"#0"});
    frame->InitResultSheets("main");
    EXPECT_EQ(Tabs(frame->Page_Result), Lines{"main"});
    try {
        frame->ResultSeetManager->GetForm(1);
        ADD_FAILURE();
    } catch (const EResultSeetManager& e) {
        EXPECT_EQ(e.Message, "内部エラー：範囲外の結果フォームインデックス1");
    }
    frame->SetResultOutputMode(rom_SDF);
    EXPECT_EQ(frame->ActiveResultPage()->OutputMode(), rom_SDF);
    EXPECT_TRUE(frame->ActiveResultPage()->Action_Mode_SDF->isChecked());
    EXPECT_FALSE(frame->ActiveResultPage()->Action_Mode_Text->isChecked());
}

// What the variable and phrase commands ask of the window: the result page's
// cutting to its width, and a modal dialog owned by the window.
TEST_F(FrameTest, ResultWidthAndModalDialogs) {
    frame->Console.Width = 4;
    TStringList lines;
    frame->FormatResultLinesToWidth("abcdefghij\r\nxy", lines);
    EXPECT_EQ(lines.Items, (Lines{"abcd", "efgh", "ij", "xy"}));

    QDialog dialog;
    QWidget* parentSeen = nullptr;
    QTimer::singleShot(0, &dialog, [&] {
        parentSeen = dialog.parentWidget();
        dialog.done(2);
    });
    EXPECT_EQ(frame->ShowModalDialog(dialog), 2);
    EXPECT_EQ(parentSeen, frame.get());
    EXPECT_TRUE(dialog.isWindow());
}

TEST_F(FrameTest, ScriptPagesFoldersTogglesAndClones) {
    TForm_Script* page = frame->ActiveScriptPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Caption(), "#0");
    const std::string dir = testutil::TempFolder("frame");
    frame->SetActiveScriptFolder(dir.substr(0, dir.size() - 1));
    EXPECT_EQ(frame->GetActiveScriptFolder(), dir);
    std::string linked;
    frame->DriverInterfaceProp->GetCurrentFolder(linked);  // what the driver asks for
    EXPECT_EQ(linked, dir);
    try {
        frame->SetActiveScriptFolder(dir + "none");
        ADD_FAILURE();
    } catch (const EFrameSQLClient& e) {
        EXPECT_EQ(e.Message, "フォルダが存在しません [ " + dir + "none ]");
    }
    EXPECT_EQ(frame->GetActiveScriptFolder(), dir);

    TWritableEnvData env;
    env.CloseTimeEnvData->OutputSQLToggleState = true;
    env.CloseTimeEnvData->ErrorTimeStopToggleState = false;
    env.CloseTimeEnvData->EveryTimeStopToggleState = true;
    env.CloseTimeEnvData->AfterClearToggleState = true;
    env.ShortcutKeys[sk_ScriptStop] = "F11";
    page->ApplyEnv(env);
    EXPECT_TRUE(page->OutputSQL() && page->EveryTimeStop() && page->AfterClear && !page->ErrorTimeStop());
    EXPECT_TRUE(page->Action_OutputSQLToggle->isChecked());
    EXPECT_EQ(Keys(page->Action_ScriptStop), "F11");
    page->SetCutSheet(true);
    page->SetResultEcho(false);

    frame->CloneScriptEditor();
    TForm_Script* clone = frame->ActiveScriptPage();
    EXPECT_EQ(clone->Caption(), "#1");
    EXPECT_TRUE(clone->OutputSQL() && clone->EveryTimeStop() && clone->AfterClear && !clone->ErrorTimeStop());
    EXPECT_FALSE(clone->CutSheet());
    EXPECT_TRUE(clone->ResultEcho());
    EXPECT_EQ(Tabs(frame->Page_Script), (Lines{"#0", "#1"}));
}

TEST_F(FrameTest, PausePanelAnswersAndStop) {
    TForm_Script* page = frame->ActiveScriptPage();
    page->SetEveryTimeStop(true);
    // "続行" at the first pause, "中断" at the second.
    int pauses = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!page->Pausing()) return;
        EXPECT_EQ(cp932::FromQString(page->Label_StopReason->text()), "一時停止");
        EXPECT_TRUE(page->Action_ScriptStop->isEnabled());
        (++pauses == 1 ? page->Button_Continue : page->Button_DisContinue)->click();
    });
    timer.start(0);
    frame->ExecuteScriptText("#Say 1;#Say 2;#Say 3;#Say 4;");
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(frame->Console.Lines.Items, (Lines{"1", "2"}));
    EXPECT_FALSE(page->Executing());
    EXPECT_TRUE(page->Panel_Pause->isHidden());
    EXPECT_FALSE(page->Action_ScriptStop->isEnabled());
}

TEST_F(FrameTest, ThePausePanelLeavesTheScriptsLastLineInView) {
    frame->resize(900, 700);
    frame->show();
    TForm_Script* page = frame->ActiveScriptPage();
    QCoreApplication::processEvents();
    TScriptEditor& editor = *page->ScriptEditor;
    struct Case {
        const char* name;
        int extraRows;  // rows beyond what the editor shows at once
    } cases[] = {{"a script that just fits", 0}, {"a longer one scrolled to its end", 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page->HidePausePanel();
        QCoreApplication::processEvents();
        std::string text;
        const int rows = editor.VisibleRows() - 1 + c.extraRows;
        for (int i = 1; i <= rows; ++i) text += "#Say " + std::to_string(i) + ";\r\n";
        text += "#Say last;";
        editor.Lines().SetText(text);
        QCoreApplication::processEvents();
        for (int i = 0; i < 2; ++i) {  // the last line at the editor's bottom (the first pass may bring a scroll bar)
            editor.SetTopRow(std::max(0, editor.RowCount() - editor.VisibleRows()));
            QCoreApplication::processEvents();
        }
        ASSERT_GE(editor.TopRow() + editor.VisibleRows(), editor.RowCount()) << "the last line shows before the pause";
        page->ShowPausePanel("一時停止");
        QCoreApplication::processEvents();
        EXPECT_GE(editor.TopRow() + editor.VisibleRows(), editor.RowCount()) << "and still shows with the panel";
        EXPECT_LE(editor.geometry().bottom(), page->Panel_Pause->geometry().top());
    }
    page->HidePausePanel();
}

TEST_F(FrameTest, ClosingAPageDuringItsRun) {
    TForm_Script* page = frame->ActiveScriptPage();
    frame->ScriptSheetManager->NewSheet(*frame->EnvData);
    frame->ScriptSheetManager->PageManager().SetCurrent(page);
    page->SetEveryTimeStop(true);
    QPointer<TForm_Script> watch = page;
    bool closed = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (closed || !watch || !watch->Pausing()) return;
        closed = true;
        frame->Action_DelActiveScriptSheet->trigger();
        EXPECT_FALSE(watch.isNull());  // still under the run
    });
    timer.start(0);
    frame->ExecuteScriptText("#Say 1;#Say 2;#Say 3;");
    EXPECT_TRUE(closed);
    EXPECT_EQ(frame->Console.Lines.Items, Lines{"1"});
    EXPECT_EQ(Tabs(frame->Page_Script), Lines{"#1"});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

}  // namespace

namespace {

// The whole road: a script through the active script page, datasets of a
// real SQLite database into the active result page's console.
struct RunTest : FrameTest {
    TADODriver driver;
    RunTest() {
        frame->ActiveResultPage()->SetConsole(&frame->Console);  // the page's console is the window's
        driver.ConnectByConnectionString(dbtest::SqliteConn("run"), "test");
        frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                     std::string& msg) {
            driver.Execute(sender, sql, kind, ds, msg);
            msg = msg.substr(0, msg.find("件") + 2);  // without the time it took
        };
        frame->ExecuteScriptText("create table t (n integer);");
        for (int i = 1; i <= 5; ++i) frame->ExecuteScriptText("insert into t values (" + std::to_string(i) + ");");
        frame->Console.Lines.Clear();
    }
};

TEST_F(RunTest, DataSetsInEachModeOfTheActivePage) {
    struct Case {
        const char* script;
        TResultOutputMode mode;
        Lines expected;
    } cases[] = {
        {"select n from t where n < 3;", rom_Text, {"", "n ", "- ", "1 ", "2 ", "", "結果:2件"}},
        {"#CutSheet;select n from t where n < 3;", rom_Text, {"", "n : 1", "", "n : 2", "", "結果:2件"}},
        {"select n from t where n < 3;", rom_SDF, {"", "n", "1", "2", "", "", "結果:2件"}},
        {"select n from t where n < 3;", rom_Tab, {"", "n", "1", "2", "", "", "結果:2件"}},
        {"select n from t where n < 2;", rom_TextGrid, {"", "n|", "-|", "1|", "-|", "", "結果:1件"}},
    };
    for (const auto& c : cases) {
        frame->Console.Lines.Clear();
        frame->SetResultOutputMode(c.mode);
        frame->ExecuteScriptText(c.script);
        EXPECT_EQ(frame->Console.Lines.Items, c.expected) << c.script;
    }
    EXPECT_EQ(frame->ActiveResultPage()->StartLines.size(), 5u);
}

TEST_F(RunTest, StepDisplayPausesAndStopsTheDisplayOnly) {
    frame->StepDisplayCount = 2;
    TForm_Script* page = frame->ActiveScriptPage();
    std::vector<std::string> reasons;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!page->Pausing()) return;
        reasons.push_back(cp932::FromQString(page->Label_StopReason->text()));
        page->Button_DisContinue->click();  // ends this display; the run goes on
    });
    timer.start(0);
    frame->ExecuteScriptText("select n from t;#Say after;");
    EXPECT_EQ(reasons, Lines{"表示中断中 [StepDisplayCount:2]"});
    EXPECT_EQ(frame->Console.Lines.Items, (Lines{"", "n ", "- ", "1 ", "2 ", "", "結果:5件", "after"}));
}

TEST(ResultPage, CommandLineAtCaret) {
    struct Case {
        std::string text;
        int row;
        bool run;
        std::string line;
    } cases[] = {
        {"x\r\n  #Commit;  \r\n\r\n   \r\n", 1, true, "#Commit;"},
        {"@file.sql\r\n", 0, true, "@file.sql"},
        {"#Commit;\r\nmore\r\n", 0, false, ""},
        {"select 1\r\n", 0, false, ""},
        {"   \r\n", 0, false, ""},
        {"#a\r\n", 3, false, ""},
    };
    for (const auto& c : cases) {
        std::string line;
        EXPECT_EQ(TForm_Result::CommandLineAtCaret(TStringList(c.text), c.row, '#', '@', line), c.run) << c.text;
        EXPECT_EQ(line, c.line) << c.text;
    }
}

}  // namespace

namespace {

// The result page's own editor as the console.
TEST(ResultEditor, RunsWriteIntoTheEditorAndEnterRunsACommandLine) {
    testutil::App();
    GrobalCommandRegister().Register(&TzSay_Class);
    {
        TFrameSQLClient frame(nullptr, 0);
        frame.SQLDelimiter = ';';
        frame.CommandPrefix = '#';
        frame.ImportScriptFileNamePrefix = '@';
        frame.resize(800, 600);
        frame.show();
        TForm_Result* page = frame.ActiveResultPage();
        ASSERT_NE(page, nullptr);
        frame.ExecuteScriptText("#Say a b;");
        EXPECT_EQ(page->Editor->Lines().GetText(), "a\r\nb\r\n");

        // A command line typed at the end of the console runs on Enter.
        page->Editor->Lines().Add("#Say typed;");
        page->Editor->Lines().Add("  ");
        page->Editor->SetRowCol(2, 3);
        page->Editor->setFocus();
        viewtest::Key(page->Editor, Qt::Key_Return);
        EXPECT_EQ(page->Editor->Lines().GetText(), "a\r\nb\r\n#Say typed;\r\n  \r\ntyped\r\n");
        // Text below it: Enter just breaks the line.
        page->Editor->SetRowCol(0, 1);
        viewtest::Key(page->Editor, Qt::Key_Return);
        EXPECT_EQ(page->Editor->Lines().Count(), 6);
    }
    GrobalCommandRegister().Unregister(&TzSay_Class);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

namespace {

TEST_F(FrameTest, ScriptEditorRunsHistoryAndSelectionEdits) {
    TForm_Script* page = frame->ActiveScriptPage();
    std::vector<std::string> history;
    centre.WndProc = [&](winmsg::TMessage& m) {
        if (m.Msg == mc::WM_MC_ADDHISTORY) history.push_back(reinterpret_cast<TStringList*>(m.LParam)->Text());
    };
    frame->SetActiveScriptText("#Say one;");
    page->SetEveryTimeStop(true);
    bool readOnlyInPause = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!page->Pausing()) return;
        readOnlyInPause = page->ScriptEditor->ReadOnly() && !page->Action_ALLSQLExec->isEnabled();
        page->Button_Continue->click();
    });
    timer.start(0);
    page->ScriptEditor->Lines().SetText("#Say one;\r\n#Say two;\r\n");
    page->Action_ALLSQLExec->trigger();
    EXPECT_EQ(frame->Console.Lines.Items, (Lines{"one", "two"}));
    EXPECT_TRUE(readOnlyInPause);
    EXPECT_FALSE(page->ScriptEditor->ReadOnly());
    EXPECT_EQ(history, Lines{"#Say one;\r\n#Say two;\r\n"});
    page->Action_SendScriptToHistory->trigger();  // unchanged since: nothing more
    EXPECT_EQ(history.size(), 1u);

    // A selection of blanks runs nothing.
    frame->Console.Lines.Clear();
    page->ScriptEditor->Lines().SetText("  \r\n\r\nselect 1 from t\r\n");
    page->ScriptEditor->SetRowCol(0, 0);
    page->ScriptEditor->StartSelection();
    page->ScriptEditor->SetRowCol(2, 0);
    page->ScriptEditor->ExtendSelection();
    page->Action_SelectedSQLExec->trigger();
    EXPECT_TRUE(frame->Console.Lines.Empty());

    // Comment out from the middle of a line.
    page->ScriptEditor->SetRowCol(2, 7);
    page->ScriptEditor->StartSelection();
    page->ScriptEditor->SetRowCol(2, 15);
    page->ScriptEditor->ExtendSelection();
    page->Action_SelectedSQLCommentOut->trigger();
    EXPECT_EQ(page->ScriptEditor->Lines().GetText(), "  \r\n\r\nselect --1 from t\r\n");
    EXPECT_EQ(page->ScriptEditor->GetSelText(), "--1 from t");
    page->Action_SelectedSQLCommentReOut->trigger();
    EXPECT_EQ(page->ScriptEditor->Lines().GetText(), "  \r\n\r\nselect 1 from t\r\n");

    frame->CloneScriptEditor();
    EXPECT_EQ(frame->ActiveScriptPage()->ScriptEditor->Lines().GetText(), "  \r\n\r\nselect 1 from t\r\n");
    frame->Action_ClearActiveScriptSheet->trigger();
    EXPECT_EQ(frame->ActiveScriptPage()->ScriptEditor->Lines().Count(), 0);
    EXPECT_EQ(page->ScriptEditor->Lines().GetText(), "  \r\n\r\nselect 1 from t\r\n");
}

}  // namespace
