// The editor's search routine over CP932 bytes: forward or backward, with the
// options of the search option word (Editor.h): case, whole words,
// full-width/half-width equivalence, and line breaks and blanks skipped inside
// a match. A match never starts on the trail byte of a double-byte character.
//
// A lead byte takes the next byte as its trail unless that byte is CR or LF or
// the buffer ends, which is how the row store cuts its rows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Finds Pattern in Buffer. Forward the search begins after the current match
// (Start + Length); backward it ends before Start. On success Start is the
// match's offset and Length its length in the buffer (skipped bytes included).
// False at once for an empty pattern or buffer, or Start or Length out of range.
bool SearchText(std::string_view Buffer, int& Start, int& Length, std::string_view Pattern, uint16_t Options);

namespace editorsearch {
// The full-width form of a single byte (0 when it has none).
uint16_t FullWidthOf(uint8_t B);
// The full-width character of a half-width kana followed by a voiced (0xDE) or
// semi-voiced (0xDF) mark; 0 when the pair makes no such character.
uint16_t VoicedOf(uint8_t Kana, uint8_t Mark);
// A double-byte character folded to its capital form (full-width letters,
// Greek, Cyrillic, small roman numerals); other characters unchanged.
uint16_t FoldDouble(uint16_t C);
// True for the bytes that end a word for the whole-word option.
bool IsWordDelimiter(uint8_t B);

// A pattern made ready once for one option word: its characters folded as the
// options say, and the bytes a match may begin with.
class TPattern {
public:
    TPattern(std::string_view Pattern, uint16_t Options);
    bool Same(std::string_view Pattern, uint16_t Options) const { return Pattern == FText && Options == FOptions; }
    bool Empty() const { return Pat.empty(); }
    // A match may begin with CR or LF (the pattern begins with a line break).
    bool MayBeginWithBreak() const { return First[0x0D] || First[0x0A]; }
    // The fewest bytes a match takes.
    size_t MinBytes() const { return Fuzzy ? Pat.size() : FText.size(); }

    std::string_view Text() const { return FText; }
    bool MatchCase, Fuzzy, SkipBreaks, SkipBlanks, Whole;
    std::vector<uint16_t> Pat;  // one code per pattern character
    bool First[256];            // the bytes a match may begin with
    int FirstCount = 0;         // how many bytes that is
    uint8_t FirstBytes[2] = {};  // the first two of them

private:
    std::string FText;
    uint16_t FOptions;
};

// A stretch of the text searched in one go. More: the text goes on after it,
// so a match that runs to its end may go on too. DelimBefore: what comes
// before it starts a word (the text's start, a line break or a delimiter).
// A piece begins on a character boundary and ends at the end of a row.
struct TPiece {
    std::string_view Bytes;
    bool More = false;
    bool DelimBefore = true;
};

enum class TFound { None, Match, More };

// The first match that begins at From or after (From inside a character moves
// on to the next character). Match: Pos and Len are its offset and length.
// More: the match that may begin at Pos needs the text after the piece; no
// match begins before Pos. None: no match begins in the piece at From or after.
TFound FindForward(const TPattern& P, const TPiece& Piece, size_t From, size_t& Pos, size_t& Len);
// The last match that begins at From or before (From on a trail byte moves
// back to its lead). More: the match that may begin at Pos needs the text
// after the piece; none begins after Pos up to From.
TFound FindBackward(const TPattern& P, const TPiece& Piece, long From, size_t& Pos, size_t& Len);
// Where a backward search from the position Start of Bytes takes its first
// candidate: before Start by the pattern's bytes, or with the width option by
// its characters (a double-byte character, or a kana with its mark, each
// counting one); -1 when that is before the start of Bytes.
long BackwardFrom(const TPattern& P, std::string_view Bytes, size_t Start);
}  // namespace editorsearch
