// Connect, DisConnect, ReConnect, Begin, Commit and RollBack against a small
// driver that keeps a connection and one transaction level, as the database
// driver does behind the host's user-command event.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "AppException.h"
#include "FakeHost.h"
#include "FileSystem.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "U_Command.h"
#include "U_CommandManager.h"

namespace {

Z_DECLARE_EXCEPTION(EFakeDriver, Exception);

using Lines = std::vector<std::string>;

class TFakeDriver {
public:
    void HandleCommand(TCommandInterface& Command, bool& Handled) {
        TParamsArr params;
        Command.GetParams(params);
        const std::string name = sys::UpperCase(Command.GetCommandName());
        Seen.push_back(name + (params[0].empty() ? "" : " " + params[0]));
        TStringList& out = Command.GetOutput();
        out.Clear();
        Handled = true;
        if (name == "CONNECT") {
            std::string target = params[0];
            if (target.empty()) {
                if (!DialogChoice.empty()) target = DialogChoice;
                else {
                    out.Add("キャンセルしました");
                    Command.SetSucceeded(false);
                    return;
                }
            }
            try {
                Connect(target);
            } catch (const Exception& e) {
                out.Clear();
                Command.SetSucceeded(false);
                throw EFakeDriver("接続に失敗しました。\r\n" + e.Message);
            }
            out.Add("Data Source=" + Current);
            out.Add("へ接続しました");
        } else if (name == "DISCONNECT") {
            if (!Connected) {
                out.Add("接続していません");
                Command.SetSucceeded(false);
                return;
            }
            out.Add("Data Source=" + Current);
            Disconnect();
            out.Add("から切断しました");
        } else if (name == "RECONNECT") {
            try {
                if (Current.empty()) throw EFakeDriver("再接続するための接続情報がありません");
                Connect(Current);
            } catch (const Exception& e) {
                out.Clear();
                Command.SetSucceeded(false);
                throw EFakeDriver("\r\nへの接続に失敗しました。\r\n" + e.Message);
            }
            out.Add("Data Source=" + Current);
            out.Add("へ再接続しました");
        } else if (name == "BEGIN" || name == "COMMIT" || name == "ROLLBACK") {
            if (!Connected) {
                Command.SetSucceeded(false);
                throw EFakeDriver("\r\n接続していません。");
            }
            if (name == "BEGIN") {
                if (InTransaction) out.Add("ロールバックしました。");
                InTransaction = true;
                out.Add("トランザクションをスタートしました。");
            } else if (name == "COMMIT") {
                out.Add(InTransaction ? "コミットしました。" : "現在コミットは無効です。");
                InTransaction = false;
            } else {
                out.Add(InTransaction ? "ロールバックしました。" : "現在ロールバックは無効です。");
                InTransaction = false;
            }
        } else {
            Handled = false;
        }
    }

    // Every connect starts by dropping the connection, and with it its transaction.
    void Connect(const std::string& Name) {
        Disconnect();
        if (!Known.count(Name)) throw EFakeDriver("接続情報が登録されていません。[ " + Name + " ]");
        Connected = true;
        Current = Name;
    }
    void Disconnect() { Connected = InTransaction = false; }

    std::set<std::string> Known = {"db1", "db2"};
    std::string DialogChoice;  // empty: the dialog is cancelled
    bool Connected = false;
    bool InTransaction = false;
    std::string Current;
    Lines Seen;
};

class ConnectCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        Host.OnUserCommand = [this](void*, TCommandInterface& Command, bool& Handled) {
            Driver.HandleCommand(Command, Handled);
        };
    }
    // Runs one line as a script, the way a script page does, and returns what
    // reached the result page.
    Lines Script(const std::string& text) {
        Host.Console.Clear();
        Host.Calls.clear();
        Host.Runs.clear();
        Host.Errors.clear();
        Driver.Seen.clear();
        Host.ExecuteScriptText(text);
        return Host.Console.Lines.Items;
    }
    Lines NestedRuns() const {
        Lines runs;
        for (const auto& r : Host.Runs)
            if (r.Depth > 0) runs.push_back(r.Text);
        return runs;
    }
    // Connected to db1 in manual-commit mode with an open transaction.
    void ConnectManually() {
        Host.IsAutoCommit = false;
        Script("#Connect db1;");
        ASSERT_TRUE(Driver.Connected && Driver.InTransaction);
    }

    TFakeHost Host;
    TFakeDriver Driver;
};

const Lines kRefreshed = {"RefreshConnectState", "UpdateCaption"};
const Lines kRefreshedAndTreesLoaded = {"RefreshConnectState", "UpdateCaption", "LoadConnectionObjectTrees"};

TEST_F(ConnectCommandTest, ManualCommitModeBeginsATransactionBeforeTheModeLine) {
    Host.IsAutoCommit = false;
    // The nested "#Begin" shows its lines before those of the Connect itself.
    EXPECT_EQ(Script("#connect db1;"),
              (Lines{"トランザクションをスタートしました。", "Data Source=db1", "へ接続しました", "手動コミットモードです"}));
    EXPECT_EQ(NestedRuns(), (Lines{"#Begin\r\n"}));
    EXPECT_EQ(Driver.Seen, (Lines{"CONNECT db1", "BEGIN"}));
    EXPECT_TRUE(Driver.InTransaction);
    EXPECT_EQ(Host.Calls, kRefreshedAndTreesLoaded);

    // Connecting again drops the old transaction in the driver and begins a new one.
    EXPECT_EQ(Script("#Connect db2"),
              (Lines{"トランザクションをスタートしました。", "Data Source=db2", "へ接続しました", "手動コミットモードです"}));
    EXPECT_EQ(Host.Errors, Lines{});
}

TEST_F(ConnectCommandTest, AutoCommitModeOnlyReportsTheMode) {
    EXPECT_EQ(Script("#Connect db1"), (Lines{"Data Source=db1", "へ接続しました", "自動コミットモードです"}));
    EXPECT_EQ(NestedRuns(), Lines{});
    EXPECT_FALSE(Driver.InTransaction);
    EXPECT_EQ(Host.Calls, kRefreshedAndTreesLoaded);
    // Without a name the dialog is asked.
    Driver.DialogChoice = "db2";
    EXPECT_EQ(Script("#Connect"), (Lines{"Data Source=db2", "へ接続しました", "自動コミットモードです"}));
    EXPECT_EQ(Driver.Seen, Lines{"CONNECT"});
}

// A cancelled dialog keeps the old connection: its open transaction must not
// be rolled back by a "#Begin".
TEST_F(ConnectCommandTest, CancelledDialogKeepsTheOpenTransaction) {
    ConnectManually();
    EXPECT_EQ(Script("#Connect"), (Lines{"キャンセルしました", "手動コミットモードです"}));
    EXPECT_EQ(NestedRuns(), Lines{});
    EXPECT_EQ(Driver.Seen, Lines{"CONNECT"});
    EXPECT_TRUE(Driver.Connected);
    EXPECT_TRUE(Driver.InTransaction);
    EXPECT_EQ(Host.Calls, kRefreshed);

    Host.IsAutoCommit = true;
    EXPECT_EQ(Script("#Connect"), (Lines{"キャンセルしました", "自動コミットモードです"}));
}

// A failed connect has dropped the old connection: the window shows that
// before the error is reported, and nothing else follows.
TEST_F(ConnectCommandTest, FailedConnectRefreshesTheWindowAndReportsTheError) {
    ConnectManually();
    const Lines shown = Script("#Connect nosuch;");
    EXPECT_EQ(Host.Errors, Lines{"EFakeDriver:接続に失敗しました。\r\n接続情報が登録されていません。[ nosuch ]"});
    EXPECT_EQ(shown, Host.Errors);
    EXPECT_EQ(Host.Calls, kRefreshed);
    EXPECT_EQ(NestedRuns(), Lines{});
    EXPECT_EQ(Driver.Seen, Lines{"CONNECT nosuch"});
    EXPECT_FALSE(Driver.Connected);
}

// The refresh's own error is not lost either: it goes to the application's handler.
TEST_F(ConnectCommandTest, RefreshErrorDoesNotHideTheDriversError) {
    struct THost : TFakeHost {
        void RefreshConnectState() override { throw EFakeDriver("描画できません"); }
    } host;
    host.OnUserCommand = [this](void*, TCommandInterface& Command, bool& Handled) {
        Driver.HandleCommand(Command, Handled);
    };
    Lines handled;
    testutil::THookScope hooks;
    hooks.Set(app::SetExceptionHandler, [&](const std::exception& e) { handled.push_back(e.what()); });
    TStringList out;
    try {
        TCommandManager(&host).ExecuteLine(TStringList("#Connect nosuch"), out);
        FAIL() << "no error";
    } catch (const EFakeDriver& e) {
        EXPECT_EQ(e.Message, "接続に失敗しました。\r\n接続情報が登録されていません。[ nosuch ]");
    }
    EXPECT_EQ(handled, Lines{"描画できません"});
}

TEST_F(ConnectCommandTest, ReConnect) {
    // Nothing to reconnect to: refreshed, then the error.
    Script("#ReConnect");
    EXPECT_EQ(Host.Errors, Lines{"EFakeDriver:\r\nへの接続に失敗しました。\r\n再接続するための接続情報がありません"});
    EXPECT_EQ(Host.Calls, kRefreshed);

    ConnectManually();
    EXPECT_EQ(Script("#reconnect ignored words"),
              (Lines{"トランザクションをスタートしました。", "Data Source=db1", "へ再接続しました", "手動コミットモードです"}));
    EXPECT_EQ(Driver.Seen, (Lines{"RECONNECT ignored", "BEGIN"}));
    EXPECT_EQ(Host.Calls, kRefreshedAndTreesLoaded);

    Host.IsAutoCommit = true;
    EXPECT_EQ(Script("#ReConnect").back(), "自動コミットモードです");
    EXPECT_FALSE(Driver.InTransaction);
}

TEST_F(ConnectCommandTest, DisConnectWritesNoModeLine) {
    ConnectManually();
    EXPECT_EQ(Script("#DisConnect x y"), (Lines{"Data Source=db1", "から切断しました"}));
    EXPECT_EQ(Host.Calls, kRefreshedAndTreesLoaded);
    EXPECT_EQ(NestedRuns(), Lines{});
    // Not connected: the driver's refusal, and no object trees to load.
    EXPECT_EQ(Script("#DisConnect"), Lines{"接続していません"});
    EXPECT_EQ(Host.Calls, kRefreshed);
}

TEST_F(ConnectCommandTest, BeginIsRefusedInAutoCommitMode) {
    Script("#Begin");
    EXPECT_EQ(Host.Errors, Lines{"ECommand:オートコミットモードではトランザクションを明示的に開始できません"});
    EXPECT_EQ(Driver.Seen, Lines{});
    EXPECT_EQ(Host.Calls, Lines{});
}

TEST_F(ConnectCommandTest, TransactionCommandsReachTheDriver) {
    ConnectManually();
    const struct {
        const char* line;
        Lines shown;
        const char* seen;
    } cases[] = {
        {"#Begin", {"ロールバックしました。", "トランザクションをスタートしました。"}, "BEGIN"},
        {"#COMMIT", {"コミットしました。"}, "COMMIT"},
        {"#Commit now", {"現在コミットは無効です。"}, "COMMIT now"},
        {"#begin", {"トランザクションをスタートしました。"}, "BEGIN"},
        {"#RollBack", {"ロールバックしました。"}, "ROLLBACK"},
        {"#rollback", {"現在ロールバックは無効です。"}, "ROLLBACK"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Script(c.line), c.shown) << c.line;
        EXPECT_EQ(Driver.Seen, Lines{c.seen}) << c.line;
        EXPECT_EQ(Host.Calls, Lines{}) << c.line;
    }
    Driver.Disconnect();
    for (const char* line : {"#Begin", "#Commit", "#RollBack"}) {
        Script(line);
        EXPECT_EQ(Host.Errors, Lines{"EFakeDriver:\r\n接続していません。"}) << line;
    }
}

TEST_F(ConnectCommandTest, WithoutAHandlerTheCommandsSaySo) {
    Host.OnUserCommand = nullptr;
    Host.IsAutoCommit = false;
    const std::string by = " is not implement by " + fs932::ProgramFileName();
    EXPECT_EQ(Script("#Commit"), Lines{"Commit" + by});
    EXPECT_EQ(Script("#RollBack"), Lines{"RollBack" + by});
    EXPECT_EQ(Script("#Begin"), Lines{"Begin" + by});
    EXPECT_EQ(Script("#DisConnect"), Lines{"DisConnect" + by});
    EXPECT_EQ(Script("#Connect db1"), (Lines{"Begin" + by, "Connect" + by, "手動コミットモードです"}));
}

}  // namespace
