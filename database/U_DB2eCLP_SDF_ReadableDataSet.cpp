#include "U_DB2eCLP_SDF_ReadableDataSet.h"

#include "CP932.h"
#include "E_Exception.h"
#include "FileSystem.h"

namespace {
inline bool IsBreak(char c) { return c == '\r' || c == '\n'; }
// Blanks and control bytes separate items; line breaks end records.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20 && !IsBreak(c); }
inline bool IsTrailByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x40 && u <= 0xFC && u != 0x7F;
}
// The length of the character at p: two for a lead byte with its trail byte,
// so that a lone lead byte never takes a quote, a comma or a line break with it.
inline size_t CharLen(std::string_view s, size_t p) {
    return cp932::IsLeadByte(s[p]) && p + 1 < s.size() && IsTrailByte(s[p + 1]) ? 2 : 1;
}
}  // namespace

// One pass over the text; sink.Row() begins a record, sink.Item(text) adds
// the item built in text (a buffer the sink may reuse).
template <class Sink>
void TDB2eCLP_SDF_ReadableDataSet::Scan(std::string_view v, Sink& sink) {
    const size_t n = v.size();
    size_t p = 0;
    std::string item;
    auto skipBlanks = [&] {
        while (p < n && IsBlank(v[p])) ++p;
    };
    while (p < n) {
        sink.Row();
        skipBlanks();
        while (p < n && !IsBreak(v[p])) {
            item.clear();
            if (v[p] == '"') {
                ++p;
                while (p < n) {
                    if (v[p] == '"') {
                        if (p + 1 < n && v[p + 1] == '"') {
                            item.push_back('"');
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    const size_t len = CharLen(v, p);
                    item.append(v.data() + p, len);
                    p += len;
                }
            } else {
                const size_t start = p;
                while (p < n && !IsBlank(v[p]) && !IsBreak(v[p]) && v[p] != ',') p += CharLen(v, p);
                item.assign(v.data() + start, p - start);
            }
            sink.Item(item);
            skipBlanks();
            if (p < n && v[p] == ',') {
                ++p;
                if (p == n || IsBreak(v[p])) {
                    item.clear();
                    sink.Item(item);
                }
                skipBlanks();
            }
        }
        if (p < n && v[p] == '\r') ++p;
        if (p < n && v[p] == '\n') ++p;
    }
}

std::vector<std::vector<std::string>> TDB2eCLP_SDF_ReadableDataSet::ParseRows(std::string_view Text) {
    struct Sink {
        std::vector<std::vector<std::string>> Rows;
        void Row() { Rows.emplace_back(); }
        void Item(const std::string& s) { Rows.back().push_back(s); }
    } sink;
    Scan(Text, sink);
    return std::move(sink.Rows);
}

void TDB2eCLP_SDF_ReadableDataSet::Parse(std::string_view Text) {
    struct Sink {
        TDB2eCLP_SDF_ReadableDataSet& D;
        void Row() { D.FRowFirst.push_back(D.FItemEnd.size()); }
        void Item(const std::string& s) {
            D.FItems += s;
            D.FItemEnd.push_back(D.FItems.size());
        }
    } sink{*this};
    FItems.reserve(Text.size());
    Scan(Text, sink);
    FItems.shrink_to_fit();
}

TDB2eCLP_SDF_ReadableDataSet::TDB2eCLP_SDF_ReadableDataSet() { throw EUnsupported(); }

TDB2eCLP_SDF_ReadableDataSet::TDB2eCLP_SDF_ReadableDataSet(const std::string& FieldsFile, const std::string& DataFile)
    : FieldsFileName(FieldsFile), DataFileName(DataFile) {
    FieldLines.LoadFromFile(FieldsFileName);
    std::string bytes;
    if (!fs932::ReadFile(DataFileName, bytes)) throw EFOpenError("ファイル " + DataFileName + " を開けません");
    Parse(bytes);
}

void TDB2eCLP_SDF_ReadableDataSet::InternalInitFieldDefs() {
    for (int i = 0; i < FieldLines.Count(); ++i) FieldDefs().Add(FieldLines[i] + std::to_string(i), ftString, 0, false);
}

void TDB2eCLP_SDF_ReadableDataSet::GetRowValue(int Row, const TFieldDef& FieldDef, TVariant& Value) {
    const size_t r = static_cast<size_t>(Row);
    const size_t first = FRowFirst.at(r);
    const size_t end = r + 1 < FRowFirst.size() ? FRowFirst[r + 1] : FItemEnd.size();
    const size_t item = first + static_cast<size_t>(FieldDef.Index());
    if (FieldDef.Index() < 0 || item >= end) {
        Value = TVariant(std::string());
        return;
    }
    const size_t from = item == 0 ? 0 : FItemEnd[item - 1];
    Value = TVariant(FItems.substr(from, FItemEnd[item] - from));
}

void TDB2eCLP_SDF_ReadableDataSet::SetRowValue(int, const TFieldDef&, const TVariant&) {
    throw EUnsupported("データ更新はサポートされていません");
}
void TDB2eCLP_SDF_ReadableDataSet::AppendRow(const std::vector<TVariant>&, int) {
    throw EUnsupported("データ追加はサポートされていません");
}
void TDB2eCLP_SDF_ReadableDataSet::InsertRow(int, const std::vector<TVariant>&, int) {
    throw EUnsupported("データインサートサポートされていません");
}
void TDB2eCLP_SDF_ReadableDataSet::DeleteRow(int) { throw EUnsupported("データ削除はサポートされていません"); }
