// The simulator's control surface for tests: reset the desktop, act as other
// programs, switch faults on, move the clock, read back what happened.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

// Forgets every window, class, clipboard format, memory block and queue,
// and everything scripted: answers, faults and hooks. The clock returns to
// 0. Task 1 (the program) stays, with its module path and command line set
// back to the defaults.
void Reset();

// Simulated tasks. Task 1 is the program under test; tests may create more
// (a second program instance, another program) and run code as them.
// `arguments` is the command line after the program's name: GetCommandLineA
// gives the quoted module path, a space and the arguments.
int CreateTask(const std::string& modulePath, const std::string& arguments = "");
void SetModulePath(int task, const std::string& modulePath);
void SetCommandLine(int task, const std::string& arguments);
int CurrentTask();

// Runs the calling thread as another task for the lifetime of the scope.
class TaskScope {
public:
    explicit TaskScope(int task);
    ~TaskScope();
    TaskScope(const TaskScope&) = delete;
    TaskScope& operator=(const TaskScope&) = delete;

private:
    int previous_;
};

// One clipboard format as put on or read from the clipboard.
struct ClipFormat {
    UINT format = 0;
    std::string name; // registered name; empty for predefined formats
    std::string bytes;
    bool synthesized = false; // offered by the platform's conversion
};

// Another program puts these formats on the clipboard in one open/close
// pair (named formats are registered first). Memory formats only.
void PutClipboard(const std::vector<ClipFormat>& formats);
// Reads every format the clipboard lists, in its order, as another program
// would (GDI-handle formats come back with empty bytes).
std::vector<ClipFormat> ReadClipboard();
// Another program holds the clipboard open until ReleaseClipboard.
void HoldClipboardOpen();
void ReleaseClipboard();
// The task that has the clipboard open now, 0 when it is closed.
int ClipboardOpenTask();
// Runs before every OpenClipboard call of task 1 (the program), so that a
// test can act as another program between the program's clipboard steps.
void SetOpenClipboardHook(std::function<void()> hook);

// Global memory.
// While set, GlobalAlloc and GlobalReAlloc fail for every size the predicate accepts.
void SetAllocationFault(std::function<bool(std::size_t bytes)> fails);
int LockCount(HGLOBAL block);
std::size_t LiveMemoryBlocks();
std::size_t LockedMemoryBlocks();
// Bytes in live global memory blocks now, and the most there were since the
// last ResetPeakMemory.
std::size_t LiveMemoryBytes();
std::size_t PeakMemoryBytes();
void ResetPeakMemory();

// Files: while set, WriteFile fails (disk full) for every path the predicate accepts.
void SetFileWriteFault(std::function<bool(const std::string& path)> fails);

// Windows: CreateWindowExA of this class (compared without regard to case)
// fails with `error` until Reset, as it does under Wine in a prefix that was
// first used without a display (1411 there). A program started with
// STASHWELL_SIM_REFUSE_WINDOW_CLASS=<class> has the fault from its start,
// with that error.
void RefuseWindowClass(const std::string& className, DWORD error = ERROR_CLASS_DOES_NOT_EXIST);
// The windows that exist now, each as <class> "<text>", in creation order.
std::vector<std::string> LiveWindows();

// Things the program did that Windows would not forgive (freeing a block the
// clipboard owns, leaving the clipboard open, ...).
std::vector<std::string> Violations();

// Message boxes: each is logged; the answer is the next scripted one, or the
// box's first button (IDOK, IDYES, ...) when none is scripted.
struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
    int answer = 0;
};
void ScriptMessageBoxAnswer(int answer);
std::vector<MessageBoxRecord> MessageBoxes();
void ClearMessageBoxes();

// Hot keys: a press posts WM_HOTKEY to the window that registered the
// combination; false when none did.
struct HotKeyRecord {
    HWND hwnd = nullptr;
    int id = 0;
    UINT modifiers = 0;
    UINT key = 0;
};
bool PressHotKey(UINT modifiers, UINT key);
std::vector<HotKeyRecord> HotKeys();

// Timers run on the simulated clock; SetTimer fails while none are available.
struct TimerRecord {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    DWORD period = 0;
    DWORD due = 0;
};
void SetTimersAvailable(bool available);
std::vector<TimerRecord> Timers();

// Input. Messages are posted as Windows would post them; the key state
// follows the keyboard messages as the program takes them from its queue.
void MoveMouse(POINT screen);
void Click(HWND hwnd, POINT client, bool right = false);
void DoubleClick(HWND hwnd, POINT client);
// Keys pressed together, modifiers first: {VK_CONTROL, 'S'}.
void PressKeys(const std::vector<UINT>& keys);
// Characters typed into the focused window (WM_CHAR each).
void TypeText(const std::string& text);

// Menus. Choosing an item posts its WM_COMMAND (nothing when it is disabled);
// TrackPopupMenu returns the next scripted choice (0: dismissed) and logs the
// item texts it showed.
bool ChooseMenuItem(HWND hwnd, UINT id);
void ScriptPopupMenuChoice(UINT id);
std::vector<std::vector<std::string>> TrackedPopupMenus();
// The item texts of a menu, submenus as "Caption>" followed by their items
// indented, "-" for separators, disabled items with a leading "~".
std::vector<std::string> MenuText(HMENU menu);

// Screen fonts: a default desktop has Arial, Courier New, MS Sans Serif,
// Tahoma and Times New Roman.
void SetFontInstalled(const std::string& face, bool installed);

// Called when a thread of the program is about to wait for a message with an
// empty queue, as a user would act when the program waits for input. The
// hook returns true when it did something (the wait looks again), false to
// let the thread wait. One-shot helpers: WhenIdle(action) runs the action the
// next time the program waits, then removes itself.
void SetIdleHook(std::function<bool()> hook);
void WhenIdle(std::function<void()> action);

// The clock behind GetTickCount and timers.
DWORD Now();
void AdvanceClock(DWORD milliseconds);
// While on, a timed MsgWaitForMultipleObjects that finds no message waits in
// real time and moves the clock by the time it waited, so that a command-line
// program built against the simulator sees its timeouts expire. Off for
// tests; a program is started with it on by STASHWELL_SIM_REALTIME=1.
void SetClockFollowsRealTime(bool on);
// Threads blocked now in a timed WaitForSingleObject whose time on the clock
// has not yet run out and whose event is not set. A test waits for this to
// reach the number it expects before it moves the clock, so that it knows a
// thread has begun its wait.
int TimedWaits();
// Threads blocked now in any WaitForSingleObject (timed or endless) that
// nothing has ended yet: a test waits for this to know that a thread has
// come to rest, for instance in a wait for an event that only it can set.
int Waits();

// Run-time modules (LoadLibraryA): names compare without regard to case and
// with or without ".dll". A refused module fails to load (ERROR_MOD_NOT_FOUND);
// a hidden export is not found by GetProcAddress (ERROR_PROC_NOT_FOUND).
void RefuseModule(const std::string& name, bool refuse = true);
void HideExport(const std::string& module, const std::string& exportName, bool hide = true);
void ClearModuleFaults();
// How many LoadLibraryA references the module has now (0: not loaded).
int ModuleReferences(const std::string& name);

// WinSock (wsock32.dll over the host's sockets).
// While on, WSAAsyncGetHostByName and WSAAsyncGetHostByAddr answer inside the
// start call: the completion reaches the window before the handle is returned.
void SetLookupCompletesEarly(bool on);
// Replaces the host's name lookup: the function gives a WinSock error (11001
// for an unknown host) or 0 with the dotted addresses. Empty: the host's.
void SetHostLookup(
    std::function<int(const std::string& name, std::vector<std::string>& addresses)> lookup);
// Sockets open now.
std::size_t OpenSockets();

// Painting, read back pixel by pixel: 0x00RRGGBB, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};
// Invalidates the window, lets it paint through UpdateWindow (a hidden window
// does not paint) and returns its client surface. Child windows have surfaces
// of their own.
Pixels WindowPixels(HWND hwnd);
Pixels BitmapPixels(HBITMAP bitmap);
// Device contexts handed out and not given back yet: those of windows
// (BeginPaint, GetDC; EndPaint, ReleaseDC) and memory contexts (DeleteDC).
std::size_t OpenDeviceContexts();
// GDI objects made and not deleted yet (pens, brushes, fonts, bitmaps,
// palettes, regions, metafiles, icons, image lists); stock objects, device
// contexts and the surfaces that windows paint on are not counted.
std::size_t LiveGdiObjects();
// Adds a resource of the program (an .ico file's bytes as "ICON", a .bmp
// file's as "BITMAP") beside those compiled in from resources/pictures.txt,
// or replaces one; it stays until the process ends.
void SetResource(const std::string& type, const std::string& name, const std::string& bytes);
// Metafiles keep no drawing here: playing one fills its rectangle with this.
constexpr COLORREF MetafilePlaceholderColor = RGB(255, 224, 160);

// The registry (advapi32): keys under HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE, emptied by Reset; key paths separated by backslashes. A
// refusal applies to the key named and to every key below it ("" names the
// whole root).
constexpr unsigned RegRefuseCreate = 1;      // missing keys cannot be created there
constexpr unsigned RegRefuseWriteAccess = 2; // opening with any right to change is denied
constexpr unsigned RegRefuseSetValue = 4;    // values cannot be written or deleted
constexpr unsigned RegRefuseOpen = 8;        // no access at all
void RefuseRegistry(HKEY root, const std::string& key, unsigned refusals);
void ClearRegistryRefusals();
struct RegistryValue {
    std::string name; // empty for the key's default value
    DWORD type = 0;
    std::string data;
};
// Creates the key as needed.
void SetRegistryValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                      const std::string& data);
// A REG_SZ value with its terminating NUL, as programs write them.
void SetRegistryString(HKEY root, const std::string& key, const std::string& name,
                       const std::string& text);
void DeleteRegistryKey(HKEY root, const std::string& key); // with everything below it
bool RegistryKeyExists(HKEY root, const std::string& key);
std::vector<std::string> RegistrySubkeys(HKEY root, const std::string& key);
std::vector<RegistryValue> RegistryValues(HKEY root, const std::string& key); // in order written
bool GetRegistryValue(HKEY root, const std::string& key, const std::string& name,
                      RegistryValue& value);
// Handles that are open now, and the keys they name (root name, lower-case path).
std::size_t OpenRegistryKeys();
std::vector<std::string> OpenRegistryKeyPaths();

// File dialogs (comdlg32). Each GetOpenFileNameA or GetSaveFileNameA takes the
// next scripted answer: a file name, which the dialog completes as the
// platform's would (the default extension added to a name without one, a
// name without folder taken in the initial folder), or a cancel. Unscripted
// calls are cancelled. Every call is logged.
void ScriptFileDialog(const std::string& fileName);
void ScriptFileDialogCancel();
struct FileDialogRecord {
    bool save = false;
    HWND owner = nullptr;
    std::string title;
    std::string filter; // the pairs as passed, each NUL shown as "|", without the closing NULs
    DWORD filterIndex = 0;
    std::string defaultExt;
    std::string initialDir;
    std::string initialFile; // what the file buffer held
    DWORD flags = 0;
    std::string answer; // the file name given back; empty when cancelled
};
std::vector<FileDialogRecord> FileDialogs();

// Simple MAPI. The mail program is installed when the machine's key
// "SOFTWARE/Microsoft/Windows Messaging Subsystem" (backslashes in the
// registry) has MAPI = "1" and MAPI32.DLL loads; SetMailInstalled switches
// both. Its MAPISendMail logs the message and returns the next scripted
// result, 0 (success) when none is scripted.
void SetMailInstalled(bool installed);
void ScriptMailResult(ULONG result);
struct MailRecord {
    ULONG_PTR session = 0;
    ULONG_PTR uiParam = 0;
    ULONG flags = 0;
    ULONG reserved = 0;
    bool hasMessage = false;
    // The message, field by field (a null pointer shows as has... = false).
    ULONG messageReserved = 0;
    bool hasSubject = false;
    std::string subject;
    bool hasNoteText = false;
    std::string noteText;
    bool hasMessageType = false;
    bool hasDateReceived = false;
    bool hasConversationId = false;
    ULONG messageFlags = 0;
    bool hasOriginator = false;
    ULONG recipCount = 0;
    bool hasRecips = false;
    ULONG fileCount = 0;
    bool hasFiles = false;
    int clipboardOpenTask = 0; // who held the clipboard open during the call
    ULONG result = 0;
};
std::vector<MailRecord> MailsSent();

// WinHelp: each WinHelpA call is logged and succeeds.
struct HelpRecord {
    HWND hwnd = nullptr;
    std::string file;
    UINT command = 0;
    ULONG_PTR data = 0;
    // The data's text, for the commands that pass one (HELP_COMMAND, HELP_KEY, ...).
    std::string text;
};
std::vector<HelpRecord> HelpCalls();

// What GetVersionExA reports (by default 5.1, build 2600, VER_PLATFORM_WIN32_NT)
// and the profile (win.ini) entries that GetProfileIntA reads; an empty value
// removes the entry.
void SetWindowsVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId);
void SetProfileString(const std::string& section, const std::string& key, const std::string& value);

} // namespace sim

#include "platform/sim/simulator_desktop.h"
