#include "U_MouseGesture.h"

#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "AppException.h"
#include "KZNRectangle.h"

using namespace winmsg;

// ---- the mouse message ---------------------------------------------------

namespace {

uint32_t KeysOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uint32_t keys = 0;
    if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
    if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (buttons & Qt::XButton1) keys |= MK_XBUTTON1;
    if (buttons & Qt::XButton2) keys |= MK_XBUTTON2;
    if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
    return keys;
}

TPoint ScreenPoint(const QPointF& global) {
    const QPoint p = global.toPoint();
    return TPoint{p.x(), p.y()};
}

}  // namespace

bool MouseMessageFromEvent(const QEvent* Event, TMouseMessage& Msg) {
    if (!Event) return false;
    TMouseMessage m;
    switch (Event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove: {
            const auto* e = static_cast<const QMouseEvent*>(Event);
            if (Event->type() == QEvent::MouseMove) {
                m.Message = WM_MOUSEMOVE;
            } else {
                const bool down = Event->type() != QEvent::MouseButtonRelease;
                switch (e->button()) {
                    case Qt::LeftButton: m.Message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
                    case Qt::RightButton: m.Message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
                    case Qt::MiddleButton: m.Message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
                    case Qt::XButton1:
                        m.Message = down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
                        m.XButton = XBUTTON1;
                        break;
                    case Qt::XButton2:
                        m.Message = down ? WM_XBUTTONDOWN : WM_XBUTTONUP;
                        m.XButton = XBUTTON2;
                        break;
                    default: return false;
                }
            }
            m.Keys = KeysOf(e->buttons(), e->modifiers());
            m.Pt = ScreenPoint(e->globalPosition());
            m.Time = static_cast<uint32_t>(e->timestamp());
            break;
        }
        case QEvent::Wheel: {
            const auto* e = static_cast<const QWheelEvent*>(Event);
            int delta = e->angleDelta().y();
            if (delta == 0) return false;  // turned only sideways
            // The gesture follows the wheel itself, whatever the desktop's
            // scrolling direction.
            if (e->inverted()) delta = -delta;
            m.Message = WM_MOUSEWHEEL;
            m.WheelDelta = delta;
            m.Keys = KeysOf(e->buttons(), e->modifiers());
            m.Pt = ScreenPoint(e->globalPosition());
            m.Time = static_cast<uint32_t>(e->timestamp());
            break;
        }
        default: return false;
    }
    Msg = m;
    return true;
}

// ---- gesture texts -------------------------------------------------------

std::string MouseGestureToText(TMouseGestureType Gesture) {
    switch (Gesture) {
        case mgUp: return "↑";
        case mgDown: return "↓";
        case mgLeft: return "←";
        case mgRight: return "→";
        case mgLeftClick: return "LeftClick";
        case mgWheelClick: return "WheelClick";
        case mgWheelUp: return "WheelUp";
        case mgWheelDown: return "WheelDown";
        case mgSide1: return "Side1";
        case mgSide2: return "Side2";
        case mgSide1R: return "Side1R";
        case mgSide2R: return "Sede2R";  // the text has always been spelled so
    }
    return std::string();
}

std::string MouseGesturesToText(const TMouseGestureArray& Gestures) {
    std::string text;
    for (TMouseGestureType g : Gestures) {
        const bool stroke = g == mgUp || g == mgDown || g == mgLeft || g == mgRight;
        if (!stroke && !text.empty()) text += "\r\n";
        text += MouseGestureToText(g);
    }
    return text;
}

// ---- the recogniser ------------------------------------------------------

TgMouseGesture::TgMouseGesture(QWidget* AOwner) : FOwner(AOwner) {}

TgMouseGesture::~TgMouseGesture() { *FAlive = false; }

bool TgMouseGesture::IsInGestureArea(const TPoint& P) const {
    if (!FOwner) return false;
    const QPoint local = FOwner->mapFromGlobal(QPoint(P.X, P.Y));
    return TRectangle::IsPointInControl(FOwner, TPoint{local.x(), local.y()});
}

bool TgMouseGesture::AddGesture(TMouseGestureType Gesture) {
    if (!FGestures.empty() && FGestures.back() == Gesture) return false;
    FGestures.push_back(Gesture);
    return true;
}

void TgMouseGesture::TrackMouseMove(const TPoint& P) {
    if (!IsInGestureArea(P)) {
        FLastPoint = TPoint{0, 0};
        return;
    }
    if (FLastPoint.X == 0) {
        FLastPoint = P;
        return;
    }
    const int64_t dx = std::llabs(int64_t(P.X) - FLastPoint.X);
    const int64_t dy = std::llabs(int64_t(P.Y) - FLastPoint.Y);
    // A negative margin counts as none: a move that goes nowhere is no stroke.
    const int64_t margin = std::max<int32_t>(Margin, 0);
    if (dx <= margin && dy <= margin) return;
    TMouseGestureType g;
    if (double(dy) / (double(dx) + 0.001) >= 1)
        g = P.Y <= FLastPoint.Y ? mgUp : mgDown;
    else
        g = P.X <= FLastPoint.X ? mgLeft : mgRight;
    FLastPoint = P;
    if (!AddGesture(g)) return;

    const auto alive = FAlive;
    if (OnMouseGestureNotify) {
        const auto ev = OnMouseGestureNotify;
        ev(this, g);
        if (!*alive) return;
    }
    if (OnMouseGestureNotifyMove) {
        const auto ev = OnMouseGestureNotifyMove;
        const TMouseGestureArray so_far = FGestures;
        ev(this, so_far);
    }
}

void TgMouseGesture::Execute(const TMouseGestureArray& Gestures) {
    if (!OnMouseGestureExecute) return;
    // Handlers get their own copy: one may run a script whose pending
    // messages come back here while it works.
    const auto ev = OnMouseGestureExecute;
    const TMouseGestureArray gestures = Gestures;
    ev(this, gestures);
}

void TgMouseGesture::Abandon() {
    FGestures.clear();
    FLastPoint = TPoint{0, 0};
    Execute(TMouseGestureArray());
}

void TgMouseGesture::HandleMessage(TMouseMessage& Msg, bool& Handled) {
    if (!Enabled) return;
    Handled = false;
    // The state changes and Handled are settled before any event fires, so
    // that a handler that throws or handles further messages finds them done.
    switch (Msg.Message) {
        case WM_MOUSEMOVE:
            if (Msg.Keys == MK_RBUTTON) {
                Handled = true;
                TrackMouseMove(Msg.Pt);
            } else {
                // Any other button or key gives the gesture up. The move is
                // not tracked: a stroke counted now would be announced for a
                // gesture that no longer exists.
                Abandon();
            }
            break;
        case WM_RBUTTONDOWN:
            FGestures.clear();
            FLastPoint = Msg.Pt;
            break;
        case WM_RBUTTONUP:
            FInButtonGesture = false;
            if (!IsInGestureArea(Msg.Pt)) {
                Handled = true;
                Abandon();
            } else if (!FGestures.empty() && Msg.Keys == 0) {
                Handled = true;
                Execute(FGestures);
            }
            break;
        case WM_LBUTTONDOWN:
            if (Msg.Keys == (MK_LBUTTON | MK_RBUTTON)) {
                FInButtonGesture = true;
                Handled = true;
            }
            break;
        case WM_LBUTTONUP:
            if (FInButtonGesture) {
                FInButtonGesture = false;
                Handled = true;
                ExecuteOne(mgLeftClick);
            }
            break;
        case WM_MBUTTONDOWN:
            if (Msg.Keys == (MK_MBUTTON | MK_RBUTTON)) {
                FInButtonGesture = true;
                Handled = true;
            }
            break;
        case WM_MBUTTONUP:
            if (FInButtonGesture) {
                FInButtonGesture = false;
                Handled = true;
                ExecuteOne(mgWheelClick);
            }
            break;
        case WM_MOUSEWHEEL:
            if (Msg.Keys == MK_RBUTTON) {
                Handled = true;
                // Toward the user (and a zero turn counts the other way).
                ExecuteOne(Msg.WheelDelta < 0 ? mgWheelDown : mgWheelUp);
            }
            break;
        case WM_XBUTTONDOWN:
            if (Msg.XButton == XBUTTON1 || Msg.XButton == XBUTTON2) {
                FInButtonGesture = true;
                Handled = (Msg.Keys & MK_RBUTTON) != 0;
            }
            break;
        case WM_XBUTTONUP:
            if (FInButtonGesture) {
                FInButtonGesture = false;
                Handled = true;
                const bool right = (Msg.Keys & MK_RBUTTON) != 0;
                if (Msg.XButton == XBUTTON1)
                    ExecuteOne(right ? mgSide1R : mgSide1);
                else if (Msg.XButton == XBUTTON2)
                    ExecuteOne(right ? mgSide2R : mgSide2);
            }
            break;
        default: break;
    }
}

// ---- the hook ------------------------------------------------------------

TMouseGestureHook::TMouseGestureHook(TgMouseGesture* Gesture, TActiveTest Active, QObject* Parent)
    : QObject(Parent), FGesture(Gesture), FActive(std::move(Active)) {}

TMouseGestureHook::~TMouseGestureHook() { *FAlive = false; }

bool TMouseGestureHook::eventFilter(QObject* Watched, QEvent* Event) {
    switch (Event->type()) {
        case QEvent::ContextMenu: return FilterContextMenu(Watched, Event);
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::Wheel:
            // Only where Qt hands the input to a widget: swallowed on its way
            // to the window, it would leave Qt's own record of the pressed
            // buttons and the mouse grab behind.
            return Watched->isWidgetType() && FilterMouse(Event);
        default: return false;
    }
}

bool TMouseGestureHook::FilterContextMenu(QObject* Watched, QEvent* Event) {
    const auto* e = static_cast<const QContextMenuEvent*>(Event);
    if (e->reason() != QContextMenuEvent::Mouse) return false;
    if (Event == FReplay) {
        FReplay = nullptr;
        return false;
    }
    if (FRightPressed) {
        // Raised by the press: wait for the release.
        if (!FMenuReceiver) {
            FMenuReceiver = qobject_cast<QWidget*>(Watched);
            FMenuModifiers = static_cast<int>(e->modifiers());
        }
        return true;
    }
    if (FSwallowMenu) {
        // Raised by a release that ended a gesture.
        FSwallowMenu = false;
        return true;
    }
    return false;
}

bool TMouseGestureHook::InGestureArea(const TPoint& GlobalPos) const {
    QWidget* owner = FGesture ? FGesture->Owner() : nullptr;
    return owner && owner->isVisible() && owner->rect().contains(owner->mapFromGlobal(QPoint(GlobalPos.X, GlobalPos.Y)));
}

void TMouseGestureHook::ReplayContextMenu(const TPoint& GlobalPos) {
    QPointer<QWidget> receiver = FMenuReceiver;
    FMenuReceiver = nullptr;
    if (!receiver) return;
    const QPoint global(GlobalPos.X, GlobalPos.Y);
    auto* menu = new QContextMenuEvent(QContextMenuEvent::Mouse, receiver->mapFromGlobal(global), global,
                                       Qt::KeyboardModifiers(FMenuModifiers));
    FReplay = menu;
    // Posted, so that the release reaches its widget first.
    QCoreApplication::postEvent(receiver, menu);
}

bool TMouseGestureHook::FilterMouse(QEvent* Event) {
    if (!Event->spontaneous()) return false;
    TMouseMessage msg;
    if (!MouseMessageFromEvent(Event, msg)) return false;
    const uint64_t timestamp = static_cast<const QInputEvent*>(Event)->timestamp();

    // Qt offers one input to the widget and then to its parents while they
    // ignore it: the copies share the message, position, keys and time stamp,
    // and go the way the first one went.
    if (FLast.Valid && FLast.Timestamp == timestamp && FLast.Msg.Message == msg.Message &&
        FLast.Msg.Keys == msg.Keys && FLast.Msg.Pt == msg.Pt && FLast.Msg.XButton == msg.XButton &&
        FLast.Msg.WheelDelta == msg.WheelDelta)
        return FLast.Handled;

    // A right click that starts outside the gesture area (another pane, its
    // tab bar) is nobody's gesture: its press, moves and release, and the
    // menu they raise, go their own way at once.
    if (msg.Message == WM_RBUTTONDOWN) FOutsidePress = !InGestureArea(msg.Pt);
    if (FOutsidePress) {
        const bool ofThatClick = msg.Message == WM_RBUTTONDOWN || msg.Message == WM_RBUTTONUP ||
                                 (msg.Message == WM_MOUSEMOVE && (msg.Keys & MK_RBUTTON));
        if (ofThatClick) {
            FLast = TLastInput{};
            FRightPressed = false;
            FMenuReceiver = nullptr;
            FSwallowMenu = false;
            return false;
        }
        FOutsidePress = false;
    }

    // A popup (an open menu, a combo box's list) runs its own mouse handling,
    // which a gesture must not take over.
    bool active = FGesture && FGesture->Enabled && !QApplication::activePopupWidget();
    if (active && FActive) {
        try {
            active = FActive();
        } catch (const std::exception& e) {
            app::HandleException(e);
            active = false;
        }
    }
    if (!active) {
        FLast = TLastInput{};
        if (msg.Message == WM_RBUTTONUP && FRightPressed) {
            // The release is nobody's gesture: the held menu opens.
            FRightPressed = false;
            ReplayContextMenu(msg.Pt);
        }
        return false;
    }

    FSwallowMenu = false;
    if (msg.Message == WM_RBUTTONDOWN) {
        FRightPressed = true;
        FMenuReceiver = nullptr;
    }

    bool handled = false;
    const auto alive = FAlive;
    app::Guard([&] { FGesture->HandleMessage(msg, handled); });
    if (!*alive) return handled;

    FLast.Valid = true;
    FLast.Timestamp = timestamp;
    FLast.Msg = msg;
    FLast.Handled = handled;

    if (msg.Message == WM_RBUTTONUP) {
        FRightPressed = false;
        if (handled) {
            FMenuReceiver = nullptr;
            FSwallowMenu = true;
        } else {
            ReplayContextMenu(msg.Pt);
        }
    }
    return handled;
}
