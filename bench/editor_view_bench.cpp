// The editor control against a plain QPlainTextEdit on the same text
// (offscreen), each side in a process of its own in every run, the sides
// taking turns: opening a file, Ctrl+End right after opening it (the editor
// has computed the parser's states of the first screens only) and again,
// Ctrl+End after both sides stood idle as long, paging down, select all and
// copy, typing in the middle of the text, the paint of one frame against the
// rows visible, and typing into the middle of one long line. A second text
// holds a block comment opened on its second row and closed near its end: the
// editor colours it with a bracket pair, the peer with a QSyntaxHighlighter of
// the same comments.
//
//   editor_view_bench smoke|full [runs]
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextBlock>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "CP932Qt.h"
#include "Editor.h"
#include "EditorParser.h"
#include "FileSystem.h"
#include "QtMessages.h"

namespace {

void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

// About 50 bytes a line of SQL with a Japanese literal; with Comment, a block
// comment opens on row 1 and closes ten rows before the end.
std::string MakeText(int lines, bool comment) {
    std::string t;
    t.reserve(static_cast<size_t>(lines) * 56);
    char buf[160];
    for (int i = 0; i < lines; ++i) {
        if (comment && i == 1) t += "/* a comment that runs almost to the end\r\n";
        if (comment && i == lines - 10) t += "the comment ends here */ select 1;\r\n";
        std::snprintf(buf, sizeof buf, "SELECT col_%d, '\x83\x65\x83\x4c\x83\x58\x83\x67', %d FROM tab_%d;\r\n", i,
                      i * 7, i % 97);
        t += buf;
    }
    return t;
}

// Keys go to the focused widget of the active window, as they do on a desktop.
void Focus(QWidget* w) {
    QApplication::setActiveWindow(w);
    w->activateWindow();
    w->setFocus();
    QApplication::processEvents();
}

void Push(std::vector<double>& v, const bench::Sample& s) {
    v.push_back(s.Wall);
    v.push_back(s.Cpu);
}

// Both sides stand idle as long: pending events are processed for Ms milliseconds.
void Idle(int Ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The block comments /* ... */ of the peer, coloured as the editor colours them.
class TCommentHighlighter : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString& text) override {
        QTextCharFormat f;
        f.setBackground(Qt::green);
        setCurrentBlockState(0);
        int start = previousBlockState() == 1 ? 0 : static_cast<int>(text.indexOf(QStringLiteral("/*")));
        while (start >= 0) {
            const int end = static_cast<int>(text.indexOf(QStringLiteral("*/"), start));
            int len;
            if (end < 0) {
                setCurrentBlockState(1);
                len = static_cast<int>(text.size()) - start;
            } else {
                len = end - start + 2;
            }
            setFormat(start, len, f);
            start = static_cast<int>(text.indexOf(QStringLiteral("/*"), start + len));
        }
    }
};

// One side: the widget, how it opens a file, and its viewport.
struct TSide {
    QWidget* W = nullptr;
    QWidget* Viewport = nullptr;
    std::function<void(const std::string&)> Open;
};

struct TOurs : TSide {
    TEditor* E;
    std::unique_ptr<TEditorFountain> Comments;
    explicit TOurs(bool comments) {
        E = MakeEditor<TEditor>();
        if (comments) {
            Comments = MakeObject<TEditorFountain>();
            auto* b = Comments->Brackets().Add();
            b->SetLeftBracket("/*");
            b->SetRightBracket("*/");
            b->ItemColor().SetBkColor(clLime);
            E->SetFountain(Comments.get());
        }
        E->resize(800, 600);
        E->show();
        W = E;
        Viewport = E->viewport();
        Open = [this](const std::string& path) {
            E->Lines().LoadFromFile(path);
            E->viewport()->repaint();
        };
    }
    ~TOurs() {
        E->SetFountain(nullptr);
        delete E;
    }
};

struct TPeer : TSide {
    QPlainTextEdit P;
    std::unique_ptr<TCommentHighlighter> H;
    TPeer(const QFont& font, bool comments) {
        P.setLineWrapMode(QPlainTextEdit::NoWrap);
        P.setFont(font);
        P.resize(800, 600);
        P.show();
        if (comments) H = std::make_unique<TCommentHighlighter>(P.document());
        W = &P;
        Viewport = P.viewport();
        Open = [this](const std::string& path) {
            std::string bytes;
            fs932::ReadFile(path, bytes);
            P.setPlainText(cp932::ToQString(bytes));
            P.viewport()->repaint();
        };
    }
};

// Ctrl+End and the repaint. Right after opening nothing runs between the
// open and the key (the widget has had the focus since before the open): no
// event is processed, so no idle work of either side happens in between.
bench::Sample Jump(TSide& s, bool focus = true) {
    if (focus) Focus(s.W);
    return bench::Measure([&] {
        SendKey(s.W, Qt::Key_End, Qt::ControlModifier);
        s.Viewport->repaint();
    });
}

void Home(TSide& s) {
    Focus(s.W);
    SendKey(s.W, Qt::Key_Home, Qt::ControlModifier);
    s.Viewport->repaint();
}

// One side's editor, ours or the peer's, shown (a QApplication must exist).
struct TMadeSide {
    std::unique_ptr<TOurs> O;
    std::unique_ptr<TPeer> P;
    TSide* S = nullptr;
};
TMadeSide MakeSide(bool ours, bool comments) {
    TMadeSide m;
    if (ours) {
        m.O = std::make_unique<TOurs>(comments);
        m.S = m.O.get();
    } else {
        m.P = std::make_unique<TPeer>(EditorDefaultFont(), comments);
        m.S = m.P.get();
    }
    return m;
}

// Opens the file and jumps to its end twice; with All, the rest of the cases
// of a long text. Figures: see main.
std::vector<double> OpenAndUse(bool ours, const std::string& path, int lines, int pages, bool all) {
    int argc = 1;
    char arg0[] = "editor_view_bench";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    TMadeSide made = MakeSide(ours, false);
    TSide* s = made.S;
    TOurs* o = made.O.get();
    TPeer* p = made.P.get();
    QApplication::processEvents();
    Focus(s->W);
    std::vector<double> v;
    Push(v, bench::Measure([&] { s->Open(path); }));
    Push(v, Jump(*s, false));  // right after opening
    Home(*s);
    Push(v, Jump(*s));  // again
    if (!all) return v;
    // page down from the top, twice
    for (int pass = 0; pass < 2; ++pass) {
        Home(*s);
        Push(v, bench::Measure([&] {
            for (int i = 0; i < pages; ++i) {
                SendKey(s->W, Qt::Key_PageDown);
                s->Viewport->repaint();
            }
        }));
    }
    const double rowReached = ours ? o->E->Row() : p->P.textCursor().blockNumber();
    for (int pass = 0; pass < 2; ++pass) {
        Push(v, bench::Measure([&] {
            if (ours) {
                o->E->SelectAll();
                o->E->CopyToClipboard();
            } else {
                p->P.selectAll();
                p->P.copy();
            }
        }));
        if (ours) o->E->CleanSelection();
        else {
            QTextCursor c = p->P.textCursor();
            c.clearSelection();
            p->P.setTextCursor(c);
        }
        QApplication::clipboard()->clear();
    }
    // typing in the middle of the text: 50 keys, twice (mean per key; the worst key)
    if (ours) {
        o->E->SetRowCol(lines / 2, 10);
    } else {
        QTextCursor c(p->P.document()->findBlockByNumber(lines / 2));
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
        p->P.setTextCursor(c);
    }
    Focus(s->W);
    double worst[2] = {0, 0};
    for (int pass = 0; pass < 2; ++pass) {
        const int keys = 50;
        bench::Sample sum;
        for (int i = 0; i < keys; ++i) {
            const bench::Sample k = bench::Measure([&] {
                SendKey(s->W, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
                s->Viewport->repaint();
            });
            sum.Wall += k.Wall / keys;
            sum.Cpu += k.Cpu / keys;
            worst[pass] = std::max(worst[pass], k.Wall);
        }
        Push(v, sum);
    }
    v.push_back(worst[0]);
    v.push_back(worst[1]);
    // the paint of one frame in the middle of the text against the rows visible:
    // the first frame at each height, then the mean of 20
    if (ours) {
        o->E->SetRowCol(lines / 2, 0);
        o->E->SetTopRow(lines / 2);
    } else {
        p->P.setTextCursor(QTextCursor(p->P.document()->findBlockByNumber(lines / 2)));
        p->P.verticalScrollBar()->setValue(lines / 2);
    }
    for (int h : {150, 300, 600, 1200}) {
        s->W->resize(800, h);
        QApplication::processEvents();
        Push(v, bench::Measure([&] { s->Viewport->repaint(); }));
        bench::Sample m = bench::Measure([&] {
            for (int i = 0; i < 20; ++i) s->Viewport->repaint();
        });
        m.Wall /= 20;
        m.Cpu /= 20;
        Push(v, m);
    }
    s->W->resize(800, 600);
    QApplication::processEvents();
    // the file opened again in the same process
    Push(v, bench::Measure([&] { s->Open(path); }));
    v.push_back(rowReached);
    v.push_back(ours ? o->E->VisibleRows() : 0);
    return v;
}

// Opens the file, stands idle for IdleMs, then jumps to the end.
std::vector<double> AfterIdle(bool ours, const std::string& path, int IdleMs, bool comments) {
    int argc = 1;
    char arg0[] = "editor_view_bench";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    TMadeSide made = MakeSide(ours, comments);
    TSide* s = made.S;
    TOurs* o = made.O.get();
    QApplication::processEvents();
    Focus(s->W);
    std::vector<double> v;
    Push(v, bench::Measure([&] { s->Open(path); }));
    if (IdleMs > 0) Idle(IdleMs);
    Push(v, Jump(*s, IdleMs > 0));
    Home(*s);
    Push(v, Jump(*s));
    double done = -1;
    if (ours)
        done = std::min(1.0, double(o->E->Store().StateCheckpointCount()) * TEditorScreenStrings::kStateCheckpointRows /
                                 std::max(1, o->E->RowCount()));
    v.push_back(done);
    return v;
}

// Typing into the middle of one long line: the first key, then up to Keys more
// within Keys x 50 ms (mean and worst).
std::vector<double> LongLine(bool ours, int bytes, int keys) {
    int argc = 1;
    char arg0[] = "editor_view_bench";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    std::string line;
    line.reserve(static_cast<size_t>(bytes));
    while (static_cast<int>(line.size()) < bytes) line += "abcdefghij\x82\xa0\x82\xa2 ";
    line.resize(static_cast<size_t>(bytes));
    std::unique_ptr<TOurs> o;
    std::unique_ptr<TPeer> p;
    TSide* s;
    if (ours) {
        o = std::make_unique<TOurs>(false);
        o->E->Lines().SetText(line);
        o->E->SetRowCol(0, 4096);  // the caret reaches column 8192 at most: the middle of that reach
        s = o.get();
    } else {
        p = std::make_unique<TPeer>(EditorDefaultFont(), false);
        p->P.setPlainText(cp932::ToQString(line));
        QTextCursor c = p->P.textCursor();
        c.setPosition(p->P.document()->characterCount() / 2);
        p->P.setTextCursor(c);
        s = p.get();
    }
    QApplication::processEvents();
    Focus(s->W);
    auto key = [&] {
        return bench::Measure([&] {
            SendKey(s->W, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
            s->Viewport->repaint();
        });
    };
    std::vector<double> v;
    Push(v, key());
    bench::Sample sum;
    double worst = 0;
    int typed = 0;
    constexpr double kKeyBudgetMs = 50;
    while (typed < keys && sum.Wall < keys * kKeyBudgetMs) {
        const bench::Sample k = key();
        sum.Wall += k.Wall;
        sum.Cpu += k.Cpu;
        worst = std::max(worst, k.Wall);
        ++typed;
    }
    Push(v, {sum.Wall / std::max(1, typed), sum.Cpu / std::max(1, typed)});
    v.push_back(worst);
    v.push_back(typed);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "smoke") == 0;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const int lines = smoke ? 10000 : 1000000;
    const int longBytes = smoke ? 65536 : 10 * 1024 * 1024;
    const int pages = smoke ? 20 : 1000;
    const int idleMs = smoke ? 200 : 2000;
    qtmessages::DropPlatformNoise();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    bench::TempFolder tmp("zintavor-editor-view");
    const std::vector<int> sizes = {lines / 16, lines / 4, lines};
    std::vector<std::string> files;
    for (int n : sizes) {
        files.push_back(tmp.Path + "text_" + std::to_string(n) + ".sql");
        if (!fs932::WriteFileAtomic(files.back(), MakeText(n, false))) return 2;
    }
    const std::string commentFile = tmp.Path + "comment.sql";
    if (!fs932::WriteFileAtomic(commentFile, MakeText(lines, true))) return 2;

    bench::Table table("editor view: TEditor against a plain QPlainTextEdit (offscreen, no wrap, the same font, 800 x 600),\n"
                       "  a CP932 file of " + std::to_string(lines) + " lines of about 50 bytes; cold: the first time in "
                       "a fresh process (open the\n  file, then Ctrl+End right after opening it); warm: the same again "
                       "in that process",
                       runs, smoke);
    auto Ours = [&](const std::vector<std::vector<double>>& r, size_t at) { return bench::SeriesOf("TEditor", r, at); };
    auto Peer = [&](const std::vector<std::vector<double>>& r, size_t at) {
        return bench::SeriesOf("QPlainTextEdit", r, at);
    };
    auto both = [&](const std::string& kase, const std::vector<std::vector<std::vector<double>>>& r, size_t at) {
        const bench::Series o = Ours(r[0], at), p = Peer(r[1], at);
        table.Case(kase, o, {&p});
    };

    // the smaller sizes: open and Ctrl+End
    for (size_t k = 0; k + 1 < sizes.size(); ++k) {
        const auto r = bench::TakeTurns(runs, {[&] { return OpenAndUse(true, files[k], sizes[k], pages, false); },
                                               [&] { return OpenAndUse(false, files[k], sizes[k], pages, false); }});
        const std::string n = std::to_string(sizes[k]) + " rows";
        both("open, cold, " + n, r, 0);
        both("Ctrl+End cold, " + n, r, 2);
        both("Ctrl+End warm, " + n, r, 4);
    }
    const auto r = bench::TakeTurns(runs, {[&] { return OpenAndUse(true, files.back(), lines, pages, true); },
                                           [&] { return OpenAndUse(false, files.back(), lines, pages, true); }});
    const std::string n = std::to_string(lines) + " lines";
    both("open, cold, " + std::to_string(lines) + " rows", r, 0);
    both("open again, warm", r, 36);
    both("Ctrl+End after open, cold", r, 2);
    both("Ctrl+End again, warm", r, 4);
    both(std::to_string(pages) + " page downs, cold", r, 6);
    both(std::to_string(pages) + " page downs, warm", r, 8);
    both("select all + copy, cold", r, 10);
    both("select all + copy, warm", r, 12);
    both("a key in the middle, cold", r, 14);
    both("a key in the middle, warm", r, 16);
    char note[240];
    std::snprintf(note, sizeof note,
                  "a key in the middle: mean of 50 keys with their repaint; worst key (median over the runs): "
                  "TEditor %.2f / %.2f ms, QPlainTextEdit %.2f / %.2f ms (cold / warm)",
                  bench::MedianOf(r[0], 18), bench::MedianOf(r[0], 19), bench::MedianOf(r[1], 18),
                  bench::MedianOf(r[1], 19));
    table.Note(note);
    std::snprintf(note, sizeof note, "rows reached by the page downs: TEditor %.0f, QPlainTextEdit %.0f",
                  bench::MedianOf(r[0], 38), bench::MedianOf(r[1], 38));
    table.Note(note);
    size_t at = 20;
    for (int h : {150, 300, 600, 1200}) {
        const std::string kase = "frame of " + std::to_string(h) + " px";
        both(kase + ", cold", r, at);
        both(kase + ", warm", r, at + 2);
        at += 4;
    }
    table.Note("frame of h px: the first frame in the middle of the text at that height (cold), then the mean of 20 "
               "(warm); 600 px shows " + std::to_string(int(bench::MedianOf(r[0], 39))) + " rows");

    // after standing idle: both sides get the same idle time before Ctrl+End
    const auto idle = bench::TakeTurns(runs, {[&] { return AfterIdle(true, files.back(), idleMs, false); },
                                              [&] { return AfterIdle(false, files.back(), idleMs, false); }});
    both("Ctrl+End, " + std::to_string(idleMs) + " ms idle", idle, 2);
    std::snprintf(note, sizeof note, "share of the text whose parser states TEditor saved while idle: %.0f%%",
                  100 * bench::MedianOf(idle[0], 6));
    table.Note(note);

    // block comments: the editor's bracket pair against a QSyntaxHighlighter
    const auto com = bench::TakeTurns(runs, {[&] { return AfterIdle(true, commentFile, 0, true); },
                                             [&] { return AfterIdle(false, commentFile, 0, true); }});
    both("comments: open, cold", com, 0);
    both("comments: Ctrl+End, cold", com, 2);
    both("comments: Ctrl+End, warm", com, 4);
    table.Note("comments: a /* ... */ comment from row 1 to ten rows before the end, coloured by a bracket pair "
               "(TEditor) and by a QSyntaxHighlighter (QPlainTextEdit)");

    // typing into the middle of one long line
    const int keys = std::max(2, pages / 50);
    const auto ll = bench::TakeTurns(runs, {[&] { return LongLine(true, longBytes, keys); },
                                            [&] { return LongLine(false, longBytes, keys); }});
    const std::string kb = std::to_string(longBytes / 1024) + " KB row";
    both("key in " + kb + ", cold", ll, 0);
    both("key in " + kb + ", warm", ll, 2);
    std::snprintf(note, sizeof note,
                  "key in a long row: warm is the mean of up to %d more keys within %d x 50 ms (typed: TEditor "
                  "%.0f, QPlainTextEdit %.0f; worst %.1f / %.1f ms)",
                  keys, keys, bench::MedianOf(ll[0], 5), bench::MedianOf(ll[1], 5), bench::MedianOf(ll[0], 4),
                  bench::MedianOf(ll[1], 4));
    table.Note(note);
    table.Aim("Ctrl+End right after opening " + n + ": the key answered and painted within 100 ms, and open + "
              "Ctrl+End well under the peer's");
    return 0;
}
