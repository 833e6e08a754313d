// The high-resolution performance counter: 10 MHz on the simulated clock,
// never giving the same count twice, settable and able to fail.
#include "platform/sim/script.h"
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <algorithm>

using namespace sim::detail;

namespace {

constexpr LONGLONG ticksPerMillisecond = 10000;

struct Counter {
    LONGLONG offset = 0; // the count at clock 0
    LONGLONG last = -1;  // the last count read
};

Counter& counter() {
    static auto* instance = new Counter;
    return *instance;
}

} // namespace

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (performanceCounterFails()) {
        count->QuadPart = 0;
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    auto guard = lock();
    Counter& c = counter();
    // A real counter runs on between two reads, however close.
    LONGLONG now = c.offset + static_cast<LONGLONG>(state().clock) * ticksPerMillisecond;
    c.last = std::max(c.last + 1, now);
    count->QuadPart = c.last;
    return TRUE;
}

namespace sim::detail {

void resetPerformanceCounter() {
    counter() = Counter{};
}

} // namespace sim::detail

namespace sim {

void SetPerformanceCounter(LONGLONG value) {
    auto guard = lock();
    Counter& c = counter();
    c.offset = value - static_cast<LONGLONG>(state().clock) * ticksPerMillisecond;
    c.last = value - 1;
}

} // namespace sim
