// The one window procedure of the windows the toolkit makes: every message
// goes to the object the window belongs to, its target.
#pragma once

#include "platform/win32.h"

namespace tk {

// A window message as the toolkit hands it on; Result is the window's answer.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// An object that a window of a toolkit class belongs to. While it is
// attached it gets every message of the window, answers it in Result and
// passes what it leaves alone to the platform (DefWindowProcA, or the
// procedure of the platform class it builds on) itself. Exceptions must not
// leave WindowMessage: they would cross the platform's code.
class TWindowTarget {
public:
    virtual ~TWindowTarget() = default;
    virtual void WindowMessage(HWND window, TMessage& message) = 0;
};

// The window procedure of every class the toolkit registers. It hands each
// message to the window's target; without one (before it is attached, after
// it was detached) the message goes to DefWindowProcA. WM_NCDESTROY, the
// last message of a window, detaches the target once the target has had it.
LRESULT CALLBACK TargetWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Registers a class of this module whose procedure is TargetWindowProc, when
// no class of that name is registered yet. `base` gives the rest (style,
// cursor, extra bytes; a platform class's settings for a superclass). False
// when the class is missing and cannot be registered.
bool RegisterTargetClass(const char* className, WNDCLASSA base = {});

// Creates a window of a toolkit class whose messages go to `target` from the
// first one on, those sent while CreateWindowExA runs included. Null when the
// window cannot be made.
HWND CreateTargetWindow(TWindowTarget& target, DWORD exStyle, const char* className,
                        const char* caption, DWORD style, int x, int y, int width, int height,
                        HWND parent, void* param = nullptr);

// Attaches a target to a window of a toolkit class (null detaches it).
void AttachTarget(HWND window, TWindowTarget* target);
// The target of a window of a toolkit class; null for any other window.
TWindowTarget* TargetOf(HWND window);

} // namespace tk
