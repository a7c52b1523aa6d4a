#include "KeyMacro.h"

#include <utility>

#include <QApplication>
#include <QCoreApplication>
#include <QAction>
#include <QMessageBox>
#include <QShortcutEvent>

#include <sstream>

#include "CP932.h"
#include "CP932Qt.h"
#include "Headless.h"
#include "Editor.h"
#include "FileSystem.h"
#include "KeyboardState.h"
#include "Reentrancy.h"

namespace {

TKeyMacro::TPresenter& Presenter() {
    static TKeyMacro::TPresenter p;
    return p;
}

const char* PrefixOf(uint32_t Message) {
    switch (Message) {
        case winmsg::WM_IME_CHAR: return "WM_IME_CHAR: ";
        case winmsg::CN_KEYDOWN: return "CN_KEYDOWN: ";
        case winmsg::CN_CHAR: return "CN_CHAR: ";
        default: return "";
    }
}

// The tokens of a macro text that matter: the whole numbers, each with the
// line it stands on, and the lines that hold any token at all.
struct TToken {
    int Line;
    bool IsNumber;
    std::string Text;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

std::vector<TToken> Tokenize(const std::string& S) {
    std::vector<TToken> out;
    int line = 0;
    size_t i = 0;
    const size_t n = S.size();
    while (i < n) {
        const char c = S[i];
        if (c == '\r') {
            ++line;
            ++i;
            if (i < n && S[i] == '\n') ++i;
            continue;
        }
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (static_cast<unsigned char>(c) <= ' ') {
            ++i;
            continue;
        }
        if (IsDigit(c) || ((c == '-' || c == '+') && i + 1 < n && IsDigit(S[i + 1]))) {
            size_t j = i + 1;
            while (j < n && IsDigit(S[j])) ++j;
            bool whole = true;
            // a fraction or an exponent makes a number that is not whole
            while (j < n && (IsDigit(S[j]) || S[j] == '.' || S[j] == 'e' || S[j] == 'E' ||
                             ((S[j] == '-' || S[j] == '+') && (S[j - 1] == 'e' || S[j - 1] == 'E')))) {
                whole = false;
                ++j;
            }
            out.push_back({line, whole, S.substr(i, j - i)});
            i = j;
            continue;
        }
        if (IsIdentStart(c)) {
            size_t j = i + 1;
            while (j < n && (IsIdentStart(S[j]) || IsDigit(S[j]))) ++j;
            out.push_back({line, false, S.substr(i, j - i)});
            i = j;
            continue;
        }
        if (c == '#' && i + 1 < n && IsDigit(S[i + 1])) {
            // a character written by its code ("#13") is not a number of the record
            size_t j = i + 1;
            while (j < n && IsDigit(S[j])) ++j;
            out.push_back({line, false, S.substr(i, j - i)});
            i = j;
            continue;
        }
        if (c == '\'') {
            // a quoted text runs to its closing quote or the end of the line
            size_t j = i + 1;
            while (j < n && S[j] != '\'' && S[j] != '\r' && S[j] != '\n') ++j;
            if (j < n && S[j] == '\'') ++j;
            out.push_back({line, false, S.substr(i, j - i)});
            i = j;
            continue;
        }
        out.push_back({line, false, std::string(1, c)});
        ++i;
    }
    return out;
}

// The value of a whole number, 0 when it is out of the 32-bit range.
int64_t NumberOf(const std::string& T) {
    size_t i = 0;
    bool neg = false;
    if (T[0] == '-' || T[0] == '+') {
        neg = T[0] == '-';
        i = 1;
    }
    int64_t v = 0;
    for (; i < T.size(); ++i) {
        v = v * 10 + (T[i] - '0');
        if (v > 0x100000000LL) return 0;
    }
    if (neg) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return 0;
    return v;
}

// A character record replays its code as typed text: a lead byte must have a
// trail byte after it (never a control byte), and a single byte must not be a
// lead byte (it would pair with whatever is typed next).
bool WellFormedChar(const TKeyMacroData& D) {
    const uint32_t m = D.Message;
    if (m != winmsg::WM_CHAR && m != winmsg::CN_CHAR && m != winmsg::WM_IME_CHAR) return true;
    const auto high = static_cast<unsigned char>(D.CharCode >> 8);
    const auto low = static_cast<unsigned char>(D.CharCode & 0xFF);
    if (high == 0) return !cp932::IsLeadByte(low);
    return !cp932::IsLeadByte(high) || (low >= 0x40 && low <= 0xFC && low != 0x7F);
}

}  // namespace

// Sees the shortcuts the toolkit runs before the editor gets their key.
class TKeyMacroShortcutWatch : public QObject {
public:
    explicit TKeyMacroShortcutWatch(TKeyMacro* AMacro) : Macro(AMacro) {}
    bool eventFilter(QObject* Watched, QEvent* E) override {
        if (E->type() == QEvent::Shortcut && qobject_cast<QAction*>(Watched)) {
            auto* s = static_cast<QShortcutEvent*>(E);
            if (!s->isAmbiguous()) Macro->ShortcutSeen(s->key());
        }
        return false;
    }
    TKeyMacro* Macro;
};

// ---- the records

void TKeyMacroDataList::AddMessage(const winmsg::TMessage& Message) {
    if (Message.Msg == winmsg::WM_IME_CHAR) {
        ++ImeCharsWaiting;
    } else if (Message.Msg == winmsg::CN_CHAR && ImeCharsWaiting > 0) {
        --ImeCharsWaiting;
        return;
    }
    TKeyMacroData d;
    d.Message = Message.Msg;
    d.CharCode = static_cast<uint16_t>(Message.WParam);
    d.KeyData = static_cast<int32_t>(Message.LParam);
    d.Shift = kbstate::GetKeyState(VK_SHIFT);
    d.Ctrl = kbstate::GetKeyState(VK_CONTROL);
    d.Alt = kbstate::GetKeyState(VK_MENU);
    Items.push_back(d);
}

void TKeyMacroDataList::Clear() {
    Items.clear();
    ImeCharsWaiting = 0;
}

// ---- the macro

TKeyMacro::TPresenter TKeyMacro::SetPresenter(TPresenter P) { return std::exchange(Presenter(), std::move(P)); }

TKeyMacro::TKeyMacro(TComponent* AOwner) : TComponent(AOwner) {}

TKeyMacro::~TKeyMacro() {
    FDestroying = true;
    *FAlive = false;
    if (FState == kmsRecording) EndRecord();
    if (FState == kmsPlaying) CancelExecute();
    if (FHooked) UnhookControl();
    if (FControl) FControl->RemoveFreeNotification(this);
}

void TKeyMacro::ShowMessage(const std::string& Text, bool Error) {
    if (Presenter()) {
        Presenter()(Text, Error);
        return;
    }
    if (headless::NoDisplay()) {
        headless::ErrorLine(Text);
        return;
    }
    const QString t = cp932::ToQString(Text);
    if (Error)
        QMessageBox::critical(QApplication::activeWindow(), QString(), t);
    else
        QMessageBox::information(QApplication::activeWindow(), QString(), t);
}

void TKeyMacro::DoSetControl(TEditor* Value) {
    if (Value == FControl) return;
    const bool recording = FState == kmsRecording;
    if (recording) UnhookControl();
    if (FControl) FControl->RemoveFreeNotification(this);
    FControl = Value;
    if (FControl) FControl->FreeNotification(this);
    if (recording) {
        if (FControl) {
            HookControl();
        } else {
            FList.Clear();
            SetState(kmsIdle);
        }
    }
}

void TKeyMacro::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || AComponent != FControl || !FControl) return;
    // the editor is going: its window method is no longer ours to restore
    FControl = nullptr;
    FHooked = nullptr;
    FSavedProc = nullptr;
    FWatch.reset();
    if (FState == kmsRecording) {
        FList.Clear();
        SetState(kmsIdle);
    }
}

void TKeyMacro::HookControl() {
    if (!FControl || FHooked) return;
    FHooked = FControl;
    FSavedProc = FControl->WindowProc;
    FControl->WindowProc = [this](winmsg::TMessage& Message) { MacroWndProc(Message); };
    if (!FWatch && QCoreApplication::instance()) {
        FWatch = std::make_unique<TKeyMacroShortcutWatch>(this);
        QCoreApplication::instance()->installEventFilter(FWatch.get());
    }
}

void TKeyMacro::UnhookControl() {
    FWatch.reset();  // leaves the application's filters
    if (!FHooked) return;
    FHooked->WindowProc = FSavedProc;
    FHooked = nullptr;
    FSavedProc = nullptr;
}

void TKeyMacro::ShortcutSeen(const QKeySequence& Keys) {
    if (FState != kmsRecording || !FHooked || Keys.isEmpty()) return;
    if (QApplication::focusWidget() != FHooked) return;
    const QKeyCombination c = Keys[0];
    const Qt::KeyboardModifiers mods = c.keyboardModifiers();
    int key = c.key();
    if ((mods & Qt::ControlModifier) && (mods & Qt::ShiftModifier)) key = ShiftedDigitKey(key);
    const uint16_t vk = VirtualKeyOf(key);
    if (!vk) return;
    kbstate::TrackKeyEvent(mods);
    FList.AddMessage(winmsg::TMessage{winmsg::CN_KEYDOWN, vk, 1, 0});
}

void TKeyMacro::MacroWndProc(winmsg::TMessage& Message) {
    if (Message.Msg == winmsg::WM_IME_CHAR || Message.Msg == winmsg::CN_KEYDOWN || Message.Msg == winmsg::CN_CHAR)
        FList.AddMessage(Message);
    // a handler may end the recording and so unhook us: call a copy
    winmsg::TWndMethod next = FSavedProc;
    if (next)
        next(Message);
    else if (FHooked)
        FHooked->WndProc(Message);
}

void TKeyMacro::SetState(TKeyMacroState Value) {
    FState = Value;
    if (!FDestroying) DoChange();
}

void TKeyMacro::DoChange() {
    if (OnChange) OnChange(this);
}

void TKeyMacro::BeginRecord() {
    if (!FControl || FState == kmsRecording || FState == kmsPlaying) return;
    FList.Clear();
    SetState(kmsRecording);
    HookControl();
}

void TKeyMacro::EndRecord() {
    if (FState != kmsRecording) return;
    SetState(kmsRecorded);
    UnhookControl();
}

void TKeyMacro::CancelRecord() {
    if (FState != kmsRecording) return;
    EndRecord();
    FList.Clear();
    SetState(kmsIdle);
}

void TKeyMacro::CancelExecute() {
    if (FState == kmsPlaying) SetState(kmsRecorded);
}

void TKeyMacro::Clear() {
    EndRecord();
    CancelExecute();
    SetState(kmsIdle);
    FList.Clear();
}

void TKeyMacro::Execute() {
    if (FState != kmsRecorded || !FControl || FList.Items.empty()) return;
    // pages and windows closed from a handler stay until the play has ended
    reentry::TBusyGuard busy;
    const std::weak_ptr<bool> alive = FAlive;
    kbstate::TKeyboardState saved;
    kbstate::GetKeyboardState(saved);
    SetState(kmsPlaying);
    // a handler may clear the list: the loop reads it by index, each record a copy
    for (size_t i = 0; i < FList.Items.size(); ++i) {
        if (alive.expired() || !FControl) break;
        const TKeyMacroData rec = FList.Items[i];
        kbstate::TKeyboardState current;
        kbstate::GetKeyboardState(current);
        kbstate::TKeyboardState forged = current;
        forged[VK_SHIFT] = rec.Shift;
        forged[VK_CONTROL] = rec.Ctrl;
        forged[VK_MENU] = rec.Alt;
        kbstate::SetKeyboardState(forged);
        if (rec.Message == winmsg::WM_IME_CHAR) {
            FControl->Perform(rec.Message, rec.CharCode, rec.KeyData);
            // what is pending runs now, so a handler may cancel the play
            if (!alive.expired() && !reentry::Terminating()) QCoreApplication::processEvents();
        } else if (FControl->Perform(rec.Message, rec.CharCode, rec.KeyData) == 0 && !alive.expired() && FControl &&
                   rec.Message >= winmsg::CN_BASE) {
            FControl->Perform(rec.Message - winmsg::CN_BASE, rec.CharCode, rec.KeyData);
        }
        if (alive.expired()) {
            kbstate::SetKeyboardState(saved);
            return;
        }
        if (FState != kmsPlaying) {
            if (ShowDialog) ShowMessage("Cancel Execute " + Name, false);
            saved[VK_SHIFT] = 0;
            saved[VK_CONTROL] = 0;
            saved[VK_MENU] = 0;
            break;
        }
        kbstate::SetKeyboardState(current);
    }
    kbstate::SetKeyboardState(saved);
    if (alive.expired()) return;
    // a play that was cleared meanwhile stays cleared
    if (FState == kmsPlaying || FState == kmsRecorded) SetState(kmsRecorded);
}

void TKeyMacro::WriteMacro(std::ostream& Stream) {
    for (const TKeyMacroData& d : FList.Items) {
        std::string line = PrefixOf(d.Message);
        line += std::to_string(d.Message) + ", CharCode: " + std::to_string(d.CharCode) +
                ", KeyData: " + std::to_string(d.KeyData) + ", Shift: " + std::to_string(d.Shift) +
                ", Ctrl: " + std::to_string(d.Ctrl) + ", Alt: " + std::to_string(d.Alt);
        if (d.Message != winmsg::CN_KEYDOWN) {
            line += " // ";
            if (d.CharCode >= 256) {
                line += static_cast<char>(d.CharCode >> 8);
                line += static_cast<char>(d.CharCode & 0xFF);
            } else if (d.CharCode < 32) {
                line += "#" + std::to_string(d.CharCode);
            } else {
                line += static_cast<char>(d.CharCode);
            }
        }
        line += "\r\n";
        Stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

bool TKeyMacro::ReadMacro(std::istream& Stream) {
    Clear();
    std::ostringstream all;
    all << Stream.rdbuf();
    const std::vector<TToken> tokens = Tokenize(all.str());
    std::vector<TKeyMacroData> items;
    auto refuse = [&] {
        FList.Clear();
        SetState(kmsIdle);
        if (ShowDialog) ShowMessage("Invalid data loaded." + Name, true);
        return false;
    };
    int recordLine = -1;  // the line of the record being filled
    int filled = 0;
    for (const TToken& t : tokens) {
        if (t.Line != recordLine) {
            if (recordLine >= 0 && filled < 6) return refuse();
            items.emplace_back();
            recordLine = t.Line;
            filled = 0;
        }
        if (!t.IsNumber || filled >= 6) continue;
        const int64_t v = NumberOf(t.Text);
        TKeyMacroData& d = items.back();
        switch (filled++) {
            case 0: d.Message = static_cast<uint32_t>(v); break;
            case 1: d.CharCode = static_cast<uint16_t>(v); break;
            case 2: d.KeyData = static_cast<int32_t>(v); break;
            case 3: d.Shift = static_cast<uint8_t>(v); break;
            case 4: d.Ctrl = static_cast<uint8_t>(v); break;
            default: d.Alt = static_cast<uint8_t>(v); break;
        }
    }
    for (const TKeyMacroData& d : items)
        if (!WellFormedChar(d)) return refuse();
    FList.Items = std::move(items);
    SetState(kmsRecorded);
    return true;
}

bool TKeyMacro::LoadFromFile(const std::string& FileName) {
    std::string bytes;
    if (!fs932::ReadFile(FileName, bytes)) throw EFOpenError("ファイル " + FileName + " を開けません");
    std::istringstream in(bytes);
    return LoadFromStream(in);
}

void TKeyMacro::SaveToFile(const std::string& FileName) {
    std::ostringstream out;
    SaveToStream(out);
    if (!fs932::WriteFileAtomic(FileName, out.str())) throw EFCreateError("ファイル " + FileName + " を作成できません");
}
