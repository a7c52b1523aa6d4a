// Column codes, the column cursor, the wrap rules and the row cutter.
#include "EditorWrap.h"

#include <algorithm>
#include <cstring>

#include "CP932.h"
#include "EditorUtil.h"

TBreakChars DefaultBreakChars() {
    TBreakChars b;
    auto range = [&](int lo, int hi) {
        for (int c = lo; c <= hi; ++c) b.set(static_cast<size_t>(c));
    };
    range(0x00, 0x2F);
    range(0x3A, 0x40);
    range(0x5B, 0x5E);
    range(0x60, 0x60);
    range(0x7B, 0x80);
    range(0xA0, 0xA5);
    range(0xFD, 0xFF);
    return b;
}

const TBreakChars& StandardBreakChars() {
    static const TBreakChars b = DefaultBreakChars();
    return b;
}

std::string ColumnCodes(const TColumnMetrics& M, std::string_view S, size_t Limit) {
    std::string codes;
    if (S.empty()) return codes;
    const TBreakChars& brk = M.BreakChars ? *M.BreakChars : StandardBreakChars();
    const size_t T = static_cast<size_t>(std::max(1, M.TabSpaceCount));
    const size_t W = static_cast<size_t>(std::max(1, M.WrapByte));
    codes.reserve(std::min(Limit + 8, S.size() + 8));
    size_t i = 0, n = S.size();
    while (i < n && codes.size() < Limit) {
        unsigned char c = static_cast<unsigned char>(S[i]);
        if (cp932::IsLeadByte(c) && i + 1 < n) {
            codes += "45";
            i += 2;
            continue;
        }
        codes.push_back(brk.test(c) ? '2' : '1');
        if (c == '\t') {
            size_t L = codes.size();
            size_t fill = T - ((L - 1) % T + 1);
            if (M.WordWrap) fill = std::min(fill, W - ((L - 1) % W + 1));
            codes.append(fill, '3');
        }
        ++i;
    }
    return codes;
}

std::string ColumnCodes(const TColumnMetrics& M, std::string_view S) {
    size_t limit = M.WordWrap ? static_cast<size_t>(M.WrapByte) + 3 : 8192;
    return ColumnCodes(M, S, limit);
}

int TextColumns(const TColumnMetrics& M, std::string_view S) {
    if (S.empty() || std::memchr(S.data(), '\t', S.size()) == nullptr) return static_cast<int>(S.size());
    const long T = std::max(1, M.TabSpaceCount);
    const long W = std::max(1, M.WrapByte);
    long w = 0;
    size_t i = 0, n = S.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(S[i]);
        if (cp932::IsLeadByte(c) && i + 1 < n) {
            w += 2;
            i += 2;
            continue;
        }
        if (c == '\t') {
            long add = T - (w % T);
            if (M.WordWrap) add = std::min(add, W - (w % W));
            w += add;
        } else {
            ++w;
        }
        ++i;
    }
    return static_cast<int>(w);
}

// ---- TEditorAttributeArray -------------------------------------------------

void TEditorAttributeArray::Init(std::string_view AText, std::string_view ACodes) {
    Text = AText;
    Codes.assign(ACodes.data(), ACodes.size());
    Codes.push_back('0');
    Pos = 1;
    TextPos = 1;
    Code = Codes[0];
}

void TEditorAttributeArray::Next() {
    if (Code == '0') return;
    ++Pos;
    Code = Codes[static_cast<size_t>(Pos - 1)];
    if (Code != '3') ++TextPos;
}

void TEditorAttributeArray::Prev() {
    if (Pos <= 1) return;
    bool leftFill = Code == '3';
    --Pos;
    Code = Codes[static_cast<size_t>(Pos - 1)];
    if (!leftFill) --TextPos;
}

void TEditorAttributeArray::MoveTo(int Col) {
    while (Pos < Col && Code != '0') Next();
    while (Pos > Col && Pos >= 2) Prev();
}

std::string_view TEditorAttributeArray::GetChar() const {
    size_t p = static_cast<size_t>(TextPos - 1);
    switch (Code) {
        case '0':
            return std::string_view();
        case '4':
            if (p + 1 < Text.size()) return Text.substr(p, 2);
            break;
        case '5':
            if (p >= 1 && p < Text.size()) return Text.substr(p - 1, 2);
            break;
        default:
            break;
    }
    if (p < Text.size()) return Text.substr(p, 1);
    return std::string_view();
}

std::string_view TEditorAttributeArray::NextChar() {
    if (Code == '0') return std::string_view();
    Next();
    std::string_view c = GetChar();
    Prev();
    return c;
}

// ---- TEditorWrapOption -----------------------------------------------------

const char* const TEditorWrapOption::DefaultPunctuationStr = "、。，．,.｡､";
const char* const TEditorWrapOption::DefaultLeadStr = "（［｛「『([{｢";
const char* const TEditorWrapOption::DefaultFollowStr =
    "、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ";

void TEditorWrapOption::SetWrapByte(int Value) {
    Value = std::clamp(Value, 20, 250);
    if (Value == FWrapByte) return;
    FWrapByte = Value;
    Changed();
}

#define Z_WRAP_SETTER(NAME, TYPE, FIELD)          \
    void TEditorWrapOption::Set##NAME(TYPE Value) { \
        if (FIELD == Value) return;                 \
        FIELD = Value;                              \
        Changed();                                  \
    }
Z_WRAP_SETTER(WordBreak, bool, FWordBreak)
Z_WRAP_SETTER(FollowPunctuation, bool, FFollowPunctuation)
Z_WRAP_SETTER(PunctuationStr, const std::string&, FPunctuationStr)
Z_WRAP_SETTER(Leading, bool, FLeading)
Z_WRAP_SETTER(LeadStr, const std::string&, FLeadStr)
Z_WRAP_SETTER(FollowStr, const std::string&, FFollowStr)
Z_WRAP_SETTER(FollowRetMark, bool, FFollowRetMark)
#undef Z_WRAP_SETTER

void TEditorWrapOption::Assign(const TPersistent& Source) {
    if (auto* o = dynamic_cast<const TEditorWrapOption*>(&Source)) {
        FWrapByte = o->FWrapByte;
        FWordBreak = o->FWordBreak;
        FFollowPunctuation = o->FFollowPunctuation;
        FPunctuationStr = o->FPunctuationStr;
        FLeading = o->FLeading;
        FLeadStr = o->FLeadStr;
        FFollowStr = o->FFollowStr;
        FFollowRetMark = o->FFollowRetMark;
        Changed();
        return;
    }
    TNotifyPersistent::Assign(Source);
}

void TEditorWrapOption::GetPublishedProperties(TPropList& List) {
    TNotifyPersistent::GetPublishedProperties(List);
    List.push_back({"FollowPunctuation", tkEnumeration, "Boolean", nullptr});
    List.push_back({"FollowRetMark", tkEnumeration, "Boolean", nullptr});
    List.push_back({"FollowStr", tkLString, "string", nullptr});
    List.push_back({"LeadStr", tkLString, "string", nullptr});
    List.push_back({"Leading", tkEnumeration, "Boolean", nullptr});
    List.push_back({"PunctuationStr", tkLString, "string", nullptr});
    List.push_back({"WordBreak", tkEnumeration, "Boolean", nullptr});
    List.push_back({"WrapByte", tkInteger, "Integer", nullptr});
}

// ---- TLineCutter -------------------------------------------------------------

TLineCutter::TLineCutter(const TColumnMetrics& M, const TEditorWrapOption& O)
    : FM(M),
      FW(O.WrapByte()),
      FWordBreak(O.WordBreak()),
      FFollowPunctuation(O.FollowPunctuation()),
      FLeading(O.Leading()),
      FFollowRetMark(O.FollowRetMark()),
      FPunctuation(O.PunctuationStr()),
      FLeadStr(O.LeadStr()),
      FFollowStr(O.FollowStr()) {
    FM.WordWrap = true;
    FM.WrapByte = FW;
}

bool TLineCutter::InSet(std::string_view Ch, const std::string& Set) const {
    return !Ch.empty() && IncludeStr(Ch, Set);
}

void TLineCutter::StepBackWhole(TEditorAttributeArray& A) const {
    A.Prev();
    if (A.Code == '4') A.Prev();
}

// Without WordBreak, FollowPunctuation and Leading a row ends at the character
// that covers column W, or before it when that is a double-byte character
// starting on column W: found by counting columns, without the codes.
bool TLineCutter::CutPlain(std::string_view Rest, size_t& Len) const {
    const long W = FW;
    const long T = std::max(1, FM.TabSpaceCount);
    long col = 0;  // columns before byte i
    size_t i = 0, n = Rest.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(Rest[i]);
        long width = 1;
        size_t bytes = 1;
        if (cp932::IsLeadByte(c) && i + 1 < n) {
            width = 2;
            bytes = 2;
        } else if (c == '\t') {
            long fill = std::min(T - (col % T + 1), W - (col % W + 1));
            width = 1 + fill;
        }
        if (col + width >= W) {
            Len = (bytes == 2 && col + 1 == W) ? i : i + bytes;
            return true;
        }
        col += width;
        i += bytes;
    }
    return false;
}

bool TLineCutter::Cut(std::string_view Rest, bool RestIsAll, size_t& Len) {
    (void)RestIsAll;
    if (!FWordBreak && !FFollowPunctuation && !FLeading) return CutPlain(Rest, Len);
    const int W = FW;
    FCodes = ColumnCodes(FM, Rest, static_cast<size_t>(W) + 3);
    if (static_cast<int>(FCodes.size()) < W) return false;
    TEditorAttributeArray A(Rest, FCodes);
    A.MoveTo(W);
    if (A.Code == '0') return false;
    // A double-byte character is never split; with WordBreak the row ends after
    // a delimiter, a tab's fill or a double-byte character when one lies beyond
    // a third of the width.
    if (A.Code == '4') {
        A.Prev();
    } else if (FWordBreak && A.ColCount() > W) {
        while (A.Code != '2' && A.Code != '3' && A.Code != '5' && A.Pos > W / 3) {
            A.Prev();
            if (A.Code == '4') A.Prev();
        }
    }
    // Punctuation may hang up to two columns past the edge.
    if (FFollowPunctuation) {
        while (A.Pos < W + 2 && InSet(A.NextChar(), FPunctuation)) {
            A.Next();
            if (A.Code == '4') A.Next();
        }
    }
    // A row does not end with a character of LeadStr, nor does the next one
    // begin with a character of FollowStr; the rules stop at four fifths.
    if (FLeading && A.Pos < A.ColCount()) {
        const int minPos = (W / 5) * 4;
        while (A.Pos > minPos && InSet(A.GetChar(), FLeadStr)) StepBackWhole(A);
        if (A.Pos + 2 <= A.ColCount() && InSet(A.NextChar(), FFollowStr)) {
            std::string_view next = A.NextChar();
            std::string_view prev = A.GetChar();
            while (A.Pos > minPos && (InSet(prev, FLeadStr) || InSet(next, FFollowStr))) {
                StepBackWhole(A);
                next = prev;
                prev = A.GetChar();
            }
        }
    }
    size_t len = static_cast<size_t>(std::max(1, A.TextPos));
    if (A.Code == '4') ++len;  // never leave a lead byte without its trail
    Len = std::min(len, Rest.size());
    return true;
}

int CountLineRows(TLineCutter& C, std::string_view S) {
    int n = 0;
    CutLine(C, S, [&](const TWrappedRow&) { ++n; });
    return n;
}
