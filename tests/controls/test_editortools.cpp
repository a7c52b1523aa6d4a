// The editor tool frames: the history box, the search and replace bar with
// replace all, the line-bundle bar and the escape bar, on a real editor
// (offscreen).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "KZNEditorEscapeReplace.h"
#include "KZNEditorLineBundle.h"
#include "KZNEditorSearch.h"
#include "KZNEditorSearch_Progress.h"
#include "KZNHistoryCombobox.h"
#include "editor/ViewTestUtil.h"

namespace {

QString U(const char16_t* s) { return QString::fromUtf16(s); }

QStringList Items(const QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l;
}

TEST(KZNHistoryComboBox, KeepsEachTextOnceNewestFirst) {
    testutil::App();
    TKZNHistoryComboBox box;
    box.AddHistory();  // an empty text adds nothing
    EXPECT_EQ(box.count(), 0);
    for (const char* t : {"a", "b", "A", "a"}) {
        box.setEditText(t);
        box.AddHistory();
    }
    EXPECT_EQ(Items(&box), (QStringList{"a", "A", "b"}));
    EXPECT_EQ(box.currentText(), "a");
    for (int i = 0; i < 40; ++i) {
        box.setEditText(QString::number(i));
        box.AddHistory();
    }
    EXPECT_EQ(box.count(), 43);  // no length limit
    box.SetText("\x95\x5C");
    box.AddHistory();
    EXPECT_EQ(box.itemText(0), U(u"表"));
    EXPECT_EQ(box.Text(), "\x95\x5C");
}

struct ToolFixture : testutil::WithApp, ::testing::Test {
    QWidget Window;
    TKZNEditor* E;
    TFrame_KZNEditorSearch* Bar;
    ToolFixture() {
        auto* l = new QVBoxLayout(&Window);
        Bar = new TFrame_KZNEditorSearch(&Window);
        E = MakeEditor<TKZNEditor>(&Window);
        l->addWidget(Bar);
        l->addWidget(E, 1);
        Bar->SetEditor(E);
        Window.resize(700, 400);
    }
    void Show() {
        Window.show();
        QApplication::setActiveWindow(&Window);
        E->setFocus();
        QApplication::processEvents();
    }
    std::string Text() { return E->Lines().GetText(); }
    void Select(int Start, int Length) {
        E->CleanSelection();
        E->SetSelStart(Start);
        E->SetSelLength(Length);
    }
    void ReplaceAll() {
        testutil::AnswerModal<TForm_KZNEditorSearch_Progress>(
            [](TForm_KZNEditorSearch_Progress* w) { w->Button1->click(); });
        Bar->Action_ReplaceAll->trigger();
    }
};

TEST_F(ToolFixture, SearchBarCaptionsAndFirstState) {
    struct {
        QAction* a;
        const char16_t *caption, *hint;
    } actions[] = {
        {Bar->Action_Execute, u"検索", u"検索"},
        {Bar->Action_AllowToggle, u"方向", u"検索方向切り替え"},
        {Bar->Action_Down, u"↓検索", u"下方向検索"},
        {Bar->Action_Up, u"↑検索", u"上方向検索"},
        {Bar->Action_IgnoreCaseToggle, u"大・小文字を区別しない", u"大・小文字を区別しない"},
        {Bar->Action_ReplaceShow, u"置換", u"置換パネルを表示"},
        {Bar->Action_Replace, u"置換", u"検索ヒット部分を置換"},
        {Bar->Action_ReplaceAndSearch, u"置換＆次検索", u"置換＆次検索"},
        {Bar->Action_ReplaceAll, u"全て置換", u"全て置換"},
    };
    for (const auto& x : actions) {
        EXPECT_EQ(x.a->text(), U(x.caption));
        EXPECT_EQ(x.a->toolTip(), U(x.hint));
    }
    EXPECT_EQ(Bar->BitBtn2->defaultAction(), Bar->Action_Down);
    EXPECT_EQ(Bar->Label_Ni->text(), U(u"に"));
    EXPECT_TRUE(Bar->IgnoreCase());
    EXPECT_TRUE(Bar->CheckBox_IgnoreCase->isChecked());
    EXPECT_FALSE(Bar->Upward());
    EXPECT_EQ(Bar->Label_ReplaceCount->text(), "0 Replaced");
    EXPECT_TRUE(Bar->Panel_Replace->isHidden());
    EXPECT_FALSE(Bar->Action_Replace->isEnabled());
    EXPECT_TRUE(Bar->Action_Up->isEnabled());
    Bar->SetReplaceCount(12);
    EXPECT_EQ(Bar->Label_ReplaceCount->text(), "12 Replaced");
}

TEST_F(ToolFixture, SearchFollowsCaseAndDirection) {
    Show();
    E->Lines().SetText("SELECT a\r\nfrom \x95\x5C\r\nselect b\r\n");
    E->SetRowCol(0, 0);
    Bar->ComboBox_Search->setEditText("select");
    Bar->Action_Execute->trigger();
    ASSERT_TRUE(E->GetSelected());  // the hit is a confirmed selection
    EXPECT_EQ(E->SelStr().StartRow, 0);
    EXPECT_TRUE(Bar->Action_Replace->isEnabled());
    EXPECT_EQ(Items(Bar->ComboBox_Search), QStringList{"select"});
    Bar->Action_Execute->trigger();
    EXPECT_EQ(E->SelStr().StartRow, 2);
    // the box's check mark and the action go together
    Bar->CheckBox_IgnoreCase->click();
    EXPECT_FALSE(Bar->IgnoreCase());
    Bar->Action_Up->trigger();
    EXPECT_FALSE(E->GetSelected());  // no lower-case "select" above row 2
    EXPECT_FALSE(Bar->Upward());     // the direction is back to downward
    Bar->Action_IgnoreCaseToggle->trigger();
    EXPECT_TRUE(Bar->IgnoreCase());
    EXPECT_TRUE(Bar->CheckBox_IgnoreCase->isChecked());
    // upward: the direction toggle, then a search from the end finds the last one first
    E->SetRowCol(3, 0);
    Bar->Action_AllowToggle->trigger();
    EXPECT_TRUE(Bar->Upward());
    Bar->Action_Execute->trigger();
    EXPECT_EQ(E->SelStr().StartRow, 2);
    Bar->Action_Execute->trigger();
    EXPECT_EQ(E->SelStr().StartRow, 0);
    Bar->Action_Down->trigger();
    EXPECT_EQ(E->SelStr().StartRow, 2);
    EXPECT_TRUE(Bar->Upward());
    // nothing found: the selection is cleaned, no message
    Bar->ComboBox_Search->setEditText("\\");
    Bar->Action_Execute->trigger();
    EXPECT_FALSE(E->GetSelected());
    EXPECT_EQ(Items(Bar->ComboBox_Search), (QStringList{"\\", "select"}));
}

TEST_F(ToolFixture, EnterInTheSearchBoxSearches) {
    Show();
    Bar->ComboBox_Search->setEditText("two");
    E->Lines().SetText("one two two\r\n");
    QTest::keyClick(Bar->ComboBox_Search->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(E->GetSelected());
    EXPECT_EQ(E->SelStr().StartIndex, 4);  // one search per key
    QTest::keyClick(Bar->ComboBox_Search, Qt::Key_Enter);
    EXPECT_EQ(E->SelStr().StartIndex, 8);
}

TEST_F(ToolFixture, FocusMarkWhenTheEditorCannotTakeTheFocus) {
    // never shown: the editor cannot hold the focus, so the caret gets a mark
    E->Lines().SetText("abc\r\nxyz\r\n");
    Bar->ComboBox_Search->setEditText("xyz");
    Bar->Execute();
    ASSERT_NE(Bar->FocusMark(), nullptr);
    EXPECT_FALSE(Bar->FocusMark()->isHidden());
    EXPECT_EQ(Bar->FocusMark()->width(), 5);
    EXPECT_EQ(Bar->FocusMark()->height(), E->RowHeight());
}

TEST_F(ToolFixture, ReplaceOnlyAMatchingSelection) {
    Show();
    E->Lines().SetText("abc abc\r\n");
    Bar->ReplaceShow();
    EXPECT_TRUE(Bar->Panel_Replace->isVisible());
    Bar->ComboBox_Search->setEditText("ABC");
    Bar->KZNHistoryComboBox_Replace->setEditText(U(u"表"));
    Select(0, 2);  // "ab" is not the search text
    Bar->Replace();
    EXPECT_EQ(Text(), "abc abc\r\n");
    Select(0, 3);  // "abc" matches "ABC" while case is ignored
    Bar->UpdateActionStates();
    EXPECT_TRUE(Bar->Action_Replace->isEnabled());
    Bar->Action_ReplaceAndSearch->trigger();
    EXPECT_EQ(Text(), "\x95\x5C abc\r\n");
    EXPECT_EQ(E->GetSelText(), "abc");  // the next one is found
    EXPECT_EQ(Items(Bar->KZNHistoryComboBox_Replace), QStringList{U(u"表")});  // the replace box keeps what was used
    Bar->SetIgnoreCase(false);
    Bar->Replace();
    EXPECT_EQ(Text(), "\x95\x5C abc\r\n");  // case matters now
    Bar->ReplaceShow();
    EXPECT_TRUE(Bar->Panel_Replace->isHidden());
}

TEST_F(ToolFixture, ReplaceAllCountsAndUndoes) {
    Show();
    struct {
        std::string text, search, replace, want;
        int count;
    } cases[] = {
        {"xxx\r\n", "x", "y", "yyy\r\n", 3},
        {"a-a\r\na\r\n", "a", "aa", "aa-aa\r\naa\r\n", 3},  // the new text is not searched again
        {"\x95\x5C\\\\\r\n", "\\", "/", "\x95\x5C//\r\n", 2},  // never the trail byte of 表
        {"abc\r\n", "z", "y", "abc\r\n", 0},
    };
    for (const auto& c : cases) {
        E->Lines().SetText(c.text);
        E->SetRowCol(1, 0);
        Bar->ComboBox_Search->setEditText(QString::fromStdString(c.search));
        Bar->KZNHistoryComboBox_Replace->setEditText(QString::fromStdString(c.replace));
        ReplaceAll();
        EXPECT_EQ(Text(), c.want) << c.text;
        EXPECT_EQ(Bar->Label_ReplaceCount->text(), QString::number(c.count) + " Replaced");
        for (int i = 0; i < c.count; ++i) E->Undo();
        EXPECT_EQ(Text(), c.text);
    }
    // "キャンセル" stops after the replacement in progress
    E->Lines().SetText("xxx\r\n");
    Bar->ComboBox_Search->setEditText("x");
    Bar->KZNHistoryComboBox_Replace->setEditText("y");
    testutil::AnswerModal<TForm_KZNEditorSearch_Progress>([](TForm_KZNEditorSearch_Progress* w) {
        EXPECT_EQ(w->windowTitle(), U(u"全置換"));
        EXPECT_EQ(w->Button2->text(), U(u"キャンセル"));
        EXPECT_FALSE(w->TrackBar1->isEnabled());
        QMetaObject::invokeMethod(w->Button2, &QPushButton::click, Qt::QueuedConnection);
        w->Button1->click();
    });
    Bar->Action_ReplaceAll->trigger();
    EXPECT_EQ(Text(), "yxx\r\n");
    EXPECT_EQ(Bar->Label_ReplaceCount->text(), "1 Replaced");
    // an upward search bar stays upward
    E->Lines().SetText("zz\r\n");
    Bar->AllowToggle();
    Bar->ComboBox_Search->setEditText("z");
    ReplaceAll();
    EXPECT_TRUE(Bar->Upward());
    EXPECT_EQ(Bar->Label_ReplaceCount->text(), "2 Replaced");
}

TEST(LineBundle, BundleAndUnbundleTexts) {
    struct {
        std::string s, left, right;
        bool adjust;
        std::string want;
    } bundles[] = {
        {"a\r\nbcd", "SQL.Add(", ");", true, "SQL.Add(a  );\r\nSQL.Add(bcd);"},
        {"a\r\nbcd\r\n", "SQL.Add(", ");", false, "SQL.Add(a);\r\nSQL.Add(bcd);\r\n"},
        {"\r\n", "<", ">", false, "<>\r\n"},  // a lone line break is kept
        {"\x95\x5C", "'", "'", false, "'\x95\x5C'"},
    };
    for (const auto& b : bundles)
        EXPECT_EQ(TFrame_KZNEditorLineBundle::BundleText(b.s, b.left, b.right, b.adjust), b.want) << b.s;
    struct {
        std::string s, left, right, want;
    } unbundles[] = {
        {"  SQL.Add(x);  ", "SQL.Add(", ");", "x"},
        {"foo  \r\n", "SQL.Add(", ");", "foo\r\n"},
        {" SQL.Add(a  );\r\nSQL.Add(bcd);", " SQL.Add( ", " ); ", "a  \r\nbcd"},
        {"x\x95\x5C", "", "\\", "x\x95\x5C"},  // the trail byte of 表 is not the right text
        {"x\\", "", "\\", "x"},
        {"abc", "", "", "abc"},
    };
    for (const auto& u : unbundles)
        EXPECT_EQ(TFrame_KZNEditorLineBundle::UnbundleText(u.s, u.left, u.right), u.want) << u.s;
}

TEST_F(ToolFixture, LineBundleBarOnTheSelection) {
    TFrame_KZNEditorLineBundle bar;
    EXPECT_EQ(bar.Edit_Bundle_Left->text(), "SQL.Add(");
    EXPECT_EQ(bar.Edit_Bundle_Right->text(), ");");
    EXPECT_EQ(bar.Button1->text(), U(u"で括る"));
    EXPECT_EQ(bar.Button2->text(), U(u"の括りを削除"));
    EXPECT_EQ(bar.CheckBox_Adjust->text(), U(u"桁をあわせる"));
    bar.SetEditor(E);
    bar.SetValues("[", "]", true);
    EXPECT_EQ(bar.LeftText(), "[");
    EXPECT_TRUE(bar.CheckBox_Adjust->isChecked());
    E->Lines().SetText("a\r\nbcd\r\nrest\r\n");
    bar.Button1->click();  // no selection: nothing
    EXPECT_EQ(Text(), "a\r\nbcd\r\nrest\r\n");
    Select(0, 8);
    bar.Button1->click();
    EXPECT_EQ(Text(), "[a  ]\r\n[bcd]\r\nrest\r\n");
    Select(0, 14);
    bar.Button2->click();
    EXPECT_EQ(Text(), "a  \r\nbcd\r\nrest\r\n");  // the padding stays: only the ends of the line are trimmed
}

TEST(EscapeReplace, EscapeTexts) {
    struct {
        std::string s;
        bool sq, dq, y, c5, dbl;
        std::string want;
    } cases[] = {
        {"it's \\ \"q\"", true, true, true, false, false, "it\\'s \\\\ \\\"q\\\""},
        {"it's \\ \"q\"", true, true, true, false, true, "it''s \\\\ \"\"q\"\""},
        {"it's", false, true, true, false, false, "it's"},
        {"\x95\x5C\\", false, false, true, false, false, "\x95\x5C\\\\"},  // 表 is not a backslash
        {"\x95\x5C'", true, false, false, true, false, "\x95\x5C\\\\'"},
        {"", true, true, true, true, true, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFrame_KZNEditorEscapeReplace::EscapeText(c.s, {c.sq, c.dq, c.y, c.c5, c.dbl}), c.want) << c.s;
}

TEST_F(ToolFixture, EscapeBarOnTheSelection) {
    TFrame_KZNEditorEscapeReplace bar;
    EXPECT_EQ(bar.Button1->text(), U(u"エスケープする"));
    EXPECT_EQ(bar.CheckBox_5c->text(), U(u"5C問題も同時に"));
    EXPECT_EQ(bar.RadioButton_Double->text(), U(u"同一文字で"));
    EXPECT_TRUE(bar.RadioButton_Y->isChecked());
    bar.SetEditor(E);
    bar.SetValues({true, false, false, false, true});
    EXPECT_TRUE(bar.RadioButton_Double->isChecked());
    EXPECT_TRUE(bar.CheckBox_SQ->isChecked());
    E->Lines().SetText("'a' 'b'\r\n");
    Select(0, 3);
    bar.Button1->click();
    EXPECT_EQ(Text(), "''a'' 'b'\r\n");
    bar.SetValues({false, false, false, false, false});
    EXPECT_TRUE(bar.RadioButton_Y->isChecked());
}

}  // namespace
