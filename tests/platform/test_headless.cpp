// Without a display a prompt answers itself: one line on the error output,
// the run's record marked failed; with a display nothing happens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Headless.h"
#include "TestUtil.h"

namespace {

struct HeadlessTest : ::testing::Test {
    std::vector<std::string> lines;
    testutil::THookScope hooks;
    void SetUp() override {
        headless::ResetFailures();
        hooks.Set(headless::SetErrorLineWriter, [this](const std::string& t) { lines.push_back(t); });
        hooks.Set(headless::SetNoDisplay, false);
    }
    void TearDown() override { headless::ResetFailures(); }
};

}  // namespace

TEST_F(HeadlessTest, APromptWithoutADisplayIsCancelledAndSaysSo) {
    headless::SetNoDisplay(false);
    EXPECT_FALSE(headless::Declined("ログイン"));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(headless::AnyFailure());

    headless::SetNoDisplay(true);
    EXPECT_TRUE(headless::Declined("ログイン"));
    EXPECT_EQ(lines, std::vector<std::string>{"ログイン：画面がないため、キャンセルしました。"});
    EXPECT_TRUE(headless::AnyFailure());
}

TEST(Headless, OnlyPlatformsWithoutADisplayCount) {
    for (const char* name : {"offscreen", "minimal"}) EXPECT_TRUE(headless::IsPlatformWithoutDisplay(name)) << name;
    for (const char* name : {"xcb", "wayland", "vnc", ""}) EXPECT_FALSE(headless::IsPlatformWithoutDisplay(name)) << name;
}
