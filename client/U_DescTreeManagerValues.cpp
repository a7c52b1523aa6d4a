#include "U_DescTreeManagerValues.h"

#include <algorithm>
#include <tuple>

#include "CP932.h"
#include "U_SQL99.h"

namespace desctree {

namespace {

// A literal, comment or quoted name of a text: [Start, End) with the byte that opened it.
struct TRegion {
    char Kind;
    size_t Start;
    size_t End;
    bool operator==(const TRegion& o) const { return std::tie(Kind, Start, End) == std::tie(o.Kind, o.Start, o.End); }
};

// How one reader sees a text: its regions, or the position where it gave up.
struct TReading {
    std::vector<TRegion> Regions;
    bool Failed = false;
    size_t FailedAt = 0;
};

bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// The length of the character at i, as the database receives it.
size_t CharAt(std::string_view s, size_t i) {
    return cp932::IsLeadByte(s[i]) && i + 1 < s.size() && IsTrail(static_cast<unsigned char>(s[i + 1])) ? 2 : 1;
}

bool IsIdentByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
}

// The rules of one database lexer.
struct TRules {
    bool NestedComments;  // PostgreSQL: nested /* */, "--" ends at CR or LF; SQLite: flat, ends at LF
    bool Backslash;       // a backslash escapes the next character inside quotes
    bool Names;           // `...` and [...] are quoted names
};

// Adjacent literals of one kind are one: '' inside a literal is a quote to a
// database and the end of one literal and the start of the next to the splitter.
void MergeAdjacent(std::vector<TRegion>& regions) {
    std::vector<TRegion> out;
    for (const TRegion& r : regions) {
        const bool quote = r.Kind == '\'' || r.Kind == '"' || r.Kind == '`';
        if (quote && !out.empty() && out.back().Kind == r.Kind && out.back().End == r.Start) out.back().End = r.End;
        else out.push_back(r);
    }
    regions.swap(out);
}

// The databases' lexers are read here by hand: the statement splitter's scanner
// (used by ReadAsSplitter) knows none of dollar quotes, `...` and [...] names,
// flat comments or the choice of backslash escapes. The ODBC layer's copy
// check reads PostgreSQL too, but into words rather than regions, and only
// to find a COPY: it is not shared with these exact readings.
TReading ReadAsDatabase(std::string_view s, const TRules& rules) {
    TReading reading;
    std::vector<TRegion>& out = reading.Regions;
    const size_t n = s.size();
    size_t i = 0;
    bool afterIdent = false;  // the character before i belongs to a name or a number
    while (i < n) {
        const char c = s[i];
        const size_t start = i;
        if (c == '\'' || c == '"' || (rules.Names && c == '`')) {
            ++i;
            while (i < n) {
                if (rules.Backslash && c != '`' && s[i] == '\\') {
                    ++i;
                    if (i < n) i += CharAt(s, i);
                    continue;
                }
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                i += CharAt(s, i);
            }
            out.push_back({c, start, i});
            afterIdent = false;
            continue;
        }
        if (rules.Names && c == '[') {
            ++i;
            while (i < n && s[i] != ']') i += CharAt(s, i);
            if (i < n) ++i;
            out.push_back({c, start, i});
            afterIdent = false;
            continue;
        }
        if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            i += 2;
            while (i < n && s[i] != '\n' && !(rules.NestedComments && s[i] == '\r')) i += CharAt(s, i);
            out.push_back({'-', start, i});
            afterIdent = false;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            i += 2;
            int depth = 1;
            while (i < n) {
                if (rules.NestedComments && s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
                    ++depth;
                    i += 2;
                } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
                    i += 2;
                    if (--depth == 0) break;
                } else {
                    i += CharAt(s, i);
                }
            }
            out.push_back({'*', start, i});
            afterIdent = false;
            continue;
        }
        if (c == '$' && !afterIdent) {
            // $$ or $tag$ opens a dollar-quoted string, closed by the same tag.
            size_t j = i + 1;
            if (j < n && s[j] != '$' && IsIdentByte(static_cast<unsigned char>(s[j])) && !(s[j] >= '0' && s[j] <= '9'))
                while (j < n && IsIdentByte(static_cast<unsigned char>(s[j]))) ++j;
            if (j < n && s[j] == '$') {
                const std::string_view tag = s.substr(i, j - i + 1);
                const size_t close = s.find(tag, j + 1);
                i = close == std::string_view::npos ? n : close + tag.size();
                out.push_back({'$', start, i});
                afterIdent = false;
                continue;
            }
        }
        const size_t len = CharAt(s, i);
        afterIdent = len == 2 || IsIdentByte(static_cast<unsigned char>(c)) || c == '$';
        i += len;
    }
    MergeAdjacent(out);
    return reading;
}

// The program's own reading (the statement splitter's): literals found first,
// a backslash before a closing quote escapes it, comments inside literals do nothing.
TReading ReadAsSplitter(std::string_view s) {
    TReading reading;
    TIndexStartEndList literals, lines, blocks;
    try {
        TSQL99Scanner::GetRanges(s, literals, lines, blocks);
    } catch (const ESQL99Exception& e) {
        reading.Failed = true;
        reading.FailedAt = static_cast<size_t>(std::max<int32_t>(1, e.ErrorPosition) - 1);
        return reading;
    }
    auto add = [&](const TIndexStartEndList& list, char kind) {
        for (int k = 0; k < list.Count(); ++k) {
            const size_t start = static_cast<size_t>(list.StartIndexAt(k) - 1);
            const size_t end = static_cast<size_t>(list.EndIndexAt(k));
            reading.Regions.push_back({kind ? kind : s[start], start, end});
        }
    };
    add(literals, 0);
    add(lines, '-');
    add(blocks, '*');
    std::stable_sort(reading.Regions.begin(), reading.Regions.end(),
                     [](const TRegion& a, const TRegion& b) { return a.Start < b.Start; });
    MergeAdjacent(reading.Regions);
    return reading;
}

// Every reader: the splitter and the eight combinations of the database rules.
std::vector<TReading> ReadAll(std::string_view s) {
    std::vector<TReading> all;
    all.push_back(ReadAsSplitter(s));
    for (int k = 0; k < 8; ++k) all.push_back(ReadAsDatabase(s, TRules{(k & 1) != 0, (k & 2) != 0, (k & 4) != 0}));
    return all;
}

// The quote ('\'' or '"') that every reader sees around position p; 0 when they differ or see none.
char QuoteAround(const std::vector<TReading>& readings, size_t p) {
    char quote = 0;
    for (const TReading& r : readings) {
        char here = 0;
        for (const TRegion& g : r.Regions) {
            if (g.Start > p) break;
            if (p < g.End && (g.Kind == '\'' || g.Kind == '"')) here = g.Kind;
        }
        if (r.Failed || here == 0 || (quote != 0 && here != quote)) return 0;
        quote = here;
    }
    return quote;
}

// A value as it stands in the filled text, and its hole in the text with holes.
struct TSpan {
    size_t Start, End;          // in the filled text
    size_t HoleStart, HoleEnd;  // in the text with holes
};

// The position in the text with holes of the byte at b of the filled text; false when b is inside a value.
bool MapByte(size_t b, const std::vector<TSpan>& spans, size_t& mapped) {
    long long delta = 0;
    for (const TSpan& sp : spans) {
        if (b >= sp.Start && b < sp.End) return false;
        if (sp.End <= b)
            delta += static_cast<long long>(sp.HoleEnd - sp.HoleStart) - static_cast<long long>(sp.End - sp.Start);
    }
    mapped = static_cast<size_t>(static_cast<long long>(b) + delta);
    return true;
}

// True when the filled text reads as the text with holes did: the same
// regions, none beginning or ending inside a value.
bool ReadsTheSame(const TReading& holes, const TReading& filled, const std::vector<TSpan>& spans) {
    if (holes.Failed != filled.Failed) return false;
    if (filled.Failed) {
        size_t at = 0;
        return MapByte(filled.FailedAt, spans, at) && at == holes.FailedAt;
    }
    if (holes.Regions.size() != filled.Regions.size()) return false;
    for (size_t k = 0; k < filled.Regions.size(); ++k) {
        const TRegion& g = filled.Regions[k];
        size_t start = 0, last = 0;
        if (!MapByte(g.Start, spans, start) || !MapByte(g.End - 1, spans, last)) return false;
        if (!(holes.Regions[k] == TRegion{g.Kind, start, last + 1})) return false;
    }
    return true;
}

struct THole {
    size_t Start, End;  // in the text with holes
    size_t Index;       // the value
    char Quote;         // what every reader sees around it
};

std::vector<THole> FindHoles(std::string_view text, char mark) {
    std::vector<THole> holes;
    for (size_t at = text.find(mark); at != std::string_view::npos; at = text.find(mark, at + 1)) {
        size_t end = at + 1;
        size_t index = 0;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') index = index * 10 + size_t(text[end++] - '0');
        if (end == at + 1 || end >= text.size() || text[end] != mark) continue;
        holes.push_back({at, end + 1, index, 0});
        at = end;
    }
    return holes;
}

std::string Doubled(std::string_view value, char quote) {
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        out.push_back(c);
        if (c == quote) out.push_back(c);
    }
    return out;
}

}  // namespace

char HoleMark(const std::vector<std::string_view>& Texts) {
    for (int c = 1; c < 0x20; ++c) {
        if (c == '\t' || c == '\n' || c == '\r') continue;
        bool used = false;
        for (std::string_view t : Texts) used = used || t.find(static_cast<char>(c)) != std::string_view::npos;
        if (!used) return static_cast<char>(c);
    }
    return 0;
}

std::string Hole(char Mark, size_t Index) { return Mark + std::to_string(Index) + Mark; }

bool IsPlainName(std::string_view v) {
    for (size_t i = 0; i < v.size();) {
        const auto c = static_cast<unsigned char>(v[i]);
        if (cp932::IsLeadByte(c)) {
            if (i + 1 >= v.size() || !IsTrail(static_cast<unsigned char>(v[i + 1]))) return false;
            i += 2;
            continue;
        }
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                        c == '$' || (c >= 0xA1 && c <= 0xDF);
        if (!ok) return false;
        ++i;
    }
    return true;
}

bool IsNumber(std::string_view v) {
    size_t i = 0;
    auto digits = [&] {
        const size_t from = i;
        while (i < v.size() && v[i] >= '0' && v[i] <= '9') ++i;
        return i - from;
    };
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
    size_t mantissa = digits();
    if (i < v.size() && v[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == v.size();
}

TPasteResult FillHoles(std::string_view Text, char Mark, const std::vector<std::string>& Values, size_t Limit,
                       std::string& Out) {
    Out.clear();
    std::vector<THole> holes = FindHoles(Text, Mark);
    if (holes.empty()) {
        Out.assign(Text);
        return {};
    }
    const std::vector<TReading> before = ReadAll(Text);
    // What each value becomes where its hole stands.
    std::vector<std::string> pasted(holes.size());
    size_t size = Text.size();
    for (size_t k = 0; k < holes.size(); ++k) {
        THole& h = holes[k];
        const std::string& value = h.Index < Values.size() ? Values[h.Index] : std::string();
        h.Quote = QuoteAround(before, h.Start);
        if (h.Quote) {
            if (value.find("{!") != std::string::npos) return {TPasteRefusal::UserVariable, h.Index};
            pasted[k] = Doubled(value, h.Quote);
        } else {
            if (!IsPlainName(value) && !IsNumber(value)) return {TPasteRefusal::NotPlain, h.Index};
            pasted[k] = value;
        }
        size = size - (h.End - h.Start) + pasted[k].size();
        if (size > Limit) return {TPasteRefusal::TooLarge, h.Index};
    }
    // The text with the first count values in, the spans they take.
    auto fill = [&](size_t count, std::string& out, std::vector<TSpan>& spans) {
        out.clear();
        spans.clear();
        size_t at = 0;
        for (size_t k = 0; k < count; ++k) {
            out.append(Text, at, holes[k].Start - at);
            spans.push_back({out.size(), out.size() + pasted[k].size(), holes[k].Start, holes[k].End});
            out += pasted[k];
            at = holes[k].End;
        }
        out.append(Text, at, std::string_view::npos);
    };
    auto same = [&](const std::string& filled, const std::vector<TSpan>& spans) {
        const std::vector<TReading> after = ReadAll(filled);
        for (size_t r = 0; r < after.size(); ++r)
            if (!ReadsTheSame(before[r], after[r], spans)) return false;
        return true;
    };
    std::vector<TSpan> spans;
    fill(holes.size(), Out, spans);
    if (same(Out, spans)) return {};
    // Which value it was: the first whose filling alone changes the reading.
    std::string partial;
    for (size_t k = 1; k <= holes.size(); ++k) {
        fill(k, partial, spans);
        if (!same(partial, spans)) {
            Out.clear();
            return {TPasteRefusal::ChangesText, holes[k - 1].Index};
        }
    }
    Out.clear();
    return {TPasteRefusal::ChangesText, holes.back().Index};
}

}  // namespace desctree
