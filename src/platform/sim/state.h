// The simulator's inner state: the model of the desktop that the Win32
// functions read and change. What tests script (answers, faults, hooks) is
// kept apart, in script.h. Only the simulator's own sources include this.
#pragma once

#include "platform/sim/include/win32_sim.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace sim::detail {

// A simulated program instance: its own module path, command line and windows.
struct Task {
    int id = 0;
    std::string modulePath;
    std::string arguments;   // what follows the program's own name
    std::string commandLine; // as GetCommandLineA gives it, kept for its pointer
};

struct WindowClass {
    int task = 0;
    std::string name;
    WNDCLASSA info{};
};

struct Window {
    HWND handle = nullptr;
    int task = 0;
    DWORD thread = 0;
    std::string className;
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    WNDPROC proc = nullptr;
    LONG_PTR userData = 0;
    LONG_PTR id = 0;
    HINSTANCE instance = nullptr;
    RECT rect{}; // screen coordinates for top-level windows, parent client ones for children
    HMENU menu = nullptr;
    HWND lastActivePopup = nullptr;
    bool needsPaint = false;
    bool destroying = false;
    bool messageOnly = false;
    std::vector<HWND> children; // z-order, top first
    HBITMAP surface = nullptr;  // what painting into the window draws on
    int scrollMin[2] = {0, 0};  // horizontal, vertical
    int scrollMax[2] = {0, 0};
    int scrollPos[2] = {0, 0};
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    DWORD thread = 0;
    DWORD period = 0;
    DWORD due = 0;
    void* proc = nullptr; // TIMERPROC
    bool posted = false;  // a WM_TIMER of it waits in the queue
};

struct HotKey {
    HWND hwnd = nullptr;
    int id = 0;
    UINT modifiers = 0;
    UINT key = 0;
};

struct MenuItem {
    UINT id = 0;
    UINT type = 0;  // MFT_*
    UINT state = 0; // MFS_*
    std::string text;
    HMENU submenu = nullptr;
    ULONG_PTR data = 0;
    HBITMAP bitmap = nullptr;
};

struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};

struct MemoryBlock {
    unsigned char* data = nullptr; // null for a zero-size (discarded) block
    std::size_t size = 0;
    int locks = 0;
    bool ownedByClipboard = false;
};

struct GdiDetail; // what DCs, pens, brushes, fonts, icons and image lists keep (gdi32_internal.h)

// A GDI object: bitmaps keep 32-bit pixels, metafiles and palettes their bytes.
struct GdiObject {
    DWORD type = 0;
    int width = 0;
    int height = 0;
    // 0x00RRGGBB (alpha on top in 32-bit DIBs), top row first (bottom row first when bottomUp)
    std::vector<std::uint32_t> pixels;
    std::string bytes;
    int bitsPixel = 32; // 1 for monochrome bitmaps (pixels 0 or 0xFFFFFF)
    bool dibSection = false;
    bool bottomUp = false; // a DIB section whose memory holds the bottom row first
    std::shared_ptr<GdiDetail> detail;
};

struct FileObject {
    int fd = -1;
    std::string path;
    DWORD access = 0;
    DWORD share = 0;
};

// A message sent to a window of another thread, waiting for its answer.
struct SentMessage {
    MSG msg{};
    LRESULT result = 0;
    bool done = false;
};

// A posted message; `input` marks what the user did (mouse and keys) as
// opposed to what a program posted.
struct QueuedMessage : MSG {
    QueuedMessage(const MSG& msg, bool input = false) : MSG(msg), input(input) {}
    bool input;
};

struct ThreadQueue {
    std::deque<QueuedMessage> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    int quitCode = 0;
    std::condition_variable_any wake;
    // When the thread last looked for a message, and how many of its waits
    // for one are going on: a thread that does neither for 5 s is hung.
    DWORD lastLooked = 0;
    int waiting = 0;
};

struct ClipboardEntry {
    UINT format = 0;
    HANDLE data = nullptr;
    bool synthesized = false; // offered by conversion; data made on first request
};

struct Clipboard {
    std::vector<ClipboardEntry> entries;
    bool open = false;
    int openTask = 0;
    HWND openWindow = nullptr;
    HWND owner = nullptr;
    bool changed = false;
    DWORD sequence = 1;
    HWND viewer = nullptr;
    std::map<UINT, std::string> registeredNames; // format number -> name as first registered
    UINT nextRegistered = 0xC000;
    // Wall-clock time of the current open, and the longest stretch that
    // task 1 held the clipboard open (for the benchmarks).
    std::chrono::steady_clock::time_point openedAt{};
    std::chrono::steady_clock::duration longestHold{};
};

struct State {
    std::recursive_mutex mutex;
    std::vector<Task> tasks;
    std::uintptr_t nextHandle = 0x10000;

    std::map<std::string, WindowClass> classes; // key: task id + lower-case name
    bool systemClassesRegistered = false;
    std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevel; // z-order, top first

    std::map<std::uintptr_t, MemoryBlock> memory;
    std::size_t liveBytes = 0;
    std::size_t peakBytes = 0;
    std::map<std::uintptr_t, GdiObject> gdi;
    std::map<std::uintptr_t, FileObject> files;
    std::map<DWORD, std::shared_ptr<ThreadQueue>> queues; // by thread id

    std::vector<Timer> timers;
    UINT_PTR nextTimerId = 1;
    std::vector<HotKey> hotKeys;
    std::map<std::uintptr_t, Menu> menus;

    HWND active = nullptr;
    HWND foreground = nullptr;
    HWND focus = nullptr;
    HWND capture = nullptr;
    POINT cursor{0, 0};
    unsigned char keys[256] = {};
    std::vector<std::string> fonts;
    std::vector<std::pair<HMENU, std::vector<std::string>>> trackedMenus;

    Clipboard clipboard;
    DWORD clock = 0;
    std::condition_variable_any clockTick;

    std::vector<std::tuple<HWND, std::string, std::string, UINT, int>> messageBoxes;

    std::vector<std::string> violations;
};

State& state();
using Lock = std::unique_lock<std::recursive_mutex>;
inline Lock lock() {
    return Lock(state().mutex);
}

// The task of the calling thread (1, the program, unless a test switched).
int currentTask();
Task& taskById(int id);

// Handles of windows, menus, GDI objects, files and keys; never the desktop's.
std::uintptr_t newHandle();
constexpr std::uintptr_t desktopHandle = 0x10010;
template <typename H> H toHandle(std::uintptr_t value) {
    return reinterpret_cast<H>(value);
}
inline std::uintptr_t key(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

Window* findWindow(HWND hwnd);                      // caller holds the lock
std::shared_ptr<ThreadQueue> queueOf(DWORD thread); // caller holds the lock
void wakeAll();

// Calls a window's procedure; from another thread the call waits for the
// window's thread to answer. The caller must not hold the lock.
LRESULT deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Answers the messages that other threads sent to this thread. Takes the
// lock (held once by `guard`) and gives it back.
void answerIncomingSent(Lock& guard);
// Sends without waiting for the answer when the window is another thread's,
// as SendNotifyMessage does (the caller must not hold the lock).
void notify(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Blocks until the thread's queue is woken; meanwhile the thread counts as
// waiting for messages, which a hung thread does not.
void waitForMessage(Lock& guard, ThreadQueue& queue);

// Global memory helpers used by the clipboard (caller holds the lock).
MemoryBlock* findBlock(HGLOBAL handle);
GdiObject* findGdi(HGDIOBJ handle);
HGDIOBJ newGdi(GdiObject object);
HGLOBAL newBlock(const void* bytes, std::size_t size);
void freeClipboardData(UINT format, HANDLE data);

void recordViolation(const std::string& what);
std::string lower(std::string text);

// Fills a window's client area with its class background brush, as
// DefWindowProcA does for WM_ERASEBKGND; 1 when it painted (gdi32_dc.cpp).
LRESULT eraseBackground(HWND hwnd, HDC dc);

// Closes the clipboard on behalf of a window that goes away; resets all state.
void forgetWindow(HWND hwnd);
void resetClipboard();

// Closes an event of kernel32_sync.cpp; false when the handle is none of them.
bool closeEvent(HANDLE handle);
// The same for a mutex of kernel32_mutex.cpp.
bool closeMutex(HANDLE handle);
// The thread's queue has been looked at now (caller holds the lock).
void noteQueueLooked(ThreadQueue& queue);

// The platform's own window classes (task 0): name and procedure.
std::vector<std::pair<std::string, WNDPROC>> systemClassProcs();

// The registry, the file dialogs, mail (with the version and profile that
// decide whether it is installed) and help.
void resetRegistry();
void resetFileDialogs();
void resetMail();
void resetHelp();
// The shell's log of ShellExecuteExA calls, the performance counter, and the
// string table as tests changed it.
void resetShellExecute();
void resetPerformanceCounter();
void resetStringResources();
// Global atoms, named mutexes and the shell's notification area.
void resetAtoms();
void resetMutexes();
void resetNotifyArea();

// ShowWindow; `tell` false leaves WM_SHOWWINDOW out, as SetWindowPos does
// when it shows or hides (the caller holds no lock).
BOOL showWindow(HWND hwnd, int command, bool tell);

// Window manager helpers (caller holds the lock unless said otherwise).
RECT nonClientInsets(const Window& w);
RECT screenRect(const Window& w);
bool isVisibleOnScreen(HWND hwnd);
HWND topLevelOf(HWND hwnd);
void forgetWindowManager(HWND hwnd);
void resetWindowManager();
// Gives the test's idle hook a turn before a thread blocks in a wait for
// messages; true when it acted (the wait then looks again).
bool idleTurn(Lock& guard);
// A WM_PAINT or WM_TIMER owed to a window of this thread, if any.
bool syntheticMessage(DWORD thread, MSG& out, bool remove);
// How long until the first timer of this thread falls due (0: due now);
// none when it has no timer.
std::optional<DWORD> nextTimerDue(DWORD thread);
// Keeps the key state in step with keyboard messages as they are taken.
void noteKeyMessage(const MSG& msg);

// Hooks and the mouse (the caller holds no lock). The thread's WH_GETMESSAGE
// hooks see a message taken (removed) or looked at; a button pressed by the
// user activates the window under it, as its WM_MOUSEACTIVATE answer says
// (false: the message is dropped); the cursor moved, so tracked windows it
// left hear of it.
void callGetMessageHooks(MSG& msg, bool removed);
bool mouseActivate(const MSG& msg);
void cursorMoved();
// Posts user input to the window's thread (the caller holds no lock).
void postInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void resetHooks();
void resetMouseTracking();

} // namespace sim::detail
