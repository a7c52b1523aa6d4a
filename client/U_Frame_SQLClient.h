// The client window: script pages above result pages, the tool bar, the main
// menu and the status bar. It is the host through which the script engine and
// the commands reach the program, and it talks to the shell only through
// window messages to the message centre's window.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>

#include "Exception.h"
#include "I_ScriptHost.h"
#include "U_MouseGesture.h"
#include "T_EnvData.h"
#include "U_ConnectDriverInterfacePropImpl.h"
#include "U_ResultConsole.h"
#include "U_UserEnvManager.h"
#include "WindowMessage.h"

Z_DECLARE_EXCEPTION(EFrameSQLClient, Exception);

class TScriptSheetManager;
class TResultSeetManager;
class TForm_Script;
class TForm_Result;
class TDescTreeManager;
class TKZNTreeView;

using TFrameNotifyEvent = std::function<void(void* Sender)>;
using TIsConnectedEvent = std::function<void(void* Sender, bool& Connected)>;

class TFrame_KZNEditorSearch;
class TFrameSQLClient : public QMainWindow, public IScriptHost, public TEscapeReplaceOptions {
public:
    TFrameSQLClient(QWidget* AOwner, winmsg::HWND MessageWindow);
    ~TFrameSQLClient() override;

    // Finishes start-up once the events are set and the settings applied; runs once.
    // An error reaches the caller as EFrameSQLClient.
    void Initialize();

    // Runs in the active script page.
    void ExecuteScriptTextWithParams(const std::string& Text, const TStringList& Params);
    void ExecuteScript(const TStringList& Lines) { ExecuteScriptWithParams(Lines, TStringList()); }
    void SetActiveScriptLines(const TStringList& Lines);
    void SetActiveScriptText(const std::string& Text);
    bool IsConnected();
    void SetEscapeReplaceOptions(const TEscapeReplaceOptions& Options);
    TWritableEnvData& GetEnvData() { return *EnvData; }
    void SetIsAutoCommit(bool Value);
    void SetAutoCommitMode(TAutoCommitModeKind Value) { AutoCommitMode = Value; }
    // The shortcuts of the window's actions from the settings' shortcut texts.
    void ApplyShortCuts(const TReadableEnvData& Env);
    // The shortcut texts of the window's actions back into Env (empty for none).
    void ReadShortCuts(TReadableEnvData& Env) const;
    // The window's actions whose shortcuts come from the settings, with their keys.
    std::vector<std::pair<QAction*, TShortcutKeyIndex>> ShortCutActions() const;

    // The active pages; null while there is none.
    TForm_Script* ActiveScriptPage() const;
    TForm_Result* ActiveResultPage() const;
    // The console of the active result page.
    virtual TResultConsole* ActiveResultConsole();
    // Shows an open dataset in the active result page, which takes it over.
    // RunPage: the script page whose run shows it (its pauses and stop), the active one when null.
    void ShowDataSetInActiveResult(std::unique_ptr<TDataSet> DataSet, bool CutSheet, TForm_Script* RunPage = nullptr);
    // A result page is being deleted: a paused run showing its output ends.
    void ResultPageClosing(const TForm_Result* Page);
    // The window goes: every run of its pages ends before its next item, and a pause ends now.
    void EndRuns();

    // The new height of the script area after a double click on the script
    // tabs (OnScriptTabs) or on the result tabs, from the client area's height
    // H, the script area's S and the result area's R = H - S - Gap.
    static int ScriptHeightAfterTabDoubleClick(bool OnScriptTabs, int H, int S, int Gap);
    void TabDoubleClicked(bool OnScriptTabs);
    // A right press or the menu of the script (or result) tabs makes tab Index the current page, focused.
    void SelectTab(bool OnScriptTabs, int Index);
    void TabMenu(bool OnScriptTabs, const QPoint& At);

    // IScriptHost
    char GetCommandPrefix() const override { return CommandPrefix; }
    char GetImportScriptFileNamePrefix() const override { return ImportScriptFileNamePrefix; }
    TUserEnvManager& GetUserEnvManager() override { return *UserEnvManager; }
    std::string GetActiveScriptFolder() const override;
    void ExecuteScriptWithParams(const TStringList& Lines, const TStringList& Params) override;
    IResultConsole& GetResultConsole() override;
    int GetScreenCursor() const override { return FScreenCursor; }
    void SetScreenCursor(int Cursor) override;
    bool GetIsAutoCommit() const override { return IsAutoCommit; }
    void RefreshConnectState() override;
    void UpdateCaption() override;
    void LoadConnectionObjectTrees() override;
    // Every grid of every result page hears of it (TForm_Grid::TransactionEnded).
    void TransactionEnded(bool Committed) override;
    void SetActiveScriptFolder(const std::string& Folder) override;
    bool GetActiveScriptOutputSQL() const override;
    void SetActiveScriptOutputSQL(bool Value) override;
    void SetActiveScriptResultEcho(bool Value) override;
    void SetActiveScriptCutSheet(bool Value) override;
    void SetResultOutputMode(TResultOutputMode Mode) override;
    int32_t GetStepDisplayCount() const override { return StepDisplayCount; }
    void SetStepDisplayCount(int32_t Value) override { StepDisplayCount = Value; }
    void NewResultSheet() override;
    void AddResultSheet(const std::string& Name) override;
    void DeleteResultSheet(const std::string& Name) override;
    void DeleteActiveResultSheet() override;
    void InitResultSheets(const std::string& Name) override;
    void DeleteInActiveResultSheets() override;
    void Close() override { close(); }
    // The active result page's editor cuts Text to its visible width.
    void FormatResultLinesToWidth(const std::string& Text, TStringList& Lines) override;
    // Dialog becomes a window of this one and runs modally.
    int ShowModalDialog(QDialog& Dialog) override;
    // The object tree (U_Frame_DescTreePane.cpp).
    std::string GetObjectTreeFolder() const override;
    bool AddObjectTree(const std::string& Name) override;
    void ClearObjectTrees() override;
    void LoadObjectTrees() override;
    bool IsObjectTreeShown(const std::string& Name) const override;
    uint8_t GetDriverKind() const override { return DriverKind; }
    void SetDriverKind(uint8_t Kind) override { DriverKind = Kind; }

    // Fields.
    std::unique_ptr<TScriptSheetManager> ScriptSheetManager;
    std::unique_ptr<TResultSeetManager> ResultSeetManager;
    std::unique_ptr<TDriverInterfaceProp_ClientImpl> DriverInterfaceProp;
    std::unique_ptr<TDescTreeManager> DescTreeManager;
    TAutoCommitModeKind AutoCommitMode = acmk_UnKnown;
    bool IsAutoCommit = true;
    int32_t StepDisplayCount = 0;
    std::unique_ptr<TWritableEnvData> EnvData;
    std::string GridCaptionPrefix = "G#";
    bool MouseGestureActive = false;
    std::unique_ptr<TgMouseGesture> MouseGesture;  // of the result area
    double LastCircleScrollTime = 0;
    std::unique_ptr<TUserEnvManager> UserEnvManager;
    char SQLDelimiter = 0;
    TFrameNotifyEvent OnInitialize, OnFinalize;
    TIsConnectedEvent OnIsConnected;
    char CommandPrefix = 0, FavoriteExecutePrefix = 0;
    char ImportScriptFileNamePrefix = 0;
    winmsg::HWND MessageWindowHandle = 0;
    uint8_t DriverKind = 0;

    // Components.
    QToolBar* ToolBar1;
    QLabel* ClientStatusPanel0;
    QWidget* Panel_ClientBase;
    QSplitter* Splitter_Script_Result;
    QTabWidget* Page_Script;
    QTabWidget* Page_Result;
    QMenu* PopupMenu_ScriptSheet;
    QMenu* PopupMenu1;
    QMenu* Menu_File;
    QMenu* Menu_Database;
    QMenu* Menu_Transaction;
    QMenu* Menu_Tool;
    QMenu* Menu_Help;
    // The object tree pane on the left.
    QSplitter* Splitter_Desctree;
    QWidget* Panel_DelcTreeBase;
    TKZNTreeView* TreeView_Desc;
    QMenu* KZNTreeView_Desc_PopupMenu;
    QSplitter* Splitter3;
    QWidget* Panel_DescTreePropertyBase;
    QLabel* Panel_DescTreeCurrentNode;
    QTabWidget* PageControl_DescTreeProperty;
    QLabel* Label_DescTreeAddress;

    QAction* Action_Connect;
    QAction* Action_ReConnect;
    QAction* Action_DisConnect;
    QAction* Action_AutoCommitToggle;
    QAction* Action_Commit;
    QAction* Action_RollBack;
    QAction* Action_NewScriptEditor;
    QAction* Action_CloneScriptEditor;
    // The editor search keys, on the search bar of the page whose editor (or search box) has the focus.
    QAction* Action_EditorSearchShow;
    QAction* Action_EditorSearch;
    QAction* Action_EditorSearchReverse;
    QAction* Action_DelActiveScriptSheet;
    QAction* Action_DelInActiveScriptSheet;
    QAction* Action_ClearActiveScriptSheet;
    QAction* Action_AddResultSeet;
    QAction* Action_DelActiveResultSeet;
    QAction* Action_DelInActiveResultSeet;
    QAction* Action_ClearActiveResultSheet;
    QAction* Action_ScriptFileOpen;
    QAction* Action_ScriptSave;
    QAction* Action_Exit;
    QAction* Action_ObjectTreeViewConfig;
    QAction* Action_EnvEdit;
    QAction* Action_About;
    QAction* Action_DesctreeRefresh;
    QAction* Action_DesctreeEdit;

    // The actions' handlers.
    void AutoCommitToggle();
    void Commit() { EndTransaction("#Commit", "自動コミットモードでは明示「コミット」は無効です"); }
    void RollBack() { EndTransaction("#RollBack", "自動コミットモードでは明示「ロールバック」は無効です"); }
    void CloneScriptEditor();
    // Opens a script file into the active page, or saves its text, through the file dialogs.
    void ScriptFileOpen();
    void ScriptSave();
    // Before the script and result areas are resized by hand: the script editor may become as low as one pixel.
    void ScriptResultSplitterPressed();

    // Gestures of the result area: the strokes so far shown in the status bar
    // (and circles scroll the active result editor), and a finished gesture
    // carried out while gestures are on and that editor has the focus.
    void ResultGestureMove(const TMouseGestureArray& Gestures);
    void ResultGestureExecute(const TMouseGestureArray& Gestures);
    // Circle scrolling: the last five strokes of Gestures drawn clockwise
    // scroll Editor to the right, counter-clockwise to the left; with Speed,
    // the sooner after the last circle scroll, the further. True when it scrolled.
    bool CircleScroll(const TMouseGestureArray& Gestures, class TKZNEditor* Editor, bool Speed);
    // The columns of one circle scroll: positive clockwise, negative
    // counter-clockwise, 0 for no circle; ElapsedMs since the last circle scroll.
    static int CircleScrollSteps(const TMouseGestureArray& Gestures, bool Speed, double ElapsedMs);
    void SetStatusText(const std::string& Text);
    std::string StatusText() const;
    // Milliseconds of a steady clock.
    static double TickCount();

protected:
    // Shows an editor's notice of characters CP932 could not hold in status panel 0.
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Send(uint32_t Msg);
    void AddResultText(const std::string& Line);
    void EndTransaction(const char* Command, const char* Refusal);
    QAction* NewAction(const char16_t* Caption);
    void BuildMenusAndBars();
    void BuildEditorSearchActions();
    // The search bar of the active script page, or of the active result page,
    // whose editor or search box holds the focus; null when neither does.
    TFrame_KZNEditorSearch* FocusedSearchBar() const;
    void BuildDescTreePane();

    std::unique_ptr<TMouseGestureHook> FGestureHook;
    bool ActiveResultEditorFocused() const;
    bool FInitialized = false;
    int FScreenCursor = 0;
    bool FOverrideCursor = false;
};
