// The one QApplication of a widget test program, made on first use.
#pragma once
#include <QApplication>
#include <QFont>

namespace testutil {

inline QApplication& App() {
    static int argc = 1;
    static char arg0[] = "zintavor-test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        QApplication::setFont(QFont("IPAGothic", 9));
        return a;
    }();
    return *app;
}

// A first base or member for fixtures that hold widgets: the application exists before them.
struct WithApp {
    WithApp() { App(); }
};

}  // namespace testutil
