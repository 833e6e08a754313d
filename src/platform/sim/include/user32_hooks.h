// user32's message hooks and mouse tracking as the simulator gives them:
// WH_GETMESSAGE hooks of a thread, mouse activation answers, and the leave
// notice of TrackMouseEvent.
#pragma once

#include "platform/sim/include/wintypes.h"

// Hooks. A WH_GETMESSAGE hook of a thread sees every message that
// GetMessageA or PeekMessageA gives back, before the caller does: wParam is
// PM_REMOVE when the message was taken off the queue and PM_NOREMOVE when it
// was only looked at, lParam the MSG, which the hook may change.
using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);
#define WH_GETMESSAGE 3
#define HC_ACTION 0
#define ERROR_INVALID_HOOK_HANDLE 1404L
HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
// Calls the hook installed before the one running now; the handle is not needed.
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
BOOL UnhookWindowsHookEx(HHOOK hook);

// Answers to WM_MOUSEACTIVATE: a button pressed over a window of an inactive
// top-level window activates it unless the window answers MA_NOACTIVATE*;
// the *ANDEAT answers drop the button message.
#define MA_ACTIVATE 1
#define MA_ACTIVATEANDEAT 2
#define MA_NOACTIVATE 3
#define MA_NOACTIVATEANDEAT 4

// Mouse tracking: WM_MOUSELEAVE is posted once when the cursor is no longer
// over the tracked window; a window the cursor is not over now is not
// tracked (Wine's answer; Windows posts the leave at once).
struct TRACKMOUSEEVENT {
    DWORD cbSize;
    DWORD dwFlags;
    HWND hwndTrack;
    DWORD dwHoverTime;
};
using LPTRACKMOUSEEVENT = TRACKMOUSEEVENT*;
#define TME_LEAVE 0x00000002
#define TME_CANCEL 0x80000000
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);
