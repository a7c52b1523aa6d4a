// The escape bar: escapes the single quotes, double quotes and backslashes of
// the editor's selection with a backslash or by doubling them, and optionally
// the double-byte characters whose second byte is 0x5C.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "KZNEditor.h"

class TFrame_KZNEditorEscapeReplace : public QFrame {
public:
    explicit TFrame_KZNEditorEscapeReplace(QWidget* Parent = nullptr);
    void SetEditor(TKZNEditor* Editor) { FEditor = Editor; }
    TKZNEditor* Editor() const { return FEditor; }
    void SetValues(bool SQ, bool DQ, bool Y, bool C5, bool EscapeDouble);

    // "エスケープする" on the editor's selection.
    void EscapeSelection();
    // The escaped form of S: backslashes first, then single and double quotes,
    // then the 0x5C characters; double-byte characters are never split.
    static std::string EscapeText(std::string_view S, bool SQ, bool DQ, bool Y, bool C5, bool EscapeDouble);

    QLabel* Label1;
    QCheckBox* CheckBox_SQ;
    QCheckBox* CheckBox_DQ;
    QCheckBox* CheckBox_Y;
    QLabel* Label2;
    QRadioButton* RadioButton_Y;
    QRadioButton* RadioButton_Double;
    QPushButton* Button1;
    QCheckBox* CheckBox_5c;

    // Told the bar's options after each use of its button, whether or not the
    // use succeeded: the page or window keeps what was used last.
    std::function<void(bool SQ, bool DQ, bool Y, bool C5, bool EscapeDouble)> OnUsed;

private:
    QPointer<TKZNEditor> FEditor;
};
