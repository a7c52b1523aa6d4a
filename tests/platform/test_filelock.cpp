// The lock that copies of the program take around a save of a shared file,
// and the stages of a save a test program can hold it at.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "Exception.h"
#include "FileLock.h"
#include "FileSystem.h"
#include "SavePauseMarks.h"
#include "TestUtil.h"

namespace {

// Holds this process's saves (and its children's) at marks in Dir for the test's lifetime.
struct PauseFolder {
    explicit PauseFolder(const std::string& Dir) { savepause::HoldSavesIn(fs932::ToNative(Dir)); }
    ~PauseFolder() { savepause::HoldSavesIn(std::string()); }
};

// Waits (at most a minute) until the condition holds.
bool WaitFor(const std::function<bool()>& Condition) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!Condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool Running(pid_t Child) { return waitpid(Child, nullptr, WNOHANG) == 0; }

int ExitCode(pid_t Child) {
    int status = 0;
    if (waitpid(Child, &status, 0) != Child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(FileLock, ASecondCopyWaitsUntilTheFirstLetsGo) {
    const std::string dir = testutil::TempFolder("lock");
    PauseFolder pause(dir);
    fs932::TFileLock first;
    first.Lock(dir + "f");
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(fs932::LockFileName(dir + "f"), dir + "f.lock");
    EXPECT_TRUE(fs932::FileExists(dir + "f.lock"));

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            fs932::TFileLock second;
            second.Lock(dir + "f");
            _exit(fs932::WriteFileAtomic(dir + "second", "in") ? 0 : 1);
        } catch (...) {
            _exit(2);
        }
    }
    const std::string waiting = dir + "f." + std::to_string(child) + ".waiting";
    ASSERT_TRUE(WaitFor([&] { return fs932::FileExists(waiting); }));
    EXPECT_TRUE(Running(child));
    EXPECT_FALSE(fs932::FileExists(dir + "second"));
    first.Release();
    EXPECT_EQ(ExitCode(child), 0);
    EXPECT_TRUE(fs932::FileExists(dir + "second"));
    EXPECT_FALSE(fs932::FileExists(waiting));
    // the lock file stays for the next copy
    EXPECT_TRUE(fs932::FileExists(dir + "f.lock"));
}

// A link's lock stands beside the file it names, so that two names of one file share it.
TEST(FileLock, ALinkSharesTheLockOfItsFile) {
    const std::string dir = testutil::TempFolder("locklink");
    ASSERT_TRUE(fs932::ForceDirectories(dir + "real"));
    ASSERT_EQ(symlink("real/f", fs932::ToNative(dir + "link").c_str()), 0);
    EXPECT_EQ(fs932::LockFileName(dir + "link"), dir + "real/f.lock");
}

TEST(FileLock, ALockThatCannotBeMadeFailsTheSaveWithTheFilesName) {
    const std::string dir = testutil::TempFolder("lockro");
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "old"));
    ASSERT_EQ(chmod(fs932::ToNative(dir).c_str(), 0555), 0);
    fs932::TFileLock lock;
    try {
        lock.Lock(dir + "f");
        ADD_FAILURE() << "the lock was taken";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message.rfind("ファイル " + dir + "f を作成できません", 0), 0u) << e.Message;
        EXPECT_NE(e.Message.find(dir + "f.lock"), std::string::npos) << e.Message;
    }
    EXPECT_FALSE(lock.Held());
    ASSERT_EQ(chmod(fs932::ToNative(dir).c_str(), 0755), 0);
    EXPECT_FALSE(fs932::FileExists(dir + "f.lock"));
}

TEST(FileLock, APausedSaveWaitsUntilItsMarkIsTaken) {
    const std::string dir = testutil::TempFolder("pause");
    // without a hook nothing waits, whatever the environment holds
    setenv("ZINTAVOR_SAVE_PAUSE", fs932::ToNative(dir).c_str(), 1);
    fs932::SavePausePoint(dir + "f");
    unsetenv("ZINTAVOR_SAVE_PAUSE");
    EXPECT_FALSE(fs932::FileExists(dir + "f." + std::to_string(getpid()) + ".paused"));
    PauseFolder pause(dir);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        fs932::SavePausePoint(dir + "f");
        _exit(0);
    }
    const std::string mark = dir + "f." + std::to_string(child) + ".paused";
    ASSERT_TRUE(WaitFor([&] { return fs932::FileExists(mark); }));
    EXPECT_TRUE(Running(child));
    ASSERT_TRUE(fs932::DeleteFile(mark));
    EXPECT_EQ(ExitCode(child), 0);
}
