// Random row replacements on random CP932 text, checked after every step
// against a plain string, then undone and redone to the end.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "EditorUtil.h"
#include "FakeView.h"
#include "TestUtil.h"

namespace {

// The text as the store keeps it: CR, LF and CR LF become CR LF.
std::string Normalize(const std::string& t) {
    std::string out;
    out.reserve(t.size() + 16);
    bool first = true;
    ForEachTextLine(t, [&](std::string_view l) {
        if (!first) out += "\r\n";
        out.append(l.data(), l.size());
        first = false;
    });
    if (!t.empty() && (t.back() == '\n' || t.back() == '\r')) out += "\r\n";
    return out;
}

struct Options {
    const char* name;
    bool wrap;
    int wrapByte;
    bool wordBreak, followPunct, leading, followRet;
    int tab;
};

class RandomText {
public:
    explicit RandomText(std::mt19937& rng) : R(rng) {}
    std::string Piece(int tokens, bool breaks) {
        static const char* const words[] = {"a", "b", "xyz", "SELECT", "1", " ", " ", "\t", "漢", "字", "あ", "カ",
                                            "「", "」", "。", "、", "（", "）", ",", ".", "(", ")", "ｱ", "_"};
        std::string s;
        for (int i = 0; i < tokens; ++i) {
            unsigned k = R() % 100;
            if (breaks && k < 8) {
                static const char* const br[] = {"\r\n", "\r\n", "\n", "\r"};
                s += br[R() % 4];
            } else if (k < 10) {
                s.push_back('\0');
            } else if (k < 12) {
                s.push_back('\x81');  // a lead byte without a trail when a break or the end follows
            } else {
                s += words[R() % (sizeof(words) / sizeof(words[0]))];
            }
        }
        return s;
    }
    int Tokens() { return R() % 10 == 0 ? 40 + static_cast<int>(R() % 200) : static_cast<int>(R() % 8); }

private:
    std::mt19937& R;
};

int64_t RowOffset(const TEditorScreenStrings& s, int row) {
    int64_t off = 0;
    for (int r = 0; r < row; ++r) off += static_cast<int64_t>(s.Str(r).size()) + (s.RowAttribute(r) == raLineBreak ? 2 : 0);
    return off;
}

int64_t BlockLen(const TEditorScreenStrings& s, int row, int count) {
    return RowOffset(s, row + count) - RowOffset(s, row);
}

// Everything that must hold after every step.
void CheckStore(TFakeView& v, const std::string& expected, const Options& o, const std::string& where) {
    auto& s = *v.Store;
    ASSERT_EQ(v.Text(), expected) << where;
    int n = s.GetCount();
    uint16_t marks = 0;
    TColumnMetrics m = s.Metrics();
    // Hanging punctuation may pass the edge: a single-byte one and then a
    // double-byte one end at most three columns beyond it.
    int maxWidth = o.wrapByte + (o.followPunct ? 3 : 0);
    for (int r = 0; r < n; ++r) {
        int a = s.RowAttribute(r);
        if (r < n - 1) {
            ASSERT_NE(a, raEndOfText) << where << " row " << r;
        }
        if (!o.wrap) {
            ASSERT_NE(a, raWrapped) << where << " row " << r;
        } else {
            ASSERT_LE(TextColumns(m, s.Str(r)), maxWidth) << where << " row " << r;
        }
        marks = static_cast<uint16_t>(marks | s.RowMarks(r));
    }
    if (n > 0) {
        ASSERT_NE(s.RowAttribute(n - 1), raWrapped) << where;
    }
    ASSERT_EQ(s.GetMarksInUse(), marks) << where;
    // The rows are exactly what cutting the whole text again gives.
    TEditorStringList fresh;
    s.WrapText(expected, fresh);
    if (expected.empty()) {
        ASSERT_EQ(n, 0) << where;
    } else {
        ASSERT_EQ(fresh.Count(), n) << where;
        for (int r = 0; r < n; ++r) {
            ASSERT_EQ(s.Str(r), fresh.Str(r)) << where << " row " << r;
            if (r < n - 1) {
                ASSERT_EQ(s.RowAttribute(r), fresh.RowAttribute(r)) << where << " row " << r;
            }
        }
    }
    int lines = 0;
    ForEachTextLine(expected, [&](std::string_view) { ++lines; });
    ASSERT_EQ(v.Lines->Count(), lines) << where;
}

void RunEdits(const Options& o, unsigned seed, int steps) {
    SCOPED_TRACE(o.name);
    std::mt19937 rng(seed);
    RandomText gen(rng);
    TFakeView v;
    v.Tab = o.tab;
    auto& s = *v.Store;
    s.UndoObj().SetUndoListMax(100000);
    s.WrapOption().SetWrapByte(o.wrapByte);
    s.WrapOption().SetWordBreak(o.wordBreak);
    s.WrapOption().SetFollowPunctuation(o.followPunct);
    s.WrapOption().SetLeading(o.leading);
    s.WrapOption().SetFollowRetMark(o.followRet);
    s.SetWordWrap(o.wrap);
    std::string text;
    for (int i = 0; i < 12; ++i) text += gen.Piece(gen.Tokens() + 1, false) + "\r\n";
    v.Lines->SetText(text);
    std::vector<std::string> history{Normalize(text)};
    CheckStore(v, history.back(), o, "start");
    for (int step = 0; step < steps; ++step) {
        std::string where = "step " + std::to_string(step);
        int n = s.GetCount();
        std::string model = history.back();
        v.SetCol(rng() % 3 == 0 ? 0 : 1 + static_cast<int>(rng() % 5));
        unsigned kind = rng() % 100;
        if (kind < 8 && n > 0) {
            // marks on a random row
            s.SetRowMarks(static_cast<int>(rng() % static_cast<unsigned>(n)), static_cast<uint16_t>(1u << (rng() % 16)));
            continue;
        }
        int index = static_cast<int>(rng() % static_cast<unsigned>(n + 1));
        int count = index == n ? 0 : static_cast<int>(rng() % static_cast<unsigned>(std::min(n - index, 4) + 1));
        int64_t off = RowOffset(s, index);
        int64_t len = BlockLen(s, index, count);
        std::string ins = gen.Piece(gen.Tokens(), true);
        std::string edited;
        if (kind < 50) {
            // whole rows replaced by a text
            if (count == 0 && ins.empty()) continue;
            s.ReplaceRows(index, count, ins);
            edited = model.substr(0, static_cast<size_t>(off)) + ins + model.substr(static_cast<size_t>(off + len));
        } else if (kind < 90) {
            // a few bytes of rows replaced (typing, deleting a character, pasting)
            int64_t start = len == 0 ? 0 : static_cast<int64_t>(rng() % static_cast<unsigned>(len + 1));
            int64_t del = (len - start) == 0 ? 0 : static_cast<int64_t>(rng() % static_cast<unsigned>(std::min<int64_t>(len - start, 6) + 1));
            if (kind < 70) ins = gen.Piece(1 + static_cast<int>(rng() % 2), false);
            if (count == 0 && ins.empty()) continue;
            s.ReplaceRows(index, count, start, del, ins);
            edited = model.substr(0, static_cast<size_t>(off + start)) + ins + model.substr(static_cast<size_t>(off + start + del));
        } else {
            // whole lines deleted
            if (n == 0) continue;
            int first = s.LineStart(static_cast<int>(rng() % static_cast<unsigned>(n)));
            int last = s.LineEnd(first + static_cast<int>(rng() % 3));
            if (last >= n) last = n - 1;
            count = last - first + 1;
            off = RowOffset(s, first);
            len = BlockLen(s, first, count);
            s.ReplaceRows(first, count, "");
            edited = model.substr(0, static_cast<size_t>(off)) + model.substr(static_cast<size_t>(off + len));
        }
        history.push_back(Normalize(edited));
        CheckStore(v, history.back(), o, where);
        if (::testing::Test::HasFatalFailure()) return;
    }
    // Undo everything, then redo everything.
    int steps_ = static_cast<int>(history.size()) - 1;
    ASSERT_EQ(s.UndoObj().UndoList.Count(), steps_);
    for (int k = steps_ - 1; k >= 0; --k) {
        s.Undo();
        CheckStore(v, history[static_cast<size_t>(k)], o, "undo to " + std::to_string(k));
        if (::testing::Test::HasFatalFailure()) return;
    }
    EXPECT_FALSE(s.UndoObj().CanUndo());
    for (int k = 1; k <= steps_; ++k) {
        s.Redo();
        CheckStore(v, history[static_cast<size_t>(k)], o, "redo to " + std::to_string(k));
        if (::testing::Test::HasFatalFailure()) return;
    }
    EXPECT_FALSE(s.UndoObj().CanRedo());
    // Switching wrap keeps the text and leaves rows as a fresh cut gives them.
    Options other = o;
    other.wrap = !o.wrap;
    s.SetWordWrap(other.wrap);
    CheckStore(v, history.back(), other, "wrap switched");
    s.SetWordWrap(o.wrap);
    CheckStore(v, history.back(), o, "wrap switched back");
}

}  // namespace

TEST(RandomEdits, MatchAPlainStringAndUndoToTheStart) {
    const Options runs[] = {
        {"no wrap", false, 80, false, false, false, false, 8},
        {"wrap 20", true, 20, false, false, false, false, 8},
        {"wrap 20, every rule, tab 4", true, 20, true, true, true, true, 4},
        {"wrap 23, word break and punctuation", true, 23, true, true, false, false, 2},
        {"wrap 31, leading and FollowRetMark", true, 31, false, false, true, true, 8},
    };
    unsigned seed = 20240611;
    for (const auto& o : runs) {
        RunEdits(o, seed++, 400);
        if (HasFatalFailure()) return;
    }
}
