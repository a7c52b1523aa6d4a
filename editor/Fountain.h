// The fountain tokenizer framework. A fountain (TFountain) describes how the
// text of an editor is cut into tokens and which colour each token gets; it owns
// bracket pairs, a reserved-word list and the reserved-word colour, tells the
// editors that use it about every change, and makes its parser. A parser
// (TFountainParser) scans one row token by token, dispatching on the first
// byte, and carries its state from row to row (TRowAttributeData, kept by the
// row store) so that strings, comments and bracketed spans continue over row
// ends.
//
// Tokenising a row:
//   auto p = fountain->CreateParser();
//   p->NewData(rowText, rowState);
//   while (p->NextToken() != toEof) { p->SourcePos(); p->TokenLength(); p->Token(); ... }
//
// The row ends at the end of the text given, or at a CR or LF. A NUL byte inside
// the row is a symbol like any other byte, and a lead byte that is the row's
// last byte is a character of its own: no step ever reads past the row.
#pragma once
#include <bitset>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "EditorBase.h"
#include "EditorStrings.h"
#include "Exception.h"
#include "GraphicsTypes.h"

Z_DECLARE_EXCEPTION(EFountain, Exception);

// Token kinds.
enum : uint8_t {
    toEof = 0,               // end of the row (also: nothing)
    toSymbol = 1,            // one symbol byte
    toInteger = 3,           // digits
    toFloat = 4,             // digits with "." or an exponent
    toBracket = 6,           // from a bracket pair's left string to its right string
    toComment = 7,           // comment to the end of the row
    toReserve = 8,           // a word of the reserved-word list
    toTab = 9,               // byte 9
    toAnk = 11,              // identifier: letters, digits, "_"
    toDBSymbol = 12,         // one double-byte symbol
    toDBInt = 14,            // full-width digits
    toDBAlph = 15,           // full-width Latin letters
    toDBHira = 16,           // hiragana
    toDBKana = 17,           // katakana
    toDBKanji = 18,          // kanji
    toKanaSymbol = 19,       // half-width punctuation 0xA1-0xA5
    toKana = 20,             // half-width katakana 0xA6-0xDF
    toUrl = 21,              // URL
    toMail = 22,             // mail address
    toHex = 23,              // hexadecimal digits after the hex prefix
    toSingleQuotation = 24,  // string in single quotes
    toDoubleQuotation = 25,  // string in double quotes
    toQuotation = 26,        // string in the editor's quotation character
    toControlCode = 27,      // "#" and decimal digits
    toControlCodeHex = 28,   // "#$" and hexadecimal digits
};

// A set of token kinds.
using TTokenKinds = std::bitset<256>;
TTokenKinds TokenKinds(std::initializer_list<int> Kinds);

class TFountain;
class TFountainParser;

// A colour of a kind of token: background, text colour and font styles.
class TFountainColor : public TNotifyPersistent {
public:
    TColor BkColor() const { return FBkColor; }
    TColor Color() const { return FColor; }
    TFontStyles Style() const { return FStyle; }
    void SetBkColor(TColor Value);
    void SetColor(TColor Value);
    void SetStyle(TFontStyles Value);
    void Assign(const TPersistent& Source) override;
    void GetPublishedProperties(TPropList& List) override;

private:
    TColor FBkColor = clNone;
    TColor FColor = clNone;
    TFontStyles FStyle;
};

// A collection item with a colour, whose change is reported to a notify collection.
class TFountainColorItem : public TCollectionItem {
public:
    explicit TFountainColorItem(TCollection* Collection);
    TFountainColor& ItemColor() { return *FItemColor; }
    const TFountainColor& ItemColor() const { return *FItemColor; }
    void SetItemColor(const TFountainColor& Value) { FItemColor->Assign(Value); }
    void Assign(const TPersistent& Source) override;
    void GetPublishedProperties(TPropList& List) override;

private:
    std::unique_ptr<TFountainColor> FItemColor;
};

// A bracket pair: tokens from LeftBracket to RightBracket take the item's colour.
class TFountainBracketItem : public TFountainColorItem {
public:
    using TFountainColorItem::TFountainColorItem;
    const std::string& LeftBracket() const { return FLeftBracket; }
    const std::string& RightBracket() const { return FRightBracket; }
    void SetLeftBracket(const std::string& Value);
    void SetRightBracket(const std::string& Value);
    void Assign(const TPersistent& Source) override;
    void GetPublishedProperties(TPropList& List) override;

private:
    std::string FLeftBracket, FRightBracket;
};

// The bracket pairs of a fountain, at most MaxBracketCount (the row store keeps
// a bracket index in 4 bits).
class TFountainBracketCollection : public TNotifyCollection {
public:
    static constexpr int MaxBracketCount = 14;
    TFountainBracketItem* Items(int Index) const {
        return static_cast<TFountainBracketItem*>(TCollection::Items(Index));
    }
    // Raise EFountain when MaxBracketCount pairs exist already.
    TFountainBracketItem* Add() override;
    TFountainBracketItem* Insert(int Index) override;

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override;
};

// Makes a parser of a fountain (the parser class of the fountain).
using TFountainParserClass = std::unique_ptr<TFountainParser> (*)(TFountain* Fountain);
template <class TParser>
std::unique_ptr<TFountainParser> FountainParserOf(TFountain* Fountain) {
    return MakeObject<TParser>(Fountain);
}

// The abstract fountain. Made with MakeObject (its parts come from virtual factories).
class TFountain : public TFileExtComponent {
public:
    using TFileExtComponent::TFileExtComponent;
    ~TFountain() override;
    // The file-extension list, NotifyEventList, CreateBrackets, the first hook,
    // ReserveWordList, the second hook, CreateColors.
    void AfterConstruction() override;

    TFountainBracketCollection& Brackets() { return *FBrackets; }
    const TFountainBracketCollection& Brackets() const { return *FBrackets; }
    void SetBrackets(const TFountainBracketCollection& Value) { FBrackets->Assign(Value); }
    TFountainColor& Reserve() { return *FReserve; }
    const TFountainColor& Reserve() const { return *FReserve; }
    void SetReserve(const TFountainColor& Value) { FReserve->Assign(Value); }
    const TSortedStringList& ReserveWordList() const { return *FReserveWordList; }
    // Takes Value's words and tells the listeners.
    void SetReserveWordList(const TSortedStringList& Value);
    // The editors that use this fountain; every change calls them with the fountain.
    TNotifyEventList& NotifyEventList() { return *FNotifyEventList; }

    void GetPublishedProperties(TPropList& List) override;

    // A colour whose change tells the listeners.
    virtual std::unique_ptr<TFountainColor> CreateFountainColor();
    // Makes Reserve.
    virtual void CreateColors();
    // A bracket collection whose change tells the listeners.
    virtual std::unique_ptr<TFountainBracketCollection> CreateBrackets();
    virtual TFountainParserClass GetParserClass() = 0;
    // Construction hooks: after the brackets, after the reserved-word list.
    virtual void BracketsCreated();
    virtual void ReserveWordListCreated();
    // Callbacks of the property walk: Data is a bool* for HasItalicProc and a
    // TSetColorData* for SetColorProc.
    virtual void HasItalicProc(void* Data, TPersistent* Instance, const TPropInfo& PropInfo);
    virtual void SetColorProc(void* Data, TPersistent* Instance, const TPropInfo& PropInfo);
    // A new parser for this fountain; the caller owns it.
    virtual std::unique_ptr<TFountainParser> CreateParser();
    // True when some published colour of the fountain, searched recursively, is italic.
    virtual bool HasItalicStyle();

    // What SetColorProc sets into each colour it visits.
    struct TSetColorData {
        enum { scBkColor, scColor, scStyle } What = scColor;
        TColor Color = clNone;
        TFontStyles Style;
    };

protected:
    TNotifyEvent ListChangedProc();

private:
    std::unique_ptr<TNotifyEventList> FNotifyEventList;
    std::unique_ptr<TFountainBracketCollection> FBrackets;
    std::unique_ptr<TSortedStringList> FReserveWordList;
    std::unique_ptr<TFountainColor> FReserve;
};

// The tokenizer base: a table-driven scanner over one row. Made by a fountain
// (CreateParser), never directly.
class TFountainParser : public TObject {
public:
    using TParserMethod = void (TFountainParser::*)();

    // Raises EFountain "TFountainParser.Create need instance of TFountain" for a null fountain.
    explicit TFountainParser(TFountain* AFountain);
    // Fills the method tables.
    void AfterConstruction() override;

    // Starts a row: S (the row text) with the carried state Data at its start.
    virtual void NewData(std::string_view S, const TRowAttributeData& Data);
    // The kind of the next token, toEof at the row end.
    virtual uint8_t NextToken();
    // Data := the carried state at the end of row Row of Strings (the row
    // store), from the state at its start (Data's RowAttribute is that of Row).
    // Rows outside Strings leave Data as it is.
    virtual void RowData(int Row, const TRowAttributeStringList& Strings, TRowAttributeData& Data);
    // The colour of the current token, or null for none.
    virtual TFountainColor* TokenToFountainColor() = 0;
    // RowData for the row Row of attribute Attr when it needs no tokenising: a
    // row that ends its logical line, with no token carried into it, holding
    // none of the bracket strings that could change the open pair (see
    // CarriesOnlyBrackets). False, with Data untouched, when RowData must run.
    bool QuickRowState(std::string_view Row, int Attr, TRowAttributeData& Data);

    // The current token.
    uint8_t Token() const { return FToken; }
    int SourcePos() const { return FTokenStart; }
    int TokenLength() const { return FRun - FTokenStart; }
    std::string TokenString() const { return std::string(TokenView()); }
    std::string_view TokenView() const {
        return std::string_view(FBuffer).substr(static_cast<size_t>(FTokenStart), static_cast<size_t>(TokenLength()));
    }

    TFountain* Fountain() const { return FFountain; }
    const std::string& Buffer() const { return FBuffer; }
    int Position() const { return FPosition; }
    int Run() const { return FRun; }
    int TokenStart() const { return FTokenStart; }
    bool Continuing() const { return FContinuing; }
    int BracketIndex() const { return FBracketIndex; }
    int BracketTokenIndex() const { return FBracketTokenIndex; }
    uint8_t PrevToken() const { return FPrevToken; }
    int WrappedByte() const { return FWrappedByte; }
    uint8_t RowAttribute() const { return FRowAttribute; }
    uint8_t PrevRowAttribute() const { return FPrevRowAttribute; }
    int UserIndex() const { return FUserIndex; }
    int UserCount() const { return FUserCount; }
    uint8_t UserToken() const { return FUserToken; }
    const std::string& DataStr() const { return FDataStr; }

    // True when the current token is a reserved word (never while Continuing,
    // nor for the row end, bracket spans and comments).
    virtual bool IsReserveWord();
    // Kind := toReserve when the current token is a reserved word.
    virtual void CheckReserveWord(uint8_t& Kind);
    // Kinds whose continuation into the next row is scanned again by their
    // method instead of being measured.
    virtual TTokenKinds NoRemainderKinds() const;
    // Kinds that end at a line break even when continued over wrapped rows.
    virtual TTokenKinds LineBoundKinds() const;

protected:
    // True when a row that ends its logical line carries nothing into the next
    // row but the open bracket pair (strings, comments and every other token
    // end with the row). RowData then only searches such a row for the bracket
    // strings that could change that pair, and tokenises it only when one is
    // there: the state at a row far down is found at the cost of a byte search
    // per row. A descendant that carries more from row to row answers false.
    virtual bool CarriesOnlyBrackets() const { return false; }

    virtual void InitMethodTable();
    virtual void SkipBlanks();
    virtual bool IsBracketStart();
    virtual void BracketProc();
    virtual bool IsMail();
    virtual void MailProc();
    virtual bool IsUrl();
    virtual void UrlProc();
    virtual void ReserveWordProc();
    virtual void NullProc();
    virtual void TabProc();
    virtual void LFProc();
    virtual void CRProc();
    virtual void CommentProc();
    virtual void HexProc();
    virtual void IntegerProc();
    virtual void IdentProc();
    virtual void DBCSSymbolProc();
    virtual void DBCSRunProc();
    virtual void KanjiProc();
    virtual void KanaSymbolProc();
    virtual void KanaProc();
    virtual void SymbolProc();
    virtual void SingleQuoteProc();
    virtual void DoubleQuoteProc();
    virtual void WrappedTokenProc();
    virtual void DispatchProc();

    // Byte i of the row, 0 past its end.
    unsigned char Ch(int i) const { return i < FLen ? static_cast<unsigned char>(FBuffer[static_cast<size_t>(i)]) : 0; }
    // The row ends at i: past the text, or at CR or LF.
    bool AtRowEnd(int i) const { return i >= FLen || Ch(i) == '\r' || Ch(i) == '\n'; }
    // The byte length of the character at i: 2 for a lead byte with a byte after it.
    int CharLen(int i) const;
    // The text at i is S (bytes compared exactly; never past the row).
    bool MatchAt(int i, std::string_view S) const;
    // Scans a quoted string closed by Quote (doubled inside), to the row end.
    void QuotedStringProc(char Quote);
    // The bracket pair Index can be scanned (both strings set).
    bool UsableBracket(int Index) const;
    // c may be part of a mail address.
    static bool MailChar(unsigned char c);

    TParserMethod FMethodTable[256] = {};
    TParserMethod FTokenMethodTable[256] = {};

    std::string FBuffer;
    int FLen = 0;
    TFountain* FFountain;
    int FPosition = 0;
    int FRun = 0;
    int FTokenStart = 0;
    uint8_t FToken = toEof;
    bool FContinuing = false;
    int FBracketIndex = -1;
    int FBracketTokenIndex = -2;
    uint8_t FPrevToken = 0;
    int FWrappedByte = 0;
    uint8_t FRowAttribute = 0;
    uint8_t FPrevRowAttribute = 0;
    int FUserIndex = 0;
    int FUserCount = 0;
    uint8_t FUserToken = 0;
    std::string FDataStr;
    // The end of a run of mail characters already found to hold no address.
    int FMailFailEnd = 0;

private:
    // The bracket strings of the fountain, taken at the first quick row of
    // this parser's job (a parser lives for one job; the pairs do not change
    // during it): Quick -1 not known yet, 0 no quick rows, 1 quick rows.
    int FQuick = -1;
    std::vector<std::pair<std::string, std::string>> FPairs;
};
