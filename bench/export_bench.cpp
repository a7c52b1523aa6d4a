// Export throughput: the result text of N lines of 5 comma-separated columns
// saved by the commands SaveToFileXLS (BIFF2 workbook) and SaveToFile (text),
// against writing the same bytes durably as the commands must (the peer: the
// atomic replace with fsync of the file and its folder), and, for reference,
// with one plain write that does not wait for the disk.
//
// Every side runs in a child process of its own in every run (taking turns):
// cold, the first save of the process; warm, the third.
//
//   export_bench LINES RUNS [smoke]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "BenchHost.h"
#include "BenchTiming.h"
#include "FileSystem.h"
#include "StringList.h"
#include "U_CommandManager.h"

namespace {

void PlainWrite(const std::string& path, const std::string& bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    close(fd);
}

// A host whose result page holds the lines, as the export commands read them.
struct TResultHost {
    explicit TResultHost(int lines) {
        host.Console.Lines.Items.reserve(static_cast<size_t>(lines));
        for (int i = 0; i < lines; ++i) {
            const std::string n = std::to_string(i);
            host.Console.Lines.Add(n + ",name_" + n + ",\"東京, 日本 " + n + "\"," + std::to_string(i * 37 % 1000) +
                                   ".25,2026-12-10 14:00:00");
        }
    }
    void Run(const std::string& line) {
        TCommandManager manager(&host);
        TStringList out;
        manager.ExecuteLine(TStringList(line), out);
    }
    TBenchHost host;
};

// Three saves in this process: cold wall, cold cpu, warm wall, warm cpu.
std::vector<double> ThreeSaves(const std::function<void()>& save) {
    const bench::Sample cold = bench::Measure(save);
    save();
    const bench::Sample warm = bench::Measure(save);
    return {cold.Wall, cold.Cpu, warm.Wall, warm.Cpu};
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 16384;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const bool smoke = argc > 3 && std::strcmp(argv[3], "smoke") == 0;
    bench::TempFolder temp("zintavor-export-bench");
    const std::string dir = temp.Path;

    // the bytes each command writes, made once in a process of its own
    bench::InChild([&] {
        TResultHost h(lines);
        h.Run("#SaveToFileXLS " + dir + "model.xls");
        h.Run("#SaveToFile " + dir + "model.txt");
        return std::vector<double>{};
    });
    std::string xlsBytes, txtBytes;
    if (!fs932::ReadFile(dir + "model.xls", xlsBytes) || !fs932::ReadFile(dir + "model.txt", txtBytes) ||
        xlsBytes.empty() || txtBytes.empty()) {
        std::fprintf(stderr, "the export commands wrote nothing\n");
        return 1;
    }

    bench::Table table("exports: " + std::to_string(lines) +
                           " result lines of 5 columns saved by #SaveToFileXLS (BIFF2) and #SaveToFile (text),\n"
                           "  against the durable write of the same bytes (atomic replace with fsync: the peer) and, for\n"
                           "  reference, one plain write; cold: the first save of a fresh process, warm: the third",
                       runs, smoke, false);
    struct Kind {
        const char* name;
        const char* command;
        const char* ext;
        const std::string* bytes;
    };
    const Kind kinds[] = {{"SaveToFileXLS", "#SaveToFileXLS ", ".xls", &xlsBytes}, {"SaveToFile", "#SaveToFile ", ".txt", &txtBytes}};
    int status = 0;
    for (const Kind& k : kinds) {
        const std::string ours = dir + "ours" + k.ext, fsync = dir + "fsync" + k.ext, plain = dir + "plain" + k.ext;
        const auto results = bench::TakeTurns(
            runs, {[&] {
                       TResultHost h(lines);
                       return ThreeSaves([&] { h.Run(k.command + ours); });
                   },
                   [&] { return ThreeSaves([&] { fs932::WriteFileAtomic(fsync, *k.bytes); }); },
                   [&] { return ThreeSaves([&] { PlainWrite(plain, *k.bytes); }); }});
        std::printf("\n  %s: %zu bytes\n", k.name, k.bytes->size());
        for (int warm = 0; warm < 2; ++warm) {
            const bench::Series o = bench::SeriesOf(k.name, results[0], warm ? 2 : 0);
            const bench::Series f = bench::SeriesOf("fsync_write", results[1], warm ? 2 : 0);
            const bench::Series p = bench::SeriesOf("plain_write", results[2], warm ? 2 : 0);
            table.Columns();
            table.Case(warm ? "warm" : "cold", o, {&f, &p});
        }
        std::string written;
        if (!fs932::ReadFile(ours, written) || written != *k.bytes) {
            std::printf("  %s: the saved file differs from the first save's\n", k.name);
            status = 1;
        }
    }
    table.Note("fsync_write is the fair peer (the commands must write durably); plain_write does not wait for the disk");
    return status;
}
