#include <gtest/gtest.h>

#include <string>

#include "FileSystem.h"
#include "FullPath.h"
#include "TestUtil.h"

namespace {

// Runs the test inside a temporary working folder and restores the old one.
class FullPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        Old = fs932::GetCurrentDir();
        Dir = testutil::TempFolder("fullpath");
        ASSERT_TRUE(fs932::ForceDirectories(Dir + "a/b"));
        ASSERT_TRUE(fs932::SetCurrentDir(Dir + "a/b"));
        Cwd = fs932::GetCurrentDir();
    }
    void TearDown() override { fs932::SetCurrentDir(Old); }
    std::string Old, Dir, Cwd;
};

TEST_F(FullPathTest, RelativeNamesStartAtTheWorkingFolder) {
    const std::string parent = Cwd.substr(0, Cwd.rfind('/'));
    const struct {
        std::string in, out;
    } cases[] = {
        {"x", Cwd + "/x"},
        {"./x/", Cwd + "/x"},
        {"..", parent},
        {"..\\..\\b", parent.substr(0, parent.rfind('/')) + "/b"},
        {"x//y/./z/..", Cwd + "/x/y"},
        {"表\\x", Cwd + "/表/x"},  // 表 ends in 0x5C: not a separator
        {"/", "/"},
        {"/../..", "/"},
        {"/usr/./lib/", "/usr/lib"},
        {"\\tmp", "/tmp"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fs932::ExpandFileName(c.in), c.out) << c.in << " / " << testutil::Hex(fs932::ExpandFileName(c.in));
}

TEST_F(FullPathTest, FollowsTheWorkingFolder) {
    ASSERT_TRUE(fs932::SetCurrentDir(".."));
    EXPECT_EQ(fs932::ExpandFileName("b"), Cwd);
}

}  // namespace
