// The modal search dialog: the text to search (with a history of the last 32
// texts), the direction and the option boxes. It keeps its options and
// history in a per-user settings file of the editor's own.
#pragma once
#include <cstdint>
#include <string>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class TFormSearch : public QDialog {
public:
    explicit TFormSearch(QWidget* Parent = nullptr);

    // Shows the dialog modally. True when it closed with OK and a text was
    // chosen: SearchText and Options are then the choice; otherwise SearchText
    // is empty and Options 0.
    static bool Execute(std::string& SearchText, uint16_t& Options);

    // The option word of the controls.
    uint16_t Options() const;
    // The chosen text (empty until OK with a text).
    const std::string& ChosenText() const { return FChosenText; }
    // The history, newest first (at most 32 entries).
    static constexpr int HistoryMax = 32;

    // The settings file of the dialog; tests and other platforms may point it elsewhere.
    static std::string StoreFileName();
    static std::string SetStoreFileName(const std::string& FileName);  // returns the name it replaced

    QLabel* Label1;
    QComboBox* ComboBox_Search;
    QGroupBox* RadioGroup_Direction;
    QRadioButton* RadioButton_Backward;  // index 0
    QRadioButton* RadioButton_Forward;   // index 1
    QCheckBox* CheckBox_MatchCase;
    QCheckBox* CheckBox_WholeWord;
    QCheckBox* CheckBox_NoMatchZenkaku;
    QCheckBox* CheckBox_IncludeCRLF;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QPushButton* HelpBtn;

    int DirectionIndex() const;
    void SetDirectionIndex(int Index);

protected:
    void showEvent(QShowEvent* E) override;

private:
    void OKClick();
    void LoadSettings();
    void SaveSettings(bool WithHistory);
    std::string FChosenText;
};
