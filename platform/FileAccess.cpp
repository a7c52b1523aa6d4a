#include "FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "FileSystem.h"

namespace fs932 {

bool ReadFileBlocks(std::string_view path, const std::function<bool(std::string_view)>& sink) {
    int fd = -1;
    if (OpenRegularFile(path, fd) != ReadResult::Ok) return false;
    char buf[1 << 16];
    bool ok = true;
    for (;;) {
        ssize_t r = read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (r == 0 || !sink(std::string_view(buf, static_cast<size_t>(r)))) break;
    }
    close(fd);
    return ok;
}

bool IsReadOnly(std::string_view path) {
    struct stat st;
    return stat(ToNative(path).c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool CanOpenReadWrite(std::string_view path) {
    const std::string native = ToNative(path);
    struct stat st;
    if (stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    int fd = open(native.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool CreateNewFile(std::string_view path) {
    int fd = open(ToNative(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    return close(fd) == 0;
}

bool GetFileId(std::string_view path, FileId& id) {
    struct stat st;
    if (stat(ToNative(path).c_str(), &st) != 0) return false;
    id.Device = static_cast<uint64_t>(st.st_dev);
    id.Inode = static_cast<uint64_t>(st.st_ino);
    return true;
}

}  // namespace fs932
