#include "DelimitedItem.h"

#include <cstring>

#include "CP932.h"

namespace delimited {

bool NeedsQuotes(std::string_view item, char delimiter, char quote) {
    // A first pass without stepping: stepping over double-byte characters can
    // only take hits away, so an item without any hit needs no second pass.
    unsigned char hit = 0;
    for (char c : item)
        hit |= static_cast<unsigned char>(static_cast<unsigned char>(c) <= 0x20 || c == quote || c == delimiter);
    if (!hit) return false;
    const size_t n = item.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = item[i];
        if (cp932::IsLeadByte(c) && i + 1 < n) {
            ++i;
            continue;
        }
        if (static_cast<unsigned char>(c) <= 0x20 || c == quote || c == delimiter) return true;
    }
    return false;
}

void AppendQuoteDoubled(std::string& out, std::string_view item, char quote) {
    if (!std::memchr(item.data(), quote, item.size())) {
        out.append(item.data(), item.size());
        return;
    }
    // As the toolkit's quoted strings: a double-byte character is copied whole.
    const size_t n = item.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = item[i];
        if (cp932::IsLeadByte(c) && i + 1 < n) {
            out.push_back(c);
            out.push_back(item[++i]);
            continue;
        }
        if (c == quote) out.push_back(quote);
        out.push_back(c);
    }
}

void AppendItem(std::string& out, std::string_view item, char delimiter, char quote) {
    if (!NeedsQuotes(item, delimiter, quote)) {
        out.append(item.data(), item.size());
        return;
    }
    out.push_back(quote);
    AppendQuoteDoubled(out, item, quote);
    out.push_back(quote);
}

}  // namespace delimited
