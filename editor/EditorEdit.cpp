// Edit operations of the editor: rows, columns and byte offsets, inserting and
// replacing text, box paste, indenting the selected rows, the token under a
// point, and the numbered row marks. The search is in EditorSearchRun.cpp.
#include <algorithm>
#include <cstring>

#include "CP932.h"
#include "Editor.h"
#include "EditorUndo.h"
#include "EditorUtil.h"
#include "Fountain.h"

namespace {
// Rows longer than this are measured only this far: the caret never goes
// beyond column 8193, and every byte takes at least one column.
constexpr size_t kMeasureBytes = 16400;
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
