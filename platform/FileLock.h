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

// The stages of a save under the lock that a test program can watch.
enum class TSaveStage {
    Waiting,  // Lock found another copy holding the lock and waits for it
    Waited,   // Lock stopped waiting (taken, or given up)
    Writing,  // the save has read the file again and is about to write it
};
// What a test program installs to hold a save at a stage (a test of two copies
// racing). The program itself never installs one: nothing outside the test
// programs can make a save wait.
using TSaveStageHook = void (*)(std::string_view path, TSaveStage stage);
void SetSaveStageHook(TSaveStageHook hook);

// The point of a save between re-reading the file and writing it, where the
// lock is held: the stage Writing.
void SavePausePoint(std::string_view path);

}  // namespace fs932
