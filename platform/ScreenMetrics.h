// The screen sizes the system asks for (the whole virtual screen, the small
// icon size), each behind a provider that can be replaced, so that code
// using them runs and is tested without a display.
#pragma once
#include <cstdint>
#include <functional>

namespace screen {

struct TScreenSize {
    int32_t Width = 0;
    int32_t Height = 0;
};

using TScreenSizeProvider = std::function<TScreenSize()>;

// The width and height of the virtual screen (all monitors together).
TScreenSize VirtualScreenSize();
// Installs a provider and returns the one it replaced; an empty one restores the default.
TScreenSizeProvider SetVirtualScreenProvider(TScreenSizeProvider provider);
// The default: the primary screen's virtual geometry when a GUI application
// exists, otherwise 1920 x 1080.
TScreenSize DefaultVirtualScreenSize();

// A rectangle of the screen, in the desktop's coordinates.
struct TScreenRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

using TWorkAreaProvider = std::function<TScreenRect(int32_t X, int32_t Y)>;

// The work area (the screen less its panels and task bars) of the screen that
// holds the point (X, Y); of the primary screen when no screen holds it. With
// a virtual-screen provider and no work-area provider installed, the one
// screen that provider describes, at 0, 0 (so a test sets one screen size for
// both); without a GUI application 1920 x 1080 at 0, 0.
TScreenRect WorkAreaAt(int32_t X, int32_t Y);
// Installs a provider and returns the one it replaced; an empty one restores the default.
TWorkAreaProvider SetWorkAreaProvider(TWorkAreaProvider provider);

// The size of the system's small icons; 16 x 16 unless a provider is installed
// (the controls layer installs one that asks the widget style).
TScreenSize SmallIconSize();
TScreenSizeProvider SetSmallIconProvider(TScreenSizeProvider provider);  // returns the one it replaced

}  // namespace screen
