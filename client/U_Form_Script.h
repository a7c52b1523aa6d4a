// A script page: one tab of the client window's script area, with the page's
// run toggles, its current folder, the pause panel and the script executor.
// Its script editor takes files dropped from the file manager (as import
// lines, or their text) and history items (replacing or inserting).
#pragma once
#include <memory>
#include <string>

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QToolBar>

#include "KZNFlowToolBar.h"

#include "KZNEditor.h"
#include "KeyMacro.h"
#include "KZNEditorToolPanel.h"
#include "T_EnvData.h"
#include "U_MouseGesture.h"
#include "U_PageFormManager.h"
#include "U_ScriptExecutor.h"

class TFrameSQLClient;
class TForm_Script;
class TForm_Result;

// The script editor's context menu: the page's selection actions, the
// standard items, adding a favourite and the 0x5C fix.
class TScriptEditor_Popup : public TEditorPopupMenu {
public:
    TScriptEditor_Popup(TScriptEditor* AEditor, TForm_Script* APage);
    void SetMenu() override;
    void CreateMenuItem() override;

    TForm_Script* Page;  // not owned
    QAction* SelectedSQLExecItem = nullptr;
    QAction* CommentOutItem = nullptr;
    QAction* CommentReOutItem = nullptr;
    QAction* CommentDeleteItem = nullptr;
    QAction* CommaReturnItem = nullptr;
    QAction* AddFavItem = nullptr;
    QAction* Selection5CEscapeItem = nullptr;

private:
    QAction* AddActionItem(QAction* Action);
};

class TForm_Script : public TPageForm, public IScriptRunPage, public TEscapeReplaceOptions {
public:
    TForm_Script(QObject* AOwner, TPageFormManager* Manager);
    ~TForm_Script() override;

    // Gestures on the script editor: the strokes so far in the window's status
    // bar (circles scroll the editor), and a finished gesture carried out while
    // the window's gestures are on and the editor has the focus.
    void GestureMove(const TMouseGestureArray& Gestures);
    void GestureExecute(const TMouseGestureArray& Gestures);
    std::unique_ptr<TgMouseGesture> MouseGesture;

    // Runs Script with the parameters Params in this page.
    void Execute(const TStringList& Script, const TStringList& Params);
    // The pause panel until Continue or Stop. Output is the result page the
    // paused output goes to (the active one when null): deleting it ends the run.
    void Pause(const std::string& Reason, TForm_Result* Output = nullptr);
    // Ends the run before its next item; a pause ends now.
    void EndRun() { Executor.EndRun(); }
    // Whether a run of the page has to end (closed page, window gone, program ending).
    bool RunMustEnd() { return Executor.MustEnd(); }
    // A result page is being deleted: a pause showing its output ends the run.
    void ResultPageClosing(const TForm_Result* Page);

    void EnableControls(bool Value) override;
    void FocusEditor() override;
    void ApplyEnv(const TWritableEnvData& Env);

    // The folder with a trailing separator.
    void GetCurrentFolder(std::string& Folder) const;
    // Raises EFrameSQLClient for a folder that does not exist.
    void SetCurrentFolder(const std::string& Folder);

    void SetOutputSQL(bool Value);
    void SetEveryTimeStop(bool Value);
    void SetErrorTimeStop(bool Value);
    void SetAfterClear(bool Value);
    void SetResultEcho(bool Value) { Flags.ResultEcho = Value; }
    void SetCutSheet(bool Value) { Flags.CutSheet = Value; }
    // Unless running: the editor's text becomes Lines.
    void SetScriptLines(const TStringList& Lines);
    // The selection edits; nothing while the selection is empty.
    void SelectedSQLCommentOut();
    void SelectedSQLCommentReOut();
    void SelectedSQLCommentDelete();
    void SelectedSQLCommaReturn();
    void Selection5CEscape();
    // Two red blinks of the pause panel: the answer to a request refused while running.
    void Blink() { BlinkPausePanel(); }
    void SetBundleOptions(const std::string& StartText, const std::string& EndText, bool Adjust);
    // The history actions: the previous, next or current history item into the editor.
    void PrevHistoryRevival();
    void NextHistoryRevival();
    void CurrentHistoryRevival();
    // Script files. The folder the file dialogs start in: the page's folder
    // when it exists, else the program's. Loading replaces the editor's text
    // (a file that is not text gives its name and a notice instead); saving
    // writes the editor's bytes whole or not at all. Both say so in a message
    // and return false when the file cannot be read or written; the editor's
    // text is then kept.
    std::string FileDialogFolder() const;
    bool LoadScriptFile(const std::string& FileName);
    bool SaveScriptFile(const std::string& FileName);
    // A dropped file in file-name mode becomes an import line: the prefix,
    // the name (in double quotes when it holds a blank) and the delimiter.
    void ScriptFileDropped(TStringList& PasteLines, TFilePasteMode PasteMode);
    // Whether a history item can be dropped on the editor: not while running,
    // only favourites (3) and history entries (6) with some text.
    bool AcceptsHistoryDrop(const QMimeData* Data) const;
    void HistoryDropped(const QMimeData* Data, QPoint Point);
    void SetEscapeReplaceOptions(const TEscapeReplaceOptions& Options);

    bool Executing() const { return Flags.Executing; }
    bool Stop() const { return Flags.Stop; }
    bool Pausing() const { return Flags.Pausing; }
    bool OutputSQL() const { return Flags.OutputSQL; }
    bool CutSheet() const { return Flags.CutSheet; }
    bool ResultEcho() const { return Flags.ResultEcho; }
    bool ErrorTimeStop() const { return Flags.ErrorTimeStop; }
    bool EveryTimeStop() const { return Flags.EveryTimeStop; }

    TFrameSQLClient* Frame() const;

    // IScriptRunPage
    TScriptRunFlags& RunFlags() override { return Flags; }
    IScriptHost& Host() override;
    char SQLDelimiter() const override;
    // Sets the history-dirty flag and sends the text (what a run does first).
    void SendScriptToHistory() override;
    // Action_SendScriptToHistory: unless running, a text that is not blank and
    // was changed since the last send goes to the history (WM_MC_ADDHISTORY).
    void SendToHistoryIfDirty();
    void SetRunning(bool Running) override;
    TResultConsole* ResultConsole() override;
    void ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet) override;
    void ShowPausePanel(const std::string& Reason) override;
    void BlinkPausePanel() override;
    void HidePausePanel() override;
    bool PausePanelShown() const override;
    void ProcessMessages() override;
    void ProcessMessagesAfterItem() override;
    bool PageClosed() const override { return IsClosing(); }

    bool AfterClear = false;
    bool Blinking = false;
    bool HistoryDirty = false;
    std::string BundleStart, BundleEnd;
    bool BundleAdjust = false;
    std::string CurrentFolder;

    TScriptEditor* ScriptEditor;
    TKZNFlowToolBar* ToolBar2;
    QFrame* Panel_Pause;
    QLabel* Label_StopReason;
    QPushButton* Button_Continue;
    QPushButton* Button_DisContinue;

    QAction* Action_ALLSQLExec;
    QAction* Action_SelectedSQLExec;
    QAction* Action_SendScriptToHistory;
    QAction* Action_NewScript;
    QAction* Action_ScriptClear;
    QAction* Action_SelectedSQLCommentOut;
    QAction* Action_SelectedSQLCommentReOut;
    QAction* Action_SelectedSQLCommentDelete;
    QAction* Action_SelectedSQLCommaReturn;
    QAction* Action_Selection5CEscape;
    QAction* Action_ScriptStop;
    QAction* Action_ErrorTimeStopToggle;
    QAction* Action_OutputSQLToggle;
    QAction* Action_EveryTimeStopToggle;
    QAction* Action_AfterClearToggle;
    QAction* Action_ShowHistoryForm;
    QAction* Action_AddFav;
    QAction* Action_PrevHistoryRevival;
    QAction* Action_NextHistoryRevival;
    QAction* Action_CurrentHistoryRevival;
    QMenu* PopupMenu_HistoryDrop;
    // The key macro of the script editor and its record and play buttons.
    std::unique_ptr<TKeyMacro> KeyMacro1;
    QAction* Action_Macro_Record;
    QAction* Action_Macro_Execute;
    // The tool area above the editor and the buttons on its left that show
    // its bars; each bar is built on first use.
    TKZNEditorToolPanel* Panel_Editor_ScriptToolBarBase;
    TFrame_KZNEditorSearch* Frame_KZNEditorSearch1() { return Panel_Editor_ScriptToolBarBase->Search(); }
    TFrame_KZNEditorLineBundle* Frame_KZNEditorLineBundle1() { return Panel_Editor_ScriptToolBarBase->LineBundle(); }
    TFrame_KZNEditorEscapeReplace* Frame_KZNEditorEscapeReplace1() {
        return Panel_Editor_ScriptToolBarBase->EscapeReplace();
    }
    QToolBar* ToolBar1;
    QAction* Action_ScriptEditor_Search_Show;
    QAction* Action_EditorBundle;
    QAction* Action_EditorEscapeReplace;

protected:
    void Closing() override;
    // The macro buttons follow the key macro's state.
    void KeyMacro1Change();

private:
    void InitToolBars();
    void ReplaceSelection(const std::string& Text, int SelLength);
    TScriptRunFlags Flags;
    QPointer<TForm_Result> FPauseOutput;  // the result page the current pause shows
    std::unique_ptr<TMouseGestureHook> FGestureHook;
    TScriptExecutor Executor{*this};
};
