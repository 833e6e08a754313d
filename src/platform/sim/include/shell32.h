// shell32 as the simulator gives it: the notification area of the task bar.
#pragma once

#include "platform/sim/include/wintypes.h"

#include <cstddef>

// The record of one notification-area icon, laid out as on Windows: the
// first version ends after a tool tip of 64 bytes; later versions go on
// with a longer tool tip and balloon fields.
struct NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uVersion; // shares its place with uTimeout on Windows
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};
using PNOTIFYICONDATAA = NOTIFYICONDATAA*;
#define NOTIFYICONDATAA_V1_SIZE (offsetof(NOTIFYICONDATAA, szTip) + 64)
#define NOTIFYICONDATAA_V2_SIZE (offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD))

#define NIM_ADD 0x00000000
#define NIM_MODIFY 0x00000001
#define NIM_DELETE 0x00000002
#define NIF_MESSAGE 0x00000001
#define NIF_ICON 0x00000002
#define NIF_TIP 0x00000004

// Adds, changes or deletes the icon of (hWnd, uID). An add of an icon that is
// there and a change or delete of one that is not fail, as does every call
// while the shell is not running.
BOOL Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data);
