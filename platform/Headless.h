// Runs without a display: nobody can answer a prompt or a pause, so every
// question takes its cancel answer at once and says so on the error output,
// and the run keeps a record of whether everything went well, which becomes
// the program's exit code.
//
// The program's entry point decides once whether there is a display (the
// offscreen platform has none); every prompt and pause asks NoDisplay().
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace headless {

// True once the entry point has found that no display is attached.
bool NoDisplay();
bool SetNoDisplay(bool Value);  // returns the value it replaced
// The platform names that have no display a person could look at.
bool IsPlatformWithoutDisplay(std::string_view PlatformName);

// Writes CP932 text as one entry of the error output (UTF-8, CR LF as LF, a
// line break at the end).
void ErrorLine(const std::string& Text);
using TErrorLineWriter = std::function<void(const std::string& Text)>;
// Replaces where ErrorLine writes (returns the writer it replaced); an
// empty writer restores the error output.
TErrorLineWriter SetErrorLineWriter(TErrorLineWriter Writer);

// A prompt about What is to be shown. Without a display it writes one line
// (what was asked, that there is no display, that it was cancelled), counts
// as a failure of the run and returns true: the caller then takes its cancel
// answer. With a display it returns false and does nothing.
bool Declined(std::string_view What);

// The run's record: something failed (a statement, a connection, a declined
// prompt) or the run was stopped.
void NoteFailure();
bool AnyFailure();
void ResetFailures();

}  // namespace headless
