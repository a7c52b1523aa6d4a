// The string values of the program's version record (file version, product
// and maker names, web addresses, contact mail), as the splash window, the
// about box and the window captions show them.
#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "VersionRecord.h"

// One field per value of the version record, in the record's order; each at
// most 255 bytes, empty when the record lacks the value.
struct TApplicationInfoRec {
    std::string Comments;
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTradeMarks;
    std::string OriginalFileName;
    std::string PrivateBuild;
    std::string ProductName;
    std::string ProductVersion;
    std::string SpecialBuild;
    std::string URL;
    std::string CompanyURL;
    std::string ContactMail;

    void Clear() { *this = TApplicationInfoRec(); }
};

class TApplicationInfo {
public:
    TApplicationInfo() = delete;

    static constexpr size_t ValueCount = 15;
    static constexpr size_t MaxValueLength = 255;
    // "\StringFileInfo\041103A4\": the Japanese (0411) table in code page 932 (03A4).
    static const char* const QueryPrefix;
    // The value names, in the order of the record's fields.
    static const std::array<const char*, ValueCount> ValueNames;
    static std::string TApplicationInfoRec::*const Fields[ValueCount];

    // The record of the running program.
    static void GetInfo(TApplicationInfoRec& Info);
    // The record embedded in a program file. A file without a record, or
    // without one of the values, gives empty fields; a longer value is cut to
    // 255 bytes (never inside a double-byte character). Raises
    // EAssertionFailed when the file is missing or cannot be read.
    static void GetFileInfo(std::string_view FileName, TApplicationInfoRec& Info);

    // The running program's file: its full path, and its name without the folder.
    static std::string ProgramPath();
    static std::string ProgramFileName();

    // Where record blocks come from: the default answers the running
    // program's own record (as this build generated it) for the program's
    // file and reads the embedded record of any other file. A test installs
    // its own; an empty function restores the default.
    using TVersionSource = std::function<verinfo::TReadResult(const std::string& FileName, std::string& Block)>;
    static TVersionSource SetVersionSource(TVersionSource Source);  // returns the one it replaced
    // The running program's record block as the build generated it.
    static std::string_view ProgramVersionBlock();
};
