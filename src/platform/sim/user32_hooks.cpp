// Message hooks: the WH_GETMESSAGE hooks of each thread, called in turn
// (the last installed first) for each message a thread takes or looks at.
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <vector>

using namespace sim::detail;

namespace {

struct Hook {
    HHOOK handle = nullptr;
    HOOKPROC proc = nullptr;
    DWORD thread = 0;
};

// Installed hooks in the order of installation (caller holds the lock).
std::vector<Hook>& hooks() {
    static std::vector<Hook> installed;
    return installed;
}

// The chain a thread is walking now: the hooks of its thread, last installed
// first, and the one running. CallNextHookEx moves along it.
struct Walk {
    std::vector<Hook> chain;
    std::size_t at = 0;
};
thread_local Walk* walking = nullptr;

LRESULT callFrom(Walk& walk, std::size_t index, int code, WPARAM wParam, LPARAM lParam) {
    // A hook removed meanwhile is passed over.
    for (; index < walk.chain.size(); ++index) {
        bool installed;
        {
            auto guard = lock();
            auto& all = hooks();
            installed = std::any_of(all.begin(), all.end(), [&](const Hook& h) {
                return h.handle == walk.chain[index].handle;
            });
        }
        if (installed)
            break;
    }
    if (index >= walk.chain.size())
        return 0;
    std::size_t previous = walk.at;
    walk.at = index;
    LRESULT result = walk.chain[index].proc(code, wParam, lParam);
    walk.at = previous;
    return result;
}

} // namespace

namespace sim::detail {

void callGetMessageHooks(MSG& msg, bool removed) {
    Walk walk;
    {
        auto guard = lock();
        for (auto it = hooks().rbegin(); it != hooks().rend(); ++it)
            if (it->thread == GetCurrentThreadId())
                walk.chain.push_back(*it);
    }
    if (walk.chain.empty())
        return;
    Walk* outer = walking;
    walking = &walk;
    try {
        callFrom(walk, 0, HC_ACTION, removed ? PM_REMOVE : PM_NOREMOVE,
                 reinterpret_cast<LPARAM>(&msg));
    } catch (...) {
        walking = outer;
        throw;
    }
    walking = outer;
}

void resetHooks() {
    hooks().clear();
}

} // namespace sim::detail

HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE, DWORD threadId) {
    if (idHook != WH_GETMESSAGE || !proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto guard = lock();
    Hook hook{toHandle<HHOOK>(newHandle()), proc, threadId ? threadId : GetCurrentThreadId()};
    hooks().push_back(hook);
    return hook.handle;
}

LRESULT CallNextHookEx(HHOOK, int code, WPARAM wParam, LPARAM lParam) {
    if (!walking)
        return 0;
    return callFrom(*walking, walking->at + 1, code, wParam, lParam);
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    auto guard = lock();
    auto& all = hooks();
    auto it = std::find_if(all.begin(), all.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it == all.end()) {
        SetLastError(ERROR_INVALID_HOOK_HANDLE);
        return FALSE;
    }
    all.erase(it);
    return TRUE;
}
