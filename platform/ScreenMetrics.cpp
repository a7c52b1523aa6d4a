#include "ScreenMetrics.h"

#include <utility>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>

namespace screen {

namespace {
TScreenSizeProvider& VirtualProvider() {
    static TScreenSizeProvider p;
    return p;
}
TScreenSizeProvider& IconProvider() {
    static TScreenSizeProvider p;
    return p;
}
TWorkAreaProvider& WorkAreaProvider() {
    static TWorkAreaProvider p;
    return p;
}
}  // namespace

TScreenSize DefaultVirtualScreenSize() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            QRect r = s->virtualGeometry();
            return {r.width(), r.height()};
        }
    }
    return {1920, 1080};
}

TScreenSize VirtualScreenSize() {
    const TScreenSizeProvider& p = VirtualProvider();
    return p ? p() : DefaultVirtualScreenSize();
}

TScreenSizeProvider SetVirtualScreenProvider(TScreenSizeProvider provider) {
    return std::exchange(VirtualProvider(), std::move(provider));
}

TScreenRect WorkAreaAt(int32_t X, int32_t Y) {
    if (const TWorkAreaProvider& p = WorkAreaProvider()) return p(X, Y);
    if (VirtualProvider()) {
        const TScreenSize s = VirtualProvider()();
        return {0, 0, s.Width, s.Height};
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QScreen* s = QGuiApplication::screenAt(QPoint(X, Y));
        if (!s) s = QGuiApplication::primaryScreen();
        if (s) {
            const QRect r = s->availableGeometry();
            return {r.x(), r.y(), r.width(), r.height()};
        }
    }
    return {0, 0, 1920, 1080};
}

TWorkAreaProvider SetWorkAreaProvider(TWorkAreaProvider provider) {
    return std::exchange(WorkAreaProvider(), std::move(provider));
}

TScreenSize SmallIconSize() {
    const TScreenSizeProvider& p = IconProvider();
    return p ? p() : TScreenSize{16, 16};
}

TScreenSizeProvider SetSmallIconProvider(TScreenSizeProvider provider) {
    return std::exchange(IconProvider(), std::move(provider));
}

}  // namespace screen
