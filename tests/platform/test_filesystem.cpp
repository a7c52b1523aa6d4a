#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "BlockFile.h"
#include "FileAccess.h"
#include "FileSystem.h"
#include "TestUtil.h"

TEST(FileSystem, BackslashAndSlashBothSeparateButTrailBytesDoNot) {
    EXPECT_EQ(fs932::ToNative("a\\b/c"), "a/b/c");
    EXPECT_EQ(fs932::ToNative("表\\x"), u8"表/x");   // 表 ends in 0x5C
}

TEST(FileSystem, ListsFoldersCaseInsensitivelySorted) {
    std::string dir = testutil::TempFolder("listing");
    for (const char* f : {"b.sql", "A.SQL", "c.txt", "表.sql"}) ASSERT_TRUE(fs932::WriteFileAtomic(dir + f, "x"));
    ASSERT_TRUE(fs932::CreateDir(dir + "Sub"));
    std::vector<fs932::DirEntry> e;
    ASSERT_TRUE(fs932::ListDirectory(dir, e));
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].Name, "A.SQL");
    EXPECT_EQ(e[1].Name, "b.sql");
    EXPECT_EQ(e[2].Name, "c.txt");
    EXPECT_EQ(e[3].Name, "Sub");
    EXPECT_TRUE(e[3].IsFolder);
    EXPECT_EQ(e[4].Name, "表.sql");
    EXPECT_FALSE(fs932::ListDirectory(dir + "none", e));
}

TEST(FileSystem, MasksMatchCaseInsensitively) {
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        {"a.SQL", "*.sql", true}, {"a.sql", "*.*", true}, {"noext", "*.*", true}, {"a.sql", "", true},
        {"a.sql", "?.sql", true}, {"表.sql", "?.sql", true}, {"ab.sql", "?.sql", false},
        {"a.sql", "*.txt", false}, {"x.order", "*.Order", true}, {"abcabd", "*abd", true},
    };
    for (const auto& c : cases) EXPECT_EQ(fs932::MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

TEST(FileSystem, WriteIsAtomicAndReadable) {
    std::string dir = testutil::TempFolder("atomic");
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "one"));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "two"));
    std::string s;
    ASSERT_TRUE(fs932::ReadFile(dir + "f", s));
    EXPECT_EQ(s, "two");
    std::vector<fs932::DirEntry> e;
    fs932::ListDirectory(dir, e);
    EXPECT_EQ(e.size(), 1u);  // no temporary file left behind
    EXPECT_FALSE(fs932::ReadFile(dir, s));
}

// Files read whole and byte for byte, around the read's block sizes and
// across the size the large-page buffer starts at.
TEST(FileSystem, ReadsEveryByteOfAnySize) {
    const std::string dir = testutil::TempFolder("readsizes");
    for (size_t size : {size_t(0), size_t(1), size_t(65535), size_t(65536), size_t(65537), size_t(4) << 20,
                        (size_t(5) << 20) + 3}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 4093) & 0xFF);
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", bytes));
        std::string read = "left over";
        ASSERT_EQ(fs932::ReadRegularFile(dir + "f", read), fs932::ReadResult::Ok) << size;
        EXPECT_TRUE(read == bytes) << size << " bytes read as " << read.size();
    }
    // a file whose size the system reports as 0 yet holds text
    std::string status;
    ASSERT_EQ(fs932::ReadRegularFile("/proc/self/status", status), fs932::ReadResult::Ok);
    EXPECT_NE(status.find("Name:"), std::string::npos);
}

namespace {

mode_t ModeOf(const std::string& nativePath) {
    struct stat st;
    return lstat(nativePath.c_str(), &st) == 0 ? st.st_mode : 0;
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<fs932::DirEntry> e;
    fs932::ListDirectory(dir, e);
    std::vector<std::string> names;
    for (const auto& d : e) names.push_back(d.Name);
    return names;
}

std::string Read(const std::string& path) {
    std::string s;
    return fs932::ReadFile(path, s) ? s : "<unreadable>";
}

}  // namespace

// Each case prepares the folder (with an empty "sub" in it), then saves "new"
// to "f"; nothing but the listed names may be left in the folder afterwards.
TEST(FileSystem, AtomicWriteKeepsModesAndRefusesWhatMayNotBeWritten) {
    struct Case {
        const char* name;
        std::function<void(const std::string& dir)> prepare;  // native folder with '/'
        bool written;
        mode_t mode;      // of the file the save reaches; 0: not checked
        std::string content;  // of "f" (read through any link) afterwards
        std::vector<std::string> names;
    };
    auto file = [](const char* bytes, mode_t mode) {
        return [=](const std::string& dir) {
            ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", bytes));
            ASSERT_EQ(chmod((dir + "f").c_str(), mode), 0);
        };
    };
    const Case cases[] = {
        {"new file", [](const std::string&) {}, true, 0644, "new", {"f", "sub"}},
        {"private file stays private", file("old", 0600), true, 0600, "new", {"f", "sub"}},
        {"group-readable file", file("old", 0640), true, 0640, "new", {"f", "sub"}},
        {"read-only file", file("old", 0444), false, 0444, "old", {"f", "sub"}},
        {"folder in its place", [](const std::string& dir) { ASSERT_EQ(mkdir((dir + "f").c_str(), 0755), 0); },
         false, 0, "<unreadable>", {"f", "sub"}},
        {"pipe in its place", [](const std::string& dir) { ASSERT_EQ(mkfifo((dir + "f").c_str(), 0644), 0); },
         false, 0, "", {"f", "sub"}},
        {"link to a file elsewhere",
         [](const std::string& dir) {
             ASSERT_TRUE(fs932::WriteFileAtomic(dir + "sub/real", "old"));
             ASSERT_EQ(chmod((dir + "sub/real").c_str(), 0600), 0);
             ASSERT_EQ(symlink("sub/real", (dir + "f").c_str()), 0);
         },
         true, 0600, "new", {"f", "sub"}},
        {"dangling link", [](const std::string& dir) { ASSERT_EQ(symlink("sub/made", (dir + "f").c_str()), 0); },
         true, 0644, "new", {"f", "sub"}},
        {"link planted at the old temporary name",
         [](const std::string& dir) {
             ASSERT_TRUE(fs932::WriteFileAtomic(dir + "sub/victim", "victim"));
             ASSERT_EQ(symlink("sub/victim", (dir + "f.tmp" + std::to_string(getpid())).c_str()), 0);
         },
         true, 0644, "new", {"f", "f.tmp" + std::to_string(getpid()), "sub"}},
    };
    const mode_t oldMask = umask(022);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = testutil::TempFolder("modes");
        ASSERT_TRUE(fs932::CreateDir(dir + "sub"));
        c.prepare(dir);
        EXPECT_EQ(fs932::WriteFileAtomic(dir + "f", "new"), c.written);
        if (c.mode != 0) {
            struct stat st;
            ASSERT_EQ(stat((dir + "f").c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, c.mode);
        }
        const std::string name = c.name;
        if (name != "pipe in its place") {
            EXPECT_EQ(Read(dir + "f"), c.content);
        } else {
            EXPECT_TRUE(S_ISFIFO(ModeOf(dir + "f")));
        }
        EXPECT_EQ(Names(dir), c.names);
        if (name == "link to a file elsewhere" || name == "dangling link") {
            EXPECT_TRUE(S_ISLNK(ModeOf(dir + "f"))) << "the link itself stays";
            EXPECT_EQ(Names(dir + "sub").size(), 1u) << "nothing left beside the file the link names";
        }
        if (name == "link planted at the old temporary name") {
            EXPECT_EQ(Read(dir + "sub/victim"), "victim");
        }
    }
    umask(oldMask);
}

TEST(FileSystem, AtomicWriteRefusesAFolderWithoutWritePermission) {
    const std::string dir = testutil::TempFolder("rofolder");
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "old"));
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    EXPECT_FALSE(fs932::WriteFileAtomic(dir + "f", "new"));
    EXPECT_FALSE(fs932::WriteFileAtomic(dir + "g", "new"));
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    EXPECT_EQ(Read(dir + "f"), "old");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"f"});
}

TEST(FileSystem, AtomicWriteKeepsOwnerAndGroupWherePermitted) {
    const std::string dir = testutil::TempFolder("owner");
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "old"));
    const uid_t uid = getuid() == 0 ? 4321 : getuid();
    const gid_t gid = getuid() == 0 ? 4322 : getgid();
    if (getuid() == 0) {
        ASSERT_EQ(chown((dir + "f").c_str(), uid, gid), 0);
    }
    ASSERT_EQ(chmod((dir + "f").c_str(), 0640), 0);
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "new"));
    struct stat st;
    ASSERT_EQ(stat((dir + "f").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, uid);
    EXPECT_EQ(st.st_gid, gid);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(FileSystem, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    const std::string dir = testutil::TempFolder("full");
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "old"));
    // a file size limit stands in for a full disk
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(fs932::WriteFileAtomic(dir + "f", std::string(100000, 'x')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must fail";
    EXPECT_EQ(Read(dir + "f"), "old");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"f"});
}

TEST(FileSystem, AKeptCopyHasTheModeAndNeverReplaces) {
    const std::string dir = testutil::TempFolder("keep");
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", std::string("a\0b", 3)));
    ASSERT_EQ(chmod((dir + "f").c_str(), 0600), 0);
    ASSERT_TRUE(fs932::KeepCopy(dir + "f", dir + "f.bad"));
    EXPECT_EQ(Read(dir + "f.bad"), std::string("a\0b", 3));
    EXPECT_EQ(ModeOf(dir + "f.bad") & 07777, 0600u);
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "second"));
    EXPECT_FALSE(fs932::KeepCopy(dir + "f", dir + "f.bad"));
    EXPECT_EQ(Read(dir + "f.bad"), std::string("a\0b", 3));
    EXPECT_FALSE(fs932::KeepCopy(dir + "missing", dir + "m.bad"));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"f", "f.bad"}));
}

// A listed name opens the entry it was listed for: a name with no exact CP932
// form (overlong or broken UTF-8, a character CP932 lacks, a backslash that
// would be read as a separator) is not listed at all.
TEST(FileSystem, ListingLeavesOutNamesThatWouldOpenAnotherFile) {
    const std::string dir = testutil::TempFolder("listing-exact");
    const std::string native = fs932::ToNative(dir);
    for (const char* raw : {"a\xC0\xAF" "b.sql", "\xC0\xAE\xC0\xAE", "\xE0\x80\xAF" "c", "n\xC0\x80" "ul",
                            "s\xED\xA0\x80", "big\xF4\x90\x80\x80", "caf\xC3\xA9.sql", "x\\y.sql", "cut\xE8\xA1"}) {
        const int fd = open((native + raw).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << testutil::Hex(raw);
        close(fd);
    }
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "表.sql", "x"));
    ASSERT_TRUE(fs932::CreateDir(dir + "a"));
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"a", "表.sql"}));
}

namespace {

// Runs Body in a child process that the alarm kills after Seconds; true when
// the child ended by itself with exit code 0 (a read that waits for ever, or
// reads for ever, is killed and fails).
bool EndsSoonWithSuccess(const std::function<bool()>& Body, unsigned Seconds = 3) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        alarm(Seconds);
        _exit(Body() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

// A FIFO without a writer, a device, or a link to one of them, in place of a
// file: every read of a named file refuses it at once, and nothing takes it
// for a file that can be written.
TEST(FileSystem, NoReadWaitsOnAFifoOrADevice) {
    const std::string dir = testutil::TempFolder("special");
    ASSERT_EQ(mkfifo((dir + "fifo").c_str(), 0644), 0);
    ASSERT_EQ(symlink("fifo", (dir + "to-fifo").c_str()), 0);
    ASSERT_EQ(symlink("/dev/zero", (dir + "to-zero").c_str()), 0);
    struct Reader {
        const char* Name;
        std::function<bool(const std::string& path)> Refuses;
    };
    const std::vector<Reader> readers = {
        {"ReadFile", [](const std::string& p) { std::string b; return !fs932::ReadFile(p, b) && b.empty(); }},
        {"ReadRegularFile",
         [](const std::string& p) { std::string b; return fs932::ReadRegularFile(p, b) == fs932::ReadResult::NotRegular; }},
        {"OpenRegularFile",
         [](const std::string& p) {
             int fd = 7;
             return fs932::OpenRegularFile(p, fd) == fs932::ReadResult::NotRegular && fd == -1;
         }},
        {"ReadFileBlocks",
         [](const std::string& p) {
             bool any = false;
             return !fs932::ReadFileBlocks(p, [&](std::string_view) { return any = true; }) && !any;
         }},
        {"TBlockFile", [](const std::string& p) { TBlockFile f; return !f.Open(p); }},
        {"KeepCopy", [](const std::string& p) { return !fs932::KeepCopy(p, p + ".copy") && !fs932::FileExists(p + ".copy"); }},
        {"CanOpenReadWrite", [](const std::string& p) { return !fs932::CanOpenReadWrite(p); }},
        {"IsSpecialFile", [](const std::string& p) { return fs932::IsSpecialFile(p); }},
    };
    for (const char* name : {"fifo", "to-fifo", "to-zero"}) {
        for (const Reader& r : readers) {
            SCOPED_TRACE(std::string(name) + " " + r.Name);
            const std::string path = dir + name;
            EXPECT_TRUE(EndsSoonWithSuccess([&] { return r.Refuses(path); }));
        }
    }
    // a regular file is still read, and is no special file
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "plain", "abc"));
    std::string b;
    EXPECT_TRUE(fs932::ReadFile(dir + "plain", b));
    EXPECT_EQ(b, "abc");
    EXPECT_FALSE(fs932::IsSpecialFile(dir + "plain"));
    EXPECT_FALSE(fs932::IsSpecialFile(dir + "missing"));
    EXPECT_EQ(fs932::ReadRegularFile(dir + "missing", b), fs932::ReadResult::Missing);
}

// A kill during a save leaves its temporary file; its name says which file and
// which process it was for, and the next save of that file removes it. The
// temporary files of a running process, of another file and anything else stay.
TEST(FileSystem, ATemporaryFileLeftByAKillIsNamedAndRemovedByTheNextSave) {
    const std::string dir = testutil::TempFolder("killed");
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "old"));
    // the file size limit kills the writer in the middle of its write
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_DFL);
        struct rlimit none = {0, 0};
        setrlimit(RLIMIT_CORE, &none);
        struct rlimit lim = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        fs932::WriteFileAtomic(dir + "f", std::string(100000, 'x'));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer must die in its write";
    std::vector<std::string> left;
    for (const std::string& n : Names(dir))
        if (n != "f") left.push_back(n);
    ASSERT_EQ(left.size(), 1u);
    const std::string prefix = ".f." + std::to_string(child) + ".";
    ASSERT_EQ(left[0].compare(0, prefix.size(), prefix), 0) << left[0];
    const std::string random = left[0].substr(prefix.size());
    EXPECT_EQ(random.size(), 16u + 4u) << left[0];
    EXPECT_EQ(random.find_first_not_of("0123456789abcdef"), 16u) << left[0];
    EXPECT_EQ(random.substr(16), ".tmp");
    EXPECT_EQ(Read(dir + "f"), "old");

    // process 1 always runs; the dead writer's file of "g" belongs to another target
    const std::vector<std::string> stay = {".f.1.0123456789abcdef.tmp", ".g." + std::to_string(child) + ".0123456789abcdef.tmp",
                                           ".f.x.0123456789abcdef.tmp", ".f.tmp"};
    for (const std::string& n : stay) ASSERT_TRUE(fs932::WriteFileAtomic(dir + n, "keep"));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "f", "new"));
    std::vector<std::string> expected = stay;
    expected.push_back("f");
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> names = Names(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(Read(dir + "f"), "new");
}
