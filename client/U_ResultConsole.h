// The console of a result page: the lines of its editor, where runs write
// their messages, echoed SQL, errors and the text of datasets. The result
// page's editor implements it; the executor and the dataset display only
// talk to this.
#pragma once
#include <string>

#include "I_ScriptHost.h"
#include "StringList.h"

class TResultConsole : public IResultConsole {
public:
    // Appends every line of Lines.
    virtual void AddLines(const TStringList& Lines) {
        for (const std::string& s : Lines.Items) AddLine(s);
    }
    // Appends the lines of Text, every one followed by CR LF.
    virtual void AddText(const std::string& Text) { AddLines(TStringList(Text)); }
    virtual int LineCount() const = 0;
    virtual void DeleteLine(int Index) = 0;
    // The caret to the last line (Row := line count - 1), and to column Col.
    virtual void CaretToEnd() = 0;
    virtual void SetCol(int Col) = 0;
    virtual void ScrollCaretIntoView() = 0;
    virtual void ScrollToEnd() = 0;
    // Cuts Text into lines no longer than the visible width; Lines is replaced.
    virtual void FormatLinesToWidth(const std::string& Text, TStringList& Lines) = 0;
    // Appending without repainting, nested; the end paints what was added.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
};

// A console that keeps nothing: where output goes while no result page can take it.
TResultConsole& NullResultConsole();
