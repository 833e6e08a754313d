// Message queues: one per thread, with posted and sent messages and quit.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <cstring>

using namespace sim::detail;

namespace sim::detail {

LRESULT deliver(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    DWORD self = GetCurrentThreadId();
    if (w->thread == self) {
        WNDPROC proc = w->proc;
        guard.unlock();
        return proc(hwnd, msg, wParam, lParam);
    }
    // Another thread's window: queue the call there and wait for the answer,
    // answering what is sent to us meanwhile so that two threads never block
    // each other.
    auto call = std::make_shared<SentMessage>();
    call->msg = MSG{hwnd, msg, wParam, lParam, state().clock, {}};
    auto target = queueOf(w->thread);
    target->sent.push_back(call);
    target->wake.notify_all();
    auto own = queueOf(self);
    for (;;) {
        answerIncomingSent(guard);
        if (call->done)
            return call->result;
        if (!IsWindow(hwnd))
            return 0;
        waitForMessage(guard, *own);
    }
}

void notify(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    if (!w)
        return;
    if (w->thread == GetCurrentThreadId()) {
        guard.unlock();
        deliver(hwnd, msg, wParam, lParam);
        return;
    }
    auto call = std::make_shared<SentMessage>();
    call->msg = MSG{hwnd, msg, wParam, lParam, state().clock, {}};
    auto target = queueOf(w->thread);
    target->sent.push_back(call);
    target->wake.notify_all();
}

void waitForMessage(Lock& guard, ThreadQueue& queue) {
    ++queue.waiting;
    queue.wake.wait(guard);
    --queue.waiting;
}

void answerIncomingSent(Lock& guard) {
    auto own = queueOf(GetCurrentThreadId());
    while (!own->sent.empty()) {
        auto call = own->sent.front();
        own->sent.pop_front();
        Window* w = findWindow(call->msg.hwnd);
        WNDPROC proc = w ? w->proc : nullptr;
        guard.unlock();
        LRESULT result =
            proc ? proc(call->msg.hwnd, call->msg.message, call->msg.wParam, call->msg.lParam) : 0;
        guard.lock();
        call->result = result;
        call->done = true;
        wakeAll();
    }
}

} // namespace sim::detail

namespace {

bool matches(const MSG& m, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (hwnd && m.hwnd != hwnd)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return m.message >= filterMin && m.message <= filterMax;
}

// Takes the next message for GetMessage/PeekMessage; false when there is
// none. `input` tells whether the user made it.
bool takeMessage(Lock& guard, LPMSG out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove,
                 bool& input) {
    answerIncomingSent(guard);
    input = false;
    auto own = queueOf(GetCurrentThreadId());
    noteQueueLooked(*own);
    auto it = std::find_if(own->posted.begin(), own->posted.end(),
                           [&](const MSG& m) { return matches(m, hwnd, filterMin, filterMax); });
    if (it != own->posted.end()) {
        *out = *it;
        input = it->input;
        if (remove) {
            own->posted.erase(it);
            noteKeyMessage(*out);
        }
        return true;
    }
    if (own->quit) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(own->quitCode), 0, state().clock, {}};
        if (remove)
            own->quit = false;
        return true;
    }
    MSG synthetic{};
    if (syntheticMessage(GetCurrentThreadId(), synthetic, remove) &&
        matches(synthetic, hwnd, filterMin, filterMax)) {
        *out = synthetic;
        return true;
    }
    return false;
}

BOOL post(DWORD thread, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool input = false) {
    auto queue = queueOf(thread);
    queue->posted.push_back(
        QueuedMessage(MSG{hwnd, msg, wParam, lParam, state().clock, state().cursor}, input));
    queue->wake.notify_all();
    return TRUE;
}

// What happens to a message between the queue and the caller: a button the
// user pressed activates its window first (or is dropped, as the window
// answers), then the thread's hooks see it. False when it was dropped.
bool deliverTaken(MSG& msg, bool input, bool removed) {
    if (removed && input && !mouseActivate(msg))
        return false;
    callGetMessageHooks(msg, removed);
    return true;
}

} // namespace

namespace sim::detail {

void postInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto guard = lock();
    if (Window* w = findWindow(hwnd))
        post(w->thread, hwnd, msg, wParam, lParam, true);
}

} // namespace sim::detail

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return deliver(hwnd, msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto guard = lock();
    if (!hwnd)
        return post(GetCurrentThreadId(), nullptr, msg, wParam, lParam);
    if (hwnd == HWND_BROADCAST) { // every top-level window, hidden and disabled ones too
        for (HWND top : state().topLevel)
            if (Window* w = findWindow(top); w && !w->messageOnly)
                post(w->thread, top, msg, wParam, lParam);
        return TRUE;
    }
    Window* w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return post(w->thread, hwnd, msg, wParam, lParam);
}

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto guard = lock();
    return post(threadId, nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    auto guard = lock();
    auto own = queueOf(GetCurrentThreadId());
    own->quit = true;
    own->quitCode = exitCode;
    own->wake.notify_all();
}

namespace sim::detail {

bool idleTurn(Lock& guard) {
    if (!idleHookSet())
        return false; // the lock stays: nothing may slip in before the wait
    guard.unlock();
    bool acted = sim::detail::runIdleHook();
    guard.lock();
    return acted;
}

} // namespace sim::detail

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    for (;;) {
        bool input = false;
        {
            auto guard = lock();
            auto own = queueOf(GetCurrentThreadId());
            while (!takeMessage(guard, msg, hwnd, filterMin, filterMax, true, input))
                if (!idleTurn(guard))
                    waitForMessage(guard, *own);
        }
        if (deliverTaken(*msg, input, true))
            return msg->message != WM_QUIT;
    }
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    bool remove = removeMsg & PM_REMOVE;
    for (;;) {
        bool input = false;
        {
            auto guard = lock();
            if (!takeMessage(guard, msg, hwnd, filterMin, filterMax, remove, input))
                return FALSE;
        }
        if (deliverTaken(*msg, input, remove))
            return TRUE;
    }
}

BOOL WaitMessage() {
    auto guard = lock();
    auto own = queueOf(GetCurrentThreadId());
    for (;;) {
        answerIncomingSent(guard);
        MSG synthetic{};
        noteQueueLooked(*own);
        if (!own->posted.empty() || own->quit ||
            syntheticMessage(GetCurrentThreadId(), synthetic, false))
            return TRUE;
        if (!idleTurn(guard))
            waitForMessage(guard, *own);
    }
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg && msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg || !msg->hwnd)
        return 0;
    return deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto guard = lock();
        if (Window* w = findWindow(hwnd); w && cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            w->text = cs->lpszName;
        return TRUE;
    }
    case WM_SETTEXT: {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return FALSE;
        auto* text = reinterpret_cast<LPCSTR>(lParam);
        w->text = text ? text : "";
        return TRUE;
    }
    case WM_GETTEXT: {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        auto* out = reinterpret_cast<LPSTR>(lParam);
        if (!w || wParam == 0 || !out)
            return 0;
        std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
        std::memcpy(out, w->text.data(), n);
        out[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        else if ((wParam & 0xFFF0) == SC_MINIMIZE)
            ShowWindow(hwnd, SW_MINIMIZE);
        else if ((wParam & 0xFFF0) == SC_RESTORE)
            ShowWindow(hwnd, SW_RESTORE);
        else if ((wParam & 0xFFF0) == SC_MAXIMIZE)
            ShowWindow(hwnd, SW_SHOWMAXIMIZED);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        EndPaint(hwnd, &paint);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd))
            SetFocus(hwnd);
        return 0;
    case WM_MOUSEACTIVATE:
        // A child window lets its parent decide.
        if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) {
            if (LRESULT answer = SendMessageA(GetParent(hwnd), WM_MOUSEACTIVATE, wParam, lParam))
                return answer;
        }
        return MA_ACTIVATE;
    case WM_NCACTIVATE:
        return TRUE;
    case WM_SETCURSOR:
        return FALSE;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_QUERYENDSESSION:
        return TRUE;
    default:
        return 0;
    }
}
