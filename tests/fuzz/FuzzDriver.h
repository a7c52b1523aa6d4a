// The mutation driver of the fuzz targets: each target takes one input (a
// byte string) to a real entry point of the program, and reports a broken
// promise through Finding (which keeps the input and ends the run).
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

struct TTarget {
    const char* Name;
    bool NeedsApp;  // widgets: a QApplication is made first
    void (*Run)(const std::string& Input);
};

// Every target, in the order the scripts run them.
const std::vector<TTarget>& Targets();

// A folder of the run's own for the targets that read and write files.
const std::string& WorkFolder();

// A broken promise: the input is kept like a crash and the run ends.
[[noreturn]] void Finding(std::string_view What);
inline void Check(bool Ok, std::string_view What) {
    if (!Ok) Finding(What);
}

}  // namespace fuzz
