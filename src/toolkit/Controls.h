// Controls: the visual components. A windowed control (TWinControl) has a
// window of its own; a graphic control (TGraphicControl) is painted by its
// parent and gets its mouse input through it.
#pragma once

#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"
#include "toolkit/WndProc.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tk {

class TWinControl;
class TBasicAction;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum class TBorderStyle { bsNone, bsSingle };

using TShiftState = std::uint8_t;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;

using TNotifyEvent = std::function<void(TComponent* sender)>;
using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
using TKeyPressEvent = std::function<void(TComponent* sender, char& key)>;

// The short part of a hint (before "|") is for tool tips, the long part
// (after it, or the whole hint) for the status bar.
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);
TShiftState KeyboardShiftState();

// Something that shows an action and runs it (controls and menu items).
class TActionClient {
public:
    virtual ~TActionClient() = default;
    virtual void ActionChanged() = 0;   // the action's caption, hint, enabled ... changed
    virtual void ActionDestroyed() = 0; // the action goes away
};

// Cursors of controls.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crHandPoint = -21;

class TControl : public TComponent, public TActionClient {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    virtual RECT ClientRect() const { return RECT{0, 0, width_, height_}; }
    int ClientWidth() const { return ClientRect().right; }
    int ClientHeight() const { return ClientRect().bottom; }
    POINT ClientToScreen(POINT point) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    bool AutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool autoSize);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to a top-level window is visible too.
    bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    const std::string& Caption() const { return text_; }
    void SetCaption(const std::string& caption) { SetText(caption); }
    virtual std::string Text() const { return text_; }
    virtual void SetText(const std::string& text);

    std::string Hint;
    TCursor Cursor = crDefault;

    TColor Color() const { return color_; }
    virtual void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    TFont& Font() { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);

    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* action);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // Runs the action, or OnClick.
    virtual void Click();
    virtual void Invalidate();
    void Repaint();

    // Mouse input in client coordinates; the parent hands it to graphic controls.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void DblClick();
    // The mouse came over the control, or left it (also the window's own
    // area for a windowed control, which tracks the leaving).
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}

    // TActionClient
    void ActionChanged() override;
    void ActionDestroyed() override;

    // The application's hint changed (status bars with automatic hints show it).
    virtual void ApplicationHintChanged(const std::string&) {}

protected:
    void SetVisibleSilently(bool visible) { visible_ = visible; }
    friend class TWinControl;
    virtual void BoundsChanged() {}
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}
    virtual void TextChanged() {}
    virtual void ColorChanged() {}
    virtual void FontChanged() {}
    virtual void ParentColorChanged();
    virtual void ParentFontChanged();
    // The size the control wants when AutoSize is on; false when it has none.
    virtual bool CanAutoSize(int& width, int& height);
    void AdjustSize();
    void RequestAlign();

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::string text_;

private:
    TWinControl* parent_ = nullptr;
    TAlign align_ = TAlign::alNone;
    bool autoSize_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TFont font_;
    bool parentFont_ = true;
    TBasicAction* action_ = nullptr;
    // What the action last gave the control: a property follows the action
    // only while the control still holds that value (a caption cleared by the
    // program stays cleared).
    struct Linked {
        std::string caption;
        std::string hint;
        bool enabled = true;
        bool visible = true;
    } linked_;
    bool clicked_ = false;
};

// What CreateWindowExA gets for a windowed control.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    std::string WinClassName; // the class registered for the control
    std::string SystemClass;  // a platform class to build on ("EDIT", ...), or empty
    UINT ClassStyle = CS_DBLCLKS;
    HCURSOR ClassCursor = nullptr;
};

class TWinControl : public TControl, public TWindowTarget {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window, made (with the windows of the children) on first use.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { Handle(); }

    const std::vector<TControl*>& Controls() const { return controls_; }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // The visible, enabled graphic control at a client point, or null.
    TControl* ControlAtPos(POINT client) const;

    RECT ClientRect() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetText(const std::string& text) override;
    std::string Text() const override;
    void Invalidate() override;
    void Realign();

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    bool TabStop = false;
    void SetFocus();
    bool Focused() const;
    bool CanFocus() const;

    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // Every message of the window comes here first.
    virtual void WndProc(TMessage& message);
    // The platform's handling (the class's own procedure, or DefWindowProcA).
    void DefaultHandler(TMessage& message);
    // The control of a toolkit window, or null.
    static TWinControl* FromHandle(HWND hwnd);

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateHandle();
    void DestroyHandle();
    // After the window exists (the children's windows too).
    virtual void CreateWindowHandle() {}
    // Fills the background with Color and paints the graphic children.
    virtual void PaintWindow(HDC dc);
    virtual void PaintControls(HDC dc);
    virtual void AlignControls(RECT& rect);
    // Notices of child windows: WM_COMMAND and WM_NOTIFY come back to the child.
    virtual void CNCommand(TMessage& message);
    virtual void CNNotify(TMessage& message);
    // A character typed into the window; returning with key 0 refuses it.
    virtual void KeyPress(char& key);
    void BoundsChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void ColorChanged() override;
    void FontChanged() override;

    void UpdateBoundsFromWindow();
    bool ParentNotifies(TMessage& message);

private:
    // Every message of the window, from the toolkit's window procedure.
    void WindowMessage(HWND window, TMessage& message) override;
    void RouteMouse(TMessage& message);
    // Follows the mouse over the window and its graphic children: enter and
    // leave for each, the window's leaving heard through TrackMouseEvent.
    void TrackHover(TControl* over);
    void EndHover();

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = nullptr;
    std::vector<TControl*> controls_;
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
    TGdiObject<HBRUSH> brush_;         // what WM_CTLCOLOR* answers for the control
    TControl* mouseControl_ = nullptr; // graphic child that got the button press
    TControl* hoverControl_ = nullptr; // graphic child under the mouse
    bool mouseInside_ = false;         // the mouse is over the window, tracked
    bool aligning_ = false;
};

// A control without a window of its own, painted by its parent.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    // Paints into the parent's context, offset and clipped to the control.
    void PaintTo(HDC dc);

protected:
    virtual void Paint() {}
    TCanvas& Canvas() { return canvas_; }

private:
    TCanvas canvas_;
};

// A windowed control that paints itself on a canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}

protected:
    void PaintWindow(HDC dc) override;
    virtual void Paint() {}
    TCanvas& Canvas() { return canvas_; }

private:
    TCanvas canvas_;
};

} // namespace tk
