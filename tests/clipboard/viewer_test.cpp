// The clipboard viewer: what it shows, where, and its place in the chain.
#include "clipboard/CoolClipboardViewer.h"
#include "support/sim_fixture.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/StdCtrls.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

class Viewer : public testing_support::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = new TForm(&App()); // not the main form: its window waits for CreateWindows
        form->SetBounds(0, 0, 600, 400);
        viewer = new TCoolClipboardViewer(form);
        viewer->SetBounds(0, 0, 533, 206);
        viewer->OnChange = [this](TComponent* sender) {
            EXPECT_EQ(sender, viewer);
            ++changes;
        };
        viewer->SetParent(form);
    }

    // Makes the windows; the viewer joins the chain and gets its first notice.
    void CreateWindows() { form->HandleNeeded(); }

    template <typename T> T* ViewAs() { return dynamic_cast<T*>(viewer->View()); }

    TForm* form = nullptr;
    TCoolClipboardViewer* viewer = nullptr;
    int changes = 0;
};

TEST_F(Viewer, JoinsTheChainWhenItsWindowIsMadeAndShowsTheContentAtOnce) {
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    EXPECT_EQ(changes, 0);
    CreateWindows();
    EXPECT_EQ(GetClipboardViewer(), viewer->Handle());
    EXPECT_EQ(changes, 1);
    ASSERT_NE(ViewAs<TImage>(), nullptr);
}

TEST_F(Viewer, EmptyClipboardShowsNothingAndStillRaisesOnChange) {
    CreateWindows();
    EXPECT_EQ(viewer->View(), nullptr);
    EXPECT_EQ(changes, 1);
    sim::PutClipboard({});
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(viewer->View(), nullptr);
}

TEST_F(Viewer, TextWinsOverAPictureAndIsShownReadOnly) {
    CreateWindows();
    DWORD pixel = 0x00FF0000;
    HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, &pixel);
    sim::PutClipboard({{CF_TEXT, "", std::string("hello viewer\0", 13)}});
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetClipboardData(CF_BITMAP, bitmap); // the same content gets a bitmap too
    CloseClipboard();
    auto* memo = ViewAs<TMemo>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text(), "hello viewer");
    EXPECT_TRUE(memo->ReadOnly());
    EXPECT_EQ(memo->Align(), TAlign::alClient);
    EXPECT_EQ(memo->BorderStyle(), TBorderStyle::bsNone);
    EXPECT_EQ(memo->ScrollBars, TScrollStyle::ssBoth);
}

TEST_F(Viewer, SoundDataShowsTheSoundIconCentredOnTheOuterSize) {
    CreateWindows();
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    auto* image = ViewAs<TImage>();
    ASSERT_NE(image, nullptr);
    ASSERT_NE(dynamic_cast<TIcon*>(image->Picture().Graphic()), nullptr);
    EXPECT_EQ(image->Width(), 32);
    EXPECT_EQ(image->Height(), 32);
    EXPECT_EQ(image->Left(), 250); // (533 - 32) div 2
    EXPECT_EQ(image->Top(), 87);   // (206 - 32) div 2
}

TEST_F(Viewer, OtherDataShowsTheUnknownIconAndSoundLosesToAPicture) {
    CreateWindows();
    sim::PutClipboard({{0, "Some Private Format", "x"}});
    auto* unknown = ViewAs<TImage>();
    ASSERT_NE(unknown, nullptr);
    HICON unknownIcon = dynamic_cast<TIcon*>(unknown->Picture().Graphic())->Handle();
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    HICON soundIcon = dynamic_cast<TIcon*>(ViewAs<TImage>()->Picture().Graphic())->Handle();
    EXPECT_NE(unknownIcon, nullptr);
    EXPECT_NE(soundIcon, nullptr);

    // A GIF image counts as a picture even where no GIF class shows it.
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}, {0, "GIF Image", "GIF89a"}});
    ASSERT_NE(ViewAs<TImage>(), nullptr);
    EXPECT_NE(dynamic_cast<TIcon*>(ViewAs<TImage>()->Picture().Graphic()), nullptr);
}

TEST_F(Viewer, PictureFromTheFirstPictureFormatInEnumerationOrder) {
    CreateWindows();
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    DWORD pixels[6] = {};
    HBITMAP bitmap = CreateBitmap(3, 2, 1, 32, pixels);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_ENHMETAFILE, emf);
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    auto* image = ViewAs<TImage>();
    ASSERT_NE(image, nullptr);
    EXPECT_NE(dynamic_cast<TMetafile*>(image->Picture().Graphic()), nullptr);
}

TEST_F(Viewer, PictureLargerThanTheViewerStaysAtTheTopLeft) {
    CreateWindows();
    std::vector<DWORD> pixels(700 * 300, 0x00808080);
    HBITMAP bitmap = CreateBitmap(700, 300, 1, 32, pixels.data());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    auto* image = ViewAs<TImage>();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 700);
    EXPECT_EQ(image->Height(), 300);
    EXPECT_EQ(image->Left(), 0);
    EXPECT_EQ(image->Top(), 0);
    EXPECT_TRUE(GetWindowLongA(viewer->Handle(), GWL_STYLE) & WS_HSCROLL);
    EXPECT_TRUE(GetWindowLongA(viewer->Handle(), GWL_STYLE) & WS_VSCROLL);
}

TEST_F(Viewer, APictureNeedingBothScrollBarsScrollsToItsRightAndBottomEdges) {
    CreateWindows();
    std::vector<DWORD> pixels(800 * 500, 0x00808080);
    HBITMAP bitmap = CreateBitmap(800, 500, 1, 32, pixels.data());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    auto* image = ViewAs<TImage>();
    ASSERT_NE(image, nullptr);
    HWND hwnd = viewer->Handle();
    // Scrolled as far as the bars go, the picture's far edges meet the client
    // area's, the room the other bar takes counted.
    SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10000), 0);
    SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10000), 0);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 533 - 4 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(image->Left() + image->Width(), client.right);
    EXPECT_EQ(image->Top() + image->Height(), client.bottom);
    // And back to the start.
    SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    EXPECT_EQ(image->Left(), 0);
    EXPECT_EQ(image->Top(), 0);
}

TEST_F(Viewer, APictureWiderOnlyThanTheRoomLeftByTheVerticalBarGetsBothBars) {
    CreateWindows();
    // 520 pixels fit the 529 of the client area, but not beside a vertical bar.
    std::vector<DWORD> pixels(520 * 400, 0x00808080);
    HBITMAP bitmap = CreateBitmap(520, 400, 1, 32, pixels.data());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    auto* image = ViewAs<TImage>();
    ASSERT_NE(image, nullptr);
    HWND hwnd = viewer->Handle();
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VSCROLL);
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_HSCROLL);
    SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10000), 0);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(image->Left() + image->Width(), client.right);
}

TEST_F(Viewer, ResizingAScrolledViewerKeepsThePictureReachable) {
    CreateWindows();
    std::vector<DWORD> pixels(800 * 500, 0x00808080);
    HBITMAP bitmap = CreateBitmap(800, 500, 1, 32, pixels.data());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    auto* image = ViewAs<TImage>();
    ASSERT_NE(image, nullptr);
    HWND hwnd = viewer->Handle();
    SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10000), 0);
    // A wider viewer needs less scrolling: the picture's right edge follows
    // the client area's instead of leaving a gap.
    viewer->SetBounds(0, 0, 700, 206);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(image->Left() + image->Width(), client.right);
    int low = 0;
    int high = 0;
    GetScrollRange(hwnd, SB_HORZ, &low, &high);
    EXPECT_EQ(GetScrollPos(hwnd, SB_HORZ), high);
    EXPECT_EQ(-image->Left(), high);
}

TEST_F(Viewer, LongTextOpensAtItsBeginning) {
    CreateWindows();
    std::string text;
    for (int line = 0; line < 200; ++line)
        text += "clipboard line " + std::to_string(line) + "\r\n";
    sim::PutClipboard({{CF_TEXT, "", text + std::string(1, '\0')}});
    auto* memo = ViewAs<TMemo>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text(), text);
    EXPECT_EQ(SendMessageA(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    DWORD start = 1;
    DWORD end = 1;
    SendMessageA(memo->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
}

TEST_F(Viewer, ResizingDoesNotMoveTheShownControl) {
    CreateWindows();
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    viewer->SetBounds(0, 0, 300, 300);
    EXPECT_EQ(ViewAs<TImage>()->Left(), 250);
    EXPECT_EQ(ViewAs<TImage>()->Top(), 87);
}

TEST_F(Viewer, AFailedRefreshIsReportedWithoutOnChange) {
    CreateWindows();
    changes = 0;
    // Another program keeps the clipboard open while the viewer looks for a picture.
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    changes = 0;
    sim::ClearMessageBoxes();
    sim::HoldClipboardOpen();
    SendMessageA(viewer->Handle(), WM_DRAWCLIPBOARD, 0, 0);
    sim::ReleaseClipboard();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(viewer->View(), nullptr);
    auto boxes = sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open clipboard.");
    EXPECT_EQ(boxes[0].caption, "Stashwell v. 2.0.1");
}

// A small window of another program that sits in the chain behind the viewer.
struct ChainWindow {
    static inline std::vector<UINT> received;
    HWND hwnd = nullptr;
    HWND next = nullptr;
    ChainWindow() {
        WNDCLASSA cls{};
        cls.lpfnWndProc = [](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            if (msg == WM_DRAWCLIPBOARD || msg == WM_CHANGECBCHAIN)
                received.push_back(msg);
            return DefWindowProcA(h, msg, w, l);
        };
        cls.lpszClassName = "ChainWindow";
        RegisterClassA(&cls);
        hwnd = CreateWindowExA(0, "ChainWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                               nullptr);
        next = SetClipboardViewer(hwnd);
    }
};

TEST_F(Viewer, PassesNoticesOnAndAdoptsTheSuccessorOfTheWindowThatLeaves) {
    ChainWindow behind;
    ChainWindow::received.clear();
    CreateWindows(); // the viewer is the head now, `behind` follows it
    EXPECT_EQ(viewer->NextViewer(), behind.hwnd);

    ChainWindow::received.clear();
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    EXPECT_EQ(ChainWindow::received, std::vector<UINT>{WM_DRAWCLIPBOARD});

    // Another window (not the viewer's next) leaves: the notice goes on.
    ChainWindow::received.clear();
    HWND stranger = reinterpret_cast<HWND>(0x1234);
    SendMessageA(viewer->Handle(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(stranger), 0);
    EXPECT_EQ(ChainWindow::received, std::vector<UINT>{WM_CHANGECBCHAIN});
    EXPECT_EQ(viewer->NextViewer(), behind.hwnd);

    // The viewer's next leaves: its successor is adopted, nothing is passed on.
    ChainWindow::received.clear();
    ChangeClipboardChain(behind.hwnd, behind.next);
    EXPECT_TRUE(ChainWindow::received.empty());
    EXPECT_EQ(viewer->NextViewer(), behind.next);
    DestroyWindow(behind.hwnd);
}

TEST_F(Viewer, TheOnlyViewerPassesNothingOnAndLeavesTheChainWithItsWindow) {
    CreateWindows();
    EXPECT_EQ(viewer->NextViewer(), nullptr);
    Free(form); // destroys the viewer's window
    EXPECT_EQ(GetClipboardViewer(), nullptr);
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}}); // nobody is told any more
}

TEST_F(Viewer, StoreOperationsUseAComponentOfTheirOwn) {
    CreateWindows();
    sim::PutClipboard({{CF_WAVE, "", "RIFF"}});
    std::size_t owned = viewer->Components().size();
    viewer->SaveToFile(Path("v.cbd"));
    EXPECT_TRUE(viewer->Clear());
    EXPECT_EQ(CountClipboardFormats(), 0);
    viewer->LoadFromFile(Path("v.cbd"));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_WAVE));
    EXPECT_THROW(viewer->LoadFromFile(Path("missing.cbd")), tk::EFOpenError);
    EXPECT_EQ(viewer->Components().size(), owned);
}

} // namespace
