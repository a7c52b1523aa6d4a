// A fake host with a command manager over it, for the fixtures of the command
// tests: the output lines of one command line, or the error it raises.
#pragma once
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
