// Messages between programs: registered message numbers, and sends that give
// up when the receiver does not answer in time or does not answer at all.
#include "platform/sim/state.h"

#include <algorithm>

using namespace sim::detail;

namespace {

constexpr DWORD hungAfter = 5000; // milliseconds without looking at the queue

// A thread is hung when it neither waits for a message now nor has looked at
// its queue for 5 s (caller holds the lock).
bool hung(const ThreadQueue& queue) {
    return queue.waiting == 0 && state().clock - queue.lastLooked > hungAfter;
}

} // namespace

UINT RegisterWindowMessageA(LPCSTR name) {
    // Message names and clipboard format names share one table, as on Windows.
    return RegisterClipboardFormatA(name);
}

LRESULT SendMessageTimeoutA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeout, PDWORD_PTR result) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const DWORD self = GetCurrentThreadId();
    if (w->thread == self) { // a window of this thread is called directly, without a limit
        WNDPROC proc = w->proc;
        guard.unlock();
        LRESULT answer = proc(hwnd, msg, wParam, lParam);
        if (result)
            *result = static_cast<DWORD_PTR>(answer);
        return TRUE;
    }
    auto target = queueOf(w->thread);
    if ((flags & SMTO_ABORTIFHUNG) && hung(*target)) {
        SetLastError(ERROR_TIMEOUT);
        return 0;
    }
    auto call = std::make_shared<SentMessage>();
    call->msg = MSG{hwnd, msg, wParam, lParam, state().clock, {}};
    target->sent.push_back(call);
    target->wake.notify_all();
    const DWORD start = state().clock;
    auto own = queueOf(self);
    for (;;) {
        answerIncomingSent(guard);
        if (call->done) {
            if (result)
                *result = static_cast<DWORD_PTR>(call->result);
            return TRUE;
        }
        if (!IsWindow(hwnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (state().clock - start >= timeout) {
            // A message not yet taken is withdrawn, as Wine does.
            auto& pending = target->sent;
            pending.erase(std::remove(pending.begin(), pending.end(), call), pending.end());
            SetLastError(ERROR_TIMEOUT);
            return 0;
        }
        waitForMessage(guard, *own);
    }
}
