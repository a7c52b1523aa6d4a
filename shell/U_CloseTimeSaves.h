// The saves made when the program closes (the history file, the close-time
// section of the settings file). Each save is attempted even when an earlier
// one failed; the failures are collected into one message, shown as a save
// error.
#pragma once
#include <functional>
#include <string>
#include <vector>

class TCloseTimeSaves {
public:
    // Name: what is saved (e.g. "履歴ファイル"); FileName: where. Both stand in
    // the message of a failure.
    void Add(std::string Name, std::string FileName, std::function<void()> Save);
    // Runs every save in the order added. Returns for each failed save
    // "<name>の保存に失敗しました。[<file name>]" and its error's message, each
    // ended by CR LF; empty when all succeeded. Never raises.
    std::string Run() const;

private:
    struct TStep {
        std::string Name;
        std::string FileName;
        std::function<void()> Save;
    };
    std::vector<TStep> FSteps;
};
