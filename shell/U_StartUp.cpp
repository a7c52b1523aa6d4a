#include "U_StartUp.h"

#include <memory>

#include <QApplication>

#include "AppException.h"
#include "Exception.h"
#include "FileSystem.h"
#include "Headless.h"
#include "Form_Main.h"
#include "KZNMessageDlg.h"
#include "Reentrancy.h"
#include "U_Form_Splash.h"

namespace startup {

bool OpensWindows(int argc, const char* const* argv) { return argc < 2 || argv[1][0] == '@'; }

std::vector<std::string> Arguments(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(fs932::FromNative(argv[i]));
    return args;
}

void ShowUnhandledException(const std::exception& E) {
    std::string text;
    if (auto* e = dynamic_cast<const Exception*>(&E)) {
        if (dynamic_cast<const EAbort*>(e)) return;  // the silent exception
        text = e->Message;
    } else {
        text = E.what();
    }
    headless::NoteFailure();
    MessageDlg(text, TMsgDlgType::mtError);
}

int RunWindows(QApplication& App, const std::vector<std::string>& Args) {
    QApplication::setApplicationName(QStringLiteral("Zintavor"));
    QApplication::setQuitOnLastWindowClosed(false);  // the shell decides when the program ends
    app::SetExceptionHandler(ShowUnhandledException);

    std::unique_ptr<TMain> main;
    {
        TForm_Splash splash;
        splash.show();
        splash.repaint();
        main = std::make_unique<TMain>();
    }
    const bool failed = main->StartUpFailed();
    int code = failed ? 1 : 0;
    if (!failed) main->ExecuteStartUp(Args);
    // "#Exit" has ended the program by now: its code stays 0.
    if (!failed && !reentry::Terminating()) {
        if (headless::NoDisplay()) {
            code = headless::AnyFailure() ? 1 : 0;
            reentry::SetTerminating(true);
        } else {
            App.exec();
        }
    }
    if (!main->SaveAtClose()) code = 1;
    main.reset();
    app::SetExceptionHandler(nullptr);
    return code;
}

}  // namespace startup
