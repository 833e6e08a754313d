// Messages between programs: registered message numbers.
#include "platform/sim/state.h"

UINT RegisterWindowMessageA(LPCSTR name) {
    // Message names and clipboard format names share one table, as on Windows.
    return RegisterClipboardFormatA(name);
}
