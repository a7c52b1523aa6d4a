// The parts of the ODBC layer that need no database: connection strings,
// named parameters and the column store.
#include <gtest/gtest.h>

#include "OdbcColumnStore.h"
#include "OdbcConnectString.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "OdbcValueText.h"
#include "TestUtil.h"

TEST(OdbcConnectString, AdoNamesMapOntoOdbcKeys) {
    struct Case { const char* ado; const char* odbc; const char* user; const char* password; };
    const Case cases[] = {
        {"Provider=MSDASQL.1;Persist Security Info=False;Data Source=mydsn;User ID=u;Password=p",
         "DSN=mydsn;UID=u;PWD=p;", "u", "p"},
        {"DRIVER=SQLite3;Database=/tmp/a.db", "DRIVER={SQLite3};Database=/tmp/a.db;", "", ""},
        {"Provider=MSDASQL;Extended Properties=\"DRIVER={PostgreSQL Unicode};SERVER=h;PWD=x\";User ID=me",
         "DRIVER={PostgreSQL Unicode};SERVER=h;PWD=x;UID=me;", "me", "x"},
        {"Data Source=\"a;b\";Password='q''s'", "DSN={a;b};PWD=q's;", "", "q's"},
        {"Connect Timeout=3;DSN=x;Prompt=4", "DSN=x;", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ado);
        odbc::TOdbcConnectParams p = odbc::ParseAdoConnectString(c.ado);
        EXPECT_EQ(p.OdbcString, c.odbc);
        EXPECT_EQ(p.UserName, c.user);
        EXPECT_EQ(p.Password, c.password);
    }
    EXPECT_EQ(odbc::ParseAdoConnectString("Connect Timeout=3;DSN=x").ConnectTimeout, 3);
}

TEST(OdbcConnectString, OtherProvidersAreRefused) {
    try {
        odbc::ParseAdoConnectString("Provider=SQLOLEDB.1;Data Source=x");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "プロバイダ 'SQLOLEDB.1' は使用できません。ODBC (MSDASQL) で接続してください。");
    }
}

TEST(OdbcConnectString, CompletedFormLeavesOutThePasswordUnlessKept) {
    odbc::TOdbcConnectParams p = odbc::ParseAdoConnectString("Provider=MSDASQL.1;Data Source=d");
    EXPECT_EQ(odbc::CompletedAdoString("DSN=d;UID=u;PWD=secret;X={a;b};", p), "Provider=MSDASQL.1;DSN=d;UID=u;X=\"a;b\";");
    p.PersistSecurityInfo = true;
    EXPECT_EQ(odbc::CompletedAdoString("DSN=d;PWD=secret;", p), "Provider=MSDASQL.1;DSN=d;PWD=secret;");
    EXPECT_EQ(odbc::SetOdbcKey("DSN=d;UID=a;", "uid", "b c"), "DSN=d;UID=b c;");
}

TEST(OdbcParams, NamedParametersOutsideLiteralsAndComments) {
    struct Case { const char* sql; const char* text; std::vector<std::string> names; };
    const Case cases[] = {
        {"select * from t where a=:a and b = :B", "select * from t where a=? and b = ?", {"a", "B"}},
        {"select ':x', \":y\" -- :z\n, /* :w */ :v", "select ':x', \":y\" -- :z\n, /* :w */ ?", {"v"}},
        {"select 1::int, :/tmp/f.bin)", "select 1::int, ?)", {"/tmp/f.bin"}},
        {"insert into t values(:a,:a)", "insert into t values(?,?)", {"a", "a"}},
        {"x = :\"a b\" and y = :", "x = ? and y = :", {"a b"}},
        {"select 'it''s :no' , :表", "select 'it''s :no' , ?", {"表"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        odbc::TParsedSQL p = odbc::ParseParamSQL(c.sql);
        EXPECT_EQ(p.Text, c.text);
        EXPECT_EQ(p.Names, c.names);
    }
}

TEST(OdbcParams, QueryRebuildsItsParametersAndKeepsValuesByName) {
    TOdbcQuery q;
    q.SetSQL("select :a, :b, :A");
    ASSERT_EQ(q.Parameters().Count(), 2);
    q.Parameters().ParamByName("b").Value = TVariant(5);
    q.SetSQL("select :B, :c");
    ASSERT_EQ(q.Parameters().Count(), 2);
    EXPECT_EQ(q.Parameters().ParamByName("b").Value.AsInteger(), 5);
    EXPECT_TRUE(q.Parameters().ParamByName("C").Value.IsNull());
    q.SetParamCheck(false);
    EXPECT_EQ(q.Parameters().Count(), 0);
    try {
        q.Parameters().ParamByName("b");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "パラメータ 'b' が見つかりません");
    }
}

TEST(OdbcParams, LoadFromFileReadsBytesOrRefuses) {
    std::string dir = testutil::TempFolder("odbc-param");
    std::string bin("\x00\xFF\x0D\x0A", 4);
    ASSERT_TRUE(fs932::WriteFileAtomic(dir + "b.bin", bin));
    TOdbcParameter p;
    p.LoadFromFile(dir + "b.bin", ftBytes);
    EXPECT_EQ(std::get<TBytes>(p.Value.V).Data, bin);
    try {
        p.LoadFromFile(dir + "missing.bin", ftBytes);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message, "ファイル " + dir + "missing.bin を開けません");
    }
}

TEST(ColumnStore, KeepsValuesAcrossChunksWithNulls) {
    TColumnStore text(TColumnStore::csText), ints(TColumnStore::csInteger), stamps(TColumnStore::csTimeStamp);
    const size_t n = 140000;   // more than two chunks
    for (size_t i = 0; i < n; ++i) {
        if (i % 7 == 3) {
            text.AppendNull();
            ints.AppendNull();
            stamps.AppendNull();
            continue;
        }
        text.AppendBytes(std::string(i % 5, 'x') + std::to_string(i));
        ints.AppendInteger(static_cast<int64_t>(i) * -3);
        TSQLTimeStamp t;
        t.Year = static_cast<int16_t>(2000 + i % 50);
        t.Fraction = static_cast<uint32_t>(i);
        stamps.AppendTimeStamp(t);
    }
    ASSERT_EQ(text.Count(), n);
    for (size_t i : {size_t(0), size_t(3), size_t(65535), size_t(65536), size_t(65537), size_t(131072), n - 1}) {
        SCOPED_TRACE(i);
        bool null = i % 7 == 3;
        EXPECT_EQ(text.IsNull(i), null);
        EXPECT_EQ(ints.IsNull(i), null);
        if (null) {
            EXPECT_EQ(text.Bytes(i), "");
            EXPECT_TRUE(stamps.Value(i).IsNull());
            continue;
        }
        EXPECT_EQ(text.Bytes(i), std::string(i % 5, 'x') + std::to_string(i));
        EXPECT_EQ(ints.Integer(i), static_cast<int64_t>(i) * -3);
        EXPECT_EQ(stamps.TimeStamp(i).Fraction, i);
    }
    EXPECT_LT(ints.MemoryUsed(), n * 9 + 3 * 65536 * 9);
}

// Ends are kept in 4 bytes until a chunk's text passes the limit, then in 8:
// every value reads back the same on both sides of the switch, in the chunk
// that switched and in the next one (here the limit is lowered to 1,000 bytes).
TEST(ColumnStore, LongTextSwitchesToWideEndsWithoutLosingValues) {
    const uint64_t saved = TColumnStore::NarrowEndLimit;
    TColumnStore::NarrowEndLimit = 1000;
    TColumnStore s(TColumnStore::csText);
    const size_t n = 70000;  // past the first chunk of 65,536 rows
    auto value = [](size_t i) { return i % 11 == 5 ? std::string() : std::to_string(i) + std::string(i % 4, 'y'); };
    for (size_t i = 0; i < n; ++i) {
        if (i % 13 == 7)
            s.AppendNull();
        else
            s.AppendBytes(value(i));
    }
    TColumnStore::NarrowEndLimit = saved;
    for (size_t i : {size_t(0), size_t(1), size_t(150), size_t(151), size_t(152), size_t(300), size_t(65535),
                     size_t(65536), size_t(65537), n - 1}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.IsNull(i), i % 13 == 7);
        EXPECT_EQ(s.Bytes(i), i % 13 == 7 ? std::string() : value(i));
    }
    size_t bytes = 0;
    for (size_t i = 0; i < n; ++i) bytes += s.Bytes(i).size();
    size_t want = 0;
    for (size_t i = 0; i < n; ++i) want += i % 13 == 7 ? 0 : value(i).size();
    EXPECT_EQ(bytes, want);
}

TEST(ColumnStore, Utf16TextBecomesCp932WithVisibleSubstitute) {
    struct Case { std::u16string in; std::string out; bool lossy; };
    const Case cases[] = {
        {u"表示", "\x95\x5C\x8E\xA6", false},
        {u"caf\u00E9", "caf?", true},
        {u"abcdefgh表ijklm", "abcdefgh\x95\x5Cijklm", false},
        {u"ab\U00020BB7cd", "ab?cd", true},
        {std::u16string(u"abcd") + char16_t(0xD800), "abcd?", true},
        {std::u16string(u"a\0bcde", 6), std::string("a\0bcde", 6), false},
        {u"", "", false},
    };
    TColumnStore s(TColumnStore::csText);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.AppendUtf16(cases[i].in), cases[i].lossy);
        EXPECT_EQ(testutil::Hex(s.Bytes(i)), testutil::Hex(cases[i].out));
    }
}

TEST(OdbcDrivers, DriversWithoutTheWideApiAreFound) {
    std::string sqlite = odbc::DriverLibrary("DRIVER={SQLite3};Database=/tmp/x");
    std::string pg = odbc::DriverLibrary("DRIVER={PostgreSQL Unicode};SERVER=x");
    EXPECT_NE(sqlite.find("sqlite3odbc"), std::string::npos) << sqlite;
    EXPECT_NE(pg.find("psqlodbcw"), std::string::npos) << pg;
    EXPECT_TRUE(odbc::DriverIsAnsiOnly(sqlite));
    EXPECT_FALSE(odbc::DriverIsAnsiOnly(pg));
    EXPECT_EQ(odbc::DriverLibrary("DRIVER={No Such Driver};"), "");
    EXPECT_EQ(odbc::DriverLibrary("DSN=zintavor_no_such_dsn"), "");
    EXPECT_FALSE(odbc::DriverIsAnsiOnly(""));
}

TEST(OdbcValueText, DatesAndTimesOfTheirFormOnlyTakeTheLayersForm) {
    struct Case { const char* in; TFieldType type; const char* out; };   // out null: shown as it is
    const Case cases[] = {
        {"2024-01-15", ftDate, "2024/01/15"},
        {"2024/01/15", ftDate, "2024/01/15"},
        {"2024-01-15", ftDateTime, "2024/01/15 00:00:00"},
        {"2024-01-15 10:20:30", ftDateTime, "2024/01/15 10:20:30"},
        {"2024-01-15T10:20:30.120", ftDateTime, "2024/01/15 10:20:30.12"},
        {"2024-01-15 10:20:30.000001", ftDateTime, "2024/01/15 10:20:30.000001"},
        {"2024-01-15 10:20:30", ftDate, "2024/01/15 10:20:30"},     // a date field keeps the time it holds
        {"12:34:56.5", ftTime, "12:34:56.5"},
        {"12:34", ftTime, "12:34:00"},
        {"23:59:59.000000000", ftTime, "23:59:59"},
        {"2024-02-29", ftDate, "2024/02/29"},
        {"10000-01-01", ftDate, "10000/01/01"},
        {"未定", ftDate, nullptr},
        {"2024-13-45", ftDateTime, nullptr},
        {"2023-02-29", ftDate, nullptr},
        {"1900-02-29", ftDate, nullptr},
        {"25:99", ftTime, nullptr},
        {"24:00:00", ftTime, nullptr},
        {"", ftDate, nullptr},
        {"2024-01-15 10:20:30+09", ftDateTime, nullptr},
        {"0044-03-15 BC", ftDate, nullptr},
        {"infinity", ftDate, nullptr},
        {" 2024-01-15", ftDate, nullptr},
        {"2024-01-15 ", ftDate, nullptr},
        {"2024-1-5", ftDate, nullptr},
        {"12:34:56.1234567891", ftTime, nullptr},
        {"01234-01-01", ftDate, nullptr},
        {"45000", ftDate, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        std::string out = "unchanged";
        EXPECT_EQ(odbc::StampText(c.in, c.type, out), c.out != nullptr);
        if (c.out) {
            EXPECT_EQ(out, c.out);
            // and the layer's form reads back as that date-time
            TSQLTimeStamp v;
            ASSERT_TRUE(odbc::StampOfText(out, v));
            std::string again;
            EXPECT_TRUE(odbc::StampText(out, c.type, again));
            EXPECT_EQ(again, out);
        }
    }
    TSQLTimeStamp v;
    ASSERT_TRUE(odbc::StampOfText("2024/01/15 10:20:30.12", v));
    EXPECT_EQ(v.Year, 2024);
    EXPECT_EQ(v.Day, 15);
    EXPECT_EQ(v.Second, 30);
    EXPECT_EQ(v.Fraction, 120000000u);
    ASSERT_TRUE(odbc::StampOfText("12:34:56.5", v));
    EXPECT_EQ(v.Year, 0);
    EXPECT_EQ(v.Minute, 34);
    EXPECT_EQ(v.Fraction, 500000000u);
    EXPECT_FALSE(odbc::StampOfText("2024-01-15", v));   // not the layer's form
    EXPECT_FALSE(odbc::StampOfText("未定", v));
}

TEST(OdbcValueText, NumbersAndBooleansOfTheirFormOnly) {
    struct Case { const char* in; const char* real; const char* boolean; bool integer; };
    const Case cases[] = {
        {"12", "12", "True", true},
        {"-7", "-7", "True", true},
        {"0", "0", "False", true},
        {"2.0", "2", nullptr, false},
        {"1.5", "1.5", nullptr, false},
        {"0.30000000000000004", "0.3", nullptr, false},
        {"1e20", "1E20", nullptr, false},
        {"Inf", "INF", nullptr, false},
        {"-Infinity", "-INF", nullptr, false},
        {"NaN", "NAN", nullptr, false},
        {"9223372036854775807", "9.22337203685478E18", "True", true},
        {"9223372036854775808", "9.22337203685478E18", nullptr, false},
        {"9.22337203685478e+18", "9.22337203685478E18", nullptr, false},
        {"007", "7", nullptr, false},
        {"-0", "0", nullptr, false},
        {"+5", nullptr, nullptr, false},
        {"abc", nullptr, nullptr, false},
        {"12abc", nullptr, nullptr, false},
        {"", nullptr, nullptr, false},
        {" 1", nullptr, nullptr, false},
        {"maybe", nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(odbc::IsIntegerText(c.in), c.integer);
        std::string out;
        EXPECT_EQ(odbc::FloatText(c.in, out), c.real != nullptr);
        if (c.real) {
            EXPECT_EQ(out, c.real);
        }
        EXPECT_EQ(odbc::BooleanText(c.in, out), c.boolean != nullptr);
        if (c.boolean) {
            EXPECT_EQ(out, c.boolean);
        }
    }
    int64_t v = 0;
    EXPECT_TRUE(odbc::IntegerOfText("-9223372036854775808", v));
    EXPECT_EQ(v, INT64_MIN);
}
