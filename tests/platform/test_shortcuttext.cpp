#include <gtest/gtest.h>

#include "ShortCutText.h"

using shortcut::ShortCutToText;
using shortcut::TextToShortCut;
using shortcut::TShortCut;

TEST(ShortCutText, TextsTurnIntoKeysAndBackInTheToolkitsWords) {
    struct Case {
        const char* text;
        TShortCut key;
        const char* back;
    } cases[] = {
        {"CTRL+F2", {Qt::Key_F2, false, true, false}, "Ctrl+F2"},
        {"SHIFT+Esc", {Qt::Key_Escape, true, false, false}, "Shift+Esc"},
        {"CTRL+-", {Qt::Key_Minus, false, true, false}, "Ctrl+-"},
        {"SHIFT+CTRL+-", {Qt::Key_Minus, true, true, false}, "Shift+Ctrl+-"},
        {"SHIFT+CTRL+F10", {Qt::Key_F10, true, true, false}, "Shift+Ctrl+F10"},
        {"F9", {Qt::Key_F9, false, false, false}, "F9"},
        {"ctrl+shift+alt+n", {Qt::Key_N, true, true, true}, "Shift+Ctrl+Alt+N"},
        {"^N", {Qt::Key_N, false, true, false}, "Ctrl+N"},
        {"^", {Qt::Key_AsciiCircum, false, false, false}, "^"},
        {"Ctrl+^", {Qt::Key_AsciiCircum, false, true, false}, "Ctrl+^"},
        {"Shift++", {Qt::Key_Plus, true, false, false}, "Shift++"},
        {"alt+pgdn", {Qt::Key_PageDown, false, false, true}, "Alt+PgDn"},
        {"Ctrl+BKSP", {Qt::Key_Backspace, false, true, false}, "Ctrl+BkSp"},
        {"Shift+Del", {Qt::Key_Delete, true, false, false}, "Shift+Del"},
        {"Ctrl+Enter", {Qt::Key_Return, false, true, false}, "Ctrl+Enter"},
        {"Ctrl+Space", {Qt::Key_Space, false, true, false}, "Ctrl+Space"},
        {"Ctrl+0", {Qt::Key_0, false, true, false}, "Ctrl+0"},
        {"F24", {Qt::Key_F24, false, false, false}, "F24"},
        {"ctrl+ctrl+a", {Qt::Key_A, false, true, false}, "Ctrl+A"},
        // no shortcut
        {"", {}, ""},
        {"CTRL+", {}, ""},
        {"F25", {}, ""},
        {"F0", {}, ""},
        {"F02", {}, ""},
        {"Hyper+A", {}, ""},
        {"CTRL+F2 ", {}, ""},
        {"Ctrl+Escape", {}, ""},
        {"Ctrl+\x82\xA0", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TShortCut k = TextToShortCut(c.text);
        EXPECT_EQ(k.Key, c.key.Key);
        EXPECT_EQ(k.Shift, c.key.Shift);
        EXPECT_EQ(k.Ctrl, c.key.Ctrl);
        EXPECT_EQ(k.Alt, c.key.Alt);
        EXPECT_EQ(ShortCutToText(k), c.back);
        EXPECT_EQ(TextToShortCut(ShortCutToText(k)), k);  // the text read back means the same keys
    }
}

TEST(ShortCutText, KeySequencesForActions) {
    EXPECT_EQ(shortcut::ToKeySequence(TextToShortCut("SHIFT+CTRL+F10")),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_F10));
    EXPECT_EQ(shortcut::ToKeySequence(TextToShortCut("CTRL+-")), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    EXPECT_TRUE(shortcut::ToKeySequence(TShortCut()).isEmpty());

    EXPECT_EQ(ShortCutToText(shortcut::FromKeySequence(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Home))),
              "Shift+Alt+Home");
    EXPECT_TRUE(shortcut::FromKeySequence(QKeySequence()).IsEmpty());
    // a key the notation has no name for is no shortcut
    EXPECT_TRUE(shortcut::FromKeySequence(QKeySequence(Qt::CTRL | Qt::Key_VolumeUp)).IsEmpty());
}
