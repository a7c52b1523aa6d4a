// The main program block: the command-line gate, the splash window while the
// main form is built, the start-up script and the command line, the message
// loop, and the main form's destruction.
#pragma once
#include <exception>
#include <string>
#include <vector>

class QApplication;
class QCoreApplication;
class QTranslator;

namespace startup {

// Gives the process the private runtime folder a desktop login would: when
// XDG_RUNTIME_DIR is unset or empty, Base + "/runtime-" + the user id (made
// with mode 0700, or narrowed to it when it is ours), or a fresh folder beside
// it when that name is taken by somebody else or is not a folder. Returns the
// folder XDG_RUNTIME_DIR names afterwards, empty when none could be made.
std::string PrepareRuntimeFolder(const std::string& Base = "/tmp");

// Installs Qt's Japanese translations (qtbase_ja) so that Qt's own dialogs
// (files, colours, fonts, message box buttons) speak the program's language.
// Returns the installed translator (a child of App), null when the
// translation file is missing.
QTranslator* LoadQtTranslations(QCoreApplication& App);

// Makes the application's style fetch the icon of the tool bars' and menu
// bar's overflow button once rather than once per bar (the style reads and
// decodes its image files every time it is asked, though the button is
// hidden until a bar overflows). Everything else is the style's own.
void ShareToolBarExtensionIcons();

// The windows open only with no argument, or when the first argument begins
// with "@". argv[0] is the program.
bool OpensWindows(int argc, const char* const* argv);

// The arguments after the program, as CP932 text.
std::vector<std::string> Arguments(int argc, const char* const* argv);
// The message that refuses a command line one argument of which CP932 cannot
// hold exactly (the script name, or a parameter: a substitute would name
// another file or change a value); empty when every argument is usable.
std::string ArgumentsRefusal(int argc, const char* const* argv);

// How the program shows an exception that no caller can take (one of an
// event handler or a posted message): its message in an error box; the
// silent EAbort shows nothing. RunWindows installs it as app::HandleException's handler.
void ShowUnhandledException(const std::exception& E);

// Everything after the gate, on an existing application object: splash, main
// form, start-up script and command line, message loop (skipped when the
// program is already ending), the saves at close, main form freed.
//
// A command line with a Refusal (ArgumentsRefusal) is not run: the start-up
// script runs, then the refusal is shown and counts as a failure.
//
// Without a display the start-up runs are all there is: no message loop
// follows them. Returns the exit code: 1 when the start-up failed or a save
// at close failed; without a display and without "#Exit" also 1 when a
// statement or a connection failed, the run was stopped or the command line
// was refused; 0 otherwise.
int RunWindows(QApplication& App, const std::vector<std::string>& Args, const std::string& Refusal = std::string());

}  // namespace startup
