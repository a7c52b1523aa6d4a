// The settings file: an ini file beside the program, named after it with the
// extension ".Environment". A TEnvironment owns one settings record, reads
// the file into it and writes it back, all through TKZNMemIniFile. The file
// is replaced as a whole (never rewritten in place). Objects are short-lived:
// one per use (start-up, settings editor, reload, exit).
//
// Applying a record to the client window and reading the window's live
// values back join this class with the client window (U_EnvironmentFrame.cpp).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KZNMemIniFile.h"
#include "T_EnvData.h"

class TFrameSQLClient;

// What reading a settings file found. A file with values that cannot be used
// (not a number, out of range, a bad character, lines that are not ini
// lines, bytes that are not CP932) is damaged: what could be read is used,
// the rest keeps its default, the original is copied beside it as
// "<name>.bad" (or ".bad2", ... when an earlier, different damage holds that
// name), and the file is written anew from what could be read, so that the
// next start finds it clean. Each damage is reported once.
struct TEnvLoadResult {
    bool Damaged = false;
    // One line per finding, e.g. "[SCRIPTEDITOR] FontSize=abc".
    std::vector<std::string> Problems;
    // Where the damaged original is kept; empty when it could not be kept.
    std::string BackupFileName;
    // The notice for the user, in Japanese; empty when there is nothing new
    // to say (no damage, or this very file was kept and reported before).
    std::string Message;
};

class TEnvironment {
public:
    // The section and key names of the file.
    static const char* const SectionCloseTime;  // "CLOSETIMEESAVE"
    // The key of the line-break replacement text (CRLFReplaceStr). The key
    // named CRLFReplaceStr holds the tab-replacement switch, as files have
    // always had it; the text has this key of its own, its value between
    // double quotes so that blanks survive.
    static const char* const KeyCRLFReplaceText;  // "CRLFReplaceText"
    static const char* const BackupExtension;     // ".bad"

    // Keeps FileName; EnvData holds the defaults. Reads nothing.
    explicit TEnvironment(std::string FileName);
    ~TEnvironment();
    TEnvironment(const TEnvironment&) = delete;
    TEnvironment& operator=(const TEnvironment&) = delete;

    std::unique_ptr<TWritableEnvData> EnvData;
    std::string FileName;

    TWritableEnvData& GetEnvData() { return *EnvData; }
    // Every field, the close-time record included, back to its default.
    void SetDefaults();

    // Fills Data from a file: defaults first, then every key the file holds.
    // A missing file leaves the defaults. A sound file is not written; a
    // damaged one is copied to a free "<name>.bad" name and replaced by the
    // record as read (an unreadable one is moved to that name). Never raises
    // for the file's content.
    // A FIFO, a device or a socket in the file's place gives the defaults and
    // a message; it is neither read, moved nor written.
    static TEnvLoadResult LoadFromFile(const std::string& FileName, TWritableEnvData& Data);
    // LoadFromFile into EnvData; ReadData takes a copy of what was read.
    TEnvLoadResult Load();

    // What the file held when this copy of the program last read or wrote it.
    // A save writes a key as EnvData has it when it differs from this, and
    // otherwise keeps what the file holds by then (another copy may have saved
    // meanwhile); afterwards it holds EnvData's values of the keys the save
    // compared. Null: every key is written as EnvData has it.
    std::unique_ptr<TWritableEnvData> ReadData;

    // False for a read-only file, a FIFO or a device in the file's place, and
    // a file that cannot be made.
    bool IsWritable() const;
    // Writes every section from EnvData (the close-time section too). Known
    // sections are written anew; sections this program does not know stay.
    // Nothing happens when the file is not writable. Each save holds the
    // file's lock ("<name>.lock") while it reads the file again and writes
    // it. Raises EFCreateError when the file cannot be replaced or the lock
    // cannot be had.
    void Save();
    // Writes only the close-time section; the rest of the file stays. Each of
    // KeptKeys (keys of that section) stays as the file has it, absent when
    // it has none.
    void SaveCloseTime(const std::vector<std::string>& KeptKeys = {});
    // The close-time section of EnvData into an open ini component.
    void WriteCloseTimeSection(TKZNMemIniFile& Ini) const;

    // ---- the client window

    // The window's size, the script area's height and the auto-commit state.
    static void ApplyLayoutToFrame(const TWritableEnvData& Data, TFrameSQLClient& Frame);
    // Everything else the window takes: its own actions' shortcuts, the
    // commit mode, the delimiter, the result-text settings (the active result
    // page's editor set up anew), gestures, the grid prefix, the prefixes, and
    // what the script pages take.
    static void ApplySettingsToFrame(const TWritableEnvData& Data, TFrameSQLClient& Frame);
    static void ApplyAllToFrame(const TWritableEnvData& Data, TFrameSQLClient& Frame) {
        ApplyLayoutToFrame(Data, Frame);
        ApplySettingsToFrame(Data, Frame);
    }
    void ApplyToFrame(TFrameSQLClient& Frame) { ApplyAllToFrame(*EnvData, Frame); }
    // The settings editor's apply: the window's size and splitters stay.
    void ApplySettings(TFrameSQLClient& Frame) { ApplySettingsToFrame(*EnvData, Frame); }
    // The live values of the window into EnvData, the inverse of
    // ApplySettingsToFrame; everything else keeps what EnvData held.
    void ReadFromFrame(const TFrameSQLClient& Frame);
    // The height of the window's script area as the close-time record keeps it.
    static int32_t ScriptAreaHeightOf(const TFrameSQLClient& Frame);


    // The 16 shortcut texts that go to actions of the client window itself
    // (action "Action_" + the key name); the others go to the script pages.
    static const std::array<TShortcutKeyIndex, 16> ClientActionShortcutKeys;
    // The height the script page control opens with: the saved height, or
    // half the panel's height (halves to even) when the saved one lies within
    // 50 pixels of 0 or of the panel's height, so neither area opens collapsed.
    static int32_t ScriptAreaHeight(int32_t SavedHeight, int32_t PanelHeight);
    // The auto-commit state a window opens with under a commit mode; Env
    // takes the state at the last exit.
    static bool IsAutoCommitFor(TAutoCommitModeKind Mode, bool CommitModeState);
    // The twelve result-text fields, each into the field of the same name.
    static void AssignResultTextFields(const TReadableEnvData& Source, TReadableEnvData& Dest);

private:
    void Write(bool All, const std::vector<std::string>& KeptKeys);
};
