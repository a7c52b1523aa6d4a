// The monotonic time that self-pacing code reads (a view shown at most so
// often, a pause between scroll steps), behind a source that can be set, so
// that such code is tested by moving the time rather than by waiting for it.
#pragma once
#include <chrono>
#include <functional>
#include <utility>

namespace timing {

using TClock = std::chrono::steady_clock;
using TTimePoint = TClock::time_point;
using TNowFunc = std::function<TTimePoint()>;

class TTimeSource {
public:
    TTimePoint Now() const { return FNow ? FNow() : TClock::now(); }
    // Installs the time to read; an empty function restores the steady clock.
    void Set(TNowFunc Now) { FNow = std::move(Now); }

private:
    TNowFunc FNow;
};

}  // namespace timing
