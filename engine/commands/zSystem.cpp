#include "zSystem.h"

Z_DEFINE_COMMAND_CLASS(TzExit);

TzExit::TzExit(IScriptHost* Host, const TParamsArr& Params) : TNativCommand(Host, Params) {
    Title = "画面を閉じる";
    Help.Add("画面を閉じます。");
}

// The window's close request decides, as for its close button.
void TzExit::Execute() { Host->Close(); }
