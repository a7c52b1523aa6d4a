// CD: the active script page's folder, against the process's working folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHost.h"
#include "FileSystem.h"
#include "TestUtil.h"
#include "U_CommandManager.h"

namespace {

using Lines = std::vector<std::string>;

// The process works in <temp>/work/here while the active page's folder is
// <temp>/page/; restores the working folder afterwards.
class FolderCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        Old = fs932::GetCurrentDir();
        const std::string dir = testutil::TempFolder("cmd-cd");
        for (const char* sub : {"work/here", "work/表 x", "page"}) ASSERT_TRUE(fs932::ForceDirectories(dir + sub));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "work/here/file.txt", "x"));
        ASSERT_TRUE(fs932::SetCurrentDir(dir + "work/here"));
        Here = fs932::GetCurrentDir();
        Work = Here.substr(0, Here.rfind('/'));
        Host.Folder = Work.substr(0, Work.rfind('/')) + "/page/";
    }
    void TearDown() override { fs932::SetCurrentDir(Old); }
    Lines Run(const std::string& line) {
        TStringList out;
        TCommandManager(&Host).ExecuteLine(TStringList(line), out);
        return out.Items;
    }

    TFakeHost Host;
    std::string Old, Here, Work;
};

TEST_F(FolderCommandTest, ShowsOrChangesThePagesFolder) {
    const std::string page = Host.Folder;
    const struct {
        std::string line;
        std::string folder;  // the page's folder afterwards; empty: unchanged
    } cases[] = {
        {"#CD", ""},
        // ".." starts at the working folder, not at the page's folder.
        {"#CD ..", Work},
        {"#cd .\\..\\here\\", Here},
        {"#CD \"../表 x\"", Work + "/表 x"},
        {"#CD \"" + Work + "\" ignored", Work},
        {"#CD /", "/"},
    };
    for (const auto& c : cases) {
        Host.Folder = page;
        Host.Calls.clear();
        const std::string expected = c.folder.empty() ? page : c.folder == "/" ? "/" : c.folder + "/";
        EXPECT_EQ(Run(c.line), Lines{expected}) << c.line;
        EXPECT_EQ(Host.Folder, expected) << c.line;
        EXPECT_EQ(Host.Calls, c.folder.empty() ? Lines{} : Lines{"SetActiveScriptFolder(" + c.folder + ")"})
            << c.line;
    }
    EXPECT_EQ(fs932::GetCurrentDir(), Here);  // CD leaves the working folder alone
}

TEST_F(FolderCommandTest, MissingFolderIsReportedAsTyped) {
    const std::string page = Host.Folder;
    for (const char* name : {"nosuch", "..\\page", "file.txt", "\"表 y\""}) {
        std::string typed = name;
        if (typed.front() == '"') typed = typed.substr(1, typed.size() - 2);
        EXPECT_EQ(Run(std::string("#CD ") + name), Lines{"フォルダが存在しません [ " + typed + " ]"}) << name;
        EXPECT_EQ(Host.Folder, page);
        EXPECT_EQ(Host.Calls, Lines{});
    }
}

}  // namespace
