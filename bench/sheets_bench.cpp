// Result sheets in the program's real client window (offscreen), against the
// same window running the same SELECTs without new sheets:
//  1. N times "select ... ;" in one result page (the peer);
//  2. N times "#NewSheet;" and the same SELECT (each result in a page of its own);
//  3. N times "#NewSheet;" alone: the heap the empty pages hold, per page.
// A fresh window for each part, connected to a small SQLite table.
// Usage: sheets_bench <sqlite file> <N>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include <QApplication>

#include "U_ADODriver.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultSeetManager.h"
#include "QtMessages.h"

namespace {

using Clock = std::chrono::steady_clock;

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

double Run(TFrameSQLClient& frame, const std::string& script) {
    const auto t0 = Clock::now();
    frame.ExecuteScriptText(script);
    QApplication::processEvents();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

size_t HeapInUse() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: sheets_bench <sqlite file> <N>\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    const int n = std::atoi(argv[2]);
    try {
        TADODriver driver;
        if (!driver.ConnectByConnectionString(std::string("DRIVER=SQLite3;Database=") + argv[1], "bench"))
            throw std::runtime_error("cannot connect");
        std::string plain, sheets, empty;
        for (int i = 0; i < n; ++i) {
            const std::string select = "select id, name from t where id = " + std::to_string(i % 3 + 1) + ";\r\n";
            plain += select;
            sheets += "#NewSheet;\r\n" + select;
            empty += "#NewSheet;\r\n";
        }
        double plainS = 0, sheetsS = 0;
        int plainLines = 0, pages = 0, emptyPages = 0;
        {
            auto frame = MakeFrame(driver);
            plainS = Run(*frame, plain);
            plainLines = frame->ActiveResultPage()->Editor->Lines().Count();
        }
        {
            auto frame = MakeFrame(driver);
            sheetsS = Run(*frame, sheets);
            pages = frame->ResultSeetManager->GetCount();
        }
        double perPageKb = 0;
        {
            auto frame = MakeFrame(driver);
            const size_t before = HeapInUse();
            Run(*frame, empty);
            emptyPages = frame->ResultSeetManager->GetCount();
            const size_t after = HeapInUse();
            perPageKb = (static_cast<double>(after) - static_cast<double>(before)) / 1024.0 / n;
        }
        if (pages != n + 1 || emptyPages != n + 1 || plainLines < n) {
            std::fprintf(stderr, "sheets_bench: %d pages, %d empty pages, %d lines for %d statements\n", pages,
                         emptyPages, plainLines, n);
            return 1;
        }
        std::printf("%d SELECTs in one page:            %7.3f s\n", n, plainS);
        std::printf("%d #NewSheet + SELECT:             %7.3f s   ratio %.2f (aim <= 4)\n", n, sheetsS, sheetsS / plainS);
#if defined(__SANITIZE_ADDRESS__)
        (void)perPageKb;   // the sanitizer's allocator keeps no statistics of its own
        std::printf("heap held per empty sheet:          not measured under the sanitizer\n");
#else
        std::printf("heap held per empty sheet:          %7.1f KB  (aim <= 204.8 KB)\n", perPageKb);
#endif
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sheets_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
