#include "U_ScriptSheetManager.h"

#include "U_Frame_SQLClient.h"

TScriptSheetManager::TScriptSheetManager(TFrameSQLClient* Owner, QTabWidget* PageControl)
    : Owner(Owner), Pages(std::make_unique<TPageFormManager>(PageControl, Owner, TPageFormClass::Of<TForm_Script>())) {}

TForm_Script* TScriptSheetManager::NewSheet(const TWritableEnvData& Env) {
    auto* page = static_cast<TForm_Script*>(Pages->AddNew());
    page->ApplyEnv(Env);
    return page;
}

void TScriptSheetManager::ApplyEnvToSheets(const TWritableEnvData& Env) {
    for (int i = 0; i < Pages->GetCount(); ++i) static_cast<TForm_Script*>(Pages->GetForm(i))->ApplyEnv(Env);
}

TForm_Script* TScriptSheetManager::ActiveForm() const { return static_cast<TForm_Script*>(Pages->GetCurrent()); }

void TScriptSheetManager::ClearActiveSheet() {
    TForm_Script* page = ActiveForm();
    if (!page) return;
    TScriptEditor* editor = page->ScriptEditor;
    if (editor->ReadOnly()) {
        editor->Lines().Clear();
        return;
    }
    // an edit like any other, so that Ctrl+Z brings the script back
    editor->SelectAll();
    editor->DeleteSelection();
}
