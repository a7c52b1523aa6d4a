// Result-to-text formats against the floor: the same rows of a materialised
// dataset formatted in each layout into one reusable byte buffer, beside the
// plain copy of every value's text into that buffer (no layout at all).
//
// Two datasets of the same five columns:
//   - a SQLite result held by the ODBC layer (what a query gives the result page);
//   - the values' texts in plain columns, where reading a value costs almost
//     nothing, so the ratio shows the layouts' own work.
//
//   formats_bench [rows] [repeats] [database file]
//
// Prints rows per second, bytes per second and each layout's time as a ratio
// of the floor's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "DataSet.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "T_EnvData.h"
#include "U_DataSetStrings.h"

namespace {

// ID, NAME, PRICE, CREATED, NOTE: mostly single-line values, a NULL now and
// then, Japanese text, and a rare value with a line break and a TAB; made by
// SQLite itself and read back as the driver materialises a result.
std::unique_ptr<TOdbcQuery> MakeSQLiteRows(TOdbcConnection& conn, int rows) {
    auto run = [&](const std::string& sql) {
        TOdbcQuery q(&conn);
        q.SetParamCheck(false);
        q.SetSQL(sql);
        q.ExecSQL();
    };
    run("create table rows5 (id integer, name varchar(40), price real, created timestamp, note varchar(60))");
    run("with recursive c(x) as (select 1 union all select x + 1 from c where x < " + std::to_string(rows) +
        ") insert into rows5 select x, 'customer_' || substr('00000' || (x % 50000), -6), (x * 37 % 100000) + "
        "(x % 100) / 100.0, datetime(1700000000 + x * 97, 'unixepoch'), "
        "case when x % 97 = 0 then null when x % 1009 = 0 then 'first line' || char(13, 10) || 'second' || "
        "char(9) || 'line' else (case x % 6 when 0 then '在庫あり' when 1 then 'shipped to Osaka, 2 boxes' "
        "when 2 then '返品 \"要確認\"' when 3 then 'ok' when 4 then '配送センター経由で翌日着' else 'urgent' end) "
        "end from c");
    auto q = std::make_unique<TOdbcQuery>(&conn);
    q->SetParamCheck(false);
    q->SetSQL("select id as \"ID\", name as \"NAME\", price as \"PRICE\", created as \"CREATED\", "
              "note as \"NOTE\" from rows5 order by id");
    q->Open();
    return q;
}

// The texts of a dataset's values in one byte block per column, with a null
// flag per row: reading a value is one copy.
class TTextColumns : public TDataSet {
public:
    explicit TTextColumns(TDataSet& source) {
        for (int i = 0; i < source.FieldCount(); ++i)
            Columns.push_back({source.Fields(i).FieldName(), source.Fields(i).DataType(), {}, {}, {}});
        std::string text;
        for (source.First(); !source.Eof(); source.Next(), ++Rows) {
            for (int i = 0; i < source.FieldCount(); ++i) {
                Column& c = Columns[static_cast<size_t>(i)];
                const bool has = source.GetFieldText(source.Fields(i), text);
                c.Bytes += text;
                c.Ends.push_back(c.Bytes.size());
                c.Null.push_back(!has);
            }
        }
    }
    bool GetFieldText(const TField& field, std::string& text) override {
        const Column& c = Columns[static_cast<size_t>(field.Index())];
        const size_t r = static_cast<size_t>(FCur);
        if (FCur < 0 || FCur >= Rows || c.Null[r]) {
            text.clear();
            return false;
        }
        const size_t b = r ? c.Ends[r - 1] : 0;
        text.assign(c.Bytes.data() + b, c.Ends[r] - b);
        return true;
    }

protected:
    void InternalOpen() override {
        FieldDefs().Clear();
        for (const auto& c : Columns) FieldDefs().Add(c.Name, c.Type, 60);
        FCur = -1;
        FOpen = true;
    }
    void InternalClose() override { FOpen = false; }
    bool IsCursorOpen() const override { return FOpen; }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = Rows; }
    TGetResult GetRecord(TGetMode mode) override {
        if (mode == gmCurrent) return FCur >= 0 && FCur < Rows ? grOK : grError;
        if (mode == gmNext) return FCur < Rows - 1 ? (++FCur, grOK) : grEOF;
        return FCur > 0 ? (FCur = std::min(FCur, Rows) - 1, grOK) : grBOF;
    }
    int GetRecordCount() override { return Rows; }
    bool GetFieldValue(const TField& field, TVariant& value) override {
        std::string s;
        if (!GetFieldText(field, s)) return false;
        value = TVariant(std::move(s));
        return true;
    }

private:
    struct Column {
        std::string Name;
        TFieldType Type;
        std::string Bytes;
        std::vector<size_t> Ends;
        std::vector<bool> Null;
    };
    std::vector<Column> Columns;
    int Rows = 0;
    int FCur = -1;
    bool FOpen = false;
};

double Seconds(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

struct Result {
    const char* name;
    double seconds = 1e300;
    size_t bytes = 0;
};

// Every layout and the floor over one dataset, best of repeats; one table.
void RunAll(const char* title, TDataSet& ds, int rows, int repeats) {
    TWritableEnvData env;
    std::string out;
    std::vector<Result> results = {{"floor (copy)"}, {"text"}, {"text grid"}, {"csv"}, {"tab"}, {"record sheet"}};
    auto measure = [&](Result& res, const std::function<void()>& body) {
        for (int k = 0; k < repeats; ++k) {
            out.clear();
            res.seconds = std::min(res.seconds, Seconds(body));
            res.bytes = out.size();
        }
    };

    measure(results[0], [&] {
        std::string cell;
        const int fields = ds.FieldCount();
        for (ds.First(); !ds.Eof(); ds.Next()) {
            for (int i = 0; i < fields; ++i) {
                ds.GetFieldText(ds.Fields(i), cell);
                out += cell;
            }
            out += "\r\n";
        }
    });
    auto separate = [&](bool grid) {
        return [&, grid] {
            TResultSetSeparateStrings s(env, false, &ds);
            if (grid) s.SetColumnDelim('|');
            out += s.GetHeaderLine();
            out += "\r\n";
            const std::string rule = s.GetScaleLine();
            out += rule;
            out += "\r\n";
            for (ds.First(); !ds.Eof(); ds.Next()) {
                s.AppendRecordText(out);
                if (grid) {
                    out += rule;
                    out += "\r\n";
                }
            }
        };
    };
    measure(results[1], separate(false));
    measure(results[2], separate(true));
    measure(results[3], [&] {
        TResultSetCSVStrings s(env, &ds);
        out += s.GetHeaderLine();
        out += "\r\n";
        for (ds.First(); !ds.Eof(); ds.Next()) s.AppendRecordText(out);
    });
    measure(results[4], [&] {
        TResultSetTABStrings s(env, &ds);
        out += s.GetHeaderLine();
        out += "\r\n";
        for (ds.First(); !ds.Eof(); ds.Next()) s.AppendRecordText(out);
    });
    measure(results[5], [&] {
        TResultSetCutSheetStrings s(env, &ds);
        bool first = true;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            if (!first) out += "\r\n";
            first = false;
            s.AppendRecordText(out);
        }
    });

    std::printf("%s: %d rows x 5 columns, best of %d\n", title, rows, repeats);
    std::printf("%-14s %12s %14s %12s %8s\n", "layout", "rows/s", "bytes/s", "bytes", "ratio");
    const double floor = results[0].seconds;
    for (const auto& r : results)
        std::printf("%-14s %12.0f %14.0f %12zu %8.2f\n", r.name, rows / r.seconds, r.bytes / r.seconds, r.bytes,
                    r.seconds / floor);
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string file =
        argc > 3 ? argv[3] : "/tmp/formats_bench-" + std::to_string(static_cast<long>(getpid())) + ".sqlite";
    std::remove(file.c_str());
    int rc = 0;
    try {
        TOdbcConnection conn;
        conn.SetConnectionString("DRIVER=SQLite3;Database=" + file);
        conn.Open();
        auto result = MakeSQLiteRows(conn, rows);
        if (result->RecordCount() != rows) {
            std::fprintf(stderr, "formats_bench: %d rows read, %d expected\n", result->RecordCount(), rows);
            rc = 1;
        } else {
            RunAll("SQLite result (ODBC layer)", *result, rows, repeats);
            TTextColumns columns(*result);
            result.reset();
            columns.Open();
            std::printf("\n");
            RunAll("value texts in plain columns", columns, rows, repeats);
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "formats_bench: %s: %s\n", e.ClassName(), e.what());
        rc = 1;
    }
    std::remove(file.c_str());
    return rc;
}
