#include "KZNPanelEx.h"

#include <QCursor>
#include <QEvent>

#include "AppException.h"
#include "CP932Qt.h"
#include "KZNColor.h"
#include "KZNRectangle.h"

namespace {
// The mouse-over poll. A poll costs one cursor query; this is about once per
// frame, which is as fast as anyone can see the change.
constexpr int kMousePollMs = 15;

void SetTextColor(QWidget* w, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::Text, c);
    w->setPalette(pal);
}
}  // namespace

// ---------------------------------------------------------------------------
// TLabelEx

TLabelEx::TLabelEx(TKZNPanelEx* panel) : QLabel(panel), FPanel(panel), FShadow(new QLabel(panel)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    FShadow->setAutoFillBackground(false);
    SetTextColor(FShadow, Qt::white);
    FShadow->setVisible(false);
    FShadow->stackUnder(this);
}

TLabelEx::~TLabelEx() { delete FShadow; }

void TLabelEx::SetShadowVisible(bool value) {
    FShadow->setVisible(value);
    FShadow->stackUnder(this);
}

void TLabelEx::SetCaption(std::string_view text) {
    QString q = cp932::ToQString(text);
    setText(q);
    FShadow->setText(q);
    adjustSize();
    SetBounds(x(), y(), width(), height());
}

void TLabelEx::SetBounds(int left, int top, int width, int height) {
    QRect client = FPanel->contentsRect();
    top = client.top() + (client.height() - height) / 2;
    switch (FPanel->GetAlignment()) {
        case taLeftJustify:
            left = client.left() + FPanel->GetAlignOffset();
            break;
        case taRightJustify:
            left = client.left() + client.width() - FPanel->GetAlignOffset() - FPanel->GetShadowOffset() - width;
            break;
        case taCenter:
            left = client.left() + (client.width() - width) / 2;
            break;
    }
    setGeometry(left, top, width, height);
    QFont f = FShadow->font();
    f.setPointSizeF(font().pointSizeF());
    FShadow->setFont(f);
    int off = FPanel->GetShadowOffset();
    FShadow->setGeometry(left + off, top + off, width, height);
}

// ---------------------------------------------------------------------------
// TKZNPanelEx

TKZNPanelEx::TKZNPanelEx(QWidget* parent) : QFrame(parent), FLabel(new TLabelEx(this)) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    ApplyColors();
    FTimer.setInterval(kMousePollMs);
    QObject::connect(&FTimer, &QTimer::timeout, this, [this] {
        app::Guard([&] { PollMouse(QCursor::pos()); });
    });
}

TKZNPanelEx::~TKZNPanelEx() { FTimer.stop(); }

void TKZNPanelEx::SetAlignment(TAlignment value) {
    FAlignment = value;
    AlignCaption();
}

void TKZNPanelEx::SetAlignOffset(int value) {
    if (value < 0) return;
    FAlignOffset = value;
    AlignCaption();
}

void TKZNPanelEx::SetCaption(std::string_view value) {
    FCaption.assign(value.data(), value.size());
    FLabel->SetCaption(FCaption);
}

void TKZNPanelEx::SetShadowOffset(int value) {
    FShadowOffset = value;
    AlignCaption();
}

void TKZNPanelEx::SetShowShadow(bool value) {
    FShowShadow = value;
    FLabel->SetShadowVisible(value && !FSelected);
}

bool TKZNPanelEx::GetSelected() const { return FSelected; }

void TKZNPanelEx::SetSelected(bool value) {
    if (value == FSelected) return;
    if (SelectedChange) SelectedChange(this, value);
    FSelected = value;
    if (value) {
        FSavedColor = FColor;
        FSavedFontColor = FFontColor;
        FColor = clHighlight;
        FLabel->SetShadowVisible(false);
        if (FFontColor != clGrayText) FFontColor = clHighlightText;
    } else {
        if (FFontColor == clHighlightText) FFontColor = FSavedFontColor;
        // the shadow comes back as the panel asks for it
        FLabel->SetShadowVisible(FShowShadow);
        FColor = FSavedColor;
    }
    ApplyColors();
}

void TKZNPanelEx::SetColor(TColor value) {
    FColor = value;
    ApplyColors();
}

void TKZNPanelEx::SetFontColor(TColor value) {
    FFontColor = value;
    ApplyColors();
}

void TKZNPanelEx::ApplyColors() {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(FColor));
    setPalette(pal);
    SetTextColor(FLabel, ToQColor(FFontColor));
}

void TKZNPanelEx::AlignCaption() { FLabel->SetBounds(FLabel->x(), FLabel->y(), FLabel->width(), FLabel->height()); }

void TKZNPanelEx::Loaded() {
    FLabel->setFont(font());
    FLabel->adjustSize();
    ApplyColors();
    AlignCaption();
}

QRect TKZNPanelEx::InnerScreenRect() const {
    QRect inner = rect().adjusted(frameWidth(), frameWidth(), -frameWidth(), -frameWidth());
    return QRect(mapToGlobal(inner.topLeft()), inner.size());
}

void TKZNPanelEx::PollMouse(QPoint globalPos) {
    if (!isVisible()) return;
    QRect r = InnerScreenRect();
    bool inside = TRectangle::IsPointInRect(TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
                                            TPoint{globalPos.x(), globalPos.y()});
    if (inside == FMouseInside) return;
    FMouseInside = inside;
    if (OnMouseOver) OnMouseOver(this, inside);
}

void TKZNPanelEx::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    AlignCaption();
}

void TKZNPanelEx::showEvent(QShowEvent* e) {
    QFrame::showEvent(e);
    FTimer.start();
}

void TKZNPanelEx::hideEvent(QHideEvent* e) {
    FTimer.stop();
    QFrame::hideEvent(e);
}

void TKZNPanelEx::changeEvent(QEvent* e) {
    QFrame::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        FLabel->setFont(font());
        FLabel->adjustSize();
        AlignCaption();
    }
}
