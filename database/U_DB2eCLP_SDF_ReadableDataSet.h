// A read-only dataset over the files of a DB2e CLP export: the field list
// (one description per line; each becomes a text field named the line
// followed by its index) and the rows in DEL form (comma-separated; a value
// in double quotes may hold commas, blanks and line breaks, a doubled quote
// inside it stands for one quote; an empty value reads as empty text).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "StringList.h"
#include "U_KZNDataSet.h"

class TDB2eCLP_SDF_ReadableDataSet : public TKZNDataSet {
public:
    // A dataset needs its two files: raises EUnsupported.
    TDB2eCLP_SDF_ReadableDataSet();
    // Reads both files (a missing one raises EFOpenError); Open makes the fields.
    TDB2eCLP_SDF_ReadableDataSet(const std::string& FieldsFileName, const std::string& DataFileName);

    std::string FieldsFileName;
    std::string DataFileName;
    TStringList FieldLines;

    // The rows of DEL text: items separated by commas (or by blanks and
    // control bytes outside quotes), records by line breaks outside quotes;
    // blanks before an item are skipped, a comma that ends a record adds an
    // empty last item, and a line break after the last record adds none.
    // Rows[r] holds the items of record r.
    static std::vector<std::vector<std::string>> ParseRows(std::string_view Text);

protected:
    int GetRowCount() override { return static_cast<int>(FRowFirst.size()); }
    void GetRowValue(int Row, const TFieldDef& FieldDef, TVariant& Value) override;
    void SetRowValue(int Row, const TFieldDef& FieldDef, const TVariant& Value) override;
    void AppendRow(const std::vector<TVariant>& Values, int Count) override;
    void InsertRow(int Row, const std::vector<TVariant>& Values, int Count) override;
    void DeleteRow(int Row) override;
    void InternalInitFieldDefs() override;

private:
    // The item texts one after another: item i ends at FItemEnd[i] in FItems;
    // the items of row r begin at item FRowFirst[r].
    std::string FItems;
    std::vector<size_t> FItemEnd;
    std::vector<size_t> FRowFirst;
    void Parse(std::string_view Text);
    template <class Sink>
    static void Scan(std::string_view Text, Sink& sink);
};
