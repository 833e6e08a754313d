// Colours, fonts, pens, brushes, the canvas, and the graphics: bitmap, icon,
// metafile and the picture that holds any of them.
#pragma once

#include "platform/win32.h"
#include "toolkit/Classes.h"
#include "toolkit/Handles.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tk {

// A colour: 0x00BBGGRR, or a system colour 0xFF0000nn (nn = COLOR_* index).
using TColor = std::int32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0xFF000000u | index);
}
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clGradientActiveCaption = SystemColor(27);

constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);

// The RGB value of a colour (system colours through GetSysColor).
COLORREF ColorToRGB(TColor color);

// A picture that cannot be read or made ("Bitmap image is not valid",
// "Unsupported clipboard format", ...).
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
// A resource of the program that is not there ("Resource NAME not found").
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};

class TGraphicsObject {
public:
    virtual ~TGraphicsObject() = default;
    std::function<void()> OnChange;

protected:
    void Changed();
    // Lets a handle go, first letting the canvas that holds it selected let go.
    template <typename H> void ReleaseHandle(TGdiObject<H>& handle) {
        TGdiObject<H> going = std::move(handle);
        if (going && releasing_)
            releasing_();
    }
    // Drops the handle made from the current properties.
    virtual void Release() = 0;
    // Sets a property: when the value differs, the handle made from the old
    // one goes and OnChange is told.
    template <typename T> void ChangeProperty(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        Release();
        Changed();
    }

private:
    friend class TCanvas;
    std::function<void()> releasing_; // set by the canvas that owns the object
};

// A font, pen or brush: the handle made from its properties when first
// needed, and let go when a property changes and when the tool goes.
template <typename H> class TGraphicsTool : public TGraphicsObject {
public:
    TGraphicsTool() = default;
    ~TGraphicsTool() override { Release(); }
    TGraphicsTool(const TGraphicsTool&) = delete;
    TGraphicsTool& operator=(const TGraphicsTool&) = delete;

protected:
    void Release() override { ReleaseHandle(handle_); }
    TGdiObject<H> handle_;
};

enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TFont : public TGraphicsTool<HFONT> {
public:
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    int Height() const { return height_; } // negative: character height in pixels
    void SetHeight(int height);
    int Size() const; // points at 96 pixels per inch
    void SetSize(int points);
    std::uint8_t Style() const { return style_; }
    void SetStyle(std::uint8_t style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    std::uint8_t Charset() const { return charset_; }
    void SetCharset(std::uint8_t charset);
    void Assign(const TFont& source);
    HFONT Handle(); // made on first use, again after a change

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    std::uint8_t style_ = 0;
    TColor color_ = clWindowText;
    std::uint8_t charset_ = DEFAULT_CHARSET;
};

enum class TPenStyle { psSolid, psDash, psDot, psClear };

class TPen : public TGraphicsTool<HPEN> {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    HPEN Handle();

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = TPenStyle::psSolid;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsTool<HBRUSH> {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    HBRUSH Handle();

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = TBrushStyle::bsSolid;
};

class TGraphic;

// Drawing on a device context. The canvas selects its font, pen and brush
// into the context before each operation that uses them. A canvas made with
// a context does not own it; a canvas of a bitmap owns its memory context.
class TCanvas {
public:
    TCanvas() = default;
    explicit TCanvas(HDC dc) : handle_(dc) {}
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return handle_; }
    void SetHandle(HDC dc); // deselects the objects from the previous context

    TFont Font;
    TPen Pen;
    TBrush Brush;

    void FillRect(const RECT& rect);                          // with Brush
    void FrameRect(const RECT& rect);                         // with Brush
    void Rectangle(int left, int top, int right, int bottom); // Pen outline, Brush inside
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polygon(const std::vector<POINT>& points);
    void TextOut(int x, int y, const std::string& text); // Brush.Style bsClear: transparent
    void TextRect(const RECT& clip, int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    int DrawText(const std::string& text, RECT& rect, UINT format); // DrawTextA
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const RECT& rect, TGraphic& graphic);
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect); // SRCCOPY
    COLORREF Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

protected:
    void Select(bool font, bool pen, bool brush);
    // Text in the font's colour, on the brush's colour unless the brush is
    // clear (then transparent); true for a clear brush.
    bool PrepareText();
    // Drawing needs a context: EInvalidGraphic "Canvas does not allow drawing" without one.
    HDC RequireHandle() const;
    // Selects back what the context held before the canvas selected its objects.
    void DeselectAll();

private:
    using TSelection = std::optional<TSelectedObject>;
    template <typename Tool> void SelectTool(HDC dc, Tool& tool, TSelection& selection);
    HDC handle_ = nullptr;
    // The tools selected into the context, each giving back what it replaced.
    TSelection font_;
    TSelection pen_;
    TSelection brush_;
};

// Lends a device context to a canvas for one scope: the canvas draws on it
// until the scope ends, then selects its tools out of it and lets it go,
// also when the drawing throws.
class TCanvasLease {
public:
    TCanvasLease(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
    ~TCanvasLease() { canvas_.SetHandle(nullptr); }
    TCanvasLease(const TCanvasLease&) = delete;
    TCanvasLease& operator=(const TCanvasLease&) = delete;

private:
    TCanvas& canvas_;
};

// Any picture that can draw itself on a canvas.
class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;
    virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
    // Reads a picture from the clipboard data handle of `format`; the
    // palette is the clipboard's CF_PALETTE handle or null.
    virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
    virtual void LoadFromStream(TStream& stream);
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool transparent);
    std::function<void()> OnChange;

protected:
    void Changed();
    bool transparent_ = false;
};

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

// A device-independent bitmap (a DIB section) with a canvas of its own.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return width_ == 0 || height_ == 0; }
    void Draw(TCanvas& canvas, const RECT& rect) override;
    // CF_BITMAP (a bitmap handle, copied), CF_DIB (a packed DIB in a memory block).
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;

    void SetSize(int width, int height); // 32 bits per pixel, content cleared to white
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    // Copies a packed DIB (header, colour table, bits) of 1, 4, 8, 24 or 32 bits.
    void LoadFromDIB(const BITMAPINFO* info, const void* bits);
    // The same with the number of bytes at `bits` checked against the header.
    void LoadFromDIB(const BITMAPINFO* info, const void* bits, std::size_t available);
    // A .bmp file: read from the stream's position; written with 32 bits per
    // pixel, bottom row first.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream);
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);
    void Assign(const TBitmap& source);
    HBITMAP Handle() const { return handle_.Get(); }
    TCanvas& Canvas();
    // Lets the bitmap out of its canvas's memory context, so that the handle
    // can be selected elsewhere (menus, image lists); Canvas() takes it back.
    void Dormant();
    // The pixels of a 32-bit bitmap, 0x00RRGGBB, row 0 at the top.
    std::uint32_t* ScanLine(int row);
    // Transparent drawing leaves out the pixels of this colour (clDefault: the
    // bottom-left pixel's colour).
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color) { transparentColor_ = color; }
    // The storage is always 32 bits per pixel; the format tells what was loaded.
    void SetPixelFormat(TPixelFormat format) { pixelFormat_ = format; }

private:
    void Release();
    void Create(int width, int height);
    TGdiObject<HBITMAP> handle_;
    void* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = TPixelFormat::pf32bit;
    TColor transparentColor_ = clDefault;
    std::unique_ptr<TCanvas> canvas_;
};

class TIcon : public TGraphic {
public:
    TIcon() = default;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    int Width() const override;
    int Height() const override;
    bool Empty() const override { return handle_ == nullptr; }
    void Draw(TCanvas& canvas, const RECT& rect) override; // natural size at the rect's corner
    HICON Handle() const { return handle_; }
    void SetHandle(HICON icon, bool owned = true);
    void LoadFromResourceName(HINSTANCE instance, const std::string& name); // 32 x 32
    void Assign(const TIcon& source);                                       // a copy of the icon

private:
    HICON handle_ = nullptr;
    TIconHandle owned_; // the icon, when it is the object's to destroy
    int width_ = 32;
    int height_ = 32;
};

// An enhanced metafile; also takes a metafile picture (converted).
class TMetafile : public TGraphic {
public:
    TMetafile() = default;
    TMetafile(const TMetafile&) = delete;
    TMetafile& operator=(const TMetafile&) = delete;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return !handle_; }
    void Draw(TCanvas& canvas, const RECT& rect) override;
    // CF_ENHMETAFILE (copied) and CF_METAFILEPICT (converted; its extents give the size).
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
    HENHMETAFILE Handle() const { return handle_.Get(); }

private:
    TEnhMetafileHandle handle_;
    int width_ = 0;
    int height_ = 0;
};

// Holds one graphic of any kind.
class TPicture {
public:
    using Factory = std::function<std::unique_ptr<TGraphic>()>;

    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }
    // Creates the graphic class registered for the format and loads it.
    void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
    std::function<void()> OnChange;

    // The clipboard formats pictures are made from: bitmap, metafile picture
    // and enhanced metafile from the start; more (the GIF image) by registration.
    static bool SupportsClipboardFormat(UINT format);
    static void RegisterClipboardFormat(UINT format, Factory factory);
    static void UnregisterClipboardFormat(UINT format);

private:
    std::unique_ptr<TGraphic> graphic_;
};

} // namespace tk
