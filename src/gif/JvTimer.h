// A timer whose ticks come from a thread of its own: the thread sleeps for
// the interval and hands each tick to the GUI thread (or, without the
// synchronise flag, runs it where it is).
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Threads.h"

#include <atomic>
#include <memory>
#include <mutex>

class TJvTimer;

// Created suspended by its timer; sleeps the interval, then ticks, until it
// is terminated. The timer suspends it while it should not tick.
class TJvTimerThread : public tk::TThread {
public:
    explicit TJvTimerThread(TJvTimer& timer);
    ~TJvTimerThread() override;

    DWORD Interval() const { return interval_.load(); }
    void SetInterval(DWORD interval) { interval_.store(interval); }

protected:
    void Execute() override;

private:
    TJvTimer* timer_;
    std::atomic<DWORD> interval_{1000};
};

class TJvTimer : public tk::TComponent {
public:
    explicit TJvTimer(tk::TComponent* owner);
    ~TJvTimer() override;

    bool Enabled() const;
    void SetEnabled(bool enabled);
    // Milliseconds; 0 stops the ticks. A change takes effect with the next
    // sleep: one already running ends after the old interval.
    unsigned Interval() const;
    void SetInterval(unsigned interval);
    // Ticks from the thread (true), or from a window timer of the GUI thread.
    bool Threaded() const;
    void SetThreaded(bool threaded);
    // True: OnTimer runs on the GUI thread, handed over through Synchronize;
    // false: on the timer thread, whose exceptions then go to the
    // application's handler on the GUI thread.
    bool SyncEvent() const;
    void SetSyncEvent(bool syncEvent);
    tk::TNotifyEvent OnTimer() const;
    void SetOnTimer(tk::TNotifyEvent handler);

    TJvTimerThread& Thread() { return *thread_; }

protected:
    // Raises OnTimer.
    virtual void Timer();

private:
    friend class TJvTimerThread;
    // Suspends the thread, gives it the interval, and lets it run again only
    // when there is something to tick for.
    void UpdateTimer();
    // One tick, on the timer thread.
    void ThreadTick();
    // A setting read under the lock; a setting changed under the lock, the
    // timer updated when it changed.
    template <typename T> T Locked(const T& field) const;
    template <typename T> void Change(T& field, const T& value);

    mutable std::mutex mutex_; // the settings, which the timer thread reads too
    bool enabled_ = true;
    unsigned interval_ = 1000;
    bool threaded_ = true;
    bool syncEvent_ = true;
    tk::TNotifyEvent onTimer_;
    std::unique_ptr<TJvTimerThread> thread_;
    HWND window_ = nullptr; // the window timer's, made when first needed
};
