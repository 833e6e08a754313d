// Window classes and windows: creation, destruction, text, data, enumeration.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace sim::detail;

namespace {

std::string classKey(int task, const std::string& name) {
    return std::to_string(task) + ":" + lower(name);
}

// A program started with STASHWELL_SIM_REFUSE_WINDOW_CLASS cannot create
// windows of that class, as under Wine without a display (caller holds the lock).
void applyRefusalFromEnvironment() {
    static bool read = false;
    if (read)
        return;
    read = true;
    if (const char* name = std::getenv("STASHWELL_SIM_REFUSE_WINDOW_CLASS"); name && *name)
        sim::RefuseWindowClass(name, ERROR_CLASS_DOES_NOT_EXIST);
}

std::string className(LPCSTR name) {
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    return name;
}

// Top-level windows always clip their siblings, and an overlapped one
// always has a caption.
DWORD fixStyle(DWORD style) {
    if (!(style & WS_CHILD)) {
        style |= WS_CLIPSIBLINGS;
        if (!(style & WS_POPUP))
            style |= WS_CAPTION;
    }
    return style;
}

// The window edge goes with a dialog frame or a frame that sizes.
DWORD fixExStyle(DWORD style, DWORD exStyle) {
    if ((exStyle & WS_EX_DLGMODALFRAME) ||
        (!(exStyle & WS_EX_STATICEDGE) && (style & (WS_DLGFRAME | WS_THICKFRAME))))
        return exStyle | WS_EX_WINDOWEDGE;
    return exStyle & ~static_cast<DWORD>(WS_EX_WINDOWEDGE);
}

void ensureSystemClasses() {
    auto& s = state();
    if (s.systemClassesRegistered)
        return;
    s.systemClassesRegistered = true;
    for (auto& [name, proc] : systemClassProcs()) {
        WindowClass cls{0, name, WNDCLASSA{}};
        cls.info.lpfnWndProc = proc;
        cls.info.style = CS_DBLCLKS;
        s.classes[classKey(0, name)] = cls;
    }
}

WindowClass* findClass(int task, const std::string& name) {
    ensureSystemClasses();
    auto& classes = state().classes;
    auto it = classes.find(classKey(task, name));
    if (it == classes.end())
        it = classes.find(classKey(0, name)); // the system's classes
    return it == classes.end() ? nullptr : &it->second;
}

void unlink(Window& w) {
    auto& s = state();
    auto remove = [&](std::vector<HWND>& list) {
        list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
    };
    if (auto* parent = findWindow(w.parent); parent && (w.style & WS_CHILD))
        remove(parent->children);
    else
        remove(s.topLevel);
}

// Destroys a window and its children: WM_DESTROY parent first, WM_NCDESTROY
// children first, as Windows does.
void destroyTree(HWND hwnd) {
    std::vector<HWND> children;
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return;
        children = w->children;
    }
    deliver(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : children)
        destroyTree(child);
    deliver(hwnd, WM_NCDESTROY, 0, 0);
    auto guard = lock();
    if (Window* w = findWindow(hwnd)) {
        forgetWindow(hwnd);
        forgetWindowManager(hwnd);
        unlink(*w);
        state().windows.erase(key(hwnd));
    }
}

} // namespace

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    auto guard = lock();
    if (!wndClass || !wndClass->lpszClassName || !wndClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name = className(wndClass->lpszClassName);
    auto k = classKey(currentTask(), name);
    if (state().classes.count(k)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass cls{currentTask(), name, *wndClass};
    cls.info.lpszClassName = nullptr; // the stored name is ours
    cls.info.lpszMenuName = nullptr;
    state().classes.emplace(k, cls);
    return static_cast<ATOM>(0xC000 + state().classes.size());
}

BOOL UnregisterClassA(LPCSTR name, HINSTANCE) {
    auto guard = lock();
    if (state().classes.erase(classKey(currentTask(), className(name))) == 0) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    return TRUE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR name, LPWNDCLASSA wndClass) {
    auto guard = lock();
    auto* cls = findClass(currentTask(), className(name));
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (wndClass) {
        *wndClass = cls->info;
        wndClass->lpszClassName = name;
    }
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR classNameArg, LPCSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    HWND hwnd = nullptr;
    std::string name = className(classNameArg);
    {
        auto guard = lock();
        applyRefusalFromEnvironment();
        if (auto refused = sim::detail::windowClassRefusal(name)) {
            SetLastError(*refused);
            return nullptr;
        }
        auto* cls = findClass(currentTask(), name);
        if (!cls) {
            SetLastError(ERROR_CLASS_DOES_NOT_EXIST); // as Wine says it
            return nullptr;
        }
        bool child = style & WS_CHILD;
        bool messageOnly = parent == HWND_MESSAGE;
        if (child && !findWindow(parent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        auto w = std::make_unique<Window>();
        w->handle = toHandle<HWND>(newHandle());
        w->task = currentTask();
        w->thread = GetCurrentThreadId();
        w->className = cls->name;
        w->style = fixStyle(style) & ~WS_VISIBLE;
        w->exStyle = fixExStyle(w->style, exStyle);
        w->proc = cls->info.lpfnWndProc;
        w->instance = instance;
        w->messageOnly = messageOnly;
        if (child) {
            w->parent = parent;
            w->id = reinterpret_cast<LONG_PTR>(menu);
        } else if (!messageOnly) {
            w->owner = parent;
        }
        auto cx = width == CW_USEDEFAULT ? 0 : width;
        auto cy = height == CW_USEDEFAULT ? 0 : height;
        auto left = x == CW_USEDEFAULT ? 0 : x;
        auto top = y == CW_USEDEFAULT ? 0 : y;
        w->rect = RECT{left, top, left + cx, top + cy};
        hwnd = w->handle;
        // A new child goes below its siblings (the first made is the first in
        // tab order); a new top-level window comes on top.
        if (child)
            findWindow(parent)->children.push_back(hwnd);
        else
            state().topLevel.insert(state().topLevel.begin(), hwnd);
        state().windows.emplace(key(hwnd), std::move(w));
    }
    CREATESTRUCTA cs{
        param,      instance,     menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, classNameArg, exStyle};
    auto fail = [&] {
        DestroyWindow(hwnd);
        return nullptr;
    };
    if (!deliver(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)))
        return fail();
    if (deliver(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1)
        return fail();
    // The window is told its size and place, then shown when asked to be.
    RECT client{};
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    if (HWND above = (style & WS_CHILD) ? parent : nullptr)
        ScreenToClient(above, &origin);
    if (IsWindow(hwnd))
        deliver(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    if (IsWindow(hwnd))
        deliver(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    if ((style & WS_VISIBLE) && IsWindow(hwnd))
        ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    std::vector<HWND> owned;
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w || w->destroying) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (w->thread != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        w->destroying = true;
        for (auto& [k, other] : state().windows)
            if (other->owner == hwnd && !other->destroying)
                owned.push_back(other->handle);
    }
    for (HWND o : owned) // owned windows go before their owner
        DestroyWindow(o);
    if (IsWindowVisible(hwnd)) // hiding first hands activation and focus on
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    destroyTree(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    auto guard = lock();
    return findWindow(hwnd) != nullptr;
}

int GetClassNameA(HWND hwnd, LPSTR out, int maxCount) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w || maxCount <= 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    int n = std::min<int>(static_cast<int>(w->className.size()), maxCount - 1);
    std::memcpy(out, w->className.data(), static_cast<std::size_t>(n));
    out[n] = '\0';
    return n;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    if (maxCount <= 0)
        return 0;
    bool ownTask;
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w) {
            text[0] = '\0';
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        ownTask = w->task == currentTask();
        if (!ownTask) { // another program's window: its text is read directly
            int n = std::min<int>(static_cast<int>(w->text.size()), maxCount - 1);
            std::memcpy(text, w->text.data(), static_cast<std::size_t>(n));
            text[n] = '\0';
            return n;
        }
    }
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                         reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthA(HWND hwnd) {
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return 0;
        if (w->task != currentTask())
            return static_cast<int>(w->text.size());
    }
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return static_cast<BOOL>(SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

HWND FindWindowA(LPCSTR classNameArg, LPCSTR windowName) {
    auto guard = lock();
    for (HWND hwnd : state().topLevel) {
        Window* w = findWindow(hwnd);
        if (!w || w->messageOnly)
            continue;
        if (classNameArg && lower(className(classNameArg)) != lower(w->className))
            continue;
        if (windowName && lower(w->text) != lower(windowName))
            continue;
        return hwnd;
    }
    return nullptr;
}

BOOL EnumWindows(WNDENUMPROC enumFunc, LPARAM lParam) {
    std::vector<HWND> snapshot;
    {
        auto guard = lock();
        for (HWND hwnd : state().topLevel)
            if (Window* w = findWindow(hwnd); w && !w->messageOnly)
                snapshot.push_back(hwnd);
    }
    for (HWND hwnd : snapshot)
        if (IsWindow(hwnd) && !enumFunc(hwnd, lParam))
            return FALSE;
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId) {
        sim::TaskScope as(w->task);
        *processId = GetCurrentProcessId();
    }
    return w->thread;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_USERDATA:
        return w->userData;
    case GWL_STYLE:
        return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWLP_ID:
        return w->id;
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC:
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_USERDATA:
        w->userData = value;
        break;
    case GWL_STYLE:
        w->style = static_cast<DWORD>(value);
        break;
    case GWL_EXSTYLE:
        w->exStyle = static_cast<DWORD>(value);
        break;
    case GWLP_ID:
        w->id = value;
        break;
    case GWLP_HWNDPARENT:
        if (!(w->style & WS_CHILD))
            w->owner = reinterpret_cast<HWND>(value);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return old;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    return static_cast<LONG>(GetWindowLongPtrA(hwnd, index));
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, value));
}

// A child's parent, a pop-up's owner; an overlapped window has neither.
HWND GetParent(HWND hwnd) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w)
        return nullptr;
    if (w->style & WS_CHILD)
        return w->parent;
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

namespace sim {

std::vector<std::string> LiveWindows() {
    auto guard = lock();
    std::vector<std::string> out;
    for (const auto& [handle, window] : state().windows)
        out.push_back(window->className + " \"" + window->text + "\"");
    return out;
}

} // namespace sim
