#include "U_ScriptExecutorPaint.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEvent>

namespace {
using Clock = std::chrono::steady_clock;
}

TRunPaintPacer::TRunPaintPacer() {
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FTimer, &QTimer::timeout, this, [this] { PaintHeld(); });
}

TRunPaintPacer::~TRunPaintPacer() {
    if (FPacing) QCoreApplication::instance()->removeEventFilter(this);
}

bool TRunPaintPacer::Due() const { return Clock::now() >= FLastPaint + std::chrono::milliseconds(HoldMs); }

void TRunPaintPacer::Schedule() {
    if (FTimer.isActive()) return;
    const auto left = FLastPaint + std::chrono::milliseconds(HoldMs) - Clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
    FTimer.start(static_cast<int>(std::clamp<long long>(ms, 0, HoldMs)));
}

void TRunPaintPacer::ProcessEvents() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || FPacing) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    FPacing = true;
    app->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    app->removeEventFilter(this);
    FPacing = false;
}

void TRunPaintPacer::PaintHeld() {
    FTimer.stop();
    std::vector<QPointer<QWidget>> held;
    held.swap(FHeld);
    // The window's own request was taken: it asks for no other until it has
    // painted, so the request is given back now.
    FDelivering = true;
    for (const QPointer<QWidget>& w : held)
        if (w) {
            QEvent request(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(w, &request);
        }
    FDelivering = false;
    FLastPaint = Clock::now();
}

void TRunPaintPacer::ReleaseHeld() {
    FTimer.stop();
    std::vector<QPointer<QWidget>> held;
    held.swap(FHeld);
    for (const QPointer<QWidget>& w : held)
        if (w) QCoreApplication::postEvent(w, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

bool TRunPaintPacer::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() != QEvent::UpdateRequest || !Watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(Watched);
    if (!w->isWindow() || FDelivering) return false;
    if (Due()) {
        FLastPaint = Clock::now();
        return false;
    }
    if (std::find(FHeld.begin(), FHeld.end(), w) == FHeld.end()) FHeld.emplace_back(w);
    Schedule();
    return true;
}

TRunPaintPacer& RunPaintPacer() {
    static TRunPaintPacer* pacer = new TRunPaintPacer;  // lives as long as the program
    return *pacer;
}
