// Interfaces of the reference-counted wrapper objects: every wrapper gives a
// comparer and a cloner for itself and a text form. An object lives while a
// reference (std::shared_ptr) to one of its interfaces exists.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

class TStringList;

class IObjectWrapper;
class IComparable;
class ICloneable;
class IIterator;
class IString;
class IObjectMap;
class IStringMap;

using IObjectWrapperPtr = std::shared_ptr<IObjectWrapper>;
using IComparablePtr = std::shared_ptr<IComparable>;
using ICloneablePtr = std::shared_ptr<ICloneable>;
using IIteratorPtr = std::shared_ptr<IIterator>;
using IStringPtr = std::shared_ptr<IString>;
using IObjectMapPtr = std::shared_ptr<IObjectMap>;
using IStringMapPtr = std::shared_ptr<IStringMap>;

class IObjectWrapper {
public:
    virtual ~IObjectWrapper() = default;
    virtual IComparablePtr GetComparable() = 0;
    virtual ICloneablePtr GetCloneable() = 0;
    virtual std::string ToString() const = 0;
};

class IComparable {
public:
    virtual ~IComparable() = default;
    // 2 when equal, 1 when this one sorts first, 0 when it sorts after.
    virtual int CompareTo(const IComparablePtr& Other) const = 0;
    virtual bool Equals(const IComparablePtr& Other) const = 0;
    virtual std::string GetCompareText() const = 0;
};

class ICloneable {
public:
    virtual ~ICloneable() = default;
    virtual IObjectWrapperPtr Clone() const = 0;
};

class IIterator {
public:
    virtual ~IIterator() = default;
    virtual void Reset() = 0;
    virtual bool HasNext() const = 0;
    virtual IObjectWrapperPtr Next() = 0;
    virtual void Remove() = 0;
};

class IString : public virtual IObjectWrapper {
public:
    virtual void SetValue(const std::string& S) = 0;
    virtual void SetInteger(int32_t N) = 0;
    virtual void SetBoolean(bool B) = 0;
    virtual void Assign(const IStringPtr& Source) = 0;
    virtual std::string GetValue() const = 0;
    virtual std::string Trim() = 0;
    virtual bool IsNumeric() const = 0;
    virtual bool IsInteger() const = 0;
    virtual bool IsNatural() const = 0;
    virtual const TStringList& Split(const std::string& Delim) = 0;
    virtual int GetLength() const = 0;
    virtual bool GetFlag() const = 0;
    virtual void SetFlag(bool B) = 0;
};

class IObjectMap : public virtual IObjectWrapper {
public:
    virtual IObjectWrapperPtr GetKey() const = 0;
    virtual IObjectWrapperPtr GetValue() const = 0;
};

class IStringMap : public virtual IObjectWrapper {
public:
    virtual void Add(const std::string& Key, const std::string& Value) = 0;
    virtual void SetValue(const std::string& Key, const std::string& Value) = 0;
    virtual int GetCount() const = 0;
    virtual std::string GetValue(const std::string& Key) const = 0;
    virtual void Remove(const std::string& Key) = 0;
    virtual bool Exists(const std::string& Key) const = 0;
    virtual IIteratorPtr GetIterator() = 0;
};
