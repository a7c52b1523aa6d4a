// The hidden phrase command z_EE and its phrase list.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "CP932.h"
#include "CommandRunner.h"
#include "SysUtils.h"
#include "U_CommandManager.h"
#include "Vocabulary.h"

namespace {

using Lines = std::vector<std::string>;

class PhraseTest : public ::testing::Test, public TCommandRunner {};

TEST_F(PhraseTest, TheListHolds975DistinctOneLinePhrases) {
    const TStringList& list = PhraseList();
    ASSERT_EQ(list.Count(), 975);
    std::set<std::string> distinct(list.Items.begin(), list.Items.end());
    EXPECT_EQ(distinct.size(), 975u);
    for (const std::string& p : list.Items) {
        EXPECT_EQ(sys::Trim(p), p);
        EXPECT_EQ(p.find_first_of("\r\n\t"), std::string::npos) << p;
        EXPECT_LE(p.size(), 160u) << p;
        bool lossy = false;
        EXPECT_EQ(cp932::FromUtf16(cp932::ToUtf16(p, &lossy)), p);
        EXPECT_FALSE(lossy) << p;
        EXPECT_TRUE(sys::StringReplaceAll(p, "。", "").size() == p.size() - 2) << p;  // one sentence
    }
    // A fixed order: the same list in every run.
    EXPECT_EQ(list[0], "冷蔵庫のプリンが深夜にこっそり筋トレを始め、翌朝にはなぜか敬語になっていた。");
    EXPECT_EQ(list[974], "焼き芋がなぞなぞの答えを三日考え、次回作にご期待くださいと言い残した。");
}

TEST_F(PhraseTest, EachRunWritesOnePhrase) {
    Host.ResultWidth = 1000;
    const TStringList& list = PhraseList();
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        Lines out = RunLine(i % 2 ? "#z_EE" : "#Z_ee ignored params");
        ASSERT_EQ(out.size(), 1u);
        EXPECT_GE(list.IndexOf(out[0]), 0) << out[0];
        seen.insert(out[0]);
    }
    EXPECT_GT(seen.size(), 100u);  // a pick among the whole list, not a fixed one
}

TEST_F(PhraseTest, ALongPhraseIsCutToTheResultWidth) {
    Host.ResultWidth = 21;
    Lines out = RunLine("#z_EE");
    ASSERT_EQ(out.size(), 1u);
    TStringList pieces(out[0]);
    EXPECT_GT(pieces.Count(), 2);
    std::string whole;
    for (const std::string& piece : pieces.Items) {
        EXPECT_LE(piece.size(), 21u);
        whole += piece;
    }
    EXPECT_GE(PhraseList().IndexOf(whole), 0) << whole;
    bool lossy = false;
    for (const std::string& piece : pieces.Items) cp932::ToUtf16(piece, &lossy);
    EXPECT_FALSE(lossy);  // no character split between two lines
}

TEST_F(PhraseTest, HiddenFromTheListsButHelpKnowsIt) {
    for (const std::string& line : RunLine("#CommandList")) EXPECT_FALSE(sys::StartsText("z_EE", line)) << line;
    EXPECT_EQ(RunLine("#Help z_EE"), (Lines{"", "コマンド:[ z_EE ]", TCommand::DefaultTitle}));
}

}  // namespace
