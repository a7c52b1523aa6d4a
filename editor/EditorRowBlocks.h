// The rows under the editor's row lists: row attributes, a row record as it
// is handed in and out, rows read in place, and the block storage itself.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Row attributes: how a row ends.
enum : uint8_t {
    raLineBreak = 0,  // the row ends with CR LF
    raWrapped = 1,    // the logical line continues in the next row
    raEndOfText = 2,  // the last row of a text without a final line break
    raNone = 3,       // no attribute (undo records)
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
