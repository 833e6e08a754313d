// Tool tips: the short hint of the control under the mouse, shown by the
// platform's tool tip control after its delay, below the cursor, gone when
// the mouse leaves the control or a button is pressed.
#include "support/sim_fixture.h"
#include "toolkit/ActnList.h"
#include "toolkit/Buttons.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class ToolTips : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = App().CreateForm<TForm>();
        form->SetBounds(100, 100, 300, 200);
        panel = new TPanel(form);
        panel->SetBounds(0, 0, 200, 30);
        panel->SetParent(form);
        actions = new TActionList(form);
        save = NewButton(0, "Save|Save current file");
        send = NewButton(24, "Send|Send current file through electronic mail");
        status = new TStatusBar(form);
        status->AutoHint = true;
        status->SetParent(form);
        form->Show();
        App().ProcessMessages();
    }

    TSpeedButton* NewButton(int left, const std::string& hint) {
        auto* action = new TAction(form);
        action->SetHint(hint);
        action->SetActionList(actions);
        auto* button = new TSpeedButton(form);
        button->SetBounds(left, 0, 23, 22);
        button->SetAction(action);
        button->SetParent(panel);
        return button;
    }

    // Moves the mouse to a point of the panel, as the user does.
    POINT MoveTo(int x, int y) {
        POINT screen{x, y};
        ClientToScreen(panel->Handle(), &screen);
        sim::MoveMouse(screen);
        App().ProcessMessages();
        return screen;
    }
    void Wait(DWORD milliseconds) {
        sim::AdvanceClock(milliseconds);
        App().ProcessMessages();
    }
    HWND Tip() { return App().ToolTipHandle(); }
    bool TipShown() { return Tip() && IsWindowVisible(Tip()); }
    std::string TipText() {
        char text[80] = {};
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.lpszText = text;
        if (!Tip() || !SendMessageA(Tip(), TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)))
            return "";
        return text;
    }

    TForm* form = nullptr;
    TPanel* panel = nullptr;
    TActionList* actions = nullptr;
    TSpeedButton* save = nullptr;
    TSpeedButton* send = nullptr;
    TStatusBar* status = nullptr;
};

TEST_F(ToolTips, TheShortHintShowsAfterTheDelayBelowTheCursor) {
    POINT cursor = MoveTo(10, 10);
    EXPECT_EQ(status->SimpleText(), "Save current file"); // the long part, at once
    ASSERT_NE(Tip(), nullptr);
    EXPECT_FALSE(TipShown());
    Wait(300);
    EXPECT_FALSE(TipShown()); // not yet
    Wait(300);
    ASSERT_TRUE(TipShown());
    EXPECT_EQ(TipText(), "Save");
    RECT r{};
    GetWindowRect(Tip(), &r);
    EXPECT_EQ(r.left, cursor.x);
    EXPECT_GT(r.top, cursor.y);
    EXPECT_LE(r.top, cursor.y + 32);
    // The tip shows the text in the tip colours.
    sim::Pixels pixels = sim::WindowPixels(Tip());
    int ink = 0;
    for (std::uint32_t p : pixels.pixels)
        ink += p == 0x000000;
    EXPECT_GT(ink, 10);
    EXPECT_EQ(pixels.at(2, 2), 0xFFFFE1u); // the tip background
}

TEST_F(ToolTips, MovingToTheNextButtonShowsItsTipInstead) {
    MoveTo(10, 10);
    Wait(600);
    ASSERT_EQ(TipText(), "Save");
    MoveTo(30, 10);
    EXPECT_FALSE(TipShown());
    Wait(600);
    EXPECT_TRUE(TipShown());
    EXPECT_EQ(TipText(), "Send");
}

TEST_F(ToolTips, APressHidesTheTipAndLeavingTheButtonsToo) {
    MoveTo(10, 10);
    Wait(600);
    ASSERT_TRUE(TipShown());
    POINT client{10, 10};
    sim::Click(panel->Handle(), client);
    App().ProcessMessages();
    EXPECT_FALSE(TipShown());

    Wait(600);
    MoveTo(11, 10);
    Wait(600);
    ASSERT_TRUE(TipShown());
    MoveTo(150, 10); // the panel, beside the buttons: no hint there
    EXPECT_FALSE(TipShown());
    EXPECT_EQ(status->SimpleText(), "");
}

TEST_F(ToolTips, TheTipGoesWhenTheMouseLeavesTheProgramsWindows) {
    MoveTo(10, 10);
    Wait(600);
    ASSERT_TRUE(TipShown());
    // Nowhere on the program: no message comes, the control looks itself.
    sim::MoveMouse(POINT{900, 700});
    App().ProcessMessages();
    Wait(150);
    EXPECT_FALSE(TipShown());
}

TEST_F(ToolTips, NoTipWithoutAShortHintOrWhenHintsAreOff) {
    save->Hint = "|Only a status bar text";
    MoveTo(10, 10);
    Wait(600);
    EXPECT_FALSE(TipShown());
    EXPECT_EQ(status->SimpleText(), "Only a status bar text");

    App().ShowHint = false;
    MoveTo(30, 10);
    Wait(600);
    EXPECT_FALSE(TipShown());
}

} // namespace
