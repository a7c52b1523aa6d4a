// The object-tree commands: which trees of the "ObjectTree" folder the window
// shows. AddObjectTree adds one and rebuilds the pane, AddObjectTreeM adds
// without rebuilding (for several in a row), RefreshObjectTree rebuilds,
// ClearObjectTree empties, ObjectTreeViewConfig asks with a dialog.
#pragma once
#include "I_ScriptHost.h"
#include "U_Command.h"

class TzAddObjectTree : public TNativCommand {
public:
    TzAddObjectTree(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
    void AfterExecute() override;
};

class TzAddObjectTreeM : public TNativCommand {
public:
    TzAddObjectTreeM(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzRefreshObjectTree : public TNativCommand {
public:
    TzRefreshObjectTree(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzClearObjectTree : public TNativCommand {
public:
    TzClearObjectTree(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};

class TzObjectTreeViewConfig : public TNativCommand {
public:
    TzObjectTreeViewConfig(IScriptHost* Host, const TParamsArr& Params);
    void Execute() override;
};
