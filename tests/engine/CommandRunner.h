// A fake host with a command manager over it, for the fixtures of the command
// tests: the output lines of one command line, or the error it raises.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "U_CommandManager.h"

class TCommandRunner {
public:
    std::vector<std::string> RunLine(const std::string& line) {
        TStringList out;
        Manager.ExecuteLine(TStringList(line), out);
        return out.Items;
    }
    // "ClassName:message" of the error that line raises; "no error" when it runs.
    std::string ErrorOf(const std::string& line) {
        try {
            RunLine(line);
        } catch (const Exception& e) {
            return std::string(e.ClassName()) + ":" + e.Message;
        }
        return "no error";
    }

    TFakeHost Host;
    TCommandManager Manager{&Host};
};

// A command's word, title and help lines as the help and the command list show them.
struct TCommandTexts {
    const char* Word;
    const char* Title;
    std::vector<std::string> Help;
};

// Each command of the table, created by its word, has the table's name, title and help.
inline void ExpectCommandTexts(const std::vector<TCommandTexts>& Table) {
    TFakeHost host;
    TCommandManager manager(&host);
    for (const TCommandTexts& t : Table) {
        std::unique_ptr<TCommand> cmd = manager.CreateCommand(std::string("#") + t.Word, TParamsArr());
        EXPECT_EQ(cmd->GetCommandName(), t.Word);
        std::string title;
        cmd->GetTitle(title);
        EXPECT_EQ(title, t.Title) << t.Word;
        EXPECT_EQ(cmd->GetHelp().Items, t.Help) << t.Word;
    }
}
