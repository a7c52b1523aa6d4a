// Expanding an object tree node whose deploy query lists many objects: the
// window's object tree (query through the ODBC driver, one item per row with
// its parameters, sorting, icons) beside a plain QTreeWidget filled with the
// same strings after the same query (the peer).
//
//   tree_bench ROWS RUNS [smoke]
//
// Each run starts one fresh process per side and size (ROWS / 10, then ROWS),
// in alternating order, so both sides are measured in every run. In that
// process the cold case is the first expansion (fresh memory: allocation and
// page faults count there), the warm case the third. The parent prints, for
// each case, the minimum and the median over the runs of the wall time and of
// the CPU time (user + sys), ours ÷ peer for both, and the time per object at
// ROWS against ROWS / 10, so that a growth faster than linear shows.
//
// Everything it writes (the SQLite database, the definition folder) lives in
// a folder of its own under $TMPDIR (or /tmp), removed at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeWidget>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "QtMessages.h"
#include "KZNTreeView.h"
#include "U_ADODriver.h"
#include "U_DescTreeManager.h"
#include "U_Frame_SQLClient.h"
#include "WindowMessage.h"
#include "QtMessages.h"

namespace {

const char* const kSQL = "SELECT name, id FROM objs ORDER BY id";

// Wall and CPU (user + sys of the whole process) milliseconds, and the page
// faults (fresh memory handed to the process) on the way.
struct Sample {
    double Wall = 0;
    double Cpu = 0;
    double Faults = 0;
};

double MinorFaults() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_minflt);
}

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Measures F once.
template <class F>
Sample Measure(F&& f) {
    const double f0 = MinorFaults();
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = CpuMs();
    f();
    const double c1 = CpuMs();
    const auto w1 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(w1 - w0).count(), c1 - c0, MinorFaults() - f0};
}

// Bytes the heap holds now.
size_t HeldBytes() { return mallinfo2().uordblks; }

bool Connect(TADODriver& driver, const std::string& database) {
    return driver.ConnectByConnectionString("DRIVER=SQLite3;Database=" + database, "bench");
}

// ---- one side in a process of its own, printing
// "cold-wall cold-cpu cold-faults warm-wall warm-cpu warm-faults held count"

constexpr int kExpansions = 3;  // the first is the cold case, the last the warm one

int OursProcess(const std::string& folder, const std::string& database) {
    TADODriver driver;
    if (!Connect(driver, database)) return 1;
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
    std::printf("%f %f %f %f %f %f %f %d\n", cold.Wall, cold.Cpu, cold.Faults, warm.Wall, warm.Cpu, warm.Faults, held,
                count);
    return 0;
}

// The same query, then a plain tree item filled with the first field's strings.
int PeerProcess(const std::string& database) {
    TADODriver driver;
    if (!Connect(driver, database)) return 1;
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
    std::printf("%f %f %f %f %f %f %f %d\n", cold.Wall, cold.Cpu, cold.Faults, warm.Wall, warm.Cpu, warm.Faults, held,
                count);
    return 0;
}

// ---- the parent

struct Result {
    Sample Cold, Warm;
    double Held = 0;
    int Count = 0;
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Runs one side in a fresh process and reads its figures.
bool RunSide(const std::string& self, const char* side, const std::string& folder, const std::string& database,
             Result& out) {
    const std::string cmd = Quote(self) + " --side " + side + " " + Quote(folder) + " " + Quote(database);
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return false;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, p) != nullptr;
    const int rc = pclose(p);
    if (!read || rc != 0) return false;
    return std::sscanf(line, "%lf %lf %lf %lf %lf %lf %lf %d", &out.Cold.Wall, &out.Cold.Cpu, &out.Cold.Faults,
                       &out.Warm.Wall, &out.Warm.Cpu, &out.Warm.Faults, &out.Held, &out.Count) == 8;
}

double Min(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0.0; }

// Min and median over the runs of one figure.
struct Spread {
    double Min = 0, Median = 0;
};

template <class Pick>
Spread SpreadOf(const std::vector<Result>& runs, Pick pick) {
    std::vector<double> v;
    for (const Result& r : runs) v.push_back(pick(r));
    return {Min(v), Median(v)};
}

void MakeObjects(const std::string& database, int rows) {
    TADODriver driver;
    if (!Connect(driver, database)) {
        std::fprintf(stderr, "cannot open SQLite through ODBC\n");
        std::exit(1);
    }
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

struct TempFolder {
    std::string Path;  // with a trailing '/'
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string t = std::string(tmp && *tmp ? tmp : "/tmp") + "/zintavor-tree-bench.XXXXXX";
        std::vector<char> buf(t.begin(), t.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data())) Path = std::string(buf.data()) + "/";
    }
    ~TempFolder() {
        if (!Path.empty()) std::system(("rm -rf " + Quote(Path)).c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--side") == 0) {
        QApplication app(argc, argv);
        if (std::strcmp(argv[2], "ours") == 0 && argc >= 5) return OursProcess(argv[3], argv[4]);
        if (std::strcmp(argv[2], "peer") == 0 && argc >= 5) return PeerProcess(argv[4]);
        return 2;
    }
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const bool smoke = argc > 3 && std::strcmp(argv[3], "smoke") == 0;
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);

    TempFolder temp;
    if (temp.Path.empty()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string folder = fs932::FromNative(temp.Path);
    fs932::ForceDirectories(folder + "ObjectTree/B/Objects/_Columns");
    fs932::WriteFileAtomic(folder + "ObjectTree/B/Objects/DeployItem.SQL", kSQL);
    fs932::WriteFileAtomic(folder + "ObjectTree/B/Objects/_Columns.PropertySQL", "SELECT 1");
    const std::string database = temp.Path + "objects.sqlite";
    char self[4096] = {};
    const ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    if (len <= 0) return 1;

    std::printf("object tree: expanding a node of N objects (SQLite through ODBC), against a plain QTreeWidget\n");
    std::printf("  filled with the same strings after the same query; %d run(s), each side in a fresh process;\n", runs);
    std::printf("  cold: the first expansion of the process, warm: the third; min / median over the runs\n");
    if (smoke)
        std::printf("  SMOKE RUN: these sizes are far too small to judge the aims (ratios, linear growth); they only show it works\n");
    std::printf("  %9s %-5s %-12s %21s %21s\n", "N", "case", "side", "wall ms min / median", "cpu ms min / median");

    double perObject[2][2][2] = {};  // size, cold/warm, min/median
    int step = 0;
    for (int n : {rows / 10, rows}) {
        MakeObjects(database, n);
        std::vector<Result> ours, peer;
        for (int r = 0; r < runs; ++r) {
            Result o, p;
            const bool oursFirst = r % 2 == 0;
            bool ok = true;
            if (oursFirst) ok = RunSide(self, "ours", folder, database, o) && RunSide(self, "peer", folder, database, p);
            else ok = RunSide(self, "peer", folder, database, p) && RunSide(self, "ours", folder, database, o);
            if (!ok || o.Count != n || p.Count != n) {
                std::fprintf(stderr, "a run failed or counted wrong: ours %d, peer %d, expected %d\n", o.Count, p.Count, n);
                return 1;
            }
            ours.push_back(o);
            peer.push_back(p);
        }
        for (int warm = 0; warm < 2; ++warm) {
            const char* kase = warm ? "warm" : "cold";
            auto wall = [warm](const Result& r) { return warm ? r.Warm.Wall : r.Cold.Wall; };
            auto cpu = [warm](const Result& r) { return warm ? r.Warm.Cpu : r.Cold.Cpu; };
            const Spread ow = SpreadOf(ours, wall), oc = SpreadOf(ours, cpu);
            const Spread pw = SpreadOf(peer, wall), pc = SpreadOf(peer, cpu);
            std::printf("  %9d %-5s %-12s %10.1f / %8.1f %10.1f / %8.1f\n", n, kase, "ours", ow.Min, ow.Median, oc.Min,
                        oc.Median);
            std::printf("  %9d %-5s %-12s %10.1f / %8.1f %10.1f / %8.1f\n", n, kase, "QTreeWidget", pw.Min, pw.Median, pc.Min,
                        pc.Median);
            std::printf("  %9d %-5s %-12s %10.2f / %8.2f %10.2f / %8.2f\n", n, kase, "ours/peer", Ratio(ow.Min, pw.Min),
                        Ratio(ow.Median, pw.Median), Ratio(oc.Min, pc.Min), Ratio(oc.Median, pc.Median));
            perObject[step][warm][0] = ow.Min / n;
            perObject[step][warm][1] = ow.Median / n;
        }
        const Spread oh = SpreadOf(ours, [](const Result& r) { return r.Held; });
        const Spread ph = SpreadOf(peer, [](const Result& r) { return r.Held; });
        if (oh.Median > 0 && ph.Median > 0)
            std::printf("  %9d heap held per object (median): ours %.0f bytes, QTreeWidget %.0f bytes, ratio %.2f\n", n,
                        oh.Median / n, ph.Median / n, Ratio(oh.Median, ph.Median));
        auto faults = [n](const std::vector<Result>& runs, bool warm) {
            return SpreadOf(runs, [warm](const Result& r) { return warm ? r.Warm.Faults : r.Cold.Faults; }).Median / n;
        };
        std::printf("  %9d page faults per object (median): cold: ours %.3f, QTreeWidget %.3f; warm: ours %.3f, QTreeWidget %.3f\n",
                    n, faults(ours, false), faults(peer, false), faults(ours, true), faults(peer, true));
        ++step;
    }
    for (int warm = 0; warm < 2; ++warm)
        std::printf("  ours, %s: time per object at N / at N/10 (1.00 is linear): %.2f from the minima, %.2f from the medians\n",
                    warm ? "warm" : "cold", Ratio(perObject[1][warm][0], perObject[0][warm][0]),
                    Ratio(perObject[1][warm][1], perObject[0][warm][1]));
    return 0;
}
