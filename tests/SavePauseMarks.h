// A save-stage hook for test programs: it holds every save of this process
// at its stages, marked by files in a folder, so that a test can line up two
// copies of the program deterministically.
//
// In the folder: "<file name>.<process id>.paused" while a save waits to be
// let go at the point between reading its file again and writing it (the test
// lets it go by removing the file); "<file name>.<process id>.waiting" while
// the lock is held by another copy.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>

#include "FileLock.h"
#include "FileSystem.h"

namespace savepause {

inline std::string& Folder() {
    static std::string folder;  // native, ending in "/"
    return folder;
}

inline std::string MarkName(std::string_view Path, const char* Stage) {
    const std::string native = fs932::ToNative(Path);
    const size_t slash = native.rfind('/');
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    return Folder() + name + "." + std::to_string(getpid()) + "." + Stage;
}

inline bool MakeMark(const std::string& Mark) {
    const int fd = open(Mark.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    close(fd);
    return true;
}

inline void Hook(std::string_view Path, fs932::TSaveStage Stage) {
    switch (Stage) {
        case fs932::TSaveStage::Waiting: MakeMark(MarkName(Path, "waiting")); break;
        case fs932::TSaveStage::Waited: unlink(MarkName(Path, "waiting").c_str()); break;
        case fs932::TSaveStage::Writing: {
            const std::string mark = MarkName(Path, "paused");
            if (!MakeMark(mark)) return;
            // a test that went away lets the save go after a few minutes
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
            while (access(mark.c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            unlink(mark.c_str());
            break;
        }
    }
}

// Holds this process's saves with marks in Dir (a native folder name); an
// empty Dir stops holding them.
inline void HoldSavesIn(const std::string& Dir) {
    if (Dir.empty()) {
        fs932::SetSaveStageHook(nullptr);
        Folder().clear();
        return;
    }
    Folder() = Dir;
    if (Folder().back() != '/') Folder() += '/';
    fs932::SetSaveStageHook(&Hook);
}

}  // namespace savepause
