// The whole program after the process has started, the body of its entry
// point (shell/main.cpp).
//
// The command-line gate comes first, before any window system is touched:
// the windows open only with no argument or when the first argument begins
// with "@"; any other command line ends the process at once, silently, with
// exit code 0.
//
// SIGPIPE does nothing: what is written to an output nobody reads any more is
// lost, and the run goes on to its saves and its exit code. It is caught by a
// handler that does nothing rather than ignored, so that the programs this one
// starts get the default again.
#pragma once

int ProgramMain(int argc, char** argv);
