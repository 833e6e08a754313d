// The one way in which the program reaches the operating system.
//
// On Windows this is the SDK; everywhere else it is the simulator, which
// declares the same subset of the Win32 API (names, types, constants, struct
// layouts) and implements it in memory. No other file switches on the platform.
#pragma once

#if defined(_WIN32)
#include <winsock.h>
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
#include <commdlg.h>
#include <mapi.h>
#else
#include "platform/sim/include/win32_sim.h"
#endif
