// Every match of a word in a large CP932 text: the editor's search (TEditor::
// Search again and again from the top, as F3, the search bar and replace-all
// call it: each hit placed, its selection read before the next search) against
// `grep -c -F` on the same file and QTextDocument::find on the same text in
// UTF-16.
//
//   search_bench smoke|full [runs]     (smoke: 2 MB; full: 100 MB; 3 runs)
//
// Two cases, every side in every run, each side in a fresh process:
//   warm: the text is in memory on every side, so loading it is left out of
//         every side's time: ours and QTextDocument search a text loaded
//         before the clock starts, and the figure is their second pass over it
//         (the first one warms their caches); grep reads a file that is in the
//         page cache (it cannot search without reading it; that read is in its
//         time). Once matching case, once ignoring it (grep -i).
//   cold: the file is dropped from the page cache first, and loading is in
//         every side's time: ours loads the file into an editor and searches
//         once, QTextDocument reads, converts and sets the text and searches
//         once, grep searches the file.
// Our editor is shown and has the focus, as it has when F3 is pressed; the
// view work each hit leaves (scroll bars, caret, repaint regions,
// notifications) is done once at the end of a pass, inside its time.
// The word stands at most once a line, so grep's line count is the match
// count; every side must find the same number of matches, and each of our
// hits must select the word.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPlainTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "CP932Qt.h"
#include "Editor.h"
#include "QtMessages.h"

namespace {

const char* const kWord = "zintavor_hit";

// Lines of SQL with Japanese literals and comments; the word stands on every
// 50th line, at most once a line.
void Gen(double Megabytes, const std::string& File) {
    std::ofstream out(File, std::ios::binary);
    const size_t want = static_cast<size_t>(Megabytes * 1024 * 1024);
    size_t size = 0;
    char buf[256];
    for (long i = 0; size < want; ++i) {
        int n;
        if (i % 50 == 7)
            n = std::snprintf(buf, sizeof buf, "UPDATE t_%ld SET zintavor_hit = '\x95\x5C\x8E\xA6\x83\x5C' WHERE id = %ld;\r\n", i % 97, i);
        else if (i % 3 == 0)
            n = std::snprintf(buf, sizeof buf, "-- \x83\x65\x83\x58\x83\x67\x97\x70\x82\xCC\x83\x52\x83\x81\x83\x93\x83\x67 %ld\r\n", i);
        else
            n = std::snprintf(buf, sizeof buf, "SELECT col_%ld, '\x95\x5C\x83\x5C\x94\x5C', %ld FROM tab_%ld;\r\n", i, i * 7, i % 97);
        out.write(buf, n);
        size += static_cast<size_t>(n);
    }
}

std::string ReadAll(const std::string& File) {
    std::string s;
    FILE* f = std::fopen(File.c_str(), "rb");
    if (!f) return s;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

// The file's pages leave the page cache: the next read comes from the disk.
void DropFromCache(const std::string& File) {
    const int f = open(File.c_str(), O_RDONLY | O_CLOEXEC);
    if (f < 0) return;
    fdatasync(f);
    posix_fadvise(f, 0, 0, POSIX_FADV_DONTNEED);
    close(f);
}

// Figures a side hands back: per pass, matches, wall ms, CPU ms.
using Figures = std::vector<double>;

void QtApp() {
    static int argc = 1;
    static char name[] = "search_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    qtmessages::DropPlatformNoise();
    new QApplication(argc, argv);  // lives as long as the child process
}

// Every match, one search after the other from the top, each hit's selection
// read as the search bar reads it (is the word selected?); the hits that
// select the word are counted.
double OursPass(TEditor& E, uint16_t Options) {
    E.CleanSelection();
    E.SetRowCol(0, 0);
    long count = 0;
    while (E.Search(kWord, Options))
        if (E.GetSelected() && E.GetSelText() == kWord) ++count;
    E.SyncView();
    return double(count);
}

// An editor shown with the focus, as F3 finds it.
TEditor* ShownEditor() {
    TEditor* e = MakeEditor<TEditor>();
    e->resize(800, 600);
    e->show();
    e->activateWindow();
    e->setFocus();
    QApplication::processEvents();
    return e;
}

double QtPass(QTextDocument& Doc, QTextDocument::FindFlags Flags) {
    const QString word = QString::fromLatin1(kWord);
    QTextCursor c(&Doc);
    long count = 0;
    for (;;) {
        c = Doc.find(word, c, Flags);
        if (c.isNull()) break;
        ++count;
    }
    return double(count);
}

// Count, wall and CPU of one call.
template <class F>
void Timed(Figures& Out, F&& Pass) {
    double count = 0;
    const bench::Sample s = bench::Measure([&] { count = Pass(); });
    Out.insert(Out.end(), {count, s.Wall, s.Cpu});
}

Figures OursWarm(const std::string& File) {
    QtApp();
    TEditor* e = ShownEditor();
    e->Lines().LoadFromFile(File);
    Figures f;
    for (uint16_t options : {uint16_t(soForward | soMatchCase), uint16_t(soForward)}) {
        OursPass(*e, options);
        Timed(f, [&] { return OursPass(*e, options); });
    }
    return f;
}

Figures QtWarm(const std::string& File) {
    QtApp();
    QTextDocument doc;
    doc.setDocumentLayout(new QPlainTextDocumentLayout(&doc));
    doc.setPlainText(cp932::ToQString(ReadAll(File)));
    Figures f;
    for (QTextDocument::FindFlags flags : {QTextDocument::FindFlags(QTextDocument::FindCaseSensitively),
                                           QTextDocument::FindFlags()}) {
        QtPass(doc, flags);
        Timed(f, [&] { return QtPass(doc, flags); });
    }
    return f;
}

Figures OursCold(const std::string& File) {
    QtApp();
    DropFromCache(File);
    TEditor* e = ShownEditor();
    Figures f;
    Timed(f, [&] {
        e->Lines().LoadFromFile(File);
        return OursPass(*e, soForward | soMatchCase);
    });
    return f;
}

Figures QtCold(const std::string& File) {
    QtApp();
    DropFromCache(File);
    QTextDocument doc;
    doc.setDocumentLayout(new QPlainTextDocumentLayout(&doc));
    Figures f;
    Timed(f, [&] {
        doc.setPlainText(cp932::ToQString(ReadAll(File)));
        return QtPass(doc, QTextDocument::FindCaseSensitively);
    });
    return f;
}

// grep -c -F in the C locale, as a process of its own: its count, wall and
// CPU (user + sys) ms.
void Grep(Figures& Out, const std::string& File, bool IgnoreCase) {
    int fd[2];
    if (pipe(fd) != 0) throw std::runtime_error("pipe");
    const double w0 = bench::WallMs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fd[1], 1);
        close(fd[0]);
        close(fd[1]);
        setenv("LC_ALL", "C", 1);
        if (IgnoreCase)
            execlp("grep", "grep", "-c", "-F", "-i", kWord, File.c_str(), static_cast<char*>(nullptr));
        else
            execlp("grep", "grep", "-c", "-F", kWord, File.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fd[1]);
    std::string out;
    char buf[64];
    ssize_t n;
    while ((n = read(fd[0], buf, sizeof buf)) > 0) out.append(buf, size_t(n));
    close(fd[0]);
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    const double wall = bench::WallMs() - w0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) throw std::runtime_error("grep failed");
    const double cpu = (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    Out.insert(Out.end(), {std::atof(out.c_str()), wall, cpu});
}

Figures GrepWarm(const std::string& File) {
    ReadAll(File);  // in the page cache
    Figures f;
    Grep(f, File, false);
    Grep(f, File, true);
    return f;
}

Figures GrepCold(const std::string& File) {
    DropFromCache(File);
    Figures f;
    Grep(f, File, false);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "smoke";
    if (mode != "smoke" && mode != "full") {
        std::fprintf(stderr, "usage: search_bench smoke|full [runs]\n");
        return 2;
    }
    const bool smoke = mode == "smoke";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const double megabytes = smoke ? 2 : 100;
    bench::TempFolder tmp("zintavor-search");
    const std::string file = tmp.Path + "text.sql";
    Gen(megabytes, file);

    // sides: 0 ours warm, 1 QTextDocument warm, 2 grep warm, 3 ours cold, 4 QTextDocument cold, 5 grep cold
    const auto r = bench::TakeTurns(runs, {
                                              [&] { return OursWarm(file); },
                                              [&] { return QtWarm(file); },
                                              [&] { return GrepWarm(file); },
                                              [&] { return OursCold(file); },
                                              [&] { return QtCold(file); },
                                              [&] { return GrepCold(file); },
                                          });

    // every side must find the same matches
    const double matches = r[2][0][0];
    bool agree = true;
    for (const auto& side : r)
        for (const Figures& f : side)
            for (size_t i = 0; i < f.size(); i += 3) agree = agree && f[i] == matches;

    char title[200];
    std::snprintf(title, sizeof title,
                  "search: every match of \"%s\" in %.0f MB of CP932 SQL (%.0f matches), one search after another",
                  kWord, megabytes, matches);
    bench::Table table(title, runs, smoke);
    auto series = [&](const char* side, size_t who, size_t pass) { return bench::SeriesOf(side, r[who], pass * 3 + 1); };
    const bench::Series oursCase = series("TEditor::Search", 0, 0), oursNoCase = series("TEditor::Search", 0, 1),
                        qtCase = series("QTextDocument::find", 1, 0), qtNoCase = series("QTextDocument::find", 1, 1),
                        grepCase = series("grep -c -F", 2, 0), grepNoCase = series("grep -c -F -i", 2, 1),
                        oursCold = series("TEditor::Search", 3, 0), qtCold = series("QTextDocument::find", 4, 0),
                        grepCold = series("grep -c -F", 5, 0);
    table.Case("warm, match case", oursCase, {&grepCase, &qtCase});
    table.Case("warm, ignore case", oursNoCase, {&grepNoCase, &qtNoCase});
    table.Case("cold, match case", oursCold, {&grepCold, &qtCold});
    table.Note("ours: Search again and again from the top, as F3 and the search bar call it: each hit placed");
    table.Note("  and its selection read; the editor shown with the focus; the view work the hits leave done");
    table.Note("  once at the end, in the time; QTextDocument::find: a cursor moved from match to match");
    table.Note("warm: loading left out of every side (ours and QTextDocument: their second pass over a text");
    table.Note("  loaded before the clock; grep: a file in the page cache, its read in its time)");
    table.Note("cold: the file dropped from the page cache; loading in every side's time (ours: the file");
    table.Note("  into an editor; QTextDocument: read, converted, set; grep: its whole run)");
    table.Aim("warm, match case: TEditor::Search at most 1.5 x grep -c -F");
    if (!agree) {
        std::printf("  MISMATCH: the sides found different numbers of matches:");
        for (const auto& side : r)
            for (const Figures& f : side)
                for (size_t i = 0; i < f.size(); i += 3) std::printf(" %.0f", f[i]);
        std::printf("\n");
        return 1;
    }
    return 0;
}
