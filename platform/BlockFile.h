// Reading a file block by block, addressed by a CP932 name, so that a large
// file never has to be held in memory whole.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string_view>

class TBlockFile {
public:
    TBlockFile() = default;
    ~TBlockFile() { Close(); }
    TBlockFile(const TBlockFile&) = delete;
    TBlockFile& operator=(const TBlockFile&) = delete;

    // Opens the file for reading; false when it cannot be opened or is not a
    // regular file (a folder, a FIFO, a device: never waited on).
    bool Open(std::string_view Path);
    // Reads up to Size bytes; answers the bytes read, 0 at the end or on an error.
    size_t Read(char* Buffer, size_t Size);
    // A read failed (as opposed to reaching the end).
    bool Failed() const;
    void Close();

private:
    std::FILE* FFile = nullptr;
};
