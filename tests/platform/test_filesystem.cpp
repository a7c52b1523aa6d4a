#include <gtest/gtest.h>

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
