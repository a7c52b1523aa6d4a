// The program's own editor control: every editor of the program is one. It
// adds F3 search, Ctrl+A, block indent with Tab, wheel scrolling and font
// zoom, hard wrapping of a text to the visible width and scrolling operations.
// TScriptEditor is the one of the script pages; TEditorUtil puts an editor
// into the program's standard option state.
#pragma once
#include <string>
#include <string_view>

#include "Editor.h"
#include "StringList.h"

class TKZNEditor : public TEditor {
public:
    explicit TKZNEditor(QWidget* Parent = nullptr);
    void AfterConstruction() override;

    // Lines := the lines of Text, each cut to the visible width.
    virtual void FormatLinesToWidth(std::string_view Text, TStringList& Lines);
    virtual void ScrollCaretIntoView();
    virtual void ScrollToEnd();
    virtual void ScrollToTop();
    // Inserts the text of Src (without its final line break) before the caret
    // line, or after it when the caret stands in its second half.
    void InsertLinesNearCaret(const TStringList& Src);

    void KeyDown(uint16_t& Key, TShiftState Shift) override;

    bool AcceptShellDorpFile = false;
    std::string SearchStr;
    bool SearchAllowAsc = true;
    TNotifyEvent OnFonFontChange, OnHScroll;

protected:
    void wheelEvent(QWheelEvent* E) override;
    void changeEvent(QEvent* E) override;
};

class TScriptEditor : public TKZNEditor {
public:
    using TKZNEditor::TKZNEditor;
    void AfterConstruction() override;
};

class TEditorUtil {
public:
    static void SetStandardOptions(TEditor& Editor);
};
