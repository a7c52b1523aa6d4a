#include "U_SQL99.h"

#include <cstring>
#include <utility>

#include "SysUtils.h"
#include "U_SQL99Scan.h"

// ---------------------------------------------------------------------------
// Errors

ESQL99Exception::ESQL99Exception(std::string sql, int32_t errorPosition, std::string msg) : Exception(std::move(msg)) {
    if (errorPosition > 0 && static_cast<size_t>(errorPosition) > sql.size())
        throw Exception("内部エラー：範囲外のインデックスに対してエラーポイント例外を生成しようとしました");
    SQL = std::move(sql);
    ErrorPosition = errorPosition;
}

int32_t ESQL99Exception::GetErrorColumn() const {
    if (ErrorPosition <= 1) return ErrorPosition;
    // The nearest LF before the error position (0-based indexes below ErrorPosition - 1).
    for (int32_t i = ErrorPosition - 2; i >= 0; --i)
        if (SQL[static_cast<size_t>(i)] == '\n') return ErrorPosition - (i + 1);
    return ErrorPosition;
}

namespace sql99 {

void CheckLength(std::string_view text) {
    if (text.size() >= static_cast<size_t>(INT32_MAX))
        throw Exception("SQLテキストが大きすぎます (" + std::to_string(text.size()) + "バイト)");
}
}  // namespace sql99

// ---------------------------------------------------------------------------
// The three scanners, each alone

TSQL99Literal::TSQL99Literal(std::string sql) : SQL(std::move(sql)) {
    QuoteChars.Add("'");
    QuoteChars.Add("\"");
    EscapeChars.Add("\\");
}

void TSQL99Literal::GetRanges(TIndexStartEndList& dest) const {
    dest.Clear();
    sql99::CheckLength(SQL);
    const char* s = SQL.data();
    const size_t n = SQL.size();

    // Marks: every quote character, in text order.
    std::vector<TSQL99Index_QMap> marks;
    for (size_t i = 0; i < n; ++i) {
        const char c = s[i];
        if (c == '\r' || c == '\n') continue;
        for (int q = 0; q < QuoteChars.Count(); ++q) {
            const std::string& quote = QuoteChars[q];
            if (!quote.empty() && quote[0] == c) {
                marks.push_back({static_cast<int32_t>(i + 1), q});
                break;
            }
        }
    }
    auto isEscapeChar = [&](char c) {
        for (const std::string& e : EscapeChars.Items)
            if (!e.empty() && e[0] == c) return true;
        return false;
    };
    auto escaped = [&](int32_t position) {
        const size_t p = static_cast<size_t>(position - 1);  // 0-based, >= 1 for a closing candidate
        return p >= 1 && isEscapeChar(s[p - 1]) && sql99::IsEscaped(s, p, s[p - 1]);
    };

    // Pairing: an opening mark with the next unescaped mark of its kind.
    size_t k = 0;
    while (k < marks.size()) {
        const TSQL99Index_QMap opening = marks[k];
        size_t m = k + 1;
        while (m < marks.size() && (marks[m].QuoteIndex != opening.QuoteIndex || escaped(marks[m].Position))) ++m;
        if (m == marks.size()) throw ESQL99LiteralException(SQL, opening.Position, sql99::kLiteralNotClosed);
        dest.Add(kSQL99LiteralTag, opening.Position, marks[m].Position);
        k = m + 1;
    }
}

void TSQL99LineComment::GetRanges(TIndexStartEndList& dest) const {
    dest.Clear();
    sql99::CheckLength(SQL);
    const char* s = SQL.data();
    const size_t n = SQL.size();
    size_t i = 0;
    while (i < n) {
        if (s[i] != '-') {
            ++i;
        } else if (i + 1 >= n) {
            dest.Add(kSQL99LineCommentTag, static_cast<int32_t>(i + 1), static_cast<int32_t>(i + 1));
            ++i;
        } else if (s[i + 1] == '-') {
            size_t j = i + 2;
            while (j < n && s[j] != '\r' && s[j] != '\n') ++j;
            dest.Add(kSQL99LineCommentTag, static_cast<int32_t>(i + 1), static_cast<int32_t>(j));
            i = j;
        } else {
            ++i;
        }
    }
}

void TSQL99BlockComment::GetRanges(TIndexStartEndList& dest) const {
    dest.Clear();
    sql99::CheckLength(SQL);
    const char* s = SQL.data();
    const size_t n = SQL.size();
    std::vector<TIndexStartEnd*> open;  // the comments still open, latest last
    size_t i = 0;
    while (i < n) {
        if (s[i] == '/' && i + 1 < n && s[i + 1] == '*') {
            auto r = TIndexStartEnd::Create(kSQL99BlockCommentTag, static_cast<int32_t>(i + 1), -1);
            open.push_back(r.get());
            dest.Add(std::move(r));
            i += (i + 3 < n && s[i + 2] == '/' && s[i + 3] == '*') ? 3 : 2;
        } else if (s[i] == '*' && i + 1 < n && s[i + 1] == '/') {
            if (open.empty()) throw ESQL99BlockCommentException(SQL, static_cast<int32_t>(i + 1), sql99::kNoBlockOpen);
            open.back()->EndIndex = static_cast<int32_t>(i + 2);
            open.pop_back();
            i += 2;
        } else {
            ++i;
        }
    }
    const TIndexStartEndList& done = dest;
    for (int k = 0; k < done.Count(); ++k)
        if (done.EndIndexAt(k) < 0)
            throw ESQL99BlockCommentException(SQL, done.StartIndexAt(k), sql99::kBlockNotClosed);
}

// ---------------------------------------------------------------------------
// The combined scan

namespace {

struct ListsSink {
    void Delimiter(int32_t) {}
    TIndexStartEndList& Literals;
    TIndexStartEndList& Lines;
    TIndexStartEndList& Blocks;
    std::vector<TIndexStartEnd*> Open;

    void Literal(int32_t s, int32_t e) { Literals.Add(kSQL99LiteralTag, s, e); }
    void LineComment(int32_t s, int32_t e) { Lines.Add(kSQL99LineCommentTag, s, e); }
    void BlockOpen(int32_t s) {
        auto r = TIndexStartEnd::Create(kSQL99BlockCommentTag, s, -1);
        Open.push_back(r.get());
        Blocks.Add(std::move(r));
    }
    void BlockClose(int32_t, int32_t e, size_t) {
        Open.back()->EndIndex = e;
        Open.pop_back();
    }
};

}  // namespace

void TSQL99Scanner::GetRanges(std::string_view sql, TIndexStartEndList& literals, TIndexStartEndList& lineComments,
                              TIndexStartEndList& blockComments) {
    literals.Clear();
    lineComments.Clear();
    blockComments.Clear();
    ListsSink sink{literals, lineComments, blockComments, {}};
    sql99::Scan(sql, sink);
}

void TSQL99Scanner::GetIgnoreRanges(std::string_view sql, TIndexStartEndList& list) {
    list.Clear();
    sql99::ScanTopLevel(sql, [&](int kind, int32_t s, int32_t e) { list.Add(sql99::kTopLevelTags[kind], s, e); });
    list.Normalize();  // already in order and apart: this only marks it so
}

// ---------------------------------------------------------------------------
// Comment removal

namespace {

using sql99::Removal;
using sql99::Removals;

// The text of a line list made from t: lines split at CR LF, LF or a lone CR,
// each followed by CR LF.
std::string LinesText(std::string_view t) {
    std::string out;
    out.reserve(t.size() + 2);
    size_t i = 0;
    const size_t n = t.size();
    while (i < n) {
        size_t j = i;
        while (j < n && t[j] != '\r' && t[j] != '\n') ++j;
        out.append(t.data() + i, j - i);
        out += "\r\n";
        if (j < n && t[j] == '\r') ++j;
        if (j < n && t[j] == '\n') ++j;
        i = j;
    }
    return out;
}

// The outermost comments of a text, in order; the scanners' errors pass.
Removals CommentsOf(std::string_view s) {
    Removals rm;
    sql99::ScanTopLevel(s, [&](int kind, int32_t b, int32_t e) {
        if (kind != 0) rm.push_back({b, e});
    });
    return rm;
}

}  // namespace

namespace sql99 {

bool IsLinesText(std::string_view t) {
    const size_t n = t.size();
    if (n == 0) return true;
    if (n < 2 || t[n - 2] != '\r' || t[n - 1] != '\n') return false;
    const char* s = t.data();
    size_t i = 0;
#if defined(__SSE2__)
    // Every LF right after a CR and every CR right before an LF, sixteen bytes at a time.
    unsigned carry = 0;  // a CR in the last byte of the previous block
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, cr)));
        const unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, lf)));
        if ((((crs << 1) | carry) & 0xFFFFu) != lfs) return false;
        carry = crs >> 15;
    }
    if (carry && s[i] != '\n') return false;
    if (carry) ++i;
#endif
    for (; i < n; ++i) {
        if (s[i] == '\r' && (i + 1 >= n || s[i + 1] != '\n')) return false;
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r')) return false;
        if (s[i] == '\r') ++i;
    }
    return true;
}

}  // namespace sql99

void TSQL99CommentDelete::DeleteComment(TStrings& lines) {
    std::string s = lines.Text();
    const Removals rm = CommentsOf(s);
    sql99::RemoveRunsInPlace(s, rm, [](size_t, size_t, size_t) {});
    lines.SetText(s);
}

std::string TSQL99CommentDelete::DeleteCommentLinesText(std::string text) {
    if (!sql99::IsLinesText(text)) text = LinesText(text);
    const Removals rm = CommentsOf(text);
    if (rm.empty()) return text;
    sql99::RemoveRunsInPlace(text, rm, [](size_t, size_t, size_t) {});
    return text;
}

std::string TSQL99CommentDelete::DeleteCommentText(std::string_view sql) {
    return sys::Trim(DeleteCommentLinesText(std::string(sql)));
}

// ---------------------------------------------------------------------------
// Statement kind

TSQLKind TSQL99Parser::GetSQLKind(std::string_view sql) {
    const std::string t = TSQL99CommentDelete::DeleteCommentText(sql);  // already trimmed
    // The longest keyword has 8 bytes; only they need upper-casing.
    const std::string head = sys::UpperCase(std::string_view(t).substr(0, 8));
    static const struct {
        const char* Word;
        TSQLKind Kind;
    } kKeywords[] = {{"SELECT", TSQLKind::Query},   {"SHOW", TSQLKind::Query},     {"DESC", TSQLKind::Query},
                     {"DESCRIBE", TSQLKind::Query}, {"INSERT", TSQLKind::Insert}, {"UPDATE", TSQLKind::Update},
                     {"DELETE", TSQLKind::Delete}};
    for (const auto& k : kKeywords)
        if (head.compare(0, std::strlen(k.Word), k.Word) == 0) return k.Kind;
    return TSQLKind::Other;
}

// ---------------------------------------------------------------------------
// Comma breaks

void TSQL99Breaker::GetIgnoreRanges(std::string_view sql, TIndexStartEndList& list) {
    TSQL99Scanner::GetIgnoreRanges(sql, list);
}

TSQL99Breaker::TSQL99Breaker(std::string_view sql) {
    TIndexStartEndList ranges;
    GetIgnoreRanges(sql, ranges);
    const TIndexStartEndList& r = ranges;
    const size_t n = sql.size();
    std::string out;
    out.reserve(n + n / 16);
    size_t i = 0;  // 0-based
    int k = 0;
    while (i < n) {
        const size_t gapEnd = k < r.Count() ? static_cast<size_t>(r.StartIndexAt(k) - 1) : n;
        for (; i < gapEnd; ++i) {
            out.push_back(sql[i]);
            if (sql[i] == ',' && i + 1 < n && sql[i + 1] != '\r' && sql[i + 1] != '\n') out += "\r\n";
        }
        if (k < r.Count()) {
            const size_t e = static_cast<size_t>(r.EndIndexAt(k));
            out.append(sql.data() + i, e - i);
            i = e;
            ++k;
        }
    }
    ResultSQL = std::move(out);
}
