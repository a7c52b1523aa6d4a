// The key macro of a script page: its record and play buttons follow the
// macro's state, and what was typed into the script editor plays back there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QShortcutEvent>

#include "QtTestApp.h"
#include "U_Form_Script.h"
#include "U_Frame_SQLClient.h"
#include "editor/ViewTestUtil.h"

namespace {

struct PageMacroTest : ::testing::Test, testutil::WithApp {
    winmsg::TMessageWindow centre;
    std::unique_ptr<TFrameSQLClient> frame;
    PageMacroTest() { frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle()); }
    ~PageMacroTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Rec enabled, Rec checked, Exe enabled.
    static std::string Buttons(TForm_Script* p) {
        std::string s;
        s += p->Action_Macro_Record->isEnabled() ? "R" : "-";
        s += p->Action_Macro_Record->isChecked() ? "*" : "-";
        s += p->Action_Macro_Execute->isEnabled() ? "E" : "-";
        s += p->Action_Macro_Execute->isChecked() ? "*" : "-";
        return s;
    }
};

}  // namespace

TEST_F(PageMacroTest, RecordAndPlayButtonsFollowTheMacro) {
    TForm_Script* page = frame->ActiveScriptPage();
    ASSERT_NE(page, nullptr);
    TScriptEditor* ed = page->ScriptEditor;
    EXPECT_EQ(page->KeyMacro1->Control(), ed);
    EXPECT_FALSE(page->KeyMacro1->ShowDialog);
    EXPECT_EQ(page->Action_Macro_Record->text().toStdString(), "Rec");
    EXPECT_EQ(page->Action_Macro_Execute->text().toStdString(), "Exe");
    EXPECT_TRUE(page->ToolBar2->actions().contains(page->Action_Macro_Record));
    EXPECT_TRUE(page->ToolBar2->actions().contains(page->Action_Macro_Execute));
    EXPECT_EQ(Buttons(page), "R---");

    page->Action_Macro_Record->trigger();
    EXPECT_EQ(page->KeyMacro1->State(), kmsRecording);
    EXPECT_EQ(Buttons(page), "R*--");
    viewtest::Type(ed, QString::fromUtf8("ab"));
    viewtest::Commit(ed, QString::fromUtf8(u8"表"));
    page->Action_Macro_Record->trigger();
    EXPECT_EQ(page->KeyMacro1->State(), kmsRecorded);
    EXPECT_EQ(Buttons(page), "R-E-");
    EXPECT_EQ(ed->Lines().GetText(), "ab\x95\x5c");

    std::string during;
    ed->OnKeyPress = [&](TObject*, char&) {
        if (during.empty()) during = Buttons(page);
    };
    ed->SetRowCol(0, 0);
    page->Action_Macro_Execute->trigger();
    ed->OnKeyPress = nullptr;
    EXPECT_EQ(during, "----");
    EXPECT_EQ(ed->Lines().GetText(), "ab\x95\x5c" "ab\x95\x5c");
    EXPECT_EQ(Buttons(page), "R-E-");

    // Rec again starts a new recording of nothing
    page->Action_Macro_Record->trigger();
    page->Action_Macro_Record->trigger();
    EXPECT_EQ(page->KeyMacro1->Data().Count(), 0);
    page->Action_Macro_Execute->trigger();
    EXPECT_EQ(ed->Lines().GetText(), "ab\x95\x5c" "ab\x95\x5c");
}

TEST_F(PageMacroTest, AShortcutOfThePageIsRecordedAndRunsAgainOnPlay) {
    TForm_Script* page = frame->ActiveScriptPage();
    TScriptEditor* ed = page->ScriptEditor;
    frame->resize(600, 400);
    frame->show();
    QApplication::setActiveWindow(frame.get());
    ed->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), ed);
    page->Action_OutputSQLToggle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    const bool before = page->OutputSQL();

    page->Action_Macro_Record->trigger();
    viewtest::Type(ed, QString::fromUtf8("x"));
    // the toolkit gives Ctrl+Q to the page's action, not to the editor
    QShortcutEvent shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), false);
    QApplication::sendEvent(page->Action_OutputSQLToggle, &shortcut);
    page->Action_Macro_Record->trigger();
    EXPECT_EQ(page->OutputSQL(), !before);
    ASSERT_EQ(page->KeyMacro1->Data().Count(), 3);
    const TKeyMacroData& k = page->KeyMacro1->Data().Items[2];
    EXPECT_EQ(k.Message, winmsg::CN_KEYDOWN);
    EXPECT_EQ(k.CharCode, 'Q');
    EXPECT_EQ(k.Ctrl & 0x80, 0x80);

    page->Action_Macro_Execute->trigger();
    EXPECT_EQ(page->OutputSQL(), before) << "played back, the key runs the action again";
    EXPECT_EQ(ed->Lines().GetText(), "xx");
    // a shortcut while another widget has the focus is not the editor's
    page->Action_Macro_Record->trigger();
    page->ToolBar2->setFocus();
    QApplication::sendEvent(page->Action_OutputSQLToggle, &shortcut);
    page->Action_Macro_Record->trigger();
    EXPECT_EQ(page->KeyMacro1->Data().Count(), 0);
}
