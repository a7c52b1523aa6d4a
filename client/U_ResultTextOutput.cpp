#include "U_ResultTextOutput.h"

#include "U_DataSetStrings.h"

const char* const kUserBreakLine = "■■■ユーザーによる中断■■■";

std::string StepDisplayPauseReason(int32_t Count) {
    return "表示中断中 [StepDisplayCount:" + std::to_string(Count) + "]";
}

namespace {

// Begin and end of the console's update mode, ended however the output ends.
class TUpdateScope {
public:
    explicit TUpdateScope(TResultConsole& C) : Console(C) { Begin(); }
    ~TUpdateScope() { End(); }
    void Begin() {
        if (!Active) Console.BeginUpdate(), Active = true;
    }
    void End() {
        if (Active) Console.EndUpdate(), Active = false;
    }

private:
    TResultConsole& Console;
    bool Active = false;
};

}  // namespace

void TResultTextOutput::Show(std::unique_ptr<TDataSet> DataSet, TResultOutputMode Mode, bool CutSheet,
                             const TContext& Ctx) {
    if (!DataSet || !DataSet->Active()) return;
    TResultConsole& console = *Ctx.Console;
    const TReadableEnvData& env = *Ctx.EnvData;
    auto stopRequested = [&] { return Ctx.StopRequested && Ctx.StopRequested(); };
    auto processMessages = [&] {
        if (Ctx.ProcessMessages) Ctx.ProcessMessages();
    };

    // 1. The layout.
    std::unique_ptr<TResultSetStrings> layout;
    TResultSetSeparateStrings* columns = nullptr;
    const bool sheet = Mode == rom_Text && CutSheet;
    if ((Mode == rom_Text && !CutSheet) || Mode == rom_TextGrid) {
        auto c = std::make_unique<TResultSetSeparateStrings>(env, false, DataSet.get(), [&] {
            processMessages();
            return stopRequested();
        });
        // The grid's own column rule; the settings keep theirs.
        if (Mode == rom_TextGrid) c->SetColumnDelim('|');
        columns = c.get();
        layout = std::move(c);
    } else if (sheet) {
        layout = std::make_unique<TResultSetCutSheetStrings>(env, DataSet.get());
    } else if (Mode == rom_SDF) {
        layout = std::make_unique<TResultSetCSVStrings>(env, DataSet.get());
    } else if (Mode == rom_Tab) {
        layout = std::make_unique<TResultSetTABStrings>(env, DataSet.get());
    } else {
        return;  // the grid mode is the result page's own
    }

    // 2. The head lines.
    if (Ctx.StartLines) Ctx.StartLines->push_back(console.LineCount() + 1);
    std::string rule;
    if (columns) {
        console.AddLine(columns->GetHeaderLine());
        rule = columns->GetScaleLine();
        console.AddLine(rule);
    } else if (Mode == rom_SDF) {
        console.AddLine(static_cast<TResultSetCSVStrings&>(*layout).GetHeaderLine());
    } else if (Mode == rom_Tab) {
        console.AddLine(static_cast<TResultSetTABStrings&>(*layout).GetHeaderLine());
    }
    if (Mode == rom_TextGrid) rule += "\r\n";

    // 3. and 4. The records, in blocks.
    DataSet->First();
    TUpdateScope update(console);
    std::string block;
    auto flush = [&] {
        if (block.empty()) return;
        console.AddText(block);
        block.clear();
    };
    bool stepStop = false;
    int n = 0;
    while (!DataSet->Eof()) {
        ++n;
        if (sheet && n > 1) block += "\r\n";
        layout->AppendRecordText(block);
        if (Mode == rom_TextGrid) block += rule;

        if (Ctx.StepDisplayCount > 0 && n % Ctx.StepDisplayCount == 0 && Ctx.Pause) {
            // The pause shows everything written so far.
            flush();
            update.End();
            console.ScrollToEnd();
            Ctx.Pause(StepDisplayPauseReason(Ctx.StepDisplayCount));
            if (stopRequested()) {
                stepStop = true;
                break;
            }
            update.Begin();
        }
        DataSet->Next();
        if (n % BlockRecords == 0) {
            flush();
            const bool show = !Ctx.ShowDue || Ctx.ShowDue();
            if (show) {
                console.ScrollToEnd();
                update.End();
            }
            if (stopRequested()) {
                console.AddLine(kUserBreakLine);
                break;
            }
            if (show) {
                processMessages();
                update.Begin();
            }
        }
    }
    flush();

    // 5. A closing empty line for the separated texts.
    if ((Mode == rom_SDF || Mode == rom_Tab) && !stepStop) console.AddLine("");
    // 6. Layout and dataset are freed on leaving, update mode ends.
    layout.reset();
    DataSet.reset();
}
