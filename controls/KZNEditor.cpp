#include "KZNEditor.h"

#include <algorithm>

#include <QScrollBar>
#include <QWheelEvent>

#include "KZNEditorText.h"
#include "KeyTypes.h"

TKZNEditor::TKZNEditor(QWidget* Parent) : TEditor(Parent) {}

void TKZNEditor::AfterConstruction() {
    TEditor::AfterConstruction();
    TEditorUtil::SetStandardOptions(*this);
    Caret().NextLine = true;
}

void TScriptEditor::AfterConstruction() {
    TKZNEditor::AfterConstruction();
    Caret().BackSpaceUnIndent = false;
    Caret().InTab = false;
}

void TEditorUtil::SetStandardOptions(TEditor& Editor) {
    Editor.Caret().BackSpaceUnIndent = false;
    Editor.Caret().InTab = false;
    Editor.Marks().HideMark().SetVisible(true);
}

void TKZNEditor::FormatLinesToWidth(std::string_view Text, TStringList& Lines) {
    kzneditor::FormatLinesToWidth(Text, VisibleCols(), Lines);
}

void TKZNEditor::ScrollCaretIntoView() {
    const int rows = std::max(1, VisibleRows());
    if (Row() < TopRow())
        SetTopRow(Row());
    else if (Row() > TopRow() + rows - 1)
        SetTopRow(Row() - (rows - 1));
    const int V = std::max(1, VisibleCols());
    if (Col() < TopCol())
        SetTopCol(std::max(0, std::min(Col(), TopCol() - V / 4)));
    else if (Col() > TopCol() + V - 1)
        SetTopCol(std::max(0, std::min(std::max(Col() + 1 - V, TopCol() + V / 4), MaxTopCol() - V / 2)));
    SetCaretPosition();
}

void TKZNEditor::ScrollToEnd() {
    const int top = Lines().Count() - VisibleRows();
    SetTopRow(top >= 1 ? top : 0);
    ScrollCaretIntoView();
}

void TKZNEditor::ScrollToTop() {
    SetTopRow(0);
    ScrollCaretIntoView();
}

void TKZNEditor::InsertLinesNearCaret(const TStringList& Src) {
    std::string text = Src.Text();
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    const int count = Lines().Count();
    const int line = count > 0 ? LineOfRow(Row()) : 0;
    const std::string caretLine = line < count ? Lines().Get(line) : std::string();
    const int index = kzneditor::InsertLinesIndex(count, line, CaretIndex(), static_cast<int>(caretLine.size()));
    if (index >= count)
        Lines().Add(text);
    else
        Lines().Insert(index, text);
}

void TKZNEditor::KeyDown(uint16_t& Key, TShiftState Shift) {
    const bool ctrl = Shift & ssCtrl, alt = Shift & ssAlt, shift = Shift & ssShift;
    if (Key == 'A' && ctrl && !alt && !shift) {
        SelectAll();
        Key = 0;
        return;
    }
    if (Key == VK_F1 + 2 && !ctrl && !alt) {
        if (!SearchStr.empty()) {
            const bool down = shift ? !SearchAllowAsc : SearchAllowAsc;
            Search(SearchStr, down ? soForward : 0);
        }
        Key = 0;
        return;
    }
    if (Key == VK_TAB && !ctrl && !alt && GetSelected()) {
        // A Tab never replaces a selection: over several lines it indents them.
        if (GetSelText().find("\r\n") != std::string::npos) {
            if (Shift == ssShift)
                SelUnIndent();
            else
                SelIndent();
        }
        Key = 0;
        return;
    }
    if (Key == VK_ESCAPE) SetSelLength(-1);
    TEditor::KeyDown(Key, Shift);
}

void TKZNEditor::wheelEvent(QWheelEvent* E) {
    const int delta = E->angleDelta().y();
    if (delta == 0) return;
    const bool up = delta > 0;
    const Qt::KeyboardModifiers m = E->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    auto vscroll = [&](int n) { SetTopRow(std::clamp(TopRow() + (up ? -n : n), 0, std::max(0, MaxTopRow()))); };
    auto hscroll = [&](int n) {
        SetTopCol(std::clamp(TopCol() + (up ? -n : n), 0, std::max(0, MaxTopCol())));
        if (OnHScroll) OnHScroll(this);
    };
    if (m == Qt::NoModifier) {
        vscroll(1);
    } else if (m == Qt::AltModifier) {
        vscroll(10);
    } else if (m == (Qt::ShiftModifier | Qt::ControlModifier)) {
        hscroll(1);
    } else if (m == (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) {
        hscroll(10);
    } else if (m == Qt::ControlModifier) {
        // Zoom: smaller up, larger down, never below one point.
        const int row = Row(), col = Col();
        Lines().BeginUpdate();
        QFont f = font();
        f.setPointSize(std::max(1, f.pointSize() + (up ? -1 : 1)));
        setFont(f);
        Lines().EndUpdate();
        SetRow(row);
        SetCol(col);
    }
    E->accept();
}

void TKZNEditor::changeEvent(QEvent* E) {
    TEditor::changeEvent(E);
    if (E->type() == QEvent::FontChange && OnFonFontChange) OnFonFontChange(this);
}
