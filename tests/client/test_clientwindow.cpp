// The client window's script files, dropped files and history items on the
// script editor, the history revival, the result page's title view and
// context menu, the splitter between the areas, and the whole window drawn
// after a real run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSplitterHandle>
#include <QTabBar>
#include <QTest>
#include <QUrl>

#include "EditorMenuKeys.h"
#include "CP932Qt.h"
#include "ClientTestUtil.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "KZNDragObject.h"
#include "KZNMessageDlg.h"
#include "KZNPopupMenu.h"
#include "MemDataSet.h"
#include "QtTestApp.h"
#include "TestUtil.h"
#include "U_ADODriver.h"
#include "U_ClientMessages.h"
#include "U_EditorResultConsole.h"
#include "U_Form_Grid.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"
#include "U_GrobalCommandRegister.h"
#include "U_ResultSeetManager.h"
#include "U_ScriptFileDialog.h"
#include "U_ScriptSheetManager.h"
#include "editor/ViewTestUtil.h"

namespace {

using Lines = std::vector<std::string>;

struct ClientWindowTest : ::testing::Test, testutil::WithApp {
    static void SetUpTestSuite() { GrobalCommandRegister().Register(&TzSay_Class); }
    static void TearDownTestSuite() { GrobalCommandRegister().Unregister(&TzSay_Class); }

    winmsg::TMessageWindow centre;
    std::unique_ptr<TFrameSQLClient> frame;
    std::string dir = testutil::TempFolder("clientwindow");
    Lines shown;                        // messages to the user
    std::vector<TScriptFileDialog> asked;  // the file dialogs opened
    std::string chosen;                 // the file the dialog answers with; empty: cancelled
    Lines history;                      // texts sent to the history
    std::string revived;                // what the shell hands back as the current history item
    testutil::THookScope hooks;          // the presenters below, and any a test installs

    ClientWindowTest() {
        centre.WndProc = [this](winmsg::TMessage& m) {
            if (m.Msg == mc::WM_MC_ADDHISTORY) history.push_back(reinterpret_cast<TStringList*>(m.LParam)->Text());
            if (m.Msg == mc::WM_MC_PREVHISTORY) history.push_back("<prev>");
            if (m.Msg == mc::WM_MC_NEXTHISTORY) history.push_back("<next>");
            if (m.Msg == mc::WM_MC_REVIVEHISTORY && !revived.empty())
                reinterpret_cast<TStringList*>(m.LParam)->SetText(revived);
        };
        frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle());
        frame->SQLDelimiter = ';';
        frame->CommandPrefix = '#';
        frame->ImportScriptFileNamePrefix = '@';
        frame->resize(900, 700);
        hooks.Set(SetMessageDlgPresenter, [this](const std::string& text, TMsgDlgType) { shown.push_back(text); });
        hooks.Set(TScriptFileDialog::SetChooser, [this](TScriptFileDialog& d) {
            asked.push_back(d);
            d.FileName = chosen;
            return !chosen.empty();
        });
    }
    ~ClientWindowTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TForm_Script* Page() { return frame->ActiveScriptPage(); }
    TScriptEditor* Script() { return Page()->ScriptEditor; }
    TKZNEditor* Result() { return frame->ActiveResultPage()->Editor; }
};

TEST_F(ClientWindowTest, OpeningScriptFiles) {
    struct Case {
        const char* name;
        const char* file;  // in the temp folder; null: the dialog is cancelled
        std::string bytes;  // written first unless empty
        std::string expected;  // the editor's text afterwards ("NAME" stands for the file's name)
        std::string message;
    } cases[] = {
        {"CP932 text", "jp.sql", "select '日本語' from t;\r\n#Say 表;\r\n", "select '日本語' from t;\r\n#Say 表;\r\n", ""},
        {"LF line ends", "lf.sql", "a\nb\n", "a\r\nb\r\n", ""},
        {"not a text file", "bin.dat", std::string("ab\0\x01", 4), "NAME\r\nテキストファイルではありません。\r\n", ""},
        {"missing file", "missing.sql", "", "old text\r\n", "スクリプトファイルを読み込めません [ NAME ]"},
        {"cancelled", nullptr, "", "old text\r\n", ""},
    };
    for (const auto& c : cases) {
        const std::string name = c.file ? dir + c.file : "";
        if (!c.bytes.empty()) {
            ASSERT_TRUE(fs932::WriteFileAtomic(name, c.bytes));
        }
        Script()->Lines().SetText("old text\r\n");
        Page()->HistoryDirty = true;
        shown.clear();
        asked.clear();
        history.clear();
        chosen = name;
        frame->Action_ScriptFileOpen->trigger();
        auto subst = [&](std::string s) {
            const size_t at = s.find("NAME");
            if (at != std::string::npos) s.replace(at, 4, name);
            return s;
        };
        EXPECT_EQ(Script()->Lines().GetText(), subst(c.expected)) << c.name;
        EXPECT_EQ(shown, c.message.empty() ? Lines{} : Lines{subst(c.message)}) << c.name;
        ASSERT_EQ(asked.size(), 1u) << c.name;
        EXPECT_EQ(asked[0].Title, "スクリプトファイルを開く");
        EXPECT_FALSE(asked[0].Save);
        // The old text goes to the history when a file was read.
        const bool read = c.file && c.message.empty();
        EXPECT_EQ(history, read ? Lines{"old text\r\n"} : Lines{}) << c.name;
    }
}

TEST_F(ClientWindowTest, SavingScriptFiles) {
    const std::string text = "select 'ｶﾅ漢字' from t;\r\n\t-- 表示\r\n";
    fs932::WriteFileAtomic(dir + "old.sql", "to be replaced");
    struct Case {
        const char* name;
        std::string file;
        bool written;
    } cases[] = {
        {"new file", dir + "new.sql", true},
        {"replaces a file", dir + "old.sql", true},
        {"folder missing", dir + "none/x.sql", false},
    };
    for (const auto& c : cases) {
        Script()->Lines().SetText(text);
        shown.clear();
        asked.clear();
        chosen = c.file;
        frame->Action_ScriptSave->trigger();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].Title, "スクリプトを保存");
        EXPECT_TRUE(asked[0].Save);
        std::string bytes;
        EXPECT_EQ(fs932::ReadFile(c.file, bytes), c.written) << c.name;
        if (c.written) {
            EXPECT_EQ(bytes, text) << c.name;  // the CP932 bytes as they are
            EXPECT_TRUE(shown.empty()) << c.name;
        } else {
            EXPECT_EQ(shown, Lines{"スクリプトファイルに書き込めません [ " + c.file + " ]"}) << c.name;
        }
        EXPECT_EQ(Script()->Lines().GetText(), text) << c.name;
    }
}

TEST_F(ClientWindowTest, FileDialogsStartInThePagesFolder) {
    const std::string sub = dir + "scripts";
    fs932::CreateDir(sub);
    frame->SetActiveScriptFolder(sub);
    chosen.clear();
    frame->Action_ScriptFileOpen->trigger();
    std::string folder;
    Page()->GetCurrentFolder(folder);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].InitialDir, folder);
    // A folder removed since: the program's folder.
    ASSERT_EQ(std::system(("rm -rf '" + fs932::ToNative(sub) + "'").c_str()), 0);
    frame->Action_ScriptSave->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].InitialDir, fs932::ProgramFolder());
}

TEST_F(ClientWindowTest, DroppedFilesBecomeImportLines) {
    struct Case {
        std::string name;
        TFilePasteMode mode;
        std::string expected;
    } cases[] = {
        {"/tmp/a.sql", fpFileNames, "@/tmp/a.sql;"},
        {"/tmp/my scripts/a b.sql", fpFileNames, "@\"/tmp/my scripts/a b.sql\";"},
        {"/tmp/a.sql", fpFileDeploy, "/tmp/a.sql"},  // the file's own text stays
    };
    frame->ImportScriptFileNamePrefix = '!';  // a configured prefix keeps it an import line
    TStringList other;
    other.Add("/tmp/a.sql");
    Page()->ScriptFileDropped(other, fpFileNames);
    EXPECT_EQ(other.Items, Lines{"!/tmp/a.sql;"});
    frame->ImportScriptFileNamePrefix = '@';
    for (const auto& c : cases) {
        TStringList lines;
        lines.Add(c.name);
        Page()->ScriptFileDropped(lines, c.mode);
        EXPECT_EQ(lines.Items, Lines{c.expected}) << c.name;
    }
    // Through the editor, with another delimiter.
    frame->SQLDelimiter = '/';
    frame->show();
    const std::string file = dir + "imp ort.sql";
    fs932::WriteFileAtomic(file, "#Say x;");
    Script()->Lines().SetText("select 1;\r\n");
    Script()->SetRowCol(0, 0);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromUtf8(fs932::ToNative(file).c_str()))});
    Qt::DropAction effect = Qt::CopyAction;
    const QPoint p = viewtest::Cell(Script(), 0, 0);
    Script()->OLEDragEnter(&data, {Qt::NoModifier, Qt::LeftButton}, p, effect);
    Script()->OLEDragDrop(&data, {Qt::NoModifier, Qt::LeftButton}, p, effect);
    EXPECT_EQ(Script()->Lines().GetText(), "@\"" + file + "\"/\r\nselect 1;\r\n");
}

TEST_F(ClientWindowTest, HistoryItemsDroppedOnTheEditor) {
    frame->show();
    struct Case {
        const char* name;
        uint8_t kind;
        std::string lines;
        int choice;  // 0 "置き換え", 1 "挿入", 3 "キャンセル", -1 none
        bool accepted;
        std::string expected;
    } cases[] = {
        {"replace", 6, "select 2;\r\n", 0, true, "select 2;\r\n"},
        {"insert", 3, "select 2;\r\n", 1, true, "select 2;\r\nabc\r\nxyz\r\n"},
        {"cancel", 6, "select 2;\r\n", 3, true, "abc\r\nxyz\r\n"},
        {"menu dismissed", 6, "select 2;\r\n", -1, true, "abc\r\nxyz\r\n"},
        {"a date node", 5, "select 2;\r\n", 0, false, "abc\r\nxyz\r\n"},
        {"blank item", 6, " \r\n", 0, false, "abc\r\nxyz\r\n"},
    };
    for (const auto& c : cases) {
        Script()->Lines().SetText("abc\r\nxyz\r\n");
        Page()->HistoryDirty = false;
        int menus = 0;
        hooks.Set(popupmenu::SetPresenter, [&](QMenu& menu, const QPoint&) -> QAction* {
            ++menus;
            return c.choice < 0 ? nullptr : menu.actions().at(c.choice);
        });
        THistoryItemDragObj item(nullptr, TStringList(c.lines), c.kind, nullptr);
        const QPoint p = viewtest::Cell(Script(), 0, 0);
        Qt::DropAction effect = Qt::CopyAction;
        Script()->OLEDragEnter(&item, {Qt::NoModifier, Qt::LeftButton}, p, effect);
        EXPECT_EQ(effect != Qt::IgnoreAction, c.accepted) << c.name;
        Script()->OLEDragDrop(&item, {Qt::NoModifier, Qt::LeftButton}, p, effect);
        EXPECT_EQ(menus, c.accepted ? 1 : 0) << c.name;
        EXPECT_EQ(Script()->Lines().GetText(), c.expected) << c.name;
        EXPECT_EQ(Page()->HistoryDirty, c.accepted && c.choice >= 0 && c.choice <= 1) << c.name;
    }
}

TEST_F(ClientWindowTest, PastedCharactersShiftJISCannotHoldAreNamedInTheStatusBar) {
    frame->show();
    const QString told = QString::fromUtf16(
        u"貼り付けた文字のうち、シフトJISで表せない 3 文字を \"?\" に置き換えました：é (U+00E9)、😀 (U+1F600)");
    struct Case {
        const char* name;
        std::function<TEditor*()> editor;
    } cases[] = {
        {"script editor", [&] { return Script(); }},
        {"result console", [&] { return Result(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TEditor* e = c.editor();
        frame->SetStatusText("before");
        e->Lines().SetText("");
        viewtest::SetClip(QString::fromUtf16(u"表é😀é"));
        e->PasteFromClipboard();
        EXPECT_EQ(e->Lines().GetText(), "表???");
        EXPECT_EQ(frame->ClientStatusPanel0->text(), told);
        // text that goes in whole leaves the status bar alone
        frame->SetStatusText("before");
        viewtest::SetClip(QString::fromUtf16(u"表"));
        e->PasteFromClipboard();
        EXPECT_EQ(e->Lines().GetText(), "表???表");
        EXPECT_EQ(frame->StatusText(), "before");
    }
    // Dropped text is not taken at all (only files are), so nothing is replaced either.
    Script()->Lines().SetText("abc");
    QMimeData data;
    data.setText(QString::fromUtf16(u"é"));
    Qt::DropAction effect = Qt::CopyAction;
    const QPoint p = viewtest::Cell(Script(), 0, 1);
    Script()->OLEDragEnter(&data, {Qt::NoModifier, Qt::LeftButton}, p, effect);
    Script()->OLEDragDrop(&data, {Qt::NoModifier, Qt::LeftButton}, p, effect);
    EXPECT_EQ(effect, Qt::IgnoreAction);
    EXPECT_EQ(Script()->Lines().GetText(), "abc");
    EXPECT_EQ(frame->StatusText(), "before");
}

TEST_F(ClientWindowTest, HistoryRevival) {
    Script()->Lines().SetText("mine\r\n");
    revived = "select 'old';\r\n";
    Page()->Action_PrevHistoryRevival->trigger();
    EXPECT_EQ(history, Lines{"<prev>"});
    EXPECT_EQ(Script()->Lines().GetText(), revived);
    EXPECT_FALSE(Page()->HistoryDirty);
    revived = "select 'new';\r\n";
    Page()->Action_NextHistoryRevival->trigger();
    EXPECT_EQ(history, (Lines{"<prev>", "<next>"}));
    EXPECT_EQ(Script()->Lines().GetText(), revived);
    Page()->Action_CurrentHistoryRevival->trigger();
    EXPECT_TRUE(Page()->HistoryDirty);
    // Nothing in the history: the editor keeps its text.
    revived.clear();
    Script()->Lines().SetText("kept\r\n");
    Page()->Action_CurrentHistoryRevival->trigger();
    EXPECT_EQ(Script()->Lines().GetText(), "kept\r\n");
}

TEST_F(ClientWindowTest, ResultEditorRunsItsSelection) {
    frame->show();
    auto* menu = dynamic_cast<TEditorPopupMenu_ResutEditor*>(Result()->PopupMenu());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(cp932::FromQString(menu->actions().at(0)->text()), "選択部分を実行");
    EXPECT_EQ(EditorMenuShortCut(menu->actions().at(0)), QKeySequence(Qt::CTRL | Qt::Key_Backslash));
    EXPECT_TRUE(menu->actions().at(1)->isSeparator());
    struct Case {
        const char* name;
        int fromCol, toCol;
        bool readOnly;
        bool enabled;
    } cases[] = {
        {"selection", 0, 13, false, true},
        {"no selection", 3, 3, false, false},
        {"read-only", 0, 13, true, false},
    };
    for (const auto& c : cases) {
        Result()->Lines().SetText("#Say a b;xyz\r\n");
        Result()->SetReadOnly(c.readOnly);
        Result()->SetRowCol(0, c.fromCol);
        Result()->StartSelection();
        Result()->SetRowCol(0, c.toCol);
        Result()->ExtendSelection();
        menu->SetMenu();
        EXPECT_EQ(menu->ExecuteSelectionItem->isEnabled(), c.enabled) << c.name;
    }
    Result()->SetReadOnly(false);
    Result()->SetRowCol(0, 0);
    Result()->StartSelection();
    Result()->SetRowCol(0, 9);
    Result()->ExtendSelection();
    menu->SetMenu();
    menu->ExecuteSelectionItem->trigger();
    EXPECT_EQ(Result()->Lines().GetText(), "#Say a b;xyz\r\na\r\nb\r\n");
    // Its shortcut in the editor.
    Result()->SetRowCol(0, 0);
    Result()->StartSelection();
    Result()->SetRowCol(0, 9);
    Result()->ExtendSelection();
    Result()->setFocus();
    viewtest::Key(Result(), Qt::Key_Backslash, Qt::ControlModifier);
    EXPECT_EQ(Result()->Lines().GetText(), "#Say a b;xyz\r\na\r\nb\r\na\r\nb\r\n");
}

TEST_F(ClientWindowTest, SplitterLetsTheScriptEditorShrink) {
    frame->show();
    QApplication::processEvents();
    QSplitterHandle* handle = frame->Splitter_Script_Result->handle(1);
    auto shrink = [&] {
        QApplication::processEvents();
        frame->Splitter_Script_Result->setSizes({1, 2000});
        QApplication::processEvents();
        return Script()->height();
    };
    const int before = shrink();
    EXPECT_GT(before, 1);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), handle->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), handle->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
    EXPECT_EQ(Script()->minimumHeight(), 1);
    EXPECT_LT(shrink(), before);
}

// ---- a real run

struct ClientRunTest : ClientWindowTest {
    TADODriver driver;
    ClientRunTest() {
        driver.ConnectByConnectionString(dbtest::SqliteConn("clientrun"), "test");
        frame->OnExecuteSQL = [this](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                     std::string& msg) { driver.Execute(sender, sql, kind, ds, msg); };
        frame->OnIsConnected = [](void*, bool& c) { c = true; };
        frame->show();
        frame->Initialize();
    }
};

using Rows = std::vector<int>;

// The console rows the title strip shows, as it is painted: those of its rows
// with anything drawn on them besides the backgrounds of the left bar and
// the text and the left bar's edge.
Rows StripShows(TForm_Result* Page) {
    TResultTitleView* t = Page->EDITOR_Title;
    QApplication::processEvents();
    const QImage image = t->viewport()->grab().toImage();
    const QRgb plain[] = {EditorColor(t->Color(), clWhite).rgb(), EditorColor(t->Leftbar().BkColor(), clSilver).rgb(),
                          qRgb(0xff, 0xff, 0xff), qRgb(0x80, 0x80, 0x80)};
    const int top = t->GetTextTop(), rh = t->GetRowHeight();
    Rows rows;
    for (int i = 0; i < t->VisibleRows(); ++i) {
        bool ink = false;
        for (int y = top + i * rh; y < top + (i + 1) * rh && y < image.height() && !ink; ++y)
            for (int x = 0; x < image.width() && !ink; ++x)
                ink = std::find(std::begin(plain), std::end(plain), image.pixel(x, y)) == std::end(plain);
        if (ink) rows.push_back(t->TopRow() + i);
    }
    return rows;
}

TEST_F(ClientRunTest, TheTitleShowsTheHeadOfTheOutputScrolledOff) {
    std::string script = "create table t (n integer, name text);\r\n";
    for (int i = 1; i <= 60; ++i) script += "insert into t values (" + std::to_string(i) + ", 'x');\r\n";
    frame->ExecuteScriptText(script);
    frame->ExecuteScriptText("#Say before;\r\nselect n, name as header_name from t;");
    TForm_Result* page = frame->ActiveResultPage();
    ASSERT_EQ(page->StartLines.size(), 1u);
    const int header = page->StartLines[0] - 1;  // 0-based
    ASSERT_NE(Result()->RowText(header).find("header_name"), std::string::npos);
    TKZNEditor* title = page->EDITOR_Title;
    // the console's view has caught up with the run (its scroll to the end)
    auto* console = dynamic_cast<TEditorResultConsole*>(page->Console());
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(testutil::WaitFor([&] { return !console->ViewPending(); }));
    EXPECT_EQ(&title->Store(), &Result()->Store());  // one text, two views
    EXPECT_TRUE(title->ReadOnly());
    struct Case {
        int top;
        bool headShown;
    } cases[] = {{0, false}, {header, false}, {header + 1, true}, {header + 30, true}};
    for (const auto& c : cases) {
        Result()->SetTopRow(c.top);
        EXPECT_EQ(StripShows(page), c.headShown ? Rows{header} : Rows{}) << c.top;
    }
    // Two whole rows below the ruler and nothing more, at any font size of the console.
    for (int size : {11, 20, 8}) {
        QFont f = Result()->font();
        f.setPointSize(size);
        Result()->setFont(f);
        EXPECT_EQ(title->font().pointSize(), size);
        EXPECT_EQ(title->viewport()->height(), title->GetTextTop() + 2 * title->GetRowHeight()) << size;
        EXPECT_EQ(title->VisibleRows(), 2) << size;
        EXPECT_EQ(title->height(), title->viewport()->height() + 2 * title->frameWidth()) << size;
        // The columns of the title stand over the console's.
        EXPECT_EQ(title->viewport()->mapTo(page, QPoint(title->GetTextLeft(), 0)).x(),
                  Result()->viewport()->mapTo(page, QPoint(Result()->GetTextLeft(), 0)).x())
            << size;
    }
    Result()->SetTopCol(7);
    EXPECT_EQ(title->TopCol(), 7);
    // A cleared page starts its outputs anew.
    frame->Action_ClearActiveResultSheet->trigger();
    EXPECT_TRUE(page->StartLines.empty());
}

// The strip above the console shows the header line of the output the
// console's top row belongs to, once that line has scrolled off the top; at
// the top of the text, outside the outputs and after a clear it shows
// nothing, and never a row the console shows or another output's header.
TEST_F(ClientRunTest, TheTitleStripShowsOnlyAHeaderScrolledOff) {
    TForm_Result* page = frame->ActiveResultPage();
    TKZNEditor* console = Result();
    auto settle = [&] {
        auto* c = dynamic_cast<TEditorResultConsole*>(page->Console());
        ASSERT_NE(c, nullptr);
        ASSERT_TRUE(testutil::WaitFor([&] { return !c->ViewPending(); }));
        QApplication::processEvents();
    };
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(console, k, m);
        QApplication::processEvents();
    };
    // a fresh page: its one row is in view, the strip shows nothing of it
    console->setFocus();
    EXPECT_EQ(StripShows(page), Rows{});

    std::string script = "create table t (n integer, name text);\r\n";
    for (int i = 1; i <= 60; ++i) script += "insert into t values (" + std::to_string(i) + ", 'x');\r\n";
    frame->ExecuteScriptText(script);
    frame->ExecuteScriptText("select n, name as first_head from t;\r\n"
                             "#Say between1;#Say between2;#Say between3;\r\n"
                             "select name as second_head, n from t;");
    settle();
    ASSERT_EQ(page->StartLines.size(), 2u);
    const int first = page->StartLines[0] - 1, second = page->StartLines[1] - 1;  // their header rows
    ASSERT_NE(console->RowText(first).find("first_head"), std::string::npos);
    ASSERT_NE(console->RowText(second).find("second_head"), std::string::npos);
    const int firstEnd = first + 2 + 60;  // header, rule and the records
    ASSERT_EQ(std::string(console->RowText(firstEnd - 1)).rfind("60 x", 0), 0u);  // the last record

    // the run left the console at its end, in the second output
    ASSERT_GT(console->TopRow(), second);
    ASSERT_LT(console->TopRow(), second + 62);
    EXPECT_EQ(StripShows(page), Rows{second});
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(console->TopRow(), 0);
    EXPECT_EQ(StripShows(page), Rows{});
    // paging down past the first header
    while (console->TopRow() <= first) key(Qt::Key_PageDown);
    ASSERT_LT(console->TopRow(), firstEnd);
    EXPECT_EQ(StripShows(page), Rows{first});

    // the scroll bar dragged through the text
    struct Case {
        int top;
        Rows shows;
    } cases[] = {{0, {}},
                 {first, {}},  // the header is the top row
                 {first + 1, {first}},
                 {first + 2, {first}},  // the first record: header and rule are off
                 {firstEnd - 1, {first}},
                 {firstEnd, {}},  // the lines after the output are not its own
                 {second - 1, {}},
                 {second + 1, {second}},
                 {second + 40, {second}}};
    for (const Case& c : cases) {
        console->verticalScrollBar()->setValue(c.top);
        ASSERT_EQ(console->TopRow(), c.top);
        const Rows shows = StripShows(page);
        EXPECT_EQ(shows, c.shows) << c.top;
        for (int r : shows) EXPECT_LT(r, console->TopRow()) << c.top;  // never a row in view
    }

    // cleared, the page's text starts anew: nothing of the old outputs comes back
    console->verticalScrollBar()->setValue(second + 10);
    frame->Action_ClearActiveResultSheet->trigger();
    settle();
    EXPECT_EQ(StripShows(page), Rows{});
    std::string says;
    for (int i = 0; i < 50; ++i) says += "#Say line" + std::to_string(i) + ";";
    frame->ExecuteScriptText(says);
    settle();
    for (int top : {0, 10, second + 1, second + 10}) {
        console->verticalScrollBar()->setValue(top);
        EXPECT_EQ(StripShows(page), Rows{}) << top;
    }

    // a header line edited away is not shown for the output
    frame->ExecuteScriptText("select n as third_head from t;");
    settle();
    ASSERT_EQ(page->StartLines.size(), 1u);
    const int third = page->StartLines[0] - 1;
    console->verticalScrollBar()->setValue(third + 5);
    EXPECT_EQ(StripShows(page), Rows{third});
    console->SetRow(third);
    console->SetCol(0);
    key(Qt::Key_End, Qt::ShiftModifier);
    key(Qt::Key_Delete);
    console->verticalScrollBar()->setValue(third + 6);
    EXPECT_EQ(StripShows(page), Rows{});

    // a record sheet has no header line: nothing to show
    frame->ExecuteScriptText("#CutSheet;\r\nselect n, name from t;");
    settle();
    ASSERT_EQ(page->StartLines.size(), 2u);
    const int sheet = page->StartLines[1] - 1;
    ASSERT_LT(sheet + 20, console->RowCount());
    console->verticalScrollBar()->setValue(sheet + 20);
    EXPECT_EQ(StripShows(page), Rows{});
}

TEST_F(ClientRunTest, TheWindowAfterAJapaneseScript) {
    frame->resize(1000, 720);
    Page()->ScriptEditor->Lines().SetText(
        "create table 社員 (番号 integer, 氏名 text, 部署 text);\r\n"
        "insert into 社員 values (1, '山田太郎', '営業部');\r\n"
        "insert into 社員 values (2, '鈴木花子', '開発部');\r\n"
        "-- 一覧\r\n"
        "select 番号, 氏名, 部署 from 社員 order by 番号;\r\n");
    Page()->Action_ALLSQLExec->trigger();
    // The console shows what it held back once its interval is over.
    auto* console = dynamic_cast<TEditorResultConsole*>(frame->ActiveResultPage()->Console());
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(testutil::WaitFor([&] { return !console->ViewPending(); }));
    QApplication::processEvents();
    const std::string out = Result()->Lines().GetText();
    EXPECT_NE(out.find("山田太郎"), std::string::npos) << out;
    EXPECT_NE(out.find("鈴木花子 開発部"), std::string::npos) << out;
    EXPECT_NE(out.find("結果:2件"), std::string::npos) << out;

    const QImage image = frame->grab().toImage();
    ASSERT_FALSE(image.isNull());
    // Not blank: many pixels differ from the background of the window.
    const QRgb bg = image.pixel(image.width() - 2, image.height() / 2);
    int differ = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) differ += image.pixel(x, y) != bg;
    EXPECT_GT(differ, 2000);
    const QString folder = QCoreApplication::applicationDirPath() + "/../../screenshots";
    QDir().mkpath(folder);
    const QString path = QDir(folder).absoluteFilePath(QStringLiteral("client-window.png"));
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}

}  // namespace

namespace {

// The result console applies caret and view requests at most every interval,
// holds back painting of what changed meanwhile, and always catches up.
TEST_F(ClientWindowTest, TheConsoleCatchesUpWithItsLastRequest) {
    frame->show();
    QApplication::processEvents();
    auto* console = dynamic_cast<TEditorResultConsole*>(frame->ActiveResultPage()->Console());
    ASSERT_NE(console, nullptr);
    QWidget* held = console->HoldWidget;
    ASSERT_NE(held, nullptr);
    // The interval is measured on a clock the test moves: what comes "sooner"
    // or "after a quiet interval" does not depend on the machine's speed.
    testutil::TManualClock clock;
    console->Clock.Set(clock.Source());
    // The timer that catches up is the console's own.
    auto settle = [&] { EXPECT_TRUE(testutil::WaitFor([&] { return !console->ViewPending(); })); };
    for (int i = 0; i < 200; ++i) console->AddLine("line " + std::to_string(i));
    console->CaretToEnd();
    console->ScrollToEnd();
    settle();
    EXPECT_GT(Result()->TopRow(), 0);
    // A request after a quiet interval is applied at once.
    Result()->SetTopRow(0);
    clock.Advance(std::chrono::milliseconds(TEditorResultConsole::ViewIntervalMs));
    console->ScrollToEnd();
    EXPECT_FALSE(console->ViewPending());
    const int top = Result()->TopRow();
    EXPECT_GT(top, 0);
    // Sooner ones wait, and the changes are not painted meanwhile.
    for (int i = 0; i < 100; ++i) console->AddLine("more " + std::to_string(i));
    console->CaretToEnd();
    console->ScrollToEnd();
    EXPECT_TRUE(console->ViewPending());
    EXPECT_EQ(Result()->TopRow(), top);
    EXPECT_FALSE(held->updatesEnabled());
    // The held lines are in the text already; the views learn of them when they are shown.
    EXPECT_EQ(console->LineCount(), Result()->Lines().Count());
    EXPECT_EQ(Result()->Lines().Get(Result()->Lines().Count() - 1), "more 99");
    settle();
    EXPECT_FALSE(console->ViewPending());
    EXPECT_TRUE(held->updatesEnabled());
    EXPECT_EQ(Result()->verticalScrollBar()->maximum(), Result()->RowCount());
    EXPECT_EQ(Result()->Row(), Result()->Lines().Count() - 1);
    EXPECT_EQ(Result()->TopRow(), Result()->Lines().Count() - Result()->VisibleRows());
    // Emptied while held: the views start again from the top.
    for (int i = 0; i < 50; ++i) console->AddLine("again " + std::to_string(i));
    console->Clear();
    for (int i = 0; i < 3; ++i) console->AddLine("last " + std::to_string(i));
    console->CaretToEnd();
    console->ScrollToEnd();
    settle();
    EXPECT_EQ(Result()->Lines().GetText(), "last 0\r\nlast 1\r\nlast 2\r\n");
    EXPECT_EQ(Result()->Row(), Result()->Lines().Count() - 1);
    EXPECT_EQ(Result()->TopRow(), 0);
    EXPECT_EQ(Result()->verticalScrollBar()->maximum(), Result()->RowCount());
}

}  // namespace

namespace {

TEST(ClientGestures, CircleScrollSteps) {
    const TMouseGestureArray clockwise{mgRight, mgDown, mgLeft, mgUp, mgRight};
    const TMouseGestureArray counter{mgUp, mgLeft, mgDown, mgRight, mgUp};
    struct Case {
        TMouseGestureArray g;
        bool speed;
        double elapsed;
        int steps;
    } cases[] = {
        {clockwise, true, 0.5, 30},   {clockwise, true, 1.9, 30},  {clockwise, true, 2, 20},
        {clockwise, true, 50.9, 20},  {clockwise, true, 51, 10},   {clockwise, true, 101, 4},
        {clockwise, true, 250, 2},    {clockwise, true, 301, 1},   {clockwise, true, -5, 1},
        {clockwise, false, 0.5, 1},   {counter, true, 120, -4},    {counter, false, 0, -1},
        {{mgDown, mgLeft, mgUp, mgRight, mgDown}, true, 400, 1},
        {{mgLeft, mgDown, mgRight, mgUp}, true, 0, 0},  // four strokes: not yet a circle
        {{mgRight, mgDown, mgLeft, mgUp, mgLeft}, true, 0, 0},
        {{mgUp, mgUp, mgRight, mgDown, mgLeft, mgUp}, true, 0, 30},  // the last five count
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFrameSQLClient::CircleScrollSteps(c.g, c.speed, c.elapsed), c.steps)
            << MouseGesturesToText(c.g) << " " << c.elapsed;
}

struct GestureTest : ClientWindowTest {
    GestureTest() {
        frame->MouseGestureActive = true;
        frame->show();
        QApplication::setActiveWindow(frame.get());
        QApplication::processEvents();
    }
    void Focus(QWidget* w) {
        w->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(w->hasFocus());
    }
    std::vector<std::string> Tabs() const {
        std::vector<std::string> out;
        for (int i = 0; i < frame->Page_Result->count(); ++i) out.push_back(cp932::FromQString(frame->Page_Result->tabText(i)));
        return out;
    }
};

TEST_F(GestureTest, ResultAreaGestures) {
    frame->NewResultSheet();
    frame->NewResultSheet();  // "#0", "#1", "#2"; "#2" active
    struct Case {
        TMouseGestureArray g;
        Lines tabs;
        std::string active;
    } cases[] = {
        {{mgRight}, {"#0", "#1", "#2"}, "#0"},  // wraps to the first
        {{mgLeft}, {"#0", "#1", "#2"}, "#2"},   // and back to the last
        {{mgLeft}, {"#0", "#1", "#2"}, "#1"},
        {{mgDown}, {"#0", "#1", "#2", "#3"}, "#3"},
        {{mgLeft, mgRight}, {"#0", "#1", "#2"}, "#2"},
        {{mgUp}, {"#0", "#1", "#2"}, "#2"},  // nothing
    };
    for (const auto& c : cases) {
        Focus(Result());
        frame->ResultGestureMove(c.g);
        EXPECT_EQ(frame->StatusText(), " MouseGesture: " + MouseGesturesToText(c.g));
        frame->ResultGestureExecute(c.g);
        EXPECT_EQ(Tabs(), c.tabs) << MouseGesturesToText(c.g);
        EXPECT_EQ(frame->ActiveResultPage()->Caption(), c.active) << MouseGesturesToText(c.g);
        EXPECT_EQ(frame->StatusText(), "");
    }
    // Off, or another editor focused: nothing happens.
    Focus(Result());
    frame->MouseGestureActive = false;
    frame->ResultGestureExecute({mgDown});
    frame->MouseGestureActive = true;
    Focus(Script());
    frame->ResultGestureExecute({mgDown});
    EXPECT_EQ(Tabs().size(), 3u);
}

TEST_F(GestureTest, CirclesScrollTheFocusedEditor) {
    TStringList lines;
    for (int i = 0; i < 20; ++i) lines.Add(std::string(500, 'x'));
    Result()->Lines().SetText(lines.Text());
    Focus(Result());
    frame->LastCircleScrollTime = TFrameSQLClient::TickCount() + 1000;  // a tick that wrapped: one step
    frame->ResultGestureMove({mgRight, mgDown, mgLeft, mgUp, mgRight});
    EXPECT_EQ(Result()->TopCol(), 1);
    frame->LastCircleScrollTime = TFrameSQLClient::TickCount() - 150;  // a circle 150 ms after the last: 4 steps
    frame->ResultGestureMove({mgRight, mgDown, mgLeft, mgUp, mgRight, mgDown});
    EXPECT_EQ(Result()->TopCol(), 5);
    frame->LastCircleScrollTime = TFrameSQLClient::TickCount() - 1000;
    frame->ResultGestureMove({mgLeft, mgDown, mgRight, mgUp, mgLeft});
    EXPECT_EQ(Result()->TopCol(), 4);
    EXPECT_NEAR(frame->LastCircleScrollTime, TFrameSQLClient::TickCount(), 1000);
    // Not a circle: no scroll.
    frame->ResultGestureMove({mgLeft, mgDown, mgRight});
    EXPECT_EQ(Result()->TopCol(), 4);
}

// Circles drawn with the right button over the focused grid of the active
// result page move its horizontal scroll bar one step each, however quickly
// they follow each other; over the focused console the console scrolls.
TEST_F(GestureTest, CirclesDrawnOverAFocusedGridScrollItSideways) {
    auto d = std::make_unique<TMemDataSet>();
    for (int i = 0; i < 30; ++i) d->FieldDefs().Add("COLUMN" + std::to_string(i), ftString, 20);
    for (int r = 0; r < 3; ++r) {
        std::vector<TVariant> row;
        for (int i = 0; i < 30; ++i) row.emplace_back("value");
        d->AddRow(row);
    }
    d->Open();
    TForm_Grid* grid = frame->ActiveResultPage()->Panel_PageBase->AddGrid(std::move(d), "G#1");
    QApplication::processEvents();
    QScrollBar* bar = grid->DBGrid1->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 3);
    ASSERT_EQ(bar->value(), 0);
    QWindow* win = frame->windowHandle();
    auto startOver = [&](QWidget* w) { return w->mapTo(frame.get(), w->rect().center()) - QPoint(30, 30); };
    QPoint c = startOver(grid->DBGrid1->viewport());
    auto draw = [&](const std::vector<QPoint>& strokes) {
        QTest::mouseMove(win, c);
        QTest::mousePress(win, Qt::RightButton, Qt::NoModifier, c);
        QPoint at = c;
        for (const QPoint& s : strokes) {
            // in small steps, as a hand moves
            for (int i = 1; i <= 4; ++i) QTest::mouseMove(win, at + s * i / 4);
            at += s;
        }
        QTest::mouseRelease(win, Qt::RightButton, Qt::NoModifier, at);
        QApplication::processEvents();
    };
    const std::vector<QPoint> clockwise{{60, 0}, {0, 60}, {-60, 0}, {0, -60}, {60, 0}};
    const std::vector<QPoint> counter{{-60, 0}, {0, 60}, {60, 0}, {0, -60}, {-60, 0}};
    Focus(grid->DBGrid1);
    draw(clockwise);
    EXPECT_EQ(bar->value(), 1);
    draw(clockwise);   // straight after the last: still one step
    EXPECT_EQ(bar->value(), 2);
    draw(counter);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(frame->StatusText(), "");
    EXPECT_EQ(frame->Page_Result->count(), 1);   // no gesture was carried out
    // over the focused console, the console scrolls and the grid stays
    TStringList wide;
    for (int i = 0; i < 20; ++i) wide.Add(std::string(500, 'x'));
    Result()->Lines().SetText(wide.Text());
    Focus(Result());
    c = startOver(Result()->viewport());
    draw(clockwise);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_GT(Result()->TopCol(), 0);
}

TEST_F(GestureTest, ScriptEditorGestures) {
    history.clear();
    revived = "select 'revived';\r\n";
    struct Case {
        const char* name;
        TMouseGestureArray g;
        std::string before;
        int selFrom, selTo;  // columns of row 0; equal: no selection
        std::string after;
        Lines history;
        int pages;
    } cases[] = {
        {"new script", {mgLeft, mgRight}, "#Say x;\r\n", 0, 0, "", {"#Say x;\r\n"}, 1},
        {"comment out", {mgUp, mgRight}, "select 1\r\n", 0, 8, "--select 1\r\n", {}, 1},
        {"comment in", {mgUp, mgLeft}, "--select 1\r\n", 0, 10, "select 1\r\n", {}, 1},
        {"previous history", {mgLeft}, "mine\r\n", 0, 0, "select 'revived';\r\n", {"mine\r\n", "<prev>"}, 1},
        {"next history", {mgRight}, "mine\r\n", 0, 0, "select 'revived';\r\n", {"mine\r\n", "<next>"}, 1},
        {"clone", {mgRight, mgUp, mgDown}, "abc\r\n", 0, 0, "abc\r\n", {}, 2},
        {"none", {mgDown, mgDown, mgUp}, "abc\r\n", 0, 0, "abc\r\n", {}, 1},
    };
    for (const auto& c : cases) {
        while (frame->Page_Script->count() > 1) frame->ScriptSheetManager->DeleteActiveSheet();
        Script()->Lines().SetText(c.before);
        Page()->HistoryDirty = true;
        Script()->SetRowCol(0, c.selFrom);
        if (c.selTo != c.selFrom) {
            Script()->StartSelection();
            Script()->SetRowCol(0, c.selTo);
            Script()->ExtendSelection();
        }
        Focus(Script());
        history.clear();
        Page()->GestureMove(c.g);
        EXPECT_EQ(frame->StatusText(), "ScriptEditor MouseGesture: " + MouseGesturesToText(c.g)) << c.name;
        Page()->GestureExecute(c.g);
        EXPECT_EQ(Script()->Lines().GetText(), c.after) << c.name;
        EXPECT_EQ(history, c.history) << c.name;
        EXPECT_EQ(frame->Page_Script->count(), c.pages) << c.name;
        EXPECT_EQ(frame->StatusText(), "") << c.name;
    }
    // "↓" runs the script.
    while (frame->Page_Script->count() > 1) frame->ScriptSheetManager->DeleteActiveSheet();
    Result()->Lines().Clear();
    Script()->Lines().SetText("#Say ran;\r\n");
    Focus(Script());
    Page()->GestureExecute({mgDown});
    EXPECT_NE(Result()->Lines().GetText().find("ran"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(ClientWindowTest, ScriptEditorContextMenu) {
    auto* menu = dynamic_cast<TScriptEditor_Popup*>(Script()->PopupMenu());
    ASSERT_NE(menu, nullptr);
    TWritableEnvData env;
    Page()->ApplyEnv(env);
    std::vector<std::string> texts;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) texts.push_back("-");
        else if (!a->menu()) texts.push_back(cp932::FromQString(a->text()));
    }
    ASSERT_GE(texts.size(), 8u);
    EXPECT_EQ((std::vector<std::string>(texts.begin(), texts.begin() + 8)),
              (Lines{"選択範囲を実行\tF8", "指定範囲をコメントアウト\tCtrl+-", "指定範囲のコメント解除\tCtrl+Shift+-", "-",
                     "指定範囲のコメント削除", "-", "指定範囲をカンマで改行", "-"}));
    EXPECT_EQ((std::vector<std::string>(texts.end() - 4, texts.end())),
              (Lines{"-", "お気に入りに追加保存", "-", "指定範囲の５C問題解決"}));
    struct Case {
        const char* name;
        int from, to;
        bool readOnly;
        bool enabled;
    } cases[] = {{"selection", 0, 6, false, true}, {"none", 2, 2, false, false}, {"read-only", 0, 6, true, false}};
    for (const auto& c : cases) {
        Script()->Lines().SetText("select 1, 2\r\n");
        Script()->SetReadOnly(c.readOnly);
        Script()->SetRowCol(0, c.from);
        Script()->StartSelection();
        Script()->SetRowCol(0, c.to);
        Script()->ExtendSelection();
        menu->SetMenu();
        for (QAction* a : {menu->SelectedSQLExecItem, menu->CommentDeleteItem, menu->CommaReturnItem, menu->Selection5CEscapeItem})
            EXPECT_EQ(a->isEnabled(), c.enabled) << c.name << " " << cp932::FromQString(a->text());
        EXPECT_TRUE(menu->AddFavItem->isEnabled()) << c.name;
    }
    Script()->SetReadOnly(false);
    // An item runs its action; a changed shortcut shows in the item.
    Script()->Lines().SetText("a, b\r\n");
    Script()->SetRowCol(0, 0);
    Script()->StartSelection();
    Script()->SetRowCol(0, 4);
    Script()->ExtendSelection();
    ASSERT_EQ(Script()->GetSelText(), "a, b");
    menu->SetMenu();  // as when it pops up
    menu->CommaReturnItem->trigger();
    EXPECT_EQ(Script()->Lines().GetText(), "a,\r\n b\r\n");
    env.ShortcutKeys[sk_SelectedSQLExec] = "F7";
    Page()->ApplyEnv(env);
    EXPECT_EQ(cp932::FromQString(menu->SelectedSQLExecItem->text()), "選択範囲を実行\tF7");
}

// A right click on a tab opens that tab bar's own menu at once, with the tab
// under the pointer made the current page, and its items act on that page;
// whichever editor had the focus, the gestures on.
TEST_F(GestureTest, EachTabsRightClickOpensItsOwnMenuForThatTab) {
    frame->Action_NewScriptEditor->trigger();
    frame->Action_AddResultSeet->trigger();
    QApplication::processEvents();
    ASSERT_EQ(frame->Page_Script->count(), 2);
    ASSERT_EQ(frame->Page_Result->count(), 2);
    auto scriptOf = [&](int i) {
        return static_cast<TForm_Script*>(frame->ScriptSheetManager->PageManager().GetForm(i))->ScriptEditor;
    };
    auto resultOf = [&](int i) { return frame->ResultSeetManager->GetForm(i)->Editor; };
    std::vector<QMenu*> menus;
    QAction* choose = nullptr;
    hooks.Set(popupmenu::SetPresenter, [&](QMenu& menu, const QPoint&) -> QAction* {
        menus.push_back(&menu);
        return choose;
    });
    struct Case {
        const char* name;
        bool scriptTabs;
        int tab;
        bool resultFocused;   // else the script editor has the focus
    } cases[] = {
        {"script tab, result editor focused", true, 0, true},
        {"script tab, script editor focused", true, 1, false},
        {"result tab, script editor focused", false, 0, false},
        {"result tab, result editor focused", false, 1, true},
        {"the current script tab", true, 1, false},
    };
    QWindow* win = frame->windowHandle();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 2; ++i) {
            scriptOf(i)->Lines().SetText("script " + std::to_string(i) + "\r\n");
            resultOf(i)->Lines().SetText("result " + std::to_string(i) + "\r\n");
        }
        Focus(c.resultFocused ? static_cast<QWidget*>(Result()) : Script());
        QTabWidget* tabs = c.scriptTabs ? static_cast<QTabWidget*>(frame->Page_Script) : frame->Page_Result;
        QMenu* expected = c.scriptTabs ? frame->PopupMenu_ScriptSheet : frame->PopupMenu1;
        choose = expected->actions().first();   // "このシートのクリア" / "このシートをクリア"
        menus.clear();
        const QPoint at = tabs->tabBar()->mapTo(frame.get(), tabs->tabBar()->tabRect(c.tab).center());
        QTest::mouseMove(win, at);
        QTest::mousePress(win, Qt::RightButton, Qt::NoModifier, at);
        QTest::mouseRelease(win, Qt::RightButton, Qt::NoModifier, at);
        QApplication::processEvents();
        EXPECT_EQ(menus.size(), 1u) << "one menu, at once";
        if (menus.size() != 1u) continue;
        EXPECT_EQ(menus[0], expected);
        EXPECT_EQ(tabs->currentIndex(), c.tab);
        for (int i = 0; i < 2; ++i) {
            const bool cleared = i == c.tab;
            EXPECT_EQ(scriptOf(i)->Lines().GetText(),
                      c.scriptTabs && cleared ? "" : "script " + std::to_string(i) + "\r\n") << i;
            EXPECT_EQ(resultOf(i)->Lines().GetText(),
                      !c.scriptTabs && cleared ? "" : "result " + std::to_string(i) + "\r\n") << i;
        }
        // a cleared script comes back with Ctrl+Z
        if (c.scriptTabs) {
            QTest::keyClick(scriptOf(c.tab), Qt::Key_Z, Qt::ControlModifier);
            EXPECT_EQ(scriptOf(c.tab)->Lines().GetText(), "script " + std::to_string(c.tab) + "\r\n");
        }
        // nothing comes late
        menus.clear();
        QApplication::processEvents();
        EXPECT_TRUE(menus.empty());
    }
}

}  // namespace
