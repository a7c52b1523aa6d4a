#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileSystem.h"
#include "KZNMemIniFile.h"
#include "TestUtil.h"

namespace {
class KZNMemIniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = testutil::TempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        File = Dir + "a.Environment";
    }
    testutil::THookScope hooks;
    std::string Content() {
        std::string bytes;
        fs932::ReadFile(File, bytes);
        return bytes;
    }
    std::string Dir, File;
};
}  // namespace

TEST_F(KZNMemIniFileTest, NeedsToBeOpen) {
    TKZNMemIniFile ini;
    EXPECT_FALSE(ini.Active());
    EXPECT_EQ(ini.RunTimeFileName(), "");
    EXPECT_EQ(ini.DesignTimeFileName(), "");
    EXPECT_FALSE(ini.UpdateFileConfirm);
    try {
        ini.ReadString("S", "k", "");
        FAIL();
    } catch (const EKZNMemIniFile& e) {
        EXPECT_EQ(e.Message, "内部エラー：INIファイルが開かれていません");
    }
    EXPECT_THROW(ini.WriteChar("S", "k", 'x'), EKZNMemIniFile);
    EXPECT_THROW(ini.UpdateFile(), EKZNMemIniFile);
}

TEST_F(KZNMemIniFileTest, OpensTheRunTimeFileAndClosesWhenANameIsSet) {
    ASSERT_TRUE(fs932::WriteFileAtomic(File, "[S]\r\nk=run\r\nn=7\r\nb=1\r\n"));
    ASSERT_TRUE(fs932::WriteFileAtomic(Dir + "design.ini", "[S]\r\nk=design\r\n"));
    TKZNMemIniFile ini;
    ini.SetDesignTimeFileName(Dir + "design.ini");
    ini.SetRunTimeFileName(File);
    ini.Open();
    EXPECT_TRUE(ini.Active());
    EXPECT_EQ(ini.ReadString("S", "k", ""), "run");
    EXPECT_EQ(ini.ReadInteger("S", "n", 0), 7);
    EXPECT_TRUE(ini.ReadBool("S", "b", false));
    ini.Open();  // already open: the changes stay
    ini.WriteString("S", "k", "changed");
    ini.SetActive(true);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "changed");

    ini.SetRunTimeFileName(File);  // even the same name closes it
    EXPECT_FALSE(ini.Active());
    EXPECT_THROW(ini.ReadString("S", "k", ""), EKZNMemIniFile);
    ini.Open();
    EXPECT_EQ(ini.ReadString("S", "k", ""), "run");  // the change was never written

    ini.SetDesigning(true);
    ini.SetDesignTimeFileName(Dir + "design.ini");
    EXPECT_FALSE(ini.Active());
    ini.Open();
    EXPECT_EQ(ini.ReadString("S", "k", ""), "design");
}

TEST_F(KZNMemIniFileTest, OneCharacterValues) {
    struct Written {
        char c;
        std::string stored;
        char readBack;
    } written[] = {
        {'a', "\"a\"", 'a'},
        {' ', "\" \"", ' '},
        {'"', "\"\"\"", '"'},  // a double quote comes back, not a blank
        {';', "\";\"", ';'},
        {'#', "\"#\"", '#'},
    };
    TKZNMemIniFile ini;
    ini.SetRunTimeFileName(File);
    ini.Open();
    for (const auto& w : written) {
        ini.WriteChar("P", "c", w.c);
        EXPECT_EQ(ini.ReadString("P", "c", ""), w.stored);
        EXPECT_EQ(ini.ReadChar("P", "c", 'x'), w.readBack) << w.stored;
    }

    struct Stored {
        const char* value;
        char result;
    } stored[] = {
        {"", ' '}, {"x", 'x'}, {"ab", ' '}, {"abc", ' '}, {"a\"bc\"d", 'b'}, {"\"x", 'x'}, {"\"表\"", '\x95'},
    };
    for (const auto& s : stored) {
        ini.WriteString("P", "v", s.value);
        EXPECT_EQ(ini.ReadChar("P", "v", 'x'), s.result) << s.value;
    }
    EXPECT_EQ(ini.ReadChar("P", "missing", '@'), '@');
    EXPECT_EQ(ini.ReadChar("P", "missing", ' '), ' ');
}

TEST_F(KZNMemIniFileTest, ClosingWithoutUpdateLeavesTheFile) {
    ASSERT_TRUE(fs932::WriteFileAtomic(File, "[S]\r\nk=1\r\n"));
    TKZNMemIniFile ini;
    ini.SetRunTimeFileName(File);
    ini.Open();
    ini.WriteInteger("S", "k", 2);
    ini.EraseSection("S");
    ini.WriteBool("T", "b", true);
    ini.Close();
    EXPECT_EQ(Content(), "[S]\r\nk=1\r\n");
    {
        TKZNMemIniFile dropped;
        dropped.SetRunTimeFileName(File);
        dropped.Open();
        dropped.WriteInteger("S", "k", 3);
    }
    EXPECT_EQ(Content(), "[S]\r\nk=1\r\n");
}

TEST_F(KZNMemIniFileTest, UpdateFileAsksWhenConfirmIsSet) {
    ASSERT_TRUE(fs932::WriteFileAtomic(File, "[S]\r\nk=1\r\n"));
    std::vector<std::string> asked;
    bool answer = false;
    TKZNMemIniFile ini;
    ini.SetRunTimeFileName(File);
    ini.Open();
    ini.WriteInteger("S", "k", 2);

    hooks.Set(TKZNMemIniFile::SetConfirmHook, [&](const std::string& text) {
        asked.push_back("hook:" + text);
        return answer;
    });
    ini.UpdateFile();  // no confirmation wanted: written without asking
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Content(), "[S]\r\nk=2\r\n\r\n");

    ini.UpdateFileConfirm = true;
    ini.WriteInteger("S", "k", 3);
    ini.UpdateFile();  // No
    EXPECT_EQ(asked, std::vector<std::string>{"hook:更新してよろしいですか"});
    EXPECT_EQ(Content(), "[S]\r\nk=2\r\n\r\n");
    answer = true;
    ini.UpdateFile();  // Yes
    EXPECT_EQ(Content(), "[S]\r\nk=3\r\n\r\n");

    ini.OnConfirm = [&](const std::string& text) {
        asked.push_back("own:" + text);
        return false;
    };
    ini.WriteInteger("S", "k", 4);
    ini.UpdateFile();
    EXPECT_EQ(asked.back(), "own:更新してよろしいですか");
    EXPECT_EQ(Content(), "[S]\r\nk=3\r\n\r\n");

    ini.OnConfirm = nullptr;
    TKZNMemIniFile::SetConfirmHook(nullptr);  // nobody to ask: Yes
    ini.UpdateFile();
    EXPECT_EQ(Content(), "[S]\r\nk=4\r\n\r\n");
}
