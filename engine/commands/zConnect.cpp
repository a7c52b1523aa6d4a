#include "ScopeExit.h"
#include "zConnect.h"

Z_DEFINE_COMMAND_CLASS(TzConnect);
Z_DEFINE_COMMAND_CLASS(TzDisConnect);
Z_DEFINE_COMMAND_CLASS(TzReConnect);

namespace {

// The driver has run the command: the window shows the connection as it is now.
void RefreshConnectionView(IScriptHost& Host) {
    Host.RefreshConnectState();
    Host.UpdateCaption();
}

// Runs the driver's part. A connect that fails has already dropped the old
// connection, so the window is refreshed before the error goes on; an error of
// the refresh itself goes to the application's handler and does not hide the
// driver's error.
void ExecuteRefreshingOnError(TUserImplementsCommand& Command) {
    auto refresh = ScopeFail([&] { RefreshConnectionView(*Command.Host); });
    Command.TUserImplementsCommand::Execute();
}

void AfterConnection(TCommand& Command) {
    RefreshConnectionView(*Command.Host);
    if (Command.Succeeded) Command.Host->LoadConnectionObjectTrees();
}

// In manual-commit mode a new connection gets its transaction at once. A
// cancelled or refused connect leaves the old connection as it was, and a
// "#Begin" there would roll back its open transaction: none is begun then.
void ReportTransactionMode(TCommand& Command) {
    if (Command.Host->GetIsAutoCommit()) {
        Command.Output.Add("自動コミットモードです");
        return;
    }
    if (Command.Succeeded) Command.Host->ExecuteScriptText("#Begin");
    Command.Output.Add("手動コミットモードです");
}

}  // namespace

TzConnect::TzConnect(IScriptHost* Host, const TParamsArr& Params) : TUserImplementsCommand(Host, Params) {
    Title = "データベースコネクト";
    Help.Add("データベースコネクションを確立します");
    Help.Add("  使用方法");
    Help.Add("    Param  : \"接続名\" (省略可）");
}

void TzConnect::Execute() { ExecuteRefreshingOnError(*this); }

void TzConnect::AfterExecute() {
    TUserImplementsCommand::AfterExecute();
    AfterConnection(*this);
    ReportTransactionMode(*this);
}

TzDisConnect::TzDisConnect(IScriptHost* Host, const TParamsArr& Params) : TUserImplementsCommand(Host, Params) {
    Title = "データベース切断";
    Help.Add("データベースコネクションを切断します");
}

void TzDisConnect::Execute() { ExecuteRefreshingOnError(*this); }

void TzDisConnect::AfterExecute() {
    TUserImplementsCommand::AfterExecute();
    AfterConnection(*this);
}

TzReConnect::TzReConnect(IScriptHost* Host, const TParamsArr& Params) : TUserImplementsCommand(Host, Params) {
    Title = "データベース再接続";
    Help.Add("現在の接続を一度切断し、同じ接続情報で再接続します");
}

void TzReConnect::Execute() { ExecuteRefreshingOnError(*this); }

void TzReConnect::AfterExecute() {
    TUserImplementsCommand::AfterExecute();
    AfterConnection(*this);
    ReportTransactionMode(*this);
}
