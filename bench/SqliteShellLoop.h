// The sqlite3 shell's input loop, as the peer of the splitter and of the
// script engine: lines accumulated, a line holding ';' makes it test the text
// with sqlite3_complete, and a complete text is one statement handed to run.
#pragma once
#include <sqlite3.h>

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

// Cuts script into the statements the shell would run; run(statement) for each.
template <class Run>
void Split(const std::string& script, Run&& run) {
    std::string sql;   // the shell's zSql
    std::string line;  // the shell's zLine
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
            run(sql);
            sql.clear();
        } else if (!sql.empty() && AllWhitespace(sql.c_str())) {
            sql.clear();
        }
    }
}

}  // namespace shellloop
