#include "FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "CP932.h"
#include "SysUtils.h"

namespace fs932 {

std::string ToNative(std::string_view p) {
    std::string u = cp932::ToUtf8(p);
    // after decoding, a 0x5C byte can only be a real backslash, never a trail byte
    std::replace(u.begin(), u.end(), '\\', '/');
    return u;
}

std::string FromNative(std::string_view p) { return cp932::FromUtf8(p); }

bool FromNativeExact(std::string_view p, std::string& out) {
    // a backslash of a native name would be read back as a separator
    return cp932::FromUtf8Exact(p, out) && p.find('\\') == std::string_view::npos;
}

bool IsUsableName(std::string_view p) {
    if (p.find('\0') != std::string_view::npos) return false;
    bool lossy = false;
    cp932::ToUtf16(p, &lossy);
    return !lossy;
}

std::string UnusableNameMessage(std::string_view p) {
    std::string shown = cp932::FromUtf16(cp932::ToUtf16(p));
    std::replace(shown.begin(), shown.end(), '\0', '?');
    return "ファイル名に、シフトJISで表せない文字が含まれています。このファイルは使えません。\r\n" + shown;
}

bool FileExists(std::string_view path) {
    struct stat st;
    return stat(ToNative(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
    struct stat st;
    return stat(ToNative(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsSpecialFile(std::string_view path) {
    struct stat st;
    return stat(ToNative(path).c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

ReadResult OpenRegularFile(std::string_view path, int& fd) {
    fd = -1;
    const std::string native = ToNative(path);
    auto failed = [] { return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed; };
    // looked at first, so that a device is never opened at all
    struct stat st;
    if (stat(native.c_str(), &st) != 0) return failed();
    if (!S_ISREG(st.st_mode)) return ReadResult::NotRegular;
    // O_NONBLOCK: should a FIFO take the file's place meanwhile, opening it must not wait
    const int f = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (f < 0) return failed();
    struct stat now;
    if (fstat(f, &now) != 0) {
        close(f);
        return ReadResult::Failed;
    }
    if (!S_ISREG(now.st_mode)) {
        close(f);
        return ReadResult::NotRegular;
    }
    const int flags = fcntl(f, F_GETFL);
    if (flags >= 0) (void)fcntl(f, F_SETFL, flags & ~O_NONBLOCK);
    fd = f;
    return ReadResult::Ok;
}

namespace {

// A big buffer not yet touched is backed by large pages where the system
// offers them: a file of tens of megabytes then costs a few page faults, not
// one per 4 KB page.
void AskForLargePages(const char* data, size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t large = uintptr_t(2) << 20;
    if (size < 2 * large) return;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(data) + large - 1) & ~(large - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(data) + size) & ~(large - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace

ReadResult ReadRegularFile(std::string_view path, std::string& bytes) {
    bytes.clear();
    int fd = -1;
    const ReadResult opened = OpenRegularFile(path, fd);
    if (opened != ReadResult::Ok) return opened;
    struct Closer {
        int Fd;
        ~Closer() { close(Fd); }
    } closer{fd};
    // read straight into the string, sized by the file (it may still grow or shrink meanwhile)
    struct stat st;
    size_t got = 0;
    const size_t size = fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : size_t(1) << 16;
    bytes.reserve(size);
    AskForLargePages(bytes.data(), bytes.capacity());
    bytes.resize(size);
    for (;;) {
        if (got == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t r = read(fd, &bytes[got], bytes.size() - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return ReadResult::Failed;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    bytes.resize(got);
    return ReadResult::Ok;
}

bool ReadFile(std::string_view path, std::string& bytes) { return ReadRegularFile(path, bytes) == ReadResult::Ok; }

namespace {

// The name a write reaches: symbolic links followed to the file they name,
// which need not exist yet. Empty when the chain cannot be followed.
std::string FollowLinks(std::string target) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
        char buf[PATH_MAX];
        ssize_t r = readlink(target.c_str(), buf, sizeof buf);
        if (r <= 0 || static_cast<size_t>(r) >= sizeof buf) return std::string();
        std::string link(buf, static_cast<size_t>(r));
        if (link[0] != '/') {
            size_t slash = target.rfind('/');
            if (slash != std::string::npos) link = target.substr(0, slash + 1) + link;
        }
        target = std::move(link);
    }
    errno = ELOOP;
    return std::string();
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Whether this process may change an entry: the system allows it, and its
// permission bits do not mark it read-only for everybody (which the
// administrator honours too).
bool MayWrite(const std::string& path, const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        errno = EACCES;
        return false;
    }
    return true;
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// 16 random hex digits.
std::string RandomHex() {
    unsigned char r[8];
    if (getrandom(r, sizeof r, 0) != static_cast<ssize_t>(sizeof r)) {
        // no entropy to be had: the exclusive creation still keeps the name safe
        static uint64_t counter = 0;
        uint64_t v = (static_cast<uint64_t>(getpid()) << 32) ^ static_cast<uint64_t>(time(nullptr)) ^
                     (++counter * 0x9E3779B97F4A7C15ull);
        std::memcpy(r, &v, sizeof r);
    }
    static const char* d = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : r) {
        hex.push_back(d[c >> 4]);
        hex.push_back(d[c & 15]);
    }
    return hex;
}

// The process id of a temporary file's name "<prefix><pid>.<16 hex>.tmp"; 0
// when the name is not of that form.
pid_t TempFileWriter(std::string_view name, std::string_view prefix) {
    constexpr std::string_view tail = ".tmp";
    if (name.size() <= prefix.size() + tail.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - tail.size()) != tail)
        return 0;
    std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - tail.size());
    const size_t dot = middle.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 9 || middle.size() - dot - 1 != 16) return 0;
    pid_t pid = 0;
    for (char c : middle.substr(0, dot)) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    for (char c : middle.substr(dot + 1))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return 0;
    return pid;
}

// Removes the temporary files of a target that a process left which no
// longer exists (killed during a save). A running process's stay, and so
// does anything that is not a plain file.
void RemoveStaleTempFiles(const std::string& folder, const std::string& targetName) {
    const std::string prefix = TempFilePrefix(targetName);
    DIR* d = opendir(folder.c_str());
    if (!d) return;
    const int dfd = dirfd(d);
    while (dirent* e = readdir(d)) {
        const pid_t pid = TempFileWriter(e->d_name, prefix);
        if (pid <= 0 || pid == getpid()) continue;
        if (kill(pid, 0) == 0 || errno != ESRCH) continue;
        struct stat st;
        if (fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        (void)unlinkat(dfd, e->d_name, 0);
    }
    closedir(d);
}

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(w);
    }
    return true;
}

// Gives the new file the owner, group and mode of the one it replaces, as far
// as the process may. A group that cannot be kept gets no more than others had.
void TakeOver(int fd, const struct stat& old) {
    mode_t mode = old.st_mode & 07777;
    struct stat now;
    if (fstat(fd, &now) != 0) return;
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0 && now.st_gid != old.st_gid) {
            if (fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0)
                mode = (mode & ~static_cast<mode_t>(S_IRWXG)) | (mode & ((mode & S_IRWXO) << 3));
        }
    }
    (void)fchmod(fd, mode);
}

void SyncFolder(const std::string& folder) {
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    (void)fsync(dfd);
    close(dfd);
}

}  // namespace

std::string TempFilePrefix(std::string_view nativeTargetName) {
    // room for the process id, the random part and ".tmp" within a name's 255 bytes
    constexpr size_t kNameMax = 200;
    std::string_view name = nativeTargetName;
    if (name.size() > kNameMax) {
        size_t cut = kNameMax;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // a whole UTF-8 character
        name = name.substr(0, cut);
    }
    return "." + std::string(name) + ".";
}

std::string WriteTarget(std::string_view path) {
    const std::string target = FollowLinks(ToNative(path));
    return target.empty() ? std::string() : FromNative(target);
}

bool WriteFileAtomic(std::string_view path, std::string_view bytes, unsigned newFileMode) {
    std::string target = FollowLinks(ToNative(path));
    if (target.empty()) return false;
    const std::string folder = FolderOf(target);
    struct stat fst;
    if (stat(folder.c_str(), &fst) != 0) return false;
    if (!S_ISDIR(fst.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    if (!MayWrite(folder, fst)) return false;
    struct stat old;
    const bool replacing = lstat(target.c_str(), &old) == 0;
    if (replacing) {
        // only a plain file is replaced: never a folder, a device or a pipe
        if (!S_ISREG(old.st_mode)) {
            errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        if (!MayWrite(target, old)) return false;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::string targetName = NameOf(target);
    RemoveStaleTempFiles(folder, targetName);
    const std::string tmpStart =
        (folder == "/" ? std::string() : folder) + "/" + TempFilePrefix(targetName) + std::to_string(getpid()) + ".";
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        tmp = tmpStart + RandomHex() + ".tmp";
        fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  static_cast<mode_t>(replacing ? 0600 : (newFileMode & 07777)));
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    auto fail = [&] {
        int e = errno;
        if (fd >= 0) close(fd);
        unlink(tmp.c_str());
        errno = e;
        return false;
    };
    if (replacing) TakeOver(fd, old);
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) return fail();
    int closed = close(fd);
    fd = -1;
    if (closed != 0 || rename(tmp.c_str(), target.c_str()) != 0) return fail();
    SyncFolder(folder);
    return true;
}

bool KeepCopy(std::string_view path, std::string_view copyName) {
    const std::string to = ToNative(copyName);
    int in = -1;
    if (OpenRegularFile(path, in) != ReadResult::Ok) return false;
    struct stat st;
    if (fstat(in, &st) != 0) {
        close(in);
        return false;
    }
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        close(in);
        return false;
    }
    TakeOver(out, st);
    bool ok = true;
    char buf[1 << 16];
    for (;;) {
        ssize_t r = read(in, buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            ok = r == 0;
            break;
        }
        if (!WriteAll(out, std::string_view(buf, static_cast<size_t>(r)))) {
            ok = false;
            break;
        }
    }
    close(in);
    ok = fsync(out) == 0 && ok;
    ok = close(out) == 0 && ok;
    if (!ok) {
        unlink(to.c_str());
        return false;
    }
    SyncFolder(FolderOf(to));
    return true;
}

bool DeleteFile(std::string_view path) { return unlink(ToNative(path).c_str()) == 0; }
bool RenameFile(std::string_view from, std::string_view to) {
    return rename(ToNative(from).c_str(), ToNative(to).c_str()) == 0;
}
bool CreateDir(std::string_view path) { return mkdir(ToNative(path).c_str(), 0755) == 0; }

bool ForceDirectories(std::string_view path) {
    std::string n = ToNative(path);
    while (n.size() > 1 && n.back() == '/') n.pop_back();
    if (n.empty()) return false;
    for (size_t i = 1; i <= n.size(); ++i) {
        if (i == n.size() || n[i] == '/') {
            std::string part = n.substr(0, i);
            struct stat st;
            if (stat(part.c_str(), &st) == 0) {
                if (!S_ISDIR(st.st_mode)) return false;
            } else if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    return true;
}

bool ListDirectory(std::string_view folder, std::vector<DirEntry>& entries) {
    entries.clear();
    std::string dir = ToNative(folder);
    if (dir.empty()) dir = ".";
    DIR* d = opendir(dir.c_str());
    if (!d) return false;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        std::string cp;
        if (!FromNativeExact(name, cp)) continue;
        bool isDir = stat((dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back({std::move(cp), isDir});
    }
    closedir(d);
    std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
        int c = sys::CompareText(a.Name, b.Name);
        return c != 0 ? c < 0 : a.Name < b.Name;
    });
    return true;
}

namespace {
// '*' matches any run, '?' one character (a double-byte character counts as one).
bool Match(std::string_view n, std::string_view m) {
    size_t ni = 0, mi = 0, starM = std::string_view::npos, starN = 0;
    auto charLen = [](std::string_view s, size_t i) {
        return (cp932::IsLeadByte(s[i]) && i + 1 < s.size()) ? size_t(2) : size_t(1);
    };
    while (ni < n.size()) {
        if (mi < m.size() && m[mi] == '*') {
            starM = mi++;
            starN = ni;
        } else if (mi < m.size() && m[mi] == '?') {
            ni += charLen(n, ni);
            ++mi;
        } else if (mi < m.size()) {
            size_t ln = charLen(n, ni), lm = charLen(m, mi);
            if (ln == lm && sys::CompareText(n.substr(ni, ln), m.substr(mi, lm)) == 0) {
                ni += ln;
                mi += lm;
            } else if (starM != std::string_view::npos) {
                mi = starM + 1;
                starN += charLen(n, starN);
                ni = starN;
            } else {
                return false;
            }
        } else if (starM != std::string_view::npos) {
            mi = starM + 1;
            starN += charLen(n, starN);
            ni = starN;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == '*') ++mi;
    return mi == m.size();
}
}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    std::string m = sys::Trim(mask);
    if (m.empty() || m == "*.*") m = "*";
    return Match(name, m);
}

std::string GetCurrentDir() {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return std::string();
    return FromNative(buf);
}

bool SetCurrentDir(std::string_view path) { return chdir(ToNative(path).c_str()) == 0; }

namespace {
std::string SelfExe() {
    char buf[PATH_MAX];
    ssize_t r = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (r <= 0) return std::string();
    buf[r] = '\0';
    return buf;
}
}  // namespace

std::string ProgramFolder() {
    std::string exe = SelfExe();
    size_t slash = exe.rfind('/');
    return FromNative(slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1));
}

std::string ProgramBaseName() {
    std::string exe = SelfExe();
    size_t slash = exe.rfind('/');
    std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return FromNative(name);
}

std::string ProgramFileName() {
    std::string exe = SelfExe();
    size_t slash = exe.rfind('/');
    return FromNative(slash == std::string::npos ? exe : exe.substr(slash + 1));
}

}  // namespace fs932
