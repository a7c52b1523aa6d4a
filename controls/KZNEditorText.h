// The text rules of the program's editor control that need no window:
// cutting a text to the visible width, and where lines dropped near the caret go.
#pragma once
#include <string_view>

#include "StringList.h"

namespace kzneditor {

// Lines := the lines of Text; each line longer than Width bytes is cut into
// pieces of Width - 1 bytes (Width bytes where a double-byte character would
// be split) and a last piece, and becomes one item of its pieces joined with
// CR LF. A Width below 2 cuts nothing.
void FormatLinesToWidth(std::string_view Text, int Width, TStringList& Lines);

// The line index where InsertLinesNearCaret inserts: the caret line when the
// caret column is less than half the caret line's length in bytes, else the
// line after it; after the last line when the caret stands beyond it; 0 with no lines.
int InsertLinesIndex(int LineCount, int CaretRow, int CaretCol, int CaretLineLength);

}  // namespace kzneditor
