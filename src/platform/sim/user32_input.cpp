// Mouse and keyboard: the cursor, the key state, key names, and the input
// that tests inject; the desktop's fonts.
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <cstring>

using namespace sim::detail;

namespace {

// Scan codes of the keys the program may name (the PC/AT set 1 layout).
struct KeyName {
    UINT vk;
    UINT scan;
    bool extended;
    const char* name;
};

constexpr KeyName keyNames[] = {
    {VK_BACK, 0x0E, false, "Backspace"},
    {VK_TAB, 0x0F, false, "Tab"},
    {VK_RETURN, 0x1C, false, "Enter"},
    {VK_SHIFT, 0x2A, false, "Shift"},
    {VK_CONTROL, 0x1D, false, "Ctrl"},
    {VK_MENU, 0x38, false, "Alt"},
    {VK_PAUSE, 0x45, false, "Pause"},
    {VK_CAPITAL, 0x3A, false, "Caps Lock"},
    {VK_ESCAPE, 0x01, false, "Esc"},
    {VK_SPACE, 0x39, false, "Space"},
    {VK_PRIOR, 0x49, true, "Page Up"},
    {VK_NEXT, 0x51, true, "Page Down"},
    {VK_END, 0x4F, true, "End"},
    {VK_HOME, 0x47, true, "Home"},
    {VK_LEFT, 0x4B, true, "Left"},
    {VK_UP, 0x48, true, "Up"},
    {VK_RIGHT, 0x4D, true, "Right"},
    {VK_DOWN, 0x50, true, "Down"},
    {VK_SNAPSHOT, 0x37, true, "Prnt Scrn"},
    {VK_INSERT, 0x52, true, "Insert"},
    {VK_DELETE, 0x53, true, "Delete"},
    {VK_APPS, 0x5D, true, "Application"},
    {VK_MULTIPLY, 0x37, false, "Num *"},
    {VK_ADD, 0x4E, false, "Num +"},
    {VK_SUBTRACT, 0x4A, false, "Num -"},
    {VK_DECIMAL, 0x53, false, "Num Del"},
    {VK_DIVIDE, 0x35, true, "Num /"},
    {VK_NUMLOCK, 0x45, true, "Num Lock"},
    {VK_SCROLL, 0x46, false, "Scroll Lock"},
    {VK_OEM_1, 0x27, false, ";"},
    {VK_OEM_PLUS, 0x0D, false, "="},
    {VK_OEM_COMMA, 0x33, false, ","},
    {VK_OEM_MINUS, 0x0C, false, "-"},
    {VK_OEM_PERIOD, 0x34, false, "."},
    {VK_OEM_2, 0x35, false, "/"},
    {VK_OEM_3, 0x29, false, "`"},
    {VK_OEM_4, 0x1A, false, "["},
    {VK_OEM_5, 0x2B, false, "\\"},
    {VK_OEM_6, 0x1B, false, "]"},
    {VK_OEM_7, 0x28, false, "'"},
};

const KeyName* byVirtualKey(UINT vk) {
    for (const auto& k : keyNames)
        if (k.vk == vk)
            return &k;
    return nullptr;
}

UINT scanOf(UINT vk) {
    if (const KeyName* k = byVirtualKey(vk))
        return k->scan;
    static const char letters[] = "QWERTYUIOPASDFGHJKLZXCVBNM";
    static const UINT letterScans[] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,
                                       0x19, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,
                                       0x26, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32};
    if (vk >= 'A' && vk <= 'Z')
        return letterScans[std::strchr(letters, static_cast<int>(vk)) - letters];
    if (vk >= '1' && vk <= '9')
        return 0x02 + (vk - '1');
    if (vk == '0')
        return 0x0B;
    if (vk >= VK_F1 && vk <= VK_F1 + 9)
        return 0x3B + (vk - VK_F1);
    return 0;
}

void post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd)
        postInput(hwnd, msg, wParam, lParam);
}

HWND keyboardTarget() {
    auto guard = lock();
    return state().focus ? state().focus : state().active;
}

} // namespace

namespace sim::detail {

void noteKeyMessage(const MSG& msg) {
    auto& keys = state().keys;
    UINT vk = static_cast<UINT>(msg.wParam) & 0xFF;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        keys[vk] |= 0x80;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        keys[vk] &= 0x7F;
        break;
    case WM_LBUTTONDOWN:
        keys[VK_LBUTTON] |= 0x80;
        break;
    case WM_LBUTTONUP:
        keys[VK_LBUTTON] &= 0x7F;
        break;
    case WM_RBUTTONDOWN:
        keys[VK_RBUTTON] |= 0x80;
        break;
    case WM_RBUTTONUP:
        keys[VK_RBUTTON] &= 0x7F;
        break;
    default:
        break;
    }
}

} // namespace sim::detail

BOOL GetCursorPos(LPPOINT point) {
    auto guard = lock();
    if (!point)
        return FALSE;
    *point = state().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    {
        auto guard = lock();
        state().cursor = POINT{x, y};
    }
    cursorMoved();
    return TRUE;
}

SHORT GetKeyState(int key) {
    auto guard = lock();
    return (state().keys[key & 0xFF] & 0x80) ? static_cast<SHORT>(0x8000 | 0) : 0;
}

SHORT GetAsyncKeyState(int key) {
    return GetKeyState(key);
}

UINT MapVirtualKeyA(UINT code, UINT mapType) {
    return mapType == MAPVK_VK_TO_VSC ? scanOf(code) : 0;
}

int GetKeyNameTextA(LONG lParam, LPSTR buffer, int size) {
    UINT scan = (static_cast<DWORD>(lParam) >> 16) & 0xFF;
    bool extended = (static_cast<DWORD>(lParam) >> 24) & 1;
    std::string name;
    for (const auto& k : keyNames)
        if (k.scan == scan && (k.extended == extended || !extended)) {
            name = k.name;
            if (k.extended == extended)
                break;
        }
    if (name.empty())
        for (UINT vk = 'A'; vk <= 'Z'; ++vk)
            if (scanOf(vk) == scan)
                name = std::string(1, static_cast<char>(vk));
    if (name.empty() || size <= 0)
        return 0;
    int n = std::min<int>(static_cast<int>(name.size()), size - 1);
    std::memcpy(buffer, name.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(0x30000 + reinterpret_cast<std::uintptr_t>(name) % 0x10000);
}

HCURSOR SetCursor(HCURSOR cursor) {
    return cursor;
}

int EnumFontFamiliesExA(HDC, LPLOGFONTA logFont, FONTENUMPROCA proc, LPARAM lParam, DWORD) {
    std::vector<std::string> fonts;
    {
        auto guard = lock();
        fonts = state().fonts;
    }
    int result = 1;
    for (const auto& face : fonts) {
        if (logFont && logFont->lfFaceName[0] && lower(face) != lower(logFont->lfFaceName))
            continue;
        LOGFONTA font{};
        font.lfHeight = -11;
        font.lfCharSet = ANSI_CHARSET;
        std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
        TEXTMETRICA metrics{};
        metrics.tmHeight = 13;
        result = proc(&font, &metrics, TRUETYPE_FONTTYPE, lParam);
        if (!result)
            break;
    }
    return result;
}

namespace sim {

void MoveMouse(POINT screen) {
    {
        auto guard = lock();
        state().cursor = screen;
    }
    cursorMoved();
    HWND target = GetCapture();
    if (!target)
        target = WindowFromPoint(screen);
    if (!target)
        return;
    POINT client = screen;
    ScreenToClient(target, &client);
    post(target, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
}

void Click(HWND hwnd, POINT client, bool right) {
    POINT screen = client;
    ClientToScreen(hwnd, &screen);
    {
        auto guard = lock();
        state().cursor = screen;
    }
    cursorMoved();
    LPARAM at = MAKELPARAM(client.x, client.y);
    post(hwnd, WM_MOUSEMOVE, 0, at);
    post(hwnd, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, at);
    post(hwnd, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, at);
}

void DoubleClick(HWND hwnd, POINT client) {
    LPARAM at = MAKELPARAM(client.x, client.y);
    post(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    post(hwnd, WM_LBUTTONUP, 0, at);
    post(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    post(hwnd, WM_LBUTTONUP, 0, at);
}

void PressKeys(const std::vector<UINT>& keys) {
    HWND target = keyboardTarget();
    bool alt = std::find(keys.begin(), keys.end(), static_cast<UINT>(VK_MENU)) != keys.end();
    for (UINT vk : keys)
        post(target, alt && vk != VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN, vk,
             static_cast<LPARAM>(1 | (scanOf(vk) << 16)));
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
        post(target, alt && *it != VK_MENU ? WM_SYSKEYUP : WM_KEYUP, *it,
             static_cast<LPARAM>(1 | (scanOf(*it) << 16) | 0xC0000000u));
}

void TypeText(const std::string& text) {
    HWND target = keyboardTarget();
    for (unsigned char c : text)
        post(target, WM_CHAR, c, 1);
}

void SetFontInstalled(const std::string& face, bool installed) {
    auto guard = lock();
    auto& fonts = state().fonts;
    fonts.erase(std::remove_if(fonts.begin(), fonts.end(),
                               [&](const std::string& f) { return lower(f) == lower(face); }),
                fonts.end());
    if (installed)
        fonts.push_back(face);
}

} // namespace sim
