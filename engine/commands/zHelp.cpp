#include "zHelp.h"

#include <algorithm>

#include "SysUtils.h"
#include "U_CommandManager.h"

Z_DEFINE_COMMAND_CLASS(TzHelp);
Z_DEFINE_COMMAND_CLASS(TzCommandList);

void MakeCommandList(IScriptHost* Host, TStringList& Lines, const TParamsArr& Params) {
    Lines.Clear();
    TCommandManager manager(Host);
    TStringList names;
    manager.GetCommandList(names);
    for (int i = names.Count() - 1; i >= 0; --i)
        if (sys::StartsText("Z_", names[i])) names.Delete(i);
    size_t width = 0;
    for (const std::string& n : names.Items) width = std::max(width, n.size());
    const std::string prefix(1, Host->GetCommandPrefix());
    for (const std::string& n : names.Items) {
        std::string title;
        manager.CreateCommand(prefix + n, Params)->GetTitle(title);
        Lines.Add(n + std::string(width - n.size(), ' ') + " " + title);
    }
}

TzHelp::TzHelp(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "コマンドヘルプ表示";
    Help.Add("");
    Help.Add("コマンドヘルプを表示します");
    Help.Add("  使用方法");
    Help.Add("    Param 1 : コマンド名");
}

void TzHelp::Execute() {
    const std::string& word = Params[0];
    if (word.empty()) {
        MakeCommandList(Host, Output, Params);
        Output.Insert(0, "\r\n" + Title + "\r\n" + Help.Text() + "\r\n(コマンド一覧)");
        return;
    }
    TCommandManager manager(Host);
    if (!manager.FindCommandClass(word)) throw ECommand("コマンドが見つかりません [" + word + "]");
    std::unique_ptr<TCommand> cmd = manager.CreateCommand(std::string(1, Host->GetCommandPrefix()) + word, Params);
    std::string title;
    cmd->GetTitle(title);
    Output.SetText("\r\nコマンド:[ " + word + " ]\r\n" + title + "\r\n" + cmd->GetHelp().Text());
}

TzCommandList::TzCommandList(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "コマンドを一覧";
    Help.Add("コマンドの一覧を表示します");
    Help.Add("  使用方法");
    Help.Add("    Param  : なし");
}

void TzCommandList::Execute() { MakeCommandList(Host, Output, Params); }
