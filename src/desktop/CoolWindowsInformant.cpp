#include "desktop/CoolWindowsInformant.h"
#include "toolkit/Application.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/UtilWindow.h"

#include <cstring>
#include <exception>

using namespace tk;

namespace {

// What a callback of the platform's enumeration could not do: kept here and
// raised again once the enumeration is over, never thrown across it.
struct Enumeration {
    TCoolWindowsInformant* informant;
    std::vector<std::unique_ptr<TWindowInfo>>* windows;
    std::exception_ptr failure;
};

} // namespace

TCoolWindowsInformant::TCoolWindowsInformant(TComponent* owner) : TComponent(owner) {
    timerWindow_ = AllocateHWnd(this, [this](TMessage& message) { TimerWindowMessage(message); });
}

TCoolWindowsInformant::~TCoolWindowsInformant() {
    windows_.clear();
    try {
        SetTimered(false);
    } catch (const std::exception&) {
        // Switching the timer off never asks for a timer.
    }
    DeallocateHWnd(timerWindow_);
}

TWindowInfo* TCoolWindowsInformant::Items(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return windows_[static_cast<std::size_t>(index)].get();
}

void TCoolWindowsInformant::FillWindowInfo(HWND window, TWindowInfo& record) {
    std::memset(&record, 0, sizeof record);
    record.Handle = window;
    GetClassNameA(window, record.ClassName, sizeof record.ClassName);
    GetWindowTextA(window, record.Caption, sizeof record.Caption);
    GetWindowRect(window, &record.WindowRect);
    GetClientRect(window, &record.ClientRect);
    record.Style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    record.ExStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    record.Enabled = IsWindowEnabled(window) != FALSE;
    record.Visible = IsWindowVisible(window) != FALSE;
    record.Zoomed = IsZoomed(window) != FALSE;
    record.Iconic = IsIconic(window) != FALSE;
}

BOOL CALLBACK TCoolWindowsInformant::WindowFound(HWND window, LPARAM data) {
    auto* enumeration = reinterpret_cast<Enumeration*>(data);
    try {
        auto record = std::make_unique<TWindowInfo>();
        FillWindowInfo(window, *record);
        enumeration->windows->push_back(std::move(record));
        return TRUE;
    } catch (...) {
        enumeration->failure = std::current_exception();
        return FALSE;
    }
}

void TCoolWindowsInformant::RefreshWindows() {
    if (OnWindowsUpdating)
        OnWindowsUpdating(this);
    while (!windows_.empty())
        windows_.pop_back(); // the records go from the last one down
    Enumeration enumeration{this, &windows_, nullptr};
    if (ParentWindow)
        EnumChildWindows(ParentWindow, &WindowFound, reinterpret_cast<LPARAM>(&enumeration));
    else
        EnumWindows(&WindowFound, reinterpret_cast<LPARAM>(&enumeration));
    if (enumeration.failure)
        std::rethrow_exception(enumeration.failure);
    if (OnWindowsUpdated)
        OnWindowsUpdated(this);
}

void TCoolWindowsInformant::SetInterval(DWORD interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    UpdateTimer();
}

void TCoolWindowsInformant::SetTimered(bool timered) {
    if (timered == timered_)
        return;
    timered_ = timered;
    UpdateTimer();
}

void TCoolWindowsInformant::UpdateTimer() {
    KillTimer(timerWindow_, 0);
    if (interval_ != 0 && timered_ && SetTimer(timerWindow_, 0, interval_, nullptr) == 0)
        throw EOutOfResources("Not enough timers available");
}

void TCoolWindowsInformant::TimerWindowMessage(TMessage& message) {
    if (message.Msg == WM_TIMER) {
        try {
            RefreshWindows();
        } catch (const std::exception& error) {
            ReportException(this, error);
        }
        return;
    }
    message.Result = DefWindowProcA(timerWindow_, message.Msg, message.WParam, message.LParam);
}
