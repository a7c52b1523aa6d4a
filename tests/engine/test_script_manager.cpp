#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "DataSet.h"
#include "FakeHost.h"
#include "FileSystem.h"
#include "MemDataSet.h"
#include "TestUtil.h"
#include "U_Command.h"
#include "U_CommandManager.h"
#include "U_ScriptManager.h"

namespace {

class ScriptManagerTest : public ::testing::Test {
protected:
    // Builds a manager over the lines of Text.
    std::unique_ptr<TScriptManager> Manager(const std::string& Text, char Delimiter = ';', TSQL99Splitter::TSplitMode Mode = TSQL99Splitter::smDelimiter) {
        return std::make_unique<TScriptManager>(&Host, TStringList(Text), Delimiter, Mode);
    }
    // Records each statement handed to the execution event.
    void RecordSQL() {
        Host.OnExecuteSQL = [this](void*, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>&,
                                   std::string& Msg) {
            Host.SQLs.push_back(SQL);
            Kinds.push_back(Kind);
            Msg = "結果:1";
        };
    }
    std::string ErrorOf(TScriptManager& m, int i) {
        try {
            m.Execute(i);
        } catch (const Exception& e) {
            if (i >= 0 && i < m.Count()) {
                std::string kept;
                m.GetErrorText(i, kept);
                EXPECT_EQ(kept, e.Message);
            }
            return std::string(e.ClassName()) + ":" + e.Message;
        }
        return "no error";
    }
    TFakeHost Host;
    std::vector<TSQLKind> Kinds;
};

TEST_F(ScriptManagerTest, ItemKinds) {
    struct Case {
        std::string Script;
        char Delimiter;
        TSQL99Splitter::TSplitMode Mode;
        std::vector<std::pair<int, std::string>> Items;  // kind, statement
    };
    const std::vector<Case> cases = {
        {"\r\n   \r\n", ';', TSQL99Splitter::smDelimiter, {{0, "\r\n   \r\n"}}},
        {"SELECT 1; ;SELECT 2;", ';', TSQL99Splitter::smDelimiter, {{1, "SELECT 1"}, {0, " "}, {1, "SELECT 2"}}},
        {"-- only a comment\r\n", ';', TSQL99Splitter::smDelimiter, {{0, ""}}},
        {"SELECT 1; /* gone */ ;\r\n", ';', TSQL99Splitter::smDelimiter, {{1, "SELECT 1"}, {0, "  "}}},
        {"  #Help;\r\n@x.sql a;SELECT '#'", ';', TSQL99Splitter::smDelimiter, {{2, "  #Help"}, {3, "@x.sql a"}, {1, "SELECT '#'\r\n"}}},
        {"SELECT 4/2 FROM DUAL\r\n/\r\nSELECT 1\r\n/\r\n", '/', TSQL99Splitter::smBlock,
         {{1, "SELECT 4/2 FROM DUAL\r\n"}, {1, "SELECT 1\r\n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testutil::Hex(c.Script));
        auto m = Manager(c.Script, c.Delimiter, c.Mode);
        std::vector<std::pair<int, std::string>> got;
        for (int i = 0; i < m->Count(); ++i) got.emplace_back(m->GetItem(i).GetKind(), m->GetItem(i).Lines[0]);
        EXPECT_EQ(got, c.Items);
    }
}

TEST_F(ScriptManagerTest, CommandPrefixWinsWhenBothPrefixesAreTheSame) {
    Host.ImportPrefix = '#';
    EXPECT_EQ(Manager("#x")->GetItem(0).GetKind(), sikCommand);
}

TEST_F(ScriptManagerTest, UnclosedLiteralMakesNoManager) {
    EXPECT_THROW(Manager("SELECT 'abc\r\n"), Exception);
}

TEST_F(ScriptManagerTest, UserVariables) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> Vars;  // in store order
        std::string Statement;
        std::string Sent;
    };
    const std::vector<Case> cases = {
        {{{"TBL", "EMP"}}, "SELECT * FROM {!tbl};", "SELECT * FROM EMP\r\n"},
        {{{"a", "1"}}, "SELECT {!A}, {!a}, {!b};", "SELECT 1, 1, {!b}\r\n"},
        {{{"e", ""}}, "SELECT 1{!E};", "SELECT 1\r\n"},
        // A value holding a later variable's reference is replaced again; an earlier one's stays.
        {{{"a", "{!B}"}, {"b", "x"}}, "SELECT {!a};", "SELECT x\r\n"},
        {{{"b", "x"}, {"a", "{!B}"}}, "SELECT {!a};", "SELECT {!B}\r\n"},
        // A value may hold line breaks.
        {{{"cols", "a,\r\nb"}}, "SELECT {!cols} FROM t;", "SELECT a,\r\nb FROM t\r\n"},
        // "ボ" ends with the byte '{': no reference starts inside a character.
        {{{"x", "1"}}, "SELECT 'ボ!X}', '{!x}';", "SELECT 'ボ!X}', '1'\r\n"},
        {{{"表", "t"}}, "SELECT * FROM {!表};", "SELECT * FROM t\r\n"},
    };
    RecordSQL();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Statement);
        Host.Env.Clear();
        Host.SQLs.clear();
        for (const auto& [name, value] : c.Vars) Host.Env.SetValue(name, value);
        auto m = Manager(c.Statement);
        m->Execute(0);
        ASSERT_EQ(Host.SQLs.size(), 1u);
        EXPECT_EQ(testutil::Hex(Host.SQLs[0]), testutil::Hex(c.Sent));
    }
}

TEST_F(ScriptManagerTest, KindIsDecidedBeforeVariablesAreReplaced) {
    RecordSQL();
    Host.Env.SetValue("v", "#Help");
    Host.Env.SetValue("w", "SELECT 1");
    auto m = Manager("{!v};#Help {!w}");
    m->Execute(0);
    EXPECT_EQ(Host.SQLs, std::vector<std::string>{"#Help\r\n"});
    // A command gets the replaced text as its parameters.
    EXPECT_EQ(ErrorOf(*m, 1), "ECommand:コマンドが見つかりません [SELECT]");
}

TEST_F(ScriptManagerTest, SQLGoesToTheExecutionEvent) {
    void* sender = nullptr;
    std::vector<int> cursors;
    Host.OnExecuteSQL = [&](void* Sender, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet,
                            std::string& Msg) {
        sender = Sender;
        cursors.push_back(Host.Cursor);
        Kinds.push_back(Kind);
        if (Kind == TSQLKind::Query) DataSet = std::make_unique<TMemDataSet>();
        Msg = "結果:" + SQL.substr(0, 6);
    };
    auto m = Manager("select 1;\r\n  insert into t values (1);\r\nWITH x AS (SELECT 1) SELECT * FROM x;");
    ASSERT_EQ(m->Count(), 3);
    EXPECT_NE(m->Execute(0), nullptr);
    EXPECT_EQ(m->Execute(1), nullptr);
    EXPECT_EQ(m->Execute(2), nullptr);
    EXPECT_EQ(Kinds, (std::vector<TSQLKind>{TSQLKind::Query, TSQLKind::Insert, TSQLKind::Other}));
    EXPECT_EQ(sender, static_cast<IScriptHost*>(&Host));
    std::string result;
    m->GetResultText(1, result);
    EXPECT_EQ(result, "結果:  inse");
    EXPECT_EQ(cursors, (std::vector<int>{crSQLWait, crSQLWait, crSQLWait}));
    EXPECT_EQ(Host.Cursor, crDefault);
}

TEST_F(ScriptManagerTest, SQLWithoutExecutionEvent) {
    auto m = Manager("SELECT 1");
    EXPECT_EQ(ErrorOf(*m, 0), "ESQLManager:ユーザ実装エラー：SQL発行が実装されていません");
    EXPECT_EQ(Host.Cursor, crDefault);
}

// A dataset that tells when it is freed.
class TWatchedDataSet : public TMemDataSet {
public:
    explicit TWatchedDataSet(bool& Freed) : Freed(Freed) {}
    ~TWatchedDataSet() override { Freed = true; }
    bool& Freed;
};

TEST_F(ScriptManagerTest, SQLErrors) {
    bool freed = false;
    Host.OnExecuteSQL = [&](void*, const std::string&, TSQLKind, std::unique_ptr<TDataSet>& DataSet, std::string&) {
        DataSet = std::make_unique<TWatchedDataSet>(freed);
        throw EDatabaseError("表がありません");
    };
    auto m = Manager("SELECT * FROM nowhere");
    EXPECT_EQ(ErrorOf(*m, 0), "ESQLManager:表がありません");
    EXPECT_TRUE(freed);

    void* sender = nullptr;
    Host.OnSQLError = [&](void* Sender, const std::exception& E, std::string& Msg) {
        sender = Sender;
        Msg = std::string("[") + E.what() + "]";
    };
    freed = false;
    EXPECT_EQ(ErrorOf(*m, 0), "ESQLManager:[表がありません]");
    EXPECT_TRUE(freed);
    EXPECT_NE(sender, nullptr);
    EXPECT_NE(sender, static_cast<IScriptHost*>(&Host));  // the SQL manager reports
    EXPECT_EQ(Host.Cursor, crDefault);

    // The missing event goes through the error event too.
    Host.OnExecuteSQL = nullptr;
    EXPECT_EQ(ErrorOf(*m, 0), "ESQLManager:[ユーザ実装エラー：SQL発行が実装されていません]");
}

TEST_F(ScriptManagerTest, CommandItems) {
    auto m = Manager("#Help help;#NoSuch 1");
    m->Execute(0);
    EXPECT_EQ(m->GetMessageLines(0)[1], "コマンド:[ help ]");
    EXPECT_EQ(ErrorOf(*m, 1), "ECommandManager:コマンドが見つかりません [NoSuch]");
    EXPECT_EQ(m->GetMessageLines(1).Count(), 0);
}

TEST_F(ScriptManagerTest, RunningAgainClearsTheLastResults) {
    bool fail = true;
    Host.OnExecuteSQL = [&](void*, const std::string&, TSQLKind, std::unique_ptr<TDataSet>&, std::string& Msg) {
        if (fail) throw EDatabaseError("だめ");
        Msg = "ok";
    };
    auto m = Manager("SELECT 1");
    ErrorOf(*m, 0);
    fail = false;
    m->Execute(0);
    std::string s;
    m->GetErrorText(0, s);
    EXPECT_EQ(s, "");
    m->GetResultText(0, s);
    EXPECT_EQ(s, "ok");
}

TEST_F(ScriptManagerTest, IndexesOutsideTheItemsAreRefused) {
    auto m = Manager("SELECT 1;SELECT 2;");
    ASSERT_EQ(m->Count(), 2);
    const std::string text = "EScriptManager:内部エラー：スクリプトインデックス範囲外のエラー文字列を取得しようとしました";
    for (int i : {-1, 2}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ErrorOf(*m, i), "EScriptManager:内部エラー：範囲外のSQLを実行しようとしました");
        auto errorOf = [](auto f) {
            try {
                f();
            } catch (const Exception& e) {
                return std::string(e.ClassName()) + ":" + e.Message;
            }
            return std::string("no error");
        };
        std::string s;
        EXPECT_EQ(errorOf([&] { m->GetItem(i); }), "EScriptManager:内部エラー：範囲外のアイテム要求です");
        EXPECT_EQ(errorOf([&] { m->GetResultText(i, s); }), text);
        EXPECT_EQ(errorOf([&] { m->GetErrorText(i, s); }), text);
        EXPECT_EQ(errorOf([&] { m->GetMessageLines(i); }), text);
    }
}

// Runs a command line as a nested script, as the connection commands do.
class TzTestNested : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override {
        Host->ExecuteScriptText("#CommandList;\r\n#" + Params[0]);
        Output.Add("nested done");
    }
};

}  // namespace

Z_DEFINE_COMMAND_CLASS(TzTestNested);

namespace {

TEST_F(ScriptManagerTest, CommandRunsACommandLineAsANestedScript) {
    TScopedCommands commands{&TzTestNested_Class};
    TStringList script;
    script.Add("#TestNested NoSuch");
    Host.ExecuteScriptWithParams(script, TStringList());
    EXPECT_EQ(Host.MaxDepth, 2);
    ASSERT_EQ(Host.Runs.size(), 2u);
    EXPECT_EQ(Host.Runs[1].Text, "#CommandList;\r\n#NoSuch\r\n");
    TStringList list;
    TCommandManager(&Host).ExecuteLine(TStringList("#CommandList"), list);
    std::vector<std::string> expected = list.Items;
    expected.push_back("ECommandManager:コマンドが見つかりません [NoSuch]");
    expected.push_back("nested done");
    EXPECT_EQ(Host.Console.Lines.Items, expected);
}

}  // namespace
