#include "KZNFlowToolBar.h"

#include <algorithm>
#include <vector>

#include <QActionEvent>
#include <QApplication>
#include <QFont>
#include <QHash>
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

// The widget of an action on the bar: a flat tool button, or a separator
// line. Made hidden.
QWidget* MakeActionWidget(QAction* Action, QWidget* Bar) {
    if (Action->isSeparator()) return new TFlowSeparator(Action, Bar);
    auto* b = new QToolButton(Bar);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setDefaultAction(Action);
    return b;
}

// What an action's widget's size depends on besides the action: the bar's
// font and style, the resolution and the direction. Worked out when first
// asked for, again after they changed.
class TBarSizeKey {
public:
    explicit TBarSizeKey(QWidget* Bar) : FBar(Bar) {}
    const QString& Get() const {
        if (FKey.isEmpty()) {
            const QChar sep(0x1f);
            FKey = FBar->font().key() + sep + QApplication::font("QToolButton").key() + sep +
                   QString::number(reinterpret_cast<quintptr>(FBar->style())) + sep +
                   QString::number(FBar->logicalDpiX()) + sep + QString::number(FBar->logicalDpiY()) + sep +
                   QString::number(FBar->layoutDirection());
        }
        return FKey;
    }
    void Forget() { FKey.clear(); }
    QWidget* Bar() const { return FBar; }

private:
    QWidget* FBar;
    mutable QString FKey;
};

// What the layout makes of the size of Action's widget on a bar, known
// without a widget of that bar's own: measured once on a widget made for it
// (never shown) for each caption, icon, menu and font of the action and each
// bar key.
QSize MeasuredSize(const TBarSizeKey& Bar, QAction* Action) {
    static QHash<QString, QSize> sizes;
    const QChar sep(0x1f);
    const QString key = (Action->isSeparator() ? QStringLiteral("|") : QStringLiteral("b") + Action->iconText()) +
                        sep + QString::number(Action->icon().isNull() ? 0 : Action->icon().cacheKey()) + sep +
                        QString::number(Action->menu<QObject*>() != nullptr) + sep + Action->font().key() + sep +
                        Bar.Get();
    auto it = sizes.constFind(key);
    if (it != sizes.cend()) return *it;
    QWidget* w = MakeActionWidget(Action, Bar.Bar());
    // a hidden widget is empty to a layout otherwise
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
    const QSize size = QWidgetItem(w).sizeHint();
    delete w;
    sizes.insert(key, size);
    return size;
}

// The place of an action whose widget is not made yet, as large as that
// widget will be.
class TPendingItem : public QLayoutItem {
public:
    TPendingItem(QAction* Action, const TBarSizeKey& Bar)
        : FAction(Action), FBar(Bar), FWasEmpty(!Action->isVisible()) {}
    QAction* Action() const { return FAction; }
    QSize sizeHint() const override {
        if (!FSize.isValid()) {
            FSize = MeasuredSize(FBar, FAction);
            FMeasured = TLook::Of(FAction);
        }
        return FSize;
    }
    QSize minimumSize() const override { return sizeHint(); }
    QSize maximumSize() const override { return sizeHint(); }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool isEmpty() const override { return FWasEmpty = !FAction->isVisible(); }
    // Empty when the layout last asked.
    bool WasEmpty() const { return FWasEmpty; }
    void setGeometry(const QRect& Rect) override { FRect = Rect; }
    QRect geometry() const override { return FRect; }
    // Measured again when next asked.
    void invalidate() override { FSize = QSize(); }
    // The action changed: true when what its size depends on did (its
    // caption, icon, menu or font), not just its state.
    bool Resized() const { return !FSize.isValid() || !(TLook::Of(FAction) == FMeasured); }

private:
    struct TLook {
        QString Text;
        qint64 Icon = 0;
        bool Menu = false;
        QFont Font;
        static TLook Of(const QAction* A) {
            return {A->iconText(), A->icon().isNull() ? 0 : A->icon().cacheKey(), A->menu<QObject*>() != nullptr,
                    A->font()};
        }
        bool operator==(const TLook& o) const {
            return Text == o.Text && Icon == o.Icon && Menu == o.Menu && Font == o.Font;
        }
    };
    QAction* FAction;
    const TBarSizeKey& FBar;
    mutable QSize FSize;
    mutable TLook FMeasured;
    mutable bool FWasEmpty;
    QRect FRect;
};

// Items left to right, a new row where the next one would pass the right
// edge; every row as tall as the tallest item.
class TFlowLayout : public QLayout {
public:
    explicit TFlowLayout(QWidget* Parent) : QLayout(Parent), FSizeKey(Parent) {}
    ~TFlowLayout() override {
        while (QLayoutItem* item = takeAt(0)) delete item;
    }
    void addItem(QLayoutItem* Item) override { FItems.push_back(Item); }
    void insertWidgetAt(int Index, QWidget* W) {
        addChildWidget(W);
        insertItemAt(Index, new QWidgetItem(W));
    }
    void insertItemAt(int Index, QLayoutItem* Item) {
        Index = std::clamp(Index, 0, static_cast<int>(FItems.size()));
        FItems.insert(FItems.begin() + Index, Item);
        invalidate();
    }
    // Puts W's item in the place of the item at Index, which goes.
    void replaceAt(int Index, QWidget* W) {
        addChildWidget(W);
        delete FItems[static_cast<size_t>(Index)];
        FItems[static_cast<size_t>(Index)] = new QWidgetItem(W);
    }
    // The items of actions without a widget yet measure again (the bar's
    // font, style, resolution or direction changed).
    void Remeasure() {
        FSizeKey.Forget();
        for (QLayoutItem* item : FItems)
            if (dynamic_cast<TPendingItem*>(item)) item->invalidate();
        invalidate();
    }
    const TBarSizeKey& SizeKey() const { return FSizeKey; }
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
    int indexOfPending(QAction* Action) const {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (auto* p = dynamic_cast<TPendingItem*>(FItems[i]); p && p->Action() == Action) return static_cast<int>(i);
        return -1;
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
    TBarSizeKey FSizeKey;
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

void TKZNFlowToolBar::SetBuildOnSight(bool Value) {
    if (Value && actions().isEmpty()) FBuilt = false;
    if (!Value) Build();
}

void TKZNFlowToolBar::Build() {
    if (FBuilt) return;
    FBuilt = true;
    TFlowLayout* layout = FlowOf(this);
    bool resized = false;
    for (int i = 0; i < layout->count(); ++i) {
        auto* pending = dynamic_cast<TPendingItem*>(layout->itemAt(i));
        if (!pending) continue;
        QAction* action = pending->Action();
        const QSize expected = pending->sizeHint();
        QWidget* w = MakeActionWidget(action, this);
        layout->replaceAt(i, w);
        w->setVisible(action->isVisible());
        resized = resized || (!layout->itemAt(i)->isEmpty() && layout->itemAt(i)->sizeHint() != expected);
    }
    // where the layout has put their places
    if (layout->geometry().isValid()) layout->setGeometry(layout->geometry());
    if (resized) {
        layout->invalidate();
        updateGeometry();
    }
}

QAction* TKZNFlowToolBar::addSeparator() { return insertSeparator(nullptr); }

QAction* TKZNFlowToolBar::insertSeparator(QAction* Before) {
    auto* a = new QAction(this);
    a->setSeparator(true);
    insertAction(Before, a);
    return a;
}

QWidget* TKZNFlowToolBar::widgetForAction(QAction* Action) const {
    // asked for a button, the bar makes them
    const_cast<TKZNFlowToolBar*>(this)->Build();
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
        TFlowLayout* layout = FlowOf(this);
        const int pending = FBuilt ? -1 : layout->indexOfPending(action);
        if (type == QEvent::ActionAdded) {
            // one item per action, in the order of the actions
            const int at = static_cast<int>(actions().indexOf(action));
            if (FBuilt) {
                QWidget* w = MakeActionWidget(action, this);
                w->setVisible(action->isVisible());
                layout->insertWidgetAt(at, w);
            } else {
                layout->insertItemAt(at, new TPendingItem(action, layout->SizeKey()));
            }
        } else if (pending >= 0) {
            QLayoutItem* item = layout->itemAt(pending);
            if (type == QEvent::ActionRemoved) {
                delete layout->takeAt(pending);
                layout->invalidate();
            } else {
                // a change of caption (or icon, menu, font) may change its size, one
                // of visibility its room; one of state (checked, enabled) neither
                auto* p = static_cast<TPendingItem*>(item);
                const bool wasEmpty = p->WasEmpty();
                const QSize before = p->sizeHint();
                if (p->Resized()) p->invalidate();
                if (p->sizeHint() == before && p->isEmpty() == wasEmpty) return QWidget::event(Event);
                layout->invalidate();
            }
        } else if (QWidget* w = FBuilt ? widgetForAction(action) : nullptr) {
            if (type == QEvent::ActionRemoved)
                delete w;
            else
                w->setVisible(action->isVisible());
        }
        updateGeometry();
    } else if (type == QEvent::Paint && !FBuilt) {
        // First painted: the buttons are made now, and painted with the bar.
        Build();
    } else if (!FBuilt && (type == QEvent::FontChange || type == QEvent::StyleChange ||
                           type == QEvent::LayoutDirectionChange || type == QEvent::ScreenChangeInternal)) {
        FlowOf(this)->Remeasure();
        updateGeometry();
    }
    return QWidget::event(Event);
}
