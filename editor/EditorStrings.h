// The editor's row lists: the string list of row records, the packed per-row
// data (row attribute, carried tokenizer state, marks) and the temporary row lists.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "EditorRowBlocks.h"
#include "Persistent.h"

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
