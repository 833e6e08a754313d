// The GIF animator: a graphic control that shows one frame of its GIF image
// and steps through the frames on a threaded timer.
#pragma once

#include "gif/JvGIF.h"
#include "gif/JvGIFCompose.h"
#include "gif/JvTimer.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

#include <atomic>
#include <memory>
#include <mutex>

// A graphic control that shows a picture and may be repainted from another
// thread. It is 105 by 105 pixels when created and takes its parent's colour.
//
// The picture behind the control: a graphic control is painted by its
// parent, which fills its background and paints its graphic controls from
// the bottom up into one device context, so when this control paints there,
// the parent's picture under it is already in place and is simply left
// there. Painting from another thread happens outside the parent's paint;
// the parent's background colour stands in for its picture then (the other
// controls belong to the GUI thread and are not painted from elsewhere).
class TJvImageControl : public tk::TGraphicControl {
public:
    explicit TJvImageControl(tk::TComponent* owner);

protected:
    // Serialises frame changes, the reaction to a change of the picture,
    // composition and drawing (the drawing may come from the timer thread).
    std::recursive_mutex& Lock() const { return lock_; }

    // Paints the control now: on the GUI thread by having the parent paint
    // the control's rectangle, on any other thread straight into the parent
    // window's device context, clipped to the control.
    void PaintNow();
    // Whether this is the thread that made the control.
    bool OnGuiThread() const;

    // Fills the client area with the control's colour or, when `showParent`
    // is set, with the parent's picture under the control.
    void PaintBackground(tk::TCanvas& canvas, bool showParent);

    void Paint() final;
    virtual void DoPaintImage(tk::TCanvas& canvas) = 0;

private:
    mutable std::recursive_mutex lock_;
    DWORD guiThread_;
    bool insideParentPaint_ = false;
};

class TJvGIFAnimator : public TJvImageControl {
public:
    explicit TJvGIFAnimator(tk::TComponent* owner);
    ~TJvGIFAnimator() override;

    // The painting runs on the timer thread (true) or on the GUI thread.
    bool AsyncDrawing() const { return asyncDrawing_; }
    void SetAsyncDrawing(bool value);
    // Running the animation: the timer steps the frames.
    bool JvxAnimate() const;
    void SetJvxAnimate(bool value);
    bool Center() const { return center_; }
    void SetCenter(bool value);
    // The frame shown (-1 while the image is empty).
    int FrameIndex() const;
    // Another valid index shows that frame; other values are ignored.
    void SetFrameIndex(int value);
    // The image the control shows and owns; loading it updates the control.
    TJvGIFImage& Image() { return *image_; }
    // When false, the animation stops after the last frame (on frame 0); the
    // image's own repeat count is not consulted either way.
    bool Loop() const { return loop_; }
    void SetLoop(bool value) { loop_ = value; }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    // Pixels of the picture's transparent colour leave what lies under the
    // control visible.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

    tk::TNotifyEvent OnChange;
    tk::TNotifyEvent OnFrameChanged;
    tk::TNotifyEvent OnStart;
    tk::TNotifyEvent OnStop;

    TJvTimer& Timer() { return *timer_; }

protected:
    void DoPaintImage(tk::TCanvas& canvas) override;
    bool CanAutoSize(int& width, int& height) override;

private:
    void ImageChanged();
    void TimerExpired();
    // Repaints at once while animating, else when the parent next paints.
    void PictureChanged();
    void FrameChanged();

    // Cleared when the control goes: a step whose OnFrameChanged handler
    // destroyed the control stops there.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
    std::unique_ptr<TJvGIFImage> image_;
    std::unique_ptr<TJvGIFComposer> composer_;
    TJvTimer* timer_ = nullptr;
    bool animating_ = false; // the step is the timer's handler
    bool asyncDrawing_ = false;
    bool center_ = false;
    bool loop_ = true;
    bool stretch_ = false;
    bool transparent_ = true;
    int frameIndex_ = 0;
    // The composed picture as drawn, and the frame it shows (-1: none).
    tk::TBitmap bitmap_;
    int bitmapIndex_ = -1;
    bool composeFailed_ = false; // until the image or Transparent changes
};
