// The tool bars of the script and result pages: shown and hidden by their
// actions, bound to the page's editor, filled from what the page (or the
// window) last used, and keeping what their buttons used.
#include <functional>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeySequence>
#include <QLayout>
#include <QTest>
#include <QToolButton>

#include "LayoutCheck.h"
#include "QtTestApp.h"
#include "U_ClientMessages.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"

namespace {

struct ToolBarsTest : ::testing::Test, testutil::WithApp {
    winmsg::TMessageWindow centre;
    std::vector<std::pair<uint32_t, winmsg::WPARAM>> messages;
    std::unique_ptr<TFrameSQLClient> frame;
    ToolBarsTest() {
        centre.WndProc = [this](winmsg::TMessage& m) { messages.emplace_back(m.Msg, m.WParam); };
        frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle());
        frame->resize(900, 700);
        frame->show();
        QCoreApplication::processEvents();
    }
    ~ToolBarsTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool Sent(uint32_t Msg, winmsg::WPARAM W) const {
        for (auto& m : messages)
            if (m.first == Msg && m.second == W) return true;
        return false;
    }
    static void Select(TKZNEditor* E, int Start, int Length) {
        E->CleanSelection();
        E->SetSelStart(Start);
        E->SetSelLength(Length);
    }
};

TEST_F(ToolBarsTest, ScriptPageBars) {
    TForm_Script* page = frame->ActiveScriptPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Action_ScriptEditor_Search_Show->text(), QString::fromUtf16(u"検索"));
    EXPECT_EQ(page->Action_EditorBundle->text(), QString::fromUtf16(u"各行を指定文字で括る"));
    EXPECT_EQ(page->Action_EditorEscapeReplace->text(), QString::fromUtf16(u"文字をエスケープ"));
    EXPECT_TRUE(page->Frame_KZNEditorSearch1()->isHidden());
    EXPECT_TRUE(page->Frame_KZNEditorLineBundle1()->isHidden());
    EXPECT_TRUE(page->Frame_KZNEditorEscapeReplace1()->isHidden());
    EXPECT_EQ(page->Frame_KZNEditorSearch1()->Editor(), page->ScriptEditor);

    // the search bar searches the page's editor
    page->ScriptEditor->Lines().SetText("select 1;\r\nSELECT 2;\r\n");
    page->Action_ScriptEditor_Search_Show->trigger();
    EXPECT_FALSE(page->Frame_KZNEditorSearch1()->isHidden());
    EXPECT_TRUE(page->Action_ScriptEditor_Search_Show->isChecked());
    page->Frame_KZNEditorSearch1()->ComboBox_Search->setEditText("select 2");
    page->Frame_KZNEditorSearch1()->Action_Execute->trigger();
    EXPECT_EQ(page->ScriptEditor->GetSelText(), "SELECT 2");
    page->Action_ScriptEditor_Search_Show->trigger();
    EXPECT_TRUE(page->Frame_KZNEditorSearch1()->isHidden());
    EXPECT_FALSE(page->Action_ScriptEditor_Search_Show->isChecked());

    // the bundle bar opens with the page's texts, empty before any bundling
    page->Action_EditorBundle->trigger();
    EXPECT_TRUE(page->Action_EditorBundle->isChecked());
    EXPECT_EQ(page->Frame_KZNEditorLineBundle1()->Edit_Bundle_Left->text(), "");
    page->Frame_KZNEditorLineBundle1()->SetValues("(", ")", false);
    Select(page->ScriptEditor, 0, 9);
    messages.clear();
    page->Frame_KZNEditorLineBundle1()->Button1->click();
    EXPECT_EQ(page->ScriptEditor->Lines().GetText(), "(select 1;)\r\nSELECT 2;\r\n");
    EXPECT_EQ(page->BundleStart, "(");
    EXPECT_EQ(page->BundleEnd, ")");
    EXPECT_TRUE(Sent(mc::WM_MC_BUNDLECHANGE, 0));
    page->Action_EditorBundle->trigger();  // hide
    page->Frame_KZNEditorLineBundle1()->SetValues("x", "y", true);
    page->Action_EditorBundle->trigger();  // shown again with the page's texts
    EXPECT_EQ(page->Frame_KZNEditorLineBundle1()->Edit_Bundle_Left->text(), "(");

    // the escape bar: the settings' options become the page's, so opening
    // the bar shows them; a use stores the page's options into the window too
    TWritableEnvData env;
    env.CloseTimeEnvData->EscapeSQ = true;
    env.CloseTimeEnvData->EscapeEscapeDouble = true;
    page->ApplyEnv(env);
    EXPECT_TRUE(page->Frame_KZNEditorEscapeReplace1()->CheckBox_SQ->isChecked());
    EXPECT_TRUE(page->Frame_KZNEditorEscapeReplace1()->RadioButton_Double->isChecked());
    page->Action_EditorEscapeReplace->trigger();
    EXPECT_TRUE(page->Frame_KZNEditorEscapeReplace1()->CheckBox_SQ->isChecked());
    EXPECT_TRUE(page->Frame_KZNEditorEscapeReplace1()->RadioButton_Double->isChecked());
    page->ScriptEditor->Lines().SetText("'a'\r\n");
    Select(page->ScriptEditor, 0, 3);
    page->Frame_KZNEditorEscapeReplace1()->CheckBox_DQ->setChecked(true);
    messages.clear();
    page->Frame_KZNEditorEscapeReplace1()->Button1->click();
    EXPECT_EQ(page->ScriptEditor->Lines().GetText(), "''a''\r\n");
    EXPECT_TRUE(page->EscapeSQ);
    EXPECT_TRUE(page->EscapeDQ);
    EXPECT_TRUE(page->EscapeEscapeDouble);
    EXPECT_TRUE(frame->EscapeDQ);
    EXPECT_TRUE(Sent(mc::WM_MC_ESCAPEREPLACECHANGE, reinterpret_cast<winmsg::WPARAM>(frame.get())));
}

TEST_F(ToolBarsTest, ResultPageBars) {
    TForm_Result* page = frame->ActiveResultPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Action_Search->text(), QString::fromUtf16(u"検索バーを表示"));
    EXPECT_EQ(page->Frame_KZNEditorSearch1()->Editor(), page->Editor);
    EXPECT_TRUE(page->Frame_KZNEditorSearch1()->isHidden());
    page->Action_Search->trigger();
    EXPECT_FALSE(page->Frame_KZNEditorSearch1()->isHidden());
    EXPECT_TRUE(page->Action_Search->isChecked());

    // the escape bar opens with the window's options and stores back into the window
    frame->EscapeDQ = true;
    page->Action_EditorEscapeReplace->trigger();
    EXPECT_TRUE(page->Frame_KZNEditorEscapeReplace1()->CheckBox_DQ->isChecked());
    page->Editor->Lines().SetText("say \"hi\"\r\n");
    Select(page->Editor, 0, 8);
    page->Frame_KZNEditorEscapeReplace1()->CheckBox_Y->setChecked(true);
    messages.clear();
    page->Frame_KZNEditorEscapeReplace1()->Button1->click();
    EXPECT_EQ(page->Editor->Lines().GetText(), "say \\\"hi\\\"\r\n");
    EXPECT_TRUE(frame->EscapeY);
    EXPECT_TRUE(Sent(mc::WM_MC_ESCAPEREPLACECHANGE, reinterpret_cast<winmsg::WPARAM>(frame.get())));

    // the bundle bar keeps the page's texts
    page->BundleStart = "[";
    page->BundleEnd = "]";
    page->Action_Linebundle->trigger();
    EXPECT_EQ(page->Frame_KZNEditorLineBundle1()->Edit_Bundle_Right->text(), "]");
    Select(page->Editor, 0, 3);
    messages.clear();
    page->Frame_KZNEditorLineBundle1()->Edit_Bundle_Right->setText("}");
    page->Frame_KZNEditorLineBundle1()->Button1->click();
    EXPECT_EQ(page->BundleEnd, "}");
    EXPECT_TRUE(Sent(mc::WM_MC_BUNDLECHANGE, reinterpret_cast<winmsg::WPARAM>(page)));
}

// A page holds no bar until one is asked for; a bar built late is bound to
// the page's editor, hidden, in its place in the stack (search, line bundle,
// escape) and reports its use to the page.
TEST_F(ToolBarsTest, BarsAreBuiltOnFirstUseInTheirPlace) {
    TForm_Script* script = frame->ActiveScriptPage();
    ASSERT_NE(script, nullptr);
    frame->ExecuteScriptText("#NewSheet;");
    TForm_Result* sheet = frame->ActiveResultPage();
    ASSERT_NE(sheet, nullptr);
    struct Case {
        const char* name;
        TKZNEditorToolPanel* panel;
        TKZNEditor* editor;
        std::function<std::string()> bundleStart;
    };
    const Case cases[] = {
        {"script", script->Panel_Editor_ScriptToolBarBase, script->ScriptEditor, [script] { return script->BundleStart; }},
        {"sheet", sheet->Panel_ToolBase, sheet->Editor, [sheet] { return sheet->BundleStart; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TKZNEditorToolPanel* panel = c.panel;
        EXPECT_EQ(panel->BuiltSearch(), nullptr);
        EXPECT_EQ(panel->BuiltLineBundle(), nullptr);
        EXPECT_EQ(panel->BuiltEscapeReplace(), nullptr);
        EXPECT_EQ(panel->findChildren<QFrame*>(Qt::FindDirectChildrenOnly).size(), 0);
        // built last first: the stack's order does not follow the order of building
        TFrame_KZNEditorEscapeReplace* escape = panel->EscapeReplace();
        TFrame_KZNEditorSearch* search = panel->Search();
        TFrame_KZNEditorLineBundle* bundle = panel->LineBundle();
        EXPECT_EQ(panel->EscapeReplace(), escape);  // built once
        EXPECT_EQ(panel->BuiltSearch(), search);
        QLayout* stack = panel->layout();
        EXPECT_EQ(stack->indexOf(search), 0);
        EXPECT_EQ(stack->indexOf(bundle), 1);
        EXPECT_EQ(stack->indexOf(escape), 2);
        for (QWidget* bar : {static_cast<QWidget*>(search), static_cast<QWidget*>(bundle), static_cast<QWidget*>(escape)})
            EXPECT_TRUE(bar->isHidden());
        EXPECT_EQ(search->Editor(), c.editor);
        EXPECT_EQ(bundle->Editor(), c.editor);
        EXPECT_EQ(escape->Editor(), c.editor);
        c.editor->Lines().SetText("ab\r\n");
        Select(c.editor, 0, 2);
        bundle->SetValues("<", ">", false);
        bundle->Button1->click();
        EXPECT_EQ(c.editor->Lines().GetText(), "<ab>\r\n");
        EXPECT_EQ(c.bundleStart(), "<");
    }
}

TEST_F(ToolBarsTest, WindowSearchKeysGoToTheFocusedEditorsBar) {
    auto* show = frame->findChild<QAction*>("Action_EditorSearchShow");
    auto* search = frame->findChild<QAction*>("Action_EditorSearch");
    auto* reverse = frame->findChild<QAction*>("Action_EditorSearchReverse");
    ASSERT_TRUE(show && search && reverse);
    EXPECT_EQ(show->text(), QString::fromUtf16(u"エディタ検索バー表示"));
    EXPECT_EQ(search->text(), QString::fromUtf16(u"エディタ検索"));
    EXPECT_EQ(reverse->text(), QString::fromUtf16(u"反対方向に検索"));
    EXPECT_EQ(show->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    EXPECT_EQ(search->shortcut(), QKeySequence(QStringLiteral("F3")));
    EXPECT_EQ(reverse->shortcut(), QKeySequence(QStringLiteral("Shift+F3")));

    TForm_Script* page = frame->ActiveScriptPage();
    TFrame_KZNEditorSearch* bar = page->Frame_KZNEditorSearch1();
    QApplication::setActiveWindow(frame.get());
    // nothing holds the focus: nothing happens
    frame->setFocus();
    QCoreApplication::processEvents();
    show->trigger();
    EXPECT_TRUE(bar->isHidden());
    page->ScriptEditor->Lines().SetText("ab\r\nab\r\nab\r\n");
    page->ScriptEditor->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(page->ScriptEditor->hasFocus());
    show->trigger();
    EXPECT_FALSE(bar->isHidden());
    bar->ComboBox_Search->setEditText("ab");
    page->ScriptEditor->setFocus();
    page->ScriptEditor->SetRowCol(1, 1);
    search->trigger();
    EXPECT_EQ(page->ScriptEditor->SelStr().StartRow, 2);
    reverse->trigger();
    EXPECT_EQ(page->ScriptEditor->SelStr().StartRow, 1);
    EXPECT_FALSE(bar->Upward());  // flipped back
    // the result page's bar while its editor has the focus
    TForm_Result* result = frame->ActiveResultPage();
    result->Editor->Lines().SetText("xy xy\r\n");
    result->Editor->setFocus();
    QCoreApplication::processEvents();
    // F3 before the bar was ever shown builds it, hidden, for the focused editor
    ASSERT_EQ(result->Panel_ToolBase->BuiltSearch(), nullptr);
    search->trigger();
    ASSERT_NE(result->Panel_ToolBase->BuiltSearch(), nullptr);
    EXPECT_TRUE(result->Panel_ToolBase->BuiltSearch()->isHidden());
    EXPECT_EQ(result->Panel_ToolBase->BuiltSearch()->Editor(), result->Editor);
    show->trigger();
    EXPECT_FALSE(result->Frame_KZNEditorSearch1()->isHidden());
    result->Frame_KZNEditorSearch1()->ComboBox_Search->setEditText("xy");
    result->Editor->setFocus();
    search->trigger();
    EXPECT_EQ(result->Editor->GetSelText(), "xy");
    EXPECT_EQ(page->ScriptEditor->SelStr().StartRow, 1);  // the script page's editor is left alone
}

}  // namespace

namespace {

// A result page's tool bar makes its buttons when the page is first seen:
// pages run past (made and left before the window was painted) hold none,
// take the same room, and show the right buttons once they are seen.
TEST_F(ToolBarsTest, ResultPageButtonsAreMadeWhenThePageIsSeen) {
    TResultSeetManager& sheets = *frame->ResultSeetManager;
    TForm_Result* first = sheets.NewSheet();
    first->SetOutputMode(rom_Grid);  // changed while its bar has no buttons
    TForm_Result* second = sheets.NewSheet();
    TForm_Result* last = sheets.NewSheet();
    EXPECT_FALSE(first->ToolBar1->Built());
    EXPECT_FALSE(second->ToolBar1->Built());
    EXPECT_TRUE(first->ToolBar1->findChildren<QToolButton*>().isEmpty());
    QCoreApplication::processEvents();  // the window is painted: the last page is seen
    EXPECT_TRUE(last->ToolBar1->Built());
    EXPECT_FALSE(first->ToolBar1->Built());
    EXPECT_FALSE(second->ToolBar1->Built());
    const int width = last->ToolBar1->width();
    EXPECT_EQ(first->ToolBar1->heightForWidth(width), last->ToolBar1->heightForWidth(width));

    sheets.SetActiveForm(first);
    QCoreApplication::processEvents();
    ASSERT_TRUE(first->ToolBar1->Built());
    EXPECT_EQ(first->ToolBar1->geometry(), last->ToolBar1->geometry());
    const std::pair<QAction* TForm_Result::*, bool> modes[] = {{&TForm_Result::Action_Mode_Text, false},
                                                                {&TForm_Result::Action_Mode_TextGrid, false},
                                                                {&TForm_Result::Action_Mode_Grid, true},
                                                                {&TForm_Result::Action_Mode_Tab, false},
                                                                {&TForm_Result::Action_Mode_SDF, false}};
    for (auto [action, checked] : modes) {
        auto* button = qobject_cast<QToolButton*>(first->ToolBar1->widgetForAction(first->*action));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->isChecked(), checked) << button->text().toStdString();
        // in the same place as on the page seen first
        EXPECT_EQ(button->geometry(), last->ToolBar1->widgetForAction(last->*action)->geometry());
    }
    // a click on a button of a page seen late works as on any other
    QTest::mouseClick(first->ToolBar1->widgetForAction(first->Action_Mode_Tab), Qt::LeftButton);
    EXPECT_EQ(first->OutputMode(), rom_Tab);
}

}  // namespace

namespace {

// The result page's search bar with its replace panel makes do with the
// page's width: where the two parts do not fit side by side at full width,
// the boxes narrow and the ignore-case caption is cut short; where even that
// does not do, the replace panel goes below the search. Every part of the bar
// shows, and the object tree beside the page keeps its width.
TEST_F(ToolBarsTest, TheReplacePanelLeavesTheObjectTreeItsWidth) {
    // a change of the bar reaches the page's layout in a second round of events
    auto settle = [] {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    };
    frame->Panel_DelcTreeBase->show();  // as when object trees are defined
    QApplication::setActiveWindow(frame.get());
    TForm_Result* result = frame->ActiveResultPage();
    result->Editor->setFocus();
    settle();
    QTest::keyClick(result->Editor, Qt::Key_F, Qt::ControlModifier);
    TFrame_KZNEditorSearch* bar = result->Frame_KZNEditorSearch1();
    ASSERT_TRUE(bar->isVisible());
    struct Case {
        int window;
        bool oneRow, shortened;
    } cases[] = {{1900, true, false}, {1366, true, false}, {1250, true, true}, {1000, false, false}};
    for (const Case& c : cases) {
        frame->resize(c.window, 740);
        frame->Splitter_Desctree->setSizes({369, c.window - 369});
        settle();
        const int tree = frame->Panel_DelcTreeBase->width();
        const int row = bar->height();
        QTest::mouseClick(bar->BitBtn7, Qt::LeftButton);  // 置換
        settle();
        ASSERT_TRUE(bar->Panel_Replace->isVisible()) << c.window;
        EXPECT_EQ(frame->Panel_DelcTreeBase->width(), tree) << c.window;
        EXPECT_EQ(layoutcheck::Faults(bar), std::vector<std::string>{}) << c.window;
        if (c.oneRow) {
            EXPECT_EQ(bar->Panel_Replace->y(), bar->Panel_Search->y()) << c.window;
            EXPECT_GT(bar->Panel_Replace->x(), bar->Panel_Search->geometry().right()) << c.window;
            EXPECT_EQ(bar->height(), row) << c.window;
        } else {
            EXPECT_GT(bar->Panel_Replace->y(), bar->Panel_Search->geometry().bottom()) << c.window;
            EXPECT_GT(bar->height(), row) << c.window;
        }
        EXPECT_EQ(bar->CheckBox_IgnoreCase->width() < bar->CheckBox_IgnoreCase->sizeHint().width(), c.shortened)
            << c.window;
        // the page's console starts below the bar
        EXPECT_GE(result->Editor->mapTo(result, QPoint(0, 0)).y(), bar->mapTo(result, QPoint(0, bar->height())).y())
            << c.window;

        QTest::mouseClick(bar->BitBtn7, Qt::LeftButton);  // hidden again
        settle();
        EXPECT_FALSE(bar->Panel_Replace->isVisible());
        EXPECT_EQ(bar->height(), row) << c.window;
        EXPECT_EQ(frame->Panel_DelcTreeBase->width(), tree) << c.window;
    }
}

}  // namespace
