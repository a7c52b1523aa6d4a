// Result-to-text formats against the floor: the same rows of a materialised
// dataset formatted in each layout into one byte buffer, beside the plain
// copy of every value's text into that buffer (no layout at all: the peer).
//
// Two datasets of the same five columns:
//   - a SQLite result held by the ODBC layer (what a query gives the result page);
//   - the values' texts in plain columns, where reading a value costs almost
//     nothing, so the ratio shows the layouts' own work.
//
// Every layout and the floor run in a child process of their own in every run
// (taking turns): cold, the first pass of the process (a fresh buffer);
// warm, the third (the buffer reused).
//
//   formats_bench ROWS RUNS [smoke]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchTiming.h"
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

using TLayout = std::function<void(TDataSet&, std::string&)>;

// The floor and the five layouts, as the result page writes them.
std::vector<std::pair<const char*, TLayout>> Layouts(const TWritableEnvData& env) {
    auto separate = [&env](bool grid) {
        return [&env, grid](TDataSet& ds, std::string& out) {
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
    return {
        {"floor", [](TDataSet& ds, std::string& out) {
             std::string cell;
             const int fields = ds.FieldCount();
             for (ds.First(); !ds.Eof(); ds.Next()) {
                 for (int i = 0; i < fields; ++i) {
                     ds.GetFieldText(ds.Fields(i), cell);
                     out += cell;
                 }
                 out += "\r\n";
             }
         }},
        {"text", separate(false)},
        {"text grid", separate(true)},
        {"csv", [&env](TDataSet& ds, std::string& out) {
             TResultSetCSVStrings s(env, &ds);
             out += s.GetHeaderLine();
             out += "\r\n";
             for (ds.First(); !ds.Eof(); ds.Next()) s.AppendRecordText(out);
         }},
        {"tab", [&env](TDataSet& ds, std::string& out) {
             TResultSetTABStrings s(env, &ds);
             out += s.GetHeaderLine();
             out += "\r\n";
             for (ds.First(); !ds.Eof(); ds.Next()) s.AppendRecordText(out);
         }},
        {"record sheet", [&env](TDataSet& ds, std::string& out) {
             TResultSetCutSheetStrings s(env, &ds);
             bool first = true;
             for (ds.First(); !ds.Eof(); ds.Next()) {
                 if (!first) out += "\r\n";
                 first = false;
                 s.AppendRecordText(out);
             }
         }},
    };
}

// One layout in a child: cold wall, cold cpu, warm wall, warm cpu, bytes.
std::vector<double> Passes(const TLayout& layout, TDataSet& ds) {
    std::string out;
    const bench::Sample cold = bench::Measure([&] { layout(ds, out); });
    out.clear();
    layout(ds, out);
    out.clear();
    const bench::Sample warm = bench::Measure([&] { layout(ds, out); });
    return {cold.Wall, cold.Cpu, warm.Wall, warm.Cpu, double(out.size())};
}

// Every layout against the floor over one dataset.
void RunAll(bench::Table& table, const char* title, TDataSet& ds, int rows, int runs) {
    TWritableEnvData env;
    const auto layouts = Layouts(env);
    std::vector<std::function<std::vector<double>()>> sides;
    for (const auto& l : layouts) sides.push_back([&l, &ds] { return Passes(l.second, ds); });
    const auto results = bench::TakeTurns(runs, sides);
    std::printf("\n  %s, %d rows x 5 columns\n", title, rows);
    for (int warm = 0; warm < 2; ++warm) {
        const bench::Series floor = bench::SeriesOf("floor", results[0], warm ? 2 : 0);
        std::vector<bench::Series> ours;
        for (size_t k = 1; k < layouts.size(); ++k) ours.push_back(bench::SeriesOf(layouts[k].first, results[k], warm ? 2 : 0));
        std::vector<const bench::Series*> list;
        for (const bench::Series& o : ours) list.push_back(&o);
        table.Group(warm ? "warm" : "cold", floor, list);
    }
    std::string bytes = "bytes written (median):";
    for (size_t k = 0; k < layouts.size(); ++k)
        bytes += std::string(" ") + layouts[k].first + " " + std::to_string(long(bench::MedianOf(results[k], 4))) + ";";
    table.Note(bytes);
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const bool smoke = argc > 3 && std::strcmp(argv[3], "smoke") == 0;
    bench::TempFolder temp("zintavor-formats-bench");
    const std::string file = temp.Path + "rows.sqlite";
    int rc = 0;
    try {
        TOdbcConnection conn;
        conn.SetConnectionString("DRIVER=SQLite3;Database=" + file);
        conn.Open();
        auto result = MakeSQLiteRows(conn, rows);
        if (result->RecordCount() != rows) {
            std::fprintf(stderr, "formats_bench: %d rows read, %d expected\n", result->RecordCount(), rows);
            return 1;
        }
        bench::Table table("result-to-text layouts: each layout of a result page against the floor, the plain copy of\n"
                           "  every value's text into the same buffer; cold: the first pass of a fresh process, warm: the third",
                           runs, smoke, false);
        RunAll(table, "a SQLite result held by the ODBC layer", *result, rows, runs);
        TTextColumns columns(*result);
        result.reset();
        columns.Open();
        RunAll(table, "the value texts in plain columns (the layouts' own work)", columns, rows, runs);
    } catch (const Exception& e) {
        std::fprintf(stderr, "formats_bench: %s: %s\n", e.ClassName(), e.what());
        rc = 1;
    }
    return rc;
}
