#include "zDB2eCLP.h"

#include "FileSystem.h"
#include "SysUtils.h"

Z_DEFINE_COMMAND_CLASS(TzDB2eCLP);

TzDB2eCLP::TzDB2eCLP(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "DB2eCLPモード";
    Help.Add("ZintavorをDB2eCLPモードに変更します");
    Help.Add("");
    Help.Add("  使用方法 DB2eCLPモードをONにする");
    Help.Add("    Param 1 : DB2eCLP.exeが存在するPath");
    Help.Add("    Param 2 : コネクションする（Connect To する）データベース名");
    Help.Add("    ※Param1 のPathにDB2eCLP.exeが存在し、コンソール上でテスト済みである事。");
    Help.Add("    ※Param2 は省略可能。");
    Help.Add("");
    Help.Add("  使用方法 DB2eCLPモードをOFFにする");
    Help.Add("    Param 1 : [off] or [OFF]");
}

void TzDB2eCLP::Execute() {
    const std::string usage = Title + "\r\n" + Help.Text();
    if (Params[0].empty()) {
        Output.Add(usage);
        return;
    }
    Output.Add("");
    if (sys::UpperCase(Params[0]) == "OFF") {
        Host->SetDriverKind(0);
        Output.Add("DB2eCLP: OFF");
        return;
    }
    std::string folder = sys::Trim(Params[0]);
    // Either separator ends a folder name here.
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/')) folder += '\\';
    if (!fs932::DirectoryExists(folder)) {
        Output.Add("ERROR!! Path Not Found:" + folder);
        Output.Add("");
        Output.Add(usage);
        Output.Add("");
        return;
    }
    // The processor and its exchange files live in the working folder.
    if (!fs932::SetCurrentDir(folder)) throw EInOutError("フォルダに移動できません [" + folder + "]");
    Host->ExecuteScriptText("#Set DB2eCLP_ConnectTO = " + Params[1]);
    Host->SetDriverKind(1);
    Output.Add("DB2eCLP: ON");
}
