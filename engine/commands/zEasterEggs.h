// The hidden command z_EE: one joke phrase, cut to the result page's width.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class Tzz_EE : public TNativCommand {
public:
    using TNativCommand::TNativCommand;  // the framework's title and no help
    void Execute() override;
};
