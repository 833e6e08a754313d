// MAPI32.DLL, the mail program's Simple MAPI: MAPISendMail logs the message
// it is handed and answers with the test's scripted result. Also what
// decides whether mail is installed: the platform version, the profile
// (win.ini) and the registry value that SetMailInstalled writes.
#include "platform/sim/include/advapi32.h"
#include "platform/sim/include/mapi.h"
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"

#include <cctype>
#include <cstring>
#include <map>

using namespace sim::detail;

namespace {

constexpr const char* messagingKey = "SOFTWARE\\Microsoft\\Windows Messaging Subsystem";

struct Mail {
    std::vector<sim::MailRecord> sent;
    OSVERSIONINFOA version{};
    std::map<std::string, std::string> profile; // "section\nkey", lower case -> value
};

OSVERSIONINFOA defaultVersion() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwMajorVersion = 5;
    v.dwMinorVersion = 1;
    v.dwBuildNumber = 2600;
    v.dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::strcpy(v.szCSDVersion, "Service Pack 3");
    return v;
}

Mail& mail() {
    static Mail* instance = [] {
        auto* m = new Mail;
        m->version = defaultVersion();
        return m;
    }();
    return *instance;
}

std::string profileKey(const std::string& section, const std::string& key) {
    return lower(section) + "\n" + lower(key);
}

ULONG SimMAPISendMail(LHANDLE session, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags,
                      ULONG reserved) {
    sim::MailRecord record;
    record.session = session;
    record.uiParam = uiParam;
    record.flags = flags;
    record.reserved = reserved;
    record.clipboardOpenTask = sim::ClipboardOpenTask();
    if (message) {
        record.hasMessage = true;
        record.messageReserved = message->ulReserved;
        record.hasSubject = message->lpszSubject != nullptr;
        if (message->lpszSubject)
            record.subject = message->lpszSubject;
        record.hasNoteText = message->lpszNoteText != nullptr;
        if (message->lpszNoteText)
            record.noteText = message->lpszNoteText;
        record.hasMessageType = message->lpszMessageType != nullptr;
        record.hasDateReceived = message->lpszDateReceived != nullptr;
        record.hasConversationId = message->lpszConversationID != nullptr;
        record.messageFlags = message->flFlags;
        record.hasOriginator = message->lpOriginator != nullptr;
        record.recipCount = message->nRecipCount;
        record.hasRecips = message->lpRecips != nullptr;
        record.fileCount = message->nFileCount;
        record.hasFiles = message->lpFiles != nullptr;
    }
    auto guard = lock();
    auto& m = mail();
    record.result = nextMailResult().value_or(0);
    m.sent.push_back(record);
    return record.result;
}

} // namespace

namespace sim::detail {

std::vector<std::pair<const char*, FARPROC>> mapi32Exports() {
    // Through void (*)(): the platform hands out every export as a FARPROC.
    return {{"MAPISendMail",
             reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&SimMAPISendMail))}};
}

void resetMail() {
    auto& m = mail();
    m.sent.clear();
    m.version = defaultVersion();
    m.profile.clear();
    sim::RefuseModule("MAPI32.DLL", false);
}

} // namespace sim::detail

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto guard = lock();
    *info = mail().version;
    return TRUE;
}

// The leading decimal digits of the entry; the default when there is none.
UINT GetProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue) {
    auto guard = lock();
    auto& profile = mail().profile;
    auto it = profile.find(profileKey(appName ? appName : "", keyName ? keyName : ""));
    if (it == profile.end())
        return static_cast<UINT>(defaultValue);
    const std::string& text = it->second;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (negative)
        ++i;
    UINT value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = value * 10 + static_cast<UINT>(text[i] - '0');
    return negative ? 0 - value : value;
}

namespace sim {

void SetMailInstalled(bool installed) {
    if (installed)
        SetRegistryString(HKEY_LOCAL_MACHINE, messagingKey, "MAPI", "1");
    else if (RegistryKeyExists(HKEY_LOCAL_MACHINE, messagingKey))
        SetRegistryString(HKEY_LOCAL_MACHINE, messagingKey, "MAPI", "0");
    RefuseModule("MAPI32.DLL", !installed);
}

std::vector<MailRecord> MailsSent() {
    auto guard = lock();
    return mail().sent;
}

void SetWindowsVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId) {
    auto guard = lock();
    auto& v = mail().version;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    v.dwBuildNumber = build;
    v.dwPlatformId = platformId;
}

void SetProfileString(const std::string& section, const std::string& key,
                      const std::string& value) {
    auto guard = lock();
    if (value.empty())
        mail().profile.erase(profileKey(section, key));
    else
        mail().profile[profileKey(section, key)] = value;
}

} // namespace sim
