#include "U_UserEnvManager.h"

#include "SysUtils.h"

std::string TUserEnvManager::ReadValue(std::string_view Stored) {
    return Stored == EmptyValueMarker ? std::string() : std::string(Stored);
}

void TUserEnvManager::SetValue(std::string_view Name, std::string_view Value) {
    // The first '=' of a line ends its name: such a name could never be read back.
    if (Name.find('=') != std::string_view::npos)
        throw EUserEnvManager("変数名に '=' は使えません [" + std::string(Name) + "]");
    Items.SetValues(sys::UpperCase(Name), Value.empty() ? std::string_view(EmptyValueMarker) : Value);
}

void TUserEnvManager::GetValue(std::string_view Name, std::string& Value) const {
    int i = Items.IndexOfName(sys::UpperCase(Name));
    Value = i < 0 ? std::string() : ReadValue(Items.ValueFromIndex(i));
}

std::string TUserEnvManager::GetValue(std::string_view Name) const {
    std::string v;
    GetValue(Name, v);
    return v;
}

void TUserEnvManager::GetItem(int Index, TEnvItem& Item) const {
    if (Index < 0 || Index >= Items.Count())
        throw EListError("リストのインデックスが範囲を超えています (" + std::to_string(Index) + ")");
    Item.Name = Items.Names(Index);
    Item.Value = ReadValue(Items.ValueFromIndex(Index));
}

void TUserEnvManager::GetEnvItems(TEnvItemArr& Out) const {
    Out.clear();
    Out.reserve(static_cast<size_t>(Items.Count()));
    for (int i = 0; i < Items.Count(); ++i) {
        TEnvItem item;
        GetItem(i, item);
        Out.push_back(std::move(item));
    }
}
