// Byte searches in CP932 text that look only at character boundaries, so a
// trail byte (0x40-0xFC, 0x5C among them) is never taken for an ASCII byte.
#pragma once
#include <string_view>

#include "CP932.h"

namespace cp932 {

// The byte length of the character at s[i]: 2 for a lead byte with a byte after it, else 1.
inline size_t CharLen(std::string_view s, size_t i) {
    return (IsLeadByte(s[i]) && i + 1 < s.size()) ? 2 : 1;
}

// The first position at or after from (a character boundary) where the single-byte
// character c stands; npos when there is none.
inline size_t FindChar(std::string_view s, char c, size_t from = 0) {
    for (size_t i = from; i < s.size(); i += CharLen(s, i))
        if (s[i] == c) return i;
    return std::string_view::npos;
}

// The last position of a single-byte character of set; npos when there is none.
inline size_t FindLastCharOf(std::string_view s, std::string_view set) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += CharLen(s, i))
        if (set.find(s[i]) != std::string_view::npos) found = i;
    return found;
}

// The first position at or after from (a character boundary) where the text
// what begins; npos when there is none. An empty what is never found.
inline size_t FindText(std::string_view s, std::string_view what, size_t from = 0) {
    if (what.empty()) return std::string_view::npos;
    for (size_t i = from; i < s.size(); i += CharLen(s, i))
        if (s.compare(i, what.size(), what) == 0) return i;
    return std::string_view::npos;
}

// At most max bytes of s, cut before a double-byte character that would not fit whole.
inline std::string_view CutAtCharBoundary(std::string_view s, size_t max) {
    if (s.size() <= max) return s;
    size_t i = 0;
    while (i < max) {
        size_t len = CharLen(s, i);
        if (i + len > max) break;
        i += len;
    }
    return s.substr(0, i);
}

}  // namespace cp932
