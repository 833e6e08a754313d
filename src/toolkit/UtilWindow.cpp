#include "toolkit/UtilWindow.h"
#include "toolkit/Application.h"

#include <memory>

namespace tk {

namespace {

constexpr const char* utilClass = "TPUtilWindow";

struct Target {
    TComponent* owner;
    TWndMethod method;
};

LRESULT CALLBACK UtilWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* target = reinterpret_cast<Target*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!target)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    try {
        target->method(message);
    } catch (const std::exception& error) {
        try {
            ApplicationOf(target->owner).HandleException(error);
        } catch (...) {
        }
    }
    return message.Result;
}

} // namespace

HWND AllocateHWnd(TComponent* owner, TWndMethod method) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls{};
    if (!GetClassInfoA(instance, utilClass, &cls)) {
        cls.lpfnWndProc = &UtilWndProc;
        cls.hInstance = instance;
        cls.lpszClassName = utilClass;
        RegisterClassA(&cls);
    }
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, utilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, instance, nullptr);
    if (!hwnd)
        throw Exception("Cannot create a window");
    auto target = std::make_unique<Target>(Target{owner, std::move(method)});
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target.release()));
    return hwnd;
}

void DeallocateHWnd(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd))
        return;
    auto* target = reinterpret_cast<Target*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
    delete target;
}

} // namespace tk
