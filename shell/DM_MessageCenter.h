// The message centre: the one hidden window that the client window, its
// pages and the history window send their WM_MC_ messages to, and the table
// that turns each message into a call of the main form.
//
// wParam names the sending client window, or is 0 for the current one; a
// wParam that is no live client window (a result page, for instance) also
// means the current one. Until a client window has been activated the
// current one is the one client window of the program. The dispatcher never
// sets a result: every message returns 0. Numbers not in the table are
// ignored.
#pragma once
#include <cstdint>
#include <memory>

#include "KZNInVisibleWindow.h"
#include "WindowMessage.h"

class TMain;
class TFrameSQLClient;

class TMessageCenter {
public:
    explicit TMessageCenter(TMain& Owner);
    ~TMessageCenter();
    TMessageCenter(const TMessageCenter&) = delete;
    TMessageCenter& operator=(const TMessageCenter&) = delete;

    // The hidden window's handle, handed to the windows that send messages.
    winmsg::HWND Handle() const { return MessageReceive->Handle(); }

    // The dispatcher of the hidden window.
    void MessageReceiveReceiveMessage(winmsg::TMessage& Message);

    // One row of the table: a message number and what the main form does
    // with it. Target is the client window the message is for (null when the
    // program has none).
    using THandler = void (*)(TMain& Main, TFrameSQLClient* Target, winmsg::TMessage& Message);
    struct TRow {
        uint32_t Msg;
        THandler Handler;
    };
    // The handler of a message number; null when the number is not dispatched.
    static THandler Find(uint32_t Msg);

    // The live client window whose object is at wParam; null for any other value.
    static TFrameSQLClient* ClientWindowOf(winmsg::WPARAM WParam);

    std::unique_ptr<TKZNInVisibleWindow> MessageReceive;

private:
    TMain& FOwner;
};
