// What the row store asks of the views attached to it. The editor control
// implements it; the store never sees a widget. The first view attached gives
// the options the store works with (fountain, tab width, break characters,
// row height); every view gets the store's notifications.
#pragma once
#include "EditorWrap.h"

class TFountain;
class TEditorScreenStrings;

class TEditorViewLink {
public:
    virtual ~TEditorViewLink() = default;

    // ---- options read from the first view
    // The fountain every tokenisation goes through (may be null: no row states).
    virtual TFountain* ActiveFountain() = 0;
    // Caret.TabSpaceCount.
    virtual int TabSpaceCount() const = 0;
    virtual const TBreakChars& BreakChars() const = 0;
    // Pixels per row (below 1 counts as 1) and the screen height in pixels: row
    // states are recomputed eagerly for two screens' worth of rows.
    virtual int RowHeight() const = 0;
    virtual int ScreenHeight() const = 0;
    // Speed.InitBracketsFull: compute every row's state when the store starts over.
    virtual bool InitBracketsFull() const = 0;
    // The view is being loaded from its stored form (wrapping waits for Loaded),
    // or is being destroyed.
    virtual bool Loading() const = 0;
    virtual bool Destroying() const = 0;

    // ---- caret and scroll position
    virtual bool Focused() const = 0;
    virtual int Row() const = 0;
    virtual int Col() const = 0;
    virtual int TopRow() const = 0;
    virtual void SetRow(int Value) = 0;
    virtual void SetCol(int Value) = 0;
    virtual void SetTopRow(int Value) = 0;
    virtual void CaretBeginUpdate() = 0;
    virtual void CaretEndUpdate() = 0;
    virtual void UnderlineBeginUpdate() = 0;
    virtual void UnderlineEndUpdate() = 0;
    virtual void SetSettingRowCol(bool Value) = 0;
    virtual void UpdateCaret() = 0;
    // Places the caret Offset bytes (a line break counting 2) after the start of FromRow.
    virtual void SetCaretByOffset(int FromRow, int Offset) = 0;

    // ---- selection
    // Removes a shown selection or search hit; nothing when there is none.
    virtual void CancelSelection() = 0;

    // ---- notifications
    // The shared text changed; the store's change record tells what.
    virtual void DoChange() = 0;
    // The row's carried state changed: repaint it.
    virtual void InvalidateRow(int Row) = 0;
    // Re-measure, reset the scroll ranges, paint the margins and repaint.
    virtual void Refresh() = 0;

    // ---- the window (for the Lines object's updates)
    virtual bool Visible() const = 0;
    virtual bool HandleAllocated() const = 0;
    // Switches the window's redraw off (false) or on (true).
    virtual void SetRedraw(bool Value) = 0;

    // The store this view shows.
    virtual TEditorScreenStrings* ScreenStrings() = 0;
};
