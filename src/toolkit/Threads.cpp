#include "toolkit/Threads.h"
#include "toolkit/Application.h"

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

TApplication* applicationAbove(const TComponent* component) {
    for (const TComponent* c = component; c; c = c->Owner())
        if (auto* application = dynamic_cast<const TApplication*>(c))
            return const_cast<TApplication*>(application);
    return nullptr;
}

} // namespace

// Shared by the thread object, its thread and the hidden window, so that
// whichever of them ends last finds it still there.
struct TThread::Core {
    std::mutex mutex;
    HANDLE wake = nullptr; // auto-reset: set after every change a waiting thread must see
    bool suspended = false;
    bool terminated = false;
    bool started = false;
    std::deque<std::shared_ptr<Request>> pending;
    HWND window = nullptr; // null once the GUI side is gone
    DWORD guiThread = 0;
    TComponent* context = nullptr;

    ~Core() {
        if (wake)
            CloseHandle(wake);
    }

    void Signal() { SetEvent(wake); }

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
                    application = applicationAbove(context);
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

LRESULT CALLBACK SyncWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* holder =
        reinterpret_cast<std::shared_ptr<TThread::Core>*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (holder) {
        if (msg == syncMessage) {
            std::shared_ptr<TThread::Core> core = *holder; // a method may destroy the thread
            core->RunPending();
            return 0;
        }
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            (*holder)->WindowGone();
            delete holder;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND makeSyncWindow(const std::shared_ptr<TThread::Core>& core) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls{};
    if (!GetClassInfoA(instance, syncClass, &cls)) {
        cls.lpfnWndProc = &SyncWndProc;
        cls.hInstance = instance;
        cls.lpszClassName = syncClass;
        RegisterClassA(&cls);
    }
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, syncClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, instance, nullptr);
    if (!hwnd)
        throw Exception("Cannot create a window");
    SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new std::shared_ptr<TThread::Core>(core)));
    return hwnd;
}

} // namespace

TThread::TThread(bool createSuspended, TComponent* context, std::function<void(TThread&)> execute)
    : core_(std::make_shared<Core>()), execute_(std::move(execute)) {
    core_->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
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
        WaitForSingleObject(core_->wake, INFINITE);
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
        WaitForSingleObject(core_->wake, milliseconds - elapsed);
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
        WaitForSingleObject(core->wake, INFINITE);
    }
    if (request->error)
        std::rethrow_exception(request->error);
    return true;
}

} // namespace tk
