// The inner model of the simulator's GDI: what device contexts, pens,
// brushes, fonts, icons and image lists keep, and the raster helpers that
// every drawing function shares. Only the simulator's own sources include it;
// every helper expects the caller to hold the simulator's lock.
#pragma once

#include "platform/sim/state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim::detail {

// Object kinds of the simulator's own that live among the GDI objects but
// are none (GetObjectType gives 0 for them, DeleteObject refuses them).
constexpr DWORD kObjIcon = 0x101;
constexpr DWORD kObjImageList = 0x102;

// A set of device rectangles; drawing reaches a pixel only inside one of them.
struct ClipRegion {
    bool everywhere = true;
    std::vector<RECT> rects; // disjoint, when not everywhere
    bool contains(int x, int y) const;
    void intersect(const RECT& r);
    void exclude(const RECT& r);
    RECT bounds() const;
};

// What SaveDC keeps and RestoreDC gives back.
struct DcAttributes {
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ palette = nullptr;
    HGDIOBJ bitmap = nullptr;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    UINT textAlign = 0;
    int stretchMode = BLACKONWHITE;
    int rop2 = R2_COPYPEN;
    int mapMode = MM_TEXT;
    POINT position{0, 0};
    POINT windowOrg{0, 0};
    POINT viewportOrg{0, 0};
    POINT brushOrg{0, 0};
    ClipRegion clip;
};

// One glyph cell of the built-in font, after scaling.
struct FontMetrics {
    int scale = 1;
    int cellWidth = 6;
    int cellHeight = 13;
    int ascent = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

struct GdiDetail {
    // Device contexts.
    HWND window = nullptr;    // a window DC draws on this window's surface
    POINT deviceOrigin{0, 0}; // where device (0, 0) lies on the surface
    DcAttributes attributes;
    std::vector<DcAttributes> saved;

    // Pens and brushes: style, colour, width; a pattern brush's pixels.
    UINT style = 0;
    COLORREF color = 0;
    int penWidth = 1;
    int sysColor = -1; // a system colour brush: follows GetSysColor
    int patternWidth = 0;
    int patternHeight = 0;
    std::vector<std::uint32_t> pattern;
    bool monoPattern = false; // 0 paints in the text colour, 1 in the background colour

    // Fonts.
    LOGFONTA font{};

    // Icons: the colour pixels (object.pixels) and the AND mask, 1 where the
    // background stays; 32-bit icons whose alpha is not all zero blend.
    std::vector<std::uint8_t> mask;
    bool alpha = false;
    bool isIcon = true;
    bool shared = false;
    POINT hotspot{0, 0};

    // Image lists: the images side by side in object.pixels (one row of
    // images `cx` wide), their masks in `mask`.
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    int count = 0;
    COLORREF listBkColor = 0xFFFFFFFF;
};

// Objects.
GdiObject* findGdi(HGDIOBJ handle);
GdiObject* findDc(HDC dc);             // null unless a DC (sets ERROR_INVALID_HANDLE)
GdiObject* findBitmap(HGDIOBJ handle); // null unless a bitmap
GdiDetail& detailOf(GdiObject& object);
bool isStockObject(HGDIOBJ handle);
HGDIOBJ defaultBitmap(); // the 1 x 1 monochrome bitmap of a new memory DC
HBITMAP newBitmap(int width, int height, int bitsPixel, std::uint32_t fill);
// The colour a brush paints now (system colour brushes follow the scheme).
COLORREF brushColor(const GdiObject& brush);

// Pixels of a bitmap, whatever its row order.
inline std::uint32_t& pixelAt(GdiObject& bitmap, int x, int y) {
    int row = bitmap.bottomUp ? bitmap.height - 1 - y : y;
    return bitmap.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(bitmap.width) +
                         static_cast<std::size_t>(x)];
}
inline std::uint32_t pixelRGB(COLORREF color) { // COLORREF 0x00BBGGRR -> 0x00RRGGBB
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
inline COLORREF colorOf(std::uint32_t pixel) { // 0x00RRGGBB -> COLORREF
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}
// What a colour becomes on a monochrome bitmap: white when it is light.
std::uint32_t monoOf(COLORREF color);

// Drawing through a DC: logical coordinates in, the clip and the surface
// bounds applied. A painter is made for one call.
class Painter {
public:
    explicit Painter(HDC dc); // invalid when the DC is unknown
    bool valid() const { return dc_ != nullptr; }
    GdiObject& dcObject() { return *dc_; }
    GdiDetail& dc() { return *detail_; }
    DcAttributes& attributes() { return detail_->attributes; }
    GdiObject* surface() { return surface_; }
    bool mono() const { return surface_ && surface_->bitsPixel == 1; }

    POINT toDevice(int x, int y) const;
    RECT toDevice(const RECT& r) const;
    // Whether a device pixel is drawable.
    bool visible(int x, int y) const;
    // The device rectangles where drawing may happen within `area` (device).
    std::vector<RECT> visibleParts(const RECT& area) const;

    // The raw value a colour takes on this surface.
    std::uint32_t raw(COLORREF color) const;
    void plot(int x, int y, COLORREF color); // device coordinates
    void fill(const RECT& area, COLORREF color);
    // Fills with the selected brush, or the given one (device rectangle).
    void fillWithBrush(const RECT& area, HGDIOBJ brush);
    // The brush's value at a device pixel (patterns repeat from the brush origin).
    bool brushPixel(const GdiObject* brush, int x, int y, std::uint32_t& value) const;

    GdiObject* pen();
    GdiObject* brush();
    GdiObject* font();
    FontMetrics fontMetrics();

private:
    GdiObject* dc_ = nullptr;
    GdiDetail* detail_ = nullptr;
    GdiObject* surface_ = nullptr;
};

// The built-in font: the rows of a character's glyph, bit 4 the leftmost
// of five columns, top row = the cell's row 3.
constexpr int kGlyphRows = 9;
constexpr int kGlyphTop = 3;
const std::uint8_t* glyphOf(unsigned char c);
FontMetrics metricsOf(const LOGFONTA& font);
// Draws text in device coordinates with its cell's top-left corner at (x, y).
void drawText(Painter& p, int x, int y, const std::string& text, COLORREF color,
              const std::vector<int>* underlined = nullptr);

// Window surfaces (see Window::surface).
GdiObject* surfaceOf(HWND hwnd); // made or re-made at the client size
COLORREF classBackground(HWND hwnd, bool& has);

// Icons.
HICON newIcon(int width, int height, const std::vector<std::uint32_t>& color,
              const std::vector<std::uint8_t>& mask, bool alpha);
GdiObject* findIcon(HICON icon);
// Draws an icon's pixels scaled to width x height at the device point.
void drawIconPixels(Painter& p, GdiObject& icon, int x, int y, int width, int height, UINT flags);

// Decodes a packed DIB's rows (1, 4, 8, 16, 24 or 32 bits, BI_RGB or
// BI_BITFIELDS) into 0x00RRGGBB pixels, top row first. Alpha bytes of 32-bit
// rows are kept. False when the header is unusable or the bits are too few
// (`available` counts the bytes after the colour table when known).
bool decodeDib(const BITMAPINFO* info, const void* bits, std::size_t available, int& width,
               int& height, std::vector<std::uint32_t>& pixels);
// Copies a DIB's header (made a plain 40-byte one), masks and colour table
// into aligned memory; gives the offset where the colours end in the
// source, 0 when they do not fit in `size` bytes or the header is unusable.
std::size_t plainDibInfo(const void* source, std::size_t size, std::vector<std::uint32_t>& out);
// The bytes of a DIB's colour table and masks, after the header.
std::size_t dibColorBytes(const BITMAPINFOHEADER& header);

} // namespace sim::detail
