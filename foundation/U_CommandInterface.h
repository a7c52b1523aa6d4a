// The interface of a typed command. The script engine creates and runs the
// commands; the database drivers receive the user-implemented ones through the
// host's user-command event and read their word and parameters, fill their
// output and report failure. The interface lives here, below both.
#pragma once
#include <array>
#include <string>

#include "StringList.h"

// The parameters of one command line: entries after the last parameter are empty.
using TParamsArr = std::array<std::string, 256>;

class TCommandInterface {
public:
    virtual ~TCommandInterface() = default;

    virtual std::string GetCommandName() const = 0;   // the command word
    virtual void GetParams(TParamsArr& Params) const = 0;
    virtual int GetMaxParamCount() const = 0;
    virtual TStringList& GetOutput() = 0;             // the result lines
    virtual void GetTitle(std::string& S) const = 0;  // one-line title of the command list
    virtual void SetTitle(const std::string& S) = 0;
    virtual TStringList& GetHelp() = 0;
    virtual bool GetSucceeded() const = 0;
    virtual void SetSucceeded(bool Value) = 0;
    virtual void BeforeExecute() {}
    virtual void Execute() = 0;
    virtual void AfterExecute() {}
};
