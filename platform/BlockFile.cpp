#include "BlockFile.h"

#include <string>

#include "FileSystem.h"

bool TBlockFile::Open(std::string_view Path) {
    Close();
    if (!fs932::FileExists(Path)) return false;
    std::string native = fs932::ToNative(Path);
    FFile = std::fopen(native.c_str(), "rb");
    return FFile != nullptr;
}

size_t TBlockFile::Read(char* Buffer, size_t Size) {
    if (!FFile || Size == 0) return 0;
    return std::fread(Buffer, 1, Size, FFile);
}

bool TBlockFile::Failed() const { return FFile && std::ferror(FFile) != 0; }

void TBlockFile::Close() {
    if (FFile) std::fclose(FFile);
    FFile = nullptr;
}
