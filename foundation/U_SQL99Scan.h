// The one-pass scanner behind TSQL99Scanner, comment removal, comma breaks,
// TSQL99Ignore and the splitter. Internal to the SQL modules of this folder.
// It reads a text as the program's splitter does (a backslash before a quote
// escapes it); texts read as a database reads them have their own readers
// (data/OdbcSqlText.cpp, client/U_DescTreeManagerValues.cpp), which say why.
#pragma once
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "CP932.h"
#include "LargeBlock.h"
#include "T_5CTable.h"
#include "U_SQL99.h"

namespace sql99 {

inline constexpr const char* kLiteralNotClosed = "リテラルが終了していません";
inline constexpr const char* kNoBlockOpen = "ブロックコメント開始がありません";
inline constexpr const char* kBlockNotClosed = "ブロックコメントが閉じていません";

// True when the quote at the 0-based index p (p >= 1) is escaped: a backslash
// before it that is not the trail byte of a 0x5C character, and no such
// character at the two bytes before that either.
inline bool IsEscaped(const char* s, size_t p, char escape = '\\') {
    if (s[p - 1] != escape) return false;
    if (p >= 2 && t5c::IsPair(s + p - 2)) return false;
    if (p >= 3 && t5c::IsPair(s + p - 3)) return false;
    return true;
}

// True when the byte at the 0-based index p is the second byte of a
// double-byte character: an odd run of lead bytes stands right before it (a
// lead byte takes the next byte along; any other byte ends a character).
inline bool IsTrailByte(const char* s, size_t p) {
    size_t k = p;
    while (k > 0 && cp932::IsLeadByte(s[k - 1])) --k;
    return ((p - k) & 1) != 0;
}

// True when a byte can be the second byte of a double-byte character: a
// delimiter of that kind is looked at twice.
inline constexpr bool CanBeTrailByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 0x40 && u <= 0x7E) || (u >= 0x80 && u <= 0xFC);
}

// Raises when a text is too long for 32-bit positions.
void CheckLength(std::string_view text);

// The first index >= i below n whose byte is one of the N bytes, or n.
// Sixteen bytes at a time where SSE2 is there.
template <int N>
struct ByteFinder {
    explicit ByteFinder(const char (&bytes)[N + 1]) {
        for (int k = 0; k < N; ++k) {
            Hit[static_cast<unsigned char>(bytes[k])] = true;
#if defined(__SSE2__)
            V[k] = _mm_set1_epi8(bytes[k]);
#endif
        }
    }
    size_t Find(const char* s, size_t i, size_t n) const {
#if defined(__SSE2__)
        while (i + 16 <= n) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            __m128i m = _mm_cmpeq_epi8(x, V[0]);
            for (int k = 1; k < N; ++k) m = _mm_or_si128(m, _mm_cmpeq_epi8(x, V[k]));
            const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(m));
            if (bits) return i + static_cast<size_t>(__builtin_ctz(bits));
            i += 16;
        }
#endif
        while (i < n && !Hit[static_cast<unsigned char>(s[i])]) ++i;
        return i;
    }
    bool Hit[256] = {};
#if defined(__SSE2__)
    __m128i V[N];
#endif
};

// Walks the text once, left to right, and reports with 1-based inclusive
// positions:
//   sink.Literal(start, end)
//   sink.LineComment(start, end)
//   sink.BlockOpen(start)
//   sink.BlockClose(start, end, depthAfter)   depthAfter 0: an outermost comment closed
//   sink.Delimiter(position)                  only when wantDelimiter: a delimiter byte
//                                             in the code, outside literals and comments
// Raises the scanners' errors once the walk shows them: an unclosed literal at
// once (nothing after its opening quote can be anything else), a stray "*/"
// and an unclosed "/*" at the end of the text, the first stray "*/" first.
template <class Sink>
void Scan(std::string_view text, Sink& sink, bool wantDelimiter = false, char delimiter = 0) {
    CheckLength(text);
    const char* s = text.data();
    const size_t n = text.size();
    const char codeBytes[] = {'\'', '"', '-', '/', '*', wantDelimiter ? delimiter : '\'', 0};
    const ByteFinder<6> code(codeBytes);
    const ByteFinder<2> lineEnd("\r\n");
    const ByteFinder<2> blockMark("*/");
    const ByteFinder<1> apostrophe("'"), doubleQuote("\"");
    std::vector<int32_t> open;  // 0-based starts of the open block comments, outermost first
    size_t stray = SIZE_MAX;    // 0-based '*' of the first "*/" with no open comment
    size_t i = 0;
    auto pos = [](size_t p) { return static_cast<int32_t>(p + 1); };
    auto openBlock = [&] {
        open.push_back(static_cast<int32_t>(i));
        sink.BlockOpen(pos(i));
        // "/*/*": the second '/' opens nothing, its '*' may begin a "*/".
        i += (i + 3 < n && s[i + 2] == '/' && s[i + 3] == '*') ? 3 : 2;
    };
    // A byte that begins nothing: it may still be the delimiter, unless it is
    // the second byte of a double-byte character.
    const bool delimiterMayBeTrail = CanBeTrailByte(delimiter);
    auto plain = [&] {
        if (wantDelimiter && s[i] == delimiter && !(delimiterMayBeTrail && IsTrailByte(s, i))) sink.Delimiter(pos(i));
        ++i;
    };
    while (i < n) {
        if (open.empty()) {
            i = code.Find(s, i, n);
            if (i >= n) break;
            const char c = s[i];
            if (c == '\'' || c == '"') {
                const ByteFinder<1>& quote = c == '"' ? doubleQuote : apostrophe;
                size_t j = i + 1;
                for (;;) {
                    j = quote.Find(s, j, n);
                    if (j >= n) throw ESQL99LiteralException(std::string(text), pos(i), kLiteralNotClosed);
                    if (!IsEscaped(s, j)) break;
                    ++j;
                }
                sink.Literal(pos(i), pos(j));
                i = j + 1;
            } else if (c == '-') {
                if (i + 1 >= n) {
                    sink.LineComment(pos(i), pos(i));
                    i = n;
                } else if (s[i + 1] == '-') {
                    const size_t j = lineEnd.Find(s, i + 2, n);
                    sink.LineComment(pos(i), static_cast<int32_t>(j));
                    i = j;
                } else {
                    plain();
                }
            } else if (c == '/') {
                if (i + 1 < n && s[i + 1] == '*') openBlock();
                else plain();
            } else if (c == '*') {
                if (i + 1 < n && s[i + 1] == '/') {
                    if (stray == SIZE_MAX) stray = i;
                    i += 2;
                } else {
                    plain();
                }
            } else {
                plain();
            }
        } else {
            i = blockMark.Find(s, i, n);
            if (i + 1 >= n) break;
            if (s[i] == '/' && s[i + 1] == '*') {
                openBlock();
            } else if (s[i] == '*' && s[i + 1] == '/') {
                const int32_t start = open.back();
                open.pop_back();
                sink.BlockClose(start + 1, pos(i + 1), open.size());
                i += 2;
            } else {
                ++i;
            }
        }
    }
    if (stray != SIZE_MAX) throw ESQL99BlockCommentException(std::string(text), pos(stray), kNoBlockOpen);
    if (!open.empty()) throw ESQL99BlockCommentException(std::string(text), open.front() + 1, kBlockNotClosed);
}

// A sink that hears only the outermost ranges, in text order, as
// Derived::Range(kind, start, end) (kind 0 literal, 1 line comment, 2 block
// comment): the merged form of the three lists, nested block comments inside
// the outer one.
template <class Derived>
struct TopLevelSink {
    void Literal(int32_t s, int32_t e) { static_cast<Derived*>(this)->Range(0, s, e); }
    void LineComment(int32_t s, int32_t e) { static_cast<Derived*>(this)->Range(1, s, e); }
    void BlockOpen(int32_t) {}
    void BlockClose(int32_t s, int32_t e, size_t depthAfter) {
        if (depthAfter == 0) static_cast<Derived*>(this)->Range(2, s, e);
    }
    void Delimiter(int32_t) {}
};

// Scans the text and hands the outermost ranges to fn(kind, start, end).
template <class F>
void ScanTopLevel(std::string_view text, F&& fn) {
    struct Sink : TopLevelSink<Sink> {
        explicit Sink(F& f) : Fn(f) {}
        void Range(int kind, int32_t s, int32_t e) { Fn(kind, s, e); }
        F& Fn;
    } sink(fn);
    Scan(text, sink);
}

inline constexpr const char* kTopLevelTags[3] = {kSQL99LiteralTag, kSQL99LineCommentTag, kSQL99BlockCommentTag};

// ---------------------------------------------------------------------------
// Comment removal in place

struct Removal {
    int32_t Start, End;  // 1-based, inclusive
};
using Removals = std::vector<Removal, largeblock::Allocator<Removal>>;
using Positions = std::vector<int32_t, largeblock::Allocator<int32_t>>;

// True when the text is in the form a line list gives it: every line break a
// CR LF pair and a CR LF at the end (or no text at all).
bool IsLinesText(std::string_view t);

// Takes the comment runs (sorted, apart) out of a text in place: a run
// between two bytes that are not blanks (0x20 or below) leaves one blank; a
// line left with nothing, that lost bytes to a comment, goes with its line
// break (CR LF, a lone CR or a lone LF, as a line list reads them). Before
// each kept piece moves, moved(inStart, inEnd, outStart) is told where
// (0-based, end exclusive); blank(outPos) is told where each blank that
// stands for a run goes, after the pieces before it.
struct NoBlank {
    void operator()(size_t) const {}
};
template <class Moved, class Blank = NoBlank>
void RemoveRunsInPlace(std::string& text, const Removals& runs, Moved&& moved, Blank&& blank = Blank()) {
    char* s = text.data();
    const size_t n = text.size();
    size_t w = 0;          // output length
    size_t i = 0;          // input read position
    size_t lineStart = 0;  // where the last output line begins, as far as seen
    size_t seen = 0;       // output below this has been looked at for line breaks
    auto keep = [&](size_t to) {
        if (to <= i) return;
        moved(i, to, w);
        if (w != i) std::memmove(s + w, s + i, to - i);
        w += to - i;
        i = to;
    };
    size_t k = 0;
    while (k < runs.size()) {
        const size_t a = static_cast<size_t>(runs[k].Start - 1);
        size_t b = static_cast<size_t>(runs[k].End);  // 0-based, after the run
        for (++k; k < runs.size() && static_cast<size_t>(runs[k].Start - 1) == b; ++k) b = static_cast<size_t>(runs[k].End);
        keep(a);
        const bool blankBefore = a == 0 || static_cast<unsigned char>(s[a - 1]) <= 0x20;
        const bool blankAfter = b >= n || static_cast<unsigned char>(s[b]) <= 0x20;
        i = b;
        if (!blankBefore && !blankAfter) {
            blank(w);
            s[w++] = ' ';
        } else if (b >= n || s[b] == '\r' || s[b] == '\n') {
            // The line ends here: without any byte left it goes, line break and all.
            for (size_t p = w; p > seen; --p)
                if (s[p - 1] == '\n' || s[p - 1] == '\r') {
                    lineStart = p;
                    break;
                }
            seen = w;
            if (w == lineStart && b < n) i = b + ((s[b] == '\r' && b + 1 < n && s[b + 1] == '\n') ? 2 : 1);
        }
    }
    keep(n);
    text.resize(w);
}

}  // namespace sql99
