#include <gtest/gtest.h>

#include "Exception.h"
#include "SysUtils.h"

TEST(SysUtils, TrimRemovesBytesBelow0x21) {
    EXPECT_EQ(sys::Trim(" \t\r\na b\x01 "), "a b");
    EXPECT_EQ(sys::Trim("   "), "");
    EXPECT_EQ(sys::TrimLeft("  a "), "a ");
    EXPECT_EQ(sys::TrimRight("  a \r\n"), "  a");
}

TEST(SysUtils, CaseFoldingKeepsDoubleByteCharactersWhole) {
    // ア (0x83 0x41) has an 'A' as trail byte; 0x83 0x61 is ャ with trail 'a'
    EXPECT_EQ(sys::UpperCase("select ャ"), "SELECT ャ");
    EXPECT_EQ(sys::LowerCase("SELECT ア"), "select ア");
    EXPECT_NE(sys::CompareText("ア", "ャ"), 0);
    EXPECT_EQ(sys::CompareText("abcア", "ABCア"), 0);
    EXPECT_LT(sys::CompareText("a", "B"), 0);
    EXPECT_TRUE(sys::StartsText("sel", "SELECT"));
    EXPECT_FALSE(sys::StartsText("SELECTX", "SELECT"));
}

TEST(SysUtils, IntegerConversion) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"12", true, 12}, {"-7", true, -7}, {" 3", true, 3}, {"3 ", false, 0},
        {"", false, 0}, {"1.0", false, 0}, {"2147483648", false, 0}, {"$1F", true, 31}, {"abc", false, 0},
    };
    for (const auto& c : cases) {
        int32_t v = 0;
        EXPECT_EQ(sys::TryStrToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_THROW(sys::StrToInt("x"), EConvertError);
    EXPECT_EQ(sys::StrToIntDef("x", 5), 5);
}

TEST(SysUtils, FloatConversion) {
    double v;
    EXPECT_TRUE(sys::TryStrToFloat("1e3", v));
    EXPECT_DOUBLE_EQ(v, 1000);
    EXPECT_TRUE(sys::TryStrToFloat(" -1.5", v));
    EXPECT_FALSE(sys::TryStrToFloat("1.5 ", v));
    EXPECT_FALSE(sys::TryStrToFloat("0x10", v));
    EXPECT_FALSE(sys::TryStrToFloat("inf", v));
    EXPECT_FALSE(sys::TryStrToFloat("", v));
}

TEST(SysUtils, QuotedStrings) {
    EXPECT_EQ(sys::AnsiQuotedStr("a'b", '\''), "'a''b'");
    size_t pos = 0;
    EXPECT_EQ(sys::AnsiExtractQuotedStr("'a''b'c", pos, '\''), "a'b");
    EXPECT_EQ(pos, 6u);
    EXPECT_EQ(sys::StringReplaceAll("a--b--", "--", "+"), "a+b+");
}
