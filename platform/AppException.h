// What becomes of an exception that cannot reach a caller: one raised inside
// a Qt event handler, a posted message or a timer. The application installs
// a handler that shows it to the user (as "ClassName:message" for the
// system's own exceptions); until then it goes to the error output.
#pragma once
#include <exception>
#include <functional>
#include <stdexcept>

namespace app {

using TExceptionHandler = std::function<void(const std::exception&)>;

// Installs the handler and returns the one it replaced; an empty one restores the default.
TExceptionHandler SetExceptionHandler(TExceptionHandler handler);

// Hands the exception to the handler. Never throws.
void HandleException(const std::exception& e) noexcept;

// Runs f; whatever it throws goes to HandleException and stops there. For the
// code of event handlers, which no exception may leave.
template <class F>
void Guard(F&& f) noexcept {
    try {
        f();
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(std::runtime_error("unknown exception"));
    }
}

}  // namespace app
