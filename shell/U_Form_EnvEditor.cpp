#include "U_Form_EnvEditor.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "AppException.h"
#include "CP932Qt.h"
#include "KZNMessageDlg.h"
#include "U_Environment.h"
#include "U_Frame_SQLClient.h"

namespace {
QString Q(const char* CP932) { return cp932::ToQString(CP932); }

QPushButton* Button(QWidget* Parent, const char* Name, const char* Caption) {
    auto* b = new QPushButton(Q(Caption), Parent);
    b->setObjectName(QString::fromLatin1(Name));
    b->setAutoDefault(false);
    return b;
}
}  // namespace

TForm_EnvEditor::TForm_EnvEditor(TFrameSQLClient* AOwner, TEnvironment* AEnv)
    : QDialog(AOwner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Frame(AOwner),
      Env(AEnv) {
    setObjectName(QStringLiteral("Form_EnvEditor"));
    setWindowTitle(Q("環境設定"));
    setModal(true);
    auto* l = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    Frame_ENVForm_ShortCutKey1 = new TFrame_ENVForm_ShortCutKey(PageControl1);
    Frame_ENVForm_ResultString1 = new TFrame_ENVForm_ResultString(PageControl1);
    Frame_ENVForm_ScriptEditor1 = new TFrame_ENVForm_ScriptEditor(PageControl1);
    Frame_ENVForm_MouseJesture1 = new TFrame_ENVForm_MouseJesture(PageControl1);
    Frame_ENVForm_Tranzaction1 = new TFrame_ENVForm_Tranzaction(PageControl1);
    PageControl1->addTab(Frame_ENVForm_ShortCutKey1, Q("ショートカットキー"));
    PageControl1->addTab(Frame_ENVForm_ResultString1, Q("結果表示"));
    PageControl1->addTab(Frame_ENVForm_ScriptEditor1, Q("スクリプトエディタ"));
    PageControl1->addTab(Frame_ENVForm_MouseJesture1, Q("マウスジェスチャー"));
    PageControl1->addTab(Frame_ENVForm_Tranzaction1, Q("トランザクション制御"));
    l->addWidget(PageControl1, 1);

    auto* buttons = new QHBoxLayout;
    Button_DefaultAll = Button(this, "Button_DefaultAll", "全てデフォルトに戻す");
    Button_SaveAndUpdate = Button(this, "Button_SaveAndUpdate", "保存＆更新");
    Button_UpdateOnly = Button(this, "Button_UpdateOnly", "保存しないで更新");
    Button_Cancel = Button(this, "Button_Cancel", "キャンセル");
    Button_SaveAndUpdate->setDefault(true);
    buttons->addWidget(Button_DefaultAll);
    buttons->addStretch(1);
    buttons->addWidget(Button_SaveAndUpdate);
    buttons->addWidget(Button_UpdateOnly);
    buttons->addWidget(Button_Cancel);
    l->addLayout(buttons);
    resize(640, 600);

    QObject::connect(Button_SaveAndUpdate, &QPushButton::clicked, this, [this] { app::Guard([this] { Update(true); }); });
    QObject::connect(Button_UpdateOnly, &QPushButton::clicked, this, [this] { app::Guard([this] { Update(false); }); });
    QObject::connect(Button_Cancel, &QPushButton::clicked, this, [this] { reject(); });
    QObject::connect(Button_DefaultAll, &QPushButton::clicked, this, [this] { app::Guard([this] { DefaultAll(); }); });

    Env->ReadFromFrame(*Frame);
    Button_SaveAndUpdate->setEnabled(Env->IsWritable());
    // the form sees the keys before its controls
    qApp->installEventFilter(this);
}

TForm_EnvEditor::~TForm_EnvEditor() { qApp->removeEventFilter(this); }

bool TForm_EnvEditor::eventFilter(QObject* Watched, QEvent* E) {
    if (E->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(Watched);
        if (w && (w == this || isAncestorOf(w))) {
            auto* k = static_cast<QKeyEvent*>(E);
            const bool ctrlBreak = (k->key() == Qt::Key_Pause && (k->modifiers() & Qt::ControlModifier)) ||
                                   k->key() == Qt::Key_Cancel;
            if (k->key() == Qt::Key_Escape || ctrlBreak) {
                reject();
                return true;
            }
        }
    }
    return QDialog::eventFilter(Watched, E);
}

void TForm_EnvEditor::showEvent(QShowEvent* E) {
    QDialog::showEvent(E);
    app::Guard([this] { ShowPages(); });
    if (Frame) move(Frame->geometry().center() - rect().center());
}

void TForm_EnvEditor::ShowPages() {
    TWritableEnvData& data = Env->GetEnvData();
    TEnvironment defaults(Env->FileName);  // holds the defaults: nothing is read
    Frame_ENVForm_ShortCutKey1->BuildRows(*Frame, defaults.GetEnvData());
    Frame_ENVForm_ShortCutKey1->ShowEnv(data);
    Frame_ENVForm_ResultString1->ShowEnv(data);
    Frame_ENVForm_ScriptEditor1->ShowEnv(data);
    Frame_ENVForm_MouseJesture1->ShowEnv(data);
    Frame_ENVForm_Tranzaction1->ShowEnv(data);
    PageControl1->setCurrentIndex(0);
}

bool TForm_EnvEditor::Update(bool Save) {
    const std::string problem = Frame_ENVForm_ResultString1->Validate();
    if (!problem.empty()) {
        PageControl1->setCurrentWidget(Frame_ENVForm_ResultString1);
        MessageDlg(problem, TMsgDlgType::mtWarning, this);
        return false;
    }
    TWritableEnvData& data = Env->GetEnvData();
    Frame_ENVForm_ShortCutKey1->SetEnv(data);
    Frame_ENVForm_ScriptEditor1->SetEnv(data);
    Frame_ENVForm_ResultString1->SetEnv(data);
    Frame_ENVForm_MouseJesture1->SetEnv(data);
    Frame_ENVForm_Tranzaction1->SetEnv(data);
    Env->ApplySettings(*Frame);
    Frame->EnvData->Assign(data);
    if (Save) Env->Save();
    accept();
    return true;
}

void TForm_EnvEditor::DefaultAll() {
    Frame_ENVForm_ShortCutKey1->ShowDefault(Env->GetEnvData());
    Frame_ENVForm_ResultString1->ShowDefault();
    Frame_ENVForm_ScriptEditor1->ShowDefault();
    Frame_ENVForm_MouseJesture1->ShowDefault();
    Frame_ENVForm_Tranzaction1->ShowDefault();
}
