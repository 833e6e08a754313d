#include "toolkit/ImgList.h"

#include <algorithm>
#include <cstdlib>

namespace tk {

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height),
      handle_(ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 0, 4)) {
    if (!handle_)
        throw EOutOfMemory(Format("Cannot make an image list of %d x %d images", width, height));
}

TImageList::~TImageList() {
    for (TChangeLink* link : links_)
        link->Sender = nullptr;
}

TChangeLink::~TChangeLink() {
    if (Sender)
        Sender->UnRegisterChanges(this);
}

void TImageList::RegisterChanges(TChangeLink* link) {
    if (!link || std::find(links_.begin(), links_.end(), link) != links_.end())
        return;
    link->Sender = this;
    links_.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end())
        return;
    links_.erase(it);
    link->Sender = nullptr;
}

void TImageList::Change() {
    for (TChangeLink* link : std::vector<TChangeLink*>(links_))
        if (link->OnChange)
            link->OnChange();
}

bool TImageList::GetIcon(int index, TIcon& icon) {
    if (index < 0 || index >= Count())
        return false;
    HICON made = ImageList_GetIcon(handle_.Get(), index, ILD_NORMAL);
    if (!made)
        return false;
    icon.SetHandle(made, true);
    return true;
}

int TImageList::Count() const {
    return ImageList_GetImageCount(handle_.Get());
}

void TImageList::AddMasked(TBitmap& strip, TColor mask) {
    if (strip.Width() < width_ || strip.Height() < height_)
        throw EInvalidGraphic("Invalid image size");
    // The list reads a copy: the strip may be selected into its canvas, and
    // the list is free to change the pixels it is given.
    TBitmap copy;
    copy.Assign(strip);
    copy.Dormant();
    if (ImageList_AddMasked(handle_.Get(), copy.Handle(), ColorToRGB(mask)) < 0)
        throw EInvalidGraphic("Invalid image size");
    Change();
}

void TImageList::LoadFromResourceName(HINSTANCE instance, const std::string& name, TColor mask) {
    TBitmap strip;
    strip.LoadFromResourceName(instance, name);
    ImageList_Remove(handle_.Get(), -1);
    AddMasked(strip, mask);
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
    if (index < 0 || index >= Count())
        return;
    HDC dc = canvas.Handle();
    if (!dc)
        throw EInvalidGraphic("Canvas does not allow drawing");
    if (enabled) {
        ImageList_Draw(handle_.Get(), index, dc, x, y, ILD_TRANSPARENT);
        return;
    }
    // Disabled: the image's shape embossed, in the button highlight colour one
    // pixel right and down, then in the button shadow colour in place. The
    // shape is where the image covers both a white and a black background.
    TBitmap onWhite, onBlack;
    GetBitmap(index, onWhite, clWhite);
    GetBitmap(index, onBlack, clBlack);
    const TColor key = clFuchsia;
    TBitmap emboss;
    emboss.SetSize(width_ + 1, height_ + 1);
    for (int row = 0; row <= height_; ++row)
        std::fill_n(emboss.ScanLine(row), width_ + 1, 0x00FF00FFu); // the key colour
    COLORREF highlight = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
    auto pixel = [](COLORREF c) {
        return static_cast<std::uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) |
                                          GetBValue(c));
    };
    auto covered = [&](int px, int py) {
        std::uint32_t a = onWhite.ScanLine(py)[px], b = onBlack.ScanLine(py)[px];
        for (int shift = 0; shift <= 16; shift += 8)
            if (std::abs(static_cast<int>((a >> shift) & 0xFF) -
                         static_cast<int>((b >> shift) & 0xFF)) >= 128)
                return false;
        return true;
    };
    for (int py = 0; py < height_; ++py)
        for (int px = 0; px < width_; ++px)
            if (covered(px, py))
                emboss.ScanLine(py + 1)[px + 1] = pixel(highlight);
    for (int py = 0; py < height_; ++py)
        for (int px = 0; px < width_; ++px)
            if (covered(px, py))
                emboss.ScanLine(py)[px] = pixel(shadow);
    emboss.SetTransparentColor(key);
    emboss.SetTransparent(true);
    canvas.Draw(x, y, emboss);
}

void TImageList::GetBitmap(int index, TBitmap& bitmap, TColor background) {
    bitmap.SetSize(width_, height_);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush.SetColor(background);
    canvas.FillRect(RECT{0, 0, width_, height_});
    if (index >= 0 && index < Count())
        ImageList_Draw(handle_.Get(), index, canvas.Handle(), 0, 0, ILD_TRANSPARENT);
    bitmap.Dormant();
}

} // namespace tk
