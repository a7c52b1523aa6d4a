#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "FileSystem.h"
#include "StringList.h"

// The directory listings and file texts of the definition folders, read once
// per operation (an expansion of a hundred thousand items looks up the same
// few files for every item).
class TDescFolderCache {
public:
    // The entries of Folder (empty when it cannot be read).
    const std::vector<fs932::DirEntry>& Entries(const std::string& Folder);
    // The full path of the file Name (any case) in Folder; empty when there is none.
    std::string FindFile(const std::string& Folder, std::string_view Name);
    // The names of the files of Folder matching Mask (any case), in listing order.
    void Files(const std::string& Folder, std::string_view Mask, TStringList& Names);
    void SubFolders(const std::string& Folder, TStringList& Names);
    // The bytes of a file; Ok false when it cannot be read.
    const std::string& ReadText(const std::string& Path, bool& Ok);
    void Clear();

private:
    std::unordered_map<std::string, std::vector<fs932::DirEntry>> FEntries;
    std::unordered_map<std::string, std::pair<bool, std::string>> FTexts;
};
