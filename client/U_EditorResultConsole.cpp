#include "U_EditorResultConsole.h"

#include <algorithm>

TEditorResultConsole::TEditorResultConsole(TKZNEditor& AEditor) : Editor(AEditor) {
    FTimer.setSingleShot(true);
    QObject::connect(&FTimer, &QTimer::timeout, &Editor, [this] { ApplyView(); });
}

void TEditorResultConsole::AddText(const std::string& Text) {
    if (Text.empty()) return;
    Changing();
    Editor.Lines().AddLines(Text);
}

bool TEditorResultConsole::Due() const {
    return Clock.Now() >= FLastApplied + std::chrono::milliseconds(ViewIntervalMs);
}

void TEditorResultConsole::Schedule() {
    if (FTimer.isActive()) return;
    const auto left = FLastApplied + std::chrono::milliseconds(ViewIntervalMs) - Clock.Now();
    FTimer.start(std::max(0, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count())) + 1);
}

void TEditorResultConsole::Hold(bool On) {
    if (FHeld == On) return;
    FHeld = On;
    QWidget* w = HoldWidget ? HoldWidget : &Editor;
    // While held, the editor is told of the changes once, when they are shown:
    // telling it of every line (scroll bars, row marks) costs more than the line.
    if (On) {
        w->setUpdatesEnabled(false);
        Editor.Lines().BeginUpdate();
    } else {
        Editor.Lines().EndUpdate();
        w->setUpdatesEnabled(true);
    }
}

void TEditorResultConsole::Changing() {
    if (Due()) {
        // The first change after a quiet interval is painted as usual.
        FLastApplied = Clock.Now();
        return;
    }
    Hold(true);
    Schedule();
}

void TEditorResultConsole::Request(unsigned What) {
    FPending |= What;
    if (Due())
        ApplyView();
    else
        Schedule();
}

void TEditorResultConsole::ApplyView() {
    FTimer.stop();
    const unsigned what = FPending;
    FPending = 0;
    FLastApplied = Clock.Now();
    Hold(false);
    if (what & kCaretToEnd) Editor.SetRow(Editor.Lines().Count() - 1);
    if (what & kCol) Editor.SetCol(FCol);
    if (what & kCaretIntoView) Editor.ScrollCaretIntoView();
    if (what & kToEnd) Editor.ScrollToEnd();
}
