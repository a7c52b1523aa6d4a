// A shown, focused editor for the view tests, with keys, characters, mouse
// and input-method events sent the way the platform delivers them.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <memory>
#include <string>
#include <string_view>

#include "CP932Qt.h"
#include "Editor.h"
#include "QtTestApp.h"
#include "TestUtil.h"

namespace viewtest {

inline void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &release);
}

// Typed text, one key per character (UTF-8 source text).
inline void Type(QWidget* w, const QString& text) {
    for (QChar c : text) Key(w, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : 0, Qt::NoModifier, QString(c));
}

inline void Mouse(TEditor* e, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QPointF global = e->viewport()->mapToGlobal(QPointF(pos));
    QMouseEvent ev(type, QPointF(pos), global, type == QEvent::MouseMove ? Qt::NoButton : button, buttons, mods);
    QApplication::sendEvent(e->viewport(), &ev);
}

// The viewport point of the middle of a cell, or of its left or right edge.
inline QPoint Cell(TEditor* e, int row, int col, int dx = 0) {
    int x = e->GetTextLeft() + (col - e->TopCol()) * e->ColWidth() + e->ColWidth() / 2 + dx;
    int y = e->GetTextTop() + (row - e->TopRow()) * e->RowHeight() + e->RowHeight() / 2;
    return QPoint(x, y);
}

inline void Commit(QWidget* w, const QString& commit, const QString& preedit = QString()) {
    QList<QInputMethodEvent::Attribute> attrs;
    QInputMethodEvent ev(preedit, attrs);
    ev.setCommitString(commit);
    QApplication::sendEvent(w, &ev);
}

inline std::string ClipText() { return cp932::FromQString(QApplication::clipboard()->text()); }
inline bool ClipIsBox() {
    const QMimeData* m = QApplication::clipboard()->mimeData();
    return m && m->hasFormat(QStringLiteral("TEditor Box Type"));
}
inline void SetClip(const QString& text) { QApplication::clipboard()->setText(text); }

// The row texts joined by "|" (attribute: "/" line break, "~" wrapped, "$" end of text).
inline std::string Rows(TEditor* e) {
    std::string s;
    for (int r = 0; r < e->RowCount(); ++r) {
        if (r) s += "|";
        s += e->RowText(r);
        int a = e->RowAttribute(r);
        s += a == 0 ? "/" : a == 1 ? "~" : "$";
    }
    return s;
}

struct ViewFixture : testutil::WithApp, ::testing::Test {
    std::unique_ptr<TEditor> E;
    ViewFixture() { E.reset(MakeEditor<TEditor>()); }
    void ShowFocused(int w = 480, int h = 320) {
        E->resize(w, h);
        E->show();
        QApplication::setActiveWindow(E.get());
        E->activateWindow();
        E->setFocus();
        QApplication::processEvents();
    }
    void SetText(const std::string& t) { E->Lines().SetText(t); }
    std::string Text() { return E->Lines().GetText(); }
    void Caret(int row, int col) { E->SetRowCol(row, col); }
    void K(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { Key(E.get(), key, mods); }
    QImage Grab() { return E->viewport()->grab().toImage(); }
};

// A plain search routine for the tests: exact bytes, forward after the
// current match, backward before the start.
inline bool PlainSearch(std::string_view Buffer, int& Start, int& Length, std::string_view Pattern, uint16_t Options) {
    if (Pattern.empty() || Buffer.empty()) return false;
    size_t pos;
    if (Options & soForward) {
        pos = Buffer.find(Pattern, static_cast<size_t>(Start + Length));
    } else {
        int from = Start - static_cast<int>(Pattern.size());
        if (from < 0) return false;
        pos = Buffer.rfind(Pattern, static_cast<size_t>(from));
    }
    if (pos == std::string_view::npos) return false;
    Start = static_cast<int>(pos);
    Length = static_cast<int>(Pattern.size());
    return true;
}

}  // namespace viewtest
