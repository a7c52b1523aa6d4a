#include <gtest/gtest.h>

#include <vector>

#include "Exception.h"
#include "FileSystem.h"
#include "StringList.h"
#include "TestUtil.h"

using Lines = std::vector<std::string>;

TEST(StringList, TextHasCRLFAfterEveryLine) {
    TStringList l;
    EXPECT_EQ(l.Text(), "");
    l.Add("a");
    l.Add("");
    l.Add("表");
    EXPECT_EQ(l.Text(), "a\r\n\r\n表\r\n");
}

TEST(StringList, SetTextSplitsAtCRLFLFOrLoneCR) {
    struct Case {
        std::string text;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\n\n", {"", ""}},
        {"\n\r", {"", ""}},                               // LF then lone CR: two breaks
        {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},  // NUL is data
        {"表\r\n", {"表"}},                               // 0x5C trail byte is no separator
    };
    for (const auto& c : cases) {
        TStringList l;
        l.SetText(c.text);
        EXPECT_EQ(l.Items, c.lines) << testutil::Hex(c.text);
    }
}

TEST(StringList, CommaTextQuotesLikeTheToolkit) {
    struct Case {
        Lines items;
        std::string text;
    } cases[] = {
        {{}, ""},
        {{""}, "\"\""},                    // a single empty item
        {{"", ""}, ","},
        {{"a", "b"}, "a,b"},
        {{"a b"}, "\"a b\""},
        {{"a,b"}, "\"a,b\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"a\tb"}, "\"a\tb\""},
        {{std::string("a\0", 2)}, std::string("\"a\0\"", 4)},  // a NUL is quoted, never a terminator
        {{"表示", "x"}, "表示,x"},
        {{"a\r\nb"}, "\"a\r\nb\""},
    };
    for (const auto& c : cases) {
        TStringList l;
        l.Items = c.items;
        EXPECT_EQ(l.CommaText(), c.text);
        if (c.items.size() != 1 || !c.items[0].empty()) {
            TStringList back;
            back.SetCommaText(c.text);
            EXPECT_EQ(back.Items, c.items) << testutil::Hex(c.text);
        }
    }
}

TEST(StringList, SetCommaTextReadsLikeTheToolkit) {
    struct Case {
        std::string text;
        Lines items;
    } cases[] = {
        {"", {}},
        {"  a , b ", {"a", "b"}},
        {"a b,c", {"a", "b", "c"}},        // blanks separate items too
        {"a,", {"a", ""}},                 // a final delimiter adds an empty item
        {"a,,b", {"a", "", "b"}},
        {"\"a\"\"b\",c", {"a\"b", "c"}},
        {"\"ab\"cd", {"ab", "cd"}},        // text after a closing quote is a new item
        {"\"open", {"open"}},              // an unterminated quote takes the rest
        {"\"\"", {""}},
    };
    for (const auto& c : cases) {
        TStringList l;
        l.SetCommaText(c.text);
        EXPECT_EQ(l.Items, c.items) << c.text;
    }
}

TEST(StringList, DelimitedTextStepsOverDoubleByteCharacters) {
    TStringList l;
    l.Delimiter = '\\';
    l.SetDelimitedText("表\\x");  // 表 ends in 0x5C: only the second 0x5C separates
    EXPECT_EQ(l.Items, (Lines{"表", "x"}));
    EXPECT_EQ(l.DelimitedText(), "表\\x");
}

TEST(StringList, NameValueAccess) {
    TStringList l;
    l.SetText("Provider=MSDASQL.1\r\nDSN=x\r\nplain\r\n");
    EXPECT_EQ(l.IndexOfName("dsn"), 1);
    EXPECT_EQ(l.Values("PROVIDER"), "MSDASQL.1");
    EXPECT_EQ(l.Values("missing"), "");
    EXPECT_EQ(l.Names(2), "");
    l.SetValues("DSN", "y");
    EXPECT_EQ(l[1], "DSN=y");
    l.SetValues("New", "1");
    EXPECT_EQ(l[3], "New=1");
    l.SetValues("dsn", "");
    EXPECT_EQ(l.Items, (Lines{"Provider=MSDASQL.1", "plain", "New=1"}));
}

TEST(StringList, IndexOfAndSortIgnoreAsciiCase) {
    TStringList l;
    l.Items = {"b", "A", "c", "a"};
    EXPECT_EQ(l.IndexOf("B"), 0);
    l.Sort();
    EXPECT_EQ(l.Items, (Lines{"A", "a", "b", "c"}));
}

TEST(StringList, InsertAndDeleteCheckTheirIndex) {
    TStringList l;
    EXPECT_THROW(l.Delete(0), EListError);
    EXPECT_THROW(l.Insert(1, "x"), EListError);
    l.Insert(0, "x");
    EXPECT_EQ(l.Count(), 1);
}

TEST(StringList, SavesAndLoadsCP932FilesByCP932Names) {
    std::string dir = testutil::TempFolder("stringlist");
    std::string name = dir + "表示.sql";
    TStringList l;
    l.Items = {"SELECT '表' FROM t;", "", std::string("\x81", 1)};  // a lone lead byte survives
    l.SaveToFile(name);
    std::string bytes;
    ASSERT_TRUE(fs932::ReadFile(name, bytes));
    EXPECT_EQ(bytes, l.Text());
    TStringList back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.Items, l.Items);
    EXPECT_THROW(back.LoadFromFile(dir + "missing.txt"), EFOpenError);
    EXPECT_THROW(l.SaveToFile(dir + "no/such/folder/x.txt"), EFCreateError);
}
