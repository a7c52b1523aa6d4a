#include "FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

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

bool FileExists(std::string_view path) {
    struct stat st;
    return stat(ToNative(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
    struct stat st;
    return stat(ToNative(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadFile(std::string_view path, std::string& bytes) {
    bytes.clear();
    int fd = open(ToNative(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) { close(fd); return false; }
    if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        ssize_t r = read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return false;
        }
        if (r == 0) break;
        bytes.append(buf, static_cast<size_t>(r));
    }
    close(fd);
    return true;
}

ReadResult ReadRegularFile(std::string_view path, std::string& bytes) {
    bytes.clear();
    // O_NONBLOCK: opening a FIFO with no writer must not wait.
    const int fd = open(ToNative(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    struct Closer {
        int Fd;
        ~Closer() { close(Fd); }
    } closer{fd};
    struct stat st;
    if (fstat(fd, &st) != 0) return ReadResult::Failed;
    if (!S_ISREG(st.st_mode)) return ReadResult::NotRegular;
    if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return ReadResult::Failed;
        }
        if (r == 0) break;
        bytes.append(buf, static_cast<size_t>(r));
    }
    return ReadResult::Ok;
}

bool WriteFileAtomic(std::string_view path, std::string_view bytes) {
    std::string target = ToNative(path);
    std::string tmp = target + ".tmp" + std::to_string(getpid());
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            close(fd);
            unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(w);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        unlink(tmp.c_str());
        return false;
    }
    if (rename(tmp.c_str(), target.c_str()) != 0) {
        unlink(tmp.c_str());
        return false;
    }
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
        bool isDir = stat((dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back({FromNative(name), isDir});
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
