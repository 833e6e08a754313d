// A quit request waiting in the thread's queue, as the banner looks for it
// without taking it. The same source runs against the simulator and, built
// for Windows, against Wine.
#include "platform/win32.h"

#include <gtest/gtest.h>

namespace {

TEST(QuitRequest, APeekForItLeavesItWaitingBehindPostedMessages) {
    MSG msg{};
    ASSERT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    PostQuitMessage(7);
    PostMessageA(nullptr, WM_USER + 5, 0, 0);
    // Found by its own filter, though another message waits before it...
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    // ...and still there for the loop, after the posted message.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

} // namespace
