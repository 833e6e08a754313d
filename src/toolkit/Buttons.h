// Speed buttons: tool-bar buttons that show their action's image.
#pragma once

#include "toolkit/Controls.h"

namespace tk {

class TImageList;

class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);

    // The glyph: image ImageIndex of Images (both taken from the action).
    TImageList* Images = nullptr;
    int ImageIndex = -1;
    void ActionChanged() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool down_ = false;
};

} // namespace tk
