#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KZNEditorText.h"
#include "TestUtil.h"

namespace {

TEST(KZNEditorText, FormatLinesToWidth) {
    const std::string kanji = "表";  // 0x95 0x5C
    struct Case {
        std::string text;
        int width;
        std::vector<std::string> expected;
    } cases[] = {
        {"abcdefghij", 10, {"abcdefghij"}},                        // exactly the width: kept
        {"abcdefghijk", 10, {"abcdefghi\r\njk"}},                  // one over: W - 1 and the rest of 2
        {"abcdefghijklmnopqrst", 10, {"abcdefghi\r\njklmnopqr\r\nst"}},
        {"abcdefgh" + kanji + "x", 10, {"abcdefgh" + kanji + "\r\nx"}},  // the character at the cut stays whole
        {"abcdefg" + kanji + "xy", 10, {"abcdefg" + kanji + "\r\nxy"}},   // it ends the piece: W - 1
        {"a" + kanji + kanji + kanji + kanji + kanji, 10, {"a" + kanji + kanji + kanji + kanji + "\r\n" + kanji}},
        {"short\r\nabcdefghijk\r\n", 10, {"short", "abcdefghi\r\njk"}},
        {"abc", 1, {"abc"}},                                       // no room: nothing is cut
        {"abcde", 2, {"a\r\nb\r\nc\r\nd\r\ne"}},
        {"", 10, {}},
    };
    for (const auto& c : cases) {
        TStringList lines;
        kzneditor::FormatLinesToWidth(c.text, c.width, lines);
        EXPECT_EQ(lines.Items, c.expected) << testutil::Hex(c.text) << " / " << c.width;
    }
}

TEST(KZNEditorText, InsertLinesIndex) {
    struct Case {
        int count, row, col, length;
        int expected;
    } cases[] = {
        {0, 0, 0, 0, 0},
        {3, 1, 0, 10, 1},   // near the start: before the caret line
        {3, 1, 4, 10, 1},
        {3, 1, 5, 10, 2},   // exactly half: after it
        {3, 1, 9, 10, 2},
        {3, 1, 0, 0, 2},    // an empty line: after it
        {3, 5, 0, 0, 6},    // beyond the last line
    };
    for (const auto& c : cases)
        EXPECT_EQ(kzneditor::InsertLinesIndex(c.count, c.row, c.col, c.length), c.expected)
            << c.row << "," << c.col << "/" << c.length;
}

}  // namespace
