// File tests and streamed reads by CP932 names, beside FileSystem.h.
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>

namespace fs932 {

// Reads a file in blocks and hands each to sink until sink returns false.
// False when the file cannot be opened or read; only a regular file is opened
// (OpenRegularFile of FileSystem.h).
bool ReadFileBlocks(std::string_view path, const std::function<bool(std::string_view block)>& sink);

// An existing entry whose permission bits allow nobody to write it (the
// read-only attribute of other systems).
bool IsReadOnly(std::string_view path);

// An existing regular file that opens for reading and writing; nothing is
// changed, and nothing else (a FIFO, a device) is opened.
bool CanOpenReadWrite(std::string_view path);

// Creates a new empty file; false when it exists already or cannot be made.
bool CreateNewFile(std::string_view path);

// What identifies a file or folder on its device, whichever name reaches it.
struct FileId {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool operator==(const FileId& o) const { return Device == o.Device && Inode == o.Inode; }
};
bool GetFileId(std::string_view path, FileId& id);

}  // namespace fs932
