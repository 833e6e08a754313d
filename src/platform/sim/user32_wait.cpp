// Timed waits for messages. Timeouts run on the simulated clock, which tests
// move with sim::AdvanceClock (that wakes every queue). A program that is not
// a test may let the clock follow real time while it waits idle.
#include "platform/sim/state.h"
#include "platform/sim/simulator.h"

#include <atomic>
#include <chrono>
#include <cstdlib>

using namespace sim::detail;

namespace {

std::atomic<int> followRealTime{-1}; // -1: not decided yet (read the environment)

bool clockFollowsRealTime() {
    int mode = followRealTime.load();
    if (mode < 0) {
        const char* env = std::getenv("STASHWELL_SIM_REALTIME");
        mode = env && *env && *env != '0' ? 1 : 0;
        followRealTime.store(mode);
    }
    return mode == 1;
}

} // namespace

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds,
                                DWORD wakeMask) {
    if (count != 0) {
        SetLastError(ERROR_INVALID_PARAMETER); // the simulator waits for messages only
        return WAIT_FAILED;
    }
    bool realTime = clockFollowsRealTime();
    auto guard = lock();
    auto own = queueOf(GetCurrentThreadId());
    DWORD start = state().clock;
    for (;;) {
        answerIncomingSent(guard);
        noteQueueLooked(*own);
        if ((wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) &&
            (!own->posted.empty() || own->quit))
            return WAIT_OBJECT_0 + count;
        DWORD elapsed = state().clock - start;
        if (milliseconds != INFINITE && elapsed >= milliseconds)
            return WAIT_TIMEOUT;
        if (realTime && milliseconds != INFINITE) {
            auto begun = std::chrono::steady_clock::now();
            ++own->waiting;
            own->wake.wait_for(guard, std::chrono::milliseconds(milliseconds - elapsed));
            --own->waiting;
            auto real = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - begun);
            if (real.count() > 0)
                sim::AdvanceClock(static_cast<DWORD>(real.count()));
        } else {
            ++own->waiting;
            own->wake.wait(guard);
            --own->waiting;
        }
    }
}

namespace sim {

void SetClockFollowsRealTime(bool on) {
    followRealTime.store(on ? 1 : 0);
}

} // namespace sim
