// Base classes of the editor and its fountains: change notification with
// nested updates, lists of methods, the file-extension component, and the
// walker over published properties.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Method.h"
#include "Persistent.h"
#include "SortedStringList.h"

// The base of the fountain components.
class TStoreComponent : public TComponent {
public:
    using TComponent::TComponent;
};

// A component with a list of file extensions (sorted, without case, no
// duplicates). Made with MakeObject (the list comes from a virtual factory).
class TFileExtComponent : public TStoreComponent {
public:
    using TStoreComponent::TStoreComponent;
    void AfterConstruction() override;

    TSortedStringList& FileExtList() { return *FFileExtList; }
    const TSortedStringList& FileExtList() const { return *FFileExtList; }
    void GetPublishedProperties(TPropList& List) override;

    // Makes an empty sorted list; fountains make their reserved-word list with it too.
    virtual std::unique_ptr<TSortedStringList> CreateFileExtList();
    // Called once the list is made.
    virtual void FileExtListCreated();
    // The property's setter: the list takes Value's strings.
    virtual void SetFileExtList(const TSortedStringList& Value);
    // True when Ext is in the list (any case).
    virtual bool HasFileExt(std::string_view Ext) const;

private:
    std::unique_ptr<TSortedStringList> FFileExtList;
};

// A persistent object that reports its changes through OnChange, once per
// outermost BeginUpdate .. EndUpdate.
class TNotifyPersistent : public TPersistent {
public:
    TNotifyEvent OnChange;
    int UpdateCount() const { return FUpdateCount; }

    // OnChange(this), when set and no update is open.
    virtual void Changed();
    virtual void BeginUpdate();
    // Closes one update level, then Changed (which reports only at level 0).
    virtual void EndUpdate();
    // A change of an owned part reported as a change of the whole: Changed,
    // unless Sender is this object itself. Hand it to parts as their OnChange:
    // Part->OnChange = MakeEvent<&TNotifyPersistent::ChangedProc>(this).
    virtual void ChangedProc(TObject* Sender);

protected:
    int FUpdateCount = 0;
};

// A collection that reports every change (outside BeginUpdate .. EndUpdate)
// through OnChange(this).
class TNotifyCollection : public TCollection {
public:
    TNotifyEvent OnChange;
    // The collection's change, unless Sender is the collection itself; its items use it.
    virtual void ChangedProc(TObject* Sender);

protected:
    void Update(TCollectionItem* Item) override;
};

// A list of method references. Remove takes out the last entry equal in code
// and data.
class TMethodList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const TNotifyEvent& Items(int Index) const;
    void Add(const TNotifyEvent& Method) { FItems.push_back(Method); }
    void Remove(const TNotifyEvent& Method);
    int IndexOf(const TNotifyEvent& Method) const;
    void Clear() { FItems.clear(); }

private:
    std::vector<TNotifyEvent> FItems;
};

// A list of notify events that are all called with Sender on every change.
class TNotifyEventList : public TNotifyPersistent {
public:
    explicit TNotifyEventList(TObject* ASender) : FSender(ASender) {}
    TMethodList& MethodList() { return FMethodList; }
    const TMethodList& MethodList() const { return FMethodList; }
    TObject* Sender() const { return FSender; }

    // Outside an update: every method in the list, in list order, with Sender.
    void Changed() override;
    void Add(const TNotifyEvent& Method) { FMethodList.Add(Method); }
    void Remove(const TNotifyEvent& Method) { FMethodList.Remove(Method); }

private:
    TMethodList FMethodList;
    TObject* FSender;
};

// The property walker: for every published property of Instance whose kind is
// in Kinds, Proc(Data, Instance, PropInfo); an object property that holds a
// TPersistent is walked too, depth first, and a TCollection's items as well.
using TWalkPropertyProc = std::function<void(void* Data, TPersistent* Instance, const TPropInfo& PropInfo)>;
void WalkProperties(TPersistent* Instance, TTypeKinds Kinds, const TWalkPropertyProc& Proc, void* Data);
