#include "EditorOptions.h"

#include "CP932.h"
#include "ScopeExit.h"

namespace {

inline int32_t ClampTo(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Stores Value into Field and reports, when it changes.
template <class T>
void SetAndReport(TNotifyPersistent& Self, T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Self.Changed();
}

// Runs Copy inside one update of Self, so that Self reports once.
template <class F>
void InOneUpdate(TNotifyPersistent& Self, F&& Copy) {
    Self.BeginUpdate();
    auto end = ScopeExit([&] { Self.EndUpdate(); });
    Copy();
}

// Assign from the same class: Copy(source) inside one update of Self; from
// another class, the inherited assignment (which raises).
template <class T, class F>
void AssignInOneUpdate(T& Self, const TPersistent& Source, F&& Copy) {
    const auto* s = dynamic_cast<const T*>(&Source);
    if (!s) {
        Self.TNotifyPersistent::Assign(Source);
        return;
    }
    if (s != &Self) InOneUpdate(Self, [&] { Copy(*s); });
}

}  // namespace

// ---------------------------------------------------------------------------

void TEditorCursors::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorCursors& s) {
        DefaultCursor = s.DefaultCursor;
        DragSelCursor = s.DragSelCursor;
        DragSelCopyCursor = s.DragSelCopyCursor;
        InSelCursor = s.InSelCursor;
        LeftMarginCursor = s.LeftMarginCursor;
        TopMarginCursor = s.TopMarginCursor;
    });
}

// ---------------------------------------------------------------------------

TEditorCaret::TEditorCaret() : FCursors(std::make_unique<TEditorCursors>()) {}

TEditorCaret::~TEditorCaret() = default;

void TEditorCaret::SetStyle(TEditorCaretStyle Value) { SetAndReport(*this, FStyle, Value); }

void TEditorCaret::SetTabSpaceCount(int32_t Value) {
    int32_t v = ClampTo(Value, 2, 8);
    v -= v % 2;
    SetAndReport(*this, FTabSpaceCount, v);
}

void TEditorCaret::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorCaret& s) {
        AutoCursor = s.AutoCursor;
        AutoIndent = s.AutoIndent;
        BackSpaceUnIndent = s.BackSpaceUnIndent;
        FCursors->Assign(*s.FCursors);
        FreeCaret = s.FreeCaret;
        FreeRow = s.FreeRow;
        InTab = s.InTab;
        KeepCaret = s.KeepCaret;
        LockScroll = s.LockScroll;
        NextLine = s.NextLine;
        PrevSpaceIndent = s.PrevSpaceIndent;
        RowSelect = s.RowSelect;
        SelDragMode = s.SelDragMode;
        SelMove = s.SelMove;
        SoftTab = s.SoftTab;
        SetStyle(s.FStyle);
        TabIndent = s.TabIndent;
        SetTabSpaceCount(s.FTabSpaceCount);
        TokenEndStop = s.TokenEndStop;
    });
}

// ---------------------------------------------------------------------------

void TEditorMargin::SetValue(int32_t& Field, int32_t Value) { SetAndReport(*this, Field, ClampTo(Value, 0, 100)); }
void TEditorMargin::SetCharacter(int32_t Value) { SetValue(FCharacter, Value); }
void TEditorMargin::SetLeft(int32_t Value) { SetValue(FLeft, Value); }
void TEditorMargin::SetLine(int32_t Value) { SetValue(FLine, Value); }
void TEditorMargin::SetTop(int32_t Value) { SetValue(FTop, Value); }

void TEditorMargin::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorMargin& s) {
        SetCharacter(s.FCharacter);
        SetLeft(s.FLeft);
        SetLine(s.FLine);
        SetTop(s.FTop);
    });
}

// ---------------------------------------------------------------------------

void TEditorMark::SetColor(TColor Value) { SetAndReport(*this, FColor, Value); }
void TEditorMark::SetVisible(bool Value) { SetAndReport(*this, FVisible, Value); }

void TEditorMark::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorMark& s) {
        SetColor(s.FColor);
        SetVisible(s.FVisible);
    });
}

TEditorMarks::TEditorMarks() {
    for (TEditorMark* m : {&FEofMark, &FRetMark, &FWrapMark, &FHideMark, &FUnderline})
        m->OnChange = MakeEvent<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this));
}

TEditorMarks::~TEditorMarks() {
    for (TEditorMark* m : {&FEofMark, &FRetMark, &FWrapMark, &FHideMark, &FUnderline}) m->OnChange = nullptr;
}

void TEditorMarks::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorMarks& s) {
        FEofMark.Assign(s.FEofMark);
        FRetMark.Assign(s.FRetMark);
        FWrapMark.Assign(s.FWrapMark);
        FHideMark.Assign(s.FHideMark);
        FUnderline.Assign(s.FUnderline);
    });
}

// ---------------------------------------------------------------------------

TEditorViewInfo::~TEditorViewInfo() {
    if (FFountain) FFountain->NotifyEventList().Remove(MakeEvent<&TNotifyPersistent::ChangedProc>(
        static_cast<TNotifyPersistent*>(this)));
}

void TEditorViewInfo::AfterConstruction() {
    TNotifyPersistent::AfterConstruction();
    FFountain = CreateFountain();
}

std::unique_ptr<TEditorFountain> TEditorViewInfo::CreateFountain() {
    auto f = MakeObject<TEditorFountain>(FOwner);
    f->NotifyEventList().Add(MakeEvent<&TNotifyPersistent::ChangedProc>(static_cast<TNotifyPersistent*>(this)));
    return f;
}

void TEditorViewInfo::SetBrackets(const TFountainBracketCollection& Value) {
    // one report for the whole collection, not one per pair
    InOneUpdate(*this, [&] { FFountain->Brackets().Assign(Value); });
}

void TEditorViewInfo::SetColors(const TEditorColors& Value) {
    InOneUpdate(*this, [&] { FFountain->Colors().Assign(Value); });
}

void TEditorViewInfo::SetCommenter(const std::string& Value) { SetAndReport(*this, FFountain->Commenter, Value); }
void TEditorViewInfo::SetControlCode(bool Value) { SetAndReport(*this, FFountain->ControlCode, Value); }
void TEditorViewInfo::SetHexPrefix(const std::string& Value) { SetAndReport(*this, FFountain->HexPrefix, Value); }
void TEditorViewInfo::SetMail(bool Value) { SetAndReport(*this, FFountain->Mail, Value); }
void TEditorViewInfo::SetUrl(bool Value) { SetAndReport(*this, FFountain->Url, Value); }

void TEditorViewInfo::SetQuotation(const std::string& Value) {
    size_t n = Value.empty() ? 0 : ((cp932::IsLeadByte(Value[0]) && Value.size() > 1) ? 2 : 1);
    SetAndReport(*this, FFountain->Quotation, Value.substr(0, n));
}

void TEditorViewInfo::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorViewInfo& s) {
        FFountain->Brackets().Assign(s.FFountain->Brackets());
        FFountain->Colors().Assign(s.FFountain->Colors());
        SetCommenter(s.FFountain->Commenter);
        SetControlCode(s.FFountain->ControlCode);
        SetHexPrefix(s.FFountain->HexPrefix);
        SetMail(s.FFountain->Mail);
        SetQuotation(s.FFountain->Quotation);
        SetUrl(s.FFountain->Url);
    });
}

// ---------------------------------------------------------------------------

void TEditorRuler::SetBkColor(TColor Value) { SetAndReport(*this, FBkColor, Value); }
void TEditorRuler::SetColor(TColor Value) { SetAndReport(*this, FColor, Value); }
void TEditorRuler::SetEdge(bool Value) { SetAndReport(*this, FEdge, Value); }
void TEditorRuler::SetMarkColor(TColor Value) { SetAndReport(*this, FMarkColor, Value); }
void TEditorRuler::SetVisible(bool Value) { SetAndReport(*this, FVisible, Value); }

void TEditorRuler::SetGaugeRange(int32_t Value) {
    int32_t v = ClampTo(Value, 8, 10);
    v -= v % 2;
    SetAndReport(*this, FGaugeRange, v);
}

void TEditorRuler::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorRuler& s) {
        SetBkColor(s.FBkColor);
        SetColor(s.FColor);
        SetEdge(s.FEdge);
        SetGaugeRange(s.FGaugeRange);
        SetMarkColor(s.FMarkColor);
        SetVisible(s.FVisible);
    });
}

// ---------------------------------------------------------------------------

void TEditorLeftbar::SetBkColor(TColor Value) { SetAndReport(*this, FBkColor, Value); }
void TEditorLeftbar::SetColor(TColor Value) { SetAndReport(*this, FColor, Value); }
void TEditorLeftbar::SetColumn(int32_t Value) { SetAndReport(*this, FColumn, ClampTo(Value, 1, 8)); }
void TEditorLeftbar::SetEdge(bool Value) { SetAndReport(*this, FEdge, Value); }
void TEditorLeftbar::SetLeftMargin(int32_t Value) { SetAndReport(*this, FLeftMargin, ClampTo(Value, 0, 100)); }
void TEditorLeftbar::SetRightMargin(int32_t Value) { SetAndReport(*this, FRightMargin, ClampTo(Value, 0, 100)); }
void TEditorLeftbar::SetShowNumber(bool Value) { SetAndReport(*this, FShowNumber, Value); }
void TEditorLeftbar::SetShowNumberMode(TEditorShowNumberMode Value) { SetAndReport(*this, FShowNumberMode, Value); }
void TEditorLeftbar::SetVisible(bool Value) { SetAndReport(*this, FVisible, Value); }
void TEditorLeftbar::SetZeroBase(bool Value) { SetAndReport(*this, FZeroBase, Value); }
void TEditorLeftbar::SetZeroLead(bool Value) { SetAndReport(*this, FZeroLead, Value); }

void TEditorLeftbar::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorLeftbar& s) {
        SetBkColor(s.FBkColor);
        SetColor(s.FColor);
        SetColumn(s.FColumn);
        SetEdge(s.FEdge);
        SetLeftMargin(s.FLeftMargin);
        SetRightMargin(s.FRightMargin);
        SetShowNumber(s.FShowNumber);
        SetShowNumberMode(s.FShowNumberMode);
        SetVisible(s.FVisible);
        SetZeroBase(s.FZeroBase);
        SetZeroLead(s.FZeroLead);
    });
}

// ---------------------------------------------------------------------------

void TEditorImagebar::SetValue(int32_t& Field, int32_t Value) { SetAndReport(*this, Field, ClampTo(Value, 0, 100)); }
void TEditorImagebar::SetDigitWidth(int32_t Value) { SetValue(FDigitWidth, Value); }
void TEditorImagebar::SetLeftMargin(int32_t Value) { SetValue(FLeftMargin, Value); }
void TEditorImagebar::SetMarkWidth(int32_t Value) { SetValue(FMarkWidth, Value); }
void TEditorImagebar::SetRightMargin(int32_t Value) { SetValue(FRightMargin, Value); }
void TEditorImagebar::SetVisible(bool Value) { SetAndReport(*this, FVisible, Value); }

void TEditorImagebar::Assign(const TPersistent& Source) {
    AssignInOneUpdate(*this, Source, [this](const TEditorImagebar& s) {
        SetDigitWidth(s.FDigitWidth);
        SetLeftMargin(s.FLeftMargin);
        SetMarkWidth(s.FMarkWidth);
        SetRightMargin(s.FRightMargin);
        SetVisible(s.FVisible);
    });
}

// ---------------------------------------------------------------------------

void TEditorSpeed::Assign(const TPersistent& Source) {
    const auto* s = dynamic_cast<const TEditorSpeed*>(&Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    CaretVerticalAc = s->CaretVerticalAc;
    InitBracketsFull = s->InitBracketsFull;
    PageVerticalRange = s->PageVerticalRange;
    PageVerticalRangeAc = s->PageVerticalRangeAc;
}
