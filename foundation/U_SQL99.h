// SQL text scanners: quoted literals, "--" line comments and nested "/* */"
// block comments found as tagged ranges; comment removal, the statement kind
// by the first keyword, and a line break after each comma.
//
// The scanners work byte by byte on CP932 text. The only double-byte
// knowledge they need is the table of the 37 characters whose trail byte is
// 0x5C (T_5CTable.h), so that such a trail byte is never taken for a
// backslash escaping a closing quote.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Exception.h"
#include "StringList.h"
#include "T_IndexStartEnd.h"

// An error in an SQL text, with the text and the 1-based byte position of the
// offending character.
class ESQL99Exception : public Exception {
public:
    // Raises the internal error "内部エラー：範囲外のインデックスに対してエラー
    // ポイント例外を生成しようとしました" (a plain Exception) in place of this
    // one when errorPosition lies beyond the text.
    ESQL99Exception(std::string sql, int32_t errorPosition, std::string msg);
    const char* ClassName() const noexcept override { return "ESQL99Exception"; }
    // Column of ErrorPosition on its line: bytes from the byte after the
    // nearest LF before it, up to and including it.
    int32_t GetErrorColumn() const;

    std::string SQL;
    int32_t ErrorPosition = 0;
};
Z_DECLARE_EXCEPTION(ESQL99LiteralException, ESQL99Exception);
Z_DECLARE_EXCEPTION(ESQL99BlockCommentException, ESQL99Exception);

// Range tags of the scanners.
inline constexpr const char* kSQL99LiteralTag = "リテラル";
inline constexpr const char* kSQL99LineCommentTag = "コメント,";
inline constexpr const char* kSQL99BlockCommentTag = "S";

// One quote mark of a text: its position and its index in QuoteChars.
struct TSQL99Index_QMap {
    int32_t Position = 0;
    int32_t QuoteIndex = 0;
};

// Quoted literals, '...' and "...", alone: comments are not looked at, so a
// quote inside a comment counts. A closing quote preceded by a backslash is
// escaped unless that backslash is the trail byte of one of the 37 0x5C
// characters; two quotes in a row end one literal and begin the next.
class TSQL99Literal {
public:
    explicit TSQL99Literal(std::string sql);
    // Clears dest and fills it with the literal ranges, in text order.
    // Raises ESQL99LiteralException "リテラルが終了していません" at the
    // opening quote of the first literal that is never closed.
    void GetRanges(TIndexStartEndList& dest) const;

    std::string SQL;
    TStringList QuoteChars;   // "'" then "\"": a quote's index is its kind
    TStringList EscapeChars;  // "\\"
};

// "--" line comments alone, to the end of their line; literals are not
// looked at. A '-' that is the last byte of the text is a comment of that byte.
class TSQL99LineComment {
public:
    explicit TSQL99LineComment(std::string sql) : SQL(std::move(sql)) {}
    void GetRanges(TIndexStartEndList& dest) const;

    std::string SQL;
};

// Nested "/* */" block comments alone, in the order they open; literals and
// line comments are not looked at. Raises ESQL99BlockCommentException
// "ブロックコメント開始がありません" at the '*' of a "*/" with no open
// comment, and "ブロックコメントが閉じていません" at the first "/*" left open.
class TSQL99BlockComment {
public:
    explicit TSQL99BlockComment(std::string sql) : SQL(std::move(sql)) {}
    void GetRanges(TIndexStartEndList& dest) const;

    std::string SQL;
};

// Literals and both kinds of comments found together, in one left-to-right
// pass: code, '...', "...", "--" to the end of the line, nested "/* */". A
// quote inside a comment and a comment marker inside a literal do nothing,
// and "--" inside a block comment does not hide its "*/". Errors are those
// of the three scanners, at the same positions; an unclosed literal is
// reported before a stray "*/", and that before an unclosed "/*".
class TSQL99Scanner {
public:
    // The three lists as the separate scanners give them: literals and line
    // comments in text order, block comments (nested ones too) in the order
    // they open.
    static void GetRanges(std::string_view sql, TIndexStartEndList& literals, TIndexStartEndList& lineComments,
                          TIndexStartEndList& blockComments);
    // The literal and comment ranges merged and normalised (nested block
    // comments inside the outer one).
    static void GetIgnoreRanges(std::string_view sql, TIndexStartEndList& list);
};

// Comment removal, leaving literals alone.
class TSQL99CommentDelete {
public:
    // Removes line and block comments from the lines in place. A line that
    // held only comments disappears; a block comment across line breaks
    // joins the text before and after it into one line; where a removed
    // block comment stood between two bytes that are not blanks (0x20 or
    // below), one blank takes its place so that no two tokens run together.
    // Scanner errors leave the lines unchanged.
    static void DeleteComment(TStrings& lines);
    // The lines' text after DeleteComment, each line followed by CR LF, trimmed
    // of bytes below 0x21 at both ends.
    static std::string DeleteCommentText(std::string_view sql);
    // The text that the lines of text would have after DeleteComment (each
    // line followed by CR LF), computed without a line list: the fast form
    // for whole scripts. Pass the text by move to let it be reused in place.
    static std::string DeleteCommentLinesText(std::string text);
};

// The kind of a statement, by its first keyword.
enum class TSQLKind : uint8_t {
    Query = 0,   // SELECT, SHOW, DESC, DESCRIBE
    Insert = 1,
    Update = 2,
    Delete = 3,
    Other = 4,   // anything else (WITH, DDL, a block, an empty text)
};

class TSQL99Parser {
public:
    // A plain prefix test after removing comments, trimming and upper-casing.
    // Scanner errors pass to the caller.
    static TSQLKind GetSQLKind(std::string_view sql);
};

// A line break after every comma outside literals and comments that is not
// the last byte and not already followed by a line break.
class TSQL99Breaker {
public:
    explicit TSQL99Breaker(std::string_view sql);
    static void GetIgnoreRanges(std::string_view sql, TIndexStartEndList& list);

    std::string ResultSQL;
};
