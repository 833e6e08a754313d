// One instance per program file: a start that finds another instance of the
// same file running hands over to it and ends.
#pragma once

#include "desktop/CoolWindowsInformant.h"
#include "toolkit/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TInstanceAction {
    iaStartNew,         // run beside the previous instance
    iaSwitchToPrevious, // bring the previous instance up and end
    iaCloseAll          // close every previous instance and end
};

class TCoolInstancesChecker : public tk::TComponent {
public:
    explicit TCoolInstancesChecker(tk::TComponent* owner);
    ~TCoolInstancesChecker() override;

    TInstanceAction InstanceAction = TInstanceAction::iaSwitchToPrevious;
    // The global atom this instance added; -1 when it added none.
    std::int32_t Atom() const { return atom_; }

    // The start-up check, once the owning form has made its components.
    void Loaded() override;
    void AfterLoad();
    // Looks for the application windows of previous instances and acts on
    // InstanceAction. When another start is known to be under way, it waits
    // up to `waitForWindow` milliseconds for its window to appear.
    void CheckInstances(DWORD waitForWindow = 0);

    // What the previous instance is sent when this one switches to it.
    static constexpr UINT InstanceMessage = WM_USER + 400; // 1424
    // How long a message to a previous instance may take, and how long a
    // start waits for the window of an instance that is itself starting.
    static constexpr UINT AnswerTimeout = 5000;
    static constexpr DWORD StartingWindowWait = 5000;

    // The name of the mutex that all instances of the program file share.
    static std::string MutexName(const std::string& programPath);

private:
    // The application windows of other instances, in enumeration order.
    std::vector<HWND> FindPrevious(const TWindowInfo& own, DWORD waitForWindow);

    std::int32_t atom_ = -1;
    tk::TKernelHandle mutex_;
};
