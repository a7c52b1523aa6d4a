#include "Form_Main.h"

#include <utility>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>

#include "AppException.h"
#include "CP932Qt.h"
#include "DM_MessageCenter.h"
#include "Exception.h"
#include "FileSystem.h"
#include "Headless.h"
#include "KZNMessageDlg.h"
#include "Reentrancy.h"
#include "ScreenMetrics.h"
#include "StringList.h"
#include "SysUtils.h"
#include "T_FolderFile.h"
#include "U_ADODriver.h"
#include "U_ApplicationInfo.h"
#include "U_CloseTimeSaves.h"
#include "U_DB2eCLPDriver.h"
#include "U_DB2eCLP_SDF_ReadableDataSet.h"
#include "ScopeExit.h"
#include "U_EnvEditorLaunch.h"
#include "U_Environment.h"
#include "U_Form_Connect.h"
#include "KZNTreeView.h"
#include "U_Form_History.h"
#include "U_Form_Script.h"
#include "U_Form_Version.h"
#include "U_Frame_SQLClient.h"
#include "U_RuntimeFatalError.h"
#include "U_ScriptSheetManager.h"
#include "U_ShellForms.h"
#include "U_UserEnvManager.h"

namespace {

std::string MessageOf(const std::exception& E) {
    if (auto* e = dynamic_cast<const Exception*>(&E)) return e->Message;
    return E.what();
}

// The close-time keys of the windows' sizes and split positions.
const std::vector<std::string> kGeometryKeys = {"CLIENTWINDOWSIZE_W", "CLIENTWINDOWSIZE_H", "DESCTREEPOS",
                                                "SCRIPT_RESULTPOS",   "HISTORYWINDOW_W",    "HISTORYSPLITPOS"};

}  // namespace

TMain::THooks& TMain::Hooks() {
    static THooks hooks;
    return hooks;
}

void TMain::ShowFatalError(QWidget* Owner, const std::string& Msg) {
    if (Hooks().ShowFatalError) {
        Hooks().ShowFatalError(Owner, Msg);
        return;
    }
    if (headless::NoDisplay()) {
        headless::ErrorLine("起動エラー：" + Msg);
        return;
    }
    TRuntimeFatalError dialog(Owner, Msg);
    dialog.exec();
}

void TMain::Terminate() {
    reentry::SetTerminating(true);
    QCoreApplication::quit();
}

// The application's quit ends its loop without closing every window first as
// Qt would: the history window closed that way would be saved as not showing.
bool TMain::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == QCoreApplication::instance() && Event->type() == QEvent::Quit) {
        QCoreApplication::exit(0);
        return true;
    }
    return QWidget::eventFilter(Watched, Event);
}

TMain::TMain(QWidget* Parent) : QWidget(Parent) {
    setWindowTitle(QStringLiteral("Main"));
    setFont(shellforms::FormFont());
    QCoreApplication::instance()->installEventFilter(this);
    FormCreate();
}

TMain::~TMain() { FormDestroy(); }

// ---- start-up

void TMain::FormCreate() {
    try {
        CurrentTarget = nullptr;
        std::string program = Hooks().ProgramPath.empty() ? TApplicationInfo::ProgramPath() : Hooks().ProgramPath;
        const size_t slash = program.find_last_of('/');
        const std::string folder = slash == std::string::npos ? std::string() : program.substr(0, slash + 1);
        FProgramBaseName = TFolderFile::RemoveExt(program.substr(folder.size()));
        EnvFileName = folder + FProgramBaseName + ".Environment";
        HistoryFileName = folder + FProgramBaseName + ".History";

        MessageCenter = std::make_unique<TMessageCenter>(*this);
        CloseTimeEnvData = std::make_unique<TWritableCloseTimeEnvData>();
        HistoryShowing = false;
        HistoryForm = std::make_unique<TForm_History>(nullptr, MessageCenter->Handle(), HistoryFileName);
        HistoryForm->LoadFromFile();

        ADODriver = std::make_unique<TADODriver>();
        TForm_Connect::PlugInto(*ADODriver);

        TFrameSQLClient* client = Hooks().MakeClient ? Hooks().MakeClient(this, MessageCenter->Handle())
                                                     : new TFrameSQLClient(nullptr, MessageCenter->Handle());
        SQLClient = client;
        ADODriver->SetClientProp(*client->DriverInterfaceProp);
        // The saved-connections dialog asks the window, not the driver's copy
        // taken at start-up, so that its file dialog opens in the active
        // script page's current folder.
        ADODriver->ConnectDialog = [this, dialog = ADODriver->ConnectDialog](TDriverInterfaceProp& Prop,
                                                                             std::string& Name) {
            return dialog(SQLClient ? *SQLClient->DriverInterfaceProp : Prop, Name);
        };

        client->OnInitialize = [](void*) {};
        client->OnFinalize = [](void*) {};
        client->OnExecuteSQL = [this](void* Sender, const std::string& SQL, TSQLKind Kind,
                                      std::unique_ptr<TDataSet>& DataSet, std::string& Msg) {
            ClientExecuteSQL(Sender, SQL, Kind, DataSet, Msg);
        };
        client->OnSQLError = [](void*, const std::exception& E, std::string& Msg) { Msg = MessageOf(E); };
        client->OnIsConnected = [this](void*, bool& Connected) { Connected = ADODriver->IsConnected(); };
        client->OnUserCommand = [this](void* Sender, TCommandInterface& Command, bool& Handled) {
            ADODriver->HandleCommand(Sender, Command, Handled);
        };

        ApplySettingsFile();

        client->show();
        setWindowTitle(cp932::ToQString(ProgramNameAndVersion()));
        client->Initialize();
        if (TForm_Script* page = client->ActiveScriptPage()) page->FocusEditor();
    } catch (const std::exception& e) {
        FStartUpFailed = true;
        app::Guard([&] { ShowFatalError(this, MessageOf(e)); });
        Terminate();
    }
}

// Reads the settings file and applies it. A damaged file is reported once; an
// error here never stops the start-up: the window keeps what was applied.
void TMain::ApplySettingsFile() {
    std::string notice;
    try {
        TEnvironment env(EnvFileName);
        notice = env.Load().Message;
        EnvReadData = std::move(env.ReadData);
        env.ApplyToFrame(*SQLClient);
        SQLClient->EnvData->Assign(*env.EnvData);
        try {
            PlaceHistoryWindow(*env.EnvData->CloseTimeEnvData);
        } catch (...) {
            // Ignored on purpose: the history window keeps the place it has,
            // and a start-up never stops over the settings.
        }
        CloseTimeEnvData->Assign(*env.EnvData->CloseTimeEnvData);
    } catch (...) {
        // Ignored on purpose: an error while reading or applying the settings
        // file never stops the start-up; the window keeps what was applied
        // (damage the reader could tell apart is the notice below).
    }
    if (!notice.empty()) app::Guard([&] { MessageDlg(notice, TMsgDlgType::mtWarning); });
}

void TMain::PlaceHistoryWindow(const TWritableCloseTimeEnvData& Loaded) {
    TForm_History& h = *HistoryForm;
    // the width first, so that the window ends at the desktop's right edge
    if (Loaded.HistoryWindowWidth > 0) h.resize(Loaded.HistoryWindowWidth, h.height());
    int desktopLeft = 0;
    if (QScreen* s = QGuiApplication::primaryScreen()) desktopLeft = s->virtualGeometry().left();
    const int top = SQLClient->frameGeometry().top();
    auto atRightEdge = [&] {
        h.move(desktopLeft + screen::VirtualScreenSize().Width - h.frameGeometry().width(), top);
    };
    atRightEdge();
    if (Loaded.HistorySplitPos > 0) {
        // the splitter spans the window; before the window was ever shown it
        // has not been laid out, and sizes against its wrong width would be
        // spread again over the tree once it is
        const int total = h.width() - h.Splitter1->handleWidth();
        h.Splitter1->setSizes({Loaded.HistorySplitPos, std::max(10, total - Loaded.HistorySplitPos)});
    }
    h.SetAutoMove(Loaded.HistoryAutoMove);
    if (Loaded.HistoryShowing) {
        HistoryShowing = true;
        h.ShowBeside(SQLClient);
        // the window's frame is known once it is shown
        if (!h.AutoMove) atRightEdge();
    }
}

std::string TMain::ProgramNameAndVersion() const {
    return FProgramBaseName + " " + shellforms::ProgramFileVersion();
}

void TMain::ExecuteStartUp(const std::vector<std::string>& Args) {
    // Each runs like any script: its errors go into the result page, and
    // whatever still escapes is shown; neither stops the program.
    if (FStartUpFailed || !SQLClient || reentry::Terminating()) return;
    const std::string hello = fs932::GetCurrentDir() + "/Hello.Script";
    if (fs932::FileExists(hello)) {
        app::Guard([&] {
            TStringList lines;
            lines.LoadFromFile(hello);
            SQLClient->ExecuteScriptText(lines.Text());
        });
    }
    if (Args.empty() || !SQLClient || reentry::Terminating()) return;
    app::Guard([&] {
        const std::string line = BuildCommandLine(Args, SQLClient->SQLDelimiter);
        SQLClient->SetActiveScriptText(line);
        SQLClient->ExecuteScriptText(line);
    });
}

std::string TMain::BuildCommandLine(const std::vector<std::string>& Args, char Delimiter) {
    if (Args.empty()) return std::string();
    std::string line = Args[0];
    for (size_t i = 1; i < Args.size(); ++i) line += " \"" + Args[i] + "\"";
    return line + (Delimiter ? Delimiter : ';');
}

TFrameSQLClient* TMain::GetCurrentTarget() const {
    return CurrentTarget ? CurrentTarget.data() : SQLClient.data();
}

// ---- the client window's events

void TMain::ClientExecuteSQL(void* Sender, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet,
                             std::string& Msg) {
    TFrameSQLClient* target = GetCurrentTarget();
    const uint8_t kind = target ? target->DriverKind : 0;
    if (kind == 0) {
        ADODriver->Execute(Sender, SQL, Kind, DataSet, Msg);
    } else if (kind == 1) {
        const std::string connectTo = SQLClient ? SQLClient->UserEnvManager->GetValue("DB2eCLP_ConnectTO") : "";
        TDB2eCLPDriver::Export(connectTo, SQL, Msg,
                               [] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
        try {
            auto ds = std::make_unique<TDB2eCLP_SDF_ReadableDataSet>(TDB2eCLPDriver::FieldsFileName,
                                                                     TDB2eCLPDriver::DataFileName);
            ds->Open();
            DataSet = std::move(ds);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception& e) {
            // No result to read: the statement failed, and the processor's
            // own words say why. They become the error, ahead of the missing
            // file, so that the error (and the error output without a
            // display) carries them.
            const std::string said = sys::Trim(Msg);
            if (said.empty()) throw;
            Msg.clear();
            throw EDB2eCLPDriver(said + "\r\n" + MessageOf(e));
        }
    }
}

// ---- window messages

void TMain::ShowEnvEditor(TFrameSQLClient* Target) {
    if (!Target || headless::Declined("設定の編集")) return;
    TEnvironment env(EnvFileName);
    env.Load();
    // a key counts as changed here only when it differs from what this copy last read or wrote
    if (EnvReadData) {
        env.ReadData = std::make_unique<TWritableEnvData>();
        env.ReadData->Assign(*EnvReadData);
    }
    ShowEnvEditorDialog(*Target, env);
    // a save of the dialog is what the next save compares with
    if (env.ReadData) EnvReadData = std::move(env.ReadData);
}

void TMain::ShowAbout(TFrameSQLClient* Target) {
    if (headless::Declined("バージョン情報")) return;
    TForm_Version about(Target);
    about.setWindowFlag(Qt::WindowStaysOnTopHint);
    about.exec();
}

void TMain::UpdateClientCaption(TFrameSQLClient* Target) {
    if (!Target) return;
    std::string description;
    if (ADODriver) ADODriver->GetDescription(description);
    Target->setWindowTitle(cp932::ToQString(description + " " + ProgramNameAndVersion()));
}

void TMain::CloseClient(TFrameSQLClient* Target) {
    if (!Target) return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == Target || w->isHidden() || typeid(*w) != typeid(*Target)) continue;
        // Another client window stays open: only this one goes.
        if (Target == CurrentTarget) CurrentTarget = nullptr;
        Target->hide();
        reentry::FreeWhenIdle(Target);
        return;
    }
    Terminate();
}

void TMain::ReviveScript(TFrameSQLClient* Target, const TStringList& Lines) {
    if (Target) Target->SetActiveScriptLines(Lines);
}

void TMain::SetCurrentTarget(TFrameSQLClient* Target) { CurrentTarget = Target; }

void TMain::ClientMoved(TFrameSQLClient* Target) {
    if (reentry::Terminating() || !Target) return;
    if (HistoryForm && HistoryForm->AutoMove && HistoryForm->isVisible()) HistoryForm->ShowBeside(Target);
    if (Target->isVisible()) Target->activateWindow();
}

void TMain::ClientResized(TFrameSQLClient* Target) {
    if (reentry::Terminating() || !Target) return;
    if (!Target->isVisible()) return;
    Target->activateWindow();
    // A window as wide as 80 % of the desktop (a maximized one) is not
    // recorded, so the next start keeps the last smaller size.
    if (Target->width() < 0.8 * screen::VirtualScreenSize().Width) {
        CloseTimeEnvData->ClientWindowWidth = Target->width();
        CloseTimeEnvData->ClientWindowHeight = Target->height();
    }
}

void TMain::ClientMaximized(TFrameSQLClient* Target) {
    if (reentry::Terminating() || !Target) return;
    if (HistoryForm) {
        if (!HistoryShowing)
            HistoryForm->hide();
        else
            HistoryForm->ShowBeside(Target);
    }
    if (Target->isVisible()) Target->activateWindow();
}

// Hiding the history window here is not closing it: HistoryShowing stays.
void TMain::ClientMinimized() {
    if (reentry::Terminating()) return;
    if (HistoryForm) HistoryForm->hide();
}

void TMain::ClientRestored(TFrameSQLClient* Target) { ClientMaximized(Target); }

void TMain::EscapeReplaceChanged(TFrameSQLClient* Target) {
    if (!Target) return;
    CloseTimeEnvData->AssignEscapeReplaceOptions(Target->EscapeReplaceOptions());
}

void TMain::ReloadEnvironment(TFrameSQLClient* Target) {
    if (!Target) return;
    TEnvironment env(EnvFileName);
    env.Load();
    env.ApplyToFrame(*Target);
    EnvReadData = std::move(env.ReadData);
}

void TMain::ScriptResultSplitMoved(TFrameSQLClient* Target) {
    if (Target) CloseTimeEnvData->ScriptResultPos = TEnvironment::ScriptAreaHeightOf(*Target);
}

void TMain::DescTreeSplitMoved(TFrameSQLClient* Target) {
    if (Target) CloseTimeEnvData->DescTreePos = Target->Panel_DelcTreeBase->width();
}

// ---- the history window

void TMain::ShowHistory(TFrameSQLClient* Target) {
    if (!HistoryForm) return;
    HistoryForm->ShowBeside(Target);
    if (HistoryForm->isMinimized()) HistoryForm->showNormal();
}

void TMain::AddHistory(const TStringList& Lines) {
    if (HistoryForm) HistoryForm->AddHistory(Lines);
}

void TMain::ReviveHistory(TStringList& Lines) {
    if (HistoryForm) Lines.Assign(HistoryForm->GetEditorLines());
}

void TMain::AddFavoriteFromCurrent() { AddFavoriteFromClient(GetCurrentTarget()); }

void TMain::AddFavoriteFromClient(TFrameSQLClient* Target) {
    TForm_Script* page = Target ? Target->ActiveScriptPage() : nullptr;
    if (!HistoryForm || !page) return;
    const TStringList lines(page->ScriptEditor->Lines().GetText());
    HistoryForm->AddFavorite(&lines);
}

void TMain::PrevHistory() {
    if (HistoryForm) HistoryForm->Action_Prev->trigger();
}

void TMain::NextHistory() {
    if (HistoryForm) HistoryForm->Action_Next->trigger();
}

void TMain::HistoryShown() { HistoryShowing = true; }

void TMain::HistoryClosed() { HistoryShowing = false; }

// The split position is recorded only when the user moves the splitter: while
// the window is laid out or squeezed the tree's width is not the user's.
void TMain::HistoryResized() {
    if (reentry::Terminating() || !HistoryForm || !CloseTimeEnvData) return;
    CloseTimeEnvData->HistoryWindowWidth = HistoryForm->width();
}

void TMain::HistorySplitMoved() {
    if (reentry::Terminating() || !HistoryForm || !CloseTimeEnvData) return;
    CloseTimeEnvData->HistorySplitPos = HistoryForm->IndexTree2->width();
}

void TMain::HistoryAutoMoveChanged() {
    if (reentry::Terminating() || !HistoryForm || !CloseTimeEnvData) return;
    CloseTimeEnvData->HistoryAutoMove = HistoryForm->AutoMove;
    if (HistoryForm->AutoMove && HistoryForm->isVisible() && SQLClient) HistoryForm->ShowBeside(SQLClient);
}

// The command lines are written with "#" whatever the command prefix is.
void TMain::LoadClientObjectTrees(TFrameSQLClient* Target) {
    if (!Target) return;
    std::string description;
    ADODriver->GetDescription(description);
    if (description.empty()) return;  // not connected
    Target->ExecuteScriptText("#ClearObjectTree");
    std::string names;
    ADODriver->GetObjectTreeNames(names);
    TStringList list;
    list.SetCommaText(names);
    auto refresh = ScopeExit([Target] { Target->ExecuteScriptText("#RefreshObjectTree"); });
    for (const std::string& name : list.Items) Target->ExecuteScriptText("#AddObjectTreeM \"" + name + "\"");
}

// ---- shutdown

void TMain::SaveCloseTimeSettings() {
    TEnvironment env(EnvFileName);
    TWritableCloseTimeEnvData& ct = *env.EnvData->CloseTimeEnvData;
    ct.Assign(*CloseTimeEnvData);
    if (TForm_Script* page = SQLClient->ActiveScriptPage()) {
        ct.EveryTimeStopToggleState = page->EveryTimeStop();
        ct.ErrorTimeStopToggleState = page->ErrorTimeStop();
        ct.AfterClearToggleState = page->AfterClear;
        ct.OutputSQLToggleState = page->OutputSQL();
    }
    ct.CommitModeState = SQLClient->IsAutoCommit;
    ct.HistoryShowing = HistoryForm && HistoryForm->isVisible();
    if (fs932::DirectoryExists(EnvFileName))
        throw EFCreateError("ファイル " + EnvFileName + " を作成できません（同じ名前のフォルダがあります）");
    if (EnvReadData) {
        env.ReadData = std::make_unique<TWritableEnvData>();
        env.ReadData->Assign(*EnvReadData);
    }
    // Without a display the window sizes are the platform's, not the user's:
    // the next windowed start keeps the ones the file held.
    env.SaveCloseTime(headless::NoDisplay() ? kGeometryKeys : std::vector<std::string>());
}

void TMain::AddCloseTimeSaves(TCloseTimeSaves& Saves) {
    Saves.Add("履歴ファイル", HistoryFileName, [this] {
        if (HistoryForm) HistoryForm->SaveToFile();
    });
    Saves.Add("設定ファイル", EnvFileName, [this] { SaveCloseTimeSettings(); });
}

bool TMain::SaveAtClose() {
    if (FSavedAtClose) return !FSaveAtCloseFailed;
    FSavedAtClose = true;
    if (!SQLClient) return true;
    TCloseTimeSaves saves;
    AddCloseTimeSaves(saves);
    const std::string failures = saves.Run();
    if (failures.empty()) return true;
    FSaveAtCloseFailed = true;
    app::Guard([&] { MessageDlg(failures, TMsgDlgType::mtError); });
    return false;
}

void TMain::FormDestroy() {
    SaveAtClose();
    std::string failures;
    try {
        if (TFrameSQLClient* client = SQLClient.data()) {
            // A window still used by a run further down the stack goes once
            // the run has ended; it must not call back into this form.
            client->OnExecuteSQL = nullptr;
            client->OnSQLError = nullptr;
            client->OnUserCommand = nullptr;
            client->OnIsConnected = nullptr;
            client->OnInitialize = nullptr;
            client->OnFinalize = nullptr;
            client->MessageWindowHandle = 0;
            SQLClient = nullptr;
            CurrentTarget = nullptr;
            client->hide();
            reentry::FreeWhenIdle(client);
        }
        ADODriver.reset();
        if (HistoryForm) HistoryForm->MessageWindowHandle = 0;
        MessageCenter.reset();
        HistoryForm.reset();
        CloseTimeEnvData.reset();
    } catch (const std::exception& e) {
        failures += MessageOf(e) + "\r\n";
    }
    if (!failures.empty()) app::Guard([&] { ShowFatalError(nullptr, failures); });
}
