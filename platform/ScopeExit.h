// Cleanup that cannot be forgotten: a restore written once, run when the
// scope is left, normally or by an exception.
//
//     BeginUpdate();
//     auto end = ScopeExit([&] { EndUpdate(); });
//
// When the scope is left by an exception, an error of the cleanup itself is
// dropped, so that the first error is the one reported; when it is left
// normally, an error of the cleanup reaches the caller.
#pragma once
#include <exception>
#include <utility>

template <class F>
class TScopeExit {
public:
    explicit TScopeExit(F Cleanup) : FCleanup(std::move(Cleanup)), FUncaught(std::uncaught_exceptions()) {}
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    ~TScopeExit() noexcept(false) {
        if (!FActive) return;
        if (std::uncaught_exceptions() > FUncaught) {
            try {
                FCleanup();
            } catch (...) {
            }
        } else {
            FCleanup();
        }
    }
    // The cleanup is no longer needed.
    void Release() { FActive = false; }

private:
    F FCleanup;
    int FUncaught;
    bool FActive = true;
};

template <class F>
[[nodiscard]] TScopeExit<F> ScopeExit(F Cleanup) {
    return TScopeExit<F>(std::move(Cleanup));
}
