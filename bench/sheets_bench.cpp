// Result sheets in the program's real client window (offscreen), against the
// same window running the same SELECTs without new sheets:
//  - peer: N times "select ... ;" in one result page;
//  - ours: N times "#NewSheet;" and the same SELECT (each result in a page of its own);
//  - N times "#NewSheet;" alone: the heap the empty pages hold, per page.
// A fresh window for each run, connected to a small SQLite table. Each size
// runs three times on each side (alternating); printed are the minimum and
// the median of wall and CPU time (user + sys), the ratio ours / peer, the
// time per sheet at each size and how flat it stays (the time per sheet at
// the largest size over that at the smallest).
// Usage: sheets_bench <sqlite file> <N>...
//        sheets_bench <sqlite file> --ours|--peer N   (one run of one side only, for a profiler)
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>

#include "U_ADODriver.h"
#include "U_Frame_SQLClient.h"
#include "U_Form_Result.h"
#include "U_ResultSeetManager.h"
#include "QtMessages.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;

struct TTimes {
    double Wall = 0, Cpu = 0;
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::unique_ptr<TFrameSQLClient> MakeFrame(TADODriver& driver) {
    auto frame = std::make_unique<TFrameSQLClient>(nullptr, 0);
    frame->SQLDelimiter = ';';
    frame->CommandPrefix = '#';
    frame->ImportScriptFileNamePrefix = '@';
    frame->OnExecuteSQL = [&driver](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                    std::string& msg) { driver.Execute(sender, sql, kind, ds, msg); };
    frame->OnIsConnected = [&driver](void*, bool& c) { c = driver.IsConnected(); };
    frame->resize(1200, 800);
    frame->show();
    frame->Initialize();
    QApplication::processEvents();
    return frame;
}

void FreeFrame(std::unique_ptr<TFrameSQLClient>& frame) {
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TTimes Run(TFrameSQLClient& frame, const std::string& script) {
    const auto t0 = Clock::now();
    const double c0 = CpuSeconds();
    frame.ExecuteScriptText(script);
    QApplication::processEvents();
    return {std::chrono::duration<double>(Clock::now() - t0).count(), CpuSeconds() - c0};
}

size_t HeapInUse() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

double Min(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TScripts {
    std::string Plain, Sheets, Empty;
    explicit TScripts(int n) {
        for (int i = 0; i < n; ++i) {
            const std::string select = "select id, name from t where id = " + std::to_string(i % 3 + 1) + ";\r\n";
            Plain += select;
            Sheets += "#NewSheet;\r\n" + select;
            Empty += "#NewSheet;\r\n";
        }
    }
};

// One size: kRuns runs of each side. Returns the medians of our wall time; false when a run did not do its work.
struct TSizeResult {
    std::vector<double> OursWall, OursCpu, PeerWall, PeerCpu;
};

bool RunSize(TADODriver& driver, int n, TSizeResult& r) {
    const TScripts s(n);
    for (int run = 0; run < kRuns; ++run) {
        {
            auto frame = MakeFrame(driver);
            const TTimes t = Run(*frame, s.Plain);
            const int lines = frame->ActiveResultPage()->Editor->Lines().Count();
            FreeFrame(frame);
            if (lines < n) {
                std::fprintf(stderr, "sheets_bench: %d lines for %d statements\n", lines, n);
                return false;
            }
            r.PeerWall.push_back(t.Wall);
            r.PeerCpu.push_back(t.Cpu);
        }
        {
            auto frame = MakeFrame(driver);
            const TTimes t = Run(*frame, s.Sheets);
            const int pages = frame->ResultSeetManager->GetCount();
            const int lines = frame->ActiveResultPage()->Editor->Lines().Count();
            FreeFrame(frame);
            if (pages != n + 1 || lines < 3) {
                std::fprintf(stderr, "sheets_bench: %d pages (last with %d lines) for %d sheets\n", pages, lines, n);
                return false;
            }
            r.OursWall.push_back(t.Wall);
            r.OursCpu.push_back(t.Cpu);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: sheets_bench <sqlite file> <N>...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    try {
        TADODriver driver;
        if (!driver.ConnectByConnectionString(std::string("DRIVER=SQLite3;Database=") + argv[1], "bench"))
            throw std::runtime_error("cannot connect");
        if ((std::string(argv[2]) == "--ours" || std::string(argv[2]) == "--peer") && argc > 3) {
            const int n = std::atoi(argv[3]);
            const bool ours = std::string(argv[2]) == "--ours";
            auto frame = MakeFrame(driver);
            const TTimes t = Run(*frame, ours ? TScripts(n).Sheets : TScripts(n).Plain);
            std::printf("%d %s: %.3f s wall, %.3f s CPU\n", n, ours ? "#NewSheet + SELECT" : "SELECTs", t.Wall, t.Cpu);
            FreeFrame(frame);
            return 0;
        }
        std::vector<int> sizes;
        for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
        std::vector<double> perSheet;  // median wall seconds per sheet, by size
        std::printf("%6s  %-26s %-26s %-15s %-15s %s\n", "sheets", "ours wall min/med s", "peer wall min/med s",
                    "ratio min/med", "CPU ratio", "ms per sheet (med)");
        for (int n : sizes) {
            TSizeResult r;
            if (!RunSize(driver, n, r)) return 1;
            const double ms = Median(r.OursWall) / n * 1000;
            perSheet.push_back(ms);
            std::printf("%6d  %8.3f / %-8.3f (CPU %5.2f)  %7.3f / %-7.3f (CPU %5.2f)  %5.2f / %-5.2f    %5.2f / %-5.2f   %6.2f\n", n,
                        Min(r.OursWall), Median(r.OursWall), Median(r.OursCpu), Min(r.PeerWall), Median(r.PeerWall),
                        Median(r.PeerCpu), Min(r.OursWall) / Min(r.PeerWall), Median(r.OursWall) / Median(r.PeerWall),
                        Min(r.OursCpu) / Min(r.PeerCpu), Median(r.OursCpu) / Median(r.PeerCpu), ms);
            std::fflush(stdout);
        }
        std::printf("(aim: wall ratio <= 4)\n");
        if (sizes.size() > 1)
            std::printf("flatness: ms per sheet at %d / at %d = %.2f (aim <= 1.2)\n", sizes.back(), sizes.front(),
                        perSheet.back() / perSheet.front());

        const int n = sizes.back();
        auto frame = MakeFrame(driver);
        const size_t before = HeapInUse();
        Run(*frame, TScripts(n).Empty);
        const int emptyPages = frame->ResultSeetManager->GetCount();
        const size_t after = HeapInUse();
        FreeFrame(frame);
        if (emptyPages != n + 1) {
            std::fprintf(stderr, "sheets_bench: %d empty pages for %d sheets\n", emptyPages, n);
            return 1;
        }
#if defined(__SANITIZE_ADDRESS__)
        (void)before;
        (void)after;  // the sanitizer's allocator keeps no statistics of its own
        std::printf("heap held per empty sheet:  not measured under the sanitizer\n");
#else
        std::printf("heap held per empty sheet (%d sheets):  %.1f KB  (aim <= 204.8 KB)\n", n,
                    (static_cast<double>(after) - static_cast<double>(before)) / 1024.0 / n);
#endif
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sheets_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
