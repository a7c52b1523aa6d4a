// The console of a result page over its editor.
//
// Runs add lines, move the caret to the end and scroll after every
// statement. Painting is what costs, so the console shows its changes at most
// every ViewIntervalMs: caret and view requests that come sooner are kept,
// and lines added sooner are not painted, until the interval is over (a timer
// then applies the requests and repaints, so the view always catches up).
#pragma once
#include <chrono>
#include <functional>

#include <QTimer>

#include "KZNEditor.h"
#include "TimeSource.h"
#include "U_ResultConsole.h"

class TEditorResultConsole : public TResultConsole {
public:
    explicit TEditorResultConsole(TKZNEditor& Editor);

    void AddLine(const std::string& S) override {
        Changing();
        Editor.Lines().Add(S);
    }
    // The whole block goes in as one item.
    void AddText(const std::string& Text) override;
    void Clear() override {
        Changing();
        Editor.Lines().Clear();
        if (OnClear) OnClear();
    }
    TStringList GetLines() const override { return TStringList(Editor.Lines().GetText()); }
    int LineCount() const override { return Editor.Lines().Count(); }
    void DeleteLine(int Index) override {
        Changing();
        Editor.Lines().Delete(Index);
    }
    void CaretToEnd() override { Request(kCaretToEnd); }
    void SetCol(int Col) override {
        FCol = Col;
        Request(kCol);
    }
    void ScrollCaretIntoView() override { Request(kCaretIntoView); }
    void ScrollToEnd() override { Request(kToEnd); }
    void FormatLinesToWidth(const std::string& Text, TStringList& Lines) override { Editor.FormatLinesToWidth(Text, Lines); }
    void BeginUpdate() override { Editor.Lines().BeginUpdate(); }
    void EndUpdate() override { Editor.Lines().EndUpdate(); }

    // Applies the caret and view requests not applied yet and paints what was held back.
    void ApplyView();
    bool ViewPending() const { return FPending != 0 || FHeld; }

    TKZNEditor& Editor;
    // The widget that holds the editor and its other views: it is what stops painting while changes are held back.
    QWidget* HoldWidget = nullptr;
    std::function<void()> OnClear;  // after the text was emptied
    static constexpr int ViewIntervalMs = 100;
    // The time the interval is measured on (the steady clock unless set).
    timing::TTimeSource Clock;

private:
    enum : unsigned { kCaretToEnd = 1, kCol = 2, kCaretIntoView = 4, kToEnd = 8 };
    void Request(unsigned What);
    // Before a change of the text: within the interval the views do not paint it yet.
    void Changing();
    bool Due() const;
    void Schedule();
    void Hold(bool On);

    unsigned FPending = 0;
    bool FHeld = false;
    int FCol = 0;
    timing::TTimePoint FLastApplied{};
    QTimer FTimer;
};
