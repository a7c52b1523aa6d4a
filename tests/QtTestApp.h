// The one QApplication of a widget test program, made on first use.
#pragma once
#include <functional>

#include <QApplication>
#include <QFont>
#include <QTimer>
#include <QWidget>

#include "QtMessages.h"

namespace testutil {

inline QApplication& App() {
    static int argc = 1;
    static char arg0[] = "zintavor-test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* app = [] {
        qtmessages::DropPlatformNoise();
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

// Answers the next modal window of class T that opens: once it is up, answer
// runs on it (and should close it). Lets a test drive a dialog's exec()
// without anybody at the keyboard.
template <class T>
void AnswerModal(std::function<void(T*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* w = dynamic_cast<T*>(QApplication::activeModalWidget());
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        answer(w);
    });
    timer->start();
}

}  // namespace testutil
