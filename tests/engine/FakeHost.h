// A host for the engine's tests: prefixes, user variables, a script folder,
// a result console, and a small executor that runs nested scripts the way a
// script page does (positional parameters, then one item after another).
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

#include "I_ScriptHost.h"
#include "StringList.h"
#include "U_GrobalCommandRegister.h"
#include "U_UserEnvManager.h"

// Registers command classes of a test for the lifetime of the object.
class TScopedCommands {
public:
    TScopedCommands(std::initializer_list<const TCommandClass*> Classes) : Classes(Classes) {
        for (const TCommandClass* c : Classes) GrobalCommandRegister().Register(c);
    }
    ~TScopedCommands() {
        for (const TCommandClass* c : Classes) GrobalCommandRegister().Unregister(c);
    }

private:
    std::vector<const TCommandClass*> Classes;
};

class TFakeConsole : public IResultConsole {
public:
    void AddLine(const std::string& S) override { Lines.Add(S); }
    void Clear() override { Lines.Clear(); }
    TStringList GetLines() const override { return Lines; }
    TStringList Lines;
};

class TFakeHost : public IScriptHost {
public:
    struct Run {
        std::string Text;            // the script's lines as handed over
        std::vector<std::string> Params;
        int Depth;                   // 1 for a run started by a statement of an outer run
    };

    char GetCommandPrefix() const override { return CommandPrefix; }
    char GetImportScriptFileNamePrefix() const override { return ImportPrefix; }
    TUserEnvManager& GetUserEnvManager() override { return Env; }
    std::string GetActiveScriptFolder() const override { return Folder; }
    IResultConsole& GetResultConsole() override { return Console; }
    int GetScreenCursor() const override { return Cursor; }
    void SetScreenCursor(int C) override {
        Cursor = C;
        CursorLog.push_back(C);
    }
    void ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) override;

    char CommandPrefix = '#';
    char ImportPrefix = '@';
    TUserEnvManager Env{this};
    std::string Folder;
    TFakeConsole Console;
    int Cursor = crDefault;
    std::vector<int> CursorLog;
    std::vector<Run> Runs;
    std::vector<std::string> Errors;   // "ClassName:message" of each failed statement
    std::vector<std::string> SQLs;     // the SQL handed to the execution event
    int Depth = 0;
    int MaxDepth = 0;
};

inline void TFakeHost::ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) {
    Runs.push_back({Lines.Text(), Params.Items, Depth});
}
