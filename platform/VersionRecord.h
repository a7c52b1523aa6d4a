// The version record of a program file: the string values (file version,
// product and maker names, web addresses ...) that a build embeds in its
// program. The record is a block in the ELF section ".zintavor_version":
// the four bytes "ZVR1" and a NUL, then pairs of a query path and its value,
// each ended by a NUL, then an empty query path. Query paths are those of a
// version resource, e.g. "\StringFileInfo\041103A4\FileVersion".
#pragma once
#include <string>
#include <string_view>

// Put on the one array that holds the running program's record.
#define ZINTAVOR_VERSION_RECORD_SECTION ".zintavor_version"

namespace verinfo {

enum class TReadResult {
    Ok,          // Block holds the file's record
    NoRecord,    // the file is readable but holds no record (not a program, or not one of ours)
    Unreadable,  // the file cannot be opened or read
};

// Reads the record block of a program file. Only the headers and the one
// section are read, never the whole file.
TReadResult ReadFileVersionBlock(std::string_view FileName, std::string& Block);

// The value of Query in a record block; false when the block has no such
// value or is not a record.
bool QueryValue(std::string_view Block, std::string_view Query, std::string& Value);

}  // namespace verinfo
