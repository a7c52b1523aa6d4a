// The one-pass scanner behind TSQL99Scanner, comment removal, comma breaks
// and TSQL99Ignore. Internal to the SQL modules of this folder.
#pragma once
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

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

// Raises when a text is too long for 32-bit positions.
void CheckLength(std::string_view text);

struct ByteClass {
    bool Special[256] = {};
    constexpr ByteClass() {
        Special[static_cast<unsigned char>('\'')] = true;
        Special[static_cast<unsigned char>('"')] = true;
        Special[static_cast<unsigned char>('-')] = true;
        Special[static_cast<unsigned char>('/')] = true;
        Special[static_cast<unsigned char>('*')] = true;
    }
};
inline constexpr ByteClass kCodeBytes{};

// Walks the text once, left to right, and reports with 1-based inclusive
// positions:
//   sink.Literal(start, end)
//   sink.LineComment(start, end)
//   sink.BlockOpen(start)
//   sink.BlockClose(start, end, depthAfter)   depthAfter 0: an outermost comment closed
// Raises the scanners' errors once the walk shows them: an unclosed literal at
// once (nothing after its opening quote can be anything else), a stray "*/"
// and an unclosed "/*" at the end of the text, the first stray "*/" first.
template <class Sink>
void Scan(std::string_view text, Sink& sink) {
    CheckLength(text);
    const char* s = text.data();
    const size_t n = text.size();
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
    while (i < n) {
        if (open.empty()) {
            while (i < n && !kCodeBytes.Special[static_cast<unsigned char>(s[i])]) ++i;
            if (i >= n) break;
            const char c = s[i];
            if (c == '\'' || c == '"') {
                size_t j = i + 1;
                for (;;) {
                    const void* q = j < n ? std::memchr(s + j, c, n - j) : nullptr;
                    if (!q) throw ESQL99LiteralException(std::string(text), pos(i), kLiteralNotClosed);
                    j = static_cast<size_t>(static_cast<const char*>(q) - s);
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
                    size_t j = i + 2;
                    while (j < n && s[j] != '\r' && s[j] != '\n') ++j;
                    sink.LineComment(pos(i), static_cast<int32_t>(j));
                    i = j;
                } else {
                    ++i;
                }
            } else if (c == '/') {
                if (i + 1 < n && s[i + 1] == '*') openBlock();
                else ++i;
            } else {  // '*'
                if (i + 1 < n && s[i + 1] == '/') {
                    if (stray == SIZE_MAX) stray = i;
                    i += 2;
                } else {
                    ++i;
                }
            }
        } else {
            while (i < n && s[i] != '/' && s[i] != '*') ++i;
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

// Reports only the outermost ranges to fn(kind, start, end), in text order
// (kind 0 literal, 1 line comment, 2 block comment): the merged form of the
// three lists, nested block comments inside the outer one.
template <class F>
struct TopLevelSink {
    F& Fn;
    void Literal(int32_t s, int32_t e) { Fn(0, s, e); }
    void LineComment(int32_t s, int32_t e) { Fn(1, s, e); }
    void BlockOpen(int32_t) {}
    void BlockClose(int32_t s, int32_t e, size_t depthAfter) {
        if (depthAfter == 0) Fn(2, s, e);
    }
};

template <class F>
void ScanTopLevel(std::string_view text, F&& fn) {
    TopLevelSink<std::remove_reference_t<F>> sink{fn};
    Scan(text, sink);
}

}  // namespace sql99
