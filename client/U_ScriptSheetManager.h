// The script pages of one client window, on the page framework.
#pragma once
#include <memory>

#include <QTabWidget>

#include "T_EnvData.h"
#include "U_Form_Script.h"
#include "U_PageFormManager.h"

class TFrameSQLClient;

class TScriptSheetManager {
public:
    TScriptSheetManager(TFrameSQLClient* Owner, QTabWidget* PageControl);

    // A new page "#" + counter, with the settings applied.
    TForm_Script* NewSheet(const TWritableEnvData& Env);
    void DeleteActiveSheet() { Pages->CloseActive(); }
    void DeleteInActiveSheets() { Pages->CloseOthers(); }
    void ActiveSheetChanged() { Pages->UpdateCurrent(); }
    // Empties the active page's editor, as an edit that can be undone.
    void ClearActiveSheet();
    void ApplyEnvToSheets(const TWritableEnvData& Env);
    TForm_Script* ActiveForm() const;
    TPageFormManager& PageManager() const { return *Pages; }

    TFrameSQLClient* Owner;

private:
    std::unique_ptr<TPageFormManager> Pages;
};
