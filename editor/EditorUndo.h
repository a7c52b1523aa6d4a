// Undo and redo of the row store. Every change of the text is one replacement
// of a block of rows; a step records the text it removed, so replaying a step is
// itself a replacement. The undo object belongs to the row store and is shared
// by every view of the text.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "EditorRowBlocks.h"
#include "Persistent.h"

class TEditorScreenStrings;

// One step.
struct TUndoData {
    int32_t Row = 0;        // caret of the focused view when the step was recorded
    int32_t Col = 0;
    int32_t FirstRow = -1;  // first row of the replaced block
    int32_t RowCount = 0;   // rows that stand in the block's place after the change
    uint8_t Attribute = raNone;  // attribute of the last removed row; raNone: nothing was removed
    // The removed rows' text, CR LF after each row of attribute 0. When only a
    // few bytes of long rows changed, Text holds just those bytes: the removed
    // text is then the first HeadKeep bytes of the rows that stand in the block
    // now, Text, and their last TailKeep bytes.
    std::string Text;
    int64_t HeadKeep = 0;
    int64_t TailKeep = 0;

    // Takes the block and its text from another step (the caret stays).
    void SetBlock(TUndoData&& From);
    void SetBlock(const TUndoData& From);
};

// An owning list of steps.
class TUndoDataList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TUndoData& Items(int Index) { return *FItems.at(static_cast<size_t>(Index)); }
    const TUndoData& Items(int Index) const { return *FItems.at(static_cast<size_t>(Index)); }
    TUndoData& Last() { return *FItems.back(); }
    TUndoData& Add();
    void Delete(int Index);
    void Clear() { FItems.clear(); }

private:
    std::deque<std::unique_ptr<TUndoData>> FItems;
};

class TEditorUndoObj : public TObject {
public:
    explicit TEditorUndoObj(TEditorScreenStrings* AOwner) : Owner(AOwner) {}

    TEditorScreenStrings* Owner;
    int UndoListMax() const { return FUndoListMax; }
    // Never below 64; the oldest steps beyond the limit are dropped at once.
    void SetUndoListMax(int Value);
    bool Redoing = false;
    TUndoDataList RedoList;
    TUndoDataList UndoList;

    // Appends a fresh step (caret from the focused view) for the caller to
    // fill; drops the oldest beyond UndoListMax; empties RedoList unless Redoing.
    virtual TUndoData& NewRecord();
    virtual bool CanRedo() const { return RedoList.Count() > 0; }
    virtual bool CanUndo() const { return UndoList.Count() > 0; }
    virtual void Redo();
    virtual void Undo();
    // Appends to RedoList a copy of Data's block and text with the focused view's caret.
    virtual void PushRedo(const TUndoData& Data);
    virtual void Clear();

private:
    void Replay(bool IsUndo);
    int FUndoListMax = 64;
};
