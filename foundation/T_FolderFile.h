// Folder and file operations: listings, extensions, a text-file test,
// relative paths, a folder tree into tree nodes, the small-icon size and the
// current folder. Names are CP932; both '\' and '/' separate folders.
// Class operations only.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Exception.h"
#include "StringList.h"

Z_DECLARE_EXCEPTION(EFolderFileException, Exception);

// Where AddFolderTree puts its nodes; the tree view of the controls implements it.
class IFolderTreeNodes {
public:
    virtual ~IFolderTreeNodes() = default;
    virtual void* AddChildNode(void* parent, const std::string& text) = 0;
};

class TFolderFile {
public:
    TFolderFile() = delete;

    static bool FolderExists(std::string_view Path);
    // Appends the names of the subfolders of Folder (hidden ones, whose names
    // begin with '.', left out), sorted without regard to case.
    static void GetFolderList(std::string_view Folder, TStringList& List);
    // Appends the names of the files of Folder that match Mask (trimmed; empty
    // means "*.*"), sorted without regard to case.
    static void GetFileList(std::string_view Folder, std::string_view Mask, TStringList& List);

    // FileName with its extension replaced by Ext (trimmed, '.' added in front unless present).
    static std::string ChangeExt(std::string_view FileName, std::string_view Ext);
    // FileName without its extension; the folder part stays.
    static std::string RemoveExt(std::string_view FileName);

    // False only when the file holds a byte below 0x20 other than TAB, LF, FF,
    // CR and ^Z; a missing or unreadable file counts as text. Never raises.
    static bool IsTextFile(std::string_view FileName);

    // The parts of S between the occurrences of Delim; a trailing Delim makes no empty last part.
    static std::unique_ptr<TStringList> SplitToList(std::string_view S, char Delim);
    static std::string JoinList(const TStringList& List, char Delim);

    // Path joined to the folder Base when it begins with '.': each leading ".."
    // drops one trailing component of Base (never the root), then a leading "."
    // is dropped. Any other Path is returned unchanged.
    static std::string ResolveRelativePath(std::string_view Base, std::string_view Path, char Delim = '\\');

    // A missing file: it can be created (it is created and deleted again). An
    // existing file: it is not read-only and opens for writing. Never raises.
    static bool IsWritable(std::string_view FileName);

    // Keeps the bytes of a damaged file beside it, with its mode, under the
    // first of "<FileName>.bad", "<FileName>.bad2", ... that either holds the
    // same bytes already (Fresh := false: this damage was kept, and told, before)
    // or is free (the copy is made there; Fresh := true). The file itself stays.
    // False when no copy could be made.
    static bool KeepDamagedCopy(std::string_view FileName, std::string& KeptName, bool& Fresh);

    // The last component of Path, a trailing separator ignored.
    static std::string GetLastName(std::string_view Path);

    // Adds a node for Folder under Parent and, below it, one for every
    // subfolder, recursively. Raises EFolderFileException for a missing folder
    // (the nodes added before stay). A folder reached again through a link
    // below itself gets its node but is not entered again.
    static void AddFolderTree(std::string_view Folder, IFolderTreeNodes& Nodes, void* Parent);

    static void GetSmallIconSize(int32_t& Width, int32_t& Height);
    static std::string GetCurrentFolder();
};
