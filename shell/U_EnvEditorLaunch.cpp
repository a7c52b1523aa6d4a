#include "U_EnvEditorLaunch.h"

#include <QCoreApplication>

#include "U_Form_EnvEditor.h"
#include "U_Frame_SQLClient.h"

void ShowEnvEditorDialog(TFrameSQLClient& Owner, TEnvironment& Env) {
    TForm_EnvEditor dialog(&Owner, &Env);
    QCoreApplication::processEvents();
    dialog.exec();
}
