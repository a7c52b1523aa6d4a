// The command StepDisplayCount: reports or sets after how many records the
// display of a dataset pauses.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzStepDisplayCount : public TNativCommand {
public:
    TzStepDisplayCount(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;

    IScriptHost* Frame;  // the client window; not owned
};
