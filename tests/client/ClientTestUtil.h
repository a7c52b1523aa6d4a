// Shared by the client tests: a console that keeps its lines, and the test
// command #Say.
#pragma once
#include <string>
#include <vector>

#include "Exception.h"
#include "U_Command.h"
#include "U_ResultConsole.h"

namespace clienttest {

// The console: its lines; the update depth and the line count at every end of an update.
class TLinesConsole : public TResultConsole {
public:
    void AddLine(const std::string& S) override { Lines.Add(S); }
    void Clear() override { Lines.Clear(); }
    TStringList GetLines() const override { return Lines; }
    int LineCount() const override { return Lines.Count(); }
    void DeleteLine(int Index) override { Lines.Delete(Index); }
    void CaretToEnd() override {}
    void SetCol(int) override {}
    void ScrollCaretIntoView() override {}
    void ScrollToEnd() override {
        if (FailScrolls > 0 && --FailScrolls == 0) throw EConvertError("console failure");
    }
    // Lines longer than Width bytes are cut.
    void FormatLinesToWidth(const std::string& Text, TStringList& Out) override {
        Out.Clear();
        for (const std::string& line : TStringList(Text).Items) {
            size_t at = 0;
            do {
                Out.Add(line.substr(at, Width));
                at += Width;
            } while (at < line.size());
        }
    }
    void BeginUpdate() override { ++Depth; }
    void EndUpdate() override {
        --Depth;
        Painted.push_back(Lines.Count());
    }

    TStringList Lines;
    size_t Width = 40;
    int FailScrolls = 0;  // the n-th scroll from now raises
    int Depth = 0;
    std::vector<int> Painted;
};

}  // namespace clienttest

// #Say a b: writes its parameters, one per line.
class TzSay : public TNativCommand {
public:
    using TNativCommand::TNativCommand;
    void Execute() override {
        for (auto& p : Params)
            if (!p.empty()) Output.Add(p);
    }
};
extern const TCommandClass TzSay_Class;
