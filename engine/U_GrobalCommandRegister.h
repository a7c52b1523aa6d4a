// The registry of the command classes, in registration order. One instance,
// GrobalCommandRegister(), holds the built-in commands of commands/CommandTable.h.
#pragma once
#include <string_view>
#include <vector>

#include "Exception.h"
#include "U_Command.h"

Z_DECLARE_EXCEPTION(EGrobalCommandRegister, Exception);

class TGrobalCommandRegister {
public:
    virtual ~TGrobalCommandRegister() = default;

    // Raises EGrobalCommandRegister for a class that is already listed.
    void Register(const TCommandClass* CommandClass);
    // Removes a listed class; nothing happens for another one.
    void Unregister(const TCommandClass* CommandClass);
    // The class when listed, nullptr otherwise.
    const TCommandClass* Contains(const TCommandClass* CommandClass) const;
    // The class of that name, compared without regard to case; nullptr when none.
    const TCommandClass* FindByName(std::string_view Name) const;
    const std::vector<const TCommandClass*>& GetCommandClasses() const { return CommandClasses; }

private:
    std::vector<const TCommandClass*> CommandClasses;
};

// The built-in commands, registered in the order of commands/CommandTable.h.
class TGrobalCommandRegisterImpl : public TGrobalCommandRegister {
public:
    TGrobalCommandRegisterImpl();
};

// The one registry of the program, created on first use.
TGrobalCommandRegister& GrobalCommandRegister();
