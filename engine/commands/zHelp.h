// The commands Help and CommandList, which describe the registered commands.
#pragma once
#include "I_ScriptHost.h"
#include "StringList.h"
#include "U_Command.h"

// Lines := one line per registered command, sorted without regard to case:
// the word, blanks up to the longest word's length, a blank and the title.
// Words beginning with "Z_" in any case are left out.
void MakeCommandList(IScriptHost* Host, TStringList& Lines, const TParamsArr& Params);

class TzHelp : public TNativCommand {
public:
    TzHelp(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzCommandList : public TNativCommand {
public:
    TzCommandList(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
