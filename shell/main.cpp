// The program's entry point.
//
// The command-line gate comes first, before any window system is touched:
// the windows open only with no argument or when the first argument begins
// with "@"; any other command line ends the process at once, silently, with
// exit code 0.
#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

#include "CP932.h"
#include "Form_Main.h"
#include "KZNMessageDlg.h"
#include "U_StartUp.h"

int main(int argc, char** argv) {
    if (!startup::OpensWindows(argc, argv)) return 0;
    startup::PrepareRuntimeFolder();

    QApplication app(argc, argv);
    startup::LoadQtTranslations(app);
    // Without a display nobody could close a message box: messages go to the
    // error output instead.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        SetMessageDlgPresenter([](const std::string& text, TMsgDlgType) {
            std::fprintf(stderr, "%s\n", cp932::ToUtf8(text).c_str());
        });
        TMain::Hooks().ShowFatalError = [](QWidget*, const std::string& msg) {
            std::fprintf(stderr, "%s\n", cp932::ToUtf8("起動エラー：" + msg).c_str());
        };
    }
    return startup::RunWindows(app, startup::Arguments(argc, argv));
}
