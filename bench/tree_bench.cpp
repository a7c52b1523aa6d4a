// Expanding an object tree node whose deploy query lists many objects: the
// window's object tree (query through the ODBC driver, one item per row with
// its parameters, sorting, icons) beside a plain QTreeWidget filled with the
// same strings after the same query (the peer).
//
//   tree_bench ROWS RUNS [smoke]
//
// Every side runs in a child process of its own in every run and size (ROWS /
// 10, then ROWS), the sides taking turns at going first (bench::TakeTurns). In
// that process the cold case is the first expansion (fresh memory: allocation
// and page faults count there), the warm case the third. Printed for each case:
// the minimum and the median over the runs of the wall time and of the CPU time
// (user + sys), ours / peer for both, and the time per object at ROWS against
// ROWS / 10, so that a growth faster than linear shows.
//
// Everything it writes (the SQLite database, the definition folder) lives in
// a folder of its own under $TMPDIR (or /tmp), removed at the end.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <malloc.h>

#include <QApplication>
#include <QTreeWidget>

#include "BenchTiming.h"
#include "CP932Qt.h"
#include "FileSystem.h"
#include "KZNTreeView.h"
#include "U_ADODriver.h"
#include "U_DescTreeManager.h"
#include "U_Frame_SQLClient.h"
#include "WindowMessage.h"
#include "QtMessages.h"

namespace {

const char* const kSQL = "SELECT name, id FROM objs ORDER BY id";

int gArgc = 1;
char gName[] = "tree_bench";
char* gArgv[] = {gName, nullptr};

// Wall and CPU milliseconds of F, and the page faults (fresh memory handed to
// the process) on the way.
struct Sample {
    double Wall = 0, Cpu = 0, Faults = 0;
};

template <class F>
Sample Measure(F&& f) {
    const double f0 = bench::MinorFaults();
    const bench::Sample s = bench::Measure(f);
    return {s.Wall, s.Cpu, bench::MinorFaults() - f0};
}

// Bytes the heap holds now.
size_t HeldBytes() { return mallinfo2().uordblks; }

void Connect(TADODriver& driver, const std::string& database) {
    if (!driver.ConnectByConnectionString("DRIVER=SQLite3;Database=" + database, "bench"))
        throw std::runtime_error("cannot open " + database + " through ODBC");
}

// ---- one side in a process of its own, returning
// cold wall, cold cpu, warm wall, warm cpu, cold faults, warm faults, held bytes, count

constexpr int kExpansions = 3;  // the first is the cold case, the last the warm one

std::vector<double> Figures(const Sample& cold, const Sample& warm, double held, int count) {
    return {cold.Wall, cold.Cpu, warm.Wall, warm.Cpu, cold.Faults, warm.Faults, held, double(count)};
}

std::vector<double> Ours(const std::string& folder, const std::string& database) {
    QApplication app(gArgc, gArgv);
    TADODriver driver;
    Connect(driver, database);
    winmsg::TMessageWindow centre;
    TFrameSQLClient frame(nullptr, centre.Handle());
    frame.OnIsConnected = [](void*, bool& c) { c = true; };
    frame.OnExecuteSQL = [&driver](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                   std::string& msg) { driver.Execute(sender, sql, kind, ds, msg); };
    TDescTreeManager& m = *frame.DescTreeManager;
    m.SetProgramFolder(folder);
    m.AddObjectTree("B");
    TKZNTreeView& tree = *frame.TreeView_Desc;
    Sample cold, warm;
    double held = 0;
    int count = 0;
    for (int r = 0; r < kExpansions; ++r) {
        m.LoadObjectTrees();
        TTreeNodeEx* b = tree.Root(0)->Item(0);
        m.ExpandNode(b);
        TTreeNodeEx* objects = b->Item(0);
        const size_t before = HeldBytes();
        const Sample s = Measure([&] { m.ExpandNode(objects); });
        if (r == 0) {
            cold = s;
            held = double(HeldBytes()) - double(before);
        }
        warm = s;
        count = objects->Count();
    }
    m.LoadObjectTrees();
    return Figures(cold, warm, held, count);
}

// The same query, then a plain tree item filled with the first field's strings.
std::vector<double> Peer(const std::string& database) {
    QApplication app(gArgc, gArgv);
    TADODriver driver;
    Connect(driver, database);
    Sample cold, warm;
    double held = 0;
    int count = 0;
    for (int r = 0; r < kExpansions; ++r) {
        QTreeWidget tree;
        auto* parent = new QTreeWidgetItem(&tree, QStringList(QStringLiteral("Objects")));
        const size_t before = HeldBytes();
        std::unique_ptr<TDataSet> ds;
        const Sample s = Measure([&] {
            std::string msg;
            driver.Execute(nullptr, kSQL, TSQLKind::Query, ds, msg);
            QList<QTreeWidgetItem*> items;
            for (ds->First(); !ds->Eof(); ds->Next())
                items.append(new QTreeWidgetItem(QStringList(cp932::ToQString(ds->Fields(0).AsString()))));
            parent->addChildren(items);
        });
        ds.reset();
        if (r == 0) {
            cold = s;
            held = double(HeldBytes()) - double(before);
        }
        warm = s;
        count = parent->childCount();
    }
    return Figures(cold, warm, held, count);
}

void MakeObjects(const std::string& database, int rows) {
    TADODriver driver;
    Connect(driver, database);
    auto run = [&](const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
    };
    run("drop table if exists objs");
    // The objects in key order, as a catalogue lists them: an ORDER BY on a
    // column without an index would add SQLite's own sort (n log n, spilling
    // to temporary files past its cache) to both sides.
    run("create table objs (id integer primary key, name varchar(40))");
    run("with recursive c(x) as (select 1 union all select x + 1 from c where x < " + std::to_string(rows) +
        ") insert into objs select x, 'TABLE_' || substr('0000000' || x, -7) from c");
}

std::string Fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const bool smoke = argc > 3 && std::strcmp(argv[3], "smoke") == 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtmessages::DropPlatformNoise();

    bench::TempFolder temp("zintavor-tree-bench");
    const std::string folder = fs932::FromNative(temp.Path);
    if (!fs932::ForceDirectories(folder + "ObjectTree/B/Objects/_Columns") ||
        !fs932::WriteFileAtomic(folder + "ObjectTree/B/Objects/DeployItem.SQL", kSQL) ||
        !fs932::WriteFileAtomic(folder + "ObjectTree/B/Objects/_Columns.PropertySQL", "SELECT 1")) {
        std::fprintf(stderr, "cannot write the object tree definition in %s\n", temp.Path.c_str());
        return 1;
    }
    const std::string database = temp.Path + "objects.sqlite";

    bench::Table table("object tree: expanding a node of N objects (SQLite through ODBC, in key order), against a\n"
                       "  plain QTreeWidget filled with the same strings after the same query; cold: the first\n"
                       "  expansion of a fresh process, warm: the third",
                       runs, smoke);
    const char* oursName = "object tree";
    const char* peerName = "QTreeWidget";
    bench::Spread perObject[2][2][2][2];  // side, size, cold/warm, wall/cpu: ms per object
    int step = 0;
    int status = 0;
    for (int n : {rows / 10, rows}) {
        try {
            MakeObjects(database, n);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tree_bench: %s\n", e.what());
            return 1;
        }
        const auto results = bench::TakeTurns(runs, {[&] { return Ours(folder, database); },
                                                     [&] { return Peer(database); }});
        for (const auto& side : results)
            for (const auto& r : side)
                if (r.size() < 8 || r[7] != n) status = 1;
        const std::string objects = std::to_string(n) + " objects, ";
        for (int warm = 0; warm < 2; ++warm) {
            const bench::Series ours = bench::SeriesOf(oursName, results[0], warm * 2);
            const bench::Series peer = bench::SeriesOf(peerName, results[1], warm * 2);
            table.Case(objects + (warm ? "warm" : "cold"), ours, {&peer});
            for (int side = 0; side < 2; ++side) {
                const bench::Series& s = side ? peer : ours;
                const bench::Spread w = s.Wall(), c = s.Cpu();
                perObject[side][step][warm][0] = {w.Min / n, w.Median / n};
                perObject[side][step][warm][1] = {c.Min / n, c.Median / n};
            }
        }
        const double oh = bench::MedianOf(results[0], 6), ph = bench::MedianOf(results[1], 6);
        if (oh > 0 && ph > 0)
            table.Note(std::to_string(n) + " objects: heap held per object (median): " + oursName + " " +
                       Fixed(oh / n, 0) + " bytes, " + peerName + " " + Fixed(ph / n, 0) + " bytes, ours/" +
                       peerName + " " + Fixed(bench::Ratio(oh, ph), 2));
        table.Note(std::to_string(n) + " objects: page faults per object (median): cold " + Fixed(bench::MedianOf(results[0], 4) / n, 3) +
                   " / " + Fixed(bench::MedianOf(results[1], 4) / n, 3) + ", warm " +
                   Fixed(bench::MedianOf(results[0], 5) / n, 3) + " / " + Fixed(bench::MedianOf(results[1], 5) / n, 3) +
                   " (" + oursName + " / " + peerName + ")");
        std::fflush(stdout);
        ++step;
    }
    if (status) {
        std::fprintf(stderr, "tree_bench: a side did not show every object\n");
        return 1;
    }
    for (int side = 0; side < 2; ++side)
        for (int warm = 0; warm < 2; ++warm) {
            const bench::Spread(&a)[2] = perObject[side][0][warm];
            const bench::Spread(&b)[2] = perObject[side][1][warm];
            table.Note(std::string(side ? peerName : oursName) + ", " + (warm ? "warm" : "cold") +
                       ": time per object at " + std::to_string(rows) + " / at " + std::to_string(rows / 10) +
                       " (1.00 is linear; min / median): wall " + Fixed(bench::Ratio(b[0].Min, a[0].Min), 2) + " / " +
                       Fixed(bench::Ratio(b[0].Median, a[0].Median), 2) + ", cpu " +
                       Fixed(bench::Ratio(b[1].Min, a[1].Min), 2) + " / " +
                       Fixed(bench::Ratio(b[1].Median, a[1].Median), 2));
        }
    table.Aim("linear growth: the " + std::string(oursName) + "'s time per object at " + std::to_string(rows) +
              " about that at " + std::to_string(rows / 10) + " (1.00), cold and warm, wall and CPU");
    return 0;
}
