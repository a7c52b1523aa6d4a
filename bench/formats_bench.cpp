// Result-to-text formats against the floor: the same rows of a materialised
// dataset formatted in each layout into one reusable byte buffer, beside the
// plain copy of every value's text into that buffer (no layout at all).
//
//   formats_bench [rows] [repeats]
//
// Prints rows per second, bytes per second and each layout's time as a ratio
// of the floor's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"
#include "T_EnvData.h"
#include "U_DataSetStrings.h"

namespace {

// A result as a driver materialises it: per column one byte block of value
// texts with offsets and a null flag per row, read without a heap string per cell.
class TColumnarDataSet : public TDataSet {
public:
    struct Column {
        std::string Name;
        TFieldType Type;
        std::string Bytes;
        std::vector<uint32_t> Ends;
        std::vector<bool> Null;
    };
    std::vector<Column> Columns;
    int Rows = 0;

    void AddValue(int col, const std::string* text) {
        Column& c = Columns[static_cast<size_t>(col)];
        if (text) c.Bytes += *text;
        c.Ends.push_back(static_cast<uint32_t>(c.Bytes.size()));
        c.Null.push_back(text == nullptr);
    }

    bool GetFieldText(const TField& field, std::string& text) override {
        const Column& c = Columns[static_cast<size_t>(field.Index())];
        const size_t r = static_cast<size_t>(FCur);
        if (FCur < 0 || FCur >= Rows || c.Null[r]) {
            text.clear();
            return false;
        }
        const uint32_t b = r ? c.Ends[r - 1] : 0;
        text.assign(c.Bytes.data() + b, c.Ends[r] - b);
        return true;
    }

protected:
    void InternalOpen() override {
        FieldDefs().Clear();
        for (const auto& c : Columns) FieldDefs().Add(c.Name, c.Type, 50);
        FCur = -1;
        FOpen = true;
    }
    void InternalClose() override { FOpen = false; }
    bool IsCursorOpen() const override { return FOpen; }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = Rows; }
    TGetResult GetRecord(TGetMode mode) override {
        switch (mode) {
        case gmCurrent: return FCur >= 0 && FCur < Rows ? grOK : grError;
        case gmNext:
            if (FCur < Rows - 1) { ++FCur; return grOK; }
            return grEOF;
        default:
            if (FCur > 0) { FCur = std::min(FCur, Rows) - 1; return grOK; }
            return grBOF;
        }
    }
    int GetRecordCount() override { return Rows; }
    bool GetFieldValue(const TField& field, TVariant& value) override {
        std::string s;
        if (!GetFieldText(field, s)) return false;
        value = TVariant(std::move(s));
        return true;
    }

private:
    int FCur = -1;
    bool FOpen = false;
};

// ID, NAME, PRICE, CREATED, NOTE: mostly single-line values, a NULL now and
// then, Japanese text, and a rare value with a line break or a TAB.
std::unique_ptr<TColumnarDataSet> MakeRows(int rows) {
    auto ds = std::make_unique<TColumnarDataSet>();
    ds->Columns = {{"ID", ftInteger, {}, {}, {}},
                   {"NAME", ftString, {}, {}, {}},
                   {"PRICE", ftFloat, {}, {}, {}},
                   {"CREATED", ftDateTime, {}, {}, {}},
                   {"NOTE", ftString, {}, {}, {}}};
    static const char* notes[] = {"在庫あり", "shipped to Osaka, 2 boxes", "返品 \"要確認\"", "ok",
                                  "配送センター経由で翌日着", "urgent"};
    std::string s;
    char buf[64];
    for (int r = 0; r < rows; ++r) {
        s = std::to_string(r + 1);
        ds->AddValue(0, &s);
        std::snprintf(buf, sizeof buf, "customer_%06d", r % 50000);
        s = buf;
        ds->AddValue(1, &s);
        std::snprintf(buf, sizeof buf, "%d.%02d", (r * 37) % 100000, r % 100);
        s = buf;
        ds->AddValue(2, &s);
        std::snprintf(buf, sizeof buf, "2024/%02d/%02d %02d:%02d:%02d", r % 12 + 1, r % 28 + 1, r % 24, r % 60,
                      (r * 7) % 60);
        s = buf;
        ds->AddValue(3, &s);
        if (r % 97 == 0) {
            ds->AddValue(4, nullptr);
        } else if (r % 1009 == 0) {
            s = "first line\r\nsecond\tline";
            ds->AddValue(4, &s);
        } else {
            s = notes[r % 6];
            ds->AddValue(4, &s);
        }
    }
    ds->Rows = rows;
    ds->Open();
    return ds;
}

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

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    auto ds = MakeRows(rows);
    TWritableEnvData env;
    std::string out;

    std::vector<Result> results = {{"floor (copy)"}, {"text"}, {"text grid"}, {"csv"}, {"tab"}, {"record sheet"}};
    auto runLayout = [&](Result& res, const std::function<void()>& body) {
        for (int k = 0; k < repeats; ++k) {
            out.clear();
            res.seconds = std::min(res.seconds, Seconds(body));
            res.bytes = out.size();
        }
    };

    runLayout(results[0], [&] {
        std::string cell;
        const int fields = ds->FieldCount();
        for (ds->First(); !ds->Eof(); ds->Next()) {
            for (int i = 0; i < fields; ++i) {
                ds->GetFieldText(ds->Fields(i), cell);
                out += cell;
            }
            out += "\r\n";
        }
    });
    auto separate = [&](bool grid) {
        return [&, grid] {
            TResultSetSeparateStrings s(env, false, ds.get());
            if (grid) s.SetColumnDelim('|');
            out += s.GetHeaderLine();
            out += "\r\n";
            const std::string rule = s.GetScaleLine();
            out += rule;
            out += "\r\n";
            for (ds->First(); !ds->Eof(); ds->Next()) {
                s.AppendRecordText(out);
                if (grid) {
                    out += rule;
                    out += "\r\n";
                }
            }
        };
    };
    runLayout(results[1], separate(false));
    runLayout(results[2], separate(true));
    runLayout(results[3], [&] {
        TResultSetCSVStrings s(env, ds.get());
        out += s.GetHeaderLine();
        out += "\r\n";
        for (ds->First(); !ds->Eof(); ds->Next()) s.AppendRecordText(out);
    });
    runLayout(results[4], [&] {
        TResultSetTABStrings s(env, ds.get());
        out += s.GetHeaderLine();
        out += "\r\n";
        for (ds->First(); !ds->Eof(); ds->Next()) s.AppendRecordText(out);
    });
    runLayout(results[5], [&] {
        TResultSetCutSheetStrings s(env, ds.get());
        bool first = true;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            if (!first) out += "\r\n";
            first = false;
            s.AppendRecordText(out);
        }
    });

    std::printf("%d rows x 5 columns, best of %d\n", rows, repeats);
    std::printf("%-14s %12s %14s %12s %8s\n", "layout", "rows/s", "bytes/s", "bytes", "ratio");
    const double floor = results[0].seconds;
    for (const auto& r : results)
        std::printf("%-14s %12.0f %14.0f %12zu %8.2f\n", r.name, rows / r.seconds, r.bytes / r.seconds, r.bytes,
                    r.seconds / floor);
    return 0;
}
