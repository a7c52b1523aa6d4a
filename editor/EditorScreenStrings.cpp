// The row store: views, the replacement under every edit, row states, word
// wrap of the whole text, logical lines and loading files.
#include <algorithm>
#include <cstring>
#include <limits>

#include "BlockFile.h"
#include "EditorScreenStrings.h"
#include "EditorUndo.h"
#include "EditorUtil.h"
#include "EditorViewLink.h"
#include "EditorWrap.h"
#include "Exception.h"
#include "Fountain.h"
#include "ScopeExit.h"
#include "StringList.h"

namespace {

constexpr std::string_view kCrLf = "\r\n";

size_t FindBreak(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\r' || s[i] == '\n') return i;
    return std::string_view::npos;
}

bool HasBreak(std::string_view s) {
    if (s.empty()) return false;  // an empty view may carry no pointer at all
    return std::memchr(s.data(), '\r', s.size()) != nullptr || std::memchr(s.data(), '\n', s.size()) != nullptr;
}

TRecordStringItem MakeRow(std::string_view text, int attr) {
    TRecordStringItem r;
    r.Str.assign(text.data(), text.size());
    r.AttrA = static_cast<uint32_t>(attr) & 3u;
    return r;
}

template <class R>
inline int AttrOf(const R& r) {
    return static_cast<int>(r.AttrA & 3u);
}
template <class R>
inline uint16_t MarksOf(const R& r) {
    return static_cast<uint16_t>(r.AttrB >> 16);
}

}  // namespace

// ---- the text that replaces a block, as a stream of pieces -------------------
//
// Pieces are the kept head of the block, the new text and the kept tail, then
// the old rows after the block, fetched one by one as the cutting needs them.
// A piece that is a whole old row from its start carries the row's index: when
// a new row starts there, the rows from there on are unchanged.
struct TEditorScreenStrings::TPieceReader {
    struct Piece {
        std::string_view Text;
        int Row;        // old row whose text this is, from its start; -1 otherwise
        bool MayBreak;  // may hold CR or LF
    };
    const TEditorScreenStrings& S;
    std::vector<Piece> P;
    size_t Idx = 0, Off = 0;
    int NextOld;
    std::string Buf;

    TPieceReader(const TEditorScreenStrings& AS, int FirstAfter) : S(AS), NextOld(FirstAfter) {}

    void Add(std::string_view t, bool mayBreak) {
        if (!t.empty()) P.push_back({t, -1, mayBreak});
    }
    bool Fetch() {
        if (NextOld >= S.FRows.Count()) return false;
        const auto& it = S.FRows.Get(NextOld);
        P.push_back({it.Str, NextOld, false});
        if (AttrOf(it) == raLineBreak) P.push_back({kCrLf, -1, true});
        ++NextOld;
        return true;
    }
    bool Ensure(size_t i) {
        while (i >= P.size())
            if (!Fetch()) return false;
        return true;
    }
    // Steps over used-up pieces; with AtRowStarts it stops at the start of an
    // empty old row (a row start the stream is at).
    void Normalise(bool AtRowStarts) {
        while (Ensure(Idx)) {
            const Piece& p = P[Idx];
            if (Off < p.Text.size()) return;
            if (AtRowStarts && p.Row >= 0 && p.Text.empty() && Off == 0) return;
            ++Idx;
            Off = 0;
        }
    }
    int OldRowHere() {
        Normalise(true);
        if (Idx < P.size() && Off == 0 && P[Idx].Row >= 0) return P[Idx].Row;
        return -1;
    }
    // No byte is left (an empty last row adds none).
    bool AtEnd() {
        if (Ensure(Idx) && Off < P[Idx].Text.size()) return false;
        for (size_t i = Idx + 1; Ensure(i); ++i)
            if (!P[i].Text.empty()) return false;
        return true;
    }
    // Up to Want bytes of the current line from here, in one piece of memory;
    // Ends: the line ends within or right after them.
    std::string_view PeekLine(size_t Want, bool& Ends) {
        Normalise(false);
        if (!Ensure(Idx)) {
            Ends = true;
            return std::string_view();
        }
        const Piece& p = P[Idx];
        std::string_view rest = p.Text.substr(Off);
        size_t b = p.MayBreak ? FindBreak(rest) : std::string_view::npos;
        if (b != std::string_view::npos) {
            if (b > Want) {
                Ends = false;
                return rest.substr(0, Want);
            }
            Ends = true;
            return rest.substr(0, b);
        }
        if (rest.size() > Want) {
            Ends = false;
            return rest.substr(0, Want);
        }
        // A whole old row whose line ends with it needs no copy.
        if (!p.MayBreak && p.Row >= 0) {
            bool more = Ensure(Idx + 1);
            if (!more || (P[Idx + 1].MayBreak && !P[Idx + 1].Text.empty() &&
                          (P[Idx + 1].Text[0] == '\r' || P[Idx + 1].Text[0] == '\n'))) {
                Ends = true;
                return rest;
            }
        }
        Buf.assign(rest.data(), rest.size());
        for (size_t i = Idx + 1;; ++i) {
            if (!Ensure(i)) {
                Ends = true;
                return Buf;
            }
            std::string_view t = P[i].Text;
            size_t bb = P[i].MayBreak ? FindBreak(t) : std::string_view::npos;
            size_t take = bb == std::string_view::npos ? t.size() : bb;
            if (Buf.size() + take > Want) {
                Buf.append(t.substr(0, Want - Buf.size()));
                Ends = false;
                return Buf;
            }
            Buf.append(t.substr(0, take));
            if (bb != std::string_view::npos) {
                Ends = true;
                return Buf;
            }
        }
    }
    void Advance(size_t k) {
        while (k > 0) {
            Normalise(false);
            if (!Ensure(Idx)) return;
            size_t t = std::min(k, P[Idx].Text.size() - Off);
            Off += t;
            k -= t;
        }
    }
    // Consumes a CR, LF or CR LF; false at the end of the text.
    bool ConsumeLineBreak() {
        Normalise(false);
        if (!Ensure(Idx)) return false;
        char c = P[Idx].Text[Off];
        if (c == '\n') {
            ++Off;
            return true;
        }
        if (c != '\r') return false;
        ++Off;
        Normalise(true);
        if (Idx < P.size() && Off < P[Idx].Text.size() && P[Idx].Text[Off] == '\n') ++Off;
        return true;
    }
};

// ---- construction and views ---------------------------------------------------

TEditorScreenStrings::TEditorScreenStrings() = default;

TEditorScreenStrings::~TEditorScreenStrings() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (FWrapOption) FWrapOption->OnChange = nullptr;
    FViews.clear();
}

void TEditorScreenStrings::AfterConstruction() {
    TEditorStringList::AfterConstruction();
    FUndoObj = CreateUndoObj();
    FWrapOption = CreateWrapOption();
    FWrapOption->OnChange = MakeEvent<&TEditorScreenStrings::WrapOptionChanged>(this);
    OnChange = MakeEvent<&TEditorScreenStrings::NotifyViews>(this);
}

std::unique_ptr<TEditorUndoObj> TEditorScreenStrings::CreateUndoObj() {
    return MakeObject<TEditorUndoObj>(this);
}

std::unique_ptr<TEditorWrapOption> TEditorScreenStrings::CreateWrapOption() {
    return MakeObject<TEditorWrapOption>();
}

void TEditorScreenStrings::Attach(TEditorViewLink* View) {
    if (View && std::find(FViews.begin(), FViews.end(), View) == FViews.end()) FViews.push_back(View);
}

void TEditorScreenStrings::Detach(TEditorViewLink* View) {
    // the first view's fountain parses the text: another first view, another parse
    if (FirstView() == View) FCheckpoints.clear();
    FViews.erase(std::remove(FViews.begin(), FViews.end(), View), FViews.end());
}

TEditorViewLink* TEditorScreenStrings::FocusedView() const {
    for (auto* v : FViews)
        if (v->Focused()) return v;
    return FirstView();
}

void TEditorScreenStrings::NotifyViews(TObject*) {
    auto views = FViews;  // a view may detach while it is told
    for (auto* v : views) v->DoChange();
}

void TEditorScreenStrings::CancelViewSelections() {
    auto views = FViews;
    for (auto* v : views) v->CancelSelection();
}

void TEditorScreenStrings::RefreshViews() {
    auto views = FViews;
    for (auto* v : views) v->Refresh();
}

void TEditorScreenStrings::ClampViewRows() {
    int n = GetCount();
    int limit = (n > 0 && RowAttribute(n - 1) == raEndOfText) ? n - 1 : n;
    auto views = FViews;
    for (auto* v : views) {
        if (v->Row() > limit) v->SetRow(limit);
        if (v->TopRow() > limit) v->SetTopRow(limit);
    }
}

void TEditorScreenStrings::ResetViewCols() {
    auto views = FViews;
    for (auto* v : views) v->SetCol(0);
}

bool TEditorScreenStrings::FirstViewLoading() const {
    TEditorViewLink* v = FirstView();
    return v && v->Loading();
}

TColumnMetrics TEditorScreenStrings::Metrics() const {
    TColumnMetrics m;
    if (TEditorViewLink* v = FirstView()) {
        m.BreakChars = &v->BreakChars();
        m.TabSpaceCount = v->TabSpaceCount();
    }
    m.WordWrap = FWordWrap;
    m.WrapByte = FWrapOption ? FWrapOption->WrapByte() : 80;
    return m;
}

// ---- updates and the change record -------------------------------------------

void TEditorScreenStrings::SetChange(int First, int OldCount, int NewCount, int StateRows) {
    FChangeFirstRow = First;
    FChangeOldCount = OldCount;
    FChangeNewCount = NewCount;
    FChangeStateRows = StateRows;
    FChanged = true;
}

void TEditorScreenStrings::SetUpdateState(bool Updating) {
    TEditorStringList::SetUpdateState(Updating);
    if (!Updating) {
        FChanged = false;
        FChangeFirstRow = FChangeOldCount = FChangeNewCount = FChangeStateRows = 0;
        ClampViewRows();
    }
}

void TEditorScreenStrings::Clear() {
    CancelViewSelections();
    FUndoObj->Clear();
    SetChange(0, GetCount(), 0, 0);
    TEditorStringList::Clear();
    FChanged = false;
    FChangeFirstRow = FChangeOldCount = FChangeNewCount = FChangeStateRows = 0;
    auto views = FViews;
    for (auto* v : views) {
        v->SetRow(0);
        v->SetCol(0);
    }
}

void TEditorScreenStrings::Undo() { FUndoObj->Undo(); }
void TEditorScreenStrings::Redo() { FUndoObj->Redo(); }

// ---- rows and logical lines ----------------------------------------------------

int TEditorScreenStrings::LineStart(int Row) const {
    if (Row <= 0) return Row;
    return PrevLineEnd(Row) + 1;
}

int TEditorScreenStrings::LineEnd(int Row) const {
    int n = GetCount();
    if (Row < 0 || Row >= n) return Row;
    int e = NextLineEnd(Row);
    return e < 0 ? n - 1 : e;
}

int TEditorScreenStrings::LineCount() const {
    int n = GetCount();
    return LineEndCount() + ((n > 0 && RowAttribute(n - 1) == raWrapped) ? 1 : 0);
}

int TEditorScreenStrings::LineToRow(int i) const {
    if (i <= 0) return 0;
    int lines = LineCount();
    if (i == lines) return GetCount();
    if (i > lines) CheckIndex(GetCount(), GetCount());  // runs past the rows
    return RowOfLineEnd(i - 1) + 1;
}

int TEditorScreenStrings::RowToLine(int Row) const {
    if (Row <= 0) return 0;
    if (Row >= GetCount()) return LineCount();
    return LineEndsBefore(Row);
}

void TEditorScreenStrings::RowsText(int Index, int Count, int& Attr, int& RowCount, std::string& Text) const {
    Text.clear();
    Attr = raNone;
    RowCount = 0;
    int n = GetCount();
    if (Index < 0 || Index >= n) return;
    int last = Count < 0 ? LineEnd(Index) : std::min(n - 1, Index + Count - 1);
    if (last < Index) return;
    size_t len = 0;
    for (int r = Index; r <= last; ++r) {
        const auto& it = FRows.Get(r);
        len += it.Str.size() + (AttrOf(it) == raLineBreak ? 2 : 0);
    }
    Text.reserve(len);
    for (int r = Index; r <= last; ++r) {
        const auto& it = FRows.Get(r);
        Text += it.Str;
        if (AttrOf(it) == raLineBreak) Text += kCrLf;
        Attr = AttrOf(it);
    }
    RowCount = last - Index + 1;
}

int64_t TEditorScreenStrings::BlockLength(int First, int Cnt) const {
    int64_t len = 0;
    for (int r = First; r < First + Cnt; ++r) {
        const auto& it = FRows.Get(r);
        len += static_cast<int64_t>(it.Str.size()) + (AttrOf(it) == raLineBreak ? 2 : 0);
    }
    return len;
}

uint16_t TEditorScreenStrings::DeleteRows(int Index, int Count) {
    if (Index < 0 || Index >= GetCount() || Count <= 0) return 0;
    BeginUpdate();
    uint16_t m = FRows.EraseRows(Index, Count);
    EndUpdate();
    return m;
}

void TEditorScreenStrings::ReplaceRowsFromList(int Index, int Count, const TEditorStringList& List) {
    if (Index < 0 || Count < 0 || Index + Count > GetCount()) return;
    std::vector<TRecordStringItem> rows;
    rows.reserve(static_cast<size_t>(List.Count()));
    for (int i = 0; i < List.Count(); ++i) {
        TRecordStringItem r = List.Item(i);
        r.AttrA &= 3u;
        rows.push_back(std::move(r));
    }
    int n = static_cast<int>(rows.size());
    BeginUpdate();
    ApplyRows(Index, Count, std::move(rows), n);
    EndUpdate();
}

// Puts Rows in place of Count rows from Index, the marks travelling with the
// text. StepNew is the number of new rows of the whole block the step stands
// for: the rows left out at its end are the same before and after, so the
// marks move exactly as if the whole block had been replaced.
void TEditorScreenStrings::ApplyRows(int Index, int Count, std::vector<TRecordStringItem>&& Rows, int StepNew) {
    const int o = Count, n = static_cast<int>(Rows.size());
    std::vector<uint16_t> oldMarks(static_cast<size_t>(o));
    for (int k = 0; k < o; ++k) oldMarks[static_cast<size_t>(k)] = MarksOf(FRows.Get(Index + k));
    std::vector<uint16_t> newMarks(static_cast<size_t>(n), 0);
    uint16_t lost = 0;  // marks of removed rows that go to the row after the block
    if (o > n) {
        uint16_t m = 0;
        for (int k = 0; k < o - n; ++k) m = static_cast<uint16_t>(m | oldMarks[static_cast<size_t>(k)]);
        for (int k = 0; k < n; ++k) newMarks[static_cast<size_t>(k)] = oldMarks[static_cast<size_t>(o - n + k)];
        if (n > 0)
            newMarks[0] = static_cast<uint16_t>(newMarks[0] | m);
        else if (StepNew > 0)
            lost = m;  // the block's first new row is the unchanged row after it
    } else if (o == n) {
        newMarks = oldMarks;
    } else {
        for (int k = 1; k < o; ++k) newMarks[static_cast<size_t>(n - o + k)] = oldMarks[static_cast<size_t>(k)];
        if (o >= 1) {
            TEditorViewLink* fv = FocusedView();
            bool atStart = !fv || fv->Col() == 0;
            int target = atStart ? n - o : 0;
            newMarks[static_cast<size_t>(target)] = static_cast<uint16_t>(newMarks[static_cast<size_t>(target)] | oldMarks[0]);
        }
    }
    for (int k = 0; k < n; ++k) {
        auto& r = Rows[static_cast<size_t>(k)];
        r.AttrA &= 3u;
        r.AttrB = static_cast<uint32_t>(newMarks[static_cast<size_t>(k)]) << 16;
    }
    FRows.ReplaceRange(Index, o, std::move(Rows));
    if (lost && Index < FRows.Count()) {
        const auto& r = FRows.Get(Index);
        FRows.SetAttrB(Index, r.AttrB | (static_cast<uint32_t>(lost) << 16));
    }
}

// ---- the replacement -------------------------------------------------------------

TEditorScreenStrings::TStepResult TEditorScreenStrings::ReplaceBlock(int First, int Cnt, int64_t Head,
                                                                     std::string_view Mid, int64_t Tail, int StepFirst,
                                                                     int StepEnd, TUndoData& Record) {
    TPieceReader rd(*this, First + Cnt);
    // The block's kept head and tail, as pieces of its rows.
    int64_t total = BlockLength(First, Cnt);
    Head = std::clamp<int64_t>(Head, 0, total);
    Tail = std::clamp<int64_t>(Tail, 0, total - Head);
    auto addRange = [&](int64_t from, int64_t to) {  // bytes [from, to) of the block's text
        int64_t pos = 0;
        for (int r = First; r < First + Cnt && pos < to; ++r) {
            const auto& it = FRows.Get(r);
            int64_t len = static_cast<int64_t>(it.Str.size());
            int64_t a = std::max(from, pos), b = std::min(to, pos + len);
            if (a < b) rd.Add(std::string_view(it.Str).substr(static_cast<size_t>(a - pos), static_cast<size_t>(b - a)), false);
            pos += len;
            if (AttrOf(it) == raLineBreak) {
                a = std::max(from, pos);
                b = std::min(to, pos + 2);
                if (a < b) rd.Add(kCrLf.substr(static_cast<size_t>(a - pos), static_cast<size_t>(b - a)), true);
                pos += 2;
            }
        }
    };
    addRange(0, Head);
    rd.Add(Mid, true);
    addRange(total - Tail, total);

    const bool wrap = FWordWrap;
    TColumnMetrics m = Metrics();
    TLineCutter cutter(m, *FWrapOption);
    const bool followRet = FWrapOption->FollowRetMark();
    TEditorViewLink* fv = FocusedView();
    const bool colZero = !fv || fv->Col() == 0;

    std::vector<TRecordStringItem> rows;
    rows.reserve(static_cast<size_t>(std::max(0, StepEnd - First)) + 4);
    rd.P.reserve(static_cast<size_t>(std::max(0, StepEnd - First - Cnt)) * 2 + 8);
    bool cutOnce = First > 0 && RowAttribute(First - 1) == raWrapped;
    int syncRow = -1;
    const int headRows = std::max(0, StepFirst - First);
    for (;;) {
        int r = rd.OldRowHere();
        // An old row starts here: the rows from it on are unchanged when it
        // stands in the same place of its line (a line start, or the row after a cut).
        if (r >= First + Cnt && (r > 0 && RowAttribute(r - 1) == raWrapped) == cutOnce) {
            // The rows from r on are unchanged. Stop here when the marks move as
            // they would if the whole block were replaced.
            int T = StepEnd - r;
            int oS = r - StepFirst;
            int nS = static_cast<int>(rows.size()) - headRows;
            if (T <= 0 || oS == nS || oS > nS || oS >= 1 || colZero) {
                syncRow = r;
                break;
            }
        }
        // At the end of the text; after a cut the line's (empty) rest is still due.
        if (rd.AtEnd() && !cutOnce) {
            syncRow = GetCount();
            break;
        }
        bool ends = false;
        if (wrap) {
            std::string_view view = rd.PeekLine(cutter.WindowBytes(), ends);
            size_t len = 0;
            if (cutter.Cut(view, ends, len)) {
                rows.push_back(MakeRow(view.substr(0, len), raWrapped));
                rd.Advance(len);
                cutOnce = true;
                continue;
            }
            if (view.empty() && cutOnce && followRet && !rows.empty() && AttrOf(rows.back()) == raWrapped) {
                rows.back().AttrA = raLineBreak;  // the line filled its last row exactly
            } else {
                rows.push_back(MakeRow(view, raLineBreak));
                rd.Advance(view.size());
            }
            cutOnce = false;
        } else {
            std::string_view view = rd.PeekLine(std::numeric_limits<size_t>::max(), ends);
            rows.push_back(MakeRow(view, raLineBreak));
            rd.Advance(view.size());
        }
        if (!rd.ConsumeLineBreak()) rows.back().AttrA = raEndOfText;
    }

    TStepResult res;
    res.First = First;
    res.OldCount = syncRow - First;
    res.OverRan = syncRow > StepEnd;
    // Rows above the block the step stands for that came out unchanged are left out.
    if (headRows > 0 && res.OldCount >= headRows && static_cast<int>(rows.size()) >= headRows) {
        bool same = true;
        for (int k = 0; k < headRows && same; ++k) {
            const auto& old = FRows.Get(First + k);
            same = old.Str == rows[static_cast<size_t>(k)].Str && AttrOf(old) == AttrOf(rows[static_cast<size_t>(k)]);
        }
        if (same) {
            rows.erase(rows.begin(), rows.begin() + headRows);
            res.First += headRows;
            res.OldCount -= headRows;
        }
    }
    res.NewCount = static_cast<int>(rows.size());

    // The inverse step: the removed text, less what the old and new text share
    // at both ends.
    std::string old;
    int lastAttr = raNone, taken = 0;
    RowsText(res.First, res.OldCount, lastAttr, taken, old);
    if (res.OldCount == 0) lastAttr = raNone;
    // What the old and new text share at both ends, row by row.
    size_t P = 0, S = 0;
    {
        size_t newLen = 0;
        for (const auto& row : rows) newLen += row.Str.size() + (AttrOf(row) == raLineBreak ? 2 : 0);
        const size_t lim = std::min(old.size(), newLen);
        auto prefixOf = [&](std::string_view part) {  // false at the first difference
            size_t k = std::min(part.size(), lim - P);
            size_t same = 0;
            while (same < k) {
                size_t step = std::min<size_t>(64, k - same);
                if (std::memcmp(part.data() + same, old.data() + P + same, step) != 0) {
                    while (part[same] == old[P + same]) ++same;
                    P += same;
                    return false;
                }
                same += step;
            }
            P += same;
            return same == part.size();
        };
        for (const auto& row : rows) {
            if (!prefixOf(row.Str)) break;
            if (AttrOf(row) == raLineBreak && !prefixOf(kCrLf)) break;
        }
        const size_t maxS = lim - P;
        auto suffixOf = [&](std::string_view part) {
            size_t k = std::min(part.size(), maxS - S);
            size_t same = 0;
            while (same < k) {
                size_t step = std::min<size_t>(64, k - same);
                const char* a = part.data() + part.size() - same - step;
                const char* b = old.data() + old.size() - S - same - step;
                if (std::memcmp(a, b, step) != 0) {
                    while (part[part.size() - 1 - same] == old[old.size() - 1 - S - same]) ++same;
                    S += same;
                    return false;
                }
                same += step;
            }
            S += same;
            return same == part.size();
        };
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
            if (AttrOf(*it) == raLineBreak && !suffixOf(kCrLf)) break;
            if (!suffixOf(it->Str)) break;
        }
    }
    Record.FirstRow = res.First;
    Record.RowCount = res.NewCount;
    Record.Attribute = static_cast<uint8_t>(lastAttr);
    Record.HeadKeep = static_cast<int64_t>(P);
    Record.TailKeep = static_cast<int64_t>(S);
    Record.Text = old.substr(P, old.size() - P - S);

    int T = StepEnd - syncRow;
    ApplyRows(res.First, res.OldCount, std::move(rows), res.NewCount + std::max(0, T));
    return res;
}

// A change of bytes inside one row without word wrap: made in place, so that
// typing into a long row costs the bytes typed.
bool TEditorScreenStrings::InPlaceRowEdit(int Index, int64_t Head, std::string_view Mid, int64_t Tail,
                                          TUndoData& Record) {
    if (FWordWrap || Index < 0 || Index >= GetCount() || HasBreak(Mid)) return false;
    const auto& it = FRows.Get(Index);
    int attr = AttrOf(it);
    if (attr == raWrapped) return false;
    int64_t len = static_cast<int64_t>(it.Str.size());
    int64_t brk = attr == raLineBreak ? 2 : 0;
    int64_t delTo = len + brk - Tail;
    if (Head < 0 || Tail < brk || Head > delTo || delTo > len) return false;
    Record.FirstRow = Index;
    Record.RowCount = 1;
    Record.Attribute = static_cast<uint8_t>(attr);
    Record.Text.assign(it.Str.substr(static_cast<size_t>(Head), static_cast<size_t>(delTo - Head)));
    Record.HeadKeep = Head;
    Record.TailKeep = Tail;
    const uint32_t attrA = it.AttrA, attrB = it.AttrB;
    FRows.EditStr(Index, static_cast<size_t>(Head), static_cast<size_t>(delTo - Head), Mid);
    // A replaced row carries no state, Value or DataStr of its own.
    FRows.SetAttrA(Index, attrA & 3u);
    FRows.SetAttrB(Index, attrB & 0xFFFF0000u);
    FRows.SetDataStr(Index, std::string());
    FRows.SetValue(Index, 0);
    return true;
}

void TEditorScreenStrings::FinishStep(int First, int OldCount, int NewCount) {
    int s = UpdateRowStates(First, true);
    SetChange(First, OldCount, NewCount, s);
}

void TEditorScreenStrings::DeleteWholeLines(int Index, int Count) {
    TUndoData& rec = FUndoObj->NewRecord();
    int attr = raNone, rc = 0;
    RowsText(Index, Count, attr, rc, rec.Text);
    rec.FirstRow = Index;
    rec.RowCount = 0;
    rec.Attribute = static_cast<uint8_t>(attr);
    BeginUpdate();
    auto end = ScopeExit([&] { EndUpdate(); });
    uint16_t m = DeleteRows(Index, Count);
    int n = GetCount();
    if (n > 0 && m) {
        int r = std::min(Index, n - 1);
        SetRowMarks(r, static_cast<uint16_t>(RowMarks(r) | m));
    }
    FinishStep(Index, Count, 0);
}

void TEditorScreenStrings::ReplaceRows(int Index, int Count, std::string_view Text) {
    int n = GetCount();
    if (Index < 0 || Count < 0 || Index + Count > n) return;
    if (Count == 0 && Text.empty()) return;
    if (!FWordWrap && Count == 1 && (Index == 0 || RowAttribute(Index - 1) == raLineBreak)) {
        // One whole row without wrap: said as the bytes that differ, so that a
        // change inside a long row is made in place.
        const auto& it = FRows.Get(Index);
        std::string_view row = it.Str;
        std::string_view brk = AttrOf(it) == raLineBreak ? kCrLf : std::string_view();
        int64_t total = static_cast<int64_t>(row.size() + brk.size());
        auto at = [&](int64_t i) {
            return i < static_cast<int64_t>(row.size()) ? row[static_cast<size_t>(i)] : brk[static_cast<size_t>(i) - row.size()];
        };
        int64_t lim = std::min<int64_t>(total, static_cast<int64_t>(Text.size()));
        int64_t p = 0;
        while (p < lim && at(p) == Text[static_cast<size_t>(p)]) ++p;
        int64_t s = 0;
        while (s < lim - p && at(total - 1 - s) == Text[Text.size() - 1 - static_cast<size_t>(s)]) ++s;
        ReplaceRows(Index, 1, p, total - p - s,
                    Text.substr(static_cast<size_t>(p), Text.size() - static_cast<size_t>(p + s)));
        return;
    }
    ReplaceRows(Index, Count, 0, BlockLength(Index, Count), Text);
}

void TEditorScreenStrings::ReplaceRows(int Index, int Count, int64_t Start, int64_t Length, std::string_view Text) {
    int n = GetCount();
    if (Index < 0 || Count < 0 || Index + Count > n) return;
    int64_t total = BlockLength(Index, Count);
    Start = std::clamp<int64_t>(Start, 0, total);
    Length = std::clamp<int64_t>(Length, 0, total - Start);
    int64_t Tail = total - Start - Length;
    if (Count == 0 && Text.empty()) return;
    const int last = Index + Count - 1;
    // The row above is taken along when Index continues its line.
    const int stepFirst = (Index > 0 && RowAttribute(Index - 1) != raLineBreak) ? Index - 1 : Index;
    if (Count == 0 && Index == n && stepFirst == Index && !FWordWrap) {
        // Text added after the last line break: its rows go straight in.
        AppendRows(Text);
        return;
    }
    if (Start == 0 && Tail == 0 && Text.empty() && Count > 0 && Index == stepFirst && RowAttribute(last) != raWrapped) {
        DeleteWholeLines(Index, Count);
        return;
    }
    // The block the step stands for runs to the end of the last row's line, and
    // takes the next line along when it ends a line (new text without a final
    // line break joins it).
    int lineEnd = LineEnd(last);
    int stepEnd;
    if (last < lineEnd)
        stepEnd = lineEnd + 1;
    else if (lineEnd >= n - 1)
        stepEnd = n;
    else
        stepEnd = LineEnd(lineEnd + 1) + 1;
    // With wrap, rows above whose cut could look at the changed bytes are cut again too.
    int first = stepFirst;
    int64_t head = Start;
    for (int r = stepFirst; r < Index; ++r) head += static_cast<int64_t>(FRows.Get(r).Str.size());
    if (FWordWrap) {
        int64_t reach = static_cast<int64_t>(FWrapOption->WrapByte()) + 8;
        int64_t d = head;
        for (int r = first - 1; r >= 0 && RowAttribute(r) == raWrapped; --r) {
            d += static_cast<int64_t>(FRows.Get(r).Str.size());
            if (d >= reach) break;
            first = r;
        }
        for (int r = first; r < stepFirst; ++r) head += static_cast<int64_t>(FRows.Get(r).Str.size());
    }
    TUndoData step;
    BeginUpdate();
    auto end = ScopeExit([&] { EndUpdate(); });
    TStepResult res;
    if (first == Index && Count == 1 && InPlaceRowEdit(Index, Start, Text, Tail, step)) {
        res.First = Index;
        res.OldCount = res.NewCount = 1;
    } else {
        res = ReplaceBlock(first, Index + Count - first, head, Text, Tail, stepFirst, stepEnd, step);
    }
    FUndoObj->NewRecord().SetBlock(std::move(step));
    FinishStep(res.First, res.OldCount, res.NewCount);
}

// Rows of Text put after the last row, which ends with a line break (or there
// is none): the step ReplaceBlock would make, without taking the rows apart
// and together again. A last line without a line break gets attribute 2.
void TEditorScreenStrings::AppendRows(std::string_view Text) {
    const int first = GetCount();
    BeginUpdate();
    auto end = ScopeExit([&] { EndUpdate(); });
    int added = 0;
    size_t i = 0;
    while (i < Text.size()) {
        const std::string_view rest = Text.substr(i);
        const size_t b = FindBreak(rest);
        if (b == std::string_view::npos) {
            FRows.PushBack(rest, raEndOfText);
            ++added;
            break;
        }
        FRows.PushBack(rest.substr(0, b), raLineBreak);
        ++added;
        i += b;
        if (Text[i] == '\r') ++i;
        if (i < Text.size() && Text[i] == '\n') ++i;
    }
    TUndoData step;
    step.FirstRow = first;
    step.RowCount = added;
    step.Attribute = raNone;
    FUndoObj->NewRecord().SetBlock(std::move(step));
    FinishStep(first, 0, added);
}

// ---- row states -----------------------------------------------------------------

int TEditorScreenStrings::ScreenRows() const {
    TEditorViewLink* v = FirstView();
    if (!v) return 0;
    return std::max(0, v->ScreenHeight()) / std::max(1, v->RowHeight());
}

namespace {
bool SameState(const TRowAttributeData& a, const TRowAttributeData& b) {
    return a.PrevRowAttribute == b.PrevRowAttribute && a.BracketIndex == b.BracketIndex && a.UserIndex == b.UserIndex &&
           a.WrappedByte == b.WrappedByte && a.UserCount == b.UserCount && a.PrevToken == b.PrevToken &&
           a.UserToken == b.UserToken && a.DataStr == b.DataStr;
}
}  // namespace

// Drops the checkpoints that rows changed since they were taken may have made
// stale: the state at the start of a row depends on the rows above it and, when
// the row above is wrapped, on the row itself.
void TEditorScreenStrings::DropStaleCheckpoints() {
    int changed = FRows.FirstChangedRow();
    if (changed >= INT32_MAX) return;
    size_t keep = static_cast<size_t>((changed + kStateCheckpointRows - 1) / kStateCheckpointRows);
    if (FCheckpoints.size() > keep) FCheckpoints.resize(keep);
    FRows.ForgetChanges();
}

int TEditorScreenStrings::StateCheckpointCount() {
    DropStaleCheckpoints();
    return static_cast<int>(FCheckpoints.size());
}

bool TEditorScreenStrings::FillStateCheckpoints(int Budget) {
    DropStaleCheckpoints();
    int n = GetCount();
    TEditorViewLink* v = FirstView();
    TFountain* f = v ? v->ActiveFountain() : nullptr;
    if (!f || n == 0 || (v->Loading() || v->Destroying())) return false;
    int last = static_cast<int>(FCheckpoints.size()) - 1;
    if ((last + 1) * kStateCheckpointRows >= n) return false;
    TRowAttributeData d;
    int r = 0;
    if (last >= 0) {
        d = FCheckpoints[static_cast<size_t>(last)];
        r = last * kStateCheckpointRows;
    }
    auto parser = f->CreateParser();
    // at least up to the next checkpoint, as every call starts again from the last one
    WalkStates(*parser, r, std::min(n, std::max(r + Budget, (last + 1) * kStateCheckpointRows + 1)), d);
    return static_cast<int>(FCheckpoints.size()) * kStateCheckpointRows < n;
}

// Carries the state D at the start of row From to the start of row To, saving
// the checkpoints on the way. A row that ends its line and holds none of the
// bracket strings that could change D is passed by a byte search; only the
// others are tokenised.
void TEditorScreenStrings::WalkStates(TFountainParser& Parser, int From, int To, TRowAttributeData& D) {
    FRows.ForEachRow(From, To, [&](int Row, std::string_view Text, int Attr) {
        D.RowAttribute = static_cast<uint8_t>(Attr);
        SaveCheckpoint(Row, D);
        if (!Parser.QuickRowState(Text, Attr, D)) Parser.RowData(Row, *this, D);
        D.PrevRowAttribute = static_cast<uint8_t>(Attr);
    });
}

// Stores states from row From (the state in hand computed from the row above,
// or taken from the nearest checkpoint) up to Limit; the walk stops at the
// first row whose stored state equals the new one.
int TEditorScreenStrings::UpdateRowStates(int From, bool Notify) {
    int n = GetCount();
    if (From < 0 || From >= n) return 0;
    TEditorViewLink* v = FirstView();
    TFountain* f = v ? v->ActiveFountain() : nullptr;
    if (!f) return 0;
    DropStaleCheckpoints();
    auto parser = f->CreateParser();
    TRowAttributeData d;
    int r;
    int k = PrevComputedRow(From);
    int c = std::min(static_cast<int>(FCheckpoints.size()) - 1, From / kStateCheckpointRows);
    if (c >= 0 && c * kStateCheckpointRows > k) {
        d = FCheckpoints[static_cast<size_t>(c)];
        r = c * kStateCheckpointRows;
    } else if (k >= 0) {
        GetRowAttributeData(k, d);
        parser->RowData(k, *this, d);
        d.PrevRowAttribute = static_cast<uint8_t>(RowAttribute(k));
        r = k + 1;
    } else {
        d = TRowAttributeData();
        r = 0;
    }
    // rows above From between the start and From have no state stored: they
    // are only walked through
    WalkStates(*parser, r, From, d);
    r = std::max(r, From);
    int limit = std::min(n - 1, From + 2 * ScreenRows());
    int count = 0;
    TRowAttributeData stored;
    for (; r <= limit; ++r) {
        d.RowAttribute = static_cast<uint8_t>(RowAttribute(r));
        GetRowAttributeData(r, stored);
        if (SameState(stored, d)) return count;
        SetRowStateData(r, d);
        SaveCheckpoint(r, d);
        ++count;
        if (Notify) {
            auto views = FViews;
            for (auto* view : views) view->InvalidateRow(r);
        }
        if (r == limit) break;  // the state after the last row walked is not kept
        parser->RowData(r, *this, d);
        d.PrevRowAttribute = static_cast<uint8_t>(RowAttribute(r));
    }
    MarkStatesNotComputed(limit + 1);
    return count;
}

void TEditorScreenStrings::InitRowStates() {
    // the fountain or its settings may have changed: no saved state holds
    FCheckpoints.clear();
    TEditorViewLink* v = FirstView();
    if (v && (v->Loading() || v->Destroying())) return;
    int n = GetCount();
    MarkStatesNotComputed(0);
    TFountain* f = v ? v->ActiveFountain() : nullptr;
    if (!f || n == 0) return;
    FRows.ForgetChanges();
    int limit = v->InitBracketsFull() ? n - 1 : std::min(n - 1, v->TopRow() + 2 * ScreenRows());
    auto parser = f->CreateParser();
    TRowAttributeData d;
    for (int r = 0; r <= limit; ++r) {
        d.RowAttribute = static_cast<uint8_t>(RowAttribute(r));
        SetRowStateData(r, d);
        SaveCheckpoint(r, d);
        if (r == limit) break;
        parser->RowData(r, *this, d);
        d.PrevRowAttribute = static_cast<uint8_t>(RowAttribute(r));
    }
}

// ---- word wrap -------------------------------------------------------------------

void TEditorScreenStrings::WrapText(std::string_view Text, TEditorStringList& Dest) {
    std::vector<TRecordStringItem> rows;
    if (Text.empty()) {
        rows.push_back(MakeRow(std::string_view(), raLineBreak));
    } else if (!FWordWrap) {
        ForEachTextLine(Text, [&](std::string_view l) { rows.push_back(MakeRow(l, raLineBreak)); });
    } else {
        TLineCutter cutter(Metrics(), *FWrapOption);
        ForEachTextLine(Text, [&](std::string_view l) {
            CutLine(cutter, l, [&](const TWrappedRow& w) { rows.push_back(MakeRow(w.Text, w.Attribute)); });
        });
    }
    Dest.BeginUpdate();
    Dest.AssignItems(std::move(rows));
    Dest.EndUpdate();
}

int TEditorScreenStrings::CountWrappedRows(std::string_view S) {
    if (!FWordWrap) return 1;
    TLineCutter cutter(Metrics(), *FWrapOption);
    return CountLineRows(cutter, S);
}

// Collects the rows of one logical line while the rows of a text go by.
struct TEditorScreenStrings::TLineGather {
    std::string Text;
    std::vector<uint16_t> Marks;
    std::vector<TRecordStringItem> Single;  // the line's only row, moved whole
    void Add(TRecordStringItem&& r) {
        if (Marks.empty()) {
            Single.clear();
            Single.push_back(std::move(r));
            Marks.push_back(MarksOf(Single.back()));
            return;
        }
        if (!Single.empty()) {
            Text = std::move(Single.front().Str);
            Single.clear();
        }
        Text += r.Str;
        Marks.push_back(MarksOf(r));
    }
    std::string TakeText() {
        if (!Single.empty()) return std::move(Single.front().Str);
        return std::move(Text);
    }
    uint16_t MarksUnion() const {
        uint16_t u = 0;
        for (auto k : Marks) u = static_cast<uint16_t>(u | k);
        return u;
    }
    void Reset() {
        Text.clear();
        Marks.clear();
        Single.clear();
    }
};

// The old rows are taken block by block from the front while the new ones
// are appended, so the text is never held twice. Views are told nothing here;
// the callers refresh them.
void TEditorScreenStrings::RebuildLines(const std::function<void(TLineGather&)>& Line) {
    CancelViewSelections();
    TNotifyEvent saved = OnChange;
    OnChange = nullptr;
    BeginUpdate();
    int endAttr = RowAttribute(GetCount() - 1);
    if (endAttr == raWrapped) endAttr = raEndOfText;
    TRowBlocks old;
    old.Swap(FRows);
    TLineGather line;
    std::vector<TRecordStringItem> block;
    auto flush = [&] {
        Line(line);
        line.Reset();
    };
    while (old.PopFrontBlock(block)) {
        for (auto& r : block) {
            bool ends = AttrOf(r) != raWrapped;
            line.Add(std::move(r));
            if (ends) flush();
        }
    }
    if (!line.Marks.empty()) flush();
    FRows.SetAttrA(FRows.Count() - 1, (FRows.Get(FRows.Count() - 1).AttrA & ~3u) | static_cast<uint32_t>(endAttr));
    EndUpdate();
    OnChange = saved;
}

void TEditorScreenStrings::WrapAll() {
    if (GetCount() == 0 || FirstViewLoading()) return;
    TColumnMetrics m = Metrics();
    m.WordWrap = true;
    const int W = FWrapOption->WrapByte();
    TLineCutter cutter(m, *FWrapOption);
    std::vector<TRecordStringItem> cut;
    RebuildLines([&](TLineGather& line) {
        std::string text = line.TakeText();
        const auto& marks = line.Marks;
        if (TextColumns(m, text) < W) {
            // A line narrower than a row stays one row with all its marks.
            TRecordStringItem r;
            r.Str = std::move(text);
            r.AttrB = static_cast<uint32_t>(line.MarksUnion()) << 16;
            FRows.PushBack(std::move(r));
            return;
        }
        // Row i keeps the marks of old row i; the marks of surplus old rows go to the last row.
        cut.clear();
        CutLine(cutter, text, [&](const TWrappedRow& w) { cut.push_back(MakeRow(w.Text, w.Attribute)); });
        size_t nOld = marks.size(), nNew = cut.size();
        for (size_t i = 0; i < nNew && i < nOld; ++i) cut[i].AttrB = static_cast<uint32_t>(marks[i]) << 16;
        for (size_t i = nNew; i < nOld; ++i) cut[nNew - 1].AttrB |= static_cast<uint32_t>(marks[i]) << 16;
        for (auto& r : cut) FRows.PushBack(std::move(r));
    });
}

void TEditorScreenStrings::UnWrapAll() {
    if (GetCount() == 0) return;
    RebuildLines([&](TLineGather& line) {
        TRecordStringItem r;
        r.AttrB = static_cast<uint32_t>(line.MarksUnion()) << 16;
        r.Str = line.TakeText();
        FRows.PushBack(std::move(r));
    });
}

void TEditorScreenStrings::SetWordWrap(bool Value) {
    if (Value == FWordWrap) return;
    FWordWrap = Value;
    if (FirstViewLoading()) return;
    FUndoObj->Clear();
    if (Value)
        WrapAll();
    else
        UnWrapAll();
    InitRowStates();
    RefreshViews();
    ClampViewRows();
    ResetViewCols();
}

void TEditorScreenStrings::SetWrapOption(const TEditorWrapOption& Value) { FWrapOption->Assign(Value); }

void TEditorScreenStrings::WrapOptionChanged(TObject*) {
    if (FirstViewLoading() || !FWordWrap) return;
    FUndoObj->Clear();
    WrapAll();
    InitRowStates();
    RefreshViews();
    ClampViewRows();
    ResetViewCols();
}

void TEditorScreenStrings::ViewMetricsChanged() { WrapOptionChanged(nullptr); }

// ---- whole texts -----------------------------------------------------------------

namespace {
// Builds the rows of a text line by line, cut by the wrap rules when wanted.
struct TRowBuilder {
    TRowBlocks& Rows;
    TLineCutter* Cutter;  // null: no wrap
    void Line(std::string_view l, int attr) {
        if (!Cutter) {
            Rows.PushBack(l, static_cast<uint32_t>(attr) & 3u);
            return;
        }
        CutLine(*Cutter, l, [&](const TWrappedRow& w) { Rows.PushBack(w.Text, static_cast<uint32_t>(w.Attribute) & 3u); });
        if (attr == raEndOfText) {
            int last = Rows.Count() - 1;
            Rows.SetAttrA(last, (Rows.Get(last).AttrA & ~3u) | raEndOfText);
        }
    }
};
}  // namespace

void TEditorScreenStrings::SetTextRows(std::string_view Value) {
    BeginUpdate();
    auto end = ScopeExit([&] { EndUpdate(); });
    Clear();
    bool wrap = FWordWrap && !FirstViewLoading();
    TColumnMetrics m = Metrics();
    TLineCutter cutter(m, *FWrapOption);
    TRowBuilder b{FRows, wrap ? &cutter : nullptr};
    bool endsWithBreak = !Value.empty() && (Value.back() == '\n' || Value.back() == '\r');
    int lines = TextLineCount(Value), k = 0;
    ForEachTextLine(Value, [&](std::string_view l) {
        ++k;
        b.Line(l, (k == lines && !endsWithBreak) ? raEndOfText : raLineBreak);
    });
    InitRowStates();
}

void TEditorScreenStrings::AssignStrings(const TStringList& Source) {
    {
        BeginUpdate();
        auto end = ScopeExit([this] { EndUpdate(); });
        Clear();
        bool wrap = FWordWrap && !FirstViewLoading();
        TLineCutter cutter(Metrics(), *FWrapOption);
        TRowBuilder b{FRows, wrap ? &cutter : nullptr};
        for (const auto& s : Source.Items) b.Line(s, raLineBreak);
        InitRowStates();
    }
    RefreshViews();
}

void TEditorScreenStrings::LoadFromFile(std::string_view FileName) {
    {
        BeginUpdate();
        auto end = ScopeExit([this] { EndUpdate(); });
        auto fail = ScopeFail([this] { FRows.Clear(); });  // a half-read file leaves no rows
        Clear();
        TBlockFile file;
        if (!file.Open(FileName)) throw EFOpenError("ファイル " + std::string(FileName) + " を開けません");
        bool wrap = FWordWrap && !FirstViewLoading();
        TLineCutter cutter(Metrics(), *FWrapOption);
        TRowBuilder b{FRows, wrap ? &cutter : nullptr};
        // Blocks of 8192 bytes; a CR that ends one block and an LF that starts
        // the next make one line break. NUL and Ctrl+Z bytes are data, so that
        // a save writes back every byte that was read.
        constexpr size_t kBlock = 8192;
        std::vector<char> buf(kBlock);
        std::string line;
        bool pendingCR = false;
        for (;;) {
            size_t got = file.Read(buf.data(), kBlock);
            if (got == 0) {
                if (file.Failed()) throw EFOpenError("ファイル " + std::string(FileName) + " を読めません");
                break;
            }
            const char* p = buf.data();
            const char* e = p + got;
            while (p < e) {
                if (pendingCR) {
                    pendingCR = false;
                    if (*p == '\n') {
                        ++p;
                        continue;
                    }
                }
                const char* q = p;
                while (q < e && *q != '\r' && *q != '\n') ++q;
                line.append(p, static_cast<size_t>(q - p));
                p = q;
                if (p == e) break;
                b.Line(line, raLineBreak);
                line.clear();
                pendingCR = *p == '\r';
                ++p;
            }
        }
        if (!line.empty()) b.Line(line, raEndOfText);
        file.Close();
        InitRowStates();
    }
    RefreshViews();
}
