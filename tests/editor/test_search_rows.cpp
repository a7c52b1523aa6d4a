// The editor's search over its rows: every match is found, forward and
// backward, whatever rows it spans (logical or wrapped) and wherever the rows
// the search reads at once end, checked against a plain byte scan of the
// joined text; search runs end as the searches of the run do one by one.
#include <gtest/gtest.h>

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

// ---- search runs

struct TState {
    int Row, Col, TopRow, TopCol, SelState;
    TSelStrRec Sel;
    TSelDrawRec Draw;
    std::string Text;
};

TState StateOf(TEditor* E) {
    return {E->Row(), E->Col(), E->TopRow(), E->TopCol(), E->SelState(), E->SelStr(), E->SelDraw(), E->GetSelText()};
}

void ExpectSame(const TState& A, const TState& B, const std::string& Where) {
    EXPECT_EQ(A.Row, B.Row) << Where;
    EXPECT_EQ(A.Col, B.Col) << Where;
    EXPECT_EQ(A.TopRow, B.TopRow) << Where;
    EXPECT_EQ(A.TopCol, B.TopCol) << Where;
    EXPECT_EQ(A.SelState, B.SelState) << Where;
    EXPECT_EQ(A.Sel.StartRow, B.Sel.StartRow) << Where;
    EXPECT_EQ(A.Sel.EndRow, B.Sel.EndRow) << Where;
    EXPECT_EQ(A.Sel.StartIndex, B.Sel.StartIndex) << Where;
    EXPECT_EQ(A.Sel.EndIndex, B.Sel.EndIndex) << Where;
    EXPECT_TRUE(A.Draw == B.Draw) << Where;
    EXPECT_EQ(A.Text, B.Text) << Where;
}

class SearchRuns : public ViewFixture {
protected:
    std::unique_ptr<TEditor> Twin{MakeEditor<TEditor>()};
    void Both(const std::function<void(TEditor*)>& Do) {
        Do(E.get());
        Do(Twin.get());
    }
    // Every match from (Row, Col) one by one in E and inside a run in Twin: the
    // same count and the same caret, hit and view at the end.
    void Compare(const std::string& Pat, uint16_t Options, int Row, int Col, const std::string& Where) {
        Both([&](TEditor* e) {
            e->CleanSelection();
            e->SetTopRow(0);
            e->SetTopCol(0);
            e->SetRowCol(Row, Col);
        });
        int one = 0, run = 0;
        while (E->Search(Pat, Options)) ++one;
        {
            TEditor::TSearchRun r(*Twin);
            while (Twin->Search(Pat, Options)) ++run;
        }
        EXPECT_EQ(one, run) << Where;
        ExpectSame(StateOf(E.get()), StateOf(Twin.get()), Where);
    }
};

TEST_F(SearchRuns, EndAsTheSearchesOneByOne) {
    // hits in short and long rows, after tabs and double-byte characters, over
    // line breaks, and past the last column the caret can reach
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
    Both([&](TEditor* e) {
        e->resize(480, 320);
        e->Lines().SetText(t);
    });
    for (bool wrap : {false, true}) {
        Both([&](TEditor* e) { e->SetWordWrap(wrap); });
        const int rows = E->RowCount();
        for (uint16_t options : {uint16_t(F), uint16_t(F | LB | BL), uint16_t(0), uint16_t(LB | BL)}) {
            for (int from : {0, rows / 3, rows}) {
                Compare("ab", options, from, 0,
                        "wrap " + std::to_string(wrap) + ", options " + std::to_string(options) + ", from " +
                            std::to_string(from));
                if (HasFailure()) return;
            }
        }
        Compare("\x95\x5C", F, 0, 0, "hyou");
    }
    // hits drawn in the hit colours end as such
    Both([&](TEditor* e) {
        e->SetWordWrap(false);
        e->SetHitStyle(hsDraw);
    });
    Compare("ab", F, 0, 0, "hsDraw");
    EXPECT_EQ(Twin->SelState(), 3);
}

TEST_F(SearchRuns, PlaceNothingUntilTheRunEnds) {
    E->resize(480, 320);
    SetText("ab\r\nxx ab\r\nab\r\n");
    E->SetRowCol(0, 1);
    int changes = 0;
    E->OnSelectionChange = [&](TObject*, bool) { ++changes; };
    {
        TEditor::TSearchRun run(*E);
        int found = 0;
        while (E->Search("ab", F)) ++found;
        EXPECT_EQ(found, 2);
        EXPECT_EQ(E->Row(), 0);
        EXPECT_EQ(E->Col(), 1);
        EXPECT_EQ(changes, 0);
        {
            TEditor::TSearchRun inner(*E);  // nested: the outer run places
        }
        EXPECT_EQ(changes, 0);
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(E->SelStr().StartRow, 2);
    EXPECT_EQ(E->GetSelText(), "ab");
    // a hit whose text changed before the run ended is not placed
    E->CleanSelection();
    E->SetRowCol(0, 0);
    {
        TEditor::TSearchRun run(*E);
        ASSERT_TRUE(E->Search("ab", F));
        E->Lines().Put(0, "changed");
    }
    EXPECT_FALSE(E->GetSelected());
}

}  // namespace
