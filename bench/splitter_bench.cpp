// Comment removal plus statement splitting of a generated CP932 script,
// against the statement splitting of the sqlite3 shell (lines accumulated and
// tested with sqlite3_complete) on the same bytes. Each run is a child process
// of its own, so that its peak memory is its own; the two sides take turns.
// Both sides hold the script once: ours is handed the script itself (the
// child's own copy of the parent's bytes, moved, as the script manager hands
// the splitter the text it builds for it and keeps no other), the peer reads
// it line by line. Peak memory is that of the child, the script included.
// Full size runs three scripts: 6.25, 25 and 100 MB.
//   splitter_bench smoke|full
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

struct Result {
    double Seconds = 1e30;
    long PeakKB = 0;
    long StartKB = 0;
    long Statements = 0;
    uint64_t Check = 0;
    char Error[160] = {};
};

long MaxRssKB() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool NotBlank(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x21) return true;
    return false;
}

// Ours: the script handed over as the text of its lines, comments removed,
// split at ';', every statement taken out.
void RunZintavor(std::string& script, Result& r) {
    const double t0 = Now();
    std::string input = std::move(script);
    const auto splitter = TSQL99Splitter::CreateWithoutComments(std::move(input), ';', TSQL99Splitter::smDelimiter);
    std::string stmt;
    long count = 0;
    uint64_t check = 0;
    for (int i = 0; i < splitter->Count(); ++i) {
        splitter->GetStatement(i, stmt);
        if (!NotBlank(stmt)) continue;
        ++count;
        check += stmt.size();
    }
    const double t = Now() - t0;
    if (t < r.Seconds) r.Seconds = t;
    r.Statements = count;
    r.Check = check;
}

void RunSqlite(const std::string& script, Result& r) {
    const double t0 = Now();
    std::string stmt;
    long count = 0;
    uint64_t check = 0;
    shellloop::Split(script, [&](const std::string& sql) {
        stmt = sql;  // the statement run
        ++count;
        check += stmt.size();
    });
    const double t = Now() - t0;
    if (t < r.Seconds) r.Seconds = t;
    r.Statements = count;
    r.Check = check;
}

// One run in a child process of its own.
// ownPages: the side changes the text in place, as a text just built for it
// can be: the child's pages are made its own (written once) before the clock.
template <class F>
Result InChild(std::string& script, F run, bool ownPages) {
    int fd[2];
    if (pipe(fd) != 0) std::exit(2);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        Result r;
        // A forked child maps the parent's pages on first touch: touch them all
        // before the clock starts, for either side.
        volatile unsigned char sink = 0;
        for (size_t i = 0; i < script.size(); i += 4096) sink = sink + static_cast<unsigned char>(script[i]);
        if (ownPages) {
            volatile char* bytes = script.data();
            for (size_t i = 0; i < script.size(); i += 4096) bytes[i] = bytes[i];
        }
        r.StartKB = MaxRssKB();
        try {
            run(script, r);
        } catch (const std::exception& e) {
            std::snprintf(r.Error, sizeof r.Error, "%s", e.what());
        }
        r.PeakKB = MaxRssKB();
        const ssize_t w = write(fd[1], &r, sizeof r);
        _exit(w == static_cast<ssize_t>(sizeof r) ? 0 : 1);
    }
    close(fd[1]);
    Result r;
    const ssize_t got = read(fd[0], &r, sizeof r);
    close(fd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (got != static_cast<ssize_t>(sizeof r)) std::snprintf(r.Error, sizeof r.Error, "the child process failed");
    return r;
}

// The best time and the highest peak of the runs so far.
void Keep(Result& best, const Result& r) {
    if (r.Error[0]) std::snprintf(best.Error, sizeof best.Error, "%s", r.Error);
    if (r.Seconds < best.Seconds) best.Seconds = r.Seconds;
    if (r.PeakKB > best.PeakKB) {
        best.PeakKB = r.PeakKB;
        best.StartKB = r.StartKB;
    }
    best.Statements = r.Statements;
    best.Check = r.Check;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "smoke";
    if (mode != "smoke" && mode != "full") {
        std::fprintf(stderr, "usage: splitter_bench smoke|full\n");
        return 2;
    }
    const std::vector<size_t> targets = mode == "full" ? std::vector<size_t>{6250000, 25000000, 100000000}
                                                       : std::vector<size_t>{1000000};
    const int reps = mode == "full" ? 5 : 3;
    int status = 0;
    for (const size_t target : targets) {
        std::string script = MakeScript(target);
        const double mb = static_cast<double>(script.size()) / 1e6;

        // The two sides take turns, so that a busy moment of the machine falls on both.
        Result ours, peer;
        for (int i = 0; i < reps; ++i) {
            Keep(ours, InChild(script, RunZintavor, true));
            Keep(peer, InChild(script, RunSqlite, false));
        }
        if (ours.Error[0] || peer.Error[0]) {
            std::printf("error: %s %s\n", ours.Error, peer.Error);
            return 1;
        }
        auto line = [&](const char* name, const Result& r) {
            const double peakMB = static_cast<double>(r.PeakKB) * 1024 / 1e6;
            std::printf("  %-9s %8.1f MB/s   %9ld statements   peak %7.1f MB = %.2f x script (%.2f x above the script held)\n",
                        name, mb / r.Seconds, r.Statements, peakMB, peakMB / mb,
                        static_cast<double>(r.PeakKB - r.StartKB) * 1024 / 1e6 / mb);
        };
        std::printf("splitter (%s): comment removal + splitting of a %.2f MB CP932 script, best of %d\n", mode.c_str(), mb,
                    reps);
        line("zintavor", ours);
        line("sqlite3", peer);
        std::printf("  ratio zintavor/sqlite3 at %.2f MB: speed %.2f, peak memory %.2f\n", mb, peer.Seconds / ours.Seconds,
                    static_cast<double>(ours.PeakKB) / static_cast<double>(peer.PeakKB));
        if (ours.Statements != peer.Statements) {
            std::printf("  statements differ: %ld and %ld\n", ours.Statements, peer.Statements);
            status = 1;
        }
    }
    return status;
}
