// The caret and the view position of the editor: the row and column setters
// with their column rules, the caret shape and its nested hiding, scrolling by
// rows and columns, the scroll bars, the mouse and row selection in the margin.
#include <QApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>

#include "AppException.h"
#include "Editor.h"

// ---- row and column -------------------------------------------------------------------------------

void TEditor::SetRow(int Value) {
    if (Value == FRow && RowCount() != Value) return;
    UnderlineBeginUpdate();
    const int n = RowCount();
    int r = std::clamp(Value, 0, n);
    if (r == n && n > 0 && RowAttribute(n - 1) == raEndOfText) r = n - 1;
    const int oldCol = FCol;
    const int oldRow = FRow;
    FRow = r;
    AdjustCol(true, -1);
    if (FRuler->Visible() && (FCol != oldCol || oldRow != FRow)) {
        EraseRulerMark(oldCol);
        DrawRulerMark(FCol);
    }
    UnderlineEndUpdate();
}

void TEditor::SetCol(int Value) {
    int c = std::clamp(Value, 0, kMaxCaretCol);
    const int old = FCol;
    if (FRuler->Visible()) EraseRulerMark(old);
    FCol = c;
    AdjustCol(false, c > old ? 1 : -1);
    if (FRuler->Visible()) DrawRulerMark(FCol);
}

void TEditor::AdjustCol(bool Vertical, int Direction) {
    std::string_view t = RowText(FRow);
    const int w = CappedRowEndCol(FRow);
    const std::string codes = ColumnCodes(t);
    auto code = [&](int c) { return (c >= 0 && c < static_cast<int>(codes.size())) ? codes[static_cast<size_t>(c)] : '0'; };
    auto remember = [&](int c) {
        if (Vertical && !FKeepCaretValid) {
            FKeepCaretCol = c;
            FKeepCaretValid = true;
        }
    };
    const TEditorCaret& k = *FCaret;
    if (Vertical) {
        if (FKeepCaretValid) FCol = FKeepCaretCol;
    } else {
        FKeepCaretValid = false;
    }
    if (FCol > w && !k.FreeCaret) {
        if (k.KeepCaret) remember(FLeftButtonDown ? w : FCol);
        if (!(Vertical && k.FreeRow && !FLeftButtonDown)) {
            FCol = w;
            if (!k.KeepCaret) FKeepCaretValid = false;
        }
    }
    if (code(FCol) == '5') {
        remember(FCol);
        FCol += Direction;
    }
    if (!k.InTab && code(FCol) == '3') {
        remember(FCol);
        while (code(FCol) == '3') FCol += Direction;
    }
    if (WordWrap() && FCol >= w) {
        remember(FCol);
        const int wrapByte = WrapOption().WrapByte();
        if (RowAttribute(FRow) != raWrapped) {
            if (FCol >= wrapByte) FCol = std::max(w, wrapByte - 1);
        } else {
            FCol = w - 1;
        }
        if (code(FCol) == '5') --FCol;
        if (!k.InTab)
            while (FCol > 0 && code(FCol) == '3') --FCol;
    }
    if (FCol > 8192 && code(8191) != '4') FCol = 8192;
    if (FCol < 0) FCol = 0;
    if (!FSettingRowCol) UpdateCaret();
}

void TEditor::SetRowCol(int ARow, int ACol) {
    if (ARow == FRow && ACol == FCol) return;
    FSettingRowCol = true;
    SetRow(ARow);
    std::string codes = ColumnCodes(RowText(FRow));
    auto code = [&](int c) { return (c >= 0 && c < static_cast<int>(codes.size())) ? codes[static_cast<size_t>(c)] : '0'; };
    int c = std::max(0, ACol);
    if (code(c) == '5') --c;
    if (!FCaret->InTab)
        while (c > 0 && code(c) == '3') --c;
    SetCol(c);
    FSettingRowCol = false;
    UpdateCaret();
}

void TEditor::PosToRowCol(int X, int Y, bool Round, int& ACol, int& ARow) const {
    const int L = GetTextLeft();
    if (X < L) X -= FColWidth - 1;
    if (Round)
        ACol = std::max(0, (FColWidth / 2 + X - 1 - L) / FColWidth + FTopCol);
    else
        ACol = std::max(0, (X - L) / FColWidth + FTopCol);
    ARow = (Y - GetTextTop()) / std::max(1, GetRowHeight()) + FTopRow;
}

// ---- the caret ----------------------------------------------------------------------------------

void TEditor::CaretBeginUpdate() {
    if (++FCaretUpdateCount == 1 && hasFocus()) HideEditorCaret();
}

void TEditor::CaretEndUpdate() {
    if (FCaretUpdateCount > 0) --FCaretUpdateCount;
    if (FCaretUpdateCount == 0 && hasFocus()) ShowEditorCaret();
}

void TEditor::HideEditorCaret() {
    if (!hasFocus() || !FCaretShown) return;
    FCaretShown = false;
    FCaretTimer.stop();
    MarkDirty(FCaretPaintRect);
}

void TEditor::ShowEditorCaret() {
    if (FCaretUpdateCount != 0 || !hasFocus() || FCaretShown || CaretOutOfView()) return;
    FCaretShown = true;
    FCaretBlinkOn = true;
    FCaretPaintRect = [&] {
        TRect r = CaretRect();
        return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    }();
    MarkDirty(FCaretPaintRect);
    FCaretTimer.start();
}

bool TEditor::CaretOutOfView() {
    return FRow < FTopRow || FRow > FTopRow + FVisibleRows || FCol < FTopCol || FCol > FTopCol + FVisibleCols;
}

TPoint TEditor::CalcCaretPoint() {
    TPoint p;
    p.X = GetTextLeft() + (FCol - FTopCol) * FColWidth;
    p.Y = GetTextTop() + (FRow - FTopRow) * GetRowHeight();
    if (FCaret->Style() == csBrief) p.Y += FFontHeight - 2;
    return p;
}

TRect TEditor::CaretRect() const {
    TPoint p = const_cast<TEditor*>(this)->CalcCaretPoint();
    return TRect{p.X, p.Y, p.X + FCaretWidth, p.Y + FCaretHeight};
}

void TEditor::CreateSystemCaret() {
    if (!hasFocus()) return;
    if (FCaretShown) {
        FCaretShown = false;
        MarkDirty(FCaretPaintRect);
    }
    if (FCaret->Style() == csBrief) {
        std::string codes = ColumnCodes(RowText(FRow));
        bool lead = FCol >= 0 && FCol < static_cast<int>(codes.size()) && codes[static_cast<size_t>(FCol)] == '4';
        FCaretWidth = std::max(1, FColWidth - FMargin->Character()) * (lead ? 2 : 1);
        FCaretHeight = 2;
    } else {
        FCaretWidth = 2;
        FCaretHeight = FFontHeight;
    }
    FCaretCreated = true;
}

void TEditor::SetCaretPosition() {
    if (!hasFocus()) return;
    TRect r = CaretRect();
    QRect nr(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    if (FCaretShown && nr != FCaretPaintRect) {
        MarkDirty(FCaretPaintRect);
        MarkDirty(nr);
        FCaretBlinkOn = true;
    }
    FCaretPaintRect = nr;
    if (FKeyRepeat)
        FImeUpdatePending = true;
    else
        UpdateImeWindow();
    DoCaretMoved();
}

void TEditor::ScrollCaret() {
    if (!hasFocus()) return;
    ScrollIntoView(FRow, FCol);
}

TEditor::TViewSpot TEditor::ViewShowing(int Row, int Col, TViewSpot From, bool Third) const {
    const int rows = FVisibleRows, cols = FVisibleCols;
    const int maxTop = RowCount(), maxLeft = std::max(0, FMaxTopCol - cols / 2);  // as SetTopRow and SetTopCol keep them
    TViewSpot v = From;
    if (Row < v.TopRow || Row > v.TopRow + rows - 1) {
        if (Third)
            v.TopRow = Row - rows / 3;
        else
            v.TopRow = Row < v.TopRow ? Row : Row - (rows - 1);
        v.TopRow = std::clamp(v.TopRow, 0, maxTop);
    }
    if (Col < v.TopCol || Col > v.TopCol + cols - 1) {
        if (Third)
            v.TopCol = Col - cols / 3;
        else if (Col < v.TopCol)  // a quarter of the view's width of text stays in view left of the place
            v.TopCol = std::max(0, std::min(Col - std::max(0, cols / 4 - 1), v.TopCol - cols / 4));
        else
            v.TopCol = std::min(std::max(Col - cols + 1, v.TopCol + cols / 4), FMaxTopCol - cols / 2);
        v.TopCol = std::clamp(v.TopCol, 0, maxLeft);
    }
    return v;
}

void TEditor::ScrollIntoView(int Row, int Col, bool Third) {
    const TViewSpot v = ViewShowing(Row, Col, {FTopRow, FTopCol}, Third);
    if (Row < FTopRow || Row > FTopRow + FVisibleRows - 1) SetTopRow(v.TopRow);
    if (Col < FTopCol || Col > FTopCol + FVisibleCols - 1) SetTopCol(v.TopCol);
}

void TEditor::UpdateCaret() {
    CreateSystemCaret();
    ScrollCaret();
    SetCaretPosition();
    ShowEditorCaret();
}

void TEditor::UpdateImeWindow() {
    FImeUpdatePending = false;
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImFont);
}

// ---- scrolling ----------------------------------------------------------------------------------

void TEditor::SetTopRow(int Value) {
    CaretBeginUpdate();
    UnderlineBeginUpdate();
    int v = std::clamp(Value, 0, RowCount());
    if (v != FTopRow) {
        int d = FTopRow - v;
        FTopRow = v;
        int rows = std::clamp(d, -(FVisibleRows + 1), FVisibleRows + 1);
        TRect clip{0, GetTextTop(), viewport()->width(), viewport()->height()};
        ScrollText(0, rows * GetRowHeight(), &clip, nullptr);
        FSettingBars = true;
        verticalScrollBar()->setValue(FTopRow);
        FSettingBars = false;
        if (FKeyRepeat)
            FImeUpdatePending = true;
        else
            UpdateImeWindow();
        DoTopRowChange();
    }
    UnderlineEndUpdate();
    CaretEndUpdate();
}

void TEditor::SetTopCol(int Value) {
    CaretBeginUpdate();
    int v = std::clamp(Value, 0, std::max(0, FMaxTopCol - FVisibleCols / 2));
    if (v != FTopCol) {
        if (FRuler->Visible()) EraseRulerMark(FCol);
        int d = FTopCol - v;
        FTopCol = v;
        TRect clip{GetTextLeft(), 0, viewport()->width(), viewport()->height()};
        ScrollText(d * FColWidth, 0, &clip, nullptr);
        FLeftScroll = FTopCol * FColWidth;
        FSettingBars = true;
        horizontalScrollBar()->setValue(FTopCol);
        FSettingBars = false;
        if (FKeyRepeat)
            FImeUpdatePending = true;
        else
            UpdateImeWindow();
        DoTopColChange();
    }
    CaretEndUpdate();
}

void TEditor::ScrollText(int Dx, int Dy, const TRect* Clip, const TRect* Scroll) {
    UnderlineBeginUpdate();
    FLeftScroll -= Dx;
    QRect r = viewport()->rect();
    if (Scroll) r &= QRect(Scroll->Left, Scroll->Top, Scroll->Right - Scroll->Left, Scroll->Bottom - Scroll->Top);
    if (Clip) r &= QRect(Clip->Left, Clip->Top, Clip->Right - Clip->Left, Clip->Bottom - Clip->Top);
    if (!r.isEmpty()) {
        if (viewport()->isVisible() && viewport()->updatesEnabled() && std::abs(Dx) < r.width() &&
            std::abs(Dy) < r.height()) {
            // What was due to be painted moves with the pixels; it is painted at both places.
            QRegion moved = (FDirty & r).translated(Dx, Dy) & r;
            viewport()->scroll(Dx, Dy, r);
            if (!moved.isEmpty()) {
                FDirty += moved;
                viewport()->update(moved);
            }
        } else {
            MarkDirty(r);
        }
    }
    UnderlineEndUpdate();
}

void TEditor::ScrollTextRows(int ARow, int N) {
    (void)N;
    CaretBeginUpdate();
    UnderlineBeginUpdate();
    InvalidateRows(ARow, FTopRow + FVisibleRows + 1);
    UnderlineEndUpdate();
    CaretEndUpdate();
}

void TEditor::ScrollImagebarRows(int ARow, int N) {
    (void)N;
    if (!FImagebar->Visible()) return;
    TRect r = RowRect(std::max(ARow, FTopRow));
    MarkDirty(QRect(0, r.Top, FImagebarWidth, viewport()->height()));
}

void TEditor::ScrollPage(int N) {
    if (FTopRow == 0 && N < 0) {
        SetRow(0);
        return;
    }
    const int n = RowCount();
    bool topIsLast = FTopRow >= n || RowAttribute(FTopRow) == raEndOfText;
    if (topIsLast && N > 0) return;
    CaretBeginUpdate();
    int k = FRow - FTopRow;
    SetTopRow(std::clamp(FTopRow + N, 0, n));
    SetRow(FTopRow + k);
    CaretEndUpdate();
}

void TEditor::UpdateScrollBars() {
    FMaxTopRow = std::max(0, RowCount() + FVisibleRows - 1);
    FTopRow = std::min(FTopRow, FMaxTopRow);
    FMaxTopCol = 8192;
    FTopCol = std::min(FTopCol, 8192 - FVisibleCols / 2);
    FLeftScroll = FTopCol * FColWidth;
    FSettingBars = true;
    QScrollBar* vb = verticalScrollBar();
    vb->setRange(0, std::max(FVisibleRows, FMaxTopRow) - FVisibleRows + 1);
    vb->setPageStep(FVisibleRows);
    vb->setSingleStep(1);
    vb->setValue(FTopRow);
    QScrollBar* hb = horizontalScrollBar();
    hb->setRange(0, FVisibleCols / 2 + 8192 - FVisibleCols + 1);
    hb->setPageStep(FVisibleCols);
    hb->setSingleStep(1);
    hb->setValue(FTopCol);
    FSettingBars = false;
}

void TEditor::scrollContentsBy(int Dx, int Dy) {
    if (FSettingBars) return;
    app::Guard([&] {
        if (Dy != 0) {
            int delta = std::clamp(verticalScrollBar()->value() - FTopRow, -FTopRow, FMaxTopRow - FTopRow);
            if (delta != 0) {
                SetTopRow(FTopRow + delta);
                if (FCaret->LockScroll) SetRow(FRow + delta);
            }
        }
        if (Dx != 0) {
            int delta = std::clamp(horizontalScrollBar()->value() - FTopCol, -FTopCol,
                                   FVisibleCols / 2 + FMaxTopCol - FTopCol);
            if (delta != 0) SetTopCol(FTopCol + delta);
        }
    });
}

void TEditor::ResizeView() {
    FontMetrics();
    UpdateScrollBars();
    DrawCornerBitmap();
    MarkDirtyAll();
}

void TEditor::resizeEvent(QResizeEvent* E) {
    QAbstractScrollArea::resizeEvent(E);
    if (FSpeed) ResizeView();
}

// ---- focus --------------------------------------------------------------------------------------

void TEditor::focusInEvent(QFocusEvent* E) {
    QAbstractScrollArea::focusInEvent(E);
    CreateSystemCaret();
    SetCaretPosition();
    ShowEditorCaret();
    if (OnEnter) OnEnter(this);
}

void TEditor::focusOutEvent(QFocusEvent* E) {
    QAbstractScrollArea::focusOutEvent(E);
    if (FCaretShown) {
        FCaretShown = false;
        MarkDirty(FCaretPaintRect);
    }
    FCaretTimer.stop();
    FCaretCreated = false;
    if (OnExit) OnExit(this);
}

// ---- row selection in the left margin ----------------------------------------------------------

void TEditor::RowSelectStart(int ARow) {
    const int n = RowCount();
    if (n == 0) return;
    int r = std::min(std::max(0, ARow), n);
    if (r == n && RowAttribute(n - 1) == raEndOfText) r = n - 1;
    bool lastOfText = r >= n || RowAttribute(r) == raEndOfText;
    CaretBeginUpdate();
    if (!lastOfText) {
        SetRowCol(r, 0);
        StartSelection();
        SetRowCol(r + 1, 0);
        ExtendSelection();
        FRowSelAnchor = r;
        FRowSelEnd = r + 1;
        FRowSelOnLastRow = false;
    } else {
        SetRowCol(r, RowEndCol(r));
        StartSelection();
        SetRowCol(r, 0);
        ExtendSelection();
        FRowSelAnchor = FRowSelEnd = r;
        FRowSelOnLastRow = true;
    }
    SetRowCol(r, 0);
    CaretEndUpdate();
    FRowSelecting = true;
}

void TEditor::RowSelectExtend(int ARow) {
    if (!FRowSelecting) return;
    const int n = RowCount();
    if (n == 0) return;
    int r = std::min(std::max(0, ARow), n);
    if (r == n && RowAttribute(n - 1) == raEndOfText) r = n - 1;
    CaretBeginUpdate();
    if (r < FRowSelAnchor) {
        if (FRowSelEnd > FRowSelAnchor || FRowSelOnLastRow) {
            // the clicked row stays selected: anchor at the start of the row after it
            int a = FRowSelOnLastRow ? FRowSelAnchor : FRowSelAnchor + 1;
            FAnchorRow = std::min(a, n);
            FAnchorCol = FRowSelOnLastRow ? RowEndCol(FRowSelAnchor) : 0;
            FAnchorIndex = FRowSelOnLastRow ? static_cast<int>(RowText(FRowSelAnchor).size()) : 0;
            if (FRowSelOnLastRow) FAnchorRow = FRowSelAnchor;
            FRowSelOnLastRow = false;
        }
        SetRowCol(r, 0);
        FRowSelEnd = r;
    } else {
        if (FRowSelEnd < FRowSelAnchor && !FRowSelOnLastRow) {
            FAnchorRow = FRowSelAnchor;
            FAnchorCol = 0;
            FAnchorIndex = 0;
        }
        bool lastOfText = r >= n || RowAttribute(r) == raEndOfText;
        if (!lastOfText) {
            SetRowCol(r + 1, 0);
            FRowSelEnd = r + 1;
        } else if (FRowSelOnLastRow) {
            SetRowCol(r, 0);
            FRowSelEnd = r;
        } else {
            SetRowCol(r, RowEndCol(r));
            FRowSelEnd = r;
        }
    }
    ExtendSelection();
    CaretEndUpdate();
}

// ---- the mouse -------------------------------------------------------------------------------------

void TEditor::mousePressEvent(QMouseEvent* E) {
    app::Guard([&] {
        if (!hasFocus()) setFocus(Qt::MouseFocusReason);
        const QPoint pos = E->position().toPoint();
        const TShiftState shift = ShiftStateOf(E->modifiers(), E->buttons());
        if (E->button() == Qt::LeftButton) {
            FLeftButtonDown = true;
            if (E->modifiers() & Qt::ShiftModifier) {
                if (FSelState != 2) StartSelection();
                int c, r;
                PosToRowCol(pos.x(), pos.y(), true, c, r);
                SetRowCol(r, c);
                ExtendSelection();
            } else {
                FMouseDownPos = pos;
                int c, r;
                PosToRowCol(pos.x(), pos.y(), false, c, r);
                if (CanSelDrag() && pos.x() >= GetTextLeft() && IsInSelection(r, c)) {
                    SetRowCol(r, c);
                    if (FCaret->SelDragMode == dmAutomatic) {
                        FLeftButtonDown = false;  // the drag owns the button from here
                        FDragState = 1;
                    }
                } else {
                    PosToRowCol(pos.x(), pos.y(), true, c, r);
                    if (pos.x() < GetTextLeft() && FCaret->RowSelect) {
                        RowSelectStart(r);
                    } else {
                        THold hold(*this);
                        SetRowCol(r, c);
                        StartSelection();
                    }
                }
            }
        }
        if (OnMouseDown) OnMouseDown(this, E->button(), shift, pos.x(), pos.y());
    });
    E->accept();
}

void TEditor::mouseMoveEvent(QMouseEvent* E) {
    app::Guard([&] {
        const QPoint pos = E->position().toPoint();
        if (FDragState == 1 || FDragState == 2) {
            if (FDragState == 1) {
                int half = FColWidth / 2;
                if (std::abs(pos.x() - FMouseDownPos.x()) >= half || std::abs(pos.y() - FMouseDownPos.y()) >= half) {
                    FDragState = 2;
                    SetCursorState((E->modifiers() & Qt::ControlModifier) ? 5 : 4);
                }
            }
            if (FDragState == 2) {
                int c, r;
                PosToRowCol(pos.x(), pos.y(), false, c, r);
                if (pos.y() < GetTextTop()) r = std::max(0, r - 1);
                SetRowCol(r, c);
            }
        } else if (FLeftButtonDown && (E->buttons() & Qt::LeftButton)) {
            int c, r;
            PosToRowCol(pos.x(), pos.y(), true, c, r);
            if (pos.y() < GetTextTop()) r = std::max(0, r - 1);
            if (FRowSelecting) {
                RowSelectExtend(r);
            } else {
                SetRowCol(r, c);
                if (FSelState == 1) {
                    int half = FColWidth / 2;
                    if (std::abs(pos.x() - FMouseDownPos.x()) >= half || std::abs(pos.y() - FMouseDownPos.y()) >= half)
                        ExtendSelection();
                } else if (FSelState == 2) {
                    UpdateSelection();
                }
            }
        } else {
            UpdateCursorByZone(pos);
        }
        if (OnMouseMove) OnMouseMove(this, ShiftStateOf(E->modifiers(), E->buttons()), pos.x(), pos.y());
    });
    E->accept();
}

void TEditor::mouseReleaseEvent(QMouseEvent* E) {
    const QPoint pos = E->position().toPoint();
    // The handler's error does not keep the editor's button down.
    QPointer<TEditor> self(this);
    if (OnMouseUp)
        app::Guard([&] { OnMouseUp(this, E->button(), ShiftStateOf(E->modifiers(), E->buttons()), pos.x(), pos.y()); });
    if (!self) return;
    app::Guard([&] {
        if (E->button() == Qt::LeftButton) {
            FLeftButtonDown = false;
            if (FDragState == 2)
                EndSelDrag(pos, E->modifiers());
            else if (FDragState == 1)
                ClickInSelection();
            FRowSelecting = false;
            if (OnClick) OnClick(this);
        }
    });
    E->accept();
}

void TEditor::mouseDoubleClickEvent(QMouseEvent* E) {
    app::Guard([&] {
        if (FDragState == 0 && !FLeftButtonDown && OnDblClick) OnDblClick(this);
    });
    E->accept();
}

void TEditor::UpdateCursorByZone(const QPoint& Pos) {
    uint8_t zone;
    if (Pos.x() < GetTextLeft())
        zone = 1;
    else if (Pos.y() < GetTextTop())
        zone = 2;
    else {
        zone = 0;
        if (CanSelDrag()) {
            int c, r;
            PosToRowCol(Pos.x(), Pos.y(), true, c, r);
            if (IsInSelection(r, c)) zone = 3;
        }
    }
    SetCursorState(zone);
}

void TEditor::SetCursorState(uint8_t Zone) {
    const bool changed = Zone != FCursorZone;
    FCursorZone = Zone;
    if (!FCaret->AutoCursor || !changed) return;
    const TEditorCursors& c = FCaret->Cursors();
    switch (Zone) {
        case 0: viewport()->setCursor(EditorCursor(c.DefaultCursor)); break;
        case 1: viewport()->setCursor(EditorCursor(c.LeftMarginCursor)); break;
        case 2: viewport()->setCursor(EditorCursor(c.TopMarginCursor)); break;
        case 3: viewport()->setCursor(EditorCursor(c.InSelCursor)); break;
        case 4: viewport()->setCursor(EditorCursor(c.DragSelCursor)); break;
        case 5: viewport()->setCursor(EditorCursor(c.DragSelCopyCursor)); break;
        default: break;
    }
}
