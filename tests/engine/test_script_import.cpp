#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include <string>
#include <vector>

#include "FakeHost.h"
#include "FileSystem.h"
#include "TestUtil.h"
#include "U_ScriptManager.h"

namespace {

class ScriptImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        Root = testutil::TempFolder("engine-import");
        ASSERT_FALSE(Root.empty());
        ASSERT_TRUE(fs932::CreateDir(Root + "page"));
        Host.Folder = Root + "page/";
        Host.OnExecuteSQL = [this](void*, const std::string& SQL, TSQLKind, std::unique_ptr<TDataSet>&, std::string&) {
            Host.SQLs.push_back(SQL);
        };
    }
    void Write(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(fs932::WriteFileAtomic(Root + name, bytes)) << name;
    }
    // Runs Script as the page's script.
    void Run(const std::string& Script) { Host.ExecuteScriptWithParams(TStringList(Script), TStringList()); }

    std::string Root;
    TFakeHost Host;
};

TEST_F(ScriptImportTest, ImportRunsTheFileFromThePageFolderWithItsParameters) {
    Write("page/x.sql", "SELECT '{%0}';\nSELECT {%1}, {%2};\n");  // Linux line ends
    Run("@ x.sql a \"b c\";");
    ASSERT_EQ(Host.Runs.size(), 2u);
    EXPECT_EQ(Host.Runs[1].Params, (std::vector<std::string>{"x.sql", "a", "b c"}));
    EXPECT_EQ(Host.Runs[1].Text, "SELECT '{%0}';\r\nSELECT {%1}, {%2};\r\n");
    EXPECT_EQ(Host.SQLs, (std::vector<std::string>{"SELECT 'x.sql'\r\n", "SELECT a, b c\r\n"}));
    EXPECT_TRUE(Host.Errors.empty());
}

TEST_F(ScriptImportTest, LineEndsOfImportedFiles) {
    Write("page/crlf.sql", "SELECT 1\r\nFROM t;");
    Write("page/cr.sql", "SELECT 2\rFROM t;");
    Write("page/lf.sql", "SELECT 3\nFROM t;");
    Run("@crlf.sql;@cr.sql;@lf.sql;");
    EXPECT_EQ(Host.SQLs, (std::vector<std::string>{"SELECT 1\r\nFROM t\r\n", "SELECT 2\r\nFROM t\r\n", "SELECT 3\r\nFROM t\r\n"}))
        << testutil::Hex(Host.SQLs.empty() ? "" : Host.SQLs[0]);
}

TEST_F(ScriptImportTest, FileNames) {
    Write("top.sql", "SELECT 'top';");
    Write("page/here.sql", "SELECT 'here';");
    Write("page/表.sql", "SELECT 'kanji';");
    Write("page/my file.sql", "SELECT 'blank';");
    struct Case {
        std::string Line;
        std::string Sent;
    };
    const std::vector<Case> cases = {
        {"@here.sql", "SELECT 'here'"},
        {"@./here.sql", "SELECT 'here'"},
        {"@.\\here.sql", "SELECT 'here'"},
        {"@../top.sql", "SELECT 'top'"},
        {"@..\\top.sql", "SELECT 'top'"},
        {"@表.sql", "SELECT 'kanji'"},
        {"@\"my file.sql\"", "SELECT 'blank'"},
        {"@" + Root + "top.sql", "SELECT 'top'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        Host.SQLs.clear();
        Host.Errors.clear();
        Run(c.Line);
        EXPECT_EQ(Host.Errors, std::vector<std::string>{});
        EXPECT_EQ(Host.SQLs, std::vector<std::string>{c.Sent + "\r\n"});
    }
}

TEST_F(ScriptImportTest, ImportErrors) {
    struct Case {
        std::string Line;
        std::string Error;
    };
    const std::vector<Case> cases = {
        {"@nosuch.sql a", "EScriptManager:ファイルが見つかりません:[ " + Root + "page/nosuch.sql ]"},
        {"@..\\nosuch.sql", "EScriptManager:ファイルが見つかりません:[ " + Root + "nosuch.sql ]"},
        {"@", "EScriptFileImportCommandLineParser:ファイル名がありません"},
        {"@   \"\"", "EScriptFileImportCommandLineParser:ファイル名がありません"},
        {"@ x.sql\"a\"", "ECommandLineParser:正しくデリミットされていません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        auto m = std::make_unique<TScriptManager>(&Host, TStringList(c.Line), ';', TSQL99Splitter::smDelimiter);
        std::string error;
        try {
            m->Execute(0);
        } catch (const Exception& e) {
            error = std::string(e.ClassName()) + ":" + e.Message;
        }
        EXPECT_EQ(error, c.Error);
        std::string kept;
        m->GetErrorText(0, kept);
        EXPECT_EQ(c.Error.substr(c.Error.find(':') + 1), kept);
    }
    EXPECT_TRUE(Host.Runs.empty());
}

// Only regular files are imported: a folder, a FIFO without a writer or a
// device is refused at once, neither read to exhaustion nor waited on.
TEST_F(ScriptImportTest, ImportsReadOnlyRegularFiles) {
    ASSERT_TRUE(fs932::CreateDir(Root + "page/folder.sql"));
    ASSERT_EQ(mkfifo(fs932::ToNative(Root + "page/fifo.sql").c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", fs932::ToNative(Root + "page/zero.sql").c_str()), 0);
    Write("page/ok.sql", "SELECT 1;");
    const std::string refused = "EScriptManager:通常のファイルではないため読み込めません:[ ";
    struct Case {
        std::string Line;
        std::string Error;
    } cases[] = {
        {"@folder.sql", refused + Root + "page/folder.sql ]"},
        {"@fifo.sql", refused + Root + "page/fifo.sql ]"},
        {"@zero.sql", refused + Root + "page/zero.sql ]"},
        {"@/dev/zero", refused + "/dev/zero ]"},
        {"@/dev/null", refused + "/dev/null ]"},
        {"@ok.sql", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        TScriptManager m(&Host, TStringList(c.Line), ';', TSQL99Splitter::smDelimiter);
        std::string error;
        try {
            m.Execute(0);
        } catch (const Exception& e) {
            error = std::string(e.ClassName()) + ":" + e.Message;
        }
        EXPECT_EQ(error, c.Error);
    }
    EXPECT_EQ(Host.SQLs, std::vector<std::string>{"SELECT 1\r\n"});
}

// Running out of memory while a statement runs is told in words, not as the
// bare name of the exception.
TEST_F(ScriptImportTest, OutOfMemoryIsAClearMessage) {
    Host.OnExecuteSQL = [](void*, const std::string&, TSQLKind, std::unique_ptr<TDataSet>&, std::string&) {
        throw std::bad_alloc();
    };
    TScriptManager m(&Host, TStringList("SELECT 1"), ';', TSQL99Splitter::smDelimiter);
    std::string error, kept;
    try {
        m.Execute(0);
    } catch (const Exception& e) {
        error = std::string(e.ClassName()) + ":" + e.Message;
    }
    m.GetErrorText(0, kept);
    EXPECT_EQ(error, "ESQLManager:メモリが不足しています");
    EXPECT_EQ(kept, "メモリが不足しています");

    // In an imported script the statement's error is told the same way.
    Write("page/big.sql", "SELECT 1;");
    Run("@big.sql");
    EXPECT_EQ(Host.Errors, std::vector<std::string>{"ESQLManager:メモリが不足しています"});
}

TEST_F(ScriptImportTest, ArgumentIndexes) {
    TScriptFileImportCommandLineParser p("x.sql a", Root);
    EXPECT_EQ(p.GetArgCount(), 2);
    std::string s;
    p.GetArg(1, s);
    EXPECT_EQ(s, "a");
    for (int i : {-1, 2}) {
        try {
            p.GetArg(i, s);
            ADD_FAILURE() << i;
        } catch (const EScriptFileImportCommandLineParser& e) {
            EXPECT_EQ(e.Message, "範囲外の引数インデックスです");
        }
    }
}

TEST_F(ScriptImportTest, NestedImports) {
    Write("page/outer.sql", "SELECT 'outer';\r\n@inner.sql {%1}\r\n");
    Write("page/inner.sql", "SELECT '{%0}:{%1}';");
    Run("@outer.sql v;SELECT 'after';");
    EXPECT_EQ(Host.SQLs, (std::vector<std::string>{"SELECT 'outer'\r\n", "SELECT 'inner.sql:v'\r\n", "SELECT 'after'\r\n"}));
    EXPECT_EQ(Host.MaxDepth, 3);
    EXPECT_TRUE(Host.Errors.empty());
}

TEST_F(ScriptImportTest, SelfImportStopsAtTheDepthLimit) {
    Write("page/self.sql", "SELECT 1;\r\n@self.sql;\r\n");
    Run("@self.sql;SELECT 'after';");
    const int limit = TScriptManager::MaxImportDepth;
    EXPECT_EQ(Host.MaxDepth, limit + 1);
    EXPECT_EQ(Host.Errors,
              std::vector<std::string>{"EScriptManager:スクリプトのインポートが" + std::to_string(limit) +
                                       "段を超えました。インポートが循環していないか確認してください:[ " + Root +
                                       "page/self.sql ]"});
    EXPECT_EQ(Host.SQLs.size(), static_cast<size_t>(limit) + 1);
    EXPECT_EQ(Host.SQLs.back(), "SELECT 'after'\r\n");
}

TEST_F(ScriptImportTest, ImportCycleStopsAtTheDepthLimit) {
    Write("page/a.sql", "@b.sql");
    Write("page/b.sql", "@./a.sql");
    Run("@a.sql");
    ASSERT_EQ(Host.Errors.size(), 1u);
    EXPECT_NE(Host.Errors[0].find("[ " + Root + "page/a.sql ]"), std::string::npos) << Host.Errors[0];
    // The limit is for the nesting only: the next import starts at the top again.
    Host.Errors.clear();
    Run("@a.sql");
    EXPECT_EQ(Host.Errors.size(), 1u);
}

}  // namespace
