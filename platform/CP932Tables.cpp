#include "CP932Tables.h"

#include <iconv.h>

#include "CP932.h"

namespace cp932 {

bool FillTablesFromIconv(Tables& t) {
    t = Tables{};
    iconv_t dec = iconv_open("UTF-16LE", "CP932");
    iconv_t en = iconv_open("CP932", "UTF-16LE");
    if (dec == reinterpret_cast<iconv_t>(-1) || en == reinterpret_cast<iconv_t>(-1)) {
        if (dec != reinterpret_cast<iconv_t>(-1)) iconv_close(dec);
        if (en != reinterpret_cast<iconv_t>(-1)) iconv_close(en);
        return false;
    }
    auto decode = [&](const unsigned char* in, size_t n) -> char16_t {
        char inbuf[2] = {static_cast<char>(in[0]), n > 1 ? static_cast<char>(in[1]) : '\0'};
        char* ip = inbuf;
        size_t il = n;
        unsigned char out[8] = {};
        char* op = reinterpret_cast<char*>(out);
        size_t ol = sizeof out;
        iconv(dec, nullptr, nullptr, nullptr, nullptr);
        if (iconv(dec, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0 || ol != sizeof out - 2) return 0;
        return static_cast<char16_t>(out[0] | (out[1] << 8));
    };
    for (int b = 1; b < 256; ++b) {
        if (IsLeadByte(static_cast<unsigned char>(b))) continue;
        unsigned char in[1] = {static_cast<unsigned char>(b)};
        t.single[b] = decode(in, 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            unsigned char in[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            t.dbl[lead - 0x80][trail] = decode(in, 2);
        }
    }
    for (uint32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp < 0xE000) continue;
        char in[2] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8)};
        char* ip = in;
        size_t il = 2;
        unsigned char out[4] = {};
        char* op = reinterpret_cast<char*>(out);
        size_t ol = sizeof out;
        iconv(en, nullptr, nullptr, nullptr, nullptr);
        if (iconv(en, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) continue;
        size_t n = sizeof out - ol;
        if (n == 1) t.enc[cp] = out[0];
        else if (n == 2) t.enc[cp] = static_cast<uint16_t>(out[0] << 8 | out[1]);
    }
    iconv_close(dec);
    iconv_close(en);
    return true;
}

}  // namespace cp932
