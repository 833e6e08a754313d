// The shell's notification area: icons keyed by window and identifier, the
// calls that change them, the shell's restart with its "TaskbarCreated"
// broadcast, and the user's clicks on an icon.
#include "platform/sim/script.h"
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <cstring>

using namespace sim::detail;

namespace {

struct Area {
    bool running = true;
    std::vector<sim::NotifyIconRecord> icons;
    std::vector<sim::NotifyIconCall> calls;
};

// Kept under the state's lock.
Area& area() {
    static auto* instance = new Area; // threads may outlast main
    return *instance;
}

std::vector<sim::NotifyIconRecord>::iterator findIcon(HWND hwnd, UINT id) {
    auto& icons = area().icons;
    return std::find_if(icons.begin(), icons.end(), [&](const sim::NotifyIconRecord& icon) {
        return icon.hwnd == hwnd && icon.id == id;
    });
}

// The fields that the record's size covers. A size the shell does not know
// counts as the first version's, as Wine takes it.
sim::NotifyIconCall readRecord(DWORD message, const NOTIFYICONDATAA& data) {
    sim::NotifyIconCall call;
    call.message = message;
    call.size = data.cbSize;
    call.hwnd = data.hWnd;
    call.id = data.uID;
    call.flags = data.uFlags;
    call.callbackMessage = data.uCallbackMessage;
    call.icon = data.hIcon;
    bool longTip = data.cbSize == NOTIFYICONDATAA_V2_SIZE || data.cbSize == sizeof(NOTIFYICONDATAA);
    std::size_t field = longTip ? sizeof data.szTip : 64;
    call.tip.assign(data.szTip, strnlen(data.szTip, field));
    if (call.tip.size() == field) // no terminator inside the field: the shell cuts it
        call.tip.pop_back();
    return call;
}

void apply(const sim::NotifyIconCall& call, sim::NotifyIconRecord& icon) {
    if (call.flags & NIF_MESSAGE)
        icon.callbackMessage = call.callbackMessage;
    if (call.flags & NIF_ICON)
        icon.icon = call.icon;
    if (call.flags & NIF_TIP)
        icon.tip = call.tip;
}

BOOL perform(const sim::NotifyIconCall& call) {
    auto& icons = area().icons;
    auto found = findIcon(call.hwnd, call.id);
    switch (call.message) {
    case NIM_ADD: {
        if (found != icons.end())
            return FALSE; // already there
        sim::NotifyIconRecord icon;
        icon.hwnd = call.hwnd;
        icon.id = call.id;
        apply(call, icon);
        icons.push_back(icon);
        return TRUE;
    }
    case NIM_MODIFY:
        if (found == icons.end())
            return FALSE;
        apply(call, *found);
        return TRUE;
    case NIM_DELETE:
        if (found == icons.end())
            return FALSE;
        icons.erase(found);
        return TRUE;
    default:
        return FALSE;
    }
}

void broadcastTaskbarCreated() {
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

bool clickIcon(HWND hwnd, UINT id, POINT screen, std::initializer_list<UINT> steps) {
    UINT callback;
    {
        auto guard = lock();
        auto icon = findIcon(hwnd, id);
        if (icon == area().icons.end())
            return false;
        if (!findWindow(hwnd)) {
            area().icons.erase(icon);
            return false;
        }
        callback = icon->callbackMessage;
        state().cursor = screen;
    }
    for (UINT step : steps)
        PostMessageA(hwnd, callback, id, static_cast<LPARAM>(step));
    return true;
}

} // namespace

namespace sim::detail {

void resetNotifyArea() {
    area() = Area{};
}

} // namespace sim::detail

BOOL Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::NotifyIconCall call = readRecord(message, *data);
    bool refused = notifyIconRefused(message);
    auto guard = lock();
    call.result = refused || !area().running ? FALSE : perform(call);
    area().calls.push_back(call);
    return call.result;
}

namespace sim {

std::vector<NotifyIconRecord> NotifyIcons() {
    auto guard = lock();
    return area().icons;
}

std::vector<NotifyIconCall> NotifyIconCalls() {
    auto guard = lock();
    return area().calls;
}

void ClearNotifyIconCalls() {
    auto guard = lock();
    area().calls.clear();
}

void RefuseNotifyIcon(std::function<bool(DWORD message)> refuses) {
    setNotifyIconRefusal(std::move(refuses));
}

void SetShellRunning(bool running) {
    {
        auto guard = lock();
        bool starting = running && !area().running;
        area().running = running;
        if (!running)
            area().icons.clear();
        if (!starting)
            return;
    }
    broadcastTaskbarCreated();
}

void RestartShell() {
    SetShellRunning(false);
    SetShellRunning(true);
}

bool ClickNotifyIcon(HWND hwnd, UINT id, POINT screen, bool right) {
    if (right)
        return clickIcon(hwnd, id, screen, {WM_RBUTTONDOWN, WM_RBUTTONUP});
    return clickIcon(hwnd, id, screen, {WM_LBUTTONDOWN, WM_LBUTTONUP});
}

bool DoubleClickNotifyIcon(HWND hwnd, UINT id, POINT screen, bool right) {
    if (right)
        return clickIcon(hwnd, id, screen,
                         {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_RBUTTONUP});
    return clickIcon(hwnd, id, screen,
                     {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
}

} // namespace sim
