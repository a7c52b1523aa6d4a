// What the ODBC layer shows of the values the databases hold: only SQL NULL
// is null, a value of its column's form takes the layer's form, and any
// other value is shown as the database holds it, never as a made-up one.
#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "OdbcTestUtil.h"
#include "OdbcText.h"

namespace {

// One column's values, row by row: the text shown ("<NULL>" for null).
std::vector<std::string> Column(TOdbcQuery& q, int c) {
    std::vector<std::string> out;
    for (q.First(); !q.Eof(); q.Next()) out.push_back(q.Fields(c).IsNull() ? "<NULL>" : q.Fields(c).AsString());
    return out;
}

class OdbcSqliteValues : public ::testing::Test {
protected:
    void SetUp() override {
        Conn.SetConnectionString(dbtest::SqliteConn("odbcvalues"));
        Conn.Open();
    }
    void Exec(const std::string& sql) { odbctest::Exec(Conn, sql); }
    std::unique_ptr<TOdbcQuery> Query(const std::string& sql) { return odbctest::Query(Conn, sql); }
    TOdbcConnection Conn;
};

}  // namespace

// SQLite keeps any value in any column: a date column holding a text that is
// no date shows that text, and is not null.
TEST_F(OdbcSqliteValues, DateColumnsHoldingTextShowTheText) {
    Exec("create table t (n integer, d DATE, dt DATETIME, tm TIME, ts TIMESTAMP)");
    struct Row { const char* d; const char* dt; const char* tm; const char* ts; };
    const Row stored[] = {
        {"'未定'", "'2024-13-45'", "'25:99'", "''"},
        {"'2024-01-15'", "'2024-01-15 10:20:30'", "'12:34:56.5'", "'2024-01-15 10:20:30.123'"},
        {"'2024-02-30'", "'2024-01-15T10:20:30'", "'12:34'", "'20240115'"},
        {"45000", "45000.5", "0.5", "'2024-01-15'"},
        {"null", "null", "null", "null"},
    };
    int n = 0;
    for (const Row& r : stored)
        Exec("insert into t values (" + std::to_string(++n) + ", " + r.d + ", " + r.dt + ", " + r.tm + ", " + r.ts + ")");
    auto q = Query("select d, dt, tm, ts, d is null from t order by n");
    EXPECT_EQ(q->Fields(0).DataType(), ftDate);
    EXPECT_EQ(q->Fields(1).DataType(), ftDateTime);
    EXPECT_EQ(q->Fields(2).DataType(), ftTime);
    EXPECT_EQ(Column(*q, 0), (std::vector<std::string>{"未定", "2024/01/15", "2024-02-30", "45000", "<NULL>"}));
    EXPECT_EQ(Column(*q, 1), (std::vector<std::string>{"2024-13-45", "2024/01/15 10:20:30", "2024/01/15 10:20:30",
                                                       "45000.5", "<NULL>"}));
    EXPECT_EQ(Column(*q, 2), (std::vector<std::string>{"25:99", "12:34:56.5", "12:34:00", "0.5", "<NULL>"}));
    EXPECT_EQ(Column(*q, 3), (std::vector<std::string>{"", "2024/01/15 10:20:30.123", "20240115",
                                                       "2024/01/15 00:00:00", "<NULL>"}));
    EXPECT_EQ(Column(*q, 4), (std::vector<std::string>{"0", "0", "0", "0", "1"}));
    // typed values: a date-time where the text is one, the text itself where it is not
    TVariant v;
    ASSERT_TRUE(q->ReadRowValue(1, q->Fields(2), v));
    ASSERT_TRUE(v.IsDateTime());
    EXPECT_EQ(v.AsDateTime().Second, 56);
    EXPECT_EQ(v.AsDateTime().Fraction, 500000000u);
    ASSERT_TRUE(q->ReadRowValue(0, q->Fields(0), v));
    EXPECT_EQ(v, TVariant(std::string("未定")));
    ASSERT_TRUE(q->ReadRowValue(0, q->Fields(3), v));
    EXPECT_EQ(v, TVariant(std::string("")));
    EXPECT_FALSE(q->ReadRowValue(4, q->Fields(0), v));
}

TEST_F(OdbcSqliteValues, NumberAndBooleanColumnsHoldingOtherValuesShowThem) {
    Exec("create table t (n integer, i integer, r real, b boolean)");
    const char* const stored[] = {
        "'abc', 'xyz', 'maybe'",
        "1.5, 2, 2",
        "'', '', ''",
        "9223372036854775807, 0.1, 0",
        "9223372036854775808, 1e400, 't'",
        "null, null, null",
    };
    int n = 0;
    for (const char* r : stored) Exec("insert into t values (" + std::to_string(++n) + ", " + r + ")");
    auto q = Query("select i, r, b from t order by n");
    EXPECT_EQ(q->Fields(0).DataType(), ftInteger);
    EXPECT_EQ(q->Fields(1).DataType(), ftFloat);
    EXPECT_EQ(q->Fields(2).DataType(), ftBoolean);
    EXPECT_EQ(Column(*q, 0), (std::vector<std::string>{"abc", "1.5", "", "9223372036854775807",
                                                       "9.22337203685478e+18", "<NULL>"}));
    EXPECT_EQ(Column(*q, 1), (std::vector<std::string>{"xyz", "2", "", "0.1", "INF", "<NULL>"}));
    EXPECT_EQ(Column(*q, 2), (std::vector<std::string>{"maybe", "True", "", "False", "t", "<NULL>"}));
    TVariant v;
    ASSERT_TRUE(q->ReadRowValue(3, q->Fields(0), v));
    EXPECT_EQ(v, TVariant(int64_t(9223372036854775807)));
    ASSERT_TRUE(q->ReadRowValue(1, q->Fields(1), v));
    EXPECT_EQ(v, TVariant(2.0));
    ASSERT_TRUE(q->ReadRowValue(1, q->Fields(2), v));
    EXPECT_EQ(v, TVariant(true));
    ASSERT_TRUE(q->ReadRowValue(0, q->Fields(0), v));
    EXPECT_EQ(v, TVariant(std::string("abc")));
}

// A value longer than its bound place is read whole, whatever its column's type.
TEST_F(OdbcSqliteValues, ALongTextInADateColumnIsReadWhole) {
    Exec("create table t (d DATE)");
    const std::string longText(3000, 'x');
    Exec("insert into t values ('" + longText + "')");
    auto q = Query("select d from t");
    EXPECT_EQ(q->Fields(0).AsString(), longText);
}

// PostgreSQL: dates and time stamps the driver cannot express, and money.
TEST(OdbcPgValues, DatesTheDriverCannotExpressShowTheServersText) {
    DBTEST_REQUIRE_PG();
    TOdbcConnection conn;
    conn.SetConnectionString(dbtest::PgConn());
    conn.Open();
    auto q = odbctest::Query(conn,
                             "select v::date, v::timestamp, v::timestamptz from (values ('-infinity'), ('infinity'),"
                             " ('2024-01-15'), ('9999-12-31 23:59:59')) s(v) order by 1");
    EXPECT_EQ(Column(*q, 0), (std::vector<std::string>{"-infinity", "2024/01/15", "9999/12/31", "infinity"}));
    for (int c : {1, 2})
        EXPECT_EQ(Column(*q, c), (std::vector<std::string>{"-infinity", "2024/01/15 00:00:00", "9999/12/31 23:59:59",
                                                           "infinity"}));
    auto era = odbctest::Query(conn, "select '0044-03-15 10:00:00.5 BC'::timestamp, '0001-01-01 00:00:00 BC'::timestamp");
    EXPECT_EQ(era->Fields(0).AsString(), "0044-03-15 10:00:00.5 BC");
    EXPECT_EQ(era->Fields(1).AsString(), "0001-01-01 00:00:00 BC");
    TVariant v;
    ASSERT_TRUE(q->ReadRowValue(0, q->Fields(1), v));
    EXPECT_EQ(v, TVariant(std::string("-infinity")));
    ASSERT_TRUE(q->ReadRowValue(2, q->Fields(1), v));
    ASSERT_TRUE(v.IsDateTime());
    EXPECT_EQ(v.AsDateTime().Year, 9999);
}

TEST(OdbcPgValues, AYearPastTheDriversReachIsNeverShownAsAnotherDate) {
    DBTEST_REQUIRE_PG();
    TOdbcConnection conn;
    conn.SetConnectionString(dbtest::PgConn());
    conn.Open();
    auto q = odbctest::Query(conn, "select '10000-01-15'::date, '12345-06-07 08:09:10'::timestamp, 1");
    EXPECT_FALSE(q->Fields(0).IsNull());
    EXPECT_THROW(q->Fields(0).AsString(), EConvertError);
    EXPECT_THROW(q->Fields(1).AsString(), EConvertError);
    EXPECT_EQ(q->Fields(2).AsString(), "1");
}

TEST(OdbcPgValues, MoneyAndTimesShowTheServersText) {
    DBTEST_REQUIRE_PG();
    TOdbcConnection conn;
    conn.SetConnectionString(dbtest::PgConn() + ";ConnSettings=SET lc_monetary='C'");
    conn.Open();
    auto q = odbctest::Query(conn, "select 12.34::money, (-1234567.5)::money, '12:34:56.5'::time, '24:00:00'::time");
    EXPECT_EQ(q->Fields(0).AsString(), "$12.34");
    EXPECT_EQ(q->Fields(0).Alignment(), taRightJustify);
    EXPECT_EQ(q->Fields(1).AsString(), "-$1,234,567.50");
    EXPECT_EQ(q->Fields(2).AsString(), "12:34:56.5");
    EXPECT_EQ(q->Fields(3).AsString(), "24:00:00");
}

// A long result fills rowsets that grow as it goes, values longer than their
// bound place are read whole, and a fetch run in between (from the progress
// callback, as events processed during a fetch may do) leaves it intact.
class OdbcFetchBoth : public ::testing::TestWithParam<dbtest::Db> {};
INSTANTIATE_TEST_SUITE_P(Both, OdbcFetchBoth, ::testing::Values(dbtest::Db::SQLite, dbtest::Db::PostgreSQL),
                         dbtest::DbName);

TEST_P(OdbcFetchBoth, GrowingRowsetsLongValuesAndANestedFetch) {
    const bool pg = GetParam() == dbtest::Db::PostgreSQL;
    if (pg) DBTEST_REQUIRE_PG();
    TOdbcConnection conn;
    conn.SetConnectionString(dbtest::ConnFor(GetParam(), "odbcfetch"));
    conn.Open();
    const int rows = 5000;
    const std::string sql =
        pg ? "select g, repeat('値', g % 700), case when g % 7 = 0 then null else g * 2 end from generate_series(1, 5000) g"
           : "with recursive n(g) as (select 1 union all select g + 1 from n where g < 5000)"
             " select g, substr(replace(hex(zeroblob(700)), '00', '値'), 1, g % 700),"
             " case when g % 7 = 0 then null else g * 2 end from n";
    TOdbcQuery q(&conn);
    q.SetParamCheck(false);
    q.SetSQL(sql);
    int nested = 0;
    q.OnFetchProgress = [&] {
        auto inner = odbctest::Query(conn, pg ? "select 'inner', g from generate_series(1, 300) g"
                                              : "with recursive n(g) as (select 1 union all select g + 1 from n where g < 300)"
                                                " select 'inner', g from n");
        EXPECT_EQ(inner->RecordCount(), 300);
        ++nested;
    };
    q.Open();
    EXPECT_EQ(q.RecordCount(), rows);
    EXPECT_GE(nested, rows / 256);
    std::string value;
    int g = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        ++g;
        ASSERT_EQ(q.Fields(0).AsString(), std::to_string(g));
        value.clear();
        for (int k = 0; k < g % 700; ++k) value += "値";
        ASSERT_EQ(q.Fields(1).AsString(), value) << g;
        if (g % 7 == 0) ASSERT_TRUE(q.Fields(2).IsNull()) << g;
        else ASSERT_EQ(q.Fields(2).AsString(), std::to_string(g * 2)) << g;
    }
    EXPECT_EQ(g, rows);
}
