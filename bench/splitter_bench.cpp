// Comment removal plus statement splitting of a generated CP932 script file,
// against the statement splitting of the sqlite3 shell (its input loop: the
// file read line by line, lines accumulated and tested with sqlite3_complete)
// on the same file. Both sides read the script from the file, as the shell
// reads its input and as an import reads a script.
//
// Each side runs in a child process of its own in every run (the sides take
// turns at going first): cold, the file dropped from the page cache and the
// process fresh; warm, the same again in that process. Peak memory is the
// child's: ours holds the script's text whole, the shell one statement.
// Full size runs three scripts: 6.25, 25 and 100 MB.
//   splitter_bench smoke|full
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "FileSystem.h"
#include "SqliteShellLoop.h"
#include "U_SQL99.h"
#include "U_SQL99Splitter.h"

namespace {

// A script of statements with literals, both kinds of comments and Japanese
// text (several characters with the trail byte 0x5C), each statement ending
// on a line of its own so that both sides see the same statements.
std::string MakeScript(size_t target) {
    static const char* const names[] = {"山田太郎", "表計算ソフト", "予定表", "十能", "ソース", "東京都港区"};
    std::string s;
    s.reserve(target + 512);
    uint32_t n = 0;
    while (s.size() < target) {
        ++n;
        const std::string num = std::to_string(n);
        const char* name = names[n % 6];
        switch (n % 5) {
            case 0:
                s += "-- 売上の登録 No.";
                s += num;
                s += "\r\nINSERT INTO 売上明細 (id, 名前, 備考) VALUES (";
                s += num;
                s += ", '";
                s += name;
                s += "', 'it''s 表示;');\r\n";
                break;
            case 1:
                s += "/* 集計クエリ\r\n   複数行のコメント; */\r\nSELECT a, \"列名\" FROM t_";
                s += num;
                s += " WHERE c = 'x;y' AND d <> '";
                s += name;
                s += "';\r\n";
                break;
            case 2:
                s += "UPDATE 顧客 SET 住所 = '東京都 -- 港区', 更新 = ";
                s += num;
                s += " WHERE id = ";
                s += num;
                s += "; -- 更新\r\n";
                break;
            case 3:
                s += "DELETE FROM ログ WHERE 日付 < '2024-01-01' /* 古い行 */ AND 種別 = \"表\" AND n = ";
                s += num;
                s += ";\r\n";
                break;
            default:
                s += "SELECT * FROM 予定 WHERE 件名 LIKE '%";
                s += name;
                s += "%'\r\n  AND note <> '/* no comment */' -- 注記\r\n  ORDER BY 1;\r\n\r\n";
                break;
        }
    }
    return s;
}

bool NotBlank(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x21) return true;
    return false;
}

// The statements one pass found (both sides must find as many), and the sum
// of their lengths (ours has the comments taken out).
struct Found {
    double Statements = 0;
    double Bytes = 0;
};

// Ours: the file read as an import reads it, comments removed, split at ';',
// every statement taken out.
Found Ours(const std::string& path) {
    std::string bytes;
    if (fs932::ReadRegularFile(path, bytes) != fs932::ReadResult::Ok) throw std::runtime_error("cannot read " + path);
    const auto splitter = TSQL99Splitter::CreateWithoutComments(std::move(bytes), ';', TSQL99Splitter::smDelimiter);
    std::string stmt;
    Found f;
    for (int i = 0; i < splitter->Count(); ++i) {
        splitter->GetStatement(i, stmt);
        if (!NotBlank(stmt)) continue;
        ++f.Statements;
        f.Bytes += double(stmt.size());
    }
    return f;
}

// The sqlite3 shell's input loop over the file.
Found Shell(const std::string& path) {
    Found f;
    std::string stmt;
    if (!shellloop::SplitFile(path.c_str(), [&](const std::string& sql) {
            stmt = sql;  // the statement run
            ++f.Statements;
            f.Bytes += double(stmt.size());
        }))
        throw std::runtime_error("cannot read " + path);
    return f;
}

void DropFromPageCache(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
}

// One side in a child: cold wall, cold cpu, warm wall, warm cpu, peak KB,
// statements, bytes.
std::vector<double> Side(Found (*side)(const std::string&), const std::string& path) {
    DropFromPageCache(path);
    Found f;
    const bench::Sample cold = bench::Measure([&] { f = side(path); });
    const bench::Sample warm = bench::Measure([&] { f = side(path); });
    return {cold.Wall, cold.Cpu, warm.Wall, warm.Cpu, bench::PeakKB(), f.Statements, f.Bytes};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "smoke";
    if (mode != "smoke" && mode != "full") {
        std::fprintf(stderr, "usage: splitter_bench smoke|full\n");
        return 2;
    }
    const bool smoke = mode == "smoke";
    const std::vector<size_t> targets = smoke ? std::vector<size_t>{1000000} : std::vector<size_t>{6250000, 25000000, 100000000};
    const int runs = smoke ? 3 : 5;
    bench::TempFolder temp("zintavor-splitter-bench");
    const std::string path = temp.Path + "script.sql";

    bench::Table table("splitter: comment removal and splitting of a CP932 script file, against the sqlite3 shell's\n"
                       "  input loop (the file read line by line, statements found with sqlite3_complete); both read the file;\n"
                       "  cold: the file dropped from the page cache, a fresh process; warm: the same again in that process",
                       runs, smoke);
    std::vector<std::string> memory;
    int status = 0;
    for (const size_t target : targets) {
        double mb = 0;
        {
            const std::string script = MakeScript(target);
            mb = double(script.size()) / 1e6;
            if (!fs932::WriteFileAtomic(path, script)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
        }  // the parent holds no copy while the children run
        const auto results = bench::TakeTurns(runs, {[&] { return Side(Ours, path); }, [&] { return Side(Shell, path); }});
        const auto& ours = results[0];
        const auto& shell = results[1];
        char size[32];
        std::snprintf(size, sizeof size, "%.2f MB", mb);
        const bench::Series oc = bench::SeriesOf("zintavor", ours, 0), pc = bench::SeriesOf("sqlite3_loop", shell, 0);
        const bench::Series ow = bench::SeriesOf("zintavor", ours, 2), pw = bench::SeriesOf("sqlite3_loop", shell, 2);
        table.Case(std::string(size) + ", cold", oc, {&pc});
        table.Case(std::string(size) + ", warm", ow, {&pw});
        const double oursMB = bench::MedianOf(ours, 4) * 1024 / 1e6, shellMB = bench::MedianOf(shell, 4) * 1024 / 1e6;
        char line[256];
        std::snprintf(line, sizeof line,
                      "%s: peak memory (median) zintavor %.1f MB (%.2f x the script), sqlite3_loop %.1f MB; ours/peer %.2f; "
                      "warm speed zintavor %.0f MB/s",
                      size, oursMB, oursMB / mb, shellMB, bench::Ratio(oursMB, shellMB), mb / (ow.Wall().Median / 1e3));
        memory.push_back(line);
        for (size_t r = 0; r < ours.size(); ++r)
            if (ours[r][5] != shell[r][5]) {
                std::printf("  %s: the sides found different numbers of statements: %.0f and %.0f\n", size, ours[r][5],
                            shell[r][5]);
                status = 1;
            }
        if (!status)
            memory.push_back(std::string(size) + ": both sides found the same " + std::to_string(long(ours[0][5])) +
                             " statements");
    }
    for (const std::string& m : memory) table.Note(m);
    return status;
}
