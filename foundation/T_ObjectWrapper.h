// The wrapper classes behind the interfaces of I_ObjectWrapper.h: a string
// value, a key/value pair, a null object, a list of pairs with its iterator
// and a string-keyed map, each with its comparer and cloner classes.
// Make them through their Create operations: they live in std::shared_ptr.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "E_Exception.h"
#include "I_ObjectWrapper.h"
#include "StringList.h"

// Base of the wrappers; GetComparable, GetCloneable and ToString are left to the classes.
class TInterfacedObjectWrapper : public virtual IObjectWrapper,
                                 public std::enable_shared_from_this<TInterfacedObjectWrapper> {
protected:
    template <class T>
    std::shared_ptr<T> Self() {
        return std::static_pointer_cast<T>(shared_from_this());
    }
};

class TInterfacedBasicTypeWrapper : public TInterfacedObjectWrapper {};

// Compares by the compare texts, byte by byte.
class TCompareTextComparable : public IComparable {
public:
    int CompareTo(const IComparablePtr& Other) const override;
    bool Equals(const IComparablePtr& Other) const override;
};

class TString : public TInterfacedBasicTypeWrapper, public IString {
public:
    explicit TString(std::string AValue) : Value(std::move(AValue)) {}
    static std::shared_ptr<TString> CreateEmpty();  // raises EUnimplementation
    static std::shared_ptr<TString> Create(std::string AValue);
    // The value is the source's text form.
    static std::shared_ptr<TString> CreateFromWrapper(const IObjectWrapperPtr& Source);

    IComparablePtr GetComparable() override;
    ICloneablePtr GetCloneable() override;
    std::string ToString() const override { return Value; }

    void SetValue(const std::string& S) override { Value = S; }
    void SetInteger(int32_t N) override;
    void SetBoolean(bool B) override;
    void Assign(const IStringPtr& Source) override;
    std::string GetValue() const override { return Value; }
    std::string Trim() override;                   // trims the value in place and returns it
    bool IsNumeric() const override;
    bool IsInteger() const override;               // numeric and without '.'
    bool IsNatural() const override;               // integer and without '-'
    // The value cut at each occurrence of Delim (at character boundaries), each part trimmed.
    const TStringList& Split(const std::string& Delim) override;
    int GetLength() const override { return static_cast<int>(Value.size()); }
    bool GetFlag() const override { return Flag; }
    void SetFlag(bool B) override { Flag = B; }

    std::string Value;
    TStringList SplitList;
    bool Flag = true;
};

class TString_Comparable : public TCompareTextComparable {
public:
    explicit TString_Comparable(std::shared_ptr<TString> Owner) : FOwner(std::move(Owner)) {}
    std::string GetCompareText() const override { return FOwner->Value; }
private:
    std::shared_ptr<TString> FOwner;
};

class TString_Cloneable : public ICloneable {
public:
    explicit TString_Cloneable(std::shared_ptr<TString> Owner) : FOwner(std::move(Owner)) {}
    IObjectWrapperPtr Clone() const override { return TString::Create(FOwner->Value); }
private:
    std::shared_ptr<TString> FOwner;
};

class TObjectMap : public TInterfacedObjectWrapper, public IObjectMap {
public:
    TObjectMap(IObjectWrapperPtr AKey, IObjectWrapperPtr AValue) : Key(std::move(AKey)), Value(std::move(AValue)) {}
    static std::shared_ptr<TObjectMap> Create(IObjectWrapperPtr AKey, IObjectWrapperPtr AValue);

    IComparablePtr GetComparable() override;
    ICloneablePtr GetCloneable() override;
    std::string ToString() const override;  // "[" key "=" value "]"
    IObjectWrapperPtr GetKey() const override { return Key; }
    IObjectWrapperPtr GetValue() const override { return Value; }

    IObjectWrapperPtr Key;
    IObjectWrapperPtr Value;
};

class TObjectMap_Comparable : public TCompareTextComparable {
public:
    static const char* const Separator;  // between the key's and the value's compare texts
    explicit TObjectMap_Comparable(std::shared_ptr<TObjectMap> Owner) : FOwner(std::move(Owner)) {}
    std::string GetCompareText() const override;
private:
    std::shared_ptr<TObjectMap> FOwner;
};

// A new pair sharing the same key and value objects.
class TObjectMap_Cloneable : public ICloneable {
public:
    explicit TObjectMap_Cloneable(std::shared_ptr<TObjectMap> Owner) : FOwner(std::move(Owner)) {}
    IObjectWrapperPtr Clone() const override { return TObjectMap::Create(FOwner->Key, FOwner->Value); }
private:
    std::shared_ptr<TObjectMap> FOwner;
};

class TNil : public TInterfacedObjectWrapper {
public:
    static std::shared_ptr<TNil> Create() { return std::make_shared<TNil>(); }
    IComparablePtr GetComparable() override;
    ICloneablePtr GetCloneable() override;
    std::string ToString() const override { return std::string(); }
};

// Nothing equals nil, not even nil; CompareTo always answers 2.
class TNil_Comparable : public IComparable {
public:
    explicit TNil_Comparable(std::shared_ptr<TNil> Owner) : FOwner(std::move(Owner)) {}
    int CompareTo(const IComparablePtr&) const override { return 2; }
    bool Equals(const IComparablePtr&) const override { return false; }
    std::string GetCompareText() const override { return std::string(); }
private:
    std::shared_ptr<TNil> FOwner;
};

class TNil_Cloneable : public ICloneable {
public:
    explicit TNil_Cloneable(std::shared_ptr<TNil> Owner) : FOwner(std::move(Owner)) {}
    IObjectWrapperPtr Clone() const override { return TNil::Create(); }
private:
    std::shared_ptr<TNil> FOwner;
};

class TObjectMapList : public virtual IObjectWrapper, public std::enable_shared_from_this<TObjectMapList> {
public:
    static std::shared_ptr<TObjectMapList> Create() { return std::make_shared<TObjectMapList>(); }

    virtual void Add(const IObjectMapPtr& Item) { Items.push_back(Item); }
    virtual void Delete(int Index);  // raises EListError out of range
    virtual void Clear() { Items.clear(); }
    IObjectMapPtr GetItem(int Index) const;  // raises EListError out of range
    int GetCount() const { return static_cast<int>(Items.size()); }
    // The first pair whose key equals Key by the key's comparer; -1 when none.
    int IndexOfKey(const IObjectWrapperPtr& Key) const;
    IIteratorPtr GetIterator();

    IComparablePtr GetComparable() override;  // raises EUnimplementation
    ICloneablePtr GetCloneable() override;    // raises EUnimplementation
    std::string ToString() const override;    // the pair texts concatenated

    std::vector<IObjectMapPtr> Items;
};

class TObjectMapList_Iterator : public IIterator {
public:
    explicit TObjectMapList_Iterator(std::shared_ptr<TObjectMapList> List) : FList(std::move(List)) {}
    void Reset() override { FPosition = -1; }
    bool HasNext() const override { return FPosition + 1 < FList->GetCount(); }
    IObjectWrapperPtr Next() override;  // raises EOutOfIndex past the end
    void Remove() override;             // raises EUnimplementation
private:
    std::shared_ptr<TObjectMapList> FList;
    int FPosition = -1;
};

// Pairs of TString keyed by their exact text; duplicates may exist and the first one counts.
class TStringMapList : public virtual IStringMap, public std::enable_shared_from_this<TStringMapList> {
public:
    TStringMapList() : Pairs(TObjectMapList::Create()) {}
    static std::shared_ptr<TStringMapList> Create() { return std::make_shared<TStringMapList>(); }

    IComparablePtr GetComparable() override;
    ICloneablePtr GetCloneable() override;
    std::string ToString() const override;  // every pair's text after one blank
    // Lets go of the held pair list and takes List.
    virtual void SetList(std::shared_ptr<TObjectMapList> List) { Pairs = std::move(List); }

    void Add(const std::string& Key, const std::string& Value) override;
    void SetValue(const std::string& Key, const std::string& Value) override;
    int GetCount() const override { return Pairs->GetCount(); }
    std::string GetValue(const std::string& Key) const override;
    void Remove(const std::string& Key) override;  // raises EListError for an absent key
    bool Exists(const std::string& Key) const override;
    IIteratorPtr GetIterator() override { return Pairs->GetIterator(); }

    std::shared_ptr<TObjectMapList> Pairs;

private:
    int IndexOfKey(const std::string& Key) const;
};

class TStringMapList_Comparable : public TCompareTextComparable {
public:
    explicit TStringMapList_Comparable(std::shared_ptr<TStringMapList> Owner) : FOwner(std::move(Owner)) {}
    std::string GetCompareText() const override { return FOwner->ToString(); }
private:
    std::shared_ptr<TStringMapList> FOwner;
};

// A new map handed the owner's pair list: the two maps hold the same list.
class TStringMapList_Cloneable : public ICloneable {
public:
    explicit TStringMapList_Cloneable(std::shared_ptr<TStringMapList> Owner) : FOwner(std::move(Owner)) {}
    IObjectWrapperPtr Clone() const override;
private:
    std::shared_ptr<TStringMapList> FOwner;
};
