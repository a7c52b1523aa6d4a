#include "BlockFile.h"

#include <unistd.h>

#include <string>

#include "FileSystem.h"

bool TBlockFile::Open(std::string_view Path) {
    Close();
    int fd = -1;
    if (fs932::OpenRegularFile(Path, fd) != fs932::ReadResult::Ok) return false;
    FFile = fdopen(fd, "rb");
    if (!FFile) close(fd);
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
