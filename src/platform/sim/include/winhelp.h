// The WinHelp viewer's entry in user32, as the simulator gives it: calls are
// logged for tests (simulator.h).
#pragma once

#include "platform/sim/include/wintypes.h"

#define HELP_CONTEXT 0x0001
#define HELP_QUIT 0x0002
#define HELP_INDEX 0x0003
#define HELP_CONTENTS 0x0003
#define HELP_HELPONHELP 0x0004
#define HELP_SETINDEX 0x0005
#define HELP_SETCONTENTS 0x0005
#define HELP_CONTEXTPOPUP 0x0008
#define HELP_FORCEFILE 0x0009
#define HELP_FINDER 0x000B
#define HELP_KEY 0x0101
#define HELP_COMMAND 0x0102
#define HELP_PARTIALKEY 0x0105

BOOL WinHelpA(HWND hwnd, LPCSTR helpFile, UINT command, ULONG_PTR data);
