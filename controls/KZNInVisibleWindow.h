// A component that owns a hidden message window and hands every message the
// window receives to OnReceiveMessage, with no processing of its own. Other
// windows address it by Handle (winmsg::PostMessage / winmsg::SendMessage).
#pragma once
#include <memory>

#include <QObject>

#include "WindowMessage.h"

class TKZNInVisibleWindow : public QObject {
public:
    explicit TKZNInVisibleWindow(QObject* owner = nullptr);
    ~TKZNInVisibleWindow() override;

    winmsg::HWND Handle() const { return FWindow->Handle(); }
    winmsg::TWndMethod OnReceiveMessage;

private:
    std::unique_ptr<winmsg::TMessageWindow> FWindow;
};
