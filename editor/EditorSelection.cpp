// Selections of the editor (normal and box), search hits, the clipboard with
// the box marker format, and dragging the selected text to move or copy it.
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMimeData>
#include <QPointer>

#include <algorithm>

#include "CP932.h"
#include "CP932Qt.h"
#include "Editor.h"
#include "EditorUtil.h"

// ---- the state machine ----------------------------------------------------------------------------

void TEditor::StartSelection() {
    if (FSelState == 2 || FSelState == 3) CleanSelection();
    if (RowCount() == 0) return;
    FSelState = 1;
    FAnchorRow = FRow;
    FAnchorIndex = std::min(static_cast<int>(RowText(FRow).size()), CaretIndex());
    FAnchorCol = FSelectionMode ? FCol : std::min(FCol, RowEndCol(FRow));
    FSelStr = {FRow, FRow, FAnchorIndex, FAnchorIndex};
    FSelDraw = {FRow, FRow, FAnchorCol, FAnchorCol};
    FPrevSelDraw = FSelDraw;
}

void TEditor::ExtendSelection() {
    if (FSelState == 1) {
        UnderlineBeginUpdate();
        FSelState = FHitSelecting ? 3 : 2;
        UpdateSelection();
    } else if (FSelState == 2) {
        UpdateSelection();
    }
}

void TEditor::UpdateSelection() {
    if (FSelState != 2 && FSelState != 3) return;
    const int c = std::min(static_cast<int>(RowText(FRow).size()), CaretIndex());
    FSelStr.StartRow = std::min(FAnchorRow, FRow);
    FSelStr.EndRow = std::max(FAnchorRow, FRow);
    const bool after = FRow > FAnchorRow || (FRow == FAnchorRow && c > FAnchorIndex);
    if (after) {
        FSelStr.StartIndex = FAnchorIndex;
        FSelStr.EndIndex = c - 1;
    } else {
        FSelStr.StartIndex = c;
        FSelStr.EndIndex = FAnchorIndex - 1;
    }
    FSelDraw.StartRow = FSelStr.StartRow;
    FSelDraw.EndRow = FSelStr.EndRow;
    if (FSelectionMode) {
        FSelDraw.StartCol = std::min(FAnchorCol, FCol);
        FSelDraw.EndCol = std::max(FAnchorCol, FCol);
    } else {
        int caretCol = std::min(FCol, RowEndCol(FRow));
        int anchorCol = std::min(FAnchorCol, RowEndCol(FAnchorRow));
        if (FRow == FAnchorRow) {
            FSelDraw.StartCol = std::min(anchorCol, caretCol);
            FSelDraw.EndCol = std::max(anchorCol, caretCol);
        } else if (FRow < FAnchorRow) {
            FSelDraw.StartCol = caretCol;
            FSelDraw.EndCol = anchorCol;
        } else {
            FSelDraw.StartCol = anchorCol;
            FSelDraw.EndCol = caretCol;
        }
    }
    if (FSelState == 2 || FHitStyle == hsDraw) RepaintSelectionChange();
    DoSelectionChange(true);
}

// Only the cells whose selected state changed are painted again: the rows
// between the old and the new range, each over the text area.
void TEditor::RepaintSelectionChange() {
    const TSelDrawRec& a = FPrevSelDraw;
    const TSelDrawRec& b = FSelDraw;
    if (a != b) {
        if (FSelectionMode) {
            InvalidateRows(std::min(a.StartRow, b.StartRow), std::max(a.EndRow, b.EndRow));
        } else {
            // rows whose span differs: from the first differing edge to the last
            int from = a.StartRow == b.StartRow && a.StartCol == b.StartCol ? std::min(a.EndRow, b.EndRow)
                                                                              : std::min(a.StartRow, b.StartRow);
            int to = a.EndRow == b.EndRow && a.EndCol == b.EndCol ? std::max(a.StartRow, b.StartRow)
                                                                    : std::max(a.EndRow, b.EndRow);
            InvalidateRows(std::min(from, to), std::max(from, to));
        }
    }
    FPrevSelDraw = FSelDraw;
}

void TEditor::CleanSelection() {
    if (FSelState != 2 && FSelState != 3) return;
    const uint8_t old = FSelState;
    FSelState = 0;
    FHitLength = 0;
    if (old == 3 && FHitStyle == hsCaret) UpdateCaret();
    FClearingSelection = true;
    InvalidateRows(FSelDraw.StartRow - 1, FSelDraw.EndRow);
    FClearingSelection = false;
    UnderlineEndUpdate();
    FKeepCaretValid = false;
    DoSelectionChange(false);
}

void TEditor::ConfirmSelection() {
    if (FSelState != 3) return;
    if (FHitStyle == hsCaret) SetRowCol(FSelDraw.EndRow, FSelDraw.EndCol);
    FSelState = 2;
}

void TEditor::SetHitSelLength(int N) {
    if (FHitStyle == hsSelect) {
        SetSelLength(N);
    } else {
        FHitSelecting = true;
        SetSelLength(N);
        FHitSelecting = false;
        if (FHitStyle == hsCaret && N > 0 && hasFocus() && (FSelState == 3)) {
            FSettingRowCol = true;
            SetRow(FSelDraw.StartRow);
            SetCol(FSelDraw.StartCol);
            FSettingRowCol = false;
            CreateSystemCaret();
            int cols = FSelDraw.StartRow == FSelDraw.EndRow ? FSelDraw.EndCol - FSelDraw.StartCol
                                                             : RowEndCol(FRow) - FSelDraw.StartCol;
            FCaretWidth = std::max(2, cols * FColWidth);
            FCaretHeight = FFontHeight;
            SetCaretPosition();
            ShowEditorCaret();
        }
    }
    FHitLength = N;
}

bool TEditor::IsInSelection(int ARow, int ACol) const {
    if (FSelState != 2) return false;
    if (ARow < FSelDraw.StartRow || ARow > FSelDraw.EndRow) return false;
    if (ARow == FSelDraw.StartRow && ACol < FSelDraw.StartCol) return false;
    if (ARow == FSelDraw.EndRow && ACol >= FSelDraw.EndCol) return false;
    return true;
}

bool TEditor::CanSelDrag() { return !FReadOnly && FSelState == 2 && !FSelectionMode && FCaret->SelMove; }

// ---- deleting ----------------------------------------------------------------------------------------

void TEditor::DeleteSelection() {
    if (FSelState != 2 || FReadOnly) return;
    const TSelStrRec ss = FSelStr;
    const TSelDrawRec sd = FSelDraw;
    const int n = RowCount();
    int a = std::max(FStore->LineStart(ss.StartRow), ss.StartRow - 1);
    int o = OffsetFromRow(a, sd.StartRow, sd.StartCol);
    int last = std::min(ss.EndRow, n - 1);
    TEditorStringList list;
    SelectionRemainder(list);
    std::string text = JoinRows(list);
    const bool box = FSelectionMode;
    const bool multi = ss.StartRow != ss.EndRow;
    THold hold(*this, multi, multi);
    CleanSelection();
    if (ss.StartRow < n && last >= ss.StartRow) FStore->ReplaceRows(ss.StartRow, last - ss.StartRow + 1, text);
    if (box)
        SetRowCol(sd.StartRow, sd.StartCol);  // the box's corner, also right of a short row
    else
        SetCaretByOffset(a, o);
}

// ---- text from outside ----------------------------------------------------------------------------

std::string TextFromQt(const QString& S, TTextSubstitution* Lost) {
    bool lossy = false;
    std::string out = cp932::FromQString(S, &lossy);
    if (!Lost) return out;
    *Lost = TTextSubstitution();
    if (!lossy) return out;
    // Which characters: each one is tried alone, as the codec meets it.
    const auto* u = reinterpret_cast<const char16_t*>(S.utf16());
    const size_t n = static_cast<size_t>(S.size());
    for (size_t i = 0; i < n;) {
        size_t len = 1;
        char32_t c = u[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
            len = 2;
            c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
        }
        if (c >= 0x80) {
            char buf[4];
            bool l = false;
            cp932::EncodeUtf16(u + i, len, buf, &l);
            if (l) {
                ++Lost->Count;
                if (std::find(Lost->Shown.begin(), Lost->Shown.end(), c) == Lost->Shown.end()) {
                    if (static_cast<int>(Lost->Shown.size()) < TTextSubstitution::MaxShown)
                        Lost->Shown.push_back(c);
                    else
                        Lost->More = true;
                }
            }
        }
        i += len;
    }
    return out;
}

QString TextSubstitutedMessage(std::u16string_view Done, const TTextSubstitution& Lost) {
    auto q = [](std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); };
    QString m = q(Done) + q(u"文字のうち、シフトJISで表せない ") + QString::number(Lost.Count) +
                q(u" 文字を \"?\" に置き換えました：");
    for (size_t i = 0; i < Lost.Shown.size(); ++i) {
        const char32_t c = Lost.Shown[i];
        if (i) m += q(u"、");
        const QString code = QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
        if (c >= 0xD800 && c < 0xE000)
            m += code;  // half of a pair: nothing to show
        else
            m += QString::fromUcs4(&c, 1) + QStringLiteral(" (") + code + QStringLiteral(")");
    }
    if (Lost.More) m += q(u" ほか");
    return m;
}

QEvent::Type TTextSubstitutedEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void TEditor::ReportSubstitution(std::u16string_view Done, const TTextSubstitution& Lost) {
    if (Lost.Count == 0) return;
    TTextSubstitutedEvent e(TextSubstitutedMessage(Done, Lost));
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        e.setAccepted(false);
        if (QCoreApplication::sendEvent(w, &e) && e.isAccepted()) return;
    }
}

// ---- the clipboard ------------------------------------------------------------------------------------

bool TEditor::ClipboardText(std::string& Text, bool* IsBox, TTextSubstitution* Lost) {
    Text.clear();
    if (IsBox) *IsBox = false;
    if (Lost) *Lost = TTextSubstitution();
    const QMimeData* m = QApplication::clipboard()->mimeData();
    if (!m || !m->hasText()) return false;
    std::string s = TextFromQt(m->text(), Lost);
    // Text from other programs may end its lines with LF (or CR) alone.
    Text.reserve(s.size() + s.size() / 32);
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\r') {
            Text += "\r\n";
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            Text += "\r\n";
        } else {
            Text.push_back(c);
        }
    }
    if (IsBox) *IsBox = m->hasFormat(QString::fromLatin1(BoxClipboardFormatName));
    return true;
}

void TEditor::SetClipboardText(std::string_view Text, bool Box) {
    auto* m = new QMimeData;
    m->setText(cp932::ToQString(Text));
    if (Box) {
        QByteArray data(Text.data(), static_cast<qsizetype>(Text.size()));
        data.append('\0');
        m->setData(QString::fromLatin1(BoxClipboardFormatName), data);
    }
    QApplication::clipboard()->setMimeData(m);
}

void TEditor::CopyToClipboard() {
    if (FSelState != 2) return;
    SetClipboardText(GetSelText(), FSelectionMode);
}

void TEditor::CutToClipboard() {
    if (FSelState != 2) return;
    CopyToClipboard();
    DeleteSelection();
}

void TEditor::PasteFromClipboard() {
    if (FReadOnly) return;
    std::string text;
    bool box = false;
    TTextSubstitution lost;
    if (!ClipboardText(text, &box, &lost)) return;
    QPointer<TEditor> self(this);
    if (box)
        PasteBox(text);
    else
        SetSelTextBuf(text);
    if (self) ReportSubstitution(u"貼り付けた", lost);
}

void TEditor::SelectAll() {
    CaretBeginUpdate();
    SetSelStart(0);
    SetSelLength(GetTextLength());
    CaretEndUpdate();
}

// ---- dragging the selection --------------------------------------------------------------------------

void TEditor::EndSelDrag(const QPoint& Pos, Qt::KeyboardModifiers Mods) {
    FDragState = 0;
    SetCursorState(0);
    if (viewport()->rect().contains(Pos) && !IsInSelection(FRow, FCol)) {
        if (Mods & Qt::ControlModifier)
            DragSelCopy(FRow, FCol);
        else
            DragSelMove(FRow, FCol);
    } else {
        CleanSelection();
    }
}

void TEditor::ClickInSelection() {
    FDragState = 0;
    SetCursorState(0);
    CleanSelection();
}

void TEditor::CancelSelDrag() {
    FDragState = 0;
    if (FCaret->AutoCursor) {
        FCursorZone = 0;
        viewport()->setCursor(EditorCursor(FCaret->Cursors().DefaultCursor));
    } else {
        SetCursorState(0);
    }
    CleanSelection();
}

void TEditor::DragSelCopy(int ARow, int ACol) {
    if (CanSelDrag() && !IsInSelection(ARow, ACol)) {
        std::string s = GetSelText();
        CleanSelection();
        SetRowCol(ARow, ACol);
        SetSelTextBuf(s);
        return;
    }
    CleanSelection();
}

void TEditor::DragSelMove(int ARow, int ACol) {
    if (!CanSelDrag() || IsInSelection(ARow, ACol)) {
        CleanSelection();
        return;
    }
    const TSelStrRec ss = FSelStr;
    const TSelDrawRec sd = FSelDraw;
    const std::string s = GetSelText();
    const int n = RowCount();
    std::string_view dropText = RowText(ARow);
    const int dropLen = static_cast<int>(dropText.size());
    const int dropIdx = ColToIndex(ARow, ACol);
    std::string B(dropText.substr(0, static_cast<size_t>(std::min(dropIdx, dropLen))));
    if (dropIdx > dropLen) B.append(static_cast<size_t>(dropIdx - dropLen), ' ');
    std::string A = dropIdx < dropLen ? std::string(dropText.substr(static_cast<size_t>(dropIdx))) : std::string();
    if (RowAttribute(ARow) == raLineBreak && ARow < n) A += "\r\n";
    std::string_view firstRow = RowText(ss.StartRow);
    std::string P(firstRow.substr(0, static_cast<size_t>(std::clamp(ss.StartIndex, 0, static_cast<int>(firstRow.size())))));
    std::string_view lastRow = RowText(ss.EndRow);
    std::string Q(lastRow.substr(static_cast<size_t>(std::clamp(ss.EndIndex + 1, 0, static_cast<int>(lastRow.size())))));
    if (RowAttribute(ss.EndRow) == raLineBreak && ss.EndRow < n) Q += "\r\n";
    auto middle = [&](int from, int to) {  // whole rows from .. to with their line breaks
        std::string m;
        for (int r = from; r <= to && r < n; ++r) m += RowBytesWithBreak(r);
        return m;
    };
    int top, bottom;
    std::string text;
    int offset;
    const bool below = ARow >= sd.StartRow;
    top = below ? sd.StartRow : ARow;
    bottom = ARow > sd.StartRow ? ARow : sd.EndRow;
    const int a = std::max(FStore->LineStart(top), top - 1);
    if (ARow == sd.StartRow && ACol < sd.StartCol) {
        // on the first row, left of the selection
        std::string between(firstRow.substr(static_cast<size_t>(std::min(dropIdx, static_cast<int>(firstRow.size()))),
                                            static_cast<size_t>(std::max(0, ss.StartIndex - dropIdx))));
        text = B + s + between + Q;
        offset = OffsetFromRow(a, ARow, ACol) + static_cast<int>(s.size());
    } else if (ARow > sd.EndRow) {
        std::string M = middle(sd.EndRow + 1, ARow - 1);
        text = P + Q + M + B + s + A;
        offset = OffsetFromRow(a, sd.StartRow, sd.StartCol) + static_cast<int>(Q.size() + M.size() + B.size() + s.size());
    } else if (ARow == sd.EndRow) {
        // on the last row, right of the selection
        int from = ss.EndIndex + 1;
        std::string between(lastRow.substr(static_cast<size_t>(std::min(from, static_cast<int>(lastRow.size()))),
                                           static_cast<size_t>(std::max(0, std::min(dropIdx, static_cast<int>(lastRow.size())) - from))));
        if (dropIdx > static_cast<int>(lastRow.size())) between.append(static_cast<size_t>(dropIdx - static_cast<int>(lastRow.size())), ' ');
        text = P + between + s + A;
        offset = OffsetFromRow(a, sd.StartRow, sd.StartCol) + static_cast<int>(between.size() + s.size());
    } else {
        // above the selection
        std::string M = middle(ARow + 1, sd.StartRow - 1);
        text = B + s + A + M + P + Q;
        offset = OffsetFromRow(a, ARow, ACol) + static_cast<int>(s.size());
    }
    CleanSelection();
    THold hold(*this);
    if (top >= n)
        FStore->ReplaceRows(n, 0, text);
    else
        FStore->ReplaceRows(top, std::min(bottom, n - 1) - top + 1, text);
    SetCaretByOffset(a, offset);
}
