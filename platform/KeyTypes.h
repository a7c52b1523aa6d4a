// Keys and shift states in the toolkit's terms: virtual-key codes and the
// shift-state set that key and mouse handlers receive, and their Qt forms.
#pragma once
#include <cstdint>

#include <Qt>

// The shift state of a key or mouse event.
enum TShiftStateFlag : uint8_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
using TShiftState = uint8_t;

// Virtual-key codes of the keys the program handles by code.
enum : uint16_t {
    VK_BACK = 8,
    VK_TAB = 9,
    VK_RETURN = 13,
    VK_SHIFT = 16,
    VK_CONTROL = 17,
    VK_MENU = 18,
    VK_ESCAPE = 27,
    VK_SPACE = 32,
    VK_PRIOR = 33,
    VK_NEXT = 34,
    VK_END = 35,
    VK_HOME = 36,
    VK_LEFT = 37,
    VK_UP = 38,
    VK_RIGHT = 39,
    VK_DOWN = 40,
    VK_INSERT = 45,
    VK_DELETE = 46,
    VK_F1 = 112,
    VK_OEM_MINUS = 0xBD,  // "-"
    VK_OEM_2 = 0xBF,      // "/"
    VK_OEM_5 = 0xDC,      // "\\"
    VK_OEM_7 = 0xDE,      // "^"
};

// Shift with a digit on the common layouts types a symbol; with Ctrl the key
// means the digit. Other keys are returned as they are.
inline int ShiftedDigitKey(int Key) {
    switch (Key) {
        case Qt::Key_ParenRight: return Qt::Key_0;
        case Qt::Key_Exclam: return Qt::Key_1;
        case Qt::Key_At:
        case Qt::Key_QuoteDbl: return Qt::Key_2;
        case Qt::Key_NumberSign: return Qt::Key_3;
        case Qt::Key_Dollar: return Qt::Key_4;
        case Qt::Key_Percent: return Qt::Key_5;
        case Qt::Key_AsciiCircum:
        case Qt::Key_Ampersand: return Qt::Key_6;
        case Qt::Key_Apostrophe: return Qt::Key_7;
        case Qt::Key_Asterisk:
        case Qt::Key_ParenLeft: return Qt::Key_8;
        default: return Key;
    }
}

// The virtual-key code of a Qt key: letters and digits as their upper-case
// ASCII code, function keys from VK_F1; 0 for a key without one.
inline uint16_t VirtualKeyOf(int key) {
    switch (key) {
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return VK_CONTROL;
        case Qt::Key_Alt: return VK_MENU;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Insert: return VK_INSERT;
        case Qt::Key_Delete: return VK_DELETE;
        case Qt::Key_Minus: return VK_OEM_MINUS;
        case Qt::Key_Slash: return VK_OEM_2;
        case Qt::Key_Backslash: return VK_OEM_5;
        case Qt::Key_AsciiCircum: return VK_OEM_7;
        default: break;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<uint16_t>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint16_t>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<uint16_t>(VK_F1 + (key - Qt::Key_F1));
    return 0;
}

// The Qt key of a virtual-key code (the inverse of VirtualKeyOf); 0 for none.
inline int QtKeyOf(uint16_t vk) {
    switch (vk) {
        case VK_BACK: return Qt::Key_Backspace;
        case VK_TAB: return Qt::Key_Tab;
        case VK_RETURN: return Qt::Key_Return;
        case VK_SHIFT: return Qt::Key_Shift;
        case VK_CONTROL: return Qt::Key_Control;
        case VK_MENU: return Qt::Key_Alt;
        case VK_ESCAPE: return Qt::Key_Escape;
        case VK_SPACE: return Qt::Key_Space;
        case VK_PRIOR: return Qt::Key_PageUp;
        case VK_NEXT: return Qt::Key_PageDown;
        case VK_END: return Qt::Key_End;
        case VK_HOME: return Qt::Key_Home;
        case VK_LEFT: return Qt::Key_Left;
        case VK_UP: return Qt::Key_Up;
        case VK_RIGHT: return Qt::Key_Right;
        case VK_DOWN: return Qt::Key_Down;
        case VK_INSERT: return Qt::Key_Insert;
        case VK_DELETE: return Qt::Key_Delete;
        case VK_OEM_MINUS: return Qt::Key_Minus;
        case VK_OEM_2: return Qt::Key_Slash;
        case VK_OEM_5: return Qt::Key_Backslash;
        case VK_OEM_7: return Qt::Key_AsciiCircum;
        default: break;
    }
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= VK_F1 && vk < VK_F1 + 24) return Qt::Key_F1 + (vk - VK_F1);
    return 0;
}

// The shift state of Qt's modifiers and mouse buttons.
inline TShiftState ShiftStateOf(Qt::KeyboardModifiers m, Qt::MouseButtons b = Qt::NoButton) {
    TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    if (b & Qt::LeftButton) s |= ssLeft;
    if (b & Qt::RightButton) s |= ssRight;
    if (b & Qt::MiddleButton) s |= ssMiddle;
    return s;
}
