#include "gif/GifPicture.h"

#include <cstring>

void GIFPictureToBitmap(const TGIFPicture& picture, bool transparent, tk::TBitmap& bitmap) {
    if (bitmap.Width() != picture.Width || bitmap.Height() != picture.Height)
        bitmap.SetSize(picture.Width, picture.Height);
    for (int y = 0; y < picture.Height; ++y)
        std::memcpy(bitmap.ScanLine(y),
                    picture.Pixels.data() + static_cast<std::size_t>(y) * picture.Width,
                    static_cast<std::size_t>(picture.Width) * sizeof(std::uint32_t));
    const bool clear = transparent && picture.TransparentColor.has_value();
    if (clear)
        bitmap.SetTransparentColor(static_cast<tk::TColor>(*picture.TransparentColor));
    bitmap.SetTransparent(clear);
}

TGIFGraphic::TGIFGraphic() {
    transparent_ = true;
    image_.OnChange = [this](TJvGIFImage&) {
        composer_.Reset();
        bitmapIndex_ = -1;
    };
}

bool TGIFGraphic::Empty() const {
    return image_.Empty() || image_.ScreenWidth() < 1 || image_.ScreenHeight() < 1;
}

void TGIFGraphic::Draw(tk::TCanvas& canvas, const RECT& rect) {
    if (Empty())
        return;
    const int index = image_.FrameIndex();
    if (bitmapIndex_ != index) {
        bitmapIndex_ = -1;
        GIFPictureToBitmap(composer_.Compose(index, tk::ColorToRGB(tk::clWindow), Transparent()),
                           Transparent(), bitmap_);
        bitmapIndex_ = index;
    }
    canvas.StretchDraw(rect, bitmap_);
}

void TGIFGraphic::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE) {
    if (format != GIFImageClipboardFormat())
        throw tk::EInvalidGraphic("Unsupported clipboard format");
    tk::TMemoryStream stream;
    {
        tk::TGlobalLock<const void> bytes(data);
        if (!bytes)
            throw tk::EInvalidGraphic("Cannot read the clipboard's GIF image");
        stream.WriteBuffer(bytes.Get(), bytes.Size());
    }
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TGIFGraphic::LoadFromStream(tk::TStream& stream) {
    try {
        image_.ReadFromStream(stream);
    } catch (...) {
        // What was read so far stays; the picture of the old content goes.
        composer_.Reset();
        bitmapIndex_ = -1;
        throw;
    }
    Changed();
}

void TGIFGraphic::SetTransparent(bool transparent) {
    image_.SetTransparent(transparent);
    composer_.Reset();
    bitmapIndex_ = -1;
    tk::TGraphic::SetTransparent(transparent);
}

UINT GIFImageClipboardFormat() {
    return RegisterClipboardFormatA("GIF Image");
}

void RegisterGIFImageFormat() {
    tk::TPicture::RegisterClipboardFormat(GIFImageClipboardFormat(),
                                          [] { return std::make_unique<TGIFGraphic>(); });
}
