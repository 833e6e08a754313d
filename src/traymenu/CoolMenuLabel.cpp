#include "traymenu/CoolMenuLabel.h"
#include "toolkit/Handles.h"

// -------------------------------------------------------------- TCaptionItem

TCaptionItem::TCaptionItem(TCoolMenuLabel* label) : label_(label) {
    font_.SetColor(tk::clWhite);
    font_.OnChange = [this] {
        Changed();
    };
}

void TCaptionItem::Changed() {
    if (label_)
        label_->Changed();
}

void TCaptionItem::SetCaption(const std::string& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    Changed();
}

void TCaptionItem::SetShadowColor(tk::TColor color) {
    shadowColor_ = color;
    simpleView_ = false;
    Changed();
}

void TCaptionItem::SetShadowSize(int size) {
    shadowSize_ = size & 0xFF; // a byte of pixels
    simpleView_ = false;
    Changed();
}

void TCaptionItem::SetShadowPos(TShadowPosition position) {
    shadowPos_ = position;
    simpleView_ = false;
    Changed();
}

void TCaptionItem::SetSimpleView(bool simple) {
    simpleView_ = simple;
    Changed();
}

void TCaptionItem::Assign(const TCaptionItem& source) {
    if (&source == this)
        return;
    caption_ = source.caption_;
    font_.Assign(source.font_); // tells the label
}

// ----------------------------------------------------------------- TCaptions

TCaptionItem& TCaptions::Add() {
    items_.push_back(std::make_unique<TCaptionItem>(label_));
    if (label_)
        label_->Changed();
    return *items_.back();
}

void TCaptions::Delete(int index) {
    items_.erase(items_.begin() + index);
    if (label_)
        label_->Changed();
}

void TCaptions::Clear() {
    items_.clear();
    if (label_)
        label_->Changed();
}

// ------------------------------------------------------------ TCoolMenuLabel

TCoolMenuLabel::TCoolMenuLabel(tk::TComponent* owner)
    : tk::TGraphicControl(owner), captions_(this) {
    SetBounds(0, 0, 119, 24);
    Font().SetColor(tk::clWhite);
}

void TCoolMenuLabel::Changed() {
    Invalidate();
    if (OnChanged)
        OnChanged(this);
}

void TCoolMenuLabel::SetAlignment(TCaptionAlignment alignment) {
    if (alignment_ == alignment)
        return;
    alignment_ = alignment;
    Changed();
}

void TCoolMenuLabel::SetBackFrom(tk::TColor color) {
    if (backFrom_ == color)
        return;
    backFrom_ = color;
    Changed();
}

void TCoolMenuLabel::SetBackTo(tk::TColor color) {
    if (backTo_ == color)
        return;
    backTo_ = color;
    Changed();
}

void TCoolMenuLabel::SetBevelInner(tk::TBevelCut bevel) {
    if (bevelInner_ == bevel)
        return;
    bevelInner_ = bevel;
    Changed();
}

void TCoolMenuLabel::SetBevelOuter(tk::TBevelCut bevel) {
    if (bevelOuter_ == bevel)
        return;
    bevelOuter_ = bevel;
    Changed();
}

void TCoolMenuLabel::SetLabelOrientation(TLabelOrientation orientation) {
    if (orientation_ == orientation)
        return;
    orientation_ = orientation;
    Changed();
}

// Any of the shadow's properties, even set to the value it has, shows the
// shadow again.
void TCoolMenuLabel::SetShadowColor(tk::TColor color) {
    shadowColor_ = color;
    simpleView_ = false;
    Invalidate();
}

void TCoolMenuLabel::SetShadowSize(int size) {
    size &= 0xFF; // a byte of pixels
    shadowSize_ = size;
    simpleView_ = false;
    Invalidate();
}

void TCoolMenuLabel::SetShadowPos(TShadowPosition position) {
    shadowPos_ = position;
    simpleView_ = false;
    Invalidate();
}

void TCoolMenuLabel::SetSimpleView(bool simple) {
    if (simpleView_ == simple)
        return;
    simpleView_ = simple;
    Invalidate();
}

UINT TCoolMenuLabel::AlignmentFormat() const {
    // No DT_SINGLELINE: the text starts at the top of its rectangle.
    switch (alignment_) {
    case TCaptionAlignment::alUpJustify:
    case TCaptionAlignment::alRightJustify:
        return DT_RIGHT | DT_VCENTER;
    case TCaptionAlignment::alDownJustify:
        return DT_LEFT | DT_VCENTER;
    case TCaptionAlignment::alLeftJustify:
        return DT_VCENTER;
    }
    return DT_VCENTER;
}

namespace {

UINT InnerEdge(tk::TBevelCut bevel) {
    switch (bevel) {
    case tk::TBevelCut::bvLowered:
        return BDR_SUNKENINNER;
    case tk::TBevelCut::bvRaised:
        return BDR_RAISEDINNER;
    default:
        return 0;
    }
}

UINT OuterEdge(tk::TBevelCut bevel) {
    switch (bevel) {
    case tk::TBevelCut::bvLowered:
        return BDR_SUNKENOUTER;
    case tk::TBevelCut::bvRaised:
        return BDR_RAISEDOUTER;
    default:
        return 0;
    }
}

void Shrink(RECT& r, int by) {
    r.left += by;
    r.top += by;
    r.right -= by;
    r.bottom -= by;
}

} // namespace

void TCoolMenuLabel::Paint() {
    if (Width() <= 0 || Height() <= 0)
        return;
    bool vertical = orientation_ == TLabelOrientation::loVertical;
    // Drawn lying, then turned: the bitmap has the label's sides swapped.
    int width = vertical ? Height() : Width();
    int height = vertical ? Width() : Height();
    tk::TBitmap picture;
    picture.SetSize(width, height);
    {
        HDC dc = picture.Canvas().Handle();
        RECT r{0, 0, width, height};
        if (UINT edge = InnerEdge(bevelInner_) | OuterEdge(bevelOuter_))
            DrawEdge(dc, &r, edge, BF_RECT);
        Shrink(r, 1);
        if (backFrom_ == backTo_) {
            tk::TGdiObject<HBRUSH> brush(CreateSolidBrush(tk::ColorToRGB(backFrom_)));
            FillRect(dc, &r, brush.Get());
        } else {
            GradientFill(dc, r, backFrom_, true, 64, backTo_);
        }
        Shrink(r, 4);
        if (captions_.Count() == 0) {
            tk::TSelectedObject font(dc, Font().Handle());
            SetBkMode(dc, TRANSPARENT);
            COLORREF color = tk::ColorToRGB(Font().Color());
            std::string caption = Caption();
            if (simpleView_) {
                SetTextColor(dc, color);
                DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
                          AlignmentFormat());
            } else {
                DrawShadowText(dc, r, shadowPos_, shadowSize_, tk::ColorToRGB(shadowColor_), color,
                               AlignmentFormat(), caption);
            }
        } else {
            PaintCaptions(dc, r);
        }
    }
    if (vertical)
        RotateBitmap(picture);
    Canvas().Draw(0, 0, picture);
}

void TCoolMenuLabel::PaintCaptions(HDC dc, RECT rect) {
    SetBkMode(dc, TRANSPARENT);
    UINT format = AlignmentFormat();
    // Both orders leave the captions reading in collection order, left to right.
    bool forward = alignment_ == TCaptionAlignment::alDownJustify ||
                   alignment_ == TCaptionAlignment::alLeftJustify;
    int count = captions_.Count();
    for (int k = 0; k < count; ++k) {
        TCaptionItem& item = captions_.Items(forward ? k : count - 1 - k);
        tk::TSelectedObject font(dc, item.Font().Handle());
        COLORREF color = tk::ColorToRGB(item.Font().Color());
        const std::string& caption = item.Caption();
        auto length = static_cast<int>(caption.size());
        if (item.SimpleView()) {
            SetTextColor(dc, color);
            RECT drawn = rect;
            DrawTextA(dc, caption.c_str(), length, &drawn, format);
        } else {
            DrawShadowText(dc, rect, item.ShadowPos(), item.ShadowSize(),
                           tk::ColorToRGB(item.ShadowColor()), color, format, caption);
        }
        SIZE size{0, 0};
        GetTextExtentPoint32A(dc, caption.c_str(), length, &size);
        int step = static_cast<int>(size.cx) + 4;
        if (!forward)
            step = -step;
        rect.left += step;
        rect.right += step;
    }
}
