#include "U_Command.h"

#include "FileSystem.h"

const char* const TCommand::DefaultTitle =
    "このコマンドはヘルプが記述されていません。開発者に連絡し、ヘルプの記述を依頼してください。";

std::unique_ptr<TCommand> TCommandClass::Create(IScriptHost* Host) const {
    return CreateWithParams(Host, TParamsArr());
}

TCommand::TCommand(IScriptHost* Host, const TParamsArr& Src) : Host(Host), Title(DefaultTitle) {
    // The parameters end at the first empty entry.
    for (size_t i = 0; i < Src.size() && !Src[i].empty(); ++i) Params[i] = Src[i];
}

std::string TCommand::GetCommandName() const {
    std::string name = Class ? Class->ClassName : "";
    return name.size() > 2 ? name.substr(2) : std::string();
}

void TUserImplementsCommand::Execute() {
    bool handled = false;
    if (Host && Host->OnUserCommand) Host->OnUserCommand(Host, *this, handled);
    if (!handled) {
        Output.Clear();
        Output.Add(GetCommandName() + " is not implement by " + fs932::ProgramFileName());
    }
}
