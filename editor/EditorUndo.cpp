// Undo and redo: recording limits and replaying a step as a row replacement.
#include "EditorUndo.h"

#include <algorithm>

#include "EditorScreenStrings.h"
#include "EditorViewLink.h"
#include "ScopeExit.h"

void TUndoData::SetBlock(TUndoData&& From) {
    FirstRow = From.FirstRow;
    RowCount = From.RowCount;
    Attribute = From.Attribute;
    Text = std::move(From.Text);
    HeadKeep = From.HeadKeep;
    TailKeep = From.TailKeep;
}

void TUndoData::SetBlock(const TUndoData& From) { SetBlock(TUndoData(From)); }

TUndoData& TUndoDataList::Add() {
    FItems.push_back(std::make_unique<TUndoData>());
    return *FItems.back();
}

void TUndoDataList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) return;
    FItems.erase(FItems.begin() + Index);
}

void TEditorUndoObj::SetUndoListMax(int Value) { FUndoListMax = std::max(64, Value); }

TUndoData& TEditorUndoObj::NewRecord() {
    TUndoData& r = UndoList.Add();
    if (TEditorViewLink* v = Owner ? Owner->FocusedView() : nullptr) {
        r.Row = v->Row();
        r.Col = v->Col();
    }
    while (UndoList.Count() > FUndoListMax) UndoList.Delete(0);
    if (!Redoing) RedoList.Clear();
    return r;
}

void TEditorUndoObj::PushRedo(const TUndoData& Data) {
    TUndoData& r = RedoList.Add();
    r.SetBlock(Data);
    if (TEditorViewLink* v = Owner ? Owner->FocusedView() : nullptr) {
        r.Row = v->Row();
        r.Col = v->Col();
    }
}

void TEditorUndoObj::Clear() {
    RedoList.Clear();
    UndoList.Clear();
}

void TEditorUndoObj::Undo() { Replay(true); }
void TEditorUndoObj::Redo() { Replay(false); }

// Replays the newest step of UndoList (or RedoList) and records its inverse in
// the other list. The caret goes where the step says.
void TEditorUndoObj::Replay(bool IsUndo) {
    TUndoDataList& list = IsUndo ? UndoList : RedoList;
    if (list.Count() == 0 || !Owner) return;
    TEditorScreenStrings& S = *Owner;
    TUndoData& r = list.Last();
    TEditorViewLink* v = S.FocusedView();
    bool overRan = false;
    {
        if (v) v->CaretBeginUpdate();
        auto caretEnd = ScopeExit([v] {
            if (v) v->CaretEndUpdate();
        });
        {
            S.BeginUpdate();
            auto end = ScopeExit([&S] { S.EndUpdate(); });
            auto fail = ScopeFail([this] { Redoing = false; });
            TUndoData inv;
            const int F = r.FirstRow, c = r.RowCount;
            if (r.Attribute == raNone) {
                // The step had removed nothing: its rows go, their marks to the row
                // that follows (or the last row).
                int a = raNone, taken = 0;
                S.RowsText(F, c, a, taken, inv.Text);
                inv.FirstRow = F;
                inv.RowCount = 0;
                inv.Attribute = static_cast<uint8_t>(taken > 0 ? a : raNone);
                uint16_t m = S.DeleteRows(F, c);
                int n = S.GetCount();
                if (n > 0 && m) {
                    int row = std::min(F, n - 1);
                    S.SetRowMarks(row, static_cast<uint16_t>(S.RowMarks(row) | m));
                }
                int st = S.UpdateRowStates(F, true);
                S.SetChange(F, c, 0, st);
            } else if (!(c == 1 && S.InPlaceRowEdit(F, r.HeadKeep, r.Text, r.TailKeep, inv))) {
                // Cut again from the row above when the block continues its line, so
                // that the row above can take back the end of the line.
                int first = F, head = 0;
                if (F > 0 && F <= S.GetCount() && S.RowAttribute(F - 1) == raWrapped) {
                    first = F - 1;
                    head = static_cast<int>(S.Str(first).size());
                }
                auto res = S.ReplaceBlock(first, F + c - first, head + r.HeadKeep, r.Text, r.TailKeep, F, F + c, inv);
                overRan = res.OverRan;
                int st = S.UpdateRowStates(res.First, true);
                S.SetChange(res.First, res.OldCount, res.NewCount, st);
            } else {
                int st = S.UpdateRowStates(F, true);
                S.SetChange(F, 1, 1, st);
            }
            if (IsUndo) {
                PushRedo(inv);
            } else {
                Redoing = true;
                TUndoData& n = NewRecord();
                Redoing = false;
                n.SetBlock(std::move(inv));
            }
        }
        int row = r.Row, col = r.Col;
        list.Delete(list.Count() - 1);
        if (v) {
            v->SetRow(row);
            v->SetCol(col);
        }
    }
    // Rows that did not come back as they were make the older steps unsafe.
    if (overRan) Clear();
}
