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

namespace {

// The outermost literals and comments as ignore ranges, and the delimiters in
// the code, from one scan.
struct SplitSink : sql99::TopLevelSink<SplitSink> {
    TIndexStartEndList& Ignore;
    sql99::Positions& Delimiters;
    SplitSink(TIndexStartEndList& ignore, sql99::Positions& delimiters) : Ignore(ignore), Delimiters(delimiters) {}
    void Range(int kind, int32_t s, int32_t e) { Ignore.Add(sql99::kTopLevelTags[kind], s, e); }
    void Delimiter(int32_t p) { Delimiters.push_back(p); }
};

// Room for what a scan of a text of that size usually finds, so that the
// lists of a big script do not grow through many small steps. Room that
// stays unused costs address space only.
void ReserveForText(size_t size, TIndexStartEndList& literals, sql99::Positions& delimiters) {
    literals.Reserve(static_cast<int>(size / 32));
    delimiters.reserve(size / 64);
}

}  // namespace

TSQL99Splitter::TSQL99Splitter(std::string text, char delimiter, uint8_t mode, NoSplit)
    : Text(std::move(text)), Mode(mode), Delimiter(delimiter) {}

TSQL99Splitter::TSQL99Splitter(std::string text, char delimiter, uint8_t mode)
    : TSQL99Splitter(std::move(text), delimiter, mode, NoSplit{}) {
    Split();
}

const TIndexStartEndList& TSQL99Splitter::GetIgnoreRanges() const {
    if (!FIgnoreKnown) {
        // Text holds no comment here: its ranges are its literals.
        TSQL99Scanner::GetIgnoreRanges(Text, FIgnoreRanges);
        FIgnoreKnown = true;
    }
    return FIgnoreRanges;
}

const TIndexStartEndList& TSQL99Splitter::GetDelimiterRanges() const {
    if (!FDelimitersKnown) {
        // Text holds no comment here: the delimiters outside its literals.
        struct Sink : sql99::TopLevelSink<Sink> {
            void Range(int, int32_t, int32_t) {}
            void Delimiter(int32_t p) { Positions.push_back(p); }
            sql99::Positions Positions;
        } sink;
        sql99::Scan(Text, sink, true, Delimiter);
        FDelimiterRanges.Clear();
        AddDelimiters(sink.Positions);
        FDelimitersKnown = true;
    }
    return FDelimiterRanges;
}

void TSQL99Splitter::Split() {
    TIndexStartEndList& IgnoreRanges = FIgnoreRanges;
    FIgnoreKnown = true;
    FDelimitersKnown = true;
    IgnoreRanges.Clear();
    StatementRanges.Clear();
    FDelimiterRanges.Clear();
    // The ignore ranges are what TSQL99Ignore gives; the same scan finds the
    // delimiters outside them.
    sql99::Positions delimiters;
    ReserveForText(Text.size(), IgnoreRanges, delimiters);
    SplitSink sink(IgnoreRanges, delimiters);
    sql99::Scan(Text, sink, Mode == smDelimiter, Delimiter);
    IgnoreRanges.Normalize();  // already in order and apart: this only marks it so
    if (Mode == smDelimiter) AddDelimiters(delimiters);
    else if (Mode == smBlock) FindBlockDelimiters();
    BuildStatementRanges();
}

std::unique_ptr<TSQL99Splitter> TSQL99Splitter::CreateWithoutComments(std::string text, char delimiter, uint8_t mode) {
    if (!sql99::IsLinesText(text)) text = TSQL99CommentDelete::DeleteCommentLinesText(std::move(text));
    std::unique_ptr<TSQL99Splitter> splitter(new TSQL99Splitter(std::string(), delimiter, mode, NoSplit{}));
    TIndexStartEndList& literals = splitter->FIgnoreRanges;
    // Block mode looks at the literals to find its delimiter lines; delimiter
    // mode leaves them to GetIgnoreRanges, so that a script run neither keeps
    // nor moves them.
    const bool keepLiterals = mode == smBlock;

    // One scan of the text with its comments: the comments to take out, the
    // literals and the delimiters, which then move down with the text.
    struct Sink : sql99::TopLevelSink<Sink> {
        Sink(TIndexStartEndList& literals, bool keep) : Literals(literals), Keep(keep) {}
        void Range(int kind, int32_t s, int32_t e) {
            if (kind != 0) Comments.push_back({s, e});
            else if (Keep) Literals.Add(kSQL99LiteralTag, s, e);
        }
        void Delimiter(int32_t p) { Delimiters.push_back(p); }
        TIndexStartEndList& Literals;
        const bool Keep;
        sql99::Removals Comments;
        sql99::Positions Delimiters;
    } sink(literals, keepLiterals);
    if (keepLiterals) literals.Reserve(static_cast<int>(text.size() / 32));
    sink.Delimiters.reserve(text.size() / 64);
    sink.Comments.reserve(text.size() / 64);
    sql99::Scan(text, sink, mode == smDelimiter, delimiter);

    const int literalCount = literals.Count();
    int lit = 0;
    size_t del = 0, keptDelimiters = 0;
    // The blank that stands for a comment between two words is a delimiter
    // of the text without comments when the delimiter is a blank: those go
    // into a list of their own, merged in text order.
    const bool blankDelimits = mode == smDelimiter && delimiter == ' ';
    sql99::Positions merged;
    auto keepDelimiter = [&](int32_t p) {
        if (blankDelimits) merged.push_back(p);
        else sink.Delimiters[keptDelimiters++] = p;
    };
    sql99::RemoveRunsInPlace(
        text, sink.Comments,
        [&](size_t from, size_t to, size_t out) {
            // Positions are 1-based; from..to is 0-based, end exclusive.
            const int32_t shift = static_cast<int32_t>(out) - static_cast<int32_t>(from);
            int first = lit;
            while (lit < literalCount && static_cast<size_t>(literals.StartIndexAt(lit)) <= to) ++lit;
            if (shift != 0) literals.OffsetRanges(first, lit - first, shift);
            for (; del < sink.Delimiters.size() && static_cast<size_t>(sink.Delimiters[del]) <= to; ++del) {
                // A delimiter before this piece went out with the text between
                // (a line break delimiter of a line that held only a comment).
                if (static_cast<size_t>(sink.Delimiters[del] - 1) < from) continue;
                keepDelimiter(sink.Delimiters[del] + shift);
            }
        },
        [&](size_t out) {
            if (blankDelimits) merged.push_back(static_cast<int32_t>(out + 1));
        });
    if (blankDelimits) sink.Delimiters.swap(merged);
    else sink.Delimiters.resize(keptDelimiters);
    splitter->Text = std::move(text);
    // The comment list is spent: its memory goes back before the statement
    // lists are made, so that the two never add up.
    sql99::Removals().swap(sink.Comments);
    // What is left holds no comment, and its literals are those of the text.
    literals.Normalize();
    splitter->FIgnoreKnown = keepLiterals;
    if (mode == smDelimiter) {
        // The statements straight from the delimiter positions; the
        // delimiter ranges are found again only when asked for.
        TSQL99Splitter& sp = *splitter;
        sp.BuildStatementRanges([&](auto&& fn) { sp.ForEachDelimiter(sink.Delimiters, fn); },
                                static_cast<int>(sink.Delimiters.size()));
        return splitter;
    }
    if (mode == smBlock) splitter->FindBlockDelimiters();
    splitter->FDelimitersKnown = true;
    sql99::Positions().swap(sink.Delimiters);
    splitter->BuildStatementRanges();
    return splitter;
}

template <class Positions, class F>
void TSQL99Splitter::ForEachDelimiter(const Positions& positions, F&& fn) const {
    // Each delimiter takes the CR and LF bytes right after it; the walk goes
    // on after them.
    const char* s = Text.data();
    const size_t n = Text.size();
    size_t next = 0;  // 0-based: the walk goes on here
    for (const int32_t p : positions) {
        const size_t d = static_cast<size_t>(p - 1);
        if (d < next) continue;
        size_t e = d;
        while (e + 1 < n && (s[e + 1] == '\r' || s[e + 1] == '\n')) ++e;
        fn(static_cast<int32_t>(d + 1), static_cast<int32_t>(e + 1));
        next = e + 1;
    }
}

template <class Positions>
void TSQL99Splitter::AddDelimiters(const Positions& positions) const {
    FDelimiterRanges.Reserve(static_cast<int>(positions.size()));
    ForEachDelimiter(positions, [&](int32_t d, int32_t e) { FDelimiterRanges.Add(std::string_view(), d, e); });
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
            if (q + 1 < n && s[q] == '\r' && s[q + 1] == '\n' && GetIgnoreRanges().IndexOfPosition(static_cast<int32_t>(q + 2)) < 0) {
                FDelimiterRanges.Add("ブロックデリミタ", static_cast<int32_t>(p + 1), static_cast<int32_t>(q + 2));
                p = q + 2;
                continue;
            }
        }
        const char* lf = static_cast<const char*>(std::memchr(s + p, '\n', n - p));
        if (!lf) break;
        p = static_cast<size_t>(lf - s) + 1;
    }
}

template <class ForEach>
void TSQL99Splitter::BuildStatementRanges(ForEach&& forEach, int count) {
    const int32_t length = static_cast<int32_t>(Text.size());
    StatementRanges.Reserve(count + 1);
    int32_t lastEnd = 0;  // the end of the last delimiter; 0 before the first
    bool any = false;
    forEach([&](int32_t start, int32_t end) {
        if (!any) {
            if (start > 1) StatementRanges.Add("最初のデリミタまで", 1, start - 1);
        } else if (lastEnd + 1 != start) {
            StatementRanges.Add(std::string(), lastEnd + 1, start - 1);
        }
        any = true;
        lastEnd = end;
    });
    if (!any) {
        StatementRanges.Add(std::string(), 1, length);
        return;
    }
    if (length > lastEnd) {
        bool blank = true;
        for (size_t i = static_cast<size_t>(lastEnd); i < Text.size() && blank; ++i)
            blank = static_cast<unsigned char>(Text[i]) < 0x21;
        if (!blank) StatementRanges.Add(std::string(), lastEnd + 1, length);
    }
}

void TSQL99Splitter::BuildStatementRanges() {
    const TIndexStartEndList& d = FDelimiterRanges;
    BuildStatementRanges(
        [&](auto&& fn) {
            for (int i = 0; i < d.Count(); ++i) fn(d.StartIndexAt(i), d.EndIndexAt(i));
        },
        d.Count());
}

void TSQL99Splitter::GetStatement(int index, std::string& s) const {
    const int32_t start = StatementRanges.StartIndexAt(index);
    s.assign(Text, static_cast<size_t>(start - 1), static_cast<size_t>(StatementRanges.EndIndexAt(index) - start + 1));
}
