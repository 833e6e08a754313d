// The program's icon in the notification area of the task bar: its tool tip,
// an optional animation through the images of an image list, and the shell's
// mouse notifications turned into events.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "toolkit/ImgList.h"
#include "toolkit/Menus.h"

#include <string>

class TCoolTrayIcon : public tk::TComponent {
public:
    explicit TCoolTrayIcon(tk::TComponent* owner);
    ~TCoolTrayIcon() override;

    // Every change below that alters the icon refreshes it: the animation
    // timer, then the notification area.
    bool Active() const { return active_; }
    void SetActive(bool active);
    bool Animated() const { return animated_; }
    void SetAnimated(bool animated);
    // The icon shown; owned. Assigning copies the picture; any change of the
    // owned icon refreshes.
    tk::TIcon& Icon() { return icon_; }
    void SetIcon(const tk::TIcon& icon);
    // The images of the animation; referenced, not owned.
    tk::TImageList* Icons() const { return icons_; }
    void SetIcons(tk::TImageList* icons);
    // Milliseconds between animation frames.
    DWORD Interval() const { return interval_; }
    void SetInterval(DWORD interval);
    // Read when a button is released over the icon: the menu pops up with
    // TrackPopupMenu on its owner's window instead of through the menu.
    bool OwnerDrawMenu = false;
    tk::TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(tk::TPopupMenu* menu);
    // At most 63 characters; a longer text is cut.
    const std::string& ToolTip() const { return toolTip_; }
    void SetToolTip(const std::string& toolTip);

    // Sender, button (mbLeft or mbRight), an empty shift state, and the
    // cursor's screen position when the notification is handled.
    tk::TMouseEvent OnMouseDown;
    tk::TMouseEvent OnMouseUp;
    tk::TMouseEvent OnDoubleClick;

    void Loaded() override;
    // The hidden window through which the shell talks to the icon.
    HWND Handle() const { return window_; }
    // What the shell sends the window about the icon.
    static constexpr UINT CallbackMessage = WM_USER + 410; // 1434
    static constexpr UINT AnimationTimer = 1;
    // The next image of the animation (its index in Icons).
    int FrameIndex() const { return frameIndex_; }

protected:
    virtual void MouseDown(tk::TMouseButton button);
    virtual void MouseUp(tk::TMouseButton button);
    virtual void DblClick(tk::TMouseButton button);
    void Notification(tk::TComponent* component, tk::TOperation operation) override;

private:
    void Refresh();
    void UpdateAnimationTimer();
    void UpdateNotifyIcon();
    void ShowAnimationFrame();
    void WindowMessage(tk::TMessage& message);
    static POINT CursorPos();

    bool active_ = false;
    bool animated_ = false;
    tk::TIcon icon_;
    tk::TImageList* icons_ = nullptr;
    tk::TChangeLink iconsLink_;
    DWORD interval_ = 200;
    tk::TPopupMenu* popupMenu_ = nullptr;
    std::string toolTip_;
    int frameIndex_ = 0;
    HWND window_ = nullptr;
    UINT taskbarCreated_ = 0; // the shell's broadcast when the task bar is made anew
};
