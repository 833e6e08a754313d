#include "toolkit/Controls.h"
#include "toolkit/ActnList.h"
#include "toolkit/Application.h"

#include <algorithm>

namespace tk {

std::string GetShortHint(const std::string& hint) {
    auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
    auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

TShiftState KeyboardShiftState() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0)
        shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0)
        shift |= ssAlt;
    return shift;
}

// ------------------------------------------------------------------ TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this] {
        parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    if (action_)
        action_->UnregisterClient(this);
    if (parent_)
        parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    if (parent_)
        parent_->RemoveControl(this);
    if (parent)
        parent->InsertControl(this); // sets parent_
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    if (!dynamic_cast<TWinControl*>(this) && parent_)
        parent_->Invalidate(); // the old place
    left_ = left;
    top_ = top;
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    BoundsChanged();
    if (parent_ && align_ != TAlign::alNone)
        RequestAlign();
}

POINT TControl::ClientToScreen(POINT point) const {
    POINT result{point.x + left_, point.y + top_};
    if (parent_)
        return parent_->ClientToScreen(result);
    return point;
}

void TControl::SetAlign(TAlign align) {
    if (align_ == align)
        return;
    align_ = align;
    RequestAlign();
}

void TControl::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

bool TControl::CanAutoSize(int&, int&) {
    return false;
}

void TControl::AdjustSize() {
    int width = width_;
    int height = height_;
    if (autoSize_ && CanAutoSize(width, height))
        SetBounds(left_, top_, width, height);
}

void TControl::RequestAlign() {
    if (parent_)
        parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    VisibleChanged();
    if (parent_) {
        parent_->Invalidate();
        RequestAlign();
    }
}

bool TControl::Showing() const {
    if (!visible_)
        return false;
    if (parent_)
        return parent_->Showing();
    auto* self = dynamic_cast<const TWinControl*>(this);
    return self && self->HandleAllocated() &&
           IsWindowVisible(const_cast<TWinControl*>(self)->Handle());
}

void TControl::SetEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    EnabledChanged();
    Invalidate();
}

void TControl::SetText(const std::string& text) {
    if (text_ == text)
        return;
    text_ = text;
    TextChanged();
    AdjustSize();
    Invalidate();
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color_ == color)
        return;
    color_ = color;
    ColorChanged();
    Invalidate();
}

void TControl::SetParentColor(bool parentColor) {
    parentColor_ = parentColor;
    ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (parentColor_ && parent_ && color_ != parent_->Color()) {
        color_ = parent_->Color();
        ColorChanged();
        Invalidate();
    }
}

void TControl::SetParentFont(bool parentFont) {
    parentFont_ = parentFont;
    ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (parentFont_ && parent_) {
        auto keep = font_.OnChange;
        font_.OnChange = nullptr;
        font_.Assign(parent_->Font());
        font_.OnChange = keep;
        FontChanged();
    }
}

void TControl::SetAction(TBasicAction* action) {
    if (action_ == action)
        return;
    if (action_)
        action_->UnregisterClient(this);
    action_ = action;
    if (dynamic_cast<TAction*>(action_)) {
        // Linking takes every value over.
        linked_ = Linked{text_, Hint, enabled_, visible_};
        action_->RegisterClient(this);
        ActionChanged();
    } else if (action_) {
        action_->RegisterClient(this);
    }
}

void TControl::ActionChanged() {
    auto* action = dynamic_cast<TAction*>(action_);
    if (!action)
        return;
    Linked now{action->Caption(), action->Hint(), action->Enabled(), action->Visible()};
    if (text_ == linked_.caption)
        SetCaption(now.caption);
    if (Hint == linked_.hint)
        Hint = now.hint;
    if (enabled_ == linked_.enabled)
        SetEnabled(now.enabled);
    if (visible_ == linked_.visible)
        SetVisible(now.visible);
    linked_ = now;
}

void TControl::ActionDestroyed() {
    action_ = nullptr;
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
    else if (action_)
        action_->Execute();
}

void TControl::Invalidate() {
    if (parent_)
        parent_->Invalidate();
}

void TControl::Repaint() {
    Invalidate();
    if (auto* self = dynamic_cast<TWinControl*>(this); self && self->HandleAllocated())
        UpdateWindow(self->Handle());
    else if (parent_ && parent_->HandleAllocated())
        UpdateWindow(parent_->Handle());
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft)
        clicked_ = true;
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
    if (button == TMouseButton::mbLeft && clicked_) {
        clicked_ = false;
        RECT r = ClientRect();
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            Click();
    }
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

// ----------------------------------------------------------- TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(HDC dc) {
    TSavedDC saved(dc);
    OffsetViewportOrgEx(dc, left_, top_, nullptr);
    IntersectClipRect(dc, 0, 0, width_, height_);
    TCanvasLease lease(canvas_, dc);
    Paint();
}

// ------------------------------------------------------------ TCustomControl

void TCustomControl::PaintWindow(HDC dc) {
    {
        TCanvasLease lease(canvas_, dc);
        Paint();
    }
    PaintControls(dc);
}

} // namespace tk
