#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>

#include "QtTestApp.h"
#include "Reentrancy.h"
#include "TestUtil.h"
#include "U_PageFormManager.h"

namespace {

class TTestPage : public TPageForm {
public:
    TTestPage(QObject* owner, TPageFormManager* manager) : TPageForm(owner, manager) {}
    void EnableControls(bool) override {}
    void FocusEditor() override {}
    int ClosingCalls = 0;

protected:
    void Closing() override { ++ClosingCalls; }
};

// Another form class on the same tabs: the manager does not take it for one of its own.
class TForeign : public QWidget {};

struct PageFormFixture : ::testing::Test, testutil::WithApp {
    QTabWidget tabs;
    QObject owner;
    std::unique_ptr<TPageFormManager> manager =
        std::make_unique<TPageFormManager>(&tabs, &owner, TPageFormClass::Of<TTestPage>());

    // The tab captions from left to right.
    std::vector<std::string> Tabs() const {
        std::vector<std::string> out;
        for (int i = 0; i < tabs.count(); ++i) out.push_back(tabs.tabText(i).toStdString());
        return out;
    }
    std::vector<std::string> Forms() const {
        std::vector<std::string> out;
        for (int i = 0; i < manager->GetCount(); ++i) out.push_back(manager->GetForm(i)->Caption());
        return out;
    }
    std::string Active() const { return tabs.tabText(tabs.currentIndex()).toStdString(); }
    std::string Current() const { return manager->GetCurrent() ? manager->GetCurrent()->Caption() : "(nil)"; }
    static void FreeDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    using Captions = std::vector<std::string>;
};

TEST_F(PageFormFixture, StartsWithOnePageAndNumbersNewPagesInOrder) {
    EXPECT_EQ(Forms(), Captions{"#0"});
    EXPECT_EQ(Tabs(), Captions{"#0"});
    EXPECT_EQ(manager->GetForm(0)->Owner(), &owner);
    EXPECT_EQ(manager->GetForm(0)->Manager(), manager.get());

    manager->AddNew();
    TPageForm* last = manager->AddNew();
    EXPECT_EQ(Forms(), (Captions{"#0", "#1", "#2"}));
    EXPECT_EQ(Tabs(), (Captions{"#0", "#1", "#2"}));
    EXPECT_EQ(manager->GetCurrent(), last);
    EXPECT_EQ(Active(), "#2");
    EXPECT_EQ(manager->Counter(), 3);
}

TEST_F(PageFormFixture, GetFormOutOfRange) {
    manager->AddNew();
    for (int index : {2, 7, -1}) {
        try {
            manager->GetForm(index);
            ADD_FAILURE() << index;
        } catch (const EPageFormManager& e) {
            EXPECT_EQ(e.Message, "内部エラー：範囲外の結果フォームインデックス" + std::to_string(index));
        }
    }
}

TEST_F(PageFormFixture, ClosingTheOnlyPageStartsAgainAtZero) {
    manager->AddNew();
    manager->Close("#0");
    EXPECT_EQ(Forms(), Captions{"#1"});
    manager->CloseActive();
    EXPECT_EQ(Forms(), Captions{"#0"});
    EXPECT_EQ(Tabs(), Captions{"#0"});
    EXPECT_EQ(Current(), "#0");
    manager->AddNew();
    EXPECT_EQ(Forms(), (Captions{"#0", "#1"}));
}

TEST_F(PageFormFixture, AddWithAnExistingCaptionReplacesThatPage) {
    TPageForm* abc = manager->Add("abc");
    QPointer<TPageForm> old = abc;
    manager->AddNew();
    TPageForm* fresh = manager->Add("ABC");
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(Forms(), (Captions{"#0", "#2", "ABC"}));
    EXPECT_EQ(Tabs(), (Captions{"#0", "#2", "ABC"}));
    EXPECT_EQ(manager->GetCurrent(), fresh);
    EXPECT_EQ(Active(), "ABC");
}

TEST_F(PageFormFixture, ClosingTheActivePageActivatesItsNeighbour) {
    struct Case {
        int active;
        const char* close;
        bool hideNext;  // the following tab is hidden
        const char* expected;
    } cases[] = {
        {1, "#1", false, "#2"},
        {3, "#3", false, "#2"},
        {0, "#0", false, "#1"},
        {1, "#1", true, "#3"},
        {2, "#0", false, "#2"},  // another page: the active one stays
    };
    for (const auto& c : cases) {
        manager->Reset("");
        for (int i = 0; i < 3; ++i) manager->AddNew();
        tabs.setCurrentIndex(c.active);
        manager->UpdateCurrent();
        if (c.hideNext) tabs.setTabVisible(c.active + 1, false);
        manager->Close(c.close);
        EXPECT_EQ(Active(), c.expected) << c.active << " " << c.close;
        EXPECT_EQ(Current(), c.expected) << c.active << " " << c.close;
        EXPECT_EQ(manager->GetCount(), 3);
    }
}

TEST_F(PageFormFixture, CloseOthersLeavesTheActivePage) {
    for (int i = 0; i < 3; ++i) manager->AddNew();
    tabs.setCurrentIndex(2);
    manager->UpdateCurrent();
    manager->CloseOthers();
    EXPECT_EQ(Forms(), Captions{"#2"});
    EXPECT_EQ(Tabs(), Captions{"#2"});
    EXPECT_EQ(Current(), "#2");
}

TEST_F(PageFormFixture, CurrentFollowsTheActiveTab) {
    TPageForm* first = manager->GetForm(0);
    manager->AddNew();
    tabs.setCurrentIndex(0);
    EXPECT_EQ(Current(), "#1");  // only UpdateCurrent looks at the tabs
    manager->UpdateCurrent();
    EXPECT_EQ(manager->GetCurrent(), first);

    // A tab holding no managed form leaves the current form as it is.
    tabs.addTab(new TForeign, "x");
    tabs.setCurrentIndex(2);
    manager->UpdateCurrent();
    EXPECT_EQ(manager->GetCurrent(), first);
    EXPECT_EQ(manager->FindFormInSheet(tabs.widget(2)), nullptr);
    EXPECT_EQ(manager->FindSheetOfForm(first), tabs.widget(0));

    manager->SetCurrent(manager->GetForm(1));
    EXPECT_EQ(Active(), "#1");
    manager->SetCurrent(nullptr);
    EXPECT_EQ(Forms(), (Captions{"#0", "#1", "#2"}));
    EXPECT_EQ(Current(), "#2");
    EXPECT_EQ(Active(), "#2");
}

TEST_F(PageFormFixture, ResetAndCaptions) {
    manager->AddNew();
    manager->Reset("Main");
    EXPECT_EQ(Forms(), Captions{"Main"});
    manager->AddNew();  // the counter went on with the named page
    EXPECT_EQ(Forms(), (Captions{"Main", "#1"}));

    manager->GetForm(1)->SetCaption("R&D");
    EXPECT_EQ(tabs.tabText(1).toStdString(), "R&&D");
    manager->Close("r&d");
    EXPECT_EQ(Forms(), Captions{"Main"});
}

TEST_F(PageFormFixture, PagesAreFoundByTheirLatestCaption) {
    manager->AddNew();
    manager->AddNew();
    manager->GetForm(1)->SetCaption("x");
    manager->GetForm(2)->SetCaption("X");
    manager->Close("#1");  // the old caption finds nothing
    EXPECT_EQ(Forms(), (Captions{"#0", "x", "X"}));
    QPointer<TPageForm> fresh = manager->Add("x");  // both of that caption go
    EXPECT_EQ(Forms(), (Captions{"#0", "x"}));
    EXPECT_EQ(Tabs(), (Captions{"#0", "x"}));
    EXPECT_EQ(manager->GetCurrent(), fresh.data());
    manager->Close("X");
    EXPECT_EQ(Forms(), Captions{"#0"});
    EXPECT_TRUE(fresh.isNull());
}

TEST_F(PageFormFixture, ManyPagesClosedAtOnceLeaveTheTabBarShown) {
    tabs.show();
    for (int i = 0; i < 5; ++i) manager->AddNew();
    manager->CloseOthers();
    EXPECT_EQ(Tabs(), Captions{"#5"});
    EXPECT_FALSE(tabs.tabBar()->isHidden());
    manager->Reset("");
    EXPECT_EQ(Tabs(), Captions{"#0"});
    EXPECT_FALSE(tabs.tabBar()->isHidden());
}

// The page control keeps the tab sizes it measured: a tab follows its
// caption, its font and the tab position all the same.
TEST(PageControl, TabsFollowTheirCaptionsFontAndPosition) {
    testutil::App();
    TPageControl tabs;
    tabs.resize(600, 300);
    tabs.addTab(new QWidget, QStringLiteral("#1"));
    tabs.addTab(new QWidget, QStringLiteral("#2"));
    tabs.show();
    QCoreApplication::processEvents();
    QTabBar* bar = tabs.tabBar();
    const int narrow = bar->tabRect(1).width();
    tabs.setTabText(1, QStringLiteral("長い名前の結果シート"));
    EXPECT_GT(bar->tabRect(1).width(), narrow);
    tabs.setTabText(1, QStringLiteral("#2"));
    EXPECT_EQ(bar->tabRect(1).width(), narrow);
    QFont big = bar->font();
    big.setPointSize(big.pointSize() * 3);
    bar->setFont(big);
    QCoreApplication::processEvents();
    EXPECT_GT(bar->tabRect(1).width(), narrow);
    const QSize wide = bar->tabRect(1).size();
    tabs.setTabPosition(QTabWidget::West);
    QCoreApplication::processEvents();
    EXPECT_GT(bar->tabRect(1).height(), bar->tabRect(1).width());
    EXPECT_NE(bar->tabRect(1).size(), wide);
    // what the tab widget asks of its size: the shown page's, with the tabs beside it
    tabs.widget(0)->setMinimumSize(250, 120);
    tabs.setCurrentIndex(0);
    EXPECT_GE(tabs.minimumSizeHint().width(), 250 + bar->sizeHint().width() / 2);
    EXPECT_GE(tabs.minimumSizeHint().height(), 120);
}

// The page control's tab bar keeps sizes and hints between layouts: after
// each change its tabs and hints are what a plain tab bar makes of the same
// tabs.
TEST(PageControl, KeptTabSizesAndHintsFollowEveryChange) {
    testutil::App();
    TPageControl kept;
    QTabWidget plain;
    std::vector<QTabWidget*> both{&kept, &plain};
    for (QTabWidget* t : both) {
        t->resize(500, 200);
        t->show();
    }
    auto same = [&](const std::string& step) {
        SCOPED_TRACE(step);
        QCoreApplication::processEvents();
        QTabBar* a = kept.tabBar();
        QTabBar* b = plain.tabBar();
        ASSERT_EQ(a->count(), b->count());
        EXPECT_EQ(a->sizeHint(), b->sizeHint());
        EXPECT_EQ(a->minimumSizeHint(), b->minimumSizeHint());
        EXPECT_EQ(a->currentIndex(), b->currentIndex());
        for (int i = 0; i < a->count(); ++i) {
            EXPECT_EQ(a->tabText(i), b->tabText(i)) << i;
            EXPECT_EQ(a->tabRect(i), b->tabRect(i)) << i;
        }
    };
    struct TStep {
        const char* Name;
        std::function<void(QTabWidget&)> Do;
    };
    const TStep steps[] = {
        {"three tabs", [](QTabWidget& t) { for (const char* c : {"#0", "#1", "#2"}) t.addTab(new QWidget, c); }},
        {"one inserted before the others", [](QTabWidget& t) { t.insertTab(1, new QWidget, "inserted"); }},
        {"a caption made longer", [](QTabWidget& t) { t.setTabText(2, QStringLiteral("長い名前の結果シート")); }},
        {"a caption given to two tabs", [](QTabWidget& t) { t.setTabText(0, QStringLiteral("inserted")); }},
        {"another current tab", [](QTabWidget& t) { t.setCurrentIndex(2); }},
        {"a tab taken away", [](QTabWidget& t) { t.removeTab(1); }},
        {"a tab hidden", [](QTabWidget& t) { t.setTabVisible(1, false); }},
        {"the tab shown again", [](QTabWidget& t) { t.setTabVisible(1, true); }},
        {"more tabs than the bar holds",
         [](QTabWidget& t) { for (int i = 0; i < 40; ++i) t.addTab(new QWidget, QString("#%1").arg(i + 3)); }},
        {"elided captions", [](QTabWidget& t) { t.setElideMode(Qt::ElideRight); }},
        {"a larger font", [](QTabWidget& t) {
             QFont f = t.tabBar()->font();
             f.setPointSize(f.pointSize() * 2);
             t.tabBar()->setFont(f);
         }},
        {"changed while the bar is hidden", [](QTabWidget& t) {
             t.tabBar()->hide();
             t.setTabText(5, QStringLiteral("隠れている間の名前"));
             t.removeTab(0);
             t.tabBar()->show();
         }},
        {"tabs on the left", [](QTabWidget& t) { t.setTabPosition(QTabWidget::West); }},
        {"the first tabs taken away", [](QTabWidget& t) { for (int i = 0; i < 10; ++i) t.removeTab(0); }},
    };
    for (const TStep& step : steps) {
        for (QTabWidget* t : both) step.Do(*t);
        same(step.Name);
    }
}

TEST_F(PageFormFixture, AFormFreedOnItsOwnLeavesListAndTab) {
    manager->AddNew();
    manager->AddNew();
    delete manager->GetForm(1);
    EXPECT_EQ(Forms(), (Captions{"#0", "#2"}));
    FreeDeferred();
    EXPECT_EQ(Tabs(), (Captions{"#0", "#2"}));
    manager->Remove(nullptr);
    EXPECT_EQ(manager->GetCount(), 2);
}

TEST_F(PageFormFixture, PagesClosedWhileBusyAreFreedWhenTheRunHasUnwound) {
    manager->AddNew();
    auto* page = static_cast<TTestPage*>(manager->GetForm(0));
    QPointer<TTestPage> watch = page;
    {
        reentry::TBusyGuard run;
        {
            reentry::TBusyGuard nested;
            manager->Close("#0");
        }
        FreeDeferred();
        // Out of the list and off the tabs at once, told once, still alive.
        EXPECT_EQ(Forms(), Captions{"#1"});
        EXPECT_EQ(Tabs(), Captions{"#1"});
        ASSERT_FALSE(watch.isNull());
        EXPECT_TRUE(page->IsClosing());
        EXPECT_EQ(page->ClosingCalls, 1);
        manager->Remove(page);  // no longer managed: nothing happens
        EXPECT_FALSE(watch.isNull());
    }
    EXPECT_FALSE(watch.isNull());  // released through the event loop
    FreeDeferred();
    EXPECT_TRUE(watch.isNull());
}

TEST_F(PageFormFixture, ManagerFreedWhileAPageIsStillInUse) {
    QPointer<TPageForm> watch = manager->GetForm(0);
    {
        reentry::TBusyGuard run;
        manager.reset();
        EXPECT_EQ(tabs.count(), 0);
        ASSERT_FALSE(watch.isNull());
        EXPECT_TRUE(watch->IsClosing());
    }
    FreeDeferred();
    EXPECT_TRUE(watch.isNull());
}

TEST_F(PageFormFixture, NoFreshPageWhileTerminating) {
    {
        testutil::THookScope hooks;
        hooks.Set(reentry::SetTerminating, true);
        manager->Close("#0");
    }
    EXPECT_EQ(manager->GetCount(), 0);
    EXPECT_EQ(tabs.count(), 0);
}

}  // namespace
