#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

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
}
