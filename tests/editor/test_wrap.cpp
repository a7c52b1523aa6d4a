#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "EditorWrap.h"
#include "TestUtil.h"

namespace {

struct Row {
    std::string text;
    int attr;
    bool operator==(const Row& o) const { return text == o.text && attr == o.attr; }
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << "[" << testutil::Hex(r.text) << "]" << r.attr; }

std::vector<Row> Cut(const TEditorWrapOption& o, const std::string& line, int tab = 8) {
    TColumnMetrics m;
    m.TabSpaceCount = tab;
    TLineCutter c(m, o);
    std::vector<Row> rows;
    CutLine(c, line, [&](const TWrappedRow& r) { rows.push_back({std::string(r.Text), r.Attribute}); });
    EXPECT_EQ(CountLineRows(c, line), static_cast<int>(rows.size()));
    return rows;
}

std::string Letters(int n, char c = 'a') { return std::string(static_cast<size_t>(n), c); }

}  // namespace

TEST(ColumnCodes, OneCodePerColumn) {
    TColumnMetrics m;
    m.TabSpaceCount = 4;
    struct Case {
        std::string text;
        std::string codes;
    } cases[] = {
        {"", ""},
        {"ab_9", "1111"},
        {"a b,", "1212"},
        {"\ta", "23331"},         // a tab fills up to its stop
        {"ab\tc", "11231"},
        {"abcd\t", "11112333"},
        {"表", "45"},
        {"ｱ", "1"},               // half-width katakana is a single byte
        {"a\x81", "11"},          // a lone lead byte at the end has no trail
        {std::string("a\0b", 3), "121"},  // NUL is a byte like any other
    };
    for (const auto& c : cases) EXPECT_EQ(ColumnCodes(m, c.text), c.codes) << testutil::Hex(c.text);
}

TEST(ColumnCodes, WrapLimitsTheFillAndTheLength) {
    TColumnMetrics m;
    m.TabSpaceCount = 8;
    m.WordWrap = true;
    m.WrapByte = 20;
    // A tab at column 18 fills only up to the wrap edge (column 20), not to 24.
    EXPECT_EQ(ColumnCodes(m, Letters(18) + "\tb"), Letters(18, '1') + "23" + "1");
    // The codes stop at WrapByte + 3.
    EXPECT_EQ(ColumnCodes(m, Letters(100)).size(), 23u);
    m.WordWrap = false;
    EXPECT_EQ(ColumnCodes(m, Letters(10000)).size(), 8192u);
}

TEST(ColumnCodes, TextColumnsMatchesTheCodes) {
    TColumnMetrics m;
    m.TabSpaceCount = 4;
    for (std::string s : {std::string("a\tb\t\tc"), std::string("表\tx"), std::string("\x81"), std::string("ab\x82")}) {
        EXPECT_EQ(TextColumns(m, s), static_cast<int>(ColumnCodes(m, s).size())) << testutil::Hex(s);
    }
    m.WordWrap = true;
    m.WrapByte = 20;
    EXPECT_EQ(TextColumns(m, Letters(18) + "\t"), 20);
}

TEST(EditorAttributeArray, WalksColumnsAndBytes) {
    TColumnMetrics m;
    m.TabSpaceCount = 4;
    std::string text = "\t表x";
    std::string codes = ColumnCodes(m, text);
    ASSERT_EQ(codes, "2333451");
    TEditorAttributeArray a(text, codes);
    EXPECT_EQ(a.ColCount(), 7);
    EXPECT_EQ(a.GetChar(), "\t");
    a.MoveTo(3);  // fill: still the tab
    EXPECT_EQ(a.Code, '3');
    EXPECT_EQ(a.TextPos, 1);
    EXPECT_EQ(a.GetChar(), "\t");
    a.MoveTo(5);
    EXPECT_EQ(a.Code, '4');
    EXPECT_EQ(a.TextPos, 2);
    EXPECT_EQ(a.GetChar(), "表");
    EXPECT_EQ(a.NextChar(), "表");
    a.Next();
    EXPECT_EQ(a.Code, '5');
    EXPECT_EQ(a.TextPos, 3);
    EXPECT_EQ(a.GetChar(), "表");
    EXPECT_EQ(a.NextChar(), "x");
    a.MoveTo(100);
    EXPECT_EQ(a.Code, '0');
    EXPECT_EQ(a.Pos, 8);
    EXPECT_EQ(a.GetChar(), "");
    a.MoveTo(1);
    EXPECT_EQ(a.Pos, 1);
    EXPECT_EQ(a.TextPos, 1);
}

TEST(WrapOption, SettersClampAndReportRealChanges) {
    TEditorWrapOption o;
    int changes = 0;
    o.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(o.WrapByte(), 80);
    EXPECT_EQ(o.PunctuationStr(), "、。，．,.｡､");
    o.SetWrapByte(10);
    EXPECT_EQ(o.WrapByte(), 20);
    o.SetWrapByte(300);
    EXPECT_EQ(o.WrapByte(), 250);
    EXPECT_EQ(changes, 2);
    o.SetWrapByte(250);
    o.SetWordBreak(false);
    EXPECT_EQ(changes, 2);
    TEditorWrapOption other;
    other.SetLeading(true);
    other.SetFollowStr("x");
    other.SetWrapByte(40);
    o.Assign(other);
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(o.Leading());
    EXPECT_EQ(o.FollowStr(), "x");
    EXPECT_EQ(o.WrapByte(), 40);
}

// The line-breaking rules at the edges, WrapByte 20.
TEST(WrapRules, CutsAtTheEdges) {
    struct Case {
        const char* name;
        bool wordBreak, followPunct, leading, followRet;
        std::string line;
        std::vector<Row> rows;
    } cases[] = {
        {"plain letters", false, false, false, false, Letters(45),
         {{Letters(20), 1}, {Letters(20), 1}, {Letters(5), 0}}},
        {"word break after the last blank", true, false, false, false, "aaaa bbbb cccc ddddddd",
         {{"aaaa bbbb cccc ", 1}, {"ddddddd", 0}}},
        // No delimiter beyond a third of the width: the row is cut at the third.
        {"word break stops at a third", true, false, false, false, "ab " + Letters(40, 'x'),
         {{"ab xxx", 1}, {Letters(6, 'x'), 1}, {Letters(6, 'x'), 1}, {Letters(6, 'x'), 1}, {Letters(19, 'x'), 0}}},
        {"double-byte at the edge moves whole", false, false, false, false, Letters(19) + "表x",
         {{Letters(19), 1}, {"表x", 0}}},
        {"punctuation hangs", false, true, false, false, Letters(20) + "。b",
         {{Letters(20) + "。", 1}, {"b", 0}}},
        {"punctuation hangs two columns at most", false, true, false, false, Letters(20) + ",.,b",
         {{Letters(20) + ",.", 1}, {",b", 0}}},
        {"no hanging without the option", false, false, false, false, Letters(20) + "。b",
         {{Letters(20), 1}, {"。b", 0}}},
        {"leading pulls a follow character's row start back", false, false, true, false, Letters(20) + "。b",
         {{Letters(19), 1}, {"a。b", 0}}},
        {"a lead character never ends a row", false, false, true, false, Letters(18) + "「x」yz",
         {{Letters(18), 1}, {"「x」yz", 0}}},
        {"single-byte lead character", false, false, true, false, Letters(19) + "(" + Letters(5, 'z'),
         {{Letters(19), 1}, {"(" + Letters(5, 'z'), 0}}},
        {"rules stop at four fifths", false, false, true, false, std::string(30, '('),
         {{std::string(16, '('), 1}, {std::string(14, '('), 0}}},
        {"exact width: empty last row", false, false, false, false, Letters(20), {{Letters(20), 1}, {"", 0}}},
        {"exact width with FollowRetMark", false, false, false, true, Letters(20), {{Letters(20), 0}}},
        {"two rows exactly with FollowRetMark", false, false, false, true, Letters(40),
         {{Letters(20), 1}, {Letters(20), 0}}},
        {"just below the width", false, false, false, false, Letters(19), {{Letters(19), 0}}},
        {"empty line", false, false, false, true, "", {{"", 0}}},
        {"a lone lead byte at the end", false, false, false, false, Letters(20) + "\x81",
         {{Letters(20), 1}, {"\x81", 0}}},
        {"a lone lead byte on the edge is a single byte", false, false, false, false, Letters(19) + "\x81",
         {{Letters(19) + "\x81", 1}, {"", 0}}},
    };
    for (const auto& c : cases) {
        TEditorWrapOption o;
        o.SetWrapByte(20);
        o.SetWordBreak(c.wordBreak);
        o.SetFollowPunctuation(c.followPunct);
        o.SetLeading(c.leading);
        o.SetFollowRetMark(c.followRet);
        EXPECT_EQ(Cut(o, c.line), c.rows) << c.name;
    }
}

TEST(WrapRules, TabsFillToTheWrapEdgeAndRowsStayWithinTheWidth) {
    TEditorWrapOption o;
    o.SetWrapByte(20);
    // 18 letters and a tab take 20 columns: the tab ends the first row.
    EXPECT_EQ(Cut(o, Letters(18) + "\tb"), (std::vector<Row>{{Letters(18) + "\t", 1}, {"b", 0}}));
    // A long line of mixed text: no row wider than the width, nothing lost.
    std::string line;
    for (int i = 0; i < 200; ++i) line += (i % 3 == 0) ? "漢字" : (i % 3 == 1 ? "\t" : "ab ");
    TColumnMetrics m;
    m.TabSpaceCount = 4;
    m.WordWrap = true;
    m.WrapByte = 20;
    for (bool wb : {false, true}) {
        o.SetWordBreak(wb);
        std::string joined;
        for (const auto& r : Cut(o, line, 4)) {
            EXPECT_LE(TextColumns(m, r.text), 20) << testutil::Hex(r.text);
            joined += r.text;
        }
        EXPECT_EQ(joined, line);
    }
}

// Without the rules a row ends on the character that covers the last column,
// or before a double-byte character that starts on it: the cutter's short way
// must agree with cutting by the column codes and the column cursor.
TEST(WrapRules, PlainCutsAgreeWithTheColumnCursor) {
    std::mt19937 rng(7);
    const char* const pieces[] = {"a", "b", "\t", "表", "漢", " ", "ｱ", "\x81", "", ","};  // 8: a NUL
    for (int round = 0; round < 300; ++round) {
        int W = 20 + static_cast<int>(rng() % 40);
        int T = 2 * (1 + static_cast<int>(rng() % 4));
        std::string line;
        int n = static_cast<int>(rng() % 200);
        for (int i = 0; i < n; ++i) {
            unsigned k = rng() % 10;
            if (k == 8)
                line.push_back('\0');
            else
                line += pieces[k];
        }
        TColumnMetrics m;
        m.TabSpaceCount = T;
        m.WordWrap = true;
        m.WrapByte = W;
        std::vector<Row> expected;
        size_t off = 0;
        for (;;) {
            std::string rest = line.substr(off);
            std::string codes = ColumnCodes(m, rest);
            if (static_cast<int>(codes.size()) < W) {
                expected.push_back({rest, 0});
                break;
            }
            TEditorAttributeArray a(rest, codes);
            a.MoveTo(W);
            if (a.Code == '4') a.Prev();
            size_t len = static_cast<size_t>(a.TextPos);
            expected.push_back({rest.substr(0, len), 1});
            off += len;
        }
        TEditorWrapOption o;
        o.SetWrapByte(W);
        EXPECT_EQ(Cut(o, line, T), expected) << testutil::Hex(line);
    }
}
