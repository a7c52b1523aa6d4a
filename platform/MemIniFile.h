// The toolkit's in-memory ini file: the whole file is read when the object is
// created; sections and keys stay in memory in their order and are looked up
// without regard to ASCII case; the file is written back only by UpdateFile.
// Text is CP932 bytes; written lines end with CR LF and the file is replaced
// atomically. A file that cannot be read gives an empty ini. A value reads
// back as written, less the bytes below 0x21 at its ends, which reading trims
// as the toolkit's file does (texts that keep them are quoted by their owners).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Exception.h"

class TStringList;

Z_DECLARE_EXCEPTION(EIniFileError, Exception);

class TMemIniFile {
public:
    explicit TMemIniFile(std::string FileName);

    const std::string& FileName() const { return FFileName; }

    std::string ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const;
    // Raises EIniFileError for what no line could hold so that it reads back:
    // a line break anywhere; a section name with a byte below 0x21 at an end;
    // a key with '=', with such a byte at an end, or whose line would read as
    // a comment or a section.
    void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
    // A value that is not an integer (decimal, or hexadecimal after "0x" or "$") gives Default.
    int32_t ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default) const;
    void WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value);
    // Read as an integer, any value but 0 being true; written "1" or "0".
    bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;
    void WriteBool(std::string_view Section, std::string_view Ident, bool Value);

    void EraseSection(std::string_view Section);
    // The key names of a section, in order (Strings is cleared first).
    void ReadSection(std::string_view Section, TStringList& Strings) const;
    // The section names, in order (Strings is cleared first).
    void ReadSections(TStringList& Strings) const;
    // As the toolkit answers it: the section holds at least one key.
    bool SectionExists(std::string_view Section) const;
    bool ValueExists(std::string_view Section, std::string_view Ident) const;
    // Removes every line of the key from the section; the other lines keep their order.
    void DeleteKey(std::string_view Section, std::string_view Ident);

    // The whole text as it is written: every section as "[name]", its lines, and an empty line.
    std::string GetText() const;
    // Replaces the file with GetText; raises EFCreateError when it cannot be written.
    void UpdateFile();

private:
    struct TSection {
        std::string Name;
        std::vector<std::string> Lines;  // "name=value", or a line without '=' kept as it was
        std::unordered_map<std::string, size_t> Keys;  // upper-cased name -> first line with that name
    };
    const TSection* FindSection(std::string_view name) const;
    TSection& AddSection(std::string_view name);
    const std::string* FindLine(std::string_view section, std::string_view ident) const;
    void Load(std::string_view text);

    std::string FFileName;
    std::vector<TSection> FSections;
    std::unordered_map<std::string, size_t> FIndex;  // upper-cased section name -> position
};
