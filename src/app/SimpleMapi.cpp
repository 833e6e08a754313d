#include "app/SimpleMapi.h"

#include <cstring>
#include <vector>

namespace {

constexpr ULONG missing = 1;

} // namespace

TSimpleMapi::~TSimpleMapi() {
    Unload();
}

bool TSimpleMapi::Installed() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwMajorVersion > 3 ||
        (version.dwMajorVersion == 3 && version.dwMinorVersion > 51)) {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows Messaging Subsystem", 0,
                          KEY_READ, &opened) != ERROR_SUCCESS)
            return false;
        tk::TRegKey key(opened);
        char value[9] = {};
        DWORD size = sizeof value;
        LONG result = RegQueryValueExA(key.Get(), "MAPI", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(value), &size);
        // Exactly the text "1", stored with or without its terminator.
        return result == ERROR_SUCCESS && size >= 1 && value[0] == '1' &&
               (size == 1 || value[1] == '\0');
    }
    return GetProfileIntA("Mail", "MAPI", 0) != 0;
}

ULONG TSimpleMapi::SendNote(const std::string& noteText) {
    if (installed_ < 0) {
        installed_ = Installed() ? 1 : 0;
        if (installed_)
            library_.Reset(LoadLibraryA("MAPI32.DLL"));
    }
    if (!installed_ || !library_)
        return missing;
    if (!sendMail_)
        sendMail_ = reinterpret_cast<LPMAPISENDMAIL>(
            reinterpret_cast<void (*)()>(GetProcAddress(library_.Get(), "MAPISendMail")));
    if (!sendMail_)
        return missing;

    std::vector<char> note(noteText.begin(), noteText.end());
    note.push_back('\0');
    MapiMessage message;
    message.ulReserved = 0;
    message.lpszSubject = nullptr;
    message.lpszNoteText = note.data();
    message.lpszMessageType = nullptr;
    message.lpszDateReceived = nullptr;
    message.lpszConversationID = nullptr;
    message.flFlags = 0;
    message.lpOriginator = nullptr;
    message.nRecipCount = 0;
    message.lpRecips = nullptr;
    message.nFileCount = 0;
    message.lpFiles = nullptr;
    // The mail program may ask for a logon, uses a session of its own and
    // shows its compose window.
    return sendMail_(0, 0, &message, MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_DIALOG, 0);
}

void TSimpleMapi::Unload() {
    sendMail_ = nullptr;
    library_.Reset();
    installed_ = -1;
}
