#include "EditorParser.h"

#include "ScopeExit.h"
#include "SysUtils.h"

#include <algorithm>
#include <iterator>
#include <typeinfo>

// ---------------------------------------------------------------------------
// TEditorColors

TEditorColors::TEditorColors(TFountainColor* AReserve) : FReserve(AReserve) {
    FSelect.SetBkColor(clNavy);
    FSelect.SetColor(clWhite);
    for (TEditorColor* c : {&FAnk, &FComment, &FDBCS, &FHit, &FInt, &FMail, &FSelect, &FStr, &FSymbol, &FUrl})
        c->OnChange = MakeEvent<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this));
}

TEditorColors::~TEditorColors() {
    for (TEditorColor* c : {&FAnk, &FComment, &FDBCS, &FHit, &FInt, &FMail, &FSelect, &FStr, &FSymbol, &FUrl})
        c->OnChange = nullptr;
}

void TEditorColors::Assign(const TPersistent& Source) {
    const auto* s = dynamic_cast<const TEditorColors*>(&Source);
    if (!s) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    if (s == this) return;
    BeginUpdate();
    FAnk.Assign(s->FAnk);
    FComment.Assign(s->FComment);
    FDBCS.Assign(s->FDBCS);
    FHit.Assign(s->FHit);
    FInt.Assign(s->FInt);
    FMail.Assign(s->FMail);
    FReserve->Assign(*s->FReserve);
    FSelect.Assign(s->FSelect);
    FStr.Assign(s->FStr);
    FSymbol.Assign(s->FSymbol);
    FUrl.Assign(s->FUrl);
    EndUpdate();
}

void TEditorColors::GetPublishedProperties(TPropList& List) {
    List.push_back({"Ank", tkClass, "TEditorColor", &FAnk});
    List.push_back({"Comment", tkClass, "TEditorColor", &FComment});
    List.push_back({"DBCS", tkClass, "TEditorColor", &FDBCS});
    List.push_back({"Hit", tkClass, "TEditorColor", &FHit});
    List.push_back({"Int", tkClass, "TEditorColor", &FInt});
    List.push_back({"Mail", tkClass, "TEditorColor", &FMail});
    List.push_back({"Reserve", tkClass, "TFountainColor", FReserve});
    List.push_back({"Select", tkClass, "TEditorColor", &FSelect});
    List.push_back({"Str", tkClass, "TEditorColor", &FStr});
    List.push_back({"Symbol", tkClass, "TEditorColor", &FSymbol});
    List.push_back({"Url", tkClass, "TEditorColor", &FUrl});
}

// ---------------------------------------------------------------------------
// TEditorBracketCollection

void TEditorBracketCollection::SetBkColor(TColor Value) {
    BeginUpdate();
    for (int i = 0; i < Count(); ++i) Items(i)->ItemColor().SetBkColor(Value);
    EndUpdate();
}

void TEditorBracketCollection::SetColor(TColor Value) {
    BeginUpdate();
    for (int i = 0; i < Count(); ++i) Items(i)->ItemColor().SetColor(Value);
    EndUpdate();
}

void TEditorBracketCollection::SetStyle(TFontStyles Value) {
    BeginUpdate();
    for (int i = 0; i < Count(); ++i) Items(i)->ItemColor().SetStyle(Value);
    EndUpdate();
}

// ---------------------------------------------------------------------------
// TEditorFountain

TEditorFountain::~TEditorFountain() {
    if (FColors) FColors->OnChange = nullptr;
}

void TEditorFountain::AfterConstruction() {
    TFountain::AfterConstruction();
    FColors = CreateEditorColors();
}

std::unique_ptr<TEditorColors> TEditorFountain::CreateEditorColors() {
    auto c = std::make_unique<TEditorColors>(&Reserve());
    c->OnChange = ListChangedProc();
    return c;
}

void TEditorFountain::GetPublishedProperties(TPropList& List) {
    TFountain::GetPublishedProperties(List);
    List.push_back({"Colors", tkClass, "TEditorColors", FColors.get()});
    List.push_back({"Commenter", tkLString, "string", nullptr});
    List.push_back({"ControlCode", tkEnumeration, "Boolean", nullptr});
    List.push_back({"HexPrefix", tkLString, "string", nullptr});
    List.push_back({"Mail", tkEnumeration, "Boolean", nullptr});
    List.push_back({"Quotation", tkLString, "string", nullptr});
    List.push_back({"Url", tkEnumeration, "Boolean", nullptr});
}

std::unique_ptr<TFountainBracketCollection> TEditorFountain::CreateBrackets() {
    auto b = std::make_unique<TEditorBracketCollection>();
    b->OnChange = ListChangedProc();
    return b;
}

TFountainParserClass TEditorFountain::GetParserClass() { return &FountainParserOf<TEditorParser>; }

void TEditorFountain::SetColorProc(void* Data, TPersistent* Instance, const TPropInfo& PropInfo) {
    std::string_view name = PropInfo.Name;
    if (name == "Select" || name == "Hit") return;
    TFountain::SetColorProc(Data, Instance, PropInfo);
}

void TEditorFountain::SetAll(const TSetColorData& Data) {
    NotifyEventList().BeginUpdate();
    auto end = ScopeExit([&] { NotifyEventList().EndUpdate(); });
    WalkProperties(
        FColors.get(), tkProperties,
        [this](void* d, TPersistent* inst, const TPropInfo& p) { SetColorProc(d, inst, p); },
        const_cast<TSetColorData*>(&Data));
}

void TEditorFountain::SetAllBkColor(TColor Value) {
    TSetColorData d;
    d.What = TSetColorData::scBkColor;
    d.Color = Value;
    SetAll(d);
}

void TEditorFountain::SetAllColor(TColor Value) {
    TSetColorData d;
    d.What = TSetColorData::scColor;
    d.Color = Value;
    SetAll(d);
}

void TEditorFountain::SetAllStyle(TFontStyles Value) {
    TSetColorData d;
    d.What = TSetColorData::scStyle;
    d.Style = Value;
    SetAll(d);
}

// ---------------------------------------------------------------------------
// TEditorParser

namespace {
inline bool IsDigitByte(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsHexByte(unsigned char c) {
    return IsDigitByte(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
}  // namespace

TEditorParser::TEditorParser(TFountain* AFountain)
    : TFountainParser(AFountain), FEditorFountain(dynamic_cast<TEditorFountain*>(AFountain)) {}

void TEditorParser::InitMethodTable() {
    TFountainParser::InitMethodTable();
    FTokenMethodTable[toQuotation] = static_cast<TParserMethod>(&TEditorParser::QuotationProc);
    FTokenMethodTable[toControlCode] = static_cast<TParserMethod>(&TEditorParser::ControlCodeProc);
    FTokenMethodTable[toControlCodeHex] = static_cast<TParserMethod>(&TEditorParser::ControlCodeHexProc);
}

bool TEditorParser::CarriesOnlyBrackets() const { return typeid(*this) == typeid(TEditorParser); }

TTokenKinds TEditorParser::NoRemainderKinds() const {
    return TokenKinds({toComment, toSingleQuotation, toDoubleQuotation, toQuotation});
}

void TEditorParser::NewData(std::string_view S, const TRowAttributeData& Data) {
    TFountainParser::NewData(S, Data);
    // Only this class's own tests are known; a descendant may test other
    // starts. Short rows are not worth the table.
    FQuickDispatch = FLen >= 4096 && FEditorFountain && typeid(*this) == typeid(TEditorParser);
    if (FQuickDispatch) MakeSpecialStarts();
}

void TEditorParser::MakeSpecialStarts() {
    std::fill(std::begin(FSpecialStart), std::end(FSpecialStart), false);
    auto mark = [this](char c) { FSpecialStart[static_cast<unsigned char>(c)] = true; };
    const TFountainBracketCollection& b = FFountain->Brackets();
    for (int i = 0; i < b.Count(); ++i) {
        const TFountainBracketItem* item = b.Items(i);
        if (!item->RightBracket().empty() && !item->LeftBracket().empty()) mark(item->LeftBracket()[0]);
    }
    const TEditorFountain& f = *FEditorFountain;
    if (f.Mail)
        for (int c = 0; c < 256; ++c)
            if (c != '@' && MailChar(static_cast<unsigned char>(c))) FSpecialStart[c] = true;
    if (f.Url) {
        mark('h');
        mark('f');
        mark('w');
    }
    if (!f.Commenter.empty()) mark(f.Commenter[0]);
    if (!f.Quotation.empty()) mark(f.Quotation[0]);
    if (f.ControlCode) mark('#');
    if (!f.HexPrefix.empty()) {
        // compared without case: both cases of a letter
        const char h = f.HexPrefix[0];
        mark(h);
        if (h >= 'a' && h <= 'z') mark(static_cast<char>(h - 'a' + 'A'));
        if (h >= 'A' && h <= 'Z') mark(static_cast<char>(h - 'A' + 'a'));
    }
}

void TEditorParser::DispatchProc() {
    if (FQuickDispatch && !FSpecialStart[Ch(FRun)]) {
        (this->*FMethodTable[Ch(FRun)])();
        return;
    }
    if (FBracketIndex >= -1 && IsBracketStart()) {
        BracketProc();
        return;
    }
    TEditorFountain* f = FEditorFountain;
    if (f) {
        if (f->Mail && IsMail()) {
            MailProc();
            return;
        }
        if (f->Url && IsUrl()) {
            UrlProc();
            return;
        }
        if (IsCommenter()) {
            CommentProc();
            return;
        }
        if (IsQuotation()) {
            QuotationProc();
            return;
        }
        if (IsControlCodeHex()) {
            ControlCodeHexProc();
            return;
        }
        if (IsControlCode()) {
            ControlCodeProc();
            return;
        }
        if (IsHexPrefix()) {
            HexProc();
            return;
        }
    }
    (this->*FMethodTable[Ch(FRun)])();
}

bool TEditorParser::IsQuotation() {
    if (!FEditorFountain || FEditorFountain->Quotation.empty()) return false;
    if (FRun >= FLen || FBuffer[static_cast<size_t>(FRun)] != FEditorFountain->Quotation[0]) return false;
    ++FRun;
    return true;
}

void TEditorParser::QuotationProc() {
    FToken = toQuotation;
    if (!FEditorFountain || FEditorFountain->Quotation.empty()) return;
    QuotedStringProc(FEditorFountain->Quotation[0]);
}

bool TEditorParser::IsCommenter() {
    if (!FEditorFountain || !MatchAt(FRun, FEditorFountain->Commenter)) return false;
    FRun += static_cast<int>(FEditorFountain->Commenter.size());
    return true;
}

bool TEditorParser::IsHexPrefix() {
    if (!FEditorFountain) return false;
    const std::string& p = FEditorFountain->HexPrefix;
    if (p.empty() || p.size() > static_cast<size_t>(FLen - FRun)) return false;
    if (!sys::SameText(std::string_view(FBuffer).substr(static_cast<size_t>(FRun), p.size()), p)) return false;
    FRun += static_cast<int>(p.size());
    return true;
}

bool TEditorParser::IsControlCodeHex() {
    return FEditorFountain && FEditorFountain->ControlCode && FRun + 1 < FLen && Ch(FRun) == '#' &&
           Ch(FRun + 1) == '$';
}

void TEditorParser::ControlCodeHexProc() {
    FToken = toControlCodeHex;
    if (!FContinuing && FRun + 1 < FLen && Ch(FRun) == '#' && Ch(FRun + 1) == '$') FRun += 2;
    while (FRun < FLen && IsHexByte(Ch(FRun))) ++FRun;
}

bool TEditorParser::IsControlCode() {
    return FEditorFountain && FEditorFountain->ControlCode && FRun < FLen && Ch(FRun) == '#';
}

void TEditorParser::ControlCodeProc() {
    FToken = toControlCode;
    if (!FContinuing && FRun < FLen && Ch(FRun) == '#') ++FRun;
    while (FRun < FLen && IsDigitByte(Ch(FRun))) ++FRun;
}

TFountainColor* TEditorParser::TokenToFountainColor() {
    if (IsReserveWord()) return &FFountain->Reserve();
    if (FToken == toBracket) {
        const TFountainBracketCollection& b = FFountain->Brackets();
        if (FBracketTokenIndex >= 0 && FBracketTokenIndex < b.Count())
            return &b.Items(FBracketTokenIndex)->ItemColor();
        return nullptr;
    }
    if (FToken == toReserve) return &FFountain->Reserve();
    if (!FEditorFountain) return nullptr;
    TEditorColors& c = FEditorFountain->Colors();
    switch (FToken) {
        case toSymbol: return &c.Symbol();
        case toInteger: case toFloat: case toHex: return &c.Int();
        case toComment: return &c.Comment();
        case toAnk: return &c.Ank();
        case toDBSymbol: case toDBInt: case toDBAlph: case toDBHira: case toDBKana: case toDBKanji:
        case toKanaSymbol: case toKana:
            return &c.DBCS();
        case toUrl: return &c.Url();
        case toMail: return &c.Mail();
        case toQuotation: case toControlCode: case toControlCodeHex: return &c.Str();
        default: return nullptr;
    }
}
