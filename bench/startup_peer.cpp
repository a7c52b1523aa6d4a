// The peer of the start-up benchmark: a plain Qt window that draws what the
// program's first window draws, the plainest way: the same Japanese captions
// (menu bar, main tool bar, the script page's and the result page's tool
// bars, the sheet tabs, the status bar) in the same fonts (IPA P Gothic 9 for
// the window, IPA Gothic 10 for the editors), a script editor and the result
// page's two editors as QPlainTextEdit; shown, filled with a text file's lines
// (when one is given), painted once, then closed.
// Usage: startup_peer [file]
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Ends the event loop once the result editor has been painted.
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

QString U(const char16_t* s) { return QString::fromUtf16(s); }

// A tool bar of text buttons; a null caption is a separator.
QToolBar* Bar(QWidget* parent, std::initializer_list<const char16_t*> captions) {
    auto* bar = new QToolBar(parent);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const char16_t* c : captions) {
        if (c) bar->addAction(U(c));
        else bar->addSeparator();
    }
    return bar;
}

QPlainTextEdit* Editor(QWidget* parent) {
    auto* e = new QPlainTextEdit(parent);
    e->setFont(QFont(QStringLiteral("IPAGothic"), 10));
    return e;
}

// A page: its tool bar over its editors.
QWidget* Page(QToolBar* bar, std::initializer_list<QPlainTextEdit*> editors, QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar->setParent(page);
    layout->addWidget(bar);
    for (QPlainTextEdit* e : editors) {
        e->setParent(page);
        layout->addWidget(e, 1);
    }
    return page;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("IPAPGothic"), 9));
    QMainWindow window;
    window.setWindowTitle(U(u"クライアントフォーム"));
    QMenuBar* menus = window.menuBar();
    for (const char16_t* m : {u"ファイル", u"データベース", u"トランザクション", u"ツール", u"ヘルプ"}) menus->addMenu(U(m));
    window.addToolBar(Bar(&window, {u"接続", u"再接続", nullptr, u"切断", nullptr, u"新しいスクリプトエディタ",
                                    u"スクリプトエディタをクローンコピー", nullptr, u"オートコミット", u"明示コミット",
                                    u"明示ロールバック", nullptr, u"環境設定"}));
    window.statusBar()->addWidget(new QLabel(U(u"未接続"), &window), 1);

    auto* split = new QSplitter(Qt::Vertical, &window);
    auto* scripts = new QTabWidget(split);
    auto* scriptPage = new QWidget(scripts);
    Page(Bar(scriptPage, {u"実行", u"選択範囲を実行", u"実行停止", nullptr, u"クリア", u"履歴に追加保存", u"前の履歴",
                          u"次の履歴", nullptr, u"Rec", u"Exe"}),
         {Editor(scriptPage)}, scriptPage);
    scripts->addTab(scriptPage, QStringLiteral("#0"));
    auto* results = new QTabWidget(split);
    auto* resultPage = new QWidget(results);
    QPlainTextEdit* title = Editor(resultPage);
    title->setMaximumHeight(40);
    QPlainTextEdit* text = Editor(resultPage);
    Page(Bar(resultPage, {u"テキストモード", u"テキストグリッドモード", u"グリッドモード", u"Ｔａｂモード", u"ＳＤＦモード",
                          u"ファイルに保存", u"Excel形式で保存"}),
         {title, text}, resultPage);
    results->addTab(resultPage, QStringLiteral("#0"));
    window.setCentralWidget(split);

    TQuitAfterPaint quit;
    text->viewport()->installEventFilter(&quit);
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
