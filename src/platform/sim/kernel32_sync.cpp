// Kernel events and the waits for them. A wait ends when its event is set or
// when sim::AdvanceClock has moved the simulated clock past its timeout, so a
// thread that waits with a timeout sleeps on the same clock as the timers.
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <map>
#include <memory>

using namespace sim::detail;

namespace {

struct Event {
    bool manualReset = false;
    bool signaled = false;
};

// Events live apart from the state that sim::Reset clears: a thread of a
// test may still wait on one while the next test begins. Their handles come
// from a range of their own so that they never meet a file's or a window's.
struct Events {
    std::map<std::uintptr_t, std::shared_ptr<Event>> open;
    std::uintptr_t next = 0x40000000;
    // The waits going on: the event, the start on the clock and the length
    // (INFINITE for none).
    struct Wait {
        std::shared_ptr<Event> event;
        DWORD start = 0;
        DWORD length = INFINITE;
    };
    std::map<int, Wait> waits;
    int nextWait = 0;
};

Events& events() {
    static Events instance;
    return instance;
}

std::shared_ptr<Event> findEvent(HANDLE handle) {
    auto it = events().open.find(key(handle));
    return it == events().open.end() ? nullptr : it->second;
}

} // namespace

namespace sim::detail {

bool closeEvent(HANDLE handle) {
    auto guard = lock();
    // A thread that waits on it keeps the event until its wait ends, as the
    // platform keeps an object while a wait holds it.
    return events().open.erase(key(handle)) != 0;
}

} // namespace sim::detail

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
    if (name && *name) {
        SetLastError(ERROR_INVALID_PARAMETER); // named events are not modelled
        return nullptr;
    }
    auto guard = lock();
    auto& e = events();
    e.next += 4;
    auto event = std::make_shared<Event>();
    event->manualReset = manualReset != FALSE;
    event->signaled = initialState != FALSE;
    e.open[e.next] = event;
    return toHandle<HANDLE>(e.next);
}

BOOL SetEvent(HANDLE handle) {
    auto guard = lock();
    auto event = findEvent(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->signaled = true;
    state().clockTick.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE handle) {
    auto guard = lock();
    auto event = findEvent(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->signaled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto guard = lock();
    auto event = findEvent(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    auto& e = events();
    const DWORD start = state().clock;
    int id = 0;
    if (milliseconds != 0) {
        id = ++e.nextWait;
        e.waits[id] = {event, start, milliseconds};
    }
    DWORD result;
    for (;;) {
        if (event->signaled) {
            if (!event->manualReset)
                event->signaled = false;
            result = WAIT_OBJECT_0;
            break;
        }
        // Reset puts the clock back to 0; such a wait is over as well.
        if (milliseconds != INFINITE && state().clock - start >= milliseconds) {
            result = WAIT_TIMEOUT;
            break;
        }
        // SetEvent and AdvanceClock both notify the clock's condition.
        state().clockTick.wait(guard);
    }
    if (id)
        e.waits.erase(id);
    return result;
}

namespace {

// The waits that stay blocked until something else happens: their event is
// not set and their time (if any) has not run out. A wait that has just been
// satisfied but whose thread has not yet woken is not counted.
int blockedWaits(bool timedOnly) {
    auto guard = lock();
    const DWORD now = state().clock;
    int count = 0;
    for (const auto& [id, wait] : events().waits) {
        if (wait.event->signaled)
            continue;
        if (wait.length == INFINITE) {
            if (!timedOnly)
                ++count;
        } else if (now - wait.start < wait.length) {
            ++count;
        }
    }
    return count;
}

} // namespace

namespace sim {

int TimedWaits() {
    return blockedWaits(true);
}

int Waits() {
    return blockedWaits(false);
}

} // namespace sim
