// The commands Print and Erase, which write into the active result page directly.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

// Its parameters, joined by single blanks, as one line of the result page.
class TzPrint : public TNativCommand {
public:
    TzPrint(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

// Clears the lines of the result page.
class TzErase : public TNativCommand {
public:
    TzErase(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
