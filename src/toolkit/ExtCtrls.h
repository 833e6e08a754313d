// Panels, the control bar, images and timers.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

#include <functional>

namespace tk {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelOuter = TBevelCut::bvRaised;
    TBevelCut BevelInner = TBevelCut::bvNone;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    // With AutoSize on, a panel takes the size that holds its controls.
    bool CanAutoSize(int& width, int& height) override;
    void AlignControls(RECT& rect) override;
};

// A strip of bands, one per child control, each with a grip at its left.
class TControlBar : public TCustomControl {
public:
    explicit TControlBar(TComponent* owner);
    static constexpr int GripWidth = 11;
    // Space above and below each band.
    static constexpr int BandMargin = 2;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void AlignControls(RECT& rect) override;
    bool CanAutoSize(int& width, int& height) override;
};

// Shows a picture; with AutoSize on it takes the picture's size.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    TPicture& Picture() { return picture_; }
    bool Center() const { return center_; }
    void SetCenter(bool center);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

protected:
    void Paint() override;
    bool CanAutoSize(int& width, int& height) override;

private:
    TPicture picture_;
    bool center_ = false;
    bool stretch_ = false;
};

// Calls OnTimer every Interval milliseconds while enabled. The countdown
// starts anew only when Enabled, Interval or OnTimer changes.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned interval);
    TNotifyEvent OnTimer() const { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);

private:
    void UpdateTimer();
    HWND window_ = nullptr;
    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
};

class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

} // namespace tk
