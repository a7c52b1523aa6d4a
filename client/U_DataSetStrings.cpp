#include "U_DataSetStrings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "CP932.h"
#include "DelimitedItem.h"
#include "OdbcQuery.h"
#include "SysUtils.h"

namespace {

constexpr std::string_view kCRLF = "\r\n";

// ---- what the formats use of the dataset ----------------------------------

inline int FieldCountOf(TDataSet* DataSet) { return DataSet->FieldCount(); }
inline TField& FieldOf(TDataSet* DataSet, int Index) { return DataSet->Fields(Index); }

// Blob or binary field other than a text memo: shown as a hex dump when it is
// fixed or variable bytes, or when its text holds a control byte. A memo,
// plain or wide (long text of a Unicode driver), is always text.
inline bool IsBinaryKind(const TField& F) {
    const TFieldType t = F.DataType();
    return (F.IsBlob() || F.IsBinary()) && t != ftMemo && t != ftWideMemo;
}
inline bool IsRightJustified(const TField& F) { return F.Alignment() == taRightJustify; }

// ---- the lines of one value -------------------------------------------------

// True when some byte is below 0x20 (a line break, a TAB or another control byte).
inline bool HasControlByte(std::string_view s) {
    unsigned char any = 0;
    for (unsigned char c : s) any |= static_cast<unsigned char>(c < 0x20);
    return any != 0;
}

// Splits the buffer into lines at CR LF, CR or LF; a final line break adds no
// empty line (the string list's text rule).
void SplitLines(TFieldLines& L) {
    L.Spans.clear();
    const char* p = L.Buf.data();
    const size_t n = L.Buf.size();
    size_t i = 0;
    while (i < n) {
        const size_t start = i;
        while (i < n && p[i] != '\r' && p[i] != '\n') ++i;
        L.Spans.push_back({start, i - start});
        if (i < n && p[i] == '\r') ++i;
        if (i < n && p[i] == '\n') ++i;
    }
}

inline void SingleLine(TFieldLines& L) {
    L.Spans.clear();
    L.Spans.push_back({0, L.Buf.size()});
}

inline void SetLinesText(TFieldLines& L, std::string_view text) {
    L.Buf.assign(text.data(), text.size());
    if (HasControlByte(text)) SplitLines(L);
    else if (text.empty()) L.Spans.clear();
    else SingleLine(L);
}

void HexDump(TFieldLines& L) {
    static const char digits[] = "0123456789ABCDEF";
    L.Work.resize(L.Buf.size() * 2);
    char* o = L.Work.data();
    for (unsigned char c : L.Buf) {
        *o++ = digits[c >> 4];
        *o++ = digits[c & 15];
    }
    L.Buf.swap(L.Work);
    SingleLine(L);
}

// Bytes 0x00-0x20 left out at both ends.
inline std::string_view TrimmedView(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    size_t b = 0;
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    return s.substr(b, e - b);
}

// Bytes 0x00-0x20 removed at both ends, in place.
inline void TrimInPlace(std::string& s) {
    const std::string_view kept = TrimmedView(s);
    const size_t b = static_cast<size_t>(kept.data() - s.data()), e = b + kept.size();
    if (e != s.size()) s.resize(e);
    if (b) s.erase(0, b);
}

void JoinLines(TFieldLines& L, std::string_view joint) {
    L.Work.clear();
    for (size_t k = 0; k < L.Spans.size(); ++k) {
        if (k) L.Work.append(joint.data(), joint.size());
        L.Work.append(L.Buf, L.Spans[k].Start, L.Spans[k].Length);
    }
    L.Buf.swap(L.Work);
    SingleLine(L);
}

void ReplaceTabs(TFieldLines& L, std::string_view with) {
    if (!std::memchr(L.Buf.data(), '\t', L.Buf.size())) return;
    L.Work.clear();
    for (auto& span : L.Spans) {
        const size_t start = L.Work.size();
        for (size_t k = span.Start; k < span.Start + span.Length; ++k) {
            const char c = L.Buf[k];
            if (c == '\t') L.Work.append(with.data(), with.size());
            else L.Work.push_back(c);
        }
        span = {start, L.Work.size() - start};
    }
    L.Buf.swap(L.Work);
}

// The value steps of the conversion; the caller guards them.
void ConvertValue(TField& F, const TReadableEnvData& Env, TFieldLines& L, bool TrimValue, std::string_view EmptyText) {
    // One read of the text; only an empty text needs the second question
    // (a large object reports its text also when it holds none).
    std::string_view text;
    const bool hasData = F.DataSet()->GetFieldTextView(F, text, L.Buf);
    if (hasData && !text.empty() && !HasControlByte(text) && !(IsBinaryKind(F) && F.IsBinary())) {
        // The common case, one line without a control byte: read where it lies.
        if (TrimValue) text = TrimmedView(text);
        if (!text.empty()) {
            L.View = text.data();
            L.Spans.clear();
            L.Spans.push_back({0, text.size()});
            return;
        }
    }
    if (text.data() != L.Buf.data()) L.Buf.assign(text.begin(), text.end());
    bool mayHoldTab = true;
    if (!hasData || (L.Buf.empty() && F.IsNull())) {
        L.Buf.assign(Env.NullStr);
        SingleLine(L);
    } else {
        bool control = HasControlByte(L.Buf);
        if (IsBinaryKind(F) && (F.IsBinary() || control)) {
            if (L.Buf.empty()) {
                SetLinesText(L, EmptyText);
            } else {
                HexDump(L);
                mayHoldTab = false;
            }
        } else if (L.Buf.empty()) {
            SetLinesText(L, EmptyText);
        } else {
            if (TrimValue) {
                TrimInPlace(L.Buf);
                if (control) control = HasControlByte(L.Buf);
            }
            if (L.Buf.empty()) {
                SetLinesText(L, EmptyText);
            } else if (control) {
                SplitLines(L);
            } else {
                SingleLine(L);  // the common case: one line, no TAB
                mayHoldTab = false;
            }
        }
    }
    if (Env.CRLFReplace && L.Spans.size() > 1) JoinLines(L, Env.CRLFReplaceStr);
    if (Env.TabReplace && mayHoldTab) ReplaceTabs(L, Env.TabRepraceStr);
}

[[noreturn]] void RaiseFieldIndex() { throw EResultSetStrings("内部エラー：範囲外のフィールドインデックスです"); }

inline void AppendPadded(std::string& out, std::string_view line, int width, char pad, bool padLeft) {
    const size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    const size_t fill = line.size() < w ? w - line.size() : 0;
    if (padLeft && fill) out.append(fill, pad);
    out.append(line.data(), line.size());
    if (!padLeft && fill) out.append(fill, pad);
}

inline void AppendLines(std::string& out, const TFieldLines& L, std::string_view joint) {
    for (int k = 0; k < L.Count(); ++k) {
        if (k) out.append(joint.data(), joint.size());
        const std::string_view line = L.Text(k);
        out.append(line.data(), line.size());
    }
}

}  // namespace

// ---- the conversion ---------------------------------------------------------

int TFieldLines::MaxLineLength() const {
    int m = -1;
    for (const Span& s : Spans) m = std::max(m, static_cast<int>(s.Length));
    return m;
}

void FieldValueToLines(TDataSet* DataSet, int Index, const TReadableEnvData& EnvData, TFieldLines& Lines,
                       bool TrimValue, std::string_view EmptyText) {
    Lines.Clear();
    if (!DataSet || Index < 0 || Index > FieldCountOf(DataSet) - 1) RaiseFieldIndex();
    try {
        ConvertValue(FieldOf(DataSet, Index), EnvData, Lines, TrimValue, EmptyText);
    } catch (...) {
        Lines.View = nullptr;
        SetLinesText(Lines, EnvData.ConvertErrorStr);
    }
}

void FieldValueToLines(TDataSet* DataSet, int Index, const TReadableEnvData& EnvData, TStringList& Lines,
                       bool TrimValue, std::string_view EmptyText) {
    Lines.Clear();
    TFieldLines L;
    FieldValueToLines(DataSet, Index, EnvData, L, TrimValue, EmptyText);
    for (int k = 0; k < L.Count(); ++k) Lines.Add(std::string(L.Text(k)));
}

int MaxLineLength(const TStringList& Lines) {
    int m = -1;
    for (const std::string& s : Lines.Items) m = std::max(m, static_cast<int>(s.size()));
    return m;
}

// ---- column headers ---------------------------------------------------------

TDataFieldHeader::TDataFieldHeader(TDataSet* DataSet, char PadChar_, char RuleChar_, int Index)
    : PadChar(PadChar_), RuleChar(RuleChar_) {
    if (!DataSet) throw EDataFieldHeader("内部エラー：DataSetがNILです");
    Name = DataSet->FieldDefs()[Index].Name;
    Width = static_cast<int32_t>(sys::Trim(Name).size());
}

TDataFieldHeaderTexts TDataFieldHeader::GetTexts() const {
    TDataFieldHeaderTexts t;
    t.Caption = Name;
    if (static_cast<int64_t>(Name.size()) < Width) t.Caption.append(static_cast<size_t>(Width) - Name.size(), PadChar);
    t.Rule.assign(static_cast<size_t>(std::max<int32_t>(Width, 0)), RuleChar);
    return t;
}

TDataFieldHeaderList::TDataFieldHeaderList(const TReadableEnvData& EnvData_, bool TrimValue, TDataSet* DataSet,
                                           TStopRequest StopRequest_)
    : EnvData(EnvData_), StopRequest(std::move(StopRequest_)) {
    Build(DataSet, TrimValue);
}

TDataFieldHeaderList::~TDataFieldHeaderList() { Clear(); }

TDataFieldHeader& TDataFieldHeaderList::GetItem(int Index) const {
    if (Index < 0 || Index > GetCount() - 1)
        throw EDataFieldHeaderList("内部エラー：範囲外のヘッダーを取得しようとしました");
    return *Items[static_cast<size_t>(Index)];
}

void TDataFieldHeaderList::ScanMaxWidths(TDataSet* DataSet, const TReadableEnvData& Env, TIntegerList* Widths,
                                         bool TrimValue) {
    if (!DataSet || !DataSet->Active())
        throw EDataFieldHeaderList("内部エラー：データ最長サイズ取得用のデータセットがNILもしくは閉じています");
    if (!Widths) throw EDataFieldHeaderList("内部エラー：データ最長サイズ格納用のリストがNILです");
    const int fields = FieldCountOf(DataSet);
    std::vector<int> widths(static_cast<size_t>(fields), 0);
    TFieldLines L;
    DataSet->First();
    for (int counter = 1; !DataSet->Eof();) {
        for (int i = 0; i < fields; ++i) {
            FieldValueToLines(DataSet, i, Env, L, TrimValue, " ");
            widths[static_cast<size_t>(i)] = std::max(widths[static_cast<size_t>(i)], L.MaxLineLength());
        }
        ++counter;
        DataSet->Next();
        if (counter % 256 == 0 && StopRequest && StopRequest()) break;
    }
    Widths->Clear();
    for (int w : widths) Widths->Add(w);
}

void TDataFieldHeaderList::Build(TDataSet* DataSet, bool TrimValue) {
    if (!DataSet) return;
    try {
        Clear();
        TIntegerList widths;
        ScanMaxWidths(DataSet, EnvData, &widths, TrimValue);
        for (int i = 0; i < FieldCountOf(DataSet); ++i) {
            auto h = std::make_unique<TDataFieldHeader>(DataSet, EnvData.ResultScale, EnvData.ResultScaleSpacer, i);
            h->Width = std::max(static_cast<int32_t>(h->Name.size()), static_cast<int32_t>(widths.Items(i)));
            Items.push_back(std::move(h));
        }
    } catch (...) {
        throw EDataFieldHeaderList("内部エラー：各項目のヘッダー情報作成に失敗");
    }
}

std::string TDataFieldHeaderList::GetHeaderLine() const { return GetHeaderLine(EnvData.ResultColumnDelim); }

std::string TDataFieldHeaderList::GetHeaderLine(char Delim) const {
    std::string out;
    for (const auto& h : Items) {
        out += h->GetTexts().Caption;
        out.push_back(Delim);
    }
    return out;
}

std::string TDataFieldHeaderList::GetScaleLine(char Delim) const {
    std::string out;
    for (const auto& h : Items) {
        out.append(static_cast<size_t>(std::max<int32_t>(h->Width, 0)), h->RuleChar);
        out.push_back(Delim);
    }
    return out;
}

// ---- the layouts ------------------------------------------------------------

TResultSetStrings::TResultSetStrings(const TReadableEnvData& EnvData_, TDataSet* DataSet_)
    : DataSet(DataSet_), EnvData(EnvData_) {
    if (!DataSet) throw EResultSetStrings("DataSetがNilです");
}

void TResultSetStrings::CheckDataSet() const {
    if (!DataSet || !DataSet->Active())
        throw EResultSetStrings("内部エラー：結果文字展開できないデータセットを使用しようとしました");
}

int TResultSetStrings::OpenFieldCount() const {
    CheckDataSet();
    return FieldCountOf(DataSet);
}

const TFieldLines& TResultSetStrings::ValueLines(int Index, bool TrimValue, std::string_view EmptyText) {
    FieldValueToLines(DataSet, Index, EnvData, Cell, TrimValue, EmptyText);
    return Cell;
}

void TResultSetStrings::GetRecordLines(TStringList& Lines) {
    if (!RecordLinesAppend()) Lines.Clear();
    Scratch.clear();
    AppendRecordText(Scratch);
    // Every line of the record text ends with CR LF.
    size_t from = 0;
    for (size_t at; (at = Scratch.find(kCRLF, from)) != std::string::npos; from = at + 2)
        Lines.Add(Scratch.substr(from, at - from));
}

// Column-aligned.

TResultSetSeparateStrings::TResultSetSeparateStrings(const TReadableEnvData& EnvData_, bool TrimValue_,
                                                     TDataSet* DataSet_, TStopRequest StopRequest)
    : TResultSetStrings(EnvData_, DataSet_), TrimValue(TrimValue_) {
    BuildHeaders(std::move(StopRequest));
}

void TResultSetSeparateStrings::BuildHeaders(TStopRequest StopRequest) {
    CheckDataSet();
    Headers = std::make_unique<TDataFieldHeaderList>(EnvData, TrimValue, DataSet, std::move(StopRequest));
}

std::string TResultSetSeparateStrings::GetHeaderLine() const { return Headers->GetHeaderLine(ColumnDelim()); }

std::string TResultSetSeparateStrings::GetScaleLine() const { return Headers->GetScaleLine(ColumnDelim()); }

void TResultSetSeparateStrings::AppendRecordText(std::string& Out) {
    const int fields = OpenFieldCount();
    if (DataSet->Eof()) return;
    if (Cells.size() < static_cast<size_t>(fields)) Cells.resize(static_cast<size_t>(fields));
    int height = 1;
    bool oneLineEach = true;
    for (int i = 0; i < fields; ++i) {
        TFieldLines& c = Cells[static_cast<size_t>(i)];
        FieldValueToLines(DataSet, i, EnvData, c, TrimValue, " ");
        height = std::max(height, c.Count());
        oneLineEach = oneLineEach && c.Count() == 1;
    }
    const char pad = EnvData.ResultScale;
    const char delim = ColumnDelim();
    if (oneLineEach) {
        for (int i = 0; i < fields; ++i) {
            AppendPadded(Out, Cells[static_cast<size_t>(i)].Text(0), Headers->GetItem(i).Width, pad,
                         IsRightJustified(FieldOf(DataSet, i)));
            Out.push_back(delim);
        }
        Out.append(kCRLF);
        return;
    }
    // A record as tall as its tallest value; a shorter value is continued by
    // filler lines as wide as its first padded line.
    for (int r = 0; r < height; ++r) {
        for (int i = 0; i < fields; ++i) {
            const TFieldLines& c = Cells[static_cast<size_t>(i)];
            const int width = Headers->GetItem(i).Width;
            if (r < c.Count()) {
                AppendPadded(Out, c.Text(r), width, pad, IsRightJustified(FieldOf(DataSet, i)));
            } else {
                const size_t first = c.Count() > 0 ? c.Text(0).size() : 0;
                Out.append(std::max(first, static_cast<size_t>(std::max(width, 0))), pad);
            }
            Out.push_back(delim);
        }
        Out.append(kCRLF);
    }
}

// Comma-separated.

std::string TResultSetCSVStrings::GetHeaderLine() const {
    CheckDataSet();
    TStringList names;
    for (int i = 0; i < FieldCountOf(DataSet); ++i) names.Add(FieldOf(DataSet, i).FieldName());
    return names.CommaText();
}

void TResultSetCSVStrings::AppendRecordText(std::string& Out) {
    const int fields = OpenFieldCount();
    for (int i = 0; i < fields; ++i) {
        const TFieldLines& c = ValueLines(i, false, std::string_view());
        if (i) Out.push_back(',');
        if (c.Count() == 0 || (c.Count() == 1 && c.Text(0).empty())) {
            if (fields == 1) Out.append("\"\"");  // a lone empty item is written as two quotes
            continue;
        }
        if (c.Count() == 1) {
            delimited::AppendItem(Out, c.Text(0), ',', '"');
            continue;
        }
        // A value of several lines keeps its line breaks, each line followed by
        // CR LF, and is quoted as the text of its lines would be.
        bool quote = false;
        for (int k = 0; k < c.Count() && !quote; ++k) quote = delimited::NeedsQuotes(c.Text(k), ',', '"');
        if (quote) Out.push_back('"');
        for (int k = 0; k < c.Count(); ++k) {
            if (quote) delimited::AppendQuoteDoubled(Out, c.Text(k), '"');
            else Out.append(c.Text(k));
            Out.append(kCRLF);
        }
        if (quote) Out.push_back('"');
    }
    Out.append(kCRLF);
}

// TAB-separated.

std::string TResultSetTABStrings::GetHeaderLine() const {
    CheckDataSet();
    std::string line;
    for (int i = 0; i < FieldCountOf(DataSet); ++i) {
        line += FieldOf(DataSet, i).FieldName();
        line.push_back('\t');
    }
    return sys::Trim(line);
}

void TResultSetTABStrings::AppendRecordText(std::string& Out) {
    const int fields = OpenFieldCount();
    for (int i = 0; i < fields; ++i) {
        const TFieldLines& c = ValueLines(i, false, std::string_view());
        AppendLines(Out, c, kCRLF);
        if (i < fields - 1) Out.push_back('\t');
    }
    // Always a line, also for a record whose text is empty.
    Out.append(kCRLF);
}

// Record sheet.

TResultSetCutSheetStrings::TResultSetCutSheetStrings(const TReadableEnvData& EnvData_, TDataSet* DataSet_)
    : TResultSetStrings(EnvData_, DataSet_) {
    // Names are padded by their count of characters, not of bytes.
    std::vector<std::string> names;
    std::vector<size_t> lengths;
    size_t longest = 0;
    for (int i = 0; i < FieldCountOf(DataSet); ++i) {
        names.push_back(FieldOf(DataSet, i).FieldName());
        lengths.push_back(cp932::ToUtf16(names.back()).size());
        longest = std::max(longest, lengths.back());
    }
    for (size_t i = 0; i < names.size(); ++i) FieldNames.Add(names[i] + std::string(longest - lengths[i], ' '));
}

void TResultSetCutSheetStrings::AppendRecordText(std::string& Out) {
    const int fields = OpenFieldCount();
    for (int i = 0; i < fields; ++i) {
        const TFieldLines& c = ValueLines(i, true, std::string_view());
        Out.append(FieldNames[i]);
        Out.append(" : ");
        AppendLines(Out, c, kCRLF);
        Out.append(kCRLF);
    }
}

std::string TextLossLine(const TDataSet* DataSet) {
    const auto* query = dynamic_cast<const TOdbcQuery*>(DataSet);
    if (!query || !query->LossyText()) return std::string();
    const TTextLoss& loss = query->TextLoss();
    std::string line = "結果の文字のうち、シフトJISで表せない " + std::to_string(loss.Count) + " 文字を \"?\" に置き換えました：";
    for (size_t i = 0; i < loss.First.size(); ++i) {
        const uint32_t c = loss.First[i];
        char code[16];
        if (c & TTextLoss::kNotUtf8) std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(c & 0xFFu));
        else std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        if (i) line += "、";
        line += code;
    }
    if (loss.More) line += " ほか";
    return line;
}
