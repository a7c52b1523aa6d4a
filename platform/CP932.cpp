#include "CP932.h"

#include "CP932Tables.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace cp932 {
namespace {

const Tables& T() { return kTables; }

// Decodes CP932 into UTF-16 code units, calling put for each.
template <class Put>
void Decode(std::string_view s, bool* lossy, Put put) {
    const Tables& t = T();
    bool lost = false;
    const size_t n = s.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { put(static_cast<char16_t>(c)); continue; }
        if (IsLeadByte(c)) {
            if (i + 1 < n) {
                unsigned char d = static_cast<unsigned char>(s[i + 1]);
                char16_t u = t.dbl[c - 0x80][d];
                if (u) { put(u); ++i; continue; }
                // an unmapped pair whose second byte is a trail byte is one character
                if (d >= 0x40 && d <= 0xFC && d != 0x7F) ++i;
            }
            put(kSubstitute16);
            lost = true;
            continue;
        }
        char16_t u = t.single[c];
        if (u) put(u);
        else { put(kSubstitute16); lost = true; }
    }
    if (lossy) *lossy = lost;
}

}  // namespace

std::u16string ToUtf16(std::string_view s, bool* lossy) {
    std::u16string out;
    out.reserve(s.size());
    Decode(s, lossy, [&](char16_t u) { out.push_back(u); });
    return out;
}

size_t EncodeUtf16(const char16_t* s, size_t n, char* out, bool* lossy) {
    const Tables& t = T();
    bool lost = false;
    char* p = out;
    for (size_t i = 0; i < n; ++i) {
        // runs of ASCII four units at a time
        while (i + 4 <= n) {
            uint64_t four;
            std::memcpy(&four, s + i, 8);
            if (four & 0xFF80FF80FF80FF80ull) break;
            p[0] = static_cast<char>(s[i]);
            p[1] = static_cast<char>(s[i + 1]);
            p[2] = static_cast<char>(s[i + 2]);
            p[3] = static_cast<char>(s[i + 3]);
            p += 4;
            i += 4;
        }
        if (i >= n) break;
        char16_t u = s[i];
        if (u < 0x80) { *p++ = static_cast<char>(u); continue; }
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            ++i;  // a supplementary character: CP932 holds none
            *p++ = kSubstitute;
            lost = true;
            continue;
        }
        uint16_t e = t.enc[u];
        if (e == 0) { *p++ = kSubstitute; lost = true; }
        else if (e < 0x100) *p++ = static_cast<char>(e);
        else { *p++ = static_cast<char>(e >> 8); *p++ = static_cast<char>(e & 0xFF); }
    }
    if (lossy) *lossy = lost;
    return static_cast<size_t>(p - out);
}

void AppendFromUtf16(std::u16string_view s, std::string& out, bool* lossy) {
    const size_t old = out.size();
    out.resize(old + s.size() * 2);
    out.resize(old + EncodeUtf16(s.data(), s.size(), &out[old], lossy));
}

std::string FromUtf16(std::u16string_view s, bool* lossy) {
    std::string out;
    out.reserve(s.size() * 2);
    AppendFromUtf16(s, out, lossy);
    return out;
}

std::string ToUtf8(std::string_view s, bool* lossy) {
    std::string out;
    out.reserve(s.size() * 3 / 2);
    Decode(s, lossy, [&](char16_t u) {
        if (u < 0x80) out.push_back(static_cast<char>(u));
        else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    });
    return out;
}

namespace {

// The length of the well-formed UTF-8 sequence that begins with c, and the
// range its second byte must lie in: overlong forms, surrogates (U+D800 to
// U+DFFF) and code points above U+10FFFF have none. 0 for a byte that begins
// no sequence.
struct Utf8Lead {
    uint8_t Len, Lo, Hi;
};
constexpr Utf8Lead Utf8LeadOf(unsigned char c) {
    if (c >= 0xC2 && c <= 0xDF) return {2, 0x80, 0xBF};
    if (c == 0xE0) return {3, 0xA0, 0xBF};
    if (c == 0xED) return {3, 0x80, 0x9F};
    if (c >= 0xE1 && c <= 0xEF) return {3, 0x80, 0xBF};
    if (c == 0xF0) return {4, 0x90, 0xBF};
    if (c >= 0xF1 && c <= 0xF3) return {4, 0x80, 0xBF};
    if (c == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

}  // namespace

size_t EncodeUtf8(const char* s, size_t n, char* out, bool* lossy) {
    const Tables& t = T();
    bool lost = false;
    char* p = out;
    for (size_t i = 0; i < n;) {
        // runs of ASCII eight bytes at a time
        while (i + 8 <= n) {
            uint64_t eight;
            std::memcpy(&eight, s + i, 8);
            if (eight & 0x8080808080808080ull) break;
            std::memcpy(p, &eight, 8);
            p += 8;
            i += 8;
        }
        if (i >= n) break;
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { *p++ = static_cast<char>(c); ++i; continue; }
        // Anything but a well-formed sequence is one substitute per byte: it
        // never decodes to a character (a "/" or a "." of a file name) that
        // the bytes do not spell.
        const Utf8Lead lead = Utf8LeadOf(c);
        bool ok = lead.Len != 0 && i + lead.Len <= n;
        uint32_t cp = c & (0x7F >> lead.Len);
        for (size_t k = 1; ok && k < lead.Len; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            const unsigned char lo = k == 1 ? lead.Lo : 0x80, hi = k == 1 ? lead.Hi : 0xBF;
            if (d < lo || d > hi) ok = false;
            else cp = cp << 6 | (d & 0x3F);
        }
        if (!ok) { *p++ = kSubstitute; lost = true; ++i; continue; }
        i += lead.Len;
        const uint16_t e = cp < 0x10000 ? t.enc[cp] : 0;   // a supplementary character: CP932 holds none
        if (e == 0) { *p++ = kSubstitute; lost = true; }
        else if (e < 0x100) *p++ = static_cast<char>(e);
        else { *p++ = static_cast<char>(e >> 8); *p++ = static_cast<char>(e & 0xFF); }
    }
    if (lossy) *lossy = lost;
    return static_cast<size_t>(p - out);
}

void AppendFromUtf8(std::string_view s, std::string& out, bool* lossy) {
    const size_t old = out.size();
    out.resize(old + s.size());
    out.resize(old + EncodeUtf8(s.data(), s.size(), &out[old], lossy));
}

bool FromUtf8Exact(std::string_view s, std::string& out) {
    bool lossy = false;
    out = FromUtf8(s, &lossy);
    return !lossy && ToUtf8(out) == s;
}

std::string FromUtf8(std::string_view s, bool* lossy) {
    std::string out;
    out.reserve(s.size());
    AppendFromUtf8(s, out, lossy);
    return out;
}

}  // namespace cp932
