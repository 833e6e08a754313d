// Driving threaded timers from a test without wall-clock waits: the timer
// thread sleeps on the simulated clock; a test waits until the thread has
// begun its sleep, moves the clock, and pumps the GUI thread's messages until
// the tick it expects has run and the thread sleeps again.
//
// Move the clock only while the thread sleeps (Sleeping): a thread that has
// just been woken (a new interval, a resume) works out the rest of its sleep
// from the clock it read, and a clock moved in between would lengthen it.
#pragma once

#include "platform/sim/simulator.h"
#include "toolkit/Forms.h"

#include <chrono>
#include <functional>
#include <thread>

namespace timertest {

// A guard against a hang, not a wait: every condition a test waits for is
// reached at once unless the code under test is broken.
inline constexpr auto kHangLimit = std::chrono::seconds(20);

inline bool SpinUntil(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + kHangLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// Pumps `app`'s messages until `done` holds.
inline bool PumpUntil(tk::TApplication& app, const std::function<bool()>& done) {
    return SpinUntil([&] {
        app.ProcessMessages();
        return done();
    });
}

// Waits until `count` threads sleep on the clock and no other thread waits.
inline bool Sleeping(int count = 1) {
    return SpinUntil([count] { return sim::TimedWaits() == count && sim::Waits() == count; });
}

// Waits until `count` threads wait without end (a suspended timer thread, or
// one whose tick waits for the GUI thread) and none sleeps on the clock.
inline bool AtRest(int count = 1) {
    return SpinUntil([count] { return sim::TimedWaits() == 0 && sim::Waits() == count; });
}

} // namespace timertest
