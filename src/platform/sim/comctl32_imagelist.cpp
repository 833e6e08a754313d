// Image lists: same-sized images with their masks, drawn by index; and the
// common controls' initialisation, which has nothing to do here.
#include "platform/sim/gdi32_internal.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <utility>

using namespace sim::detail;

namespace {

GdiObject* findList(HIMAGELIST list) {
    auto* object = findGdi(list);
    return object && object->type == kObjImageList ? object : nullptr;
}

std::size_t imageSize(const GdiDetail& d) {
    return static_cast<std::size_t>(d.cx) * static_cast<std::size_t>(d.cy);
}

// Appends the images of a strip; `transparent(x, y)` tells the mask.
template <typename Mask> int append(GdiObject& list, GdiObject& strip, Mask transparent) {
    auto& d = *list.detail;
    int added = strip.width / d.cx;
    if (added < 1 || strip.height < d.cy)
        return -1;
    bool keepAlpha = (d.flags & 0xFE) == ILC_COLOR32 && strip.bitsPixel == 32;
    int first = d.count;
    for (int i = 0; i < added; ++i) {
        for (int y = 0; y < d.cy; ++y)
            for (int x = 0; x < d.cx; ++x) {
                int sx = i * d.cx + x;
                std::uint32_t v = pixelAt(strip, sx, y);
                if (strip.bitsPixel == 1)
                    v = v ? 0xFFFFFF : 0;
                bool clear = (d.flags & ILC_MASK) && transparent(sx, y, v);
                list.pixels.push_back(clear ? 0 : (keepAlpha ? v : v & 0xFFFFFF));
                d.mask.push_back(clear ? 1 : 0);
            }
        ++d.count;
    }
    return first;
}

bool hasAlpha(const GdiObject& list, int index) {
    const auto& d = *list.detail;
    if ((d.flags & 0xFE) != ILC_COLOR32)
        return false;
    auto begin = list.pixels.begin() + static_cast<std::ptrdiff_t>(imageSize(d) * index);
    return std::any_of(begin, begin + static_cast<std::ptrdiff_t>(imageSize(d)),
                       [](std::uint32_t v) { return (v >> 24) != 0; });
}

std::uint32_t mix(std::uint32_t a, std::uint32_t b, unsigned weightOfB) { // weight of 256
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        unsigned ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        out |= ((ca * (256 - weightOfB) + cb * weightOfB) >> 8) << shift;
    }
    return out;
}

} // namespace

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    return init && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
    if (cx <= 0 || cy <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto guard = lock();
    GdiObject list;
    list.type = kObjImageList;
    auto& d = detailOf(list);
    d.cx = cx;
    d.cy = cy;
    d.flags = flags;
    d.listBkColor = CLR_NONE;
    return reinterpret_cast<HIMAGELIST>(newGdi(std::move(list)));
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    auto guard = lock();
    if (!findList(list))
        return FALSE;
    state().gdi.erase(key(list));
    return TRUE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
    auto guard = lock();
    auto* object = findList(list);
    auto* strip = findBitmap(image);
    auto* bits = mask ? findBitmap(mask) : nullptr;
    if (!object || !strip || (mask && !bits))
        return -1;
    return append(*object, *strip, [&](int x, int y, std::uint32_t) {
        return bits && x < bits->width && y < bits->height && (pixelAt(*bits, x, y) & 0xFFFFFF);
    });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask) {
    auto guard = lock();
    auto* object = findList(list);
    auto* strip = findBitmap(image);
    if (!object || !strip)
        return -1;
    std::uint32_t key = pixelRGB(mask);
    return append(*object, *strip,
                  [&](int, int, std::uint32_t v) { return (v & 0xFFFFFF) == key; });
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
    auto guard = lock();
    auto* object = findList(list);
    if (!object)
        return FALSE;
    auto& d = *object->detail;
    if (index == -1) {
        object->pixels.clear();
        d.mask.clear();
        d.count = 0;
        return TRUE;
    }
    if (index < 0 || index >= d.count)
        return FALSE;
    auto at = static_cast<std::ptrdiff_t>(imageSize(d) * index);
    auto n = static_cast<std::ptrdiff_t>(imageSize(d));
    object->pixels.erase(object->pixels.begin() + at, object->pixels.begin() + at + n);
    d.mask.erase(d.mask.begin() + at, d.mask.begin() + at + n);
    --d.count;
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    auto guard = lock();
    auto* object = findList(list);
    return object ? object->detail->count : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
    auto guard = lock();
    auto* object = findList(list);
    if (!object || !cx || !cy)
        return FALSE;
    *cx = object->detail->cx;
    *cy = object->detail->cy;
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
    auto guard = lock();
    auto* object = findList(list);
    if (!object)
        return CLR_NONE;
    return std::exchange(object->detail->listBkColor, color);
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
    auto guard = lock();
    auto* object = findList(list);
    return object ? object->detail->listBkColor : CLR_NONE;
}

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy,
                      COLORREF background, COLORREF foreground, UINT style) {
    auto guard = lock();
    auto* object = findList(list);
    Painter p(dc);
    if (!object || !p.valid() || index < 0 || index >= object->detail->count)
        return FALSE;
    const auto& d = *object->detail;
    int width = dx > 0 ? std::min(dx, d.cx) : d.cx;
    int height = dy > 0 ? std::min(dy, d.cy) : d.cy;
    if (background == CLR_DEFAULT)
        background = d.listBkColor;
    if (style & ILD_TRANSPARENT)
        background = CLR_NONE;
    bool masked = d.flags & ILC_MASK;
    bool alpha = hasAlpha(*object, index);
    unsigned blend = (style & ILD_BLEND50) ? 128 : (style & ILD_BLEND25) ? 64 : 0;
    std::uint32_t tint =
        pixelRGB(foreground == CLR_DEFAULT || foreground == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT)
                                                                     : foreground);
    POINT origin = p.toDevice(x, y);
    std::size_t base = imageSize(d) * static_cast<std::size_t>(index);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            int px = origin.x + i, py = origin.y + j;
            if (!p.visible(px, py))
                continue;
            std::size_t k = base + static_cast<std::size_t>(j * d.cx + i);
            std::uint32_t& target = pixelAt(*p.surface(), px, py);
            bool clear = masked && d.mask[k];
            std::uint32_t v = object->pixels[k];
            std::uint32_t result;
            if (style & ILD_MASK) {
                result = clear ? 0xFFFFFF : 0;
            } else if (style & ILD_IMAGE) {
                result = v & 0xFFFFFF;
            } else if (alpha) {
                unsigned a = v >> 24;
                result = mix(target & 0xFFFFFF, v & 0xFFFFFF, a + (a >> 7));
            } else if (clear) {
                if (background == CLR_NONE)
                    continue;
                result = pixelRGB(background);
            } else {
                result = v & 0xFFFFFF;
            }
            if (blend && !(style & ILD_MASK) && !(clear && !alpha))
                result = mix(result, tint, blend);
            target = p.mono() ? monoOf(colorOf(result)) : result;
        }
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
    return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT) {
    auto guard = lock();
    auto* object = findList(list);
    if (!object || index < 0 || index >= object->detail->count)
        return nullptr;
    const auto& d = *object->detail;
    auto at = static_cast<std::ptrdiff_t>(imageSize(d) * index);
    auto n = static_cast<std::ptrdiff_t>(imageSize(d));
    std::vector<std::uint32_t> color(object->pixels.begin() + at, object->pixels.begin() + at + n);
    std::vector<std::uint8_t> mask(d.mask.begin() + at, d.mask.begin() + at + n);
    if (!(d.flags & ILC_MASK))
        std::fill(mask.begin(), mask.end(), 0);
    return newIcon(d.cx, d.cy, color, mask, hasAlpha(*object, index));
}

HIMAGELIST ImageList_LoadImageA(HINSTANCE instance, LPCSTR name, int cx, int grow, COLORREF mask,
                                UINT type, UINT flags) {
    if (type != IMAGE_BITMAP) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto guard = lock();
    auto bitmap = static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, flags));
    auto* strip = findBitmap(bitmap);
    if (!strip)
        return nullptr;
    if (cx <= 0)
        cx = strip->height;
    HIMAGELIST list = ImageList_Create(cx, strip->height,
                                       ILC_COLOR32 | (mask != CLR_NONE ? ILC_MASK : 0), 0, grow);
    if (mask != CLR_NONE)
        ImageList_AddMasked(list, bitmap, mask);
    else
        ImageList_Add(list, bitmap, nullptr);
    DeleteObject(bitmap);
    return list;
}
