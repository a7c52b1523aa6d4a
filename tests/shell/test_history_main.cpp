// The history window inside the running program: its messages through the
// message centre, its file read at start-up and written at exit, its place
// and visibility from the settings file, and the client window's moves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <QTimer>

#include "DM_MessageCenter.h"
#include "FileSystem.h"
#include "Form_Main.h"
#include "KZNEditor.h"
#include "KZNMessageDlg.h"
#include "KZNTreeView.h"
#include "Reentrancy.h"
#include "ScreenMetrics.h"
#include "StringList.h"
#include "MainTestUtil.h"
#include "TestUtil.h"
#include "U_ClientMessages.h"
#include "U_Form_History.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"

namespace {

using Lines = std::vector<std::string>;

std::string Rec(int level, const std::string& caption, const std::string& text = std::string()) {
    return std::string(static_cast<size_t>(level), '\xA0') + caption + "\x07StringList=" + text + "\x06\r\n";
}

const std::string kHistory = Rec(0, "お気に入り", "＄＄お気に入りフォルダROOT") + Rec(1, "件数", "select count(*) from t;") +
                             Rec(0, "履歴", "＄＄履歴フォルダROOT") + Rec(1, "2026/12/09") +
                             Rec(2, "18:00:00", "select 4;") + Rec(2, "17:00:00", "select 3;");

struct HistoryMainTest : maintest::TMainFolderTest {
    HistoryMainTest() : TMainFolderTest("history-main") {}
    void SetUp() override {
        TMainFolderTest::SetUp();
        hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1920, 1080}; });
    }
    std::string Read(const std::string& Name) {
        std::string bytes;
        fs932::ReadFile(dir + Name, bytes);
        return bytes;
    }
    TForm_Script& Page() { return *Client().ActiveScriptPage(); }
    TForm_History& History() { return *main->HistoryForm; }
    std::string Text() { return Page().ScriptEditor->Lines().GetText(); }
    TTreeNodeEx* Find(const std::string& caption) {
        TTreeNodeEx* found = nullptr;
        History().IndexTree2->ForEachNode([&](TTreeNodeEx* n) {
            if (!found && n->Text() == caption) found = n;
        });
        return found;
    }
};

}  // namespace

TEST_F(HistoryMainTest, TheTableDispatchesTheHistoryMessages) {
    for (uint32_t m : {mc::WM_MC_SHOWHISTORY, mc::WM_MC_REVIVESCRIPT, mc::WM_MC_CLIENTMINIMIZE, mc::WM_MC_ADDHISTORY,
                       mc::WM_MC_REVIVEHISTORY, mc::WM_MC_ADDFAVORITE, mc::WM_MC_ADDCLIENTFAVORITE,
                       mc::WM_MC_PREVHISTORY, mc::WM_MC_NEXTHISTORY, mc::WM_MC_HISTORYSHOW, mc::WM_MC_HISTORYCLOSE,
                       mc::WM_MC_HISTORYRESIZE, mc::WM_MC_HISTORYSPLIT, mc::WM_MC_HISTORYAUTOMOVE})
        EXPECT_NE(TMessageCenter::Find(m), nullptr) << std::hex << m;
    EXPECT_EQ(mc::WM_MC_ADDHISTORY, 0x87D1u);
    EXPECT_EQ(mc::WM_MC_REVIVESCRIPT, 0x8007u);
}

TEST_F(HistoryMainTest, ScriptsRunGoToTheHistoryFileAndComeBack) {
    Write("Zintavor.History", kHistory);
    main = std::make_unique<TMain>();
    ASSERT_FALSE(main->StartUpFailed());
    EXPECT_EQ(History().FileName, dir + "Zintavor.History");
    EXPECT_NE(Find("18:00:00"), nullptr);

    // a run sends the page's whole text
    Page().ScriptEditor->Lines().SetText("#Print 表;\r\n");
    Page().Action_ALLSQLExec->trigger();
    TTreeNodeEx* entry = History().IndexTree2->GetSelected();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetStringList()->Text(), "#Print 表;\r\n");
    EXPECT_EQ(History().NodeKind(entry), hnkEntry);

    // previous and next through the message centre
    struct Step {
        QAction* action;
        const char* text;
    };
    for (const Step& s : {Step{Page().Action_PrevHistoryRevival, "select 4;\r\n"},
                          Step{Page().Action_PrevHistoryRevival, "select 3;\r\n"},
                          Step{Page().Action_NextHistoryRevival, "select 4;\r\n"},
                          Step{Page().Action_NextHistoryRevival, "#Print 表;\r\n"}}) {
        s.action->trigger();
        EXPECT_EQ(Text(), s.text);
    }
    // a date gives no text; the sender keeps its own
    History().IndexTree2->SetSelected(Find("2026/12/09"));
    TStringList lines("mine");
    Send(mc::WM_MC_REVIVEHISTORY, 0, reinterpret_cast<winmsg::LPARAM>(&lines));
    EXPECT_TRUE(lines.Empty());

    // the history window's revival goes to the current client window's page
    History().IndexTree2->SetSelected(Find("件数"));
    History().Action_CurrentRevival->trigger();
    EXPECT_EQ(Text(), "select count(*) from t;\r\n");

    // written at exit
    main.reset();
    const std::string saved = Read("Zintavor.History");
    EXPECT_NE(saved.find("\x07StringList=#Print 表;\x06\r\n"), std::string::npos);
    EXPECT_EQ(saved.rfind(Rec(1, "件数", "select count(*) from t;"), 0), kHistory.find(Rec(1, "件数")));
}

TEST_F(HistoryMainTest, FavouritesFromThePageAndFromTheHistoryWindow) {
    main = std::make_unique<TMain>();
    Page().ScriptEditor->Lines().SetText("select 'fav';\r\n");
    Page().Action_AddFav->trigger();
    TTreeNodeEx* fav = History().IndexTree2->GetSelected();
    ASSERT_NE(fav, nullptr);
    EXPECT_EQ(fav->Text(), "新しいお気に入り");
    EXPECT_EQ(fav->GetStringList()->Text(), "select 'fav';\r\n");
    // from the history window: the current client window's page, beside the selected favourite
    Page().ScriptEditor->Lines().SetText("select 'two';\r\n");
    History().Action_AddFav->setEnabled(true);
    History().Action_AddFav->trigger();
    TTreeNodeEx* second = History().IndexTree2->GetSelected();
    EXPECT_EQ(second->GetStringList()->Text(), "select 'two';\r\n");
    EXPECT_EQ(second->Parent(), fav->Parent());
}

TEST_F(HistoryMainTest, ADamagedHistoryFileNeverStopsTheStart) {
    Write("Zintavor.History", "\xA0\xA0" "broken\x06\r\n");
    main = std::make_unique<TMain>();
    EXPECT_FALSE(main->StartUpFailed());
    EXPECT_TRUE(fatal.empty());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("Zintavor.History.bad"), std::string::npos);
    EXPECT_EQ(Read("Zintavor.History.bad"), "\xA0\xA0" "broken\x06\r\n");
    EXPECT_NE(History().HistoryRoot(), nullptr);
    main.reset();
    EXPECT_EQ(Read("Zintavor.History").rfind(Rec(0, "お気に入り", "＄＄お気に入りフォルダROOT"), 0), 0u);
    notices.clear();
    main = std::make_unique<TMain>();
    EXPECT_TRUE(notices.empty());
}

TEST_F(HistoryMainTest, PlaceAndVisibilityComeFromTheSettingsAndGoBackAtExit) {
    Write("Zintavor.Environment",
          "[CLOSETIMEESAVE]\r\nCLIENTWINDOWSIZE_W=800\r\nCLIENTWINDOWSIZE_H=600\r\nHISTORYSHOWING=1\r\n"
          "HISTORYWINDOW_W=320\r\nHISTORYSPLITPOS=150\r\nHISTORYAUTOMOVE=0\r\n");
    main = std::make_unique<TMain>();
    ASSERT_FALSE(main->StartUpFailed());
    TForm_History& h = History();
    EXPECT_TRUE(h.isVisible());
    EXPECT_TRUE(main->HistoryShowing);
    EXPECT_FALSE(h.AutoMove);
    EXPECT_EQ(h.width(), 320);
    EXPECT_EQ(h.frameGeometry().right() + 1, 1920) << "at the desktop's right edge";
    EXPECT_EQ(h.frameGeometry().top(), Client().frameGeometry().top());
    EXPECT_EQ(h.IndexTree2->width(), 150);
    EXPECT_EQ(main->CloseTimeEnvData->HistoryWindowWidth, 320);

    // the window's own changes are recorded
    h.resize(340, h.height());
    EXPECT_EQ(main->CloseTimeEnvData->HistoryWindowWidth, 340);
    h.Splitter1->setSizes({120, 200});
    h.Splitter1->splitterMoved(120, 1);
    EXPECT_EQ(main->CloseTimeEnvData->HistorySplitPos, h.IndexTree2->width());
    h.SetAutoMove(true);
    EXPECT_TRUE(main->CloseTimeEnvData->HistoryAutoMove);
    EXPECT_EQ(h.frameGeometry().left(), std::min(Client().frameGeometry().right() + 1, 1920 - h.frameGeometry().width()));

    // minimized and restored: hidden, then back beside the client window; the recorded visibility stays
    Send(mc::WM_MC_CLIENTMINIMIZE, reinterpret_cast<winmsg::WPARAM>(&Client()));
    EXPECT_FALSE(h.isVisible());
    EXPECT_TRUE(main->HistoryShowing);
    Send(mc::WM_MC_CLIENTRESTORE, reinterpret_cast<winmsg::WPARAM>(&Client()));
    EXPECT_TRUE(h.isVisible());

    // closed by the user: not shown at the next start
    h.close();
    EXPECT_FALSE(main->HistoryShowing);
    Send(mc::WM_MC_CLIENTRESTORE, reinterpret_cast<winmsg::WPARAM>(&Client()));
    EXPECT_FALSE(h.isVisible());
    main.reset();
    const std::string env = Read("Zintavor.Environment");
    EXPECT_NE(env.find("HISTORYSHOWING=0"), std::string::npos) << env;
    EXPECT_NE(env.find("HISTORYWINDOW_W=340"), std::string::npos) << env;
    EXPECT_NE(env.find("HISTORYAUTOMOVE=1"), std::string::npos) << env;

    // shown again from a page, beside the client window
    main = std::make_unique<TMain>();
    EXPECT_FALSE(History().isVisible());
    Page().Action_ShowHistoryForm->trigger();
    EXPECT_TRUE(History().isVisible());
    EXPECT_TRUE(main->HistoryShowing);
    main.reset();
    EXPECT_NE(Read("Zintavor.Environment").find("HISTORYSHOWING=1"), std::string::npos);
}

// The user opens the history window with Ctrl+H and quits with ファイル →
// 終了 without touching the splitter: the next start shows the window again,
// its tree as wide as before.
TEST_F(HistoryMainTest, OpenWithCtrlHAndQuitFromTheMenuKeepsSplitAndVisibility) {
    main = std::make_unique<TMain>();
    ASSERT_FALSE(main->StartUpFailed());
    const int split = main->CloseTimeEnvData->HistorySplitPos;
    ASSERT_EQ(split, 259) << "the default of a 1920 x 1080 screen";
    QApplication::setActiveWindow(&Client());
    Page().ScriptEditor->setFocus();
    QTest::keyClick(Page().ScriptEditor, Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(History().isVisible());
    // ファイル → 終了, as the running program's message loop delivers it
    QTimer::singleShot(0, &Client(), [this] { Client().Action_Exit->trigger(); });
    QTimer safetyNet;  // not a measure: only that a failing quit cannot hang the test
    safetyNet.setSingleShot(true);
    QObject::connect(&safetyNet, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    safetyNet.start(60000);
    EXPECT_EQ(QApplication::exec(), 0);
    safetyNet.stop();
    main.reset();
    const std::string env = Read("Zintavor.Environment");
    EXPECT_NE(env.find("HISTORYSHOWING=1\r\n"), std::string::npos) << env;
    EXPECT_NE(env.find("HISTORYSPLITPOS=" + std::to_string(split) + "\r\n"), std::string::npos) << env;

    reentry::SetTerminating(false);
    main = std::make_unique<TMain>();
    EXPECT_TRUE(History().isVisible());
    EXPECT_EQ(History().IndexTree2->width(), split);
}
