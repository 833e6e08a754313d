// The process as each simulated task sees it: module, command line, errors, time.
#include "platform/sim/state.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace sim::detail;

namespace {

// Module handles stand for tasks: the program's image base plus its task id.
constexpr std::uintptr_t moduleBase = 0x400000;

const char* systemMessage(DWORD id) {
    switch (id) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION:
        return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND:
        return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
        return "The system cannot find the path specified.";
    case ERROR_TOO_MANY_OPEN_FILES:
        return "The system cannot open the file.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough storage is available to process this command.";
    case ERROR_OUTOFMEMORY:
        return "Not enough storage is available to complete this operation.";
    case ERROR_SHARING_VIOLATION:
        return "The process cannot access the file because it is being used by another process.";
    case ERROR_FILE_EXISTS:
        return "The file exists.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_DISK_FULL:
        return "There is not enough space on the disk.";
    case ERROR_INVALID_NAME:
        return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_ALREADY_EXISTS:
        return "Cannot create a file when that file already exists.";
    case ERROR_CLIPBOARD_NOT_OPEN:
        return "Thread does not have a clipboard open.";
    default:
        return nullptr;
    }
}

} // namespace

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size,
                     void*) {
    const char* text = (flags & FORMAT_MESSAGE_FROM_SYSTEM) ? systemMessage(messageId) : nullptr;
    if (!text || (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) || !buffer) {
        SetLastError(317); // ERROR_MR_MID_NOT_FOUND
        return 0;
    }
    std::string line = std::string(text) + "\r\n"; // system texts end with a line break
    if (line.size() + 1 > size) {
        SetLastError(122); // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    return static_cast<DWORD>(line.size());
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName)
        return nullptr; // no other modules are loaded by name here
    return toHandle<HMODULE>(moduleBase + static_cast<std::uintptr_t>(currentTask()));
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    auto guard = lock();
    int task = module ? static_cast<int>(key(module) - moduleBase) : currentTask();
    const std::string& path = taskById(task).modulePath;
    if (size == 0)
        return 0;
    DWORD n = static_cast<DWORD>(std::min<std::size_t>(path.size(), size - 1));
    std::memcpy(fileName, path.data(), n);
    fileName[n] = '\0';
    return n;
}

LPSTR GetCommandLineA() {
    auto guard = lock();
    auto& task = taskById(currentTask());
    std::string line = "\"" + task.modulePath + "\"";
    if (!task.arguments.empty())
        line += " " + task.arguments;
    if (line != task.commandLine) // the same text stays at the same address, as on Windows
        task.commandLine = line;
    return task.commandLine.data();
}

DWORD GetCurrentThreadId() {
    // Asked on every message call: the system is asked once per thread.
    static thread_local const DWORD id = static_cast<DWORD>(gettid());
    return id;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(getpid()) * 16 + currentTask();
}

void Sleep(DWORD milliseconds) {
    // Sleeping follows the simulated clock, which tests move forward.
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    auto guard = lock();
    DWORD until = state().clock + milliseconds;
    state().clockTick.wait(guard, [&] { return static_cast<LONG>(state().clock - until) >= 0; });
}
