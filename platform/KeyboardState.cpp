#include "KeyboardState.h"

namespace kbstate {

namespace {
TKeyboardState& State() {
    static TKeyboardState s{};
    return s;
}
void SetDown(uint16_t vk, bool down) {
    uint8_t& b = State()[vk];
    b = static_cast<uint8_t>(down ? (b | 0x80) : (b & ~0x80));
}
}  // namespace

void GetKeyboardState(TKeyboardState& S) { S = State(); }
void SetKeyboardState(const TKeyboardState& S) { State() = S; }
uint8_t GetKeyState(uint16_t VirtualKey) { return VirtualKey < 256 ? State()[VirtualKey] : 0; }

TShiftState ShiftState() {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) & 0x80) s |= ssShift;
    if (GetKeyState(VK_CONTROL) & 0x80) s |= ssCtrl;
    if (GetKeyState(VK_MENU) & 0x80) s |= ssAlt;
    return s;
}

void TrackKeyEvent(Qt::KeyboardModifiers Modifiers, int PressedKey) {
    SetDown(VK_SHIFT, (Modifiers & Qt::ShiftModifier) != 0);
    SetDown(VK_CONTROL, (Modifiers & Qt::ControlModifier) != 0);
    SetDown(VK_MENU, (Modifiers & Qt::AltModifier) != 0);
    switch (PressedKey) {
        case Qt::Key_Shift: State()[VK_SHIFT] ^= 0x01; break;
        case Qt::Key_Control: State()[VK_CONTROL] ^= 0x01; break;
        case Qt::Key_Alt: State()[VK_MENU] ^= 0x01; break;
        default: break;
    }
}

}  // namespace kbstate
