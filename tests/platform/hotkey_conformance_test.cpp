// What the program relies on from global hot keys: a combination held by any
// window cannot be taken by another, and the same window and identifier may
// register again for another combination, which frees the old one. The same
// source runs against the simulator and, built for Windows, against Wine.
#include "conformance_support.h"

#include <gtest/gtest.h>

namespace {

// Combinations that nothing else on a desktop is likely to hold.
constexpr UINT kAll = MOD_CONTROL | MOD_ALT | MOD_SHIFT;

class HotKeyConformance : public ::testing::Test {
protected:
    void SetUp() override {
        first = conformance::NewRecorder("first");
        second = conformance::NewRecorder("second");
        ASSERT_TRUE(first && second);
    }
    void TearDown() override {
        UnregisterHotKey(first, 1);
        UnregisterHotKey(second, 1);
        UnregisterHotKey(second, 2);
        DestroyWindow(first);
        DestroyWindow(second);
    }
    HWND first = nullptr;
    HWND second = nullptr;
};

} // namespace

TEST_F(HotKeyConformance, AHeldCombinationIsRefusedToOthers) {
    ASSERT_TRUE(RegisterHotKey(first, 1, kAll, VK_F10));
    SetLastError(0);
    EXPECT_FALSE(RegisterHotKey(second, 1, kAll, VK_F10));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
    // Also to the same window under another identifier.
    EXPECT_FALSE(RegisterHotKey(first, 2, kAll, VK_F10));
    // Another modifier makes another combination.
    EXPECT_TRUE(RegisterHotKey(second, 1, MOD_CONTROL | MOD_ALT, VK_F10));
    // Freed, it can be taken.
    EXPECT_TRUE(UnregisterHotKey(first, 1));
    EXPECT_TRUE(RegisterHotKey(second, 2, kAll, VK_F10));
    EXPECT_FALSE(UnregisterHotKey(first, 1)); // nothing left to free
}

TEST_F(HotKeyConformance, RegisteringAgainReplacesTheCombination) {
    ASSERT_TRUE(RegisterHotKey(first, 1, kAll, VK_F10));
    // The same combination again on the same window and identifier is
    // refused as well, and the registration stands.
    SetLastError(0);
    EXPECT_FALSE(RegisterHotKey(first, 1, kAll, VK_F10));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
    EXPECT_FALSE(RegisterHotKey(second, 1, kAll, VK_F10));
    EXPECT_TRUE(RegisterHotKey(first, 1, kAll, VK_F24));
    // The first combination is free again; the new one is held.
    EXPECT_TRUE(RegisterHotKey(second, 1, kAll, VK_F10));
    EXPECT_FALSE(RegisterHotKey(second, 2, kAll, VK_F24));
    EXPECT_TRUE(UnregisterHotKey(first, 1));
    EXPECT_TRUE(RegisterHotKey(second, 2, kAll, VK_F24));
}

TEST_F(HotKeyConformance, AWindowThatGoesAwayGivesItsCombinationBack) {
    HWND passing = conformance::NewRecorder("passing");
    ASSERT_TRUE(RegisterHotKey(passing, 1, kAll, VK_F1));
    DestroyWindow(passing);
    EXPECT_TRUE(RegisterHotKey(second, 1, kAll, VK_F1));
}
