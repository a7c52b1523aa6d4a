#include "zPrint.h"

Z_DEFINE_COMMAND_CLASS(TzPrint);
Z_DEFINE_COMMAND_CLASS(TzErase);

TzPrint::TzPrint(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "文字列の表示";
    Help.Add("文字列を結果表示エディタに表示します");
    Help.Add("  使用方法");
    Help.Add("    Param  : \"表示したい文字列\"");
}

void TzPrint::Execute() {
    // The parameters end at the first empty one; none at all prints an empty line.
    std::string line = Params[0];
    for (size_t i = 1; i < Params.size() && !Params[i].empty(); ++i) {
        line += ' ';
        line += Params[i];
    }
    Host->GetResultConsole().AddLine(line);
}

TzErase::TzErase(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "表示の消去";
    Help.Add("現在表示中の結果を消去します");
    Help.Add("  使用方法");
    Help.Add("    Param  : なし");
}

void TzErase::Execute() { Host->GetResultConsole().Clear(); }
