// The editor's text model against a plain Qt text widget (QPlainTextEdit,
// offscreen) on the same CP932 script, each side in a process of its own in
// every run, the sides taking turns. Each phase is done twice in its process:
// cold (the first time) and warm (the same work again, on a fresh view or
// widget); the peak memory is the cold pass's, over the process's start.
//
//   editor_model_bench smoke|full [runs]
//
// Phases: load (wrap off), loadwrap (wrap on), append (the file's line count
// of short lines added one by one, wrap off), appendwrap (the same, wrap on),
// top (the file loaded, then 100 lines inserted at the top one at a time),
// wrapline (one line of 10 MB set with wrap on and cut into rows), type
// (1,000 characters typed into the middle of one 10 MB line, wrap off, the
// store alone), typefountain (the same line between other lines, with the
// editor fountain computing row states), typewrap (the long line with wrap on
// and the editor fountain). A smaller script types fewer characters into a
// shorter line. The plain widget stops at its time budget; its time is then
// given for all the edits at its average.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include "BenchTiming.h"
#include "CP932.h"
#include "EditorParser.h"
#include "FakeView.h"
#include "FileSystem.h"
#include "QtMessages.h"

namespace {

double RssKB(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string l;
    const size_t n = std::strlen(key);
    while (std::getline(f, l))
        if (l.compare(0, n, key) == 0) return std::stod(l.substr(n));
    return 0;
}

std::string ShortLine(long i) { return "結果: 行 " + std::to_string(i) + " 件"; }

// About 50 bytes a line: SQL with Japanese names, a tab now and then, a comment.
std::string Generate(long lines) {
    std::string out;
    out.reserve(static_cast<size_t>(lines) * 52);
    for (long i = 0; i < lines; ++i) {
        switch (i % 5) {
            case 0: out += "SELECT 社員番号, 氏名, 所属 FROM 社員 WHERE id = " + std::to_string(i) + ";"; break;
            case 1: out += "\tAND 部署 = '営業部' AND 役職 <> '部長' -- 条件 " + std::to_string(i % 97); break;
            case 2: out += "UPDATE t_" + std::to_string(i % 13) + " SET 金額 = 金額 * 1.08 WHERE k = 1;"; break;
            case 3: out += "/* 集計 */ INSERT INTO 履歴 VALUES (" + std::to_string(i) + ", 'ｱｲｳ');"; break;
            default: out += "  ORDER BY 日付, 名前, 社員番号 DESC;"; break;
        }
        out += "\r\n";
    }
    return out;
}

// The long line of the typing phases: 10 MB for a script of a million lines,
// ten bytes a line of the script below that.
size_t LongLineBytes(long lines) { return std::min<size_t>(10u * 1024 * 1024, static_cast<size_t>(lines) * 10); }
// Characters typed: 1,000, fewer for a small script.
int TypedChars(long lines) { return static_cast<int>(std::clamp<long>(lines / 1000, 10, 1000)); }

std::string LongLine(size_t bytes) {
    std::string s;
    const std::string unit = "SELECT 名前, 住所 FROM 顧客 WHERE 区分 = 'A'; ";
    while (s.size() < bytes) s += unit;
    return s;
}

// One pass of a phase: its time, the longest single edit, how many of the
// wanted edits were made (a side that runs out of its time budget has its time
// given for all at its average).
struct TPass {
    bench::Sample Time;
    double MaxEdit = 0;
    long Done = 1, Wanted = 1;
    void Scale() {
        if (Done < Wanted && Done > 0) {
            const double k = static_cast<double>(Wanted) / static_cast<double>(Done);
            Time.Wall *= k;
            Time.Cpu *= k;
        }
    }
};

// The figures of a side's process: cold wall, cpu, warm wall, cpu, peak KB of
// the cold pass, its longest edit, done, wanted.
std::vector<double> Figures(TPass cold, TPass warm, double peakKB) {
    cold.Scale();
    warm.Scale();
    return {cold.Time.Wall, cold.Time.Cpu, warm.Time.Wall, warm.Time.Cpu, peakKB, cold.MaxEdit,
            double(cold.Done), double(cold.Wanted)};
}

double Ms(const bench::Sample& s) { return s.Wall; }

TPass OursPass(const std::string& phase, const std::string& file, long lines) {
    // A view without a display (the one the tests use), with the options a
    // window would give: the editor fountain, 16-pixel rows on a 1080-pixel screen.
    auto fountain = MakeObject<TEditorFountain>();
    TFakeView v;
    v.KeepRecords = false;
    v.Fountain = phase == "type" ? nullptr : fountain.get();
    v.Height = 16;
    v.Screen = 1080;
    v.IsFocused = true;
    auto& s = *v.Store;
    TPass p;
    if (phase == "load" || phase == "loadwrap") {
        if (phase == "loadwrap") s.SetWordWrap(true);
        p.Time = bench::Measure([&] { v.Lines->LoadFromFile(file); });
        if (s.GetCount() == 0) std::exit(3);
        return p;
    }
    if (phase == "append" || phase == "appendwrap") {
        if (phase == "appendwrap") s.SetWordWrap(true);
        p.Wanted = p.Done = lines;
        p.Time = bench::Measure([&] {
            for (long i = 0; i < lines; ++i)
                p.MaxEdit = std::max(p.MaxEdit, Ms(bench::Measure([&] { v.Lines->Add(ShortLine(i)); })));
        });
        if (v.Lines->Count() != lines) std::exit(3);
        return p;
    }
    if (phase == "top") {
        v.Lines->LoadFromFile(file);
        p.Wanted = p.Done = 100;
        p.Time = bench::Measure([&] {
            for (int i = 0; i < 100; ++i)
                p.MaxEdit = std::max(
                    p.MaxEdit, Ms(bench::Measure([&] { v.Lines->Insert(0, "-- 先頭に挿入した行 " + std::to_string(i)); })));
        });
        return p;
    }
    if (phase == "wrapline") {
        const std::string text = LongLine(LongLineBytes(lines));
        s.SetWordWrap(true);
        p.Time = bench::Measure([&] { v.Lines->SetText(text); });
        if (s.GetCount() < 2) std::exit(3);
        return p;
    }
    // type, typefountain, typewrap
    const int chars = TypedChars(lines);
    std::string text = LongLine(LongLineBytes(lines));
    if (phase != "type") text = "-- 前の行\r\n" + text + "\r\n-- 次の行\r\n";
    if (phase == "typewrap") s.SetWordWrap(true);
    v.Lines->SetText(text);
    text = std::string();
    const int line = phase == "type" ? 0 : 1;
    const int first = v.Lines->LineToRow(line);
    int row = (first + s.LineEnd(first)) / 2;  // the middle of the long line
    int64_t off = static_cast<int64_t>(s.Str(row).size() / 2);
    p.Wanted = p.Done = chars;
    p.Time = bench::Measure([&] {
        for (int i = 0; i < chars; ++i)
            p.MaxEdit = std::max(p.MaxEdit, Ms(bench::Measure([&] {
                // What the editor does for a typed character: the caret row's bytes
                // at the caret replaced (the rest of the line is cut again), then
                // the caret put after them by a byte offset from that row.
                s.ReplaceRows(row, 1, off, 0, (i % 2) ? "x" : "y");
                v.SetCaretByOffset(row, static_cast<int>(off + 1));
                row = v.Row();
                off = v.Col();
            })));
    });
    if (v.Lines->Get(line).size() < LongLineBytes(lines)) std::exit(3);
    return p;
}

std::vector<double> RunOurs(const std::string& phase, const std::string& file, long lines) {
    const double startKB = RssKB("VmRSS:");
    TPass cold = OursPass(phase, file, lines);
    const double peak = RssKB("VmHWM:") - startKB;
    TPass warm = OursPass(phase, file, lines);
    return Figures(cold, warm, peak);
}

TPass QtPass(const std::string& phase, const std::string& file, long lines, double budgetMs) {
    QPlainTextEdit e;
    e.resize(800, 600);
    e.setLineWrapMode(phase == "loadwrap" || phase == "appendwrap" || phase == "wrapline" || phase == "typewrap"
                          ? QPlainTextEdit::WidgetWidth
                          : QPlainTextEdit::NoWrap);
    e.show();
    QCoreApplication::processEvents();
    auto qs = [](const std::string& s) {
        std::u16string u = cp932::ToUtf16(s);
        return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
    };
    TPass p;
    if (phase == "load" || phase == "loadwrap") {
        p.Time = bench::Measure([&] {
            std::string bytes;
            fs932::ReadFile(file, bytes);
            e.setPlainText(qs(bytes));
            QCoreApplication::processEvents();
        });
        return p;
    }
    if (phase == "append" || phase == "appendwrap") {
        p.Wanted = lines;
        long done = 0;
        const double t0 = bench::WallMs();
        p.Time = bench::Measure([&] {
            for (; done < lines && (done % 1024 != 0 || bench::WallMs() - t0 < budgetMs); ++done)
                p.MaxEdit = std::max(p.MaxEdit, Ms(bench::Measure([&] { e.appendPlainText(qs(ShortLine(done))); })));
            QCoreApplication::processEvents();
        });
        p.Done = done;
        return p;
    }
    if (phase == "top") {
        std::string bytes;
        fs932::ReadFile(file, bytes);
        e.setPlainText(qs(bytes));
        QCoreApplication::processEvents();
        p.Wanted = p.Done = 100;
        p.Time = bench::Measure([&] {
            for (int i = 0; i < 100; ++i)
                p.MaxEdit = std::max(p.MaxEdit, Ms(bench::Measure([&] {
                                         QTextCursor c(e.document());
                                         c.movePosition(QTextCursor::Start);
                                         c.insertText(qs("-- 先頭に挿入した行 " + std::to_string(i) + "\n"));
                                         QCoreApplication::processEvents();
                                     })));
        });
        return p;
    }
    if (phase == "wrapline") {
        const QString t = qs(LongLine(LongLineBytes(lines)));
        p.Time = bench::Measure([&] {
            e.setPlainText(t);
            QCoreApplication::processEvents();
        });
        return p;
    }
    const long chars = TypedChars(lines);
    std::string text = LongLine(LongLineBytes(lines));
    if (phase != "type") text = "-- 前の行\r\n" + text + "\r\n-- 次の行\r\n";
    const QString t = qs(text);
    e.setPlainText(t);
    QCoreApplication::processEvents();
    QTextCursor c(e.document());
    c.setPosition(static_cast<int>(t.size() / 2));
    e.setTextCursor(c);
    e.ensureCursorVisible();
    QCoreApplication::processEvents();
    p.Wanted = chars;
    long typed = 0;
    const double t0 = bench::WallMs();
    p.Time = bench::Measure([&] {
        for (; typed < chars && bench::WallMs() - t0 < budgetMs; ++typed)
            p.MaxEdit = std::max(p.MaxEdit, Ms(bench::Measure([&] {
                                     e.insertPlainText((typed % 2) ? QStringLiteral("x") : QStringLiteral("y"));
                                     QCoreApplication::processEvents();
                                 })));
    });
    p.Done = typed;
    return p;
}

std::vector<double> RunQt(const std::string& phase, const std::string& file, long lines, double budgetMs) {
    int argc = 1;
    char arg0[] = "editor_model_bench";
    char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);
    {
        // the toolkit's one-time set-ups (fonts, style) are not the phase's memory
        QPlainTextEdit warmUp;
        warmUp.show();
        QCoreApplication::processEvents();
    }
    const double startKB = RssKB("VmRSS:");
    TPass cold = QtPass(phase, file, lines, budgetMs);
    const double peak = RssKB("VmHWM:") - startKB;
    TPass warm = QtPass(phase, file, lines, budgetMs);
    return Figures(cold, warm, peak);
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "smoke") == 0;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const long lines = smoke ? 10000 : 1000000;
    // the plain widget's time budget for a pass of the edit phases
    const double budgetMs = smoke ? 5000 : 20000;
    qtmessages::DropPlatformNoise();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    bench::TempFolder tmp("zintavor-editor-model");
    const std::string file = tmp.Path + "script.sql";
    const std::string text = Generate(lines);
    if (!fs932::WriteFileAtomic(file, text)) return 2;
    bench::Table table("editor model: the row store, wrap and undo (a view without display) against a plain QPlainTextEdit\n"
                       "  (offscreen) on a CP932 script of " + std::to_string(lines) + " lines, " +
                           std::to_string(text.size() / 1024) + " KB; cold: the phase the first time in a fresh\n"
                           "  process; warm: the same work again in that process, on a fresh view or widget",
                       runs, smoke);
    const char* phases[] = {"load", "loadwrap", "append", "appendwrap", "top", "wrapline", "type", "typefountain",
                            "typewrap"};
    std::vector<std::string> notes;
    for (const char* ph : phases) {
        const std::string phase = ph;
        const auto r = bench::TakeTurns(runs, {[&] { return RunOurs(phase, file, lines); },
                                               [&] { return RunQt(phase, file, lines, budgetMs); }});
        for (int warm = 0; warm < 2; ++warm) {
            const bench::Series o = bench::SeriesOf("row store", r[0], warm * 2);
            const bench::Series p = bench::SeriesOf("QPlainTextEdit", r[1], warm * 2);
            table.Case(phase + (warm ? ", warm" : ", cold"), o, {&p});
        }
        const double ok = bench::MedianOf(r[0], 4) / 1024, qk = bench::MedianOf(r[1], 4) / 1024;
        char line[300];
        std::snprintf(line, sizeof line,
                      "%-13s peak MB %8.1f / %8.1f = %5.2f   longest edit ms %8.3f / %8.3f   QPlainTextEdit did %.0f "
                      "of %.0f edits",
                      phase.c_str(), ok, qk, qk > 0 ? ok / qk : 0.0, bench::MedianOf(r[0], 5), bench::MedianOf(r[1], 5),
                      bench::MedianOf(r[1], 6), bench::MedianOf(r[1], 7));
        notes.push_back(line);
    }
    table.Note("cold passes, medians over the runs: ours / QPlainTextEdit (= ratio, lower is better); where the peer "
               "did fewer edits than wanted (its time budget), its times are given for all at its average:");
    for (const auto& n : notes) table.Note("  " + n);
    return 0;
}
