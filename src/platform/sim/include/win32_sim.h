// The simulator's Win32 API: what the program uses, under the Windows names.
#pragma once

#include "platform/sim/include/wintypes.h"
#include "platform/sim/include/kernel32.h"
#include "platform/sim/include/gdi32.h"
#include "platform/sim/include/user32.h"
#include "platform/sim/include/user32_wm.h"
#include "platform/sim/include/user32_hooks.h"
#include "platform/sim/include/comctl32.h"
#include "platform/sim/include/user32_controls.h"
#include "platform/sim/include/comctl32_controls.h"
#include "platform/sim/include/advapi32.h"
#include "platform/sim/include/shell32.h"
#include "platform/sim/include/comdlg32.h"
#include "platform/sim/include/mapi.h"
#include "platform/sim/include/winhelp.h"
#include "platform/sim/include/winsock.h"
