#include "ScreenMetrics.h"

#include <utility>

#include <QCoreApplication>
#include <QGuiApplication>
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

TScreenSize SmallIconSize() {
    const TScreenSizeProvider& p = IconProvider();
    return p ? p() : TScreenSize{16, 16};
}

TScreenSizeProvider SetSmallIconProvider(TScreenSizeProvider provider) {
    return std::exchange(IconProvider(), std::move(provider));
}

}  // namespace screen
