#include "gif/JvTimer.h"

#include "toolkit/ExtCtrls.h"
#include "toolkit/Application.h"
#include "toolkit/UtilWindow.h"

namespace {

constexpr UINT_PTR windowTimerId = 1;

} // namespace

// ------------------------------------------------------------ TJvTimerThread

TJvTimerThread::TJvTimerThread(TJvTimer& timer) : tk::TThread(true, &timer), timer_(&timer) {}

TJvTimerThread::~TJvTimerThread() {
    Terminate();
    WaitFor();
}

void TJvTimerThread::Execute() {
    while (WaitWhileSuspended()) {
        const DWORD interval = Interval();
        if (interval == 0)
            continue; // the timer has just suspended the thread to keep it so
        if (!Delay(interval))
            break;
        // A tick that came due while the timer was stopped is dropped: a
        // timer started again waits a whole interval first.
        if (Suspended() || Terminated())
            continue;
        try {
            timer_->ThreadTick();
        } catch (...) {
            // Nobody to report to (no application above the timer).
        }
    }
}

// ------------------------------------------------------------------ TJvTimer

TJvTimer::TJvTimer(tk::TComponent* owner)
    : tk::TComponent(owner), thread_(std::make_unique<TJvTimerThread>(*this)) {}

TJvTimer::~TJvTimer() {
    {
        std::lock_guard guard(mutex_);
        enabled_ = false;
    }
    // Terminating wakes the thread from its sleep and from a tick that waits
    // for the GUI thread, so this returns at once. The thread is let finish
    // before it is destroyed: a tick running on it (without the synchronise
    // flag) may still set the interval, which reaches the thread object.
    thread_->Terminate();
    thread_->WaitFor();
    thread_.reset();
    if (window_) {
        KillTimer(window_, windowTimerId);
        tk::DeallocateHWnd(window_);
    }
}

template <typename T> T TJvTimer::Locked(const T& field) const {
    std::lock_guard guard(mutex_);
    return field;
}

template <typename T> void TJvTimer::Change(T& field, const T& value) {
    {
        std::lock_guard guard(mutex_);
        if (field == value)
            return;
        field = value;
    }
    UpdateTimer();
}

bool TJvTimer::Enabled() const {
    return Locked(enabled_);
}

void TJvTimer::SetEnabled(bool enabled) {
    Change(enabled_, enabled);
}

unsigned TJvTimer::Interval() const {
    return Locked(interval_);
}

void TJvTimer::SetInterval(unsigned interval) {
    Change(interval_, interval);
}

bool TJvTimer::Threaded() const {
    return Locked(threaded_);
}

void TJvTimer::SetThreaded(bool threaded) {
    Change(threaded_, threaded);
}

bool TJvTimer::SyncEvent() const {
    return Locked(syncEvent_);
}

void TJvTimer::SetSyncEvent(bool syncEvent) {
    std::lock_guard guard(mutex_);
    syncEvent_ = syncEvent;
}

tk::TNotifyEvent TJvTimer::OnTimer() const {
    return Locked(onTimer_);
}

void TJvTimer::SetOnTimer(tk::TNotifyEvent handler) {
    {
        std::lock_guard guard(mutex_);
        onTimer_ = std::move(handler);
    }
    UpdateTimer();
}

void TJvTimer::UpdateTimer() {
    unsigned interval;
    bool run, threaded;
    {
        std::lock_guard guard(mutex_);
        interval = interval_;
        threaded = threaded_;
        run = interval_ != 0 && enabled_ && onTimer_;
    }
    thread_->Suspend();
    thread_->SetInterval(interval);
    if (window_)
        KillTimer(window_, windowTimerId);
    if (!run)
        return;
    if (threaded) {
        thread_->Resume();
        return;
    }
    if (!window_)
        window_ = tk::AllocateHWnd(this, [this](tk::TMessage& message) {
            if (message.Msg == WM_TIMER) {
                if (Enabled())
                    Timer();
                return;
            }
            message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
        });
    if (!SetTimer(window_, windowTimerId, interval, nullptr))
        throw tk::EOutOfResources("Not enough timers available");
}

void TJvTimer::Timer() {
    tk::TNotifyEvent handler = OnTimer();
    if (handler)
        handler(this);
}

void TJvTimer::ThreadTick() {
    if (!Enabled())
        return;
    if (SyncEvent()) {
        thread_->Synchronize([this] {
            // Checked again here: the tick may have waited while the timer
            // was stopped, and a program that is ending ticks no more.
            tk::TApplication* application = tk::FindApplication(this);
            if (Enabled() && !(application && application->Terminated()))
                Timer();
        });
        return;
    }
    try {
        Timer();
    } catch (const tk::EAbort&) {
    } catch (...) {
        // Reported on the GUI thread, where the application's handler lives.
        std::exception_ptr error = std::current_exception();
        thread_->Synchronize([error] { std::rethrow_exception(error); });
    }
}
