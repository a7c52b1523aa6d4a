// The history file: a file of history entries (100 a day) and 20 favourites
// loaded by the history window and saved again, against reading the same file
// and atomically writing the bytes the window wrote (the peer: the same read
// and the same durable write, without the tree); and the tree control alone
// loading and saving every entry, against reading and writing the same bytes.
//
// Two files: one within the window's limit of 1,000 nodes (every entry kept,
// so both sides write every entry), and one of ENTRIES entries, over the limit:
// the window keeps the newest entries up to the limit and writes only those,
// and the peer writes the same bytes, so both sides handle the same entries.
//
// Every side runs in a child process of its own in every run (taking turns):
// cold, the first load and save of the process; warm, the third.
//
//   history_bench ENTRIES RUNS [smoke]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <string>
#include <vector>

#include <QApplication>

#include "BenchTiming.h"
#include "FileSystem.h"
#include "KZNTreeView.h"
#include "U_Form_History.h"
#include "QtMessages.h"

namespace {

std::string Rec(int level, const std::string& caption, const std::string& text) {
    return std::string(static_cast<size_t>(level), '\xA0') + caption + "\x07StringList=" + text + "\x06\r\n";
}

std::string HistoryFile(int entries) {
    std::string s = Rec(0, "お気に入り", "＄＄お気に入りフォルダROOT");
    for (int i = 0; i < 20; ++i) s += Rec(1, "お気に入り " + std::to_string(i), "select * from 表" + std::to_string(i) + ";");
    s += Rec(0, "履歴", "＄＄履歴フォルダROOT");
    for (int day = 0; day * 100 < entries; ++day) {
        char date[32];
        std::snprintf(date, sizeof date, "2026/%02d/%02d", 12 - day / 28 % 12, 28 - day % 28);
        s += Rec(1, date, "");
        for (int i = 0; i < 100 && day * 100 + i < entries; ++i) {
            char time[32];
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", 23 - i / 60, 59 - i % 60, i % 60);
            const std::string n = std::to_string(day * 100 + i);
            s += Rec(2, time, "select a, b, '名前" + n + "'\r\n  from t" + n + "\r\n where id = " + n + ";");
        }
    }
    return s;
}

// A history of about Bytes bytes: 20 favourites, then 100 entries a day,
// the days newest first, as a copy of the program writes it.
std::string BigHistoryFile(size_t bytes) {
    std::string s = Rec(0, "お気に入り", "＄＄お気に入りフォルダROOT");
    for (int i = 0; i < 20; ++i) s += Rec(1, "お気に入り " + std::to_string(i), "select * from 表" + std::to_string(i) + ";");
    s += Rec(0, "履歴", "＄＄履歴フォルダROOT");
    for (int day = 0; s.size() < bytes; ++day) {
        char date[32];
        std::snprintf(date, sizeof date, "%04d/%02d/%02d", 2026 - day / 336, 12 - day / 28 % 12, 28 - day % 28);
        s += Rec(1, date, "");
        for (int i = 0; i < 100 && s.size() < bytes; ++i) {
            char time[32];
            std::snprintf(time, sizeof time, "%02d:%02d:%02d", 23 - i / 60, 59 - i % 60, i % 60);
            const std::string n = std::to_string(day * 100 + i);
            s += Rec(2, time, "select a, b from t" + n + " where id = " + n + ";");
        }
    }
    return s;
}

// The same file after another copy saved one new entry.
std::string WithNewEntry(const std::string& file) {
    const std::string root = Rec(0, "履歴", "＄＄履歴フォルダROOT");
    const size_t at = file.find(root) + root.size();
    return file.substr(0, at) + Rec(1, "2027/01/01", "") + Rec(2, "09:00:00", "select 'other';") + file.substr(at);
}

// CPU milliseconds (user + sys) of the ended children of this process.
double ChildrenCpuMs() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Entries (level 2) and all nodes of a tree file's text.
std::pair<int, int> CountRecords(const std::string& text) {
    int entries = 0, nodes = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\x06\r\n", at);
        if (end == std::string::npos) break;
        ++nodes;
        if (text.compare(at, 2, "\xA0\xA0") == 0) ++entries;
        at = end + 3;
    }
    return {entries, nodes};
}

int gArgc = 1;
char gName[] = "history_bench";
char* gArgv[] = {gName, nullptr};

// Three passes in this process: cold wall, cold cpu, warm wall, warm cpu.
// Before each pass Reset runs, untimed.
std::vector<double> ThreePasses(const std::function<void()>& reset, const std::function<void()>& pass) {
    std::vector<double> out;
    for (int i = 0; i < 3; ++i) {
        reset();
        const bench::Sample s = bench::Measure(pass);
        if (i != 1) {
            out.push_back(s.Wall);
            out.push_back(s.Cpu);
        }
    }
    return out;
}

// The window on a copy of Source in Dir: loaded and saved.
std::vector<double> Window(const std::string& dir, const std::string& source) {
    QApplication app(gArgc, gArgv);
    const std::string file = dir + "window.History";
    TForm_History form(nullptr, 0, file);
    return ThreePasses([&] { fs932::WriteFileAtomic(file, source); },
                       [&] {
                           form.LoadFromFile();
                           form.SaveToFile();
                       });
}

// The tree control alone, every node loaded and saved.
std::vector<double> Tree(const std::string& dir, const std::string& in) {
    QApplication app(gArgc, gArgv);
    TKZNTreeView tree;
    tree.DefaultRestoreNodeProperties = {vtnStringList};
    return ThreePasses([] {},
                       [&] {
                           tree.LoadFromFile(in);
                           tree.SaveToFile(dir + "tree.History");
                       });
}

// The peer: the file read, and Out written as the window writes its file.
std::vector<double> Plain(const std::string& dir, const std::string& in, const std::string& out) {
    return ThreePasses([] {},
                       [&] {
                           std::string bytes;
                           if (!fs932::ReadFile(in, bytes) || !fs932::WriteFileAtomic(dir + "plain.History", out))
                               std::abort();
                       });
}

// A huge history loaded by the window, another copy's save of it, and the
// window's save merging with that: wall, cpu and the memory (KB) the peak of
// the process grew by meanwhile.
std::vector<double> HugeWindow(const std::string& dir, const std::string& source, const std::string& other) {
    QApplication app(gArgc, gArgv);
    const std::string file = dir + "huge.History";
    TForm_History form(nullptr, 0, file);
    if (!fs932::WriteFileAtomic(file, source) || !fs932::WriteFileAtomic(dir + "other.History", other)) std::abort();
    const double base = bench::PeakKB();  // the process so far, the bench's own copies of the texts included
    const bench::Sample load = bench::Measure([&] { form.LoadFromFile(); });
    if (!fs932::WriteFileAtomic(file, other)) std::abort();
    const bench::Sample save = bench::Measure([&] { form.SaveToFile(); });
    return {load.Wall + save.Wall, load.Cpu + save.Cpu, bench::PeakKB() - base};
}

// The peer: cat of the two files the window reads (the one it loads and the one it merges with).
std::vector<double> HugeCat(const std::string& dir, const std::string& source, const std::string& other) {
    const std::string a = dir + "cat-a.History", b = dir + "cat-b.History";
    if (!fs932::WriteFileAtomic(a, source) || !fs932::WriteFileAtomic(b, other)) std::abort();
    const double c0 = ChildrenCpuMs();
    const bench::Sample s = bench::Measure([&] {
        const std::string cmd = "cat '" + fs932::ToNative(a) + "' '" + fs932::ToNative(b) + "' > /dev/null";
        if (std::system(cmd.c_str()) != 0) std::abort();
    });
    return {s.Wall, ChildrenCpuMs() - c0 + s.Cpu, 0};
}

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
    qtmessages::DropPlatformNoise();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const bool smoke = argc > 3 && std::strcmp(argv[3], "smoke") == 0;
    bench::TempFolder temp("zintavor-history-bench");
    const std::string dir = temp.Path;
    const int limit = TForm_History::MaxNodeCount;

    bench::Table table("history file: the history window loading its file and saving it, against reading the same file\n"
                       "  and writing the bytes the window wrote (atomically, with fsync: the same entries on both sides);\n"
                       "  the tree control alone loading and saving every entry, against reading and writing those bytes;\n"
                       "  cold: the first load and save of a fresh process, warm: the third",
                       runs, smoke, false);
    int status = 0;
    // within the limit (every entry kept), then over it
    const int within = std::min(entries, (limit - 40) / 101 * 100);
    for (int n : {within, entries}) {
        const std::string source = HistoryFile(n);
        const std::string in = dir + "in.History";
        if (!fs932::WriteFileAtomic(in, source)) return 1;
        // what the window writes, once in a process of its own
        bench::InChild([&] {
            QApplication app(gArgc, gArgv);
            fs932::WriteFileAtomic(dir + "model.History", source);
            TForm_History form(nullptr, 0, dir + "model.History");
            form.LoadFromFile();
            form.SaveToFile();
            return std::vector<double>{};
        });
        std::string written;
        if (!fs932::ReadFile(dir + "model.History", written)) return 1;
        const auto [keptEntries, keptNodes] = CountRecords(written);
        const auto [readEntries, readNodes] = CountRecords(source);

        const auto results = bench::TakeTurns(runs, {[&] { return Window(dir, source); },
                                                     [&] { return Plain(dir, in, written); },
                                                     [&] { return Tree(dir, in); },
                                                     [&] { return Plain(dir, in, source); }});
        std::printf("\n  %d entries in the file (%zu bytes, %d nodes); the window holds %d nodes after its limit of %d:\n"
                    "  %d entries (%zu bytes written)%s\n",
                    readEntries, source.size(), readNodes, keptNodes, limit, keptEntries, written.size(),
                    keptEntries == readEntries ? ", every entry" : ", the newest");
        for (int warm = 0; warm < 2; ++warm) {
            const bench::Series w = bench::SeriesOf("history_window", results[0], warm ? 2 : 0);
            const bench::Series p = bench::SeriesOf("read+write_kept", results[1], warm ? 2 : 0);
            const bench::Series t = bench::SeriesOf("tree_control_all", results[2], warm ? 2 : 0);
            const bench::Series q = bench::SeriesOf("read+write_all", results[3], warm ? 2 : 0);
            table.Columns();
            table.Case(std::string("window, ") + (warm ? "warm" : "cold"), w, {&p});
            table.Case(std::string("tree, ") + (warm ? "warm" : "cold"), t, {&q});
        }
        if (n == within && keptEntries != readEntries) {
            std::printf("  the window dropped entries of a file within its limit\n");
            status = 1;
        }
        if (keptNodes > limit) {
            std::printf("  the window holds more than its limit\n");
            status = 1;
        }
        std::string tree;
        if (!fs932::ReadFile(dir + "tree.History", tree) || tree != source) {
            std::printf("  the tree did not save the file as it read it\n");
            status = 1;
        }
    }
    table.Note("the window's save reads the file again under its lock and merges (as a copy sharing the file must);");
    table.Note("the peers do not");

    // a huge file another copy left: loaded, then merged at the save with that copy's next save of it
    {
        const size_t bytes = smoke ? (size_t(2) << 20) : (size_t(50) << 20);
        const std::string source = BigHistoryFile(bytes);
        const std::string other = WithNewEntry(source);
        const auto results = bench::TakeTurns(runs, {[&] { return HugeWindow(dir, source, other); },
                                                     [&] { return HugeCat(dir, source, other); }});
        std::printf("\n  a history of %zu bytes (%d entries): the window loading it and merging at its save with\n"
                    "  another copy's save of it (one entry more), against cat of the two files\n",
                    source.size(), CountRecords(source).first);
        const bench::Series w = bench::SeriesOf("history_load+merge", results[0], 0);
        const bench::Series c = bench::SeriesOf("cat_both_files", results[1], 0);
        table.Columns();
        table.Case("huge file, cold", w, {&c});
        const double peak = bench::MedianOf(results[0], 2);
        std::printf("  the process's peak memory grew by %.0f MB while loading and merging: %.1f times the file\n", peak / 1024,
                    peak * 1024 / static_cast<double>(source.size()));
    }
    return status;
}
