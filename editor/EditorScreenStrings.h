// The shared row store that views attach to.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "EditorStrings.h"

class TEditorViewLink;
class TEditorUndoObj;
class TFountainParser;
class TEditorWrapOption;
struct TColumnMetrics;
struct TUndoData;
class TStringList;

// The row store: the rows of one text, shared by the views attached to it.
// Made with MakeObject (its undo object and wrap option come from virtual
// factories); views keep it alive by shared ownership, so it goes with the last
// view. Every edit is one ReplaceRows: it re-wraps the touched logical line,
// records one undo step and tells every view once, at the end of the update.
class TEditorScreenStrings : public TEditorStringList {
public:
    TEditorScreenStrings();
    ~TEditorScreenStrings() override;
    void AfterConstruction() override;

    // ---- views
    void Attach(TEditorViewLink* View);
    // Removes View; the store itself goes with its last owner.
    void Detach(TEditorViewLink* View);
    int ViewCount() const { return static_cast<int>(FViews.size()); }
    TEditorViewLink* Views(int Index) const { return FViews.at(static_cast<size_t>(Index)); }
    // The first view (whose options the store uses), or null.
    TEditorViewLink* FirstView() const { return FViews.empty() ? nullptr : FViews.front(); }
    // The first view with the input focus, else the first view, or null.
    TEditorViewLink* FocusedView() const;
    // The store's OnChange: every view's DoChange, in attach order.
    void NotifyViews(TObject* Sender);

    // ---- virtual operations
    virtual std::unique_ptr<TEditorUndoObj> CreateUndoObj();
    virtual std::unique_ptr<TEditorWrapOption> CreateWrapOption();
    // Dest := the rows of Text (CR LF, CR or LF line breaks), wrapped when WordWrap.
    virtual void WrapText(std::string_view Text, TEditorStringList& Dest);
    // The number of rows the logical line S takes.
    virtual int CountWrappedRows(std::string_view S);
    virtual void Redo();
    virtual void Undo();
    // The marks present on some row (kept exact by per-mark counts).
    virtual uint16_t GetMarksInUse() const { return RowMarksUnion(); }
    void SetUpdateState(bool Updating) override;
    void Clear() override;

    // ---- editing
    // Replaces Count rows from Index by Text (which may hold line breaks).
    // Nothing happens for Index < 0, rows past the end, or Count 0 with an empty Text.
    void ReplaceRows(int Index, int Count, std::string_view Text);
    // The same step, said shorter: the rows' text (CR LF after each row of
    // attribute 0) with Length bytes at byte offset Start replaced by Text.
    // Typing into a long row costs the bytes typed, not the row's length.
    void ReplaceRows(int Index, int Count, int64_t Start, int64_t Length, std::string_view Text);
    // The text of Count rows from Index (Count -1: to the end of Index's logical
    // line), CR LF after each row of attribute 0; RowCount rows taken, Attr the
    // last one's attribute. Outside the rows: empty, 0 and raNone.
    void RowsText(int Index, int Count, int& Attr, int& RowCount, std::string& Text) const;
    int LineStart(int Row) const;
    int LineEnd(int Row) const;
    // Removes Count rows from Index; answers the union of their marks.
    uint16_t DeleteRows(int Index, int Count);
    // Replaces Count rows from Index by List's rows (text, attribute, Value,
    // DataStr; their state not computed), moving the marks with the text.
    void ReplaceRowsFromList(int Index, int Count, const TEditorStringList& List);
    // Recomputes carried states from row From; answers the rows recomputed.
    int UpdateRowStates(int From, bool Notify);
    void InitRowStates();
    // Rows between two saved parser states: the state at the start of every
    // kStateCheckpointRows-th row is kept aside, so that computing the state of a
    // row far down starts from the nearest saved one instead of the top.
    static constexpr int kStateCheckpointRows = 256;
    // Saves further checkpoints from the last one for at most Budget rows;
    // false when every row has its checkpoint (nothing left to do).
    bool FillStateCheckpoints(int Budget);
    // The checkpoints kept (those made stale by changes are dropped first).
    int StateCheckpointCount();

    // ---- the change record of the current update
    void SetChange(int First, int OldCount, int NewCount, int StateRows);
    bool IsChanged() const { return FChanged; }
    int ChangeFirstRow() const { return FChangeFirstRow; }
    int ChangeOldCount() const { return FChangeOldCount; }
    int ChangeNewCount() const { return FChangeNewCount; }
    int ChangeStateRows() const { return FChangeStateRows; }

    // ---- views, all at once
    void CancelViewSelections();
    void RefreshViews();
    void ClampViewRows();
    void ResetViewCols();

    // ---- word wrap
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TEditorWrapOption& WrapOption() { return *FWrapOption; }
    void SetWrapOption(const TEditorWrapOption& Value);
    void WrapOptionChanged(TObject* Sender);
    // The first view's tab width or break characters changed: with wrap the
    // rows are cut again by the new columns (undo is cleared, as the rows move).
    void ViewMetricsChanged();
    void WrapAll();
    void UnWrapAll();
    // The column rules of this text: the first view's break characters and tab
    // width, this store's wrap state.
    TColumnMetrics Metrics() const;

    // ---- logical lines
    int LineCount() const;
    // The first row of logical line i: 0 for i <= 0, the row count for i equal
    // to the line count; raises the list-index error beyond.
    int LineToRow(int i) const;
    // The logical line of a row (rows past the end: the line count).
    int RowToLine(int Row) const;

    // ---- whole texts
    // Reads a CP932 file (CR, LF or CR LF line breaks; NUL and Ctrl+Z bytes are
    // data); raises EFOpenError when it cannot be read, leaving the store empty.
    void LoadFromFile(std::string_view FileName);
    // Replaces the text by Source's strings, each ending in a line break:
    // undo is cleared, rows wrapped when WordWrap, states recomputed, views refreshed.
    void AssignStrings(const TStringList& Source);
    // The text split at CR, LF or CR LF into rows; a last line without a line
    // break gets attribute 2; wrapped when WordWrap. Undo is cleared.
    void SetTextRows(std::string_view Value);

    TEditorUndoObj& UndoObj() { return *FUndoObj; }
    const TEditorUndoObj& UndoObj() const { return *FUndoObj; }

    // The replacement under every edit and every undo or redo step: rows
    // [First, First + Cnt), whose text is N, become N's first Head bytes, Mid and
    // N's last Tail bytes. Rows are cut again from First until they meet the old
    // rows; the rows [StepFirst, StepEnd) are the block the step stands for (the
    // marks move as if exactly these were replaced). Record receives the inverse step.
    struct TStepResult {
        int First = 0;
        int OldCount = 0;
        int NewCount = 0;
        bool OverRan = false;  // the new rows met the old ones only past StepEnd
    };
    TStepResult ReplaceBlock(int First, int Cnt, int64_t Head, std::string_view Mid, int64_t Tail, int StepFirst,
                             int StepEnd, TUndoData& Record);

    // A change of bytes inside one row without word wrap, made in place (typing
    // into a long row costs the bytes typed); false when the change is not of
    // that kind. Record receives the inverse step.
    bool InPlaceRowEdit(int Index, int64_t Head, std::string_view Mid, int64_t Tail, TUndoData& Record);

private:
    struct TPieceReader;
    struct TLineGather;
    // Builds every row again, logical line by logical line: Line gets each
    // line's joined text and its old rows' marks and puts its new rows in.
    void RebuildLines(const std::function<void(TLineGather&)>& Line);
    void ApplyRows(int Index, int Count, std::vector<TRecordStringItem>&& Rows, int StepNew);
    void AppendRows(std::string_view Text);
    void DeleteWholeLines(int Index, int Count);
    void FinishStep(int First, int OldCount, int NewCount);
    int64_t BlockLength(int First, int Cnt) const;
    int ScreenRows() const;
    void WalkStates(TFountainParser& Parser, int From, int To, TRowAttributeData& D);
    bool FirstViewLoading() const;
    void DropStaleCheckpoints();
    void SaveCheckpoint(int Row, const TRowAttributeData& State) {
        if (Row % kStateCheckpointRows == 0 && Row / kStateCheckpointRows == static_cast<int>(FCheckpoints.size()))
            FCheckpoints.push_back(State);
    }
    // The state at the start of row i of FCheckpoints (every kStateCheckpointRows-th row).
    std::vector<TRowAttributeData> FCheckpoints;

    std::vector<TEditorViewLink*> FViews;
    std::unique_ptr<TEditorUndoObj> FUndoObj;
    std::unique_ptr<TEditorWrapOption> FWrapOption;
    bool FWordWrap = false;
    bool FChanged = false;
    int FChangeFirstRow = 0, FChangeOldCount = 0, FChangeNewCount = 0, FChangeStateRows = 0;
};
