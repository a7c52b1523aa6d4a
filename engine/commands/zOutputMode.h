// The commands that choose how results are shown: the output mode of the
// active result page (Text, TextGrid, Grid, SDF, TAB), the echo of the active
// script page (SQLEcho), and the one-statement flags SQLResultEchoOff and
// CutSheet.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

// Sets the active result page's output mode. The five mode commands differ
// only in their mode and the words naming it in their title and help.
class TOutputModeCommand : public TNativCommand {
public:
    TOutputModeCommand(IScriptHost* Host, const TParamsArr& Params, TResultOutputMode Mode, const char* ModeName);
    void Execute() override;

private:
    TResultOutputMode Mode;
};

#define Z_OUTPUT_MODE_COMMAND(T)                                   \
    class T : public TOutputModeCommand {                          \
    public:                                                        \
        T(IScriptHost* Host, const TParamsArr& Params);            \
    }

Z_OUTPUT_MODE_COMMAND(TzText);
Z_OUTPUT_MODE_COMMAND(TzTextGrid);
Z_OUTPUT_MODE_COMMAND(TzGrid);
Z_OUTPUT_MODE_COMMAND(TzSDF);
Z_OUTPUT_MODE_COMMAND(TzTAB);
#undef Z_OUTPUT_MODE_COMMAND

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
