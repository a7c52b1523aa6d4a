#include "U_Form_Script.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include "AppException.h"
#include "CP932Qt.h"
#include "U_DescTreeManager.h"
#include "FileSystem.h"
#include "KZNDragObject.h"
#include "KZNMessageDlg.h"
#include "KZNPopupMenu.h"
#include "T_FolderFile.h"
#include "ShortCutText.h"
#include "SysUtils.h"
#include "T_KZNUtil.h"
#include "U_ClientMessages.h"
#include "U_ScriptExecutorPaint.h"
#include "U_ScriptSelectionEdit.h"
#include "U_Form_Result.h"
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

    ToolBar2 = new TKZNFlowToolBar(this);
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
    Action_PrevHistoryRevival = NewAction(this, u"前の履歴");
    Action_NextHistoryRevival = NewAction(this, u"次の履歴");
    Action_CurrentHistoryRevival = NewAction(this, u"カレント履歴を復活");
    for (QAction* a : {Action_ALLSQLExec, Action_SelectedSQLExec})
        ToolBar2->addAction(a);
    for (QAction* a : {Action_ScriptStop, Action_ErrorTimeStopToggle, Action_OutputSQLToggle,
                       Action_EveryTimeStopToggle, Action_ShowHistoryForm})
        ToolBar2->addAction(a);
    ToolBar2->addAction(Action_ScriptClear);
    ToolBar2->addAction(Action_SendScriptToHistory);
    ToolBar2->addAction(Action_PrevHistoryRevival);
    ToolBar2->addAction(Action_NextHistoryRevival);
    Action_Macro_Record = NewAction(this, u"Rec", true);
    Action_Macro_Execute = NewAction(this, u"Exe");
    ToolBar2->addAction(Action_Macro_Record);
    ToolBar2->addAction(Action_Macro_Execute);
    layout->addWidget(ToolBar2);
    ScriptEditor = MakeEditor<TScriptEditor>(this);
    ScriptEditor->AcceptShellDorpFile = true;
    ScriptEditor->WantTabs = true;
    ScriptEditor->WantReturns = true;
    ScriptEditor->SetUndoListMax(64);
    ScriptEditor->Leftbar().SetVisible(true);
    ScriptEditor->Leftbar().SetShowNumber(true);
    ScriptEditor->Ruler().SetVisible(true);
    ScriptEditor->SetWordWrap(false);
    ScriptEditor->OnChange = [this](TObject*) { HistoryDirty = true; };
    ScriptEditor->OnKeyDown = [this](TObject*, uint16_t&, TShiftState) {
        if (Flags.Executing) Blink();
    };
    ScriptEditor->OnOLETextFileDrop = [this](TObject*, const std::string&, TStringList& L, TFilePasteMode Mode) {
        ScriptFileDropped(L, Mode);
    };
    ScriptEditor->AddObjectDropFormat(QString::fromLatin1(THistoryItemDragObj::Format));
    ScriptEditor->AddObjectDropFormat(QString::fromLatin1(TDescDragObj::Format));
    ScriptEditor->OnObjectDragOver = [this](TObject*, const QMimeData* Data, QPoint Point, bool& Accept) {
        // An object tree node is taken too; its drop leaves the script as it is.
        Accept = AcceptsHistoryDrop(Data) || (!Flags.Executing && TDescDragObj::From(Data));
        if (!Accept) return;
        int col = 0, row = 0;  // the caret follows the mouse
        ScriptEditor->PosToRowCol(Point.x(), Point.y(), true, col, row);
        ScriptEditor->SetRowCol(row, col);
        ScriptEditor->setFocus();
    };
    ScriptEditor->OnObjectDrop = [this](TObject*, const QMimeData* Data, QPoint Point) { HistoryDropped(Data, Point); };
    layout->addWidget(ScriptEditor, 1);
    ScriptEditor->SetPopupMenu(MakeObject<TScriptEditor_Popup>(ScriptEditor, this).release());

    PopupMenu_HistoryDrop = new QMenu(this);
    const std::pair<const char16_t*, int> dropItems[] = {{u"置き換え", 1}, {u"挿入", 2}, {nullptr, 0}, {u"キャンセル", 0}};
    for (auto [caption, tag] : dropItems) {
        if (!caption) {
            PopupMenu_HistoryDrop->addSeparator();
            continue;
        }
        QAction* item = PopupMenu_HistoryDrop->addAction(QString::fromUtf16(caption));
        QObject::connect(item, &QAction::triggered, this, [this, t = tag] { PopupMenu_HistoryDrop->setProperty("Tag", t); });
    }
    PopupMenu_HistoryDrop->setDefaultAction(PopupMenu_HistoryDrop->actions().first());
    KeyMacro1 = std::make_unique<TKeyMacro>();
    KeyMacro1->Name = "KeyMacro1";
    KeyMacro1->ShowDialog = false;
    KeyMacro1->SetControl(ScriptEditor);
    KeyMacro1->OnChange = [this](TObject*) { KeyMacro1Change(); };

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
    guarded(Action_PrevHistoryRevival, [this] { PrevHistoryRevival(); });
    guarded(Action_NextHistoryRevival, [this] { NextHistoryRevival(); });
    guarded(Action_CurrentHistoryRevival, [this] { CurrentHistoryRevival(); });
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
            if (TFrameSQLClient* f = Frame()) mc::SendFromClient<mc::WM_MC_SHOWHISTORY>(f->MessageWindowHandle);
        });
    });
    QObject::connect(Action_AddFav, &QAction::triggered, this, [this] {
        app::Guard([this] {
            if (TFrameSQLClient* f = Frame()) mc::SendFromClient<mc::WM_MC_ADDCLIENTFAVORITE>(f->MessageWindowHandle);
        });
    });

    QObject::connect(Action_Macro_Record, &QAction::triggered, this, [this] {
        app::Guard([this] {
            const TKeyMacroState st = KeyMacro1->State();
            if (st == kmsIdle || st == kmsRecorded) {
                KeyMacro1->Clear();
                KeyMacro1->BeginRecord();
            } else {
                KeyMacro1->EndRecord();
            }
            KeyMacro1Change();
        });
    });
    QObject::connect(Action_Macro_Execute, &QAction::triggered, this, [this] {
        app::Guard([this] {
            ScriptEditor->setFocus();
            KeyMacro1->Execute();
        });
    });

    MouseGesture = std::make_unique<TgMouseGesture>(ScriptEditor);
    MouseGesture->OnMouseGestureExecute = [this](TObject*, const TMouseGestureArray& g) {
        app::Guard([&] { GestureExecute(g); });
    };
    MouseGesture->OnMouseGestureNotifyMove = [this](TObject*, const TMouseGestureArray& g) {
        app::Guard([&] { GestureMove(g); });
    };
    FGestureHook = std::make_unique<TMouseGestureHook>(MouseGesture.get(), [this] { return ScriptEditor->hasFocus(); });
    qApp->installEventFilter(FGestureHook.get());

    SetCurrentFolder(fs932::ProgramFolder());
    HistoryDirty = false;
    Flags.Executing = false;
    Flags.Stop = false;
    Panel_Pause->hide();
    InitToolBars();
    EnableControls(true);
    KeyMacro1Change();
}

void TForm_Script::InitToolBars() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    Panel_Editor_ScriptToolBarBase = new TKZNEditorToolPanel(this);
    Panel_Editor_ScriptToolBarBase->SetEditor(ScriptEditor);
    // the tool area goes above the editor, the vertical tool bar to its left
    const int at = layout->indexOf(ScriptEditor);
    layout->removeWidget(ScriptEditor);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    ToolBar1 = new QToolBar(this);
    ToolBar1->setOrientation(Qt::Vertical);
    body->addWidget(ToolBar1);
    body->addWidget(ScriptEditor, 1);
    layout->insertWidget(at, Panel_Editor_ScriptToolBarBase);
    layout->insertLayout(at + 1, body, 1);

    Action_ScriptEditor_Search_Show = NewAction(this, u"検索", true);
    Action_EditorBundle = NewAction(this, u"各行を指定文字で括る", true);
    Action_EditorEscapeReplace = NewAction(this, u"文字をエスケープ", true);
    for (QAction* a : {Action_ScriptEditor_Search_Show, Action_EditorBundle, Action_EditorEscapeReplace})
        ToolBar1->addAction(a);
    TKZNEditorToolPanel* panel = Panel_Editor_ScriptToolBarBase;
    QObject::connect(Action_ScriptEditor_Search_Show, &QAction::triggered, this, [this, panel] {
        TFrame_KZNEditorSearch* bar = Frame_KZNEditorSearch1();
        panel->Toggle(bar, Action_ScriptEditor_Search_Show, bar->ComboBox_Search);
    });
    QObject::connect(Action_EditorBundle, &QAction::triggered, this, [this, panel] {
        TFrame_KZNEditorLineBundle* bar = Frame_KZNEditorLineBundle1();
        bar->SetValues(BundleStart, BundleEnd, BundleAdjust);
        panel->Toggle(bar, Action_EditorBundle, bar->Button1);
    });
    QObject::connect(Action_EditorEscapeReplace, &QAction::triggered, this, [this, panel] {
        TFrame_KZNEditorEscapeReplace* bar = Frame_KZNEditorEscapeReplace1();
        bar->SetValues(EscapeReplaceOptions());
        panel->Toggle(bar, Action_EditorEscapeReplace, bar->Button1);
    });
    // after the bars' own buttons have done their work: the page keeps what was used
    panel->OnLineBundleBuilt = [this](TFrame_KZNEditorLineBundle& Bar) {
        Bar.OnUsed = [this](const std::string& Left, const std::string& Right, bool Adjust) {
            SetBundleOptions(Left, Right, Adjust);
        };
    };
    panel->OnEscapeReplaceBuilt = [this](TFrame_KZNEditorEscapeReplace& Bar) {
        Bar.SetValues(EscapeReplaceOptions());
        Bar.OnUsed = [this](const TEscapeReplaceOptions& Options) { SetEscapeReplaceOptions(Options); };
    };
}

TForm_Script::~TForm_Script() { FGestureHook.reset(); }

void TForm_Script::GestureMove(const TMouseGestureArray& Gestures) {
    TFrameSQLClient* f = Frame();
    if (!f) return;
    f->SetStatusText("ScriptEditor MouseGesture: " + MouseGesturesToText(Gestures));
    if (ScriptEditor->hasFocus()) f->CircleScroll(Gestures, ScriptEditor, true);
}

void TForm_Script::GestureExecute(const TMouseGestureArray& Gestures) {
    TFrameSQLClient* f = Frame();
    if (!f || !f->MouseGestureActive || !ScriptEditor->hasFocus()) return;
    const std::string t = sys::Trim(MouseGesturesToText(Gestures));
    QPointer<TForm_Script> self = this;
    if (t == "↓") {
        (ScriptEditor->GetSelLength() > 0 ? Action_SelectedSQLExec : Action_ALLSQLExec)->trigger();
    } else if (t == "→") {
        Action_SendScriptToHistory->trigger();
        Action_NextHistoryRevival->trigger();
    } else if (t == "←") {
        Action_SendScriptToHistory->trigger();
        Action_PrevHistoryRevival->trigger();
    } else if (t == "←→") {
        Action_NewScript->trigger();
    } else if (t == "↑") {
        Action_ShowHistoryForm->trigger();
    } else if (t == "↑→") {
        Action_SelectedSQLCommentOut->trigger();
    } else if (t == "↑←") {
        Action_SelectedSQLCommentReOut->trigger();
    } else if (t == "→↑↓") {
        f->Action_CloneScriptEditor->trigger();
    }
    f->SetStatusText("");
}

void TForm_Script::KeyMacro1Change() {
    const TKeyMacroState st = KeyMacro1->State();
    Action_Macro_Record->setEnabled(st != kmsPlaying);
    Action_Macro_Record->setChecked(st == kmsRecording);
    Action_Macro_Execute->setEnabled(st == kmsRecorded);
}

TFrameSQLClient* TForm_Script::Frame() const { return dynamic_cast<TFrameSQLClient*>(Owner()); }

void TForm_Script::Execute(const TStringList& Script, const TStringList& Params) { Executor.Execute(Script, Params); }

void TForm_Script::Pause(const std::string& Reason, TForm_Result* Output) {
    QPointer<TForm_Result> outer = FPauseOutput;  // a pause inside a pause gives it back
    FPauseOutput = Output;
    Executor.Pause(Reason);
    FPauseOutput = outer;
}

void TForm_Script::ResultPageClosing(const TForm_Result* Page) {
    if (Flags.Pausing && FPauseOutput == Page) Executor.EndRun();
}

void TForm_Script::EnableControls(bool Value) {
    for (QAction* a : {Action_ALLSQLExec, Action_SelectedSQLExec, Action_SendScriptToHistory, Action_NewScript,
                       Action_NextHistoryRevival, Action_PrevHistoryRevival, Action_CurrentHistoryRevival, Action_AddFav})
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
        {Action_PrevHistoryRevival, sk_PrevHistorhyRevival},
        {Action_NextHistoryRevival, sk_NextHistorhyRevival},
    };
    for (auto [action, index] : keys) SetShortCut(action, Env.ShortcutKeys[index]);
    QFont f = ScriptEditor->font();
    f.setPointSize(std::max(1, static_cast<int>(Env.ScriptEditorFontSize)));
    ScriptEditor->setFont(f);
    ScriptEditor->Caret().SoftTab = Env.ScriptEditorSoftTab;
    ScriptEditor->Caret().SetTabSpaceCount(Env.ScriptEditorSoftTabSpaceCount);
    const TWritableCloseTimeEnvData& c = *Env.CloseTimeEnvData;
    SetOutputSQL(c.OutputSQLToggleState);
    SetEveryTimeStop(c.EveryTimeStopToggleState);
    SetErrorTimeStop(c.ErrorTimeStopToggleState);
    SetAfterClear(c.AfterClearToggleState);
    // The page's own options too: opening the bar shows them.
    AssignEscapeReplaceOptions(c.EscapeReplaceOptions());
    if (TFrame_KZNEditorEscapeReplace* bar = Panel_Editor_ScriptToolBarBase->BuiltEscapeReplace())
        bar->SetValues(EscapeReplaceOptions());
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
    if (TFrameSQLClient* f = Frame()) mc::SendFromClient<mc::WM_MC_BUNDLECHANGE>(f->MessageWindowHandle);
}

void TForm_Script::SetEscapeReplaceOptions(const TEscapeReplaceOptions& Options) {
    AssignEscapeReplaceOptions(Options);
    // The window keeps the options last chosen anywhere; it tells the shell,
    // which saves the window's options at close.
    if (TFrameSQLClient* f = Frame()) f->SetEscapeReplaceOptions(Options);
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
        mc::SendLines<mc::WM_MC_ADDHISTORY>(f->MessageWindowHandle, lines);
    HistoryDirty = false;
}

void TForm_Script::SetRunning(bool Running) {
    EnableControls(!Running);
    ScriptEditor->SetReadOnly(Running);
    update();
    if (!Running) RunPaintPacer().ReleaseHeld();  // the window shows how the run ended
}

TResultConsole* TForm_Script::ResultConsole() {
    TFrameSQLClient* f = Frame();
    return f ? f->ActiveResultConsole() : nullptr;
}

void TForm_Script::ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet) {
    if (TFrameSQLClient* f = Frame()) f->ShowDataSetInActiveResult(std::move(DataSet), CutSheet, this);
}

void TForm_Script::ShowPausePanel(const std::string& Reason) {
    if (!FPauseOutput)
        if (TFrameSQLClient* f = Frame()) FPauseOutput = f->ActiveResultPage();
    RunPaintPacer().ReleaseHeld();  // the window shows where the run waits
    Label_StopReason->setText(cp932::ToQString(Reason));
    // the panel takes room from the editor: the rows at its bottom (the last
    // line of a short script among them) stay in view above the panel
    const int bottom = std::min(ScriptEditor->TopRow() + ScriptEditor->VisibleRows(), ScriptEditor->RowCount()) - 1;
    Panel_Pause->show();
    if (layout()) layout()->activate();
    const int visible = ScriptEditor->VisibleRows();
    if (bottom >= ScriptEditor->TopRow() + visible) ScriptEditor->SetTopRow(bottom - visible + 1);
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

void TForm_Script::ProcessMessagesAfterItem() { RunPaintPacer().ProcessEvents(); }

// ---- history

void TForm_Script::PrevHistoryRevival() {
    if (Flags.Executing) return;
    if (TFrameSQLClient* f = Frame()) mc::SendFromClient<mc::WM_MC_PREVHISTORY>(f->MessageWindowHandle);
    CurrentHistoryRevival();
    HistoryDirty = false;
}

void TForm_Script::NextHistoryRevival() {
    if (Flags.Executing) return;
    if (TFrameSQLClient* f = Frame()) mc::SendFromClient<mc::WM_MC_NEXTHISTORY>(f->MessageWindowHandle);
    CurrentHistoryRevival();
    HistoryDirty = false;
}

void TForm_Script::CurrentHistoryRevival() {
    if (Flags.Executing) return;
    TFrameSQLClient* f = Frame();
    if (!f) return;
    // The shell fills the list with the current history item; an unchanged list leaves the editor alone,
    // and so does an empty one (a date, a folder or a root selected in the history: nothing to revive).
    const std::string before = ScriptEditor->Lines().GetText();
    TStringList lines(before);
    mc::SendLines<mc::WM_MC_REVIVEHISTORY>(f->MessageWindowHandle, lines);
    if (!lines.Empty() && lines.Text() != TStringList(before).Text()) ScriptEditor->Lines().SetText(lines.Text());
    HistoryDirty = true;
}

bool TForm_Script::AcceptsHistoryDrop(const QMimeData* Data) const {
    const THistoryItemDragObj* item = THistoryItemDragObj::From(Data);
    if (Flags.Executing || !item) return false;
    if (item->Kind != 3 && item->Kind != 6) return false;
    return !sys::Trim(item->Lines.Text()).empty();
}

void TForm_Script::HistoryDropped(const QMimeData* Data, QPoint Point) {
    if (!AcceptsHistoryDrop(Data)) return;
    const TStringList lines = THistoryItemDragObj::From(Data)->Lines;
    PopupMenu_HistoryDrop->setProperty("Tag", -1);
    QPointer<TForm_Script> self = this;
    popupmenu::Exec(*PopupMenu_HistoryDrop, ScriptEditor->viewport()->mapToGlobal(Point));
    QCoreApplication::processEvents();
    if (!self || Flags.Executing) return;
    const int tag = PopupMenu_HistoryDrop->property("Tag").toInt();
    if (tag == 1) {
        HistoryDirty = true;
        ScriptEditor->Lines().BeginUpdate();
        ScriptEditor->Lines().Clear();
        for (const std::string& line : lines.Items) ScriptEditor->Lines().Add(line);
        ScriptEditor->Lines().EndUpdate();
    } else if (tag == 2) {
        HistoryDirty = true;
        ScriptEditor->InsertLinesNearCaret(lines);
    }
}

// ---- script files

std::string TForm_Script::FileDialogFolder() const {
    std::string folder;
    GetCurrentFolder(folder);
    return fs932::DirectoryExists(folder) ? folder : fs932::ProgramFolder();
}

bool TForm_Script::LoadScriptFile(const std::string& FileName) {
    std::string bytes;
    if (!fs932::FileExists(FileName) || !fs932::ReadFile(FileName, bytes)) {
        MessageDlg("スクリプトファイルを読み込めません [ " + FileName + " ]", TMsgDlgType::mtError, this);
        return false;
    }
    SendToHistoryIfDirty();  // the old text goes to the history
    if (TFolderFile::IsTextFile(FileName)) {
        try {
            ScriptEditor->Lines().LoadFromFile(FileName);
        } catch (const std::exception&) {
            MessageDlg("スクリプトファイルを読み込めません [ " + FileName + " ]", TMsgDlgType::mtError, this);
            return false;
        }
    } else {
        ScriptEditor->Lines().Clear();
        ScriptEditor->Lines().Add(FileName + "\r\nテキストファイルではありません。");
    }
    ScriptEditor->ScrollToEnd();
    return true;
}

bool TForm_Script::SaveScriptFile(const std::string& FileName) {
    SendToHistoryIfDirty();
    if (!fs932::WriteFileAtomic(FileName, ScriptEditor->Lines().GetText())) {
        MessageDlg("スクリプトファイルに書き込めません [ " + FileName + " ]", TMsgDlgType::mtError, this);
        return false;
    }
    return true;
}

void TForm_Script::ScriptFileDropped(TStringList& PasteLines, TFilePasteMode PasteMode) {
    if (PasteMode != fpFileNames) return;
    TFrameSQLClient* f = Frame();
    const char prefix = f && f->ImportScriptFileNamePrefix ? f->ImportScriptFileNamePrefix : '@';
    const char delimiter = f && f->SQLDelimiter ? f->SQLDelimiter : ';';
    const std::string line = scriptedit::DroppedFileImportLine(PasteLines, delimiter, prefix);
    PasteLines.Clear();
    PasteLines.Add(line);
}

// ---- the editor's context menu

TScriptEditor_Popup::TScriptEditor_Popup(TScriptEditor* AEditor, TForm_Script* APage)
    : TEditorPopupMenu(AEditor), Page(APage) {}

QAction* TScriptEditor_Popup::AddActionItem(QAction* Action) {
    // Caption and click come from the page's action; its shortcut is shown
    // (the action itself answers the key, refusing it while the page runs).
    QAction* item = addAction(QString());
    auto caption = [Action, item] {
        const QString keys = Action->shortcut().toString(QKeySequence::NativeText);
        item->setText(keys.isEmpty() ? Action->text() : Action->text() + QLatin1Char('\t') + keys);
    };
    caption();
    QObject::connect(item, &QAction::triggered, Action, [Action] { Action->trigger(); });
    QObject::connect(Action, &QAction::changed, item, caption);
    return item;
}

void TScriptEditor_Popup::CreateMenuItem() {
    SelectedSQLExecItem = AddActionItem(Page->Action_SelectedSQLExec);
    CommentOutItem = AddActionItem(Page->Action_SelectedSQLCommentOut);
    CommentReOutItem = AddActionItem(Page->Action_SelectedSQLCommentReOut);
    addSeparator();
    CommentDeleteItem = AddActionItem(Page->Action_SelectedSQLCommentDelete);
    addSeparator();
    CommaReturnItem = AddActionItem(Page->Action_SelectedSQLCommaReturn);
    addSeparator();
    TEditorPopupMenu::CreateMenuItem();
    addSeparator();
    AddFavItem = AddActionItem(Page->Action_AddFav);
    addSeparator();
    Selection5CEscapeItem = AddActionItem(Page->Action_Selection5CEscape);
}

void TScriptEditor_Popup::SetMenu() {
    TEditorPopupMenu::SetMenu();
    if (!Editor) return;
    const bool s = Editor->GetSelLength() >= 1 && !Editor->ReadOnly();
    for (QAction* a : {SelectedSQLExecItem, CommentDeleteItem, CommaReturnItem, Selection5CEscapeItem}) a->setEnabled(s);
    AddFavItem->setEnabled(true);
}
