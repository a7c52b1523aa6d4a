// Script engine throughput: builds the items of a script (comment removal,
// splitting, kinds) and runs every item against a host that does nothing,
// beside the sqlite3 shell's input loop cutting the same text and handing
// each statement to the same host.
//
//   engine_bench scale RUNS smoke|full N1 N2 ...
//                                  a mixed script of each size; both sides in a
//                                  child process of their own in every run,
//                                  cold (the first pass of the process) and
//                                  warm (the third); and the per-statement cost
//                                  of the largest size over that of the smallest
//   engine_bench file PATH         the script in PATH (as an import reads it);
//                                  prints "seconds=S statements=N"
//   engine_bench peer PATH         the same work done by the sqlite3 shell's
//                                  input loop: the file read line by line, cut
//                                  into statements with sqlite3_complete, each
//                                  handed to an executor that does nothing
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchHost.h"
#include "BenchTiming.h"
#include "FileSystem.h"
#include "I_ScriptHost.h"
#include "SqliteShellLoop.h"
#include "StringList.h"
#include "U_ScriptManager.h"
#include "U_UserEnvManager.h"

namespace {

class TNullHost : public TBenchHost {
public:
    TNullHost() {
        Console.Keep = false;
        OnExecuteSQL = [this](void*, const std::string& SQL, TSQLKind, std::unique_ptr<TDataSet>&, std::string&) {
            Bytes += SQL.size();
        };
    }
    size_t Bytes = 0;
};

// Builds the manager and runs all its items; the number of items.
int RunScript(const TStringList& script) {
    TNullHost host;
    TScriptManager manager(&host, script, ';', TSQL99Splitter::smDelimiter);
    const int count = manager.Count();
    for (int i = 0; i < count; ++i) manager.Execute(i);
    if (host.Bytes == 0) std::fprintf(stderr, "no SQL reached the host\n");
    return count;
}

// The shell's input loop over the text, each statement handed to the host.
int RunShellLoop(const std::string& text) {
    TNullHost host;
    int count = 0;
    shellloop::Split(text, [&](const std::string& sql) {
        std::unique_ptr<TDataSet> none;
        std::string msg;
        host.OnExecuteSQL(&host, sql, TSQLKind::Query, none, msg);
        ++count;
    });
    if (host.Bytes == 0) std::fprintf(stderr, "no SQL reached the host\n");
    return count;
}

// Three passes in this process: cold wall, cold cpu, warm wall, warm cpu, statements.
template <class F>
std::vector<double> ThreePasses(F&& pass) {
    int count = 0;
    const bench::Sample cold = bench::Measure([&] { count = pass(); });
    pass();
    const bench::Sample warm = bench::Measure([&] { count = pass(); });
    return {cold.Wall, cold.Cpu, warm.Wall, warm.Cpu, double(count)};
}

// Literals with delimiters inside, line and block comments, four statement kinds.
TStringList MixedScript(int n) {
    static const char* const kinds[] = {
        "SELECT a, b FROM t WHERE c = 'x;y'; -- note\r\n",
        "INSERT INTO t (a, b) VALUES (1, 'it''s');\r\n",
        "/* block\r\n   comment; */ UPDATE t SET a = a + 1 WHERE b = \"q\";\r\n",
        "DELETE FROM t WHERE a = 3;\r\n",
    };
    std::string text;
    for (int i = 0; i < n; ++i) text += kinds[i % 4];
    return TStringList(text);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "file") {
        std::string bytes;
        if (!fs932::ReadFile(argv[2], bytes)) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 1;
        }
        TStringList script;
        script.SetText(bytes);
        int count = 0;
        const bench::Sample s = bench::Measure([&] { count = RunScript(script); });
        std::printf("seconds=%.6f statements=%d\n", s.Wall / 1e3, count);
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "peer") {
        const auto start = std::chrono::steady_clock::now();
        TNullHost host;
        int count = 0;
        const bool read = shellloop::SplitFile(argv[2], [&](const std::string& sql) {
            std::unique_ptr<TDataSet> none;
            std::string msg;
            host.OnExecuteSQL(&host, sql, TSQLKind::Query, none, msg);
            ++count;
        });
        if (!read) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 1;
        }
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        std::printf("seconds=%.6f statements=%d\n", d.count(), count);
        return host.Bytes ? 0 : 1;
    }
    if (argc >= 5 && std::string(argv[1]) == "scale") {
        const int runs = std::max(1, std::atoi(argv[2]));
        const int first = 4;
        const bool smoke = std::strcmp(argv[3], "smoke") == 0;
        bench::Table table("script engine: a mixed script (literals, comments, four statement kinds) made into items\n"
                           "  and run against a host that does nothing, against the sqlite3 shell's input loop cutting the\n"
                           "  same text (sqlite3_complete) and handing each statement to the same host; each side in a\n"
                           "  process of its own: cold, the first pass of the process; warm, the third",
                           runs, smoke);
        std::vector<double> perStatement[2];  // cold, warm: our median per statement at each size
        int status = 0;
        for (int a = first; a < argc; ++a) {
            const int n = std::atoi(argv[a]);
            const TStringList script = MixedScript(n);
            const std::string text = script.Text();
            const auto results = bench::TakeTurns(
                runs, {[&] { return ThreePasses([&] { return RunScript(script); }); },
                       [&] { return ThreePasses([&] { return RunShellLoop(text); }); }});
            const std::string size = std::to_string(n) + " statements";
            for (int warm = 0; warm < 2; ++warm) {
                const bench::Series ours = bench::SeriesOf("zintavor", results[0], warm ? 2 : 0);
                const bench::Series peer = bench::SeriesOf("sqlite3_loop", results[1], warm ? 2 : 0);
                table.Case(size + (warm ? ", warm" : ", cold"), ours, {&peer});
                perStatement[warm].push_back(ours.Wall().Median / n);
            }
            if (bench::MedianOf(results[0], 4) != n || bench::MedianOf(results[1], 4) != n) {
                std::printf("  %s: items made %.0f, shell loop statements %.0f\n", size.c_str(),
                            bench::MedianOf(results[0], 4), bench::MedianOf(results[1], 4));
                status = 1;
            }
        }
        if (perStatement[0].size() > 1) {
            char line[200];
            std::snprintf(line, sizeof line,
                          "ours, time per statement at the largest size over the smallest (1.00 is linear; medians): "
                          "cold %.2f, warm %.2f",
                          perStatement[0].back() / perStatement[0].front(), perStatement[1].back() / perStatement[1].front());
            table.Note(line);
        }
        return status;
    }
    std::fprintf(stderr, "usage: engine_bench scale RUNS smoke|full N1 N2 ... | engine_bench file|peer PATH\n");
    return 2;
}
