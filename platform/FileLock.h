// An exclusive lock on a file among the copies of the program that share it.
//
// The lock is flock(2) on "<file>.lock" beside the file (for a link, beside
// the file it names). The lock file is made when it is missing and never
// removed: removing it while another copy waits on it would let two copies in
// at once. A copy takes the lock only for the moment of a save (re-read,
// merge, write); it never holds it while a person is asked anything.
#pragma once
#include <string>
#include <string_view>

namespace fs932 {

// The lock file of a file: the file a write reaches, with ".lock" added (CP932).
std::string LockFileName(std::string_view path);

class TFileLock {
public:
    TFileLock() = default;
    ~TFileLock() { Release(); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

    // How long Lock waits for another copy to let go.
    static constexpr int WaitSeconds = 60;

    // Takes the lock of path, waiting while another copy holds it. Raises
    // EFCreateError "ファイル <path> を作成できません" with the reason when the
    // lock file cannot be made or opened (a read-only folder) or another copy
    // holds the lock longer than WaitSeconds.
    void Lock(std::string_view path);
    void Release();
    bool Held() const { return FFd >= 0; }

private:
    int FFd = -1;
};

// The point of a save between re-reading the file and writing it, where the
// lock is held. It does nothing unless the environment variable
// ZINTAVOR_SAVE_PAUSE names a folder: then it makes there the file
// "<file name>.<process id>.paused" and waits (at most a few minutes) until
// somebody removes it, so that a test can hold a save at this point. While
// Lock waits for another copy, it keeps "<file name>.<process id>.waiting"
// there in the same way.
void SavePausePoint(std::string_view path);

}  // namespace fs932
