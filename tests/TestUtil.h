// Helpers shared by the tests.
#pragma once
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Process-wide hooks (presenters, providers, handlers, flags) replaced for one
// scope and put back as they were when it ends: at the end of the test, at a
// failed ASSERT and at an exception alike, in reverse order, so that no later
// test meets a hook that points into a finished one. A fixture holds one as a
// member; a test body holds its own for what only it replaces.
//
//     testutil::THookScope hooks;
//     hooks.Set(SetMessageDlgPresenter, [&](const std::string& t, TMsgDlgType) { shown.push_back(t); });
//     hooks.Keep(TMain::Hooks());   // a variable: its value now comes back
class THookScope {
public:
    THookScope() = default;
    THookScope(const THookScope&) = delete;
    THookScope& operator=(const THookScope&) = delete;
    ~THookScope() { Restore(); }

    // Install puts its argument in place and returns what it replaced.
    template <class Setter, class Hook>
    void Set(Setter Install, Hook&& New) {
        auto old = Install(std::forward<Hook>(New));
        FRestores.push_back([Install, old = std::move(old)]() mutable { Install(std::move(old)); });
    }
    template <class T>
    void Keep(T& Variable) {
        FRestores.push_back([&Variable, old = Variable]() mutable { Variable = std::move(old); });
    }
    // Puts everything back now.
    void Restore() {
        while (!FRestores.empty()) {
            std::function<void()> restore = std::move(FRestores.back());
            FRestores.pop_back();
            restore();
        }
    }

private:
    std::vector<std::function<void()>> FRestores;
};

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
