#include "T_EnvData.h"

#include <cmath>

#include "ScreenMetrics.h"

const char* AutoCommitModeKindName(TAutoCommitModeKind Kind) {
    switch (Kind) {
        case acmk_UnKnown: return "UnKnown";
        case acmk_Auto: return "Auto";
        case acmk_Manual: return "Manual";
        case acmk_Env: return "Env";
    }
    return "UnKnown";
}

const std::array<const char*, sk_Count> ShortcutKeyNames = {
    "Connect", "ReConnect", "DisConnect", "ALLSQLExec", "SelectedSQLExec", "NewScript", "ScriptStop",
    "ShowExecSQLToggle", "EveryTimeStopToggle", "ErrorTimeStopToggle", "OutputSQLToggle", "AfterClearToggle",
    "SendScriptToHistory", "PrevHistorhyRevival", "NextHistorhyRevival", "ShowHistoryForm", "ScriptClear",
    "AddResultSeet", "DelActiveResultSeet", "DelInActiveResultSeet", "EnvEdit", "AutoCommitToggle", "Commit",
    "RollBack", "NewScriptEditor", "CloneScriptEditor", "DelActiveScriptSheet", "EditorSearch",
    "EditorSearchReverse", "EditorSearchShow", "ScriptEditorCommentOut", "ScriptEditorCommentReOut",
};

const std::array<const char*, sk_Count> ShortcutKeyDefaults = {
    "CTRL+F2", "CTRL+F3", "CTRL+F4", "F9", "F8", "F10", "F12",
    "CTRL+I", "CTRL+O", "CTRL+P", "CTRL+Q", "SHIFT+CTRL+C",
    "SHIFT+CTRL+H", "CTRL+J", "CTRL+N", "CTRL+H", "SHIFT+Esc",
    "SHIFT+CTRL+N", "SHIFT+CTRL+D", "SHIFT+CTRL+T", "CTRL+E", "CTRL+F5", "CTRL+F6",
    "CTRL+F7", "CTRL+F10", "SHIFT+CTRL+F10", "CTRL+F11", "F3",
    "SHIFT+F3", "CTRL+F", "CTRL+-", "SHIFT+CTRL+-",
};

const std::array<const char*, tp_Count> ToolbarPositionNames = {
    "ConnectGroupLeft", "ConnectGroupTop", "ExeCuteGroupLeft", "ExeCuteGroupTop", "LogGroupLeft", "LogGroupTop",
    "RunTimeGroupLeft", "RunTimeGroupTop", "AboutGroupLeft", "AboutGroupTop", "TransactionGroupLeft",
    "TransactionGroupTop",
};

// ---- TWritableCloseTimeEnvData

int32_t TWritableCloseTimeEnvData::ScaleRound(int32_t Value, long double Factor) {
    // nearbyintl rounds in the default mode: to nearest, halves to even
    return static_cast<int32_t>(std::nearbyintl(static_cast<long double>(Value) * Factor));
}

void TWritableCloseTimeEnvData::SetDefaults() {
    screen::TScreenSize s = screen::VirtualScreenSize();
    ClientWindowWidth = ScaleRound(s.Width, 0.9L);
    ClientWindowHeight = ScaleRound(s.Height, 0.9L);
    BundleStart = "SQL.ADD(\"";
    BundleEnd = "\")";
    BundleAdjust = false;
    AssignEscapeReplaceOptions(TEscapeReplaceOptions());
    DescTreePos = ScaleRound(ClientWindowWidth, 0.3L);
    ScriptResultPos = ScaleRound(ClientWindowHeight, 0.3L);
    EveryTimeStopToggleState = false;
    ErrorTimeStopToggleState = true;
    AfterClearToggleState = false;
    OutputSQLToggleState = false;
    CommitModeState = true;
    HistoryShowing = false;
    HistoryWindowWidth = ScaleRound(ClientWindowWidth, 0.3L);
    HistorySplitPos = ScaleRound(HistoryWindowWidth, 0.5L);
    HistoryAutoMove = true;
}

void TWritableCloseTimeEnvData::Assign(const TWritableCloseTimeEnvData& Source) {
    if (&Source != this) *this = Source;
}

// ---- TReadableEnvData

TEnvDataValues::TEnvDataValues() {
    for (size_t i = 0; i < ShortcutKeys.size(); ++i) ShortcutKeys[i] = ShortcutKeyDefaults[i];
    ToolbarPositions.fill(-1);  // no saved position
}

TReadableEnvData::TReadableEnvData() : CloseTimeEnvData(std::make_unique<TWritableCloseTimeEnvData>()) {
    SetDefaults();
}

void TReadableEnvData::SetDefaults() {
    static_cast<TEnvDataValues&>(*this) = TEnvDataValues();
    CloseTimeEnvData->SetDefaults();
}

// ---- TWritableEnvData

void TWritableEnvData::Assign(const TReadableEnvData& Source) {
    if (&Source == this) return;
    static_cast<TEnvDataValues&>(*this) = Source;
    CloseTimeEnvData->Assign(*Source.CloseTimeEnvData);
}
