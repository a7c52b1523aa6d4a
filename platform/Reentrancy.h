// Runs are synchronous on the GUI thread and let pending events through while
// they go on, so a page, a sheet or a window can be closed by the user or by
// a nested run while a frame further down the stack still uses it.
//
// One busy guard (a depth count) covers every such object: while any guard is
// alive, objects handed to FreeWhenIdle are only set aside; when the last
// guard ends they are released through the event loop (deleteLater), so the
// frame that ended the guard may still finish its own work on them. Whoever
// holds such an object across event processing keeps a QPointer to it and
// checks it afterwards.
//
// The terminating flag is the program's own: QCoreApplication::quit() does
// not end the nested loops of a run, so loops test Terminating() as well.
#pragma once
#include <QObject>

namespace reentry {

// Keeps the program busy while it lives.
class TBusyGuard {
public:
    TBusyGuard();
    ~TBusyGuard();
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;
};

// The number of busy guards alive.
int BusyDepth();
inline bool IsBusy() { return BusyDepth() > 0; }

// Frees Object at once when nothing is busy; otherwise it is released once the
// last busy guard has ended. An object that is freed meanwhile by its parent
// is skipped; a null Object does nothing.
void FreeWhenIdle(QObject* Object);
// True while Object waits for the busy guards to end.
bool IsFreePending(const QObject* Object);

// The program has been told to end.
bool Terminating();
bool SetTerminating(bool Value);  // returns the value it replaced

}  // namespace reentry
