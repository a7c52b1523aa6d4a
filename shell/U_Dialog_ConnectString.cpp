#include "U_Dialog_ConnectString.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "CP932Qt.h"
#include "Headless.h"
#include "KZNMessageDlg.h"
#include "OdbcConnection.h"
#include "OdbcInstalled.h"
#include "SysUtils.h"
#include "U_ADOConnectStringsUtil.h"

namespace {

QString Q(std::string_view s) { return cp932::ToQString(s); }

std::string Cell(const QTableWidget* grid, int row, int col) {
    const QTableWidgetItem* item = grid->item(row, col);
    return item ? cp932::FromQString(item->text()) : std::string();
}

class TDataLinkPrompt : public IDataLinkPrompt {
public:
    std::string Edit(void* ParentWindow, const std::string& ConnectionString) override {
        QWidget* parent = ParentWindow ? static_cast<QWidget*>(ParentWindow) : QApplication::activeWindow();
        TDialog_ConnectString dialog(parent);
        return dialog.Edit(ConnectionString);
    }
};

}  // namespace

TDialog_ConnectString::TDialog_ConnectString(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Q("接続文字列の編集"));
    setFont(QFont("IPAPGothic", 9));
    resize(560, 400);
    auto* root = new QVBoxLayout(this);

    auto* choose = new QFormLayout;
    Combo_Driver = new QComboBox(this);
    Combo_DataSource = new QComboBox(this);
    Combo_Driver->addItem(QString());
    for (const auto& d : odbc::InstalledDrivers()) Combo_Driver->addItem(Q(d.Name), QByteArray::fromStdString(d.Name));
    Combo_DataSource->addItem(QString());
    for (const auto& s : odbc::InstalledDataSources())
        Combo_DataSource->addItem(Q(s.Name + "  (" + s.Description + ")"), QByteArray::fromStdString(s.Name));
    choose->addRow(Q("ODBCドライバ"), Combo_Driver);
    choose->addRow(Q("データソース"), Combo_DataSource);
    root->addLayout(choose);
    QObject::connect(Combo_Driver, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
        if (i > 0) ChooseDriver(Combo_Driver->itemData(i).toByteArray().toStdString());
    });
    QObject::connect(Combo_DataSource, QOverload<int>::of(&QComboBox::activated), this, [this](int i) {
        if (i > 0) ChooseDataSource(Combo_DataSource->itemData(i).toByteArray().toStdString());
    });

    Grid_Values = new QTableWidget(0, 2, this);
    Grid_Values->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
    Grid_Values->verticalHeader()->hide();
    Grid_Values->verticalHeader()->setDefaultSectionSize(20);
    Grid_Values->horizontalHeader()->setStretchLastSection(true);
    Grid_Values->setColumnWidth(0, 160);
    root->addWidget(Grid_Values, 1);
    QObject::connect(Grid_Values, &QTableWidget::itemChanged, this, [this](QTableWidgetItem*) { GridChanged(); });

    auto* rows = new QHBoxLayout;
    Button_AddRow = new QPushButton(Q("行の追加"), this);
    Button_DeleteRow = new QPushButton(Q("行の削除"), this);
    rows->addWidget(Button_AddRow);
    rows->addWidget(Button_DeleteRow);
    rows->addStretch(1);
    root->addLayout(rows);
    QObject::connect(Button_AddRow, &QPushButton::clicked, this, [this] {
        int r = Grid_Values->rowCount();
        Grid_Values->insertRow(r);
        Grid_Values->setCurrentCell(r, 0);
        Grid_Values->editItem(Grid_Values->item(r, 0));
    });
    QObject::connect(Button_DeleteRow, &QPushButton::clicked, this, [this] {
        int r = Grid_Values->currentRow();
        if (r >= 0) Grid_Values->removeRow(r);
        GridChanged();
    });

    auto* text = new QFormLayout;
    Edit_ConnectString = new QLineEdit(this);
    text->addRow(Q("接続文字列"), Edit_ConnectString);
    root->addLayout(text);
    QObject::connect(Edit_ConnectString, &QLineEdit::editingFinished, this, [this] {
        if (Edit_ConnectString->isModified()) SetConnectionString(cp932::FromQString(Edit_ConnectString->text()));
    });

    auto* buttons = new QHBoxLayout;
    Button_Test = new QPushButton(Q("接続テスト"), this);
    Button_OK = new QPushButton(QStringLiteral("OK"), this);
    Button_Cancel = new QPushButton(Q("キャンセル"), this);
    for (QPushButton* b : {Button_Test, Button_OK, Button_Cancel}) b->setAutoDefault(false);
    buttons->addWidget(Button_Test);
    buttons->addStretch(1);
    buttons->addWidget(Button_OK);
    buttons->addWidget(Button_Cancel);
    root->addLayout(buttons);
    QObject::connect(Button_Test, &QPushButton::clicked, this, [this] { TestConnection(); });
    QObject::connect(Button_OK, &QPushButton::clicked, this, &QDialog::accept);
    QObject::connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::string TDialog_ConnectString::Edit(const std::string& ConnectionString) {
    SetConnectionString(ConnectionString);
    if (headless::Declined("接続文字列の編集")) return ConnectionString;
    if (exec() != QDialog::Accepted) return ConnectionString;
    return GetConnectionString();
}

void TDialog_ConnectString::SetConnectionString(const std::string& S) {
    TStringList lines;
    TADOConnectStringsUtil::StringToList(S, &lines);
    FFilling = true;
    Grid_Values->setRowCount(0);
    for (const std::string& line : lines.Items) {
        if (sys::Trim(line).empty()) continue;
        size_t eq = line.find('=');
        int r = Grid_Values->rowCount();
        Grid_Values->insertRow(r);
        Grid_Values->setItem(r, 0, new QTableWidgetItem(Q(eq == std::string::npos ? line : line.substr(0, eq))));
        Grid_Values->setItem(r, 1, new QTableWidgetItem(Q(eq == std::string::npos ? std::string() : line.substr(eq + 1))));
    }
    FFilling = false;
    GridChanged();
}

std::string TDialog_ConnectString::GetConnectionString() const {
    TStringList lines;
    for (int r = 0; r < Grid_Values->rowCount(); ++r) {
        std::string key = Cell(Grid_Values, r, 0);
        if (sys::Trim(key).empty()) continue;
        lines.Add(key + "=" + Cell(Grid_Values, r, 1));
    }
    std::string s;
    TADOConnectStringsUtil::ListToString(&lines, s);
    return s;
}

int TDialog_ConnectString::FindRow(const std::string& Key) const {
    for (int r = 0; r < Grid_Values->rowCount(); ++r)
        if (sys::SameText(sys::Trim(Cell(Grid_Values, r, 0)), Key)) return r;
    return -1;
}

void TDialog_ConnectString::SetValue(const std::string& Key, const std::string& Value) {
    int r = FindRow(Key);
    FFilling = true;
    if (r < 0) {
        r = Grid_Values->rowCount();
        Grid_Values->insertRow(r);
        Grid_Values->setItem(r, 0, new QTableWidgetItem(Q(Key)));
    }
    Grid_Values->setItem(r, 1, new QTableWidgetItem(Q(Value)));
    FFilling = false;
    GridChanged();
}

void TDialog_ConnectString::RemoveKey(const std::string& Key) {
    for (int r = FindRow(Key); r >= 0; r = FindRow(Key)) Grid_Values->removeRow(r);
    GridChanged();
}

void TDialog_ConnectString::ChooseDriver(const std::string& Name) {
    if (FindRow("Provider") < 0) SetValue("Provider", "MSDASQL.1");
    RemoveKey("Data Source");
    SetValue("DRIVER", "{" + Name + "}");
}

void TDialog_ConnectString::ChooseDataSource(const std::string& Name) {
    if (FindRow("Provider") < 0) SetValue("Provider", "MSDASQL.1");
    RemoveKey("DRIVER");
    SetValue("Data Source", Name);
}

void TDialog_ConnectString::GridChanged() {
    if (FFilling) return;
    Edit_ConnectString->setText(Q(GetConnectionString()));
    Edit_ConnectString->setModified(false);
}

void TDialog_ConnectString::TestConnection() {
    std::string s = GetConnectionString();
    try {
        TOdbcConnection connection;
        connection.SetConnectionString(s);
        connection.Open();
        connection.Close();
    } catch (const Exception& e) {
        MessageDlg("接続テストに失敗しました。\r\n" + e.Message, TMsgDlgType::mtError, this);
        return;
    }
    MessageDlg("接続テストに成功しました。", TMsgDlgType::mtInformation, this);
}

IDataLinkPrompt& TDialog_ConnectString::Prompt() {
    static TDataLinkPrompt prompt;
    return prompt;
}
