// The editor's own search: the text searched as if its rows were joined,
// chunk by chunk, with the search routine of EditorSearch.h, and each hit
// placed as the caret, the selection and the view.
#include <QScrollBar>

#include <algorithm>
#include <memory>

#include "AppException.h"
#include "CP932.h"
#include "Editor.h"
#include "EditorSearch.h"

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
    TViewSpot view{FTopRow, FTopCol};
    if (focus) {
        // On another row the caret first stands at a column the rules take from
        // its column (or the one remembered), never further right: in view
        // sideways while the view stands at column 0 and that column is in it.
        const int from = !shown && FKeepCaretValid ? FKeepCaretCol : FCol;
        if (ARow != FRow && (view.TopCol != 0 || from > FVisibleCols - 1)) return false;
        view = ViewShowing(ARow, startCol, view);  // ScrollCaret at the start
        view = ViewShowing(endRow, endCol, view);  // and at the end
    }
    view = ViewShowing(endRow, endCol, view, true);  // EmScrollCaret
    const int top = view.TopRow, leftCol = view.TopCol;

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
