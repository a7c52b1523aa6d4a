// The base implementation of the typed commands, and the class descriptor
// through which the registry creates them.
//
// A command class derives from TNativCommand (it does its own work) or from
// TUserImplementsCommand (the host's user-command event does it). Its
// constructor takes (Host, Params), calls the base constructor, then sets its
// title and help lines. Its module defines its descriptor with
// Z_DEFINE_COMMAND_CLASS(TzWord), and one line Z_COMMAND(TzWord) in
// commands/CommandTable.h registers it.
#pragma once
#include <memory>
#include <string>

#include "Exception.h"
#include "I_ScriptHost.h"
#include "StringList.h"
#include "U_CommandInterface.h"

Z_DECLARE_EXCEPTION(ECommand, Exception);

class TCommand;

// A command class: its name ("Tz" + the command word) and its constructor.
struct TCommandClass {
    const char* ClassName;
    std::unique_ptr<TCommand> (*New)(const TCommandClass& Class, IScriptHost* Host, const TParamsArr& Params);

    std::unique_ptr<TCommand> CreateWithParams(IScriptHost* Host, const TParamsArr& Params) const {
        return New(*this, Host, Params);
    }
    // With all parameters empty: to list the commands and to show help.
    std::unique_ptr<TCommand> Create(IScriptHost* Host) const;
};

class TCommand : public TCommandInterface {
public:
    static const char* const DefaultTitle;

    TCommand(IScriptHost* Host, const TParamsArr& Params);

    std::string GetCommandName() const override;   // the class name less its first two characters
    void GetParams(TParamsArr& Out) const override { Out = Params; }
    int GetMaxParamCount() const override { return static_cast<int>(Params.size()); }
    TStringList& GetOutput() override { return Output; }
    void GetTitle(std::string& S) const override { S = Title; }
    void SetTitle(const std::string& S) override { Title = S; }
    TStringList& GetHelp() override { return Help; }
    bool GetSucceeded() const override { return Succeeded; }
    void SetSucceeded(bool Value) override { Succeeded = Value; }

    IScriptHost* Host;  // not owned
    TParamsArr Params;
    std::string Title;
    TStringList Help;
    TStringList Output;
    bool Succeeded = true;

private:
    template <class T>
    friend std::unique_ptr<TCommand> NewCommand(const TCommandClass&, IScriptHost*, const TParamsArr&);
    const TCommandClass* Class = nullptr;  // set by the descriptor right after construction
};

// The commands that do their own work.
class TNativCommand : public TCommand {
public:
    using TCommand::TCommand;
};

// The commands that the host's user-command event carries out.
class TUserImplementsCommand : public TCommand {
public:
    using TCommand::TCommand;
    void Execute() override;
};

template <class T>
std::unique_ptr<TCommand> NewCommand(const TCommandClass& Class, IScriptHost* Host, const TParamsArr& Params) {
    std::unique_ptr<TCommand> cmd = std::make_unique<T>(Host, Params);
    cmd->Class = &Class;
    return cmd;
}

// Defines the descriptor TzWord_Class of the command class TzWord.
#define Z_DEFINE_COMMAND_CLASS(T)                  \
    extern const TCommandClass T##_Class;          \
    const TCommandClass T##_Class { #T, &NewCommand<T> }
