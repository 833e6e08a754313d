// The GIF image as a picture of the toolkit, so that a "GIF Image" on the
// clipboard shows like any other picture, and the drawing of a composed GIF
// picture that the animator shares.
#pragma once

#include "gif/JvGIF.h"
#include "gif/JvGIFCompose.h"
#include "toolkit/Graphics.h"

// Copies a composed picture into a 32-bit bitmap of its size, transparent in
// the picture's transparent colour when it has one and `transparent` is set.
void GIFPictureToBitmap(const TGIFPicture& picture, bool transparent, tk::TBitmap& bitmap);

// A TJvGIFImage as a graphic: its logical screen's size, drawn as the picture
// the animator would show for the image's current frame (over the window
// colour where the picture leaves its background). Transparent from
// construction, as the image is.
class TGIFGraphic : public tk::TGraphic {
public:
    TGIFGraphic();

    TJvGIFImage& Image() { return image_; }

    int Width() const override { return image_.ScreenWidth(); }
    int Height() const override { return image_.ScreenHeight(); }
    bool Empty() const override;
    void Draw(tk::TCanvas& canvas, const RECT& rect) override;
    // A "GIF Image" block holds the bytes of a GIF file.
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
    void LoadFromStream(tk::TStream& stream) override;
    void SetTransparent(bool transparent) override;

private:
    TJvGIFImage image_;
    TJvGIFComposer composer_{image_};
    tk::TBitmap bitmap_;
    int bitmapIndex_ = -1; // the frame bitmap_ shows
};

// The clipboard format other programs put GIF files on the clipboard under.
UINT GIFImageClipboardFormat();
// Lets pictures (TPicture) be made from that format; called at program start.
void RegisterGIFImageFormat();
