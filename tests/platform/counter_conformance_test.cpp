// The high-resolution performance counter, as the banner's choice seeds
// from it. The same source runs against the simulator and, built for
// Windows, against Wine.
#include "platform/win32.h"

#include <gtest/gtest.h>

namespace {

TEST(PerformanceCounter, SucceedsAndRunsForward) {
    LARGE_INTEGER first{};
    ASSERT_TRUE(QueryPerformanceCounter(&first));
    EXPECT_EQ(first.LowPart, static_cast<DWORD>(first.QuadPart & 0xFFFFFFFF));
    LARGE_INTEGER previous = first;
    LARGE_INTEGER now{};
    bool moved = false;
    // It never goes back, and it moves on within a few reads.
    for (int i = 0; i < 1000000 && !moved; ++i) {
        ASSERT_TRUE(QueryPerformanceCounter(&now));
        ASSERT_GE(now.QuadPart, previous.QuadPart);
        moved = now.QuadPart > first.QuadPart;
        previous = now;
    }
    EXPECT_TRUE(moved);
}

} // namespace
