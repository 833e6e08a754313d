// Run-time modules: LoadLibraryA, GetProcAddress and FreeLibrary over a small
// registry of the DLLs that the simulator provides. Each module lists its
// exports; a new simulated DLL adds one line to `modules` below.
#include "platform/sim/script.h"
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <map>
#include <set>
#include <utility>

namespace sim::detail {
std::vector<std::pair<const char*, FARPROC>> wsock32Exports(); // winsock.cpp
std::vector<std::pair<const char*, FARPROC>> mapi32Exports();  // mapi32.cpp
} // namespace sim::detail

using namespace sim::detail;

namespace {

using Exports = std::vector<std::pair<const char*, FARPROC>> (*)();

struct ModuleInfo {
    const char* name; // lower case, with its extension
    Exports exports;
};

const ModuleInfo modules[] = {
    {"wsock32.dll", &wsock32Exports},
    {"mapi32.dll", &mapi32Exports},
};

// Module handles: a base of their own, far from the program's image.
constexpr std::uintptr_t moduleBase = 0x70000000;
constexpr std::uintptr_t moduleStep = 0x10000;

struct Loaded {
    std::map<std::size_t, int> references; // index in `modules` -> count
};

Loaded& loaded() {
    static Loaded* instance = new Loaded;
    return *instance;
}

// "WSOCK32", "wsock32.dll", "C:\Windows\System32\WSOCK32.DLL" all name the same module.
std::string canonicalName(std::string name) {
    name = lower(std::move(name));
    auto slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    if (name.find('.') == std::string::npos)
        name += ".dll";
    else if (name.back() == '.')
        name.pop_back();
    return name;
}

int indexOf(const std::string& name) {
    for (std::size_t i = 0; i < std::size(modules); ++i)
        if (name == modules[i].name)
            return static_cast<int>(i);
    return -1;
}

int indexOf(HMODULE module) {
    auto value = key(module);
    if (value < moduleBase || (value - moduleBase) % moduleStep != 0)
        return -1;
    auto index = (value - moduleBase) / moduleStep - 1;
    return index < std::size(modules) ? static_cast<int>(index) : -1;
}

} // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string name = canonicalName(fileName);
    auto guard = lock();
    int index = indexOf(name);
    if (index < 0 || moduleRefused(name)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++loaded().references[static_cast<std::size_t>(index)];
    return toHandle<HMODULE>(moduleBase + moduleStep * static_cast<std::uintptr_t>(index + 1));
}

BOOL FreeLibrary(HMODULE module) {
    auto guard = lock();
    int index = indexOf(module);
    auto& refs = loaded().references;
    auto it = refs.find(static_cast<std::size_t>(index));
    if (index < 0 || it == refs.end() || it->second == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second == 0)
        refs.erase(it);
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    auto guard = lock();
    int index = indexOf(module);
    if (index < 0 || !loaded().references.count(static_cast<std::size_t>(index))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!procName || IS_INTRESOURCE(procName)) {
        SetLastError(ERROR_PROC_NOT_FOUND); // no exports by ordinal here
        return nullptr;
    }
    const ModuleInfo& info = modules[index];
    if (exportHidden(info.name, procName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    for (auto& [name, address] : info.exports())
        if (std::string(name) == procName) // export names compare exactly
            return address;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

namespace sim {

void RefuseModule(const std::string& name, bool refuse) {
    setModuleRefused(canonicalName(name), refuse);
}

void HideExport(const std::string& module, const std::string& name, bool hide) {
    setExportHidden(canonicalName(module), name, hide);
}

void ClearModuleFaults() {
    clearModuleFaults();
}

int ModuleReferences(const std::string& name) {
    auto guard = lock();
    int index = indexOf(canonicalName(name));
    if (index < 0)
        return 0;
    auto it = loaded().references.find(static_cast<std::size_t>(index));
    return it == loaded().references.end() ? 0 : it->second;
}

} // namespace sim
