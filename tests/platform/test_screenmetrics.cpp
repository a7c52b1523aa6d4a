#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

#include <string>

#include "ScreenMetrics.h"
#include "TestUtil.h"

TEST(ScreenMetrics, ProvidersReplaceTheDefaults) {
    testutil::THookScope hooks;
    hooks.Set(screen::SetVirtualScreenProvider, nullptr);
    hooks.Set(screen::SetSmallIconProvider, nullptr);
    EXPECT_EQ(screen::VirtualScreenSize().Width, 1920);  // no GUI application: the fixed fallback
    EXPECT_EQ(screen::VirtualScreenSize().Height, 1080);
    EXPECT_EQ(screen::SmallIconSize().Width, 16);
    EXPECT_EQ(screen::SmallIconSize().Height, 16);

    screen::SetVirtualScreenProvider([] { return screen::TScreenSize{3840, 1200}; });
    screen::SetSmallIconProvider([] { return screen::TScreenSize{20, 24}; });
    EXPECT_EQ(screen::VirtualScreenSize().Width, 3840);
    EXPECT_EQ(screen::VirtualScreenSize().Height, 1200);
    EXPECT_EQ(screen::SmallIconSize().Width, 20);
    EXPECT_EQ(screen::SmallIconSize().Height, 24);

    screen::SetVirtualScreenProvider(nullptr);
    screen::SetSmallIconProvider(nullptr);
    EXPECT_EQ(screen::VirtualScreenSize().Width, 1920);
    EXPECT_EQ(screen::SmallIconSize().Width, 16);
}

// The work area of the screen that holds a point: a provider of its own, or
// the one screen a virtual-screen provider describes, or the fixed fallback.
TEST(ScreenMetrics, WorkAreaAtAPoint) {
    auto rect = [](screen::TScreenRect r) {
        return std::to_string(r.Left) + "," + std::to_string(r.Top) + " " + std::to_string(r.Width) + "x" +
               std::to_string(r.Height);
    };
    EXPECT_EQ(rect(screen::WorkAreaAt(100, 100)), "0,0 1920x1080");  // no GUI application
    testutil::THookScope hooks;
    hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1366, 768}; });
    EXPECT_EQ(rect(screen::WorkAreaAt(5000, 5000)), "0,0 1366x768");
    // two screens side by side, the second one with a panel at its top
    hooks.Set(screen::SetWorkAreaProvider, [](int32_t X, int32_t) {
        return X < 1600 ? screen::TScreenRect{0, 0, 1600, 1000} : screen::TScreenRect{1600, 30, 1366, 738};
    });
    EXPECT_EQ(rect(screen::WorkAreaAt(800, 570)), "0,0 1600x1000");
    EXPECT_EQ(rect(screen::WorkAreaAt(2000, 500)), "1600,30 1366x738");
    hooks.Restore();
    EXPECT_EQ(rect(screen::WorkAreaAt(100, 100)), "0,0 1920x1080");
}

TEST(ScreenMetrics, DefaultAsksTheGuiApplication) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    QRect r = QGuiApplication::primaryScreen()->virtualGeometry();
    ASSERT_GT(r.width(), 0);
    EXPECT_EQ(screen::DefaultVirtualScreenSize().Width, r.width());
    EXPECT_EQ(screen::DefaultVirtualScreenSize().Height, r.height());
    EXPECT_EQ(screen::VirtualScreenSize().Width, r.width());
    const QRect a = QGuiApplication::primaryScreen()->availableGeometry();
    const screen::TScreenRect w = screen::WorkAreaAt(a.center().x(), a.center().y());
    EXPECT_EQ(QRect(w.Left, w.Top, w.Width, w.Height), a);
}
