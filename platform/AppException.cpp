#include "AppException.h"

#include <cstdio>
#include <utility>

#include "Exception.h"

namespace app {

namespace {
TExceptionHandler& Handler() {
    static TExceptionHandler handler;
    return handler;
}
}  // namespace

TExceptionHandler SetExceptionHandler(TExceptionHandler handler) { return std::exchange(Handler(), std::move(handler)); }

void HandleException(const std::exception& e) noexcept {
    try {
        if (Handler()) {
            Handler()(e);
            return;
        }
        if (auto* ex = dynamic_cast<const Exception*>(&e))
            std::fprintf(stderr, "%s:%s\n", ex->ClassName(), ex->Message.c_str());
        else
            std::fprintf(stderr, "%s\n", e.what());
    } catch (...) {
        // The handler itself failed: the error output is the one place left
        // for the error it was given, and nothing may leave this function.
        std::fprintf(stderr, "%s\n", e.what());
    }
}

}  // namespace app
