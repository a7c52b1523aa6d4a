// The 37 CP932 characters whose trail byte is 0x5C (the backslash). The SQL
// literal scanner's escape test and the escaping utilities must not take
// such a trail byte for an escape character.
#pragma once
#include <cstddef>
#include <string_view>

namespace t5c {

// The 37 characters as one 74-byte string, in table order; character k is bytes 2k and 2k+1.
inline constexpr std::string_view kTable =
    "―ソЫ噂浬欺圭構蚕十申曾箪貼能表暴予禄兔喀媾彌拿杤歃饅濬畚秉綵臀藹觸軆鐔鷭";
static_assert(kTable.size() == 74, "the 0x5C table holds 37 two-byte characters");

// True when the lead byte c followed by 0x5C is one of the 37 characters.
inline constexpr bool IsLead(unsigned char c) { return c == 0x81 || c == 0x83 || c == 0x84 || (c >= 0x89 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEA); }

// True when the two bytes at p are one of the 37 characters.
inline bool IsPair(const char* p) {
    return static_cast<unsigned char>(p[1]) == 0x5C && IsLead(static_cast<unsigned char>(p[0]));
}

}  // namespace t5c
