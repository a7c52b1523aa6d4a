#include "T_Integer.h"

#include "ListIndex.h"
#include "T_KZNUtil.h"

int TIntegerList::Add(int32_t Value) {
    FItems.push_back(std::make_unique<TInteger>(Value));
    return Count() - 1;
}

TInteger& TIntegerList::At(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
    return *FItems[static_cast<size_t>(Index)];
}

int32_t TIntegerList::Items(int Index) const { return At(Index).Value; }

void TIntegerList::SetItems(int Index, int32_t Value) { At(Index).Value = Value; }

void TIntegerList::Clear() { TKZNUtil::ClearObjectList(FItems); }
