#include "zDesc.h"

#include "U_Desc.h"

Z_DEFINE_COMMAND_CLASS(TzDesc);

TzDesc::TzDesc(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "テーブル項目情報の取得";
    Help.Add("テーブル項目情報を取得して表示します");
    Help.Add("  使用方法");
    Help.Add("    Param  : \"Schema名\".\"Table名\"  (Schema名は省略可）");
}

void TzDesc::Execute() {
    const std::string& param = Params[0];
    if (param.empty()) {
        Output.Add(Title + "\r\n" + Help.Text());
        return;
    }
    TDesc desc(Host);
    TDescTableItem table;
    const std::string schema = TDesc::GetSchemaName(param);
    const std::string name = schema.empty() ? TDesc::GetTableName(param) : schema + "." + TDesc::GetTableName(param);
    table.SetName(name);
    desc.GetFields(name, table);
    Output.Add("[" + table.Name + "]");
    for (const auto& field : table.Items) Output.Add(field->Name);
    Output.Add("\r\n");
    Output.Add(std::to_string(table.Count()) + "Field(s)");
    Output.Add("\r\n");
}
