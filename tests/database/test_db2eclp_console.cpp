// The console runner: input, output and error through pipes, exit codes,
// programs that cannot start, large amounts both ways, and the wait callback.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ConsoleProcess.h"
#include "DB2eCLPTestUtil.h"
#include "Exception.h"
#include "FileSystem.h"
#include "U_ConsoleUtil.h"

namespace {

struct RunResult {
    int ExitCode;
    std::string Output, Error;
};

RunResult RunChild(const std::string& commandLine, const std::string& input = "",
              const std::function<void()>& processMessages = {}) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int code = RunConsoleProcess(commandLine, in, out, err, processMessages);
    return {code, out.str(), err.str()};
}

TEST(DB2eCLPConsole, EchoesInputAndSeparatesErrorOutput) {
    // CP932 bytes, CR LF and a NUL pass unchanged
    const std::string input = std::string("Connect To 表;\r\ndescribe x;\r\n") + '\0' + "end";
    RunResult r = RunChild("sh -c \"cat; printf 'to stderr' >&2\"", input);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(testutil::Hex(r.Output), testutil::Hex(input));
    EXPECT_EQ(r.Error, "to stderr");
}

TEST(DB2eCLPConsole, ExitCodes) {
    const struct {
        const char* CommandLine;
        int ExitCode;
    } cases[] = {
        {"sh -c \"exit 0\"", 0},
        {"sh -c \"exit 3\"", 3},
        {"sh -c \"exit 255\"", 255},
        {"sh -c \"kill -9 $$\"", -1},   // no exit code: killed by a signal
    };
    for (const auto& c : cases) EXPECT_EQ(RunChild(c.CommandLine).ExitCode, c.ExitCode) << c.CommandLine;
}

TEST(DB2eCLPConsole, ProgramThatCannotStartRaises) {
    clptest::CurrentFolder folder("clp-console-nostart");
    clptest::Write(folder.Dir + "notexec.exe", "not a program");   // exists, not executable
    for (const std::string& commandLine :
         {std::string("/nonexistent/DB2eCLP.exe"), folder.Dir + "notexec.exe", std::string(""), std::string("  ")}) {
        try {
            RunChild(commandLine, "describe x;\r\n");
            ADD_FAILURE() << "no error for [" << commandLine << "]";
        } catch (const EConsoleUtil& e) {
            EXPECT_EQ(e.Message, "CreateProcess() failed!");
        }
    }
}

TEST(DB2eCLPConsole, ChildThatDoesNotReadItsInput) {
    // the child ends without reading: the rest of the input is dropped, the run goes on
    const std::string input(1 << 20, 'x');
    RunResult r = RunChild("sh -c \"printf done; exit 2\"", input);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_EQ(r.Output, "done");
}

TEST(DB2eCLPConsole, LargeInputAndOutputDoNotDeadlock) {
    // cat writes its output while it still reads: far more than a pipe holds both ways
    std::string input;
    for (int i = 0; input.size() < 3000000; ++i) input += "line " + std::to_string(i) + "\r\n";
    RunResult r = RunChild("sh -c \"cat; head -c 700000 /dev/zero | tr '\\000' e >&2\"", input);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Output.size(), input.size());
    EXPECT_TRUE(r.Output == input);
    EXPECT_EQ(r.Error, std::string(700000, 'e'));
}

TEST(DB2eCLPConsole, OutputWrittenJustBeforeTheEndIsKept) {
    // the child ends at once after a large write: nothing after the last wait is lost
    RunResult r = RunChild("sh -c \"head -c 60000 /dev/zero | tr '\\000' o; printf END\"");
    EXPECT_EQ(r.Output, std::string(60000, 'o') + "END");
}

TEST(DB2eCLPConsole, WaitsProcessingEventsUntilTheChildEnds) {
    // the child ends only once the event processing has run
    clptest::CurrentFolder folder("clp-console-events");
    int calls = 0;
    // (bounded, so that a runner that never processes events fails instead of hanging)
    RunResult r = RunChild("sh -c \"i=0; while [ ! -f go ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i+1)); done; "
                           "[ -f go ] && printf ended\"",
                           "", [&] {
        if (++calls == 1) clptest::Write("go", "");
    });
    EXPECT_GE(calls, 1);
    EXPECT_EQ(r.Output, "ended");
}

TEST(DB2eCLPConsole, ErrorRaisedWhileWaitingEndsTheChild) {
    clptest::CurrentFolder folder("clp-console-raise");
    EXPECT_THROW(RunChild("sh -c \"sleep 60\"", "", [] { throw EAbort("stop"); }), EAbort);
    // the runner is fine afterwards
    EXPECT_EQ(RunChild("sh -c \"printf again\"").Output, "again");
}

TEST(DB2eCLPConsole, ProgramInFolderWithBlanks) {
    clptest::CurrentFolder folder("clp-console-blanks");
    ASSERT_TRUE(fs932::ForceDirectories(folder.Dir + "a b 表"));
    clptest::WriteScript(folder.Dir + "a b 表/DB2eCLP.exe", "cat\nprintf \" [$#]\"\n");
    RunResult r = RunChild("\"" + folder.Dir + "a b 表/DB2eCLP.exe\"", "in");
    EXPECT_EQ(r.Output, "in [0]");
}

TEST(DB2eCLPConsole, SplitCommandLine) {
    const struct {
        const char* Line;
        std::vector<std::string> Words;
    } cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"prog", {"prog"}},
        {"  prog  a\tb  ", {"prog", "a", "b"}},
        {"\"C:/Program Files/x.exe\" arg", {"C:/Program Files/x.exe", "arg"}},
        {"a\"b c\"d e", {"ab cd", "e"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"\"", {""}},
        {"\"open to the end", {"open to the end"}},
    };
    for (const auto& c : cases) EXPECT_EQ(console::SplitCommandLine(c.Line), c.Words) << c.Line;
}

}  // namespace
