#include <gtest/gtest.h>

#include <QWheelEvent>

#include "KZNEditor.h"
#include "editor/ViewTestUtil.h"

namespace {

struct KZNEditorTest : testutil::WithApp, ::testing::Test {
    std::unique_ptr<TKZNEditor> E{MakeEditor<TKZNEditor>()};
    void Show() {
        E->resize(480, 320);
        E->show();
        QApplication::setActiveWindow(E.get());
        E->setFocus();
        QApplication::processEvents();
    }
    std::string Text() { return E->Lines().GetText(); }
    void Wheel(int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent ev(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(E->viewport(), &ev);
    }
};

TEST_F(KZNEditorTest, StandardOptions) {
    EXPECT_FALSE(E->Caret().BackSpaceUnIndent);
    EXPECT_FALSE(E->Caret().InTab);
    EXPECT_TRUE(E->Caret().NextLine);
    EXPECT_TRUE(E->Marks().HideMark().Visible());
    EXPECT_TRUE(E->SearchAllowAsc);
    EXPECT_FALSE(E->AcceptShellDorpFile);
    std::unique_ptr<TScriptEditor> s{MakeEditor<TScriptEditor>()};
    EXPECT_FALSE(s->Caret().BackSpaceUnIndent);
}

TEST_F(KZNEditorTest, FormatLinesToTheVisibleWidth) {
    Show();
    const int w = E->VisibleCols();
    ASSERT_GE(w, 10);
    TStringList lines;
    E->FormatLinesToWidth(std::string(w, 'a') + "\r\n" + std::string(w + 1, 'b'), lines);
    EXPECT_EQ(lines.Items, (std::vector<std::string>{std::string(w, 'a'), std::string(w - 1, 'b') + "\r\nbb"}));
}

TEST_F(KZNEditorTest, TabIndentsASelectionOfSeveralLines) {
    Show();
    struct Case {
        int fromRow, fromCol, toRow, toCol;
        Qt::KeyboardModifiers mods;
        std::string text, expected;
    } cases[] = {
        {0, 0, 1, 2, Qt::NoModifier, "ab\r\ncd\r\n", "\tab\r\n\tcd\r\n"},
        {0, 0, 0, 1, Qt::NoModifier, "ab\r\ncd\r\n", "ab\r\ncd\r\n"},  // within one line: nothing
        {0, 0, 1, 9, Qt::ShiftModifier, "\tab\r\n\tcd\r\n", "ab\r\ncd\r\n"},
    };
    for (const auto& c : cases) {
        E->Lines().SetText(c.text);
        E->SetRowCol(c.fromRow, c.fromCol);
        E->StartSelection();
        E->SetRowCol(c.toRow, c.toCol);
        E->ExtendSelection();
        viewtest::Key(E.get(), c.mods & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, c.mods);
        EXPECT_EQ(Text(), c.expected) << testutil::Hex(c.text);
    }
}

TEST_F(KZNEditorTest, F3WithNothingToSearchIsSwallowed) {
    Show();
    E->Lines().SetText("abc abc\r\n");
    E->SetRowCol(0, 2);
    viewtest::Key(E.get(), Qt::Key_F3);
    viewtest::Key(E.get(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(E->Col(), 2);
    EXPECT_EQ(Text(), "abc abc\r\n");
    viewtest::Key(E.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(E->GetSelText(), "abc abc\r\n");
    viewtest::Key(E.get(), Qt::Key_Escape);
    EXPECT_FALSE(E->GetSelected());
}

TEST_F(KZNEditorTest, InsertLinesNearTheCaret) {
    struct Case {
        int row, col;
        std::string expected;
    } cases[] = {
        {0, 1, "new\r\nabcd\r\nxy\r\n"},
        {0, 2, "abcd\r\nnew\r\nxy\r\n"},  // exactly half: after the line
        {1, 0, "abcd\r\nnew\r\nxy\r\n"},
    };
    for (const auto& c : cases) {
        E->Lines().SetText("abcd\r\nxy\r\n");
        E->SetRowCol(c.row, c.col);
        E->InsertLinesNearCaret(TStringList("new\r\n"));
        EXPECT_EQ(Text(), c.expected) << c.row << "," << c.col;
    }
}

TEST_F(KZNEditorTest, ScrollingAndZoom) {
    Show();
    TStringList lines;
    for (int i = 0; i < 200; ++i) lines.Add("line " + std::to_string(i));
    E->Lines().SetText(lines.Text());
    E->SetRowCol(199, 0);
    E->ScrollToEnd();
    EXPECT_EQ(E->TopRow(), E->Lines().Count() - E->VisibleRows());
    E->SetRowCol(0, 0);
    E->ScrollToTop();
    EXPECT_EQ(E->TopRow(), 0);
    Wheel(-120, Qt::NoModifier);
    EXPECT_EQ(E->TopRow(), 1);
    Wheel(-120, Qt::AltModifier);
    EXPECT_EQ(E->TopRow(), 11);

    QFont f = E->font();
    f.setPointSize(1);
    E->setFont(f);
    Wheel(120, Qt::ControlModifier);
    EXPECT_EQ(E->font().pointSize(), 1);
    Wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(E->font().pointSize(), 2);
}

}  // namespace
