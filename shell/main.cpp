// The program's entry point.
//
// The command-line gate comes first, before any window system is touched:
// the windows open only with no argument or when the first argument begins
// with "@"; any other command line ends the process at once, silently, with
// exit code 0.
#include <QApplication>
#include <QGuiApplication>

#include "Headless.h"
#include "QtMessages.h"
#include "U_StartUp.h"

int main(int argc, char** argv) {
    if (!startup::OpensWindows(argc, argv)) return 0;
    startup::PrepareRuntimeFolder();
    qtmessages::DropPlatformNoise();

    QApplication app(argc, argv);
    startup::LoadQtTranslations(app);
    // Without a display nobody could answer a prompt: the one place that decides it.
    headless::SetNoDisplay(headless::IsPlatformWithoutDisplay(QGuiApplication::platformName().toStdString()));
    return startup::RunWindows(app, startup::Arguments(argc, argv));
}
