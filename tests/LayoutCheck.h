// What a person would see wrong in a window laid out at its size: a visible
// widget squeezed below what it needs, one with no width or height, one lying
// (partly) outside the area its parent shows, and a tool bar that hides
// buttons behind its overflow arrow; and a text that runs out of the
// coloured background meant to hold it.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QPushButton>
#include <QCoreApplication>
#include <QImage>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QToolButton>
#include <QWidget>

namespace layoutcheck {

// The smallest size a layout gives the widget (its own minimum size, or what
// its size policy makes of its hints), bounded by its maximum size.
inline QSize NeededSize(const QWidget* W) {
    const QSizePolicy p = W->sizePolicy();
    const QSize hint = W->sizeHint();
    const QSize minHint = W->minimumSizeHint();
    QSize s(0, 0);
    if (p.horizontalPolicy() != QSizePolicy::Ignored)
        s.setWidth(p.horizontalPolicy() & QSizePolicy::ShrinkFlag ? minHint.width()
                                                                   : std::max(hint.width(), minHint.width()));
    if (p.verticalPolicy() != QSizePolicy::Ignored)
        s.setHeight(p.verticalPolicy() & QSizePolicy::ShrinkFlag ? minHint.height()
                                                                  : std::max(hint.height(), minHint.height()));
    // a widget content with less than its minimum hint says so by its size hint (a tab bar without its scroll buttons)
    if (hint.isValid()) s = s.boundedTo(hint);
    // a push button needs room for its text, not the style's usual width of a dialog button
    if (auto* b = qobject_cast<const QPushButton*>(W); b && b->icon().isNull())
        s.setWidth(std::min(s.width(), b->fontMetrics().horizontalAdvance(b->text()) + 12));
    if (W->minimumWidth() > 0) s.setWidth(W->minimumWidth());
    if (W->minimumHeight() > 0) s.setHeight(W->minimumHeight());
    s = s.boundedTo(W->maximumSize()).expandedTo(QSize(0, 0));
    // a widget whose height follows its width (a tool bar that wraps, a wrapped label) needs that
    // height at the width it has, whatever holds it lower; containers of such widgets are judged
    // by their contents
    if (p.hasHeightForWidth()) s.setHeight(std::max(s.height(), W->heightForWidth(W->width())));
    return s;
}

// The widget's place in its window, for the messages: the object names (or
// class names) from the window down.
inline std::string PathOf(const QWidget* W) {
    std::string path;
    for (const QWidget* w = W; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        std::string name = w->objectName().toStdString();
        if (name.empty()) name = w->metaObject()->className();
        path = path.empty() ? name : name + "/" + path;
    }
    return path;
}

// The parts a combo box or spin box lays out itself (its line edit) follow its own rules.
inline bool IsInnerPart(const QWidget* W) {
    const QWidget* parent = W->parentWidget();
    return qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent);
}

inline std::string SizeText(QSize S) { return std::to_string(S.width()) + "x" + std::to_string(S.height()); }

// Scrolled contents may lie beyond their viewport: that is what scrolling is for.
inline bool IsScrolledContents(const QWidget* W) {
    const QWidget* parent = W->parentWidget();
    auto* area = parent ? qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()) : nullptr;
    return area && area->viewport() == parent;
}

// Every fault of Window's visible widgets, one line each; empty when the
// window looks right. The window is laid out first.
inline std::vector<std::string> Faults(QWidget* Window) {
    QCoreApplication::processEvents();
    std::vector<std::string> faults;
    if (Window->width() <= 0 || Window->height() <= 0) faults.push_back(PathOf(Window) + ": the window has no size");
    for (QWidget* w : Window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(Window) || w->isWindow() || IsInnerPart(w)) continue;
        const std::string path = PathOf(w);
        if (w->width() <= 0 || w->height() <= 0) {
            faults.push_back(path + ": " + SizeText(w->size()) + ", nothing of it shows");
            continue;
        }
        const QSize need = NeededSize(w);
        if (w->width() < need.width() || w->height() < need.height())
            faults.push_back(path + ": " + SizeText(w->size()) + ", smaller than the " + SizeText(need) + " it needs");
        if (!IsScrolledContents(w) && !w->parentWidget()->rect().contains(w->geometry()))
            faults.push_back(path + ": at " + std::to_string(w->x()) + "," + std::to_string(w->y()) + " " +
                             SizeText(w->size()) + ", outside the " + SizeText(w->parentWidget()->size()) +
                             " its parent shows");
        if (auto* bar = qobject_cast<QToolBar*>(w)) {
            auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
            if (more && more->isVisibleTo(Window))
                faults.push_back(path + ": buttons hidden behind the overflow arrow");
        }
    }
    return faults;
}

// The captions of a tree's items in view that are cut (drawn with "…"):
// the text, its icon and the item's margins are wider than its cell.
inline std::vector<std::string> CutCaptions(QTreeWidget* Tree) {
    std::vector<std::string> cut;
    const QRect view = Tree->viewport()->rect();
    const QFontMetrics fm(Tree->font());
    for (QTreeWidgetItemIterator it(Tree); *it; ++it) {
        QTreeWidgetItem* item = *it;
        const QRect cell = Tree->visualItemRect(item);
        if (!cell.isValid() || !view.intersects(cell)) continue;  // folded away or scrolled out of view
        const int icon = item->icon(0).isNull() ? 0 : Tree->iconSize().width() + 4;
        const int need = icon + fm.horizontalAdvance(item->text(0)) + 8;
        if (std::min(cell.right(), view.right()) - cell.left() + 1 < need) cut.push_back(item->text(0).toStdString());
    }
    return cut;
}

// Where the pixels of colour Band lie in Picture (one band, as behind a
// highlighted word), the text drawn on it must end within it: a dark pixel in
// the Margin columns just left or right of the band, on the band's rows, is
// text running out of it. Empty when it does not (or there is no band).
inline std::string TextOutsideBand(const QImage& Picture, QRgb Band, int Margin = 3) {
    const QImage image = Picture.convertToFormat(QImage::Format_RGB32);
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (Band & 0xffffff)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0) return std::string();
    for (int y = top; y <= bottom; ++y)
        for (int x = std::max(0, left - Margin); x < std::min(image.width(), right + 1 + Margin); ++x) {
            if (x >= left && x <= right) continue;
            if (qGray(image.pixel(x, y)) < 128)
                return "text at " + std::to_string(x) + "," + std::to_string(y) + " runs out of its background (" +
                       std::to_string(left) + ".." + std::to_string(right) + ")";
        }
    return std::string();
}

}  // namespace layoutcheck
