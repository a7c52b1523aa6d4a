// Small text and number helpers of the toolkit, over CP932 byte strings.
// Case folding is ASCII-only and steps over double-byte characters.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace sys {

// Bytes below 0x21 are trimmed (the toolkit's Trim).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

std::string UpperCase(std::string_view s);   // ASCII letters only, double-byte characters kept whole
std::string LowerCase(std::string_view s);
int CompareText(std::string_view a, std::string_view b);  // case-insensitive, <0 / 0 / >0
inline bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }
bool StartsText(std::string_view prefix, std::string_view s);  // case-insensitive prefix test

std::string IntToStr(int64_t v);
bool TryStrToInt(std::string_view s, int32_t& out);    // leading/trailing blanks refused, like the toolkit
int32_t StrToInt(std::string_view s);                  // raises EConvertError
int32_t StrToIntDef(std::string_view s, int32_t def);
bool TryStrToFloat(std::string_view s, double& out);   // '.' decimal separator, leading blanks allowed

// Every occurrence of from replaced by to (byte-wise).
std::string StringReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// The toolkit's quoted strings: the quote doubled inside, wrapped in quotes.
std::string AnsiQuotedStr(std::string_view s, char quote);
// Reads a quoted string starting at s[pos] (which must be the quote); advances pos past it.
// An unterminated string takes the rest of the text.
std::string AnsiExtractQuotedStr(std::string_view s, size_t& pos, char quote);

}  // namespace sys
