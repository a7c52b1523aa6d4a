#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "T_IndexStartEnd.h"
#include "TestUtil.h"
#include "U_CommandLineParser.h"

namespace {
struct Case {
    const char* Line;
    std::vector<std::string> Words;  // expected words, or
    const char* Error;               // the expected error text
};
}  // namespace

TEST(CommandLineParser, Words) {
    const char* delimit = "正しくデリミットされていません";
    const char* unclosed = "正しくクオーテーションが閉じられていません";
    const char* lineBreak = "コマンドラインに改行があります";
    const std::vector<Case> cases = {
        {"", {}, nullptr},
        {"  a  ", {"a"}, nullptr},
        {"a \"b c\" \"\"", {"a", "b c", ""}, nullptr},
        {"a \"\" b", {"a", "", "b"}, nullptr},
        {"\"a\"\"b\"", {"a\"b"}, nullptr},
        {"\"\"\"\"", {"\""}, nullptr},
        {"\"a\" \"b\"", {"a", "b"}, nullptr},
        {"a    b", {"a", "b"}, nullptr},
        {"\"a    b\"", {"a    b"}, nullptr},
        {"a\tb c", {"a\tb", "c"}, nullptr},
        {"表 \"ソ x\" 能", {"表", "ソ x", "能"}, nullptr},
        {"\"a\r\nb\"", {"a  b"}, nullptr},
        {"a \"x\"\r\nb", {"a", "x", "b"}, nullptr},
        {"x\"y\"", {}, delimit},
        {"\"y\"x", {}, delimit},
        {"a \"y\"x b", {}, delimit},
        {"a\t\"y\"", {}, delimit},
        {"\"abc", {}, unclosed},
        {"a \"b\" \"", {}, unclosed},
        {"a\r\nb", {}, lineBreak},
        {"a\r\n\"b\"", {}, lineBreak},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testutil::Hex(c.Line));
        if (c.Error) {
            try {
                TCommandLineParser p(c.Line);
                ADD_FAILURE() << "no error";
            } catch (const ECommandLineParser& e) {
                EXPECT_EQ(e.Message, c.Error);
            }
            continue;
        }
        TCommandLineParser p(c.Line);
        EXPECT_EQ(p.Words.Items, c.Words);
    }
}

TEST(CommandLineParser, CompressSpaces) {
    std::string r;
    TStringSpaceUtil::CompressSpaces("  a   b c  ", r);
    EXPECT_EQ(r, " a b c ");
    TStringSpaceUtil::CompressSpaces("a\t\tb", r);
    EXPECT_EQ(r, "a\t\tb");
}

TEST(CommandLineParser, FindSpaceRuns) {
    TIndexStartEndList list;
    list.Add("stale", 1, 1);
    TStringSpaceUtil::FindSpaceRuns(" a  b\r\n c", list);
    ASSERT_EQ(list.Count(), 3);
    const int expected[3][2] = {{1, 1}, {3, 4}, {8, 8}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.Items(i)->Tag, "半角スペース");
        EXPECT_EQ(list.Items(i)->StartIndex, expected[i][0]);
        EXPECT_EQ(list.Items(i)->EndIndex, expected[i][1]);
    }
}
