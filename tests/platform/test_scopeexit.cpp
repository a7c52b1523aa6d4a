#include "ScopeExit.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(ScopeExit, RunsOnceOnEveryWayOut) {
    struct Case {
        const char* Name;
        bool Throw;
        bool Release;
        int Runs;
    } cases[] = {
        {"normal end", false, false, 1},
        {"left by an exception", true, false, 1},
        {"released", false, true, 0},
        {"released, then an exception", true, true, 0},
    };
    for (const Case& c : cases) {
        int runs = 0;
        try {
            auto g = ScopeExit([&] { ++runs; });
            if (c.Release) g.Release();
            if (c.Throw) throw std::runtime_error("x");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(runs, c.Runs) << c.Name;
    }
}

TEST(ScopeExit, TheFirstErrorWins) {
    // left by an exception: the cleanup's own error is dropped, the first one is reported
    std::string got;
    try {
        auto g = ScopeExit([] { throw std::runtime_error("cleanup"); });
        throw std::runtime_error("work");
    } catch (const std::runtime_error& e) {
        got = e.what();
    }
    EXPECT_EQ(got, "work");
    // left normally: the cleanup's error reaches the caller
    got.clear();
    try {
        auto g = ScopeExit([] { throw std::runtime_error("cleanup"); });
    } catch (const std::runtime_error& e) {
        got = e.what();
    }
    EXPECT_EQ(got, "cleanup");
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
