// The file system, addressed by CP932 names. Both '\' and '/' separate
// folders in a name; the conversion to the native name happens here only.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fs932 {

// The native (UTF-8, '/'-separated) form of a CP932 path, and back.
std::string ToNative(std::string_view cp932Path);
std::string FromNative(std::string_view nativePath);
// The CP932 form of a native name that turns back into the same native bytes:
// every character maps, and nothing (a '\\' read as a separator, a character
// of two spellings) would make it name another entry. False, with cp932 set
// to the form with substitutes (for messages only), when there is none.
bool FromNativeExact(std::string_view nativePath, std::string& cp932Path);
// True when a CP932 name has a native form: every byte is part of a character
// CP932 maps, and no NUL byte would cut it short.
bool IsUsableName(std::string_view cp932Path);
// The message that refuses a name CP932 cannot hold, with the name as far as
// it can be shown ("?" for what cannot).
std::string UnusableNameMessage(std::string_view cp932Path);

bool FileExists(std::string_view path);        // an existing entry that is not a folder
bool DirectoryExists(std::string_view path);
// An existing entry that is neither a regular file nor a folder (a FIFO, a
// device, a socket), a link followed: what no read or write may reach.
bool IsSpecialFile(std::string_view path);

// How a read of a named file ended.
enum class ReadResult { Ok, Missing, NotRegular, Failed };
// The one way a named file is opened for reading. Only a regular file (a link
// followed) is opened; anything else (a folder, a FIFO, a device, a socket) is
// refused as NotRegular without being opened for reading or waited on, so no
// read ever blocks. fd is the open descriptor for Ok, -1 otherwise; the caller
// closes it.
ReadResult OpenRegularFile(std::string_view path, int& fd);
// Reads a regular file whole through OpenRegularFile.
ReadResult ReadRegularFile(std::string_view path, std::string& bytes);
// ReadRegularFile, true only for Ok. A caller that fails on false reports
// "ファイル <name> を開けません".
bool ReadFile(std::string_view path, std::string& bytes);
// Writes the bytes to a new file beside the target, made exclusively and
// named ".<target name>.<process id>.<16 random hex digits>.tmp", then renames
// it over the target and makes the new name durable. Before it writes, the
// temporary files of the same target left by a process that no longer exists
// (a kill during an earlier save) are removed; those of a running process
// stay. A symbolic link is followed: the file it names is replaced and the
// link stays. A replaced file keeps its mode (and its owner and group where the
// process may set them); a new file gets newFileMode less the umask. False,
// with nothing changed and no temporary file left, when the target is not a
// plain file, when this process may not write it or its folder (a file or
// folder without any write permission counts as read-only for everybody), or
// when writing fails.
bool WriteFileAtomic(std::string_view path, std::string_view bytes, unsigned newFileMode = 0666);
// The file a write of path reaches: symbolic links followed to the file they
// name (which need not exist). Empty when the chain cannot be followed.
std::string WriteTarget(std::string_view path);
// The prefix of the temporary files WriteFileAtomic makes for a target: "."
// followed by the target's name (cut short when very long) and ".". A native
// name, without the folder.
std::string TempFilePrefix(std::string_view nativeTargetName);
// Copies what a plain file holds now to copyName, a name that must not exist
// yet, with the file's mode (and owner and group where the process may).
// False, leaving nothing behind, when it cannot.
bool KeepCopy(std::string_view path, std::string_view copyName);
bool DeleteFile(std::string_view path);
bool RenameFile(std::string_view from, std::string_view to);
bool CreateDir(std::string_view path);
bool ForceDirectories(std::string_view path);

struct DirEntry {
    std::string Name;  // CP932
    bool IsFolder = false;
};
// The entries of a folder except "." and "..", sorted case-insensitively by name.
// An entry whose name has no exact CP932 form (FromNativeExact) is left out:
// its name would open another file. False when the folder cannot be read.
bool ListDirectory(std::string_view folder, std::vector<DirEntry>& entries);

// Case-insensitive wildcard match of a file name ('*' and '?'); "*.*" means "*".
bool MatchesMask(std::string_view name, std::string_view mask);

std::string GetCurrentDir();                   // CP932
bool SetCurrentDir(std::string_view path);

// The folder of the running program, with a trailing separator, and its base name without extension.
std::string ProgramFolder();
std::string ProgramBaseName();
// The running program's file name without its folder.
std::string ProgramFileName();

}  // namespace fs932
