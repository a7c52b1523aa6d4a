// The executor's line sequences: what a run writes into the console for a
// table of scripts, with a real script manager and test commands.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "ClientTestUtil.h"
#include "MemDataSet.h"
#include "engine/FakeHost.h"
#include "Reentrancy.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "U_Command.h"
#include "U_GrobalCommandRegister.h"
#include "U_SQL99.h"
#include "U_ScriptExecutor.h"
#include "U_UserEnvManager.h"

namespace {

using TTestConsole = clienttest::TLinesConsole;

class TRunBench;
TRunBench* g_bench = nullptr;

// The host and the script page of a run, in one.
class TRunBench : public TFakeHost, public IScriptRunPage {
public:
    TRunBench() {
        g_bench = this;
        OnExecuteSQL = [this](void*, const std::string& SQL, TSQLKind, std::unique_ptr<TDataSet>& DataSet,
                              std::string& Msg) {
            std::string sql = sys::Trim(SQL);
            SQLs.push_back(sql);
            if (sql.rfind("select", 0) == 0) {
                auto ds = std::make_unique<TMemDataSet>();
                ds->FieldDefs().Add("A", ftInteger);
                ds->AddRow({TVariant(1)});
                ds->AddRow({TVariant(2)});
                ds->Open();
                DataSet = std::move(ds);
                Msg = "結果:2件";
            } else if (sql.rfind("insert", 0) == 0) {
                Msg = "結果: 1 件更新";
            } else {
                throw Exception("no such table: " + sql);
            }
        };
    }
    ~TRunBench() override { g_bench = nullptr; }

    // The host: runs go to the page's executor, output to the page's console.
    void ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) override {
        Executor.Execute(Lines, Params);
    }
    IResultConsole& GetResultConsole() override { return Out; }
    void SetActiveScriptResultEcho(bool V) override { Flags.ResultEcho = V; }
    void SetActiveScriptCutSheet(bool V) override { Flags.CutSheet = V; }

    // IScriptRunPage
    TScriptRunFlags& RunFlags() override { return Flags; }
    IScriptHost& Host() override { return *this; }
    char SQLDelimiter() const override { return ';'; }
    void SendScriptToHistory() override {
        if (!sys::Trim(EditorText).empty()) History.push_back(EditorText);
    }
    void SetRunning(bool Running) override { RunningLog.push_back(Running); }
    TResultConsole* ResultConsole() override { return &Out; }
    void ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet) override {
        if (ShowRunsOutOfMemory) throw std::bad_alloc();
        Out.AddLine("<dataset " + std::to_string(DataSet->RecordCount()) + (CutSheet ? " sheet>" : ">"));
    }
    void ShowPausePanel(const std::string& Reason) override {
        Out.AddLine("<pause " + Reason + ">");
        PanelShown = true;
    }
    void BlinkPausePanel() override {}
    void HidePausePanel() override { PanelShown = false; }
    bool PausePanelShown() const override { return PanelShown; }
    // The user's answers to the pauses, one per pause: 'c' continue, 's' stop, 'x' close the
    // page, 't' the program is told to end.
    void ProcessMessages() override {
        ++Processed;
        if (Flags.Pausing && PanelShown && !Answers.empty()) {
            char a = Answers.front();
            Answers.pop_front();
            if (a == 'c') Executor.Continue();
            if (a == 's') Executor.DisContinue();
            if (a == 'x') Executor.PageClosing();
            if (a == 't') reentry::SetTerminating(true);
        }
    }

    std::vector<std::string> Run(const std::string& Text, std::vector<std::string> Params = {}) {
        TStringList params;
        for (auto& p : Params) params.Add(p);
        Executor.Execute(TStringList(Text), params);
        return Out.Lines.Items;
    }

    TScriptExecutor Executor{*this};
    TScriptRunFlags Flags;
    TTestConsole Out;
    std::string EditorText = "the editor text";
    std::vector<std::string> History;
    std::vector<bool> RunningLog;
    std::deque<char> Answers;
    bool PanelShown = false;
    int Processed = 0;
    bool ShowRunsOutOfMemory = false;   // showing a result raises std::bad_alloc
};

// #Sheet: shows the next dataset as a record sheet, and keeps the status text back.
class TzSheet : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override {
        Host->SetActiveScriptCutSheet(true);
        Host->SetActiveScriptResultEcho(false);
    }
};
// #Nest <text>: runs the line "#Say <text>" as a nested script, then writes "back".
class TzNest : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override {
        Host->ExecuteScriptText("#Say " + Params[0] + ";");
        Output.Add("back");
    }
};
// #Break: the console fails at its next scroll after this item.
class TzBreak : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override { g_bench->Out.FailScrolls = 2; }
};

}  // namespace

Z_DEFINE_COMMAND_CLASS(TzSay);
Z_DEFINE_COMMAND_CLASS(TzSheet);
Z_DEFINE_COMMAND_CLASS(TzNest);
Z_DEFINE_COMMAND_CLASS(TzBreak);

namespace {

struct ExecutorTest : ::testing::Test {
    static void SetUpTestSuite() {
        for (auto* c : {&TzSay_Class, &TzSheet_Class, &TzNest_Class, &TzBreak_Class}) GrobalCommandRegister().Register(c);
    }
    static void TearDownTestSuite() {
        for (auto* c : {&TzSay_Class, &TzSheet_Class, &TzNest_Class, &TzBreak_Class})
            GrobalCommandRegister().Unregister(c);
    }
    TRunBench bench;
    using Lines = std::vector<std::string>;
};

TEST_F(ExecutorTest, LineSequences) {
    struct Case {
        const char* name;
        std::string script;
        bool echo, errorStop, everyStop;
        std::string answers;
        Lines expected;
    } cases[] = {
        {"messages and status", "#Say a b;\r\ninsert into t values (1);", false, false, false, "",
         {"a", "b", "", "結果: 1 件更新"}},
        {"echo", "#Say a;\r\ninsert into t values (1);", true, false, false, "",
         {"", "#Say a", "a", "", "insert into t values (1)", "", "結果: 1 件更新"}},
        {"a dataset", "select a from t;", false, false, false, "", {"", "<dataset 2>", "", "結果:2件"}},
        {"record sheet for the next query only", "#Sheet;select a from t;select a from t;", false, false, false, "",
         {"", "<dataset 2 sheet>", "", "<dataset 2>", "", "結果:2件"}},
        {"error goes on", "bad;#Say next;", false, false, false, "",
         {"no such table: bad", "", "next"}},
        {"error stop", "bad;#Say next;", false, true, false, "c",
         {"no such table: bad", "", "<pause エラーが発生しました>", "next"}},
        {"no pause after an error in the last item", "#Say one;bad;", false, true, false, "",
         {"one", "no such table: bad", ""}},
        {"every statement", "#Say 1;#Say 2;#Say 3;", false, false, true, "cc",
         {"1", "<pause 一時停止>", "2", "<pause 一時停止>", "3"}},
        {"stop in a pause", "#Say 1;#Say 2;#Say 3;", false, false, true, "s", {"1", "<pause 一時停止>"}},
        {"page closed in a pause", "#Say 1;#Say 2;", false, false, true, "x", {"1", "<pause 一時停止>"}},
        {"only the failed item pauses", "bad;#Say 2;#Say 3;", false, true, false, "c",
         {"no such table: bad", "", "<pause エラーが発生しました>", "2", "3"}},
        {"long message cut to the width", "#Say " + std::string(45, 'x') + ";", false, false, false, "",
         {std::string(40, 'x'), "xxxxx"}},
        {"SQL*Plus style", " \r\n/\r\n#Say a;b\r\n/\r\ninsert into t values (1)\r\n/\r\n", false, false, false, "",
         {std::string(55, '*'), "**** Oracle SQLPlus 仕様でスクリプトを解析しました ****", std::string(55, '*'), "a;b",
          "", "結果: 1 件更新"}},
        {"a blank before the slash is no SQL*Plus style", " /\r\n#Say a;", false, false, false, "",
         {"no such table: /", "#Say a", ""}},
        {"fatal error", "#Break;#Say never;", false, false, false, "",
         {"■■■致命的エラーが発生しました■■■", "EConvertError:console failure"}},
        {"empty script", "", false, false, false, "", {}},
    };
    for (const auto& c : cases) {
        TRunBench b;
        b.Flags.OutputSQL = c.echo;
        b.Flags.ErrorTimeStop = c.errorStop;
        b.Flags.EveryTimeStop = c.everyStop;
        b.Answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(b.Run(c.script), c.expected) << c.name;
        EXPECT_TRUE(b.Answers.empty()) << c.name;
        // Restored after every run.
        EXPECT_FALSE(b.Flags.Executing) << c.name;
        EXPECT_FALSE(b.Flags.Pausing) << c.name;
        EXPECT_FALSE(b.Flags.CutSheet) << c.name;
        EXPECT_TRUE(b.Flags.ResultEcho) << c.name;
        EXPECT_EQ(b.RunningLog, (std::vector<bool>{true, false})) << c.name;
        EXPECT_EQ(b.Cursor, crDefault) << c.name;
        EXPECT_EQ(b.History, std::vector<std::string>{"the editor text"}) << c.name;
        EXPECT_EQ(reentry::BusyDepth(), 0) << c.name;
    }
}

// Memory that runs out while a result is shown is said in words, and the run goes on.
TEST_F(ExecutorTest, MemoryRunningOutWhileAResultIsShownIsSaidSo) {
    bench.ShowRunsOutOfMemory = true;
    EXPECT_EQ(bench.Run("select a from t;#Say next;"), (Lines{"", "メモリが不足しています", "", "", "結果:2件", "next"}));
}

TEST_F(ExecutorTest, StatusTextKeptBackForTheNextSQLItemOnly) {
    EXPECT_EQ(bench.Run("#Sheet;insert into t values (1);insert into t values (2);"),
              (Lines{"", "結果: 1 件更新"}));
}

TEST_F(ExecutorTest, ParametersInIndexOrder) {
    struct Case {
        std::string text;
        std::vector<std::string> params;
        std::string expected;
    } cases[] = {
        {"#Say {%0}{%1};", {"a", "{%2}", "b"}, "ab"},
        {"#Say {%1};", {"a", "{%0}"}, "{%0}"},
        {"#Say {%0};", {}, "{%0}"},
        {"#Say {% 0}{%00}x;", {"a"}, "{%"},
        {"#Say {%0}{%0};", {"q"}, "qq"},
    };
    for (const auto& c : cases) {
        TRunBench b;
        auto lines = b.Run(c.text, c.params);
        ASSERT_FALSE(lines.empty()) << c.text;
        EXPECT_EQ(lines[0], c.expected) << c.text;
    }
    // A value with a line break adds a line before the script is cut.
    TStringList params;
    params.Add("1\r\n2");
    EXPECT_EQ(TScriptExecutor::ReplaceParams(TStringList("x{%0}y"), params).Items, (Lines{"x1", "2y"}));
}

TEST_F(ExecutorTest, ParseErrorShowsTheScriptAndThePosition) {
    auto lines = bench.Run("#Say a;\r\nselect 'abc\r\nfrom t;", {});
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "************スクリプト解析エラーデバッグ出力************");
    EXPECT_EQ(lines[1], "#Say a;");
    EXPECT_EQ(lines[2], "select 'abc");
    EXPECT_EQ(lines[3], "from t;");
    EXPECT_EQ(lines[4], "");
    std::string tail;  // cut to the console's width
    for (size_t i = 5; i < lines.size(); ++i) tail += lines[i];
    EXPECT_EQ(tail, "リテラルが終了していません[Line:2,Pos:8] [Byte17]");
    EXPECT_TRUE(bench.SQLs.empty());
}

TEST_F(ExecutorTest, PositionText) {
    struct Case {
        std::string sql;
        int pos;
        std::string expected;
    } cases[] = {
        {"abc", 2, "m[Line:1,Pos:2] [Byte2]"},
        {"ab\r\ncd", 5, "m[Line:2,Pos:1] [Byte5]"},
        {"ab\r\ncd\r\nef", 10, "m[Line:3,Pos:2] [Byte10]"},
        {"\nx", 1, "m[Line:1,Pos:1] [Byte1]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TScriptExecutor::SQLErrorPositionText(ESQL99Exception(c.sql, c.pos, "m")), c.expected) << c.sql;
}

TEST_F(ExecutorTest, NestedRunLeavesThePageToTheOuterRun) {
    bench.Flags.OutputSQL = true;
    auto lines = bench.Run("#Nest x;#Say after;");
    EXPECT_EQ(lines, (Lines{"", "#Nest x", "", "#Say x", "x", "back", "", "#Say after", "after"}));
    EXPECT_EQ(bench.History.size(), 1u);
    EXPECT_EQ(bench.RunningLog, (std::vector<bool>{true, false}));
    EXPECT_FALSE(bench.Flags.Executing);
}

TEST_F(ExecutorTest, TerminatingEndsAPauseAndTheRun) {
    bench.Flags.EveryTimeStop = true;
    bench.Answers = {'t'};  // the program is told to end while the pause waits
    testutil::THookScope hooks;
    hooks.Set(reentry::SetTerminating, false);
    auto lines = bench.Run("#Say 1;#Say 2;");
    hooks.Restore();
    EXPECT_EQ(lines, (Lines{"1", "<pause 一時停止>"}));
}

}  // namespace
