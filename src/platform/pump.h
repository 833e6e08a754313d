// What a test does as the user and the clock around a window of its own
// thread, written once for the simulator and for Windows: let time pass while
// the thread's windows get their messages, and act while a message box is up
// before answering it.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <memory>
#include <utility>

#if !defined(_WIN32)
#include "platform/sim/simulator.h"
#endif

namespace platform {

// Hands every message waiting for this thread's windows to them.
inline void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Lets `milliseconds` pass while the thread's windows get their messages
// (their timers included): the simulator's clock moves at once, Windows
// waits in real time.
inline void Pass(DWORD milliseconds) {
#if defined(_WIN32)
    DWORD start = GetTickCount();
    do {
        PumpMessages();
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
#else
    PumpMessages();
    sim::AdvanceClock(milliseconds);
#endif
    PumpMessages();
}

#if defined(_WIN32)
namespace detail {
inline std::function<void(HWND)>& pendingBoxAction() {
    static thread_local std::function<void(HWND)> action;
    return action;
}
inline int& pendingBoxAnswer() {
    static thread_local int answer = IDOK;
    return answer;
}
// Fires inside the box's own message loop: the box is the thread's active window.
inline void CALLBACK boxUp(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = GetActiveWindow();
    if (auto action = std::exchange(pendingBoxAction(), nullptr))
        action(box);
    EndDialog(box, pendingBoxAnswer());
}
} // namespace detail
#endif

// The next message box this thread shows runs `whileUp` with the box's
// window while it is up, then is answered with `answer` (IDOK, IDYES, ...).
inline void WhileNextMessageBox(std::function<void(HWND box)> whileUp, int answer) {
#if defined(_WIN32)
    detail::pendingBoxAction() = std::move(whileUp);
    detail::pendingBoxAnswer() = answer;
    SetTimer(nullptr, 0, 200, &detail::boxUp);
#else
    sim::ScriptMessageBoxAnswer(answer);
    auto once = std::make_shared<std::function<void(HWND)>>(std::move(whileUp));
    sim::SetMessageBoxHook([once](HWND box) {
        if (auto action = std::exchange(*once, nullptr))
            action(box);
    });
#endif
}

} // namespace platform
