// The login prompt of a connection: asks for the user name and the password
// before the driver connects.
#pragma once
#include <string>

#include <QDialog>

#include "I_ConnectionStore.h"

class QLineEdit;
class QPushButton;

class TDialog_Login : public QDialog {
public:
    explicit TDialog_Login(QWidget* parent = nullptr);

    // Shows the dialog modally, filled with the given values; on OK they take
    // the typed ones and the answer is true.
    bool Execute(std::string& UserName, std::string& Password);

    // The prompt the driver asks: one dialog per question.
    static ILoginPrompt& Prompt();

    QLineEdit* Edit_UserName;
    QLineEdit* Edit_Password;
    QPushButton* Button_OK;
    QPushButton* Button_Cancel;
};
