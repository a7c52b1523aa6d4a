#include "KZNEditorText.h"

#include "CP932Text.h"

namespace kzneditor {

void FormatLinesToWidth(std::string_view Text, int Width, TStringList& Lines) {
    Lines.SetText(Text);
    if (Width < 2) return;
    const size_t w = static_cast<size_t>(Width);
    for (std::string& line : Lines.Items) {
        if (line.size() <= w) continue;
        std::string out;
        out.reserve(line.size() + 2 * (line.size() / (w - 1) + 1));
        size_t p = 0;
        while (line.size() - p >= w) {
            // Is byte Width - 1 of the piece the first byte of a double-byte character?
            size_t i = p;
            while (i < p + w - 2) i += cp932::CharLen(line, i);
            const size_t len = (i == p + w - 2 && cp932::CharLen(line, i) == 2) ? w : w - 1;
            out.append(line, p, len);
            out += "\r\n";
            p += len;
        }
        out.append(line, p, std::string::npos);
        line = std::move(out);
    }
}

int InsertLinesIndex(int LineCount, int CaretRow, int CaretCol, int CaretLineLength) {
    if (LineCount <= 0) return 0;
    if (CaretRow >= LineCount) return CaretRow + 1;
    return CaretCol < CaretLineLength / 2.0 ? CaretRow : CaretRow + 1;
}

}  // namespace kzneditor
