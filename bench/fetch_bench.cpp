// Fetches a query's whole result into a dataset of the ODBC layer and walks
// it, reading every field as text, as a result page does, and writes the rows
// as psql -A -t -F, does (fields joined by ',', NULL empty, one line a row)
// to standard output.
// Usage: fetch_bench <connection string> <sql> [TIMES]
//   TIMES (1 or more, default 1): the query fetched, walked and written that
//   many times over, one dataset after the other, on the same connection.
// Prints the row count (of one fetch), the fetch and walk times and the peak
// memory on standard error.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "OdbcConnection.h"
#include "OdbcQuery.h"

int main(int argc, char** argv) {
    static char outBuf[1 << 20];
    std::setvbuf(stdout, outBuf, _IOFBF, sizeof outBuf);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: fetch_bench <connection string> <sql> [TIMES]\n");
        return 2;
    }
    const int times = argc == 4 ? std::max(1, std::atoi(argv[3])) : 1;
    using Clock = std::chrono::steady_clock;
    try {
        TOdbcConnection conn;
        conn.SetConnectionString(argv[1]);
        conn.Open();
        size_t rows = 0, bytes = 0, nulls = 0;
        double fetch = 0, walk = 0;
        std::string line;
        for (int time = 0; time < times; ++time) {
            TOdbcQuery q(&conn);
            q.SetParamCheck(false);
            q.SetSQL(argv[2]);
            auto t0 = Clock::now();
            q.Open();
            auto t1 = Clock::now();
            rows = 0;
            for (q.First(); !q.Eof(); q.Next()) {
                ++rows;
                line.clear();
                for (int i = 0; i < q.FieldCount(); ++i) {
                    const TField& f = q.Fields(i);
                    if (i) line.push_back(',');
                    if (f.IsNull()) {
                        ++nulls;
                        continue;
                    }
                    const std::string text = f.AsString();
                    bytes += text.size();
                    line += text;
                }
                line.push_back('\n');
                std::fwrite(line.data(), 1, line.size(), stdout);
            }
            std::fflush(stdout);
            auto t2 = Clock::now();
            fetch += std::chrono::duration<double>(t1 - t0).count();
            walk += std::chrono::duration<double>(t2 - t1).count();
        }
        struct rusage ru {};
        getrusage(RUSAGE_SELF, &ru);
        std::fprintf(stderr, "rows=%zu nulls=%zu text_bytes=%zu fetch=%.3fs walk=%.3fs peak_kb=%ld\n", rows, nulls, bytes,
                     fetch, walk, ru.ru_maxrss);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fetch_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
