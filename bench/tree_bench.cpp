// Expanding an object tree node whose deploy query lists many objects: the
// window's object tree (query through the ODBC driver, one item per row with
// its parameters, sorting, icons) beside a plain QTreeWidget filled with the
// same strings after the same query (the peer).
//
//   tree_bench [rows] [repeats]
//
// Prints the first time of each (fresh memory: allocation and page faults
// count there) and the best, each with its ratio, and the time per row at a
// tenth of the rows, so that a growth faster than linear shows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeWidget>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "KZNTreeView.h"
#include "U_ADODriver.h"
#include "U_DescTreeManager.h"
#include "U_Frame_SQLClient.h"
#include "WindowMessage.h"
#include "QtMessages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Bytes the heap holds now.
size_t HeldBytes() { return mallinfo2().uordblks; }

// The first run's time and the best of all runs, and the heap bytes the
// first run's items hold.
struct Times {
    double First = 0;
    double Best = 1e300;
    double HeldBytes = 0;
    void Add(double ms) {
        if (Best == 1e300) First = ms;
        Best = std::min(Best, ms);
    }
};

struct Setup {
    std::string Folder;
    TADODriver Driver;
    std::string SQL = "SELECT name, id FROM objs ORDER BY id";
};

void MakeObjects(Setup& s, int rows) {
    auto run = [&](const std::string& sql) {
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        s.Driver.Execute(nullptr, sql, TSQLKind::Other, ds, msg);
    };
    run("drop table if exists objs");
    run("create table objs (id integer, name varchar(40))");
    run("with recursive c(x) as (select 1 union all select x + 1 from c where x < " + std::to_string(rows) +
        ") insert into objs select x, 'TABLE_' || substr('0000000' || x, -7) from c");
}

// The window's tree: the node Objects of the tree B lists the rows.
Times Ours(Setup&, TFrameSQLClient& frame, int repeats, int& count) {
    TDescTreeManager& m = *frame.DescTreeManager;
    TTreeNodeEx* objects = nullptr;
    TKZNTreeView& tree = *frame.TreeView_Desc;
    Times times;
    for (int r = 0; r < repeats; ++r) {
        m.LoadObjectTrees();
        TTreeNodeEx* b = tree.Root(0)->Item(0);
        m.ExpandNode(b);
        objects = b->Item(0);
        const size_t before = HeldBytes();
        const auto t0 = Clock::now();
        m.ExpandNode(objects);
        const auto t1 = Clock::now();
        if (r == 0) times.HeldBytes = double(HeldBytes()) - double(before);
        times.Add(Ms(t0, t1));
    }
    count = objects ? objects->Count() : 0;
    return times;
}

// The same query, then a plain tree item filled with the first field's strings.
Times Peer(Setup& s, int repeats, int& count) {
    Times times;
    for (int r = 0; r < repeats; ++r) {
        QTreeWidget tree;
        auto* parent = new QTreeWidgetItem(&tree, QStringList(QStringLiteral("Objects")));
        const size_t before = HeldBytes();
        const auto t0 = Clock::now();
        std::unique_ptr<TDataSet> ds;
        std::string msg;
        s.Driver.Execute(nullptr, s.SQL, TSQLKind::Query, ds, msg);
        QList<QTreeWidgetItem*> items;
        for (ds->First(); !ds->Eof(); ds->Next())
            items.append(new QTreeWidgetItem(QStringList(cp932::ToQString(ds->Fields(0).AsString()))));
        parent->addChildren(items);
        const auto t1 = Clock::now();
        ds.reset();
        if (r == 0) times.HeldBytes = double(HeldBytes()) - double(before);
        times.Add(Ms(t0, t1));
        count = parent->childCount();
    }
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);

    Setup s;
    s.Folder = fs932::FromNative("/tmp/zintavor-tree-bench-" + std::to_string(::getpid())) + "/";
    fs932::ForceDirectories(s.Folder + "ObjectTree/B/Objects");
    fs932::WriteFileAtomic(s.Folder + "ObjectTree/B/Objects/DeployItem.SQL", s.SQL);
    fs932::WriteFileAtomic(s.Folder + "ObjectTree/B/Objects/_Columns.PropertySQL", "SELECT 1");
    fs932::ForceDirectories(s.Folder + "ObjectTree/B/Objects/_Columns");
    if (!s.Driver.ConnectByConnectionString("DRIVER=SQLite3;Database=" + s.Folder + "objects.sqlite", "bench")) {
        std::fprintf(stderr, "cannot open SQLite through ODBC\n");
        return 1;
    }

    winmsg::TMessageWindow centre;
    TFrameSQLClient frame(nullptr, centre.Handle());
    frame.OnIsConnected = [](void*, bool& c) { c = true; };
    frame.OnExecuteSQL = [&s](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                              std::string& msg) { s.Driver.Execute(sender, sql, kind, ds, msg); };
    frame.DescTreeManager->SetProgramFolder(s.Folder);
    frame.DescTreeManager->AddObjectTree("B");

    std::printf("object tree: expanding a node of N objects (SQLite through ODBC), first run and best of %d\n", repeats);
    double perRow[2] = {0, 0};
    int step = 0;
    for (int n : {rows / 10, rows}) {
        MakeObjects(s, n);
        int oursCount = 0, peerCount = 0;
        const Times ours = Ours(s, frame, repeats, oursCount);
        const Times peer = Peer(s, repeats, peerCount);
        if (oursCount != n || peerCount != n) {
            std::fprintf(stderr, "wrong count: ours %d, peer %d, expected %d\n", oursCount, peerCount, n);
            return 1;
        }
        auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
        std::printf("  %8d objects, first: ours %9.1f ms   QTreeWidget %9.1f ms   ratio %.2f\n", n, ours.First, peer.First,
                    ratio(ours.First, peer.First));
        std::printf("  %8d objects, best:  ours %9.1f ms   QTreeWidget %9.1f ms   ratio %.2f\n", n, ours.Best, peer.Best,
                    ratio(ours.Best, peer.Best));
        if (ours.HeldBytes > 0 && peer.HeldBytes > 0)
            std::printf("  %8d objects, heap held per object: ours %.0f bytes   QTreeWidget %.0f bytes   ratio %.2f\n", n,
                        ours.HeldBytes / n, peer.HeldBytes / n, ratio(ours.HeldBytes, peer.HeldBytes));
        perRow[step++] = ours.Best / n;
    }
    std::printf("  time per object at N / at N/10: %.2f (1.00 is linear)\n", perRow[0] > 0 ? perRow[1] / perRow[0] : 0.0);
    frame.DescTreeManager->LoadObjectTrees();
    std::system(("rm -rf '" + fs932::ToNative(s.Folder) + "'").c_str());
    return 0;
}
