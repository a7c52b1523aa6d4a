// The toolkit's object model, as far as the system's own classes rest on it:
// TObject with its class name and a second construction phase, TPersistent
// with Assign and a list of published properties, TComponent with its owner,
// name and free notification, and TCollection with its items.
//
// Two-phase construction: a virtual call inside a C++ constructor runs the base
// version, so classes whose construction calls virtual factories do that work
// in AfterConstruction, and are made with MakeObject<T>(...), which runs both
// phases. Each override of AfterConstruction calls its base first.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Exception.h"
#include "Method.h"

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // The second construction phase (see above).
    virtual void AfterConstruction() {}
    // The class name, "TEditorCaret" for an object of that class.
    std::string ClassName() const;
};

// Builds an object of class T in both phases.
template <class T, class... Args>
std::unique_ptr<T> MakeObject(Args&&... args) {
    std::unique_ptr<T> p(new T(std::forward<Args>(args)...));
    p->AfterConstruction();
    return p;
}

// Kinds of published properties.
enum TTypeKind : uint8_t {
    tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
    tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
using TTypeKinds = uint32_t;
constexpr TTypeKinds TypeKindBit(TTypeKind k) { return TTypeKinds(1) << k; }
constexpr TTypeKinds tkAny = (TTypeKinds(1) << (tkDynArray + 1)) - 1;
// Every kind except methods and unknown: what the property walker is given.
constexpr TTypeKinds tkProperties = tkAny & ~TypeKindBit(tkMethod) & ~TypeKindBit(tkUnknown);

// One published property of an object.
struct TPropInfo {
    const char* Name = "";
    TTypeKind Kind = tkUnknown;
    const char* TypeName = "";    // the property's type, "TFountainColor", "Boolean", "string"
    TObject* Object = nullptr;    // for tkClass: the object the property holds now (may be null)
};
using TPropList = std::vector<TPropInfo>;

class TPersistent : public TObject {
public:
    // Copies Source into this object. The base asks Source (AssignTo), which
    // raises EConvertError "<source> を <dest> に代入できません".
    virtual void Assign(const TPersistent& Source);
    // The published properties in declaration order; none here.
    virtual void GetPublishedProperties(TPropList& List);

protected:
    virtual void AssignTo(TPersistent& Dest) const;
};

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner = nullptr) : FOwner(AOwner) {}
    // Every component registered for free notification learns of the removal.
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    std::string Name;

    // AComponent's Notification(this, opRemove) is called when this component is
    // destroyed; the registration is mutual and ends when either one goes.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    TComponent* FOwner;
    std::vector<TComponent*> FFreeNotifies;
};

class TCollection;

class TCollectionItem : public TPersistent {
public:
    // The item is made for Collection; the collection puts it in its list.
    explicit TCollectionItem(TCollection* Collection) : FCollection(Collection) {}
    TCollection* Collection() const { return FCollection; }
    int Index() const;
    int ID() const { return FID; }
    virtual std::string DisplayName() const { return ClassName(); }

protected:
    // Reports a change of this item (AllItems: of the whole collection).
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* FCollection;
    int FID = 0;
};

class TCollection : public TPersistent {
public:
    TCollection() = default;
    ~TCollection() override;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError outside 0 .. Count - 1.
    TCollectionItem* Items(int Index) const;
    virtual TCollectionItem* Add();
    virtual TCollectionItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    int IndexOf(const TCollectionItem* Item) const;

    void BeginUpdate() { ++FUpdateCount; }
    virtual void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // From another collection: rebuilt inside an update, each item assigned.
    void Assign(const TPersistent& Source) override;

protected:
    // Makes a new item of the collection's item class.
    virtual std::unique_ptr<TCollectionItem> CreateItem();
    // The update hook: Item changed, or the whole collection (Item null).
    virtual void Update(TCollectionItem* Item);
    // A change of the collection: Update(nullptr) outside BeginUpdate .. EndUpdate.
    void Changed();

private:
    friend class TCollectionItem;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
};
