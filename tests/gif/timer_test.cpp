// The threaded timer: its thread sleeps the interval on the simulated clock
// and hands each tick to the GUI thread; it is kept suspended while there is
// nothing to tick for, and ends cleanly with the timer.
#include "gif/JvTimer.h"
#include "gif/timer_support.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

using namespace timertest;

namespace {

class Timer : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        gui = GetCurrentThreadId();
        timer = new TJvTimer(&App());
    }
    void TearDown() override {
        tk::Free(timer);
        EXPECT_EQ(sim::Waits(), 0);
        AppTest::TearDown();
    }

    // A handler that counts ticks and notes the clock and thread of each.
    void Count() {
        timer->SetOnTimer([this](tk::TComponent* sender) {
            EXPECT_EQ(sender, timer);
            threads.push_back(GetCurrentThreadId());
            times.push_back(sim::Now());
            ++ticks;
        });
    }
    // Moves the clock and lets the tick that comes due run; the thread is
    // asleep again afterwards.
    bool StepTo(int expectedTicks, DWORD ms) {
        sim::AdvanceClock(ms);
        return PumpUntil(App(), [&] { return ticks.load() == expectedTicks; }) && Sleeping(1);
    }
    // Nothing more comes: the thread sleeps on or is suspended, and the
    // queue holds no tick.
    void ExpectNoTick(int ticksSoFar) {
        App().ProcessMessages();
        EXPECT_EQ(ticks.load(), ticksSoFar);
    }

    TJvTimer* timer = nullptr;
    DWORD gui = 0;
    std::atomic<int> ticks{0};
    std::vector<DWORD> threads;
    std::vector<DWORD> times;
};

} // namespace

TEST_F(Timer, DefaultsAndNoThreadWithoutAHandler) {
    EXPECT_TRUE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 1000u);
    EXPECT_TRUE(timer->Threaded());
    EXPECT_TRUE(timer->SyncEvent());
    EXPECT_FALSE(timer->OnTimer());
    EXPECT_TRUE(timer->Thread().Suspended());
    sim::AdvanceClock(5000);
    EXPECT_EQ(sim::Waits(), 0);
}

TEST_F(Timer, TicksOnTheGuiThreadOncePerInterval) {
    Count();
    EXPECT_FALSE(timer->Thread().Suspended());
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(999);
    ASSERT_TRUE(Sleeping(1));
    ExpectNoTick(0);
    ASSERT_TRUE(StepTo(1, 1));
    ASSERT_TRUE(StepTo(2, 1000));
    EXPECT_EQ(times, (std::vector<DWORD>{1000, 2000}));
    EXPECT_EQ(threads, (std::vector<DWORD>{gui, gui}));
}

TEST_F(Timer, ANewIntervalTakesEffectWithTheNextSleep) {
    Count();
    ASSERT_TRUE(Sleeping(1));
    timer->SetInterval(300);
    EXPECT_EQ(timer->Interval(), 300u);
    ASSERT_TRUE(Sleeping(1));
    // The sleep that runs ends after the old interval.
    sim::AdvanceClock(300);
    ASSERT_TRUE(Sleeping(1));
    ExpectNoTick(0);
    ASSERT_TRUE(StepTo(1, 700));
    ASSERT_TRUE(StepTo(2, 300));
    EXPECT_EQ(times, (std::vector<DWORD>{1000, 1300}));
}

TEST_F(Timer, DisabledOrZeroIntervalKeepsTheThreadSuspended) {
    Count();
    ASSERT_TRUE(Sleeping(1));
    timer->SetEnabled(false);
    EXPECT_TRUE(timer->Thread().Suspended());
    // The sleep that was running ends without a tick.
    sim::AdvanceClock(1000);
    ASSERT_TRUE(AtRest());
    ExpectNoTick(0);
    sim::AdvanceClock(10000);
    ExpectNoTick(0);

    // Enabled again, it waits a whole interval first.
    timer->SetEnabled(true);
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(999);
    ASSERT_TRUE(Sleeping(1));
    ExpectNoTick(0);
    ASSERT_TRUE(StepTo(1, 1));
    EXPECT_EQ(times, (std::vector<DWORD>{12000}));

    timer->SetInterval(0);
    EXPECT_TRUE(timer->Thread().Suspended());
    sim::AdvanceClock(1000);
    ASSERT_TRUE(AtRest());
    ExpectNoTick(1);

    timer->SetInterval(50);
    timer->SetOnTimer(nullptr); // no handler: nothing to tick for either
    EXPECT_TRUE(timer->Thread().Suspended());
    Count();
    ASSERT_TRUE(Sleeping(1));
    ASSERT_TRUE(StepTo(2, 50));
}

TEST_F(Timer, AStoppedTimerDropsATickThatWasAlreadyOnItsWay) {
    Count();
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(1000);
    // The thread has handed the tick over; the timer stops before the GUI
    // thread gets to it.
    MSG msg;
    ASSERT_TRUE(SpinUntil([&] { return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0; }));
    timer->SetEnabled(false);
    App().ProcessMessages();
    ASSERT_TRUE(AtRest());
    ExpectNoTick(0);
}

TEST_F(Timer, WithoutTheSynchroniseFlagTheHandlerRunsOnTheTimerThread) {
    std::vector<std::string> reported;
    App().OnException = [&](const std::exception& error) {
        EXPECT_EQ(GetCurrentThreadId(), gui);
        reported.push_back(error.what());
    };
    std::atomic<DWORD> ranOn{0};
    timer->SetSyncEvent(false);
    timer->SetOnTimer([&](tk::TComponent*) {
        ranOn = GetCurrentThreadId();
        const int tick = ++ticks;
        if (tick == 1)
            throw tk::EAbort("silent");
        if (tick == 2)
            throw std::runtime_error("tick failed");
    });
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(1000);
    // Runs without the GUI thread's help; the abort is not reported.
    ASSERT_TRUE(SpinUntil([&] { return ticks.load() == 1; }));
    ASSERT_TRUE(Sleeping(1));
    EXPECT_NE(ranOn.load(), gui);
    App().ProcessMessages();
    EXPECT_TRUE(reported.empty());
    // Any other exception is reported on the GUI thread.
    sim::AdvanceClock(1000);
    ASSERT_TRUE(PumpUntil(App(), [&] { return reported.size() == 1; }));
    EXPECT_EQ(reported[0], "tick failed");
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(1000);
    ASSERT_TRUE(SpinUntil([&] { return ticks.load() == 3; }));
}

TEST_F(Timer, ExceptionsOfASynchronisedTickGoToTheApplication) {
    std::vector<std::string> reported;
    App().OnException = [&](const std::exception& error) {
        reported.push_back(error.what());
    };
    timer->SetOnTimer([&](tk::TComponent*) {
        ++ticks;
        throw std::runtime_error("boom");
    });
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(1000);
    ASSERT_TRUE(PumpUntil(App(), [&] { return reported.size() == 1; }));
    EXPECT_EQ(reported[0], "boom");
    // The thread goes on.
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(1000);
    ASSERT_TRUE(PumpUntil(App(), [&] { return reported.size() == 2; }));
}

TEST_F(Timer, NoTicksOnceTheApplicationIsEnding) {
    Count();
    ASSERT_TRUE(Sleeping(1));
    App().Terminate();
    App().ProcessMessages();
    ASSERT_TRUE(App().Terminated());
    sim::AdvanceClock(1000);
    // The thread hands the tick over and goes back to sleep; the tick does nothing.
    ASSERT_TRUE(PumpUntil(App(), [] { return sim::TimedWaits() == 1 && sim::Waits() == 1; }));
    ExpectNoTick(0);
}

TEST_F(Timer, NotThreadedItTicksFromAWindowTimerAndTheThreadStaysSuspended) {
    timer->SetThreaded(false);
    timer->SetInterval(250);
    Count();
    EXPECT_TRUE(timer->Thread().Suspended());
    EXPECT_EQ(sim::Waits(), 0); // never started
    sim::AdvanceClock(250);
    App().ProcessMessages();
    EXPECT_EQ(ticks.load(), 1);
    EXPECT_EQ(threads, (std::vector<DWORD>{gui}));
    timer->SetEnabled(false);
    sim::AdvanceClock(1000);
    App().ProcessMessages();
    EXPECT_EQ(ticks.load(), 1);

    // Threaded again: the thread takes over.
    timer->SetEnabled(true);
    timer->SetThreaded(true);
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(250);
    ASSERT_TRUE(PumpUntil(App(), [&] { return ticks.load() == 2; }));
}

TEST_F(Timer, DestroyedWhileItsThreadSleeps) {
    Count();
    ASSERT_TRUE(Sleeping(1));
    tk::Free(timer);
    timer = nullptr;
    EXPECT_EQ(sim::Waits(), 0);
    sim::AdvanceClock(1000);
    App().ProcessMessages();
    EXPECT_EQ(ticks.load(), 0);
}

TEST_F(Timer, DestroyedWhileATickWaitsForTheGuiThread) {
    Count();
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(1000);
    MSG msg;
    ASSERT_TRUE(SpinUntil([&] { return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0; }));
    tk::Free(timer); // the thread waits in Synchronize: it is let go
    timer = nullptr;
    App().ProcessMessages();
    EXPECT_EQ(ticks.load(), 0);
}

TEST_F(Timer, DestroyedFromItsOwnTick) {
    // The handler frees the timer: the thread it runs for is let go, and the
    // tick ends normally.
    timer->SetOnTimer([this](tk::TComponent*) {
        ++ticks;
        tk::Free(timer);
        timer = nullptr;
    });
    ASSERT_TRUE(Sleeping(1));
    sim::AdvanceClock(1000);
    ASSERT_TRUE(PumpUntil(App(), [&] { return ticks.load() == 1; }));
    EXPECT_EQ(timer, nullptr);
    sim::AdvanceClock(1000);
    App().ProcessMessages();
    EXPECT_EQ(ticks.load(), 1);
}
