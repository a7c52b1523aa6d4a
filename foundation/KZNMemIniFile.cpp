#include "KZNMemIniFile.h"

#include <utility>

#include "StringList.h"

#include <vector>

#include "T_KZNUtil.h"

const char* const TKZNMemIniFile::UpdateConfirmText = "更新してよろしいですか";

namespace {
TKZNMemIniFile::TConfirmFunc& ConfirmHook() {
    static TKZNMemIniFile::TConfirmFunc hook;
    return hook;
}
}  // namespace

TKZNMemIniFile::TConfirmFunc TKZNMemIniFile::SetConfirmHook(TConfirmFunc Hook) {
    return std::exchange(ConfirmHook(), std::move(Hook));
}

void TKZNMemIniFile::SetDesignTimeFileName(std::string Name) {
    SetActive(false);
    FDesignTimeFileName = std::move(Name);
}

void TKZNMemIniFile::SetRunTimeFileName(std::string Name) {
    SetActive(false);
    FRunTimeFileName = std::move(Name);
}

void TKZNMemIniFile::SetActive(bool Value) {
    if (Value == Active()) return;
    if (Value) FIniFile = std::make_unique<TMemIniFile>(FDesigning ? FDesignTimeFileName : FRunTimeFileName);
    else FIniFile.reset();
}

TMemIniFile& TKZNMemIniFile::Ini() const {
    if (!FIniFile) throw EKZNMemIniFile("内部エラー：INIファイルが開かれていません");
    return *FIniFile;
}

std::string TKZNMemIniFile::ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const {
    return Ini().ReadString(Section, Ident, Default);
}
int32_t TKZNMemIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default) const {
    return Ini().ReadInteger(Section, Ident, Default);
}
bool TKZNMemIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
    return Ini().ReadBool(Section, Ident, Default);
}
void TKZNMemIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
    Ini().WriteString(Section, Ident, Value);
}
void TKZNMemIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value) {
    Ini().WriteInteger(Section, Ident, Value);
}
void TKZNMemIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
    Ini().WriteBool(Section, Ident, Value);
}
void TKZNMemIniFile::EraseSection(std::string_view Section) { Ini().EraseSection(Section); }
void TKZNMemIniFile::EraseAllSections() {
    TStringList names;
    Ini().ReadSections(names);
    for (const std::string& name : names.Items) Ini().EraseSection(name);
}

bool TKZNMemIniFile::ValueExists(std::string_view Section, std::string_view Ident) const {
    return Ini().ValueExists(Section, Ident);
}

void TKZNMemIniFile::DeleteKey(std::string_view Section, std::string_view Ident) { Ini().DeleteKey(Section, Ident); }

char TKZNMemIniFile::ReadChar(std::string_view Section, std::string_view Ident, char Default) const {
    std::string v = Ini().ReadString(Section, Ident, std::string(1, Default));
    if (v.empty()) return ' ';
    if (v.size() == 1) return v[0];
    // WriteChar of a double quote stores three of them: read it back as written
    if (v == "\"\"\"") return '"';
    std::vector<std::string> parts(3);
    std::string rest;
    TKZNUtil::SplitByChar(v, '"', parts, rest);
    return parts[1].empty() ? ' ' : parts[1][0];
}

void TKZNMemIniFile::WriteChar(std::string_view Section, std::string_view Ident, char C) {
    Ini().WriteString(Section, Ident, std::string{'"', C, '"'});
}

void TKZNMemIniFile::UpdateFile() {
    TMemIniFile& ini = Ini();
    if (UpdateFileConfirm) {
        const TConfirmFunc& ask = OnConfirm ? OnConfirm : ConfirmHook();
        if (ask && !ask(UpdateConfirmText)) return;
    }
    ini.UpdateFile();
}
