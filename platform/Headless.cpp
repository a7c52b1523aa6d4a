#include "Headless.h"

#include <cstdio>
#include <utility>

#include "CP932.h"

namespace headless {
namespace {

bool gNoDisplay = false;
bool gFailed = false;

TErrorLineWriter& Writer() {
    static TErrorLineWriter writer;
    return writer;
}

}  // namespace

bool NoDisplay() { return gNoDisplay; }
bool SetNoDisplay(bool Value) { return std::exchange(gNoDisplay, Value); }

bool IsPlatformWithoutDisplay(std::string_view PlatformName) {
    return PlatformName == "offscreen" || PlatformName == "minimal";
}

void ErrorLine(const std::string& Text) {
    if (Writer()) {
        Writer()(Text);
        return;
    }
    std::string line = cp932::ToUtf8(Text);
    // one line break of the text's own kind (CR LF) becomes the output's
    std::string out;
    out.reserve(line.size() + 1);
    for (size_t i = 0; i < line.size(); ++i)
        if (!(line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n')) out += line[i];
    line = std::move(out) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

TErrorLineWriter SetErrorLineWriter(TErrorLineWriter W) { return std::exchange(Writer(), std::move(W)); }

bool Declined(std::string_view What) {
    if (!gNoDisplay) return false;
    ErrorLine(std::string(What) + "：画面がないため、キャンセルしました。");
    NoteFailure();
    return true;
}

void NoteFailure() { gFailed = true; }
bool AnyFailure() { return gFailed; }
void ResetFailures() { gFailed = false; }

}  // namespace headless
