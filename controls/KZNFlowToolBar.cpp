#include "KZNFlowToolBar.h"

#include <algorithm>
#include <memory>
#include <optional>
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
struct TBarLook {
    QFont Font, ButtonFont;
    const QStyle* Style = nullptr;
    int DpiX = 0, DpiY = 0;
    Qt::LayoutDirection Direction = Qt::LeftToRight;
    bool operator==(const TBarLook& o) const {
        return Font == o.Font && ButtonFont == o.ButtonFont && Style == o.Style && DpiX == o.DpiX && DpiY == o.DpiY &&
               Direction == o.Direction;
    }
};

class TBarSizeKey {
public:
    explicit TBarSizeKey(QWidget* Bar) : FBar(Bar) {}
    const TBarLook& Get() const {
        if (!FLook) {
            FLook = TBarLook{FBar->font(),           QApplication::font("QToolButton"), FBar->style(),
                             FBar->logicalDpiX(),    FBar->logicalDpiY(),               FBar->layoutDirection()};
            FHash = qHashMulti(0, FLook->Font, FLook->ButtonFont, reinterpret_cast<quintptr>(FLook->Style), FLook->DpiX,
                               FLook->DpiY, static_cast<int>(FLook->Direction));
        }
        return *FLook;
    }
    size_t Hash() const {
        Get();
        return FHash;
    }
    void Forget() { FLook.reset(); }
    QWidget* Bar() const { return FBar; }

private:
    QWidget* FBar;
    mutable std::optional<TBarLook> FLook;
    mutable size_t FHash = 0;
};

// What an action's widget's size depends on: its caption, icon, menu and
// font, and the bar's look.
struct TSizeKey {
    bool Separator = false;
    QString Text;
    qint64 Icon = 0;
    bool Menu = false;
    QFont Font;
    TBarLook Bar;
    size_t BarHash = 0;
    bool operator==(const TSizeKey& o) const {
        return Separator == o.Separator && Text == o.Text && Icon == o.Icon && Menu == o.Menu && Font == o.Font &&
               BarHash == o.BarHash && Bar == o.Bar;
    }
};

size_t qHash(const TSizeKey& K, size_t Seed = 0) {
    return qHashMulti(Seed, K.Separator, K.Text, K.Icon, K.Menu, K.Font, K.BarHash);
}

// What the layout makes of the size of Action's widget on a bar, known
// without a widget of that bar's own: measured once on a widget made for it
// (never shown) for each caption, icon, menu and font of the action and each
// look of a bar.
QSize MeasuredSize(const TBarSizeKey& Bar, QAction* Action) {
    static QHash<TSizeKey, QSize> sizes;
    const bool separator = Action->isSeparator();
    const TSizeKey key{separator,
                       separator ? QString() : Action->iconText(),
                       Action->icon().isNull() ? 0 : Action->icon().cacheKey(),
                       Action->menu<QObject*>() != nullptr,
                       Action->font(),
                       Bar.Get(),
                       Bar.Hash()};
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

// The place of an action on the bar, as large as the action's widget is
// (or, before the widget is made, will be) without asking the widget: the
// size is measured once for each caption and bar (see MeasuredSize), and
// again only when what it depends on changes.
class TActionItem : public QLayoutItem {
public:
    TActionItem(QAction* Action, const TBarSizeKey& Bar) : FAction(Action), FBar(Bar) {}
    QAction* Action() const { return FAction; }
    // The action's widget, laid out from now on.
    void Attach(QWidget* W) { FWidget = std::make_unique<QWidgetItem>(W); }
    QWidget* widget() const override { return FWidget ? FWidget->widget() : nullptr; }
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
    void setGeometry(const QRect& Rect) override {
        FRect = Rect;
        if (FWidget) FWidget->setGeometry(Rect);
    }
    QRect geometry() const override { return FRect; }
    // The layout drops what its items keep whenever it lays them out; the
    // size kept here depends on the action and the bar only, and is dropped
    // (Forget) when they change.
    void invalidate() override {}
    // Measured again when next asked.
    void Forget() { FSize = QSize(); }
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
    std::unique_ptr<QWidgetItem> FWidget;
    mutable QSize FSize;
    mutable TLook FMeasured;
    mutable bool FWasEmpty = false;
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
    void insertItemAt(int Index, TActionItem* Item) {
        Index = std::clamp(Index, 0, static_cast<int>(FItems.size()));
        FItems.insert(FItems.begin() + Index, Item);
        if (QWidget* w = Item->widget()) addChildWidget(w);
        invalidate();
    }
    // The widget of the item at Index is made.
    void Attach(int Index, QWidget* W) {
        addChildWidget(W);
        Item(Index)->Attach(W);
    }
    TActionItem* Item(int Index) const { return static_cast<TActionItem*>(FItems[static_cast<size_t>(Index)]); }
    int IndexOf(const QAction* Action) const {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (static_cast<TActionItem*>(FItems[i])->Action() == Action) return static_cast<int>(i);
        return -1;
    }
    // Every item measures again (the bar's font, style, resolution or direction changed).
    void Remeasure() {
        FSizeKey.Forget();
        for (QLayoutItem* item : FItems) static_cast<TActionItem*>(item)->Forget();
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
    // The layout already holds the buttons' places: it lays them out once
    // they are all there, not after each button shown.
    layout->setEnabled(false);
    for (int i = 0; i < layout->count(); ++i) {
        QAction* action = layout->Item(i)->Action();
        QWidget* w = MakeActionWidget(action, this);
        layout->Attach(i, w);
        w->setVisible(action->isVisible());
    }
    layout->setEnabled(true);
    layout->invalidate();
    layout->activate();
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
    const int i = layout->IndexOf(Action);
    return i >= 0 ? layout->Item(i)->widget() : nullptr;
}

int TKZNFlowToolBar::RowCount() const { return FlowOf(this)->Rows(width()); }

bool TKZNFlowToolBar::event(QEvent* Event) {
    const QEvent::Type type = Event->type();
    if (type == QEvent::ActionAdded || type == QEvent::ActionRemoved || type == QEvent::ActionChanged) {
        QAction* action = static_cast<QActionEvent*>(Event)->action();
        TFlowLayout* layout = FlowOf(this);
        if (type == QEvent::ActionAdded) {
            // one item per action, in the order of the actions
            auto* item = new TActionItem(action, layout->SizeKey());
            if (FBuilt) {
                QWidget* w = MakeActionWidget(action, this);
                item->Attach(w);
                w->setVisible(action->isVisible());
            }
            layout->insertItemAt(static_cast<int>(actions().indexOf(action)), item);
        } else if (const int i = layout->IndexOf(action); i >= 0) {
            TActionItem* item = layout->Item(i);
            if (type == QEvent::ActionRemoved) {
                layout->takeAt(i);
                delete item->widget();
                delete item;
                layout->invalidate();
            } else {
                if (QWidget* w = item->widget()) w->setVisible(action->isVisible());
                // A change of caption (or icon, menu, font) may change the size, one
                // of visibility the room taken; one of state (checked, enabled)
                // neither. The size is measured when next laid out, not here: the
                // action is telling its widgets of the change, and a measuring
                // widget made for it now would change the list it is going through.
                const bool wasEmpty = item->WasEmpty();
                if (item->Resized())
                    item->Forget();
                else if (item->isEmpty() == wasEmpty)
                    return QWidget::event(Event);
                layout->invalidate();
            }
        }
        updateGeometry();
    } else if (type == QEvent::Paint && !FBuilt) {
        // First painted: the buttons are made now, and painted with the bar.
        Build();
    } else if (type == QEvent::FontChange || type == QEvent::StyleChange || type == QEvent::LayoutDirectionChange ||
               type == QEvent::ScreenChangeInternal) {
        FlowOf(this)->Remeasure();
        updateGeometry();
    }
    return QWidget::event(Event);
}
