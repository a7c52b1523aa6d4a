// The commands that create and delete result pages: NewSheet, DelSheet,
// InitSheet and DelInActiveSheet. The window's result page manager does the
// work; a command only picks the operation by whether a name is given.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzNewSheet : public TNativCommand {
public:
    TzNewSheet(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzDelSheet : public TNativCommand {
public:
    TzDelSheet(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzInitSheet : public TNativCommand {
public:
    TzInitSheet(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzDelInActiveSheet : public TNativCommand {
public:
    TzDelInActiveSheet(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
