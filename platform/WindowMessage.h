// Window messages between the program's windows: a message number, two
// parameters and a result, delivered to a message window addressed by its
// handle. A posted message is queued and runs from the event loop; a sent
// message runs at once and its result (and any exception of the receiver)
// comes back to the sender. A posted message has no sender waiting for it:
// an exception of its receiver goes to app::HandleException, the way the
// message loop reports such an error. All of it lives on the GUI thread.
//
// Handles are never reused, so a message addressed to a window that has gone
// is simply not delivered.
#pragma once
#include <cstdint>
#include <functional>

#include <QObject>

namespace winmsg {

using HWND = uintptr_t;     // 0 is no window
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// The first message number free for the program's own messages.
constexpr uint32_t WM_APP = 0x8000;

struct TMessage {
    uint32_t Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// The receiver's window method: sees the message and may set its Result.
using TWndMethod = std::function<void(TMessage&)>;

// A window that only receives messages. It is never shown.
class TMessageWindow : public QObject {
public:
    explicit TMessageWindow(QObject* parent = nullptr);
    ~TMessageWindow() override;
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    HWND Handle() const { return FHandle; }

    // Every message goes here; without a method the message is ignored (result 0).
    TWndMethod WndProc;

    // Hands one message to WndProc at once. The receiver may destroy this
    // window from inside its method.
    void Dispatch(TMessage& message);

protected:
    bool event(QEvent* e) override;

private:
    HWND FHandle;
};

// Queues a message for the window; false when there is no such window.
bool PostMessage(HWND wnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
// Runs the window's method at once and returns its result; 0 when there is no
// such window. An exception of the receiver reaches the caller.
LRESULT SendMessage(HWND wnd, uint32_t msg, WPARAM wParam, LPARAM lParam);
// True while a message window with this handle exists.
bool IsWindow(HWND wnd);

}  // namespace winmsg
