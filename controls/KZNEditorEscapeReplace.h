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
#include "T_EscapeOptions.h"

class TFrame_KZNEditorEscapeReplace : public QFrame {
public:
    explicit TFrame_KZNEditorEscapeReplace(QWidget* Parent = nullptr);
    void SetEditor(TKZNEditor* Editor) { FEditor = Editor; }
    TKZNEditor* Editor() const { return FEditor; }
    void SetValues(const TEscapeReplaceOptions& Options);
    // The options as the check boxes and radio buttons show them.
    TEscapeReplaceOptions Values() const;

    // "エスケープする" on the editor's selection.
    void EscapeSelection();
    // The escaped form of S: backslashes first, then single and double quotes,
    // then the 0x5C characters; double-byte characters are never split.
    static std::string EscapeText(std::string_view S, const TEscapeReplaceOptions& Options);

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
    std::function<void(const TEscapeReplaceOptions& Options)> OnUsed;

private:
    QPointer<TKZNEditor> FEditor;
};
