// Hidden windows for components that only need a message target (timers,
// the tray icon, sockets, the way back to the GUI thread).
#pragma once

#include "toolkit/Classes.h"
#include "toolkit/WndProc.h"

#include <functional>

namespace tk {

// Makes a hidden window: zero-sized, top-level, a pop-up tool window (so it
// shows nowhere) of `className`, which is registered on first use with the
// toolkit's window procedure and `windowExtra` extra bytes per window. Its
// messages go to `target` once it exists; those of its creation go to
// DefWindowProcA. Null when the window cannot be made.
HWND CreateHiddenWindow(const char* className, TWindowTarget& target, int windowExtra = 0);
// Detaches the window's target, then destroys the window: the target hears
// nothing of the destruction.
void DestroyHiddenWindow(HWND window);

using TWndMethod = std::function<void(TMessage& message)>;

// A hidden window of class "TPUtilWindow" whose messages go to one handler.
// The handler gets every message; messages it leaves alone it passes to
// DefWindowProcA itself (TMessage.Result is what the window answers).
// Exceptions escaping the handler go to the application of `owner`.
HWND AllocateHWnd(TComponent* owner, TWndMethod method);
void DeallocateHWnd(HWND hwnd);

} // namespace tk
