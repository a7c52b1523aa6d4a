// The wrapping tool bar: its buttons follow its actions, and where its width
// does not hold them all they go on to further rows, never out of sight.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "KZNFlowToolBar.h"
#include "QtTestApp.h"

namespace {

struct FlowToolBarTest : ::testing::Test, testutil::WithApp {
    QWidget window;
    TKZNFlowToolBar* bar = nullptr;
    QWidget* below = nullptr;
    std::vector<QAction*> actions;

    FlowToolBarTest() {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        bar = new TKZNFlowToolBar(&window);
        layout->addWidget(bar);
        below = new QWidget(&window);
        layout->addWidget(below, 1);
        for (const char16_t* caption : {u"実行", u"選択範囲を実行", u"実行停止", u"エラー発生で一時停止",
                                        u"発行SQLを結果に出力", u"各SQL実行後一時停止", u"履歴画面表示", u"次の履歴"}) {
            actions.push_back(new QAction(QString::fromUtf16(caption), &window));
            bar->addAction(actions.back());
        }
    }
    QToolButton* Button(int i) { return qobject_cast<QToolButton*>(bar->widgetForAction(actions[static_cast<size_t>(i)])); }
    // Shows the window at Width and lets it lay out.
    void ShowAt(int Width) {
        window.resize(Width, 300);
        window.show();
        QApplication::processEvents();
    }
    // Every visible button lies wholly inside the bar.
    void ExpectAllInside() {
        for (size_t i = 0; i < actions.size(); ++i) {
            QToolButton* b = Button(static_cast<int>(i));
            ASSERT_NE(b, nullptr);
            if (!actions[i]->isVisible()) continue;
            EXPECT_TRUE(b->isVisible()) << i;
            EXPECT_TRUE(bar->rect().contains(b->geometry())) << i << " at width " << bar->width();
        }
    }
};

}  // namespace

TEST_F(FlowToolBarTest, WrapsOntoRowsAsItsWidthShrinksAndPushesWhatIsBelow) {
    const int oneRow = bar->sizeHint().width();
    ShowAt(oneRow + 10);
    EXPECT_EQ(bar->RowCount(), 1);
    ExpectAllInside();
    const int rowHeight = bar->height();
    // narrower: more rows, each button still whole and in its order, the widget below moved down
    for (int width : {oneRow * 2 / 3, oneRow / 2, oneRow / 4, bar->minimumSizeHint().width()}) {
        SCOPED_TRACE(width);
        ShowAt(width);
        EXPECT_GT(bar->RowCount(), 1);
        EXPECT_GE(bar->height(), bar->heightForWidth(bar->width()));
        EXPECT_GE(below->y(), bar->geometry().bottom());
        ExpectAllInside();
        for (size_t i = 1; i < actions.size(); ++i) {
            const QRect a = Button(static_cast<int>(i - 1))->geometry(), b = Button(static_cast<int>(i))->geometry();
            EXPECT_TRUE(b.top() > a.top() || (b.top() == a.top() && b.left() > a.right())) << i;
        }
    }
    EXPECT_GT(bar->height(), rowHeight);
    // as wide again: one row
    ShowAt(oneRow + 10);
    EXPECT_EQ(bar->RowCount(), 1);
    EXPECT_EQ(bar->height(), rowHeight);
}

TEST_F(FlowToolBarTest, ButtonsFollowTheirActions) {
    ShowAt(bar->sizeHint().width() + 10);
    // a click on a button triggers its action; its state shows the action's
    QSignalSpy triggered(actions[0], &QAction::triggered);
    QTest::mouseClick(Button(0), Qt::LeftButton);
    EXPECT_EQ(triggered.count(), 1);
    actions[2]->setEnabled(false);
    EXPECT_FALSE(Button(2)->isEnabled());
    actions[3]->setCheckable(true);
    actions[3]->setChecked(true);
    EXPECT_TRUE(Button(3)->isChecked());
    actions[1]->setText(QStringLiteral("Exe"));
    EXPECT_EQ(Button(1)->text(), QStringLiteral("Exe"));
    QApplication::processEvents();
    // a hidden action takes no room; shown again, it is back in its place
    const int x = Button(5)->x();
    actions[4]->setVisible(false);
    QApplication::processEvents();
    EXPECT_FALSE(Button(4)->isVisible());
    EXPECT_LT(Button(5)->x(), x);
    actions[4]->setVisible(true);
    QApplication::processEvents();
    EXPECT_EQ(Button(5)->x(), x);
    // inserted before another, with a separator: in that order
    auto* inserted = new QAction(QStringLiteral("Rec"), &window);
    bar->insertAction(actions[1], inserted);
    QAction* separator = bar->insertSeparator(actions[1]);
    ASSERT_TRUE(separator->isSeparator());
    QApplication::processEvents();
    const int at0 = Button(0)->x();
    const int atInserted = bar->widgetForAction(inserted)->x();
    const int atSeparator = bar->widgetForAction(separator)->x();
    EXPECT_LT(at0, atInserted);
    EXPECT_LT(atInserted, atSeparator);
    EXPECT_LT(atSeparator, Button(1)->x());
    EXPECT_EQ(bar->actions().indexOf(inserted), 1);
    // a removed action takes its button with it
    bar->removeAction(inserted);
    EXPECT_EQ(bar->widgetForAction(inserted), nullptr);
    EXPECT_EQ(bar->widgetForAction(new QAction(&window)), nullptr);
}
