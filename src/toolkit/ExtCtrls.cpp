#include "toolkit/ExtCtrls.h"
#include "toolkit/UtilWindow.h"

#include <algorithm>

namespace tk {

namespace {

void drawBevel(TCanvas& canvas, RECT& rect, TBevelCut cut) {
    if (cut == TBevelCut::bvNone)
        return;
    UINT edge = cut == TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER;
    DrawEdge(canvas.Handle(), &rect, edge, BF_RECT | BF_ADJUST);
}

} // namespace

// -------------------------------------------------------------------- TPanel

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 41);
}

void TPanel::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "TPanel";
}

void TPanel::Paint() {
    RECT rect = ClientRect();
    Canvas().Brush.SetColor(Color());
    Canvas().FillRect(rect);
    drawBevel(Canvas(), rect, BevelOuter);
    drawBevel(Canvas(), rect, BevelInner);
    if (!Caption().empty()) {
        Canvas().Font.Assign(Font());
        Canvas().Brush.SetStyle(TBrushStyle::bsClear);
        Canvas().DrawText(Caption(), rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        Canvas().Brush.SetStyle(TBrushStyle::bsSolid);
    }
}

bool TPanel::CanAutoSize(int& width, int& height) {
    int right = 0;
    int bottom = 0;
    for (TControl* c : Controls())
        if (c->Visible()) {
            right = std::max(right, c->Left() + c->Width());
            bottom = std::max(bottom, c->Top() + c->Height());
        }
    if (right == 0 && bottom == 0)
        return false;
    int frame = (BevelOuter != TBevelCut::bvNone) + (BevelInner != TBevelCut::bvNone);
    width = right + frame;
    height = bottom + frame;
    return true;
}

void TPanel::AlignControls(RECT& rect) {
    TCustomControl::AlignControls(rect);
    if (AutoSize())
        AdjustSize();
}

// --------------------------------------------------------------- TControlBar

TControlBar::TControlBar(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 100, 50);
    SetColor(clBtnFace);
}

void TControlBar::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WinClassName = "TControlBar";
}

void TControlBar::AlignControls(RECT& rect) {
    // Bands sit in rows, top to bottom, and within a row from left to right,
    // in the order of their positions. A band whose top lies at or below the
    // bottom of the row before it starts a new row.
    std::vector<TControl*> bands;
    for (TControl* c : Controls())
        if (c->Visible())
            bands.push_back(c);
    std::stable_sort(bands.begin(), bands.end(), [](TControl* a, TControl* b) {
        return a->Top() != b->Top() ? a->Top() < b->Top() : a->Left() < b->Left();
    });
    int x = rect.left;
    int rowTop = rect.top + BandMargin;
    int rowBottom = rowTop;
    for (TControl* band : bands) {
        if (x > rect.left && band->Top() >= rowBottom) {
            x = rect.left;
            rowTop = rowBottom + 2 * BandMargin;
        }
        band->SetBounds(x + GripWidth, rowTop, band->Width(), band->Height());
        rowBottom = std::max(rowBottom, rowTop + band->Height());
        x += GripWidth + band->Width() + BandMargin;
    }
    if (AutoSize())
        AdjustSize();
}

bool TControlBar::CanAutoSize(int& width, int& height) {
    int bottom = 0;
    for (TControl* c : Controls())
        if (c->Visible())
            bottom = std::max(bottom, c->Top() + c->Height());
    if (bottom == 0)
        return false;
    height = bottom + BandMargin;
    (void)width;
    return true;
}

void TControlBar::Paint() {
    RECT rect = ClientRect();
    Canvas().Brush.SetColor(Color());
    Canvas().FillRect(rect);
    for (TControl* band : Controls()) {
        if (!band->Visible())
            continue;
        // A band: a raised frame with a grip of two lines at its left.
        RECT frame{band->Left() - GripWidth, band->Top() - 2, band->Left() + band->Width() + 1,
                   band->Top() + band->Height() + 1};
        DrawEdge(Canvas().Handle(), &frame, BDR_RAISEDINNER, BF_RECT);
        for (int line = 0; line < 2; ++line) {
            RECT grip{frame.left + 3 + line * 3, frame.top + 3, frame.left + 6 + line * 3,
                      frame.bottom - 3};
            DrawEdge(Canvas().Handle(), &grip, BDR_RAISEDINNER, BF_RECT);
        }
    }
}

// -------------------------------------------------------------------- TImage

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 105, 105);
    picture_.OnChange = [this] {
        AdjustSize();
        Invalidate();
    };
}

void TImage::SetCenter(bool center) {
    center_ = center;
    Invalidate();
}

void TImage::SetStretch(bool stretch) {
    stretch_ = stretch;
    Invalidate();
}

bool TImage::CanAutoSize(int& width, int& height) {
    if (!picture_.Graphic() || picture_.Graphic()->Empty())
        return false;
    width = picture_.Width();
    height = picture_.Height();
    return true;
}

void TImage::Paint() {
    TGraphic* graphic = picture_.Graphic();
    if (!graphic || graphic->Empty())
        return;
    RECT dest{0, 0, graphic->Width(), graphic->Height()};
    if (stretch_) {
        dest = ClientRect();
    } else if (center_) {
        int dx = (Width() - graphic->Width()) / 2;
        int dy = (Height() - graphic->Height()) / 2;
        dest = RECT{dx, dy, dx + graphic->Width(), dy + graphic->Height()};
    }
    Canvas().StretchDraw(dest, *graphic);
}

// -------------------------------------------------------------------- TTimer

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    window_ = AllocateHWnd(this, [this](TMessage& message) {
        if (message.Msg == WM_TIMER) {
            if (onTimer_)
                onTimer_(this);
            return;
        }
        message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
    });
}

TTimer::~TTimer() {
    enabled_ = false;
    KillTimer(window_, 1);
    DeallocateHWnd(window_);
}

void TTimer::UpdateTimer() {
    KillTimer(window_, 1);
    if (interval_ != 0 && enabled_ && onTimer_)
        if (!SetTimer(window_, 1, interval_, nullptr))
            throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned interval) {
    if (interval_ == interval)
        return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

} // namespace tk
