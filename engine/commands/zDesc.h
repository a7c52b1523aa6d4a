// The command Desc, which lists the column names of a table.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzDesc : public TNativCommand {
public:
    TzDesc(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
