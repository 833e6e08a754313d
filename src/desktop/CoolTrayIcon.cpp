#include "desktop/CoolTrayIcon.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/UtilWindow.h"

#include <cstring>

using namespace tk;

namespace {

constexpr std::size_t maxToolTip = 63;

// The shell's record in its first version, whose size the platform gives:
// the tool tip field of that version holds 64 bytes.
NOTIFYICONDATAA IconRecord(HWND window, UINT flags) {
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    record.uFlags = flags;
    return record;
}

} // namespace

TCoolTrayIcon::TCoolTrayIcon(TComponent* owner) : TComponent(owner) {
    iconsLink_.OnChange = [this] {
        Refresh();
    };
    window_ = AllocateHWnd(this, [this](TMessage& message) { WindowMessage(message); });
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    icon_.OnChange = [this] {
        Refresh();
    };
}

TCoolTrayIcon::~TCoolTrayIcon() {
    try {
        SetActive(false); // the icon leaves the notification area
    } catch (const std::exception&) {
        // An inactive icon asks for no timer, so nothing here can fail.
    }
    icon_.OnChange = nullptr;
    if (icons_)
        icons_->UnRegisterChanges(&iconsLink_);
    DeallocateHWnd(window_);
}

void TCoolTrayIcon::SetActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    Refresh();
}

void TCoolTrayIcon::SetAnimated(bool animated) {
    if (animated == animated_)
        return;
    animated_ = animated;
    Refresh();
}

void TCoolTrayIcon::SetIcon(const TIcon& icon) {
    if (&icon != &icon_)
        icon_.Assign(icon); // the owned icon's change refreshes
}

void TCoolTrayIcon::SetIcons(TImageList* icons) {
    if (icons_) {
        icons_->UnRegisterChanges(&iconsLink_);
        if (icons_ != icons)
            RemoveFreeNotification(icons_);
    }
    icons_ = icons;
    if (icons_) {
        icons_->RegisterChanges(&iconsLink_);
        FreeNotification(icons_);
    }
    Refresh();
}

void TCoolTrayIcon::SetInterval(DWORD interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    Refresh();
}

void TCoolTrayIcon::SetPopupMenu(TPopupMenu* menu) {
    if (popupMenu_ && popupMenu_ != menu)
        RemoveFreeNotification(popupMenu_);
    popupMenu_ = menu;
    if (popupMenu_)
        FreeNotification(popupMenu_);
}

void TCoolTrayIcon::SetToolTip(const std::string& toolTip) {
    std::string cut = toolTip.substr(0, maxToolTip);
    if (cut == toolTip_)
        return;
    toolTip_ = cut;
    Refresh();
}

void TCoolTrayIcon::Loaded() {
    TComponent::Loaded();
    Refresh();
}

void TCoolTrayIcon::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove)
        return;
    if (component == icons_)
        icons_ = nullptr; // the list has let go of the link already
    if (component == popupMenu_)
        popupMenu_ = nullptr;
}

void TCoolTrayIcon::Refresh() {
    UpdateAnimationTimer();
    UpdateNotifyIcon();
}

void TCoolTrayIcon::UpdateAnimationTimer() {
    KillTimer(window_, AnimationTimer);
    if (interval_ != 0 && active_ && animated_ && icons_ &&
        SetTimer(window_, AnimationTimer, interval_, nullptr) == 0)
        throw EOutOfResources("Low resources");
}

void TCoolTrayIcon::UpdateNotifyIcon() {
    NOTIFYICONDATAA record = IconRecord(window_, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.uCallbackMessage = CallbackMessage;
    record.hIcon = icon_.Handle();
    std::memcpy(record.szTip, toolTip_.c_str(), toolTip_.size() + 1);
    // The add is sent on every refresh; when the icon is there already it
    // fails and the change that follows shows the new icon and tool tip.
    if (active_ && (!icon_.Empty() || (animated_ && icons_))) {
        Shell_NotifyIconA(NIM_ADD, &record);
        Shell_NotifyIconA(NIM_MODIFY, &record);
    } else {
        Shell_NotifyIconA(NIM_DELETE, &record);
    }
}

void TCoolTrayIcon::ShowAnimationFrame() {
    const int count = icons_->Count();
    if (count == 0)
        return;
    // The list may have shrunk since the last frame: the index stays inside it.
    if (frameIndex_ > count - 1)
        frameIndex_ = count - 1;
    TIcon frame;
    icons_->GetIcon(frameIndex_, frame);
    NOTIFYICONDATAA record = IconRecord(window_, NIF_ICON);
    record.hIcon = frame.Handle();
    Shell_NotifyIconA(NIM_MODIFY, &record);
    frameIndex_ = frameIndex_ < count - 1 ? frameIndex_ + 1 : 0;
}

POINT TCoolTrayIcon::CursorPos() {
    POINT at{0, 0};
    GetCursorPos(&at);
    return at;
}

void TCoolTrayIcon::MouseDown(TMouseButton button) {
    POINT at = CursorPos();
    if (OnMouseDown)
        OnMouseDown(this, button, 0, at.x, at.y);
}

void TCoolTrayIcon::MouseUp(TMouseButton button) {
    POINT at = CursorPos();
    if (popupMenu_) {
        SetForegroundWindow(window_);
        if (OwnerDrawMenu) {
            auto* owner = dynamic_cast<TWinControl*>(popupMenu_->Owner());
            if (!owner)
                throw EInvalidCast("Invalid class typecast");
            TrackPopupMenu(popupMenu_->Handle(), TPM_RIGHTBUTTON, at.x, at.y, 0, owner->Handle(),
                           nullptr);
        } else {
            popupMenu_->Popup(at.x, at.y);
        }
        SetForegroundWindow(window_);
    }
    if (OnMouseUp)
        OnMouseUp(this, button, 0, at.x, at.y);
}

void TCoolTrayIcon::DblClick(TMouseButton button) {
    POINT at = CursorPos();
    if (OnDoubleClick)
        OnDoubleClick(this, button, 0, at.x, at.y);
}

void TCoolTrayIcon::WindowMessage(TMessage& message) {
    if (message.Msg == WM_TIMER) {
        if (message.WParam == AnimationTimer && icons_)
            ShowAnimationFrame();
    } else if (message.Msg == CallbackMessage) {
        switch (message.LParam) {
        case WM_LBUTTONDOWN:
            MouseDown(TMouseButton::mbLeft);
            break;
        case WM_LBUTTONUP:
            MouseUp(TMouseButton::mbLeft);
            break;
        case WM_LBUTTONDBLCLK:
            DblClick(TMouseButton::mbLeft);
            break;
        case WM_RBUTTONDOWN:
            MouseDown(TMouseButton::mbRight);
            break;
        case WM_RBUTTONUP:
            MouseUp(TMouseButton::mbRight);
            break;
        case WM_RBUTTONDBLCLK:
            DblClick(TMouseButton::mbRight);
            break;
        default: // mouse moves and the middle button raise nothing
            break;
        }
    } else if (message.Msg == taskbarCreated_ && taskbarCreated_ != 0 && active_) {
        // The shell has made its task bar anew (it restarted, or it was not
        // there yet when the icon was added): the icon must be added again.
        UpdateNotifyIcon();
    }
    message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
}
