// The commands Begin, RollBack and Commit, carried out by the driver through
// the host's user-command event.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

// Refused in auto-commit mode: there every statement commits on its own.
class TzBegin : public TUserImplementsCommand {
public:
    TzBegin(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

// Both tell the host once the driver has ended the transaction.
class TzRollBack : public TUserImplementsCommand {
public:
    TzRollBack(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzCommit : public TUserImplementsCommand {
public:
    TzCommit(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
