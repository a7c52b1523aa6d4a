#include "U_ProgramMain.h"

#include <signal.h>

#include <QApplication>
#include <QGuiApplication>

#include "Headless.h"
#include "QtMessages.h"
#include "U_StartUp.h"

int ProgramMain(int argc, char** argv) {
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
    startup::ShareToolBarExtensionIcons();
    // Without a display nobody could answer a prompt: the one place that decides it.
    headless::SetNoDisplay(headless::IsPlatformWithoutDisplay(QGuiApplication::platformName().toStdString()));
    return startup::RunWindows(app, startup::Arguments(argc, argv), startup::ArgumentsRefusal(argc, argv));
}
