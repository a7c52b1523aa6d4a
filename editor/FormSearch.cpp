// The search dialog and its per-user settings file.
#include "FormSearch.h"

#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "CP932Qt.h"
#include "Editor.h"
#include "EditorUtil.h"
#include "FileSystem.h"

namespace {

std::string& StoreFile() {
    static std::string name;
    return name;
}

QString Q(const char16_t* s) { return QString::fromUtf16(s); }

}  // namespace

std::string TFormSearch::StoreFileName() {
    if (StoreFile().empty()) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        StoreFile() = cp932::FromQString(QDir(dir).filePath(QStringLiteral("TEditor/TFormSearch.ini")));
    }
    return StoreFile();
}

std::string TFormSearch::SetStoreFileName(const std::string& FileName) { return std::exchange(StoreFile(), FileName); }

TFormSearch::TFormSearch(QWidget* Parent) : QDialog(Parent) {
    setWindowTitle(Q(u"検索"));
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(Q(u"検索する文字列(&T):"), this);
    ComboBox_Search = new QComboBox(this);
    ComboBox_Search->setEditable(true);
    ComboBox_Search->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_Search->setMinimumWidth(280);
    Label1->setBuddy(ComboBox_Search);
    layout->addWidget(Label1);
    layout->addWidget(ComboBox_Search);

    auto* middle = new QHBoxLayout;
    RadioGroup_Direction = new QGroupBox(Q(u" 検索方向 "), this);
    auto* dir = new QVBoxLayout(RadioGroup_Direction);
    RadioButton_Backward = new QRadioButton(Q(u"後方(&B)"), RadioGroup_Direction);
    RadioButton_Forward = new QRadioButton(Q(u"前方(&D)"), RadioGroup_Direction);
    dir->addWidget(RadioButton_Backward);
    dir->addWidget(RadioButton_Forward);
    RadioButton_Forward->setChecked(true);
    middle->addWidget(RadioGroup_Direction);
    auto* boxes = new QVBoxLayout;
    CheckBox_MatchCase = new QCheckBox(Q(u"大/小文字の区別(&C)"), this);
    CheckBox_WholeWord = new QCheckBox(Q(u"単語単位で探す(&W)"), this);
    CheckBox_NoMatchZenkaku = new QCheckBox(Q(u"全角・半角を区別しない(&Z)"), this);
    CheckBox_IncludeCRLF = new QCheckBox(Q(u"改行・スペースを無視(&L)"), this);
    for (QCheckBox* c : {CheckBox_MatchCase, CheckBox_WholeWord, CheckBox_NoMatchZenkaku, CheckBox_IncludeCRLF})
        boxes->addWidget(c);
    middle->addLayout(boxes);
    layout->addLayout(middle);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    CancelBtn = new QPushButton(Q(u"キャンセル"), this);
    HelpBtn = new QPushButton(Q(u"ヘルプ(&H)"), this);
    HelpBtn->setEnabled(false);  // the editor has no help file to open
    OKBtn->setDefault(true);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(HelpBtn);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, [this] { OKClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

int TFormSearch::DirectionIndex() const { return RadioButton_Forward->isChecked() ? 1 : 0; }

void TFormSearch::SetDirectionIndex(int Index) {
    (Index == 1 ? RadioButton_Forward : RadioButton_Backward)->setChecked(true);
}

uint16_t TFormSearch::Options() const {
    uint16_t o = 0;
    if (CheckBox_WholeWord->isChecked()) o |= soWholeWord;
    if (CheckBox_MatchCase->isChecked()) o |= soMatchCase;
    if (CheckBox_NoMatchZenkaku->isChecked()) o |= soFuzzy;
    if (DirectionIndex() == 1) o |= soForward;
    if (CheckBox_IncludeCRLF->isChecked()) o |= soIgnoreLineBreaks | soIgnoreBlanks;
    return o;
}

void TFormSearch::showEvent(QShowEvent* E) {
    QDialog::showEvent(E);
    FChosenText.clear();
    LoadSettings();
    if (ComboBox_Search->count() > 0) {
        ComboBox_Search->setCurrentIndex(0);
        ComboBox_Search->lineEdit()->selectAll();
    }
    ComboBox_Search->setFocus();
}

void TFormSearch::OKClick() {
    const std::string text = cp932::FromQString(ComboBox_Search->currentText());
    if (text.empty()) {
        SaveSettings(false);
    } else {
        FChosenText = text;
        const QString q = cp932::ToQString(text);
        for (int i = 0; i < ComboBox_Search->count(); ++i)
            if (ComboBox_Search->itemText(i) == q) {
                ComboBox_Search->removeItem(i);
                break;
            }
        ComboBox_Search->insertItem(0, q);
        while (ComboBox_Search->count() > HistoryMax) ComboBox_Search->removeItem(ComboBox_Search->count() - 1);
        ComboBox_Search->setCurrentIndex(0);
        SaveSettings(true);
    }
    accept();
}

namespace {
// A FIFO or a device in the store file's place would keep the settings
// component waiting for ever: it is neither read nor written then.
bool StoreUsable() { return !fs932::IsSpecialFile(TFormSearch::StoreFileName()); }
}  // namespace

void TFormSearch::LoadSettings() {
    if (!StoreUsable()) return;
    QSettings ini(cp932::ToQString(StoreFileName()), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Options"));
    CheckBox_MatchCase->setChecked(ini.value(QStringLiteral("MatchCase"), false).toBool());
    CheckBox_WholeWord->setChecked(ini.value(QStringLiteral("WholeWord"), false).toBool());
    CheckBox_NoMatchZenkaku->setChecked(ini.value(QStringLiteral("NoMatchZenkaku"), false).toBool());
    CheckBox_IncludeCRLF->setChecked(ini.value(QStringLiteral("IncludeCRLF"), false).toBool());
    bool ok = false;
    const int direction = ini.value(QStringLiteral("Direction"), 1).toInt(&ok);
    SetDirectionIndex(ok && direction == 0 ? 0 : 1);
    ini.endGroup();
    const std::string items = cp932::FromQString(ini.value(QStringLiteral("SearchItems/Text"), QString()).toString());
    ComboBox_Search->clear();
    ForEachTextLine(items, [&](std::string_view line) {
        if (!line.empty() && ComboBox_Search->count() < HistoryMax)
            ComboBox_Search->addItem(cp932::ToQString(line));
    });
}

void TFormSearch::SaveSettings(bool WithHistory) {
    if (!StoreUsable()) return;
    const QString file = cp932::ToQString(StoreFileName());
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings ini(file, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Options"));
    ini.setValue(QStringLiteral("MatchCase"), CheckBox_MatchCase->isChecked());
    ini.setValue(QStringLiteral("WholeWord"), CheckBox_WholeWord->isChecked());
    ini.setValue(QStringLiteral("NoMatchZenkaku"), CheckBox_NoMatchZenkaku->isChecked());
    ini.setValue(QStringLiteral("IncludeCRLF"), CheckBox_IncludeCRLF->isChecked());
    ini.setValue(QStringLiteral("Direction"), DirectionIndex());
    ini.endGroup();
    if (WithHistory) {
        QString items;
        for (int i = 0; i < ComboBox_Search->count(); ++i) items += ComboBox_Search->itemText(i) + QStringLiteral("\r\n");
        ini.setValue(QStringLiteral("SearchItems/Text"), items);
    }
    ini.sync();
}

bool TFormSearch::Execute(std::string& SearchText, uint16_t& Options) {
    TFormSearch dlg;
    const bool ok = dlg.exec() == QDialog::Accepted && !dlg.FChosenText.empty();
    SearchText = ok ? dlg.FChosenText : std::string();
    Options = ok ? dlg.Options() : 0;
    return ok;
}
