#include "U_Form_Script.h"

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "AppException.h"
#include "CP932Qt.h"
#include "FileSystem.h"
#include "ShortCutText.h"
#include "SysUtils.h"
#include "T_KZNUtil.h"
#include "U_ClientMessages.h"
#include "U_ScriptSelectionEdit.h"
#include "U_Frame_SQLClient.h"

namespace {

QAction* NewAction(QWidget* owner, const char16_t* caption, bool checkable = false) {
    auto* a = new QAction(QString::fromUtf16(caption), owner);
    a->setCheckable(checkable);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    owner->addAction(a);
    return a;
}

void SetShortCut(QAction* a, const std::string& text) { a->setShortcut(shortcut::ToKeySequence(shortcut::TextToShortCut(text))); }

}  // namespace

TForm_Script::TForm_Script(QObject* AOwner, TPageFormManager* Manager) : TPageForm(AOwner, Manager) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar2 = new QToolBar(this);
    Action_ALLSQLExec = NewAction(this, u"実行");
    Action_SelectedSQLExec = NewAction(this, u"選択範囲を実行");
    Action_SendScriptToHistory = NewAction(this, u"履歴に追加保存");
    Action_NewScript = NewAction(this, u"新しいスクリプト");
    Action_ScriptClear = NewAction(this, u"クリア");
    Action_SelectedSQLCommentOut = NewAction(this, u"指定範囲をコメントアウト");
    Action_SelectedSQLCommentReOut = NewAction(this, u"指定範囲のコメント解除");
    Action_SelectedSQLCommentDelete = NewAction(this, u"指定範囲のコメント削除");
    Action_SelectedSQLCommaReturn = NewAction(this, u"指定範囲をカンマで改行");
    Action_Selection5CEscape = NewAction(this, u"指定範囲の５C問題解決");
    Action_ScriptStop = NewAction(this, u"実行停止");
    Action_ErrorTimeStopToggle = NewAction(this, u"エラー発生で一時停止", true);
    Action_OutputSQLToggle = NewAction(this, u"発行SQLを結果に出力", true);
    Action_EveryTimeStopToggle = NewAction(this, u"各SQL実行後一時停止", true);
    Action_AfterClearToggle = NewAction(this, u"実行後にクリア", true);
    Action_ShowHistoryForm = NewAction(this, u"履歴画面表示");
    Action_AddFav = NewAction(this, u"お気に入りに追加保存");
    for (QAction* a : {Action_ALLSQLExec, Action_SelectedSQLExec})
        ToolBar2->addAction(a);
    for (QAction* a : {Action_ScriptStop, Action_ErrorTimeStopToggle, Action_OutputSQLToggle,
                       Action_EveryTimeStopToggle, Action_ShowHistoryForm})
        ToolBar2->addAction(a);
    ToolBar2->addAction(Action_ScriptClear);
    ToolBar2->addAction(Action_SendScriptToHistory);
    layout->addWidget(ToolBar2);
    ScriptEditor = MakeEditor<TScriptEditor>(this);
    ScriptEditor->AcceptShellDorpFile = true;
    ScriptEditor->WantTabs = true;
    ScriptEditor->WantReturns = true;
    ScriptEditor->SetUndoListMax(64);
    ScriptEditor->OnChange = [this](TObject*) { HistoryDirty = true; };
    ScriptEditor->OnKeyDown = [this](TObject*, uint16_t&, TShiftState) {
        if (Flags.Executing) Blink();
    };
    layout->addWidget(ScriptEditor, 1);

    Panel_Pause = new QFrame(this);
    Panel_Pause->setAutoFillBackground(true);
    Panel_Pause->setBackgroundRole(QPalette::Highlight);
    auto* pauseLayout = new QHBoxLayout(Panel_Pause);
    Label_StopReason = new QLabel(QString::fromUtf16(u"(停止理由が表示されます)"), Panel_Pause);
    Button_Continue = new QPushButton(QString::fromUtf16(u"続行"), Panel_Pause);
    Button_DisContinue = new QPushButton(QString::fromUtf16(u"中断"), Panel_Pause);
    pauseLayout->addWidget(Label_StopReason, 1);
    pauseLayout->addWidget(Button_Continue);
    pauseLayout->addWidget(Button_DisContinue);
    layout->addWidget(Panel_Pause);

    auto guarded = [this](QAction* a, std::function<void()> f) {
        QObject::connect(a, &QAction::triggered, this, [f = std::move(f)] { app::Guard(f); });
    };
    guarded(Action_ALLSQLExec, [this] {
        if (Flags.Executing) return Blink();
        Execute(TStringList(ScriptEditor->Lines().GetText()), TStringList());
    });
    guarded(Action_SelectedSQLExec, [this] {
        if (Flags.Executing) return Blink();
        const std::string text = ScriptEditor->GetSelText();
        if (sys::Trim(text).empty()) return;
        TStringList one;
        one.Add(text);
        Execute(one, TStringList());
    });
    guarded(Action_SendScriptToHistory, [this] { SendToHistoryIfDirty(); });
    guarded(Action_NewScript, [this] {
        if (Flags.Executing) return;
        SendToHistoryIfDirty();
        ScriptEditor->Lines().Clear();
        HistoryDirty = false;
    });
    guarded(Action_ScriptClear, [this] { ScriptEditor->Lines().Clear(); });
    guarded(Action_SelectedSQLCommentOut, [this] { SelectedSQLCommentOut(); });
    guarded(Action_SelectedSQLCommentReOut, [this] { SelectedSQLCommentReOut(); });
    guarded(Action_SelectedSQLCommentDelete, [this] { SelectedSQLCommentDelete(); });
    guarded(Action_SelectedSQLCommaReturn, [this] { SelectedSQLCommaReturn(); });
    guarded(Action_Selection5CEscape, [this] { Selection5CEscape(); });
    QObject::connect(Button_Continue, &QPushButton::clicked, this, [this] { app::Guard([this] { Executor.Continue(); }); });
    QObject::connect(Button_DisContinue, &QPushButton::clicked, this,
                     [this] { app::Guard([this] { Executor.DisContinue(); }); });
    QObject::connect(Action_ScriptStop, &QAction::triggered, this, [this] { app::Guard([this] { Executor.DisContinue(); }); });
    QObject::connect(Action_ErrorTimeStopToggle, &QAction::triggered, this,
                     [this] { SetErrorTimeStop(!Flags.ErrorTimeStop); });
    QObject::connect(Action_OutputSQLToggle, &QAction::triggered, this, [this] { SetOutputSQL(!Flags.OutputSQL); });
    QObject::connect(Action_EveryTimeStopToggle, &QAction::triggered, this,
                     [this] { SetEveryTimeStop(!Flags.EveryTimeStop); });
    QObject::connect(Action_AfterClearToggle, &QAction::triggered, this, [this] { SetAfterClear(!AfterClear); });
    QObject::connect(Action_ShowHistoryForm, &QAction::triggered, this, [this] {
        app::Guard([this] {
            if (TFrameSQLClient* f = Frame()) winmsg::SendMessage(f->MessageWindowHandle, mc::WM_MC_SHOWHISTORY, 0, 0);
        });
    });
    QObject::connect(Action_AddFav, &QAction::triggered, this, [this] {
        app::Guard([this] {
            if (TFrameSQLClient* f = Frame()) winmsg::SendMessage(f->MessageWindowHandle, mc::WM_MC_ADDCLIENTFAVORITE, 0, 0);
        });
    });

    SetCurrentFolder(fs932::ProgramFolder());
    HistoryDirty = false;
    Flags.Executing = false;
    Flags.Stop = false;
    Panel_Pause->hide();
    EnableControls(true);
}

TForm_Script::~TForm_Script() = default;

TFrameSQLClient* TForm_Script::Frame() const { return dynamic_cast<TFrameSQLClient*>(Owner()); }

void TForm_Script::Execute(const TStringList& Script, const TStringList& Params) { Executor.Execute(Script, Params); }

void TForm_Script::Pause(const std::string& Reason) { Executor.Pause(Reason); }

void TForm_Script::EnableControls(bool Value) {
    for (QAction* a : {Action_ALLSQLExec, Action_SelectedSQLExec, Action_SendScriptToHistory, Action_NewScript, Action_AddFav})
        a->setEnabled(Value);
    Action_ScriptStop->setEnabled(!Value);
}

void TForm_Script::FocusEditor() { ScriptEditor->setFocus(); }

void TForm_Script::SetScriptLines(const TStringList& Lines) {
    if (Flags.Executing) return;
    ScriptEditor->Lines().BeginUpdate();
    ScriptEditor->Lines().Clear();
    for (const std::string& line : Lines.Items) ScriptEditor->Lines().Add(line);
    ScriptEditor->Lines().EndUpdate();
    HistoryDirty = true;
}

void TForm_Script::ReplaceSelection(const std::string& Text, int SelLength) {
    const int start = ScriptEditor->GetSelStart();
    ScriptEditor->SetSelText(Text);
    if (SelLength >= 0) {
        ScriptEditor->SetSelStart(start);
        ScriptEditor->SetSelLength(SelLength);
    }
}

void TForm_Script::SelectedSQLCommentOut() {
    const std::string s = ScriptEditor->GetSelText();
    if (s.empty() || ScriptEditor->ReadOnly()) return;
    const scriptedit::TSelectionEdit e = scriptedit::CommentOut(s);
    ReplaceSelection(e.Text, e.SelLength);
}

void TForm_Script::SelectedSQLCommentReOut() {
    const std::string s = ScriptEditor->GetSelText();
    if (s.empty() || ScriptEditor->ReadOnly()) return;
    const scriptedit::TSelectionEdit e = scriptedit::CommentIn(s);
    ReplaceSelection(e.Text, e.SelLength);
}

void TForm_Script::SelectedSQLCommentDelete() {
    if (Flags.Executing) return Blink();
    const std::string s = ScriptEditor->GetSelText();
    if (!s.empty()) ReplaceSelection(scriptedit::DeleteComments(s), -1);
}

void TForm_Script::SelectedSQLCommaReturn() {
    if (Flags.Executing) return Blink();
    const std::string s = ScriptEditor->GetSelText();
    if (!s.empty()) ReplaceSelection(scriptedit::CommaBreak(s), -1);
}

void TForm_Script::Selection5CEscape() {
    const std::string s = ScriptEditor->GetSelText();
    if (s.empty() || ScriptEditor->ReadOnly()) return;
    ReplaceSelection(TKZNUtil::Escape5CChars(s), -1);
}

void TForm_Script::ApplyEnv(const TWritableEnvData& Env) {
    const std::pair<QAction*, TShortcutKeyIndex> keys[] = {
        {Action_ALLSQLExec, sk_ALLSQLExec},
        {Action_SelectedSQLExec, sk_SelectedSQLExec},
        {Action_NewScript, sk_NewScript},
        {Action_SendScriptToHistory, sk_SendScriptToHistory},
        {Action_ScriptClear, sk_ScriptClear},
        {Action_SelectedSQLCommentOut, sk_ScriptEditorCommentOut},
        {Action_SelectedSQLCommentReOut, sk_ScriptEditorCommentReOut},
        {Action_ScriptStop, sk_ScriptStop},
        {Action_ErrorTimeStopToggle, sk_ErrorTimeStopToggle},
        {Action_OutputSQLToggle, sk_OutputSQLToggle},
        {Action_EveryTimeStopToggle, sk_EveryTimeStopToggle},
        {Action_AfterClearToggle, sk_AfterClearToggle},
        {Action_ShowHistoryForm, sk_ShowHistoryForm},
    };
    for (auto [action, index] : keys) SetShortCut(action, Env.ShortcutKeys[index]);
    const TWritableCloseTimeEnvData& c = *Env.CloseTimeEnvData;
    SetOutputSQL(c.OutputSQLToggleState);
    SetEveryTimeStop(c.EveryTimeStopToggleState);
    SetErrorTimeStop(c.ErrorTimeStopToggleState);
    SetAfterClear(c.AfterClearToggleState);
}

void TForm_Script::GetCurrentFolder(std::string& Folder) const {
    Folder = CurrentFolder;
    if (Folder.empty() || Folder.back() != '/') Folder += '/';
}

void TForm_Script::SetCurrentFolder(const std::string& Folder) {
    if (!fs932::DirectoryExists(Folder)) throw EFrameSQLClient("フォルダが存在しません [ " + Folder + " ]");
    CurrentFolder = Folder;
}

void TForm_Script::SetOutputSQL(bool Value) {
    Flags.OutputSQL = Value;
    Action_OutputSQLToggle->setChecked(Value);
}
void TForm_Script::SetEveryTimeStop(bool Value) {
    Flags.EveryTimeStop = Value;
    Action_EveryTimeStopToggle->setChecked(Value);
}
void TForm_Script::SetErrorTimeStop(bool Value) {
    Flags.ErrorTimeStop = Value;
    Action_ErrorTimeStopToggle->setChecked(Value);
}
void TForm_Script::SetAfterClear(bool Value) {
    AfterClear = Value;
    Action_AfterClearToggle->setChecked(Value);
}

void TForm_Script::SetBundleOptions(const std::string& StartText, const std::string& EndText, bool Adjust) {
    BundleStart = StartText;
    BundleEnd = EndText;
    BundleAdjust = Adjust;
    if (TFrameSQLClient* f = Frame()) winmsg::SendMessage(f->MessageWindowHandle, mc::WM_MC_BUNDLECHANGE, 0, 0);
}

void TForm_Script::SetEscapeReplaceOptions(bool SQ, bool DQ, bool Y, bool C5, bool EscapeDouble) {
    EscapeSQ = SQ;
    EscapeDQ = DQ;
    EscapeY = Y;
    Escape5C = C5;
    EscapeEscapeDouble = EscapeDouble;
    if (TFrameSQLClient* f = Frame()) winmsg::SendMessage(f->MessageWindowHandle, mc::WM_MC_ESCAPEREPLACECHANGE, 0, 0);
}

void TForm_Script::Closing() { Executor.PageClosing(); }

// ---- the run's side of the page

IScriptHost& TForm_Script::Host() { return *Frame(); }

char TForm_Script::SQLDelimiter() const {
    TFrameSQLClient* f = Frame();
    return f ? f->SQLDelimiter : ';';
}

void TForm_Script::SendScriptToHistory() {
    // A run sends the text whether or not it was edited since.
    HistoryDirty = true;
    SendToHistoryIfDirty();
}

void TForm_Script::SendToHistoryIfDirty() {
    // Nothing goes while a run is on: a nested run sends nothing.
    if (Flags.Executing) return;
    TStringList lines(ScriptEditor->Lines().GetText());
    if (sys::Trim(lines.Text()).empty() || !HistoryDirty) return;
    if (TFrameSQLClient* f = Frame())
        winmsg::SendMessage(f->MessageWindowHandle, mc::WM_MC_ADDHISTORY, 0, reinterpret_cast<winmsg::LPARAM>(&lines));
    HistoryDirty = false;
}

void TForm_Script::SetRunning(bool Running) {
    EnableControls(!Running);
    ScriptEditor->SetReadOnly(Running);
    update();
}

TResultConsole* TForm_Script::ResultConsole() {
    TFrameSQLClient* f = Frame();
    return f ? f->ActiveResultConsole() : nullptr;
}

void TForm_Script::ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet) {
    if (TFrameSQLClient* f = Frame()) f->ShowDataSetInActiveResult(std::move(DataSet), CutSheet);
}

void TForm_Script::ShowPausePanel(const std::string& Reason) {
    Label_StopReason->setText(cp932::ToQString(Reason));
    Panel_Pause->show();
    Button_Continue->setFocus();
}

void TForm_Script::BlinkPausePanel() {
    if (Panel_Pause->isHidden() || Blinking) return;
    Blinking = true;
    const QPalette old = Panel_Pause->palette();
    QPointer<QFrame> panel = Panel_Pause;
    for (int i = 0; i < 2 && panel; ++i) {
        ProcessMessages();
        if (!panel) break;
        QPalette red = old;
        red.setColor(QPalette::Highlight, QColor(255, 0, 0));
        red.setColor(QPalette::Window, QColor(255, 0, 0));
        panel->setPalette(red);
        panel->repaint();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        panel->setPalette(old);
        panel->repaint();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (panel) panel->setPalette(old);
    Blinking = false;
}

void TForm_Script::HidePausePanel() { Panel_Pause->hide(); }

bool TForm_Script::PausePanelShown() const { return !Panel_Pause->isHidden(); }

void TForm_Script::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
