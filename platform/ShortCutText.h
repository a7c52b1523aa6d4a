// Shortcut texts in the toolkit's notation ("Ctrl+F2", "SHIFT+Esc", "^N",
// "CTRL+-") and the key combinations they stand for. A text is modifier
// words ("Shift+", "Ctrl+" or "^", "Alt+", in any order) and a key name; words
// and key names are matched without regard to case. An empty or unrecognised
// text is no shortcut. Back to text, the modifiers come in the order Shift,
// Ctrl, Alt with the toolkit's own words and key names.
#pragma once
#include <string>
#include <string_view>

#include <QKeySequence>

namespace shortcut {

struct TShortCut {
    int Key = 0;  // a Qt::Key code; 0 = no shortcut
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;

    bool IsEmpty() const { return Key == 0; }
    bool operator==(const TShortCut& o) const {
        return Key == o.Key && (Key == 0 || (Shift == o.Shift && Ctrl == o.Ctrl && Alt == o.Alt));
    }
    bool operator!=(const TShortCut& o) const { return !(*this == o); }
};

// The key combination of a text; an empty one when the text names none.
TShortCut TextToShortCut(std::string_view Text);
// The text of a key combination; empty for no shortcut or a key without a name.
std::string ShortCutToText(const TShortCut& ShortCut);

// For QAction::setShortcut and back (the first combination of a sequence).
QKeySequence ToKeySequence(const TShortCut& ShortCut);
TShortCut FromKeySequence(const QKeySequence& Sequence);

}  // namespace shortcut
