#include "U_ADODriver.h"

#include <chrono>

#include "DataSet.h"
#include "FileSystem.h"
#include "Headless.h"
#include "OdbcConnectString.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "ScopeExit.h"
#include "StringList.h"
#include "SysUtils.h"
#include "U_ADOConnectStringsUtil.h"
#include "U_ADOSQLParamParser.h"

namespace {
const char* const kNoResultSet = "CommandText は結果セットを返しません。";

int64_t TickMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Case-insensitive replacement of every occurrence of from by to.
std::string ReplaceAllText(const std::string& s, const std::string& from, const std::string& to) {
    if (from.empty()) return s;
    const std::string us = sys::UpperCase(s), uf = sys::UpperCase(from);
    std::string out;
    size_t i = 0;
    for (size_t k; (k = us.find(uf, i)) != std::string::npos; i = k + from.size()) {
        out.append(s, i, k - i);
        out += to;
    }
    out.append(s, i, std::string::npos);
    return out;
}

// A path that a ":name" parameter would cut short is written as :"path".
bool NeedsQuotedName(const std::string& path) {
    for (char c : path)
        if (static_cast<unsigned char>(c) <= 0x20 || c == ',' || c == ';' || c == ')') return true;
    return false;
}
}  // namespace

TADODriver::TADODriver() : DataModule(std::make_unique<TADODataModule>()) {}

TADODriver::~TADODriver() = default;

bool TADODriver::IsUDLName(const std::string& Name) { return sys::Trim(Name).compare(0, 4, "UDL:") == 0; }

std::string TADODriver::GetUDLPath(const std::string& Name) {
    if (!IsUDLName(Name)) return std::string();
    // the name is trimmed before the prefix is cut, so " UDL:x" names x
    return sys::Trim(Name).substr(4);
}

std::unique_ptr<IConnectionStore> TADODriver::OpenStore() {
    if (!ConnectionStoreFactory) return nullptr;
    return ConnectionStoreFactory(*Prop);
}

std::string TADODriver::GetCurrentConnectionName() {
    std::string name;
    if (auto store = OpenStore()) store->GetSelectedName(name);
    return name;
}

bool TADODriver::ConnectWithDialog() {
    if (!ConnectDialog)
        throw EADOError("接続ダイアログが組み込まれていません。接続名か UDL: とファイル名を指定してください。");
    std::string name;
    if (!ConnectDialog(*Prop, name)) return false;
    return Connect(name);
}

bool TADODriver::Disconnect() {
    // freeing the connection object disconnects it (an open transaction is rolled back)
    DataModule->ADOConnection1 = std::make_unique<TOdbcConnection>();
    Conn().SetConnectionString(std::string());
    return true;
}

void TADODriver::SetLoginPrompt() {
    TStringList lines;
    TADOConnectStringsUtil::StringToList(Conn().ConnectionString(), &lines);
    Conn().LoginPrompt = !lines.Values("User ID").empty() && !lines.Values("Password").empty();
    if (ILoginPrompt* prompt = TConnectPrompts::LoginPrompt)
        Conn().OnLogin = [prompt](std::string& user, std::string& password) { return prompt->Execute(user, password); };
}

void TADODriver::OpenConnection() {
    if (Conn().LoginPrompt && !headless::NoDisplay()) {
        Conn().Open();
        return;
    }
    // Without a display nobody could fill in the prompt first: the string's
    // user and password are tried as they are, and only a failure asks.
    Conn().LoginPrompt = false;
    try {
        Conn().Open();
    } catch (const std::exception& first) {
        // The driver's own message stays: a cancelled retry must not hide why the connect failed.
        const std::string driverMessage = first.what();
        Conn().LoginPrompt = true;
        try {
            Conn().Open();
        } catch (const ELoginCancelled& e) {
            throw EADOError(driverMessage + "\r\n" + e.Message);
        }
    }
}

void TADODriver::ConnectUDL(const std::string& Name) {
    std::string path = GetUDLPath(Name);
    std::string full = path;
    if (path.find('\\') == std::string::npos && path.find('/') == std::string::npos) {
        std::string folder;
        Prop->GetCurrentFolder(folder);
        full = folder + path;
    }
    if (!fs932::FileExists(full)) throw EADOError("UDLファイルが存在しません [" + full + "]");
    std::string s;
    TADOConnectStringsUtil::ReadUDLFile(full, s);
    Conn().SetConnectionString(s);
    SetLoginPrompt();
}

void TADODriver::ConnectSaved(const std::string& Name) {
    auto store = OpenStore();
    std::string s;
    if (store) {
        if (Name.empty()) {
            std::string selected;
            store->GetSelectedName(selected);
            store->GetConnectString(selected, s);
        } else {
            store->GetConnectString(Name, s);
            // the named connection becomes the current one for the next start
            store->SelectNode(Name);
            store->SaveToFile();
        }
    }
    // the name may be a connection string given where a name was expected
    if (s.empty()) throw EADOError("接続情報が登録されていません。[ " + odbc::MaskPasswords(Name) + " ]");
    Conn().SetConnectionString(s);
    SetLoginPrompt();
}

bool TADODriver::Connect(const std::string& Name) {
    Disconnect();
    FMadeKind = TMadeKind::None;
    if (IsUDLName(Name)) {
        ConnectUDL(Name);
        OpenConnection();
        FMadeKind = TMadeKind::UDL;
        FMadeName = sys::Trim(Name);
    } else {
        ConnectSaved(Name);
        OpenConnection();
        FMadeKind = TMadeKind::Saved;
        FMadeName = Name.empty() ? GetCurrentConnectionName() : sys::Trim(Name);
    }
    return true;
}

bool TADODriver::ConnectByConnectionString(const std::string& ConnectionString, const std::string& Name) {
    Disconnect();
    FMadeKind = TMadeKind::None;
    Conn().SetConnectionString(ConnectionString);
    SetLoginPrompt();
    OpenConnection();
    FMadeKind = TMadeKind::String;
    FMadeName = Name;
    FMadeConnectionString = ConnectionString;
    return true;
}

bool TADODriver::Reconnect() {
    switch (FMadeKind) {
    case TMadeKind::UDL:
    case TMadeKind::Saved:
        Connect(FMadeName);
        return true;
    case TMadeKind::String:
        ConnectByConnectionString(std::string(FMadeConnectionString), std::string(FMadeName));
        return true;
    default:
        break;
    }
    auto store = OpenStore();
    if (!store || store->GetCount() == 0) throw EADOError("再接続するための接続情報がありません");
    std::string name;
    store->GetSelectedName(name);
    store.reset();
    Connect(name);
    return true;
}

bool TADODriver::IsConnected() { return Conn().Connected(); }

void TADODriver::GetDescription(std::string& S) {
    S.clear();
    if (IsConnected()) S = " [ " + odbc::MaskPasswords(FMadeName) + " ] ";
}

void TADODriver::GetObjectTreeNames(std::string& S) {
    S.clear();
    if (FMadeKind == TMadeKind::UDL || FMadeKind == TMadeKind::String) return;   // no saved connection behind it
    auto store = OpenStore();
    if (!store) return;
    std::string name = FMadeName;
    if (FMadeKind == TMadeKind::None) store->GetSelectedName(name);
    if (!name.empty()) store->GetObjectTreeNames(name, S);
}

void TADODriver::Execute(void*, const std::string& SQL, TSQLKind Kind, std::unique_ptr<TDataSet>& DataSet, std::string& Msg) {
    if (!IsConnected()) throw EADOError("接続が確立していません。");
    // taken before anything that can fail, so that every message carries a true time
    const int64_t start = TickMs();
    DataSet.reset();
    Msg.clear();
    auto query = std::make_unique<TOdbcQuery>(&Conn());
    query->OnFetchProgress = OnFetchProgress;
    // every message, of a success or of an error, ends with the time taken
    auto elapsed = ScopeExit([&] { Msg += " (" + std::to_string(TickMs() - start) + "ms)"; });
    {
        TADOSQLParamParser parser(SQL);
        query->SetParamCheck(parser.Files.Count() > 0);
        query->SetSQL(SQL);
        for (int i = 0; i < parser.Files.Count(); ++i) {
            const std::string& marker = parser.Files[i];
            // "<?" "FILE" and one separator character, then the path, then "?>"
            std::string path = marker.size() > 9 ? marker.substr(7, marker.size() - 9) : std::string();
            std::string name = NeedsQuotedName(path) && path.find('"') == std::string::npos ? ":\"" + path + "\"" : ":" + path;
            std::string sql = ReplaceAllText(query->SQL(), marker, name);
            query->SetSQL(sql);
            size_t found = sql.find(path);
            int32_t pos = found == std::string::npos ? 1 : static_cast<int32_t>(found) + 1;
            TOdbcParameter* param = path.empty() ? nullptr : query->Parameters().FindParam(path);
            if (!param) throw EADOSQLParamParser(sql, pos, "パラメータが不正です。");
            try {
                param->LoadFromFile(path, ftBytes);
            } catch (const std::exception& e) {
                throw EADOSQLParamParser(sql, pos, e.what());
            }
        }
        query->EnableBCD = false;
        switch (Kind) {
        case TSQLKind::Query:
        case TSQLKind::Other:
            try {
                query->Open();
                Msg = "結果:" + std::to_string(query->RecordCount()) + "件";
            } catch (const EDatabaseError& e) {
                // only a statement without a result set is an answer here; every other error reaches the caller
                if (e.Message != kNoResultSet || dynamic_cast<const EOdbcError*>(&e)) throw;
                Msg = Kind == TSQLKind::Query ? "SELECT を実行しました。" : "実行しました。";
            }
            break;
        case TSQLKind::Insert:
        case TSQLKind::Update:
        case TSQLKind::Delete:
            query->ExecSQL();
            Msg = "結果: " + std::to_string(query->RowsAffected()) + " 件更新";
            break;
        default:
            break;
        }
    }
    DataSet = std::move(query);
}

void TADODriver::AddConnectionLines(TStringList& Output) {
    TStringList lines;
    const std::string& s = Conn().Connected() ? Conn().CompletedConnectionString() : Conn().ConnectionString();
    // the lines are shown: a password is not
    TADOConnectStringsUtil::StringToList(odbc::MaskPasswords(s), &lines);
    Output.AddStrings(lines);
}

void TADODriver::HandleCommand(void*, TCommandInterface& Command, bool& Handled) {
    TStringList& out = Command.GetOutput();
    out.Clear();
    const std::string name = sys::UpperCase(Command.GetCommandName());
    TParamsArr params;
    Command.GetParams(params);
    auto notConnected = [&] {
        Command.SetSucceeded(false);
        throw Exception(out.Text() + "\r\n" + "接続していません。");
    };
    if (name == "CONNECT") {
        Handled = true;
        try {
            bool ok = params[0].empty() ? ConnectWithDialog() : Connect(params[0]);
            if (ok) {
                AddConnectionLines(out);
                out.Add("へ接続しました");
            } else {
                out.Add("キャンセルしました");
                Command.SetSucceeded(false);
            }
        } catch (const std::exception& e) {
            out.Clear();
            Command.SetSucceeded(false);
            throw Exception(std::string("接続に失敗しました。\r\n") + e.what());
        }
    } else if (name == "DISCONNECT") {
        Handled = true;
        if (IsConnected()) {
            AddConnectionLines(out);
            Disconnect();
            out.Add("から切断しました");
        } else {
            out.Add("接続していません");
            Command.SetSucceeded(false);
        }
    } else if (name == "RECONNECT") {
        Handled = true;
        try {
            Reconnect();
            AddConnectionLines(out);
            out.Add("へ再接続しました");
            Command.SetSucceeded(true);
        } catch (const std::exception& e) {
            out.Clear();
            AddConnectionLines(out);
            Command.SetSucceeded(false);
            throw Exception(out.Text() + "\r\n" + "への接続に失敗しました。" + "\r\n" + e.what());
        }
    } else if (name == "BEGIN") {
        Handled = true;
        if (!IsConnected()) notConnected();
        if (Conn().InTransaction()) {
            Conn().RollbackTrans();
            Conn().BeginTrans();
            out.Add("ロールバックしました。");
            out.Add("トランザクションをスタートしました。");
        } else {
            Conn().BeginTrans();
            out.Add("トランザクションをスタートしました。");
        }
    } else if (name == "ROLLBACK" || name == "COMMIT") {
        Handled = true;
        if (!IsConnected()) notConnected();
        const bool commit = name == "COMMIT";
        if (!Conn().InTransaction()) {
            out.Add(commit ? "現在コミットは無効です。" : "現在ロールバックは無効です。");
        } else if (commit) {
            Conn().CommitTrans();
            out.Add("コミットしました。");
        } else {
            Conn().RollbackTrans();
            out.Add("ロールバックしました。");
        }
    }
}
