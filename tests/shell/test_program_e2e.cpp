// The program itself, started as a child process on the offscreen platform
// with "@script": typed commands and SQL against SQLite and PostgreSQL, the
// result exported as text and as a BIFF2 worksheet, "#Exit" ending the
// process. The exports are compared byte for byte (CP932).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "CP932.h"
#include "DbTestUtil.h"
#include "FileLock.h"
#include "KZNTreeViewFormatMerge.h"
#include "FileSystem.h"
#include "MainTestUtil.h"
#include "ProgramRunner.h"
#include "SysUtils.h"
#include "TestUtil.h"
#include "engine/BiffTestUtil.h"

namespace {

using dbtest::Db;
using maintest::UdlBytes;
using programrun::TRun;

std::string FileBytes(const std::string& Name) {
    std::string b;
    EXPECT_TRUE(fs932::ReadFile(Name, b)) << Name;
    return b;
}

QStringList ScriptArg(const std::string& Path) { return {QString::fromStdString(fs932::ToNative("@" + Path))}; }

// The value of Key in the settings file's text; empty when it has none.
std::string IniValue(const std::string& Text, const std::string& Key) {
    const size_t at = Text.find("\n" + Key + "=");
    if (at == std::string::npos) return std::string();
    const size_t from = at + Key.size() + 2;
    return Text.substr(from, Text.find('\r', from) - from);
}

struct ProgramE2E : ::testing::TestWithParam<Db> {};

}  // namespace

TEST(ProgramE2E, AnyOtherCommandLineEndsAtOnceWithoutAWord) {
    const std::string dir = programrun::ProgramFolder("e2e-gate");
    ASSERT_FALSE(dir.empty());
    for (const char* arg : {"x", "/help", "-@x", ""}) {
        const TRun run = programrun::Run(dir, {QString::fromUtf8(arg), QStringLiteral("@a.sql")}, 60);
        ASSERT_TRUE(run.Finished) << arg;
        EXPECT_EQ(run.ExitCode, 0) << arg;
        EXPECT_EQ(run.Output + run.Errors, "") << arg;
    }
    EXPECT_FALSE(fs932::FileExists(dir + "Zintavor.Environment"));
}

TEST_P(ProgramE2E, AScriptOfCommandsAndSQLExportsItsResultAndExits) {
    const Db db = GetParam();
    if (db == Db::PostgreSQL) DBTEST_REQUIRE_PG();
    const std::string dir = programrun::ProgramFolder(db == Db::SQLite ? "e2e-sqlite" : "e2e-pg");
    ASSERT_FALSE(dir.empty());
    const std::string conn = db == Db::SQLite ? "DRIVER=SQLite3;Database=" + dir + "sample.sqlite" : dbtest::PgConn();
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes(conn)));
    const std::string table = db == Db::SQLite ? "CREATE TABLE" : "CREATE TEMP TABLE";
    // A start-up script in the current folder runs first: it sets a variable the script uses.
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Hello.Script", "#Set 部署名 = 営業;\r\n"));
    const std::string script =
        "#Connect UDL:" + dir + "db.udl;\r\n" +
        table + " 社員 (番号 INTEGER, 氏名 VARCHAR(20), 部署 VARCHAR(20));\r\n"
        "INSERT INTO 社員 VALUES (1, '山田太郎', '{!部署名}');\r\n"
        "INSERT INTO 社員 VALUES (2, '鈴木花子', NULL);\r\n"
        "INSERT INTO 社員 VALUES (10, '{%1}', '開発');\r\n"
        "#Erase;\r\n"
        "#Print 社員一覧;\r\n"
        "#SQLResultEchoOff;\r\n"
        "SELECT 番号, 氏名, 部署 FROM 社員 ORDER BY 番号;\r\n"
        "#SaveToFile " + dir + "社員.txt;\r\n"
        "#Erase;\r\n"
        "#SDF;\r\n"
        "#SQLResultEchoOff;\r\n"
        "SELECT 番号, 氏名, 部署 FROM 社員 ORDER BY 番号;\r\n"
        "#SaveToFileXLS " + dir + "社員.xls;\r\n"
        "#Exit;\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", script));

    const TRun run = programrun::Run(dir, {QString::fromStdString(fs932::ToNative("@" + dir + "run.sql")),
                                           QString::fromStdString(cp932::ToUtf8("高橋 一"))});
    ASSERT_TRUE(run.Finished) << "the program did not end:\n" << run.Errors;
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;

    const std::string text = FileBytes(dir + "社員.txt");
    const std::string expected =
        "社員一覧\r\n"
        "\r\n"
        "番号 氏名     部署   \r\n"
        "---- -------- ------ \r\n"
        "   1 山田太郎 営業   \r\n"
        "   2 鈴木花子 (NULL) \r\n"
        "  10 高橋 一  開発   \r\n";
    EXPECT_EQ(text, expected) << testutil::Hex(text) << "\n" << cp932::ToUtf8(text);

    using bifftest::Cell;
    const std::vector<Cell> cells = bifftest::Labels(FileBytes(dir + "社員.xls"));
    // Row 0 is the blank line the page starts with after #Erase.
    const std::vector<Cell> expectedCells = {
        {1, 0, "番号"}, {1, 1, "氏名"},     {1, 2, "部署"},   {2, 0, "1"},  {2, 1, "山田太郎"}, {2, 2, "営業"},
        {3, 0, "2"},    {3, 1, "鈴木花子"}, {3, 2, "(NULL)"}, {4, 0, "10"}, {4, 1, "高橋 一"},  {4, 2, "開発"},
    };
    EXPECT_EQ(cells, expectedCells);
    // The close-time section is written beside the program, in the run's own folder.
    EXPECT_TRUE(fs932::FileExists(dir + "Zintavor.Environment"));
}

INSTANTIATE_TEST_SUITE_P(Db, ProgramE2E, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

// SQLite keeps any text in a column declared DATE, DATETIME or TIME: the
// program shows what the column holds, a date in its own form, and "(NULL)"
// only for NULL.
TEST(ProgramE2E, SQLiteDateColumnsHoldingTextShowTheText) {
    const std::string dir = programrun::ProgramFolder("e2e-dates");
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes("DRIVER=SQLite3;Database=" + dir + "dates.sqlite")));
    const std::string script =
        "#Connect UDL:" + dir + "db.udl;\r\n"
        "CREATE TABLE 予定 (番号 INTEGER, 日付 DATE, 日時 DATETIME, 時刻 TIME);\r\n"
        "INSERT INTO 予定 VALUES (1, '未定', '2024-13-45', '25:99');\r\n"
        "INSERT INTO 予定 VALUES (2, '2024-01-15', '2024-01-15 10:20:30', '12:34:56.5');\r\n"
        "INSERT INTO 予定 VALUES (3, '', NULL, '12:00');\r\n"
        "#Erase;\r\n"
        "#SQLResultEchoOff;\r\n"
        "SELECT 番号, 日付, 日時, 時刻, 日付 IS NULL AS 空 FROM 予定 ORDER BY 番号;\r\n"
        "#SaveToFile " + dir + "予定.txt;\r\n"
        "#Exit;\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", script));
    const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(run.Finished) << run.Errors;
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;
    const std::string text = FileBytes(dir + "予定.txt");
    const std::string expected =
        "\r\n"
        "番号 日付       日時                時刻       空 \r\n"
        "---- ---------- ------------------- ---------- -- \r\n"
        "   1 未定       2024-13-45          25:99       0 \r\n"
        "   2 2024/01/15 2024/01/15 10:20:30 12:34:56.5  0 \r\n"
        "   3            (NULL)              12:00:00    0 \r\n";
    EXPECT_EQ(text, expected) << cp932::ToUtf8(text);
}

// ---- runs without a display

// Each failure ends the run at once with exit code 1 and says why on the error output.
TEST(ProgramWithoutDisplay, AFailureEndsTheRunWithCodeOneAndTheDriversMessage) {
    struct Case {
        const char* Name;
        std::string Connection;  // of the UDL file "db.udl"; the folder stands for "<dir>"
        std::string Script;
        std::vector<std::string> Said;  // on the error output (CP932)
        bool NeedsPg;
        std::string Settings = std::string();  // the close-time section's lines, when not the defaults
    };
    const std::string sqlite = "DRIVER=SQLite3;Database=<dir>ok.sqlite";
    // The test server trusts its loopback clients, so a user it does not know
    // stands for wrong credentials.
    const std::string wrongPg =
        sys::StringReplaceAll(dbtest::PgConn(), "UID=zintavor;", "UID=zintavor_nobody;");
    // the system's own form with "User ID" and "Password" asks for them before connecting
    const std::string wrongPgAdo =
        sys::StringReplaceAll(sys::StringReplaceAll(wrongPg, "UID=", "User ID="), "PWD=", "Password=");
    const std::vector<Case> cases = {
        {"nodriver", "DRIVER={Zintavor Missing Driver};Database=x", "#Connect UDL:db.udl;\r\n",
         {"接続に失敗しました。", "Can't open lib 'Zintavor Missing Driver'"}, false},
        {"nofolder", "DRIVER=SQLite3;Database=<dir>missing/folder/db.sqlite", "#Connect UDL:db.udl;\r\n",
         {"接続に失敗しました。", "[SQLite]connect failed"}, false},
        {"badsql", sqlite,
         "#Connect UDL:db.udl;\r\nSELECT * FROM no_such_table;\r\n#SaveToFile <dir>after.txt;\r\n",
         {"no such table: no_such_table", "エラーが発生しました", "中断"}, false},
        {"noname", sqlite, "#Connect;\r\n#Print after;\r\n", {"接続の選択", "画面がないため"}, false},
        // the variables dialog and the save dialog answer themselves too
        {"setv", sqlite, "#SetV;\r\n", {"環境変数設定：画面がないため"}, false},
        {"savename", sqlite, "#Print x;\r\n#SaveToFile;\r\n", {"保存するファイル名の選択", "画面がないため"}, false},
        // the pause after every statement and the one every so many records stop the run as well
        {"everystep", sqlite, "#Connect UDL:db.udl;\r\n#SaveToFile <dir>after.txt;\r\n", {"一時停止", "中断"}, false,
         "EVERYTIMESTOPTOGGLE_STATE=1\r\n"},
        {"stepdisplay", sqlite,
         "#Connect UDL:db.udl;\r\n#StepDisplayCount 1;\r\nSELECT 1 UNION ALL SELECT 2;\r\n",
         {"表示中断中 [StepDisplayCount:1]", "中断"}, false},
        {"pguser", wrongPg, "#Connect UDL:db.udl;\r\n",
         {"接続に失敗しました。", "role \"zintavor_nobody\" does not exist", "ログインがキャンセルされました。"}, true},
        {"pguserado", wrongPgAdo, "#Connect UDL:db.udl;\r\n",
         {"接続に失敗しました。", "role \"zintavor_nobody\" does not exist"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.NeedsPg && dbtest::PgConn().empty()) {
            if (dbtest::RequireDb()) ADD_FAILURE() << "no PostgreSQL server";
            continue;
        }
        const std::string dir = programrun::ProgramFolder(std::string("e2e-fail-") + c.Name);
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes(sys::StringReplaceAll(c.Connection, "<dir>", dir))));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", sys::StringReplaceAll(c.Script, "<dir>", dir)));
        if (!c.Settings.empty()) {
            ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Environment", "[CLOSETIMEESAVE]\r\n" + c.Settings));
        }
        const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
        ASSERT_TRUE(run.Finished) << run.Errors;
        EXPECT_EQ(run.ExitCode, 1) << run.Errors;
        const std::string said = cp932::FromUtf8(run.Errors);
        for (const std::string& s : c.Said) EXPECT_NE(said.find(s), std::string::npos) << s << "\n" << run.Errors;
        // a stopped run runs nothing after the failure
        EXPECT_FALSE(fs932::FileExists(dir + "after.txt"));
    }
}

// In DB2eCLP mode a statement the console processor fails leaves no result
// file; the error output says the processor's own message, as it says the
// driver's for any failing statement.
TEST(ProgramWithoutDisplay, AStatementTheConsoleProcessorFailsSaysTheProcessorsMessage) {
    const std::string dir = programrun::ProgramFolder("e2e-clp");
    ASSERT_FALSE(dir.empty());
    const std::string clp = dir + "clp/";
    ASSERT_TRUE(fs932::ForceDirectories(clp));
    ASSERT_EQ(symlink(ZINTAVOR_DB2ECLP, fs932::ToNative(clp + "DB2eCLP.exe").c_str()), 0);
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#DB2eCLP " + clp + " e2e;\r\nSELECT * FROM nosuch;\r\n"));
    const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(run.Finished) << run.Errors;
    EXPECT_EQ(run.ExitCode, 1) << run.Errors;
    const std::string said = cp932::FromUtf8(run.Errors);
    for (const char* s : {"SQL0901N  The SQL statement failed.", "no such table: nosuch"})
        EXPECT_NE(said.find(s), std::string::npos) << s << "\n" << run.Errors;
}

TEST(ProgramWithoutDisplay, ACleanRunEndsWithCodeZeroAndExitKeepsItsCode) {
    struct Case {
        const char* Name;
        std::string Script;
        int Code;
    };
    const std::vector<Case> cases = {
        // no "#Exit": the end of the start-up runs ends the program
        {"clean", "#Connect UDL:db.udl;\r\nCREATE TABLE t (n INTEGER);\r\nSELECT n FROM t;\r\n#Print done;\r\n", 0},
        // the pause after an error is off: the run goes on past it, and "#Exit" still ends with 0
        {"exit", "#Connect UDL:db.udl;\r\nSELECT * FROM none;\r\n#Exit;\r\n", 0},
        {"noexit", "#Connect UDL:db.udl;\r\nSELECT * FROM none;\r\n#Print done;\r\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string dir = programrun::ProgramFolder(std::string("e2e-end-") + c.Name);
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes("DRIVER=SQLite3;Database=" + dir + "db.sqlite")));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", c.Script));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Environment", "[CLOSETIMEESAVE]\r\nERRORTIMESTOPTOGGLE_STATE=0\r\n"));
        const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
        ASSERT_TRUE(run.Finished) << run.Errors;
        EXPECT_EQ(run.ExitCode, c.Code) << run.Errors;
        if (c.Code == 0) {
            // nothing was declined, paused or reported as failed
            const std::string said = cp932::FromUtf8(run.Errors);
            for (const char* word : {"画面がないため", "中断", "失敗"})
                EXPECT_EQ(said.find(word), std::string::npos) << word << "\n" << run.Errors;
        }
        // the error output carries the program's own messages only: a run
        // without one leaves it empty (the offscreen platform's warnings included)
        if (std::string(c.Name) == "clean") {
            EXPECT_EQ(run.Errors, "");
        }
    }
}

// The offscreen screen is small: its window sizes must not reach the next
// windowed start. The toggles are still saved.
TEST(ProgramWithoutDisplay, TheSettingsFileKeepsItsWindowSizes) {
    const std::string dir = programrun::ProgramFolder("e2e-geometry");
    ASSERT_FALSE(dir.empty());
    const std::vector<std::pair<std::string, std::string>> kept = {
        {"CLIENTWINDOWSIZE_W", "1500"}, {"CLIENTWINDOWSIZE_H", "1000"}, {"DESCTREEPOS", "300"},
        {"SCRIPT_RESULTPOS", "420"},    {"HISTORYWINDOW_W", "400"},     {"HISTORYSPLITPOS", "190"},
    };
    std::string ini = "[CLOSETIMEESAVE]\r\n";
    for (const auto& kv : kept) ini += kv.first + "=" + kv.second + "\r\n";
    ini += "OUTPUTSQLTOGGLE_STATE=0\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Environment", ini));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#SQLEcho ON;\r\n#Print done;\r\n"));
    const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(run.Finished) << run.Errors;
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;
    const std::string after = FileBytes(dir + "Zintavor.Environment");
    for (const auto& kv : kept) EXPECT_EQ(IniValue(after, kv.first), kv.second) << kv.first << "\n" << after;
    EXPECT_EQ(IniValue(after, "OUTPUTSQLTOGGLE_STATE"), "1") << after;
}

// A save at close that fails is said, naming the file, and the exit code is not 0.
TEST(ProgramWithoutDisplay, AFailedSaveAtCloseIsSaidAndEndsWithCodeOne) {
    for (const char* name : {"Zintavor.History", "Zintavor.Environment"}) {
        SCOPED_TRACE(name);
        const std::string dir = programrun::ProgramFolder(std::string("e2e-save-") + name);
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(fs932::ForceDirectories(dir + name));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#Print done;\r\n#Exit;\r\n"));
        const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
        ASSERT_TRUE(run.Finished) << run.Errors;
        EXPECT_EQ(run.ExitCode, 1) << run.Errors;
        const std::string said = cp932::FromUtf8(run.Errors);
        EXPECT_NE(said.find("の保存に失敗しました。[" + dir + name + "]"), std::string::npos) << run.Errors;
        EXPECT_EQ(said.find("起動エラー"), std::string::npos) << run.Errors;
    }
}

// A saved-connections file with a NUL byte before two more connections: after
// a connect and the exit, both are still there, in the file or in its copy,
// and the file is as private as it was.
TEST(ProgramE2E, ConnectionsAfterANulSurviveAConnectAndTheExit) {
    const std::string dir = programrun::ProgramFolder("e2e-nul");
    ASSERT_FALSE(dir.empty());
    const std::string store = dir + "Zintavor.Connection";
    auto rec = [&](const std::string& name) {
        return name + "\x07StringList=DRIVER=SQLite3\r\nDatabase=" + dir + name + ".sqlite\x06\r\n";
    };
    const std::string damaged = rec("A") + std::string(1, '\0') + rec("B") + rec("C");
    ASSERT_TRUE(fs932::WriteFileAtomic(store, damaged));
    ASSERT_EQ(chmod(fs932::ToNative(store).c_str(), 0600), 0);
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#Connect A;\r\n#Exit;\r\n"));

    const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(run.Finished) << run.Errors;
    std::string now, kept;
    ASSERT_TRUE(fs932::ReadFile(store, now));
    fs932::ReadFile(store + ".bad", kept);
    for (const char* name : {"B", "C"})
        EXPECT_NE((now + kept).find(rec(name)), std::string::npos) << name << "\n" << run.Errors;
    EXPECT_EQ(kept, damaged);
    struct stat st;
    ASSERT_EQ(stat(fs932::ToNative(store).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A statement that holds ";" inside it (a trigger body, a PL/pgSQL function)
// runs in the "/" style: the first line "/" turns it on, and only a line
// holding "/" alone ends a statement. Each is created, then used.
TEST_P(ProgramE2E, StatementsWithSemicolonsInsideRunInTheSlashStyle) {
    const Db db = GetParam();
    if (db == Db::PostgreSQL) DBTEST_REQUIRE_PG();
    const std::string dir = programrun::ProgramFolder(db == Db::SQLite ? "e2e-slash-sqlite" : "e2e-slash-pg");
    ASSERT_FALSE(dir.empty());
    const std::string conn = db == Db::SQLite ? "DRIVER=SQLite3;Database=" + dir + "slash.sqlite" : dbtest::PgConn();
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes(conn)));
    const std::string body =
        db == Db::SQLite
            ? "CREATE TABLE t (n INTEGER)\r\n/\r\n"
              "CREATE TRIGGER tr AFTER INSERT ON t BEGIN\r\n"
              "  UPDATE t SET n = n * 10 WHERE rowid = new.rowid;\r\n"
              "  UPDATE t SET n = n + 1 WHERE rowid = new.rowid;\r\n"
              "END;\r\n/\r\n"
              "INSERT INTO t VALUES (2)\r\n/\r\n"
              "SELECT n AS 結果 FROM t\r\n/\r\n"
            : "CREATE FUNCTION pg_temp.times_ten_plus_one(x integer) RETURNS integer AS $$\r\n"
              "DECLARE y integer;\r\n"
              "BEGIN\r\n"
              "  y := x * 10;\r\n"
              "  RETURN y + 1;\r\n"
              "END;\r\n"
              "$$ LANGUAGE plpgsql\r\n/\r\n"
              "SELECT pg_temp.times_ten_plus_one(2) AS 結果\r\n/\r\n";
    const std::string script = "/\r\n#Connect UDL:" + dir + "db.udl\r\n/\r\n" + body + "#SaveToFile " + dir +
                               "out.txt\r\n/\r\n#Exit\r\n/\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", script));
    const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(run.Finished) << run.Errors;
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;
    const std::string out = FileBytes(dir + "out.txt");
    EXPECT_NE(out.find("Oracle SQLPlus 仕様でスクリプトを解析しました"), std::string::npos) << out;
    // the column under its alias, then the value the trigger or function made (right-aligned)
    EXPECT_NE(out.find("結果 \r\n---- \r\n  21 \r\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("エラー"), std::string::npos) << out;
}

// Text CP932 cannot hold is "?" in the result, and a line after the count
// line says how many characters were replaced and which: in every layout, so
// in what #SaveToFile writes, whether the count line is shown or not.
TEST_P(ProgramE2E, ReplacedCharactersAreSaidAfterTheCountLineInEveryLayout) {
    const Db db = GetParam();
    if (db == Db::PostgreSQL) DBTEST_REQUIRE_PG();
    const bool pg = db == Db::PostgreSQL;
    const std::string dir = programrun::ProgramFolder(pg ? "e2e-loss-pg" : "e2e-loss-sqlite");
    ASSERT_FALSE(dir.empty());
    const std::string conn = pg ? dbtest::PgConn() : "DRIVER=SQLite3;Database=" + dir + "loss.sqlite";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes(conn)));
    // 𠮷野家, 한국 and €100; PostgreSQL also has the labels 𠮷 and €
    const std::string select =
        pg ? "SELECT chr(134071) || '野家' AS U&\"\\+020BB7\", chr(54620) || chr(44397) AS b, chr(8364) || '100' AS U&\"\\20AC\";\r\n"
           : "SELECT char(134071) || '野家' AS a, char(54620, 44397) AS b, char(8364) || '100' AS c;\r\n";
    const std::string said =
        pg ? "結果の文字のうち、シフトJISで表せない 6 文字を \"?\" に置き換えました：U+20BB7、U+20AC、U+D55C、U+AD6D"
           : "結果の文字のうち、シフトJISで表せない 4 文字を \"?\" に置き換えました：U+20BB7、U+D55C、U+AD6D、U+20AC";
    const std::vector<std::string> modes = {"Text", "TextGrid", "SDF", "TAB", "CutSheet", "Grid"};
    std::string script = "#Connect UDL:" + dir + "db.udl;\r\n";
    for (const std::string& mode : modes)
        script += "#Erase;\r\n#" + mode + ";\r\n" + select + "#SaveToFile " + dir + mode + ".txt;\r\n";
    script += "#Erase;\r\n#SQLResultEchoOff;\r\n" + select + "#SaveToFile " + dir + "NoEcho.txt;\r\n";
    script += "#Erase;\r\nSELECT '野家' AS a;\r\n#SaveToFile " + dir + "Clean.txt;\r\n#Exit;\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", script));
    const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(run.Finished) << run.Errors;
    EXPECT_EQ(run.ExitCode, 0) << run.Errors;
    for (const std::string& mode : modes) {
        SCOPED_TRACE(mode);
        const std::string text = FileBytes(dir + mode + ".txt");
        // the count line, then the line that says it, once
        const size_t count = text.find("結果:1件 (");
        ASSERT_NE(count, std::string::npos) << cp932::ToUtf8(text);
        const size_t next = text.find("\r\n", count);
        EXPECT_EQ(text.compare(next, said.size() + 4, "\r\n" + said + "\r\n"), 0) << cp932::ToUtf8(text);
        EXPECT_EQ(text.find(said, next + said.size()), std::string::npos) << cp932::ToUtf8(text);
        if (mode != "Grid") {
            EXPECT_NE(text.find("?野家"), std::string::npos) << cp932::ToUtf8(text);
        }
    }
    const std::string noEcho = FileBytes(dir + "NoEcho.txt");
    EXPECT_EQ(noEcho.find("結果:"), std::string::npos) << cp932::ToUtf8(noEcho);
    EXPECT_NE(noEcho.find("\r\n" + said + "\r\n"), std::string::npos) << cp932::ToUtf8(noEcho);
    const std::string clean = FileBytes(dir + "Clean.txt");
    EXPECT_EQ(clean.find("シフトJISで表せない"), std::string::npos) << cp932::ToUtf8(clean);
}

// PostgreSQL: a COPY that moves its data through the connection (FROM STDIN,
// TO STDOUT) would leave the driver waiting for ever. It ends at once with the
// reason, the run goes on as after any failed statement, and the connection
// stays usable. A run that has to be killed fails.
TEST(ProgramE2E, CopyThroughTheConnectionEndsAtOnceWithTheReason) {
    DBTEST_REQUIRE_PG();
    const std::string refused = "COPY ... FROM STDIN / TO STDOUT のように、データを接続を通して直接やり取りする文は"
                                "この接続では実行できません。文は実行していません。";
    // the result page folds the message to its width
    const std::string shown = "COPY ... FROM STDIN / TO STDOUT のように";
    struct Case {
        const char* Name;
        std::string Script;       // after the connect; the folder stands for "<dir>"
        bool SlashStyle;
        bool StopOnError;
        int ExitCode;
        std::vector<std::string> Saved;  // in "<dir>out.txt", in this order
    };
    const std::vector<Case> cases = {
        // each statement on its own: the run goes on after each refusal
        {"apart",
         "SELECT 1 AS b;\r\nCOPY (SELECT 1) TO STDOUT;\r\nSELECT 2 AS a;\r\n"
         "CREATE TEMP TABLE t (n integer);\r\nCOPY t FROM STDIN;\r\nSELECT count(*) AS rows_in_t FROM t;\r\n"
         "#SaveToFile <dir>out.txt;\r\n",
         false, false, 1, {"結果:1件", shown, "結果:1件", shown, "rows_in_t", "結果:1件"}},
        // one batch of three statements: nothing of it runs
        {"batch",
         "SELECT 1 AS b; COPY (SELECT 1) TO STDOUT; SELECT 2 AS a\r\n/\r\n"
         "SELECT 3 AS after_the_batch\r\n/\r\n#SaveToFile <dir>out.txt\r\n/\r\n",
         true, false, 1, {shown, "after_the_batch", "結果:1件"}},
        // with the stop on errors, a run without a display ends with the reason
        {"stops", "COPY (SELECT 1) TO STDOUT;\r\n#SaveToFile <dir>out.txt;\r\n", false, true, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string dir = programrun::ProgramFolder(std::string("e2e-copy-") + c.Name);
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes(dbtest::PgConn())));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Environment",
                                           std::string("[CLOSETIMEESAVE]\r\nERRORTIMESTOPTOGGLE_STATE=") +
                                               (c.StopOnError ? "1" : "0") + "\r\n"));
        const std::string connect = c.SlashStyle ? "/\r\n#Connect UDL:db.udl\r\n/\r\n" : "#Connect UDL:db.udl;\r\n";
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", connect + sys::StringReplaceAll(c.Script, "<dir>", dir)));
        const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"), 60);
        ASSERT_TRUE(run.Finished) << "the program did not end:\n" << run.Errors;
        EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Errors;
        EXPECT_NE(cp932::FromUtf8(run.Errors).find(refused), std::string::npos) << run.Errors;
        if (c.Saved.empty()) {
            EXPECT_FALSE(fs932::FileExists(dir + "out.txt"));
            continue;
        }
        const std::string out = FileBytes(dir + "out.txt");
        size_t at = 0;
        for (const std::string& s : c.Saved) {
            at = out.find(s, at);
            ASSERT_NE(at, std::string::npos) << cp932::ToUtf8(s) << "\n" << cp932::ToUtf8(out);
            at += s.size();
        }
        EXPECT_EQ(out.find("切断"), std::string::npos) << cp932::ToUtf8(out);
    }
}

// ---- names and outputs the program cannot use

// A script name or a parameter that CP932 cannot hold is refused as such, not
// looked for under a name with "?" in it; the start-up script still runs.
TEST(ProgramWithoutDisplay, ACommandLineCP932CannotHoldIsRefused) {
    struct Case {
        const char* Name;
        QStringList Args;  // "<dir>" stands for the folder
        std::string Said;  // the refused name or argument as the message shows it (CP932)
    };
    const std::string refusedName = "ファイル名に、シフトJISで表せない文字が含まれています。このファイルは使えません。";
    const std::string refusedArg = "コマンドラインの引数に、シフトJISで表せない文字が含まれています。この引数は使えません。";
    const std::vector<Case> cases = {
        {"name", {QString::fromUtf8(u8"@<dir>caf\u00e9.sql")}, refusedName + "\r\n<dir>caf?.sql"},
        {"param", {QString::fromUtf8("@<dir>run.sql"), QString::fromUtf8(u8"\u00e9t\u00e9")}, refusedArg + "\r\n?t?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string dir = programrun::ProgramFolder(std::string("e2e-refuse-") + c.Name);
        ASSERT_FALSE(dir.empty());
        const std::string script = "#Print ran;\r\n#SaveToFile " + dir + "ran.txt;\r\n";
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", script));
        // the file of that name is there: a substitute would miss it, or reach another
        std::string native = fs932::ToNative(dir) + u8"caf\u00e9.sql";
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "caf?.sql", script));
        ASSERT_EQ(std::rename(fs932::ToNative(dir + "caf?.sql").c_str(), native.c_str()), 0);
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Hello.Script", "#Print hello;\r\n#SaveToFile " + dir + "hello.txt;\r\n"));
        QStringList args;
        for (const QString& a : c.Args) args << QString(a).replace(QStringLiteral("<dir>"), QString::fromStdString(fs932::ToNative(dir)));
        const TRun run = programrun::Run(dir, args);
        ASSERT_TRUE(run.Finished) << run.Errors;
        EXPECT_EQ(run.ExitCode, 1) << run.Errors;
        const std::string said = cp932::FromUtf8(run.Errors);
        EXPECT_NE(said.find(sys::StringReplaceAll(sys::StringReplaceAll(c.Said, "\r\n", "\n"), "<dir>", dir)),
                  std::string::npos)
            << run.Errors;
        EXPECT_EQ(said.find("ファイルが見つかりません"), std::string::npos) << run.Errors;
        EXPECT_TRUE(fs932::FileExists(dir + "hello.txt"));
        EXPECT_FALSE(fs932::FileExists(dir + "ran.txt"));
    }
}

namespace {

// Runs the program of Folder with Args, its error output a pipe whose reader
// has gone and its standard output thrown away; SIGPIPE at its default, as a
// shell gives it. The exit code, or 128 + the signal that ended it; -1 when it
// had to be killed.
int RunWithClosedErrorOutput(const std::string& Folder, const std::vector<std::string>& Args, int Seconds = 120) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    close(fds[0]);
    const std::string program = fs932::ToNative(Folder + "Zintavor"), folder = fs932::ToNative(Folder);
    std::vector<std::string> native;
    for (const std::string& a : Args) native.push_back(fs932::ToNative(a));
    const pid_t pid = fork();
    if (pid == 0) {
        signal(SIGPIPE, SIG_DFL);
        dup2(fds[1], 2);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        if (chdir(folder.c_str()) != 0) _exit(126);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (std::string& a : native) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) return -1;
    int status = 0;
    for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
        if (waited >= Seconds * 20) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(50000);
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// With the error output gone, a failing run still ends with code 1 (not by
// SIGPIPE) after its close-time saves, and a clean one with 0.
TEST(ProgramWithoutDisplay, AClosedErrorOutputDoesNotEndTheRunBeforeItsSaves) {
    struct Case {
        const char* Name;
        std::string Script;
        int Code;
    };
    const std::vector<Case> cases = {
        {"failing", "#Connect UDL:db.udl;\r\nSELECT * FROM no_such_table;\r\n#Print after;\r\n", 1},
        {"clean", "#Connect UDL:db.udl;\r\n#Print done;\r\n", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string dir = programrun::ProgramFolder(std::string("e2e-sigpipe-") + c.Name);
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes("DRIVER=SQLite3;Database=" + dir + "db.sqlite")));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", c.Script));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Environment", "[CLOSETIMEESAVE]\r\nERRORTIMESTOPTOGGLE_STATE=0\r\n"));
        EXPECT_EQ(RunWithClosedErrorOutput(dir, {"@" + dir + "run.sql"}), c.Code);
        // the close-time saves happened: the history holds the run, the settings their section
        const std::string history = FileBytes(dir + "Zintavor.History");
        EXPECT_NE(history.find("@" + dir + "run.sql;"), std::string::npos) << history;
        EXPECT_NE(FileBytes(dir + "Zintavor.Environment").find("OUTPUTSQLTOGGLE_STATE="), std::string::npos);
    }
}

namespace {

// A loopback port nobody listens on: a PostgreSQL server that has stopped.
int UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

}  // namespace

// A password is never printed: not for a connection string given where a
// name is expected (the error output), nor in the lines of a failed 再接続
// (the result page, saved to a file, and the error output).
TEST(ProgramWithoutDisplay, APasswordIsNeverPrinted) {
    const std::string dir = programrun::ProgramFolder("e2e-password");
    ASSERT_FALSE(dir.empty());
    const std::string port = std::to_string(UnusedPort());
    // the saved connection 再接続 takes: PostgreSQL, its server gone
    const std::string store = "pg\x07Selected=True\x07StringList=Provider=MSDASQL.1\r\nDRIVER={PostgreSQL Unicode}\r\n"
                              "Server=127.0.0.1\r\nPort=" + port + "\r\nDatabase=zintavor\r\nUser ID=zt\r\nPassword=S3cret\x06\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Connection", store));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Environment", "[CLOSETIMEESAVE]\r\nERRORTIMESTOPTOGGLE_STATE=0\r\n"));
    // the echo of a command line does not show it either
    const std::string script = "#SQLEcho ON;\r\n"
                               "#Connect \"DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=" + port + ";UID=zt;PWD=S3cret\";\r\n"
                               "#ReConnect;\r\n"
                               "#Connect PWD=sekret3;\r\n"
                               "#Connect \"Password=sekret8;DRIVER=SQLite3;Database=" + dir + "echo.sqlite\";\r\n"
                               "#Set C = Password=sekret7;DSN=x;\r\n"
                               "#Desc \"x;PWD=sekret5\";\r\n"
                               "#SaveToFile " + dir + "page.txt;\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", script));
    const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(run.Finished) << run.Errors;
    EXPECT_EQ(run.ExitCode, 1) << run.Errors;
    const std::string said = cp932::FromUtf8(run.Errors);
    EXPECT_NE(said.find("接続情報が登録されていません。[ DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=" + port +
                        ";UID=zt;PWD=**** ]"),
              std::string::npos)
        << run.Errors;
    const std::string page = FileBytes(dir + "page.txt");
    EXPECT_NE(page.find("User ID=zt\r\nPassword=****\r\n\r\nへの接続に失敗しました。"), std::string::npos) << cp932::ToUtf8(page);
    EXPECT_NE(page.find("#Desc \"x;PWD=****\""), std::string::npos) << cp932::ToUtf8(page);
    for (const char* secret : {"S3cret", "sekret"}) {
        EXPECT_EQ(said.find(secret), std::string::npos) << run.Errors;
        EXPECT_EQ(page.find(secret), std::string::npos) << cp932::ToUtf8(page);
    }
}

// ---- files that are not plain files, files shared by two copies

namespace {

int Occurrences(const std::string& Text, const std::string& Part) {
    int n = 0;
    for (size_t at = Text.find(Part); at != std::string::npos; at = Text.find(Part, at + Part.size())) ++n;
    return n;
}

bool IsFifo(const std::string& Path) {
    struct stat st;
    return lstat(fs932::ToNative(Path).c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// A copy of the program started in the background from a folder made by
// HoldingFolder; its saves pause at the point between reading the file again
// and writing it, each until the test takes the mark "<file name>.<pid>.paused"
// away from Marks.
// A folder holding the build of the program whose saves hold at marks.
std::string HoldingFolder(const std::string& Name) { return programrun::ProgramFolder(Name, ZINTAVOR_HOLDING_PROGRAM); }

struct TCopy {
    QProcess P;
    std::string Marks;

    TCopy(const std::string& Dir, const std::string& MarksDir, const QStringList& Args) : Marks(MarksDir) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ZINTAVOR_SAVE_PAUSE"), QString::fromStdString(fs932::ToNative(Marks)));
        P.setProcessEnvironment(env);
        P.setWorkingDirectory(QString::fromStdString(fs932::ToNative(Dir)));
        P.start(QString::fromStdString(fs932::ToNative(Dir + "Zintavor")), Args);
        P.waitForStarted(30000);
    }
    ~TCopy() {
        if (P.state() != QProcess::NotRunning) {
            P.kill();
            P.waitForFinished(10000);
        }
    }
    std::string Mark(const std::string& FileName, const char* Stage) const {
        return Marks + FileName + "." + std::to_string(P.processId()) + "." + Stage;
    }
    // Waits until the mark is there; false when the copy ended first or after two minutes.
    bool WaitForMark(const std::string& Mark) {
        for (int i = 0; i < 6000; ++i) {
            if (fs932::FileExists(Mark)) return true;
            if (P.state() == QProcess::NotRunning) return false;
            P.waitForFinished(20);
        }
        return false;
    }
    // Lets every pause of this copy go until it ends; its exit code, -1 when it did not end.
    int Finish() {
        const std::string tail = "." + std::to_string(P.processId()) + ".paused";
        for (int i = 0; i < 6000 && P.state() != QProcess::NotRunning; ++i) {
            std::vector<fs932::DirEntry> entries;
            fs932::ListDirectory(Marks, entries);
            for (const fs932::DirEntry& e : entries)
                if (e.Name.size() > tail.size() && e.Name.compare(e.Name.size() - tail.size(), tail.size(), tail) == 0)
                    fs932::DeleteFile(Marks + e.Name);
            P.waitForFinished(20);
        }
        if (P.state() != QProcess::NotRunning) return -1;
        return P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    }
    std::string Errors() { return P.readAllStandardError().toStdString(); }
};

}  // namespace

// Nothing in a user's environment makes the program's saves wait: with the
// variable the tests' build of it holds its saves by set, every save of the
// program itself goes through at once and leaves no mark.
TEST(ProgramWithoutDisplay, NoVariableMakesASaveWait) {
    const std::string dir = programrun::ProgramFolder("e2e-nopause");
    ASSERT_FALSE(dir.empty());
    const std::string marks = dir + "marks/";
    ASSERT_TRUE(fs932::ForceDirectories(marks));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#Print hi;\r\n#Exit;\r\n"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZINTAVOR_SAVE_PAUSE"), QString::fromStdString(fs932::ToNative(marks)));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(fs932::ToNative(dir)));
    p.start(QString::fromStdString(fs932::ToNative(dir + "Zintavor")), ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(p.waitForStarted(30000));
    const bool ended = p.waitForFinished(60000);
    if (!ended) {
        p.kill();
        p.waitForFinished(10000);
    }
    ASSERT_TRUE(ended) << "a save waited";
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<fs932::DirEntry> left;
    fs932::ListDirectory(marks, left);
    EXPECT_TRUE(left.empty()) << left.front().Name;
    EXPECT_EQ(Occurrences(FileBytes(dir + "Zintavor.History"), dir + "run.sql"), 1);
}

// A FIFO (or a link to a device) in place of a file the program reads: the run
// ends, the file is refused with "ファイル … を開けません" once, and nothing
// is copied to ".bad" or written into it.
TEST(ProgramWithoutDisplay, NoFileReadWaitsOnAFifoOrADevice) {
    struct Case {
        const char* Name;      // made a FIFO in the run's folder
        bool ToZero;           // a link to /dev/zero instead
        std::string Script;    // "<dir>" stands for the folder
        int Code;
    };
    const std::vector<Case> cases = {
        {"Zintavor.Environment", false, "#Print done;\r\n#Exit;\r\n", 0},
        {"Zintavor.History", false, "#Print done;\r\n#Exit;\r\n", 0},
        {"Zintavor.Connection", false, "#Connect A;\r\n", 1},
        {"Hello.Script", false, "#Print done;\r\n", 1},
        {"fifo.udl", false, "#Connect UDL:fifo.udl;\r\n", 1},
        {"zero.udl", true, "#Connect UDL:zero.udl;\r\n", 1},
        {"param.bin", false,
         "#Connect UDL:db.udl;\r\nCREATE TABLE t (b BLOB);\r\nINSERT INTO t VALUES (<?FILE:<dir>param.bin?>);\r\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string dir = programrun::ProgramFolder(std::string("e2e-fifo-") + c.Name);
        ASSERT_FALSE(dir.empty());
        const std::string special = dir + c.Name;
        if (c.ToZero)
            ASSERT_EQ(symlink("/dev/zero", fs932::ToNative(special).c_str()), 0);
        else
            ASSERT_EQ(mkfifo(fs932::ToNative(special).c_str(), 0644), 0);
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "db.udl", UdlBytes("DRIVER=SQLite3;Database=" + dir + "db.sqlite")));
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", sys::StringReplaceAll(c.Script, "<dir>", dir)));
        const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"), 60);
        ASSERT_TRUE(run.Finished) << "the program waited:\n" << run.Errors;
        EXPECT_EQ(run.ExitCode, c.Code) << run.Errors;
        const std::string said = cp932::FromUtf8(run.Errors);
        EXPECT_EQ(Occurrences(said, c.Name + std::string(" を開けません")), 1) << run.Errors;
        if (!c.ToZero) {
            EXPECT_TRUE(IsFifo(special));
        }
        EXPECT_FALSE(fs932::FileExists(special + ".bad"));
    }
}

// Saving the history is not skipped in silence when its file is read-only: the
// run's history would be lost. A read-only settings file stays silent.
TEST(ProgramWithoutDisplay, AReadOnlyHistoryIsSaidAndAReadOnlySettingsFileIsNot) {
    struct Case {
        const char* Name;
        std::string Bytes;
        int Code;
        bool Said;
    };
    const std::vector<Case> cases = {
        {"Zintavor.History",
         "お気に入り\x07StringList=＄＄お気に入りフォルダROOT\x06\r\n履歴\x07StringList=＄＄履歴フォルダROOT\x06\r\n", 1, true},
        {"Zintavor.Environment", "[CLOSETIMEESAVE]\r\nERRORTIMESTOPTOGGLE_STATE=1\r\n", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string dir = programrun::ProgramFolder(std::string("e2e-ro-") + c.Name);
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + c.Name, c.Bytes));
        ASSERT_EQ(chmod(fs932::ToNative(dir + c.Name).c_str(), 0444), 0);
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#Print done;\r\n#Exit;\r\n"));
        const TRun run = programrun::Run(dir, ScriptArg(dir + "run.sql"));
        ASSERT_TRUE(run.Finished) << run.Errors;
        EXPECT_EQ(run.ExitCode, c.Code) << run.Errors;
        const std::string said = cp932::FromUtf8(run.Errors);
        EXPECT_EQ(Occurrences(said, "の保存に失敗しました。[" + dir + c.Name + "]"), c.Said ? 1 : 0) << run.Errors;
        if (c.Said) {
            EXPECT_NE(said.find("読み取り専用"), std::string::npos) << run.Errors;
        }
        EXPECT_EQ(FileBytes(dir + c.Name), c.Bytes);
    }
}

// Two copies in one folder ending at the same moment: the second holds at the
// history's lock while the first has read the file again and not yet written
// it. Both runs' history entries are kept, and the settings key the first
// changed survives the second's save.
TEST(ProgramE2E, TwoCopiesEndingTogetherKeepEachOthersHistoryAndSettings) {
    const std::string dir = HoldingFolder("e2e-two");
    ASSERT_FALSE(dir.empty());
    const std::string marks = dir + "marks/";
    ASSERT_TRUE(fs932::ForceDirectories(marks));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "Zintavor.Environment", "[CLOSETIMEESAVE]\r\nOUTPUTSQLTOGGLE_STATE=0\r\n"));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "first.sql", "#SQLEcho ON;\r\n#Print first;\r\n"));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "second.sql", "#Print second;\r\n"));

    TCopy first(dir, marks, ScriptArg(dir + "first.sql"));
    ASSERT_TRUE(first.WaitForMark(first.Mark("Zintavor.History", "paused"))) << first.Errors();
    TCopy second(dir, marks, ScriptArg(dir + "second.sql"));
    ASSERT_TRUE(second.WaitForMark(second.Mark("Zintavor.History", "waiting"))) << second.Errors();
    EXPECT_EQ(first.Finish(), 0) << first.Errors();
    EXPECT_EQ(second.Finish(), 0) << second.Errors();

    const std::string history = FileBytes(dir + "Zintavor.History");
    for (const char* script : {"first.sql", "second.sql"})
        EXPECT_EQ(Occurrences(history, dir + script), 1) << script << "\n" << cp932::ToUtf8(history);
    const std::string settings = FileBytes(dir + "Zintavor.Environment");
    EXPECT_EQ(IniValue(settings, "OUTPUTSQLTOGGLE_STATE"), "1") << settings;
}

// Another copy leaves the history damaged while this one waits to save it:
// the damage is kept beside the file and told once, as at start-up, and this
// run's entry is saved.
TEST(ProgramE2E, DamageFoundWhenTheHistoryIsSavedIsToldOnce) {
    const std::string dir = HoldingFolder("e2e-merge-damage");
    ASSERT_FALSE(dir.empty());
    const std::string marks = dir + "marks/";
    ASSERT_TRUE(fs932::ForceDirectories(marks));
    const std::string store = dir + "Zintavor.History";
    ASSERT_TRUE(fs932::WriteFileAtomic(store, "お気に入り\x07StringList=＄＄お気に入りフォルダROOT\x06\r\n"
                                              "履歴\x07StringList=＄＄履歴フォルダROOT\x06\r\n"));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#Print hi;\r\n#Exit;\r\n"));

    auto other = std::make_unique<fs932::TFileLock>();
    other->Lock(store);
    TCopy copy(dir, marks, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(copy.WaitForMark(copy.Mark("Zintavor.History", "waiting"))) << copy.Errors();
    const std::string damaged = "壊れた行\x06\r\n";
    ASSERT_TRUE(fs932::WriteFileAtomic(store, damaged));
    other.reset();
    EXPECT_EQ(copy.Finish(), 0);

    const std::string said = cp932::FromUtf8(copy.Errors());
    EXPECT_EQ(Occurrences(said, "履歴ファイル「" + store + "」を読み込めません。"), 1) << cp932::ToUtf8(said);
    EXPECT_EQ(Occurrences(said, "元のファイルの写しを「" + store + ".bad」に残しました。"), 1) << cp932::ToUtf8(said);
    EXPECT_EQ(FileBytes(store + ".bad"), damaged);
    EXPECT_EQ(Occurrences(FileBytes(store), dir + "run.sql"), 1);
}

// A connect by name saves the current connection: it waits while another copy
// holds the connections file's lock, and keeps what that copy wrote.
TEST(ProgramE2E, AConnectByNameKeepsTheConnectionsAnotherCopySavedMeanwhile) {
    const std::string dir = HoldingFolder("e2e-connections");
    ASSERT_FALSE(dir.empty());
    const std::string marks = dir + "marks/";
    ASSERT_TRUE(fs932::ForceDirectories(marks));
    const std::string store = dir + "Zintavor.Connection";
    auto rec = [&](const std::string& name, bool selected) {
        return name + "\x07" "Focused=" + (selected ? "True" : "False") + "\x07Selected=" + (selected ? "True" : "False") +
               "\x07StringList=DRIVER=SQLite3\r\nDatabase=" + dir + name + ".sqlite\x06\r\n";
    };
    ASSERT_TRUE(fs932::WriteFileAtomic(store, rec("A", true) + rec("B", false)));
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#Connect B;\r\n"));

    auto other = std::make_unique<fs932::TFileLock>();
    other->Lock(store);
    TCopy copy(dir, marks, ScriptArg(dir + "run.sql"));
    ASSERT_TRUE(copy.WaitForMark(copy.Mark("Zintavor.Connection", "waiting"))) << copy.Errors();
    // the other copy saves a new connection and lets go
    ASSERT_TRUE(fs932::WriteFileAtomic(store, rec("A", true) + rec("B", false) + rec("C", false)));
    other.reset();
    EXPECT_EQ(copy.Finish(), 0) << copy.Errors();

    const std::string now = FileBytes(store);
    const TKZNTreeFormatChars chars;
    const TKZNTreeTextRecords records = KZNTreeSplitText(now, chars);
    std::vector<std::string> names, selected;
    for (const TKZNTreeTextRecord& r : records) {
        const std::string name = KZNTreeBodyCaption(r.Body, chars);
        names.push_back(name);
        if (KZNTreeBodyProperty(r.Body, "Selected", chars) == "True") selected.push_back(name);
        EXPECT_EQ(KZNTreeBodyProperty(r.Body, "StringList", chars), "DRIVER=SQLite3\r\nDatabase=" + dir + name + ".sqlite");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C"})) << cp932::ToUtf8(now);
    EXPECT_EQ(selected, std::vector<std::string>{"B"}) << cp932::ToUtf8(now);
}
