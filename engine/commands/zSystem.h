// The command Exit: closes the client window.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzExit : public TNativCommand {
public:
    TzExit(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
