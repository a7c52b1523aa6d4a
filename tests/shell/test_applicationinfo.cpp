#include <gtest/gtest.h>

#include <string>

#include "Exception.h"
#include "FileSystem.h"
#include "ShellTestUtil.h"
#include "TestUtil.h"
#include "U_ApplicationInfo.h"

using shelltest::ElfFile;
using shelltest::VersionBlock;

namespace {
class ApplicationInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = testutil::TempFolder(std::string("appinfo-") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string MakeFile(const std::string& name, const std::string& bytes) {
        std::string path = Dir + name;
        EXPECT_TRUE(fs932::WriteFileAtomic(path, bytes));
        return path;
    }
    std::string Dir;
};
}  // namespace

TEST_F(ApplicationInfoTest, TheRunningProgramCarriesTheRecordItsBuildMade) {
    TApplicationInfoRec info;
    TApplicationInfo::GetInfo(info);
    // the project's version: three numbers with dots between
    int dots = 0;
    for (char c : info.FileVersion) {
        if (c == '.') ++dots;
        else EXPECT_TRUE(c >= '0' && c <= '9') << info.FileVersion;
    }
    EXPECT_EQ(dots, 2) << info.FileVersion;
    EXPECT_EQ(info.ProductVersion, info.FileVersion);
    EXPECT_EQ(info.ProductName, "Zintavor");
    EXPECT_EQ(info.CompanyName, "Zintavor Project");
    EXPECT_EQ(info.FileDescription, "Zintavor SQL クライアント");
    EXPECT_EQ(info.URL, "https://zintavor.example.com/");
    EXPECT_EQ(info.CompanyURL, "https://www.example.com/zintavor-project/");
    EXPECT_EQ(info.ContactMail, "zintavor-support@example.com");
    EXPECT_EQ(info.LegalTradeMarks, "");  // values the build leaves out stay empty
    EXPECT_EQ(info.PrivateBuild, "");
    EXPECT_EQ(info.SpecialBuild, "");

    // the record is really in the program file: read from the file itself it is the same
    std::string block;
    ASSERT_EQ(verinfo::ReadFileVersionBlock(TApplicationInfo::ProgramPath(), block), verinfo::TReadResult::Ok);
    EXPECT_EQ(block, TApplicationInfo::ProgramVersionBlock());
    EXPECT_EQ(TApplicationInfo::ProgramFileName(), "test_shell");
}

TEST_F(ApplicationInfoTest, AnotherProgramFileIsReadFromItsOwnRecord) {
    const std::string longValue(300, 'v');
    std::string cut = std::string(254, 'a') + "表";  // 256 bytes: the cut may not split the last character
    const std::string path = MakeFile("other", ElfFile(VersionBlock({{"FileVersion", "9.8.7"},
                                                                     {"Comments", longValue},
                                                                     {"ContactMail", cut},
                                                                     {"LegalTradeMarks", "ＴＭ"}})));
    TApplicationInfoRec info;
    info.URL = "stale";
    TApplicationInfo::GetFileInfo(path, info);
    EXPECT_EQ(info.FileVersion, "9.8.7");
    EXPECT_EQ(info.Comments, std::string(255, 'v'));
    EXPECT_EQ(info.ContactMail, std::string(254, 'a'));
    EXPECT_EQ(info.LegalTradeMarks, "ＴＭ");
    EXPECT_EQ(info.URL, "");  // cleared first, then not in the record
    EXPECT_EQ(info.ProductName, "");
}

TEST_F(ApplicationInfoTest, FilesWithoutARecordGiveEmptyFields) {
    const std::string block = VersionBlock({{"FileVersion", "1.0"}});
    std::string truncatedHeaders = ElfFile(block);
    truncatedHeaders.resize(truncatedHeaders.size() - 10);
    std::string badMagic = block;
    badMagic[0] = 'X';
    const std::pair<const char*, std::string> files[] = {
        {"text file", "not a program\r\n"},
        {"empty file", ""},
        {"other section name", ElfFile(block, ".data1")},
        {"section headers cut off", truncatedHeaders},
        {"not a record", ElfFile(badMagic)},
        {"record without its end", ElfFile(block.substr(0, block.size() - 3))},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        TApplicationInfoRec info;
        info.FileVersion = "stale";
        TApplicationInfo::GetFileInfo(MakeFile("f", bytes), info);
        EXPECT_EQ(info.FileVersion, "");
        EXPECT_EQ(info.ProductName, "");
    }
}

TEST_F(ApplicationInfoTest, AMissingOrUnreadableFileIsAnAssertionFailure) {
    TApplicationInfoRec info;
    try {
        TApplicationInfo::GetFileInfo(Dir + "missing.exe", info);
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(e.Message.find("U_ApplicationInfo.cpp"), std::string::npos) << e.Message;
        EXPECT_NE(e.Message.find(Dir + "missing.exe"), std::string::npos);
    }
    shelltest::TVersionSourceGuard guard([](const std::string&, std::string&) { return verinfo::TReadResult::Unreadable; });
    EXPECT_THROW(TApplicationInfo::GetFileInfo(MakeFile("x", "x"), info), EAssertionFailed);
    EXPECT_THROW(TApplicationInfo::GetInfo(info), EAssertionFailed);
}

TEST_F(ApplicationInfoTest, AnInstalledSourceAnswersForTheRunningProgram) {
    shelltest::TVersionSourceGuard guard(VersionBlock({{"ProductName", std::string(300, 'p')}}));
    TApplicationInfoRec info;
    TApplicationInfo::GetInfo(info);
    EXPECT_EQ(info.FileVersion, "");
    EXPECT_EQ(info.ProductName, std::string(255, 'p'));
}
