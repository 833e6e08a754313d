#include "toolkit/Threads.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/UtilWindow.h"

#include <algorithm>
#include <deque>
#include <mutex>

namespace tk {

namespace {

constexpr const char* syncClass = "TThreadSyncWindow";
// Posted to the hidden window: run the methods that wait.
constexpr UINT syncMessage = WM_USER + 0x100;

struct Request {
    enum State { pending, running, done, cancelled };
    TThread::TThreadMethod method;
    State state = pending;
    std::exception_ptr error;
};

} // namespace

// Shared by the thread object, its thread and the hidden window, so that
// whichever of them ends last finds it still there.
struct TThread::Core {
    std::mutex mutex;
    TKernelHandle wake; // an auto-reset event: set after every change a waiting thread must see
    bool suspended = false;
    bool terminated = false;
    bool started = false;
    std::deque<std::shared_ptr<Request>> pending;
    HWND window = nullptr; // null once the GUI side is gone
    DWORD guiThread = 0;
    TComponent* context = nullptr;

    void Signal() { SetEvent(wake.Get()); }

    // Every method that waits, on the GUI thread.
    void RunPending() {
        for (;;) {
            std::shared_ptr<Request> request;
            {
                std::lock_guard guard(mutex);
                if (pending.empty())
                    return;
                request = pending.front();
                pending.pop_front();
                request->state = Request::running;
            }
            try {
                request->method();
            } catch (const std::exception& error) {
                TApplication* application;
                {
                    std::lock_guard guard(mutex);
                    application = FindApplication(context);
                }
                if (application) {
                    try {
                        application->HandleException(error);
                    } catch (...) {
                    }
                } else {
                    request->error = std::current_exception();
                }
            } catch (...) {
                request->error = std::current_exception();
            }
            {
                std::lock_guard guard(mutex);
                request->state = Request::done;
            }
            Signal();
        }
    }

    // The window goes: nothing will run what still waits.
    void WindowGone() {
        {
            std::lock_guard guard(mutex);
            window = nullptr;
            for (auto& request : pending)
                request->state = Request::cancelled;
            pending.clear();
        }
        Signal();
    }
};

namespace {

// The hidden window's side: it runs the methods that wait, and lets the
// thread know when the window goes.
struct SyncTarget : TWindowTarget {
    explicit SyncTarget(std::shared_ptr<TThread::Core> core) : core(std::move(core)) {}

    void WindowMessage(HWND window, TMessage& message) override {
        if (message.Msg == syncMessage) {
            std::shared_ptr<TThread::Core> keep = core; // a method may destroy the thread
            keep->RunPending();
            return;
        }
        if (message.Msg == WM_NCDESTROY) {
            core->WindowGone();
            message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
            delete this; // the window's last message
            return;
        }
        message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
    }

    std::shared_ptr<TThread::Core> core;
};

HWND makeSyncWindow(const std::shared_ptr<TThread::Core>& core) {
    auto target = std::make_unique<SyncTarget>(core);
    HWND hwnd = CreateHiddenWindow(syncClass, *target);
    if (!hwnd)
        throw Exception("Cannot create a window");
    target.release(); // the window's now: it goes with the window's last message
    return hwnd;
}

} // namespace

TThread::TThread(bool createSuspended, TComponent* context, std::function<void(TThread&)> execute)
    : core_(std::make_shared<Core>()), execute_(std::move(execute)) {
    core_->wake.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!core_->wake)
        throw Exception("Cannot create an event");
    core_->guiThread = GetCurrentThreadId();
    core_->context = context;
    core_->window = makeSyncWindow(core_);
    core_->suspended = true;
    if (!createSuspended)
        Resume();
}

TThread::~TThread() {
    Terminate();
    WaitFor();
    if (thread_.joinable())
        thread_.detach(); // destroyed by its own thread, which ends by itself
    HWND window;
    {
        std::lock_guard guard(core_->mutex);
        window = core_->window;
        core_->context = nullptr;
    }
    if (window) {
        // The window belongs to the GUI thread; from elsewhere it is asked to go.
        if (GetCurrentThreadId() == core_->guiThread)
            DestroyWindow(window);
        else
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

void TThread::Resume() {
    bool start = false;
    {
        std::lock_guard guard(core_->mutex);
        if (!core_->suspended)
            return;
        core_->suspended = false;
        if (!core_->started && !core_->terminated)
            start = core_->started = true;
    }
    if (start)
        thread_ = std::thread([this] {
            try {
                if (WaitWhileSuspended())
                    Execute();
            } catch (...) {
                fatal_ = std::current_exception();
            }
        });
    else
        core_->Signal();
}

void TThread::Suspend() {
    std::lock_guard guard(core_->mutex);
    core_->suspended = true;
}

bool TThread::Suspended() const {
    std::lock_guard guard(core_->mutex);
    return core_->suspended;
}

void TThread::Terminate() {
    {
        std::lock_guard guard(core_->mutex);
        core_->terminated = true;
        core_->suspended = false;
    }
    terminated_ = true;
    core_->Signal();
}

void TThread::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TThread::Execute() {
    if (execute_)
        execute_(*this);
}

bool TThread::WaitWhileSuspended() {
    for (;;) {
        {
            std::lock_guard guard(core_->mutex);
            if (core_->terminated)
                return false;
            if (!core_->suspended)
                return true;
        }
        WaitForSingleObject(core_->wake.Get(), INFINITE);
    }
}

bool TThread::Delay(DWORD milliseconds) {
    // The end is fixed when the delay begins; a wake for another reason
    // (Resume, an answer from the GUI thread) only makes it look again.
    const DWORD start = GetTickCount();
    for (;;) {
        if (Terminated())
            return false;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            break;
        WaitForSingleObject(core_->wake.Get(), milliseconds - elapsed);
    }
    return true;
}

bool TThread::Synchronize(const TThreadMethod& method) {
    std::shared_ptr<Core> core = core_;
    if (GetCurrentThreadId() == core->guiThread) {
        method();
        return true;
    }
    auto request = std::make_shared<Request>();
    request->method = method;
    HWND window;
    {
        std::lock_guard guard(core->mutex);
        if (core->terminated || !core->window)
            return false;
        core->pending.push_back(request);
        window = core->window;
    }
    if (!PostMessageA(window, syncMessage, 0, 0)) {
        std::lock_guard guard(core->mutex);
        if (request->state == Request::pending) {
            auto& pending = core->pending;
            pending.erase(std::remove(pending.begin(), pending.end(), request), pending.end());
            return false;
        }
        // Another request's message is running it already.
    }
    for (;;) {
        {
            std::lock_guard guard(core->mutex);
            if (request->state == Request::done)
                break;
            if (request->state == Request::cancelled)
                return false;
            if (core->terminated) {
                if (request->state == Request::pending) {
                    auto& pending = core->pending;
                    pending.erase(std::remove(pending.begin(), pending.end(), request),
                                  pending.end());
                    request->state = Request::cancelled;
                }
                return false;
            }
        }
        WaitForSingleObject(core->wake.Get(), INFINITE);
    }
    if (request->error)
        std::rethrow_exception(request->error);
    return true;
}

} // namespace tk
