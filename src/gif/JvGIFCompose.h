// Composition of the frames of a GIF image into the picture the animator
// shows for one frame index, with the disposal methods of the frames before
// it. Kept apart from the animator control so that it needs no canvas: it
// draws into a 32-bit pixel buffer of its own.
//
// The animator owns one composer per image and calls Compose(FrameIndex,
// ...) under its lock whenever it paints; it calls Reset() from its reaction
// to the image's OnChange. The composer keeps the animator's cache: the last
// composed picture, the index it shows and its transparent colour. Advancing
// by one frame draws only the new frame onto the cached picture (after
// disposing of the previous one); any other step rebuilds the picture from
// the latest frame that covers the whole screen.
#pragma once

#include "gif/JvGIF.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// A composed picture: the image's logical screen, top row first, one
// 0x00RRGGBB value per pixel (the byte order of a 32-bit device-independent
// bitmap: blue, green, red, unused).
struct TGIFPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
    // Set when the picture is to be drawn leaving pixels of this colour
    // unpainted (0x00BBGGRR, as the platform's colour values).
    std::optional<COLORREF> TransparentColor;

    std::uint32_t Pixel(int x, int y) const {
        return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                      static_cast<std::size_t>(x)];
    }
};

// 0x00BBGGRR <-> 0x00RRGGBB.
inline std::uint32_t GIFColorToPixel(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
inline COLORREF GIFPixelToColor(std::uint32_t pixel) {
    return GIFColorToPixel(pixel);
}

// How long the animator shows frame `index` before the next step, in
// milliseconds: 0 (no animation) for images of fewer than two frames or an
// invalid index; otherwise the frame's delay kept within 50 to 10000.
int GIFAnimationDelay(const TJvGIFImage& image, int index);

class TJvGIFComposer {
public:
    // The image must outlive the composer.
    explicit TJvGIFComposer(TJvGIFImage& image) : image_(image) {}

    // Forgets the cached picture (index -1, no transparent colour). Call it
    // whenever the image changes.
    void Reset();

    // The picture for frame `index` (limited to the last frame; an empty
    // image gives an empty picture). Frames not yet decoded are decoded here,
    // so it raises what TJvGIFFrame::Bitmap raises, and tk::EOutOfMemory for
    // a screen above kGIFMaxPixels; the cache is forgotten then.
    //
    // The fill of a rebuilt picture is the transparent colour of the image's
    // current frame (TJvGIFImage::FrameIndex, 0 after a load) when it has
    // one, else the image's background colour when the image is
    // transparent, else `windowColor`: the system window colour (clWindow).
    // `transparent` is the animator's Transparent property: when the picture
    // is built anew with a transparent colour chosen as its fill, that colour
    // is marked as the picture's transparent colour only if it is true.
    //
    // The reference stays valid until the next call of Compose or Reset.
    const TGIFPicture& Compose(int index, COLORREF windowColor, bool transparent);

    // The frame the cached picture shows (-1: none) and its transparent colour.
    int CachedIndex() const { return cacheIndex_; }
    std::optional<COLORREF> CachedTransparentColor() const { return transColor_; }

    // The nearest colour the display can show; the fill chosen from a
    // transparent colour goes through it. The default keeps the colour as it
    // is, which is right for a true-colour display; a palette display can
    // set it to the device's nearest-colour lookup.
    std::function<COLORREF(COLORREF)> NearestColor;

private:
    void fillRect(int left, int top, int width, int height);
    void drawFrame(TJvGIFFrame& frame);
    void disposeRect(const TJvGIFFrame& frame);

    TJvGIFImage& image_;
    TGIFPicture picture_;
    int cacheIndex_ = -1;
    std::optional<COLORREF> transColor_;
    std::uint32_t brush_ = 0; // the fill of the cached picture, 0x00RRGGBB
};
