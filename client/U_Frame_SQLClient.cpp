#include "U_Frame_SQLClient.h"

#include <chrono>
#include <cmath>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include "AppException.h"
#include "CP932Qt.h"
#include "Editor.h"
#include "ScopeExit.h"
#include "Headless.h"
#include "KZNPopupMenu.h"
#include "Reentrancy.h"
#include "ShortCutText.h"
#include "SysUtils.h"
#include "T_KZNUtil.h"
#include "U_ClientMessages.h"
#include "U_DescTreeManager.h"
#include "U_Form_Grid.h"
#include "U_Form_Result.h"
#include "U_Form_Script.h"
#include "U_PageFormManager.h"
#include "U_ResultGridPages.h"
#include "U_ResultSeetManager.h"
#include "U_ScriptFileDialog.h"
#include "U_ScriptSheetManager.h"

namespace {

int Round(double x) { return static_cast<int>(std::nearbyint(x)); }  // halves to the even neighbour

// The grid of the page's active grid tab when it has the focus; null otherwise.
QTableView* FocusedResultGrid(TForm_Result* Page) {
    if (!Page || Page->Panel_PageBase->Count() == 0) return nullptr;
    TForm_Grid* grid = Page->Panel_PageBase->Grid(Page->Panel_PageBase->PageControl1->currentIndex());
    return grid && grid->DBGrid1->hasFocus() ? grid->DBGrid1 : nullptr;
}

}  // namespace

TFrameSQLClient::TFrameSQLClient(QWidget* AOwner, winmsg::HWND MessageWindow)
    : QMainWindow(AOwner),
      EnvData(std::make_unique<TWritableEnvData>()),
      UserEnvManager(std::make_unique<TUserEnvManager>(this)),
      MessageWindowHandle(MessageWindow) {
    setWindowTitle(QString::fromUtf16(u"クライアントフォーム"));

    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ClientStatusPanel0 = new QLabel(this);
    ClientStatusPanel0->setMinimumWidth(50);
    statusBar()->addWidget(ClientStatusPanel0, 1);

    Panel_ClientBase = new QWidget(this);
    auto* baseLayout = new QVBoxLayout(Panel_ClientBase);
    baseLayout->setContentsMargins(0, 0, 0, 0);
    Splitter_Script_Result = new QSplitter(Qt::Vertical, Panel_ClientBase);
    Splitter_Script_Result->setChildrenCollapsible(false);
    Page_Script = new TPageControl(Splitter_Script_Result);
    Page_Script->setTabPosition(QTabWidget::South);
    Page_Result = new TPageControl(Splitter_Script_Result);
    Splitter_Script_Result->addWidget(Page_Script);
    Splitter_Script_Result->addWidget(Page_Result);
    Splitter_Script_Result->setStretchFactor(1, 1);
    baseLayout->addWidget(Splitter_Script_Result);
    BuildDescTreePane();  // the object tree on the left of the client area

    BuildMenusAndBars();
    BuildEditorSearchActions();
    ApplyShortCuts(*EnvData);
    SetIsAutoCommit(true);

    ScriptSheetManager = std::make_unique<TScriptSheetManager>(this, Page_Script);
    ResultSeetManager = std::make_unique<TResultSeetManager>(this, Page_Result);
    DriverInterfaceProp = std::make_unique<TDriverInterfaceProp_ClientImpl>(this);
    DescTreeManager = std::make_unique<TDescTreeManager>(this, TreeView_Desc);

    QObject::connect(Page_Script, &QTabWidget::currentChanged, this, [this](int) {
        if (ScriptSheetManager) ScriptSheetManager->ActiveSheetChanged();
    });
    QObject::connect(Page_Result, &QTabWidget::currentChanged, this, [this](int) {
        if (ResultSeetManager) ResultSeetManager->ActiveSheetChanged();
    });
    QObject::connect(Page_Script->tabBar(), &QTabBar::tabBarDoubleClicked, this, [this](int) { TabDoubleClicked(true); });
    QObject::connect(Page_Result->tabBar(), &QTabBar::tabBarDoubleClicked, this, [this](int) { TabDoubleClicked(false); });
    Page_Script->tabBar()->installEventFilter(this);
    Page_Result->tabBar()->installEventFilter(this);
    Splitter_Script_Result->handle(1)->installEventFilter(this);
    QObject::connect(Splitter_Script_Result, &QSplitter::splitterMoved, this,
                     [this](int, int) { app::Guard([this] { Send(mc::WM_MC_SCRIPTRESULTSPLIT); }); });
    Page_Script->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(Page_Script, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint& p) { app::Guard([&] { TabMenu(true, p); }); });
    Page_Result->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(Page_Result, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint& p) { app::Guard([&] { TabMenu(false, p); }); });

    MouseGesture = std::make_unique<TgMouseGesture>(Page_Result);
    MouseGesture->OnMouseGestureExecute = [this](TObject*, const TMouseGestureArray& g) {
        app::Guard([&] { ResultGestureExecute(g); });
    };
    MouseGesture->OnMouseGestureNotifyMove = [this](TObject*, const TMouseGestureArray& g) {
        app::Guard([&] { ResultGestureMove(g); });
    };
    LastCircleScrollTime = TickCount();
    FGestureHook = std::make_unique<TMouseGestureHook>(
        MouseGesture.get(), [this] { return ActiveResultEditorFocused() || FocusedResultGrid(ActiveResultPage()); });
    qApp->installEventFilter(FGestureHook.get());

    UpdateCaption();
}

TFrameSQLClient::~TFrameSQLClient() {
    FGestureHook.reset();
    if (OnFinalize) app::Guard([this] { OnFinalize(this); });
    // The object tree and the pages go before the window's widgets.
    DescTreeManager.reset();
    ScriptSheetManager.reset();
    ResultSeetManager.reset();
    if (FOverrideCursor) QGuiApplication::restoreOverrideCursor();
}

QAction* TFrameSQLClient::NewAction(const char16_t* Caption) {
    auto* a = new QAction(QString::fromUtf16(Caption), this);
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    return a;
}

void TFrameSQLClient::BuildMenusAndBars() {
    Action_Connect = NewAction(u"接続");
    Action_ReConnect = NewAction(u"再接続");
    Action_DisConnect = NewAction(u"切断");
    Action_AutoCommitToggle = NewAction(u"オートコミット");
    Action_AutoCommitToggle->setCheckable(true);
    Action_Commit = NewAction(u"明示コミット");
    Action_RollBack = NewAction(u"明示ロールバック");
    Action_NewScriptEditor = NewAction(u"新しいスクリプトエディタ");
    Action_CloneScriptEditor = NewAction(u"スクリプトエディタをクローンコピー");
    Action_DelActiveScriptSheet = NewAction(u"このシートの削除");
    Action_DelInActiveScriptSheet = NewAction(u"このシート以外全て削除");
    Action_ClearActiveScriptSheet = NewAction(u"このシートのクリア");
    Action_AddResultSeet = NewAction(u"新しいシートの作成");
    Action_DelActiveResultSeet = NewAction(u"このシートの削除");
    Action_DelInActiveResultSeet = NewAction(u"このシート以外全て削除");
    Action_ClearActiveResultSheet = NewAction(u"このシートをクリア");
    Action_ScriptFileOpen = NewAction(u"スクリプトを開く");
    Action_ScriptSave = NewAction(u"スクリプトを保存");
    Action_Exit = NewAction(u"終了");
    Action_ObjectTreeViewConfig = NewAction(u"オブジェクトツリー表示設定");
    Action_EnvEdit = NewAction(u"環境設定");
    Action_About = NewAction(u"バージョン情報");

    // Each handler runs inside the event loop: nothing may leave it.
    auto on = [this](QAction* a, std::function<void()> f) {
        QObject::connect(a, &QAction::triggered, this, [f = std::move(f)] { app::Guard(f); });
    };
    // Built-in command lines are written with "#" whatever the command prefix is.
    on(Action_Connect, [this] { ExecuteScriptText("#Connect"); });
    on(Action_ReConnect, [this] { ExecuteScriptText("#ReConnect"); });
    on(Action_DisConnect, [this] { ExecuteScriptText("#DisConnect"); });
    on(Action_Exit, [this] { ExecuteScriptText("#Exit"); });
    on(Action_ScriptFileOpen, [this] { ScriptFileOpen(); });
    on(Action_ScriptSave, [this] { ScriptSave(); });
    on(Action_ObjectTreeViewConfig, [this] { ExecuteScriptText("#ObjectTreeViewConfig"); });
    on(Action_AutoCommitToggle, [this] { AutoCommitToggle(); });
    on(Action_Commit, [this] { Commit(); });
    on(Action_RollBack, [this] { RollBack(); });
    on(Action_NewScriptEditor, [this] { ScriptSheetManager->NewSheet(*EnvData); });
    on(Action_CloneScriptEditor, [this] { CloneScriptEditor(); });
    on(Action_DelActiveScriptSheet, [this] { ScriptSheetManager->DeleteActiveSheet(); });
    on(Action_DelInActiveScriptSheet, [this] { ScriptSheetManager->DeleteInActiveSheets(); });
    on(Action_ClearActiveScriptSheet, [this] { ScriptSheetManager->ClearActiveSheet(); });
    on(Action_AddResultSeet, [this] { ResultSeetManager->NewSheet(); });
    on(Action_DelActiveResultSeet, [this] { ResultSeetManager->DeleteActiveSheet(); });
    on(Action_DelInActiveResultSeet, [this] { ResultSeetManager->DeleteInActiveSheets(); });
    on(Action_ClearActiveResultSheet, [this] { ResultSeetManager->ClearActiveSheet(); });
    on(Action_EnvEdit, [this] {
        mc::PostFromClient<mc::WM_MC_ENVEDIT>(MessageWindowHandle, this);
    });
    on(Action_About, [this] { Send(mc::WM_MC_ABOUT); });

    QMenuBar* bar = menuBar();
    Menu_File = bar->addMenu(QString::fromUtf16(u"ファイル"));
    Menu_File->addActions({Action_ScriptFileOpen, Action_ScriptSave, Action_Exit});
    Menu_Database = bar->addMenu(QString::fromUtf16(u"データベース"));
    Menu_Database->addActions({Action_Connect, Action_ReConnect, Action_DisConnect});
    Menu_Transaction = bar->addMenu(QString::fromUtf16(u"トランザクション"));
    Menu_Transaction->addActions({Action_AutoCommitToggle, Action_Commit, Action_RollBack});
    Menu_Tool = bar->addMenu(QString::fromUtf16(u"ツール"));
    Menu_Tool->addActions({Action_ObjectTreeViewConfig, Action_EnvEdit});
    Menu_Help = bar->addMenu(QString::fromUtf16(u"ヘルプ"));
    Menu_Help->addAction(Action_About);

    ToolBar1->addActions({Action_Connect, Action_ReConnect});
    ToolBar1->addSeparator();
    ToolBar1->addAction(Action_DisConnect);
    ToolBar1->addSeparator();
    ToolBar1->addActions({Action_NewScriptEditor, Action_CloneScriptEditor});
    ToolBar1->addSeparator();
    ToolBar1->addActions({Action_AutoCommitToggle, Action_Commit, Action_RollBack});
    ToolBar1->addSeparator();
    ToolBar1->addAction(Action_EnvEdit);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(Action_ClearActiveResultSheet);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Action_DelActiveResultSeet);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Action_DelInActiveResultSeet);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Action_AddResultSeet);

    // The script sheet menu names the sheets in full.
    PopupMenu_ScriptSheet = new QMenu(this);
    auto alias = [this](QAction* a, const char16_t* caption) {
        auto* item = new QAction(QString::fromUtf16(caption), PopupMenu_ScriptSheet);
        QObject::connect(item, &QAction::triggered, a, &QAction::trigger);
        QObject::connect(a, &QAction::changed, item, [a, item] {
            item->setShortcut(a->shortcut());
            item->setEnabled(a->isEnabled());
        });
        item->setShortcut(a->shortcut());
        PopupMenu_ScriptSheet->addAction(item);
    };
    PopupMenu_ScriptSheet->addAction(Action_ClearActiveScriptSheet);
    alias(Action_DelActiveScriptSheet, u"このスクリプトシートの削除");
    alias(Action_DelInActiveScriptSheet, u"このスクリプトシート以外全て削除");
    PopupMenu_ScriptSheet->addActions({Action_NewScriptEditor, Action_CloneScriptEditor});
}

std::vector<std::pair<QAction*, TShortcutKeyIndex>> TFrameSQLClient::ShortCutActions() const {
    return {
        {Action_Connect, sk_Connect},
        {Action_ReConnect, sk_ReConnect},
        {Action_DisConnect, sk_DisConnect},
        {Action_AutoCommitToggle, sk_AutoCommitToggle},
        {Action_Commit, sk_Commit},
        {Action_RollBack, sk_RollBack},
        {Action_NewScriptEditor, sk_NewScriptEditor},
        {Action_CloneScriptEditor, sk_CloneScriptEditor},
        {Action_DelActiveScriptSheet, sk_DelActiveScriptSheet},
        {Action_AddResultSeet, sk_AddResultSeet},
        {Action_DelActiveResultSeet, sk_DelActiveResultSeet},
        {Action_DelInActiveResultSeet, sk_DelInActiveResultSeet},
        {Action_EnvEdit, sk_EnvEdit},
        {Action_EditorSearch, sk_EditorSearch},
        {Action_EditorSearchReverse, sk_EditorSearchReverse},
        {Action_EditorSearchShow, sk_EditorSearchShow},
    };
}

void TFrameSQLClient::ApplyShortCuts(const TReadableEnvData& Env) {
    for (auto [action, index] : ShortCutActions())
        action->setShortcut(shortcut::ToKeySequence(shortcut::TextToShortCut(Env.ShortcutKeys[index])));
}

void TFrameSQLClient::ReadShortCuts(TReadableEnvData& Env) const {
    for (auto [action, index] : ShortCutActions())
        Env.ShortcutKeys[index] = shortcut::ShortCutToText(shortcut::FromKeySequence(action->shortcut()));
}

void TFrameSQLClient::Initialize() {
    if (FInitialized) return;
    FInitialized = true;
    try {
        if (OnInitialize) {
            auto finalize = ScopeFail([this] {
                if (OnFinalize) OnFinalize(this);
            });
            OnInitialize(this);
        }
        if (TForm_Result* result = ActiveResultPage()) result->InitEditor();
        ScriptSheetManager->ApplyEnvToSheets(*EnvData);
        RefreshConnectState();
        if (TForm_Script* page = ActiveScriptPage()) page->FocusEditor();
    } catch (const std::exception& e) {
        throw EFrameSQLClient(e.what());
    }
}

// ---- pages

TForm_Script* TFrameSQLClient::ActiveScriptPage() const {
    return ScriptSheetManager ? ScriptSheetManager->ActiveForm() : nullptr;
}

TForm_Result* TFrameSQLClient::ActiveResultPage() const {
    return ResultSeetManager ? ResultSeetManager->ActiveForm() : nullptr;
}

TResultConsole* TFrameSQLClient::ActiveResultConsole() {
    TForm_Result* page = ActiveResultPage();
    return page ? page->Console() : nullptr;
}

void TFrameSQLClient::ShowDataSetInActiveResult(std::unique_ptr<TDataSet> DataSet, bool CutSheet, TForm_Script* RunPage) {
    if (TForm_Result* page = ActiveResultPage()) page->ShowDataSet(std::move(DataSet), CutSheet, RunPage);
}

void TFrameSQLClient::ResultPageClosing(const TForm_Result* Page) {
    if (!ScriptSheetManager) return;
    TPageFormManager& pages = ScriptSheetManager->PageManager();
    for (int i = 0; i < pages.GetCount(); ++i) static_cast<TForm_Script*>(pages.GetForm(i))->ResultPageClosing(Page);
}

void TFrameSQLClient::EndRuns() {
    if (!ScriptSheetManager) return;
    TPageFormManager& pages = ScriptSheetManager->PageManager();
    for (int i = 0; i < pages.GetCount(); ++i) static_cast<TForm_Script*>(pages.GetForm(i))->EndRun();
}

IResultConsole& TFrameSQLClient::GetResultConsole() {
    TResultConsole* c = ActiveResultConsole();
    return c ? *c : NullResultConsole();
}

void TFrameSQLClient::ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) {
    TForm_Script* page = ActiveScriptPage();
    if (!page) return;
    page->Execute(Lines, Params);
}

void TFrameSQLClient::ExecuteScriptTextWithParams(const std::string& Text, const TStringList& Params) {
    ExecuteScriptWithParams(TStringList(Text), Params);
}

void TFrameSQLClient::SetActiveScriptLines(const TStringList& Lines) {
    if (TForm_Script* page = ActiveScriptPage()) page->SetScriptLines(Lines);
}

void TFrameSQLClient::SetActiveScriptText(const std::string& Text) {
    TStringList one;
    one.Add(Text);
    SetActiveScriptLines(one);
}

std::string TFrameSQLClient::GetActiveScriptFolder() const {
    std::string folder;
    if (TForm_Script* page = ActiveScriptPage()) page->GetCurrentFolder(folder);
    return folder;
}

void TFrameSQLClient::SetActiveScriptFolder(const std::string& Folder) {
    if (TForm_Script* page = ActiveScriptPage()) page->SetCurrentFolder(Folder);
}

bool TFrameSQLClient::GetActiveScriptOutputSQL() const {
    TForm_Script* page = ActiveScriptPage();
    return page && page->OutputSQL();
}

void TFrameSQLClient::SetActiveScriptOutputSQL(bool Value) {
    if (TForm_Script* page = ActiveScriptPage()) page->SetOutputSQL(Value);
}

void TFrameSQLClient::SetActiveScriptResultEcho(bool Value) {
    if (TForm_Script* page = ActiveScriptPage()) page->SetResultEcho(Value);
}

void TFrameSQLClient::SetActiveScriptCutSheet(bool Value) {
    if (TForm_Script* page = ActiveScriptPage()) page->SetCutSheet(Value);
}

void TFrameSQLClient::SetResultOutputMode(TResultOutputMode Mode) {
    if (TForm_Result* page = ActiveResultPage()) page->SetOutputMode(Mode);
}

void TFrameSQLClient::NewResultSheet() { ResultSeetManager->NewSheet(); }
void TFrameSQLClient::AddResultSheet(const std::string& Name) { ResultSeetManager->AddSheet(Name); }
void TFrameSQLClient::DeleteResultSheet(const std::string& Name) { ResultSeetManager->DeleteSheet(Name); }
void TFrameSQLClient::DeleteActiveResultSheet() { ResultSeetManager->DeleteActiveSheet(); }
void TFrameSQLClient::InitResultSheets(const std::string& Name) { ResultSeetManager->InitSheets(Name); }
void TFrameSQLClient::DeleteInActiveResultSheets() { ResultSeetManager->DeleteInActiveSheets(); }

void TFrameSQLClient::FormatResultLinesToWidth(const std::string& Text, TStringList& Lines) {
    if (TResultConsole* c = ActiveResultConsole()) c->FormatLinesToWidth(Text, Lines);
    else Lines.SetText(Text);
}

int TFrameSQLClient::ShowModalDialog(QDialog& Dialog) {
    if (headless::Declined(cp932::FromQString(Dialog.windowTitle()))) return QDialog::Rejected;
    Dialog.setParent(this, Dialog.windowFlags());  // owned by and centred on this window
    return Dialog.exec();
}

void TFrameSQLClient::CloneScriptEditor() {
    TForm_Script* old = ActiveScriptPage();
    TForm_Script* page = ScriptSheetManager->NewSheet(*EnvData);
    if (!old) return;
    page->ScriptEditor->Lines().SetText(old->ScriptEditor->Lines().GetText());
    page->ScriptEditor->SetCol(old->ScriptEditor->Col());
    page->ScriptEditor->SetRow(old->ScriptEditor->Row());
    page->SetEveryTimeStop(old->EveryTimeStop());
    page->SetErrorTimeStop(old->ErrorTimeStop());
    page->SetAfterClear(old->AfterClear);
    page->SetOutputSQL(old->OutputSQL());
}

void TFrameSQLClient::ScriptResultSplitterPressed() {
    if (TForm_Script* page = ActiveScriptPage()) page->ScriptEditor->setMinimumHeight(1);
}

// ---- gestures

double TFrameSQLClient::TickCount() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void TFrameSQLClient::SetStatusText(const std::string& Text) { ClientStatusPanel0->setText(cp932::ToQString(Text)); }

std::string TFrameSQLClient::StatusText() const { return cp932::FromQString(ClientStatusPanel0->text()); }

bool TFrameSQLClient::ActiveResultEditorFocused() const {
    TForm_Result* page = ActiveResultPage();
    return page && page->Editor->hasFocus();
}


int TFrameSQLClient::CircleScrollSteps(const TMouseGestureArray& Gestures, bool Speed, double ElapsedMs) {
    if (Gestures.size() < 5) return 0;
    std::string k;
    for (size_t i = Gestures.size() - 5; i < Gestures.size(); ++i) k += MouseGestureToText(Gestures[i]);
    static const char* const clockwise[] = {"→↓←↑→", "↓←↑→↓", "←↑→↓←", "↑→↓←↑"};
    static const char* const counter[] = {"←↓→↑←", "↓→↑←↓", "→↑←↓→", "↑←↓→↑"};
    int direction = 0;
    for (const char* c : clockwise)
        if (k == c) direction = 1;
    for (const char* c : counter)
        if (k == c) direction = -1;
    if (direction == 0) return 0;
    int n = 1;
    if (Speed) {
        const long e = static_cast<long>(std::floor(ElapsedMs));
        n = e < 0 ? 1 : e <= 1 ? 30 : e <= 50 ? 20 : e <= 100 ? 10 : e <= 200 ? 4 : e <= 300 ? 2 : 1;
    }
    return direction * n;
}

bool TFrameSQLClient::CircleScroll(const TMouseGestureArray& Gestures, TKZNEditor* Editor, bool Speed) {
    if (!Editor) return false;
    const double now = TickCount();
    const int steps = CircleScrollSteps(Gestures, Speed, now - LastCircleScrollTime);
    if (steps == 0) return false;
    for (int i = 0; i < std::abs(steps); ++i) Editor->WMHScroll(steps > 0 ? TKZNEditor::SB_LINEDOWN : TKZNEditor::SB_LINEUP);
    LastCircleScrollTime = now;
    return true;
}

void TFrameSQLClient::ResultGestureMove(const TMouseGestureArray& Gestures) {
    SetStatusText(" MouseGesture: " + MouseGesturesToText(Gestures));
    if (ActiveResultEditorFocused()) {
        CircleScroll(Gestures, ActiveResultPage()->Editor, true);
    } else if (QTableView* grid = FocusedResultGrid(ActiveResultPage())) {
        // a grid scrolls one column step per circle, whatever the speed
        const double now = TickCount();
        const int steps = CircleScrollSteps(Gestures, false, now - LastCircleScrollTime);
        if (steps != 0) {
            grid->horizontalScrollBar()->triggerAction(steps > 0 ? QAbstractSlider::SliderSingleStepAdd
                                                                 : QAbstractSlider::SliderSingleStepSub);
            LastCircleScrollTime = now;
        }
    }
}

void TFrameSQLClient::ResultGestureExecute(const TMouseGestureArray& Gestures) {
    if (!MouseGestureActive || !ActiveResultEditorFocused()) {
        // a gesture over a grid only scrolled it
        if (FocusedResultGrid(ActiveResultPage())) SetStatusText("");
        return;
    }
    const std::string t = sys::Trim(MouseGesturesToText(Gestures));
    QPointer<TForm_Result> before = ActiveResultPage();
    if (!t.empty()) {
        auto visibleTab = [this](int step) {
            const int n = Page_Result->count();
            for (int i = 1, at = Page_Result->currentIndex(); i <= n; ++i) {
                const int index = ((at + step * i) % n + n) % n;
                if (Page_Result->isTabVisible(index)) {
                    Page_Result->setCurrentIndex(index);
                    ResultSeetManager->ActiveSheetChanged();
                    return;
                }
            }
        };
        if (t == "↓")
            Action_AddResultSeet->trigger();
        else if (t == "←→")
            Action_DelActiveResultSeet->trigger();
        else if (t == "→")
            visibleTab(1);
        else if (t == "←")
            visibleTab(-1);
        // a floating page that was active stays the active one
        if (t != "←→" && before && before->window() != window()) ResultSeetManager->SetActiveForm(before);
    }
    SetStatusText("");
}

// ---- script files

void TFrameSQLClient::ScriptFileOpen() {
    TForm_Script* page = ActiveScriptPage();
    if (!page) return;
    if (page->Executing()) return page->Blink();  // the text of a running page stays as it is
    TScriptFileDialog dialog;
    dialog.Title = "スクリプトファイルを開く";
    dialog.InitialDir = page->FileDialogFolder();
    QPointer<TForm_Script> watch = page;
    if (!dialog.Execute(this) || !watch) return;
    page->LoadScriptFile(dialog.FileName);
}

void TFrameSQLClient::ScriptSave() {
    TForm_Script* page = ActiveScriptPage();
    if (!page) return;
    TScriptFileDialog dialog;
    dialog.Save = true;
    dialog.Title = "スクリプトを保存";
    dialog.InitialDir = page->FileDialogFolder();
    QPointer<TForm_Script> watch = page;
    if (!dialog.Execute(this) || !watch) return;
    page->SaveScriptFile(dialog.FileName);
}

// ---- connection and transaction mode

bool TFrameSQLClient::IsConnected() {
    bool connected = false;
    if (OnIsConnected) OnIsConnected(this, connected);
    return connected;
}

void TFrameSQLClient::RefreshConnectState() {
    if (DescTreeManager) DescTreeManager->SetConnected(IsConnected());
    update();
}

void TFrameSQLClient::SetIsAutoCommit(bool Value) {
    IsAutoCommit = Value;
    Action_AutoCommitToggle->setChecked(Value);
    Action_Commit->setEnabled(!Value);
    Action_RollBack->setEnabled(!Value);
}

void TFrameSQLClient::AddResultText(const std::string& Line) {
    if (TResultConsole* c = ActiveResultConsole()) c->AddLine(Line);
}

void TFrameSQLClient::AutoCommitToggle() {
    SetIsAutoCommit(!IsAutoCommit);
    if (!IsAutoCommit) {
        if (IsConnected()) ExecuteScriptText("#Begin");
        AddResultText("手動コミットモードに変更しました");
    } else {
        if (IsConnected()) ExecuteScriptText("#RollBack");
        AddResultText("自動コミットモードに変更しました");
    }
    if (TResultConsole* c = ActiveResultConsole()) c->ScrollToEnd();
}

void TFrameSQLClient::EndTransaction(const char* Command, const char* Refusal) {
    if (!IsConnected()) {
        AddResultText("接続していません");
    } else if (!IsAutoCommit) {
        ExecuteScriptText(Command);
        ExecuteScriptText("#Begin");
        TResultConsole* c = ActiveResultConsole();
        if (c && c->LineCount() >= 2) c->DeleteLine(c->LineCount() - 2);
    } else {
        AddResultText(Refusal);
    }
    if (TResultConsole* c = ActiveResultConsole()) c->ScrollToEnd();
}

// ---- window messages

void TFrameSQLClient::Send(uint32_t Msg) {
    // only messages that carry nothing but the window
    winmsg::SendMessage(MessageWindowHandle, Msg, mc::ClientWindowParam(this), 0);
}

void TFrameSQLClient::UpdateCaption() { Send(mc::WM_MC_UPDATECAPTION); }
void TFrameSQLClient::LoadConnectionObjectTrees() { Send(mc::WM_MC_LOADOBJECTTREE); }

void TFrameSQLClient::TransactionEnded(bool Committed) {
    if (!ResultSeetManager) return;
    // the grids first, then each tells: one that cannot be read again must not keep the others stale
    std::vector<QPointer<TForm_Grid>> grids;
    for (int i = 0; i < ResultSeetManager->GetCount(); ++i) {
        TResultGridPages* pages = ResultSeetManager->GetForm(i)->Panel_PageBase;
        for (int j = 0; j < pages->Count(); ++j) grids.emplace_back(pages->Grid(j));
    }
    for (const QPointer<TForm_Grid>& grid : grids)
        if (grid) app::Guard([&] { grid->TransactionEnded(Committed); });
}

void TFrameSQLClient::SetEscapeReplaceOptions(const TEscapeReplaceOptions& Options) {
    AssignEscapeReplaceOptions(Options);
    Send(mc::WM_MC_ESCAPEREPLACECHANGE);
}

void TFrameSQLClient::closeEvent(QCloseEvent* event) {
    // The shell decides: it ends the program or releases this window.
    if (MessageWindowHandle && winmsg::IsWindow(MessageWindowHandle)) {
        event->ignore();
        QPointer<TFrameSQLClient> self = this;
        app::Guard([this] { Send(mc::WM_MC_CLOSECLIENT); });
        // A window let go (or the program's end) takes its runs with it:
        // nobody could answer their pauses any more.
        if (self && (isHidden() || reentry::Terminating())) EndRuns();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) EndRuns();
}

void TFrameSQLClient::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    app::Guard([&] {
        if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
            Send(mc::WM_MC_CLIENTACTIVATE);
        } else if (event->type() == QEvent::WindowStateChange) {
            const Qt::WindowStates now = windowState();
            if (now & Qt::WindowMinimized)
                Send(mc::WM_MC_CLIENTMINIMIZE);
            else if (now & Qt::WindowMaximized)
                Send(mc::WM_MC_CLIENTMAXIMIZE);
            else
                Send(mc::WM_MC_CLIENTRESTORE);
        }
    });
}

void TFrameSQLClient::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    app::Guard([this] { Send(mc::WM_MC_CLIENTRESIZE); });
}

void TFrameSQLClient::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    app::Guard([this] { Send(mc::WM_MC_CLIENTMOVE); });
}

bool TFrameSQLClient::event(QEvent* event) {
    if (event->type() == TTextSubstitutedEvent::EventType()) {
        ClientStatusPanel0->setText(static_cast<TTextSubstitutedEvent*>(event)->Message);
        event->accept();
        return true;
    }
    return QMainWindow::event(event);
}

bool TFrameSQLClient::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched == Splitter_Script_Result->handle(1))
        app::Guard([this] { ScriptResultSplitterPressed(); });
    // A right button press on a tab selects it and makes its page the current one.
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        const bool script = watched == Page_Script->tabBar();
        if (script || watched == Page_Result->tabBar()) {
            QTabWidget* tabs = script ? Page_Script : Page_Result;
            const int index = tabs->tabBar()->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            if (index >= 0) app::Guard([&] { SelectTab(script, index); });
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFrameSQLClient::SelectTab(bool OnScriptTabs, int Index) {
    QTabWidget* tabs = OnScriptTabs ? Page_Script : Page_Result;
    tabs->setCurrentIndex(Index);
    if (OnScriptTabs) {
        ScriptSheetManager->ActiveSheetChanged();
        if (TForm_Script* p = ActiveScriptPage()) p->FocusEditor();
    } else {
        ResultSeetManager->ActiveSheetChanged();
        if (TForm_Result* p = ActiveResultPage()) p->FocusEditor();
    }
}

// The menu of the tabs asked for at At (in the tab widget): the tab under the
// pointer is the current page when it opens, so its items act on that page.
void TFrameSQLClient::TabMenu(bool OnScriptTabs, const QPoint& At) {
    QTabWidget* tabs = OnScriptTabs ? Page_Script : Page_Result;
    QTabBar* bar = tabs->tabBar();
    const int index = bar->tabAt(bar->mapFrom(tabs, At));
    if (index >= 0 && index != tabs->currentIndex()) SelectTab(OnScriptTabs, index);
    popupmenu::Exec(OnScriptTabs ? *PopupMenu_ScriptSheet : *PopupMenu1, tabs->mapToGlobal(At));
}

// ---- script area height

int TFrameSQLClient::ScriptHeightAfterTabDoubleClick(bool OnScriptTabs, int H, int S, int Gap) {
    if (OnScriptTabs) {
        const int T = Round(H * 0.9);
        if (TKZNUtil::IsNear(T, S, 50)) return Round(H / 2.0);
        while (T > S) {
            const int step = Round((H - S - Gap) * 0.1);
            if (step <= 0) break;  // the result area is too small to give more
            S += step;
        }
        return S;
    }
    const int T = H - Round(H * 0.9);
    if (TKZNUtil::IsNear(T, S, 50)) return Round(H / 2.0);
    while (T < S) {
        const int step = Round(S * 0.1);
        if (step <= 0) break;  // the script area is too small to give more
        S -= step;
    }
    return S;
}

void TFrameSQLClient::TabDoubleClicked(bool OnScriptTabs) {
    const QList<int> sizes = Splitter_Script_Result->sizes();
    if (sizes.size() < 2) return;
    const int gap = Splitter_Script_Result->handleWidth();
    const int H = Panel_ClientBase->height();
    const int S = ScriptHeightAfterTabDoubleClick(OnScriptTabs, H, sizes[0], gap);
    Splitter_Script_Result->setSizes({S, std::max(0, H - S - gap)});
}

// ---- cursor

void TFrameSQLClient::SetScreenCursor(int Cursor) {
    FScreenCursor = Cursor;
    if (FOverrideCursor) {
        QGuiApplication::restoreOverrideCursor();
        FOverrideCursor = false;
    }
    if (Cursor == crDefault) return;
    QGuiApplication::setOverrideCursor(Cursor == crAppStart ? Qt::BusyCursor : Qt::WaitCursor);
    FOverrideCursor = true;
}

// ---- the editor search keys

void TFrameSQLClient::BuildEditorSearchActions() {
    Action_EditorSearchShow = NewAction(u"エディタ検索バー表示");
    Action_EditorSearch = NewAction(u"エディタ検索");
    Action_EditorSearchReverse = NewAction(u"反対方向に検索");
    Action_EditorSearchShow->setObjectName(QStringLiteral("Action_EditorSearchShow"));
    Action_EditorSearch->setObjectName(QStringLiteral("Action_EditorSearch"));
    Action_EditorSearchReverse->setObjectName(QStringLiteral("Action_EditorSearchReverse"));
    auto on = [this](QAction* a, std::function<void()> f) {
        QObject::connect(a, &QAction::triggered, this, [f = std::move(f)] { app::Guard(f); });
    };
    on(Action_EditorSearchShow, [this] {
        TForm_Script* script = ActiveScriptPage();
        TForm_Result* result = ActiveResultPage();
        if (script && script->ScriptEditor->hasFocus())
            script->Action_ScriptEditor_Search_Show->trigger();
        else if (result && result->Editor->hasFocus())
            result->Action_Search->trigger();
    });
    on(Action_EditorSearch, [this] {
        if (TFrame_KZNEditorSearch* bar = FocusedSearchBar()) bar->Action_Execute->trigger();
    });
    on(Action_EditorSearchReverse, [this] {
        TFrame_KZNEditorSearch* bar = FocusedSearchBar();
        if (!bar) return;
        QAction* toggle = bar->Action_AllowToggle;
        toggle->setChecked(!toggle->isChecked());
        auto back = ScopeExit([toggle] { toggle->setChecked(!toggle->isChecked()); });
        bar->Execute();
    });
}

TFrame_KZNEditorSearch* TFrameSQLClient::FocusedSearchBar() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return nullptr;
    // the editor's own bar, built now if it never was; a bar not yet built holds no focus
    auto held = [focus](TKZNEditor* Editor, TKZNEditorToolPanel* Panel) -> TFrame_KZNEditorSearch* {
        if (focus == Editor) return Panel->Search();
        TFrame_KZNEditorSearch* bar = Panel->BuiltSearch();
        return bar && (focus == bar->ComboBox_Search || bar->ComboBox_Search->isAncestorOf(focus)) ? bar : nullptr;
    };
    if (TForm_Script* s = ActiveScriptPage())
        if (TFrame_KZNEditorSearch* bar = held(s->ScriptEditor, s->Panel_Editor_ScriptToolBarBase)) return bar;
    if (TForm_Result* r = ActiveResultPage())
        if (TFrame_KZNEditorSearch* bar = held(r->Editor, r->Panel_ToolBase)) return bar;
    return nullptr;
}
