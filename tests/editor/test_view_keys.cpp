// Keys and characters of the editor: (text, caret, options, keys) to
// (text, caret, selection), with word wrap off and at 20 columns.
#include <functional>
#include <vector>

#include "ViewTestUtil.h"

using namespace viewtest;

namespace {
struct Press {
    int Key;
    Qt::KeyboardModifiers Mods = Qt::NoModifier;
    const char* Text = nullptr;  // UTF-8
};

struct Case {
    const char* Name;
    std::string Text;
    int Row, Col;
    std::function<void(TEditor&)> Options;
    std::vector<Press> Keys;
    std::string Expect;
    int ERow, ECol;
    std::string ESel;
};

void NoOpt(TEditor&) {}
void Fixed(TEditor& e) { e.Caret().FreeCaret = false; }
void Wrap20(TEditor& e) {
    e.WrapOption().SetWrapByte(20);
    e.SetWordWrap(true);
}

const Qt::KeyboardModifiers S = Qt::ShiftModifier, C = Qt::ControlModifier;
}  // namespace

class KeyTable : public ViewFixture {};

TEST_F(KeyTable, KeysGiveTextCaretAndSelection) {
    const std::string a20(20, 'a');
    const std::vector<Case> cases = {
        {"right at a row end stays without NextLine", "abc\r\ndef", 0, 3, Fixed, {{Qt::Key_Right}}, "abc\r\ndef", 0, 3, ""},
        {"right at a row end goes on with NextLine", "abc\r\ndef", 0, 3,
         [](TEditor& e) { Fixed(e); e.Caret().NextLine = true; }, {{Qt::Key_Right}}, "abc\r\ndef", 1, 0, ""},
        {"right at the end of a wrapped row goes on", std::string(25, 'a'), 0, 19, Wrap20, {{Qt::Key_Right}},
         std::string(25, 'a'), 1, 0, ""},
        {"free caret goes right of the end", "ab", 0, 2, NoOpt, {{Qt::Key_Right}, {Qt::Key_Right}}, "ab", 0, 4, ""},
        {"left at column 0 stays without NextLine", "ab\r\ncd", 1, 0, NoOpt, {{Qt::Key_Left}}, "ab\r\ncd", 1, 0, ""},
        {"left at column 0 of a continuation row", std::string(25, 'a'), 1, 0, Wrap20, {{Qt::Key_Left}},
         std::string(25, 'a'), 0, 19, ""},
        {"down on the last row without a line break", "ab\r\ncd", 1, 1, NoOpt, {{Qt::Key_Down}}, "ab\r\ncd", 1, 1, ""},
        {"down after a final line break goes one row further", "ab\r\ncd\r\n", 1, 1, Fixed,
         {{Qt::Key_Down}, {Qt::Key_Down}}, "ab\r\ncd\r\n", 2, 0, ""},
        {"page up at the top goes to row 0", "a\r\nb\r\nc", 2, 0, NoOpt, {{Qt::Key_PageUp}}, "a\r\nb\r\nc", 0, 0, ""},
        {"home and end", "abc\r\nde", 0, 1, NoOpt, {{Qt::Key_End}, {Qt::Key_Down}, {Qt::Key_Home}}, "abc\r\nde", 1, 0, ""},
        {"ctrl end after a final line break", "ab\r\ncd\r\n", 0, 0, NoOpt, {{Qt::Key_End, C}}, "ab\r\ncd\r\n", 2, 0, ""},
        {"shift end selects to the row end", "abc", 0, 1, NoOpt, {{Qt::Key_End, S}}, "abc", 0, 3, "bc"},
        {"an arrow without shift drops the selection and moves", "abc", 0, 1, NoOpt,
         {{Qt::Key_End, S}, {Qt::Key_Left}}, "abc", 0, 2, ""},
        {"ctrl home then shift ctrl end selects all", "ab\r\ncd\r\n", 1, 1, NoOpt,
         {{Qt::Key_Home, C}, {Qt::Key_End, C | S}}, "ab\r\ncd\r\n", 2, 0, "ab\r\ncd\r\n"},
        {"shift up selects backwards", "abc\r\ndef", 1, 2, NoOpt, {{Qt::Key_Up, S}}, "abc\r\ndef", 0, 2, "c\r\nde"},
        {"ctrl right jumps to the next word", "abc def", 0, 0, NoOpt, {{Qt::Key_Right, C}}, "abc def", 0, 4, ""},
        {"ctrl left jumps to the word start", "abc def", 0, 6, NoOpt, {{Qt::Key_Left, C}}, "abc def", 0, 4, ""},
        {"backspace at the start does nothing", "ab", 0, 0, NoOpt, {{Qt::Key_Backspace}}, "ab", 0, 0, ""},
        {"backspace at a row start joins the rows", "ab\r\ncd", 1, 0, NoOpt, {{Qt::Key_Backspace}}, "abcd", 0, 2, ""},
        {"backspace on a continuation row deletes the last character above", std::string(25, 'a'), 1, 0, Wrap20,
         {{Qt::Key_Backspace}}, std::string(24, 'a'), 0, 19, ""},
        {"backspace after a tab deletes the tab", "a\tx", 0, 8, NoOpt, {{Qt::Key_Backspace}}, "ax", 0, 1, ""},
        {"backspace deletes a double-byte character whole", "a\x82\xa0z", 0, 3, NoOpt, {{Qt::Key_Backspace}}, "az", 0, 1, ""},
        {"backspace right of the row end moves left", "ab", 0, 5, NoOpt, {{Qt::Key_Backspace}}, "ab", 0, 4, ""},
        {"backspace at an indent goes to the indent above", "    a\r\n        b", 1, 8, NoOpt,
         {{Qt::Key_Backspace}}, "    a\r\n    b", 1, 4, ""},
        {"backspace at an indent without a smaller one above", "        b", 0, 8, NoOpt, {{Qt::Key_Backspace}}, "b",
         0, 0, ""},
        {"delete in a tab's fill deletes the tab", "a\tx", 0, 4, [](TEditor& e) { e.Caret().InTab = true; },
         {{Qt::Key_Delete}}, "ax", 0, 1, ""},
        {"delete a double-byte character", "\x82\xa0z", 0, 0, NoOpt, {{Qt::Key_Delete}}, "z", 0, 0, ""},
        {"delete at the end joins the next row", "ab\r\ncd", 0, 2, NoOpt, {{Qt::Key_Delete}}, "abcd", 0, 2, ""},
        {"delete removes a final line break", "ab\r\n", 0, 2, NoOpt, {{Qt::Key_Delete}}, "ab", 0, 2, ""},
        {"delete at the end of the text does nothing", "ab", 0, 2, NoOpt, {{Qt::Key_Delete}}, "ab", 0, 2, ""},
        {"delete right of the row end pads and joins", "ab\r\ncd", 0, 4, NoOpt, {{Qt::Key_Delete}}, "ab  cd", 0, 4, ""},
        {"return splits the row", "abcd", 0, 2, NoOpt, {{Qt::Key_Return}}, "ab\r\ncd", 1, 0, ""},
        {"return indents like the line", "  ab", 0, 4, NoOpt, {{Qt::Key_Return}}, "  ab\r\n  ", 1, 2, ""},
        {"return inside the indent indents to the caret", "    ab", 0, 2, NoOpt, {{Qt::Key_Return}},
         "  \r\n    ab", 1, 2, ""},
        {"return on an empty line indents like the line above", "    a\r\n\r\n", 1, 0,
         [](TEditor& e) { e.Caret().PrevSpaceIndent = true; }, {{Qt::Key_Return}}, "    a\r\n\r\n    \r\n", 2, 4, ""},
        {"return with tab indent", "\t\tx", 0, 9, [](TEditor& e) { e.Caret().TabIndent = true; e.Caret().SetTabSpaceCount(4); },
         {{Qt::Key_Return}}, "\t\tx\r\n\t\t", 1, 8, ""},
        {"return after a final line break", "ab\r\n", 1, 0, NoOpt, {{Qt::Key_Return}}, "ab\r\n\r\n", 2, 0, ""},
        {"shift return opens a line above", "  ab", 0, 3, NoOpt, {{Qt::Key_Return, S}}, "  \r\n  ab", 0, 2, ""},
        {"return replaces the selection", "abcd", 0, 1, NoOpt, {{Qt::Key_Right, S}, {Qt::Key_Right, S}, {Qt::Key_Return}},
         "a\r\nd", 1, 0, ""},
        {"shift return with a selection does nothing", "abcd", 0, 1, NoOpt,
         {{Qt::Key_Right, S}, {Qt::Key_Return, S}}, "abcd", 0, 2, "b"},
        {"soft tab fills to the next stop", "abcdef", 0, 6,
         [](TEditor& e) { e.Caret().SoftTab = true; e.Caret().SetTabSpaceCount(4); }, {{Qt::Key_Tab}}, "abcdef  ", 0, 8, ""},
        {"soft tab stops at the wrap edge", a20.substr(0, 18), 0, 18,
         [](TEditor& e) { Wrap20(e); e.Caret().SoftTab = true; }, {{Qt::Key_Tab}}, a20.substr(0, 18) + "  ", 1, 0, ""},
        {"tab inserts a tab character", "ab", 0, 1, NoOpt, {{Qt::Key_Tab}}, "a\tb", 0, 8, ""},
        {"typing right of the end pads with blanks", "ab", 0, 4, NoOpt, {{Qt::Key_X, {}, "x"}}, "ab  x", 0, 5, ""},
        {"typing replaces the selection", "abc", 0, 0, NoOpt, {{Qt::Key_Right, S}, {Qt::Key_X, {}, "x"}}, "xbc", 0, 1, ""},
        {"a double-byte character is typed whole", "", 0, 0, NoOpt, {{0, {}, u8"あ"}}, "\x82\xa0", 0, 2, ""},
        {"read-only text takes no characters", "ab", 0, 1, [](TEditor& e) { e.SetReadOnly(true); },
         {{Qt::Key_X, {}, "x"}, {Qt::Key_Backspace}, {Qt::Key_Delete}, {Qt::Key_Return}}, "ab", 0, 1, ""},
        {"typing at 20 columns wraps the row", std::string(19, 'a'), 0, 19, Wrap20,
         {{Qt::Key_B, {}, "b"}, {Qt::Key_C, {}, "c"}}, std::string(19, 'a') + "bc", 1, 1, ""},
        {"down at 20 columns keeps the column", std::string(45, 'a'), 0, 7, [](TEditor& e) { Wrap20(e); Fixed(e); }, {{Qt::Key_Down}, {Qt::Key_Down}},
         std::string(45, 'a'), 2, 5, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        E.reset(MakeEditor<TEditor>());
        ShowFocused();
        ASSERT_TRUE(E->hasFocus());
        c.Options(*E);
        bool ro = E->ReadOnly();
        E->SetReadOnly(false);
        SetText(c.Text);
        E->SetReadOnly(ro);
        Caret(c.Row, c.Col);
        for (const auto& p : c.Keys) Key(E.get(), p.Key, p.Mods, p.Text ? QString::fromUtf8(p.Text) : QString());
        EXPECT_EQ(Text(), c.Expect) << testutil::Hex(Text());
        EXPECT_EQ(E->Row(), c.ERow);
        EXPECT_EQ(E->Col(), c.ECol);
        EXPECT_EQ(E->GetSelText(), c.ESel);
    }
}

TEST_F(KeyTable, ShiftRightSelectsOneByte) {
    ShowFocused();
    SetText("abcdef");
    Caret(0, 3);
    K(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(E->SelStr().StartIndex, 3);
    EXPECT_EQ(E->SelStr().EndIndex, 3);
    EXPECT_EQ(E->SelDraw().StartCol, 3);
    EXPECT_EQ(E->SelDraw().EndCol, 4);
    EXPECT_EQ(E->GetSelLength(), 1);
    // backwards over the same text gives the same ranges
    E->CleanSelection();
    Caret(0, 4);
    K(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(E->SelStr().StartIndex, 3);
    EXPECT_EQ(E->SelStr().EndIndex, 3);
    EXPECT_EQ(E->SelDraw().StartCol, 3);
    EXPECT_EQ(E->SelDraw().EndCol, 4);
}

TEST_F(KeyTable, InputMethodCommitIsInsertedOnceAndPreeditIsNotStored) {
    ShowFocused();
    SetText("ab");
    Caret(0, 1);
    Commit(E.get(), QString(), QString::fromUtf8(u8"にほん"));
    EXPECT_EQ(Text(), "ab");
    EXPECT_EQ(E->PreeditText(), QString::fromUtf8(u8"にほん"));
    Commit(E.get(), QString::fromUtf8(u8"日本語"));
    EXPECT_EQ(Text(), "a日本語b");
    EXPECT_EQ(E->Col(), 7);
    EXPECT_TRUE(E->PreeditText().isEmpty());
    // the same text arriving afterwards as keys is ordinary typing
    Key(E.get(), 0, Qt::NoModifier, QString::fromUtf8(u8"語"));
    EXPECT_EQ(Text(), "a日本語語b");
    E->Undo();
    E->Undo();
    EXPECT_EQ(Text(), "ab");
    // a read-only editor takes no commit
    E->SetReadOnly(true);
    Commit(E.get(), QString::fromUtf8(u8"漢字"));
    EXPECT_EQ(Text(), "ab");
}

TEST_F(KeyTable, KeyHandlerCanCancelKeysAndCharacters) {
    ShowFocused();
    SetText("ab");
    Caret(0, 0);
    E->OnKeyDown = [](TObject*, uint16_t& Key, TShiftState) {
        if (Key == VK_RIGHT) Key = 0;
    };
    E->OnKeyPress = [](TObject*, char& Key) {
        if (Key == 'x') Key = 0;
    };
    K(Qt::Key_Right);
    EXPECT_EQ(E->Col(), 0);
    Key(E.get(), Qt::Key_X, Qt::NoModifier, "x");
    Key(E.get(), Qt::Key_Y, Qt::NoModifier, "y");
    EXPECT_EQ(Text(), "yab");
}

TEST_F(KeyTable, TabMovesFocusOnlyWithoutWantTabs) {
    QWidget top;
    auto* e = MakeEditor<TEditor>(&top);
    auto* other = MakeEditor<TEditor>(&top);
    other->move(0, 100);
    top.resize(300, 300);
    top.show();
    QApplication::setActiveWindow(&top);
    e->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(e->hasFocus());
    Key(e, Qt::Key_Tab);
    EXPECT_EQ(e->Lines().GetText(), "\t");
    EXPECT_TRUE(e->hasFocus());
    e->WantTabs = false;
    Key(e, Qt::Key_Tab);
    EXPECT_EQ(e->Lines().GetText(), "\t");
}
