#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "FakeHost.h"
#include "FileSystem.h"
#include "SysUtils.h"
#include "U_Command.h"
#include "U_CommandLineParser.h"
#include "U_CommandManager.h"
#include "U_GrobalCommandRegister.h"

namespace {

// Writes its parameters, one per line.
class TzTestEcho : public TNativCommand {
public:
    TzTestEcho(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) { Title = "echo"; }
    void Execute() override {
        for (const std::string& p : Params)
            if (!p.empty()) Output.Add(p);
    }
};

class TzTestFail : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override {
        Output.Add("partial");
        throw ECommand("失敗しました");
    }
};

class TzTestUser : public TUserImplementsCommand {
public:
    using TUserImplementsCommand::TUserImplementsCommand;
};

}  // namespace

Z_DEFINE_COMMAND_CLASS(TzTestEcho);
Z_DEFINE_COMMAND_CLASS(TzTestFail);
Z_DEFINE_COMMAND_CLASS(TzTestUser);

namespace {

class CommandManagerTest : public ::testing::Test {
protected:
    TScopedCommands Commands{&TzTestEcho_Class, &TzTestFail_Class, &TzTestUser_Class};
    TStringList Run(const std::string& line) {
        TStringList out;
        Manager.ExecuteLine(TStringList(line), out);
        return out;
    }
    std::string ErrorOf(const std::string& line) {
        try {
            Run(line);
        } catch (const Exception& e) {
            return std::string(e.ClassName()) + ":" + e.Message;
        }
        return "no error";
    }
    TFakeHost Host;
    TCommandManager Manager{&Host};
};

TEST_F(CommandManagerTest, WordIsMatchedWithoutRegardToCase) {
    EXPECT_EQ(Run("#testecho a").Items, std::vector<std::string>{"a"});
    EXPECT_EQ(Run("  #TESTECHO   a   b  \r\n").Items, (std::vector<std::string>{"a", "b"}));
    Host.CommandPrefix = '!';
    EXPECT_EQ(Run("!TestEcho x").Items, std::vector<std::string>{"x"});
}

TEST_F(CommandManagerTest, UnknownCommands) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"#", "コマンドが見つかりません []"},
        {"# TestEcho", "コマンドが見つかりません []"},
        {"#NoSuch", "コマンドが見つかりません [NoSuch]"},
        {"#NoSuch a b", "コマンドが見つかりません [NoSuch]"},
        {"TestEcho", "コマンドが見つかりません [TestEcho]"},
        {"TestEcho a", "コマンドが見つかりません [TestEcho ]"},
        {"#TestEcho\ta", "コマンドが見つかりません [TestEcho\ta]"},
    };
    for (const auto& [line, msg] : cases) EXPECT_EQ(ErrorOf(line), "ECommandManager:" + msg) << line;
}

TEST_F(CommandManagerTest, ParametersEndAtTheFirstEmptyOne) {
    EXPECT_EQ(Run("#TestEcho a \"b c\" \"\" d").Items, (std::vector<std::string>{"a", "b c"}));
    TParamsArr params;
    params[5] = "stale";
    TCommandManager::ParseParams("a \"b c\" \"\" d", params, 255);
    EXPECT_EQ(params[0], "a");
    EXPECT_EQ(params[1], "b c");
    EXPECT_EQ(params[2], "");
    EXPECT_EQ(params[3], "d");
    EXPECT_EQ(params[5], "");
}

TEST_F(CommandManagerTest, MoreThan256ParametersAreRefused) {
    std::string line = "#TestEcho";
    for (int i = 0; i < 256; ++i) line += " w" + std::to_string(i);
    TStringList out = Run(line);
    ASSERT_EQ(out.Count(), 256);
    EXPECT_EQ(out[255], "w255");
    EXPECT_EQ(ErrorOf(line + " w256"), "ECommandLineParser:コマンドラインの引数が多すぎます（最大256個）");
}

TEST_F(CommandManagerTest, ParserErrorsReachTheCaller) {
    EXPECT_EQ(ErrorOf("#TestEcho x\"y\""), "ECommandLineParser:正しくデリミットされていません");
    EXPECT_EQ(ErrorOf("#TestEcho \"y"), "ECommandLineParser:正しくクオーテーションが閉じられていません");
    EXPECT_EQ(ErrorOf("#TestEcho a\r\nb"), "ECommandLineParser:コマンドラインに改行があります");
    EXPECT_EQ(Run("#TestEcho \"a\r\nb\"").Items, std::vector<std::string>{"a  b"});
}

TEST_F(CommandManagerTest, FailedCommandLeavesOutputAsItWas) {
    TStringList out;
    out.Add("before");
    EXPECT_THROW(Manager.ExecuteLine(TStringList("#TestFail"), out), ECommand);
    EXPECT_EQ(out.Items, std::vector<std::string>{"before"});
}

TEST_F(CommandManagerTest, UserImplementedCommandWithoutHandler) {
    EXPECT_EQ(Run("#TestUser a").Items,
              std::vector<std::string>{"TestUser is not implement by " + fs932::ProgramFileName()});
    EXPECT_EQ(fs932::ProgramFileName(), "test_engine");
}

TEST_F(CommandManagerTest, UserImplementedCommandGoesToTheHostEvent) {
    void* sender = nullptr;
    std::string seen;
    Host.OnUserCommand = [&](void* Sender, TCommandInterface& Command, bool& Handled) {
        sender = Sender;
        TParamsArr p;
        Command.GetParams(p);
        seen = Command.GetCommandName() + "/" + p[0];
        Command.GetOutput().Add("done");
        Command.SetSucceeded(false);
        Handled = true;
    };
    EXPECT_EQ(Run("#testuser conn1").Items, std::vector<std::string>{"done"});
    EXPECT_EQ(sender, static_cast<IScriptHost*>(&Host));
    EXPECT_EQ(seen, "TestUser/conn1");

    // A handler that leaves Handled false gets the fallback line.
    Host.OnUserCommand = [](void*, TCommandInterface& Command, bool&) { Command.GetOutput().Add("ignored"); };
    EXPECT_EQ(Run("#TestUser").Items,
              std::vector<std::string>{"TestUser is not implement by " + fs932::ProgramFileName()});
}

TEST_F(CommandManagerTest, CommandDefaults) {
    TParamsArr params;
    params[0] = "a";
    params[2] = "after the gap";
    std::unique_ptr<TCommand> cmd = TzTestFail_Class.CreateWithParams(&Host, params);
    EXPECT_EQ(cmd->GetCommandName(), "TestFail");
    std::string title;
    cmd->GetTitle(title);
    EXPECT_EQ(title, "このコマンドはヘルプが記述されていません。開発者に連絡し、ヘルプの記述を依頼してください。");
    EXPECT_TRUE(cmd->GetSucceeded());
    EXPECT_EQ(cmd->GetMaxParamCount(), 256);
    TParamsArr copy;
    cmd->GetParams(copy);
    EXPECT_EQ(copy[0], "a");
    EXPECT_EQ(copy[2], "");
    EXPECT_EQ(cmd->GetHelp().Count(), 0);
}

TEST_F(CommandManagerTest, Registry) {
    TGrobalCommandRegister& reg = GrobalCommandRegister();
    EXPECT_EQ(reg.FindByName("TZTESTECHO"), &TzTestEcho_Class);
    EXPECT_EQ(reg.FindByName("TestEcho"), nullptr);
    EXPECT_EQ(reg.Contains(&TzTestEcho_Class), &TzTestEcho_Class);
    try {
        reg.Register(&TzTestEcho_Class);
        FAIL() << "no error";
    } catch (const EGrobalCommandRegister& e) {
        EXPECT_EQ(e.Message, "内部エラー：既に登録済みのコマンドクラスを登録しようとしました" "TzTestEcho");
    }
    // The built-in commands in table order, then those registered later.
    std::vector<std::string> names;
    for (const TCommandClass* c : reg.GetCommandClasses()) names.push_back(c->ClassName);
    auto at = [&](const char* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    EXPECT_LT(at("TzHelp"), at("TzCommandList"));
    EXPECT_EQ(at("TzTestEcho"), static_cast<long>(names.size()) - 3);
}

class Tza0 : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override {}
};

}  // namespace

Z_DEFINE_COMMAND_CLASS(Tza0);

namespace {

TEST_F(CommandManagerTest, CommandListIsSortedWithoutRegardToCase) {
    TScopedCommands more{&Tza0_Class};
    TStringList list;
    list.Add("stale");
    Manager.GetCommandList(list);
    ASSERT_EQ(list.Count(), static_cast<int>(GrobalCommandRegister().GetCommandClasses().size()));
    for (int i = 1; i < list.Count(); ++i) EXPECT_LT(sys::CompareText(list[i - 1], list[i]), 0) << list[i];
    EXPECT_EQ(list[0], "a0");  // first, although byte-wise 'a' > 'C'
    for (const char* word : {"CommandList", "Help", "TestEcho", "TestFail", "TestUser"})
        EXPECT_GE(list.IndexOf(word), 0) << word;
}

}  // namespace
