#include "U_Dialog_ObjectTreeViewConfig.h"

#include <algorithm>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "CP932Qt.h"
#include "I_ScriptHost.h"
#include "SysUtils.h"
#include "T_FolderFile.h"

namespace {

QString Q(const char* Cp932) { return cp932::ToQString(Cp932); }

}  // namespace

TForm_ObjectTreeViewConfig::TForm_ObjectTreeViewConfig(QWidget* Owner, IScriptHost* Host)
    : QDialog(Owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint),
      Host(Host) {
    setWindowTitle(Q("オブジェクトツリー表示設定"));
    setModal(true);
    Action_OK = new QAction(Q("ＯＫ"), this);
    Action_Cancel = new QAction(Q("キャンセル"), this);
    connect(Action_OK, &QAction::triggered, this, [this] { done(mrOk); });
    connect(Action_Cancel, &QAction::triggered, this, [this] { done(mrCancel); });

    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(Q("使用するオブジェクトツリーを選択してください。"), this);
    layout->addWidget(Label1);
    ObjectTreeCheckListBox = new QListWidget(this);
    QFont font = ObjectTreeCheckListBox->font();
    font.setPointSizeF(font.pointSizeF() + 2);
    ObjectTreeCheckListBox->setFont(font);
    layout->addWidget(ObjectTreeCheckListBox, 1);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    Button_OK = new QPushButton(Action_OK->text(), this);
    Button_Cancel = new QPushButton(Action_Cancel->text(), this);
    Button_OK->setDefault(true);
    connect(Button_OK, &QPushButton::clicked, Action_OK, &QAction::trigger);
    connect(Button_Cancel, &QPushButton::clicked, Action_Cancel, &QAction::trigger);
    buttons->addWidget(Button_OK);
    buttons->addWidget(Button_Cancel);
    layout->addLayout(buttons);
    resize(320, 300);
    FillTreeList();
}

void TForm_ObjectTreeViewConfig::reject() { done(mrCancel); }

void TForm_ObjectTreeViewConfig::FillTreeList() {
    ObjectTreeCheckListBox->clear();
    const std::string root = Host ? Host->GetObjectTreeFolder() : std::string();
    if (root.empty() || !TFolderFile::FolderExists(root)) return;
    TStringList names;
    TFolderFile::GetFolderList(root, names);  // sorted without regard to case
    for (const std::string& name : names.Items) {
        auto* item = new QListWidgetItem(cp932::ToQString(name), ObjectTreeCheckListBox);
        item->setData(Qt::UserRole, QByteArray::fromStdString(name));
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Host->IsObjectTreeShown(name) ? Qt::Checked : Qt::Unchecked);
    }
}

std::vector<std::string> TForm_ObjectTreeViewConfig::Names() const {
    std::vector<std::string> out;
    for (int i = 0; i < ObjectTreeCheckListBox->count(); ++i)
        out.push_back(ObjectTreeCheckListBox->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return out;
}

std::vector<std::string> TForm_ObjectTreeViewConfig::CheckedNames() const {
    std::vector<std::string> out;
    for (int i = 0; i < ObjectTreeCheckListBox->count(); ++i) {
        QListWidgetItem* item = ObjectTreeCheckListBox->item(i);
        if (item->checkState() == Qt::Checked) out.push_back(item->data(Qt::UserRole).toByteArray().toStdString());
    }
    return out;
}

void TForm_ObjectTreeViewConfig::SetChecked(const std::string& Name, bool Checked) {
    for (int i = 0; i < ObjectTreeCheckListBox->count(); ++i) {
        QListWidgetItem* item = ObjectTreeCheckListBox->item(i);
        if (item->data(Qt::UserRole).toByteArray().toStdString() == Name)
            item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
    }
}
