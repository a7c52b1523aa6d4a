#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
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

#include "AppException.h"
#include "CP932.h"
#include "QtTestApp.h"
#include "TestUtil.h"
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
        {"the right and bottom edges belong to the owner",
         {RDown(280, 180), Move(300, 180), RUp(300, 200), RDown(280, 180), Move(300, 180), RUp(301, 200)},
         ".HH.HH",
         {u8"notify →", u8"strokes →", u8"execute →", u8"notify →", u8"strokes →", "execute "}},
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

TEST(MouseGesture, DisabledLooksAtNothing) {
    Rig rig;
    rig.gesture->Enabled = false;
    EXPECT_EQ(rig.Feed({RDown(120, 120), Move(140, 120), RUp(400, 120), Wheel(-120),
                        Button(WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON), Button(WM_LBUTTONUP, MK_RBUTTON)}),
              "......");
    EXPECT_TRUE(rig.log.empty());
    EXPECT_TRUE(rig.gesture->Gestures().empty());
    EXPECT_FALSE(rig.gesture->InButtonGesture());
}

TEST(MouseGesture, MarginIsTheDistanceAMoveMustLeave) {
    Rig rig;
    EXPECT_EQ(rig.gesture->Margin, 5);
    EXPECT_TRUE(rig.gesture->Enabled);
    rig.gesture->Margin = 20;
    EXPECT_EQ(rig.Feed({RDown(120, 120), Move(140, 140), Move(141, 120), RUp(141, 120)}), ".HHH");
    EXPECT_EQ(rig.log, (std::vector<std::string>{u8"notify →", u8"strokes →", u8"execute →"}));
    EXPECT_EQ(rig.gesture->LastPoint(), (TPoint{141, 120}));

    // A negative margin is none: a move that goes nowhere adds no stroke.
    Rig still;
    still.gesture->Margin = -3;
    EXPECT_EQ(still.Feed({RDown(120, 120), Move(120, 120), Move(121, 120), RUp(121, 120)}), ".HHH");
    EXPECT_EQ(still.log, (std::vector<std::string>{u8"notify →", u8"strokes →", u8"execute →"}));
}

TEST(MouseGesture, HandlersSeeTheStateSettled) {
    Rig rig;
    std::vector<std::string> seen;
    rig.gesture->OnMouseGestureExecute = [&](TObject*, const TMouseGestureArray& g) {
        seen.push_back(Utf8(MouseGesturesToText(g)) + (rig.gesture->InButtonGesture() ? " waiting" : "") +
                       (rig.gesture->LastPoint().X == 0 ? " no point" : ""));
    };
    rig.Feed({RDown(120, 120), Move(140, 120), RUp(400, 120), Button(WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON),
              Button(WM_LBUTTONUP, MK_RBUTTON)});
    EXPECT_EQ(seen, (std::vector<std::string>{" no point", "LeftClick no point"}));
}

TEST(MouseGesture, AHandlerMayFreeTheRecogniser) {
    Rig rig;
    rig.gesture->OnMouseGestureNotify = [&](TObject*, TMouseGestureType) {
        rig.log.push_back("freed");
        rig.gesture.reset();
    };
    TMouseMessage down = RDown(120, 120), move = Move(140, 120);
    bool handled = false;
    TgMouseGesture* g = rig.gesture.get();
    g->HandleMessage(down, handled);
    g->HandleMessage(move, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(rig.log, std::vector<std::string>{"freed"});  // no stroke event after it
}

TEST(MouseGesture, WithoutItsOwnerEverythingIsOutside) {
    Rig rig;
    auto owner = std::make_unique<QWidget>();
    owner->setGeometry(OwnerLeft, OwnerTop, OwnerWidth, OwnerHeight);
    TgMouseGesture gesture(owner.get());
    owner.reset();
    EXPECT_EQ(gesture.Owner(), nullptr);
    std::vector<TMouseMessage> messages{RDown(120, 120), Move(140, 120), RUp(140, 120)};
    std::string handled;
    for (auto& m : messages) {
        bool h = false;
        gesture.HandleMessage(m, h);
        handled += h ? 'H' : '.';
    }
    EXPECT_EQ(handled, ".HH");
    EXPECT_TRUE(gesture.Gestures().empty());
}

// ---- Qt events into messages -------------------------------------------------

// Converts every mouse event the widget receives.
struct Converter : QObject {
    std::vector<TMouseMessage> messages;
    bool eventFilter(QObject*, QEvent* e) override {
        TMouseMessage m;
        if (MouseMessageFromEvent(e, m)) messages.push_back(m);
        return false;
    }
};

std::string Describe(const TMouseMessage& m) {
    char buf[128];
    snprintf(buf, sizeof buf, "%03X keys %02X wheel %d x %d at %d,%d", m.Message, m.Keys, m.WheelDelta, m.XButton,
             m.Pt.X, m.Pt.Y);
    return buf;
}

TEST(MouseGestureAdapter, QtMouseEventsBecomeMessages) {
    testutil::App();
    QWidget w;
    w.setGeometry(OwnerLeft, OwnerTop, OwnerWidth, OwnerHeight);
    Converter conv;
    w.installEventFilter(&conv);
    const QPoint at(10, 20);  // on the screen: 110, 120

    QTest::mousePress(&w, Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseMove(&w, QPoint(30, 20));
    QTest::mousePress(&w, Qt::LeftButton, Qt::ShiftModifier, at);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::ShiftModifier, at);
    QTest::mousePress(&w, Qt::MiddleButton, Qt::ControlModifier, at);
    QTest::mouseRelease(&w, Qt::MiddleButton, Qt::ControlModifier, at);
    QTest::mousePress(&w, Qt::XButton1, Qt::NoModifier, at);
    QTest::mouseRelease(&w, Qt::XButton1, Qt::NoModifier, at);
    QTest::mousePress(&w, Qt::XButton2, Qt::NoModifier, at);
    QTest::mouseRelease(&w, Qt::XButton2, Qt::NoModifier, at);
    QTest::mouseRelease(&w, Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(&w, Qt::ExtraButton3, Qt::NoModifier, at);  // not one of ours
    QTest::mouseRelease(&w, Qt::ExtraButton3, Qt::NoModifier, at);

    const std::vector<std::string> expected{
        "204 keys 02 wheel 0 x 0 at 110,120", "200 keys 02 wheel 0 x 0 at 130,120",
        "201 keys 07 wheel 0 x 0 at 110,120", "202 keys 06 wheel 0 x 0 at 110,120",
        "207 keys 1A wheel 0 x 0 at 110,120", "208 keys 0A wheel 0 x 0 at 110,120",
        "20B keys 22 wheel 0 x 1 at 110,120", "20C keys 02 wheel 0 x 1 at 110,120",
        "20B keys 42 wheel 0 x 2 at 110,120", "20C keys 02 wheel 0 x 2 at 110,120",
        "205 keys 00 wheel 0 x 0 at 110,120", "201 keys 01 wheel 0 x 0 at 110,120",
        "202 keys 00 wheel 0 x 0 at 110,120",
    };
    std::vector<std::string> got;
    for (const auto& m : conv.messages) got.push_back(Describe(m));
    EXPECT_EQ(got, expected);
    ASSERT_GE(conv.messages.size(), 2u);
    EXPECT_LT(conv.messages[0].Time, conv.messages[1].Time);  // the events' own time stamps
}

TEST(MouseGestureAdapter, WheelEvents) {
    testutil::App();
    const QPointF local(5, 5), global(205, 105);
    struct Case {
        QPoint angle;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        bool inverted;
        const char* message;  // empty: no message
    } cases[] = {
        {{0, -120}, Qt::RightButton, Qt::NoModifier, false, "20A keys 02 wheel -120 x 0 at 205,105"},
        {{0, 240}, Qt::RightButton | Qt::LeftButton, Qt::ControlModifier, false,
         "20A keys 0B wheel 240 x 0 at 205,105"},
        {{0, 120}, Qt::RightButton, Qt::NoModifier, true, "20A keys 02 wheel -120 x 0 at 205,105"},
        {{120, 0}, Qt::RightButton, Qt::NoModifier, false, ""},
    };
    for (const auto& c : cases) {
        QWheelEvent e(local, global, QPoint(), c.angle, c.buttons, c.modifiers, Qt::NoScrollPhase, c.inverted);
        TMouseMessage m;
        const bool converted = MouseMessageFromEvent(&e, m);
        EXPECT_EQ(converted ? Describe(m) : std::string(), c.message);
    }
    QEvent other(QEvent::KeyPress);
    TMouseMessage m;
    EXPECT_FALSE(MouseMessageFromEvent(&other, m));
    EXPECT_FALSE(MouseMessageFromEvent(nullptr, m));
}

// ---- the hook in a running application ------------------------------------------

// A control that records what reaches it.
struct Control : QWidget {
    std::vector<std::string> seen;
    using QWidget::QWidget;
    void Note(const char* what, QMouseEvent* e) {
        seen.push_back(std::string(what) + " " + std::to_string(int(e->button())));
        e->ignore();  // on to the parent, as an editor's unused click would go
    }
    void mousePressEvent(QMouseEvent* e) override { Note("press", e); }
    void mouseReleaseEvent(QMouseEvent* e) override { Note("release", e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { Note("double", e); }
    void mouseMoveEvent(QMouseEvent* e) override { Note("move", e); }
    void wheelEvent(QWheelEvent*) override { seen.push_back("wheel"); }
    void contextMenuEvent(QContextMenuEvent* e) override {
        seen.push_back("menu at " + std::to_string(e->pos().x()) + "," + std::to_string(e->pos().y()));
    }
};

// A recogniser that also writes down every message it is handed.
struct CountingGesture : TgMouseGesture {
    using TgMouseGesture::TgMouseGesture;
    std::vector<uint32_t> messages;
    void HandleMessage(TMouseMessage& Msg, bool& Handled) override {
        messages.push_back(Msg.Message);
        TgMouseGesture::HandleMessage(Msg, Handled);
    }
};

struct HookRig : ::testing::Test, testutil::WithApp {
    QWidget window;
    Control* editor;
    CountingGesture gesture{nullptr};
    bool active = true;
    std::unique_ptr<TMouseGestureHook> hook;
    std::vector<std::string> executed;

    HookRig() : gesture(MakeEditor()) {
        window.setGeometry(OwnerLeft, OwnerTop, 300, 200);
        editor->setGeometry(10, 10, 200, 100);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        editor->setMouseTracking(true);
        gesture.OnMouseGestureExecute = [this](TObject*, const TMouseGestureArray& g) {
            executed.push_back(Utf8(MouseGesturesToText(g)));
        };
        hook = std::make_unique<TMouseGestureHook>(&gesture, [this] { return active; });
        qApp->installEventFilter(hook.get());
        Settle();
    }
    ~HookRig() override {
        hook.reset();
        // QTest keeps the buttons it pressed: leave none down for the next test.
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (QGuiApplication::mouseButtons() & b) QTest::mouseRelease(Win(), b, Qt::NoModifier, Local(150, 150));
    }
    QWidget* MakeEditor() {
        editor = new Control(&window);
        return editor;
    }
    QWindow* Win() { return window.windowHandle(); }
    // A window position from an editor position.
    QPoint Local(int x, int y) { return editor->mapTo(&window, QPoint(x, y)); }
    void Press(Qt::MouseButton b, int x, int y) { QTest::mousePress(Win(), b, Qt::NoModifier, Local(x, y)); }
    // Qt moves the mouse to where a press comes, with the buttons held so far:
    // a test that presses the right button alone moves there first.
    void Start(int x, int y) {
        MoveTo(x, y);
        editor->seen.clear();
        executed.clear();
        gesture.messages.clear();
        Press(Qt::RightButton, x, y);
    }
    void Release(Qt::MouseButton b, int x, int y) { QTest::mouseRelease(Win(), b, Qt::NoModifier, Local(x, y)); }
    void MoveTo(int x, int y) { QTest::mouseMove(Win(), Local(x, y)); }
    void Wheel(int delta, int x, int y) {
        const QPoint local = Local(x, y);
        QWheelEvent e(local, window.mapToGlobal(local), QPoint(), QPoint(0, delta), QGuiApplication::mouseButtons(),
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&e);
        qApp->notify(Win(), &e);  // as the window system delivers it
    }
    void Settle() { QCoreApplication::processEvents(); }
};

TEST_F(HookRig, AGestureIsSwallowedAndOpensNoMenu) {
    Start(20, 20);
    MoveTo(60, 20);
    MoveTo(60, 60);
    Release(Qt::RightButton, 60, 60);
    Settle();
    EXPECT_EQ(executed, std::vector<std::string>{u8"→↓"});
    // The press went on; the moves and the release did not, and no menu opened.
    EXPECT_EQ(editor->seen, std::vector<std::string>{"press 2"});
}

TEST_F(HookRig, AfterASwallowedReleaseTheMouseIsNoLongerGrabbed) {
    auto* other = new Control(&window);
    other->setGeometry(220, 10, 60, 60);
    other->setMouseTracking(true);
    other->show();
    Start(20, 20);
    MoveTo(60, 20);
    Release(Qt::RightButton, 60, 20);
    editor->seen.clear();
    MoveTo(230, 20);  // over the other control, in editor coordinates
    Press(Qt::LeftButton, 230, 20);
    Release(Qt::LeftButton, 230, 20);
    EXPECT_TRUE(editor->seen.empty());
    EXPECT_EQ(other->seen, (std::vector<std::string>{"move 0", "press 1", "release 1"}));
}

TEST_F(HookRig, APlainRightClickOpensTheMenuAtTheRelease) {
    Start(20, 20);
    EXPECT_EQ(editor->seen, std::vector<std::string>{"press 2"});  // no menu while the button is down
    MoveTo(23, 22);
    Release(Qt::RightButton, 23, 22);
    Settle();
    EXPECT_TRUE(executed.empty());
    EXPECT_EQ(editor->seen, (std::vector<std::string>{"press 2", "release 2", "menu at 23,22"}));
}

TEST_F(HookRig, AButtonElementIsSwallowedAndTheRightClickStillOpensTheMenu) {
    Start(20, 20);
    Press(Qt::LeftButton, 20, 20);
    Release(Qt::LeftButton, 20, 20);
    Wheel(-120, 20, 20);
    Release(Qt::RightButton, 20, 20);
    Settle();
    EXPECT_EQ(executed, (std::vector<std::string>{"LeftClick", "WheelDown"}));
    EXPECT_EQ(editor->seen, (std::vector<std::string>{"press 2", "release 2", "menu at 20,20"}));
}

TEST_F(HookRig, EachInputIsHandedOverOnce) {
    // The editor passes every event on to its parent; the recogniser still sees
    // one message for each input, and nothing sent from code.
    MoveTo(20, 20);
    gesture.messages.clear();
    Press(Qt::LeftButton, 20, 20);
    MoveTo(30, 20);
    Release(Qt::LeftButton, 30, 20);
    QMouseEvent fromCode(QEvent::MouseButtonPress, QPointF(20, 20), editor->mapToGlobal(QPointF(20, 20)),
                         Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(editor, &fromCode);
    EXPECT_EQ(gesture.messages, (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    // A double click is one more press, and its press is not seen twice.
    MoveTo(20, 20);
    gesture.messages.clear();
    QTest::mouseDClick(Win(), Qt::LeftButton, Qt::NoModifier, Local(20, 20));
    EXPECT_EQ(gesture.messages,
              (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(HookRig, ADoubleLeftClickWithTheRightButtonHeldIsTwoClicks) {
    Start(20, 20);
    QTest::mouseDClick(Win(), Qt::LeftButton, Qt::NoModifier, Local(20, 20));
    Release(Qt::RightButton, 20, 20);
    Settle();
    EXPECT_EQ(executed, (std::vector<std::string>{"LeftClick", "LeftClick"}));
    EXPECT_EQ(editor->seen, (std::vector<std::string>{"press 2", "release 2", "menu at 20,20"}));
}

TEST_F(HookRig, InactiveHandsNothingOver) {
    active = false;
    Start(20, 20);
    MoveTo(60, 20);
    Release(Qt::RightButton, 60, 20);
    Settle();
    EXPECT_TRUE(gesture.messages.empty());
    EXPECT_TRUE(executed.empty());
    EXPECT_EQ(editor->seen, (std::vector<std::string>{"press 2", "menu at 20,20", "move 0", "release 2"}));
}

TEST_F(HookRig, NothingIsHandedOverWhileAPopupIsOpen) {
    QWidget popup(nullptr, Qt::Popup);
    popup.setGeometry(OwnerLeft + 20, OwnerTop + 20, 100, 100);
    popup.show();
    ASSERT_EQ(QApplication::activePopupWidget(), &popup);
    QTest::mousePress(&popup, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseMove(&popup, QPoint(60, 10));
    QTest::mouseRelease(&popup, Qt::RightButton, Qt::NoModifier, QPoint(60, 10));
    EXPECT_TRUE(gesture.messages.empty());
}

// A right click that starts beside the gesture area (another pane's tab bar)
// is left alone while the recogniser is fed: its menu opens at once, its
// release goes on, and the click after it is as any other.
TEST_F(HookRig, ARightClickBesideTheGestureAreaIsLeftAlone) {
    auto* other = new Control(&window);
    other->setGeometry(220, 10, 60, 60);
    other->show();
    MoveTo(230, 20);
    other->seen.clear();
    gesture.messages.clear();
    executed.clear();
    Press(Qt::RightButton, 230, 20);
    EXPECT_EQ(other->seen, (std::vector<std::string>{"press 2", "menu at 20,20"}));
    Release(Qt::RightButton, 230, 20);
    Settle();
    EXPECT_EQ(other->seen, (std::vector<std::string>{"press 2", "menu at 20,20", "release 2"}));
    EXPECT_TRUE(gesture.messages.empty());
    EXPECT_TRUE(executed.empty());
    // a plain right click in the area still holds its menu to the release
    Start(20, 20);
    Release(Qt::RightButton, 20, 20);
    Settle();
    EXPECT_EQ(editor->seen, (std::vector<std::string>{"press 2", "release 2", "menu at 20,20"}));
}

TEST_F(HookRig, FocusLostDuringTheClickStillOpensTheHeldMenu) {
    Start(20, 20);
    active = false;
    Release(Qt::RightButton, 20, 20);
    Settle();
    EXPECT_EQ(editor->seen, (std::vector<std::string>{"press 2", "release 2", "menu at 20,20"}));
}

TEST_F(HookRig, ReleasedOutsideTheOwnerAbandonsAndOpensNoMenu) {
    Start(20, 20);
    MoveTo(60, 20);
    Release(Qt::RightButton, 250, 150);  // in the window, off the editor
    Settle();
    EXPECT_EQ(executed, (std::vector<std::string>{""}));
    EXPECT_EQ(editor->seen, std::vector<std::string>{"press 2"});
}

TEST_F(HookRig, AHandlerExceptionStopsAtTheHook) {
    Start(20, 20);
    std::vector<std::string> reported;
    testutil::THookScope hooks;
    hooks.Set(app::SetExceptionHandler, [&](const std::exception& e) { reported.push_back(e.what()); });
    gesture.OnMouseGestureExecute = [](TObject*, const TMouseGestureArray&) { throw std::runtime_error("boom"); };
    MoveTo(60, 20);
    Release(Qt::RightButton, 60, 20);
    Settle();
    EXPECT_EQ(reported, std::vector<std::string>{"boom"});
    EXPECT_EQ(editor->seen, std::vector<std::string>{"press 2"});  // the release was still swallowed
}

}  // namespace
