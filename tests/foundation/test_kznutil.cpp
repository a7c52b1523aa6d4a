#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "Exception.h"
#include "T_5CTable.h"
#include "T_KZNUtil.h"
#include "TestUtil.h"

using testutil::Hex;
using Lines = std::vector<std::string>;

TEST(KZNUtil, FloatAndIntegerTexts) {
    struct Case {
        const char* s;
        bool isFloat;
        bool isInteger;
    } cases[] = {
        {"12", true, true},      {"1.0", true, false},         {"1e3", true, false},
        {"-5", true, true},      {"+3", true, true},           {" 12", true, true},
        {"12 ", false, false},   {"12a", false, false},        {"abc", false, false},
        {"", false, false},      {"2147483647", true, true},   {"2147483648", true, false},
        {"-2147483648", true, true}, {".5", true, false},      {"$1F", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TKZNUtil::IsFloat(c.s), c.isFloat) << c.s;
        EXPECT_EQ(TKZNUtil::IsInteger(c.s), c.isInteger) << c.s;
    }
}

TEST(KZNUtil, BooleanTexts) {
    EXPECT_TRUE(TKZNUtil::StrToBool("True"));
    EXPECT_FALSE(TKZNUtil::StrToBool("False"));
    EXPECT_EQ(TKZNUtil::BoolToStr(true), "True");
    EXPECT_EQ(TKZNUtil::BoolToStr(false), "False");
    for (const char* s : {"true", "FALSE", "", "1", " True"}) {
        try {
            TKZNUtil::StrToBool(s);
            ADD_FAILURE() << s;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, std::string("論理値ではありません ") + s);
            EXPECT_STREQ(e.ClassName(), "EConvertError");
        }
    }
}

TEST(KZNUtil, SplitByChar) {
    struct Case {
        std::string s;
        char delim;
        size_t entries;
        Lines parts;
        std::string rest;
    } cases[] = {
        {"a = b", '=', 1, {"a "}, " b"},        // the parts are not trimmed one by one
        {"  abc  ", '=', 2, {"abc", ""}, ""},   // no delimiter: all of it in the first part
        {"a=b=c=d", '=', 2, {"a", "b"}, "c=d"},
        {"a=b", '=', 3, {"a", "b", ""}, ""},
        {"a=", '=', 2, {"a", ""}, ""},
        {"a=b  =  ", '=', 3, {"a", "b  ", ""}, ""},
        {"=x", '=', 2, {"", "x"}, ""},
        {"\"x\"", '"', 3, {"", "x", ""}, ""},
        {"\"\"\"", '"', 3, {"", "", ""}, ""},
        {"a=b", '=', 0, {}, ""},
        {"表\\x\\y", '\\', 2, {"表", "x"}, "y"},  // the 0x5C of 表 is no delimiter
    };
    for (const auto& c : cases) {
        std::vector<std::string> parts(c.entries, "old");
        std::string rest = "old";
        TKZNUtil::SplitByChar(c.s, c.delim, parts, rest);
        EXPECT_EQ(parts, c.parts) << c.s;
        EXPECT_EQ(rest, c.rest) << c.s;
    }
}

TEST(KZNUtil, SplitBySpace) {
    struct Case {
        std::string s;
        size_t entries;
        Lines parts;
        std::string rest;
    } cases[] = {
        {"a b c", 2, {"a", "b"}, " c"},
        {"a  \"b c\"\td e", 2, {"a", "b c"}, " d e"},
        {"  a  ", 3, {"a", "", ""}, ""},
        {"", 1, {""}, ""},
        {"x y", 0, {}, " x y"},
        {"名前 型 説明 文", 3, {"名前", "型", "説明"}, " 文"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> parts(c.entries, "old");
        std::string rest = "old";
        TKZNUtil::SplitBySpace(c.s, parts, rest);
        EXPECT_EQ(parts, c.parts) << c.s;
        EXPECT_EQ(rest, c.rest) << c.s;
    }
}

TEST(KZNUtil, DeleteLastCRLF) {
    struct Case {
        const char* s;
        const char* result;
    } cases[] = {
        {"a\r\n", "a"}, {"a\n", "a\n"}, {"a\r", "a\r"}, {"\r\n", ""}, {"a\r\n\r\n", "a\r\n"}, {"", ""}, {"\n\r", "\n\r"},
    };
    for (const auto& c : cases) EXPECT_EQ(TKZNUtil::DeleteLastCRLF(c.s), c.result) << Hex(c.s);
}

namespace {
struct Tracked {
    Tracked(int id, std::vector<int>& log) : Id(id), Log(log) {}
    ~Tracked() { Log.push_back(Id); }
    int Id;
    std::vector<int>& Log;
};
}  // namespace

TEST(KZNUtil, ClearObjectListFreesFromTheLastToTheFirst) {
    std::vector<int> log;
    std::vector<Tracked*> plain{new Tracked(1, log), new Tracked(2, log), new Tracked(3, log)};
    TKZNUtil::ClearObjectList(plain);
    EXPECT_TRUE(plain.empty());
    EXPECT_EQ(log, (std::vector<int>{3, 2, 1}));

    log.clear();
    std::vector<std::unique_ptr<Tracked>> owned;
    owned.push_back(std::make_unique<Tracked>(1, log));
    owned.push_back(std::make_unique<Tracked>(2, log));
    TKZNUtil::ClearObjectList(owned);
    EXPECT_TRUE(owned.empty());
    EXPECT_EQ(log, (std::vector<int>{2, 1}));
}

TEST(KZNUtil, Escape5CChars) {
    struct Case {
        std::string s;
        std::string result;
    } cases[] = {
        {"ソ", "\x83\x5C\x5C"},
        {"abc", "abc"},
        {"", ""},
        {"表示", "\x95\x5C\x5C\x8E\xA6"},
        {"a\\b", "a\\b"},                       // a real backslash alone stays as it is
        {"ソ\\", "\x83\x5C\x5C\x5C"},
        {"\x82\x9F\\", "\x82\x9F\\"},          // ぁ then a real backslash: 9F 5C is no character here
        {"\x88\x83\x5C", "\x88\x83\x5C"},      // a character ending in 0x83, then a backslash
        {"a\x83", "a\x83"},                    // a lone lead byte at the end
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(TKZNUtil::Escape5CChars(c.s)), Hex(c.result)) << Hex(c.s);

    // every character of the table gets its backslash
    std::string all(t5c::kTable), expected;
    for (size_t k = 0; k < all.size(); k += 2) expected += all.substr(k, 2) + "\\";
    EXPECT_EQ(Hex(TKZNUtil::Escape5CChars(all)), Hex(expected));
}

TEST(KZNUtil, Is5CChar) {
    struct Case {
        std::string s;
        bool result;
    } cases[] = {
        {"ソ", true}, {"表", true}, {"―", true}, {"鷭", true}, {"ア", false}, {"ソa", false},
        {"\\", false}, {"", false}, {"a\\", false}, {"\\\\", false},
    };
    for (const auto& c : cases) EXPECT_EQ(TKZNUtil::Is5CChar(c.s), c.result) << Hex(c.s);
    for (size_t k = 0; k < t5c::kTable.size(); k += 2) EXPECT_TRUE(TKZNUtil::Is5CChar(t5c::kTable.substr(k, 2)));
}

TEST(KZNUtil, CopyPointAndRect) {
    TPoint p;
    TKZNUtil::CopyPoint(TPoint{3, -4}, p);
    EXPECT_EQ(p, (TPoint{3, -4}));
    TRect r;
    TKZNUtil::CopyRect(TRect{1, 2, 3, 4}, r);
    EXPECT_EQ(r, (TRect{1, 2, 3, 4}));
}

TEST(KZNUtil, CountLeadingChar) {
    EXPECT_EQ(TKZNUtil::CountLeadingChar('-', "--a-"), 2);
    EXPECT_EQ(TKZNUtil::CountLeadingChar('-', ""), 0);
    EXPECT_EQ(TKZNUtil::CountLeadingChar('x', "abc"), 0);
    EXPECT_EQ(TKZNUtil::CountLeadingChar('a', "aaa"), 3);
}

TEST(KZNUtil, IsNear) {
    struct Case {
        int32_t target, value, tolerance;
        bool result;
    } cases[] = {
        {100, 50, 50, true},  {100, 49, 50, false}, {100, 150, 50, true}, {100, 151, 50, false},
        {0, -50, 50, true},   {7, 7, 0, true},      {7, 8, 0, false},
        {INT32_MAX, INT32_MIN, 1, false}, {INT32_MIN, INT32_MAX, 1, false}, {INT32_MAX, INT32_MAX, 10, true},
    };
    for (const auto& c : cases) EXPECT_EQ(TKZNUtil::IsNear(c.target, c.value, c.tolerance), c.result) << c.target << " " << c.value;
}

TEST(KZNUtil, TrimChar) {
    struct Case {
        std::string s;
        char c;
        std::string result;
    } cases[] = {
        {"__a_b__", '_', "a_b"}, {"a__", '_', "a"},   {"___", '_', "___"}, {"", '_', ""},
        {"_a", '_', "a"},        {"abc", '_', "abc"}, {"_", '_', "_"},
        {"__ダ", '_', "ダ"},      // ダ ends in 0x5F, the byte of '_'
        {"_ダ__", '_', "ダ"},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(TKZNUtil::TrimChar(c.s, c.c)), Hex(c.result)) << c.s;
}
