// The program's entry point.
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
#include <signal.h>

#include <QApplication>
#include <QGuiApplication>

#include "Headless.h"
#include "QtMessages.h"
#include "U_StartUp.h"

int main(int argc, char** argv) {
    // A closed error output (a reader that went away) must not end the run
    // before its close-time saves: a write that fails is dropped.
    struct sigaction pipe {};
    pipe.sa_handler = [](int) {};
    pipe.sa_flags = SA_RESTART;
    sigemptyset(&pipe.sa_mask);
    sigaction(SIGPIPE, &pipe, nullptr);
    if (!startup::OpensWindows(argc, argv)) return 0;
    startup::PrepareRuntimeFolder();
    qtmessages::DropPlatformNoise();

    QApplication app(argc, argv);
    startup::LoadQtTranslations(app);
    // Without a display nobody could answer a prompt: the one place that decides it.
    headless::SetNoDisplay(headless::IsPlatformWithoutDisplay(QGuiApplication::platformName().toStdString()));
    return startup::RunWindows(app, startup::Arguments(argc, argv), startup::ArgumentsRefusal(argc, argv));
}
