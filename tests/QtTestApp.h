// The one QApplication of a widget test program, made on first use.
#pragma once
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFont>
#include <QFontInfo>
#include <QThread>
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

// Processes events until Condition holds: for what a timer or a posted event
// brings about. False when it still does not hold after a minute, a bound that
// only keeps a broken wait from hanging the run, never a measure of speed.
template <class F>
bool WaitFor(F&& Condition) {
    const QDeadlineTimer limit(60000);
    while (!Condition()) {
        if (limit.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
    return true;
}

// For a test that measures the glyphs of a font: ASSERT_TRUE(testutil::FontInstalled("IPAGothic"))
// fails with a message naming the missing font, instead of on pixels.
inline ::testing::AssertionResult FontInstalled(const char* Family) {
    App();
    const QString family = QFontInfo(QFont(QString::fromUtf8(Family))).family();
    if (family.compare(QString::fromUtf8(Family), Qt::CaseInsensitive) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the font \"" << Family << "\" is not installed (Qt chose \""
                                         << family.toStdString() << "\" for it); this test measures its glyphs. "
                                         << "scripts/install-deps.sh installs it (fonts-ipafont-gothic).";
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
