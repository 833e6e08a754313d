#include "gif/JvGIFCtrl.h"

#include "gif/GifPicture.h"

// ----------------------------------------------------------- TJvImageControl

TJvImageControl::TJvImageControl(tk::TComponent* owner)
    : tk::TGraphicControl(owner), guiThread_(GetCurrentThreadId()) {
    SetBounds(0, 0, 105, 105);
    SetParentColor(true);
}

bool TJvImageControl::OnGuiThread() const {
    return GetCurrentThreadId() == guiThread_;
}

void TJvImageControl::PaintNow() {
    tk::TWinControl* parent = Parent();
    if (!parent || !parent->HandleAllocated() || !Visible())
        return;
    HWND hwnd = parent->Handle();
    if (OnGuiThread()) {
        RECT bounds = BoundsRect();
        InvalidateRect(hwnd, &bounds, TRUE);
        UpdateWindow(hwnd);
        return;
    }
    std::lock_guard guard(lock_);
    tk::TWindowDC dc(hwnd);
    if (!dc)
        return;
    tk::TSavedDC saved(dc.Get());
    OffsetViewportOrgEx(dc.Get(), Left(), Top(), nullptr);
    IntersectClipRect(dc.Get(), 0, 0, Width(), Height());
    tk::TCanvas canvas(dc.Get());
    DoPaintImage(canvas);
}

void TJvImageControl::PaintBackground(tk::TCanvas& canvas, bool showParent) {
    if (showParent && insideParentPaint_)
        return; // the parent's picture is there already
    canvas.Brush.SetStyle(tk::TBrushStyle::bsSolid);
    canvas.Brush.SetColor(showParent && Parent() ? Parent()->Color() : Color());
    canvas.FillRect(ClientRect());
}

void TJvImageControl::Paint() {
    std::lock_guard guard(lock_);
    insideParentPaint_ = true;
    try {
        DoPaintImage(Canvas());
    } catch (...) {
        insideParentPaint_ = false;
        throw;
    }
    insideParentPaint_ = false;
}

// ------------------------------------------------------------ TJvGIFAnimator

TJvGIFAnimator::TJvGIFAnimator(tk::TComponent* owner)
    : TJvImageControl(owner), image_(std::make_unique<TJvGIFImage>()),
      composer_(std::make_unique<TJvGIFComposer>(*image_)) {
    timer_ = new TJvTimer(this);
    image_->OnChange = [this](TJvGIFImage&) {
        ImageChanged();
    };
    SetAutoSize(true);
}

TJvGIFAnimator::~TJvGIFAnimator() {
    alive_->store(false);
    OnChange = nullptr;
    OnFrameChanged = nullptr;
    OnStart = nullptr;
    OnStop = nullptr;
    // Stopped without the repaint of SetJvxAnimate: the control is going.
    animating_ = false;
    timer_->SetEnabled(false);
    timer_->SetOnTimer(nullptr);
    // The timer ends its thread before anything the thread may use goes.
    tk::Free(timer_);
    timer_ = nullptr;
    image_->OnChange = nullptr;
    composer_.reset();
    image_.reset();
}

void TJvGIFAnimator::SetAsyncDrawing(bool value) {
    asyncDrawing_ = value;
    timer_->SetSyncEvent(!value);
}

bool TJvGIFAnimator::JvxAnimate() const {
    return animating_ && timer_->Enabled();
}

void TJvGIFAnimator::SetJvxAnimate(bool value) {
    if (value == JvxAnimate())
        return;
    if (value) {
        animating_ = true;
        timer_->SetOnTimer([this](tk::TComponent*) { TimerExpired(); });
        timer_->SetEnabled(true);
        if (OnStart)
            OnStart(this);
    } else {
        animating_ = false;
        timer_->SetEnabled(false);
        timer_->SetOnTimer(nullptr);
        if (OnStop)
            OnStop(this);
        PaintNow();
    }
}

void TJvGIFAnimator::SetCenter(bool value) {
    if (center_ == value)
        return;
    center_ = value;
    PictureChanged();
}

void TJvGIFAnimator::SetStretch(bool value) {
    if (stretch_ == value)
        return;
    stretch_ = value;
    PictureChanged();
}

void TJvGIFAnimator::SetTransparent(bool value) {
    {
        std::lock_guard guard(Lock());
        if (transparent_ == value)
            return;
        transparent_ = value;
        // Whether the picture is marked transparent is decided when it is built.
        composer_->Reset();
        bitmapIndex_ = -1;
        composeFailed_ = false;
    }
    PictureChanged();
}

void TJvGIFAnimator::PictureChanged() {
    if (JvxAnimate())
        PaintNow();
    else
        Invalidate();
}

int TJvGIFAnimator::FrameIndex() const {
    std::lock_guard guard(Lock());
    return frameIndex_;
}

void TJvGIFAnimator::SetFrameIndex(int value) {
    {
        std::lock_guard guard(Lock());
        if (value == frameIndex_ || value < 0 || value >= image_->Count())
            return;
        frameIndex_ = value;
    }
    PaintNow();
    timer_->SetInterval(static_cast<unsigned>(GIFAnimationDelay(*image_, value)));
    if (OnFrameChanged)
        OnFrameChanged(this);
}

bool TJvGIFAnimator::CanAutoSize(int& width, int& height) {
    if (image_->Empty())
        return false;
    width = image_->ScreenWidth();
    height = image_->ScreenHeight();
    return true;
}

void TJvGIFAnimator::ImageChanged() {
    {
        std::lock_guard guard(Lock());
        composer_->Reset();
        bitmapIndex_ = -1;
        composeFailed_ = false;
        frameIndex_ = image_->FrameIndex();
        if (image_->Count() > 0)
            timer_->SetInterval(static_cast<unsigned>(GIFAnimationDelay(*image_, frameIndex_)));
        AdjustSize();
        // A true-colour display has no palette to realise.
        Invalidate();
    }
    if (OnChange)
        OnChange(this);
}

// The timer's handler: on the GUI thread, or on the timer thread with
// AsyncDrawing.
void TJvGIFAnimator::TimerExpired() {
    if (!Visible() || image_->Count() < 2 || !Parent() || !Parent()->HandleAllocated())
        return;
    int index;
    {
        std::lock_guard guard(Lock());
        index = frameIndex_ + 1 >= image_->Count() ? 0 : frameIndex_ + 1;
        frameIndex_ = index;
    }
    if (OnFrameChanged) {
        const std::shared_ptr<std::atomic<bool>> alive = alive_;
        if (OnGuiThread())
            OnFrameChanged(this);
        else // not under the lock: the GUI thread may be painting, and waits for it
            timer_->Thread().Synchronize([this] {
                if (OnFrameChanged)
                    OnFrameChanged(this);
            });
        if (!alive->load())
            return; // the handler destroyed the control
    }
    PaintNow();
    timer_->SetInterval(static_cast<unsigned>(GIFAnimationDelay(*image_, index)));
    if (!loop_ && index == 0) {
        if (OnGuiThread())
            SetJvxAnimate(false);
        else
            timer_->Thread().Synchronize([this] { SetJvxAnimate(false); });
    }
}

void TJvGIFAnimator::DoPaintImage(tk::TCanvas& canvas) {
    const bool empty = image_->Empty();
    PaintBackground(canvas, empty || image_->Transparent());
    if (empty || image_->ScreenWidth() < 1 || image_->ScreenHeight() < 1)
        return;
    if (bitmapIndex_ != frameIndex_ && !composeFailed_) {
        try {
            GIFPictureToBitmap(
                composer_->Compose(frameIndex_, tk::ColorToRGB(tk::clWindow), transparent_),
                transparent_, bitmap_);
            bitmapIndex_ = frameIndex_;
        } catch (...) {
            // Reported once; the image shows nothing until it changes, rather
            // than failing again at every paint and step.
            composeFailed_ = true;
            bitmapIndex_ = -1;
            throw;
        }
    }
    if (composeFailed_ || bitmap_.Empty())
        return;
    const int width = bitmap_.Width();
    const int height = bitmap_.Height();
    RECT dest{0, 0, width, height};
    if (stretch_) {
        dest = ClientRect();
    } else if (center_) {
        const int dx = (ClientWidth() - width) / 2;
        const int dy = (ClientHeight() - height) / 2;
        dest = RECT{dx, dy, dx + width, dy + height};
    }
    canvas.StretchDraw(dest, bitmap_);
}
