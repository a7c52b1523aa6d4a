// Cutting a script into statements at a delimiter character, never inside a
// literal or a comment, and masking literals and comments before a search.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "T_IndexStartEnd.h"
#include "U_SQL99.h"

// The literal and comment ranges of an SQL text: what a search must skip.
class TSQL99Ignore {
public:
    explicit TSQL99Ignore(std::string sql) : Text(std::move(sql)) {}
    // Clears list and fills it with the literal, line comment and block
    // comment ranges of Text, merged and sorted. Scanner errors pass.
    void GetIgnoreRanges(TIndexStartEndList& list) const;
    // result := Text with every byte of every ignore range replaced by fillChar.
    void FillIgnored(char fillChar, std::string& result) const;
    static void FillIgnoredText(std::string_view sql, char fillChar, std::string& result);

    std::string Text;
};

// The statements of a script. Mode 0 (delimiter mode): every Delimiter
// outside literals and comments ends a statement and takes the line-break
// bytes after it. Mode 1 (block mode, SQL*Plus style): only a line holding
// the Delimiter alone, with trailing blanks, ends a statement. Any other mode
// finds no delimiter. The text is that of a line list (CR LF after every line).
class TSQL99Splitter {
public:
    enum TSplitMode : uint8_t { smDelimiter = 0, smBlock = 1 };

    // Splits at once; raises the scanners' errors (ESQL99LiteralException,
    // ESQL99BlockCommentException) with positions in text.
    TSQL99Splitter(std::string text, char delimiter, uint8_t mode);
    // The splitter over TSQL99CommentDelete::DeleteCommentLinesText(text),
    // made in one pass over text: comment removal and splitting of a whole
    // script. Errors as DeleteCommentLinesText raises them.
    static std::unique_ptr<TSQL99Splitter> CreateWithoutComments(std::string text, char delimiter, uint8_t mode);
    TSQL99Splitter(const TSQL99Splitter&) = delete;
    TSQL99Splitter& operator=(const TSQL99Splitter&) = delete;

    void Split();
    int Count() const { return StatementRanges.Count(); }
    // The bytes of statement index (0-based); raises EListError out of range.
    void GetStatement(int index, std::string& s) const;
    std::string GetStatement(int index) const {
        std::string s;
        GetStatement(index, s);
        return s;
    }

    // The literals and comments of Text, merged and sorted. A splitter made
    // by CreateWithoutComments in delimiter mode finds them on first use: a
    // script run asks only for its statements.
    const TIndexStartEndList& GetIgnoreRanges() const;

    // The delimiters that count, with their line-break bytes. A splitter made
    // by CreateWithoutComments in delimiter mode finds them again on first
    // use: its statements were cut without keeping them.
    const TIndexStartEndList& GetDelimiterRanges() const;

    std::string Text;
    TIndexStartEndList StatementRanges;  // one per statement, in text order
    uint8_t Mode;
    char Delimiter;

private:
    mutable TIndexStartEndList FIgnoreRanges;
    mutable bool FIgnoreKnown = false;
    mutable TIndexStartEndList FDelimiterRanges;
    mutable bool FDelimitersKnown = false;
    struct NoSplit {};
    TSQL99Splitter(std::string text, char delimiter, uint8_t mode, NoSplit);
    // fn(start, end) for each delimiter that counts among the positions
    // (1-based, ascending), with the line-break bytes after it.
    template <class Positions, class F>
    void ForEachDelimiter(const Positions& positions, F&& fn) const;
    template <class Positions>
    void AddDelimiters(const Positions& positions) const;
    void FindBlockDelimiters();
    // StatementRanges from the delimiters that forEach(fn) hands over in order.
    template <class ForEach>
    void BuildStatementRanges(ForEach&& forEach, int count);
    void BuildStatementRanges();
};
