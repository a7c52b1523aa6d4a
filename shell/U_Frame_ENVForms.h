// The five pages of the settings editor, each a frame over the settings
// record: shortcut keys, result display, script editor, mouse gestures and
// transaction control. A page shows a record's values (ShowEnv), shows the
// defaults (ShowDefault, its "デフォルトに戻す" button), checks what was entered
// (Validate: a message in Japanese, empty when all is well) and writes its
// controls back into a record (SetEnv).
#pragma once
#include <string>
#include <vector>

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

#include "T_EnvData.h"

class QAction;
class TFrameSQLClient;

// ---- shortcut keys

class TFrame_ENVForm_ShortCutKey : public QWidget {
public:
    // How a row's label is marked.
    enum TMark { mkPlain, mkNotRecommended, mkDuplicate };

    // One action whose shortcut the page sets.
    struct TRow {
        std::string Name;       // the row's name: "Connect" for Image_Connect, Label_Connect_Name ...
        QAction* Action = nullptr;
        QLabel* Image = nullptr;
        QLabel* Label = nullptr;
        QComboBox* AsyncKey = nullptr;  // the modifiers
        QComboBox* Key = nullptr;
        TShortcutKeyIndex Field = sk_Connect;
        std::string DefaultText;
        TMark Mark = mkPlain;
    };

    // The modifier and key items, in list order.
    static const std::vector<std::string>& ModifierItems();
    static const std::vector<std::string>& KeyItems();

    explicit TFrame_ENVForm_ShortCutKey(QWidget* Parent = nullptr);

    // The rows for the window's actions and those of its active script page
    // (once; later calls do nothing). Defaults gives the default texts.
    void BuildRows(TFrameSQLClient& Frame, const TReadableEnvData& Defaults);
    // Shows Data's texts; Data is also the record the page's default button
    // writes into.
    void ShowEnv(TWritableEnvData& Data);
    // Every row's text back to its default, in Data too.
    void ShowDefault(TWritableEnvData& Data);
    // Each row's text into Data, and at once into its action.
    void SetEnv(TWritableEnvData& Data);
    // The text a row stands for: the modifier unless blank, "+" when both are
    // there, the key unless blank.
    static std::string RowText(const TRow& Row);
    void UpdateColors();

    std::vector<TRow> Rows;
    QPushButton* Button_Default;
    QLabel* Label_Legend;

private:
    void AddRow(QWidget* Group, const char* Name, QAction* Action, TShortcutKeyIndex Field,
                const TReadableEnvData& Defaults);
    void ShowRow(TRow& Row, const std::string& Text);
    bool FBuilt = false;
    TWritableEnvData* FData = nullptr;  // the record the default button writes into
};

// ---- the font size track bar shared by two pages

class TFontSizeGroup : public QGroupBox {
public:
    explicit TFontSizeGroup(QWidget* Parent);
    QSlider* TrackBar_FontSize;
    // The caption shows the size in that size; the height follows it.
    void SizeChanged();
};

// ---- result display

class TFrame_ENVForm_ResultString : public QWidget {
public:
    explicit TFrame_ENVForm_ResultString(QWidget* Parent = nullptr);
    void ShowEnv(const TReadableEnvData& Data);
    void ShowDefault();
    std::string Validate() const;
    void SetEnv(TWritableEnvData& Data) const;

    TFontSizeGroup* GroupBox_Font;
    QSlider* TrackBar_FontSize;
    QRadioButton* RadioButton_CRLFPlastic;
    QRadioButton* RadioButton_CRLFReplace;
    QLineEdit* Edit_CRLFStr;
    QRadioButton* RadioButton_ShowTabKind_Rep;
    QRadioButton* RadioButton_ShowTabKind_Tab;
    QRadioButton* RadioButton_Tab_2;
    QRadioButton* RadioButton_Tab_4;
    QRadioButton* RadioButton_Tab_6;
    QRadioButton* RadioButton_Tab_8;
    QRadioButton* RadioButton_SoftTab;
    QRadioButton* RadioButton_HardTab;
    QLineEdit* Edit_TabReprace;
    QPushButton* Button_Default;

private:
    void UpdateEnabled();
};

// ---- script editor

class TFrame_ENVForm_ScriptEditor : public QWidget {
public:
    explicit TFrame_ENVForm_ScriptEditor(QWidget* Parent = nullptr);
    void ShowEnv(const TReadableEnvData& Data);
    void ShowDefault();
    void SetEnv(TWritableEnvData& Data) const;

    TFontSizeGroup* GroupBox_Font;
    QSlider* TrackBar_FontSize;
    QRadioButton* RadioButton_Tab_2;
    QRadioButton* RadioButton_Tab_4;
    QRadioButton* RadioButton_Tab_6;
    QRadioButton* RadioButton_Tab_8;
    QRadioButton* RadioButton_SoftTab;
    QRadioButton* RadioButton_HardTab;
    QPushButton* Button_Default;
};

// ---- mouse gestures

class TFrame_ENVForm_MouseJesture : public QWidget {
public:
    explicit TFrame_ENVForm_MouseJesture(QWidget* Parent = nullptr);
    void ShowEnv(const TReadableEnvData& Data);
    void ShowDefault();
    void SetEnv(TWritableEnvData& Data) const;
    // The help text of the page's memo, CP932.
    static const char* HelpText();

    QRadioButton* RadioButton_Active;
    QRadioButton* RadioButton_Deactive;
    QPlainTextEdit* Memo1;
    QPushButton* Button_Default;
};

// ---- transaction control

class TFrame_ENVForm_Tranzaction : public QWidget {
public:
    explicit TFrame_ENVForm_Tranzaction(QWidget* Parent = nullptr);
    void ShowEnv(const TReadableEnvData& Data);
    void ShowDefault();
    void SetEnv(TWritableEnvData& Data) const;

    QRadioButton* RadioButton_EndTime;
    QRadioButton* RadioButton_Manual;
    QRadioButton* RadioButton_Auto;
    QPushButton* Button_Default;
};
