// The about box: the program's name and icon, its version, the web pages of
// the program and of its maker and the contact mail address, each page and
// the address opened by a button.
#pragma once
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ShellOpen.h"

// A panel whose caption is drawn with a shadow.
class TShadowPanel : public QWidget {
public:
    explicit TShadowPanel(QWidget* Parent);
    void SetCaption(const QString& Caption);
    QString Caption() const { return FCaption; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QString FCaption;
};

class TForm_Version : public QDialog {
public:
    // Opener: what the buttons open with (not owned); null for the desktop's.
    explicit TForm_Version(QWidget* AOwner = nullptr, IShellOpener* Opener = nullptr);

    TShadowPanel* Panel_Title;
    QLabel* Image1;
    QLabel* Label_APPVersion;
    QLineEdit* Edit_APPVersion;
    QLabel* Label_AppURL;
    QLineEdit* Edit_AppURL;
    QPushButton* Button_AppURL;
    QLabel* Label_CoName;
    QLineEdit* Edit_CoName;
    QLabel* Label_CoURL;
    QLineEdit* Edit_CoURL;
    QPushButton* Button_CoURL;
    QLabel* Label_MailTo;
    QLineEdit* Edit_MailTo;
    QPushButton* Button_MailTo;
    QPushButton* Button1;

    // Fills the window from the running program and its version record;
    // called when the window is shown.
    void FormShow();

    void Button_AppURLClick();
    void Button_CoURLClick();
    void Button_MailToClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    void OpenText(const QString& Text);
    IShellOpener* FOpener;
};
