#include "U_Environment.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "CP932.h"
#include "CP932Text.h"
#include "FileLock.h"
#include "FileSystem.h"
#include "StringList.h"
#include "SysUtils.h"
#include "T_FolderFile.h"

const char* const TEnvironment::SectionCloseTime = "CLOSETIMEESAVE";
const char* const TEnvironment::KeyCRLFReplaceText = "CRLFReplaceText";
const char* const TEnvironment::BackupExtension = ".bad";

const std::array<TShortcutKeyIndex, 16> TEnvironment::ClientActionShortcutKeys = {
    sk_Connect,       sk_ReConnect,         sk_DisConnect,   sk_AutoCommitToggle,  sk_Commit,
    sk_RollBack,      sk_NewScriptEditor,   sk_EnvEdit,      sk_CloneScriptEditor, sk_DelActiveScriptSheet,
    sk_AddResultSeet, sk_DelActiveResultSeet, sk_DelInActiveResultSeet, sk_EditorSearch, sk_EditorSearchReverse,
    sk_EditorSearchShow,
};

namespace {

// ---- the file's keys, in their order

// What a Char key may hold: the prefixes and the delimiter a visible
// single-byte character, the result characters a blank too.
enum class TCharKind { Visible, VisibleOrBlank };

// Sane ranges of the numbers (a value outside comes from a damaged file).
constexpr int32_t kFontSizeMin = 2, kFontSizeMax = 72;
constexpr int32_t kTabCountMin = 2, kTabCountMax = 8;
constexpr int32_t kCoordMax = 32767;  // the largest window coordinate
constexpr int32_t kWindowMin = 100;
constexpr int32_t kHistoryWidthMin = 20, kHistorySplitMin = 10;

const char* const kScriptEditor = "SCRIPTEDITOR";
const char* const kResultEditor = "RESULTEDITOR";

// The shortcut keys in the order the file has always listed them: the
// script page's clear action follows its stop action.
constexpr std::array<TShortcutKeyIndex, sk_Count> kShortcutFileOrder = {
    sk_Connect,           sk_ReConnect,           sk_DisConnect,          sk_ALLSQLExec,
    sk_SelectedSQLExec,   sk_NewScript,           sk_ScriptStop,          sk_ScriptClear,
    sk_ShowExecSQLToggle, sk_EveryTimeStopToggle, sk_ErrorTimeStopToggle, sk_OutputSQLToggle,
    sk_AfterClearToggle,  sk_SendScriptToHistory, sk_PrevHistorhyRevival, sk_NextHistorhyRevival,
    sk_ShowHistoryForm,   sk_AddResultSeet,       sk_DelActiveResultSeet, sk_DelInActiveResultSeet,
    sk_EnvEdit,           sk_AutoCommitToggle,    sk_Commit,              sk_RollBack,
    sk_NewScriptEditor,   sk_CloneScriptEditor,   sk_DelActiveScriptSheet, sk_EditorSearch,
    sk_EditorSearchReverse, sk_EditorSearchShow,  sk_ScriptEditorCommentOut, sk_ScriptEditorCommentReOut,
};

constexpr bool EachShortcutOnce() {
    for (size_t k = 0; k < sk_Count; ++k) {
        int seen = 0;
        for (TShortcutKeyIndex i : kShortcutFileOrder) seen += static_cast<size_t>(i) == k;
        if (seen != 1) return false;
    }
    return true;
}
static_assert(EachShortcutOnce(), "every shortcut key is in the file once");

// Visits every key of the sections other than the close-time one, in the
// file's order. V has Int, Bool, Char, Str, QuotedStr and Mode.
template <class Rec, class V>
void VisitSettings(Rec& D, V& v) {
    v.Int(kScriptEditor, "FontSize", D.ScriptEditorFontSize, kFontSizeMin, kFontSizeMax);
    v.Bool(kScriptEditor, "SoftTab", D.ScriptEditorSoftTab);
    v.Int(kScriptEditor, "SoftTabSpaceCount", D.ScriptEditorSoftTabSpaceCount, kTabCountMin, kTabCountMax);
    v.Char("SCRIPTPREFIX", "Command", D.CommandPrefix, TCharKind::Visible);
    v.Char("SCRIPTPREFIX", "FavoriteExecute", D.FavoriteExecutePrefix, TCharKind::Visible);
    v.Char("SCRIPTPREFIX", "ImportScriptFileName", D.ImportScriptFileNamePrefix, TCharKind::Visible);
    v.Char("SQLDELIMITER", "Delimiter", D.SQLDelimiter, TCharKind::Visible);
    v.Int(kResultEditor, "FontSize", D.ResultEditorFontSize, kFontSizeMin, kFontSizeMax);
    v.Bool(kResultEditor, "CRLFReplace", D.CRLFReplace);
    v.Bool(kResultEditor, "CRLFReplaceStr", D.TabReplace);  // the key has always held the tab switch
    v.Str(kResultEditor, "TabRepraceStr", D.TabRepraceStr);
    v.Bool(kResultEditor, "SoftTab", D.ResultEditorSoftTab);
    v.Int(kResultEditor, "SoftTabSpaceCount", D.ResultEditorSoftTabSpaceCount, kTabCountMin, kTabCountMax);
    v.Char(kResultEditor, "Scale", D.ResultScale, TCharKind::VisibleOrBlank);
    v.Char(kResultEditor, "ScaleSpacer", D.ResultScaleSpacer, TCharKind::VisibleOrBlank);
    v.Char(kResultEditor, "ColumnDelim", D.ResultColumnDelim, TCharKind::VisibleOrBlank);
    v.Str(kResultEditor, "NullStr", D.NullStr);
    v.Str(kResultEditor, "ConvertErrorStr", D.ConvertErrorStr);
    v.QuotedStr(kResultEditor, TEnvironment::KeyCRLFReplaceText, D.CRLFReplaceStr);
    for (TShortcutKeyIndex i : kShortcutFileOrder) v.Str("SHORTCUTKEYS", ShortcutKeyNames[i], D.ShortcutKeys[i]);
    for (size_t i = 0; i < tp_Count; ++i) v.Int("TOOLBARPOS", ToolbarPositionNames[i], D.ToolbarPositions[i], -1, kCoordMax);
    v.Bool("MOUSEJESTURE", "Active", D.MouseGestureActive);
    v.Mode("TRANSACTION", "CommitMode", D.CommitMode);
    v.Str("GRID", "GridCaptionPrefix", D.GridCaptionPrefix);
}

// Visits the close-time keys: in reading order, or in writing order (the
// toggles before the escape options). Each size is checked against the
// values before it, which are read first.
template <class Rec, class V>
void VisitCloseTime(Rec& C, V& v, bool WritingOrder) {
    const char* const s = TEnvironment::SectionCloseTime;
    v.Int(s, "CLIENTWINDOWSIZE_W", C.ClientWindowWidth, kWindowMin, kCoordMax);
    v.Int(s, "CLIENTWINDOWSIZE_H", C.ClientWindowHeight, kWindowMin, kCoordMax);
    v.Int(s, "DESCTREEPOS", C.DescTreePos, 0, C.ClientWindowWidth);
    v.Int(s, "SCRIPT_RESULTPOS", C.ScriptResultPos, 0, C.ClientWindowHeight);
    v.Bool(s, "HISTORYSHOWING", C.HistoryShowing);
    v.Int(s, "HISTORYWINDOW_W", C.HistoryWindowWidth, kHistoryWidthMin, kCoordMax);
    v.Int(s, "HISTORYSPLITPOS", C.HistorySplitPos, kHistorySplitMin, std::max(kHistorySplitMin, C.HistoryWindowWidth));
    v.Bool(s, "HISTORYAUTOMOVE", C.HistoryAutoMove);
    v.Str(s, "BUNDLE_START", C.BundleStart);
    v.Str(s, "BUNDLE_END", C.BundleEnd);
    v.Bool(s, "BUNDLE_ADJUST", C.BundleAdjust);
    auto escapes = [&] {
        v.Bool(s, "ESCAPE_SQ", C.EscapeSQ);
        v.Bool(s, "ESCAPE_DQ", C.EscapeDQ);
        v.Bool(s, "ESCAPE_Y", C.EscapeY);
        v.Bool(s, "ESCAPE_5C", C.Escape5C);
        v.Bool(s, "ESCAPE_ESCAPEDOUBLE", C.EscapeEscapeDouble);
    };
    auto toggles = [&] {
        v.Bool(s, "EVERYTIMESTOPTOGGLE_STATE", C.EveryTimeStopToggleState);
        v.Bool(s, "ERRORTIMESTOPTOGGLE_STATE", C.ErrorTimeStopToggleState);
        v.Bool(s, "AFTERCLEARTOGGLE_STATE", C.AfterClearToggleState);
        v.Bool(s, "OUTPUTSQLTOGGLE_STATE", C.OutputSQLToggleState);
    };
    if (WritingOrder) {
        toggles();
        escapes();
    } else {
        escapes();
        toggles();
    }
    v.Bool(s, "CommitModeState", C.CommitModeState);
}

// ---- reading

constexpr size_t kShownValueMax = 40;

class TEnvReader {
public:
    TEnvReader(const TKZNMemIniFile& Ini, std::vector<std::string>& Problems) : FIni(Ini), FProblems(Problems) {}

    void Int(const char* Sec, const char* Key, int32_t& V, int32_t Min, int32_t Max) {
        std::string text = FIni.ReadString(Sec, Key, "");
        if (text.empty()) return;  // missing: the default stays
        int32_t n = 0;
        if (!sys::TryStrToInt(text, n)) return Bad(Sec, Key, text);
        if (n < Min || n > Max) {
            Bad(Sec, Key, text);
            n = n < Min ? Min : Max;
        }
        V = n;
    }
    void Bool(const char* Sec, const char* Key, bool& V) {
        std::string text = FIni.ReadString(Sec, Key, "");
        if (text.empty()) return;
        int32_t n = 0;
        if (!sys::TryStrToInt(text, n)) return Bad(Sec, Key, text);
        V = n != 0;
    }
    void Char(const char* Sec, const char* Key, char& V, TCharKind Kind) {
        const char c = FIni.ReadChar(Sec, Key, V);
        const auto u = static_cast<unsigned char>(c);
        const bool ok = (u >= 0x21 && u <= 0x7E) || (u >= 0xA1 && u <= 0xDF) ||
                        (u == 0x20 && Kind == TCharKind::VisibleOrBlank);
        if (ok) V = c;
        else Bad(Sec, Key, FIni.ReadString(Sec, Key, ""));
    }
    // A text that a written file could not hold cleanly keeps the default.
    void Str(const char* Sec, const char* Key, std::string& V) {
        std::string text = FIni.ReadString(Sec, Key, V);
        if (!IsCleanText(text)) return Bad(Sec, Key, text);
        V = std::move(text);
    }
    void QuotedStr(const char* Sec, const char* Key, std::string& V) {
        std::string text = FIni.ReadString(Sec, Key, "\"" + V + "\"");
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        if (!IsCleanText(text)) return Bad(Sec, Key, text);
        V = std::move(text);
    }
    void Mode(const char* Sec, const char* Key, TAutoCommitModeKind& V) {
        std::string text = FIni.ReadString(Sec, Key, AutoCommitModeKindName(V));
        if (text.empty()) return;
        for (TAutoCommitModeKind k : {acmk_UnKnown, acmk_Auto, acmk_Manual, acmk_Env})
            if (sys::SameText(text, AutoCommitModeKindName(k))) {
                V = k;
                return;
            }
        Bad(Sec, Key, text);  // a name of none of the modes leaves the mode as it was
    }

private:
    static bool IsCleanText(std::string_view Text) {
        if (Text.find('\0') != std::string_view::npos) return false;
        bool lossy = false;
        cp932::ToUtf16(Text, &lossy);
        return !lossy;
    }
    void Bad(const char* Sec, const char* Key, std::string_view Text) {
        FProblems.push_back(std::string("[") + Sec + "] " + Key + "=" +
                            std::string(cp932::CutAtCharBoundary(Text, kShownValueMax)));
    }
    const TKZNMemIniFile& FIni;
    std::vector<std::string>& FProblems;
};

// Lines that are not ini lines, NUL bytes and bytes that are not CP932.
void CheckFileText(std::string_view Bytes, std::vector<std::string>& Problems) {
    if (Bytes.find('\0') != std::string_view::npos) Problems.push_back("NUL文字があります");
    bool lossy = false;
    cp932::ToUtf16(Bytes, &lossy);
    if (lossy) Problems.push_back("CP932として読めない文字があります");
    TStringList lines(Bytes);
    bool inSection = false;
    for (const std::string& raw : lines.Items) {
        std::string line = sys::Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[' && line.back() == ']') {
            inSection = true;
            continue;
        }
        if (!inSection || cp932::FindChar(line, '=') == std::string::npos)
            Problems.push_back("読めない行：" + std::string(cp932::CutAtCharBoundary(line, kShownValueMax)));
    }
}

constexpr size_t kProblemsShown = 10;

std::string DamageMessage(const std::string& FileName, const TEnvLoadResult& r, bool Moved) {
    std::string msg = "設定ファイル「" + FileName + "」";
    msg += Moved ? "を読めません。既定の設定で起動します。\r\n"
                 : "に使えない値がありました。読めた値を使い、ほかは既定の設定にしました。\r\n";
    if (r.BackupFileName.empty()) msg += "元のファイルを残せませんでした。\r\n";
    else msg += std::string("元のファイルは「") + r.BackupFileName + (Moved ? "」に移しました。\r\n" : "」に残しました。\r\n");
    for (size_t i = 0; i < r.Problems.size() && i < kProblemsShown; ++i) msg += r.Problems[i] + "\r\n";
    if (r.Problems.size() > kProblemsShown) msg += "ほか " + sys::IntToStr(static_cast<int64_t>(r.Problems.size() - kProblemsShown)) + " 件\r\n";
    return msg;
}

// ---- writing

// A key and the text the file holds for it.
struct TKeyText {
    const char* Section;
    const char* Key;
    std::string Text;
};

// The text of every key visited, in the file's order, as the ini component writes it.
class TEnvTexts {
public:
    std::vector<TKeyText> Items;

    void Int(const char* Sec, const char* Key, int32_t V, int32_t, int32_t) { Add(Sec, Key, sys::IntToStr(V)); }
    void Bool(const char* Sec, const char* Key, bool V) { Add(Sec, Key, V ? "1" : "0"); }
    void Char(const char* Sec, const char* Key, char V, TCharKind) { Add(Sec, Key, std::string{'"', V, '"'}); }
    void Str(const char* Sec, const char* Key, const std::string& V) { Add(Sec, Key, OneLine(V)); }
    void QuotedStr(const char* Sec, const char* Key, const std::string& V) { Add(Sec, Key, "\"" + OneLine(V) + "\""); }
    void Mode(const char* Sec, const char* Key, TAutoCommitModeKind V) { Add(Sec, Key, AutoCommitModeKindName(V)); }

private:
    void Add(const char* Sec, const char* Key, std::string Text) { Items.push_back({Sec, Key, std::move(Text)}); }
    // A line break inside a value would end the ini line: it is left out.
    static std::string OneLine(const std::string& V) {
        if (V.find_first_of("\r\n") == std::string::npos) return V;
        std::string out;
        for (char c : V)
            if (c != '\r' && c != '\n') out.push_back(c);
        return out;
    }
};

// The keys of the close-time section and, with All, of every other section.
TEnvTexts TextsOf(const TWritableEnvData& Data, bool All) {
    TEnvTexts texts;
    VisitCloseTime(static_cast<const TWritableCloseTimeEnvData&>(*Data.CloseTimeEnvData), texts, true);
    if (All) VisitSettings(static_cast<const TReadableEnvData&>(Data), texts);
    return texts;
}

// Writes the texts into the ini component, each section erased before its first key.
void WriteTexts(TKZNMemIniFile& Ini, const std::vector<TKeyText>& Texts) {
    std::string section;
    for (const TKeyText& t : Texts) {
        if (section != t.Section) {
            section = t.Section;
            Ini.EraseSection(t.Section);
        }
        Ini.WriteString(t.Section, t.Key, t.Text);
    }
}

}  // namespace

TEnvironment::TEnvironment(std::string FileName)
    : EnvData(std::make_unique<TWritableEnvData>()), FileName(std::move(FileName)) {}

TEnvironment::~TEnvironment() = default;

void TEnvironment::SetDefaults() { EnvData->SetDefaults(); }

namespace {

// The names of the sections the record is kept in, upper-cased.
class TSectionNames {
public:
    std::set<std::string> Names;
    void Int(const char* Sec, const char*, int32_t, int32_t, int32_t) { Add(Sec); }
    void Bool(const char* Sec, const char*, bool) { Add(Sec); }
    void Char(const char* Sec, const char*, char, TCharKind) { Add(Sec); }
    void Str(const char* Sec, const char*, const std::string&) { Add(Sec); }
    void QuotedStr(const char* Sec, const char*, const std::string&) { Add(Sec); }
    void Mode(const char* Sec, const char*, TAutoCommitModeKind) { Add(Sec); }

private:
    void Add(const char* Sec) { Names.insert(sys::UpperCase(Sec)); }
};

struct TKeptValue {
    std::string Section, Key, Value;
};

// The key=value lines of the sections this program does not know, of those
// sections only in which every line is sound; in the file's order.
std::vector<TKeptValue> SoundUnknownValues(std::string_view Bytes, const std::set<std::string>& Known) {
    std::vector<TKeptValue> kept;
    TStringList lines(Bytes);
    std::string section;
    bool keep = false;
    size_t sectionStart = 0;
    for (const std::string& raw : lines.Items) {
        std::string line = sys::Trim(raw);
        bool lossy = false;
        cp932::ToUtf16(line, &lossy);
        const bool clean = !lossy && line.find('\0') == std::string::npos;
        if (clean && line.size() >= 2 && line[0] == '[' && line.back() == ']') {
            section = sys::Trim(std::string_view(line).substr(1, line.size() - 2));
            keep = Known.count(sys::UpperCase(section)) == 0;
            sectionStart = kept.size();
            continue;
        }
        if (!keep || line.empty() || (clean && (line[0] == ';' || line[0] == '#'))) continue;
        const size_t eq = clean ? cp932::FindChar(line, '=') : std::string::npos;
        if (eq == std::string::npos) {
            // one unsound line and the whole section stays in the copy only
            kept.resize(sectionStart);
            keep = false;
            continue;
        }
        kept.push_back({section, sys::Trim(std::string_view(line).substr(0, eq)), sys::Trim(std::string_view(line).substr(eq + 1))});
    }
    return kept;
}

// The settings record written as the whole file: every section of the record
// anew, then the sound sections this program does not know; nothing else.
void WriteWhole(const std::string& FileName, std::string_view Bytes, TWritableEnvData& Data) {
    TSectionNames known;
    VisitSettings(static_cast<const TReadableEnvData&>(Data), known);
    VisitCloseTime(static_cast<const TWritableCloseTimeEnvData&>(*Data.CloseTimeEnvData), known, true);
    const std::vector<TKeptValue> unknown = SoundUnknownValues(Bytes, known.Names);
    TKZNMemIniFile ini;
    ini.SetRunTimeFileName(FileName);
    ini.Open();
    ini.EraseAllSections();
    WriteTexts(ini, TextsOf(Data, true).Items);
    for (const TKeptValue& v : unknown) ini.WriteString(v.Section, v.Key, v.Value);
    ini.UpdateFile();
}

// The first of "<name>.bad", "<name>.bad2", ... that does not exist.
std::string FreeBackupName(const std::string& FileName) {
    const std::string base = FileName + TEnvironment::BackupExtension;
    std::string name = base;
    for (int i = 2; fs932::FileExists(name) || fs932::DirectoryExists(name); ++i) name = base + std::to_string(i);
    return name;
}

}  // namespace

TEnvLoadResult TEnvironment::LoadFromFile(const std::string& FileName, TWritableEnvData& Data) {
    TEnvLoadResult r;
    Data.SetDefaults();
    std::string bytes;
    fs932::ReadResult read = fs932::ReadRegularFile(FileName, bytes);
    // a folder in the file's place gives the defaults; the save at exit says why it cannot be written
    if (read == fs932::ReadResult::Missing ||
        (read == fs932::ReadResult::NotRegular && fs932::DirectoryExists(FileName)))
        return r;
    if (read == fs932::ReadResult::NotRegular) {
        // a FIFO or a device is neither read, moved nor written: the defaults, and one word
        r.Problems.push_back("通常のファイルではありません");
        r.Message = "設定ファイル「" + FileName + "」を読めません。既定の設定で起動します。\r\n" +
                    "通常のファイルではないため、このファイルには書き込みません。\r\nファイル " + FileName +
                    " を開けません\r\n";
        return r;
    }
    if (read != fs932::ReadResult::Ok) {
        // unreadable: moved aside (never over an earlier backup), so that the next save makes a new file
        r.Damaged = true;
        r.Problems.push_back("ファイルを読めません");
        const std::string backup = FreeBackupName(FileName);
        if (fs932::RenameFile(FileName, backup)) r.BackupFileName = backup;
        r.Message = DamageMessage(FileName, r, true);
        return r;
    }

    CheckFileText(bytes, r.Problems);
    TKZNMemIniFile ini;
    ini.SetRunTimeFileName(FileName);
    ini.Open();
    TEnvReader reader(ini, r.Problems);
    VisitSettings(Data, reader);
    VisitCloseTime(*Data.CloseTimeEnvData, reader, false);
    if (r.Problems.empty()) return r;

    r.Damaged = true;
    bool fresh = false;
    if (!TFolderFile::KeepDamagedCopy(FileName, r.BackupFileName, fresh)) {
        // with no copy kept, the damaged file is the only one: it stays as it is
        r.Message = DamageMessage(FileName, r, false);
        return r;
    }
    // the copy is safe: what could be read replaces the damage, so that the next start finds none
    if (TFolderFile::IsWritable(FileName)) {
        try {
            fs932::TFileLock lock;
            lock.Lock(FileName);
            // another copy of the program may have mended it meanwhile
            std::string now;
            if (fs932::ReadFile(FileName, now) && now == bytes) WriteWhole(FileName, bytes, Data);
        } catch (const std::exception&) {
            // the damage stays in the file and its copy; it was reported once already
        }
    }
    // the same damage was kept, and reported, before
    if (fresh) r.Message = DamageMessage(FileName, r, false);
    return r;
}

TEnvLoadResult TEnvironment::Load() {
    TEnvLoadResult r = LoadFromFile(FileName, *EnvData);
    ReadData = std::make_unique<TWritableEnvData>();
    ReadData->Assign(*EnvData);
    return r;
}

bool TEnvironment::IsWritable() const { return TFolderFile::IsWritable(FileName); }

void TEnvironment::Save() { Write(true, {}); }

void TEnvironment::SaveCloseTime(const std::vector<std::string>& KeptKeys) { Write(false, KeptKeys); }

void TEnvironment::Write(bool All, const std::vector<std::string>& KeptKeys) {
    if (!IsWritable()) return;
    fs932::TFileLock lock;
    lock.Lock(FileName);
    // the file as it is now, another copy's saves included
    TKZNMemIniFile ini;
    ini.SetRunTimeFileName(FileName);
    ini.Open();
    std::vector<TKeyText> texts = TextsOf(*EnvData, All).Items;
    const std::vector<TKeyText> read = ReadData ? TextsOf(*ReadData, All).Items : std::vector<TKeyText>();
    std::vector<TKeyText> final;
    for (size_t i = 0; i < texts.size(); ++i) {
        TKeyText& t = texts[i];
        const bool inFile = ini.ValueExists(t.Section, t.Key);
        const bool kept = std::string_view(t.Section) == SectionCloseTime &&
                          std::find(KeptKeys.begin(), KeptKeys.end(), t.Key) != KeptKeys.end();
        // a key this copy did not change since it read the file keeps what the file holds now
        const bool unchanged = !read.empty() && read[i].Text == t.Text;
        if (kept && !inFile) continue;
        if (inFile && (kept || unchanged)) t.Text = ini.ReadString(t.Section, t.Key, t.Text);
        final.push_back(std::move(t));
    }
    WriteTexts(ini, final);
    fs932::SavePausePoint(FileName);
    ini.UpdateFile();
    // Each key this save wrote is now what this copy wrote, and each key it
    // left to the file is as this copy had read it: either way EnvData holds
    // it, and the next save compares with that.
    if (ReadData && All)
        ReadData->Assign(*EnvData);
    else if (ReadData)
        ReadData->CloseTimeEnvData->Assign(*EnvData->CloseTimeEnvData);
}

void TEnvironment::WriteCloseTimeSection(TKZNMemIniFile& Ini) const { WriteTexts(Ini, TextsOf(*EnvData, false).Items); }

int32_t TEnvironment::ScriptAreaHeight(int32_t SavedHeight, int32_t PanelHeight) {
    const int64_t fromTop = SavedHeight;
    const int64_t fromBottom = static_cast<int64_t>(PanelHeight) - SavedHeight;
    if (fromTop <= 50 || (fromBottom >= -50 && fromBottom <= 50))
        return static_cast<int32_t>(std::nearbyint(static_cast<double>(PanelHeight) / 2));  // halves to even
    return SavedHeight;
}

bool TEnvironment::IsAutoCommitFor(TAutoCommitModeKind Mode, bool CommitModeState) {
    switch (Mode) {
        case acmk_Manual: return false;
        case acmk_Env: return CommitModeState;
        default: return true;
    }
}

void TEnvironment::AssignResultTextFields(const TReadableEnvData& Source, TReadableEnvData& Dest) {
    Dest.ResultEditorFontSize = Source.ResultEditorFontSize;
    Dest.ResultEditorSoftTab = Source.ResultEditorSoftTab;
    Dest.ResultEditorSoftTabSpaceCount = Source.ResultEditorSoftTabSpaceCount;
    Dest.TabReplace = Source.TabReplace;
    Dest.TabRepraceStr = Source.TabRepraceStr;
    Dest.CRLFReplace = Source.CRLFReplace;
    Dest.CRLFReplaceStr = Source.CRLFReplaceStr;
    Dest.ResultScale = Source.ResultScale;
    Dest.ResultScaleSpacer = Source.ResultScaleSpacer;
    Dest.ResultColumnDelim = Source.ResultColumnDelim;
    Dest.NullStr = Source.NullStr;
    Dest.ConvertErrorStr = Source.ConvertErrorStr;
}
