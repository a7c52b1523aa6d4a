#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

#include "Exception.h"
#include "FileSystem.h"

namespace fs932 {

namespace {

using TClock = std::chrono::steady_clock;

std::atomic<TSaveStageHook> gStageHook{nullptr};

void Stage(std::string_view path, TSaveStage stage) {
    if (TSaveStageHook hook = gStageHook.load()) hook(path, stage);
}

[[noreturn]] void Refuse(std::string_view path, const std::string& why) {
    throw EFCreateError("ファイル " + std::string(path) + " を作成できません（" + why + "）");
}

}  // namespace

std::string LockFileName(std::string_view path) {
    const std::string target = WriteTarget(path);
    return target.empty() ? std::string() : target + ".lock";
}

void TFileLock::Lock(std::string_view path) {
    Release();
    const std::string lockName = LockFileName(path);
    if (lockName.empty()) Refuse(path, "リンクをたどれません");
    const std::string native = ToNative(lockName);
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = open(native.c_str(), O_RDWR | kFlags);
    if (fd < 0 && errno == ENOENT) {
        // a folder without any write permission is read-only for everybody, the administrator too
        const size_t slash = native.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
        struct stat fst;
        if (stat(folder.c_str(), &fst) == 0 && (fst.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            Refuse(path, "ロックファイル " + lockName + " を作成できません");
        fd = open(native.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
    }
    // one that another user made may be open to reading only, which is enough to lock it
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) fd = open(native.c_str(), O_RDONLY | kFlags);
    if (fd < 0) Refuse(path, "ロックファイル " + lockName + " を作成できません");
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        Refuse(path, "ロックファイル " + lockName + " が通常のファイルではありません");
    }
    const TClock::time_point deadline = TClock::now() + std::chrono::seconds(WaitSeconds);
    bool waiting = false;
    auto pause = std::chrono::milliseconds(5);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const bool busy = errno == EWOULDBLOCK;
        if (busy && !waiting) {
            waiting = true;
            Stage(path, TSaveStage::Waiting);
        }
        if (!busy || TClock::now() >= deadline) {
            close(fd);
            if (waiting) Stage(path, TSaveStage::Waited);
            Refuse(path, busy ? "ほかの Zintavor が " + lockName + " をロックしたままです"
                              : "ロックファイル " + lockName + " をロックできません");
        }
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(100)) pause *= 2;
    }
    if (waiting) Stage(path, TSaveStage::Waited);
    FFd = fd;
}

void TFileLock::Release() {
    if (FFd < 0) return;
    (void)flock(FFd, LOCK_UN);
    close(FFd);
    FFd = -1;
}

void SetSaveStageHook(TSaveStageHook hook) { gStageHook.store(hook); }

void SavePausePoint(std::string_view path) { Stage(path, TSaveStage::Writing); }

}  // namespace fs932
