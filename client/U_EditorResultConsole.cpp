#include "U_EditorResultConsole.h"

void TEditorResultConsole::AddText(const std::string& Text) {
    if (Text.empty()) return;
    size_t n = Text.size();
    if (n >= 2 && Text[n - 2] == '\r' && Text[n - 1] == '\n') n -= 2;
    Editor.Lines().Add(std::string_view(Text).substr(0, n));
}
