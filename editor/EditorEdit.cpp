// Edit operations of the editor: rows, columns and byte offsets, inserting and
// replacing text, box paste, indenting the selected rows, the token under a
// point, search over chunks, and the numbered row marks.
#include <QScrollBar>

#include <algorithm>
#include <cstring>

#include "AppException.h"
#include "CP932.h"
#include "Editor.h"
#include "EditorSearch.h"
#include "EditorUndo.h"
#include "EditorUtil.h"
#include "Fountain.h"

namespace {
// Rows longer than this are measured only this far: the caret never goes
// beyond column 8193, and every byte takes at least one column.
constexpr size_t kMeasureBytes = 16400;
// The last column the caret can stand on.
constexpr int kMaxCaretCol = 8193;
}  // namespace

// ---- rows, columns and offsets -------------------------------------------------------------

std::string_view TEditor::RowText(int ARow) const {
    if (ARow < 0 || ARow >= FStore->GetCount()) return std::string_view("", 0);
    return FStore->Str(ARow);
}

std::string TEditor::ReadRowText(int ARow) const { return std::string(RowText(ARow)); }

int TEditor::RowAttribute(int ARow) const {
    if (ARow < 0 || ARow >= FStore->GetCount()) return raEndOfText;
    return FStore->RowAttribute(ARow);
}

TColumnMetrics TEditor::Metrics() const {
    TColumnMetrics m = FStore->Metrics();
    m.BreakChars = &FBreakChars;
    m.TabSpaceCount = FCaret ? FCaret->TabSpaceCount() : 8;
    return m;
}

std::string TEditor::ColumnCodes(std::string_view Text) const { return ::ColumnCodes(Metrics(), Text); }
int TEditor::TextColumns(std::string_view Text) const { return ::TextColumns(Metrics(), Text); }
int TEditor::RowEndCol(int ARow) const { return TextColumns(RowText(ARow)); }

int TEditor::CappedRowEndCol(int ARow) const {
    std::string_view t = RowText(ARow);
    return TextColumns(t.substr(0, std::min(t.size(), kMeasureBytes)));
}

std::string TEditor::ExpandTabs(std::string_view Text) const {
    if (std::memchr(Text.data(), '\t', Text.size()) == nullptr) return std::string(Text);
    TColumnMetrics m = Metrics();
    const int T = std::max(1, m.TabSpaceCount), W = std::max(1, m.WrapByte);
    std::string out;
    out.reserve(Text.size() + 16);
    for (size_t i = 0; i < Text.size();) {
        unsigned char c = static_cast<unsigned char>(Text[i]);
        if (cp932::IsLeadByte(c) && i + 1 < Text.size()) {
            out.append(Text.substr(i, 2));
            i += 2;
            continue;
        }
        if (c == '\t') {
            int w = static_cast<int>(out.size());
            int add = T - (w % T);
            if (m.WordWrap) add = std::min(add, W - (w % W));
            out.append(static_cast<size_t>(add), ' ');
        } else {
            out.push_back(static_cast<char>(c));
        }
        ++i;
    }
    return out;
}

namespace {
int IndentOf(const TColumnMetrics& m, std::string_view Text, bool Tabs) {
    if (Text.empty()) return -1;
    const int T = std::max(1, m.TabSpaceCount), W = std::max(1, m.WrapByte);
    int w = 0;
    for (size_t i = 0; i < Text.size();) {
        unsigned char c = static_cast<unsigned char>(Text[i]);
        if (c == 0x81 && i + 1 < Text.size() && static_cast<unsigned char>(Text[i + 1]) == 0x40) {
            w += 2;
            i += 2;
        } else if (c == ' ') {
            ++w;
            ++i;
        } else if (c == '\t' && Tabs) {
            int add = T - (w % T);
            if (m.WordWrap) add = std::min(add, W - (w % W));
            w += add;
            ++i;
        } else {
            break;
        }
    }
    return w;
}
}  // namespace

int TEditor::IndentColumn(std::string_view Text) const { return IndentOf(Metrics(), Text, true); }
int TEditor::LeadingBlankWidth(std::string_view Text) const { return IndentOf(Metrics(), Text, false); }

int TEditor::PrevIndentColumn(int ARow) const {
    for (int r = std::min(ARow, RowCount()) - 1; r >= 0; --r) {
        std::string_view t = RowText(r);
        if (!t.empty()) return IndentColumn(t);
    }
    return -1;
}

int TEditor::GetTextLength() const {
    int64_t total = 0;
    const int n = RowCount();
    for (int r = 0; r < n; ++r) total += static_cast<int64_t>(FStore->Str(r).size()) + (FStore->RowAttribute(r) == raLineBreak ? 2 : 0);
    return static_cast<int>(std::min<int64_t>(total, INT32_MAX));
}

int TEditor::LineOfRow(int ARow) const {
    if (!WordWrap()) return ARow;
    return FStore->RowToLine(ARow);
}

int TEditor::ColToIndex(int ARow, int ACol) const {
    if (ACol <= 0) return 0;
    std::string_view t = RowText(ARow);
    if (std::memchr(t.data(), '\t', std::min(t.size(), kMeasureBytes)) == nullptr) return ACol;
    std::string codes = ColumnCodes(t);
    int upto = std::min(ACol + 1, static_cast<int>(codes.size()));
    return ACol - static_cast<int>(std::count(codes.begin(), codes.begin() + upto, '3'));
}

int TEditor::OffsetFromRow(int FromRow, int ARow, int ACol) const {
    if (ARow < FromRow) return 0;
    int64_t sum = 0;
    for (int r = FromRow; r < ARow; ++r) {
        int a = RowAttribute(r);
        sum += static_cast<int64_t>(RowText(r).size()) + (a == raLineBreak ? 2 : a == raEndOfText ? 1 : 0);
    }
    return static_cast<int>(sum + ColToIndex(ARow, ACol));
}

void TEditor::SetCaretByOffset(int FromRow, int Offset) {
    const int n = RowCount();
    int left = Offset;
    for (int r = std::max(0, FromRow); r < n; ++r) {
        int a = RowAttribute(r);
        std::string_view t = RowText(r);
        int len = static_cast<int>(t.size());
        int use = len + (a == raLineBreak ? 2 : a == raEndOfText ? 1 : 0);
        if (use > left || a == raEndOfText) {
            SetRow(r);
            std::string_view head = std::string_view(t).substr(0, static_cast<size_t>(std::clamp(left, 0, len)));
            int c = TextColumns(head.substr(0, std::min(head.size(), kMeasureBytes)));
            SetCol(std::min(c, CappedRowEndCol(r)));
            return;
        }
        left -= use;
    }
    SetRow(n);
    SetCol(RowEndCol(FRow));
}

int TEditor::LineFirstAbove(int ARow) const { return std::max(FStore->LineStart(ARow), ARow - 1); }

std::string TEditor::RowBytesWithBreak(int ARow) const {
    std::string s(RowText(ARow));
    if (RowAttribute(ARow) == raLineBreak) s += "\r\n";
    return s;
}

int TEditor::BoxStartIndex(std::string_view Codes, int C) {
    auto code = [&](int i) { return (i >= 1 && i <= static_cast<int>(Codes.size())) ? Codes[static_cast<size_t>(i - 1)] : '0'; };
    int i = C;
    if (code(C) == '5')
        i = C + 1;
    else
        while (code(i) == '3') ++i;
    int upto = std::clamp(i, 0, static_cast<int>(Codes.size()));
    return i - static_cast<int>(std::count(Codes.begin(), Codes.begin() + upto, '3'));
}

int TEditor::BoxEndIndex(std::string_view Codes, int C) {
    auto code = [&](int i) { return (i >= 1 && i <= static_cast<int>(Codes.size())) ? Codes[static_cast<size_t>(i - 1)] : '0'; };
    int i = C;
    if (code(C) == '4')
        i = C + 1;
    else
        while (i > 1 && code(i) == '3') --i;
    int upto = std::clamp(i, 0, static_cast<int>(Codes.size()));
    return i - static_cast<int>(std::count(Codes.begin(), Codes.begin() + upto, '3'));
}

// ---- the remainder of a selection --------------------------------------------------------------

void TEditor::SelectionRemainder(TEditorStringList& List) {
    List.Clear();
    if (FSelState != 2 && FSelState != 3) return;
    if (!FSelectionMode) {
        std::string_view s = RowText(FSelStr.StartRow);
        std::string row(s.substr(0, static_cast<size_t>(std::clamp(FSelStr.StartIndex, 0, static_cast<int>(s.size())))));
        if (FSelStr.EndRow < RowCount()) {
            std::string_view e = RowText(FSelStr.EndRow);
            size_t from = static_cast<size_t>(std::clamp(FSelStr.EndIndex + 1, 0, static_cast<int>(e.size())));
            row.append(e, from, std::string::npos);
        }
        int i = List.Add(row);
        List.SetRowAttribute(i, RowAttribute(FSelStr.EndRow));
        List.SetValue(i, FSelStr.StartIndex + 1);
        return;
    }
    for (int r = FSelDraw.StartRow; r <= FSelDraw.EndRow; ++r) {
        std::string_view t = RowText(r);
        std::string codes = ColumnCodes(t);
        int p = BoxStartIndex(codes, FSelDraw.StartCol + 1);
        int q = BoxEndIndex(codes, FSelDraw.EndCol);
        int len = static_cast<int>(t.size());
        int head = std::clamp(p - 1, 0, len);
        int tail = std::clamp(std::max(q, head), 0, len);
        std::string row(t.substr(0, static_cast<size_t>(head)));
        row.append(t, static_cast<size_t>(tail), std::string::npos);
        int i = List.Add(row);
        List.SetRowAttribute(i, RowAttribute(r));
        List.SetValue(i, p);
    }
}

std::string TEditor::JoinRows(const TEditorStringList& List) {
    std::string s;
    for (int i = 0; i < List.Count(); ++i) {
        s += List.Str(i);
        if (List.RowAttribute(i) == raLineBreak) s += "\r\n";
    }
    return s;
}

// ---- inserting and replacing ----------------------------------------------------------------------

namespace {
// Inserts S into a row list's row at its 1-based insertion point, padding
// with blanks when the point lies beyond the row.
void InsertAtPoint(std::string& Row, int Point, std::string_view S) {
    size_t p = static_cast<size_t>(std::max(1, Point) - 1);
    if (p > Row.size()) Row.append(p - Row.size(), ' ');
    Row.insert(p, S.data(), S.size());
}
}  // namespace

// The shared core of InsertText and SetSelTextBuf.
static void InsertCore(TEditor& E, std::string_view S, bool AlwaysHoldCaret);

void TEditor::InsertText(std::string_view S) {
    if (S.empty()) return;
    InsertCore(*this, S, true);
}

void TEditor::SetSelTextBuf(std::string_view S) {
    if (FReadOnly) return;
    if (S.empty()) {
        if (FSelState == 2)
            DeleteSelection();
        else if (FSelState == 3)
            CleanSelection();
        return;
    }
    InsertCore(*this, S, false);
}

static void InsertCore(TEditor& E, std::string_view S, bool AlwaysHoldCaret) {
    const bool hasCR = S.find('\r') != std::string_view::npos;
    TEditor::THold hold(E, hasCR || AlwaysHoldCaret, hasCR);
    {
        TEditorScreenStrings& st = E.Store();
        if (E.SelState() == 2) {
            const TSelStrRec ss = E.SelStr();
            const TSelDrawRec sd = E.SelDraw();
            int a = std::max(st.LineStart(ss.StartRow), ss.StartRow - 1);
            int target = E.OffsetFromRow(a, sd.StartRow, sd.StartCol) + static_cast<int>(S.size());
            TEditorStringList list;
            E.SelectionRemainder(list);
            std::string first(list.Str(0));
            InsertAtPoint(first, list.Value(0), S);
            list.Put(0, first);
            std::string text = TEditor::JoinRows(list);
            int last = std::min(ss.EndRow, E.RowCount() - 1);
            E.CleanSelection();
            const int n = E.RowCount();
            if (ss.StartRow >= n)
                st.ReplaceRows(n, 0, text);
            else
                st.ReplaceRows(ss.StartRow, last - ss.StartRow + 1, text);
            E.SetCaretByOffset(a, target);
        } else {
            const int row = E.Row();
            int a = std::max(st.LineStart(row), row - 1);
            int target = E.OffsetFromRow(a, row, E.Col()) + static_cast<int>(S.size());
            int b = E.CaretIndex();
            E.CleanSelection();
            const int n = E.RowCount();
            if (row < n) {
                int len = static_cast<int>(E.RowText(row).size());
                if (b > len) {
                    std::string t(static_cast<size_t>(b - len), ' ');
                    t.append(S);
                    st.ReplaceRows(row, 1, len, 0, t);
                } else {
                    st.ReplaceRows(row, 1, b, 0, S);
                }
            } else {
                std::string t(static_cast<size_t>(std::max(0, b)), ' ');
                t.append(S);
                st.ReplaceRows(n, 0, t);
            }
            E.SetCaretByOffset(a, target);
        }
    }
}

void TEditor::PasteBox(std::string_view S) {
    if (FReadOnly) return;
    if (S.empty()) {
        if (FSelState == 2) DeleteSelection();
        return;
    }
    std::vector<std::string> lines;
    ForEachTextLine(S, [&](std::string_view l) { lines.emplace_back(l); });
    if (lines.empty()) return;
    const bool sel = FSelState == 2;
    const int n = RowCount();
    int r0, c1;
    TEditorStringList rows;
    if (sel) {
        r0 = FSelStr.StartRow;
        c1 = FSelDraw.StartCol + 1;
        SelectionRemainder(rows);
    } else {
        r0 = FRow;
        c1 = FCol + 1;
    }
    const int remCount = rows.Count();
    const int L = static_cast<int>(lines.size());
    const int total = std::max(L, remCount);
    int lastPoint = c1, lastLen = 0;
    std::string lastRowText;
    for (int i = 0; i < total; ++i) {
        std::string text;
        int attr, point;
        if (i < remCount) {
            text = rows.Str(i);
            attr = rows.RowAttribute(i);
            point = rows.Value(i);
        } else {
            int tr = sel ? FSelStr.EndRow + 1 + (i - remCount) : r0 + i;
            if (tr < n) {
                text = RowText(tr);
                attr = RowAttribute(tr);
                point = BoxStartIndex(ColumnCodes(text), c1);
            } else {
                text.assign(static_cast<size_t>(c1 - 1), ' ');
                attr = raLineBreak;
                point = c1;
            }
            if (i >= rows.Count()) {
                int k = rows.Add(std::string());
                (void)k;
            }
        }
        if (i < L) {
            InsertAtPoint(text, point, lines[static_cast<size_t>(i)]);
            if (i == L - 1) {
                lastPoint = point;
                lastLen = static_cast<int>(lines[static_cast<size_t>(i)].size());
                lastRowText = text;
            }
        }
        if (attr == raEndOfText) attr = raLineBreak;
        rows.Put(i, text);
        rows.SetRowAttribute(i, attr);
    }
    int lastReplaced = sel ? std::max(r0 + L - 1, FSelStr.EndRow) : r0 + L - 1;
    lastReplaced = std::min(lastReplaced, n - 1);
    std::string text = JoinRows(rows);
    THold hold(*this, true, true);
    CleanSelection();
    if (r0 >= n)
        FStore->ReplaceRows(n, 0, text);
    else
        FStore->ReplaceRows(r0, lastReplaced - r0 + 1, text);
    SetRow(r0 + L - 1);
    int endByte = std::min(static_cast<int>(lastRowText.size()), std::max(0, lastPoint - 1) + lastLen);
    SetCol(TextColumns(std::string_view(lastRowText).substr(0, static_cast<size_t>(endByte))));
}

// ---- indenting the selected rows ----------------------------------------------------------------------

// Adds (Indent) or takes away one tab at the start of each selected row, or
// at the box's left edge in box mode; a normal selection stays on the same text.
void TEditor::ShiftSelectedRows(bool Indent) {
    if (FSelState != 2 || FReadOnly) return;
    const int n = RowCount();
    const bool wrap = WordWrap();
    const int wrapByte = WrapOption().WrapByte();
    const int T = FCaret->TabSpaceCount();
    const bool box = FSelectionMode;
    auto inWrappedLine = [&](int r) { return RowAttribute(r) == raWrapped || (r > 0 && RowAttribute(r - 1) == raWrapped); };
    int first, last;
    if (box) {
        first = FSelDraw.StartRow;
        last = FSelDraw.EndRow;
    } else {
        first = FSelStr.StartRow;
        last = FSelStr.EndIndex == -1 ? std::max(first, FSelStr.EndRow - 1) : FSelStr.EndRow;
    }
    last = std::min(last, n - 1);
    if (first > last) return;
    std::vector<bool> changed(static_cast<size_t>(last - first + 1));
    std::vector<int> base(changed.size());  // the indent the new columns are measured from
    std::string text;
    for (int r = first; r <= last; ++r) {
        std::string t(RowText(r));
        const int len = static_cast<int>(t.size());
        const int p = box ? BoxStartIndex(ColumnCodes(t), FSelDraw.StartCol + 1) : 1;
        bool ok;
        if (Indent) {
            base[static_cast<size_t>(r - first)] = LeadingBlankWidth(ExpandTabs(t));
            if (box) {
                ok = p <= len && (!wrap || !inWrappedLine(r));
                if (ok && wrap) {
                    std::string u = t;
                    u.insert(static_cast<size_t>(p - 1), 1, '\t');
                    ok = TextColumns(u) < wrapByte;
                }
            } else {
                ok = !wrap || (!inWrappedLine(r) && wrapByte > TextColumns(ExpandTabs(t)) + T);
            }
            if (ok) t.insert(static_cast<size_t>(p - 1), 1, '\t');
        } else {
            base[static_cast<size_t>(r - first)] = IndentColumn(t);
            ok = p >= 1 && p <= len && t[static_cast<size_t>(p - 1)] == '\t' && !inWrappedLine(r);
            if (ok) t.erase(static_cast<size_t>(p - 1), 1);
        }
        changed[static_cast<size_t>(r - first)] = ok;
        text += t;
        if (RowAttribute(r) == raLineBreak) text += "\r\n";
    }
    if (box) {
        THold hold(*this);
        FStore->ReplaceRows(first, last - first + 1, text);
        MarkDirtyAll();
        return;
    }
    auto shifted = [&](int r, int col) {
        const int b = base[static_cast<size_t>(r - first)];
        return Indent ? std::max(b + T, col + T) : std::max(b - T, col - T);
    };
    const bool anchorIsStart =
        FAnchorRow < FSelStr.EndRow || (FAnchorRow == FSelStr.EndRow && FAnchorCol < FSelDraw.EndCol);
    const bool emptySel = first == last && FSelStr.StartIndex == FSelStr.EndIndex + 1;
    const bool firstChanged = changed.front();
    const bool lastChanged = changed.back() && FSelStr.EndIndex != -1 && FSelStr.EndRow == last;
    int caretCol = FCol;
    if (FRow >= first && FRow <= last && changed[static_cast<size_t>(FRow - first)]) caretCol = shifted(FRow, FCol);
    TSelDrawRec d = FSelDraw;
    TSelStrRec s = FSelStr;
    if (firstChanged) d.StartCol = std::max(0, shifted(first, d.StartCol));
    if (lastChanged) d.EndCol = std::max(0, shifted(last, d.EndCol));
    THold hold(*this);
    FStore->ReplaceRows(first, last - first + 1, text);
    if (firstChanged) {
        s.StartIndex = ColToIndex(first, d.StartCol);
        if (anchorIsStart) {
            FAnchorIndex = s.StartIndex;
            FAnchorCol = d.StartCol;
        }
    }
    if (lastChanged) {
        s.EndIndex = ColToIndex(last, d.EndCol) - 1;
        if (!anchorIsStart) {
            FAnchorIndex = s.EndIndex + 1;
            FAnchorCol = d.EndCol;
        }
    }
    FSelDraw = d;
    FSelStr = s;
    SetCol(std::max(0, caretCol));
    if (emptySel)
        CleanSelection();
    else
        FPrevSelDraw = FSelDraw;
    MarkDirtyAll();
}

void TEditor::SelIndent() { ShiftSelectedRows(true); }
void TEditor::SelUnIndent() { ShiftSelectedRows(false); }

// ---- the token under a point ------------------------------------------------------------------------

namespace {
// A parser with the base character table and no colours.
class TTokenParser : public TFountainParser {
public:
    using TFountainParser::TFountainParser;
    TFountainColor* TokenToFountainColor() override { return nullptr; }
};
class TTokenFountain : public TFountain {
public:
    TFountainParserClass GetParserClass() override { return &FountainParserOf<TTokenParser>; }
};
TFountain& TokenFountain() {
    static std::unique_ptr<TTokenFountain> f = MakeObject<TTokenFountain>();
    return *f;
}
}  // namespace

bool TEditor::TextPosFromPos(const TPoint& Pos, int& ARow, int& AIndex) {
    ARow = -1;
    AIndex = -1;
    if (RowCount() == 0 || FColWidth <= 0 || Pos.X < GetTextLeft() || Pos.Y < GetTextTop()) return false;
    int c, r;
    PosToRowCol(Pos.X, Pos.Y, true, c, r);
    if (r < 0 || r > RowCount()) return false;
    ARow = r;
    std::string codes = ColumnCodes(RowText(r));
    if (c < 0 || c >= static_cast<int>(codes.size())) return false;
    if (codes[static_cast<size_t>(c)] == '5') --c;
    while (c > 0 && codes[static_cast<size_t>(c)] == '3') --c;
    AIndex = std::min(static_cast<int>(RowText(r).size()), ColToIndex(r, c));
    return true;
}

namespace {
struct TTokenHit {
    int Head = -1;
    int Start = 0, Length = 0;
    std::string Token;
    int Kind = 0;
    bool Found = false;
};
TTokenHit FindToken(TEditor& E, const TPoint& Pos, bool UseFountain, bool KeepState) {
    TTokenHit h;
    int row, index;
    if (!E.TextPosFromPos(Pos, row, index)) return h;
    TEditorScreenStrings& s = E.Store();
    int head = s.LineStart(row);
    int p = index;
    for (int r = head; r < row; ++r) p += static_cast<int>(E.RowText(r).size());
    TRowAttributeData data;
    data.BracketIndex = 0;
    if (UseFountain) E.GetRowAttributeData(head, data);
    if (!KeepState || !UseFountain) data.BracketIndex = -2;
    int attr, rc;
    std::string text;
    s.RowsText(head, -1, attr, rc, text);
    if (text.size() >= 2 && attr == raLineBreak) text.resize(text.size() - 2);
    TFountain* f = UseFountain ? E.ActiveFountain() : nullptr;
    std::unique_ptr<TFountainParser> parser = f ? f->CreateParser() : TokenFountain().CreateParser();
    parser->NewData(text, data);
    h.Head = head;
    while (parser->NextToken() != toEof) {
        int st = parser->SourcePos(), len = parser->TokenLength();
        if (st <= p && p <= st + len - 1) {
            h.Start = st;
            h.Length = len;
            h.Token = parser->TokenString();
            h.Kind = parser->Token();
            h.Found = true;
            break;
        }
        if (st > p) break;
    }
    return h;
}
}  // namespace

void TEditor::GetTokenFromPos(const TPoint& Pos, bool UseFountain, std::string& Token, bool KeepState, int& Kind) {
    Token.clear();
    Kind = 0;
    TTokenHit h = FindToken(*this, Pos, UseFountain, KeepState);
    if (!h.Found) return;
    Token = h.Token;
    Kind = h.Kind;
}

void TEditor::SelectTokenFromPosEx(const TPoint& Pos, bool UseFountain, bool KeepState) {
    TTokenHit h = FindToken(*this, Pos, UseFountain, KeepState);
    if (!h.Found) return;
    CleanSelection();
    SetCaretByOffset(h.Head, h.Start);
    SetSelLength(h.Length);
}

// ---- search -----------------------------------------------------------------------------------------
//
// The text is searched as if all its rows were joined (CR LF after each row that
// ends in a line break), without joining them. Forward, each row is searched
// where it lies; only when a match may begin in it and run on into the next rows
// are rows joined, from that row on, as far as that match needs. Backward (and
// forward for a pattern that begins with a line break, which no row holds),
// rows are joined into chunks of at least 8192 bytes, and a chunk grows downward
// as far as a match that begins in it needs. So memory per step is the chunk and
// the span of the match being tried, and a match is found whatever rows it spans.

namespace {

using editorsearch::TFound;
using editorsearch::TPiece;

constexpr size_t kChunkBytes = 8192;

// How one piece of the text is searched: with the prepared pattern, or with a
// search routine put in place of the built-in one (which sees each piece as a
// whole text, so a match must lie inside a piece; pieces then overlap by a row).
class TSearchFinder {
public:
    virtual ~TSearchFinder() = default;
    virtual TFound Forward(const TPiece& Piece, size_t From, size_t& Pos, size_t& Len) const = 0;
    virtual TFound Backward(const TPiece& Piece, long From, size_t& Pos, size_t& Len) const = 0;
    virtual long BackwardFrom(std::string_view Bytes, size_t Start) const = 0;
    // Rows may be searched where they lie (no match begins with a line break,
    // and a match that runs past a row is told).
    virtual bool InPlace() const = 0;
    // The next chunk takes the last row of this one along.
    virtual bool Overlap() const = 0;
    virtual size_t PatternBytes() const = 0;
    virtual bool Whole() const = 0;
};

class TPatternFinder : public TSearchFinder {
public:
    explicit TPatternFinder(const editorsearch::TPattern& P) : P(P) {}
    TFound Forward(const TPiece& Piece, size_t From, size_t& Pos, size_t& Len) const override {
        return editorsearch::FindForward(P, Piece, From, Pos, Len);
    }
    TFound Backward(const TPiece& Piece, long From, size_t& Pos, size_t& Len) const override {
        return editorsearch::FindBackward(P, Piece, From, Pos, Len);
    }
    long BackwardFrom(std::string_view Bytes, size_t Start) const override {
        return editorsearch::BackwardFrom(P, Bytes, Start);
    }
    bool InPlace() const override { return !P.MayBeginWithBreak(); }
    bool Overlap() const override { return false; }
    size_t PatternBytes() const override { return P.Text().size(); }
    bool Whole() const override { return P.Whole; }

private:
    const editorsearch::TPattern& P;
};

class TProcFinder : public TSearchFinder {
public:
    TProcFinder(TSearchTextProc Proc, std::string_view Pattern, uint16_t Options)
        : Proc(Proc), Pattern(Pattern), Options(Options) {}
    TFound Forward(const TPiece& Piece, size_t From, size_t& Pos, size_t& Len) const override {
        if (From > Piece.Bytes.size()) return TFound::None;
        int s = static_cast<int>(From), l = 0;
        const bool found = Proc(Piece.Bytes, s, l, Pattern, Options | soForward);
        return Answer(found, s, l, Pos, Len);
    }
    TFound Backward(const TPiece& Piece, long From, size_t& Pos, size_t& Len) const override {
        if (From < 0) return TFound::None;
        int s = static_cast<int>(std::min(static_cast<size_t>(From) + Pattern.size(), Piece.Bytes.size())), l = 0;
        const bool found = Proc(Piece.Bytes, s, l, Pattern, static_cast<uint16_t>(Options & ~soForward));
        return Answer(found, s, l, Pos, Len);
    }
    long BackwardFrom(std::string_view, size_t Start) const override {
        return static_cast<long>(Start) - static_cast<long>(Pattern.size());
    }
    bool InPlace() const override { return false; }
    bool Overlap() const override { return true; }
    size_t PatternBytes() const override { return Pattern.size(); }
    bool Whole() const override { return (Options & soWholeWord) != 0; }

private:
    static TFound Answer(bool Found, int S, int L, size_t& Pos, size_t& Len) {
        if (!Found) return TFound::None;
        Pos = static_cast<size_t>(S);
        Len = static_cast<size_t>(L);
        return TFound::Match;
    }
    TSearchTextProc Proc;
    std::string_view Pattern;
    uint16_t Options;
};

// The rows of a store read in order, a block of rows at a time, so that a scan
// over many rows makes no lookup per row.
class TRowReader {
public:
    explicit TRowReader(const TEditorScreenStrings& Store) : S(Store), N(Store.GetCount()) {}
    int Count() const { return N; }
    // The rows of R's block from R on, 0 <= R < Count().
    const TRowRun& At(int R) {
        if (R < First || R >= First + Rows.Count) {
            Rows = S.ItemRun(R);
            First = R;
        }
        return Rows;
    }
    std::string_view Text(int R) { return At(R).Str(R - First); }
    int Attribute(int R) { return At(R).Attribute(R - First); }
    // Bytes the row takes in the joined text.
    size_t JoinedBytes(int R) { return Text(R).size() + (Attribute(R) == raLineBreak ? 2 : 0); }
    // What comes before row R starts a word: the text's start, a line break,
    // or a row wrapped after a single-byte delimiter.
    bool DelimBefore(int R) {
        if (R <= 0 || Attribute(R - 1) != raWrapped) return true;
        std::string_view t = Text(R - 1);
        if (t.empty()) return true;
        // the last byte is a character of its own unless it is the trail of a pair
        size_t s = t.size() - 1;
        while (s > 0 && cp932::IsLeadByte(t[s - 1])) --s;
        return ((t.size() - 1 - s) & 1) == 0 && editorsearch::IsWordDelimiter(static_cast<uint8_t>(t.back()));
    }

private:
    const TEditorScreenStrings& S;
    const int N;
    TRowRun Rows;
    int First = 0;
};

// Rows First .. Last joined in one buffer, CR LF after each row that ends in a line break.
class TJoinedRows {
public:
    TJoinedRows(TRowReader& Rows, std::string& Text, std::vector<int>& Starts)
        : R(Rows), FText(Text), Starts(Starts) {}
    int First = 0, Last = -1;
    const std::string& Text() const { return FText; }
    void Begin(int Row) {
        FText.clear();
        Starts.clear();
        First = Row;
        Last = Row - 1;
    }
    // Rows from Begin's row on, top down, until the text holds Size bytes or the rows end.
    void Grow(size_t Size) {
        while (Last + 1 < R.Count() && (Last < First || FText.size() < Size)) {
            ++Last;
            Starts.push_back(static_cast<int>(FText.size()));
            FText += R.Text(Last);
            if (R.Attribute(Last) == raLineBreak) FText += "\r\n";
        }
    }
    // Rows up to Row.
    void GrowTo(int Row) {
        while (Last < Row && Last + 1 < R.Count()) Grow(FText.size() + 1);
    }
    bool More() const { return Last < R.Count() - 1; }
    // Where row Row begins in the text.
    size_t StartOf(int Row) const { return static_cast<size_t>(Starts[static_cast<size_t>(Row - First)]); }
    // The row of a byte of the text, and the byte's offset in that row.
    int RowOf(size_t Offset, int& InRow) const {
        const auto it = std::upper_bound(Starts.begin(), Starts.end(), static_cast<int>(Offset));
        const size_t k = static_cast<size_t>(it - Starts.begin()) - 1;
        InRow = static_cast<int>(Offset) - Starts[k];
        return First + static_cast<int>(k);
    }
    TPiece Piece(bool Whole) const { return TPiece{FText, More(), !Whole || R.DelimBefore(First)}; }

private:
    TRowReader& R;
    std::string& FText;
    std::vector<int>& Starts;
};

struct TSearchHit {
    int Row = 0, Index = 0, Length = 0;
};

// Searches the joined rows of J (made by the caller) from From on, growing
// them while a match that begins in them needs the rows below.
TFound FindForwardJoined(const TSearchFinder& F, TJoinedRows& J, size_t From, TSearchHit& Hit) {
    size_t from = From, pos = 0, len = 0;
    for (;;) {
        const TFound f = F.Forward(J.Piece(F.Whole()), from, pos, len);
        if (f == TFound::Match) {
            Hit.Row = J.RowOf(pos, Hit.Index);
            Hit.Length = static_cast<int>(len);
        }
        if (f != TFound::More) return f;
        from = pos;  // no match begins before it
        J.Grow(J.Text().size() * 2 + 1);
    }
}

// The first match at byte From of Row or after (From may lie past the row).
bool SearchRowsForward(TRowReader& R, const TSearchFinder& F, TJoinedRows& J, int Row, size_t From, TSearchHit& Hit) {
    const int n = R.Count();
    int r = Row;
    size_t from = From;
    while (r < n - 1 && from >= R.JoinedBytes(r)) from -= R.JoinedBytes(r++);
    const bool whole = F.Whole();
    if (F.InPlace()) {
        // each row where it lies; rows are joined only for a match that runs on
        size_t pos = 0, len = 0;
        for (; r < n; ++r, from = 0) {
            const std::string_view t = R.Text(r);
            if (from >= t.size()) continue;  // no match begins in a line break
            const bool more = r < n - 1 || R.Attribute(r) == raLineBreak;
            const TFound f = F.Forward(TPiece{t, more, !whole || R.DelimBefore(r)}, from, pos, len);
            if (f == TFound::None) continue;
            if (f == TFound::Match) {
                Hit = {r, static_cast<int>(pos), static_cast<int>(len)};
                return true;
            }
            J.Begin(r);
            J.Grow(t.size() + 2 + std::max<size_t>(256, 2 * F.PatternBytes()));
            if (FindForwardJoined(F, J, pos, Hit) == TFound::Match) return true;
            r = J.Last;  // every match that begins in the joined rows is ruled out
        }
        return false;
    }
    while (r < n) {
        J.Begin(r);
        J.Grow(kChunkBytes);
        if (FindForwardJoined(F, J, from, Hit) == TFound::Match) return true;
        if (!J.More()) return false;
        r = F.Overlap() && J.Last > J.First ? J.Last : J.Last + 1;
        from = 0;
    }
    return false;
}

// Joins rows upward from Last (whole) until Before bytes of them lie before
// byte Offset of row Last, or the rows run out.
void JoinUpward(TRowReader& R, TJoinedRows& J, int Last, size_t Offset, size_t Before) {
    int first = Last;
    size_t before = Offset;
    while (first > 0 && before < Before) before += R.JoinedBytes(--first);
    J.Begin(first);
    J.GrowTo(Last);
}

// The last match that begins before byte Offset of Row, by the search's rule
// for where a backward search takes its first candidate.
bool SearchRowsBackward(TRowReader& R, const TSearchFinder& F, TJoinedRows& J, int Row, size_t Offset,
                        TSearchHit& Hit) {
    // enough rows above for the first candidate to lie in them
    JoinUpward(R, J, Row, Offset, kChunkBytes + 2 * F.PatternBytes() + 2);
    long from = F.BackwardFrom(J.Text(), J.StartOf(Row) + Offset);
    size_t pos = 0, len = 0;
    for (;;) {
        if (from >= 0) {
            TFound f;
            for (;;) {
                f = F.Backward(J.Piece(F.Whole()), from, pos, len);
                if (f != TFound::More) break;
                from = static_cast<long>(pos);  // no match begins after it
                J.Grow(J.Text().size() * 2 + 1);
            }
            if (f == TFound::Match) {
                Hit.Row = J.RowOf(pos, Hit.Index);
                Hit.Length = static_cast<int>(len);
                return true;
            }
        }
        if (J.First == 0) return false;
        // the chunk above: with a routine that cannot say a match runs on, it
        // takes this chunk's first row along
        const int last = F.Overlap() && J.Last > J.First ? J.First : J.First - 1;
        const size_t end = R.Text(last).size();
        JoinUpward(R, J, last, end, kChunkBytes);
        from = F.Overlap() ? F.BackwardFrom(J.Text(), J.StartOf(last) + end) : static_cast<long>(J.Text().size()) - 1;
    }
}

// Whether byte Offset of row Row in the joined text lies between the CR and
// the LF of the row's line break.
bool InsideLineBreak(TRowReader& R, int Row, size_t Offset) {
    return R.Attribute(Row) == raLineBreak && Offset == R.Text(Row).size() + 1;
}

// Whether byte I of T begins a character as the row's columns are counted:
// the lead-range bytes right before it pair up among themselves. (At the row's
// end a lone lead byte is a character of its own; that case answers false.)
bool AtCharStart(std::string_view T, size_t I) {
    size_t k = 0;
    while (k < I && cp932::IsLeadByte(T[I - 1 - k])) ++k;
    return (k & 1) == 0;
}

}  // namespace

// A hit is placed as CleanSelection, SetCaretByOffset, SetHitSelLength and
// EmScrollCaret place it. Most hits are placed at once by PlaceHitAtOnce, which
// gives the caret, the selection and the scroll position the same values and
// leaves the view work to SyncView; the others go through those steps.
void TEditor::PlaceSearchHit(int ARow, int AIndex, int ALength) {
    if (PlaceHitAtOnce(ARow, AIndex, ALength)) return;
    SyncView();
    CleanSelection();
    SetCaretByOffset(ARow, AIndex);
    SetHitSelLength(ALength);
    EmScrollCaret();
}

// The hit's start and end stand on whole characters inside the reach of the
// caret, so the column rules leave both columns as they are measured; the caret
// goes to the start, then to the end with the selection anchored at the start,
// and the view follows it as ScrollCaret (with the focus) and EmScrollCaret
// would move it, step by step. False, with nothing changed, for a hit this does
// not cover: a caret hit, box mode, a mouse selection in progress, a hit that
// begins or ends on half a character, at the end of a wrapped row or out of
// the caret's reach, and (with the focus) a move to another row that could
// scroll the view sideways on its way.
bool TEditor::PlaceHitAtOnce(int ARow, int AIndex, int ALength) {
    if (FHitStyle == hsCaret || FSelectionMode || FDragState != 0 || FRowSelecting || FLeftButtonDown ||
        FSettingRowCol || ALength < 1)
        return false;
    constexpr int reach = kMaxCaretCol - 1;
    const int n = RowCount();
    if (ARow < 0 || ARow >= n || AIndex < 0 || AIndex > reach) return false;
    std::string_view first = RowText(ARow);
    const size_t index = static_cast<size_t>(AIndex);
    if (index > first.size() || (index == first.size() && RowAttribute(ARow) == raWrapped) ||
        !AtCharStart(first, index))
        return false;
    // every byte takes at least one column, so a byte within reach is measured quickly
    const int startCol = TextColumns(std::string_view(first).substr(0, index));
    if (startCol > reach) return false;
    // the end: as the selection walks the rows (a hit that ends with a wrapped
    // row ends at the next row's start)
    int endRow = -1, endIndex = 0;
    int left = AIndex + ALength;
    for (int r = ARow; r < n; ++r) {
        const int a = RowAttribute(r);
        const int len = static_cast<int>(RowText(r).size());
        const int use = len + (a == raLineBreak ? 2 : a == raEndOfText ? 1 : 0);
        if (use > left || a == raEndOfText) {
            endRow = r;
            endIndex = std::min(left, len);
            break;
        }
        left -= use;
    }
    if (endRow < 0 || endIndex > reach || (endRow == ARow && endIndex <= AIndex)) return false;
    std::string_view last = RowText(endRow);
    if (!AtCharStart(last, static_cast<size_t>(endIndex))) return false;
    const int endCol = TextColumns(std::string_view(last).substr(0, static_cast<size_t>(endIndex)));
    if (endCol > reach) return false;

    // the view, as the caret's steps would scroll it
    const bool focus = hasFocus();
    const bool shown = FSelState == 2 || FSelState == 3;
    const int rows = FVisibleRows, cols = FVisibleCols;
    const int maxLeft = std::max(0, FMaxTopCol - cols / 2);
    int top = FTopRow, leftCol = FTopCol;
    auto rowIntoView = [&](int r) {  // ScrollCaret's rows
        if (r < top)
            top = std::clamp(r, 0, n);
        else if (r > top + rows - 1)
            top = std::clamp(r - (rows - 1), 0, n);
    };
    auto colIntoView = [&](int c) {  // ScrollCaret's columns
        if (c < leftCol)
            leftCol = std::clamp(std::max(0, std::min(c, leftCol - cols / 4)), 0, maxLeft);
        else if (c > leftCol + cols - 1)
            leftCol = std::clamp(std::min(std::max(c - cols + 1, leftCol + cols / 4), FMaxTopCol - cols / 2), 0, maxLeft);
    };
    if (focus) {
        // On another row the caret first stands at a column the rules take from
        // its column (or the one remembered), never further right: in view
        // sideways while the view stands at column 0 and that column is in it.
        const int from = !shown && FKeepCaretValid ? FKeepCaretCol : FCol;
        if (ARow != FRow && (leftCol != 0 || from > cols - 1)) return false;
        rowIntoView(ARow);
        colIntoView(startCol);
        rowIntoView(endRow);
        colIntoView(endCol);
    }
    if (endRow < top || endRow > top + rows - 1) top = std::clamp(endRow - rows / 3, 0, n);
    if (endCol < leftCol || endCol > leftCol + cols - 1) leftCol = std::clamp(endCol - cols / 3, 0, maxLeft);

    // What the screen shows now is to be painted again; the rest waits for SyncView.
    if (!FViewDue) {
        FViewDue = true;
        FViewAllDirty = false;
        if (shown)
            InvalidateRows(FSelDraw.StartRow - 1, FSelDraw.EndRow);
        else if (FMarks->Underline().Visible() && FUnderlineUpdateCount == 0)
            EraseUnderline(FRow);
        if (FRuler->Visible()) EraseRulerMark(FCol);
    }
    if (!FNotifyDue) {
        FNotifyDue = true;
        FNotifyTopRow = FTopRow;
        FNotifyTopCol = FTopCol;
        QMetaObject::invokeMethod(this, [this] { app::Guard([this] { SyncView(); }); }, Qt::QueuedConnection);
    }
    if ((top != FTopRow || leftCol != FTopCol) && !FViewAllDirty) {
        MarkDirtyAll();
        FViewAllDirty = true;
    }
    // the old selection goes (its underline hold with it), the new one holds the underline
    if (shown && FUnderlineUpdateCount > 0) --FUnderlineUpdateCount;
    ++FUnderlineUpdateCount;
    FKeepCaretValid = false;
    FAnchorRow = ARow;
    FAnchorIndex = AIndex;
    FAnchorCol = startCol;
    FRow = endRow;
    FCol = endCol;
    FSelStr = {ARow, endRow, AIndex, endIndex - 1};
    FSelDraw = {ARow, endRow, endRow == ARow ? std::min(startCol, endCol) : startCol,
                endRow == ARow ? std::max(startCol, endCol) : endCol};
    FPrevSelDraw = FSelDraw;
    FSelState = FHitStyle == hsSelect ? 2 : 3;
    FHitLength = ALength;
    FTopRow = top;
    if (leftCol != FTopCol) {
        FTopCol = leftCol;
        FLeftScroll = FTopCol * FColWidth;
    }
    return true;
}

void TEditor::SyncView() {
    SyncScreen();
    if (!FNotifyDue) return;
    FNotifyDue = false;
    const bool rowMoved = FTopRow != FNotifyTopRow, colMoved = FTopCol != FNotifyTopCol;
    if (rowMoved || colMoved) {
        if (FKeyRepeat)
            FImeUpdatePending = true;
        else
            UpdateImeWindow();
    }
    SetCaretPosition();  // for the input method and OnCaretMoved, with the focus
    if (rowMoved) DoTopRowChange();
    if (colMoved) DoTopColChange();
    DoSelectionChange(FSelState == 2 || FSelState == 3);
}

void TEditor::SyncScreen() {
    if (!FViewDue) return;
    FViewDue = false;
    if (!FViewAllDirty) {
        if (FSelState == 2 || FSelState == 3) InvalidateRows(FSelDraw.StartRow - 1, FSelDraw.EndRow);
        if (FRuler->Visible()) DrawRulerMark(FCol);
    }
    FViewAllDirty = false;
    FSettingBars = true;
    verticalScrollBar()->setValue(FTopRow);
    horizontalScrollBar()->setValue(FTopCol);
    FSettingBars = false;
    // the caret, as the focus shows it
    CreateSystemCaret();
    ShowEditorCaret();
}

bool TEditor::Search(std::string_view SearchStr, uint16_t Options) {
    const int n = RowCount();
    if (n == 0 || !EditorSearchTextProc || SearchStr.empty()) return false;
    const bool forward = (Options & soForward) != 0;
    std::unique_ptr<TSearchFinder> finder;
    if (EditorSearchTextProc == &SearchText) {
        if (!FSearchPattern || !FSearchPattern->Same(SearchStr, Options))
            FSearchPattern = std::make_unique<editorsearch::TPattern>(SearchStr, Options);
        finder = std::make_unique<TPatternFinder>(*FSearchPattern);
    } else {
        finder = std::make_unique<TProcFinder>(EditorSearchTextProc, SearchStr, Options);
    }
    TRowReader rows(*FStore);
    TJoinedRows joined(rows, FSearchJoined, FSearchStarts);
    // where the search starts: row r, byte o of it
    const bool sel = FSelState == 2 || FSelState == 3;
    int r, o;
    if (forward) {
        if (sel) {
            r = FSelStr.EndRow;
            o = FSelStr.EndIndex + 1;
        } else {
            r = FRow;
            o = std::min(static_cast<int>(RowText(r).size()), CaretIndex());
        }
        if (r >= n) return false;
    } else if (sel) {
        r = FSelStr.StartRow;
        o = FSelStr.StartIndex;
    } else if (FRow >= n) {
        r = n - 1;
        o = static_cast<int>(rows.JoinedBytes(r));
    } else {
        r = FRow;
        o = std::min(static_cast<int>(RowText(r).size()), CaretIndex());
    }
    TSearchHit hit;
    for (;;) {
        const bool found = forward ? SearchRowsForward(rows, *finder, joined, r, static_cast<size_t>(o), hit)
                                   : SearchRowsBackward(rows, *finder, joined, r, static_cast<size_t>(o), hit);
        if (!found) return false;
        // A match that begins or ends between the CR and the LF of a line
        // break cannot be selected as it is (the caret never stands there): it
        // is passed over, and the search goes on past it.
        int endRow = hit.Row;
        size_t endAt = static_cast<size_t>(hit.Index) + static_cast<size_t>(hit.Length);
        while (endRow < n - 1 && endAt >= rows.JoinedBytes(endRow)) endAt -= rows.JoinedBytes(endRow++);
        if (InsideLineBreak(rows, hit.Row, static_cast<size_t>(hit.Index)) || InsideLineBreak(rows, endRow, endAt)) {
            if (forward) {
                r = endRow;
                o = static_cast<int>(endAt);
            } else {
                r = hit.Row;
                o = hit.Index;
            }
            continue;
        }
        // A match the caret cannot reach (past the last column of a long row) is
        // passed over, or the next search would start before it and find it again.
        std::string_view t = RowText(hit.Row);
        const size_t end = std::min(t.size(), static_cast<size_t>(hit.Index) + static_cast<size_t>(hit.Length));
        // every byte takes at least one column, so a far end needs no measuring
        if (end <= static_cast<size_t>(kMaxCaretCol) && TextColumns(std::string_view(t).substr(0, end)) <= kMaxCaretCol)
            break;
        if (forward) {
            if (hit.Row + 1 >= n) return false;
            r = hit.Row + 1;
            o = 0;
        } else {
            r = hit.Row;
            o = hit.Index;
        }
    }
    // the joined rows are not kept between searches
    if (FSearchJoined.capacity() > 4 * kChunkBytes) {
        std::string().swap(FSearchJoined);
        std::vector<int>().swap(FSearchStarts);
    }
    PlaceSearchHit(hit.Row, hit.Index, hit.Length);
    return true;
}

// ---- row marks ----------------------------------------------------------------------------------------

void TEditor::PutRowMark(int ARow, int Mark) {
    if (Mark < 0 || Mark > 15) return;
    const uint16_t bit = static_cast<uint16_t>(1u << Mark);
    if (Mark < 10 && (FStore->GetMarksInUse() & bit)) {
        for (int r = 0; r < RowCount(); ++r)
            if (GetRowMarks(r) & bit) {
                SetRowMarks(r, static_cast<uint16_t>(GetRowMarks(r) & ~bit));
                break;
            }
    }
    if (ARow >= 0 && ARow < RowCount()) SetRowMarks(ARow, static_cast<uint16_t>(GetRowMarks(ARow) | bit));
}

void TEditor::DelRowMark(int ARow, int Mark) {
    if (Mark < 0 || Mark > 15) return;
    if (ARow >= 0 && ARow < RowCount())
        SetRowMarks(ARow, static_cast<uint16_t>(GetRowMarks(ARow) & ~(1u << Mark)));
}

void TEditor::GotoRowMark(int Mark) {
    if (Mark < 0 || Mark > 15) return;
    const uint16_t bit = static_cast<uint16_t>(1u << Mark);
    if (!(FStore->GetMarksInUse() & bit)) return;
    for (int r = 0; r < RowCount(); ++r) {
        if (!(GetRowMarks(r) & bit)) continue;
        if (r < FTopRow || r > FTopRow + FVisibleRows - 1) SetTopRow(r - FVisibleRows / 2);
        SetRow(r);
        return;
    }
}
