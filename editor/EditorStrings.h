// The editor's text as rows: the string list of row records, the packed per-row
// data (row attribute, carried tokenizer state, marks), the temporary row lists,
// the shared row store that views attach to, and the Lines object of one view.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Persistent.h"

// Row attributes: how a row ends.
enum : uint8_t {
    raLineBreak = 0,  // the row ends with CR LF
    raWrapped = 1,    // the logical line continues in the next row
    raEndOfText = 2,  // the last row of a text without a final line break
    raNone = 3,       // no attribute (undo records)
};

// The carried tokenizer state of a row, unpacked. BracketIndex -2 marks a row
// whose state was never computed; -1 means no open bracket.
struct TRowAttributeData {
    uint8_t RowAttribute = 0;
    uint8_t PrevRowAttribute = 0;
    int32_t BracketIndex = -1;
    int32_t UserIndex = 0;
    int32_t WrappedByte = 0;
    int32_t UserCount = 0;
    uint8_t PrevToken = 0;
    uint8_t UserToken = 0;
    std::string DataStr;
};

// One row, as rows are handed in and out in bulk. AttrA: bits 0-1 row
// attribute, 2-3 previous row's attribute, 4-7 bracket index + 2, 8-15
// UserIndex, 16-23 WrappedByte, 24-31 UserCount. AttrB: bits 0-7 PrevToken,
// 8-15 UserToken, 16-31 the row's marks.
struct TRecordStringItem {
    std::string Str;
    std::string DataStr;
    int32_t Value = 0;
    uint32_t AttrA = 0;
    uint32_t AttrB = 0;
};

// A row as the list keeps it, read in place: the text views stay valid until
// the next change of the list.
struct TRowRef {
    std::string_view Str;
    uint32_t AttrA = 0;
    uint32_t AttrB = 0;
    int32_t Value = 0;
    std::string_view DataStr;
};

// Rows of one block where they lie, from a row on (row k of the run is the
// row First + k of the list): texts and row attributes read without a lookup
// each. Valid until the next change of the list.
struct TRowRun {
    const char* Text = nullptr;      // the block's texts back to back
    const uint32_t* Ends = nullptr;  // where each of the block's row texts ends
    const uint8_t* Lo = nullptr;     // the low byte of each of the block's AttrA
    int Base = 0;                    // the run's first row within the block
    int Count = 0;                   // rows from there to the block's end
    std::string_view Str(int k) const {
        const size_t r = static_cast<size_t>(Base + k);
        const uint32_t b = r == 0 ? 0 : Ends[r - 1];
        return std::string_view(Text + b, Ends[r] - b);
    }
    int Attribute(int k) const { return Lo[Base + k] & 3; }
};

// Masks of the packed fields that make up a row's carried state (everything
// but the row attribute and the marks). A row whose state bits are all zero
// reads as "not computed" (stored bracket 0 = -2).
constexpr uint32_t kAttrAStateMask = 0xFFFFFFFCu;
constexpr uint32_t kAttrBStateMask = 0x0000FFFFu;

// Rows kept in blocks, so that inserting or deleting rows anywhere costs the
// size of one block plus the (small) block table, and so that the count of
// rows that end a logical line is known per block: line-to-row and row-to-line
// lookups are a binary search over the blocks plus a scan inside one block.
// A block holds its rows' texts back to back in one buffer, where each text
// ends, and the low byte of AttrA (row attribute, previous row's attribute,
// bracket); the rest of the packed data (tokens carried over a wrap, user
// fields, marks) and Value and DataStr are kept beside the rows of a block only
// once one of its rows has any. So a plain row costs its text and 5 bytes, not
// a heap string and a record of its own. A block is cut when it holds many rows
// or many bytes, so an edit moves at most one block's bytes (or one long row's).
// Marks are counted per mark number, so the set of marks in use is exact.
// A block can be flagged "states reset": its rows' carried states read as not
// computed until one of them is touched, which keeps invalidating the states of
// a long text cheap.
class TRowBlocks {
public:
    TRowBlocks();
    ~TRowBlocks();
    TRowBlocks(const TRowBlocks&) = delete;
    TRowBlocks& operator=(const TRowBlocks&) = delete;

    int Count() const { return FCount; }
    // Rows whose attribute is not "wrapped".
    int LineEndCount() const { return FLineEnds; }
    uint16_t MarksUnion() const;

    // Row i (0 .. Count - 1); its views last until the next change.
    TRowRef Get(int i) const;
    std::string_view Text(int i) const;
    uint32_t AttrA(int i) const;
    uint32_t AttrB(int i) const;
    // A copy of row i, to be handed on.
    TRecordStringItem Item(int i) const;
    void SetStr(int i, std::string_view s);
    // Replaces Len bytes at Pos of row i's text by Mid, in place: the cost is
    // the bytes of the row's block after Pos, not the row's length.
    void EditStr(int i, size_t Pos, size_t Len, std::string_view Mid);
    void SetDataStr(int i, std::string_view s);
    // Row i and the rows after it in its block, where they lie: a scan of many
    // rows reads them without a lookup each.
    TRowRun Run(int i) const;
    void SetValue(int i, int32_t v);
    void SetAttrA(int i, uint32_t a);
    void SetAttrB(int i, uint32_t b);
    void SetItem(int i, const TRecordStringItem& item);

    // Inserts rows before index i (0 .. Count).
    void InsertRows(int i, std::vector<TRecordStringItem>&& rows);
    void InsertRow(int i, TRecordStringItem row);
    // Removes n rows from index i; answers the union of their marks.
    uint16_t EraseRows(int i, int n);
    // Puts rows in place of the n rows from index i.
    void ReplaceRange(int i, int n, std::vector<TRecordStringItem>&& rows);
    void Exchange(int i, int j);
    void Clear();
    // Replaces every row at once.
    void AssignRows(std::vector<TRecordStringItem>&& rows);
    // Appends one row (building a text row by row).
    void PushBack(std::string_view Text, uint32_t AttrA, uint32_t AttrB = 0);
    void PushBack(const TRecordStringItem& row);
    // Moves the rows of the first block out and removes it; false when empty.
    bool PopFrontBlock(std::vector<TRecordStringItem>& out);
    void Swap(TRowBlocks& other);
    // The heap bytes the rows hold (texts, row data, block tables).
    size_t BytesHeld() const;
    // Calls F(row, text, row attribute) for the rows From .. To - 1 in order,
    // block by block (no lookup a row). F may read the list but not change it.
    template <class F>
    void ForEachRow(int From, int To, F&& Fn) const;

    // The row that is the k-th (0-based) row ending a logical line; -1 when none.
    int RowOfLineEnd(int k) const;
    // Rows ending a logical line among the rows 0 .. row - 1.
    int LineEndsBefore(int row) const;
    // The last row before `row` that ends a logical line, -1 when none.
    int PrevLineEnd(int row) const;
    // The first row at or after `row` that ends a logical line, -1 when none.
    int NextLineEnd(int row) const;

    // Every row's carried state reads as not computed, from row `from` on.
    void ResetStatesFrom(int from);
    // The last row before `row` whose carried state is computed, -1 when none.
    int PrevComputedRow(int row) const;

    // The first row whose text or attribute changed (or that moved) since
    // ForgetChanges; Count() or more when none did.
    int FirstChangedRow() const { return FFirstChanged; }
    void ForgetChanges() { FFirstChanged = INT32_MAX; }
    // Counts the changes of text, attributes or row order: equal counts, equal rows.
    uint64_t TextVersion() const { return FVersion; }
    // Unique to this list for the life of the process.
    uint64_t ListId() const { return FId; }

private:
    void Touched(int row) {
        ++FVersion;
        if (row < FFirstChanged) FFirstChanged = row < 0 ? 0 : row;
    }
    struct Block;
    static void MakeBlocks(std::vector<TRecordStringItem>& rows, size_t from, size_t to,
                           std::vector<std::unique_ptr<Block>>& out);
    Block* Find(int i, int& off) const;
    template <class F>
    void ChangeRow(int i, F&& Change);
    void Validate() const;
    void Invalidate(size_t b) const;
    void Materialise(Block& b) const;
    void SplitIfLarge(size_t b);
    void RemoveEmpty(size_t b);
    void AddCounts(uint32_t attrB, int sign);
    void AssignRowsCounted(std::vector<TRecordStringItem>&& rows);
    size_t BlockOf(int row) const;  // row 0 .. Count - 1

    std::vector<std::unique_ptr<Block>> FBlocks;
    mutable std::vector<int> FRowStart;
    mutable std::vector<int> FLineStart;
    mutable size_t FValid = 0;
    mutable size_t FHint = 0;
    int FCount = 0;
    int FLineEnds = 0;
    int FFirstChanged = 0;
    uint64_t FVersion = 0;
    uint64_t FId;
    std::array<int, 16> FMarkCount{};
};

template <class F>
void TRowBlocks::ForEachRow(int From, int To, F&& Fn) const {
    if (From < 0) From = 0;
    if (To > FCount) To = FCount;
    if (From >= To) return;
    int row = From;
    while (row < To) {
        const TRowRun v = Run(row);
        for (int k = 0; k < v.Count && row < To; ++k, ++row) Fn(row, v.Str(k), v.Attribute(k));
    }
}

// A string list of row records.
class TRecordStringList : public TPersistent {
public:
    TRecordStringList() = default;
    ~TRecordStringList() override;

    virtual void Changed();
    virtual void Changing();

    virtual std::string Get(int i) const;
    virtual int GetCount() const { return FRows.Count(); }
    virtual void Put(int i, std::string s);
    virtual void SetUpdateState(bool updating);
    virtual int Add(std::string s);
    virtual void Clear();
    virtual void Delete(int i);
    virtual void Exchange(int i, int j);
    virtual void Insert(int i, std::string s);

    int Count() const { return GetCount(); }
    std::string operator[](int i) const { return Get(i); }
    // The row text without a copy (index checked); valid until the next change.
    std::string_view Str(int i) const;
    // Nested; only the outermost pair calls SetUpdateState.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // Bulk operations on whole rows (the row data travels with them).
    TRecordStringItem Item(int i) const;
    void InsertItems(int i, std::vector<TRecordStringItem>&& rows);
    void AssignItems(std::vector<TRecordStringItem>&& rows);
    // The heap bytes the rows hold.
    size_t BytesHeld() const { return FRows.BytesHeld(); }
    // Row i and the rows after it in the same block, where they lie (index checked).
    TRowRun ItemRun(int i) const;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void CheckIndex(int i, int limit) const;  // raises EListError unless 0 <= i < limit
    TRowBlocks FRows;
    int FUpdateCount = 0;  // SetUpdateState's own counter
    int FUpdateNest = 0;   // BeginUpdate nesting
};

// The packed per-row data, field by field.
class TRowAttributeStringList : public TRecordStringList {
public:
    int RowAttribute(int i) const;
    void SetRowAttribute(int i, int v);
    int PrevRowAttribute(int i) const;
    void SetPrevRowAttribute(int i, int v);
    int BracketIndex(int i) const;
    void SetBracketIndex(int i, int v);
    int UserIndex(int i) const;
    void SetUserIndex(int i, int v);
    int WrappedByte(int i) const;
    void SetWrappedByte(int i, int v);
    int UserCount(int i) const;
    void SetUserCount(int i, int v);
    int PrevToken(int i) const;
    void SetPrevToken(int i, int v);
    int UserToken(int i) const;
    void SetUserToken(int i, int v);
    uint16_t RowMarks(int i) const;
    void SetRowMarks(int i, uint16_t marks);
    int32_t Value(int i) const;
    void SetValue(int i, int32_t v);
    std::string_view DataStr(int i) const;
    void SetDataStr(int i, std::string_view s);

    // The whole unpacked data of a row.
    void GetRowAttributeData(int i, TRowAttributeData& data) const;
    // Stores the carried state of data into row i; the row's own attribute and marks stay.
    void SetRowStateData(int i, const TRowAttributeData& data);

    // Rows that end a logical line (attribute other than "wrapped").
    int LineEndCount() const { return FRows.LineEndCount(); }
    int RowOfLineEnd(int k) const { return FRows.RowOfLineEnd(k); }
    int LineEndsBefore(int row) const { return FRows.LineEndsBefore(row); }
    int PrevLineEnd(int row) const { return FRows.PrevLineEnd(row); }
    int NextLineEnd(int row) const { return FRows.NextLineEnd(row); }
    // Changes with every change of a row's text or attribute, or of the rows' order.
    uint64_t TextVersion() const { return FRows.TextVersion(); }
    uint64_t ListId() const { return FRows.ListId(); }
    // The union of every row's marks.
    uint16_t RowMarksUnion() const { return FRows.MarksUnion(); }
    // The last row before `row` whose state is computed (bracket not -2), -1 when none.
    int PrevComputedRow(int row) const { return FRows.PrevComputedRow(row); }
    // Every row from `from` on reads as not computed (bracket -2, the other
    // state fields 0 or empty); attributes, marks, texts and values stay.
    void MarkStatesNotComputed(int from) { FRows.ResetStatesFrom(from); }

    static void Pack(const TRowAttributeData& d, uint32_t& a, uint32_t& b);
    static void Unpack(uint32_t a, uint32_t b, TRowAttributeData& d);
};

// The class of temporary row lists (wrap output, undo replay, selection remainders).
class TEditorStringList : public TRowAttributeStringList {};

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

// The Lines of one view: the rows of its store as logical lines.
class TEditorStrings : public TPersistent {
public:
    explicit TEditorStrings(TEditorViewLink* AEditor) : Editor(AEditor) {}
    TEditorViewLink* Editor;
    TEditorScreenStrings& Store() const;

    int GetCount() const;
    int Count() const { return GetCount(); }
    std::string Get(int i) const;
    std::string operator[](int i) const { return Get(i); }
    int LineToRow(int i) const;
    void Put(int i, std::string_view S);
    void Insert(int i, std::string_view S);
    int Add(std::string_view S);
    // Add of Text less its final CR LF (Text that does not end with one: Add
    // of Text), without copying it when Text goes after a line break.
    int AddLines(std::string_view Text);
    void Delete(int i);
    void Clear();
    std::string GetText() const;
    void SetText(std::string_view Value);
    // From a string list: its text, then the caret to the row count and column 0.
    void Assign(const TPersistent& Source) override;
    void Assign(const TStringList& Source);
    void LoadFromFile(std::string_view FileName);
    // The stored form: one string per logical line. Reading puts each string in
    // as one row with attribute 0; the view's Loaded wraps them.
    bool ShouldWriteStrings(const TEditorStrings* Ancestor) const;
    void WriteStrings(TStringList& Dest) const;
    void ReadStrings(const TStringList& Source);

    void BeginUpdate();
    void EndUpdate();
    virtual void SetUpdateState(bool Updating);

private:
    void LineRows(int i, int& First, int& Last) const;
    int FUpdateCount = 0;
};
