#include "Fountain.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "CP932.h"

TTokenKinds TokenKinds(std::initializer_list<int> Kinds) {
    TTokenKinds k;
    for (int i : Kinds) k.set(static_cast<size_t>(i & 0xFF));
    return k;
}

// ---------------------------------------------------------------------------
// Colours and brackets

void TFountainColor::SetBkColor(TColor Value) {
    if (FBkColor == Value) return;
    FBkColor = Value;
    Changed();
}

void TFountainColor::SetColor(TColor Value) {
    if (FColor == Value) return;
    FColor = Value;
    Changed();
}

void TFountainColor::SetStyle(TFontStyles Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    Changed();
}

void TFountainColor::Assign(const TPersistent& Source) {
    if (const auto* s = dynamic_cast<const TFountainColor*>(&Source)) {
        FBkColor = s->FBkColor;
        FColor = s->FColor;
        FStyle = s->FStyle;
        Changed();
        return;
    }
    TNotifyPersistent::Assign(Source);
}

void TFountainColor::GetPublishedProperties(TPropList& List) {
    List.push_back({"BkColor", tkInteger, "TColor", nullptr});
    List.push_back({"Color", tkInteger, "TColor", nullptr});
    List.push_back({"Style", tkSet, "TFontStyles", nullptr});
}

TFountainColorItem::TFountainColorItem(TCollection* Collection)
    : TCollectionItem(Collection), FItemColor(std::make_unique<TFountainColor>()) {
    if (auto* nc = dynamic_cast<TNotifyCollection*>(Collection))
        FItemColor->OnChange = MakeEvent<&TNotifyCollection::ChangedProc>(nc);
}

void TFountainColorItem::Assign(const TPersistent& Source) {
    if (const auto* s = dynamic_cast<const TFountainColorItem*>(&Source)) {
        FItemColor->Assign(*s->FItemColor);
        return;
    }
    TCollectionItem::Assign(Source);
}

void TFountainColorItem::GetPublishedProperties(TPropList& List) {
    List.push_back({"ItemColor", tkClass, "TFountainColor", FItemColor.get()});
}

void TFountainBracketItem::SetLeftBracket(const std::string& Value) {
    if (FLeftBracket == Value) return;
    FLeftBracket = Value;
    Changed(false);
}

void TFountainBracketItem::SetRightBracket(const std::string& Value) {
    if (FRightBracket == Value) return;
    FRightBracket = Value;
    Changed(false);
}

void TFountainBracketItem::Assign(const TPersistent& Source) {
    if (const auto* s = dynamic_cast<const TFountainBracketItem*>(&Source)) {
        FLeftBracket = s->FLeftBracket;
        FRightBracket = s->FRightBracket;
        TFountainColorItem::Assign(Source);
        return;
    }
    TFountainColorItem::Assign(Source);
}

void TFountainBracketItem::GetPublishedProperties(TPropList& List) {
    TFountainColorItem::GetPublishedProperties(List);
    List.push_back({"LeftBracket", tkLString, "string", nullptr});
    List.push_back({"RightBracket", tkLString, "string", nullptr});
}

TFountainBracketItem* TFountainBracketCollection::Add() { return Insert(Count()); }

TFountainBracketItem* TFountainBracketCollection::Insert(int Index) {
    if (Count() >= MaxBracketCount)
        throw EFountain("TFountainBracketCollection\r\nYou can not add item over " + std::to_string(MaxBracketCount));
    return static_cast<TFountainBracketItem*>(TNotifyCollection::Insert(Index));
}

std::unique_ptr<TCollectionItem> TFountainBracketCollection::CreateItem() {
    return std::make_unique<TFountainBracketItem>(this);
}

// ---------------------------------------------------------------------------
// TFountain

TFountain::~TFountain() {
    // parts must not report into the list while the fountain goes away
    if (FReserve) FReserve->OnChange = nullptr;
    if (FBrackets) FBrackets->OnChange = nullptr;
}

TNotifyEvent TFountain::ListChangedProc() {
    return MakeEvent<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(FNotifyEventList.get()));
}

void TFountain::AfterConstruction() {
    TFileExtComponent::AfterConstruction();
    FNotifyEventList = std::make_unique<TNotifyEventList>(this);
    FBrackets = CreateBrackets();
    BracketsCreated();
    FReserveWordList = CreateFileExtList();
    ReserveWordListCreated();
    CreateColors();
}

void TFountain::SetReserveWordList(const TSortedStringList& Value) {
    FReserveWordList->Assign(Value);
    FNotifyEventList->ChangedProc(this);
}

void TFountain::GetPublishedProperties(TPropList& List) {
    List.push_back({"Brackets", tkClass, "TFountainBracketCollection", FBrackets.get()});
    TFileExtComponent::GetPublishedProperties(List);
    List.push_back({"Reserve", tkClass, "TFountainColor", FReserve.get()});
    List.push_back({"ReserveWordList", tkClass, "TStringList", nullptr});
}

std::unique_ptr<TFountainColor> TFountain::CreateFountainColor() {
    auto c = std::make_unique<TFountainColor>();
    c->OnChange = ListChangedProc();
    return c;
}

void TFountain::CreateColors() { FReserve = CreateFountainColor(); }

std::unique_ptr<TFountainBracketCollection> TFountain::CreateBrackets() {
    auto b = std::make_unique<TFountainBracketCollection>();
    b->OnChange = ListChangedProc();
    return b;
}

void TFountain::BracketsCreated() {}
void TFountain::ReserveWordListCreated() {}

void TFountain::HasItalicProc(void* Data, TPersistent*, const TPropInfo& PropInfo) {
    if (PropInfo.Kind != tkClass) return;
    if (auto* c = dynamic_cast<TFountainColor*>(PropInfo.Object))
        if (c->Style().Contains(fsItalic)) *static_cast<bool*>(Data) = true;
}

void TFountain::SetColorProc(void* Data, TPersistent*, const TPropInfo& PropInfo) {
    if (PropInfo.Kind != tkClass) return;
    auto* c = dynamic_cast<TFountainColor*>(PropInfo.Object);
    if (!c) return;
    const auto& d = *static_cast<const TSetColorData*>(Data);
    switch (d.What) {
        case TSetColorData::scBkColor: c->SetBkColor(d.Color); break;
        case TSetColorData::scColor: c->SetColor(d.Color); break;
        case TSetColorData::scStyle: c->SetStyle(d.Style); break;
    }
}

std::unique_ptr<TFountainParser> TFountain::CreateParser() { return GetParserClass()(this); }

bool TFountain::HasItalicStyle() {
    bool found = false;
    WalkProperties(
        this, tkProperties,
        [this](void* data, TPersistent* inst, const TPropInfo& p) { HasItalicProc(data, inst, p); }, &found);
    return found;
}

// ---------------------------------------------------------------------------
// TFountainParser

namespace {

inline bool InRange(unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }
inline bool IsDigit(unsigned char c) { return InRange(c, '0', '9'); }
inline bool IsLetter(unsigned char c) { return InRange(c, 'A', 'Z') || InRange(c, 'a', 'z'); }
inline bool IsHexDigit(unsigned char c) { return IsDigit(c) || InRange(c, 'A', 'F') || InRange(c, 'a', 'f'); }
inline bool IsIdentChar(unsigned char c) { return IsDigit(c) || IsLetter(c) || c == '_'; }
inline bool IsKanjiLead(unsigned char c) { return InRange(c, 0x88, 0x9F) || InRange(c, 0xE0, 0xFC); }

bool IsMailChar(unsigned char c) {
    if (IsDigit(c) || IsLetter(c)) return true;
    switch (c) {
        case '!': case '$': case '%': case '&': case '*': case ',': case '-': case '.': case '/':
        case ';': case '=': case '?': case '@': case '^': case '_': case '~':
            return true;
        default:
            return false;
    }
}

bool IsUrlChar(unsigned char c) {
    if (IsDigit(c) || IsLetter(c)) return true;
    switch (c) {
        case '#': case '%': case '&': case '+': case '-': case '.': case '/': case ':': case '=':
        case '?': case '_': case '~':
            return true;
        default:
            return false;
    }
}

inline bool IsBlank(unsigned char c) { return c >= 1 && c <= 32 && c != 9; }

}  // namespace

TFountainParser::TFountainParser(TFountain* AFountain) : FFountain(AFountain) {
    if (!AFountain) throw EFountain("TFountainParser.Create need instance of TFountain");
}

void TFountainParser::AfterConstruction() {
    TObject::AfterConstruction();
    InitMethodTable();
}

int TFountainParser::CharLen(int i) const { return (cp932::IsLeadByte(Ch(i)) && i + 1 < FLen) ? 2 : 1; }

bool TFountainParser::MatchAt(int i, std::string_view S) const {
    if (S.empty() || i < 0 || i > FLen || S.size() > static_cast<size_t>(FLen - i)) return false;
    return std::memcmp(FBuffer.data() + i, S.data(), S.size()) == 0;
}

bool TFountainParser::MailChar(unsigned char c) { return IsMailChar(c); }

bool TFountainParser::UsableBracket(int Index) const {
    const TFountainBracketCollection& b = FFountain->Brackets();
    if (Index < 0 || Index >= b.Count()) return false;
    const TFountainBracketItem* item = b.Items(Index);
    return !item->LeftBracket().empty() && !item->RightBracket().empty();
}

namespace {
// The base tables, the same for every parser: made once, copied into each.
struct TBaseTables {
    TFountainParser::TParserMethod Methods[256];
    TFountainParser::TParserMethod Tokens[256];
};
}  // namespace

void TFountainParser::InitMethodTable() {
    static const TBaseTables tables = [] {
        TBaseTables t;
        for (int b = 0; b < 256; ++b) {
            auto c = static_cast<unsigned char>(b);
            TParserMethod m = &TFountainParser::SymbolProc;
            if (c == 0) m = &TFountainParser::NullProc;
            else if (c == 9) m = &TFountainParser::TabProc;
            else if (c == 10) m = &TFountainParser::LFProc;
            else if (c == 13) m = &TFountainParser::CRProc;
            else if (IsDigit(c)) m = &TFountainParser::IntegerProc;
            else if (IsLetter(c) || c == '_') m = &TFountainParser::IdentProc;
            else if (c == 0x81 || InRange(c, 0x84, 0x87)) m = &TFountainParser::DBCSSymbolProc;
            else if (c == 0x82 || c == 0x83) m = &TFountainParser::DBCSRunProc;
            else if (IsKanjiLead(c)) m = &TFountainParser::KanjiProc;
            else if (InRange(c, 0xA1, 0xA5)) m = &TFountainParser::KanaSymbolProc;
            else if (InRange(c, 0xA6, 0xDF)) m = &TFountainParser::KanaProc;
            t.Methods[b] = m;
            t.Tokens[b] = &TFountainParser::SymbolProc;
        }
        t.Tokens[toInteger] = &TFountainParser::IntegerProc;
        t.Tokens[toFloat] = &TFountainParser::IntegerProc;
        t.Tokens[toBracket] = &TFountainParser::BracketProc;
        t.Tokens[toComment] = &TFountainParser::CommentProc;
        t.Tokens[toReserve] = &TFountainParser::ReserveWordProc;
        t.Tokens[toAnk] = &TFountainParser::IdentProc;
        t.Tokens[toDBSymbol] = &TFountainParser::DBCSSymbolProc;
        for (int k = toDBInt; k <= toDBKana; ++k) t.Tokens[k] = &TFountainParser::DBCSRunProc;
        t.Tokens[toDBKanji] = &TFountainParser::KanjiProc;
        t.Tokens[toKanaSymbol] = &TFountainParser::KanaSymbolProc;
        t.Tokens[toKana] = &TFountainParser::KanaProc;
        t.Tokens[toUrl] = &TFountainParser::UrlProc;
        t.Tokens[toMail] = &TFountainParser::MailProc;
        t.Tokens[toHex] = &TFountainParser::HexProc;
        t.Tokens[toSingleQuotation] = &TFountainParser::SingleQuoteProc;
        t.Tokens[toDoubleQuotation] = &TFountainParser::DoubleQuoteProc;
        return t;
    }();
    std::copy(std::begin(tables.Methods), std::end(tables.Methods), std::begin(FMethodTable));
    std::copy(std::begin(tables.Tokens), std::end(tables.Tokens), std::begin(FTokenMethodTable));
}

void TFountainParser::SkipBlanks() {
    while (FPosition < FLen && IsBlank(Ch(FPosition))) ++FPosition;
}

bool TFountainParser::IsReserveWord() {
    if (FContinuing || FToken == toEof || FToken == toBracket || FToken == toComment) return false;
    const TSortedStringList& words = FFountain->ReserveWordList();
    return !words.Empty() && TokenLength() > 0 && words.IndexOf(TokenView()) >= 0;
}

bool TFountainParser::IsBracketStart() {
    const TFountainBracketCollection& b = FFountain->Brackets();
    for (int i = 0; i < b.Count(); ++i) {
        const TFountainBracketItem* item = b.Items(i);
        // a pair without its right string could never be closed
        if (item->RightBracket().empty()) continue;
        if (MatchAt(FRun, item->LeftBracket())) {
            FBracketIndex = i;
            FRun += static_cast<int>(item->LeftBracket().size());
            return true;
        }
    }
    return false;
}

void TFountainParser::BracketProc() {
    if (!UsableBracket(FBracketIndex)) {
        FToken = toEof;
        return;
    }
    FToken = toBracket;
    FBracketTokenIndex = FBracketIndex;
    const std::string& right = FFountain->Brackets().Items(FBracketIndex)->RightBracket();
    while (!AtRowEnd(FRun)) {
        if (MatchAt(FRun, right)) {
            FRun += static_cast<int>(right.size());
            FBracketIndex = -1;
            return;
        }
        FRun += CharLen(FRun);
    }
}

bool TFountainParser::IsMail() {
    if (AtRowEnd(FRun)) return false;
    unsigned char c = Ch(FRun);
    if (!IsMailChar(c) || c == '@') return false;
    // a later start inside a run already scanned cannot hold an address either
    if (FRun < FMailFailEnd) return false;
    bool at = false;
    int p = FRun;
    while (p < FLen && IsMailChar(Ch(p))) {
        if (Ch(p) == '@') {
            at = true;
        } else if (at && Ch(p) == '.') {
            FRun = p + 1;
            return true;
        }
        ++p;
    }
    FMailFailEnd = p;
    return false;
}

void TFountainParser::MailProc() {
    FToken = toMail;
    while (FRun < FLen && IsMailChar(Ch(FRun))) ++FRun;
}

bool TFountainParser::IsUrl() {
    static constexpr std::string_view prefixes[] = {"http:", "https:", "ftp:", "www."};
    unsigned char c = Ch(FRun);
    if (c != 'h' && c != 'f' && c != 'w') return false;
    for (std::string_view p : prefixes) {
        if (static_cast<unsigned char>(p[0]) == c && MatchAt(FRun, p)) {
            FRun += static_cast<int>(p.size());
            return true;
        }
    }
    return false;
}

void TFountainParser::UrlProc() {
    FToken = toUrl;
    while (FRun < FLen && IsUrlChar(Ch(FRun))) ++FRun;
}

void TFountainParser::ReserveWordProc() {
    (this->*FMethodTable[Ch(FRun)])();
    FToken = toReserve;
}

void TFountainParser::NullProc() {
    if (FRun < FLen) {
        // a NUL byte inside the row is data, not its end
        SymbolProc();
        return;
    }
    FToken = toEof;
}

void TFountainParser::TabProc() {
    FToken = toTab;
    if (FRun < FLen) ++FRun;
}

void TFountainParser::LFProc() {
    FToken = toEof;
    if (Ch(FRun) == '\n' && FRun < FLen) ++FRun;
}

void TFountainParser::CRProc() {
    FToken = toEof;
    if (Ch(FRun) == '\r' && FRun < FLen) ++FRun;
    if (Ch(FRun) == '\n' && FRun < FLen) ++FRun;
}

void TFountainParser::CommentProc() {
    FToken = toComment;
    while (!AtRowEnd(FRun)) ++FRun;
}

void TFountainParser::HexProc() {
    FToken = toHex;
    while (FRun < FLen && IsHexDigit(Ch(FRun))) ++FRun;
}

void TFountainParser::IntegerProc() {
    FToken = toInteger;
    while (FRun < FLen && IsDigit(Ch(FRun))) ++FRun;
    if (Ch(FRun) == '.' && FRun < FLen) {
        FToken = toFloat;
        unsigned char next = Ch(FRun + 1);
        if (FRun + 1 < FLen && (IsDigit(next) || next == 'E' || next == 'e')) {
            ++FRun;
            while (FRun < FLen && IsDigit(Ch(FRun))) ++FRun;
        } else {
            return;  // the point is not part of the number
        }
    }
    if (FRun < FLen && (Ch(FRun) == 'E' || Ch(FRun) == 'e')) {
        FToken = toFloat;
        ++FRun;
        if (FRun < FLen && (Ch(FRun) == '+' || Ch(FRun) == '-')) ++FRun;
        while (FRun < FLen && IsDigit(Ch(FRun))) ++FRun;
    }
}

void TFountainParser::IdentProc() {
    FToken = toAnk;
    while (FRun < FLen && IsIdentChar(Ch(FRun))) ++FRun;
}

void TFountainParser::DBCSSymbolProc() {
    FToken = toDBSymbol;
    if (FRun < FLen) FRun += CharLen(FRun);
}

void TFountainParser::DBCSRunProc() {
    FToken = toDBSymbol;
    if (FRun >= FLen) return;
    if (CharLen(FRun) != 2) {  // a lead byte that ends the row
        ++FRun;
        return;
    }
    unsigned char lead = Ch(FRun), trail = Ch(FRun + 1);
    // the characters that continue a run of the kind found at its start
    auto takeRun = [this](auto&& belongs) {
        while (FRun + 1 < FLen && belongs(Ch(FRun), Ch(FRun + 1))) FRun += 2;
    };
    auto isLong = [](unsigned char l, unsigned char t) { return l == 0x81 && (t == 0x5B || t == 0x7C); };  // ー －
    if (lead == 0x82) {
        if (InRange(trail, 0x4F, 0x58)) {
            FToken = toDBInt;
            takeRun([](unsigned char l, unsigned char t) {
                return (l == 0x82 && InRange(t, 0x4F, 0x58)) || (l == 0x81 && (t == 0x43 || t == 0x44));  // ， ．
            });
            return;
        }
        if (InRange(trail, 0x60, 0x79) || InRange(trail, 0x81, 0x9A)) {
            FToken = toDBAlph;
            takeRun([](unsigned char l, unsigned char t) {
                return l == 0x82 && (InRange(t, 0x60, 0x79) || InRange(t, 0x81, 0x9A));
            });
            return;
        }
        if (InRange(trail, 0x9F, 0xF1)) {
            FToken = toDBHira;
            takeRun([&](unsigned char l, unsigned char t) {
                return (l == 0x82 && InRange(t, 0x9F, 0xF1)) || isLong(l, t);
            });
            return;
        }
    } else if (lead == 0x83 && InRange(trail, 0x40, 0x96)) {
        FToken = toDBKana;
        takeRun([&](unsigned char l, unsigned char t) {
            return (l == 0x83 && InRange(t, 0x40, 0x96)) || isLong(l, t);
        });
        return;
    }
    FRun += 2;  // one double-byte symbol
}

void TFountainParser::KanjiProc() {
    FToken = toDBKanji;
    if (FRun >= FLen) return;
    if (CharLen(FRun) != 2) {
        ++FRun;
        return;
    }
    do {
        FRun += 2;
    } while (FRun + 1 < FLen && IsKanjiLead(Ch(FRun)));
}

void TFountainParser::KanaSymbolProc() {
    FToken = toKanaSymbol;
    if (FRun < FLen) ++FRun;
}

void TFountainParser::KanaProc() {
    FToken = toKana;
    while (FRun < FLen && InRange(Ch(FRun), 0xA6, 0xDF)) ++FRun;
}

void TFountainParser::SymbolProc() {
    FToken = toSymbol;
    if (FRun < FLen) ++FRun;
}

void TFountainParser::QuotedStringProc(char Quote) {
    while (!AtRowEnd(FRun)) {
        if (FBuffer[static_cast<size_t>(FRun)] == Quote) {
            if (FRun + 1 < FLen && FBuffer[static_cast<size_t>(FRun + 1)] == Quote) {
                FRun += 2;  // a doubled quote is part of the string
                continue;
            }
            ++FRun;
            return;
        }
        FRun += CharLen(FRun);
    }
}

void TFountainParser::SingleQuoteProc() {
    FToken = toSingleQuotation;
    if (!FContinuing && Ch(FRun) == '\'' && FRun < FLen) ++FRun;
    QuotedStringProc('\'');
}

void TFountainParser::DoubleQuoteProc() {
    FToken = toDoubleQuotation;
    if (!FContinuing && Ch(FRun) == '"' && FRun < FLen) ++FRun;
    QuotedStringProc('"');
}

void TFountainParser::WrappedTokenProc() {
    if (FWrappedByte == 0) {
        TParserMethod m = FTokenMethodTable[FPrevToken];
        (this->*m)();
    } else {
        FToken = FPrevToken;
        FRun += FWrappedByte;
        if (FRun > FLen) FRun = FLen;
        if (FToken == toBracket) {
            FBracketTokenIndex = FBracketIndex;
            FBracketIndex = -1;  // the bracket closes in these bytes
        }
    }
    FPrevToken = 0;
    FWrappedByte = 0;
}

void TFountainParser::DispatchProc() {
    if (FBracketIndex == -1 && IsBracketStart()) {
        BracketProc();
        return;
    }
    (this->*FMethodTable[Ch(FRun)])();
}

void TFountainParser::CheckReserveWord(uint8_t& Kind) {
    if (IsReserveWord()) Kind = toReserve;
}

TTokenKinds TFountainParser::NoRemainderKinds() const {
    return TokenKinds({toComment, toSingleQuotation, toDoubleQuotation});
}

TTokenKinds TFountainParser::LineBoundKinds() const { return TokenKinds({toComment}); }

void TFountainParser::NewData(std::string_view S, const TRowAttributeData& Data) {
    FBuffer.assign(S.data(), S.size());
    FLen = static_cast<int>(FBuffer.size());
    FPosition = FRun = FTokenStart = 0;
    FToken = toEof;
    FContinuing = false;
    FBracketTokenIndex = -2;
    FMailFailEnd = 0;
    FRowAttribute = Data.RowAttribute;
    FPrevRowAttribute = Data.PrevRowAttribute;
    FBracketIndex = Data.BracketIndex;
    FUserIndex = Data.UserIndex;
    FWrappedByte = Data.WrappedByte;
    FUserCount = Data.UserCount;
    FPrevToken = Data.PrevToken;
    FUserToken = Data.UserToken;
    FDataStr = Data.DataStr;
}

uint8_t TFountainParser::NextToken() {
    SkipBlanks();
    FRun = FTokenStart = FPosition;
    FContinuing = FPrevToken != 0;
    // a carried bracket index that names no usable pair (the pairs changed) is none
    if (FBracketIndex >= 0 && !UsableBracket(FBracketIndex)) FBracketIndex = -1;
    if (AtRowEnd(FRun)) {
        FToken = toEof;
    } else if (FPrevToken != 0) {
        WrappedTokenProc();
    } else if (FBracketIndex <= -1) {
        DispatchProc();
    } else {
        BracketProc();
    }
    // every token takes at least one character, so the scan always moves on
    if (FToken != toEof && FRun <= FTokenStart) FRun = FTokenStart + CharLen(FTokenStart);
    FPosition = FRun;
    return FToken;
}

namespace {
// Needle occurs somewhere in Hay.
inline bool Holds(std::string_view Hay, std::string_view Needle) {
    if (Needle.size() == 1) return !Hay.empty() && std::memchr(Hay.data(), Needle[0], Hay.size()) != nullptr;
    return Hay.find(Needle) != std::string_view::npos;
}
}  // namespace

bool TFountainParser::QuickRowState(std::string_view Row, int Attr, TRowAttributeData& Data) {
    if (Attr == 1 || Data.PrevToken != 0 || Data.WrappedByte != 0) return false;
    if (FQuick < 0) {
        FQuick = CarriesOnlyBrackets() ? 1 : 0;
        const TFountainBracketCollection& b = FFountain->Brackets();
        for (int i = 0; i < b.Count(); ++i) FPairs.emplace_back(b.Items(i)->LeftBracket(), b.Items(i)->RightBracket());
    }
    if (FQuick == 0) return false;
    if (Data.BracketIndex == -1) {
        // A pair opens only where its left string stands; without one the
        // state at the row's end is the state at its start.
        for (const auto& [left, right] : FPairs)
            if (!left.empty() && !right.empty() && Holds(Row, left)) return false;
        return true;
    }
    // An open pair closes only where its right string stands.
    if (Data.BracketIndex < 0 || Data.BracketIndex >= static_cast<int>(FPairs.size())) return false;
    const auto& [left, right] = FPairs[static_cast<size_t>(Data.BracketIndex)];
    return !left.empty() && !right.empty() && !Holds(Row, right);
}

void TFountainParser::RowData(int Row, const TRowAttributeStringList& Strings, TRowAttributeData& Data) {
    int count = Strings.Count();
    if (Row < 0 || Row >= count) return;
    int attr = Strings.RowAttribute(Row);
    if (Data.PrevToken != 0 && LineBoundKinds()[Data.PrevToken]) {
        // a comment carried from the row above takes this whole row
        if (attr != 1) Data.PrevToken = 0;
        Data.WrappedByte = 0;
        return;
    }
    std::string_view row = Strings.Str(Row);
    if (QuickRowState(row, attr, Data)) return;
    bool blank = true;
    for (char c : row)
        if (!IsBlank(static_cast<unsigned char>(c))) {
            blank = false;
            break;
        }
    if (blank) return;

    int len = static_cast<int>(row.size());
    bool hasNext = attr == 1 && Row + 1 < count;
    bool nextWrapped = hasNext && Strings.RowAttribute(Row + 1) == 1;
    if (hasNext) {
        // the next row is appended so that a token crossing the row end can be measured
        std::string joined;
        joined.reserve(row.size() + Strings.Str(Row + 1).size());
        joined.append(row).append(Strings.Str(Row + 1));
        NewData(joined, Data);
    } else {
        NewData(row, Data);
    }

    int userIndexAfter = Data.UserIndex;
    int bracketPair = -2;
    bool crossed = false, beyond = false;
    while (NextToken() != toEof) {
        Data.BracketIndex = FBracketIndex;
        userIndexAfter = FUserIndex;
        if (FToken == toBracket) bracketPair = FBracketTokenIndex;
        if (FRun > len) {
            crossed = FTokenStart < len;
            beyond = !crossed;
            break;
        }
        Data.UserIndex = FUserIndex;
        Data.UserToken = FUserToken;
    }
    Data.WrappedByte = 0;
    Data.PrevToken = 0;
    if (beyond) {
        Data.BracketIndex = -1;  // that token belongs to the next row
        return;
    }
    if (!crossed) return;

    int e = FRun - len;
    Data.UserIndex = userIndexAfter;
    if (FToken == toBracket) {
        if (FBracketIndex == -1) {
            // closed in the next row: that row starts inside the pair, or
            // inside its closing string when the string itself is split
            Data.BracketIndex = bracketPair;
            if (UsableBracket(bracketPair) &&
                static_cast<int>(FFountain->Brackets().Items(bracketPair)->RightBracket().size()) > e) {
                Data.PrevToken = toBracket;
                Data.WrappedByte = e;
            }
        }
        // still open at the end of the next row: that row simply starts inside
        // the pair (BracketIndex is already the open pair)
        return;
    }
    uint8_t kind = FToken;
    CheckReserveWord(kind);
    Data.PrevToken = kind;
    if (!NoRemainderKinds()[kind]) {
        bool toTextEnd = FRun >= FLen && nextWrapped;
        if (!toTextEnd) Data.WrappedByte = e;
    }
}
