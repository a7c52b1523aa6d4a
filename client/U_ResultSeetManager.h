// The result pages of one client window: pages named "#0", "#1", ... or by
// name, the active page, deleting pages. Pages deleted during a run are freed
// once the run has unwound.
#pragma once
#include <memory>
#include <string>

#include <QTabWidget>

#include "U_Form_Result.h"
#include "U_PageFormManager.h"

Z_DECLARE_EXCEPTION(EResultSeetManager, Exception);

class TFrameSQLClient;

class TResultSeetManager {
public:
    TResultSeetManager(TFrameSQLClient* Owner, QTabWidget* DockHost);

    void InitSheets(const std::string& Name) { Pages->Reset(Name); }
    TForm_Result* NewSheet() { return static_cast<TForm_Result*>(Pages->AddNew()); }
    TForm_Result* AddSheet(const std::string& Name) { return static_cast<TForm_Result*>(Pages->Add(Name)); }
    void DeleteActiveSheet();
    void DeleteSheet(const std::string& Name) { Pages->Close(Name); }
    void DeleteInActiveSheets() { Pages->CloseOthers(); }
    TForm_Result* ActiveForm() const { return static_cast<TForm_Result*>(Pages->GetCurrent()); }
    void SetActiveForm(TForm_Result* Form) { Pages->SetCurrent(Form); }
    void ActiveSheetChanged() { Pages->UpdateCurrent(); }
    void RemoveForm(TForm_Result* Form) { Pages->Remove(Form); }
    int GetCount() const { return Pages->GetCount(); }
    // Raises EResultSeetManager for an index out of range.
    TForm_Result* GetForm(int Index) const;
    int Counter() const { return Pages->Counter(); }
    // A page dragged out of the page control into a window of its own.
    bool IsFloating(const TForm_Result* Form) const { return Pages->IsFloating(Form); }
    void ClearSheet(TForm_Result* Form);
    void ClearActiveSheet() { ClearSheet(ActiveForm()); }

    TFrameSQLClient* Owner;
    QTabWidget* DockHost;

private:
    std::unique_ptr<TPageFormManager> Pages;
};
