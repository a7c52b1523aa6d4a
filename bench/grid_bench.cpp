// The grid window against a plain QTableView over a trivial table model
// holding the same strings (offscreen): opening a result of N rows and 5
// columns (window made, shown and painted), moving to the last record and
// painting there, and paging through the rows, painting each page.
//   grid_bench ROWS PAGES
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "CP932Qt.h"
#include "MemDataSet.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "U_Form_Grid.h"
#include "QtMessages.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); }

// The peer's model: every column's text in one UTF-16 block with end offsets.
class TPlainModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& = QModelIndex()) const override { return Rows; }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return static_cast<int>(Cols.size()); }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole || !i.isValid()) return QVariant();
        const TCol& c = Cols[static_cast<size_t>(i.column())];
        const size_t r = static_cast<size_t>(i.row());
        const size_t b = r ? c.Ends[r - 1] : 0;
        return QString(c.Text.data() + b, static_cast<qsizetype>(c.Ends[r] - b));
    }
    QVariant headerData(int s, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole) return QVariant();
        return o == Qt::Horizontal ? Names.at(s) : QVariant(QString());
    }
    struct TCol {
        std::vector<QChar> Text;
        std::vector<size_t> Ends;
    };
    std::vector<TCol> Cols;
    QStringList Names;
    int Rows = 0;
};

void Paint(QTableView* v) {
    QApplication::processEvents();
    v->viewport()->repaint();
}

void Row(const char* what, double ours, double peer) {
    std::printf("%-40s %12.2f ms %12.2f ms %8.2fx\n", what, ours, peer, peer > 0 ? ours / peer : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int pages = argc > 2 ? std::atoi(argv[2]) : 200;
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    QApplication::setFont(QFont("IPAGothic", 9));

    // the result: rows x 5 text columns from SQLite, fetched once for both
    TOdbcConnection conn;
    conn.SetConnectionString("DRIVER=SQLite3;Database=:memory:");
    conn.Open();
    auto q = std::make_unique<TOdbcQuery>(&conn);
    q->SetParamCheck(false);
    q->SetSQL("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " + std::to_string(rows) +
              ") SELECT 'r' || x AS c1, 'データ' || x AS c2, printf('%08d', x * 7) AS c3, 'あいう' || (x % 97) AS c4, "
              "'z' || (x % 13) AS c5 FROM n");
    auto t0 = Clock::now();
    q->Open();
    const double fetch = Ms(t0);
    std::printf("result: %d rows x %d columns (fetched in %.0f ms)\n", q->RecordCount(), q->FieldCount(), fetch);

    TPlainModel peerModel;
    peerModel.Rows = q->RecordCount();
    peerModel.Cols.resize(static_cast<size_t>(q->FieldCount()));
    for (int c = 0; c < q->FieldCount(); ++c) peerModel.Names << cp932::ToQString(q->Fields(c).FieldName());
    for (int r = 0; r < peerModel.Rows; ++r) {
        for (int c = 0; c < q->FieldCount(); ++c) {
            TVariant v;
            q->ReadRowValue(r, q->Fields(c), v);
            QString s = cp932::ToQString(v.AsString());
            auto& col = peerModel.Cols[static_cast<size_t>(c)];
            col.Text.insert(col.Text.end(), s.begin(), s.end());
            col.Ends.push_back(col.Text.size());
        }
    }

    // the toolkit's one-time start (fonts, style) is paid by neither side
    {
        auto w = std::make_unique<TMemDataSet>();
        w->FieldDefs().Add("x", ftString, 10);
        w->AddRow({TVariant("x")});
        w->Open();
        TForm_Grid g(nullptr, std::move(w));
        g.show();
        Paint(g.DBGrid1);
        TPlainModel m;
        QTableView v;
        v.setModel(&m);
        v.show();
        Paint(&v);
    }

    std::printf("%-40s %15s %15s %9s\n", "", "TForm_Grid", "QTableView", "ours/peer");

    // open: the window made, shown and painted
    t0 = Clock::now();
    auto grid = std::make_unique<TForm_Grid>(nullptr, std::move(q));
    grid->resize(1000, 700);
    grid->show();
    Paint(grid->DBGrid1);
    const double openOurs = Ms(t0);
    t0 = Clock::now();
    auto peer = std::make_unique<QTableView>();
    // the same font and row height as the grid window's
    peer->setFont(grid->DBGrid1->font());
    peer->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    peer->verticalHeader()->setDefaultSectionSize(grid->DBGrid1->verticalHeader()->defaultSectionSize());
    peer->setModel(&peerModel);
    peer->resize(1000, 700);
    peer->show();
    Paint(peer.get());
    const double openPeer = Ms(t0);
    Row("open and paint", openOurs, openPeer);

    // to the last record, painted there
    t0 = Clock::now();
    grid->Action_LastExecute();
    Paint(grid->DBGrid1);
    const double lastOurs = Ms(t0);
    t0 = Clock::now();
    peer->setCurrentIndex(peerModel.index(peerModel.Rows - 1, 0));
    peer->scrollToBottom();
    Paint(peer.get());
    const double lastPeer = Ms(t0);
    Row("to the last record and paint", lastOurs, lastPeer);
    std::printf("  current row: TForm_Grid %d, QTableView %d\n", grid->DBGrid1->currentIndex().row(),
                peer->currentIndex().row());

    // paging from the top down, one paint per page
    auto pageThrough = [&](QTableView* v) {
        QScrollBar* bar = v->verticalScrollBar();
        bar->setValue(0);
        Paint(v);
        const int step = std::max(1, bar->maximum() / std::max(1, pages));
        auto start = Clock::now();
        for (int i = 0; i < pages; ++i) {
            bar->setValue(std::min(bar->maximum(), bar->value() + step));
            Paint(v);
        }
        return Ms(start);
    };
    const double pagesOurs = pageThrough(grid->DBGrid1), pagesPeer = pageThrough(peer.get());
    char what[64];
    std::snprintf(what, sizeof what, "%d pages to the end, painted", pages);
    Row(what, pagesOurs, pagesPeer);
    std::printf("  last row shown: TForm_Grid %d, QTableView %d\n",
                grid->DBGrid1->rowAt(grid->DBGrid1->viewport()->height() - 1),
                peer->rowAt(peer->viewport()->height() - 1));
    return 0;
}
