// What tests script, kept apart from the model of the desktop (state.h):
// the answers the simulated user and the programs around the program give
// (message boxes, popup menus, file dialogs, the mail program, host-name
// lookups), the faults switched on (memory, file writes, timers, run-time
// modules, the registry), and the hooks through which a test acts between the
// program's steps. The sim:: functions that set them are in script.cpp (the
// registry's refusals in advapi32.cpp, which knows its paths); the model
// asks here.
//
// The script has a lock of its own, taken only inside these functions and
// never while anything else is called: hooks and predicates are copied out
// and run without it. Reset empties the whole script.
#pragma once

#include "platform/sim/include/win32_sim.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim::detail {

// The next scripted answer of each kind, taken off the script; none when
// nothing is scripted.
std::optional<int> nextMessageBoxAnswer();
std::optional<UINT> nextPopupMenuChoice();
// A file name, or an empty optional inside for a cancel.
std::optional<std::optional<std::string>> nextFileDialogAnswer();
std::optional<ULONG> nextMailResult();

// The host lookup that replaces the host's (empty: the host's), and whether
// asynchronous lookups answer inside their start call.
std::function<int(const std::string&, std::vector<std::string>&)> hostLookup();
bool lookupCompletesEarly();

// Faults.
bool allocationFails(std::size_t bytes);
bool fileWriteFails(const std::string& path);
bool timersAvailable();
// The error CreateWindowExA fails with for a refused window class (name
// compared without regard to case), none when the class is not refused.
std::optional<DWORD> windowClassRefusal(const std::string& className);
// Module names lower case with their extension; export names as asked for.
bool moduleRefused(const std::string& module);
bool exportHidden(const std::string& module, const std::string& exportName);
void setModuleRefused(const std::string& module, bool refused);
void setExportHidden(const std::string& module, const std::string& exportName, bool hidden);
void clearModuleFaults();
// A refusal applies to the key at `path` below the root and to every key below it.
struct RegistryRefusal {
    int root = 0;                  // index of HKEY_CLASSES_ROOT, _CURRENT_USER, _LOCAL_MACHINE
    std::vector<std::string> path; // lower-case names
    unsigned what = 0;             // sim::RegRefuse* bits
};
// Replaces the refusal of the same key; `what` 0 removes it.
void setRegistryRefusal(const RegistryRefusal& refusal);
void clearRegistryRefusals();
// The refusals that apply at `path` below `root`, or-ed together.
unsigned registryRefusalsAt(int root, const std::vector<std::string>& path);

// Whether the shell refuses a Shell_NotifyIconA call with this message.
bool notifyIconRefused(DWORD message);
void setNotifyIconRefusal(std::function<bool(DWORD)> refuses);

// Hooks: run before each OpenClipboard of task 1; run when a thread of the
// program is about to wait with an empty queue (one-shot actions first,
// then the hook; true when something ran).
std::function<void()> openClipboardHook();
bool idleHookSet();
bool runIdleHook();

void resetScript();

} // namespace sim::detail
