#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "SysUtils.h"
#include "U_Command.h"
#include "U_CommandManager.h"
#include "U_GrobalCommandRegister.h"
#include "zHelp.h"

namespace {

class Tzz_Hidden : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override {}
};

class TzAVeryLongCommandWordIndeed : public TNativCommand {
public:
    TzAVeryLongCommandWordIndeed(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
        Title = "長い";
    }
    void Execute() override {}
};

}  // namespace

Z_DEFINE_COMMAND_CLASS(Tzz_Hidden);
Z_DEFINE_COMMAND_CLASS(TzAVeryLongCommandWordIndeed);

namespace {

const std::vector<std::string> kHelpOfHelp = {"", "コマンドヘルプを表示します", "  使用方法", "    Param 1 : コマンド名"};

class HelpTest : public ::testing::Test {
protected:
    TStringList Run(const std::string& line) {
        TStringList out;
        Manager.ExecuteLine(TStringList(line), out);
        return out;
    }
    TFakeHost Host;
    TCommandManager Manager{&Host};
};

// Checks the layout rules of a command list and returns its words: sorted
// without regard to case, no "Z_" word, every title starting one column
// after the longest word.
std::vector<std::string> CheckedWords(const TStringList& list) {
    std::vector<std::string> words;
    size_t width = 0;
    for (const std::string& line : list.Items) {
        words.push_back(line.substr(0, line.find(' ')));
        width = std::max(width, words.back().size());
    }
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& line = list[static_cast<int>(i)];
        EXPECT_FALSE(sys::StartsText("Z_", words[i])) << line;
        if (i) {
            EXPECT_LT(sys::CompareText(words[i - 1], words[i]), 0) << line;
        }
        EXPECT_EQ(line.find_first_not_of(' ', words[i].size()), width + 1) << line;
    }
    return words;
}

std::string Padded(const std::string& word, size_t width) { return word + std::string(width - word.size() + 1, ' '); }

TEST_F(HelpTest, CommandListLayout) {
    TStringList list = Run("#CommandList ignored params");
    std::vector<std::string> words = CheckedWords(list);
    size_t width = 0;
    for (const std::string& w : words) width = std::max(width, w.size());
    EXPECT_GE(list.IndexOf(Padded("CommandList", width) + "コマンドを一覧"), 0);
    EXPECT_GE(list.IndexOf(Padded("Help", width) + "コマンドヘルプ表示"), 0);
}

TEST_F(HelpTest, HiddenCommandsAreLeftOutAndTitlesShareOneColumn) {
    TScopedCommands commands{&Tzz_Hidden_Class, &TzAVeryLongCommandWordIndeed_Class};
    TStringList list = Run("#commandlist");
    std::vector<std::string> words = CheckedWords(list);
    EXPECT_EQ(std::count(words.begin(), words.end(), "z_Hidden"), 0);
    const size_t width = std::string("AVeryLongCommandWordIndeed").size();
    EXPECT_GE(list.IndexOf(Padded("AVeryLongCommandWordIndeed", width) + "長い"), 0);
    EXPECT_GE(list.IndexOf(Padded("Help", width) + "コマンドヘルプ表示"), 0);
    // The hidden command still runs.
    EXPECT_EQ(Run("#Z_HIDDEN").Count(), 0);
}

TEST_F(HelpTest, HelpWithoutWordShowsItsUsageAboveTheList) {
    TStringList out = Run("#Help");
    ASSERT_GE(out.Count(), 1);
    EXPECT_EQ(out[0],
              "\r\nコマンドヘルプ表示\r\n\r\nコマンドヘルプを表示します\r\n  使用方法\r\n"
              "    Param 1 : コマンド名\r\n\r\n(コマンド一覧)");
    out.Delete(0);
    EXPECT_EQ(out.Items, Run("#CommandList").Items);
    // As the result page shows it.
    TStringList shown(Run("#Help").Text());
    EXPECT_EQ(shown[0], "");
    EXPECT_EQ(shown[1], "コマンドヘルプ表示");
    EXPECT_EQ(shown[7], "(コマンド一覧)");
}

TEST_F(HelpTest, HelpOfOneCommand) {
    std::vector<std::string> expected = {"", "コマンド:[ help ]", "コマンドヘルプ表示"};
    expected.insert(expected.end(), kHelpOfHelp.begin(), kHelpOfHelp.end());
    EXPECT_EQ(Run("#HELP help").Items, expected);
    EXPECT_EQ(Run("#Help CommandList").Items,
              (std::vector<std::string>{"", "コマンド:[ CommandList ]", "コマンドを一覧", "コマンドの一覧を表示します",
                                        "  使用方法", "    Param  : なし"}));
}

TEST_F(HelpTest, HelpOfAHiddenCommandShowsTheDefaultTitle) {
    TScopedCommands commands{&Tzz_Hidden_Class};
    EXPECT_EQ(Run("#Help z_hidden").Items, (std::vector<std::string>{"", "コマンド:[ z_hidden ]", TCommand::DefaultTitle}));
}

TEST_F(HelpTest, HelpOfAnUnknownWord) {
    try {
        Run("#Help nosuch");
        FAIL() << "no error";
    } catch (const ECommand& e) {
        EXPECT_EQ(e.Message, "コマンドが見つかりません [nosuch]");
    }
}

TEST_F(HelpTest, ListUsesTheHostsPrefix) {
    TStringList list = Run("#CommandList");
    Host.CommandPrefix = '%';
    EXPECT_EQ(Run("%Help help")[1], "コマンド:[ help ]");
    EXPECT_EQ(Run("%CommandList").Items, list.Items);
}

}  // namespace
