// TKeyMacro records the keyboard input one editor receives and plays it back
// into that editor. While recording it replaces the editor's window method
// (WindowProc) by its own, which keeps every WM_IME_CHAR, CN_KEYDOWN and
// CN_CHAR message with the states of Shift, Ctrl and Alt and passes every
// message on. Playing sends the kept messages again, each with the keyboard
// state forged to the recorded modifier states. A macro can be written to and
// read from a text (one line per message).
//
// A key that the toolkit gives to an action's shortcut before the editor sees
// it (a key of the page or the window, F9 for instance) is kept as the
// CN_KEYDOWN it stands for while the editor has the focus; played back, the
// editor's CN_KEYDOWN runs that action again.
#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Persistent.h"
#include "WindowMessage.h"

class QKeySequence;
class QObject;
class TEditor;

// One recorded message.
struct TKeyMacroData {
    uint32_t Message = 0;   // WM_IME_CHAR, CN_KEYDOWN or CN_CHAR
    uint16_t CharCode = 0;  // the first parameter: a character code or virtual key
    int32_t KeyData = 0;    // the second parameter
    uint8_t Shift = 0;      // the key states at recording: 0x80 down, 0x01 toggle
    uint8_t Ctrl = 0;
    uint8_t Alt = 0;
};

// The records of a macro.
class TKeyMacroDataList {
public:
    virtual ~TKeyMacroDataList() = default;
    // Keeps Message with the present Shift, Ctrl and Alt states. The character
    // that an input-method character produces as a CN_CHAR is not kept again.
    virtual void AddMessage(const winmsg::TMessage& Message);
    void Clear();
    int Count() const { return static_cast<int>(Items.size()); }
    std::vector<TKeyMacroData> Items;
    // Input-method characters whose CN_CHAR is still to come.
    int ImeCharsWaiting = 0;
};

enum TKeyMacroState : uint8_t { kmsIdle = 0, kmsRecording = 1, kmsRecorded = 2, kmsPlaying = 3 };

class TKeyMacro : public TComponent {
public:
    explicit TKeyMacro(TComponent* AOwner = nullptr);
    ~TKeyMacro() override;

    TEditor* Control() const { return FControl; }
    void SetControl(TEditor* Value) { DoSetControl(Value); }
    // Show a message box when a play is cancelled and for a bad macro text.
    bool ShowDialog = true;
    // Fired at every change of the state.
    TNotifyEvent OnChange;

    TKeyMacroState State() const { return FState; }
    const TKeyMacroDataList& Data() const { return FList; }

    virtual void BeginRecord();
    virtual void EndRecord();
    virtual void CancelRecord();
    virtual void Execute();
    virtual void CancelExecute();
    virtual void Clear();
    // One line per record, each ending in CR LF.
    virtual void WriteMacro(std::ostream& Stream);
    // False (and the macro cleared) when a line holds fewer than six numbers
    // and is not the last line with numbers.
    virtual bool ReadMacro(std::istream& Stream);
    virtual bool LoadFromFile(const std::string& FileName);
    virtual bool LoadFromStream(std::istream& Stream) { return ReadMacro(Stream); }
    // Raises EFCreateError when the file cannot be written.
    virtual void SaveToFile(const std::string& FileName);
    virtual void SaveToStream(std::ostream& Stream) { WriteMacro(Stream); }

    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Where the messages of ShowDialog go (text, is an error); empty: a message box.
    using TPresenter = std::function<void(const std::string& Text, bool Error)>;
    static TPresenter SetPresenter(TPresenter Presenter);  // returns the one it replaced

protected:
    virtual void DoSetControl(TEditor* Value);
    virtual void HookControl();
    virtual void UnhookControl();
    virtual void MacroWndProc(winmsg::TMessage& Message);
    virtual void SetState(TKeyMacroState Value);
    virtual void DoChange();

private:
    void ShowMessage(const std::string& Text, bool Error);
    friend class TKeyMacroShortcutWatch;
    // A shortcut of an action ran while recording.
    void ShortcutSeen(const QKeySequence& Keys);
    std::unique_ptr<QObject> FWatch;
    TKeyMacroDataList FList;
    TKeyMacroState FState = kmsIdle;
    TEditor* FControl = nullptr;
    TEditor* FHooked = nullptr;
    winmsg::TWndMethod FSavedProc;
    bool FDestroying = false;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
