#include "U_Desc.h"

#include "DataSet.h"
#include "I_ScriptHost.h"

std::string TDesc::GetSchemaName(const std::string& Name) {
    const size_t dot = Name.find('.');  // '.' is never a trail byte
    return dot == std::string::npos ? std::string() : Name.substr(0, dot);
}

std::string TDesc::GetTableName(const std::string& Name) {
    if (GetSchemaName(Name).empty()) return Name;
    return Name.substr(Name.find('.') + 1);
}

void TDesc::GetFields(const std::string& Name, TDescTableItem& Table) {
    Table.Clear();
    Table.SetName(Name);
    if (Table.Name.empty() || !Host->OnExecuteSQL) return;
    std::unique_ptr<TDataSet> dataSet;
    std::string msg;
    Host->OnExecuteSQL(Host, "SELECT * FROM " + Name + " WHERE 1 = 2", TSQLKind::Query, dataSet, msg);
    if (!dataSet) return;
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        Table.Add(std::make_unique<TDescFieldItem>(dataSet->Fields(i).FieldName()));
}
