// The BIFF2 worksheet writer: the bytes against golden files written from
// the format, the limits of the format, the 255-byte cut, the explicit save,
// and what python3-xlrd reads back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BiffTestUtil.h"
#include "FileSystem.h"
#include "TestUtil.h"
#include "XWriteBiff.h"

namespace {

const char* const kHead =
    "09 00 04 00 02 00 10 00";  // BOF: BIFF2 worksheet
const char* const kFonts =      // four fonts "ＭＳ Ｐゴシック" 11 pt: plain, bold, italic, underline
    "31 00 14 00 DC 00 00 00 0F 82 6C 82 72 20 82 6F 83 53 83 56 83 62 83 4E "
    "31 00 14 00 DC 00 01 00 0F 82 6C 82 72 20 82 6F 83 53 83 56 83 62 83 4E "
    "31 00 14 00 DC 00 02 00 0F 82 6C 82 72 20 82 6F 83 53 83 56 83 62 83 4E "
    "31 00 14 00 DC 00 04 00 0F 82 6C 82 72 20 82 6F 83 53 83 56 83 62 83 4E";
const char* const kEOF = "0A 00 00 00";

std::string Golden(const std::string& dimensions, const std::string& labels) {
    std::string s = std::string(kHead) + " " + dimensions + " " + kFonts;
    if (!labels.empty()) s += " " + labels;
    return s + " " + kEOF;
}

TStringList Values(std::vector<std::string> v) {
    TStringList l;
    l.Items = std::move(v);
    return l;
}

class WriteBiffTest : public ::testing::Test {
protected:
    std::string Dir = testutil::TempFolder("xbiff");
    std::string Read(const std::string& name) {
        std::string b;
        EXPECT_TRUE(fs932::ReadFile(name, b)) << name;
        return b;
    }
};

TEST_F(WriteBiffTest, EmptyWorksheetIsGolden) {
    TWriteBiff w(Dir + "empty.xls", 0, 256);
    w.SaveToFile();
    const std::string b = Read(Dir + "empty.xls");
    EXPECT_EQ(b.size(), 120u);
    EXPECT_EQ(testutil::Hex(b), Golden("00 00 08 00 00 00 02 00 00 00 02 01", ""));
}

TEST_F(WriteBiffTest, SmallWorksheetIsGolden) {
    TWriteBiff w(Dir + "small.xls", 2, 256);
    w.WriteRow(0, Values({"a", "表"}));
    w.WriteRow(1, Values({"", "xy"}));
    w.WriteLabel(2, 7, 0x030201, "z");
    w.SaveToFile();
    EXPECT_EQ(testutil::Hex(Read(Dir + "small.xls")),
              Golden("00 00 08 00 00 00 04 00 00 00 02 01",
                     "04 00 09 00 00 00 00 00 00 00 00 01 61 "
                     "04 00 0A 00 00 00 01 00 00 00 00 02 95 5C "
                     "04 00 08 00 01 00 00 00 00 00 00 00 "
                     "04 00 0A 00 01 00 01 00 00 00 00 02 78 79 "
                     "04 00 09 00 02 00 07 00 01 02 03 01 7A"));
}

TEST_F(WriteBiffTest, TextIsCutAt255BytesBetweenCharacters) {
    struct Case {
        std::string text;
        size_t kept;
    };
    const std::string x254(254, 'x');
    const std::vector<Case> cases = {
        {std::string(300, 'x'), 255},
        {std::string(255, 'x'), 255},
        {x254 + "表", 254},           // the character at the cut stays out whole
        {x254.substr(1) + "表", 255}, // ends exactly at 255
        {x254 + "ｱ" + "表", 255},     // a single-byte kana fits
        {std::string(), 0},
    };
    for (const Case& c : cases) {
        TWriteBiff w(Dir + "cut.xls", 1, 256);
        w.WriteLabel(0, 0, 0, c.text);
        std::vector<bifftest::Cell> cells = bifftest::Labels(w.Bytes());
        ASSERT_EQ(cells.size(), 1u);
        EXPECT_EQ(cells[0].Text, c.text.substr(0, c.kept)) << c.text.size();
    }
}

TEST_F(WriteBiffTest, RowsAndColumnsBeyondTheFormatAreRefused) {
    try {
        TWriteBiff w(Dir + "big.xls", 16385, 256);
        FAIL() << "no error";
    } catch (const EWriteBiff& e) {
        EXPECT_EQ(e.Message, "XLS形式で保存できるのは 16384 行までです（結果は 16385 行あります）。ファイルは作成されませんでした");
    }
    TWriteBiff w(Dir + "wide.xls", 16384, 256);
    std::vector<std::string> v(257, "v");
    try {
        w.WriteRow(9, Values(v));
        FAIL() << "no error";
    } catch (const EWriteBiff& e) {
        EXPECT_EQ(e.Message, "XLS形式で保存できるのは 256 列までです（10 行目に 257 列あります）。ファイルは作成されませんでした");
    }
    EXPECT_TRUE(bifftest::Labels(w.Bytes()).empty());  // the refused row added nothing
    v.pop_back();
    w.WriteRow(16383, Values(v));
    EXPECT_THROW(w.WriteLabel(16384, 0, 0, "a"), EWriteBiff);
    EXPECT_THROW(w.WriteLabel(0, 256, 0, "a"), EWriteBiff);
    std::vector<bifftest::Cell> cells = bifftest::Labels(w.Bytes());
    ASSERT_EQ(cells.size(), 256u);
    EXPECT_EQ(cells.back().Row, 16383);
    EXPECT_EQ(cells.back().Col, 255);
    EXPECT_FALSE(fs932::FileExists(Dir + "wide.xls"));
}

TEST_F(WriteBiffTest, OnlyAnExplicitSaveWritesAndAFailureKeepsTheOldFile) {
    ASSERT_TRUE(fs932::WriteFileAtomic(Dir + "old.xls", "old bytes"));
    {
        TWriteBiff w(Dir + "old.xls", 1, 256);
        w.WriteLabel(0, 0, 0, "new");
    }  // dropped without saving
    EXPECT_EQ(Read(Dir + "old.xls"), "old bytes");

    TWriteBiff bad(Dir + "no such folder/out.xls", 1, 256);
    try {
        bad.SaveToFile();
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "ファイル " + Dir + "no such folder/out.xls を作成できません");
    }
    // A folder where the file should be: the rename fails and the folder stays.
    ASSERT_TRUE(fs932::CreateDir(Dir + "taken.xls"));
    TWriteBiff taken(Dir + "taken.xls", 1, 256);
    EXPECT_THROW(taken.SaveToFile(), EFCreateError);
    EXPECT_TRUE(fs932::DirectoryExists(Dir + "taken.xls"));
    std::vector<fs932::DirEntry> entries;
    ASSERT_TRUE(fs932::ListDirectory(Dir, entries));
    EXPECT_EQ(entries.size(), 2u);  // old.xls and the folder: no temporary file left behind

    TWriteBiff w(Dir + "old.xls", 1, 256);
    w.WriteLabel(0, 0, 0, "new");
    w.SaveToFile();
    EXPECT_EQ(bifftest::Labels(Read(Dir + "old.xls")), (std::vector<bifftest::Cell>{{0, 0, "new"}}));
}

TEST_F(WriteBiffTest, XlrdReadsTextsFontsAndSizes) {
    const std::string long300 = std::string(253, 'a') + "表表表" + std::string(41, 'b');
    TWriteBiff w(Dir + "read.xls", 3, 256);
    w.WriteRow(0, Values({"名前", "値", "123"}));
    w.WriteRow(2, Values({"", "", "", long300}));
    w.SaveToFile();
    EXPECT_EQ(bifftest::ReadWithXlrd(Dir + "read.xls"),
              (std::vector<std::string>{
                  "biff 20",
                  "size 3 4",
                  u8"font ＭＳ Ｐゴシック 220 0 0 0",
                  u8"font ＭＳ Ｐゴシック 220 1 0 0",
                  u8"font ＭＳ Ｐゴシック 220 0 1 0",
                  u8"font ＭＳ Ｐゴシック 220 0 0 1",
                  u8"cell 0 0 名前",
                  u8"cell 0 1 値",
                  "cell 0 2 123",  // every cell is text
                  "cell 2 3 " + std::string(253, 'a') + u8"表",
              }));
}

}  // namespace
