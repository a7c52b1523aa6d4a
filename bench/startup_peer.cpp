// The peer of the start-up benchmark: a plain Qt window with a text widget,
// shown, filled with a text file's lines (when one is given), painted once
// as the program's window is, then closed.
// Usage: startup_peer [file]
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTimer>

namespace {

// Ends the event loop once the text widget has been painted.
class TQuitAfterPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && !FPainted) {
            FPainted = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, e);
    }

private:
    bool FPainted = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* text = new QPlainTextEdit(&window);
    TQuitAfterPaint quit;
    text->viewport()->installEventFilter(&quit);
    window.setCentralWidget(text);
    window.resize(1000, 700);
    window.show();
    if (argc > 1) {
        QFile f(QString::fromLocal8Bit(argv[1]));
        if (f.open(QIODevice::ReadOnly)) text->setPlainText(QString::fromUtf8(f.readAll()));
    }
    // a window system that never paints fails the run instead of holding it
    QTimer::singleShot(10000, &app, [&app] { app.exit(3); });
    return app.exec();
}
