// The DB2e CLP driver against a scripted processor: the exact standard input
// of each run, the parsing of the describe output into the fields file, the
// export message, and the files left behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DB2eCLPTestUtil.h"
#include "Exception.h"
#include "FileSystem.h"
#include "StringList.h"
#include "U_ConsoleUtil.h"
#include "U_DB2eCLPDriver.h"
#include "U_DB2eCLP_SDF_ReadableDataSet.h"

namespace {

// A processor that keeps what each run got on its standard input (stdin<n>.txt)
// and answers with the files stdout<n>.txt, stderr<n>.txt and data<n>.csv
// (copied to the export file) when they exist.
class ScriptedProcessor : public ::testing::Test {
protected:
    void SetUp() override {
        clptest::WriteScript(Folder.Dir + "DB2eCLP.exe",
                             "n=$(cat count 2>/dev/null || echo 0); n=$((n+1)); echo $n > count\n"
                             "cat > stdin$n.txt\n"
                             "[ -f stdout$n.txt ] && cat stdout$n.txt\n"
                             "[ -f stderr$n.txt ] && cat stderr$n.txt >&2\n"
                             "[ -f data$n.csv ] && cp data$n.csv ZINTAVOR_EXPORTCSV.csv\n"
                             "exit 0\n");
    }
    void Answer(int run, const std::string& out, const std::string& err = "") {
        if (!out.empty()) clptest::Write("stdout" + std::to_string(run) + ".txt", out);
        if (!err.empty()) clptest::Write("stderr" + std::to_string(run) + ".txt", err);
    }
    std::string Input(int run) { return clptest::Read("stdin" + std::to_string(run) + ".txt"); }

    clptest::CurrentFolder Folder{"clp-driver"};
};

const char* const kDescribeOut =
    "\r\n"
    " Column Information\r\n"
    "\r\n"
    " Data type   Length  Column name\r\n"
    " ----------  ------  -----------\r\n"
    " INTEGER     10      ID\r\n"
    " VARCHAR     20      the   name\r\n"
    "\r\n"
    "\r\n"
    " not a column\r\n";

TEST_F(ScriptedProcessor, DescribeScriptAndFieldsFile) {
    const struct {
        const char* ConnectTo;
        const char* Script;
    } cases[] = {
        {"  mydb\t", "Connect To mydb;\r\ndescribe select * from t where c = ';';\r\n"},
        {"", "describe select * from t where c = ';';\r\n"},
        {" \t ", "describe select * from t where c = ';';\r\n"},
    };
    int run = 0;
    for (const auto& c : cases) {
        Answer(++run, kDescribeOut);
        TDB2eCLPDriver::Describe(c.ConnectTo, "select * from t where c = ';'");
        EXPECT_EQ(Input(run), c.Script) << c.ConnectTo;
        EXPECT_EQ(clptest::Read("ZINTAVOR_EXPORTFIELDS.csv"), " ID (INTEGER)\r\n the name (VARCHAR)\r\n");
    }
}

TEST_F(ScriptedProcessor, ExportRunsDescribeThenExportAndCollectsMessages) {
    Answer(1, kDescribeOut);
    Answer(2, "SQL3104N  beginning\r\n\r\nNumber of rows exported: 2\r\n\r\n\r\nend\r\n", "warning 1\nwarning 2");
    clptest::Write("data2.csv", "1,\"a\"\r\n2,\"b\"\r\n");
    std::string msg = "before\r\n";
    TDB2eCLPDriver::Export("MYDB", "select id,\r\n name from t", msg);
    EXPECT_EQ(Input(1), "Connect To MYDB;\r\ndescribe select id,\r\n name from t;\r\n");
    EXPECT_EQ(Input(2), "Connect To MYDB;\r\nexport to ZINTAVOR_EXPORTCSV.csv of del select id,\r\n name from t;\r\n");
    // standard output with its double line breaks made single, then standard error
    EXPECT_EQ(msg, "before\r\nSQL3104N  beginning\r\nNumber of rows exported: 2\r\n\r\nend\r\nwarning 1\r\nwarning 2\r\n");

    TDB2eCLP_SDF_ReadableDataSet ds("ZINTAVOR_EXPORTFIELDS.csv", "ZINTAVOR_EXPORTCSV.csv");
    ds.Open();
    ASSERT_EQ(ds.FieldCount(), 2);
    EXPECT_EQ(ds.Fields(0).FieldName(), " ID (INTEGER)0");
    EXPECT_EQ(ds.Fields(1).FieldName(), " the name (VARCHAR)1");
    EXPECT_EQ(ds.RecordCount(), 2);
    ds.Last();
    EXPECT_EQ(ds.Fields(1).AsString(), "b");
}

TEST_F(ScriptedProcessor, FailedExportLeavesNoDataFileOfAnEarlierRun) {
    clptest::Write("ZINTAVOR_EXPORTCSV.csv", "1,\"rows of an earlier statement\"\r\n");
    Answer(2, "SQL0204N  \"T\" is an undefined name.\r\n");
    std::string msg;
    TDB2eCLPDriver::Export("", "select * from t", msg);
    EXPECT_EQ(msg, "SQL0204N  \"T\" is an undefined name.\r\n");
    EXPECT_FALSE(fs932::FileExists("ZINTAVOR_EXPORTCSV.csv"));
    EXPECT_EQ(clptest::Read("ZINTAVOR_EXPORTFIELDS.csv"), "");
    try {
        TDB2eCLP_SDF_ReadableDataSet ds("ZINTAVOR_EXPORTFIELDS.csv", "ZINTAVOR_EXPORTCSV.csv");
        ADD_FAILURE() << "the dataset opened without a data file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "ファイル ZINTAVOR_EXPORTCSV.csv を開けません");
    }
}

TEST(DB2eCLPDriver, ProcessorMissingFromCurrentFolder) {
    clptest::CurrentFolder folder("clp-driver-missing");
    clptest::Write("ZINTAVOR_EXPORTCSV.csv", "old\r\n");
    std::string msg = "kept";
    try {
        TDB2eCLPDriver::Export("db", "select 1", msg);
        ADD_FAILURE() << "no error without the processor";
    } catch (const EConsoleUtil& e) {
        EXPECT_EQ(e.Message, "CreateProcess() failed!");
    }
    EXPECT_EQ(msg, "kept");
    EXPECT_FALSE(fs932::FileExists("ZINTAVOR_EXPORTFIELDS.csv"));
}

TEST(DB2eCLPDriver, ProcessorInFolderWithBlanks) {
    clptest::CurrentFolder top("clp-driver-blanks");
    ASSERT_TRUE(fs932::ForceDirectories(top.Dir + "Program Files 表"));
    ASSERT_TRUE(fs932::SetCurrentDir(top.Dir + "Program Files 表"));
    clptest::WriteScript("DB2eCLP.exe", "cat > stdin.txt\nprintf ' --\\n X 1 Y\\n'\n");
    TDB2eCLPDriver::Describe("", "select 1");
    EXPECT_EQ(clptest::Read("stdin.txt"), "describe select 1;\r\n");
    EXPECT_EQ(clptest::Read("ZINTAVOR_EXPORTFIELDS.csv"), " Y (X)\r\n");
}

TEST(DB2eCLPDriver, ParseDescribeOutput) {
    const struct {
        const char* Output;
        std::vector<std::string> Fields;
    } cases[] = {
        {"", {}},
        {"SQL1024N  A database connection does not exist.\r\n", {}},
        // a rule line with nothing after it
        {" -----\r\n", {}},
        // the rule must begin with a blank and two hyphens
        {"--\r\nINTEGER 4 ID\r\n", {}},
        {"  --\r\nINTEGER 4 ID\r\n", {}},
        // up to the end of the output; LF alone and a lone CR break lines too
        {" --\nINTEGER 4 ID\rCHAR 1 C", {" ID (INTEGER)", " C (CHAR)"}},
        // one empty line is made no line; two end the list
        {" --\r\nA 1 X\r\n\r\nB 2 Y\r\n\r\n\r\nC 3 Z\r\n", {" X (A)", " Y (B)"}},
        // blank runs shrink; the rest keeps its words; missing parts stay empty
        {" --\r\n   DECIMAL    10    total   of  all  \r\nCHAR 1\r\nBLOB\r\n",
         {" total of all (DECIMAL)", " (CHAR)", " (BLOB)"}},
        // double-quoted words stay whole
        {" --\r\n\"LONG VARCHAR\" 100 \"a b\"\r\n", {" a b (LONG VARCHAR)"}},
        // CP932 names, a 0x5C trail byte among them
        {" --\r\nVARCHAR 10 表示名\r\n", {" 表示名 (VARCHAR)"}},
        // every block of columns counts
        {" --\r\nA 1 X\r\n\r\n\r\nmessage\r\n --\r\nB 2 Y\r\n", {" X (A)", " Y (B)"}},
    };
    for (const auto& c : cases) {
        TStringList fields;
        fields.Add("left over");
        TDB2eCLPDriver::ParseDescribeOutput(c.Output, fields);
        EXPECT_EQ(fields.Items, c.Fields) << testutil::Hex(c.Output);
    }
}

}  // namespace
