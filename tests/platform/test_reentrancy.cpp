#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

#include "Reentrancy.h"

namespace {

QCoreApplication& CoreApp() {
    if (auto* app = QCoreApplication::instance()) return *app;
    static int argc = 1;
    static char arg0[] = "zintavor-test";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

void FreeDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

TEST(Reentrancy, FreedAtOnceWhenIdle) {
    CoreApp();
    QPointer<QObject> o = new QObject;
    EXPECT_FALSE(reentry::IsBusy());
    reentry::FreeWhenIdle(o);
    EXPECT_TRUE(o.isNull());
    reentry::FreeWhenIdle(nullptr);
}

TEST(Reentrancy, DeferredUntilTheOutermostGuardEnds) {
    CoreApp();
    QPointer<QObject> a = new QObject;
    QObject parent;
    QPointer<QObject> child = new QObject(&parent);
    QPointer<QObject> gone = new QObject;
    {
        reentry::TBusyGuard outer;
        {
            reentry::TBusyGuard inner;
            EXPECT_EQ(reentry::BusyDepth(), 2);
            reentry::FreeWhenIdle(a);
            reentry::FreeWhenIdle(a);  // asked twice, freed once
            reentry::FreeWhenIdle(child);
            reentry::FreeWhenIdle(gone);
            EXPECT_TRUE(reentry::IsFreePending(a));
        }
        FreeDeferred();
        EXPECT_FALSE(a.isNull());
        delete gone;  // freed meanwhile by someone else: skipped later
    }
    EXPECT_EQ(reentry::BusyDepth(), 0);
    EXPECT_FALSE(reentry::IsFreePending(a));
    FreeDeferred();
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(child.isNull());
    EXPECT_TRUE(parent.children().isEmpty());
}

}  // namespace
