// What the conformance tests share: windows that write the messages they
// receive into one journal, a message pump, and the question whether the
// platform under test is Wine (for the few rules where Wine and Windows
// differ and the test says so).
#pragma once

#include "platform/win32.h"

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace conformance {

// The journal of the recording windows: one line per message, "<name> <message>".
class Journal {
public:
    static Journal& Get() {
        static Journal journal;
        return journal;
    }
    // Messages of these numbers are written down; the rest pass unrecorded.
    void Watch(std::set<UINT> messages) {
        std::lock_guard guard(mutex_);
        watched_ = std::move(messages);
        lines_.clear();
    }
    void Name(HWND hwnd, const std::string& name) {
        std::lock_guard guard(mutex_);
        names_[hwnd] = name;
        coming_.clear();
    }
    // The name of the window being made now, for the messages it gets
    // before CreateWindowExA returns its handle.
    void Coming(const std::string& name) {
        std::lock_guard guard(mutex_);
        coming_ = name;
    }
    void Note(HWND hwnd, UINT msg, WPARAM wParam) {
        std::lock_guard guard(mutex_);
        if (msg == WM_NCCREATE && !coming_.empty())
            names_[hwnd] = coming_;
        if (!watched_.count(msg))
            return;
        auto it = names_.find(hwnd);
        std::string line = (it == names_.end() ? std::string("?") : it->second) + " " + Text(msg);
        if (msg == WM_ACTIVATE || msg == WM_SHOWWINDOW || msg == WM_ENABLE || msg == WM_TIMER ||
            msg == WM_ACTIVATEAPP)
            line += "(" + std::to_string(static_cast<unsigned>(LOWORD(wParam))) + ")";
        lines_.push_back(line);
    }
    // What was written since the last call, and a fresh page.
    std::vector<std::string> Take() {
        std::lock_guard guard(mutex_);
        auto lines = std::move(lines_);
        lines_.clear();
        return lines;
    }

private:
    static std::string Text(UINT msg) {
        static const std::map<UINT, const char*> names = {
            {WM_NCCREATE, "WM_NCCREATE"},
            {WM_CREATE, "WM_CREATE"},
            {WM_DESTROY, "WM_DESTROY"},
            {WM_NCDESTROY, "WM_NCDESTROY"},
            {WM_MOVE, "WM_MOVE"},
            {WM_SIZE, "WM_SIZE"},
            {WM_ACTIVATE, "WM_ACTIVATE"},
            {WM_SETFOCUS, "WM_SETFOCUS"},
            {WM_KILLFOCUS, "WM_KILLFOCUS"},
            {WM_ENABLE, "WM_ENABLE"},
            {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
            {WM_PAINT, "WM_PAINT"},
            {WM_CLOSE, "WM_CLOSE"},
            {WM_TIMER, "WM_TIMER"},
            {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
            {WM_USER, "WM_USER"},
            {WM_USER + 1, "WM_USER+1"},
            {WM_USER + 2, "WM_USER+2"},
            {WM_NCACTIVATE, "WM_NCACTIVATE"},
            {WM_ERASEBKGND, "WM_ERASEBKGND"},
        };
        auto it = names.find(msg);
        return it == names.end() ? std::to_string(msg) : it->second;
    }

    std::mutex mutex_;
    std::set<UINT> watched_;
    std::map<HWND, std::string> names_;
    std::string coming_;
    std::vector<std::string> lines_;
};

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Journal::Get().Note(hwnd, msg, wParam);
    if (msg == WM_PAINT) { // painted: nothing more is owed
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

inline const char* RecorderClass() {
    static bool registered = [] {
        WNDCLASSA cls{};
        cls.lpfnWndProc = RecordingProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = "ConformanceRecorder";
        return RegisterClassA(&cls) != 0;
    }();
    return registered ? "ConformanceRecorder" : nullptr;
}

// A recording window named `name` in the journal (the name is also its caption).
inline HWND NewRecorder(const std::string& name, DWORD style = WS_POPUP, DWORD exStyle = 0,
                        HWND parent = nullptr, RECT at = RECT{10, 10, 110, 90}) {
    Journal::Get().Coming(name);
    HWND hwnd = CreateWindowExA(exStyle, RecorderClass(), name.c_str(), style, at.left, at.top,
                                at.right - at.left, at.bottom - at.top, parent, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (hwnd)
        Journal::Get().Name(hwnd, name);
    return hwnd;
}

// Takes and dispatches every message waiting for the calling thread, a few
// times over a short while: under Wine activation by SetForegroundWindow
// completes when the X server's answer is handled.
inline void Settle() {
    for (int i = 0; i < 5; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Takes and dispatches every message waiting for the calling thread.
inline int Pump() {
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++count;
    }
    return count;
}

inline bool OnWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace conformance
