// Comment removal plus statement splitting of a generated CP932 script,
// against the statement splitting of the sqlite3 shell (lines accumulated and
// tested with sqlite3_complete) on the same bytes. Each run is a child process
// of its own, so that its peak memory is its own; the two sides take turns.
// Our side is handed its own copy of the bytes before the clock starts, as the
// script manager hands the splitter its own copy of the lines' text.
//   splitter_bench smoke|full
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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
void RunZintavor(const std::string& script, Result& r) {
    std::string input = script;
    const double t0 = Now();
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

// The sqlite3 shell's input loop: lines accumulated, a line holding ';' makes
// it test the text with sqlite3_complete, and a complete text is one run.
bool AllWhitespace(const char* z) {
    for (; *z; z++) {
        if (*z == ' ' || *z == '\t' || *z == '\r' || *z == '\n' || *z == '\f' || *z == '\v') continue;
        if (*z == '/' && z[1] == '*') {
            z += 2;
            while (*z && (*z != '*' || z[1] != '/')) z++;
            if (*z == 0) return false;
            z++;
            continue;
        }
        if (*z == '-' && z[1] == '-') {
            z += 2;
            while (*z && *z != '\n') z++;
            if (*z == 0) return true;
            continue;
        }
        return false;
    }
    return true;
}

void RunSqlite(const std::string& script, Result& r) {
    const double t0 = Now();
    std::string sql;   // the shell's zSql
    std::string line;  // the shell's zLine
    std::string stmt;
    long count = 0;
    uint64_t check = 0;
    const char* p = script.data();
    const char* end = p + script.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* e = lf ? lf : end;
        const char* le = (e > p && e[-1] == '\r') ? e - 1 : e;
        line.assign(p, static_cast<size_t>(le - p));
        p = lf ? lf + 1 : end;
        if (sql.empty() && AllWhitespace(line.c_str())) continue;
        const size_t prior = sql.size();
        if (sql.empty()) {
            size_t i = 0;
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
            sql.append(line, i, std::string::npos);
        } else {
            sql.push_back('\n');
            sql += line;
        }
        if (!sql.empty() && std::memchr(sql.data() + prior, ';', sql.size() - prior) && sqlite3_complete(sql.c_str())) {
            stmt = sql;  // the statement run
            ++count;
            check += stmt.size();
            sql.clear();
        } else if (!sql.empty() && AllWhitespace(sql.c_str())) {
            sql.clear();
        }
    }
    const double t = Now() - t0;
    if (t < r.Seconds) r.Seconds = t;
    r.Statements = count;
    r.Check = check;
}

// One run in a child process of its own.
template <class F>
Result InChild(const std::string& script, F run) {
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
    const size_t target = mode == "full" ? size_t{100} * 1000 * 1000 : size_t{1000} * 1000;
    const int reps = mode == "full" ? 5 : 3;
    const std::string script = MakeScript(target);
    const double mb = static_cast<double>(script.size()) / 1e6;

    // The two sides take turns, so that a busy moment of the machine falls on both.
    Result ours, peer;
    for (int i = 0; i < reps; ++i) {
        Keep(ours, InChild(script, RunZintavor));
        Keep(peer, InChild(script, RunSqlite));
    }
    if (ours.Error[0] || peer.Error[0]) {
        std::printf("error: %s %s\n", ours.Error, peer.Error);
        return 1;
    }
    auto line = [&](const char* name, const Result& r) {
        const double peakMB = static_cast<double>(r.PeakKB) * 1024 / 1e6;
        std::printf("  %-9s %8.1f MB/s   %9ld statements   peak %7.1f MB = %.2f x script (%.2f x above the script held)\n", name,
                    mb / r.Seconds, r.Statements, peakMB, peakMB / mb,
                    static_cast<double>(r.PeakKB - r.StartKB) * 1024 / 1e6 / mb);
    };
    std::printf("splitter (%s): comment removal + splitting of a %.1f MB CP932 script, best of %d\n", mode.c_str(), mb, reps);
    line("zintavor", ours);
    line("sqlite3", peer);
    std::printf("  ratio zintavor/sqlite3: speed %.2f, peak memory %.2f\n", peer.Seconds / ours.Seconds,
                static_cast<double>(ours.PeakKB) / static_cast<double>(peer.PeakKB));
    if (ours.Statements != peer.Statements) {
        std::printf("  statement counts differ: %ld and %ld\n", ours.Statements, peer.Statements);
        return 1;
    }
    return 0;
}
