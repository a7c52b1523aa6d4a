#include "U_Form_Version.h"

#include <QPainter>

#include "CP932Qt.h"
#include "T_FolderFile.h"
#include "U_ApplicationInfo.h"
#include "U_ShellForms.h"

namespace {

const QColor kCream(0xFF, 0xFB, 0xF0);
constexpr int kWidth = 470;
constexpr int kTitleHeight = 64;
constexpr int kRowTop = 78;
constexpr int kRowStep = 30;

QString U(const char16_t* s) { return QString::fromUtf16(s); }

// The text of a field of the version record, read anew.
std::string InfoValue(std::string TApplicationInfoRec::*Field) {
    try {
        TApplicationInfoRec info;
        TApplicationInfo::GetInfo(info);
        return info.*Field;
    } catch (const std::exception&) {
        return std::string();
    }
}

}  // namespace

TShadowPanel::TShadowPanel(QWidget* Parent) : QWidget(Parent) {}

void TShadowPanel::SetCaption(const QString& Caption) {
    FCaption = Caption;
    update();
}

void TShadowPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xF4, 0xEC, 0xD8));
    p.setPen(QColor(0xC8, 0xBC, 0xA0));
    p.drawLine(0, height() - 1, width(), height() - 1);
    QFont f = font();
    f.setPointSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xA8, 0xA0, 0x90));
    p.drawText(rect().translated(3, 3), Qt::AlignCenter, FCaption);
    p.setPen(QColor(0x1F, 0x3A, 0x66));
    p.drawText(rect(), Qt::AlignCenter, FCaption);
}

TForm_Version::TForm_Version(QWidget* AOwner, IShellOpener* Opener)
    : QDialog(AOwner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      FOpener(Opener ? Opener : &DefaultShellOpener()) {
    setObjectName("Form_Version");
    setFont(shellforms::FormFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kCream);
    setPalette(pal);
    setAutoFillBackground(true);

    Panel_Title = new TShadowPanel(this);
    Panel_Title->setObjectName("Panel_Title");
    Panel_Title->setGeometry(0, 0, kWidth, kTitleHeight);
    Image1 = new QLabel(Panel_Title);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setGeometry(12, (kTitleHeight - 40) / 2, 40, 40);

    int row = 0;
    auto addRow = [this, &row](QLabel*& label, const char* labelName, const char16_t* caption, QLineEdit*& edit,
                               const char* editName) {
        const int y = kRowTop + row * kRowStep;
        label = new QLabel(U(caption), this);
        label->setObjectName(labelName);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(8, y, 104, 22);
        edit = new QLineEdit(this);
        edit->setObjectName(editName);
        edit->setReadOnly(true);
        edit->setGeometry(116, y, kWidth - 116 - 72, 22);
        ++row;
        return y;
    };
    auto addButton = [this](QPushButton*& button, const char* name, const char16_t* caption, int y) {
        button = new QPushButton(U(caption), this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        button->setGeometry(kWidth - 10 - 56, y, 56, 22);
    };
    addRow(Label_APPVersion, "Label_APPVersion", u"バージョン：", Edit_APPVersion, "Edit_APPVersion");
    addButton(Button_AppURL, "Button_AppURL", u"GO！",
              addRow(Label_AppURL, "Label_AppURL", u"関連URL：", Edit_AppURL, "Edit_AppURL"));
    addRow(Label_CoName, "Label_CoName", u"製造元：", Edit_CoName, "Edit_CoName");
    addButton(Button_CoURL, "Button_CoURL", u"GO！",
              addRow(Label_CoURL, "Label_CoURL", u"製造元URL：", Edit_CoURL, "Edit_CoURL"));
    addButton(Button_MailTo, "Button_MailTo", u"Mail！",
              addRow(Label_MailTo, "Label_MailTo", u"お問い合わせ：", Edit_MailTo, "Edit_MailTo"));

    const int bottom = kRowTop + row * kRowStep + 8;
    Button1 = new QPushButton(U(u"閉じる"), this);
    Button1->setObjectName("Button1");
    Button1->setAutoDefault(false);
    Button1->setGeometry(kWidth - 10 - 84, bottom, 84, 26);
    setFixedSize(kWidth, bottom + 26 + 12);

    // Esc closes the dialog (QDialog rejects on Esc), as does Button1
    connect(Button1, &QPushButton::clicked, this, [this] { reject(); });
    connect(Button_AppURL, &QPushButton::clicked, this, [this] { Button_AppURLClick(); });
    connect(Button_CoURL, &QPushButton::clicked, this, [this] { Button_CoURLClick(); });
    connect(Button_MailTo, &QPushButton::clicked, this, [this] { Button_MailToClick(); });
}

void TForm_Version::FormShow() {
    Image1->setPixmap(shellforms::ApplicationIcon().pixmap(32, 32));
    const std::string path = TApplicationInfo::ProgramPath();
    setWindowTitle(cp932::ToQString(path));
    Panel_Title->SetCaption(cp932::ToQString(TFolderFile::RemoveExt(TApplicationInfo::ProgramFileName())));
    Edit_APPVersion->setText(cp932::ToQString(InfoValue(&TApplicationInfoRec::FileVersion)));
    Edit_AppURL->setText(cp932::ToQString(InfoValue(&TApplicationInfoRec::URL)));
    Edit_CoName->setText(cp932::ToQString(InfoValue(&TApplicationInfoRec::CompanyName)));
    Edit_CoURL->setText(cp932::ToQString(InfoValue(&TApplicationInfoRec::CompanyURL)));
    Edit_MailTo->setText(cp932::ToQString(InfoValue(&TApplicationInfoRec::ContactMail)));
}

void TForm_Version::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    try {
        FormShow();
    } catch (const std::exception&) {
        // the box shows what it could fill
    }
}

void TForm_Version::OpenText(const QString& Text) {
    try {
        FOpener->Open(cp932::FromQString(Text));
    } catch (const std::exception&) {
        // failures of the opener are not reported
    }
}

void TForm_Version::Button_AppURLClick() { OpenText(Edit_AppURL->text()); }
void TForm_Version::Button_CoURLClick() { OpenText(Edit_CoURL->text()); }
void TForm_Version::Button_MailToClick() { OpenText(QStringLiteral("MailTo:") + Edit_MailTo->text()); }
