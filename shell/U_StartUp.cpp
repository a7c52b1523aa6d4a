#include "U_StartUp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QStyleOption>
#include <QTranslator>

#include "AppException.h"
#include "CP932.h"
#include "Exception.h"
#include "FileSystem.h"
#include "Headless.h"
#include "Form_Main.h"
#include "KZNMessageDlg.h"
#include "Reentrancy.h"
#include "U_Form_Splash.h"

namespace startup {

std::string PrepareRuntimeFolder(const std::string& Base) {
    if (const char* set = std::getenv("XDG_RUNTIME_DIR"); set && *set) return set;
    const uid_t me = getuid();
    std::string dir = Base + "/runtime-" + std::to_string(me);
    // a folder of our own, reached without a link, readable by nobody else
    auto ours = [me](const std::string& Path) {
        struct stat st {};
        if (lstat(Path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != me) return false;
        return (st.st_mode & 0777) == 0700 || chmod(Path.c_str(), 0700) == 0;
    };
    if ((mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) || !ours(dir)) {
        std::vector<char> name(dir.begin(), dir.end());
        for (char c : std::string("-XXXXXX")) name.push_back(c);
        name.push_back('\0');
        dir = mkdtemp(name.data()) ? std::string(name.data()) : std::string();
    }
    if (!dir.empty()) setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    return dir;
}

QTranslator* LoadQtTranslations(QCoreApplication& App) {
    auto* qt = new QTranslator(&App);
    if (!qt->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return nullptr;
    }
    QCoreApplication::installTranslator(qt);
    return qt;
}

namespace {

// The application's style, with the overflow buttons' icons made once per
// layout direction.
class TSharedExtensionIconStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap Pixmap, const QStyleOption* Option, const QWidget* Widget) const override {
        const bool extension = Pixmap == SP_ToolBarHorizontalExtensionButton || Pixmap == SP_ToolBarVerticalExtensionButton;
        if (!extension) return QProxyStyle::standardIcon(Pixmap, Option, Widget);
        // the icon differs only by the direction the option or the application gives
        const bool rtl = (Option ? Option->direction : QGuiApplication::layoutDirection()) == Qt::RightToLeft;
        QIcon& icon = FIcons[Pixmap == SP_ToolBarVerticalExtensionButton ? 1 : 0][rtl ? 1 : 0];
        if (icon.isNull()) icon = QProxyStyle::standardIcon(Pixmap, Option, Widget);
        return icon;
    }

private:
    mutable QIcon FIcons[2][2];  // horizontal, vertical; left to right, right to left
};

}  // namespace

void ShareToolBarExtensionIcons() {
    QApplication::setStyle(new TSharedExtensionIconStyle(QApplication::style()->name()));
}

bool OpensWindows(int argc, const char* const* argv) { return argc < 2 || argv[1][0] == '@'; }

std::vector<std::string> Arguments(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(fs932::FromNative(argv[i]));
    return args;
}

std::string ArgumentsRefusal(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg;
        if (cp932::FromUtf8Exact(argv[i], arg)) continue;
        // the first argument is "@" and the script's name
        if (i == 1) return fs932::UnusableNameMessage(arg.substr(1));
        return "コマンドラインの引数に、シフトJISで表せない文字が含まれています。この引数は使えません。\r\n" + arg;
    }
    return std::string();
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

int RunWindows(QApplication& App, const std::vector<std::string>& Args, const std::string& Refusal) {
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
    if (!failed) main->ExecuteStartUp(Refusal.empty() ? Args : std::vector<std::string>());
    if (!failed && !Refusal.empty() && !reentry::Terminating()) {
        headless::NoteFailure();
        MessageDlg(Refusal, TMsgDlgType::mtError);
    }
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
