#include "U_CommandManager.h"

#include <algorithm>

#include "SysUtils.h"
#include "U_CommandLineParser.h"
#include "U_GrobalCommandRegister.h"

void TCommandManager::ExecuteLine(const TStringList& Lines, TStringList& Output) {
    std::string t = sys::Trim(Lines.Text());
    std::string word = t;
    TParamsArr params;
    // Only a blank ends the word; it stays at the word's end.
    size_t blank = t.find(' ');
    if (blank != std::string::npos) {
        word = t.substr(0, blank + 1);
        ParseParams(std::string_view(t).substr(blank + 1), params, static_cast<int>(params.size()) - 1);
    }
    std::unique_ptr<TCommand> cmd = CreateCommand(word, params);
    cmd->BeforeExecute();
    cmd->Execute();
    cmd->AfterExecute();
    Output.Assign(cmd->GetOutput());
}

std::unique_ptr<TCommand> TCommandManager::CreateCommand(std::string_view Word, const TParamsArr& Params) {
    if (Word.find(Host->GetCommandPrefix()) == std::string_view::npos)
        throw ECommandManager("コマンドが見つかりません [" + std::string(Word) + "]");
    std::string name = sys::Trim(Word.substr(std::min<size_t>(1, Word.size())));
    const TCommandClass* cls = FindCommandClass(name);
    if (!cls) throw ECommandManager("コマンドが見つかりません [" + name + "]");
    return cls->CreateWithParams(Host, Params);
}

const TCommandClass* TCommandManager::FindCommandClass(std::string_view Name) const {
    return GrobalCommandRegister().FindByName("Tz" + std::string(Name));
}

void TCommandManager::ParseParams(std::string_view Text, TParamsArr& Params, int MaxIndex) {
    const int last = std::min(MaxIndex, static_cast<int>(Params.size()) - 1);
    for (int i = 0; i <= last; ++i) Params[static_cast<size_t>(i)].clear();
    TCommandLineParser parser(Text);
    if (parser.Words.Count() > last + 1)
        throw ECommandLineParser("コマンドラインの引数が多すぎます（最大" + std::to_string(last + 1) + "個）");
    for (int i = 0; i < parser.Words.Count(); ++i) Params[static_cast<size_t>(i)] = parser.Words[i];
}

void TCommandManager::GetCommandList(TStringList& List) {
    List.Clear();
    for (const TCommandClass* cls : GrobalCommandRegister().GetCommandClasses()) {
        std::string name = cls->Create(Host)->GetCommandName();
        if (List.IndexOf(name) < 0) List.Add(std::move(name));
    }
    List.Sort();
}
