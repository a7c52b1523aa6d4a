#include "zFolder.h"

#include "FileSystem.h"
#include "FullPath.h"

Z_DEFINE_COMMAND_CLASS(TzCD);

TzCD::TzCD(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "カレントフォルダ移動";
    Help.Add("カレントフォルダを移動します");
    Help.Add("  使用方法");
    Help.Add("    Param 1 : 移動先(相対／絶対)フォルダ名");
    Help.Add("      ※Param 1 を省略した場合は、カレントフォルダ名を表示します");
}

void TzCD::Execute() {
    const std::string& name = Params[0];
    Output.Clear();
    if (name.empty()) {
        Output.Add(Host->GetActiveScriptFolder());
        return;
    }
    // A relative name starts at the process's working folder, not at the page's.
    const std::string folder = fs932::ExpandFileName(name);
    if (!fs932::DirectoryExists(folder)) {
        Output.Add("フォルダが存在しません [ " + name + " ]");
        return;
    }
    Host->SetActiveScriptFolder(folder);
    Output.Add(Host->GetActiveScriptFolder());
}
