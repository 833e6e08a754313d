#include "toolkit/Buttons.h"
#include "toolkit/ActnList.h"
#include "toolkit/ImgList.h"

namespace tk {

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 23, 22);
}

void TSpeedButton::ActionChanged() {
    TGraphicControl::ActionChanged();
    if (auto* action = dynamic_cast<TAction*>(Action())) {
        ImageIndex = action->ImageIndex();
        if (action->ActionList())
            Images = action->ActionList()->Images;
    }
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft && Enabled()) {
        down_ = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (down_) {
        down_ = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::Paint() {
    RECT rect = ClientRect();
    Canvas().Brush.SetColor(clBtnFace);
    Canvas().FillRect(rect);
    DrawEdge(Canvas().Handle(), &rect, down_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    // The glyph and the caption side by side, centred together. The caption's
    // "&" marks its accelerator, drawn underlined ("&&" is a plain "&").
    bool hasGlyph = Images && ImageIndex >= 0 && ImageIndex < Images->Count();
    int glyphWidth = hasGlyph ? Images->Width() : 0;
    Canvas().Font.Assign(Font());
    RECT text{0, 0, 0, 0};
    if (!Caption().empty())
        Canvas().DrawText(Caption(), text, DT_SINGLELINE | DT_CALCRECT);
    int textWidth = text.right - text.left;
    int textHeight = text.bottom - text.top;
    int spacing = hasGlyph && textWidth ? 4 : 0;
    int total = glyphWidth + spacing + textWidth;
    int x = (Width() - total) / 2 + (down_ ? 1 : 0);
    int offset = down_ ? 1 : 0;
    if (hasGlyph)
        Images->Draw(Canvas(), x, (Height() - Images->Height()) / 2 + offset, ImageIndex,
                     Enabled());
    if (textWidth) {
        Canvas().Brush.SetStyle(TBrushStyle::bsClear);
        if (!Enabled())
            Canvas().Font.SetColor(clGrayText);
        int left = x + glyphWidth + spacing;
        int top = (Height() - textHeight) / 2 + offset;
        RECT place{left, top, left + textWidth, top + textHeight};
        Canvas().DrawText(Caption(), place, DT_SINGLELINE | DT_NOCLIP);
        Canvas().Brush.SetStyle(TBrushStyle::bsSolid);
    }
}

} // namespace tk
