// The About box: its layout, what each showing fills in, and how it closes.
#include "settings_fixture.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class About : public testing_support::ProgramTest {
protected:
    TAboutForm& Box() { return *main->AboutForm; }
    void ShowAbout(std::function<void()> whileShown) {
        bool ran = false;
        sim::WhenIdle([&] {
            whileShown();
            ran = true;
        });
        for (TMenuItem* item : main->MainMenu1->Items()->Items()[3]->Items())
            if (item->Action() == main->HelpAbout1) {
                ASSERT_TRUE(sim::ChooseMenuItem(main->Handle(), item->Command()));
            }
        application->ProcessMessages(); // returns when the box has closed
        EXPECT_TRUE(ran);
        EXPECT_FALSE(Box().Visible());
    }
};

TEST_F(About, BoxLayout) {
    Start();
    TAboutForm& box = Box();
    EXPECT_EQ(box.Caption(), "About Application"); // until shown
    EXPECT_EQ(box.FormBorderStyle(), TFormBorderStyle::bsDialog);
    EXPECT_EQ(box.BorderIcons, biSystemMenu);
    EXPECT_EQ(box.Font().Name(), "MS Sans Serif");
    EXPECT_EQ(box.Font().Size(), 8);
    RECT client{};
    GetClientRect(box.Handle(), &client);
    EXPECT_EQ(client.right, 251);
    EXPECT_EQ(client.bottom, 93);
    DWORD style = static_cast<DWORD>(GetWindowLongA(box.Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    EXPECT_EQ(box.imgIcon->Left(), 10);
    EXPECT_EQ(box.imgIcon->Top(), 18);
    EXPECT_EQ(box.imgIcon->Width(), 32);
    EXPECT_EQ(box.imgIcon->Height(), 32);
    EXPECT_EQ(box.lblApp->Left(), 61);
    EXPECT_EQ(box.lblApp->Top(), 17);
    EXPECT_TRUE(box.lblApp->Transparent());
    EXPECT_EQ(box.lblApp->Caption(), "Application");
    EXPECT_EQ(box.cmdOK->Caption(), "OK");
    EXPECT_EQ(box.cmdOK->Left(), 158);
    EXPECT_EQ(box.cmdOK->Top(), 64);
    EXPECT_EQ(box.cmdOK->Width(), 75);
    EXPECT_EQ(box.cmdOK->Height(), 23);
    EXPECT_TRUE(box.cmdOK->Default());
    EXPECT_TRUE(box.cmdOK->Cancel);
    EXPECT_EQ(box.cmdOK->ModalResult, mrOk);
}

TEST_F(About, EachShowingTakesTheApplicationsTitleAndIconAndFocusesOk) {
    Start();
    main->Show();
    application->ProcessMessages();
    ShowAbout([&] {
        EXPECT_TRUE(Box().Visible());
        EXPECT_EQ(Box().Caption(), "About Stashwell v. 2.0.1");
        EXPECT_EQ(Box().lblApp->Caption(), "Stashwell v. 2.0.1");
        char caption[64] = {};
        GetWindowTextA(Box().Handle(), caption, sizeof caption);
        EXPECT_STREQ(caption, "About Stashwell v. 2.0.1");
        auto* icon = dynamic_cast<TIcon*>(Box().imgIcon->Picture().Graphic());
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->Empty());
        EXPECT_EQ(icon->Width(), 32);
        EXPECT_TRUE(Box().cmdOK->Focused());
        EXPECT_FALSE(IsWindowEnabled(main->Handle())); // modal
        sim::PressKeys({VK_RETURN});
    });
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));

    application->SetTitle("Renamed");
    ShowAbout([&] {
        EXPECT_EQ(Box().Caption(), "About Renamed");
        EXPECT_EQ(Box().lblApp->Caption(), "Renamed");
        sim::PressKeys({VK_ESCAPE});
    });
    ShowAbout([&] { sim::Click(Box().cmdOK->Handle(), POINT{5, 5}); });
    ShowAbout([&] { PostMessageA(Box().Handle(), WM_CLOSE, 0, 0); });
}

} // namespace
