// Device contexts of windows. (A first slice: painting validates the window
// and hands out a context; drawing comes with the raster model.)
#include "platform/sim/state.h"
#include "platform/sim/user32_wm.h"

using namespace sim::detail;

namespace {

HDC windowContext(HWND hwnd) {
    auto guard = lock();
    if (!findWindow(hwnd))
        return nullptr;
    GdiObject dc;
    dc.type = OBJ_DC;
    return static_cast<HDC>(newGdi(std::move(dc)));
}

} // namespace

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return nullptr;
        w->needsPaint = false;
    }
    HDC dc = windowContext(hwnd);
    if (paint) {
        *paint = PAINTSTRUCT{};
        paint->hdc = dc;
        GetClientRect(hwnd, &paint->rcPaint);
    }
    SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint)
        DeleteObject(paint->hdc);
    return TRUE;
}

HDC GetDC(HWND hwnd) { return windowContext(hwnd); }
HDC GetWindowDC(HWND hwnd) { return windowContext(hwnd); }
int ReleaseDC(HWND, HDC dc) { return DeleteObject(dc); }
