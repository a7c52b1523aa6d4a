// The CP932 conversion tables in both directions. 0 marks "not mapped"
// (U+0000 and the byte 0x00 are handled before the tables are consulted).
// iconv's "CP932" mapping is the single source of truth: the build fills the
// tables from it once (platform/cp932tables) and compiles them in as constant
// data, so that no run pays for building them.
#pragma once
#include <array>
#include <cstdint>

namespace cp932 {

struct Tables {
    std::array<char16_t, 256> single;                 // byte -> code unit
    std::array<std::array<char16_t, 256>, 128> dbl;   // [lead-0x80][trail] -> code unit
    std::array<uint16_t, 65536> enc;                  // code unit -> byte or lead<<8|trail
};

// The tables compiled into the program.
extern const Tables kTables;

// Fills t from iconv "CP932"; false when iconv does not know the encoding.
bool FillTablesFromIconv(Tables& t);

}  // namespace cp932
