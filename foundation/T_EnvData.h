// The settings records with their defaults: what the settings file stores and
// the settings editor edits, and what is written when the program closes.
// The records hold values only; reading and writing the file is elsewhere.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "T_EscapeOptions.h"

enum TAutoCommitModeKind { acmk_UnKnown, acmk_Auto, acmk_Manual, acmk_Env };

// "UnKnown", "Auto", "Manual", "Env": the texts of the modes in the settings file.
const char* AutoCommitModeKindName(TAutoCommitModeKind Kind);

// The 32 shortcut texts of ShortcutKeys, by action, in this order.
enum TShortcutKeyIndex {
    sk_Connect, sk_ReConnect, sk_DisConnect, sk_ALLSQLExec, sk_SelectedSQLExec, sk_NewScript, sk_ScriptStop,
    sk_ShowExecSQLToggle, sk_EveryTimeStopToggle, sk_ErrorTimeStopToggle, sk_OutputSQLToggle, sk_AfterClearToggle,
    sk_SendScriptToHistory, sk_PrevHistorhyRevival, sk_NextHistorhyRevival, sk_ShowHistoryForm, sk_ScriptClear,
    sk_AddResultSeet, sk_DelActiveResultSeet, sk_DelInActiveResultSeet, sk_EnvEdit, sk_AutoCommitToggle, sk_Commit,
    sk_RollBack, sk_NewScriptEditor, sk_CloneScriptEditor, sk_DelActiveScriptSheet, sk_EditorSearch,
    sk_EditorSearchReverse, sk_EditorSearchShow, sk_ScriptEditorCommentOut, sk_ScriptEditorCommentReOut,
    sk_Count
};
// The action names (the keys of the settings file) and the default texts, by TShortcutKeyIndex.
extern const std::array<const char*, sk_Count> ShortcutKeyNames;
extern const std::array<const char*, sk_Count> ShortcutKeyDefaults;

// The 12 tool bar group positions of ToolbarPositions, in this order.
enum TToolbarPositionIndex {
    tp_ConnectGroupLeft, tp_ConnectGroupTop, tp_ExeCuteGroupLeft, tp_ExeCuteGroupTop, tp_LogGroupLeft,
    tp_LogGroupTop, tp_RunTimeGroupLeft, tp_RunTimeGroupTop, tp_AboutGroupLeft, tp_AboutGroupTop,
    tp_TransactionGroupLeft, tp_TransactionGroupTop,
    tp_Count
};
extern const std::array<const char*, tp_Count> ToolbarPositionNames;

// What is written when the program closes. The window sizes default to parts
// of the virtual screen (screen::VirtualScreenSize), read at every SetDefaults.
class TWritableCloseTimeEnvData : public TEscapeReplaceOptions {
public:
    TWritableCloseTimeEnvData() { SetDefaults(); }
    void SetDefaults();
    void Assign(const TWritableCloseTimeEnvData& Source);

    int32_t ClientWindowWidth = 0;
    int32_t ClientWindowHeight = 0;
    std::string BundleStart;
    std::string BundleEnd;
    bool BundleAdjust = false;
    int32_t DescTreePos = 0;
    int32_t ScriptResultPos = 0;
    bool EveryTimeStopToggleState = false;
    bool ErrorTimeStopToggleState = true;
    bool AfterClearToggleState = false;
    bool OutputSQLToggleState = false;
    bool CommitModeState = true;
    bool HistoryShowing = false;
    int32_t HistoryWindowWidth = 0;
    int32_t HistorySplitPos = 0;
    bool HistoryAutoMove = true;

    // Value x Factor to the nearest integer, halves to the even neighbour, the
    // product taken in extended precision.
    static int32_t ScaleRound(int32_t Value, long double Factor);
};

// The fields of the settings records, each with its default.
struct TEnvDataValues {
    TEnvDataValues();

    int32_t ScriptEditorFontSize = 11;
    bool ScriptEditorSoftTab = false;
    int32_t ScriptEditorSoftTabSpaceCount = 4;
    char SQLDelimiter = ';';
    char CommandPrefix = '#';
    char ImportScriptFileNamePrefix = '@';
    char FavoriteExecutePrefix = '$';
    std::array<std::string, sk_Count> ShortcutKeys;
    std::array<int32_t, tp_Count> ToolbarPositions;
    bool MouseGestureActive = true;
    TAutoCommitModeKind CommitMode = acmk_Auto;
    std::string GridCaptionPrefix = "G#";
    char ResultScale = ' ';
    char ResultScaleSpacer = '-';
    char ResultColumnDelim = ' ';
    std::string NullStr = "(NULL)";
    std::string ConvertErrorStr = "■■(変換不可)■■";
    int32_t ResultEditorFontSize = 11;
    bool ResultEditorSoftTab = true;
    int32_t ResultEditorSoftTabSpaceCount = 4;
    bool TabReplace = true;
    std::string TabRepraceStr = "・";
    bool CRLFReplace = false;
    std::string CRLFReplaceStr = "・・";
};

// The settings record; it always owns one close-time record.
class TReadableEnvData : public TEnvDataValues {
public:
    TReadableEnvData();
    virtual ~TReadableEnvData() = default;
    TReadableEnvData(const TReadableEnvData&) = delete;
    TReadableEnvData& operator=(const TReadableEnvData&) = delete;

    // Every field to its default, the close-time record included.
    void SetDefaults();

    std::unique_ptr<TWritableCloseTimeEnvData> CloseTimeEnvData;
};

// The record every part of the system creates.
class TWritableEnvData : public TReadableEnvData {
public:
    // Copies every field of Source; the own close-time record stays the same
    // object and takes the values of Source's.
    void Assign(const TReadableEnvData& Source);
};
