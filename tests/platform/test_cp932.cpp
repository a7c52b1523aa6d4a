#include <gtest/gtest.h>

#include <memory>

#include "CP932.h"
#include "CP932Tables.h"
#include "TestUtil.h"

using testutil::Hex;

TEST(Literals, NarrowLiteralsAreCP932Bytes) {
    EXPECT_EQ(Hex("表"), "95 5C");
    EXPECT_EQ(Hex("■"), "81 A1");
    EXPECT_EQ(Hex("結果:"), "8C 8B 89 CA 3A");
}

struct RoundTrip {
    const char* utf8;  // u8 literals stay UTF-8 whatever the execution charset
    const char* cp932hex;
};

TEST(CP932, ConvertsBothWaysThroughUtf8AndUtf16) {
    const RoundTrip cases[] = {
        {u8"", ""},
        {u8"abc\\~", "61 62 63 5C 7E"},
        {u8"表示", "95 5C 8E A6"},
        {u8"ｱｲ", "B1 B2"},                    // half-width katakana are single bytes
        {u8"～", "81 60"},                    // U+FF5E
        {u8"①Ⅰ", "87 40 87 54"},              // NEC special characters
        {u8"a\r\nb", "61 0D 0A 62"},
        {u8"abcdefghi表jklmnopqrstu", "61 62 63 64 65 66 67 68 69 95 5C 6A 6B 6C 6D 6E 6F 70 71 72 73 74 75"},
    };
    for (const auto& c : cases) {
        bool lossy = true;
        std::string cp = cp932::FromUtf8(c.utf8, &lossy);
        EXPECT_EQ(Hex(cp), c.cp932hex) << c.utf8;
        EXPECT_FALSE(lossy) << c.utf8;
        EXPECT_EQ(cp932::ToUtf8(cp, &lossy), c.utf8);
        EXPECT_FALSE(lossy);
        std::u16string u = cp932::ToUtf16(cp);
        EXPECT_EQ(cp932::FromUtf16(u, &lossy), cp);
        EXPECT_FALSE(lossy);
    }
}

TEST(CP932, NulBytesAreData) {
    std::string s("a\0b", 3);
    std::u16string u = cp932::ToUtf16(s);
    ASSERT_EQ(u.size(), 3u);
    EXPECT_EQ(cp932::FromUtf16(u), s);
}

TEST(CP932, UnmappableCharactersBecomeVisibleSubstitutesAndAreReported) {
    bool lossy = false;
    // U+00E9 (é) and an emoji have no CP932 form
    EXPECT_EQ(cp932::FromUtf8(u8"caf\xC3\xA9 \xF0\x9F\x98\x80!", &lossy), "caf? ?!");
    EXPECT_TRUE(lossy);
    // bytes that are no UTF-8: a stray continuation byte, a cut sequence
    lossy = false;
    EXPECT_EQ(cp932::FromUtf8("\x80" "abcdefgh" "\xE8\xA1", &lossy), "?abcdefgh??");
    EXPECT_TRUE(lossy);
    lossy = false;
    EXPECT_EQ(cp932::FromUtf16(u"x\u00e9\U0001F600", &lossy), "x??");
    EXPECT_TRUE(lossy);
}

TEST(CP932, InvalidBytesDecodeToReplacementCharacter) {
    struct Case {
        std::string bytes;
        std::u16string expected;
    } cases[] = {
        {"\x81", u"\uFFFD"},                 // a lone lead byte at the end
        {"a\x82", u"a\uFFFD"},
        {"\x81\x20", u"\uFFFD "},            // a lead byte before a byte that is no trail byte
        {"\xFD", u"\uFFFD"},                 // no character at all
    };
    for (const auto& c : cases) {
        bool lossy = false;
        EXPECT_EQ(cp932::ToUtf16(c.bytes, &lossy), c.expected) << Hex(c.bytes);
        EXPECT_TRUE(lossy);
    }
}

// Only well-formed UTF-8 decodes. Overlong forms (of "/", ".", NUL),
// surrogates, code points above U+10FFFF and cut sequences are one
// substitute a byte and lossy: never a separator, a dot or a NUL.
TEST(CP932, OnlyWellFormedUtf8Decodes) {
    struct Case {
        std::string utf8, cp932;
        bool lossy;
    } cases[] = {
        {"\xC0\xAF", "??", true},                 // "/" in two bytes
        {"\xE0\x80\xAF", "???", true},            // "/" in three
        {"\xF0\x80\x80\xAF", "????", true},       // "/" in four
        {"\xC0\xAE\xC0\xAE", "????", true},        // ".."
        {"\xC0\x80", "??", true},                 // NUL in two bytes
        {"\xC1\xBF", "??", true},
        {"\xE0\x9F\xBF", "???", true},            // U+07FF in three bytes
        {"\xED\xA0\x80", "???", true},            // U+D800
        {"\xED\xBF\xBF", "???", true},            // U+DFFF
        {"\xF4\x90\x80\x80", "????", true},       // U+110000
        {"\xF5\x80\x80\x80", "????", true},
        {"\xFF", "?", true},
        {"\xE8\xA1", "??", true},                 // cut short
        {"a\xE8\xA1\xA8" "b", "a\x95\x5C" "b", false},  // 表, whole
        {"\xEE\x80\x80", "\xF0\x40", false},       // U+E000, the first user-defined character
        {"\xED\x9F\xBF", "?", true},              // U+D7FF: one character CP932 lacks
        {"\xF4\x8F\xBF\xBF", "?", true},          // U+10FFFF
        {std::string("\0", 1), std::string("\0", 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.utf8));
        bool lossy = !c.lossy;
        EXPECT_EQ(Hex(cp932::FromUtf8(c.utf8, &lossy)), Hex(c.cp932));
        EXPECT_EQ(lossy, c.lossy);
        std::string exact;
        EXPECT_EQ(cp932::FromUtf8Exact(c.utf8, exact), !c.lossy);
    }
}

TEST(CP932, LeadBytes) {
    EXPECT_TRUE(cp932::IsLeadByte('\x81'));
    EXPECT_TRUE(cp932::IsLeadByte('\x9F'));
    EXPECT_FALSE(cp932::IsLeadByte('\xA0'));
    EXPECT_FALSE(cp932::IsLeadByte('\xDF'));
    EXPECT_TRUE(cp932::IsLeadByte('\xE0'));
    EXPECT_TRUE(cp932::IsLeadByte('\xFC'));
    EXPECT_FALSE(cp932::IsLeadByte('\xFD'));
    EXPECT_FALSE(cp932::IsLeadByte('A'));
}

// The tables compiled into the program are iconv's mapping as this machine has it.
TEST(CP932, CompiledTablesMatchIconv) {
    auto fresh = std::make_unique<cp932::Tables>();
    ASSERT_TRUE(cp932::FillTablesFromIconv(*fresh));
    const cp932::Tables& built = cp932::kTables;
    for (int b = 0; b < 256; ++b) ASSERT_EQ(built.single[b], fresh->single[b]) << "byte " << b;
    for (int lead = 0; lead < 128; ++lead)
        for (int trail = 0; trail < 256; ++trail)
            ASSERT_EQ(built.dbl[lead][trail], fresh->dbl[lead][trail]) << "pair " << lead + 0x80 << " " << trail;
    for (int cp = 0; cp < 0x10000; ++cp) ASSERT_EQ(built.enc[cp], fresh->enc[cp]) << "code unit " << cp;
    // spot checks that the tables are not empty or shifted
    EXPECT_EQ(built.single[0x41], u'A');
    EXPECT_EQ(built.dbl[0x95 - 0x80][0x5C], u'\u8868');  // 表
    EXPECT_EQ(built.enc[0x8868], 0x955C);
    EXPECT_EQ(built.enc[0xFF71], 0xB1);                  // half-width katakana ｱ
}
