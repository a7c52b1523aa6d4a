// The editor control: construction, properties, the shared store, the view
// link the store talks to, change handling and the edit-control operations.
#include "Editor.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <chrono>

#include "EditorSearch.h"
#include "EditorUndo.h"
#include "Fountain.h"

TSearchTextProc EditorSearchTextProc = &SearchText;

// ---- construction -------------------------------------------------------------

TEditor::TEditor(QWidget* Parent) : QAbstractScrollArea(Parent), TComponent(nullptr) {
    WindowProc = [this](winmsg::TMessage& Message) { WndProc(Message); };
}

void TEditor::AfterConstruction() {
    TComponent::AfterConstruction();
    resize(185, 89);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    FBreakChars = CreateBreakChars();
    FStore = CreateEditorScreenStrings();
    FStore->Attach(this);
    FLines = CreateEditorStrings();
    FScreenUpdater = CreateEditorScreen();
    FView = CreateEditorViewInfo();
    FView->OnChange = MakeEvent<&TEditor::ViewChanged>(this);
    FColor = clWhite;
    FFontColor = clBlack;
    setFont(EditorDefaultFont());
    FCaret = CreateEditorCaret();
    FCaret->OnChange = MakeEvent<&TEditor::ViewChanged>(this);
    FMarks = CreateEditorMarks();
    FMarks->OnChange = MakeEvent<&TEditor::ViewChanged>(this);
    FMargin = CreateEditorMargin();
    FMargin->OnChange = MakeEvent<&TEditor::ViewChanged>(this);
    FImagebar = CreateEditorImagebar();
    FImagebar->OnChange = MakeEvent<&TEditor::ViewChanged>(this);
    FLeftbar = CreateEditorLeftbar();
    FLeftbar->OnChange = MakeEvent<&TEditor::ViewChanged>(this);
    FRuler = CreateEditorRuler();
    FRuler->OnChange = MakeEvent<&TEditor::ViewChanged>(this);
    CreateMarginBitmaps();
    FSpeed = CreateEditorSpeed();
    FPopupMenuDue = true;
    FCaretTimer.setInterval(std::max(100, QApplication::cursorFlashTime() / 2));
    QObject::connect(&FCaretTimer, &QTimer::timeout, [this] {
        FCaretBlinkOn = !FCaretBlinkOn;
        if (FCaretShown) MarkDirty(FCaretPaintRect.isNull() ? QRect() : FCaretPaintRect);
    });
    FStateTimer.setInterval(0);
    QObject::connect(&FStateTimer, &QTimer::timeout, [this] {
        using Clock = std::chrono::steady_clock;
        auto until = Clock::now() + std::chrono::milliseconds(4);
        bool more = true;
        while (more && Clock::now() < until) more = FStore && FStore->FillStateCheckpoints(2048);
        if (!more) FStateTimer.stop();
    });
    // what the window's creation does
    FontMetrics();
    UpdateScrollBars();
    DrawLeftbarBitmap();
    UpdateRulerMetrics();
    DrawCornerBitmap();
}

TEditor::~TEditor() {
    FDestroying = true;
    FCaretTimer.stop();
    FStateTimer.stop();
    SetFountain(nullptr);
    if (FImageDigits) FImageDigits->RemoveFreeNotification(this);
    if (FImageMarks) FImageMarks->RemoveFreeNotification(this);
    FScreenUpdater.reset();
    if (FStore) FStore->Detach(this);
    FStore.reset();
    FLines.reset();
    FView.reset();
    FCaret.reset();
    FMarks.reset();
    FMargin.reset();
    FImagebar.reset();
    FLeftbar.reset();
    FRuler.reset();
    FreeMarginBitmaps();
    FSpeed.reset();
    if (FPopupMenu) FPopupMenu->Editor = nullptr;
}

void TEditor::Loaded() {
    FLoading = false;
    if (WordWrap()) FStore->WrapAll();
    FStore->InitRowStates();
    FModified = false;
    ScheduleStateFill();
}

void TEditor::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    bool hit = false;
    if (AComponent && AComponent == FFountain) {
        FFountain = nullptr;
        hit = true;
    }
    if (AComponent && AComponent == FImageDigits) {
        FImageDigits = nullptr;
        hit = true;
    }
    if (AComponent && AComponent == FImageMarks) {
        FImageMarks = nullptr;
        hit = true;
    }
    if (hit && !FDestroying) MarkDirtyAll();
}

// ---- factories ------------------------------------------------------------------

TBreakChars TEditor::CreateBreakChars() { return DefaultBreakChars(); }
std::unique_ptr<TEditorCaret> TEditor::CreateEditorCaret() { return std::make_unique<TEditorCaret>(); }
std::unique_ptr<TEditorImagebar> TEditor::CreateEditorImagebar() { return std::make_unique<TEditorImagebar>(); }
std::unique_ptr<TEditorLeftbar> TEditor::CreateEditorLeftbar() { return std::make_unique<TEditorLeftbar>(); }
std::unique_ptr<TEditorMarks> TEditor::CreateEditorMarks() { return std::make_unique<TEditorMarks>(); }
std::unique_ptr<TEditorMargin> TEditor::CreateEditorMargin() { return std::make_unique<TEditorMargin>(); }
std::unique_ptr<TEditorRuler> TEditor::CreateEditorRuler() { return std::make_unique<TEditorRuler>(); }
std::unique_ptr<TEditorSpeed> TEditor::CreateEditorSpeed() { return std::make_unique<TEditorSpeed>(); }
TEditorPopupMenu* TEditor::PopupMenu() const {
    if (FPopupMenuDue && !FDestroying) {
        auto* self = const_cast<TEditor*>(this);
        self->FPopupMenuDue = false;
        self->FPopupMenu = self->CreateEditorPopupMenu();
    }
    return FPopupMenu;
}

void TEditor::SetPopupMenu(TEditorPopupMenu* Value) {
    FPopupMenuDue = false;
    if (Value == FPopupMenu) return;
    if (FPopupMenu) {
        FPopupMenu->Editor = nullptr;
        FPopupMenu->deleteLater();
    }
    FPopupMenu = Value;
    if (FPopupMenu) {
        FPopupMenu->Editor = this;
        FPopupMenu->setParent(this, FPopupMenu->windowFlags());
    }
}

TEditorPopupMenu* TEditor::CreateEditorPopupMenu() {
    auto p = MakeObject<TEditorPopupMenu>(this);
    return p.release();  // owned by the control as a child widget
}
std::unique_ptr<TEditorScreen> TEditor::CreateEditorScreen() { return std::make_unique<TEditorScreen>(this); }
std::shared_ptr<TEditorScreenStrings> TEditor::CreateEditorScreenStrings() {
    return std::shared_ptr<TEditorScreenStrings>(MakeObject<TEditorScreenStrings>());
}
std::unique_ptr<TEditorStrings> TEditor::CreateEditorStrings() { return std::make_unique<TEditorStrings>(this); }
std::unique_ptr<TEditorViewInfo> TEditor::CreateEditorViewInfo() { return MakeObject<TEditorViewInfo>(this); }

// ---- properties -------------------------------------------------------------------

void TEditor::SetBorderStyle(TBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    setFrameStyle(Value == bsSingle ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
    ResizeView();
}

void TEditor::SetColor(TColor Value) {
    if (FColor == Value) return;
    FColor = Value;
    UpdateRulerMetrics();
    DrawCornerBitmap();
    MarkDirtyAll();
}

void TEditor::SetFontColor(TColor Value) {
    if (FFontColor == Value) return;
    FFontColor = Value;
    UpdateRulerMetrics();
    MarkDirtyAll();
}

void TEditor::SetFountain(TFountain* Value) {
    if (FFountain == Value) return;
    auto handler = MakeEvent<&TEditor::ViewChanged>(this);
    if (FFountain) {
        FFountain->NotifyEventList().Remove(handler);
        FFountain->RemoveFreeNotification(this);
    }
    if (Value) {
        Value->NotifyEventList().Add(handler);
        Value->FreeNotification(this);
    }
    FFountain = Value;
    if (FDestroying) return;
    FStore->InitRowStates();
    ScheduleStateFill();
    MarkDirtyAll();
}

void TEditor::SetHitStyle(TEditorHitStyle Value) {
    if (FHitStyle == Value) return;
    CleanSelection();
    FHitStyle = Value;
}

void TEditor::SetImageList(TImageList*& Field, TImageList* Value) {
    if (Field == Value) return;
    if (Field) Field->RemoveFreeNotification(this);
    Field = Value;
    if (Value) Value->FreeNotification(this);
    if (FImagebar->Visible()) MarkDirtyAll();
}

void TEditor::SetImageDigits(TImageList* Value) { SetImageList(FImageDigits, Value); }
void TEditor::SetImageMarks(TImageList* Value) { SetImageList(FImageMarks, Value); }

void TEditor::SetLines(const TStringList& Value) {
    CleanSelection();
    FStore->AssignStrings(Value);
    FStore->RefreshViews();
}

void TEditor::SetReadOnly(bool Value) {
    if (FDragState != 0) return;
    FReadOnly = Value;
    if (Value && FSelState == 2) viewport()->setCursor(EditorCursor(FCaret->Cursors().DefaultCursor));
}

const TSortedStringList& TEditor::ReserveWordList() { return FView->Fountain().ReserveWordList(); }

void TEditor::SetReserveWordList(const TSortedStringList& Value) {
    if (FView->Fountain().ReserveWordList() == Value) return;
    FView->Fountain().SetReserveWordList(Value);
    FStore->InitRowStates();
    MarkDirtyAll();
}

void TEditor::SetScrollBars(TScrollStyle Value) {
    if (FScrollBars == Value) return;
    FScrollBars = Value;
    setVerticalScrollBarPolicy((Value == ssVertical || Value == ssBoth) ? Qt::ScrollBarAlwaysOn
                                                                         : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy((Value == ssHorizontal || Value == ssBoth) ? Qt::ScrollBarAlwaysOn
                                                                             : Qt::ScrollBarAlwaysOff);
    FontMetrics();
    UpdateScrollBars();
}

int TEditor::UndoListMax() const { return FStore->UndoObj().UndoListMax(); }
void TEditor::SetUndoListMax(int Value) { FStore->UndoObj().SetUndoListMax(Value); }

void TEditor::SetView(const TEditorViewInfo& Value) {
    FView->Assign(Value);
    ScrollCaret();
    SetCaretPosition();
}

bool TEditor::WordWrap() const { return FStore->WordWrap(); }
void TEditor::SetWordWrap(bool Value) { FStore->SetWordWrap(Value); }
TEditorWrapOption& TEditor::WrapOption() { return FStore->WrapOption(); }
void TEditor::SetWrapOption(const TEditorWrapOption& Value) { FStore->SetWrapOption(Value); }

int TEditor::GetRowHeight() const { return FFontHeight + FMargin->Line() + FMargin->UnderlineSpace(); }

TFountain* TEditor::ActiveFountain() {
    if (FFountain) return FFountain;
    return FView ? &FView->Fountain() : nullptr;
}

// ---- the view link ------------------------------------------------------------------

int TEditor::ScreenHeight() const {
    if (QScreen* s = screen()) return s->geometry().height();
    return 1080;
}

bool TEditor::Focused() const { return hasFocus(); }

void TEditor::Refresh() {
    FontMetrics();
    UpdateScrollBars();
    DrawCornerBitmap();
    MarkDirtyAll();
}

void TEditor::SetRedraw(bool Value) {
    FRedrawOff = !Value;
    viewport()->setUpdatesEnabled(Value);
    if (Value) MarkDirtyAll();
}

// ---- change handling -----------------------------------------------------------------

void TEditor::DoChange() {
    if (FLoading && WordWrap()) {
        FStore->WrapAll();
        FStore->InitRowStates();
    }
    if (FScreenUpdater) FScreenUpdater->Update();
    if (FLeftbar->Visible() && FLeftbar->ShowNumber()) {
        int old = FLeftbarWidth;
        if (CalcLeftbarColumn()) {
            CalcLeftbarWidth();
            DrawCornerBitmap();
            ScrollMargin(old, FLeftbarWidth);
            CalcVisibleCols();
        }
    }
    UpdateScrollBars();
    ScheduleStateFill();
    if (FStore->IsChanged()) {
        FModified = true;
        if (OnChange) OnChange(this);
    }
}

void TEditorScreen::Update() {
    TEditor* e = Editor;
    TEditorScreenStrings& s = e->Store();
    if (!s.IsChanged()) return;
    const int f = s.ChangeFirstRow(), o = s.ChangeOldCount(), n = s.ChangeNewCount(), st = s.ChangeStateRows();
    const int vr = e->VisibleRows();
    if (std::abs(n - o) > vr) {
        e->MarkDirtyAll();
        return;
    }
    const int rows = s.GetCount();
    int ee = f + std::max(n, st);
    if (n == o) {
        e->InvalidateRows(f, ee >= rows ? ee + 1 : ee - 1);
    } else {
        // rows that moved: from f down to the bottom of the view
        e->InvalidateRows(f, e->TopRow() + vr + 1);
    }
    if (e->Leftbar().Visible() && e->Leftbar().ShowNumber()) {
        if (e->Leftbar().ShowNumberMode() == nmLine ||
            (n != o && rows <= e->TopRow() + vr))
            e->InvalidateLeftbar(ee, f + vr);
    }
}

void TEditor::ScheduleStateFill() {
    if (!FDestroying && !FLoading && !FStateTimer.isActive() &&
        FStore->GetCount() > TEditorScreenStrings::kStateCheckpointRows)
        FStateTimer.start();
}

void TEditor::ViewChanged(TObject* Sender) {
    if (FDestroying) return;
    ScheduleStateFill();
    if (dynamic_cast<TEditorMarks*>(Sender)) FMargin->SetUnderlineSpace(FMarks->Underline().Visible() ? 1 : 0);
    if (dynamic_cast<TEditorViewInfo*>(Sender) || dynamic_cast<TFountain*>(Sender)) FStore->InitRowStates();
    FontMetrics();
    UpdateScrollBars();
    if (dynamic_cast<TEditorLeftbar*>(Sender)) {
        DrawLeftbarBitmap();
        DrawCornerBitmap();
    } else if (dynamic_cast<TEditorMargin*>(Sender) || dynamic_cast<TEditorRuler*>(Sender)) {
        UpdateRulerMetrics();
        DrawCornerBitmap();
    } else if (dynamic_cast<TEditorImagebar*>(Sender)) {
        DrawCornerBitmap();
    }
    MarkDirtyAll();
    if (dynamic_cast<TEditorCaret*>(Sender)) {
        FStore->UndoObj().Clear();
        UpdateCaret();
    } else {
        ScrollCaret();
        SetCaretPosition();
    }
}

void TEditor::ShareScreenStrings(TEditor* Source) {
    if (!Source || Source->FStore == FStore) return;
    CleanSelection();
    FStore->Detach(this);
    FStore = Source->FStore;
    FStore->Attach(this);
    FRow = FCol = FTopRow = FTopCol = 0;
    FLeftScroll = 0;
    FontMetrics();
    UpdateScrollBars();
    DrawCornerBitmap();
    MarkDirtyAll();
}

// ---- events -------------------------------------------------------------------------

void TEditor::DoCaretMoved() {
    if (OnCaretMoved) OnCaretMoved(this);
}
void TEditor::DoDrawLine(const TRect& ARect, int X, int Y, const std::string& LineStr, int Index, bool Selected) {
    if (OnDrawLine) OnDrawLine(this, LineStr, X, Y, Index, ARect, Selected);
}
void TEditor::DoSelectionChange(bool Selected) {
    if (OnSelectionChange) OnSelectionChange(this, Selected);
}
void TEditor::DoSelectionModeChange() {
    if (OnSelectionModeChange) OnSelectionModeChange(this);
}
void TEditor::DoTopColChange() {
    if (OnTopColChange) OnTopColChange(this);
}
void TEditor::DoTopRowChange() {
    if (OnTopRowChange) OnTopRowChange(this);
}

// ---- selection position and length ------------------------------------------------------

int TEditor::GetSelStart() {
    int n = RowCount();
    if (n == 0) return 0;
    int r, i;
    if (FSelState == 2 || FSelState == 3) {
        r = FSelStr.StartRow;
        i = FSelStr.StartIndex;
    } else {
        r = FRow;
        i = std::min(CaretIndex(), static_cast<int>(RowText(r).size()));
    }
    return OffsetFromRow(0, r, 0) + std::max(0, i);
}

namespace {
// The bytes of one row's part of a box (StartCol .. EndCol - 1).
std::string_view BoxPart(std::string_view Text, std::string_view Codes, int StartCol, int EndCol, int& P, int& Q) {
    P = TEditor::BoxStartIndex(Codes, StartCol + 1);
    Q = TEditor::BoxEndIndex(Codes, EndCol);
    int len = static_cast<int>(Text.size());
    int from = std::min(len, std::max(0, P - 1));
    int to = std::min(len, std::max(from, Q));
    return Text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}
}  // namespace

int TEditor::GetSelLength() {
    if (FSelState != 2) return 0;
    if (FSelStr.StartRow == FSelStr.EndRow) return FSelStr.EndIndex - FSelStr.StartIndex + 1;
    int total = 0;
    if (FSelectionMode) {
        for (int r = FSelStr.StartRow; r <= FSelStr.EndRow; ++r) {
            std::string_view t = RowText(r);
            int p, q;
            total += static_cast<int>(BoxPart(t, ColumnCodes(t), FSelDraw.StartCol, FSelDraw.EndCol, p, q).size()) + 2;
        }
        return total;
    }
    int n = RowCount();
    for (int r = FSelStr.StartRow; r <= FSelStr.EndRow; ++r) {
        int len = r < n ? static_cast<int>(RowText(r).size()) : 0;
        int brk = (r < FSelStr.EndRow && RowAttribute(r) == raLineBreak) ? 2 : 0;
        if (r == FSelStr.StartRow)
            total += std::max(0, len - FSelStr.StartIndex) + brk;
        else if (r == FSelStr.EndRow)
            total += FSelStr.EndIndex + 1;
        else
            total += len + brk;
    }
    return total;
}

std::string TEditor::GetSelText() {
    std::string s;
    if (FSelState != 2) return s;
    const int n = RowCount();
    if (FSelStr.StartRow == FSelStr.EndRow && !FSelectionMode) {
        std::string_view t = RowText(FSelStr.StartRow);
        int a = std::max(0, FSelStr.StartIndex), b = std::min(static_cast<int>(t.size()) - 1, FSelStr.EndIndex);
        if (b >= a) s.assign(t, static_cast<size_t>(a), static_cast<size_t>(b - a + 1));
        return s;
    }
    if (FSelectionMode) {
        bool oneRow = FSelStr.StartRow == FSelStr.EndRow;
        for (int r = FSelStr.StartRow; r <= FSelStr.EndRow; ++r) {
            std::string_view t = RowText(r);
            int p, q;
            s += BoxPart(t, ColumnCodes(t), FSelDraw.StartCol, FSelDraw.EndCol, p, q);
            if (!oneRow) s += "\r\n";
        }
        return s;
    }
    for (int r = FSelStr.StartRow; r <= FSelStr.EndRow && r < n; ++r) {
        std::string_view t = RowText(r);
        int len = static_cast<int>(t.size());
        if (r == FSelStr.StartRow) {
            int a = std::min(len, std::max(0, FSelStr.StartIndex));
            s.append(t, static_cast<size_t>(a), std::string::npos);
        } else if (r == FSelStr.EndRow) {
            int b = std::min(len, FSelStr.EndIndex + 1);
            if (b > 0) s.append(t, 0, static_cast<size_t>(b));
            break;
        } else {
            s += t;
        }
        if (RowAttribute(r) == raLineBreak) s += "\r\n";
    }
    return s;
}

void TEditor::SetSelStart(int Value) {
    CleanSelection();
    int n = RowCount();
    if (n == 0) return;
    if (Value < 1) {
        SetRow(0);
        SetCol(0);
        return;
    }
    int left = Value;
    for (int r = 0; r < n; ++r) {
        int a = RowAttribute(r);
        int len = static_cast<int>(RowText(r).size());
        int use = len + (a == raLineBreak ? 2 : a == raEndOfText ? 1 : 0);
        if (use > left || a == raEndOfText) {
            SetRow(r);
            int c = TextColumns(std::string_view(RowText(r)).substr(0, static_cast<size_t>(std::min(left, len))));
            SetCol(std::min(c, CappedRowEndCol(r)));
            return;
        }
        left -= use;
    }
    SetRow(n);
    SetCol(RowEndCol(FRow));
}

void TEditor::SetSelLength(int Value) {
    int n = RowCount();
    if (n == 0) return;
    if (FSelectionMode) {
        FSelectionMode = false;
        DoSelectionModeChange();
    }
    if (Value >= 1) {
        if (FSelState == 2 || FSelState == 3) {
            TSelDrawRec d = FSelDraw;
            CleanSelection();
            SetRowCol(d.StartRow, d.StartCol);
        }
        StartSelection();
        FSettingRowCol = true;
        int r = FRow;
        int left = Value + std::min(CaretIndex(), static_cast<int>(RowText(r).size()));
        bool placed = false;
        for (; r < n; ++r) {
            int a = RowAttribute(r);
            int len = static_cast<int>(RowText(r).size());
            int use = len + (a == raLineBreak ? 2 : a == raEndOfText ? 1 : 0);
            if (use > left || a == raEndOfText) {
                SetRow(r);
                int c = TextColumns(std::string_view(RowText(r)).substr(0, static_cast<size_t>(std::min(left, len))));
                SetCol(std::min(c, CappedRowEndCol(r)));
                placed = true;
                break;
            }
            left -= use;
        }
        if (!placed) {
            SetRow(n);
            SetCol(RowEndCol(FRow));
        }
        FSettingRowCol = false;
        UpdateCaret();
        ExtendSelection();
        return;
    }
    if (FSelState == 2 || FSelState == 3) {
        TSelDrawRec d = FSelDraw;
        CleanSelection();
        SetRowCol(d.StartRow, d.StartCol);
    }
}

void TEditor::SetSelectionMode(bool Value) {
    if (FDragState == 2 || FSelectionMode == Value) return;
    FSelectionMode = Value;
    if (FSelState == 2 || FSelState == 3) {
        if (Value) viewport()->setCursor(EditorCursor(FCaret->Cursors().DefaultCursor));
        UpdateSelection();
        MarkDirtyAll();
    }
    DoSelectionModeChange();
}

// ---- row marks and row data ------------------------------------------------------------

uint16_t TEditor::GetRowMarks(int ARow) const {
    if (ARow < 0 || ARow >= RowCount()) return 0;
    return FStore->RowMarks(ARow);
}

void TEditor::SetRowMarks(int ARow, uint16_t AMarks) {
    if (ARow < 0 || ARow >= RowCount()) return;
    if (FStore->RowMarks(ARow) == AMarks) return;
    FStore->SetRowMarks(ARow, AMarks);
    if (FImagebar->Visible()) {
        // the image bar cells of every view of the text
        for (int i = 0; i < FStore->ViewCount(); ++i)
            if (auto* v = dynamic_cast<TEditor*>(FStore->Views(i))) {
                TRect r = v->RowRect(ARow);
                v->MarkDirty(QRect(0, r.Top, v->FImagebarWidth + 12, r.Bottom - r.Top));
            }
    }
}

void TEditor::GetRowAttributeData(int ARow, TRowAttributeData& Data) const {
    if (ARow < 0 || ARow >= RowCount()) {
        Data = TRowAttributeData();
        Data.RowAttribute = raEndOfText;
        return;
    }
    FStore->GetRowAttributeData(ARow, Data);
}

// ---- undo and redo ------------------------------------------------------------------------

bool TEditor::CanUndo() { return FStore->UndoObj().CanUndo(); }
bool TEditor::CanRedo() { return FStore->UndoObj().CanRedo(); }

void TEditor::Undo() {
    CleanSelection();
    FStore->Undo();
}

void TEditor::Redo() {
    CleanSelection();
    FStore->Redo();
}

void TEditor::Clear() { FLines->Clear(); }

// ---- the edit-control operations -----------------------------------------------------------

void TEditor::CharIndexToRow(int Index, int& ARow, int& AIndex) const {
    int n = RowCount();
    int left = std::max(0, Index);
    for (int r = 0; r < n; ++r) {
        int a = RowAttribute(r);
        int len = static_cast<int>(RowText(r).size());
        int use = len + (a == raLineBreak ? 2 : a == raEndOfText ? 1 : 0);
        if (use > left || a == raEndOfText) {
            ARow = r;
            AIndex = left;
            return;
        }
        left -= use;
    }
    ARow = n;
    AIndex = left;
}

TEditor::TSel TEditor::EmGetSel() {
    int s = GetSelStart();
    return {s, s + GetSelLength()};
}

void TEditor::EmSetSel(int Start, int End) {
    if (Start == 0 && End == -1) {
        SelectAll();
        return;
    }
    if (Start == -1) {
        CleanSelection();
        return;
    }
    int a = std::min(Start, End), b = std::max(Start, End);
    SetSelStart(a);
    SetSelLength(b - a);
}

void TEditor::EmScrollCaret() { ScrollIntoView(FRow, FCol, true); }

void TEditor::EmSetModify(bool Flag) {
    if (!FReadOnly) FModified = Flag;
}

int TEditor::EmLineIndex(int ARow) {
    int r = ARow == -1 ? FRow : ARow;
    if (r >= RowCount() || r < 0) return -1;
    return OffsetFromRow(0, r, 0);
}

int TEditor::EmLineLength(int Index) {
    if (Index == -1) {
        if (FSelState == 2 || FSelState == 3)
            return static_cast<int>(RowText(FSelStr.EndRow).size()) + FSelStr.StartIndex - FSelStr.EndIndex - 1;
        return static_cast<int>(RowText(FRow).size());
    }
    int r, i;
    CharIndexToRow(Index, r, i);
    return static_cast<int>(RowText(r).size());
}

void TEditor::EmReplaceSel(std::string_view S) {
    if (!FReadOnly) SetSelTextBuf(S);
}

std::string TEditor::EmGetLine(int ARow, int Size) {
    if (ARow < 0 || ARow >= RowCount()) return std::string();
    std::string_view t = RowText(ARow);
    return std::string(t.substr(0, static_cast<size_t>(std::max(0, std::min(Size, static_cast<int>(t.size()))))));
}

bool TEditor::EmCanUndo() { return !FReadOnly && CanUndo(); }

bool TEditor::EmUndo() {
    if (FReadOnly || !CanUndo()) return false;
    Undo();
    return true;
}

int TEditor::EmLineFromChar(int Index) {
    if (Index == -1) return (FSelState == 2 || FSelState == 3) ? FSelStr.StartRow : FRow;
    int r, i;
    CharIndexToRow(Index, r, i);
    return r;
}

void TEditor::EmEmptyUndoBuffer() {
    if (!FReadOnly) FStore->UndoObj().Clear();
}

TPoint TEditor::EmPosFromChar(int Index) {
    int r, i;
    CharIndexToRow(Index, r, i);
    std::string_view t = RowText(r);
    int c = TextColumns(std::string_view(t).substr(0, static_cast<size_t>(std::min(std::max(0, i), static_cast<int>(t.size())))));
    c = std::min(c, RowEndCol(r));
    TPoint p;
    p.X = static_cast<int16_t>(GetTextLeft() + (c - FTopCol) * FColWidth);
    p.Y = static_cast<int16_t>(GetTextTop() + (r - FTopRow) * GetRowHeight());
    return p;
}

int TEditor::EmCharFromPos(int X, int Y, int* ARow) {
    QRect cr = viewport()->rect();
    if (!cr.contains(X, Y)) return -1;
    int c, r;
    PosToRowCol(X, Y, true, c, r);
    std::string codes = ColumnCodes(RowText(r));
    if (c >= 0 && c < static_cast<int>(codes.size()) && codes[static_cast<size_t>(c)] == '5') --c;
    int idx = std::min(ColToIndex(r, c), static_cast<int>(RowText(r).size()));
    if (ARow) *ARow = r;
    return OffsetFromRow(0, std::min(r, RowCount()), 0) + idx;
}

std::string TEditor::WmGetText(int BufSize) {
    if (BufSize <= 0) return std::string();
    std::string t = FLines->GetText();
    if (static_cast<int>(t.size()) > BufSize - 1) t.resize(static_cast<size_t>(BufSize - 1));
    return t;
}

void TEditor::WmSetText(std::string_view S) {
    if (!FReadOnly) FLines->SetText(S);
}

void TEditor::WmCut() {
    if (!FReadOnly && FSelState == 2)
        CutToClipboard();
    else
        SetClipboardText(std::string_view(), false);
}

void TEditor::WmCopy() {
    if (FSelState == 2)
        CopyToClipboard();
    else
        SetClipboardText(std::string_view(), false);
}

void TEditor::WmPaste() {
    if (!FReadOnly) PasteFromClipboard();
}

void TEditor::WmClear() {
    if (!FReadOnly) DeleteSelection();
}
