#include "ScopeExit.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AppException.h"
#include "TestUtil.h"

namespace {

// ScopeExit runs once on every way out; ScopeFail only on the way out by an
// exception; neither once released.
TEST(ScopeExit, RunsOnceOnEveryWayOutAndScopeFailOnlyOnAFailure) {
    struct Case {
        const char* Name;
        bool Throw;
        bool Release;
        int ExitRuns;
        int FailRuns;
    } cases[] = {
        {"normal end", false, false, 1, 0},
        {"left by an exception", true, false, 1, 1},
        {"released", false, true, 0, 0},
        {"released, then an exception", true, true, 0, 0},
    };
    auto runs = [](const Case& c, auto make) {
        int n = 0;
        try {
            auto g = make([&] { ++n; });
            if (c.Release) g.Release();
            if (c.Throw) throw std::runtime_error("x");
        } catch (const std::runtime_error&) {
        }
        return n;
    };
    for (const Case& c : cases) {
        EXPECT_EQ(runs(c, [](auto f) { return ScopeExit(f); }), c.ExitRuns) << c.Name;
        EXPECT_EQ(runs(c, [](auto f) { return ScopeFail(f); }), c.FailRuns) << c.Name;
    }
}

TEST(ScopeExit, TheFirstErrorWinsAndTheCleanupsGoesToTheHandler) {
    std::vector<std::string> handled;
    testutil::THookScope hooks;
    hooks.Set(app::SetExceptionHandler, [&](const std::exception& e) { handled.push_back(e.what()); });
    // left by an exception: the caller catches the first error, the cleanup's own goes to the handler
    std::string got;
    try {
        auto g = ScopeExit([] { throw std::runtime_error("cleanup"); });
        throw std::runtime_error("work");
    } catch (const std::runtime_error& e) {
        got = e.what();
    }
    EXPECT_EQ(got, "work");
    EXPECT_EQ(handled, std::vector<std::string>{"cleanup"});
    // left normally: the cleanup's error reaches the caller
    got.clear();
    handled.clear();
    try {
        auto g = ScopeExit([] { throw std::runtime_error("cleanup"); });
    } catch (const std::runtime_error& e) {
        got = e.what();
    }
    EXPECT_EQ(got, "cleanup");
    EXPECT_TRUE(handled.empty());
}

// A step that ends normally while another error unwinds the stack (a
// destructor's work) is no failure of its own: its undo does not run.
TEST(ScopeFail, CountsOnlyTheExceptionsOfItsOwnScope) {
    struct TStepInDestructor {
        int& Runs;
        ~TStepInDestructor() {
            auto g = ScopeFail([this] { ++Runs; });
        }
    };
    int runs = 0;
    try {
        TStepInDestructor step{runs};
        throw std::runtime_error("outer");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(runs, 0);
}

TEST(ScopeExit, NestedGuardsUnwindInReverseOrder) {
    std::vector<int> order;
    try {
        auto a = ScopeExit([&] { order.push_back(1); });
        auto b = ScopeExit([&] { order.push_back(2); });
        throw 0;
    } catch (int) {
    }
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

}  // namespace
