// The line-bundle bar: wraps every selected line in a left and a right text
// (optionally padding the lines so the right texts stand in one column), or
// takes such wrapping off again.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "KZNEditor.h"

class TFrame_KZNEditorLineBundle : public QFrame {
public:
    explicit TFrame_KZNEditorLineBundle(QWidget* Parent = nullptr);
    void SetEditor(TKZNEditor* Editor) { FEditor = Editor; }
    TKZNEditor* Editor() const { return FEditor; }
    void SetValues(const std::string& Left, const std::string& Right, bool Adjust);
    std::string LeftText() const;
    std::string RightText() const;

    // "で括る" and "の括りを削除" on the editor's selection.
    void Bundle();
    void Unbundle();
    // The texts they put in place of a selected text S.
    static std::string BundleText(std::string_view S, std::string_view Left, std::string_view Right, bool Adjust);
    static std::string UnbundleText(std::string_view S, std::string_view Left, std::string_view Right);

    QLabel* Label1;
    QLineEdit* Edit_Bundle_Left;
    QLabel* Label2;
    QLineEdit* Edit_Bundle_Right;
    QPushButton* Button1;
    QCheckBox* CheckBox_Adjust;
    QPushButton* Button2;

    // Told the bar's texts after each use of either button, whether or not
    // the use succeeded: the page keeps what was used last.
    std::function<void(const std::string& Left, const std::string& Right, bool Adjust)> OnUsed;

private:
    QPointer<TKZNEditor> FEditor;
};
