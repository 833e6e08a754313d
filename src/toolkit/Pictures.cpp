// The graphics: bitmaps (DIB sections, with the decoding of packed DIBs and
// .bmp files), icons, metafiles and the picture that holds any of them.
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tk {

namespace {

// A memory context of its own for the canvas of a bitmap: the bitmap is
// selected into it while the canvas is in use, and let go by Dormant.
class TBitmapCanvas : public TCanvas {
public:
    ~TBitmapCanvas() override { Detach(); }

    void Attach(HBITMAP bitmap) {
        if (!dc_) {
            dc_.Reset(CreateCompatibleDC(nullptr));
            if (!dc_)
                throw EOutOfMemory("Out of system resources");
            SetHandle(dc_.Get());
        }
        if (bitmap == selected_)
            return;
        Unselect();
        if (bitmap) {
            bitmap_.emplace(dc_.Get(), bitmap);
            selected_ = bitmap;
        }
    }

    // The bitmap leaves the context, which stays for the next one.
    void Unselect() {
        DeselectAll();
        bitmap_.reset();
        selected_ = nullptr;
    }

    void Detach() {
        if (!dc_)
            return;
        Unselect();
        SetHandle(nullptr);
        dc_.Reset();
    }

private:
    TMemoryDC dc_;
    std::optional<TSelectedObject> bitmap_; // the bitmap selected into dc_
    HBITMAP selected_ = nullptr;
};

// Draws `source` (a context holding a width x height picture) over `rect`,
// leaving out the pixels of `transparent`: a monochrome mask made from the
// source, then the classic invert-and-mask sequence, which only writes to
// the target.
void drawTransparent(HDC target, const RECT& rect, HDC source, int width, int height,
                     COLORREF transparent) {
    TMemoryDC maskDC(CreateCompatibleDC(nullptr));
    TGdiObject<HBITMAP> mask(CreateBitmap(width, height, 1, 1, nullptr));
    TSelectedObject maskSelected(maskDC.Get(), mask.Get());
    COLORREF oldSourceBk = SetBkColor(source, transparent);
    BitBlt(maskDC.Get(), 0, 0, width, height, source, 0, 0, SRCCOPY); // 1 where transparent
    SetBkColor(source, oldSourceBk);

    COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
    COLORREF oldBk = SetBkColor(target, RGB(255, 255, 255));
    int oldMode = SetStretchBltMode(target, COLORONCOLOR);
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    StretchBlt(target, rect.left, rect.top, w, h, source, 0, 0, width, height, SRCINVERT);
    StretchBlt(target, rect.left, rect.top, w, h, maskDC.Get(), 0, 0, width, height, SRCAND);
    StretchBlt(target, rect.left, rect.top, w, h, source, 0, 0, width, height, SRCINVERT);
    SetStretchBltMode(target, oldMode);
    SetBkColor(target, oldBk);
    SetTextColor(target, oldText);
}

TPixelFormat formatOfDepth(int bits) {
    switch (bits) {
    case 1:
        return TPixelFormat::pf1bit;
    case 4:
        return TPixelFormat::pf4bit;
    case 8:
        return TPixelFormat::pf8bit;
    case 24:
        return TPixelFormat::pf24bit;
    case 32:
        return TPixelFormat::pf32bit;
    default:
        return TPixelFormat::pfDevice;
    }
}

// The bytes a DIB needs after its header: masks, colour table, pixel rows.
bool dibSizes(const BITMAPINFOHEADER& h, std::size_t& colorBytes, std::size_t& bitsBytes) {
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biWidth > 0x8000 || h.biHeight > 0x8000 || h.biHeight < -0x8000 || h.biPlanes > 1)
        return false;
    unsigned bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (h.biCompression != BI_RGB &&
        !(h.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)))
        return false;
    std::size_t colors =
        bits <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << bits) ? h.biClrUsed : (1u << bits)) : 0;
    std::size_t masks = h.biCompression == BI_BITFIELDS && h.biSize == 40 ? 12 : 0;
    colorBytes = masks + colors * 4;
    std::size_t height = static_cast<std::size_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    bitsBytes = ((static_cast<std::size_t>(h.biWidth) * bits + 31) / 32) * 4 * height;
    return true;
}

std::map<UINT, TPicture::Factory>& pictureFormats() {
    static std::map<UINT, TPicture::Factory> formats = {
        {CF_BITMAP,
         [] {
             return std::unique_ptr<TGraphic>(new TBitmap);
         }},
        {CF_METAFILEPICT,
         [] {
             return std::unique_ptr<TGraphic>(new TMetafile);
         }},
        {CF_ENHMETAFILE,
         [] {
             return std::unique_ptr<TGraphic>(new TMetafile);
         }},
    };
    return formats;
}

} // namespace

// ---------------------------------------------------------------------- graphic

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::LoadFromStream(TStream&) {
    throw EInvalidGraphic("Unsupported stream format");
}

void TGraphic::SetTransparent(bool transparent) {
    if (transparent == transparent_)
        return;
    transparent_ = transparent;
    Changed();
}

void TGraphic::Changed() {
    if (OnChange)
        OnChange();
}

// ----------------------------------------------------------------------- bitmap

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    canvas_.reset();
    Release();
}

void TBitmap::Release() {
    if (canvas_)
        static_cast<TBitmapCanvas&>(*canvas_).Unselect();
    handle_.Reset();
    bits_ = nullptr;
    width_ = height_ = 0;
}

// A new top-down 32-bit DIB section, white (alpha 0), selected into the
// canvas when the canvas is in use.
void TBitmap::Create(int width, int height) {
    Release();
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TGdiObject<HBITMAP> handle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!handle || !bits)
        throw EOutOfMemory(Format("Cannot make a bitmap of %d x %d pixels", width, height));
    handle_ = std::move(handle);
    bits_ = bits;
    width_ = width;
    height_ = height;
    std::fill_n(static_cast<std::uint32_t*>(bits_),
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0x00FFFFFFu);
    if (canvas_ && canvas_->Handle()) // a canvas in use goes on with the new bitmap
        static_cast<TBitmapCanvas&>(*canvas_).Attach(handle_.Get());
}

void TBitmap::SetSize(int width, int height) {
    Create(width, height);
    pixelFormat_ = TPixelFormat::pf32bit;
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_)
        canvas_ = std::make_unique<TBitmapCanvas>();
    static_cast<TBitmapCanvas&>(*canvas_).Attach(handle_.Get());
    return *canvas_;
}

void TBitmap::Dormant() {
    if (canvas_)
        static_cast<TBitmapCanvas&>(*canvas_).Detach();
}

std::uint32_t* TBitmap::ScanLine(int row) {
    if (!bits_ || row < 0 || row >= height_)
        throw EInvalidGraphic(Format("Scan line index out of range: %d", row));
    GdiFlush(); // drawing may still be queued on Windows
    return static_cast<std::uint32_t*>(bits_) + static_cast<std::size_t>(row) * width_;
}

TColor TBitmap::TransparentColor() const {
    if (transparentColor_ != clDefault || !bits_)
        return transparentColor_;
    GdiFlush();
    std::uint32_t pixel =
        static_cast<const std::uint32_t*>(bits_)[static_cast<std::size_t>(height_ - 1) * width_];
    return static_cast<TColor>(((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16));
}

void TBitmap::Draw(TCanvas& canvas, const RECT& rect) {
    if (Empty())
        return;
    HDC target = canvas.Handle();
    if (!target)
        throw EInvalidGraphic("Canvas does not allow drawing");
    HDC source = Canvas().Handle();
    if (transparent_) {
        drawTransparent(target, rect, source, width_, height_, ColorToRGB(TransparentColor()));
        return;
    }
    int oldMode = SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source,
               0, 0, width_, height_, SRCCOPY);
    SetStretchBltMode(target, oldMode);
}

void TBitmap::LoadFromDIB(const BITMAPINFO* info, const void* bits) {
    std::size_t colorBytes = 0, bitsBytes = 0;
    if (!info || !bits || !dibSizes(info->bmiHeader, colorBytes, bitsBytes))
        throw EInvalidGraphic("Bitmap image is not valid");
    LoadFromDIB(info, bits, bitsBytes);
}

void TBitmap::LoadFromDIB(const BITMAPINFO* info, const void* bits, std::size_t available) {
    std::size_t colorBytes = 0, bitsBytes = 0;
    if (!info || !bits || !dibSizes(info->bmiHeader, colorBytes, bitsBytes) ||
        available < bitsBytes)
        throw EInvalidGraphic("Bitmap image is not valid");
    const BITMAPINFOHEADER& h = info->bmiHeader;
    int width = h.biWidth;
    int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    Create(width, height);
    HDC dc = Canvas().Handle();
    if (StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, bits, info, DIB_RGB_COLORS,
                      SRCCOPY) == 0)
        throw EInvalidGraphic("Bitmap image is not valid");
    pixelFormat_ = formatOfDepth(h.biBitCount);
    Changed();
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
    if (format == CF_DIB || format == CF_DIBV5) {
        TGlobalLock<const std::uint8_t> block(data);
        if (!block)
            throw EInvalidGraphic("Bitmap image is not valid");
        const std::uint8_t* bytes = block.Get();
        std::size_t size = block.Size();
        BITMAPINFOHEADER header{};
        std::size_t colorBytes = 0, bitsBytes = 0;
        if (size >= sizeof header)
            std::memcpy(&header, bytes, sizeof header);
        if (size < sizeof header || !dibSizes(header, colorBytes, bitsBytes) ||
            header.biSize > size || colorBytes > size - header.biSize)
            throw EInvalidGraphic("Bitmap image is not valid");
        std::size_t offset = header.biSize + colorBytes;
        // The header is copied out: a larger header (DIBV5) ends in fields
        // the drawing functions need not see, and the block may be unaligned.
        std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + colorBytes);
        std::memcpy(info.data(), bytes, sizeof(BITMAPINFOHEADER));
        std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), bytes + header.biSize, colorBytes);
        reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biSize = sizeof(BITMAPINFOHEADER);
        if (header.biSize > sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS)
            std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), bytes + sizeof(BITMAPINFOHEADER),
                        12); // the masks, inside the larger header
        LoadFromDIB(reinterpret_cast<const BITMAPINFO*>(info.data()), bytes + offset,
                    size - offset);
        return;
    }
    if (format != CF_BITMAP)
        throw EInvalidGraphic("Unsupported clipboard format");
    BITMAP info{};
    if (!data || GetObjectA(data, sizeof info, &info) == 0 || info.bmWidth <= 0 ||
        info.bmHeight <= 0)
        throw EInvalidGraphic("Bitmap image is not valid");
    Create(info.bmWidth, info.bmHeight);
    BOOL copied;
    bool selected;
    {
        TMemoryDC source(CreateCompatibleDC(nullptr));
        TSelectedObject bitmap(source.Get(), data);
        std::optional<TSelectedPalette> realized;
        if (palette) {
            realized.emplace(source.Get(), palette);
            RealizePalette(source.Get());
        }
        HDC target = Canvas().Handle();
        // A monochrome bitmap paints its 0 bits black and its 1 bits white.
        SetTextColor(target, RGB(0, 0, 0));
        SetBkColor(target, RGB(255, 255, 255));
        copied = BitBlt(target, 0, 0, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
        selected = bitmap.Selected();
    }
    if (!copied || !selected)
        throw EInvalidGraphic("Bitmap image is not valid");
    pixelFormat_ = formatOfDepth(info.bmBitsPixel);
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
    BITMAPFILEHEADER file{};
    stream.ReadBuffer(&file, sizeof file);
    if (file.bfType != 0x4D42)
        throw EInvalidGraphic("Bitmap image is not valid");
    // The rest of the file: its size from the header when sensible, else
    // what the stream holds.
    std::int64_t rest = stream.Size() - stream.Position();
    if (file.bfSize > sizeof file && static_cast<std::int64_t>(file.bfSize - sizeof file) <= rest)
        rest = file.bfSize - sizeof file;
    if (rest < static_cast<std::int64_t>(sizeof(BITMAPINFOHEADER)) || rest > (1ll << 31))
        throw EInvalidGraphic("Bitmap image is not valid");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rest));
    stream.ReadBuffer(bytes.data(), bytes.size());
    BITMAPINFOHEADER header{};
    std::memcpy(&header, bytes.data(), sizeof header);
    std::size_t colorBytes = 0, bitsBytes = 0;
    if (!dibSizes(header, colorBytes, bitsBytes) || header.biSize > bytes.size() ||
        colorBytes > bytes.size() - header.biSize)
        throw EInvalidGraphic("Bitmap image is not valid");
    std::size_t offset = header.biSize + colorBytes;
    if (file.bfOffBits >= sizeof file + offset && file.bfOffBits - sizeof file <= bytes.size())
        offset = file.bfOffBits - sizeof file;
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + colorBytes);
    std::memcpy(info.data(), bytes.data(), sizeof(BITMAPINFOHEADER));
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), bytes.data() + header.biSize, colorBytes);
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biSize = sizeof(BITMAPINFOHEADER);
    LoadFromDIB(reinterpret_cast<const BITMAPINFO*>(info.data()), bytes.data() + offset,
                bytes.size() - offset);
}

void TBitmap::SaveToStream(TStream& stream) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    std::size_t rowBytes = static_cast<std::size_t>(width_) * 4;
    std::size_t pixels = rowBytes * static_cast<std::size_t>(height_);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels);
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels);
    stream.WriteBuffer(&file, sizeof file);
    stream.WriteBuffer(&info, sizeof info);
    for (int row = height_ - 1; row >= 0; --row)
        stream.WriteBuffer(ScanLine(row), rowBytes);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    TGdiObject<HBITMAP> loaded(static_cast<HBITMAP>(
        LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!loaded)
        throw EResNotFound(Format("Resource %s not found", name.c_str()));
    LoadFromClipboardFormat(CF_BITMAP, loaded.Get(), nullptr);
}

void TBitmap::Assign(const TBitmap& source) {
    if (&source == this)
        return;
    Create(source.width_, source.height_);
    if (handle_) {
        GdiFlush();
        std::memcpy(bits_, source.bits_,
                    static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
    }
    pixelFormat_ = source.pixelFormat_;
    transparentColor_ = source.transparentColor_;
    transparent_ = source.transparent_;
    Changed();
}

// ------------------------------------------------------------------------- icon

int TIcon::Width() const {
    return handle_ ? width_ : 0;
}

int TIcon::Height() const {
    return handle_ ? height_ : 0;
}

void TIcon::Draw(TCanvas& canvas, const RECT& rect) {
    if (!handle_)
        return;
    HDC dc = canvas.Handle();
    if (!dc)
        throw EInvalidGraphic("Canvas does not allow drawing");
    DrawIconEx(dc, rect.left, rect.top, handle_, 0, 0, 0, nullptr, DI_NORMAL);
}

void TIcon::SetHandle(HICON icon, bool owned) {
    if (owned_.Get() != icon)
        owned_.Reset(owned ? icon : nullptr); // an icon owned before goes
    else if (!owned)
        owned_.Detach();
    handle_ = icon;
    width_ = height_ = 32;
    ICONINFO info{};
    if (icon && GetIconInfo(icon, &info)) {
        // The icon's bitmaps are copies made for the caller.
        TGdiObject<HBITMAP> color(info.hbmColor), mask(info.hbmMask);
        BITMAP bitmap{};
        if (color && GetObjectA(color.Get(), sizeof bitmap, &bitmap)) {
            width_ = bitmap.bmWidth;
            height_ = bitmap.bmHeight;
        } else if (mask && GetObjectA(mask.Get(), sizeof bitmap, &bitmap)) {
            width_ = bitmap.bmWidth;
            height_ = bitmap.bmHeight / 2; // AND and XOR masks one above the other
        }
    }
    Changed();
}

void TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    auto icon = static_cast<HICON>(LoadImageA(instance, name.c_str(), IMAGE_ICON, 32, 32, 0));
    if (!icon)
        throw EResNotFound(Format("Resource %s not found", name.c_str()));
    SetHandle(icon, true);
}

void TIcon::Assign(const TIcon& source) {
    if (&source == this)
        return;
    SetHandle(source.handle_ ? CopyIcon(source.handle_) : nullptr, true);
}

// --------------------------------------------------------------------- metafile

void TMetafile::Draw(TCanvas& canvas, const RECT& rect) {
    if (!handle_)
        return;
    HDC dc = canvas.Handle();
    if (!dc)
        throw EInvalidGraphic("Canvas does not allow drawing");
    PlayEnhMetaFile(dc, handle_.Get(), &rect);
}

void TMetafile::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE) {
    TEnhMetafileHandle loaded;
    int width = 0, height = 0;
    if (format == CF_ENHMETAFILE) {
        if (data)
            loaded.Reset(CopyEnhMetaFileA(static_cast<HENHMETAFILE>(data), nullptr));
    } else if (format == CF_METAFILEPICT) {
        TGlobalLock<const METAFILEPICT> picture(data);
        if (picture && picture.Size() >= sizeof(METAFILEPICT)) {
            METAFILEPICT copy = *picture.Get();
            UINT size = copy.hMF ? GetMetaFileBitsEx(copy.hMF, 0, nullptr) : 0;
            if (size) {
                std::vector<BYTE> bits(size);
                if (GetMetaFileBitsEx(copy.hMF, size, bits.data()) == size)
                    loaded.Reset(SetWinMetaFileBits(size, bits.data(), nullptr, &copy));
            }
            // The picture's extents, in hundredths of a millimetre, give its size.
            if ((copy.mm == MM_ANISOTROPIC || copy.mm == MM_ISOTROPIC) && copy.xExt > 0 &&
                copy.yExt > 0) {
                width = MulDivRound(copy.xExt, 96, 2540);
                height = MulDivRound(copy.yExt, 96, 2540);
            }
        }
    } else {
        throw EInvalidGraphic("Unsupported clipboard format");
    }
    if (!loaded)
        throw EInvalidGraphic("Metafile is not valid");
    if (width == 0 || height == 0) {
        ENHMETAHEADER header{};
        if (GetEnhMetaFileHeader(loaded.Get(), sizeof header, &header)) {
            LONG frameWidth = header.rclFrame.right - header.rclFrame.left;
            LONG frameHeight = header.rclFrame.bottom - header.rclFrame.top;
            if (frameWidth > 0 && frameHeight > 0 && header.szlMillimeters.cx > 0 &&
                header.szlMillimeters.cy > 0) {
                width =
                    MulDivRound(frameWidth, header.szlDevice.cx, header.szlMillimeters.cx * 100);
                height =
                    MulDivRound(frameHeight, header.szlDevice.cy, header.szlMillimeters.cy * 100);
            } else {
                width = header.rclBounds.right - header.rclBounds.left + 1;
                height = header.rclBounds.bottom - header.rclBounds.top + 1;
            }
        }
    }
    handle_ = std::move(loaded);
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    Changed();
}

// ---------------------------------------------------------------------- picture

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_)
        graphic_->OnChange = [this] {
            if (OnChange)
                OnChange();
        };
    if (OnChange)
        OnChange();
}

void TPicture::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
    auto& formats = pictureFormats();
    auto it = formats.find(format);
    if (it == formats.end())
        throw EInvalidGraphic("Unsupported clipboard format");
    std::unique_ptr<TGraphic> graphic = it->second();
    graphic->LoadFromClipboardFormat(format, data, palette);
    SetGraphic(std::move(graphic));
}

bool TPicture::SupportsClipboardFormat(UINT format) {
    return pictureFormats().count(format) != 0;
}

void TPicture::RegisterClipboardFormat(UINT format, Factory factory) {
    pictureFormats()[format] = std::move(factory);
}

void TPicture::UnregisterClipboardFormat(UINT format) {
    pictureFormats().erase(format);
}

} // namespace tk
