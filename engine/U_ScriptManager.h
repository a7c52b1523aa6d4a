// One script run: the script's lines without comments, cut into statements,
// one item per statement. An item is empty, SQL (run through the host's SQL
// execution event), a command line (run by the command manager) or the import
// of a script file (run by the host in the active script page).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataSet.h"
#include "Exception.h"
#include "I_ScriptHost.h"
#include "StringList.h"

// What a run says when memory ran out, in place of the bare std::bad_alloc.
inline constexpr const char* kOutOfMemoryText = "メモリが不足しています";
#include "U_SQL99Splitter.h"

class TCommandLineParser;
class TScriptManager;

Z_DECLARE_EXCEPTION(EScriptManager, Exception);
Z_DECLARE_EXCEPTION(ESQLManager, Exception);
Z_DECLARE_EXCEPTION(EScriptFileImportCommandLineParser, Exception);

// Item kinds.
enum : uint8_t { sikEmpty = 0, sikSQL = 1, sikCommand = 2, sikScriptImport = 3 };

class TScriptItem {
public:
    TScriptItem(IScriptHost* Host, TScriptManager* Manager, std::string Text);

    // Decided on the statement as written, before user variables are replaced.
    uint8_t GetKind() const;
    // Replaces the {!NAME} references of the host's user variables in Lines.
    void ReplaceUserVariables(TStringList& Lines) const;
    // Runs the item; the dataset of a query goes to the caller. An error is
    // kept in ErrorText and raised again.
    std::unique_ptr<TDataSet> Execute();
    void GetErrorText(std::string& S) const { S = ErrorText; }
    TStringList& GetMessageLines() { return MessageLines; }

    IScriptHost* Host;         // not owned
    TScriptManager* Manager;   // not owned
    TStringList Lines;         // one string: the statement as cut
    std::string ResultText;    // the message of the last SQL run
    std::string ErrorText;     // the message of the error that ended the last run
    TStringList MessageLines;  // the output of the last command run

private:
    void ImportScript(const TStringList& Work);
};

// Runs one SQL statement through the host's execution event.
class TSQLManager {
public:
    TSQLManager(IScriptHost* Host, const TStringList& Lines) : Host(Host), Lines(Lines) {}
    // Shows the SQL-wait cursor while it runs and restores the cursor after.
    std::unique_ptr<TDataSet> Execute(std::string& Msg);
    std::unique_ptr<TDataSet> ExecuteSQL(std::string& Msg);

    IScriptHost* Host;
    const TStringList& Lines;
};

// The words of an import line: the file name, then its parameters.
class TScriptFileImportCommandLineParser {
public:
    TScriptFileImportCommandLineParser(std::string_view Line, std::string Folder);
    ~TScriptFileImportCommandLineParser();

    int GetArgCount() const;
    void GetArg(int Index, std::string& S) const;
    // A bare name is looked for in Folder, a name beginning with '.' is
    // resolved against Folder, any other name is used as it is. Both '\' and
    // '/' separate folders; the result uses '/'.
    void GetFileName(std::string& S) const;

    std::string Line;
    std::string Folder;
    std::unique_ptr<TCommandLineParser> Parser;
};

class TScriptManager {
public:
    // How deep script imports may nest; a deeper one (a script importing
    // itself, or a cycle) is refused.
    static constexpr int MaxImportDepth = 32;

    // smDelimiter cuts at every Delimiter outside literals and comments,
    // smBlock at lines holding only the Delimiter. Scanner errors reach the caller.
    TScriptManager(IScriptHost* Host, const TStringList& Lines, char Delimiter, TSQL99Splitter::TSplitMode Mode);
    ~TScriptManager();

    int Count() const { return static_cast<int>(Items.size()); }
    TScriptItem& GetItem(int Index);
    std::unique_ptr<TDataSet> Execute(int Index);
    void GetResultText(int Index, std::string& S);
    void GetErrorText(int Index, std::string& S);
    TStringList& GetMessageLines(int Index);

    IScriptHost* Host;  // not owned
    TStringList Lines;  // the script without its comments
    std::vector<std::unique_ptr<TScriptItem>> Items;

private:
    TScriptItem& ItemForText(int Index);
};
