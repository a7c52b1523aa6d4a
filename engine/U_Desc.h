// The column list of a table: TDesc runs "SELECT * FROM <table> WHERE 1 = 2"
// through the host's SQL-execution event and fills a TDescTableItem with one
// TDescFieldItem per column of the result.
#pragma once
#include <memory>
#include <string>
#include <vector>

class IScriptHost;

class TDescItem {
public:
    virtual ~TDescItem() = default;
    virtual void GetName(std::string& S) const = 0;
    virtual void SetName(const std::string& S) = 0;
};

class TDescFieldItem : public TDescItem {
public:
    explicit TDescFieldItem(std::string AName) : Name(std::move(AName)) {}
    void GetName(std::string& S) const override { S = Name; }
    void SetName(const std::string& S) override { Name = S; }
    std::string Name;
};

class TDescTableItem : public TDescItem {
public:
    void GetName(std::string& S) const override { S = Name; }
    void SetName(const std::string& S) override { Name = S; }
    void Add(std::unique_ptr<TDescFieldItem> Item) { Items.push_back(std::move(Item)); }
    TDescFieldItem& GetItem(int Index) const { return *Items.at(static_cast<size_t>(Index)); }
    int Count() const { return static_cast<int>(Items.size()); }
    void Clear() { Items.clear(); }

    std::string Name;
    std::vector<std::unique_ptr<TDescFieldItem>> Items;  // in column order
};

class TDesc {
public:
    explicit TDesc(IScriptHost* AHost) : Host(AHost) {}

    // The text before the first '.' of Name; empty without a '.'.
    static std::string GetSchemaName(const std::string& Name);
    // Name without its schema part and the first '.'; Name itself when the schema part is empty.
    static std::string GetTableName(const std::string& Name);
    // Table := Name and the columns of its result. Without a name or an
    // SQL-execution handler the table keeps no columns; errors of the query
    // pass through unchanged.
    void GetFields(const std::string& Name, TDescTableItem& Table);

    IScriptHost* Host;  // not owned
};
