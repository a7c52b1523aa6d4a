// The key macro: what it records from an editor's keys and input method, and
// what playing the records does to another text; the macro text form.
#include <fstream>
#include <sstream>
#include <vector>

#include "KeyMacro.h"
#include "KeyboardState.h"
#include "TestUtil.h"
#include "ViewTestUtil.h"

using namespace viewtest;

namespace {

// One input step: a key (with its text) or an input-method result.
struct Step {
    int Key = 0;
    Qt::KeyboardModifiers Mods = Qt::NoModifier;
    const char* Text = nullptr;  // UTF-8
    bool Ime = false;
};
Step P(int key, Qt::KeyboardModifiers m = Qt::NoModifier) { return {key, m, nullptr, false}; }
Step T(int key, const char* text) { return {key, Qt::NoModifier, text, false}; }
Step Ime(const char* text) { return {0, Qt::NoModifier, text, true}; }

const Qt::KeyboardModifiers S = Qt::ShiftModifier, C = Qt::ControlModifier;

struct MacroFixture : ViewFixture {
    std::unique_ptr<TKeyMacro> M;
    std::vector<std::string> Shown;
    MacroFixture() {
        M = std::make_unique<TKeyMacro>();
        M->Name = "KeyMacro1";
        M->SetControl(E.get());
        hooks.Set(TKeyMacro::SetPresenter, [this](const std::string& t, bool) { Shown.push_back(t); });
    }
    testutil::THookScope hooks;
    void Do(const Step& s) {
        if (s.Ime)
            Commit(E.get(), QString::fromUtf8(s.Text));
        else
            Key(E.get(), s.Key, s.Mods, s.Text ? QString::fromUtf8(s.Text) : QString());
    }
    void Start(const std::string& text, int row, int col) {
        E->Lines().SetText(text);
        Caret(row, col);
    }
};

}  // namespace

TEST_F(MacroFixture, PlayingRepeatsTheRecordedInputOnAnotherText) {
    struct Case {
        const char* Name;
        std::vector<Step> Steps;
        std::string RecText;  // recorded on "abc\r\ndef" at (0, 1)
        std::string PlayText;  // played on "12345\r\n67890" at (1, 2)
        int Messages;          // records kept
    };
    const std::vector<Case> cases = {
        {"typing", {T(Qt::Key_X, "x"), T(Qt::Key_Y, "y")}, "axybc\r\ndef", "12345\r\n67xy890", 4},
        {"caret keys", {P(Qt::Key_Right), P(Qt::Key_Down), T(Qt::Key_Z, "z")}, "abc\r\ndezf", "12345\r\n678z90", 3 + 1},
        {"shift keeps its state: a selection is replaced", {P(Qt::Key_End, S), T(Qt::Key_Q, "q")}, "aq\r\ndef",
         "12345\r\n67q", 1 + 2},
        {"ctrl keeps its state", {P(Qt::Key_Home, C), T(Qt::Key_W, "w")}, "wabc\r\ndef", "w12345\r\n67890", 3},
        {"return and backspace", {P(Qt::Key_Return), P(Qt::Key_Backspace), P(Qt::Key_Backspace)},
         "bc\r\ndef", "12345\r\n6890", 6},
        {"a double-byte character typed as a key", {T(0, u8"あ")}, "a\x82\xa0" "bc\r\ndef",
         "12345\r\n67\x82\xa0" "890", 1},
        {"input-method text", {Ime(u8"日本語"), T(Qt::Key_K, "k")}, "a\x93\xfa\x96\x7b\x8c\xea" "kbc\r\ndef",
         "12345\r\n67\x93\xfa\x96\x7b\x8c\xea" "k890", 3 + 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowFocused();
        Start("abc\r\ndef", 0, 1);
        M->Clear();
        M->BeginRecord();
        ASSERT_EQ(M->State(), kmsRecording);
        for (const Step& s : c.Steps) Do(s);
        M->EndRecord();
        EXPECT_EQ(M->State(), kmsRecorded);
        EXPECT_EQ(Text(), c.RecText) << testutil::Hex(Text());
        EXPECT_EQ(M->Data().Count(), c.Messages);
        kbstate::TKeyboardState before;
        kbstate::GetKeyboardState(before);
        Start("12345\r\n67890", 1, 2);
        M->Execute();
        EXPECT_EQ(M->State(), kmsRecorded);
        EXPECT_EQ(Text(), c.PlayText) << testutil::Hex(Text());
        kbstate::TKeyboardState after;
        kbstate::GetKeyboardState(after);
        EXPECT_TRUE(before == after) << "the keyboard state is restored";
        // the played edits are ordinary edits: undo takes them all back
        for (int i = 0; i < 20 && E->CanUndo(); ++i) E->Undo();
        EXPECT_EQ(Text(), "12345\r\n67890");
    }
}

TEST_F(MacroFixture, InputMethodCharactersAreKeptOnceAndTypedOnPlay) {
    ShowFocused();
    Start("", 0, 0);
    M->BeginRecord();
    Commit(E.get(), QString::fromUtf8(u8"あa"));
    M->EndRecord();
    ASSERT_EQ(M->Data().Count(), 2);
    EXPECT_EQ(M->Data().Items[0].Message, winmsg::WM_IME_CHAR);
    EXPECT_EQ(M->Data().Items[0].CharCode, 0x82A0);
    EXPECT_EQ(M->Data().Items[1].Message, winmsg::WM_IME_CHAR);
    EXPECT_EQ(M->Data().Items[1].CharCode, 'a');
    EXPECT_EQ(Text(), "\x82\xa0" "a");
    EXPECT_EQ(E->ImeSkipCount, 0);
    // a key typed after the result is kept, not taken for the result's character
    M->BeginRecord();
    Commit(E.get(), QString::fromUtf8(u8"い"));
    Key(E.get(), Qt::Key_B, Qt::NoModifier, "b");
    M->EndRecord();
    ASSERT_EQ(M->Data().Count(), 3);
    EXPECT_EQ(M->Data().Items[2].Message, winmsg::CN_CHAR);
    EXPECT_EQ(M->Data().Items[2].CharCode, 'b');
}

TEST_F(MacroFixture, AKeyTheEditorTakesAsItsShortcutIsNotSentAsAKeyDown) {
    ShowFocused();
    Start("q", 0, 1);
    std::vector<uint16_t> keyDowns;
    E->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState) { keyDowns.push_back(k); };
    M->BeginRecord();
    Key(E.get(), Qt::Key_X, Qt::NoModifier, "x");
    Key(E.get(), Qt::Key_Z, C);  // undo, a shortcut of the context menu
    M->EndRecord();
    EXPECT_EQ(Text(), "q");
    keyDowns.clear();
    Start("p", 0, 1);
    M->Execute();
    EXPECT_EQ(Text(), "p");
    EXPECT_EQ(keyDowns, std::vector<uint16_t>{'X'}) << "Ctrl+Z answered its notification";
}

TEST_F(MacroFixture, StatesRefuseWhatDoesNotFit) {
    ShowFocused();
    std::vector<int> states;
    M->OnChange = [&](TObject*) { states.push_back(M->State()); };
    M->Execute();  // nothing recorded
    EXPECT_EQ(M->State(), kmsIdle);
    M->BeginRecord();
    Key(E.get(), Qt::Key_A, Qt::NoModifier, "a");
    M->Execute();  // while recording
    EXPECT_EQ(M->State(), kmsRecording);
    M->EndRecord();
    // BeginRecord from a handler while playing does nothing
    E->OnKeyPress = [&](TObject*, char&) { M->BeginRecord(); };
    Start("", 0, 0);
    M->Execute();
    E->OnKeyPress = nullptr;
    EXPECT_EQ(Text(), "a");
    EXPECT_EQ(M->State(), kmsRecorded);
    EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 2}));
    M->CancelRecord();  // not recording: nothing
    EXPECT_EQ(M->State(), kmsRecorded);
    M->Clear();
    EXPECT_EQ(M->State(), kmsIdle);
    EXPECT_EQ(M->Data().Count(), 0);
    // a cancelled recording keeps nothing and leaves the editor's keys alone
    M->BeginRecord();
    M->CancelRecord();
    EXPECT_EQ(M->State(), kmsIdle);
    Key(E.get(), Qt::Key_B, Qt::NoModifier, "b");
    EXPECT_EQ(M->Data().Count(), 0);
}

TEST_F(MacroFixture, CancellingOrClearingFromAHandlerEndsThePlay) {
    struct Case {
        const char* Name;
        bool Clear;
        bool Dialog;
        TKeyMacroState End;
        std::vector<std::string> Shown;
    };
    const std::vector<Case> cases = {
        {"cancel with the dialog", false, true, kmsRecorded, {"Cancel Execute KeyMacro1"}},
        {"cancel without it", false, false, kmsRecorded, {}},
        {"clear", true, true, kmsIdle, {"Cancel Execute KeyMacro1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowFocused();
        Shown.clear();
        E->OnKeyPress = nullptr;
        Start("", 0, 0);
        M->Clear();
        M->ShowDialog = c.Dialog;
        M->BeginRecord();
        for (const char* t : {"a", "b", "c"}) Key(E.get(), Qt::Key_A + (t[0] - 'a'), Qt::NoModifier, t);
        M->EndRecord();
        Start("", 0, 0);
        E->OnKeyPress = [&](TObject*, char& k) {
            if (k == 'b') c.Clear ? M->Clear() : M->CancelExecute();
        };
        M->Execute();
        EXPECT_EQ(Text(), "ab");
        EXPECT_EQ(M->State(), c.End);
        EXPECT_EQ(Shown, c.Shown);
    }
}

TEST_F(MacroFixture, TheEditorGoingEndsTheRecording) {
    ShowFocused();
    M->BeginRecord();
    Key(E.get(), Qt::Key_A, Qt::NoModifier, "a");
    E.reset();
    EXPECT_EQ(M->Control(), nullptr);
    EXPECT_EQ(M->State(), kmsIdle);
    M->BeginRecord();  // without a control: nothing
    EXPECT_EQ(M->State(), kmsIdle);
    E.reset(MakeEditor<TEditor>());
}

TEST_F(MacroFixture, MacroTextIsWrittenOneLinePerRecord) {
    ShowFocused();
    Start("", 0, 0);
    M->BeginRecord();
    Key(E.get(), Qt::Key_A, S, "A");
    Key(E.get(), Qt::Key_Return);
    Commit(E.get(), QString::fromUtf8(u8"あ"));
    M->EndRecord();
    std::ostringstream out;
    M->SaveToStream(out);
    EXPECT_EQ(out.str(),
              "CN_KEYDOWN: 48384, CharCode: 65, KeyData: 1, Shift: 128, Ctrl: 0, Alt: 0\r\n"
              "CN_CHAR: 48386, CharCode: 65, KeyData: 1, Shift: 128, Ctrl: 0, Alt: 0 // A\r\n"
              "CN_KEYDOWN: 48384, CharCode: 13, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0\r\n"
              "CN_CHAR: 48386, CharCode: 13, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // #13\r\n"
              "WM_IME_CHAR: 646, CharCode: 33440, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // \x82\xa0\r\n");
    // read back, it plays the same
    std::istringstream in(out.str());
    TKeyMacro other;
    other.SetControl(E.get());
    ASSERT_TRUE(other.LoadFromStream(in));
    EXPECT_EQ(other.State(), kmsRecorded);
    Start("", 0, 0);
    other.Execute();
    EXPECT_EQ(Text(), "A\r\n\x82\xa0");
    // and through a file
    const std::string file = testutil::TempFolder("keymacro") + "macro.txt";
    M->SaveToFile(file);
    TKeyMacro third;
    ASSERT_TRUE(third.LoadFromFile(file));
    EXPECT_EQ(third.Data().Count(), 5);
    EXPECT_EQ(third.Data().Items[4].CharCode, 0x82A0);
}

TEST_F(MacroFixture, ReadingAMacroText) {
    struct Case {
        const char* Name;
        std::string Text;
        bool Ok;
        std::vector<std::vector<int64_t>> Records;  // message, char, key data, shift, ctrl, alt
    };
    const std::vector<Case> cases = {
        {"six numbers a line", "CN_CHAR: 48386, CharCode: 65, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // A\r\n", true,
         {{48386, 65, 1, 0, 0, 0}}},
        {"a digit after the slashes is a further number", "1,2,3,4,5,6 // 7\r\n9 8 7 6 5 4", true,
         {{1, 2, 3, 4, 5, 6}, {9, 8, 7, 6, 5, 4}}},
        {"signed numbers and blank lines", "\r\n646 -1 -5 128 1 0\r\n\r\n", true, {{646, 65535, -5, 128, 1, 0}}},
        {"a code written with # is no number", "48386 13 1 0 0 0 // #13", true, {{48386, 13, 1, 0, 0, 0}}},
        {"a quote after the slashes", "48386 39 1 0 0 0 // '\n48384 65 1 0 0 0", true,
         {{48386, 39, 1, 0, 0, 0}, {48384, 65, 1, 0, 0, 0}}},
        {"five numbers and then a line", "1 2 3 4 5\r\n1 2 3 4 5 6\r\n", false, {}},
        {"a line of words only, then a line", "hello\r\n1 2 3 4 5 6", false, {}},
        {"five numbers on the last line", "1 2 3 4 5 6\r\n1 2 3 4 5\r\n\r\n", true,
         {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 0}}},
        {"a number out of range is 0; fractions are no numbers", "99999999999 2.5 3 4 5 6 7", true,
         {{0, 3, 4, 5, 6, 7}}},
        {"empty", "", true, {}},
        {"a lead byte followed by a control byte", "646 33293 1 0 0 0 // \x82\r\n", false, {}},
        {"a double-byte code whose second byte is no trail byte", "258 33312 1 0 0 0\r\n", false, {}},
        {"a lone lead byte typed as a character", "48386 65 1 0 0 0\r\n48386 224 1 0 0 0\r\n", false, {}},
        {"a key-down code is no character", "48384 33293 1 0 0 0\r\n", true, {{48384, 33293, 1, 0, 0, 0}}},
        {"a whole double-byte character", "646 33440 1 0 0 0 // \x82\xa0\r\n", true, {{646, 33440, 1, 0, 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Shown.clear();
        M->ShowDialog = true;
        std::istringstream in(c.Text);
        EXPECT_EQ(M->ReadMacro(in), c.Ok);
        EXPECT_EQ(M->State(), c.Ok ? kmsRecorded : kmsIdle);
        if (!c.Ok) {
            EXPECT_EQ(Shown, std::vector<std::string>{"Invalid data loaded.KeyMacro1"});
        }
        ASSERT_EQ(M->Data().Count(), static_cast<int>(c.Records.size()));
        for (size_t i = 0; i < c.Records.size(); ++i) {
            const TKeyMacroData& d = M->Data().Items[i];
            const auto& r = c.Records[i];
            EXPECT_EQ(d.Message, static_cast<uint32_t>(r[0]));
            EXPECT_EQ(d.CharCode, static_cast<uint16_t>(r[1]));
            EXPECT_EQ(d.KeyData, static_cast<int32_t>(r[2]));
            EXPECT_EQ(d.Shift, static_cast<uint8_t>(r[3]));
            EXPECT_EQ(d.Ctrl, static_cast<uint8_t>(r[4]));
            EXPECT_EQ(d.Alt, static_cast<uint8_t>(r[5]));
        }
    }
}

TEST_F(MacroFixture, AMacroFileWithABrokenDoubleByteCharacterIsRefusedAndTypesNothing) {
    // the second record is a lead byte with a carriage return as its trail byte
    const std::string file = testutil::TempFolder("keymacro") + "broken.txt";
    {
        std::ofstream f(file, std::ios::binary);
        f << "CN_CHAR: 48386, CharCode: 65, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // A\r\n"
             "WM_IME_CHAR: 646, CharCode: 33293, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // \x82\r\r\n";
    }
    Start("abc", 0, 1);
    M->ShowDialog = true;
    EXPECT_FALSE(M->LoadFromFile(file));
    EXPECT_EQ(M->State(), kmsIdle);
    EXPECT_EQ(M->Data().Count(), 0);
    EXPECT_EQ(Shown, std::vector<std::string>{"Invalid data loaded.KeyMacro1"});
    M->Execute();
    EXPECT_EQ(Text(), "abc");
}
