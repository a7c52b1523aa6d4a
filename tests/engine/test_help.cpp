#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHost.h"
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

TEST_F(HelpTest, CommandListOfTheBuiltInCommands) {
    EXPECT_EQ(Run("#CommandList ignored params").Items,
              (std::vector<std::string>{"CommandList コマンドを一覧", "Help        コマンドヘルプ表示"}));
}

TEST_F(HelpTest, HiddenCommandsAreLeftOutAndTitlesShareOneColumn) {
    TScopedCommands commands{&Tzz_Hidden_Class, &TzAVeryLongCommandWordIndeed_Class};
    EXPECT_EQ(Run("#commandlist").Items, (std::vector<std::string>{
                              "AVeryLongCommandWordIndeed 長い",
                              "CommandList                コマンドを一覧",
                              "Help                       コマンドヘルプ表示",
                          }));
}

TEST_F(HelpTest, HelpWithoutWordShowsItsUsageAboveTheList) {
    TStringList out = Run("#Help");
    ASSERT_EQ(out.Count(), 3);
    EXPECT_EQ(out[0],
              "\r\nコマンドヘルプ表示\r\n\r\nコマンドヘルプを表示します\r\n  使用方法\r\n"
              "    Param 1 : コマンド名\r\n\r\n(コマンド一覧)");
    EXPECT_EQ(out[1], "CommandList コマンドを一覧");
    EXPECT_EQ(out[2], "Help        コマンドヘルプ表示");
    // As the result page shows it.
    TStringList shown(out.Text());
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
    Host.CommandPrefix = '%';
    EXPECT_EQ(Run("%Help help")[1], "コマンド:[ help ]");
    EXPECT_EQ(Run("%CommandList").Count(), 2);
}

}  // namespace
