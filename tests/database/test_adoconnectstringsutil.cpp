#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "FileSystem.h"
#include "I_ConnectionStore.h"
#include "TestUtil.h"
#include "U_ADOConnectStringsUtil.h"

namespace {
using Lines = std::vector<std::string>;

// A UDL file: the byte-order mark, then the lines as UTF-16LE.
std::string Udl(const std::u16string& text, bool oddByte = false) {
    std::string bytes("\xFF\xFE", 2);
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    if (oddByte) bytes.push_back('X');
    return bytes;
}
}  // namespace

TEST(ADOConnectStringsUtil, StringAndLinesBothWays) {
    struct Case { const char* s; std::vector<std::string> lines; };
    const Case cases[] = {
        {"Provider=MSDASQL.1;Extended Properties=\"DSN=a;UID=b\";Data Source=c",
         {"Provider=MSDASQL.1", "Extended Properties=\"DSN=a;UID=b\"", "Data Source=c"}},
        {"A='x;y';B=2;", {"A='x", "y'", "B=2"}},
        {"", {}},
        {"名前=表;ソ=1", {"名前=表", "ソ=1"}},
        {" A = 1 ;B", {" A = 1 ", "B"}},
        // a lone lead byte keeps the separator after it
        {"DSN=ab\x82;UID=u", {"DSN=ab\x82", "UID=u"}},
        {"A=\x82\";B=\x82\";C", {"A=\x82\";B=\x82\"", "C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.s);
        TStringList list;
        list.Add("old");
        TADOConnectStringsUtil::StringToList(c.s, &list);
        EXPECT_EQ(list.Items, c.lines);
    }
    // what ListToString writes, StringToList reads back
    for (const Lines& lines : {Lines{"DSN=ab\x82", "UID=u"}, Lines{"A=\"x;\x83\"", "", "B=\x82"}, Lines{""}}) {
        TStringList list;
        list.Items = lines;
        std::string joined;
        TADOConnectStringsUtil::ListToString(&list, joined);
        TADOConnectStringsUtil::StringToList(joined, &list);
        EXPECT_EQ(list.Items, lines) << testutil::Hex(joined);
    }
    TStringList list;
    std::string s = "x";
    TADOConnectStringsUtil::ListToString(&list, s);
    EXPECT_EQ(s, "");
    list.Add("A=1");
    TADOConnectStringsUtil::ListToString(&list, s);
    EXPECT_EQ(s, "A=1;");
    list.Add("B=2");
    TADOConnectStringsUtil::ListToString(&list, s);
    EXPECT_EQ(s, "A=1;B=2;");
    for (int i = 0; i < 2; ++i) {
        try {
            if (i) TADOConnectStringsUtil::StringToList("a", nullptr);
            else TADOConnectStringsUtil::ListToString(nullptr, s);
            FAIL();
        } catch (const EADOConnectStringsUtil& e) {
            EXPECT_EQ(e.Message, "内部エラー：コネクション文字列格納用リストがNullです");
        }
    }
}

TEST(ADOConnectStringsUtil, UdlFileGivesItsThirdLine) {
    std::string dir = testutil::TempFolder("udl");
    struct Case { const char* name; std::string bytes; const char* expected; };
    const Case cases[] = {
        {"a.udl", Udl(u"[oledb]\r\n; comment\r\nProvider=MSDASQL.1;Data Source=表\r\nrest\r\n"), "Provider=MSDASQL.1;Data Source=表"},
        {"b.udl", Udl(u"[oledb]\n; c\nDSN=x\n", true), "DSN=x"},
        {"c.udl", Udl(u"one\r\ntwo\r\n\r\n"), ""},
        {"d.udl", Udl(std::u16string(u"1\r\n2\r\nDSN=y") + u'\0' + u"\r\nignored"), "DSN=y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + c.name, c.bytes));
        std::string s = "x";
        TADOConnectStringsUtil::ReadUDLFile(dir + c.name, s);
        EXPECT_EQ(s, c.expected);
    }
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "two.udl", Udl(u"one\r\ntwo\r\n")));
    std::string s = "x";
    try {
        TADOConnectStringsUtil::ReadUDLFile(dir + "two.udl", s);
        FAIL();
    } catch (const EADOConnectStringsUtil& e) {
        EXPECT_EQ(e.Message, "UDLファイルが壊れています");
    }
    TADOConnectStringsUtil::ReadUDLFile(dir + "missing.udl", s);
    EXPECT_EQ(s, "");
    // a name CP932 cannot hold would open another file: refused, never "?"
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "sjis.udl", Udl(u"[oledb]\r\n; c\r\nDriver=SQLite3;Database=/data/\U00020BB7.db\r\n")));
    s = "x";
    try {
        TADOConnectStringsUtil::ReadUDLFile(dir + "sjis.udl", s);
        FAIL();
    } catch (const EADOConnectStringsUtil& e) {
        EXPECT_EQ(e.Message, "UDLファイル " + dir + "sjis.udl に、シフトJISで表せない文字が含まれています。");
    }
    EXPECT_EQ(s, "");
}

namespace {
struct FakeDataLink : IDataLinkPrompt {
    std::string Seen, Result;
    std::string Edit(void*, const std::string& s) override {
        Seen = s;
        return Result;
    }
};
}  // namespace

TEST(ADOConnectStringsUtil, DataLinkDialogEditsTheLines) {
    TStringList list;
    list.Add("DSN=a");
    list.Add("UID=u");
    EXPECT_THROW(TADOConnectStringsUtil::EditWithDataLink(nullptr, &list), EADOConnectStringsUtil);
    FakeDataLink dialog;
    dialog.Result = "DSN=b;PWD=\"p;q\"";
    {
        testutil::THookScope hooks;
        hooks.Keep(TConnectPrompts::DataLinkPrompt);
        TConnectPrompts::DataLinkPrompt = &dialog;
        TADOConnectStringsUtil::EditWithDataLink(nullptr, &list);
    }
    EXPECT_EQ(dialog.Seen, "DSN=a;UID=u;");
    EXPECT_EQ(list.Items, (std::vector<std::string>{"DSN=b", "PWD=\"p;q\""}));
}

TEST(ADOConnectStringsUtil, MoreDetailComesFromATrialConnection) {
    TStringList list;
    TADOConnectStringsUtil::StringToList(dbtest::SqliteConn("detail"), &list);
    std::string s;
    TADOConnectStringsUtil::GetMoreDetail(&list, s);
    EXPECT_EQ(s.rfind("DRIVER=SQLite3;Database=", 0), 0u) << s;
    if (!dbtest::PgConn().empty()) {
        TADOConnectStringsUtil::StringToList(dbtest::PgConn(), &list);
        TADOConnectStringsUtil::GetMoreDetail(&list, s);
        EXPECT_NE(s.find("SSLmode="), std::string::npos) << s;   // the driver's defaults, filled in
        EXPECT_EQ(s.find("PWD="), std::string::npos) << s;
    }

    TStringList bad;
    bad.Add("Provider=MSDASQL.1");
    bad.Add("Data Source=zintavor_no_such_dsn");
    try {
        TADOConnectStringsUtil::GetMoreDetail(&bad, s);
        FAIL();
    } catch (const EADOConnectStringsUtil& e) {
        EXPECT_EQ(e.Message.rfind("詳細情報を取得するため、ADO接続を試みましたが失敗しました。\r\n[", 0), 0u);
        EXPECT_NE(e.Message.find("Data source name not found"), std::string::npos);
        EXPECT_EQ(e.Message.back(), ']');
    }
    EXPECT_EQ(bad.Count(), 2);
}
