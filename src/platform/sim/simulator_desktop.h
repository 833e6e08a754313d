// The simulator's control surface for the desktop integration: the shell's
// notification area. Included by simulator.h; tests include that.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

// The notification area: one icon per (window, identifier), in the order
// they were added. Reset empties it and starts the shell.
struct NotifyIconRecord {
    HWND hwnd = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    HICON icon = nullptr;
    std::string tip;
};
std::vector<NotifyIconRecord> NotifyIcons();

// Every Shell_NotifyIconA call, as the shell read it (the fields its size
// covers), with its answer.
struct NotifyIconCall {
    DWORD message = 0; // NIM_ADD, NIM_MODIFY, NIM_DELETE
    DWORD size = 0;    // cbSize as given
    HWND hwnd = nullptr;
    UINT id = 0;
    UINT flags = 0;
    UINT callbackMessage = 0;
    HICON icon = nullptr;
    std::string tip;
    BOOL result = FALSE;
};
std::vector<NotifyIconCall> NotifyIconCalls();
void ClearNotifyIconCalls();

// While the predicate accepts a call's message, the shell refuses the call
// and changes nothing (null: no refusals).
void RefuseNotifyIcon(std::function<bool(DWORD message)> refuses);
// While the shell is not running, every call fails and the area is empty.
// When it starts (again), it broadcasts the message registered as
// "TaskbarCreated" to every top-level window. RestartShell stops and starts it.
void SetShellRunning(bool running);
void RestartShell();

// The user clicks an icon with the cursor at `screen`: its window gets the
// callback message (wParam the identifier, lParam the mouse message) for
// each step, in the order Wine reports them: a click is down, up; a double
// click is down, up, double click, up. False when there is no such icon; an
// icon whose window is gone is removed then, as Wine does.
bool ClickNotifyIcon(HWND hwnd, UINT id, POINT screen, bool right = false);
bool DoubleClickNotifyIcon(HWND hwnd, UINT id, POINT screen, bool right = false);

} // namespace sim
