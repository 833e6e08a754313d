// Time for tests that run both on Windows and under the simulator. On
// Windows time is the real clock's; under the simulator it is the simulated
// clock, which stands still until a test moves it.
#pragma once

#include "platform/win32.h"

#if !defined(_WIN32)
#include "platform/sim/simulator.h"
#endif

namespace platform {

// Lets `ms` milliseconds go by while the calling thread does nothing else
// (it neither waits for messages nor answers them meanwhile).
inline void LetTimePass(DWORD ms) {
#if defined(_WIN32)
    Sleep(ms);
#else
    sim::AdvanceClock(ms);
#endif
}

// While one lives, a timed wait for messages that finds none waits in real
// time, as on Windows, instead of for a test to move the clock.
class RealTimeWaits {
public:
    RealTimeWaits() {
#if !defined(_WIN32)
        sim::SetClockFollowsRealTime(true);
#endif
    }
    ~RealTimeWaits() {
#if !defined(_WIN32)
        sim::SetClockFollowsRealTime(false);
#endif
    }
    RealTimeWaits(const RealTimeWaits&) = delete;
    RealTimeWaits& operator=(const RealTimeWaits&) = delete;
};

} // namespace platform
