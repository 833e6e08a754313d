// Icons and bitmaps from resources, the system's stock icons, and drawing
// icons: 32-bit icons with alpha blend, others go through their AND mask
// and XOR colours.
#include "platform/sim/gdi32_internal.h"
#include "platform/sim/resources_embedded.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

using namespace sim::detail;

#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L

namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> color;
    std::vector<std::uint8_t> mask; // 1 where the background stays
    bool alpha = false;
};

std::string resourceName(LPCSTR name) {
    if (IS_INTRESOURCE(name))
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    return name;
}

bool isProgramModule(HINSTANCE instance) {
    auto value = key(instance);
    return value > 0x400000 && value < 0x410000; // the simulated tasks' module handles
}

Picture scaled(const Picture& p, int width, int height) {
    if ((p.width == width && p.height == height) || width <= 0 || height <= 0)
        return p;
    Picture out;
    out.width = width;
    out.height = height;
    out.alpha = p.alpha;
    out.color.resize(static_cast<std::size_t>(width * height));
    out.mask.resize(out.color.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sx = (2 * x + 1) * p.width / (2 * width);
            int sy = (2 * y + 1) * p.height / (2 * height);
            out.color[static_cast<std::size_t>(y * width + x)] =
                p.color[static_cast<std::size_t>(sy * p.width + sx)];
            out.mask[static_cast<std::size_t>(y * width + x)] =
                p.mask[static_cast<std::size_t>(sy * p.width + sx)];
        }
    return out;
}

// One image of an icon file: a DIB of twice the icon's height, its colours
// (XOR) first, then the 1-bit AND mask.
bool parseIconImage(const std::string& data, std::size_t offset, std::size_t size, Picture& out) {
    if (offset > data.size() || size > data.size() - offset || size < sizeof(BITMAPINFOHEADER))
        return false;
    const char* base = data.data() + offset;
    BITMAPINFOHEADER header;
    std::memcpy(&header, base, sizeof header);
    if (header.biSize < 40 || header.biSize > size || header.biHeight <= 0 ||
        header.biHeight % 2 != 0)
        return false;
    int height = header.biHeight / 2;
    std::vector<std::uint32_t> info;
    std::size_t bitsAt = plainDibInfo(base, size, info);
    if (!bitsAt)
        return false;
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biHeight = height;
    int width = 0, rows = 0;
    std::vector<std::uint32_t> pixels;
    if (!decodeDib(reinterpret_cast<const BITMAPINFO*>(info.data()), base + bitsAt, size - bitsAt,
                   width, rows, pixels))
        return false;
    std::size_t xorStride = ((static_cast<std::size_t>(width) * header.biBitCount + 31) / 32) * 4;
    std::size_t maskAt = bitsAt + xorStride * static_cast<std::size_t>(height);
    std::size_t maskStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
    bool hasMask =
        maskAt <= size && (size - maskAt) / maskStride >= static_cast<std::size_t>(height);
    out.width = width;
    out.height = height;
    out.color = pixels;
    out.mask.assign(pixels.size(), 0);
    out.alpha = false;
    if (header.biBitCount == 32)
        for (auto v : pixels)
            if (v >> 24)
                out.alpha = true;
    if (!out.alpha)
        for (auto& v : out.color)
            v &= 0xFFFFFF;
    if (hasMask)
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<const std::uint8_t*>(base + maskAt) +
                         maskStride * static_cast<std::size_t>(height - 1 - y);
            for (int x = 0; x < width; ++x)
                out.mask[static_cast<std::size_t>(y * width + x)] =
                    (line[x / 8] >> (7 - x % 8)) & 1;
        }
    return true;
}

// Picks the image of an icon file nearest to the size asked for (the
// deepest of those equally near) and scales it when it differs.
bool parseIcon(const std::string& data, int cx, int cy, Picture& out) {
    if (data.size() < 6)
        return false;
    auto word = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<std::uint8_t>(data[at])) |
               (static_cast<unsigned>(static_cast<std::uint8_t>(data[at + 1])) << 8);
    };
    auto dword = [&](std::size_t at) {
        return word(at) | (static_cast<std::size_t>(word(at + 2)) << 16);
    };
    if (word(0) != 0 || (word(2) != 1 && word(2) != 2))
        return false;
    unsigned count = word(4);
    if (data.size() < 6 + 16 * static_cast<std::size_t>(count))
        return false;
    struct Entry {
        int width, height, bits;
        std::size_t size, offset;
    };
    std::vector<Entry> entries;
    for (unsigned i = 0; i < count; ++i) {
        std::size_t at = 6 + 16 * static_cast<std::size_t>(i);
        int w = static_cast<std::uint8_t>(data[at]);
        int h = static_cast<std::uint8_t>(data[at + 1]);
        entries.push_back(Entry{w ? w : 256, h ? h : 256, static_cast<int>(word(at + 6)),
                                dword(at + 8), dword(at + 12)});
    }
    if (cx <= 0 || cy <= 0) {
        if (entries.empty())
            return false;
        cx = entries.front().width;
        cy = entries.front().height;
    }
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        int da = std::abs(a.width - cx) + std::abs(a.height - cy);
        int db = std::abs(b.width - cx) + std::abs(b.height - cy);
        if (da != db)
            return da < db;
        return a.bits > b.bits;
    });
    for (const auto& e : entries) {
        Picture picture;
        if (e.bits <= 32 && parseIconImage(data, e.offset, e.size, picture)) {
            out = scaled(picture, cx, cy);
            return true;
        }
    }
    return false;
}

// A .bmp file (or a packed DIB) as 0x00RRGGBB pixels.
bool parseBitmap(const std::string& data, int& width, int& height,
                 std::vector<std::uint32_t>& pixels, bool& bottomUp) {
    std::size_t start = 0, bitsAt = 0;
    if (data.size() >= sizeof(BITMAPFILEHEADER) && data[0] == 'B' && data[1] == 'M') {
        BITMAPFILEHEADER file;
        std::memcpy(&file, data.data(), sizeof file);
        start = sizeof file;
        bitsAt = file.bfOffBits;
    }
    if (data.size() < start + sizeof(BITMAPINFOHEADER))
        return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, data.data() + start, sizeof header);
    // The header and colours are copied out: a file's header lies at an odd offset.
    std::vector<std::uint32_t> info;
    std::size_t packed = plainDibInfo(data.data() + start, data.size() - start, info);
    if (!packed)
        return false;
    packed += start;
    if (bitsAt < packed || bitsAt > data.size())
        bitsAt = packed; // a packed DIB, or a file whose offset makes no sense
    bottomUp = header.biHeight > 0;
    return decodeDib(reinterpret_cast<const BITMAPINFO*>(info.data()), data.data() + bitsAt,
                     data.size() - bitsAt, width, height, pixels);
}

// The system's stock icons, drawn here at 32 x 32.
Picture stockIcon(std::uintptr_t id) {
    Picture p;
    p.width = p.height = 32;
    p.color.assign(32 * 32, 0);
    p.mask.assign(32 * 32, 1);
    auto put = [&](int x, int y, std::uint32_t rgb) {
        p.color[static_cast<std::size_t>(y * 32 + x)] = rgb;
        p.mask[static_cast<std::size_t>(y * 32 + x)] = 0;
    };
    if (id == 32512 || id == 32517) { // a window: frame, blue title bar, white inside
        for (int y = 4; y < 28; ++y)
            for (int x = 2; x < 30; ++x) {
                bool frame = x == 2 || x == 29 || y == 4 || y == 27;
                put(x, y, frame ? 0x000000 : (y < 9 ? 0x0A246A : 0xFFFFFF));
            }
        return p;
    }
    // A disc: red (stop), blue (question, information) or yellow (warning).
    std::uint32_t fill = id == 32513 ? 0xFF0000 : id == 32515 ? 0xFFFF00 : 0x0000FF;
    std::uint32_t sign = id == 32515 ? 0x000000 : 0xFFFFFF;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int dx = 2 * x - 31, dy = 2 * y - 31;
            if (dx * dx + dy * dy <= 30 * 30)
                put(x, y, fill);
        }
    for (int y = 8; y < 24; ++y)
        for (int x = 14; x < 18; ++x)
            if (y < 19 || y > 20)
                put(x, y, sign);
    return p;
}

HICON iconFrom(const Picture& p, bool shared) {
    HICON icon = newIcon(p.width, p.height, p.color, p.mask, p.alpha);
    detailOf(*findIcon(icon)).shared = shared;
    return icon;
}

// Shared icons, made once per name and size.
std::map<std::string, HICON>& sharedIcons() {
    static auto* table = new std::map<std::string, HICON>;
    return *table;
}

HBITMAP bitmapFrom(int width, int height, const std::vector<std::uint32_t>& pixels, bool dib,
                   bool bottomUp) {
    HBITMAP bitmap = newBitmap(width, height, 32, 0);
    auto* object = findBitmap(bitmap);
    object->dibSection = dib;
    object->bottomUp = dib && bottomUp;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixelAt(*object, x, y) = pixels[static_cast<std::size_t>(y * width + x)];
    return bitmap;
}

std::uint8_t blend(std::uint32_t s, std::uint32_t d, unsigned a, int shift) {
    unsigned sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
    return static_cast<std::uint8_t>((sc * a + dc * (255 - a) + 127) / 255);
}

} // namespace

namespace sim::detail {

HICON newIcon(int width, int height, const std::vector<std::uint32_t>& color,
              const std::vector<std::uint8_t>& mask, bool alpha) {
    GdiObject icon;
    icon.type = kObjIcon;
    icon.width = width;
    icon.height = height;
    icon.pixels = color;
    auto& d = detailOf(icon);
    d.mask = mask;
    d.alpha = alpha;
    return static_cast<HICON>(newGdi(std::move(icon)));
}

GdiObject* findIcon(HICON icon) {
    auto* object = findGdi(icon);
    return object && object->type == kObjIcon ? object : nullptr;
}

void drawIconPixels(Painter& p, GdiObject& icon, int x, int y, int width, int height, UINT flags) {
    const auto& d = *icon.detail;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            int dx = x + i, dy = y + j;
            if (!p.visible(dx, dy))
                continue;
            int sx = (2 * i + 1) * icon.width / (2 * width);
            int sy = (2 * j + 1) * icon.height / (2 * height);
            std::size_t k = static_cast<std::size_t>(sy * icon.width + sx);
            std::uint32_t c = icon.pixels[k];
            std::uint32_t& target = pixelAt(*p.surface(), dx, dy);
            std::uint32_t dst = target & 0xFFFFFF;
            std::uint32_t result;
            if ((flags & DI_NORMAL) == DI_NORMAL && d.alpha) {
                unsigned a = c >> 24;
                result = (static_cast<std::uint32_t>(blend(c, dst, a, 16)) << 16) |
                         (static_cast<std::uint32_t>(blend(c, dst, a, 8)) << 8) |
                         blend(c, dst, a, 0);
            } else if ((flags & DI_NORMAL) == DI_NORMAL) {
                result = (d.mask[k] ? dst : 0) ^ (c & 0xFFFFFF);
            } else if (flags & DI_MASK) {
                result = d.mask[k] ? dst : 0;
            } else {
                result = c & 0xFFFFFF;
            }
            target = p.mono() ? monoOf(colorOf(result)) : result;
        }
}

} // namespace sim::detail

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    auto guard = lock();
    if (!name || (flags & LR_LOADFROMFILE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == IMAGE_BITMAP) {
        std::string bytes;
        if (!isProgramModule(instance) || !findResource("BITMAP", resourceName(name), bytes)) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        int width = 0, height = 0;
        bool bottomUp = true;
        std::vector<std::uint32_t> pixels;
        if (!parseBitmap(bytes, width, height, pixels, bottomUp)) {
            SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return nullptr;
        }
        HBITMAP bitmap = bitmapFrom(width, height, pixels, flags & LR_CREATEDIBSECTION, bottomUp);
        if ((cx && cx != width) || (cy && cy != height)) {
            HANDLE copy = CopyImage(bitmap, IMAGE_BITMAP, cx ? cx : width, cy ? cy : height,
                                    (flags & LR_CREATEDIBSECTION) | LR_COPYDELETEORG);
            return copy;
        }
        return bitmap;
    }
    if (type != IMAGE_ICON) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (flags & LR_DEFAULTSIZE) {
        cx = cx ? cx : GetSystemMetrics(SM_CXICON);
        cy = cy ? cy : GetSystemMetrics(SM_CYICON);
    }
    std::string cacheKey = std::to_string(key(instance)) + "/" + lower(resourceName(name)) + "/" +
                           std::to_string(cx) + "x" + std::to_string(cy);
    bool shared = flags & LR_SHARED;
    if (shared)
        if (auto it = sharedIcons().find(cacheKey);
            it != sharedIcons().end() && findIcon(it->second))
            return it->second;
    Picture picture;
    if (!instance) {
        auto id = reinterpret_cast<std::uintptr_t>(name);
        if (!IS_INTRESOURCE(name) || id < 32512 || id > 32517) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        picture = scaled(stockIcon(id), cx ? cx : 32, cy ? cy : 32);
    } else {
        std::string bytes;
        if (!isProgramModule(instance) || !findResource("ICON", resourceName(name), bytes)) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        if (!parseIcon(bytes, cx, cy, picture)) {
            SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return nullptr;
        }
    }
    HICON icon = iconFrom(picture, shared);
    if (shared)
        sharedIcons()[cacheKey] = icon;
    return icon;
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    return static_cast<HICON>(
        LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
    return static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, 0));
}

BOOL DestroyIcon(HICON icon) {
    auto guard = lock();
    auto* object = findIcon(icon);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->detail->shared) // shared icons belong to the system
        state().gdi.erase(key(icon));
    return TRUE;
}

HICON CopyIcon(HICON icon) {
    auto guard = lock();
    auto* object = findIcon(icon);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    GdiObject copy = *object;
    copy.detail = std::make_shared<GdiDetail>(*object->detail);
    copy.detail->shared = false;
    return static_cast<HICON>(newGdi(std::move(copy)));
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    auto guard = lock();
    auto* object = findIcon(icon);
    if (!object || !info) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    int w = object->width, h = object->height;
    std::vector<std::uint32_t> color = object->pixels;
    const auto& d = *object->detail;
    info->fIcon = d.isIcon ? TRUE : FALSE;
    info->xHotspot = static_cast<DWORD>(d.isIcon ? w / 2 : d.hotspot.x);
    info->yHotspot = static_cast<DWORD>(d.isIcon ? h / 2 : d.hotspot.y);
    info->hbmColor = newBitmap(w, h, 32, 0);
    info->hbmMask = newBitmap(w, h, 1, 0);
    auto* c = findBitmap(info->hbmColor);
    auto* m = findBitmap(info->hbmMask);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t k = static_cast<std::size_t>(y * w + x);
            pixelAt(*c, x, y) = color[k];
            pixelAt(*m, x, y) = findIcon(icon)->detail->mask[k] ? 0xFFFFFF : 0;
        }
    return TRUE;
}

HICON CreateIconIndirect(ICONINFO* info) {
    auto guard = lock();
    auto* mask = info ? findBitmap(info->hbmMask) : nullptr;
    auto* color = info && info->hbmColor ? findBitmap(info->hbmColor) : nullptr;
    if (!mask || (info->hbmColor && !color)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Without colours the mask is twice as high: AND mask above, XOR below.
    int w = mask->width;
    int h = color ? color->height : mask->height / 2;
    if (color)
        w = color->width;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w * h), 0);
    std::vector<std::uint8_t> bits(pixels.size(), 0);
    bool alpha = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t k = static_cast<std::size_t>(y * w + x);
            if (x < mask->width && y < mask->height)
                bits[k] = (pixelAt(*mask, x, y) & 0xFFFFFF) != 0;
            if (color) {
                pixels[k] = pixelAt(*color, x, y);
                if (color->bitsPixel == 32 && (pixels[k] >> 24))
                    alpha = true;
            } else if (y + h < mask->height) {
                pixels[k] = (pixelAt(*mask, x, y + h) & 0xFFFFFF) ? 0xFFFFFF : 0;
            }
        }
    if (!alpha)
        for (auto& v : pixels)
            v &= 0xFFFFFF;
    HICON icon = newIcon(w, h, pixels, bits, alpha);
    auto& d = detailOf(*findIcon(icon));
    d.isIcon = info->fIcon != FALSE;
    d.hotspot = POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
    return icon;
}

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags) {
    auto guard = lock();
    if (type == IMAGE_ICON) {
        auto* object = findIcon(static_cast<HICON>(image));
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        Picture p;
        p.width = object->width;
        p.height = object->height;
        p.color = object->pixels;
        p.mask = object->detail->mask;
        p.alpha = object->detail->alpha;
        p = scaled(p, cx ? cx : p.width, cy ? cy : p.height);
        HICON copy = iconFrom(p, false);
        if (flags & LR_COPYDELETEORG)
            DestroyIcon(static_cast<HICON>(image));
        return copy;
    }
    auto* object = type == IMAGE_BITMAP ? findBitmap(image) : nullptr;
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    int w = cx ? cx : object->width, h = cy ? cy : object->height;
    HBITMAP copy = newBitmap(w, h, object->bitsPixel, 0);
    auto* target = findBitmap(copy);
    target = findBitmap(copy);
    object = findBitmap(image);
    target->dibSection = (flags & LR_CREATEDIBSECTION) && object->bitsPixel == 32;
    target->bottomUp = target->dibSection;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixelAt(*target, x, y) = pixelAt(*object, (2 * x + 1) * object->width / (2 * w),
                                             (2 * y + 1) * object->height / (2 * h));
    if (flags & LR_COPYDELETEORG)
        DeleteObject(image);
    return copy;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH flicker,
                UINT flags) {
    auto guard = lock();
    Painter p(dc);
    auto* object = findIcon(icon);
    if (!p.valid() || !object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!cx)
        cx = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : object->width;
    if (!cy)
        cy = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : object->height;
    POINT d = p.toDevice(x, y);
    if (flicker) // drawn off screen over this brush, then copied: the same pixels
        p.fillWithBrush(RECT{d.x, d.y, d.x + cx, d.y + cy}, flicker);
    if (!(flags & DI_NORMAL))
        flags |= DI_NORMAL;
    drawIconPixels(p, *object, d.x, d.y, cx, cy, flags);
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}
