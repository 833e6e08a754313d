// Device contexts: of windows (BeginPaint, GetDC, GetWindowDC), which draw on
// the window's surface, and of memory bitmaps; selection, saved states,
// colours and modes, origins and clipping.
#include "platform/sim/gdi32_internal.h"
#include "platform/sim/simulator.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <set>
#include <utility>

using namespace sim::detail;

namespace sim::detail {

// Clip regions ---------------------------------------------------------------

bool ClipRegion::contains(int x, int y) const {
    if (everywhere)
        return true;
    for (const auto& r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

void ClipRegion::intersect(const RECT& r) {
    if (everywhere) {
        everywhere = false;
        rects.clear();
        if (r.left < r.right && r.top < r.bottom)
            rects.push_back(r);
        return;
    }
    std::vector<RECT> out;
    for (const auto& c : rects) {
        RECT i{std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
               std::min(c.bottom, r.bottom)};
        if (i.left < i.right && i.top < i.bottom)
            out.push_back(i);
    }
    rects = std::move(out);
}

void ClipRegion::exclude(const RECT& r) {
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    if (everywhere) {
        everywhere = false;
        rects = {RECT{-0x40000, -0x40000, 0x40000, 0x40000}};
    }
    std::vector<RECT> out;
    for (const auto& c : rects) {
        RECT i{std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
               std::min(c.bottom, r.bottom)};
        if (i.left >= i.right || i.top >= i.bottom) {
            out.push_back(c);
            continue;
        }
        // What is left of c: a band above, a band below, and the two sides between.
        if (c.top < i.top)
            out.push_back(RECT{c.left, c.top, c.right, i.top});
        if (i.bottom < c.bottom)
            out.push_back(RECT{c.left, i.bottom, c.right, c.bottom});
        if (c.left < i.left)
            out.push_back(RECT{c.left, i.top, i.left, i.bottom});
        if (i.right < c.right)
            out.push_back(RECT{i.right, i.top, c.right, i.bottom});
    }
    rects = std::move(out);
}

RECT ClipRegion::bounds() const {
    if (everywhere)
        return RECT{-0x40000, -0x40000, 0x40000, 0x40000};
    if (rects.empty())
        return RECT{0, 0, 0, 0};
    RECT b = rects.front();
    for (const auto& r : rects) {
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

// Window surfaces --------------------------------------------------------------

COLORREF classBackground(HWND hwnd, bool& has) {
    has = false;
    Window* w = findWindow(hwnd);
    if (!w)
        return 0;
    WNDCLASSA cls{};
    if (!GetClassInfoA(w->instance, w->className.c_str(), &cls) || !cls.hbrBackground)
        return 0;
    auto value = reinterpret_cast<std::uintptr_t>(cls.hbrBackground);
    if (value >= 1 && value <= 31) { // COLOR_* + 1
        has = true;
        return GetSysColor(static_cast<int>(value - 1));
    }
    if (auto* brush = findGdi(cls.hbrBackground);
        brush && brush->type == OBJ_BRUSH && brush->detail->style != BS_NULL) {
        has = true;
        return brushColor(*brush);
    }
    return 0;
}

GdiObject* surfaceOf(HWND hwnd) {
    Window* w = findWindow(hwnd);
    if (!w)
        return nullptr;
    RECT client{};
    GetClientRect(hwnd, &client);
    int width = client.right;
    int height = client.bottom;
    GdiObject* old = findBitmap(w->surface);
    if (old && old->width == width && old->height == height)
        return old;
    // A new surface starts in the class background (white without one) and
    // keeps what the old one showed where they overlap.
    bool has = false;
    COLORREF background = classBackground(hwnd, has);
    HBITMAP made = newBitmap(width, height, 32, pixelRGB(has ? background : RGB(255, 255, 255)));
    GdiObject* surface = findBitmap(made);
    if (old) {
        old = findBitmap(w->surface); // the map may have moved nothing, but look again
        for (int y = 0; y < std::min(height, old->height); ++y)
            for (int x = 0; x < std::min(width, old->width); ++x)
                pixelAt(*surface, x, y) = pixelAt(*old, x, y);
        state().gdi.erase(key(w->surface));
    }
    // Surfaces of windows that are gone go with the next new one.
    for (auto it = state().gdi.begin(); it != state().gdi.end();) {
        if (it->second.detail && it->second.detail->window && it->second.type == OBJ_BITMAP &&
            !findWindow(it->second.detail->window))
            it = state().gdi.erase(it);
        else
            ++it;
    }
    detailOf(*surface).window = hwnd;
    w->surface = made;
    return surface;
}

// Painter ---------------------------------------------------------------------

Painter::Painter(HDC dc) {
    dc_ = findDc(dc);
    if (!dc_)
        return;
    detail_ = &detailOf(*dc_);
    if (detail_->window) {
        surface_ = surfaceOf(detail_->window);
        detail_->attributes.bitmap = surface_ ? findWindow(detail_->window)->surface : nullptr;
    } else {
        surface_ = findBitmap(detail_->attributes.bitmap);
    }
}

POINT Painter::toDevice(int x, int y) const {
    const auto& a = detail_->attributes;
    return POINT{x - a.windowOrg.x + a.viewportOrg.x + detail_->deviceOrigin.x,
                 y - a.windowOrg.y + a.viewportOrg.y + detail_->deviceOrigin.y};
}

RECT Painter::toDevice(const RECT& r) const {
    POINT a = toDevice(r.left, r.top);
    POINT b = toDevice(r.right, r.bottom);
    return RECT{a.x, a.y, b.x, b.y};
}

bool Painter::visible(int x, int y) const {
    return surface_ && x >= 0 && y >= 0 && x < surface_->width && y < surface_->height &&
           detail_->attributes.clip.contains(x, y);
}

std::vector<RECT> Painter::visibleParts(const RECT& area) const {
    std::vector<RECT> parts;
    if (!surface_)
        return parts;
    RECT a{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0),
           std::min<LONG>(area.right, surface_->width),
           std::min<LONG>(area.bottom, surface_->height)};
    if (a.left >= a.right || a.top >= a.bottom)
        return parts;
    const auto& clip = detail_->attributes.clip;
    if (clip.everywhere) {
        parts.push_back(a);
        return parts;
    }
    for (const auto& c : clip.rects) {
        RECT i{std::max(c.left, a.left), std::max(c.top, a.top), std::min(c.right, a.right),
               std::min(c.bottom, a.bottom)};
        if (i.left < i.right && i.top < i.bottom)
            parts.push_back(i);
    }
    return parts;
}

std::uint32_t Painter::raw(COLORREF color) const {
    return mono() ? monoOf(color) : pixelRGB(color);
}

void Painter::plot(int x, int y, COLORREF color) {
    if (visible(x, y))
        pixelAt(*surface_, x, y) = raw(color);
}

void Painter::fill(const RECT& area, COLORREF color) {
    std::uint32_t value = raw(color);
    for (const auto& part : visibleParts(area))
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x)
                pixelAt(*surface_, x, y) = value;
}

bool Painter::brushPixel(const GdiObject* brush, int x, int y, std::uint32_t& value) const {
    if (!brush || !brush->detail || brush->detail->style == BS_NULL)
        return false;
    const auto& d = *brush->detail;
    if (d.style != BS_PATTERN || d.pattern.empty()) {
        value = raw(brushColor(*brush));
        return true;
    }
    const auto& a = detail_->attributes;
    int px = ((x - a.brushOrg.x) % d.patternWidth + d.patternWidth) % d.patternWidth;
    int py = ((y - a.brushOrg.y) % d.patternHeight + d.patternHeight) % d.patternHeight;
    std::uint32_t p = d.pattern[static_cast<std::size_t>(py * d.patternWidth + px)];
    if (d.monoPattern)
        value = raw(p ? a.bkColor : a.textColor);
    else
        value = mono() ? monoOf(colorOf(p)) : p;
    return true;
}

void Painter::fillWithBrush(const RECT& area, HGDIOBJ brushHandle) {
    GdiObject* b = brushHandle ? findGdi(brushHandle) : brush();
    if (brushHandle) {
        auto value = reinterpret_cast<std::uintptr_t>(brushHandle);
        if (value >= 1 && value <= 31) { // COLOR_* + 1, as classes give their background
            fill(area, GetSysColor(static_cast<int>(value - 1)));
            return;
        }
    }
    if (!b || b->type != OBJ_BRUSH || b->detail->style == BS_NULL)
        return;
    if (b->detail->style != BS_PATTERN) {
        fill(area, brushColor(*b));
        return;
    }
    for (const auto& part : visibleParts(area))
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x) {
                std::uint32_t value;
                if (brushPixel(b, x, y, value))
                    pixelAt(*surface_, x, y) = value;
            }
}

GdiObject* Painter::pen() {
    auto* p = findGdi(detail_->attributes.pen);
    return p && p->type == OBJ_PEN ? p : findGdi(GetStockObject(BLACK_PEN));
}

GdiObject* Painter::brush() {
    auto* b = findGdi(detail_->attributes.brush);
    return b && b->type == OBJ_BRUSH ? b : findGdi(GetStockObject(WHITE_BRUSH));
}

GdiObject* Painter::font() {
    auto* f = findGdi(detail_->attributes.font);
    return f && f->type == OBJ_FONT ? f : findGdi(GetStockObject(SYSTEM_FONT));
}

FontMetrics Painter::fontMetrics() {
    return metricsOf(font()->detail->font);
}

} // namespace sim::detail

namespace {

HDC newDc(DWORD type, HWND window, POINT deviceOrigin) {
    GdiObject dc;
    dc.type = type;
    auto& d = detailOf(dc);
    d.window = window;
    d.deviceOrigin = deviceOrigin;
    d.attributes.pen = GetStockObject(BLACK_PEN);
    d.attributes.brush = GetStockObject(WHITE_BRUSH);
    d.attributes.font = GetStockObject(SYSTEM_FONT);
    d.attributes.palette = GetStockObject(DEFAULT_PALETTE);
    d.attributes.bitmap = window ? nullptr : defaultBitmap();
    return static_cast<HDC>(newGdi(std::move(dc)));
}

HDC windowContext(HWND hwnd, bool wholeWindow) {
    auto guard = lock();
    if (!hwnd) { // the screen: it measures and makes compatible bitmaps, drawing goes nowhere
        HDC dc = newDc(OBJ_DC, nullptr, POINT{0, 0});
        detailOf(*findGdi(dc)).attributes.bitmap = nullptr;
        return dc;
    }
    Window* w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    POINT origin{0, 0};
    if (wholeWindow) { // window coordinates: the client lies past the frame
        RECT insets = nonClientInsets(*w);
        origin = POINT{-insets.left, -insets.top};
    }
    HDC dc = newDc(OBJ_DC, hwnd, origin);
    surfaceOf(hwnd);
    return dc;
}

bool releaseContext(HDC dc) {
    auto guard = lock();
    auto* object = findGdi(dc);
    if (!object || (object->type != OBJ_DC && object->type != OBJ_MEMDC))
        return false;
    state().gdi.erase(key(dc));
    return true;
}

// Runs `change` on the DC's attributes and gives back what it returns, or
// `failure` for an unknown DC.
template <typename T, typename F> T withAttributes(HDC dc, T failure, F change) {
    auto guard = lock();
    auto* object = findDc(dc);
    if (!object)
        return failure;
    return change(detailOf(*object).attributes);
}

BOOL setPoint(HDC dc, POINT DcAttributes::*member, int x, int y, bool offset, LPPOINT previous) {
    return withAttributes(dc, FALSE, [&](DcAttributes& a) {
        POINT& p = a.*member;
        if (previous)
            *previous = p;
        p = offset ? POINT{p.x + x, p.y + y} : POINT{x, y};
        return TRUE;
    });
}

int regionKind(const ClipRegion& clip) {
    if (clip.everywhere)
        return SIMPLEREGION;
    if (clip.rects.empty())
        return NULLREGION;
    return clip.rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace

namespace sim::detail {

LRESULT eraseBackground(HWND hwnd, HDC dc) {
    auto guard = lock();
    bool has = false;
    COLORREF color = classBackground(hwnd, has);
    if (!has)
        return 0;
    Painter p(dc);
    if (!p.valid() || !p.surface())
        return 0;
    p.fill(RECT{0, 0, p.surface()->width, p.surface()->height}, color);
    return 1;
}

} // namespace sim::detail

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w)
            return nullptr;
        w->needsPaint = false;
    }
    HDC dc = windowContext(hwnd, false);
    if (paint) {
        *paint = PAINTSTRUCT{};
        paint->hdc = dc;
        GetClientRect(hwnd, &paint->rcPaint);
    }
    LRESULT erased = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    if (paint)
        paint->fErase = erased ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint)
        releaseContext(paint->hdc);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    return windowContext(hwnd, false);
}
HDC GetWindowDC(HWND hwnd) {
    return windowContext(hwnd, true);
}
int ReleaseDC(HWND, HDC dc) {
    return releaseContext(dc) ? 1 : 0;
}

HDC CreateCompatibleDC(HDC dc) {
    auto guard = lock();
    if (dc && !findDc(dc))
        return nullptr;
    return newDc(OBJ_MEMDC, nullptr, POINT{0, 0});
}

BOOL DeleteDC(HDC dc) {
    return releaseContext(dc) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ handle) {
    auto guard = lock();
    auto* object = findDc(dc);
    auto* selected = findGdi(handle);
    if (!object || !selected) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto& a = detailOf(*object).attributes;
    HGDIOBJ previous = nullptr;
    switch (selected->type) {
    case OBJ_PEN:
        previous = a.pen;
        a.pen = handle;
        return previous;
    case OBJ_BRUSH:
        previous = a.brush;
        a.brush = handle;
        return previous;
    case OBJ_FONT:
        previous = a.font;
        a.font = handle;
        return previous;
    case OBJ_BITMAP: {
        if (object->type != OBJ_MEMDC)
            return nullptr;
        if (handle == a.bitmap)
            return handle;
        // A bitmap lives in one memory DC at a time.
        for (auto& [k, other] : state().gdi)
            if (other.type == OBJ_MEMDC && other.detail && &other != object &&
                other.detail->attributes.bitmap == handle && handle != defaultBitmap())
                return nullptr;
        if (selected->detail && selected->detail->window)
            return nullptr; // a window's surface
        previous = a.bitmap;
        a.bitmap = handle;
        return previous;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    auto guard = lock();
    auto* object = findDc(dc);
    if (!object)
        return nullptr;
    Painter p(dc); // a window DC's surface is looked up afresh
    auto& a = detailOf(*object).attributes;
    switch (type) {
    case OBJ_PEN:
        return a.pen;
    case OBJ_BRUSH:
        return a.brush;
    case OBJ_FONT:
        return a.font;
    case OBJ_PAL:
        return a.palette;
    case OBJ_BITMAP:
        return a.bitmap;
    default:
        return nullptr;
    }
}

int SaveDC(HDC dc) {
    auto guard = lock();
    auto* object = findDc(dc);
    if (!object)
        return 0;
    auto& d = detailOf(*object);
    d.saved.push_back(d.attributes);
    return static_cast<int>(d.saved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
    auto guard = lock();
    auto* object = findDc(dc);
    if (!object)
        return FALSE;
    auto& d = detailOf(*object);
    int count = static_cast<int>(d.saved.size());
    int level = saved < 0 ? count + 1 + saved : saved;
    if (level < 1 || level > count)
        return FALSE;
    HGDIOBJ bitmap = d.attributes.bitmap;
    d.attributes = d.saved[static_cast<std::size_t>(level - 1)];
    d.saved.resize(static_cast<std::size_t>(level - 1));
    if (d.window)
        d.attributes.bitmap = bitmap;
    return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
    auto guard = lock();
    if (dc && !findGdi(dc))
        return 0;
    switch (index) {
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case HORZRES:
        return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES:
        return GetSystemMetrics(SM_CYSCREEN);
    case HORZSIZE:
        return GetSystemMetrics(SM_CXSCREEN) * 254 / 960;
    case VERTSIZE:
        return GetSystemMetrics(SM_CYSCREEN) * 254 / 960;
    case NUMCOLORS:
        return -1;
    case RASTERCAPS:
        return 0x0001 | 0x0008 | 0x0080 | 0x0200 | 0x0800; // bitblt, bitmap64, di bitmap, stretch
    case SIZEPALETTE:
        return 0;
    default:
        return 0;
    }
}

int SetBkMode(HDC dc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return withAttributes(dc, 0, [&](DcAttributes& a) { return std::exchange(a.bkMode, mode); });
}
int GetBkMode(HDC dc) {
    return withAttributes(dc, 0, [](DcAttributes& a) { return a.bkMode; });
}
COLORREF SetBkColor(HDC dc, COLORREF color) {
    return withAttributes(dc, static_cast<COLORREF>(CLR_INVALID), [&](DcAttributes& a) {
        return std::exchange(a.bkColor, color & 0xFFFFFF);
    });
}
COLORREF GetBkColor(HDC dc) {
    return withAttributes(dc, static_cast<COLORREF>(CLR_INVALID),
                          [](DcAttributes& a) { return a.bkColor; });
}
COLORREF SetTextColor(HDC dc, COLORREF color) {
    return withAttributes(dc, static_cast<COLORREF>(CLR_INVALID), [&](DcAttributes& a) {
        return std::exchange(a.textColor, color & 0xFFFFFF);
    });
}
COLORREF GetTextColor(HDC dc) {
    return withAttributes(dc, static_cast<COLORREF>(CLR_INVALID),
                          [](DcAttributes& a) { return a.textColor; });
}
UINT SetTextAlign(HDC dc, UINT align) {
    return withAttributes(dc, static_cast<UINT>(GDI_ERROR),
                          [&](DcAttributes& a) { return std::exchange(a.textAlign, align); });
}
UINT GetTextAlign(HDC dc) {
    return withAttributes(dc, static_cast<UINT>(GDI_ERROR),
                          [](DcAttributes& a) { return a.textAlign; });
}
int SetStretchBltMode(HDC dc, int mode) {
    return withAttributes(dc, 0,
                          [&](DcAttributes& a) { return std::exchange(a.stretchMode, mode); });
}
int GetStretchBltMode(HDC dc) {
    return withAttributes(dc, 0, [](DcAttributes& a) { return a.stretchMode; });
}
int SetROP2(HDC dc, int mode) {
    return withAttributes(dc, 0, [&](DcAttributes& a) { return std::exchange(a.rop2, mode); });
}
int SetMapMode(HDC dc, int mode) {
    // Only MM_TEXT is drawn in; other modes are remembered.
    return withAttributes(dc, 0, [&](DcAttributes& a) { return std::exchange(a.mapMode, mode); });
}
int GetMapMode(HDC dc) {
    return withAttributes(dc, 0, [](DcAttributes& a) { return a.mapMode; });
}

BOOL SetBrushOrgEx(HDC dc, int x, int y, LPPOINT previous) {
    return setPoint(dc, &DcAttributes::brushOrg, x, y, false, previous);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous) {
    return setPoint(dc, &DcAttributes::windowOrg, x, y, false, previous);
}
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, LPPOINT previous) {
    return setPoint(dc, &DcAttributes::windowOrg, dx, dy, true, previous);
}
BOOL GetWindowOrgEx(HDC dc, LPPOINT origin) {
    return withAttributes(dc, FALSE, [&](DcAttributes& a) {
        if (origin)
            *origin = a.windowOrg;
        return TRUE;
    });
}
BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous) {
    return setPoint(dc, &DcAttributes::viewportOrg, x, y, false, previous);
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, LPPOINT previous) {
    return setPoint(dc, &DcAttributes::viewportOrg, dx, dy, true, previous);
}
BOOL GetViewportOrgEx(HDC dc, LPPOINT origin) {
    return withAttributes(dc, FALSE, [&](DcAttributes& a) {
        if (origin)
            *origin = a.viewportOrg;
        return TRUE;
    });
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return ERROR;
    p.attributes().clip.intersect(p.toDevice(RECT{left, top, right, bottom}));
    return regionKind(p.attributes().clip);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return ERROR;
    p.attributes().clip.exclude(p.toDevice(RECT{left, top, right, bottom}));
    return regionKind(p.attributes().clip);
}

int SelectClipRgn(HDC dc, HRGN region) {
    auto guard = lock();
    auto* object = findDc(dc);
    if (!object || region) { // regions other than "none" are not kept here
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    detailOf(*object).attributes.clip = ClipRegion{};
    return SIMPLEREGION;
}

int GetClipBox(HDC dc, LPRECT rect) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid() || !rect)
        return ERROR;
    RECT b = p.attributes().clip.bounds();
    if (p.surface()) {
        b.left = std::max<LONG>(b.left, 0);
        b.top = std::max<LONG>(b.top, 0);
        b.right = std::min<LONG>(b.right, p.surface()->width);
        b.bottom = std::min<LONG>(b.bottom, p.surface()->height);
    }
    if (b.right < b.left || b.bottom < b.top)
        b = RECT{0, 0, 0, 0};
    POINT origin = p.toDevice(0, 0); // back to logical coordinates
    *rect = RECT{b.left - origin.x, b.top - origin.y, b.right - origin.x, b.bottom - origin.y};
    if (b.left == b.right || b.top == b.bottom)
        return NULLREGION;
    return regionKind(p.attributes().clip);
}

// A 32-bit desktop has no palette to realise: selection is remembered only.
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    auto guard = lock();
    auto* object = findDc(dc);
    auto* selected = findGdi(palette);
    if (!object || !selected || selected->type != OBJ_PAL)
        return nullptr;
    return static_cast<HPALETTE>(std::exchange(detailOf(*object).attributes.palette, palette));
}

UINT RealizePalette(HDC dc) {
    auto guard = lock();
    return findDc(dc) ? 0 : static_cast<UINT>(GDI_ERROR);
}

COLORREF GetNearestColor(HDC dc, COLORREF color) {
    auto guard = lock();
    Painter p(dc);
    if (!p.valid())
        return CLR_INVALID;
    return p.mono() ? colorOf(monoOf(color)) : color & 0xFFFFFF;
}

namespace sim {

Pixels BitmapPixels(HBITMAP bitmap) {
    auto guard = lock();
    Pixels out;
    auto* object = findBitmap(bitmap);
    if (!object)
        return out;
    out.width = object->width;
    out.height = object->height;
    out.pixels.reserve(object->pixels.size());
    for (int y = 0; y < object->height; ++y)
        for (int x = 0; x < object->width; ++x)
            out.pixels.push_back(pixelAt(*object, x, y) & 0xFFFFFF);
    return out;
}

std::size_t OpenDeviceContexts() {
    auto guard = lock();
    std::size_t count = 0;
    for (const auto& [handle, object] : state().gdi)
        if (object.type == OBJ_DC || object.type == OBJ_MEMDC)
            ++count;
    return count;
}

std::size_t LiveGdiObjects() {
    auto guard = lock();
    std::set<std::uintptr_t> surfaces;
    for (const auto& [handle, window] : state().windows)
        if (window->surface)
            surfaces.insert(key(window->surface));
    std::size_t count = 0;
    for (const auto& [handle, object] : state().gdi)
        if (object.type != OBJ_DC && object.type != OBJ_MEMDC && !surfaces.count(handle) &&
            !isStockObject(toHandle<HGDIOBJ>(handle)))
            ++count;
    return count;
}

Pixels WindowPixels(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    HBITMAP surface;
    {
        auto guard = lock();
        auto* object = surfaceOf(hwnd);
        if (!object)
            return Pixels{};
        surface = findWindow(hwnd)->surface;
    }
    return BitmapPixels(surface);
}

} // namespace sim
