#include "EditorUtil.h"

#include "CP932.h"

int CharCount(std::string_view S, char C, int Len) {
    size_t n = Len <= 0 ? 0 : static_cast<size_t>(Len);
    if (n > S.size()) n = S.size();
    int count = 0;
    for (size_t i = 0; i < n; ++i)
        if (S[i] == C) ++count;
    return count;
}

namespace {

// The kind of byte Index (1-based, inside S): 0 single, 1 lead, 2 trail.
// Walking from the start is linear; instead walk back to the nearest byte that
// cannot be a lead byte, which always ends a character, and count from there.
int ByteKind(std::string_view S, int Index) {
    size_t i = static_cast<size_t>(Index - 1);
    size_t k = i;
    while (k > 0 && cp932::IsLeadByte(S[k - 1])) --k;
    // bytes k .. i - 1 are lead-range bytes that pair up from k
    if ((i - k) % 2 == 1) return 2;
    if (cp932::IsLeadByte(S[i]) && i + 1 < S.size()) return 1;
    return 0;
}

}  // namespace

bool IsLeadBytePos(std::string_view S, int Index) {
    if (Index < 1 || static_cast<size_t>(Index) > S.size()) return false;
    return ByteKind(S, Index) == 1;
}

bool IsTrailBytePos(std::string_view S, int Index) {
    if (Index < 1 || static_cast<size_t>(Index) > S.size()) return false;
    return ByteKind(S, Index) == 2;
}

char StrChar(std::string_view S, int Index) {
    if (Index < 1 || static_cast<size_t>(Index) > S.size()) return '\0';
    return S[static_cast<size_t>(Index - 1)];
}

bool IncludeStr(std::string_view SubStr, std::string_view S) {
    if (SubStr.empty() || S.empty() || SubStr.size() > S.size()) return false;
    size_t i = 0, n = S.size(), m = SubStr.size();
    while (i + m <= n) {
        if (S.compare(i, m, SubStr) == 0) return true;
        i += (cp932::IsLeadByte(S[i]) && i + 1 < n) ? 2 : 1;
    }
    return false;
}

int TextLineCount(std::string_view Text) {
    int n = 0;
    ForEachTextLine(Text, [&](std::string_view) { ++n; });
    return n;
}

void TextToStrings(std::string_view Text, TStringList& Strings) {
    Strings.Clear();
    Strings.Items.reserve(static_cast<size_t>(TextLineCount(Text)));
    ForEachTextLine(Text, [&](std::string_view l) { Strings.Add(std::string(l)); });
}

int IndentWidth(std::string_view S) {
    if (S.empty()) return -1;
    int w = 0;
    size_t i = 0;
    while (i < S.size()) {
        if (S[i] == ' ') {
            ++w;
            ++i;
        } else if (static_cast<unsigned char>(S[i]) == 0x81 && i + 1 < S.size() &&
                   static_cast<unsigned char>(S[i + 1]) == 0x40) {
            w += 2;
            i += 2;
        } else {
            break;
        }
    }
    return w;
}

// ---------------------------------------------------------------------------

TDotLineItem::TDotLineItem(TCollection* Collection) : TCollectionItem(Collection) {}

void TDotLineItem::Draw(int Width) {
    if (Width < 1) Width = 1;
    Bitmap.assign(static_cast<size_t>(Width), BkColor);
    for (size_t x = 0; x < Bitmap.size(); x += 2) Bitmap[x] = Color;
}

void TDotLineItem::Assign(const TPersistent& Source) {
    if (const auto* s = dynamic_cast<const TDotLineItem*>(&Source)) {
        BkColor = s->BkColor;
        Color = s->Color;
        Bitmap = s->Bitmap;
        return;
    }
    TCollectionItem::Assign(Source);
}

std::unique_ptr<TCollectionItem> TDotLineCollection::CreateItem() {
    return std::make_unique<TDotLineItem>(this);
}

TDotLineItem* TDotLineCollection::Item(TColor BkColor, TColor Color, int Width) {
    int w = Width > FWidth ? Width : FWidth;
    for (int i = 0; i < Count(); ++i) {
        TDotLineItem* item = Items(i);
        if (item->BkColor == BkColor && item->Color == Color) {
            if (static_cast<int>(item->Bitmap.size()) < w) item->Draw(w);
            return item;
        }
    }
    auto* item = static_cast<TDotLineItem*>(Add());
    item->BkColor = BkColor;
    item->Color = Color;
    item->Draw(w);
    return item;
}

std::vector<TColor> DotLinePixels(TColor BkColor, TColor Color, int X1, int X2) {
    if (X2 < X1) return {};
    int w = X2 - X1 + 1;
    TDotLineItem* item = DotLines().Item(BkColor, Color, w);
    return std::vector<TColor>(item->Bitmap.begin(), item->Bitmap.begin() + w);
}

// ---------------------------------------------------------------------------

namespace {
std::unique_ptr<TDotLineCollection>& DotLinesHolder() {
    static std::unique_ptr<TDotLineCollection> p;
    return p;
}
}  // namespace

TDotLineCollection& DotLines() {
    auto& p = DotLinesHolder();
    if (!p) p = std::make_unique<TDotLineCollection>();
    return *p;
}

void EditorUtilInitialize(int ScreenWidth) { DotLinesHolder() = std::make_unique<TDotLineCollection>(ScreenWidth); }

void EditorUtilFinalize() { DotLinesHolder().reset(); }
