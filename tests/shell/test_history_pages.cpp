// A script page with the history window behind it: sending its text,
// previous, next and current revivals, and history items dropped on its
// editor.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>

#include "KZNDragObject.h"
#include "KZNEditor.h"
#include "KZNTreeView.h"
#include "QtTestApp.h"
#include "ShortCutText.h"
#include "TestUtil.h"
#include "U_ClientMessages.h"
#include "U_Form_History.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"

namespace {

std::string Rec(int level, const std::string& caption, const std::string& text = std::string()) {
    return std::string(static_cast<size_t>(level), '\xA0') + caption + "\x07StringList=" + text + "\x06\r\n";
}

const std::string kHistory = Rec(0, "お気に入り", "＄＄お気に入りフォルダROOT") + Rec(1, "件数", "select count(*) from t;") +
                             Rec(0, "履歴", "＄＄履歴フォルダROOT") + Rec(1, "2026/12/09") +
                             Rec(2, "18:00:00", "select 4;") + Rec(2, "17:00:00", "select 3;") +
                             Rec(1, "2026/12/08") + Rec(2, "10:00:00", "select 1;\r\nfrom t;");

// The page and the history window, joined by a message window that answers
// the page's history messages the way the main form does.
struct PageHistoryTest : ::testing::Test, testutil::WithApp {
    std::string folder = testutil::TempFolder("history-pages");
    winmsg::TMessageWindow centre;
    std::unique_ptr<TForm_History> history;
    std::unique_ptr<TFrameSQLClient> frame;
    TForm_Script* page = nullptr;
    std::vector<uint32_t> sent;

    PageHistoryTest() {
        history = std::make_unique<TForm_History>(nullptr, centre.Handle(), folder + "z.History");
        history->Clock = [] {
            std::tm tm{};
            tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = 10, tm.tm_hour = 9, tm.tm_isdst = -1;
            return std::mktime(&tm);
        };
        fs932::WriteFileAtomic(history->FileName, kHistory);
        history->LoadFromFile();
        centre.WndProc = [this](winmsg::TMessage& m) {
            sent.push_back(m.Msg);
            auto* lines = reinterpret_cast<TStringList*>(m.LParam);
            if (m.Msg == mc::WM_MC_ADDHISTORY) history->AddHistory(*lines);
            if (m.Msg == mc::WM_MC_REVIVEHISTORY) lines->Assign(history->GetEditorLines());
            if (m.Msg == mc::WM_MC_PREVHISTORY) history->Action_Prev->trigger();
            if (m.Msg == mc::WM_MC_NEXTHISTORY) history->Action_Next->trigger();
        };
        frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle());
        page = frame->ActiveScriptPage();
    }
    ~PageHistoryTest() override {
        frame.reset();
        history.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::string Text() const { return page->ScriptEditor->Lines().GetText(); }
    void Type(const std::string& text) {
        page->ScriptEditor->Lines().SetText(text);
        page->HistoryDirty = true;
    }
    std::string Selected() const {
        TTreeNodeEx* n = history->IndexTree2->GetSelected();
        return n ? n->Text() : "(none)";
    }
};

TEST_F(PageHistoryTest, RevivalSequences) {
    struct Case {
        const char* keys;  // P previous, N next, C current, S send, E an edit
        const char* text;  // the editor's text afterwards
        bool dirty;
    };
    const std::vector<Case> cases = {
        {"P", "select 4;\r\n", false},
        {"PP", "select 3;\r\n", false},
        {"PPP", "select 1;\r\nfrom t;\r\n", false},
        {"PPPP", "select 1;\r\nfrom t;\r\n", false},  // nothing older
        {"PPN", "select 4;\r\n", false},
        {"PN", "select 4;\r\n", false},               // nothing newer
        {"N", "typed\r\n", false},                    // no entry yet: what was typed stays
        {"PPC", "select 3;\r\n", true},
        {"PPE", "xselect 3;\r\n", true},
        {"PPES", "xselect 3;\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        history->LoadFromFile();
        Type("typed\r\n");
        for (const char* k = c.keys; *k; ++k) {
            switch (*k) {
                case 'P': page->Action_PrevHistoryRevival->trigger(); break;
                case 'N': page->Action_NextHistoryRevival->trigger(); break;
                case 'C': page->Action_CurrentHistoryRevival->trigger(); break;
                case 'S': page->Action_SendScriptToHistory->trigger(); break;
                case 'E':
                    page->ScriptEditor->SetRowCol(0, 0);
                    page->ScriptEditor->SetSelText("x");
                    break;
            }
        }
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(page->HistoryDirty, c.dirty);
    }
    // the sent text is the newest entry, selected in the history
    EXPECT_EQ(Selected(), "09:00:00");
    EXPECT_EQ(history->GetEditorLines().Text(), "xselect 3;\r\n");
    // a revived entry is not sent again unless it changes
    history->LoadFromFile();
    sent.clear();
    page->Action_PrevHistoryRevival->trigger();
    page->Action_SendScriptToHistory->trigger();
    EXPECT_EQ(sent, (std::vector<uint32_t>{mc::WM_MC_PREVHISTORY, mc::WM_MC_REVIVEHISTORY}));
}

TEST_F(PageHistoryTest, ANodeWithoutAScriptLeavesTheEditorAlone) {
    for (const char* caption : {"2026/12/09", "履歴", "お気に入り"}) {
        TTreeNodeEx* n = nullptr;
        history->IndexTree2->ForEachNode([&](TTreeNodeEx* x) {
            if (!n && x->Text() == caption) n = x;
        });
        history->IndexTree2->SetSelected(n);
        Type("mine\r\n");
        page->Action_CurrentHistoryRevival->trigger();
        EXPECT_EQ(Text(), "mine\r\n") << caption;
    }
    // a favourite revives like an entry
    history->IndexTree2->SetSelected(history->IndexTree2->Root(0)->Item(0));
    page->Action_CurrentHistoryRevival->trigger();
    EXPECT_EQ(Text(), "select count(*) from t;\r\n");
}

TEST_F(PageHistoryTest, NothingWhileRunning) {
    Type("typed\r\n");
    page->RunFlags().Executing = true;
    sent.clear();
    page->HistoryRevival(mc::WM_MC_PREVHISTORY);
    page->CurrentHistoryRevival();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(Text(), "typed\r\n");
    page->RunFlags().Executing = false;
    page->EnableControls(false);
    for (QAction* a : {page->Action_PrevHistoryRevival, page->Action_NextHistoryRevival, page->Action_CurrentHistoryRevival})
        EXPECT_FALSE(a->isEnabled());
    page->EnableControls(true);
    EXPECT_TRUE(page->Action_PrevHistoryRevival->isEnabled());
}

TEST_F(PageHistoryTest, CaptionsAndShortcuts) {
    EXPECT_EQ(page->Action_PrevHistoryRevival->text().toStdU16String(), u"前の履歴");
    EXPECT_EQ(page->Action_NextHistoryRevival->text().toStdU16String(), u"次の履歴");
    EXPECT_EQ(page->Action_CurrentHistoryRevival->text().toStdU16String(), u"カレント履歴を復活");
    std::u16string menu;
    for (QAction* a : page->PopupMenu_HistoryDrop->actions()) menu += a->isSeparator() ? u"|" : a->text().toStdU16String() + u" ";
    EXPECT_EQ(menu, u"置き換え 挿入 |キャンセル ");
    EXPECT_EQ(page->PopupMenu_HistoryDrop->defaultAction()->text().toStdU16String(), u"置き換え");
    TWritableEnvData env;
    env.SetDefaults();
    page->ApplyEnv(env);
    auto keys = [](QAction* a) { return shortcut::ShortCutToText(shortcut::FromKeySequence(a->shortcut())); };
    EXPECT_EQ(keys(page->Action_PrevHistoryRevival), "Ctrl+J");
    EXPECT_EQ(keys(page->Action_NextHistoryRevival), "Ctrl+N");
}

TEST_F(PageHistoryTest, HistoryItemsDroppedOnTheEditor) {
    struct Case {
        const char* name;
        uint8_t kind;
        std::string lines;
        int choice;           // the drop menu's answer
        bool accepted;
        std::string text;     // the editor's text afterwards
    };
    const std::string before = "one\r\ntwo\r\n";
    const std::vector<Case> cases = {
        {"an entry replaces", 6, "select 4;\r\n", 1, true, "select 4;\r\n"},
        {"a favourite is inserted", 3, "select 9;\r\n", 2, true, "one\r\nselect 9;\r\ntwo\r\n"},
        {"cancelled", 6, "select 4;\r\n", 0, true, before},
        {"menu closed", 6, "select 4;\r\n", -1, true, before},
        {"a date is refused", 5, "x\r\n", 1, false, before},
        {"a folder is refused", 2, "＄＄お気に入りフォルダ\r\n", 1, false, before},
        {"a blank script is refused", 6, " \r\n\t\r\n", 1, false, before},
    };
    QWidget* viewport = page->ScriptEditor->viewport();
    page->ScriptEditor->Lines().SetText(before);
    page->ScriptEditor->SetRowCol(1, 1);
    const TRect r = page->ScriptEditor->CaretRect();
    const QPoint second(r.Left + 2, r.Top + 2);  // on the second line
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        page->ScriptEditor->Lines().SetText(before);
        page->ScriptEditor->SetRowCol(0, 0);
        page->HistoryDirty = false;
        THistoryItemDragObj item(history->IndexTree2, TStringList(c.lines), c.kind, nullptr);
        int asked = 0;
        page->OnChooseHistoryDrop = [&](QPoint) {
            ++asked;
            return c.choice;
        };
        QDragEnterEvent enter(second, Qt::CopyAction | Qt::MoveAction, &item, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(page->ScriptEditor->Row(), 1);  // the caret follows the mouse
        }
        QDropEvent drop(QPointF(second), Qt::CopyAction | Qt::MoveAction, &item, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        EXPECT_EQ(asked, c.accepted ? 1 : 0);
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(page->HistoryDirty, c.accepted && c.choice > 0);
    }
    // not while running
    THistoryItemDragObj item(history->IndexTree2, TStringList("x"), 6, nullptr);
    page->RunFlags().Executing = true;
    EXPECT_FALSE(page->AcceptsHistoryDrop(&item));
    page->RunFlags().Executing = false;
    EXPECT_TRUE(page->AcceptsHistoryDrop(&item));
}

}  // namespace
