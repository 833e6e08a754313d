// The simulator's Win32 API: what the program uses, under the Windows names.
#pragma once

#include "platform/sim/wintypes.h"
#include "platform/sim/kernel32.h"
#include "platform/sim/gdi32.h"
#include "platform/sim/user32.h"
#include "platform/sim/user32_wm.h"
#include "platform/sim/comctl32.h"
#include "platform/sim/user32_controls.h"
#include "platform/sim/comctl32_controls.h"
#include "platform/sim/advapi32.h"
#include "platform/sim/comdlg32.h"
#include "platform/sim/mapi.h"
#include "platform/sim/winhelp.h"
#include "platform/sim/winsock.h"
