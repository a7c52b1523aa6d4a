// The editor's text model against a plain Qt text widget on the same data.
// One phase per process, so that the peak memory of the process is the
// phase's own:
//
//   editor_model_bench gen <lines> <file>          writes a CP932 script
//   editor_model_bench <phase> ours|qt <file>      runs one phase, prints one line:
//       <phase> <side> <total ms> <max single edit ms> <peak KB over start> <done> <wanted>
//
// Phases: load (wrap off), loadwrap (wrap on), append (the file's line count
// of short lines added one by one, wrap off), appendwrap (the same, wrap on),
// top (the file loaded, then 100 lines inserted at the top one at a time),
// wrapline (one line of 10 MB set with wrap on and cut into rows), type
// (1,000 characters typed into the middle of one 10 MB line, wrap off, the
// store alone), typefountain (the same line between other lines, with the
// editor fountain computing row states), typewrap (the long line with wrap on
// and the editor fountain). A smaller script types fewer characters into a
// shorter line. The plain widget stops at its time budget; its total is then
// given for all the edits at its average.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

#include "CP932.h"
#include "EditorParser.h"
#include "FakeView.h"
#include "FileSystem.h"
#include "QtMessages.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

long PeakKB() {
    std::ifstream f("/proc/self/status");
    std::string l;
    while (std::getline(f, l))
        if (l.rfind("VmHWM:", 0) == 0) return std::stol(l.substr(6));
    return 0;
}

std::string ShortLine(long i) { return "結果: 行 " + std::to_string(i) + " 件"; }

// About 50 bytes a line: SQL with Japanese names, a tab now and then, a comment.
int Generate(long lines, const std::string& path) {
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
    return fs932::WriteFileAtomic(path, out) ? 0 : 1;
}

long FileLines(const std::string& path) {
    std::string bytes;
    fs932::ReadFile(path, bytes);
    return static_cast<long>(std::count(bytes.begin(), bytes.end(), '\n'));
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

// One line per phase: phase, side, total ms, longest single edit ms, peak KB
// over the start, how many of the wanted edits were made (a side that runs out
// of its time budget has its total given for all at its average), and how many
// single edits took a millisecond or more.
long SlowEdits = 0;
double Edit(double ms) {
    if (ms >= 1.0) ++SlowEdits;
    return ms;
}

void Report(const char* phase, const char* side, double total, double maxEdit, long startKB, long done = 1,
            long wanted = 1) {
    if (done < wanted && done > 0) total = total * static_cast<double>(wanted) / static_cast<double>(done);
    std::printf("%s %s %.1f %.4f %ld %ld %ld %ld\n", phase, side, total, maxEdit, PeakKB() - startKB, done, wanted,
                SlowEdits);
}

constexpr double kQtBudgetMs = 60000;

int RunOurs(const std::string& phase, const std::string& file) {
    long startKB = PeakKB();
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
    if (phase == "load" || phase == "loadwrap") {
        if (phase == "loadwrap") s.SetWordWrap(true);
        auto t0 = Clock::now();
        v.Lines->LoadFromFile(file);
        auto t1 = Clock::now();
        Report(phase.c_str(), "ours", Ms(t0, t1), 0, startKB);
        return s.GetCount() > 0 ? 0 : 1;
    }
    if (phase == "append" || phase == "appendwrap") {
        if (phase == "appendwrap") s.SetWordWrap(true);
        long n = FileLines(file);
        double maxEdit = 0;
        auto t0 = Clock::now();
        for (long i = 0; i < n; ++i) {
            auto a = Clock::now();
            v.Lines->Add(ShortLine(i));
            maxEdit = std::max(maxEdit, Edit(Ms(a, Clock::now())));
        }
        auto t1 = Clock::now();
        Report(phase.c_str(), "ours", Ms(t0, t1), maxEdit, startKB, n, n);
        return v.Lines->Count() == n ? 0 : 1;
    }
    if (phase == "top") {
        v.Lines->LoadFromFile(file);
        double maxEdit = 0;
        auto t0 = Clock::now();
        for (int i = 0; i < 100; ++i) {
            auto a = Clock::now();
            v.Lines->Insert(0, "-- 先頭に挿入した行 " + std::to_string(i));
            maxEdit = std::max(maxEdit, Edit(Ms(a, Clock::now())));
        }
        auto t1 = Clock::now();
        Report("top", "ours", Ms(t0, t1), maxEdit, startKB, 100, 100);
        return 0;
    }
    if (phase == "wrapline") {
        std::string text = LongLine(LongLineBytes(FileLines(file)));
        s.SetWordWrap(true);
        auto t0 = Clock::now();
        v.Lines->SetText(text);
        auto t1 = Clock::now();
        Report("wrapline", "ours", Ms(t0, t1), 0, startKB);
        return s.GetCount() > 1 ? 0 : 1;
    }
    if (phase == "type" || phase == "typefountain" || phase == "typewrap") {
        long lines = FileLines(file);
        const int chars = TypedChars(lines);
        std::string text = LongLine(LongLineBytes(lines));
        if (phase != "type") text = "-- 前の行\r\n" + text + "\r\n-- 次の行\r\n";
        if (phase == "typewrap") s.SetWordWrap(true);
        v.Lines->SetText(text);
        text = std::string();
        int line = phase == "type" ? 0 : 1;
        int first = v.Lines->LineToRow(line);
        int row = (first + s.LineEnd(first)) / 2;  // the middle of the long line
        int64_t off = static_cast<int64_t>(s.Str(row).size() / 2);
        double maxEdit = 0;
        auto t0 = Clock::now();
        for (int i = 0; i < chars; ++i) {
            auto a = Clock::now();
            // What the editor does for a typed character: the caret row's bytes
            // at the caret replaced (the rest of the line is cut again), then
            // the caret put after them by a byte offset from that row.
            s.ReplaceRows(row, 1, off, 0, (i % 2) ? "x" : "y");
            v.SetCaretByOffset(row, static_cast<int>(off + 1));
            row = v.Row();
            off = v.Col();
            maxEdit = std::max(maxEdit, Edit(Ms(a, Clock::now())));
        }
        auto t1 = Clock::now();
        Report(phase.c_str(), "ours", Ms(t0, t1), maxEdit, startKB, chars, chars);
        return v.Lines->Get(line).size() >= LongLineBytes(lines) ? 0 : 1;
    }
    return 2;
}

int RunQt(int argc, char** argv, const std::string& phase, const std::string& file) {
    qtmessages::DropPlatformNoise();
    QApplication app(argc, argv);
    QPlainTextEdit e;
    e.resize(800, 600);
    e.setLineWrapMode(phase == "loadwrap" || phase == "appendwrap" ? QPlainTextEdit::WidgetWidth
                                                                   : QPlainTextEdit::NoWrap);
    e.show();
    QCoreApplication::processEvents();
    long startKB = PeakKB();
    auto load = [&] {
        std::string bytes;
        fs932::ReadFile(file, bytes);
        std::u16string u = cp932::ToUtf16(bytes);
        bytes = std::string();
        e.setPlainText(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
        QCoreApplication::processEvents();
    };
    if (phase == "load" || phase == "loadwrap") {
        auto t0 = Clock::now();
        load();
        auto t1 = Clock::now();
        Report(phase.c_str(), "qt", Ms(t0, t1), 0, startKB);
        return e.document()->blockCount() > 1 ? 0 : 1;
    }
    if (phase == "append" || phase == "appendwrap") {
        long n = FileLines(file);
        double maxEdit = 0;
        long done = 0;
        auto t0 = Clock::now();
        for (; done < n && (done % 1024 != 0 || Ms(t0, Clock::now()) < 5 * kQtBudgetMs); ++done) {
            auto a = Clock::now();
            std::u16string u = cp932::ToUtf16(ShortLine(done));
            e.appendPlainText(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
            maxEdit = std::max(maxEdit, Edit(Ms(a, Clock::now())));
        }
        QCoreApplication::processEvents();
        auto t1 = Clock::now();
        Report(phase.c_str(), "qt", Ms(t0, t1), maxEdit, startKB, done, n);
        return 0;
    }
    if (phase == "top") {
        load();
        double maxEdit = 0;
        auto t0 = Clock::now();
        for (int i = 0; i < 100; ++i) {
            auto a = Clock::now();
            QTextCursor c(e.document());
            c.movePosition(QTextCursor::Start);
            std::u16string u = cp932::ToUtf16("-- 先頭に挿入した行 " + std::to_string(i) + "\n");
            c.insertText(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
            QCoreApplication::processEvents();
            maxEdit = std::max(maxEdit, Edit(Ms(a, Clock::now())));
        }
        auto t1 = Clock::now();
        Report("top", "qt", Ms(t0, t1), maxEdit, startKB, 100, 100);
        return 0;
    }
    if (phase == "wrapline") {
        e.setLineWrapMode(QPlainTextEdit::WidgetWidth);
        std::u16string u = cp932::ToUtf16(LongLine(LongLineBytes(FileLines(file))));
        auto t0 = Clock::now();
        e.setPlainText(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
        QCoreApplication::processEvents();
        auto t1 = Clock::now();
        Report("wrapline", "qt", Ms(t0, t1), 0, startKB);
        return 0;
    }
    if (phase == "type" || phase == "typefountain" || phase == "typewrap") {
        if (phase == "typewrap") e.setLineWrapMode(QPlainTextEdit::WidgetWidth);
        long lines = FileLines(file);
        const long chars = TypedChars(lines);
        std::string text = LongLine(LongLineBytes(lines));
        if (phase != "type") text = "-- 前の行\r\n" + text + "\r\n-- 次の行\r\n";
        std::u16string u = cp932::ToUtf16(text);
        text = std::string();
        e.setPlainText(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
        QCoreApplication::processEvents();
        QTextCursor c(e.document());
        c.setPosition(static_cast<int>(u.size() / 2));
        e.setTextCursor(c);
        e.ensureCursorVisible();
        QCoreApplication::processEvents();
        double maxEdit = 0;
        long typed = 0;
        auto t0 = Clock::now();
        while (typed < chars && Ms(t0, Clock::now()) < kQtBudgetMs / 3) {
            auto a = Clock::now();
            e.insertPlainText((typed % 2) ? QStringLiteral("x") : QStringLiteral("y"));
            QCoreApplication::processEvents();
            maxEdit = std::max(maxEdit, Edit(Ms(a, Clock::now())));
            ++typed;
        }
        auto t1 = Clock::now();
        Report(phase.c_str(), "qt", Ms(t0, t1), maxEdit, startKB, typed, chars);
        return 0;
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "gen") return Generate(std::atol(argv[2]), argv[3]);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s gen <lines> <file> | %s <phase> ours|qt <file>\n", argv[0], argv[0]);
        return 2;
    }
    std::string phase = argv[1], side = argv[2], file = argv[3];
    if (side == "ours") return RunOurs(phase, file);
    if (side == "qt") return RunQt(argc, argv, phase, file);
    return 2;
}
