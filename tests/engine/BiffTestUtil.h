// Reading back the BIFF2 files of the export tests: the LABEL cells of the
// bytes, and what python3-xlrd (the reader Excel files are checked with)
// makes of a file.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "FileSystem.h"
#include "StringList.h"

namespace bifftest {

struct Cell {
    int Row, Col;
    std::string Text;  // CP932
    bool operator==(const Cell& o) const { return Row == o.Row && Col == o.Col && Text == o.Text; }
};

inline int Word(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

// The LABEL records of a BIFF2 stream, in file order; a malformed stream fails the test.
inline std::vector<Cell> Labels(const std::string& b) {
    std::vector<Cell> cells;
    size_t p = 0;
    while (p + 4 <= b.size()) {
        const int id = Word(b, p), len = Word(b, p + 2);
        if (p + 4 + static_cast<size_t>(len) > b.size()) {
            ADD_FAILURE() << "record past the end at " << p;
            break;
        }
        if (id == 0x0004) {
            const size_t n = static_cast<unsigned char>(b[p + 11]);
            EXPECT_EQ(static_cast<size_t>(len), 8 + n);
            cells.push_back({Word(b, p + 4), Word(b, p + 6), b.substr(p + 12, n)});
        }
        p += 4 + static_cast<size_t>(len);
    }
    EXPECT_EQ(p, b.size());
    return cells;
}

// A Python that has xlrd: the system's, where a private one shadows it.
inline std::string Python() { return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3"; }

// What xlrd reads from the file (UTF-8 lines): "biff V", "size ROWS COLS",
// one "font NAME HEIGHT BOLD ITALIC UNDERLINE" per font, then one
// "cell ROW COL TEXT" per non-empty cell. "error ..." when xlrd refuses it.
inline std::vector<std::string> ReadWithXlrd(const std::string& path) {
    const std::string script = fs932::ToNative(path) + ".py";
    static const char* const kScript =
        "import sys, xlrd\n"
        "try:\n"
        "    wb = xlrd.open_workbook(sys.argv[1], encoding_override='cp932', formatting_info=True)\n"
        "except Exception as e:\n"
        "    print('error', type(e).__name__); sys.exit(0)\n"
        "s = wb.sheet_by_index(0)\n"
        "print('biff', wb.biff_version)\n"
        "print('size', s.nrows, s.ncols)\n"
        "for f in wb.font_list:\n"
        "    print('font', f.name, f.height, f.bold, f.italic, f.underline_type)\n"
        "for r in range(s.nrows):\n"
        "    for c in range(s.row_len(r)):\n"
        "        v = s.cell_value(r, c)\n"
        "        if v != '': print('cell', r, c, v)\n";
    EXPECT_TRUE(fs932::WriteFileAtomic(fs932::FromNative(script), kScript));
    const std::string cmd = Python() + " '" + script + "' '" + fs932::ToNative(path) + "' 2>&1";
    std::vector<std::string> lines;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return lines;
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    EXPECT_EQ(pclose(f), 0) << out;
    TStringList l(out);
    return l.Items;
}

}  // namespace bifftest
