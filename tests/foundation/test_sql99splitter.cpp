#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "SqlTextGen.h"
#include "StringList.h"
#include "TestUtil.h"
#include "U_SQL99Splitter.h"

namespace {

using Range = std::tuple<std::string, int32_t, int32_t>;
using Ranges = std::vector<Range>;
using Statements = std::vector<std::string>;

Ranges Of(const TIndexStartEndList& l) {
    Ranges out;
    for (int i = 0; i < l.Count(); ++i) out.emplace_back(l.Items(i)->Tag, l.Items(i)->StartIndex, l.Items(i)->EndIndex);
    return out;
}

Statements StatementsOf(const TSQL99Splitter& s) {
    Statements out;
    for (int i = 0; i < s.Count(); ++i) out.push_back(s.GetStatement(i));
    return out;
}

struct Outcome {
    Statements statements;
    std::string errorClass, message;
    int32_t position = 0;
    bool operator==(const Outcome& o) const {
        return statements == o.statements && errorClass == o.errorClass && message == o.message && position == o.position;
    }
};
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    for (const auto& s : o.statements) os << "[" << testutil::Hex(s) << "] ";
    return os << o.errorClass << "@" << o.position;
}

Outcome SplitText(const std::string& text, char delimiter, uint8_t mode) {
    Outcome o;
    try {
        TSQL99Splitter s(text, delimiter, mode);
        o.statements = StatementsOf(s);
    } catch (const ESQL99Exception& e) {
        o.errorClass = e.ClassName();
        o.message = e.Message;
        o.position = e.ErrorPosition;
    }
    return o;
}

Outcome Ok(Statements s) { return {std::move(s), "", "", 0}; }
Outcome Literal(int32_t p) { return {{}, "ESQL99LiteralException", "リテラルが終了していません", p}; }
Outcome NoOpen(int32_t p) { return {{}, "ESQL99BlockCommentException", "ブロックコメント開始がありません", p}; }
Outcome NotClosed(int32_t p) { return {{}, "ESQL99BlockCommentException", "ブロックコメントが閉じていません", p}; }

}  // namespace

// Every rule of the splitter and the scanners beneath it, one row each.
TEST(SQL99Splitter, Conformance) {
    struct Case {
        const char* rule;
        std::string text;
        char delimiter;
        uint8_t mode;
        Outcome expected;
    } cases[] = {
        // Delimiter mode.
        {"one statement per delimiter; its CR LF goes with it", "SELECT 1;\r\nSELECT 2;\r\n", ';', 0, Ok({"SELECT 1", "SELECT 2"})},
        {"touching delimiters: nothing between", "a;;b\r\n", ';', 0, Ok({"a", "b\r\n"})},
        {"a blank between delimiters is a blank statement", "a; ;b\r\n", ';', 0, Ok({"a", " ", "b\r\n"})},
        {"line breaks before a delimiter stay", "a\r\n;\r\n", ';', 0, Ok({"a\r\n"})},
        {"blanks after a delimiter begin the next", "a;  b;\r\n", ';', 0, Ok({"a", "  b"})},
        {"no delimiter: the whole text", "SELECT 1\r\n", ';', 0, Ok({"SELECT 1\r\n"})},
        {"no delimiter in a blank text", "  \r\n", ';', 0, Ok({"  \r\n"})},
        {"empty text: one empty statement", "", ';', 0, Ok({""})},
        {"a text that begins with the delimiter", ";SELECT 1;\r\n", ';', 0, Ok({"SELECT 1"})},
        {"a blank start before the first delimiter counts", " ;a;\r\n", ';', 0, Ok({" ", "a"})},
        {"blank trailing text is no statement", "a;\r\n  \r\n\r\n", ';', 0, Ok({"a"})},
        {"trailing text with any other byte is", "a;\r\nb\r\n", ';', 0, Ok({"a", "b\r\n"})},
        {"delimiter in a literal", "SELECT 'a;b';\r\n", ';', 0, Ok({"SELECT 'a;b'"})},
        {"delimiter in a double-quoted literal", "SELECT \"a;b\";\r\n", ';', 0, Ok({"SELECT \"a;b\""})},
        {"delimiter in a block comment", "SELECT /* ; */ 1;\r\n", ';', 0, Ok({"SELECT /* ; */ 1"})},
        {"delimiter in a nested block comment", "x /* /* ; */ ; */;\r\n", ';', 0, Ok({"x /* /* ; */ ; */"})},
        {"delimiter in a line comment", "SELECT 1 -- ;\r\n;\r\n", ';', 0, Ok({"SELECT 1 -- ;\r\n"})},
        {"'' inside a literal", "SELECT 'it''s;';\r\n", ';', 0, Ok({"SELECT 'it''s;'"})},
        {"\"--\" inside a literal is no comment", "SELECT '--';SELECT 2;\r\n", ';', 0, Ok({"SELECT '--'", "SELECT 2"})},
        {"\"/*\" inside a literal is no comment", "SELECT '/*';SELECT 2;\r\n", ';', 0, Ok({"SELECT '/*'", "SELECT 2"})},
        {"\"*/\" after \"--\" closes nothing", "a -- */\r\n;\r\n", ';', 0, Ok({"a -- */\r\n"})},
        {"a quote inside a line comment pairs with nothing", "SELECT 1 -- it's\r\n;\r\nSELECT 'x';\r\n", ';', 0,
         Ok({"SELECT 1 -- it's\r\n", "SELECT 'x'"})},
        {"a quote inside a block comment pairs with nothing", "/* don't */ a;b;\r\n", ';', 0, Ok({"/* don't */ a", "b"})},
        {"\"--\" inside a block comment hides nothing", "/* -- */ a;b;\r\n", ';', 0, Ok({"/* -- */ a", "b"})},
        {"other delimiter", "a/b\r\n", '/', 0, Ok({"a", "b\r\n"})},
        // A delimiter that can be the second byte of a double-byte character.
        {"| inside ポ", "SELECT '1' AS \x83\x7C|x\r\n", '|', 0, Ok({"SELECT '1' AS \x83\x7C", "x\r\n"})},
        {"| inside 怖", "\x95\x7C|\x95\x7C\r\n", '|', 0, Ok({"\x95\x7C", "\x95\x7C\r\n"})},
        {"@ inside ァ", "\x83\x40@b\r\n", '@', 0, Ok({"\x83\x40", "b\r\n"})},
        {"[ inside a character", "\x83\x5B[b\r\n", '[', 0, Ok({"\x83\x5B", "b\r\n"})},
        {"] inside a character", "\x83\x5D]b\r\n", ']', 0, Ok({"\x83\x5D", "b\r\n"})},
        {"^ inside a character", "\x83\x5E^b\r\n", '^', 0, Ok({"\x83\x5E", "b\r\n"})},
        {"_ inside a character", "\x83\x5F_b\r\n", '_', 0, Ok({"\x83\x5F", "b\r\n"})},
        {"{ inside a character", "\x83\x7B{b\r\n", '{', 0, Ok({"\x83\x7B", "b\r\n"})},
        {"} inside a character", "\x83\x7D}b\r\n", '}', 0, Ok({"\x83\x7D", "b\r\n"})},
        {"~ inside a character", "\x83\x7E~b\r\n", '~', 0, Ok({"\x83\x7E", "b\r\n"})},
        {"a letter inside a character", "\x83\x60ZZb\x83Z\r\n", 'Z', 0, Ok({"\x83\x60", "b\x83Z\r\n"})},
        {"half-width kana inside a character", "\x88\xB1\xB1" "b\r\n", '\xB1', 0, Ok({"\x88\xB1", "b\r\n"})},
        {"a lead-byte run of even length ends before it", "\x81\x81\x88\x9F|b\r\n", '|', 0,
         Ok({"\x81\x81\x88\x9F", "b\r\n"})},
        {"a lead-byte run of odd length takes it", "\x81\x88\x9F|b|\r\n", '|', 0, Ok({"\x81\x88\x9F|b"})},
        {"a line break ends a lone lead byte", "\x81\r\n|b\r\n", '|', 0, Ok({"\x81\r\n", "b\r\n"})},
        {"after a literal", "'\x83\x7C'|b\r\n", '|', 0, Ok({"'\x83\x7C'", "b\r\n"})},
        {"after a comment", "a/*\x83*/|b\r\n", '|', 0, Ok({"a/*\x83*/", "b\r\n"})},
        {"a ; after a lone lead byte still counts", "\x81;b\r\n", ';', 0, Ok({"\x81", "b\r\n"})},
        // The escape test with the 0x5C table.
        {"backslash escapes the closing quote", "SELECT 'a\\';b';\r\n", ';', 0, Ok({"SELECT 'a\\';b'"})},
        {"a backslash after a backslash still escapes", "SELECT 'a\\\\';b';\r\n", ';', 0, Ok({"SELECT 'a\\\\';b'"})},
        {"0x5C trail byte of 表 before the quote", "SELECT '\x95\x5C';SELECT 2;\r\n", ';', 0, Ok({"SELECT '\x95\x5C'", "SELECT 2"})},
        {"ソ and a backslash before the quote", "SELECT '\x83\x5C\x5C';SELECT 2;\r\n", ';', 0,
         Ok({"SELECT '\x83\x5C\x5C'", "SELECT 2"})},
        {"0x5C lead byte table entry 鷭", "x '\xEA\x5C';y;\r\n", ';', 0, Ok({"x '\xEA\x5C'", "y"})},
        {"0x5C of a character outside the table escapes", "x '\xEB\x5C';y';\r\n", ';', 0, Ok({"x '\xEB\x5C';y'"})},
        // Errors, with positions in the text handed in.
        {"unclosed literal", "SELECT 'abc;\r\n", ';', 0, Literal(8)},
        {"unclosed literal after an escape", "SELECT 'a\\';\r\n", ';', 0, Literal(8)},
        {"\"*/\" with no open comment", "SELECT 1 */;\r\n", ';', 0, NoOpen(10)},
        {"unclosed block comment", "SELECT /* a;\r\n", ';', 0, NotClosed(8)},
        {"first unclosed opener", "/* /* */ x;\r\n", ';', 0, NotClosed(1)},
        {"an unclosed literal is reported before a stray \"*/\"", "*/ 'abc\r\n", ';', 0, Literal(4)},
        {"a stray \"*/\" is reported before an unclosed \"/*\"", "a */ b /* c\r\n", ';', 0, NoOpen(3)},
        // Block mode.
        {"lines of the delimiter alone", "SELECT 4/2 FROM DUAL\r\n/\r\nSELECT 1\r\n/\r\n", '/', 1,
         Ok({"SELECT 4/2 FROM DUAL\r\n", "SELECT 1\r\n"})},
        {"trailing blanks after the delimiter", "a\r\n/   \r\nb\r\n", '/', 1, Ok({"a\r\n", "b\r\n"})},
        {"a TAB after the delimiter", "a\r\n/\t\r\nb\r\n", '/', 1, Ok({"a\r\n/\t\r\nb\r\n"})},
        {"a blank before the delimiter", "a\r\n /\r\nb\r\n", '/', 1, Ok({"a\r\n /\r\nb\r\n"})},
        {"anything else on the line", "a\r\n/x\r\nb\r\n", '/', 1, Ok({"a\r\n/x\r\nb\r\n"})},
        {"a delimiter line inside a literal", "'a\r\n/\r\nb'\r\n", '/', 1, Ok({"'a\r\n/\r\nb'\r\n"})},
        {"a delimiter line inside a block comment", "/* a\r\n/\r\n*/ b\r\n", '/', 1, Ok({"/* a\r\n/\r\n*/ b\r\n"})},
        {"after a line comment", "a -- x\r\n/\r\nb\r\n", '/', 1, Ok({"a -- x\r\n", "b\r\n"})},
        {"no final CR LF", "a\r\n/", '/', 1, Ok({"a\r\n/"})},
        {"a delimiter line first", "/\r\na\r\n", '/', 1, Ok({"a\r\n"})},
        {"touching delimiter lines", "a\r\n/\r\n/\r\nb\r\n", '/', 1, Ok({"a\r\n", "b\r\n"})},
        {"the delimiter inside a line counts not", "a;b\r\n;\r\n", ';', 1, Ok({"a;b\r\n"})},
        {"blank lines between delimiter lines", "/\r\n\r\n/\r\n", '/', 1, Ok({"\r\n"})},
        {"errors in block mode", "'a\r\n/\r\n", '/', 1, Literal(1)},
        // Other modes.
        {"mode 2 finds no delimiter", "a;b;\r\n", ';', 2, Ok({"a;b;\r\n"})},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitText(c.text, c.delimiter, c.mode), c.expected) << c.rule;
}

TEST(SQL99Splitter, RangesAndTags) {
    TSQL99Splitter s("SELECT 1;\r\nSELECT 'a';\r\nx", ';', 0);
    EXPECT_EQ(Of(s.GetDelimiterRanges()), (Ranges{{"", 9, 11}, {"", 22, 24}}));
    EXPECT_EQ(Of(s.StatementRanges), (Ranges{{"最初のデリミタまで", 1, 8}, {"", 12, 21}, {"", 25, 25}}));
    EXPECT_EQ(Of(s.GetIgnoreRanges()), (Ranges{{"リテラル", 19, 21}}));
    EXPECT_EQ(s.Count(), 3);
    EXPECT_THROW(s.GetStatement(3), EListError);

    TSQL99Splitter b("a\r\n/ \r\nb\r\n/\r\n", '/', 1);
    EXPECT_EQ(Of(b.GetDelimiterRanges()), (Ranges{{"ブロックデリミタ", 4, 7}, {"ブロックデリミタ", 11, 13}}));
    EXPECT_EQ(Of(b.StatementRanges), (Ranges{{"最初のデリミタまで", 1, 3}, {"", 8, 10}}));

    // Splitting again gives the same lists, not twice as many.
    s.Text = "a;b";
    s.Split();
    EXPECT_EQ(StatementsOf(s), (Statements{"a", "b"}));
    EXPECT_EQ(s.GetDelimiterRanges().Count(), 1);
}

namespace {

// The delimiter walk as written out rule by rule, over the splitter's own
// ignore ranges, to check the splitter's faster walk against.
Ranges DelimitersByRules(const std::string& t, char delimiter, uint8_t mode, const TIndexStartEndList& ignore) {
    Ranges out;
    const size_t n = t.size();
    // trail[p]: byte p is the second byte of a double-byte character, read
    // from the start of the text.
    std::vector<bool> trail(n, false);
    for (size_t i = 1; i < n; ++i) {
        const unsigned char lead = static_cast<unsigned char>(t[i - 1]), c = static_cast<unsigned char>(t[i]);
        trail[i] = !trail[i - 1] && ((lead >= 0x81 && lead <= 0x9F) || lead >= 0xE0) && lead <= 0xFC &&
                   ((c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC));
    }
    size_t p = 0;
    while (p < n) {
        if (t[p] != delimiter || trail[p]) {
            ++p;
            continue;
        }
        if (mode == 0) {
            if (ignore.IndexOfPosition(static_cast<int32_t>(p + 1)) >= 0) {
                ++p;
                continue;
            }
            size_t e = p;
            while (e + 1 < n && (t[e + 1] == '\r' || t[e + 1] == '\n')) ++e;
            out.emplace_back("", p + 1, e + 1);
            p = e + 1;
        } else {
            if (p > 0 && t[p - 1] != '\n') {
                ++p;
                continue;
            }
            size_t q = p + 1;
            while (q < n && t[q] == ' ') ++q;
            if (q < n && t[q] == '\r' && q + 1 < n && t[q + 1] == '\n' && ignore.IndexOfPosition(static_cast<int32_t>(q + 2)) < 0) {
                out.emplace_back("ブロックデリミタ", p + 1, q + 2);
                p = q + 2;
            } else {
                p = q + 1;
            }
        }
    }
    return out;
}

}  // namespace

TEST(SQL99Splitter, DelimiterWalkFollowsTheRules) {
    std::mt19937 rng(5);
    const char* pieces[] = {"a", " ", "\r\n", ";", "/", "/\r\n", " /\r\n", "/ \t\r\n", "'x;\r\n/\r\n'", "-- ;/\r\n",
                            "/* ;\r\n/\r\n */", "\"/\"", "\r\n;\r\n", "\n", "\r",
                            "|", "\x83", "\x95\x7C", "\x81\x81", "|\r\n", "\x83|"};
    constexpr unsigned kPieces = sizeof pieces / sizeof pieces[0];
    for (int round = 0; round < 3000; ++round) {
        std::string t;
        const int n = static_cast<int>(rng() % 14);
        for (int i = 0; i < n; ++i) t += pieces[rng() % kPieces];
        for (uint8_t mode : {0, 1})
            for (char d : {';', '/', '|'}) {
                TSQL99Splitter s(t, d, mode);
                ASSERT_EQ(Of(s.GetDelimiterRanges()), DelimitersByRules(t, d, mode, s.GetIgnoreRanges())) << testutil::Hex(t);
            }
    }
}

TEST(SQL99Ignore, FillIgnored) {
    std::string out = "stale";
    TSQL99Ignore::FillIgnoredText("SELECT 'a' -- c\r\nFROM \"t\" /* x /* y */ */;", '*', out);
    EXPECT_EQ(out, "SELECT *** ****\r\nFROM *** ***************;");
    TSQL99Ignore ig("'\x95\x5C' <?FILE:x?>");
    ig.FillIgnored('@', out);
    EXPECT_EQ(out, "@@@@ <?FILE:x?>");
    TIndexStartEndList list;
    ig.GetIgnoreRanges(list);
    EXPECT_EQ(Of(list), (Ranges{{"リテラル", 1, 4}}));

    out = "kept";
    EXPECT_THROW(TSQL99Ignore::FillIgnoredText("a /* b", '*', out), ESQL99BlockCommentException);
    EXPECT_EQ(out, "kept");
}

namespace {

Outcome Describe(const TSQL99Splitter& s) {
    Outcome o;
    o.statements = StatementsOf(s);
    o.statements.push_back(s.Text);
    for (const TIndexStartEndList* l : {&s.GetIgnoreRanges(), &s.GetDelimiterRanges(), &s.StatementRanges}) {
        std::string ranges;
        for (const auto& [t, b, e] : Of(*l)) ranges += t + ":" + std::to_string(b) + "-" + std::to_string(e) + " ";
        o.statements.push_back(ranges);
    }
    return o;
}

}  // namespace

// Comment removal and splitting in one pass give what the two steps give.
TEST(SQL99Splitter, CreateWithoutCommentsIsTheSplitterOfTheCleanedText) {
    auto compare = [](const std::string& text, char delimiter, uint8_t mode) {
        Outcome twoSteps, onePass;
        try {
            twoSteps = Describe(TSQL99Splitter(TSQL99CommentDelete::DeleteCommentLinesText(text), delimiter, mode));
        } catch (const ESQL99Exception& e) {
            twoSteps = {{}, e.ClassName(), e.Message, e.ErrorPosition};
        }
        try {
            onePass = Describe(*TSQL99Splitter::CreateWithoutComments(text, delimiter, mode));
        } catch (const ESQL99Exception& e) {
            onePass = {{}, e.ClassName(), e.Message, e.ErrorPosition};
        }
        EXPECT_EQ(onePass, twoSteps) << testutil::Hex(text) << " mode " << int(mode) << " " << int(delimiter);
    };
    // A line break as the delimiter: the break of a line that held only a
    // comment goes with the comment and ends no statement.
    const struct {
        std::string text;
        char delimiter;
    } fixed[] = {
        {"a\r\n/* c */\r\nb\r\n", '\n'},
        {"a\r\n/* c */\r\nb\r\n", '\r'},
        {"a\r\n-- c\r\n\r\n/* d */\r\n", '\n'},
        {"B;;@] (/@\x00\x83\x81\x81\x83" "A@x '@;' /*@*/\r\n/*@*/\r\n", '\n'},
        // A blank as the delimiter: the blank that stands for a comment between
        // two words is one, as it is in the text without comments.
        {"\xFF/**/A\r\n", ' '},
        {"x/**/A", ' '},
        {"a/* c */b/**/'x y'/*z*/--w\r\nc d\r\n", ' '},
        {"\x81/**/A \x83/**/\x83 b\r\n", ' '},
    };
    for (const auto& f : fixed)
        for (uint8_t mode : {0, 1}) compare(f.text, f.delimiter, mode);

    SqlGen gen(31);
    int errors = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = gen.Text();
        if (round % 2) text = TStringList(text).Text();
        if (round % 7 == 3) text += "/\r\n;\r\n";
        if (round % 5 == 1) text.insert(text.size() / 2, "\x83|\x83\x7C|");
        const char delimiter = ";/-| "[round % 5];
        for (uint8_t mode : {0, 1}) {
            Outcome twoSteps, onePass;
            try {
                twoSteps = Describe(TSQL99Splitter(TSQL99CommentDelete::DeleteCommentLinesText(text), delimiter, mode));
            } catch (const ESQL99Exception& e) {
                twoSteps = {{}, e.ClassName(), e.Message, e.ErrorPosition};
                ++errors;
            }
            try {
                onePass = Describe(*TSQL99Splitter::CreateWithoutComments(text, delimiter, mode));
            } catch (const ESQL99Exception& e) {
                onePass = {{}, e.ClassName(), e.Message, e.ErrorPosition};
            }
            ASSERT_EQ(onePass, twoSteps) << testutil::Hex(text) << " mode " << int(mode) << " " << delimiter;
        }
    }
    EXPECT_GT(errors, 100);
}

TEST(SQL99Splitter, CreateWithoutComments) {
    const auto s = TSQL99Splitter::CreateWithoutComments(
        "-- first\r\nSELECT 'a;b' /* x; */ FROM t;\r\n/* only a comment */\r\nDELETE FROM t -- it's\r\nWHERE k = 'x';\r\n", ';', 0);
    EXPECT_EQ(s->Text, "SELECT 'a;b'  FROM t;\r\nDELETE FROM t \r\nWHERE k = 'x';\r\n");
    EXPECT_EQ(StatementsOf(*s), (Statements{"SELECT 'a;b'  FROM t", "DELETE FROM t \r\nWHERE k = 'x'"}));
    EXPECT_EQ(Of(s->GetIgnoreRanges()), (Ranges{{"リテラル", 8, 12}, {"リテラル", 50, 52}}));
    try {
        TSQL99Splitter::CreateWithoutComments("SELECT 1;\r\n/* open\r\n", ';', 0);
        FAIL();
    } catch (const ESQL99BlockCommentException& e) {
        EXPECT_EQ(e.Message, "ブロックコメントが閉じていません");
        EXPECT_EQ(e.ErrorPosition, 12);
        EXPECT_EQ(e.SQL, "SELECT 1;\r\n/* open\r\n");
    }
}
