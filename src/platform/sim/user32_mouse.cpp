// The mouse beyond its messages: activation by a click (WM_MOUSEACTIVATE)
// and the leave notice of TrackMouseEvent.
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <map>

using namespace sim::detail;

namespace {

// The window each thread tracks for WM_MOUSELEAVE (caller holds the lock).
std::map<DWORD, HWND>& tracked() {
    static std::map<DWORD, HWND> windows;
    return windows;
}

bool isButtonDown(UINT msg) {
    return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
}

} // namespace

namespace sim::detail {

bool mouseActivate(const MSG& msg) {
    if (!isButtonDown(msg.message) || !IsWindow(msg.hwnd) || GetCapture())
        return true;
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (!top || top == GetActiveWindow())
        return true;
    LRESULT answer = SendMessageA(msg.hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                  MAKELPARAM(HTCLIENT, msg.message));
    switch (answer) {
    case MA_NOACTIVATE:
        return true;
    case MA_NOACTIVATEANDEAT:
        return false;
    case MA_ACTIVATEANDEAT:
        SetForegroundWindow(top);
        return false;
    default:
        if (top != GetActiveWindow())
            SetForegroundWindow(top);
        return true;
    }
}

void cursorMoved() {
    std::vector<HWND> left;
    {
        auto guard = lock();
        POINT cursor = state().cursor;
        guard.unlock();
        HWND over = WindowFromPoint(cursor);
        guard.lock();
        auto& windows = tracked();
        for (auto it = windows.begin(); it != windows.end();) {
            if (it->second != over) {
                left.push_back(it->second);
                it = windows.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (HWND hwnd : left)
        PostMessageA(hwnd, WM_MOUSELEAVE, 0, 0);
}

void resetMouseTracking() {
    tracked().clear();
}

} // namespace sim::detail

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWindow(track->hwndTrack)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    HWND over = WindowFromPoint(cursor);
    HWND previous = nullptr;
    {
        auto guard = lock();
        auto& windows = tracked();
        DWORD thread = GetCurrentThreadId();
        auto it = windows.find(thread);
        HWND current = it == windows.end() ? nullptr : it->second;
        if (track->dwFlags & TME_CANCEL) {
            if ((track->dwFlags & TME_LEAVE) && current == track->hwndTrack)
                windows.erase(it);
            return TRUE;
        }
        if (!(track->dwFlags & TME_LEAVE))
            return TRUE;
        // Tracking another window ends the tracking of the one before.
        if (current && current != track->hwndTrack)
            previous = current;
        // A window the cursor is not over is not tracked, and hears nothing
        // (as under Wine; Windows would post the leave at once).
        if (over == track->hwndTrack)
            windows[thread] = track->hwndTrack;
        else if (it != windows.end())
            windows.erase(thread);
    }
    if (previous)
        PostMessageA(previous, WM_MOUSELEAVE, 0, 0);
    return TRUE;
}
