#include "U_ScriptManager.h"

#include <algorithm>
#include <new>

#include "CP932Text.h"
#include "DataSet.h"
#include "FileSystem.h"
#include "SysUtils.h"
#include "U_CommandLineParser.h"
#include "U_CommandManager.h"
#include "T_FolderFile.h"
#include "U_SQL99.h"
#include "U_SQL99Splitter.h"
#include "U_UserEnvManager.h"

namespace {

// Imports now running, outermost first counted; runs are re-entrant on one thread.
int ImportDepth = 0;

constexpr const char* kOutOfMemory = kOutOfMemoryText;

struct TImportDepthGuard {
    TImportDepthGuard() { ++ImportDepth; }
    ~TImportDepthGuard() { --ImportDepth; }
};

// Every occurrence of UpperPattern in S, compared in upper case, that begins
// on a character boundary, replaced by Value. Upper casing keeps the length.
void ReplaceIgnoreCase(std::string& S, const std::string& UpperS, const std::string& UpperPattern,
                       const std::string& Value) {
    std::string out;
    size_t copied = 0;  // S[0, copied) is in out
    for (size_t at = cp932::FindText(UpperS, UpperPattern); at != std::string::npos;
         at = cp932::FindText(UpperS, UpperPattern, copied)) {
        out.append(S, copied, at - copied);
        out += Value;
        copied = at + UpperPattern.size();
    }
    out.append(S, copied, std::string::npos);
    S = std::move(out);
}

}  // namespace

// ---- TScriptItem

TScriptItem::TScriptItem(IScriptHost* Host, TScriptManager* Manager, std::string Text)
    : Host(Host), Manager(Manager) {
    Lines.Add(std::move(Text));
}

uint8_t TScriptItem::GetKind() const {
    for (const std::string& line : Lines.Items)
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x21) continue;
            if (c == Host->GetCommandPrefix()) return sikCommand;
            if (c == Host->GetImportScriptFileNamePrefix()) return sikScriptImport;
            return sikSQL;
        }
    return sikEmpty;
}

void TScriptItem::ReplaceUserVariables(TStringList& Target) const {
    TUserEnvManager& env = Host->GetUserEnvManager();
    if (env.Count() == 0) return;
    std::string text = Target.Text();
    bool changed = false;
    TEnvItem item;
    for (int i = 0; i < env.Count(); ++i) {
        env.GetItem(i, item);
        std::string pattern = "{!" + sys::UpperCase(item.Name) + "}";
        std::string upper = sys::UpperCase(text);
        if (cp932::FindText(upper, pattern) == std::string::npos) continue;
        ReplaceIgnoreCase(text, upper, pattern, item.Value);
        changed = true;
    }
    if (changed) Target.SetText(text);
}

std::unique_ptr<TDataSet> TScriptItem::Execute() {
    ErrorText.clear();
    ResultText.clear();
    MessageLines.Clear();
    TStringList work(Lines);
    ReplaceUserVariables(work);
    try {
        switch (GetKind()) {
            case sikSQL:
                return TSQLManager(Host, work).Execute(ResultText);
            case sikCommand:
                TCommandManager(Host).ExecuteLine(work, MessageLines);
                break;
            case sikScriptImport:
                ImportScript(work);
                break;
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        // The bare "std::bad_alloc" tells a user nothing; what held the memory
        // is released by now.
        ErrorText = kOutOfMemory;
        throw EScriptManager(ErrorText);
    } catch (const std::exception& e) {
        ErrorText = e.what();
        throw;
    }
    return nullptr;
}

void TScriptItem::ImportScript(const TStringList& Work) {
    std::string line = sys::Trim(Work.Text()).substr(1);
    TScriptFileImportCommandLineParser parser(line, Host->GetActiveScriptFolder());
    TStringList args;
    std::string s;
    for (int i = 0; i < parser.GetArgCount(); ++i) {
        parser.GetArg(i, s);
        args.Add(s);
    }
    std::string name;
    parser.GetFileName(name);
    // Only a regular file is read: a folder, a FIFO or a device such as
    // /dev/zero would block or never end.
    std::string bytes;
    TStringList script;
    try {
        switch (fs932::ReadRegularFile(name, bytes)) {
            case fs932::ReadResult::Ok: break;
            case fs932::ReadResult::Missing: throw EScriptManager("ファイルが見つかりません:[ " + name + " ]");
            case fs932::ReadResult::NotRegular:
                throw EScriptManager("通常のファイルではないため読み込めません:[ " + name + " ]");
            case fs932::ReadResult::Failed: throw EScriptManager("ファイルを読み込めません:[ " + name + " ]");
        }
        if (ImportDepth >= TScriptManager::MaxImportDepth)
            throw EScriptManager("スクリプトのインポートが" + std::to_string(TScriptManager::MaxImportDepth) +
                                 "段を超えました。インポートが循環していないか確認してください:[ " + name + " ]");
        script.SetText(bytes);  // CR LF, LF or CR
    } catch (const std::bad_alloc&) {
        bytes = std::string();
        script.Clear();
        throw EScriptManager(std::string(kOutOfMemory) + ":[ " + name + " ]");
    }
    bytes = std::string();  // the lines hold the text now
    TImportDepthGuard depth;
    Host->ExecuteScriptWithParams(script, args);
}

// ---- TSQLManager

std::unique_ptr<TDataSet> TSQLManager::Execute(std::string& Msg) {
    struct CursorGuard {
        IScriptHost* Host;
        int Saved;
        ~CursorGuard() { Host->SetScreenCursor(Saved); }
    } guard{Host, Host->GetScreenCursor()};
    Msg.clear();
    return ExecuteSQL(Msg);
}

std::unique_ptr<TDataSet> TSQLManager::ExecuteSQL(std::string& Msg) {
    Host->SetScreenCursor(crSQLWait);
    std::unique_ptr<TDataSet> dataSet;
    try {
        if (!Host->OnExecuteSQL) throw ESQLManager("ユーザ実装エラー：SQL発行が実装されていません");
        const std::string sql = Lines.Text();
        const TSQLKind kind = TSQL99Parser::GetSQLKind(sql);
        Host->OnExecuteSQL(Host, sql, kind, dataSet, Msg);
    } catch (const std::bad_alloc&) {
        dataSet.reset();
        throw ESQLManager(kOutOfMemory);
    } catch (const std::exception& e) {
        dataSet.reset();
        if (Host->OnSQLError) {
            std::string text;
            Host->OnSQLError(this, e, text);
            throw ESQLManager(text);
        }
        throw ESQLManager(e.what());
    }
    return dataSet;
}

// ---- TScriptFileImportCommandLineParser

TScriptFileImportCommandLineParser::TScriptFileImportCommandLineParser(std::string_view L, std::string F)
    : Line(L), Folder(std::move(F)), Parser(std::make_unique<TCommandLineParser>(L)) {
    if (Parser->Words.Empty() || Parser->Words[0].empty())
        throw EScriptFileImportCommandLineParser("ファイル名がありません");
}

TScriptFileImportCommandLineParser::~TScriptFileImportCommandLineParser() = default;

int TScriptFileImportCommandLineParser::GetArgCount() const { return Parser->Words.Count(); }

void TScriptFileImportCommandLineParser::GetArg(int Index, std::string& S) const {
    if (Index < 0 || Index >= GetArgCount())
        throw EScriptFileImportCommandLineParser("範囲外の引数インデックスです");
    S = Parser->Words[Index];
}

void TScriptFileImportCommandLineParser::GetFileName(std::string& S) const {
    std::string name = Parser->Words[0];
    if (cp932::FindLastCharOf(name, "\\/") == std::string::npos && name[0] != '.') name = "./" + name;
    // A page without a folder looks in the current folder.
    S = TFolderFile::ResolveRelativePath(Folder.empty() ? TFolderFile::GetCurrentFolder() : Folder, name, '/');
}

// ---- TScriptManager

TScriptManager::TScriptManager(IScriptHost* Host, const TStringList& Src, char Delimiter,
                               TSQL99Splitter::TSplitMode Mode)
    : Host(Host) {
    // Comments are removed and the text is split in one scan; Lines keeps the
    // comment-free text. The source lines are not copied first: their text is
    // the splitter's own.
    auto splitter = TSQL99Splitter::CreateWithoutComments(Src.Text(), Delimiter, Mode);
    Lines.SetText(splitter->Text);
    Items.reserve(static_cast<size_t>(splitter->Count()));
    std::string statement;
    for (int i = 0; i < splitter->Count(); ++i) {
        splitter->GetStatement(i, statement);
        Items.push_back(std::make_unique<TScriptItem>(Host, this, statement));
    }
}

TScriptManager::~TScriptManager() {
    while (!Items.empty()) Items.pop_back();
}

TScriptItem& TScriptManager::GetItem(int Index) {
    if (Index < 0 || Index >= Count()) throw EScriptManager("内部エラー：範囲外のアイテム要求です");
    return *Items[static_cast<size_t>(Index)];
}

std::unique_ptr<TDataSet> TScriptManager::Execute(int Index) {
    if (Index < 0 || Index >= Count()) throw EScriptManager("内部エラー：範囲外のSQLを実行しようとしました");
    return Items[static_cast<size_t>(Index)]->Execute();
}

TScriptItem& TScriptManager::ItemForText(int Index) {
    if (Index < 0 || Index >= Count())
        throw EScriptManager("内部エラー：スクリプトインデックス範囲外のエラー文字列を取得しようとしました");
    return *Items[static_cast<size_t>(Index)];
}

void TScriptManager::GetResultText(int Index, std::string& S) { S = ItemForText(Index).ResultText; }
void TScriptManager::GetErrorText(int Index, std::string& S) { S = ItemForText(Index).ErrorText; }
TStringList& TScriptManager::GetMessageLines(int Index) { return ItemForText(Index).MessageLines; }
