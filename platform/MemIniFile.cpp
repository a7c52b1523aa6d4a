#include "MemIniFile.h"

#include "Exception.h"
#include "FileSystem.h"
#include "StringList.h"
#include "SysUtils.h"

TMemIniFile::TMemIniFile(std::string FileName) : FFileName(std::move(FileName)) {
    std::string bytes;
    if (fs932::ReadFile(FFileName, bytes)) Load(bytes);  // a file that cannot be read is an empty ini
}

namespace {

// '=', '[' and ']' are found byte by byte: '=' is never the second byte of a
// double-byte character, and the section line's ']' is its last byte, so a
// name or key that ends with a lone lead byte still reads back.

// What one line of the file is, as Load reads it.
struct TLine {
    enum { Skip, Section, Key, Other } Kind = Skip;
    std::string Text;  // the section's name, or the line as kept ("name=value" trimmed around '=')
    size_t Eq = std::string::npos;
};

TLine ParseLine(std::string_view raw) {
    TLine l;
    std::string s = sys::Trim(raw);
    if (s.empty() || s[0] == ';') return l;
    if (s.size() >= 2 && s[0] == '[' && s.back() == ']') {
        l.Kind = TLine::Section;
        l.Text = sys::Trim(std::string_view(s).substr(1, s.size() - 2));
        return l;
    }
    const size_t eq = s.find('=');
    if (eq == std::string::npos) {
        l.Kind = TLine::Other;
        l.Text = std::move(s);
        return l;
    }
    l.Kind = TLine::Key;
    std::string name = sys::Trim(std::string_view(s).substr(0, eq));
    l.Eq = name.size();
    l.Text = name + "=" + sys::Trim(std::string_view(s).substr(eq + 1));
    return l;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

void TMemIniFile::Load(std::string_view text) {
    TStringList lines(text);
    TSection* current = nullptr;
    for (const std::string& raw : lines.Items) {
        TLine l = ParseLine(raw);
        if (l.Kind == TLine::Skip) continue;
        if (l.Kind == TLine::Section) {
            // a section named twice continues the first one, so nothing in it is lost
            current = &AddSection(l.Text);
            continue;
        }
        if (!current) continue;  // lines before the first section belong to none
        if (l.Kind == TLine::Key) current->Keys.emplace(sys::UpperCase(std::string_view(l.Text).substr(0, l.Eq)), current->Lines.size());
        current->Lines.push_back(std::move(l.Text));
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
    return line->substr(line->find('=') + 1);
}

void TMemIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
    // A name that would not read back is not written at all.
    const TLine head = ParseLine("[" + std::string(Section) + "]");
    if (HasLineBreak(Section) || head.Kind != TLine::Section || head.Text != Section)
        throw EIniFileError("INIファイルに書けないセクション名です [" + std::string(Section) + "]");
    TLine back = ParseLine(std::string(Ident) + "=" + std::string(Value));
    if (HasLineBreak(Ident) || back.Kind != TLine::Key || std::string_view(back.Text).substr(0, back.Eq) != Ident)
        throw EIniFileError("INIファイルに書けないキー名です [" + std::string(Ident) + "]");
    if (HasLineBreak(Value)) throw EIniFileError("INIファイルに改行を含む値は書けません [" + std::string(Ident) + "]");
    TSection& sec = AddSection(Section);
    // kept as the file gives it back, so that a read before and after a save agree
    auto [it, added] = sec.Keys.emplace(sys::UpperCase(Ident), sec.Lines.size());
    if (added) sec.Lines.push_back(std::move(back.Text));
    else sec.Lines[it->second] = std::move(back.Text);
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
        const size_t eq = line.find('=');
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
        const size_t eq = line.find('=');
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
