#include "gif/JvGIFCompose.h"

#include <algorithm>

int GIFAnimationDelay(const TJvGIFImage& image, int index) {
    if (image.Count() < 2 || index < 0 || index >= image.Count())
        return 0;
    return std::clamp(image.Frames(index).AnimateInterval(), 50, 10000);
}

void TJvGIFComposer::Reset() {
    picture_ = TGIFPicture{};
    cacheIndex_ = -1;
    transColor_.reset();
}

void TJvGIFComposer::fillRect(int left, int top, int width, int height) {
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + width, picture_.Width);
    const int y1 = std::min(top + height, picture_.Height);
    if (x0 >= x1)
        return; // off the screen
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* row = picture_.Pixels.data() + static_cast<std::size_t>(y) * picture_.Width;
        std::fill(row + x0, row + x1, brush_);
    }
}

void TJvGIFComposer::disposeRect(const TJvGIFFrame& frame) {
    fillRect(frame.Origin().x, frame.Origin().y, frame.Width(), frame.Height());
}

// Draws the frame's bitmap at its place; with a transparent colour, pixels of
// that colour leave the picture as it is.
void TJvGIFComposer::drawFrame(TJvGIFFrame& frame) {
    const TGIFDib& dib = frame.Bitmap();
    std::uint32_t palette[256];
    bool clear[256];
    const std::optional<COLORREF> transparent = frame.TransparentColor();
    const std::uint32_t transPixel = transparent ? GIFColorToPixel(*transparent) : 0;
    for (int i = 0; i < dib.PaletteCount(); ++i) {
        const RGBQUAD q = dib.PaletteEntry(i);
        palette[i] = (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
        clear[i] = transparent && palette[i] == transPixel;
    }
    const int left = frame.Origin().x;
    const int top = frame.Origin().y;
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + dib.Width(), picture_.Width);
    const int y1 = std::min(top + dib.Height(), picture_.Height);
    const int bits = dib.BitCount();
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* src = dib.ScanLine(y - top);
        std::uint32_t* dst = picture_.Pixels.data() + static_cast<std::size_t>(y) * picture_.Width;
        for (int x = x0; x < x1; ++x) {
            const int sx = x - left;
            int index;
            if (bits == 8)
                index = src[sx];
            else if (bits == 4)
                index = (sx & 1) ? src[sx >> 1] & 0x0F : src[sx >> 1] >> 4;
            else
                index = (src[sx >> 3] >> (7 - (sx & 7))) & 1;
            if (!clear[index])
                dst[x] = palette[index];
        }
    }
}

const TGIFPicture& TJvGIFComposer::Compose(int index, COLORREF windowColor, bool transparent) {
    const int count = image_.Count();
    if (count == 0) {
        Reset();
        return picture_;
    }
    const int n = std::clamp(index, 0, count - 1);
    try {
        const bool reuse = cacheIndex_ >= 0 && cacheIndex_ == n - 1 &&
                           image_.Frames(n - 1).DisposalMethod() != dmRestorePrevious;
        if (reuse) {
            if (image_.Frames(n - 1).DisposalMethod() == dmRestoreBackground)
                disposeRect(image_.Frames(n - 1));
        } else {
            const int width = image_.ScreenWidth();
            const int height = image_.ScreenHeight();
            if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
                kGIFMaxPixels)
                throw tk::EOutOfMemory("Out of memory");
            // The fill: the current frame's transparent colour, else the
            // background of a transparent image, else the window colour.
            transColor_.reset();
            COLORREF fill = windowColor;
            const int current = image_.FrameIndex();
            const std::optional<COLORREF> frameTrans =
                current >= 0 && current < count ? image_.Frames(current).TransparentColor()
                                                : std::nullopt;
            if (frameTrans) {
                transColor_ = NearestColor ? NearestColor(*frameTrans) : *frameTrans;
                fill = *transColor_;
            } else if (image_.BackgroundColor() && image_.Transparent()) {
                fill = *image_.BackgroundColor();
            }
            brush_ = GIFColorToPixel(fill);
            picture_.Width = width;
            picture_.Height = height;
            picture_.Pixels.assign(
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height), brush_);
            picture_.TransparentColor.reset();

            // Start from the latest frame that covers the whole screen and
            // hides everything before it. A frame that restores the previous
            // picture cannot be a start: what it leaves behind is older.
            int start = 0;
            for (int i = n; i >= 1; --i) {
                const TJvGIFFrame& f = image_.Frames(i);
                const bool covers = f.Origin().x == 0 && f.Origin().y == 0 && f.Width() >= width &&
                                    f.Height() >= height;
                if (!covers || (i < n && f.DisposalMethod() == dmRestorePrevious))
                    continue;
                if (!f.TransparentColor() || (f.DisposalMethod() == dmRestoreBackground && i < n)) {
                    start = i;
                    break;
                }
            }
            for (int i = start; i < n; ++i) {
                TJvGIFFrame& f = image_.Frames(i);
                switch (f.DisposalMethod()) {
                case dmRestoreBackground:
                    if (i > start)
                        disposeRect(f);
                    break;
                case dmRestorePrevious:
                    break;
                default:
                    // 0 and 1, and the undefined values 4 to 7, which leave
                    // the frame in place as the incremental step does.
                    drawFrame(f);
                    break;
                }
            }
        }
        drawFrame(image_.Frames(n));
        if (!reuse && transColor_ && transparent)
            picture_.TransparentColor = transColor_;
        cacheIndex_ = n;
    } catch (...) {
        Reset();
        throw;
    }
    return picture_;
}
