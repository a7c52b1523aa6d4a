#include "U_ResultSeetManager.h"

#include "U_Frame_SQLClient.h"

TResultSeetManager::TResultSeetManager(TFrameSQLClient* Owner, QTabWidget* DockHost)
    : Owner(Owner),
      DockHost(DockHost),
      Pages(std::make_unique<TPageFormManager>(DockHost, Owner, TPageFormClass::Of<TForm_Result>())) {
    // a result page can be dragged out to float in a window of its own, and back
    Pages->SetFloatable(true);
}

void TResultSeetManager::DeleteActiveSheet() {
    try {
        Pages->CloseActive();
    } catch (...) {
        // Not reported by design: a deletion that fails on the way leaves the
        // pages as they are, and the user sees that the page is still there.
    }
}

TForm_Result* TResultSeetManager::GetForm(int Index) const {
    try {
        return static_cast<TForm_Result*>(Pages->GetForm(Index));
    } catch (const EPageFormManager& e) {
        throw EResultSeetManager(e.Message);
    }
}

void TResultSeetManager::ClearSheet(TForm_Result* Form) {
    if (!Form) return;
    Form->Panel_PageBase->DeleteAll();
    if (TResultConsole* c = Form->Console()) c->Clear();
}
