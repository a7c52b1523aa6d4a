#include "KZNInVisibleWindow.h"

TKZNInVisibleWindow::TKZNInVisibleWindow(QObject* owner)
    : QObject(owner), FWindow(std::make_unique<winmsg::TMessageWindow>()) {
    FWindow->WndProc = [this](winmsg::TMessage& m) {
        winmsg::TWndMethod handler = OnReceiveMessage;  // the handler may free this component
        if (handler) handler(m);
    };
}

TKZNInVisibleWindow::~TKZNInVisibleWindow() = default;
