#include "T_ObjectWrapper.h"

#include "CP932Text.h"
#include "ListIndex.h"
#include "SysUtils.h"

namespace {
std::string TextOf(const IObjectWrapperPtr& w) { return w ? w->ToString() : std::string(); }
std::string CompareTextOf(const IObjectWrapperPtr& w) {
    return w ? w->GetComparable()->GetCompareText() : std::string();
}
}  // namespace

// ---- TCompareTextComparable

int TCompareTextComparable::CompareTo(const IComparablePtr& Other) const {
    std::string own = GetCompareText();
    std::string other = Other ? Other->GetCompareText() : std::string();
    if (own == other) return 2;
    return own < other ? 1 : 0;
}

bool TCompareTextComparable::Equals(const IComparablePtr& Other) const {
    return GetCompareText() == (Other ? Other->GetCompareText() : std::string());
}

// ---- TString

std::shared_ptr<TString> TString::CreateEmpty() { throw EUnimplementation(); }

std::shared_ptr<TString> TString::Create(std::string AValue) { return std::make_shared<TString>(std::move(AValue)); }

std::shared_ptr<TString> TString::CreateFromWrapper(const IObjectWrapperPtr& Source) { return Create(TextOf(Source)); }

IComparablePtr TString::GetComparable() { return std::make_shared<TString_Comparable>(Self<TString>()); }
ICloneablePtr TString::GetCloneable() { return std::make_shared<TString_Cloneable>(Self<TString>()); }

void TString::SetInteger(int32_t N) { Value = sys::IntToStr(N); }
void TString::SetBoolean(bool B) { Value = B ? "True" : "False"; }
void TString::Assign(const IStringPtr& Source) { Value = Source ? Source->GetValue() : std::string(); }

std::string TString::Trim() {
    Value = sys::Trim(Value);
    return Value;
}

bool TString::IsNumeric() const {
    double d;
    return sys::TryStrToFloat(Value, d);
}
bool TString::IsInteger() const { return IsNumeric() && Value.find('.') == std::string::npos; }
bool TString::IsNatural() const { return IsInteger() && Value.find('-') == std::string::npos; }

const TStringList& TString::Split(const std::string& Delim) {
    SplitList.Clear();
    if (Delim.empty()) {
        SplitList.Add(sys::Trim(Value));
        return SplitList;
    }
    if (Value.empty()) return SplitList;
    size_t start = 0;
    for (;;) {
        size_t at = cp932::FindText(Value, Delim, start);
        if (at == std::string::npos) break;
        SplitList.Add(sys::Trim(std::string_view(Value).substr(start, at - start)));
        start = at + Delim.size();
    }
    SplitList.Add(sys::Trim(std::string_view(Value).substr(start)));
    return SplitList;
}

// ---- TObjectMap

std::shared_ptr<TObjectMap> TObjectMap::Create(IObjectWrapperPtr AKey, IObjectWrapperPtr AValue) {
    return std::make_shared<TObjectMap>(std::move(AKey), std::move(AValue));
}

IComparablePtr TObjectMap::GetComparable() { return std::make_shared<TObjectMap_Comparable>(Self<TObjectMap>()); }
ICloneablePtr TObjectMap::GetCloneable() { return std::make_shared<TObjectMap_Cloneable>(Self<TObjectMap>()); }

std::string TObjectMap::ToString() const { return "[" + TextOf(Key) + "=" + TextOf(Value) + "]"; }

const char* const TObjectMap_Comparable::Separator = "{ACD9656C-8442-4771-8006-7B3F86850D15}";

std::string TObjectMap_Comparable::GetCompareText() const {
    return CompareTextOf(FOwner->Key) + Separator + CompareTextOf(FOwner->Value);
}

// ---- TNil

IComparablePtr TNil::GetComparable() { return std::make_shared<TNil_Comparable>(Self<TNil>()); }
ICloneablePtr TNil::GetCloneable() { return std::make_shared<TNil_Cloneable>(Self<TNil>()); }

// ---- TObjectMapList

void TObjectMapList::Delete(int Index) {
    if (Index < 0 || Index >= GetCount()) RaiseListIndexError(Index);
    Items.erase(Items.begin() + Index);
}

IObjectMapPtr TObjectMapList::GetItem(int Index) const {
    if (Index < 0 || Index >= GetCount()) RaiseListIndexError(Index);
    return Items[static_cast<size_t>(Index)];
}

int TObjectMapList::IndexOfKey(const IObjectWrapperPtr& Key) const {
    IComparablePtr wanted = Key ? Key->GetComparable() : nullptr;
    for (size_t i = 0; i < Items.size(); ++i) {
        IObjectWrapperPtr k = Items[i] ? Items[i]->GetKey() : nullptr;
        if (k && k->GetComparable()->Equals(wanted)) return static_cast<int>(i);
    }
    return -1;
}

IIteratorPtr TObjectMapList::GetIterator() { return std::make_shared<TObjectMapList_Iterator>(shared_from_this()); }

IComparablePtr TObjectMapList::GetComparable() { throw EUnimplementation(); }
ICloneablePtr TObjectMapList::GetCloneable() { throw EUnimplementation(); }

std::string TObjectMapList::ToString() const {
    std::string out;
    for (const auto& item : Items) out += TextOf(item);
    return out;
}

// ---- TObjectMapList_Iterator

IObjectWrapperPtr TObjectMapList_Iterator::Next() {
    if (!HasNext()) throw EOutOfIndex();
    return FList->GetItem(++FPosition);
}

void TObjectMapList_Iterator::Remove() { throw EUnimplementation(); }

// ---- TStringMapList

IComparablePtr TStringMapList::GetComparable() {
    return std::make_shared<TStringMapList_Comparable>(shared_from_this());
}
ICloneablePtr TStringMapList::GetCloneable() { return std::make_shared<TStringMapList_Cloneable>(shared_from_this()); }

std::string TStringMapList::ToString() const {
    std::string out;
    for (const auto& item : Pairs->Items) {
        out += ' ';
        out += TextOf(item);
    }
    return out;
}

int TStringMapList::IndexOfKey(const std::string& Key) const {
    // keys are TString, so their compare texts are their values
    for (size_t i = 0; i < Pairs->Items.size(); ++i) {
        const IObjectMapPtr& pair = Pairs->Items[i];
        if (pair && CompareTextOf(pair->GetKey()) == Key) return static_cast<int>(i);
    }
    return -1;
}

void TStringMapList::Add(const std::string& Key, const std::string& Value) {
    Pairs->Add(TObjectMap::Create(TString::Create(Key), TString::Create(Value)));
}

void TStringMapList::SetValue(const std::string& Key, const std::string& Value) {
    int i = IndexOfKey(Key);
    if (i < 0) return;
    auto pair = std::dynamic_pointer_cast<TObjectMap>(Pairs->Items[static_cast<size_t>(i)]);
    if (pair) pair->Value = TString::Create(Value);
}

std::string TStringMapList::GetValue(const std::string& Key) const {
    int i = IndexOfKey(Key);
    return i < 0 ? std::string() : TextOf(Pairs->Items[static_cast<size_t>(i)]->GetValue());
}

void TStringMapList::Remove(const std::string& Key) { Pairs->Delete(IndexOfKey(Key)); }

bool TStringMapList::Exists(const std::string& Key) const { return IndexOfKey(Key) >= 0; }

IObjectWrapperPtr TStringMapList_Cloneable::Clone() const {
    auto map = TStringMapList::Create();
    map->SetList(FOwner->Pairs);
    return map;
}
