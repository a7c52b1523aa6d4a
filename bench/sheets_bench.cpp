// Result sheets in the program's real client window (offscreen), against the
// same window running the same SELECTs without new sheets:
//  - ours: N times "#NewSheet;" and a SELECT (each result in a page of its own);
//  - peer: N times an empty statement ";" and the same SELECT, all in one page;
//  - outside peer: a plain Qt window adding a tab per result (a tool bar and
//    two editors), running the same SELECT through the same driver, paced as
//    the executor paces (1 ms and the toolkit's turn after each statement).
// Both scripts have 2N statements, so the executor pauses 1 ms after as many
// statements on both sides and lets the toolkit run as often: the sides differ
// only in the new sheets.
//
// Every side runs in a child process of its own in every run (taking turns),
// with its own connection to a small SQLite table. In that process the cold
// case is the first window's run (fresh memory, the toolkit's one-time
// set-ups), the warm case a second window running the same script after the
// first was freed. Printed: min and median of wall and CPU time over the runs,
// ours / peer, the time per sheet at each size and how flat it stays (the time
// per sheet at the largest size over that at the smallest), and the heap an
// empty sheet holds.
//
//   sheets_bench <sqlite file> RUNS full|smoke N...
//   sheets_bench <sqlite file> --ours|--peer N    (one run of one side only, for a profiler)
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QThread>
#include <QToolBar>
#include <QVBoxLayout>

#include "BenchTiming.h"
#include "CP932Qt.h"
#include "OdbcConnection.h"
#include "OdbcQuery.h"
#include "U_ADODriver.h"
#include "U_Form_Result.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"
#include "QtMessages.h"

namespace {

int gArgc = 1;
char gName[] = "sheets_bench";
char* gArgv[] = {gName, nullptr};

std::unique_ptr<TFrameSQLClient> MakeFrame(TADODriver& driver) {
    auto frame = std::make_unique<TFrameSQLClient>(nullptr, 0);
    frame->SQLDelimiter = ';';
    frame->CommandPrefix = '#';
    frame->ImportScriptFileNamePrefix = '@';
    frame->OnExecuteSQL = [&driver](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                    std::string& msg) { driver.Execute(sender, sql, kind, ds, msg); };
    frame->OnIsConnected = [&driver](void*, bool& c) { c = driver.IsConnected(); };
    frame->resize(1200, 800);
    frame->show();
    frame->Initialize();
    QApplication::processEvents();
    return frame;
}

void FreeFrame(std::unique_ptr<TFrameSQLClient>& frame) {
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bench::Sample Run(TFrameSQLClient& frame, const std::string& script) {
    return bench::Measure([&] {
        frame.ExecuteScriptText(script);
        QApplication::processEvents();
    });
}

size_t HeapInUse() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

struct TScripts {
    std::string Plain, Sheets, Empty;
    explicit TScripts(int n) {
        for (int i = 0; i < n; ++i) {
            const std::string select = "select id, name from t where id = " + std::to_string(i % 3 + 1) + ";\r\n";
            Plain += " ;\r\n" + select;  // the blank makes the first an item too
            Sheets += "#NewSheet;\r\n" + select;
            Empty += "#NewSheet;\r\n";
        }
    }
};

void Connect(TADODriver& driver, const std::string& database) {
    if (!driver.ConnectByConnectionString("DRIVER=SQLite3;Database=" + database, "bench"))
        throw std::runtime_error("cannot connect to " + database);
}

// Checks that a window did its work: the peer's one page holds every result,
// ours has a page for every sheet (and the first, empty one).
void Check(TFrameSQLClient& frame, bool ours, int n) {
    const int pages = frame.ResultSeetManager->GetCount();
    const int lines = frame.ActiveResultPage()->Editor->Lines().Count();
    if (ours ? (pages != n + 1 || lines < 3) : (pages != 1 || lines < n))
        throw std::runtime_error(std::to_string(pages) + " pages (the last with " + std::to_string(lines) +
                                 " lines) for " + std::to_string(n) + " statements");
}

// One side in its own process: cold wall, cold CPU, warm wall, warm CPU.
std::vector<double> Side(const std::string& database, bool ours, int n) {
    QApplication app(gArgc, gArgv);
    TADODriver driver;
    Connect(driver, database);
    const TScripts s(n);
    std::vector<double> out;
    for (int pass = 0; pass < 2; ++pass) {
        auto frame = MakeFrame(driver);
        const bench::Sample t = Run(*frame, ours ? s.Sheets : s.Plain);
        Check(*frame, ours, n);
        FreeFrame(frame);
        out.push_back(t.Wall);
        out.push_back(t.Cpu);
    }
    return out;
}

// The outside peer: a plain Qt window with a tab per result, each tab holding
// a tool bar (the result page's captions) and two editors, paced as the
// executor paces a script: per sheet a new tab is added and shown, the SELECT
// is run through the same driver and its rows written as text into the tab's
// editor, and after each of the two statements the window sleeps 1 ms and
// lets the toolkit run. One process: cold wall, cold CPU, warm wall, warm CPU.
std::vector<double> TabsPeer(const std::string& database, int n) {
    QApplication app(gArgc, gArgv);
    TOdbcConnection conn;
    conn.SetConnectionString("DRIVER=SQLite3;Database=" + database);
    conn.Open();
    auto pause = [] {
        QThread::msleep(1);
        QApplication::processEvents();
    };
    std::vector<double> out;
    for (int pass = 0; pass < 2; ++pass) {
        auto window = std::make_unique<QMainWindow>();
        auto* tabs = new QTabWidget(window.get());
        window->setCentralWidget(tabs);
        window->resize(1200, 800);
        window->show();
        QApplication::processEvents();
        const bench::Sample t = bench::Measure([&] {
            for (int i = 0; i < n; ++i) {
                auto* page = new QWidget;
                auto* layout = new QVBoxLayout(page);
                layout->setContentsMargins(0, 0, 0, 0);
                auto* bar = new QToolBar(page);
                bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
                for (const char16_t* c : {u"テキストモード", u"テキストグリッドモード", u"グリッドモード", u"Ｔａｂモード",
                                          u"ＳＤＦモード", u"ファイルに保存", u"Excel形式で保存"})
                    bar->addAction(QString::fromUtf16(c));
                auto* title = new QPlainTextEdit(page);
                auto* text = new QPlainTextEdit(page);
                layout->addWidget(bar);
                layout->addWidget(title);
                layout->addWidget(text, 1);
                tabs->setCurrentIndex(tabs->addTab(page, QString::number(i + 1)));
                pause();
                TOdbcQuery q(&conn);
                q.SetParamCheck(false);
                q.SetSQL("select id, name from t where id = " + std::to_string(i % 3 + 1));
                q.Open();
                for (q.First(); !q.Eof(); q.Next()) {
                    std::string line;
                    for (int f = 0; f < q.FieldCount(); ++f) line += q.Fields(f).AsString() + " ";
                    text->appendPlainText(cp932::ToQString(line));
                }
                pause();
            }
            QApplication::processEvents();
        });
        if (tabs->count() != n || tabs->currentIndex() != n - 1)
            throw std::runtime_error(std::to_string(tabs->count()) + " tabs for " + std::to_string(n));
        window.reset();
        out.push_back(t.Wall);
        out.push_back(t.Cpu);
    }
    return out;
}

// The heap N empty sheets hold, per sheet, in bytes.
std::vector<double> EmptySheets(const std::string& database, int n) {
    QApplication app(gArgc, gArgv);
    TADODriver driver;
    Connect(driver, database);
    auto frame = MakeFrame(driver);
    const size_t before = HeapInUse();
    Run(*frame, TScripts(n).Empty);
    const int pages = frame->ResultSeetManager->GetCount();
    const size_t after = HeapInUse();
    FreeFrame(frame);
    if (pages != n + 1) throw std::runtime_error(std::to_string(pages) + " empty pages for " + std::to_string(n));
    return {(double(after) - double(before)) / n};
}

std::string Fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: sheets_bench <sqlite file> RUNS full|smoke N...\n"
                             "       sheets_bench <sqlite file> --ours|--peer N\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtmessages::DropPlatformNoise();
    const std::string database = argv[1];
    if (std::strcmp(argv[2], "--ours") == 0 || std::strcmp(argv[2], "--peer") == 0) {
        const bool ours = std::strcmp(argv[2], "--ours") == 0;
        const int n = std::atoi(argv[3]);
        try {
            const std::vector<double> t = Side(database, ours, n);
            std::printf("%d %s: cold %.1f ms wall, %.1f ms CPU; warm %.1f ms wall, %.1f ms CPU\n", n,
                        ours ? "#NewSheet + SELECT" : "; + SELECT", t[0], t[1], t[2], t[3]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "sheets_bench: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    const int runs = std::max(1, std::atoi(argv[2]));
    const bool smoke = std::strcmp(argv[3], "smoke") == 0;
    std::vector<int> sizes;
    for (int i = 4; i < argc; ++i) sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty()) return 2;

    bench::Table table("result sheets in the client window (offscreen, SQLite): N times \"#NewSheet;\" and a SELECT,\n"
                       "  against N times an empty statement \";\" and the same SELECT in one page (as many statements,\n"
                       "  so as many 1 ms pauses of the executor, on both sides); cold: the first window of a fresh\n"
                       "  process; warm: a second window running the same script in that process",
                       runs, smoke);
    const char* oursName = "#NewSheet + SELECT";
    const char* peerName = "SELECTs in one page";
    const char* tabsName = "Qt tab per result";
    // time per sheet (ms), by size: [cold/warm][wall/cpu] of min and median, ours and peer
    struct TPer {
        bench::Spread Wall, Cpu;
    };
    std::vector<TPer> oursPer[2], peerPer[2], tabsPer[2];
    for (int n : sizes) {
        const auto results = bench::TakeTurns(runs, {[&] { return Side(database, true, n); },
                                                     [&] { return Side(database, false, n); },
                                                     [&] { return TabsPeer(database, n); }});
        for (int warm = 0; warm < 2; ++warm) {
            const bench::Series ours = bench::SeriesOf(oursName, results[0], warm * 2);
            const bench::Series peer = bench::SeriesOf(peerName, results[1], warm * 2);
            const bench::Series tabs = bench::SeriesOf(tabsName, results[2], warm * 2);
            table.Case(std::to_string(n) + " sheets, " + (warm ? "warm" : "cold"), ours, {&peer, &tabs});
            auto per = [n](const bench::Spread& s) { return bench::Spread{s.Min / n, s.Median / n}; };
            oursPer[warm].push_back({per(ours.Wall()), per(ours.Cpu())});
            peerPer[warm].push_back({per(peer.Wall()), per(peer.Cpu())});
            tabsPer[warm].push_back({per(tabs.Wall()), per(tabs.Cpu())});
        }
        std::fflush(stdout);
    }
    for (int warm = 0; warm < 2; ++warm) {
        std::string line = std::string("ms per sheet, ") + (warm ? "warm" : "cold") + " (wall min / median):";
        for (size_t i = 0; i < sizes.size(); ++i)
            line += "  " + std::to_string(sizes[i]) + ": " + Fixed(oursPer[warm][i].Wall.Min, 3) + " / " +
                    Fixed(oursPer[warm][i].Wall.Median, 3);
        table.Note(line);
    }
    if (sizes.size() > 1) {
        const size_t last = sizes.size() - 1;
        for (int warm = 0; warm < 2; ++warm) {
            const TPer &o0 = oursPer[warm][0], &o1 = oursPer[warm][last];
            const TPer &p0 = peerPer[warm][0], &p1 = peerPer[warm][last];
            const TPer &q0 = tabsPer[warm][0], &q1 = tabsPer[warm][last];
            table.Note("time per sheet at " + std::to_string(sizes.back()) + " / at " + std::to_string(sizes.front()) +
                       ", " + (warm ? "warm" : "cold") + " (min / median; 1.00 is flat): ours wall " +
                       Fixed(bench::Ratio(o1.Wall.Min, o0.Wall.Min), 2) + " / " +
                       Fixed(bench::Ratio(o1.Wall.Median, o0.Wall.Median), 2) + ", cpu " +
                       Fixed(bench::Ratio(o1.Cpu.Min, o0.Cpu.Min), 2) + " / " +
                       Fixed(bench::Ratio(o1.Cpu.Median, o0.Cpu.Median), 2) + "; peer wall " +
                       Fixed(bench::Ratio(p1.Wall.Min, p0.Wall.Min), 2) + " / " +
                       Fixed(bench::Ratio(p1.Wall.Median, p0.Wall.Median), 2) + "; Qt tabs wall " +
                       Fixed(bench::Ratio(q1.Wall.Min, q0.Wall.Min), 2) + " / " +
                       Fixed(bench::Ratio(q1.Wall.Median, q0.Wall.Median), 2) + ", cpu " +
                       Fixed(bench::Ratio(q1.Cpu.Min, q0.Cpu.Min), 2) + " / " +
                       Fixed(bench::Ratio(q1.Cpu.Median, q0.Cpu.Median), 2));
        }
    }

    const int n = sizes.back();
    if (bench::SanitizerBuild()) {
        table.Note("heap held per empty sheet: not measured in the sanitizer build (its allocator keeps no statistics "
                   "of its own)");
    } else {
        const double perSheet = bench::InChild([&] { return EmptySheets(database, n); }).at(0);
        table.Note("heap held per empty sheet (" + std::to_string(n) + " sheets): " + Fixed(perSheet / 1024, 1) +
                   " KB");
    }
    bool has600 = false;
    for (int s : sizes) has600 = has600 || s == 600;
    table.Aim(std::string("ours/peer <= 4 in wall time") + (has600 ? " at 600 sheets" : "") +
              "; time per sheet at " + std::to_string(sizes.back()) + " <= 1.2 x that at " +
              std::to_string(sizes.front()) + "; heap per empty sheet <= 204.8 KB");
    return 0;
}
