#include "MemIniFile.h"

#include "CP932Text.h"
#include "Exception.h"
#include "FileSystem.h"
#include "StringList.h"
#include "SysUtils.h"

TMemIniFile::TMemIniFile(std::string FileName) : FFileName(std::move(FileName)) {
    std::string bytes;
    if (fs932::ReadFile(FFileName, bytes)) Load(bytes);  // a file that cannot be read is an empty ini
}

void TMemIniFile::Load(std::string_view text) {
    TStringList lines(text);
    TSection* current = nullptr;
    for (const std::string& raw : lines.Items) {
        std::string s = sys::Trim(raw);
        if (s.empty() || s[0] == ';') continue;
        if (s[0] == '[' && cp932::FindLastCharOf(s, "]") == s.size() - 1 && s.size() >= 2) {
            // a section named twice continues the first one, so nothing in it is lost
            current = &AddSection(sys::Trim(std::string_view(s).substr(1, s.size() - 2)));
            continue;
        }
        if (!current) continue;  // lines before the first section belong to none
        size_t eq = cp932::FindChar(s, '=');
        if (eq != std::string::npos) {
            std::string name = sys::Trim(std::string_view(s).substr(0, eq));
            s = name + "=" + sys::Trim(std::string_view(s).substr(eq + 1));
            current->Keys.emplace(sys::UpperCase(name), current->Lines.size());
        }
        current->Lines.push_back(std::move(s));
    }
}

const TMemIniFile::TSection* TMemIniFile::FindSection(std::string_view name) const {
    auto it = FIndex.find(sys::UpperCase(name));
    return it == FIndex.end() ? nullptr : &FSections[it->second];
}

TMemIniFile::TSection& TMemIniFile::AddSection(std::string_view name) {
    auto [it, added] = FIndex.emplace(sys::UpperCase(name), FSections.size());
    if (added) {
        FSections.emplace_back();
        FSections.back().Name = std::string(name);
    }
    return FSections[it->second];
}

const std::string* TMemIniFile::FindLine(std::string_view section, std::string_view ident) const {
    const TSection* sec = FindSection(section);
    if (!sec) return nullptr;
    auto it = sec->Keys.find(sys::UpperCase(ident));
    return it == sec->Keys.end() ? nullptr : &sec->Lines[it->second];
}

std::string TMemIniFile::ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) const {
    const std::string* line = FindLine(Section, Ident);
    if (!line) return std::string(Default);
    return line->substr(cp932::FindChar(*line, '=') + 1);
}

void TMemIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
    TSection& sec = AddSection(Section);
    std::string line = std::string(Ident) + "=" + std::string(Value);
    auto [it, added] = sec.Keys.emplace(sys::UpperCase(Ident), sec.Lines.size());
    if (added) sec.Lines.push_back(std::move(line));
    else sec.Lines[it->second] = std::move(line);
}

int32_t TMemIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int32_t Default) const {
    return sys::StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TMemIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int32_t Value) {
    WriteString(Section, Ident, sys::IntToStr(Value));
}

bool TMemIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TMemIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

void TMemIniFile::EraseSection(std::string_view Section) {
    auto it = FIndex.find(sys::UpperCase(Section));
    if (it == FIndex.end()) return;
    size_t pos = it->second;
    FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(pos));
    FIndex.erase(it);
    for (auto& entry : FIndex)
        if (entry.second > pos) --entry.second;
}

void TMemIniFile::ReadSection(std::string_view Section, TStringList& Strings) const {
    Strings.Clear();
    const TSection* sec = FindSection(Section);
    if (!sec) return;
    for (const std::string& line : sec->Lines) {
        size_t eq = cp932::FindChar(line, '=');
        if (eq != std::string::npos) Strings.Add(line.substr(0, eq));
    }
}

void TMemIniFile::ReadSections(TStringList& Strings) const {
    Strings.Clear();
    for (const auto& sec : FSections) Strings.Add(sec.Name);
}

bool TMemIniFile::SectionExists(std::string_view Section) const {
    const TSection* sec = FindSection(Section);
    return sec && !sec->Keys.empty();
}

bool TMemIniFile::ValueExists(std::string_view Section, std::string_view Ident) const {
    return FindLine(Section, Ident) != nullptr;
}

void TMemIniFile::DeleteKey(std::string_view Section, std::string_view Ident) {
    auto found = FIndex.find(sys::UpperCase(Section));
    if (found == FIndex.end()) return;
    TSection& sec = FSections[found->second];
    const std::string key = sys::UpperCase(Ident);
    if (sec.Keys.find(key) == sec.Keys.end()) return;
    std::vector<std::string> kept;
    sec.Keys.clear();
    for (std::string& line : sec.Lines) {
        const size_t eq = cp932::FindChar(line, '=');
        if (eq != std::string::npos) {
            std::string name = sys::UpperCase(std::string_view(line).substr(0, eq));
            if (name == key) continue;
            sec.Keys.emplace(std::move(name), kept.size());
        }
        kept.push_back(std::move(line));
    }
    sec.Lines = std::move(kept);
}

std::string TMemIniFile::GetText() const {
    TStringList out;
    for (const auto& sec : FSections) {
        out.Add("[" + sec.Name + "]");
        for (const std::string& line : sec.Lines) out.Add(line);
        out.Add(std::string());
    }
    return out.Text();
}

void TMemIniFile::UpdateFile() {
    if (!fs932::WriteFileAtomic(FFileName, GetText())) throw EFCreateError("ファイル " + FFileName + " を作成できません");
}
