// Timing and reporting helpers of the benchmark programs.
//
// What every benchmark prints, so that a reader can trust a ratio without
// reading the code:
//   - every ratio is ours / peer: lower is better, 1.00 is even;
//   - every side is measured in every run (the sides take turns), at least
//     three runs, and the minimum and the median over the runs are printed;
//   - wall time and CPU time (user + sys of the whole process, all threads)
//     side by side;
//   - a cold case (the first time in a fresh process: fresh memory, one-time
//     set-ups) beside each warm one (the same again in the same process);
//   - a smoke run says that its sizes are too small for the aims and prints no
//     aim.
//
// The usual shape:
//
//   bench::Table table("grid: ...", runs, smoke);   // heading and conventions
//   bench::Series ours("TForm_Grid"), peer("QTableView");
//   for (int r = 0; r < runs; ++r) {                  // both sides every run
//       ours.Add(bench::InChild([&] { return ...Sample figures...; }));
//       peer.Add(...);
//   }
//   table.Case("open, cold", ours, {&peer});
//
// InChild runs a function in a forked child and hands its figures back, so a
// cold case is really the first time in its process. Fork only from a parent
// that has started no thread and made no QApplication (make that in the child).
#pragma once
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace bench {

// Milliseconds of the steady clock.
inline double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU milliseconds (user + sys) the process has used so far, all threads.
inline double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Peak resident memory of the process so far, in kilobytes.
inline double PeakKB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss);
}

// Minor page faults of the process so far (fresh memory handed to it).
inline double MinorFaults() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_minflt);
}

// One measurement: wall and CPU milliseconds, and what the caller adds.
struct Sample {
    double Wall = 0;
    double Cpu = 0;
};

template <class F>
Sample Measure(F&& f) {
    const double w0 = WallMs(), c0 = CpuMs();
    f();
    const double c1 = CpuMs(), w1 = WallMs();
    return {w1 - w0, c1 - c0};
}

struct Spread {
    double Min = 0, Median = 0;
};

inline Spread SpreadOf(std::vector<double> v) {
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return {v.front(), n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2};
}

inline double Ratio(double a, double b) { return b > 0 ? a / b : 0.0; }

// The samples of one side of one case, one per run.
struct Series {
    explicit Series(std::string side) : Side(std::move(side)) {}
    void Add(const Sample& s) { Runs.push_back(s); }
    Spread Wall() const {
        std::vector<double> v;
        for (const Sample& s : Runs) v.push_back(s.Wall);
        return SpreadOf(v);
    }
    Spread Cpu() const {
        std::vector<double> v;
        for (const Sample& s : Runs) v.push_back(s.Cpu);
        return SpreadOf(v);
    }
    std::string Side;
    std::vector<Sample> Runs;
};

// Whether this program was built with AddressSanitizer (the test build).
inline bool SanitizerBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

// Prints the heading, the conventions and one block per case:
//   case  side  wall ms min / median  cpu ms min / median
// with a line "ours/PEER" of the two ratios (min over min, median over median)
// for each peer.
class Table {
public:
    Table(const std::string& title, int runs, bool smoke, bool columns = true) : Smoke(smoke) {
        std::printf("%s\n", title.c_str());
        std::printf("  %d run%s, every side in every run (taking turns); min / median over the runs;\n", runs,
                    runs == 1 ? "" : "s");
        std::printf("  wall and CPU (user + sys) milliseconds; ratios are ours / peer, lower is better\n");
        if (smoke)
            std::printf("  SMOKE RUN: these sizes are far too small to judge the aims; the figures only show that it "
                        "works\n");
        if (SanitizerBuild())
            std::printf("  SANITIZER BUILD: its times say nothing of the optimised program's\n");
        if (columns) Columns();
    }
    void Columns() {
        std::printf("  %-26s %-26s %21s %21s\n", "case", "side", "wall ms min / median", "cpu ms min / median");
    }
    void Side(const std::string& kase, const Series& s) {
        const Spread w = s.Wall(), c = s.Cpu();
        std::printf("  %-26s %-26s %10.1f / %8.1f %10.1f / %8.1f\n", kase.c_str(), s.Side.c_str(), w.Min, w.Median,
                    c.Min, c.Median);
    }
    void RatioLine(const std::string& kase, const Series& ours, const Series& peer) {
        const Spread ow = ours.Wall(), oc = ours.Cpu(), pw = peer.Wall(), pc = peer.Cpu();
        const std::string side = "ours/" + peer.Side;
        std::printf("  %-26s %-26s %10.2f / %8.2f %10.2f / %8.2f\n", kase.c_str(), side.c_str(), Ratio(ow.Min, pw.Min),
                    Ratio(ow.Median, pw.Median), Ratio(oc.Min, pc.Min), Ratio(oc.Median, pc.Median));
    }
    // Our side, each peer, and ours / each peer.
    void Case(const std::string& kase, const Series& ours, std::initializer_list<const Series*> peers) {
        Side(kase, ours);
        for (const Series* p : peers) Side(kase, *p);
        for (const Series* p : peers) RatioLine(kase, ours, *p);
    }
    // Several sides of ours against one peer: the peer's line, then each of
    // ours with its ratios (ours / peer, min over min and median over median,
    // wall and CPU) at the end of its line.
    void Group(const std::string& kase, const Series& peer, const std::vector<const Series*>& ours) {
        std::printf("  %-26s %-26s %21s %21s   %s\n", "case", "side", "wall ms min / median", "cpu ms min / median",
                    ("ours/" + peer.Side + ": wall, cpu (min / median)").c_str());
        Side(kase, peer);
        for (const Series* o : ours) {
            const Spread ow = o->Wall(), oc = o->Cpu(), pw = peer.Wall(), pc = peer.Cpu();
            std::printf("  %-26s %-26s %10.1f / %8.1f %10.1f / %8.1f   %5.2f / %5.2f, %5.2f / %5.2f\n", kase.c_str(),
                        o->Side.c_str(), ow.Min, ow.Median, oc.Min, oc.Median, Ratio(ow.Min, pw.Min),
                        Ratio(ow.Median, pw.Median), Ratio(oc.Min, pc.Min), Ratio(oc.Median, pc.Median));
        }
    }
    // A line of text under the table (an aim is left out of a smoke run: pass
    // it as Aim).
    void Note(const std::string& text) { std::printf("  %s\n", text.c_str()); }
    void Aim(const std::string& text) {
        if (!Smoke) std::printf("  aim: %s\n", text.c_str());
    }
    bool Smoke;
};

// Runs F in a forked child process and returns the figures it returned
// (at most 64). The parent must not have started a thread (no QApplication
// yet). Exits the benchmark when the child fails.
inline std::vector<double> InChild(const std::function<std::vector<double>()>& f) {
    int fd[2];
    if (pipe(fd) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        close(fd[0]);
        double out[65] = {};
        int rc = 0;
        try {
            const std::vector<double> v = f();
            const size_t n = std::min<size_t>(v.size(), 64);
            out[0] = double(n);
            std::copy(v.begin(), v.begin() + long(n), out + 1);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "benchmark child: %s\n", e.what());
            rc = 1;
        }
        std::fflush(stdout);
        std::fflush(stderr);
        const ssize_t w = rc ? 0 : write(fd[1], out, sizeof out);
        // no destructors of what the parent made: the child only measures
        _exit(rc == 0 && w == ssize_t(sizeof out) ? 0 : 1);
    }
    close(fd[1]);
    double in[65] = {};
    size_t got = 0;
    while (got < sizeof in) {
        const ssize_t r = read(fd[0], reinterpret_cast<char*>(in) + got, sizeof in - got);
        if (r <= 0) break;
        got += size_t(r);
    }
    close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got != sizeof in || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "a benchmark child process failed\n");
        std::exit(1);
    }
    return std::vector<double>(in + 1, in + 1 + size_t(in[0]));
}

// Runs every side once per run in a child process of its own (InChild), the
// sides taking turns at going first; Result[side][run] is what the side's
// function returned in that run.
inline std::vector<std::vector<std::vector<double>>> TakeTurns(
    int runs, const std::vector<std::function<std::vector<double>()>>& sides) {
    std::vector<std::vector<std::vector<double>>> out(sides.size());
    for (int r = 0; r < runs; ++r)
        for (size_t k = 0; k < sides.size(); ++k) {
            const size_t side = (k + size_t(r)) % sides.size();
            out[side].push_back(InChild(sides[side]));
        }
    return out;
}

// The Series of one side from its runs' figures: wall at Figures[WallAt],
// CPU at Figures[WallAt + 1].
inline Series SeriesOf(const std::string& side, const std::vector<std::vector<double>>& runs, size_t wallAt) {
    Series s(side);
    for (const std::vector<double>& f : runs)
        if (f.size() > wallAt + 1) s.Add({f[wallAt], f[wallAt + 1]});
    return s;
}

// The median over the runs of one figure.
inline double MedianOf(const std::vector<std::vector<double>>& runs, size_t at) {
    std::vector<double> v;
    for (const std::vector<double>& f : runs)
        if (f.size() > at) v.push_back(f[at]);
    return SpreadOf(v).Median;
}

// A folder of its own under $TMPDIR (or /tmp), removed with everything in it
// at the end: benchmarks write nothing into the source or build tree.
class TempFolder {
public:
    explicit TempFolder(const char* name = "zintavor-bench") {
        const char* tmp = std::getenv("TMPDIR");
        std::string t = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + ".XXXXXX";
        std::vector<char> buf(t.begin(), t.end());
        buf.push_back('\0');
        if (!mkdtemp(buf.data())) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        Path = std::string(buf.data()) + "/";
        Owner = getpid();
    }
    ~TempFolder() {
        if (getpid() != Owner) return;  // a forked child leaves it to the parent
        const std::string cmd = "rm -rf '" + Path + "'";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", Path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path;  // with a trailing '/'

private:
    pid_t Owner;
};

}  // namespace bench
