#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "KZNMemIniFile.h"
#include "ScreenMetrics.h"
#include "ShortCutText.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "U_CloseTimeSaves.h"
#include "U_Environment.h"

namespace {

class EnvironmentTest : public ::testing::Test {
protected:
    testutil::THookScope hooks;
    void SetUp() override {
        hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1920, 1080}; });
        Dir = testutil::TempFolder(std::string("env-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        File = Dir + "zintavor.Environment";
    }

    void Write(const std::string& bytes, const std::string& name = std::string()) {
        ASSERT_TRUE(fs932::WriteFileAtomic(name.empty() ? File : name, bytes));
    }
    std::string Read(const std::string& name = std::string()) {
        std::string bytes;
        fs932::ReadFile(name.empty() ? File : name, bytes);
        return bytes;
    }

    std::string Dir, File;
};

// The file a default record makes, byte for byte (virtual screen 1920 x 1080).
const char* const kDefaultFile =
    "[CLOSETIMEESAVE]\r\n"
    "CLIENTWINDOWSIZE_W=1728\r\n"
    "CLIENTWINDOWSIZE_H=972\r\n"
    "DESCTREEPOS=518\r\n"
    "SCRIPT_RESULTPOS=292\r\n"
    "HISTORYSHOWING=0\r\n"
    "HISTORYWINDOW_W=518\r\n"
    "HISTORYSPLITPOS=259\r\n"
    "HISTORYAUTOMOVE=1\r\n"
    "BUNDLE_START=SQL.ADD(\"\r\n"
    "BUNDLE_END=\")\r\n"
    "BUNDLE_ADJUST=0\r\n"
    "EVERYTIMESTOPTOGGLE_STATE=0\r\n"
    "ERRORTIMESTOPTOGGLE_STATE=1\r\n"
    "AFTERCLEARTOGGLE_STATE=0\r\n"
    "OUTPUTSQLTOGGLE_STATE=0\r\n"
    "ESCAPE_SQ=0\r\n"
    "ESCAPE_DQ=0\r\n"
    "ESCAPE_Y=0\r\n"
    "ESCAPE_5C=0\r\n"
    "ESCAPE_ESCAPEDOUBLE=0\r\n"
    "CommitModeState=1\r\n"
    "\r\n"
    "[SCRIPTEDITOR]\r\n"
    "FontSize=11\r\n"
    "SoftTab=0\r\n"
    "SoftTabSpaceCount=4\r\n"
    "\r\n"
    "[SCRIPTPREFIX]\r\n"
    "Command=\"#\"\r\n"
    "FavoriteExecute=\"$\"\r\n"
    "ImportScriptFileName=\"@\"\r\n"
    "\r\n"
    "[SQLDELIMITER]\r\n"
    "Delimiter=\";\"\r\n"
    "\r\n"
    "[RESULTEDITOR]\r\n"
    "FontSize=11\r\n"
    "CRLFReplace=0\r\n"
    "CRLFReplaceStr=1\r\n"
    "TabRepraceStr=・\r\n"
    "SoftTab=1\r\n"
    "SoftTabSpaceCount=4\r\n"
    "Scale=\" \"\r\n"
    "ScaleSpacer=\"-\"\r\n"
    "ColumnDelim=\" \"\r\n"
    "NullStr=(NULL)\r\n"
    "ConvertErrorStr=■■(変換不可)■■\r\n"
    "CRLFReplaceText=\"・・\"\r\n"
    "\r\n"
    "[SHORTCUTKEYS]\r\n"
    "Connect=CTRL+F2\r\n"
    "ReConnect=CTRL+F3\r\n"
    "DisConnect=CTRL+F4\r\n"
    "ALLSQLExec=F9\r\n"
    "SelectedSQLExec=F8\r\n"
    "NewScript=F10\r\n"
    "ScriptStop=F12\r\n"
    "ScriptClear=SHIFT+Esc\r\n"
    "ShowExecSQLToggle=CTRL+I\r\n"
    "EveryTimeStopToggle=CTRL+O\r\n"
    "ErrorTimeStopToggle=CTRL+P\r\n"
    "OutputSQLToggle=CTRL+Q\r\n"
    "AfterClearToggle=SHIFT+CTRL+C\r\n"
    "SendScriptToHistory=SHIFT+CTRL+H\r\n"
    "PrevHistorhyRevival=CTRL+J\r\n"
    "NextHistorhyRevival=CTRL+N\r\n"
    "ShowHistoryForm=CTRL+H\r\n"
    "AddResultSeet=SHIFT+CTRL+N\r\n"
    "DelActiveResultSeet=SHIFT+CTRL+D\r\n"
    "DelInActiveResultSeet=SHIFT+CTRL+T\r\n"
    "EnvEdit=CTRL+E\r\n"
    "AutoCommitToggle=CTRL+F5\r\n"
    "Commit=CTRL+F6\r\n"
    "RollBack=CTRL+F7\r\n"
    "NewScriptEditor=CTRL+F10\r\n"
    "CloneScriptEditor=SHIFT+CTRL+F10\r\n"
    "DelActiveScriptSheet=CTRL+F11\r\n"
    "EditorSearch=F3\r\n"
    "EditorSearchReverse=SHIFT+F3\r\n"
    "EditorSearchShow=CTRL+F\r\n"
    "ScriptEditorCommentOut=CTRL+-\r\n"
    "ScriptEditorCommentReOut=SHIFT+CTRL+-\r\n"
    "\r\n"
    "[TOOLBARPOS]\r\n"
    "ConnectGroupLeft=-1\r\n"
    "ConnectGroupTop=-1\r\n"
    "ExeCuteGroupLeft=-1\r\n"
    "ExeCuteGroupTop=-1\r\n"
    "LogGroupLeft=-1\r\n"
    "LogGroupTop=-1\r\n"
    "RunTimeGroupLeft=-1\r\n"
    "RunTimeGroupTop=-1\r\n"
    "AboutGroupLeft=-1\r\n"
    "AboutGroupTop=-1\r\n"
    "TransactionGroupLeft=-1\r\n"
    "TransactionGroupTop=-1\r\n"
    "\r\n"
    "[MOUSEJESTURE]\r\n"
    "Active=1\r\n"
    "\r\n"
    "[TRANSACTION]\r\n"
    "CommitMode=Auto\r\n"
    "\r\n"
    "[GRID]\r\n"
    "GridCaptionPrefix=G#\r\n"
    "\r\n";

}  // namespace

TEST_F(EnvironmentTest, ADefaultRecordIsWrittenWithEveryKeyInOrder) {
    TEnvironment env(File);
    env.Save();
    EXPECT_EQ(Read(), kDefaultFile);
    // a second save of the same record changes nothing
    env.Save();
    EXPECT_EQ(Read(), kDefaultFile);
}

TEST_F(EnvironmentTest, FilesInRecordsOut) {
    struct Case {
        const char* name;
        std::string file;
        bool damaged;
        std::function<void(const TWritableEnvData&)> check;
    };
    const Case cases[] = {
        {"empty file", "", false,
         [](const TWritableEnvData& d) {
             TWritableEnvData defaults;
             EXPECT_EQ(d.ScriptEditorFontSize, defaults.ScriptEditorFontSize);
             EXPECT_EQ(d.CommitMode, acmk_Auto);
             EXPECT_EQ(d.CloseTimeEnvData->ClientWindowWidth, 1728);
             EXPECT_EQ(d.CRLFReplaceStr, "・・");
         }},
        {"char values", "[SCRIPTPREFIX]\r\nCommand=\"%\"\r\nFavoriteExecute=!\r\n[SQLDELIMITER]\r\nDelimiter=\"/\"x\r\n"
                        "[RESULTEDITOR]\r\nScale=\r\nScaleSpacer=\"\"\"\r\nColumnDelim=\"|\"\r\n",
         false,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.CommandPrefix, '%');
             EXPECT_EQ(d.FavoriteExecutePrefix, '!');       // one byte: that byte
             EXPECT_EQ(d.SQLDelimiter, '/');                // the byte after the first double quote
             EXPECT_EQ(d.ImportScriptFileNamePrefix, '@');  // missing: the default
             EXPECT_EQ(d.ResultScale, ' ');                 // empty: a blank
             EXPECT_EQ(d.ResultScaleSpacer, '\"');          // a stored double quote reads back
             EXPECT_EQ(d.ResultColumnDelim, '|');
         }},
        {"half-width katakana prefix", "[SCRIPTPREFIX]\r\nCommand=\"\xB1\"\r\n", false,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.CommandPrefix, '\xB1'); }},
        {"commit mode in lower case", "[TRANSACTION]\r\nCommitMode=manual\r\n", false,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.CommitMode, acmk_Manual); }},
        {"commit mode Env", "[TRANSACTION]\r\nCommitMode=ENV\r\n[CLOSETIMEESAVE]\r\nCommitModeState=0\r\n", false,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.CommitMode, acmk_Env);
             EXPECT_FALSE(d.CloseTimeEnvData->CommitModeState);
         }},
        {"commit mode UnKnown", "[TRANSACTION]\r\nCommitMode=unknown\r\n", false,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.CommitMode, acmk_UnKnown); }},
        {"the key CRLFReplaceStr holds the tab switch", "[RESULTEDITOR]\r\nCRLFReplaceStr=0\r\nCRLFReplace=1\r\n", false,
         [](const TWritableEnvData& d) {
             EXPECT_FALSE(d.TabReplace);
             EXPECT_TRUE(d.CRLFReplace);
             EXPECT_EQ(d.CRLFReplaceStr, "・・");
         }},
        {"an older file: CRLFReplaceStr=1 and no text key", "[RESULTEDITOR]\r\nCRLFReplaceStr=1\r\n", false,
         [](const TWritableEnvData& d) {
             EXPECT_TRUE(d.TabReplace);
             EXPECT_EQ(d.CRLFReplaceStr, "・・");
         }},
        {"the line-break text keeps its blanks", "[RESULTEDITOR]\r\nCRLFReplaceText=\" ↓ \"\r\n", false,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.CRLFReplaceStr, " ↓ "); }},
        {"the line-break text written by hand without quotes", "[RESULTEDITOR]\r\nCRLFReplaceText=<br>\r\n", false,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.CRLFReplaceStr, "<br>"); }},
        {"hexadecimal and signed integers", "[SCRIPTEDITOR]\r\nFontSize=$10\r\n[TOOLBARPOS]\r\nLogGroupTop=+25\r\n", false,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.ScriptEditorFontSize, 16);
             EXPECT_EQ(d.ToolbarPositions[tp_LogGroupTop], 25);
         }},
        {"section and key names in any case", "[scripteditor]\r\nfontsize=20\r\n[closetimeesave]\r\nhistoryshowing=1\r\n",
         false,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.ScriptEditorFontSize, 20);
             EXPECT_TRUE(d.CloseTimeEnvData->HistoryShowing);
         }},
        {"comments and empty values", "; settings\r\n# hand notes\r\n[SCRIPTEDITOR]\r\nFontSize=\r\nSoftTab=\r\n", false,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.ScriptEditorFontSize, 11);
             EXPECT_FALSE(d.ScriptEditorSoftTab);
         }},
        {"a word where a number belongs", "[SCRIPTEDITOR]\r\nFontSize=big\r\nSoftTab=yes\r\nSoftTabSpaceCount=6\r\n", true,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.ScriptEditorFontSize, 11);
             EXPECT_FALSE(d.ScriptEditorSoftTab);
             EXPECT_EQ(d.ScriptEditorSoftTabSpaceCount, 6);  // the readable value next to them is used
         }},
        {"numbers out of range are clamped",
         "[SCRIPTEDITOR]\r\nFontSize=500\r\nSoftTabSpaceCount=0\r\n[RESULTEDITOR]\r\nFontSize=-3\r\n"
         "[TOOLBARPOS]\r\nConnectGroupLeft=-40\r\nConnectGroupTop=99999\r\n",
         true,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.ScriptEditorFontSize, 72);
             EXPECT_EQ(d.ScriptEditorSoftTabSpaceCount, 2);
             EXPECT_EQ(d.ResultEditorFontSize, 2);
             EXPECT_EQ(d.ToolbarPositions[tp_ConnectGroupLeft], -1);
             EXPECT_EQ(d.ToolbarPositions[tp_ConnectGroupTop], 32767);
         }},
        {"window sizes and splitters out of range",
         "[CLOSETIMEESAVE]\r\nCLIENTWINDOWSIZE_W=800\r\nCLIENTWINDOWSIZE_H=-2147483648\r\nDESCTREEPOS=5000\r\n"
         "SCRIPT_RESULTPOS=-1\r\nHISTORYWINDOW_W=300\r\nHISTORYSPLITPOS=2147483647\r\n",
         true,
         [](const TWritableEnvData& d) {
             const TWritableCloseTimeEnvData& c = *d.CloseTimeEnvData;
             EXPECT_EQ(c.ClientWindowWidth, 800);
             EXPECT_EQ(c.ClientWindowHeight, 100);
             EXPECT_EQ(c.DescTreePos, 800);    // at most the window's width
             EXPECT_EQ(c.ScriptResultPos, 0);
             EXPECT_EQ(c.HistoryWindowWidth, 300);
             EXPECT_EQ(c.HistorySplitPos, 300);  // at most the history window's width
         }},
        {"a number too large for 32 bits", "[CLOSETIMEESAVE]\r\nCLIENTWINDOWSIZE_W=4294967296\r\n", true,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.CloseTimeEnvData->ClientWindowWidth, 1728); }},
        {"prefix characters that cannot be prefixes",
         "[SCRIPTPREFIX]\r\nCommand=\"\"\r\nFavoriteExecute=\"\x82\"\r\nImportScriptFileName=\"\t\"\r\n"
         "[SQLDELIMITER]\r\nDelimiter=ab\r\n[RESULTEDITOR]\r\nColumnDelim=\"\x7F\"\r\n",
         true,
         [](const TWritableEnvData& d) {
             EXPECT_EQ(d.CommandPrefix, '#');
             EXPECT_EQ(d.FavoriteExecutePrefix, '$');
             EXPECT_EQ(d.ImportScriptFileNamePrefix, '@');
             EXPECT_EQ(d.SQLDelimiter, ';');
             EXPECT_EQ(d.ResultColumnDelim, ' ');
         }},
        {"an unknown commit mode leaves Auto", "[TRANSACTION]\r\nCommitMode=Sometimes\r\n", true,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.CommitMode, acmk_Auto); }},
        {"lines that are not ini lines", "garbage before\r\n[SCRIPTEDITOR]\r\nFontSize=14\r\nno equals sign here\r\n", true,
         [](const TWritableEnvData& d) { EXPECT_EQ(d.ScriptEditorFontSize, 14); }},
        {"binary garbage", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + "\xFF\xFE\x01\r\n[GRID]\r\nGridCaptionPrefix=R#\r\n",
         true, [](const TWritableEnvData& d) { EXPECT_EQ(d.GridCaptionPrefix, "R#"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write(c.file);
        fs932::DeleteFile(File + ".bad");
        TWritableEnvData d;
        d.ScriptEditorFontSize = 99;  // anything the record held before is replaced
        TEnvLoadResult r = TEnvironment::LoadFromFile(File, d);
        EXPECT_EQ(r.Damaged, c.damaged);
        EXPECT_EQ(r.Problems.empty(), !c.damaged);
        EXPECT_EQ(fs932::FileExists(File + ".bad"), c.damaged);
        if (c.damaged) {
            EXPECT_EQ(Read(File + ".bad"), c.file);
            // the damage was replaced by what could be read: the next start finds a sound file with the same values
            TWritableEnvData again;
            TEnvLoadResult next = TEnvironment::LoadFromFile(File, again);
            EXPECT_FALSE(next.Damaged) << Read();
            c.check(again);
        } else {
            EXPECT_EQ(Read(), c.file);  // a sound file is never written by loading
        }
        c.check(d);
    }
}

TEST_F(EnvironmentTest, AMissingFileGivesTheDefaultsAndIsNotCreated) {
    TEnvironment env(File);
    env.EnvData->NullStr = "x";
    TEnvLoadResult r = env.Load();
    EXPECT_FALSE(r.Damaged);
    EXPECT_EQ(r.Message, "");
    EXPECT_EQ(env.EnvData->NullStr, "(NULL)");
    EXPECT_FALSE(fs932::FileExists(File));
}

TEST_F(EnvironmentTest, ADamagedFileIsKeptBesideAndReportedOnce) {
    const std::string damaged = "[SCRIPTEDITOR]\r\nFontSize=abc\r\n[MINE]\r\nkeep=1\r\n[JUNK]\r\nno equals\r\nk=v\r\n";
    Write(damaged);
    ASSERT_EQ(chmod(fs932::ToNative(File).c_str(), 0600), 0);
    TEnvironment env(File);
    TEnvLoadResult first = env.Load();
    EXPECT_TRUE(first.Damaged);
    EXPECT_EQ(first.BackupFileName, File + ".bad");
    EXPECT_EQ(Read(File + ".bad"), damaged);
    EXPECT_EQ(first.Problems, (std::vector<std::string>{"読めない行：no equals", "[SCRIPTEDITOR] FontSize=abc"}));
    EXPECT_EQ(first.Message, "設定ファイル「" + File +
                                 "」に使えない値がありました。読めた値を使い、ほかは既定の設定にしました。\r\n"
                                 "元のファイルは「" + File + ".bad」に残しました。\r\n"
                                 "読めない行：no equals\r\n[SCRIPTEDITOR] FontSize=abc\r\n");

    // the file was written whole at once: every section of the record, the
    // sound section it does not know, not the unsound one; the mode stays
    const std::string repaired = Read();
    EXPECT_EQ(repaired.find("[CLOSETIMEESAVE]\r\n"), 0u) << repaired;
    EXPECT_NE(repaired.find("[SCRIPTEDITOR]\r\nFontSize=11\r\n"), std::string::npos) << repaired;
    EXPECT_NE(repaired.find("[GRID]\r\n"), std::string::npos) << repaired;
    EXPECT_NE(repaired.find("[MINE]\r\nkeep=1\r\n"), std::string::npos) << repaired;
    EXPECT_EQ(repaired.find("JUNK"), std::string::npos) << repaired;
    struct stat st;
    ASSERT_EQ(stat(fs932::ToNative(File).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // the next start finds nothing to report
    TWritableEnvData other;
    TEnvLoadResult second = TEnvironment::LoadFromFile(File, other);
    EXPECT_FALSE(second.Damaged);
    EXPECT_EQ(second.Message, "");

    // a file that cannot be repaired: its damage is reported once, whatever the close-time save changes
    Write("[SCRIPTEDITOR]\r\nFontSize=1000\r\n");
    ASSERT_EQ(chmod(fs932::ToNative(File).c_str(), 0444), 0);
    TEnvLoadResult third = env.Load();
    EXPECT_NE(third.Message, "");
    EXPECT_EQ(third.BackupFileName, File + ".bad2");
    EXPECT_EQ(Read(File + ".bad"), damaged);  // the first copy is kept
    EXPECT_EQ(Read(File + ".bad2"), "[SCRIPTEDITOR]\r\nFontSize=1000\r\n");
    TEnvLoadResult fourth = env.Load();
    EXPECT_TRUE(fourth.Damaged);
    EXPECT_EQ(fourth.Message, "");
    EXPECT_FALSE(fs932::FileExists(File + ".bad3"));
    ASSERT_EQ(chmod(fs932::ToNative(File).c_str(), 0644), 0);
}

TEST_F(EnvironmentTest, TheReportListsAtMostTenFindings) {
    std::string file = "[TOOLBARPOS]\r\n";
    for (const char* name : ToolbarPositionNames) file += std::string(name) + "=x\r\n";
    Write(file);
    TWritableEnvData d;
    TEnvLoadResult r = TEnvironment::LoadFromFile(File, d);
    EXPECT_EQ(r.Problems.size(), 12u);
    EXPECT_NE(r.Message.find("[TOOLBARPOS] AboutGroupTop=x\r\nほか 2 件\r\n"), std::string::npos);
    EXPECT_EQ(r.Message.find("TransactionGroupLeft"), std::string::npos);
}

namespace {
// A value other than the default in every field of a record.
void SetEveryField(TWritableEnvData& d) {
    d.ScriptEditorFontSize = 14;
    d.ScriptEditorSoftTab = true;
    d.ScriptEditorSoftTabSpaceCount = 8;
    d.SQLDelimiter = '/';
    d.CommandPrefix = '!';
    d.ImportScriptFileNamePrefix = '&';
    d.FavoriteExecutePrefix = '%';
    for (size_t i = 0; i < sk_Count; ++i) d.ShortcutKeys[i] = i % 2 ? "Shift+Ctrl+F" + std::to_string(i % 12 + 1) : "";
    for (size_t i = 0; i < tp_Count; ++i) d.ToolbarPositions[i] = static_cast<int32_t>(i * 17);
    d.MouseGestureActive = false;
    d.CommitMode = acmk_Env;
    d.GridCaptionPrefix = "表#";                 // 0x95 0x5C: a trail byte that is '\'
    d.ResultScale = '+';
    d.ResultScaleSpacer = '=';
    d.ResultColumnDelim = '|';
    d.NullStr = "＜ヌル＞";
    d.ConvertErrorStr = "ソ能表十";              // every one of them ends in 0x5C
    d.ResultEditorFontSize = 9;
    d.ResultEditorSoftTab = false;
    d.ResultEditorSoftTabSpaceCount = 6;
    d.TabReplace = false;
    d.TabRepraceStr = "→";
    d.CRLFReplace = true;
    d.CRLFReplaceStr = " ↓ ";
    TWritableCloseTimeEnvData& c = *d.CloseTimeEnvData;
    c.ClientWindowWidth = 1000;
    c.ClientWindowHeight = 700;
    c.BundleStart = "s += \"";
    c.BundleEnd = "\";";
    c.BundleAdjust = true;
    c.EscapeSQ = c.EscapeY = c.EscapeEscapeDouble = true;
    c.DescTreePos = 250;
    c.ScriptResultPos = 300;
    c.EveryTimeStopToggleState = c.AfterClearToggleState = true;
    c.ErrorTimeStopToggleState = false;
    c.CommitModeState = false;
    c.HistoryShowing = true;
    c.HistoryWindowWidth = 400;
    c.HistorySplitPos = 123;
    c.HistoryAutoMove = false;
}
}  // namespace

TEST_F(EnvironmentTest, EveryFieldSurvivesSaveAndLoadByteForByte) {
    TEnvironment env(File);
    SetEveryField(*env.EnvData);
    env.Save();
    const std::string saved = Read();
    EXPECT_NE(saved.find("GridCaptionPrefix=\x95\x5C#\r\n"), std::string::npos) << testutil::Hex(saved);
    EXPECT_NE(saved.find("ConvertErrorStr=\x83\x5C\x94\x5C\x95\x5C\x8F\x5C\r\n"), std::string::npos);
    EXPECT_NE(saved.find("CRLFReplaceStr=0\r\n"), std::string::npos);  // the tab switch
    EXPECT_NE(saved.find("CRLFReplaceText=\" ↓ \"\r\n"), std::string::npos);
    EXPECT_NE(saved.find("CommitMode=Env\r\n"), std::string::npos);

    TEnvironment again(File);
    EXPECT_FALSE(again.Load().Damaged);
    const TWritableEnvData& e = *again.EnvData;
    EXPECT_EQ(e.GridCaptionPrefix, "表#");
    EXPECT_EQ(e.ConvertErrorStr, "ソ能表十");
    EXPECT_EQ(e.CRLFReplaceStr, " ↓ ");
    EXPECT_FALSE(e.TabReplace);
    EXPECT_EQ(e.CommitMode, acmk_Env);
    EXPECT_EQ(e.ShortcutKeys[sk_Connect], "");
    EXPECT_EQ(e.CloseTimeEnvData->BundleStart, "s += \"");
    EXPECT_EQ(e.CloseTimeEnvData->HistorySplitPos, 123);
    // what was read writes the very same bytes
    fs932::DeleteFile(File);
    again.Save();
    EXPECT_EQ(Read(), saved);
}

TEST_F(EnvironmentTest, LineBreaksInsideAValueCannotBreakTheFile) {
    TEnvironment env(File);
    env.EnvData->NullStr = "a\r\n[GRID]\r\nGridCaptionPrefix=X";
    env.Save();
    TEnvironment again(File);
    EXPECT_FALSE(again.Load().Damaged);
    EXPECT_EQ(again.EnvData->NullStr, "a[GRID]GridCaptionPrefix=X");
    EXPECT_EQ(again.EnvData->GridCaptionPrefix, "G#");
}

TEST_F(EnvironmentTest, SaveKeepsUnknownSectionsAndDropsHandWrittenKeysOfKnownOnes) {
    Write("[MYTOOL]\r\nPath=C:\\表\\x\r\n\r\n[SCRIPTEDITOR]\r\nFontSize=15\r\nMyKey=1\r\n\r\n"
          "[CLOSETIMEESAVE]\r\nMyCloseKey=1\r\n");
    TEnvironment env(File);
    env.Load();
    env.Save();
    const std::string once = Read();
    EXPECT_EQ(once.rfind("[MYTOOL]\r\nPath=C:\\表\\x\r\n\r\n[CLOSETIMEESAVE]\r\n", 0), 0u) << once;
    EXPECT_EQ(once.find("MyKey"), std::string::npos);
    EXPECT_EQ(once.find("MyCloseKey"), std::string::npos);
    EXPECT_NE(once.find("[SCRIPTEDITOR]\r\nFontSize=15\r\n"), std::string::npos);
    env.Save();
    EXPECT_EQ(Read(), once);
}

TEST_F(EnvironmentTest, SaveCloseTimeWritesOnlyItsSection) {
    const std::string others = "[SCRIPTEDITOR]\r\nFontSize=15\r\nMyKey=1\r\n\r\n[GRID]\r\nGridCaptionPrefix=Q#\r\n\r\n";
    Write(others + "[CLOSETIMEESAVE]\r\nMyCloseKey=1\r\nHISTORYSHOWING=0\r\n\r\n");
    TEnvironment env(File);  // not loaded: the record holds the defaults
    env.EnvData->CloseTimeEnvData->HistoryShowing = true;
    env.EnvData->ScriptEditorFontSize = 30;  // not written by SaveCloseTime
    env.SaveCloseTime();
    const std::string text = Read();
    EXPECT_EQ(text.rfind(others + "[CLOSETIMEESAVE]\r\nCLIENTWINDOWSIZE_W=1728\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("HISTORYSHOWING=1\r\n"), std::string::npos);
    EXPECT_EQ(text.find("MyCloseKey"), std::string::npos);
    env.SaveCloseTime();
    EXPECT_EQ(Read(), text);
}

// Written into an open ini component, the close-time section is what the save
// at close writes: the section erased, then its keys in order; the rest of the
// file as it was.
TEST_F(EnvironmentTest, WriteCloseTimeSectionWritesWhatTheSaveAtCloseWrites) {
    const std::string others = "[SCRIPTEDITOR]\r\nFontSize=15\r\n\r\n";
    const std::string stale = others + "[CLOSETIMEESAVE]\r\nMyCloseKey=1\r\nHISTORYSHOWING=0\r\n\r\n";
    Write(stale);
    TEnvironment env(File);
    env.EnvData->CloseTimeEnvData->HistoryShowing = true;
    env.SaveCloseTime();
    const std::string saved = Read();
    Write(stale);
    TKZNMemIniFile ini;
    ini.SetRunTimeFileName(File);
    ini.Open();
    env.WriteCloseTimeSection(ini);
    ini.UpdateFile();
    EXPECT_EQ(Read(), saved);
    EXPECT_EQ(saved.find("MyCloseKey"), std::string::npos);
    EXPECT_NE(saved.find("HISTORYSHOWING=1\r\n"), std::string::npos);
}

TEST_F(EnvironmentTest, TheFileIsReplacedNotRewrittenInPlace) {
    Write("[GRID]\r\nGridCaptionPrefix=OLD\r\n");
    std::ifstream before(fs932::ToNative(File), std::ios::binary);  // holds the old file open
    TEnvironment env(File);
    env.Save();
    std::string old((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());
    EXPECT_EQ(old, "[GRID]\r\nGridCaptionPrefix=OLD\r\n");
    EXPECT_EQ(Read(), kDefaultFile);
    std::vector<fs932::DirEntry> entries;
    ASSERT_TRUE(fs932::ListDirectory(Dir, entries));
    ASSERT_EQ(entries.size(), 2u);  // no temporary file left behind; the lock file stays for the next save
    EXPECT_EQ(entries[0].Name, "zintavor.Environment");
    EXPECT_EQ(entries[1].Name, "zintavor.Environment.lock");
}

TEST_F(EnvironmentTest, AReadOnlyFileIsNeverWritten) {
    Write("[GRID]\r\nGridCaptionPrefix=RO\r\n");
    ASSERT_EQ(chmod(fs932::ToNative(File).c_str(), 0444), 0);
    TEnvironment env(File);
    EXPECT_FALSE(env.IsWritable());
    env.Save();
    env.SaveCloseTime();
    EXPECT_EQ(Read(), "[GRID]\r\nGridCaptionPrefix=RO\r\n");
    chmod(fs932::ToNative(File).c_str(), 0644);
    EXPECT_TRUE(env.IsWritable());
}

TEST_F(EnvironmentTest, SetDefaultsResetsTheCloseTimeRecordToo) {
    TEnvironment env(File);
    env.EnvData->SQLDelimiter = '/';
    env.EnvData->CloseTimeEnvData->HistoryShowing = true;
    env.SetDefaults();
    EXPECT_EQ(env.GetEnvData().SQLDelimiter, ';');
    EXPECT_FALSE(env.GetEnvData().CloseTimeEnvData->HistoryShowing);
}

TEST(EnvironmentLayout, ScriptAreaNeverOpensCollapsed) {
    struct Case {
        int32_t saved, panel, expected;
    } cases[] = {
        {0, 600, 300},   {50, 600, 300},  {51, 600, 51},   {-20, 600, 300}, {600, 600, 300},
        {550, 600, 300}, {549, 600, 549}, {640, 600, 300}, {651, 600, 651}, {0, 301, 150},  // 150.5 to the even 150
        {0, 303, 152},                                                                       // 151.5 to the even 152
    };
    for (const Case& c : cases)
        EXPECT_EQ(TEnvironment::ScriptAreaHeight(c.saved, c.panel), c.expected) << c.saved << " in " << c.panel;
}

TEST(EnvironmentLayout, CommitModeGivesTheOpeningAutoCommitState) {
    EXPECT_TRUE(TEnvironment::IsAutoCommitFor(acmk_UnKnown, false));
    EXPECT_TRUE(TEnvironment::IsAutoCommitFor(acmk_Auto, false));
    EXPECT_FALSE(TEnvironment::IsAutoCommitFor(acmk_Manual, true));
    EXPECT_FALSE(TEnvironment::IsAutoCommitFor(acmk_Env, false));
    EXPECT_TRUE(TEnvironment::IsAutoCommitFor(acmk_Env, true));
}

TEST(EnvironmentLayout, ResultTextFieldsAreCopiedAndNothingElse) {
    TWritableEnvData s, d;
    SetEveryField(s);
    TEnvironment::AssignResultTextFields(s, d);
    EXPECT_EQ(d.ResultEditorFontSize, s.ResultEditorFontSize);
    EXPECT_EQ(d.ResultEditorSoftTab, s.ResultEditorSoftTab);
    EXPECT_EQ(d.ResultEditorSoftTabSpaceCount, s.ResultEditorSoftTabSpaceCount);
    EXPECT_EQ(d.TabReplace, s.TabReplace);
    EXPECT_EQ(d.TabRepraceStr, s.TabRepraceStr);
    EXPECT_EQ(d.CRLFReplace, s.CRLFReplace);
    EXPECT_EQ(d.CRLFReplaceStr, s.CRLFReplaceStr);
    EXPECT_EQ(d.ResultScale, s.ResultScale);
    EXPECT_EQ(d.ResultScaleSpacer, s.ResultScaleSpacer);
    EXPECT_EQ(d.ResultColumnDelim, s.ResultColumnDelim);
    EXPECT_EQ(d.NullStr, s.NullStr);
    EXPECT_EQ(d.ConvertErrorStr, s.ConvertErrorStr);
    // nothing else
    EXPECT_EQ(d.ScriptEditorFontSize, 11);
    EXPECT_EQ(d.GridCaptionPrefix, "G#");
    EXPECT_EQ(d.CommitMode, acmk_Auto);
    EXPECT_EQ(d.CloseTimeEnvData->HistorySplitPos, TWritableCloseTimeEnvData().HistorySplitPos);
}

TEST_F(EnvironmentTest, EverySaveAtCloseIsAttemptedAfterAFailure) {
    TCloseTimeSaves saves;
    saves.Add("履歴ファイル", "/d/x.History", [] { throw EFCreateError("ファイル x.History を作成できません"); });
    saves.Add("設定ファイル", File, [this] {
        TEnvironment env(File);
        env.EnvData->CloseTimeEnvData->HistoryShowing = true;
        env.SaveCloseTime();
    });
    saves.Add("その他", "/d/other", [] { throw std::runtime_error("disk full"); });
    EXPECT_EQ(saves.Run(),
              "履歴ファイルの保存に失敗しました。[/d/x.History]\r\nファイル x.History を作成できません\r\n"
              "その他の保存に失敗しました。[/d/other]\r\ndisk full\r\n");
    EXPECT_NE(Read().find("HISTORYSHOWING=1\r\n"), std::string::npos);

    TCloseTimeSaves fine;
    fine.Add("設定ファイル", File, [] {});
    EXPECT_EQ(fine.Run(), "");
}

TEST(EnvironmentShortcuts, EveryDefaultTextNamesAKeyAndReadsBackInTheToolkitsWords) {
    for (size_t i = 0; i < sk_Count; ++i) {
        shortcut::TShortCut k = shortcut::TextToShortCut(ShortcutKeyDefaults[i]);
        EXPECT_FALSE(k.IsEmpty()) << ShortcutKeyNames[i];
        EXPECT_TRUE(sys::SameText(shortcut::ShortCutToText(k), ShortcutKeyDefaults[i])) << ShortcutKeyNames[i];
    }
}

// Another copy of the program saved after this one read the file: a key this
// copy changed is written as it has it, every other key as the file holds it.
TEST_F(EnvironmentTest, AKeyThisCopyDidNotChangeKeepsWhatAnotherCopySaved) {
    Write("[SCRIPTEDITOR]\r\nFontSize=11\r\n\r\n[GRID]\r\nGridCaptionPrefix=G#\r\n\r\n"
          "[CLOSETIMEESAVE]\r\nHISTORYSHOWING=0\r\nHISTORYWINDOW_W=500\r\nOUTPUTSQLTOGGLE_STATE=0\r\n\r\n");
    TEnvironment mine(File), other(File);
    mine.Load();
    other.Load();
    other.EnvData->ScriptEditorFontSize = 20;
    other.EnvData->CloseTimeEnvData->OutputSQLToggleState = true;
    other.EnvData->CloseTimeEnvData->HistoryWindowWidth = 600;
    other.Save();

    mine.EnvData->CloseTimeEnvData->HistoryShowing = true;
    mine.EnvData->CloseTimeEnvData->HistoryWindowWidth = 700;  // changed by both: the later save's
    mine.SaveCloseTime();
    std::string text = Read();
    for (const char* line : {"FontSize=20\r\n", "HISTORYSHOWING=1\r\n", "HISTORYWINDOW_W=700\r\n", "OUTPUTSQLTOGGLE_STATE=1\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

    mine.EnvData->GridCaptionPrefix = "A#";
    mine.Save();
    text = Read();
    for (const char* line : {"FontSize=20\r\n", "GridCaptionPrefix=A#\r\n", "HISTORYSHOWING=1\r\n", "OUTPUTSQLTOGGLE_STATE=1\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    // what it wrote is what it read from now on: saved again, the file stays
    mine.Save();
    EXPECT_EQ(Read(), text);
}

// A FIFO or a device in the file's place: the defaults, one message, no copy,
// never written.
TEST_F(EnvironmentTest, AFifoInPlaceOfTheFileGivesTheDefaultsAndIsLeftAlone) {
    ASSERT_EQ(mkfifo(fs932::ToNative(File).c_str(), 0644), 0);
    TEnvironment env(File);
    const TEnvLoadResult r = env.Load();
    EXPECT_NE(r.Message.find("ファイル " + File + " を開けません"), std::string::npos) << r.Message;
    EXPECT_EQ(env.EnvData->ScriptEditorFontSize, 11);
    EXPECT_FALSE(env.IsWritable());
    env.EnvData->CloseTimeEnvData->HistoryShowing = true;
    env.Save();
    env.SaveCloseTime();
    struct stat st;
    ASSERT_EQ(lstat(fs932::ToNative(File).c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    std::vector<fs932::DirEntry> entries;
    ASSERT_TRUE(fs932::ListDirectory(Dir, entries));
    EXPECT_EQ(entries.size(), 1u);  // no ".bad" copy, no lock, nothing else
}
