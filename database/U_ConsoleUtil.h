// Runs a console program as a child process: the Input stream goes to its
// standard input, its standard output and standard error come back into the
// Output and Error streams. Runs are synchronous; while the child works, the
// caller's ProcessMessages is called about every 20 ms so that the window
// stays responsive (a run started from there runs nested).
#pragma once
#include <functional>
#include <iosfwd>
#include <string>

#include "Exception.h"

Z_DECLARE_EXCEPTION(EConsoleUtil, Exception);

// The child's exit code, -1 when it has none. A child that cannot be started
// raises EConsoleUtil "CreateProcess() failed!".
int RunConsoleProcess(const std::string& CommandLine, std::istream& Input, std::ostream& Output,
                      std::ostream& Error, const std::function<void()>& ProcessMessages = {});
