// GDI objects: stock objects, pens, brushes, fonts, bitmaps, palettes,
// creation, deletion and description, and the bits of metafiles.
#include "platform/sim/gdi32_internal.h"

#include <algorithm>
#include <cstring>

using namespace sim::detail;

namespace {

// Stock objects live at fixed handles below the first handle the simulator
// hands out, made again on first use after a reset. Index 21 is the 1 x 1
// monochrome bitmap that a new memory DC starts with.
constexpr std::uintptr_t stockBase = 0x800;
constexpr int stockCount = 22;
constexpr int defaultBitmapIndex = 21;
constexpr std::uintptr_t sysBrushBase = 0x900;
constexpr int sysBrushCount = 31;

bool isStockKey(std::uintptr_t k) {
    return (k >= stockBase && k < stockBase + 4 * stockCount && k % 4 == 0) ||
           (k >= sysBrushBase && k < sysBrushBase + 4 * sysBrushCount && k % 4 == 0);
}

GdiObject makeBrush(UINT style, COLORREF color) {
    GdiObject brush;
    brush.type = OBJ_BRUSH;
    auto& d = detailOf(brush);
    d.style = style;
    d.color = color;
    return brush;
}

GdiObject makePen(UINT style, int width, COLORREF color) {
    GdiObject pen;
    pen.type = OBJ_PEN;
    auto& d = detailOf(pen);
    d.style = style;
    d.penWidth = width;
    d.color = color;
    return pen;
}

GdiObject makeFont(const char* face, LONG height, LONG weight, bool fixed) {
    GdiObject font;
    font.type = OBJ_FONT;
    auto& f = detailOf(font).font;
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfCharSet = ANSI_CHARSET;
    f.lfPitchAndFamily = fixed ? FIXED_PITCH : VARIABLE_PITCH;
    std::strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

GdiObject makeStock(std::uintptr_t k) {
    if (k >= sysBrushBase) {
        int index = static_cast<int>((k - sysBrushBase) / 4);
        GdiObject brush = makeBrush(BS_SOLID, GetSysColor(index));
        detailOf(brush).sysColor = index;
        return brush;
    }
    switch (static_cast<int>((k - stockBase) / 4)) {
    case WHITE_BRUSH:
        return makeBrush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH:
        return makeBrush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH:
        return makeBrush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH:
        return makeBrush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH:
        return makeBrush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH:
        return makeBrush(BS_NULL, 0);
    case WHITE_PEN:
        return makePen(PS_SOLID, 1, RGB(255, 255, 255));
    case BLACK_PEN:
        return makePen(PS_SOLID, 1, RGB(0, 0, 0));
    case NULL_PEN:
        return makePen(PS_NULL, 1, 0);
    case OEM_FIXED_FONT:
        return makeFont("Terminal", 12, FW_NORMAL, true);
    case ANSI_FIXED_FONT:
        return makeFont("Courier", 13, FW_NORMAL, true);
    case ANSI_VAR_FONT:
        return makeFont("MS Sans Serif", 13, FW_NORMAL, false);
    case DEVICE_DEFAULT_FONT:
    case SYSTEM_FONT:
        return makeFont("System", 16, FW_BOLD, false);
    case SYSTEM_FIXED_FONT:
        return makeFont("Fixedsys", 15, FW_NORMAL, true);
    case DEFAULT_GUI_FONT:
        return makeFont("MS Shell Dlg", -11, FW_NORMAL, false);
    case DEFAULT_PALETTE: {
        GdiObject palette;
        palette.type = OBJ_PAL;
        PALETTEENTRY entries[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        palette.bytes.assign(reinterpret_cast<const char*>(entries), sizeof entries);
        return palette;
    }
    case DC_BRUSH:
        return makeBrush(BS_SOLID, RGB(255, 255, 255));
    case DC_PEN:
        return makePen(PS_SOLID, 1, RGB(0, 0, 0));
    case defaultBitmapIndex: {
        GdiObject bitmap;
        bitmap.type = OBJ_BITMAP;
        bitmap.width = bitmap.height = 1;
        bitmap.bitsPixel = 1;
        bitmap.pixels.assign(1, 0);
        return bitmap;
    }
    default:
        return GdiObject{};
    }
}

bool selectedAnywhere(HGDIOBJ handle) {
    for (auto& [k, object] : state().gdi) {
        if ((object.type != OBJ_DC && object.type != OBJ_MEMDC) || !object.detail)
            continue;
        auto& a = object.detail->attributes;
        if (a.bitmap == handle)
            return true;
        for (auto& saved : object.detail->saved)
            if (saved.bitmap == handle)
                return true;
    }
    return false;
}

bool isWindowSurface(HGDIOBJ handle) {
    for (auto& [k, w] : state().windows)
        if (w->surface == handle)
            return true;
    return false;
}

template <typename H> H createWithBytes(DWORD type, UINT size, const void* bytes) {
    auto guard = lock();
    GdiObject object;
    object.type = type;
    if (bytes)
        object.bytes.assign(static_cast<const char*>(bytes), size);
    return static_cast<H>(newGdi(std::move(object)));
}

template <typename H> UINT copyBytes(DWORD type, H handle, UINT size, void* out) {
    auto guard = lock();
    auto* object = findGdi(handle);
    if (!object || object->type != type) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!out)
        return static_cast<UINT>(object->bytes.size());
    UINT n = std::min<UINT>(size, static_cast<UINT>(object->bytes.size()));
    std::memcpy(out, object->bytes.data(), n);
    return n;
}

// The header of an enhanced metafile that records no drawing, and its end record.
std::string emfBytes(const RECTL& frame) {
    ENHMETAHEADER header{};
    header.iType = EMR_HEADER;
    header.nSize = sizeof header;
    // 96 pixels per inch: a hundredth of a millimetre is 96 / 2540 pixels.
    auto px = [](LONG v) {
        return static_cast<LONG>((static_cast<long long>(v) * 96) / 2540);
    };
    header.rclBounds = RECTL{px(frame.left), px(frame.top), px(frame.right), px(frame.bottom)};
    header.rclFrame = frame;
    header.dSignature = ENHMETA_SIGNATURE;
    header.nVersion = 0x10000;
    header.nRecords = 2;
    header.nHandles = 1;
    header.szlDevice = SIZEL{1024, 768};
    header.szlMillimeters = SIZEL{270, 203};
    DWORD eof[5] = {EMR_EOF, 20, 0, 16, 20};
    header.nBytes = static_cast<DWORD>(sizeof header + sizeof eof);
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(eof), sizeof eof);
    return bytes;
}

bool isEmf(const std::string& bytes) {
    if (bytes.size() < sizeof(ENHMETAHEADER))
        return false;
    ENHMETAHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    return header.iType == EMR_HEADER && header.dSignature == ENHMETA_SIGNATURE &&
           header.nSize >= 80;
}

} // namespace

namespace sim::detail {

GdiObject* findGdi(HGDIOBJ handle) {
    auto& gdi = state().gdi;
    auto it = gdi.find(key(handle));
    if (it != gdi.end())
        return &it->second;
    if (!isStockKey(key(handle)))
        return nullptr;
    GdiObject stock = makeStock(key(handle));
    if (!stock.type)
        return nullptr;
    return &gdi.emplace(key(handle), std::move(stock)).first->second;
}

HGDIOBJ newGdi(GdiObject object) {
    auto handle = newHandle();
    state().gdi.emplace(handle, std::move(object));
    return toHandle<HGDIOBJ>(handle);
}

GdiDetail& detailOf(GdiObject& object) {
    if (!object.detail)
        object.detail = std::make_shared<GdiDetail>();
    return *object.detail;
}

bool isStockObject(HGDIOBJ handle) {
    return isStockKey(key(handle));
}

GdiObject* findDc(HDC dc) {
    auto* object = findGdi(dc);
    if (!object || (object->type != OBJ_DC && object->type != OBJ_MEMDC)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

GdiObject* findBitmap(HGDIOBJ handle) {
    auto* object = findGdi(handle);
    return object && object->type == OBJ_BITMAP ? object : nullptr;
}

HBITMAP newBitmap(int width, int height, int bitsPixel, std::uint32_t fill) {
    GdiObject object;
    object.type = OBJ_BITMAP;
    object.width = width;
    object.height = height;
    object.bitsPixel = bitsPixel;
    object.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
    return static_cast<HBITMAP>(newGdi(std::move(object)));
}

COLORREF brushColor(const GdiObject& brush) {
    if (!brush.detail)
        return 0;
    if (brush.detail->sysColor >= 0)
        return GetSysColor(brush.detail->sysColor);
    return brush.detail->color;
}

std::uint32_t monoOf(COLORREF color) {
    int sum = GetRValue(color) + GetGValue(color) + GetBValue(color);
    return sum >= 3 * 128 ? 0xFFFFFF : 0;
}

HGDIOBJ defaultBitmap() {
    return reinterpret_cast<HGDIOBJ>(stockBase + 4 * defaultBitmapIndex);
}

} // namespace sim::detail

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    auto guard = lock();
    if (width < 0 || height < 0 || planes > 1 || bitsPerPixel > 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return newBitmap(1, 1, 1, 0);
    int depth = bitsPerPixel == 1 ? 1 : 32;
    HBITMAP bitmap = newBitmap(width, height, depth, 0);
    auto* object = findGdi(bitmap);
    if (bits && bitsPerPixel == 32) {
        std::memcpy(object->pixels.data(), bits, object->pixels.size() * 4);
    } else if (bits && bitsPerPixel == 1) { // rows padded to 16 bits
        auto* bytes = static_cast<const std::uint8_t*>(bits);
        std::size_t stride = ((static_cast<std::size_t>(width) + 15) / 16) * 2;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixelAt(*object, x, y) =
                    (bytes[y * stride + x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0;
    }
    return bitmap;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    auto guard = lock();
    if (width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    int depth = 32;
    if (dc) {
        auto* object = findDc(dc);
        if (!object)
            return nullptr;
        // A memory DC is as deep as its bitmap: a new one's is monochrome.
        if (auto* bitmap = findBitmap(detailOf(*object).attributes.bitmap))
            depth = bitmap->bitsPixel;
    }
    if (width == 0 || height == 0)
        return newBitmap(1, 1, 1, 0);
    return newBitmap(width, height, depth, 0);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
    if (bits)
        *bits = nullptr;
    auto guard = lock();
    // The simulator keeps 32-bit DIB sections only, in either row order.
    if (!info || section || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < 40 ||
        info->bmiHeader.biBitCount != 32 ||
        (info->bmiHeader.biCompression != BI_RGB &&
         info->bmiHeader.biCompression != BI_BITFIELDS) ||
        info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0 ||
        info->bmiHeader.biWidth > 0x8000 || info->bmiHeader.biHeight > 0x8000 ||
        info->bmiHeader.biHeight < -0x8000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    int width = info->bmiHeader.biWidth;
    int height =
        info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    HBITMAP bitmap = newBitmap(width, height, 32, 0);
    auto* object = findGdi(bitmap);
    object->dibSection = true;
    object->bottomUp = info->bmiHeader.biHeight > 0;
    if (bits)
        *bits = object->pixels.data();
    return bitmap;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto guard = lock();
    return static_cast<HBRUSH>(newGdi(makeBrush(BS_SOLID, color & 0xFFFFFF)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    auto guard = lock();
    auto* source = findBitmap(bitmap);
    if (!source) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    GdiObject brush = makeBrush(BS_PATTERN, 0);
    auto& d = detailOf(brush);
    d.patternWidth = source->width;
    d.patternHeight = source->height;
    d.pattern.resize(source->pixels.size());
    for (int y = 0; y < source->height; ++y)
        for (int x = 0; x < source->width; ++x)
            d.pattern[static_cast<std::size_t>(y * source->width + x)] =
                pixelAt(*source, x, y) & 0xFFFFFF;
    d.monoPattern = source->bitsPixel == 1;
    return static_cast<HBRUSH>(newGdi(std::move(brush)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (brush->lbStyle == BS_PATTERN)
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    if (brush->lbStyle == BS_NULL)
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    return CreateSolidBrush(brush->lbColor); // hatches paint solid here
}

HPEN CreatePen(int style, int width, COLORREF color) {
    auto guard = lock();
    if (style < PS_SOLID || style > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HPEN>(
        newGdi(makePen(static_cast<UINT>(style), std::max(width, 1), color & 0xFFFFFF)));
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (!font) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto guard = lock();
    GdiObject object;
    object.type = OBJ_FONT;
    auto& f = detailOf(object).font;
    f = *font;
    f.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(newGdi(std::move(object)));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR face) {
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = static_cast<BYTE>(italic);
    font.lfUnderline = static_cast<BYTE>(underline);
    font.lfStrikeOut = static_cast<BYTE>(strikeOut);
    font.lfCharSet = static_cast<BYTE>(charSet);
    font.lfOutPrecision = static_cast<BYTE>(outPrecision);
    font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    font.lfQuality = static_cast<BYTE>(quality);
    font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face)
        std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&font);
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return createWithBytes<HPALETTE>(OBJ_PAL, palette->palNumEntries * sizeof(PALETTEENTRY),
                                     palette->palPalEntry);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    auto guard = lock();
    auto* object = findGdi(palette);
    if (!object || object->type != OBJ_PAL)
        return 0;
    UINT total = static_cast<UINT>(object->bytes.size() / sizeof(PALETTEENTRY));
    if (!entries)
        return total;
    if (start >= total)
        return 0;
    UINT n = std::min(count, total - start);
    std::memcpy(entries, object->bytes.data() + start * sizeof(PALETTEENTRY),
                n * sizeof(PALETTEENTRY));
    return n;
}

HGDIOBJ GetStockObject(int index) {
    if (index < 0 || index >= stockCount || index == 9 || index == defaultBitmapIndex)
        return nullptr;
    auto guard = lock();
    auto handle = reinterpret_cast<HGDIOBJ>(stockBase + 4 * static_cast<std::uintptr_t>(index));
    return findGdi(handle) ? handle : nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    auto guard = lock();
    auto* found = findGdi(object);
    if (!found)
        return FALSE;
    if (isStockObject(object))
        return TRUE; // stock objects stay
    switch (found->type) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_ENHMETADC:
    case kObjIcon:
    case kObjImageList:
        return FALSE; // each has a function of its own
    case OBJ_BITMAP:
        // A bitmap selected into a DC, or a window's surface, cannot go.
        if (selectedAnywhere(object) || isWindowSurface(object))
            return FALSE;
        break;
    default:
        break;
    }
    state().gdi.erase(key(object));
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ object) {
    auto guard = lock();
    auto* found = findGdi(object);
    if (!found || found->type == kObjIcon || found->type == kObjImageList) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return found->type;
}

int GetObjectA(HGDIOBJ handle, int size, LPVOID out) {
    auto guard = lock();
    auto* object = findGdi(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto give = [&](const void* data, int n) {
        if (!out)
            return n;
        if (size < n)
            return 0;
        std::memcpy(out, data, static_cast<std::size_t>(n));
        return n;
    };
    switch (object->type) {
    case OBJ_BITMAP: {
        DIBSECTION ds{};
        ds.dsBm.bmWidth = object->width;
        ds.dsBm.bmHeight = object->height;
        ds.dsBm.bmPlanes = 1;
        ds.dsBm.bmBitsPixel = static_cast<WORD>(object->bitsPixel);
        if (object->dibSection) {
            ds.dsBm.bmWidthBytes = ((object->width * object->bitsPixel + 31) / 32) * 4;
            ds.dsBm.bmBits = object->pixels.data();
            ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
            ds.dsBmih.biWidth = object->width;
            ds.dsBmih.biHeight = object->bottomUp ? object->height : -object->height;
            ds.dsBmih.biPlanes = 1;
            ds.dsBmih.biBitCount = 32;
            ds.dsBmih.biCompression = BI_RGB;
            ds.dsBmih.biSizeImage = static_cast<DWORD>(object->pixels.size() * 4);
            if (!out || size >= static_cast<int>(sizeof ds))
                return give(&ds, sizeof ds);
        } else {
            ds.dsBm.bmWidthBytes = ((object->width * object->bitsPixel + 15) / 16) * 2;
        }
        return give(&ds.dsBm, sizeof ds.dsBm);
    }
    case OBJ_PEN: {
        LOGPEN pen{object->detail->style, POINT{object->detail->penWidth, 0},
                   object->detail->color};
        return give(&pen, sizeof pen);
    }
    case OBJ_BRUSH: {
        LOGBRUSH brush{object->detail->style, brushColor(*object), 0};
        return give(&brush, sizeof brush);
    }
    case OBJ_FONT:
        return give(&object->detail->font, sizeof(LOGFONTA));
    case OBJ_PAL: {
        WORD count = static_cast<WORD>(object->bytes.size() / sizeof(PALETTEENTRY));
        return give(&count, sizeof count);
    }
    default:
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
}

BOOL GdiFlush() {
    return TRUE; // drawing happens at once here
}

HDC CreateEnhMetaFileA(HDC, LPCSTR fileName, const RECT* frame, LPCSTR) {
    if (fileName) { // only metafiles in memory are made here
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto guard = lock();
    GdiObject dc;
    dc.type = OBJ_ENHMETADC;
    RECTL f{0, 0, 0, 0};
    if (frame)
        f = RECTL{frame->left, frame->top, frame->right, frame->bottom};
    dc.bytes = emfBytes(f);
    return static_cast<HDC>(newGdi(std::move(dc)));
}

HENHMETAFILE CloseEnhMetaFile(HDC dc) {
    auto guard = lock();
    auto* object = findGdi(dc);
    if (!object || object->type != OBJ_ENHMETADC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::string bytes = object->bytes;
    state().gdi.erase(key(dc));
    return SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                              reinterpret_cast<const BYTE*>(bytes.data()));
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* bytes) {
    return createWithBytes<HENHMETAFILE>(OBJ_ENHMETAFILE, size, bytes);
}

UINT GetEnhMetaFileBits(HENHMETAFILE emf, UINT size, LPBYTE bytes) {
    return copyBytes(OBJ_ENHMETAFILE, emf, size, bytes);
}

UINT GetEnhMetaFileHeader(HENHMETAFILE emf, UINT size, ENHMETAHEADER* header) {
    auto guard = lock();
    auto* object = findGdi(emf);
    if (!object || object->type != OBJ_ENHMETAFILE || !isEmf(object->bytes)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    UINT n = std::min<UINT>(sizeof(ENHMETAHEADER), static_cast<UINT>(object->bytes.size()));
    if (!header)
        return n;
    n = std::min(n, size);
    std::memcpy(header, object->bytes.data(), n);
    return n;
}

HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE emf, LPCSTR fileName) {
    if (fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto guard = lock();
    auto* object = findGdi(emf);
    if (!object || object->type != OBJ_ENHMETAFILE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::string bytes = object->bytes;
    return SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                              reinterpret_cast<const BYTE*>(bytes.data()));
}

BOOL DeleteEnhMetaFile(HENHMETAFILE emf) {
    auto guard = lock();
    auto* object = findGdi(emf);
    if (!object || object->type != OBJ_ENHMETAFILE)
        return FALSE;
    state().gdi.erase(key(emf));
    return TRUE;
}

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* bytes, HDC, const METAFILEPICT* picture) {
    if (!bytes || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string data(reinterpret_cast<const char*>(bytes), size);
    // The simulator's own metafile pictures made from an enhanced metafile
    // carry that metafile's bytes: it comes back unchanged.
    if (isEmf(data))
        return SetEnhMetaFileBits(size, bytes);
    RECTL frame{0, 0, 0, 0};
    if (picture && (picture->mm == MM_ANISOTROPIC || picture->mm == MM_ISOTROPIC) &&
        picture->xExt > 0 && picture->yExt > 0)
        frame = RECTL{0, 0, picture->xExt, picture->yExt};
    std::string emf = emfBytes(frame);
    return SetEnhMetaFileBits(static_cast<UINT>(emf.size()),
                              reinterpret_cast<const BYTE*>(emf.data()));
}

HMETAFILE SetMetaFileBitsEx(UINT size, const BYTE* bytes) {
    return createWithBytes<HMETAFILE>(OBJ_METAFILE, size, bytes);
}

UINT GetMetaFileBitsEx(HMETAFILE mf, UINT size, LPVOID bytes) {
    return copyBytes(OBJ_METAFILE, mf, size, bytes);
}

BOOL DeleteMetaFile(HMETAFILE mf) {
    auto guard = lock();
    auto* object = findGdi(mf);
    if (!object || object->type != OBJ_METAFILE)
        return FALSE;
    state().gdi.erase(key(mf));
    return TRUE;
}
