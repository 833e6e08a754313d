// WinHelp: every call is logged with its file, command and data; the
// commands that pass a text (a macro, a keyword) are logged with it.
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"
#include "platform/sim/include/winhelp.h"

using namespace sim::detail;

namespace {

std::vector<sim::HelpRecord>& calls() {
    static auto* instance = new std::vector<sim::HelpRecord>;
    return *instance;
}

} // namespace

BOOL WinHelpA(HWND hwnd, LPCSTR helpFile, UINT command, ULONG_PTR data) {
    sim::HelpRecord record{hwnd, helpFile ? helpFile : "", command, data, ""};
    if ((command == HELP_COMMAND || command == HELP_KEY || command == HELP_PARTIALKEY) && data)
        record.text = reinterpret_cast<LPCSTR>(data);
    auto guard = lock();
    calls().push_back(record);
    return TRUE;
}

namespace sim::detail {

void resetHelp() {
    calls().clear();
}

} // namespace sim::detail

namespace sim {

std::vector<HelpRecord> HelpCalls() {
    auto guard = lock();
    return calls();
}

} // namespace sim
