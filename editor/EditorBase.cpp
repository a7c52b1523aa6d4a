#include "EditorBase.h"

void TFileExtComponent::AfterConstruction() {
    TStoreComponent::AfterConstruction();
    FFileExtList = CreateFileExtList();
    FileExtListCreated();
}

void TFileExtComponent::GetPublishedProperties(TPropList& List) {
    List.push_back({"FileExtList", tkClass, "TStringList", nullptr});
}

std::unique_ptr<TSortedStringList> TFileExtComponent::CreateFileExtList() {
    return std::make_unique<TSortedStringList>();
}

void TFileExtComponent::FileExtListCreated() {}

void TFileExtComponent::SetFileExtList(const TSortedStringList& Value) { FFileExtList->Assign(Value); }

bool TFileExtComponent::HasFileExt(std::string_view Ext) const { return FFileExtList->Contains(Ext); }

// ---------------------------------------------------------------------------

void TNotifyPersistent::Changed() {
    if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TNotifyPersistent::BeginUpdate() { ++FUpdateCount; }

void TNotifyPersistent::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    Changed();
}

void TNotifyPersistent::ChangedProc(TObject* Sender) {
    if (Sender != this) Changed();
}

void TNotifyCollection::ChangedProc(TObject* Sender) {
    if (Sender != this) Changed();
}

void TNotifyCollection::Update(TCollectionItem*) {
    if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------

const TNotifyEvent& TMethodList::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("リストのインデックスが範囲を超えています");
    return FItems[static_cast<size_t>(Index)];
}

int TMethodList::IndexOf(const TNotifyEvent& Method) const {
    for (int i = Count() - 1; i >= 0; --i)
        if (FItems[static_cast<size_t>(i)] == Method) return i;
    return -1;
}

void TMethodList::Remove(const TNotifyEvent& Method) {
    int i = IndexOf(Method);
    if (i >= 0) FItems.erase(FItems.begin() + i);
}

void TNotifyEventList::Changed() {
    if (FUpdateCount != 0) return;
    // A listener may add or remove listeners while it is told: call a copy.
    std::vector<TNotifyEvent> methods;
    methods.reserve(static_cast<size_t>(FMethodList.Count()));
    for (int i = 0; i < FMethodList.Count(); ++i) methods.push_back(FMethodList.Items(i));
    for (const TNotifyEvent& m : methods)
        if (m) m(FSender);
}

// ---------------------------------------------------------------------------

void WalkProperties(TPersistent* Instance, TTypeKinds Kinds, const TWalkPropertyProc& Proc, void* Data) {
    if (!Instance) return;
    TPropList props;
    Instance->GetPublishedProperties(props);
    for (const TPropInfo& p : props) {
        if (!(Kinds & TypeKindBit(p.Kind))) continue;
        Proc(Data, Instance, p);
        if (p.Kind != tkClass) continue;
        auto* obj = dynamic_cast<TPersistent*>(p.Object);
        if (!obj) continue;
        WalkProperties(obj, Kinds, Proc, Data);
        if (auto* coll = dynamic_cast<TCollection*>(obj))
            for (int i = 0; i < coll->Count(); ++i) WalkProperties(coll->Items(i), Kinds, Proc, Data);
    }
}
