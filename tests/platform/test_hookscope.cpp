// The tests' hook scope: what a test puts in place of a process-wide hook
// comes out again however the test ends, and each setter says what it replaced.
#include <gtest/gtest.h>

#include <stdexcept>

#include "AppException.h"
#include "Headless.h"
#include "ScreenMetrics.h"
#include "TestUtil.h"

namespace {

int Width() { return screen::VirtualScreenSize().Width; }
screen::TScreenSizeProvider Sized(int Width) {
    return [Width] { return screen::TScreenSize{Width, 1}; };
}

}  // namespace

TEST(HookScope, SettersReturnWhatTheyReplaced) {
    testutil::THookScope hooks;
    hooks.Set(screen::SetVirtualScreenProvider, Sized(10));
    const screen::TScreenSizeProvider was = screen::SetVirtualScreenProvider(Sized(20));
    ASSERT_TRUE(was);
    EXPECT_EQ(was().Width, 10);
    EXPECT_EQ(Width(), 20);
}

// Two replacements of one hook come out in reverse order, back to the outer
// one, whether the scope ends normally, by an early return (what a failed
// ASSERT does) or by an exception.
TEST(HookScope, PutsBackWhatWasThereHoweverTheScopeEnds) {
    testutil::THookScope outer;
    outer.Set(screen::SetVirtualScreenProvider, Sized(1));
    outer.Set(headless::SetNoDisplay, false);
    enum { kNormal, kReturn, kThrow };
    for (int end : {kNormal, kReturn, kThrow}) {
        try {
            [&] {
                testutil::THookScope inner;
                inner.Set(screen::SetVirtualScreenProvider, Sized(2));
                inner.Set(headless::SetNoDisplay, true);
                inner.Set(screen::SetVirtualScreenProvider, Sized(3));
                EXPECT_EQ(Width(), 3);
                EXPECT_TRUE(headless::NoDisplay());
                if (end == kReturn) return;
                if (end == kThrow) throw std::runtime_error("test");
            }();
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(Width(), 1) << end;
        EXPECT_FALSE(headless::NoDisplay()) << end;
    }
}

TEST(HookScope, KeepsAVariable) {
    int value = 1;
    {
        testutil::THookScope hooks;
        hooks.Keep(value);
        value = 2;
    }
    EXPECT_EQ(value, 1);
}
