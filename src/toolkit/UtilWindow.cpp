#include "toolkit/UtilWindow.h"
#include "toolkit/Application.h"

#include <memory>

namespace tk {

namespace {

constexpr const char* utilClass = "TPUtilWindow";

struct MethodTarget : TWindowTarget {
    MethodTarget(TComponent* owner, TWndMethod method) : owner(owner), method(std::move(method)) {}

    void WindowMessage(HWND, TMessage& message) override {
        try {
            method(message);
        } catch (const std::exception& error) {
            ReportException(owner, error);
        }
    }

    TComponent* owner;
    TWndMethod method;
};

} // namespace

HWND CreateHiddenWindow(const char* className, TWindowTarget& target, int windowExtra) {
    WNDCLASSA cls{};
    cls.cbWndExtra = windowExtra;
    RegisterTargetClass(className, cls);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window)
        AttachTarget(window, &target);
    return window;
}

void DestroyHiddenWindow(HWND window) {
    if (!window)
        return;
    AttachTarget(window, nullptr);
    DestroyWindow(window);
}

HWND AllocateHWnd(TComponent* owner, TWndMethod method) {
    auto target = std::make_unique<MethodTarget>(owner, std::move(method));
    HWND hwnd = CreateHiddenWindow(utilClass, *target);
    if (!hwnd)
        throw Exception("Cannot create a window");
    target.release(); // the window's now; DeallocateHWnd frees it
    return hwnd;
}

void DeallocateHWnd(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd))
        return;
    std::unique_ptr<TWindowTarget> target(TargetOf(hwnd));
    DestroyHiddenWindow(hwnd);
}

} // namespace tk
