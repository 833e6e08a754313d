// Hidden windows for components that only need a message target (timers,
// the tray icon, sockets): class "TPUtilWindow", one handler per window.
#pragma once

#include "toolkit/Controls.h"

#include <functional>

namespace tk {

using TWndMethod = std::function<void(TMessage& message)>;

// The handler gets every message; messages it leaves alone it passes to
// DefWindowProcA itself (TMessage.Result is what the window answers).
// Exceptions escaping the handler go to the application of `owner`.
HWND AllocateHWnd(TComponent* owner, TWndMethod method);
void DeallocateHWnd(HWND hwnd);

} // namespace tk
