// What the script engine and the commands need of the window they run in.
// The client window implements it; the engine's tests use a fake host.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "StringList.h"

class TDataSet;
class TCommandInterface;
class TUserEnvManager;

// Runs one SQL statement. Kind is the statement kind (0 query, 1 INSERT,
// 2 UPDATE, 3 DELETE, 4 other). The handler fills DataSet for a query (the
// caller takes it) and Msg with its message.
using TExecuteSQLEvent = std::function<void(void* Sender, const std::string& SQL, uint8_t Kind,
                                            std::unique_ptr<TDataSet>& DataSet, std::string& Msg)>;
// Turns an error of the SQL event into the text that is reported.
using TSQLErrorEvent = std::function<void(void* Sender, const std::exception& E, std::string& Msg)>;
// Carries out a user-implemented command; sets Handled when it did.
using TUserCommandEvent = std::function<void(void* Sender, TCommandInterface& Command, bool& Handled)>;

// Screen cursors the engine shows.
enum : int { crDefault = 0, crSQLWait = -17 };

// The lines of the active result page, where commands write directly.
class IResultConsole {
public:
    virtual ~IResultConsole() = default;
    virtual void AddLine(const std::string& S) = 0;
    virtual void Clear() = 0;
    virtual TStringList GetLines() const = 0;
};

class IScriptHost {
public:
    virtual ~IScriptHost() = default;

    // First character of a command line ('#' by default) and of a script import ('@').
    virtual char GetCommandPrefix() const = 0;
    virtual char GetImportScriptFileNamePrefix() const = 0;
    virtual TUserEnvManager& GetUserEnvManager() = 0;
    // The active script page's folder, with a trailing separator.
    virtual std::string GetActiveScriptFolder() const = 0;
    // Runs Lines as a script in the active script page with the positional
    // parameters Params ({%0}, {%1}, ...); returns when the run has ended.
    virtual void ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) = 0;
    virtual IResultConsole& GetResultConsole() = 0;
    virtual int GetScreenCursor() const = 0;
    virtual void SetScreenCursor(int Cursor) = 0;

    // Runs Text (one line per line break) without parameters.
    void ExecuteScriptText(const std::string& Text) { ExecuteScriptWithParams(TStringList(Text), TStringList()); }

    // Events; an empty one is not assigned.
    TExecuteSQLEvent OnExecuteSQL;
    TSQLErrorEvent OnSQLError;
    TUserCommandEvent OnUserCommand;
};
