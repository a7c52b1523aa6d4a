// The editor's option objects: Caret (with its Cursors), Margin, Marks, View,
// Ruler, Leftbar, Imagebar and Speed. Each except Speed reports its changes
// through OnChange, which the editor binds to its ViewChanged.
//
// Boolean options without a setter are plain fields: assigning them reports
// nothing, and the editor reads them when it next needs them. A setter stores
// only a changed value (clamped where the option has a range) and then reports.
// Assign from the same class copies everything and reports once.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "EditorBase.h"
#include "EditorParser.h"
#include "EditorUtil.h"
#include "GraphicsTypes.h"

// The mouse cursors of the editor's zones. Plain fields.
class TEditorCursors : public TNotifyPersistent {
public:
    TCursor DefaultCursor = crIBeam;          // over the text
    TCursor DragSelCursor = crDrag;           // while the selection is dragged
    TCursor DragSelCopyCursor = crDragSelCopy;// while the selection is dragged with Ctrl
    TCursor InSelCursor = crDefault;          // over the selection
    TCursor LeftMarginCursor = crRightArrow;  // over the left margins
    TCursor TopMarginCursor = crDefault;      // over the ruler
    void Assign(const TPersistent& Source) override;
};

enum TEditorCaretStyle : uint8_t { csDefault, csBrief };

class TEditorCaret : public TNotifyPersistent {
public:
    TEditorCaret();
    ~TEditorCaret() override;

    bool AutoCursor = true;         // the mouse cursor follows the hit zone
    bool AutoIndent = true;         // a new line takes the indentation
    bool BackSpaceUnIndent = true;  // BackSpace in the indentation removes one level
    TEditorCursors& Cursors() { return *FCursors; }
    const TEditorCursors& Cursors() const { return *FCursors; }
    void SetCursors(const TEditorCursors& Value) { FCursors->Assign(Value); }
    bool FreeCaret = true;          // the caret may stand right of a row's end
    bool FreeRow = false;           // vertical moves keep the column past short rows
    bool InTab = false;             // the caret may stand inside a tab's fill
    bool KeepCaret = false;         // vertical moves return to the remembered column
    bool LockScroll = false;        // scrolling by the scroll bar moves the caret
    bool NextLine = false;          // Left and Right continue on the neighbouring row
    bool PrevSpaceIndent = false;   // indentation from the nearest earlier non-empty line
    bool RowSelect = true;          // the left margin selects rows
    TDragMode SelDragMode = dmAutomatic;
    bool SelMove = true;            // the selection may be dragged
    bool SoftTab = false;           // Tab inserts blanks
    TEditorCaretStyle Style() const { return FStyle; }
    void SetStyle(TEditorCaretStyle Value);
    bool TabIndent = false;         // Tab and Shift+Tab indent and unindent a selection
    // 2, 4, 6 or 8: clamped to 2 .. 8, then rounded down to even.
    int32_t TabSpaceCount() const { return FTabSpaceCount; }
    void SetTabSpaceCount(int32_t Value);
    bool TokenEndStop = false;      // word-wise moves also stop at token ends

    void Assign(const TPersistent& Source) override;

private:
    std::unique_ptr<TEditorCursors> FCursors;
    TEditorCaretStyle FStyle = csDefault;
    int32_t FTabSpaceCount = 8;
};

// Pixel margins; each clamped to 0 .. 100.
class TEditorMargin : public TNotifyPersistent {
public:
    int32_t Character() const { return FCharacter; }  // extra pixels per column
    int32_t Left() const { return FLeft; }            // pixels left of the margins
    int32_t Line() const { return FLine; }            // extra pixels per row
    int32_t Top() const { return FTop; }              // pixels above the ruler
    void SetCharacter(int32_t Value);
    void SetLeft(int32_t Value);
    void SetLine(int32_t Value);
    void SetTop(int32_t Value);
    // The extra pixel of row height while the underline mark is visible (0 or
    // 1); set by the editor, not reported.
    int32_t UnderlineSpace() const { return FUnderlineSpace; }
    void SetUnderlineSpace(int32_t Value) { FUnderlineSpace = Value > 0 ? 1 : 0; }

    void Assign(const TPersistent& Source) override;

private:
    void SetValue(int32_t& Field, int32_t Value);
    int32_t FCharacter = 0, FLeft = 19, FLine = 0, FTop = 2;
    int32_t FUnderlineSpace = 0;
};

class TEditorMark : public TNotifyPersistent {
public:
    TColor Color() const { return FColor; }
    bool Visible() const { return FVisible; }
    void SetColor(TColor Value);
    void SetVisible(bool Value);
    void Assign(const TPersistent& Source) override;

private:
    TColor FColor = clGray;
    bool FVisible = false;
};

// The five marks; a change of any reports as a change of the set.
class TEditorMarks : public TNotifyPersistent {
public:
    TEditorMarks();
    ~TEditorMarks() override;
    TEditorMark& EofMark() { return FEofMark; }    // the end-of-text mark
    TEditorMark& RetMark() { return FRetMark; }    // the line-break mark
    TEditorMark& WrapMark() { return FWrapMark; }  // the mark at the end of a wrapped row
    TEditorMark& HideMark() { return FHideMark; }  // the mark of hidden characters
    TEditorMark& Underline() { return FUnderline; }// the underline of the caret row
    const TEditorMark& Underline() const { return FUnderline; }
    void Assign(const TPersistent& Source) override;

private:
    TEditorMark FEofMark, FRetMark, FWrapMark, FHideMark, FUnderline;
};

// The view's tokenizer options, held in its own editor fountain: any change
// inside the fountain reports as a change of the view info. Made with MakeObject.
class TEditorViewInfo : public TNotifyPersistent {
public:
    explicit TEditorViewInfo(TComponent* AOwner = nullptr) : FOwner(AOwner) {}
    ~TEditorViewInfo() override;
    // Makes the fountain (CreateFountain).
    void AfterConstruction() override;

    TEditorFountain& Fountain() { return *FFountain; }
    TComponent* Owner() const { return FOwner; }

    TEditorBracketCollection& Brackets() { return FFountain->Brackets(); }
    void SetBrackets(const TFountainBracketCollection& Value);
    TEditorColors& Colors() { return FFountain->Colors(); }
    void SetColors(const TEditorColors& Value);
    const std::string& Commenter() const { return FFountain->Commenter; }
    void SetCommenter(const std::string& Value);
    bool ControlCode() const { return FFountain->ControlCode; }
    void SetControlCode(bool Value);
    const std::string& HexPrefix() const { return FFountain->HexPrefix; }
    void SetHexPrefix(const std::string& Value);
    bool Mail() const { return FFountain->Mail; }
    void SetMail(bool Value);
    const std::string& Quotation() const { return FFountain->Quotation; }
    // Only the first character of Value is kept.
    void SetQuotation(const std::string& Value);
    bool Url() const { return FFountain->Url; }
    void SetUrl(bool Value);

    void Assign(const TPersistent& Source) override;

protected:
    // Makes the fountain and adds this object's change procedure to its listeners.
    virtual std::unique_ptr<TEditorFountain> CreateFountain();

private:
    TComponent* FOwner;
    std::unique_ptr<TEditorFountain> FFountain;
};

enum TEditorShowNumberMode : uint8_t { nmRow, nmLine };

class TEditorRuler : public TNotifyPersistent {
public:
    TColor BkColor() const { return FBkColor; }
    TColor Color() const { return FColor; }
    bool Edge() const { return FEdge; }
    // 8 or 10: clamped to 8 .. 10, then rounded down to even.
    int32_t GaugeRange() const { return FGaugeRange; }
    TColor MarkColor() const { return FMarkColor; }
    bool Visible() const { return FVisible; }
    void SetBkColor(TColor Value);
    void SetColor(TColor Value);
    void SetEdge(bool Value);
    void SetGaugeRange(int32_t Value);
    void SetMarkColor(TColor Value);
    void SetVisible(bool Value);
    void Assign(const TPersistent& Source) override;

private:
    TColor FBkColor = clSilver, FColor = clBlack;
    bool FEdge = true;
    int32_t FGaugeRange = 10;
    TColor FMarkColor = clBlack;
    bool FVisible = false;
};

class TEditorLeftbar : public TNotifyPersistent {
public:
    TColor BkColor() const { return FBkColor; }
    TColor Color() const { return FColor; }
    int32_t Column() const { return FColumn; }  // digits, 1 .. 8
    bool Edge() const { return FEdge; }
    int32_t LeftMargin() const { return FLeftMargin; }    // 0 .. 100
    int32_t RightMargin() const { return FRightMargin; }  // 0 .. 100
    bool ShowNumber() const { return FShowNumber; }
    TEditorShowNumberMode ShowNumberMode() const { return FShowNumberMode; }
    bool Visible() const { return FVisible; }
    bool ZeroBase() const { return FZeroBase; }
    bool ZeroLead() const { return FZeroLead; }
    void SetBkColor(TColor Value);
    void SetColor(TColor Value);
    void SetColumn(int32_t Value);
    void SetEdge(bool Value);
    void SetLeftMargin(int32_t Value);
    void SetRightMargin(int32_t Value);
    void SetShowNumber(bool Value);
    void SetShowNumberMode(TEditorShowNumberMode Value);
    void SetVisible(bool Value);
    void SetZeroBase(bool Value);
    void SetZeroLead(bool Value);
    void Assign(const TPersistent& Source) override;

private:
    TColor FBkColor = clSilver, FColor = clBlack;
    int32_t FColumn = 4;
    bool FEdge = true;
    int32_t FLeftMargin = 8, FRightMargin = 4;
    bool FShowNumber = true;
    TEditorShowNumberMode FShowNumberMode = nmRow;
    bool FVisible = false, FZeroBase = false, FZeroLead = false;
};

class TEditorImagebar : public TNotifyPersistent {
public:
    int32_t DigitWidth() const { return FDigitWidth; }    // each 0 .. 100
    int32_t LeftMargin() const { return FLeftMargin; }
    int32_t MarkWidth() const { return FMarkWidth; }
    int32_t RightMargin() const { return FRightMargin; }
    bool Visible() const { return FVisible; }
    void SetDigitWidth(int32_t Value);
    void SetLeftMargin(int32_t Value);
    void SetMarkWidth(int32_t Value);
    void SetRightMargin(int32_t Value);
    void SetVisible(bool Value);
    void Assign(const TPersistent& Source) override;

private:
    void SetValue(int32_t& Field, int32_t Value);
    int32_t FDigitWidth = 8, FLeftMargin = 2, FMarkWidth = 0, FRightMargin = 2;
    bool FVisible = true;
};

// A speed factor 1 .. 4; a value outside is brought into the range.
class TEditorSpeedRange {
public:
    constexpr TEditorSpeedRange(int32_t v = 1) : V(Clamp(v)) {}
    constexpr operator int32_t() const { return V; }

private:
    static constexpr int32_t Clamp(int32_t v) { return v < 1 ? 1 : (v > 4 ? 4 : v); }
    int32_t V;
};

// Speed of caret and page moves while a key repeats. Plain fields, no change event.
class TEditorSpeed : public TPersistent {
public:
    TEditorSpeedRange CaretVerticalAc = 2;
    bool InitBracketsFull = false;  // the store computes every row's state when it starts over
    TEditorSpeedRange PageVerticalRange = 2;
    TEditorSpeedRange PageVerticalRangeAc = 2;
    void Assign(const TPersistent& Source) override;
};
