// Threads beside the GUI thread: suspension, sleeping on the simulated
// clock, termination, and Synchronize handing methods to the GUI thread.
// No test sleeps: the threads wait on the simulated clock, the tests move it
// and pump messages, and wait only for a thread to reach a known state.
#include "support/sim_fixture.h"
#include "toolkit/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace tk;

namespace {

// A guard against a hang, not a wait: every condition below is reached at
// once unless the code under test is broken.
constexpr auto kHangLimit = std::chrono::seconds(20);

// Spins (yielding) until `done` holds; false when it never does.
bool SpinUntil(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + kHangLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::yield();
    }
    return true;
}

class ThreadTest : public testing_support::AppTest {
protected:
    // Pumps the GUI thread's messages until `done` holds.
    bool PumpUntil(const std::function<bool()>& done) {
        return SpinUntil([&] {
            App().ProcessMessages();
            return done();
        });
    }
};

} // namespace

TEST_F(ThreadTest, ASuspendedThreadRunsNothingUntilResumed) {
    std::atomic<int> runs{0};
    TThread thread(true, &App(), [&](TThread&) { ++runs; });
    EXPECT_TRUE(thread.Suspended());
    EXPECT_EQ(runs.load(), 0);
    thread.Resume();
    EXPECT_FALSE(thread.Suspended());
    thread.WaitFor();
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(thread.FatalException(), nullptr);
}

TEST_F(ThreadTest, AThreadTerminatedWhileSuspendedNeverRuns) {
    std::atomic<int> runs{0};
    {
        TThread thread(true, &App(), [&](TThread&) { ++runs; });
        thread.Terminate();
        thread.Resume();
        thread.WaitFor();
        EXPECT_TRUE(thread.Terminated());
    }
    EXPECT_EQ(runs.load(), 0);
}

TEST_F(ThreadTest, TheExceptionThatEndsExecuteIsKept) {
    TThread thread(false, &App(), [](TThread&) { throw std::runtime_error("broken"); });
    thread.WaitFor();
    ASSERT_NE(thread.FatalException(), nullptr);
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), std::runtime_error);
}

namespace {

// A thread that sleeps on the clock, then records where it woke.
class Sleeper : public TThread {
public:
    Sleeper(DWORD ms, TComponent* context) : TThread(true, context), ms_(ms) {}
    ~Sleeper() override {
        Terminate();
        WaitFor();
    }
    std::atomic<int> state{0}; // 1 slept to the end, 2 told to stop
    std::atomic<DWORD> wokeAt{0};

protected:
    void Execute() override {
        const bool full = Delay(ms_);
        wokeAt = GetTickCount();
        state = full ? 1 : 2;
    }

private:
    DWORD ms_;
};

} // namespace

TEST_F(ThreadTest, DelaySleepsOnTheSimulatedClock) {
    Sleeper thread(500, &App());
    thread.Resume();
    ASSERT_TRUE(SpinUntil([] { return sim::TimedWaits() == 1; }));
    sim::AdvanceClock(499);
    // Still waiting: the wait looked at the clock and went back to sleep.
    ASSERT_TRUE(SpinUntil([] { return sim::TimedWaits() == 1; }));
    EXPECT_EQ(thread.state.load(), 0);
    sim::AdvanceClock(1);
    thread.WaitFor();
    EXPECT_EQ(thread.state.load(), 1);
    EXPECT_EQ(thread.wokeAt.load(), 500u);
}

TEST_F(ThreadTest, TerminateEndsASleepAtOnce) {
    auto thread = std::make_unique<Sleeper>(1000000, &App());
    thread->Resume();
    ASSERT_TRUE(SpinUntil([] { return sim::TimedWaits() == 1; }));
    thread->Terminate();
    thread->WaitFor();
    EXPECT_EQ(thread->state.load(), 2);
    EXPECT_EQ(thread->wokeAt.load(), 0u); // the clock never moved
    EXPECT_EQ(sim::TimedWaits(), 0);
    thread.reset();
}

TEST_F(ThreadTest, SynchronizeRunsTheMethodOnTheGuiThreadAndWaitsForIt) {
    const DWORD gui = GetCurrentThreadId();
    std::atomic<DWORD> ranOn{0};
    std::atomic<int> phase{0}; // 1 asked, 2 Synchronize returned
    std::atomic<bool> result{false};
    TThread thread(false, &App(), [&](TThread& self) {
        phase = 1;
        result = self.Synchronize([&] { ranOn = GetCurrentThreadId(); });
        phase = 2;
    });
    ASSERT_TRUE(SpinUntil([&] { return phase.load() == 1; }));
    // Nothing runs the method until the GUI thread handles its messages, and
    // the thread waits for it.
    EXPECT_EQ(ranOn.load(), 0u);
    EXPECT_EQ(phase.load(), 1);
    ASSERT_TRUE(PumpUntil([&] { return phase.load() == 2; }));
    EXPECT_EQ(ranOn.load(), gui);
    EXPECT_TRUE(result.load());
    thread.WaitFor();
}

TEST_F(ThreadTest, SynchronizeOnTheGuiThreadRunsTheMethodAtOnce) {
    TThread thread(true, &App());
    int runs = 0;
    EXPECT_TRUE(thread.Synchronize([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST_F(ThreadTest, ExceptionsOfASynchronisedMethodGoToTheApplicationOnTheGuiThread) {
    const DWORD gui = GetCurrentThreadId();
    DWORD handledOn = 0;
    std::string message;
    App().OnException = [&](const std::exception& error) {
        handledOn = GetCurrentThreadId();
        message = error.what();
    };
    std::atomic<bool> done{false}, result{false}, escaped{false};
    TThread thread(false, &App(), [&](TThread& self) {
        try {
            result = self.Synchronize([] { throw Exception("step failed"); });
        } catch (...) {
            escaped = true;
        }
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    EXPECT_EQ(handledOn, gui);
    EXPECT_EQ(message, "step failed");
    EXPECT_TRUE(result.load()); // the method ran
    EXPECT_FALSE(escaped.load());
    thread.WaitFor();
}

TEST_F(ThreadTest, WithoutAnApplicationTheExceptionComesBackToTheThread) {
    std::atomic<bool> done{false}, escaped{false};
    TThread thread(false, nullptr, [&](TThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("no one to tell"); });
        } catch (const std::runtime_error&) {
            escaped = true;
        }
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    EXPECT_TRUE(escaped.load());
    thread.WaitFor();
}

TEST_F(ThreadTest, DestroyingTheThreadWhileASynchronizeWaitsDoesNotHang) {
    std::atomic<int> phase{0};
    std::atomic<bool> result{true};
    int runs = 0;
    auto thread = std::make_unique<TThread>(false, &App(), [&](TThread& self) {
        phase = 1;
        result = self.Synchronize([&] { ++runs; });
        phase = 2;
    });
    ASSERT_TRUE(SpinUntil([&] { return phase.load() == 1; }));
    thread.reset(); // the GUI thread never pumped
    EXPECT_EQ(phase.load(), 2);
    EXPECT_FALSE(result.load());
    // The request that was posted no longer runs.
    App().ProcessMessages();
    EXPECT_EQ(runs, 0);
}

TEST_F(ThreadTest, SynchronizeGivesUpWhenTheGuiSideIsGone) {
    std::atomic<int> phase{0};
    std::atomic<bool> result{true};
    TThread thread(false, &App(), [&](TThread& self) {
        phase = 1;
        result = self.Synchronize([] { ADD_FAILURE() << "ran without a GUI side"; });
        phase = 2;
        // Asked again later, it does not wait at all.
        if (self.Synchronize([] { ADD_FAILURE() << "ran without a GUI side"; }))
            result = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return phase.load() == 1; }));
    // The hidden window that takes the requests goes with its GUI side,
    // while the thread waits for it.
    HWND window = FindWindowA("TThreadSyncWindow", nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(DestroyWindow(window));
    thread.WaitFor();
    EXPECT_EQ(phase.load(), 2);
    EXPECT_FALSE(result.load());
}

TEST_F(ThreadTest, ATerminatedThreadSynchronizesNoMore) {
    std::atomic<bool> result{true};
    TThread thread(true, &App(), [&](TThread& self) {
        self.Terminate();
        result = self.Synchronize([] { ADD_FAILURE() << "ran after Terminate"; });
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_FALSE(result.load());
}

// Kernel events in the simulator: their timed waits run on the simulated
// clock.
TEST_F(ThreadTest, EventsWaitOnTheSimulatedClock) {
    HANDLE autoReset = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(autoReset, nullptr);
    ASSERT_NE(manual, nullptr);

    // A manual-reset event stays set; an auto-reset one lets one wait through.
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(SetEvent(autoReset));
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT);

    // A timed wait ends when the clock passes its time, or when set.
    std::atomic<DWORD> first{0xFFFF}, second{0xFFFF};
    std::thread waiter([&] {
        first = WaitForSingleObject(autoReset, 300);
        second = WaitForSingleObject(autoReset, INFINITE);
    });
    ASSERT_TRUE(SpinUntil([] { return sim::TimedWaits() == 1; }));
    sim::AdvanceClock(299);
    ASSERT_TRUE(SpinUntil([] { return sim::TimedWaits() == 1; }));
    EXPECT_EQ(first.load(), 0xFFFFu);
    sim::AdvanceClock(1);
    ASSERT_TRUE(SpinUntil([&] { return first.load() != 0xFFFF; }));
    EXPECT_EQ(first.load(), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(sim::TimedWaits(), 0); // an endless wait is not a timed one
    SetEvent(autoReset);
    waiter.join();
    EXPECT_EQ(second.load(), WAIT_OBJECT_0);

    EXPECT_TRUE(CloseHandle(autoReset));
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_FALSE(SetEvent(autoReset));
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_FAILED);
}
