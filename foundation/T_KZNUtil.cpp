#include "T_KZNUtil.h"

#include "CP932Text.h"
#include "Exception.h"
#include "StringList.h"
#include "SysUtils.h"
#include "T_5CTable.h"

bool TKZNUtil::IsFloat(std::string_view S) {
    double d;
    return sys::TryStrToFloat(S, d);
}

bool TKZNUtil::IsInteger(std::string_view S) {
    int32_t n;
    return IsFloat(S) && S.find('.') == std::string_view::npos && sys::TryStrToInt(S, n);
}

bool TKZNUtil::StrToBool(std::string_view S) {
    if (S == "True") return true;
    if (S == "False") return false;
    throw EConvertError("論理値ではありません " + std::string(S));
}

std::string TKZNUtil::BoolToStr(bool B) { return B ? "True" : "False"; }

void TKZNUtil::SplitByChar(std::string_view S, char Delim, std::vector<std::string>& Parts, std::string& Rest) {
    std::string t = sys::Trim(S);
    for (auto& p : Parts) p.clear();
    Rest.clear();
    if (Parts.empty()) return;
    if (cp932::FindChar(t, Delim) == std::string::npos) {
        Parts[0] = t;
        return;
    }
    std::string_view rest = t;
    for (auto& part : Parts) {
        if (sys::Trim(rest).empty()) break;
        size_t at = cp932::FindChar(rest, Delim);
        if (at == std::string_view::npos) {
            part.assign(rest);
            rest = std::string_view();
        } else {
            part.assign(rest.substr(0, at));
            rest.remove_prefix(at + 1);
        }
    }
    Rest.assign(rest);
}

void TKZNUtil::SplitBySpace(std::string_view S, std::vector<std::string>& Parts, std::string& Rest) {
    TStringList words;
    words.Delimiter = ' ';
    words.QuoteChar = '"';
    words.SetDelimitedText(S);
    for (auto& p : Parts) p.clear();
    Rest.clear();
    for (size_t i = 0; i < words.Items.size(); ++i) {
        if (i < Parts.size()) {
            Parts[i] = std::move(words.Items[i]);
        } else {
            Rest += ' ';
            Rest += words.Items[i];
        }
    }
}

std::string TKZNUtil::DeleteLastCRLF(std::string_view S) {
    if (S.size() >= 2 && S.substr(S.size() - 2) == "\r\n") S.remove_suffix(2);
    return std::string(S);
}

std::string TKZNUtil::Escape5CChars(std::string_view S) {
    // Whole characters are walked, so a 0x5C that ends a character is escaped
    // only where that character really stands, never in the middle of another.
    std::string out;
    out.reserve(S.size() + S.size() / 8);
    for (size_t i = 0; i < S.size();) {
        size_t len = cp932::CharLen(S, i);
        out.append(S.substr(i, len));
        if (len == 2 && t5c::IsPair(S.data() + i)) out.push_back('\\');
        i += len;
    }
    return out;
}

bool TKZNUtil::Is5CChar(std::string_view S) { return S.size() == 2 && t5c::IsPair(S.data()); }

void TKZNUtil::CopyPoint(const TPoint& Src, TPoint& Dest) {
    Dest.X = Src.X;
    Dest.Y = Src.Y;
}

void TKZNUtil::CopyRect(const TRect& Src, TRect& Dest) {
    TPoint tl, br;
    CopyPoint(Src.TopLeft(), tl);
    CopyPoint(Src.BottomRight(), br);
    Dest.Left = tl.X;
    Dest.Top = tl.Y;
    Dest.Right = br.X;
    Dest.Bottom = br.Y;
}

int TKZNUtil::CountLeadingChar(char C, std::string_view S) {
    int n = 0;
    while (static_cast<size_t>(n) < S.size() && S[static_cast<size_t>(n)] == C) ++n;
    return n;
}

bool TKZNUtil::IsNear(int32_t Target, int32_t Value, int32_t Tolerance) {
    // in 64 bits, so that a bound near the ends of the range cannot wrap round
    int64_t t = Target, tol = Tolerance;
    return t - tol <= Value && Value <= t + tol;
}

std::string TKZNUtil::TrimChar(std::string_view S, char C) {
    // The trailing run is taken at character boundaries: the trail byte of a
    // double-byte character that happens to equal C is not part of it.
    size_t b = 0;
    while (b < S.size() && S[b] == C) ++b;
    if (b == S.size()) return std::string(S);
    size_t end = b;
    for (size_t i = b; i < S.size();) {
        size_t len = cp932::CharLen(S, i);
        if (len == 2 || S[i] != C) end = i + len;
        i += len;
    }
    return std::string(S.substr(b, end - b));
}
