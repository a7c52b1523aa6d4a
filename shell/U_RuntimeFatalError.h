// The dialog that shows an error which stopped the start-up or the saving at
// exit: the program's name and version as its caption, the heading
// "起動エラー", the message in a read-only memo and the button "終了".
#pragma once
#include <string>

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

class TRuntimeFatalError : public QDialog {
public:
    static constexpr int ClientWidth = 524;
    static constexpr int ClientHeight = 161;

    // Msg: the error's message (CP932). Shown modally by the caller;
    // Button_Exit closes it.
    TRuntimeFatalError(QWidget* AOwner, const std::string& Msg);

    QLabel* Panel1;
    QPlainTextEdit* Memo1;
    QPushButton* Button_Exit;
};
