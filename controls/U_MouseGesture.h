// Mouse gestures on one control: strokes up, down, left and right drawn while
// the right button is held, and single button elements (a left click, a wheel
// click or a wheel turn while the right button is held, and the two side
// buttons).
//
// The recogniser hooks nothing itself. Its owner hands it the mouse messages
// of the application, as TMouseMessage records, while the owner's editor has
// the focus, and lets through only the messages that come back unhandled. In
// a Qt program TMouseGestureHook does that handing: an application-wide event
// filter that converts the Qt mouse events (MouseMessageFromEvent), swallows
// what the recogniser handles, and moves the context menu of a plain right
// click to the button release so that a gesture can be drawn at all.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "Geometry.h"
#include "Method.h"
#include "Persistent.h"
#include "WindowMessage.h"

class QEvent;
class QWidget;

// ---- the mouse message ---------------------------------------------------

// One mouse message as the owner hands it over.
// The message numbers and key bits are those of WindowMessage.h.
struct TMouseMessage {
    uint32_t Message = 0;    // winmsg::WM_MOUSEMOVE .. winmsg::WM_XBUTTONUP
    uint32_t Keys = 0;       // winmsg::MK_ bits
    int32_t WheelDelta = 0;  // WM_MOUSEWHEEL: 120 a notch, above 0 away from the user
    uint16_t XButton = 0;    // WM_XBUTTONDOWN / WM_XBUTTONUP: XBUTTON1 or XBUTTON2
    TPoint Pt;               // the mouse position on the screen
    uint32_t Time = 0;       // milliseconds, as the window system stamps its input
};

// The message of a Qt mouse event (press, double click, release, move) or
// wheel event; false for any other event, for buttons other than left, right,
// middle and the two side buttons, and for a wheel turned only sideways.
// A double click counts as a press: for a gesture it is one more press.
bool MouseMessageFromEvent(const QEvent* Event, TMouseMessage& Msg);

// ---- gestures ------------------------------------------------------------

enum TMouseGestureType : uint8_t {
    mgUp,
    mgDown,
    mgLeft,
    mgRight,
    mgLeftClick,
    mgWheelClick,
    mgWheelUp,
    mgWheelDown,
    mgSide1,
    mgSide2,
    mgSide1R,
    mgSide2R
};
using TMouseGestureArray = std::vector<TMouseGestureType>;

using TMouseGestureExecuteEvent = TEvent<void(TObject* Sender, const TMouseGestureArray& Gestures)>;
using TMouseGestureNotifyEvent = TEvent<void(TObject* Sender, TMouseGestureType Gesture)>;

// The display text of one element: an arrow for a stroke, the button's name
// for the others.
std::string MouseGestureToText(TMouseGestureType Gesture);
// The texts of the elements in order: strokes run on directly, any other
// element starts a new line (CR LF) unless it comes first.
std::string MouseGesturesToText(const TMouseGestureArray& Gestures);

class TgMouseGesture : public TObject {
public:
    // AOwner is the control whose client area the gestures are drawn in.
    explicit TgMouseGesture(QWidget* AOwner);
    ~TgMouseGesture() override;

    QWidget* Owner() const { return FOwner; }

    // Looks at one message; Handled comes back True when the message belongs
    // to a gesture and must not reach its window. Nothing happens while
    // Enabled is False.
    virtual void HandleMessage(TMouseMessage& Msg, bool& Handled);

    // A move counts only when it leaves this many pixels in x or y.
    int32_t Margin = 5;
    bool Enabled = true;

    // A gesture ended; fired with an empty array when one is abandoned.
    TMouseGestureExecuteEvent OnMouseGestureExecute;
    // A stroke was added: the stroke, then the whole gesture so far.
    TMouseGestureNotifyEvent OnMouseGestureNotify;
    TMouseGestureExecuteEvent OnMouseGestureNotifyMove;

    // The strokes of the gesture in progress (or of the last one).
    const TMouseGestureArray& Gestures() const { return FGestures; }
    // The last counted mouse position on the screen; X = 0 means none.
    TPoint LastPoint() const { return FLastPoint; }
    // A button element was pressed and waits for its release.
    bool InButtonGesture() const { return FInButtonGesture; }

protected:
    // Appends the element unless it repeats the last one; true when it was added.
    bool AddGesture(TMouseGestureType Gesture);
    void TrackMouseMove(const TPoint& P);
    // True when the screen point lies in the owner's client area (edges included).
    virtual bool IsInGestureArea(const TPoint& P) const;

private:
    void Abandon();
    void Execute(const TMouseGestureArray& Gestures);
    void ExecuteOne(TMouseGestureType Gesture) { Execute(TMouseGestureArray{Gesture}); }

    QPointer<QWidget> FOwner;
    TPoint FLastPoint;
    bool FInButtonGesture = false;
    TMouseGestureArray FGestures;
    // False once the recogniser is gone; a handler may free it.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// ---- the hook of a Qt application ----------------------------------------

// An application-wide event filter that feeds one recogniser. The owner makes
// it with a test of when the recogniser is to be fed (typically: the owner's
// editor has the focus) and installs it on the application:
//
//   FGestureHook = std::make_unique<TMouseGestureHook>(
//       FMouseGesture.get(), [this] { return FEditor->hasFocus(); });
//   qApp->installEventFilter(FGestureHook.get());
//
// Only input from the window system is handed over (an event sent from code is
// not a message of the queue), as Qt delivers it to a widget, and each input
// once although Qt offers it to the widget's parents too; nothing while a popup
// (an open menu) is up. A handled event is swallowed.
// The context menu that Qt raises on the right button's press is held back
// until the release, and opened then only when the release is not handled, so
// that a gesture suppresses it and a plain right click still opens it.
class TMouseGestureHook : public QObject {
public:
    using TActiveTest = std::function<bool()>;

    // Gesture is not owned and must outlive the hook; an empty Active feeds
    // always.
    TMouseGestureHook(TgMouseGesture* Gesture, TActiveTest Active, QObject* Parent = nullptr);
    ~TMouseGestureHook() override;

    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool FilterContextMenu(QObject* Watched, QEvent* Event);
    bool FilterMouse(QEvent* Event);
    void ReplayContextMenu(const TPoint& GlobalPos);
    // Over the recogniser's owner (a screen point).
    bool InGestureArea(const TPoint& GlobalPos) const;

    TgMouseGesture* FGesture;
    TActiveTest FActive;

    // The last message handed over, to know the copies of one input.
    struct TLastInput {
        bool Valid = false;
        uint64_t Timestamp = 0;
        TMouseMessage Msg;
        bool Handled = false;
    } FLast;

    // A right press was handed over and its release has not come yet.
    bool FRightPressed = false;
    // The context menu held back from that press.
    QPointer<QWidget> FMenuReceiver;
    int FMenuModifiers = 0;
    // The release was handled: a context menu raised by it is swallowed.
    bool FSwallowMenu = false;
    // The right button went down outside the gesture area: that click is let alone.
    bool FOutsidePress = false;
    // The menu posted at the release, let through when it comes (compared only).
    const QEvent* FReplay = nullptr;

    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
