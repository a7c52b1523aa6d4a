// A host for the engine's benchmarks: prefixes, user variables, a result
// console that keeps its lines (or drops them), and a window that does nothing.
#pragma once
#include <string>

#include "I_ScriptHost.h"
#include "StringList.h"
#include "U_UserEnvManager.h"

class TBenchConsole : public IResultConsole {
public:
    void AddLine(const std::string& S) override {
        if (Keep) Lines.Add(S);
    }
    void Clear() override { Lines.Clear(); }
    TStringList GetLines() const override { return Lines; }
    TStringList Lines;
    bool Keep = true;
};

class TBenchHost : public IScriptHost {
public:
    char GetCommandPrefix() const override { return '#'; }
    char GetImportScriptFileNamePrefix() const override { return '@'; }
    TUserEnvManager& GetUserEnvManager() override { return Env; }
    std::string GetActiveScriptFolder() const override { return Folder; }
    void ExecuteScriptWithParams(const TStringList&, const TStringList&) override {}
    IResultConsole& GetResultConsole() override { return Console; }
    int GetScreenCursor() const override { return Cursor; }
    void SetScreenCursor(int C) override { Cursor = C; }

    bool GetIsAutoCommit() const override { return true; }
    void RefreshConnectState() override {}
    void UpdateCaption() override {}
    void LoadConnectionObjectTrees() override {}
    void SetActiveScriptFolder(const std::string& F) override { Folder = F; }
    bool GetActiveScriptOutputSQL() const override { return false; }
    void SetActiveScriptOutputSQL(bool) override {}
    void SetActiveScriptResultEcho(bool) override {}
    void SetActiveScriptCutSheet(bool) override {}
    void SetResultOutputMode(TResultOutputMode) override {}
    int32_t GetStepDisplayCount() const override { return 0; }
    void SetStepDisplayCount(int32_t) override {}
    void NewResultSheet() override {}
    void AddResultSheet(const std::string&) override {}
    void DeleteResultSheet(const std::string&) override {}
    void DeleteActiveResultSheet() override {}
    void InitResultSheets(const std::string&) override {}
    void DeleteInActiveResultSheets() override {}
    void Close() override {}

    void FormatResultLinesToWidth(const std::string& Text, TStringList& Lines) override { Lines.SetText(Text); }
    int ShowModalDialog(QDialog&) override { return 2; }  // cancelled

    std::string GetObjectTreeFolder() const override { return std::string(); }
    bool AddObjectTree(const std::string&) override { return false; }
    void ClearObjectTrees() override {}
    void LoadObjectTrees() override {}
    bool IsObjectTreeShown(const std::string&) const override { return false; }
    uint8_t GetDriverKind() const override { return 0; }
    void SetDriverKind(uint8_t) override {}

    TUserEnvManager Env{this};
    TBenchConsole Console;
    std::string Folder = "./";
    int Cursor = crDefault;
};
