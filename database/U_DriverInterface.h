// The database driver as the application sees it, and the link through
// which a driver learns its client's current folder.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "U_CommandInterface.h"
#include "U_SQL99.h"

class TDataSet;

// What a driver asks of its client.
class TDriverInterfaceProp {
public:
    TDriverInterfaceProp() = default;
    virtual ~TDriverInterfaceProp() = default;
    // The client's current folder, ending with a path delimiter.
    virtual void GetCurrentFolder(std::string& Folder) = 0;
};

// The driver's own copy of its client's values, taken once.
class TDriverInterfaceProp_DriverImpl : public TDriverInterfaceProp {
public:
    void GetCurrentFolder(std::string& Folder) override { Folder = FFolder; }
    void CopyFrom(TDriverInterfaceProp& Source) { Source.GetCurrentFolder(FFolder); }

private:
    std::string FFolder;
};

class TDriverInterface {
public:
    TDriverInterface() : Prop(std::make_unique<TDriverInterfaceProp_DriverImpl>()) {}
    virtual ~TDriverInterface() = default;
    TDriverInterface(const TDriverInterface&) = delete;
    TDriverInterface& operator=(const TDriverInterface&) = delete;

    // Lets the user choose a saved connection and connects to it; false when cancelled.
    virtual bool ConnectWithDialog() = 0;
    // Connects by name: a saved connection's name, or "UDL:" and a UDL file path.
    virtual bool Connect(const std::string& Name) = 0;
    virtual bool Disconnect() = 0;
    virtual bool Reconnect() = 0;
    // Runs one statement of the given kind (0 query, 1 INSERT, 2 UPDATE,
    // 3 DELETE, 4 other). DataSet receives the dataset that ran it (the
    // caller owns it) and Msg the result message.
    virtual void Execute(void* Sender, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet,
                         std::string& Msg) = 0;
    // Carries out a user-implemented command; Handled := true for a command the driver knows.
    virtual void HandleCommand(void* Sender, TCommandInterface& Command, bool& Handled) = 0;
    virtual bool IsConnected() = 0;
    // The connection text of the window caption; empty when not connected.
    virtual void GetDescription(std::string& S) = 0;
    // The object-tree definitions chosen for the connection (quoted comma text).
    virtual void GetObjectTreeNames(std::string& S) = 0;

    // Copies the client's values (once: later changes do not reach the driver).
    void SetClientProp(TDriverInterfaceProp& ClientProp) { Prop->CopyFrom(ClientProp); }

    std::unique_ptr<TDriverInterfaceProp_DriverImpl> Prop;
};
