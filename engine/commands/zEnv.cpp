#include "zEnv.h"

#include <memory>

#include "T_ObjectWrapper.h"
#include "U_Dialog_Set.h"
#include "U_UserEnvManager.h"

Z_DEFINE_COMMAND_CLASS(TzSet);
Z_DEFINE_COMMAND_CLASS(TzSetV);
Z_DEFINE_COMMAND_CLASS(TzSetAllClear);

TzSet::TzSet(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "環境変数の設定";
    Help.Add("環境変数を設定します");
    Help.Add("  使用方法");
    Help.Add("    Param 1 : [環境変数名]");
    Help.Add("    Param 2 : [=]");
    Help.Add("    Param 3 : [セットする値]");
    Help.Add("    ※Param 1以降を省略すると、全ての環境変数の内容値を表示します");
    Help.Add("    ※Param 2以降を省略すると、その環境変数(Param1)の内容値を表示します");
    Help.Add("      例： #Set test = abc;  (testという環境変数に[abc]を代入)");
    Help.Add("           #Set test;  (testという環境変数の内容を表示)");
    Help.Add("           Select {!test} From A;  (Aテーブルの[abc]項目の内容を表示するSQL)");
}

void TzSet::Execute() {
    TUserEnvManager& env = Host->GetUserEnvManager();
    Output.Clear();
    const std::string& name = Params[0];
    if (name.empty()) {
        TEnvItemArr items;
        env.GetEnvItems(items);
        for (const TEnvItem& item : items) Output.Add(item.Name + " = " + item.Value);
        return;
    }
    if (Params[1] == "=") {
        // The store keeps NAME=value lines: a name with '=' could never be read back.
        if (name.find('=') != std::string::npos)
            throw EUserEnvManager("環境変数名に '=' は使用できません [" + name + "]（値は設定されませんでした）");
        env.SetValue(name, Params[2]);
        return;
    }
    if (Params[1].empty()) {
        Output.Add(name + " = " + env.GetValue(name));
        return;
    }
    throw EUserEnvManager("引数違反です。第２引数は [省略]又は '=' でなければなりません。");
}

TzSetV::TzSetV(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "環境変数の設定(ダイアログ)";
    Help.Add("環境変数をダイアログ上で設定します");
    Help.Add("  使用方法");
    Help.Add("    Param 1 : 対象環境変数名（カンマ区切りで複数指定可）");
    Help.Add("    ※Param 1を省略すると、全ての環境変数を対象とします。");
    Help.Add("      例： #SetV test1,test2,test3;");
    Help.Add("              (test1 と test2 と test3 という環境変数を対象)");
    Help.Add("           #SetV;");
    Help.Add("              (全ての環境変数を対象)");
}

void TzSetV::Execute() {
    TUserEnvManager& env = Host->GetUserEnvManager();
    TDialog_Set dialog;
    IStringMapPtr data = TStringMapList::Create();
    for (int i = 0; i < env.Count(); ++i) {
        TEnvItem item;
        env.GetItem(i, item);
        data->Add(item.Name, item.Value);
    }
    dialog.SetData(data);
    if (Host->ShowModalDialog(dialog) != TDialog_Set::mrOk) return;
    IStringMapPtr edited;
    dialog.GetData(edited);
    if (dialog.GetDataLossy()) Output.Add("■Shift_JIS(CP932)で表せない文字を \"?\" に置き換えて設定しました");
    IIteratorPtr it = edited->GetIterator();
    while (it->HasNext()) {
        auto pair = std::dynamic_pointer_cast<IObjectMap>(it->Next());
        env.SetValue(pair->GetKey()->ToString(), pair->GetValue()->ToString());
    }
}

TzSetAllClear::TzSetAllClear(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "環境変数を全てクリアする";
    Help.Add("環境変数を全てクリアします（環境変数名、値の両方を削除）");
    Help.Add("  使用方法");
    Help.Add("      例： #SetAllClear;");
    Help.Add("              (環境変数を全てクリアする)");
}

void TzSetAllClear::Execute() { Host->GetUserEnvManager().Clear(); }
