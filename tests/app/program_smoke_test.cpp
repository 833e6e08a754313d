// The whole program in the simulator: start, show, close.
#include "app/Program.h"
#include "app/UnitMain.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

namespace {

class ProgramSmoke : public testing_support::SimTest {};

TEST_F(ProgramSmoke, StartsShowsItsMainWindowAndEndsOnClose) {
    tk::TApplication application;
    bool checked = false;
    sim::WhenIdle([&] {
        HWND main = FindWindowA("TMainForm", nullptr);
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(IsWindowVisible(main));
        char title[64] = {};
        GetWindowTextA(main, title, sizeof title);
        EXPECT_STREQ(title, "Stashwell v. 2.0.1");
        EXPECT_NE(FindWindowA("TApplication", "Stashwell v. 2.0.1"), nullptr);
        checked = true;
        PostMessageA(main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RunProgram(application), 0);
    EXPECT_TRUE(checked);
    for (auto& box : sim::MessageBoxes())
        ADD_FAILURE() << "message box: " << box.text;
}

} // namespace
