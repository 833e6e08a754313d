// Threads beside the GUI thread, and the way back to it.
#pragma once

#include "platform/win32.h"
#include "toolkit/Classes.h"
#include "toolkit/SysUtils.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace tk {

// The silent exception: handlers that report exceptions pass over it.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

// A thread of the program. It is made by the GUI thread, which is the one
// that Synchronize hands methods to (through a hidden window made here).
//
// Suspension is cooperative: Suspend takes effect where the thread next
// passes a suspension point (before Execute starts, WaitWhileSuspended),
// never in the middle of its work, so a suspended thread holds no lock and
// has no method waiting on the GUI thread.
//
// Terminate asks the thread to end: it wakes the thread from Delay and from
// a Synchronize that waits, both of which then return false, so WaitFor
// after Terminate never waits on the GUI thread. The destructor does both.
// A class that overrides Execute and keeps state of its own must create the
// thread suspended (the thread could otherwise run before the derived class
// is built) and stop it in its own destructor with Terminate and WaitFor
// (the base destructor runs after the derived members are gone).
class TThread {
public:
    using TThreadMethod = std::function<void()>;

    // Exceptions of synchronised methods go to the application of `context`
    // on the GUI thread; without a context (or an application above it) they
    // come out of Synchronize on the calling thread. `execute` is what the
    // default Execute runs.
    explicit TThread(bool createSuspended, TComponent* context = nullptr,
                     std::function<void(TThread&)> execute = nullptr);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();
    void Suspend();
    bool Suspended() const;
    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // Waits until Execute has returned (at once when it never started because
    // the thread was terminated while suspended). Called by the thread
    // itself it returns at once.
    void WaitFor();
    // The exception that ended Execute, if one did.
    std::exception_ptr FatalException() const { return fatal_; }

    // Runs `method` on the GUI thread and waits until it has run. Returns
    // false when it could not run it or stopped waiting: the thread is being
    // terminated (a method already running on the GUI thread still runs to
    // its end there) or the GUI side is gone. On the GUI thread itself the
    // method simply runs.
    bool Synchronize(const TThreadMethod& method);

    struct Core; // what the thread shares with the GUI side

protected:
    virtual void Execute();
    // Sleeps `milliseconds` on the platform's clock (GetTickCount). Returns
    // false as soon as the thread is told to terminate.
    bool Delay(DWORD milliseconds);
    // Returns when the thread is not suspended; false when it is terminated.
    bool WaitWhileSuspended();

private:
    std::shared_ptr<Core> core_;
    std::function<void(TThread&)> execute_;
    std::atomic<bool> terminated_{false};
    std::exception_ptr fatal_;
    // Made at the first Resume: a thread that is never resumed costs nothing.
    std::thread thread_;
};

} // namespace tk
