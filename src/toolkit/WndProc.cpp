#include "toolkit/WndProc.h"

namespace tk {

namespace {

// The target whose window is being made: the window's first messages arrive
// before CreateWindowExA returns its handle.
thread_local TWindowTarget* creating = nullptr;

TWindowTarget* attachedTarget(HWND window) {
    return reinterpret_cast<TWindowTarget*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

} // namespace

LRESULT CALLBACK TargetWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWindowTarget* target = attachedTarget(window);
    if (!target) {
        target = creating;
        if (!target)
            return DefWindowProcA(window, msg, wParam, lParam);
        AttachTarget(window, target);
    }
    TMessage message{msg, wParam, lParam, 0};
    target->WindowMessage(window, message);
    if (msg == WM_NCDESTROY)
        AttachTarget(window, nullptr);
    return message.Result;
}

bool RegisterTargetClass(const char* className, WNDCLASSA base) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing{};
    if (GetClassInfoA(instance, className, &existing))
        return true;
    base.lpfnWndProc = &TargetWindowProc;
    base.hInstance = instance;
    base.lpszClassName = className;
    base.lpszMenuName = nullptr;
    return RegisterClassA(&base) != 0;
}

HWND CreateTargetWindow(TWindowTarget& target, DWORD exStyle, const char* className,
                        const char* caption, DWORD style, int x, int y, int width, int height,
                        HWND parent, void* param) {
    TWindowTarget* outer = creating;
    creating = &target;
    HWND window = CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent,
                                  nullptr, GetModuleHandleA(nullptr), param);
    creating = outer;
    return window;
}

void AttachTarget(HWND window, TWindowTarget* target) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
}

TWindowTarget* TargetOf(HWND window) {
    if (!window)
        return nullptr;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    return proc == &TargetWindowProc ? attachedTarget(window) : nullptr;
}

} // namespace tk
