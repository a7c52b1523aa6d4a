#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "StringList.h"
#include "SqlTextGen.h"
#include "TestUtil.h"
#include "U_SQL99.h"

namespace {

using Range = std::tuple<std::string, int32_t, int32_t>;  // tag, start, end
using Ranges = std::vector<Range>;
using Lines = std::vector<std::string>;

const std::string L = "リテラル";
const std::string C = "コメント,";
const std::string B = "S";

Ranges Of(const TIndexStartEndList& l) {
    Ranges out;
    for (int i = 0; i < l.Count(); ++i) out.emplace_back(l.Items(i)->Tag, l.Items(i)->StartIndex, l.Items(i)->EndIndex);
    return out;
}

// The error a call raises: class name, message and position ("" when none).
struct Error {
    std::string Class, Message;
    int32_t Position = 0;
    bool operator==(const Error& o) const { return Class == o.Class && Message == o.Message && Position == o.Position; }
};
std::ostream& operator<<(std::ostream& os, const Error& e) {
    return os << e.Class << ":" << testutil::Hex(e.Message) << "@" << e.Position;
}
Error ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ESQL99Exception& e) {
        return {e.ClassName(), e.Message, e.ErrorPosition};
    }
    return {};
}
const Error kNone{};
Error LiteralError(int32_t p) { return {"ESQL99LiteralException", "リテラルが終了していません", p}; }
Error NoOpenError(int32_t p) { return {"ESQL99BlockCommentException", "ブロックコメント開始がありません", p}; }
Error NotClosedError(int32_t p) { return {"ESQL99BlockCommentException", "ブロックコメントが閉じていません", p}; }

struct ScanCase {
    std::string sql;
    Ranges ranges;
    Error error;
};

template <class Scanner>
void CheckScanner(const std::vector<ScanCase>& cases) {
    for (const auto& c : cases) {
        TIndexStartEndList dest;
        dest.Add("stale", 1, 1);
        Scanner scanner(c.sql);
        EXPECT_EQ(ErrorOf([&] { scanner.GetRanges(dest); }), c.error) << testutil::Hex(c.sql);
        EXPECT_EQ(Of(dest), c.ranges) << testutil::Hex(c.sql);
    }
}

}  // namespace

TEST(SQL99Exception, CarriesTextPositionAndColumn) {
    ESQL99LiteralException e("ab\r\ncd", 6, "リテラルが終了していません");
    EXPECT_STREQ(e.ClassName(), "ESQL99LiteralException");
    EXPECT_EQ(e.SQL, "ab\r\ncd");
    EXPECT_EQ(e.ErrorPosition, 6);
    EXPECT_EQ(e.GetErrorColumn(), 2);
    struct Case {
        std::string sql;
        int32_t position, column;
    } cases[] = {{"abc", 1, 1}, {"abc", 3, 3}, {"\r\nx", 3, 1}, {"a\r\n\r\nbcd", 8, 3}, {"a\r\n", 3, 3}};
    for (const auto& c : cases) EXPECT_EQ(ESQL99Exception(c.sql, c.position, "m").GetErrorColumn(), c.column) << c.position;
}

TEST(SQL99Exception, PositionBeyondTheTextIsAnInternalError) {
    try {
        throw ESQL99BlockCommentException("abc", 4, "ブロックコメントが閉じていません");
    } catch (const ESQL99Exception&) {
        FAIL() << "the error of the text was raised";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.ClassName(), "Exception");
        EXPECT_EQ(e.Message, "内部エラー：範囲外のインデックスに対してエラーポイント例外を生成しようとしました");
    }
}

TEST(SQL99Literal, Ranges) {
    CheckScanner<TSQL99Literal>({
        {"'it''s'", {{L, 1, 4}, {L, 5, 7}}, kNone},
        {"'a\\'b'", {{L, 1, 6}}, kNone},
        {"'\\\\'", {}, LiteralError(1)},                   // a backslash escapes even after a backslash
        {"'\x83\x5C'", {{L, 1, 4}}, kNone},                // 0x5C is the trail byte of ソ
        {"'\x83\x5C\x5C'", {{L, 1, 5}}, kNone},            // ソ at p-3, p-2
        {"'\x95\x5C" "a\\''", {{L, 1, 7}}, kNone},         // 表 two bytes further back does not save the quote
        {"\"it's\" 'a\"b'", {{L, 1, 6}, {L, 8, 12}}, kNone},
        {"'x", {}, LiteralError(1)},
        {"'a' 'b", {{L, 1, 3}}, LiteralError(5)},         // the literals before the error stay
        {"\\'a'", {{L, 2, 4}}, kNone},                     // an opening quote is never escaped
        {"'a\r\nb'", {{L, 1, 6}}, kNone},
        {"-- it's\r\n'a'", {{L, 6, 10}}, LiteralError(12)},  // alone, this scanner knows no comments
        {"", {}, kNone},
    });
}

TEST(SQL99LineComment, Ranges) {
    CheckScanner<TSQL99LineComment>({
        {"a--b", {{C, 2, 4}}, kNone},
        {"a-b", {}, kNone},
        {"---x\r\nb", {{C, 1, 4}}, kNone},
        {"a-", {{C, 2, 2}}, kNone},
        {"x -- c\r\ny --\r\n", {{C, 3, 6}, {C, 11, 12}}, kNone},
        {"'--'", {{C, 2, 4}}, kNone},                     // alone, this scanner knows no literals
        {"a - -b", {}, kNone},
    });
}

TEST(SQL99BlockComment, Ranges) {
    CheckScanner<TSQL99BlockComment>({
        {"/* a /* b */ c */", {{B, 1, 17}, {B, 6, 12}}, kNone},
        {"/**/", {{B, 1, 4}}, kNone},
        {"/***/", {{B, 1, 5}}, kNone},
        {"/* x **/", {{B, 1, 8}}, kNone},
        {"/*/*/", {{B, 1, 5}}, kNone},                     // the second '/' opens nothing
        {"/*/**/", {{B, 1, 6}}, kNone},
        {"/* a *//* b */", {{B, 1, 7}, {B, 8, 14}}, kNone},
        {"*/", {}, NoOpenError(1)},
        {"a */", {}, NoOpenError(3)},
        {"/* /* */", {{B, 1, -1}, {B, 4, 8}}, NotClosedError(1)},
        {"/* a */ /* b", {{B, 1, 7}, {B, 9, -1}}, NotClosedError(9)},
        {"/* a */ */ /*", {{B, 1, 7}}, NoOpenError(9)},
        {"/*/", {{B, 1, -1}}, NotClosedError(1)},
        {"a /", {}, kNone},
        {"a *", {}, kNone},
        {"'/*'", {{B, 2, -1}}, NotClosedError(2)},        // alone, this scanner knows no literals
    });
}

// ---------------------------------------------------------------------------
// The combined scan

namespace {

struct Combined {
    Ranges Literals, Lines, Blocks;
    Error Err;
    bool operator==(const Combined& o) const {
        return Literals == o.Literals && Lines == o.Lines && Blocks == o.Blocks && Err == o.Err;
    }
};
std::ostream& operator<<(std::ostream& os, const Combined& c) {
    auto put = [&](const Ranges& r) {
        for (const auto& [t, s, e] : r) os << "[" << s << "," << e << "]";
        os << " ";
    };
    put(c.Literals);
    put(c.Lines);
    put(c.Blocks);
    return os << c.Err;
}

Combined OnePass(const std::string& sql) {
    TIndexStartEndList l, c, b;
    Combined r;
    r.Err = ErrorOf([&] { TSQL99Scanner::GetRanges(sql, l, c, b); });
    if (r.Err == kNone) r = {Of(l), Of(c), Of(b), kNone};
    return r;
}

// The three scanners one after the other, each on the text with what the
// earlier ones found masked: how the scan worked before it became one pass.
Combined ThreePasses(const std::string& sql) {
    TIndexStartEndList l, c, b;
    Combined r;
    r.Err = ErrorOf([&] {
        TSQL99Literal(sql).GetRanges(l);
        std::string masked = sql;
        for (int i = 0; i < l.Count(); ++i)
            for (int32_t p = l.Items(i)->StartIndex; p <= l.Items(i)->EndIndex; ++p) masked[static_cast<size_t>(p - 1)] = 6;
        TSQL99LineComment(masked).GetRanges(c);
        for (int i = 0; i < c.Count(); ++i)
            for (int32_t p = c.Items(i)->StartIndex; p <= c.Items(i)->EndIndex; ++p) masked[static_cast<size_t>(p - 1)] = 6;
        TSQL99BlockComment(masked).GetRanges(b);
    });
    if (r.Err == kNone) r = {Of(l), Of(c), Of(b), kNone};
    else r.Err.Class = r.Err.Class;  // positions refer to the same text
    return r;
}

}  // namespace

TEST(SQL99Scanner, OnePassFindsWhatTheScannersFoundInTurn) {
    SqlGen gen(2024);
    int errors = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::string sql = gen.Text();
        const Combined expected = ThreePasses(sql);
        if (!(expected.Err == kNone)) ++errors;
        ASSERT_EQ(OnePass(sql), expected) << testutil::Hex(sql);
    }
    EXPECT_GT(errors, 100);  // the errors were exercised too
}

TEST(SQL99Scanner, Ranges) {
    struct Case {
        std::string sql;
        Combined expected;
    } cases[] = {
        {"SELECT '--' FROM t -- c\r\n", {{{L, 8, 11}}, {{C, 20, 23}}, {}, kNone}},
        {"'/*' /* x */", {{{L, 1, 4}}, {}, {{B, 6, 12}}, kNone}},
        {"-- */ x\r\nSELECT 1", {{}, {{C, 1, 7}}, {}, kNone}},
        {"/* a /* b */ */ 'c'", {{{L, 17, 19}}, {}, {{B, 1, 15}, {B, 6, 12}}, kNone}},
        // A quote inside a comment pairs with nothing.
        {"-- it's\r\n'a'", {{{L, 10, 12}}, {{C, 1, 7}}, {}, kNone}},
        {"/* don't */ 'x'", {{{L, 13, 15}}, {}, {{B, 1, 11}}, kNone}},
        {"SELECT 1 -- don't", {{}, {{C, 10, 17}}, {}, kNone}},
        // "--" inside a block comment hides nothing.
        {"/* -- */ x", {{}, {}, {{B, 1, 8}}, kNone}},
        // Errors, at the positions and in the order of the scanners.
        {"*/ 'abc", {{}, {}, {}, LiteralError(4)}},
        {"'abc' */ /*", {{}, {}, {}, NoOpenError(7)}},
        {"/* a", {{}, {}, {}, NotClosedError(1)}},
        {"x /* /* */", {{}, {}, {}, NotClosedError(3)}},
        {"/* 'a */ 'b", {{}, {}, {}, LiteralError(10)}},
    };
    for (const auto& c : cases) EXPECT_EQ(OnePass(c.sql), c.expected) << c.sql;
}

TEST(SQL99Scanner, IgnoreRangesAreMergedAndSorted) {
    TIndexStartEndList list;
    list.Add("stale", 1, 1);
    TSQL99Scanner::GetIgnoreRanges("'a' -- b\r\n/* c /* d */ */'e''f'", list);
    EXPECT_EQ(Of(list), (Ranges{{L, 1, 3}, {C, 5, 8}, {B, 11, 25}, {L, 26, 28}, {L, 29, 31}}));
    EXPECT_EQ(list.IndexOfPosition(20), 2);
    EXPECT_EQ(list.IndexOfPosition(9), -1);
}

// ---------------------------------------------------------------------------
// Comment removal

TEST(SQL99CommentDelete, DeleteComment) {
    struct Case {
        Lines in, out;
    } cases[] = {
        {{"SELECT 1 -- note", "FROM T"}, {"SELECT 1 ", "FROM T"}},
        {{"-- only", "", "SELECT 1"}, {"", "SELECT 1"}},
        {{"/* a */", "x"}, {"x"}},
        {{"SELECT a /* x", "y */ FROM t"}, {"SELECT a  FROM t"}},
        {{"SELECT 'a--b' FROM t", "'/*'"}, {"SELECT 'a--b' FROM t", "'/*'"}},
        {{"  -- c"}, {"  "}},
        {{"x /*c*/", "/*c*/SELECT 1"}, {"x ", "SELECT 1"}},
        {{"/* one", "two", "three */"}, {}},
        {{"a/*x*/--y"}, {"a"}},
        // A removed block comment between two non-blank bytes leaves a blank.
        {{"SELECT a/*c*/FROM t"}, {"SELECT a FROM t"}},
        {{"a/* x", "y */b"}, {"a b"}},
        {{"SELECT 1 -/* x */- 2"}, {"SELECT 1 - - 2"}},
        {{"a/*x*//*y*/b"}, {"a b"}},
        {{"a/* /* */ */b"}, {"a b"}},
        // A quote inside a comment pairs with nothing: the WHERE clause stays.
        {{"DELETE FROM t -- it's", "WHERE name = 'x' -- that's it", ";"}, {"DELETE FROM t ", "WHERE name = 'x' ", ";"}},
        {{"SELECT 1 -- don't", "FROM t"}, {"SELECT 1 ", "FROM t"}},
        // 0x06 in the text is data.
        {{"SELECT '\x06'", "\x06"}, {"SELECT '\x06'", "\x06"}},
        {{"\x83\x5C -- \x95\x5C"}, {"\x83\x5C "}},
    };
    for (const auto& c : cases) {
        TStringList lines;
        lines.Items = c.in;
        TSQL99CommentDelete::DeleteComment(lines);
        EXPECT_EQ(lines.Items, c.out) << testutil::Hex(TStringList().Text() + c.in[0]);
    }
}

TEST(SQL99CommentDelete, ErrorsLeaveTheLinesUnchanged) {
    struct Case {
        Lines in;
        Error error;
    } cases[] = {
        {{"SELECT 1", "FROM t /* x"}, NotClosedError(18)},
        {{"SELECT 'a", "b"}, LiteralError(8)},
        {{"a -- b", "c */"}, NoOpenError(11)},
    };
    for (const auto& c : cases) {
        TStringList lines;
        lines.Items = c.in;
        EXPECT_EQ(ErrorOf([&] { TSQL99CommentDelete::DeleteComment(lines); }), c.error) << c.in[0];
        EXPECT_EQ(lines.Items, c.in);
    }
}

TEST(SQL99CommentDelete, DeleteCommentText) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"SELECT 1 -- c\r\nFROM t\r\n", "SELECT 1 \r\nFROM t"},
        {"  /* c */ SELECT 1  \r\n\r\n", "SELECT 1"},
        {"a -- x\nb", "a \r\nb"},
        {"a -", "a -"},  // the line's CR LF follows the '-'
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TSQL99CommentDelete::DeleteCommentText(c.in), c.out) << c.in;
}

namespace {

// Comment removal written out step by step: the comment bytes marked, the
// marked text split into lines as a line list splits it (a marked line break
// splits nothing), marked bytes dropped, and a line that lost bytes and kept
// none deleted; a comment between two bytes that are not blanks leaves one
// blank.
Lines DeleteCommentStepByStep(const Lines& in) {
    TStringList list;
    list.Items = in;
    const std::string s = list.Text();
    TIndexStartEndList lit, line, block;
    TSQL99Scanner::GetRanges(s, lit, line, block);
    std::vector<bool> gone(s.size(), false);
    for (const TIndexStartEndList* l : {&line, &block})
        for (int i = 0; i < l->Count(); ++i)
            for (int32_t p = l->Items(i)->StartIndex; p <= l->Items(i)->EndIndex; ++p) gone[static_cast<size_t>(p - 1)] = true;
    std::string text = s;
    for (size_t a = 0; a < s.size();) {
        if (!gone[a]) {
            ++a;
            continue;
        }
        size_t b = a;
        while (b < s.size() && gone[b]) ++b;
        if (a > 0 && b < s.size() && static_cast<unsigned char>(s[a - 1]) > 0x20 && static_cast<unsigned char>(s[b]) > 0x20) {
            text[a] = ' ';
            gone[a] = false;
        }
        a = b;
    }
    Lines out;
    std::string cur;
    bool lost = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!gone[i] && (text[i] == '\r' || text[i] == '\n')) {
            if (!(lost && cur.empty())) out.push_back(cur);
            cur.clear();
            lost = any = false;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' && !gone[i + 1]) ++i;
            continue;
        }
        any = true;
        if (gone[i]) lost = true;
        else cur.push_back(text[i]);
    }
    if (any && !(lost && cur.empty())) out.push_back(cur);
    return out;
}

}  // namespace

TEST(SQL99CommentDelete, AgreesWithTheStepByStepRemoval) {
    SqlGen gen(99);
    const char* breaks[] = {"\r\n", "\n", "\r"};
    int errors = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = gen.Text();
        if (round % 5 == 2) {  // other line breaks, as pasted text may have them
            for (size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos;) text.replace(p, 2, breaks[(p + round) % 3]), ++p;
        }
        // Lines that hold line breaks of their own, as a caller may add them.
        TStringList lines;
        if (round % 4 == 1) lines.Items = {text, "x"};
        else lines.SetText(text);
        const Lines before = lines.Items;
        Lines expected;
        const Error expectedError = ErrorOf([&] { expected = DeleteCommentStepByStep(before); });
        const Error error = ErrorOf([&] { TSQL99CommentDelete::DeleteComment(lines); });
        ASSERT_EQ(error, expectedError) << testutil::Hex(text);
        if (!(error == kNone)) {
            ++errors;
            ASSERT_EQ(lines.Items, before);
            continue;
        }
        ASSERT_EQ(lines.Items, expected) << testutil::Hex(text);
        // The text form gives the text of the same lines.
        TStringList fromText(text);
        Lines viaList = DeleteCommentStepByStep(fromText.Items);
        TStringList expectedList;
        expectedList.Items = viaList;
        ASSERT_EQ(testutil::Hex(TSQL99CommentDelete::DeleteCommentLinesText(text)), testutil::Hex(expectedList.Text()))
            << testutil::Hex(text);
    }
    EXPECT_GT(errors, 100);
}

// ---------------------------------------------------------------------------
// Statement kind

TEST(SQL99Parser, GetSQLKind) {
    struct Case {
        std::string sql;
        TSQLKind kind;
    } cases[] = {
        {"-- c\r\n  select * from t", TSQLKind::Query},
        {"/* c */show tables", TSQLKind::Query},
        {"desc t", TSQLKind::Query},
        {"DESCRIBE t", TSQLKind::Query},
        {"DESCRIPTION", TSQLKind::Query},
        {"SHOWX", TSQLKind::Query},
        {"  insert into t values (1)", TSQLKind::Insert},
        {"update t set a = 1", TSQLKind::Update},
        {"UPDATED", TSQLKind::Update},
        {"\r\n\tdelete from t", TSQLKind::Delete},
        {"WITH x AS (SELECT 1) SELECT * FROM x", TSQLKind::Other},
        {"", TSQLKind::Other},
        {"SELEC", TSQLKind::Other},
        {"\x95\x5CSELECT", TSQLKind::Other},
        {"'SELECT'", TSQLKind::Other},
        {"/* select */ -- select\r\nmerge", TSQLKind::Other},
    };
    for (const auto& c : cases) EXPECT_EQ(TSQL99Parser::GetSQLKind(c.sql), c.kind) << c.sql;
    EXPECT_EQ(ErrorOf([] { TSQL99Parser::GetSQLKind("SELECT 'x"); }), LiteralError(8));
}

// ---------------------------------------------------------------------------
// Comma breaks

TEST(SQL99Breaker, BreaksAfterCommasOutsideLiteralsAndComments) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a, b, c", "a,\r\n b,\r\n c"},
        {"f('a,b', c) -- x, y", "f('a,b',\r\n c) -- x, y"},
        {"a,\r\nb", "a,\r\nb"},
        {"a,", "a,"},
        {"a,,b", "a,\r\n,\r\nb"},
        {"a,/* , */b", "a,\r\n/* , */b"},
        {"\"x,y\",z", "\"x,y\",\r\nz"},
        {"a\x06" "b, c", "a\x06" "b,\r\n c"},  // 0x06 is data
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TSQL99Breaker(c.in).ResultSQL, c.out) << c.in;
    EXPECT_EQ(ErrorOf([] { TSQL99Breaker("a, 'b"); }), LiteralError(4));
    TIndexStartEndList list;
    TSQL99Breaker::GetIgnoreRanges("x /* a */ 'b' -- c", list);
    EXPECT_EQ(Of(list), (Ranges{{B, 3, 9}, {L, 11, 13}, {C, 15, 18}}));
}
