// Output modes, SQLEcho, SQLResultEchoOff, CutSheet, StepDisplayCount, Print,
// Erase, the result sheet commands and Exit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHost.h"
#include "U_CommandManager.h"

namespace {

using Lines = std::vector<std::string>;

class OutputModeCommandTest : public ::testing::Test {
protected:
    Lines Run(const std::string& line) {
        Host.Calls.clear();
        TStringList out;
        TCommandManager(&Host).ExecuteLine(TStringList(line), out);
        return out.Items;
    }
    TFakeHost Host;
};

// Each of these commands makes one call of the window and writes nothing.
TEST_F(OutputModeCommandTest, ModesFlagsAndResultSheets) {
    const struct {
        const char* line;
        const char* call;
    } cases[] = {
        {"#Text", "SetResultOutputMode(0)"},
        {"#textgrid ignored", "SetResultOutputMode(1)"},
        {"#GRID", "SetResultOutputMode(2)"},
        {"#TAB", "SetResultOutputMode(3)"},
        {"#sdf", "SetResultOutputMode(4)"},
        {"#SQLResultEchoOff ON", "SetActiveScriptResultEcho(false)"},
        {"#CutSheet x", "SetActiveScriptCutSheet(true)"},
        {"#NewSheet", "NewResultSheet"},
        {"#NewSheet abc", "AddResultSheet(abc)"},
        {"#newsheet \"a b\" ignored", "AddResultSheet(a b)"},
        {"#DelSheet", "DeleteActiveResultSheet"},
        {"#DelSheet Abc", "DeleteResultSheet(Abc)"},
        {"#InitSheet", "InitResultSheets()"},
        {"#InitSheet first", "InitResultSheets(first)"},
        {"#DelInActiveSheet x", "DeleteInActiveResultSheets"},
        {"#Exit now", "Close"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.line), Lines{}) << c.line;
        EXPECT_EQ(Host.Calls, Lines{c.call}) << c.line;
    }
}

TEST_F(OutputModeCommandTest, SQLEcho) {
    const struct {
        bool before;
        const char* line;
        Lines out;
        bool after;
    } cases[] = {
        {false, "#SQLEcho", {"SQLEcho は OFF です。"}, false},
        {true, "#sqlecho", {"SQLEcho は ON です。"}, true},
        {false, "#SQLEcho on", {}, true},
        {false, "#SQLEcho \" oN \"", {}, true},
        {false, "#SQLEcho ON extra", {}, true},
        {true, "#SQLEcho Off", {}, false},
        {true, "#SQLEcho yes", {"パラメータが無効です。 [yes]"}, true},
        {false, "#SQLEcho \"on x\"", {"パラメータが無効です。 [on x]"}, false},
        {false, "#SQLEcho ＯＮ", {"パラメータが無効です。 [ＯＮ]"}, false},
    };
    for (const auto& c : cases) {
        Host.OutputSQL = c.before;
        EXPECT_EQ(Run(c.line), c.out) << c.line;
        EXPECT_EQ(Host.OutputSQL, c.after) << c.line;
        if (!c.out.empty()) {
            EXPECT_EQ(Host.Calls, Lines{}) << c.line;
        }
    }
}

TEST_F(OutputModeCommandTest, StepDisplayCount) {
    const struct {
        int before;
        const char* line;
        const char* out;
        int after;
    } cases[] = {
        {0, "#StepDisplayCount", "0", 0},
        {25, "#stepdisplaycount", "25", 25},
        {0, "#StepDisplayCount 100", "100", 100},
        {100, "#StepDisplayCount off", "OFF", 0},
        {100, "#StepDisplayCount \" Off \"", "OFF", 0},
        {5, "#StepDisplayCount -3", "-3", -3},
        {5, "#StepDisplayCount +7", "7", 7},
        {5, "#StepDisplayCount \" 12 \"", "12", 12},
        {5, "#StepDisplayCount 2147483647", "2147483647", 2147483647},
        {5, "#StepDisplayCount 1.5", "パラメータが不正です [ 1.5 ]", 5},
        {5, "#StepDisplayCount 2147483648", "パラメータが不正です [ 2147483648 ]", 5},
        {5, "#StepDisplayCount 1e3", "パラメータが不正です [ 1e3 ]", 5},
        {5, "#StepDisplayCount \"1 0\"", "パラメータが不正です [ 1 0 ]", 5},
        {5, "#StepDisplayCount ten", "パラメータが不正です [ ten ]", 5},
    };
    for (const auto& c : cases) {
        Host.StepDisplayCount = c.before;
        EXPECT_EQ(Run(c.line), Lines{c.out}) << c.line;
        EXPECT_EQ(Host.StepDisplayCount, c.after) << c.line;
    }
}

TEST_F(OutputModeCommandTest, PrintWritesIntoTheResultPage) {
    const struct {
        const char* line;
        const char* shown;
    } cases[] = {
        {"#Print a   b c", "a b c"},
        {"#Print", ""},
        {"#Print \"a  b\" c", "a  b c"},
        {"#Print a \"\" b", "a"},  // the parameters end at the first empty one
        {"#Print 表示 \"x\"\"y\"", "表示 x\"y"},
    };
    for (const auto& c : cases) {
        Host.Console.Clear();
        EXPECT_EQ(Run(c.line), Lines{}) << c.line;
        EXPECT_EQ(Host.Console.Lines.Items, Lines{c.shown}) << c.line;
    }
}

TEST_F(OutputModeCommandTest, EraseClearsWhatCameBeforeIt) {
    Host.ExecuteScriptText("#Print one;\r\n#Print two;\r\n#Erase;\r\n#Print three;\r\n#Print four;");
    EXPECT_EQ(Host.Console.Lines.Items, (Lines{"three", "four"}));
    EXPECT_EQ(Host.Errors, Lines{});
}

}  // namespace
