// A host for the engine's tests: prefixes, user variables, a script folder,
// a result console, and a small executor that runs nested scripts the way a
// script page does (positional parameters, then one item after another).
#pragma once
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "I_ScriptHost.h"
#include "KZNEditorText.h"
#include "StringList.h"
#include "SysUtils.h"
#include "U_GrobalCommandRegister.h"
#include "U_ScriptManager.h"
#include "U_UserEnvManager.h"

// Registers command classes of a test for the lifetime of the object.
class TScopedCommands {
public:
    TScopedCommands(std::initializer_list<const TCommandClass*> Classes) : Classes(Classes) {
        for (const TCommandClass* c : Classes) GrobalCommandRegister().Register(c);
    }
    ~TScopedCommands() {
        for (const TCommandClass* c : Classes) GrobalCommandRegister().Unregister(c);
    }

private:
    std::vector<const TCommandClass*> Classes;
};

class TFakeConsole : public IResultConsole {
public:
    void AddLine(const std::string& S) override { Lines.Add(S); }
    void Clear() override { Lines.Clear(); }
    TStringList GetLines() const override { return Lines; }
    TStringList Lines;
};

class TFakeHost : public IScriptHost {
public:
    struct Run {
        std::string Text;            // the script's lines as handed over
        std::vector<std::string> Params;
        int Depth;                   // 1 for a run started by a statement of an outer run
    };

    char GetCommandPrefix() const override { return CommandPrefix; }
    char GetImportScriptFileNamePrefix() const override { return ImportPrefix; }
    TUserEnvManager& GetUserEnvManager() override { return Env; }
    std::string GetActiveScriptFolder() const override { return Folder; }
    IResultConsole& GetResultConsole() override { return Console; }
    int GetScreenCursor() const override { return Cursor; }
    void SetScreenCursor(int C) override {
        Cursor = C;
        CursorLog.push_back(C);
    }
    void ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) override;

    // --- connection state, transaction mode, folder, output modes, result sheets, closing ---
    // Each call is logged in Calls as the member's name, with its argument in
    // parentheses; the state the commands read is kept in plain fields.
    bool GetIsAutoCommit() const override { return IsAutoCommit; }
    void RefreshConnectState() override { Calls.push_back("RefreshConnectState"); }
    void UpdateCaption() override { Calls.push_back("UpdateCaption"); }
    void LoadConnectionObjectTrees() override { Calls.push_back("LoadConnectionObjectTrees"); }
    void SetActiveScriptFolder(const std::string& F) override {
        Calls.push_back("SetActiveScriptFolder(" + F + ")");
        Folder = F.empty() || F.back() == '/' ? F : F + "/";
    }
    bool GetActiveScriptOutputSQL() const override { return OutputSQL; }
    void SetActiveScriptOutputSQL(bool V) override {
        Calls.push_back(std::string("SetActiveScriptOutputSQL(") + (V ? "true" : "false") + ")");
        OutputSQL = V;
    }
    void SetActiveScriptResultEcho(bool V) override {
        Calls.push_back(std::string("SetActiveScriptResultEcho(") + (V ? "true" : "false") + ")");
    }
    void SetActiveScriptCutSheet(bool V) override {
        Calls.push_back(std::string("SetActiveScriptCutSheet(") + (V ? "true" : "false") + ")");
    }
    void SetResultOutputMode(TResultOutputMode M) override {
        Calls.push_back("SetResultOutputMode(" + std::to_string(M) + ")");
    }
    int32_t GetStepDisplayCount() const override { return StepDisplayCount; }
    void SetStepDisplayCount(int32_t V) override {
        Calls.push_back("SetStepDisplayCount(" + std::to_string(V) + ")");
        StepDisplayCount = V;
    }
    void NewResultSheet() override { Calls.push_back("NewResultSheet"); }
    void AddResultSheet(const std::string& Name) override { Calls.push_back("AddResultSheet(" + Name + ")"); }
    void DeleteResultSheet(const std::string& Name) override { Calls.push_back("DeleteResultSheet(" + Name + ")"); }
    void DeleteActiveResultSheet() override { Calls.push_back("DeleteActiveResultSheet"); }
    void InitResultSheets(const std::string& Name) override { Calls.push_back("InitResultSheets(" + Name + ")"); }
    void DeleteInActiveResultSheets() override { Calls.push_back("DeleteInActiveResultSheets"); }
    void Close() override { Calls.push_back("Close"); }

    bool IsAutoCommit = true;
    bool OutputSQL = false;
    int32_t StepDisplayCount = 0;
    std::vector<std::string> Calls;
    // --- end of connection state ... closing ---

    // --- result text and dialogs ---
    void FormatResultLinesToWidth(const std::string& Text, TStringList& Lines) override;
    int ShowModalDialog(QDialog& Dialog) override {
        ++DialogsShown;
        return DialogAnswer ? DialogAnswer(Dialog) : 2;
    }
    int ResultWidth = 80;                        // visible columns of the result editor
    std::function<int(QDialog&)> DialogAnswer;   // answers a modal dialog; without it the dialog is cancelled
    int DialogsShown = 0;

    // --- object tree and driver kind ---
    // Calls are logged in Calls; the shown trees and the driver kind are plain fields.
    std::string GetObjectTreeFolder() const override { return ObjectTreeFolder; }
    bool AddObjectTree(const std::string& Name) override {
        Calls.push_back("AddObjectTree(" + Name + ")");
        if (ObjectTreeFolder.empty() || Name.empty() || !fs932::DirectoryExists(ObjectTreeFolder + Name)) return false;
        ShownTrees.push_back(Name);
        return true;
    }
    void ClearObjectTrees() override {
        Calls.push_back("ClearObjectTrees");
        ShownTrees.clear();
    }
    void LoadObjectTrees() override {
        Calls.push_back("LoadObjectTrees");
        LoadedTrees = ShownTrees;
    }
    bool IsObjectTreeShown(const std::string& Name) const override {
        return std::find(ShownTrees.begin(), ShownTrees.end(), Name) != ShownTrees.end();
    }
    uint8_t GetDriverKind() const override { return DriverKind; }
    void SetDriverKind(uint8_t K) override {
        Calls.push_back("SetDriverKind(" + std::to_string(K) + ")");
        DriverKind = K;
    }
    std::string ObjectTreeFolder;          // with a trailing separator; empty: none
    std::vector<std::string> ShownTrees;
    std::vector<std::string> LoadedTrees;  // the shown trees at the last rebuild
    uint8_t DriverKind = 0;
    // --- end of object tree and driver kind ---

    char CommandPrefix = '#';
    char ImportPrefix = '@';
    TUserEnvManager Env{this};
    std::string Folder;
    TFakeConsole Console;
    int Cursor = crDefault;
    std::vector<int> CursorLog;
    std::vector<Run> Runs;
    std::vector<std::string> Errors;   // "ClassName:message" of each failed statement
    std::vector<std::string> SQLs;     // the SQL handed to the execution event
    int Depth = 0;  // runs of this host now going on
    int MaxDepth = 0;
};

// As a script page runs a script: the positional parameters replaced in
// index order, SQL*Plus style when the first non-blank line is "/", then one
// item after another; an error is shown and the run goes on.
inline void TFakeHost::ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) {
    Runs.push_back({Lines.Text(), Params.Items, Depth});
    std::string text = Lines.Text();
    for (int i = 0; i < Params.Count(); ++i)
        text = sys::StringReplaceAll(text, "{%" + std::to_string(i) + "}", Params[i]);
    TStringList script(text);
    TSQL99Splitter::TSplitMode mode = TSQL99Splitter::smDelimiter;
    char delimiter = ';';
    for (const std::string& line : script.Items) {
        if (sys::Trim(line).empty()) continue;
        if (line == "/") mode = TSQL99Splitter::smBlock, delimiter = '/';
        break;
    }
    ++Depth;
    MaxDepth = std::max(MaxDepth, Depth);
    auto report = [this](const Exception& e) {
        Errors.push_back(std::string(e.ClassName()) + ":" + e.Message);
        Console.AddLine(Errors.back());
    };
    try {
        TScriptManager manager(this, script, delimiter, mode);
        for (int i = 0; i < manager.Count(); ++i) {
            try {
                manager.Execute(i);
                std::string result;
                manager.GetResultText(i, result);
                if (!result.empty()) Console.AddLine(result);
                for (const std::string& line : manager.GetMessageLines(i).Items) Console.AddLine(line);
            } catch (const Exception& e) {
                report(e);
            }
        }
    } catch (const Exception& e) {
        report(e);
    }
    --Depth;
}

// As the result editor cuts a text to its width.
inline void TFakeHost::FormatResultLinesToWidth(const std::string& Text, TStringList& Lines) {
    kzneditor::FormatLinesToWidth(Text, ResultWidth, Lines);
}
