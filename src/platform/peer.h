// Another program on the same desktop, for tests that need one: its code runs
// on a thread of its own, which under the simulator also belongs to a
// simulated task of its own (on Windows a second thread already counts as
// another clipboard user).
#pragma once

#include "platform/win32.h"

#include <chrono>
#include <functional>
#include <thread>

#if !defined(_WIN32)
#include "platform/sim/simulator.h"
#endif

namespace platform {

inline std::thread StartOtherProgram(std::function<void()> body) {
#if defined(_WIN32)
    return std::thread(std::move(body));
#else
    int task = sim::CreateTask("C:\\Program Files\\Peer\\peer.exe");
    return std::thread([task, body = std::move(body)] {
        sim::TaskScope as(task);
        body();
    });
#endif
}

// Lets `milliseconds` pass on a thread that is busy with something else and
// does not look at its messages: real time on Windows; here the simulated
// clock, which every timeout of the simulator follows.
inline void BusyFor(DWORD milliseconds) {
#if defined(_WIN32)
    Sleep(milliseconds);
#else
    sim::AdvanceClock(milliseconds);
    std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the others get their turn
#endif
}

} // namespace platform
