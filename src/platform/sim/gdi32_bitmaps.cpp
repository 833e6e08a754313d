// Block transfers with raster operations (PatBlt, BitBlt, StretchBlt), and
// device-independent bitmaps in and out (GetDIBits, SetDIBits,
// SetDIBitsToDevice, StretchDIBits).
#include "platform/sim/gdi32_internal.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace sim::detail;

namespace {

// A ternary raster operation: bit i of the code's third byte is the result
// for pattern bit (i & 4), source bit (i & 2) and destination bit (i & 1).
std::uint32_t applyRop(DWORD rop, std::uint32_t P, std::uint32_t S, std::uint32_t D) {
    unsigned table = (rop >> 16) & 0xFF;
    switch (table) {
    case 0xCC:
        return S;
    case 0xF0:
        return P;
    }
    std::uint32_t result = 0;
    for (unsigned i = 0; i < 8; ++i)
        if ((table >> i) & 1)
            result |= ((i & 4) ? P : ~P) & ((i & 2) ? S : ~S) & ((i & 1) ? D : ~D);
    return result;
}

bool usesSource(DWORD rop) {
    return (((rop >> 2) ^ rop) & 0x330000) != 0;
}
bool usesPattern(DWORD rop) {
    return (((rop >> 4) ^ rop) & 0x0F0000) != 0;
}

// The source of a transfer: a copy of the pixels it reads (so that a
// transfer within one bitmap reads what was there before it began).
struct Source {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // top row first
    std::vector<std::uint8_t> present; // 0 where the source lies outside its bitmap
    bool mono = false;
    COLORREF bkColor = 0; // the source DC's: colour -> monochrome turns it white
};

// Reads the device rectangle `r` of a painter's surface.
Source sourceFrom(Painter& p, const RECT& r) {
    Source s;
    s.width = std::max<LONG>(r.right - r.left, 0);
    s.height = std::max<LONG>(r.bottom - r.top, 0);
    s.mono = p.mono();
    s.bkColor = p.attributes().bkColor;
    s.pixels.assign(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height), 0);
    s.present.assign(s.pixels.size(), 0);
    GdiObject* surface = p.surface();
    if (!surface)
        return s;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            int sx = r.left + x, sy = r.top + y;
            if (sx < 0 || sy < 0 || sx >= surface->width || sy >= surface->height)
                continue;
            std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) +
                            static_cast<std::size_t>(x);
            s.pixels[i] = pixelAt(*surface, sx, sy);
            s.present[i] = 1;
        }
    return s;
}

// The source value as the destination sees it.
std::uint32_t convert(const Source& s, std::uint32_t value, Painter& dst) {
    if (s.mono && !dst.mono())
        return pixelRGB((value & 0xFFFFFF) ? dst.attributes().bkColor : dst.attributes().textColor);
    if (!s.mono && dst.mono())
        return (value & 0xFFFFFF) == pixelRGB(s.bkColor) ? 0xFFFFFF : 0;
    return value;
}

// Transfers `src` (or only the pattern when null) onto the device rectangle
// `d` of `dst`; widths and heights of opposite signs mirror.
void transfer(Painter& dst, int dx, int dy, int dw, int dh, const Source* src, int sw, int sh,
              DWORD rop) {
    if (dw == 0 || dh == 0 || !dst.surface())
        return;
    bool mirrorX = (dw < 0) != (sw < 0);
    bool mirrorY = (dh < 0) != (sh < 0);
    RECT area{std::min(dx, dx + dw), std::min(dy, dy + dh), std::max(dx, dx + dw),
              std::max(dy, dy + dh)};
    long long aw = area.right - area.left, ah = area.bottom - area.top;
    long long asw = src ? std::abs(sw) : 0, ash = src ? std::abs(sh) : 0;
    GdiObject* brush = dst.brush();
    bool pattern = usesPattern(rop);
    bool mono = dst.mono();
    for (const auto& part : dst.visibleParts(area))
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x) {
                std::uint32_t S = 0, P = 0;
                if (src) {
                    long long i = x - area.left, j = y - area.top;
                    long long u = (2 * i + 1) * asw / (2 * aw);
                    long long v = (2 * j + 1) * ash / (2 * ah);
                    if (mirrorX)
                        u = asw - 1 - u;
                    if (mirrorY)
                        v = ash - 1 - v;
                    std::size_t k = static_cast<std::size_t>(v * src->width + u);
                    if (!src->present[k])
                        continue;
                    S = convert(*src, src->pixels[k], dst);
                }
                if (pattern && !dst.brushPixel(brush, x, y, P))
                    P = 0; // a null brush paints black into the operation
                std::uint32_t& D = pixelAt(*dst.surface(), x, y);
                std::uint32_t result = applyRop(rop, P, S, D);
                if (mono)
                    result = (result & 1) ? 0xFFFFFF : 0;
                D = result;
            }
}

struct DibLayout {
    int width = 0;
    int height = 0; // rows, whatever the order
    bool topDown = false;
    unsigned bits = 0;
    std::size_t stride = 0;
    std::size_t colors = 0;
};

bool layoutOf(const BITMAPINFOHEADER& h, DibLayout& out) {
    if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 0x8000 ||
        h.biHeight > 0x8000 || h.biHeight < -0x8000 || h.biPlanes > 1)
        return false;
    unsigned bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (h.biCompression != BI_RGB &&
        !(h.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32)))
        return false;
    out.width = h.biWidth;
    out.topDown = h.biHeight < 0;
    out.height = out.topDown ? -h.biHeight : h.biHeight;
    out.bits = bits;
    out.stride = ((static_cast<std::size_t>(out.width) * bits + 31) / 32) * 4;
    out.colors =
        bits <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << bits) ? h.biClrUsed : 1u << bits) : 0;
    return true;
}

unsigned shiftOf(DWORD mask) {
    unsigned s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

std::uint8_t channel(DWORD value, DWORD mask) {
    if (!mask)
        return 0;
    DWORD v = (value & mask) >> shiftOf(mask);
    DWORD max = mask >> shiftOf(mask);
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
}

} // namespace

namespace sim::detail {

std::size_t dibColorBytes(const BITMAPINFOHEADER& header) {
    DibLayout layout;
    if (!layoutOf(header, layout))
        return 0;
    std::size_t masks = header.biCompression == BI_BITFIELDS && header.biSize == 40 ? 12 : 0;
    return masks + layout.colors * 4;
}

std::size_t plainDibInfo(const void* source, std::size_t size, std::vector<std::uint32_t>& out) {
    BITMAPINFOHEADER h;
    if (!source || size < sizeof h)
        return 0;
    std::memcpy(&h, source, sizeof h);
    DibLayout l;
    if (h.biSize > size || !layoutOf(h, l))
        return 0;
    auto* bytes = static_cast<const std::uint8_t*>(source);
    std::size_t masks = h.biCompression == BI_BITFIELDS ? 12 : 0;
    std::size_t colorsAt = h.biSize + (h.biSize == 40 ? masks : 0);
    if (h.biSize < 40 + masks && h.biSize != 40)
        return 0; // a larger header too short for its masks
    if (colorsAt > size || l.colors * 4 > size - colorsAt)
        return 0;
    out.assign((40 + masks + l.colors * 4) / 4, 0);
    auto* target = reinterpret_cast<std::uint8_t*>(out.data());
    std::memcpy(target, bytes, 40);
    std::memcpy(target + 40, bytes + 40, masks); // after a plain header, or inside a larger one
    std::memcpy(target + 40 + masks, bytes + colorsAt, l.colors * 4);
    reinterpret_cast<BITMAPINFOHEADER*>(target)->biSize = 40;
    return colorsAt + l.colors * 4;
}

bool decodeDib(const BITMAPINFO* info, const void* bits, std::size_t available, int& width,
               int& height, std::vector<std::uint32_t>& pixels) {
    if (!info || !bits)
        return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    DibLayout l;
    if (!layoutOf(h, l))
        return false;
    if (available != std::numeric_limits<std::size_t>::max() &&
        available / l.stride < static_cast<std::size_t>(l.height))
        return false;
    auto* table = reinterpret_cast<const std::uint8_t*>(info) + h.biSize;
    DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (l.bits == 32)
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (h.biCompression == BI_BITFIELDS) {
        std::memcpy(masks, table, sizeof masks); // after a 40-byte header, or inside a larger one
        if (h.biSize > 40)
            std::memcpy(masks, reinterpret_cast<const std::uint8_t*>(info) + 40, sizeof masks);
        table += h.biSize == 40 ? 12 : 0;
    }
    width = l.width;
    height = l.height;
    pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    auto* data = static_cast<const std::uint8_t*>(bits);
    for (int row = 0; row < height; ++row) {
        int source = l.topDown ? row : height - 1 - row;
        const std::uint8_t* line = data + l.stride * static_cast<std::size_t>(source);
        std::uint32_t* out =
            &pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width)];
        for (int x = 0; x < width; ++x) {
            switch (l.bits) {
            case 32: {
                DWORD v;
                std::memcpy(&v, line + 4 * x, 4);
                if (h.biCompression == BI_BITFIELDS)
                    out[x] = (static_cast<std::uint32_t>(channel(v, masks[0])) << 16) |
                             (static_cast<std::uint32_t>(channel(v, masks[1])) << 8) |
                             channel(v, masks[2]);
                else
                    out[x] = v; // alpha stays on top
                break;
            }
            case 24:
                out[x] = line[3 * x] | (static_cast<std::uint32_t>(line[3 * x + 1]) << 8) |
                         (static_cast<std::uint32_t>(line[3 * x + 2]) << 16);
                break;
            case 16: {
                DWORD v = line[2 * x] | (static_cast<DWORD>(line[2 * x + 1]) << 8);
                out[x] = (static_cast<std::uint32_t>(channel(v, masks[0])) << 16) |
                         (static_cast<std::uint32_t>(channel(v, masks[1])) << 8) |
                         channel(v, masks[2]);
                break;
            }
            default: {
                std::size_t bit = static_cast<std::size_t>(x) * l.bits;
                unsigned index = (line[bit / 8] >> (8 - l.bits - bit % 8)) & ((1u << l.bits) - 1);
                const std::uint8_t* q = table + 4 * std::min<std::size_t>(index, l.colors - 1);
                out[x] = q[0] | (static_cast<std::uint32_t>(q[1]) << 8) |
                         (static_cast<std::uint32_t>(q[2]) << 16);
            }
            }
        }
    }
    return true;
}

} // namespace sim::detail

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || usesSource(rop))
        return FALSE;
    POINT d = p.toDevice(x, y);
    transfer(p, d.x, d.y, width, height, nullptr, 0, 0, rop);
    return TRUE;
}

BOOL StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return FALSE;
    POINT d = p.toDevice(x, y);
    if (!usesSource(rop)) {
        transfer(p, d.x, d.y, width, height, nullptr, 0, 0, rop);
        return TRUE;
    }
    Painter s(source);
    if (!s.valid() || sourceWidth == 0 || sourceHeight == 0)
        return FALSE;
    POINT o = s.toDevice(sourceX, sourceY);
    RECT r{std::min(o.x, o.x + sourceWidth), std::min(o.y, o.y + sourceHeight),
           std::max(o.x, o.x + sourceWidth), std::max(o.y, o.y + sourceHeight)};
    Source copy = sourceFrom(s, r);
    transfer(p, d.x, d.y, width, height, &copy, sourceWidth, sourceHeight, rop);
    return TRUE;
}

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
    return StretchBlt(dc, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage) {
    auto guard = lock();
    auto* object = findBitmap(bitmap);
    if (!object || !info || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < 40) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount == 0) { // describe the bitmap only
        h.biWidth = object->width;
        h.biHeight = object->height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(object->bitsPixel);
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(
            ((static_cast<std::size_t>(object->width) * h.biBitCount + 31) / 32) * 4 *
            static_cast<std::size_t>(object->height));
        h.biClrUsed = h.biClrImportant = 0;
        return object->height;
    }
    unsigned depth = h.biBitCount;
    if ((depth != 1 && depth != 24 && depth != 32) || h.biCompression != BI_RGB) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    bool topDown = h.biHeight < 0;
    h.biWidth = object->width;
    h.biHeight = topDown ? -object->height : object->height;
    h.biPlanes = 1;
    std::size_t stride = ((static_cast<std::size_t>(object->width) * depth + 31) / 32) * 4;
    h.biSizeImage = static_cast<DWORD>(stride * static_cast<std::size_t>(object->height));
    if (depth == 1) {
        h.biClrUsed = 0;
        info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
        (&info->bmiColors[0])[1] = RGBQUAD{255, 255, 255, 0};
    }
    if (!bits)
        return object->height;
    if (start >= static_cast<UINT>(object->height))
        return 0;
    lines = std::min<UINT>(lines, static_cast<UINT>(object->height) - start);
    auto* out = static_cast<std::uint8_t*>(bits);
    for (UINT k = 0; k < lines; ++k) {
        UINT scan = start + k;
        int row = topDown ? static_cast<int>(scan) : object->height - 1 - static_cast<int>(scan);
        std::uint8_t* line = out + stride * k;
        std::memset(line, 0, stride);
        for (int x = 0; x < object->width; ++x) {
            std::uint32_t v = pixelAt(*object, x, row);
            if (depth == 32)
                std::memcpy(line + 4 * x, &v, 4);
            else if (depth == 24) {
                line[3 * x] = static_cast<std::uint8_t>(v);
                line[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                line[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
            } else if (monoOf(colorOf(v & 0xFFFFFF))) {
                line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return static_cast<int>(lines);
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
    auto guard = lock();
    auto* object = findBitmap(bitmap);
    if (!object || !info || !bits || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DibLayout l;
    if (!layoutOf(info->bmiHeader, l))
        return 0;
    if (start >= static_cast<UINT>(l.height))
        return 0;
    lines = std::min<UINT>(lines, static_cast<UINT>(l.height) - start);
    // Decode the band of `lines` scans that `bits` holds.
    std::vector<std::uint32_t> band;
    if (!plainDibInfo(info, std::numeric_limits<std::size_t>::max(), band))
        return 0;
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(band.data());
    header->biHeight = l.topDown ? -static_cast<LONG>(lines) : static_cast<LONG>(lines);
    int w = 0, h = 0;
    std::vector<std::uint32_t> pixels;
    if (!decodeDib(reinterpret_cast<const BITMAPINFO*>(band.data()), bits,
                   std::numeric_limits<std::size_t>::max(), w, h, pixels))
        return 0;
    for (int k = 0; k < h; ++k) {
        // Row k of the band (top first) is scan start + k top-down, or
        // start + lines - 1 - k counted from the bottom.
        int scan = static_cast<int>(start) + (l.topDown ? k : h - 1 - k);
        int row = l.topDown ? scan : object->height - 1 - scan;
        if (row < 0 || row >= object->height)
            continue;
        for (int x = 0; x < std::min(w, object->width); ++x) {
            std::uint32_t v = pixels[static_cast<std::size_t>(k * w + x)];
            pixelAt(*object, x, row) = object->bitsPixel == 1 ? monoOf(colorOf(v & 0xFFFFFF)) : v;
        }
    }
    return h;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const void* bits, const BITMAPINFO* info,
                  UINT usage, DWORD rop) {
    auto guard = lock();
    Painter p(dc);
    int w = 0, h = 0;
    std::vector<std::uint32_t> pixels;
    if (!p.valid() || usage != DIB_RGB_COLORS ||
        !decodeDib(info, bits, std::numeric_limits<std::size_t>::max(), w, h, pixels))
        return 0;
    // A bottom-up DIB counts its source rectangle from the bottom-left corner.
    int top = info->bmiHeader.biHeight > 0 ? h - sourceY - sourceHeight : sourceY;
    Source s;
    s.width = std::abs(sourceWidth);
    s.height = std::abs(sourceHeight);
    s.pixels.assign(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height), 0);
    s.present.assign(s.pixels.size(), 0);
    int left = std::min(sourceX, sourceX + sourceWidth);
    top = std::min(top, top + sourceHeight);
    for (int j = 0; j < s.height; ++j)
        for (int i = 0; i < s.width; ++i) {
            int sx = left + i, sy = top + j;
            if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                continue;
            std::size_t k = static_cast<std::size_t>(j * s.width + i);
            s.pixels[k] = pixels[static_cast<std::size_t>(sy * w + sx)];
            s.present[k] = 1;
        }
    if (p.mono()) { // a DIB meets a monochrome surface through its colours
        s.mono = false;
        s.bkColor = RGB(255, 255, 255);
        for (auto& v : s.pixels)
            v = monoOf(colorOf(v & 0xFFFFFF)) ? 0xFFFFFF : 0;
    }
    POINT d = p.toDevice(x, y);
    transfer(p, d.x, d.y, width, height, &s, sourceWidth, sourceHeight, rop);
    return std::abs(sourceHeight);
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
                      UINT usage) {
    if (!info || startScan != 0 || lines < static_cast<UINT>(std::abs(info->bmiHeader.biHeight))) {
        SetLastError(ERROR_INVALID_PARAMETER); // bands are not drawn here
        return 0;
    }
    int w = static_cast<int>(width), h = static_cast<int>(height);
    return StretchDIBits(dc, x, y, w, h, sourceX, sourceY, w, h, bits, info, usage, SRCCOPY)
               ? static_cast<int>(lines)
               : 0;
}
