// What the popup menu's message hook relies on: a WH_GETMESSAGE hook of the
// thread sees each message GetMessageA and PeekMessageA give back, told
// whether it was taken or only looked at, and what it changes is what the
// caller gets. The same source runs against the simulator and Wine.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kOther = WM_APP + 2;

struct Seen {
    UINT message;
    WPARAM removal; // PM_REMOVE or PM_NOREMOVE
    WPARAM wParam;
};

// What the hooks of a test saw, and what they are to do. Hooks get no
// context of their own, so the test keeps one at a time.
struct HookScript {
    std::vector<Seen> first;  // the hook installed first
    std::vector<Seen> second; // the hook installed second
    bool secondPassesOn = true;
    bool turnProbeIntoNull = false;
    bool peekInsideHook = false;
    int depth = 0;
    int deepest = 0;
};
HookScript* script = nullptr;

LRESULT CALLBACK FirstHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && msg->message >= WM_APP) {
        script->first.push_back({msg->message, wParam, msg->wParam});
        ++script->depth;
        script->deepest = std::max(script->deepest, script->depth);
        if (script->turnProbeIntoNull && msg->message == kProbe && (wParam & PM_REMOVE))
            msg->message = WM_NULL;
        if (script->peekInsideHook && msg->message == kProbe) {
            MSG other{};
            PeekMessageA(&other, nullptr, kOther, kOther, PM_NOREMOVE);
        }
        --script->depth;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK SecondHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && msg->message >= WM_APP) {
        script->second.push_back({msg->message, wParam, msg->wParam});
        msg->wParam += 100; // the callers see this
        if (!script->secondPassesOn)
            return 0;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class HookConformance : public ::testing::Test {
protected:
    void SetUp() override {
        script = &seen;
        MSG stale{};
        while (PeekMessageA(&stale, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void TearDown() override {
        if (second)
            UnhookWindowsHookEx(second);
        if (first)
            UnhookWindowsHookEx(first);
        script = nullptr;
    }
    void HookFirst() {
        first = SetWindowsHookExA(WH_GETMESSAGE, FirstHook, nullptr, GetCurrentThreadId());
        ASSERT_NE(first, nullptr);
    }
    void HookSecond() {
        second = SetWindowsHookExA(WH_GETMESSAGE, SecondHook, nullptr, GetCurrentThreadId());
        ASSERT_NE(second, nullptr);
    }

    HookScript seen;
    HHOOK first = nullptr;
    HHOOK second = nullptr;
};

} // namespace

TEST_F(HookConformance, TheHookSeesLookedAtAndTakenMessagesAndTellsThemApart) {
    HookFirst();
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 7, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, kProbe, kProbe, PM_NOREMOVE));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, kProbe, kProbe));
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 8, 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, kProbe, kProbe, PM_REMOVE));
    ASSERT_EQ(seen.first.size(), 3u);
    EXPECT_EQ(seen.first[0].removal, static_cast<WPARAM>(PM_NOREMOVE));
    EXPECT_EQ(seen.first[1].removal, static_cast<WPARAM>(PM_REMOVE));
    EXPECT_EQ(seen.first[2].removal, static_cast<WPARAM>(PM_REMOVE));
    EXPECT_EQ(seen.first[0].wParam, 7u);
    EXPECT_EQ(seen.first[2].wParam, 8u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, kProbe, kProbe, PM_REMOVE));
}

TEST_F(HookConformance, WhatTheHookChangesIsWhatTheCallerGets) {
    HookFirst();
    seen.turnProbeIntoNull = true;
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 1, 0);
    PostThreadMessageA(GetCurrentThreadId(), kOther, 2, 0);
    MSG msg{};
    // Only looked at: left as it is.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, kProbe);
    // Taken: turned into WM_NULL, and the next message follows in its turn.
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_NULL));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, kOther);
    EXPECT_EQ(msg.wParam, 2u);
}

TEST_F(HookConformance, TheLastHookRunsFirstAndPassesOnThroughCallNextHookEx) {
    HookFirst();
    HookSecond();
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 1, 0);
    MSG msg{};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, kProbe, kProbe));
    ASSERT_EQ(seen.second.size(), 1u);
    ASSERT_EQ(seen.first.size(), 1u);
    EXPECT_EQ(seen.second[0].wParam, 1u);
    EXPECT_EQ(seen.first[0].wParam, 101u); // after the second hook's change
    EXPECT_EQ(msg.wParam, 101u);

    // A hook that does not pass on keeps the message from the earlier one.
    seen.secondPassesOn = false;
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 2, 0);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, kProbe, kProbe));
    EXPECT_EQ(seen.second.size(), 2u);
    EXPECT_EQ(seen.first.size(), 1u);
    EXPECT_EQ(msg.wParam, 102u);
}

TEST_F(HookConformance, AnUnhookedHookHearsNothingMore) {
    HookFirst();
    ASSERT_TRUE(UnhookWindowsHookEx(first));
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 1, 0);
    MSG msg{};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, kProbe, kProbe));
    EXPECT_TRUE(seen.first.empty());
    EXPECT_FALSE(UnhookWindowsHookEx(first));
    first = nullptr;
}

TEST_F(HookConformance, AThreadsHookSeesOnlyItsOwnThreadsMessages) {
    HookFirst();
    std::thread other([] {
        MSG msg{};
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue
        PostThreadMessageA(GetCurrentThreadId(), kProbe, 5, 0);
        GetMessageA(&msg, nullptr, kProbe, kProbe);
    });
    other.join();
    EXPECT_TRUE(seen.first.empty());
}

TEST_F(HookConformance, AHookThatLooksAtTheQueueIsCalledForThatLookToo) {
    HookFirst();
    seen.peekInsideHook = true;
    PostThreadMessageA(GetCurrentThreadId(), kProbe, 1, 0);
    PostThreadMessageA(GetCurrentThreadId(), kOther, 2, 0);
    MSG msg{};
    ASSERT_TRUE(GetMessageA(&msg, nullptr, kProbe, kProbe));
    // The peek inside the hook went through the hook again, nested.
    ASSERT_EQ(seen.first.size(), 2u);
    EXPECT_EQ(seen.first[1].message, kOther);
    EXPECT_EQ(seen.first[1].removal, static_cast<WPARAM>(PM_NOREMOVE));
    EXPECT_EQ(seen.deepest, 2);
    ASSERT_TRUE(GetMessageA(&msg, nullptr, kOther, kOther));
}
