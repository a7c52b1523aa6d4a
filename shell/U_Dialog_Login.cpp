#include "U_Dialog_Login.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "CP932Qt.h"
#include "Headless.h"

namespace {

class TLoginPrompt : public ILoginPrompt {
public:
    bool Execute(std::string& UserName, std::string& Password) override {
        TDialog_Login dialog(QApplication::activeWindow());
        return dialog.Execute(UserName, Password);
    }
};

}  // namespace

TDialog_Login::TDialog_Login(QWidget* parent) : QDialog(parent) {
    setWindowTitle(cp932::ToQString("ログイン"));
    setFont(QFont("IPAPGothic", 9));
    auto* root = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    Edit_UserName = new QLineEdit(this);
    Edit_Password = new QLineEdit(this);
    Edit_Password->setEchoMode(QLineEdit::Password);
    form->addRow(cp932::ToQString("ユーザー名"), Edit_UserName);
    form->addRow(cp932::ToQString("パスワード"), Edit_Password);
    root->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Button_OK = new QPushButton(QStringLiteral("OK"), this);
    Button_Cancel = new QPushButton(cp932::ToQString("キャンセル"), this);
    Button_OK->setDefault(true);
    buttons->addWidget(Button_OK);
    buttons->addWidget(Button_Cancel);
    root->addLayout(buttons);
    QObject::connect(Button_OK, &QPushButton::clicked, this, &QDialog::accept);
    QObject::connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(300);
}

bool TDialog_Login::Execute(std::string& UserName, std::string& Password) {
    Edit_UserName->setText(cp932::ToQString(UserName));
    Edit_Password->setText(cp932::ToQString(Password));
    if (UserName.empty())
        Edit_UserName->setFocus();
    else
        Edit_Password->setFocus();
    if (headless::Declined("ログイン（ユーザー名とパスワードの入力）")) return false;
    if (exec() != QDialog::Accepted) return false;
    UserName = cp932::FromQString(Edit_UserName->text());
    Password = cp932::FromQString(Edit_Password->text());
    return true;
}

ILoginPrompt& TDialog_Login::Prompt() {
    static TLoginPrompt prompt;
    return prompt;
}
