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

// Mouse messages, numbered as the window system numbers them.
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr uint32_t WM_XBUTTONDOWN = 0x020B;
constexpr uint32_t WM_XBUTTONUP = 0x020C;

// Keyboard messages. The CN_ forms are the toolkit's notifications of the
// plain messages (the message number + CN_BASE): a control receives the
// notification first and the plain message only when it answered 0.
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_CHAR = 0x0102;
constexpr uint32_t WM_IME_CHAR = 0x0286;
constexpr uint32_t CN_BASE = 0xBC00;
constexpr uint32_t CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr uint32_t CN_CHAR = CN_BASE + WM_CHAR;

// Bits of a mouse message's key-state word: the buttons and keys held once the
// message has happened (a button's own bit is set in its down message and
// clear in its up message).
constexpr uint32_t MK_LBUTTON = 0x0001;
constexpr uint32_t MK_RBUTTON = 0x0002;
constexpr uint32_t MK_SHIFT = 0x0004;
constexpr uint32_t MK_CONTROL = 0x0008;
constexpr uint32_t MK_MBUTTON = 0x0010;
constexpr uint32_t MK_XBUTTON1 = 0x0020;
constexpr uint32_t MK_XBUTTON2 = 0x0040;

// The two side buttons of the side-button messages.
constexpr uint16_t XBUTTON1 = 1;
constexpr uint16_t XBUTTON2 = 2;

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
