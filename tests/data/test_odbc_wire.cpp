// Integers and date-times read the same whichever way the layer fetches them
// (typed, or as the PostgreSQL driver's text): the same text, the same typed
// values, and edits still find their records by them.
#include <gtest/gtest.h>

#include "DbTestUtil.h"
#include "OdbcTestUtil.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"

namespace {

using dbtest::Db;

class OdbcWireTest : public ::testing::TestWithParam<Db> {
protected:
    void SetUp() override {
        if (GetParam() == Db::PostgreSQL) DBTEST_REQUIRE_PG();
        Conn.SetConnectionString(dbtest::ConnFor(GetParam(), "odbcwire"));
        Conn.Open();
        Table = dbtest::UniqueName("wire");
    }
    void TearDown() override {
        try {
            if (Conn.Connected()) Exec("drop table " + Table);
        } catch (...) {
        }
    }
    void Exec(const std::string& sql) { odbctest::Exec(Conn, sql); }
    std::unique_ptr<TOdbcQuery> Query(const std::string& sql) { return odbctest::Query(Conn, sql); }
    // Every row as "a|b|..." lines of the fields' text ("-" for null).
    static std::string Text(TOdbcQuery& q) {
        std::string out;
        for (q.First(); !q.Eof(); q.Next()) {
            for (int c = 0; c < q.FieldCount(); ++c) {
                out += c ? "|" : "";
                out += q.Fields(c).IsNull() ? "-" : q.Fields(c).AsString();
            }
            out += "\n";
        }
        return out;
    }
    TOdbcConnection Conn;
    std::string Table;
};

INSTANTIATE_TEST_SUITE_P(Both, OdbcWireTest, ::testing::Values(Db::SQLite, Db::PostgreSQL), dbtest::DbName);

TEST_P(OdbcWireTest, IntegersAndDateTimesGiveTheSameTextAndValues) {
    Exec("create table " + Table + " (id integer primary key, b bigint, ts timestamp, d date)");
    Exec("insert into " + Table + " values (-42, 9223372036854775807, '2024-01-02 03:04:05.120', '2024-02-29')");
    Exec("insert into " + Table + " values (0, -9223372036854775807, '0099-01-01 00:00:00', '1999-12-31')");
    Exec("insert into " + Table + " values (7, 1234567890123, '2024-01-02 03:04:05', NULL)");
    Exec("insert into " + Table + " values (8, NULL, NULL, '2000-01-01')");
    auto q = Query("select id, b, ts, d from " + Table + " order by id");
    EXPECT_EQ(Text(*q),
              "-42|9223372036854775807|2024/01/02 03:04:05.12|2024/02/29\n"
              "0|-9223372036854775807|0099/01/01 00:00:00|1999/12/31\n"
              "7|1234567890123|2024/01/02 03:04:05|-\n"
              "8|-|-|2000/01/01\n");
    EXPECT_EQ(q->Fields(0).DataType(), ftInteger);
    EXPECT_EQ(q->Fields(2).DataType(), ftDateTime);
    EXPECT_EQ(q->Fields(3).DataType(), ftDate);
    // typed values, through the cursor and by row number
    q->First();
    EXPECT_EQ(q->Fields(0).AsInteger(), -42);
    EXPECT_EQ(q->Fields(1).AsInteger(), INT64_MAX);
    TVariant v;
    ASSERT_TRUE(q->ReadRowValue(0, q->Fields(2), v));
    ASSERT_TRUE(v.IsDateTime()) << v.AsString();
    TSQLTimeStamp want;
    want.Year = 2024;
    want.Month = 1;
    want.Day = 2;
    want.Hour = 3;
    want.Minute = 4;
    want.Second = 5;
    want.Fraction = 120000000;
    EXPECT_EQ(v.AsDateTime(), want);
    ASSERT_TRUE(q->ReadRowValue(1, q->Fields(3), v));
    ASSERT_TRUE(v.IsDateTime());
    EXPECT_EQ(v.AsDateTime().Year, 1999);
    EXPECT_EQ(v.AsDateTime().Day, 31);
    ASSERT_TRUE(q->ReadRowValue(1, q->Fields(0), v));
    EXPECT_TRUE(v.IsInteger());
    EXPECT_EQ(v.AsInteger(), 0);

    // an edit finds its record by the values read (the key, then every column)
    q->SetRecNo(3);
    q->Edit();
    q->Fields(1).SetAsInteger(5);
    q->Post();
    auto again = Query("select id, b from " + Table + " where id = 7");
    EXPECT_EQ(Text(*again), "7|5\n");
}

// Text the layer does not take as it is (more digits than a plain check
// allows) is read as the driver's typed value.
TEST(OdbcWirePg, OtherFormsAreReadTyped) {
    DBTEST_REQUIRE_PG();
    TOdbcConnection conn;
    conn.SetConnectionString(dbtest::PgConn());
    conn.Open();
    TOdbcQuery q(&conn);
    q.SetParamCheck(false);
    q.SetSQL("select timestamptz '2024-05-06 07:08:09+00' at time zone 'UTC' as utc, timestamp '2024-05-06 07:08:09.000001' as micro,"
             " date '0001-01-01' as first, -0 as zero, (-9223372036854775807 - 1)::bigint as least");
    q.Open();
    EXPECT_EQ(q.Fields(0).AsString(), "2024/05/06 07:08:09");
    EXPECT_EQ(q.Fields(1).AsString(), "2024/05/06 07:08:09.000001");
    EXPECT_EQ(q.Fields(2).AsString(), "0001/01/01");
    EXPECT_EQ(q.Fields(3).AsString(), "0");
    EXPECT_EQ(q.Fields(4).AsString(), "-9223372036854775808");
    EXPECT_EQ(q.Fields(4).AsInteger(), INT64_MIN);
}

}  // namespace
