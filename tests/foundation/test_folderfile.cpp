#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "FileSystem.h"
#include "ScreenMetrics.h"
#include "T_FolderFile.h"
#include "TestUtil.h"

using testutil::Hex;
using Lines = std::vector<std::string>;

namespace {

class FolderFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = testutil::TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_FALSE(Dir.empty());
    }
    void Make(const std::string& name, const std::string& bytes) { ASSERT_TRUE(fs932::WriteFileAtomic(Dir + name, bytes)); }
    void Folder(const std::string& name) { ASSERT_TRUE(fs932::ForceDirectories(Dir + name)); }
    std::string Dir;  // with a trailing '/'
};

// Records every node as (parent text, text); a node is its index + 1.
struct FakeNodes : IFolderTreeNodes {
    void* AddChildNode(void* parent, const std::string& text) override {
        size_t p = reinterpret_cast<size_t>(parent);
        Added.emplace_back(p ? Added[p - 1].second : std::string("<root>"), text);
        return reinterpret_cast<void*>(Added.size());
    }
    std::vector<std::pair<std::string, std::string>> Added;
};

}  // namespace

TEST_F(FolderFileTest, FolderAndFileListings) {
    Folder("b");
    Folder("A");
    Folder(".hidden");
    Folder("表");
    Make("x.SQL", "");
    Make("y.txt", "");
    Make("z.sql", "");
    Make(".dot.sql", "");

    TStringList folders;
    folders.Add("kept");
    TFolderFile::GetFolderList(Dir, folders);
    EXPECT_EQ(folders.Items, (Lines{"kept", "A", "b", "表"}));

    struct Case {
        const char* mask;
        Lines files;
    } cases[] = {
        {"*.sql", {".dot.sql", "x.SQL", "z.sql"}},
        {"", {".dot.sql", "x.SQL", "y.txt", "z.sql"}},
        {"  *.TXT ", {"y.txt"}},
        {"*.*", {".dot.sql", "x.SQL", "y.txt", "z.sql"}},
        {"none*", {}},
    };
    for (const auto& c : cases) {
        TStringList files;
        TFolderFile::GetFileList(Dir, c.mask, files);
        EXPECT_EQ(files.Items, c.files) << c.mask;
    }

    TStringList none;
    TFolderFile::GetFolderList(Dir + "missing", none);
    TFolderFile::GetFileList(Dir + "missing", "", none);
    EXPECT_TRUE(none.Empty());

    EXPECT_TRUE(TFolderFile::FolderExists(Dir + "A"));
    EXPECT_TRUE(TFolderFile::FolderExists(Dir + "表\\"));
    EXPECT_FALSE(TFolderFile::FolderExists(Dir + "y.txt"));
    EXPECT_FALSE(TFolderFile::FolderExists(Dir + "missing"));
}

TEST(FolderFile, ChangeAndRemoveExtensions) {
    struct Case {
        const char* name;
        const char* ext;
        const char* changed;
        const char* removed;
    } cases[] = {
        {"a.txt", "sql", "a.sql", "a"},
        {"a.txt", ".sql", "a.sql", "a"},
        {"a.txt", "  sql ", "a.sql", "a"},
        {"a.b.txt", "sql", "a.b.sql", "a.b"},
        {"a", "sql", "a.sql", "a"},
        {"dir.d\\a", "sql", "dir.d\\a.sql", "dir.d\\a"},   // a dot in the folder part is no extension
        {"dir.d/a", "sql", "dir.d/a.sql", "dir.d/a"},
        {"C:\\x\\f.sql", "txt", "C:\\x\\f.txt", "C:\\x\\f"},
        {"表.sql", "txt", "表.txt", "表"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TFolderFile::ChangeExt(c.name, c.ext), c.changed) << c.name;
        EXPECT_EQ(TFolderFile::RemoveExt(c.name), c.removed) << c.name;
    }
}

TEST_F(FolderFileTest, IsTextFile) {
    struct Case {
        const char* name;
        std::string bytes;
        bool text;
    } cases[] = {
        {"plain", "select 1;\r\nfrom x\r\n", true},
        {"allowed", "a\tb\x0c\x1a\r\nc\n", true},
        {"japanese", "表示 ソ\r\n", true},
        {"empty", "", true},
        {"ctl-last", "abc\x01\r\ndef\r\n", false},   // the control byte is the last byte of its line
        {"nul", std::string("a\0b", 3), false},
        {"esc", "\x1b[0m", false},
    };
    for (const auto& c : cases) {
        Make(c.name, c.bytes);
        EXPECT_EQ(TFolderFile::IsTextFile(Dir + c.name), c.text) << c.name;
    }
    // far into a large file
    Make("late", std::string(200000, 'a') + "\x02");
    EXPECT_FALSE(TFolderFile::IsTextFile(Dir + "late"));
    // what cannot be read counts as text
    EXPECT_TRUE(TFolderFile::IsTextFile(Dir + "missing"));
    Folder("sub");
    EXPECT_TRUE(TFolderFile::IsTextFile(Dir + "sub"));
}

TEST(FolderFile, SplitToListAndJoinList) {
    struct Case {
        std::string s;
        Lines parts;
    } cases[] = {
        {"a\\b\\c", {"a", "b", "c"}},
        {"a\\b\\", {"a", "b"}},        // a trailing delimiter makes no empty last part
        {"\\a", {"", "a"}},
        {"a\\\\b", {"a", "", "b"}},
        {"", {}},
        {"\\", {""}},
        {"表\\x", {"表", "x"}},        // the 0x5C of 表 is no delimiter
    };
    for (const auto& c : cases) {
        std::unique_ptr<TStringList> list = TFolderFile::SplitToList(c.s, '\\');
        EXPECT_EQ(list->Items, c.parts) << c.s;
    }
    TStringList l;
    EXPECT_EQ(TFolderFile::JoinList(l, ','), "");
    l.Add("a");
    EXPECT_EQ(TFolderFile::JoinList(l, ','), "a");
    l.Add("");
    l.Add("表");
    EXPECT_EQ(TFolderFile::JoinList(l, '\\'), "a\\\\表");
}

TEST(FolderFile, ResolveRelativePath) {
    struct Case {
        const char* base;
        const char* path;
        const char* result;
    } cases[] = {
        {"C:\\work\\", ".\\x.sql", "C:\\work\\x.sql"},
        {"C:\\a\\b\\c\\", "..\\..\\x.sql", "C:\\a\\x.sql"},
        {"C:\\a\\b\\c", "..\\x.sql", "C:\\a\\b\\x.sql"},
        {"C:\\a\\", "x.sql", "x.sql"},                  // not beginning with '.': unchanged, even when relative
        {"C:\\a\\", "sub\\..\\x.sql", "sub\\..\\x.sql"},
        {"C:\\a\\", "..\\..\\..\\x.sql", "C:\\x.sql"},  // more ".." than folders: stops at the root
        {"C:\\a\\", ".", "C:\\a"},
        {"C:\\a\\", "..", "C:"},
        {"C:\\work\\", "./sub/x.sql", "C:\\work\\sub\\x.sql"},
        {"C:\\work\\", ".\\..\\x", "C:\\work\\..\\x"},  // only a first "." goes after the ".." are done
        {"C:\\work\\", ".hidden\\x", "C:\\work\\.hidden\\x"},
        {"C:\\表\\ソ\\", "..\\x", "C:\\表\\x"},         // 表 and ソ end in 0x5C
        {"/home/u/", "./x.sql", "\\home\\u\\x.sql"},
        {"/home/u/", "../../../x", "\\x"},
        {"/home/", "..", "\\"},
        {"a\\b", "..\\..\\..\\x", "..\\x"},            // above a relative folder the ".." stays
        {"", ".\\x", "x"},
    };
    for (const auto& c : cases) EXPECT_EQ(TFolderFile::ResolveRelativePath(c.base, c.path), c.result) << c.base << " + " << c.path;
    EXPECT_EQ(TFolderFile::ResolveRelativePath("/a/b/", "../x", '/'), "/a/x");
}

TEST_F(FolderFileTest, IsWritable) {
    EXPECT_TRUE(TFolderFile::IsWritable(Dir + "new.ini"));
    EXPECT_FALSE(fs932::FileExists(Dir + "new.ini"));  // created and deleted again
    EXPECT_FALSE(TFolderFile::IsWritable(Dir + "missing\\new.ini"));

    Make("rw.ini", "keep");
    EXPECT_TRUE(TFolderFile::IsWritable(Dir + "rw.ini"));
    std::string bytes;
    ASSERT_TRUE(fs932::ReadFile(Dir + "rw.ini", bytes));
    EXPECT_EQ(bytes, "keep");

    Make("ro.ini", "keep");
    ASSERT_EQ(chmod(fs932::ToNative(Dir + "ro.ini").c_str(), 0444), 0);
    EXPECT_FALSE(TFolderFile::IsWritable(Dir + "ro.ini"));

    Folder("sub");
    EXPECT_FALSE(TFolderFile::IsWritable(Dir + "sub"));
    EXPECT_FALSE(TFolderFile::IsWritable(""));
}

TEST(FolderFile, GetLastName) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\a\\b\\", "b"}, {"C:\\a\\b", "b"}, {"b", "b"}, {"/x/y/", "y"}, {"/x/y", "y"},
        {"C:\\表\\", "表"},  {"C:\\a\\ソ", "ソ"}, {"", ""}, {"C:\\", "C:"},
    };
    for (const auto& c : cases) EXPECT_EQ(TFolderFile::GetLastName(c.path), c.name) << c.path;
}

TEST_F(FolderFileTest, AddFolderTree) {
    Folder("root/B");
    Folder("root/a/a1");
    Folder("root/a/表");
    Folder("root/.git/x");
    Make("root/file.sql", "");
    FakeNodes nodes;
    TFolderFile::AddFolderTree(Dir + "root", nodes, nullptr);
    std::vector<std::pair<std::string, std::string>> expected = {
        {"<root>", "root"}, {"root", "a"}, {"a", "a1"}, {"a", "表"}, {"root", "B"},
    };
    EXPECT_EQ(nodes.Added, expected);

    FakeNodes none;
    try {
        TFolderFile::AddFolderTree(Dir + "missing", none, nullptr);
        FAIL();
    } catch (const EFolderFileException& e) {
        EXPECT_EQ(e.Message, "フォルダがありません [" + Dir + "missing\\]");
        EXPECT_STREQ(e.ClassName(), "EFolderFileException");
    }
    EXPECT_TRUE(none.Added.empty());
}

TEST_F(FolderFileTest, AddFolderTreeDoesNotFollowALinkRoundAgain) {
    Folder("root/a");
    ASSERT_EQ(symlink("..", fs932::ToNative(Dir + "root/a/up").c_str()), 0);
    FakeNodes nodes;
    TFolderFile::AddFolderTree(Dir + "root/", nodes, nullptr);
    std::vector<std::pair<std::string, std::string>> expected = {{"<root>", "root"}, {"root", "a"}, {"a", "up"}};
    EXPECT_EQ(nodes.Added, expected);
}

TEST(FolderFile, SmallIconSizeAndCurrentFolder) {
    int32_t w = 0, h = 0;
    {
        testutil::THookScope hooks;
        hooks.Set(screen::SetSmallIconProvider, nullptr);
        TFolderFile::GetSmallIconSize(w, h);
        EXPECT_EQ(w, 16);
        EXPECT_EQ(h, 16);
        hooks.Set(screen::SetSmallIconProvider, [] { return screen::TScreenSize{20, 22}; });
        TFolderFile::GetSmallIconSize(w, h);
    }
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 22);

    std::string old = fs932::GetCurrentDir();
    std::string dir = testutil::TempFolder("current");
    ASSERT_TRUE(fs932::SetCurrentDir(dir));
    std::string now = TFolderFile::GetCurrentFolder();
    fs932::SetCurrentDir(old);
    EXPECT_EQ(TFolderFile::GetLastName(now), TFolderFile::GetLastName(dir));
    EXPECT_TRUE(TFolderFile::FolderExists(now));
}
