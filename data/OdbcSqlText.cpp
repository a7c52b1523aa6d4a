#include "OdbcSqlText.h"

#include <cctype>

#include "CP932.h"
#include "SysUtils.h"

namespace odbc {

// The readers here go by hand, not through the statement splitter's scanner
// (foundation/U_SQL99Scan.h): that one takes a backslash before a quote as an
// escape, nests block comments and raises on an unclosed literal or comment.
// These read a text as it goes to the database and never refuse one (the
// driver reports its own errors): a quote is escaped only by doubling it.

TParsedSQL ParseParamSQL(std::string_view s) {
    TParsedSQL out;
    out.Text.reserve(s.size());
    const size_t n = s.size();
    auto delimiter = [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == ',' || c == ';' || c == ')';
    };
    size_t i = 0;
    while (i < n) {
        char c = s[i];
        if (cp932::IsLeadByte(c) && i + 1 < n) {
            out.Text.append(s.substr(i, 2));
            i += 2;
        } else if (c == '\'' || c == '"') {
            size_t j = i + 1;
            for (; j < n; ++j) {
                if (cp932::IsLeadByte(s[j]) && j + 1 < n) { ++j; continue; }
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) { ++j; continue; }
                    break;
                }
            }
            j = std::min(j + 1, n);
            out.Text.append(s.substr(i, j - i));
            i = j;
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            size_t j = s.find('\n', i);
            j = j == std::string_view::npos ? n : j;
            out.Text.append(s.substr(i, j - i));
            i = j;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t j = s.find("*/", i + 2);
            j = j == std::string_view::npos ? n : j + 2;
            out.Text.append(s.substr(i, j - i));
            i = j;
        } else if (c == ':' && i + 1 < n && s[i + 1] == ':') {
            out.Text.append("::");
            i += 2;
        } else if (c == ':' && i + 1 < n && s[i + 1] == '"') {
            size_t j = s.find('"', i + 2);
            if (j == std::string_view::npos) {
                out.Text.append(s.substr(i));
                break;
            }
            out.Names.emplace_back(s.substr(i + 2, j - i - 2));
            out.Text.push_back('?');
            i = j + 1;
        } else if (c == ':' && i + 1 < n && !delimiter(s[i + 1])) {
            size_t j = i + 1;
            while (j < n && !delimiter(s[j])) j += cp932::IsLeadByte(s[j]) && j + 1 < n ? 2 : 1;
            out.Names.emplace_back(s.substr(i + 1, j - i - 1));
            out.Text.push_back('?');
            i = j;
        } else {
            out.Text.push_back(c);
            ++i;
        }
    }
    return out;
}

namespace {

// A token of a statement: a word (keywords and plain names), a quoted name
// (unquoted), a literal, or one punctuation byte.
struct TSqlToken {
    enum TKind { Word, Quoted, Literal, Punct } Kind;
    std::string Text;
};

bool WordByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || std::isalnum(u) || c == '_' || c == '$';
}

// Besides the rules above, `...` and [...] quote a name (SQLite), and the
// tokens keep their text (a quoted name unquoted), which a range scanner does
// not give.
std::vector<TSqlToken> SqlTokens(std::string_view s) {
    std::vector<TSqlToken> out;
    const size_t n = s.size();
    size_t i = 0;
    while (i < n) {
        const char c = s[i];
        if (static_cast<unsigned char>(c) <= 0x20) {
            ++i;
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            size_t j = s.find('\n', i);
            i = j == std::string_view::npos ? n : j;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t j = s.find("*/", i + 2);
            i = j == std::string_view::npos ? n : j + 2;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const char close = c == '[' ? ']' : c;
            std::string text;
            size_t j = i + 1;
            for (; j < n; ++j) {
                if (cp932::IsLeadByte(s[j]) && j + 1 < n) {
                    text.append(s.substr(j, 2));
                    ++j;
                    continue;
                }
                if (s[j] == close) {
                    if (close != ']' && j + 1 < n && s[j + 1] == close) {
                        text.push_back(close);
                        ++j;
                        continue;
                    }
                    break;
                }
                text.push_back(s[j]);
            }
            out.push_back({c == '\'' ? TSqlToken::Literal : TSqlToken::Quoted, std::move(text)});
            i = std::min(j + 1, n);
        } else if (WordByte(c)) {
            size_t j = i;
            while (j < n && WordByte(s[j])) j += cp932::IsLeadByte(s[j]) && j + 1 < n ? 2 : 1;
            out.push_back({TSqlToken::Word, std::string(s.substr(i, j - i))});
            i = j;
        } else {
            out.push_back({TSqlToken::Punct, std::string(1, c)});
            ++i;
        }
    }
    return out;
}

bool IsWord(const TSqlToken& t, const char* word) { return t.Kind == TSqlToken::Word && sys::SameText(t.Text, word); }
bool IsPunct(const TSqlToken& t, char c) { return t.Kind == TSqlToken::Punct && t.Text.size() == 1 && t.Text[0] == c; }
bool IsName(const TSqlToken& t) { return t.Kind == TSqlToken::Word || t.Kind == TSqlToken::Quoted; }

// The column an item names ("a.b.c [AS] x" names c); empty for any other item.
std::string ItemColumn(const std::vector<TSqlToken>& item) {
    size_t k = 0;
    if (item.empty() || !IsName(item[0])) return std::string();
    // literals written as words are no columns
    static const char* const kValues[] = {"NULL", "TRUE", "FALSE", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP"};
    for (const char* v : kValues)
        if (IsWord(item[0], v)) return std::string();
    if (item[0].Kind == TSqlToken::Word && std::isdigit(static_cast<unsigned char>(item[0].Text[0]))) return std::string();
    std::string column = item[k++].Text;
    while (k + 1 < item.size() && IsPunct(item[k], '.') && IsName(item[k + 1])) {
        column = item[k + 1].Text;
        k += 2;
    }
    if (k < item.size() && IsWord(item[k], "AS")) ++k;
    if (k < item.size() && IsName(item[k])) ++k;
    return k == item.size() ? column : std::string();
}

}  // namespace

namespace {

// The select list's columns; each "*" or "x.*" stands for Star, or, without
// Star, makes the list unknown (nothing at all).
std::vector<std::string> ListColumns(std::string_view sql, const std::vector<std::string>* Star) {
    const std::vector<TSqlToken> tokens = SqlTokens(sql);
    size_t i = 0;
    int depth = 0;
    for (; i < tokens.size(); ++i) {
        if (IsPunct(tokens[i], '(')) ++depth;
        else if (IsPunct(tokens[i], ')')) --depth;
        else if (depth == 0 && IsWord(tokens[i], "SELECT")) break;
    }
    if (i == tokens.size()) return {};
    ++i;
    if (i < tokens.size() && (IsWord(tokens[i], "DISTINCT") || IsWord(tokens[i], "ALL"))) ++i;
    std::vector<std::vector<TSqlToken>> items(1);
    std::vector<bool> stars(1, false);
    for (; i < tokens.size(); ++i) {
        const TSqlToken& t = tokens[i];
        if (IsPunct(t, '(')) ++depth;
        else if (IsPunct(t, ')')) --depth;
        if (depth == 0 && (IsWord(t, "FROM") || IsPunct(t, ';') || IsWord(t, "UNION") || IsWord(t, "INTERSECT") ||
                           IsWord(t, "EXCEPT")))
            break;
        if (depth == 0 && IsPunct(t, ',')) {
            items.emplace_back();
            stars.push_back(false);
            continue;
        }
        // "*" alone or "t.*": the columns it stands for are not known here
        if (depth == 0 && IsPunct(t, '*') && (items.back().empty() || IsPunct(items.back().back(), '.'))) {
            if (!Star) return {};
            stars.back() = true;
        }
        items.back().push_back(t);
    }
    for (; i < tokens.size() && !IsPunct(tokens[i], ';'); ++i) {
        const TSqlToken& t = tokens[i];
        if (IsPunct(t, '(')) ++depth;
        else if (IsPunct(t, ')')) --depth;
        else if (depth == 0 && (IsWord(t, "UNION") || IsWord(t, "INTERSECT") || IsWord(t, "EXCEPT"))) return {};
    }
    std::vector<std::string> out;
    out.reserve(items.size());
    for (size_t k = 0; k < items.size(); ++k) {
        const auto& item = items[k];
        if (!stars[k]) {
            out.push_back(ItemColumn(item));
            continue;
        }
        // only "*" or "name.*" stand for the columns; "x.* + 1" is no list
        const bool plain = item.size() == 1 || (item.size() == 3 && IsName(item[0]) && IsPunct(item[1], '.'));
        if (!plain) return {};
        out.insert(out.end(), Star->begin(), Star->end());
    }
    return out;
}

}  // namespace

std::vector<std::string> SelectListColumns(std::string_view sql) { return ListColumns(sql, nullptr); }

std::vector<std::string> SelectListColumns(std::string_view sql, const std::vector<std::string>& Star) {
    return ListColumns(sql, &Star);
}

TSingleTable SingleTable(std::string_view sql) {
    const std::vector<TSqlToken> tokens = SqlTokens(sql);
    const size_t n = tokens.size();
    auto word = [&](size_t i, const char* w) { return i < n && IsWord(tokens[i], w); };
    auto punct = [&](size_t i, char c) { return i < n && IsPunct(tokens[i], c); };
    // past the bracketed group that opens at i (n when it never closes)
    auto group = [&](size_t i) {
        for (int depth = 0; i < n; ++i) {
            if (IsPunct(tokens[i], '(')) ++depth;
            else if (IsPunct(tokens[i], ')') && --depth == 0) return i + 1;
        }
        return n;
    };
    // the tables a WITH clause makes:
    // WITH [RECURSIVE] name [(columns)] AS [NOT] [MATERIALIZED] (query), ...
    std::vector<std::string> before;
    size_t i = 0;
    if (word(0, "WITH")) {
        i = word(1, "RECURSIVE") ? 2 : 1;
        for (;;) {
            if (i >= n || !IsName(tokens[i])) return {};
            before.push_back(tokens[i++].Text);
            if (punct(i, '(')) i = group(i);
            if (!word(i, "AS")) return {};
            if (word(++i, "NOT")) ++i;
            if (word(i, "MATERIALIZED")) ++i;
            if (!punct(i, '(')) return {};
            i = group(i);
            if (!punct(i, ',')) break;
            ++i;
        }
    }
    if (!word(i, "SELECT")) return {};
    ++i;
    if (word(i, "DISTINCT") || word(i, "ALL")) ++i;
    const size_t listStart = i;
    int depth = 0;
    for (; i < n; ++i) {
        if (IsPunct(tokens[i], '(')) ++depth;
        else if (IsPunct(tokens[i], ')')) --depth;
        else if (depth == 0 && (IsWord(tokens[i], "FROM") || IsPunct(tokens[i], ';'))) break;
    }
    if (!word(i, "FROM")) return {};
    const size_t listEnd = i++;
    TSingleTable out;
    out.StarOnly = (listEnd == listStart + 1 && punct(listStart, '*')) ||
                   (listEnd == listStart + 3 && IsName(tokens[listStart]) && punct(listStart + 1, '.') &&
                    punct(listStart + 2, '*'));
    if (i >= n || !IsName(tokens[i])) return {};
    if (word(i, "ONLY") && i + 1 < n && IsName(tokens[i + 1])) return {};   // "ONLY t" or the table "only"
    std::string name = tokens[i++].Text;
    if (punct(i, '.') && i + 1 < n && IsName(tokens[i + 1])) {
        out.Schema = std::move(name);
        name = tokens[i + 1].Text;
        i += 2;
    }
    auto ends = [&](size_t k) {
        static const char* const kNext[] = {"WHERE", "GROUP", "HAVING", "WINDOW", "ORDER",
                                            "LIMIT", "OFFSET", "FETCH", "FOR"};
        if (k >= n || IsPunct(tokens[k], ';')) return true;
        for (const char* w : kNext)
            if (IsWord(tokens[k], w)) return true;
        return false;
    };
    if (!ends(i)) {
        // an alias, then the end of the FROM clause
        if (word(i, "AS")) ++i;
        if (i >= n || !IsName(tokens[i])) return {};
        ++i;
        if (!ends(i)) return {};
    }
    // Nothing after it may read another table beside it or join another
    // select to this one. A word taken for the end of the FROM clause may be
    // an alias ("FROM t window, u"), so a join is looked for up to the end: a
    // JOIN, or a comma before the clauses that list items (GROUP BY, ORDER
    // BY, LIMIT, words no alias can be).
    bool lists = false;
    for (depth = 0; i < n && !IsPunct(tokens[i], ';'); ++i) {
        const TSqlToken& t = tokens[i];
        if (IsPunct(t, '(')) ++depth;
        else if (IsPunct(t, ')')) --depth;
        else if (depth != 0) continue;
        else if (IsWord(t, "UNION") || IsWord(t, "INTERSECT") || IsWord(t, "EXCEPT") || IsWord(t, "JOIN")) return {};
        else if (IsWord(t, "GROUP") || IsWord(t, "ORDER") || IsWord(t, "LIMIT")) lists = true;
        else if (IsPunct(t, ',') && !lists) return {};
    }
    for (const std::string& b : before)
        if (sys::SameText(b, name)) return {};
    out.Name = std::move(name);
    return out;
}

namespace {
// The tokens of a PostgreSQL text the copy check looks at: words (upper
// case), "(", ")" and ";"; every other token is an empty string.
// PostgreSQL's own rules, which neither the splitter's scanner nor SqlTokens
// reads: dollar quotes, E'' strings, nested block comments, and a plain
// literal with or without backslash escapes (the caller tries both).
std::vector<std::string> PgTokens(std::string_view s, bool backslashInPlain) {
    std::vector<std::string> out;
    const size_t n = s.size();
    auto wordByte = [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return u >= 0x80 || std::isalnum(u) || c == '_' || c == '$';
    };
    // the end of a literal or quoted name opened at i (the quote's place)
    auto quoted = [&](size_t i, char q, bool backslash) {
        size_t j = i + 1;
        while (j < n) {
            if (cp932::IsLeadByte(s[j]) && j + 1 < n) j += 2;
            else if (backslash && s[j] == '\\') j += 2;
            else if (s[j] == q && j + 1 < n && s[j + 1] == q) j += 2;
            else if (s[j] == q) return j + 1;
            else ++j;
        }
        return n;
    };
    size_t i = 0;
    while (i < n) {
        const char c = s[i];
        const char next = i + 1 < n ? s[i + 1] : '\0';
        if (static_cast<unsigned char>(c) <= 0x20) {
            ++i;
        } else if (c == '-' && next == '-') {
            const size_t j = s.find('\n', i);
            i = j == std::string_view::npos ? n : j;
        } else if (c == '/' && next == '*') {
            int depth = 1;
            i += 2;
            while (i < n && depth > 0) {
                if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') depth++, i += 2;
                else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') depth--, i += 2;
                else ++i;
            }
        } else if (c == '\'') {
            i = quoted(i, '\'', backslashInPlain);
            out.emplace_back();
        } else if (c == '"') {
            i = quoted(i, '"', false);
            out.emplace_back();
        } else if ((c == 'E' || c == 'e') && next == '\'') {
            i = quoted(i + 1, '\'', true);
            out.emplace_back();
        } else if (c == '$') {
            // $tag$ ... $tag$ (the tag may be empty); "$1" is a parameter
            size_t j = i + 1;
            while (j < n && wordByte(s[j]) && s[j] != '$') j += cp932::IsLeadByte(s[j]) && j + 1 < n ? 2 : 1;
            const bool tag = j < n && s[j] == '$' && !(j > i + 1 && std::isdigit(static_cast<unsigned char>(s[i + 1])));
            if (tag) {
                const std::string_view delim = s.substr(i, j + 1 - i);
                const size_t end = s.find(delim, j + 1);
                i = end == std::string_view::npos ? n : end + delim.size();
            } else {
                i = j;
            }
            out.emplace_back();
        } else if (wordByte(c)) {
            size_t j = i;
            while (j < n && wordByte(s[j])) j += cp932::IsLeadByte(s[j]) && j + 1 < n ? 2 : 1;
            std::string w(s.substr(i, j - i));
            for (char& ch : w) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            out.push_back(std::move(w));
            i = j;
        } else {
            out.push_back(c == '(' || c == ')' || c == ';' ? std::string(1, c) : std::string());
            ++i;
        }
    }
    return out;
}

bool PgClientCopyIn(const std::vector<std::string>& tokens) {
    size_t first = 0;  // the place of the statement's first token
    int depth = 0;
    bool copy = false, direction = false;
    for (size_t k = 0; k < tokens.size(); ++k) {
        const std::string& t = tokens[k];
        if (t == ";") {
            first = k + 1;
            depth = 0;
            copy = direction = false;
            continue;
        }
        if (k == first) {
            if (t == "START_REPLICATION" || t == "BASE_BACKUP" || t == "UPLOAD_MANIFEST") return true;
            copy = t == "COPY";
            continue;
        }
        if (t == "(") ++depth;
        else if (t == ")") depth = std::max(depth - 1, 0);
        if (!copy || depth > 0 || direction) continue;
        if (t != "TO" && t != "FROM") continue;
        // the first TO or FROM outside parentheses names where the rows go or come from
        direction = true;
        size_t w = k + 1;
        if (w < tokens.size() && tokens[w] == "PROGRAM") ++w;
        if (w < tokens.size() && (tokens[w] == "STDIN" || tokens[w] == "STDOUT")) return true;
    }
    return false;
}
}  // namespace

bool PgClientCopy(std::string_view sql) {
    return PgClientCopyIn(PgTokens(sql, false)) || PgClientCopyIn(PgTokens(sql, true));
}

}  // namespace odbc
