#include "T_FolderFile.h"

#include <cerrno>
#include <deque>
#include <vector>

#include "CP932Text.h"
#include "FileAccess.h"
#include "FileSystem.h"
#include "ScreenMetrics.h"
#include "SysUtils.h"

namespace {

constexpr std::string_view kSeparators = "\\/";

bool EndsWithSeparator(std::string_view s) {
    return !s.empty() && cp932::FindLastCharOf(s, kSeparators) == s.size() - 1;
}

// The base of a file name: everything before the '.' of its extension.
size_t ExtStart(std::string_view name) {
    size_t dot = cp932::FindLastCharOf(name, ".");
    size_t sep = cp932::FindLastCharOf(name, "\\/:");
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return name.size();
    return dot;
}

// Components of a path split at any of seps; a trailing separator makes no empty last component.
std::deque<std::string> Components(std::string_view s, std::string_view seps) {
    std::deque<std::string> out;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); i += cp932::CharLen(s, i)) {
        if (seps.find(s[i]) != std::string_view::npos) {
            out.emplace_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < s.size()) out.emplace_back(s.substr(start));
    return out;
}

std::string Join(const std::deque<std::string>& parts, char delim) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out.push_back(delim);
        out += parts[i];
    }
    return out;
}

void AddTree(const std::string& folderIn, IFolderTreeNodes& nodes, void* parent, std::vector<fs932::FileId>& chain) {
    std::string folder = folderIn;
    if (!EndsWithSeparator(folder)) folder.push_back('\\');
    if (!TFolderFile::FolderExists(folder)) throw EFolderFileException("フォルダがありません [" + folder + "]");
    void* node = nodes.AddChildNode(parent, TFolderFile::GetLastName(folder));
    fs932::FileId id;
    bool known = fs932::GetFileId(folder, id);
    if (known) {
        for (const auto& up : chain)
            if (up == id) return;  // a link back to a folder above: do not go round again
        chain.push_back(id);
    }
    TStringList subs;
    TFolderFile::GetFolderList(folder, subs);
    for (const std::string& sub : subs.Items) AddTree(folder + sub, nodes, node, chain);
    if (known) chain.pop_back();
}

}  // namespace

bool TFolderFile::FolderExists(std::string_view Path) { return fs932::DirectoryExists(Path); }

void TFolderFile::GetFolderList(std::string_view Folder, TStringList& List) {
    std::vector<fs932::DirEntry> entries;
    if (!fs932::ListDirectory(Folder, entries)) return;
    for (auto& e : entries)
        if (e.IsFolder && e.Name[0] != '.') List.Add(std::move(e.Name));
}

void TFolderFile::GetFileList(std::string_view Folder, std::string_view Mask, TStringList& List) {
    std::vector<fs932::DirEntry> entries;
    if (!fs932::ListDirectory(Folder, entries)) return;
    for (auto& e : entries)
        if (!e.IsFolder && fs932::MatchesMask(e.Name, Mask)) List.Add(std::move(e.Name));
}

std::string TFolderFile::ChangeExt(std::string_view FileName, std::string_view Ext) {
    std::string ext = sys::Trim(Ext);
    if (ext.empty() || ext[0] != '.') ext.insert(ext.begin(), '.');
    return std::string(FileName.substr(0, ExtStart(FileName))) + ext;
}

std::string TFolderFile::RemoveExt(std::string_view FileName) {
    return std::string(FileName.substr(0, ExtStart(FileName)));
}

bool TFolderFile::IsTextFile(std::string_view FileName) {
    if (!fs932::FileExists(FileName)) return true;
    bool text = true;
    fs932::ReadFileBlocks(FileName, [&text](std::string_view block) {
        for (unsigned char c : block) {
            if (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0C && c != 0x0D && c != 0x1A) {
                text = false;
                return false;
            }
        }
        return true;
    });
    return text;
}

std::unique_ptr<TStringList> TFolderFile::SplitToList(std::string_view S, char Delim) {
    auto list = std::make_unique<TStringList>();
    for (auto& part : Components(S, std::string_view(&Delim, 1))) list->Add(std::move(part));
    return list;
}

std::string TFolderFile::JoinList(const TStringList& List, char Delim) {
    std::string out;
    for (int i = 0; i < List.Count(); ++i) {
        if (i) out.push_back(Delim);
        out += List[i];
    }
    return out;
}

std::string TFolderFile::ResolveRelativePath(std::string_view Base, std::string_view Path, char Delim) {
    if (Path.empty() || Path[0] != '.') return std::string(Path);
    // folder names typed by a user may use either separator
    std::string seps(1, Delim);
    if (Delim == '\\' || Delim == '/') seps = std::string(kSeparators);
    std::deque<std::string> base = Components(Base, seps);
    std::deque<std::string> path = Components(Path, seps);
    // the root (an empty first component for a leading separator, or a drive) is never dropped
    const bool rooted = !base.empty() && (base[0].empty() || base[0].back() == ':');
    const size_t keep = rooted ? 1 : 0;
    while (!path.empty() && path.front() == "..") {
        if (base.size() > keep) base.pop_back();
        else if (!rooted) break;  // above a relative base: the ".." stays in the result
        path.pop_front();
    }
    if (!path.empty() && path.front() == ".") path.pop_front();
    const bool rootOnly = base.size() == 1 && base[0].empty();
    std::string result = rootOnly ? std::string() : Join(base, Delim);
    if (!path.empty()) {
        if (!base.empty()) result.push_back(Delim);
        result += Join(path, Delim);
    } else if (rootOnly) {
        result.push_back(Delim);
    }
    return result;
}

bool TFolderFile::IsWritable(std::string_view FileName) {
    if (FileName.empty() || fs932::DirectoryExists(FileName)) return false;
    if (!fs932::FileExists(FileName)) {
        if (!fs932::CreateNewFile(FileName)) return false;
        fs932::DeleteFile(FileName);
        return true;
    }
    return !fs932::IsReadOnly(FileName) && fs932::CanOpenReadWrite(FileName);
}

bool TFolderFile::KeepDamagedCopy(std::string_view FileName, std::string& KeptName, bool& Fresh) {
    KeptName.clear();
    Fresh = false;
    std::string bytes;
    if (!fs932::ReadFile(FileName, bytes)) return false;
    const std::string base = std::string(FileName) + ".bad";
    for (int i = 1; i < 10000; ++i) {
        std::string name = i == 1 ? base : base + std::to_string(i);
        if (fs932::DirectoryExists(name)) continue;
        if (fs932::FileExists(name)) {
            std::string kept;
            if (fs932::ReadFile(name, kept) && kept == bytes) {
                KeptName = name;
                return true;
            }
            continue;
        }
        if (!fs932::KeepCopy(FileName, name)) {
            if (errno == EEXIST) continue;  // a link or something else stands there
            return false;
        }
        KeptName = name;
        Fresh = true;
        return true;
    }
    return false;
}

std::string TFolderFile::GetLastName(std::string_view Path) {
    if (EndsWithSeparator(Path)) Path.remove_suffix(1);
    size_t sep = cp932::FindLastCharOf(Path, kSeparators);
    return std::string(sep == std::string_view::npos ? Path : Path.substr(sep + 1));
}

void TFolderFile::AddFolderTree(std::string_view Folder, IFolderTreeNodes& Nodes, void* Parent) {
    std::vector<fs932::FileId> chain;
    AddTree(std::string(Folder), Nodes, Parent, chain);
}

void TFolderFile::GetSmallIconSize(int32_t& Width, int32_t& Height) {
    screen::TScreenSize s = screen::SmallIconSize();
    Width = s.Width;
    Height = s.Height;
}

std::string TFolderFile::GetCurrentFolder() { return fs932::GetCurrentDir(); }
