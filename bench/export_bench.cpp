// Export throughput: the result text of N lines of 5 comma-separated columns
// saved by the commands SaveToFileXLS (BIFF2 workbook) and SaveToFile (text),
// against writing the same bytes durably as the commands must (the fair
// floor: the atomic replace with fsync of the file and its folder), and, for
// reference, with one plain write that does not wait for the disk.
//
//   export_bench LINES REPEATS     best of REPEATS runs of each
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "BenchTiming.h"
#include "BenchHost.h"
#include "FileSystem.h"
#include "StringList.h"
#include "U_CommandManager.h"

namespace {

using bench::Best;

void PlainWrite(const std::string& path, const std::string& bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 16384;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    char tmpl[] = "/tmp/zintavor-export-bench.XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string dir = std::string(tmpl) + "/";

    TBenchHost host;
    host.Console.Lines.Items.reserve(static_cast<size_t>(lines));
    for (int i = 0; i < lines; ++i) {
        const std::string n = std::to_string(i);
        host.Console.Lines.Add(n + ",name_" + n + ",\"東京, 日本 " + n + "\"," + std::to_string(i * 37 % 1000) +
                               ".25,2026-12-10 14:00:00");
    }
    TCommandManager manager(&host);
    auto run = [&](const std::string& line) {
        TStringList out;
        manager.ExecuteLine(TStringList(line), out);
    };

    const double xls = Best(repeats, [&] { run("#SaveToFileXLS " + dir + "out.xls"); });
    const double txt = Best(repeats, [&] { run("#SaveToFile " + dir + "out.txt"); });
    std::string xlsBytes, txtBytes;
    if (!fs932::ReadFile(dir + "out.xls", xlsBytes) || !fs932::ReadFile(dir + "out.txt", txtBytes)) return 1;
    const double xlsFloor = Best(repeats, [&] { PlainWrite(dir + "floor.xls", xlsBytes); });
    const double txtFloor = Best(repeats, [&] { PlainWrite(dir + "floor.txt", txtBytes); });
    const double xlsAtomic = Best(repeats, [&] { fs932::WriteFileAtomic(dir + "atomic.xls", xlsBytes); });
    const double txtAtomic = Best(repeats, [&] { fs932::WriteFileAtomic(dir + "atomic.txt", txtBytes); });

    std::printf("lines=%d columns=5 repeats=%d (best run)\n", lines, repeats);
    std::printf("%-14s %10s %12s %14s %10s %14s %10s\n", "export", "bytes", "command ms", "fsync write ms", "ratio",
                "plain write ms", "ratio");
    std::printf("%-14s %10zu %12.3f %14.3f %9.2fx %14.3f %9.2fx\n", "SaveToFileXLS", xlsBytes.size(), xls * 1e3,
                xlsAtomic * 1e3, xls / xlsAtomic, xlsFloor * 1e3, xls / xlsFloor);
    std::printf("%-14s %10zu %12.3f %14.3f %9.2fx %14.3f %9.2fx\n", "SaveToFile", txtBytes.size(), txt * 1e3,
                txtAtomic * 1e3, txt / txtAtomic, txtFloor * 1e3, txt / txtFloor);
    std::printf("ratio over the write with fsync (the fair floor): SaveToFileXLS %.2fx, SaveToFile %.2fx\n",
                xls / xlsAtomic, txt / txtAtomic);
    std::string cmd = "rm -rf '" + dir + "'";
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
