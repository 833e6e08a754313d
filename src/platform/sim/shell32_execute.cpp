// ShellExecuteExA: the shell opens an address with the program registered
// for its scheme. Here every call is logged; the schemes a default desktop
// has programs for (http, https, ftp, mailto) open, others have no
// association, and tests can make the shell refuse.
#include "platform/sim/script.h"
#include "platform/sim/simulator.h"
#include "platform/sim/state.h"

#include <cctype>

using namespace sim::detail;

namespace {

std::vector<sim::ShellExecuteRecord>& calls() {
    static auto* instance = new std::vector<sim::ShellExecuteRecord>;
    return *instance;
}

std::string text(LPCSTR s) {
    return s ? s : "";
}

// The scheme of an address ("http" of "http://host/"), lower case; empty
// when the text starts with none. One letter is a drive, not a scheme.
std::string schemeOf(const std::string& address) {
    auto colon = address.find(':');
    if (colon == std::string::npos || colon < 2)
        return "";
    for (std::size_t i = 0; i < colon; ++i) {
        auto c = static_cast<unsigned char>(address[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return "";
    }
    return lower(address.substr(0, colon));
}

bool handledScheme(const std::string& scheme) {
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto";
}

// What hInstApp holds after a failure with this error.
INT_PTR instanceCodeOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return SE_ERR_FNF;
    case ERROR_ACCESS_DENIED:
        return SE_ERR_ACCESSDENIED;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return SE_ERR_OOM;
    default:
        return SE_ERR_NOASSOC;
    }
}

} // namespace

BOOL ShellExecuteExA(LPSHELLEXECUTEINFOA info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::ShellExecuteRecord record;
    record.size = info->cbSize;
    record.mask = info->fMask;
    record.hwnd = info->hwnd;
    record.hasVerb = info->lpVerb != nullptr;
    record.verb = text(info->lpVerb);
    record.file = text(info->lpFile);
    record.parameters = text(info->lpParameters);
    record.directory = text(info->lpDirectory);
    record.show = info->nShow;

    DWORD error = 0;
    // Stricter than Wine, which reads a record of any size: a record of
    // another layout than this program's is refused, so that it shows in
    // the tests instead of being read past its end.
    if (info->cbSize != sizeof(SHELLEXECUTEINFOA))
        error = ERROR_INVALID_PARAMETER;
    else if (auto refusal = shellExecuteRefusal())
        error = *refusal;
    else if (!handledScheme(schemeOf(record.file)))
        error = ERROR_NO_ASSOCIATION;
    record.result = error == 0;
    {
        auto guard = lock();
        calls().push_back(record);
    }
    if (error) {
        if (info->cbSize == sizeof(SHELLEXECUTEINFOA))
            info->hInstApp = reinterpret_cast<HINSTANCE>(instanceCodeOf(error));
        SetLastError(error);
        return FALSE;
    }
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));
    info->hProcess = nullptr;
    return TRUE;
}

namespace sim::detail {

void resetShellExecute() {
    calls().clear();
}

} // namespace sim::detail

namespace sim {

std::vector<ShellExecuteRecord> ShellExecutes() {
    auto guard = lock();
    return calls();
}

} // namespace sim
