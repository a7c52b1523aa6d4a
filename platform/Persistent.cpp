#include "Persistent.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

#include "ScopeExit.h"

std::string TObject::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = (status == 0 && plain) ? plain : mangled;
    std::free(plain);
    return name;
}

void TPersistent::Assign(const TPersistent& Source) { Source.AssignTo(*this); }

void TPersistent::GetPublishedProperties(TPropList&) {}

void TPersistent::AssignTo(TPersistent& Dest) const {
    throw EConvertError(ClassName() + " を " + Dest.ClassName() + " に代入できません");
}

// ---------------------------------------------------------------------------

TComponent::~TComponent() {
    // Take the list first: the listeners may change registrations while told.
    std::vector<TComponent*> listeners;
    listeners.swap(FFreeNotifies);
    for (TComponent* c : listeners) {
        auto& back = c->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
    }
    for (TComponent* c : listeners) c->Notification(this, opRemove);
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    auto& back = AComponent->FFreeNotifies;
    if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                        FFreeNotifies.end());
    auto& back = AComponent->FFreeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

// ---------------------------------------------------------------------------

int TCollectionItem::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TCollectionItem::Changed(bool AllItems) {
    if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

TCollection::~TCollection() { FItems.clear(); }

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("リストのインデックスが範囲を超えています");
    return FItems[static_cast<size_t>(Index)].get();
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int Index) {
    if (Index < 0 || Index > Count()) throw EListError("リストのインデックスが範囲を超えています");
    std::unique_ptr<TCollectionItem> item = CreateItem();
    item->FCollection = this;
    item->FID = FNextID++;
    TCollectionItem* p = item.get();
    FItems.insert(FItems.begin() + Index, std::move(item));
    Changed();
    return p;
}

void TCollection::Delete(int Index) {
    if (Index < 0 || Index >= Count()) throw EListError("リストのインデックスが範囲を超えています");
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TCollection::Clear() {
    if (FItems.empty()) return;
    BeginUpdate();
    FItems.clear();
    EndUpdate();
}

int TCollection::IndexOf(const TCollectionItem* Item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Item) return static_cast<int>(i);
    return -1;
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    Changed();
}

void TCollection::Assign(const TPersistent& Source) {
    const auto* src = dynamic_cast<const TCollection*>(&Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    if (src == this) return;
    BeginUpdate();
    auto end = ScopeExit([this] { EndUpdate(); });
    FItems.clear();
    for (const auto& item : src->FItems) Add()->Assign(*item);
}

std::unique_ptr<TCollectionItem> TCollection::CreateItem() { return std::make_unique<TCollectionItem>(this); }

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
    if (FUpdateCount == 0) Update(nullptr);
}
