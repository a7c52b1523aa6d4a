#include "zObjectTree.h"

#include "U_Dialog_ObjectTreeViewConfig.h"

Z_DEFINE_COMMAND_CLASS(TzAddObjectTree);
Z_DEFINE_COMMAND_CLASS(TzAddObjectTreeM);
Z_DEFINE_COMMAND_CLASS(TzRefreshObjectTree);
Z_DEFINE_COMMAND_CLASS(TzClearObjectTree);
Z_DEFINE_COMMAND_CLASS(TzObjectTreeViewConfig);

namespace {

// Adds the tree Name and says whether it was found.
void AddTree(IScriptHost* Host, const std::string& Name, TStringList& Output) {
    if (Host->AddObjectTree(Name))
        Output.Add("追加しました [" + Name + "]");
    else
        Output.Add("オブジェクトツリーがありません [" + Name + "]");
}

// Without a name: the help lines go straight into the result page.
void AddTreeCommand(IScriptHost* Host, const TParamsArr& Params, const TStringList& Help, TStringList& Output) {
    if (Params[0].empty()) {
        IResultConsole& console = Host->GetResultConsole();
        for (const std::string& line : Help.Items) console.AddLine(line);
        return;
    }
    AddTree(Host, Params[0], Output);
}

}  // namespace

TzAddObjectTree::TzAddObjectTree(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "オブジェクトツリーの追加";
    Help.Add("オブジェクトツリーを追加します。");
    Help.Add("追加した後にオブジェクトツリーをリフレッシュします。");
    Help.Add("  使用方法");
    Help.Add("    Param  : オブジェクトツリー名");
}

void TzAddObjectTree::Execute() { AddTreeCommand(Host, Params, Help, Output); }

// The pane is rebuilt after every AddObjectTree, found or not.
void TzAddObjectTree::AfterExecute() {
    TNativCommand::AfterExecute();
    Host->LoadObjectTrees();
}

TzAddObjectTreeM::TzAddObjectTreeM(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "オブジェクトツリーの追加(リフレッシュなし)";
    Help.Add("オブジェクトツリーをリフレッシュせずに追加します。");
    Help.Add("追加は高速に行われますが、オブジェクトツリーをリフレッシュするまで表示されません。");
    Help.Add("  使用方法");
    Help.Add("    Param  : オブジェクトツリー名");
}

void TzAddObjectTreeM::Execute() { AddTreeCommand(Host, Params, Help, Output); }

TzRefreshObjectTree::TzRefreshObjectTree(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "オブジェクトツリーをリフレッシュ";
    Help.Add("オブジェクトツリーを全てリフレッシュします。");
}

void TzRefreshObjectTree::Execute() { Host->LoadObjectTrees(); }

TzClearObjectTree::TzClearObjectTree(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "オブジェクトツリーを全てクリア";
    Help.Add("オブジェクトツリーを全てクリアします。");
}

void TzClearObjectTree::Execute() {
    Host->ClearObjectTrees();
    Output.Add("クリアしました");
}

TzObjectTreeViewConfig::TzObjectTreeViewConfig(IScriptHost* Host, const TParamsArr& Params)
    : TNativCommand(Host, Params) {
    Title = "オブジェクトツリーの表示設定ダイアログ表示";
    Help.Add("オブジェクトツリーの表示設定用ダイアログを表示する。");
}

void TzObjectTreeViewConfig::Execute() {
    TForm_ObjectTreeViewConfig dialog(nullptr, Host);
    if (Host->ShowModalDialog(dialog) != TForm_ObjectTreeViewConfig::mrOk) return;
    const std::vector<std::string> names = dialog.CheckedNames();
    Host->ClearObjectTrees();
    for (const std::string& name : names) AddTree(Host, name, Output);
    Host->LoadObjectTrees();
}
