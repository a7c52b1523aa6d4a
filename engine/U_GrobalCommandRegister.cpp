#include "U_GrobalCommandRegister.h"

#include <algorithm>

#include "SysUtils.h"

#define Z_COMMAND(T) extern const TCommandClass T##_Class;
#include "CommandTable.h"
#undef Z_COMMAND

void TGrobalCommandRegister::Register(const TCommandClass* CommandClass) {
    if (Contains(CommandClass))
        throw EGrobalCommandRegister(std::string("内部エラー：既に登録済みのコマンドクラスを登録しようとしました") +
                                     CommandClass->ClassName);
    CommandClasses.push_back(CommandClass);
}

void TGrobalCommandRegister::Unregister(const TCommandClass* CommandClass) {
    CommandClasses.erase(std::remove(CommandClasses.begin(), CommandClasses.end(), CommandClass),
                         CommandClasses.end());
}

const TCommandClass* TGrobalCommandRegister::Contains(const TCommandClass* CommandClass) const {
    auto it = std::find(CommandClasses.begin(), CommandClasses.end(), CommandClass);
    return it == CommandClasses.end() ? nullptr : *it;
}

const TCommandClass* TGrobalCommandRegister::FindByName(std::string_view Name) const {
    for (const TCommandClass* c : CommandClasses)
        if (sys::SameText(c->ClassName, Name)) return c;
    return nullptr;
}

TGrobalCommandRegisterImpl::TGrobalCommandRegisterImpl() {
#define Z_COMMAND(T) Register(&T##_Class);
#include "CommandTable.h"
#undef Z_COMMAND
}

TGrobalCommandRegister& GrobalCommandRegister() {
    static TGrobalCommandRegisterImpl instance;
    return instance;
}
