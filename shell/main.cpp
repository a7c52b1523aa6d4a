// The program's entry point.
//
// The command-line gate comes first, before any window system is touched:
// the windows open only with no argument or when the first argument begins
// with "@"; any other command line ends the process at once, silently, with
// exit code 0.
//
// The main form and the client window are not built yet. Until they are, the
// window road shows what the shell has: the splash window and the about box.
// Without a display (the offscreen platform) the splash window is saved as a
// picture instead, and its file name printed.
#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "U_Form_Splash.h"
#include "U_Form_Version.h"

int main(int argc, char** argv) {
    if (argc > 1 && argv[1][0] != '@') return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zintavor"));

    TForm_Splash splash;
    splash.show();
    splash.repaint();

    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        std::string file = fs932::GetCurrentDir() + "/Zintavor-splash.png";
        if (!splash.grab().save(cp932::ToQString(file))) return 1;
        std::printf("%s\n", fs932::ToNative(file).c_str());
        return 0;
    }

    TForm_Version about(nullptr);
    QTimer::singleShot(1500, &app, [&] {
        splash.hide();
        about.exec();
        app.quit();
    });
    return app.exec();
}
