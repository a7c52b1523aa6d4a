// Helpers shared by the tests.
#pragma once
#include <cstdlib>
#include <string>
#include <string_view>

#include <unistd.h>

#include "FileSystem.h"
#include "TimeSource.h"

namespace testutil {

// Bytes written as hex pairs, for readable failure messages on CP932 text.
inline std::string Hex(std::string_view s) {
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (!out.empty()) out.push_back(' ');
        out.push_back(d[c >> 4]);
        out.push_back(d[c & 15]);
    }
    return out;
}

// A fresh empty folder under the build tree (or /tmp), returned as a CP932 path with a trailing '/'.
inline std::string TempFolder(std::string_view name) {
    const char* base = std::getenv("ZINTAVOR_TEST_TMP");
    std::string root = base ? base : "/tmp/zintavor-test";
    std::string dir = root + "/" + std::string(name) + "-" + std::to_string(getpid());
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) return std::string();
    fs932::ForceDirectories(dir);
    return fs932::FromNative(dir) + "/";
}

// A time that moves only when the test moves it, for code that reads a
// timing::TTimeSource: Console.Clock.Set(clock.Source()); clock.Advance(ms).
struct TManualClock {
    timing::TTimePoint Time{std::chrono::hours(1)};
    void Advance(std::chrono::milliseconds By) { Time += By; }
    timing::TNowFunc Source() {
        return [this] { return Time; };
    }
};

}  // namespace testutil
