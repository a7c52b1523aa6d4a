#include "ShortCutText.h"

#include <array>

#include "SysUtils.h"

namespace shortcut {

namespace {

struct TKeyName {
    int Key;
    const char* Name;
};

// The keys named by a word; letters, digits, F1-F24 and the ASCII punctuation
// keys are named by themselves.
constexpr std::array<TKeyName, 15> kNamedKeys{{
    {Qt::Key_Backspace, "BkSp"}, {Qt::Key_Tab, "Tab"},      {Qt::Key_Escape, "Esc"},   {Qt::Key_Return, "Enter"},
    {Qt::Key_Space, "Space"},    {Qt::Key_PageUp, "PgUp"},  {Qt::Key_PageDown, "PgDn"}, {Qt::Key_End, "End"},
    {Qt::Key_Home, "Home"},      {Qt::Key_Left, "Left"},    {Qt::Key_Up, "Up"},        {Qt::Key_Right, "Right"},
    {Qt::Key_Down, "Down"},      {Qt::Key_Insert, "Ins"},   {Qt::Key_Delete, "Del"},
}};

constexpr int kMaxFunctionKey = 24;

bool IsPunctuation(int c) {
    return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

// The key of a key name; 0 when none.
int KeyOfName(std::string_view name) {
    if (name.size() == 1) {
        unsigned char c = static_cast<unsigned char>(name[0]);
        if (c >= 'a' && c <= 'z') return Qt::Key_A + (c - 'a');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || IsPunctuation(c)) return c;
        return 0;
    }
    for (const TKeyName& k : kNamedKeys)
        if (sys::SameText(name, k.Name)) return k.Key;
    if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
        int32_t n = 0;
        if (name[1] >= '1' && name[1] <= '9' && sys::TryStrToInt(name.substr(1), n) && n <= kMaxFunctionKey)
            return Qt::Key_F1 + (n - 1);
    }
    return 0;
}

std::string NameOfKey(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) || IsPunctuation(key))
        return std::string(1, static_cast<char>(key));
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + kMaxFunctionKey) return "F" + sys::IntToStr(key - Qt::Key_F1 + 1);
    for (const TKeyName& k : kNamedKeys)
        if (k.Key == key) return k.Name;
    return std::string();
}

}  // namespace

TShortCut TextToShortCut(std::string_view Text) {
    TShortCut sc;
    for (;;) {
        if (sys::StartsText("Shift+", Text)) {
            sc.Shift = true;
            Text.remove_prefix(6);
        } else if (sys::StartsText("Ctrl+", Text)) {
            sc.Ctrl = true;
            Text.remove_prefix(5);
        } else if (sys::StartsText("Alt+", Text)) {
            sc.Alt = true;
            Text.remove_prefix(4);
        } else if (Text.size() > 1 && Text[0] == '^') {
            sc.Ctrl = true;
            Text.remove_prefix(1);
        } else {
            break;
        }
    }
    sc.Key = KeyOfName(Text);
    if (sc.Key == 0) return TShortCut();
    return sc;
}

std::string ShortCutToText(const TShortCut& ShortCut) {
    std::string name = NameOfKey(ShortCut.Key);
    if (name.empty()) return name;
    std::string text;
    if (ShortCut.Shift) text += "Shift+";
    if (ShortCut.Ctrl) text += "Ctrl+";
    if (ShortCut.Alt) text += "Alt+";
    return text + name;
}

QKeySequence ToKeySequence(const TShortCut& ShortCut) {
    if (ShortCut.IsEmpty()) return QKeySequence();
    Qt::KeyboardModifiers mods;
    if (ShortCut.Shift) mods |= Qt::ShiftModifier;
    if (ShortCut.Ctrl) mods |= Qt::ControlModifier;
    if (ShortCut.Alt) mods |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(ShortCut.Key)));
}

TShortCut FromKeySequence(const QKeySequence& Sequence) {
    if (Sequence.isEmpty()) return TShortCut();
    QKeyCombination c = Sequence[0];
    TShortCut sc;
    sc.Key = static_cast<int>(c.key());
    sc.Shift = c.keyboardModifiers().testFlag(Qt::ShiftModifier);
    sc.Ctrl = c.keyboardModifiers().testFlag(Qt::ControlModifier);
    sc.Alt = c.keyboardModifiers().testFlag(Qt::AltModifier);
    return NameOfKey(sc.Key).empty() ? TShortCut() : sc;
}

}  // namespace shortcut
