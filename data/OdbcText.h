// Text at the ODBC boundary (only the layer's own sources include this):
// UTF-16 through the wide API, or UTF-8 through the narrow API for drivers
// that lack the wide one.
#pragma once
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

#include "CP932.h"

namespace odbc {

// CP932 text as the bytes the API takes (UTF-16 code units or UTF-8), with
// room for a terminator.
inline std::string ApiText(std::string_view cp932, bool utf8) {
    if (utf8) return cp932::ToUtf8(cp932);
    std::u16string w = cp932::ToUtf16(cp932);
    return std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2);
}
// Bytes the API returned (UTF-16 or UTF-8) appended as CP932; true when a substitute was needed.
inline bool AppendApiText(std::string_view bytes, bool utf8, std::string& out) {
    bool lossy = false;
    if (utf8) cp932::AppendFromUtf8(bytes, out, &lossy);
    else cp932::AppendFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2), out, &lossy);
    return lossy;
}
inline std::string FromApiText(std::string_view bytes, bool utf8) {
    std::string out;
    AppendApiText(bytes, utf8, out);
    return out;
}
// The size of a character unit of the API (of its terminator).
inline SQLLEN UnitSize(bool utf8) { return utf8 ? 1 : 2; }
inline SQLSMALLINT TextCType(bool utf8) { return utf8 ? SQL_C_CHAR : SQL_C_WCHAR; }

}  // namespace odbc
