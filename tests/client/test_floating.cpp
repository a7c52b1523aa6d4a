// Result pages dragged out of the result area into windows of their own and
// back: a floating page keeps receiving output while it is the active one,
// its tool bar and grid tabs keep working, and the sheet commands, closing
// its window and the client window's end free it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>

#include "CP932Qt.h"
#include "KZNTabFloat.h"
#include "MemDataSet.h"
#include "QtTestApp.h"
#include "ScreenMetrics.h"
#include "TabDragUtil.h"
#include "TestUtil.h"
#include "U_Form_Result.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"

namespace {

using Lines = std::vector<std::string>;

using clienttest::DragTab;

struct FloatingTest : ::testing::Test, testutil::WithApp {
    winmsg::TMessageWindow centre;
    std::unique_ptr<TFrameSQLClient> frame;
    testutil::THookScope hooks;

    FloatingTest() {
        // the offscreen platform's own screen is smaller than the window: a desktop's instead
        // (on a real display, as the screenshot command runs these, its own screen)
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1600, 1000}; });
        frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle());
        frame->SQLDelimiter = ';';
        frame->CommandPrefix = '#';
        frame->ImportScriptFileNamePrefix = '@';
        frame->GridCaptionPrefix = "G#";
        frame->resize(clienttest::DefaultClientSize());
        frame->move(0, 0);
        frame->show();
        QApplication::processEvents();
    }
    ~FloatingTest() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        hooks.Restore();
    }
    void Settle() {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TResultSeetManager& Sheets() { return *frame->ResultSeetManager; }
    QTabBar* Bar() { return frame->Page_Result->tabBar(); }
    // A point well below the result area's tabs: a tab let go there floats.
    QPoint Away() { return Bar()->mapToGlobal(QPoint(40, 300)); }
    Lines Tabs() {
        Lines out;
        for (int i = 0; i < frame->Page_Result->count(); ++i) out.push_back(cp932::FromQString(frame->Page_Result->tabText(i)));
        return out;
    }
    Lines Captions() {
        Lines out;
        for (int i = 0; i < Sheets().GetCount(); ++i) out.push_back(Sheets().GetForm(i)->Caption());
        return out;
    }
    static std::string Text(TForm_Result* Page) { return Page->Editor->Lines().GetText(); }
    static bool Holds(TForm_Result* Page, const std::string& Line) {
        return Text(Page).find(Line) != std::string::npos;
    }
    // Drags the tab captioned Caption out; returns its page.
    TForm_Result* FloatOut(const std::string& Caption) {
        const Lines tabs = Tabs();
        const int index = static_cast<int>(std::find(tabs.begin(), tabs.end(), Caption) - tabs.begin());
        EXPECT_LT(index, static_cast<int>(tabs.size())) << Caption;
        DragTab(Bar(), index, Away());
        for (int i = 0; i < Sheets().GetCount(); ++i)
            if (Sheets().GetForm(i)->Caption() == Caption) return Sheets().GetForm(i);
        return nullptr;
    }
};

TEST_F(FloatingTest, AFloatingPageTakesOutputAndIsFreedByDelSheet) {
    frame->ExecuteScriptText("#NewSheet;#NewSheet;");   // "#0", "#1", "#2"
    QPointer<TForm_Result> page = FloatOut("#1");
    ASSERT_TRUE(page);
    EXPECT_EQ(Tabs(), (Lines{"#0", "#2"}));
    EXPECT_EQ(Captions(), (Lines{"#0", "#1", "#2"}));
    ASSERT_TRUE(Sheets().IsFloating(page));
    QPointer<QWidget> window = page->window();
    ASSERT_NE(window.data(), frame.get());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(cp932::FromQString(window->windowTitle()), "#1");
    EXPECT_EQ(frame->ActiveResultPage(), page.data());   // the page dragged out is the active one

    frame->ExecuteScriptText("#Print 浮いた頁へ;");
    EXPECT_TRUE(Holds(page, "浮いた頁へ"));
    // the window is as large as the result area it came from
    EXPECT_GE(window->width(), frame->Page_Result->width() - 1);
    clienttest::SaveScreen(*frame, "floating-result-page");
    EXPECT_FALSE(Holds(Sheets().GetForm(0), "浮いた頁へ"));
    EXPECT_FALSE(Holds(Sheets().GetForm(2), "浮いた頁へ"));

    // its tool bar and its grid tabs work where it floats
    page->Action_Mode_Grid->trigger();
    EXPECT_EQ(page->OutputMode(), rom_Grid);
    auto d = std::make_unique<TMemDataSet>();
    d->FieldDefs().Add("N", ftInteger);
    d->AddRow({TVariant(1)});
    d->Open();
    frame->ShowDataSetInActiveResult(std::move(d), false);
    ASSERT_EQ(page->Panel_PageBase->Count(), 1);
    EXPECT_EQ(page->Panel_PageBase->Caption(0), "G#1");
    EXPECT_TRUE(page->Panel_PageBase->isVisible());

    // a new sheet is docked and active; the floating page becomes active again when its window is
    frame->ExecuteScriptText("#NewSheet;");
    EXPECT_EQ(frame->ActiveResultPage()->Caption(), "#3");
    QApplication::setActiveWindow(frame.get());   // the user works in the client window,
    QApplication::processEvents();
    EXPECT_EQ(frame->ActiveResultPage()->Caption(), "#3");
    QApplication::setActiveWindow(window);        // then turns to the floating one
    QApplication::processEvents();
    EXPECT_EQ(frame->ActiveResultPage(), page.data());

    // #DelSheet frees the floating active page and its window
    frame->ExecuteScriptText("#DelSheet;");
    Settle();
    EXPECT_FALSE(page);
    EXPECT_FALSE(window);
    EXPECT_EQ(Captions(), (Lines{"#0", "#2", "#3"}));
    EXPECT_EQ(Tabs(), (Lines{"#0", "#2", "#3"}));
    ASSERT_NE(frame->ActiveResultPage(), nullptr);
    EXPECT_EQ(frame->ActiveResultPage(), Sheets().GetForm(frame->Page_Result->currentIndex()));
    EXPECT_EQ(Sheets().Counter(), 4);
    frame->ExecuteScriptText("#NewSheet;");
    EXPECT_EQ(frame->ActiveResultPage()->Caption(), "#4");
}

TEST_F(FloatingTest, DelSheetByNameAndDelInActiveSheetWithFloatingPages) {
    frame->ExecuteScriptText("#NewSheet;#NewSheet;#NewSheet;");   // "#0" .. "#3"
    QPointer<TForm_Result> one = FloatOut("#1");
    QPointer<TForm_Result> two = FloatOut("#2");
    ASSERT_TRUE(one && two);
    EXPECT_EQ(frame->ActiveResultPage(), two.data());
    // a floating page that is not the active one goes by its name; the active one stays active
    frame->ExecuteScriptText("#DelSheet #1;");
    Settle();
    EXPECT_FALSE(one);
    EXPECT_EQ(frame->ActiveResultPage(), two.data());
    EXPECT_EQ(Captions(), (Lines{"#0", "#2", "#3"}));
    // the floating page active: every tab goes, it stays
    frame->ExecuteScriptText("#DelInActiveSheet;");
    Settle();
    ASSERT_TRUE(two);
    EXPECT_TRUE(Tabs().empty());
    EXPECT_EQ(Captions(), (Lines{"#2"}));
    EXPECT_EQ(frame->ActiveResultPage(), two.data());
    frame->ExecuteScriptText("#Print まだ浮いている;");
    EXPECT_TRUE(Holds(two, "まだ浮いている"));
    // a docked page active: the floating one is no tab and stays
    frame->ExecuteScriptText("#NewSheet;#NewSheet;");
    EXPECT_EQ(Tabs(), (Lines{"#4", "#5"}));
    frame->ExecuteScriptText("#DelInActiveSheet;");
    Settle();
    EXPECT_EQ(Tabs(), (Lines{"#5"}));
    EXPECT_EQ(Captions(), (Lines{"#2", "#5"}));
    EXPECT_TRUE(two);
}

TEST_F(FloatingTest, ClosingTheWindowFreesThePageDraggingItBackDocksIt) {
    frame->ExecuteScriptText("#NewSheet;#NewSheet;");   // "#0", "#1", "#2"
    QPointer<TForm_Result> one = FloatOut("#1");
    ASSERT_TRUE(one);
    QPointer<QWidget> window = one->window();
    window->close();
    Settle();
    EXPECT_FALSE(one);
    EXPECT_FALSE(window);
    EXPECT_EQ(Captions(), (Lines{"#0", "#2"}));
    EXPECT_EQ(frame->ActiveResultPage(), Sheets().GetForm(frame->Page_Result->currentIndex()));

    // the floating window's own tab dragged onto the first tab docks the page there
    QPointer<TForm_Result> two = FloatOut("#2");
    ASSERT_TRUE(two);
    EXPECT_EQ(Tabs(), (Lines{"#0"}));
    auto* window2 = dynamic_cast<TKZNFloatingTabWindow*>(two->window());
    ASSERT_NE(window2, nullptr);
    QPointer<QWidget> watch2 = window2;
    DragTab(window2->Tabs()->tabBar(), 0, Bar()->mapToGlobal(Bar()->tabRect(0).center()));
    Settle();
    EXPECT_FALSE(watch2);
    EXPECT_FALSE(Sheets().IsFloating(two));
    EXPECT_EQ(two->window(), frame.get());
    EXPECT_EQ(Tabs(), (Lines{"#2", "#0"}));
    EXPECT_EQ(frame->ActiveResultPage(), two.data());
    frame->ExecuteScriptText("#Print 戻った;");
    EXPECT_TRUE(Holds(two, "戻った"));

    // dragged elsewhere, the floating window only moves
    QPointer<TForm_Result> zero = FloatOut("#0");
    auto* window0 = dynamic_cast<TKZNFloatingTabWindow*>(zero->window());
    ASSERT_NE(window0, nullptr);
    const QPoint at = window0->pos();
    DragTab(window0->Tabs()->tabBar(), 0, window0->Tabs()->tabBar()->mapToGlobal(QPoint(200, 120)));
    EXPECT_TRUE(Sheets().IsFloating(zero));
    EXPECT_NE(window0->pos(), at);
}

// The only result page, floating, leaves the result area without tabs: its
// tab let go anywhere over that empty area docks it back; let go beside the
// area, the window only moves.
TEST_F(FloatingTest, TheOnlyPageDraggedBackOverTheEmptyResultAreaDocks) {
    QPointer<TForm_Result> only = FloatOut("#0");
    ASSERT_TRUE(only);
    ASSERT_EQ(frame->Page_Result->count(), 0);
    auto* window = dynamic_cast<TKZNFloatingTabWindow*>(only->window());
    ASSERT_NE(window, nullptr);
    QTabBar* own = window->Tabs()->tabBar();
    const QRect area = frame->Page_Result->rect();

    // beside the result area (over the script area above it): it stays floating
    DragTab(own, 0, frame->Page_Script->mapToGlobal(frame->Page_Script->rect().center()));
    Settle();
    EXPECT_TRUE(Sheets().IsFloating(only));
    EXPECT_EQ(frame->Page_Result->count(), 0);

    // well below where a tab bar would be: docked, and the page is the active one
    QPointer<QWidget> watch = window;
    DragTab(own, 0, frame->Page_Result->mapToGlobal(QPoint(area.width() / 2, area.height() * 2 / 3)));
    Settle();
    EXPECT_FALSE(watch);
    ASSERT_TRUE(only);
    EXPECT_FALSE(Sheets().IsFloating(only));
    EXPECT_EQ(only->window(), frame.get());
    EXPECT_EQ(Tabs(), (Lines{"#0"}));
    EXPECT_EQ(frame->ActiveResultPage(), only.data());
    frame->ExecuteScriptText("#Print 戻った;");
    EXPECT_TRUE(Holds(only, "戻った"));
}

// A result page dragged off its tab bar opens wholly on the screen that
// holds the point where it is let go: at its docked size where that fits,
// moved in from the edges, shrunk to a smaller screen.
TEST_F(FloatingTest, AFloatingPageOpensWhollyOnTheScreenOfItsDropPoint) {
    struct Case {
        const char* Name;
        QSize Window;    // the client window, at 0, 0
        QPoint Drop;
        QRect Left;      // the work area of the screen left of x = Split
        QRect Right;     // and of the screen from Split on
        int Split;
        bool Shrunk;     // smaller than the result area it came from
    };
    const std::vector<Case> cases = {
        {"desktop, the window at its default size", {1440, 900}, {800, 570}, {0, 0, 1600, 1000}, {}, 100000, false},
        {"laptop, the window at its default size", {1229, 691}, {700, 500}, {0, 0, 1366, 768}, {}, 100000, false},
        {"laptop, near its bottom right corner", {1229, 691}, {1350, 760}, {0, 0, 1366, 768}, {}, 100000, false},
        {"a second, smaller screen beside the first", {1440, 900}, {1900, 300}, {0, 0, 1600, 1000},
         {1600, 40, 800, 560}, 1600, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        hooks.Set(screen::SetWorkAreaProvider, [c](int32_t X, int32_t) {
            const QRect r = X < c.Split ? c.Left : c.Right;
            return screen::TScreenRect{r.x(), r.y(), r.width(), r.height()};
        });
        frame = std::make_unique<TFrameSQLClient>(nullptr, centre.Handle());
        frame->GridCaptionPrefix = "G#";
        frame->resize(c.Window);
        frame->move(0, 0);
        frame->show();
        QApplication::processEvents();
        // a grid below the text, as after a grid output
        auto d = std::make_unique<TMemDataSet>();
        d->FieldDefs().Add("N", ftInteger);
        d->AddRow({TVariant(1)});
        d->Open();
        frame->ActiveResultPage()->Panel_PageBase->AddGrid(std::move(d), "G#1");
        QApplication::processEvents();
        const QSize docked = frame->Page_Result->size();
        DragTab(Bar(), 0, c.Drop);
        ASSERT_TRUE(Sheets().IsFloating(Sheets().GetForm(0)));
        QWidget* window = Sheets().GetForm(0)->window();
        const QRect screenArea = c.Drop.x() < c.Split ? c.Left : c.Right;
        EXPECT_TRUE(screenArea.contains(window->frameGeometry()))
            << window->frameGeometry().x() << "," << window->frameGeometry().y() << " "
            << window->frameGeometry().width() << "x" << window->frameGeometry().height();
        EXPECT_TRUE(window->frameGeometry().contains(c.Drop)) << "where it was let go";
        if (c.Shrunk)
            EXPECT_LT(window->height(), docked.height());
        else
            EXPECT_GE(window->width(), docked.width() - 1) << "as large as where it came from";
        frame.reset();
        Settle();
    }
}

TEST_F(FloatingTest, TheClientWindowsEndFreesFloatingPages) {
    frame->ExecuteScriptText("#NewSheet;");
    QPointer<TForm_Result> one = FloatOut("#1");
    ASSERT_TRUE(one);
    QPointer<QWidget> window = one->window();
    frame.reset();
    Settle();
    EXPECT_FALSE(one);
    EXPECT_FALSE(window);
}

}  // namespace
