// The commands that choose how results are shown: the output mode of the
// active result page (Text, TextGrid, Grid, SDF, TAB), the echo of the active
// script page (SQLEcho), and the one-statement flags SQLResultEchoOff and
// CutSheet.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzText : public TNativCommand {
public:
    TzText(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzTextGrid : public TNativCommand {
public:
    TzTextGrid(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzGrid : public TNativCommand {
public:
    TzGrid(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzSDF : public TNativCommand {
public:
    TzSDF(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzTAB : public TNativCommand {
public:
    TzTAB(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

// Without a parameter it reports the echo; ON or OFF (any case) switches it.
class TzSQLEcho : public TNativCommand {
public:
    TzSQLEcho(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

// The next SQL statement of the same run prints no report line.
class TzSQLResultEchoOff : public TNativCommand {
public:
    TzSQLResultEchoOff(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

// The next SQL statement of the same run shows its dataset as a record sheet.
class TzCutSheet : public TNativCommand {
public:
    TzCutSheet(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
