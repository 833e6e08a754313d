#include "desktop/CoolInstancesChecker.h"
#include "toolkit/Application.h"

#include <algorithm>
#include <cstring>

using namespace tk;

namespace {

constexpr DWORD pollInterval = 100; // while waiting for a starting instance's window

// Frees a component made for one call, on every path out of it.
struct FreeOnExit {
    TComponent* component;
    ~FreeOnExit() { Free(component); }
};

} // namespace

TCoolInstancesChecker::TCoolInstancesChecker(TComponent* owner) : TComponent(owner) {}

TCoolInstancesChecker::~TCoolInstancesChecker() {
    if (atom_ != -1)
        GlobalDeleteAtom(static_cast<ATOM>(atom_));
}

std::string TCoolInstancesChecker::MutexName(const std::string& programPath) {
    // Mutex names compare exactly, the atom's without regard to case: the
    // upper-cased path makes the two agree. A backslash would make the name a
    // path in the platform's object space.
    std::string path = UpperCase(programPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    std::string name = "Stashwell:" + path;
    if (name.size() >= MAX_PATH) // names are shorter than MAX_PATH; the end of a path tells most
        name = "Stashwell:" + path.substr(path.size() - (MAX_PATH - 1 - 10));
    return name;
}

void TCoolInstancesChecker::Loaded() {
    TComponent::Loaded();
    AfterLoad();
}

void TCoolInstancesChecker::AfterLoad() {
    const std::string path = ModuleFileName();
    // Two starts at the same moment can both miss the atom; creating a named
    // object cannot succeed for both. The mutex stays for this instance's life.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName(path).c_str());
    const bool anotherStarted = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
    mutex_.Reset(mutex);
    const DWORD wait = anotherStarted ? StartingWindowWait : 0;
    if (GlobalFindAtomA(path.c_str()) != 0) {
        CheckInstances(wait);
        return;
    }
    if (anotherStarted)
        CheckInstances(wait);
    atom_ = static_cast<std::int32_t>(GlobalAddAtomA(path.c_str())); // widened without sign
}

std::vector<HWND> TCoolInstancesChecker::FindPrevious(const TWindowInfo& own, DWORD waitForWindow) {
    auto* informant = new TCoolWindowsInformant(this);
    FreeOnExit freeInformant{informant};
    informant->ParentWindow = GetDesktopWindow();
    const DWORD start = GetTickCount();
    for (;;) {
        informant->RefreshWindows();
        std::vector<HWND> found;
        for (int i = 0; i < informant->Count(); ++i) {
            const TWindowInfo& other = *informant->Items(i);
            if (std::memcmp(other.Caption, own.Caption, sizeof own.Caption) == 0 &&
                std::memcmp(other.ClassName, own.ClassName, sizeof own.ClassName) == 0 &&
                other.Handle != own.Handle)
                found.push_back(other.Handle);
        }
        if (!found.empty() || GetTickCount() - start >= waitForWindow)
            return found;
        Sleep(pollInterval);
    }
}

void TCoolInstancesChecker::CheckInstances(DWORD waitForWindow) {
    TApplication& application = ApplicationOf(this);
    TWindowInfo own;
    TCoolWindowsInformant::FillWindowInfo(application.Handle(), own);
    const std::vector<HWND> previous = FindPrevious(own, waitForWindow);
    if (previous.empty())
        return;
    // The sends give up on an instance that does not answer, which then
    // cannot hold this start forever.
    DWORD_PTR answer = 0;
    switch (InstanceAction) {
    case TInstanceAction::iaStartNew:
        return;
    case TInstanceAction::iaSwitchToPrevious: {
        HWND last = previous.back();
        SetForegroundWindow(GetLastActivePopup(last));
        SendMessageTimeoutA(GetLastActivePopup(last), InstanceMessage, 0,
                            reinterpret_cast<LPARAM>(GetCommandLineA()), SMTO_ABORTIFHUNG,
                            AnswerTimeout, &answer);
        application.Terminate();
        return;
    }
    case TInstanceAction::iaCloseAll:
        for (HWND window : previous)
            SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, AnswerTimeout, &answer);
        application.Terminate();
        return;
    }
}
