// Turns one command line into a command object of the registry, runs it and
// collects its output.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "Exception.h"
#include "I_ScriptHost.h"
#include "StringList.h"
#include "U_Command.h"

Z_DECLARE_EXCEPTION(ECommandManager, Exception);

class TCommandManager {
public:
    explicit TCommandManager(IScriptHost* Host) : Host(Host) {}

    // Runs the command line held by Lines; Output receives the command's
    // output lines. On an error Output is left as it was.
    void ExecuteLine(const TStringList& Lines, TStringList& Output);
    // Word is the command prefix and the command word (a trailing blank is
    // dropped). Raises ECommandManager "コマンドが見つかりません [...]".
    std::unique_ptr<TCommand> CreateCommand(std::string_view Word, const TParamsArr& Params);
    const TCommandClass* FindCommandClass(std::string_view Name) const;
    // Entries 0 to MaxIndex are emptied, then the words of Text fill them from 0.
    // More words than entries raise ECommandLineParser.
    static void ParseParams(std::string_view Text, TParamsArr& Params, int MaxIndex);
    // The words of all registered commands, sorted without regard to case.
    void GetCommandList(TStringList& List);

    IScriptHost* Host;  // not owned
};
