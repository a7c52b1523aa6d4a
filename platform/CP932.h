// The one codec between the system's CP932 bytes and the outside world
// (Qt, ODBC, file names). Its tables hold iconv's "CP932" mapping, taken when the program is built.
#pragma once
#include <string>
#include <string_view>

namespace cp932 {

// True for a byte that begins a double-byte character (0x81-0x9F, 0xE0-0xFC).
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool IsLeadByte(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

// True for a byte that can be the second byte of a double-byte character (0x40-0x7E, 0x80-0xFC).
inline bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
inline bool IsTrailByte(char c) { return IsTrailByte(static_cast<unsigned char>(c)); }

// Substitutes used for what cannot be converted. Each conversion reports
// through *lossy whether it had to use one (lossy may be null).
constexpr char kSubstitute = '?';             // in CP932 output
constexpr char16_t kSubstitute16 = u'\uFFFD'; // in UTF-16/UTF-8 output

std::u16string ToUtf16(std::string_view cp932, bool* lossy = nullptr);
std::string FromUtf16(std::u16string_view utf16, bool* lossy = nullptr);
// Writes the CP932 form of n UTF-16 code units to out, which has room for
// 2 * n bytes; returns the number of bytes written.
size_t EncodeUtf16(const char16_t* utf16, size_t n, char* out, bool* lossy = nullptr);
// Appends the CP932 form of utf16 to out; *lossy (when given) is set when a substitute was used.
void AppendFromUtf16(std::u16string_view utf16, std::string& out, bool* lossy = nullptr);
std::string ToUtf8(std::string_view cp932, bool* lossy = nullptr);
// Only well-formed UTF-8 decodes: an overlong form, a surrogate, a code point
// above U+10FFFF or a broken sequence is one substitute a byte, and lossy.
std::string FromUtf8(std::string_view utf8, bool* lossy = nullptr);
// Writes the CP932 form of n bytes of UTF-8 to out, which has room for n
// bytes (the CP932 form is never longer); returns the number of bytes written.
size_t EncodeUtf8(const char* utf8, size_t n, char* out, bool* lossy = nullptr);
// The CP932 form of utf8 that decodes back to the same bytes: every character
// maps, and none is one of two spellings of the same CP932 character. False
// (out then holds the form with substitutes) when there is none.
bool FromUtf8Exact(std::string_view utf8, std::string& out);
// Appends the CP932 form of utf8 to out; *lossy (when given) is set when a substitute was used.
void AppendFromUtf8(std::string_view utf8, std::string& out, bool* lossy = nullptr);

}  // namespace cp932
