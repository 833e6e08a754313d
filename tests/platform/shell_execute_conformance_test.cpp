// ShellExecuteExA as the banner's click uses it: the record's layout, and an
// address that no program is registered for. The same source runs against
// the simulator and, built for Windows, against Wine. (The simulator is
// stricter than Wine in one rule, said in simulator.h: it refuses a record
// whose size is not this build's, which Wine reads whatever its size.)
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

TEST(ShellOpen, TheRecordHasThePlatformsLayout) {
    if (sizeof(void*) == 8) {
        EXPECT_EQ(sizeof(SHELLEXECUTEINFOA), 112u);
        EXPECT_EQ(offsetof(SHELLEXECUTEINFOA, hwnd), 8u);
        EXPECT_EQ(offsetof(SHELLEXECUTEINFOA, lpFile), 24u);
        EXPECT_EQ(offsetof(SHELLEXECUTEINFOA, nShow), 48u);
        EXPECT_EQ(offsetof(SHELLEXECUTEINFOA, hInstApp), 56u);
        EXPECT_EQ(offsetof(SHELLEXECUTEINFOA, hProcess), 104u);
    } else {
        EXPECT_EQ(sizeof(SHELLEXECUTEINFOA), 60u);
        EXPECT_EQ(offsetof(SHELLEXECUTEINFOA, nShow), 28u);
        EXPECT_EQ(offsetof(SHELLEXECUTEINFOA, hProcess), 56u);
    }
}

TEST(ShellOpen, AnAddressNoProgramIsRegisteredForFails) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI; // no box from the shell
    info.lpFile = "stashwell-conformance-nobody-handles-this:page";
    info.nShow = SW_SHOWNORMAL;
    EXPECT_FALSE(ShellExecuteExA(&info));
    EXPECT_EQ(reinterpret_cast<INT_PTR>(info.hInstApp), SE_ERR_NOASSOC);
}

} // namespace
