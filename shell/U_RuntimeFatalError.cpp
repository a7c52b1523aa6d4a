#include "U_RuntimeFatalError.h"

#include <QGuiApplication>
#include <QScreen>

#include "CP932Qt.h"
#include "U_ApplicationInfo.h"
#include "U_ShellForms.h"

TRuntimeFatalError::TRuntimeFatalError(QWidget* AOwner, const std::string& Msg)
    : QDialog(AOwner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("RuntimeFatalError");
    setFont(shellforms::FormFont());
    setFixedSize(ClientWidth, ClientHeight);

    Panel1 = new QLabel(QString::fromUtf16(u"起動エラー"), this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAlignment(Qt::AlignCenter);
    QFont heading = font();
    heading.setPointSize(12);
    heading.setBold(true);
    Panel1->setFont(heading);
    Panel1->setGeometry(0, 0, ClientWidth, 32);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setGeometry(6, 38, ClientWidth - 12, ClientHeight - 38 - 40);

    Button_Exit = new QPushButton(QString::fromUtf16(u"終了"), this);
    Button_Exit->setObjectName("Button_Exit");
    Button_Exit->setGeometry(ClientWidth - 8 - 88, ClientHeight - 8 - 26, 88, 26);
    connect(Button_Exit, &QPushButton::clicked, this, [this] { accept(); });

    setWindowTitle(cp932::ToQString(TApplicationInfo::ProgramFileName() + " " + shellforms::ProgramFileVersion()));
    Memo1->setPlainText(shellforms::ToDisplayText(Msg));

    // centred on the screen
    if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
}
