#include "U_DescTreeFolders.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

#include "CP932Text.h"
#include "SysUtils.h"
#include "T_FolderFile.h"
#include "T_KZNUtil.h"
#include "U_DescTreeManagerParts.h"
#include "U_Frame_SQLClient.h"
#include "U_SQL99.h"

using desctree::EqualNoCase;
using desctree::JoinPath;
using desctree::NameOf;
using desctree::NormalizePath;
using desctree::Repeat;
using desctree::Upper;
using desctree::WithoutTrailingSeparator;

namespace {

constexpr int32_t kDefaultOrder = 2000;

}  // namespace

namespace desctree {

// Separators as '/', runs of them as one, "." and ".." components resolved.
std::string NormalizePath(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (size_t i = 0; i < path.size(); i += cp932::CharLen(path, i)) {
        if (path[i] == '\\' || path[i] == '/') flush();
        else part.append(path.substr(i, cp932::CharLen(path, i)));
    }
    flush();
    std::string out = !path.empty() && (path[0] == '/' || path[0] == '\\') ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out.push_back('/');
        out += parts[i];
    }
    return out;
}

}  // namespace desctree

// ---------------------------------------------------------------------------
// TDescFolderCache

const std::vector<fs932::DirEntry>& TDescFolderCache::Entries(const std::string& Folder) {
    auto it = FEntries.find(Folder);
    if (it != FEntries.end()) return it->second;
    std::vector<fs932::DirEntry> entries;
    if (!fs932::ListDirectory(Folder, entries)) entries.clear();
    return FEntries.emplace(Folder, std::move(entries)).first->second;
}

std::string TDescFolderCache::FindFile(const std::string& Folder, std::string_view Name) {
    if (Folder.empty()) return std::string();
    for (const fs932::DirEntry& e : Entries(Folder))
        if (!e.IsFolder && EqualNoCase(e.Name, Name)) return JoinPath(Folder, e.Name);
    return std::string();
}

void TDescFolderCache::Files(const std::string& Folder, std::string_view Mask, TStringList& Names) {
    if (Folder.empty()) return;
    for (const fs932::DirEntry& e : Entries(Folder))
        if (!e.IsFolder && fs932::MatchesMask(e.Name, Mask)) Names.Add(e.Name);
}

void TDescFolderCache::SubFolders(const std::string& Folder, TStringList& Names) {
    if (Folder.empty()) return;
    for (const fs932::DirEntry& e : Entries(Folder))
        if (e.IsFolder && !e.Name.empty() && e.Name[0] != '.') Names.Add(e.Name);
}

const std::string& TDescFolderCache::ReadText(const std::string& Path, bool& Ok) {
    auto it = FTexts.find(Path);
    if (it == FTexts.end()) {
        std::string bytes;
        const bool ok = fs932::ReadFile(Path, bytes);
        it = FTexts.emplace(Path, std::make_pair(ok, std::move(bytes))).first;
    }
    Ok = it->second.first;
    return it->second.second;
}

void TDescFolderCache::Clear() {
    FEntries.clear();
    FTexts.clear();
}

// ---------------------------------------------------------------------------
// Reading the definition

std::string TDescTreeManager::FindNodeFile(TTreeNodeEx* Node, std::string_view Name) {
    std::string path = FCache.FindFile(GetFolder(Node), Name);
    if (path.empty()) path = FCache.FindFile(GetOverrideFolder(Node), Name);
    return path;
}

std::string TDescTreeManager::ReadOverrideOf(const std::string& Folder) {
    const std::string file = FCache.FindFile(Folder, "OverRide.txt");
    if (file.empty()) return std::string();
    bool ok = false;
    const TStringList lines(FCache.ReadText(file, ok));
    if (!ok || lines.Count() == 0) return std::string();
    const std::string line = sys::Trim(lines[0]);
    std::string path = line;
    const bool relative = !line.empty() && (line[0] == '.' || line[0] == '\\') && line.compare(0, 2, "\\\\") != 0;
    if (relative) path = WithoutTrailingSeparator(Folder) + "/" + line;
    if (!line.empty() && fs932::DirectoryExists(path)) return NormalizePath(path);
    // Reported once per operation, not once for every node that shares the folder.
    if (std::find(FReportedOverrides.begin(), FReportedOverrides.end(), path) == FReportedOverrides.end()) {
        FReportedOverrides.push_back(path);
        AddResultLine("■オーバライドフォルダが見つかりません：" + path);
        if (TResultConsole* c = Frame->ActiveResultConsole()) c->ScrollCaretIntoView();
    }
    return std::string();
}

void TDescTreeManager::ReadOverrideFolder(TTreeNodeEx* Node) {
    std::string over = ReadOverrideOf(GetFolder(Node));
    if (TNode* n = NodeData(Node)) n->OwnPlace().Override = std::move(over);
}

int32_t TDescTreeManager::GetOrder(const std::string& Folder) {
    TStringList files;
    FCache.Files(Folder, "*.Order", files);
    if (files.Count() == 0) return kDefaultOrder;
    const std::string name = TFolderFile::RemoveExt(files[0]);
    if (TKZNUtil::IsInteger(name)) return static_cast<int32_t>(std::strtol(sys::Trim(name).c_str(), nullptr, 10));
    AddResultLine(files[0] + "は整数の範囲外ですので、最後尾に回しました");
    return kDefaultOrder;
}

// The deploy query of a node of the kind and depth in Folder (or its override
// folder); Refused is set when the file holds something other than a query.
std::string TDescTreeManager::DeploySQLOf(const std::string& Folder, const std::string& Override, TDescNodeKind Kind,
                                          int Depth, bool& Refused) {
    Refused = false;
    std::string name;
    switch (Kind) {
        case dnkTop:
        case dnkFolder:
        case dnkItemFolder: name = "DeployItem.SQL"; break;
        case dnkItem: name = Repeat('_', Depth) + "DeployItem.SQL"; break;
        default: throw EDescTreeManager("例外ノード");
    }
    std::string file = FCache.FindFile(Folder, name);
    if (file.empty()) file = FCache.FindFile(Override, name);
    if (file.empty()) return std::string();
    bool ok = false;
    const std::string& text = FCache.ReadText(file, ok);
    if (!ok) {
        Refused = true;
        return std::string();
    }
    TSQLKind kind = TSQLKind::Other;
    try {
        kind = TSQL99Parser::GetSQLKind(text);
    } catch (const std::exception&) {
        kind = TSQLKind::Other;  // a query that cannot be read is no query
    }
    if (kind != TSQLKind::Query) {
        Refused = true;
        return std::string();
    }
    return text;
}

void TDescTreeManager::LoadDeploySQL(TTreeNodeEx* Node) {
    bool refused = false;
    const std::string sql = DeploySQLOf(GetFolder(Node), GetOverrideFolder(Node), GetKind(Node), GetDepth(Node), refused);
    if (TNode* n = NodeData(Node)) n->OwnPlace().Deploy = DeployLines(sql);
    if (refused) Node->SetText(Node->Text() + "■展開SQLにSELECT系以外のSQLを検出しました。");
}

std::string TDescTreeManager::DeployLines(const std::string& SQL) {
    return SQL.empty() ? std::string() : TFolderFile::JoinList(TStringList(SQL), '\n');
}

const std::string& TDescTreeManager::DeployText(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n ? n->Place->Deploy : TNode::NoPlace()->Deploy;
}

void TDescTreeManager::SetHideMark(TTreeNodeEx* Node) {
    const bool hide = !FindNodeFile(Node, "Empty.Hide").empty();
    if (TNode* n = NodeData(Node)) n->Hide = hide;
}

void TDescTreeManager::ReadParamsFile(TTreeNodeEx* Node) {
    TNode* n = NodeData(Node);
    if (!n) return;
    TStringList own;
    TStringList* params = &own;
    auto read = [&](const std::string& folder, TStringList& out) {
        const std::string file = FCache.FindFile(folder, "Params.txt");
        if (file.empty()) return;
        bool ok = false;
        const TStringList lines(FCache.ReadText(file, ok));
        for (const std::string& line : lines.Items)
            if (!sys::Trim(line).empty()) out.Add(line);
    };
    read(GetFolder(Node), *params);
    TStringList over;
    read(GetOverrideFolder(Node), over);
    std::unordered_set<std::string> names;
    for (const std::string& line : params->Items) names.insert(Upper(NameOf(line)));
    for (const std::string& line : over.Items)
        if (!names.count(Upper(NameOf(line)))) params->Add(line);
    n->Params.Assign(*params);
}
