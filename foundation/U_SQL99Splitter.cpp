#include "U_SQL99Splitter.h"

#include <cstring>

#include "U_SQL99Scan.h"

// ---------------------------------------------------------------------------
// TSQL99Ignore

void TSQL99Ignore::GetIgnoreRanges(TIndexStartEndList& list) const {
    TSQL99Scanner::GetIgnoreRanges(Text, list);
}

void TSQL99Ignore::FillIgnored(char fillChar, std::string& result) const {
    FillIgnoredText(Text, fillChar, result);
}

void TSQL99Ignore::FillIgnoredText(std::string_view sql, char fillChar, std::string& result) {
    std::string filled(sql);
    sql99::ScanTopLevel(sql, [&](int, int32_t s, int32_t e) {
        std::memset(filled.data() + (s - 1), static_cast<unsigned char>(fillChar), static_cast<size_t>(e - s + 1));
    });
    result = std::move(filled);
}

// ---------------------------------------------------------------------------
// TSQL99Splitter

TSQL99Splitter::TSQL99Splitter(std::string text, char delimiter, uint8_t mode)
    : Text(std::move(text)), Mode(mode), Delimiter(delimiter) {
    Split();
}

void TSQL99Splitter::Split() {
    IgnoreRanges.Clear();
    StatementRanges.Clear();
    DelimiterRanges.Clear();
    TSQL99Scanner::GetIgnoreRanges(Text, IgnoreRanges);  // what TSQL99Ignore gives, without copying the text
    if (Mode == smDelimiter) FindDelimiters();
    else if (Mode == smBlock) FindBlockDelimiters();
    BuildStatementRanges();
}

void TSQL99Splitter::FindDelimiters() {
    // IgnoreRanges is sorted and its ranges lie apart: walk the gaps between
    // them and look for the delimiter only there.
    const TIndexStartEndList& ignore = IgnoreRanges;
    const char* s = Text.data();
    const size_t n = Text.size();
    const int ranges = ignore.Count();
    size_t p = 0;  // 0-based
    int k = 0;
    while (p < n) {
        const size_t gapEnd = k < ranges ? static_cast<size_t>(ignore.Items(k)->StartIndex - 1) : n;
        if (p >= gapEnd) {
            const size_t after = static_cast<size_t>(ignore.Items(k)->EndIndex);
            if (after > p) p = after;
            ++k;
            continue;
        }
        const char* q = static_cast<const char*>(std::memchr(s + p, Delimiter, gapEnd - p));
        if (!q) {
            p = gapEnd;
            continue;
        }
        size_t d = static_cast<size_t>(q - s);
        size_t e = d;
        while (e + 1 < n && (s[e + 1] == '\r' || s[e + 1] == '\n')) ++e;
        DelimiterRanges.Add(std::string(), static_cast<int32_t>(d + 1), static_cast<int32_t>(e + 1));
        p = e + 1;
    }
}

void TSQL99Splitter::FindBlockDelimiters() {
    // A delimiter that counts begins a line: look only at line starts.
    const char* s = Text.data();
    const size_t n = Text.size();
    size_t p = 0;  // 0-based, always a line start
    while (p < n) {
        if (s[p] == Delimiter) {
            size_t q = p + 1;
            while (q < n && s[q] == ' ') ++q;
            if (q + 1 < n && s[q] == '\r' && s[q + 1] == '\n' && IgnoreRanges.IndexOfPosition(static_cast<int32_t>(q + 2)) < 0) {
                DelimiterRanges.Add("ブロックデリミタ", static_cast<int32_t>(p + 1), static_cast<int32_t>(q + 2));
                p = q + 2;
                continue;
            }
        }
        const char* lf = static_cast<const char*>(std::memchr(s + p, '\n', n - p));
        if (!lf) break;
        p = static_cast<size_t>(lf - s) + 1;
    }
}

void TSQL99Splitter::BuildStatementRanges() {
    const TIndexStartEndList& d = DelimiterRanges;
    const int32_t length = static_cast<int32_t>(Text.size());
    const int n = d.Count();
    if (n == 0) {
        StatementRanges.Add(std::string(), 1, length);
        return;
    }
    StatementRanges.Reserve(n + 1);
    if (d.Items(0)->StartIndex > 1) StatementRanges.Add("最初のデリミタまで", 1, d.Items(0)->StartIndex - 1);
    for (int i = 0; i + 1 < n; ++i) {
        const int32_t from = d.Items(i)->EndIndex + 1;
        const int32_t to = d.Items(i + 1)->StartIndex - 1;
        if (from != to + 1) StatementRanges.Add(std::string(), from, to);
    }
    const int32_t lastEnd = d.Items(n - 1)->EndIndex;
    if (length > lastEnd) {
        bool blank = true;
        for (size_t i = static_cast<size_t>(lastEnd); i < Text.size() && blank; ++i)
            blank = static_cast<unsigned char>(Text[i]) < 0x21;
        if (!blank) StatementRanges.Add(std::string(), lastEnd + 1, length);
    }
}

void TSQL99Splitter::GetStatement(int index, std::string& s) const {
    const TIndexStartEndList& statements = StatementRanges;
    const TIndexStartEnd* r = statements.Items(index);
    s.assign(Text, static_cast<size_t>(r->StartIndex - 1), static_cast<size_t>(r->GetLength()));
}
