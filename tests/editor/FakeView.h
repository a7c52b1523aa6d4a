// A view without a display for the row store tests and the editor model
// benchmark: it records what the store asks of it (unless told not to keep
// records) and places its caret by the store's rows.
#pragma once
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "EditorLines.h"
#include "EditorScreenStrings.h"
#include "EditorUndo.h"
#include "EditorViewLink.h"
#include "EditorWrap.h"

class TFakeView : public TEditorViewLink {
public:
    explicit TFakeView(std::shared_ptr<TEditorScreenStrings> store = nullptr) {
        Store = store ? store : std::shared_ptr<TEditorScreenStrings>(MakeObject<TEditorScreenStrings>());
        Store->Attach(this);
        Lines = std::make_unique<TEditorStrings>(this);
    }
    ~TFakeView() override { Store->Detach(this); }

    std::shared_ptr<TEditorScreenStrings> Store;
    std::unique_ptr<TEditorStrings> Lines;

    TFountain* Fountain = nullptr;
    int Tab = 8;
    TBreakChars Breaks = DefaultBreakChars();
    int Height = 10, Screen = 100;
    bool BracketsFull = false, IsLoading = false, IsFocused = false, IsVisible = false;
    bool KeepRecords = true;  // keep the change records and repainted rows
    int FRow = 0, FCol = 0, FTopRow = 0;

    // What the store asked.
    int Changes = 0;
    int Cancels = 0;
    int Refreshes = 0;
    std::vector<int> Invalidated;
    struct Change {
        int First, Old, New, States;
    };
    std::vector<Change> Records;
    int CaretDepth = 0, MaxCaretDepth = 0;

    TFountain* ActiveFountain() override { return Fountain; }
    int TabSpaceCount() const override { return Tab; }
    const TBreakChars& BreakChars() const override { return Breaks; }
    int RowHeight() const override { return Height; }
    int ScreenHeight() const override { return Screen; }
    bool InitBracketsFull() const override { return BracketsFull; }
    bool Loading() const override { return IsLoading; }
    bool Destroying() const override { return false; }
    bool Focused() const override { return IsFocused; }
    int Row() const override { return FRow; }
    int Col() const override { return FCol; }
    int TopRow() const override { return FTopRow; }
    void SetRow(int v) override { FRow = v < 0 ? 0 : v; }
    void SetCol(int v) override { FCol = v < 0 ? 0 : v; }
    void SetTopRow(int v) override { FTopRow = v < 0 ? 0 : v; }
    void CaretBeginUpdate() override {
        ++CaretDepth;
        if (CaretDepth > MaxCaretDepth) MaxCaretDepth = CaretDepth;
    }
    void CaretEndUpdate() override { --CaretDepth; }
    void UnderlineBeginUpdate() override {}
    void UnderlineEndUpdate() override {}
    void SetSettingRowCol(bool) override {}
    void UpdateCaret() override {}
    // As the editor places its caret: rows from FromRow consume their length,
    // plus 2 after a line break and 1 at the end of the text; the column stops
    // at 8193, the editor's last column.
    void SetCaretByOffset(int FromRow, int Offset) override {
        auto& s = *Store;
        int n = s.GetCount();
        int r = FromRow;
        int left = Offset;
        TColumnMetrics m = s.Metrics();
        while (r < n) {
            int len = static_cast<int>(s.Str(r).size());
            int a = s.RowAttribute(r);
            int use = len + (a == raLineBreak ? 2 : a == raEndOfText ? 1 : 0);
            if (use > left || a == raEndOfText) {
                std::string_view t = s.Str(r);
                int c = TextColumns(m, t.substr(0, static_cast<size_t>(std::min({left, len, kMaxCol}))));
                FRow = r;
                FCol = std::min(c, kMaxCol);
                return;
            }
            left -= use;
            ++r;
        }
        FRow = r;
        FCol = 0;
    }
    static constexpr int kMaxCol = 8193;
    void CancelSelection() override { ++Cancels; }
    void DoChange() override {
        ++Changes;
        if (KeepRecords && Store->IsChanged())
            Records.push_back({Store->ChangeFirstRow(), Store->ChangeOldCount(), Store->ChangeNewCount(),
                               Store->ChangeStateRows()});
    }
    void InvalidateRow(int r) override {
        if (KeepRecords) Invalidated.push_back(r);
    }
    void Refresh() override { ++Refreshes; }
    bool Visible() const override { return IsVisible; }
    bool HandleAllocated() const override { return IsVisible; }
    void SetRedraw(bool) override {}
    TEditorScreenStrings* ScreenStrings() override { return Store.get(); }

    // The rows as "text|attr" for compact expectations.
    std::vector<std::string> Rows() const {
        std::vector<std::string> out;
        for (int r = 0; r < Store->GetCount(); ++r)
            out.push_back(std::string(Store->Str(r)) + "|" + std::to_string(Store->RowAttribute(r)));
        return out;
    }
    std::string Text() const { return Lines->GetText(); }
};
