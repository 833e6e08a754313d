// The simulator's Win32 API: what the program uses, under the Windows names.
#pragma once

#include "platform/sim/wintypes.h"
#include "platform/sim/kernel32.h"
#include "platform/sim/gdi32.h"
#include "platform/sim/user32.h"
#include "platform/sim/user32_wm.h"
#include "platform/sim/comctl32.h"
#include "platform/sim/winsock.h"
