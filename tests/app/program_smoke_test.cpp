// The whole program in the simulator: start, show, close.
#include "app/Program.h"
#include "app/UnitMain.h"
#include "gif/GifPicture.h"
#include "support/sim_fixture.h"

#include <gtest/gtest.h>

namespace {

class ProgramSmoke : public testing_support::SimTest {};

// A GIF of 2 x 1 pixels, red and blue, as other programs put it on the
// clipboard under "GIF Image".
const char twoPixelGifBytes[] = "GIF89a\x02\x00\x01\x00\x80\x00\x00"
                                "\xff\x00\x00\x00\x00\xff"
                                "\x2c\x00\x00\x00\x00\x02\x00\x01\x00\x00"
                                "\x02\x02\x44\x0a\x00\x3b";
const std::string twoPixelGif(twoPixelGifBytes, sizeof twoPixelGifBytes - 1);

// What the running program shows; checked from inside its message loop.
void CheckRunningProgram(tk::TApplication& application) {
    HWND main = FindWindowA("TMainForm", nullptr);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(IsWindowVisible(main));
    char title[64] = {};
    GetWindowTextA(main, title, sizeof title);
    EXPECT_STREQ(title, "Stashwell v. 2.0.1");
    EXPECT_NE(FindWindowA("TApplication", "Stashwell v. 2.0.1"), nullptr);

    // The viewer shows the clipboard's GIF as a GIF picture of its size.
    auto* form = dynamic_cast<TMainForm*>(application.MainForm());
    ASSERT_NE(form, nullptr);
    tk::TControl* view = form->CoolClipboardViewer->View();
    auto* image = dynamic_cast<tk::TImage*>(view);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(dynamic_cast<TGIFGraphic*>(image->Picture().Graphic()), nullptr);
    EXPECT_EQ(image->Width(), 2);
    EXPECT_EQ(image->Height(), 1);
}

TEST_F(ProgramSmoke, StartsShowsItsMainWindowAndEndsOnClose) {
    // The program's folder, where its autosave file goes, is a scratch one.
    sim::SetModulePath(1, Path("Stashwell.exe"));
    tk::TApplication application;
    bool checked = false;
    sim::PutClipboard({{0, "GIF Image", twoPixelGif}});
    sim::WhenIdle([&] {
        CheckRunningProgram(application);
        checked = true;
        PostMessageA(FindWindowA("TMainForm", nullptr), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RunProgram(application), 0);
    EXPECT_TRUE(checked);
    for (auto& box : sim::MessageBoxes())
        ADD_FAILURE() << "message box: " << box.text;
    // The program's picture formats are numbered by this test's clipboard.
    tk::TPicture::UnregisterClipboardFormat(GIFImageClipboardFormat());
}

// A start that fails outside every handler ends the program with status 1
// and says why: on standard error while there is no window to own a box.
TEST_F(ProgramSmoke, NoApplicationWindowEndsTheProgramWithTheErrorOnStandardError) {
    sim::SetModulePath(1, Path("Stashwell.exe"));
    sim::RefuseWindowClass("TApplication");
    int status = 0;
    testing::internal::CaptureStderr();
    {
        tk::TApplication application;
        status = RunProgram(application);
    }
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(error, "Stashwell: Cannot create the application window (error 1411)\n");
    EXPECT_TRUE(sim::MessageBoxes().empty());
}

TEST_F(ProgramSmoke, MainWindowThatCannotBeMadeIsShownInTheErrorBoxAndEndsTheProgram) {
    sim::SetModulePath(1, Path("Stashwell.exe"));
    sim::RefuseWindowClass("TMainForm");
    int status = 0;
    bool looped = false;
    sim::WhenIdle([&] { looped = true; });
    testing::internal::CaptureStderr();
    {
        tk::TApplication application;
        status = RunProgram(application);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(looped) << "the message loop never ran";
    const auto boxes = sim::MessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text, "Error creating window (1411)");
    EXPECT_EQ(boxes.back().caption, "Stashwell v. 2.0.1");
    EXPECT_EQ(boxes.back().type & MB_ICONSTOP, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(FindWindowA("TMainForm", nullptr), nullptr);
}

} // namespace
