// Finding every match of a word in a large CP932 text through the editor's
// search, against QTextDocument::find on the same text in UTF-16.
//
//   search_bench gen <megabytes> <file>     writes the text
//   search_bench ours <file> <word> [nocase] finds every match in a TEditor
//   search_bench qt <file> <word> [nocase]   the same with QTextDocument::find
// Each run prints: side, matches, load ms, search ms.
#include <QApplication>
#include <QFile>
#include <QPlainTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "CP932Qt.h"
#include "Editor.h"
#include "QtMessages.h"

namespace {
using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// Lines of SQL with Japanese literals and comments; the word "zintavor_hit"
// stands on every 50th line, at most once a line, so grep's line count is the
// match count.
int Gen(double megabytes, const char* file) {
    std::ofstream out(file, std::ios::binary);
    const size_t want = static_cast<size_t>(megabytes * 1024 * 1024);
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
    return 0;
}

std::string ReadAll(const char* file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "gen") == 0) return Gen(std::atof(argv[2]), argv[3]);
    if (argc < 4) {
        std::fprintf(stderr, "usage: search_bench gen <MB> <file> | ours|qt <file> <word> [nocase]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    const std::string side = argv[1];
    const std::string text = ReadAll(argv[2]);
    const std::string word = argv[3];
    const bool nocase = argc > 4 && std::strcmp(argv[4], "nocase") == 0;
    long count = 0;
    double loadMs = 0, searchMs = 0;
    if (side == "ours") {
        TEditor* ed = MakeEditor<TEditor>();
        ed->resize(800, 600);
        auto t0 = Clock::now();
        ed->Lines().SetText(text);
        loadMs = MsSince(t0);
        ed->SetRowCol(0, 0);
        const uint16_t options = soForward | (nocase ? 0 : soMatchCase);
        t0 = Clock::now();
        while (ed->Search(word, options)) ++count;
        searchMs = MsSince(t0);
        delete ed;
    } else {
        QTextDocument doc;
        doc.setDocumentLayout(new QPlainTextDocumentLayout(&doc));
        const QString qtext = cp932::ToQString(text);
        const QString qword = cp932::ToQString(word);
        auto t0 = Clock::now();
        doc.setPlainText(qtext);
        loadMs = MsSince(t0);
        const QTextDocument::FindFlags flags = nocase ? QTextDocument::FindFlags() : QTextDocument::FindCaseSensitively;
        t0 = Clock::now();
        QTextCursor c(&doc);
        for (;;) {
            c = doc.find(qword, c, flags);
            if (c.isNull()) break;
            ++count;
        }
        searchMs = MsSince(t0);
    }
    std::printf("%s %ld %.1f %.1f\n", side.c_str(), count, loadMs, searchMs);
    return 0;
}
