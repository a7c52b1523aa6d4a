#include <gtest/gtest.h>

#include "ScreenMetrics.h"
#include "T_EnvData.h"
#include "TestUtil.h"

namespace {
class EnvDataTest : public ::testing::Test {
protected:
    void UseScreen(int32_t w, int32_t h) {
        hooks.Set(screen::SetVirtualScreenProvider, [w, h] { return screen::TScreenSize{w, h}; });
    }
    testutil::THookScope hooks;
};
}  // namespace

TEST_F(EnvDataTest, WindowSizesFollowTheVirtualScreen) {
    struct Case {
        int32_t w, h;
        int32_t width, height, descTree, scriptResult, historyWidth, historySplit;
    } cases[] = {
        {1920, 1080, 1728, 972, 518, 292, 518, 259},
        {1914, 1200, 1723, 1080, 517, 324, 517, 258},  // 517 x 0.5 = 258.5 goes to the even 258
        {5, 25, 4, 22, 1, 7, 1, 0},                    // 4.5 -> 4, 22.5 -> 22, 0.5 -> 0
        {106, 15, 95, 14, 29, 4, 29, 14},              // 95 x 0.3 is a hair above 28.5 in extended precision
        {0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        UseScreen(c.w, c.h);
        TWritableCloseTimeEnvData d;
        EXPECT_EQ(d.ClientWindowWidth, c.width) << c.w;
        EXPECT_EQ(d.ClientWindowHeight, c.height) << c.h;
        EXPECT_EQ(d.DescTreePos, c.descTree) << c.w;
        EXPECT_EQ(d.ScriptResultPos, c.scriptResult) << c.h;
        EXPECT_EQ(d.HistoryWindowWidth, c.historyWidth) << c.w;
        EXPECT_EQ(d.HistorySplitPos, c.historySplit) << c.w;
    }
}

TEST_F(EnvDataTest, CloseTimeDefaults) {
    UseScreen(1920, 1080);
    TWritableCloseTimeEnvData d;
    EXPECT_EQ(d.BundleStart, "SQL.ADD(\"");
    EXPECT_EQ(d.BundleEnd, "\")");
    EXPECT_FALSE(d.BundleAdjust);
    EXPECT_FALSE(d.EscapeSQ || d.EscapeDQ || d.EscapeY || d.Escape5C || d.EscapeEscapeDouble);
    EXPECT_FALSE(d.EveryTimeStopToggleState);
    EXPECT_TRUE(d.ErrorTimeStopToggleState);
    EXPECT_FALSE(d.AfterClearToggleState);
    EXPECT_FALSE(d.OutputSQLToggleState);
    EXPECT_TRUE(d.CommitModeState);
    EXPECT_FALSE(d.HistoryShowing);
    EXPECT_TRUE(d.HistoryAutoMove);

    // SetDefaults reads the screen again and puts every field back
    d.EscapeY = true;
    d.BundleEnd = "x";
    d.HistoryAutoMove = false;
    UseScreen(1000, 500);
    d.SetDefaults();
    EXPECT_EQ(d.ClientWindowWidth, 900);
    EXPECT_EQ(d.ClientWindowHeight, 450);
    EXPECT_EQ(d.DescTreePos, 270);
    EXPECT_FALSE(d.EscapeY);
    EXPECT_EQ(d.BundleEnd, "\")");
    EXPECT_TRUE(d.HistoryAutoMove);
}

TEST_F(EnvDataTest, SettingsDefaults) {
    UseScreen(1920, 1080);
    TWritableEnvData d;
    EXPECT_EQ(d.ScriptEditorFontSize, 11);
    EXPECT_FALSE(d.ScriptEditorSoftTab);
    EXPECT_EQ(d.ScriptEditorSoftTabSpaceCount, 4);
    EXPECT_EQ(d.SQLDelimiter, ';');
    EXPECT_EQ(d.CommandPrefix, '#');
    EXPECT_EQ(d.ImportScriptFileNamePrefix, '@');
    EXPECT_EQ(d.FavoriteExecutePrefix, '$');
    EXPECT_TRUE(d.MouseGestureActive);
    EXPECT_EQ(d.CommitMode, acmk_Auto);
    EXPECT_EQ(d.GridCaptionPrefix, "G#");
    EXPECT_EQ(d.ResultScale, ' ');
    EXPECT_EQ(d.ResultScaleSpacer, '-');
    EXPECT_EQ(d.ResultColumnDelim, ' ');
    EXPECT_EQ(d.NullStr, "(NULL)");
    EXPECT_EQ(d.ConvertErrorStr, "■■(変換不可)■■");
    EXPECT_EQ(d.ResultEditorFontSize, 11);
    EXPECT_TRUE(d.ResultEditorSoftTab);
    EXPECT_EQ(d.ResultEditorSoftTabSpaceCount, 4);
    EXPECT_TRUE(d.TabReplace);
    EXPECT_EQ(d.TabRepraceStr, "・");
    EXPECT_FALSE(d.CRLFReplace);
    EXPECT_EQ(d.CRLFReplaceStr, "・・");
    for (int32_t p : d.ToolbarPositions) EXPECT_EQ(p, -1);
    ASSERT_TRUE(d.CloseTimeEnvData);
    EXPECT_EQ(d.CloseTimeEnvData->ClientWindowWidth, 1728);

    const std::pair<const char*, const char*> shortcuts[sk_Count] = {
        {"Connect", "CTRL+F2"}, {"ReConnect", "CTRL+F3"}, {"DisConnect", "CTRL+F4"}, {"ALLSQLExec", "F9"},
        {"SelectedSQLExec", "F8"}, {"NewScript", "F10"}, {"ScriptStop", "F12"}, {"ShowExecSQLToggle", "CTRL+I"},
        {"EveryTimeStopToggle", "CTRL+O"}, {"ErrorTimeStopToggle", "CTRL+P"}, {"OutputSQLToggle", "CTRL+Q"},
        {"AfterClearToggle", "SHIFT+CTRL+C"}, {"SendScriptToHistory", "SHIFT+CTRL+H"},
        {"PrevHistorhyRevival", "CTRL+J"}, {"NextHistorhyRevival", "CTRL+N"}, {"ShowHistoryForm", "CTRL+H"},
        {"ScriptClear", "SHIFT+Esc"}, {"AddResultSeet", "SHIFT+CTRL+N"}, {"DelActiveResultSeet", "SHIFT+CTRL+D"},
        {"DelInActiveResultSeet", "SHIFT+CTRL+T"}, {"EnvEdit", "CTRL+E"}, {"AutoCommitToggle", "CTRL+F5"},
        {"Commit", "CTRL+F6"}, {"RollBack", "CTRL+F7"}, {"NewScriptEditor", "CTRL+F10"},
        {"CloneScriptEditor", "SHIFT+CTRL+F10"}, {"DelActiveScriptSheet", "CTRL+F11"}, {"EditorSearch", "F3"},
        {"EditorSearchReverse", "SHIFT+F3"}, {"EditorSearchShow", "CTRL+F"}, {"ScriptEditorCommentOut", "CTRL+-"},
        {"ScriptEditorCommentReOut", "SHIFT+CTRL+-"},
    };
    for (int i = 0; i < sk_Count; ++i) {
        EXPECT_STREQ(ShortcutKeyNames[static_cast<size_t>(i)], shortcuts[i].first) << i;
        EXPECT_EQ(d.ShortcutKeys[static_cast<size_t>(i)], shortcuts[i].second) << i;
    }
    EXPECT_STREQ(ToolbarPositionNames[tp_ExeCuteGroupTop], "ExeCuteGroupTop");
    EXPECT_STREQ(ToolbarPositionNames[tp_TransactionGroupTop], "TransactionGroupTop");
}

TEST_F(EnvDataTest, SetDefaultsResetsTheCloseTimeRecordToo) {
    TWritableEnvData d;
    TWritableCloseTimeEnvData* ct = d.CloseTimeEnvData.get();
    d.NullStr = "null";
    d.ShortcutKeys[sk_Commit] = "";
    d.ToolbarPositions[tp_LogGroupTop] = 30;
    d.CommitMode = acmk_Env;
    ct->HistoryShowing = true;
    d.SetDefaults();
    EXPECT_EQ(d.NullStr, "(NULL)");
    EXPECT_EQ(d.ShortcutKeys[sk_Commit], "CTRL+F6");
    EXPECT_EQ(d.ToolbarPositions[tp_LogGroupTop], -1);
    EXPECT_EQ(d.CommitMode, acmk_Auto);
    EXPECT_EQ(d.CloseTimeEnvData.get(), ct);
    EXPECT_FALSE(ct->HistoryShowing);
}

TEST_F(EnvDataTest, AssignCopiesEveryFieldIntoItsOwnCloseTimeRecord) {
    TWritableEnvData src, dst;
    src.ScriptEditorFontSize = 14;
    src.SQLDelimiter = '/';
    src.ShortcutKeys[sk_EditorSearch] = "F4";
    src.ToolbarPositions[tp_AboutGroupLeft] = 120;
    src.CommitMode = acmk_Manual;
    src.ConvertErrorStr = "?";
    src.CRLFReplaceStr = "<br>";
    src.CloseTimeEnvData->ClientWindowWidth = 640;
    src.CloseTimeEnvData->BundleStart = "s";
    src.CloseTimeEnvData->Escape5C = true;
    TWritableCloseTimeEnvData* own = dst.CloseTimeEnvData.get();
    dst.Assign(src);
    EXPECT_EQ(dst.ScriptEditorFontSize, 14);
    EXPECT_EQ(dst.SQLDelimiter, '/');
    EXPECT_EQ(dst.ShortcutKeys[sk_EditorSearch], "F4");
    EXPECT_EQ(dst.ToolbarPositions[tp_AboutGroupLeft], 120);
    EXPECT_EQ(dst.CommitMode, acmk_Manual);
    EXPECT_EQ(dst.ConvertErrorStr, "?");
    EXPECT_EQ(dst.CRLFReplaceStr, "<br>");
    EXPECT_EQ(dst.CloseTimeEnvData.get(), own);
    EXPECT_NE(dst.CloseTimeEnvData.get(), src.CloseTimeEnvData.get());
    EXPECT_EQ(own->ClientWindowWidth, 640);
    EXPECT_EQ(own->BundleStart, "s");
    EXPECT_TRUE(own->Escape5C);
    src.CloseTimeEnvData->ClientWindowWidth = 1;  // the two records stay apart
    EXPECT_EQ(own->ClientWindowWidth, 640);
    dst.Assign(dst);
    EXPECT_EQ(dst.ScriptEditorFontSize, 14);
}

TEST(EnvData, CommitModeKinds) {
    const std::pair<TAutoCommitModeKind, const char*> kinds[] = {
        {acmk_UnKnown, "UnKnown"}, {acmk_Auto, "Auto"}, {acmk_Manual, "Manual"}, {acmk_Env, "Env"},
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<int>(kinds[i].first), i);
        EXPECT_STREQ(AutoCommitModeKindName(kinds[i].first), kinds[i].second);
    }
}
