// A console child process with its standard input, output and error on
// pipes: the input text is fed while the output is read, so neither side can
// block the other however much either writes.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace console {

// The words of a command line as the Windows command line is read: blanks
// and tabs separate words, double quotes group (and are dropped), and a
// doubled double quote inside a quoted part stands for one double quote.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

struct TConsoleRun {
    std::string_view Input;                           // written to the child's standard input, then closed
    std::function<void(std::string_view)> OnOutput;   // standard output, as it arrives
    std::function<void(std::string_view)> OnError;    // standard error, as it arrives
    std::function<void()> OnWait;                     // about every 20 ms while the child runs
};

// Starts the command line (CP932; the first word names the program, looked
// up on PATH when it holds no folder) in the current folder and environment,
// in a session of its own, and waits for its end. Everything the child wrote
// before it ended is handed over, also what arrived after the last wait.
// Returns false (with the reason in *error) when the child cannot be started;
// otherwise exitCode is the child's exit code, -1 when it did not exit
// normally. When a callback raises, the child is killed and reaped and the
// exception passes on.
bool Run(std::string_view commandLine, const TConsoleRun& run, int& exitCode, std::string* error = nullptr);

}  // namespace console
