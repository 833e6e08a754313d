// Invalidation and WM_PAINT, timers on the simulated clock, and hot keys.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>

using namespace sim::detail;

namespace {

void invalidate(Window& w, bool children) {
    w.needsPaint = true;
    if (children)
        for (HWND child : w.children)
            if (Window* c = findWindow(child))
                invalidate(*c, true);
}

} // namespace

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    auto guard = lock();
    if (!hwnd) {
        for (auto& [k, w] : state().windows)
            w->needsPaint = true;
        wakeAll();
        return TRUE;
    }
    Window* w = findWindow(hwnd);
    if (!w)
        return FALSE;
    w->needsPaint = true;
    if (auto queue = queueOf(w->thread))
        queue->wake.notify_all();
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w)
        return FALSE;
    w->needsPaint = false;
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT*, HRGN, UINT flags) {
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return FALSE;
        if (flags & (RDW_INVALIDATE | RDW_FRAME))
            invalidate(*w, flags & RDW_ALLCHILDREN);
    }
    if (flags & RDW_UPDATENOW)
        UpdateWindow(hwnd);
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    bool paint;
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return FALSE;
        paint = w->needsPaint && isVisibleOnScreen(hwnd);
    }
    if (paint)
        SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

namespace sim::detail {

bool syntheticMessage(DWORD thread, MSG& out, bool remove) {
    auto& s = state();
    for (auto& [k, w] : s.windows) {
        if (w->thread == thread && w->needsPaint && isVisibleOnScreen(w->handle)) {
            out = MSG{w->handle, WM_PAINT, 0, 0, s.clock, s.cursor};
            return true; // it stays owed until the window validates itself
        }
    }
    for (auto& timer : s.timers) {
        if (timer.thread != thread || static_cast<LONG>(s.clock - timer.due) < 0)
            continue;
        out = MSG{timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc),
                  s.clock,    s.cursor};
        if (remove)
            timer.due = s.clock + timer.period; // missed periods are not made up
        return true;
    }
    return false;
}

std::optional<DWORD> nextTimerDue(DWORD thread) {
    auto& s = state();
    std::optional<DWORD> soonest;
    for (const auto& timer : s.timers) {
        if (timer.thread != thread)
            continue;
        LONG left = static_cast<LONG>(timer.due - s.clock);
        DWORD wait = left > 0 ? static_cast<DWORD>(left) : 0;
        if (!soonest || wait < *soonest)
            soonest = wait;
    }
    return soonest;
}

void resetWindowManager() {
    auto& s = state();
    s.timers.clear();
    s.nextTimerId = 1;
    s.hotKeys.clear();
    s.menus.clear();
    s.active = s.foreground = s.focus = s.capture = nullptr;
    s.cursor = POINT{0, 0};
    std::fill(std::begin(s.keys), std::end(s.keys), 0);
    s.fonts = {"Arial", "Courier New", "MS Sans Serif", "Tahoma", "Times New Roman"};
    s.trackedMenus.clear();
}

} // namespace sim::detail

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    auto guard = lock();
    auto& s = state();
    if (!timersAvailable()) {
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return 0;
    }
    if (hwnd && !findWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!hwnd)
        id = s.nextTimerId++;
    DWORD period = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
    auto it = std::find_if(s.timers.begin(), s.timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id && hwnd; });
    Timer timer{
        hwnd, id, GetCurrentThreadId(), period, s.clock + period, reinterpret_cast<void*>(proc),
        false};
    if (it != s.timers.end())
        *it = timer;
    else
        s.timers.push_back(timer);
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto guard = lock();
    auto& timers = state().timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers.end())
        return FALSE;
    DWORD thread = it->thread;
    timers.erase(it);
    auto queue = queueOf(thread); // a WM_TIMER already queued goes too
    queue->posted.erase(std::remove_if(queue->posted.begin(), queue->posted.end(),
                                       [&](const MSG& m) {
                                           return m.message == WM_TIMER && m.hwnd == hwnd &&
                                                  m.wParam == id;
                                       }),
                        queue->posted.end());
    return TRUE;
}

BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT key) {
    auto guard = lock();
    auto& s = state();
    if (hwnd && !findWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    modifiers &= MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN;
    // A combination held by anyone, the same window and identifier too, is
    // refused; otherwise the window's identifier takes the new combination.
    HotKey* same = nullptr;
    for (auto& k : s.hotKeys) {
        if (k.modifiers == modifiers && k.key == key) {
            SetLastError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return FALSE;
        }
        if (k.hwnd == hwnd && k.id == id)
            same = &k;
    }
    if (same)
        *same = HotKey{hwnd, id, modifiers, key};
    else
        s.hotKeys.push_back(HotKey{hwnd, id, modifiers, key});
    return TRUE;
}

BOOL UnregisterHotKey(HWND hwnd, int id) {
    auto guard = lock();
    auto& keys = state().hotKeys;
    auto it = std::find_if(keys.begin(), keys.end(),
                           [&](const HotKey& k) { return k.hwnd == hwnd && k.id == id; });
    if (it == keys.end()) {
        SetLastError(1419); // ERROR_HOTKEY_NOT_REGISTERED
        return FALSE;
    }
    keys.erase(it);
    return TRUE;
}

namespace sim {

bool PressHotKey(UINT modifiers, UINT key) {
    auto guard = lock();
    for (const auto& k : state().hotKeys)
        if (k.modifiers == modifiers && k.key == key) {
            HWND hwnd = k.hwnd;
            int id = k.id;
            guard.unlock();
            return PostMessageA(hwnd, WM_HOTKEY, static_cast<WPARAM>(id),
                                MAKELPARAM(modifiers, key));
        }
    return false;
}

std::vector<HotKeyRecord> HotKeys() {
    auto guard = lock();
    std::vector<HotKeyRecord> out;
    for (const auto& k : state().hotKeys)
        out.push_back(HotKeyRecord{k.hwnd, k.id, k.modifiers, k.key});
    return out;
}

std::vector<TimerRecord> Timers() {
    auto guard = lock();
    std::vector<TimerRecord> out;
    for (const auto& t : state().timers)
        out.push_back(TimerRecord{t.hwnd, t.id, t.period, t.due});
    return out;
}

} // namespace sim
