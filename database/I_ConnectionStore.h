// What the ADO driver needs of the saved-connections store and of the
// dialogs around connecting. The store and the dialogs belong to the
// connections window, which plugs them into the driver; until then the
// driver connects by UDL file and by connection string only.
#pragma once
#include <functional>
#include <memory>
#include <string>

class TDriverInterfaceProp;

// The saved connections, read from their file when the store is opened.
class IConnectionStore {
public:
    virtual ~IConnectionStore() = default;
    virtual int GetCount() = 0;                      // the number of saved connections
    virtual void GetSelectedName(std::string& Name) = 0;   // empty when none is selected
    // The key=value lines of the connection found by name (trimmed, ignoring
    // case, the last match winning) joined into one string; empty when none.
    virtual void GetConnectString(const std::string& Name, std::string& S) = 0;
    // The object-tree names chosen for the connection found by name; empty when none.
    virtual void GetObjectTreeNames(const std::string& Name, std::string& S) = 0;
    // Selects the connection found by name (nothing when none matches).
    virtual void SelectNode(const std::string& Name) = 0;
    virtual void SaveToFile() = 0;
};

// Opens a fresh store for the driver's property link.
using TConnectionStoreFactory = std::function<std::unique_ptr<IConnectionStore>(TDriverInterfaceProp& Prop)>;
// Shows the saved-connections dialog modally; true with the chosen name when closed with OK.
using TConnectDialogFunc = std::function<bool(TDriverInterfaceProp& Prop, std::string& Name)>;

// Asks for the user name and password before connecting; false cancels.
class ILoginPrompt {
public:
    virtual ~ILoginPrompt() = default;
    virtual bool Execute(std::string& UserName, std::string& Password) = 0;
};

// Edits a connection string; returns the edited string, or the given one when cancelled.
class IDataLinkPrompt {
public:
    virtual ~IDataLinkPrompt() = default;
    virtual std::string Edit(void* ParentWindow, const std::string& ConnectionString) = 0;
};

// The prompts of the process, registered at start-up by the window that provides them.
struct TConnectPrompts {
    static ILoginPrompt* LoginPrompt;
    static IDataLinkPrompt* DataLinkPrompt;
};
