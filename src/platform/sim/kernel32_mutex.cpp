// Mutexes. A named one is shared by every simulated task: the second
// CreateMutexA of a name opens the same mutex, which lasts until its last
// handle is closed. Waiting for a mutex is not modelled.
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <map>
#include <memory>

using namespace sim::detail;

namespace {

struct Mutex {
    std::string name;
    int handles = 0;
    DWORD owner = 0; // the thread that holds it, 0 for none
    int recursion = 0;
};

struct Mutexes {
    std::map<std::uintptr_t, std::shared_ptr<Mutex>> open; // by handle
    std::map<std::string, std::weak_ptr<Mutex>> named;
    std::uintptr_t next = 0x50000000; // a range of their own, like events
};

// Kept under the state's lock.
Mutexes& mutexes() {
    static auto* instance = new Mutexes; // threads may outlast main
    return *instance;
}

// A name is a single component, or one below "Global" or "Local".
bool validPath(const std::string& name) {
    auto slash = name.find('\\');
    if (slash == std::string::npos)
        return true;
    std::string space = name.substr(0, slash);
    return (space == "Global" || space == "Local") &&
           name.find('\\', slash + 1) == std::string::npos;
}

HANDLE newHandleFor(std::shared_ptr<Mutex> mutex) {
    auto& m = mutexes();
    m.next += 4;
    ++mutex->handles;
    m.open[m.next] = std::move(mutex);
    return toHandle<HANDLE>(m.next);
}

} // namespace

namespace sim::detail {

bool closeMutex(HANDLE handle) {
    auto& m = mutexes();
    auto it = m.open.find(key(handle));
    if (it == m.open.end())
        return false;
    auto mutex = it->second;
    m.open.erase(it);
    if (--mutex->handles == 0 && !mutex->name.empty())
        m.named.erase(mutex->name);
    return true;
}

void resetMutexes() {
    auto& m = mutexes();
    m.open.clear();
    m.named.clear();
}

} // namespace sim::detail

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR nameArg) {
    auto guard = lock();
    auto& m = mutexes();
    std::string name = nameArg ? nameArg : "";
    if (name.size() > MAX_PATH) { // the name does not fit the conversion buffer
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    if (!validPath(name)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    if (!name.empty()) {
        if (auto existing = m.named[name].lock()) {
            HANDLE handle = newHandleFor(existing); // the initial owner is not asked for then
            SetLastError(ERROR_ALREADY_EXISTS);
            return handle;
        }
    }
    auto mutex = std::make_shared<Mutex>();
    mutex->name = name;
    if (initialOwner) {
        mutex->owner = GetCurrentThreadId();
        mutex->recursion = 1;
    }
    if (!name.empty())
        m.named[name] = mutex;
    HANDLE handle = newHandleFor(mutex);
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE handle) {
    auto guard = lock();
    auto& m = mutexes();
    auto it = m.open.find(key(handle));
    if (it == m.open.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Mutex& mutex = *it->second;
    if (mutex.owner != GetCurrentThreadId()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--mutex.recursion == 0)
        mutex.owner = 0;
    return TRUE;
}

namespace sim {

std::vector<NamedMutexRecord> NamedMutexes() {
    auto guard = lock();
    std::vector<NamedMutexRecord> out;
    for (const auto& [name, weak] : mutexes().named)
        if (auto mutex = weak.lock())
            out.push_back(NamedMutexRecord{name, mutex->handles});
    return out;
}

} // namespace sim
