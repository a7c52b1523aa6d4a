#include "OdbcValueText.h"

#include <charconv>
#include <cstring>

namespace odbc {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// n digits at s[i] as a number; false unless all n are digits.
bool Number(std::string_view s, size_t i, size_t n, unsigned& v) {
    if (i + n > s.size()) return false;
    v = 0;
    for (size_t k = i; k < i + n; ++k) {
        if (!Digit(s[k])) return false;
        v = v * 10 + static_cast<unsigned>(s[k] - '0');
    }
    return true;
}

bool LeapYear(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysOfMonth(unsigned y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && LeapYear(y) ? 29 : days[m - 1];
}

// The parts of a date-time text, as positions in it.
struct TStampParts {
    bool HasDate = false, HasTime = false, HasSeconds = false;
    std::string_view Year, Month, Day, Hour, Minute, Second, Fraction;
};

// "hh:mm[:ss[.f]]" from s[i] to the end.
bool TimeParts(std::string_view s, size_t i, TStampParts& p) {
    unsigned h = 0, m = 0, sec = 0;
    if (!Number(s, i, 2, h) || i + 2 >= s.size() || s[i + 2] != ':' || !Number(s, i + 3, 2, m)) return false;
    if (h > 23 || m > 59) return false;
    p.HasTime = true;
    p.Hour = s.substr(i, 2);
    p.Minute = s.substr(i + 3, 2);
    i += 5;
    if (i == s.size()) return true;
    if (s[i] != ':' || !Number(s, i + 1, 2, sec) || sec > 59) return false;
    p.HasSeconds = true;
    p.Second = s.substr(i + 1, 2);
    i += 3;
    if (i == s.size()) return true;
    if (s[i] != '.') return false;
    const size_t start = ++i;
    while (i < s.size() && Digit(s[i])) ++i;
    if (i == start || i - start > 9 || i != s.size()) return false;
    p.Fraction = s.substr(start, i - start);
    return true;
}

bool StampParts(std::string_view s, TStampParts& p) {
    if (s.size() >= 3 && Digit(s[0]) && Digit(s[1]) && s[2] == ':') return TimeParts(s, 0, p);
    // a year of four digits, or five without a leading zero
    size_t y = 0;
    while (y < s.size() && y < 6 && Digit(s[y])) ++y;
    if (y < 4 || y > 5 || (y == 5 && s[0] == '0') || y >= s.size()) return false;
    const char sep = s[y];
    unsigned year = 0, month = 0, day = 0;
    Number(s, 0, y, year);
    if ((sep != '-' && sep != '/') || !Number(s, y + 1, 2, month) || y + 3 >= s.size() || s[y + 3] != sep ||
        !Number(s, y + 4, 2, day))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > DaysOfMonth(year, month)) return false;
    p.HasDate = true;
    p.Year = s.substr(0, y);
    p.Month = s.substr(y + 1, 2);
    p.Day = s.substr(y + 4, 2);
    const size_t i = y + 6;
    if (i == s.size()) return true;
    if (s[i] != ' ' && s[i] != 'T') return false;
    return TimeParts(s, i + 1, p);
}

}  // namespace

bool IntegerOfText(std::string_view s, int64_t& v) {
    if (s.empty()) return false;
    const size_t neg = s[0] == '-' ? 1 : 0;
    if (s.size() == neg || !Digit(s[neg]) || (s[neg] == '0' && (s.size() > neg + 1 || neg))) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool IsIntegerText(std::string_view s) {
    int64_t v;
    return IntegerOfText(s, v);
}

bool FloatOfText(std::string_view s, double& v) {
    if (s.empty()) return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool FloatText(std::string_view s, std::string& out) {
    double v;
    if (!FloatOfText(s, v)) return false;
    out = dbtext::FloatToStr(v);
    return true;
}

bool BooleanText(std::string_view s, std::string& out) {
    int64_t v;
    if (!IntegerOfText(s, v)) return false;
    out = v ? "True" : "False";
    return true;
}

bool StampText(std::string_view s, TFieldType type, std::string& out) {
    TStampParts p;
    if (!StampParts(s, p)) return false;
    char buf[48];
    char* o = buf;
    auto put = [&](std::string_view part) {
        std::memcpy(o, part.data(), part.size());
        o += part.size();
    };
    if (p.HasDate) {
        put(p.Year);
        *o++ = '/';
        put(p.Month);
        *o++ = '/';
        put(p.Day);
        if (!p.HasTime && (type == ftDateTime || type == ftTimeStamp)) put(" 00:00:00");
        if (p.HasTime) *o++ = ' ';
    }
    if (p.HasTime) {
        put(p.Hour);
        *o++ = ':';
        put(p.Minute);
        *o++ = ':';
        put(p.HasSeconds ? p.Second : std::string_view("00"));
        size_t n = p.Fraction.size();
        while (n > 0 && p.Fraction[n - 1] == '0') --n;
        if (n > 0) {
            *o++ = '.';
            put(p.Fraction.substr(0, n));
        }
    }
    out.assign(buf, static_cast<size_t>(o - buf));
    return true;
}

bool StampOfText(std::string_view s, TSQLTimeStamp& v) {
    v = TSQLTimeStamp();
    TStampParts p;
    // the layer's form: '/' between the parts of a date, seconds always there
    if (!StampParts(s, p) || (p.HasDate && s[p.Year.size()] != '/') || (p.HasTime && !p.HasSeconds)) return false;
    unsigned n = 0;
    if (p.HasDate) {
        Number(p.Year, 0, p.Year.size(), n);
        if (n > 32767) return false;
        v.Year = static_cast<int16_t>(n);
        Number(p.Month, 0, 2, n);
        v.Month = static_cast<uint16_t>(n);
        Number(p.Day, 0, 2, n);
        v.Day = static_cast<uint16_t>(n);
        if (p.HasTime && s[p.Year.size() + 6] != ' ') return false;
    }
    if (p.HasTime) {
        Number(p.Hour, 0, 2, n);
        v.Hour = static_cast<uint16_t>(n);
        Number(p.Minute, 0, 2, n);
        v.Minute = static_cast<uint16_t>(n);
        Number(p.Second, 0, 2, n);
        v.Second = static_cast<uint16_t>(n);
        unsigned f = 0;
        Number(p.Fraction, 0, p.Fraction.size(), f);
        for (size_t k = p.Fraction.size(); k < 9; ++k) f *= 10;
        v.Fraction = f;
    }
    return true;
}

}  // namespace odbc
