// The settings dialog "環境設定": five pages over the settings record of a
// TEnvironment loaded from the settings file, showing the live values of one
// client window. Its buttons apply the values to that window, with or
// without writing the settings file; cancel applies nothing.
//
// Tests build the dialog and show() it without exec(); the main form opens it
// modally through ShowEnvEditorDialog.
#pragma once
#include <QDialog>
#include <QPushButton>
#include <QTabWidget>

#include "U_Frame_ENVForms.h"

class TEnvironment;
class TFrameSQLClient;

class TForm_EnvEditor : public QDialog {
public:
    // The dialog of Frame (its owner) over Env, which the caller keeps and
    // frees. Env takes the window's live values at once.
    TForm_EnvEditor(TFrameSQLClient* AOwner, TEnvironment* AEnv);
    ~TForm_EnvEditor() override;

    TFrameSQLClient* Frame;
    TEnvironment* Env;

    QTabWidget* PageControl1;
    TFrame_ENVForm_ShortCutKey* Frame_ENVForm_ShortCutKey1;
    TFrame_ENVForm_ResultString* Frame_ENVForm_ResultString1;
    TFrame_ENVForm_ScriptEditor* Frame_ENVForm_ScriptEditor1;
    TFrame_ENVForm_MouseJesture* Frame_ENVForm_MouseJesture1;
    TFrame_ENVForm_Tranzaction* Frame_ENVForm_Tranzaction1;
    QPushButton* Button_SaveAndUpdate;
    QPushButton* Button_UpdateOnly;
    QPushButton* Button_Cancel;
    QPushButton* Button_DefaultAll;

    // Every page shows the record; the first page becomes active.
    void ShowPages();
    // The two update buttons. False when a page refused what was entered (it
    // is shown with the reason and nothing is applied); the dialog stays open.
    bool Update(bool Save);
    void DefaultAll();

protected:
    void showEvent(QShowEvent* E) override;
    bool eventFilter(QObject* Watched, QEvent* E) override;
};
