// Showing and hiding, activation, the foreground window, focus, enabled state
// and mouse capture.
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>

using namespace sim::detail;

namespace {

bool isEnabledTopLevel(HWND hwnd) {
    Window* w = findWindow(hwnd);
    return w && !(w->style & WS_CHILD) && !w->messageOnly && (w->style & WS_VISIBLE) &&
           !(w->style & WS_DISABLED) && !w->destroying;
}

std::vector<HWND> topLevelWindowsOf(int task) {
    std::vector<HWND> out;
    for (HWND h : state().topLevel)
        if (Window* w = findWindow(h); w && w->task == task && !w->messageOnly)
            out.push_back(h);
    return out;
}

void markForPaint(HWND hwnd) {
    if (Window* w = findWindow(hwnd)) {
        w->needsPaint = true;
        for (HWND child : w->children)
            markForPaint(child);
    }
}

// Makes `hwnd` (a top-level window, or null) the active and foreground
// window, with the notices Windows sends. Windows of other threads get them
// without the caller waiting, so that activating a program that does not
// answer does not hang the caller. The caller holds no lock.
void activate(HWND hwnd) {
    HWND old;
    int oldTask = 0;
    int newTask = 0;
    {
        auto guard = lock();
        old = state().active;
        if (old == hwnd)
            return;
        if (hwnd && !findWindow(hwnd))
            return;
        state().active = hwnd;
        state().foreground = hwnd;
        if (Window* o = findWindow(old))
            oldTask = o->task;
        // The window and its owners remember it as their last active one.
        if (Window* n = findWindow(hwnd)) {
            newTask = n->task;
            n->lastActivePopup = hwnd;
            for (Window* owner = findWindow(n->owner); owner; owner = findWindow(owner->owner))
                owner->lastActivePopup = hwnd;
        }
    }
    if (old && IsWindow(old)) {
        notify(old, WM_NCACTIVATE, FALSE, 0);
        notify(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    }
    if (oldTask != newTask) {
        std::vector<HWND> losing;
        std::vector<HWND> gaining;
        {
            auto guard = lock();
            if (oldTask)
                losing = topLevelWindowsOf(oldTask);
            if (newTask)
                gaining = topLevelWindowsOf(newTask);
        }
        for (HWND h : losing)
            if (IsWindow(h))
                notify(h, WM_ACTIVATEAPP, FALSE, 0);
        for (HWND h : gaining)
            if (IsWindow(h))
                notify(h, WM_ACTIVATEAPP, TRUE, 0);
    }
    if (hwnd && IsWindow(hwnd)) {
        notify(hwnd, WM_NCACTIVATE, TRUE, 0);
        notify(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    }
}

// The window that becomes active when `leaving` is hidden or disabled: its
// owner when that can be active, else the topmost other window of its task.
HWND successorOf(HWND leaving) {
    auto guard = lock();
    Window* w = findWindow(leaving);
    if (!w)
        return nullptr;
    if (isEnabledTopLevel(w->owner))
        return w->owner;
    for (HWND h : state().topLevel)
        if (h != leaving && isEnabledTopLevel(h) && findWindow(h)->task == w->task)
            return h;
    return nullptr;
}

bool focusInside(HWND hwnd) {
    HWND focus = state().focus;
    return focus && (focus == hwnd || IsChild(hwnd, focus));
}

void setFocusTo(HWND hwnd) {
    HWND old;
    {
        auto guard = lock();
        old = state().focus;
        if (old == hwnd)
            return;
        state().focus = hwnd;
    }
    if (old && IsWindow(old))
        SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && IsWindow(hwnd))
        SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

} // namespace

BOOL ShowWindow(HWND hwnd, int command) {
    return showWindow(hwnd, command, true);
}

namespace sim::detail {

// ShowWindow, and SetWindowPos showing or hiding, which sends no WM_SHOWWINDOW.
BOOL showWindow(HWND hwnd, int command, bool tell) {
    bool wasVisible;
    bool nowVisible;
    bool topLevel;
    bool minimizedChange = false;
    bool minimized;
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        wasVisible = w->style & WS_VISIBLE;
        nowVisible = command != SW_HIDE;
        topLevel = !(w->style & WS_CHILD);
        bool wasMinimized = w->style & WS_MINIMIZE;
        switch (command) {
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            w->style |= WS_MINIMIZE;
            w->style &= ~static_cast<DWORD>(WS_MAXIMIZE);
            break;
        case SW_SHOWMAXIMIZED:
            w->style |= WS_MAXIMIZE;
            w->style &= ~static_cast<DWORD>(WS_MINIMIZE);
            break;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
            w->style &= ~static_cast<DWORD>(WS_MINIMIZE | WS_MAXIMIZE);
            break;
        default:
            break;
        }
        minimized = w->style & WS_MINIMIZE;
        minimizedChange = minimized != wasMinimized;
    }
    if (tell && (wasVisible != nowVisible || command == SW_SHOWNA))
        SendMessageA(hwnd, WM_SHOWWINDOW, nowVisible, 0);
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return wasVisible;
        if (nowVisible) {
            w->style |= WS_VISIBLE;
            if (!wasVisible)
                markForPaint(hwnd);
        } else {
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        }
    }
    if (minimizedChange) {
        RECT client{};
        GetClientRect(hwnd, &client);
        SendMessageA(hwnd, WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED,
                     MAKELPARAM(client.right, client.bottom));
    }
    if (!nowVisible) {
        bool hadFocus;
        bool wasActive;
        {
            auto guard = lock();
            hadFocus = focusInside(hwnd);
            wasActive = state().active == hwnd;
        }
        if (hadFocus)
            setFocusTo(nullptr);
        if (wasActive)
            activate(successorOf(hwnd));
    } else if (topLevel) {
        bool activating = command == SW_SHOWNORMAL || command == SW_SHOWMAXIMIZED ||
                          command == SW_SHOW || command == SW_RESTORE ||
                          command == SW_SHOWMINIMIZED;
        if (activating && IsWindowEnabled(hwnd))
            activate(hwnd);
    }
    return wasVisible;
}

} // namespace sim::detail

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    bool wasDisabled;
    bool changed;
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return FALSE;
        wasDisabled = w->style & WS_DISABLED;
        changed = wasDisabled == static_cast<bool>(enable);
        if (enable)
            w->style &= ~static_cast<DWORD>(WS_DISABLED);
        else
            w->style |= WS_DISABLED;
    }
    if (changed) {
        if (!enable) {
            // A disabled window cannot keep the focus; its children keep theirs.
            bool hadFocus;
            {
                auto guard = lock();
                hadFocus = state().focus == hwnd;
            }
            if (hadFocus)
                setFocusTo(nullptr);
        }
        SendMessageA(hwnd, WM_ENABLE, enable, 0);
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    return w && !(w->style & WS_DISABLED);
}

HWND SetFocus(HWND hwnd) {
    HWND previous;
    HWND top;
    {
        auto guard = lock();
        previous = state().focus;
        if (hwnd && !findWindow(hwnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        top = hwnd ? topLevelOf(hwnd) : nullptr;
    }
    if (top && GetActiveWindow() != top)
        activate(top);
    setFocusTo(hwnd);
    return previous;
}

HWND GetFocus() {
    auto guard = lock();
    HWND focus = state().focus;
    Window* w = findWindow(focus);
    return w && w->task == currentTask() ? focus : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
    HWND previous = GetActiveWindow();
    activate(hwnd ? topLevelOf(hwnd) : nullptr);
    return previous;
}

HWND GetActiveWindow() {
    auto guard = lock();
    Window* w = findWindow(state().active);
    return w && w->task == currentTask() ? state().active : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!IsWindow(hwnd))
        return FALSE;
    activate(topLevelOf(hwnd));
    return TRUE;
}

HWND GetForegroundWindow() {
    auto guard = lock();
    return findWindow(state().foreground) ? state().foreground : nullptr;
}

HWND GetLastActivePopup(HWND hwnd) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w)
        return nullptr;
    Window* popup = findWindow(w->lastActivePopup);
    if (popup && (popup->style & WS_VISIBLE) && !(popup->style & WS_DISABLED))
        return popup->handle;
    return hwnd;
}

HWND SetCapture(HWND hwnd) {
    HWND old;
    {
        auto guard = lock();
        old = state().capture;
        state().capture = hwnd;
    }
    if (old && old != hwnd && IsWindow(old))
        SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture() {
    HWND old;
    {
        auto guard = lock();
        old = state().capture;
        state().capture = nullptr;
    }
    if (old && IsWindow(old))
        SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    auto guard = lock();
    return state().capture;
}

namespace sim::detail {

// Called with the lock held when a window goes away.
void forgetWindowManager(HWND hwnd) {
    auto& s = state();
    if (s.active == hwnd)
        s.active = nullptr;
    if (s.foreground == hwnd)
        s.foreground = nullptr;
    if (s.focus == hwnd)
        s.focus = nullptr;
    if (s.capture == hwnd)
        s.capture = nullptr;
    s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(),
                                  [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                   s.timers.end());
    s.hotKeys.erase(std::remove_if(s.hotKeys.begin(), s.hotKeys.end(),
                                   [hwnd](const HotKey& k) { return k.hwnd == hwnd; }),
                    s.hotKeys.end());
    for (auto& [key, w] : s.windows)
        if (w->lastActivePopup == hwnd)
            w->lastActivePopup = nullptr;
}

} // namespace sim::detail
