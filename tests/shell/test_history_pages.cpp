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
#include "KZNPopupMenu.h"
#include "KZNTreeView.h"
#include "QtTestApp.h"
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
    page->PrevHistoryRevival();
    page->NextHistoryRevival();
    page->CurrentHistoryRevival();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(Text(), "typed\r\n");
    page->RunFlags().Executing = false;
}

TEST_F(PageHistoryTest, ItemsDraggedFromTheHistoryOntoTheEditor) {
    struct Case {
        const char* caption;  // the node dragged
        bool dragged;         // the history lets it go
        bool taken;           // the editor takes it
        std::string text;     // after "置き換え"
    };
    const std::vector<Case> cases = {
        {"17:00:00", true, true, "select 3;\r\n"},
        {"件数", true, true, "select count(*) from t;\r\n"},
        {"2026/12/09", false, false, "mine\r\n"},
        {"履歴", false, false, "mine\r\n"},
    };
    testutil::THookScope hooks;
    hooks.Set(popupmenu::SetPresenter, [](QMenu& menu, const QPoint&) { return menu.actions().at(0); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        Type("mine\r\n");
        TTreeNodeEx* n = nullptr;
        history->IndexTree2->ForEachNode([&](TTreeNodeEx* x) {
            if (!n && x->Text() == c.caption) n = x;
        });
        std::unique_ptr<THistoryItemDragObj> item(history->StartDrag(n));
        EXPECT_EQ(item != nullptr, c.dragged);
        if (!item) continue;
        EXPECT_EQ(page->AcceptsHistoryDrop(item.get()), c.taken);
        page->HistoryDropped(item.get(), QPoint(2, 2));
        EXPECT_EQ(Text(), c.text);
    }
}

}  // namespace
