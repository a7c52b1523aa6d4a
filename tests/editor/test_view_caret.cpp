// The caret and the view position: column rules, clicks on half characters
// and tab fill, word wrap limits, scrolling, scroll ranges and caret display.
#include <QPaintEvent>
#include <QScrollBar>

#include <functional>

#include "ViewTestUtil.h"

using namespace viewtest;

class CaretRules : public ViewFixture {};

TEST_F(CaretRules, VerticalMovesThroughAShortRow) {
    struct Case {
        const char* Name;
        bool Keep, FreeRow;
        int MidCol, EndCol;
    } cases[] = {
        {"plain", false, false, 3, 3},
        {"KeepCaret returns to the column", true, false, 3, 30},
        {"FreeRow keeps the column throughout", false, true, 30, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        E.reset(MakeEditor<TEditor>());
        ShowFocused();
        E->Caret().FreeCaret = false;
        E->Caret().KeepCaret = c.Keep;
        E->Caret().FreeRow = c.FreeRow;
        SetText(std::string(40, 'a') + "\r\nabc\r\n" + std::string(40, 'a'));
        Caret(0, 30);
        K(Qt::Key_Down);
        EXPECT_EQ(E->Col(), c.MidCol);
        K(Qt::Key_Down);
        EXPECT_EQ(E->Row(), 2);
        EXPECT_EQ(E->Col(), c.EndCol);
    }
}

TEST_F(CaretRules, ClicksOnHalfCharactersAndTabFill) {
    ShowFocused();
    SetText("\x82\xa0x\r\n\tx");
    // the second half of a double-byte character: before the character
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 0, 1, -E->ColWidth() / 2 + 1));
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 0, 1, -E->ColWidth() / 2 + 1));
    EXPECT_EQ(E->Row(), 0);
    EXPECT_EQ(E->Col(), 0);
    // a tab's fill: the tab's column, unless InTab
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 1, 4));
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 1, 4));
    EXPECT_EQ(E->Row(), 1);
    EXPECT_EQ(E->Col(), 0);
    E->Caret().InTab = true;
    Mouse(E.get(), QEvent::MouseButtonPress, Cell(E.get(), 1, 4, -E->ColWidth() / 2 + 1));
    Mouse(E.get(), QEvent::MouseButtonRelease, Cell(E.get(), 1, 4, -E->ColWidth() / 2 + 1));
    EXPECT_EQ(E->Col(), 4);
    // the caret keys step over trail bytes and fill
    E->Caret().InTab = false;
    Caret(0, 0);
    K(Qt::Key_Right);
    EXPECT_EQ(E->Col(), 2);
    K(Qt::Key_Left);
    EXPECT_EQ(E->Col(), 0);
    Caret(1, 0);
    K(Qt::Key_Right);
    EXPECT_EQ(E->Col(), 8);
    K(Qt::Key_Left);
    EXPECT_EQ(E->Col(), 0);
    // moving down onto a trail byte steps left
    SetText("abc\r\n\x82\xa0\x82\xa0");
    Caret(0, 3);
    K(Qt::Key_Down);
    EXPECT_EQ(E->Col(), 2);
}

TEST_F(CaretRules, WordWrapLimitsTheColumn) {
    ShowFocused();
    E->WrapOption().SetWrapByte(20);
    E->SetWordWrap(true);
    SetText("abc\r\n" + std::string(25, 'a'));
    E->SetRowCol(0, 25);
    EXPECT_EQ(E->Col(), 19);
    E->SetRowCol(1, 20);
    EXPECT_EQ(E->Col(), 19);
    E->SetRowCol(2, 3);
    EXPECT_EQ(E->Col(), 3);
}

TEST_F(CaretRules, ScrollRangesAndScrollBars) {
    E->SetScrollBars(ssBoth);
    ShowFocused(480, 320);
    std::string t;
    for (int i = 0; i < 100; ++i) t += "row " + std::to_string(i) + "\r\n";
    SetText(t);
    const int vr = E->VisibleRows(), vc = E->VisibleCols();
    ASSERT_GT(vr, 3);
    EXPECT_EQ(E->MaxTopRow(), 100 + vr - 1);
    EXPECT_EQ(E->verticalScrollBar()->maximum(), 100);
    EXPECT_EQ(E->verticalScrollBar()->pageStep(), vr);
    EXPECT_EQ(E->horizontalScrollBar()->maximum(), vc / 2 + 8192 - vc + 1);
    EXPECT_EQ(E->horizontalScrollBar()->pageStep(), vc);
    // the caret scrolls into view at the bottom edge
    E->SetRowCol(50, 0);
    EXPECT_EQ(E->TopRow(), 50 - (vr - 1));
    EXPECT_EQ(E->verticalScrollBar()->value(), E->TopRow());
    // horizontal scrolling jumps by a quarter of the view at least
    E->SetRowCol(50, vc + 2);
    EXPECT_EQ(E->TopCol(), std::max(3, vc / 4));
    // the scroll bar moves the view; with LockScroll the caret goes along
    E->Caret().LockScroll = true;
    int row = E->Row(), top = E->TopRow();
    E->verticalScrollBar()->setValue(top + 5);
    EXPECT_EQ(E->TopRow(), top + 5);
    EXPECT_EQ(E->Row(), row + 5);
    E->Caret().LockScroll = false;
    E->verticalScrollBar()->setValue(0);
    EXPECT_EQ(E->TopRow(), 0);
    EXPECT_EQ(E->Row(), row + 5);
    // page down moves view and caret by the page
    E->SetRowCol(0, 0);
    K(Qt::Key_PageDown);
    const int p = ((vr - 1) / 2) * 2;
    EXPECT_EQ(E->TopRow(), p);
    EXPECT_EQ(E->Row(), p);
    // EM_SCROLLCARET puts the caret a third into the view
    E->SetRowCol(90, 0);
    E->SetTopRow(0);
    E->EmScrollCaret();
    EXPECT_EQ(E->TopRow(), 90 - vr / 3);
}

TEST_F(CaretRules, ThumbScrollsBeyond65535Rows) {
    E->SetScrollBars(ssVertical);
    ShowFocused(300, 200);
    std::string t;
    t.reserve(70000 * 4);
    for (int i = 0; i < 70000; ++i) t += "x\r\n";
    SetText(t);
    E->verticalScrollBar()->setValue(69000);
    EXPECT_EQ(E->TopRow(), 69000);
}

TEST_F(CaretRules, CaretHidesInNestedUpdatesAndWithoutFocus) {
    ShowFocused();
    SetText("ab");
    EXPECT_TRUE(E->CaretShown());
    E->CaretBeginUpdate();
    E->CaretBeginUpdate();
    EXPECT_FALSE(E->CaretShown());
    E->CaretEndUpdate();
    EXPECT_FALSE(E->CaretShown());
    E->CaretEndUpdate();
    EXPECT_TRUE(E->CaretShown());
    E->clearFocus();
    QApplication::processEvents();
    EXPECT_FALSE(E->CaretShown());
}

TEST_F(CaretRules, BriefCaretIsFlatAndWiderOnDoubleByte) {
    ShowFocused();
    SetText("a\x82\xa0");
    E->Caret().SetStyle(csBrief);
    Caret(0, 0);
    TRect r = E->CaretRect();
    EXPECT_EQ(r.Bottom - r.Top, 2);
    EXPECT_EQ(r.Right - r.Left, E->ColWidth());
    EXPECT_EQ(r.Top, E->GetTextTop() + E->FontHeight() - 2);
    Caret(0, 1);
    r = E->CaretRect();
    EXPECT_EQ(r.Right - r.Left, 2 * E->ColWidth());
    E->Caret().SetStyle(csDefault);
    r = E->CaretRect();
    EXPECT_EQ(r.Right - r.Left, 2);
    EXPECT_EQ(r.Bottom - r.Top, E->FontHeight());
}

TEST_F(CaretRules, PointsAboveTheTextAndInTheMargins) {
    ShowFocused();
    SetText("abc");
    int c, r;
    E->PosToRowCol(E->GetTextLeft() + 2 * E->ColWidth() + 1, E->GetTextTop() - 1, false, c, r);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(c, 2);
    E->PosToRowCol(0, E->GetTextTop() + 1, true, c, r);
    EXPECT_EQ(c, 0);
    // a rounded point goes to the nearer boundary
    E->PosToRowCol(E->GetTextLeft() + E->ColWidth() - 1, E->GetTextTop(), true, c, r);
    EXPECT_EQ(c, 1);
    E->PosToRowCol(E->GetTextLeft() + 1, E->GetTextTop(), true, c, r);
    EXPECT_EQ(c, 0);
}

// After rows were inserted or deleted at a row, what moved is painted again:
// the text from that row to the bottom of the view, or the image bar's strip
// from that row down (only while the image bar is shown).
TEST_F(CaretRules, RowsFromAChangedRowDownArePaintedAgain) {
    ShowFocused(480, 320);
    std::string t;
    for (int i = 0; i < 30; ++i) t += "row\r\n";
    SetText(t);
    E->Imagebar().SetVisible(true);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    struct TPainted : QObject {
        QRegion Region;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) Region += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } painted;
    E->viewport()->installEventFilter(&painted);
    auto after = [&](const std::function<void()>& f) {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        painted.Region = QRegion();
        f();
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        return painted.Region;
    };
    const int h = E->viewport()->height(), w = E->viewport()->width();
    const int top3 = E->RowRect(3).Top, top2 = E->RowRect(2).Top;
    const int bar = E->GetTextLeft();  // the image bar is the only margin shown
    ASSERT_GT(bar, 0);

    QRegion text = after([&] { E->ScrollTextRows(3, 1); });
    EXPECT_TRUE(text.contains(QRect(bar, top3, w - bar, h - top3 - 1))) << "rows 3 down";
    EXPECT_FALSE(text.intersects(QRect(bar, top2, w - bar, top3 - top2 - 1))) << "row 2 stays";

    QRegion strip = after([&] { E->ScrollImagebarRows(3, -1); });
    EXPECT_TRUE(strip.contains(QRect(0, top3, bar, h - top3)));
    EXPECT_FALSE(strip.intersects(QRect(bar, 0, w - bar, h))) << "the text is not painted";
    EXPECT_FALSE(strip.intersects(QRect(0, 0, bar, top3))) << "rows above stay";

    E->Imagebar().SetVisible(false);
    EXPECT_TRUE(after([&] { E->ScrollImagebarRows(3, 1); }).isEmpty());
    E->viewport()->removeEventFilter(&painted);
}
