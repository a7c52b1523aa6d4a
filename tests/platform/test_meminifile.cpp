#include <gtest/gtest.h>

#include <vector>

#include "Exception.h"
#include "FileSystem.h"
#include "MemIniFile.h"
#include "StringList.h"
#include "TestUtil.h"

namespace {
using Lines = std::vector<std::string>;

std::string WriteIni(const std::string& name, const std::string& text) {
    std::string dir = testutil::TempFolder(name);
    EXPECT_TRUE(fs932::WriteFileAtomic(dir + "a.ini", text));
    return dir + "a.ini";
}
}  // namespace

TEST(MemIniFile, ReadsSectionsAndKeysWithoutRegardToCase) {
    TMemIniFile ini(WriteIni("ini-read",
                             "Orphan=1\r\n"
                             "[Main]\r\n"
                             "; a comment\r\n"
                             "  Name  =  表示 値  \r\n"
                             "\r\n"
                             "Count=12\r\n"
                             "Count=99\r\n"
                             "Flag\r\n"
                             "[ Other ]\n"
                             "x=\n"
                             "[main]\n"
                             "Late=yes\n"));
    struct Case {
        const char* section;
        const char* ident;
        std::string value;
    } cases[] = {
        {"Main", "Name", "表示 値"},   // blanks around '=' and at the ends go
        {"MAIN", "name", "表示 値"},
        {"main", "COUNT", "12"},       // the first of two equal keys counts
        {"Other", "x", ""},
        {"Main", "Late", "yes"},       // a section named twice continues the first one
        {"Main", "Orphan", "<d>"},     // lines before the first section belong to none
        {"Main", "Flag", "<d>"},       // a line without '=' is no key
        {"Main", "Missing", "<d>"},
        {"None", "Name", "<d>"},
    };
    for (const auto& c : cases) EXPECT_EQ(ini.ReadString(c.section, c.ident, "<d>"), c.value) << c.section << "." << c.ident;

    TStringList names;
    ini.ReadSections(names);
    EXPECT_EQ(names.Items, (Lines{"Main", "Other"}));
    ini.ReadSection("MAIN", names);
    EXPECT_EQ(names.Items, (Lines{"Name", "Count", "Count", "Late"}));
    EXPECT_TRUE(ini.ValueExists("main", "late"));
    EXPECT_FALSE(ini.ValueExists("main", "flag"));
    EXPECT_FALSE(ini.ValueExists("none", "x"));
    // the text comes back without comments and blank lines, a line without '=' kept
    EXPECT_EQ(ini.GetText(),
              "[Main]\r\nName=表示 値\r\nCount=12\r\nCount=99\r\nFlag\r\nLate=yes\r\n\r\n"
              "[Other]\r\nx=\r\n\r\n");
}

TEST(MemIniFile, IntegersAndBooleans) {
    TMemIniFile ini(WriteIni("ini-int", "[S]\r\na=12\r\nb=0x1F\r\nc=$10\r\nd=abc\r\ne=-7\r\nf=1.5\r\ng=\r\nh=2\r\ni=0\r\n"));
    struct Case {
        const char* ident;
        int32_t asInteger;  // default 5
        bool asBool;        // default true
    } cases[] = {
        {"a", 12, true}, {"b", 31, true}, {"c", 16, true}, {"d", 5, true}, {"e", -7, true},
        {"f", 5, true},  {"g", 5, true},  {"h", 2, true},   {"i", 0, false}, {"none", 5, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadInteger("S", c.ident, 5), c.asInteger) << c.ident;
        EXPECT_EQ(ini.ReadBool("S", c.ident, true), c.asBool) << c.ident;
    }
    EXPECT_FALSE(ini.ReadBool("S", "d", false));
    ini.WriteBool("T", "yes", true);
    ini.WriteBool("T", "no", false);
    ini.WriteInteger("T", "n", -42);
    EXPECT_EQ(ini.ReadString("T", "yes", ""), "1");
    EXPECT_EQ(ini.ReadString("T", "no", ""), "0");
    EXPECT_EQ(ini.ReadString("T", "n", ""), "-42");
}

TEST(MemIniFile, WritesKeepOrderAndEraseRemovesSections) {
    TMemIniFile ini(WriteIni("ini-write", "[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nz=9\r\n"));
    ini.WriteString("a", "K1", "one");   // replaced in place, under the name as written now
    ini.WriteString("A", "k3", "3");     // appended to its section
    ini.WriteString("C", "new", "表");   // a new section at the end
    EXPECT_EQ(ini.GetText(), "[A]\r\nK1=one\r\nk2=2\r\nk3=3\r\n\r\n[B]\r\nz=9\r\n\r\n[C]\r\nnew=表\r\n\r\n");
    EXPECT_EQ(ini.ReadString("A", "k1", ""), "one");

    ini.EraseSection("b");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadString("B", "z", "<d>"), "<d>");
    EXPECT_EQ(ini.ReadString("C", "new", ""), "表");  // the sections after it are still found
    ini.EraseSection("missing");
    ini.WriteString("B", "z", "again");
    EXPECT_EQ(ini.GetText(), "[A]\r\nK1=one\r\nk2=2\r\nk3=3\r\n\r\n[C]\r\nnew=表\r\n\r\n[B]\r\nz=again\r\n\r\n");
}

TEST(MemIniFile, SectionExistsWhenItHoldsAKey) {
    TMemIniFile ini(WriteIni("ini-exists", "[Empty]\r\n[Full]\r\na=1\r\n"));
    EXPECT_FALSE(ini.SectionExists("Empty"));
    EXPECT_TRUE(ini.SectionExists("FULL"));
    EXPECT_FALSE(ini.SectionExists("None"));
}

TEST(MemIniFile, UpdateFileReplacesTheFileWithCRLFLines) {
    std::string file = WriteIni("ini-update", "[S]\na=1\n");
    TMemIniFile ini(file);
    ini.WriteString("S", "b", "表示");
    std::string bytes;
    ASSERT_TRUE(fs932::ReadFile(file, bytes));
    EXPECT_EQ(bytes, "[S]\na=1\n");  // nothing written before UpdateFile
    ini.UpdateFile();
    ASSERT_TRUE(fs932::ReadFile(file, bytes));
    EXPECT_EQ(testutil::Hex(bytes), testutil::Hex("[S]\r\na=1\r\nb=表示\r\n\r\n"));
    TMemIniFile again(file);
    EXPECT_EQ(again.ReadString("S", "b", ""), "表示");
}

TEST(MemIniFile, AFileThatCannotBeReadIsAnEmptyIni) {
    std::string dir = testutil::TempFolder("ini-unreadable");
    TMemIniFile missing(dir + "none.ini");
    EXPECT_EQ(missing.GetText(), "");
    missing.WriteString("S", "k", "v");
    missing.UpdateFile();  // a missing file is created
    EXPECT_TRUE(fs932::FileExists(dir + "none.ini"));

    ASSERT_TRUE(fs932::CreateDir(dir + "folder.ini"));
    TMemIniFile folder(dir + "folder.ini");
    EXPECT_EQ(folder.ReadString("S", "k", "<d>"), "<d>");
    folder.WriteString("S", "k", "v");
    try {
        folder.UpdateFile();
        FAIL() << "writing over a folder must fail";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "ファイル " + dir + "folder.ini を作成できません");
    }
    EXPECT_TRUE(fs932::DirectoryExists(dir + "folder.ini"));
}

TEST(MemIniFile, DeleteKeyRemovesEveryLineOfTheKeyAndKeepsTheRest) {
    TMemIniFile ini(WriteIni("ini-delete", "[A]\r\nx=1\r\nFlag\r\ny=2\r\nX=3\r\nz=4\r\n[B]\r\nx=9\r\n"));
    ini.DeleteKey("a", "X");
    ini.DeleteKey("A", "missing");
    ini.DeleteKey("none", "x");
    EXPECT_FALSE(ini.ValueExists("A", "x"));
    EXPECT_EQ(ini.GetText(), "[A]\r\nFlag\r\ny=2\r\nz=4\r\n\r\n[B]\r\nx=9\r\n\r\n");
    // the keys after the removed lines are still found, and written in place
    ini.WriteString("A", "z", "5");
    ini.WriteString("A", "x", "6");
    EXPECT_EQ(ini.ReadString("A", "y", ""), "2");
    EXPECT_EQ(ini.GetText(), "[A]\r\nFlag\r\ny=2\r\nz=5\r\nx=6\r\n\r\n[B]\r\nx=9\r\n\r\n");
}

// Names and values that end with a lone lead byte, or hold '[', ']' and '='
// where a line allows them, read back from the file as written; a value's
// bytes below 0x21 at its ends are trimmed, before and after a save alike.
TEST(MemIniFile, WhatIsWrittenReadsBackFromTheFile) {
    struct Case {
        std::string section, ident, value, read;
    };
    const std::vector<Case> cases = {
        {"S", "key\x82", "v", "v"},          // '=' after a lone lead byte
        {"S\x82", "k", "v\x82", "v\x82"},    // ']' after a lone lead byte
        {"S", "表\x82", "\x82", "\x82"},
        {"[x", "[k", "v", "v"},              // a key line that is no section line
        {"a]b", "k", "[v]=w", "[v]=w"},
        {"S", "", "empty key", "empty key"},
        {"S", "n", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"S", "blanks", "  v\x01", "v"},     // trimmed, as reading trims
        {"S", "ソ", "表", "表"},
    };
    const std::string file = WriteIni("ini-roundtrip", "");
    {
        TMemIniFile ini(file);
        for (const Case& c : cases) {
            ini.WriteString(c.section, c.ident, c.value);
            EXPECT_EQ(ini.ReadString(c.section, c.ident, "<d>"), c.read) << testutil::Hex(c.ident);
        }
        ini.UpdateFile();
    }
    TMemIniFile again(file);
    for (const Case& c : cases)
        EXPECT_EQ(again.ReadString(c.section, c.ident, "<d>"), c.read) << testutil::Hex(c.section + "." + c.ident);
    TStringList keys;
    again.ReadSection("S", keys);
    EXPECT_EQ(keys.Items, (Lines{"key\x82", "表\x82", "", "n", "blanks", "ソ"}));
}

// What no line could hold is refused, and nothing of it is kept.
TEST(MemIniFile, NamesAndValuesNoLineCanHoldAreRefused) {
    struct Case {
        std::string section, ident, value, message;
    };
    const std::vector<Case> cases = {
        {"S", "a=b", "v", "INIファイルに書けないキー名です [a=b]"},
        {"S", " k", "v", "INIファイルに書けないキー名です [ k]"},
        {"S", "k\x01", "v", "INIファイルに書けないキー名です [k\x01]"},
        {"S", ";k", "v", "INIファイルに書けないキー名です [;k]"},
        {"S", "[k", "v]", "INIファイルに書けないキー名です [[k]"},   // the line would be a section
        {"S", "k\r\nx", "v", "INIファイルに書けないキー名です [k\r\nx]"},
        {" S", "k", "v", "INIファイルに書けないセクション名です [ S]"},
        {"S\n", "k", "v", "INIファイルに書けないセクション名です [S\n]"},
        {"S", "k", "a\r\nb", "INIファイルに改行を含む値は書けません [k]"},
    };
    TMemIniFile ini(WriteIni("ini-refused", "[S]\r\nold=1\r\n"));
    for (const Case& c : cases) {
        try {
            ini.WriteString(c.section, c.ident, c.value);
            ADD_FAILURE() << testutil::Hex(c.section + "." + c.ident);
        } catch (const EIniFileError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
    }
    EXPECT_EQ(ini.GetText(), "[S]\r\nold=1\r\n\r\n");
}
