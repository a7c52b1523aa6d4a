// Runs one script in a script page: the positional parameters, the choice of
// delimiter or SQL*Plus style, the items one after the other with their echo,
// messages, datasets and errors written into the active result page's
// console, and the pauses the page's toggles ask for.
//
// Runs nest: a script import or a command that runs a command line starts a
// run inside the running one. Only the outermost run sends the page's text to
// the history, makes the page busy (controls off, editor read-only) and
// restores it at its end. The whole run holds the busy guard, so pages and
// sheets closed meanwhile are freed only once it has unwound.
//
// A run never goes on, or waits in a pause, where nobody can see it: once its
// page is closed (or the window goes, or the result page a pause shows is
// deleted) the run ends before its next item, and a pause it is in ends at
// once. The stop flag is cleared after every item; this end of the run is not.
#pragma once
#include <memory>
#include <string>

#include "DataSet.h"
#include "GraphicsTypes.h"
#include "I_ScriptHost.h"
#include "StringList.h"
#include "U_ResultConsole.h"


// The run state of a script page.
struct TScriptRunFlags {
    bool Executing = false;      // a run is in progress
    bool Stop = false;           // a stop of the run was requested
    bool Pausing = false;        // the pause panel is waiting
    bool OutputSQL = false;      // echo each item before it runs
    bool CutSheet = false;       // show the next dataset as a record sheet
    bool ResultEcho = true;      // print the status text of the next item
    bool ErrorTimeStop = false;  // pause after an item that failed
    bool EveryTimeStop = false;  // pause after every item
    bool EndRun = false;         // the run ends before its next item, however deeply nested; not cleared by an item
    int Depth = 0;               // runs of the page now going on
};

// What the executor needs of its script page.
class IScriptRunPage {
public:
    virtual ~IScriptRunPage() = default;
    virtual TScriptRunFlags& RunFlags() = 0;
    virtual IScriptHost& Host() = 0;
    virtual char SQLDelimiter() const = 0;
    // Sends the page's whole editor text to the history (not a blank one).
    virtual void SendScriptToHistory() = 0;
    // Running: the run actions off, the stop action on, the editor read-only; and back.
    virtual void SetRunning(bool Running) = 0;
    // The console of the active result page, looked up at every use; null when there is none.
    virtual TResultConsole* ResultConsole() = 0;
    // Shows an open dataset in the active result page, which takes it over.
    virtual void ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet) = 0;
    // The pause panel: shown with its reason, blinking, hidden; whether it is shown.
    virtual void ShowPausePanel(const std::string& Reason) = 0;
    virtual void BlinkPausePanel() = 0;
    virtual void HidePausePanel() = 0;
    virtual bool PausePanelShown() const = 0;
    // Lets the toolkit handle the pending events.
    virtual void ProcessMessages() = 0;
    // The same after an item: posted events and timers run, painting may wait a little.
    virtual void ProcessMessagesAfterItem() { ProcessMessages(); }
    // The page has been closed: a run in it must not go on.
    virtual bool PageClosed() const { return false; }
};

class TScriptExecutor {
public:
    explicit TScriptExecutor(IScriptRunPage& Page) : Page(Page) {}

    // Runs Script with the parameters Params; returns when the run has ended.
    // No error leaves it.
    void Execute(const TStringList& Script, const TStringList& Params);
    // Shows the pause panel with Reason and waits for Continue or Stop.
    // Without a display nobody can answer: the run stops at once, and the
    // reason, followed by Detail (the failing statement's message), goes to
    // the error output.
    void Pause(const std::string& Reason, const std::string& Detail = std::string());
    // The answers of the pause panel ("続行", "中断") and the page's stop action.
    void Continue();
    void DisContinue();
    // The page is being closed: a run ends before its next item, a pause ends now.
    void PageClosing();
    // The run ends before its next item and a pause ends now (the window goes,
    // or the result page shown in the pause was deleted). Nothing while no run is on.
    void EndRun();
    // Whether the run has to end: stopped for good, page closed or program ending.
    bool MustEnd();

    // The position text of a scanner error: message, line, column and byte.
    static std::string SQLErrorPositionText(const class ESQL99Exception& E);
    // Parameter i replaces every "{%i}" in the whole text, in index order.
    static TStringList ReplaceParams(const TStringList& Script, const TStringList& Params);

private:
    void RunItems(class TScriptManager& Manager, TStringList& Scratch);
    TResultConsole* Console();

    IScriptRunPage& Page;
};
