// Timed waits for messages. Timeouts run on the simulated clock, which tests
// move with sim::AdvanceClock (that wakes every queue). A program that is not
// a test may let the clock follow real time while it waits idle.
#include "platform/sim/state.h"
#include "platform/sim/simulator.h"

#include <algorithm>
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
    DWORD self = GetCurrentThreadId();
    auto own = queueOf(self);
    DWORD start = state().clock;
    for (;;) {
        // A call sent from another thread ends the wait when asked for; the
        // next look at the queue answers it. Otherwise it is answered here,
        // so that two threads never block each other.
        if (!own->sent.empty() && (wakeMask & QS_SENDMESSAGE))
            return WAIT_OBJECT_0 + count;
        answerIncomingSent(guard);
        noteQueueLooked(*own);
        if ((wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) &&
            (!own->posted.empty() || own->quit))
            return WAIT_OBJECT_0 + count;
        MSG owed{};
        if (syntheticMessage(self, owed, false) &&
            (owed.message == WM_TIMER ? (wakeMask & QS_TIMER) : (wakeMask & QS_PAINT)))
            return WAIT_OBJECT_0 + count;
        DWORD elapsed = state().clock - start;
        if (milliseconds != INFINITE && elapsed >= milliseconds)
            return WAIT_TIMEOUT;
        if (idleTurn(guard))
            continue;
        if (realTime) {
            // Until the time is up or the first timer falls due, whichever comes first.
            DWORD wait = milliseconds == INFINITE ? INFINITE : milliseconds - elapsed;
            if (auto due = nextTimerDue(self); due && (wakeMask & QS_TIMER))
                wait = std::min(wait, *due);
            if (wait == INFINITE) {
                ++own->waiting;
                own->wake.wait(guard);
                --own->waiting;
                continue;
            }
            auto begun = std::chrono::steady_clock::now();
            ++own->waiting;
            own->wake.wait_for(guard, std::chrono::milliseconds(wait));
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
