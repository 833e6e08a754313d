#include "toolkit/EditBtn.h"

namespace tk {

// ---------------------------------------------------------- TCoolEditButton

TCoolEditButton::TCoolEditButton(TComponent* owner, TCoolEditBtn* edit)
    : TCustomControl(owner), edit_(edit) {}

void TCoolEditButton::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "TCoolEditButton";
}

void TCoolEditButton::Paint() {
    RECT r = ClientRect();
    Canvas().Brush.SetColor(clBtnFace);
    Canvas().FillRect(r);
    RECT edge = r;
    DrawEdge(Canvas().Handle(), &edge, down_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    TBitmap& glyph = edit_->Glyph();
    if (glyph.Empty())
        return;
    int shift = down_ ? 1 : 0;
    int x = (r.right - glyph.Width()) / 2 + shift;
    int y = (r.bottom - glyph.Height()) / 2 + shift;
    glyph.SetTransparent(true);
    Canvas().Draw(x, y, glyph);
}

void TCoolEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        down_ = true;
        SetCapture(Handle());
        Invalidate();
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCoolEditButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && down_) {
        down_ = false;
        ReleaseCapture();
        Invalidate();
    }
    TCustomControl::MouseUp(button, shift, x, y); // clicks when released over the button
}

void TCoolEditButton::Click() {
    TCustomControl::Click();
    edit_->BtnClick();
}

// ------------------------------------------------------------- TCoolEditBtn

TCoolEditBtn::TCoolEditBtn(TComponent* owner) : TEdit(owner) {
    button_ = new TCoolEditButton(this, this);
    PlaceButton();
    button_->SetParent(this);
}

void TCoolEditBtn::CreateParams(TCreateParams& params) {
    TEdit::CreateParams(params);
    params.WinClassName = "TCoolEditBtn";
    params.Style |= WS_CLIPCHILDREN;
}

void TCoolEditBtn::CreateWindowHandle() {
    TEdit::CreateWindowHandle();
    PlaceButton();
    // The text stops before the button.
    SendMessageA(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, button_->Width() + 2));
}

void TCoolEditBtn::BoundsChanged() {
    TEdit::BoundsChanged();
    PlaceButton();
}

void TCoolEditBtn::PlaceButton() {
    if (!button_)
        return;
    RECT client = ClientRect();
    int side = client.bottom - client.top;
    button_->SetBounds(client.right - side, client.top, side, side);
}

void TCoolEditBtn::BtnClick() {
    if (OnBtnClick)
        OnBtnClick(this);
}

} // namespace tk
