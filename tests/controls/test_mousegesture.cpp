#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <QSpontaneKeyEvent>

#include "CP932.h"
#include "QtTestApp.h"
#include "U_MouseGesture.h"

using namespace winmsg;

namespace {

std::string Utf8(const std::string& cp932) { return cp932::ToUtf8(cp932); }

// ---- display texts ---------------------------------------------------------

TEST(MouseGestureText, EveryElement) {
    const char* texts[] = {u8"↑",        u8"↓",       u8"←",       u8"→",     "LeftClick", "WheelClick",
                           "WheelUp",    "WheelDown", "Side1",     "Side2",   "Side1R",    "Sede2R"};
    for (int g = mgUp; g <= mgSide2R; ++g)
        EXPECT_EQ(Utf8(MouseGestureToText(static_cast<TMouseGestureType>(g))), texts[g]) << g;
    // The arrows are the system's own double-byte characters.
    EXPECT_EQ(MouseGestureToText(mgRight), "\x81\xa8");
    EXPECT_EQ(MouseGestureToText(mgUp), "\x81\xaa");
}

TEST(MouseGestureText, StrokesRunOnOtherElementsStartALine) {
    struct Case {
        TMouseGestureArray gestures;
        const char* text;
    } cases[] = {
        {{}, ""},
        {{mgRight, mgLeftClick, mgUp}, u8"→\r\nLeftClick↑"},
        {{mgUp, mgDown, mgLeft, mgRight}, u8"↑↓←→"},
        {{mgLeftClick}, "LeftClick"},
        {{mgWheelUp, mgWheelDown, mgSide2R}, "WheelUp\r\nWheelDown\r\nSede2R"},
        {{mgSide1, mgLeft}, u8"Side1←"},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8(MouseGesturesToText(c.gestures)), c.text) << c.text;
}

// ---- the recogniser on synthetic messages ----------------------------------

// The owner's client area covers the screen from (100, 100) to (300, 200).
constexpr int OwnerLeft = 100, OwnerTop = 100, OwnerWidth = 200, OwnerHeight = 100;

TMouseMessage Msg(uint32_t message, int x, int y, uint32_t keys, int wheel = 0, uint16_t xbutton = 0) {
    TMouseMessage m;
    m.Message = message;
    m.Pt = TPoint{x, y};
    m.Keys = keys;
    m.WheelDelta = wheel;
    m.XButton = xbutton;
    return m;
}
TMouseMessage Move(int x, int y, uint32_t keys = MK_RBUTTON) { return Msg(WM_MOUSEMOVE, x, y, keys); }
TMouseMessage RDown(int x, int y, uint32_t keys = MK_RBUTTON) { return Msg(WM_RBUTTONDOWN, x, y, keys); }
TMouseMessage RUp(int x, int y, uint32_t keys = 0) { return Msg(WM_RBUTTONUP, x, y, keys); }
TMouseMessage Button(uint32_t message, uint32_t keys, uint16_t xbutton = 0) {
    return Msg(message, 150, 150, keys, 0, xbutton);
}
TMouseMessage Wheel(int delta, uint32_t keys = MK_RBUTTON) { return Msg(WM_MOUSEWHEEL, 150, 150, keys, delta); }

// An owner with a recogniser whose events are written into a log.
struct Rig : testutil::WithApp {
    QWidget owner;
    std::unique_ptr<TgMouseGesture> gesture;
    std::vector<std::string> log;

    Rig() {
        owner.setGeometry(OwnerLeft, OwnerTop, OwnerWidth, OwnerHeight);
        gesture = std::make_unique<TgMouseGesture>(&owner);
        gesture->OnMouseGestureNotify = [this](TObject* sender, TMouseGestureType g) {
            EXPECT_EQ(sender, gesture.get());
            log.push_back("notify " + Utf8(MouseGestureToText(g)));
        };
        gesture->OnMouseGestureNotifyMove = [this](TObject* sender, const TMouseGestureArray& g) {
            EXPECT_EQ(sender, gesture.get());
            log.push_back("strokes " + Utf8(MouseGesturesToText(g)));
        };
        gesture->OnMouseGestureExecute = [this](TObject* sender, const TMouseGestureArray& g) {
            EXPECT_EQ(sender, gesture.get());
            log.push_back("execute " + Utf8(MouseGesturesToText(g)));
        };
    }

    // One letter per message: H handled, . not.
    std::string Feed(const std::vector<TMouseMessage>& messages) {
        std::string handled;
        for (TMouseMessage m : messages) {
            bool h = false;
            gesture->HandleMessage(m, h);
            handled += h ? 'H' : '.';
        }
        return handled;
    }
};

TEST(MouseGesture, OwnerAreaIsWhereTheTestsAssumeIt) {
    Rig rig;
    EXPECT_EQ(rig.owner.mapToGlobal(QPoint(0, 0)), QPoint(OwnerLeft, OwnerTop));
}

struct SequenceCase {
    const char* name;
    std::vector<TMouseMessage> messages;
    const char* handled;
    std::vector<std::string> log;
};

TEST(MouseGesture, MessageSequences) {
    const SequenceCase cases[] = {
        {"repeated direction counts once",
         {RDown(120, 120), Move(130, 120), Move(140, 120), Move(140, 135), RUp(140, 135)},
         ".HHHH",
         {u8"notify →", u8"strokes →", u8"notify ↓", u8"strokes →↓", u8"execute →↓"}},
        {"moves within the margin leave the right click alone",
         {RDown(120, 120), Move(125, 125), Move(115, 115), RUp(115, 115)},
         ".HH.",
         {}},
        {"equal dx and dy is horizontal, a pixel more of dy vertical",
         {RDown(150, 150), Move(160, 160), Move(150, 150), Move(160, 161), Move(150, 150), RUp(150, 150)},
         ".HHHHH",
         {u8"notify →", u8"strokes →", u8"notify ←", u8"strokes →←", u8"notify ↓", u8"strokes →←↓",
          u8"notify ↑", u8"strokes →←↓↑", u8"execute →←↓↑"}},
        {"the last counted point moves only with a stroke",
         {RDown(150, 150), Move(154, 150), Move(158, 150), RUp(158, 150)},
         ".HHH",
         {u8"notify →", u8"strokes →", u8"execute →"}},
        {"released outside the owner: abandoned with an empty gesture",
         {RDown(120, 120), Move(140, 120), RUp(400, 120)},
         ".HH",
         {u8"notify →", u8"strokes →", "execute "}},
        {"leaving the owner forgets the last point",
         {RDown(120, 120), Move(400, 120), Move(200, 180), Move(200, 150), RUp(200, 150)},
         ".HHHH",
         {u8"notify ↑", u8"strokes ↑", u8"execute ↑"}},
        {"a right button down at screen x 0 leaves no last point",
         {RDown(0, 120), Move(200, 190), Move(200, 170), RUp(200, 170)},
         ".HHH",
         {u8"notify ↑", u8"strokes ↑", u8"execute ↑"}},
        {"a move without the right button gives the gesture up",
         {RDown(120, 120), Move(140, 120), Move(140, 160, 0), RUp(140, 160)},
         ".H..",
         {u8"notify →", u8"strokes →", "execute "}},
        {"a move with the right button and Shift gives the gesture up",
         {RDown(120, 120), Move(140, 120), Move(140, 160, MK_RBUTTON | MK_SHIFT), RUp(140, 160)},
         ".H..",
         {u8"notify →", u8"strokes →", "execute "}},
        {"after a gesture a plain move announces no stroke",
         {RDown(120, 120), Move(140, 120), RUp(140, 120), Move(140, 180, 0), Move(190, 180, 0)},
         ".HH..",
         {u8"notify →", u8"strokes →", u8"execute →", "execute ", "execute "}},
        {"a release with another button still down is a plain release",
         {RDown(120, 120), Move(140, 120), RUp(140, 120, MK_LBUTTON)},
         ".H.",
         {u8"notify →", u8"strokes →"}},
        {"a left click with the right button held",
         {RDown(120, 120), Button(WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON), Button(WM_LBUTTONUP, MK_RBUTTON),
          RUp(120, 120)},
         ".HH.",
         {"execute LeftClick"}},
        {"a left click alone",
         {Button(WM_LBUTTONDOWN, MK_LBUTTON), Button(WM_LBUTTONUP, 0)},
         "..",
         {}},
        {"a left click with the right button and Ctrl held",
         {Button(WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON | MK_CONTROL), Button(WM_LBUTTONUP, MK_RBUTTON)},
         "..",
         {}},
        {"a wheel click with the right button held",
         {Button(WM_MBUTTONDOWN, MK_MBUTTON | MK_RBUTTON), Button(WM_MBUTTONUP, MK_RBUTTON)},
         "HH",
         {"execute WheelClick"}},
        {"a wheel click alone",
         {Button(WM_MBUTTONDOWN, MK_MBUTTON), Button(WM_MBUTTONUP, 0)},
         "..",
         {}},
        {"wheel turns with the right button held",
         {Wheel(-120), Wheel(120), Wheel(-240), Wheel(0)},
         "HHHH",
         {"execute WheelDown", "execute WheelUp", "execute WheelDown", "execute WheelUp"}},
        {"wheel turns with Ctrl too, or without the right button",
         {Wheel(-120, MK_RBUTTON | MK_CONTROL), Wheel(120, 0), Wheel(120, MK_RBUTTON | MK_LBUTTON)},
         "...",
         {}},
        {"side buttons with the right button held",
         {Button(WM_XBUTTONDOWN, MK_XBUTTON1 | MK_RBUTTON, XBUTTON1), Button(WM_XBUTTONUP, MK_RBUTTON, XBUTTON1),
          Button(WM_XBUTTONDOWN, MK_XBUTTON2 | MK_RBUTTON, XBUTTON2), Button(WM_XBUTTONUP, MK_RBUTTON, XBUTTON2)},
         "HHHH",
         {"execute Side1R", "execute Sede2R"}},
        {"side buttons alone: the press goes on, the release is the gesture",
         {Button(WM_XBUTTONDOWN, MK_XBUTTON1, XBUTTON1), Button(WM_XBUTTONUP, 0, XBUTTON1),
          Button(WM_XBUTTONDOWN, MK_XBUTTON2, XBUTTON2), Button(WM_XBUTTONUP, 0, XBUTTON2)},
         ".H.H",
         {"execute Side1", "execute Side2"}},
        {"a side button pressed alone and released with the right button down",
         {Button(WM_XBUTTONDOWN, MK_XBUTTON2, XBUTTON2), RDown(150, 150, MK_XBUTTON2 | MK_RBUTTON),
          Button(WM_XBUTTONUP, MK_RBUTTON, XBUTTON2)},
         "..H",
         {"execute Sede2R"}},
        {"a right button up ends the wait for a button's release",
         {RDown(120, 120), Button(WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON), RUp(120, 120, MK_LBUTTON),
          Button(WM_LBUTTONUP, 0)},
         ".H..",
         {}},
        {"a button element leaves the strokes as they are",
         {RDown(120, 120), Move(140, 120), Button(WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON),
          Button(WM_LBUTTONUP, MK_RBUTTON), Move(140, 140), RUp(140, 140)},
         ".HHHHH",
         {u8"notify →", u8"strokes →", "execute LeftClick", u8"notify ↓", u8"strokes →↓", u8"execute →↓"}},
        {"a release without its press does nothing",
         {Button(WM_LBUTTONUP, MK_RBUTTON), Button(WM_MBUTTONUP, MK_RBUTTON), Button(WM_XBUTTONUP, MK_RBUTTON, 1)},
         "...",
         {}},
        {"other messages are left alone",
         {Msg(0x0100, 150, 150, MK_RBUTTON), Msg(0x0203, 150, 150, MK_LBUTTON | MK_RBUTTON),
          Msg(0x020E, 150, 150, MK_RBUTTON, 120)},
         "...",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        EXPECT_EQ(rig.Feed(c.messages), c.handled);
        EXPECT_EQ(rig.log, c.log);
    }
}

}  // namespace
