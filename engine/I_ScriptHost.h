// What the script engine and the commands need of the window they run in.
// The client window implements it; the engine's tests use a fake host.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "GraphicsTypes.h"
#include "StringList.h"
#include "U_SQL99.h"

class TDataSet;
class TCommandInterface;
class QDialog;
class TUserEnvManager;

// Runs one SQL statement of the given kind. The handler fills DataSet for a query (the
// caller takes it) and Msg with its message.
using TExecuteSQLEvent = std::function<void(void* Sender, const std::string& SQL, TSQLKind Kind,
                                            std::unique_ptr<TDataSet>& DataSet, std::string& Msg)>;
// Turns an error of the SQL event into the text that is reported.
using TSQLErrorEvent = std::function<void(void* Sender, const std::exception& E, std::string& Msg)>;
// Carries out a user-implemented command; sets Handled when it did.
using TUserCommandEvent = std::function<void(void* Sender, TCommandInterface& Command, bool& Handled)>;

// Screen cursors the engine shows: crDefault and crSQLWait of the toolkit's cursors.

// The lines of the active result page, where commands write directly.
class IResultConsole {
public:
    virtual ~IResultConsole() = default;
    virtual void AddLine(const std::string& S) = 0;
    virtual void Clear() = 0;
    virtual TStringList GetLines() const = 0;
};

// How the active result page shows the datasets of later statements.
enum TResultOutputMode : uint8_t { rom_Text = 0, rom_TextGrid = 1, rom_Grid = 2, rom_Tab = 3, rom_SDF = 4 };

class IScriptHost {
public:
    virtual ~IScriptHost() = default;

    // First character of a command line ('#' by default) and of a script import ('@').
    virtual char GetCommandPrefix() const = 0;
    virtual char GetImportScriptFileNamePrefix() const = 0;
    virtual TUserEnvManager& GetUserEnvManager() = 0;
    // The active script page's folder, with a trailing separator.
    virtual std::string GetActiveScriptFolder() const = 0;
    // Runs Lines as a script in the active script page with the positional
    // parameters Params ({%0}, {%1}, ...); returns when the run has ended.
    virtual void ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) = 0;
    virtual IResultConsole& GetResultConsole() = 0;
    virtual int GetScreenCursor() const = 0;
    virtual void SetScreenCursor(int Cursor) = 0;

    // --- connection state, transaction mode, folder, output modes, result sheets, closing (used by the commands) ---
    // True in auto-commit mode, false in manual-commit mode (a transaction is kept open).
    virtual bool GetIsAutoCommit() const = 0;
    // The object tree takes the connected or disconnected colour of the driver's state.
    virtual void RefreshConnectState() = 0;
    // The window caption shows the description of the current connection.
    virtual void UpdateCaption() = 0;
    // Loads the object trees recorded with the current saved connection.
    virtual void LoadConnectionObjectTrees() = 0;
    // The driver committed (Committed) or rolled back the connection's
    // transaction: what the window shows from the database follows.
    virtual void TransactionEnded(bool /*Committed*/) {}
    // Makes Folder (a full path of an existing folder) the active script page's folder.
    virtual void SetActiveScriptFolder(const std::string& Folder) = 0;
    // The active script page's echo of every item before it runs.
    virtual bool GetActiveScriptOutputSQL() const = 0;
    virtual void SetActiveScriptOutputSQL(bool Value) = 0;
    // The active script page's flags for the next SQL item of the run: print its
    // report line, show its dataset as a record sheet.
    virtual void SetActiveScriptResultEcho(bool Value) = 0;
    virtual void SetActiveScriptCutSheet(bool Value) = 0;
    // The output mode of the active result page.
    virtual void SetResultOutputMode(TResultOutputMode Mode) = 0;
    // Records between display pauses of a dataset; 0 (or less) shows without pauses.
    virtual int32_t GetStepDisplayCount() const = 0;
    virtual void SetStepDisplayCount(int32_t Value) = 0;
    // The result pages. The new page becomes the active one; a page already
    // captioned Name (compared in upper case) is freed first.
    virtual void NewResultSheet() = 0;                            // default caption "#" + counter
    virtual void AddResultSheet(const std::string& Name) = 0;
    // Frees every page captioned Name (compared in upper case). Whenever a
    // deletion leaves no page, a fresh default page is made.
    virtual void DeleteResultSheet(const std::string& Name) = 0;
    virtual void DeleteActiveResultSheet() = 0;
    // Frees every page, restarts the counter and makes one page (default caption when Name is empty).
    virtual void InitResultSheets(const std::string& Name) = 0;
    virtual void DeleteInActiveResultSheets() = 0;
    // Closes the window the way its close button does.
    virtual void Close() = 0;
    // --- end of connection state ... closing ---

    // --- result text and dialogs (used by the variable, export and phrase commands) ---
    // The active result page's editor cuts Text into lines no wider than its
    // visible width (its FormatLinesToWidth); Lines receives them.
    virtual void FormatResultLinesToWidth(const std::string& Text, TStringList& Lines) = 0;
    // Shows a command's dialog modally, owned by and centred on the window;
    // returns the dialog's result (1 OK, 2 cancel).
    virtual int ShowModalDialog(QDialog& Dialog) = 0;

    // --- object tree and driver kind (used by the object-tree commands and DB2eCLP) ---
    // The "ObjectTree" folder beside the program; empty when there is none.
    virtual std::string GetObjectTreeFolder() const = 0;
    // Adds Name to the shown trees when its folder exists in the object tree
    // folder (any case); no rebuild. False when there is no such folder.
    virtual bool AddObjectTree(const std::string& Name) = 0;
    // Empties the shown trees and rebuilds the pane.
    virtual void ClearObjectTrees() = 0;
    // Rebuilds the pane from the shown trees.
    virtual void LoadObjectTrees() = 0;
    // Name is one of the shown trees (exact comparison).
    virtual bool IsObjectTreeShown(const std::string& Name) const = 0;
    // Where SQL goes: 0 the ODBC driver, 1 the DB2e CLP processor.
    virtual uint8_t GetDriverKind() const = 0;
    virtual void SetDriverKind(uint8_t Kind) = 0;
    // --- end of object tree and driver kind ---

    // Runs Text (one line per line break) without parameters.
    void ExecuteScriptText(const std::string& Text) { ExecuteScriptWithParams(TStringList(Text), TStringList()); }

    // Events; an empty one is not assigned.
    TExecuteSQLEvent OnExecuteSQL;
    TSQLErrorEvent OnSQLError;
    TUserCommandEvent OnUserCommand;
};
