// Shared helpers of the socket and HTTP tests: message pumping and a clean
// simulator for each test.
#pragma once

#include "net/HttpProt.h"
#include "platform/sim/simulator.h"
#include "support/sim_fixture.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace nettest {

inline void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Pumps until `done` holds. The real-time limit only stops a failing test.
template <typename Done> bool PumpUntil(Done done, int ms = 10000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        Pump();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Moves the simulated clock while it lives, so that timeouts expire in a
// fraction of their real length.
class ClockRunner {
public:
    explicit ClockRunner(DWORD step = 1000) {
        thread_ = std::thread([this, step] {
            while (!stop_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                sim::AdvanceClock(step);
            }
        });
    }
    ~ClockRunner() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A clean simulated desktop for each test, checked as every other test's is
// once the test's own objects (sockets, clients) are gone: the checks run in
// the destructor, after those of the fixtures derived from this one.
class NetTest : public ::testing::Test {
protected:
    NetTest() {
        sim::Reset();
        Clean();
    }
    ~NetTest() override {
        Clean();
        testing_support::ExpectCleanDesktop();
    }
    static void Clean() {
        sim::ClearModuleFaults();
        sim::SetLookupCompletesEarly(false);
        sim::SetHostLookup(nullptr);
        sim::SetClockFollowsRealTime(false);
    }
};

} // namespace nettest
