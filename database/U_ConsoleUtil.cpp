#include "U_ConsoleUtil.h"

#include <istream>
#include <ostream>

#include "ConsoleProcess.h"

int RunConsoleProcess(const std::string& CommandLine, std::istream& Input, std::ostream& Output,
                      std::ostream& Error, const std::function<void()>& ProcessMessages) {
    std::string input;
    char block[8192];
    while (Input.read(block, sizeof block) || Input.gcount() > 0)
        input.append(block, static_cast<size_t>(Input.gcount()));

    console::TConsoleRun run;
    run.Input = input;
    run.OnOutput = [&Output](std::string_view s) { Output.write(s.data(), static_cast<std::streamsize>(s.size())); };
    run.OnError = [&Error](std::string_view s) { Error.write(s.data(), static_cast<std::streamsize>(s.size())); };
    run.OnWait = ProcessMessages;
    int exitCode = -1;
    if (!console::Run(CommandLine, run, exitCode)) throw EConsoleUtil("CreateProcess() failed!");
    return exitCode;
}
