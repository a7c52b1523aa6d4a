// A dataset written into a result page's console as text: column-aligned
// text, the "|" text grid, TAB-separated or comma-separated (SDF) text, or a
// record sheet. The output is appended without repainting in blocks of 256
// records; at every block the console is painted and scrolled to its end and
// the run's stop request is answered; with a step count the active script
// page pauses every that many records.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataSet.h"
#include "I_ScriptHost.h"
#include "T_EnvData.h"
#include "U_ResultConsole.h"

class TResultTextOutput {
public:
    struct TContext {
        TResultConsole* Console = nullptr;
        const TReadableEnvData* EnvData = nullptr;
        // Records between display pauses; 0 or less: no pauses.
        int32_t StepDisplayCount = 0;
        // The active script page's pause, with its reason.
        std::function<void(const std::string&)> Pause;
        // The active script page's stop flag.
        std::function<bool()> StopRequested;
        std::function<void()> ProcessMessages;
        // Whether a block point shows the output (scrolls, paints and lets
        // pending events through); unset: every block point does. The stop
        // request is answered at every block point either way.
        std::function<bool()> ShowDue;
        // The first line (1-based) of every output, in order; the title view reads it.
        std::vector<int>* StartLines = nullptr;
    };

    // Writes DataSet in Mode (any mode but the grid; the record sheet when
    // CutSheet is set in the text mode) and frees it, however the output ends.
    // An error of the layouts reaches the caller.
    static void Show(std::unique_ptr<TDataSet> DataSet, TResultOutputMode Mode, bool CutSheet, const TContext& Ctx);

    static constexpr int BlockRecords = 256;
};

// The line written when the user stops a long output.
extern const char* const kUserBreakLine;
// "表示中断中 [StepDisplayCount:" + Count + "]"
std::string StepDisplayPauseReason(int32_t Count);
