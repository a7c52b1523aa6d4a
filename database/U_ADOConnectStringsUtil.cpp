#include "U_ADOConnectStringsUtil.h"

#include "CP932.h"
#include "FileSystem.h"
#include "I_ConnectionStore.h"
#include "OdbcConnection.h"
#include "SysUtils.h"

ILoginPrompt* TConnectPrompts::LoginPrompt = nullptr;
IDataLinkPrompt* TConnectPrompts::DataLinkPrompt = nullptr;

namespace {
const char* const kNullList = "内部エラー：コネクション文字列格納用リストがNullです";
}

void TADOConnectStringsUtil::ListToString(const TStringList* List, std::string& S) {
    if (!List) throw EADOConnectStringsUtil(kNullList);
    S = sys::StringReplaceAll(List->Text(), "\r\n", ";");
}

void TADOConnectStringsUtil::StringToList(const std::string& S, TStringList* List) {
    if (!List) throw EADOConnectStringsUtil(kNullList);
    std::string t = S;
    bool quoted = false;
    for (size_t i = 0; i < t.size(); ++i) {
        // a double-byte character is passed over whole; a lone lead byte keeps the ';' after it
        if (cp932::IsLeadByte(t[i]) && i + 1 < t.size() && cp932::IsTrailByte(t[i + 1])) {
            ++i;
            continue;
        }
        if (t[i] == '"') quoted = !quoted;
        else if (t[i] == ';' && !quoted) t[i] = '\x06';
    }
    List->SetText(sys::StringReplaceAll(t, "\x06", "\r\n"));
}

void TADOConnectStringsUtil::EditWithDataLink(void* ParentWindow, TStringList* List) {
    std::string s;
    ListToString(List, s);
    if (!TConnectPrompts::DataLinkPrompt)
        throw EADOConnectStringsUtil("内部エラー：接続文字列の編集ダイアログが組み込まれていません");
    s = TConnectPrompts::DataLinkPrompt->Edit(ParentWindow, s);
    StringToList(s, List);
}

void TADOConnectStringsUtil::GetMoreDetail(const TStringList* List, std::string& S) {
    ListToString(List, S);
    TStringList lines;
    StringToList(S, &lines);
    TOdbcConnection conn;
    conn.SetConnectionString(S);
    conn.LoginPrompt = lines.Values("User ID").empty() || lines.Values("Password").empty();
    if (ILoginPrompt* prompt = TConnectPrompts::LoginPrompt)
        conn.OnLogin = [prompt](std::string& user, std::string& password) { return prompt->Execute(user, password); };
    try {
        conn.Open();
    } catch (const std::exception& e) {
        throw EADOConnectStringsUtil(std::string("詳細情報を取得するため、ADO接続を試みましたが失敗しました。\r\n[") + e.what() + "]");
    }
    S = conn.CompletedConnectionString();
}

void TADOConnectStringsUtil::ReadUDLFile(const std::string& FileName, std::string& S) {
    S.clear();
    if (!fs932::FileExists(FileName)) return;
    std::string bytes;
    if (!fs932::ReadFile(FileName, bytes)) throw EFOpenError("ファイル " + FileName + " を開けません");
    // the first two bytes (the byte-order mark) are skipped unexamined
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char16_t u = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (u == 0) break;
        text.push_back(u);
    }
    TStringList lines;
    bool lossy = false;
    lines.SetText(cp932::FromUtf16(text, &lossy));
    if (lines.Count() < 3) throw EADOConnectStringsUtil("UDLファイルが壊れています");
    // a substitute in the connection string would reach another database or file
    if (lossy) throw EADOConnectStringsUtil("UDLファイル " + FileName + " に、シフトJISで表せない文字が含まれています。");
    S = lines[2];
}
