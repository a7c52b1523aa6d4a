// The command DB2eCLP: SQL of the window goes to the DB2 Everyplace
// command-line processor in a folder (the process's working folder becomes
// that folder), or back to the ODBC driver with OFF.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

Z_DECLARE_EXCEPTION(EInOutError, Exception);

class TzDB2eCLP : public TNativCommand {
public:
    TzDB2eCLP(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
