// Painting during a run. After every statement the executor lets the toolkit
// handle what is pending, so that the window answers: posted messages and
// timers run then, as a pause or a stop needs them to. Painting is what costs
// there, and a fast script would repaint its window after every statement;
// so in that processing a window's paint request waits when the window was
// painted less than HoldMs ago, and a precise timer paints it once that time
// is up. The timer runs in the same event processing, which a run reaches
// after every statement, so a long run repaints its windows at least every
// 50 ms (HoldMs plus a statement's worth). Everything else (the pause panel,
// dialogs, the result display's own processing, the end of the run) paints
// as always.
#pragma once
#include <chrono>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class TRunPaintPacer : public QObject {
public:
    static constexpr int HoldMs = 45;

    TRunPaintPacer();
    ~TRunPaintPacer() override;

    // Processes the pending events; paint requests of windows painted less
    // than HoldMs ago wait for the timer.
    void ProcessEvents();
    // Paints the windows whose requests wait, now.
    void PaintHeld();
    // Gives the waiting requests back to the event loop, which paints them
    // at its next turn (the end of a run, a pause).
    void ReleaseHeld();
    bool Holding() const { return !FHeld.empty(); }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool Due() const;
    void Schedule();

    bool FPacing = false;      // inside ProcessEvents
    bool FDelivering = false;  // giving the held requests back
    std::chrono::steady_clock::time_point FLastPaint{};
    std::vector<QPointer<QWidget>> FHeld;
    QTimer FTimer;
};

// The program's one pacer (the GUI thread's).
TRunPaintPacer& RunPaintPacer();
