#include "SysUtils.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "CP932.h"
#include "Exception.h"

namespace sys {

namespace {
inline bool Low(char c) { return static_cast<unsigned char>(c) < 0x21; }

template <class F>
std::string MapAscii(std::string_view s, F f) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); ++i) {
        if (cp932::IsLeadByte(out[i])) { ++i; continue; }
        out[i] = f(out[i]);
    }
    return out;
}
inline char Up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char Dn(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
}  // namespace

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && Low(s[b])) ++b;
    while (e > b && Low(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}
std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && Low(s[b])) ++b;
    return std::string(s.substr(b));
}
std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && Low(s[e - 1])) --e;
    return std::string(s.substr(0, e));
}

std::string UpperCase(std::string_view s) { return MapAscii(s, Up); }
std::string LowerCase(std::string_view s) { return MapAscii(s, Dn); }

int CompareText(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    bool trailA = false;
    for (size_t i = 0; i < n; ++i) {
        // a trail byte is compared as it is; only single-byte letters fold
        unsigned char ca = static_cast<unsigned char>(trailA ? a[i] : Up(a[i]));
        unsigned char cb = static_cast<unsigned char>(trailA ? b[i] : Up(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
        trailA = !trailA && cp932::IsLeadByte(a[i]);
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool StartsText(std::string_view prefix, std::string_view s) {
    return s.size() >= prefix.size() && CompareText(prefix, s.substr(0, prefix.size())) == 0;
}

std::string IntToStr(int64_t v) { return std::to_string(v); }

bool TryStrToInt(std::string_view s, int32_t& out) {
    while (!s.empty() && s[0] == ' ') s.remove_prefix(1);  // the toolkit skips leading blanks
    if (s.empty() || Low(s.back())) return false;
    std::string t(s);
    const char* p = t.c_str();
    int base = 10;
    bool neg = false;
    if (*p == '-' || *p == '+') { neg = *p == '-'; ++p; }
    if (*p == '$') { base = 16; ++p; }
    else if ((p[0] == '0') && (p[1] == 'x' || p[1] == 'X')) { base = 16; p += 2; }
    if (!*p || *p == '-' || *p == '+') return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(p, &end, base);
    if (errno || *end) return false;
    if (neg) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

int32_t StrToInt(std::string_view s) {
    int32_t v;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + std::string(s) + "' は整数ではありません");
    return v;
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
    int32_t v;
    return TryStrToInt(s, v) ? v : def;
}

bool TryStrToFloat(std::string_view s, double& out) {
    std::string t = TrimLeft(s);
    if (t.empty()) return false;
    // only plain decimal notation: sign, digits, '.', exponent
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end) return false;
    out = v;
    return true;
}

std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    for (;;) {
        size_t f = s.find(from, pos);
        if (f == std::string_view::npos) break;
        out.append(s.substr(pos, f - pos));
        out.append(to);
        pos = f + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::string AnsiQuotedStr(std::string_view s, char quote) {
    std::string out;
    out.reserve(s.size() + 2);
    out.push_back(quote);
    for (size_t i = 0; i < s.size(); ++i) {
        if (cp932::IsLeadByte(s[i]) && i + 1 < s.size()) {
            out.push_back(s[i]);
            out.push_back(s[++i]);
            continue;
        }
        if (s[i] == quote) out.push_back(quote);
        out.push_back(s[i]);
    }
    out.push_back(quote);
    return out;
}

std::string AnsiExtractQuotedStr(std::string_view s, size_t& pos, char quote) {
    std::string out;
    if (pos >= s.size() || s[pos] != quote) return out;
    ++pos;
    while (pos < s.size()) {
        char c = s[pos];
        if (cp932::IsLeadByte(c) && pos + 1 < s.size()) {
            out.push_back(c);
            out.push_back(s[pos + 1]);
            pos += 2;
            continue;
        }
        if (c == quote) {
            if (pos + 1 < s.size() && s[pos + 1] == quote) {
                out.push_back(quote);
                pos += 2;
                continue;
            }
            ++pos;
            return out;
        }
        out.push_back(c);
        ++pos;
    }
    return out;
}

}  // namespace sys
