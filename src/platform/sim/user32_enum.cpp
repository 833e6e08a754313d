// Enumerating the windows below a parent, the desktop included.
#include "platform/sim/state.h"

#include <vector>

using namespace sim::detail;

namespace {

// The windows directly below `parent` now, top of the z-order first; below
// the desktop the top-level windows (message-only windows are not there).
std::vector<HWND> childrenOf(HWND parent) {
    auto guard = lock();
    std::vector<HWND> out;
    if (key(parent) == desktopHandle || !parent) {
        for (HWND hwnd : state().topLevel)
            if (Window* w = findWindow(hwnd); w && !w->messageOnly)
                out.push_back(hwnd);
    } else if (Window* w = findWindow(parent)) {
        out = w->children;
    }
    return out;
}

// Each window, then its own descendants; the list of a window's children is
// taken before the callback sees the window. False once the callback said stop.
bool enumerate(const std::vector<HWND>& windows, WNDENUMPROC enumFunc, LPARAM lParam) {
    for (HWND hwnd : windows) {
        if (!IsWindow(hwnd))
            continue;
        std::vector<HWND> children = childrenOf(hwnd);
        if (!enumFunc(hwnd, lParam))
            return false;
        if (!enumerate(children, enumFunc, lParam))
            return false;
    }
    return true;
}

} // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC enumFunc, LPARAM lParam) {
    std::vector<HWND> children = childrenOf(parent);
    if (children.empty())
        return FALSE; // as Wine answers for a window without children
    return enumerate(children, enumFunc, lParam) ? TRUE : FALSE;
}
