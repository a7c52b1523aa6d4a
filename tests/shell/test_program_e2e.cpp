// The program itself, started as a child process on the offscreen platform
// with "@script": typed commands and SQL against SQLite and PostgreSQL, the
// result exported as text and as a BIFF2 worksheet, "#Exit" ending the
// process. The exports are compared byte for byte (CP932).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "CP932.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "MainTestUtil.h"
#include "TestUtil.h"
#include "engine/BiffTestUtil.h"

namespace {

using dbtest::Db;

using maintest::UdlBytes;

struct TRun {
    bool Finished = false;
    int ExitCode = -1;
    std::string Output;  // standard output and error
};

// Runs the program in Folder with Args; gives up (and kills it) after Seconds.
TRun RunProgram(const std::string& Folder, const QStringList& Args, int Seconds = 180) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(fs932::ToNative(Folder)));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(ZINTAVOR_PROGRAM), Args);
    TRun run;
    if (!p.waitForStarted(30000)) return run;
    run.Finished = p.waitForFinished(Seconds * 1000);
    if (!run.Finished) {
        p.kill();
        p.waitForFinished(10000);
    }
    run.Output = p.readAll().toStdString();
    run.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return run;
}

std::string FileBytes(const std::string& Name) {
    std::string b;
    EXPECT_TRUE(fs932::ReadFile(Name, b)) << Name;
    return b;
}

struct ProgramE2E : ::testing::TestWithParam<Db> {};

}  // namespace

TEST(ProgramE2E, AnyOtherCommandLineEndsAtOnceWithoutAWord) {
    const std::string dir = testutil::TempFolder("e2e-gate");
    for (const char* arg : {"x", "/help", "-@x", ""}) {
        const TRun run = RunProgram(dir, {QString::fromUtf8(arg), QStringLiteral("@a.sql")}, 60);
        ASSERT_TRUE(run.Finished) << arg;
        EXPECT_EQ(run.ExitCode, 0) << arg;
        EXPECT_EQ(run.Output, "") << arg;
    }
    EXPECT_FALSE(fs932::FileExists(dir + "Zintavor.Environment"));
}

TEST_P(ProgramE2E, AScriptOfCommandsAndSQLExportsItsResultAndExits) {
    const Db db = GetParam();
    if (db == Db::PostgreSQL) DBTEST_REQUIRE_PG();
    const std::string dir = testutil::TempFolder(db == Db::SQLite ? "e2e-sqlite" : "e2e-pg");
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

    const TRun run = RunProgram(dir, {QString::fromStdString(fs932::ToNative("@" + dir + "run.sql")),
                                      QString::fromStdString(cp932::ToUtf8("高橋 一"))});
    ASSERT_TRUE(run.Finished) << "the program did not end:\n" << run.Output;
    EXPECT_EQ(run.ExitCode, 0) << run.Output;

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
    // The close-time section is written beside the program, not here.
    EXPECT_FALSE(fs932::FileExists(dir + "Zintavor.Environment"));
}

INSTANTIATE_TEST_SUITE_P(Db, ProgramE2E, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

// A saved-connections file with a NUL byte before two more connections: after
// a connect and the exit, both are still there, in the file or in its copy,
// and the file is as private as it was.
TEST(ProgramE2E, ConnectionsAfterANulSurviveAConnectAndTheExit) {
    const std::string dir = testutil::TempFolder("e2e-nul");
    const std::string program = fs932::FromNative(ZINTAVOR_PROGRAM);
    const std::string store = program.substr(0, program.rfind('/') + 1) + "Zintavor.Connection";
    const std::string clean = "rm -f '" + fs932::ToNative(store) + "' '" + fs932::ToNative(store) + ".bad'*";
    ASSERT_EQ(std::system(clean.c_str()), 0);
    auto rec = [&](const std::string& name) {
        return name + "\x07StringList=DRIVER=SQLite3\r\nDatabase=" + dir + name + ".sqlite\x06\r\n";
    };
    const std::string damaged = rec("A") + std::string(1, '\0') + rec("B") + rec("C");
    ASSERT_TRUE(fs932::WriteFileAtomic(store, damaged));
    ASSERT_EQ(chmod(fs932::ToNative(store).c_str(), 0600), 0);
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "run.sql", "#Connect A;\r\n#Exit;\r\n"));

    const TRun run = RunProgram(dir, {QString::fromStdString(fs932::ToNative("@" + dir + "run.sql"))}, 120);
    ASSERT_TRUE(run.Finished) << run.Output;
    std::string now, kept;
    ASSERT_TRUE(fs932::ReadFile(store, now));
    fs932::ReadFile(store + ".bad", kept);
    for (const char* name : {"B", "C"})
        EXPECT_NE((now + kept).find(rec(name)), std::string::npos) << name << "\n" << run.Output;
    EXPECT_EQ(kept, damaged);
    struct stat st;
    ASSERT_EQ(stat(fs932::ToNative(store).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::system(clean.c_str()), 0);
}
