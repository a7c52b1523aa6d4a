#include "KZNEditorSearch.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "AppException.h"
#include "EditorSearch.h"
#include "ScopeExit.h"
#include "KZNEditorSearch_Progress.h"

namespace {

QAction* NewAction(QWidget* Owner, const char16_t* Caption, const char16_t* Hint, bool Checkable = false) {
    auto* a = new QAction(QString::fromUtf16(Caption), Owner);
    a->setToolTip(QString::fromUtf16(Hint));
    a->setStatusTip(QString::fromUtf16(Hint));
    a->setCheckable(Checkable);
    return a;
}

QToolButton* NewButton(QWidget* Parent, QAction* Action) {
    auto* b = new QToolButton(Parent);
    b->setDefaultAction(Action);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setAutoRaise(true);
    return b;
}

// A focus rectangle five pixels wide and one row high, left where the caret
// stands while the editor's window is not active.
class TFocusMark : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// A check box whose caption is cut short (ending in "…") where it is given
// less than its full width; the whole caption is its tool tip.
class TShortenedCheckBox : public QCheckBox {
public:
    TShortenedCheckBox(const QString& Text, QWidget* Parent) : QCheckBox(Text, Parent) {
        setSizePolicy(QSizePolicy::Preferred, sizePolicy().verticalPolicy());  // it may be given less than its hint
    }
    QSize minimumSizeHint() const override {
        const QSize full = sizeHint();
        return {full.width() - CaptionWidth() + fontMetrics().horizontalAdvance(QString(QChar(0x2026))) * 3,
                full.height()};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton o;
        initStyleOption(&o);
        const int room = width() - (sizeHint().width() - CaptionWidth());
        o.text = fontMetrics().elidedText(text(), Qt::ElideRight, std::max(0, room));
        p.drawControl(QStyle::CE_CheckBox, o);
    }

private:
    int CaptionWidth() const { return fontMetrics().horizontalAdvance(text()); }
};

// The bar's two parts, the search and the replace panel: side by side where
// both fit in the bar's width at their least widths, the replace panel below
// the search otherwise. The bar so never asks for more width than its wider
// part: it takes two rows rather than room from the panes beside it.
class TTwoPartLayout : public QLayout {
public:
    explicit TTwoPartLayout(QWidget* Parent) : QLayout(Parent) {}
    ~TTwoPartLayout() override {
        while (QLayoutItem* i = TTwoPartLayout::takeAt(0)) delete i;
    }
    void addItem(QLayoutItem* Item) override { FItems.append(Item); }
    int count() const override { return static_cast<int>(FItems.size()); }
    QLayoutItem* itemAt(int Index) const override { return FItems.value(Index); }
    QLayoutItem* takeAt(int Index) override {
        return Index >= 0 && Index < FItems.size() ? FItems.takeAt(Index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int Width) const override { return Arrange(QRect(0, 0, Width, 0), false); }
    QSize sizeHint() const override {
        int w = 0, h = 0;
        for (QLayoutItem* i : Shown()) {
            w += (w > 0 ? spacing() : 0) + i->sizeHint().width();
            h = std::max(h, i->sizeHint().height());
        }
        return Outer(QSize(w, h));
    }
    QSize minimumSize() const override {
        int w = 0, h = 0;
        for (QLayoutItem* i : Shown()) {
            w = std::max(w, i->minimumSize().width());
            h = std::max(h, i->sizeHint().height());
        }
        return Outer(QSize(w, h));
    }
    void setGeometry(const QRect& Rect) override {
        QLayout::setGeometry(Rect);
        Arrange(Rect, true);
    }

private:
    QList<QLayoutItem*> Shown() const {
        QList<QLayoutItem*> shown;
        for (QLayoutItem* i : FItems)
            if (!i->isEmpty()) shown.append(i);
        return shown;
    }
    QSize Outer(QSize Inner) const {
        const QMargins m = contentsMargins();
        return Inner + QSize(m.left() + m.right(), m.top() + m.bottom());
    }
    // Lays the parts out in Rect (when Apply); returns the height they take.
    int Arrange(const QRect& Rect, bool Apply) const {
        const QRect r = Rect.marginsRemoved(contentsMargins());
        const QList<QLayoutItem*> shown = Shown();
        if (shown.isEmpty()) return Outer(QSize()).height();
        int least = -spacing(), row = 0;
        for (QLayoutItem* i : shown) {
            least += spacing() + i->minimumSize().width();
            row = std::max(row, i->sizeHint().height());
        }
        const QMargins m = contentsMargins();
        if (least <= r.width()) {
            // one row: the width beyond the least goes first to the parts
            // short of their full width, in proportion, the rest alike
            const int n = static_cast<int>(shown.size());
            int extra = r.width() - least, shortBy = 0;
            for (QLayoutItem* i : shown) shortBy += std::max(0, i->sizeHint().width() - i->minimumSize().width());
            const int toFull = std::min(extra, shortBy);
            extra -= toFull;
            int x = r.x();
            for (int k = 0; k < n; ++k) {
                const int gap = std::max(0, shown[k]->sizeHint().width() - shown[k]->minimumSize().width());
                const int w = shown[k]->minimumSize().width() + (shortBy > 0 ? gap * toFull / shortBy : 0) +
                              extra / n + (k < extra % n ? 1 : 0);
                if (Apply) shown[k]->setGeometry(QRect(x, r.y(), w, row));
                x += w + spacing();
            }
            return row + m.top() + m.bottom();
        }
        int y = r.y();
        for (QLayoutItem* i : shown) {
            const int h = i->sizeHint().height();
            if (Apply) i->setGeometry(QRect(r.x(), y, r.width(), h));
            y += h + spacing();
        }
        return y - spacing() - r.y() + m.top() + m.bottom();
    }
    QList<QLayoutItem*> FItems;
};

}  // namespace

TFrame_KZNEditorSearch::TFrame_KZNEditorSearch(QWidget* Parent) : QFrame(Parent) {
    Action_Execute = NewAction(this, u"検索", u"検索");
    Action_AllowToggle = NewAction(this, u"方向", u"検索方向切り替え", true);
    Action_Down = NewAction(this, u"↓検索", u"下方向検索");
    Action_Up = NewAction(this, u"↑検索", u"上方向検索");
    Action_IgnoreCaseToggle = NewAction(this, u"大・小文字を区別しない", u"大・小文字を区別しない", true);
    Action_ReplaceShow = NewAction(this, u"置換", u"置換パネルを表示");
    Action_Replace = NewAction(this, u"置換", u"検索ヒット部分を置換");
    Action_ReplaceAndSearch = NewAction(this, u"置換＆次検索", u"置換＆次検索");
    Action_ReplaceAll = NewAction(this, u"全て置換", u"全て置換");

    auto* parts = new TTwoPartLayout(this);
    parts->setContentsMargins(2, 1, 2, 1);
    parts->setSpacing(2);
    Panel_Search = new QFrame(this);
    auto* row = new QHBoxLayout(Panel_Search);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    ComboBox_Search = new TKZNHistoryComboBox(Panel_Search);
    ComboBox_Search->setMinimumWidth(100);
    BitBtn1 = NewButton(Panel_Search, Action_Execute);
    BitBtn6 = NewButton(Panel_Search, Action_AllowToggle);
    BitBtn2 = NewButton(Panel_Search, Action_Down);
    BitBtn3 = NewButton(Panel_Search, Action_Up);
    // cut short before the bar has to take a second row
    CheckBox_IgnoreCase = new TShortenedCheckBox(Action_IgnoreCaseToggle->text(), Panel_Search);
    CheckBox_IgnoreCase->setToolTip(Action_IgnoreCaseToggle->text());
    BitBtn7 = NewButton(Panel_Search, Action_ReplaceShow);
    row->addWidget(ComboBox_Search, 1);
    for (QWidget* w : {static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn6), static_cast<QWidget*>(BitBtn2),
                       static_cast<QWidget*>(BitBtn3), static_cast<QWidget*>(CheckBox_IgnoreCase),
                       static_cast<QWidget*>(BitBtn7)})
        row->addWidget(w);

    Panel_Replace = new QFrame(this);
    auto* rep = new QHBoxLayout(Panel_Replace);
    rep->setContentsMargins(0, 0, 0, 0);
    rep->setSpacing(2);
    KZNHistoryComboBox_Replace = new TKZNHistoryComboBox(Panel_Replace);
    KZNHistoryComboBox_Replace->setMinimumWidth(100);
    Label_Ni = new QLabel(QString::fromUtf16(u"に"), Panel_Replace);
    BitBtn4 = NewButton(Panel_Replace, Action_Replace);
    BitBtn8 = NewButton(Panel_Replace, Action_ReplaceAndSearch);
    BitBtn5 = NewButton(Panel_Replace, Action_ReplaceAll);
    Label_ReplaceCount = new QLabel(Panel_Replace);
    rep->addWidget(KZNHistoryComboBox_Replace, 1);
    for (QWidget* w : {static_cast<QWidget*>(Label_Ni), static_cast<QWidget*>(BitBtn4), static_cast<QWidget*>(BitBtn8),
                       static_cast<QWidget*>(BitBtn5), static_cast<QWidget*>(Label_ReplaceCount)})
        rep->addWidget(w);
    parts->addWidget(Panel_Search);
    parts->addWidget(Panel_Replace);
    Panel_Replace->hide();

    auto on = [this](QAction* a, void (TFrame_KZNEditorSearch::*f)()) {
        connect(a, &QAction::triggered, this, [this, f] { app::Guard([this, f] { (this->*f)(); }); });
    };
    on(Action_Execute, &TFrame_KZNEditorSearch::Execute);
    // the action has flipped its own check mark when its trigger runs
    connect(Action_AllowToggle, &QAction::triggered, this, [this] {
        DirectionImage();
        if (FEditor) FEditor->setFocus();
    });
    on(Action_Down, &TFrame_KZNEditorSearch::Down);
    on(Action_Up, &TFrame_KZNEditorSearch::Up);
    connect(Action_IgnoreCaseToggle, &QAction::triggered, this, [this](bool Checked) { SetIgnoreCase(Checked); });
    connect(CheckBox_IgnoreCase, &QCheckBox::clicked, this, [this](bool Checked) { SetIgnoreCase(Checked); });
    on(Action_ReplaceShow, &TFrame_KZNEditorSearch::ReplaceShow);
    on(Action_Replace, &TFrame_KZNEditorSearch::Replace);
    on(Action_ReplaceAndSearch, &TFrame_KZNEditorSearch::ReplaceAndSearch);
    on(Action_ReplaceAll, &TFrame_KZNEditorSearch::ReplaceAll);
    connect(ComboBox_Search, &QComboBox::editTextChanged, this, [this] { UpdateActionStates(); });
    // Enter reaches the line edit first and, ignored there, the box: both are watched
    ComboBox_Search->installEventFilter(this);
    ComboBox_Search->lineEdit()->installEventFilter(this);

    SetIgnoreCase(true);
    SetReplaceCount(0);
    DirectionImage();
    UpdateActionStates();
}

TFrame_KZNEditorSearch::~TFrame_KZNEditorSearch() {
    if (FEditor) FEditor->removeEventFilter(this);
    delete FFocusMark;
}

void TFrame_KZNEditorSearch::SetEditor(TKZNEditor* Editor) {
    if (FEditor) FEditor->removeEventFilter(this);
    delete FFocusMark;
    FEditor = Editor;
    FWatched = Editor;
    if (FEditor) FEditor->installEventFilter(this);
    UpdateActionStates();
}

bool TFrame_KZNEditorSearch::eventFilter(QObject* Watched, QEvent* E) {
    if ((Watched == ComboBox_Search || Watched == ComboBox_Search->lineEdit()) && E->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(E)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Action_Execute->trigger();
            return true;
        }
    }
    // compared as an object: the editor may be half destroyed when its last events come
    if (E->type() == QEvent::FocusIn && Watched == FWatched.data() && FFocusMark) FFocusMark->hide();
    return QFrame::eventFilter(Watched, E);
}

void TFrame_KZNEditorSearch::SetIgnoreCase(bool Value) {
    Action_IgnoreCaseToggle->setChecked(Value);
    CheckBox_IgnoreCase->setChecked(Value);
    UpdateActionStates();
}

void TFrame_KZNEditorSearch::SetReplaceCount(int N) {
    Label_ReplaceCount->setText(QString::number(N) + QStringLiteral(" Replaced"));
}

bool TFrame_KZNEditorSearch::IsSelectionMatched() const {
    if (!FEditor || !FEditor->GetSelected()) return false;
    const std::string text = ComboBox_Search->Text();
    if (text.empty()) return false;
    const std::string sel = FEditor->GetSelText();
    if (sel.empty()) return false;
    if (!IgnoreCase()) return sel == text;
    // the selection is the whole of what the search finds in it
    int start = 0, length = 0;
    return SearchText(sel, start, length, text, soForward) && start == 0 &&
           length == static_cast<int>(sel.size());
}

void TFrame_KZNEditorSearch::UpdateActionStates() {
    for (QAction* a : {Action_Up, Action_Execute, Action_AllowToggle, Action_ReplaceShow}) a->setEnabled(true);
    const bool matched = IsSelectionMatched();
    Action_Replace->setEnabled(matched);
    Action_ReplaceAndSearch->setEnabled(matched);
}

void TFrame_KZNEditorSearch::Execute() {
    if (!FEditor) return;
    uint16_t options = 0;
    if (!Upward()) options |= soForward;
    if (!IgnoreCase()) options |= soMatchCase;
    const std::string text = ComboBox_Search->Text();
    if (FFocusMark) FFocusMark->hide();
    if (FEditor->Search(text, options)) {
        FEditor->setFocus();
        FEditor->ConfirmSelection();
    } else {
        FEditor->CleanSelection();
    }
    UpdateActionStates();
    FEditor->setFocus();
    ComboBox_Search->AddHistory();
    FEditor->ScrollCaretIntoView();
    if (!FEditor->hasFocus()) ShowFocusMark();
}

void TFrame_KZNEditorSearch::ShowFocusMark() {
    if (!FFocusMark) FFocusMark = new TFocusMark(FEditor->viewport());
    const TPoint p = FEditor->CalcCaretPoint();
    FFocusMark->setGeometry(p.X, p.Y, 5, FEditor->RowHeight());
    FFocusMark->show();
    FFocusMark->raise();
}

void TFrame_KZNEditorSearch::DirectionImage() {
    // the style loads a standard icon from its files each time: every page's bar shares the two
    static QStyle* loadedBy = nullptr;
    static QIcon up, down;
    if (loadedBy != style()) {
        loadedBy = style();
        up = style()->standardIcon(QStyle::SP_ArrowUp);
        down = style()->standardIcon(QStyle::SP_ArrowDown);
    }
    BitBtn6->setIcon(Upward() ? up : down);
}

void TFrame_KZNEditorSearch::AllowToggle() { Action_AllowToggle->trigger(); }

// One search the other way: the direction is turned for it and turned back,
// even when the search raises.
void TFrame_KZNEditorSearch::ExecuteTurned() {
    AllowToggle();
    auto back = ScopeExit([this] { AllowToggle(); });
    Execute();
}

void TFrame_KZNEditorSearch::Down() {
    if (!Upward()) return Execute();
    ExecuteTurned();
}

void TFrame_KZNEditorSearch::Up() {
    if (Upward()) return Execute();
    ExecuteTurned();
}

void TFrame_KZNEditorSearch::ReplaceShow() {
    if (Panel_Replace->isVisible()) {
        Panel_Replace->hide();
    } else {
        Panel_Replace->show();
        KZNHistoryComboBox_Replace->setFocus();
    }
    UpdateActionStates();
}

void TFrame_KZNEditorSearch::Replace() {
    if (IsSelectionMatched()) {
        FEditor->SetSelText(KZNHistoryComboBox_Replace->Text());
        KZNHistoryComboBox_Replace->AddHistory();
    }
    UpdateActionStates();
    if (FEditor) FEditor->setFocus();
}

void TFrame_KZNEditorSearch::ReplaceAndSearch() {
    Replace();
    Execute();
}

void TFrame_KZNEditorSearch::ReplaceAll() {
    if (!FEditor) return;
    auto* w = new TForm_KZNEditorSearch_Progress(FEditor, this);
    QPointer<TForm_KZNEditorSearch_Progress> guard = w;
    w->adjustSize();
    const QPoint topRight = mapToGlobal(QPoint(width(), 0));
    w->move(topRight.x() - w->width(), topRight.y());
    w->exec();
    delete guard.data();
}
