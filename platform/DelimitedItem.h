// One item of the toolkit's delimited text (comma text): when it is enclosed
// in quotes, and how it is written. TStringList::DelimitedText and the
// result formats write items through these, byte for byte alike.
#pragma once
#include <string>
#include <string_view>

namespace delimited {

// True when the item must be enclosed in quotes: it holds a byte up to 0x20
// (a NUL included, which never ends the scan), the quote or the delimiter.
// Double-byte characters are stepped over whole.
bool NeedsQuotes(std::string_view item, char delimiter, char quote);

// Appends the item with every quote doubled, without enclosing quotes
// (double-byte characters are copied whole, as the toolkit's quoted strings).
void AppendQuoteDoubled(std::string& out, std::string_view item, char quote);

// Appends the item as delimited text writes it: enclosed in quotes (inner
// quotes doubled) when NeedsQuotes, as it is otherwise.
void AppendItem(std::string& out, std::string_view item, char delimiter, char quote);

}  // namespace delimited
