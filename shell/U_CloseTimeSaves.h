// The saves made when the program closes (the history file, the close-time
// section of the settings file). Each save is attempted even when an earlier
// one failed; the failures are collected into one message for the
// fatal-error dialog.
#pragma once
#include <functional>
#include <string>
#include <vector>

class TCloseTimeSaves {
public:
    // Name: what is saved, in the message of a failure (e.g. "履歴ファイル").
    void Add(std::string Name, std::function<void()> Save);
    // Runs every save in the order added. Returns one line per failed save
    // ("<name>の保存に失敗しました：<message>"), each ended by CR LF; empty when all
    // succeeded. Never raises.
    std::string Run() const;

private:
    struct TStep {
        std::string Name;
        std::function<void()> Save;
    };
    std::vector<TStep> FSteps;
};
