// The standard scroll bars of windows, as state.
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>

using namespace sim::detail;

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
    DWORD bits = bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL | WS_VSCROLL;
    bool changed;
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return FALSE;
        DWORD style = show ? (w->style | bits) : (w->style & ~bits);
        changed = style != w->style;
        w->style = style;
    }
    if (changed) { // the client area changed
        RECT client{};
        GetClientRect(hwnd, &client);
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    return TRUE;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || (bar != SB_HORZ && bar != SB_VERT))
        return FALSE;
    w->scrollMin[bar] = minPos;
    w->scrollMax[bar] = maxPos;
    w->scrollPos[bar] = std::clamp(w->scrollPos[bar], minPos, std::max(minPos, maxPos));
    return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, LPINT minPos, LPINT maxPos) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || (bar != SB_HORZ && bar != SB_VERT))
        return FALSE;
    *minPos = w->scrollMin[bar];
    *maxPos = w->scrollMax[bar];
    return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || (bar != SB_HORZ && bar != SB_VERT))
        return 0;
    int old = w->scrollPos[bar];
    w->scrollPos[bar] = std::clamp(pos, w->scrollMin[bar], std::max(w->scrollMin[bar], w->scrollMax[bar]));
    return old;
}

int GetScrollPos(HWND hwnd, int bar) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    return w && (bar == SB_HORZ || bar == SB_VERT) ? w->scrollPos[bar] : 0;
}
