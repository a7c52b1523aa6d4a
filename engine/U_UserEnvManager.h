// The user variables of one client window: named text values that scripts
// reference as {!NAME}. Names are kept upper-cased and looked up without
// regard to case, in the order they were first set.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "Exception.h"
#include "StringList.h"

class IScriptHost;

Z_DECLARE_EXCEPTION(EUserEnvManager, Exception);

struct TEnvItem {
    std::string Name;
    std::string Value;
};
using TEnvItemArr = std::vector<TEnvItem>;

class TUserEnvManager {
public:
    // An empty value is stored as this marker; reading turns it back into an empty value.
    static constexpr const char* EmptyValueMarker = "N_*U_*L_*L_*S_*T_*R_*I_*N_*G";

    explicit TUserEnvManager(IScriptHost* Owner = nullptr) : Owner(Owner) {}

    // Raises EUserEnvManager for a name holding '='.
    void SetValue(std::string_view Name, std::string_view Value);
    void GetValue(std::string_view Name, std::string& Value) const;
    std::string GetValue(std::string_view Name) const;
    // Raises EListError for an index outside 0 .. Count - 1.
    void GetItem(int Index, TEnvItem& Item) const;
    void GetEnvItems(TEnvItemArr& Items) const;
    int Count() const { return Items.Count(); }
    void Clear() { Items.Clear(); }

    IScriptHost* Owner;  // not owned

private:
    static std::string ReadValue(std::string_view Stored);
    TStringList Items;  // NAME=value lines
};
