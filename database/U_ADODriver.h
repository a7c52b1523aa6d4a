// The database driver of the system: one connection (through the ODBC
// layer), a fresh query for every statement, and the user-implemented
// commands CONNECT, DISCONNECT, RECONNECT, BEGIN, ROLLBACK and COMMIT.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "Exception.h"
#include "I_ConnectionStore.h"
#include "OdbcConnection.h"
#include "U_DriverInterface.h"

Z_DECLARE_EXCEPTION(EADOError, Exception);

class TStringList;

// Holds the current connection object.
class TADODataModule {
public:
    TADODataModule() : ADOConnection1(std::make_unique<TOdbcConnection>()) {}
    std::unique_ptr<TOdbcConnection> ADOConnection1;
};

class TADODriver : public TDriverInterface {
public:
    TADODriver();
    ~TADODriver() override;

    bool ConnectWithDialog() override;
    bool Connect(const std::string& Name) override;
    bool Disconnect() override;
    bool Reconnect() override;
    void Execute(void* Sender, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet,
                 std::string& Msg) override;
    void HandleCommand(void* Sender, TCommandInterface& Command, bool& Handled) override;
    bool IsConnected() override;
    void GetDescription(std::string& S) override;
    void GetObjectTreeNames(std::string& S) override;

    // Connects with a connection string of the system's form; Name is what
    // the description shows.
    bool ConnectByConnectionString(const std::string& ConnectionString, const std::string& Name);

    // True when Name, trimmed, begins with "UDL:" (in capitals).
    static bool IsUDLName(const std::string& Name);
    // The path of a UDL name (the trimmed name less "UDL:"); empty for other names.
    static std::string GetUDLPath(const std::string& Name);
    // The selected connection's name in the store; empty without a store.
    std::string GetCurrentConnectionName();

    std::unique_ptr<TADODataModule> DataModule;

    // The saved-connections store and its dialog, plugged in by the connections window.
    TConnectionStoreFactory ConnectionStoreFactory;
    TConnectDialogFunc ConnectDialog;
    // Called every 256 records while a result is fetched (to process pending events).
    std::function<void()> OnFetchProgress;

private:
    enum class TMadeKind { None, Saved, UDL, String };
    void ConnectUDL(const std::string& Name);
    void ConnectSaved(const std::string& Name);
    void SetLoginPrompt();
    void OpenConnection();
    std::unique_ptr<IConnectionStore> OpenStore();
    TOdbcConnection& Conn() { return *DataModule->ADOConnection1; }
    // The key=value lines of the connection's string (the completed one while connected).
    void AddConnectionLines(TStringList& Output);

    // The connection actually made: what reconnecting repeats and the caption shows.
    TMadeKind FMadeKind = TMadeKind::None;
    std::string FMadeName;               // the saved connection's name, the UDL name, or the given name
    std::string FMadeConnectionString;   // for a connection by string
};
