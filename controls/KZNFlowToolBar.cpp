#include "KZNFlowToolBar.h"

#include <algorithm>
#include <vector>

#include <QActionEvent>
#include <QLayout>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

// The line between groups of buttons, as tall as the row it stands in.
class TFlowSeparator : public QWidget {
public:
    TFlowSeparator(QAction* Action, QWidget* Parent) : QWidget(Parent), FAction(Action) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    QAction* Action() const { return FAction; }
    QSize sizeHint() const override {
        QStyleOption opt;
        opt.initFrom(this);
        const int extent = style()->pixelMetric(QStyle::PM_ToolBarSeparatorExtent, &opt, this);
        return {extent, extent};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QStyleOption opt;
        opt.initFrom(this);
        opt.state |= QStyle::State_Horizontal;  // the line of a horizontal bar: upright
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarSeparator, &opt, &p, this);
    }

private:
    QAction* FAction;
};

// Items left to right, a new row where the next one would pass the right
// edge; every row as tall as the tallest item.
class TFlowLayout : public QLayout {
public:
    explicit TFlowLayout(QWidget* Parent) : QLayout(Parent) {}
    ~TFlowLayout() override {
        while (QLayoutItem* item = takeAt(0)) delete item;
    }
    void addItem(QLayoutItem* Item) override { FItems.push_back(Item); }
    void insertWidgetAt(int Index, QWidget* W) {
        addChildWidget(W);
        Index = std::clamp(Index, 0, static_cast<int>(FItems.size()));
        FItems.insert(FItems.begin() + Index, new QWidgetItem(W));
        invalidate();
    }
    int count() const override { return static_cast<int>(FItems.size()); }
    QLayoutItem* itemAt(int Index) const override {
        return Index >= 0 && Index < count() ? FItems[static_cast<size_t>(Index)] : nullptr;
    }
    QLayoutItem* takeAt(int Index) override {
        if (Index < 0 || Index >= count()) return nullptr;
        QLayoutItem* item = FItems[static_cast<size_t>(Index)];
        FItems.erase(FItems.begin() + Index);
        return item;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int Width) const override { return Arrange(QRect(0, 0, Width, 0), false).height(); }
    QSize sizeHint() const override {
        // everything on one row
        int w = 0, n = 0;
        for (QLayoutItem* item : FItems)
            if (!item->isEmpty()) {
                w += item->sizeHint().width();
                ++n;
            }
        const QMargins m = contentsMargins();
        return {w + std::max(0, n - 1) * Spacing() + m.left() + m.right(), RowHeight() + m.top() + m.bottom()};
    }
    QSize minimumSize() const override {
        // the widest button alone on a row
        int w = 0;
        for (QLayoutItem* item : FItems)
            if (!item->isEmpty()) w = std::max(w, item->sizeHint().width());
        const QMargins m = contentsMargins();
        return {w + m.left() + m.right(), RowHeight() + m.top() + m.bottom()};
    }
    void setGeometry(const QRect& Rect) override {
        QLayout::setGeometry(Rect);
        Arrange(Rect, true);
    }
    int Rows(int Width) const {
        const int row = RowHeight() + Spacing();
        const QMargins m = contentsMargins();
        return std::max(1, (heightForWidth(Width) - m.top() - m.bottom() + Spacing()) / std::max(1, row));
    }

private:
    int Spacing() const { return std::max(0, spacing()); }
    int RowHeight() const {
        int h = 0;
        for (QLayoutItem* item : FItems)
            if (!item->isEmpty()) h = std::max(h, item->sizeHint().height());
        return h;
    }
    // Places the items in Rect (when Apply); returns the rectangle they take.
    QRect Arrange(const QRect& Rect, bool Apply) const {
        const QRect area = Rect.marginsRemoved(contentsMargins());
        const int rowHeight = RowHeight();
        int x = area.x(), y = area.y();
        bool rowEmpty = true;
        for (QLayoutItem* item : FItems) {
            if (item->isEmpty()) continue;
            const int w = item->sizeHint().width();
            if (!rowEmpty && x + w > area.x() + area.width()) {
                x = area.x();
                y += rowHeight + Spacing();
            }
            if (Apply) item->setGeometry(QRect(x, y, w, rowHeight));
            x += w + Spacing();
            rowEmpty = false;
        }
        const QMargins m = contentsMargins();
        return QRect(Rect.x(), Rect.y(), Rect.width(), y + rowHeight - area.y() + m.top() + m.bottom());
    }

    std::vector<QLayoutItem*> FItems;
};

TFlowLayout* FlowOf(const QWidget* W) { return static_cast<TFlowLayout*>(W->layout()); }

}  // namespace

TKZNFlowToolBar::TKZNFlowToolBar(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new TFlowLayout(this);
    QStyleOption opt;
    opt.initFrom(this);
    // no frame or handle to make room for: the items' margin only
    const int margin = style()->pixelMetric(QStyle::PM_ToolBarItemMargin, &opt, this) + 1;
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(style()->pixelMetric(QStyle::PM_ToolBarItemSpacing, &opt, this));
    // as tall as its rows need at its width (a fixed height would cap it at one row)
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QAction* TKZNFlowToolBar::addSeparator() { return insertSeparator(nullptr); }

QAction* TKZNFlowToolBar::insertSeparator(QAction* Before) {
    auto* a = new QAction(this);
    a->setSeparator(true);
    insertAction(Before, a);
    return a;
}

QWidget* TKZNFlowToolBar::widgetForAction(QAction* Action) const {
    TFlowLayout* layout = FlowOf(this);
    for (int i = 0; i < layout->count(); ++i) {
        QWidget* w = layout->itemAt(i)->widget();
        if (auto* b = qobject_cast<QToolButton*>(w); b && b->defaultAction() == Action) return w;
        if (auto* s = dynamic_cast<TFlowSeparator*>(w); s && s->Action() == Action) return w;
    }
    return nullptr;
}

int TKZNFlowToolBar::RowCount() const { return FlowOf(this)->Rows(width()); }

bool TKZNFlowToolBar::event(QEvent* Event) {
    const QEvent::Type type = Event->type();
    if (type == QEvent::ActionAdded || type == QEvent::ActionRemoved || type == QEvent::ActionChanged) {
        auto* e = static_cast<QActionEvent*>(Event);
        QAction* action = e->action();
        if (type == QEvent::ActionAdded) {
            QWidget* w;
            if (action->isSeparator()) {
                w = new TFlowSeparator(action, this);
            } else {
                auto* b = new QToolButton(this);
                b->setAutoRaise(true);
                b->setFocusPolicy(Qt::NoFocus);
                b->setDefaultAction(action);
                w = b;
            }
            w->setVisible(action->isVisible());
            // one widget per action, in the order of the actions
            FlowOf(this)->insertWidgetAt(static_cast<int>(actions().indexOf(action)), w);
        } else if (QWidget* w = widgetForAction(action)) {
            if (type == QEvent::ActionRemoved)
                delete w;
            else
                w->setVisible(action->isVisible());
        }
        updateGeometry();
    }
    return QWidget::event(Event);
}
