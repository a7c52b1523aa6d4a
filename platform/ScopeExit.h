// Cleanup that cannot be forgotten: a restore written once, run when the
// scope is left, normally or by an exception.
//
//     BeginUpdate();
//     auto end = ScopeExit([&] { EndUpdate(); });
//
// ScopeFail runs its cleanup only when the scope is left by an exception:
// what a half-done step undoes before its error goes on.
//
//     TTreeNodeEx* node = Tree->Add(nullptr, name);
//     auto undo = ScopeFail([&] { Tree->Delete(node); });
//
// When the scope is left by an exception, an error of the cleanup itself goes
// to the application's exception handler (app::HandleException), so that the
// first error is the one the caller catches and neither is lost; when it is
// left normally, an error of the cleanup reaches the caller.
#pragma once
#include <exception>
#include <utility>

#include "AppException.h"

template <class F, bool OnlyOnFailure = false>
class TScopeExit {
public:
    explicit TScopeExit(F Cleanup) : FCleanup(std::move(Cleanup)), FUncaught(std::uncaught_exceptions()) {}
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    ~TScopeExit() noexcept(false) {
        if (!FActive) return;
        if (std::uncaught_exceptions() > FUncaught)
            app::Guard(FCleanup);
        else if (!OnlyOnFailure)
            FCleanup();
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

template <class F>
[[nodiscard]] TScopeExit<F, true> ScopeFail(F Cleanup) {
    return TScopeExit<F, true>(std::move(Cleanup));
}
