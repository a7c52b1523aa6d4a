// Script engine throughput: builds the items of a script (comment removal,
// splitting, kinds) and runs every item against a host that does nothing.
//
//   engine_bench scale N1 N2 ...   a mixed script of each size; statements per
//                                  second, and the per-statement cost of the
//                                  largest size over that of the smallest
//   engine_bench file PATH         the script in PATH (as an import reads it);
//                                  prints "seconds=S statements=N"
//   engine_bench peer PATH         the same work done by the sqlite3 shell's
//                                  input loop: the file read, cut into
//                                  statements with sqlite3_complete, each
//                                  handed to an executor that does nothing
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchHost.h"
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

// Seconds to build the manager and run all its items; Count receives the number of items.
double RunScript(const TStringList& script, int& count) {
    TNullHost host;
    auto start = std::chrono::steady_clock::now();
    TScriptManager manager(&host, script, ';', TSQL99Splitter::smDelimiter);
    count = manager.Count();
    for (int i = 0; i < count; ++i) manager.Execute(i);
    std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
    if (host.Bytes == 0) std::fprintf(stderr, "no SQL reached the host\n");
    return d.count();
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
        double s = RunScript(script, count);
        std::printf("seconds=%.6f statements=%d\n", s, count);
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "peer") {
        const auto start = std::chrono::steady_clock::now();
        std::string bytes;
        if (!fs932::ReadFile(argv[2], bytes)) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 1;
        }
        TNullHost host;
        int count = 0;
        shellloop::Split(bytes, [&](const std::string& sql) {
            std::unique_ptr<TDataSet> none;
            std::string msg;
            host.OnExecuteSQL(&host, sql, TSQLKind::Query, none, msg);
            ++count;
        });
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        std::printf("seconds=%.6f statements=%d\n", d.count(), count);
        return host.Bytes ? 0 : 1;
    }
    if (argc >= 3 && std::string(argv[1]) == "scale") {
        // The first run of a size meets fresh memory; later ones reuse what it freed.
        std::vector<double> cold, warm;
        for (int a = 2; a < argc; ++a) {
            int n = std::atoi(argv[a]);
            TStringList script = MixedScript(n);
            int count = 0;
            double first = RunScript(script, count);
            double best = first;
            for (int run = 1; run < 3; ++run) best = std::min(best, RunScript(script, count));
            cold.push_back(first / count);
            warm.push_back(best / count);
            std::printf("%8d statements: first run %.3f s (%.0f statements/s), best of three %.3f s (%.0f statements/s)\n",
                        count, first, count / first, best, count / best);
        }
        std::printf("per-statement cost, largest over smallest script: first run %.2f, best of three %.2f\n",
                    cold.back() / cold.front(), warm.back() / warm.front());
        return 0;
    }
    std::fprintf(stderr, "usage: engine_bench scale N1 N2 ... | engine_bench file|peer PATH\n");
    return 2;
}
