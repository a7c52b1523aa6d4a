// The settings applied to the client window, and read back from it.
#include <algorithm>

#include <QLayout>
#include <QSplitter>
#include <QTabWidget>

#include "U_Environment.h"
#include "U_Form_Result.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"
#include "U_ScriptSheetManager.h"

namespace {

// Lays the window out now, so that its client panel has the height that
// follows from the window's size even before the window is shown.
void LayOut(QWidget* W) {
    if (QLayout* l = W->layout()) {
        l->invalidate();
        l->activate();
    }
}

}  // namespace

void TEnvironment::ApplyLayoutToFrame(const TWritableEnvData& Data, TFrameSQLClient& Frame) {
    const TWritableCloseTimeEnvData& ct = *Data.CloseTimeEnvData;
    Frame.resize(ct.ClientWindowWidth, ct.ClientWindowHeight);
    LayOut(&Frame);
    // The object tree pane's width.
    const int32_t whole = Frame.Splitter_Desctree->width();
    const int32_t tree = std::clamp(ct.DescTreePos, 0, std::max(0, whole));
    Frame.Splitter_Desctree->setSizes({tree, std::max(0, whole - tree - Frame.Splitter_Desctree->handleWidth())});
    LayOut(Frame.Panel_ClientBase);
    const int32_t panel = Frame.Panel_ClientBase->height();
    // The script area cannot be higher than its panel; what results is kept
    // away from both edges.
    const int32_t script = ScriptAreaHeight(std::clamp(ct.ScriptResultPos, 0, std::max(0, panel)), panel);
    const int32_t gap = Frame.Splitter_Script_Result->handleWidth();
    Frame.Splitter_Script_Result->setSizes({script, std::max(0, panel - script - gap)});
    Frame.SetIsAutoCommit(IsAutoCommitFor(Data.CommitMode, ct.CommitModeState));
    // The escape options last chosen, so that an escape bar opens with them
    // and the close-time save keeps them until the user changes them.
    Frame.AssignEscapeReplaceOptions(ct.EscapeReplaceOptions());
}

void TEnvironment::ApplySettingsToFrame(const TWritableEnvData& Data, TFrameSQLClient& Frame) {
    Frame.ApplyShortCuts(Data);
    Frame.SetAutoCommitMode(Data.CommitMode);
    Frame.SQLDelimiter = Data.SQLDelimiter;
    AssignResultTextFields(Data, *Frame.EnvData);
    if (TForm_Result* page = Frame.ActiveResultPage()) page->InitEditor();
    Frame.MouseGestureActive = Data.MouseGestureActive;
    Frame.GridCaptionPrefix = Data.GridCaptionPrefix;
    Frame.CommandPrefix = Data.CommandPrefix;
    Frame.FavoriteExecutePrefix = Data.FavoriteExecutePrefix;
    Frame.ImportScriptFileNamePrefix = Data.ImportScriptFileNamePrefix;
    Frame.ScriptSheetManager->ApplyEnvToSheets(Data);
}

void TEnvironment::ReadFromFrame(const TFrameSQLClient& Frame) {
    TWritableEnvData& d = *EnvData;
    Frame.ReadShortCuts(d);
    d.SQLDelimiter = Frame.SQLDelimiter;
    AssignResultTextFields(*Frame.EnvData, d);
    d.MouseGestureActive = Frame.MouseGestureActive;
    d.GridCaptionPrefix = Frame.GridCaptionPrefix;
    d.CommandPrefix = Frame.CommandPrefix;
    d.FavoriteExecutePrefix = Frame.FavoriteExecutePrefix;
    d.ImportScriptFileNamePrefix = Frame.ImportScriptFileNamePrefix;
}

int32_t TEnvironment::ScriptAreaHeightOf(const TFrameSQLClient& Frame) {
    const QList<int> sizes = Frame.Splitter_Script_Result->sizes();
    return sizes.isEmpty() ? Frame.Page_Script->height() : sizes[0];
}
