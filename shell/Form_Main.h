// The main form: never shown. It builds every long-lived object of the
// program at start-up (the message centre, the close-time record, the
// database driver, the client window), applies the settings file, answers
// the client window's events and, through the message centre, the window
// messages of the other windows; when it is destroyed it saves what the
// program keeps at close.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "T_EnvData.h"
#include "U_SQL99.h"
#include "WindowMessage.h"

class TADODriver;
class TCloseTimeSaves;
class TCommandInterface;
class TDataSet;
class TForm_History;
class TFrameSQLClient;
class TMessageCenter;
class TStringList;

class TMain : public QWidget {
public:
    // Builds everything (FormCreate). An error is not passed on: the
    // fatal-error dialog shows it, the application is told to terminate and
    // StartUpFailed() is true.
    explicit TMain(QWidget* Parent = nullptr);
    // Saves and frees everything (FormDestroy).
    ~TMain() override;
    TMain(const TMain&) = delete;
    TMain& operator=(const TMain&) = delete;

    // ".\Hello.Script" of the current folder when it exists, then the command
    // line made of Args (the program's arguments, the program itself not
    // included), each run in the client window. Nothing runs when the start-up
    // failed or the program is already ending.
    void ExecuteStartUp(const std::vector<std::string>& Args);

    // The command line of the arguments: the first unchanged, each further one
    // after a blank in double quotes (not escaped), then the client's statement
    // delimiter (0 stands for ";"). Empty without arguments.
    static std::string BuildCommandLine(const std::vector<std::string>& Args, char Delimiter);

    bool StartUpFailed() const { return FStartUpFailed; }

    // The saves made at close (the history file, the close-time section of
    // the settings file), done once: destroying the form does them when no
    // one did before. A failure is shown as a save error naming the file;
    // the answer is false then.
    bool SaveAtClose();

    // The client window activated last; the one client window until one has
    // been activated (some window systems never activate a window).
    TFrameSQLClient* GetCurrentTarget() const;

    // The handlers of the window messages.
    void ShowEnvEditor(TFrameSQLClient* Target);
    void ShowAbout(TFrameSQLClient* Target);
    void UpdateClientCaption(TFrameSQLClient* Target);
    void CloseClient(TFrameSQLClient* Target);
    void ReviveScript(TFrameSQLClient* Target, const TStringList& Lines);
    void SetCurrentTarget(TFrameSQLClient* Target);
    void ClientMoved(TFrameSQLClient* Target);
    void ClientResized(TFrameSQLClient* Target);
    void ClientMaximized(TFrameSQLClient* Target);
    void ClientRestored(TFrameSQLClient* Target);
    void EscapeReplaceChanged(TFrameSQLClient* Target);
    void ReloadEnvironment(TFrameSQLClient* Target);
    void ScriptResultSplitMoved(TFrameSQLClient* Target);
    // The object trees recorded with the saved connection, loaded into Target.
    void LoadClientObjectTrees(TFrameSQLClient* Target);
    void DescTreeSplitMoved(TFrameSQLClient* Target);
    void ClientMinimized();
    // The history window's messages.
    void ShowHistory(TFrameSQLClient* Target);
    void AddHistory(const TStringList& Lines);
    // Lines := the history window's preview text (empty when the selected node holds no script).
    void ReviveHistory(TStringList& Lines);
    void AddFavoriteFromCurrent();
    void AddFavoriteFromClient(TFrameSQLClient* Target);
    void PrevHistory();
    void NextHistory();
    void HistoryShown();
    void HistoryClosed();
    void HistoryResized();
    void HistorySplitMoved();
    void HistoryAutoMoveChanged();

    // The client window's events.
    void ClientExecuteSQL(void* Sender, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet,
                          std::string& Msg);

    // Tells the application to end: the message loop and every run stop.
    static void Terminate();

    // Fields.
    std::string EnvFileName;
    std::unique_ptr<TADODriver> ADODriver;
    std::unique_ptr<TMessageCenter> MessageCenter;
    std::unique_ptr<TWritableCloseTimeEnvData> CloseTimeEnvData;
    // The settings file as start-up read it: at exit a close-time key this
    // run did not change keeps what the file holds by then.
    std::unique_ptr<TWritableEnvData> EnvReadData;
    // Owned; freed through reentry::FreeWhenIdle, never under a run that still uses it.
    QPointer<TFrameSQLClient> SQLClient;
    QPointer<TFrameSQLClient> CurrentTarget;
    std::string HistoryFileName;
    // The history and favourites window; freed after the message centre.
    std::unique_ptr<TForm_History> HistoryForm;
    bool HistoryShowing = false;

    // What start-up takes from outside; a test replaces them.
    struct THooks {
        // Makes the client window; by default a TFrameSQLClient.
        std::function<TFrameSQLClient*(QWidget* Owner, winmsg::HWND MessageWindow)> MakeClient;
        // The program's file (its folder and name give the settings and
        // history file names); empty for the running program.
        std::string ProgramPath;
        // Shows an error that stopped the start-up or the saving at exit; by
        // default the fatal-error dialog, modally.
        std::function<void(QWidget* Owner, const std::string& Msg)> ShowFatalError;
    };
    static THooks& Hooks();
    static void ShowFatalError(QWidget* Owner, const std::string& Msg);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void FormCreate();
    void FormDestroy();
    void ApplySettingsFile();
    // Width, split, auto-move and visibility of the history window from the
    // loaded close-time values; it stands at the right edge of the desktop.
    void PlaceHistoryWindow(const TWritableCloseTimeEnvData& Loaded);
    // The saves made at close, in order: each is tried even when one before failed.
    void AddCloseTimeSaves(TCloseTimeSaves& Saves);
    void SaveCloseTimeSettings();

    // The program's file name without extension, a blank and its file version.
    std::string ProgramNameAndVersion() const;

    bool FStartUpFailed = false;
    bool FSavedAtClose = false;
    bool FSaveAtCloseFailed = false;
    std::string FProgramBaseName;
};
