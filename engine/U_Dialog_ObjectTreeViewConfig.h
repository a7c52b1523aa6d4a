// The dialog "オブジェクトツリー表示設定": a check list of the trees of the
// "ObjectTree" folder, each ticked while it is shown, with OK and cancel. The
// caller reads the ticked entries.
#pragma once
#include <string>
#include <vector>

#include <QDialog>

class QAction;
class QLabel;
class QListWidget;
class QPushButton;
class IScriptHost;

class TForm_ObjectTreeViewConfig : public QDialog {
public:
    enum : int { mrOk = 1, mrCancel = 2 };

    TForm_ObjectTreeViewConfig(QWidget* Owner, IScriptHost* Host);

    // The tree folders sorted without regard to case, ticked when shown.
    void FillTreeList();
    // The names of the list, in list order, and whether each is ticked.
    std::vector<std::string> Names() const;
    std::vector<std::string> CheckedNames() const;
    void SetChecked(const std::string& Name, bool Checked);

    IScriptHost* Host;
    QLabel* Label1;
    QListWidget* ObjectTreeCheckListBox;
    QPushButton* Button_OK;
    QPushButton* Button_Cancel;
    QAction* Action_OK;
    QAction* Action_Cancel;

protected:
    void reject() override;  // Escape and the close box: cancel
};
