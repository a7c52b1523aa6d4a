// Editor utilities: double-byte-aware string tests over CP932 bytes, small
// number functions, splitting a text into lines, indentation width, the cache
// of dotted lines, and the editor's start-up and shut-down steps.
//
// Positions are 1-based byte indexes. A lead byte takes the next byte along as
// its trail; a lead byte that is the last byte of a string has no trail and
// counts as a single byte, so no two-byte step ever runs past the end. A NUL
// byte is ordinary data.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "GraphicsTypes.h"
#include "Persistent.h"
#include "ScopeExit.h"
#include "StringList.h"

// How many of the first min(Length(S), Len) bytes of S equal C.
int CharCount(std::string_view S, char C, int Len);

// True when byte Index of S is the lead byte of a double-byte character.
bool IsLeadBytePos(std::string_view S, int Index);
// True when byte Index of S is the trail byte of a double-byte character.
bool IsTrailBytePos(std::string_view S, int Index);

// Byte Index of S, or #0 outside 1 .. Length(S).
char StrChar(std::string_view S, int Index);

// True when SubStr occurs in S starting at a character boundary of S (double-byte
// characters whole, bytes compared exactly); False for an empty SubStr, an empty
// S, or a SubStr longer than S.
bool IncludeStr(std::string_view SubStr, std::string_view S);

inline int32_t IntMax(int32_t A, int32_t B) { return A > B ? A : B; }
inline int32_t IntMin(int32_t A, int32_t B) { return A < B ? A : B; }

// Calls Line(piece) for every line of Text cut at CR, LF or CR LF; a text that
// ends with a line break gives no empty last line, an empty text no line.
template <class F>
void ForEachTextLine(std::string_view Text, F&& Line) {
    size_t start = 0, i = 0, n = Text.size();
    while (i < n) {
        char c = Text[i];
        if (c == '\r' || c == '\n') {
            Line(Text.substr(start, i - start));
            if (c == '\r' && i + 1 < n && Text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n) Line(Text.substr(start));
}
// The number of lines ForEachTextLine gives for Text.
int TextLineCount(std::string_view Text);

// Strings := the lines of Text (see ForEachTextLine), inside the list's update.
void TextToStrings(std::string_view Text, TStringList& Strings);
// The same for any row list with BeginUpdate, EndUpdate, Clear and Add(string).
template <class TList>
void TextToStrings(std::string_view Text, TList& Strings) {
    Strings.BeginUpdate();
    auto end = ScopeExit([&] { Strings.EndUpdate(); });
    Strings.Clear();
    ForEachTextLine(Text, [&](std::string_view l) { Strings.Add(std::string(l)); });
}

// -1 for an empty S; otherwise the width of S's leading blanks, a blank counting
// 1 and a full-width blank (0x81 0x40) 2; any other byte (a tab too) ends it.
int IndentWidth(std::string_view S);

// One cached dotted line: a row of pixels of the background colour with every
// second pixel, from the first, of the line colour. The view copies from it.
class TDotLineItem : public TCollectionItem {
public:
    explicit TDotLineItem(TCollection* Collection);
    TColor BkColor = clNone;
    TColor Color = clNone;
    // One pixel row, Width pixels wide; empty until drawn.
    std::vector<TColor> Bitmap;
    // Draws the line for the current colours, Width pixels wide.
    void Draw(int Width);
    void Assign(const TPersistent& Source) override;
};

// The cache of dotted lines, one per colour pair.
class TDotLineCollection : public TCollection {
public:
    explicit TDotLineCollection(int Width = DefaultWidth) : FWidth(Width < 1 ? 1 : Width) {}
    static constexpr int DefaultWidth = 4096;
    // The pixel width of the lines (the screen's width).
    int Width() const { return FWidth; }
    TDotLineItem* Items(int Index) const { return static_cast<TDotLineItem*>(TCollection::Items(Index)); }
    // The item of the colour pair, made and drawn when missing; at least Width
    // pixels wide (a wider request widens it).
    TDotLineItem* Item(TColor BkColor, TColor Color, int Width = 0);

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override;

private:
    int FWidth;
};

// The pixels DrawDotLine copies: X2 - X1 + 1 pixels of the cached line of the
// colour pair (empty when X2 < X1). The view's DrawDotLine blits them at (X1, Y).
std::vector<TColor> DotLinePixels(TColor BkColor, TColor Color, int X1, int X2);

// The start-up and shut-down steps of the editor that have no display part.
// The view registers the clipboard format, cursors and image lists.
constexpr const char* BoxClipboardFormatName = "TEditor Box Type";
constexpr TCursor crRightArrow = 1958;   // the cursor "RightArrow"
constexpr TCursor crDragSelCopy = 1959;  // the cursor "DragSelCopy"

// The one cache of dotted lines, from start-up to shut-down (made on first use
// when start-up has not run).
TDotLineCollection& DotLines();
void EditorUtilInitialize(int ScreenWidth = TDotLineCollection::DefaultWidth);
void EditorUtilFinalize();
