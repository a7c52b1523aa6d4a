// The editor's own fountain and parser: every editor has a TEditorFountain (its
// view options own one). Besides the framework's tokens it knows a comment
// leader, a quotation character, control codes ("#65", "#$41"), a hex prefix,
// mail addresses and URLs, and colours for each kind of token.
#pragma once
#include <memory>
#include <string>

#include "Fountain.h"

class TEditorColor : public TFountainColor {};

// The colours of the editor's token kinds. Reserve is the owning fountain's.
class TEditorColors : public TNotifyPersistent {
public:
    explicit TEditorColors(TFountainColor* AReserve);
    ~TEditorColors() override;

    TEditorColor& Ank() { return FAnk; }
    TEditorColor& Comment() { return FComment; }
    TEditorColor& DBCS() { return FDBCS; }
    TEditorColor& Hit() { return FHit; }
    TEditorColor& Int() { return FInt; }
    TEditorColor& Mail() { return FMail; }
    TFountainColor& Reserve() { return *FReserve; }
    TEditorColor& Select() { return FSelect; }
    TEditorColor& Str() { return FStr; }
    TEditorColor& Symbol() { return FSymbol; }
    TEditorColor& Url() { return FUrl; }
    const TEditorColor& Select() const { return FSelect; }
    const TEditorColor& Hit() const { return FHit; }

    // Copies all eleven colours inside one update.
    void Assign(const TPersistent& Source) override;
    void GetPublishedProperties(TPropList& List) override;

private:
    TEditorColor FAnk, FComment, FDBCS, FHit, FInt, FMail, FSelect, FStr, FSymbol, FUrl;
    TFountainColor* FReserve;
};

// Bracket pairs with setters of one value into every pair's colour.
class TEditorBracketCollection : public TFountainBracketCollection {
public:
    void SetBkColor(TColor Value);
    void SetColor(TColor Value);
    void SetStyle(TFontStyles Value);
};

class TEditorFountain : public TFountain {
public:
    using TFountain::TFountain;
    ~TEditorFountain() override;
    void AfterConstruction() override;

    TEditorColors& Colors() { return *FColors; }
    void SetColors(const TEditorColors& Value) { FColors->Assign(Value); }
    TEditorBracketCollection& Brackets() { return static_cast<TEditorBracketCollection&>(TFountain::Brackets()); }

    // Plain values without change reports of their own (the view options report).
    std::string Commenter;   // comment leader, compared exactly
    bool ControlCode = false;
    std::string HexPrefix;   // compared without case
    bool Mail = false;
    std::string Quotation;   // its first byte is the quotation character
    bool Url = false;

    void GetPublishedProperties(TPropList& List) override;
    std::unique_ptr<TFountainBracketCollection> CreateBrackets() override;
    TFountainParserClass GetParserClass() override;
    // Sets into every colour it visits except those named "Select" and "Hit".
    void SetColorProc(void* Data, TPersistent* Instance, const TPropInfo& PropInfo) override;
    virtual std::unique_ptr<TEditorColors> CreateEditorColors();
    // One value into every colour published by Colors except Select and Hit,
    // told to the listeners once.
    void SetAllBkColor(TColor Value);
    void SetAllColor(TColor Value);
    void SetAllStyle(TFontStyles Value);

private:
    void SetAll(const TSetColorData& Data);
    std::unique_ptr<TEditorColors> FColors;
};

class TEditorParser : public TFountainParser {
public:
    explicit TEditorParser(TFountain* AFountain);
    TTokenKinds NoRemainderKinds() const override;
    TFountainColor* TokenToFountainColor() override;
    void NewData(std::string_view S, const TRowAttributeData& Data) override;

protected:
    // Only this class's own tokens are known to end with the row; a descendant
    // may carry more and is tokenised row by row.
    bool CarriesOnlyBrackets() const override;
    void InitMethodTable() override;
    void DispatchProc() override;
    virtual bool IsQuotation();
    virtual void QuotationProc();
    virtual bool IsCommenter();
    virtual bool IsHexPrefix();
    virtual bool IsControlCodeHex();
    virtual void ControlCodeHexProc();
    virtual bool IsControlCode();
    virtual void ControlCodeProc();

    // The fountain as an editor fountain (null for another class of fountain).
    TEditorFountain* FEditorFountain;

private:
    // Over a long row, the bytes at which a bracket, mail address, URL,
    // comment, quotation, control code or hex prefix may begin; a token that
    // starts with any other byte goes straight to the method table. Made
    // afresh for each long row from the fountain's settings of that moment.
    bool FQuickDispatch = false;
    bool FSpecialStart[256] = {};
    void MakeSpecialStarts();
};
