// The commands Set, SetV and SetAllClear, which show, assign, edit in a
// dialog and clear the user variables of the window.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzSet : public TNativCommand {
public:
    TzSet(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzSetV : public TNativCommand {
public:
    TzSetV(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzSetAllClear : public TNativCommand {
public:
    TzSetAllClear(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
