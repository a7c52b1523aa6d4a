#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "AppException.h"
#include "Exception.h"
#include "TestUtil.h"
#include "WindowMessage.h"

namespace {

void EnsureCoreApp() {
    static int argc = 1;
    static char arg0[] = "test";
    static char* argv[] = {arg0, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // lives to the end of the program
}

struct Recorder {
    winmsg::TMessageWindow window;
    std::vector<std::string> log;
    Recorder() {
        window.WndProc = [this](winmsg::TMessage& m) {
            log.push_back(std::to_string(m.Msg - winmsg::WM_APP) + ":" + std::to_string(m.WParam) + ":" +
                          std::to_string(m.LParam));
            m.Result = static_cast<winmsg::LRESULT>(m.WParam * 10);
        };
    }
};

}  // namespace

TEST(WindowMessage, SendRunsAtOnceAndReturnsTheResult) {
    EnsureCoreApp();
    Recorder r;
    EXPECT_EQ(winmsg::SendMessage(r.window.Handle(), winmsg::WM_APP + 4, 7, -3), 70);
    EXPECT_EQ(r.log, std::vector<std::string>{"4:7:-3"});
}

TEST(WindowMessage, PostIsQueuedUntilTheEventLoopRuns) {
    EnsureCoreApp();
    Recorder r;
    EXPECT_TRUE(winmsg::PostMessage(r.window.Handle(), winmsg::WM_APP + 1, 1, 0));
    EXPECT_TRUE(winmsg::PostMessage(r.window.Handle(), winmsg::WM_APP + 2, 2, 0));
    EXPECT_TRUE(r.log.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(r.log, (std::vector<std::string>{"1:1:0", "2:2:0"}));
}

TEST(WindowMessage, AWindowThatHasGoneReceivesNothing) {
    EnsureCoreApp();
    auto r = std::make_unique<Recorder>();
    winmsg::HWND h = r->window.Handle();
    EXPECT_TRUE(winmsg::IsWindow(h));
    EXPECT_TRUE(winmsg::PostMessage(h, winmsg::WM_APP, 0, 0));
    r.reset();
    QCoreApplication::processEvents();  // the queued message dies with its window
    EXPECT_FALSE(winmsg::IsWindow(h));
    EXPECT_FALSE(winmsg::PostMessage(h, winmsg::WM_APP, 0, 0));
    EXPECT_EQ(winmsg::SendMessage(h, winmsg::WM_APP, 5, 0), 0);
    Recorder again;
    EXPECT_NE(again.window.Handle(), h);  // handles are not reused
}

TEST(WindowMessage, ReceiverErrorsReachTheSenderOrTheApplicationHandler) {
    EnsureCoreApp();
    winmsg::TMessageWindow w;
    w.WndProc = [](winmsg::TMessage&) { throw Exception("受信エラー"); };
    EXPECT_THROW(winmsg::SendMessage(w.Handle(), winmsg::WM_APP, 0, 0), Exception);

    std::string reported;
    testutil::THookScope hooks;
    hooks.Set(app::SetExceptionHandler, [&](const std::exception& e) { reported = e.what(); });
    winmsg::PostMessage(w.Handle(), winmsg::WM_APP, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(reported, "受信エラー");
}

TEST(WindowMessage, AReceiverMayFreeItsWindow) {
    EnsureCoreApp();
    auto* w = new winmsg::TMessageWindow;
    int calls = 0;
    w->WndProc = [&calls, &w](winmsg::TMessage& m) {
        ++calls;
        delete w;
        w = nullptr;
        m.Result = 1;
    };
    winmsg::HWND h = w->Handle();
    EXPECT_EQ(winmsg::SendMessage(h, winmsg::WM_APP, 0, 0), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(winmsg::IsWindow(h));
}
