// The sqlite3 shell's input loop, as the peer of the splitter and of the
// script engine: lines accumulated, a line holding ';' makes it test the text
// with sqlite3_complete, and a complete text is one statement handed to run.
// The shell reads its input line by line (SplitFile does the same); Split
// cuts a text already in memory the same way.
#pragma once
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace shellloop {

inline bool AllWhitespace(const char* z) {
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

// The loop's state: one line after another (without its line break).
template <class Run>
class TInput {
public:
    explicit TInput(Run& run) : FRun(run) {}
    void Line(const char* p, size_t n) {
        if (n > 0 && p[n - 1] == '\r') --n;  // the shell drops the CR of a CR LF too
        FLine.assign(p, n);
        if (FSql.empty() && AllWhitespace(FLine.c_str())) return;
        const size_t prior = FSql.size();
        if (FSql.empty()) {
            size_t i = 0;
            while (i < FLine.size() && (FLine[i] == ' ' || FLine[i] == '\t')) ++i;
            FSql.append(FLine, i, std::string::npos);
        } else {
            FSql.push_back('\n');
            FSql += FLine;
        }
        if (!FSql.empty() && std::memchr(FSql.data() + prior, ';', FSql.size() - prior) && sqlite3_complete(FSql.c_str())) {
            FRun(FSql);
            FSql.clear();
        } else if (!FSql.empty() && AllWhitespace(FSql.c_str())) {
            FSql.clear();
        }
    }

private:
    Run& FRun;
    std::string FSql;   // the shell's zSql
    std::string FLine;  // the shell's zLine
};

// Cuts script into the statements the shell would run; run(statement) for each.
template <class Run>
void Split(const std::string& script, Run&& run) {
    TInput<Run> input(run);
    const char* p = script.data();
    const char* end = p + script.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* e = lf ? lf : end;
        input.Line(p, static_cast<size_t>(e - p));
        p = lf ? lf + 1 : end;
    }
}

// The same, reading the file line by line as the shell reads its input.
// Returns false when the file cannot be opened.
template <class Run>
bool SplitFile(const char* path, Run&& run) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    TInput<Run> input(run);
    char* line = nullptr;
    size_t cap = 0;
    ssize_t n;
    while ((n = getline(&line, &cap, f)) > 0) {
        size_t len = static_cast<size_t>(n);
        if (line[len - 1] == '\n') --len;
        input.Line(line, len);
    }
    std::free(line);
    std::fclose(f);
    return true;
}

}  // namespace shellloop
