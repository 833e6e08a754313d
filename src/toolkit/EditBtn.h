// A one-line text field with a square button inside its right end: the
// button is as wide as the field's inside is tall, the text stops before it,
// and a click on it raises OnBtnClick.
#pragma once

#include "toolkit/Graphics.h"
#include "toolkit/StdCtrls.h"

namespace tk {

class TCoolEditBtn;

// The button: painted raised (sunken while pressed) with the glyph centred.
class TCoolEditButton : public TCustomControl {
public:
    TCoolEditButton(TComponent* owner, TCoolEditBtn* edit);
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    TCoolEditBtn* edit_;
    bool down_ = false;
};

class TCoolEditBtn : public TEdit {
public:
    explicit TCoolEditBtn(TComponent* owner);

    TNotifyEvent OnBtnClick;
    // The picture on the button; its bottom-left pixel's colour stays transparent.
    TBitmap& Glyph() { return glyph_; }
    TCoolEditButton* Button() const { return button_; }
    // Raises OnBtnClick.
    void BtnClick();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWindowHandle() override;
    void BoundsChanged() override;

private:
    void PlaceButton();
    TCoolEditButton* button_ = nullptr;
    TBitmap glyph_;
};

} // namespace tk
