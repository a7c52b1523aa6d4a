// The peer of the start-up benchmark: a plain Qt window with a text widget,
// shown, filled with a text file's lines (when one is given), then closed.
// Usage: startup_peer [file]
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    auto* text = new QPlainTextEdit(&window);
    window.setCentralWidget(text);
    window.resize(1000, 700);
    window.show();
    if (argc > 1) {
        QFile f(QString::fromLocal8Bit(argv[1]));
        if (f.open(QIODevice::ReadOnly)) text->setPlainText(QString::fromUtf8(f.readAll()));
    }
    QTimer::singleShot(0, &app, [&] { app.quit(); });
    return app.exec();
}
