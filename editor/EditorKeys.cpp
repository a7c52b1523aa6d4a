// Keys, typed characters and the input method of the editor: the caret keys,
// Delete, Backspace, Tab, Return with indentation, single- and double-byte
// characters, word-wise moves, and the input method's commit and pre-edit text.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>

#include <algorithm>
#include <vector>

#include "AppException.h"
#include "CP932.h"
#include "CP932Qt.h"
#include "Editor.h"
#include "Fountain.h"
#include "KeyboardState.h"
#include "ScopeExit.h"

namespace {
// An empty text whose data is not null (the row store scans it with memchr).
const std::string_view kNoText("", 0);
}  // namespace

// ---- the toolkit's key handlers -----------------------------------------------------------------

void TEditor::KeyDown(uint16_t& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}
void TEditor::KeyUp(uint16_t& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}
void TEditor::KeyPress(char& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

bool TEditor::focusNextPrevChild(bool Next) {
    if (WantTabs) return false;  // Tab is a character of the text
    return QAbstractScrollArea::focusNextPrevChild(Next);
}

bool TEditor::event(QEvent* E) {
    // An error of the editor's own handling goes to the application; the event
    // then takes the toolkit's course.
    bool taken = false;
    app::Guard([&] { taken = FilterEvent(E); });
    return taken || QAbstractScrollArea::event(E);
}

// The editor's own part of event(): true when it took E.
bool TEditor::FilterEvent(QEvent* E) {
    switch (E->type()) {
        case QEvent::ShortcutOverride: {
            auto* k = static_cast<QKeyEvent*>(E);
            TEditorPopupMenu* menu = PopupMenu();
            if (menu && menu->ShortCutItem(k->key(), k->modifiers())) {
                E->accept();
                return true;
            }
            break;
        }
        case QEvent::KeyPress: {
            auto* k = static_cast<QKeyEvent*>(E);
            if (FDragState == 2) {
                if (k->key() == Qt::Key_Control) SetCursorState(5);
                if (k->key() == Qt::Key_Escape) {
                    CancelSelDrag();
                    return true;
                }
            } else if (FDragState == 1 && k->key() == Qt::Key_Escape) {
                CancelSelDrag();
                return true;
            } else if (FLeftButtonDown && FDragState == 0) {
                return true;  // no keys while the button selects
            }
            if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
                keyPressEvent(k);
                return true;
            }
            break;
        }
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(E);
            if (FDragState == 2) {
                if (k->key() == Qt::Key_Control) SetCursorState(4);
                return true;
            }
            if (FLeftButtonDown && FDragState == 0) return true;
            break;
        }
        case QEvent::InputMethod:
            if (FDragState != 0 || FLeftButtonDown) return true;
            break;
        case QEvent::FontChange:
            if (!FSpeed) break;  // still being made
            if (FLeftScroll > 0) SetCol(0);
            FontMetrics();
            UpdateScrollBars();
            UpdateRulerMetrics();
            DrawCornerBitmap();
            UpdateCaret();
            MarkDirtyAll();
            break;
        default:
            break;
    }
    return false;
}

void TEditor::changeEvent(QEvent* E) { QAbstractScrollArea::changeEvent(E); }

void TEditor::contextMenuEvent(QContextMenuEvent* E) {
    app::Guard([&] {
        if (FDragState != 0 || FLeftButtonDown || !PopupMenu()) return;
        FPopupMenu->popup(E->globalPos());
    });
}

// The key data of a key message: repeat count 1, the scan code, Alt as the
// context bit and the auto-repeat as the previous-state bit.
static winmsg::LPARAM KeyDataOf(const QKeyEvent* E) {
    uint32_t d = 1u | ((E->nativeScanCode() & 0xFFu) << 16);
    if (E->modifiers() & Qt::AltModifier) d |= 1u << 29;
    if (E->isAutoRepeat()) d |= 1u << 30;
    return static_cast<winmsg::LPARAM>(static_cast<int32_t>(d));
}

void TEditor::keyPressEvent(QKeyEvent* E) {
    app::Guard([&] { KeyPressed(E); });
}

void TEditor::KeyPressed(QKeyEvent* E) {
    kbstate::TrackKeyEvent(E->modifiers(), E->key());
    const Qt::KeyboardModifiers mods = E->modifiers();
    const bool ctrlOrAlt = (mods & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    int qtKey = E->key();
    if ((mods & Qt::ControlModifier) && (mods & Qt::ShiftModifier)) qtKey = ShiftedDigitKey(qtKey);
    const uint16_t key = VirtualKeyOf(qtKey);
    const winmsg::LPARAM data = KeyDataOf(E);
    if (key) {
        QPointer<TEditor> self(this);
        bool taken = Perform(winmsg::CN_KEYDOWN, key, data) != 0;
        if (!self) return;
        if (!taken) taken = Perform(winmsg::WM_KEYDOWN, key, data) != 0;
        if (!self || taken) return;
    }
    // the characters of the key
    std::vector<uint16_t> chars;
    TTextSubstitution lost;
    if (key == VK_BACK && !ctrlOrAlt) {
        chars.push_back(8);
    } else if (key == VK_TAB && !ctrlOrAlt) {
        chars.push_back(9);
    } else if (key == VK_RETURN && !ctrlOrAlt) {
        chars.push_back(13);
    } else if (!ctrlOrAlt && key != VK_DELETE && key != VK_ESCAPE) {
        const QString t = E->text();
        if (!t.isEmpty() && t[0].unicode() >= 0x20 && t[0].unicode() != 0x7F) {
            const std::string bytes = TextFromQt(t, &lost);
            for (size_t i = 0; i < bytes.size();) {
                auto c = static_cast<uint8_t>(bytes[i]);
                if (cp932::IsLeadByte(c) && i + 1 < bytes.size()) {
                    chars.push_back(static_cast<uint16_t>(c << 8 | static_cast<uint8_t>(bytes[i + 1])));
                    i += 2;
                } else {
                    chars.push_back(c);
                    ++i;
                }
            }
        }
    }
    QPointer<TEditor> self(this);
    for (uint16_t c : chars) {
        if (Perform(winmsg::CN_CHAR, c, data) == 0 && self) Perform(winmsg::WM_CHAR, c, data);
        if (!self) return;
    }
    if (!FReadOnly) ReportSubstitution(u"入力した", lost);
}

bool TEditor::RunAncestorShortCut(int Key, Qt::KeyboardModifiers Modifiers) {
    const QKeySequence pressed(QKeyCombination(Modifiers, static_cast<Qt::Key>(Key)));
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        for (QAction* a : w->actions()) {
            if (!a->isEnabled() || !a->isVisible() || a->shortcutContext() == Qt::WidgetShortcut) continue;
            for (const QKeySequence& s : a->shortcuts())
                if (s == pressed) {
                    a->trigger();
                    return true;
                }
        }
        if (w->isWindow()) break;
    }
    return false;
}

winmsg::LRESULT TEditor::Perform(uint32_t Msg, winmsg::WPARAM WParam, winmsg::LPARAM LParam) {
    winmsg::TMessage m{Msg, WParam, LParam, 0};
    // a copy: the method called may replace WindowProc (a macro unhooking itself)
    const winmsg::TWndMethod proc = WindowProc;
    if (proc)
        proc(m);
    else
        WndProc(m);
    return m.Result;
}

void TEditor::WndProc(winmsg::TMessage& Message) {
    switch (Message.Msg) {
        case winmsg::CN_KEYDOWN: {
            const int qtKey = QtKeyOf(static_cast<uint16_t>(Message.WParam));
            Qt::KeyboardModifiers mods;
            const TShiftState shift = kbstate::ShiftState();
            if (shift & ssShift) mods |= Qt::ShiftModifier;
            if (shift & ssCtrl) mods |= Qt::ControlModifier;
            if (shift & ssAlt) mods |= Qt::AltModifier;
            Message.Result = 0;
            if (!qtKey) break;
            QPointer<TEditor> self(this);
            TEditorPopupMenu* menu = PopupMenu();
            if ((menu && menu->IsShortCut(qtKey, mods)) || (self && RunAncestorShortCut(qtKey, mods)))
                Message.Result = 1;
            break;
        }
        case winmsg::WM_KEYDOWN: {
            const TShiftState shift = kbstate::ShiftState();
            uint16_t key = static_cast<uint16_t>(Message.WParam);
            KeyDown(key, shift);
            if (key == 0) {
                Message.Result = 1;
                break;
            }
            FKeyRepeat = ((static_cast<uint32_t>(Message.LParam) >> 30) & 1u) != 0;
            WMKeyDown(key, shift);
            break;
        }
        case winmsg::WM_CHAR: {
            const auto code = static_cast<uint16_t>(Message.WParam);
            if (code >= 256)
                WMCharPair(static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF));
            else
                WMChar(static_cast<uint8_t>(code), kbstate::ShiftState());
            break;
        }
        case winmsg::WM_IME_CHAR: {
            // the default handling: the character is typed
            QPointer<TEditor> self(this);
            if (Perform(winmsg::CN_CHAR, Message.WParam, Message.LParam) == 0 && self)
                Perform(winmsg::WM_CHAR, Message.WParam, Message.LParam);
            break;
        }
        default: break;  // CN_CHAR: the notification handles nothing itself
    }
}

void TEditor::keyReleaseEvent(QKeyEvent* E) {
    app::Guard([&] {
        uint16_t key = VirtualKeyOf(E->key());
        if (key) KeyUp(key, ShiftStateOf(E->modifiers()));
        if (!E->isAutoRepeat()) {
            FKeyRepeat = false;
            if (FImeUpdatePending) UpdateImeWindow();
        }
    });
}

// ---- caret keys and Delete ----------------------------------------------------------------------

void TEditor::WMKeyDown(uint16_t Key, TShiftState Shift) {
    if (Key >= VK_PRIOR && Key <= VK_DOWN) {
        const bool sh = (Shift & ssShift) != 0;
        if (FSelState != 2 && sh)
            StartSelection();
        else if (FSelState == 2 && !sh)
            CleanSelection();
        else if (FSelState == 3)
            CleanSelection();
        CaretKey(Key, Shift);
        if (sh) ExtendSelection();
        return;
    }
    if (Key == VK_DELETE) DeleteKey();
}

void TEditor::CaretKey(uint16_t Key, TShiftState Shift) {
    const bool ctrl = (Shift & ssCtrl) != 0;
    const int n = RowCount();
    auto lastOfText = [&](int r) { return r >= n || RowAttribute(r) == raEndOfText; };
    int s = 1;
    if (FKeyRepeat && ((Key == VK_UP && FRow == FTopRow) || (Key == VK_DOWN && FRow == FTopRow + FVisibleRows - 1)))
        s = FSpeed->CaretVerticalAc;
    const int p = ((FVisibleRows - 1) / 2) * (FKeyRepeat ? FSpeed->PageVerticalRangeAc : FSpeed->PageVerticalRange);
    switch (Key) {
        case VK_PRIOR: ScrollPage(-p); break;
        case VK_NEXT: ScrollPage(p); break;
        case VK_HOME:
            if (ctrl) SetRow(0);
            SetCol(0);
            break;
        case VK_END:
            if (ctrl) SetRow(n);
            SetCol(FRow >= n ? 0 : RowEndCol(FRow));
            break;
        case VK_LEFT:
            if (ctrl) {
                int r = FRow, c = FCol;
                if (GetTokenJumpPos(r, c, -1)) SetRowCol(r, c);
            } else if (FCol > 0) {
                SetCol(FCol - 1);
            } else if (FRow > 0 && (FCaret->NextLine || RowAttribute(FRow - 1) == raWrapped)) {
                SetRowCol(FRow - 1, RowEndCol(FRow - 1));
            }
            break;
        case VK_RIGHT:
            if (ctrl) {
                int r = FRow, c = FCol;
                if (GetTokenJumpPos(r, c, 1)) SetRowCol(r, c);
            } else {
                int old = FCol;
                SetCol(FCol + 1);
                if (FCol == old && FRow < n && !lastOfText(FRow) &&
                    (FCaret->NextLine || RowAttribute(FRow) == raWrapped))
                    SetRowCol(FRow + 1, 0);
            }
            break;
        case VK_UP:
            if (FRow > 0) {
                if (ctrl) {
                    SetTopRow(FTopRow - s);
                    if (FRow >= FTopRow + FVisibleRows) SetRow(FRow - s);
                } else {
                    SetRow(FRow - s);
                }
            }
            break;
        case VK_DOWN:
            if (ctrl) {
                SetTopRow(FTopRow + s);
                if (FRow < FTopRow) SetRow(FRow + s);
            } else if (!lastOfText(FRow)) {
                SetRow(FRow + s);
            }
            break;
        default: break;
    }
}

void TEditor::DeleteKey() {
    if (FReadOnly) return;
    if (FSelState == 2) {
        DeleteSelection();
        return;
    }
    if (FSelState == 3) CleanSelection();
    const int n = RowCount();
    if (FRow < 0 || FRow >= n) return;
    const std::string t(RowText(FRow));
    const int len = static_cast<int>(t.size());
    const int b = CaretIndex();
    const int a = LineFirstAbove(FRow);
    if (b >= len) {
        if (RowAttribute(FRow) == raEndOfText) return;
        THold hold(*this, true, true);
        std::string pad(static_cast<size_t>(b - len), ' ');
        if (FRow == n - 1) {
            // the last row's final line break goes
            FStore->ReplaceRows(FRow, 1, t + pad);
        } else {
            FStore->ReplaceRows(FRow, 2, t + pad + RowBytesWithBreak(FRow + 1));
        }
        SetCaretByOffset(a, OffsetFromRow(a, FRow, FCol));
        return;
    }
    std::string codes = ColumnCodes(t);
    auto code = [&](int c) { return (c >= 0 && c < static_cast<int>(codes.size())) ? codes[static_cast<size_t>(c)] : '0'; };
    int col = FCol;
    while (col > 0 && code(col) == '3') --col;
    int idx = ColToIndex(FRow, col);
    int del = code(col) == '4' ? 2 : 1;
    CaretBeginUpdate();
    const int off = OffsetFromRow(a, FRow, col);
    const int64_t brk = RowAttribute(FRow) == raLineBreak ? 2 : 0;
    (void)brk;
    FStore->ReplaceRows(FRow, 1, idx, std::min(del, len - idx), kNoText);
    SetCaretByOffset(a, off);
    CaretEndUpdate();
}

// ---- characters ------------------------------------------------------------------------------------

void TEditor::WMChar(uint8_t Ch, TShiftState Shift) {
    char k = static_cast<char>(Ch);
    KeyPress(k);
    if (k == 0) return;
    Ch = static_cast<uint8_t>(k);
    switch (Ch) {
        case 8: BackSpaceKey(); return;
        case 9: TabKey(Shift); return;
        case 13: ReturnKey(Shift); return;
        default: break;
    }
    if ((Ch >= 32 && Ch <= 126) || Ch >= 160) {
        if (ImeSkipCount >= 1) {
            --ImeSkipCount;
            return;
        }
        if (FImeUpdatePending) UpdateImeWindow();
        if (FReadOnly) return;
        char s[1] = {static_cast<char>(Ch)};
        InsertText(std::string_view(s, 1));
    }
}

void TEditor::WMCharPair(uint8_t Lead, uint8_t Trail) {
    char k = static_cast<char>(Lead);
    KeyPress(k);
    if (k == 0) return;
    char t = static_cast<char>(Trail);
    KeyPress(t);
    if (t == 0) return;
    if (ImeSkipCount >= 1) {
        ImeSkipCount -= 2;
        return;
    }
    if (FImeUpdatePending) UpdateImeWindow();
    if (FReadOnly) return;
    char s[2] = {k, t};
    InsertText(std::string_view(s, 2));
}

void TEditor::BackSpaceKey() {
    if (FReadOnly) return;
    if (FSelState == 2) {
        DeleteSelection();
        return;
    }
    const int n = RowCount();
    if (n == 0) return;
    if (FSelState == 3) CleanSelection();
    const std::string t(RowText(FRow));
    const int len = static_cast<int>(t.size());
    std::string codes = ColumnCodes(t);
    auto code = [&](const std::string& cs, int c) {
        return (c >= 0 && c < static_cast<int>(cs.size())) ? cs[static_cast<size_t>(c)] : '0';
    };
    int b = CaretIndex();
    {
        // the fill of a tab that begins the row counts as its start
        int c = FCol;
        while (c > 0 && code(codes, c) == '3') --c;
        if (c == 0 && FCol > 0 && code(codes, 0) == '2' && !t.empty() && t[0] == '\t' && code(codes, FCol) == '3') b = 0;
    }
    if (b < 1) {
        if (FRow == 0) return;
        const int above = FRow - 1;
        const int a = std::max(FStore->LineStart(above), FRow - 2);
        std::string up(RowText(above));
        int col;
        if (RowAttribute(above) == raWrapped) {
            std::string uc = ColumnCodes(up);
            int c = static_cast<int>(uc.size());  // the last column + 1
            --c;
            if (code(uc, c) == '5') --c;
            while (c > 0 && code(uc, c) == '3') --c;
            int cut = ColToIndexOfCodes(uc, c);
            up.resize(static_cast<size_t>(std::max(0, cut)));
            col = ::TextColumns(Metrics(), up);
        } else {
            col = RowEndCol(above);
        }
        THold hold(*this, true, true);
        if (FRow >= n) {
            FStore->ReplaceRows(above, 1, up);
        } else {
            FStore->ReplaceRows(above, 2, up + RowBytesWithBreak(FRow));
        }
        SetCaretByOffset(a, OffsetFromRow(a, above, col));
        return;
    }
    const int indent = IndentColumn(t);
    bool allBlank = indent == static_cast<int>(::TextColumns(Metrics(), t));
    if (FCaret->BackSpaceUnIndent && FRow < n && (t.empty() || allBlank || FCol == indent)) {
        const int head = FStore->LineStart(FRow);
        int target = 0;
        for (int r = FRow - 1; r >= 0; --r) {
            int i = std::max(0, IndentColumn(RowText(r)));
            bool cont = r >= head;
            if (cont ? (i > 0 && i < FCol) : (i < FCol)) {
                target = i;
                break;
            }
        }
        if (target >= FCol) target = 0;
        if (RowEndCol(FRow) <= target) {
            SetCol(target);
            return;
        }
        // rebuild: bytes before the target column, blanks for a cut character,
        // blanks for the fill from the caret to the end of its tab, the rest
        auto idxOf = [&](int c) { return ColToIndexOfCodes(codes, c); };
        std::string out;
        int ti = idxOf(target);
        char tc = code(codes, target);
        if (tc == '5') {
            out = t.substr(0, static_cast<size_t>(ti - 1));
            out += ' ';
        } else if (tc == '3') {
            int tabCol = target;
            while (tabCol > 0 && code(codes, tabCol) == '3') --tabCol;
            out = t.substr(0, static_cast<size_t>(idxOf(tabCol)));
            out.append(static_cast<size_t>(target - tabCol), ' ');
        } else {
            out = t.substr(0, static_cast<size_t>(std::min(ti, len)));
        }
        int rest = std::min(CaretIndex(), len);
        if (code(codes, FCol) == '3') {
            int endFill = FCol;
            while (code(codes, endFill) == '3') ++endFill;
            out.append(static_cast<size_t>(endFill - FCol), ' ');
            rest = std::min(idxOf(FCol) + 1, len);  // the tab is removed
        }
        out.append(t, static_cast<size_t>(rest), std::string::npos);
        if (RowAttribute(FRow) == raLineBreak) out += "\r\n";
        CaretBeginUpdate();
        FStore->ReplaceRows(FRow, 1, out);
        SetCol(target);
        CaretEndUpdate();
        return;
    }
    if (b <= len) {
        int c = FCol - 1;
        if (code(codes, c) == '5') --c;
        while (c > 0 && code(codes, c) == '3') --c;
        int idx = ColToIndex(FRow, c);
        int del = code(codes, c) == '4' ? 2 : 1;
        const int a = LineFirstAbove(FRow);
        const int off = OffsetFromRow(a, FRow, c);
        CaretBeginUpdate();
        FStore->ReplaceRows(FRow, 1, idx, del, kNoText);
        SetCaretByOffset(a, off);
        CaretEndUpdate();
        return;
    }
    SetCol(FCol - 1);
}

int TEditor::ColToIndexOfCodes(std::string_view Codes, int ACol) {
    if (ACol <= 0) return 0;
    int upto = std::min(ACol + 1, static_cast<int>(Codes.size()));
    return ACol - static_cast<int>(std::count(Codes.begin(), Codes.begin() + std::max(0, upto), '3'));
}

void TEditor::TabKey(TShiftState Shift) {
    if ((Shift & (ssShift | ssCtrl)) || FReadOnly || !WantTabs) return;
    const int T = FCaret->TabSpaceCount();
    int n = T - FCol % T;
    if (WordWrap()) {
        int W = WrapOption().WrapByte();
        n = std::min(n, W - FCol % W);
    }
    if (FCaret->SoftTab)
        InsertText(std::string(static_cast<size_t>(n), ' '));
    else
        InsertText("\t");
}

void TEditor::ReturnKey(TShiftState Shift) {
    if (FReadOnly) return;
    const bool sh = (Shift & ssShift) != 0;
    if (FSelState == 2) {
        if (sh) return;
        DeleteSelection();
    }
    if (FSelState == 3) CleanSelection();
    const int n = RowCount();
    THold hold(*this, true, true);
    {
        if (FRow >= n) {
            FStore->ReplaceRows(n, 0, "\r\n");
            SetRowCol(FRow + 1, 0);
        } else {
            const std::string t(RowText(FRow));
            const int b = CaretIndex();
            const int h = FStore->LineStart(FRow);
            int w = 0;
            if (FCaret->AutoIndent) {
                int i = IndentColumn(RowText(h));
                if (i >= 1) {
                    w = (FRow == h && FCol < i) ? FCol : i;
                } else if (FCaret->PrevSpaceIndent && FRow == h && t.empty()) {
                    w = std::max(0, PrevIndentColumn(h));
                }
            }
            std::string indent;
            const int T = FCaret->TabSpaceCount();
            if (FCaret->TabIndent) {
                indent.assign(static_cast<size_t>(w / T), '\t');
                indent.append(static_cast<size_t>(w % T), ' ');
            } else {
                indent.assign(static_cast<size_t>(w), ' ');
            }
            if (sh) {
                FStore->ReplaceRows(h, 0, indent + "\r\n");
                SetCaretByOffset(h, static_cast<int>(indent.size()));
            } else {
                int off = OffsetFromRow(h, FRow, std::min(RowEndCol(FRow), FCol)) + 2 + static_cast<int>(indent.size());
                int len = static_cast<int>(t.size());
                std::string ins = "\r\n" + indent;
                if (b > len) {
                    // a caret right of the row's end splits at the end
                    FStore->ReplaceRows(FRow, 1, len, 0, ins);
                } else {
                    FStore->ReplaceRows(FRow, 1, b, 0, ins);
                }
                SetCaretByOffset(h, off);
            }
        }
    }
}

// ---- word positions --------------------------------------------------------------------------------

bool TEditor::GetTokenJumpPos(int& ARow, int& ACol, int Direction) {
    const int n = RowCount();
    if (ARow < 0 || ARow >= n) return false;
    const int oldRow = ARow, oldCol = ACol;
    TFountain* f = ActiveFountain();
    if (!f) return false;
    const bool endStop = FCaret->TokenEndStop;
    auto tokens = [&](int r, auto&& visit) {
        std::string text = ExpandTabs(RowText(r));
        TRowAttributeData data;
        GetRowAttributeData(r, data);
        auto p = f->CreateParser();
        p->NewData(text, data);
        while (p->NextToken() != toEof)
            if (!visit(p->SourcePos(), p->TokenLength(), p->Token())) break;
        return static_cast<int>(text.size());
    };
    if (Direction < 0) {
        if (ACol == 0) {
            if (ARow == 0) return false;
            --ARow;
            ACol = RowEndCol(ARow);
            if (RowAttribute(ARow) == raLineBreak) return true;
        }
        const int col = ACol;
        int r = -1;
        bool done = false;
        tokens(ARow, [&](int st, int len, uint8_t kind) {
            if (!endStop) {
                if (kind == toSymbol) return true;
                if (st >= col) {
                    if (r >= 0 && r < col) ACol = r;
                    done = true;
                    return false;
                }
                r = st;
            } else {
                if (st < col && col <= st + len) {
                    ACol = st;
                    done = true;
                    return false;
                }
                if (st >= col) {
                    if (r >= 0 && r < col) ACol = r;
                    done = true;
                    return false;
                }
                r = st + len;
            }
            return true;
        });
        if (!done) {
            if (r >= 0 && r < col)
                ACol = r;
            else if (ARow == 0)
                ACol = 0;
            else {
                --ARow;
                ACol = RowEndCol(ARow);
            }
        }
    } else {
        bool fromStart = false;
        if (ACol >= RowEndCol(ARow) && RowAttribute(ARow) != raEndOfText && ARow < n - 1) {
            ++ARow;
            ACol = 0;
            fromStart = true;
        }
        const int col = ACol;
        bool found = false;
        int width = tokens(ARow, [&](int st, int len, uint8_t kind) {
            if (!endStop) {
                if (kind != toSymbol && (st > col || (fromStart && st >= col))) {
                    ACol = st;
                    found = true;
                    return false;
                }
            } else {
                if (st + len > col) {
                    ACol = st + len;
                    found = true;
                    return false;
                }
            }
            return true;
        });
        if (!found) {
            if (RowAttribute(ARow) == raWrapped && ARow < n - 1) {
                ++ARow;
                ACol = 0;
            } else {
                ACol = width;
            }
        }
    }
    return ARow != oldRow || ACol != oldCol;
}

// ---- the input method ------------------------------------------------------------------------------

void TEditor::ImeCommit(std::string_view S) {
    if (FReadOnly || S.empty()) return;
    if (FImeUpdatePending) UpdateImeWindow();
    // the characters of the result that follow as messages are not typed again
    ImeSkipCount = static_cast<int>(S.size());
    // none follow when the insertion fails: the next typed ones are not skipped
    auto fail = ScopeFail([this] { ImeSkipCount = 0; });
    InsertText(S);
}

void TEditor::inputMethodEvent(QInputMethodEvent* E) {
    app::Guard([&] {
        const QString commit = E->commitString();
        if (!commit.isEmpty()) {
            TTextSubstitution lost;
            const std::string bytes = TextFromQt(commit, &lost);
            const bool typed = !FReadOnly;
            QPointer<TEditor> self(this);
            ImeCommit(bytes);
            if (self && typed) ReportSubstitution(u"入力した", lost);
            for (size_t i = 0; i < bytes.size() && self;) {
                auto c = static_cast<uint8_t>(bytes[i]);
                uint16_t code = c;
                if (cp932::IsLeadByte(c) && i + 1 < bytes.size()) {
                    code = static_cast<uint16_t>(c << 8 | static_cast<uint8_t>(bytes[i + 1]));
                    i += 2;
                } else {
                    ++i;
                }
                Perform(winmsg::WM_IME_CHAR, code, 1);
            }
            if (!self) return;
        }
        const QString pre = E->preeditString();
        if (pre != FPreedit) {
            const bool wasEmpty = FPreedit.isEmpty();
            FPreedit = pre;
            FPreeditCursor = static_cast<int>(pre.size());
            for (const auto& a : E->attributes())
                if (a.type == QInputMethodEvent::Cursor) FPreeditCursor = a.start;
            InvalidateRows(FRow, FRow);
            // the caret hides while a composition is shown in its place
            if (wasEmpty && !FPreedit.isEmpty())
                CaretBeginUpdate();
            else if (!wasEmpty && FPreedit.isEmpty())
                CaretEndUpdate();
        }
    });
    E->accept();
}

QVariant TEditor::inputMethodQuery(Qt::InputMethodQuery Query) const {
    switch (Query) {
        case Qt::ImEnabled: return !FReadOnly;
        case Qt::ImCursorRectangle: {
            TRect r = CaretRect();
            QRect q(r.Left, r.Top, std::max(1, r.Right - r.Left), std::max(FFontHeight, r.Bottom - r.Top));
            return q.translated(viewport()->pos());
        }
        case Qt::ImFont: return font();
        case Qt::ImCursorPosition: return 0;
        case Qt::ImSurroundingText: return QString();
        case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
        default: return QAbstractScrollArea::inputMethodQuery(Query);
    }
}
