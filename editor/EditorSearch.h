// The editor's search routine over CP932 bytes: forward or backward, with the
// options of the search option word (Editor.h): case, whole words,
// full-width/half-width equivalence, and line breaks and blanks skipped inside
// a match. A match never starts on the trail byte of a double-byte character.
//
// A lead byte takes the next byte as its trail unless that byte is CR or LF or
// the buffer ends, which is how the row store cuts its rows.
#pragma once
#include <cstdint>
#include <string_view>

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
}  // namespace editorsearch
