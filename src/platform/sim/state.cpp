#include "platform/sim/script.h"
#include "platform/sim/state.h"
#include "platform/sim/simulator.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace sim::detail {

namespace {

thread_local int tlsTask = 1;
thread_local DWORD tlsLastError = 0;

std::string defaultModulePath() {
    char buffer[PATH_MAX + 1] = {};
    ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("program.exe");
}

} // namespace

State& state() {
    static State* instance = [] {
        auto* s = new State; // lives for the whole process: threads may outlast main
        s->tasks.push_back(Task{1, defaultModulePath(), "", ""});
        return s;
    }();
    return *instance;
}

int currentTask() {
    return tlsTask;
}

Task& taskById(int id) {
    auto& tasks = state().tasks;
    auto it = std::find_if(tasks.begin(), tasks.end(), [id](const Task& t) { return t.id == id; });
    if (it == tasks.end())
        return tasks.front();
    return *it;
}

std::uintptr_t newHandle() {
    auto& s = state();
    s.nextHandle += 4;
    if (s.nextHandle == desktopHandle) // the desktop's is fixed, as on Windows
        s.nextHandle += 4;
    return s.nextHandle;
}

Window* findWindow(HWND hwnd) {
    auto& windows = state().windows;
    auto it = windows.find(key(hwnd));
    return it == windows.end() ? nullptr : it->second.get();
}

std::shared_ptr<ThreadQueue> queueOf(DWORD thread) {
    auto& queue = state().queues[thread];
    if (!queue) {
        queue = std::make_shared<ThreadQueue>();
        queue->lastLooked = state().clock; // a new queue is not hung
    }
    return queue;
}

void noteQueueLooked(ThreadQueue& queue) {
    queue.lastLooked = state().clock;
}

void wakeAll() {
    for (auto& [thread, queue] : state().queues)
        queue->wake.notify_all();
}

void recordViolation(const std::string& what) {
    state().violations.push_back(what);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace sim::detail

using namespace sim::detail;

DWORD GetLastError() {
    return tlsLastError;
}
void SetLastError(DWORD error) {
    tlsLastError = error;
}

namespace sim {

void Reset() {
    auto guard = lock();
    auto& s = state();
    resetClipboard();
    resetWindowManager();
    resetRegistry();
    resetFileDialogs();
    resetMail();
    resetHelp();
    resetShellExecute();
    resetPerformanceCounter();
    resetStringResources();
    resetAtoms();
    resetMutexes();
    resetHooks();
    resetMouseTracking();
    resetNotifyArea();
    s.windows.clear();
    s.topLevel.clear();
    s.classes.clear();
    s.systemClassesRegistered = false;
    for (auto& [handle, block] : s.memory)
        std::free(block.data);
    s.memory.clear();
    s.liveBytes = s.peakBytes = 0;
    s.gdi.clear();
    for (auto& [handle, file] : s.files)
        ::close(file.fd);
    s.files.clear();
    for (auto& [thread, queue] : s.queues) {
        queue->posted.clear();
        queue->quit = false;
        queue->quitCode = 0;
        queue->lastLooked = 0; // the clock starts again
    }
    s.clock = 0;
    s.messageBoxes.clear();
    s.violations.clear();
    resetScript();
    s.tasks.erase(s.tasks.begin() + 1, s.tasks.end());
    s.tasks.front() = Task{1, defaultModulePath(), "", ""};
    tlsTask = 1;
}

int CreateTask(const std::string& modulePath, const std::string& commandLine) {
    auto guard = lock();
    auto& tasks = state().tasks;
    int id = tasks.back().id + 1;
    tasks.push_back(Task{id, modulePath, commandLine, ""});
    return id;
}

void SetModulePath(int task, const std::string& modulePath) {
    auto guard = lock();
    taskById(task).modulePath = modulePath;
}

void SetCommandLine(int task, const std::string& commandLine) {
    auto guard = lock();
    taskById(task).arguments = commandLine;
}

int CurrentTask() {
    return tlsTask;
}

TaskScope::TaskScope(int task) : previous_(tlsTask) {
    tlsTask = task;
}
TaskScope::~TaskScope() {
    tlsTask = previous_;
}

std::vector<std::string> Violations() {
    auto guard = lock();
    return state().violations;
}

DWORD Now() {
    auto guard = lock();
    return state().clock;
}

void AdvanceClock(DWORD milliseconds) {
    auto guard = lock();
    state().clock += milliseconds;
    state().clockTick.notify_all();
    wakeAll();
}

} // namespace sim

DWORD GetTickCount() {
    return sim::Now();
}
