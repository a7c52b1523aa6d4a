// The search routine: every option on CP932 text, forward and backward, never
// a match on a trail byte; its tables against the code page; the editor's
// chunked search with the real routine.
#include <gtest/gtest.h>

#include <QString>

#include <random>
#include <string>
#include <vector>

#include "CP932.h"
#include "EditorSearch.h"
#include "TestUtil.h"
#include "ViewTestUtil.h"

namespace {

constexpr uint16_t F = soForward, MC = soMatchCase, WW = soWholeWord, FZ = soFuzzy, LB = soIgnoreLineBreaks,
                   BL = soIgnoreBlanks;

struct Case {
    const char* Name;
    std::string Buffer;
    int Start, Length;
    std::string Pattern;
    uint16_t Options;
    int WantStart;  // -1: not found
    int WantLength;
};

// A failing case by its name, its bytes in hex.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.Name << ": [" << testutil::Hex(c.Buffer) << "] from " << c.Start << "+" << c.Length << ", pattern ["
        << testutil::Hex(c.Pattern) << "], options " << c.Options;
}

// Hex escapes for the bytes that matter; "表" is 0x95 0x5C, "ソ" 0x83 0x5C.
const std::vector<Case> Cases = {
    // a backslash never matches the trail byte of 表 or ソ
    {"yen in hyou", "\x95\x5C", 0, 0, "\\", F | MC, -1, 0},
    {"yen after hyou", "\x95\x5C\x5C", 0, 0, "\\", F | MC, 2, 1},
    {"two yens over hyou", "\x95\x5C\x5C", 0, 0, "\\\\", F | MC, -1, 0},
    {"yen in so, no case", "a\x83\x5Cz", 0, 0, "\\", F, -1, 0},
    {"yen in hyou backward", "\x95\x5C", 2, 0, "\\", 0, -1, 0},
    {"yen after hyou backward", "\x95\x5C\x5C", 3, 0, "\\", 0, 2, 1},
    {"trail and lead read as a pair", "\x95\x5C\x95\x5C", 0, 0, "\x5C\x95", F | MC, -1, 0},
    {"fuzzy yen in hyou", "\x95\x5C", 0, 0, "\\", F | FZ, -1, 0},
    {"fuzzy yen is the full-width yen", "a\x81\x8F", 0, 0, "\\", F | FZ, 1, 2},
    // a start between lead and trail begins after the character
    {"start inside a character", "\x82\xA0\x82\xA0", 1, 0, "\x82\xA0", F, 2, 2},
    {"after the current match", "abab", 0, 2, "ab", F, 2, 2},
    {"start past the buffer", "abc", 4, 0, "a", F, -1, 0},
    {"negative start", "abc", -1, 0, "a", F, -1, 0},
    {"negative length", "abc", 0, -1, "a", F, -1, 0},
    {"empty pattern", "abc", 0, 0, "", F, -1, 0},
    {"empty buffer", "", 0, 0, "a", F, -1, 0},
    {"pattern longer than the rest", "abc", 2, 0, "cd", F, -1, 0},
    // case
    {"ABC finds abc", "xabc", 0, 0, "ABC", F, 1, 3},
    {"abc finds ABC", "xABC", 0, 0, "abc", F, 1, 3},
    {"match case", "xabc", 0, 0, "ABC", F | MC, -1, 0},
    {"full-width capital finds small", "\x82\x81\x82\x82", 0, 0, "\x82\x60", F, 0, 2},
    {"full-width small finds capital", "\x82\x60", 0, 0, "\x82\x81", F, 0, 2},
    {"full-width with match case", "\x82\x81", 0, 0, "\x82\x60", F | MC, -1, 0},
    {"greek", "\x83\xBF", 0, 0, "\x83\x9F", F, 0, 2},
    {"cyrillic io", "\x84\x76", 0, 0, "\x84\x46", F, 0, 2},
    {"cyrillic en", "\x84\x80", 0, 0, "\x84\x4F", F, 0, 2},
    {"small roman numeral", "\xEE\xEF", 0, 0, "\x87\x54", F, 0, 2},
    {"half-width kana are not letters", "\xB1", 0, 0, "\x91", F, -1, 0},
    // width
    {"ga finds ka and mark", "x\xB6\xDEy", 0, 0, "\x83\x4B", F | FZ, 1, 2},
    {"ka and mark finds ga", "x\x83\x4By", 0, 0, "\xB6\xDE", F | FZ, 1, 2},
    {"pa finds ha and semi mark", "\xCA\xDF", 0, 0, "\x83\x70", F | FZ, 0, 2},
    {"vu", "\xB3\xDE", 0, 0, "\x83\x94", F | FZ, 0, 2},
    {"ka with a semi mark is not ki", "\xB6\xDF", 0, 0, "\x83\x4C", F | FZ, -1, 0},
    {"ka with a semi mark is ka and the mark", "\xB6\xDF", 0, 0, "\x83\x4A\x81\x4B", F | FZ, 0, 2},
    {"ABC finds full-width", "\x82\x60\x82\x61\x82\x62", 0, 0, "ABC", F | FZ, 0, 6},
    {"abc finds full-width capitals", "\x82\x60\x82\x61\x82\x62", 0, 0, "abc", F | FZ, 0, 6},
    {"fuzzy with match case", "\x82\x60\x82\x61\x82\x62", 0, 0, "abc", F | FZ | MC, -1, 0},
    {"fuzzy with match case, small", "\x82\x81\x82\x82\x82\x83", 0, 0, "abc", F | FZ | MC, 0, 6},
    {"full-width finds half-width", "x1+2", 0, 0, "\x82\x50\x81\x7B\x82\x51", F | FZ, 1, 3},
    {"kana length one", "\xB1\xB2", 0, 0, "\x83\x41\x83\x43", F | FZ, 0, 2},
    {"without fuzzy widths differ", "\x82\x60", 0, 0, "A", F, -1, 0},
    // line breaks and blanks
    {"ab over a line break", "a\r\nb", 0, 0, "ab", F | LB, 0, 4},
    {"line break before the match is not skipped", "\r\na\r\nb", 0, 0, "ab", F | LB, 2, 4},
    {"line break without the option", "a\r\nb", 0, 0, "ab", F, -1, 0},
    {"blanks and tabs", "a \t b", 0, 0, "ab", F | BL, 0, 5},
    {"full-width blank", "a\x81\x40" "b", 0, 0, "ab", F | LB | BL, 0, 4},
    {"blank with only the line option", "a b", 0, 0, "ab", F | LB, -1, 0},
    {"skipping ends at the last character", "ab\r\n", 0, 0, "ab", F | LB, 0, 2},
    {"backward over a line break", "a\r\nb", 4, 0, "ab", LB, 0, 4},
    // whole words
    {"cat in concatenate", "concatenate", 0, 0, "cat", F | WW, -1, 0},
    {"cat before underscore", "cat_x", 0, 0, "cat", F | WW, 0, 3},
    {"cat at the end after a letter", "xcat", 0, 0, "cat", F | WW, -1, 0},
    {"cat between blanks", "a cat.", 0, 0, "cat", F | WW, 2, 3},
    {"cat after a kanji", "\x88\x9F" "cat", 0, 0, "cat", F | WW, -1, 0},
    {"cat before a kanji", "cat\x88\x9F", 0, 0, "cat", F | WW, -1, 0},
    {"cat after a yen trail", "\x95\x5C" "cat x", 0, 0, "cat", F | WW, -1, 0},
    {"second word", "cats cat", 0, 0, "cat", F | WW, 5, 3},
    {"half-width kana word", "\xB1\xB2\xB3", 0, 0, "\xB1\xB2", F | WW, -1, 0},
    {"backward cat in catalog", "catalog", 7, 0, "cat", WW, -1, 0},
    {"backward whole word", "cat cats", 8, 0, "cat", WW, 0, 3},
    {"whole word from the middle", "xx cat", 1, 0, "cat", F | WW, 3, 3},
    // backward
    {"backward from the end", "abcabc", 6, 0, "abc", 0, 3, 3},
    {"backward before a match", "abcabc", 3, 0, "abc", 0, 0, 3},
    {"backward at the start", "abcabc", 0, 0, "abc", 0, -1, 0},
    {"backward fuzzy by characters", "\xB6\xDE\xB6\xDE", 4, 0, "\x83\x4B", FZ, 2, 2},
    {"backward fuzzy full-width text", "\x82\x60\x82\x60", 4, 0, "A", FZ, 2, 2},
    {"backward start on a trail", "\x82\xA0\x82\xA0", 3, 0, "\x82\xA0", 0, 0, 2},
    {"backward never on a trail", "\x82\xA0\x82\xA0", 4, 0, "\xA0\x82", MC, -1, 0},
    // a lead byte before a line break is a byte of its own
    {"lone lead byte before CR LF", "\x82\r\nA", 0, 0, "\r\nA", F | MC, 1, 3},
    {"lone lead byte at the end", "ab\x82", 0, 0, "\x82", F | MC, 2, 1},
};

class SearchCases : public ::testing::TestWithParam<Case> {};

TEST_P(SearchCases, Finds) {
    const Case& c = GetParam();
    int start = c.Start, length = c.Length;
    const bool found = SearchText(c.Buffer, start, length, c.Pattern, c.Options);
    if (c.WantStart < 0) {
        EXPECT_FALSE(found) << "at " << start;
        EXPECT_EQ(start, c.Start);  // untouched when nothing is found
        EXPECT_EQ(length, c.Length);
    } else {
        ASSERT_TRUE(found);
        EXPECT_EQ(start, c.WantStart);
        EXPECT_EQ(length, c.WantLength);
    }
}

INSTANTIATE_TEST_SUITE_P(All, SearchCases, ::testing::ValuesIn(Cases), [](const auto& info) {
    std::string n;
    for (const char* p = info.param.Name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
});

// A piece of the text that goes on after its end: a match that runs to the end
// is told as one to decide with more text, never as found or as none.
struct PieceCase {
    const char* Name;
    std::string Bytes;
    bool More, DelimBefore;
    long From;
    std::string Pattern;
    uint16_t Options;
    editorsearch::TFound Want;
    size_t WantPos, WantLen;
};

void PrintTo(const PieceCase& c, std::ostream* os) {
    *os << c.Name << ": [" << testutil::Hex(c.Bytes) << "]" << (c.More ? " and more" : "") << " from " << c.From
        << ", pattern [" << testutil::Hex(c.Pattern) << "], options " << c.Options;
}

using editorsearch::TFound;
const std::vector<PieceCase> PieceCases = {
    {"runs past the end", "xxab", true, true, 0, "abc", F | MC, TFound::More, 2, 0},
    {"the end is the text's end", "xxab", false, true, 0, "abc", F | MC, TFound::None, 0, 0},
    {"found inside", "xxabcx", true, true, 0, "abc", F | MC, TFound::Match, 2, 3},
    {"found at the end", "xxabc", true, true, 0, "abc", F | MC, TFound::Match, 2, 3},
    {"earlier candidates ruled out", "abxab", true, true, 0, "abc", F | MC, TFound::More, 3, 0},
    {"skipping runs past the end", "xa\r\n", true, true, 0, "ab", F | LB, TFound::More, 1, 0},
    {"a whole word needs the next byte", "x cat", true, true, 0, "cat", F | WW, TFound::More, 2, 0},
    {"a whole word at the text's end", "x cat", false, true, 0, "cat", F | WW, TFound::Match, 2, 3},
    {"a word continued from before", "cat x", false, false, 0, "cat", F | WW, TFound::None, 0, 0},
    {"a word after a line break", "cat x", false, true, 0, "cat", F | WW, TFound::Match, 0, 3},
    {"a kana whose mark may follow", "x\xB6", true, true, 0, "\x83\x4B", F | FZ, TFound::More, 1, 0},
    {"a kana at the text's end", "x\xB6", false, true, 0, "\x83\x4A", F | FZ, TFound::Match, 1, 1},
    {"backward runs past the end", "xxab", true, true, 3, "abc", MC, TFound::More, 2, 0},
    {"backward later candidates ruled out", "abcxab", true, true, 5, "abc", MC, TFound::More, 4, 0},
    {"backward found", "abcxy", true, true, 4, "abc", MC, TFound::Match, 0, 3},
    {"backward word continued from before", "cat x", false, false, 4, "cat", WW, TFound::None, 0, 0},
};

class PieceCases_ : public ::testing::TestWithParam<PieceCase> {};

TEST_P(PieceCases_, Finds) {
    const PieceCase& c = GetParam();
    const editorsearch::TPattern p(c.Pattern, c.Options);
    const editorsearch::TPiece piece{c.Bytes, c.More, c.DelimBefore};
    size_t pos = 0, len = 0;
    const TFound got = (c.Options & F) ? editorsearch::FindForward(p, piece, static_cast<size_t>(c.From), pos, len)
                                       : editorsearch::FindBackward(p, piece, c.From, pos, len);
    ASSERT_EQ(static_cast<int>(got), static_cast<int>(c.Want));
    if (got != TFound::None) {
        EXPECT_EQ(pos, c.WantPos);
    }
    if (got == TFound::Match) {
        EXPECT_EQ(len, c.WantLen);
    }
}

INSTANTIATE_TEST_SUITE_P(All, PieceCases_, ::testing::ValuesIn(PieceCases), [](const auto& info) {
    std::string n;
    for (const char* p = info.param.Name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
});

// The character boundaries of a CP932 buffer as the editor cuts rows.
std::vector<bool> Boundaries(const std::string& s) {
    std::vector<bool> b(s.size() + 1, false);
    for (size_t i = 0; i < s.size();) {
        b[i] = true;
        const auto c = static_cast<unsigned char>(s[i]);
        bool pair = cp932::IsLeadByte(c) && i + 1 < s.size() && s[i + 1] != '\r' && s[i + 1] != '\n';
        i += pair ? 2 : 1;
    }
    b[s.size()] = true;
    return b;
}

TEST(SearchText, AgreesWithAPlainScanOverRandomText) {
    // pieces that trip byte-wise search: trail bytes equal to the pattern's bytes
    const std::vector<std::string> pieces = {"a", "\\", "\x95\x5C", "\x83\x5C", "\x82\xA0", "\x82\x95", "\r\n", "\x95",
                                             "\x5C\x95", "\x82\x82", "b"};
    std::mt19937 rng(12345);
    auto pick = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::string buf = pick(1 + static_cast<int>(rng() % 40));
        const std::string pat = pick(1 + static_cast<int>(rng() % 2));
        const std::vector<bool> at = Boundaries(buf);
        auto matchesAt = [&](size_t p) {
            if (!at[p] || p + pat.size() > buf.size() || buf.compare(p, pat.size(), pat) != 0) return false;
            // the match must cover whole characters of the pattern too
            const std::vector<bool> pb = Boundaries(pat);
            for (size_t i = 0; i <= pat.size(); ++i)
                if (at[p + i] != pb[i] && !(i == pat.size() && at[p + i])) return false;
            return true;
        };
        const int from = static_cast<int>(rng() % (buf.size() + 1));
        // forward
        int want = -1;
        size_t s = static_cast<size_t>(from);
        while (s < buf.size() && !at[s]) ++s;
        for (size_t p = s; p < buf.size(); ++p)
            if (matchesAt(p)) {
                want = static_cast<int>(p);
                break;
            }
        int start = from, length = 0;
        bool found = SearchText(buf, start, length, pat, F | MC);
        ASSERT_EQ(found ? start : -1, want) << "forward round " << round;
        // backward
        want = -1;
        for (int p = from - static_cast<int>(pat.size()); p >= 0; --p)
            if (matchesAt(static_cast<size_t>(p))) {
                want = p;
                break;
            }
        start = from;
        length = 0;
        found = SearchText(buf, start, length, pat, MC);
        ASSERT_EQ(found ? start : -1, want) << "backward round " << round;
    }
}

TEST(SearchText, FullWidthTableFollowsTheCodePage) {
    // the printable ASCII bytes map to the full-width forms of U+FF01 .. U+FF5E,
    // except the particular choices for " ' \ and ~
    EXPECT_EQ(editorsearch::FullWidthOf(0x20), 0x8140);
    EXPECT_EQ(editorsearch::FullWidthOf(0x22), 0x8168);
    EXPECT_EQ(editorsearch::FullWidthOf(0x27), 0x8166);
    EXPECT_EQ(editorsearch::FullWidthOf(0x2D), 0x817C);
    EXPECT_EQ(editorsearch::FullWidthOf(0x5C), 0x818F);
    EXPECT_EQ(editorsearch::FullWidthOf(0x60), 0x814D);
    EXPECT_EQ(editorsearch::FullWidthOf(0x7E), 0x8150);
    for (int b = 0x21; b <= 0x7E; ++b) {
        if (b == 0x22 || b == 0x27 || b == 0x5C || b == 0x7E) continue;
        const std::string cp = cp932::FromUtf16(std::u16string(1, static_cast<char16_t>(0xFF00 + b - 0x20)));
        ASSERT_EQ(cp.size(), 2u) << b;
        const uint16_t want = static_cast<uint16_t>(static_cast<unsigned char>(cp[0]) << 8 | static_cast<unsigned char>(cp[1]));
        EXPECT_EQ(editorsearch::FullWidthOf(static_cast<uint8_t>(b)), want) << std::hex << b;
    }
    // half-width kana: their compatibility forms, but 0xA5 is 0x8144 and the marks are the spacing ones
    auto nfkc = [](const std::string& halfWidth) {
        return cp932::FromQString(cp932::ToQString(halfWidth).normalized(QString::NormalizationForm_KC));
    };
    auto code = [](const std::string& s) {
        return static_cast<uint16_t>(static_cast<unsigned char>(s[0]) << 8 | static_cast<unsigned char>(s[1]));
    };
    for (int b = 0xA1; b <= 0xDD; ++b) {
        if (b == 0xA5) continue;
        EXPECT_EQ(editorsearch::FullWidthOf(static_cast<uint8_t>(b)), code(nfkc(std::string(1, static_cast<char>(b)))))
            << std::hex << b;
    }
    EXPECT_EQ(editorsearch::FullWidthOf(0xA5), 0x8144);
    EXPECT_EQ(editorsearch::FullWidthOf(0xDE), 0x814A);
    EXPECT_EQ(editorsearch::FullWidthOf(0xDF), 0x814B);
    EXPECT_EQ(editorsearch::FullWidthOf(0x0D), 0);
    EXPECT_EQ(editorsearch::FullWidthOf(0x82), 0);
    // every kana that takes a mark composes to what Unicode composes it to
    int voiced = 0;
    for (int b = 0xA6; b <= 0xDD; ++b)
        for (int mark : {0xDE, 0xDF}) {
            const std::string pair{static_cast<char>(b), static_cast<char>(mark)};
            const std::string composed = nfkc(pair);
            const uint16_t got = editorsearch::VoicedOf(static_cast<uint8_t>(b), static_cast<uint8_t>(mark));
            if (composed.size() == 2) {
                EXPECT_EQ(got, code(composed)) << std::hex << b << " " << mark;
                ++voiced;
            } else {
                EXPECT_EQ(got, 0) << std::hex << b << " " << mark;
            }
        }
    EXPECT_EQ(voiced, 15 + 5 + 5 + 1);  // ga .. do, ba .. bo, pa .. po, vu
}

TEST(SearchText, WordDelimiters) {
    std::string delims;
    for (int b = 0; b < 256; ++b)
        if (editorsearch::IsWordDelimiter(static_cast<uint8_t>(b))) delims += static_cast<char>(b);
    EXPECT_EQ(delims.size(), 0x30u + 7 + 6 + 6 + 6 + 3);
    EXPECT_TRUE(editorsearch::IsWordDelimiter('_'));
    EXPECT_FALSE(editorsearch::IsWordDelimiter('0'));
    EXPECT_FALSE(editorsearch::IsWordDelimiter(0xA6));
    EXPECT_FALSE(editorsearch::IsWordDelimiter(0x88));
}

// ---- the editor's search with the real routine

using viewtest::ViewFixture;
class EditorSearch : public ViewFixture {};

TEST_F(EditorSearch, FindsOnCharactersOnlyBothWays) {
    ShowFocused();
    SetText("\x95\x5C\r\n\x95\x5C\\x\r\n\x83\x5C");
    E->SetRowCol(0, 0);
    ASSERT_TRUE(E->Search("\\", soForward | soMatchCase));
    EXPECT_EQ(E->SelStr().StartRow, 1);
    EXPECT_EQ(E->SelStr().StartIndex, 2);
    EXPECT_FALSE(E->Search("\\", soForward | soMatchCase));
    // backward from the end finds the same one, not the trail of ソ
    E->CleanSelection();
    E->SetRowCol(2, 2);
    ASSERT_TRUE(E->Search("\\", 0));
    EXPECT_EQ(E->SelStr().StartRow, 1);
    EXPECT_EQ(E->SelStr().StartIndex, 2);
    EXPECT_FALSE(E->Search("\\", 0));
    // whole text across rows with the line-break option
    E->CleanSelection();
    E->SetRowCol(0, 0);
    ASSERT_TRUE(E->Search("\x95\x5C\x95\x5C", soForward | soIgnoreLineBreaks));
    EXPECT_EQ(E->GetSelText(), "\x95\x5C\r\n\x95\x5C");
    E->CleanSelection();
    E->SetRowCol(0, 0);
    EXPECT_FALSE(E->Search("\x5C\x95", soForward | soIgnoreLineBreaks | soMatchCase));
}

TEST_F(EditorSearch, FindsEveryMatchOfALongTextOnce) {
    std::string t;
    for (int i = 0; i < 3000; ++i) t += (i % 7 == 3 ? "select \x95\x5C from t" : "\x95\x5C\x95\x5C x") + std::string("\r\n");
    SetText(t);
    E->SetRowCol(0, 0);
    int count = 0, lastRow = -1;
    while (E->Search("SELECT", soForward)) {
        EXPECT_GT(E->SelStr().StartRow, lastRow);
        lastRow = E->SelStr().StartRow;
        ++count;
    }
    EXPECT_EQ(count, 3000 / 7 + (3000 % 7 > 3 ? 1 : 0));
    // and backward from the end
    E->CleanSelection();
    E->SetRowCol(E->RowCount(), 0);
    int back = 0;
    while (E->Search("select", soWholeWord)) ++back;
    EXPECT_EQ(back, count);
}

TEST_F(EditorSearch, FindingAgainAfterAChangeSeesTheNewText) {
    // rows of 100 bytes: the joined rows of one search reach past row 81
    std::vector<std::string> rows(120, std::string(98, 'x'));
    rows[10] = "abc" + std::string(95, 'x');
    rows[20] = "abc" + std::string(95, 'x');
    rows[81] = std::string(97, 'x') + "q";
    rows[82] = "r" + std::string(97, 'x');
    auto joined = [&] {
        std::string t;
        for (const auto& r : rows) t += r + "\r\n";
        return t;
    };
    SetText(joined());
    E->SetRowCol(0, 0);
    ASSERT_TRUE(E->Search("abc", soForward));
    EXPECT_EQ(E->SelStr().StartRow, 10);
    // the next match is taken away and one put after it
    E->Lines().Put(20, std::string(98, 'y'));
    E->Lines().Put(30, "yyabc");
    E->SetRowCol(10, 3);
    ASSERT_TRUE(E->Search("abc", soForward));
    EXPECT_EQ(E->SelStr().StartRow, 30);
    EXPECT_EQ(E->SelStr().StartIndex, 2);
    EXPECT_FALSE(E->Search("abc", soForward));
    // a match that runs from the last of the rows joined from the top into the next row
    E->CleanSelection();
    E->SetRowCol(0, 0);
    ASSERT_TRUE(E->Search("abc", soForward));
    EXPECT_EQ(E->SelStr().StartRow, 10);
    ASSERT_TRUE(E->Search("qr", soForward | soIgnoreLineBreaks | soMatchCase));
    EXPECT_EQ(E->SelStr().StartRow, 81);
    EXPECT_EQ(E->SelStr().StartIndex, 97);
}

}  // namespace

namespace {

TEST_F(EditorSearch, MatchesPastTheLastColumnArePassedOver) {
    // the caret cannot go past column 8193, so the middle match cannot be shown
    // and must not be found again and again
    SetText("abc" + std::string(9000, 'x') + "abc\r\nabc\r\n");
    E->SetRowCol(0, 0);
    std::vector<std::pair<int, int>> hits;
    while (hits.size() < 5 && E->Search("abc", soForward)) hits.emplace_back(E->SelStr().StartRow, E->SelStr().StartIndex);
    EXPECT_EQ(hits, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}}));
    E->CleanSelection();
    E->SetRowCol(E->RowCount(), 0);
    hits.clear();
    while (hits.size() < 5 && E->Search("abc", 0)) hits.emplace_back(E->SelStr().StartRow, E->SelStr().StartIndex);
    EXPECT_EQ(hits, (std::vector<std::pair<int, int>>{{1, 0}, {0, 0}}));
    // nothing reachable: the caret and selection stay as they were
    SetText(std::string(9000, 'x') + "abc");
    E->SetRowCol(0, 5);
    EXPECT_FALSE(E->Search("abc", soForward));
    EXPECT_EQ(E->Col(), 5);
}

}  // namespace
