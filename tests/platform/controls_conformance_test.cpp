// What the program reads back from the standard and common controls: the
// hot key field's code for the keys pressed in it, the tab control's
// selection and its notifications, the status bar's parts and text, and the
// edit control's selection. The same source runs against the simulator and,
// built for Windows, against Wine.
#include "conformance_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The notifications a parent received: "<code> <selection at the time>".
std::vector<std::string> notices;
bool refuseChange = false;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        std::string code = header->code == TCN_SELCHANGING ? "TCN_SELCHANGING"
                           : header->code == TCN_SELCHANGE ? "TCN_SELCHANGE"
                                                           : "";
        if (code.empty())
            return 0;
        auto selected = SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0);
        notices.push_back(code + " " + std::to_string(selected));
        return header->code == TCN_SELCHANGING && refuseChange ? TRUE : FALSE;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class ControlConformance : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_HOTKEY_CLASS | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&init);
        static bool registered = [] {
            WNDCLASSA cls{};
            cls.lpfnWndProc = ParentProc;
            cls.hInstance = GetModuleHandleA(nullptr);
            cls.lpszClassName = "ConformanceParent";
            return RegisterClassA(&cls) != 0;
        }();
        ASSERT_TRUE(registered);
        parent = CreateWindowExA(0, "ConformanceParent", "parent", WS_POPUP | WS_VISIBLE, 10, 10,
                                 400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        notices.clear();
        refuseChange = false;
    }
    void TearDown() override {
        DestroyWindow(parent);
        conformance::Pump();
    }
    HWND Child(const char* cls, DWORD style, const char* text = "", RECT at = {10, 10, 210, 110}) {
        HWND hwnd = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                                    at.right - at.left, at.bottom - at.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(100)),
                                    GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(hwnd, nullptr) << cls;
        return hwnd;
    }
    // Posts a key as the keyboard would bring it, and lets it be handled.
    static void Key(HWND hwnd, UINT vk, bool down, bool extended = false) {
        bool alt = GetKeyState(VK_MENU) < 0 || (vk == VK_MENU && down);
        UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
        LPARAM lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)) << 16) |
                        (extended ? (1 << 24) : 0) | (down ? 0 : static_cast<LPARAM>(0xC0000000u));
        PostMessageA(hwnd, msg, vk, lParam);
        conformance::Pump();
    }
    static void Combination(HWND hwnd, std::vector<UINT> keys, bool extended = false) {
        for (UINT vk : keys)
            Key(hwnd, vk, true, extended && vk == keys.back());
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            Key(hwnd, *it, false, extended && *it == keys.back());
    }
    static WORD HotKeyOf(HWND hwnd) {
        return static_cast<WORD>(SendMessageA(hwnd, HKM_GETHOTKEY, 0, 0));
    }
    HWND parent = nullptr;
};

} // namespace

TEST_F(ControlConformance, HotKeyFieldGivesTheCodeOfTheKeysPressed) {
    HWND field = Child(HOTKEY_CLASSA, 0);
    EXPECT_EQ(HotKeyOf(field), 0);
    SendMessageA(field, HKM_SETHOTKEY, MAKEWORD('S', HOTKEYF_CONTROL), 0);
    EXPECT_EQ(HotKeyOf(field), MAKEWORD('S', HOTKEYF_CONTROL));

    Combination(field, {VK_CONTROL, VK_SHIFT, VK_F10});
    EXPECT_EQ(HotKeyOf(field), MAKEWORD(VK_F10, HOTKEYF_CONTROL | HOTKEYF_SHIFT));
    Combination(field, {VK_MENU, 'K'});
    EXPECT_EQ(HotKeyOf(field), MAKEWORD('K', HOTKEYF_ALT));
    Combination(field, {'Q'});
    EXPECT_EQ(HotKeyOf(field), MAKEWORD('Q', 0));
    // Backspace alone empties the field.
    Combination(field, {VK_BACK});
    EXPECT_EQ(HotKeyOf(field), 0);
    // An extended key: the key and its modifiers (whether the extended flag
    // is given differs, see below).
    Combination(field, {VK_CONTROL, VK_INSERT}, true);
    EXPECT_EQ(LOBYTE(HotKeyOf(field)), VK_INSERT);
    EXPECT_EQ(HIBYTE(HotKeyOf(field)) & ~HOTKEYF_EXT, HOTKEYF_CONTROL);
}

TEST_F(ControlConformance, HotKeyRulesReplaceRefusedModifiers) {
    HWND field = Child(HOTKEY_CLASSA, 0);
    // A key without modifiers is taken with Ctrl+Alt instead.
    SendMessageA(field, HKM_SETRULES, HKCOMB_NONE, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    Combination(field, {'A'});
    EXPECT_EQ(HotKeyOf(field), MAKEWORD('A', HOTKEYF_CONTROL | HOTKEYF_ALT));
    Combination(field, {VK_SHIFT, 'A'});
    EXPECT_EQ(HotKeyOf(field), MAKEWORD('A', HOTKEYF_SHIFT));
}

TEST_F(ControlConformance, TabControlTellsItsParentWhenTheUserChangesTheSelection) {
    HWND tabs = Child(WC_TABCONTROLA, 0);
    const char* captions[] = {"First", "Second", "Third"};
    for (int i = 0; i < 3; ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(captions[i]);
        EXPECT_EQ(SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item)), i);
    }
    EXPECT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
    char text[32] = {};
    TCITEMA read{};
    read.mask = TCIF_TEXT;
    read.pszText = text;
    read.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&read)));
    EXPECT_STREQ(text, "Second");

    // Selecting from the program tells nothing.
    EXPECT_EQ(SendMessageA(tabs, TCM_SETCURSEL, 2, 0), 0);
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageA(tabs, TCM_SETCURSEL, 5, 0), -1);
    EXPECT_TRUE(notices.empty());

    // A click: asked first (the old selection still), told after.
    RECT r{};
    ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(notices, (std::vector<std::string>{"TCN_SELCHANGING 2", "TCN_SELCHANGE 1"}));
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1);

    // A click on the selected tab tells nothing.
    notices.clear();
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(notices.empty());

    // A parent that refuses keeps the page.
    refuseChange = true;
    ASSERT_TRUE(SendMessageA(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
    at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tabs, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(notices, (std::vector<std::string>{"TCN_SELCHANGING 1"}));
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1);
}

TEST_F(ControlConformance, StatusBarKeepsItsSimpleTextApartFromItsParts) {
    HWND bar = Child(STATUSCLASSNAMEA, CCS_NOPARENTALIGN | CCS_NORESIZE | SBARS_SIZEGRIP, "",
                     RECT{0, 200, 400, 220});
    int edges[] = {100, -1};
    EXPECT_TRUE(SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(edges)));
    EXPECT_TRUE(SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("left")));
    EXPECT_TRUE(SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("right side")));
    char text[64] = {};
    LRESULT got = SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(LOWORD(got), 10);
    EXPECT_STREQ(text, "right side");
    EXPECT_EQ(LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0)), 4);
    SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "left");

    // The simple mode shows one text of its own, which the program sets as
    // the hint.
    EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    SendMessageA(bar, SB_SIMPLE, TRUE, 0);
    EXPECT_TRUE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    EXPECT_TRUE(SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>("A hint")));
    got = SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(LOWORD(got), 6);
    EXPECT_STREQ(text, "A hint");
    EXPECT_EQ(LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0)), 6);
    EXPECT_TRUE(SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>("")));
    EXPECT_EQ(LOWORD(SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text))), 0);

    // Back to the parts: their texts are as they were.
    SendMessageA(bar, SB_SIMPLE, FALSE, 0);
    SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "left");
}

TEST_F(ControlConformance, EditSelection) {
    HWND edit = Child("EDIT", ES_AUTOHSCROLL, "Hello world");
    DWORD start = 99, end = 99;
    LRESULT both = SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u); // a new text has the caret at its start
    EXPECT_EQ(end, 0u);
    EXPECT_EQ(both, 0);

    // All of it.
    SendMessageA(edit, EM_SETSEL, 0, -1);
    both = SendMessageA(edit, EM_GETSEL, 0, 0);
    EXPECT_EQ(LOWORD(both), 0);
    EXPECT_EQ(HIWORD(both), 11);

    // A selection given backwards reads back in order.
    SendMessageA(edit, EM_SETSEL, 8, 2);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 8u);
    // Past the end is the end.
    SendMessageA(edit, EM_SETSEL, 6, 100);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 6u);
    EXPECT_EQ(end, 11u);

    // Replacing the selection leaves the caret after the new text.
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("there"));
    char text[64] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "Hello there");
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 11u);
    EXPECT_EQ(end, 11u);

    // A start of -1 takes the selection away and leaves the caret where it was.
    SendMessageA(edit, EM_SETSEL, 0, 5);
    SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end);

    // New text puts the caret back at the start.
    SetWindowTextA(edit, "New");
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
}
