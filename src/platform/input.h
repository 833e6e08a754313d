// What a user does with the mouse, for tests that need real input (a click
// that activates the window under it, as programmatic posting never does):
// on Windows through SendInput, under the simulator through its injection.
#pragma once

#include "platform/win32.h"

#if !defined(_WIN32)
#include "platform/sim/simulator.h"
#endif

namespace platform {

// Moves the cursor to the screen point and clicks the left button there.
inline void ClickAt(POINT screen) {
#if defined(_WIN32)
    SetCursorPos(screen.x, screen.y);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
#else
    HWND target = WindowFromPoint(screen);
    POINT client = screen;
    ScreenToClient(target, &client);
    sim::Click(target, client);
#endif
}

} // namespace platform
