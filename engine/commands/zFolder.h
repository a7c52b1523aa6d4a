// The command CD: shows or changes the active script page's folder.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzCD : public TNativCommand {
public:
    TzCD(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
