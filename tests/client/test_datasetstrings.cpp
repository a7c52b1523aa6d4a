// The result-to-text formats over small in-memory datasets.
#include <gtest/gtest.h>

#include "DataSetStringsTest.h"
#include "MemDataSet.h"

using namespace dsstrings_test;

namespace {

struct Column {
    std::string Name;
    TFieldType Type;
};

// A dataset whose conversion of one column raises, as a value the driver cannot convert.
class TFailingDataSet : public TMemDataSet {
public:
    int FailIndex = -1;
    bool GetFieldText(const TField& field, std::string& text) override {
        if (field.Index() == FailIndex) throw EConvertError("変換できません");
        return TMemDataSet::GetFieldText(field, text);
    }
};

std::unique_ptr<TFailingDataSet> MakeDataSet(const std::vector<Column>& cols,
                                             const std::vector<std::vector<TVariant>>& rows) {
    auto ds = std::make_unique<TFailingDataSet>();
    for (const auto& c : cols) ds->FieldDefs().Add(c.Name, c.Type, 50);
    for (const auto& r : rows) ds->AddRow(r);
    ds->Open();
    return ds;
}

// ID integer, NAME string: (1, abc), (20, NULL).
std::unique_ptr<TFailingDataSet> WorkedExample() {
    return MakeDataSet({{"ID", ftInteger}, {"NAME", ftString}}, {{1, "abc"}, {20, TVariant()}});
}

TWritableEnvData Defaults() { return TWritableEnvData(); }

std::vector<std::string> Lines(const TStringList& l) { return l.Items; }

}  // namespace

TEST(DataSetStrings, WorkedExampleInEveryLayout) {
    for (const auto& c : WorkedExampleLines()) {
        auto ds = WorkedExample();
        const TWritableEnvData env = Defaults();
        EXPECT_EQ(Joined(Render(c.kind, *ds, env)), Joined(c.lines)) << LayoutName(c.kind);
        EXPECT_EQ(env.ResultColumnDelim, ' ') << "the text grid leaves the settings alone";
    }
}

TEST(DataSetStrings, FieldValueToLinesConvertsEachKindOfValue) {
    struct Case {
        const char* what;
        TFieldType type;
        TVariant value;
        bool trim;
        std::string emptyText;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"null", ftString, TVariant(), false, " ", {"(NULL)"}},
        {"empty, blank stands for it", ftString, "", false, " ", {" "}},
        {"empty, nothing stands for it", ftString, "", false, "", {}},
        {"blanks kept", ftString, "  a  ", false, "", {"  a  "}},
        {"blanks trimmed", ftString, " \t a b \r\n", true, "", {"a b"}},
        {"trimmed to nothing", ftString, " \r\n ", true, "-", {"-"}},
        {"line breaks of every kind", ftString, "a\r\nb\rc\nd\r\n", false, "", {"a", "b", "c", "d"}},
        {"inner empty line kept", ftString, "a\r\n\r\nb", false, "", {"a", "", "b"}},
        {"TAB replaced", ftString, "a\tb\t", false, "", {"a・b・"}},
        {"integer", ftInteger, 42, false, "", {"42"}},
        {"bytes dumped", ftBytes, TBytes{std::string("\x00\xFF", 2)}, false, "", {"00FF"}},
        {"varbytes dumped", ftVarBytes, TBytes{std::string("\x01\xAB\x7F")}, false, "", {"01AB7F"}},
        {"empty bytes", ftVarBytes, TBytes{}, false, "E", {"E"}},
        {"null blob", ftBlob, TVariant(), false, "", {"(NULL)"}},
        {"empty blob", ftBlob, TBytes{}, false, "E", {"E"}},
        {"blob of text shown as text", ftBlob, TBytes{"hello"}, false, "", {"hello"}},
        {"blob with a line break dumped", ftBlob, TBytes{"a\r\nb"}, false, "", {"610D0A62"}},
        {"memo with a line break is text", ftMemo, "a\r\nb", false, "", {"a", "b"}},
        {"wide memo with a line break is text", ftWideMemo, "a\nb", false, "", {"a", "b"}},
        {"formatted memo with a line break dumped", ftFmtMemo, "a\nb", false, "", {"610A62"}},
        {"wide memo without control bytes is text", ftWideMemo, "表示", false, "", {"表示"}},
    };
    for (const auto& c : cases) {
        auto ds = MakeDataSet({{"F", c.type}}, {{c.value}});
        TStringList lines;
        lines.Add("old");
        FieldValueToLines(ds.get(), 0, Defaults(), lines, c.trim, c.emptyText);
        EXPECT_EQ(Joined(Lines(lines)), Joined(c.lines)) << c.what;
    }
}

TEST(DataSetStrings, FieldValueToLinesFollowsTheReplacementSettings) {
    auto ds = MakeDataSet({{"F", ftString}, {"G", ftString}}, {{"a\tb\r\nc", TVariant()}});
    struct Case {
        bool crlf, tab;
        std::string nullStr;
        std::vector<std::string> f, g;
    };
    const std::vector<Case> cases = {
        {false, true, "(NULL)", {"a・b", "c"}, {"(NULL)"}},
        {true, true, "(NULL)", {"a・b・・c"}, {"(NULL)"}},
        {true, false, "(NULL)", {"a\tb・・c"}, {"(NULL)"}},
        {false, false, "(NULL)", {"a\tb", "c"}, {"(NULL)"}},
        {false, true, "N\tN", {"a・b", "c"}, {"N・N"}},  // the NULL text is replaced too
    };
    for (const auto& c : cases) {
        TWritableEnvData env;
        env.CRLFReplace = c.crlf;
        env.TabReplace = c.tab;
        env.NullStr = c.nullStr;
        TStringList lines;
        FieldValueToLines(ds.get(), 0, env, lines, false, "");
        EXPECT_EQ(Lines(lines), c.f);
        FieldValueToLines(ds.get(), 1, env, lines, false, "");
        EXPECT_EQ(Lines(lines), c.g);
    }
}

TEST(DataSetStrings, FailedConversionGivesTheConversionErrorText) {
    auto ds = MakeDataSet({{"A", ftInteger}, {"B", ftString}}, {{1, "x\ty"}});
    ds->FailIndex = 1;
    TWritableEnvData env;
    TStringList lines;
    FieldValueToLines(ds.get(), 1, env, lines, false, "");
    EXPECT_EQ(Lines(lines), std::vector<std::string>{"■■(変換不可)■■"});
    env.ConvertErrorStr = "E\tE";  // no replacement runs after a failure
    FieldValueToLines(ds.get(), 1, env, lines, false, "");
    EXPECT_EQ(Lines(lines), std::vector<std::string>{"E\tE"});

    // The output goes on around it, in every layout.
    const TWritableEnvData defaults;
    const std::string err = "■■(変換不可)■■";
    EXPECT_EQ(Render(Layout::Text, *ds, defaults),
              (std::vector<std::string>{"A B" + std::string(err.size() - 1, ' ') + " ",
                                        "- " + std::string(err.size(), '-') + " ", "1 " + err + " "}));
    EXPECT_EQ(Render(Layout::CSV, *ds, defaults), (std::vector<std::string>{"A,B", "1,■■(変換不可)■■"}));
    EXPECT_EQ(Render(Layout::TAB, *ds, defaults), (std::vector<std::string>{"A\tB", "1\t■■(変換不可)■■"}));
    EXPECT_EQ(Render(Layout::Sheet, *ds, defaults), (std::vector<std::string>{"A : 1", "B : ■■(変換不可)■■"}));
}

TEST(DataSetStrings, FieldIndexOutOfRangeIsAnInternalError) {
    auto ds = WorkedExample();
    for (int index : {2, -1}) {
        TStringList lines;
        lines.Add("old");
        try {
            FieldValueToLines(ds.get(), index, Defaults(), lines, false, "");
            ADD_FAILURE() << "no error for index " << index;
        } catch (const EResultSetStrings& e) {
            EXPECT_EQ(e.Message, "内部エラー：範囲外のフィールドインデックスです");
            EXPECT_STREQ(e.ClassName(), "EResultSetStrings");
            EXPECT_TRUE(lines.Empty());
        }
    }
}

TEST(DataSetStrings, MaxLineLength) {
    EXPECT_EQ(MaxLineLength(TStringList()), -1);
    EXPECT_EQ(MaxLineLength(TStringList("")), -1);
    EXPECT_EQ(MaxLineLength(TStringList("ab\r\n\r\n表示x\r\n")), 5);
}

TEST(DataSetStrings, EmptyStringInEveryLayout) {
    struct Case {
        Layout kind;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {Layout::Text, {"ID NAME ", "-- ---- ", " 1      "}},
        {Layout::TextGrid, {"ID|NAME|", "--|----|", " 1|    |"}},
        {Layout::CSV, {"ID,NAME", "1,"}},
        {Layout::TAB, {"ID\tNAME", "1\t"}},
        {Layout::Sheet, {"ID   : 1", "NAME : "}},
    };
    for (const auto& c : cases) {
        auto ds = MakeDataSet({{"ID", ftInteger}, {"NAME", ftString}}, {{1, ""}});
        EXPECT_EQ(Joined(Render(c.kind, *ds, Defaults())), Joined(c.lines)) << LayoutName(c.kind);
    }
}

TEST(DataSetStrings, OneEmptyFieldStillGivesALine) {
    // A record whose whole text is empty keeps its line in the TAB layout.
    struct Case {
        Layout kind;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {Layout::TAB, {"S", "", "x", ""}},
        {Layout::CSV, {"S", "\"\"", "x", "(NULL)"}},
        {Layout::Text, {"S      ", "------ ", "       ", "x      ", "(NULL) "}},
        {Layout::Sheet, {"S : ", "S : x", "S : (NULL)"}},
    };
    for (const auto& c : cases) {
        auto ds = MakeDataSet({{"S", ftString}}, {{""}, {"x"}, {TVariant()}});
        TWritableEnvData env;
        if (c.kind == Layout::TAB) env.NullStr = "";
        EXPECT_EQ(Joined(Render(c.kind, *ds, env)), Joined(c.lines)) << LayoutName(c.kind);
    }
}

TEST(DataSetStrings, MultiLineValueWithAndWithoutReplacement) {
    struct Case {
        Layout kind;
        bool replace;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {Layout::Text, false, {"ID NAME ", "-- ---- ", " 1 a    ", "   bb   "}},
        {Layout::TextGrid, false, {"ID|NAME|", "--|----|", " 1|a   |", "  |bb  |"}},
        {Layout::CSV, false, {"ID,NAME", "1,a", "bb", ""}},
        {Layout::TAB, false, {"ID\tNAME", "1\ta", "bb"}},
        {Layout::Sheet, false, {"ID   : 1", "NAME : a", "bb"}},
        {Layout::Text, true, {"ID NAME    ", "-- ------- ", " 1 a・・bb "}},
        {Layout::CSV, true, {"ID,NAME", "1,a・・bb"}},
        {Layout::TAB, true, {"ID\tNAME", "1\ta・・bb"}},
        {Layout::Sheet, true, {"ID   : 1", "NAME : a・・bb"}},
    };
    for (const auto& c : cases) {
        auto ds = MakeDataSet({{"ID", ftInteger}, {"NAME", ftString}}, {{1, "a\r\nbb"}});
        TWritableEnvData env;
        env.CRLFReplace = c.replace;
        EXPECT_EQ(Joined(Render(c.kind, *ds, env)), Joined(c.lines))
            << LayoutName(c.kind) << (c.replace ? " replaced" : "");
    }
}

TEST(DataSetStrings, ColumnLayoutFillsShortValuesOfATallRecord) {
    // B is the tallest value; A and C get filler lines, C right-justified.
    auto ds = MakeDataSet({{"A", ftString}, {"B", ftString}, {"C", ftInteger}},
                          {{"xy", "1\r\n22\r\n333", 7}, {"p\nq", "r", 12345}});
    EXPECT_EQ(Joined(Render(Layout::TextGrid, *ds, Defaults())),
              Joined({"A |B  |C    |", "--|---|-----|", "xy|1  |    7|", "  |22 |     |", "  |333|     |",
                      "p |r  |12345|", "q |   |     |"}));
}

TEST(DataSetStrings, TabInsideValues) {
    struct Case {
        Layout kind;
        bool replace;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {Layout::Text, true, {"V    ", "---- ", "a・b "}},
        {Layout::CSV, true, {"V", "a・b"}},
        {Layout::TAB, true, {"V", "a・b"}},
        {Layout::Sheet, true, {"V : a・b"}},
        {Layout::CSV, false, {"V", "\"a\tb\""}},
        {Layout::TAB, false, {"V", "a\tb"}},
    };
    for (const auto& c : cases) {
        auto ds = MakeDataSet({{"V", ftString}}, {{"a\tb"}});
        TWritableEnvData env;
        env.TabReplace = c.replace;
        EXPECT_EQ(Joined(Render(c.kind, *ds, env)), Joined(c.lines)) << LayoutName(c.kind);
    }
}

TEST(DataSetStrings, CSVQuotesLikeTheToolkitCommaText) {
    struct Case {
        const char* what;
        std::vector<TVariant> row;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"plain", {"a", "b"}, "a,b"},
        {"comma", {"a,b", "c"}, "\"a,b\",c"},
        {"blank", {"a b", "c"}, "\"a b\",c"},
        {"quote", {"say \"hi\"", "c"}, "\"say \"\"hi\"\"\",c"},
        {"control byte", {std::string("a\x01"), "c"}, "\"a\x01\",c"},
        {"NUL before a blank", {std::string("a\0 b", 4), "c"}, std::string("\"a\0 b\",c", 8)},
        {"double-byte characters", {"表示", "ソフト"}, "表示,ソフト"},
        {"double-byte and a blank", {"表 示", "x"}, "\"表 示\",x"},
        {"empty items", {"", ""}, ","},
        {"empty item between", {"a", "", "b"}, "a,,b"},
        {"NULL", {TVariant(), "x"}, "(NULL),x"},
    };
    for (const auto& c : cases) {
        std::vector<Column> cols;
        for (size_t i = 0; i < c.row.size(); ++i) cols.push_back({"C" + std::to_string(i), ftString});
        auto ds = MakeDataSet(cols, {c.row});
        TWritableEnvData env;
        env.TabReplace = false;
        const auto lines = Render(Layout::CSV, *ds, env);
        ASSERT_EQ(lines.size(), 2u) << c.what;
        EXPECT_EQ(testutil::Hex(lines[1]), testutil::Hex(c.line)) << c.what;
        // The toolkit's comma text reads it back to the same values.
        TStringList back;
        back.SetCommaText(lines[1]);
        ASSERT_EQ(back.Count(), static_cast<int>(c.row.size())) << c.what;
        for (int i = 0; i < back.Count(); ++i)
            EXPECT_EQ(back[i], c.row[static_cast<size_t>(i)].IsNull() ? "(NULL)" : c.row[static_cast<size_t>(i)].AsString())
                << c.what;
    }
    // A single empty field is written as two quotes.
    auto one = MakeDataSet({{"S", ftString}}, {{""}});
    EXPECT_EQ(Render(Layout::CSV, *one, Defaults()), (std::vector<std::string>{"S", "\"\""}));
}

TEST(DataSetStrings, CSVKeepsTheValuesOwnLineBreaksOnly) {
    // A value that spells out the old line-break marker is data, not a line break.
    auto ds = MakeDataSet({{"A", ftString}, {"B", ftString}, {"C", ftString}},
                          {{"x@#13#10@y", "p\r\nq", "r s"}, {"@#13#10@", "u", "v"}});
    EXPECT_EQ(Joined(Render(Layout::CSV, *ds, Defaults())),
              Joined({"A,B,C", "x@#13#10@y,p", "q", ",\"r s\"", "@#13#10@,u,v"}));
    // A quoted value keeps its line breaks inside the quotes.
    auto quoted = MakeDataSet({{"A", ftString}, {"B", ftString}}, {{"say \"a\"\r\nb", 1}});
    EXPECT_EQ(Joined(Render(Layout::CSV, *quoted, Defaults())),
              Joined({"A,B", "\"say \"\"a\"\"", "b", "\",1"}));
}

TEST(DataSetStrings, HeaderLinesOfCSVAndTAB) {
    auto ds = MakeDataSet({{"a b", ftString}, {"c,d", ftString}, {"表", ftString}}, {});
    TWritableEnvData env;
    EXPECT_EQ(TResultSetCSVStrings(env, ds.get()).GetHeaderLine(), "\"a b\",\"c,d\",表");
    EXPECT_EQ(TResultSetTABStrings(env, ds.get()).GetHeaderLine(), "a b\tc,d\t表");
    auto one = MakeDataSet({{"", ftString}}, {});
    EXPECT_EQ(TResultSetCSVStrings(env, one.get()).GetHeaderLine(), "\"\"");
    EXPECT_EQ(TResultSetTABStrings(env, one.get()).GetHeaderLine(), "");
}

TEST(DataSetStrings, BytesAndBlobs) {
    auto ds = MakeDataSet({{"B", ftBytes}, {"L", ftBlob}, {"M", ftMemo}},
                          {{TBytes{std::string("\x00\xFF", 2)}, TBytes{"hello"}, "m"},
                           {TBytes{"AB"}, TBytes{"a\r\nb"}, "x\r\ny"}});
    EXPECT_EQ(Joined(Render(Layout::Text, *ds, Defaults())),
              Joined({"B    L        M ", "---- -------- - ", "00FF hello    m ", "4142 610D0A62 x ",
                      "              y "}));
    EXPECT_EQ(Joined(Render(Layout::CSV, *ds, Defaults())), Joined({"B,L,M", "00FF,hello,m", "4142,610D0A62,x", "y", ""}));
}

TEST(DataSetStrings, ZeroRecords) {
    auto ds = MakeDataSet({{"ID", ftInteger}, {"LONGNAME", ftString}}, {});
    EXPECT_EQ(Render(Layout::Text, *ds, Defaults()), (std::vector<std::string>{"ID LONGNAME ", "-- -------- "}));
    EXPECT_EQ(Render(Layout::CSV, *ds, Defaults()), (std::vector<std::string>{"ID,LONGNAME"}));
    EXPECT_EQ(Render(Layout::TAB, *ds, Defaults()), (std::vector<std::string>{"ID\tLONGNAME"}));
    EXPECT_TRUE(Render(Layout::Sheet, *ds, Defaults()).empty());
    // At the end of the dataset the column layout gives no lines.
    TWritableEnvData env;
    TResultSetSeparateStrings s(env, false, ds.get());
    TStringList lines;
    lines.Add("old");
    s.GetRecordLines(lines);
    EXPECT_TRUE(lines.Empty());
}

TEST(DataSetStrings, WideJapaneseColumnsAlignInBytes) {
    auto ds = MakeDataSet({{"名前", ftString}, {"数", ftInteger}, {"ID", ftString}},
                          {{"山田太郎", 1, "a"}, {"abc", 12345, "表ソ"}});
    EXPECT_EQ(Joined(Render(Layout::Text, *ds, Defaults())),
              Joined({"名前     数    ID   ", "-------- ----- ---- ", "山田太郎     1 a    ",
                      "abc      12345 表ソ "}));
    // The record sheet pads names by their count of characters.
    EXPECT_EQ(Joined(Render(Layout::Sheet, *ds, Defaults())),
              Joined({"名前 : 山田太郎", "数  : 1", "ID : a", "名前 : abc", "数  : 12345", "ID : 表ソ"}));
}

TEST(DataSetStrings, AlignmentComesFromTheField) {
    auto ds = MakeDataSet({{"NUM", ftInteger}, {"TXT", ftString}, {"CEN", ftString}}, {{7, "a", "b"}});
    ds->Fields(0).SetAlignment(taLeftJustify);
    ds->Fields(1).SetAlignment(taRightJustify);
    ds->Fields(2).SetAlignment(taCenter);  // centred values are padded on the right
    EXPECT_EQ(Render(Layout::TextGrid, *ds, Defaults()),
              (std::vector<std::string>{"NUM|TXT|CEN|", "---|---|---|", "7  |  a|b  |"}));
}

TEST(DataSetStrings, SettingsAreReadWhenEachLineIsMade) {
    auto ds = WorkedExample();
    TWritableEnvData env;
    env.ResultScale = '.';
    env.ResultScaleSpacer = '=';
    TResultSetSeparateStrings s(env, false, ds.get());
    env.ResultColumnDelim = '!';
    env.ResultScale = '_';      // the record lines pad with the current character
    env.ResultScaleSpacer = '~';  // headers keep the characters of their creation
    EXPECT_EQ(s.GetHeaderLine(), "ID!NAME..!");
    EXPECT_EQ(s.GetScaleLine(), "==!======!");
    ds->First();
    TStringList lines;
    s.GetRecordLines(lines);
    EXPECT_EQ(Lines(lines), std::vector<std::string>{"_1!abc___!"});
    s.SetColumnDelim('|');
    s.GetRecordLines(lines);
    EXPECT_EQ(Lines(lines), std::vector<std::string>{"_1|abc___|"});
    EXPECT_EQ(env.ResultColumnDelim, '!');
    s.ResetColumnDelim();
    EXPECT_EQ(s.GetHeaderLine(), "ID!NAME..!");
}

TEST(DataSetStrings, TrimValueOfTheColumnLayout) {
    auto ds = MakeDataSet({{"V", ftString}}, {{"  ab  "}, {"   "}});
    TWritableEnvData env;
    TResultSetSeparateStrings trimmed(env, true, ds.get());
    EXPECT_EQ(trimmed.Headers->GetItem(0).Width, 2);
    std::vector<std::string> got;
    for (ds->First(); !ds->Eof(); ds->Next())
        for (auto& l : RecordLines(trimmed)) got.push_back(l);
    EXPECT_EQ(got, (std::vector<std::string>{"ab ", "   "}));
    TResultSetSeparateStrings kept(env, false, ds.get());
    EXPECT_EQ(kept.Headers->GetItem(0).Width, 6);
}

TEST(DataSetStrings, RecordSheetAppendsToTheLines) {
    auto ds = WorkedExample();
    TWritableEnvData env;
    TResultSetCutSheetStrings s(env, ds.get());
    EXPECT_EQ(s.FieldNames.Items, (std::vector<std::string>{"ID  ", "NAME"}));
    TStringList lines;
    lines.Add("before");
    ds->First();
    s.GetRecordLines(lines);
    EXPECT_EQ(Lines(lines), (std::vector<std::string>{"before", "ID   : 1", "NAME : abc"}));
}

TEST(DataSetStrings, HeaderTexts) {
    auto ds = MakeDataSet({{" AB ", ftString}}, {});
    TDataFieldHeader h(ds.get(), '.', '#', 0);
    EXPECT_EQ(h.Name, " AB ");
    EXPECT_EQ(h.Width, 2);  // the trimmed name until the list sets the width
    EXPECT_EQ(h.GetTexts().Caption, " AB ");  // a longer name is not cut
    EXPECT_EQ(h.GetTexts().Rule, "##");
    h.Width = 6;
    EXPECT_EQ(h.GetTexts().Caption, " AB ..");
    EXPECT_EQ(h.GetTexts().Rule, "######");
}

TEST(DataSetStrings, WidthScanStopsWhenAskedEvery256Records) {
    std::vector<std::vector<TVariant>> rows;
    for (int i = 0; i < 1000; ++i) rows.push_back({i == 600 ? TVariant("a much longer value") : TVariant("v")});
    auto ds = MakeDataSet({{"V", ftString}}, rows);
    TWritableEnvData env;

    int calls = 0;
    TResultSetSeparateStrings all(env, false, ds.get(), [&] { ++calls; return false; });
    EXPECT_EQ(calls, 3);  // after records 255, 511 and 767
    EXPECT_EQ(all.Headers->GetItem(0).Width, 19);
    EXPECT_TRUE(ds->Eof());

    calls = 0;
    TResultSetSeparateStrings stopped(env, false, ds.get(), [&] { ++calls; return true; });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(stopped.Headers->GetItem(0).Width, 1);  // record 600 was never read
    EXPECT_EQ(ds->RecNo(), 256);
}

TEST(DataSetStrings, InternalErrorsOfTheLayouts) {
    TWritableEnvData env;
    auto expectError = [](auto&& f, const char* cls, const std::string& msg) {
        try {
            f();
            ADD_FAILURE() << "no error: " << msg;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.ClassName(), cls);
            EXPECT_EQ(e.Message, msg);
        }
    };
    auto closed = WorkedExample();
    closed->Close();
    auto open = WorkedExample();

    expectError([&] { TResultSetCSVStrings s(env, nullptr); }, "EResultSetStrings", "DataSetがNilです");
    expectError([&] { TResultSetSeparateStrings s(env, false, nullptr); }, "EResultSetStrings", "DataSetがNilです");
    expectError([&] { TResultSetSeparateStrings s(env, false, closed.get()); }, "EResultSetStrings",
                "内部エラー：結果文字展開できないデータセットを使用しようとしました");
    expectError(
        [&] {
            TResultSetTABStrings s(env, open.get());
            open->Close();
            TStringList l;
            s.GetRecordLines(l);
        },
        "EResultSetStrings", "内部エラー：結果文字展開できないデータセットを使用しようとしました");
    open->Open();
    expectError([&] { TDataFieldHeader h(nullptr, ' ', '-', 0); }, "EDataFieldHeader", "内部エラー：DataSetがNILです");
    // The header build reports every failure inside it as one error.
    expectError([&] { TDataFieldHeaderList l(env, false, closed.get()); }, "EDataFieldHeaderList",
                "内部エラー：各項目のヘッダー情報作成に失敗");
    std::vector<std::vector<TVariant>> rows(300, std::vector<TVariant>{1, "x"});
    auto many = MakeDataSet({{"ID", ftInteger}, {"NAME", ftString}}, rows);
    expectError([&] { TDataFieldHeaderList l(env, false, many.get(), []() -> bool { throw EConvertError("x"); }); },
                "EDataFieldHeaderList", "内部エラー：各項目のヘッダー情報作成に失敗");

    TDataFieldHeaderList list(env, false, nullptr);  // a nil dataset builds nothing
    EXPECT_EQ(list.GetCount(), 0);
    expectError([&] { list.GetItem(0); }, "EDataFieldHeaderList", "内部エラー：範囲外のヘッダーを取得しようとしました");
    TIntegerList widths;
    expectError([&] { list.ScanMaxWidths(closed.get(), env, &widths, false); }, "EDataFieldHeaderList",
                "内部エラー：データ最長サイズ取得用のデータセットがNILもしくは閉じています");
    expectError([&] { list.ScanMaxWidths(nullptr, env, &widths, false); }, "EDataFieldHeaderList",
                "内部エラー：データ最長サイズ取得用のデータセットがNILもしくは閉じています");
    expectError([&] { list.ScanMaxWidths(open.get(), env, nullptr, false); }, "EDataFieldHeaderList",
                "内部エラー：データ最長サイズ格納用のリストがNILです");
    list.ScanMaxWidths(open.get(), env, &widths, false);
    ASSERT_EQ(widths.Count(), 2);
    EXPECT_EQ(widths.Items(0), 2);
    EXPECT_EQ(widths.Items(1), 6);

    TDataFieldHeaderList built(env, false, open.get());
    EXPECT_EQ(built.GetCount(), 2);
    EXPECT_EQ(built.GetItem(1).Name, "NAME");
    expectError([&] { built.GetItem(2); }, "EDataFieldHeaderList", "内部エラー：範囲外のヘッダーを取得しようとしました");
    EXPECT_EQ(built.GetHeaderLine(), "ID NAME   ");
}
