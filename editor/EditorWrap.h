// Word wrap and column codes. A row's column codes give one character per
// screen column: "1" a single byte, "2" a single byte that is a break character,
// "3" fill after a tab, "4" and "5" the lead and trail byte of a double-byte
// character. The wrap rules cut a logical line into rows of at most WrapByte
// columns with the Japanese line-breaking rules of TEditorWrapOption.
#pragma once
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

#include "EditorBase.h"

// The single bytes after which word wrap may break a row.
using TBreakChars = std::bitset<256>;
// The editor's default: every single byte except the digits, the letters, "_",
// the double-byte lead ranges and the half-width katakana.
TBreakChars DefaultBreakChars();
// The default set, made once.
const TBreakChars& StandardBreakChars();

// What the column codes of a row depend on: the view's break characters and tab
// width, and the text's wrap state.
struct TColumnMetrics {
    const TBreakChars* BreakChars = nullptr;  // null: the default set
    int TabSpaceCount = 8;
    bool WordWrap = false;
    int WrapByte = 80;
};

// The column codes of S; with wrap they stop at WrapByte + 3 codes, without at
// 8192 (the building stops once the limit is reached). A lead byte that is the
// last byte of S has no trail and is coded as a single byte.
std::string ColumnCodes(const TColumnMetrics& M, std::string_view S);
// The same, building at most Limit codes.
std::string ColumnCodes(const TColumnMetrics& M, std::string_view S, size_t Limit);
// The width of S in columns: a lead byte with its trail 2, a tab up to its
// next stop (with wrap, at most up to the wrap edge), any other byte 1.
int TextColumns(const TColumnMetrics& M, std::string_view S);

// A cursor over the columns of a row.
class TEditorAttributeArray {
public:
    TEditorAttributeArray() = default;
    TEditorAttributeArray(std::string_view AText, std::string_view ACodes) { Init(AText, ACodes); }
    void Init(std::string_view AText, std::string_view ACodes);

    void Next();
    void Prev();
    int ColCount() const { return static_cast<int>(Codes.size()) - 1; }
    void MoveTo(int Col);
    // The character at the cursor: empty at "0"; a double-byte character whole.
    std::string_view GetChar() const;
    // The character of the following column.
    std::string_view NextChar();

    char Code = '0';
    std::string Codes;   // with "0" appended
    int Pos = 1;         // 1-based column
    std::string_view Text;
    int TextPos = 1;     // 1-based byte of Text covering column Pos
};

// The wrap rules.
class TEditorWrapOption : public TNotifyPersistent {
public:
    int WrapByte() const { return FWrapByte; }
    void SetWrapByte(int Value);  // clamped to 20 .. 250
    bool WordBreak() const { return FWordBreak; }
    void SetWordBreak(bool Value);
    bool FollowPunctuation() const { return FFollowPunctuation; }
    void SetFollowPunctuation(bool Value);
    const std::string& PunctuationStr() const { return FPunctuationStr; }
    void SetPunctuationStr(const std::string& Value);
    bool Leading() const { return FLeading; }
    void SetLeading(bool Value);
    const std::string& LeadStr() const { return FLeadStr; }
    void SetLeadStr(const std::string& Value);
    const std::string& FollowStr() const { return FFollowStr; }
    void SetFollowStr(const std::string& Value);
    bool FollowRetMark() const { return FFollowRetMark; }
    void SetFollowRetMark(bool Value);

    // From another wrap option: all eight values, one change report.
    void Assign(const TPersistent& Source) override;
    void GetPublishedProperties(TPropList& List) override;

    static const char* const DefaultPunctuationStr;
    static const char* const DefaultLeadStr;
    static const char* const DefaultFollowStr;

private:
    int FWrapByte = 80;
    bool FWordBreak = false;
    bool FFollowPunctuation = false;
    std::string FPunctuationStr = DefaultPunctuationStr;
    bool FLeading = false;
    std::string FLeadStr = DefaultLeadStr;
    std::string FFollowStr = DefaultFollowStr;
    bool FFollowRetMark = false;
};

// Cuts rows from a logical line. Give it the rest of the line from the start of
// the next row: either the whole rest, or at least WindowBytes() bytes of it
// (the rules never look further). It answers how many bytes the next row takes,
// or that the rest is the last row.
class TLineCutter {
public:
    TLineCutter(const TColumnMetrics& M, const TEditorWrapOption& O);
    size_t WindowBytes() const { return static_cast<size_t>(FW) + 8; }
    // Rest: the text from the row start; RestIsAll: it runs to the line's end.
    // Answers true and the row length in Len when a row is cut; false when Rest
    // (which then runs to the line's end) is the last row.
    bool Cut(std::string_view Rest, bool RestIsAll, size_t& Len);
    bool FollowRetMark() const { return FFollowRetMark; }

private:
    bool CutPlain(std::string_view Rest, size_t& Len) const;
    bool InSet(std::string_view Ch, const std::string& Set) const;
    void StepBackWhole(TEditorAttributeArray& A) const;
    TColumnMetrics FM;
    int FW;
    bool FWordBreak, FFollowPunctuation, FLeading, FFollowRetMark;
    std::string FPunctuation, FLeadStr, FFollowStr;
    std::string FCodes;
};

// A row cut from a line: its bytes and its attribute (raWrapped for a row the
// line continues after, raLineBreak for the line's last row).
struct TWrappedRow {
    std::string_view Text;
    int Attribute;
};

// Calls Row(const TWrappedRow&) for every row of the logical line S (without
// its line break) as the wrap rules cut it. Linear in the length of S: every
// cut looks at no more than the cutter's window.
template <class F>
void CutLine(TLineCutter& C, std::string_view S, F&& Row) {
    size_t off = 0;
    bool pending = false;
    std::string_view last;
    for (;;) {
        std::string_view rest = S.substr(off);
        size_t len = 0;
        bool more = C.Cut(rest.size() > C.WindowBytes() ? rest.substr(0, C.WindowBytes()) : rest,
                          rest.size() <= C.WindowBytes(), len);
        if (!more) {
            if (pending && rest.empty() && C.FollowRetMark()) {
                Row(TWrappedRow{last, 0});  // a line that fills its last row ends there
                return;
            }
            if (pending) Row(TWrappedRow{last, 1});
            Row(TWrappedRow{rest, 0});
            return;
        }
        if (pending) Row(TWrappedRow{last, 1});
        last = rest.substr(0, len);
        pending = true;
        off += len;
    }
}

// The number of rows the logical line S takes.
int CountLineRows(TLineCutter& C, std::string_view S);
