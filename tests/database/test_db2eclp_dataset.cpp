// The read-only dataset over the exchange files, written by hand: field
// names, DEL values (quoting, empty and null values, line breaks in quotes,
// CP932), missing files and the refused operations.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DB2eCLPTestUtil.h"
#include "E_Exception.h"
#include "Exception.h"
#include "FileSystem.h"
#include "StringList.h"
#include "U_DB2eCLP_SDF_ReadableDataSet.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

class ExchangeFiles : public ::testing::Test {
protected:
    // Opens a dataset over the two files with the given contents; the rows as text.
    Rows OpenRows(const std::string& fields, const std::string& data) {
        clptest::Write("ZINTAVOR_EXPORTFIELDS.csv", fields);
        clptest::Write("ZINTAVOR_EXPORTCSV.csv", data);
        Ds = std::make_unique<TDB2eCLP_SDF_ReadableDataSet>("ZINTAVOR_EXPORTFIELDS.csv", "ZINTAVOR_EXPORTCSV.csv");
        Ds->Open();
        Rows rows;
        for (Ds->First(); !Ds->Eof(); Ds->Next()) {
            rows.emplace_back();
            for (int i = 0; i < Ds->FieldCount(); ++i) {
                EXPECT_FALSE(Ds->Fields(i).IsNull());
                rows.back().push_back(Ds->Fields(i).AsString());
            }
        }
        return rows;
    }

    clptest::CurrentFolder Folder{"clp-dataset"};
    std::unique_ptr<TDB2eCLP_SDF_ReadableDataSet> Ds;
};

TEST_F(ExchangeFiles, FieldsAreTextFieldsNamedByLineAndIndex) {
    OpenRows(" ID (INTEGER)\r\n the name (VARCHAR)\r\n (CHAR)\r\n ID (INTEGER)\r\n 表示 (DECIMAL)\r\n", "");
    const std::vector<std::string> names = {" ID (INTEGER)0", " the name (VARCHAR)1", " (CHAR)2", " ID (INTEGER)3",
                                            " 表示 (DECIMAL)4"};
    ASSERT_EQ(Ds->FieldCount(), static_cast<int>(names.size()));
    for (int i = 0; i < Ds->FieldCount(); ++i) {
        const TField& f = Ds->Fields(i);
        EXPECT_EQ(f.FieldName(), names[static_cast<size_t>(i)]);
        EXPECT_EQ(f.DataType(), ftString);
        EXPECT_EQ(f.Size(), 0);
        EXPECT_FALSE(f.Required());
    }
    EXPECT_EQ(Ds->RecordCount(), 0);
    EXPECT_TRUE(Ds->Eof());
}

TEST_F(ExchangeFiles, Values) {
    const struct {
        const char* Data;
        Rows Expected;
    } cases[] = {
        {"", {}},
        {"1,\"abc\",2.5\r\n", {{"1", "abc", "2.5"}}},
        // doubled quotes, commas and blanks inside quotes
        {"\"a \"\"b\"\", c\",\"\"\"\"\r\n", {{"a \"b\", c", "\"", ""}}},
        // empty text and null: both read as empty text
        {"\"\",,3\r\n,,\r\n", {{"", "", "3"}, {"", "", ""}}},
        // a comma that ends the line gives an empty last item; blanks before items are skipped
        {"  1 ,  \"x\"  ,\r\n", {{"1", "x", ""}}},
        // an unquoted value holding a blank becomes two items
        {"a b,c\r\n", {{"a", "b", "c"}}},
        // fewer items read as empty text, more are ignored
        {"1\r\n1,2,3,4,5\r\n", {{"1", "", ""}, {"1", "2", "3"}}},
        // a line break inside quotes stays in the value; LF and lone CR end records too
        {"1,\"two\r\nlines\",x\n2,\"\",y\r3,\"z\",\"\r\n\"", {{"1", "two\r\nlines", "x"}, {"2", "", "y"}, {"3", "z", "\r\n"}}},
        // an empty line is a record of empty values (a single null column); no record after the last break
        {"1,2,3\r\n\r\n4,5,6\r\n", {{"1", "2", "3"}, {"", "", ""}, {"4", "5", "6"}}},
        // CP932: 0x5C trail bytes, a lone lead byte before a quote and at the end of a line
        {"\"表\\\",ソ\r\n\"x\x81\",\x81\r\n", {{"表\\", "ソ", ""}, {"x\x81", "\x81", ""}}},
        // an unclosed quote takes the rest of the file
        {"1,\"open\r\n2,3", {{"1", "open\r\n2,3", ""}}},
    };
    for (const auto& c : cases) EXPECT_EQ(OpenRows("A\r\nB\r\nC\r\n", c.Data), c.Expected) << testutil::Hex(c.Data);
}

TEST(DB2eCLPDataSet, ParseRowsReadsSingleLinesAsCommaText) {
    // a record without line breaks in quotes reads as the toolkit's comma text reads its line
    const char* lines[] = {"", "a", "a,b", " a , b ", ",", ",,", "a,", "a, ", "\"a,b\",c", "\"a\"b,c", "a\"b\",c",
                           "\"\"", "\"x\"\"y\"", "  \"q\"  ,  r", "a b c", "1,,\"\",2,", "表,\"ソ,\""};
    for (const char* line : lines) {
        TStringList list;
        list.SetCommaText(line);
        const Rows rows = TDB2eCLP_SDF_ReadableDataSet::ParseRows(line);
        if (*line == '\0') {
            EXPECT_TRUE(rows.empty());
            continue;
        }
        ASSERT_EQ(rows.size(), 1u) << line;
        EXPECT_EQ(rows[0], list.Items) << line;
    }
}

TEST_F(ExchangeFiles, NoFieldsAndManyRows) {
    // a describe without columns: the dataset opens with no fields over its rows
    std::string data;
    for (int i = 0; i < 20000; ++i) data += std::to_string(i) + ",\"row " + std::to_string(i) + "\"\r\n";
    EXPECT_EQ(OpenRows("", data).size(), 20000u);
    EXPECT_EQ(Ds->FieldCount(), 0);

    const Rows rows = OpenRows("N\r\nT\r\n", data);
    ASSERT_EQ(rows.size(), 20000u);
    EXPECT_EQ(rows[19999], (std::vector<std::string>{"19999", "row 19999"}));
    Ds->SetRecNo(1234);
    EXPECT_EQ(Ds->Fields(1).AsString(), "row 1233");
}

TEST_F(ExchangeFiles, MissingFiles) {
    const struct {
        bool Fields, Data;
        const char* Message;
    } cases[] = {
        {false, true, "ファイル ZINTAVOR_EXPORTFIELDS.csv を開けません"},
        {true, false, "ファイル ZINTAVOR_EXPORTCSV.csv を開けません"},
        {false, false, "ファイル ZINTAVOR_EXPORTFIELDS.csv を開けません"},
    };
    for (const auto& c : cases) {
        fs932::DeleteFile("ZINTAVOR_EXPORTFIELDS.csv");
        fs932::DeleteFile("ZINTAVOR_EXPORTCSV.csv");
        if (c.Fields) clptest::Write("ZINTAVOR_EXPORTFIELDS.csv", "A\r\n");
        if (c.Data) clptest::Write("ZINTAVOR_EXPORTCSV.csv", "1\r\n");
        try {
            TDB2eCLP_SDF_ReadableDataSet ds("ZINTAVOR_EXPORTFIELDS.csv", "ZINTAVOR_EXPORTCSV.csv");
            ADD_FAILURE() << c.Message;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message, c.Message);
        }
    }
}

TEST_F(ExchangeFiles, ChangesAreRefused) {
    OpenRows("A\r\nB\r\n", "1,\"x\"\r\n2,\"y\"\r\n");
    const struct {
        const char* What;
        std::function<void(TDataSet&)> Change;
        const char* Message;
    } cases[] = {
        {"edit", [](TDataSet& d) { d.Edit(); d.Fields(1).SetAsString("z"); d.Post(); }, "データ更新はサポートされていません"},
        {"append", [](TDataSet& d) { d.Append(); d.Fields(0).SetAsString("3"); d.Post(); }, "データ追加はサポートされていません"},
        {"insert", [](TDataSet& d) { d.First(); d.Insert(); d.Fields(0).SetAsString("0"); d.Post(); },
         "データインサートサポートされていません"},
        {"delete", [](TDataSet& d) { d.First(); d.Delete(); }, "データ削除はサポートされていません"},
    };
    for (const auto& c : cases) {
        Ds->First();
        try {
            c.Change(*Ds);
            ADD_FAILURE() << c.What;
        } catch (const EUnsupported& e) {
            EXPECT_EQ(e.Message, c.Message) << c.What;
        }
        Ds->Cancel();
        // the rows are as they were
        EXPECT_EQ(Ds->RecordCount(), 2) << c.What;
        Ds->First();
        EXPECT_EQ(Ds->Fields(1).AsString(), "x") << c.What;
    }
    EXPECT_THROW(TDB2eCLP_SDF_ReadableDataSet(), EUnsupported);
}

}  // namespace
