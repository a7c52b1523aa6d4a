// The keyboard state of the GUI thread: one byte per virtual-key code, 0x80
// set while the key is down and 0x01 its toggle. Key handlers read Shift,
// Ctrl and Alt from here rather than from their event, so that a replayed
// key message sees the modifier states that were forged for it. A key event
// of the platform brings the modifier keys' bytes up to date first.
#pragma once
#include <array>
#include <cstdint>

#include "KeyTypes.h"

namespace kbstate {

using TKeyboardState = std::array<uint8_t, 256>;

void GetKeyboardState(TKeyboardState& State);
void SetKeyboardState(const TKeyboardState& State);
uint8_t GetKeyState(uint16_t VirtualKey);

// Shift, Ctrl and Alt as they stand in the state.
TShiftState ShiftState();

// A key event of the platform: the down bits of Shift, Ctrl and Alt follow its
// modifiers; a press of one of those keys itself flips its toggle bit.
void TrackKeyEvent(Qt::KeyboardModifiers Modifiers, int PressedKey = 0);

}  // namespace kbstate
