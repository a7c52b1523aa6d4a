#include "zTransaction.h"

Z_DEFINE_COMMAND_CLASS(TzBegin);
Z_DEFINE_COMMAND_CLASS(TzRollBack);
Z_DEFINE_COMMAND_CLASS(TzCommit);

TzBegin::TzBegin(IScriptHost* Host, const TParamsArr& Params) : TUserImplementsCommand(Host, Params) {
    Title = "トランザクションの開始";
    Help.Add("トランザクションを開始します");
    Help.Add("  使用方法");
    Help.Add("    Param  : なし");
}

void TzBegin::Execute() {
    if (Host->GetIsAutoCommit()) throw ECommand("オートコミットモードではトランザクションを明示的に開始できません");
    TUserImplementsCommand::Execute();
}

TzRollBack::TzRollBack(IScriptHost* Host, const TParamsArr& Params) : TUserImplementsCommand(Host, Params) {
    Title = "トランザクションのロールバック";
    Help.Add("トランザクションをロールバックします");
    Help.Add("  使用方法");
    Help.Add("    Param  : なし");
}

void TzRollBack::Execute() {
    TUserImplementsCommand::Execute();
    if (Succeeded && Host) Host->TransactionEnded(false);
}

TzCommit::TzCommit(IScriptHost* Host, const TParamsArr& Params) : TUserImplementsCommand(Host, Params) {
    Title = "トランザクションのコミット";
    Help.Add("トランザクションをコミットします");
    Help.Add("  使用方法");
    Help.Add("    Param  : なし");
}

void TzCommit::Execute() {
    TUserImplementsCommand::Execute();
    if (Succeeded && Host) Host->TransactionEnded(true);
}
