// The history file: a file of N history entries (100 a day) and favourites
// loaded by the history window (which keeps the newest 1000 nodes) and saved
// again, against reading and writing the same bytes in this process (the
// floor: the same read and the same durable atomic write the window uses);
// the tree control alone loading and saving all N entries, for the format's
// own speed.
//
//   history_bench ENTRIES REPEATS     best of REPEATS runs of each
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <QApplication>

#include "BenchTiming.h"
#include "FileSystem.h"
#include "KZNTreeView.h"
#include "U_Form_History.h"
#include "QtMessages.h"

namespace {

using bench::Best;

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

}  // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    char tmpl[] = "/tmp/zintavor-history-bench.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string dir = std::string(tmpl) + "/";
    const std::string src = dir + "in.History", dst = dir + "out.History", copy = dir + "copy.History";
    const std::string bytes = HistoryFile(entries);
    if (!fs932::WriteFileAtomic(src, bytes)) return 1;

    // the window loads its file and saves it back (the save reads the file
    // again under its lock, as a copy sharing it with another must)
    TForm_History form(nullptr, 0, dst);
    int kept = 0;
    double load = 1e100, save = 1e100, both = 1e100;
    for (int r = 0; r < std::max(1, repeats); ++r) {
        if (!fs932::WriteFileAtomic(dst, bytes)) return 1;
        auto t0 = std::chrono::steady_clock::now();
        form.LoadFromFile();
        auto t1 = std::chrono::steady_clock::now();
        form.SaveToFile();
        auto t2 = std::chrono::steady_clock::now();
        kept = form.IndexTree2->GetCount();
        load = std::min(load, std::chrono::duration<double>(t1 - t0).count());
        save = std::min(save, std::chrono::duration<double>(t2 - t1).count());
        both = std::min(both, std::chrono::duration<double>(t2 - t0).count());
    }

    TKZNTreeView tree;
    tree.DefaultRestoreNodeProperties = {vtnStringList};
    const double treeBoth = Best(repeats, [&] {
        tree.LoadFromFile(src);
        tree.SaveToFile(dir + "tree.History");
    });
    std::string treeBytes;
    if (!fs932::ReadFile(dir + "tree.History", treeBytes) || treeBytes != bytes) {
        std::fprintf(stderr, "the tree did not save the file as it read it\n");
        return 1;
    }

    // the floor: the file's bytes read and written again, in this process, as the window does
    const double floor = Best(repeats, [&] {
        std::string b;
        if (!fs932::ReadFile(src, b) || !fs932::WriteFileAtomic(copy, b)) std::abort();
    });

    std::printf("entries=%d bytes=%zu repeats=%d (best run)\n", entries, bytes.size(), repeats);
    std::printf("%-34s %12s %12s %10s\n", "", "ms", "floor ms", "ratio");
    std::printf("%-34s %12.3f %12.3f %9.2fx\n", "history window load + save", both * 1e3, floor * 1e3, both / floor);
    std::printf("%-34s %12.3f\n", "  load (best; keeps 1000 nodes)", load * 1e3);
    std::printf("%-34s %12.3f\n", "  save (best)", save * 1e3);
    std::printf("%-34s %12.3f %12.3f %9.2fx\n", "tree load + save of every entry", treeBoth * 1e3, floor * 1e3,
                treeBoth / floor);
    std::printf("nodes kept by the history window: %d\n", kept);
    std::printf("floor: the same bytes read and written (atomically, with fsync) in this process\n");
    std::string cmd = "rm -rf '" + dir + "'";
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
