// The grid window against a plain QTableView over a trivial table model
// holding the same strings (offscreen): opening a result of N rows and 5
// columns (window made, shown and painted), moving to the last record and
// painting there, and paging through the rows, painting each page.
//
// Every side runs in a child process of its own in every run (taking turns),
// over the result fetched once by the parent: cold, the first grid or table of
// the process (the toolkit's one-time set-up of fonts and style included, on
// both sides); warm, after a small grid or table was opened and painted first.
//
//   grid_bench ROWS PAGES RUNS [smoke]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "BenchTiming.h"
#include "CP932Qt.h"
#include "MemDataSet.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "U_Form_Grid.h"
#include "QtMessages.h"

namespace {

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

int gArgc = 1;
char gName[] = "grid_bench";
char* gArgv[] = {gName, nullptr};

// The peer's font and row height: the grid window's (IPAGothic at 12 pixels,
// rows as high as its text and 4 pixels).
QFont PeerFont() {
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(12);
    return f;
}

// The three phases on a shown view: open (Open makes, shows and paints it),
// to the last record, paging; wall and CPU of each, then the current row, the
// last row shown and the row height.
template <class Open, class Last>
std::vector<double> Phases(Open&& open, Last&& last, int pages) {
    QTableView* v = nullptr;
    const bench::Sample o = bench::Measure([&] { v = open(); });
    const bench::Sample l = bench::Measure([&] {
        last(v);
        Paint(v);
    });
    QScrollBar* bar = v->verticalScrollBar();
    bar->setValue(0);
    Paint(v);
    const int step = std::max(1, bar->maximum() / std::max(1, pages));
    const bench::Sample p = bench::Measure([&] {
        for (int i = 0; i < pages; ++i) {
            bar->setValue(std::min(bar->maximum(), bar->value() + step));
            Paint(v);
        }
    });
    return {o.Wall, o.Cpu, l.Wall, l.Cpu, p.Wall, p.Cpu, double(v->currentIndex().row()),
            double(v->rowAt(v->viewport()->height() - 1)), double(v->verticalHeader()->defaultSectionSize())};
}

// A small grid window and table view opened and painted first (the warm case).
void WarmUp() {
    auto w = std::make_unique<TMemDataSet>();
    w->FieldDefs().Add("x", ftString, 10);
    w->AddRow({TVariant("x")});
    w->Open();
    TForm_Grid g(nullptr, std::move(w));
    g.show();
    Paint(g.DBGrid1);
    TPlainModel m;
    QTableView v;
    v.setFont(PeerFont());
    v.setModel(&m);
    v.show();
    Paint(&v);
}

std::vector<double> Ours(std::unique_ptr<TOdbcQuery>& q, int pages, bool warm) {
    QApplication app(gArgc, gArgv);
    QApplication::setFont(QFont("IPAGothic", 9));
    if (warm) WarmUp();
    std::unique_ptr<TForm_Grid> grid;
    return Phases(
        [&] {
            grid = std::make_unique<TForm_Grid>(nullptr, std::move(q));
            grid->resize(1000, 700);
            grid->show();
            Paint(grid->DBGrid1);
            return static_cast<QTableView*>(grid->DBGrid1);
        },
        [&](QTableView*) { grid->Action_LastExecute(); }, pages);
}

std::vector<double> Peer(TPlainModel& model, int pages, bool warm) {
    QApplication app(gArgc, gArgv);
    QApplication::setFont(QFont("IPAGothic", 9));
    if (warm) WarmUp();
    std::unique_ptr<QTableView> peer;
    return Phases(
        [&] {
            peer = std::make_unique<QTableView>();
            peer->setFont(PeerFont());
            peer->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
            peer->verticalHeader()->setDefaultSectionSize(QFontMetrics(PeerFont()).height() + 4);
            peer->setModel(&model);
            peer->resize(1000, 700);
            peer->show();
            Paint(peer.get());
            return peer.get();
        },
        [&](QTableView* v) {
            v->setCurrentIndex(model.index(model.Rows - 1, 0));
            v->scrollToBottom();
        },
        pages);
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int pages = argc > 2 ? std::atoi(argv[2]) : 200;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const bool smoke = argc > 4 && std::strcmp(argv[4], "smoke") == 0;
    qtmessages::DropPlatformNoise();

    // the result: rows x 5 text columns from SQLite, fetched once for both
    TOdbcConnection conn;
    conn.SetConnectionString("DRIVER=SQLite3;Database=:memory:");
    conn.Open();
    auto q = std::make_unique<TOdbcQuery>(&conn);
    q->SetParamCheck(false);
    q->SetSQL("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " + std::to_string(rows) +
              ") SELECT 'r' || x AS c1, 'データ' || x AS c2, printf('%08d', x * 7) AS c3, 'あいう' || (x % 97) AS c4, "
              "'z' || (x % 13) AS c5 FROM n");
    q->Open();
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

    bench::Table table("grid window: a result of " + std::to_string(rows) +
                           " rows x 5 columns (fetched once) in the grid window, against a plain\n"
                           "  QTableView over a trivial model of the same strings, with the same font and row height;\n"
                           "  cold: the first view of a fresh process (fonts and style set up on both sides); warm: after\n"
                           "  a small grid or table view was opened and painted in that process",
                       runs, smoke);
    const auto results = bench::TakeTurns(runs, {[&] { return Ours(q, pages, false); },
                                                 [&] { return Peer(peerModel, pages, false); },
                                                 [&] { return Ours(q, pages, true); },
                                                 [&] { return Peer(peerModel, pages, true); }});
    const char* phases[] = {"open and paint", "to the last record", "pages"};
    for (int warm = 0; warm < 2; ++warm)
        for (size_t p = 0; p < 3; ++p) {
            std::string kase = phases[p];
            if (p == 2) kase = std::to_string(pages) + " pages";
            kase += warm ? ", warm" : ", cold";
            const bench::Series ours = bench::SeriesOf("TForm_Grid", results[warm ? 2 : 0], p * 2);
            const bench::Series peer = bench::SeriesOf("QTableView", results[warm ? 3 : 1], p * 2);
            table.Case(kase, ours, {&peer});
        }
    int status = 0;
    char line[200];
    std::snprintf(line, sizeof line,
                  "current row after the last-record step: TForm_Grid %.0f, QTableView %.0f; last row shown after "
                  "paging: %.0f, %.0f; row height %.0f, %.0f px",
                  bench::MedianOf(results[0], 6), bench::MedianOf(results[1], 6), bench::MedianOf(results[0], 7),
                  bench::MedianOf(results[1], 7), bench::MedianOf(results[0], 8), bench::MedianOf(results[1], 8));
    table.Note(line);
    for (size_t s = 0; s < 4; ++s)
        for (const auto& r : results[s])
            if (r[6] != rows - 1 || r[8] != results[0][0][8]) status = 1;
    if (status) table.Note("the sides did not reach the last record, or their rows are not as high");
    return status;
}
