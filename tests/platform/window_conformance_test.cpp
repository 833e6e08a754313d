// What the program relies on from the window manager: creation with its
// class, caption and styles, parent and owner, z-order and enumeration,
// FindWindowA, visibility, enabled state, focus, activation, geometry and
// SetWindowPos. The same source runs against the simulator and, built for
// Windows, against Wine.
#include "conformance_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using conformance::NewRecorder;

namespace {

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hwnd) {
    char text[128] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

struct Walk {
    const std::vector<HWND>* wanted;
    std::vector<HWND> found;
};

// The callbacks are CALLBACK functions, not lambdas: on 32-bit Windows a
// lambda does not convert to a stdcall function pointer.
BOOL CALLBACK CollectWanted(HWND hwnd, LPARAM lParam) {
    auto* w = reinterpret_cast<Walk*>(lParam);
    if (std::find(w->wanted->begin(), w->wanted->end(), hwnd) != w->wanted->end())
        w->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CountAndStop(HWND, LPARAM lParam) {
    ++*reinterpret_cast<int*>(lParam);
    return FALSE;
}

// The top-level windows that EnumWindows gives, in its order, of those given.
std::vector<HWND> EnumeratedAmong(const std::vector<HWND>& wanted) {
    Walk walk{&wanted, {}};
    EnumWindows(CollectWanted, reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}

std::vector<HWND> ChildrenInZOrder(HWND parent) {
    std::vector<HWND> out;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        out.push_back(child);
    return out;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

class WindowConformance : public ::testing::Test {
protected:
    void TearDown() override {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if (IsWindow(*it))
                DestroyWindow(*it);
        conformance::Pump();
    }
    HWND Make(const std::string& name, DWORD style = WS_POPUP, DWORD exStyle = 0,
              HWND parent = nullptr, RECT at = RECT{10, 10, 110, 90}) {
        HWND hwnd = NewRecorder(name, style, exStyle, parent, at);
        EXPECT_NE(hwnd, nullptr) << name;
        made.push_back(hwnd);
        return hwnd;
    }
    std::vector<HWND> made;
};

} // namespace

TEST_F(WindowConformance, CreationKeepsClassCaptionAndStyles) {
    HWND w = Make("Caption one", WS_POPUP | WS_BORDER | WS_SYSMENU, WS_EX_TOOLWINDOW);
    EXPECT_EQ(ClassOf(w), "ConformanceRecorder");
    EXPECT_EQ(TextOf(w), "Caption one");
    EXPECT_EQ(GetWindowTextLengthA(w), 11);
    // Top-level windows always clip their siblings.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)),
              static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CLIPSIBLINGS));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE)),
              static_cast<DWORD>(WS_EX_TOOLWINDOW));
    EXPECT_TRUE(SetWindowTextA(w, "Caption two"));
    EXPECT_EQ(TextOf(w), "Caption two");

    // A window with a frame that can be sized or a dialog frame gets the
    // window edge; one with WS_VISIBLE is visible when CreateWindowExA returns.
    HWND framed = Make("framed", WS_POPUP | WS_THICKFRAME | WS_VISIBLE);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(framed, GWL_EXSTYLE)),
              static_cast<DWORD>(WS_EX_WINDOWEDGE));
    EXPECT_TRUE(IsWindowVisible(framed));
    // So does a modal dialog frame asked for in the extended style (the tray
    // menu's popup window).
    HWND modal = Make("modal", WS_POPUP, WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(modal, GWL_EXSTYLE)),
              static_cast<DWORD>(WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE));

    // An overlapped window always has a caption and clips its siblings.
    HWND overlapped = Make("overlapped", WS_OVERLAPPED);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(overlapped, GWL_STYLE)),
              static_cast<DWORD>(WS_OVERLAPPED | WS_CAPTION | WS_CLIPSIBLINGS));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(overlapped, GWL_EXSTYLE)),
              static_cast<DWORD>(WS_EX_WINDOWEDGE));

    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    char name[16] = {};
    EXPECT_EQ(GetClassNameA(w, name, sizeof name), 0);
    // Destroying it again fails (with ERROR_INVALID_WINDOW_HANDLE on
    // Windows, ERROR_ACCESS_DENIED on Wine; nothing here reads the number).
    EXPECT_FALSE(DestroyWindow(w));
}

TEST_F(WindowConformance, UnknownClassIsRefused) {
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchConformanceClass", "x", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));

    WNDCLASSA cls{};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "ConformanceTwice";
    ASSERT_NE(RegisterClassA(&cls), 0);
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&cls), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    WNDCLASSA found{};
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "conformancetwice", &found));
    EXPECT_EQ(found.lpfnWndProc, cls.lpfnWndProc);
    EXPECT_TRUE(UnregisterClassA("ConformanceTwice", GetModuleHandleA(nullptr)));
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "ConformanceTwice", &found));
}

TEST_F(WindowConformance, ParentAndOwner) {
    HWND owner = Make("owner", WS_POPUP);
    HWND popup = Make("owned popup", WS_POPUP, 0, owner);
    HWND overlapped = Make("owned overlapped", WS_OVERLAPPED, 0, owner);
    HWND child = Make("child", WS_CHILD, 0, owner, RECT{1, 2, 11, 12});

    EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);
    EXPECT_EQ(GetWindow(overlapped, GW_OWNER), owner);
    EXPECT_EQ(GetWindow(child, GW_OWNER), nullptr);
    // GetParent gives the owner of a pop-up only; an owned overlapped window has none.
    EXPECT_EQ(GetParent(popup), owner);
    EXPECT_EQ(GetParent(overlapped), nullptr);
    EXPECT_EQ(GetParent(child), owner);
    EXPECT_EQ(GetParent(owner), nullptr);
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(popup, GWLP_HWNDPARENT)), owner);
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(child, GWLP_HWNDPARENT)), owner);

    EXPECT_TRUE(IsChild(owner, child));
    EXPECT_FALSE(IsChild(owner, popup));
    EXPECT_EQ(GetAncestor(child, GA_PARENT), owner);
    EXPECT_EQ(GetAncestor(child, GA_ROOT), owner);
    EXPECT_EQ(GetAncestor(popup, GA_ROOT), popup);
    EXPECT_EQ(GetAncestor(popup, GA_ROOTOWNER), owner);
    EXPECT_EQ(GetAncestor(owner, GA_PARENT), GetDesktopWindow());
}

TEST_F(WindowConformance, NewWindowsTakeTheirPlaceInTheZOrder) {
    // Top-level windows come in on top; children at the bottom of their
    // siblings, so that the first child made is the first in tab order.
    HWND a = Make("a");
    HWND b = Make("b");
    HWND c = Make("c");
    EXPECT_EQ(EnumeratedAmong({a, b, c}), (std::vector<HWND>{c, b, a}));

    ASSERT_TRUE(SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    EXPECT_EQ(EnumeratedAmong({a, b, c}), (std::vector<HWND>{a, c, b}));
    ASSERT_TRUE(SetWindowPos(a, c, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    EXPECT_EQ(EnumeratedAmong({a, b, c}), (std::vector<HWND>{c, a, b}));

    HWND parent = Make("parent");
    HWND first = Make("first", WS_CHILD, 0, parent);
    HWND second = Make("second", WS_CHILD, 0, parent);
    HWND third = Make("third", WS_CHILD, 0, parent);
    EXPECT_EQ(ChildrenInZOrder(parent), (std::vector<HWND>{first, second, third}));
    ASSERT_TRUE(BringWindowToTop(third));
    EXPECT_EQ(ChildrenInZOrder(parent), (std::vector<HWND>{third, first, second}));
    ASSERT_TRUE(SetWindowPos(third, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(ChildrenInZOrder(parent), (std::vector<HWND>{first, second, third}));
    EXPECT_EQ(GetWindow(second, GW_HWNDPREV), first);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), first);

    // Enumeration stops when the callback says so.
    int calls = 0;
    EXPECT_FALSE(EnumWindows(CountAndStop, reinterpret_cast<LPARAM>(&calls)));
    EXPECT_EQ(calls, 1);
}

TEST_F(WindowConformance, FindWindowByClassAndCaption) {
    HWND hidden = Make("Conformance Finder");
    EXPECT_EQ(FindWindowA("ConformanceRecorder", "Conformance Finder"), hidden);
    EXPECT_EQ(FindWindowA(nullptr, "Conformance Finder"), hidden);
    // Both the class and the caption compare without regard to case.
    EXPECT_EQ(FindWindowA("conformancerecorder", "CONFORMANCE FINDER"), hidden);
    EXPECT_EQ(FindWindowA("ConformanceRecorder", "Conformance Find"), nullptr);
    EXPECT_EQ(FindWindowA("NoSuchConformanceClass", nullptr), nullptr);
    // Children and message-only windows are not top-level windows. (Wine's
    // FindWindowA finds a message-only window by its caption, which Windows
    // does not; the program looks for no message-only window by name.)
    HWND child = Make("Conformance Child", WS_CHILD, 0, hidden);
    EXPECT_EQ(FindWindowA(nullptr, "Conformance Child"), nullptr);
    HWND messageOnly = Make("Conformance Message Only", 0, 0, HWND_MESSAGE);
    EXPECT_TRUE(EnumeratedAmong({messageOnly, child}).empty());
    // The topmost of two windows of the same caption is found.
    HWND newer = Make("Conformance Finder");
    EXPECT_EQ(FindWindowA("ConformanceRecorder", "Conformance Finder"), newer);
}

TEST_F(WindowConformance, VisibilityAndEnabledState) {
    HWND top = Make("top");
    HWND child = Make("child", WS_CHILD | WS_VISIBLE, 0, top, RECT{0, 0, 10, 10});
    EXPECT_FALSE(IsWindowVisible(top));
    EXPECT_FALSE(IsWindowVisible(child)); // its parent is hidden
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(ShowWindow(top, SW_SHOWNOACTIVATE)); // was hidden
    EXPECT_TRUE(IsWindowVisible(top));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(top, SW_HIDE)); // was visible
    EXPECT_FALSE(IsWindowVisible(child));

    EXPECT_TRUE(IsWindowEnabled(top));
    EXPECT_FALSE(EnableWindow(top, FALSE)); // was enabled
    EXPECT_FALSE(IsWindowEnabled(top));
    EXPECT_TRUE(GetWindowLongA(top, GWL_STYLE) & WS_DISABLED);
    EXPECT_TRUE(IsWindowEnabled(child));  // its own state stays
    EXPECT_TRUE(EnableWindow(top, TRUE)); // was disabled
    EXPECT_TRUE(IsWindowEnabled(top));

    EXPECT_FALSE(IsIconic(top));
    ShowWindow(top, SW_SHOWMINNOACTIVE);
    EXPECT_TRUE(IsIconic(top));
    ShowWindow(top, SW_RESTORE);
    EXPECT_FALSE(IsIconic(top));
    ShowWindow(top, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(IsZoomed(top));
    ShowWindow(top, SW_HIDE);
}

TEST_F(WindowConformance, FocusActiveAndForegroundWindow) {
    HWND a = Make("a", WS_POPUP | WS_VISIBLE);
    HWND edit = Make("edit", WS_CHILD | WS_VISIBLE, 0, a, RECT{0, 0, 20, 20});
    HWND b = Make("b", WS_POPUP | WS_VISIBLE, 0, nullptr, RECT{200, 10, 300, 90});
    conformance::Pump();

    ASSERT_TRUE(SetForegroundWindow(a));
    conformance::Settle();
    EXPECT_EQ(GetForegroundWindow(), a);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), a);

    // Focus on a child keeps its window active.
    EXPECT_EQ(SetFocus(edit), a);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(GetActiveWindow(), a);

    // Activating another window takes the focus there.
    EXPECT_EQ(SetActiveWindow(b), a);
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(GetFocus(), b);
    EXPECT_EQ(GetForegroundWindow(), b);

    // Focus on a child of an inactive window activates that window.
    SetFocus(edit);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), edit);

    // Disabling the window with the focus takes the focus away; disabling
    // its parent does not.
    EnableWindow(a, FALSE);
    EXPECT_EQ(GetFocus(), edit);
    EnableWindow(a, TRUE);
    EnableWindow(edit, FALSE);
    EXPECT_EQ(GetFocus(), nullptr);
    EnableWindow(edit, TRUE);

    // Hiding the active window activates another one.
    SetForegroundWindow(b);
    conformance::Settle();
    ShowWindow(b, SW_HIDE);
    conformance::Settle();
    EXPECT_NE(GetActiveWindow(), b);
    EXPECT_NE(GetForegroundWindow(), b);
}

TEST_F(WindowConformance, LastActivePopupOfAnOwner) {
    HWND owner = Make("owner", WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(GetLastActivePopup(owner), owner); // nothing owned yet
    HWND popup = Make("popup", WS_POPUP | WS_VISIBLE, 0, owner, RECT{200, 10, 300, 90});
    SetForegroundWindow(owner);
    conformance::Settle();
    SetForegroundWindow(popup);
    conformance::Settle();
    EXPECT_EQ(GetLastActivePopup(owner), popup);
    // The owner active again is its own last active window.
    SetForegroundWindow(owner);
    conformance::Settle();
    EXPECT_EQ(GetLastActivePopup(owner), owner);
    SetForegroundWindow(popup);
    conformance::Settle();
    EXPECT_EQ(GetLastActivePopup(owner), popup);
    DestroyWindow(popup);
    EXPECT_EQ(GetLastActivePopup(owner), owner);
}

TEST_F(WindowConformance, WindowAndClientRectanglesOfFramedAndPlainWindows) {
    struct Case {
        DWORD style;
        DWORD exStyle;
    };
    const Case cases[] = {
        {WS_POPUP, 0},
        {WS_POPUP | WS_BORDER, 0},
        {WS_POPUP | WS_DLGFRAME, 0},
        {WS_POPUP | WS_THICKFRAME, 0},
        {WS_POPUP | WS_CAPTION | WS_SYSMENU, 0},
        {WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW},
        {WS_OVERLAPPEDWINDOW, 0},
        {WS_POPUP, WS_EX_CLIENTEDGE},
    };
    for (const auto& c : cases) {
        HWND w = Make("framed", c.style, c.exStyle, nullptr, RECT{30, 40, 330, 240});
        RECT window{}, client{};
        ASSERT_TRUE(GetWindowRect(w, &window));
        ASSERT_TRUE(GetClientRect(w, &client));
        EXPECT_EQ(window.left, 30) << std::hex << c.style;
        EXPECT_EQ(window.top, 40);
        EXPECT_EQ(Width(window), 300);
        EXPECT_EQ(Height(window), 200);
        EXPECT_EQ(client.left, 0);
        EXPECT_EQ(client.top, 0);
        // The frame that AdjustWindowRectEx adds is the difference.
        RECT adjusted = client;
        DWORD style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
        DWORD exStyle = static_cast<DWORD>(GetWindowLongA(w, GWL_EXSTYLE));
        ASSERT_TRUE(AdjustWindowRectEx(&adjusted, style, FALSE, exStyle));
        EXPECT_EQ(Width(adjusted), 300) << std::hex << c.style << " " << c.exStyle;
        EXPECT_EQ(Height(adjusted), 200) << std::hex << c.style << " " << c.exStyle;
        // The client area's corner on the screen.
        POINT corner{0, 0};
        ClientToScreen(w, &corner);
        EXPECT_EQ(corner.x, 30 - adjusted.left);
        EXPECT_EQ(corner.y, 40 - adjusted.top);
        if (c.style == WS_POPUP && c.exStyle == 0) {
            EXPECT_EQ(Width(client), 300);
            EXPECT_EQ(Height(client), 200);
        }
        if (c.style == (WS_POPUP | WS_BORDER)) {
            EXPECT_EQ(Width(client), 298);
            EXPECT_EQ(Height(client), 198);
        }
        DestroyWindow(w);
    }
}

TEST_F(WindowConformance, ChildRectanglesAreInTheParentsClientArea) {
    HWND parent = Make("parent", WS_POPUP | WS_BORDER, 0, nullptr, RECT{100, 50, 300, 250});
    HWND child = Make("child", WS_CHILD, 0, parent, RECT{10, 20, 60, 50});
    RECT r{};
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 100 + 1 + 10);
    EXPECT_EQ(r.top, 50 + 1 + 20);
    EXPECT_EQ(Width(r), 50);
    EXPECT_EQ(Height(r), 30);
    POINT p{r.left, r.top};
    ScreenToClient(parent, &p);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    POINT q{5, 5};
    MapWindowPoints(child, parent, &q, 1);
    EXPECT_EQ(q.x, 15);
    EXPECT_EQ(q.y, 25);
}

TEST_F(WindowConformance, SetWindowPosMovesSizesAndTellsTheWindow) {
    HWND w = Make("w", WS_POPUP, 0, nullptr, RECT{10, 10, 110, 90});
    conformance::Journal::Get().Watch({WM_MOVE, WM_SIZE, WM_SHOWWINDOW});

    ASSERT_TRUE(SetWindowPos(w, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(Width(r), 100);
    EXPECT_EQ(Height(r), 80);
    EXPECT_EQ(conformance::Journal::Get().Take(), (std::vector<std::string>{"w WM_MOVE"}));

    ASSERT_TRUE(SetWindowPos(w, nullptr, 0, 0, 50, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(Width(r), 50);
    EXPECT_EQ(Height(r), 40);
    EXPECT_EQ(conformance::Journal::Get().Take(), (std::vector<std::string>{"w WM_SIZE"}));

    ASSERT_TRUE(SetWindowPos(w, nullptr, 5, 6, 70, 60, SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_EQ(conformance::Journal::Get().Take(),
              (std::vector<std::string>{"w WM_MOVE", "w WM_SIZE"}));

    // Nothing changes: nothing is told.
    ASSERT_TRUE(SetWindowPos(w, nullptr, 5, 6, 70, 60, SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_TRUE(conformance::Journal::Get().Take().empty());

    ASSERT_TRUE(
        SetWindowPos(w, nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_TRUE(IsWindowVisible(w));
    ASSERT_TRUE(
        SetWindowPos(w, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_FALSE(IsWindowVisible(w));
    // Showing and hiding this way sends no WM_SHOWWINDOW.
    EXPECT_TRUE(conformance::Journal::Get().Take().empty());

    MoveWindow(w, 1, 2, 30, 40, FALSE);
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(Width(r), 30);
    EXPECT_EQ(Height(r), 40);
    conformance::Journal::Get().Watch({});
}

TEST_F(WindowConformance, SetParentMovesAChildAndBackToTheDesktop) {
    HWND first = Make("first", WS_POPUP, 0, nullptr, RECT{100, 100, 200, 200});
    HWND second = Make("second", WS_POPUP, 0, nullptr, RECT{300, 100, 400, 200});
    HWND child = Make("child", WS_CHILD, 0, first, RECT{10, 10, 30, 30});

    EXPECT_EQ(SetParent(child, second), first);
    EXPECT_EQ(GetParent(child), second);
    EXPECT_TRUE(IsChild(second, child));
    EXPECT_FALSE(IsChild(first, child));
    EXPECT_EQ(GetWindow(second, GW_CHILD), child);
    EXPECT_EQ(GetWindow(first, GW_CHILD), nullptr);
    RECT r{};
    GetWindowRect(child, &r);
    EXPECT_EQ(r.left, 310); // the place in the client area is kept
    EXPECT_EQ(r.top, 110);

    // To the desktop: the window becomes a top-level one; its styles stay.
    EXPECT_EQ(SetParent(child, nullptr), second);
    EXPECT_FALSE(IsChild(second, child));
    EXPECT_EQ(GetAncestor(child, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(GetWindow(second, GW_CHILD), nullptr);
}
