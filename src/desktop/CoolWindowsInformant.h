// A list of windows with what the platform says about each: the windows below
// a parent (the desktop: every top-level window and its descendants), or the
// top-level windows.
#pragma once

#include "toolkit/Controls.h"

#include <memory>
#include <vector>

// One window's description. Both texts are zero-filled before they are read,
// so two records name the same caption (or class) exactly when their
// 256-byte fields are equal byte for byte.
struct TWindowInfo {
    char Caption[256];
    char ClassName[256];
    HWND Handle;
    DWORD Style;
    DWORD ExStyle;
    RECT WindowRect;
    RECT ClientRect;
    bool Enabled;
    bool Visible;
    bool Zoomed;
    bool Iconic;
};
static_assert(sizeof(bool) == 1, "the window's flags are one byte wide");

class TCoolWindowsInformant : public tk::TComponent {
public:
    explicit TCoolWindowsInformant(tk::TComponent* owner);
    ~TCoolWindowsInformant() override;

    // Rebuilds the list: OnWindowsUpdating, the old records go, the windows
    // are listed in the platform's order, OnWindowsUpdated.
    void RefreshWindows();
    int Count() const { return static_cast<int>(windows_.size()); }
    // The record at `index`; null outside 0 .. Count() - 1.
    TWindowInfo* Items(int index) const;
    static void FillWindowInfo(HWND window, TWindowInfo& record);

    // When set, the windows below it are listed; when null, the top-level ones.
    HWND ParentWindow = nullptr;
    // The hidden window that receives the refresh timer.
    HWND TimerWindow() const { return timerWindow_; }

    // The refresh timer: every Interval milliseconds while Timered.
    DWORD Interval() const { return interval_; }
    void SetInterval(DWORD interval);
    bool Timered() const { return timered_; }
    void SetTimered(bool timered);
    // "Not enough timers available" when the platform has none left.
    void UpdateTimer();

    tk::TNotifyEvent OnWindowsUpdating;
    tk::TNotifyEvent OnWindowsUpdated;

private:
    static BOOL CALLBACK WindowFound(HWND window, LPARAM informant);
    void TimerWindowMessage(tk::TMessage& message);

    std::vector<std::unique_ptr<TWindowInfo>> windows_;
    HWND timerWindow_ = nullptr;
    DWORD interval_ = 1000;
    bool timered_ = false;
};
