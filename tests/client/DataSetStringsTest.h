// Helpers shared by the tests of the result-to-text formats: render a whole
// dataset in one layout the way the result page walks it.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "U_DataSetStrings.h"

namespace dsstrings_test {

enum class Layout { Text, TextGrid, CSV, TAB, Sheet };

inline const char* LayoutName(Layout l) {
    switch (l) {
    case Layout::Text: return "Text";
    case Layout::TextGrid: return "TextGrid";
    case Layout::CSV: return "CSV";
    case Layout::TAB: return "TAB";
    default: return "Sheet";
    }
}

// Takes the record lines both ways (string list and appended text) and
// checks that they agree; returns the list form.
inline std::vector<std::string> RecordLines(TResultSetStrings& layout) {
    TStringList lines;
    layout.GetRecordLines(lines);
    std::string text;
    text.assign("kept");  // appending keeps what the buffer held
    layout.AppendRecordText(text);
    EXPECT_EQ(text, "kept" + lines.Text());
    return lines.Items;
}

// Head lines and record lines of every record, as the result page writes
// them (without the page's own extras: rule lines after each text-grid
// record, empty lines between record sheets).
inline std::vector<std::string> Render(Layout kind, TDataSet& ds, const TReadableEnvData& env) {
    std::vector<std::string> out;
    std::unique_ptr<TResultSetStrings> layout;
    switch (kind) {
    case Layout::Text:
    case Layout::TextGrid: {
        auto s = std::make_unique<TResultSetSeparateStrings>(env, false, &ds);
        if (kind == Layout::TextGrid) s->SetColumnDelim('|');
        out.push_back(s->GetHeaderLine());
        out.push_back(s->GetScaleLine());
        layout = std::move(s);
        break;
    }
    case Layout::CSV: {
        auto s = std::make_unique<TResultSetCSVStrings>(env, &ds);
        out.push_back(s->GetHeaderLine());
        layout = std::move(s);
        break;
    }
    case Layout::TAB: {
        auto s = std::make_unique<TResultSetTABStrings>(env, &ds);
        out.push_back(s->GetHeaderLine());
        layout = std::move(s);
        break;
    }
    case Layout::Sheet:
        layout = std::make_unique<TResultSetCutSheetStrings>(env, &ds);
        break;
    }
    for (ds.First(); !ds.Eof(); ds.Next())
        for (auto& line : RecordLines(*layout)) out.push_back(line);
    return out;
}

// The lines of the fields ID (integer) and NAME (string) holding the records
// (1, abc) and (20, NULL), with the default settings, in every layout.
struct LayoutLines {
    Layout kind;
    std::vector<std::string> lines;
};
inline const std::vector<LayoutLines>& WorkedExampleLines() {
    static const std::vector<LayoutLines> cases = {
        {Layout::Text, {"ID NAME   ", "-- ------ ", " 1 abc    ", "20 (NULL) "}},
        {Layout::TextGrid, {"ID|NAME  |", "--|------|", " 1|abc   |", "20|(NULL)|"}},
        {Layout::CSV, {"ID,NAME", "1,abc", "20,(NULL)"}},
        {Layout::TAB, {"ID\tNAME", "1\tabc", "20\t(NULL)"}},
        {Layout::Sheet, {"ID   : 1", "NAME : abc", "ID   : 20", "NAME : (NULL)"}},
    };
    return cases;
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

}  // namespace dsstrings_test
