#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

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
