#include "platform/sim/script.h"
#include "platform/sim/simulator.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace sim::detail {

namespace {

struct Script {
    std::deque<int> messageBoxAnswers;
    std::deque<UINT> popupMenuChoices;
    std::deque<std::optional<std::string>> fileDialogAnswers; // nullopt: cancel
    std::deque<ULONG> mailResults;
    std::function<int(const std::string&, std::vector<std::string>&)> hostLookup;
    bool lookupCompletesEarly = false;

    std::function<bool(std::size_t)> allocationFault;
    std::function<bool(const std::string&)> fileWriteFault;
    bool timersAvailable = true;
    std::map<std::string, DWORD> refusedWindowClasses; // lower-case name -> error
    std::set<std::string> refusedModules;
    std::set<std::pair<std::string, std::string>> hiddenExports; // (module, export)
    std::vector<RegistryRefusal> registryRefusals;
    std::function<bool(DWORD)> notifyIconRefusal;

    std::function<void()> openClipboardHook;
    std::function<bool()> idleHook;
    std::deque<std::function<void()>> idleActions;
};

std::mutex& scriptMutex() {
    static auto* mutex = new std::mutex; // threads of the program may outlast main
    return *mutex;
}

Script& script() {
    static auto* instance = new Script;
    return *instance;
}

// Runs `f` on the script under its lock.
template <typename F> auto withScript(F&& f) {
    std::lock_guard guard(scriptMutex());
    return f(script());
}

template <typename T> std::optional<T> takeFront(std::deque<T>& queue) {
    if (queue.empty())
        return std::nullopt;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

} // namespace

std::optional<int> nextMessageBoxAnswer() {
    return withScript([](Script& s) { return takeFront(s.messageBoxAnswers); });
}

std::optional<UINT> nextPopupMenuChoice() {
    return withScript([](Script& s) { return takeFront(s.popupMenuChoices); });
}

std::optional<std::optional<std::string>> nextFileDialogAnswer() {
    return withScript([](Script& s) { return takeFront(s.fileDialogAnswers); });
}

std::optional<ULONG> nextMailResult() {
    return withScript([](Script& s) { return takeFront(s.mailResults); });
}

std::function<int(const std::string&, std::vector<std::string>&)> hostLookup() {
    return withScript([](Script& s) { return s.hostLookup; });
}

bool lookupCompletesEarly() {
    return withScript([](Script& s) { return s.lookupCompletesEarly; });
}

bool allocationFails(std::size_t bytes) {
    auto fault = withScript([](Script& s) { return s.allocationFault; });
    return fault && fault(bytes);
}

bool fileWriteFails(const std::string& path) {
    auto fault = withScript([](Script& s) { return s.fileWriteFault; });
    return fault && fault(path);
}

bool timersAvailable() {
    return withScript([](Script& s) { return s.timersAvailable; });
}

bool moduleRefused(const std::string& module) {
    return withScript([&](Script& s) { return s.refusedModules.count(module) != 0; });
}

bool exportHidden(const std::string& module, const std::string& exportName) {
    return withScript([&](Script& s) { return s.hiddenExports.count({module, exportName}) != 0; });
}

void setModuleRefused(const std::string& module, bool refused) {
    withScript([&](Script& s) {
        if (refused)
            s.refusedModules.insert(module);
        else
            s.refusedModules.erase(module);
    });
}

void setExportHidden(const std::string& module, const std::string& exportName, bool hidden) {
    withScript([&](Script& s) {
        if (hidden)
            s.hiddenExports.insert({module, exportName});
        else
            s.hiddenExports.erase({module, exportName});
    });
}

void clearModuleFaults() {
    withScript([](Script& s) {
        s.refusedModules.clear();
        s.hiddenExports.clear();
    });
}

void setRegistryRefusal(const RegistryRefusal& refusal) {
    withScript([&](Script& s) {
        auto& list = s.registryRefusals;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const RegistryRefusal& r) {
                                      return r.root == refusal.root && r.path == refusal.path;
                                  }),
                   list.end());
        if (refusal.what)
            list.push_back(refusal);
    });
}

void clearRegistryRefusals() {
    withScript([](Script& s) { s.registryRefusals.clear(); });
}

unsigned registryRefusalsAt(int root, const std::vector<std::string>& path) {
    return withScript([&](Script& s) {
        unsigned what = 0;
        for (const auto& r : s.registryRefusals)
            if (r.root == root && r.path.size() <= path.size() &&
                std::equal(r.path.begin(), r.path.end(), path.begin()))
                what |= r.what;
        return what;
    });
}

bool notifyIconRefused(DWORD message) {
    auto refusal = withScript([](Script& s) { return s.notifyIconRefusal; });
    return refusal && refusal(message);
}

void setNotifyIconRefusal(std::function<bool(DWORD)> refuses) {
    withScript([&](Script& s) { s.notifyIconRefusal = std::move(refuses); });
}

std::function<void()> openClipboardHook() {
    return withScript([](Script& s) { return s.openClipboardHook; });
}

bool idleHookSet() {
    return withScript([](Script& s) { return !s.idleActions.empty() || s.idleHook != nullptr; });
}

bool runIdleHook() {
    std::function<void()> action;
    std::function<bool()> hook;
    withScript([&](Script& s) {
        if (!s.idleActions.empty()) {
            action = std::move(s.idleActions.front());
            s.idleActions.pop_front();
        } else {
            hook = s.idleHook;
        }
    });
    if (action) {
        action();
        return true;
    }
    return hook && hook();
}

std::string lowerName(std::string name) {
    for (auto& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::optional<DWORD> windowClassRefusal(const std::string& className) {
    return withScript([&](Script& s) -> std::optional<DWORD> {
        auto refused = s.refusedWindowClasses.find(lowerName(className));
        if (refused == s.refusedWindowClasses.end())
            return std::nullopt;
        return refused->second;
    });
}

void resetScript() {
    withScript([](Script& s) { s = Script{}; });
}

} // namespace sim::detail

namespace sim {

using namespace sim::detail;

void ScriptMessageBoxAnswer(int answer) {
    withScript([&](Script& s) { s.messageBoxAnswers.push_back(answer); });
}

void ScriptPopupMenuChoice(UINT id) {
    withScript([&](Script& s) { s.popupMenuChoices.push_back(id); });
}

void ScriptFileDialog(const std::string& fileName) {
    withScript([&](Script& s) { s.fileDialogAnswers.push_back(fileName); });
}

void ScriptFileDialogCancel() {
    withScript([](Script& s) { s.fileDialogAnswers.push_back(std::nullopt); });
}

void ScriptMailResult(ULONG result) {
    withScript([&](Script& s) { s.mailResults.push_back(result); });
}

void SetLookupCompletesEarly(bool on) {
    withScript([&](Script& s) { s.lookupCompletesEarly = on; });
}

void SetHostLookup(
    std::function<int(const std::string& name, std::vector<std::string>& addresses)> lookup) {
    withScript([&](Script& s) { s.hostLookup = std::move(lookup); });
}

void SetAllocationFault(std::function<bool(std::size_t bytes)> fails) {
    withScript([&](Script& s) { s.allocationFault = std::move(fails); });
}

void SetFileWriteFault(std::function<bool(const std::string& path)> fails) {
    withScript([&](Script& s) { s.fileWriteFault = std::move(fails); });
}

void RefuseWindowClass(const std::string& className, DWORD error) {
    withScript([&](Script& s) { s.refusedWindowClasses[lowerName(className)] = error; });
}

void SetTimersAvailable(bool available) {
    withScript([&](Script& s) { s.timersAvailable = available; });
}

void SetOpenClipboardHook(std::function<void()> hook) {
    withScript([&](Script& s) { s.openClipboardHook = std::move(hook); });
}

void SetIdleHook(std::function<bool()> hook) {
    withScript([&](Script& s) { s.idleHook = std::move(hook); });
}

void WhenIdle(std::function<void()> action) {
    withScript([&](Script& s) { s.idleActions.push_back(std::move(action)); });
}

} // namespace sim
