// Result-to-text formats: the records of an open dataset turned into lines of
// text for the result pages and the object tree property pages.
//
// FieldValueToLines is the one conversion of a field value to text; four
// layouts are built on it:
//   TResultSetSeparateStrings  column-aligned text (also the "|" text grid)
//   TResultSetCSVStrings       comma-separated text, the toolkit's comma-text quoting
//   TResultSetTABStrings       TAB-separated text
//   TResultSetCutSheetStrings  record sheet: one line per field
//
// Every width is a count of CP932 bytes. The layouts read the settings record
// they are given at each call and never change it. The caller creates a
// layout once the dataset is open, takes the header (and rule) line, calls
// First, then the record lines and Next until Eof.
//
// Two ways to take the record lines: GetRecordLines fills a string list, and
// AppendRecordText appends the same lines, each followed by CR LF, to a byte
// buffer the caller reuses (no allocation per value on the path of a
// single-line value).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataSet.h"
#include "Exception.h"
#include "StringList.h"
#include "T_EnvData.h"
#include "T_Integer.h"

Z_DECLARE_EXCEPTION(EResultSetStrings, Exception);
Z_DECLARE_EXCEPTION(EDataFieldHeader, Exception);
Z_DECLARE_EXCEPTION(EDataFieldHeaderList, Exception);

// The lines of one field value, kept in one buffer that is reused from value
// to value: line i is Text(i). Filled by FieldValueToLines.
class TFieldLines {
public:
    int Count() const { return static_cast<int>(Spans.size()); }
    std::string_view Text(int i) const {
        const Span& s = Spans[static_cast<size_t>(i)];
        return std::string_view((View ? View : Buf.data()) + s.Start, s.Length);
    }
    int MaxLineLength() const;  // -1 without lines
    void Clear() { Buf.clear(); Spans.clear(); View = nullptr; }

    // Internal to the conversion: the bytes and the line boundaries. A value
    // that is one plain line is not copied: View points at it where the
    // dataset keeps it (valid until the dataset's cursor moves); otherwise
    // View is null and the lines are in Buf.
    struct Span { size_t Start; size_t Length; };
    std::string Buf;
    std::string Work;
    std::vector<Span> Spans;
    const char* View = nullptr;
};

// The text of field Index of the current record, one entry per line:
// NullStr for NULL, a hex dump for binary values, EmptyText for an empty
// value, ConvertErrorStr when the conversion fails; line breaks and TABs
// replaced as the settings say. Raises EResultSetStrings for an index out of range.
void FieldValueToLines(TDataSet* DataSet, int Index, const TReadableEnvData& EnvData, TStringList& Lines,
                       bool TrimValue, std::string_view EmptyText);
void FieldValueToLines(TDataSet* DataSet, int Index, const TReadableEnvData& EnvData, TFieldLines& Lines,
                       bool TrimValue, std::string_view EmptyText);

// The length in bytes of the longest entry; -1 for an empty list.
int MaxLineLength(const TStringList& Lines);

// The stop request of a run as the width pre-scan sees it. Called every 256
// records: the host processes its pending events there and answers true when
// the user has asked to stop the run, which ends the scan at once.
using TStopRequest = std::function<bool()>;

struct TDataFieldHeaderTexts {
    std::string Caption;
    std::string Rule;
};

// One column of the column-aligned layout.
class TDataFieldHeader {
public:
    TDataFieldHeader(TDataSet* DataSet, char PadChar, char RuleChar, int Index);
    TDataFieldHeaderTexts GetTexts() const;

    std::string Name;
    char PadChar;
    char RuleChar;
    int32_t Width = 0;
};

// The columns of one dataset, in field order, with their widths from a scan of
// every record.
class TDataFieldHeaderList {
public:
    TDataFieldHeaderList(const TReadableEnvData& EnvData, bool TrimValue, TDataSet* DataSet,
                         TStopRequest StopRequest = nullptr);
    ~TDataFieldHeaderList();
    TDataFieldHeaderList(const TDataFieldHeaderList&) = delete;
    TDataFieldHeaderList& operator=(const TDataFieldHeaderList&) = delete;

    void Build(TDataSet* DataSet, bool TrimValue);
    int GetCount() const { return static_cast<int>(Items.size()); }
    TDataFieldHeader& GetItem(int Index) const;
    void Clear() { Items.clear(); }
    // The width pre-scan: Widths gets one entry per field, the widest line of
    // that field's values. Leaves the dataset where the scan ended.
    void ScanMaxWidths(TDataSet* DataSet, const TReadableEnvData& EnvData, TIntegerList* Widths, bool TrimValue);

    // Header line with the settings' column delimiter, or with Delim.
    std::string GetHeaderLine() const;
    std::string GetHeaderLine(char Delim) const;
    std::string GetScaleLine(char Delim) const;

    const TReadableEnvData& EnvData;
    TStopRequest StopRequest;

private:
    std::vector<std::unique_ptr<TDataFieldHeader>> Items;
};

// The base of the four layouts.
class TResultSetStrings {
public:
    TResultSetStrings(const TReadableEnvData& EnvData, TDataSet* DataSet);
    virtual ~TResultSetStrings() = default;
    TResultSetStrings(const TResultSetStrings&) = delete;
    TResultSetStrings& operator=(const TResultSetStrings&) = delete;

    void CheckDataSet() const;
    // The lines of the current record. The record sheet appends to Lines; the
    // other layouts replace its contents.
    virtual void GetRecordLines(TStringList& Lines);
    // The same lines, each followed by CR LF, appended to Out.
    virtual void AppendRecordText(std::string& Out) = 0;

    TDataSet* DataSet;
    const TReadableEnvData& EnvData;

protected:
    virtual bool RecordLinesAppend() const { return false; }
    // CheckDataSet, then the number of fields.
    int OpenFieldCount() const;
    // The lines of field Index of the current record, in a buffer reused from value to value.
    const TFieldLines& ValueLines(int Index, bool TrimValue, std::string_view EmptyText);

    TFieldLines Cell;
    std::string Scratch;
};

// Column-aligned text: a header line, a rule line and each record padded into
// columns. Creation reads the whole dataset once for the widths and leaves it
// where that scan ended: call First before walking it.
class TResultSetSeparateStrings : public TResultSetStrings {
public:
    TResultSetSeparateStrings(const TReadableEnvData& EnvData, bool TrimValue, TDataSet* DataSet,
                              TStopRequest StopRequest = nullptr);
    std::string GetHeaderLine() const;
    std::string GetScaleLine() const;
    void AppendRecordText(std::string& Out) override;

    // The text grid writes "|" after every column; the settings keep their own delimiter.
    void SetColumnDelim(char Delim) { DelimOverride = Delim; HasDelimOverride = true; }
    void ResetColumnDelim() { HasDelimOverride = false; }
    char ColumnDelim() const { return HasDelimOverride ? DelimOverride : EnvData.ResultColumnDelim; }

    std::unique_ptr<TDataFieldHeaderList> Headers;
    bool TrimValue;

private:
    std::vector<TFieldLines> Cells;  // one per field, reused from record to record
    void BuildHeaders(TStopRequest StopRequest);
    char DelimOverride = '|';
    bool HasDelimOverride = false;
};

// Comma-separated text, one record per line (a value with line breaks keeps
// them, so such a record takes several lines).
class TResultSetCSVStrings : public TResultSetStrings {
public:
    using TResultSetStrings::TResultSetStrings;
    virtual std::string GetHeaderLine() const;
    void AppendRecordText(std::string& Out) override;
};

// TAB-separated text, one record per line; values are never quoted.
class TResultSetTABStrings : public TResultSetStrings {
public:
    using TResultSetStrings::TResultSetStrings;
    virtual std::string GetHeaderLine() const;
    void AppendRecordText(std::string& Out) override;
};

// Record sheet: for each field the padded name, " : " and the value.
class TResultSetCutSheetStrings : public TResultSetStrings {
public:
    TResultSetCutSheetStrings(const TReadableEnvData& EnvData, TDataSet* DataSet);
    void AppendRecordText(std::string& Out) override;

    TStringList FieldNames;  // the padded names

protected:
    bool RecordLinesAppend() const override { return true; }
};

// The line that tells which characters of DataSet's text (labels and values)
// code page 932 could not hold, each now "?": how many, and the first few as
// code points. Empty when none was replaced or the dataset does not know.
std::string TextLossLine(const TDataSet* DataSet);
