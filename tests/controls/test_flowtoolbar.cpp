// The wrapping tool bar: its buttons follow its actions, and where its width
// does not hold them all they go on to further rows, never out of sight.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include <QAction>
#include <QImage>
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

namespace {

// Two bars of the same actions side by side in one window, one built as
// usual, one built on sight: the second must take the same room and, once
// seen, show the same buttons in the same places.
struct BuildOnSightTest : ::testing::Test, testutil::WithApp {
    QWidget window;
    TKZNFlowToolBar* eager = nullptr;
    TKZNFlowToolBar* lazy = nullptr;
    std::vector<QAction*> actions;

    BuildOnSightTest() {
        auto* layout = new QVBoxLayout(&window);
        eager = new TKZNFlowToolBar(&window);
        lazy = new TKZNFlowToolBar(&window);
        lazy->SetBuildOnSight(true);
        layout->addWidget(eager);
        layout->addWidget(lazy);
        layout->addWidget(new QWidget(&window), 1);
        for (const char16_t* caption : {u"検索バーを表示", u"各行を指定文字で括る", u"テキストモード", u"|",
                                        u"グリッドモード", u"ＳＤＦモード", u"Excel形式で保存"}) {
            QAction* a;
            if (std::u16string_view(caption) == u"|") {
                a = new QAction(&window);
                a->setSeparator(true);
            } else {
                a = new QAction(QString::fromUtf16(caption), &window);
                a->setCheckable(true);
            }
            actions.push_back(a);
            eager->addAction(a);
            lazy->addAction(a);
        }
    }
    // Each bar's row count and height for a few widths, and its hints.
    static std::vector<int> Room(const TKZNFlowToolBar* Bar) {
        std::vector<int> out{Bar->sizeHint().width(), Bar->sizeHint().height(), Bar->minimumSizeHint().width()};
        for (int w : {80, 200, 400, 900}) out.push_back(Bar->heightForWidth(w));
        return out;
    }
    void ExpectSameButtons() {
        for (size_t i = 0; i < actions.size(); ++i) {
            QWidget* e = eager->widgetForAction(actions[i]);
            QWidget* l = lazy->widgetForAction(actions[i]);
            ASSERT_NE(e, nullptr) << i;
            ASSERT_NE(l, nullptr) << i;
            EXPECT_EQ(l->isVisible(), e->isVisible()) << i;
            if (e->isVisible()) {
                EXPECT_EQ(l->geometry(), e->geometry()) << i;
            }
        }
    }
};

}  // namespace

TEST_F(BuildOnSightTest, TakesTheSameRoomAndShowsTheSameButtonsOnceSeen) {
    EXPECT_EQ(Room(lazy), Room(eager));
    window.resize(420, 300);
    window.show();
    QApplication::processEvents();  // laid out and painted
    EXPECT_TRUE(lazy->Built());
    EXPECT_EQ(lazy->geometry().size(), eager->geometry().size());
    ExpectSameButtons();
}

TEST_F(BuildOnSightTest, MakesNoButtonsUntilSeen) {
    window.resize(420, 300);
    lazy->hide();
    window.show();
    QApplication::processEvents();
    EXPECT_FALSE(lazy->Built());
    EXPECT_TRUE(lazy->findChildren<QToolButton*>().isEmpty());
    // changes meanwhile take the same room as on the built bar
    actions[1]->setText(QStringLiteral("とても長い名前の操作ボタンの見出し"));
    actions[4]->setVisible(false);
    actions[2]->setChecked(true);
    EXPECT_EQ(Room(lazy), Room(eager));
    lazy->removeAction(actions[5]);
    eager->removeAction(actions[5]);
    EXPECT_EQ(Room(lazy), Room(eager));
    EXPECT_FALSE(lazy->Built());
    lazy->show();
    QApplication::processEvents();
    EXPECT_TRUE(lazy->Built());
    EXPECT_EQ(lazy->widgetForAction(actions[5]), nullptr);
    actions.erase(actions.begin() + 5);
    ExpectSameButtons();
    EXPECT_TRUE(qobject_cast<QToolButton*>(lazy->widgetForAction(actions[2]))->isChecked());
    // added after it was built: a button at once
    auto* late = new QAction(QStringLiteral("Rec"), &window);
    lazy->addAction(late);
    EXPECT_NE(lazy->findChild<QToolButton*>(), nullptr);
    EXPECT_NE(lazy->widgetForAction(late), nullptr);
}

// Asked for a button, the bar makes them, so that a button can always be clicked.
TEST_F(BuildOnSightTest, ABarAskedForAButtonMakesThem) {
    EXPECT_FALSE(lazy->Built());
    auto* button = qobject_cast<QToolButton*>(lazy->widgetForAction(actions[0]));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(lazy->Built());
    EXPECT_EQ(button->defaultAction(), actions[0]);
}

// A window drawn into a picture before it was ever painted on the screen
// shows the buttons all the same.
TEST_F(BuildOnSightTest, APictureOfTheWindowShowsTheButtons) {
    window.resize(420, 300);
    window.show();  // not painted before the events are processed
    EXPECT_FALSE(lazy->Built());
    const QImage picture = window.grab().toImage();
    EXPECT_TRUE(lazy->Built());
    const QImage bars[2] = {picture.copy(eager->geometry()), picture.copy(lazy->geometry())};
    EXPECT_EQ(bars[0], bars[1]);
}
