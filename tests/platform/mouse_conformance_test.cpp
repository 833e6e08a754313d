// What the popup menu relies on from the mouse and the screen: a click
// activates the window under it unless the window answers WM_MOUSEACTIVATE
// with MA_NOACTIVATE; TrackMouseEvent posts WM_MOUSELEAVE once the cursor
// leaves; the virtual screen's metrics; PtInRect and MulDiv. The same
// source runs against the simulator and Wine.
#include "platform/input.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

struct Heard {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Heard> heard;
LRESULT mouseActivateAnswer = MA_ACTIVATE;

LRESULT CALLBACK ListeningProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEACTIVATE || msg == WM_LBUTTONDOWN || msg == WM_MOUSELEAVE)
        heard.push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_MOUSEACTIVATE && !(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD))
        return mouseActivateAnswer;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterListening() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA cls{};
    cls.lpfnWndProc = ListeningProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.lpszClassName = "MouseConformance";
    registered = RegisterClassA(&cls) != 0;
}

HWND TopWindow(int x, int y, int size) {
    RegisterListening();
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, "MouseConformance", "", WS_POPUP, x, y, size, size,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    return hwnd;
}

// Handles what arrives until `done` holds; under Wine input and mouse
// tracking take a moment, under the simulator they are there at once.
template <typename Done> bool PumpUntil(Done done, int rounds = 200) {
    for (int round = 0; round < rounds; ++round) {
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Lets what is under way arrive (a third of a second), where nothing is awaited.
void Pump() {
    PumpUntil([] { return false; }, 30);
}

std::size_t Count(HWND hwnd, UINT msg) {
    std::size_t n = 0;
    for (const Heard& h : heard)
        if (h.hwnd == hwnd && h.msg == msg)
            ++n;
    return n;
}

class MouseConformance : public ::testing::Test {
protected:
    void SetUp() override {
        heard.clear();
        mouseActivateAnswer = MA_ACTIVATE;
    }
    void TearDown() override {
        for (HWND hwnd : windows)
            DestroyWindow(hwnd);
        SetCursorPos(1000, 700);
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    HWND Make(int x, int y, int size = 100) {
        HWND hwnd = TopWindow(x, y, size);
        windows.push_back(hwnd);
        return hwnd;
    }
    std::vector<HWND> windows;
};

} // namespace

TEST_F(MouseConformance, AClickActivatesUnlessTheWindowAnswersNoActivate) {
    HWND active = Make(20, 20);
    HWND refusing = Make(200, 20);
    HWND plain = Make(380, 20);
    SetForegroundWindow(active);
    Pump();
    ASSERT_EQ(GetActiveWindow(), active);
    heard.clear();

    mouseActivateAnswer = MA_NOACTIVATE;
    platform::ClickAt(POINT{250, 70});
    ASSERT_TRUE(PumpUntil([&] { return Count(refusing, WM_LBUTTONDOWN) == 1; }));
    ASSERT_EQ(Count(refusing, WM_MOUSEACTIVATE), 1u);
    for (const Heard& h : heard)
        if (h.msg == WM_MOUSEACTIVATE) {
            EXPECT_EQ(reinterpret_cast<HWND>(h.wParam), refusing); // its top-level window
            EXPECT_EQ(LOWORD(h.lParam), HTCLIENT);
            EXPECT_EQ(HIWORD(h.lParam), WM_LBUTTONDOWN);
        }
    EXPECT_EQ(GetActiveWindow(), active); // the click arrived, the activation stayed

    mouseActivateAnswer = MA_ACTIVATE;
    platform::ClickAt(POINT{430, 70});
    ASSERT_TRUE(PumpUntil([&] { return Count(plain, WM_LBUTTONDOWN) == 1; }));
    EXPECT_EQ(Count(plain, WM_MOUSEACTIVATE), 1u);
    EXPECT_EQ(GetActiveWindow(), plain);
}

TEST_F(MouseConformance, AChildLeavesTheAnswerToItsParent) {
    HWND top = Make(20, 200);
    HWND other = Make(200, 200);
    HWND child = CreateWindowExA(0, "MouseConformance", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50,
                                 top, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(other);
    Pump();
    heard.clear();
    mouseActivateAnswer = MA_NOACTIVATE; // the parent's answer
    platform::ClickAt(POINT{50, 240});
    ASSERT_TRUE(PumpUntil([&] { return Count(child, WM_LBUTTONDOWN) == 1; }));
    EXPECT_EQ(Count(child, WM_MOUSEACTIVATE), 1u);
    EXPECT_EQ(Count(top, WM_MOUSEACTIVATE), 1u); // asked by the child's default handling
    EXPECT_EQ(GetActiveWindow(), other);
}

TEST_F(MouseConformance, LeavingATrackedWindowPostsMouseLeaveOnce) {
    HWND tracked = Make(300, 300);
    SetCursorPos(350, 350);
    Pump();
    heard.clear();
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, tracked, 0};
    ASSERT_TRUE(TrackMouseEvent(&track));
    SetCursorPos(360, 340); // still inside
    Pump();
    EXPECT_EQ(Count(tracked, WM_MOUSELEAVE), 0u);
    SetCursorPos(600, 600);
    ASSERT_TRUE(PumpUntil([&] { return Count(tracked, WM_MOUSELEAVE) == 1; }));
    // The tracking ended with the notice.
    SetCursorPos(350, 350);
    Pump();
    SetCursorPos(600, 600);
    Pump();
    EXPECT_EQ(Count(tracked, WM_MOUSELEAVE), 1u);
}

// Windows posts the leave at once here; Wine does not, and the simulator
// follows Wine. Nothing of the program tracks a window the cursor is not over.
TEST_F(MouseConformance, TrackingAWindowTheCursorIsNotOverPostsNoLeave) {
    HWND tracked = Make(300, 300);
    SetCursorPos(700, 100);
    Pump();
    heard.clear();
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, tracked, 0};
    ASSERT_TRUE(TrackMouseEvent(&track));
    Pump();
    EXPECT_EQ(Count(tracked, WM_MOUSELEAVE), 0u);
}

TEST(ScreenConformance, OneMonitorMakesTheVirtualScreenTheScreen) {
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
}

TEST(ScreenConformance, PtInRectTakesTheLeftAndTopEdgesOnly) {
    RECT r{10, 20, 30, 40};
    EXPECT_TRUE(PtInRect(&r, POINT{10, 20}));
    EXPECT_TRUE(PtInRect(&r, POINT{29, 39}));
    EXPECT_FALSE(PtInRect(&r, POINT{30, 25}));
    EXPECT_FALSE(PtInRect(&r, POINT{15, 40}));
    EXPECT_FALSE(PtInRect(&r, POINT{9, 25}));
    RECT empty{10, 10, 10, 20};
    EXPECT_FALSE(PtInRect(&empty, POINT{10, 15}));
}

TEST(ScreenConformance, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(2, 1, -3), -1);
    EXPECT_EQ(MulDiv(63, 255, 64), 251);
    EXPECT_EQ(MulDiv(63, -255, 64), -251);
    EXPECT_EQ(MulDiv(25, 100, 64), 39);
    // A 64-bit product, and -1 for no divisor or a result out of range.
    EXPECT_EQ(MulDiv(1 << 30, 8, 16), 1 << 29);
    EXPECT_EQ(MulDiv(5, 3, 0), -1);
    EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
}
