// An ini file component: opens the file into memory on demand (TMemIniFile)
// and offers typed reads and writes, including a one-character value kept
// between double quotes. Nothing reaches the disk but through UpdateFile.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Exception.h"
#include "MemIniFile.h"

Z_DECLARE_EXCEPTION(EKZNMemIniFile, Exception);

class TKZNMemIniFile {
public:
    // Asks the user a Yes/No question; true for Yes.
    using TConfirmFunc = std::function<bool(const std::string& Text)>;
    static const char* const UpdateConfirmText;  // "更新してよろしいですか"
    // The question every component asks unless it has its own OnConfirm; the
    // window layers install a message box. With none, the answer is Yes.
    static TConfirmFunc SetConfirmHook(TConfirmFunc Hook);  // returns the one it replaced

    TKZNMemIniFile() = default;
    ~TKZNMemIniFile() = default;  // the in-memory file goes without being written
    TKZNMemIniFile(const TKZNMemIniFile&) = delete;
    TKZNMemIniFile& operator=(const TKZNMemIniFile&) = delete;

    // Setting a file name first closes the component.
    const std::string& DesignTimeFileName() const { return FDesignTimeFileName; }
    void SetDesignTimeFileName(std::string Name);
    const std::string& RunTimeFileName() const { return FRunTimeFileName; }
    void SetRunTimeFileName(std::string Name);

    // Active: the in-memory file exists. Opening reads the design-time file
    // when Designing is set, else the run-time file; closing drops what was
    // not written by UpdateFile.
    bool Active() const { return FIniFile != nullptr; }
    void SetActive(bool Value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Designing() const { return FDesigning; }
    void SetDesigning(bool Value) { FDesigning = Value; }

    bool UpdateFileConfirm = false;
    TConfirmFunc OnConfirm;  // when set, asked in place of the global hook

    // These need an active component and raise EKZNMemIniFile otherwise.
    std::string ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const;
    int32_t ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default) const;
    bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;
    void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value);
    void WriteBool(std::string_view Section, std::string_view Ident, bool Value);
    void EraseSection(std::string_view Section);
    // Every section erased: what is written next makes the whole file.
    void EraseAllSections();
    bool ValueExists(std::string_view Section, std::string_view Ident) const;
    void DeleteKey(std::string_view Section, std::string_view Ident);
    // An empty value gives a blank, a one-byte value that byte, a longer one
    // the first byte between its first two double quotes (a blank when none);
    // three double quotes, as WriteChar stores a double quote, give a double quote.
    char ReadChar(std::string_view Section, std::string_view Ident, char Default) const;
    // Writes the character between two double quotes.
    void WriteChar(std::string_view Section, std::string_view Ident, char C);
    // Writes the file, after asking first when UpdateFileConfirm is set (No
    // writes nothing). Raises EFCreateError when the file cannot be written.
    void UpdateFile();

private:
    TMemIniFile& Ini() const;

    std::string FDesignTimeFileName;
    std::string FRunTimeFileName;
    bool FDesigning = false;
    std::unique_ptr<TMemIniFile> FIniFile;
};
