// Timing helper of the benchmark programs.
#pragma once
#include <algorithm>
#include <chrono>
#include <functional>

namespace bench {

// The best (shortest) wall time of Repeats runs of F, in seconds.
inline double Best(int Repeats, const std::function<void()>& F) {
    double best = 1e100;
    for (int r = 0; r < Repeats; ++r) {
        auto start = std::chrono::steady_clock::now();
        F();
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        best = std::min(best, d.count());
    }
    return best;
}

}  // namespace bench
