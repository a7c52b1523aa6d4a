// The commands Connect, DisConnect and ReConnect. The host's user-command
// event has the driver do the work; afterwards the window shows the new
// connection state and, after a connect, the transaction mode.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzConnect : public TUserImplementsCommand {
public:
    TzConnect(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
    void AfterExecute() override;
};

class TzDisConnect : public TUserImplementsCommand {
public:
    TzDisConnect(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
    void AfterExecute() override;
};

class TzReConnect : public TUserImplementsCommand {
public:
    TzReConnect(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
    void AfterExecute() override;
};
