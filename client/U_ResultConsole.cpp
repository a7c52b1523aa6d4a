#include "U_ResultConsole.h"

namespace {

class TNullConsole : public TResultConsole {
public:
    void AddLine(const std::string&) override {}
    void Clear() override {}
    TStringList GetLines() const override { return TStringList(); }
    int LineCount() const override { return 0; }
    void DeleteLine(int) override {}
    void CaretToEnd() override {}
    void SetCol(int) override {}
    void ScrollCaretIntoView() override {}
    void ScrollToEnd() override {}
    void FormatLinesToWidth(const std::string& Text, TStringList& Lines) override { Lines.SetText(Text); }
    void BeginUpdate() override {}
    void EndUpdate() override {}
};

}  // namespace

TResultConsole& NullResultConsole() {
    static TNullConsole none;
    return none;
}
