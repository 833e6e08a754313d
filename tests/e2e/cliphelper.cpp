// cliphelper: a small stand-in for "another program" in the Wine tests. It
// puts data on the real clipboard, reads it back, and talks to windows.
//
//   cliphelper list                   one line per format: number, size, hex bytes, name or -
//   cliphelper put F=HEX [F=HEX ...]  empties the clipboard and sets the formats in one
//                                     open/close pair; F is a number or name:NAME
//   cliphelper text TEXT              puts TEXT as CF_TEXT
//   cliphelper empty                  empties the clipboard
//   cliphelper hold MS                keeps the clipboard open for MS milliseconds
//   cliphelper windows                one line per top-level window: class, visible, "text"
//   cliphelper tree CLASS             the child windows of the top-level window of CLASS,
//                                     indented: class, visible, enabled, "text"
//   cliphelper menu CLASS             the menu bar of that window: "text" and grayed (0/1)
//   cliphelper close CLASS            sends WM_CLOSE to it and waits until the window is gone
//   cliphelper rect CLASS CHILD       screen rectangle of the first descendant of class CHILD
//   cliphelper client CLASS           screen position of the client area of that window
//   cliphelper frame CLASS            screen rectangles of that window and of its client area,
//                                     and the height of a menu bar
//   cliphelper syscolor N...          the system colours N... as RRGGBB
//   cliphelper top                    one line per top-level window: class, visible, enabled,
//                                     owner's class or -, screen rectangle, "text"
//   cliphelper area CLASS CHILD       screen rectangle of the client area of that descendant
//   cliphelper send CLASS CHILD M W L sends message M (W, L numbers) to that descendant and
//                                     prints the answer
//   cliphelper size CLASS W H         makes that window W x H
//   cliphelper trayicons              one line per notification-area icon window below
//                                     the desktop: its screen rectangle
//   cliphelper traydouble TITLE       posts the shell's double-click notices (1434, in the
//                                     shell's order) to the hidden TPUtilWindow windows of
//                                     the program whose application window is called TITLE
//   cliphelper popup CLASS            the top-level window of CLASS: visible, topmost (0/1)
//                                     and its screen rectangle
//   cliphelper postall OWNER CLASS MSG LPARAM
//                                     posts MSG to every top-level window of CLASS in the
//                                     process of the window of class OWNER; prints how many
//   cliphelper cursor X Y             moves the cursor
//   cliphelper click X Y              moves the cursor and clicks the left button there
//   cliphelper keys VK...             presses and releases each virtual key in turn
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string hex(const unsigned char* p, SIZE_T n) {
    std::string out;
    char buf[3];
    for (SIZE_T i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", p[i]);
        out += buf;
    }
    return out;
}

std::string unhex(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
    return out;
}

bool open() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(100);
    }
    std::fprintf(stderr, "cliphelper: cannot open the clipboard\n");
    return false;
}

int list() {
    if (!open())
        return 1;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) {
        char name[256] = {};
        GetClipboardFormatNameA(f, name, sizeof name);
        HANDLE h = GetClipboardData(f);
        auto* p = h ? static_cast<const unsigned char*>(GlobalLock(h)) : nullptr;
        if (p) {
            std::printf("%u %u %s %s\n", f, static_cast<unsigned>(GlobalSize(h)),
                        hex(p, GlobalSize(h)).c_str(), name[0] ? name : "-");
            GlobalUnlock(h);
        } else {
            std::printf("%u - - %s\n", f, name[0] ? name : "-");
        }
    }
    CloseClipboard();
    return 0;
}

bool set(UINT format, const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block)
        return false;
    if (!bytes.empty()) {
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    if (SetClipboardData(format, block))
        return true;
    GlobalFree(block);
    return false;
}

int put(int argc, char** argv) {
    if (!open())
        return 1;
    EmptyClipboard();
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        auto eq = arg.find('=');
        std::string id = arg.substr(0, eq);
        UINT format = id.rfind("name:", 0) == 0
                          ? RegisterClipboardFormatA(id.substr(5).c_str())
                          : static_cast<UINT>(std::strtoul(id.c_str(), nullptr, 0));
        if (!set(format, unhex(arg.substr(eq + 1)))) {
            std::fprintf(stderr, "cliphelper: format %s refused\n", id.c_str());
            status = 1;
        }
    }
    CloseClipboard();
    return status;
}

int text(const char* value) {
    if (!open())
        return 1;
    EmptyClipboard();
    bool ok = set(CF_TEXT, std::string(value, std::strlen(value) + 1));
    CloseClipboard();
    return ok ? 0 : 1;
}

int empty() {
    if (!open())
        return 1;
    EmptyClipboard();
    CloseClipboard();
    return 0;
}

int hold(int milliseconds) {
    if (!open())
        return 1;
    std::printf("holding\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(milliseconds));
    CloseClipboard();
    return 0;
}

BOOL CALLBACK printWindow(HWND hwnd, LPARAM) {
    char cls[256] = {};
    char title[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    std::printf("%s %d \"%s\"\n", cls, IsWindowVisible(hwnd) ? 1 : 0, title);
    return TRUE;
}

void printTree(HWND parent, int depth) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[256] = {};
        char title[1024] = {};
        GetClassNameA(child, cls, sizeof cls);
        // The text of another program's control comes only by asking it.
        SendMessageA(child, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title));
        std::printf("%*s%s %d %d \"%s\"\n", depth * 2, "", cls, IsWindowVisible(child) ? 1 : 0,
                    IsWindowEnabled(child) ? 1 : 0, title);
        printTree(child, depth + 1);
    }
}

HWND findTop(const char* cls) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (HWND hwnd = FindWindowA(cls, nullptr))
            return hwnd;
        Sleep(100);
    }
    std::fprintf(stderr, "cliphelper: no window of class %s\n", cls);
    return nullptr;
}

int tree(const char* cls) {
    HWND top = findTop(cls);
    if (!top)
        return 1;
    printTree(top, 0);
    return 0;
}

void printMenu(HMENU menu, int depth) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        std::printf("%*s\"%s\" %d\n", depth * 2, "", text, (state & MF_GRAYED) ? 1 : 0);
        if (HMENU sub = GetSubMenu(menu, i))
            printMenu(sub, depth + 1);
    }
}

int menu(const char* cls) {
    HWND top = findTop(cls);
    if (!top)
        return 1;
    printMenu(GetMenu(top), 0);
    return 0;
}

HWND findChild(HWND parent, const char* cls) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[256] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, cls) == 0)
            return child;
        if (HWND deeper = findChild(child, cls))
            return deeper;
    }
    return nullptr;
}

int rect(const char* cls, const char* childClass) {
    HWND top = findTop(cls);
    HWND child = top ? findChild(top, childClass) : nullptr;
    if (!child)
        return 1;
    RECT r{};
    GetWindowRect(child, &r);
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
    return 0;
}

int client(const char* cls) {
    HWND top = findTop(cls);
    if (!top)
        return 1;
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    std::printf("%ld %ld\n", static_cast<long>(origin.x), static_cast<long>(origin.y));
    return 0;
}

int frame(const char* cls) {
    HWND top = findTop(cls);
    if (!top)
        return 1;
    RECT window{}, client{};
    GetWindowRect(top, &window);
    GetClientRect(top, &client);
    MapWindowPoints(top, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::printf("%ld %ld %ld %ld %ld %ld %ld %ld %d\n", static_cast<long>(window.left),
                static_cast<long>(window.top), static_cast<long>(window.right),
                static_cast<long>(window.bottom), static_cast<long>(client.left),
                static_cast<long>(client.top), static_cast<long>(client.right),
                static_cast<long>(client.bottom), GetSystemMetrics(SM_CYMENU));
    return 0;
}

int sysColors(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        COLORREF c = GetSysColor(std::atoi(argv[i]));
        std::printf("%s%02x%02x%02x", i > 2 ? " " : "", GetRValue(c), GetGValue(c), GetBValue(c));
    }
    std::printf("\n");
    return 0;
}

BOOL CALLBACK printTopWindow(HWND hwnd, LPARAM) {
    char cls[256] = {};
    char owner[256] = "-";
    char title[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (HWND o = GetWindow(hwnd, GW_OWNER))
        GetClassNameA(o, owner, sizeof owner);
    GetWindowTextA(hwnd, title, sizeof title);
    RECT r{};
    GetWindowRect(hwnd, &r);
    std::printf("%s %d %d %s %ld %ld %ld %ld \"%s\"\n", cls, IsWindowVisible(hwnd) ? 1 : 0,
                IsWindowEnabled(hwnd) ? 1 : 0, owner, static_cast<long>(r.left),
                static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom),
                title);
    return TRUE;
}

int area(const char* cls, const char* childClass) {
    HWND top = findTop(cls);
    HWND child = top ? findChild(top, childClass) : nullptr;
    if (!child)
        return 1;
    RECT r{};
    GetClientRect(child, &r);
    MapWindowPoints(child, nullptr, reinterpret_cast<POINT*>(&r), 2);
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
    return 0;
}

int send(const char* cls, const char* childClass, char** numbers) {
    HWND top = findTop(cls);
    HWND child = top ? findChild(top, childClass) : nullptr;
    if (!child)
        return 1;
    auto number = [](const char* text) {
        return std::strtoull(text, nullptr, 0);
    };
    LRESULT answer = SendMessageA(child, static_cast<UINT>(number(numbers[0])),
                                  static_cast<WPARAM>(number(numbers[1])),
                                  static_cast<LPARAM>(number(numbers[2])));
    std::printf("%lld\n", static_cast<long long>(answer));
    return 0;
}

int size(const char* cls, int width, int height) {
    HWND top = findTop(cls);
    if (!top)
        return 1;
    return SetWindowPos(top, nullptr, 0, 0, width, height,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 0
               : 1;
}

int close(const char* cls) {
    HWND top = findTop(cls);
    if (!top)
        return 1;
    PostMessageA(top, WM_CLOSE, 0, 0);
    for (int attempt = 0; attempt < 200 && IsWindow(top); ++attempt)
        Sleep(100);
    return IsWindow(top) ? 1 : 0;
}

// Wine shows each icon of the notification area as a window of its own,
// inside a tray window of its own when there is no task bar.
BOOL CALLBACK printTrayIcon(HWND hwnd, LPARAM) {
    char cls[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "__winex11_tray_icon") == 0) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        std::printf("%ld %ld %ld %ld\n", static_cast<long>(r.left), static_cast<long>(r.top),
                    static_cast<long>(r.right), static_cast<long>(r.bottom));
    }
    return TRUE;
}

int trayIcons() {
    EnumChildWindows(GetDesktopWindow(), printTrayIcon, 0);
    return 0;
}

struct UtilWindows {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collectUtilWindow(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<UtilWindows*>(data);
    char cls[256] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == search->process && std::strcmp(cls, "TPUtilWindow") == 0)
        search->found.push_back(hwnd);
    return TRUE;
}

int trayDouble(const char* title) {
    HWND application = FindWindowA("TApplication", title);
    if (!application) {
        std::fprintf(stderr, "cliphelper: no application window \"%s\"\n", title);
        return 1;
    }
    UtilWindows search{0, {}};
    GetWindowThreadProcessId(application, &search.process);
    EnumWindows(collectUtilWindow, reinterpret_cast<LPARAM>(&search));
    // The tray icon's window is one of them; the others hand the notices to
    // the default procedure.
    for (HWND hwnd : search.found)
        for (LPARAM step : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            PostMessageA(hwnd, WM_USER + 410, 0, step);
    std::printf("%u\n", static_cast<unsigned>(search.found.size()));
    return search.found.empty() ? 1 : 0;
}

int popup(const char* cls) {
    HWND top = findTop(cls);
    if (!top)
        return 1;
    RECT r{};
    GetWindowRect(top, &r);
    bool topmost = (GetWindowLongA(top, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    std::printf("%d %d %ld %ld %ld %ld\n", IsWindowVisible(top) ? 1 : 0, topmost ? 1 : 0,
                static_cast<long>(r.left), static_cast<long>(r.top), static_cast<long>(r.right),
                static_cast<long>(r.bottom));
    return 0;
}

struct PostAll {
    DWORD process;
    const char* cls;
    UINT msg;
    LPARAM lParam;
    int posted;
};

BOOL CALLBACK postToClass(HWND hwnd, LPARAM param) {
    auto* post = reinterpret_cast<PostAll*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (process == post->process && lstrcmpiA(name, post->cls) == 0 &&
        PostMessageA(hwnd, post->msg, 0, post->lParam))
        ++post->posted;
    return TRUE;
}

int postAll(const char* owner, const char* cls, const char* msg, const char* lParam) {
    HWND top = findTop(owner);
    if (!top)
        return 1;
    PostAll post{0, cls, static_cast<UINT>(std::strtoul(msg, nullptr, 0)),
                 static_cast<LPARAM>(std::strtol(lParam, nullptr, 0)), 0};
    GetWindowThreadProcessId(top, &post.process);
    EnumWindows(postToClass, reinterpret_cast<LPARAM>(&post));
    std::printf("%d\n", post.posted);
    return post.posted > 0 ? 0 : 1;
}

int click(int x, int y) {
    SetCursorPos(x, y);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2 ? 0 : 1;
}

int keys(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
        INPUT inputs[2] = {};
        for (INPUT& input : inputs) {
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = static_cast<WORD>(std::strtoul(argv[i], nullptr, 0));
        }
        inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
        if (SendInput(2, inputs, sizeof(INPUT)) != 2)
            return 1;
        Sleep(200);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "list")
        return list();
    if (command == "put")
        return put(argc, argv);
    if (command == "text" && argc == 3)
        return text(argv[2]);
    if (command == "empty")
        return empty();
    if (command == "hold" && argc == 3)
        return hold(std::atoi(argv[2]));
    if (command == "windows")
        return EnumWindows(printWindow, 0) ? 0 : 1;
    if (command == "tree" && argc == 3)
        return tree(argv[2]);
    if (command == "menu" && argc == 3)
        return menu(argv[2]);
    if (command == "close" && argc == 3)
        return close(argv[2]);
    if (command == "rect" && argc == 4)
        return rect(argv[2], argv[3]);
    if (command == "client" && argc == 3)
        return client(argv[2]);
    if (command == "frame" && argc == 3)
        return frame(argv[2]);
    if (command == "syscolor" && argc > 2)
        return sysColors(argc, argv);
    if (command == "top")
        return EnumWindows(printTopWindow, 0) ? 0 : 1;
    if (command == "area" && argc == 4)
        return area(argv[2], argv[3]);
    if (command == "send" && argc == 7)
        return send(argv[2], argv[3], argv + 4);
    if (command == "size" && argc == 5)
        return size(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (command == "trayicons")
        return trayIcons();
    if (command == "traydouble" && argc == 3)
        return trayDouble(argv[2]);
    if (command == "popup" && argc == 3)
        return popup(argv[2]);
    if (command == "postall" && argc == 6)
        return postAll(argv[2], argv[3], argv[4], argv[5]);
    if (command == "cursor" && argc == 4)
        return SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
    if (command == "click" && argc == 4)
        return click(std::atoi(argv[2]), std::atoi(argv[3]));
    if (command == "keys" && argc > 2)
        return keys(argc, argv);
    std::fprintf(stderr,
                 "usage: cliphelper list|put F=HEX...|text TEXT|empty|hold MS|windows|tree C|"
                 "menu C|close C|rect C CHILD|client C|frame C|syscolor N...|top|area C CHILD|"
                 "send C CHILD M W L|size C W H|trayicons|traydouble TITLE|popup C|"
                 "postall OWNER C MSG LPARAM|cursor X Y|click X Y|keys VK...\n");
    return 2;
}
