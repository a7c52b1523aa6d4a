// Writes the CP932 conversion tables, filled from iconv, as a C++ source file
// of constant data. Usage: cp932tables OUTPUT
#include <cstdio>
#include <memory>

#include "CP932Tables.h"

namespace {

template <class Array>
void Write(std::FILE* f, const Array& a) {
    std::fputs("{{", f);
    for (size_t i = 0; i < a.size(); ++i)
        std::fprintf(f, "%s%s%u", i ? "," : "", i % 32 ? "" : "\n", static_cast<unsigned>(a[i]));
    std::fputs("}}", f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cp932tables OUTPUT\n");
        return 2;
    }
    auto t = std::make_unique<cp932::Tables>();
    if (!cp932::FillTablesFromIconv(*t)) {
        std::fprintf(stderr, "cp932tables: iconv does not know CP932\n");
        return 1;
    }
    std::FILE* f = std::fopen(argv[1], "w");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    std::fputs("// Made by cp932tables from iconv \"CP932\"; not to be edited.\n#include \"CP932Tables.h\"\n"
               "namespace cp932 {\nconst Tables kTables = {\n", f);
    Write(f, t->single);
    std::fputs(",\n{{", f);
    for (size_t lead = 0; lead < t->dbl.size(); ++lead) {
        if (lead) std::fputs(",", f);
        Write(f, t->dbl[lead]);
    }
    std::fputs("}},\n", f);
    Write(f, t->enc);
    std::fputs("};\n}  // namespace cp932\n", f);
    if (std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
