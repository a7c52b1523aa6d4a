// The main program block and the main form: the command-line gate and the
// command line, the start-up order, the message centre's table, the settings
// applied to the client window and read back, a fatal start-up error, and
// whole runs of scripts through the main form.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QPointer>
#include <QSplitter>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleOption>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>

#include "AppException.h"
#include "CP932.h"
#include "CP932Qt.h"
#include "DataSet.h"
#include "DM_MessageCenter.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "Form_Main.h"
#include "KZNMessageDlg.h"
#include "Reentrancy.h"
#include "ScreenMetrics.h"
#include "QtTestApp.h"
#include "ShortCutText.h"
#include "StringList.h"
#include "MainTestUtil.h"
#include "TestUtil.h"
#include "U_ADODriver.h"
#include "U_ClientMessages.h"
#include "U_Form_Connect.h"
#include "U_Form_Script.h"
#include "U_Environment.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "U_Form_Version.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"
#include "U_ShellForms.h"
#include "U_StartUp.h"

namespace {

using Lines = std::vector<std::string>;

using maintest::UdlBytes;

struct MainTest : maintest::TMainFolderTest {
    std::string ResultText() { return Client().ActiveResultPage()->Editor->Lines().GetText(); }
    Lines ResultLines() { return TStringList(ResultText()).Items; }
};

}  // namespace

// ---- the gate and the command line

TEST(StartUp, OnlyNoArgumentOrAFirstArgumentWithAtOpensTheWindows) {
    struct Case {
        std::vector<const char*> args;  // after the program
        bool opens;
    } cases[] = {
        {{}, true},
        {{"@"}, true},
        {{"@a.sql", "b c", "d"}, true},
        {{"x"}, false},
        {{"/help"}, false},
        {{"-@x"}, false},
        {{""}, false},
        {{"x", "@a.sql"}, false},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"Zintavor"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        argv.push_back(nullptr);
        EXPECT_EQ(startup::OpensWindows(static_cast<int>(argv.size()) - 1, argv.data()), c.opens)
            << (c.args.empty() ? "(none)" : c.args[0]);
    }
}

TEST(StartUp, TheCommandLineQuotesEveryArgumentAfterTheFirst) {
    struct Case {
        Lines args;
        char delimiter;
        std::string line;
    } cases[] = {
        {{}, ';', ""},
        {{"@"}, ';', "@;"},
        {{"@a.sql"}, ';', "@a.sql;"},
        {{"@a.sql", "b c"}, ';', "@a.sql \"b c\";"},
        {{"@daily.sql", "2024", "A B"}, ';', "@daily.sql \"2024\" \"A B\";"},
        {{"@a.sql", "", "x\"y"}, ';', "@a.sql \"\" \"x\"y\";"},  // not escaped
        {{"@表.sql", "値"}, ';', "@表.sql \"値\";"},
        // the configured delimiter ends the line; none configured is ";"
        {{"@a.sql", "2024"}, '|', "@a.sql \"2024\"|"},
        {{"@a.sql"}, '/', "@a.sql/"},
        {{"@a.sql"}, 0, "@a.sql;"},
        {{}, '|', ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TMain::BuildCommandLine(c.args, c.delimiter), c.line);
}

TEST(StartUp, ArgumentsArriveAsCP932) {
    const std::string utf8 = cp932::ToUtf8("@表.sql");
    const char* argv[] = {"Zintavor", utf8.c_str(), "x", nullptr};
    EXPECT_EQ(startup::Arguments(3, argv), (Lines{"@表.sql", "x"}));
}

// An argument that has no exact CP932 form refuses the command line: the
// script's name with the name message, any other with the argument message.
TEST(StartUp, ArgumentsCP932CannotHoldRefuseTheCommandLine) {
    const std::string name = "ファイル名に、シフトJISで表せない文字が含まれています。このファイルは使えません。\r\n";
    const std::string arg = "コマンドラインの引数に、シフトJISで表せない文字が含まれています。この引数は使えません。\r\n";
    const std::string ok = cp932::ToUtf8("@表.sql");
    struct Case {
        std::vector<const char*> args;
        std::string refusal;
    } cases[] = {
        {{ok.c_str(), "2024", "A B"}, ""},
        {{"@a\xC0\xAF" "b.sql"}, name + "a??b.sql"},          // an overlong "/"
        {{"@\xC0\xAE\xC0\xAE/x.sql"}, name + "????" "/x.sql"},  // an overlong ".."
        {{"@caf\xC3\xA9.sql"}, name + "caf?.sql"},              // a character CP932 lacks
        {{ok.c_str(), "x", "\xED\xA0\x80"}, arg + "???"},        // a surrogate
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"Zintavor"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        argv.push_back(nullptr);
        EXPECT_EQ(startup::ArgumentsRefusal(static_cast<int>(argv.size()) - 1, argv.data()), c.refusal)
            << testutil::Hex(c.args.back());
    }
}

// ---- what the process gets before its windows

TEST(StartUp, APrivateRuntimeFolderIsMadeAsADesktopLoginWould) {
    const std::string base = fs932::ToNative(testutil::TempFolder("runtime"));
    const std::string mine = base + "runtime-" + std::to_string(getuid());
    struct Case {
        const char* name;
        const char* already;  // XDG_RUNTIME_DIR before, or null
        std::function<void()> before;
        bool fresh;  // a folder beside the usual name
    } cases[] = {
        {"already set", "/somewhere/else", [] {}, false},
        {"missing", nullptr, [] {}, false},
        {"empty variable", "", [] {}, false},
        {"ours but open to others", nullptr, [&] { ::mkdir(mine.c_str(), 0755); }, false},
        {"a file in its place", nullptr, [&] { std::FILE* f = std::fopen(mine.c_str(), "w"); std::fclose(f); }, true},
        {"a link in its place", nullptr, [&] { ::symlink(base.c_str(), mine.c_str()); }, true},
    };
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(std::system(("rm -rf '" + base + "'; mkdir -p '" + base + "'").c_str()), 0);
        if (c.already) setenv("XDG_RUNTIME_DIR", c.already, 1); else unsetenv("XDG_RUNTIME_DIR");
        c.before();
        const std::string dir = startup::PrepareRuntimeFolder(base.substr(0, base.size() - 1));
        EXPECT_EQ(std::string(std::getenv("XDG_RUNTIME_DIR")), dir);
        if (c.already && *c.already) {
            EXPECT_EQ(dir, c.already);
            continue;
        }
        if (c.fresh) {
            EXPECT_EQ(dir.rfind(mine + "-", 0), 0u) << dir;
        } else {
            EXPECT_EQ(dir, mine);
        }
        struct stat st {};
        ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, getuid());
    }
    if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
}

TEST(StartUp, QtsOwnDialogsSpeakJapanese) {
    QTranslator* qt = startup::LoadQtTranslations(*qApp);
    ASSERT_NE(qt, nullptr) << "qtbase_ja is missing: install qt6-translations-l10n";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf16(u"キャンセル"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    EXPECT_NE(QCoreApplication::translate("QColorDialog", "Select Color"), QStringLiteral("Select Color"));
    QCoreApplication::removeTranslator(qt);
    delete qt;
}

// The overflow buttons of tool bars and menu bars, which the program's style
// makes once for all bars, show the style's own icons, each orientation and
// direction its own.
TEST(StartUp, OverflowButtonsKeepTheStylesIcons) {
    const QString before = QApplication::style()->name();
    auto image = [](const QIcon& icon) { return icon.pixmap(QSize(16, 16)).toImage(); };
    auto standard = [&](QStyle::StandardPixmap p, Qt::LayoutDirection d) {
        QStyleOption o;
        o.direction = d;
        return image(QApplication::style()->standardIcon(p, &o));
    };
    const QImage horizontal = standard(QStyle::SP_ToolBarHorizontalExtensionButton, Qt::LeftToRight);
    const QImage vertical = standard(QStyle::SP_ToolBarVerticalExtensionButton, Qt::LeftToRight);
    const QImage horizontalRtl = standard(QStyle::SP_ToolBarHorizontalExtensionButton, Qt::RightToLeft);
    ASSERT_NE(horizontal, vertical);
    const QPalette palette = QApplication::palette();
    const QFont font = QApplication::font();
    startup::ShareToolBarExtensionIcons();
    // the same colours and font
    EXPECT_EQ(QApplication::palette(), palette);
    EXPECT_EQ(QApplication::font(), font);
    // the same style underneath
    auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(proxy->baseStyle()->name(), before);
    auto button = [](QWidget& bar, const char* name) { return bar.findChild<QToolButton*>(QString::fromLatin1(name)); };
    QToolBar top, side, right;
    side.setOrientation(Qt::Vertical);
    right.setLayoutDirection(Qt::RightToLeft);
    QMenuBar menus;
    for (QWidget* bar : std::initializer_list<QWidget*>{&top, &side, &right, &menus}) bar->show();
    QApplication::processEvents();
    ASSERT_NE(button(top, "qt_toolbar_ext_button"), nullptr);
    ASSERT_NE(button(menus, "qt_menubar_ext_button"), nullptr);
    EXPECT_EQ(image(button(top, "qt_toolbar_ext_button")->icon()), horizontal);
    EXPECT_EQ(image(button(side, "qt_toolbar_ext_button")->icon()), vertical);
    EXPECT_EQ(image(button(menus, "qt_menubar_ext_button")->icon()), horizontal);
    // a bar turned on its side takes the other icon, and back again
    side.setOrientation(Qt::Horizontal);
    EXPECT_EQ(image(button(side, "qt_toolbar_ext_button")->icon()), horizontal);
    EXPECT_EQ(standard(QStyle::SP_ToolBarHorizontalExtensionButton, Qt::RightToLeft), horizontalRtl);
    // other icons are the style's, made as it makes them
    EXPECT_EQ(image(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
              image(QApplication::style()->proxy()->standardIcon(QStyle::SP_DirIcon)));
    QApplication::setStyle(before);
}

// ---- start-up

TEST_F(MainTest, HelloScriptRunsBeforeTheCommandLine) {
    Write("Hello.Script", "#Print こんにちは;\r\n");
    Write("cmd.sql", "#Print {%1}と{%2};\r\n");
    main = std::make_unique<TMain>();
    ASSERT_FALSE(main->StartUpFailed());
    EXPECT_TRUE(Client().isVisible());
    EXPECT_FALSE(main->isVisible());
    main->ExecuteStartUp({"@" + dir + "cmd.sql", "一", "二 三"});
    const Lines lines = ResultLines();
    const auto hello = std::find(lines.begin(), lines.end(), "こんにちは");
    const auto cmd = std::find(lines.begin(), lines.end(), "一と二 三");
    ASSERT_NE(hello, lines.end()) << ResultText();
    ASSERT_NE(cmd, lines.end()) << ResultText();
    EXPECT_LT(hello, cmd);
    // The command line stays in the active script page.
    EXPECT_EQ(Client().ActiveScriptPage()->ScriptEditor->Lines().GetText(),
              "@" + dir + "cmd.sql \"一\" \"二 三\";\r\n");
}

TEST_F(MainTest, TheCommandLineEndsWithTheConfiguredDelimiter) {
    Write("Zintavor.Environment", "[SQLDELIMITER]\r\nDelimiter=\"|\"\r\n");
    Write("cmd.sql", "#Print {%1}|\r\n#Print 二|\r\n");
    main = std::make_unique<TMain>();
    ASSERT_FALSE(main->StartUpFailed());
    ASSERT_EQ(Client().SQLDelimiter, '|');
    main->ExecuteStartUp({"@" + dir + "cmd.sql", "一"});
    const Lines lines = ResultLines();
    const auto first = std::find(lines.begin(), lines.end(), "一");
    const auto second = std::find(lines.begin(), lines.end(), "二");
    ASSERT_NE(first, lines.end()) << ResultText();
    ASSERT_NE(second, lines.end()) << ResultText();
    EXPECT_LT(first, second);
    EXPECT_EQ(Client().ActiveScriptPage()->ScriptEditor->Lines().GetText(), "@" + dir + "cmd.sql \"一\"|\r\n");
}

TEST_F(MainTest, WithoutHelloScriptAndArgumentsNothingRuns) {
    main = std::make_unique<TMain>();
    // The saved connections and their prompts are plugged into the driver.
    EXPECT_TRUE(main->ADODriver->ConnectionStoreFactory);
    EXPECT_TRUE(main->ADODriver->ConnectDialog);
    main->ExecuteStartUp({});
    EXPECT_EQ(ResultText(), "");
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(fatal.empty());
}

TEST_F(MainTest, TheConnectionsDialogsFileDialogOpensInTheActivePagesFolder) {
    main = std::make_unique<TMain>();
    ASSERT_FALSE(main->StartUpFailed());
    const std::string folder = dir + "udl files/";
    ASSERT_TRUE(fs932::ForceDirectories(folder));
    Client().ActiveScriptPage()->SetCurrentFolder(folder);  // after the driver took its copy
    std::string shownIn = "(not shown)";
    testutil::AnswerModal<TForm_Connect>([&](TForm_Connect* d) {
        d->OnChooseFile = [&](const std::string&, const std::string& Folder, std::string&) {
            shownIn = Folder;
            return false;
        };
        d->Action_UDLOpen->trigger();
        d->reject();
    });
    TDriverInterfaceProp_DriverImpl startUpCopy;
    std::string name;
    EXPECT_FALSE(main->ADODriver->ConnectDialog(startUpCopy, name));
    std::string expected;
    Client().ActiveScriptPage()->GetCurrentFolder(expected);
    EXPECT_EQ(shownIn, expected);
    EXPECT_EQ(shownIn.rfind(folder, 0), 0u) << shownIn;
}

TEST_F(MainTest, AFatalStartUpErrorIsShownAndEndsTheProgramWithANonZeroCode) {
    TMain::Hooks().MakeClient = [](QWidget*, winmsg::HWND) -> TFrameSQLClient* {
        throw EFrameSQLClient("ウィンドウを作れません");
    };
    Write("Hello.Script", "#Print never\r\n");
    EXPECT_EQ(startup::RunWindows(*qApp, {"@x.sql"}), 1);
    EXPECT_EQ(fatal, Lines{"ウィンドウを作れません"});
    EXPECT_TRUE(reentry::Terminating());
}

TEST_F(MainTest, AnOrderlyRunEndsWithZeroAndWritesTheCloseTimeSection) {
    Write("cmd.sql", "#Print abc;\r\n#Exit;\r\n");
    EXPECT_EQ(startup::RunWindows(*qApp, {"@" + dir + "cmd.sql"}), 0);
    EXPECT_TRUE(fatal.empty());
    std::string file;
    ASSERT_TRUE(fs932::ReadFile(dir + "Zintavor.Environment", file));
    EXPECT_NE(file.find("[CLOSETIMEESAVE]"), std::string::npos);
    EXPECT_EQ(file.find("[SCRIPTEDITOR]"), std::string::npos) << "only the close-time section is written at exit";
}

// A save at close that fails is a save error naming its file, never a start-up error.
TEST_F(MainTest, AFailedSaveAtCloseIsASaveErrorAndEndsWithCodeOne) {
    for (const char* name : {"Zintavor.History", "Zintavor.Environment"}) {
        SCOPED_TRACE(name);
        const std::string rm = "rm -rf '" + fs932::ToNative(dir) + "Zintavor.'*";
        ASSERT_EQ(std::system(rm.c_str()), 0);
        ASSERT_TRUE(fs932::ForceDirectories(dir + name));
        Write("cmd.sql", "#Print abc;\r\n#Exit;\r\n");
        notices.clear();
        reentry::SetTerminating(false);
        EXPECT_EQ(startup::RunWindows(*qApp, {"@" + dir + "cmd.sql"}), 1);
        EXPECT_TRUE(fatal.empty());
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_NE(notices[0].find("の保存に失敗しました。[" + dir + name + "]\r\n"), std::string::npos) << notices[0];
        EXPECT_NE(notices[0].find("同じ名前のフォルダがあります"), std::string::npos) << notices[0];
    }
}

// ---- the message centre

TEST_F(MainTest, TheTableDispatchesTheClientWindowsMessages) {
    const uint32_t dispatched[] = {mc::WM_MC_ENVEDIT,        mc::WM_MC_ABOUT,          mc::WM_MC_UPDATECAPTION,
                                   mc::WM_MC_CLOSECLIENT,    mc::WM_MC_REVIVESCRIPT,   mc::WM_MC_CLIENTACTIVATE,
                                   mc::WM_MC_CLIENTMOVE,     mc::WM_MC_CLIENTRESIZE,   mc::WM_MC_CLIENTMAXIMIZE,
                                   mc::WM_MC_CLIENTRESTORE,  mc::WM_MC_ESCAPEREPLACECHANGE, mc::WM_MC_RELOADENV,
                                   mc::WM_MC_SCRIPTRESULTSPLIT};
    for (uint32_t m : dispatched) EXPECT_NE(TMessageCenter::Find(m), nullptr) << std::hex << m;
    for (uint32_t m : {winmsg::WM_APP, winmsg::WM_APP + 3, winmsg::WM_APP + 16, winmsg::WM_APP + 1000, 0x0010u})
        EXPECT_EQ(TMessageCenter::Find(m), nullptr) << std::hex << m;
    EXPECT_EQ(mc::WM_MC_ENVEDIT, 0x8001u);
    EXPECT_EQ(mc::WM_MC_LOADOBJECTTREE, 0x802Cu);
    EXPECT_EQ(mc::WM_MC_RELOADENV, 0x83E9u);
    EXPECT_EQ(mc::WM_MC_HISTORYAUTOMOVE, 0x87DDu);
}

TEST_F(MainTest, MessagesReachTheWindowTheyNameOrTheCurrentOne) {
    main = std::make_unique<TMain>();
    TFrameSQLClient& c = Client();
    const std::string caption = " Zintavor " + shellforms::ProgramFileVersion();
    // Never activated (offscreen windows need not be): the one client window is current.
    EXPECT_EQ(main->GetCurrentTarget(), &c);
    EXPECT_EQ(cp932::FromQString(c.windowTitle()), caption) << "the window's constructor asked for its caption";

    struct Case {
        const char* name;
        uint32_t msg;
        winmsg::WPARAM wparam;
    } cases[] = {
        {"the window itself", mc::WM_MC_UPDATECAPTION, Me()},
        {"the current window", mc::WM_MC_UPDATECAPTION, 0},
        {"not a window: the current one", mc::WM_MC_UPDATECAPTION, reinterpret_cast<winmsg::WPARAM>(&c.EscapeSQ)},
    };
    for (const auto& k : cases) {
        c.setWindowTitle(QStringLiteral("x"));
        EXPECT_EQ(Send(k.msg, k.wparam), 0) << k.name;
        EXPECT_EQ(cp932::FromQString(c.windowTitle()), caption) << k.name;
    }
    // Numbers outside the table do nothing and answer 0.
    c.setWindowTitle(QStringLiteral("x"));
    EXPECT_EQ(Send(winmsg::WM_APP + 3, Me()), 0);
    EXPECT_EQ(c.windowTitle(), QStringLiteral("x"));

    Send(mc::WM_MC_CLIENTACTIVATE, Me());
    EXPECT_EQ(main->CurrentTarget.data(), &c);

    TStringList revived("SELECT 1\r\nFROM DUAL");
    Send(mc::WM_MC_REVIVESCRIPT, 0, reinterpret_cast<winmsg::LPARAM>(&revived));
    EXPECT_EQ(c.ActiveScriptPage()->ScriptEditor->Lines().GetText(), "SELECT 1\r\nFROM DUAL\r\n");

    c.SetEscapeReplaceOptions({true, false, true, false, true});
    const TWritableCloseTimeEnvData& ct = *main->CloseTimeEnvData;
    EXPECT_EQ((std::vector<bool>{ct.EscapeSQ, ct.EscapeDQ, ct.EscapeY, ct.Escape5C, ct.EscapeEscapeDouble}),
              (std::vector<bool>{true, false, true, false, true}));

    c.Splitter_Script_Result->setSizes({123, 300});
    Send(mc::WM_MC_SCRIPTRESULTSPLIT, Me());
    EXPECT_EQ(main->CloseTimeEnvData->ScriptResultPos, c.Splitter_Script_Result->sizes()[0]);

    EXPECT_FALSE(reentry::Terminating());
    Send(mc::WM_MC_CLOSECLIENT, Me());
    EXPECT_TRUE(reentry::Terminating()) << "the one client window closed ends the program";
}

TEST_F(MainTest, ASizeIsRecordedOnlyBelowEightyPercentOfTheDesktop) {
    hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1000, 800}; });
    main = std::make_unique<TMain>();
    TFrameSQLClient& c = Client();
    struct Case {
        int width, height;
        int recordedW, recordedH;
    } cases[] = {
        {500, 400, 500, 400},
        {790, 600, 790, 600},
        {800, 700, 790, 600},  // 80 %: the size before stays
        {1000, 800, 790, 600},
        {640, 480, 640, 480},
    };
    for (const auto& k : cases) {
        c.resize(k.width, k.height);
        Send(mc::WM_MC_CLIENTRESIZE, Me());
        EXPECT_EQ(main->CloseTimeEnvData->ClientWindowWidth, k.recordedW) << k.width;
        EXPECT_EQ(main->CloseTimeEnvData->ClientWindowHeight, k.recordedH) << k.width;
    }
}

TEST_F(MainTest, ReloadAppliesTheSettingsFileToTheWindow) {
    main = std::make_unique<TMain>();
    EXPECT_EQ(Client().SQLDelimiter, ';');
    Write("Zintavor.Environment", "[SQLDELIMITER]\r\nDelimiter=\"!\"\r\n[SCRIPTPREFIX]\r\nCommand=\"%\"\r\n");
    Send(mc::WM_MC_RELOADENV, 0);
    EXPECT_EQ(Client().SQLDelimiter, '!');
    EXPECT_EQ(Client().CommandPrefix, '%');
}

// ---- the settings on the client window

namespace {

std::string Keys(QAction* a) { return shortcut::ShortCutToText(shortcut::FromKeySequence(a->shortcut())); }

struct FrameSettingsTest : ::testing::Test {
    std::string dir = testutil::TempFolder("framesettings");
    std::unique_ptr<TFrameSQLClient> frame = std::make_unique<TFrameSQLClient>(nullptr, 0);
    ~FrameSettingsTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace

TEST_F(FrameSettingsTest, ShortcutTextsGoToTheActionsAndComeBackInTheToolkitsWords) {
    struct Case {
        TShortcutKeyIndex key;
        QAction* TFrameSQLClient::*action;
        const char* text;      // in the settings file
        const char* shown;     // on the action, and read back
    } cases[] = {
        {sk_Connect, &TFrameSQLClient::Action_Connect, "CTRL+F2", "Ctrl+F2"},
        {sk_ReConnect, &TFrameSQLClient::Action_ReConnect, "SHIFT+Esc", "Shift+Esc"},
        {sk_DisConnect, &TFrameSQLClient::Action_DisConnect, "CTRL+-", "Ctrl+-"},
        {sk_Commit, &TFrameSQLClient::Action_Commit, "shift+ctrl+-", "Shift+Ctrl+-"},
        {sk_RollBack, &TFrameSQLClient::Action_RollBack, "^N", "Ctrl+N"},
        {sk_AutoCommitToggle, &TFrameSQLClient::Action_AutoCommitToggle, "Alt+Ctrl+Shift+F5", "Shift+Ctrl+Alt+F5"},
        {sk_EnvEdit, &TFrameSQLClient::Action_EnvEdit, "", ""},
        {sk_NewScriptEditor, &TFrameSQLClient::Action_NewScriptEditor, "CTRL+NoSuchKey", ""},
        {sk_AddResultSeet, &TFrameSQLClient::Action_AddResultSeet, "F9", "F9"},
    };
    TEnvironment env(dir + "a.Environment");
    for (const auto& c : cases) env.EnvData->ShortcutKeys[c.key] = c.text;
    env.EnvData->ShortcutKeys[sk_ALLSQLExec] = "SHIFT+F1";  // a script page's: not the window's
    env.ApplySettings(*frame);
    for (const auto& c : cases) EXPECT_EQ(Keys((*frame).*c.action), c.shown) << c.text;

    TEnvironment back(dir + "a.Environment");
    back.ReadFromFrame(*frame);
    for (const auto& c : cases) EXPECT_EQ(back.EnvData->ShortcutKeys[c.key], c.shown) << c.text;
    EXPECT_EQ(back.EnvData->ShortcutKeys[sk_ALLSQLExec], "F9") << "not the window's: kept as the object held it";
    // Read back and applied again, the actions keep their keys.
    back.ApplySettings(*frame);
    for (const auto& c : cases) EXPECT_EQ(Keys((*frame).*c.action), c.shown) << c.text;
}

TEST_F(FrameSettingsTest, SettingsGoToTheWindowAndComeBack) {
    TEnvironment env(dir + "b.Environment");
    TWritableEnvData& d = *env.EnvData;
    d.SQLDelimiter = '/';
    d.CommandPrefix = '%';
    d.FavoriteExecutePrefix = '&';
    d.ImportScriptFileNamePrefix = '<';
    d.MouseGestureActive = false;
    d.GridCaptionPrefix = "表#";
    d.NullStr = "<ヌル>";
    d.ConvertErrorStr = "??";
    d.ResultEditorFontSize = 14;
    d.TabReplace = false;
    d.TabRepraceStr = "→";
    d.CRLFReplace = true;
    d.CRLFReplaceStr = "↓";
    d.ResultScale = '|';
    d.ResultScaleSpacer = '=';
    d.ResultColumnDelim = ',';
    d.ResultEditorSoftTab = false;
    d.ResultEditorSoftTabSpaceCount = 8;
    d.CommitMode = acmk_Manual;
    d.ScriptEditorFontSize = 20;   // the script pages', not read back
    d.ToolbarPositions[0] = 77;     // never on the window
    env.ApplySettings(*frame);

    EXPECT_EQ(frame->SQLDelimiter, '/');
    EXPECT_EQ(frame->CommandPrefix, '%');
    EXPECT_EQ(frame->FavoriteExecutePrefix, '&');
    EXPECT_EQ(frame->ImportScriptFileNamePrefix, '<');
    EXPECT_FALSE(frame->MouseGestureActive);
    EXPECT_EQ(frame->GridCaptionPrefix, "表#");
    EXPECT_EQ(frame->AutoCommitMode, acmk_Manual);
    EXPECT_TRUE(frame->IsAutoCommit) << "the settings' apply leaves the open state alone";
    EXPECT_EQ(frame->EnvData->NullStr, "<ヌル>");
    EXPECT_EQ(frame->EnvData->CRLFReplaceStr, "↓");
    EXPECT_EQ(frame->EnvData->ResultColumnDelim, ',');
    EXPECT_EQ(frame->EnvData->ResultEditorFontSize, 14);
    EXPECT_EQ(frame->ActiveResultPage()->Editor->font().pointSize(), 14) << "the result editor is set up anew";
    EXPECT_EQ(frame->EnvData->ScriptEditorFontSize, 11) << "only the result-text fields go to the window's record";

    TEnvironment back(dir + "b.Environment");
    back.EnvData->ScriptEditorFontSize = 9;
    back.ReadFromFrame(*frame);
    const TWritableEnvData& r = *back.EnvData;
    EXPECT_EQ(r.SQLDelimiter, '/');
    EXPECT_EQ(r.CommandPrefix, '%');
    EXPECT_EQ(r.FavoriteExecutePrefix, '&');
    EXPECT_EQ(r.ImportScriptFileNamePrefix, '<');
    EXPECT_FALSE(r.MouseGestureActive);
    EXPECT_EQ(r.GridCaptionPrefix, "表#");
    EXPECT_EQ(r.NullStr, "<ヌル>");
    EXPECT_EQ(r.ConvertErrorStr, "??");
    EXPECT_EQ(r.ResultEditorFontSize, 14);
    EXPECT_FALSE(r.TabReplace);
    EXPECT_EQ(r.TabRepraceStr, "→");
    EXPECT_TRUE(r.CRLFReplace);
    EXPECT_EQ(r.CRLFReplaceStr, "↓");
    EXPECT_EQ(r.ResultScale, '|');
    EXPECT_EQ(r.ResultScaleSpacer, '=');
    EXPECT_FALSE(r.ResultEditorSoftTab);
    EXPECT_EQ(r.ResultEditorSoftTabSpaceCount, 8);
    EXPECT_EQ(r.ScriptEditorFontSize, 9) << "what the window does not hold keeps the object's value";
    EXPECT_EQ(r.CommitMode, acmk_Auto);
    EXPECT_EQ(r.ToolbarPositions[0], -1);
}

TEST_F(FrameSettingsTest, TheLayoutSizesTheWindowAndOpensTheScriptAreaUncollapsed) {
    struct Case {
        int saved;
        bool half;  // opens at half the client panel
    } cases[] = {{200, false}, {300, false}, {50, true}, {0, true}, {10000, true}};
    for (const auto& c : cases) {
        frame = std::make_unique<TFrameSQLClient>(nullptr, 0);
        TEnvironment env(dir + "c.Environment");
        env.EnvData->CloseTimeEnvData->ClientWindowWidth = 900;
        env.EnvData->CloseTimeEnvData->ClientWindowHeight = 700;
        env.EnvData->CloseTimeEnvData->ScriptResultPos = c.saved;
        env.ApplyToFrame(*frame);
        frame->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(frame->size(), QSize(900, 700));
        const int panel = frame->Panel_ClientBase->height();
        if (c.half) {
            const int half = TEnvironment::ScriptAreaHeight(0, panel);
            EXPECT_EQ(frame->Page_Script->height(), half) << c.saved;
            EXPECT_NEAR(half * 2, panel, 1);
        } else {
            EXPECT_EQ(frame->Page_Script->height(), c.saved);
        }
        EXPECT_EQ(TEnvironment::ScriptAreaHeightOf(*frame), frame->Page_Script->height());
    }
}

TEST_F(FrameSettingsTest, TheCommitModeGivesTheOpeningState) {
    struct Case {
        TAutoCommitModeKind mode;
        bool lastState;
        bool autoCommit;
    } cases[] = {{acmk_Auto, false, true}, {acmk_UnKnown, false, true}, {acmk_Manual, true, false},
                 {acmk_Env, false, false}, {acmk_Env, true, true}};
    for (const auto& c : cases) {
        TEnvironment env(dir + "d.Environment");
        env.EnvData->CommitMode = c.mode;
        env.EnvData->CloseTimeEnvData->CommitModeState = c.lastState;
        frame->SetIsAutoCommit(!c.autoCommit);
        env.ApplyToFrame(*frame);
        EXPECT_EQ(frame->IsAutoCommit, c.autoCommit) << c.mode << " " << c.lastState;
        EXPECT_EQ(frame->Action_Commit->isEnabled(), !c.autoCommit);
    }
}

TEST_F(MainTest, EscapeOptionsFromTheFileReachTheBarsAndAPagesChoiceIsSaved) {
    Write("Zintavor.Environment", "[CLOSETIMEESAVE]\r\nESCAPE_Y=1\r\nESCAPE_ESCAPEDOUBLE=1\r\n");
    main = std::make_unique<TMain>();
    TForm_Script& page = *Client().ActiveScriptPage();
    // Opening a bar shows the options last saved, on a script page and on the window.
    const std::vector<bool> saved{false, false, true, false, true};
    EXPECT_EQ((std::vector<bool>{page.EscapeSQ, page.EscapeDQ, page.EscapeY, page.Escape5C, page.EscapeEscapeDouble}),
              saved);
    EXPECT_EQ((std::vector<bool>{Client().EscapeSQ, Client().EscapeDQ, Client().EscapeY, Client().Escape5C,
                                 Client().EscapeEscapeDouble}),
              saved);
    // A script page's choice is the one the close-time section keeps.
    page.SetEscapeReplaceOptions({true, true, false, false, false});
    const TWritableCloseTimeEnvData& ct = *main->CloseTimeEnvData;
    EXPECT_EQ((std::vector<bool>{ct.EscapeSQ, ct.EscapeDQ, ct.EscapeY, ct.Escape5C, ct.EscapeEscapeDouble}),
              (std::vector<bool>{true, true, false, false, false}));
    main.reset();
    TEnvironment after(dir + "Zintavor.Environment");
    after.Load();
    EXPECT_TRUE(after.EnvData->CloseTimeEnvData->EscapeDQ);
    EXPECT_FALSE(after.EnvData->CloseTimeEnvData->EscapeY);
}

TEST_F(MainTest, StartUpAppliesTheSettingsFileAndKeepsItsCloseTimeValues) {
    Write("Zintavor.Environment",
          "[SQLDELIMITER]\r\nDelimiter=\"!\"\r\n[SHORTCUTKEYS]\r\nConnect=SHIFT+Esc\r\n"
          "[TRANSACTION]\r\nCommitMode=Env\r\n"
          "[CLOSETIMEESAVE]\r\nCLIENTWINDOWSIZE_W=640\r\nCLIENTWINDOWSIZE_H=480\r\nCommitModeState=0\r\n"
          "ESCAPE_Y=1\r\nBUNDLE_START=<<\r\n");
    main = std::make_unique<TMain>();
    EXPECT_EQ(Client().SQLDelimiter, '!');
    EXPECT_EQ(Client().EnvData->SQLDelimiter, '!') << "the window's own record is the file's";
    EXPECT_EQ(Keys(Client().Action_Connect), "Shift+Esc");
    EXPECT_FALSE(Client().IsAutoCommit);
    EXPECT_EQ(Client().size(), QSize(640, 480));
    EXPECT_TRUE(main->CloseTimeEnvData->EscapeY);
    EXPECT_EQ(main->CloseTimeEnvData->BundleStart, "<<");
    EXPECT_TRUE(notices.empty());
    main.reset();
    // At close the section is written back from what was read, with the window's state.
    TEnvironment after(dir + "Zintavor.Environment");
    after.Load();
    const TWritableCloseTimeEnvData& ct = *after.EnvData->CloseTimeEnvData;
    EXPECT_EQ(ct.ClientWindowWidth, 640);
    EXPECT_TRUE(ct.EscapeY);
    EXPECT_EQ(ct.BundleStart, "<<");
    EXPECT_FALSE(ct.CommitModeState);
    EXPECT_EQ(after.EnvData->SQLDelimiter, '!') << "the other sections stay";
}

TEST_F(MainTest, ADamagedSettingsFileIsReportedOnceAndNeverStopsTheStart) {
    Write("Zintavor.Environment", "[SCRIPTEDITOR]\r\nFontSize=abc\r\n[SQLDELIMITER]\r\nDelimiter=\"!\"\r\n");
    main = std::make_unique<TMain>();
    EXPECT_FALSE(main->StartUpFailed());
    EXPECT_EQ(Client().SQLDelimiter, '!');
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(fs932::FileExists(dir + "Zintavor.Environment.bad"));
}

// ---- a whole run through the main form

TEST_F(MainTest, TheCommandLineRunsAScriptAgainstSQLiteIntoTheResultPage) {
    Write("db.udl", UdlBytes("DRIVER=SQLite3;Database=" + dir + "sample.sqlite"));
    Write("run.sql",
          "#Connect UDL:" + dir + "db.udl;\r\n"
          "CREATE TABLE 商品 (番号 INTEGER, 名前 VARCHAR(20), 価格 INTEGER);\r\n"
          "INSERT INTO 商品 VALUES (1, 'りんご', 120);\r\n"
          "INSERT INTO 商品 VALUES (2, '{%1}', NULL);\r\n"
          "#Erase;\r\n"
          "#SQLResultEchoOff;\r\n"
          "SELECT 番号, 名前, 価格 FROM 商品 ORDER BY 番号;\r\n"
          "#TextGrid;\r\n"
          "#SQLResultEchoOff;\r\n"
          "SELECT 名前 FROM 商品 WHERE 番号 = 1;\r\n");
    main = std::make_unique<TMain>();
    main->ExecuteStartUp({"@" + dir + "run.sql", "みかん"});
    EXPECT_EQ(ResultText(),
              "\r\n"
              "番号 名前   価格   \r\n"
              "---- ------ ------ \r\n"
              "   1 りんご    120 \r\n"
              "   2 みかん (NULL) \r\n"
              "\r\n"
              "名前  |\r\n"
              "------|\r\n"
              "りんご|\r\n"
              "------|\r\n")
        << cp932::ToUtf8(ResultText());
    EXPECT_TRUE(main->ADODriver->IsConnected());
    // A picture of the window after the run, under the build folder, for a person to look at.
    const char* tmp = std::getenv("ZINTAVOR_TEST_TMP");
    const QString shots = tmp ? QDir(QString::fromLocal8Bit(tmp)).absoluteFilePath(QStringLiteral("../screenshots"))
                              : QStringLiteral("/tmp/zintavor-screenshots");
    QDir().mkpath(shots);
    EXPECT_TRUE(Client().grab().save(QDir(shots).absoluteFilePath(QStringLiteral("main-window.png"))));
    std::string caption;
    main->ADODriver->GetDescription(caption);
    EXPECT_EQ(cp932::FromQString(Client().windowTitle()).rfind(caption + " Zintavor ", 0), 0u)
        << "the caption names the connection";
}

// ---- the DB2e CLP road, freeing, unhandled exceptions

TEST_F(MainTest, InDB2eCLPModeSQLGoesThroughTheProcessorOfTheCurrentFolder) {
    // A processor that answers describe and export and keeps what it was given.
    Write("DB2eCLP.exe",
          "#!/bin/sh\n"
          "input=$(cat)\n"
          "printf '%s\\n==\\n' \"$input\" >> stdin.txt\n"
          "case \"$input\" in\n"
          "  *describe*) printf ' --\\n INTEGER 4 ID\\n VARCHAR 10 NAME\\n' ;;\n"
          "  *export*) printf '1,\"alpha\"\\r\\n2,\"beta\"\\r\\n' > ZINTAVOR_EXPORTCSV.csv; echo 'Number of rows exported: 2' ;;\n"
          "esac\n");
    ASSERT_EQ(chmod(fs932::ToNative(dir + "DB2eCLP.exe").c_str(), 0755), 0);
    main = std::make_unique<TMain>();
    Client().DriverKind = 1;

    struct Case {
        const char* connectTo;  // the user variable; null when not set
        std::string input;      // what the processor was given
    } cases[] = {
        {nullptr,
         "describe select ID, NAME from T;\r\n==\nexport to ZINTAVOR_EXPORTCSV.csv of del select ID, NAME from T;\r\n==\n"},
        {"SAMPLE",
         "Connect To SAMPLE;\r\ndescribe select ID, NAME from T;\r\n==\n"
         "Connect To SAMPLE;\r\nexport to ZINTAVOR_EXPORTCSV.csv of del select ID, NAME from T;\r\n==\n"},
    };
    for (const auto& c : cases) {
        std::remove(fs932::ToNative(dir + "stdin.txt").c_str());
        if (c.connectTo) Client().UserEnvManager->SetValue("DB2eCLP_ConnectTO", c.connectTo);
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        main->ClientExecuteSQL(&Client(), "select ID, NAME from T", TSQLKind::Query, ds, msg);
        std::string input;
        ASSERT_TRUE(fs932::ReadFile(dir + "stdin.txt", input));
        EXPECT_EQ(input, c.input);
        EXPECT_NE(msg.find("Number of rows exported: 2"), std::string::npos) << msg;
        ASSERT_TRUE(ds);
        EXPECT_EQ(ds->RecordCount(), 2);
        ds->Last();
        EXPECT_EQ(ds->Fields(1).AsString(), "beta");
    }
}

TEST_F(MainTest, TheClientWindowIsFreedOnlyOnceNoRunUsesIt) {
    main = std::make_unique<TMain>();
    QPointer<TFrameSQLClient> client = main->SQLClient.data();
    {
        reentry::TBusyGuard run;  // a run further down the stack
        main.reset();
        ASSERT_TRUE(client) << "still used by the run";
        EXPECT_FALSE(client->isVisible());
        EXPECT_FALSE(client->OnExecuteSQL) << "it can no longer reach the freed main form";
        EXPECT_FALSE(client->OnIsConnected);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(client);
}

TEST(StartUp, AnExceptionNoCallerTakesIsShownUnlessItIsSilent) {
    std::vector<std::string> shown;
    {
        testutil::THookScope hooks;
        hooks.Set(SetMessageDlgPresenter, [&](const std::string& t, TMsgDlgType) { shown.push_back(t); });
        startup::ShowUnhandledException(EFrameSQLClient("フォルダが存在しません [ x ]"));
        startup::ShowUnhandledException(std::runtime_error("plain"));
        startup::ShowUnhandledException(EAbort("silent"));
    }
    EXPECT_EQ(shown, (Lines{"フォルダが存在しません [ x ]", "plain"}));
}

namespace {

// A client window whose runs fail outright, counting them.
class TFailingFrame : public TFrameSQLClient {
public:
    using TFrameSQLClient::TFrameSQLClient;
    void ExecuteScriptWithParams(const TStringList& Lines, const TStringList&) override {
        Runs.push_back(Lines.Text());
        throw EFrameSQLClient("実行できません");
    }
    std::vector<std::string> Runs;
};

}  // namespace

TEST_F(MainTest, AStartUpRunThatFailsIsShownAndTheNextStillRuns) {
    TFailingFrame* failing = nullptr;
    TMain::Hooks().MakeClient = [&](QWidget*, winmsg::HWND wnd) { return failing = new TFailingFrame(nullptr, wnd); };
    std::vector<std::string> shown;
    hooks.Set(app::SetExceptionHandler, [&](const std::exception& e) { shown.push_back(e.what()); });
    Write("Hello.Script", "#Print 1;\r\n");
    main = std::make_unique<TMain>();
    ASSERT_FALSE(main->StartUpFailed());
    main->ExecuteStartUp({"@a.sql"});
    ASSERT_NE(failing, nullptr);
    EXPECT_EQ(failing->Runs, (Lines{"#Print 1;\r\n", "@a.sql;\r\n"}));
    EXPECT_EQ(shown, (Lines{"実行できません", "実行できません"}));
}

TEST_F(MainTest, ClosingOneOfTwoClientWindowsReleasesOnlyIt) {
    main = std::make_unique<TMain>();
    QPointer<TFrameSQLClient> second = new TFrameSQLClient(nullptr, main->MessageCenter->Handle());
    second->show();
    Send(mc::WM_MC_CLIENTACTIVATE, reinterpret_cast<winmsg::WPARAM>(second.data()));
    EXPECT_EQ(main->GetCurrentTarget(), second.data());
    Send(mc::WM_MC_CLOSECLIENT, reinterpret_cast<winmsg::WPARAM>(second.data()));
    EXPECT_FALSE(reentry::Terminating()) << "another client window is still open";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(second);
    EXPECT_EQ(main->GetCurrentTarget(), &Client()) << "the one left is the current one again";
    Send(mc::WM_MC_CLOSECLIENT, 0);
    EXPECT_TRUE(reentry::Terminating());
}

TEST_F(MainTest, TheAboutBoxOpensModallyOverTheWindowThatAsked) {
    main = std::make_unique<TMain>();
    QWidget* owner = nullptr;
    bool onTop = false;
    testutil::AnswerModal<TForm_Version>([&](TForm_Version* about) {
        owner = about->parentWidget();
        onTop = about->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        about->reject();
    });
    Client().Action_About->trigger();
    EXPECT_EQ(owner, &Client());
    EXPECT_TRUE(onTop);
}
