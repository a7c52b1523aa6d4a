#include "AppException.h"

#include <cstdio>

#include "Exception.h"

namespace app {

namespace {
TExceptionHandler& Handler() {
    static TExceptionHandler handler;
    return handler;
}
}  // namespace

void SetExceptionHandler(TExceptionHandler handler) { Handler() = std::move(handler); }

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
    }
}

}  // namespace app
