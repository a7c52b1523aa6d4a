#include "Reentrancy.h"

#include <utility>
#include <vector>

#include <QPointer>

namespace reentry {
namespace {

int g_depth = 0;
bool g_terminating = false;
std::vector<QPointer<QObject>>& Pending() {
    static std::vector<QPointer<QObject>> pending;
    return pending;
}

}  // namespace

TBusyGuard::TBusyGuard() { ++g_depth; }

TBusyGuard::~TBusyGuard() {
    if (--g_depth > 0) return;
    g_depth = 0;
    std::vector<QPointer<QObject>> due;
    due.swap(Pending());
    for (auto& p : due)
        if (p) p->deleteLater();
}

int BusyDepth() { return g_depth; }

void FreeWhenIdle(QObject* Object) {
    if (!Object) return;
    if (g_depth == 0) {
        delete Object;
        return;
    }
    if (!IsFreePending(Object)) Pending().emplace_back(Object);
}

bool IsFreePending(const QObject* Object) {
    for (const auto& p : Pending())
        if (p.data() == Object) return true;
    return false;
}

bool Terminating() { return g_terminating; }
bool SetTerminating(bool Value) { return std::exchange(g_terminating, Value); }

}  // namespace reentry
