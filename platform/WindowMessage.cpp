#include "WindowMessage.h"

#include <unordered_map>

#include <QCoreApplication>
#include <QEvent>

#include "AppException.h"

namespace winmsg {

namespace {

std::unordered_map<HWND, TMessageWindow*>& Windows() {
    static std::unordered_map<HWND, TMessageWindow*> windows;
    return windows;
}

HWND NextHandle() {
    static HWND next = 0x10000;
    return next += 4;
}

QEvent::Type PostedMessageType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class TPostedMessageEvent : public QEvent {
public:
    explicit TPostedMessageEvent(const TMessage& m) : QEvent(PostedMessageType()), Message(m) {}
    TMessage Message;
};

TMessageWindow* Find(HWND wnd) {
    auto it = Windows().find(wnd);
    return it == Windows().end() ? nullptr : it->second;
}

}  // namespace

TMessageWindow::TMessageWindow(QObject* parent) : QObject(parent), FHandle(NextHandle()) {
    Windows()[FHandle] = this;
}

TMessageWindow::~TMessageWindow() { Windows().erase(FHandle); }

void TMessageWindow::Dispatch(TMessage& message) {
    // a copy: the receiver may destroy this window, and with it WndProc
    TWndMethod proc = WndProc;
    if (proc) proc(message);
}

bool TMessageWindow::event(QEvent* e) {
    if (e->type() != PostedMessageType()) return QObject::event(e);
    TMessage m = static_cast<TPostedMessageEvent*>(e)->Message;
    app::Guard([&] { Dispatch(m); });
    return true;
}

bool PostMessage(HWND wnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
    TMessageWindow* w = Find(wnd);
    if (!w) return false;
    TMessage m;
    m.Msg = msg;
    m.WParam = wParam;
    m.LParam = lParam;
    QCoreApplication::postEvent(w, new TPostedMessageEvent(m));
    return true;
}

LRESULT SendMessage(HWND wnd, uint32_t msg, WPARAM wParam, LPARAM lParam) {
    TMessageWindow* w = Find(wnd);
    if (!w) return 0;
    TMessage m;
    m.Msg = msg;
    m.WParam = wParam;
    m.LParam = lParam;
    w->Dispatch(m);
    return m.Result;
}

bool IsWindow(HWND wnd) { return Find(wnd) != nullptr; }

}  // namespace winmsg
