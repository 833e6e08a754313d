// Painting into windows: each window draws on a surface of its client size,
// which the simulator gives back pixel by pixel after letting it paint.
#include "support/sim_fixture.h"
#include "toolkit/Graphics.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {

int paints = 0;
COLORREF paintColor = RGB(255, 0, 0);

// Paints a 10 x 10 square at (2, 2) in `paintColor`.
LRESULT CALLBACK SquareProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        ++paints;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        TCanvas canvas(dc);
        canvas.Brush.SetColor(static_cast<TColor>(paintColor));
        canvas.FillRect(RECT{2, 2, 12, 12});
        canvas.SetHandle(nullptr);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowPaintTest : public testing_support::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        paints = 0;
        paintColor = RGB(255, 0, 0);
        WNDCLASSA cls{};
        cls.lpfnWndProc = SquareProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        cls.lpszClassName = "PaintTestWindow";
        ASSERT_TRUE(RegisterClassA(&cls));
    }

    HWND Make(DWORD style, int width, int height, HWND parent = nullptr) {
        HWND hwnd = CreateWindowExA(0, "PaintTestWindow", "", style, 0, 0, width, height, parent,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(hwnd, nullptr);
        return hwnd;
    }
};

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kFace = 0xD4D0C8;

} // namespace

TEST_F(WindowPaintTest, TheClientSurfaceShowsWhatTheWindowPainted) {
    HWND hwnd = Make(WS_POPUP | WS_VISIBLE, 30, 20);
    sim::Pixels pixels = sim::WindowPixels(hwnd);
    EXPECT_EQ(paints, 1);
    ASSERT_EQ(pixels.width, 30);
    ASSERT_EQ(pixels.height, 20);
    EXPECT_EQ(pixels.at(2, 2), kRed);
    EXPECT_EQ(pixels.at(11, 11), kRed);
    EXPECT_EQ(pixels.at(12, 12), kFace); // the class background
    EXPECT_EQ(pixels.at(0, 0), kFace);

    // Every call paints afresh.
    paintColor = RGB(0, 255, 0);
    EXPECT_EQ(sim::WindowPixels(hwnd).at(5, 5), kGreen);
    EXPECT_EQ(paints, 2);
    DestroyWindow(hwnd);
}

TEST_F(WindowPaintTest, TheSurfaceFollowsTheClientSize) {
    HWND hwnd = Make(WS_POPUP | WS_VISIBLE | WS_BORDER, 30, 20);
    sim::Pixels before = sim::WindowPixels(hwnd);
    EXPECT_EQ(before.width, 28); // a one-pixel border on each side
    EXPECT_EQ(before.height, 18);
    SetWindowPos(hwnd, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER);
    sim::Pixels after = sim::WindowPixels(hwnd);
    EXPECT_EQ(after.width, 48);
    EXPECT_EQ(after.height, 38);
    EXPECT_EQ(after.at(3, 3), kRed);

    // The window DC counts from the frame's corner: (1, 1) is the client's (0, 0).
    HDC dc = GetWindowDC(hwnd);
    SetPixel(dc, 1, 1, RGB(0, 0, 255));
    ReleaseDC(hwnd, dc);
    HDC client = GetDC(hwnd);
    EXPECT_EQ(GetPixel(client, 0, 0), RGB(0, 0, 255));
    ReleaseDC(hwnd, client);
    DestroyWindow(hwnd);
}

TEST_F(WindowPaintTest, ChildWindowsPaintOnSurfacesOfTheirOwn) {
    HWND parent = Make(WS_POPUP | WS_VISIBLE, 40, 40);
    paintColor = RGB(255, 0, 0);
    sim::WindowPixels(parent);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 20, 20, parent);
    SetWindowPos(child, nullptr, 5, 5, 20, 20, SWP_NOZORDER);
    paintColor = RGB(0, 255, 0);
    sim::Pixels inner = sim::WindowPixels(child);
    EXPECT_EQ(inner.width, 20);
    EXPECT_EQ(inner.at(2, 2), kGreen);
    HDC dc = GetDC(parent); // the parent's surface still shows its own square there
    EXPECT_EQ(GetPixel(dc, 7, 7), RGB(255, 0, 0));
    ReleaseDC(parent, dc);
    DestroyWindow(parent);
}

TEST_F(WindowPaintTest, HiddenWindowsDoNotPaint) {
    HWND hwnd = Make(WS_POPUP, 10, 10);
    sim::Pixels pixels = sim::WindowPixels(hwnd);
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(pixels.width, 10);
    EXPECT_EQ(pixels.at(5, 5), kFace);
    DestroyWindow(hwnd);
}

TEST_F(WindowPaintTest, DrawingOutsidePaintStaysUntilTheNextPaint) {
    HWND hwnd = Make(WS_POPUP | WS_VISIBLE, 20, 20);
    sim::WindowPixels(hwnd);
    HDC dc = GetDC(hwnd);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 20, 20};
    FillRect(dc, &all, green);
    DeleteObject(green);
    EXPECT_EQ(GetPixel(dc, 15, 15), RGB(0, 255, 0));
    ReleaseDC(hwnd, dc);
    // Painting again covers only what the window paints.
    sim::Pixels pixels = sim::WindowPixels(hwnd);
    EXPECT_EQ(pixels.at(15, 15), kGreen);
    EXPECT_EQ(pixels.at(5, 5), kRed);
    DestroyWindow(hwnd);
}
