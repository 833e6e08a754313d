// What the program's timers rely on: SetTimer and KillTimer on a window,
// WM_TIMER that comes once however many periods went by, after the messages
// posted meanwhile, and no more once the timer or its window is gone. The
// same source runs against the simulator and, built for Windows, against Wine.
#include "conformance_support.h"
#include "platform/peer_time.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using conformance::Journal;
using Lines = std::vector<std::string>;

namespace {

class TimerConformance : public ::testing::Test {
protected:
    void SetUp() override {
        conformance::Pump();
        w = conformance::NewRecorder("t");
        ASSERT_NE(w, nullptr);
        Journal::Get().Watch({WM_TIMER, WM_USER});
    }
    void TearDown() override {
        Journal::Get().Watch({});
        if (IsWindow(w))
            DestroyWindow(w);
        conformance::Pump();
    }
    // The WM_TIMER messages waiting now, by identifier, taken off the queue.
    std::vector<UINT_PTR> TakeTimers() {
        std::vector<UINT_PTR> ids;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            if (msg.hwnd == w)
                ids.push_back(msg.wParam);
        return ids;
    }
    HWND w = nullptr;
};

} // namespace

TEST_F(TimerConformance, ATimerFallsDueAfterItsPeriod) {
    EXPECT_EQ(SetTimer(w, 7, 50, nullptr), 7u);
    EXPECT_TRUE(TakeTimers().empty()); // not yet
    platform::LetTimePass(80);
    EXPECT_EQ(TakeTimers(), (std::vector<UINT_PTR>{7}));
    // Taken, the next one comes a period later.
    EXPECT_TRUE(TakeTimers().empty());
    platform::LetTimePass(80);
    EXPECT_EQ(TakeTimers(), (std::vector<UINT_PTR>{7}));
    EXPECT_TRUE(KillTimer(w, 7));
    platform::LetTimePass(80);
    EXPECT_TRUE(TakeTimers().empty());
    EXPECT_FALSE(KillTimer(w, 7)); // gone already
}

TEST_F(TimerConformance, MissedPeriodsComeAsOneMessage) {
    ASSERT_EQ(SetTimer(w, 1, 20, nullptr), 1u);
    platform::LetTimePass(200); // ten periods
    EXPECT_EQ(TakeTimers(), (std::vector<UINT_PTR>{1}));
    KillTimer(w, 1);
}

TEST_F(TimerConformance, PostedMessagesComeBeforeTheTimer) {
    ASSERT_EQ(SetTimer(w, 1, 20, nullptr), 1u);
    platform::LetTimePass(60);
    PostMessageA(w, WM_USER, 0, 0);
    conformance::Pump();
    EXPECT_EQ(Journal::Get().Take(), (Lines{"t WM_USER", "t WM_TIMER(1)"}));
    KillTimer(w, 1);
}

TEST_F(TimerConformance, SettingAgainRestartsTheTimer) {
    ASSERT_EQ(SetTimer(w, 3, 50, nullptr), 3u);
    platform::LetTimePass(40);
    ASSERT_EQ(SetTimer(w, 3, 50, nullptr), 3u); // starts over
    platform::LetTimePass(25);
    EXPECT_TRUE(TakeTimers().empty());
    platform::LetTimePass(60);
    EXPECT_EQ(TakeTimers(), (std::vector<UINT_PTR>{3}));
    // Two identifiers are two timers.
    ASSERT_EQ(SetTimer(w, 4, 30, nullptr), 4u);
    platform::LetTimePass(80);
    auto ids = TakeTimers();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<UINT_PTR>{3, 4}));
    KillTimer(w, 3);
    KillTimer(w, 4);
}

TEST_F(TimerConformance, KillingADueTimerTakesItsMessageAway) {
    ASSERT_EQ(SetTimer(w, 2, 20, nullptr), 2u);
    platform::LetTimePass(60);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, w, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_TRUE(KillTimer(w, 2));
    EXPECT_FALSE(PeekMessageA(&msg, w, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(TimerConformance, ATimerDiesWithItsWindow) {
    ASSERT_EQ(SetTimer(w, 5, 20, nullptr), 5u);
    platform::LetTimePass(60);
    ASSERT_TRUE(DestroyWindow(w));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    platform::LetTimePass(60);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(KillTimer(w, 5));
    // No timer for a window that does not exist (the error is
    // ERROR_INVALID_WINDOW_HANDLE on Windows, ERROR_INVALID_HANDLE on Wine;
    // the program only sees that it failed).
    EXPECT_EQ(SetTimer(w, 6, 20, nullptr), 0u);
}
