#include "U_ADOSQLParamParser.h"

#include "SysUtils.h"
#include "T_IndexStartEnd.h"
#include "U_SQL99Splitter.h"

TADOSQLParamParser::TADOSQLParamParser(std::string sql) : SQL(std::move(sql)) { Parse(); }

void TADOSQLParamParser::Parse() {
    Others.Clear();
    Files.Clear();
    std::string masked;
    TSQL99Ignore::FillIgnoredText(SQL, '@', masked);

    TIndexStartEndList ranges;
    const int32_t n = static_cast<int32_t>(masked.size());
    auto at = [&](int32_t p) { return masked[static_cast<size_t>(p - 1)]; };
    int32_t p = 1;
    while (p <= n) {
        char c = at(p);
        if (c == OpenChar1) {
            int32_t start = p;
            ++p;
            if (p <= n && at(p) == OpenChar2) {
                ranges.Add(std::string(), start, -1);
                ++p;
            } else {
                ++p;   // the byte after "<" is stepped over, not looked at again as "<"
            }
        } else if (c == CloseChar1) {
            ++p;
            if (p <= n && at(p) == CloseChar2) {
                for (int i = ranges.Count() - 1; i >= 0; --i) {
                    if (ranges.Items(i)->EndIndex == -1) {
                        ranges.Items(i)->EndIndex = p;
                        break;
                    }
                }
                ++p;
            } else {
                ++p;   // the byte after "?" is skipped unexamined
            }
        } else {
            ++p;
        }
    }
    for (int i = ranges.Count() - 1; i >= 0; --i)
        if (ranges.Items(i)->EndIndex == -1) ranges.Delete(i);
    ranges.Normalize();
    ranges.Sort();

    const std::string keyword = sys::UpperCase(Keyword);
    for (int i = 0; i < ranges.Count(); ++i) {
        const TIndexStartEnd* r = ranges.Items(i);
        std::string marker = SQL.substr(static_cast<size_t>(r->StartIndex - 1), static_cast<size_t>(r->GetLength()));
        std::string inner = marker.size() >= 4 ? sys::UpperCase(marker.substr(2, marker.size() - 4)) : std::string();
        TStringList& list = inner.compare(0, keyword.size(), keyword) == 0 ? Files : Others;
        if (list.IndexOf(marker) < 0) list.Add(marker);
    }
    Files.Sort();
    Others.Sort();
}
