// A dataset written into the console in each text mode, from a real SQLite
// result; step pauses, the 256-record points and the user's stop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ClientTestUtil.h"
#include "DbTestUtil.h"
#include "MemDataSet.h"
#include "U_ADODriver.h"
#include "U_ResultTextOutput.h"

namespace {

using Lines = std::vector<std::string>;
using clienttest::TLinesConsole;

struct TextOutputTest : ::testing::Test {
    TLinesConsole console;
    TWritableEnvData env;
    std::vector<int> starts;
    std::vector<std::string> pauses;
    bool stop = false;
    int processed = 0;
    // What the user does in the n-th pause (1-based); nothing by default.
    std::function<void(int)> inPause;

    TResultTextOutput::TContext Ctx(int step = 0) {
        TResultTextOutput::TContext c;
        c.Console = &console;
        c.EnvData = &env;
        c.StepDisplayCount = step;
        c.Pause = [this](const std::string& reason) {
            pauses.push_back(reason + " @" + std::to_string(console.Lines.Count()));
            if (inPause) inPause(static_cast<int>(pauses.size()));
        };
        c.StopRequested = [this] { return stop; };
        c.ProcessMessages = [this] { ++processed; };
        c.StartLines = &starts;
        return c;
    }
    static std::unique_ptr<TMemDataSet> Numbers(int count) {
        auto ds = std::make_unique<TMemDataSet>();
        ds->FieldDefs().Add("N", ftInteger);
        for (int i = 1; i <= count; ++i) ds->AddRow({TVariant(i)});
        ds->Open();
        return ds;
    }
};

TEST_F(TextOutputTest, EveryTextModeOnARealResult) {
    TADODriver driver;
    driver.ConnectByConnectionString(dbtest::SqliteConn("textout"), "test");
    auto run = [&](const std::string& sql, TSQLKind kind) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        driver.Execute(nullptr, sql, kind, ds, msg);
        return ds;
    };
    run("create table t (id integer, name varchar(10))", TSQLKind::Other);
    run("insert into t values (1, 'abc')", TSQLKind::Insert);
    run("insert into t values (22, null)", TSQLKind::Insert);
    run("insert into t values (3, 'x,y')", TSQLKind::Insert);
    const std::string query = "select id, name from t order by id";
    struct Case {
        const char* name;
        TResultOutputMode mode;
        bool cutSheet;
        Lines expected;
    } cases[] = {
        {"text", rom_Text, false, {"id name   ", "-- ------ ", " 1 abc    ", " 3 x,y    ", "22 (NULL) "}},
        {"text grid", rom_TextGrid, false,
         {"id|name  |", "--|------|", " 1|abc   |", "--|------|", " 3|x,y   |", "--|------|", "22|(NULL)|",
          "--|------|"}},
        {"record sheet", rom_Text, true,
         {"id   : 1", "name : abc", "", "id   : 3", "name : x,y", "", "id   : 22", "name : (NULL)"}},
        {"TAB", rom_Tab, false, {"id\tname", "1\tabc", "3\tx,y", "22\t(NULL)", ""}},
        {"SDF", rom_SDF, false, {"id,name", "1,abc", "3,\"x,y\"", "22,(NULL)", ""}},
        {"cut sheet means nothing outside the text mode", rom_Tab, true,
         {"id\tname", "1\tabc", "3\tx,y", "22\t(NULL)", ""}},
    };
    for (const auto& c : cases) {
        console.Lines.Clear();
        console.AddLine("before");
        starts.clear();
        TResultTextOutput::Show(run(query, TSQLKind::Query), c.mode, c.cutSheet, Ctx());
        Lines expected{"before"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(console.Lines.Items, expected) << c.name;
        EXPECT_EQ(starts, std::vector<int>{2}) << c.name;
        EXPECT_EQ(console.Depth, 0) << c.name;
        EXPECT_EQ(env.ResultColumnDelim, ' ') << c.name;
    }
}

TEST_F(TextOutputTest, NoRecords) {
    struct Case {
        TResultOutputMode mode;
        bool cutSheet;
        Lines expected;
    } cases[] = {
        {rom_Text, false, {"N ", "- "}},
        {rom_SDF, false, {"N", ""}},
        {rom_Text, true, {}},
    };
    for (const auto& c : cases) {
        console.Lines.Clear();
        starts.clear();
        TResultTextOutput::Show(Numbers(0), c.mode, c.cutSheet, Ctx());
        EXPECT_EQ(console.Lines.Items, c.expected) << c.mode;
        EXPECT_EQ(starts, std::vector<int>{1}) << c.mode;
    }
}

TEST_F(TextOutputTest, StepPausesShowWhatWasWritten) {
    TResultTextOutput::Show(Numbers(250), rom_Tab, false, Ctx(100));
    // Header and records so far are in the console when the pause comes.
    EXPECT_EQ(pauses, (Lines{"表示中断中 [StepDisplayCount:100] @101", "表示中断中 [StepDisplayCount:100] @201"}));
    EXPECT_EQ(console.Lines.Count(), 1 + 250 + 1);
    EXPECT_EQ(console.Lines[250], "250");
    EXPECT_EQ(console.Depth, 0);

    pauses.clear();
    console.Lines.Clear();
    TResultTextOutput::Show(Numbers(250), rom_Tab, false, Ctx(0));
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(console.Lines.Count(), 252);
}

TEST_F(TextOutputTest, StopInAStepPauseEndsTheOutputAtOnce) {
    struct Case {
        TResultOutputMode mode;
        int lines;  // in the console afterwards
    } cases[] = {
        {rom_Tab, 1 + 3},           // no closing empty line
        {rom_TextGrid, 2 + 3 * 2},  // each record with its rule
    };
    for (const auto& c : cases) {
        console.Lines.Clear();
        stop = false;
        inPause = [this](int) { stop = true; };
        TResultTextOutput::Show(Numbers(10), c.mode, false, Ctx(3));
        EXPECT_EQ(console.Lines.Count(), c.lines) << c.mode;
        EXPECT_EQ(console.Depth, 0) << c.mode;
        EXPECT_EQ(env.ResultColumnDelim, ' ');
    }
}

TEST_F(TextOutputTest, BlocksOf256RecordsAndTheUsersStop) {
    // The stop request comes while the first block's events are processed.
    TResultTextOutput::TContext ctx = Ctx();
    ctx.ProcessMessages = [this] {
        ++processed;
        stop = true;
    };
    TResultTextOutput::Show(Numbers(600), rom_SDF, false, ctx);
    EXPECT_EQ(processed, 1);
    ASSERT_EQ(console.Lines.Count(), 1 + 512 + 2);
    EXPECT_EQ(console.Lines[512], "512");
    EXPECT_EQ(console.Lines[513], "■■■ユーザーによる中断■■■");
    EXPECT_EQ(console.Lines[514], "");
    // Painted at each block point.
    EXPECT_EQ(console.Painted, (std::vector<int>{257, 513}));
    EXPECT_EQ(console.Depth, 0);

    console.Lines.Clear();
    stop = false;
    processed = 0;
    TResultTextOutput::Show(Numbers(600), rom_Text, true, Ctx());
    EXPECT_EQ(processed, 2);
    EXPECT_EQ(console.Lines.Count(), 600 * 2 - 1);
}

TEST_F(TextOutputTest, AClosedDataSetShowsNothing) {
    auto ds = Numbers(3);
    ds->Close();
    TResultTextOutput::Show(std::move(ds), rom_Text, false, Ctx());
    EXPECT_EQ(console.Lines.Count(), 0);
    EXPECT_TRUE(starts.empty());
}

TEST_F(TextOutputTest, BlockPointsShowOnlyWhenDue) {
    struct Case {
        const char* name;
        std::vector<bool> due;  // the answers at the block points, in turn
        int processed;
        std::vector<int> painted;
        bool stopAtSecond;  // a stop requested before the second block point
        int lines;
    } cases[] = {
        // The head line, a line a record, the closing empty line.
        {"every point", {true, true, true}, 3, {257, 513, 769, 1002}, false, 1002},
        {"none", {false, false, false}, 0, {1002}, false, 1002},
        {"every other", {false, true, false}, 1, {513, 1002}, false, 1002},
        // The stop is answered at a point that does not show, too.
        {"stop, not shown", {false, false, false}, 0, {515}, true, 515},
    };
    for (const auto& c : cases) {
        console.Lines.Clear();
        console.Painted.clear();
        processed = 0;
        stop = false;
        size_t asked = 0;
        TResultTextOutput::TContext ctx = Ctx();
        ctx.ShowDue = [&] {
            if (c.stopAtSecond && asked == 1) stop = true;
            return c.due[asked++ % c.due.size()];
        };
        ctx.StopRequested = [&] { return stop; };
        TResultTextOutput::Show(Numbers(1000), rom_SDF, false, ctx);
        EXPECT_EQ(processed, c.processed) << c.name;
        EXPECT_EQ(console.Painted, c.painted) << c.name;
        EXPECT_EQ(console.Lines.Count(), c.lines) << c.name;
        EXPECT_EQ(console.Depth, 0) << c.name;
    }
}

}  // namespace
