// Window geometry, visibility, z-order and the desktop's metrics.
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>

using namespace sim::detail;

namespace {

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr int captionHeight = 19; // caption with its bottom line
constexpr int menuHeight = 19;
constexpr int scrollBarSize = 16;

int width(const RECT& r) {
    return r.right - r.left;
}
int height(const RECT& r) {
    return r.bottom - r.top;
}

bool hasCaption(DWORD style) {
    return (style & WS_CAPTION) == WS_CAPTION;
}

std::vector<HWND>& siblingsOf(Window& w) {
    if ((w.style & WS_CHILD) && findWindow(w.parent))
        return findWindow(w.parent)->children;
    return state().topLevel;
}

} // namespace

namespace sim::detail {

RECT nonClientInsets(const Window& w) {
    int border = 0;
    if (w.style & WS_THICKFRAME)
        border = 4;
    else if ((w.style & WS_DLGFRAME) || (w.exStyle & WS_EX_DLGMODALFRAME))
        border = 3;
    else if (w.style & WS_BORDER)
        border = 1;
    if (w.exStyle & WS_EX_CLIENTEDGE)
        border += 2;
    if (w.exStyle & WS_EX_STATICEDGE)
        border += 1;
    RECT insets{border, border, border, border};
    if (hasCaption(w.style))
        insets.top += (w.exStyle & WS_EX_TOOLWINDOW) ? 16 : captionHeight;
    if (!(w.style & WS_CHILD) && w.menu)
        insets.top += menuHeight;
    if (w.style & WS_VSCROLL)
        insets.right += scrollBarSize;
    if (w.style & WS_HSCROLL)
        insets.bottom += scrollBarSize;
    return insets;
}

RECT screenRect(const Window& w) {
    RECT r = w.rect;
    if ((w.style & WS_CHILD) && findWindow(w.parent)) {
        const Window& parent = *findWindow(w.parent);
        RECT outer = screenRect(parent);
        RECT insets = nonClientInsets(parent);
        int dx = outer.left + insets.left;
        int dy = outer.top + insets.top;
        r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    }
    return r;
}

bool isVisibleOnScreen(HWND hwnd) {
    for (Window* w = findWindow(hwnd); w;
         w = (w->style & WS_CHILD) ? findWindow(w->parent) : nullptr) {
        if (!(w->style & WS_VISIBLE))
            return false;
        if (!(w->style & WS_CHILD))
            return true;
    }
    return false;
}

HWND topLevelOf(HWND hwnd) {
    Window* w = findWindow(hwnd);
    while (w && (w->style & WS_CHILD) && findWindow(w->parent))
        w = findWindow(w->parent);
    return w ? w->handle : nullptr;
}

} // namespace sim::detail

BOOL IsWindowVisible(HWND hwnd) {
    auto guard = lock();
    return isVisibleOnScreen(hwnd);
}

BOOL IsIconic(HWND hwnd) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    return w && (w->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND hwnd) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    return w && (w->style & WS_MAXIMIZE);
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    bool moved = false;
    bool sized = false;
    int showCommand = -1;
    RECT client{};
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        RECT r = w->rect;
        if (!(flags & SWP_NOMOVE)) {
            moved = x != r.left || y != r.top;
            r = RECT{x, y, x + width(r), y + height(r)};
        }
        if (!(flags & SWP_NOSIZE)) {
            cx = std::max(cx, 0);
            cy = std::max(cy, 0);
            sized = cx != width(r) || cy != height(r);
            r.right = r.left + cx;
            r.bottom = r.top + cy;
        }
        w->rect = r;
        if (!(flags & SWP_NOZORDER)) {
            auto& list = siblingsOf(*w);
            list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
            if (insertAfter == HWND_BOTTOM)
                list.push_back(hwnd);
            else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST ||
                     insertAfter == HWND_NOTOPMOST)
                list.insert(list.begin(), hwnd);
            else {
                auto it = std::find(list.begin(), list.end(), insertAfter);
                list.insert(it == list.end() ? list.begin() : it + 1, hwnd);
            }
            if (insertAfter == HWND_TOPMOST)
                w->exStyle |= WS_EX_TOPMOST;
            else if (insertAfter == HWND_NOTOPMOST)
                w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
        }
        if (flags & SWP_SHOWWINDOW)
            showCommand = (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW;
        if (flags & SWP_HIDEWINDOW)
            showCommand = SW_HIDE;
        RECT insets = nonClientInsets(*w);
        client = RECT{0, 0, std::max<LONG>(width(r) - insets.left - insets.right, 0),
                      std::max<LONG>(height(r) - insets.top - insets.bottom, 0)};
        if (sized || moved || (flags & SWP_FRAMECHANGED))
            w->needsPaint = true;
    }
    if (showCommand >= 0)
        showWindow(hwnd, showCommand, false);
    if (moved)
        SendMessageA(hwnd, WM_MOVE, 0, 0);
    if (sized || (flags & SWP_FRAMECHANGED))
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = screenRect(*w);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT insets = nonClientInsets(*w);
    *rect = RECT{0, 0, std::max<LONG>(width(w->rect) - insets.left - insets.right, 0),
                 std::max<LONG>(height(w->rect) - insets.top - insets.bottom, 0)};
    return TRUE;
}

namespace {

POINT clientOrigin(const Window& w) {
    RECT outer = screenRect(w);
    RECT insets = nonClientInsets(w);
    return POINT{outer.left + insets.left, outer.top + insets.top};
}

} // namespace

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || !point)
        return FALSE;
    POINT origin = clientOrigin(*w);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || !point)
        return FALSE;
    POINT origin = clientOrigin(*w);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    auto guard = lock();
    POINT a{0, 0};
    POINT b{0, 0};
    if (Window* w = findWindow(from))
        a = clientOrigin(*w);
    if (Window* w = findWindow(to))
        b = clientOrigin(*w);
    for (UINT i = 0; i < count; ++i) {
        points[i].x += a.x - b.x;
        points[i].y += a.y - b.y;
    }
    return MAKELONG(a.x - b.x, a.y - b.y);
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
    Window probe;
    probe.style = style & ~static_cast<DWORD>(WS_VSCROLL | WS_HSCROLL);
    probe.exStyle = exStyle;
    probe.menu = menu ? reinterpret_cast<HMENU>(1) : nullptr;
    RECT insets = nonClientInsets(probe);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

HWND SetParent(HWND child, HWND newParent) {
    auto guard = lock();
    Window* w = findWindow(child);
    if (!w)
        return nullptr;
    HWND old = (w->style & WS_CHILD) ? w->parent : nullptr;
    auto& from = siblingsOf(*w);
    from.erase(std::remove(from.begin(), from.end(), child), from.end());
    Window* p = findWindow(newParent);
    if (p) {
        w->parent = newParent;
        w->style |= WS_CHILD;
        p->children.insert(p->children.begin(), child);
    } else {
        // To the desktop: a top-level window now, its styles as they were.
        w->parent = nullptr;
        state().topLevel.insert(state().topLevel.begin(), child);
    }
    return old;
}

HWND GetWindow(HWND hwnd, UINT command) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w)
        return nullptr;
    switch (command) {
    case GW_OWNER:
        return (w->style & WS_CHILD) ? nullptr : w->owner;
    case GW_CHILD:
        return w->children.empty() ? nullptr : w->children.front();
    case GW_HWNDFIRST:
    case GW_HWNDLAST:
    case GW_HWNDNEXT:
    case GW_HWNDPREV: {
        auto& list = siblingsOf(*w);
        if (list.empty())
            return nullptr;
        if (command == GW_HWNDFIRST)
            return list.front();
        if (command == GW_HWNDLAST)
            return list.back();
        auto it = std::find(list.begin(), list.end(), hwnd);
        if (it == list.end())
            return nullptr;
        if (command == GW_HWNDNEXT)
            return it + 1 == list.end() ? nullptr : *(it + 1);
        return it == list.begin() ? nullptr : *(it - 1);
    }
    default:
        return nullptr;
    }
}

HWND GetAncestor(HWND hwnd, UINT flags) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w)
        return nullptr;
    if (flags == GA_PARENT) {
        if ((w->style & WS_CHILD) && w->parent)
            return w->parent;
        // Message-only windows live below a parent of their own.
        return w->messageOnly ? reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10014))
                              : GetDesktopWindow();
    }
    HWND root = topLevelOf(hwnd);
    if (flags == GA_ROOTOWNER)
        for (Window* r = findWindow(root); r && r->owner; r = findWindow(root))
            root = r->owner;
    return root;
}

HWND GetDesktopWindow() {
    return toHandle<HWND>(desktopHandle);
}

BOOL IsChild(HWND parent, HWND hwnd) {
    auto guard = lock();
    for (Window* w = findWindow(hwnd); w && (w->style & WS_CHILD); w = findWindow(w->parent))
        if (w->parent == parent)
            return TRUE;
    return FALSE;
}

BOOL BringWindowToTop(HWND hwnd) {
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

namespace {

HWND childAt(HWND parent, POINT screen) {
    Window* p = findWindow(parent);
    if (!p)
        return nullptr;
    for (HWND child : p->children) {
        Window* c = findWindow(child);
        if (!c || !(c->style & WS_VISIBLE))
            continue;
        RECT r = screenRect(*c);
        if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom) {
            HWND deeper = childAt(child, screen);
            return deeper ? deeper : child;
        }
    }
    return nullptr;
}

} // namespace

HWND WindowFromPoint(POINT point) {
    auto guard = lock();
    for (HWND top : state().topLevel) {
        Window* w = findWindow(top);
        if (!w || w->messageOnly || !(w->style & WS_VISIBLE))
            continue;
        RECT r = screenRect(*w);
        if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) {
            HWND child = childAt(top, point);
            return child ? child : top;
        }
    }
    return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
    auto guard = lock();
    Window* p = findWindow(parent);
    if (!p)
        return nullptr;
    POINT origin = clientOrigin(*p);
    POINT screen{point.x + origin.x, point.y + origin.y};
    for (HWND child : p->children) {
        Window* c = findWindow(child);
        if (!c)
            continue;
        RECT r = screenRect(*c);
        if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom)
            return child;
    }
    return parent;
}

BOOL PtInRect(const RECT* rect, POINT point) {
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
           point.y < rect->bottom;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return screenWidth;
    case SM_CYSCREEN:
        return screenHeight;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return scrollBarSize;
    case SM_CYCAPTION:
        return captionHeight;
    case SM_XVIRTUALSCREEN: // one monitor: the virtual screen is the screen
    case SM_YVIRTUALSCREEN:
        return 0;
    case SM_CXVIRTUALSCREEN:
        return screenWidth;
    case SM_CYVIRTUALSCREEN:
        return screenHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYMENU:
        return menuHeight;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    default:
        return 0;
    }
}
