// The editor control against a plain QPlainTextEdit on the same text:
// loading a long text, jumping to the end and painting, paging down, select
// all and copy, typing into the middle of a 10 MB line, and the paint cost of
// one frame against the number of visible rows.
//
//   editor_view_bench <lines> <long line bytes> [pages]
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "CP932Qt.h"
#include "Editor.h"
#include "QtMessages.h"

namespace {
using Clock = std::chrono::steady_clock;

double Ms(std::function<void()> f) {
    auto t0 = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

std::string MakeText(int lines) {
    std::string t;
    t.reserve(static_cast<size_t>(lines) * 64);
    char buf[160];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(buf, sizeof buf, "SELECT col_%d, '\x83\x65\x83\x4c\x83\x58\x83\x67', %d FROM tab_%d;\r\n", i, i * 7,
                      i % 97);
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

void Row(const char* what, double ours, double peer) {
    std::printf("%-44s %12.2f ms %12.2f ms %8.2fx\n", what, ours, peer, ours > 0 ? peer / ours : 0.0);
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int longBytes = argc > 2 ? std::atoi(argv[2]) : 10 * 1024 * 1024;
    const int pageCount = argc > 3 ? std::atoi(argv[3]) : 1000;

    const std::string text = MakeText(lines);
    const QString qtext = cp932::ToQString(text);
    std::printf("text: %d lines, %.1f MB; long line: %.1f MB\n", lines, text.size() / 1048576.0, longBytes / 1048576.0);
    std::printf("%-44s %15s %15s %9s\n", "", "TEditor", "QPlainTextEdit", "ratio");

    TEditor* ed = MakeEditor<TEditor>();
    ed->resize(800, 600);
    ed->show();
    QApplication::setActiveWindow(ed);
    ed->setFocus();
    QPlainTextEdit peer;
    peer.setLineWrapMode(QPlainTextEdit::NoWrap);
    peer.setFont(ed->font());
    peer.resize(800, 600);
    peer.show();
    QApplication::processEvents();

    Row("load the text", Ms([&] { ed->Lines().SetText(text); }), Ms([&] { peer.setPlainText(qtext); }));
    QApplication::processEvents();

    // Jumping to the end: right after loading (the parser's states are
    // computed from the top), and once the text has stood idle long enough for
    // the editor to save its parser checkpoints (both sides get the same idle
    // time), at three sizes.
    auto jump = [&](QWidget* w, QWidget* vp) {
        Focus(w);
        SendKey(w, Qt::Key_Home, Qt::ControlModifier);
        return Ms([&] {
            SendKey(w, Qt::Key_End, Qt::ControlModifier);
            vp->repaint();
        });
    };
    auto fresh = [&](std::string_view t) {
        TEditor* e = MakeEditor<TEditor>();
        e->resize(800, 600);
        e->show();
        e->Lines().SetText(t);
        QApplication::processEvents();
        return e;
    };
    for (int size : {lines / 16, lines / 4, lines}) {
        if (size <= 0) continue;
        const bool whole = size == lines;
        size_t cut = 0;
        for (int i = 0; i < size; ++i) cut = text.find('\n', cut) + 1;
        const std::string_view part = std::string_view(text).substr(0, cut);
        QPlainTextEdit* p = whole ? &peer : new QPlainTextEdit;
        if (!whole) {
            p->setLineWrapMode(QPlainTextEdit::NoWrap);
            p->setFont(ed->font());
            p->resize(800, 600);
            p->show();
            p->setPlainText(cp932::ToQString(part));
        }
        // right after loading: the states are computed from the top
        TEditor* c = whole ? ed : fresh(part);
        double cold = jump(c, c->viewport());
        if (!whole) delete c;
        // another editor with the same text, after the idle time it takes to save
        // its checkpoints (the peer stands idle as long)
        TEditor* e = fresh(part);
        auto t0 = Clock::now();
        while (e->Store().StateCheckpointCount() * TEditorScreenStrings::kStateCheckpointRows < e->RowCount())
            QApplication::processEvents();
        double idle = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        double ours = jump(e, e->viewport());
        double theirs = jump(p, p->viewport());
        std::string label = "jump to the end and paint, " + std::to_string(size) + " lines";
        Row(label.c_str(), ours, theirs);
        std::printf("  right after loading: TEditor %.2f ms; idle time to save its checkpoints %.1f ms\n", cold, idle);
        delete e;
        if (!whole) delete p;
    }
    std::printf("  top row after the jump: TEditor %d\n", ed->TopRow());
    Focus(ed);
    SendKey(ed, Qt::Key_Home, Qt::ControlModifier);
    Focus(&peer);
    SendKey(&peer, Qt::Key_Home, Qt::ControlModifier);
    Focus(ed);
    const int pages = std::max(1, pageCount);
    double oursPages = Ms([&] {
        for (int i = 0; i < pages; ++i) {
            SendKey(ed, Qt::Key_PageDown);
            ed->viewport()->repaint();
        }
    });
    Focus(&peer);
    double peerPages = Ms([&] {
        for (int i = 0; i < pages; ++i) {
            SendKey(&peer, Qt::Key_PageDown);
            peer.viewport()->repaint();
        }
    });
    std::string label = "page down " + std::to_string(pages) + " times, painting each";
    Row(label.c_str(), oursPages, peerPages);
    std::printf("  rows reached: TEditor %d, QPlainTextEdit %d\n", ed->Row(), peer.textCursor().blockNumber());

    Row("select all and copy", Ms([&] {
            ed->SelectAll();
            ed->CopyToClipboard();
        }),
        Ms([&] {
            peer.selectAll();
            peer.copy();
        }));
    ed->CleanSelection();
    QApplication::clipboard()->clear();

    // typing in the middle of the long text
    {
        ed->SetRowCol(lines / 2, 10);
        QTextCursor c(peer.document()->findBlockByNumber(lines / 2));
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
        peer.setTextCursor(c);
        QApplication::processEvents();
        const int keys = 50;
        double worstOurs = 0, worstPeer = 0;
        auto type = [&](QWidget* w, QWidget* vp, double& worst) {
            Focus(w);
            return Ms([&] {
                       for (int i = 0; i < keys; ++i) {
                           auto t0 = Clock::now();
                           SendKey(w, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
                           vp->repaint();
                           worst = std::max(worst, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
                       }
                   }) /
                   keys;
        };
        double o = type(ed, ed->viewport(), worstOurs);
        double p = type(&peer, peer.viewport(), worstPeer);
        Row("one keystroke, middle of the text (mean)", o, p);
        Row("one keystroke, middle of the text (worst)", worstOurs, worstPeer);
    }

    // the paint cost of one frame against the visible rows, in the middle of the text
    ed->SetRowCol(lines / 2, 0);
    ed->SetTopRow(lines / 2);
    {
        QTextCursor c(peer.document()->findBlockByNumber(lines / 2));
        peer.setTextCursor(c);
        peer.verticalScrollBar()->setValue(lines / 2);
    }
    std::printf("\npaint of one frame (average of 20) against visible rows, from row %d:\n", ed->TopRow());
    std::printf("%8s %14s %14s %14s %9s\n", "rows", "TEditor", "per row", "QPlainTextEdit", "ratio");
    for (int h : {150, 300, 600, 1200}) {
        ed->resize(800, h);
        peer.resize(800, h);
        QApplication::processEvents();
        const int frames = 20;
        double o = Ms([&] {
                       for (int i = 0; i < frames; ++i) ed->viewport()->repaint();
                   }) / frames;
        double p = Ms([&] {
                       for (int i = 0; i < frames; ++i) peer.viewport()->repaint();
                   }) / frames;
        std::printf("%8d %11.3f ms %11.4f ms %11.3f ms %8.2fx\n", ed->VisibleRows(), o, o / ed->VisibleRows(), p,
                    o > 0 ? p / o : 0.0);
    }
    // the same frame at the top of a text of one row: the cost does not grow with the text
    {
        TEditor* small = MakeEditor<TEditor>();
        small->resize(800, 600);
        small->show();
        small->Lines().SetText(text.substr(0, std::min<size_t>(text.size(), 60 * 64)));
        small->SetTopRow(0);
        ed->resize(800, 600);
        QApplication::processEvents();
        double big = Ms([&] {
                         for (int i = 0; i < 20; ++i) ed->viewport()->repaint();
                     }) / 20;
        double little = Ms([&] {
                            for (int i = 0; i < 20; ++i) small->viewport()->repaint();
                        }) / 20;
        std::printf("frame of %d rows: in a %d-row text %.3f ms, in a 60-row text %.3f ms (ratio %.2f)\n", ed->VisibleRows(),
                    ed->RowCount(), big, little, little > 0 ? big / little : 0.0);
        delete small;
    }

    // typing into the middle of a long line
    {
        std::string longLine;
        longLine.reserve(static_cast<size_t>(longBytes));
        while (static_cast<int>(longLine.size()) < longBytes) longLine += "abcdefghij\x82\xa0\x82\xa2 ";
        longLine.resize(static_cast<size_t>(longBytes));
        ed->Lines().SetText(longLine);
        peer.setPlainText(cp932::ToQString(longLine));
        QApplication::processEvents();
        // the caret reaches column 8192 at most: type in the middle of that reach
        ed->SetRowCol(0, 4096);
        QTextCursor c = peer.textCursor();
        c.setPosition(peer.document()->characterCount() / 2);
        peer.setTextCursor(c);
        // Both sides type under the same rule: up to `keys` keys, each measured
        // with its repaint, stopping once the keys typed have used
        // keys x kKeyBudgetMs in all. The mean and worst are over the keys typed.
        constexpr double kKeyBudgetMs = 50;
        const int keys = std::max(2, pageCount / 20);
        struct Typed {
            int Keys = 0;
            double Total = 0, Worst = 0;
        };
        auto typeInto = [&](QWidget* w, QWidget* vp) {
            Focus(w);
            Typed t;
            while (t.Keys < keys && t.Total < keys * kKeyBudgetMs) {
                double k = Ms([&] {
                    SendKey(w, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
                    vp->repaint();
                });
                ++t.Keys;
                t.Total += k;
                t.Worst = std::max(t.Worst, k);
            }
            return t;
        };
        const Typed ours = typeInto(ed, ed->viewport());
        const Typed theirs = typeInto(&peer, peer.viewport());
        std::printf("\n");
        Row("one keystroke into a long line (mean)", ours.Total / ours.Keys, theirs.Total / theirs.Keys);
        Row("one keystroke into a long line (worst)", ours.Worst, theirs.Worst);
        std::printf("  keys typed within %d x %.0f ms: TEditor %d, QPlainTextEdit %d\n", keys, kKeyBudgetMs, ours.Keys,
                    theirs.Keys);
        std::printf("  line length after typing: TEditor %zu bytes\n", ed->RowText(0).size());
    }
    delete ed;
    return 0;
}
