// What the toolkit's forms and controls rely on from the platform's message
// boxes, scroll bars, edit, tab and tool tip controls. The same source runs
// against the simulator and, built for Windows, against Wine.
#include "conformance_surface.h"
#include "platform/pump.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::pair<HWND, UINT>> activations; // (window, WA_*)
std::vector<UINT> tabNotices;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ACTIVATE)
        activations.emplace_back(hwnd, LOWORD(wParam));
    if (msg == WM_NOTIFY)
        tabNotices.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

const char* WindowClass() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA cls{};
        cls.lpfnWndProc = WindowProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        cls.lpszClassName = "UiConformanceWindow";
        registered = RegisterClassA(&cls) != 0;
    }
    return "UiConformanceWindow";
}

// A shown top-level window at a place on the screen (its client area at the
// given screen point: no frame).
HWND TopLevel(const char* title, int x, int y, int width, int height) {
    HWND hwnd = CreateWindowExA(0, WindowClass(), title, WS_POPUP | WS_VISIBLE, x, y, width, height,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    platform::PumpMessages();
    return hwnd;
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

class UiConformance : public ::testing::Test {
protected:
    void SetUp() override {
        activations.clear();
        tabNotices.clear();
    }
    void TearDown() override {
        for (HWND hwnd : windows)
            if (IsWindow(hwnd))
                DestroyWindow(hwnd);
        platform::PumpMessages();
    }
    HWND Keep(HWND hwnd) {
        windows.push_back(hwnd);
        return hwnd;
    }
    std::vector<HWND> windows;
};

TEST_F(UiConformance, AMessageBoxIsModalToItsOwnerAndComesUpInFrontOfIt) {
    HWND owner = Keep(TopLevel("owner", 100, 100, 300, 200));
    HWND other = Keep(TopLevel("other", 450, 100, 200, 200));
    SetForegroundWindow(owner);
    SetActiveWindow(owner);
    platform::PumpMessages();
    ASSERT_EQ(GetActiveWindow(), owner);
    activations.clear();

    struct {
        HWND box = nullptr;
        std::string boxClass;
        HWND boxOwner = nullptr;
        HWND active = nullptr;
        bool ownerEnabled = true;
        bool otherEnabled = false;
        bool boxVisible = false;
    } seen;
    platform::WhileNextMessageBox(
        [&](HWND box) {
            seen.box = box;
            seen.boxClass = ClassOf(box);
            seen.boxOwner = GetWindow(box, GW_OWNER);
            seen.active = GetActiveWindow();
            seen.ownerEnabled = IsWindowEnabled(owner) != FALSE;
            seen.otherEnabled = IsWindowEnabled(other) != FALSE;
            seen.boxVisible = IsWindowVisible(box) != FALSE;
        },
        IDNO);
    EXPECT_EQ(MessageBoxA(owner, "Replace it?", "Confirm", MB_YESNO | MB_ICONQUESTION), IDNO);

    // While up: the platform's dialog, owned by the owner, active and shown;
    // the owner disabled, other windows not.
    ASSERT_NE(seen.box, nullptr);
    EXPECT_EQ(seen.boxClass, "#32770");
    EXPECT_EQ(seen.boxOwner, owner);
    EXPECT_EQ(seen.active, seen.box);
    EXPECT_TRUE(seen.boxVisible);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(seen.otherEnabled);
    // The owner was told it lost the activation when the box came up (what
    // closes a popup window of the program), and got it back after.
    ASSERT_FALSE(activations.empty());
    EXPECT_EQ(activations.front(), std::make_pair(owner, static_cast<UINT>(WA_INACTIVE)));
    EXPECT_EQ(activations.back().first, owner);
    EXPECT_NE(activations.back().second, static_cast<UINT>(WA_INACTIVE));
    // Answered: gone, and the owner enabled and active again.
    EXPECT_FALSE(IsWindow(seen.box));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(UiConformance, ScrollBarsTakeTheirRoomFromTheClientArea) {
    HWND hwnd = Keep(TopLevel("scrolled", 100, 100, 200, 100));
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    ShowScrollBar(hwnd, SB_VERT, TRUE);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(client.bottom, 100);
    ShowScrollBar(hwnd, SB_HORZ, TRUE);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(client.bottom, 100 - GetSystemMetrics(SM_CYHSCROLL));

    // The position stays within the range.
    SetScrollRange(hwnd, SB_HORZ, 0, 50, TRUE);
    SetScrollPos(hwnd, SB_HORZ, 70, TRUE);
    EXPECT_EQ(GetScrollPos(hwnd, SB_HORZ), 50);
    int low = -1;
    int high = -1;
    GetScrollRange(hwnd, SB_HORZ, &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 50);

    ShowScrollBar(hwnd, SB_BOTH, FALSE);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
}

TEST_F(UiConformance, AnEditShowsNewTextFromItsBeginningAndScrollsToTheCaretOfAPaste) {
    HWND parent = Keep(TopLevel("edit parent", 100, 100, 300, 120));
    HWND edit = CreateWindowExA(
        0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0,
        300, 120, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    std::string text;
    for (int line = 0; line < 100; ++line)
        text += "line " + std::to_string(line) + "\r\n";

    SetWindowTextA(edit, text.c_str());
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

    // A paste leaves the caret after the text it put in, in view.
    SetWindowTextA(edit, "");
    ASSERT_TRUE(OpenClipboard(parent));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    SendMessageA(edit, WM_PASTE, 0, 0);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, text.size());
    EXPECT_EQ(end, text.size());
    LRESULT first = SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GT(first, 80);

    // Setting the caret brings it into view, and so does asking for it.
    SendMessageA(edit, EM_SETSEL, 0, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(text.size()),
                 static_cast<LPARAM>(text.size()));
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), first);
    SendMessageA(edit, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), first);

    ASSERT_TRUE(OpenClipboard(parent));
    EmptyClipboard();
    CloseClipboard();
}

class TabConformance : public UiConformance {
protected:
    void SetUp() override {
        UiConformance::SetUp();
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
        InitCommonControlsEx(&init);
        HWND parent = Keep(TopLevel("tabs", 100, 100, 300, 200));
        tabs =
            CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | TCS_TABS | TCS_HOTTRACK,
                            8, 8, 240, 180, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(tabs, nullptr);
        SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     0);
        for (const char* caption : {"&Program", "&Clipboard"}) {
            std::string text = caption;
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageA(tabs, TCM_INSERTITEMA, SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0),
                         reinterpret_cast<LPARAM>(&item));
        }
        SetFocus(tabs);
    }
    int Selected() { return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0)); }
    // A click on the middle of a tab; the selection notices it brought.
    std::vector<UINT> ClickOn(int index) {
        RECT r{};
        SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        tabNotices.clear();
        SendMessageA(tabs, WM_MOUSEMOVE, 0, at);
        SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(tabs, WM_LBUTTONUP, 0, at);
        std::vector<UINT> changes;
        for (UINT code : tabNotices)
            if (code == static_cast<UINT>(TCN_SELCHANGING) ||
                code == static_cast<UINT>(TCN_SELCHANGE))
                changes.push_back(code);
        return changes;
    }
    const std::vector<UINT> asked{static_cast<UINT>(TCN_SELCHANGING),
                                  static_cast<UINT>(TCN_SELCHANGE)};
    HWND tabs = nullptr;
};

TEST_F(TabConformance, TheMouseAndTheProgramChooseTabs) {
    EXPECT_EQ(Selected(), 0); // the first tab inserted
    EXPECT_EQ(ClickOn(1), asked);
    EXPECT_EQ(Selected(), 1);
    EXPECT_TRUE(ClickOn(1).empty()); // the selected tab again: nothing
    EXPECT_EQ(SendMessageA(tabs, TCM_SETCURSEL, 0, 0), 1);
    EXPECT_EQ(Selected(), 0);
    EXPECT_TRUE(ClickOn(0).empty());
    SendMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(Selected(), 1); // the arrow keys move the selection
}

// Under Wine the arrow keys move the selection without letting go of the tab
// the program or the mouse selected before: a click on that tab is then
// taken for nothing (it is asked for and told, but the selection stays)
// until the selection comes back to it. The page control therefore moves
// between its tabs by the arrow keys itself.
TEST_F(TabConformance, AfterAnArrowKeyTheTabSelectedBeforeDoesNotAnswerTheMouse) {
    SendMessageA(tabs, TCM_SETCURSEL, 1, 0);
    SendMessageA(tabs, TCM_SETCURSEL, 0, 0);
    SendMessageA(tabs, WM_KEYDOWN, VK_RIGHT, 0);
    ASSERT_EQ(Selected(), 1);
    EXPECT_EQ(ClickOn(0), asked);
    EXPECT_EQ(Selected(), 1);
    // The selection set by the program sets it right again.
    SendMessageA(tabs, TCM_SETCURSEL, 0, 0);
    SendMessageA(tabs, TCM_SETCURSEL, 1, 0);
    EXPECT_EQ(ClickOn(0), asked);
    EXPECT_EQ(Selected(), 0);
}

TEST_F(UiConformance, AToolTipShowsAfterItsDelayBelowTheCursorAndGoesOnAPressOrLeave) {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    HWND window = Keep(TopLevel("tools", 100, 100, 200, 100));
    HWND tip = Keep(CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                    WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                    GetModuleHandleA(nullptr), nullptr));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(ClassOf(tip), TOOLTIPS_CLASSA);
    std::string text = "Save";
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window;
    tool.uId = 1;
    tool.rect = RECT{10, 10, 50, 40};
    tool.lpszText = text.data();
    ASSERT_TRUE(SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    auto delay = static_cast<DWORD>(SendMessageA(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    EXPECT_GT(delay, 0u);

    auto move = [&](int x, int y, UINT msg = WM_MOUSEMOVE) {
        POINT screen{x, y};
        ClientToScreen(window, &screen);
        SetCursorPos(screen.x, screen.y);
        MSG relayed{};
        relayed.hwnd = window;
        relayed.message = msg;
        relayed.wParam = msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
        relayed.lParam = MAKELPARAM(x, y);
        relayed.pt = screen;
        SendMessageA(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
        return screen;
    };
    POINT cursor = move(20, 20);
    platform::PumpMessages();
    EXPECT_FALSE(IsWindowVisible(tip)); // not before the delay
    platform::Pass(delay + 300);
    ASSERT_TRUE(IsWindowVisible(tip));
    RECT r{};
    GetWindowRect(tip, &r);
    EXPECT_GE(r.left, cursor.x - 8);
    EXPECT_LE(r.left, cursor.x + 8);
    EXPECT_GT(r.top, cursor.y);
    EXPECT_LE(r.top, cursor.y + 40);
    char shown[32] = {};
    TTTOOLINFOA current{};
    current.cbSize = sizeof current;
    current.lpszText = shown;
    EXPECT_TRUE(SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&current)));
    EXPECT_STREQ(shown, "Save");

    // A button press hides it; resting on the tool again brings it back.
    move(20, 20, WM_LBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(tip));
    move(21, 20);
    platform::Pass(delay + 300);
    EXPECT_TRUE(IsWindowVisible(tip));

    // Off the tool it goes at once.
    move(150, 80);
    EXPECT_FALSE(IsWindowVisible(tip));
    EXPECT_FALSE(SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, 0));
}

// The ink (pixels not left white) of a text drawn with DrawTextA.
std::vector<std::pair<int, int>> TextInk(const char* text) {
    conformance::Surface surface(80, 24);
    HGDIOBJ oldFont = SelectObject(surface.dc(), GetStockObject(SYSTEM_FONT));
    SetTextColor(surface.dc(), RGB(0, 0, 0));
    SetBkMode(surface.dc(), TRANSPARENT);
    RECT place{4, 2, surface.width(), surface.height()};
    DrawTextA(surface.dc(), text, -1, &place, DT_SINGLELINE | DT_NOCLIP);
    std::vector<std::pair<int, int>> ink;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            if (surface.at(x, y) != 0xFFFFFF)
                ink.emplace_back(x, y);
    SelectObject(surface.dc(), oldFont);
    return ink;
}

TEST(UiTextConformance, DrawTextUnderlinesTheAcceleratorInsteadOfDrawingTheAmpersand) {
    auto plain = TextInk("Open");
    auto marked = TextInk("&Open");
    ASSERT_GT(plain.size(), 20u);
    // Every pixel of "Open" in its place, and one row more below the "O".
    std::vector<std::pair<int, int>> extra;
    for (auto point : marked)
        if (std::find(plain.begin(), plain.end(), point) == plain.end())
            extra.push_back(point);
    for (auto point : plain)
        EXPECT_NE(std::find(marked.begin(), marked.end(), point), marked.end())
            << point.first << "," << point.second;
    ASSERT_FALSE(extra.empty());
    for (auto point : extra)
        EXPECT_EQ(point.second, extra.front().second);
    EXPECT_LE(extra.size(), 12u);
    // "&&" is a plain "&", drawn.
    EXPECT_GT(TextInk("&&Open").size(), plain.size());
}

} // namespace
