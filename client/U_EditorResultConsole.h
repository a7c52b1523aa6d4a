// The console of a result page over its editor.
#pragma once
#include <functional>

#include "KZNEditor.h"
#include "U_ResultConsole.h"

class TEditorResultConsole : public TResultConsole {
public:
    explicit TEditorResultConsole(TKZNEditor& Editor) : Editor(Editor) {}

    void AddLine(const std::string& S) override { Editor.Lines().Add(S); }
    // The whole block goes in as one item.
    void AddText(const std::string& Text) override;
    void Clear() override {
        Editor.Lines().Clear();
        if (OnClear) OnClear();
    }
    TStringList GetLines() const override { return TStringList(Editor.Lines().GetText()); }
    int LineCount() const override { return Editor.Lines().Count(); }
    void DeleteLine(int Index) override { Editor.Lines().Delete(Index); }
    void CaretToEnd() override { Editor.SetRow(Editor.Lines().Count() - 1); }
    void SetCol(int Col) override { Editor.SetCol(Col); }
    void ScrollCaretIntoView() override { Editor.ScrollCaretIntoView(); }
    void ScrollToEnd() override { Editor.ScrollToEnd(); }
    void FormatLinesToWidth(const std::string& Text, TStringList& Lines) override { Editor.FormatLinesToWidth(Text, Lines); }
    void BeginUpdate() override { Editor.Lines().BeginUpdate(); }
    void EndUpdate() override { Editor.Lines().EndUpdate(); }

    TKZNEditor& Editor;
    std::function<void()> OnClear;  // after the text was emptied
};
