#include <gtest/gtest.h>

#include <QUrl>

#include <unistd.h>

#include "CP932Qt.h"
#include "Exception.h"
#include "FileSystem.h"
#include "TestUtil.h"
#include "U_ExprolerManager.h"

namespace {

class TRecordingOpener : public IShellOpener {
public:
    void Open(const std::string& Target) override {
        Targets.push_back(Target);
        if (Fail) throw EConvertError("refused");
    }
    std::vector<std::string> Targets;
    bool Fail = false;
};

std::string Cwd() {
    char buf[4096];
    return fs932::FromNative(getcwd(buf, sizeof buf));
}

}  // namespace

TEST(ExprolerManager, OpensTheFullPathOfTheFolder) {
    const std::string cwd = Cwd();
    struct Case {
        std::string Folder, Expected;
    } cases[] = {
        {"/usr/share/", "/usr/share"},
        {"/usr/share", "/usr/share"},
        {"ObjectTree/テーブル/", cwd + "/ObjectTree/テーブル"},
        {"ObjectTree\\ビュー\\", cwd + "/ObjectTree/ビュー"},
        {"./a/../b", cwd + "/b"},
    };
    for (const Case& c : cases) {
        TRecordingOpener opener;
        TExprolerManager::OpenFolder(c.Folder, opener);
        ASSERT_EQ(opener.Targets.size(), 1u) << c.Folder;
        EXPECT_EQ(opener.Targets[0], c.Expected) << testutil::Hex(opener.Targets[0]);
    }
}

TEST(ExprolerManager, NothingForAnEmptyFolderAndNoReportWhenTheDesktopRefuses) {
    TRecordingOpener opener;
    TExprolerManager::OpenFolder("", opener);
    TExprolerManager::OpenFolder("  ", opener);
    EXPECT_TRUE(opener.Targets.empty());
    opener.Fail = true;
    EXPECT_NO_THROW(TExprolerManager::OpenFolder("/tmp", opener));
    EXPECT_EQ(opener.Targets.size(), 1u);
}

// What the desktop opener makes of the text it is handed: a local file, also
// for names that would mean something else in a web address.
TEST(ExprolerManager, TheDesktopOpenerReadsTheTextAsALocalFolder) {
    TRecordingOpener opener;
    TExprolerManager::OpenFolder("定義#1/100%", opener);
    ASSERT_EQ(opener.Targets.size(), 1u);
    QUrl url = QUrl::fromUserInput(cp932::ToQString(opener.Targets[0]));
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toLocalFile(), cp932::ToQString(Cwd() + "/定義#1/100%"));
}
