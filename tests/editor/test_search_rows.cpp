// The editor's search over its rows: every match is found, forward and
// backward, whatever rows it spans (logical or wrapped) and wherever the rows
// the search reads at once end, checked against a plain byte scan of the
// joined text; each hit lands where placing it step by step puts it, and the
// screen catches up when the event loop runs.
#include <gtest/gtest.h>

#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ViewTestUtil.h"

namespace {

constexpr uint16_t F = soForward, MC = soMatchCase, LB = soIgnoreLineBreaks, BL = soIgnoreBlanks;

// The rows joined as the search sees them (CR LF after each row that ends in a
// line break), and where each row begins in that text.
struct TJoined {
    std::string Text;
    std::vector<size_t> Starts;
};

TJoined Join(TEditor* E) {
    TJoined j;
    for (int r = 0; r < E->RowCount(); ++r) {
        j.Starts.push_back(j.Text.size());
        j.Text += E->RowText(r);
        if (E->RowAttribute(r) == raLineBreak) j.Text += "\r\n";
    }
    return j;
}

// A match of an ASCII pattern at p, case as it is; with Skip, line breaks and
// blanks after its first byte are passed over. The match's length, or 0.
size_t MatchAt(const std::string& T, size_t p, const std::string& Pat, bool Skip) {
    size_t q = p;
    for (size_t k = 0; k < Pat.size();) {
        if (q >= T.size()) return 0;
        if (T[q] == Pat[k]) {
            ++q;
            ++k;
        } else if (Skip && k > 0 && (T[q] == '\r' || T[q] == '\n' || T[q] == ' ' || T[q] == '\t')) {
            ++q;
        } else {
            return 0;
        }
    }
    return q - p;
}

struct THit {
    int Row, Index;
    std::string Text;
    bool operator==(const THit& o) const { return Row == o.Row && Index == o.Index && Text == o.Text; }
};

std::ostream& operator<<(std::ostream& os, const THit& h) {
    return os << "(" << h.Row << "," << h.Index << "," << h.Text.size() << " bytes)";
}

THit HitAt(const TJoined& J, size_t p, size_t len) {
    const size_t k = static_cast<size_t>(std::upper_bound(J.Starts.begin(), J.Starts.end(), p) - J.Starts.begin()) - 1;
    return {static_cast<int>(k), static_cast<int>(p - J.Starts[k]), J.Text.substr(p, len)};
}

// Every match one search after another, by the byte scan: forward from the
// start, each after the end of the last; backward from the end, each at least
// the pattern's length before the start of the last.
std::vector<THit> Scan(TEditor* E, const std::string& Pat, bool Skip, bool Forward) {
    const TJoined j = Join(E);
    std::vector<THit> hits;
    if (Forward) {
        for (size_t p = 0; p < j.Text.size();) {
            const size_t len = MatchAt(j.Text, p, Pat, Skip);
            if (len == 0) {
                ++p;
                continue;
            }
            hits.push_back(HitAt(j, p, len));
            p += len;
        }
    } else {
        long from = static_cast<long>(j.Text.size()) - static_cast<long>(Pat.size());
        for (long p = from; p >= 0; --p) {
            const size_t len = MatchAt(j.Text, static_cast<size_t>(p), Pat, Skip);
            if (len == 0) continue;
            hits.push_back(HitAt(j, static_cast<size_t>(p), len));
            p -= static_cast<long>(Pat.size()) - 1;
        }
    }
    return hits;
}

// The same by the editor, from the top or from below the last row.
std::vector<THit> Found(TEditor* E, const std::string& Pat, uint16_t Options) {
    E->CleanSelection();
    E->SetRowCol((Options & F) ? 0 : E->RowCount(), 0);
    std::vector<THit> hits;
    while (hits.size() < 50 && E->Search(Pat, Options))
        hits.push_back({E->SelStr().StartRow, E->SelStr().StartIndex, E->GetSelText()});
    return hits;
}

using viewtest::ViewFixture;
class SearchRows : public ViewFixture {
protected:
    // Both ways, against the byte scan; the placement in the message.
    void Check(const std::string& Pat, uint16_t Options, const std::string& Where) {
        const bool skip = (Options & LB) != 0;
        const std::vector<THit> forward = Scan(E.get(), Pat, skip, true);
        ASSERT_FALSE(forward.empty()) << Where;
        EXPECT_EQ(Found(E.get(), Pat, Options | F), forward) << Where << ", forward";
        EXPECT_EQ(Found(E.get(), Pat, Options), Scan(E.get(), Pat, skip, false)) << Where << ", backward";
    }
};

// A row of digits and blanks (no letter of the patterns).
std::string Filler(int Width, int Seed) {
    std::string row(static_cast<size_t>(Width), '0');
    for (int i = 0; i < Width; ++i) row[static_cast<size_t>(i)] = "0123456789 "[(Seed * 7 + i) % 11];
    return row;
}

// The rows "ab", "cd", "ef", which the pattern abcdef finds with line breaks
// and blanks skipped, among filler rows, about 8192 bytes from either end of
// the text; the first and the last row take Pad bytes more at each placement,
// so that the 8192nd byte from either end falls on every byte of the three
// rows and of the rows around them.
TEST_F(SearchRows, AMatchOverThreeRowsIsFoundWhereverItLies) {
    E->resize(480, 320);
    for (int width : {38, 98}) {
        const int rowBytes = width + 2;
        const int around = (8192 - 8) / rowBytes;  // filler rows before (and after) the three
        for (int pad = 0; pad <= rowBytes + 8; ++pad) {
            std::string t = std::string(static_cast<size_t>(pad), '7') + "\r\n";
            for (int r = 0; r < around; ++r) t += Filler(width, r) + "\r\n";
            t += "ab\r\ncd\r\nef\r\n";
            for (int r = 0; r < around; ++r) t += Filler(width, r + 5) + "\r\n";
            t += std::string(static_cast<size_t>(pad), '7') + "\r\n";
            SetText(t);
            Check("abcdef", LB | BL | MC, "width " + std::to_string(width) + ", pad " + std::to_string(pad));
            if (HasFatalFailure()) return;
        }
    }
}

// A 45-byte word in a line that wraps every 20 columns, so that it spans three
// rows, about 8192 bytes from either end of the text; the first and the last
// line take Pad bytes more at each placement.
TEST_F(SearchRows, AMatchOverThreeWrappedRowsIsFoundWhereverItLies) {
    E->resize(480, 320);
    E->WrapOption().SetWrapByte(20);
    E->SetWordWrap(true);
    const std::string word = "abcdefghijklmnopqrstuvwABCDEFGHIJKLMNOPQRSTUV";
    ASSERT_EQ(word.size(), 45u);
    auto line = [](int l) {
        std::string s(57, '0');
        for (int i = 0; i < 57; ++i) s[static_cast<size_t>(i)] = static_cast<char>('0' + (l + i) % 10);
        return s + "\r\n";
    };
    const int around = 8192 / 59;
    for (int pad = 0; pad < 60; ++pad) {
        std::string t = std::string(static_cast<size_t>(pad), '7') + "\r\n";
        for (int l = 0; l < around; ++l) t += line(l);
        t += "0123456789" + word + "01\r\n";  // rows of 10 digits and 10 letters, 20 letters, 15 letters and 2 digits
        for (int l = 0; l < around; ++l) t += line(l + 3);
        t += std::string(static_cast<size_t>(pad), '7') + "\r\n";
        SetText(t);
        int wordRow = 0;
        while (wordRow < E->RowCount() && E->RowText(wordRow) != "0123456789abcdefghij") ++wordRow;
        ASSERT_EQ(E->RowText(wordRow + 1), "klmnopqrstuvwABCDEFG");
        ASSERT_EQ(E->RowAttribute(wordRow + 1), raWrapped);
        Check(word, MC, "pad " + std::to_string(pad));
        if (HasFatalFailure()) return;
    }
}

// A match longer than the rows read at once: the blank lines between its two
// characters add up to more than 8192 bytes.
TEST_F(SearchRows, AMatchLongerThanAChunkIsFound) {
    E->resize(480, 320);
    std::string t = "x\r\n" + std::string(100, '9') + "a\r\n";
    for (int i = 0; i < 3000; ++i) t += "  \r\n";
    t += "b" + std::string(50, '9') + "\r\nz\r\n";
    SetText(t);
    Check("ab", LB | BL | MC, "long");
    const std::vector<THit> hits = Found(E.get(), "ab", LB | BL | MC | F);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].Row, 1);
    EXPECT_EQ(hits[0].Text.size(), 1 + 2 + 3000 * 4 + 1u);
}

// A whole word is whole in the joined text: the row before a wrapped row goes
// on into it.
TEST_F(SearchRows, AWholeWordSeesTheRowItContinues) {
    E->resize(480, 320);
    E->WrapOption().SetWrapByte(20);
    E->SetWordWrap(true);
    // "cat" at the start of the second row of a line is part of "xxx...cat"
    SetText(std::string(20, 'x') + "cat yy cat\r\n");
    ASSERT_EQ(E->RowText(1), "cat yy cat");
    for (int from : {0, 1}) {
        E->CleanSelection();
        E->SetRowCol(from, 0);
        ASSERT_TRUE(E->Search("cat", soWholeWord | F)) << from;
        EXPECT_EQ(E->SelStr().StartRow, 1);
        EXPECT_EQ(E->SelStr().StartIndex, 7);
        EXPECT_FALSE(E->Search("cat", soWholeWord | F));
    }
    EXPECT_EQ(Found(E.get(), "cat", soWholeWord).size(), 1u);
}

// With the caret hit style the caret stands at the hit's start; the next
// search still starts right after the hit.
TEST_F(SearchRows, TheNextSearchStartsRightAfterACaretHit) {
    ShowFocused();
    E->SetHitStyle(hsCaret);
    SetText("abab ab\r\n");
    E->SetRowCol(0, 0);
    std::vector<int> at;
    while (at.size() < 5 && E->Search("ab", F | MC)) at.push_back(E->SelStr().StartIndex);
    EXPECT_EQ(at, (std::vector<int>{0, 2, 5}));
}

// A pattern with a line break at an end. The text's line breaks are CR LF, and
// the caret never stands between the CR and the LF: a hit is exactly the bytes
// of a match, so a match that begins or ends inside a line break is passed
// over, and the next search goes on past it.
struct TBreakCase {
    const char* Pattern;
    std::vector<size_t> Forward;  // where the hits begin in the joined text, one search after another
    std::vector<size_t> Backward;
};

void PrintTo(const TBreakCase& C, std::ostream* Os) { *Os << ::testing::PrintToString(std::string(C.Pattern)); }

class SearchLineBreaks : public ViewFixture, public ::testing::WithParamInterface<TBreakCase> {};

TEST_P(SearchLineBreaks, HitsAreTheMatchedBytes) {
    const TBreakCase& c = GetParam();
    const std::string pat = c.Pattern;
    for (bool focus : {false, true}) {
        if (focus) ShowFocused();
        for (int hitStyle : {hsSelect, hsDraw}) {
            E->SetHitStyle(static_cast<TEditorHitStyle>(hitStyle));
            SetText("ab\r\ncd\r\nab\r\ncd\r\n");
            const TJoined j = Join(E.get());
            for (bool forward : {true, false}) {
                const std::vector<size_t>& at = forward ? c.Forward : c.Backward;
                std::vector<THit> want;
                for (size_t p : at) want.push_back(HitAt(j, p, pat.size()));
                E->CleanSelection();
                E->SetRowCol(forward ? 0 : E->RowCount(), 0);
                std::vector<THit> got;
                while (got.size() < 10 && E->Search(pat, forward ? F | MC : MC)) {
                    E->ConfirmSelection();  // a drawn hit reads as selected
                    got.push_back({E->SelStr().StartRow, E->SelStr().StartIndex, E->GetSelText()});
                }
                EXPECT_EQ(got, want) << (forward ? "forward" : "backward") << ", focus " << focus << ", style "
                                     << hitStyle;
                // nothing more: the caret and the last hit stay
                if (!got.empty()) {
                    EXPECT_EQ(E->GetSelText(), pat);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, SearchLineBreaks,
    ::testing::Values(TBreakCase{"\r\n", {2, 6, 10, 14}, {14, 10, 6, 2}},
                      TBreakCase{"\r\ncd", {2, 10}, {10, 2}},
                      TBreakCase{"b\r\n", {1, 9}, {9, 1}},
                      TBreakCase{"b\r\nc", {1, 9}, {9, 1}},
                      TBreakCase{"\ncd", {}, {}},
                      TBreakCase{"\r", {}, {}},
                      TBreakCase{"\n", {}, {}},
                      TBreakCase{"b\r", {}, {}},
                      TBreakCase{"\nab\r", {}, {}},
                      TBreakCase{"\n\r", {}, {}},
                      TBreakCase{"d\r\nab\r\n", {5}, {5}}),
    [](const ::testing::TestParamInfo<TBreakCase>& i) { return "p" + std::to_string(i.index); });

// ---- placing the hits ---------------------------------------------------------------------------------

struct TState {
    int Row, Col, TopRow, TopCol, LeftScroll, SelState, HitLength, SelStart, SelLength, Underline;
    TSelStrRec Sel;
    TSelDrawRec Draw;
    std::string Text;
};

TState StateOf(TEditor* E) {
    return {E->Row(),       E->Col(),         E->TopRow(),      E->TopCol(),
            E->LeftScroll(), E->SelState(),   E->HitLength(),   E->GetSelStart(),
            E->GetSelLength(), E->UnderlineUpdateCount(), E->SelStr(), E->SelDraw(), E->GetSelText()};
}

void ExpectSame(const TState& A, const TState& B, const std::string& Where) {
    EXPECT_EQ(A.Row, B.Row) << Where;
    EXPECT_EQ(A.Col, B.Col) << Where;
    EXPECT_EQ(A.TopRow, B.TopRow) << Where;
    EXPECT_EQ(A.TopCol, B.TopCol) << Where;
    EXPECT_EQ(A.LeftScroll, B.LeftScroll) << Where;
    EXPECT_EQ(A.SelState, B.SelState) << Where;
    EXPECT_EQ(A.HitLength, B.HitLength) << Where;
    EXPECT_EQ(A.SelStart, B.SelStart) << Where;
    EXPECT_EQ(A.SelLength, B.SelLength) << Where;
    EXPECT_EQ(A.Underline, B.Underline) << Where;
    EXPECT_EQ(A.Sel.StartRow, B.Sel.StartRow) << Where;
    EXPECT_EQ(A.Sel.EndRow, B.Sel.EndRow) << Where;
    EXPECT_EQ(A.Sel.StartIndex, B.Sel.StartIndex) << Where;
    EXPECT_EQ(A.Sel.EndIndex, B.Sel.EndIndex) << Where;
    EXPECT_TRUE(A.Draw == B.Draw) << Where;
    EXPECT_EQ(A.Text, B.Text) << Where;
}

// A hit placed the long way: the selection removed, the caret put at the hit's
// start, the hit shown by its length, the caret scrolled into view.
void PlaceStepByStep(TEditor* E, int Row, int Index, int Length) {
    E->CleanSelection();
    E->SetCaretByOffset(Row, Index);
    E->SetHitSelLength(Length);
    E->EmScrollCaret();
}

// Rows with hits in short and long rows, after tabs and double-byte
// characters, over line breaks, and past the last column the caret can reach.
std::string MixedText() {
    std::string t;
    for (int i = 0; i < 400; ++i) {
        switch (i % 8) {
            case 0: t += "select\tid, \x95\x5C name from t" + std::to_string(i) + " where x = 'ab'\r\n"; break;
            case 1: t += std::string(static_cast<size_t>(i % 97), ' ') + "ab\r\n"; break;
            case 2: t += "\x83\x5C\x83\x5C\tab" + std::string(static_cast<size_t>(i), 'q') + "a\r\n"; break;
            case 3: t += "b ab\r\n"; break;
            case 4: t += std::string(9000, 'z') + "ab" + std::string(static_cast<size_t>(i), 'z') + "\r\n"; break;
            default: t += "no match on row " + std::to_string(i) + "\r\n"; break;
        }
    }
    return t;
}

class SearchPlacing : public ViewFixture {
protected:
    // Every match from where Start leaves the caret: after each search the
    // caret, the hit and the view are what placing that hit step by step from
    // the state the search before left gives.
    void Compare(const std::string& Pat, uint16_t Options, const std::function<void()>& Start,
                 const std::string& Where) {
        Start();
        std::vector<TState> got;
        std::vector<std::pair<TSelStrRec, int>> hits;
        while (E->Search(Pat, Options)) {
            got.push_back(StateOf(E.get()));
            hits.emplace_back(E->SelStr(), E->HitLength());
            ASSERT_LT(got.size(), 2000u) << Where;
        }
        // the last hit's selection grows from where it was anchored
        K(Qt::Key_Right, Qt::ShiftModifier);
        const TState extended = StateOf(E.get());
        Start();
        for (size_t k = 0; k < hits.size(); ++k) {
            PlaceStepByStep(E.get(), hits[k].first.StartRow, hits[k].first.StartIndex, hits[k].second);
            ExpectSame(StateOf(E.get()), got[k], Where + ", hit " + std::to_string(k));
            if (HasFailure()) return;
        }
        K(Qt::Key_Right, Qt::ShiftModifier);
        ExpectSame(StateOf(E.get()), extended, Where + ", extended");
    }
    std::function<void()> From(int Row, int Col) {
        return [this, Row, Col] {
            E->CleanSelection();
            E->SetTopRow(0);
            E->SetTopCol(0);
            E->SetRowCol(Row, Col);
        };
    }
};

TEST_F(SearchPlacing, EachHitLandsAsPlacedStepByStep) {
    E->resize(480, 320);
    SetText(MixedText());
    for (bool focus : {false, true}) {
        if (focus) ShowFocused();
        ASSERT_EQ(E->hasFocus(), focus);
        for (bool wrap : {false, true}) {
            E->SetWordWrap(wrap);
            const int rows = E->RowCount();
            for (uint16_t options : {uint16_t(F), uint16_t(F | LB | BL), uint16_t(0), uint16_t(LB | BL)}) {
                for (int from : {0, rows / 3, rows}) {
                    Compare("ab", options, From(from, 0),
                            "focus " + std::to_string(focus) + ", wrap " + std::to_string(wrap) + ", options " +
                                std::to_string(options) + ", from " + std::to_string(from));
                    if (HasFailure()) return;
                }
            }
            Compare("\x95\x5C", F, From(0, 0), "hyou, focus " + std::to_string(focus));
            // a routine that finds bytes where they lie, halves of characters too
            TSearchTextProc old = EditorSearchTextProc;
            EditorSearchTextProc = &viewtest::PlainSearch;
            for (const char* pat : {"\x5C", "\x83"})
                for (uint16_t options : {uint16_t(F), uint16_t(0)})
                    Compare(pat, options, From(options ? 0 : rows, 0), "bytes, focus " + std::to_string(focus));
            EditorSearchTextProc = old;
            if (HasFailure()) return;
        }
        E->SetWordWrap(false);
        // drawn hits, and the marks of the caret's row and column shown
        E->SetHitStyle(hsDraw);
        E->Marks().Underline().SetVisible(true);
        E->Ruler().SetVisible(true);
        Compare("ab", F, From(0, 0), "hsDraw, focus " + std::to_string(focus));
        E->SetHitStyle(hsSelect);
        E->Marks().Underline().SetVisible(false);
        E->Ruler().SetVisible(false);
    }
}

TEST_F(SearchPlacing, TheCaretsRememberedColumnCountsAsTheStepsCountIt) {
    ShowFocused();
    E->Caret().KeepCaret = true;
    E->Caret().FreeCaret = false;
    const std::string wide(300, 'x');
    std::string t = wide + "\r\nx\r\n";
    for (int i = 0; i < 60; ++i) t += i % 3 == 2 ? "ab\r\n" : "   ab" + wide + "\r\n";
    SetText(t);
    for (int col : {4, 12, 100, 200}) {
        // the caret moves down onto a short row and remembers its column, which
        // the first hit's row gives back on the way (and may scroll the view to)
        Compare("ab", F, [&] {
            E->CleanSelection();
            E->SetTopRow(0);
            E->SetRowCol(0, col);
            K(Qt::Key_Down);
            E->SetTopCol(0);
        }, "from column " + std::to_string(col));
        if (HasFailure()) return;
    }
}

// The screen a search leaves is the one a full paint of the editor shows: what
// the hits changed is painted, and nothing old stays.
TEST_F(SearchPlacing, TheScreenShowsTheLastHitOnly) {
    ShowFocused();
    E->Marks().Underline().SetVisible(true);
    E->Ruler().SetVisible(true);
    std::string t;
    for (int i = 0; i < 300; ++i) t += i % 6 == 3 ? "select ab from t\r\n" : "row " + std::to_string(i) + "\r\n";
    SetText(t);
    QApplication::processEvents();
    auto screen = [&] {
        return E->screen()->grabWindow(E->winId()).toImage().copy(E->viewport()->geometry());
    };
    auto painted = [&] { return E->viewport()->grab().toImage(); };
    ASSERT_EQ(screen().size(), painted().size());
    int topChanges = 0, selectionChanges = 0;
    E->OnTopRowChange = [&](TObject*) { ++topChanges; };
    E->OnSelectionChange = [&](TObject*, bool) { ++selectionChanges; };
    // hits within the view, painted now and then; then hits that scroll it
    for (int searches : {1, 1, 3, 2, 40, 1}) {
        for (int k = 0; k < searches; ++k) ASSERT_TRUE(E->Search("ab", F));
        if (searches == 2) E->viewport()->repaint();  // a paint before the event loop runs
        EXPECT_EQ(topChanges, 0);  // the notifications wait for the event loop
        EXPECT_EQ(selectionChanges, 0);
        QApplication::processEvents();
        EXPECT_EQ(selectionChanges, 1);
        EXPECT_LE(topChanges, 1);
        selectionChanges = topChanges = 0;
        EXPECT_EQ(E->verticalScrollBar()->value(), E->TopRow());
        EXPECT_EQ(E->horizontalScrollBar()->value(), E->TopCol());
        EXPECT_TRUE(E->CaretShown());
        EXPECT_EQ(screen(), painted()) << "after " << searches << " searches, top row " << E->TopRow();
        if (HasFailure()) return;
    }
}

}  // namespace
