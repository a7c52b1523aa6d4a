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

// The size of the system's small icons; 16 x 16 unless a provider is installed
// (the controls layer installs one that asks the widget style).
TScreenSize SmallIconSize();
TScreenSizeProvider SetSmallIconProvider(TScreenSizeProvider provider);  // returns the one it replaced

}  // namespace screen
