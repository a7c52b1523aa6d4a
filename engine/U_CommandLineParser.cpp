#include "U_CommandLineParser.h"

#include <utility>
#include <vector>

#include "SysUtils.h"
#include "T_IndexStartEnd.h"

void TStringSpaceUtil::FindSpaceRuns(std::string_view S, TIndexStartEndList& List) {
    List.Clear();
    const size_t n = S.size();
    size_t i = 0;
    while (i < n) {
        if (S[i] != ' ') {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < n && S[i] == ' ') ++i;
        List.Add("半角スペース", static_cast<int32_t>(start + 1), static_cast<int32_t>(i));
    }
}

void TStringSpaceUtil::CompressSpaces(std::string_view S, std::string& Result) {
    std::string out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size(); ++i)
        if (S[i] != ' ' || i == 0 || S[i - 1] != ' ') out.push_back(S[i]);
    Result = std::move(out);
}

TCommandLineParser::TCommandLineParser(std::string_view L) : Line(L) {
    size_t crlf = Line.find("\r\n");
    if (crlf != std::string::npos && Line.find('"') > crlf)
        throw ECommandLineParser("コマンドラインに改行があります");
    Parse();
}

void TCommandLineParser::Parse() {
    Words.Clear();
    // Quoted ranges, 0-based and inclusive. A quote directly after the closing
    // quote of a range reopens it, so a doubled quote stays inside its word.
    // '"' and ' ' are never the trail byte of a double-byte character.
    struct Range { size_t Start, End; };
    std::vector<Range> quoted;
    bool open = false;
    for (size_t p = 0; p < Line.size(); ++p) {
        if (Line[p] != '"') continue;
        if (open) {
            quoted.back().End = p;
            open = false;
        } else if (!quoted.empty() && quoted.back().End + 1 == p) {
            open = true;
        } else {
            quoted.push_back({p, p});
            open = true;
        }
    }
    if (open) throw ECommandLineParser("正しくクオーテーションが閉じられていません");

    // A line break counts as two blanks; positions stay the same.
    std::string s = sys::StringReplaceAll(Line, "\r\n", "  ");

    for (const Range& r : quoted)
        if ((r.Start > 0 && s[r.Start - 1] != ' ') || (r.End + 1 < s.size() && s[r.End + 1] != ' '))
            throw ECommandLineParser("正しくデリミットされていません");

    auto addSegment = [this](std::string_view seg, bool isQuoted) {
        std::string t = sys::Trim(seg);
        if (t.empty()) return;
        if (isQuoted) {
            // The outer quotes go, each doubled quote inside becomes one.
            Words.Add(sys::StringReplaceAll(std::string_view(t).substr(1, t.size() - 2), "\"\"", "\""));
            return;
        }
        std::string c;
        TStringSpaceUtil::CompressSpaces(t, c);
        size_t start = 0;
        while (start <= c.size()) {
            size_t blank = c.find(' ', start);
            if (blank == std::string::npos) blank = c.size();
            Words.Add(c.substr(start, blank - start));
            start = blank + 1;
        }
    };
    // The quoted ranges and the runs between them, in text order.
    size_t pos = 0;
    for (const Range& r : quoted) {
        if (r.Start > pos) addSegment(std::string_view(s).substr(pos, r.Start - pos), false);
        addSegment(std::string_view(s).substr(r.Start, r.End - r.Start + 1), true);
        pos = r.End + 1;
    }
    if (pos < s.size()) addSegment(std::string_view(s).substr(pos), false);
}
