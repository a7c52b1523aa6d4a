// Runs a script in the program's real client window (offscreen): the window,
// its script page, the executor, the ODBC driver and the result page's
// editor, as the user's run goes.
// Usage: client_bench <connection string> <script file> [manual]
//   manual: manual-commit mode first (so #Begin / #Commit may be used).
// Prints the run's time (wall and CPU), the result editor's line count and the peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <QApplication>

#include "FileSystem.h"
#include "U_ADODriver.h"
#include "U_Form_Result.h"
#include "U_Frame_SQLClient.h"
#include "QtMessages.h"

namespace {
// The process's CPU time so far (user and system), in seconds.
double CpuSeconds() {
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: client_bench <connection string> <script file> [manual]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    using Clock = std::chrono::steady_clock;
    try {
        std::string script;
        if (!fs932::ReadFile(argv[2], script)) throw std::runtime_error(std::string("cannot read ") + argv[2]);
        TADODriver driver;
        if (!driver.ConnectByConnectionString(argv[1], "bench")) throw std::runtime_error("cannot connect");
        TFrameSQLClient frame(nullptr, 0);
        frame.SQLDelimiter = ';';
        frame.CommandPrefix = '#';
        frame.ImportScriptFileNamePrefix = '@';
        frame.OnExecuteSQL = [&](void* sender, const std::string& sql, TSQLKind kind, std::unique_ptr<TDataSet>& ds,
                                 std::string& msg) { driver.Execute(sender, sql, kind, ds, msg); };
        frame.OnIsConnected = [&](void*, bool& c) { c = driver.IsConnected(); };
        frame.OnUserCommand = [&](void* sender, TCommandInterface& cmd, bool& handled) {
            driver.HandleCommand(sender, cmd, handled);
        };
        frame.resize(1200, 800);
        frame.show();
        frame.Initialize();
        if (argc > 3 && std::string(argv[3]) == "manual") frame.SetIsAutoCommit(false);
        QApplication::processEvents();
        const double cpu0 = CpuSeconds();
        const auto t0 = Clock::now();
        frame.ExecuteScriptText(script);
        QApplication::processEvents();
        const auto t1 = Clock::now();
        const double cpu = CpuSeconds() - cpu0;
        TForm_Result* page = frame.ActiveResultPage();
        const int lines = page ? page->Editor->Lines().Count() : 0;
        std::string tail;
        if (page && lines > 0) tail = page->Editor->Lines().Get(lines - 1);
        struct rusage ru {};
        getrusage(RUSAGE_SELF, &ru);
        std::printf("lines=%d run=%.3fs cpu=%.3fs peak_kb=%ld last=%s\n", lines,
                    std::chrono::duration<double>(t1 - t0).count(), cpu, ru.ru_maxrss, tail.c_str());
        if (page) {
            // The console's text for checking (last 20 lines).
            for (int i = std::max(0, lines - 20); i < lines; ++i)
                std::fprintf(stderr, "%s\n", page->Editor->Lines().Get(i).c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "client_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
